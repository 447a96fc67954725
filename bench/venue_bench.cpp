// Loading one outlet's floor plans in force, table statuses, holds and
// blocks, as a view does when the user picks an outlet, date and meal period,
// against the same queries prepared and stepped on SQLite directly. The
// Harbour Grill of a demo installation made with --scale 10 has over 500
// tables in force at lunch; the target is under 20 ms per load.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <string>
#include <vector>

#include "benchsupport.h"
#include "data/sqldb.h"
#include "platform/datetime.h"
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
        std::vector<int64_t> plans;
        int64_t sum = StepAll(
            db,
            "SELECT FO.FPID, IFNULL(FO.SeqNo, 0), IFNULL(FO.Capacity, 0),"
            " CASE WHEN FO.BizDate IS NOT NULL THEN (CASE WHEN FO.BizDate = ? THEN 1 END)"
            " WHEN FO.CalendarGroupID IS NOT NULL THEN (CASE WHEN EXISTS (SELECT 1 FROM"
            " tbl_Calendar C WHERE C.RowStatus = 'A' AND C.CalendarGroupID = FO.CalendarGroupID"
            " AND C.CalendarDate = ?) THEN 2 END) ELSE 3 END AS Level,"
            " (SELECT IFNULL(SUM(T.TCapacity), 0) FROM tbl_FPTable T WHERE T.FPID = FO.FPID"
            " AND T.RowStatus = 'A') AS Seats FROM tbl_FPOutlet FO JOIN tbl_FloorPlan FP ON"
            " FP.FPID = FO.FPID AND FP.RowStatus = 'A' WHERE FO.RowStatus = 'A' AND"
            " FO.OutletID = ? AND (FO.MPOutletID = ? OR FO.MPOutletID IS NULL)"
            " ORDER BY IFNULL(FO.SeqNo, 0), FO.FPID",
            {day, day, outlet, mp}, &plans);
        std::string ids;
        for (int64_t id : plans) {
            const std::string fp = std::to_string(id);
            sum += StepAll(db,
                           "SELECT FP.*, 1 AS SeqNo, 0 AS Capacity FROM tbl_FloorPlan FP"
                           " WHERE FP.FPID = ?",
                           {fp});
            sum +=
                StepAll(db, "SELECT * FROM tbl_FPTable WHERE RowStatus='A' AND FPID = " + fp, {});
            ids += (ids.empty() ? "" : ",") + fp;
        }
        sum += StepAll(db,
                       "SELECT TableNo FROM tbl_FPTable WHERE FPID IN (" + ids +
                           ") AND RowStatus='A' GROUP BY TableNo HAVING COUNT(TableNo) > 1"
                           " ORDER BY TableNo",
                       {});
        sum += StepAll(
            db, "SELECT * FROM tbl_TableStatus WHERE RowStatus='A' AND OutletID = " + outlet, {});
        sum += StepAll(db,
                       "SELECT TempID, TableNo, ClientID, UserID, HoldDT, OutletID, MPOutletID,"
                       " ReserveDate FROM tbl_TableTemp WHERE RowStatus = 'A' AND OutletID = ?"
                       " AND ReserveDate = ? AND MPOutletID = ? ORDER BY TableNo",
                       {outlet, day, mp});
        sum += StepAll(db,
                       "SELECT * FROM tbl_TableBlock AS t LEFT OUTER JOIN (SELECT * FROM tbl_User"
                       " WHERE RowStatus='A') u ON t.BlockUserID=u.UserID WHERE t.RowStatus='A' AND"
                       " OutletID = " +
                           outlet + " AND MPOutletID = " + mp +
                           " AND ((BeginDate <= ?1 AND EndDate >= ?1) OR (BeginDate <= ?1 AND"
                           " EndDate IS NULL) OR (BeginDate IS NULL AND EndDate >= ?1))",
                       {day});
        benchmark::DoNotOptimize(sum);
    }
    sqlite3_close(db);
}

BENCHMARK(BM_LoadOutletTables_PlanLoader)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadOutletTables_RawSQLite)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
