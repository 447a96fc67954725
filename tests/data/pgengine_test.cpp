// The PostgreSQL engine through SQLDB, against the server libpq's
// environment names (scripts/test.sh starts a throwaway cluster with
// pg_virtualenv); the tests skip themselves when no server answers.
#include <libpq-fe.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>

#include "app/admin.h"
#include "core/startup.h"
#include "gtest/gtest.h"
#include "platform/inifile.h"
#include "registry/crypto.h"
#include "sql/postgres/pgengine.h"
#include "sql/postgres/pgtranslate.h"
#include "sql/sqldb.h"
#include "support/sqlengines.h"
#include "support/tempdir.h"

namespace {

constexpr int32_t kConnectionError = static_cast<int32_t>(0x80004005u);
constexpr int32_t kSqlError = static_cast<int32_t>(0x80040E14u);

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr ? v : "";
}

// Runs one statement on the server's maintenance database; "" or the error.
class PgTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        db_ = PgUniqueName("ct_test");
        reason_ = PgUnavailableReason();
        if (reason_.empty()) reason_ = PgCreateDatabase(db_);
    }
    static void TearDownTestSuite() {
        if (!reason_.empty()) return;
        for (const char* suffix : {"", "_1", "_2"})
            PgDropDatabase(db_ + suffix);
    }

    void SetUp() override {
        if (!reason_.empty())
            GTEST_SKIP() << "no PostgreSQL server reachable through PGHOST/PGPORT/PGUSER "
                            "(scripts/test.sh starts one with pg_virtualenv): "
                         << reason_;
        db.SetConnectionString(ConnStr());
        db.SetKeepConnection(true);
        ASSERT_TRUE(db.Connect()) << db.ErrDescription();
        ASSERT_EQ(PgExec(db_, "DROP TABLE IF EXISTS t, noident"), "");
        ASSERT_TRUE(db.RunSQLNoReturn(
            "CREATE TABLE T (ID INT IDENTITY(1,1) PRIMARY KEY, Name NVARCHAR(50), Code "
            "VARCHAR(10), Qty INT, Price MONEY, Flag BIT, DT DATETIME, Img VARBINARY(MAX));"
            "CREATE TABLE NoIdent (K NVARCHAR(10) PRIMARY KEY, V INT)"))
            << db.ErrDescription();
    }

    static std::string ConnStr() { return PgConnectionString(db_); }

    std::string Col(const std::string& sql) { return FirstColumns(db, sql); }

    static std::string db_;
    static std::string reason_;
    SQLDB db;
};
std::string PgTest::db_;
std::string PgTest::reason_;

TEST_F(PgTest, RowsTypesIdentityAndCounts) {
    int32_t id = 0;
    ASSERT_TRUE(db.InsertRecordSQL("T", {"Name", "O'Neil", "Qty", 3, "Flag", true}, true, id))
        << db.ErrDescription();
    EXPECT_EQ(id, 1);
    ASSERT_TRUE(db.InsertRecordSQL("T", {"Name", "beta", "Qty", 5}, true, id));
    EXPECT_EQ(id, 2);
    EXPECT_EQ(Col("INSERT T (Name) VALUES (N'gamma') SELECT @@IDENTITY AS ID"), "(1)|3");
    // An explicit id moves the identity on: the next insert does not collide.
    ASSERT_TRUE(db.RunSQLNoReturn("INSERT INTO T (ID, Name) VALUES (10, 'ten')"))
        << db.ErrDescription();
    EXPECT_EQ(Col("INSERT INTO T (Name) VALUES ('next') SELECT SCOPE_IDENTITY()"), "(1)|11");
    ASSERT_TRUE(db.RunSQLNoReturn("DELETE FROM T WHERE ID >= 10"));

    auto rs = db.RunSQLReturnRS(
        "SELECT ID, [Name], Qty, Price, Flag, DT, Img, GetDate() AS Now FROM dbo.T WHERE ID = 1");
    ASSERT_TRUE(rs) << db.ErrDescription();
    ASSERT_EQ(rs->RecordCount(), 1);
    EXPECT_EQ(rs->Field("name")->ToText(), "O'Neil");
    EXPECT_EQ(rs->FieldAt(rs->FieldIndex("ID")).Type, adInteger);
    EXPECT_EQ(rs->FieldAt(rs->FieldIndex("Now")).Type, adDBTimeStamp);
    EXPECT_EQ(rs->FieldAt(rs->FieldIndex("Img")).Type, adLongVarBinary);
    EXPECT_EQ(rs->Field("Now")->Type(), VarType::Date);
    EXPECT_EQ(rs->FieldAt(rs->FieldIndex("Now")).Name, "Now");  // alias keeps its spelling

    int64_t n = 0;
    ASSERT_TRUE(db.RunSQLNoReturn("UPDATE T SET Qty = Qty + 1 WHERE Qty IS NOT NULL", &n));
    EXPECT_EQ(n, 2);
    // Several result sets, closed ones for the counts, @@ROWCOUNT between them.
    EXPECT_EQ(Col("SELECT TOP 2 Name FROM T ORDER BY ID DESC "
                  "DELETE FROM T WHERE ID = 3 SELECT @@ROWCOUNT AS N"),
              "gamma,beta|(1)|1");
    EXPECT_EQ(Col("SET NOCOUNT ON DELETE FROM T WHERE ID = 99 SELECT @@ROWCOUNT"), "0");
}

TEST_F(PgTest, TextComparesAsSqlServerDoes) {
    ASSERT_TRUE(db.RunSQLNoReturn(
        "INSERT INTO T (Name, Code) VALUES ('alpha', 'TT1'), ('Beta', 'TT7'), ('ALPHA', 'tt3x'),"
        " (NULL, 'X')"))
        << db.ErrDescription();
    struct Case {
        const char* sql;
        const char* rows;
    } cases[] = {
        {"SELECT COUNT(*) FROM T WHERE Name = N'Alpha'", "2"},
        {"SELECT COUNT(*) FROM T WHERE Name LIKE 'AL%'", "2"},
        {"SELECT Code FROM T WHERE Code LIKE 'TT[1-5]%' ORDER BY Code", "TT1,tt3x"},
        {"SELECT Code FROM T WHERE Code NOT LIKE 'tt[^1-5]%' AND Name IS NOT NULL ORDER BY ID",
         "TT1,tt3x"},
        {"SELECT COUNT(DISTINCT Name) FROM T", "2"},
        {"SELECT COUNT(*) FROM (SELECT Name FROM T GROUP BY Name) g", "3"},
        // NULLs come first in ascending order, case does not split the order.
        {"SELECT ISNULL(Name, '-') FROM T ORDER BY Name, ID", "-,alpha,ALPHA,Beta"},
        {"SELECT LEN(N'ab  ') AS L", "2"},
        {"SELECT CONVERT(varchar(8), CAST('2024-03-01 18:30:05' AS datetime), 108)", "18:30:05"},
        {"SELECT CONVERT(int, '42') + 1", "43"},
        // + joins texts, adds a number to a text that is one, NULL + x is NULL.
        {"SELECT Code + '-' + Name FROM T WHERE Code = 'TT1'", "TT1-alpha"},
        {"SELECT 1 + '41'", "42"},
        {"SELECT CONVERT(varchar(10), DATEADD(dd, -1, CAST('2024-03-01' AS datetime)), 121)",
         "2024-02-29"},
        {"SELECT ISNULL(Name + 'x', 'null') FROM T WHERE Code = 'X'", "null"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Col(c.sql), c.rows) << c.sql;
}

TEST_F(PgTest, UntranslatableStatementsAreRefusedWhole) {
    const char* refused[] = {
        "DECLARE @x TABLE (A INT)",
        "DELETE FROM T WHILE 1 = 0 SELECT 1",
        "SELECT * FROM other..Work",
        "SELECT * FROM T WHERE Name IN (SELECT TOP 1 Name FROM T)",
        "DELETE FROM T SELECT PATINDEX('%a%', Name) FROM T",
    };
    ASSERT_TRUE(db.RunSQLNoReturn("INSERT INTO T (Name) VALUES ('keep')"));
    for (const char* sql : refused) {
        EXPECT_EQ(db.RunSQLReturnRS(sql), nullptr) << sql;
        EXPECT_EQ(db.ErrNumber(), kSqlError) << sql;
        EXPECT_NE(db.ErrDescription().find("Unsupported T-SQL construct"), std::string::npos);
    }
    EXPECT_EQ(Col("SELECT COUNT(*) FROM T"), "1");  // nothing of a refused batch ran
    // A server-side error is an SQL error, with PostgreSQL's text.
    EXPECT_EQ(db.RunSQLReturnRS("SELECT Nope FROM T"), nullptr);
    EXPECT_EQ(db.ErrNumber(), kSqlError);
    EXPECT_NE(db.ErrDescription().find("nope"), std::string::npos) << db.ErrDescription();
}

TEST_F(PgTest, BadServerOrLoginReportsConnectionErrors) {
    SQLDB wrongPassword;
    wrongPassword.SetConnectionString(ConnStr() + ";Password=not-the-password");
    EXPECT_FALSE(wrongPassword.Connect());
    EXPECT_EQ(wrongPassword.ErrNumber(), kConnectionError);
    EXPECT_NE(wrongPassword.ErrDescription().find("password"), std::string::npos)
        << wrongPassword.ErrDescription();

    SQLDB noServer;
    noServer.SetConnectionString(
        "Provider=PostgreSQL;Data Source=127.0.0.1:1;Initial Catalog=x;User ID=u;Password=p");
    EXPECT_FALSE(noServer.Connect());
    EXPECT_EQ(noServer.ErrNumber(), kConnectionError);
    EXPECT_NE(noServer.ErrDescription().find("127.0.0.1"), std::string::npos)
        << noServer.ErrDescription();
}

TEST_F(PgTest, LostConnectionFailsOneStatementThenReconnects) {
    ASSERT_TRUE(db.RunSQLNoReturn("INSERT INTO NoIdent (K, V) VALUES ('a', 1)"));
    auto pid = db.RunSQLReturnRS("SELECT pg_backend_pid() AS P");
    ASSERT_TRUE(pid);
    ASSERT_EQ(PgExec(db_, "SELECT pg_terminate_backend(" + pid->Field("P")->ToText() + ")"), "");
    EXPECT_FALSE(db.RunSQLNoReturn("INSERT INTO NoIdent (K, V) VALUES ('b', 2)"));
    EXPECT_EQ(db.ErrNumber(), kConnectionError);
    EXPECT_EQ(Col("SELECT K FROM NoIdent ORDER BY K"), "a");  // reconnected, nothing re-run
}

// culinarotable-admin sql reaches the server by a plain connection string and
// by a connection INI holding the login as cipher text.
TEST_F(PgTest, AdminSqlRunsBatchesByStringOrIni) {
    auto run = [](std::vector<std::string> args, std::string& text) {
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        std::ostringstream out, err;
        int rc = RunAdmin(static_cast<int>(argv.size()), argv.data(), out, err);
        text = out.str() + err.str();
        return rc;
    };
    std::string text;
    ASSERT_EQ(
        run({"admin", "sql", "--conn", ConnStr(), "INSERT INTO NoIdent VALUES ('k', 7)"}, text), 0)
        << text;
    EXPECT_EQ(text, "(1 row affected)\n");

    TempDir dir;
    std::string ini = dir.File("KIV4Connstr.ini");
    ASSERT_TRUE(WritePrivateProfileString("DB", "ConnStr",
                                          "Provider=PostgreSQL;Initial Catalog=" + db_, ini));
    ASSERT_TRUE(WritePrivateProfileString("DB", "Data Source", PgServer(), ini));
    ASSERT_TRUE(WritePrivateProfileString("DB", "User ID", EncryptCredential(Env("PGUSER")), ini));
    ASSERT_TRUE(
        WritePrivateProfileString("DB", "Password", EncryptCredential(Env("PGPASSWORD")), ini));
    ASSERT_EQ(run({"admin", "sql", "--ini", ini, "SELECT K, V FROM NoIdent"}, text), 0) << text;
    EXPECT_EQ(text, "K\tV\nk\t7\n");  // names as the batch wrote them
    EXPECT_NE(run({"admin", "sql", "--ini", ini, "SELECT Nope FROM NoIdent"}, text), 0);
    EXPECT_NE(text.find("0x80040E14"), std::string::npos) << text;
}

// The installation schema (written for the embedded engine) goes through the
// rewrite; its partial unique index keeps one standing hold per table, date
// and meal period, whatever the isolation level.
TEST_F(PgTest, InstallationSchemaLoadsAndHoldsStayUnique) {
    std::ifstream f(std::string(CT_SOURCE_DIR) + "/db/schema.sql");
    std::string schema((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(schema.empty());
    std::size_t pragma = schema.find("PRAGMA foreign_keys = OFF;");
    ASSERT_NE(pragma, std::string::npos);
    schema.erase(pragma, std::string("PRAGMA foreign_keys = OFF;").size());
    ASSERT_TRUE(db.RunSQLNoReturn(schema)) << db.ErrDescription();

    const std::string hold =
        "INSERT INTO tbl_TableTemp (RowStatus, OutletID, ReserveDate, MPOutletID, TableNo) "
        "VALUES ('A', 1, '2024-03-01', 2, 'A1') SELECT @@IDENTITY AS TempID";
    EXPECT_EQ(Col(hold), "(1)|1");
    EXPECT_EQ(db.RunSQLReturnRS(hold), nullptr);  // a second standing hold is refused
    EXPECT_EQ(db.ErrNumber(), kSqlError);
    EXPECT_EQ(Col("UPDATE tbl_TableTemp SET RowStatus = 'D' " + hold.substr(hold.find("INSERT"))),
              "(1)|(1)|3");  // the refused insert used up 2, as SQL Server does
    EXPECT_EQ(Col("SELECT COUNT(*) FROM tbl_TableTemp WHERE RowStatus = 'a'"), "1");

    // The hold procedure on this engine: its check-then-insert is one
    // statement backed by the unique index, a second hold answers 0.
    ASSERT_TRUE(db.RunSQLNoReturn(
        "INSERT INTO tbl_DBServer (DBServerCode) VALUES ('S1') "
        "INSERT INTO tbl_Outlet (OutletID, RowStatus, OutletCode) VALUES (5, 'A', 'O5') "
        "INSERT INTO tbl_MPOutlet (MPOutletID, OutletID, RowStatus) VALUES (7, 5, 'A')"))
        << db.ErrDescription();
    auto holdTable = [&] {
        return db.RunSPReturnInteger(
            "sp_CT_HoldTable",
            {SQLDB::mp("@DBServerID", adInteger, 4, 1), SQLDB::mp("@OutletID", adInteger, 4, 5),
             SQLDB::mp("@ReserveDate", adVarWChar, 10, "2024-03-01"),
             SQLDB::mp("@MPOutletID", adInteger, 4, 7), SQLDB::mp("@TableNo", adVarWChar, 8, "b2"),
             SQLDB::mp("@UserID", adInteger, 4, 3), SQLDB::mp("@ClientID", adInteger, 4, 9),
             SQLDB::mp("@WebSessionID", adInteger, 4, Variant())});
    };
    int64_t first = holdTable();
    EXPECT_GT(first, 3) << db.ErrDescription();
    EXPECT_EQ(holdTable(), 0) << db.ErrDescription();
    EXPECT_EQ(Col("SELECT TableNo FROM tbl_TableTemp WHERE TempID = " + std::to_string(first)),
              "B2");

    // Reservation numbers through EXEC in a batch: the second call of the day
    // takes the counter's update path.
    const std::string number =
        "DECLARE @n NVARCHAR(20) EXEC sp_CM_GetReserveNo @DBServerID = 1, @Now = '2024-03-01', "
        "@OutletID = 5, @ReserveNo = @n OUTPUT SELECT @n";
    std::string one = Col(number), two = Col(number);
    ASSERT_EQ(one.size(), 21u) << one;  // the procedure's row, then the variable
    ASSERT_EQ(two.size(), 21u) << two;
    EXPECT_EQ(std::stoll(two.substr(11)), std::stoll(one.substr(11)) + 1) << one << " " << two;

    // Two workstations asking for the same tables at once: each table is held
    // once, the other asker gets 0.
    auto race = [](int* wins) {
        SQLDB own;
        own.SetKeepConnection(true);
        own.SetConnectionString(ConnStr());
        for (int t = 0; t < 40; ++t) {
            std::string table = "R" + std::to_string(t);
            int64_t r = own.RunSPReturnInteger(
                "sp_CT_HoldTable",
                {SQLDB::mp("@DBServerID", adInteger, 4, 1), SQLDB::mp("@OutletID", adInteger, 4, 5),
                 SQLDB::mp("@ReserveDate", adVarWChar, 10, "2024-03-02"),
                 SQLDB::mp("@MPOutletID", adInteger, 4, 7),
                 SQLDB::mp("@TableNo", adVarWChar, 8, table), SQLDB::mp("@UserID", adInteger, 4, 3),
                 SQLDB::mp("@ClientID", adInteger, 4, 9),
                 SQLDB::mp("@WebSessionID", adInteger, 4, Variant())});
            if (r > 0) ++*wins;
        }
    };
    int winsA = 0, winsB = 0;
    std::thread a(race, &winsA), b(race, &winsB);
    a.join();
    b.join();
    EXPECT_EQ(winsA + winsB, 40);
    EXPECT_EQ(Col("SELECT COUNT(*) FROM tbl_TableTemp WHERE ReserveDate = '2024-03-02'"), "40");
    auto rs = db.RunSQLReturnRS("SELECT RowModified FROM tbl_TableTemp WHERE TempID = 3");
    ASSERT_TRUE(rs) << db.ErrDescription();
    EXPECT_EQ(rs->Field("RowModified")->Type(), VarType::Date);  // the column default
    // SELECT * names the columns as the schema spells them, not folded.
    rs = db.RunSQLReturnRS("SELECT * FROM tbl_TableTemp WHERE 1 = 0");
    ASSERT_TRUE(rs) << db.ErrDescription();
    EXPECT_EQ(rs->FieldAt(0).Name, "TempID");
    EXPECT_EQ(rs->FieldAt(rs->FieldIndex("rowstatus")).Name, "RowStatus");
}

// init --engine postgresql: one database per server, the connection INI and
// tbl_DBServer name the server with cipher-text credentials, identities
// continue after the copied rows, and sql --ini reaches it.
TEST_F(PgTest, AdminInitMovesTheInstallationOntoTheServer) {
    TempDir dir;
    std::string root = dir.File("inst");
    std::string server = PgServer();
    std::vector<std::string> args = {"admin",      "init",       root,     "--engine",
                                     "postgresql", "--server",   server,   "--demo",
                                     "--force",    "--database", db_ + "_"};
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    std::ostringstream out, err;
    ASSERT_EQ(RunAdmin(static_cast<int>(argv.size()), argv.data(), out, err), 0) << err.str();
    EXPECT_NE(out.str().find(server + "/" + db_ + "_2"), std::string::npos) << out.str();
    EXPECT_FALSE(std::filesystem::exists(root + "/Data/KIVDB1.db"));

    std::string ini = root + "/Client/cfg/KIV4Connstr.ini";
    std::string login;
    ASSERT_TRUE(DecryptCredential(GetPrivateProfileString("DB", "User ID", "", ini, 255), login));
    EXPECT_EQ(login, Env("PGUSER"));
    SQLDB inst;
    inst.SetConnectionString(GetConnStr(ini));
    EXPECT_EQ(
        [&] {
            auto rs = inst.RunSQLReturnRS(
                "SELECT ConnStr FROM tbl_DBServer WHERE DBServerID = 2 "
                "INSERT INTO tbl_Outlet (OutletCode) VALUES ('NEW') SELECT @@IDENTITY AS ID");
            if (!rs) return inst.ErrDescription();
            auto id = rs->NextRecordset()->NextRecordset();
            return rs->Field(0)->ToText() + "|" + (id->Field(0)->ToInt64() > 1 ? "next" : "?");
        }(),
        "Provider=PostgreSQL;Initial Catalog=" + db_ + "_2|next");
}

// The rewrite itself, for the forms whose text matters.
TEST(PgTranslate, RewritesTSqlForms) {
    struct Case {
        const char* tsql;
        const char* pg;
    } cases[] = {
        {"SELECT TOP 5 [Name] FROM dbo.tbl_X WHERE A = N'it''s' ORDER BY [Name]",
         "SELECT \"name\" AS \"Name\" FROM tbl_x WHERE a = 'it''s' ORDER BY \"Name\" NULLS FIRST "
         "LIMIT 5"},
        {"INSERT T (A) VALUES (0x0aff)", "INSERT INTO t ( a ) VALUES ( '\\x0aff'::bytea )"},
        {"SELECT A, B AS 'Label' FROM T X ORDER BY X.A, label",
         "SELECT a AS \"A\" , b AS \"Label\" FROM t x ORDER BY x . a NULLS FIRST , \"Label\" "
         "NULLS FIRST"},
        {"SELECT IsNull(A, 0) AS Total FROM T ORDER BY total DESC",
         "SELECT COALESCE ( a , 0 ) AS \"Total\" FROM t ORDER BY \"Total\" DESC NULLS LAST"},
        {"SELECT A FROM T WHERE B LIKE 'a.[^x-z]_%'",
         "SELECT a AS \"A\" FROM t WHERE b ~* '^a\\.[^x-z]..*$'"},
        {"CREATE TABLE X (ID INT IDENTITY(1,1), N NVARCHAR(20), D DATETIME)",
         "CREATE TABLE x ( id INT GENERATED BY DEFAULT AS IDENTITY , n citext , d timestamp(3) )"},
        // Fixed-length texts pad, variable ones cut, as the columns have no length.
        {"SELECT CAST(A AS char(4)) + CAST(B AS varchar(2)) AS C FROM T",
         "SELECT rpad ( CAST ( a as citext ) , 4 ) + left ( CAST ( b as citext ) , 2 ) AS \"C\" "
         "FROM t"},
        {"DELETE T WHERE A = 1", "DELETE FROM t WHERE a = 1"},
    };
    for (const Case& c : cases) {
        std::vector<PgStatement> out;
        std::string error;
        ASSERT_TRUE(TranslateBatchToPg(c.tsql, true, out, error)) << c.tsql << ": " << error;
        ASSERT_EQ(out.size(), 1u) << c.tsql;
        EXPECT_EQ(out[0].Sql, c.pg) << c.tsql;
    }
}

// An UPDATE whose FROM names its own table changes the joined rows only.
TEST_F(PgTest, UpdateJoinedWithItsOwnTableChangesTheJoinedRows) {
    ASSERT_TRUE(
        db.RunSQLNoReturn("INSERT INTO T (Name, Qty) VALUES ('a', 1), ('b', 1), ('c', 1) "
                          "INSERT INTO NoIdent VALUES ('B', 5)"))
        << db.ErrDescription();
    EXPECT_EQ(Col("UPDATE T SET Qty = N.V FROM NoIdent N INNER JOIN T G ON G.Name = N.K "
                  "SELECT @@ROWCOUNT"),
              "(1)|1");
    EXPECT_EQ(
        Col("UPDATE G SET Qty = 9 FROM T G WHERE G.Name = 'c' SELECT Qty FROM T ORDER BY Name"),
        "(1)|1,5,9");
}

// A database whose owner may not create casts: its setup leaves the text
// conversions out, and a time of day still reaches a TIME column as
// PostgreSQL reads it (the literal is not typed as text there).
TEST_F(PgTest, WithoutCastsTimeLiteralsKeepReachingTimeColumns) {
    const std::string role = PgUniqueName("ct_owner");
    const std::string name = PgUniqueName("ct_nocast");
    ASSERT_EQ(PgExec("postgres", "CREATE ROLE " + role + " LOGIN NOSUPERUSER PASSWORD 'pw'"), "");
    ASSERT_EQ(PgExec("postgres", "CREATE DATABASE " + name + " OWNER " + role +
                                     " ENCODING 'UTF8' TEMPLATE template0"),
              "");
    const std::string login = "dbname=" + name + " user=" + role + " password=pw";
    PGconn* owner = PQconnectdb(login.c_str());
    ASSERT_EQ(PQstatus(owner), CONNECTION_OK) << PQerrorMessage(owner);
    PGresult* setup = PQexec(owner, kPgDatabaseSetupSql);
    EXPECT_EQ(PQresultStatus(setup), PGRES_COMMAND_OK) << PQresultErrorMessage(setup);
    PQclear(setup);
    PQfinish(owner);
    {
        SQLDB asOwner;
        asOwner.SetConnectionString(PgConnectionString(name) + ";User ID=" + role + ";Password=pw");
        ASSERT_TRUE(
            asOwner.RunSQLNoReturn("CREATE TABLE M (ID INT IDENTITY(1,1), T1 TIME, DT DATETIME)"
                                   " INSERT INTO M (T1) VALUES ('19:05')"))
            << asOwner.ErrDescription();
        EXPECT_EQ(FirstColumns(asOwner, "SELECT Convert(VarChar(8), T1, 108) FROM M"), "19:05:00");
        EXPECT_FALSE(asOwner.RunSQLNoReturn("INSERT INTO M (DT) VALUES ('19:05')"));
    }
    PgDropDatabase(name);
    PgExec("postgres", "DROP ROLE " + role);
}

// Forms PostgreSQL would run with another meaning are refused whole.
TEST(PgTranslate, RefusesFormsThatWouldChangeTheirMeaning) {
    struct Case {
        const char* tsql;
        const char* construct;
    } cases[] = {
        {"SELECT TOP 1 A FROM S UNION ALL SELECT B FROM T", "TOP in a UNION"},
        {"UPDATE T SET Q = 1 FROM T G LEFT JOIN S ON S.ID = G.ID",
         "UPDATE ... FROM naming the updated table again"},
        {"UPDATE T SET Q = 1 FROM T A INNER JOIN T B ON A.ID = B.ID",
         "UPDATE ... FROM naming the updated table again"},
        {"DELETE S FROM S JOIN T ON T.ID = S.TID", "DELETE name FROM"},
        {"SET DATEFORMAT dmy SELECT 1", "SET DATEFORMAT"},
    };
    for (const Case& c : cases) {
        std::vector<PgStatement> out;
        std::string error;
        EXPECT_FALSE(TranslateBatchToPg(c.tsql, true, out, error)) << c.tsql;
        EXPECT_NE(error.find(c.construct), std::string::npos) << c.tsql << ": " << error;
    }
}

// The target named again in an UPDATE's FROM leaves it; the inner joins'
// conditions join the WHERE.
TEST(PgTranslate, UpdateTargetNamedInFromBecomesTheUpdatedTable) {
    struct Case {
        const char* tsql;
        const char* sql;
    } cases[] = {
        {"UPDATE T SET Q = S.V FROM S WHERE S.TID = T.ID",
         "UPDATE t SET q = s . v FROM s WHERE s . tid = t . id"},
        {"UPDATE X SET Q = 1 FROM T X WHERE X.ID = 3",
         "UPDATE t as x SET q = 1 WHERE ( x . id = 3 )"},
        {"UPDATE T SET Q = X.N FROM (SELECT 1 AS N) X JOIN T G ON G.ID = X.N",
         "UPDATE t as g SET q = x . n FROM ( SELECT 1 as n ) x WHERE ( g . id = x . n )"},
        {"UPDATE dbo.T SET Q = S.V FROM S INNER JOIN T G ON G.ID = S.TID INNER JOIN R ON "
         "R.ID = G.RID WHERE S.V > 1 OR S.V < 0",
         "UPDATE t as g SET q = s . v FROM s , r WHERE ( g . id = s . tid ) AND ( r . id = g . rid "
         ") AND ( s . v > 1 OR s . v < 0 )"},
    };
    for (const Case& c : cases) {
        std::vector<PgStatement> out;
        std::string error;
        ASSERT_TRUE(TranslateBatchToPg(c.tsql, true, out, error)) << c.tsql << ": " << error;
        EXPECT_EQ(out.at(0).Sql, c.sql) << c.tsql;
    }
}

}  // namespace
