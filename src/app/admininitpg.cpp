#include "app/admininitpg.h"

#include <libpq-fe.h>
#include <sqlite3.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <ostream>
#include <sstream>
#include <vector>

#include "core/mltext.h"
#include "platform/inifile.h"
#include "platform/textutil.h"
#include "registry/crypto.h"
#include "sql/embeddedfiles.h"
#include "sql/postgres/pgengine.h"
#include "sql/sqldb.h"

namespace {

using PgConnPtr = std::unique_ptr<PGconn, decltype(&PQfinish)>;

struct Target {
    std::string host, port, user, password;
    std::string DataSource() const { return port.empty() ? host : host + ":" + port; }
};

PgConnPtr Connect(const Target& t, const std::string& db) {
    const char* keys[] = {"host", "port", "dbname", "user", "password", "connect_timeout", nullptr};
    const char* values[] = {t.host.c_str(),
                            t.port.empty() ? nullptr : t.port.c_str(),
                            db.c_str(),
                            t.user.empty() ? nullptr : t.user.c_str(),
                            t.password.empty() ? nullptr : t.password.c_str(),
                            "15",
                            nullptr};
    return PgConnPtr(PQconnectdbParams(keys, values, 0), &PQfinish);
}

bool Exec(PGconn* c, const std::string& sql, std::string& error) {
    PGresult* r = PQexec(c, sql.c_str());
    bool ok = PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK;
    if (!ok) error = Trim(PQerrorMessage(c));
    PQclear(r);
    return ok;
}

std::string ConnStr(const std::string& db) {
    return "Provider=PostgreSQL;Initial Catalog=" + db;
}

// Copies every row of every table of the SQLite file into the database
// (which holds the same tables), then moves each identity past its rows.
bool CopyRows(const std::string& file, PGconn* pg, std::string& error) {
    sqlite3* lite = nullptr;
    if (sqlite3_open_v2(file.c_str(), &lite, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        error = sqlite3_errmsg(lite);
        sqlite3_close(lite);
        return false;
    }
    std::unique_ptr<sqlite3, decltype(&sqlite3_close)> guard(lite, &sqlite3_close);
    std::vector<std::string> tables;
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(lite,
                       "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE "
                       "'sqlite%' ORDER BY name",
                       -1, &st, nullptr);
    while (sqlite3_step(st) == SQLITE_ROW)
        tables.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    if (!Exec(pg, "BEGIN", error)) return false;
    for (const std::string& table : tables) {
        std::string select = "SELECT * FROM \"" + table + "\"";
        if (sqlite3_prepare_v2(lite, select.c_str(), -1, &st, nullptr) != SQLITE_OK) {
            error = sqlite3_errmsg(lite);
            return false;
        }
        int n = sqlite3_column_count(st);
        std::string insert = "INSERT INTO " + LowerAscii(table) + " (", values;
        for (int c = 0; c < n; ++c) {
            insert +=
                (c ? ", " : "") + std::string("\"") + LowerAscii(sqlite3_column_name(st, c)) + "\"";
            values += (c ? ", $" : "$") + std::to_string(c + 1);
        }
        insert += ") VALUES (" + values + ")";
        bool ok = true;
        while (ok && sqlite3_step(st) == SQLITE_ROW) {
            std::vector<std::string> text(static_cast<std::size_t>(n));
            std::vector<const char*> params(static_cast<std::size_t>(n), nullptr);
            for (int c = 0; c < n; ++c) {
                auto k = static_cast<std::size_t>(c);
                int type = sqlite3_column_type(st, c);
                if (type == SQLITE_NULL) continue;
                if (type == SQLITE_BLOB) {
                    // bytea's hexadecimal input form.
                    const auto* b = static_cast<const unsigned char*>(sqlite3_column_blob(st, c));
                    static const char kHex[] = "0123456789abcdef";
                    text[k] = "\\x";
                    for (int j = 0; j < sqlite3_column_bytes(st, c); ++j) {
                        text[k] += kHex[b[j] >> 4];
                        text[k] += kHex[b[j] & 15];
                    }
                } else {
                    text[k] = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
                }
                params[k] = text[k].c_str();
            }
            PGresult* r =
                PQexecParams(pg, insert.c_str(), n, nullptr, params.data(), nullptr, nullptr, 0);
            ok = PQresultStatus(r) == PGRES_COMMAND_OK;
            if (!ok) error = table + ": " + Trim(PQerrorMessage(pg));
            PQclear(r);
        }
        sqlite3_finalize(st);
        if (!ok) return false;
    }
    // Identity columns continue after the copied ids.
    const char* catchUp =
        "DO $$ DECLARE r record; BEGIN FOR r IN SELECT c.relname, a.attname FROM pg_attribute a "
        "JOIN pg_class c ON c.oid = a.attrelid JOIN pg_namespace s ON s.oid = c.relnamespace "
        "WHERE a.attidentity <> '' AND s.nspname = 'public' LOOP EXECUTE format('SELECT "
        "setval(pg_get_serial_sequence(%L, %L), m) FROM (SELECT max(%I) AS m FROM %I) x WHERE "
        "m IS NOT NULL', r.relname, r.attname, r.attname, r.relname); END LOOP; END $$";
    return Exec(pg, catchUp, error) && Exec(pg, "COMMIT", error);
}

std::string g_baseName = "kivdb";

std::string DatabaseName(int server) {
    return g_baseName + std::to_string(server);
}

// Makes database `db` on the server (dropping an old one when `force`) with
// the schema, through the program's own SQL layer.
bool CreateDatabase(const Target& t, const std::string& db, bool force, std::string& error) {
    PgConnPtr admin = Connect(t, "postgres");
    if (PQstatus(admin.get()) != CONNECTION_OK) {
        error = Trim(PQerrorMessage(admin.get()));
        return false;
    }
    if (force && !Exec(admin.get(), "DROP DATABASE IF EXISTS " + db + " WITH (FORCE)", error))
        return false;
    if (!Exec(admin.get(), "CREATE DATABASE " + db + " ENCODING 'UTF8' TEMPLATE template0", error))
        return false;
    PgConnPtr conn = Connect(t, db);
    if (!Exec(conn.get(), kPgDatabaseSetupSql, error)) return false;
    conn.reset();
    SQLDB sql;
    sql.SetConnectionString(ConnStr(db) + ";Data Source=" + t.DataSource() + ";User ID=" + t.user +
                            ";Password=" + t.password);
    std::string schema = kEmbeddedSchemaSQL;
    // The embedded engine's switch has no counterpart.
    const std::string pragma = "PRAGMA foreign_keys = OFF;";
    std::size_t p = schema.find(pragma);
    if (p != std::string::npos) schema.erase(p, pragma.size());
    if (!sql.RunSQLNoReturn(schema)) {
        error = sql.ErrDescription();
        return false;
    }
    return true;
}

}  // namespace

bool InitPostgresInstallation(const InitOptions& options, const PgInitOptions& pg,
                              std::ostream& out, std::ostream& err) {
    Target t;
    std::size_t colon = pg.server.rfind(':');
    t.host = colon == std::string::npos ? pg.server : pg.server.substr(0, colon);
    t.port = colon == std::string::npos ? "" : pg.server.substr(colon + 1);
    const char* envUser = std::getenv("PGUSER");
    const char* envPassword = std::getenv("PGPASSWORD");
    t.user = !pg.user.empty() ? pg.user : envUser != nullptr ? envUser : "";
    t.password = !pg.password.empty() ? pg.password : envPassword != nullptr ? envPassword : "";
    if (t.host.empty()) {
        err << "init --engine postgresql needs --server HOST[:PORT]\n";
        return false;
    }
    // The name goes into CREATE DATABASE as it stands.
    if (pg.database.empty() ||
        pg.database.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_") !=
            std::string::npos ||
        std::isdigit(static_cast<unsigned char>(pg.database[0]))) {
        err << "--database takes lower-case letters, digits and _: " << pg.database << "\n";
        return false;
    }
    g_baseName = pg.database;
    // Laid out and filled with the embedded engine first; the files go away
    // once their rows are on the server.
    std::ostringstream ignored;
    if (!InitInstallation(options, ignored, err)) return false;
    const int servers = options.demo ? 2 : 1;
    std::vector<std::string> files;
    for (int s = 1; s <= servers; ++s)
        files.push_back(InstallationDatabasePath(options.root, s));
    const std::string login = EncryptCredential(t.user);
    const std::string password = EncryptCredential(t.password);
    for (int s = 1; s <= servers; ++s) {
        const std::string db = DatabaseName(s);
        std::string error;
        bool ok = CreateDatabase(t, db, options.force, error);
        PgConnPtr conn = Connect(t, db);
        ok = ok && CopyRows(files[static_cast<std::size_t>(s - 1)], conn.get(), error);
        // Every database lists the servers: each row now names its database.
        for (int other = 1; ok && other <= servers; ++other) {
            std::string update =
                "UPDATE tbl_dbserver SET connstr = $1, ipaddress = $2, userid = $3, password = $4 "
                "WHERE ipaddress = $5";
            std::string conn2 = ConnStr(DatabaseName(other));
            std::string source = t.DataSource();
            const std::string& file = files[static_cast<std::size_t>(other - 1)];
            const char* params[] = {conn2.c_str(), source.c_str(), login.c_str(), password.c_str(),
                                    file.c_str()};
            PGresult* r =
                PQexecParams(conn.get(), update.c_str(), 5, nullptr, params, nullptr, nullptr, 0);
            ok = PQresultStatus(r) == PGRES_COMMAND_OK;
            if (!ok) error = Trim(PQerrorMessage(conn.get()));
            PQclear(r);
        }
        if (!ok) {
            err << "Cannot create the database: " << db << " on " << t.DataSource() << " (" << error
                << ")\n";
            return false;
        }
    }
    const std::string ini = options.root + "/Client/cfg/KIV4Connstr.ini";
    bool ok = WritePrivateProfileString("DB", "ConnStr", ConnStr(DatabaseName(1)), ini) &&
              WritePrivateProfileString("DB", "Data Source", t.DataSource(), ini) &&
              WritePrivateProfileString("DB", "User ID", login, ini) &&
              WritePrivateProfileString("DB", "Password", password, ini);
    if (!ok) {
        err << "Cannot write " << ini << "\n";
        return false;
    }
    for (const auto& f : files) {
        std::error_code ec;
        for (const char* suffix : {"", "-wal", "-shm", "-journal"})
            std::filesystem::remove(f + suffix, ec);
    }
    out << GetMLText("Installation created") << ": "
        << std::filesystem::absolute(options.root).lexically_normal().string() << "\n";
    for (int s = 1; s <= servers; ++s)
        out << "  " << t.DataSource() << "/" << DatabaseName(s) << "\n";
    return true;
}
