// The same T-SQL point query and small batch on one SQLite file through the
// native engine and through ODBC's SQLite driver (Provider=ODBC;Driver=
// SQLite3), both with KeepConnection on: what the driver path costs.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "sql/sqldb.h"

namespace {

constexpr int kRows = 10000;

// A file of kRows guests, made once per run and removed at exit.
struct BenchFile {
    std::string Path;
    ~BenchFile() {
        for (const char* suffix : {"", "-wal", "-shm"})
            std::remove((Path + suffix).c_str());
    }
};

const std::string& File() {
    static const BenchFile file{[] {
        std::string p = "/tmp/ct_odbcsqlite_bench_" + std::to_string(getpid()) + ".db";
        std::remove(p.c_str());
        sqlite3* db = nullptr;
        sqlite3_open(p.c_str(), &db);
        sqlite3_exec(db,
                     "CREATE TABLE T (ID INTEGER PRIMARY KEY AUTOINCREMENT, Name NVARCHAR(50) "
                     "COLLATE NOCASE, Code NVARCHAR(10) COLLATE NOCASE, Qty INT, DT DATETIME);"
                     "WITH RECURSIVE g(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM g WHERE i < "
                     "10000) INSERT INTO T (Name, Code, Qty, DT) SELECT 'Guest ' || i, 'C' || "
                     "(i % 97), i % 12, datetime('2024-03-01 19:30', '+' || i || ' minutes') "
                     "FROM g",
                     nullptr, nullptr, nullptr);
        sqlite3_close(db);
        return p;
    }()};
    return file.Path;
}

std::string Connection(bool odbc) {
    return odbc ? "Provider=ODBC;Driver=SQLite3;Database=" + File()
                : "Provider=SQLite;Data Source=" + File();
}

void PointQuery(benchmark::State& state, bool odbc) {
    SQLDB db;
    db.SetKeepConnection(true);
    db.SetConnectionString(Connection(odbc));
    int i = 0;
    for (auto _ : state) {
        auto rs = db.RunSQLReturnRS("SELECT ID, Name, Code, Qty, DT FROM T WHERE ID = " +
                                    std::to_string(i++ % kRows + 1));
        if (!rs) {
            state.SkipWithError(db.ErrDescription().c_str());
            return;
        }
        benchmark::DoNotOptimize(rs->RecordCount());
    }
}
BENCHMARK_CAPTURE(PointQuery, Native, false);
BENCHMARK_CAPTURE(PointQuery, Odbc, true);

// A procedural batch: a variable, a condition and a read of 100 rows.
void Batch(benchmark::State& state, bool odbc) {
    SQLDB db;
    db.SetKeepConnection(true);
    db.SetConnectionString(Connection(odbc));
    for (auto _ : state) {
        auto rs = db.RunSQLReturnRS(
            "DECLARE @q INT SET @q = 3 IF EXISTS (SELECT * FROM T WHERE Qty = @q) SELECT TOP 100 "
            "ID, Name, DT FROM T WHERE Qty = @q ORDER BY ID");
        if (!rs) {
            state.SkipWithError(db.ErrDescription().c_str());
            return;
        }
        benchmark::DoNotOptimize(rs->RecordCount());
    }
}
BENCHMARK_CAPTURE(Batch, Native, false);
BENCHMARK_CAPTURE(Batch, Odbc, true);

}  // namespace

BENCHMARK_MAIN();
