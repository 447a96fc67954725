#include "venue/dmydate.h"

#include <cstdio>
#include <optional>

#include "platform/datetime.h"
#include "venue/textpattern.h"

namespace {

bool Blank(const std::string& s) {
    return s.empty() || s == DMYDate::kNoDate;
}

bool DayValid(const std::string& d) {
    if (!MatchesPattern(d, "[0-3][0-9]") && !MatchesPattern(d, "[1-9]")) return false;
    const int v = std::stoi(d);
    return v >= 1 && v <= 31;
}

bool MonthValid(const std::string& m) {
    if (!MatchesPattern(m, "[0-1][0-9]") && !MatchesPattern(m, "[1-9]")) return false;
    const int v = std::stoi(m);
    return v >= 1 && v <= 12;
}

// Days from today, or nullopt when the text is not a whole number.
std::optional<int> DayOffset(const std::string& s) {
    try {
        std::size_t used = 0;
        const int v = std::stoi(s, &used);
        if (used == s.size()) return v;
    } catch (...) {
    }
    return std::nullopt;
}

}  // namespace

bool DMYDate::YearValid(const std::string& y) const {
    if (!MatchesPattern(y, "[1-2][0-9][0-9][0-9]") || years_.size() < 2) return false;
    const int v = std::stoi(y);
    return v >= years_.front() && v <= years_.back();
}

std::string DMYDate::Value() const {
    if (Blank(year_) && Blank(month_) && Blank(day_)) return "";
    const bool partial = AllowsPartial();
    const std::string y = partial && Blank(year_) ? "2004" : year_;
    const std::string m = partial && Blank(month_) ? "01" : month_;
    const std::string d = partial && Blank(day_) ? "01" : day_;
    const bool yearOK = (partial && Blank(year_)) || YearValid(y);
    if (!yearOK || !MonthValid(m) || !DayValid(d)) return "";
    const int year = std::stoi(y), month = std::stoi(m), day = std::stoi(d);
    // 31 April would compose a date that no column can hold.
    if (day > DaysInMonth(year, month)) return "";
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", year, month, day);
    return buf;
}

void DMYDate::SetValue(const std::string& text) {
    year_.clear();
    month_.clear();
    day_.clear();
    if (!MatchesPattern(text, "[2][0-1][0-9][0-9][/-][0-9][0-9][/-][0-9][0-9]") &&
        !MatchesPattern(text, "[1][9][0-9][0-9][/-][0-9][0-9][/-][0-9][0-9]")) {
        return;
    }
    // Either separator splits the parts: "1999/12/31" is as good as "1999-12-31".
    year_ = text.substr(0, 4);
    month_ = std::to_string(std::stoi(text.substr(5, 2)));
    day_ = std::to_string(std::stoi(text.substr(8, 2)));
}

bool DMYDate::FillYears(int mode, const std::string& from, const std::string& to) {
    years_.clear();
    int first = 0, last = 0;
    if (mode == 0) {
        const auto a = DateTime::Parse(from), b = DateTime::Parse(to);
        if (!a || !b) return false;
        first = a->Year;
        last = b->Year;
    } else {
        const auto a = DayOffset(from), b = DayOffset(to);
        if (!a || !b) return false;
        const DateTime today = DateTime::Now().DatePart();
        first = today.AddDays(*a).Year;
        last = today.AddDays(*b).Year;
    }
    for (int y = first; y <= last; ++y)
        years_.push_back(y);
    return true;
}
