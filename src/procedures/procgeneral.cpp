// The user-action log and the outlets that take web bookings.
#include "procedures/installprocedures.h"
#include "procedures/procsupport.h"

namespace {

// The declared parameter sizes (char 4, char 8) cut longer texts.
std::string Cut(const std::string& s, std::size_t n) {
    return s.size() > n ? s.substr(0, n) : s;
}

Variant RemarkOf(const ProcArgs& a) {
    Variant v;
    if (!a.IsNull("ReserveNo", 6)) v = Variant(a.Text("ReserveNo", 6));
    return v;
}

}  // namespace

// sp_CT_WriteUserLog @DBServerID, @UserID, @Module, @Action, @OutletID,
// @ClientID, @ReserveNo (the remark): stores one tbl_UserLog row.
bool ProcWriteUserLog(ProcedureContext& ctx, const std::vector<ProcedureArg>& args,
                      ProcedureResult& result, std::string& error) {
    ProcArgs a(args);
    const bool ok = ctx.Execute(
        std::string("INSERT INTO tbl_UserLog (RowModified, RowStatus, DBServerID, UserID, Module,"
                    " Action, OutletID, ClientID, LogDT, Remark) VALUES (") +
            kSqlNow + ", 'A', ?, ?, ?, ?, ?, ?, " + kSqlNow + ", ?)",
        {a.IntOrNull("DBServerID", 0), a.IntOrNull("UserID", 1),
         Variant(Cut(a.Text("Module", 2), 4)), Variant(Cut(a.Text("Action", 3), 8)),
         a.IntOrNull("OutletID", 4, true), a.IntOrNull("ClientID", 5), RemarkOf(a)});
    if (!ok) {
        error = ctx.LastError();
        return false;
    }
    result.ReturnValue = 0;
    return true;
}

// sp_WebKIV_GetWebBookingOutlet: OutletCode and OutletID of the active
// outlets whose AllowWebBooking is "1".
bool ProcGetWebBookingOutlet(ProcedureContext& ctx, const std::vector<ProcedureArg>&,
                             ProcedureResult& result, std::string& error) {
    auto rs = ctx.Query(
        "SELECT OutletCode, OutletID FROM tbl_Outlet WHERE RowStatus = 'A'"
        " AND AllowWebBooking = '1' ORDER BY OutletCode",
        {});
    if (rs == nullptr) {
        error = ctx.LastError();
        return false;
    }
    result.ResultSets.push_back(rs);
    return true;
}
