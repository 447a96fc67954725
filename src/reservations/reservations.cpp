#include "reservations/reservations.h"

#include "core/log.h"
#include "profiles/profiledefinition.h"
#include "sql/recordfields.h"
#include "sql/sqldb.h"

namespace {
constexpr const char* kClass = "Reservations";
}

Reservation* Reservations::Item(int32_t reserveID) {
    auto* p = items_.Item(reserveID);
    return p == nullptr ? nullptr : p->get();
}

const Reservation* Reservations::Item(int32_t reserveID) const {
    const auto* p = items_.Item(reserveID);
    return p == nullptr ? nullptr : p->get();
}

Reservation* Reservations::ItemAt(std::size_t index) {
    if (index >= items_.Count()) return nullptr;
    return (items_.begin() + static_cast<long>(index))->second.get();
}

bool Reservations::Add(std::shared_ptr<Reservation> reservation) {
    if (reservation == nullptr) return false;
    const int32_t id = reservation->ReserveID();
    return items_.Add(id, std::move(reservation));
}

Reservation* Reservations::LoadRow(const Recordset* rs, const ProfileDefinition& def) {
    if (rs == nullptr) return LoadRow(rs, ResvColumnPlan{});
    return LoadRow(rs, MakeResvColumnPlan(*rs, def));
}

Reservation* Reservations::LoadRow(const Recordset* rs, const ResvColumnPlan& plan) {
    if (!HasCurrentRow(*this, rs, kClass, "oRS is at the end", RowLog::kNone, "LoadRow"))
        return nullptr;
    int32_t id = 0;
    if (plan.reserveIDColumn >= 0) {
        const Variant* v = rs->Field(plan.reserveIDColumn);
        bool ok = false;
        id = v != nullptr && v->IsNumeric() ? v->ToInt32(&ok) : 0;
        if (!ok) id = 0;
    } else {
        id = FieldLng(rs, "ReserveID");
    }
    if (Reservation* existing = Item(id)) {
        return existing->Load(rs, plan) ? existing : nullptr;
    }
    auto r = std::make_shared<Reservation>();
    if (!r->Load(rs, plan)) {
        CopyErr(r->ErrNumber(), r->ErrDescription());
        return nullptr;
    }
    Reservation* raw = r.get();
    items_.Add(id, std::move(r));
    return raw;
}

bool Reservations::HasTableReserve(int32_t tableReserveID) const {
    for (const auto& [id, r] : items_) {
        if (r->TableReserves().Exists(tableReserveID)) return true;
    }
    return false;
}
