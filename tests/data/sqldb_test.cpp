// SQLDB against real database files: connections, errors, statement
// builders, stored-procedure calls and updatable recordsets.
#include <filesystem>

#include "sql/dbprocedures.h"
#include "sqlfixture.h"

namespace {

constexpr int32_t kConnectionError = static_cast<int32_t>(0x80004005u);
constexpr int32_t kSqlError = static_cast<int32_t>(0x80040E14u);

class SQLDBTest : public SqlFixture {};
// What only the embedded engine has: database files, whole-file locks, and
// the connection-string parsing the tests reach through it.
class SQLDBFileTest : public SQLDBTest {};

TEST(SQLDBQuoting, NamesValuesAndLikePatterns) {
    EXPECT_EQ(SQLDB::EscapeName("a]b"), "[a]]b]");
    EXPECT_EQ(SQLDB::EscapeValue("O'Neil"), "'O''Neil'");
    EXPECT_EQ(SQLDB::EscapeLike("a**b?[c"), "'a%b_\\[c' ESCAPE '\\'");
    EXPECT_EQ(SQLDB::EscapeLike("50%_x\\'"), "'50\\%\\_x\\\\''' ESCAPE '\\'");
    EXPECT_EQ(SQLStr("it's"), "N'it''s'");
    EXPECT_EQ(SQLLikeContains("o'k"), "N'%o''k%'");
    EXPECT_EQ(SQLEscape("a'b''"), "a''b''''");
    // mp keeps the documented order: name, type, direction, size, value.
    ParamList p = SQLDB::mp("@X", 3, 4, Variant(7), adParamOutput);
    ASSERT_EQ(p.size(), 5u);
    EXPECT_EQ(p[0].ToText(), "@X");
    EXPECT_EQ(p[2].ToInt32(), adParamOutput);
    EXPECT_EQ(p[3].ToInt32(), 4);
    EXPECT_EQ(p[4].ToInt32(), 7);
}

TEST_P(SQLDBFileTest, MissingOrBrokenFilesFailToConnect) {
    SQLDB missing;
    missing.SetConnectionString("Provider=SQLite;Data Source=" + dir_.File("none.db"));
    EXPECT_FALSE(missing.Connect());
    EXPECT_EQ(missing.ErrNumber(), kConnectionError);
    EXPECT_EQ(missing.ErrDescription().rfind("[Connect] ", 0), 0u);
    EXPECT_FALSE(std::filesystem::exists(dir_.File("none.db")));  // never created
    EXPECT_EQ(missing.RunSQLReturnRS("SELECT 1 AS A"), nullptr);
    EXPECT_EQ(missing.ErrNumber(), kConnectionError);
    EXPECT_NE(missing.ErrDescription().find(" SQL=SELECT 1 AS A"), std::string::npos);

    WriteTextFile(dir_.File("junk.db"),
                  "this is not a database, just some text that is long enough");
    SQLDB junk;
    junk.SetConnectionString("Provider=SQLite;Data Source=" + dir_.File("junk.db"));
    EXPECT_FALSE(junk.Connect());
    EXPECT_EQ(junk.ErrNumber(), kConnectionError);

    SQLDB other;
    other.SetConnectionString("Provider=NoSuchProvider;Data Source=" + path_);
    EXPECT_FALSE(other.Connect());
    EXPECT_EQ(other.ErrNumber(), kConnectionError);
    EXPECT_NE(other.ErrDescription().find("Provider cannot be found"), std::string::npos);
}

TEST_P(SQLDBFileTest, ConnectionStringKeepsItsPassword) {
    for (std::string tail :
         {";Password=s3cret", ";Password=s3cret;", ";pwd=s3cret;Integrated Security=SSPI",
          ";Password=\"s3cret;x\"\"y\""}) {
        SQLDB db;
        db.SetConnectionString("Provider=SQLite;Data Source=" + path_ + tail);
        ASSERT_TRUE(db.Connect()) << db.ErrDescription();
        std::string back = db.ConnectionString();
        EXPECT_NE(back.find("s3cret"), std::string::npos) << back;
        EXPECT_EQ(back.find(";;"), std::string::npos) << back;
        SQLDB again;
        again.SetConnectionString(back);
        EXPECT_TRUE(again.Connect()) << back;
        EXPECT_EQ(again.ConnectionString(), back);  // the same password comes back again
    }
}

TEST_P(SQLDBTest, KeepConnectionDecidesWhetherTheConnectionStaysOpen) {
    EXPECT_FALSE(db_.KeepConnection());
    auto rs = db_.RunSQLReturnRS("SELECT Name FROM T ORDER BY ID");
    ASSERT_NE(rs, nullptr);
    EXPECT_FALSE(db_.Connected());
    EXPECT_EQ(rs->RecordCount(), 3);  // client-side: readable after the close
    EXPECT_EQ(FieldStr(rs.get(), "name"), "Alpha");
    db_.SetKeepConnection(true);
    ASSERT_TRUE(db_.RunSQLNoReturn("UPDATE T SET Qty = 1"));
    EXPECT_TRUE(db_.Connected());
    db_.Disconnect();
    EXPECT_FALSE(db_.Connected());
}

TEST_P(SQLDBTest, SqlErrorLeavesTheConnectionUsable) {
    for (bool keep : {false, true}) {
        db_.SetKeepConnection(keep);
        EXPECT_FALSE(db_.RunSQLNoReturn("UPDATE Missing SET A = 1"));
        EXPECT_EQ(db_.ErrNumber(), kSqlError);
        EXPECT_EQ(db_.ErrDescription(), Pg()
                                            ? "[RunSQLNoReturn] relation \"missing\" does not exist"
                                            : "[RunSQLNoReturn] no such table: Missing");
        EXPECT_EQ(db_.RunSQLReturnRS("SELECT Nope FROM T"), nullptr);
        EXPECT_EQ(db_.ErrDescription(),
                  Pg() ? "[RunSQLReturnRS] column \"nope\" does not exist SQL=SELECT Nope FROM T"
                       : "[RunSQLReturnRS] no such column: Nope SQL=SELECT Nope FROM T");
        int64_t n = 0;
        EXPECT_TRUE(db_.RunSQLNoReturn("UPDATE T SET Qty = 2 WHERE ID <= 2", &n));
        EXPECT_EQ(n, 2);
    }
}

TEST_P(SQLDBTest, BatchesYieldOneResultPerStatement) {
    auto rs = db_.RunSQLReturnRS("UPDATE T SET Qty = Qty WHERE ID = 1 SELECT @@ROWCOUNT AS RC");
    ASSERT_NE(rs, nullptr);
    EXPECT_FALSE(rs->IsOpen());  // the UPDATE's count comes first
    EXPECT_EQ(rs->RecordsAffected(), 1);
    auto next = rs->NextRecordset();
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(FieldLng(next.get(), "RC"), 1);
    EXPECT_EQ(LastRecordset(rs), next);

    auto two = db_.RunSQLReturnRS(
        "SELECT ID FROM T WHERE ID = 2\r\nSELECT Convert(VarChar(19), GetDate(), 121) AS "
        "ServerTime");
    ASSERT_NE(two, nullptr);
    EXPECT_EQ(FieldLng(two.get(), "ID"), 2);
    EXPECT_EQ(FieldStr(LastRecordset(two).get(), "ServerTime").size(), 19u);

    auto none = db_.RunSQLReturnRS("DECLARE @x INT SET @x = 1");
    ASSERT_NE(none, nullptr);  // nothing to show is not a failure
    EXPECT_TRUE(none->Eof());
}

TEST_P(SQLDBTest, FieldsReportAdoTypesAndDefaults) {
    auto rs = db_.RunSQLReturnRS(
        "SELECT *, GetDate() AS Now, 'x' AS X, N'y' AS Y, 1.5 AS F, Qty + 1 AS Q FROM T "
        "WHERE ID IN (1, 3) ORDER BY ID");
    ASSERT_NE(rs, nullptr) << db_.ErrDescription();
    // PostgreSQL keeps every text as citext and BIT as smallint: one type
    // code for all texts, integers for bits.
    struct {
        const char* field;
        int type;
        int pgType;
    } kTypes[] = {{"ID", adInteger, adInteger},
                  {"Name", adVarWChar, adVarWChar},
                  {"Code", adVarChar, adVarWChar},
                  {"Qty", adInteger, adInteger},
                  {"Price", adCurrency, adCurrency},
                  {"Rate", adDouble, adDouble},
                  {"Flag", adBoolean, adInteger},
                  {"DT", adDBTimeStamp, adDBTimeStamp},
                  {"D", adDBTimeStamp, adDBTimeStamp},
                  {"TM", adDBTimeStamp, adDBTimeStamp},
                  {"Note", adLongVarWChar, adVarWChar},
                  {"Img", adLongVarBinary, adLongVarBinary},
                  {"Now", adDBTimeStamp, adDBTimeStamp},
                  {"X", adVarChar, adLongVarWChar},
                  {"Y", adVarWChar, adLongVarWChar},
                  {"F", adDouble, adDouble},
                  {"Q", adInteger, adInteger}};
    for (const auto& t : kTypes) {
        int i = rs->FieldIndex(t.field);
        ASSERT_GE(i, 0) << t.field;
        EXPECT_EQ(rs->FieldAt(i).Type, Pg() ? t.pgType : t.type) << t.field;
    }
    EXPECT_EQ(rs->Field("flag")->Type(), Pg() ? VarType::Integer : VarType::Boolean);
    EXPECT_EQ(FieldDate(rs.get(), "TM"), (DateTime{1900, 1, 1, 18, 30, 0, 0}));
    EXPECT_EQ(FieldDate(rs.get(), "D"), DateTime::Date(2024, 3, 1));
    EXPECT_DOUBLE_EQ(FieldDbl(rs.get(), "Price"), 2.5);
    EXPECT_EQ(FieldLng(rs.get(), "Name", -1), -1);  // not numeric
    rs->MoveNext();
    EXPECT_EQ(FieldLng(rs.get(), "Qty", -1), -1);  // NULL
    EXPECT_EQ(FieldStr(rs.get(), "Name", "none"), "none");
    EXPECT_EQ(FieldStr(rs.get(), "NoSuchField", "d"), "d");
    EXPECT_EQ(FieldLng(nullptr, "Qty", 9), 9);
}

TEST_P(SQLDBTest, UpdateRecordSqlWritesTheDocumentedStatement) {
    ASSERT_TRUE(db_.UpdateRecordSQL("T", {Variant("Flag"), Variant(true)},
                                    {Variant("ID"), Variant(2)}, false));
    EXPECT_EQ(Raw("SELECT Flag FROM T WHERE ID = 2"), "1");
    // The exact text shows in the error of a missing table.
    EXPECT_FALSE(db_.UpdateRecordSQL("T2", {Variant("A"), Variant(true)},
                                     {Variant("ID"), Variant(5)}, false));
    EXPECT_EQ(db_.ErrDescription().substr(db_.ErrDescription().find('(')),
              "(UPDATE [T2]SET [A]=1 WHERE [ID]=5)");
    ASSERT_TRUE(db_.UpdateRecordSQL("T",
                                    {Variant("Name"), Variant("O'Neil"), Variant("DT"),
                                     Variant(DateTime{2024, 5, 6, 7, 8, 9, 0}), Variant("Qty"),
                                     Variant(), Variant("Rate"), Variant(0.25)},
                                    {Variant("ID"), Variant(1), Variant("Code"), Variant("A1")},
                                    true));
    EXPECT_EQ(Raw("SELECT Name || '|' || DT || '|' || Rate || '|' || COALESCE(CAST(Qty AS TEXT), "
                  "'null') FROM "
                  "T WHERE ID = 1"),
              "O'Neil|2024-05-06 07:08:09|0.25|null");
}

TEST_P(SQLDBTest, BinaryValuesInBuiltStatementsStayIntact) {
    ASSERT_TRUE(db_.UpdateRecordSQL("T", {Variant("Img"), Variant(Bytes{1, 2, 0, 39, 255})},
                                    {Variant("ID"), Variant(1)}, true));
    EXPECT_EQ(Raw(Pg() ? "SELECT upper(encode(Img, 'hex')) FROM T WHERE ID = 1"
                       : "SELECT hex(Img) FROM T WHERE ID = 1"),
              "01020027FF");
}

TEST_P(SQLDBTest, InsertRecordSqlReturnsTheNewId) {
    int32_t id = -1;
    ASSERT_TRUE(db_.InsertRecordSQL(
        "T", {Variant("Name"), Variant("new"), Variant("D"), Variant("2024-3-9")}, true, id));
    EXPECT_EQ(id, 4);
    EXPECT_EQ(Raw("SELECT D FROM T WHERE ID = 4"), "2024-03-09");
    EXPECT_FALSE(db_.InsertRecordSQL("Nope", {Variant("A"), Variant(1), Variant("B"), Variant("x")},
                                     true, id));
    EXPECT_EQ(db_.ErrDescription().substr(db_.ErrDescription().rfind("(INSERT")),
              "(INSERT INTO [Nope]([A],[B]) values (1,N'x') SELECT @@IDENTITY AS ID)");
}

// A procedure that answers with what it received.
void RegisterEcho() {
    RegisterDBProcedure("sp_Test_Echo", [](ProcedureContext& ctx,
                                           const std::vector<ProcedureArg>& args,
                                           ProcedureResult& result, std::string& error) {
        std::vector<Recordset::Row> rows;
        for (const auto& a : args)
            rows.push_back({Variant(a.Name), a.Value, Variant(a.Value.IsNull())});
        result.ResultSets.push_back(
            std::make_shared<Recordset>(FieldList({"Name", "Value", "IsNull"}), std::move(rows)));
        result.ReturnValue = 42;
        int64_t first = args.empty() ? 0 : args[0].Value.ToInt64();
        result.Outputs.push_back(OutputParam{"@Out", adParamInputOutput, Variant(first + 1)});
        if (!args.empty() && args[0].Value.ToText() == "fail") {
            error = "refused";
            return false;
        }
        return ctx.Execute("INSERT INTO S (TID, Val) VALUES (?, ?)", {Variant(9), Variant("p")});
    });
}

TEST_P(SQLDBTest, StoredProcedureCalls) {
    RegisterEcho();
    std::vector<ParamList> params = {SQLDB::mp("@A", 3, 4, Variant(5)),
                                     SQLDB::mp("@B", 202, 10, Variant("")),
                                     SQLDB::mp("@Out", 3, 4, Variant(0), adParamOutput)};
    auto rs = db_.RunSPReturnRS("sp_Test_Echo", params);
    ASSERT_NE(rs, nullptr) << db_.ErrDescription();
    ASSERT_EQ(rs->RecordCount(), 3);
    EXPECT_EQ(FieldStr(rs.get(), "Name"), "@A");
    rs->MoveNext();
    EXPECT_EQ(rs->Field("IsNull")->ToBool(), true);  // the empty text arrived as NULL
    EXPECT_EQ(db_.RunSPReturnInteger("sp_Test_Echo", params), 42);
    auto outs = db_.RunSPReturnParams("dbo.SP_TEST_ECHO", params);
    ASSERT_EQ(outs.size(), 1u);
    EXPECT_EQ(outs[0].Name, "@Out");
    EXPECT_EQ(outs[0].Value.ToInt64(), 6);
    EXPECT_TRUE(db_.RunSPNoReturn("sp_Test_Echo", params));
    EXPECT_EQ(Raw("SELECT COUNT(*) FROM S WHERE Val = 'p'"), "4");

    params.push_back(ParamList{Variant("@Short"), Variant(3)});
    EXPECT_EQ(db_.RunSPReturnRS("sp_Test_Echo", params), nullptr);
    EXPECT_EQ(db_.ErrNumber(), 5);
    EXPECT_EQ(db_.ErrDescription().rfind(
                  "[RunSPReturnRS] CollectParams(...): incorrect # of parameters", 0),
              0u);
    EXPECT_EQ(db_.RunSPReturnInteger("sp_Test_Echo", {SQLDB::mp("@A", 200, 4, Variant("fail"))}),
              0);
    EXPECT_NE(db_.ErrDescription().find("refused"), std::string::npos);
    EXPECT_FALSE(db_.RunSPNoReturn("sp_Unknown", {}));
    EXPECT_NE(db_.ErrDescription().find("Could not find stored procedure 'sp_Unknown'"),
              std::string::npos);
}

TEST_P(SQLDBTest, ExecInsideBatches) {
    RegisterEcho();
    std::string out =
        Run("DECLARE @o INT, @r INT EXEC @r = sp_Test_Echo 5, @Out = @o OUTPUT "
            "SELECT @o AS O, @r AS R, @@ROWCOUNT AS RC, @@IDENTITY AS I");
    EXPECT_EQ(out, "Name\tValue\tIsNull\n\t5\t0\n@Out\tNULL\t1\n\nO\tR\tRC\tI\n6\t42\t1\t4\n");
    EXPECT_EQ(Run("Exec sp_Test_Echo 1, N'x', Null, -2.5, bare"),
              "Name\tValue\tIsNull\n\t1\t0\n\tx\t0\n\tNULL\t1\n\t-2.5\t0\n\tbare\t0\n");
}

TEST_P(SQLDBTest, TableFunctionsInFromClauses) {
    RegisterDBTableFunction(
        "fn_Numbers",
        DBTableFunction{
            {"N", "Label"},
            [](ProcedureContext&, const std::vector<Variant>& args,
               std::vector<Recordset::Row>& rows, std::string&) {
                for (int64_t i = 1; i <= args.at(0).ToInt64(); ++i)
                    rows.push_back({Variant(i), Variant(args.at(1).ToText() + std::to_string(i))});
                return true;
            }});
    EXPECT_EQ(Run("SELECT N, Label FROM dbo.fn_Numbers (3, 'n') ORDER BY N DESC"),
              "N\tLabel\n3\tn3\n2\tn2\n1\tn1\n");
    EXPECT_EQ(Run("DECLARE @k INT SET @k = 2 SELECT Name FROM T WHERE ID IN (SELECT N FROM "
                  "fn_Numbers(@k, '')) ORDER BY ID"),
              "Name\nAlpha\nbeta\n");
    EXPECT_NE(Run("SELECT * FROM fn_Nothing(1)")
                  .find(Pg() ? "fn_nothing" : "Invalid object name 'fn_Nothing'"),
              std::string::npos);
}

TEST_P(SQLDBTest, UpdatableRecordsetsWriteRowsBack) {
    auto rs = db_.OpenTable("T");
    ASSERT_NE(rs, nullptr) << db_.ErrDescription();
    EXPECT_FALSE(db_.Connected());
    rs->MoveNext();  // beta
    ASSERT_TRUE(db_.UpdateRecord(*rs, {"Name", "DT"}, {Variant("Beta2"), Variant("2024-3-7 9:30")}))
        << db_.ErrDescription();
    EXPECT_EQ(Raw("SELECT Name || '|' || DT FROM T WHERE ID = 2"), "Beta2|2024-03-07 09:30:00");
    ASSERT_TRUE(db_.InsertRecordRS(*rs, {"Name", "Qty"}, {Variant("fresh"), Variant(3)}))
        << db_.ErrDescription();
    EXPECT_EQ(FieldLng(rs.get(), "ID"), 4);  // the identity comes back into the row
    ASSERT_TRUE(
        db_.UpdateRecord(*rs, {"Qty"}, {Variant(4)}));  // the new row is known by its id now
    EXPECT_EQ(Raw("SELECT Qty FROM T WHERE Name = 'fresh'"), "4");
    EXPECT_FALSE(db_.UpdateRecord(*rs, {"Nope"}, {Variant(1)}));
    EXPECT_EQ(db_.ErrNumber(), 3265);

    auto q = db_.RunSQLReturnRS("SELECT ID, Code FROM T WHERE ID = 1", true);
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(q->FieldCount(), 2);  // the row id stays hidden
    ASSERT_TRUE(db_.UpdateRecord(*q, {"Code"}, {Variant("Z9")}));
    EXPECT_EQ(Raw("SELECT Code FROM T WHERE ID = 1"), "Z9");
    auto ro = db_.RunSQLReturnRS("SELECT ID, Code FROM T WHERE ID = 1");
    EXPECT_FALSE(db_.UpdateRecord(*ro, {"Code"}, {Variant("no")}));
}

TEST_P(SQLDBTest, TranslationsFollowSchemaChanges) {
    db_.SetKeepConnection(true);
    ASSERT_TRUE(db_.RunSQLNoReturn(
        "CREATE TABLE X (ID INTEGER PRIMARY KEY AUTOINCREMENT, V NVARCHAR(20))"));
    const char* insert = "INSERT INTO X (V) VALUES ('2024-3-1')";
    ASSERT_TRUE(db_.RunSQLNoReturn(insert));
    EXPECT_EQ(Raw("SELECT V FROM X WHERE ID = 1"), "2024-3-1");
    // Changed through this connection: the kept translation must not be reused.
    ASSERT_TRUE(db_.RunSQLNoReturn(
        "DROP TABLE X CREATE TABLE X (ID INTEGER PRIMARY KEY AUTOINCREMENT, V DATE)"));
    ASSERT_TRUE(db_.RunSQLNoReturn(insert));
    EXPECT_EQ(Raw("SELECT V FROM X WHERE ID = 1"), "2024-03-01");
    // Changed by another process: seen at the next connect.
    db_.Disconnect();
    Exec("DROP TABLE X; CREATE TABLE X (ID INTEGER PRIMARY KEY AUTOINCREMENT, V NVARCHAR(20));");
    ASSERT_TRUE(db_.RunSQLNoReturn(insert));
    EXPECT_EQ(Raw("SELECT V FROM X WHERE ID = 1"), "2024-3-1");
}

TEST_P(SQLDBFileTest, TwoWorkstationsShareTheFile) {
    SQLDB writer, other;
    writer.SetConnectionString(db_.ConnectionString());
    other.SetConnectionString(db_.ConnectionString());
    writer.SetKeepConnection(true);
    other.SetCommandTimeout(1);
    ASSERT_TRUE(writer.RunSQLNoReturn("BEGIN TRAN UPDATE T SET Qty = 99 WHERE ID = 1"));
    // Readers see the last committed rows while a write is open.
    EXPECT_EQ(FieldLng(other.RunSQLReturnRS("SELECT Qty FROM T WHERE ID = 1").get(), "Qty"), 5);
    EXPECT_FALSE(
        other.RunSQLNoReturn("UPDATE T SET Qty = 1 WHERE ID = 2"));  // waits, then gives up
    EXPECT_NE(other.ErrDescription().find("locked"), std::string::npos) << other.ErrDescription();
    ASSERT_TRUE(writer.RunSQLNoReturn("COMMIT"));
    EXPECT_TRUE(other.RunSQLNoReturn("UPDATE T SET Qty = 1 WHERE ID = 2"))
        << other.ErrDescription();
    EXPECT_EQ(Raw("SELECT Qty FROM T WHERE ID = 1"), "99");
}

TEST_P(SQLDBTest, BlobsToAndFromFiles) {
    std::string src = dir_.File("in.bin"), dst = dir_.File("out.bin");
    std::string content(200000, '\0');
    for (std::size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<char>(i * 7);
    WriteTextFile(src, content);
    auto rs = db_.OpenTable("T");
    ASSERT_NE(rs, nullptr) << db_.ErrDescription();
    ASSERT_TRUE(FileToBlob(src, *rs, "Img"));
    std::string err;
    ASSERT_TRUE(rs->Update(err)) << err;
    auto back = db_.RunSQLReturnRS("SELECT Img FROM T WHERE ID = 1");
    ASSERT_TRUE(BlobToFile(back.get(), "Img", dst));
    EXPECT_EQ(ReadTextFile(dst), content);
    EXPECT_FALSE(BlobToFile(back.get(), "Img", dst));  // refuses to overwrite
    EXPECT_FALSE(BlobToFile(back.get(), "NoField", dir_.File("x.bin")));
    EXPECT_FALSE(FileToBlob(dir_.File("missing.bin"), *rs, "Img"));
}

TEST_P(SQLDBTest, CommandTimeoutInterruptsALongStatement) {
    RegisterDBProcedure(
        "sp_Test_Forever", [](ProcedureContext& ctx, const std::vector<ProcedureArg>&,
                              ProcedureResult&, std::string&) {
            return ctx.Query(
                       "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) "
                       "SELECT count(*) FROM c",
                       {}) != nullptr;
        });
    db_.SetCommandTimeout(1);
    EXPECT_FALSE(db_.RunSPNoReturn("sp_Test_Forever", {}));
    EXPECT_EQ(db_.ErrNumber(), static_cast<int32_t>(0x80040E31u));
    EXPECT_TRUE(db_.RunSQLNoReturn("UPDATE T SET Qty = 0"));
}

// A procedure's failure keeps its kind on every engine: a unique key in the
// embedded engine's words, a lost connection as one (even when the
// procedure went on and a later statement failed otherwise), and the next call gets a
// working session again.
TEST_P(SQLDBTest, ProcedureFailuresKeepTheirKind) {
    RegisterDBProcedure("sp_Test_Twice", [](ProcedureContext& ctx, const std::vector<ProcedureArg>&,
                                            ProcedureResult&, std::string&) {
        return ctx.Execute("INSERT INTO T (ID, Name) VALUES (1, 'again')", {});
    });
    EXPECT_FALSE(db_.RunSPNoReturn("sp_Test_Twice", {}));
    EXPECT_EQ(db_.ErrNumber(), kSqlError);
    EXPECT_NE(db_.ErrDescription().find("UNIQUE constraint failed"), std::string::npos)
        << db_.ErrDescription();
    if (!Pg()) return;

    RegisterDBProcedure("sp_Test_Lose", [](ProcedureContext& ctx, const std::vector<ProcedureArg>&,
                                           ProcedureResult&, std::string& error) {
        if (ctx.Query("SELECT pg_terminate_backend(pg_backend_pid())", {}) != nullptr) return true;
        error = ctx.LastError();
        // Goes on regardless, and fails otherwise (ODBC opens a new session here).
        ctx.Query("SELECT * FROM no_such_table", {});
        return false;
    });
    db_.SetKeepConnection(true);
    EXPECT_FALSE(db_.RunSPNoReturn("sp_Test_Lose", {}));
    EXPECT_EQ(db_.ErrNumber(), kConnectionError) << db_.ErrDescription();
    EXPECT_EQ(FirstColumns(db_, "SELECT IsNumeric('12') AS N"), "1");
}

CT_INSTANTIATE_FOR_ENGINES(SQLDBTest);
INSTANTIATE_TEST_SUITE_P(Engines, SQLDBFileTest, ::testing::Values(TestEngine::SQLite),
                         EngineNamer());

}  // namespace
