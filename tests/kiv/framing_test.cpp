#include "messaging/framing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

Bytes B(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

std::string S(const Bytes& b) {
    return std::string(b.begin(), b.end());
}

TEST(FramingTest, EscapingCoversExactlyTheMarkerBytesAndPercent) {
    struct Case {
        std::string raw, escaped;
    } cases[] = {
        {"\x01", "%01"},  {"\x02", "%02"},  {"\x04", "%04"},  {"%", "%25"},
        {"\x03", "\x03"}, {"A%B", "A%25B"}, {"%01", "%2501"}, {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(S(EscapeBytes(B(c.raw))), c.escaped) << c.escaped;
        EXPECT_EQ(S(UnescapeBytes(B(c.escaped))), c.raw) << c.escaped;
    }
    Bytes all;
    for (int i = 0; i < 256; ++i)
        all.push_back(static_cast<uint8_t>(i));
    Bytes escaped = EscapeBytes(all);
    for (uint8_t b : escaped)
        EXPECT_TRUE(b != 0x01 && b != 0x02 && b != 0x04);
    EXPECT_EQ(UnescapeBytes(escaped), all);
}

TEST(FramingTest, UnescapingKeepsAPercentWithoutTwoHexDigits) {
    EXPECT_EQ(S(UnescapeBytes(B("%4"))), "%4");
    EXPECT_EQ(S(UnescapeBytes(B("%zz%4a"))), "%zzJ");
    EXPECT_EQ(S(UnescapeBytes(B("100%"))), "100%");
}

TEST(FramingTest, TextSurvivesTheWireFormIncludingMarkersAndSurrogates) {
    const std::string text = std::string("a\x01 b\x02 c\x04 100% 訂位 ") + "\xF0\x9F\x8D\xBD";
    Bytes frame = FrameText(text);
    ASSERT_GE(frame.size(), 3u);
    EXPECT_EQ(frame.front(), kFrameStart);
    EXPECT_EQ(frame.back(), kFrameEnd);
    for (std::size_t i = 1; i + 1 < frame.size(); ++i)
        EXPECT_TRUE(frame[i] != kFrameStart && frame[i] != kFrameEnd) << i;
    Bytes payload;
    ASSERT_TRUE(UnframePayload(frame.data(), frame.size(), payload));
    EXPECT_EQ(Utf16LEToUtf8(payload), text);
    EXPECT_EQ(DecodePayload(frame.data() + 1, frame.size() - 2), text);
    EXPECT_FALSE(UnframePayload(frame.data(), 2, payload));
}

// Feeds chunks and returns the texts of the frames and the oversize reports.
struct FeedResult {
    std::vector<std::string> texts;
    std::vector<std::size_t> oversize;
};

FeedResult FeedAll(FrameReassembler& r, const std::vector<Bytes>& chunks) {
    FeedResult out;
    for (const Bytes& c : chunks)
        r.Feed(
            c.data(), c.size(),
            [&](const uint8_t* f, std::size_t n) {
                out.texts.push_back(DecodePayload(f + 1, n - 2));
                return true;
            },
            [&](std::size_t total) { out.oversize.push_back(total); });
    return out;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

Bytes Slice(const Bytes& b, std::size_t from, std::size_t to) {
    return Bytes(b.begin() + static_cast<long>(from), b.begin() + static_cast<long>(to));
}

// A frame of exactly `size` bytes, markers included.
Bytes FrameOfSize(std::size_t size) {
    Bytes f = FrameText(std::string((size - 2) / 2, 'x'));
    EXPECT_EQ(f.size(), size);
    return f;
}

TEST(FramingTest, ReassemblyDeliversWholeFramesWhateverTheReads) {
    const Bytes one = FrameText("one"), two = FrameText("two");
    const Bytes big = FrameOfSize(kMaxFrameBytes + 2), limit = FrameOfSize(kMaxFrameBytes);
    const Bytes enquiry = FrameOfSize(27570);  // a table enquiry of 72 tables
    std::vector<Bytes> byKilobyte;
    for (std::size_t off = 0; off < enquiry.size(); off += 1024)
        byKilobyte.push_back(Slice(enquiry, off, std::min(off + 1024, enquiry.size())));
    std::vector<Bytes> limitInPieces{Slice(limit, 0, 1), Slice(limit, 1, 70000),
                                     Slice(limit, 70000, limit.size())};
    struct Case {
        const char* name;
        std::vector<Bytes> chunks;
        std::vector<std::string> texts;
        std::vector<std::size_t> oversize;
    } cases[] = {
        {"split across three reads",
         {Slice(one, 0, 1), Slice(one, 1, 5), Slice(one, 5, one.size())},
         {"one"},
         {}},
        {"two frames in one read", {Cat({one, two})}, {"one", "two"}, {}},
        {"junk chunk up to a 0x04 discarded", {B("junk\x04"), one}, {"one"}, {}},
        {"junk before a frame in the same read", {Cat({B("xy"), one})}, {"one"}, {}},
        {"a frame start abandons an unfinished frame", {Slice(one, 0, 4), two}, {"two"}, {}},
        {"frame of the largest size", {limit}, {std::string((kMaxFrameBytes - 2) / 2, 'x')}, {}},
        {"frame of the largest size over three reads",
         limitInPieces,
         {std::string((kMaxFrameBytes - 2) / 2, 'x')},
         {}},
        {"27 KB frame in one read", {enquiry}, {std::string(13784, 'x')}, {}},
        {"27 KB frame in 1 KB reads", byKilobyte, {std::string(13784, 'x')}, {}},
        {"oversized frame in one read, next one kept",
         {Cat({big, two})},
         {"two"},
         {kMaxFrameBytes + 2}},
        {"oversized frame over many reads, next one kept",
         {Slice(big, 0, 4000), Slice(big, 4000, 900000), Slice(big, 900000, big.size()), one},
         {"one"},
         {kMaxFrameBytes + 2}},
        {"empty frame delivered as two bytes", {B("\x01\x04")}, {""}, {}},
        {"overlong unfinished frame cut by the next, in one read",
         {Cat({Slice(big, 0, big.size() - 1), one})},
         {"one"},
         {kMaxFrameBytes + 1}},
        {"overlong unfinished frame cut by the next, over two reads",
         {Slice(big, 0, 600000), Slice(big, 600000, big.size() - 1), one},
         {"one"},
         {kMaxFrameBytes + 1}},
    };
    for (const Case& c : cases) {
        FrameReassembler r;
        FeedResult got = FeedAll(r, c.chunks);
        EXPECT_EQ(got.texts, c.texts) << c.name;
        EXPECT_EQ(got.oversize, c.oversize) << c.name;
        EXPECT_EQ(r.Buffered(), 0u) << c.name;
    }
}

TEST(FramingTest, ReassemblyStopsWhenTheOwnerSaysSo) {
    FrameReassembler r;
    Bytes both = Cat({FrameText("a"), FrameText("b")});
    int frames = 0;
    r.Feed(
        both.data(), both.size(),
        [&](const uint8_t*, std::size_t) {
            ++frames;
            return false;
        },
        [](std::size_t) {});
    EXPECT_EQ(frames, 1);
}

}  // namespace
