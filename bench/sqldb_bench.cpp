// SQLDB against the same SQLite statements prepared and stepped directly:
// a point query by key, a 1000-row read, text look-ups and scans, and a
// money sum. The layer's target is to stay
// within twice the direct time (KeepConnection on, as each DBServer keeps
// its connection).
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <string>

#include "benchsupport.h"
#include "sql/sqldb.h"

namespace {

constexpr int kRows = 10000;

// A database file shared by all benchmarks of the run.
class BenchDb {
  public:
    BenchDb() : path_(dir_.Path() + "/bench.db") {
        sqlite3* db = nullptr;
        sqlite3_open(path_.c_str(), &db);
        sqlite3_exec(db,
                     "PRAGMA journal_mode=WAL;"
                     "CREATE TABLE T (ID INTEGER PRIMARY KEY AUTOINCREMENT, Name NVARCHAR(50) "
                     "COLLATE NOCASE, "
                     "Code VARCHAR(10) COLLATE NOCASE, Qty INT, Price MONEY, DT DATETIME, Note "
                     "NVARCHAR(100));"
                     "BEGIN;",
                     nullptr, nullptr, nullptr);
        sqlite3_stmt* ins = nullptr;
        sqlite3_prepare_v2(
            db, "INSERT INTO T (Name, Code, Qty, Price, DT, Note) VALUES (?, ?, ?, ?, ?, ?)", -1,
            &ins, nullptr);
        for (int i = 1; i <= kRows; ++i) {
            std::string name = "Guest " + std::to_string(i), code = "C" + std::to_string(i % 97);
            std::string dt = "2024-03-" + std::string(i % 28 < 9 ? "0" : "") +
                             std::to_string(i % 28 + 1) + " 19:30:00";
            sqlite3_bind_text(ins, 1, name.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(ins, 2, code.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int(ins, 3, i % 12);
            sqlite3_bind_double(ins, 4, i * 0.25);
            sqlite3_bind_text(ins, 5, dt.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(ins, 6, "window table, birthday", -1, SQLITE_STATIC);
            sqlite3_step(ins);
            sqlite3_reset(ins);
        }
        sqlite3_finalize(ins);
        sqlite3_exec(db, "COMMIT; CREATE INDEX IX_T_Code ON T (Code);", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    const std::string& Path() const { return path_; }

  private:
    BenchTempDir dir_{"ct-bench"};
    std::string path_;
};

BenchDb& Db() {
    static BenchDb db;
    return db;
}

const char* const kPoint = "SELECT * FROM T WHERE ID = 5000";
const char* const kRange = "SELECT * FROM T WHERE ID <= 1000";

// Reads every column of the current row the way a caller would look at it.
int64_t TouchRow(sqlite3_stmt* st) {
    int64_t sum = 0;
    for (int c = 0; c < sqlite3_column_count(st); ++c) {
        switch (sqlite3_column_type(st, c)) {
            case SQLITE_INTEGER:
                sum += sqlite3_column_int64(st, c);
                break;
            case SQLITE_FLOAT:
                sum += static_cast<int64_t>(sqlite3_column_double(st, c));
                break;
            case SQLITE_TEXT: {
                const unsigned char* t = sqlite3_column_text(st, c);
                sum += sqlite3_column_bytes(st, c) + t[0];
                break;
            }
            default:
                break;
        }
    }
    return sum;
}

void RunDirect(benchmark::State& state, const char* sql) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(Db().Path().c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
    int64_t rows = 0;
    for (auto _ : state) {
        int64_t sum = 0;
        while (sqlite3_step(st) == SQLITE_ROW) {
            sum += TouchRow(st);
            ++rows;
        }
        sqlite3_reset(st);
        benchmark::DoNotOptimize(sum);
    }
    state.counters["rows"] =
        benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kAvgIterations);
    sqlite3_finalize(st);
    sqlite3_close(db);
}

void RunLayer(benchmark::State& state, const char* sql) {
    SQLDB db;
    db.SetConnectionString("Provider=SQLite;Data Source=" + Db().Path());
    db.SetKeepConnection(true);
    int64_t rows = 0;
    for (auto _ : state) {
        auto rs = db.RunSQLReturnRS(sql);
        if (!rs) {
            state.SkipWithError(db.ErrDescription().c_str());
            break;
        }
        rows += rs->RecordCount();
        benchmark::DoNotOptimize(rs);
    }
    state.counters["rows"] =
        benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kAvgIterations);
}

void BM_PointQuery_Direct(benchmark::State& state) {
    RunDirect(state, kPoint);
}
void BM_PointQuery_SQLDB(benchmark::State& state) {
    RunLayer(state, kPoint);
}
void BM_Read1000_Direct(benchmark::State& state) {
    RunDirect(state, kRange);
}
void BM_Read1000_SQLDB(benchmark::State& state) {
    RunLayer(state, kRange);
}

// Statements built with a different key each time: every text is new, so
// both sides prepare (and the layer translates) on each call.
void BM_PointQueryNewText_Direct(benchmark::State& state) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(Db().Path().c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    int key = 0;
    for (auto _ : state) {
        std::string sql = "SELECT * FROM T WHERE ID = " + std::to_string(++key % kRows + 1);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
        int64_t sum = 0;
        while (sqlite3_step(st) == SQLITE_ROW)
            sum += TouchRow(st);
        sqlite3_finalize(st);
        benchmark::DoNotOptimize(sum);
    }
    sqlite3_close(db);
}

void BM_PointQueryNewText_SQLDB(benchmark::State& state) {
    SQLDB db;
    db.SetConnectionString("Provider=SQLite;Data Source=" + Db().Path());
    db.SetKeepConnection(true);
    int key = 0;
    for (auto _ : state) {
        auto rs =
            db.RunSQLReturnRS("SELECT * FROM T WHERE ID = " + std::to_string(++key % kRows + 1));
        benchmark::DoNotOptimize(rs);
    }
}

// KeepConnection off: the connection opens and closes around each statement.
void BM_PointQueryReconnect_SQLDB(benchmark::State& state) {
    SQLDB db;
    db.SetConnectionString("Provider=SQLite;Data Source=" + Db().Path());
    for (auto _ : state) {
        auto rs = db.RunSQLReturnRS(kPoint);
        benchmark::DoNotOptimize(rs);
    }
}

// Text comparisons go through the connection's NOCASE collation: a look-up
// by an indexed text key (about a hundred rows), a scan comparing every
// row's text, and the sum and average of a MONEY column.
const char* const kTextKey = "SELECT * FROM T WHERE Code = 'c5'";
const char* const kTextScan = "SELECT COUNT(*) AS N FROM T WHERE Name > 'guest 5' AND Note <> ''";
const char* const kMoneySum = "SELECT SUM(Price) AS S, AVG(Price) AS A FROM T";

void BM_TextKey_Direct(benchmark::State& state) {
    RunDirect(state, kTextKey);
}
void BM_TextKey_SQLDB(benchmark::State& state) {
    RunLayer(state, kTextKey);
}
void BM_TextScan_Direct(benchmark::State& state) {
    RunDirect(state, kTextScan);
}
void BM_TextScan_SQLDB(benchmark::State& state) {
    RunLayer(state, kTextScan);
}
void BM_MoneySum_Direct(benchmark::State& state) {
    RunDirect(state, kMoneySum);
}
void BM_MoneySum_SQLDB(benchmark::State& state) {
    RunLayer(state, kMoneySum);
}

BENCHMARK(BM_PointQuery_Direct);
BENCHMARK(BM_PointQuery_SQLDB);
BENCHMARK(BM_Read1000_Direct);
BENCHMARK(BM_Read1000_SQLDB);
BENCHMARK(BM_PointQueryNewText_Direct);
BENCHMARK(BM_PointQueryNewText_SQLDB);
BENCHMARK(BM_PointQueryReconnect_SQLDB);
BENCHMARK(BM_TextKey_Direct);
BENCHMARK(BM_TextKey_SQLDB);
BENCHMARK(BM_TextScan_Direct);
BENCHMARK(BM_TextScan_SQLDB);
BENCHMARK(BM_MoneySum_Direct);
BENCHMARK(BM_MoneySum_SQLDB);

}  // namespace

BENCHMARK_MAIN();
