// The console shell driven the way a user or a script drives it.
#include "app/shell.h"

#include <gtest/gtest.h>

#include "platform/userinterface.h"
#include "support/installation.h"

namespace {

TEST(ShellSplitTest, QuotesGroupBlanks) {
    EXPECT_EQ(Shell::SplitWords("guest set 5 Name=\"Ann Lee\"  x"),
              (std::vector<std::string>{"guest", "set", "5", "Name=Ann Lee", "x"}));
    EXPECT_EQ(Shell::SplitWords("a \"\" b"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_TRUE(Shell::SplitWords("   ").empty());
}

TEST(TablePrintTest, NaturalOrderComparesNumbersByValue) {
    const std::vector<std::string> sorted = {"A2", "a3", "A10", "A10b", "B1", "B01x", "bar", "T"};
    for (std::size_t i = 0; i + 1 < sorted.size(); ++i) {
        EXPECT_LT(NaturalCompare(sorted[i], sorted[i + 1]), 0) << sorted[i];
        EXPECT_GT(NaturalCompare(sorted[i + 1], sorted[i]), 0) << sorted[i];
    }
    EXPECT_EQ(NaturalCompare("A10", "A10"), 0);
    EXPECT_NE(NaturalCompare("A02", "A2"), 0);  // equal values, different texts
    EXPECT_LT(NaturalCompare("9", "10"), 0);
    EXPECT_LT(NaturalCompare("", "A"), 0);
}

TEST(TablePrintTest, ColumnsAlignByTheWidthATerminalShows) {
    EXPECT_EQ(DisplayWidth("Vacant"), 6u);
    EXPECT_EQ(DisplayWidth("\u7fe0\u5712 A"), 6u);  // two wide characters, a blank, a letter
    EXPECT_EQ(DisplayWidth("caf\u00e9"), 4u);
    const auto lines = AlignTable(
        TableLayout({"Table", "Name", "Seats"}).Skip(1).SortBy({0}), {"Table", "Name", "Seats"},
        {"table\tA10\t\u7fe0\u5712\t4", "table\tA2\tLong name\t12", "table\tB1\t\t2"});
    EXPECT_EQ(lines,
              (std::vector<std::string>{"Table  Name       Seats",  //
                                        "A2     Long name  12", "A10    \u7fe0\u5712       4",
                                        "B1                2"}));
}

TEST(ShellSessionTest, SignInChangePasswordSignOutAndQuit) {
    TestInstallation inst;
    RunResult r = inst.Start(
        "reception\nwrong\n\n"          // refused
        "reception\nreception123\n2\n"  // telephone mode
        "whoami\n"
        "password\nreception123\nNew#Pass1\nNew#Pass1\n"
        "relogin\nreception\nNew#Pass1\n\n"  // empty mode: the last one (2)
        "whoami\nbogus\nquit\nn\nquit\ny\n");
    EXPECT_EQ(r.exitCode, 0) << r.output;
    const char* expected[] = {
        "ERROR: Incorrect Password\n",
        "Signed in as reception (Telephone Reservation)\n",
        "CulinaroTable> whoami\nreception\tRita Chan\tRECEPT\t10\tTelephone Reservation\t",
        "[info] Password is changed\n",
        "Operation mode (1 In-person Reservation, 2 Telephone Reservation) [2]: \n"
        "Signed in as reception (Telephone Reservation)",
        "Unknown command: bogus (type help)\n",
        "Are you sure to quit ? [y/N] n\nCulinaroTable> quit\nAre you sure to quit ? [y/N] y\n",
    };
    std::size_t at = 0;
    for (const char* text : expected) {
        std::size_t found = r.output.find(text, at);
        ASSERT_NE(found, std::string::npos) << "missing: " << text << "\nin:\n" << r.output;
        at = found;
    }
    EXPECT_EQ(r.output.find("New#Pass1"), std::string::npos);  // secrets are never echoed
    auto rs = inst.Query("SELECT LogoutMethod FROM tbl_LogInOut ORDER BY LogID");
    std::vector<std::string> methods;
    for (; !rs->Eof(); rs->MoveNext())
        methods.push_back(FieldStr(rs.get(), "LogoutMethod"));
    EXPECT_EQ(methods, (std::vector<std::string>{"O", "N"}));
    auto quits =
        inst.Query("SELECT COUNT(*) AS N FROM tbl_UserLog WHERE Remark='User quits program'");
    EXPECT_EQ(FieldLng(quits.get(), "N"), 1);
}

TEST(ShellSessionTest, EveryRefusalIsSaidAtOnce) {
    TestInstallation inst;
    inst.Sql("UPDATE tbl_User SET PwdNextLogon=1 WHERE LoginID='manager'");
    RunResult r = inst.Start(
        "\n"                        // no login name: refused before the password
        "manager\nmanager123\n1\n"  // forced change ...
        "\n"                        // ... given up with an empty old password
        "reception\nreception123\n1\n"
        "password\n\n"  // an empty old password leaves the password alone
        "quit\ny\n");
    EXPECT_EQ(r.exitCode, 0) << r.output;
    const char* expected[] = {
        "Login name: \nERROR: User name missing\nLogin name: ",
        "Please change your password\nOld password: \nPassword not changed\n"
        "ERROR: The password must be changed before signing in\nLogin name: ",
        "CulinaroTable> password\nOld password: \nPassword not changed\nCulinaroTable> ",
    };
    std::size_t at = 0;
    for (const char* text : expected) {
        std::size_t found = r.output.find(text, at);
        ASSERT_NE(found, std::string::npos) << "missing: " << text << "\nin:\n" << r.output;
        at = found;
    }
    EXPECT_EQ(r.output.find("\n\n\n"), std::string::npos) << r.output;
}

TEST(ShellSessionTest, ListsForPeopleAndForScripts) {
    TestInstallation inst;
    ASSERT_TRUE(inst.StartInProcess());
    ScriptedUserInterface ui;
    ScopedUserInterface scoped(ui);
    Shell shell;
    // A list command of any file gets the layout by declaring its header.
    shell.Add({"demo list", "demo list", "A list", [](Shell& sh, const std::vector<std::string>&) {
                   sh.Out("before");
                   sh.BeginTable(TableLayout({"No", "Text"}).SortBy({0}));
                   sh.Out("10\tten");
                   sh.Out("9\tnine");
                   sh.Error("Something went wrong");
                   sh.Out("11\televen");
               }});
    struct Case {
        bool people;
        std::vector<std::string> printed;
    } cases[] = {
        {false, {"before", "10\tten", "9\tnine", "Something went wrong", "11\televen"}},
        {true,
         {"before", "No  Text", "9   nine", "10  ten", "Something went wrong", "No  Text",
          "11  eleven"}},
    };
    for (const Case& c : cases) {
        ui.Clear();
        shell.SetForPeople(c.people);
        shell.Execute("demo list");
        EXPECT_EQ(ui.Texts("print"), c.printed) << c.people;
        // Nothing is held over into the next command.
        ui.Clear();
        shell.Execute("bogus");
        EXPECT_EQ(ui.Texts("print"),
                  std::vector<std::string>{"Unknown command: bogus (type help)"});
    }
    ui.SetOutputTerminal(true);
    EXPECT_TRUE(Shell().ForPeople());
}

TEST(ShellSessionTest, EndOfInputAtSignInEndsQuietly) {
    TestInstallation inst;
    RunResult r = inst.Start("admin\n");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.output.find("Signed in"), std::string::npos);
}

}  // namespace
