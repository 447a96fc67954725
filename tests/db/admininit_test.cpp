#include "app/admininit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "app/admin.h"
#include "core/version.h"
#include "platform/inifile.h"
#include "procedures/installprocedures.h"
#include "registry/crypto.h"
#include "sql/sqlite/sqlitefile.h"
#include "support/process_run.h"
#include "support/tempdir.h"
#include "support/testdb.h"

namespace {

namespace fs = std::filesystem;

int64_t Count(SQLiteFile& db, const std::string& sql, const std::vector<Variant>& params = {}) {
    return db.Scalar(sql, params).ToInt64();
}

std::string Dump(SQLiteFile& db, const std::string& sql) {
    std::string out;
    auto rs = db.Query(sql);
    for (const auto& row : rs->Rows()) {
        for (const auto& v : row)
            out += v.ToText() + "|";
        out += "\n";
    }
    return out;
}

// One demo installation shared by the tests that only read it.
class DemoTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { demo_ = BuildDemoInstallation().release(); }
    static void TearDownTestSuite() {
        delete demo_;
        demo_ = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(db1_.Open(demo_->defaultDb));
        ASSERT_TRUE(db2_.Open(demo_->server2Db));
    }
    SQLiteFile& DbOfOutlet(int outlet) { return outlet == 3 ? db2_ : db1_; }

    static DemoInstallation* demo_;
    SQLiteFile db1_, db2_;
};
DemoInstallation* DemoTest::demo_ = nullptr;

TEST(InitTest, LaysOutAPlainInstallation) {
    TempDir dir;
    const std::string root = dir.File("site");
    std::ostringstream out, err;
    InitOptions options{root, false, 1, 7600, false, "FRONTDESK", ""};
    ASSERT_TRUE(InitInstallation(options, out, err)) << err.str();
    for (const char* sub : {"Client/cfg", "Client/Log", "Client/Temp", "Data"})
        EXPECT_TRUE(fs::is_directory(root + "/" + sub)) << sub;

    const std::string conn = root + "/Client/cfg/KIV4Connstr.ini";
    const std::string db1 = InstallationDatabasePath(root, 1);
    EXPECT_EQ(GetPrivateProfileString("DB", "ConnStr", "?", conn), "Provider=SQLite");
    EXPECT_EQ(GetPrivateProfileString("DB", "Data Source", "?", conn), db1);
    EXPECT_EQ(GetPrivateProfileString("DB", "User ID", "?", conn), "");
    EXPECT_EQ(GetPrivateProfileString("DB", "Password", "?", conn), "");
    EXPECT_EQ(GetPrivateProfileInt("KIV", "LogLevel", -1, root + "/Client/cfg/KIV4Client.ini"), 1);
    EXPECT_EQ(ReadTextFile(root + "/Client/cfg/KIV_ML.xml"),
              ReadTextFile(std::string(CT_SOURCE_DIR) + "/cfg/KIV_ML.xml"));
    EXPECT_TRUE(fs::path(db1).is_absolute());
    EXPECT_FALSE(fs::exists(InstallationDatabasePath(root, 2)));

    SQLiteFile db;
    ASSERT_TRUE(db.Open(db1));
    auto server = db.Query("SELECT * FROM tbl_DBServer");
    ASSERT_EQ(server->RecordCount(), 1);
    EXPECT_EQ(server->Field("IPAddress")->ToText(), db1);
    EXPECT_EQ(server->Field("ConnStr")->ToText(), "Provider=SQLite");
    EXPECT_EQ(server->Field("CommandTimeout")->ToInt64(), 30);
    EXPECT_EQ(Dump(db,
                   "SELECT ClientCode, ClientType, IPAddress, DBServerID, RowStatus FROM"
                   " tbl_Client ORDER BY ClientID"),
              "WS1|W|FRONTDESK|1|A|\nWS2|W|WS2|1|A|\n");
    EXPECT_EQ(Dump(db, "SELECT IPAddress, IPPort, ClientConnectIP FROM tbl_ServiceServer"),
              "127.0.0.1|7600|127.0.0.1|\n");
    EXPECT_EQ(Count(db, "SELECT COUNT(*) FROM tbl_User WHERE LoginID = 'admin' AND Password = ?",
                    {HashPassword("admin123")}),
              1);
    EXPECT_EQ(Count(db, "SELECT COUNT(*) FROM tbl_Outlet"), 0);
    EXPECT_NE(out.str().find(root), std::string::npos);
}

TEST(InitTest, RefusesAnExistingInstallationUnlessForced) {
    TempDir dir;
    const std::string root = dir.File("site");
    std::ostringstream out, err;
    ASSERT_TRUE(InitInstallation({root, false, 1, 7500, false, "WS1", ""}, out, err));
    const std::string clientIni = root + "/Client/cfg/KIV4Client.ini";
    WritePrivateProfileString("KIVCnt", "Language", "2", clientIni);
    {
        SQLiteFile db;
        ASSERT_TRUE(db.Open(InstallationDatabasePath(root, 1)));
        db.Execute("INSERT INTO tbl_Outlet (OutletCode) VALUES ('MINE')");
    }
    EXPECT_FALSE(InitInstallation({root, true, 1, 7500, false, "WS1", ""}, out, err));
    EXPECT_NE(err.str().find("--force"), std::string::npos);
    SQLiteFile db;
    ASSERT_TRUE(db.Open(InstallationDatabasePath(root, 1)));
    EXPECT_EQ(Count(db, "SELECT COUNT(*) FROM tbl_Outlet WHERE OutletCode = 'MINE'"), 1);
    db.Close();

    ASSERT_TRUE(InitInstallation({root, true, 1, 7500, true, "WS1", ""}, out, err)) << err.str();
    ASSERT_TRUE(db.Open(InstallationDatabasePath(root, 1)));
    EXPECT_EQ(Count(db, "SELECT COUNT(*) FROM tbl_Outlet WHERE OutletCode = 'MINE'"), 0);
    EXPECT_EQ(Count(db, "SELECT COUNT(*) FROM tbl_Outlet"), 3);
    // The workstation's own preferences survive.
    EXPECT_EQ(GetPrivateProfileInt("KIVCnt", "Language", 0, clientIni), 2);
}

TEST(InitTest, ProgramRegistersThisComputerAndChecksItsOptions) {
    TempDir dir;
    const std::string admin = ProgramPath("culinarotable-admin");
    auto ok = RunProgram(admin, {"init", dir.File("a"), "--port", "7611"}, "",
                         {{"COMPUTERNAME", "TILL7"}});
    EXPECT_EQ(ok.exitCode, 0) << ok.output;
    SQLiteFile db;
    ASSERT_TRUE(db.Open(InstallationDatabasePath(dir.File("a"), 1)));
    EXPECT_EQ(Count(db, "SELECT COUNT(*) FROM tbl_Client WHERE IPAddress = 'TILL7'"), 1);
    EXPECT_EQ(Count(db, "SELECT IPPort FROM tbl_ServiceServer"), 7611);

    for (const auto& args :
         std::vector<std::vector<std::string>>{{"init", dir.File("b"), "--scale", "0"},
                                               {"init", dir.File("b"), "--port", "70000"},
                                               {"init"}}) {
        EXPECT_NE(RunProgram(admin, args).exitCode, 0) << args.back();
    }
    EXPECT_FALSE(fs::exists(dir.File("b")));
    auto again = RunProgram(admin, {"init", dir.File("a")});
    EXPECT_NE(again.exitCode, 0);
    // The connection INI is read into 255-character buffers: a longer
    // database path would be cut and name another file.
    const std::string deep = dir.File(std::string(240, 'x'));
    auto tooLong = RunProgram(admin, {"init", deep});
    EXPECT_NE(tooLong.exitCode, 0);
    EXPECT_NE(tooLong.output.find("too long"), std::string::npos) << tooLong.output;
    EXPECT_FALSE(fs::exists(deep));
}

// Start-up refuses to run unless these parameters hold valid values, and
// compares the database's version with the program's.
TEST_F(DemoTest, SystemParametersPassTheStartUpChecks) {
    auto param = [&](const char* module, const char* name) {
        return db1_
            .Scalar(
                "SELECT ParaValue FROM tbl_Parameter WHERE RowStatus = 'A' AND"
                " ParaModule = ? AND ParaName = ?",
                {module, name})
            .ToText();
    };
    const std::set<std::string> dateFormats = {
        "dd/MM/yy",   "dd/MM/yyyy", "dd-MM-yy",   "dd-MM-yyyy",    "d/M/yy",
        "d-M-yy",     "yy/MM/dd",   "yyyy/MM/dd", "yy-MM-dd",      "yyyy-MM-dd",
        "yy/M/d",     "yy-M-d",     "MM/dd/yy",   "MM/dd/yyyy",    "MM-dd-yy",
        "MM-dd-yyyy", "M/d/yy",     "M-d-yy",     "yyyy-MM-dd ddd"};
    const std::set<std::string> timeFormats = {"hh:nn",          "hh:nn:ss",    "h:n",
                                               "h:n:s",          "hh:nn am/pm", "h:n am/pm",
                                               "hh:nn:ss am/pm", "h:n:s am/pm"};
    EXPECT_FALSE(param("CONFIG", "GuestQuickSearchField").empty());
    EXPECT_EQ(dateFormats.count(param("CONFIG", "DateFormat")), 1u);
    EXPECT_EQ(timeFormats.count(param("CONFIG", "TimeFormat")), 1u);
    const int filter = std::stoi(param("CONFIG", "FilterLevel"));
    EXPECT_TRUE(filter >= 0 && filter <= 4);
    EXPECT_GT(std::stoi(param("CONFIG", "ClientTimeDiffTolerant")), 0);
    EXPECT_EQ(param("SYS", "Version"), CT_VERSION_TEXT);
    EXPECT_EQ(param("SYS", "ORBA"), "0");
    // The placeholder guest is exactly one active guest, the same in every database.
    const std::string pseudo = param("RESV", "PseudoGuestNo");
    for (SQLiteFile* db : {&db1_, &db2_}) {
        EXPECT_EQ(Count(*db,
                        "SELECT COUNT(*) FROM tbl_Guest WHERE DYAccountNo = ? AND"
                        " RowStatus = 'A'",
                        {pseudo}),
                  1);
    }
}

TEST_F(DemoTest, UsersRolesAndRights) {
    const std::map<std::string, std::string> passwords = {
        {"admin", "admin123"}, {"manager", "manager123"}, {"reception", "reception123"}};
    for (const auto& [login, password] : passwords) {
        EXPECT_EQ(Count(db1_,
                        "SELECT COUNT(*) FROM tbl_User U JOIN tbl_UserRole R ON"
                        " R.RoleID = U.RoleID AND R.RowStatus = 'A' WHERE U.LoginID = ? AND"
                        " U.Password = ? AND U.Disabled = 0 AND U.RowStatus = 'A'",
                        {login, HashPassword(password)}),
                  1)
            << login;
    }
    EXPECT_EQ(Dump(db1_,
                   "SELECT RoleCode, RoleLevel, FERightMask1 & 1, FERightMask10 & 3 FROM"
                   " tbl_UserRole ORDER BY RoleLevel DESC"),
              "ADMIN|255|1|3|\nMANAGER|100|1|3|\nRECEPT|10|1|3|\n");
    // Receptionists are kept out of the back office.
    EXPECT_EQ(Count(db1_,
                    "SELECT BERightMask1 | BERightMask5 | BERightMask10 FROM tbl_UserRole"
                    " WHERE RoleCode = 'RECEPT'"),
              0);
    for (const char* key : {"FE:1:1", "FE:10:1", "FE:10:2"}) {
        EXPECT_EQ(Count(db1_,
                        "SELECT COUNT(*) FROM tbl_UserRight WHERE Module || ':' ||"
                        " RightIndex || ':' || RightSubIndex = ?",
                        {key}),
                  1)
            << key;
    }
    // A sign-in right to the outlets of the role, and POS employee numbers.
    EXPECT_EQ(Count(db1_, "SELECT COUNT(*) FROM tbl_UserRoleByOutlet WHERE RoleID = 3"), 2);
    EXPECT_GT(Count(db1_, "SELECT COUNT(*) FROM tbl_UserByEmployee WHERE UserID = 3"), 0);
}

TEST_F(DemoTest, VenueSpreadOverTwoServers) {
    EXPECT_EQ(Dump(db1_, "SELECT OutletID, DBServerID FROM tbl_Outlet ORDER BY OutletID"),
              "1|1|\n2|1|\n3|2|\n");
    EXPECT_EQ(Dump(db1_, "SELECT DBServerID, IPAddress FROM tbl_DBServer ORDER BY 1"),
              "1|" + demo_->defaultDb + "|\n2|" + demo_->server2Db + "|\n");
    // Configuration and guests are the same in both files; business rows live
    // only on the outlet's server.
    for (const char* sql : {"SELECT * FROM tbl_Outlet ORDER BY 1", "SELECT * FROM tbl_MPOutlet",
                            "SELECT * FROM tbl_FPSection", "SELECT * FROM tbl_ColorDef",
                            "SELECT GuestID, DYAccountNo, DYLastName FROM tbl_Guest",
                            "SELECT UserID, LoginID, Password FROM tbl_User"}) {
        EXPECT_EQ(Dump(db1_, sql), Dump(db2_, sql)) << sql;
    }
    EXPECT_EQ(Count(db1_, "SELECT COUNT(*) FROM tbl_Reservation WHERE OutletID = 3"), 0);
    EXPECT_EQ(Count(db2_, "SELECT COUNT(*) FROM tbl_Reservation WHERE OutletID <> 3"), 0);
    EXPECT_EQ(Count(db2_, "SELECT COUNT(*) FROM tbl_FloorPlan WHERE OutletID <> 3"), 0);
    EXPECT_EQ(Count(db1_, "SELECT COUNT(*) FROM tbl_Guest"), 200);
    EXPECT_EQ(Count(db1_,
                    "SELECT COUNT(*) FROM tbl_Account WHERE POSID IN"
                    " (SELECT POSID FROM tbl_POSServer)"),
              2);
    // A split lunch and a supper past midnight.
    EXPECT_GT(Count(db1_,
                    "SELECT COUNT(*) FROM tbl_MPOutlet WHERE MPEndTime1 < MPEndTime AND"
                    " MPStartTime2 > MPStartTime"),
              0);
    EXPECT_GT(Count(db1_, "SELECT COUNT(*) FROM tbl_MPOutlet WHERE MPEndTime < MPStartTime"), 0);
}

// Per outlet: 30 to 60 tables in force, one table number drawn on two plans
// in force, sections, merge definitions and shared tables.
TEST_F(DemoTest, FloorPlansInForceAndTheirTables) {
    const std::string today = DateTime::Now().DateText();
    // Lunch at the Harbour Grill: weekend dinners add the banquet hall.
    const std::map<int, int> mealPeriods = {{1, 12}, {2, 22}, {3, 31}};
    for (const auto& [outlet, mp] : mealPeriods) {
        SQLiteFile& db = DbOfOutlet(outlet);
        FileProcedureContext ctx(db);
        std::vector<PlanInForce> plans;
        std::string error;
        const std::string day = DateTime::Now().AddDays(-1).DateText();
        ASSERT_TRUE(FloorPlansInForce(ctx, day, mp, outlet, plans, error)) << error;
        EXPECT_GE(plans.size(), 2u) << outlet;
        std::string ids;
        for (const auto& p : plans)
            ids += (ids.empty() ? "" : ",") + std::to_string(p.FPID);
        const int64_t tables = Count(db,
                                     "SELECT COUNT(DISTINCT TableNo) FROM tbl_FPTable WHERE"
                                     " RowStatus = 'A' AND FPID IN (" +
                                         ids + ")");
        EXPECT_GE(tables, 30) << outlet;
        EXPECT_LE(tables, 60) << outlet;
        EXPECT_EQ(Count(db,
                        "SELECT COUNT(*) FROM tbl_TableStatus WHERE OutletID = ? AND TableNo"
                        " NOT IN (SELECT TableNo FROM tbl_FPTable T JOIN tbl_FloorPlan F ON"
                        " F.FPID = T.FPID WHERE F.OutletID = ?)",
                        {outlet, outlet}),
                  0);
    }
    FileProcedureContext ctx(db1_);
    std::vector<PlanInForce> plans;
    std::string error;
    ASSERT_TRUE(FloorPlansInForce(ctx, today, 12, 1, plans, error));
    ASSERT_EQ(plans.size(), 2u);
    EXPECT_EQ(plans[0].FPID, 101);
    EXPECT_EQ(plans[1].FPID, 102);
    EXPECT_EQ(Dump(db1_,
                   "SELECT TableNo FROM tbl_FPTable WHERE FPID IN (101, 102) AND"
                   " RowStatus = 'A' GROUP BY TableNo HAVING COUNT(TableNo) > 1"),
              "B16|\n");
    EXPECT_GT(Count(db1_,
                    "SELECT COUNT(*) FROM tbl_FPTable WHERE MergeTable1 IS NOT NULL AND"
                    " MergeCover1 > TCapacity"),
              0);
    EXPECT_GT(Count(db2_, "SELECT COUNT(*) FROM tbl_FPTable WHERE IsShare = 1 AND ShareCount > 1"),
              0);
    EXPECT_EQ(Count(db1_,
                    "SELECT COUNT(*) FROM tbl_FPTable WHERE FPSectionID NOT IN"
                    " (SELECT FPSectionID FROM tbl_FPSection)"),
              0);
    // Weekends, a holiday and the event evening change the plans in force.
    EXPECT_GT(Count(db1_, "SELECT COUNT(*) FROM tbl_FPOutlet WHERE CalendarGroupID IS NOT NULL"),
              0);
    EXPECT_EQ(Count(db1_, "SELECT COUNT(*) FROM tbl_FPOutlet WHERE BizDate IS NOT NULL"), 1);
}

TEST_F(DemoTest, ReservationsAroundToday) {
    const std::string from = DateTime::Now().AddDays(-30).DateText();
    const std::string to = DateTime::Now().AddDays(30).DateText();
    int64_t total = 0;
    for (SQLiteFile* db : {&db1_, &db2_}) {
        total += Count(*db, "SELECT COUNT(*) FROM tbl_Reservation");
        EXPECT_EQ(Count(*db,
                        "SELECT COUNT(*) FROM tbl_Reservation WHERE ReserveDate < ? OR"
                        " ReserveDate > ?",
                        {from, to}),
                  0);
        // Reservation numbers are unique per outlet and the counter is past them.
        EXPECT_EQ(Count(*db,
                        "SELECT COUNT(*) FROM (SELECT OutletID, ReserveNo FROM"
                        " tbl_Reservation GROUP BY 1, 2 HAVING COUNT(*) > 1)"),
                  0);
        EXPECT_EQ(Count(*db,
                        "SELECT COUNT(*) FROM tbl_Reservation R WHERE CAST(SUBSTR(ReserveNo,"
                        " 7) AS INTEGER) > (SELECT LastNo FROM tbl_ReserveNoCounter C WHERE"
                        " C.OutletID = R.OutletID AND C.CounterDate = '20' ||"
                        " SUBSTR(ReserveNo, 1, 2) || '-' || SUBSTR(ReserveNo, 3, 2) || '-'"
                        " || SUBSTR(ReserveNo, 5, 2))"),
                  0);
    }
    EXPECT_GE(total, 1800);
    EXPECT_LE(total, 2300);
    const std::vector<std::pair<const char*, const char*>> kinds = {
        {"settled", "RowStatus = 'C' AND ArrivalTime IS NOT NULL"},
        {"cancelled", "RowStatus = 'X' AND CancelMsgSubCat = 'N'"},
        {"no-show", "RowStatus = 'X' AND CancelMsgSubCat = 'NS'"},
        {"declined", "RowStatus = 'X' AND CancelMsgSubCat = 'DCL'"},
        {"deleted", "RowStatus = 'D'"},
        {"waiting list", "ReserveType = 'W' AND RowStatus = 'A'"},
        {"walk-in", "ReserveMode = 'W'"},
        {"internet", "ReserveMode = 'I'"},
        {"seated now", "RowStatus = 'A' AND ArrivalTime IS NOT NULL"},
        {"placeholder guest", "GuestID = 1 AND DYAccountNo = '99999999'"},
    };
    for (const auto& [what, where] : kinds) {
        EXPECT_GT(Count(db1_, std::string("SELECT COUNT(*) FROM tbl_Reservation WHERE ") + where),
                  0)
            << what;
    }
    // Bookings on every table the outlets' plans draw, and no table booked
    // twice for one seating unless it is shared.
    for (SQLiteFile* db : {&db1_, &db2_}) {
        EXPECT_EQ(Count(*db,
                        "SELECT COUNT(*) FROM tbl_TableReserve TR JOIN tbl_Reservation R ON"
                        " R.ReserveID = TR.ReserveID WHERE TR.TableNo NOT IN (SELECT T.TableNo"
                        " FROM tbl_FPTable T JOIN tbl_FloorPlan F ON F.FPID = T.FPID WHERE"
                        " F.OutletID = R.OutletID)"),
                  0);
        EXPECT_EQ(Count(*db,
                        "SELECT COUNT(*) FROM (SELECT R.ReserveDate, R.MPOutletID,"
                        " TR.TableNo, R.ReserveTime < M.MPEndTime1 AS Part FROM"
                        " tbl_TableReserve TR JOIN tbl_Reservation R ON R.ReserveID ="
                        " TR.ReserveID JOIN tbl_MPOutlet M ON M.MPOutletID = R.MPOutletID"
                        " WHERE TR.RowStatus = 'A' AND R.RowStatus IN ('A', 'C') AND"
                        " TR.IsShare = 0 GROUP BY 1, 2, 3, 4 HAVING COUNT(*) > 1)"),
                  0);
    }
    EXPECT_GT(Count(db1_, "SELECT COUNT(*) FROM tbl_TableReserve WHERE RowStatus = 'X'"), 0);
}

TEST_F(DemoTest, LiveTableStatusColoursAndMessages) {
    // Parties seated now occupy their tables.
    EXPECT_GT(Count(db1_,
                    "SELECT COUNT(*) FROM tbl_TableStatus S JOIN tbl_Reservation R ON"
                    " R.ReserveID = S.ReserveID WHERE S.TableStatus IN ('O', 'B') AND"
                    " R.RowStatus = 'A' AND R.ArrivalTime IS NOT NULL AND R.ReserveDate = ?",
                    {DateTime::Now().DateText()}),
              0);
    // Every state code in use has a colour; elapsed-time and capacity colours exist.
    EXPECT_EQ(Count(db1_,
                    "SELECT COUNT(*) FROM tbl_TableStatus WHERE TableStatus NOT IN"
                    " (SELECT Value1 FROM tbl_ColorDef WHERE ColorModule = 'S')"),
              0);
    for (const char* code : {"V", "O", "A"}) {
        EXPECT_EQ(Count(db1_,
                        "SELECT COUNT(*) FROM tbl_ColorDef WHERE ColorModule = 'S' AND"
                        " Value1 = ?",
                        {code}),
                  1)
            << code;
    }
    EXPECT_GE(Count(db1_, "SELECT COUNT(*) FROM tbl_ColorDef WHERE ColorModule = 'T'"), 3);
    EXPECT_GE(Count(db1_, "SELECT COUNT(*) FROM tbl_ColorDef WHERE ColorModule = 'C'"), 3);
    // Cancel reasons of every category, the receipt template, profile fields
    // for every operation with their option lists.
    EXPECT_EQ(Dump(db1_,
                   "SELECT DISTINCT MsgSubCat FROM tbl_Message WHERE MsgType = 'CXL' AND"
                   " MsgCat = 'MAN' ORDER BY 1"),
              "BULK|\nDCL|\nN|\nNCP|\nNS|\n");
    EXPECT_EQ(Count(db1_,
                    "SELECT COUNT(*) FROM tbl_Template WHERE TemplateCode = 'RECEIPT' AND"
                    " RowStatus = 'A'"),
              1);
    for (const char* order :
         {"GuestModeOrder", "TelephoneModeOrder", "InPersonModeOrder", "WalkinModeOrder",
          "BulkModeOrder", "ResvOpeNormalListOrder", "GuestSearchOrder"}) {
        EXPECT_GT(Count(db1_, std::string("SELECT COUNT(*) FROM tbl_ProfileDefinition WHERE ") +
                                  order + " > 0"),
                  3)
            << order;
    }
    EXPECT_EQ(Count(db1_,
                    "SELECT COUNT(*) FROM tbl_ProfileDefinition PD WHERE InputType = 'C' AND"
                    " ProfileCode NOT LIKE 'SYS_%' AND ProfileCode <> 'OutletID' AND NOT"
                    " EXISTS (SELECT 1 FROM tbl_ParaOption PO WHERE PO.OptModule = 'PDEF'"
                    " AND PO.OptCode = PD.ProfileCode)"),
              0);
    // Blocks: one applies today, one never applies (no dates).
    EXPECT_GT(Count(db1_,
                    "SELECT COUNT(*) FROM tbl_TableBlock WHERE BeginDate IS NULL AND EndDate"
                    " IS NULL"),
              0);
}

// The same command on the same day gives the same rows; --scale grows an
// outlet to benchmark size.
TEST(InitDemoTest, DeterministicAndScalable) {
    auto a = BuildDemoInstallation();
    auto b = BuildDemoInstallation();
    SQLiteFile da, dbb;
    ASSERT_TRUE(da.Open(a->defaultDb));
    ASSERT_TRUE(dbb.Open(b->defaultDb));
    for (const char* sql : {"SELECT * FROM tbl_Reservation ORDER BY ReserveID",
                            "SELECT * FROM tbl_TableReserve ORDER BY TableReserveID",
                            "SELECT * FROM tbl_TableStatus ORDER BY TableStatusID",
                            "SELECT * FROM tbl_FPTable ORDER BY FPTableID"}) {
        EXPECT_EQ(Dump(da, sql), Dump(dbb, sql)) << sql;
    }

    auto big = BuildDemoInstallation(10);
    SQLiteFile db;
    ASSERT_TRUE(db.Open(big->defaultDb));
    EXPECT_EQ(Count(db,
                    "SELECT COUNT(*) FROM tbl_Reservation WHERE OutletID = 1 AND ReserveDate"
                    " = ?",
                    {DateTime::Now().DateText()}),
              1000);
    EXPECT_GE(Count(db,
                    "SELECT COUNT(DISTINCT TableNo) FROM tbl_FPTable WHERE FPID IN (101, 102)"
                    " AND RowStatus = 'A'"),
              300);
}

}  // namespace
