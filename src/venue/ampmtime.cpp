#include "venue/ampmtime.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>

#include "platform/textutil.h"
#include "venue/textpattern.h"

namespace {

struct Clock {
    int hour = 0, minute = 0, second = 0;
};

bool Digits(const std::string& s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
}

// "h:mm", "hh:mm" with optional ":ss"; nullopt for anything else.
std::optional<Clock> ReadClock(const std::string& text) {
    const auto colon = text.find(':');
    if (colon == std::string::npos || colon < 1 || colon > 2) return std::nullopt;
    const std::string h = text.substr(0, colon);
    std::string rest = text.substr(colon + 1);
    std::string s = "0";
    if (rest.size() == 5 && rest[2] == ':') {
        s = rest.substr(3);
        rest = rest.substr(0, 2);
    }
    if (!Digits(h) || rest.size() != 2 || !Digits(rest) || !Digits(s)) return std::nullopt;
    Clock c{std::stoi(h), std::stoi(rest), std::stoi(s)};
    if (c.hour > 23 || c.minute > 59 || c.second > 59) return std::nullopt;
    return c;
}

std::string Two(int v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

std::string Show(const std::string& format, int minuteOfDay) {
    const int h = minuteOfDay / 60, n = minuteOfDay % 60;
    if (format == "H:N") return std::to_string(h) + ":" + std::to_string(n);
    if (format == "H:N:S") return std::to_string(h) + ":" + std::to_string(n) + ":0";
    if (format == "HH:NN:SS") return Two(h) + ":" + Two(n) + ":00";
    return Two(h) + ":" + Two(n);
}

}  // namespace

std::string AMPMTime::Value() const {
    if (text_.empty()) return "";
    const auto c = ReadClock(text_);
    if (!c) return "";
    int hour = c->hour;
    if (ampm_ == "PM" && hour < 12) hour += 12;
    return Two(hour) + ":" + Two(c->minute);
}

void AMPMTime::SetValue(const std::string& text) {
    const bool valid = MatchesPattern(text, "[0-1][0-9][/:][0-5][0-9]") ||
                       MatchesPattern(text, "[2][0-3][/:][0-5][0-9]") ||
                       MatchesPattern(text, "[0-1][0-9][/:][0-5][0-9]:[0-5][0-9]") ||
                       MatchesPattern(text, "[2][0-3][/:][0-5][0-9]:[0-5][0-9]");
    if (!valid) {
        text_.clear();
        ampm_.clear();
        return;
    }
    const int hour = std::stoi(text.substr(0, 2));
    const std::string rest = text.substr(3);  // minutes (and seconds)
    if (hour == 12) {
        text_ = "12:" + rest;
        ampm_ = "PM";
    } else if (hour > 12) {
        text_ = std::to_string(hour - 12) + ":" + rest;
        ampm_ = "PM";
    } else {
        text_ = text.substr(0, 2) + ":" + rest;
        ampm_ = "AM";
    }
}

int AMPMTime::FillTimes(const std::string& format, const std::string& start,
                        const std::string& end) {
    const std::string name = LowerAscii(format);
    if (name == "hh:nn am/pm") displayFormat_ = "HH:NN";
    if (name == "h:n am/pm") displayFormat_ = "H:N";
    if (name == "h:n:s am/pm") displayFormat_ = "H:N:S";
    if (name == "hh:nn:ss am/pm") displayFormat_ = "HH:NN:SS";
    times_.clear();
    const auto from = ReadClock(start.empty() ? "00:00" : start);
    const auto to = ReadClock(end.empty() ? "12:59" : end);
    if (!from || !to) return 0;
    const int a = from->hour * 60 + from->minute;
    int b = to->hour * 60 + to->minute;
    if (b < a) b += 1440;
    // Both bounds count: 00:00 to 12:59 lists 00:00 ... 12:45.
    for (int m = a; m <= b; m += 15)
        times_.push_back(Show(displayFormat_, m % 1440));
    return static_cast<int>(times_.size());
}
