#include "reservations/tablereserve.h"

#include <iterator>
#include <optional>
#include <tuple>

#include "core/globals.h"
#include "core/log.h"
#include "registry/dbconnections.h"
#include "sql/recordfields.h"
#include "sql/sqldb.h"

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

namespace {

// The columns in the order of TableReserveColumns::at.
const char* const kColumns[] = {
    "RowModified", "RowStatus",     "TableReserveID", "ReserveID",      "TableNo",    "IsShare",
    "CheckNo",     "CheckOpenTime", "CheckPrintTime", "CheckCloseTime", "CheckCover", "CheckTotal",
    "Capacity",    "Occupied",      "Reserved",       "POSTableNo",     "DBServerID"};

// The readers of the field readers, by position: NULL, an absent column or a
// value of the wrong kind gives "", 0 or the zero date.
const Variant* Cell(const Recordset* rs, int index) {
    const Variant* v = index >= 0 ? rs->Field(index) : nullptr;
    return v == nullptr || v->IsNull() ? nullptr : v;
}
std::string Str(const Recordset* rs, int index) {
    const Variant* v = Cell(rs, index);
    return v == nullptr ? std::string() : v->ToText();
}
DateTime Date(const Recordset* rs, int index) {
    const Variant* v = Cell(rs, index);
    const auto d = v == nullptr ? std::nullopt : v->ToDateTime();
    return d ? *d : DateTime{};
}
int32_t Lng(const Recordset* rs, int index) {
    const Variant* v = Cell(rs, index);
    if (v == nullptr || !v->IsNumeric()) return 0;
    bool ok = false;
    const int32_t r = v->ToInt32(&ok);
    return ok ? r : 0;
}
float Sng(const Recordset* rs, int index) {
    const Variant* v = Cell(rs, index);
    return v == nullptr || !v->IsNumeric() ? 0.0f : static_cast<float>(v->ToDouble());
}

}  // namespace

TableReserveColumns TableReserveColumns::Of(const Recordset& rs) {
    static_assert(std::size(kColumns) == std::tuple_size_v<decltype(at)>);
    TableReserveColumns c;
    for (std::size_t i = 0; i < c.at.size(); ++i)
        c.at[i] = rs.FieldIndex(kColumns[i]);
    return c;
}

bool TableReserve::LoadColumns(const Recordset* rs) {
    if (!HasCurrentRow(*this, rs, kClass, "oRS is at the end", RowLog::kNumbered, "Load"))
        return false;
    return LoadColumns(rs, TableReserveColumns::Of(*rs));
}

bool TableReserve::LoadColumns(const Recordset* rs, const TableReserveColumns& columns) {
    if (!HasCurrentRow(*this, rs, kClass, "oRS is at the end", RowLog::kNumbered, "Load"))
        return false;
    const auto& at = columns.at;
    rowModified_ = Date(rs, at[0]);
    rowStatus_ = Str(rs, at[1]);
    tableReserveID_ = Lng(rs, at[2]);
    reserveID_ = Lng(rs, at[3]);
    tableNo_ = Str(rs, at[4]);
    isShare_ = static_cast<int16_t>(Lng(rs, at[5]));
    checkNo_ = Str(rs, at[6]);
    checkOpenTime_ = Date(rs, at[7]);
    checkPrintTime_ = Date(rs, at[8]);
    checkCloseTime_ = Date(rs, at[9]);
    checkCover_ = Lng(rs, at[10]);
    checkTotal_ = Sng(rs, at[11]);
    capacity_ = static_cast<int16_t>(Lng(rs, at[12]));
    occupied_ = static_cast<int16_t>(Lng(rs, at[13]));
    reserved_ = static_cast<int16_t>(Lng(rs, at[14]));
    posTableNo_ = Str(rs, at[15]);
    dbServerID_ = Lng(rs, at[16]);
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
