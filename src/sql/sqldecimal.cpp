#include "sql/sqldecimal.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace {

__extension__ typedef unsigned __int128 U128;

U128 Pow10(int n) {
    U128 p = 1;
    for (int i = 0; i < n; ++i)
        p *= 10;
    return p;
}

const U128 kLimit = Pow10(SqlDecimal::kMaxPrecision);  // magnitudes stay below 10^38

int DigitCount(U128 m) {
    int n = 1;
    while (m >= 10) {
        m /= 10;
        ++n;
    }
    return n;
}

// m * 10^n, false when it passes 38 digits.
bool ScaleUp(U128& m, int n) {
    for (int i = 0; i < n; ++i) {
        if (m >= kLimit / 10) {
            if (m * 10 >= kLimit) return false;
        }
        m *= 10;
    }
    return true;
}

// Integer result held to 38 digits (the reduction of SQL Server's shapes).
DecimalShape Held(int precision, int scale, int minScale) {
    if (precision > SqlDecimal::kMaxPrecision) {
        int integral = precision - scale;
        scale = std::max(std::min(scale, minScale), SqlDecimal::kMaxPrecision - integral);
        scale = std::max(scale, 0);
        precision = SqlDecimal::kMaxPrecision;
    }
    return DecimalShape{precision, scale};
}

}  // namespace

std::optional<SqlDecimal> SqlDecimal::Make(Magnitude m, int scale, bool negative) {
    if (m >= kLimit || scale < 0 || scale > kMaxPrecision) return std::nullopt;
    SqlDecimal d;
    d.magnitude_ = m;
    d.scale_ = scale;
    d.negative_ = negative && m != 0;
    return d;
}

SqlDecimal SqlDecimal::FromInt(int64_t value) {
    SqlDecimal d;
    d.negative_ = value < 0;
    d.magnitude_ = value < 0 ? U128(0 - static_cast<uint64_t>(value)) : U128(value);
    return d;
}

std::optional<SqlDecimal> SqlDecimal::Parse(std::string_view text) {
    std::size_t i = 0, n = text.size();
    while (i < n && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    while (n > i && (text[n - 1] == ' ' || text[n - 1] == '\t'))
        --n;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    U128 m = 0;
    int digits = 0, scale = 0;
    bool any = false, point = false;
    for (; i < n; ++i) {
        char c = text[i];
        if (c >= '0' && c <= '9') {
            any = true;
            if (m != 0 || c != '0') ++digits;
            if (digits > kMaxPrecision) return std::nullopt;
            m = m * 10 + static_cast<unsigned>(c - '0');
            if (point) ++scale;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (!any) return std::nullopt;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool expNegative = false;
        if (i < n && (text[i] == '+' || text[i] == '-')) expNegative = text[i++] == '-';
        int exponent = 0;
        auto r = std::from_chars(text.data() + i, text.data() + n, exponent);
        if (r.ec != std::errc() || r.ptr != text.data() + n) return std::nullopt;
        i = n;
        if (expNegative) {
            scale += exponent;
        } else if (exponent <= scale) {
            scale -= exponent;
        } else {
            if (!ScaleUp(m, exponent - scale)) return std::nullopt;
            scale = 0;
        }
    }
    if (i != n) return std::nullopt;
    if (scale > kMaxPrecision) {
        // Places past 38 are rounded away.
        int excess = scale - kMaxPrecision;
        if (excess > kMaxPrecision) return Make(0, kMaxPrecision, false);
        U128 drop = Pow10(excess);
        U128 q = m / drop, r = m % drop;
        if (r * 2 >= drop) ++q;
        return Make(q, kMaxPrecision, negative);
    }
    return Make(m, scale, negative);
}

std::optional<SqlDecimal> SqlDecimal::FromDouble(double value) {
    if (!std::isfinite(value)) return std::nullopt;
    // Amounts with up to four places: the fewest places k for which some
    // whole m makes m / 10^k read back as the value. Below 1e11 the doubles
    // lie closer than 10^-4, so that m is the shortest text's digits.
    static const double kPow[] = {1, 10, 100, 1000, 10000};
    if (std::fabs(value) < 1e11) {
        for (int k = 0; k < 5; ++k) {
            double r = std::nearbyint(value * kPow[k]);
            if (r / kPow[k] == value) {
                SqlDecimal d;
                d.negative_ = r < 0;
                d.magnitude_ = static_cast<U128>(static_cast<uint64_t>(std::fabs(r)));
                d.scale_ = k;
                d.negative_ = d.negative_ && d.magnitude_ != 0;
                return d;
            }
        }
    }
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    return Parse(std::string_view(buf, static_cast<std::size_t>(r.ptr - buf)));
}

double SqlDecimal::ToDouble() const {
    // Both parts exact as doubles: one correctly rounded division.
    static const double kPow[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                  1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                  1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    if (magnitude_ < (U128(1) << 53) && scale_ <= 22) {
        double v = static_cast<double>(static_cast<uint64_t>(magnitude_)) / kPow[scale_];
        return negative_ ? -v : v;
    }
    std::string s = ToString();
    double d = 0;
    std::from_chars(s.data(), s.data() + s.size(), d);
    return d;
}

std::string SqlDecimal::ToString() const {
    char digits[64];  // reversed: 38 digits and the leading zeros of a fraction
    int n = 0;
    U128 m = magnitude_;
    do {
        digits[n++] = static_cast<char>('0' + static_cast<int>(m % 10));
        m /= 10;
    } while (m != 0);
    while (n <= scale_)
        digits[n++] = '0';
    std::string out;
    out.reserve(static_cast<std::size_t>(n) + 2);
    if (negative_) out.push_back('-');
    for (int i = n - 1; i >= 0; --i) {
        out.push_back(digits[i]);
        if (i == scale_ && scale_ > 0) out.push_back('.');
    }
    return out;
}

int SqlDecimal::Precision() const {
    return std::max(DigitCount(magnitude_), scale_ + 1);
}

std::optional<SqlDecimal> SqlDecimal::WithScale(int scale, bool truncate) const {
    if (scale < 0 || scale > kMaxPrecision) return std::nullopt;
    U128 m = magnitude_;
    if (scale >= scale_) {
        if (!ScaleUp(m, scale - scale_)) return std::nullopt;
        return Make(m, scale, negative_);
    }
    U128 drop = Pow10(scale_ - scale);
    U128 q = m / drop, r = m % drop;
    if (!truncate && r * 2 >= drop) ++q;  // half away from zero: the sign is apart
    return Make(q, scale, negative_);
}

std::optional<SqlDecimal> SqlDecimal::RoundAt(int places, bool truncate) const {
    if (places >= scale_) return *this;
    int drop = scale_ - places;
    if (drop > kMaxPrecision) return Make(0, scale_, false);
    U128 unit = Pow10(drop);
    U128 q = magnitude_ / unit, r = magnitude_ % unit;
    if (!truncate && r * 2 >= unit) ++q;
    U128 m = 0;
    if (__builtin_mul_overflow(q, unit, &m)) return std::nullopt;
    return Make(m, scale_, negative_);
}

bool SqlDecimal::Align(const SqlDecimal& a, const SqlDecimal& b, Magnitude& ma, Magnitude& mb,
                       int& scale) {
    scale = std::max(a.scale_, b.scale_);
    ma = a.magnitude_;
    mb = b.magnitude_;
    return ScaleUp(ma, scale - a.scale_) && ScaleUp(mb, scale - b.scale_);
}

std::optional<SqlDecimal> SqlDecimal::Add(const SqlDecimal& a, const SqlDecimal& b) {
    U128 ma = 0, mb = 0;
    int scale = 0;
    if (!Align(a, b, ma, mb, scale)) return std::nullopt;
    if (a.negative_ == b.negative_) return Make(ma + mb, scale, a.negative_);
    if (ma >= mb) return Make(ma - mb, scale, a.negative_);
    return Make(mb - ma, scale, b.negative_);
}

std::optional<SqlDecimal> SqlDecimal::Subtract(const SqlDecimal& a, const SqlDecimal& b) {
    SqlDecimal nb = b;
    nb.negative_ = !b.negative_ && b.magnitude_ != 0;
    return Add(a, nb);
}

std::optional<SqlDecimal> SqlDecimal::Multiply(const SqlDecimal& a, const SqlDecimal& b) {
    U128 m = 0;
    int scale = a.scale_ + b.scale_;
    if (__builtin_mul_overflow(a.magnitude_, b.magnitude_, &m)) return std::nullopt;
    // Places beyond 38 are rounded away, as SQL Server shortens such products.
    while (scale > kMaxPrecision || (m >= kLimit && scale > 0)) {
        U128 r = m % 10;
        m /= 10;
        if (r >= 5) ++m;
        --scale;
    }
    return Make(m, scale, a.negative_ != b.negative_);
}

std::optional<SqlDecimal> SqlDecimal::Divide(const SqlDecimal& a, const SqlDecimal& b, int scale) {
    if (b.magnitude_ == 0) return std::nullopt;
    scale = std::clamp(scale, 0, kMaxPrecision);
    // a / b to `scale` places is (ma * 10^(scale + sb - sa)) / mb.
    for (; scale >= 0; --scale) {
        U128 num = a.magnitude_, den = b.magnitude_;
        int shift = scale + b.scale_ - a.scale_;
        bool ok = shift >= 0 ? ScaleUp(num, shift) : ScaleUp(den, -shift);
        if (!ok) continue;
        U128 q = num / den;
        if (q >= kLimit) return std::nullopt;
        return Make(q, scale, a.negative_ != b.negative_);
    }
    return std::nullopt;
}

std::optional<SqlDecimal> SqlDecimal::Modulo(const SqlDecimal& a, const SqlDecimal& b) {
    U128 ma = 0, mb = 0;
    int scale = 0;
    if (b.magnitude_ == 0 || !Align(a, b, ma, mb, scale)) return std::nullopt;
    return Make(ma % mb, scale, a.negative_);
}

bool SqlDecimal::FitsPrecision(int precision, int scale) const {
    auto r = WithScale(scale);
    return r && precision >= 1 && precision <= kMaxPrecision && r->magnitude_ < Pow10(precision);
}

DecimalShape DecimalSum(DecimalShape a, DecimalShape b) {
    int scale = std::max(a.scale, b.scale);
    int precision = std::max(a.precision - a.scale, b.precision - b.scale) + scale + 1;
    return Held(precision, scale, scale);
}

DecimalShape DecimalProduct(DecimalShape a, DecimalShape b) {
    return Held(a.precision + b.precision + 1, a.scale + b.scale, 6);
}

DecimalShape DecimalQuotient(DecimalShape a, DecimalShape b) {
    int scale = std::max(6, a.scale + b.precision + 1);
    return Held(a.precision - a.scale + b.scale + scale, scale, 6);
}
