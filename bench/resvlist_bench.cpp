// Listing one day of the Harbour Grill with the reservation-list definition
// (one column per listed field, guest columns, pseudo-field joins, then the
// table bindings with their part flags), against the same statements
// prepared and stepped on SQLite directly. A demo installation made with
// --scale 10 has about 1000 reservations there today; the target is under
// 50 ms per list.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <string>

#include "platform/datetime.h"
#include "profiles/profiledefinition.h"
#include "rawstatements.h"
#include "reservations/reservations.h"
#include "reservations/resvlistcriteria.h"
#include "sql/sqldb.h"

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

void BM_ResvList_RawSQLite(benchmark::State& state) {
    SQLDB config;
    config.SetConnectionString("Provider=SQLite;Data Source=" + Install().Database());
    ProfileDefinition def;
    def.SetSQLDB(&config);
    def.SetIgnoreProfileList("");
    if (!def.LoadProfile(kProfileResvList)) std::abort();
    const std::string conditions = Today().BuildConditions("R");
    const std::string list = RawListSql(def, conditions);
    const std::string bindings = RawBindingsSql(conditions);
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
