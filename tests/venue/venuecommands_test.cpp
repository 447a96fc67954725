// The venue commands of the console, run in a signed-in workstation on a
// demo installation.
#include <gtest/gtest.h>

#include "app/shell.h"
#include "core/globals.h"
#include "platform/userinterface.h"
#include "support/installation.h"
#include "users/signin.h"

namespace {

class VenueCommandsTest : public ::testing::Test {
  protected:
    // Signs `login` in and runs one command line; the printed lines.
    std::vector<std::string> Run(const std::string& line, const std::string& login = "reception") {
        ScopedUserInterface scoped(ui);
        if (!started_) {
            EXPECT_TRUE(inst.StartInProcess());
            EXPECT_TRUE(SignIn().CheckLogin(login, login + "123", 1));
            started_ = true;
        }
        ui.Clear();
        Shell shell;
        shell.Execute(line);
        return ui.Texts("print");
    }
    // The printed line that starts with `prefix`; "" when none does.
    static std::string Line(const std::vector<std::string>& lines, const std::string& prefix) {
        for (const auto& l : lines)
            if (l.rfind(prefix, 0) == 0) return l;
        return {};
    }

    TestInstallation inst;
    ScriptedUserInterface ui;

  private:
    bool started_ = false;
};

TEST_F(VenueCommandsTest, OutletsListsOnlyThePermittedOnes) {
    EXPECT_EQ(Run("outlets"), (std::vector<std::string>{"HBR\t1\tHarbour Grill\t1\tDB1",
                                                        "JDE\t2\tJade Garden\t1\tDB1"}));
    EXPECT_EQ(Run("plan SKY today 31"),
              std::vector<std::string>{"You are not permitted to use this outlet: SKY"});
}

TEST_F(VenueCommandsTest, BadArgumentsGetAClearAnswer) {
    const std::pair<const char*, const char*> cases[] = {
        {"periods", "Usage: periods OUTLET"},
        {"periods NOPE", "Unknown outlet: NOPE"},
        {"period HBR 24:00", "Invalid time (use HH:MM): 24:00"},
        {"period HBR 7:5", "Invalid time (use HH:MM): 7:5"},
        {"plan HBR 2024-02-30 12", "Invalid date (use yyyy-mm-dd or today): 2024-02-30"},
        {"plan HBR 2024-2-3 12", "Invalid date (use yyyy-mm-dd or today): 2024-2-3"},
        {"plan HBR today 21", "Unknown meal period: 21"},  // Jade Garden's lunch
        {"period JDE 02:00", "No meal period at this time"},
    };
    for (const auto& [line, answer] : cases)
        EXPECT_EQ(Run(line), std::vector<std::string>{answer}) << line;
}

TEST_F(VenueCommandsTest, PeriodsAndThePeriodOfATime) {
    const auto periods = Run("periods jde");
    ASSERT_EQ(periods.size(), 3u);
    EXPECT_EQ(periods[0], "21\t01LUN\tLunch\t11:00\t13:00\t13:15\t15:00");
    EXPECT_EQ(periods[2], "23\t03SUP\tSupper\t22:00\t02:00\t02:00\t02:00");
    EXPECT_EQ(Run("period 2 1:15"), std::vector<std::string>{"23\t03SUP\tSupper"});
}

TEST_F(VenueCommandsTest, PlanShowsEveryTableWithItsFacts) {
    const std::string day = DateTime::Now().AddDays(12).DateText();
    inst.Sql(
        "INSERT INTO tbl_TableBlock (OutletID, MPOutletID, TableNo, BeginDate, BlockUserID,"
        " Remark, RowStatus) VALUES (1, 12, 'A11', '" +
        day +
        "', 2, 'VIP\tcorner', 'A')"
        " INSERT INTO tbl_TableTemp (OutletID, MPOutletID, ReserveDate, TableNo, RowStatus)"
        " VALUES (1, 12, '" +
        day +
        "', 'A12', 'A')"
        " UPDATE tbl_TableStatus SET TableStatus='V', ReserveID=0 WHERE OutletID=1"
        " UPDATE tbl_TableStatus SET ReserveID=(SELECT MIN(ReserveID) FROM"
        " tbl_Reservation WHERE ArrivalTime IS NOT NULL) WHERE OutletID=1 AND TableNo='A13'");
    const auto lines = Run("plan HBR " + day + " 02LUN");
    ASSERT_EQ(lines.size(), 2u + 40u + 17u);  // plans, then Main Dining's and the Terrace's tables
    EXPECT_NE(Line(lines, "plan\t101\tMAIN\tMain Dining\t1\t"), "");
    EXPECT_NE(Line(lines, "plan\t102\tTERR\tTerrace\t2\t"), "");
    EXPECT_EQ(Line(lines, "table\tA11\t"),
              "table\tA11\tMAIN\t4\tV\t0\t1\tMorgan Lee\tVIP corner\t#80E080\t0");
    EXPECT_EQ(Line(lines, "table\tA12\t"), "table\tA12\tMAIN\t4\tV\t1\t0\t\t\t#80E080\t0");
    EXPECT_EQ(Line(lines, "table\tA13\t"), "table\tA13\tMAIN\t2\tV\t0\t0\t\t\t#FFFF80\t0");
    EXPECT_EQ(Line(lines, "table\tB16\tMAIN\t"), "table\tB16\tMAIN\t4\tV\t0\t0\t\t\t#80E080\t1");
    EXPECT_NE(Line(lines, "table\tB16\tTERR\t"), "");
}

}  // namespace
