#include "sql/variant.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "platform/textutil.h"
#include "sql/numbertext.h"

namespace {

std::string DoubleText(double v) {
    if (std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 1e15) {
        return std::to_string(static_cast<int64_t>(v));
    }
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

}  // namespace

Variant Variant::Currency(double v) {
    Variant r(std::round(v * 10000.0) / 10000.0);
    r.currency_ = true;
    return r;
}

VarType Variant::Type() const {
    switch (value_.index()) {
        case 0:
            return VarType::Null;
        case 1:
            return VarType::Boolean;
        case 2:
            return VarType::Integer;
        case 3:
            return currency_ ? VarType::Currency : VarType::Double;
        case 4:
            return VarType::Text;
        case 5:
            return VarType::Date;
        default:
            return VarType::Binary;
    }
}

bool Variant::IsNumeric() const {
    switch (Type()) {
        case VarType::Boolean:
        case VarType::Integer:
        case VarType::Double:
        case VarType::Currency:
            return true;
        case VarType::Text: {
            double d = 0;
            return ParseTrimmedNumber(std::get<std::string>(value_), d);
        }
        default:
            return false;
    }
}

std::string Variant::ToText() const {
    switch (Type()) {
        case VarType::Null:
            return {};
        case VarType::Boolean:
            return std::get<bool>(value_) ? "True" : "False";
        case VarType::Integer:
            return std::to_string(std::get<int64_t>(value_));
        case VarType::Double:
        case VarType::Currency:
            return DoubleText(std::get<double>(value_));
        case VarType::Text:
            return std::get<std::string>(value_);
        case VarType::Date: {
            const DateTime& d = std::get<DateTime>(value_);
            return d.ToText(d.Millisecond != 0);
        }
        case VarType::Binary: {
            const Bytes& b = std::get<Bytes>(value_);
            return std::string(b.begin(), b.end());
        }
    }
    return {};
}

double Variant::ToDouble(bool* ok) const {
    if (ok != nullptr) *ok = true;
    switch (Type()) {
        case VarType::Boolean:
            return std::get<bool>(value_) ? -1.0 : 0.0;  // VB's True is -1
        case VarType::Integer:
            return static_cast<double>(std::get<int64_t>(value_));
        case VarType::Double:
        case VarType::Currency:
            return std::get<double>(value_);
        case VarType::Text: {
            double d = 0;
            if (ParseTrimmedNumber(std::get<std::string>(value_), d)) return d;
            break;
        }
        default:
            break;
    }
    if (ok != nullptr) *ok = false;
    return 0;
}

int64_t Variant::ToInt64(bool* ok) const {
    if (Type() == VarType::Integer) {
        if (ok != nullptr) *ok = true;
        return std::get<int64_t>(value_);
    }
    bool good = false;
    double d = ToDouble(&good);
    if (ok != nullptr) *ok = good;
    if (!good || !std::isfinite(d)) return 0;
    if (d >= 9.2e18 || d <= -9.2e18) return 0;
    return static_cast<int64_t>(std::llround(d));
}

int32_t Variant::ToInt32(bool* ok) const {
    bool good = false;
    int64_t v = ToInt64(&good);
    if (v > std::numeric_limits<int32_t>::max() || v < std::numeric_limits<int32_t>::min()) {
        good = false;
        v = 0;
    }
    if (ok != nullptr) *ok = good;
    return static_cast<int32_t>(v);
}

bool Variant::ToBool() const {
    switch (Type()) {
        case VarType::Boolean:
            return std::get<bool>(value_);
        case VarType::Text: {
            const std::string t = LowerAscii(std::get<std::string>(value_));
            if (t == "true") return true;
            double d = 0;
            return ParseTrimmedNumber(t, d) && d != 0;
        }
        default:
            return ToDouble() != 0;
    }
}

std::optional<DateTime> Variant::ToDateTime() const {
    if (Type() == VarType::Date) return std::get<DateTime>(value_);
    if (Type() == VarType::Text) return DateTime::Parse(std::get<std::string>(value_));
    return std::nullopt;
}

Bytes Variant::ToBytes() const {
    if (Type() == VarType::Binary) return std::get<Bytes>(value_);
    std::string t = ToText();
    return Bytes(t.begin(), t.end());
}
