#pragma once
// The colour a floor plan paints a table in: by its state, or by the time
// its party has been seated.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/datetime.h"

class ColorDefs;
class TableStatus;

enum class ColorMode { ByState = 0, ByTime = 1 };

// Minutes between an arrival and now, both taken as times of day cut to
// hh:nn. The clock face has two ways round; the shorter one is the time
// seated, so an arrival at 23:50 seen at 00:10 is 20 minutes, not 1420.
int32_t ElapsedMinutes(const DateTime& arrival, const DateTime& now);

// By state: the state's colour, except that a vacant table whose seated
// reservation has arrived paints as "A". By time: vacant colour without a
// seated reservation, else the colour of the minutes since arrival (the
// state's colour while the arrival is unknown).
int32_t TableColor(const ColorDefs& colors, const TableStatus& status, ColorMode mode,
                   const std::optional<DateTime>& arrival, const DateTime& now);

// "#RRGGBB" of a 24-bit colour value.
std::string ColorHex(int32_t value);
