#include "messaging/stringbuilder.h"

#include <gtest/gtest.h>

namespace {

TEST(StringBuilderTest, GrowsByWholeChunks) {
    StringBuilder sb;
    EXPECT_EQ(sb.ChunkSize(), 16384u);
    sb.SetChunkSize(0);  // ignored
    EXPECT_EQ(sb.ChunkSize(), 16384u);
    sb.SetChunkSize(10);
    struct Step {
        const char* text;
        std::size_t length, capacity;
    };
    const Step steps[] = {
        {"abc", 3, 10}, {"defghij", 10, 10}, {"k", 11, 20}, {"0123456789012345678901234", 36, 40}};
    for (const auto& s : steps) {
        ASSERT_TRUE(sb.Append(s.text));
        EXPECT_EQ(sb.Length(), s.length) << s.text;
        EXPECT_EQ(sb.Capacity(), s.capacity) << s.text;
    }
    EXPECT_EQ(sb.ToString(), "abcdefghijk0123456789012345678901234");
    sb.HeapMinimize();
    EXPECT_EQ(sb.Capacity(), 36u);
    EXPECT_EQ(sb.TheString(), sb.ToString());
    sb.Clear();
    EXPECT_EQ(sb.Length(), 0u);
    EXPECT_EQ(sb.Capacity(), 36u);
}

TEST(StringBuilderTest, EditsShiftTheTail) {
    struct Case {
        const char* name;
        bool (*edit)(StringBuilder&);
        bool ok;
        const char* expected;
    };
    const Case cases[] = {
        {"insert inside", [](StringBuilder& sb) { return sb.Insert(5, ","); }, true,
         "hello, world"},
        {"insert front", [](StringBuilder& sb) { return sb.InsertByVal(0, ">"); }, true,
         ">hello world"},
        {"insert end", [](StringBuilder& sb) { return sb.Insert(11, "!"); }, true, "hello world!"},
        {"insert past end", [](StringBuilder& sb) { return sb.Insert(12, "x"); }, false,
         "hello world"},
        {"remove", [](StringBuilder& sb) { return sb.Remove(0, 6); }, true, "world"},
        {"remove clamps", [](StringBuilder& sb) { return sb.Remove(5, 1000); }, true, "hello"},
        {"remove past end", [](StringBuilder& sb) { return sb.Remove(12, 1); }, false,
         "hello world"},
        {"append line", [](StringBuilder& sb) { return sb.AppendNL("!"); }, true,
         "hello world!\r\n"},
        {"replace", [](StringBuilder& sb) { return sb.SetTheString("new"); }, true, "new"},
        {"append by value", [](StringBuilder& sb) { return sb.AppendByVal(std::string(2, '.')); },
         true, "hello world.."},
    };
    for (const auto& c : cases) {
        StringBuilder sb;
        sb.SetChunkSize(4);
        sb.Append("hello world");
        EXPECT_EQ(c.edit(sb), c.ok) << c.name;
        EXPECT_EQ(sb.ToString(), c.expected) << c.name;
    }
}

TEST(StringBuilderTest, FindsTextFromAnOffset) {
    StringBuilder sb;
    sb.Append("hello world");
    EXPECT_EQ(sb.Find("o"), 4);
    EXPECT_EQ(sb.Find("o", 5), 7);
    EXPECT_EQ(sb.Find("zz"), -1);
    EXPECT_EQ(sb.Find("o", 100), -1);
}

TEST(StringBuilderTest, TextTakenFromItselfSurvivesGrowth) {
    StringBuilder sb;
    sb.SetChunkSize(4);
    sb.Append("abcd");
    ASSERT_TRUE(sb.Append(sb.View()));
    ASSERT_TRUE(sb.Insert(2, sb.View().substr(0, 3)));
    ASSERT_TRUE(sb.AppendNL(sb.View().substr(0, 1)));
    EXPECT_EQ(sb.ToString(), "ababccdabcda\r\n");
}

}  // namespace
