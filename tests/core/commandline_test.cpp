#include "core/startup.h"

#include <gtest/gtest.h>

namespace {

TEST(CommandLineTest, HyphenBlanksJoinTheFollowingWord) {
    auto t = ParseCommandLine("-si - i /opt/KIV/Conn.ini");
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(t[0], "-si");
    EXPECT_EQ(t[1], "-i");
    EXPECT_EQ(t[2], "/opt/kiv/conn.ini");
    EXPECT_EQ(ParseCommandLine("-   i x")[0], "-i");
}

TEST(CommandLineTest, QuotedPathStaysOneTokenWithItsQuotes) {
    auto t = ParseCommandLine("-i \"/My Files/Conn.ini\"");
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[1], "\"/my files/conn.ini\"");
}

TEST(CommandLineTest, BlanksBetweenBlanksMakeEmptyTokens) {
    auto t = ParseCommandLine("a  b");
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(t[1], "");
    EXPECT_TRUE(ParseCommandLine("").empty());
}

TEST(CommandLineTest, OptionsKeepTheStoredTokenButOpenTheNamedFile) {
    struct Case {
        const char* line;
        bool singleInstance;
        const char* token;
        const char* path;
    } cases[] = {
        {"-SI -i \"/My Files/Conn.ini\"", true, "\"/my files/conn.ini\"", "/My Files/Conn.ini"},
        {"-si -i", true, "", ""},
        // A hyphen between blanks inside a quoted folder name is part of it.
        {"-i \"/path/My - Folder/conn.ini\"", false, "\"/path/my -folder/conn.ini\"",
         "/path/My - Folder/conn.ini"},
        {"- i \"/a -  b/c.ini\" -si", true, "\"/a -b/c.ini\"", "/a -  b/c.ini"},
    };
    for (const Case& c : cases) {
        auto o = ReadCommandLine(c.line);
        EXPECT_EQ(o.singleInstance, c.singleInstance) << c.line;
        EXPECT_EQ(o.connIniToken, c.token) << c.line;
        EXPECT_EQ(o.connIniPath, c.path) << c.line;
    }
}

}  // namespace
