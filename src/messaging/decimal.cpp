#include "messaging/decimal.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace {

__extension__ typedef unsigned __int128 Uint128;

constexpr Uint128 kMagnitudeLimit = Uint128(1) << 96;
constexpr int kMaxDigits = 29;  // 2^96 has 29 decimal digits

Uint128 Pow10(int n) {
    Uint128 p = 1;
    for (int i = 0; i < n; ++i)
        p *= 10;
    return p;
}

Uint128 DigitsValue(std::string_view digits) {
    Uint128 v = 0;
    for (char c : digits)
        v = v * 10 + static_cast<unsigned>(c - '0');
    return v;
}

// The leading digits of `digits` without its last `drop` digits, rounded half
// to even on what was dropped. `drop` may exceed the number of digits.
Uint128 RoundedPrefix(std::string_view digits, std::size_t drop) {
    if (drop == 0) return DigitsValue(digits);
    if (drop > digits.size()) return 0;  // below half a unit of the kept place
    std::size_t keep = digits.size() - drop;
    Uint128 kept = DigitsValue(digits.substr(0, keep));
    char roundDigit = digits[keep];
    bool sticky = digits.find_first_not_of('0', keep + 1) != std::string_view::npos;
    bool up = roundDigit > '5' || (roundDigit == '5' && (sticky || (kept & 1) != 0));
    return up ? kept + 1 : kept;
}

}  // namespace

Decimal::Decimal(int64_t value) : negative_(value < 0) {
    // Negating through unsigned arithmetic keeps INT64_MIN defined.
    lo_ = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
}

Decimal Decimal::FromUInt64(uint64_t value) {
    Decimal d;
    d.lo_ = value;
    return d;
}

std::optional<Decimal> Decimal::Parse(std::string_view text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';

    std::string digits;  // significant digits, leading zeros dropped
    int64_t fractionDigits = 0;
    bool anyDigit = false, point = false;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c >= '0' && c <= '9') {
            anyDigit = true;
            if (point) ++fractionDigits;
            if (!digits.empty() || c != '0') digits += c;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (!anyDigit) return std::nullopt;

    int64_t exponent = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool expNegative = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) expNegative = text[i++] == '-';
        bool expDigit = false;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
            expDigit = true;
            // Saturate: anything this large is out of range or rounds to zero.
            if (exponent < 1'000'000'000) exponent = exponent * 10 + (text[i] - '0');
        }
        if (!expDigit) return std::nullopt;
        if (expNegative) exponent = -exponent;
    }
    if (i != text.size()) return std::nullopt;

    // value = digits * 10^power
    int64_t power = exponent - fractionDigits;
    while (!digits.empty() && digits.back() == '0') {
        digits.pop_back();
        ++power;
    }
    Decimal d;
    if (digits.empty()) return d;

    Uint128 magnitude = 0;
    int scale = 0;
    if (power >= 0) {
        if (static_cast<int64_t>(digits.size()) + power > kMaxDigits) return std::nullopt;
        magnitude = DigitsValue(digits) * Pow10(static_cast<int>(power));
        if (magnitude >= kMagnitudeLimit) return std::nullopt;
    } else {
        const int64_t fraction = -power;
        const int64_t length = static_cast<int64_t>(digits.size());
        int64_t drop = std::max({int64_t{0}, fraction - kMaxScale, length - kMaxDigits});
        for (;; ++drop) {
            if (drop > fraction) return std::nullopt;  // integer digits would be lost
            magnitude = RoundedPrefix(digits, static_cast<std::size_t>(drop));
            if (magnitude < kMagnitudeLimit) break;
        }
        scale = static_cast<int>(fraction - drop);
        while (scale > 0 && magnitude % 10 == 0) {
            magnitude /= 10;
            --scale;
        }
    }
    d.lo_ = static_cast<uint64_t>(magnitude);
    d.hi_ = static_cast<uint32_t>(magnitude >> 64);
    d.scale_ = static_cast<uint8_t>(scale);
    d.negative_ = negative && magnitude != 0;
    return d;
}

std::string Decimal::ToString() const {
    Uint128 m = (Uint128(hi_) << 64) | lo_;
    std::string digits;
    do {
        digits += static_cast<char>('0' + static_cast<int>(m % 10));
        m /= 10;
    } while (m != 0);
    while (digits.size() <= scale_)
        digits += '0';  // at least "0." before the fraction
    std::reverse(digits.begin(), digits.end());
    if (scale_ > 0) digits.insert(digits.size() - scale_, 1, '.');
    return negative_ ? "-" + digits : digits;
}

double Decimal::ToDouble() const {
    // The text form holds the exact value; from_chars rounds it correctly and
    // ignores the locale.
    std::string text = ToString();
    double v = 0;
    std::from_chars(text.data(), text.data() + text.size(), v);
    return v;
}

int64_t Decimal::ToInt64(bool* ok) const {
    Uint128 m = (Uint128(hi_) << 64) | lo_;
    Uint128 unit = Pow10(scale_);
    Uint128 whole = m / unit;
    if ((m % unit) * 2 >= unit && scale_ > 0) ++whole;
    const Uint128 limit = Uint128(std::numeric_limits<int64_t>::max()) + (negative_ ? 1 : 0);
    if (whole > limit) {
        if (ok) *ok = false;
        return 0;
    }
    if (ok) *ok = true;
    uint64_t w = static_cast<uint64_t>(whole);
    return negative_ ? static_cast<int64_t>(0 - w) : static_cast<int64_t>(w);
}
