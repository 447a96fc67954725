// Two workstations asking for the same table at the same moment: exactly
// one gets it, the other is told the table is held, and neither fails.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <sstream>

#include "core/globals.h"
#include "reservations/kivfunc.h"
#include "sql/sqldb.h"
#include "support/installation.h"

namespace {

constexpr int kRounds = 150;

// Holds the table for every round's date on its own connection; writes
// "round result" lines to `out`. Runs in a child process.
[[noreturn]] void Contender(const std::string& dbFile, int clientID, int go, int out) {
    SQLDB db;
    db.SetKeepConnection(true);
    db.SetConnectionString("Provider=SQLite;Data Source=" + dbFile);
    char start = 0;
    if (::read(go, &start, 1) != 1) ::_exit(2);
    KIVFunc func;
    std::ostringstream lines;
    const DateTime first = DateTime::Now().DatePart().AddDays(60);
    for (int round = 0; round < kRounds; ++round) {
        PacketList released;
        const int64_t result = func.HoldTableRow(db, 1, 1, first.AddDays(round), 12, "RACE1", 1,
                                                 clientID, 0, released);
        lines << round << ' ' << result << '\n';
    }
    const std::string text = lines.str();
    const bool ok = ::write(out, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::_exit(ok ? 0 : 3);
}

TEST(HoldRaceTest, ExactlyOneOfTwoWorkstationsGetsTheTable) {
    TestInstallation inst;
    ASSERT_TRUE(inst.StartInProcess());
    inst.Sql(
        "INSERT INTO tbl_FPTable (FPID, TableNo, TCapacity, RowStatus) VALUES (101, 'RACE1', "
        "4, 'A')");
    const std::string dbFile = inst.Root() + "/Data/KIVDB1.db";
    int go[2], out[2][2];
    ASSERT_EQ(::pipe(go), 0);
    pid_t pids[2];
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(::pipe(out[i]), 0);
        pids[i] = ::fork();
        ASSERT_GE(pids[i], 0);
        if (pids[i] == 0) {
            ::close(out[i][0]);
            Contender(dbFile, 100 + i, go[0], out[i][1]);
        }
        ::close(out[i][1]);
    }
    ASSERT_EQ(::write(go[1], "GG", 2), 2);  // both start together
    std::map<int, std::vector<int64_t>> results;
    for (int i = 0; i < 2; ++i) {
        std::string text;
        char buf[4096];
        ssize_t n;
        while ((n = ::read(out[i][0], buf, sizeof buf)) > 0)
            text.append(buf, static_cast<std::size_t>(n));
        ::close(out[i][0]);
        int status = 0;
        ASSERT_EQ(::waitpid(pids[i], &status, 0), pids[i]);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "contender " << i;
        std::istringstream lines(text);
        int round;
        int64_t result;
        while (lines >> round >> result)
            results[round].push_back(result);
    }
    ::close(go[0]);
    ::close(go[1]);
    ASSERT_EQ(results.size(), static_cast<std::size_t>(kRounds));
    for (const auto& [round, got] : results) {
        ASSERT_EQ(got.size(), 2u) << round;
        const int winners = (got[0] > 0) + (got[1] > 0);
        EXPECT_EQ(winners, 1) << "round " << round << ": " << got[0] << ", " << got[1];
        EXPECT_EQ(std::min(got[0], got[1]), 0) << "round " << round;  // held, not an error
    }
    EXPECT_EQ(inst.Query("SELECT COUNT(*) AS N FROM tbl_TableTemp WHERE RowStatus='A' AND "
                         "TableNo='RACE1'")
                  ->Field("N")
                  ->ToInt64(),
              kRounds);
}

}  // namespace
