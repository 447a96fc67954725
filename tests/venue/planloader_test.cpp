// The floor plans in force, table statuses, holds and blocks as the views
// load them, on the demo's Harbour Grill (server 1) and Sky Lounge (server 2).
#include "venue/planloader.h"

#include "venue/venuefixture.h"

namespace {

constexpr int kLunch = 12;
constexpr int kDays = 12;  // a plain day: lunch has Main Dining and Terrace

class PlanLoaderTest : public VenueTest {
  protected:
    // Loads plans and statuses of the Harbour Grill for a meal period and date.
    void Load(int mp = kLunch, int offset = kDays) {
        loader.SetOutlet(1, 1, &db1);
        loader.SetMPOutletID(mp);
        loader.SetResvDate(Date(offset));
        ASSERT_TRUE(loader.LoadFloorplans()) << loader.ErrDescription();
        ASSERT_TRUE(loader.LoadTableStatuses()) << loader.ErrDescription();
    }
    const TableStatus& Status(const std::string& no) {
        const TableStatus* s = loader.GetTableStatus(no);
        EXPECT_NE(s, nullptr) << no;
        static const TableStatus none;
        return s != nullptr ? *s : none;
    }

    PlanLoader loader{"CurrentView"};
};

TEST_F(PlanLoaderTest, PlansInForceWithOneStatusPerTableNumber) {
    Load();
    EXPECT_EQ(loader.FloorPlans().Keys(), (std::vector<int32_t>{101, 102}));
    const FloorPlan& terrace = **loader.FloorPlans().Item(102);
    EXPECT_EQ(terrace.SeqNo(), 2);
    EXPECT_GT(terrace.Capacity(), 0);
    EXPECT_EQ(terrace.TableFontSize(), 13);  // stored 0
    // B16 stands on both plans: one status entry, one duplicate.
    EXPECT_TRUE(terrace.FPTables().Exists("B16"));
    EXPECT_TRUE((*loader.FloorPlans().Item(101))->FPTables().Exists("B16"));
    EXPECT_EQ(loader.DuplicateFPTableNoList(), "B16");
    EXPECT_TRUE(loader.IsDuplicate("b16"));
    EXPECT_FALSE(loader.IsDuplicate("A1"));
    // The withdrawn table X1 is not drawn.
    EXPECT_EQ(loader.GetTableStatus("X1"), nullptr);
}

TEST_F(PlanLoaderTest, FirstTableOfANumberStaysAndFontSizeFollowsTheMode) {
    Sql("INSERT INTO tbl_FPTable (FPID, TableNo, TCapacity, RowStatus) VALUES (101, 'a1', 99, 'A')"
        " UPDATE tbl_FloorPlan SET TableFontSize=9 WHERE FPID=102");
    Load();
    const FloorPlan& main = **loader.FloorPlans().Item(101);
    EXPECT_EQ(main.FPTables().Item("A1")->TCapacity(), 2);
    EXPECT_EQ((*loader.FloorPlans().Item(102))->TableFontSize(), 9);
    EXPECT_EQ(loader.DuplicateFPTableNoList(), "A1,B16");
    g_oConfig->SetORBAMode(true);
    Load();
    EXPECT_EQ((*loader.FloorPlans().Item(102))->TableFontSize(), 13);
}

TEST_F(PlanLoaderTest, NoPlanInForceLeavesEverythingEmpty) {
    Load();
    Sql("UPDATE tbl_FPOutlet SET RowStatus='D' WHERE OutletID=1");
    Load();
    EXPECT_EQ(loader.FloorPlans().Count(), 0u);
    EXPECT_EQ(loader.DuplicateFPTableNoList(), "");
    // Status rows still get entries, none of them on a plan.
    ASSERT_GT(loader.TableStatuses().Count(), 0u);
    EXPECT_FALSE(Status("A1").ExistsInFP());
}

TEST_F(PlanLoaderTest, OutletOrPeriodZeroLoadsNothing) {
    Load();
    const std::size_t before = loader.TableStatuses().Count();
    loader.SetMPOutletID(0);
    EXPECT_FALSE(loader.LoadFloorplans());
    EXPECT_EQ(loader.TableStatuses().Count(), before);
}

TEST_F(PlanLoaderTest, StatusRowsInAnyCaseUpdateThePlanEntry) {
    Sql("UPDATE tbl_TableStatus SET TableNo='a5', TableStatus='o' WHERE TableNo='A5' AND OutletID=1"
        " DELETE FROM tbl_TableStatus WHERE TableNo='A2' AND OutletID=1");
    Load();
    EXPECT_EQ(Status("A5").GetTableStatus(), "O");
    EXPECT_EQ(Status("A5").TableNo(), "A5");
    EXPECT_TRUE(Status("A5").ExistsInFP());
    // A table without a status row is still a table on the plan.
    EXPECT_EQ(Status("A2").GetTableStatus(), "");
    EXPECT_TRUE(Status("A2").ExistsInFP());
    // The Banquet Hall is not in force at a weekday lunch: its rows are kept, off the plan.
    EXPECT_FALSE(Status("R1").ExistsInFP());
}

struct BlockCase {
    int offset;  // from the view's date
    std::vector<std::string> blocked;
};

// A11: from D to D+2; A12: from D+1 on; A13: up to D+1; A14: no dates.
TEST_F(PlanLoaderTest, BlockDatesAreInclusiveAndOpenEnded) {
    auto d = [](int n) { return "'" + Day(kDays + n) + "'"; };
    Sql("INSERT INTO tbl_TableBlock (OutletID, MPOutletID, TableNo, BeginDate, EndDate,"
        " BlockUserID, Remark, RowStatus) VALUES"
        " (1, 12, 'A11', " +
        d(0) + ", " + d(2) +
        ", 3, 'both', 'A'),"
        " (1, 12, 'A12', " +
        d(1) +
        ", NULL, 3, 'from', 'A'),"
        " (1, 12, 'A13', NULL, " +
        d(1) +
        ", 3, 'until', 'A'),"
        " (1, 12, 'A14', NULL, NULL, 3, 'never', 'A'),"
        " (1, 12, 'ZZ9', NULL, " +
        d(9) + ", 3, 'no such table', 'A')");
    const BlockCase cases[] = {
        {-1, {"A13"}},       {0, {"A11", "A13"}}, {1, {"A11", "A12", "A13"}},
        {2, {"A11", "A12"}}, {3, {"A12"}},
    };
    for (const BlockCase& c : cases) {
        SCOPED_TRACE(c.offset);
        Load(kLunch, kDays + c.offset);
        std::vector<std::string> blocked;
        for (const char* no : {"A11", "A12", "A13", "A14"})
            if (Status(no).Block()) blocked.push_back(no);
        EXPECT_EQ(blocked, c.blocked);
        EXPECT_EQ(loader.GetTableStatus("ZZ9"), nullptr);
    }
    g_nLanguage = 2;
    Load(kLunch, kDays + 1);
    const TableStatus& a12 = Status("A12");
    EXPECT_EQ(a12.BlockRemark(), "from");
    EXPECT_EQ(a12.BlockUserID(), 3);
    EXPECT_GT(a12.TableBlockID(), 0);
    EXPECT_EQ(a12.BlockUserName(), "Rita Chan");  // no name in language 2: English
    g_nLanguage = 1;
    Load(kLunch, kDays + 1);
    EXPECT_EQ(Status("A12").BlockUserName(), "Rita Chan");
}

TEST_F(PlanLoaderTest, HoldsMarkTheirTablesOnly) {
    const std::string day = Day(kDays);
    Sql("INSERT INTO tbl_TableTemp (OutletID, MPOutletID, ReserveDate, TableNo, RowStatus) VALUES"
        " (1, 12, '" +
        day + "', 'A3', 'A'), (1, 13, '" + day +
        "', 'A4', 'A'),"
        " (1, 12, '" +
        day + "', 'A6', 'D'), (1, 12, '" + day + "', 'ZZ1', 'A')");
    // A hold past the time-out (30 minutes) no longer counts.
    Sql("INSERT INTO tbl_TableTemp (OutletID, MPOutletID, ReserveDate, TableNo, HoldDT, "
        "RowStatus) VALUES (1, 12, '" +
        day + "', 'A7', DATEADD(minute, -31, GetDate()), 'A'), (1, 12, '" + day +
        "', 'A8', DATEADD(minute, -29, GetDate()), 'A')");
    Load();
    EXPECT_TRUE(Status("A3").TableLock());
    EXPECT_FALSE(Status("A7").TableLock());
    EXPECT_TRUE(Status("A8").TableLock());
    EXPECT_FALSE(Status("A4").TableLock());  // held for dinner
    EXPECT_FALSE(Status("A6").TableLock());  // released
    EXPECT_EQ(loader.GetTableStatus("ZZ1"), nullptr);
}

// The server stamps HoldDT; a workstation whose clock runs 4 minutes fast
// (within the tolerance) still sees a hold of 29.5 minutes as in force, as
// the server does, and one of 31 minutes as expired.
TEST_F(PlanLoaderTest, HoldTimeOutRunsOnTheServersClock) {
    const std::string day = Day(kDays);
    Sql("INSERT INTO tbl_TableTemp (OutletID, MPOutletID, ReserveDate, TableNo, HoldDT, "
        "RowStatus) VALUES (1, 12, '" +
        day + "', 'A7', DATEADD(minute, -31, GetDate()), 'A'), (1, 12, '" + day +
        "', 'A8', DATEADD(second, -1770, GetDate()), 'A')");
    ::setenv("CULINAROTABLE_CLOCK_SKEW_MINUTES", "4", 1);
    const bool loaded = g_oConfig->Load(db1);
    const int64_t lead = g_oConfig->ServerClockLead();
    Load();
    ::unsetenv("CULINAROTABLE_CLOCK_SKEW_MINUTES");
    ASSERT_TRUE(loaded);
    EXPECT_LE(std::abs(lead + 240), 1);
    EXPECT_FALSE(Status("A7").TableLock());
    EXPECT_TRUE(Status("A8").TableLock());
}

// R1 has a status row but stands on the Banquet Hall, not in force at a
// weekday lunch: its entry exists, yet a hold or block of it flags nothing.
TEST_F(PlanLoaderTest, HoldsAndBlocksOfTablesOffThePlanChangeNothing) {
    const std::string day = Day(kDays);
    Sql("INSERT INTO tbl_TableTemp (OutletID, MPOutletID, ReserveDate, TableNo, RowStatus) VALUES"
        " (1, 12, '" +
        day +
        "', 'R1', 'A') INSERT INTO tbl_TableBlock (OutletID, MPOutletID, TableNo, BeginDate,"
        " EndDate, BlockUserID, Remark, RowStatus) VALUES (1, 12, 'r1', '" +
        day + "', '" + day + "', 3, 'off plan', 'A')");
    Load();
    const TableStatus& r1 = Status("R1");
    EXPECT_FALSE(r1.ExistsInFP());
    EXPECT_FALSE(r1.TableLock());
    EXPECT_FALSE(r1.Block());
    EXPECT_EQ(r1.TableBlockID(), 0);
    EXPECT_EQ(r1.BlockRemark(), "");
}

TEST_F(PlanLoaderTest, SecondServerAndMissingServer) {
    loader.SetOutlet(3, 2, &db2);
    loader.SetMPOutletID(31);
    loader.SetResvDate(Date(0));
    ASSERT_TRUE(loader.LoadFloorplans());
    ASSERT_TRUE(loader.LoadTableStatuses());
    EXPECT_EQ(loader.FloorPlans().Keys(), (std::vector<int32_t>{301, 302}));
    EXPECT_TRUE(Status("D1").Block());  // deck maintenance around today

    PlanLoader lost("FutureView");
    lost.SetOutlet(3, 2, nullptr);
    lost.SetMPOutletID(31);
    EXPECT_FALSE(lost.LoadFloorplans());
    EXPECT_NE(DayLogs().find("[FutureView:LoadFloorplans]:0:,Cannot retrieve DBServer : 2"),
              std::string::npos)
        << DayLogs();
}

// The server clock is 90 seconds ahead; telephone booking opens at noon.
TEST_F(PlanLoaderTest, BookingStartsAtTheServersTime) {
    struct Case {
        bool orba;
        const char* workstation;
        bool notStarted;
    };
    const Case cases[] = {
        {true, "11:58:29", true}, {true, "11:58:31", false}, {false, "11:58:29", false}};
    Load();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.workstation);
        g_oConfig->SetORBAMode(c.orba);
        DateTime now = Date(kDays);
        const DateTime t = *DateTime::Parse(c.workstation);
        now.Hour = t.Hour, now.Minute = t.Minute, now.Second = t.Second;
        loader.SetClock([now] { return now; });
        loader.SetSvrTimeDiff(90);
        loader.SetPhoneBookingDT(Date(kDays).AddSeconds(12 * 3600));
        for (auto& [no, s] : loader.TableStatuses())
            s->SetNotStartBook(false);
        ASSERT_TRUE(loader.LoadTableStatuses());
        EXPECT_EQ(Status("A1").NotStartBook(), c.notStarted);
    }
}

// The database's GetDate() is the server's clock; the workstation's runs
// slow, fast or far off, its clock standing within a minute where a lead
// counted from the minute alone would be up to a minute too large.
TEST_F(PlanLoaderTest, ServerClockLeadIsTrueToTheSecond) {
    loader.SetOutlet(1, 1, &db1);
    for (int64_t lead : {0, 150, -45, -3725, 86400 + 7}) {
        SCOPED_TRACE(lead);
        const int64_t offset = -lead + (50 - DateTime::SystemNow().Second);
        loader.SetClock([offset] { return DateTime::SystemNow().AddSeconds(offset); });
        ASSERT_TRUE(loader.LoadSvrTimeDiff());
        EXPECT_LE(std::abs(loader.SvrTimeDiff() + offset), 1);
    }
}

TEST_F(PlanLoaderTest, RaceMeetingTimesComeFromTheSchedule) {
    const DateTime now = DateTime::Now();
    Sql("INSERT INTO tbl_ORBA_RaceSchedule (RaceID, MeetingDate, RowStatus) VALUES (1, '" +
        Day(kDays) +
        "', 'A') INSERT INTO tbl_ORBA_OutletSchedule (RaceID, OutletID, OnCourseDT,"
        " PhoneBookingDT, RowStatus) VALUES (1, 1, '" +
        now.AddSeconds(-3600).ToText() + "', '" + now.AddSeconds(3600).ToText() +
        "', 'A') UPDATE tbl_FPTable SET ReserveMode='o' WHERE"
        " TableNo='A1'");
    g_oConfig->SetORBAMode(true);
    Load();
    EXPECT_EQ(loader.PhoneBookingDT().ToText(), now.AddSeconds(3600).ToText());
    EXPECT_LT(std::abs(loader.SvrTimeDiff()), 60);
    EXPECT_FALSE(Status("A1").NotStartBook());  // on-course booking has begun
    EXPECT_TRUE(Status("A2").NotStartBook());   // telephone booking has not
}

}  // namespace
