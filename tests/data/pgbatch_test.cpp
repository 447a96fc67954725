// Procedural T-SQL batches on PostgreSQL: variables, IF, EXEC, RAISERROR,
// temporary tables and table functions, run statement by statement by the
// shared batch runner, through libpq and through ODBC's PostgreSQL driver
// alike. Skips when no server answers (scripts/test.sh starts one with
// pg_virtualenv).
#include <unistd.h>

#include <cstdlib>
#include <ostream>
#include <string>

#include "gtest/gtest.h"
#include "sql/dbprocedures.h"
#include "sql/postgres/pgengine.h"
#include "sql/sqldb.h"
#include "support/sqlengines.h"

namespace {

// A procedure with an OUTPUT parameter, a result set and a return value;
// a table function of n numbered rows.
void RegisterTestRoutines() {
    RegisterDBProcedure("sp_Test_Twice", [](ProcedureContext& ctx,
                                            const std::vector<ProcedureArg>& args,
                                            ProcedureResult& result, std::string& error) {
        int64_t in = args.empty() ? 0 : args[0].Value.ToInt64();
        auto rs = ctx.Query("SELECT Name FROM t WHERE Qty >= ? ORDER BY ID", {Variant(in)});
        if (!rs) {
            error = ctx.LastError();
            return false;
        }
        result.ResultSets.push_back(rs);
        result.Outputs.push_back({"@Out", adParamOutput, Variant(static_cast<long long>(in * 2))});
        result.ReturnValue = 7;
        return true;
    });
    RegisterDBProcedure("sp_Test_Add",
                        [](ProcedureContext& ctx, const std::vector<ProcedureArg>& args,
                           ProcedureResult&, std::string& error) {
                            if (ctx.Execute("INSERT INTO T (Name) VALUES (?)", {args.at(0).Value}))
                                return true;
                            error = ctx.LastError();
                            return false;
                        });
    RegisterDBTableFunction(
        "fn_Test_Range", DBTableFunction{{"N", "Label"},
                                         [](ProcedureContext&, const std::vector<Variant>& args,
                                            std::vector<Recordset::Row>& rows, std::string&) {
                                             for (int64_t i = 1;
                                                  !args.empty() && i <= args[0].ToInt64(); ++i)
                                                 rows.push_back({Variant(static_cast<long long>(i)),
                                                                 Variant("n" + std::to_string(i))});
                                             return true;
                                         }});
}

// How the connection reaches the server.
enum class PgClientKind { Libpq, Odbc };

void PrintTo(PgClientKind kind, std::ostream* os) {
    *os << (kind == PgClientKind::Libpq ? "Libpq" : "Odbc");
}

class PgBatchTest : public ::testing::TestWithParam<PgClientKind> {
  protected:
    static void SetUpTestSuite() {
        db_ = PgUniqueName("ct_batch");
        reason_ = PgUnavailableReason();
        if (reason_.empty()) reason_ = PgCreateDatabase(db_);
        RegisterTestRoutines();
    }
    static void TearDownTestSuite() {
        if (reason_.empty()) PgDropDatabase(db_);
    }

    void SetUp() override {
        if (!reason_.empty())
            GTEST_SKIP() << "no PostgreSQL server reachable through PGHOST/PGPORT/PGUSER: "
                         << reason_;
        Open(db);
        ASSERT_EQ(PgExec(db_, "DROP TABLE IF EXISTS t, noident"), "");
        ASSERT_TRUE(db.RunSQLNoReturn(
            "CREATE TABLE T (ID INT IDENTITY(1,1) PRIMARY KEY, Name NVARCHAR(50), Qty INT, "
            "DT DATETIME) CREATE TABLE NoIdent (K NVARCHAR(10) PRIMARY KEY, V INT) "
            "INSERT INTO T (Name, Qty) VALUES ('alpha', 1), ('Beta', 5), ('gamma', 9)"))
            << db.ErrDescription();
    }

    static void Open(SQLDB& d) {
        d.SetConnectionString(PgConnectionString(db_, GetParam() == PgClientKind::Libpq
                                                          ? TestEngine::PostgreSQL
                                                          : TestEngine::OdbcPostgreSQL));
        d.SetKeepConnection(true);
        ASSERT_TRUE(d.Connect()) << d.ErrDescription();
    }

    static std::string Col(SQLDB& d, const std::string& sql) { return FirstColumns(d, sql); }
    std::string Col(const std::string& sql) { return FirstColumns(db, sql); }

    struct Case {
        const char* sql;
        const char* expected;
    };
    // An expected "ERROR: text" matches a failure whose message holds text.
    void Check(std::initializer_list<Case> cases) {
        for (const Case& c : cases) {
            std::string got = Col(c.sql), expected = c.expected;
            if (expected.rfind("ERROR: ", 0) == 0) {
                EXPECT_EQ(got.rfind("ERROR: ", 0), 0u) << c.sql << " gave " << got;
                EXPECT_NE(got.find(expected.substr(7)), std::string::npos) << got;
            } else {
                EXPECT_EQ(got, expected) << c.sql;
            }
        }
    }

    static std::string db_;
    static std::string reason_;
    SQLDB db;
};
std::string PgBatchTest::db_;
std::string PgBatchTest::reason_;

TEST_P(PgBatchTest, VariablesHoldTheirDeclaredTypes) {
    Check({
        {"DECLARE @i INT = '30' SELECT @i + 1", "31"},
        {"DECLARE @s VARCHAR(3) = 'abcdef', @c VARCHAR = 'xyz' SELECT @s SELECT @c", "abc|x"},
        {"DECLARE @m MONEY SET @m = 2.50 SELECT @m * 2", "5"},
        // A text variable meets citext columns ignoring case, and a date goes
        // as a date: INSERT ... SELECT of an untyped parameter would fail.
        {"DECLARE @n NVARCHAR(20) = 'ALPHA' SELECT COUNT(*) FROM T WHERE Name = @n", "1"},
        {"DECLARE @d DATETIME = '2024-03-01 10:00' INSERT INTO T (Name, DT) SELECT 'd', @d "
         "SELECT CONVERT(varchar(16), DT, 120) FROM T WHERE Name = 'd'",
         "(1)|2024-03-01 10:00"},
        {"DECLARE @q INT = 4 UPDATE T SET Qty = Qty + @q WHERE Qty > @q SELECT SUM(Qty) FROM T",
         "(2)|23"},
        // A value is a parameter, never SQL text.
        {"DECLARE @s NVARCHAR(40) = 'x''; DROP TABLE T; --' SELECT @s SELECT COUNT(*) FROM T",
         "x'; DROP TABLE T; --|4"},
        {"DECLARE @i INT SET @i = 'x'",
         "ERROR: Conversion failed when converting the varchar value 'x' to data type int."},
        {"SELECT @undeclared", "ERROR: Must declare the scalar variable \"@undeclared\"."},
    });
}

TEST_P(PgBatchTest, SelectAssignsFromTheLastRowAndKeepsValuesWithoutRows) {
    Check({
        {"DECLARE @n NVARCHAR(20), @q INT SELECT @n = Name, @q = Qty FROM T ORDER BY ID "
         "SELECT @n SELECT @q",
         "(3)|gamma|9"},
        {"DECLARE @n NVARCHAR(20) = 'keep' SELECT @n = Name FROM T WHERE ID = -1 "
         "SELECT @@ROWCOUNT SELECT @n",
         "(0)|0|keep"},
        {"SET NOCOUNT ON DECLARE @n INT SELECT @n = 5 SELECT @n", "5"},
    });
}

TEST_P(PgBatchTest, ConditionsBlocksAndRowCounts) {
    Check({
        {"IF EXISTS (SELECT * FROM T WHERE Name = 'BETA') SELECT 'yes' ELSE SELECT 'no'", "yes"},
        {"IF NOT EXISTS (SELECT * FROM T WHERE Name = 'zeta') BEGIN "
         "INSERT INTO T (Name) VALUES ('zeta') SELECT @@ROWCOUNT END ELSE SELECT 'there'",
         "(1)|1"},
        {"DECLARE @i INT = 5 IF @i > 3 AND @i < 10 SELECT 'mid' ELSE SELECT 'out'", "mid"},
        {"DECLARE @x INT IF @x IS NULL SELECT 'null'", "null"},
        // @@ROWCOUNT: rows read, rows changed, 1 after SET, 0 after IF and PRINT.
        {"SELECT Name FROM T WHERE Qty > 1 SELECT @@ROWCOUNT", "Beta,gamma|2"},
        {"UPDATE T SET Qty = 0 WHERE Qty IS NULL SELECT @@ROWCOUNT", "(1)|1"},
        {"DECLARE @i INT SET @i = 3 SELECT @@ROWCOUNT", "1"},
        {"SELECT Name FROM T IF 1 = 1 SELECT @@ROWCOUNT", "alpha,Beta,gamma,zeta|0"},
        {"SELECT Name FROM T WHERE ID = 1 PRINT 'x' SELECT @@ROWCOUNT", "alpha|0"},
        {"SELECT Name FROM T WHERE ID = 1 SET ANSI_NULLS ON SET XACT_ABORT ON "
         "SELECT @@ROWCOUNT",
         "alpha|0"},
        {"SELECT 1 RETURN SELECT 2", "1"},
        {"RAISERROR('only a note', 10, 1) SELECT 'went on'", "went on"},
        {"IF 1 = 1 BEGIN RAISERROR('stopped here', 16, 1) RETURN END SELECT 2",
         "ERROR: stopped here"},
    });
}

TEST_P(PgBatchTest, DateDiffCountsBoundariesCrossed) {
    Check({
        {"SELECT DATEDIFF(day, '2024-02-28 23:59', '2024-03-01 00:01')", "2"},
        {"SELECT DATEDIFF(mm, '2023-12-31', '2024-01-01')", "1"},
        {"SELECT DATEDIFF(yy, '2024-06-01', '2023-01-01')", "-1"},
        {"SELECT DATEDIFF(hh, '2024-01-01 10:59', '2024-01-01 11:00')", "1"},
        {"SELECT DATEDIFF(minute, '2024-01-01 10:00:59', '2024-01-01 10:00:00')", "0"},
        // The sign-in's password-age batch.
        {"DECLARE @Days INT SELECT @Days = 30 IF @@ROWCOUNT > 0 BEGIN SELECT @Days AS Period "
         "SELECT COUNT(*) FROM T WHERE (DATEDIFF(day, DT, GETDATE()) > @Days OR DT IS NULL) END "
         "ELSE SELECT 1 WHERE 1 = 0",
         "30|3"},
        {"SELECT DATEDIFF(week, '2024-01-01', '2024-02-01')", "4"},
    });
}

TEST_P(PgBatchTest, ExecPassesOutputsReturnValueAndRowCount) {
    Check({
        {"DECLARE @r INT, @o INT EXEC @r = sp_Test_Twice @In = 5, @Out = @o OUTPUT "
         "SELECT @@ROWCOUNT SELECT @r SELECT @o",
         "Beta,gamma|2|7|10"},
        {"DECLARE @o INT EXECUTE dbo.sp_Test_Twice 9, @o OUT SELECT @o", "gamma|18"},
        {"EXEC sp_Nowhere 1", "ERROR: Could not find stored procedure 'sp_Nowhere'."},
    });
}

TEST_P(PgBatchTest, TemporaryTablesLiveAsLongAsTheConnection) {
    Check({
        {"CREATE TABLE tempdb..Work (K INT, V NVARCHAR(10)) "
         "INSERT INTO tempdb..Work VALUES (1, 'a'), (2, 'b')",
         "(2)"},
        {"SELECT V FROM tempdb.dbo.Work WHERE V = 'B'", "b"},
        {"SELECT * INTO tempdb..Copy FROM T WHERE 1 = 0 SELECT COUNT(*) FROM tempdb..Copy",
         "(0)|0"},
        {"CREATE TABLE #w (K INT) INSERT #w VALUES (5) SELECT K FROM #w DROP TABLE #w", "(1)|5"},
    });
    SQLDB other;
    Open(other);
    EXPECT_EQ(Col(other, "SELECT COUNT(*) FROM tempdb..Work").rfind("ERROR", 0), 0u);
    EXPECT_EQ(Col(other, "SELECT COUNT(*) FROM T"), "3");  // the real table is untouched
}

TEST_P(PgBatchTest, TableFunctionsReadAsTables) {
    Check({
        {"DECLARE @n INT = 3 SELECT SUM(N) FROM fn_Test_Range(@n) r", "6"},
        {"SELECT T.Name FROM T JOIN dbo.fn_Test_Range(2) ON T.ID = fn_test_range.N "
         "ORDER BY T.ID",
         "alpha,Beta"},
        {"SELECT Label FROM fn_Test_Range(1 + 1) WHERE Label = 'N2'", "n2"},
    });
}

TEST_P(PgBatchTest, AFailureInsideATransactionLeavesTheSessionUsable) {
    EXPECT_EQ(Col("BEGIN TRAN INSERT INTO NoIdent VALUES ('a', 1) "
                  "INSERT INTO NoIdent VALUES ('a', 2) COMMIT")
                  .rfind("ERROR", 0),
              0u);
    EXPECT_EQ(Col("SELECT COUNT(*) FROM NoIdent"), "0");  // rolled back as a whole
    // A transaction over several batches: the failing batch ends it.
    ASSERT_TRUE(db.RunSQLNoReturn("BEGIN TRAN"));
    ASSERT_TRUE(db.RunSQLNoReturn("INSERT INTO NoIdent VALUES ('b', 1)"));
    EXPECT_FALSE(db.RunSQLNoReturn("INSERT INTO NoIdent VALUES ('b', 2)"));
    EXPECT_EQ(Col("SELECT COUNT(*) FROM NoIdent"), "0");
    // An insert into a table without an identity, in a transaction of a new
    // connection (no sequence drawn yet), leaves @@IDENTITY NULL and the
    // transaction sound.
    SQLDB fresh;
    Open(fresh);
    EXPECT_EQ(Col(fresh,
                  "BEGIN TRAN INSERT INTO NoIdent VALUES ('c', 1) SELECT @@IDENTITY "
                  "INSERT INTO T (Name) VALUES ('t') SELECT @@IDENTITY COMMIT"),
              "(1)|NULL|(1)|4");
    EXPECT_EQ(Col("SELECT COUNT(*) FROM NoIdent"), "1");
}

// Repeated statements run as prepared statements with their whole numbers
// as parameters; answers must not change, whatever the literal's place.
TEST_P(PgBatchTest, RepeatedStatementsKeepTheirMeaningWhenPrepared) {
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        Check({
            {"SELECT Name FROM T WHERE ID = 2", "Beta"},
            {"SELECT Qty FROM T ORDER BY 1 DESC", "9,5,1"},
            {"SELECT Qty % 3 FROM T GROUP BY Qty % 3 ORDER BY 1", "0,1,2"},
            {"SELECT DISTINCT Qty % 3 FROM T ORDER BY Qty % 3", "0,1,2"},
            {"SELECT LEFT(Name, 2) FROM T WHERE Qty > 4 ORDER BY ID", "Be,ga"},
            {"SELECT CAST(2.5 AS DECIMAL(10,1)) * 2", "5"},
            {"SELECT 3000000000 + Qty FROM T WHERE ID = 1", "3000000001"},
            {"SELECT 99999999999999999999 - 99999999999999999998", "1"},
            {"SELECT 7 / 2", "3"},
            {"SELECT COUNT(*) FROM T WHERE Name LIKE 'gam%' AND Qty IN (1, 9)", "1"},
            {"SELECT TOP 1 Name FROM T WHERE Qty >= 5 ORDER BY Qty", "Beta"},
            {"UPDATE T SET Qty = Qty + 0 WHERE ID = 3", "(1)"},
        });
    }
    // Only libpq's client prepares statements on the server.
    if (GetParam() == PgClientKind::Libpq) {
        EXPECT_NE(Col("SELECT COUNT(*) FROM pg_prepared_statements"), "0");
    }
}

// A prepared SELECT * must follow the table when its columns change, here
// or through another connection.
TEST_P(PgBatchTest, PreparedStatementsFollowTableChanges) {
    auto columns = [&] {
        auto rs = db.RunSQLReturnRS("SELECT * FROM NoIdent WHERE V = 1");
        return rs ? static_cast<int>(rs->Fields().size()) : -1;
    };
    ASSERT_TRUE(db.RunSQLNoReturn("INSERT INTO NoIdent (K, V) VALUES ('a', 1)"));
    EXPECT_EQ(columns(), 2);
    EXPECT_EQ(columns(), 2);
    ASSERT_EQ(PgExec(db_, "ALTER TABLE noident ADD COLUMN w int"), "");
    EXPECT_EQ(columns(), 3);
    ASSERT_TRUE(db.RunSQLNoReturn("ALTER TABLE NoIdent ADD X INT"));
    EXPECT_EQ(columns(), 4);
    EXPECT_EQ(columns(), 4);
}

// Mended: an EXEC that inserted left @@IDENTITY NULL, and SELECT @v = @v + x
// kept only the last row's value instead of being refused.
TEST_P(PgBatchTest, ExecSetsIdentityAndAccumulationIsRefused) {
    Check({
        {"EXEC sp_Test_Add 'delta' SELECT @@IDENTITY", "4"},
        {"DECLARE @n INT = 0 SELECT @n = @n + Qty FROM T SELECT @n",
         "ERROR: row-by-row accumulation"},
        {"DECLARE @n INT = 0 SELECT @n = (SELECT MAX(Qty) FROM T WHERE Qty > @n) FROM T",
         "ERROR: row-by-row accumulation"},
        {"DECLARE @n INT = 4 SELECT @n = Qty FROM T WHERE Qty > @n ORDER BY Qty SELECT @n",
         "(2)|9"},
        {"DECLARE @n INT = 1, @m INT SELECT @m = @n + Qty, @n = Qty FROM T WHERE ID = 2 "
         "SELECT @m, @n",
         "(1)|6"},
    });
}

INSTANTIATE_TEST_SUITE_P(Clients, PgBatchTest,
                         ::testing::Values(PgClientKind::Libpq, PgClientKind::Odbc),
                         ::testing::PrintToStringParamName());

}  // namespace
