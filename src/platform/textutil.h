#pragma once
// Small text helpers for keywords, codes and settings. Case changes touch
// ASCII letters only, so UTF-8 names pass through intact.
#include <string>
#include <string_view>

std::string UpperAscii(std::string s);
std::string LowerAscii(std::string s);
// Equal but for the case of ASCII letters.
bool EqualsNoCase(std::string_view a, std::string_view b);

// Line ends, tabs and spaces: what most callers strip.
inline constexpr std::string_view kBlanks = " \t\r\n";
// Everything isspace() counts in the C locale.
inline constexpr std::string_view kSpaceChars = " \t\n\v\f\r";

// `s` without the leading and/or trailing characters found in `blanks`.
std::string Trim(std::string_view s, std::string_view blanks = kBlanks);
std::string TrimLeft(std::string_view s, std::string_view blanks = kBlanks);
std::string TrimRight(std::string_view s, std::string_view blanks = kBlanks);
