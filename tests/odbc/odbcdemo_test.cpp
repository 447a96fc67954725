// A whole workstation on ODBC's PostgreSQL and SQLite drivers: the demo
// installation (moved onto the server for PostgreSQL) with its connection
// string switched to Provider=ODBC, then the real program signs in and
// books. Sign-in runs procedural batches (the password-age check), the
// booking EXECs procedures and reads identities, so this is where a gap of
// the ODBC path shows as a person would meet it. The PostgreSQL case skips
// without a server.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "app/admininit.h"
#include "app/admininitpg.h"
#include "platform/datetime.h"
#include "support/process_run.h"
#include "support/sqlengines.h"
#include "support/tempdir.h"
#include "support/testdb.h"

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr ? v : "";
}

// The lines of the day logs at error level, but for the notes the booking
// writes there on every engine (its progress, and a guest without SMS).
std::string ErrorLines(const std::string& root) {
    std::string found;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root + "/Client/Log")) {
        if (!entry.is_regular_file()) continue;
        std::istringstream in(ReadTextFile(entry.path().string()));
        for (std::string line; std::getline(in, line);)
            if (line.find(",E,") != std::string::npos &&
                line.find("seccess") == std::string::npos &&
                line.find("Checking allotment") == std::string::npos &&
                line.find("does not receive SMS") == std::string::npos)
                found += line + "\n";
    }
    return found;
}

// Points the installation's KIV4Connstr.ini at `connStr`; the User ID and
// Password lines stay.
void SwitchConnection(const std::string& root, const std::string& connStr) {
    std::string ini = root + "/Client/cfg/KIV4Connstr.ini";
    std::string text = ReadTextFile(ini), odbc;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("ConnStr=", 0) == 0)
            line = "ConnStr=" + connStr;
        else if (line.rfind("Data Source=", 0) == 0)
            line = "Data Source=";
        odbc += line + "\n";
    }
    WriteTextFile(ini, odbc);
}

// Signs in, checks the log, books and lists the booking.
void SignInAndBook(const std::string& root) {
    auto run = [&](const std::string& commands) {
        return RunProgram(ProgramPath("culinarotable"), {"--root", root},
                          "reception\nreception123\n2\n" + commands + "quit\ny\n",
                          {{"COMPUTERNAME", "TESTWS"}});
    };
    RunResult signIn = run("whoami\n");
    EXPECT_NE(signIn.output.find("reception\tRita Chan"), std::string::npos) << signIn.output;
    EXPECT_EQ(ErrorLines(root), "");

    std::string day = DateTime::Now().AddDays(5).DateText();
    RunResult booked = run("book HBR " + day + " 03DIN 19:30 2 A10 --guest M100005\n" +
                           "resv list HBR " + day + " 03DIN\n");
    EXPECT_NE(booked.output.find("Reservation saved: "), std::string::npos) << booked.output;
    EXPECT_NE(booked.output.find("19:30\t2\tA10\tTse"), std::string::npos) << booked.output;
}

TEST(OdbcDemoTest, SignsInAndBooksThroughTheSQLiteDriver) {
    ::setenv("COMPUTERNAME", "TESTWS", 1);  // the demo registers this workstation
    TempDir dir;
    InitOptions options;
    options.root = dir.Path() + "/install";
    options.demo = true;
    options.relay = "127.0.0.1:1";
    std::ostringstream out, err;
    ASSERT_TRUE(InitInstallation(options, out, err)) << err.str();
    SwitchConnection(options.root, "Provider=ODBC;Driver=SQLite3;Database=" +
                                       InstallationDatabasePath(options.root, 1));
    SignInAndBook(options.root);
}

TEST(OdbcDemoTest, SignsInAndBooksThroughThePostgreSQLDriver) {
    CT_SKIP_WITHOUT_PG();
    ::setenv("COMPUTERNAME", "TESTWS", 1);  // the demo registers this workstation
    TempDir dir;
    InitOptions options;
    options.root = dir.Path() + "/install";
    options.demo = true;
    options.relay = "127.0.0.1:1";  // no relay: the test reads only the database's side
    PgInitOptions pg;
    pg.server = PgServer();
    pg.database = PgUniqueName("ct_odbcdemo");
    std::ostringstream out, err;
    ASSERT_TRUE(InitPostgresInstallation(options, pg, out, err)) << err.str();
    struct Drop {
        std::string base;
        ~Drop() {
            PgDropDatabase(base + "1");
            PgDropDatabase(base + "2");
        }
    } drop{pg.database};

    SwitchConnection(options.root,
                     "Provider=ODBC;Driver={PostgreSQL Unicode};Server=" +
                         (Env("PGHOST").empty() ? std::string("localhost") : Env("PGHOST")) +
                         ";Port=" + (Env("PGPORT").empty() ? std::string("5432") : Env("PGPORT")) +
                         ";Database=" + pg.database + "1");
    SignInAndBook(options.root);
}

}  // namespace
