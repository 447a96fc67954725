#include "platform/datetime.h"

#include <gtest/gtest.h>

#include "platform/textcodec.h"

namespace {

TEST(DateTimeTest, MonthArithmeticCrossesYearsAndClampsTheDay) {
    EXPECT_EQ(DateTime::Date(2024, 1, 31).AddMonths(-2).DateText(), "2023-11-30");
    EXPECT_EQ(DateTime::Date(2024, 3, 31).AddMonths(-1).DateText(), "2024-02-29");
    EXPECT_EQ(DateTime::Date(2023, 12, 15).AddMonths(1).DateText(), "2024-01-15");
    EXPECT_EQ(DateTime::Date(2024, 12, 31).AddDays(1).DateText(), "2025-01-01");
    EXPECT_EQ(DateTime::Date(2024, 5, 16).DayOfWeek(), 5);  // a Thursday
}

TEST(DateTimeTest, ParsesTheStorageFormsAndRejectsNonsense) {
    auto dt = DateTime::Parse("2024-03-01 23:50:07.25");
    ASSERT_TRUE(dt);
    EXPECT_EQ(dt->ToText(true), "2024-03-01 23:50:07.250");
    EXPECT_EQ(DateTime::Parse("2024/3/1")->DateText(), "2024-03-01");
    EXPECT_EQ(DateTime::Parse("7:05")->ToText(), "1900-01-01 07:05:00");
    for (const char* bad : {"2024-02-30", "2024-13-01", "24:00", "abc", "2024-03-01x", ""})
        EXPECT_FALSE(DateTime::Parse(bad)) << bad;
}

TEST(DateTimeTest, FormatsFileNamesAndLogStamps) {
    DateTime t{2014, 5, 6, 9, 3, 4, 0};
    EXPECT_EQ(t.Format("yyyymm"), "201405");
    EXPECT_EQ(t.Format("yyyymmdd"), "20140506");
    EXPECT_EQ(t.Format("yyyy-mm-dd hh:mm:ss"), "2014-05-06 09:03:04");
    EXPECT_EQ(t.Format("yyyy-mm-dd hh:nn:ss"), "2014-05-06 09:03:04");
    EXPECT_EQ(DateTime::FromSeconds(t.SecondsSinceEpoch()).ToText(), t.ToText());
}

TEST(TextCodecTest, Utf16RoundTripIncludingSurrogatePairs) {
    std::string text = "A\xE9\xA4\x90\xF0\x9F\x8D\xB4%";  // A, 餐, a fork-and-knife emoji, %
    Bytes b = Utf8ToUtf16LE(text);
    EXPECT_EQ(b.size(), 2u * 5);
    EXPECT_EQ(Utf16LEToUtf8(b), text);
    EXPECT_EQ(Utf16LEToUtf8(Utf8ToUtf16LE("\xFF")), "\xEF\xBF\xBD");
}

}  // namespace
