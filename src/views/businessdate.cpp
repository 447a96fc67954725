#include "views/businessdate.h"

#include "venue/mpoutlets.h"

DateTime BusinessDate(const MPOutlets& periods, const DateTime& now) {
    const int minute = MinuteOfDay(now);
    for (const auto& [id, p] : periods.Items()) {
        const int start = MinuteOfDay(p.MPStartTime());
        const bool pastMidnight = MinuteOfDay(p.MPEndTime()) < start;
        if (pastMidnight && minute < start && p.Contains(now)) return now.DatePart().AddDays(-1);
    }
    return now.DatePart();
}
