#include "reservations/resvrules.h"

#include <algorithm>
#include <cctype>

#include "platform/textutil.h"
#include "reservations/reservation.h"
#include "venue/mpoutlet.h"

namespace {

// A whole number (an optional minus sign and up to nine digits).
bool ReadWhole(const std::string& v, long& out) {
    const std::size_t start = !v.empty() && v[0] == '-' ? 1 : 0;
    if (v.size() <= start || v.size() - start > 9 ||
        !std::all_of(v.begin() + static_cast<long>(start), v.end(),
                     [](unsigned char c) { return std::isdigit(c) != 0; }))
        return false;
    out = std::stol(v);
    return true;
}

bool Blank(const std::string& v) {
    return std::all_of(v.begin(), v.end(), [](unsigned char c) { return std::isspace(c) != 0; });
}

// Whether t lies in [a, b) on the clock, wrapping past midnight when b < a.
bool OnClock(int t, int a, int b) {
    if (a == b) return false;
    return a < b ? (a <= t && t < b) : (t >= a || t < b);
}

}  // namespace

bool CheckResvCount(const std::string& field, const std::string& value, std::string& message) {
    struct Rule {
        const char* field;
        long least;
        bool mayBeEmpty;
        const char* message;
    };
    static const Rule kRules[] = {
        {"ReserveCover", 1, false, "The number of covers must be at least 1"},
        {"ArrivalCover", 1, true,
         "Arrival covers must be at least 1 (leave empty while the party has not arrived)"},
        {"DYAdult", 0, true, "The number of adults cannot be negative"},
        {"DYChildren", 0, true, "The number of children cannot be negative"},
    };
    for (const Rule& rule : kRules) {
        if (LowerAscii(field) != LowerAscii(rule.field)) continue;
        if (rule.mayBeEmpty && value.empty()) return true;
        long n = 0;
        if (!ReadWhole(value, n) || n < rule.least) {
            message = rule.message;
            return false;
        }
        return true;
    }
    return true;
}

bool TimeInMealPeriod(const MPOutlet& period, const DateTime& time) {
    if (!period.Contains(time)) return false;
    const int t = MinuteOfDay(time);
    const int pauseStart = MinuteOfDay(period.MPEndTime1());
    const int pauseEnd = MinuteOfDay(period.MPStartTime2());
    // A pause only counts when both its ends lie inside the period; a period
    // that is not split has them equal (or unset).
    const bool split = pauseStart != pauseEnd && period.Contains(period.MPEndTime1()) &&
                       period.Contains(period.MPStartTime2());
    return !(split && OnClock(t, pauseStart, pauseEnd));
}

void FillResvIndicators(Reservation& r) {
    auto is = [&r](const char* field, const char* code) {
        const Variant* v = r.Fields().Item(field);
        return v != nullptr && v->ToText() == code;
    };
    const Variant* remark = r.Fields().Item("Remark");
    std::string status;
    if (is("ReserveMode", "I")) status = "INTERNET";
    if (is("ReserveStatus", "P")) status += (status.empty() ? "" : " ") + std::string("PENDING");
    r.SetField("SYS_ResvIndicator_Status", status);
    const bool remarked = remark != nullptr && !remark->IsNull() && !Blank(remark->ToText());
    r.SetField("SYS_ResvIndicator_Remark", remarked ? "REMARK" : "");
}
