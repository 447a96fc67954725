#include "core/log.h"

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <filesystem>

#include "core/config.h"
#include "core/globals.h"
#include "platform/paths.h"
#include "support/tempdir.h"

namespace {

class LogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ::setenv("COMPUTERNAME", "FRONTDESK1", 1);
        UseInstallRoot(dir.Path(), 1);
    }
    void TearDown() override {
        ::unsetenv("COMPUTERNAME");
        g_oConfig.reset();
    }
    TempDir dir;
};

TEST_F(LogTest, LineFormatCleansTheText) {
    DateTime t{2014, 5, 16, 9, 30, 0, 0};
    EXPECT_EQ(FormatLogLine(t, 1, "FRONTDESK1", "SQLDB", "RunSQLNoReturn", "it`s\r\nbad\nx"),
              "2014-05-16 09:30:00,E,FRONTDESK1,[SQLDB:RunSQLNoReturn]:0:,it's bad x\r\n");
    EXPECT_NE(FormatLogLine(t, 2, "C", "M", "P", "").find(",W,"), std::string::npos);
    EXPECT_NE(FormatLogLine(t, 4, "C", "M", "P", "").find(",I,"), std::string::npos);
    EXPECT_NE(FormatLogLine(t, 3, "C", "M", "P", "").find(",U,"), std::string::npos);
}

TEST_F(LogTest, FirstLineCreatesTheMonthFolderAndErrorsGoToBothFiles) {
    DateTime now = DateTime::Now();
    EXPECT_EQ(MonthFolder(now), dir.Path() + "/Client/Log/" + now.Format("yyyymm"));
    ASSERT_TRUE(WriteLog("hello", "modMain", "Test", kLogInfo, 1));
    ASSERT_TRUE(WriteErrLog(3709, "closed", "SQLDB", "Run"));
    std::string day = ReadTextFile(DayLogPath(now));
    std::string err = ReadTextFile(ErrFilePath(now));
    EXPECT_NE(day.find(",I,FRONTDESK1,[modMain:Test]:0:,hello\r\n"), std::string::npos);
    EXPECT_NE(day.find(",E,FRONTDESK1,[SQLDB:Run]:0:,3709:closed\r\n"), std::string::npos);
    EXPECT_EQ(err.find("hello"), std::string::npos);
    EXPECT_NE(err.find("3709:closed"), std::string::npos);
    ASSERT_TRUE(WriteSQLLog("[RunSQLReturnRS] bad", "SELECT 1", "M", "P"));
    EXPECT_NE(ReadTextFile(DayLogPath(now)).find("[RunSQLReturnRS] bad; SQL=SELECT 1"),
              std::string::npos);
}

TEST_F(LogTest, LevelFilterAndLevelZero) {
    g_oConfig->SetLogLevel(1);
    EXPECT_FALSE(WriteLog("trace", "M", "P", kLogInfo, 3));
    g_oConfig->SetLogLevel(0);
    EXPECT_FALSE(WriteLog("any", "M", "P", kLogError, 1));
    EXPECT_FALSE(FolderExists(LogRootFolder()));
    g_oConfig->SetLogLevel(3);
    EXPECT_TRUE(WriteLog("trace", "M", "P", kLogInfo, 3));
}

TEST_F(LogTest, PacketLogSharesTheMonthFolder) {
    ASSERT_TRUE(LogPacket("<VARGRP id=\"KIV\"/>"));
    DateTime now = DateTime::Now();
    EXPECT_NE(ReadTextFile(PacketLogPath(now)).find(",<VARGRP id=\"KIV\"/>\r\n"),
              std::string::npos);
}

TEST_F(LogTest, ArchiveCutOffCrossesTheYearBoundary) {
    std::string root = LogRootFolder();
    for (const char* m : {"202310", "202311", "202312", "202401", "202402"}) {
        WriteTextFile(root + "/" + m + "/KIV_x.log", "x");
        WriteTextFile(root + "/" + m + "/sub/KIV_x.ERR", "x");
        WriteTextFile(root + "/" + m + "/keep.txt", "x");
    }
    ArchiveLogAt(2, DateTime::Date(2024, 1, 20));  // cut-off 202311
    EXPECT_FALSE(FileExists(root + "/202310/KIV_x.log"));
    EXPECT_FALSE(FileExists(root + "/202310/sub/KIV_x.ERR"));
    EXPECT_TRUE(FileExists(root + "/202310/keep.txt"));
    EXPECT_TRUE(FolderExists(root + "/202310/sub"));
    for (const char* m : {"202311", "202312", "202401", "202402"})
        EXPECT_TRUE(FileExists(root + "/" + m + "/KIV_x.log")) << m;
    ArchiveLogAt(-2, DateTime::Date(2024, 3, 5));  // a negative period means the same
    EXPECT_FALSE(FileExists(root + "/202312/KIV_x.log"));
    EXPECT_TRUE(FileExists(root + "/202401/KIV_x.log"));
}

TEST_F(LogTest, TwoProcessesAppendingLoseNoLine) {
    constexpr int kLines = 300;
    pid_t child = ::fork();
    if (child == 0) {
        for (int i = 0; i < kLines; ++i)
            WriteLog("child " + std::to_string(i), "M", "P", 4);
        ::_exit(0);
    }
    for (int i = 0; i < kLines; ++i)
        WriteLog("parent " + std::to_string(i), "M", "P", 4);
    int status = 0;
    ::waitpid(child, &status, 0);
    std::string text = ReadTextFile(DayLogPath(DateTime::Now()));
    int lines = 0;
    for (std::size_t p = 0; (p = text.find("\r\n", p)) != std::string::npos; p += 2)
        ++lines;
    EXPECT_EQ(lines, 2 * kLines);
}

TEST_F(LogTest, CreateFolderPathTakesEitherSlash) {
    EXPECT_TRUE(CreateFolderPath(dir.Path() + "\\a\\b/c"));
    EXPECT_TRUE(FolderExists(dir.Path() + "/a/b/c"));
    WriteTextFile(dir.File("file"), "x");
    EXPECT_FALSE(CreateFolderPath(dir.File("file/sub")));
}

}  // namespace
