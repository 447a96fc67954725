// kivserver as a service: the settings file the package installs, options
// that override it, and log lines in the journal's form.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "kivserver/relayoptions.h"
#include "kivserver/serverlog.h"
#include "support/liveprogram.h"
#include "support/process_run.h"
#include "support/tempdir.h"

namespace {

using kivsrv::ParseRelayOptions;
using kivsrv::RelayOptions;

const std::string kPackagedSettings = std::string(CT_SOURCE_DIR) + "/packaging/kivserver.ini";

int Parse(std::vector<std::string> args, RelayOptions& options, std::string& message) {
    args.insert(args.begin(), "kivserver");
    std::vector<const char*> argv;
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    return ParseRelayOptions(static_cast<int>(argv.size()), argv.data(), options, message);
}

TEST(KivServiceTest, PackagedSettingsAndCommandLineOverrides) {
    RelayOptions o;
    std::string message;
    ASSERT_EQ(Parse({"--config", kPackagedSettings}, o, message), -1) << message;
    EXPECT_EQ(o.bind + ":" + std::to_string(o.port), "127.0.0.1:7500");
    EXPECT_EQ(o.maxQueueMB, 64);
    EXPECT_EQ(o.maxConnections, 256);
    EXPECT_EQ(o.idleTimeoutSec, 30);
    EXPECT_EQ(o.logFile, "");

    RelayOptions over;
    ASSERT_EQ(Parse({"--config", kPackagedSettings, "--bind", "0.0.0.0", "--port", "7611"}, over,
                    message),
              -1)
        << message;
    EXPECT_EQ(over.bind + ":" + std::to_string(over.port), "0.0.0.0:7611");
    EXPECT_EQ(over.maxConnections, 256);

    TempDir dir;
    WriteTextFile(dir.File("verbose.ini"), "verbose = 2\nlog = journal\n");
    RelayOptions verbose;
    ASSERT_EQ(Parse({"--config", dir.File("verbose.ini")}, verbose, message), -1) << message;
    EXPECT_EQ(verbose.verbosity, 3);
    EXPECT_EQ(verbose.logFile, "journal");
}

TEST(KivServiceTest, SettingsThatWouldBeSilentlyIgnoredAreRefused) {
    TempDir dir;
    const std::vector<std::pair<std::string, std::string>> files{
        {"max-conections = 10\n", "max-conections"},  // misspelt
        {"[kivserver]\nport = 7600\n", "kivserver"},  // keys belong at the top
    };
    for (const auto& [text, named] : files) {
        WriteTextFile(dir.File("bad.ini"), text);
        RelayOptions o;
        std::string message;
        EXPECT_GT(Parse({"--config", dir.File("bad.ini")}, o, message), 0) << text;
        EXPECT_NE(message.find(named), std::string::npos) << message;
    }
    RelayOptions o;
    std::string message;
    EXPECT_GT(Parse({"--config", dir.File("missing.ini")}, o, message), 0);
}

TEST(KivServiceTest, StandardErrorIsTheJournalOnlyWhenJournalStreamNamesIt) {
    struct stat st {};
    ASSERT_EQ(fstat(STDERR_FILENO, &st), 0);
    const std::string own = std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
    const char* old = std::getenv("JOURNAL_STREAM");
    const std::string saved = old != nullptr ? old : "";
    for (const auto& [value, expected] : std::vector<std::pair<std::string, bool>>{
             {own, true}, {std::to_string(st.st_dev) + ":1", false}, {"", false}}) {
        if (value.empty())
            ::unsetenv("JOURNAL_STREAM");
        else
            ::setenv("JOURNAL_STREAM", value.c_str(), 1);
        EXPECT_EQ(kivsrv::StderrIsJournal(), expected) << value;
    }
    if (old != nullptr)
        ::setenv("JOURNAL_STREAM", saved.c_str(), 1);
    else
        ::unsetenv("JOURNAL_STREAM");
}

TEST(KivServiceTest, JournalLinesCarryThePriorityAndNoTimeStamp) {
    LiveProgram relay(ProgramPath("kivserver"), {"--port", "0", "--log", "journal"});
    const std::size_t at = relay.WaitFor("<6>INFO Listening on 127.0.0.1:");
    ASSERT_NE(at, std::string::npos) << relay.Output();
    const std::string port = relay.Output().substr(at, relay.Output().find('\n', at) - at);
    // A second one on the same port fails, with an error line.
    LiveProgram taken(ProgramPath("kivserver"), {"--port", port, "--log", "journal"});
    EXPECT_NE(taken.WaitFor("<3>ERROR cannot listen on 127.0.0.1:" + port), std::string::npos)
        << taken.Output();
    EXPECT_EQ(taken.Finish(), 1);
}

}  // namespace
