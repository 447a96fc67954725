#include "venue/tablecolor.h"

#include <cstdio>
#include <cstdlib>

#include "venue/colordefs.h"
#include "venue/mpoutlet.h"
#include "venue/tablestatus.h"

int32_t ElapsedMinutes(const DateTime& arrival, const DateTime& now) {
    constexpr int kDay = 24 * 60;
    const int diff = std::abs(MinuteOfDay(now) - MinuteOfDay(arrival));
    return diff <= kDay / 2 ? diff : kDay - diff;
}

int32_t TableColor(const ColorDefs& colors, const TableStatus& status, ColorMode mode,
                   const std::optional<DateTime>& arrival, const DateTime& now) {
    const bool seated = status.ReserveID() >= 1;
    if (mode == ColorMode::ByTime) {
        if (!seated) return colors.GetTableStatusColor("V");
        if (arrival) return colors.GetTimeColor(ElapsedMinutes(*arrival, now));
        return colors.GetTableStatusColor(status.GetTableStatus());
    }
    if (status.GetTableStatus() == "V" && seated && arrival) return colors.GetTableStatusColor("A");
    return colors.GetTableStatusColor(status.GetTableStatus());
}

std::string ColorHex(int32_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "#%06X", static_cast<unsigned>(value) & 0xFFFFFFu);
    return text;
}
