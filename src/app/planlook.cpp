#include "app/planlook.h"

#include <algorithm>

#include "platform/textutil.h"
#include "reservations/reservation.h"
#include "sql/sqldb.h"
#include "venue/colordefs.h"
#include "venue/recordfields.h"
#include "views/planview.h"

std::map<int32_t, DateTime> SeatedArrivals(SQLDB& db, const std::vector<const TableStatus*>& tables,
                                           bool anyState) {
    std::string ids;
    for (const TableStatus* s : tables) {
        if (s->ReserveID() >= 1 && (anyState || s->GetTableStatus() == "V"))
            ids += (ids.empty() ? "" : ",") + std::to_string(s->ReserveID());
    }
    std::map<int32_t, DateTime> arrivals;
    if (ids.empty()) return arrivals;
    // Only integers built here reach the statement.
    auto rs = db.RunSQLReturnRS(
        "SELECT ReserveID, ArrivalTime FROM tbl_Reservation WHERE "
        "ReserveID IN (" +
        ids + ")");
    for (; rs != nullptr && !rs->Eof(); rs->MoveNext()) {
        auto arrival = DateTime::Parse(FieldStr(rs.get(), "ArrivalTime"));
        if (arrival) arrivals[FieldLng(rs.get(), "ReserveID")] = *arrival;
    }
    return arrivals;
}

TableLook LookOfTable(PlanView& view, const std::string& tableNo, const ColorDefs& colors,
                      ColorMode mode, const std::map<int32_t, DateTime>& arrivals,
                      const DateTime& now) {
    TableLook look;
    const TableStatus* s = view.GetTableStatus(tableNo);
    if (s == nullptr) return look;
    look.held = s->TableLock();
    look.blocked = s->Block();
    look.blockRemark = s->BlockRemark();
    look.blockID = s->TableBlockID();
    look.shared = view.IsDuplicate(tableNo);
    look.state = "-";
    if (view.Kind().liveStates) {
        look.state = s->GetTableStatus();
        std::optional<DateTime> arrived;
        if (auto it = arrivals.find(s->ReserveID()); it != arrivals.end()) arrived = it->second;
        look.color = TableColor(colors, *s, mode, arrived, now);
    }
    for (const auto& [id, same] : s->Reservations()) {
        const Reservation* r = view.FPResvs().Item(id);
        if (r == nullptr) continue;
        look.bookings.push_back({id, r->GetFieldDate("ReserveTime").Format("hh:nn"),
                                 r->GetFieldText("ReserveCover"), r->GetFieldText("DYLastName")});
    }
    std::stable_sort(look.bookings.begin(), look.bookings.end(),
                     [](const TableBooking& a, const TableBooking& b) { return a.time < b.time; });
    return look;
}

bool ReservationMatches(const Reservation& r, const std::string& text) {
    const std::string needle = LowerAscii(Trim(text));
    if (needle.empty()) return true;
    if (std::to_string(r.ReserveID()) == needle) return true;
    for (const char* field : {"DYLastName", "DYFirstName", "ContactPhone"}) {
        if (LowerAscii(r.GetFieldText(field)).find(needle) != std::string::npos) return true;
    }
    return false;
}
