// Connection strings of the SQL Server providers and of Provider=ODBC as the
// driver manager gets them, and the batch that calls a procedure on SQL Server.
#include <gtest/gtest.h>

#include "sql/odbc/odbcmapping.h"
#include "sql/odbc/odbcprocedurecontext.h"

namespace {

TEST(SqlServerProvider, NamesWithAndWithoutVersions) {
    for (const char* yes : {"SQLOLEDB", "sqloledb.1", "SQLNCLI", "SQLNCLI10", "SQLNCLI11.1",
                            "MSOLEDBSQL", "MSOLEDBSQL19", " msoledbsql "})
        EXPECT_TRUE(IsSqlServerProvider(yes)) << yes;
    for (const char* no : {"", "SQLite", "PostgreSQL", "ODBC", "SQLNCLIX", "MSOLEDBSQLite"})
        EXPECT_FALSE(IsSqlServerProvider(no)) << no;
}

TEST(SqlServerMapping, DataSourceFormsAndKeys) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"Provider=SQLOLEDB;Data Source=db1;Initial Catalog=KIV;User ID=kiv;Password=secret",
         "Driver=FreeTDS;Server=db1;Database=KIV;UID=kiv;PWD=secret;ClientCharset=UTF-8"},
        {"Data Source=db1\\RESV;Initial Catalog=KIV;User ID=u;Password=p",
         "Driver=FreeTDS;Server=db1\\RESV;Database=KIV;UID=u;PWD=p;ClientCharset=UTF-8"},
        // A port reaches the instance directly: the instance name is not needed.
        {"Data Source=10.0.0.5\\RESV,1450;User ID=u;Password=p",
         "Driver=FreeTDS;Server=10.0.0.5;Port=1450;UID=u;PWD=p;ClientCharset=UTF-8"},
        {"Data Source=tcp:db1, 1433;Database=KIV;UID=u;PWD=p",
         "Driver=FreeTDS;Server=db1;Port=1433;Database=KIV;UID=u;PWD=p;ClientCharset=UTF-8"},
        {"Server=(local);User ID=u;Password=p",
         "Driver=FreeTDS;Server=localhost;UID=u;PWD=p;ClientCharset=UTF-8"},
        // Values that would end or break a key are braced.
        {"Data Source=db1;User ID=u;Password=\"a;b}c\";Application Name=KIV;Workstation ID=WS1",
         "Driver=FreeTDS;Server=db1;UID=u;PWD={a;b}}c};APP=KIV;WSID=WS1;ClientCharset=UTF-8"},
        {"Data Source=db1;User ID=u;Password=p;TDS Version=7.4;Driver=MyTDS",
         "Driver=MyTDS;Server=db1;UID=u;PWD=p;TDS_Version=7.4;ClientCharset=UTF-8"},
    };
    for (const auto& c : cases) {
        OdbcLogin login;
        std::string error;
        ASSERT_TRUE(MapSqlServerConnection(ParseConnectionString(c.in), login, error))
            << c.in << ": " << error;
        EXPECT_EQ(login.ConnectionString, c.out) << c.in;
    }
}

TEST(SqlServerMapping, RefusedStringsSayWhy) {
    struct Case {
        const char* in;
        const char* says;
    } cases[] = {
        {"Provider=SQLOLEDB;Data Source=db1;Integrated Security=SSPI;Application Name=KIV",
         "Integrated Security"},
        {"Data Source=db1;Trusted_Connection=Yes", "Integrated Security"},
        {"Initial Catalog=KIV;User ID=u;Password=p", "no Data Source"},
        {"Data Source=\\RESV;User ID=u", "no Data Source"},
        {"Data Source=db1,14x3;User ID=u", "not a number"},
    };
    for (const auto& c : cases) {
        OdbcLogin login;
        std::string error;
        EXPECT_FALSE(MapSqlServerConnection(ParseConnectionString(c.in), login, error)) << c.in;
        EXPECT_NE(error.find(c.says), std::string::npos) << c.in << ": " << error;
    }
}

TEST(OdbcProviderMapping, KeysPassAsTheyStandButTheInstallationsLogin) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"Provider=ODBC;Database=/tmp/a b.db;Driver=SQLite3;Connect Timeout=3;StepAPI=1",
         "driver=SQLite3;database=/tmp/a b.db;stepapi=1"},
        // What start-up makes of a connection INI: the login in ADO's words.
        {"Provider=ODBC;Driver={PostgreSQL Unicode};Server=h;Data Source=;User ID=kiv;"
         "Password='p;w';Application Name=KIV",
         "driver=PostgreSQL Unicode;application name=KIV;data source=;pwd={p;w};server=h;uid=kiv;"
         "protocol=7.4-0"},
        // PostgreSQL's rollback level is the user's when given.
        {"Provider=ODBC;Driver={PostgreSQL ANSI};Protocol=7.4-2",
         "driver=PostgreSQL ANSI;protocol=7.4-2"},
        {"Provider=ODBC;Data Source=Resv;User ID=u;UID=other;Password=", "dsn=Resv;uid=other"},
    };
    for (const auto& c : cases) {
        OdbcLogin login;
        std::string error;
        ASSERT_TRUE(MapOdbcConnection(ParseConnectionString(c.in), login, error)) << error;
        EXPECT_EQ(login.ConnectionString, c.out) << c.in;
    }
    OdbcLogin login;
    std::string error;
    EXPECT_FALSE(
        MapOdbcConnection(ParseConnectionString("Provider=ODBC;Database=x"), login, error));
    EXPECT_NE(error.find("Driver="), std::string::npos);
}

ProcedureArg Arg(const char* name, Variant value, int direction = adParamInput, int type = 0,
                 int32_t size = 0) {
    ProcedureArg a;
    a.Name = name;
    a.Value = std::move(value);
    a.Direction = direction;
    a.Type = type;
    a.Size = size;
    return a;
}

TEST(SqlServerCall, InputsAreMarkersOutputsAreDeclaredAndSelectedLast) {
    std::string batch, error;
    std::vector<Variant> params;
    ASSERT_TRUE(SqlServerCallBatch(
        "dbo.sp_Reserve",
        {Arg("@OutletID", Variant(3)), Arg("ReserveNo", Variant(), adParamOutput, 3),
         Arg("@Name", Variant("O'Hara")), Arg("@Note", Variant("x"), adParamInputOutput, 202, 50)},
        batch, params, error))
        << error;
    EXPECT_EQ(batch,
              "DECLARE @ct_return INT, @ct_out2 INT, @ct_out4 NVARCHAR(50) = ?; "
              "EXEC @ct_return = dbo.sp_Reserve @OutletID = ?, @ReserveNo = @ct_out2 OUTPUT, "
              "@Name = ?, @Note = @ct_out4 OUTPUT; "
              "SELECT @ct_return, @ct_out2 AS [@ReserveNo], @ct_out4 AS [@Note]");
    // The initial values of the DECLARE come first, then the inputs in order.
    ASSERT_EQ(params.size(), 3u);
    EXPECT_EQ(params[0].ToText(), "x");
    EXPECT_EQ(params[1].ToInt64(), 3);
    EXPECT_EQ(params[2].ToText(), "O'Hara");

    ASSERT_TRUE(SqlServerCallBatch("[dbo].[sp_Empty]", {}, batch, params, error));
    EXPECT_EQ(batch,
              "DECLARE @ct_return INT; EXEC @ct_return = [dbo].[sp_Empty]; SELECT @ct_return");
}

TEST(SqlServerCall, NamesThatCouldCarryStatementsAreRefused) {
    std::string batch, error;
    std::vector<Variant> params;
    for (const char* name : {"", "sp_X; DROP TABLE T", "sp_X--", "[a]b]", "dbo.", "sp X"})
        EXPECT_FALSE(SqlServerCallBatch(name, {}, batch, params, error)) << name;
    EXPECT_FALSE(SqlServerCallBatch("sp_X", {Arg("@a=1;--", Variant(1))}, batch, params, error));
}

}  // namespace

namespace {

TEST(OdbcMarkers, NumberedMarkersBecomeQuestionMarksInBindingOrder) {
    struct Case {
        const char* in;
        const char* out;
        std::vector<int> order;
    } cases[] = {
        {"SELECT $1::bigint, $2", "SELECT ?::bigint, ?", {1, 2}},
        {"SELECT $2 + $1 + $2", "SELECT ? + ? + ?", {2, 1, 2}},
        // Quoted text, names and dollar signs inside words stay.
        {"SELECT '$1', \"a$1\", x$1 FROM t WHERE k = $10",
         "SELECT '$1', \"a$1\", x$1 FROM t WHERE k = ?",
         {10}},
        {"SELECT 1", "SELECT 1", {}},
    };
    for (const auto& c : cases) {
        std::vector<int> order;
        EXPECT_EQ(OdbcMarkers(c.in, order), c.out) << c.in;
        EXPECT_EQ(order, c.order) << c.in;
    }
    std::vector<Variant> params = OdbcParams({Variant(1), Variant("b")}, {2, 1, 2, 3});
    ASSERT_EQ(params.size(), 4u);
    EXPECT_EQ(params[0].ToText(), "b");
    EXPECT_EQ(params[1].ToInt64(), 1);
    EXPECT_TRUE(params[3].IsNull());
}

// The driver's text carries the server's detail lines; through libpq only
// the primary message reaches programs and logs, so both clients agree.
TEST(PgDriverMessage, OnlyTheServersPrimaryMessageRemains) {
    struct Case {
        const char* text;
        const char* state;
        const char* message;
    } cases[] = {
        {"ERROR: relation \"missing\" does not exist;\nError while executing the query", "42P01",
         "relation \"missing\" does not exist"},
        {"ERROR: duplicate key value violates unique constraint \"k_pkey\"\nDETAIL: Key "
         "(id)=(1) already exists.;\nError while executing the query",
         "23505", "duplicate key value violates unique constraint \"k_pkey\""},
        {"ERROR: function nope() does not exist\nHINT: No function matches.;\nError while "
         "executing the query",
         "42883", "function nope() does not exist"},
        {"could not send query to backend", "08S01", "could not send query to backend"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PgDriverMessage(c.text, c.state), c.message) << c.text;
}

}  // namespace
