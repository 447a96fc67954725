#pragma once
// A calendar date and time of day without time zone (the local clock, as the
// workstation and the database server both use it), with the arithmetic the
// program needs: whole days, months and seconds.
#include <cstdint>
#include <optional>
#include <string>

struct DateTime {
    int Year = 1900;
    int Month = 1;
    int Day = 1;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int Millisecond = 0;

    // The local clock, shifted by CULINAROTABLE_CLOCK_SKEW_MINUTES when set
    // (lets one host play a workstation whose clock is off).
    static DateTime Now();
    // The host's clock without that shift: the database engine's GetDate(),
    // which stands for the server's clock.
    static DateTime SystemNow();
    static DateTime FromDays(int64_t days);  // days since 1970-01-01
    static DateTime FromSeconds(int64_t seconds, int millisecond = 0);
    static DateTime Date(int y, int m, int d) { return DateTime{y, m, d, 0, 0, 0, 0}; }

    // Parses "YYYY-MM-DD", "YYYY-MM-DD HH:MM[:SS[.mmm]]", "YYYY-MM-DDTHH:MM:SS",
    // "HH:MM[:SS[.mmm]]" (on 1900-01-01) and "YYYY/M/D"; nullopt otherwise or
    // when a part is out of range.
    static std::optional<DateTime> Parse(const std::string& text);

    bool Valid() const;
    int64_t DaysSinceEpoch() const;     // 1970-01-01 is day 0
    int64_t SecondsSinceEpoch() const;  // ignores milliseconds
    int DayOfWeek() const;              // 1 = Sunday .. 7 = Saturday
    DateTime DatePart() const { return DateTime{Year, Month, Day, 0, 0, 0, 0}; }

    DateTime AddDays(int64_t n) const;
    DateTime AddSeconds(int64_t n) const;
    // Moves the month, keeping the day when it exists in the target month and
    // taking the month's last day otherwise.
    DateTime AddMonths(int n) const;

    // "YYYY-MM-DD HH:MM:SS", with ".mmm" when withMs is true.
    std::string ToText(bool withMs = false) const;
    std::string DateText() const;  // "YYYY-MM-DD"
    std::string TimeText() const;  // "HH:MM:SS"

    // Formats with the tokens yyyy, yy, mm/MM (month), m/M, dddd, ddd (day
    // name), dd, d, hh, h, nn (minute), ss, am/pm (12-hour clock); everything
    // else is copied. Used for file names and
    // log stamps ("yyyymm", "yyyy-mm-dd hh:mm:ss"): in "hh:mm" the second
    // "mm" after hours means minutes.
    std::string Format(const std::string& pattern) const;

    auto operator<=>(const DateTime&) const = default;
};

int DaysInMonth(int year, int month);
