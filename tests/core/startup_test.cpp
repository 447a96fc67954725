#include "core/startup.h"

#include <gtest/gtest.h>

#include "core/config.h"
#include "core/globals.h"
#include "core/log.h"
#include "platform/paths.h"
#include "platform/userinterface.h"
#include "registry/crypto.h"
#include "support/process_run.h"
#include "support/tempdir.h"

namespace {

class StartupTest : public ::testing::Test {
  protected:
    void TearDown() override { g_oConfig.reset(); }
    std::string Cfg(const std::string& name) { return dir.Path() + "/Client/cfg/" + name; }
    TempDir dir;
    ScriptedUserInterface ui;
    ScopedUserInterface scoped{ui};
};

TEST_F(StartupTest, IniValuesAreCorrected) {
    WriteTextFile(Cfg("KIV4Client.ini"), "[KIV]\nLogLevel=7\nLogArchivedPeriod=1\n");
    ASSERT_TRUE(InitSetting({}, dir.Path()));
    EXPECT_EQ(g_oConfig->LogLevel(), 1);
    EXPECT_EQ(g_oConfig->LogArchivedPeriod(), 4);
    EXPECT_EQ(g_oConfig->BinPath(), dir.Path() + "/Client/bin");
    EXPECT_EQ(g_oConfig->ClientIniPath(), dir.Path() + "/Client/cfg/KIV4Client.ini");
    WriteTextFile(Cfg("KIV4Client.ini"), "[KIV]\nLogLevel=3\nLogArchivedPeriod=2\n");
    ASSERT_TRUE(InitSetting({}, dir.Path()));
    EXPECT_EQ(g_oConfig->LogLevel(), 3);
    EXPECT_EQ(g_oConfig->LogArchivedPeriod(), 2);
}

TEST_F(StartupTest, MissingClientFolderIsCreatedAndAnEmptyRootRefused) {
    ASSERT_TRUE(InitSetting({}, dir.Path() + "/fresh"));
    EXPECT_TRUE(FolderExists(dir.Path() + "/fresh/Client/cfg"));
    ::setenv("CULINAROTABLE_REGISTRY", dir.File("none.ini").c_str(), 1);
    EXPECT_FALSE(InitSetting({}, ""));
    ::unsetenv("CULINAROTABLE_REGISTRY");
    EXPECT_EQ(ui.Entries().back().icon, MsgIcon::Critical);
}

TEST_F(StartupTest, RootComesFromTheRegistryFile) {
    WriteTextFile(dir.File("registry.ini"),
                  "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvorin\\KIV4]\nPath=" + dir.Path() + "\n");
    ::setenv("CULINAROTABLE_REGISTRY", dir.File("registry.ini").c_str(), 1);
    EXPECT_TRUE(InitSetting({}, ""));
    ::unsetenv("CULINAROTABLE_REGISTRY");
    EXPECT_EQ(g_oConfig->InstallRoot(), dir.Path());
}

TEST_F(StartupTest, ConnectionStringParts) {
    UseInstallRoot(dir.Path());
    WriteTextFile(dir.File("a.ini"),
                  "[DB]\nConnStr=Provider=SQLite\nData Source=/x/kiv.db\n"
                  "User ID=\nPassword=junk\n");
    EXPECT_EQ(GetConnStr(dir.File("a.ini")),
              "Provider=SQLite;Data Source=/x/kiv.db;Integrated Security=SSPI;"
              "Application Name=KIV");
    WriteTextFile(dir.File("b.ini"),
                  "[DB]\nConnStr=Provider=SQLOLEDB\nData Source=srv\n"
                  "User ID= " +
                      EncryptCredential("sa") + " \nPassword=" + EncryptCredential("p;w") + "\n");
    EXPECT_EQ(GetConnStr(dir.File("b.ini")),
              "Provider=SQLOLEDB;Data Source=srv;User ID=sa;Password=p;w;Application Name=KIV");
    WriteTextFile(dir.File("c.ini"), "[DB]\nConnStr=P\nData Source=s\nUser ID=ZZ\n");
    EXPECT_EQ(GetConnStr(dir.File("c.ini")), "");
    EXPECT_NE(
        ReadTextFile(DayLogPath(DateTime::Now())).find("[modMain:GetConnStr]:0:,Decrypt fail"),
        std::string::npos);
}

TEST_F(StartupTest, ConnectionIniNamedOnTheCommandLineIsOpenedAsTyped) {
    WriteTextFile(dir.File("My Conn.INI"), "[DB]\nConnStr=Provider=SQLite\nData Source=Q\n");
    CommandLineOptions o = ReadCommandLine("-i \"" + dir.File("My Conn.INI") + "\"");
    ASSERT_TRUE(InitSetting(o, dir.Path()));
    EXPECT_EQ(g_oConfig->ConnectionString(),
              "Provider=SQLite;Data Source=Q;Integrated Security=SSPI;Application Name=KIV");
}

}  // namespace
