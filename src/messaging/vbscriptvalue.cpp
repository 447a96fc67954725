#include "messaging/vbscriptvalue.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "platform/textutil.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool ParseHex(std::string_view t, double& out) {
    if (t.empty() || t.size() > 8) return false;
    uint32_t v = 0;
    auto r = std::from_chars(t.data(), t.data() + t.size(), v, 16);
    if (r.ec != std::errc() || r.ptr != t.data() + t.size()) return false;
    // Eight hex digits are a signed 32-bit value, as in the language.
    out = t.size() == 8 ? static_cast<double>(static_cast<int32_t>(v)) : static_cast<double>(v);
    return true;
}

}  // namespace

VBValue::VBValue(std::shared_ptr<VBObject> o) : kind_(Kind::Object), object_(std::move(o)) {
    if (!object_) kind_ = Kind::Empty;
}

bool VBParseNumber(std::string_view text, double& out) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    if (text.empty()) return false;
    if (text.size() > 2 && text[0] == '&' && (text[1] == 'H' || text[1] == 'h')) {
        return ParseHex(text.substr(2), out);
    }
    bool negative = false;
    if (text.front() == '+' || text.front() == '-') {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // Only digits, one point and an exponent: no "inf", "nan" or hex floats.
    if (text.empty() ||
        !(std::isdigit(static_cast<unsigned char>(text.front())) || text.front() == '.')) {
        return false;
    }
    double v = 0;
    auto r = std::from_chars(text.data(), text.data() + text.size(), v, std::chars_format::general);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size()) return false;
    out = negative ? -v : v;
    return true;
}

std::string VBNumberText(double n) {
    if (std::isnan(n)) return "NaN";
    if (std::isinf(n)) return n > 0 ? "Infinity" : "-Infinity";
    if (n == std::floor(n) && std::fabs(n) < 1e15) {
        return std::to_string(static_cast<int64_t>(n));
    }
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15G", n);
    return buf;
}

bool VBToLong(double n, int32_t& out) {
    if (!std::isfinite(n)) return false;
    double r = std::nearbyint(n);  // the default rounding mode: half to even
    if (r < std::numeric_limits<int32_t>::min() || r > std::numeric_limits<int32_t>::max()) {
        return false;
    }
    out = static_cast<int32_t>(r);
    return true;
}

bool VBValue::ToNumber(double& out) const {
    switch (kind_) {
        case Kind::Empty:
            out = 0;
            return true;
        case Kind::Boolean:
            out = bool_ ? -1 : 0;
            return true;
        case Kind::Number:
            out = number_;
            return true;
        case Kind::String:
            return VBParseNumber(text_, out);
        case Kind::Object:
            return false;
    }
    return false;
}

bool VBValue::ToBoolean(bool& out) const {
    switch (kind_) {
        case Kind::Empty:
            out = false;
            return true;
        case Kind::Boolean:
            out = bool_;
            return true;
        case Kind::Number:
            out = number_ != 0;
            return true;
        case Kind::String: {
            if (EqualsNoCase(text_, "true")) {
                out = true;
                return true;
            }
            if (EqualsNoCase(text_, "false")) {
                out = false;
                return true;
            }
            double d = 0;
            if (!VBParseNumber(text_, d)) return false;
            out = d != 0;
            return true;
        }
        case Kind::Object:
            return false;
    }
    return false;
}

std::string VBValue::ToText() const {
    switch (kind_) {
        case Kind::Empty:
            return {};
        case Kind::Boolean:
            return bool_ ? "True" : "False";
        case Kind::Number:
            return VBNumberText(number_);
        case Kind::String:
            return text_;
        case Kind::Object:
            return {};
    }
    return {};
}

bool VBObject::Assign(std::string_view name, std::vector<VBValue>&, const VBValue&, VBError& err) {
    err = {kVBErrNoMember,
           "Object doesn't support this property or method: '" + std::string(name) + "'"};
    return false;
}
