#include "platform/datetime.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t yy = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yy + (m <= 2));
}

int64_t ClockSkewSeconds() {
    const char* v = std::getenv("CULINAROTABLE_CLOCK_SKEW_MINUTES");
    if (v == nullptr || *v == '\0') return 0;
    return std::strtoll(v, nullptr, 10) * 60;
}

// Reads exactly `n` digits at `p`; -1 when they are not all digits.
int Digits(const std::string& s, std::size_t p, std::size_t n) {
    if (p + n > s.size()) return -1;
    int v = 0;
    for (std::size_t i = 0; i < n; ++i) {
        char c = s[p + i];
        if (c < '0' || c > '9') return -1;
        v = v * 10 + (c - '0');
    }
    return v;
}

// Reads 1..max digits; advances p. -1 when none.
int SomeDigits(const std::string& s, std::size_t& p, std::size_t max) {
    int v = 0;
    std::size_t n = 0;
    while (p < s.size() && n < max && s[p] >= '0' && s[p] <= '9') {
        v = v * 10 + (s[p++] - '0');
        ++n;
    }
    return n == 0 ? -1 : v;
}

bool ParseTimeAt(const std::string& s, std::size_t p, DateTime& dt) {
    int h = SomeDigits(s, p, 2);
    if (h < 0 || p >= s.size() || s[p] != ':') return false;
    ++p;
    int mi = Digits(s, p, 2);
    if (mi < 0) return false;
    p += 2;
    int sec = 0, ms = 0;
    if (p < s.size() && s[p] == ':') {
        sec = Digits(s, p + 1, 2);
        if (sec < 0) return false;
        p += 3;
        if (p < s.size() && s[p] == '.') {
            ++p;
            std::size_t start = p;
            int frac = SomeDigits(s, p, 9);
            if (frac < 0) return false;
            std::size_t n = p - start;
            while (n < 3)
                frac *= 10, ++n;
            while (n > 3)
                frac /= 10, --n;
            ms = frac;
        }
    }
    if (p != s.size()) return false;
    dt.Hour = h;
    dt.Minute = mi;
    dt.Second = sec;
    dt.Millisecond = ms;
    return true;
}

}  // namespace

int DaysInMonth(int year, int month) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

namespace {
DateTime LocalClock(int64_t skewSeconds) {
    auto now = std::chrono::system_clock::now();
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
    std::time_t t = static_cast<std::time_t>(ms / 1000 + skewSeconds);
    std::tm tm{};
    localtime_r(&t, &tm);
    return DateTime{
        tm.tm_year + 1900,          tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
        static_cast<int>(ms % 1000)};
}
}  // namespace

DateTime DateTime::Now() {
    return LocalClock(ClockSkewSeconds());
}

DateTime DateTime::SystemNow() {
    return LocalClock(0);
}

DateTime DateTime::FromDays(int64_t days) {
    DateTime d;
    CivilFromDays(days, d.Year, d.Month, d.Day);
    return d;
}

DateTime DateTime::FromSeconds(int64_t seconds, int millisecond) {
    int64_t days = seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
    int64_t rest = seconds - days * 86400;
    DateTime d = FromDays(days);
    d.Hour = static_cast<int>(rest / 3600);
    d.Minute = static_cast<int>(rest % 3600 / 60);
    d.Second = static_cast<int>(rest % 60);
    d.Millisecond = millisecond;
    return d;
}

std::optional<DateTime> DateTime::Parse(const std::string& text) {
    const std::string& s = text;
    DateTime dt;
    if (s.size() >= 3 && (s[1] == ':' || s[2] == ':')) {
        if (!ParseTimeAt(s, 0, dt) || !dt.Valid()) return std::nullopt;
        return dt;
    }
    std::size_t p = 0;
    int y = SomeDigits(s, p, 4);
    if (y < 0 || p != 4 || p >= s.size() || (s[p] != '-' && s[p] != '/')) return std::nullopt;
    char sep = s[p++];
    int m = SomeDigits(s, p, 2);
    if (m < 0 || p >= s.size() || s[p] != sep) return std::nullopt;
    ++p;
    int d = SomeDigits(s, p, 2);
    if (d < 0) return std::nullopt;
    dt.Year = y;
    dt.Month = m;
    dt.Day = d;
    if (p < s.size()) {
        if (s[p] != ' ' && s[p] != 'T') return std::nullopt;
        if (!ParseTimeAt(s, p + 1, dt)) return std::nullopt;
    }
    if (!dt.Valid()) return std::nullopt;
    return dt;
}

bool DateTime::Valid() const {
    return Year >= 1 && Year <= 9999 && Month >= 1 && Month <= 12 && Day >= 1 &&
           Day <= DaysInMonth(Year, Month) && Hour >= 0 && Hour < 24 && Minute >= 0 &&
           Minute < 60 && Second >= 0 && Second < 60 && Millisecond >= 0 && Millisecond < 1000;
}

int64_t DateTime::DaysSinceEpoch() const {
    return DaysFromCivil(Year, static_cast<unsigned>(Month), static_cast<unsigned>(Day));
}

int64_t DateTime::SecondsSinceEpoch() const {
    return DaysSinceEpoch() * 86400 + Hour * 3600 + Minute * 60 + Second;
}

int DateTime::DayOfWeek() const {
    int64_t d = DaysSinceEpoch();  // 1970-01-01 was a Thursday (5)
    int64_t w = ((d % 7) + 7 + 4) % 7;
    return static_cast<int>(w) + 1;
}

DateTime DateTime::AddDays(int64_t n) const {
    DateTime r = FromDays(DaysSinceEpoch() + n);
    r.Hour = Hour;
    r.Minute = Minute;
    r.Second = Second;
    r.Millisecond = Millisecond;
    return r;
}

DateTime DateTime::AddSeconds(int64_t n) const {
    return FromSeconds(SecondsSinceEpoch() + n, Millisecond);
}

DateTime DateTime::AddMonths(int n) const {
    int64_t idx = static_cast<int64_t>(Year) * 12 + (Month - 1) + n;
    DateTime r = *this;
    r.Year = static_cast<int>(idx >= 0 ? idx / 12 : (idx - 11) / 12);
    r.Month = static_cast<int>(idx - static_cast<int64_t>(r.Year) * 12) + 1;
    int last = DaysInMonth(r.Year, r.Month);
    if (r.Day > last) r.Day = last;
    return r;
}

std::string DateTime::ToText(bool withMs) const {
    char buf[40];
    if (withMs) {
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", Year, Month, Day, Hour,
                      Minute, Second, Millisecond);
    } else {
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", Year, Month, Day, Hour,
                      Minute, Second);
    }
    return buf;
}

std::string DateTime::DateText() const {
    return ToText().substr(0, 10);
}

std::string DateTime::TimeText() const {
    return ToText().substr(11, 8);
}

std::string DateTime::Format(const std::string& pattern) const {
    auto pad = [](int v, int w) {
        std::string s = std::to_string(v);
        while (static_cast<int>(s.size()) < w)
            s.insert(s.begin(), '0');
        return s;
    };
    static const char* kDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                  "Thursday", "Friday", "Saturday"};
    std::string out;
    bool afterHour = false;
    // With an AM/PM marker the hours run 1..12.
    bool twelve =
        pattern.find("am/pm") != std::string::npos || pattern.find("AM/PM") != std::string::npos;
    int hour = twelve ? (Hour % 12 == 0 ? 12 : Hour % 12) : Hour;
    std::size_t i = 0;
    auto starts = [&](const char* tok) { return pattern.compare(i, std::strlen(tok), tok) == 0; };
    while (i < pattern.size()) {
        if (starts("am/pm")) {
            out += Hour < 12 ? "am" : "pm", i += 5;
        } else if (starts("AM/PM")) {
            out += Hour < 12 ? "AM" : "PM", i += 5;
        } else if (starts("dddd")) {
            out += kDays[DayOfWeek() - 1], i += 4;
        } else if (starts("ddd")) {
            out += std::string(kDays[DayOfWeek() - 1]).substr(0, 3), i += 3;
        } else if (starts("yyyy")) {
            out += pad(Year, 4), i += 4;
        } else if (starts("yy")) {
            out += pad(Year % 100, 2), i += 2;
        } else if (starts("mm") || starts("MM")) {
            out += afterHour ? pad(Minute, 2) : pad(Month, 2), i += 2;
        } else if (starts("nn")) {
            out += pad(Minute, 2), i += 2;
        } else if (starts("dd")) {
            out += pad(Day, 2), i += 2;
        } else if (starts("hh") || starts("HH")) {
            out += pad(hour, 2), i += 2, afterHour = true;
        } else if (starts("ss")) {
            out += pad(Second, 2), i += 2;
        } else if (pattern[i] == 'm' || pattern[i] == 'M') {
            out += afterHour ? std::to_string(Minute) : std::to_string(Month), ++i;
        } else if (pattern[i] == 'd') {
            out += std::to_string(Day), ++i;
        } else if (pattern[i] == 'h' || pattern[i] == 'H') {
            out += std::to_string(hour), ++i, afterHour = true;
        } else if (pattern[i] == 'n') {
            out += std::to_string(Minute), ++i;
        } else if (pattern[i] == 's') {
            out += std::to_string(Second), ++i;
        } else {
            out += pattern[i++];
        }
    }
    return out;
}
