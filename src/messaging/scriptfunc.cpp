#include "messaging/scriptfunc.h"

#include <cmath>
#include <cstdio>
#include <functional>
#include <optional>
#include <random>
#include <unordered_map>

#include "platform/datetime.h"
#include "platform/textutil.h"

namespace {

// Byte offsets of each character (UTF-8 sequence start), plus the end.
std::vector<std::size_t> CharStarts(const std::string& s) {
    std::vector<std::size_t> out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) out.push_back(i);
    }
    out.push_back(s.size());
    return out;
}

// Characters [from, from + count) of `s`, clamped to the text.
std::string Chars(const std::string& s, int64_t from, int64_t count) {
    auto starts = CharStarts(s);
    int64_t n = static_cast<int64_t>(starts.size()) - 1;
    if (from < 0) from = 0;
    if (from > n) from = n;
    if (count < 0 || from + count > n) count = n - from;
    return s.substr(
        starts[static_cast<std::size_t>(from)],
        starts[static_cast<std::size_t>(from + count)] - starts[static_cast<std::size_t>(from)]);
}

std::optional<int64_t> Integer(const VBValue& v) {
    double d = 0;
    int32_t i = 0;
    if (v.IsObject() || !v.ToNumber(d) || !VBToLong(d, i)) return std::nullopt;
    return i;
}

std::optional<double> Num(const VBValue& v) {
    double d = 0;
    if (v.IsObject() || !v.ToNumber(d)) return std::nullopt;
    return d;
}

std::optional<DateTime> Date(const VBValue& v) {
    if (!v.IsString()) return std::nullopt;
    return DateTime::Parse(v.AsString());
}

VBValue DatePart(const VBValue& v, int (*part)(const DateTime&)) {
    auto d = Date(v);
    return d ? VBValue(part(*d)) : VBValue(0);
}

VBValue Finite(double d) {
    return std::isfinite(d) ? VBValue(d) : VBValue(0);
}

std::vector<std::string> SplitTrimmed(const std::string& s) {
    std::vector<std::string> out;
    if (s.empty()) return out;
    std::size_t start = 0;
    for (;;) {
        std::size_t comma = s.find(',', start);
        out.push_back(Trim(s.substr(start, comma - start), " \t"));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return out;
}

bool CallMember(VBObject& o, std::string_view name, std::vector<VBValue> args, VBValue& out) {
    VBError err;
    return o.Invoke(name, args, out, err);
}

// The values of a list object's `column`, walked with MoveFirst, Count, Var and
// MoveNext; nullopt when the object is not such a list.
std::optional<std::vector<std::string>> ListValues(VBObject& o, const std::string& column) {
    VBValue count;
    VBValue ignored;
    if (!o.HasMember("movefirst") || !CallMember(o, "movefirst", {}, ignored) ||
        !CallMember(o, "count", {}, count)) {
        return std::nullopt;
    }
    std::vector<std::string> out;
    int64_t n = Integer(count).value_or(0);
    for (int64_t i = 0; i < n; ++i) {
        VBValue v;
        if (!CallMember(o, "var", {VBValue(column)}, v)) return std::nullopt;
        out.push_back(v.ToText());
        CallMember(o, "movenext", {}, ignored);
    }
    return out;
}

std::vector<std::string> ValueSet(const VBValue& v, const std::string& column) {
    if (v.IsObject()) return ListValues(*v.AsObject(), column).value_or(std::vector<std::string>{});
    if (v.IsString()) return SplitTrimmed(v.AsString());
    if (v.IsEmpty()) return {};
    return {v.ToText()};
}

std::string FormatNumber(double v, const std::string& pattern) {
    std::size_t b = pattern.find_first_of("#0.,");
    if (b == std::string::npos) return pattern;
    std::size_t e = pattern.find_last_of("#0.,") + 1;
    std::string body = pattern.substr(b, e - b);
    std::size_t dot = body.find('.');
    std::string intPart = body.substr(0, dot);
    std::string fracPart = dot == std::string::npos ? "" : body.substr(dot + 1);
    int decimals = 0;
    int minFrac = 0;
    for (char c : fracPart) {
        decimals += c == '0' || c == '#';
        minFrac += c == '0';
    }
    int minInt = 0;
    for (char c : intPart)
        minInt += c == '0';
    bool group = intPart.find(',') != std::string::npos;
    if (decimals > 15) decimals = 15;

    char buf[400];  // 309 integer digits at most, a point and 15 decimals
    std::snprintf(buf, sizeof buf, "%.*f", decimals, std::fabs(v));
    std::string digits(buf);
    std::size_t p = digits.find('.');
    std::string ip = digits.substr(0, p);
    std::string fp = p == std::string::npos ? "" : digits.substr(p + 1);
    while (static_cast<int>(fp.size()) > minFrac && !fp.empty() && fp.back() == '0')
        fp.pop_back();
    if (ip == "0" && minInt == 0) ip.clear();
    while (static_cast<int>(ip.size()) < minInt)
        ip.insert(ip.begin(), '0');
    if (group) {
        for (int i = static_cast<int>(ip.size()) - 3; i > 0; i -= 3) {
            ip.insert(static_cast<std::size_t>(i), ",");
        }
    }
    bool negative = v < 0 && (ip.find_first_not_of("0,") != std::string::npos ||
                              fp.find_first_not_of('0') != std::string::npos);
    std::string out = pattern.substr(0, b) + (negative ? "-" : "") + ip;
    if (!fp.empty()) out += "." + fp;
    return out + pattern.substr(e);
}

bool HasDateTokens(const std::string& pattern) {
    return pattern.find_first_of("yYdDhHnNsS") != std::string::npos ||
           pattern.find("mm") != std::string::npos || pattern.find("MM") != std::string::npos;
}

}  // namespace

VBValue ScriptFunc::Left(const VBValue& text, const VBValue& length) const {
    auto n = Integer(length);
    if (!n || *n < 0) return VBValue("");
    return VBValue(Chars(text.ToText(), 0, *n));
}

VBValue ScriptFunc::Right(const VBValue& text, const VBValue& length) const {
    auto n = Integer(length);
    if (!n || *n < 0) return VBValue("");
    std::string s = text.ToText();
    int64_t total = static_cast<int64_t>(CharStarts(s).size()) - 1;
    int64_t from = total - *n;
    return VBValue(Chars(s, from < 0 ? 0 : from, *n));
}

VBValue ScriptFunc::Mid(const VBValue& text, const VBValue& start, const VBValue& length) const {
    auto s = Integer(start);
    auto n = length.IsEmpty() ? std::optional<int64_t>(-1) : Integer(length);
    if (!s || !n || *s < 1 || *n < -1) return VBValue("");
    return VBValue(Chars(text.ToText(), *s - 1, *n));
}

VBValue ScriptFunc::InStr(const VBValue& text, const VBValue& find, int start) const {
    std::string s = text.ToText();
    std::string f = find.ToText();
    auto starts = CharStarts(s);
    if (start < 1 || static_cast<std::size_t>(start) > starts.size()) return VBValue(0);
    std::size_t at = s.find(f, starts[static_cast<std::size_t>(start - 1)]);
    if (at == std::string::npos) return VBValue(0);
    std::size_t chars = 0;
    while (starts[chars] < at)
        ++chars;
    return VBValue(static_cast<double>(chars + 1));
}

VBValue ScriptFunc::Length(const VBValue& text) const {
    return VBValue(static_cast<double>(CharStarts(text.ToText()).size() - 1));
}

VBValue ScriptFunc::GetYear(const VBValue& d) const {
    return DatePart(d, [](const DateTime& t) { return t.Year; });
}
VBValue ScriptFunc::GetMonth(const VBValue& d) const {
    return DatePart(d, [](const DateTime& t) { return t.Month; });
}
VBValue ScriptFunc::GetDay(const VBValue& d) const {
    return DatePart(d, [](const DateTime& t) { return t.Day; });
}
VBValue ScriptFunc::GetDOW(const VBValue& d) const {
    return DatePart(d, [](const DateTime& t) { return t.DayOfWeek(); });
}
VBValue ScriptFunc::GetHour(const VBValue& d) const {
    return DatePart(d, [](const DateTime& t) { return t.Hour; });
}
VBValue ScriptFunc::GetMinute(const VBValue& d) const {
    return DatePart(d, [](const DateTime& t) { return t.Minute; });
}
VBValue ScriptFunc::GetMonthDay(const VBValue& d) const {
    return DatePart(d, [](const DateTime& t) { return t.Month * 100 + t.Day; });
}

namespace {

VBValue SameParts(const VBValue& date, const VBValue& ref, bool month, bool day) {
    auto d = Date(date);
    auto r = ref.IsEmpty() ? std::optional<DateTime>(DateTime::Now()) : Date(ref);
    if (!d || !r) return VBValue(false);
    return VBValue((!month || d->Month == r->Month) && (!day || d->Day == r->Day));
}

}  // namespace

VBValue ScriptFunc::IsToday_NoYear(const VBValue& date, const VBValue& ref) const {
    return SameParts(date, ref, true, true);
}
VBValue ScriptFunc::IsToday_NoYearMonth(const VBValue& date, const VBValue& ref) const {
    return SameParts(date, ref, false, true);
}
VBValue ScriptFunc::IsThisMonth_NoYear(const VBValue& date, const VBValue& ref) const {
    return SameParts(date, ref, true, false);
}

VBValue ScriptFunc::CInteger(const VBValue& value) const {
    auto d = Num(value);
    if (!d || !std::isfinite(*d)) return VBValue(0);
    double f = std::floor(*d);
    if (f < -2147483648.0 || f > 2147483647.0) return VBValue(0);
    return VBValue(f);
}

VBValue ScriptFunc::Plus(const VBValue& a, const VBValue& b) const {
    auto x = Num(a);
    auto y = Num(b);
    return x && y ? Finite(*x + *y) : VBValue(0);
}
VBValue ScriptFunc::Minus(const VBValue& a, const VBValue& b) const {
    auto x = Num(a);
    auto y = Num(b);
    return x && y ? Finite(*x - *y) : VBValue(0);
}
VBValue ScriptFunc::Multiply(const VBValue& a, const VBValue& b) const {
    auto x = Num(a);
    auto y = Num(b);
    return x && y ? Finite(*x * *y) : VBValue(0);
}
VBValue ScriptFunc::Divide(const VBValue& a, const VBValue& b) const {
    auto x = Num(a);
    auto y = Num(b);
    return x && y && *y != 0 ? Finite(*x / *y) : VBValue(0);
}
VBValue ScriptFunc::Modulus(const VBValue& a, const VBValue& b) const {
    auto x = Integer(a);
    auto y = Integer(b);
    return x && y && *y != 0 ? VBValue(static_cast<double>(*x % *y)) : VBValue(0);
}
VBValue ScriptFunc::Absolute(const VBValue& a) const {
    auto x = Num(a);
    return x ? VBValue(std::fabs(*x)) : VBValue(0);
}

namespace {

// Negative when a < b.
int Order(const VBValue& a, const VBValue& b) {
    auto da = Date(a);
    auto db = Date(b);
    if (da && db) return *da < *db ? -1 : (*db < *da ? 1 : 0);
    auto na = Num(a);
    auto nb = Num(b);
    if (na && nb) return *na < *nb ? -1 : (*na > *nb ? 1 : 0);
    return a.ToText().compare(b.ToText());
}

}  // namespace

VBValue ScriptFunc::Min(const VBValue& a, const VBValue& b) const {
    return Order(a, b) <= 0 ? a : b;
}
VBValue ScriptFunc::Max(const VBValue& a, const VBValue& b) const {
    return Order(a, b) >= 0 ? a : b;
}

VBValue ScriptFunc::Rnd(const VBValue& low, const VBValue& high) const {
    auto lo = Integer(low);
    auto hi = Integer(high);
    if (!lo || !hi) return VBValue(0);
    if (*lo > *hi) std::swap(lo, hi);
    std::mt19937_64 gen{std::random_device{}()};
    std::uniform_int_distribution<int64_t> dist(*lo, *hi);
    return VBValue(static_cast<double>(dist(gen)));
}

VBValue ScriptFunc::Format(const VBValue& value, const VBValue& pattern) const {
    std::string p = pattern.ToText();
    if (p.empty()) return VBValue(value.ToText());
    if (auto d = Date(value); d && HasDateTokens(p)) return VBValue(d->Format(p));
    if (auto n = Num(value); n && !value.IsEmpty() && std::isfinite(*n)) {
        return VBValue(FormatNumber(*n, p));
    }
    return VBValue(value.ToText());
}

VBValue ScriptFunc::IIF(const VBValue& condition, const VBValue& a, const VBValue& b) const {
    bool c = false;
    return condition.ToBoolean(c) && c ? a : b;
}

VBValue ScriptFunc::ExistsIn(const VBValue& a, const VBValue& b, const VBValue& column) const {
    std::string col = column.IsEmpty() ? "ID" : column.ToText();
    auto left = ValueSet(a, col);
    auto right = ValueSet(b, col);
    for (const auto& x : left) {
        for (const auto& y : right) {
            if (x == y) return VBValue(true);
        }
    }
    return VBValue(false);
}

VBValue ScriptFunc::InList(const VBValue& value, const VBValue& container) const {
    std::string v = value.ToText();
    if (container.IsObject()) {
        VBValue out;
        if (!container.AsObject()->HasMember("exists")) return VBValue(false);
        return CallMember(*container.AsObject(), "exists", {VBValue(v)}, out) ? out
                                                                              : VBValue(false);
    }
    for (const auto& item : SplitTrimmed(container.ToText())) {
        if (item == v) return VBValue(true);
    }
    return VBValue(false);
}

VBValue ScriptFunc::ExistsInAll(const VBValue& column, const VBValue& value,
                                const VBValue& items) const {
    std::string col = column.IsEmpty() || column.ToText().empty() ? "ID" : column.ToText();
    std::string v = value.ToText();
    for (const auto& item : ValueSet(items, col)) {
        if (item != v) return VBValue(false);
    }
    return VBValue(true);
}

bool ScriptFunc::HasMember(std::string_view name) const {
    static const char* const kNames[] = {
        "left",
        "right",
        "mid",
        "instr",
        "length",
        "getyear",
        "getmonth",
        "getday",
        "getdow",
        "gethour",
        "getminute",
        "getmonthday",
        "istoday_noyear",
        "istoday_noyearmonth",
        "isthismonth_noyear",
        "cinteger",
        "rounddown",
        "plus",
        "minus",
        "multiply",
        "divide",
        "modulus",
        "absolute",
        "min",
        "max",
        "rnd",
        "format",
        "iif",
        "existsin",
        "inlist",
        "existsinall",
    };
    for (const char* n : kNames) {
        if (name == n) return true;
    }
    return false;
}

bool ScriptFunc::Invoke(std::string_view name, std::vector<VBValue>& a, VBValue& out,
                        VBError& err) {
    auto arity = [&](std::size_t low, std::size_t high) {
        if (a.size() >= low && a.size() <= high) return true;
        err = {kVBErrArgCount, "Wrong number of arguments or invalid property assignment: '" +
                                   std::string(name) + "'"};
        return false;
    };
    auto arg = [&](std::size_t i) { return i < a.size() ? a[i] : VBValue(); };
    using Fn1 = VBValue (ScriptFunc::*)(const VBValue&) const;
    using Fn2 = VBValue (ScriptFunc::*)(const VBValue&, const VBValue&) const;
    static const std::unordered_map<std::string_view, Fn1> kOne = {
        {"length", &ScriptFunc::Length},       {"getyear", &ScriptFunc::GetYear},
        {"getmonth", &ScriptFunc::GetMonth},   {"getday", &ScriptFunc::GetDay},
        {"getdow", &ScriptFunc::GetDOW},       {"gethour", &ScriptFunc::GetHour},
        {"getminute", &ScriptFunc::GetMinute}, {"getmonthday", &ScriptFunc::GetMonthDay},
        {"cinteger", &ScriptFunc::CInteger},   {"rounddown", &ScriptFunc::RoundDown},
        {"absolute", &ScriptFunc::Absolute},
    };
    static const std::unordered_map<std::string_view, Fn2> kTwo = {
        {"left", &ScriptFunc::Left},         {"right", &ScriptFunc::Right},
        {"plus", &ScriptFunc::Plus},         {"minus", &ScriptFunc::Minus},
        {"multiply", &ScriptFunc::Multiply}, {"divide", &ScriptFunc::Divide},
        {"modulus", &ScriptFunc::Modulus},   {"min", &ScriptFunc::Min},
        {"max", &ScriptFunc::Max},           {"rnd", &ScriptFunc::Rnd},
        {"format", &ScriptFunc::Format},     {"inlist", &ScriptFunc::InList},
    };
    static const std::unordered_map<std::string_view, Fn2> kOneOrTwo = {
        {"istoday_noyear", &ScriptFunc::IsToday_NoYear},
        {"istoday_noyearmonth", &ScriptFunc::IsToday_NoYearMonth},
        {"isthismonth_noyear", &ScriptFunc::IsThisMonth_NoYear},
    };
    if (auto f = kOne.find(name); f != kOne.end()) {
        if (!arity(1, 1)) return false;
        out = (this->*(f->second))(a[0]);
    } else if (auto g = kTwo.find(name); g != kTwo.end()) {
        if (!arity(2, 2)) return false;
        out = (this->*(g->second))(a[0], a[1]);
    } else if (auto h = kOneOrTwo.find(name); h != kOneOrTwo.end()) {
        if (!arity(1, 2)) return false;
        out = (this->*(h->second))(a[0], arg(1));
    } else if (name == "mid") {
        if (!arity(2, 3)) return false;
        out = Mid(a[0], a[1], a.size() == 3 ? a[2] : VBValue(-1));
    } else if (name == "instr") {
        if (!arity(2, 3)) return false;
        if (a.size() == 2) {
            out = InStr(a[0], a[1]);
        } else {
            auto start = Integer(a[0]);
            out = start ? InStr(a[1], a[2], static_cast<int>(*start)) : VBValue(0);
        }
    } else if (name == "iif") {
        if (!arity(3, 3)) return false;
        out = IIF(a[0], a[1], a[2]);
    } else if (name == "existsin") {
        if (!arity(2, 3)) return false;
        out = ExistsIn(a[0], a[1], arg(2));
    } else if (name == "existsinall") {
        if (!arity(2, 3)) return false;
        out = ExistsInAll(a[0], a[1], arg(2));
    } else {
        err = {kVBErrNoMember,
               "Object doesn't support this property or method: '" + std::string(name) + "'"};
        return false;
    }
    return true;
}
