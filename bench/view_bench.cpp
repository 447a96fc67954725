// Opening the current view of the Harbour Grill on a demo installation made
// with --scale 10 (over 500 tables in force, about 1000 reservations that
// day): meal periods, the day's full list, the plans in force, the table
// statuses with holds and blocks, and the meal period's list placed on the
// tables; against the same statements prepared and stepped on SQLite
// directly. The target is under 30 ms per open.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <string>

#include "core/startup.h"
#include "platform/datetime.h"
#include "rawstatements.h"
#include "registry/dbconnections.h"
#include "reservations/resvlistcriteria.h"
#include "venue/outlets.h"
#include "views/planview.h"

namespace {

constexpr int kOutlet = 1;

BenchInstallation& Install() {
    static BenchInstallation install("ct-view");
    return install;
}

int MealPeriod() {
    static const int mp = [] {
        const char* env = ::getenv("CT_BENCH_PERIOD");
        return env != nullptr ? std::atoi(env) : 12;
    }();
    return mp;
}

void BM_OpenCurrentView(benchmark::State& state) {
    Outlets outlets;
    if (!outlets.Load(*DefaultSQLDB())) std::abort();
    CurrentView view;
    view.SetOutlets(&outlets);
    if (!view.InitProfile()) std::abort();
    const DateTime today = DateTime::Now().DatePart();
    std::size_t full = 0, onPlans = 0, tables = 0, placed = 0;
    for (auto _ : state) {
        if (!view.Reload(kOutlet, MealPeriod(), today)) {
            state.SkipWithError(view.ErrDescription().c_str());
            break;
        }
        full = view.FullResvs().Count();
        onPlans = view.FPResvs().Count();
        tables = view.TableStatuses().Count();
        placed = 0;
        for (const auto& [no, s] : view.TableStatuses())
            placed += s->Reservations().Count();
    }
    state.counters["full"] = static_cast<double>(full);
    state.counters["period"] = static_cast<double>(onPlans);
    state.counters["tables"] = static_cast<double>(tables);
    state.counters["placed"] = static_cast<double>(placed);
}

// What the open comes down to: the meal periods, the day's list with its
// bindings and the bounds of each meal period, then the plan statements.
void BM_OpenCurrentView_RawSQLite(benchmark::State& state) {
    ProfileDefinition def;
    def.SetSQLDB(DefaultSQLDB());
    def.SetIgnoreProfileList("");
    if (!def.LoadProfile(kProfileResvList)) std::abort();
    ResvListCriteria criteria;
    criteria.ResvBeginDate = criteria.ResvEndDate = DateTime::Now().DateText();
    criteria.AddOutletID(kOutlet);
    for (const char* s : {"A", "X", "L", "N", "C"})
        criteria.AddRowStatus(s);
    const std::string conditions = criteria.BuildConditions("R");
    const std::string list = RawListSql(def, conditions) + " ORDER BY R.ReserveTime, R.ReserveID";
    const std::string bindings = RawBindingsSql(conditions);
    const std::string day = DateTime::Now().DateText(), outlet = std::to_string(kOutlet),
                      mp = std::to_string(MealPeriod());
    sqlite3* db = nullptr;
    sqlite3_open_v2(Install().Database().c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    for (auto _ : state) {
        int64_t sum = StepAll(
            db, "SELECT * FROM tbl_MPOutlet WHERE RowStatus='A' AND OutletID = 1 ORDER BY MPCode");
        sum += StepAll(db, list) + StepAll(db, bindings);
        for (int period : {11, 12, 13})
            sum += StepAll(db,
                           "SELECT MPStartTime,MPEndTime1,MPStartTime2,MPEndTime FROM tbl_MPOutlet"
                           " WHERE MPOutletID=" +
                               std::to_string(period));
        sum += StepPlanStatements(db, day, outlet, mp);
        benchmark::DoNotOptimize(sum);
    }
    sqlite3_close(db);
}

BENCHMARK(BM_OpenCurrentView)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenCurrentView_RawSQLite)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    ::setenv("COMPUTERNAME", "BENCH", 1);
    if (!InitSetting({}, Install().Root()) || !InitGlobalObj()) return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
