#pragma once
// The structure of a JSON text: null, a boolean, a decimal number, text, an
// ordered dictionary (object) or a collection (array). Callers may also put
// date-times and floating-point numbers in, which the writer knows how to
// write. Values are plain copyable values.
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "messaging/decimal.h"
#include "platform/datetime.h"

class JsonValue;
using JsonArray = std::vector<JsonValue>;

// String keys in the order they were added; a key is stored once.
class JsonObject {
  public:
    using Entry = std::pair<std::string, JsonValue>;

    // False, leaving the first value in place, when the key exists.
    bool Add(std::string key, JsonValue value);
    // Replaces the value of an existing key, else adds the key at the end.
    JsonValue& Set(const std::string& key, JsonValue value);
    bool Exists(std::string_view key) const { return index_.find(key) != index_.end(); }
    const JsonValue* Find(std::string_view key) const;
    JsonValue* Find(std::string_view key);
    // The null value when the key is absent.
    const JsonValue& Item(std::string_view key) const;

    std::size_t Count() const;
    std::vector<std::string> Keys() const;
    std::vector<Entry>::const_iterator begin() const;
    std::vector<Entry>::const_iterator end() const;

    bool operator==(const JsonObject& other) const;

  private:
    std::vector<Entry> entries_;
    std::map<std::string, std::size_t, std::less<>> index_;
};

enum class JsonType : uint8_t { Null, Boolean, Number, Double, Text, Date, Array, Object };

class JsonValue {
  public:
    JsonValue() = default;
    JsonValue(std::nullptr_t) {}
    JsonValue(bool v) : value_(v) {}
    template <std::integral T>
    requires(!std::same_as<T, bool>) JsonValue(T v) : value_(ToDecimal(v)) {}
    JsonValue(Decimal v) : value_(v) {}
    JsonValue(double v) : value_(v) {}
    JsonValue(const char* v) : value_(std::string(v)) {}
    JsonValue(std::string v) : value_(std::move(v)) {}
    JsonValue(std::string_view v) : value_(std::string(v)) {}
    JsonValue(const DateTime& v) : value_(v) {}
    JsonValue(JsonArray v) : value_(std::move(v)) {}
    JsonValue(JsonObject v) : value_(std::move(v)) {}

    JsonType Type() const { return static_cast<JsonType>(value_.index()); }
    bool IsNull() const { return Type() == JsonType::Null; }
    bool IsArray() const { return Type() == JsonType::Array; }
    bool IsObject() const { return Type() == JsonType::Object; }

    // Readers give false, "", 0 or nullptr when the value is of another kind.
    bool AsBool() const;
    const std::string& AsText() const;
    Decimal AsDecimal() const;  // Number values; Double values when representable
    double AsDouble() const;    // Number and Double values
    int64_t AsInt64() const;    // Number and Double values, rounded half away from zero
    const DateTime* AsDate() const { return std::get_if<DateTime>(&value_); }
    const JsonArray* AsArray() const { return std::get_if<JsonArray>(&value_); }
    JsonArray* AsArray() { return std::get_if<JsonArray>(&value_); }
    const JsonObject* AsObject() const { return std::get_if<JsonObject>(&value_); }
    JsonObject* AsObject() { return std::get_if<JsonObject>(&value_); }

    // Members of an object by key and elements of an array by position
    // (1-based, as in a collection); the null value when absent.
    const JsonValue& operator[](std::string_view key) const;
    const JsonValue& Item(std::size_t position) const;
    // Members of an object or elements of an array; 0 for other values.
    std::size_t Count() const;

    bool operator==(const JsonValue& other) const { return value_ == other.value_; }

  private:
    template <std::integral T>
    static Decimal ToDecimal(T v) {
        if constexpr (std::is_signed_v<T>) {
            return Decimal(static_cast<int64_t>(v));
        } else {
            return Decimal::FromUInt64(static_cast<uint64_t>(v));
        }
    }

    // The order matches JsonType.
    std::variant<std::monostate, bool, Decimal, double, std::string, DateTime, JsonArray,
                 JsonObject>
        value_;
};

// Defined here, where JsonValue is complete.
inline std::size_t JsonObject::Count() const {
    return entries_.size();
}
inline std::vector<JsonObject::Entry>::const_iterator JsonObject::begin() const {
    return entries_.begin();
}
inline std::vector<JsonObject::Entry>::const_iterator JsonObject::end() const {
    return entries_.end();
}
