// culinarotable-admin join, register, unregister, workstations and
// init --relay: the files a desk gets, and the workstation rows as start-up
// looks them up.
#include "app/adminjoin.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <vector>

#include "app/admin.h"
#include "app/admininit.h"
#include "core/startup.h"
#include "platform/inifile.h"
#include "registry/client.h"
#include "registry/crypto.h"
#include "sql/sqldb.h"
#include "support/tempdir.h"
#include "support/testdb.h"

namespace {

namespace fs = std::filesystem;

// Sets an environment variable for the life of the object.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        const char* old = std::getenv(name);
        had_ = old != nullptr;
        if (had_) old_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (had_)
            ::setenv(name_, old_.c_str(), 1);
        else
            ::unsetenv(name_);
    }

  private:
    const char* name_;
    bool had_ = false;
    std::string old_;
};

struct AdminRun {
    int status;
    std::string out, err;
};

AdminRun Admin(std::vector<std::string> args) {
    args.insert(args.begin(), "culinarotable-admin");
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    std::ostringstream out, err;
    const int status = RunAdmin(static_cast<int>(argv.size()), argv.data(), out, err);
    return {status, out.str(), err.str()};
}

// A plain installation (registered workstations WS1 and WS2) to join.
class InstallationTest : public ::testing::Test {
  protected:
    void SetUp() override {
        InitOptions options;
        options.root = dir.File("main");
        options.computerName = "WS1";
        std::ostringstream out, err;
        ASSERT_TRUE(InitInstallation(options, out, err)) << err.str();
        db = InstallationDatabasePath(options.root, 1);
        conn = "Provider=SQLite;Data Source=" + db;
    }
    std::string Query(const std::string& sql) {
        SQLDB sqldb;
        sqldb.SetConnectionString(conn);
        auto rs = sqldb.RunSQLReturnRS(sql);
        std::string text;
        for (; rs != nullptr && !rs->Eof(); rs->MoveNext()) {
            for (int i = 0; i < rs->FieldCount(); ++i)
                text += (i ? "|" : "") + rs->Field(i)->ToText();
            text += "\n";
        }
        return text;
    }

    TempDir dir;
    std::string db, conn;
};

TEST(SplitConnectionStringTest, KeepsTheFixedPartAndTakesOutSourceAndLogin) {
    struct Case {
        std::string text, connStr, dataSource, user, password, error;
    };
    const std::vector<Case> cases{
        {"Provider=SQLite;Data Source=/srv/ct/KIVDB1.db", "Provider=SQLite", "/srv/ct/KIVDB1.db",
         "", "", ""},
        {" Provider = PostgreSQL ; Data Source = db1:5433 ;Initial Catalog=kiv;User ID=ct;"
         "Password='p;w''d';Application Name=X;Integrated Security=SSPI;",
         "Provider = PostgreSQL;Initial Catalog=kiv", "db1:5433", "ct", "p;w'd", ""},
        {"provider=SQLite;DATA SOURCE=\"/a b;c.db\";UID=u;PWD=", "provider=SQLite", "/a b;c.db",
         "u", "", ""},
        {"Provider=PostgreSQL;Host=db1;Port=5433;Database=kiv;Username=ct;Password=pw",
         "Provider=PostgreSQL;Port=5433;Database=kiv", "db1", "ct", "pw", ""},
        {"Provider=PostgreSQL;Server=db1;User=ct", "Provider=PostgreSQL", "db1", "ct", "", ""},
        // The client library's defaults stand in for a missing server.
        {"Provider=postgresql;Initial Catalog=kiv", "Provider=postgresql;Initial Catalog=kiv", "",
         "", "", ""},
        // ODBC's driver keys stay as they are; Driver= names the database.
        {"Provider=ODBC;Driver=SQLite3;Database=/srv/ct/KIVDB1.db",
         "Provider=ODBC;Driver=SQLite3;Database=/srv/ct/KIVDB1.db", "", "", "", ""},
        {"Provider=ODBC;Driver={PostgreSQL Unicode};Server=db1;Port=5432;UID=ct;PWD=pw",
         "Provider=ODBC;Driver={PostgreSQL Unicode};Server=db1;Port=5432", "", "ct", "pw", ""},
        {"Provider=ODBC;Database=kiv", "", "", "", "", "names no Data Source"},
        {"Data Source=/x.db", "", "", "", "", "names no Provider"},
        {"Provider=SQLite", "", "", "", "", "names no Data Source"},
        {"Provider=SQLite;Data Source=/x.db;Password=secret", "", "", "", "",
         "Password without a User ID"},
        {"Provider=SQLite;Data Source=/x.db;oops", "", "", "", "", "Not a KEY=VALUE part"},
    };
    for (const Case& c : cases) {
        ConnectionParts parts;
        std::string error;
        const bool ok = SplitConnectionString(c.text, parts, error);
        EXPECT_EQ(ok, c.error.empty()) << c.text << ": " << error;
        if (!c.error.empty()) {
            EXPECT_NE(error.find(c.error), std::string::npos) << c.text << ": " << error;
            continue;
        }
        EXPECT_EQ(parts.connStr, c.connStr) << c.text;
        EXPECT_EQ(parts.dataSource, c.dataSource) << c.text;
        EXPECT_EQ(parts.user, c.user) << c.text;
        EXPECT_EQ(parts.password, c.password) << c.text;
    }
}

TEST(ParseRelayAddressTest, ReadsHostAndPort) {
    struct Case {
        std::string text;
        bool ok;
        std::string host;
        int port;
    };
    const std::vector<Case> cases{
        {"10.1.2.3:7600", true, "10.1.2.3", 7600},
        {"relay.local", true, "relay.local", 7500},
        {"[fe80::1]:7501", true, "fe80::1", 7501},
        {"fe80::1", true, "fe80::1", 7500},
        {"", false, "", 0},
        {":7600", false, "", 0},
        {"relay:0", false, "", 0},
        {"relay:70000", false, "", 0},
        {"relay:76x", false, "", 0},
        {"relay:", false, "", 0},
        {"re lay:7600", false, "", 0},
        {"[::1", false, "", 0},
    };
    for (const Case& c : cases) {
        std::string host;
        int port = 7500;
        EXPECT_EQ(ParseRelayAddress(c.text, host, port), c.ok) << c.text;
        if (!c.ok) continue;
        EXPECT_EQ(host, c.host) << c.text;
        EXPECT_EQ(port, c.port) << c.text;
    }
}

TEST_F(InstallationTest, JoinWritesADeskThatOpensTheInstallation) {
    ScopedEnv computer("COMPUTERNAME", "DESK7");
    const std::string desk = dir.File("desk");
    const AdminRun run =
        Admin({"join", desk, "--conn", conn + ";User ID=clerk;Password=\"se;cret\""});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Desk joined: " + desk), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("se;cret"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("not registered yet (DESK7): culinarotable-admin register DESK7"),
              std::string::npos)
        << run.out;

    // The connection INI as the workstation reads it: the login in cipher
    // text, the same connection string back.
    const std::string ini = desk + "/Client/cfg/KIV4Connstr.ini";
    EXPECT_EQ(GetPrivateProfileString("DB", "ConnStr", "", ini), "Provider=SQLite");
    EXPECT_EQ(GetPrivateProfileString("DB", "Data Source", "", ini), db);
    EXPECT_EQ(GetPrivateProfileString("DB", "User ID", "", ini), EncryptCredential("clerk"));
    EXPECT_EQ(GetConnStr(ini), conn + ";User ID=clerk;Password=se;cret;Application Name=KIV");
    for (const char* file : {"Client/cfg/KIV4Client.ini", "Client/cfg/KIV_ML.xml"})
        EXPECT_TRUE(fs::exists(desk + "/" + file)) << file;
    EXPECT_TRUE(fs::is_directory(desk + "/Client/Log"));
    EXPECT_FALSE(fs::exists(desk + "/Data"));

    // A second join keeps the desk unless forced; forced, its preferences stay.
    WritePrivateProfileString("KIVCnt", "Language", "2", desk + "/Client/cfg/KIV4Client.ini");
    const AdminRun again = Admin({"join", desk, "--conn", conn});
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("--force"), std::string::npos) << again.err;
    ASSERT_EQ(Admin({"join", desk, "--conn", conn, "--force"}).status, 0);
    EXPECT_EQ(GetPrivateProfileString("DB", "User ID", "?", ini), "");
    EXPECT_EQ(GetPrivateProfileInt("KIVCnt", "Language", 0, desk + "/Client/cfg/KIV4Client.ini"),
              2);
}

TEST_F(InstallationTest, JoinRefusesADatabaseThatIsNotAnInstallation) {
    const std::string empty = dir.File("empty.db");
    CreateTestDatabase(empty);  // the schema, no rows
    struct Case {
        std::string conn, error;
    };
    const std::vector<Case> cases{
        {"Provider=SQLite;Data Source=" + dir.File("missing.db"),
         "Cannot reach the installation's database"},
        {"Provider=SQLite;Data Source=" + empty, "lists no active database server"},
        {"Provider=Nothing;Data Source=x", "Cannot reach the installation's database"},
        {"Data Source=" + db, "names no Provider"},
    };
    for (const Case& c : cases) {
        const AdminRun run = Admin({"join", dir.File("desk"), "--conn", c.conn});
        EXPECT_EQ(run.status, 1) << c.conn;
        EXPECT_NE(run.err.find(c.error), std::string::npos) << c.conn << ": " << run.err;
        EXPECT_FALSE(fs::exists(dir.File("desk"))) << c.conn;
    }
}

TEST_F(InstallationTest, RegisterAndUnregisterWorkstations) {
    struct Step {
        std::vector<std::string> args;
        int status;
        std::string text;  // expected in the output (or the error)
    };
    const std::vector<Step> steps{
        {{"register", "DESK3"}, 0, "Workstation registered: DESK3 (client 3, database server 1)"},
        {{"register", "desk3", "--location", "Bar"}, 0, "Workstation already registered: desk3"},
        {{"register", "DESK3", "--server", "2"}, 1, "Unknown database server: 2"},
        {{"register", "10.0.0.7", "--code", "TILL"}, 0, "(client 4, database server 1)"},
        {{"unregister", "DESK3"}, 0, "Workstation unregistered: DESK3"},
        {{"unregister", "DESK3"}, 1, "Workstation not registered: DESK3"},
        // Registered again, the desk keeps its ID.
        {{"register", "DESK3"}, 0, "(client 3, database server 1)"},
        {{"register", "   "}, 1, "1 to 100 characters"},
        {{"workstations"},
         0,
         "1\tWS1\tWS1\t1\tFront desk\n2\tWS2\tWS2\t1\tTelephone desk\n"
         "3\tDESK3\tDESK3\t1\t\n4\tTILL\t10.0.0.7\t1\t\n"},
    };
    for (const Step& step : steps) {
        std::vector<std::string> args = step.args;
        args.insert(args.end(), {"--conn", conn});
        const AdminRun run = Admin(args);
        EXPECT_EQ(run.status, step.status) << args[0] << " " << args[1] << ": " << run.err;
        EXPECT_NE((run.out + run.err).find(step.text), std::string::npos)
            << args[0] << " " << args[1] << ": " << run.out << run.err;
    }
    // Start-up finds the desk by its computer name.
    ScopedEnv computer("COMPUTERNAME", "desk3");
    SQLDB sqldb;
    sqldb.SetConnectionString(conn);
    Client client;
    ASSERT_TRUE(client.Load(&sqldb));
    EXPECT_EQ(client.ClientID(), 3);
}

TEST_F(InstallationTest, WorkstationCommandsFindTheInstallationFromItsRoot) {
    ScopedEnv registry("CULINAROTABLE_REGISTRY", dir.File("registry.ini"));
    const AdminRun none = Admin({"workstations"});
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.err.find(dir.File("registry.ini")), std::string::npos) << none.err;

    ASSERT_EQ(Admin({"join", dir.File("desk"), "--conn", conn, "--registry"}).status, 0);
    const AdminRun listed = Admin({"workstations"});
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_NE(listed.out.find("2\tWS2\tWS2"), std::string::npos) << listed.out;
    EXPECT_EQ(Admin({"register", "DESK9", "--root", dir.File("desk")}).status, 0);
    EXPECT_NE(Query("SELECT ClientCode FROM tbl_Client WHERE IPAddress = 'DESK9'"), "");
}

}  // namespace
