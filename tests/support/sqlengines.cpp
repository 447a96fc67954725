#include "support/sqlengines.h"

#include <libpq-fe.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <memory>

#include "platform/textutil.h"
#include "sql/postgres/pgengine.h"
#include "sql/sqldb.h"

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr ? v : "";
}

using Conn = std::unique_ptr<PGconn, decltype(&PQfinish)>;

// libpq fills in host, port, user and password from the environment.
Conn Open(const std::string& db, std::string& error) {
    const char* keys[] = {"dbname", "connect_timeout", "client_encoding", nullptr};
    const char* values[] = {db.c_str(), "5", "UTF8", nullptr};
    Conn c(PQconnectdbParams(keys, values, 0), &PQfinish);
    if (PQstatus(c.get()) != CONNECTION_OK)
        error = Trim(PQerrorMessage(c.get()));
    else
        PQsetNoticeProcessor(
            c.get(), [](void*, const char*) {}, nullptr);
    return c;
}

std::string Run(PGconn* c, const std::string& sql) {
    PGresult* r = PQexec(c, sql.c_str());
    std::string error;
    if (PQresultStatus(r) != PGRES_COMMAND_OK && PQresultStatus(r) != PGRES_TUPLES_OK)
        error = Trim(PQresultErrorMessage(r));
    PQclear(r);
    return error;
}

}  // namespace

std::string EngineName(TestEngine engine) {
    switch (engine) {
        case TestEngine::SQLite:
            return "SQLite";
        case TestEngine::PostgreSQL:
            return "PostgreSQL";
        case TestEngine::OdbcPostgreSQL:
            return "OdbcPostgreSQL";
        case TestEngine::OdbcSQLite:
            return "OdbcSQLite";
    }
    return "?";
}

std::string SQLiteConnectionString(const std::string& path, TestEngine engine) {
    if (engine == TestEngine::OdbcSQLite) return "Provider=ODBC;Driver=SQLite3;Database=" + path;
    return "Provider=SQLite;Data Source=" + path;
}

const std::string& PgUnavailableReason() {
    static const std::string reason = [] {
        std::string error;
        Conn c = Open("postgres", error);
        return error;
    }();
    return reason;
}

std::string PgServer() {
    std::string host = Env("PGHOST").empty() ? "localhost" : Env("PGHOST");
    std::string port = Env("PGPORT").empty() ? "5432" : Env("PGPORT");
    return host + ":" + port;
}

std::string PgConnectionString(const std::string& db, TestEngine engine) {
    std::string login = ";User ID=" + Env("PGUSER") + ";Password=" + Env("PGPASSWORD");
    if (engine == TestEngine::OdbcPostgreSQL) {
        std::string host = Env("PGHOST").empty() ? "localhost" : Env("PGHOST");
        std::string port = Env("PGPORT").empty() ? "5432" : Env("PGPORT");
        return "Provider=ODBC;Driver={PostgreSQL Unicode};Server=" + host + ";Port=" + port +
               ";Database=" + db + login;
    }
    return "Provider=PostgreSQL;Data Source=" + PgServer() + ";Initial Catalog=" + db + login;
}

std::string PgExec(const std::string& db, const std::string& sql) {
    std::string error;
    Conn c = Open(db, error);
    return error.empty() ? Run(c.get(), sql) : error;
}

std::string PgScalar(const std::string& db, const std::string& sql) {
    std::string error;
    Conn c = Open(db, error);
    if (!error.empty()) return "<error> " + error;
    PGresult* r = PQexec(c.get(), sql.c_str());
    std::string value;
    if (PQresultStatus(r) != PGRES_TUPLES_OK)
        value = "<error> " + Trim(PQresultErrorMessage(r));
    else if (PQntuples(r) == 0)
        value = "<no row>";
    else
        value = PQgetisnull(r, 0, 0) ? "NULL" : PQgetvalue(r, 0, 0);
    PQclear(r);
    return value;
}

std::string PgUniqueName(const std::string& prefix) {
    static std::atomic<int> n{0};
    return prefix + "_" + std::to_string(getpid()) + "_" + std::to_string(++n);
}

std::string PgCreateDatabase(const std::string& db) {
    std::string error = PgExec("postgres", "DROP DATABASE IF EXISTS " + db + " WITH (FORCE)");
    if (error.empty())
        error = PgExec("postgres", "CREATE DATABASE " + db + " ENCODING 'UTF8' TEMPLATE template0");
    if (error.empty()) error = PgExec(db, kPgDatabaseSetupSql);
    return error;
}

std::string PgCopyDatabase(const std::string& from, const std::string& db) {
    std::string error = PgExec("postgres", "DROP DATABASE IF EXISTS " + db + " WITH (FORCE)");
    if (error.empty()) error = PgExec("postgres", "CREATE DATABASE " + db + " TEMPLATE " + from);
    return error;
}

void PgDropDatabase(const std::string& db) {
    PgExec("postgres", "DROP DATABASE IF EXISTS " + db + " WITH (FORCE)");
}

std::string PgOnce(const std::string& key, const std::function<bool()>& exists,
                   const std::function<std::string()>& build) {
    std::string error;
    Conn lock = Open("postgres", error);
    if (!error.empty()) return error;
    // A session lock: released by the unlock below or when the connection ends.
    std::string id = "hashtext('" + key + "')";
    error = Run(lock.get(), "SELECT pg_advisory_lock(" + id + ")");
    if (!error.empty()) return error;
    if (!exists()) error = build();
    Run(lock.get(), "SELECT pg_advisory_unlock(" + id + ")");
    return error;
}

std::string BuildStamp() {
    struct stat st {};
    if (stat("/proc/self/exe", &st) != 0) return "0";
    return std::to_string(st.st_mtim.tv_sec) + std::to_string(st.st_mtim.tv_nsec / 1000000);
}

std::string FirstColumns(SQLDB& db, const std::string& sql) {
    auto rs = db.RunSQLReturnRS(sql);
    if (!rs) return "ERROR: " + db.ErrDescription();
    std::string out;
    for (auto r = rs; r; r = r->NextRecordset()) {
        if (!out.empty()) out += "|";
        if (!r->IsOpen()) {
            out += "(" + std::to_string(r->RecordsAffected()) + ")";
            continue;
        }
        std::string rows;
        for (const auto& row : r->Rows())
            rows += (rows.empty() ? "" : ",") + (row[0].IsNull() ? "NULL" : row[0].ToText());
        out += rows;
    }
    return out;
}
