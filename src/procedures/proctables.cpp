// Temporary table holds and the live status row of a table.
#include <limits>

#include "procedures/installprocedures.h"
#include "procedures/procsupport.h"

namespace {

// Results of sp_CT_HoldTable that refuse the hold.
constexpr int64_t kHeld = 0;       // another standing hold
constexpr int64_t kBooked = -1;    // bound to an active reservation
constexpr int64_t kBadInput = -2;  // outlet, date, meal period or table missing or invalid

constexpr std::size_t kMaxTableNo = 8;

// How many active reservations of one date and meal period may be bound to
// the table before it counts as booked: one, or the share count of a table
// drawn as shareable (no limit when that count is not set).
int64_t PartiesAllowed(ProcedureContext& ctx, int64_t outlet, const std::string& tableNo) {
    auto rs = ctx.Query(
        "SELECT MAX(IFNULL(T.IsShare, 0)), MAX(IFNULL(T.ShareCount, 0)) FROM tbl_FPTable T"
        " JOIN tbl_FloorPlan FP ON FP.FPID = T.FPID AND FP.RowStatus = 'A'"
        " WHERE T.RowStatus = 'A' AND FP.OutletID = ? AND T.TableNo = ?",
        {Variant(outlet), tableNo});
    if (rs == nullptr || rs->Eof() || rs->Field(0)->IsNull()) return 1;
    if (rs->Field(0)->ToInt64() == 0) return 1;
    const int64_t count = rs->Field(1)->ToInt64();
    return count > 0 ? count : std::numeric_limits<int32_t>::max();
}

const char* const kHeldSql =
    "SELECT 1 FROM tbl_TableTemp WHERE RowStatus = 'A' AND OutletID = ? AND ReserveDate = ?"
    " AND MPOutletID = ? AND TableNo = ?";

const char* const kBoundCountSql =
    "SELECT COUNT(DISTINCT R.ReserveID) FROM tbl_TableReserve TR"
    " JOIN tbl_Reservation R ON R.ReserveID = TR.ReserveID"
    " WHERE TR.RowStatus = 'A' AND R.RowStatus = 'A' AND R.OutletID = ? AND R.ReserveDate = ?"
    " AND R.MPOutletID = ? AND TR.TableNo = ?";

void SetHoldResult(ProcedureResult& result, int64_t value) {
    result.ReturnValue = value;
    result.ResultSets.push_back(MakeRecordset({"TempID"}, {adInteger}, {{Variant(value)}}));
}

}  // namespace

// sp_CT_HoldTable DBServerID, OutletID, ReserveDate, MPOutletID, TableNo,
// UserID, ClientID, WebSessionID: inserts a standing hold and returns its
// TempID, or 0 / -1 / -2 when refused (see db/procedures.md).
bool ProcHoldTable(ProcedureContext& ctx, const std::vector<ProcedureArg>& args,
                   ProcedureResult& result, std::string& error) {
    ProcArgs a(args);
    const int64_t server = a.Int("DBServerID", 0);
    const int64_t outlet = a.Int("OutletID", 1);
    const auto date = a.Date("ReserveDate", 2);
    const int64_t mp = a.Int("MPOutletID", 3);
    const std::string table = NormaliseTableNo(a.Text("TableNo", 4));
    const Variant user = a.IntOrNull("UserID", 5);
    const Variant client = a.IntOrNull("ClientID", 6);
    const Variant web = a.IntOrNull("WebSessionID", 7);
    // A longer number would be cut to another table's number by the declared
    // parameter size; refuse it instead of holding the wrong table.
    if (outlet <= 0 || mp <= 0 || !date || table.empty() || table.size() > kMaxTableNo ||
        !OutletExists(ctx, outlet, true) || !MealPeriodOfOutlet(ctx, mp, outlet) ||
        !ServerExists(ctx, server)) {
        SetHoldResult(result, kBadInput);
        return true;
    }
    const std::vector<Variant> key = {Variant(outlet), *date, Variant(mp), table};
    const int64_t allowed = PartiesAllowed(ctx, outlet, table);
    // One statement checks and inserts, so two workstations asking at once
    // cannot both get the table; the unique index on standing holds backs it.
    const Variant allowedV(allowed);
    std::vector<Variant> params = {
        Variant(server), Variant(outlet), Variant(mp), *date, table, user, client, web};
    for (int i = 0; i < 2; ++i)
        params.insert(params.end(), key.begin(), key.end());
    params.insert(params.end(), &allowedV, &allowedV + 1);
    int64_t changes = 0;
    const bool inserted = ctx.Execute(
        std::string("INSERT INTO tbl_TableTemp (RowModified, RowStatus, DBServerID, OutletID,"
                    " MPOutletID, ReserveDate, TableNo, HoldDT, UserID, ClientID, WebSessionID)"
                    " SELECT ") +
            kSqlNow + ", 'A', ?, ?, ?, ?, ?, " + kSqlNow + ", ?, ?, ? WHERE NOT EXISTS (" +
            kHeldSql + ") AND (" + kBoundCountSql + ") < ?",
        params, &changes);
    if (inserted && changes == 1) {
        SetHoldResult(result, ctx.LastInsertId());
        return true;
    }
    if (!inserted && ctx.LastError().find("UNIQUE") == std::string::npos) {
        error = ctx.LastError();
        return false;
    }
    auto held = ctx.Query(kHeldSql, key);
    if (held == nullptr) {
        error = ctx.LastError();
        return false;
    }
    SetHoldResult(result, held->Eof() ? kBooked : kHeld);
    return true;
}

// sp_CT_GetHoldTable OutletID, ReserveDate, MPOutletID: the standing holds.
bool ProcGetHoldTable(ProcedureContext& ctx, const std::vector<ProcedureArg>& args,
                      ProcedureResult& result, std::string& error) {
    ProcArgs a(args);
    const int64_t outlet = a.Int("OutletID", 0);
    const auto date = a.Date("ReserveDate", 1);
    const int64_t mp = a.Int("MPOutletID", 2);
    // A meal period of another outlet lists nothing (the false condition keeps the columns).
    const bool known = MealPeriodOfOutlet(ctx, mp, outlet);
    auto rs = ctx.Query(
        std::string(
            "SELECT TempID, TableNo, ClientID, UserID, HoldDT, OutletID, MPOutletID, ReserveDate"
            " FROM tbl_TableTemp WHERE RowStatus = 'A' AND OutletID = ? AND ReserveDate = ?"
            " AND MPOutletID = ?") +
            (known ? "" : " AND 1 = 0") + " ORDER BY TableNo, TempID",
        {Variant(outlet), Variant(date.value_or("")), Variant(mp)});
    if (rs == nullptr) {
        error = ctx.LastError();
        return false;
    }
    result.ResultSets.push_back(rs);
    return true;
}

// sp_SV_GetTableStatus OutletID, MPOutletID, TableNo [, ...]: the live status
// row of the table, created vacant when the table has none yet so that
// check-in always has a row to bind. Further arguments are accepted and not used.
bool ProcGetTableStatus(ProcedureContext& ctx, const std::vector<ProcedureArg>& args,
                        ProcedureResult& result, std::string& error) {
    ProcArgs a(args);
    const int64_t outlet = a.Int("OutletID", 0);
    const int64_t mp = a.Int("MPOutletID", 1);
    const std::string table = NormaliseTableNo(a.Text("TableNo", 2));
    // An outlet that does not exist (or a meal period of another outlet)
    // gets no row: the result is empty and nothing is created for it.
    const bool known = OutletExists(ctx, outlet, false) && (a.IsNull("MPOutletID", 1) || mp == 0 ||
                                                            MealPeriodOfOutlet(ctx, mp, outlet));
    const std::string select = std::string(
                                   "SELECT * FROM tbl_TableStatus WHERE RowStatus = 'A' AND "
                                   "OutletID = ? AND TableNo = ?") +
                               (known ? "" : " AND 1 = 0") + " ORDER BY TableStatusID LIMIT 1";
    if (known && OutletExists(ctx, outlet, true) && !table.empty()) {
        const bool ok = ctx.Execute(
            std::string("INSERT INTO tbl_TableStatus (RowModified, RowStatus, DBServerID, OutletID,"
                        " TableNo, TableStatus, LastChangeTime, ReserveID, WaitReserveID)"
                        " SELECT ") +
                kSqlNow +
                ", 'A', (SELECT DBServerID FROM tbl_Outlet WHERE OutletID = ?), ?, ?, 'V', " +
                kSqlNow +
                ", 0, 0 WHERE NOT EXISTS (SELECT 1 FROM tbl_TableStatus WHERE RowStatus = 'A'"
                " AND OutletID = ? AND TableNo = ?)",
            {Variant(outlet), Variant(outlet), table, Variant(outlet), table});
        if (!ok) {
            error = ctx.LastError();
            return false;
        }
    }
    auto rs = ctx.Query(select, {Variant(outlet), table});
    if (rs == nullptr) {
        error = ctx.LastError();
        return false;
    }
    result.ResultSets.push_back(rs);
    return true;
}
