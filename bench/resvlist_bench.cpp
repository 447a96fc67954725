// Listing one day of the Harbour Grill with the reservation-list definition
// (one column per listed field, guest columns, pseudo-field joins, then the
// table bindings with their part flags), against the same statements
// prepared and stepped on SQLite directly. A demo installation made with
// --scale 10 has about 1000 reservations there today; the target is under
// 50 ms per list.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <string>

#include "benchsupport.h"
#include "data/sqldb.h"
#include "platform/datetime.h"
#include "profiles/profiledefinition.h"
#include "reservations/reservations.h"
#include "reservations/resvlistcriteria.h"

namespace {

constexpr int kOutlet = 1;

BenchInstallation& Install() {
    static BenchInstallation install("ct-resv");
    return install;
}

ResvListCriteria Today() {
    ResvListCriteria c;
    c.ResvBeginDate = c.ResvEndDate = DateTime::Now().DateText();
    c.AddOutletID(kOutlet);
    for (const char* s : {"A", "X", "C"})
        c.AddRowStatus(s);
    return c;
}

void BM_ResvList_Profile(benchmark::State& state) {
    SQLDB db;
    db.SetKeepConnection(true);
    db.SetConnectionString("Provider=SQLite;Data Source=" + Install().Database());
    ProfileDefinition def;
    def.SetSQLDB(&db);
    def.SetIgnoreProfileList("");
    if (!def.LoadProfile(kProfileResvList)) std::abort();
    const ResvListCriteria criteria = Today();
    std::size_t count = 0, bindings = 0;
    for (auto _ : state) {
        Reservations list;
        if (!def.LoadResvList(db, criteria, list)) {
            state.SkipWithError(def.ErrDescription().c_str());
            break;
        }
        count = list.Count();
        bindings = 0;
        for (const auto& [id, r] : list.Items())
            bindings += r->TableReserves().Count();
        benchmark::DoNotOptimize(list);
    }
    state.counters["reservations"] = static_cast<double>(count);
    state.counters["bindings"] = static_cast<double>(bindings);
}

// The list statement in SQLite's own words, built from the same definition:
// the same columns, conversions, guest cases and joins.
std::string RawListSql(const ProfileDefinition& def, const std::string& conditions) {
    auto conv = [](const std::string& dt, const std::string& col) {
        if (dt == "D") return "substr(" + col + ", 1, 10)";
        if (dt == "T") return "substr(" + col + ", 1, 5)";
        return col;
    };
    std::string select, joins;
    for (const ProfileField* f : def.ListedFields()) {
        const std::string code = f->ProfileCode(), col = f->DBField(), dt = f->DataType();
        std::string e;
        if (code == "SYS_OutletName") {
            e = "O.NameL1";
            joins += " LEFT JOIN tbl_Outlet O ON O.OutletID = R.OutletID";
        } else if (code == "SYS_MPName") {
            e = "MP.NameL1";
            joins += " LEFT JOIN tbl_MPOutlet MP ON MP.MPOutletID = R.MPOutletID";
        } else if (code == "SYS_CreateUser" || code == "SYS_UpdateUser") {
            const std::string u = code == "SYS_CreateUser" ? "U1" : "U2";
            e = u + ".LoginID";
            joins += " LEFT JOIN tbl_User " + u + " ON " + u + ".UserID = R." +
                     (u == "U1" ? "CreateUserID" : "UpdateUserID");
        } else if (code == "SYS_UpdateClient") {
            e = "C.ClientCode || ' (' || C.NameL1 || ')'";
            joins += " LEFT JOIN tbl_Client C ON C.ClientID = R.UpdateClientID";
        } else if (code == "SYS_CancelCode") {
            e = "MG.MsgCode";
            joins += " LEFT JOIN tbl_Message MG ON MG.MsgID = R.CancelMsgID";
        } else if (f->IsPseudo()) {
            e = "''";
        } else if (f->DataFromGuestTable()) {
            e = "CASE WHEN R.GuestID=1 OR G.GuestID IS NULL THEN " + conv(dt, "R." + col) +
                " ELSE " + conv(dt, "G." + col) + " END";
        } else {
            e = conv(dt, "R." + col);
        }
        select += (select.empty() ? "" : ",") + e + " AS " + code;
    }
    select += ",R.DBServerID,R.OutletID,R.MPOutletID,R.GuestID,R.ReserveID";
    return "SELECT " + select +
           " FROM tbl_Reservation R LEFT JOIN tbl_Guest G ON G.GuestID=R.GuestID" + joins +
           " WHERE 1=1" + conditions;
}

void BM_ResvList_RawSQLite(benchmark::State& state) {
    SQLDB config;
    config.SetConnectionString("Provider=SQLite;Data Source=" + Install().Database());
    ProfileDefinition def;
    def.SetSQLDB(&config);
    def.SetIgnoreProfileList("");
    if (!def.LoadProfile(kProfileResvList)) std::abort();
    const std::string conditions = Today().BuildConditions("R");
    const std::string list = RawListSql(def, conditions);
    const std::string bindings =
        "SELECT TR.*, R.ReserveTime, R.MPOutletID FROM tbl_Reservation R, tbl_TableReserve TR"
        " WHERE R.RowStatus IN ('A','X','C') AND TR.RowStatus IN ('A','X') AND"
        " R.ReserveID=TR.ReserveID" +
        conditions + " ORDER BY R.ReserveID, TR.TableReserveID, TR.TableNo";
    sqlite3* db = nullptr;
    sqlite3_open_v2(Install().Database().c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    for (auto _ : state) {
        int64_t sum = StepAll(db, list) + StepAll(db, bindings);
        for (int mp : {11, 12, 13})
            sum += StepAll(db,
                           "SELECT MPStartTime,MPEndTime1,MPStartTime2,MPEndTime FROM tbl_MPOutlet"
                           " WHERE MPOutletID=" +
                               std::to_string(mp));
        benchmark::DoNotOptimize(sum);
    }
    sqlite3_close(db);
}

BENCHMARK(BM_ResvList_Profile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ResvList_RawSQLite)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
