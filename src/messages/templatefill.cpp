#include "messages/templatefill.h"

#include <charconv>
#include <cstdio>
#include <optional>
#include <regex>

#include "platform/datetime.h"

std::string Placeholder(const std::string& name) {
    return "`[$" + name + "$]`";
}

void ReplaceAllText(std::string& text, const std::string& from, const std::string& to) {
    if (from.empty()) return;
    std::size_t pos = 0;
    while ((pos = text.find(from, pos)) != std::string::npos) {
        text.replace(pos, from.size(), to);
        pos += to.size();
    }
}

std::string FillPlaceholders(const std::string& text, const TemplateValues& v) {
    std::string out = text;
    ReplaceAllText(out, Placeholder("TPL_GuestName"), v.guestName);
    if (v.haveAudit) {
        if (!v.newResv) ReplaceAllText(out, Placeholder("TPL_CreateDT"), v.createDT);
        ReplaceAllText(out, Placeholder("SYS_CreateUser"), v.createUser);
        ReplaceAllText(out, Placeholder("UpdateDT"), v.updateDT);
    }
    for (const auto& [key, value] : v.extra)
        ReplaceAllText(out, Placeholder(key), value);
    for (const auto& [name, value] : v.fields) {
        const std::string ph = Placeholder(name);
        if (out.find(ph) == std::string::npos) continue;
        std::string safe = value;
        for (char& c : safe)
            if (c == '`') c = '\'';
        ReplaceAllText(out, ph, safe);
    }
    if (v.tableList) ReplaceAllText(out, Placeholder("SYS_TableNoList"), v.tableNoList);
    return out;
}

namespace {

std::optional<double> Number(const std::string& digits) {
    double value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return value;
}

// Plain number: no exponent for whole numbers, at most 15 significant digits.
std::string NumberText(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", v);
    return buf;
}

std::optional<DateTime> Day(const std::string& text) {
    const auto d = DateTime::Parse(text);
    if (!d || !d->Valid() || d->DateText() != text) return std::nullopt;
    return d;
}

using Evaluator = std::optional<std::string> (*)(const std::smatch& m);

struct Rule {
    const char* pattern;
    Evaluator eval;
};

std::optional<std::string> Arith(const std::smatch& m, char op) {
    const auto a = Number(m[1].str()), b = Number(m[2].str());
    if (!a || !b) return std::nullopt;
    switch (op) {
        case '+':
            return NumberText(*a + *b);
        case '-':
            return NumberText(*a - *b);
        case '*':
            return NumberText(*a * *b);
        default:
            if (*b == 0) return std::nullopt;
            return NumberText(*a / *b);
    }
}

std::optional<std::string> ShiftDays(const std::smatch& m, int sign) {
    const auto d = Day(m[1].str());
    const auto n = Number(m[2].str());
    if (!d || !n || *n > 1e6) return std::nullopt;
    return d->AddDays(sign * static_cast<int64_t>(*n)).DateText();
}

const Rule kRules[] = {
    {R"(NUM`\[\$(\d+)\+(\d+)\$\]`)", [](const std::smatch& m) { return Arith(m, '+'); }},
    {R"(NUM`\[\$(\d+)\-(\d+)\$\]`)", [](const std::smatch& m) { return Arith(m, '-'); }},
    {R"(NUM`\[\$(\d+)\*(\d+)\$\]`)", [](const std::smatch& m) { return Arith(m, '*'); }},
    {R"(NUM`\[\$(\d+)\/(\d+)\$\]`)", [](const std::smatch& m) { return Arith(m, '/'); }},
    {R"(DATE`\[\$(\d{4}\-\d{2}\-\d{2})\+(\d+)\$\]`)",
     [](const std::smatch& m) { return ShiftDays(m, 1); }},
    {R"(DATE`\[\$(\d{4}\-\d{2}\-\d{2})\-(\d+)\$\]`)",
     [](const std::smatch& m) { return ShiftDays(m, -1); }},
    {R"(DATE`\[\$(\d{4}\-\d{2}\-\d{2})\-(\d{4}\-\d{2}\-\d{2})\$\]`)",
     [](const std::smatch& m) -> std::optional<std::string> {
         const auto a = Day(m[1].str()), b = Day(m[2].str());
         if (!a || !b) return std::nullopt;
         return std::to_string(a->DaysSinceEpoch() - b->DaysSinceEpoch());
     }},
};

}  // namespace

std::string EvaluateExpressions(const std::string& text, std::string* error) {
    static const std::vector<std::regex> compiled = [] {
        std::vector<std::regex> list;
        for (const Rule& r : kRules)
            list.emplace_back(r.pattern);
        return list;
    }();
    std::string current = text;
    for (std::size_t i = 0; i < compiled.size(); ++i) {
        std::string out;
        auto begin = current.cbegin();
        std::smatch m;
        while (std::regex_search(begin, current.cend(), m, compiled[i])) {
            const auto value = kRules[i].eval(m);
            if (!value) {
                if (error != nullptr) *error = "Cannot evaluate " + m[0].str();
                return current;
            }
            out.append(begin, m[0].first);
            out += *value;
            begin = m[0].second;
        }
        out.append(begin, current.cend());
        current = std::move(out);
    }
    return current;
}
