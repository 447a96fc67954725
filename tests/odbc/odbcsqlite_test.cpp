// T-SQL through ODBC's SQLite driver against the native SQLite engine: the
// same batches on two copies of one file must print the same and store the
// same; plus what only the driver path has (the functions reaching the
// driver's connection, GETDATE() per statement, numbered markers, refusing
// a driver the functions cannot reach).
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <sstream>
#include <thread>

#include "app/adminsql.h"
#include "sql/odbc/odbcprocedurecontext.h"
#include "sql/odbc/odbcsqlite.h"
#include "sql/sqldb.h"
#include "support/sqlengines.h"
#include "support/tempdir.h"

namespace {

constexpr const char* kSchema = R"(
    CREATE TABLE T (ID INTEGER PRIMARY KEY AUTOINCREMENT, Name NVARCHAR(50) COLLATE NOCASE,
        Qty INT, Price MONEY, Rate FLOAT, Flag BIT, DT DATETIME, D DATE, TM TIME,
        Amount DECIMAL(10,2), Note NTEXT, Img BLOB);
    CREATE TABLE K (Code NVARCHAR(10) COLLATE NOCASE PRIMARY KEY, V INT NOT NULL);
    INSERT INTO T (Name, Qty, Price, Rate, Flag, DT, D, TM, Amount) VALUES
        ('Alpha', 5, 2.5, 0.5, 1, '2024-03-01 10:15:30', '2024-03-01', '18:30:00', 1.25);
    INSERT INTO K VALUES ('A', 1);
)";

void Exec(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    char* msg = nullptr;
    int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &msg);
    std::string error = msg != nullptr ? msg : "";
    sqlite3_free(msg);
    sqlite3_close(db);
    ASSERT_EQ(rc, SQLITE_OK) << error;
}

// Every row of `sql` read directly, with each value's storage class.
std::string Stored(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_stmt* st = nullptr;
    std::string out;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK)
        while (sqlite3_step(st) == SQLITE_ROW)
            for (int i = 0; i < sqlite3_column_count(st); ++i) {
                const unsigned char* t = sqlite3_column_text(st, i);
                out += std::to_string(sqlite3_column_type(st, i)) + ":" +
                       (t != nullptr ? reinterpret_cast<const char*>(t) : "NULL") + "|";
            }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

class OdbcSQLiteTest : public ::testing::Test {
  protected:
    void SetUp() override {
        native_ = dir_.File("native.db");
        odbc_ = dir_.File("odbc.db");
        Exec(native_, kSchema);
        Exec(odbc_, kSchema);
    }

    static std::string Print(const std::string& conn, const std::string& batch) {
        std::ostringstream out, err;
        if (RunAdminSqlOn(conn, batch, out, err) != 0) return "ERROR: " + err.str();
        return out.str();
    }
    std::string Native(const std::string& batch) const {
        return Print(SQLiteConnectionString(native_, TestEngine::SQLite), batch);
    }
    std::string Odbc(const std::string& batch) const {
        return Print(SQLiteConnectionString(odbc_, TestEngine::OdbcSQLite), batch);
    }

    TempDir dir_;
    std::string native_, odbc_;
};

// What the driver path could plausibly get wrong: types read back (declared,
// hinted, by value), storage forms written, numbered markers used twice,
// identities, statement-level errors, procedural flow, temporary tables.
TEST_F(OdbcSQLiteTest, BatchesPrintAndStoreAsOnTheNativeEngine) {
    const std::string longText(100000, 'x');
    const char* batches[] = {
        "SELECT * FROM T",
        "SELECT ID + 1 AS N, Price * 2 AS P, Rate / 4 AS R, Name + '!' AS S, YEAR(GETDATE()) - "
        "YEAR(GETDATE()) AS Z, CAST(DT AS DATE) AS C, DATEADD(d, 1, D) AS E, Amount * 3 AS A FROM "
        "T",
        "DECLARE @n INT SET @n = 7 SELECT @n + @n AS A, @n * 3 AS B, Qty + @n AS C FROM T",
        "DECLARE @d DATETIME SET @d = '2025-01-02 03:04:05.678' INSERT INTO T (DT, D, TM, Name) "
        "VALUES (@d, @d, @d, N'Ünïcødé ✓') SELECT @@IDENTITY AS I, @@ROWCOUNT AS R",
        // Each violation ends only its statement; the batch reports the first.
        "INSERT INTO K VALUES ('a ', 2) SELECT @@ERROR AS E INSERT INTO K VALUES ('B', NULL) "
        "SELECT @@ERROR AS E SELECT COUNT(*) AS N FROM K",
        "UPDATE T SET Qty = Qty + 1 WHERE Name = 'ALPHA  ' SELECT Qty FROM T",
        "IF EXISTS (SELECT * FROM T WHERE Qty > 1) SELECT 'yes' AS A ELSE SELECT 'no' AS A",
        "SELECT Name, Qty INTO #w FROM T INSERT INTO #w VALUES ('b', 2) SELECT * FROM #w ORDER BY "
        "Qty",
        "BEGIN TRANSACTION INSERT INTO K VALUES ('C', 3) ROLLBACK SELECT COUNT(*) AS N FROM K",
        "SELECT ID, Name, Price, DT, Amount, ID * 2 AS Twice, GETDATE() AS Now, Qty + 0.5 AS H "
        "INTO W FROM T WHERE Qty > 0",
        "SELECT ISNULL(NULL, 3) AS A, CASE WHEN 1 = 1 THEN 2.5 ELSE NULL END AS B, "
        "CONVERT(VARCHAR(10), DT, 112) AS C FROM T",
    };
    for (const char* b : batches) {
        const std::string native = Native(b);
        if (std::string(b).find("@@ERROR") == std::string::npos) {
            EXPECT_EQ(native.rfind("ERROR", 0), std::string::npos) << b << "\n" << native;
        }
        EXPECT_EQ(Odbc(b), native) << b;
    }
    const std::string write = "UPDATE T SET Note = '" + longText + "' WHERE ID = 1";
    EXPECT_EQ(Odbc(write), Native(write));
    const char* read = "SELECT ID, Name, DT, D, TM, Price, Flag, Amount, length(Note) FROM T";
    EXPECT_EQ(Stored(odbc_, read), Stored(native_, read));
    // SELECT ... INTO declares its table alike.
    const char* made = "SELECT sql FROM sqlite_master WHERE name = 'W'";
    EXPECT_EQ(Stored(odbc_, made), Stored(native_, made));
}

TEST_F(OdbcSQLiteTest, UnicodeLongTextAndBinaryRoundTrip) {
    SQLDB db;
    db.SetConnectionString(SQLiteConnectionString(odbc_, TestEngine::OdbcSQLite));
    db.SetKeepConnection(true);
    auto rs = db.RunSQLReturnRS("SELECT * FROM T WHERE ID = 1", true);
    ASSERT_NE(rs, nullptr) << db.ErrDescription();
    const std::string text = "Grüße 漢字 " + std::string(70000, 'y');
    Bytes blob;
    for (int i = 0; i < 70000; ++i)
        blob.push_back(static_cast<uint8_t>(i % 256));
    ASSERT_TRUE(rs->SetValue("Note", Variant(text)));
    ASSERT_TRUE(rs->SetValue("Img", Variant(blob)));
    std::string error;
    ASSERT_TRUE(rs->Update(error)) << error;
    auto back = db.RunSQLReturnRS("SELECT Note, Img, LEN(Note) AS L FROM T WHERE ID = 1");
    ASSERT_NE(back, nullptr) << db.ErrDescription();
    EXPECT_EQ(back->Field("Note")->ToText(), text);
    EXPECT_EQ(back->Field("Img")->ToBytes(), blob);
    EXPECT_EQ(back->Field("L")->ToText(), std::to_string(70000 + 9));
}

TEST_F(OdbcSQLiteTest, GetDateIsReadAfreshForEachStatement) {
    SQLDB db;
    db.SetConnectionString(SQLiteConnectionString(odbc_, TestEngine::OdbcSQLite));
    db.SetKeepConnection(true);
    const std::string sql = "SELECT CONVERT(VARCHAR(30), GETDATE(), 121)";
    const std::string first = FirstColumns(db, sql);
    ASSERT_EQ(first.rfind("ERROR", 0), std::string::npos) << first;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_NE(FirstColumns(db, sql), first);
}

TEST(OdbcSQLiteMarkers, NumberedMarkersBecomePlainOnesInBindingOrder) {
    struct Case {
        const char* sql;
        const char* text;
        std::vector<int> order;
    } cases[] = {
        {"SELECT ?1 + ?1, ?2", "SELECT ? + ?, ?", {1, 1, 2}},
        {"SELECT ?2, '?1', ?1", "SELECT ?, '?1', ?", {2, 1}},
        {"SELECT ?, ?3, ?", "SELECT ?, ?, ?", {1, 3, 4}},
        {"SELECT \"a?1\" FROM t WHERE x = ?10", "SELECT \"a?1\" FROM t WHERE x = ?", {10}},
    };
    for (const auto& c : cases) {
        std::vector<int> order;
        EXPECT_EQ(OdbcMarkers(c.sql, order, '?'), c.text) << c.sql;
        EXPECT_EQ(order, c.order) << c.sql;
    }
}

TEST(OdbcSQLiteOptions, DefaultsGoOnlyWhereTheStringIsSilent) {
    EXPECT_EQ(OdbcSQLiteConnectionString("Driver=SQLite3;Database=f.db"),
              "Driver=SQLite3;Database=f.db;BigInt=1;JournalMode=WAL;SyncPragma=NORMAL;NoCreat=1;"
              "Timeout=30000");
    // The user's own choice stays, in any case and spacing; a key that only
    // ends in a default's name is another key.
    EXPECT_EQ(OdbcSQLiteConnectionString("Driver=SQLite3; nocreat = 0;JournalMode=DELETE;"
                                         "BigInt=0;SyncPragma=FULL;Query Timeout=5"),
              "Driver=SQLite3; nocreat = 0;JournalMode=DELETE;BigInt=0;SyncPragma=FULL;"
              "Query Timeout=5;Timeout=30000");
}

TEST_F(OdbcSQLiteTest, OpenFailsClearlyWhenTheFunctionsCannotReachTheDriver) {
    // A driver built with a SQLite of its own: the open leaves no hooks.
    OdbcConnection conn;
    DBError err;
    ASSERT_TRUE(conn.Connect("Driver=SQLite3;Database=" + odbc_, 5, err)) << err.Message;
    OdbcSQLite session(conn, nullptr, odbc_);
    EXPECT_FALSE(session.Start(err));
    EXPECT_NE(err.Message.find("T-SQL functions"), std::string::npos) << err.Message;

    // A missing file is not made empty: the open fails and names it.
    SQLDB db;
    const std::string missing = dir_.File("missing.db");
    db.SetConnectionString(SQLiteConnectionString(missing, TestEngine::OdbcSQLite));
    EXPECT_FALSE(db.Connect());
    EXPECT_NE(db.ErrDescription().find("Cannot open database \"" + missing + "\""),
              std::string::npos)
        << db.ErrDescription();
}

}  // namespace
