// The ODBC engine through SQLDB: T-SQL batches on PostgreSQL and SQLite
// through their ODBC drivers (translated as on the libpq and native SQLite
// engines), and the installation's procedures over either.
#include <gtest/gtest.h>
#include <unistd.h>

#include "odbctestsupport.h"
#include "sql/dbengine.h"
#include "sql/dbprocedures.h"
#include "sql/odbc/odbcconnection.h"
#include "sql/sqldb.h"
#include "support/sqlengines.h"

namespace {

constexpr int32_t kConnectionError = static_cast<int32_t>(0x80004005u);
constexpr int32_t kSqlError = static_cast<int32_t>(0x80040E14u);

std::string Col(SQLDB& db, const std::string& sql) {
    return FirstColumns(db, sql);
}

// A procedure written the way the installation's are: SQLite-style
// statements with ? markers, a return value, an output and a result set.
void RegisterTestProcedure() {
    RegisterDBProcedure(
        "sp_Odbc_Count", [](ProcedureContext& ctx, const std::vector<ProcedureArg>& args,
                            ProcedureResult& result, std::string& error) {
            if (!ctx.Execute("INSERT INTO OT (Name) VALUES (?)", {args.at(0).Value})) return false;
            int64_t id = ctx.LastInsertId();
            auto rs = ctx.Query("SELECT Name FROM OT WHERE ID = ? AND IFNULL(Name, '') <> ''",
                                {Variant(static_cast<long long>(id))});
            if (!rs) return false;
            result.ResultSets.push_back(rs);
            result.ReturnValue = id;
            result.Outputs.push_back({"@Rows", adParamOutput, Variant(rs->RecordCount())});
            if (args.at(0).Value.ToText() == "dup" &&
                !ctx.Execute("INSERT INTO OT (ID, Name) VALUES (?, 'x')", {Variant(1)})) {
                error = ctx.LastError();
                return false;
            }
            return true;
        });
}

class OdbcEngineTest : public ::testing::TestWithParam<OdbcTarget> {
  protected:
    void SetUp() override {
        std::string reason;
        std::string driver = GetParam().Make(dir_, reason);
        if (driver.empty()) GTEST_SKIP() << reason;
        RegisterTestProcedure();
        db.SetConnectionString("Provider=ODBC;" + driver);
        db.SetKeepConnection(true);
        ASSERT_TRUE(db.Connect()) << db.ErrDescription();
        {
            // Straight to the driver: DROP ... IF EXISTS is no T-SQL of old servers.
            OdbcConnection raw;
            DBError err;
            std::vector<OdbcResult> ignored;
            ASSERT_TRUE(raw.Connect(driver, 5, err) &&
                        raw.Run("DROP TABLE IF EXISTS OT", {}, ignored, err))
                << err.Message;
        }
        std::string create = GetParam().Pg
                                 ? "CREATE TABLE OT (ID INT IDENTITY(1,1) PRIMARY KEY, Name "
                                   "NVARCHAR(50), Qty INT, Price MONEY, DT DATETIME)"
                                 : "CREATE TABLE OT (ID INTEGER PRIMARY KEY AUTOINCREMENT, Name "
                                   "NVARCHAR(50), Qty INT, Price MONEY, DT DATETIME)";
        ASSERT_TRUE(db.RunSQLNoReturn(create)) << db.ErrDescription();
    }

    TempDir dir_;
    SQLDB db;
};

TEST_P(OdbcEngineTest, ProceduresRunOverTheConnection) {
    auto out = db.RunSPReturnParams("sp_Odbc_Count",
                                    {SQLDB::mp("@Name", adVarWChar, 50, "first"),
                                     SQLDB::mp("@Rows", adInteger, 4, Variant(), adParamOutput)});
    ASSERT_EQ(out.size(), 1u) << db.ErrDescription();
    EXPECT_EQ(out[0].Value.ToInt64(), 1);
    EXPECT_EQ(db.RunSPReturnInteger("sp_Odbc_Count", {SQLDB::mp("@Name", adVarWChar, 50, "two")}),
              2);
    auto rs = db.RunSPReturnRS("sp_Odbc_Count", {SQLDB::mp("@Name", adVarWChar, 50, "three")});
    ASSERT_TRUE(rs) << db.ErrDescription();
    EXPECT_EQ(rs->Field("Name")->ToText(), "three");
    // A duplicate key reads as the procedures expect on every engine.
    EXPECT_FALSE(db.RunSPNoReturn("sp_Odbc_Count", {SQLDB::mp("@Name", adVarWChar, 50, "dup")}));
    EXPECT_EQ(db.ErrNumber(), kSqlError);
    if (GetParam().Pg) {
        EXPECT_NE(db.ErrDescription().find("UNIQUE constraint failed"), std::string::npos)
            << db.ErrDescription();
    }
    EXPECT_FALSE(db.RunSPNoReturn("sp_Odbc_NoSuch", {}));
    EXPECT_NE(db.ErrDescription().find("Could not find stored procedure"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Drivers, OdbcEngineTest,
                         ::testing::Values(SqliteOdbcTarget(), PgOdbcTarget()),
                         [](const auto& p) { return p.param.Pg ? "PostgreSQL" : "SQLite"; });

// T-SQL meaning on PostgreSQL through its ODBC driver.
class OdbcPgEngineTest : public OdbcEngineTest {};

TEST_P(OdbcPgEngineTest, BatchesKeepIdentityRowCountAndResults) {
    EXPECT_EQ(Col(db, "INSERT OT (Name) VALUES (N'gamma') SELECT @@IDENTITY AS ID"), "(1)|1");
    // An explicit id moves the identity on: the next insert does not collide.
    ASSERT_TRUE(db.RunSQLNoReturn("INSERT INTO OT (ID, Name) VALUES (10, 'ten')"))
        << db.ErrDescription();
    EXPECT_EQ(Col(db, "INSERT INTO OT (Name) VALUES ('next') SELECT SCOPE_IDENTITY()"), "(1)|11");
    EXPECT_EQ(Col(db,
                  "SELECT TOP 2 Name FROM OT ORDER BY ID DESC "
                  "DELETE FROM OT WHERE ID = 10 SELECT @@ROWCOUNT AS N"),
              "next,ten|(1)|1");
    EXPECT_EQ(Col(db, "SET NOCOUNT ON DELETE FROM OT WHERE ID = 99 SELECT @@ROWCOUNT"), "0");
    EXPECT_EQ(Col(db, "SELECT ISNULL(NULL, 'x') + '-' + Name FROM OT WHERE Name = N'GAMMA'"),
              "x-gamma");
}

TEST_P(OdbcPgEngineTest, StatementBuildersAndTypesRoundTrip) {
    int32_t id = 0;
    ASSERT_TRUE(db.InsertRecordSQL("OT",
                                   {"Name", "Zoë O'Neil", "Qty", 3, "Price", 2.5, "DT",
                                    Variant(DateTime{2024, 3, 1, 18, 30, 0, 0})},
                                   true, id))
        << db.ErrDescription();
    EXPECT_EQ(id, 1);
    ASSERT_TRUE(db.UpdateRecordSQL("OT", {"Qty", 4}, {"ID", 1}, true)) << db.ErrDescription();
    auto rs = db.RunSQLReturnRS("SELECT ID, Name, Qty, Price, DT FROM OT");
    ASSERT_TRUE(rs) << db.ErrDescription();
    ASSERT_EQ(rs->RecordCount(), 1);
    EXPECT_EQ(rs->Field("Name")->ToText(), "Zoë O'Neil");
    EXPECT_EQ(rs->Field("Qty")->ToInt64(), 4);
    EXPECT_DOUBLE_EQ(rs->Field("Price")->ToDouble(), 2.5);
    EXPECT_EQ(rs->Field("DT")->ToText(), "2024-03-01 18:30:00");
    EXPECT_EQ(rs->FieldAt(rs->FieldIndex("ID")).Type, adInteger);
    EXPECT_EQ(rs->FieldAt(rs->FieldIndex("DT")).Type, adDBTimeStamp);
}

TEST_P(OdbcPgEngineTest, FailedBatchLeavesNoTransactionOpen) {
    EXPECT_EQ(
        db.RunSQLReturnRS("BEGIN TRAN INSERT INTO OT (Name) VALUES ('a') SELECT Nope FROM OT"),
        nullptr);
    EXPECT_EQ(db.ErrNumber(), kSqlError);
    EXPECT_NE(db.ErrDescription().find("nope"), std::string::npos) << db.ErrDescription();
    EXPECT_EQ(Col(db, "SELECT COUNT(*) FROM OT"), "0");
    // The session takes the next batch, and no transaction is left over:
    // this insert stays when the connection goes.
    EXPECT_EQ(Col(db, "DECLARE @x INT SET @x = 1 INSERT INTO OT (Name) VALUES ('b') SELECT @x"),
              "(1)|1");
    db.Disconnect();
    EXPECT_EQ(Col(db, "SELECT COUNT(*) FROM OT"), "1");
}

TEST_P(OdbcPgEngineTest, LostConnectionFailsOneStatementThenReconnects) {
    ASSERT_TRUE(db.RunSQLNoReturn("INSERT INTO OT (Name) VALUES ('a')"));
    std::string pid = Col(db, "SELECT pg_backend_pid()");
    SQLDB other;
    other.SetConnectionString(db.ConnectionString());
    ASSERT_TRUE(other.RunSQLNoReturn("SELECT pg_terminate_backend(" + pid + ")"))
        << other.ErrDescription();
    EXPECT_FALSE(db.RunSQLNoReturn("INSERT INTO OT (Name) VALUES ('b')"));
    EXPECT_EQ(db.ErrNumber(), kConnectionError) << db.ErrDescription();
    EXPECT_EQ(Col(db, "SELECT Name FROM OT ORDER BY ID"), "a");  // reconnected, nothing re-run
}

TEST_P(OdbcPgEngineTest, LoginInAdoWordsReachesTheDriver) {
    // Start-up appends the INI's login as User ID and Password; the
    // server's default login (PGUSER) must not stand in for it.
    std::string reason;
    std::string driver = PgOdbcConnectionString(reason);
    {
        OdbcConnection admin;
        DBError err;
        std::vector<OdbcResult> ignored;
        ASSERT_TRUE(admin.Connect(driver, 5, err)) << err.Message;
        admin.Run("DROP ROLE IF EXISTS ct_odbc_login", {}, ignored, err);
        ASSERT_TRUE(
            admin.Run("CREATE ROLE ct_odbc_login LOGIN PASSWORD 'pw;1}x'", {}, ignored, err))
            << err.Message;
    }
    std::size_t uid = driver.find(";UID=");
    if (uid != std::string::npos) driver.erase(uid);
    SQLDB other;
    other.SetConnectionString("Provider=ODBC;" + driver +
                              ";Data Source=;User ID=ct_odbc_login;Password=\"pw;1}x\";"
                              "Application Name=KIV");
    EXPECT_EQ(Col(other, "SELECT current_user"), "ct_odbc_login");
    other.Disconnect();
}

// The engine opens a lost connection again by itself at the next statement.
// The new session needs the same setup as the first: on a database that does
// not set the search path itself (a copy of a template, say), T-SQL's
// functions are found only through the session's, and @@IDENTITY starts
// afresh.
TEST(OdbcPgSession, SetupIsMadeAgainAfterAReconnect) {
    CT_SKIP_WITHOUT_PG();
    const std::string name = PgUniqueName("ct_odbc_session");
    ASSERT_EQ(PgCreateDatabase(name), "");
    ASSERT_EQ(PgExec("postgres", "ALTER DATABASE " + name + " RESET search_path"), "");
    std::unique_ptr<DBEngine> engine = CreateDBEngine("ODBC");
    ASSERT_NE(engine, nullptr);
    DBError err;
    ASSERT_TRUE(engine->Open(
        ParseConnectionString(PgConnectionString(name, TestEngine::OdbcPostgreSQL)), err))
        << err.Message;
    // The values of the last result's first row, joined by ",".
    auto row = [&engine](const std::string& sql) {
        BatchOutput out;
        DBError e;
        if (!engine->Execute(sql, false, out, e)) return "ERROR: " + e.Message;
        if (out.Results.empty() || out.Results.back()->RecordCount() == 0) return std::string();
        std::string text;
        for (const Variant& v : out.Results.back()->Rows()[0])
            text += (text.empty() ? "" : ",") + (v.IsNull() ? std::string("NULL") : v.ToText());
        return text;
    };
    const char* check = "SELECT IsNumeric('12'), @@IDENTITY";
    EXPECT_EQ(row("CREATE TABLE R (ID INT IDENTITY(1,1) PRIMARY KEY, N INT) "
                  "INSERT INTO R (N) VALUES (1) " +
                  std::string(check)),
              "1,1");
    const std::string pid = row("SELECT pg_backend_pid()");
    ASSERT_EQ(PgExec("postgres", "SELECT pg_terminate_backend(" + pid + ")"), "");
    for (int i = 0; i < 100 && PgScalar("postgres",
                                        "SELECT count(*) FROM pg_stat_activity "
                                        "WHERE pid = " +
                                            pid) != "0";
         ++i)
        usleep(50000);

    BatchOutput out;
    EXPECT_FALSE(engine->Execute("SELECT 1", false, out, err));
    EXPECT_EQ(err.Number, kConnectionError) << err.Message;
    EXPECT_EQ(row(check), "1,NULL");
    EXPECT_NE(row("SELECT pg_backend_pid()"), pid);
    engine->Close();
    PgDropDatabase(name);
}

INSTANTIATE_TEST_SUITE_P(Drivers, OdbcPgEngineTest, ::testing::Values(PgOdbcTarget()),
                         [](const auto&) { return "PostgreSQL"; });

// The SQLite driver gets statements as they stand: its own SQL runs, T-SQL
// that SQLite does not know fails with the driver's text.
class OdbcSqliteEngineTest : public OdbcEngineTest {};

TEST_P(OdbcSqliteEngineTest, BatchesAreTranslatedAsOnTheNativeEngine) {
    EXPECT_EQ(Col(db, "INSERT INTO OT (Name, Qty) VALUES ('a', 1) SELECT @@IDENTITY"), "(1)|1");
    EXPECT_EQ(Col(db, "UPDATE OT SET Qty = 2 WHERE Qty = 1"), "(1)");
    EXPECT_EQ(Col(db, "SELECT TOP 1 Name FROM OT WHERE Name = 'A  '"), "a");
    // The driver's own wording, without its "[SQLite]" and result code.
    EXPECT_EQ(db.RunSQLReturnRS("SELECT Nope FROM OT"), nullptr);
    EXPECT_EQ(db.ErrNumber(), kSqlError);
    EXPECT_NE(db.ErrDescription().find("no such column: Nope"), std::string::npos)
        << db.ErrDescription();
    EXPECT_EQ(db.ErrDescription().find("[SQLite]"), std::string::npos) << db.ErrDescription();
}

INSTANTIATE_TEST_SUITE_P(Drivers, OdbcSqliteEngineTest, ::testing::Values(SqliteOdbcTarget()),
                         [](const auto&) { return "SQLite"; });

}  // namespace
