#pragma once
// Whole-text matching against the small patterns the entry rules are written
// in: literal characters and bracket classes such as "[0-3]" or "[/-]".
#include <string>

// True when `text` matches `pattern` character by character, as a whole.
inline bool MatchesPattern(const std::string& text, const std::string& pattern) {
    std::size_t t = 0;
    for (std::size_t p = 0; p < pattern.size(); ++p, ++t) {
        if (t >= text.size()) return false;
        const char c = text[t];
        if (pattern[p] != '[') {
            if (pattern[p] != c) return false;
            continue;
        }
        const std::size_t close = pattern.find(']', p + 1);
        if (close == std::string::npos) return false;
        bool hit = false;
        for (std::size_t k = p + 1; k < close; ++k) {
            if (k + 2 < close && pattern[k + 1] == '-') {
                hit = hit || (c >= pattern[k] && c <= pattern[k + 2]);
                k += 2;
            } else {
                hit = hit || c == pattern[k];
            }
        }
        if (!hit) return false;
        p = close;
    }
    return t == text.size();
}
