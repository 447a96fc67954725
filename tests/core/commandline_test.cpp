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
    auto o = ReadCommandLine("-SI -i \"/My Files/Conn.ini\"");
    EXPECT_TRUE(o.singleInstance);
    EXPECT_EQ(o.connIniToken, "\"/my files/conn.ini\"");
    EXPECT_EQ(o.connIniPath, "/My Files/Conn.ini");
    auto trailing = ReadCommandLine("-si -i");
    EXPECT_TRUE(trailing.singleInstance);
    EXPECT_EQ(trailing.connIniPath, "");
}

}  // namespace
