// Reservation numbers and web allotments.
#include <cstdio>
#include <map>
#include <set>

#include "procedures/installprocedures.h"
#include "procedures/procsupport.h"

namespace {

// "yymmdd" of a "YYYY-MM-DD" date.
std::string NumberPrefix(const std::string& date) {
    return date.substr(2, 2) + date.substr(5, 2) + date.substr(8, 2);
}

}  // namespace

std::string FormatReserveNo(const std::string& date, int64_t sequence) {
    char seq[24];
    std::snprintf(seq, sizeof seq, "%04lld", static_cast<long long>(sequence));
    return NumberPrefix(date) + seq;
}

// sp_CM_GetReserveNo @DBServerID, @Now, @OutletID, @ReserveNo OUTPUT: the
// next number of the outlet for the day @Now, "yymmdd" and a sequence of at
// least four digits. The counter and the numbers already stored are both
// consulted in one statement, so a number is never handed out twice.
bool ProcGetReserveNo(ProcedureContext& ctx, const std::vector<ProcedureArg>& args,
                      ProcedureResult& result, std::string& error) {
    ProcArgs a(args);
    const int64_t outlet = a.Int("OutletID", 2);
    auto date = a.Date("Now", 1);
    if (!date) {
        auto rs = ctx.Query(std::string("SELECT ") + kSqlToday, {});
        if (rs == nullptr || rs->Eof()) {
            error = ctx.LastError();
            return false;
        }
        date = rs->Field(0)->ToText();
    }
    if (outlet <= 0) {
        error = "sp_CM_GetReserveNo: @OutletID is missing";
        return false;
    }
    if (!OutletExists(ctx, outlet, true)) {
        error = "sp_CM_GetReserveNo: outlet " + std::to_string(outlet) + " does not exist";
        return false;
    }
    const int64_t server = a.Int("DBServerID", 0);
    if (!a.IsNull("DBServerID", 0) && !ServerExists(ctx, server)) {
        error = "sp_CM_GetReserveNo: database server " + std::to_string(server) + " does not exist";
        return false;
    }
    const std::string like = NumberPrefix(*date) + "%";
    const std::string stored =
        "(SELECT IFNULL(MAX(CAST(SUBSTR(ReserveNo, 7) AS INTEGER)), 0) FROM tbl_Reservation"
        " WHERE OutletID = ? AND ReserveNo LIKE ? AND LENGTH(ReserveNo) >= 10)";
    // excluded.LastNo is the stored numbers' next one, so the greater of it
    // and the counter's next one never repeats a number. Written with CASE
    // and qualified names, as PostgreSQL has no two-argument MAX and calls an
    // unqualified column of the conflicting row ambiguous.
    auto rs = ctx.Query(
        "INSERT INTO tbl_ReserveNoCounter (OutletID, CounterDate, LastNo, RowModified)"
        " VALUES (?, ?, " +
            stored + " + 1, " + kSqlNow +
            ")"
            " ON CONFLICT (OutletID, CounterDate) DO UPDATE SET LastNo = CASE WHEN"
            " tbl_ReserveNoCounter.LastNo >= excluded.LastNo THEN tbl_ReserveNoCounter.LastNo + 1"
            " ELSE excluded.LastNo END, RowModified = " +
            kSqlNow + " RETURNING LastNo",
        {Variant(outlet), *date, Variant(outlet), like});
    if (rs == nullptr || rs->Eof()) {
        error = rs == nullptr ? ctx.LastError() : "sp_CM_GetReserveNo: no number";
        return false;
    }
    const std::string number = FormatReserveNo(*date, rs->Field(0)->ToInt64());
    result.Outputs.push_back({a.OutputName("@ReserveNo"), adParamOutput, Variant(number)});
    result.ResultSets.push_back(MakeRecordset({"ReserveNo"}, {adVarWChar}, {{Variant(number)}}));
    return true;
}

namespace {

// Per table size: what the plans in force offer and what is used.
struct CapacityClass {
    int64_t Tables = 0;
    int64_t Seats = 0;
    int64_t BlockedTables = 0;
    int64_t BlockedSeats = 0;
    int64_t Allot = 0;
    int64_t All = 0;      // other reservations
    int64_t NoIn = 0;     // other reservations not yet arrived
    int64_t Web = 0;      // other reservations taken on the web
    int64_t Current = 0;  // the reservation being checked
};

const std::vector<std::string> kAllotColumns = {"Capacity",          "RCapacity",
                                                "AllotTables",       "ReservedCountAllResv",
                                                "ReservedCountNoIn", "ReservedCountCurrentResv",
                                                "ReservedCountWeb",  "Return",
                                                "AvailCapacity",     "ACapacity",
                                                "TotalCapacity",     "BlockedCapacity"};

void AddFailRow(ProcedureResult& result) {
    std::vector<int> types(kAllotColumns.size(), adInteger);
    types[7] = adVarWChar;
    Recordset::Row row(kAllotColumns.size(), Variant(0));
    row[7] = Variant("F");
    result.ResultSets.push_back(MakeRecordset(kAllotColumns, types, {row}));
}

std::string PlanList(const std::vector<PlanInForce>& plans) {
    std::string list;
    for (const auto& p : plans)
        list += (list.empty() ? "" : ",") + std::to_string(p.FPID);
    return list.empty() ? "0" : list;
}

// Tables of the plans in force with their size (a number drawn twice counts once).
bool LoadTables(ProcedureContext& ctx, const std::string& plans,
                std::map<std::string, int64_t>& sizeOf, std::string& error) {
    auto rs = ctx.Query(
        "SELECT UPPER(TableNo), MAX(TCapacity) FROM tbl_FPTable WHERE RowStatus = 'A'"
        " AND FPID IN (" +
            plans + ") GROUP BY UPPER(TableNo)",
        {});
    if (rs == nullptr) {
        error = ctx.LastError();
        return false;
    }
    for (const auto& row : rs->Rows())
        sizeOf[row[0].ToText()] = row[1].ToInt64();
    return true;
}

}  // namespace

// sp_WebKIV_GetAllotmentByDate OutletID, MPOutletID, Date, TableSize, Amount,
// AllotmentType, ReserveID: one row per table size of the plans in force.
bool ProcGetAllotmentByDate(ProcedureContext& ctx, const std::vector<ProcedureArg>& args,
                            ProcedureResult& result, std::string& error) {
    ProcArgs a(args);
    const int64_t outlet = a.Int("OutletID", 0);
    const int64_t mp = a.Int("MPOutletID", 1);
    const auto date = a.Date("ReserveDate", 2);
    const int64_t askSize = a.Int("TableSize", 3);
    const int64_t askAmount = a.Int("Amount", 4);
    const int64_t kind = a.Int("AllotmentType", 5, 1);
    const int64_t reserveID = a.Int("ReserveID", 6);
    const bool known = OutletExists(ctx, outlet, false) && MealPeriodOfOutlet(ctx, mp, outlet);
    if (!known || !date || (kind != 1 && kind != 2)) {
        AddFailRow(result);
        return true;
    }
    std::vector<PlanInForce> plans;
    if (!FloorPlansInForce(ctx, *date, mp, outlet, plans, error)) return false;
    std::map<std::string, int64_t> sizeOf;
    if (!LoadTables(ctx, PlanList(plans), sizeOf, error)) return false;
    std::map<int64_t, CapacityClass> classes;
    for (const auto& [table, size] : sizeOf) {
        classes[size].Tables++;
        classes[size].Seats += size;
    }
    const Variant d(*date);
    auto blocks = ctx.Query(
        "SELECT DISTINCT UPPER(t.TableNo) FROM tbl_TableBlock t"
        " WHERE t.RowStatus = 'A' AND t.OutletID = ? AND t.MPOutletID = ? AND " +
            BlockAppliesSql("t"),
        {Variant(outlet), Variant(mp), d, d, d, d});
    auto allot = ctx.Query(
        "SELECT TableSize, AllotNum, BizDate FROM tbl_WebAllotment WHERE RowStatus = 'A'"
        " AND OutletID = ? AND (MPOutletID = ? OR MPOutletID IS NULL)"
        " AND (BizDate = ? OR BizDate IS NULL) ORDER BY BizDate",
        {Variant(outlet), Variant(mp), d});
    // An arrival time may be stored as empty text by the embedded engine;
    // PostgreSQL's time column takes no '' at all, hence the cast.
    auto usage = ctx.Query(
        "SELECT UPPER(TR.TableNo), R.ReserveID, IFNULL(TR.Occupied, 0),"
        " CASE WHEN R.ArrivalTime IS NULL OR CAST(R.ArrivalTime AS VARCHAR(20)) = '' THEN 0"
        " ELSE 1 END, IFNULL(R.ReserveMode, '')"
        " FROM tbl_TableReserve TR JOIN tbl_Reservation R ON R.ReserveID = TR.ReserveID"
        " WHERE TR.RowStatus = 'A' AND R.RowStatus = 'A' AND R.OutletID = ? AND R.ReserveDate = ?"
        " AND R.MPOutletID = ?",
        {Variant(outlet), d, Variant(mp)});
    if (blocks == nullptr || allot == nullptr || usage == nullptr) {
        error = ctx.LastError();
        return false;
    }
    for (const auto& row : blocks->Rows()) {
        auto it = sizeOf.find(row[0].ToText());
        if (it == sizeOf.end()) continue;
        classes[it->second].BlockedTables++;
        classes[it->second].BlockedSeats += it->second;
    }
    // A row for the date replaces the default one of the same size.
    std::set<int64_t> dated;
    for (const auto& row : allot->Rows()) {
        const int64_t size = row[0].ToInt64();
        const bool forDate = !row[2].IsNull();
        if (!forDate && dated.count(size) != 0) continue;
        if (forDate) dated.insert(size);
        classes[size].Allot = row[1].ToInt64();
    }
    // Tables count once per size even when shared; covers add up.
    std::map<int64_t, std::set<std::string>> allTables, noInTables, webTables, currentTables;
    for (const auto& row : usage->Rows()) {
        auto it = sizeOf.find(row[0].ToText());
        if (it == sizeOf.end()) continue;
        CapacityClass& c = classes[it->second];
        const std::string& t = it->first;
        const int64_t covers = row[2].ToInt64();
        if (row[1].ToInt64() == reserveID) {
            c.Current += kind == 2 ? covers : (currentTables[it->second].insert(t).second ? 1 : 0);
            continue;
        }
        c.All += kind == 2 ? covers : (allTables[it->second].insert(t).second ? 1 : 0);
        if (row[3].ToInt64() == 0) {
            c.NoIn += kind == 2 ? covers : (noInTables[it->second].insert(t).second ? 1 : 0);
        }
        if (row[4].ToText() == "I" || row[4].ToText() == "i") {
            c.Web += kind == 2 ? covers : (webTables[it->second].insert(t).second ? 1 : 0);
        }
    }
    // AvailCapacity carries the reservation's own use, which the caller takes
    // out again: counted once, an edit at full capacity still fits.
    std::vector<Recordset::Row> rows;
    for (const auto& [size, c] : classes) {
        const int64_t total = kind == 2 ? c.Seats : c.Tables;
        const int64_t blocked = kind == 2 ? c.BlockedSeats : c.BlockedTables;
        rows.push_back({Variant(size), Variant(size), Variant(c.Allot), Variant(c.All),
                        Variant(c.NoIn), Variant(c.Current), Variant(c.Web), Variant("P"),
                        Variant(total - blocked - c.All + c.Current),
                        Variant(size == askSize ? askAmount : 0), Variant(total),
                        Variant(blocked)});
    }
    std::vector<int> types(kAllotColumns.size(), adInteger);
    types[7] = adVarWChar;
    result.ResultSets.push_back(MakeRecordset(kAllotColumns, types, std::move(rows)));
    return true;
}
