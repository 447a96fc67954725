#include "app/tableprint.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The value of a run of digits compares by length once leading zeros are gone.
int CompareNumbers(std::string_view a, std::string_view b) {
    auto strip = [](std::string_view s) {
        std::size_t i = 0;
        while (i + 1 < s.size() && s[i] == '0')
            ++i;
        return s.substr(i);
    };
    std::string_view x = strip(a), y = strip(b);
    if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
    return x.compare(y) < 0 ? -1 : x.compare(y) > 0 ? 1 : 0;
}

std::string_view Run(std::string_view s, std::size_t& pos) {
    const std::size_t start = pos;
    const bool digits = IsDigit(s[pos]);
    while (pos < s.size() && IsDigit(s[pos]) == digits)
        ++pos;
    return s.substr(start, pos - start);
}

int CompareText(std::string_view a, std::string_view b) {
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
        int x = std::tolower(static_cast<unsigned char>(a[i]));
        int y = std::tolower(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

bool Wide(uint32_t cp) {
    return (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0xA4CF && cp != 0x303F) ||
           (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) ||
           (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF00 && cp <= 0xFF60) ||
           (cp >= 0xFFE0 && cp <= 0xFFE6) || (cp >= 0x1F300 && cp <= 0x1F64F) ||
           (cp >= 0x20000 && cp <= 0x3FFFD);
}

std::vector<std::string> SplitFields(const std::string& record, std::size_t skip) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        std::size_t tab = record.find('\t', start);
        fields.push_back(record.substr(start, tab - start));
        if (tab == std::string::npos) break;
        start = tab + 1;
    }
    fields.erase(fields.begin(), fields.begin() + static_cast<long>(std::min(skip, fields.size())));
    return fields;
}

}  // namespace

int NaturalCompare(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const bool numbers = IsDigit(a[i]) && IsDigit(b[j]);
        std::string_view x = Run(a, i), y = Run(b, j);
        int c = numbers ? CompareNumbers(x, y) : CompareText(x, y);
        if (c != 0) return c;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return a.compare(b) < 0 ? -1 : a.compare(b) > 0 ? 1 : 0;  // "A02" and "a2" still differ
}

std::size_t DisplayWidth(std::string_view s) {
    std::size_t width = 0;
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : 4;
        if ((c & 0xC0) == 0x80) len = 1;  // a stray continuation byte
        uint32_t cp = len == 1 ? c : c & (0xFFu >> (len + 1));
        for (std::size_t k = 1; k < len && i + k < s.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3Fu);
        width += Wide(cp) ? 2 : 1;
        i += len;
    }
    return width;
}

std::vector<std::string> AlignTable(const TableLayout& layout,
                                    const std::vector<std::string>& header,
                                    const std::vector<std::string>& records) {
    std::vector<std::vector<std::string>> rows;
    rows.reserve(records.size());
    for (const std::string& r : records)
        rows.push_back(SplitFields(r, layout.Skipped()));
    const auto& sortBy = layout.Sorting();
    if (!sortBy.empty()) {
        std::stable_sort(rows.begin(), rows.end(), [&](const auto& x, const auto& y) {
            for (std::size_t col : sortBy) {
                std::string_view a = col < x.size() ? std::string_view(x[col]) : "";
                std::string_view b = col < y.size() ? std::string_view(y[col]) : "";
                if (int c = NaturalCompare(a, b); c != 0) return c < 0;
            }
            return false;
        });
    }
    rows.insert(rows.begin(), header);
    std::vector<std::size_t> widths;
    for (const auto& row : rows) {
        if (widths.size() < row.size()) widths.resize(row.size(), 0);
        for (std::size_t c = 0; c < row.size(); ++c)
            widths[c] = std::max(widths[c], DisplayWidth(row[c]));
    }
    std::vector<std::string> lines;
    lines.reserve(rows.size());
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (c > 0) line += "  ";
            line += row[c];
            if (c + 1 < row.size()) line.append(widths[c] - DisplayWidth(row[c]), ' ');
        }
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        lines.push_back(std::move(line));
    }
    return lines;
}
