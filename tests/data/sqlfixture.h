#pragma once
// A throwaway database with an ad-hoc schema, opened through SQLDB, on each
// engine (a SQLite file, or a PostgreSQL database of its own), and a helper
// that runs a batch and prints every result the way culinarotable-admin sql
// does.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <map>
#include <sstream>
#include <string>

#include "app/adminsql.h"
#include "sql/postgres/pgengine.h"
#include "sql/sqldb.h"
#include "support/sqlengines.h"
#include "support/tempdir.h"

// Runs SQLite statements directly (schema and base rows).
inline void ExecRaw(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    char* msg = nullptr;
    // Test files need no durability: skip the disk flushes.
    std::string all = "PRAGMA synchronous=OFF;" + sql;
    int rc = sqlite3_exec(db, all.c_str(), nullptr, nullptr, &msg);
    std::string error = msg != nullptr ? msg : "";
    sqlite3_free(msg);
    sqlite3_close(db);
    ASSERT_EQ(rc, SQLITE_OK) << error;
}

// One value read directly from the file, as text ("NULL" for NULL).
inline std::string RawValue(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_stmt* st = nullptr;
    std::string r = "<error>";
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK) {
        int rc = sqlite3_step(st);
        if (rc == SQLITE_ROW)
            r = sqlite3_column_type(st, 0) == SQLITE_NULL
                    ? "NULL"
                    : reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        else if (rc == SQLITE_DONE)
            r = "<no row>";
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return r;
}

// What PostgreSQL answers where it knowingly differs from SQL Server (db/tsql.md,
// "On PostgreSQL"), by case name or batch: mostly constructs it refuses. A
// difference that gets mended fails its case until the entry goes.
using PgAnswers = std::map<std::string, std::string>;

// `out` against an expected result: the exact text, or for "ERROR: x" any
// error whose text holds x.
inline bool SameResult(const std::string& out, const std::string& expected) {
    if (expected.rfind("ERROR: ", 0) != 0) return out == expected;
    return out.rfind("ERROR: ", 0) == 0 && out.find(expected.substr(7)) != std::string::npos;
}

class SqlFixture : public ::testing::TestWithParam<TestEngine> {
  protected:
    // T has an identity; S refers to T; NoIdent has a text key.
    static constexpr const char* kSchema = R"(
        CREATE TABLE T (ID INTEGER PRIMARY KEY AUTOINCREMENT, Name NVARCHAR(50) COLLATE NOCASE,
            Code VARCHAR(10) COLLATE NOCASE, Qty INT, Price MONEY, Rate FLOAT, Flag BIT,
            DT DATETIME, D DATE, TM TIME, Note NTEXT, Img BLOB);
        CREATE TABLE S (SID INTEGER PRIMARY KEY AUTOINCREMENT, TID INT, Val NVARCHAR(20) COLLATE NOCASE);
        CREATE TABLE NoIdent (K NVARCHAR(10) COLLATE NOCASE PRIMARY KEY, V INT);
        INSERT INTO T (Name, Code, Qty, Price, Rate, Flag, DT, D, TM) VALUES
            ('Alpha', 'A1', 5, 2.5, 0.5, 1, '2024-03-01 10:15:30', '2024-03-01', '18:30:00'),
            ('beta', 'B2', 10, 1, 1.25, 0, '2024-03-02 00:00:00', '2024-03-02', '09:05:00'),
            (NULL, 'TT3Value', NULL, NULL, NULL, NULL, NULL, NULL, NULL);
        INSERT INTO S (TID, Val) VALUES (1, 'x'), (1, 'y'), (2, 'z');
    )";

    void SetUp() override {
        if (Pg()) {
            CT_SKIP_WITHOUT_PG();
            pgDb_ = PgUniqueName("ct_sql");
            ASSERT_EQ(PgCreateDatabase(pgDb_), "");
            conn_ = PgConnectionString(pgDb_, GetParam());
        } else {
            path_ = dir_.File("test" + std::to_string(++files_) + ".db");
            conn_ = SQLiteConnectionString(path_, GetParam());
        }
        db_.SetConnectionString(conn_);
        Exec(kSchema);
    }
    void TearDown() override {
        db_.Disconnect();
        if (!pgDb_.empty()) PgDropDatabase(pgDb_);
    }

    // The base rows again, for table-driven tests whose cases change them.
    void Fresh() {
        db_.Disconnect();
        if (!Pg()) return SetUp();
        ASSERT_EQ(PgExec(pgDb_, "DROP SCHEMA public CASCADE; CREATE SCHEMA public"), "");
        Exec(kSchema);
    }

    // The answer expected of this engine for a case.
    std::string Expected(const PgAnswers& pg, const std::string& key,
                         const std::string& sqlServer) const {
        auto it = pg.find(key);
        return Pg() && it != pg.end() ? it->second : sqlServer;
    }

    bool Pg() const { return IsPg(GetParam()); }

    // Schema and base rows: straight into the SQLite file; on PostgreSQL
    // through the T-SQL rewrite, as installations make their databases.
    void Exec(const std::string& sql) {
        if (!Pg()) return ExecRaw(path_, sql);
        SQLDB db;
        db.SetConnectionString(conn_);
        ASSERT_TRUE(db.RunSQLNoReturn(sql)) << db.ErrDescription();
    }

    // One value read past SQLDB, in the engine's own SQL.
    std::string Raw(const std::string& sql) {
        return Pg() ? PgScalar(pgDb_, sql) : RawValue(path_, sql);
    }

    // Every result of the batch as culinarotable-admin sql prints it, or
    // "ERROR: " and the description.
    std::string Run(const std::string& batch) {
        std::ostringstream out, err;
        if (RunAdminSqlOn(conn_, batch, out, err) != 0) return "ERROR: " + err.str();
        return out.str();
    }

    TempDir dir_;
    int files_ = 0;
    std::string path_;  // SQLite
    std::string pgDb_;  // PostgreSQL
    std::string conn_;
    SQLDB db_;
};
