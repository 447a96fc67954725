#include "messaging/vbscriptvalue.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "messaging/vbscriptlexer.h"

namespace {

TEST(ScriptValue, TextToNumberAcceptsOnlyWholeNumbers) {
    const std::pair<const char*, double> good[] = {
        {"12", 12},    {" 12 ", 12}, {"-1.5", -1.5}, {"+.5", 0.5},
        {"1e3", 1000}, {"&H1F", 31}, {"&hff", 255},  {"&HFFFFFFFF", -1},
    };
    for (const auto& [text, want] : good) {
        double d = 0;
        ASSERT_TRUE(VBParseNumber(text, d)) << text;
        EXPECT_DOUBLE_EQ(d, want) << text;
    }
    for (const char* text : {"", " ", "12a", "inf", "nan", "0x10", "1,5", "--1", "&H", "e5"}) {
        double d = 0;
        EXPECT_FALSE(VBParseNumber(text, d)) << text;
    }
}

TEST(ScriptValue, ConversionsAndTextForms) {
    EXPECT_EQ(VBNumberText(3), "3");
    EXPECT_EQ(VBNumberText(-0.0), "0");
    EXPECT_EQ(VBNumberText(2.5), "2.5");
    EXPECT_EQ(VBNumberText(1.0 / 3), "0.333333333333333");
    EXPECT_EQ(VBNumberText(1e20), "1E+20");
    const std::pair<double, int32_t> rounding[] = {{2.5, 2}, {3.5, 4}, {-2.5, -2}, {2.4, 2}};
    for (const auto& [in, want] : rounding) {
        int32_t out = 0;
        ASSERT_TRUE(VBToLong(in, out));
        EXPECT_EQ(out, want) << in;
    }
    int32_t out = 0;
    EXPECT_FALSE(VBToLong(3e9, out));
    EXPECT_FALSE(VBToLong(NAN, out));

    bool b = false;
    double d = 0;
    EXPECT_TRUE(VBValue("TRUE").ToBoolean(b) && b);
    EXPECT_TRUE(VBValue("0").ToBoolean(b) && !b);
    EXPECT_FALSE(VBValue("yes").ToBoolean(b));
    EXPECT_TRUE(VBValue(true).ToNumber(d));
    EXPECT_EQ(d, -1);
    EXPECT_TRUE(VBValue().ToNumber(d));
    EXPECT_EQ(d, 0);
    EXPECT_FALSE(VBValue("").ToNumber(d));
    EXPECT_EQ(VBValue(false).ToText(), "False");
    EXPECT_EQ(VBValue(std::shared_ptr<VBObject>()).IsEmpty(), true);
}

TEST(ScriptLexer, TokensCommentsAndContinuations) {
    std::vector<VBToken> tokens;
    std::string error;
    int line = 0;
    ASSERT_TRUE(
        VBTokenize("x = VarList.Count + .5 ' note\r\n"
                   "Rem whole line\n"
                   "s = \"a\"\"b\" & _\n  t <= 3",
                   tokens, error, line));
    std::string seen;
    for (const auto& t : tokens) {
        switch (t.type) {
            case VBToken::Type::Newline:
                seen += "|";
                break;
            case VBToken::Type::End:
                seen += "$";
                break;
            case VBToken::Type::String:
                seen += "'" + t.text + "' ";
                break;
            default:
                seen += t.text + " ";
        }
    }
    EXPECT_EQ(seen, "x = varlist . count + .5 ||s = 'a\"b' & t <= 3 |$");
    EXPECT_EQ(tokens.back().line, 4);

    const char* bad[] = {"x = \"open", "x = 12abc", "x = 1 # 2", "x = \xc3\xa9"};
    for (const char* text : bad) {
        EXPECT_FALSE(VBTokenize(text, tokens, error, line)) << text;
        EXPECT_EQ(line, 1);
    }
}

}  // namespace
