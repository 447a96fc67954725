// Floor plans in force on a business date and meal period.
#include <algorithm>
#include <map>

#include "procedures/installprocedures.h"
#include "procedures/procsupport.h"

const std::vector<std::string> kFPByDateColumns = {"FPID", "OutletID", "MPOutletID", "SeqNo",
                                                   "Capacity"};

namespace {

// Assignment level of a tbl_FPOutlet row for the date: 1 the date itself,
// 2 a calendar group holding the date, 3 the default assignment.
const char* const kAssignmentsSql =
    "SELECT FO.FPID, IFNULL(FO.SeqNo, 0), IFNULL(FO.Capacity, 0),"
    " CASE WHEN FO.BizDate IS NOT NULL THEN (CASE WHEN FO.BizDate = ? THEN 1 END)"
    "      WHEN FO.CalendarGroupID IS NOT NULL THEN"
    "        (CASE WHEN EXISTS (SELECT 1 FROM tbl_Calendar C WHERE C.RowStatus = 'A'"
    "          AND C.CalendarGroupID = FO.CalendarGroupID AND C.CalendarDate = ?) THEN 2 END)"
    "      ELSE 3 END AS Level,"
    " (SELECT IFNULL(SUM(T.TCapacity), 0) FROM tbl_FPTable T"
    "   WHERE T.FPID = FO.FPID AND T.RowStatus = 'A') AS Seats"
    " FROM tbl_FPOutlet FO JOIN tbl_FloorPlan FP ON FP.FPID = FO.FPID AND FP.RowStatus = 'A'"
    " WHERE FO.RowStatus = 'A' AND FO.OutletID = ?"
    "   AND (FO.MPOutletID = ? OR FO.MPOutletID IS NULL)"
    " ORDER BY IFNULL(FO.SeqNo, 0), FO.FPID";

}  // namespace

bool FloorPlansInForce(ProcedureContext& ctx, const std::string& date, int64_t mpOutletID,
                       int64_t outletID, std::vector<PlanInForce>& plans, std::string& error) {
    plans.clear();
    auto rs = ctx.Query(kAssignmentsSql, {date, date, Variant(outletID), Variant(mpOutletID)});
    if (rs == nullptr) {
        error = ctx.LastError();
        return false;
    }
    // Only the most specific level that has rows counts: a plan set for the
    // date replaces the calendar's, which replaces the default.
    int best = 4;
    for (const auto& row : rs->Rows()) {
        if (!row[3].IsNull()) best = std::min(best, static_cast<int>(row[3].ToInt64()));
    }
    std::map<int64_t, bool> seen;
    for (const auto& row : rs->Rows()) {
        if (row[3].IsNull() || row[3].ToInt64() != best) continue;
        PlanInForce p;
        p.FPID = row[0].ToInt64();
        if (seen[p.FPID]) continue;  // a plan assigned twice is in force once
        seen[p.FPID] = true;
        p.SeqNo = row[1].ToInt64();
        p.Capacity = row[2].ToInt64() > 0 ? row[2].ToInt64() : row[4].ToInt64();
        plans.push_back(p);
    }
    return true;
}

// sp_CT_GetFPByDate BizDate, MPOutletID, OutletID: the tbl_FloorPlan columns
// of every plan in force, plus SeqNo and Capacity, in SeqNo order.
bool ProcGetFPByDate(ProcedureContext& ctx, const std::vector<ProcedureArg>& args,
                     ProcedureResult& result, std::string& error) {
    ProcArgs a(args);
    auto date = a.Date("BizDate", 0);
    const int64_t mp = a.Int("MPOutletID", 1);
    const int64_t outlet = a.Int("OutletID", 2);
    auto rs =
        ctx.Query("SELECT FP.*, 0 AS SeqNo, 0 AS Capacity FROM tbl_FloorPlan FP WHERE 1 = 0", {});
    if (rs == nullptr) {
        error = ctx.LastError();
        return false;
    }
    std::vector<Recordset::Row> rows;
    std::vector<PlanInForce> plans;
    // Plans are in force for an outlet's own meal period only.
    const bool known = MealPeriodOfOutlet(ctx, mp, outlet);
    if (date && known && !FloorPlansInForce(ctx, *date, mp, outlet, plans, error)) return false;
    for (const auto& p : plans) {
        auto one = ctx.Query(
            "SELECT FP.*, ? AS SeqNo, ? AS Capacity FROM tbl_FloorPlan FP"
            " WHERE FP.FPID = ?",
            {Variant(p.SeqNo), Variant(p.Capacity), Variant(p.FPID)});
        if (one == nullptr) {
            error = ctx.LastError();
            return false;
        }
        for (const auto& row : one->Rows())
            rows.push_back(row);
    }
    std::vector<FieldInfo> fields = rs->Fields();
    for (auto& f : fields) {
        if (f.Name == "SeqNo" || f.Name == "Capacity") f.Type = adInteger;
    }
    result.ResultSets.push_back(std::make_shared<Recordset>(std::move(fields), std::move(rows)));
    return true;
}

// fn_GetFPByDate(date, MPOutletID): the plans in force as a table; the meal
// period names its outlet.
bool FuncGetFPByDate(ProcedureContext& ctx, const std::vector<Variant>& args,
                     std::vector<Recordset::Row>& rows, std::string& error) {
    rows.clear();
    if (args.size() < 2) {
        error = "fn_GetFPByDate: two arguments expected (date, MPOutletID)";
        return false;
    }
    auto date = NormaliseDate(args[0]);
    const int64_t mp = args[1].ToInt64();
    if (!date) return true;
    const int64_t outlet =
        QueryInt(ctx, "SELECT OutletID FROM tbl_MPOutlet WHERE MPOutletID = ?", {Variant(mp)}, 0);
    std::vector<PlanInForce> plans;
    if (!FloorPlansInForce(ctx, *date, mp, outlet, plans, error)) return false;
    for (const auto& p : plans) {
        rows.push_back(
            {Variant(p.FPID), Variant(outlet), Variant(mp), Variant(p.SeqNo), Variant(p.Capacity)});
    }
    return true;
}
