// culinarotable-admin sql end to end: a real process on a real file.
#include "sqlfixture.h"
#include "support/process_run.h"

namespace {

TEST(AdminSqlProgram, RunsBatchesFromTheArgumentAndFromStdin) {
    TempDir dir;
    std::string db = dir.File("admin.db");
    ExecRaw(db,
            "CREATE TABLE tbl_Outlet (OutletID INTEGER PRIMARY KEY AUTOINCREMENT, "
            "OutletCode NVARCHAR(10) COLLATE NOCASE, OpenDate DATE, Note NVARCHAR(20))");
    std::string admin = ProgramPath("culinarotable-admin");

    RunResult r = RunProgram(
        admin,
        {"sql", "--db", db,
         "INSERT INTO tbl_Outlet (OutletCode, OpenDate, Note) VALUES ('A', '2024-3-1', NULL) "
         "INSERT tbl_Outlet (OutletCode, Note) VALUES (N'B', N'tab\there') "
         "SELECT OutletID, OutletCode, OpenDate, Note FROM tbl_Outlet ORDER BY OutletID"});
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(
        r.output,
        "(1 row affected)\n\n(1 row affected)\n\n"
        "OutletID\tOutletCode\tOpenDate\tNote\n1\tA\t2024-03-01\tNULL\n2\tB\tNULL\ttab\\there\n");

    r = RunProgram(admin, {"sql", "--db", db},
                   "UPDATE tbl_Outlet SET Note = 'x'\nSELECT @@ROWCOUNT AS RC\n");
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(r.output, "(2 rows affected)\n\nRC\n2\n");
    r = RunProgram(admin, {"sql", "--db", db, "-"}, "DECLARE @x INT SET @x = 1");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.output, "");
}

TEST(AdminSqlProgram, ErrorsGoToStderrWithTheirNumber) {
    TempDir dir;
    std::string db = dir.File("admin.db");
    ExecRaw(db, "CREATE TABLE t (a INT)");
    std::string admin = ProgramPath("culinarotable-admin");
    RunResult r = RunProgram(admin, {"sql", "--db", db, "SELECT b FROM t"});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_EQ(
        r.output,
        "Error -2147217900 (0x80040E14): [RunSQLReturnRS] no such column: b SQL=SELECT b FROM t\n");
    r = RunProgram(admin, {"sql", "--db", dir.File("missing.db"), "SELECT 1"});
    EXPECT_NE(r.exitCode, 0);
    EXPECT_NE(
        r.output.find("Error -2147467259 (0x80004005): [RunSQLReturnRS] Cannot open database"),
        std::string::npos)
        << r.output;
}

}  // namespace
