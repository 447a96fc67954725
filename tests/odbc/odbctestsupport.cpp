#include "odbctestsupport.h"

#include <libpq-fe.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdlib>

#include "sql/odbc/odbcconnection.h"
#include "sql/postgres/pgengine.h"

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr ? v : "";
}

// Runs one statement on `db` through libpq; "" or the error.
std::string Admin(const std::string& db, const std::string& sql) {
    std::string conninfo = "dbname=" + db;
    PGconn* c = PQconnectdb(conninfo.c_str());
    std::string error;
    if (PQstatus(c) != CONNECTION_OK) {
        error = PQerrorMessage(c);
    } else {
        PGresult* r = PQexec(c, sql.c_str());
        if (PQresultStatus(r) != PGRES_COMMAND_OK && PQresultStatus(r) != PGRES_TUPLES_OK)
            error = PQresultErrorMessage(r);
        PQclear(r);
    }
    PQfinish(c);
    return error;
}

// One database per test program, made on first use and dropped at exit.
struct PgDatabase {
    std::string Name = "ct_odbc_" + std::to_string(getpid());
    std::string Reason;
    PgDatabase() {
        Admin("postgres", "DROP DATABASE IF EXISTS " + Name);
        Reason = Admin("postgres", "CREATE DATABASE " + Name);
        if (Reason.empty()) Reason = Admin(Name, kPgDatabaseSetupSql);
        if (!Reason.empty())
            Reason =
                "no PostgreSQL server reachable through PGHOST/PGPORT/PGUSER "
                "(scripts/test.sh starts one with pg_virtualenv): " +
                Reason;
    }
    ~PgDatabase() {
        if (Reason.empty()) Admin("postgres", "DROP DATABASE IF EXISTS " + Name + " WITH (FORCE)");
    }
};

}  // namespace

std::string PgOdbcConnectionString(std::string& reason) {
    static PgDatabase db;
    reason = db.Reason;
    if (!reason.empty()) return "";
    std::string host = Env("PGHOST").empty() ? "localhost" : Env("PGHOST");
    std::string s = "Driver=PostgreSQL Unicode;Server=" + OdbcValue(host) + ";Database=" + db.Name;
    if (!Env("PGPORT").empty()) s += ";Port=" + Env("PGPORT");
    if (!Env("PGUSER").empty()) s += ";UID=" + OdbcValue(Env("PGUSER"));
    if (!Env("PGPASSWORD").empty()) s += ";PWD=" + OdbcValue(Env("PGPASSWORD"));
    return s;
}

OdbcTarget SqliteOdbcTarget() {
    return {false, [](TempDir& dir, std::string&) {
                // The engine opens existing files only, as the native one does.
                std::string path = dir.File("odbc.db");
                sqlite3* db = nullptr;
                sqlite3_open(path.c_str(), &db);
                sqlite3_close(db);
                return "Driver=SQLite3;Database=" + OdbcValue(path);
            }};
}

OdbcTarget PgOdbcTarget() {
    return {true, [](TempDir&, std::string& reason) { return PgOdbcConnectionString(reason); }};
}
