// The console shell driven the way a user or a script drives it.
#include "app/shell.h"

#include <gtest/gtest.h>

#include "support/installation.h"

namespace {

TEST(ShellSplitTest, QuotesGroupBlanks) {
    EXPECT_EQ(Shell::SplitWords("guest set 5 Name=\"Ann Lee\"  x"),
              (std::vector<std::string>{"guest", "set", "5", "Name=Ann Lee", "x"}));
    EXPECT_EQ(Shell::SplitWords("a \"\" b"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_TRUE(Shell::SplitWords("   ").empty());
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

TEST(ShellSessionTest, EndOfInputAtSignInEndsQuietly) {
    TestInstallation inst;
    RunResult r = inst.Start("admin\n");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.output.find("Signed in"), std::string::npos);
}

}  // namespace
