#include "core/mltext.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

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

TEST_F(MLTextTest, AMissingTranslationShiftsNoOtherMessage) {
    struct Case {
        const char* what;
        const char* xml;
        std::vector<std::pair<const char*, const char*>> expected;  // English -> shown
    } cases[] = {
        {"first message English only",
         "<ML><MESSAGE><DESC a=\"en\">One</DESC></MESSAGE>"
         "<MESSAGE><DESC a=\"en\">Two</DESC><DESC a=\"zh\">二</DESC></MESSAGE></ML>",
         {{"One", "One"}, {"Two", "二"}}},
        {"a message in the middle English only",
         "<ML><MESSAGE><DESC a=\"en\">One</DESC><DESC a=\"zh\">一</DESC></MESSAGE>"
         "<MESSAGE><DESC a=\"en\">Two</DESC></MESSAGE>"
         "<MESSAGE><DESC a=\"en\">Three</DESC><DESC a=\"zh\">三</DESC></MESSAGE></ML>",
         {{"One", "一"}, {"Two", "Two"}, {"Three", "三"}}},
        {"texts without an attribute keep their places",
         "<ML><MESSAGE><DESC>Four</DESC><DESC>四</DESC></MESSAGE>"
         "<MESSAGE><DESC>Five</DESC><DESC>五</DESC></MESSAGE></ML>",
         {{"Four", "四"}, {"Five", "五"}}},
        {"an empty translation shows English",
         "<ML><MESSAGE><DESC a=\"en\">Six</DESC><DESC a=\"zh\"></DESC></MESSAGE>"
         "<MESSAGE><DESC a=\"en\">Seven</DESC><DESC a=\"zh\">七</DESC></MESSAGE></ML>",
         {{"Six", "Six"}, {"Seven", "七"}}},
        {"a repeated language key keeps the first",
         "<ML><MESSAGE><DESC a=\"en\">Eight</DESC><DESC a=\"zh\">八</DESC>"
         "<DESC a=\"zh\">捌</DESC></MESSAGE>"
         "<MESSAGE><DESC a=\"en\">Nine</DESC><DESC a=\"zh\">九</DESC></MESSAGE></ML>",
         {{"Eight", "八"}, {"Nine", "九"}}},
    };
    for (const Case& c : cases) {
        g_nLanguage = 1;
        ASSERT_TRUE(Load(c.xml)) << c.what;
        g_nLanguage = 2;
        for (const auto& [english, shown] : c.expected)
            EXPECT_EQ(GetMLText(english), shown) << c.what << ": " << english;
    }
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
