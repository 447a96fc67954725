// The venue commands of the console, run in a signed-in workstation on a
// demo installation.
#include <gtest/gtest.h>

#include <algorithm>

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
        ui.SetOutputTerminal(people);
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
    bool people = false;  // output read on a terminal

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

TEST_F(VenueCommandsTest, PlanOfAnotherDayShowsHoldsAndBlocksButNoLiveState) {
    const std::string day = DateTime::Now().AddDays(12).DateText();
    inst.Sql(
        "INSERT INTO tbl_TableBlock (OutletID, MPOutletID, TableNo, BeginDate, BlockUserID,"
        " Remark, RowStatus) VALUES (1, 12, 'A11', '" +
        day +
        "', 2, 'VIP\tcorner', 'A')"
        " INSERT INTO tbl_TableTemp (OutletID, MPOutletID, ReserveDate, TableNo, RowStatus)"
        " VALUES (1, 12, '" +
        day + "', 'A12', 'A')");
    const auto lines = Run("plan HBR " + day + " 02LUN");
    ASSERT_EQ(lines.size(),
              1u + 2u + 40u + 17u);  // note, plans, Main Dining's and Terrace's tables
    EXPECT_EQ(lines[0], "note\tLive table states are shown for today only");
    EXPECT_NE(Line(lines, "plan\t101\tMAIN\tMain Dining\t1\t"), "");
    EXPECT_NE(Line(lines, "plan\t102\tTERR\tTerrace\t2\t"), "");
    EXPECT_EQ(Line(lines, "table\tA11\t"),
              "table\tA11\tMAIN\t4\t-\t0\t1\tMorgan Lee\tVIP corner\t\t0");
    EXPECT_EQ(Line(lines, "table\tA12\t"), "table\tA12\tMAIN\t4\t-\t1\t0\t\t\t\t0");
    EXPECT_EQ(Line(lines, "table\tB16\tMAIN\t"), "table\tB16\tMAIN\t4\t-\t0\t0\t\t\t\t1");
    EXPECT_NE(Line(lines, "table\tB16\tTERR\t"), "");
}

TEST_F(VenueCommandsTest, PlanOfTodayShowsTheLiveStatesAndColours) {
    inst.Sql(
        "UPDATE tbl_TableStatus SET TableStatus='V', ReserveID=0 WHERE OutletID=1"
        " UPDATE tbl_TableStatus SET TableStatus='O' WHERE OutletID=1 AND TableNo='A5'"
        " UPDATE tbl_TableStatus SET ReserveID=(SELECT MIN(ReserveID) FROM"
        " tbl_Reservation WHERE ArrivalTime IS NOT NULL) WHERE OutletID=1 AND TableNo='A13'");
    const auto lines = Run("plan HBR today 02LUN");
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(Line(lines, "note"), "");
    EXPECT_NE(Line(lines, "table\tA13\tMAIN\t2\tV\t"), "");
    EXPECT_NE(Line(lines, "table\tA13\t").find("\t#FFFF80\t"), std::string::npos);
    EXPECT_NE(Line(lines, "table\tA5\t").find("\tO\t"), std::string::npos);
    EXPECT_NE(Line(lines, "table\tA2\t").find("\tV\t"), std::string::npos);
    EXPECT_NE(Line(lines, "table\tA2\t").find("\t#80E080\t"), std::string::npos);
}

TEST_F(VenueCommandsTest, NamesFallBackToEnglishWhereTheLanguageIsBlank) {
    const std::string day = DateTime::Now().AddDays(12).DateText();
    inst.Sql(
        "UPDATE tbl_Outlet SET NameL2='' WHERE OutletCode='HBR'"
        " UPDATE tbl_Outlet SET NameL2=N'\u7fe0\u5712' WHERE OutletCode='JDE'"
        " UPDATE tbl_MPOutlet SET NameL2=' ' WHERE MPOutletID=21"
        " UPDATE tbl_FloorPlan SET NameL2=NULL WHERE FPID=101"
        " UPDATE tbl_User SET NameL2='' WHERE UserID=2 OR LoginID='reception'"
        " INSERT INTO tbl_TableBlock (OutletID, MPOutletID, TableNo, BeginDate, BlockUserID,"
        " RowStatus) VALUES (1, 12, 'A11', '" +
        day + "', 2, 'A')");
    Run("whoami");  // signs in while the language is still the first
    g_nLanguage = 2;
    struct Case {
        const char* line;
        const char* prefix;
        const char* expected;
    } cases[] = {
        {"whoami", "reception\t", "reception\tRita Chan\t"},
        {"outlets", "HBR\t", "HBR\t1\tHarbour Grill\t"},
        {"outlets", "JDE\t", "JDE\t2\t\u7fe0\u5712\t"},
        {"periods JDE", "21\t", "21\t01LUN\tLunch\t"},
        {"plan HBR +12 02LUN", "plan\t101\t", "plan\t101\tMAIN\tMain Dining\t"},
        {"plan HBR +12 02LUN", "table\tA11\t", "table\tA11\tMAIN\t4\t-\t0\t1\tMorgan Lee\t"},
    };
    for (const Case& c : cases) {
        std::string line = c.line;
        if (auto p = line.find("+12"); p != std::string::npos) line.replace(p, 3, day);
        EXPECT_EQ(Line(Run(line), c.prefix).substr(0, std::string(c.expected).size()), c.expected)
            << c.line;
    }
    g_nLanguage = 1;
}

TEST_F(VenueCommandsTest, ListsForPeopleAreAlignedUnderAHeaderAndInNaturalOrder) {
    inst.Sql("UPDATE tbl_TableStatus SET TableStatus='V', ReserveID=0 WHERE OutletID=1");
    people = true;
    const auto outlets = Run("outlets");
    ASSERT_EQ(outlets.size(), 3u);
    EXPECT_EQ(outlets[0], "Code  ID  Name           Server ID  Server");
    EXPECT_EQ(outlets[1], "HBR   1   Harbour Grill  1          DB1");
    const auto lines = Run("plan HBR today 02LUN");
    // The plans' block, then the tables' block, each under its header.
    ASSERT_GE(lines.size(), 3u + 1u + 57u);
    EXPECT_EQ(lines[0].substr(0, 18), "Plan ID  Plan  Nam");
    std::vector<std::string> mainTables;
    std::size_t header = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].rfind("Table ", 0) == 0) header = i;
        if (header != 0 && i > header && lines[i].find(" MAIN ") != std::string::npos)
            mainTables.push_back(lines[i].substr(0, lines[i].find(' ')));
    }
    ASSERT_NE(header, 0u);
    EXPECT_NE(lines[header].find("State"), std::string::npos);
    auto a2 = std::find(mainTables.begin(), mainTables.end(), "A2");
    auto a10 = std::find(mainTables.begin(), mainTables.end(), "A10");
    ASSERT_NE(a2, mainTables.end());
    ASSERT_NE(a10, mainTables.end());
    EXPECT_LT(a2, a10);
    EXPECT_NE(Line(lines, "A2 ").find("V Vacant"), std::string::npos) << Line(lines, "A2 ");
    // Every row of the tables' block starts its columns where the header does.
    const std::size_t seats = lines[header].find("Seats");
    for (std::size_t i = header + 1; i < lines.size(); ++i) {
        ASSERT_GT(lines[i].size(), seats) << lines[i];
        EXPECT_TRUE(lines[i][seats - 1] == ' ' && lines[i][seats] != ' ') << lines[i];
    }
}

}  // namespace
