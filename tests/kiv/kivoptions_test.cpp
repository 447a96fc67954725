#include "kivserver/relayoptions.h"

#include <gtest/gtest.h>

#include "support/tempdir.h"

namespace {

using kivsrv::ParseRelayOptions;
using kivsrv::RelayOptions;

int Parse(std::vector<std::string> args, RelayOptions& options, std::string& message) {
    args.insert(args.begin(), "kivserver");
    std::vector<const char*> argv;
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    return ParseRelayOptions(static_cast<int>(argv.size()), argv.data(), options, message);
}

TEST(KivOptionsTest, RepliesDelaysAndStatusesFromTheCommandLineAndAConfigFile) {
    TempDir dir;
    WriteTextFile(dir.File("relay.ini"),
                  "port = 7600\nreply = \"chk_enq=7:Table closed\" \"*=3:Busy\"\n"
                  "delay = \"chk_enq=200\" 50\npos-status = POS1 \"pos2=OFFLINE\"\n"
                  "max-queue-mb = 8\nmax-connections = 12\nidle-timeout = 0\n");
    const std::vector<std::vector<std::string>> sources = {
        {"--port",
         "7600",
         "--reply",
         "chk_enq=7:Table closed",
         "--reply",
         "*=3:Busy",
         "--delay",
         "chk_enq=200",
         "--delay",
         "50",
         "--pos-status",
         "POS1",
         "--pos-status",
         "pos2=OFFLINE",
         "--max-queue-mb",
         "8",
         "--max-connections",
         "12",
         "--idle-timeout",
         "0"},
        {"--config", dir.File("relay.ini")},
    };
    for (const auto& args : sources) {
        RelayOptions o;
        std::string message;
        ASSERT_EQ(Parse(args, o, message), -1) << message;
        EXPECT_EQ(o.port, 7600);
        EXPECT_EQ(o.bind, "127.0.0.1");
        auto enq = o.RuleFor("CHK_ENQ");
        EXPECT_TRUE(enq.reply);
        EXPECT_EQ(enq.code + "|" + enq.description + "|" + std::to_string(enq.delayMs),
                  "7|Table closed|200");
        auto other = o.RuleFor("edit_resv");
        EXPECT_EQ(other.code + "|" + other.description + "|" + std::to_string(other.delayMs),
                  "3|Busy|50");
        EXPECT_FALSE(o.RuleFor("change_vacant").reply);
        EXPECT_EQ(o.posStatus, (std::vector<std::pair<std::string, std::string>>{
                                   {"POS1", "online"}, {"pos2", "offline"}}));
        EXPECT_EQ(std::to_string(o.maxQueueMB) + " " + std::to_string(o.maxConnections) + " " +
                      std::to_string(o.idleTimeoutSec),
                  "8 12 0");
    }
}

TEST(KivOptionsTest, DefaultsAndRefusedValues) {
    RelayOptions o;
    std::string message;
    ASSERT_EQ(Parse({}, o, message), -1);
    EXPECT_EQ(o.port, 7500);
    EXPECT_EQ(o.verbosity, 1);
    EXPECT_EQ(o.RuleFor("edit_resv").code, "0");
    EXPECT_TRUE(o.posStatus.empty());
    EXPECT_EQ(o.maxQueueMB, 64);
    EXPECT_EQ(o.maxConnections, 256);
    EXPECT_EQ(o.idleTimeoutSec, 30);
    for (std::vector<std::string> bad :
         std::vector<std::vector<std::string>>{{"--reply", "chk_enq"},
                                               {"--reply", "=1:x"},
                                               {"--delay", "soon"},
                                               {"--delay", "chk_enq=-5"},
                                               {"--pos-status", "POS1=maybe"},
                                               {"--port", "70000"},
                                               {"--max-queue-mb", "0"},
                                               {"--max-connections", "0"},
                                               {"--idle-timeout", "-1"},
                                               {"--idle-timeout", "soon"},
                                               {"--unknown"}}) {
        RelayOptions r;
        EXPECT_GT(Parse(bad, r, message), 0) << bad[0];
        EXPECT_FALSE(message.empty()) << bad[0];
    }
}

}  // namespace
