// Day-month-year dates and AM/PM times: the value rules of the two entry
// controls, independent of any widget.
#include "venue/dmydate.h"

#include <gtest/gtest.h>

#include "platform/datetime.h"
#include "venue/ampmtime.h"

namespace {

struct DateCase {
    const char* year;
    const char* month;
    const char* day;
    int dateType;
    const char* value;
};

TEST(DMYDate, ComposesOnlyValidParts) {
    const DateCase cases[] = {
        {"", "2", "29", 1, "2004-02-29"},  // year left out of a partial date
        {"", "", "", 1, ""},
        {"N/A", "N/A", "N/A", 0, ""},
        {"", "", "5", 1, "2004-01-05"},
        {"2024", "3", "7", 0, "2024-03-07"},
        {"2024", "03", "07", 0, "2024-03-07"},
        {"2024", "13", "1", 0, ""},
        {"2024", "0", "1", 0, ""},
        {"2024", "4", "32", 0, ""},
        {"2024", "4", "31", 0, ""},  // no 31 April
        {"2023", "2", "29", 0, ""},
        {"2024", "2", "29", 0, "2024-02-29"},
        {"1899", "1", "1", 0, ""},  // before the year list
        {"24", "1", "1", 0, ""},
        {"", "1", "1", 0, ""},  // a whole date needs its year
        {"2024", "x", "1", 0, ""},
    };
    for (const auto& c : cases) {
        DMYDate d;
        d.FillYears(0, "1900-01-01", "2030-12-31");
        d.SetDateType(c.dateType);
        d.SetYear(c.year);
        d.SetMonth(c.month);
        d.SetDay(c.day);
        EXPECT_EQ(d.Value(), c.value) << c.year << "/" << c.month << "/" << c.day;
    }
}

TEST(DMYDate, WrittenValuesAndYearLists) {
    DMYDate d;
    d.FillYears(0, "1900-01-01", "2199-12-31");
    const std::pair<const char*, const char*> cases[] = {
        {"1999/12/31", "1999-12-31"}, {"2024-02-29", "2024-02-29"}, {"2024-03-07", "2024-03-07"},
        {"2200-01-01", ""},           {"1899-12-31", ""},           {"2024-3-7", ""},
    };
    for (const auto& [text, value] : cases) {
        d.SetValue(text);
        EXPECT_EQ(d.Value(), value) << text;
    }
    d.SetValue("2024-03-07");
    EXPECT_EQ(d.Month(), "3");  // parts are taken as numbers
    EXPECT_EQ(d.Day(), "7");

    EXPECT_FALSE(d.FillYears(0, "soon", "later"));
    EXPECT_TRUE(d.Years().empty());
    ASSERT_TRUE(d.FillYears(1, "-400", "400"));
    const int year = DateTime::Now().Year;
    EXPECT_EQ(d.Years().front(), DateTime::Now().AddDays(-400).Year);
    EXPECT_EQ(d.Years().back(), DateTime::Now().AddDays(400).Year);
    EXPECT_GE(d.Years().size(), 2u);
    EXPECT_LE(d.Years().front(), year);
}

TEST(AMPMTime, ReadsTwentyFourHourTimes) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"12:30", "PM", "12:30"}, {"07:15", "PM", "19:15"}, {"7:15", "PM", "19:15"},
        {"00:30", "AM", "00:30"}, {"11:59", "AM", "11:59"}, {"1:45:10", "PM", "13:45"},
        {"", "PM", ""},           {"25:00", "AM", ""},      {"7.15", "AM", ""},
    };
    for (const auto& [text, ampm, value] : cases) {
        AMPMTime t;
        t.SetText(text);
        t.SetAMPM(ampm);
        EXPECT_EQ(t.Value(), value) << text << " " << ampm;
    }
}

TEST(AMPMTime, ShowsWrittenTimesOnTheTwelveHourList) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"13:45", "1:45", "PM"},
        {"12:00", "12:00", "PM"},
        {"09:05", "09:05", "AM"},
        {"00:30", "00:30", "AM"},
        {"23:59:30", "11:59:30", "PM"},
        {"18/30", "6:30", "PM"},
        {"24:00", "", ""},
        {"9:05", "", ""},
        {"12:60", "", ""},
    };
    for (const auto& [written, text, ampm] : cases) {
        AMPMTime t;
        t.SetText("old");
        t.SetAMPM("AM");
        t.SetValue(written);
        EXPECT_EQ(t.Text(), text) << written;
        EXPECT_EQ(t.AMPM(), ampm) << written;
        if (*text != '\0') {
            EXPECT_EQ(t.Value(),
                      std::string(written).substr(0, 2) + ":" + std::string(written).substr(3, 2));
        }
    }
}

TEST(AMPMTime, FillsTimesEveryQuarterHour) {
    AMPMTime t;
    ASSERT_EQ(t.FillTimes("hh:nn am/pm"), 52);
    EXPECT_EQ(t.Times().front(), "00:00");
    EXPECT_EQ(t.Times()[1], "00:15");
    EXPECT_EQ(t.Times().back(), "12:45");
    ASSERT_EQ(t.FillTimes("H:N AM/PM", "23:00", "01:00"), 9);  // past midnight
    EXPECT_EQ(t.DisplayFormat(), "H:N");
    EXPECT_EQ(t.Times()[4], "0:0");
    EXPECT_EQ(t.Times().back(), "1:0");
    EXPECT_EQ(t.FillTimes("hh:nn:ss am/pm", "10:00", "10:30"), 3);
    EXPECT_EQ(t.Times().back(), "10:30:00");
    EXPECT_EQ(t.FillTimes("hh:nn am/pm", "noon", "12:59"), 0);
}

}  // namespace
