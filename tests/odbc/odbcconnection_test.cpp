// The ODBC plumbing against real databases through Debian's drivers: a
// SQLite file (driver "SQLite3") and the throwaway PostgreSQL cluster
// (driver "PostgreSQL Unicode", PG* variables from pg_virtualenv; skipped
// when no server answers).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "odbctestsupport.h"
#include "sql/odbc/odbcconnection.h"
#include "support/tempdir.h"

namespace {

// Every result of `sql` as text: rows as "v|v", NULL as "NULL", counts as "#n".
std::string Show(const std::vector<OdbcResult>& results) {
    std::string out;
    for (const auto& r : results) {
        if (!r.Rows) {
            out += "#" + std::to_string(r.Changed) + ";";
            continue;
        }
        for (const auto& row : r.Rows->Rows()) {
            for (std::size_t i = 0; i < row.size(); ++i)
                out += (i ? "|" : "") + (row[i].IsNull() ? std::string("NULL") : row[i].ToText());
            out += ";";
        }
    }
    return out;
}

class OdbcConnectionTest : public ::testing::TestWithParam<OdbcTarget> {
  protected:
    void SetUp() override {
        std::string reason;
        conn_string_ = GetParam().Make(dir_, reason);
        if (conn_string_.empty()) GTEST_SKIP() << reason;
        DBError err;
        ASSERT_TRUE(c_.Connect(conn_string_, 5, err)) << err.Message;
        Exec("DROP TABLE IF EXISTS odbc_t");
        Exec(GetParam().Pg ? "CREATE TABLE odbc_t (id SERIAL PRIMARY KEY, name VARCHAR(50), n INT, "
                             "f FLOAT, d TIMESTAMP, note TEXT, img BYTEA)"
                           : "CREATE TABLE odbc_t (id INTEGER PRIMARY KEY AUTOINCREMENT, name "
                             "NVARCHAR(50), n INT, f FLOAT, d DATETIME, note NTEXT, img BLOB)");
    }

    void Exec(const std::string& sql, const std::vector<Variant>& params = {}) {
        std::vector<OdbcResult> results;
        DBError err;
        ASSERT_TRUE(c_.Run(sql, params, results, err)) << sql << ": " << err.Message;
    }
    std::vector<OdbcResult> Query(const std::string& sql, const std::vector<Variant>& params = {}) {
        std::vector<OdbcResult> results;
        DBError err;
        EXPECT_TRUE(c_.Run(sql, params, results, err)) << sql << ": " << err.Message;
        return results;
    }

    TempDir dir_;
    std::string conn_string_;
    OdbcConnection c_;
};

TEST_P(OdbcConnectionTest, TypedParametersComeBackAsTheyWent) {
    std::string longText(100000, 'x');
    longText += "ünïcødé ☃ 漢字";
    Bytes blob(70000);
    for (std::size_t i = 0; i < blob.size(); ++i)
        blob[i] = static_cast<uint8_t>(i * 7);
    DateTime when{2024, 3, 1, 10, 15, 30, 250};
    std::vector<OdbcResult> r =
        Query("INSERT INTO odbc_t (name, n, f, d, note, img) VALUES (?, ?, ?, ?, ?, ?)",
              {Variant("Zoë ☃"), Variant(42), Variant(2.5), Variant(when), Variant(longText),
               Variant(blob)});
    ASSERT_EQ(Show(r), "#1;");
    Exec("INSERT INTO odbc_t (name) VALUES (NULL)");

    r = Query("SELECT name, n, f, d, note, img FROM odbc_t ORDER BY id");
    ASSERT_EQ(r.size(), 1u);
    const Recordset& rs = *r[0].Rows;
    ASSERT_EQ(rs.RecordCount(), 2);
    const auto& row = rs.Rows()[0];
    EXPECT_EQ(row[0].ToText(), "Zoë ☃");
    EXPECT_EQ(row[1].Type(), VarType::Integer);
    EXPECT_EQ(row[1].ToInt64(), 42);
    EXPECT_EQ(row[2].Type(), VarType::Double);
    EXPECT_DOUBLE_EQ(row[2].ToDouble(), 2.5);
    ASSERT_EQ(row[3].Type(), VarType::Date);
    EXPECT_EQ(row[3].ToText(), "2024-03-01 10:15:30.250");
    EXPECT_EQ(row[4].ToText(), longText);
    EXPECT_EQ(row[5].ToBytes(), blob);
    for (const Variant& v : rs.Rows()[1])
        EXPECT_TRUE(v.IsNull());

    EXPECT_EQ(rs.FieldAt(1).Type, adInteger);
    EXPECT_EQ(rs.FieldAt(2).Type, adDouble);
    EXPECT_EQ(rs.FieldAt(3).Type, adDBTimeStamp);
    EXPECT_EQ(rs.FieldAt(5).Type, adLongVarBinary);
    EXPECT_EQ(rs.FieldAt(0).Name, "name");
}

TEST_P(OdbcConnectionTest, RowCountsAndIdentities) {
    Exec("INSERT INTO odbc_t (name, n) VALUES ('a', 1)");
    Exec("INSERT INTO odbc_t (name, n) VALUES ('b', 1)");
    EXPECT_EQ(Show(Query("UPDATE odbc_t SET n = 2 WHERE n = 1")), "#2;");
    // No row matched: still one result, counting none.
    EXPECT_EQ(Show(Query("DELETE FROM odbc_t WHERE n = 99")), "#0;");
    std::string identity = GetParam().Pg ? "SELECT lastval()" : "SELECT last_insert_rowid()";
    EXPECT_EQ(Show(Query(identity)), "2;");
}

TEST_P(OdbcConnectionTest, NullAndTextParametersFitTypedColumns) {
    // Procedures pass NULLs and numbers or dates as text; the column's type
    // decides, as with untyped parameters.
    EXPECT_EQ(Show(Query("INSERT INTO odbc_t (n, f, d) VALUES (?, ?, ?)",
                         {Variant(), Variant(), Variant()})),
              "#1;");
    EXPECT_EQ(Show(Query("INSERT INTO odbc_t (n, f, d) VALUES (?, ?, ?)",
                         {Variant("7"), Variant("1.5"), Variant("2024-03-01 10:00:00")})),
              "#1;");
    EXPECT_EQ(Show(Query("SELECT n, f, d FROM odbc_t ORDER BY id")),
              "NULL|NULL|NULL;7|1.5|2024-03-01 10:00:00;");
}

std::vector<OdbcTarget> Targets() {
    return {SqliteOdbcTarget(), PgOdbcTarget()};
}

INSTANTIATE_TEST_SUITE_P(Drivers, OdbcConnectionTest, ::testing::ValuesIn(Targets()),
                         [](const auto& p) { return p.param.Pg ? "PostgreSQL" : "SQLite"; });

// Only PostgreSQL runs several statements in one call and can be cut off
// from outside.
class OdbcPgTest : public OdbcConnectionTest {};

TEST_P(OdbcPgTest, SeveralResultSetsInOrder) {
    EXPECT_EQ(Show(Query("SELECT 1; INSERT INTO odbc_t (n) VALUES (5); SELECT 'x', NULL")),
              "1;#1;x|NULL;");
}

TEST_P(OdbcPgTest, TimeoutStopsTheStatement) {
    c_.SetTimeout(1);
    std::vector<OdbcResult> results;
    DBError err;
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(c_.Run("SELECT pg_sleep(10)", {}, results, err));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8));
    EXPECT_EQ(err.Number, kErrTimeout) << err.Message;
    c_.SetTimeout(30);
    EXPECT_EQ(Show(Query("SELECT 2")), "2;");
}

TEST_P(OdbcPgTest, LostConnectionFailsOnceThenReconnects) {
    std::vector<OdbcResult> pid = Query("SELECT pg_backend_pid()");
    ASSERT_EQ(pid.size(), 1u);
    OdbcConnection other;
    DBError err;
    ASSERT_TRUE(other.Connect(conn_string_, 5, err)) << err.Message;
    std::vector<OdbcResult> ignored;
    ASSERT_TRUE(other.Run("SELECT pg_terminate_backend(CAST(? AS INT))",
                          {Variant(pid[0].Rows->Rows()[0][0].ToInt64())}, ignored, err))
        << err.Message;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));

    std::vector<OdbcResult> results;
    EXPECT_FALSE(c_.Run("INSERT INTO odbc_t (n) VALUES (1)", {}, results, err));
    EXPECT_EQ(err.Number, kErrConnection) << err.Message;
    EXPECT_TRUE(c_.IsOpen());
    // The next statement runs on a new connection; the failed one was not resent.
    EXPECT_EQ(Show(Query("SELECT count(*) FROM odbc_t")), "0;");
}

INSTANTIATE_TEST_SUITE_P(Drivers, OdbcPgTest, ::testing::Values(PgOdbcTarget()),
                         [](const auto&) { return "PostgreSQL"; });

}  // namespace
