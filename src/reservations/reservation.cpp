#include "reservations/reservation.h"

#include <cmath>

#include "core/log.h"
#include "profiles/profiledefinition.h"
#include "reservations/resvrules.h"
#include "sql/recordset.h"
#include "venue/recordfields.h"

namespace {

constexpr const char* kClass = "Reservation";

// Columns the program reads by name whatever the definition lists.
const char* const kKeyColumns[] = {"ReserveID", "DBServerID", "OutletID",    "MPOutletID",
                                   "GuestID",   "RowStatus",  "ReserveDate", "ReserveTime"};

}  // namespace

ResvColumnPlan MakeResvColumnPlan(const Recordset& rs, const ProfileDefinition& def) {
    ResvColumnPlan plan;
    plan.fields = &def.Fields();
    plan.reserveIDColumn = rs.FieldIndex("ReserveID");
    for (const auto& [code, field] : def.Fields()) {
        const int index = rs.FieldIndex(field->ColumnName());
        if (index >= 0) plan.columns.emplace_back(code, index);
    }
    auto addColumn = [&](const char* key) {
        if (def.Fields().Exists(key)) return;
        const int index = rs.FieldIndex(key);
        if (index >= 0) plan.columns.emplace_back(key, index);
    };
    for (const char* key : kKeyColumns)
        addColumn(key);
    for (const char* key : kResvIndicatorSources)
        addColumn(key);
    return plan;
}

bool Reservation::Load(const Recordset* rs, const ProfileDefinition& def) {
    if (rs == nullptr) return Load(rs, ResvColumnPlan{});
    return Load(rs, MakeResvColumnPlan(*rs, def));
}

bool Reservation::Load(const Recordset* rs, const ResvColumnPlan& plan) {
    if (!HasCurrentRow(*this, rs, kClass, "oRS is at the end", RowLog::kNumbered, "Load"))
        return false;
    if (fields_.Count() == 0) fields_.Reserve(plan.columns.size() + 4);
    for (const auto& [key, index] : plan.columns) {
        const Variant* v = rs->Field(index);
        if (v == nullptr || v->IsNull()) {
            SetField(key, std::string());
        } else if (v->Type() == VarType::Boolean) {
            // Bit columns read as "1"/"0", the form check boxes and writes use.
            SetField(key, std::string(v->ToBool() ? "1" : "0"));
        } else {
            // Long binary converts from its bytes; ToText gives them as they stand.
            SetField(key, v->ToText());
        }
    }
    return true;
}

void Reservation::SetField(const std::string& name, Variant value) {
    fields_.Set(name, std::move(value));
}

Variant Reservation::GetField(const std::string& name) const {
    const Variant* v = fields_.Item(name);
    return v == nullptr ? Variant() : *v;
}

std::string Reservation::GetFieldText(const std::string& name) const {
    const Variant* v = fields_.Item(name);
    return v == nullptr ? std::string() : v->ToText();
}

int32_t Reservation::GetFieldLong(const std::string& name) const {
    const Variant* v = fields_.Item(name);
    if (v == nullptr || !v->IsNumeric()) return 0;
    bool ok = false;
    const int32_t r = v->ToInt32(&ok);
    return ok ? r : 0;
}

int32_t Reservation::GetFieldRoundedLong(const std::string& name) const {
    const Variant* v = fields_.Item(name);
    if (v == nullptr || !v->IsNumeric()) return 0;
    const double d = std::round(v->ToDouble());
    if (d < -2147483648.0 || d > 2147483647.0) return 0;
    return static_cast<int32_t>(d);
}

DateTime Reservation::GetFieldDate(const std::string& name) const {
    const Variant* v = fields_.Item(name);
    if (v == nullptr) return DateTime{};
    const auto d = v->ToDateTime();
    return d && d->Valid() ? *d : DateTime{};
}

void Reservation::CopyFrom(const Reservation& other) {
    fields_ = other.fields_;
    tableReserves_ = other.tableReserves_;
}

TableReserveMap Reservation::TablesByNo(const std::string& tableNo) const {
    TableReserveMap found;
    const std::string wanted = UpperAscii(tableNo);
    for (const auto& [id, tr] : tableReserves_) {
        if (UpperAscii(tr->TableNo()) == wanted) found.Add(id, tr);
    }
    return found;
}

bool Reservation::HasTable(const std::string& tableNo) const {
    return TablesByNo(tableNo).Count() > 0;
}
