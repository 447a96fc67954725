#pragma once
// An exact DECIMAL value as SQL Server computes it: up to 38 digits, a scale
// (digits after the point) that is kept, so 1.010 stays three places, and
// rounding half away from zero. SQLite stores such values as the nearest
// double; the digits come back from that double's shortest text, so amounts
// of up to 15 significant digits survive storage and add up exactly.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class SqlDecimal {
  public:
    static constexpr int kMaxPrecision = 38;

    SqlDecimal() = default;
    static SqlDecimal FromInt(int64_t value);
    // "[+|-]digits[.digits][e|E[+|-]digits]" with blanks around; the scale is
    // the digits written after the point (less a positive exponent). nullopt
    // for other text and for more than 38 digits.
    static std::optional<SqlDecimal> Parse(std::string_view text);
    // The shortest text that reads back as `value`; nullopt for infinities,
    // NaN and magnitudes beyond 38 digits.
    static std::optional<SqlDecimal> FromDouble(double value);

    double ToDouble() const;
    // Plain notation with exactly Scale() digits after the point: "1.010".
    std::string ToString() const;
    int Scale() const { return scale_; }
    // Digits of the magnitude, at least Scale() + 1 (0.25 has precision 3).
    int Precision() const;
    bool IsZero() const { return magnitude_ == 0; }
    bool IsNegative() const { return negative_; }

    // The value with `scale` digits after the point, rounded half away from
    // zero (or cut towards zero); nullopt when it would pass 38 digits.
    std::optional<SqlDecimal> WithScale(int scale, bool truncate = false) const;
    // Rounded (or cut) at `places` digits after the point, negative places
    // left of it, keeping the scale: 1.005 at 2 places is 1.010.
    std::optional<SqlDecimal> RoundAt(int places, bool truncate = false) const;
    // Exact sum, difference and product; nullopt past 38 digits.
    static std::optional<SqlDecimal> Add(const SqlDecimal& a, const SqlDecimal& b);
    static std::optional<SqlDecimal> Subtract(const SqlDecimal& a, const SqlDecimal& b);
    static std::optional<SqlDecimal> Multiply(const SqlDecimal& a, const SqlDecimal& b);
    // a / b cut to `scale` places (fewer when 38 digits would not hold the
    // quotient); nullopt for a zero divisor or an overflow.
    static std::optional<SqlDecimal> Divide(const SqlDecimal& a, const SqlDecimal& b, int scale);
    // a % b with the sign of a, as SQL Server's modulo; nullopt for a zero divisor.
    static std::optional<SqlDecimal> Modulo(const SqlDecimal& a, const SqlDecimal& b);

    // Whether the value fits DECIMAL(precision, scale) after rounding to scale.
    bool FitsPrecision(int precision, int scale) const;

  private:
    __extension__ typedef unsigned __int128 Magnitude;
    Magnitude magnitude_ = 0;
    int scale_ = 0;
    bool negative_ = false;

    static std::optional<SqlDecimal> Make(Magnitude m, int scale, bool negative);
    static bool Align(const SqlDecimal& a, const SqlDecimal& b, Magnitude& ma, Magnitude& mb,
                      int& scale);
};

// SQL Server's DECIMAL result types: precision and scale of a + b (and -),
// a * b and a / b from the operands' precision and scale, held to 38 digits.
struct DecimalShape {
    int precision = 18;
    int scale = 0;
};
DecimalShape DecimalSum(DecimalShape a, DecimalShape b);
DecimalShape DecimalProduct(DecimalShape a, DecimalShape b);
DecimalShape DecimalQuotient(DecimalShape a, DecimalShape b);
