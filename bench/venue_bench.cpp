// Loading one outlet's floor plans in force, table statuses, holds and
// blocks, as a view does when the user picks an outlet, date and meal period,
// against the same queries prepared and stepped on SQLite directly. The
// Harbour Grill of a demo installation made with --scale 10 has over 500
// tables in force at lunch; the target is under 20 ms per load.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <string>

#include "platform/datetime.h"
#include "rawstatements.h"
#include "sql/sqldb.h"
#include "venue/planloader.h"

namespace {

constexpr int kOutlet = 1;
constexpr int kLunch = 12;

// A demo installation shared by the benchmarks of the run.
class VenueInstallation : public BenchInstallation {
  public:
    VenueInstallation() : BenchInstallation("ct-venue") {
        // A plain weekday-or-weekend lunch (no holiday, no event), with a few holds.
        day_ = DateTime::Now().AddDays(12).DatePart();
        sqlite3* db = nullptr;
        sqlite3_open(Database().c_str(), &db);
        for (int i = 1; i <= 20; ++i) {
            const std::string sql =
                "INSERT INTO tbl_TableTemp (OutletID, MPOutletID, ReserveDate, TableNo, RowStatus)"
                " VALUES (1, 12, '" +
                day_.DateText() + "', 'A" + std::to_string(i) + "', 'A')";
            sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
        }
        sqlite3_close(db);
    }
    const DateTime& Day() const { return day_; }

  private:
    DateTime day_;
};

VenueInstallation& Install() {
    static VenueInstallation install;
    return install;
}

void BM_LoadOutletTables_PlanLoader(benchmark::State& state) {
    SQLDB db;
    db.SetKeepConnection(true);
    db.SetConnectionString("Provider=SQLite;Data Source=" + Install().Database());
    std::size_t tables = 0, drawn = 0;
    for (auto _ : state) {
        PlanLoader loader("Bench");
        loader.SetOutlet(kOutlet, 1, &db);
        loader.SetMPOutletID(kLunch);
        loader.SetResvDate(Install().Day());
        if (!loader.LoadFloorplans() || !loader.LoadTableStatuses()) {
            state.SkipWithError(loader.ErrDescription().c_str());
            break;
        }
        tables = loader.TableStatuses().Count();
        drawn = 0;
        for (const auto& [id, plan] : loader.FloorPlans())
            drawn += plan->FPTables().Count();
        benchmark::DoNotOptimize(loader);
    }
    state.counters["statuses"] = static_cast<double>(tables);
    state.counters["drawn"] = static_cast<double>(drawn);
}

// The statements the loader's calls come down to, with the plans found by
// the floor-plan procedure's own assignment query.
void BM_LoadOutletTables_RawSQLite(benchmark::State& state) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(Install().Database().c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    const std::string day = Install().Day().DateText();
    const std::string outlet = std::to_string(kOutlet), mp = std::to_string(kLunch);
    for (auto _ : state) {
        const int64_t sum = StepPlanStatements(db, day, outlet, mp);
        benchmark::DoNotOptimize(sum);
    }
    sqlite3_close(db);
}

BENCHMARK(BM_LoadOutletTables_PlanLoader)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadOutletTables_RawSQLite)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
