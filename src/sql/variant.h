#pragma once
// A column or parameter value: null, boolean, integer, double, currency,
// text (UTF-8), date-time or bytes, with the conversions the readers need.
#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "platform/datetime.h"
#include "platform/textcodec.h"

enum class VarType : uint8_t { Null, Boolean, Integer, Double, Currency, Text, Date, Binary };

class Variant {
  public:
    Variant() = default;
    Variant(std::nullptr_t) {}
    Variant(bool v) : value_(v) {}
    Variant(int v) : value_(static_cast<int64_t>(v)) {}
    Variant(long v) : value_(static_cast<int64_t>(v)) {}
    Variant(long long v) : value_(static_cast<int64_t>(v)) {}
    Variant(double v) : value_(v) {}
    Variant(const char* v) : value_(std::string(v)) {}
    Variant(std::string v) : value_(std::move(v)) {}
    Variant(const DateTime& v) : value_(v) {}
    Variant(Bytes v) : value_(std::move(v)) {}
    static Variant Currency(double v);

    VarType Type() const;
    bool IsNull() const { return std::holds_alternative<std::monostate>(value_); }
    // Numbers, and text that reads fully as a number.
    bool IsNumeric() const;

    // Text form: "" for null, "True"/"False" for booleans, shortest
    // round-trip form for doubles, "YYYY-MM-DD HH:MM:SS" for date-times
    // (".mmm" when not zero), raw bytes as they stand.
    std::string ToText() const;
    // 0 (and *ok false) when not convertible; doubles are rounded half away
    // from zero; text is read as a number when it is one.
    int64_t ToInt64(bool* ok = nullptr) const;
    int32_t ToInt32(bool* ok = nullptr) const;
    double ToDouble(bool* ok = nullptr) const;
    // Booleans, numbers (non-zero) and the texts "true"/"1" (any case).
    bool ToBool() const;
    // Date-times, and text in a storage form.
    std::optional<DateTime> ToDateTime() const;
    Bytes ToBytes() const;

    bool operator==(const Variant& other) const {
        return value_ == other.value_ && currency_ == other.currency_;
    }

  private:
    std::variant<std::monostate, bool, int64_t, double, std::string, DateTime, Bytes> value_;
    bool currency_ = false;
};
