#include "reservations/resvduplicates.h"

#include <memory>

#include "core/config.h"
#include "core/globals.h"
#include "core/log.h"
#include "platform/textutil.h"
#include "profiles/profiledefinition.h"
#include "reservations/kivfuncsupport.h"
#include "reservations/reservation.h"
#include "reservations/reservations.h"
#include "sql/sqldb.h"

namespace {

// The "SAME" fields' condition, or "" when one of them is empty.
std::string SameFieldsCondition(const ProfileDefinition* def, const Reservation& booking) {
    if (def == nullptr) return "";
    std::string cond;
    for (const auto& [code, f] : def->Fields()) {
        if (UpperAscii(Trim(f->AttrText("DuplicateResvCriteria"))) != "SAME") continue;
        const std::string column = f->DBField();
        if (f->IsPseudo() || column.empty() || !f->DataFromResvTable()) continue;
        const std::string value = Trim(booking.GetFieldText(code));
        if (value.empty()) return "";
        cond += std::string(cond.empty() ? "" : " AND ") + "R." + column + " = " + SQLStr(value);
    }
    return cond;
}

}  // namespace

std::string DuplicateResvSQL(const ProfileDefinition* def, const Reservation& booking) {
    const int32_t guest = booking.GetFieldLong("GuestID");
    const int32_t pseudo = g_oConfig != nullptr ? g_oConfig->PseudoGuestID() : 0;
    std::string match;
    if (guest > 0 && guest != pseudo) match = "R.GuestID = " + Str(guest);
    const std::string same = SameFieldsCondition(def, booking);
    if (!same.empty()) match += (match.empty() ? "(" : " OR (") + same + ")";
    if (match.empty()) return "";
    const std::optional<DateTime> date = booking.GetField("ReserveDate").ToDateTime();
    if (!date) return "";
    return "SELECT R.* FROM tbl_Reservation R WHERE R.RowStatus = " + SQLStr("A") +
           " AND R.OutletID = " + Str(booking.GetFieldLong("OutletID")) +
           " AND R.MPOutletID = " + Str(booking.GetFieldLong("MPOutletID")) +
           " AND R.ReserveDate = " + SQLStr(date->DateText()) + " AND (" + match +
           ") ORDER BY R.ReserveTime, R.ReserveID";
}

bool FindDuplicateResvs(SQLDB& db, const ProfileDefinition* def, const Reservation& booking,
                        Reservations& out) {
    out.Clear();
    const std::string sql = DuplicateResvSQL(def, booking);
    if (sql.empty()) return true;
    std::shared_ptr<Recordset> rs = db.RunSQLReturnRS(sql);
    if (rs == nullptr) {
        WriteSQLLog(db.ErrDescription(), sql, "NewResv", "CheckDuplicates");
        return false;
    }
    for (; !rs->Eof(); rs->MoveNext()) {
        auto r = std::make_shared<Reservation>();
        for (int i = 0; i < rs->FieldCount(); ++i)
            r->SetField(rs->FieldAt(i).Name, *rs->Field(i));
        out.Add(r);
    }
    return true;
}
