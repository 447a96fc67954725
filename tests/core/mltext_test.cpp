#include "core/mltext.h"

#include <gtest/gtest.h>

#include "core/globals.h"
#include "support/tempdir.h"

namespace {

class MLTextTest : public ::testing::Test {
  protected:
    void TearDown() override {
        ReleaseMultiLang();
        g_nLanguage = 1;
    }
    bool Load(const std::string& xml) {
        WriteTextFile(dir.File("KIV_ML.xml"), xml);
        return CreateMultiLang(dir.File("KIV_ML.xml"));
    }
    TempDir dir;
};

TEST_F(MLTextTest, LooksUpTheCurrentLanguageAndFallsBackToEnglish) {
    ASSERT_TRUE(
        Load("<ML><MESSAGE><DESC lang=\"en\">Close</DESC><DESC lang=\"zh\">關閉</DESC>"
             "</MESSAGE><MESSAGE><DESC lang=\"en\">Open</DESC><DESC lang=\"zh\">開啟"
             "</DESC></MESSAGE></ML>"));
    g_nLanguage = 2;
    EXPECT_EQ(GetMLText("Close"), "關閉");
    EXPECT_EQ(GetMLText("Open"), "開啟");
    EXPECT_EQ(GetMLText("Not in file"), "Not in file");
    EXPECT_EQ(GetMLText("close"), "close");  // case-sensitive
    g_nLanguage = 1;
    EXPECT_EQ(GetMLText("Close"), "Close");
    g_nLanguage = 3;
    EXPECT_EQ(GetMLText("Close"), "Close");
}

TEST_F(MLTextTest, FirstOfTwoEqualEnglishTextsWins) {
    ASSERT_TRUE(
        Load("<ML><MESSAGE><DESC a=\"1\">Save</DESC><DESC a=\"2\">first</DESC></MESSAGE>"
             "<MESSAGE><DESC a=\"1\">Save</DESC><DESC a=\"2\">second</DESC></MESSAGE>"
             "</ML>"));
    g_nLanguage = 2;
    EXPECT_EQ(GetMLText("Save"), "first");
}

TEST_F(MLTextTest, LanguagesOfUnequalLength) {
    // The first message has English only; the second list is created at the
    // second message and its first text lands at position 1: a file must give
    // every message the same number of texts to stay aligned.
    ASSERT_TRUE(
        Load("<ML><MESSAGE><DESC a=\"en\">One</DESC></MESSAGE>"
             "<MESSAGE><DESC a=\"en\">Two</DESC><DESC a=\"zh\">二</DESC></MESSAGE></ML>"));
    g_nLanguage = 2;
    EXPECT_EQ(GetMLText("One"), "二");
    EXPECT_EQ(GetMLText("Two"), "Two");  // second list too short: English
}

TEST_F(MLTextTest, SplitCharacterDataIsJoined) {
    ASSERT_TRUE(
        Load("<ML><MESSAGE><DESC a=\"en\">A &amp; B</DESC><DESC a=\"zh\">甲&amp;乙</DESC>"
             "</MESSAGE></ML>"));
    g_nLanguage = 2;
    EXPECT_EQ(GetMLText("A & B"), "甲&乙");
}

TEST_F(MLTextTest, BrokenOrEmptyFilesFailAndEverythingStaysEnglish) {
    EXPECT_FALSE(Load("<ML><MESSAGE><DESC a=\"en\">X</DESC>"));
    g_nLanguage = 2;
    EXPECT_EQ(GetMLText("X"), "X");
    EXPECT_FALSE(Load("<ML></ML>"));
    EXPECT_FALSE(CreateMultiLang(dir.File("missing.xml")));
}

TEST(MLHashTest, AdditiveHashModulo1001) {
    EXPECT_EQ(MLHash("AB"), 131);
    EXPECT_EQ(MLHash(std::string(20, 'z')), (20 * 122) % 1001);
}

}  // namespace
