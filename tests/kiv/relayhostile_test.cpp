// The relay server against peers that misbehave: peers that never read,
// floods of bad frames, too many connections, connections that never speak.
#include "kivserver/serverlog.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "kiv/kivtestsupport.h"
#include "messaging/framing.h"

namespace {

using kivsrv::RepeatLimiter;

// Log lines of the server that contain `text`.
std::vector<std::string> LogLines(const KivServerProcess& server, const std::string& text) {
    std::istringstream in(server.Log());
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        if (line.find(text) != std::string::npos) lines.push_back(line);
    return lines;
}

bool WaitForLog(const KivServerProcess& server, const std::string& text, int count = 1,
                int ms = 5000) {
    return PumpFor([&] { return server.CountLog(text) >= count; }, ms);
}

TEST(RepeatLimiterTest, AFewLinesPerKindAndWindowThenOneSummary) {
    TempDir dir;
    const auto t0 = RepeatLimiter::Clock::time_point{} + std::chrono::hours(1);
    const auto later = t0 + RepeatLimiter::kWindow;
    {
        kivsrv::ServerLog log;
        ASSERT_TRUE(log.Open(dir.File("relay.log")));
        RepeatLimiter limiter;
        auto write = [&](int level, const char* kind, const std::string& text,
                         RepeatLimiter::Clock::time_point when) {
            limiter.Write(
                log, level, kind, [&] { return text; }, when);
        };
        for (int i = 0; i < 8; ++i)
            write(kivsrv::kLogEvents, "empty", "empty " + std::to_string(i), t0);
        // Another kind has its own budget.
        write(kivsrv::kLogEvents, "bad", "bad 0", t0);
        // After the window: the summary of the held lines, then a fresh burst.
        write(kivsrv::kLogEvents, "empty", "empty 8", later);
        for (int i = 0; i < 7; ++i)
            write(kivsrv::kLogEvents, "bad", "bad " + std::to_string(i + 1), t0);
        limiter.Flush(log);
        limiter.Flush(log);  // nothing is owed twice
        // Below the log's verbosity nothing is written or counted.
        write(kivsrv::kLogPackets, "quiet", "quiet", t0);
    }
    std::vector<std::string> got;
    std::istringstream in(ReadTextFile(dir.File("relay.log")));
    for (std::string line; std::getline(in, line);)
        got.push_back(line.substr(line.find(" INFO ") + 6));
    const std::vector<std::string> want{"empty 0",
                                        "empty 1",
                                        "empty 2",
                                        "empty 3",
                                        "empty 4",
                                        "bad 0",
                                        "empty 4 \u2026 and 3 more like it",
                                        "empty 8",
                                        "bad 1",
                                        "bad 2",
                                        "bad 3",
                                        "bad 4",
                                        "bad 4 \u2026 and 3 more like it"};
    EXPECT_EQ(got, want);
}

TEST(RelayHostileTest, PeersThatNeverReadAreDroppedAtTheMemoryCap) {
    KivServerProcess server({"--max-queue-mb", "1"});
    ASSERT_TRUE(server.Running());
    std::vector<std::unique_ptr<RawPeer>> hogs;
    for (int i = 0; i < 10; ++i) {
        hogs.push_back(std::make_unique<RawPeer>());
        ASSERT_TRUE(hogs.back()->Connect(server.Port(), 4096));
    }
    RawPeer sender;
    ASSERT_TRUE(sender.Connect(server.Port()));
    ASSERT_TRUE(WaitForLog(server, "opened; 11 connected"));
    // About 2.7 MB of changes for peers that read none of them.
    Bytes burst;
    for (int i = 0; i < 500; ++i) {
        const Bytes f = FrameText(DataChangePacket(std::vector<int>(10, i)));
        burst.insert(burst.end(), f.begin(), f.end());
    }
    EXPECT_GT(burst.size(), 2u << 20);
    // More keeps coming while any of them is connected (bounded).
    const std::string dropped = " bytes waiting, the most, when all connections held ";
    int frames = 0;
    for (int round = 0; round < 20 && server.CountLog(dropped) < 10; ++round) {
        ASSERT_TRUE(sender.Send(burst));
        frames += 500;
        WaitForLog(server, dropped, 10, 1000);
    }
    for (auto& hog : hogs)
        EXPECT_TRUE(hog->WaitClosed(10000));
    const auto drops = LogLines(server, dropped);
    ASSERT_EQ(drops.size(), 10u);
    // The cap holds to within one read's worth of relayed frames.
    const std::regex held("when all connections held ([0-9]+) ");
    for (const std::string& line : drops) {
        std::smatch m;
        ASSERT_TRUE(std::regex_search(line, m, held)) << line;
        EXPECT_LT(std::stoul(m[1]), 2u << 20) << line;
    }
    // The sender held nothing and is served as before, once the relay has
    // passed on (to nobody) what it still had of the flood.
    ASSERT_TRUE(WaitForLog(server, "DATACHANGE from", frames, 30000));
    RawPeer reader;
    ASSERT_TRUE(reader.Connect(server.Port()));
    ASSERT_TRUE(WaitForLog(server, "opened; 2 connected"));
    ASSERT_TRUE(sender.Send(FrameText(DataChangePacket({7}))));
    EXPECT_EQ(reader.ReadPacket(), DataChangePacket({7}));
}

// Resident memory of a process in kilobytes.
long ResidentKB(pid_t pid) {
    std::istringstream in(ReadTextFile("/proc/" + std::to_string(pid) + "/status"));
    for (std::string line; std::getline(in, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

TEST(RelayHostileTest, PosRepliesNobodyReadsShareOneCopy) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer keeps freed memory; resident size says nothing";
#endif
    KivServerProcess server;
    ASSERT_TRUE(server.Running());
    const long before = ResidentKB(server.Pid());
    // Ten peers ask for 30,000 replies (about 30 MB as separate copies).
    Bytes burst;
    const Bytes request = FrameText(PosRequestPacket("edit_resv"));
    for (int i = 0; i < 3000; ++i)
        burst.insert(burst.end(), request.begin(), request.end());
    std::vector<std::unique_ptr<RawPeer>> hogs;
    for (int i = 0; i < 10; ++i) {
        hogs.push_back(std::make_unique<RawPeer>());
        ASSERT_TRUE(hogs.back()->Connect(server.Port(), 4096));
        ASSERT_TRUE(hogs.back()->Send(burst));
    }
    ASSERT_TRUE(WaitForLog(server, "POS reply to", 30000, 20000));
    EXPECT_LT(ResidentKB(server.Pid()) - before, 12 * 1024);
    // Nobody was dropped for it, and the memory goes when they do.
    EXPECT_EQ(server.CountLog(" bytes waiting, the most,"), 0);
}

TEST(RelayHostileTest, FloodsOfBadFramesWriteAFewLinesEach) {
    KivServerProcess server;
    ASSERT_TRUE(server.Running());
    RawPeer flood, reader;
    ASSERT_TRUE(reader.Connect(server.Port()));
    ASSERT_TRUE(flood.Connect(server.Port()));
    Bytes empties;
    for (int i = 0; i < (1 << 19); ++i) {
        empties.push_back(kFrameStart);
        empties.push_back(kFrameEnd);
    }
    ASSERT_TRUE(flood.Send(empties));  // 1 MiB of empty frames
    for (int i = 0; i < 12; ++i)
        ASSERT_TRUE(flood.Send(FrameText("<VARGRP id=\"kivp\"><VAR")));
    for (int i = 0; i < 8; ++i)
        ASSERT_TRUE(flood.Send(FrameText(
            "<VARGRP id=\"kivp\"><VAR id=\"type\">NOISE</VAR><VARGRP id=\"kivdata\"/></VARGRP>")));
    // Good packets among the junk still pass.
    ASSERT_TRUE(flood.Send(FrameText(DataChangePacket({3}))));
    EXPECT_EQ(reader.ReadPacket(30000), DataChangePacket({3}));
    flood.Close();
    ASSERT_TRUE(WaitForLog(server, "closed by the workstation"));
    struct Case {
        const char* line;
        std::string summary;
    } cases[] = {
        {"Empty frame from", "\u2026 and 524283 more like it"},
        {"Unparsable packet from", "\u2026 and 7 more like it"},
        {"Packet of unknown type 'NOISE'", "\u2026 and 3 more like it"},
    };
    for (const Case& c : cases) {
        auto lines = LogLines(server, c.line);
        ASSERT_EQ(lines.size(), 6u) << c.line;
        EXPECT_NE(lines.back().find(c.summary), std::string::npos) << lines.back();
    }
    EXPECT_LT(server.Log().size(), 16u * 1024);
}

TEST(RelayHostileTest, ConnectionsBeyondTheLimitAreRefusedUntilOneLeaves) {
    KivServerProcess server({"--max-connections", "3"});
    ASSERT_TRUE(server.Running());
    RawPeer peers[3], extra;
    for (RawPeer& p : peers)
        ASSERT_TRUE(p.Connect(server.Port()));
    ASSERT_TRUE(WaitForLog(server, "opened; 3 connected"));
    ASSERT_TRUE(extra.Connect(server.Port()));
    EXPECT_TRUE(extra.WaitClosed(3000));
    EXPECT_TRUE(WaitForLog(server, "refused: 3 connected, the limit"));
    peers[0].Close();
    ASSERT_TRUE(WaitForLog(server, "closed by the workstation"));
    RawPeer late;
    ASSERT_TRUE(late.Connect(server.Port()));
    ASSERT_TRUE(WaitForLog(server, "opened; 3 connected", 2));
    ASSERT_TRUE(late.Send(FrameText(DataChangePacket({9}))));
    EXPECT_EQ(peers[1].ReadPacket(), DataChangePacket({9}));
    EXPECT_EQ(server.CountLog("refused"), 1);
}

TEST(RelayHostileTest, ConnectionsThatSendNoPacketAreClosedAfterTheTimeOut) {
    KivServerProcess server({"--idle-timeout", "1"});
    ASSERT_TRUE(server.Running());
    RawPeer silent, junk, speaker;
    ASSERT_TRUE(silent.Connect(server.Port()));
    ASSERT_TRUE(junk.Connect(server.Port()));
    ASSERT_TRUE(speaker.Connect(server.Port()));
    // Frames that are no packet do not count; a FILTER does, even an empty one.
    ASSERT_TRUE(junk.Send(std::string("\x01\x04 junk \x04\x01<x>\x04")));
    ASSERT_TRUE(speaker.Send(FrameText(PosRequestPacket("edit_resv"))));
    EXPECT_TRUE(silent.WaitClosed(4000));
    EXPECT_TRUE(junk.WaitClosed(4000));
    EXPECT_TRUE(WaitForLog(server, "closed: no packet within 1 s", 2));
    // The speaker is still served, long after the time-out.
    EXPECT_NE(speaker.ReadPacket().find("POSREPLY"), std::string::npos);
    PumpFor([] { return false; }, 500);
    ASSERT_TRUE(speaker.Send(FrameText(PosRequestPacket("edit_resv"))));
    EXPECT_NE(speaker.ReadPacket().find("POSREPLY"), std::string::npos);
}

}  // namespace
