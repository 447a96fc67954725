#include "reservations/tablereserve.h"

#include "core/globals.h"
#include "core/log.h"
#include "data/dbconnections.h"
#include "data/recordfields.h"
#include "data/sqldb.h"

namespace {

constexpr const char* kClass = "TableReserve";

int SecondOfDay(const DateTime& t) {
    return t.Hour * 3600 + t.Minute * 60 + t.Second;
}

// Whether t lies in [a, b) on the clock; wraps past midnight when b < a.
bool InPart(int t, int a, int b) {
    if (a == b) return false;
    return a < b ? (a <= t && t < b) : (t >= a || t < b);
}

}  // namespace

PartFlags ComputePartFlags(const PeriodParts& p, const DateTime& reserveTime) {
    const int t = SecondOfDay(reserveTime);
    return {InPart(t, SecondOfDay(p.start), SecondOfDay(p.end1)),
            InPart(t, SecondOfDay(p.start2), SecondOfDay(p.end))};
}

bool TableReserve::LoadColumns(const Recordset* rs) {
    if (!HasCurrentRow(*this, rs, kClass, "oRS is at the end", RowLog::kNumbered, "Load"))
        return false;
    rowModified_ = FieldDate(rs, "RowModified");
    rowStatus_ = FieldStr(rs, "RowStatus");
    tableReserveID_ = FieldLng(rs, "TableReserveID");
    reserveID_ = FieldLng(rs, "ReserveID");
    tableNo_ = FieldStr(rs, "TableNo");
    isShare_ = FieldShort(rs, "IsShare");
    checkNo_ = FieldStr(rs, "CheckNo");
    checkOpenTime_ = FieldDate(rs, "CheckOpenTime");
    checkPrintTime_ = FieldDate(rs, "CheckPrintTime");
    checkCloseTime_ = FieldDate(rs, "CheckCloseTime");
    checkCover_ = FieldLng(rs, "CheckCover");
    checkTotal_ = FieldSng(rs, "CheckTotal");
    capacity_ = FieldShort(rs, "Capacity");
    occupied_ = FieldShort(rs, "Occupied");
    reserved_ = FieldShort(rs, "Reserved");
    posTableNo_ = FieldStr(rs, "POSTableNo");
    dbServerID_ = FieldLng(rs, "DBServerID");
    return true;
}

bool TableReserve::Load(const Recordset* rs) {
    if (!LoadColumns(rs)) return false;
    SQLDB* db = g_oDBConns != nullptr ? g_oDBConns->GetSQLDB(dbServerID_) : nullptr;
    if (db != nullptr) LoadPartFlags(*db);
    return true;
}

bool TableReserve::LoadPartFlags(SQLDB& db) {
    flags_ = {};
    const std::string sql =
        "select m.MPStartTime,m.MPEndTime1,m.MPStartTime2,m.MPEndTime,r.ReserveTime from "
        "tbl_MPOutlet m "
        "left join tbl_Reservation r on r.MPOutletID=m.MPOutletID Where r.ReserveID =" +
        std::to_string(reserveID_);
    auto rs = db.RunSQLReturnRS(sql);
    if (!CheckQuery(*this, db, rs.get(), sql, kClass, "LoadPartFlags")) return false;
    if (rs->Eof()) return true;
    const PeriodParts parts{FieldDate(rs.get(), "MPStartTime"), FieldDate(rs.get(), "MPEndTime1"),
                            FieldDate(rs.get(), "MPStartTime2"), FieldDate(rs.get(), "MPEndTime")};
    flags_ = ComputePartFlags(parts, FieldDate(rs.get(), "ReserveTime"));
    return true;
}
