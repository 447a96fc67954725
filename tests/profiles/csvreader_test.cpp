// The CSV reader and writer: quoting, line breaks, malformed lines and the
// character sets a guest file may come in.
#include "profiles/csvreader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "profiles/csvcharset.h"
#include "profiles/csvwriter.h"

namespace {

// Each record as its line, then its cells joined by "|" (quoted cells in
// brackets), or its error.
std::vector<std::string> Read(const std::string& text) {
    std::vector<std::string> out;
    CSVReader reader(text);
    CSVRecord r;
    while (reader.Next(r)) {
        std::string s = std::to_string(r.Line) + ":";
        if (!r.Error.empty()) {
            out.push_back(s + "!" + r.Error);
            continue;
        }
        for (std::size_t i = 0; i < r.Cells.size(); ++i)
            s += (i ? "|" : "") +
                 (r.Cells[i].Quoted ? "[" + r.Cells[i].Text + "]" : r.Cells[i].Text);
        out.push_back(s);
    }
    return out;
}

using Lines = std::vector<std::string>;

TEST(CSVReader, SplitsRecordsByTheQuotingRules) {
    const std::pair<std::string, Lines> cases[] = {
        {"a,b,c\r\n1,2,3\r\n", {"1:a|b|c", "2:1|2|3"}},
        {"a,b\n1,2", {"1:a|b", "2:1|2"}},  // LF only, no final line end
        {"a\r1\r", {"1:a", "2:1"}},        // CR only
        {"\"x, y\",\"say \"\"hi\"\"\"\n", {"1:[x, y]|[say \"hi\"]"}},
        {",,\n", {"1:||"}},                         // three NULLs
        {"\"\",x\n", {"1:[]|x"}},                   // an empty quoted value is not NULL
        {"  a  ,  \"b\"  , c\t\n", {"1:a|[b]|c"}},  // blanks around values
        {"\"line1\r\nline2\",x\nnext,y\n", {"1:[line1\r\nline2]|x", "3:next|y"}},
        {"\n\n  \r\na\n\n\nb\n", {"4:a", "7:b"}},  // blank lines are skipped
        {"\xE4\xB8\xAD\xE6\x96\x87,\"\xE9\xA4\x90\"\n", {"1:中文|[餐]"}},
        {"a,\n", {"1:a|"}},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(Read(text), expected) << text;
}

TEST(CSVReader, MalformedLinesAreReportedAndReadingGoesOn) {
    const std::pair<std::string, Lines> cases[] = {
        {"a,b\"c\nok\n", {"1:!Quote inside a value without quotes", "2:ok"}},
        {"\"a\"b,c\nok\n", {"1:!Text after a closing quote", "2:ok"}},
        // A quote never closed: the next lines are read again as records.
        {"x\n\"open,1\n2,3\n", {"1:x", "2:!Unclosed quote", "3:2|3"}},
        // An error after a quoted line break skips the rest of that line only.
        {"\"a\nb\" z,1\nok\n", {"1:!Text after a closing quote", "3:ok"}},
        {"\"", {"1:!Unclosed quote"}},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(Read(text), expected) << text;
}

TEST(CSVWriter, WhatItWritesReadsBackUnchanged) {
    const std::vector<std::string> values = {
        "plain",    "with, comma", "say \"hi\"", "\"", "two\r\nlines",
        "lf\nonly", " padded ",    "陳大文",     "",   "a,\"b\",\r\nc"};
    CSVWriter w;
    for (const auto& v : values)
        w.Text(v);
    w.Number("42");
    w.Null();
    w.EndLine();
    CSVReader reader(w.Output());
    CSVRecord r;
    ASSERT_TRUE(reader.Next(r));
    ASSERT_TRUE(r.Error.empty()) << r.Error;
    ASSERT_EQ(r.Cells.size(), values.size() + 2);
    for (std::size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(r.Cells[i].Text, values[i]);
        EXPECT_TRUE(r.Cells[i].Quoted);
    }
    EXPECT_EQ(r.Cells[values.size()].Text, "42");
    EXPECT_EQ(r.Cells[values.size() + 1].Text, "");
    EXPECT_FALSE(reader.Next(r));

    // A line of one NULL must not turn into a blank line, which is skipped.
    CSVWriter one;
    one.Null();
    one.EndLine();
    EXPECT_EQ(Read(one.Output()), Lines{"1:[]"});
}

TEST(CSVCharset, DecodesUtf8AndBig5AndRefusesWhatIsNotText) {
    std::string text, error;
    // Big5 (code page 950) of 中文,餐廳
    const std::string big5 = "\xA4\xA4\xA4\xE5,\xC0\x5C\xC6\x55\r\n";
    ASSERT_TRUE(DecodeCSVText(big5, CSVCharset::kANSI, text, error)) << error;
    EXPECT_EQ(text, "中文,餐廳\r\n");
    // The same bytes are no UTF-8: refused with the line.
    EXPECT_FALSE(DecodeCSVText("ok\n" + big5, CSVCharset::kUTF8, text, error));
    EXPECT_EQ(error, "Not UTF-8 text at line 2");
    // A byte-order mark is dropped and means UTF-8, whatever was asked.
    for (CSVCharset cs : {CSVCharset::kUTF8, CSVCharset::kANSI}) {
        ASSERT_TRUE(
            DecodeCSVText("\xEF\xBB\xBF"
                          "a,中\n",
                          cs, text, error))
            << error;
        EXPECT_EQ(text, "a,中\n");
    }
    EXPECT_FALSE(DecodeCSVText(std::string("a\nb\0c", 5), CSVCharset::kUTF8, text, error));
    EXPECT_EQ(error, "A NUL byte at line 2");
    EXPECT_FALSE(DecodeCSVText("a\n\xA4", CSVCharset::kANSI, text, error));  // half a character
    EXPECT_EQ(error, "Not Big5 text at line 2");

    // Overlong forms, surrogates and stray continuation bytes are not UTF-8.
    for (const char* bad : {"\xC0\xAF", "\xED\xA0\x80", "\x80", "\xF4\x90\x80\x80", "\xE4\xB8"})
        EXPECT_FALSE(IsValidUtf8(bad)) << bad;
    EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x8D\xB2 \xE4\xB8\xAD"));

    CSVCharset cs{};
    EXPECT_TRUE(ParseCSVCharset("ansi", cs));
    EXPECT_EQ(cs, CSVCharset::kANSI);
    EXPECT_TRUE(ParseCSVCharset("utf-8", cs));
    EXPECT_EQ(cs, CSVCharset::kUTF8);
    EXPECT_FALSE(ParseCSVCharset("latin1", cs));
}

}  // namespace
