#pragma once
// Reading a number written as text the way SQL Server converts text to a
// number: blanks and tabs around it and one leading '+' are allowed,
// anything else makes the whole text no number.
#include <charconv>
#include <string>
#include <system_error>

// False (`out` unspecified) unless the trimmed text is exactly one number of
// type T (an integer type or double).
template <typename T>
bool ParseTrimmedNumber(const std::string& text, T& out) {
    const std::size_t b = text.find_first_not_of(" \t");
    const std::size_t e = text.find_last_not_of(" \t");
    if (b == std::string::npos) return false;
    const char* first = text.data() + b;
    const char* last = text.data() + e + 1;
    if (*first == '+') ++first;
    const auto r = std::from_chars(first, last, out);
    return r.ec == std::errc() && r.ptr == last;
}
