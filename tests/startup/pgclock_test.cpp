// Start-up's clock check against a PostgreSQL installation, where GetDate()
// is the database server's clock and not this host's: a workstation whose
// clock is off beyond the tolerance is stopped, one within it starts. Skips
// when no server answers (scripts/test.sh starts one with pg_virtualenv).
#include <unistd.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "app/admin.h"
#include "gtest/gtest.h"
#include "support/process_run.h"
#include "support/sqlengines.h"
#include "support/tempdir.h"

namespace {

TEST(PgClockCheckTest, ServerClockDecidesWhetherTheWorkstationStarts) {
    CT_SKIP_WITHOUT_PG();
    const std::string prefix = PgUniqueName("ct_clock") + "_";
    TempDir dir;
    const std::string root = dir.File("inst");
    const std::string server = PgServer();
    const char* saved = std::getenv("COMPUTERNAME");
    const std::string computer = saved != nullptr ? saved : "";
    ::setenv("COMPUTERNAME", "CLOCKWS", 1);  // init registers this workstation
    std::vector<std::string> args = {"admin",      "init",       root,   "--engine",
                                     "postgresql", "--server",   server, "--demo",
                                     "--force",    "--database", prefix};
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    std::ostringstream out, err;
    const int initExit = RunAdmin(static_cast<int>(argv.size()), argv.data(), out, err);
    if (computer.empty())
        ::unsetenv("COMPUTERNAME");
    else
        ::setenv("COMPUTERNAME", computer.c_str(), 1);
    ASSERT_EQ(initExit, 0) << err.str();

    struct Case {
        const char* skew;
        int exitCode;
        const char* text;
    } cases[] = {
        {"7", 1, "- The time of this workstation is faster than the server time by: 7 minutes\n"},
        {"-75", 1, "- The time of this workstation is slower than the server time by: 1 hour 15"},
        {"4", 0, "Initializing user interface..."},
    };
    for (const Case& c : cases) {
        const RunResult r = RunProgram(
            ProgramPath("culinarotable"), {"--root", root}, "admin\nadmin123\n1\nquit\ny\n",
            {{"COMPUTERNAME", "CLOCKWS"}, {"CULINAROTABLE_CLOCK_SKEW_MINUTES", c.skew}});
        EXPECT_EQ(r.exitCode, c.exitCode) << c.skew << "\n" << r.output;
        EXPECT_NE(r.output.find(c.text), std::string::npos) << c.skew << "\n" << r.output;
    }
    for (const char* n : {"1", "2"})
        PgDropDatabase(prefix + n);
}

}  // namespace
