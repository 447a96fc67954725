#include "platform/inifile.h"

#include <gtest/gtest.h>

#include "support/tempdir.h"

namespace {

class IniFileTest : public ::testing::Test {
  protected:
    TempDir dir;
    std::string path = dir.File("test.ini");
};

TEST_F(IniFileTest, SectionsAndKeysIgnoreCaseAndValuesAreTrimmedAndUnquoted) {
    WriteTextFile(path, "; comment\r\n[KIV]\r\n  LogLevel =  2  \r\n[kivcnt]\r\nName=\"a b\"\r\n");
    EXPECT_EQ(GetPrivateProfileString("kiv", "LOGLEVEL", "x", path), "2");
    EXPECT_EQ(GetPrivateProfileString("KIVCnt", "name", "x", path), "a b");
    EXPECT_EQ(GetPrivateProfileString("KIVCnt", "missing", "def", path), "def");
    EXPECT_EQ(GetPrivateProfileString("Nope", "name", "def", path), "def");
    EXPECT_EQ(GetPrivateProfileString("KIV", "LogLevel", "def", dir.File("absent.ini")), "def");
}

TEST_F(IniFileTest, ValuesAreCutAtTheCallersBuffer) {
    std::string longValue(40000, 'x');
    WriteTextFile(path, "[DB]\nConnStr=" + longValue + "\n");
    EXPECT_EQ(GetPrivateProfileString("DB", "ConnStr", "", path).size(), 254u);
    EXPECT_EQ(GetPrivateProfileString("DB", "ConnStr", "", path, kIniLongBuffer).size(), 32766u);
}

TEST_F(IniFileTest, IntegerReadsFollowThePlatform) {
    WriteTextFile(path, "[KIV]\nA=12abc\nB=abc\nC=-5\nD=\nE= 7\nF=+3\n");
    struct Case {
        const char* key;
        int32_t expected;
    } cases[] = {{"A", 12}, {"B", 0}, {"C", -5}, {"D", 99}, {"E", 7}, {"F", 3}, {"Missing", 99}};
    for (const Case& c : cases)
        EXPECT_EQ(GetPrivateProfileInt("KIV", c.key, 99, path), c.expected) << c.key;
}

TEST_F(IniFileTest, FirstOfTwoEqualKeysWins) {
    WriteTextFile(path, "[S]\nk=1\nK=2\n");
    EXPECT_EQ(GetPrivateProfileString("S", "k", "", path), "1");
}

TEST_F(IniFileTest, WritingAKeyKeepsTheRestOfTheFile) {
    WriteTextFile(path, "; top\r\n[KIV]\r\nLogLevel=1\r\n\r\n[KIVCnt]\r\nOperation=1\r\n");
    ASSERT_TRUE(WritePrivateProfileString("kiv", "loglevel", "3", path));
    ASSERT_TRUE(WritePrivateProfileString("KIV", "LogArchivedPeriod", "6", path));
    ASSERT_TRUE(WritePrivateProfileString("New", "Key", "v", path));
    EXPECT_EQ(ReadTextFile(path),
              "; top\r\n[KIV]\r\nloglevel=3\r\nLogArchivedPeriod=6\r\n\r\n[KIVCnt]\r\n"
              "Operation=1\r\n\r\n[New]\r\nKey=v\r\n");
}

TEST_F(IniFileTest, WritingCreatesAMissingFileAndFailsInAMissingFolder) {
    ASSERT_TRUE(WritePrivateProfileString("KIVCnt", "OutletCV", "5", path));
    EXPECT_EQ(GetPrivateProfileInt("KIVCnt", "OutletCV", 0, path), 5);
    EXPECT_FALSE(WritePrivateProfileString("S", "K", "V", dir.File("no/such/folder/x.ini")));
}

}  // namespace
