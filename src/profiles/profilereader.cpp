// Reading one reservation or guest into a profile definition's fields.
#include "core/config.h"
#include "core/globals.h"
#include "core/log.h"
#include "profiles/profiledefinition.h"
#include "reservations/reservation.h"
#include "reservations/resvrules.h"
#include "sql/sqldb.h"

namespace {

constexpr const char* kClass = "ProfileDefinition";
constexpr const char* kLoadFail = "fail in loading valprofile";

}  // namespace

std::string ProfileDefinition::ReservationSQL(int32_t reserveID) const {
    const std::string lang = std::to_string(language_ >= 1 && language_ <= 3 ? language_ : 1);
    return "Select MG.MsgCode AS SYS_CancelCode, " + UserNameColumn("U1") + " AS SYS_CreateUser, " +
           UserNameColumn("U2") + " AS SYS_UpdateUser, " + UserNameColumn("U3") +
           " AS SYS_CancelUser, C.ClientCode + ' (' + C.NameL" + lang +
           " + ')' AS SYS_UpdateClient, O.NameL" + lang + " AS SYS_OutletName, MPO.NameL" + lang +
           " AS SYS_MPName, MPO.MPCode,  R.* " +
           ", convert(VarChar(19),  R.CreateDT, 121) As RCreateDT " +
           ", convert(VarChar(19),  R.UpdateDT, 121) As RUpdateDT " + " From tbl_Reservation R " +
           " Left Outer Join tbl_MPOutlet MPO On MPO.MPOutletID=R.MPOutletID " +
           " Left Outer Join tbl_Outlet O On O.OutletID=R.OutletID " +
           " Left Outer Join tbl_User U1 On U1.UserID=R.CreateUserID AND U1.RowStatus<>'D' " +
           " Left Outer Join tbl_User U2 On U2.UserID=R.UpdateUserID AND U2.RowStatus<>'D' " +
           " Left Outer Join tbl_User U3 On U3.UserID=R.CancelUserID AND U3.RowStatus<>'D' " +
           " Left Outer Join tbl_Message MG On MG.MsgID=R.CancelMsgID " +
           " Left Outer Join tbl_Client C On C.ClientID=R.UpdateClientID AND C.RowStatus IN "
           "('A','I') " +
           "Where R.ReserveID=" + std::to_string(reserveID) + " AND R.RowStatus <> 'D' ";
}

bool ProfileDefinition::LoadReservation(SQLDB& db, int32_t reserveID, Reservation& out) {
    const std::string sql = ReservationSQL(reserveID);
    auto rs = db.RunSQLReturnRS(sql);
    if (rs == nullptr || rs->Eof() || !out.Load(rs.get(), *this)) {
        SetErr(rs == nullptr ? db.ErrNumber() : kErrRSEOF, kClass, "LoadReservation", kLoadFail);
        if (rs == nullptr) WriteSQLLog(db.ErrDescription(), sql, kClass, "LoadReservation");
        WriteLog(kLoadFail, kClass, "LoadReservation");
        return false;
    }
    const std::string bindSql =
        "SELECT * FROM tbl_TableReserve WHERE RowStatus <>  'D' AND "
        "ReserveID = " +
        std::to_string(reserveID) + " ORDER BY TableReserveID";
    auto binds = db.RunSQLReturnRS(bindSql);
    if (binds == nullptr) {
        WriteSQLLog(db.ErrDescription(), bindSql, kClass, "LoadReservation");
        WriteLog(kLoadFail, kClass, "LoadReservation");
        return false;
    }
    out.TableReserves().Clear();
    std::string tables, ids;
    for (; !binds->Eof(); binds->MoveNext()) {
        auto tr = std::make_shared<TableReserve>();
        if (!tr->LoadColumns(binds.get())) continue;
        tr->LoadPartFlags(db);
        tables += (tables.empty() ? "" : ",") + tr->TableNo();
        ids += (ids.empty() ? "" : ",") + std::to_string(tr->TableReserveID());
        out.TableReserves().Add(tr->TableReserveID(), tr);
    }
    out.SetField("SYS_TableNoList", tables);
    out.SetField("SYS_TableResvIDList", ids);
    FillResvIndicators(out);
    FillFields(out);
    return true;
}

bool ProfileDefinition::LoadGuest(SQLDB& db, int32_t guestID, Reservation& out) {
    const std::string sql =
        "Select * from tbl_Guest Where GuestID=" + std::to_string(guestID) + " AND RowStatus='A'";
    auto rs = db.RunSQLReturnRS(sql);
    if (rs == nullptr || rs->Eof() || !out.Load(rs.get(), *this)) {
        SetErr(rs == nullptr ? db.ErrNumber() : kErrRSEOF, kClass, "LoadGuest", kLoadFail);
        if (rs == nullptr) WriteSQLLog(db.ErrDescription(), sql, kClass, "LoadGuest");
        WriteLog(kLoadFail, kClass, "LoadGuest");
        return false;
    }
    FillFields(out);
    return true;
}

void ProfileDefinition::FillFields(const Reservation& record) {
    for (auto& [code, field] : fields_) {
        field->SetValue(record.GetFieldText(code));
        field->SetLoadedValue(field->GetValue());
    }
}

void ProfileDefinition::FillDefaults() {
    for (auto& [code, field] : fields_) {
        field->SetValue(field->DefaultValue());
        field->SetLoadedValue("");
    }
}
