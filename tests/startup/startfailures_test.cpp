// Every way start-up can fail, produced on a real demo installation and
// checked through the program's own output and logs.
#include <gtest/gtest.h>

#include <cstdio>

#include "core/log.h"
#include "platform/instancelock.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "registry/crypto.h"
#include "support/installation.h"
#include "support/tempdir.h"

namespace {

constexpr const char* kCannotStart = "[error] Application cannot start due to incorrect setup";

class StartFailureTest : public ::testing::Test {
  protected:
    TestInstallation inst;
};

TEST_F(StartFailureTest, DemoInstallationReachesTheSignInPrompt) {
    RunResult r = inst.Start("");
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("Login name: "), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("[error]"), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("[warning]"), std::string::npos) << r.output;
}

TEST_F(StartFailureTest, UndecryptableLoginLeavesNoConnectionString) {
    WriteTextFile(inst.Cfg("KIV4Connstr.ini"),
                  "[DB]\nConnStr=Provider=SQLite\nData Source=x\nUser ID=ZZ\nPassword=ZZ\n");
    RunResult r = inst.Start("");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(
        r.output.find("[error] Default database is not defined\n" + std::string(kCannotStart)),
        std::string::npos)
        << r.output;
    std::string log = inst.DayLogs();
    EXPECT_NE(log.find("[modMain:GetConnStr]:0:,Decrypt fail"), std::string::npos);
    EXPECT_NE(log.find("[modMain:InitGlobalObj]:0:,Dafault database connection string is empty"),
              std::string::npos);
}

TEST_F(StartFailureTest, UnreadableDatabaseReportsTheConnectionError) {
    WriteTextFile(inst.Cfg("KIV4Connstr.ini"),
                  "[DB]\nConnStr=Provider=SQLite\nData Source=" + inst.Root() + "/none.db\n");
    RunResult r = inst.Start("");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find("[error] Cannot connect to default database (-2147467259)"),
              std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find(kCannotStart), std::string::npos);
    EXPECT_NE(inst.DayLogs().find("[modMain:InitGlobalObj]:0:,Load g_oDBConns fail"),
              std::string::npos);
}

TEST_F(StartFailureTest, UnregisteredWorkstationIsRefused) {
    RunResult r = inst.Start("", {{"COMPUTERNAME", "UNKNOWNPC"}});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(
        r.output.find("[error] This workstation is not registered.\n" + std::string(kCannotStart)),
        std::string::npos)
        << r.output;
    EXPECT_NE(inst.DayLogs().find("Load g_oClient fail"), std::string::npos);
}

TEST_F(StartFailureTest, BadParametersAreListedInOneMessage) {
    inst.Sql(
        "UPDATE tbl_Parameter SET ParaValue='DD/MM/YYYY' WHERE ParaName='DateFormat' "
        "UPDATE tbl_Parameter SET ParaValue='5' WHERE ParaName='FilterLevel' "
        "UPDATE tbl_Parameter SET ParaValue='' WHERE ParaName='GuestQuickSearchField' "
        "UPDATE tbl_Parameter SET ParaValue='HH:NN' WHERE ParaName='TimeFormat'");
    RunResult r = inst.Start("");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.output.find("[warning] Configuration Error:\n"
                            "- Guest quick search field is not defined\n"
                            "- Filter level is not defined correctly\n"
                            "- The date format is not defined correctly\n" +
                            std::string(kCannotStart)),
              std::string::npos)
        << r.output;
    EXPECT_NE(inst.DayLogs().find("Load g_oConfig fail"), std::string::npos);
}

TEST_F(StartFailureTest, ClockDifferenceBeyondTheToleranceStopsStartUp) {
    struct Case {
        const char* skew;
        const char* text;
    } cases[] = {
        {"7", "- The time of this workstation is faster than the server time by: 7 minutes\n"},
        {"-1560",
         "- The time of this workstation is slower than the server time by: 1 day 2 hours\n"},
    };
    for (const Case& c : cases) {
        RunResult r = inst.Start("", {{"CULINAROTABLE_CLOCK_SKEW_MINUTES", c.skew}});
        EXPECT_EQ(r.exitCode, 1) << c.skew;
        EXPECT_NE(r.output.find(c.text), std::string::npos) << r.output;
        EXPECT_NE(r.output.find("    Server Time: "), std::string::npos) << r.output;
    }
    RunResult within = inst.Start("", {{"CULINAROTABLE_CLOCK_SKEW_MINUTES", "4"}});
    EXPECT_EQ(within.exitCode, 0) << within.output;
}

TEST_F(StartFailureTest, BrokenTranslationFileGoesOnInEnglish) {
    WriteTextFile(inst.Cfg("KIV_ML.xml"), "<KIVML><MESSAGE><DESC>broken");
    WriteTextFile(inst.Cfg("KIV4Client.ini"), "[KIVCnt]\nLanguage=2\n");
    RunResult r = inst.Start("");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.output.find("[warning] Failed to load ML file, English will be displayed"),
              std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("Login name: "), std::string::npos);
}

TEST_F(StartFailureTest, SecondLanguageTranslatesThePrompts) {
    WriteTextFile(inst.Cfg("KIV4Client.ini"), "[KIVCnt]\nLanguage=2\n");
    RunResult r = inst.Start("");
    EXPECT_NE(r.output.find("登入名稱: "), std::string::npos) << r.output;
}

TEST_F(StartFailureTest, VersionMismatchWithoutPackageGoesOn) {
    inst.Sql(
        "UPDATE tbl_Parameter SET ParaValue='9.9.9.9' WHERE ParaModule='SYS' AND "
        "ParaName='Version'");
    RunResult r = inst.Start("");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.output.find("[warning] - Server version and application version doesn't match\n"
                            "  Server version: 9.9.9.9\n  Client version: 1.0.0.0"),
              std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("There is a new version!\nReturn Recordset is nothing.\n"),
              std::string::npos);
    EXPECT_NE(r.output.find("Login name: "), std::string::npos);
}

TEST_F(StartFailureTest, VersionMismatchWithPackageStartsTheUpdaterAndEnds) {
    TempDir pkg;
    std::string marker = pkg.File("updated");
    WriteTextFile(pkg.File("CulinaroTableUpdate"), "#!/bin/sh\ntouch \"$UPDATE_MARKER\"\n");
    int code = -1;
    ASSERT_TRUE(ShellAndWait("cd " + pkg.Path() +
                                 " && chmod +x CulinaroTableUpdate && zip -q u.zip "
                                 "CulinaroTableUpdate",
                             {}, &code));
    ASSERT_EQ(code, 0);
    std::string zip = ReadTextFile(pkg.File("u.zip"));
    inst.Sql(
        "UPDATE tbl_Parameter SET ParaValue='9.9.9.9' WHERE ParaModule='SYS' AND "
        "ParaName='Version' INSERT INTO tbl_UpdateFile (Version, UpdateFile) VALUES "
        "('9.9.9.9', 0x" +
        Crypto::BytesToHex(Bytes(zip.begin(), zip.end())) + ")");
    RunResult r = inst.Start("", {{"UPDATE_MARKER", marker}});
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("Unzip update file at temp folder..."), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("Login name: "), std::string::npos) << r.output;
    for (int i = 0; i < 100 && !FileExists(marker); ++i)
        ::usleep(20000);
    EXPECT_TRUE(FileExists(marker));
    // A broken package is reported and the old program goes on.
    inst.Sql("UPDATE tbl_UpdateFile SET UpdateFile=0x00010203");
    RunResult broken = inst.Start("");
    EXPECT_NE(broken.output.find("Unzip report file fail."), std::string::npos) << broken.output;
    EXPECT_NE(broken.output.find("Login name: "), std::string::npos);
}

TEST_F(StartFailureTest, SecondCopyWithSingleInstanceSwitchEnds) {
    InstanceLock held;
    ASSERT_TRUE(held.TryAcquire(kTestComputer));
    RunResult r = inst.Start("", {}, {"-si"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.output.find("[warning] Another instance of KIV is already running"),
              std::string::npos);
    held.Release();
    EXPECT_EQ(inst.Start("", {}, {"-si"}).exitCode, 0);
}

TEST_F(StartFailureTest, SingleInstanceCheckThatCannotLockSaysWhy) {
    RunResult r = inst.Start("", {{"XDG_RUNTIME_DIR", "/nonexistent/culinarotable-run"}}, {"-si"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.output.find("Another instance"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("[error] The single-instance check failed: Cannot create the lock "
                            "file /nonexistent/culinarotable-run/culinarotable-"),
              std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("No such file or directory"), std::string::npos) << r.output;
}

TEST_F(StartFailureTest, ConnectionFileInAFolderWithAHyphenBetweenBlanks) {
    const std::string folder = inst.Root() + "/My - Folder";
    ASSERT_TRUE(CreateFolderPath(folder));
    const std::string moved = folder + "/conn.ini";
    ASSERT_EQ(std::rename(inst.Cfg("KIV4Connstr.ini").c_str(), moved.c_str()), 0);
    RunResult r = inst.Start("", {}, {"-i", moved});
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("Login name: "), std::string::npos) << r.output;
}

}  // namespace
