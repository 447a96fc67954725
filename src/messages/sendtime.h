#pragma once
// When a scheduled guest message goes out (its send option), when it stops
// being worth sending (its expiry), and the hours of the day in which SMS
// may be sent at all (system parameter SMSValidSendTime).
#include <optional>
#include <string>

#include "platform/datetime.h"

// Send options of a message configuration.
enum SendOption : int {
    kSendNow = 0,        // at once
    kSendByMinutes = 1,  // reservation time -/+ SendBeforeMin minutes
    kSendByDays = 2,     // reservation date -/+ SendBeforeDay days, at SendAt
    kSendBeforeDay = 3,  // SendDay - SendBeforeDay days, at SendAt
    kSendOnDemand = 4,   // no send time: sent when someone asks
};

// The scheduling fields of a message (and of its configuration row).
struct SendSchedule {
    int sendOption = kSendNow;
    int sendBeforeMin = 0;
    int beforeAfterOption = 0;  // 0 before, 1 after
    int sendBeforeDay = 0;
    std::string sendDay;  // "yyyy-mm-dd" (option 3)
    std::string sendAt;   // "hh:nn" (options 2 and 3)
};

// The send time of `s` for a reservation at `resvTime` when it is made at
// `now`. Nothing for an on-demand message; false (with `error`) for an
// unknown option or a date or time that does not read.
bool ComputeSendTime(const SendSchedule& s, const DateTime& resvTime, const DateTime& now,
                     std::optional<DateTime>& sendTime, std::string* error = nullptr);

// Expiry options: 0 none; 1 the reservation time plus `minutes` (negative:
// before it); 2 the send time plus `minutes`.
enum ExpiryOption : int { kExpiryNone = 0, kExpiryFromResv = 1, kExpiryFromSend = 2 };
std::optional<DateTime> ComputeExpiry(int option, int minutes, const DateTime& resvTime,
                                      const std::optional<DateTime>& sendTime);

// The hours of the day in which an SMS may be sent. SMSValidSendTime holds
// the window as two times hhmm: start * 10000 + end, so 8002200 allows
// 08:00 up to (not including) 22:00 and 22000700 runs over midnight from
// 22:00 to 07:00. 0, a negative value or a value that does not read as two
// times (hours above 24, minutes above 59, start equal to end) allows any
// hour.
class SendWindow {
  public:
    explicit SendWindow(int parameter);
    bool Restricted() const { return restricted_; }
    bool Allows(const DateTime& t) const;
    // "08:00-22:00" ("" when unrestricted).
    std::string Text() const;

  private:
    bool restricted_ = false;
    int start_ = 0, end_ = 0;  // minutes of the day
};
