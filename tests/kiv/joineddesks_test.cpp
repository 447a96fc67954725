// Two desks set up as on two computers: each has its own installation root
// made by `culinarotable-admin join`, both work on one installation's
// database and reach the relay at the address the installation registered.
#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "kiv/kivtestsupport.h"
#include "platform/datetime.h"
#include "support/livedesk.h"
#include "support/process_run.h"
#include "support/tempdir.h"

namespace {

namespace fs = std::filesystem;

// Field `n` (from 0) of the first line starting with `head`.
std::string FieldOfLine(const std::string& output, const std::string& head, int n) {
    std::size_t at = output.find(head);
    while (at != std::string::npos && at != 0 && output[at - 1] != '\n')
        at = output.find(head, at + 1);
    if (at == std::string::npos) return "";
    const std::string line = output.substr(at, output.find('\n', at) - at);
    std::size_t start = 0;
    for (int i = 0; i < n && start != std::string::npos; ++i) {
        start = line.find('\t', start);
        if (start != std::string::npos) ++start;
    }
    return start == std::string::npos ? "" : line.substr(start, line.find('\t', start) - start);
}

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr ? v : "";
}

// Runs `sql` on the maintenance database of the server libpq's environment
// names (PGHOST, PGPORT, PGUSER, PGPASSWORD); "" or why it failed.
std::string OnPostgresServer(const std::string& sql) {
    PGconn* c = PQconnectdb("dbname=postgres connect_timeout=5");
    std::string error;
    if (PQstatus(c) != CONNECTION_OK) {
        error = PQerrorMessage(c);
    } else {
        PGresult* r = PQexec(c, sql.c_str());
        if (PQresultStatus(r) != PGRES_COMMAND_OK) error = PQresultErrorMessage(r);
        PQclear(r);
    }
    PQfinish(c);
    return error;
}

bool HasFiles(const std::string& folder) {
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        if (it->is_regular_file()) return true;
    return false;
}

// Two desks joined to the installation whose default database `conn` names
// and registered under their computer names; a booking on one shows live
// on the other. The same steps serve every database engine.
class JoinedDesksTest : public ::testing::Test {
  protected:
    // A loopback address other than 127.0.0.1: the desks find the relay only
    // through its registration.
    std::string Relay() const { return "127.0.0.2:" + std::to_string(relay.Port()); }

    // DESK-A joins through `connA`, DESK-B through `connB`.
    void JoinAndRegister(const std::string& connA, const std::string& connB) {
        for (const auto& [desk, conn] :
             {std::pair{std::string("DESK-A"), connA}, std::pair{std::string("DESK-B"), connB}}) {
            const std::string root = dir.File(desk);
            const RunResult joined =
                RunProgram(admin, {"join", root, "--conn", conn}, "", {{"COMPUTERNAME", desk}});
            ASSERT_EQ(joined.exitCode, 0) << joined.output;
            EXPECT_NE(joined.output.find("This computer is not registered yet (" + desk + ")"),
                      std::string::npos)
                << joined.output;
            const RunResult registered = RunProgram(admin, {"register", desk, "--root", root});
            ASSERT_EQ(registered.exitCode, 0) << registered.output;
        }
    }

    void BookingShowsOnTheOtherDesk() {
        LiveDesk b(dir.File("DESK-B"), "DESK-B");
        ASSERT_TRUE(b.SignedIn()) << b.Program().Output();
        const std::string day = DateTime::Now().AddDays(30).DateText();
        b.Run("watch on");
        ASSERT_NE(b.Run("view future HBR " + day + " 02LUN").find("view\tfuture"),
                  std::string::npos);
        LiveDesk a(dir.File("DESK-A"), "DESK-A");
        ASSERT_TRUE(a.SignedIn()) << a.Program().Output();

        const std::size_t mark = b.Mark();
        const std::string saved =
            a.Run("book HBR " + day + " 02LUN 12:30 2 A7 DYLastName=Joined", {"y", "n"});
        ASSERT_NE(saved.find("Reservation saved: "), std::string::npos) << saved;
        const std::size_t at = saved.find("Reservation saved: ") + 19;
        const std::string id = saved.substr(at, saved.find(' ', at) - at);
        EXPECT_EQ(b.Line("changed\ttbl_reservation\t", mark),
                  "changed\ttbl_reservation\t" + id + "\tfuture");
        b.Line("changed\ttbl_tablereserve\t", mark);
        const std::string view = b.Run("view future");
        EXPECT_EQ(FieldOfLine(view, "booking\tA7\t", 2), id) << view;
    }

    KivServerProcess relay{{"--bind", "127.0.0.2"}};
    TempDir dir;
    const std::string admin = ProgramPath("culinarotable-admin");
};

TEST_F(JoinedDesksTest, SQLiteInstallation) {
    ASSERT_TRUE(relay.Running());
    const std::string main = dir.File("main");
    const RunResult init = RunProgram(admin, {"init", main, "--demo", "--relay", Relay()});
    ASSERT_EQ(init.exitCode, 0) << init.output;
    const std::string conn = "Provider=SQLite;Data Source=" + main + "/Data/KIVDB1.db";
    JoinAndRegister(conn, conn);
    BookingShowsOnTheOtherDesk();

    // The desk writes its logs in its own root, not in the installation's.
    EXPECT_TRUE(HasFiles(dir.File("DESK-A/Client/Log")));
    EXPECT_FALSE(HasFiles(main + "/Client/Log"));
    EXPECT_FALSE(fs::exists(dir.File("DESK-A/Data")));
}

// The installation's databases on a PostgreSQL server. DESK-A names only
// the database and leaves server and login to libpq's environment; DESK-B
// gives them in libpq's own words.
TEST_F(JoinedDesksTest, PostgreSQLInstallation) {
    const std::string unreachable = OnPostgresServer("SELECT 1");
    if (!unreachable.empty())
        GTEST_SKIP() << "no PostgreSQL server reachable through PGHOST/PGPORT/PGUSER "
                        "(scripts/test.sh starts one with pg_virtualenv): "
                     << unreachable;
    ASSERT_TRUE(relay.Running());
    const std::string base = "ct_joined_" + std::to_string(getpid()) + "_";
    struct DropDatabases {
        std::string base;
        ~DropDatabases() {
            for (const char* n : {"1", "2"})
                OnPostgresServer("DROP DATABASE IF EXISTS " + base + n + " WITH (FORCE)");
        }
    } drop{base};
    const std::string server = (Env("PGHOST").empty() ? "localhost" : Env("PGHOST")) + ":" +
                               (Env("PGPORT").empty() ? "5432" : Env("PGPORT"));
    const std::string main = dir.File("main");
    const RunResult init =
        RunProgram(admin, {"init", main, "--engine", "postgresql", "--server", server, "--database",
                           base, "--demo", "--force", "--relay", Relay()});
    ASSERT_EQ(init.exitCode, 0) << init.output;

    const std::string host = server.substr(0, server.rfind(':'));
    const std::string port = server.substr(server.rfind(':') + 1);
    JoinAndRegister("Provider=PostgreSQL;Initial Catalog=" + base + "1",
                    "Provider=PostgreSQL;Host=" + host + ";Port=" + port + ";Database=" + base +
                        "1;Username=" + Env("PGUSER") + ";Password=" + Env("PGPASSWORD"));
    BookingShowsOnTheOtherDesk();

    // The booking started today's reservation-number counter; the next
    // numbers come from its conflict branch and follow on without a gap.
    const std::string today = DateTime::Now().DateText();
    auto next = [&] {
        const RunResult r =
            RunProgram(admin, {"sql", "--ini", dir.File("DESK-B/Client/cfg/KIV4Connstr.ini"),
                               "EXEC sp_CM_GetReserveNo 1, '" + today + "', 1"});
        EXPECT_EQ(r.exitCode, 0) << r.output;
        return std::stoll("0" + FieldOfLine(r.output, today.substr(2, 2), 0));
    };
    const long long first = next();
    EXPECT_GT(first, 0);
    EXPECT_EQ(next(), first + 1);
}

}  // namespace
