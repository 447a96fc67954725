#include "support/installation.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "core/config.h"
#include "core/globals.h"
#include "core/mltext.h"
#include "core/startup.h"
#include "registry/client.h"
#include "registry/dbconnections.h"
#include "support/tempdir.h"
#include "users/user.h"

TestInstallation::TestInstallation() {
    ::setenv("COMPUTERNAME", kTestComputer, 1);
    demo_ = BuildDemoInstallation();
    db_.SetKeepConnection(true);
    db_.SetConnectionString("Provider=SQLite;Data Source=" + demo_->defaultDb);
}

TestInstallation::~TestInstallation() {
    db_.Disconnect();
    g_oUser.reset();
    g_oClient.reset();
    g_oDBConns.reset();
    g_oConfig.reset();
    ReleaseMultiLang();
    g_nLanguage = 1;
}

void TestInstallation::Sql(const std::string& batch) {
    ASSERT_TRUE(db_.RunSQLNoReturn(batch)) << db_.ErrDescription();
}

std::shared_ptr<Recordset> TestInstallation::Query(const std::string& sql) {
    auto rs = db_.RunSQLReturnRS(sql);
    EXPECT_NE(rs, nullptr) << db_.ErrDescription();
    return rs;
}

std::string TestInstallation::DayLogs() const {
    std::string text;
    std::error_code ec;
    std::string logRoot = Root() + "/Client/Log";
    for (const auto& f : std::filesystem::recursive_directory_iterator(logRoot, ec))
        if (f.is_regular_file() && f.path().extension() == ".log") text += ReadTextFile(f.path());
    return text;
}

RunResult TestInstallation::Start(const std::string& input, std::map<std::string, std::string> env,
                                  std::vector<std::string> extraArgs) const {
    if (env.count("COMPUTERNAME") == 0) env["COMPUTERNAME"] = kTestComputer;
    std::vector<std::string> args{"--root", Root()};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    return RunProgram(ProgramPath("culinarotable"), args, input, env);
}

bool TestInstallation::StartInProcess() {
    ::setenv("COMPUTERNAME", kTestComputer, 1);
    return InitSetting({}, Root()) && InitGlobalObj();
}
