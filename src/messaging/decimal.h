#pragma once
// An exact decimal number: a magnitude below 2^96 with up to 28 digits after
// the point, the range of the platform's decimal type. JSON numbers are kept
// in this form so a count or an amount read from a service text is written
// back digit for digit, never through a binary floating-point value.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class Decimal {
  public:
    static constexpr int kMaxScale = 28;

    Decimal() = default;
    Decimal(int64_t value);
    static Decimal FromUInt64(uint64_t value);

    // "[+|-]digits[.digits][e|E[+|-]digits]"; digits may be missing on one
    // side of the point. Digits beyond 28 places after the point, or beyond
    // what the magnitude can hold, are rounded half to even. nullopt for any
    // other text and for magnitudes of 2^96 or more.
    static std::optional<Decimal> Parse(std::string_view text);

    // Plain notation with "." whatever the locale, no exponent and no
    // trailing fractional zeros: "2500", "-0.25", "0".
    std::string ToString() const;
    double ToDouble() const;
    // Rounded half away from zero; 0 and *ok false when out of range.
    int64_t ToInt64(bool* ok = nullptr) const;

    bool IsZero() const { return lo_ == 0 && hi_ == 0; }
    bool IsNegative() const { return negative_; }
    int Scale() const { return scale_; }

    // Values are kept normalised (no trailing fractional zeros, no negative
    // zero), so equal numbers have equal members.
    bool operator==(const Decimal&) const = default;

  private:
    uint64_t lo_ = 0;  // magnitude, low 64 bits
    uint32_t hi_ = 0;  // magnitude, high 32 bits
    uint8_t scale_ = 0;
    bool negative_ = false;
};
