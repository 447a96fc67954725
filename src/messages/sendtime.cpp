#include "messages/sendtime.h"

#include <cstdio>

namespace {

// "hh:nn" or "hh:nn:ss" as seconds of the day.
std::optional<int> ClockSeconds(const std::string& text) {
    int h = 0, m = 0, s = 0;
    char tail = 0;
    const int n = std::sscanf(text.c_str(), "%d:%d:%d%c", &h, &m, &s, &tail);
    if (n < 2 || n > 3 || h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59)
        return std::nullopt;
    return h * 3600 + m * 60 + s;
}

std::optional<DateTime> DayAt(const DateTime& day, int64_t shiftDays, const std::string& at) {
    const auto secs = ClockSeconds(at);
    if (!secs) return std::nullopt;
    return day.DatePart().AddDays(shiftDays).AddSeconds(*secs);
}

}  // namespace

bool ComputeSendTime(const SendSchedule& s, const DateTime& resvTime, const DateTime& now,
                     std::optional<DateTime>& sendTime, std::string* error) {
    const int sign = s.beforeAfterOption == 1 ? 1 : -1;
    sendTime.reset();
    switch (s.sendOption) {
        case kSendNow:
            sendTime = now;
            return true;
        case kSendByMinutes:
            sendTime = resvTime.AddSeconds(sign * int64_t{s.sendBeforeMin} * 60);
            return true;
        case kSendByDays:
            sendTime = DayAt(resvTime, sign * s.sendBeforeDay, s.sendAt);
            break;
        case kSendBeforeDay: {
            const auto day = DateTime::Parse(s.sendDay);
            if (day && day->Valid()) sendTime = DayAt(*day, -s.sendBeforeDay, s.sendAt);
            break;
        }
        case kSendOnDemand:
            return true;
        default:
            if (error != nullptr) *error = "Unknown send option " + std::to_string(s.sendOption);
            return false;
    }
    if (!sendTime && error != nullptr)
        *error = "Invalid send day or time: " + s.sendDay + " " + s.sendAt;
    return sendTime.has_value();
}

std::optional<DateTime> ComputeExpiry(int option, int minutes, const DateTime& resvTime,
                                      const std::optional<DateTime>& sendTime) {
    if (option == kExpiryFromResv) return resvTime.AddSeconds(int64_t{minutes} * 60);
    if (option == kExpiryFromSend && sendTime) return sendTime->AddSeconds(int64_t{minutes} * 60);
    return std::nullopt;
}

SendWindow::SendWindow(int parameter) {
    if (parameter <= 0) return;
    const int start = parameter / 10000, end = parameter % 10000;
    auto minutes = [](int hhmm) { return hhmm / 100 * 60 + hhmm % 100; };
    auto valid = [](int hhmm) { return hhmm / 100 <= 24 && hhmm % 100 <= 59 && hhmm <= 2400; };
    if (!valid(start) || !valid(end) || minutes(start) == minutes(end)) return;
    restricted_ = true;
    start_ = minutes(start);
    end_ = minutes(end);
}

bool SendWindow::Allows(const DateTime& t) const {
    if (!restricted_) return true;
    const int m = t.Hour * 60 + t.Minute;
    return start_ < end_ ? (m >= start_ && m < end_) : (m >= start_ || m < end_);
}

std::string SendWindow::Text() const {
    if (!restricted_) return "";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d:%02d-%02d:%02d", start_ / 60, start_ % 60, end_ / 60,
                  end_ % 60);
    return buf;
}
