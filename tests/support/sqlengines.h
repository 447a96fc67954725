#pragma once
// The SQL-layer suites run once per database engine: SQLite files, and
// PostgreSQL databases on the server libpq's environment names (scripts/test.sh
// starts a throwaway cluster with pg_virtualenv), reached through libpq and
// through ODBC's PostgreSQL driver; and SQLite files through ODBC's SQLite
// driver. Without a server the PostgreSQL instances skip themselves with the
// reason.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>

enum class TestEngine { SQLite, PostgreSQL, OdbcPostgreSQL, OdbcSQLite };

// A PostgreSQL database, whichever client reaches it.
inline bool IsPg(TestEngine engine) {
    return engine == TestEngine::PostgreSQL || engine == TestEngine::OdbcPostgreSQL;
}

// The SQLDB connection string of SQLite file `path` through `engine`
// (Provider=SQLite, or Provider=ODBC with the "SQLite3" driver).
std::string SQLiteConnectionString(const std::string& path, TestEngine engine);

// "SQLite" / "PostgreSQL" / "OdbcPostgreSQL" / "OdbcSQLite": the suffix of the test names.
std::string EngineName(TestEngine engine);
inline void PrintTo(TestEngine engine, std::ostream* os) {
    *os << EngineName(engine);
}
struct EngineNamer {
    std::string operator()(const ::testing::TestParamInfo<TestEngine>& info) const {
        return EngineName(info.param);
    }
};
#define CT_INSTANTIATE_FOR_ENGINES(Suite)                                                         \
    INSTANTIATE_TEST_SUITE_P(                                                                     \
        Engines, Suite,                                                                           \
        ::testing::Values(TestEngine::SQLite, TestEngine::PostgreSQL, TestEngine::OdbcPostgreSQL, \
                          TestEngine::OdbcSQLite),                                                \
        EngineNamer())

// "" when a PostgreSQL server answers, otherwise why not (asked once).
const std::string& PgUnavailableReason();
#define CT_SKIP_WITHOUT_PG()                                                       \
    if (!PgUnavailableReason().empty())                                            \
    GTEST_SKIP() << "no PostgreSQL server reachable through PGHOST/PGPORT/PGUSER " \
                    "(scripts/test.sh starts one with pg_virtualenv): "            \
                 << PgUnavailableReason()

// HOST:PORT of the server, and a SQLDB connection string for database `db`
// through `engine`'s client (Provider=PostgreSQL, or Provider=ODBC with the
// "PostgreSQL Unicode" driver).
std::string PgServer();
std::string PgConnectionString(const std::string& db, TestEngine engine = TestEngine::PostgreSQL);

// Runs `sql` (one or more statements) on database `db` directly; "" or the
// error. PgScalar gives the first value as text, "NULL", "<no row>" or
// "<error> ...".
std::string PgExec(const std::string& db, const std::string& sql);
std::string PgScalar(const std::string& db, const std::string& sql);

// A database name no other process of this run uses: prefix, process id, n.
std::string PgUniqueName(const std::string& prefix);
// Makes `db` ready for T-SQL (kPgDatabaseSetupSql), dropping an old one.
std::string PgCreateDatabase(const std::string& db);
// Copies template `from` into `db` (dropping an old `db`).
std::string PgCopyDatabase(const std::string& from, const std::string& db);
void PgDropDatabase(const std::string& db);

// Builds something once per server and run, across the test processes ctest
// starts in parallel: under a server-wide lock, `build` runs only when
// `exists` says the work is not there yet. "" or the error.
std::string PgOnce(const std::string& key, const std::function<bool()>& exists,
                   const std::function<std::string()>& build);

// The test program's build: a text that changes whenever it is rebuilt, so
// that templates made by an older build are not reused.
std::string BuildStamp();

class SQLDB;
// The first column of every row of every result of `sql`, rows joined by
// ",", results by "|", a closed result as "(count)", NULL as "NULL";
// "ERROR: ..." on failure.
std::string FirstColumns(SQLDB& db, const std::string& sql);
