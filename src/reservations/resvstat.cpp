// The availability statistics of KIVFunc and the panel figures.
#include "reservations/resvstat.h"

#include <memory>

#include "core/config.h"
#include "core/globals.h"
#include "core/log.h"
#include "platform/textutil.h"
#include "registry/dbconnections.h"
#include "reservations/kivfunc.h"
#include "reservations/kivfuncsupport.h"
#include "sql/recordfields.h"
#include "sql/sqldb.h"
#include "venue/outlet.h"
#include "venue/planloader.h"

namespace {

using kivfunc_support::kClass;

bool ParamOn(const char* name) {
    return g_oConfig != nullptr && g_oConfig->ConfigParam(name).ToInt32() == 1;
}

// The reservation states that count as bookings of the period, as a
// condition on `alias`.RowStatus.
std::string BookedStates(const std::string& alias) {
    const std::string col = alias.empty() ? "RowStatus" : alias + ".RowStatus";
    if (!ParamOn(kStatIncludeSettledParam)) return col + " = 'A'";
    return "(" + col + " = 'A' OR " + col + " = 'C')";
}

// The outlet and its database; nullptr (error set and logged) when either
// is unknown.
const Outlet* StatOutlet(KIVFunc& func, int32_t outletID, const char* procedure, SQLDB** db) {
    const Outlet* outlet = func.GetOutlet(outletID);
    std::string message;
    if (outlet == nullptr) {
        message = "Cannot retrieve outlet :" + Str(outletID);
    } else {
        *db = g_oDBConns != nullptr ? g_oDBConns->GetSQLDB(outlet->DBServerID()) : nullptr;
        if (*db == nullptr) message = "Cannot retrieve DBServer : " + Str(outlet->DBServerID());
    }
    if (message.empty()) return outlet;
    func.SetErr(kErrItemNotFound, kClass, procedure, message);
    WriteLog(message, kClass, procedure);
    return nullptr;
}

// Runs a query; nullptr (error set, statement logged) when it fails.
std::shared_ptr<Recordset> Query(KIVFunc& func, SQLDB& db, const std::string& sql,
                                 const char* procedure) {
    std::shared_ptr<Recordset> rs = FirstOpenRecordset(db.RunSQLReturnRS(sql));
    if (!CheckQuery(func, db, rs.get(), sql, kClass, procedure)) return nullptr;
    return rs;
}

// Tables per size on the plans in force, `filter` applied to the derived
// table A (one row per table number). A number drawn on two plans counts
// once, at its larger size, as the web allotment counts it.
std::string TableCountSQL(const std::string& plans, const std::string& alias,
                          const std::string& filter) {
    return "SELECT A.TCapacity,COUNT(A.TableNo) AS " + alias +
           " FROM ( SELECT TableNo,MAX(TCapacity) AS TCapacity FROM tbl_FPTable  WHERE RowStatus= "
           "'A' AND FPID IN (" +
           plans + ") GROUP BY TableNo ) A" + filter +
           " GROUP BY A.TCapacity  ORDER BY A.TCapacity ";
}

// Adds each row's count to `field` of its size; false when the query failed.
bool AddCounts(KIVFunc& func, SQLDB& db, const std::string& sql, const char* column,
               int32_t TableStat::*field, TableStats& stats) {
    std::shared_ptr<Recordset> rs = Query(func, db, sql, "GetTableStat");
    if (rs == nullptr) return false;
    for (; !rs->Eof(); rs->MoveNext()) {
        const int32_t size = FieldLng(rs.get(), "TCapacity");
        TableStat& s = stats[size];
        s.TblCap = size;
        s.*field = FieldLng(rs.get(), column);
    }
    return true;
}

// The table modes whose booking window has not opened at the server's
// present time; "" when every window is open (or the site has none).
std::string ClosedWindowModes(const PlanLoader& loader) {
    const DateTime now = DateTime::Now().AddSeconds(loader.SvrTimeDiff());
    const bool onCourse = now < loader.OnCourseDT();
    const bool phone = now < loader.PhoneBookingDT();
    if (onCourse && phone) return "( ReserveMode= 'O'  OR ReserveMode= 'P' )";
    if (onCourse) return "ReserveMode= 'O' ";
    if (phone) return "ReserveMode= 'P' ";
    return "";
}

// Tables on the plans in force, blocked and held back, per size.
bool AddPlanCounts(KIVFunc& func, SQLDB& db, const Outlet& outlet, const PlanLoader& plans,
                   bool windows, TableStats& stats) {
    std::string ids;
    for (const auto& [id, plan] : plans.FloorPlans())
        ids += (ids.empty() ? "" : ",") + Str(id);
    if (ids.empty()) return true;
    const std::string blocks =
        " WHERE A.TableNo IN ( SELECT TableNo FROM tbl_TableBlock WHERE RowStatus='A' AND "
        "OutletID=  " +
        Str(outlet.OutletID()) + " AND MPOutletID= " + Str(plans.MPOutletID()) + " AND " +
        BlockDateCondition(plans.ResvDate()) + ")";
    if (!AddCounts(func, db, TableCountSQL(ids, "TblCnt", ""), "TblCnt", &TableStat::TblCnt,
                   stats) ||
        !AddCounts(func, db, TableCountSQL(ids, "TblBkCnt", blocks), "TblBkCnt",
                   &TableStat::TblBkCnt, stats))
        return false;
    const std::string modes = windows ? ClosedWindowModes(plans) : "";
    if (modes.empty()) return true;
    const std::string held =
        " WHERE A.TableNo IN ( SELECT TableNo FROM tbl_FPTable WHERE RowStatus='A' AND FPID IN (" +
        ids + ") AND " + modes + ")";
    return AddCounts(func, db, TableCountSQL(ids, "TblTmBkCnt", held), "TblTmBkCnt",
                     &TableStat::TblTmBkCnt, stats);
}

bool AddBookedTables(KIVFunc& func, SQLDB& db, const Outlet& outlet, const DateTime& date,
                     int32_t mp, TableStats& stats) {
    // Grouped by table first, so a table shared by several parties counts
    // once and their occupied seats add up.
    const std::string sql =
        "SELECT A.Capacity,COUNT(A.TableNo) AS ResvCnt,SUM(A.Occupied) AS Occupied FROM ( SELECT "
        "TR.TableNo,MAX(TR.Capacity) AS Capacity,SUM(IsNull(TR.Occupied,0)) AS Occupied FROM "
        "tbl_Reservation AS R ,tbl_TableReserve AS TR  WHERE " +
        BookedStates("R") +
        " AND TR.RowStatus = 'A' AND R.ReserveDate = " + SQLStr(date.DateText()) +
        " AND R.ReserveID = TR.ReserveID  AND R.OutletID = " + Str(outlet.OutletID()) +
        " AND R.MPOutletID = " + Str(mp) +
        " GROUP BY TR.TableNo ) A  GROUP BY A.Capacity  ORDER BY A.Capacity ";
    std::shared_ptr<Recordset> rs = Query(func, db, sql, "GetTableStat");
    if (rs == nullptr) return false;
    for (; !rs->Eof(); rs->MoveNext()) {
        const int32_t size = FieldLng(rs.get(), "Capacity");
        TableStat& s = stats[size];
        s.TblCap = size;
        s.ResvCnt = FieldLng(rs.get(), "ResvCnt");
        s.ResvOcp = FieldLng(rs.get(), "Occupied");
    }
    return true;
}

// Tables (or covers) kept for the web, per size; only where web booking is
// on for the installation and the outlet.
bool AddWebAllotment(KIVFunc& func, SQLDB& db, const Outlet& outlet, const DateTime& date,
                     int32_t mp, TableStats& stats) {
    if (!ParamOn("WebBooking") || !outlet.AllowWebBooking()) return true;
    // The kind only decides how the procedure counts what is used; the
    // allotment is read the same for both.
    const int32_t kind = outlet.AllotmentType() == 2 ? 2 : 1;
    const std::string sql = "Exec sp_WebKIV_GetAllotmentByDate " + Str(outlet.OutletID()) + ", " +
                            Str(mp) + ", " + SQLStr(date.Format("yyyy-mm-dd")) + ", 0, 0, " +
                            Str(kind) + ", Null";
    std::shared_ptr<Recordset> rs = Query(func, db, sql, "GetTableStat");
    if (rs == nullptr) return false;
    for (; !rs->Eof(); rs->MoveNext()) {
        if (UpperAscii(FieldStr(rs.get(), "Return")) != "P") {
            func.SetErr(kErrItemNotFound, kClass, "GetTableStat", "Return <> 'P' ");
            WriteLog("Return <> 'P' ", kClass, "GetTableStat");
            return false;
        }
        const int32_t size = FieldLng(rs.get(), "RCapacity");
        TableStat& s = stats[size];
        s.TblCap = size;
        s.TblWebAllotCnt = FieldLng(rs.get(), "AllotTables");
    }
    return true;
}

// " ,Sum (CASE WHEN cond THEN value ELSE 0 END) AS name "
std::string SumTerm(const std::string& cond, const std::string& value, const std::string& name) {
    return " ,Sum (CASE WHEN " + cond + " THEN " + value + " ELSE 0 END) AS " + name + " ";
}

struct Category {
    const char* prefix;
    const char* condition;
    ResvCounts ResvStat::*counts;
};

// A NULL mode is a reservation taken some other way than at the door, and
// a NULL confirmation is not confirmed.
const Category kCategories[] = {
    {"Normal", "ReserveType= 'N' AND IsNull(ReserveMode,'')<>'W'", &ResvStat::Normal},
    {"Wait", "ReserveType= 'W'", &ResvStat::Wait},
    {"Walk", "ReserveType= 'N' AND ReserveMode= 'W'", &ResvStat::Walk},
    {"Confrim", "ReserveType= 'N' AND ConfirmStatus= 1", &ResvStat::Confrim},
    {"NotConfrim", "ReserveType= 'N' AND IsNull(ConfirmStatus,0)= 0", &ResvStat::NotConfrim},
};

struct Quantity {
    const char* suffix;
    const char* value;
    int32_t ResvCounts::*field;
};

const Quantity kQuantities[] = {
    {"CoverCnt", "1", &ResvCounts::CoverCnt},
    {"Cover", "IsNull(ReserveCover,0)", &ResvCounts::Cover},
    {"Adult", "IsNull(DYAdult,0)", &ResvCounts::Adult},
    {"Children", "IsNull(DYChildren,0)", &ResvCounts::Children},
};

std::string ResvStatSQL(const Outlet& outlet, const DateTime& date, int32_t mp) {
    const std::string states = BookedStates("");
    std::string sql = "SELECT  ReserveCover ";
    for (const Category& c : kCategories)
        for (const Quantity& q : kQuantities)
            sql += SumTerm(std::string(c.condition) + " AND " + states, q.value,
                           std::string(c.prefix) + q.suffix);
    sql += SumTerm("RowStatus = 'X' ", "1", "CxlCoverCnt");
    sql += SumTerm("RowStatus = 'X' ", "IsNull(ReserveCover,0)", "CxlCover");
    return sql + " FROM tbl_Reservation  WHERE (" + states + " OR RowStatus= 'X')" +
           " AND ReserveDate = " + SQLStr(date.DateText()) +
           " AND OutletID = " + Str(outlet.OutletID()) + " AND MPOutletID = " + Str(mp) +
           " GROUP BY ReserveCover  ORDER BY ReserveCover";
}

// Half-open intervals: a booking at a boundary belongs to the interval that
// starts then. An interval whose end is not after its start runs past
// midnight (23:00-00:00 takes 23:00 to 23:59).
constexpr const char* kInInterval =
    "((C.StartTime < C.EndTime AND R.ReserveTime >= C.StartTime AND R.ReserveTime < C.EndTime)"
    " OR (C.EndTime <= C.StartTime AND (R.ReserveTime >= C.StartTime OR R.ReserveTime < "
    "C.EndTime)))";

std::string IntervalSQL(const Outlet& outlet, const DateTime& date, int32_t mp) {
    // The reservation conditions stay in the join, so an interval without
    // bookings is listed with 0 covers.
    return "Select Left(Convert(nvarchar(8),C.StartTime,108),5) as StartTime , "
           "Left(Convert(nvarchar(8),C.EndTime,108),5) as EndTime, C.Capacity,  "
           "IsNull(Sum(R.ReserveCover),0) AS ReserveCover FROM tbl_MPOutlet As O inner join   "
           "tbl_MPCapacity As C ON C.MPOutletID = O.MPOutletID LEFT JOIN tbl_Reservation R ON "
           "R.MPOutletID = O.MPOutletID and " +
           std::string(kInInterval) + " AND R.ReserveDate = " + SQLStr(date.DateText()) +
           " AND R.OutletID = " + Str(outlet.OutletID()) + " AND R.MPOutletID = " + Str(mp) +
           " AND " + BookedStates("R") + " Where O.RowStatus='A'  And C.RowStatus = 'A'" +
           " And C.MPOutletID = " + Str(mp) +
           " GROUP BY O.NameL1, C.MPCapacityID, C.MPOutletID, C.StartTime, C.EndTime, C.Capacity"
           " ORDER BY C.MPCapacityID";
}

}  // namespace

bool KIVFunc::GetTableStat(int32_t outletID, const DateTime& date, int32_t mpOutletID,
                           TableStats& stats) {
    constexpr const char* kProc = "GetTableStat";
    stats.clear();
    SQLDB* db = nullptr;
    const Outlet* outlet = StatOutlet(*this, outletID, kProc, &db);
    if (outlet == nullptr) return false;
    PlanLoader plans(kClass);
    plans.SetOutlet(outlet->OutletID(), outlet->DBServerID(), db);
    plans.SetMPOutletID(mpOutletID);
    plans.SetResvDate(date);
    if (!plans.LoadFloorplans()) {
        CopyErr(plans.ErrNumber(), plans.ErrDescription());
        WriteLog("LoadFloorplans fail", kClass, kProc);
        return false;
    }
    const bool windows = ParamOn(kStatBookingWindowParam);
    if (windows && !(plans.LoadSvrTimeDiff() && plans.LoadTableBookingDT())) {
        CopyErr(plans.ErrNumber(), plans.ErrDescription());
        return false;
    }
    if (!AddPlanCounts(*this, *db, *outlet, plans, windows, stats)) return false;
    return AddBookedTables(*this, *db, *outlet, date, mpOutletID, stats) &&
           AddWebAllotment(*this, *db, *outlet, date, mpOutletID, stats);
}

bool KIVFunc::GetResvStat(int32_t outletID, const DateTime& date, int32_t mpOutletID,
                          ResvStats& stats) {
    constexpr const char* kProc = "GetResvStat";
    stats.clear();
    SQLDB* db = nullptr;
    const Outlet* outlet = StatOutlet(*this, outletID, kProc, &db);
    if (outlet == nullptr) return false;
    std::shared_ptr<Recordset> rs =
        Query(*this, *db, ResvStatSQL(*outlet, date, mpOutletID), kProc);
    if (rs == nullptr) return false;
    for (; !rs->Eof(); rs->MoveNext()) {
        ResvStat s;
        s.ReserveCover = FieldLng(rs.get(), "ReserveCover");
        for (const Category& c : kCategories)
            for (const Quantity& q : kQuantities)
                (s.*(c.counts)).*(q.field) = FieldLng(rs.get(), std::string(c.prefix) + q.suffix);
        s.CxlCoverCnt = FieldLng(rs.get(), "CxlCoverCnt");
        s.CxlCover = FieldLng(rs.get(), "CxlCover");
        stats.push_back(s);
    }
    return true;
}

bool KIVFunc::GetResvStatByInterval(int32_t outletID, const DateTime& date, int32_t mpOutletID,
                                    IntervalStats& stats) {
    constexpr const char* kProc = "GetResvStatByInterval";
    stats.clear();
    SQLDB* db = nullptr;
    const Outlet* outlet = StatOutlet(*this, outletID, kProc, &db);
    if (outlet == nullptr) return false;
    std::shared_ptr<Recordset> rs =
        Query(*this, *db, IntervalSQL(*outlet, date, mpOutletID), kProc);
    if (rs == nullptr) return false;
    for (; !rs->Eof(); rs->MoveNext()) {
        IntervalStat s;
        s.StartTime = FieldStr(rs.get(), "StartTime");
        s.EndTime = FieldStr(rs.get(), "EndTime");
        s.Capacity = FieldLng(rs.get(), "Capacity");
        s.ReserveCover = FieldLng(rs.get(), "ReserveCover");
        stats.push_back(s);
    }
    return true;
}

std::vector<StatFigure> StatPanelFigures(const TableStats& tables, const IntervalStats& intervals,
                                         bool allotInCovers) {
    int64_t capacity = 0, occupied = 0, blocked = 0, timeBlocked = 0, allotment = 0, turnover = 0;
    for (const auto& [size, t] : tables) {
        capacity += int64_t{size} * t.TblCnt;
        occupied += t.ResvOcp;
        blocked += int64_t{size} * t.TblBkCnt;
        timeBlocked += int64_t{size} * t.TblTmBkCnt;
        allotment += allotInCovers ? t.TblWebAllotCnt : int64_t{size} * t.TblWebAllotCnt;
    }
    for (const IntervalStat& i : intervals)
        turnover += i.Capacity;
    const int64_t available = capacity - blocked - timeBlocked - allotment;
    return {{"remaining", available - occupied},
            {"available", available},
            {"outlet_capacity", capacity},
            {"turnover", turnover},
            {"occupied", occupied},
            {"blocked", blocked},
            {"time_blocked", timeBlocked},
            {"allotment", allotment}};
}
