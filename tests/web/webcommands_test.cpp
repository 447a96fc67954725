// The web commands of the console in a signed-in workstation on a demo
// installation, against the simulator loaded with the demo's own file.
#include <gtest/gtest.h>

#include "app/shell.h"
#include "platform/userinterface.h"
#include "support/installation.h"
#include "users/signin.h"
#include "websim/websimulator.h"

namespace {

using websim::Fault;
using Lines = std::vector<std::string>;

class WebCommandsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(sim.LoadConfigFile(inst.Root() + "/Data/websim.json", error)) << error;
        ASSERT_TRUE(sim.Start("127.0.0.1", 0, error)) << error;
        inst.Sql("UPDATE tbl_Parameter SET ParaValue = '" + sim.Url() +
                 "' WHERE ParaName = 'WebKIVSvrRef';"
                 " UPDATE tbl_Parameter SET ParaValue = '2' WHERE ParaName = 'WEBSVRTIMEOUT'");
        // A day without demo bookings: web bookings of lunch and dinner, a
        // telephone booking and a cancelled web booking that do not count.
        inst.Sql(
            "INSERT INTO tbl_Reservation (DBServerID, OutletID, MPOutletID, ReserveDate,"
            " ReserveCover, ReserveMode, ReserveType, RowStatus) VALUES"
            " (1, 1, 13, '" +
            day + "', 4, 'I', 'N', 'A'), (1, 1, 13, '" + day +
            "', 3, 'I', 'N', 'A'), (1, 1, 13, '" + day +
            "', 5, 'T', 'N', 'A'),"
            " (1, 1, 13, '" +
            day + "', 2, 'I', 'N', 'X'), (1, 1, 12, '" + day + "', 2, 'I', 'N', 'A')");
    }

    Lines Run(const std::string& line) {
        ScopedUserInterface scoped(ui);
        if (!started_) {
            EXPECT_TRUE(inst.StartInProcess());
            EXPECT_TRUE(SignIn().CheckLogin("admin", "admin123", 1));
            started_ = true;
        }
        ui.Clear();
        Shell shell;
        shell.Execute(line);
        return ui.Texts("print");
    }

    TestInstallation inst;
    websim::WebBookingSimulator sim;
    ScriptedUserInterface ui;
    const std::string day = DateTime::Now().AddDays(150).DateText();

  private:
    bool started_ = false;
};

TEST_F(WebCommandsTest, GridShowsAllottedUsedAndLeft) {
    EXPECT_EQ(Run("web allot hbr " + day), (Lines{
                                               "Lunch\t11:30\t15:00\tActive\tWindow\t2\t2\t2\t-",
                                               "Lunch\t11:30\t15:00\tActive\tWindow\t4\t3\t2\t-",
                                               "Lunch\t11:30\t15:00\tActive\tTerrace\t2\t1\t2\t-",
                                               "Lunch\t11:30\t15:00\tActive\tTerrace\t4\t1\t2\t-",
                                               "Dinner\t18:00\t22:30\tActive\tWindow\t2\t2\t7\t-",
                                               "Dinner\t18:00\t22:30\tActive\tWindow\t4\t3\t7\t-",
                                               "Dinner\t18:00\t22:30\tActive\tCentre\t6\t1\t7\t-",
                                           }));
    // Covers against covers give what is left; Supper starts when Dinner
    // ends and is counted as Supper.
    const Lines sky = Run("web allot SKY " + day);
    ASSERT_EQ(sky.size(), 5u);
    EXPECT_EQ(sky[1], "Dinner\t18:00\t23:00\tActive\tLounge\t4\t12\t0\t12");
    EXPECT_EQ(sky[4], "Supper\t23:00\t03:00\tInactive\tLounge\t2\t6\t0\t6");
    EXPECT_NE(inst.Query("SELECT * FROM tbl_UserLog WHERE Remark = 'View Alloment,Date=" + day +
                         ",Outlet Code=HBR'")
                  ->RecordCount(),
              0);
}

TEST_F(WebCommandsTest, EditsGoBackToTheServiceForThatDateOnly) {
    EXPECT_EQ(Run("web set HBR " + day + " dinner WINDOW 4 9"),
              Lines{"Outlet:HBR,updated success!"});
    EXPECT_EQ(Run("web period HBR " + day + " Lunch inactive"),
              Lines{"Outlet:HBR,updated success!"});
    const Lines grid = Run("web allot HBR " + day);
    ASSERT_EQ(grid.size(), 7u);
    EXPECT_EQ(grid[0], "Lunch\t11:30\t15:00\tInactive\tWindow\t2\t2\t2\t-");
    EXPECT_EQ(grid[5], "Dinner\t18:00\t22:30\tActive\tWindow\t4\t9\t7\t-");
    // The rest of the configuration went back as it came.
    std::string expected = sim.DateConfig("HBR", "1900-01-01");
    const auto lunchActive = expected.find(R"("perd_active":"A")");
    expected.replace(lunchActive, 17, R"("perd_active":"I")");
    const std::string nine = R"("table_size":4,"allot_num":3)";
    expected.replace(expected.find(nine, expected.find("Dinner")), nine.size(),
                     R"("table_size":4,"allot_num":9)");
    EXPECT_EQ(sim.DateConfig("HBR", day), expected);
    EXPECT_EQ(Run("web allot HBR " + DateTime::Now().AddDays(151).DateText())[5],
              "Dinner\t18:00\t22:30\tActive\tWindow\t4\t3\t0\t-");
    EXPECT_EQ(sim.OpenSessions(), 0u);  // every command signs out
}

TEST_F(WebCommandsTest, WrongInputIsRefusedBeforeAnythingIsWritten) {
    const std::pair<std::string, Lines> cases[] = {
        {"web allot JDE " + day, {"This outlet takes no web bookings: JDE"}},
        {"web slot JDE " + day + " 21 4 12:00 13:00 2 inactive",
         {"This outlet takes no web bookings: JDE"}},
        {"web set HBR " + day + " Brunch Window 4 9", {"Unknown web period: Brunch"}},
        {"web set HBR " + day + " Dinner Window 8 1",
         {"No allotment for this section and table size: Dinner Window 8"}},
        {"web set HBR " + day + " Dinner Window four 1", {"Invalid table size: four"}},
        {"web period HBR " + day + " Dinner maybe", {"Give active or inactive: maybe"}},
        {"web allot HBR 2026-02-30", {"Invalid date (use yyyy-mm-dd or today): 2026-02-30"}},
        {"web set HBR " + day + " Dinner", {"Usage: web set OUTLET DATE WEBPERIOD SECTION SIZE N"}},
    };
    for (const auto& [line, answer] : cases)
        EXPECT_EQ(Run(line), answer) << line;
    EXPECT_EQ(sim.DateConfig("HBR", day), sim.DateConfig("HBR", "1900-01-01"));
}

TEST_F(WebCommandsTest, ServiceFailuresSayWhatHappenedAndChangeNothing) {
    const std::string before = sim.DateConfig("HBR", day);
    const struct {
        const char* op;
        Fault fault;
        std::string message;
    } cases[] = {
        {"GetDateConfig", Fault::kNotJson,
         "The web booking service sent no valid date configuration: Invalid JSON"},
        {"GetDateConfig", Fault::kEmpty,
         "The web booking service sent no date configuration: HBR " + day},
        {"GetDateConfig", Fault::kHttpError,
         "The web booking service answered with HTTP status: 503"},
        {"Login", Fault::kSoapFault,
         "The web booking service reported a fault: Simulated failure of Login"},
        {"SetDateConfig", Fault::kSoapFault,
         "The web booking service reported a fault: Simulated failure of SetDateConfig"},
        {"SetDateConfig", Fault::kSlow, "The web booking service did not answer in time: 2000 ms"},
    };
    for (const auto& c : cases) {
        sim.SetFault(c.op, c.fault, 6000);
        const Lines grid = Run("web allot HBR " + day);
        if (std::string(c.op) != "SetDateConfig") {
            EXPECT_EQ(grid, Lines{c.message}) << c.op;
        }
        EXPECT_EQ(Run("web set HBR " + day + " Dinner Window 4 1"),
                  (Lines{c.message, "Outlet:HBR,updated fail!"}))
            << c.op;
        sim.SetFault(c.op, Fault::kNone);
    }
    EXPECT_EQ(sim.DateConfig("HBR", day), before);
    sim.Stop();
    const Lines gone = Run("web allot HBR " + day);
    ASSERT_EQ(gone.size(), 1u);
    EXPECT_EQ(gone[0].rfind("Cannot reach the web booking service: " + sim.Url(), 0), 0u)
        << gone[0];
}

TEST_F(WebCommandsTest, TimeSlotsReplaceTheClosedSlotsOfATableSize) {
    EXPECT_EQ(Run("web slot HBR " + day + " 03DIN 4 19:00 20:00 2 inactive"),
              Lines{"HBR\t" + day + "\t03DIN\t19:00\t20:00\t4\t2\tInactive"});
    Run("web slot HBR " + day + " 13 4 20:00 21:00 2 inactive");
    Run("web slot HBR " + day + " 13 2 19:00 20:00 1 inactive");
    Run("web slot HBR " + day + " 13 4 21:00 22:00 4 active");
    auto rs = inst.Query(
        "SELECT TableSize, Convert(varchar(5), StartTime, 108), Convert(varchar(5), EndTime, 108),"
        " MinPax, ReserveTimeStatus, RowStatus,"
        " IsNull(SubmitStatus, 'null') FROM tbl_WebReserveTimeSetting WHERE OutletCode = 'HBR'"
        " AND ReserveDate = '" +
        day + "' AND MPOutletID = 13 ORDER BY WebReserveTimeSettingID");
    Lines rows;
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        std::string row;
        for (int i = 0; i < rs->FieldCount(); ++i)
            row += (i > 0 ? " " : "") + rs->Field(i)->ToText();
        rows.push_back(row);
    }
    EXPECT_EQ(rows, (Lines{"2 19:00 20:00 1 i A null", "4 21:00 22:00 4 a A null"}));
}

}  // namespace
