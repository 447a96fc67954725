// The availability statistics against a demo installation: tables per size
// (shared tables, plans that draw one number twice, blocks, web allotment,
// booking windows), reservations per party size, covers per interval, and
// the console command's records.
#include "reservations/resvstat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "core/config.h"
#include "core/globals.h"
#include "registry/dbconnections.h"
#include "reservations/kivfunc.h"
#include "support/installation.h"

namespace {

constexpr int kHarbour = 1, kJade = 2;
constexpr int kDinner = 13, kSupper = 23;

// Days past the demo's bookings, weekends and holidays: the default plans
// (Main Dining and Terrace, which both draw B16) are in force.
DateTime Ahead(int days) {
    return DateTime::Now().DatePart().AddDays(days);
}

class StatsTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(inst.StartInProcess()); }

    void Param(const char* name, const char* value) {
        inst.Sql(std::string("UPDATE tbl_Parameter SET ParaValue='") + value +
                 "' WHERE ParaName='" + name + "'");
        ASSERT_TRUE(g_oConfig->Load(*DefaultSQLDB()));
    }
    std::string One(const std::string& sql) {
        auto rs = inst.Query(sql);
        return rs == nullptr || rs->Eof() ? "" : rs->Field(0)->ToText();
    }

    // A reservation of `day`, bound to `table` (when given) with `occupied` seats.
    struct Resv {
        int mp = kDinner;
        const char* time = "19:30";
        int cover = 2;
        const char* type = "N";
        const char* mode = "'T'";      // SQL literal: NULL allowed
        const char* confirm = "NULL";  // SQL literal
        int adult = 0, children = 0;
        const char* status = "A";
        const char* table = "";
        int capacity = 0, occupied = 0;
        int outlet = kHarbour;
    };
    void Add(const DateTime& day, const Resv& r) {
        inst.Sql(
            "INSERT INTO tbl_Reservation (DBServerID, OutletID, MPOutletID, ReserveDate, "
            "ReserveTime, ReserveCover, ReserveType, ReserveMode, ConfirmStatus, DYAdult, "
            "DYChildren, RowStatus) VALUES (1, " +
            std::to_string(r.outlet) + ", " + std::to_string(r.mp) + ", '" + day.DateText() +
            "', '" + r.time + "', " + std::to_string(r.cover) + ", '" + r.type + "', " + r.mode +
            ", " + r.confirm + ", " + std::to_string(r.adult) + ", " + std::to_string(r.children) +
            ", '" + r.status + "')");
        if (*r.table == '\0') return;
        inst.Sql(
            "INSERT INTO tbl_TableReserve (DBServerID, ReserveID, TableNo, Capacity, "
            "Occupied, RowStatus) SELECT 1, MAX(ReserveID), '" +
            std::string(r.table) + "', " + std::to_string(r.capacity) + ", " +
            std::to_string(r.occupied) + ", 'A' FROM tbl_Reservation");
    }

    TableStats Tables(const DateTime& day, int mp = kDinner) {
        TableStats stats;
        EXPECT_TRUE(func.GetTableStat(kHarbour, day, mp, stats)) << func.ErrDescription();
        return stats;
    }

    TestInstallation inst;
    KIVFunc func;
};

TEST_F(StatsTest, TablesCountOncePerNumberAndSharedTablesAddTheirSeats) {
    const DateTime day = Ahead(50);
    // Two parties on one four-seater, one on another; a settled party on a
    // six-seater; a cancelled one on a two-seater.
    Add(day, {.cover = 2, .table = "A11", .capacity = 4, .occupied = 2});
    Add(day, {.cover = 1, .table = "A11", .capacity = 4, .occupied = 1});
    Add(day, {.cover = 4, .table = "A12", .capacity = 4, .occupied = 4});
    Add(day, {.cover = 6, .status = "C", .table = "Q6", .capacity = 6, .occupied = 6});
    Add(day, {.cover = 2, .status = "X", .table = "A1", .capacity = 2, .occupied = 2});
    struct Case {
        const char* settled;
        int booked6;
    };
    for (const Case c : {Case{"1", 1}, Case{"0", 0}}) {
        Param(kStatIncludeSettledParam, c.settled);
        TableStats stats = Tables(day);
        EXPECT_EQ(stats[4].ResvCnt, 2) << c.settled;
        EXPECT_EQ(stats[4].ResvOcp, 7) << c.settled;
        EXPECT_EQ(stats[6].ResvCnt, c.booked6) << c.settled;
        EXPECT_EQ(stats[6].TblCap, 6);
        EXPECT_EQ(stats[2].ResvCnt, 0) << "a cancelled party books nothing";
    }

    // B16 stands on both plans in force and is one table.
    const std::string plans = "FPID IN (101, 102) AND RowStatus='A'";
    const int numbers =
        std::stoi(One("SELECT COUNT(DISTINCT TableNo) FROM tbl_FPTable WHERE " + plans));
    ASSERT_LT(numbers, std::stoi(One("SELECT COUNT(*) FROM tbl_FPTable WHERE " + plans)));
    int counted = 0;
    for (const auto& [size, s] : Tables(day))
        counted += s.TblCnt;
    EXPECT_EQ(counted, numbers);
}

TEST_F(StatsTest, BlocksFollowTheirDatesAndWindowsAndWebAllotmentTheirSwitches) {
    const DateTime day = Ahead(52);
    const std::string d = "'" + day.DateText() + "'";
    const std::string before = "'" + day.AddDays(-3).DateText() + "'";
    const int blocked4Before = Tables(day)[4].TblBkCnt;
    inst.Sql(
        "INSERT INTO tbl_TableBlock (OutletID, MPOutletID, TableNo, BeginDate, EndDate, "
        "RowStatus) VALUES (1, 13, 'A11', " +
        before + ", " + d + ", 'A'), (1, 13, 'A12', " + before +
        ", NULL, 'A'), (1, 13, 'A15', NULL, NULL, 'A'), (1, 13, 'A16', NULL, " + before +
        ", 'A'), (1, 12, 'A19', " + d + ", " + d + ", 'A')");
    EXPECT_EQ(Tables(day)[4].TblBkCnt, blocked4Before + 2) << "A11 and A12 only";

    // Demo allotment of Harbour Grill: two 2-seaters and three 4-seaters.
    EXPECT_EQ(Tables(day)[2].TblWebAllotCnt, 2);
    EXPECT_EQ(Tables(day)[4].TblWebAllotCnt, 3);
    Param("WebBooking", "0");
    for (const auto& [size, s] : Tables(day))
        EXPECT_EQ(s.TblWebAllotCnt, 0) << size;

    // On-course tables wait for their window; telephone booking is open.
    inst.Sql(
        "UPDATE tbl_FPTable SET ReserveMode='O' WHERE TableNo IN ('A11', 'A12') "
        "UPDATE tbl_FPTable SET ReserveMode='P' WHERE TableNo = 'A15' "
        "INSERT INTO tbl_ORBA_RaceSchedule (RaceID, MeetingDate, RowStatus) VALUES (7, " +
        d +
        ", 'A') INSERT INTO tbl_ORBA_OutletSchedule (RaceID, OutletID, OnCourseDT, "
        "PhoneBookingDT, RowStatus) VALUES (7, 1, '" +
        DateTime::Now().AddSeconds(3600).ToText() + "', '" +
        DateTime::Now().AddSeconds(-3600).ToText() + "', 'A')");
    EXPECT_EQ(Tables(day)[4].TblTmBkCnt, 0) << "the switch is off";
    Param(kStatBookingWindowParam, "1");
    EXPECT_EQ(Tables(day)[4].TblTmBkCnt, 2);
    EXPECT_EQ(Tables(Ahead(53))[4].TblTmBkCnt, 0) << "no meeting that day";
}

TEST_F(StatsTest, PartiesCountByKindAndCancelledOnlyAsCancelled) {
    const DateTime day = Ahead(54);
    Add(day, {.cover = 2, .confirm = "1", .adult = 2});
    Add(day, {.cover = 2, .mode = "NULL", .adult = 1, .children = 1});
    Add(day, {.cover = 2, .mode = "'W'", .confirm = "0", .adult = 2});
    Add(day, {.cover = 2, .type = "W", .adult = 2});
    Add(day, {.cover = 2, .confirm = "1", .adult = 2, .status = "X"});
    Add(day, {.cover = 2, .confirm = "1", .adult = 2, .status = "C"});
    Add(day, {.cover = 2, .confirm = "1", .adult = 2, .status = "D"});
    Add(day, {.cover = 5, .confirm = "1", .adult = 5, .status = "X"});

    Param(kStatIncludeSettledParam, "0");
    ResvStats stats;
    ASSERT_TRUE(func.GetResvStat(kHarbour, day, kDinner, stats)) << func.ErrDescription();
    ASSERT_EQ(stats.size(), 2u);
    const ResvStat& two = stats[0];
    EXPECT_EQ(two.ReserveCover, 2);
    EXPECT_EQ(two.Normal.CoverCnt, 2) << "a NULL mode is no walk-in";
    EXPECT_EQ(two.Normal.Cover, 4);
    EXPECT_EQ(two.Normal.Adult, 3);
    EXPECT_EQ(two.Normal.Children, 1);
    EXPECT_EQ(two.Walk.CoverCnt, 1);
    EXPECT_EQ(two.Wait.CoverCnt, 1);
    EXPECT_EQ(two.Confrim.CoverCnt, 1);
    EXPECT_EQ(two.NotConfrim.CoverCnt, 2);
    EXPECT_EQ(two.CxlCoverCnt, 1);
    EXPECT_EQ(two.CxlCover, 2);
    const ResvStat& five = stats[1];
    EXPECT_EQ(five.ReserveCover, 5);
    EXPECT_EQ(five.Normal.CoverCnt + five.Confrim.CoverCnt + five.NotConfrim.CoverCnt, 0);
    EXPECT_EQ(five.CxlCover, 5);

    Param(kStatIncludeSettledParam, "1");
    ASSERT_TRUE(func.GetResvStat(kHarbour, day, kDinner, stats));
    EXPECT_EQ(stats[0].Normal.CoverCnt, 3);
    EXPECT_EQ(stats[0].Confrim.CoverCnt, 2);
    EXPECT_EQ(stats[0].CxlCoverCnt, 1);
}

TEST_F(StatsTest, IntervalsAreHalfOpenListedWhenEmptyAndRunPastMidnight) {
    const DateTime day = Ahead(56);
    Add(day, {.time = "18:30", .cover = 2});
    Add(day, {.time = "19:00", .cover = 3});  // on the boundary
    Add(day, {.time = "20:59", .cover = 4});
    Add(day, {.time = "19:15", .cover = 9, .status = "X"});
    Add(day, {.mp = kSupper, .time = "23:30", .cover = 5, .outlet = kJade});
    Add(day, {.mp = kSupper, .time = "00:00", .cover = 6, .outlet = kJade});
    Add(day, {.mp = kSupper, .time = "01:45", .cover = 7, .outlet = kJade});
    struct Case {
        int outlet, mp;
        std::vector<std::string> expected;  // start-end:capacity:covers
    };
    const Case cases[] = {
        {kHarbour,
         kDinner,
         {"18:00-19:00:40:2", "19:00-20:00:40:3", "20:00-21:00:40:4", "21:00-22:00:40:0",
          "22:00-23:00:40:0"}},
        {kJade,
         kSupper,
         {"22:00-23:00:30:0", "23:00-00:00:30:5", "00:00-01:00:30:6", "01:00-02:00:30:7"}},
    };
    for (const Case& c : cases) {
        IntervalStats stats;
        ASSERT_TRUE(func.GetResvStatByInterval(c.outlet, day, c.mp, stats))
            << func.ErrDescription();
        std::vector<std::string> got;
        for (const IntervalStat& i : stats)
            got.push_back(i.StartTime + "-" + i.EndTime + ":" + std::to_string(i.Capacity) + ":" +
                          std::to_string(i.ReserveCover));
        EXPECT_EQ(got, c.expected);
    }
    // An unknown outlet fails and says which operation.
    IntervalStats none;
    EXPECT_FALSE(func.GetResvStatByInterval(99, day, kDinner, none));
    EXPECT_NE(func.ErrDescription().find("GetResvStatByInterval"), std::string::npos);
}

TEST(StatsCommand, PrintsOneRecordPerLineOfEachKind) {
    TestInstallation inst;
    const RunResult run =
        inst.Start("admin\nadmin123\n1\nstats HBR today 03DIN\nstats XYZ today 03DIN\nquit\ny\n");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    std::map<std::string, std::size_t> fields;  // record kind -> fields per line
    std::vector<std::string> figures;
    std::size_t start = 0;
    while (start < run.output.size()) {
        std::size_t end = run.output.find('\n', start);
        if (end == std::string::npos) end = run.output.size();
        std::string line = run.output.substr(start, end - start);
        start = end + 1;
        const std::size_t prompt = line.rfind("> ");
        if (prompt != std::string::npos) line = line.substr(prompt + 2);
        const std::string kind = line.substr(0, line.find('\t'));
        if (kind == line) continue;
        const std::size_t n = static_cast<std::size_t>(std::count(line.begin(), line.end(), '\t'));
        EXPECT_TRUE(fields.emplace(kind, n + 1).first->second == n + 1) << line;
        if (kind == "figure") figures.push_back(line.substr(7, line.find('\t', 7) - 7));
    }
    EXPECT_EQ(fields, (std::map<std::string, std::size_t>{
                          {"figure", 3}, {"interval", 5}, {"party", 24}, {"tables", 8}}));
    EXPECT_EQ(figures,
              (std::vector<std::string>{"remaining", "available", "outlet_capacity", "turnover",
                                        "occupied", "blocked", "time_blocked", "allotment"}));
    EXPECT_NE(run.output.find("Unknown outlet: XYZ"), std::string::npos) << run.output;
}

}  // namespace
