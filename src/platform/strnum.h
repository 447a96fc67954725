#pragma once
// Whole numbers as the decimal text that SQL statements, packets and console
// lines are built from.
#include <cstdint>
#include <string>

inline std::string Str(int64_t v) {
    return std::to_string(v);
}
