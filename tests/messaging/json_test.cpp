#include "messaging/json.h"

#include <gtest/gtest.h>

#include <cmath>
#include <locale>
#include <ostream>
#include <string>

// Failures show the value as JSON text.
void PrintTo(const JsonValue& v, std::ostream* os) {
    *os << JSON().ToString(v);
}

namespace {

// Parses `text` and writes the result back: the compact form shows exactly
// what was read.
std::string Reparse(const std::string& text) {
    JSON json;
    JsonValue v = json.Parse(text);
    EXPECT_EQ(json.ErrorText(), "") << text;
    return json.ToString(v);
}

TEST(JsonReadTest, LenientFormsReadLikeTheirStrictForms) {
    struct Case {
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {"[1, 2.5e3, -4]", "[1,2500,-4]"},
        {"{'a':'x','b':[true,false,null]}", R"({"a":"x","b":[true,false,null]})"},
        {"{a : 1, b:'y'}", R"({"a":1,"b":"y"})"},
        {"/* head */ ( {\"a\" /* k */ : (2)} )", R"({"a":2})"},
        {R"({"a":1 "b":2,,})", R"({"a":1,"b":2})"},
        {R"({"z":1,"a":2,"m":3})", R"({"z":1,"a":2,"m":3})"},
        {R"(["it's", 'say "hi"'])", R"(["it's","say \"hi\""])"},
        {R"(["\b\f\n\r\t\/\\\'\q"])", R"(["\b\f\n\r\t\/\\'q"])"},
        {"[1.50, 0.0, -0, 1e-2, 12345678901234567890123456789]",
         "[1.5,0,0,0.01,12345678901234567890123456789]"},
        {"[[], {}] trailing text", "[[],{}]"},
        {"[\"\\u00e9\xC3\xA9\"]", R"(["\u00E9\u00E9"])"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Reparse(c.text), c.expected) << c.text;
}

TEST(JsonReadTest, NumbersBecomeDecimalsInCollections) {
    JSON json;
    JsonValue v = json.Parse("[1, 2.5e3, -4]");
    ASSERT_EQ(v.Count(), 3u);
    EXPECT_EQ(v.Item(1).Type(), JsonType::Number);
    EXPECT_EQ(v.Item(1).AsInt64(), 1);
    EXPECT_EQ(v.Item(2).AsDecimal(), Decimal(2500));
    EXPECT_EQ(v.Item(3).AsInt64(), -4);
    EXPECT_TRUE(v.Item(0).IsNull());  // positions start at 1
    EXPECT_TRUE(v.Item(4).IsNull());
}

TEST(JsonReadTest, FailuresGiveNullAndTheirReason) {
    struct Case {
        std::string text;
        std::string reason;
    };
    const Case cases[] = {
        {"", "Invalid JSON"},
        {"  42", "Invalid JSON"},
        {R"({"a":1)", R"(Missing '}': {"a":1)"},
        {R"({"a":)", R"(Missing '}': {"a":)"},
        {"{abc", "Missing '}': {abc"},
        {"[1,2,3,4,5,6,7,8,9,10,11", "Missing ']': ,3,4,5,6,7,8,9,10,11"},
        {"[ /* never closed ]", "Missing ']': [ /* never closed ]"},
        {R"({"a" 1})", R"(Invalid Key at position 2 : "a" 1})"},
        {"{:1}", "Invalid Key at position 2 : :1}"},
        {R"({"a:1})", R"(Invalid Key at position 2 : "a:1})"},
        {"[tru]", "Invalid Boolean at position 2 : tru]"},
        {"[nul]", "Invalid null value at position 2 : nul]"},
        {"[1-2]", "Invalid Number at position 2 : 1-2]"},
        {"[x]", "Invalid Number at position 2 : x]"},
        {"[1e999]", "Invalid Number at position 2 : 1e999]"},
        {R"(["abc)", R"(Invalid String at position 2 : "abc)"},
        {R"(["\u12"])", R"(Invalid String at position 2 : "\u12"])"},
        {R"({"a":1,"a":2})", R"(Duplicate Key at position 8 : "a":2})"},
        // Positions count characters, not bytes.
        {"[\"\xC3\xA9\", x]", "Invalid Number at position 7 : x]"},
    };
    for (const auto& c : cases) {
        JSON json;
        EXPECT_TRUE(json.Parse(c.text).IsNull()) << c.text;
        EXPECT_EQ(json.ErrorText(), c.reason + "\r\n") << c.text;
    }
}

TEST(JsonReadTest, ReasonsAccumulateUntilAParseSucceeds) {
    JSON json;
    json.Parse("x");
    json.Parse("[x]");
    EXPECT_EQ(json.ErrorText(), "Invalid JSON\r\nInvalid Number at position 2 : x]\r\n");
    EXPECT_EQ(json.Parse("[]").Count(), 0u);
    EXPECT_EQ(json.ErrorText(), "");
}

TEST(JsonReadTest, DeepNestingIsRefusedWithoutExhaustingTheStack) {
    JSON json;
    const int limit = JSON::kMaxDepth;
    std::string ok = std::string(limit, '[') + std::string(limit, ']');
    EXPECT_TRUE(json.Parse(ok).IsArray());

    std::string deeper = std::string(limit + 1, '[') + std::string(limit + 1, ']');
    EXPECT_TRUE(json.Parse(deeper).IsNull());
    EXPECT_EQ(json.ErrorText(),
              "Nesting deeper than 512 levels at position 513 : " + deeper.substr(limit) + "\r\n");

    std::string hostile;
    for (int i = 0; i < 200000; ++i)
        hostile += i % 2 ? "[" : "{'k':";
    EXPECT_TRUE(json.Parse(hostile).IsNull());
    EXPECT_EQ(json.ErrorText().rfind("Nesting deeper than 512 levels at position ", 0), 0u);
}

TEST(JsonTextTest, CharactersBeyondTheBasicPlaneUseSurrogatePairs) {
    JSON json;
    const std::string grin = "\xF0\x9F\x98\x80";  // U+1F600
    JsonValue v = json.Parse(R"(["\uD83D\uDE00", "\ud83d\ude00"])");
    EXPECT_EQ(v.Item(1).AsText(), grin);
    EXPECT_EQ(v.Item(2).AsText(), grin);

    JsonArray written{JsonValue(grin)};
    std::string text = json.ToString(JsonValue(written));
    EXPECT_EQ(text, R"(["\uD83D\uDE00"])");
    EXPECT_EQ(json.Parse(text).Item(1).AsText(), grin);
}

TEST(JsonTextTest, UnpairedSurrogatesAndBrokenUtf8BecomeReplacementCharacters) {
    const std::string fffd = "\xEF\xBF\xBD";
    struct Case {
        std::string text;
        std::string value;
    };
    const Case cases[] = {
        {R"(["\uD83D x"])", fffd + " x"},
        {R"(["\uDE00\uD83D"])", fffd + fffd},
        {R"(["\uD83D\uD83D\uDE00"])", fffd + "\xF0\x9F\x98\x80"},
        {R"(["\uD83D\u0041"])", fffd + "A"},
        {"[\"a\xFF\"]", "a" + fffd},
        {"[\"\xC3\"]", fffd},
    };
    for (const auto& c : cases) {
        JSON json;
        EXPECT_EQ(json.Parse(c.text).Item(1).AsText(), c.value) << c.text;
    }
    // A value that reached the writer with broken UTF-8 still gives valid JSON.
    EXPECT_EQ(JSON().ToString(JsonArray{JsonValue("a\xFF")}), R"(["a\uFFFD"])");
}

// Writes 1.5 with "," as the decimal separator of the global locale.
struct CommaDecimal : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
};

TEST(JsonWriteTest, WritesEveryKindCompactly) {
    JsonObject o;
    o.Add("text", "\xC3\xA9\x01\x7F/\"");
    o.Add("key \"q\"", true);
    o.Add("when", DateTime{2024, 5, 1, 12, 30, 0, 0});
    o.Add("half", 1.5);
    o.Add("nan", std::nan(""));
    o.Add("int", 42);
    o.Add("big", uint64_t{18446744073709551615u});
    o.Add("nothing", nullptr);
    o.Add("list", JsonArray{1, "two", JsonObject()});

    std::locale previous = std::locale::global(std::locale(std::locale(), new CommaDecimal));
    std::string text = JSON().ToString(JsonValue(o));
    std::locale::global(previous);
    EXPECT_EQ(text, R"({"text":"\u00E9\u0001)"
                    "\x7F"
                    R"(\/\"","key \"q\"":true,"when":"2024-05-01 12:30:00","half":1.5,"nan":null,)"
                    R"("int":42,"big":18446744073709551615,"nothing":null,"list":[1,"two",{}]})");
    EXPECT_EQ(JSON().ToString(JsonValue("plain")), R"("plain")");
}

TEST(JsonRoundTripTest, WebBookingDateConfigurationSurvivesEditing) {
    const std::string service =
        R"({"Period":[)"
        R"({"perd_name":"Lunch","perd_start_time":"11:30","perd_end_time":"14:30",)"
        R"("perd_active":"A","Section":[{"sect_name":"Main Hall","Allotment":[)"
        R"({"allot_type":"T","table_size":2,"allot_num":5},)"
        R"({"allot_type":"T","table_size":4,"allot_num":3}]}]},)"
        R"({"perd_name":"Dinner","perd_start_time":"18:00","perd_end_time":"22:00",)"
        R"("perd_active":"I","Section":[{"sect_name":"Terrace \/ Garden","Allotment":[]}]}],)"
        R"("deposit":12.05})";
    JSON json;
    JsonValue config = json.Parse(service);
    ASSERT_EQ(json.ErrorText(), "");
    EXPECT_EQ(json.ToString(config), service);  // unchanged, it goes back as it came

    // Edit as the allotment window does: the second allotment and the first period's state.
    JsonObject* root = config.AsObject();
    ASSERT_NE(root, nullptr);
    JsonArray* periods = root->Find("Period")->AsArray();
    JsonObject* lunch = (*periods)[0].AsObject();
    lunch->Set("perd_active", "I");
    JsonValue& sections = *lunch->Find("Section");
    JsonObject* allot =
        (*(*sections.AsArray())[0].AsObject()->Find("Allotment")->AsArray())[1].AsObject();
    allot->Set("allot_num", 7);

    JsonValue back = json.Parse(json.ToString(config));
    EXPECT_EQ(back, config);
    EXPECT_EQ(back["Period"].Item(1)["perd_active"].AsText(), "I");
    EXPECT_EQ(back["Period"].Item(1)["Section"].Item(1)["Allotment"].Item(2)["allot_num"].AsInt64(),
              7);
    EXPECT_EQ(back["Period"].Item(2)["Section"].Item(1)["sect_name"].AsText(), "Terrace / Garden");
    EXPECT_EQ(back["Period"].Item(1).AsObject()->Keys(),
              (std::vector<std::string>{"perd_name", "perd_start_time", "perd_end_time",
                                        "perd_active", "Section"}));
    EXPECT_EQ(back["deposit"].AsDecimal().ToString(), "12.05");
}

}  // namespace
