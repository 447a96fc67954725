#include "messaging/jsonvalue.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace {

const JsonValue& NullValue() {
    static const JsonValue null;
    return null;
}

}  // namespace

bool JsonObject::Add(std::string key, JsonValue value) {
    auto [it, added] = index_.try_emplace(key, entries_.size());
    if (!added) return false;
    entries_.emplace_back(std::move(key), std::move(value));
    return true;
}

JsonValue& JsonObject::Set(const std::string& key, JsonValue value) {
    if (JsonValue* existing = Find(key)) return *existing = std::move(value);
    index_.emplace(key, entries_.size());
    return entries_.emplace_back(key, std::move(value)).second;
}

const JsonValue* JsonObject::Find(std::string_view key) const {
    auto it = index_.find(key);
    return it == index_.end() ? nullptr : &entries_[it->second].second;
}

JsonValue* JsonObject::Find(std::string_view key) {
    auto it = index_.find(key);
    return it == index_.end() ? nullptr : &entries_[it->second].second;
}

const JsonValue& JsonObject::Item(std::string_view key) const {
    const JsonValue* v = Find(key);
    return v ? *v : NullValue();
}

std::vector<std::string> JsonObject::Keys() const {
    std::vector<std::string> keys;
    keys.reserve(entries_.size());
    for (const auto& e : entries_)
        keys.push_back(e.first);
    return keys;
}

bool JsonObject::operator==(const JsonObject& other) const {
    // The index follows from the entries.
    return entries_ == other.entries_;
}

bool JsonValue::AsBool() const {
    const bool* b = std::get_if<bool>(&value_);
    return b && *b;
}

const std::string& JsonValue::AsText() const {
    static const std::string empty;
    const std::string* s = std::get_if<std::string>(&value_);
    return s ? *s : empty;
}

Decimal JsonValue::AsDecimal() const {
    if (const Decimal* d = std::get_if<Decimal>(&value_)) return *d;
    if (const double* d = std::get_if<double>(&value_)) {
        // Through the shortest text that reads back as the same double.
        char buf[64];
        auto r = std::to_chars(buf, buf + sizeof buf, *d);
        if (r.ec == std::errc())
            return Decimal::Parse(std::string_view(buf, r.ptr - buf)).value_or(Decimal());
    }
    return Decimal();
}

double JsonValue::AsDouble() const {
    if (const Decimal* d = std::get_if<Decimal>(&value_)) return d->ToDouble();
    if (const double* d = std::get_if<double>(&value_)) return *d;
    return 0;
}

int64_t JsonValue::AsInt64() const {
    if (const Decimal* d = std::get_if<Decimal>(&value_)) return d->ToInt64();
    if (const double* d = std::get_if<double>(&value_)) {
        double r = std::round(*d);
        // 2^63 itself is out of range; NaN fails both comparisons.
        if (r >= -9223372036854775808.0 && r < 9223372036854775808.0)
            return static_cast<int64_t>(r);
    }
    return 0;
}

const JsonValue& JsonValue::operator[](std::string_view key) const {
    const JsonObject* o = AsObject();
    return o ? o->Item(key) : NullValue();
}

const JsonValue& JsonValue::Item(std::size_t position) const {
    const JsonArray* a = AsArray();
    if (!a || position < 1 || position > a->size()) return NullValue();
    return (*a)[position - 1];
}

std::size_t JsonValue::Count() const {
    if (const JsonArray* a = AsArray()) return a->size();
    if (const JsonObject* o = AsObject()) return o->Count();
    return 0;
}
