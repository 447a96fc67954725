// Start-up on the SQL Server providers when the server cannot be had: the
// message every failed connection gives, with the driver's text in the log.
#include <gtest/gtest.h>

#include "platform/inifile.h"
#include "registry/crypto.h"
#include "support/installation.h"
#include "support/tempdir.h"
#include "support/testdb.h"

namespace {

constexpr const char* kCannotConnect = "[error] Cannot connect to default database (-2147467259)";

class OdbcStartupTest : public ::testing::Test {
  protected:
    void Connect(const std::string& connStr, const std::string& dataSource, bool login) {
        std::string ini = inst.Cfg("KIV4Connstr.ini");
        WriteTextFile(ini, "[DB]\nConnStr=" + connStr + "\nData Source=" + dataSource + "\n");
        if (login) {
            ASSERT_TRUE(WritePrivateProfileString("DB", "User ID", EncryptCredential("kiv"), ini));
            ASSERT_TRUE(
                WritePrivateProfileString("DB", "Password", EncryptCredential("secret"), ini));
        }
    }
    TestInstallation inst;
};

TEST_F(OdbcStartupTest, UnreachableServerLogsTheDriversMessage) {
    // Port 1 on the loopback: nothing listens, the refusal comes at once.
    Connect("Provider=SQLOLEDB.1;Initial Catalog=KIV;Connect Timeout=3", "127.0.0.1,1", true);
    RunResult r = inst.Start("");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find(kCannotConnect), std::string::npos) << r.output;
    std::string log = inst.DayLogs();
    EXPECT_NE(log.find("Load g_oDBConns fail"), std::string::npos) << log;
    EXPECT_NE(log.find("[FreeTDS]"), std::string::npos) << log;
}

TEST_F(OdbcStartupTest, MissingDriverAndIntegratedSecuritySayWhy) {
    struct Case {
        const char* connStr;
        bool login;
        const char* logged;
    } cases[] = {
        {"Provider=ODBC;Driver=No Such Driver;Database=x", true, "No Such Driver"},
        {"Provider=MSOLEDBSQL;Initial Catalog=KIV", false, "Integrated Security (Windows sign-in)"},
    };
    for (const auto& c : cases) {
        Connect(c.connStr, "127.0.0.1,1", c.login);
        RunResult r = inst.Start("");
        EXPECT_EQ(r.exitCode, 1) << c.connStr;
        EXPECT_NE(r.output.find(kCannotConnect), std::string::npos) << r.output;
        EXPECT_NE(inst.DayLogs().find(c.logged), std::string::npos) << inst.DayLogs();
    }
}

}  // namespace
