#include "platform/textutil.h"

#include <gtest/gtest.h>

namespace {

TEST(TextUtilTest, CaseChangesOnlyAsciiLetters) {
    EXPECT_EQ(UpperAscii("table a1-Ü 桌"), "TABLE A1-Ü 桌");
    EXPECT_EQ(LowerAscii("TABLE A1-Ü 桌"), "table a1-Ü 桌");
    EXPECT_EQ(UpperAscii("\xE9"), "\xE9");  // a Latin-1 byte stays as it is
    EXPECT_TRUE(EqualsNoCase("DataChange", "DATACHANGE"));
    EXPECT_TRUE(EqualsNoCase("", ""));
    EXPECT_FALSE(EqualsNoCase("Ü", "ü"));
    EXPECT_FALSE(EqualsNoCase("abc", "abcd"));
}

TEST(TextUtilTest, TrimStripsOnlyTheGivenCharacters) {
    struct Case {
        const char* text;
        std::string_view blanks;
        const char* both;
        const char* left;
        const char* right;
    };
    const Case cases[] = {
        {"  a b \t\r\n", kBlanks, "a b", "a b \t\r\n", "  a b"},
        {"\v\fkey\v", kBlanks, "\v\fkey\v", "\v\fkey\v", "\v\fkey\v"},
        {"\v\fkey\v", kSpaceChars, "key", "key\v", "\v\fkey"},
        {"\t x \t", " ", "\t x \t", "\t x \t", "\t x \t"},
        {"  x\t ", " ", "x\t", "x\t ", "  x\t"},
        {" \t \r\n", kBlanks, "", "", ""},
        {"", kBlanks, "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Trim(c.text, c.blanks), c.both);
        EXPECT_EQ(TrimLeft(c.text, c.blanks), c.left);
        EXPECT_EQ(TrimRight(c.text, c.blanks), c.right);
    }
}

}  // namespace
