#include "messaging/webgrid.h"

#include <algorithm>
#include <cctype>

#include "messaging/json.h"
#include "platform/datetime.h"
#include "platform/textutil.h"

namespace {

std::string Upper(const std::string& s) {
    return Trim(UpperAscii(s), " ");
}

// A whole number given as a number or as a text of digits.
std::optional<int64_t> WholeNumber(const JsonValue& v) {
    if (v.Type() == JsonType::Number || v.Type() == JsonType::Double) return v.AsInt64();
    if (v.Type() != JsonType::Text) return std::nullopt;
    const std::string t = Upper(v.AsText());
    const bool negative = !t.empty() && t[0] == '-';
    const std::string digits = negative ? t.substr(1) : t;
    if (digits.empty() || digits.size() > 15 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const int64_t n = std::stoll(digits);
    return negative ? -n : n;
}

std::string NumberText(const JsonValue& v) {
    const auto n = WholeNumber(v);
    if (n) return std::to_string(*n);
    return v.Type() == JsonType::Text ? v.AsText() : std::string();
}

std::string TimeText(const JsonValue& v) {
    if (v.Type() != JsonType::Text) return NumberText(v);
    const auto t = DateTime::Parse(v.AsText());
    return t ? t->Format("hh:nn") : v.AsText();
}

bool IsActive(const JsonValue& v) {
    if (v.Type() == JsonType::Boolean) return v.AsBool();
    return Upper(v.AsText()) != "I";
}

JsonArray* ListOf(JsonValue* v, std::string_view key) {
    JsonObject* o = v != nullptr ? v->AsObject() : nullptr;
    JsonValue* list = o != nullptr ? o->Find(key) : nullptr;
    return list != nullptr ? list->AsArray() : nullptr;
}

const JsonArray* ListOf(const JsonValue& v, std::string_view key) {
    return v[key].AsArray();
}

}  // namespace

AllotUnit AllotUnitOf(const JsonValue& allotType) {
    const auto n = WholeNumber(allotType);
    if (n) return *n == 1 ? AllotUnit::kTables : *n == 2 ? AllotUnit::kCovers : AllotUnit::kUnknown;
    const std::string t = Upper(allotType.AsText());
    if (t == "T" || t == "TABLE" || t == "TABLES") return AllotUnit::kTables;
    if (t == "C" || t == "COVER" || t == "COVERS") return AllotUnit::kCovers;
    return AllotUnit::kUnknown;
}

std::string AllotLeftText(AllotUnit unit, std::optional<int64_t> allotted,
                          std::optional<int64_t> used) {
    if (unit != AllotUnit::kCovers || !allotted || !used) return "-";
    return std::to_string(*allotted - *used);
}

bool WebAllotGrid::Load(const std::string& text) {
    error_.clear();
    if (text.find_first_not_of(" \t\r\n") == std::string::npos) {
        error_ = "empty";
        return false;
    }
    JSON json;
    JsonValue parsed = json.Parse(text);
    if (!json.ErrorText().empty() || !parsed.IsObject()) {
        error_ = json.ErrorText().empty() ? "not a JSON object" : json.ErrorText();
        while (!error_.empty() && (error_.back() == '\n' || error_.back() == '\r'))
            error_.pop_back();
        return false;
    }
    if (ListOf(parsed, "Period") == nullptr) {
        error_ = "no \"Period\" list";
        return false;
    }
    config_ = std::move(parsed);
    BuildRows();
    return true;
}

void WebAllotGrid::BuildRows() {
    rows_.clear();
    const JsonArray* periods = ListOf(config_, "Period");
    for (std::size_t p = 0; periods != nullptr && p < periods->size(); ++p) {
        const JsonValue& period = (*periods)[p];
        WebAllotRow head;
        head.period = p;
        head.periodName = period["perd_name"].AsText();
        head.start = TimeText(period["perd_start_time"]);
        head.end = TimeText(period["perd_end_time"]);
        head.active = IsActive(period["perd_active"]);
        const JsonArray* sections = ListOf(period, "Section");
        if (sections == nullptr || sections->empty()) {
            rows_.push_back(head);
            continue;
        }
        for (const JsonValue& section : *sections) {
            WebAllotRow row = head;
            row.section = section["sect_name"].AsText();
            const JsonArray* allots = ListOf(section, "Allotment");
            if (allots == nullptr || allots->empty()) {
                rows_.push_back(row);
                continue;
            }
            for (const JsonValue& allot : *allots) {
                WebAllotRow line = row;
                line.tableSize = NumberText(allot["table_size"]);
                line.allotted = WholeNumber(allot["allot_num"]);
                line.unit = AllotUnitOf(allot["allot_type"]);
                rows_.push_back(line);
            }
        }
    }
}

std::vector<std::string> WebAllotGrid::PeriodStarts() const {
    std::vector<std::string> starts;
    const JsonArray* periods = ListOf(config_, "Period");
    if (periods == nullptr) return starts;
    for (const JsonValue& period : *periods)
        starts.push_back(TimeText(period["perd_start_time"]));
    return starts;
}

std::optional<std::size_t> WebAllotGrid::FindPeriod(const std::string& name) const {
    const JsonArray* periods = ListOf(config_, "Period");
    for (std::size_t p = 0; periods != nullptr && p < periods->size(); ++p)
        if (Upper((*periods)[p]["perd_name"].AsText()) == Upper(name)) return p;
    return std::nullopt;
}

bool WebAllotGrid::SetAllotNum(std::size_t period, const std::string& section, int64_t tableSize,
                               int64_t number) {
    JsonArray* periods = ListOf(&config_, "Period");
    if (periods == nullptr || period >= periods->size()) return false;
    JsonArray* sections = ListOf(&(*periods)[period], "Section");
    for (std::size_t s = 0; sections != nullptr && s < sections->size(); ++s) {
        if (Upper((*sections)[s]["sect_name"].AsText()) != Upper(section)) continue;
        JsonArray* allots = ListOf(&(*sections)[s], "Allotment");
        for (std::size_t a = 0; allots != nullptr && a < allots->size(); ++a) {
            JsonObject* allot = (*allots)[a].AsObject();
            if (allot == nullptr || WholeNumber(allot->Item("table_size")) != tableSize) continue;
            const bool asText = allot->Item("allot_num").Type() == JsonType::Text;
            allot->Set("allot_num", asText ? JsonValue(std::to_string(number)) : JsonValue(number));
            BuildRows();
            return true;
        }
    }
    return false;
}

bool WebAllotGrid::SetPeriodActive(std::size_t period, bool active) {
    JsonArray* periods = ListOf(&config_, "Period");
    if (periods == nullptr || period >= periods->size()) return false;
    JsonObject* p = (*periods)[period].AsObject();
    if (p == nullptr) return false;
    p->Set("perd_active", active ? "A" : "I");
    BuildRows();
    return true;
}

std::string WebAllotGrid::ToJSON() const {
    return JSON().ToString(config_);
}
