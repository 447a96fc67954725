#include "platform/textutil.h"

namespace {

char UpperChar(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
char LowerChar(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::string UpperAscii(std::string s) {
    for (char& c : s)
        c = UpperChar(c);
    return s;
}

std::string LowerAscii(std::string s) {
    for (char& c : s)
        c = LowerChar(c);
    return s;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerChar(a[i]) != LowerChar(b[i])) return false;
    }
    return true;
}

std::string Trim(std::string_view s, std::string_view blanks) {
    const std::size_t b = s.find_first_not_of(blanks);
    if (b == std::string_view::npos) return {};
    return std::string(s.substr(b, s.find_last_not_of(blanks) - b + 1));
}

std::string TrimLeft(std::string_view s, std::string_view blanks) {
    const std::size_t b = s.find_first_not_of(blanks);
    return b == std::string_view::npos ? std::string() : std::string(s.substr(b));
}

std::string TrimRight(std::string_view s, std::string_view blanks) {
    const std::size_t e = s.find_last_not_of(blanks);
    return e == std::string_view::npos ? std::string() : std::string(s.substr(0, e + 1));
}
