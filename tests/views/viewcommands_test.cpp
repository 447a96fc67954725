// The view commands of the console, in a whole signed-in session on a demo
// installation (no KIV server listening: the views open all the same).
#include <gtest/gtest.h>

#include <algorithm>

#include "app/shell.h"
#include "viewfixture.h"

namespace {

class ViewCommandsTest : public ViewTest {
  protected:
    // Signs in, runs the commands, ends with the input; the printed lines.
    std::vector<std::string> Session(const std::vector<std::string>& commands) {
        ui.Clear();
        for (const char* line : {"reception", "reception123", "1"})
            ui.QueueLine(line);
        for (const auto& c : commands)
            ui.QueueLine(c);
        Shell shell;
        shell.Run();
        auto lines = ui.Texts("print");
        // Up to the sign-in line, the session's own.
        auto signedIn = std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
            return l.rfind("Signed in as", 0) == 0;
        });
        return {signedIn == lines.end() ? lines.begin() : signedIn + 1, lines.end()};
    }
    static std::vector<std::string> Starting(const std::vector<std::string>& lines,
                                             const std::string& prefix) {
        std::vector<std::string> found;
        for (const auto& l : lines)
            if (l.rfind(prefix, 0) == 0) found.push_back(l);
        return found;
    }
    static std::string Today() { return DateTime::Now().DateText(); }
};

TEST_F(ViewCommandsTest, TheCurrentViewPrintsPlansTablesBookingsAndTheDaysList) {
    Resv(9001, DateTime::Now().DatePart(), kLunch, "12:00", "A", "First");
    Bind(9101, 9001, "A1");
    Resv(9002, DateTime::Now().DatePart(), kLunch, "14:00", "A", "Second");
    Bind(9102, 9002, "B16");
    const auto lines = Session({"view current HBR today 02LUN"});
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "view\tcurrent\tHBR\t" + Today() + "\t02LUN\tall");
    // In order: plans, tables, bookings, then the list with its header.
    std::vector<std::string> kinds;
    for (const auto& l : lines) {
        const std::string kind = l.substr(0, l.find('\t'));
        const std::string k = std::all_of(kind.begin(), kind.end(), ::isdigit) ? "row" : kind;
        if (kinds.empty() || kinds.back() != k) kinds.push_back(k);
    }
    EXPECT_EQ(kinds, (std::vector<std::string>{"view", "plan", "table", "booking", "ID", "row"}));
    const auto bookings = Starting(lines, "booking\t");
    EXPECT_NE(
        std::find(bookings.begin(), bookings.end(), "booking\tA1\t9001\t12:00\t2\tFirst\t1\t0"),
        bookings.end());
    EXPECT_NE(
        std::find(bookings.begin(), bookings.end(), "booking\tB16\t9002\t14:00\t2\tSecond\t0\t1"),
        bookings.end());
    // The table on two plans: listed under each, with one state.
    const auto b16 = Starting(lines, "table\tB16\t");
    ASSERT_EQ(b16.size(), 2u);
    EXPECT_EQ(b16[0].substr(b16[0].find("\t4\t")), b16[1].substr(b16[1].find("\t4\t")));
    EXPECT_NE(b16[0].find("\t4\tV\t"), std::string::npos);
    // The whole day's list, not the meal period's.
    auto rs =
        inst.Query("SELECT COUNT(*) AS N FROM tbl_Reservation WHERE OutletID=1 AND ReserveDate='" +
                   Today() + "' AND RowStatus IN ('A','X','L','N','C')");
    const auto header = std::find_if(lines.begin(), lines.end(),
                                     [](const std::string& l) { return l.rfind("ID\t", 0) == 0; });
    EXPECT_EQ(lines.end() - header - 1, FieldLng(rs.get(), "N"));
}

TEST_F(ViewCommandsTest, TheFutureViewHasNoLiveStates) {
    Resv(9001, Ahead(), kLunch, "13:30", "A", "Later");
    Bind(9101, 9001, "A1");
    inst.Sql("UPDATE tbl_TableStatus SET TableStatus='O' WHERE OutletID=1 AND TableNo='A1'");
    const auto lines = Session({"view future HBR " + Ahead().DateText() + " 02lun"});
    EXPECT_EQ(Starting(lines, "table\tA1\t"),
              std::vector<std::string>{"table\tA1\tMAIN\t2\t-\t0\t0\t\t\t\t0"});
    EXPECT_EQ(Starting(lines, "booking\t"),
              std::vector<std::string>{"booking\tA1\t9001\t13:30\t2\tLater\t0\t1"});
}

TEST_F(ViewCommandsTest, WrongDatesAndArgumentsGetAClearAnswer) {
    const std::string today = Today(), ahead = Ahead().DateText();
    const std::pair<std::string, std::string> cases[] = {
        {"view", "No view is open"},
        {"view future", "This view is not open: future"},
        {"filter all", "No view is open"},
        {"view current HBR " + ahead + " 02LUN",
         "The current view shows the business date only: " + today},
        {"view future HBR today 02LUN",
         "The future view shows dates after the business date only: " + today},
        {"view past HBR " + ahead + " 02LUN",
         "The past view shows dates before the business date only: " + today},
        {"view past HBR 2024-02-30 02LUN", "Invalid date (use yyyy-mm-dd or today): 2024-02-30"},
        {"view current SKY today 31", "You are not permitted to use this outlet: SKY"},
        {"view current HBR today 21", "Unknown meal period: 21"},
        {"view sideways HBR today 02LUN",
         "Usage: view current|future|past OUTLET DATE PERIOD | view [current|future|past]"},
        {"view past HBR",
         "Usage: view current|future|past OUTLET DATE PERIOD | view "
         "[current|future|past]"},
    };
    std::vector<std::string> commands, expected;
    for (const auto& [command, answer] : cases) {
        commands.push_back(command);
        expected.push_back(answer);
    }
    EXPECT_EQ(Session(commands), expected);
}

TEST_F(ViewCommandsTest, AnOpenViewPrintsAgainAndItsListTakesAFilter) {
    const DateTime past = DateTime::Now().DatePart().AddDays(-3);
    Resv(9001, Ahead(), kLunch, "12:00", "A");
    const auto lines = Session({"view future HBR " + Ahead().DateText() + " 02LUN",
                                "view past HBR " + past.DateText() + " 03DIN", "view",
                                "filter 03din", "view", "view future", "filter all"});
    const auto heads = Starting(lines, "view\t");
    const std::string pastHead = "view\tpast\tHBR\t" + past.DateText() + "\t03DIN\t";
    EXPECT_EQ(heads, (std::vector<std::string>{
                         "view\tfuture\tHBR\t" + Ahead().DateText() + "\t02LUN\tall",
                         pastHead + "all", pastHead + "all", pastHead + "13",
                         "view\tfuture\tHBR\t" + Ahead().DateText() + "\t02LUN\tall"}));
    // The past view has no plans; its filtered list holds dinners only.
    EXPECT_TRUE(Starting(lines, "plan\t").size() >= 2);  // the future view's, twice
    std::size_t dinners = 0, rows = 0;
    auto rs = inst.Query(
        "SELECT COUNT(*) AS N FROM tbl_Reservation WHERE OutletID=1 AND "
        "ReserveDate='" +
        past.DateText() + "' AND MPOutletID=13 AND RowStatus IN ('A','X','L','N','C')");
    const std::size_t expected = static_cast<std::size_t>(FieldLng(rs.get(), "N"));
    bool inFiltered = false;
    int headers = 0;
    for (const auto& l : lines) {
        if (l.rfind("ID\t", 0) == 0) inFiltered = ++headers == 4;  // the filter's own list
        if (!inFiltered || l.rfind("ID\t", 0) == 0) continue;
        if (l.rfind("view\t", 0) == 0) break;
        ++rows;
        dinners += l.find("\tDinner\t") != std::string::npos ? 1 : 0;
    }
    EXPECT_GT(expected, 0u);
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(dinners, expected);
}

}  // namespace
