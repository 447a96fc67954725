// Workstation connection objects against a real kivserver process.
#include "messaging/kiv.h"
#include "messaging/kivconnections.h"

#include <gtest/gtest.h>

#include <numeric>
#include <thread>

#include "core/config.h"
#include "core/globals.h"
#include "kiv/kivtestsupport.h"
#include "messaging/framing.h"
#include "messaging/packetmaker.h"
#include "platform/userinterface.h"

namespace {

// One workstation: a hub with service 1 and what reached its handlers.
struct Workstation {
    explicit Workstation(int port) {
        conn.AddServer(MakeKIVServer(1, port));
        hub.Dispatcher().Register("tbl_reservation", [this](const DataChangeMsg& m) {
            changes.push_back(std::to_string(m.FieldID) + " " + m.Module);
        });
        hub.OnSocketError(
            [this](const std::string& address, int32_t, const std::string& description, int32_t,
                   const std::string&) { errors.push_back(address + ": " + description); });
    }
    KIVServer& Server() { return *conn.GetKIVServer(1); }

    KIV hub;
    KIVConnections& conn = hub.KIVConn();
    std::vector<std::string> changes;
    std::vector<std::string> errors;
};

class KivRelayTest : public ::testing::Test {
  protected:
    void SetUp() override {
        UseInstallRoot(dir.Path(), 1);
        ASSERT_TRUE(server.Running());
    }
    void TearDown() override { g_oConfig.reset(); }

    // Both connected and known to the server before anything is relayed.
    void ConnectBoth() {
        for (Workstation* w : {&a, &b}) {
            ASSERT_TRUE(w->conn.Connect(1));
            w->Server().SetInitConn(false);
        }
        ASSERT_TRUE(PumpFor([&] { return server.CountLog("opened; 2 connected") == 1; }));
    }

    TempDir dir;
    ScriptedUserInterface ui;
    ScopedUserInterface scoped{ui};
    KivServerProcess server{{"--reply", "edit_resv=0:Done", "--reply", "chk_enq=7:Table closed",
                             "--reply", "new_table=0:Late", "--delay", "new_table=1500"}};
    Workstation a{server.Port()};
    Workstation b{server.Port()};
};

TEST_F(KivRelayTest, DataChangeTravelsBetweenWorkstationsUnchanged) {
    ConnectBoth();
    // U+0401, U+0201, U+2504 and "%" put the bytes 0x01, 0x02, 0x04 and
    // 0x25 into the UTF-16 payload: all escaped on the wire.
    const std::string module = "RESERVATION \u0401\u0201\u2504%";
    ASSERT_TRUE(a.conn.SendMessage(1, DataChangePacket({11, 12}, module)));
    ASSERT_TRUE(b.conn.SendMessage(1, DataChangePacket({13})));
    ASSERT_TRUE(PumpFor([&] { return !a.changes.empty() && b.changes.size() == 2; }));
    EXPECT_EQ(b.changes, (std::vector<std::string>{"11 " + module, "12 " + module}));
    EXPECT_EQ(a.changes, std::vector<std::string>{"13 RESERVATION"});
}

TEST_F(KivRelayTest, BadFramesFromOneConnectionDoNotDisturbTheOthers) {
    ConnectBoth();
    RawPeer raw;
    ASSERT_TRUE(raw.Connect(server.Port()));
    const Bytes first = FrameText(DataChangePacket({1})), second = FrameText(DataChangePacket({2}));
    const Bytes third = FrameText(DataChangePacket({3}));
    // Split across writes, junk, an unparsable packet, two packets at once,
    // an oversized one, then one more.
    ASSERT_TRUE(raw.Send(Bytes(first.begin(), first.begin() + 7)));
    PumpFor([] { return false; }, 30);
    ASSERT_TRUE(raw.Send(Bytes(first.begin() + 7, first.end())));
    ASSERT_TRUE(raw.Send(std::string("junk\x04")));
    ASSERT_TRUE(raw.Send(FrameText("<VARGRP id=\"kivp\"><VAR")));
    Bytes pair = second;
    pair.insert(pair.end(), first.begin(), first.end());
    ASSERT_TRUE(raw.Send(pair));
    ASSERT_TRUE(raw.Send(FrameText(DataChangePacket({99}, std::string(kMaxFrameBytes / 2, 'x')))));
    ASSERT_TRUE(raw.Send(third));
    ASSERT_TRUE(PumpFor([&] { return a.changes.size() == 4 && b.changes.size() == 4; }));
    const std::vector<std::string> want{"1 RESERVATION", "2 RESERVATION", "1 RESERVATION",
                                        "3 RESERVATION"};
    EXPECT_EQ(a.changes, want);
    EXPECT_EQ(b.changes, want);
    EXPECT_EQ(server.CountLog("Unparsable packet"), 1);
    EXPECT_EQ(server.CountLog("Message too large"), 1);
    // The raw connection itself is still served.
    ASSERT_TRUE(a.conn.SendMessage(1, DataChangePacket({4})));
    EXPECT_EQ(raw.ReadPacket(), DataChangePacket({4}));
}

TEST_F(KivRelayTest, LargeMessagesArriveWholeAndTooLargeOnesAreRefusedBySending) {
    ConnectBoth();
    // 25 rows are well over ten kilobytes on the wire.
    std::vector<int> rows(25);
    std::iota(rows.begin(), rows.end(), 1);
    ASSERT_TRUE(a.conn.SendMessage(1, DataChangePacket(rows)));
    ASSERT_TRUE(PumpFor([&] { return b.changes.size() == 25; }));
    EXPECT_EQ(b.changes.back(), "25 RESERVATION");

    // The table enquiry of a 72-table outlet, in one write and in many.
    const Bytes enquiry = FrameText(TableEnquiryPacket(72));
    EXPECT_GT(enquiry.size(), 27000u);
    RawPeer raw;
    ASSERT_TRUE(raw.Connect(server.Port()));
    ASSERT_TRUE(raw.Send(enquiry));
    EXPECT_NE(raw.ReadPacket().find("POSREPLY"), std::string::npos);
    for (std::size_t off = 0; off < enquiry.size(); off += 1000) {
        ASSERT_TRUE(raw.Send(
            Bytes(enquiry.begin() + static_cast<long>(off),
                  enquiry.begin() + static_cast<long>(std::min(off + 1000, enquiry.size())))));
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_NE(raw.ReadPacket().find("POSREPLY"), std::string::npos);

    // Over the limit: refused before anything leaves, and the connection stays.
    const std::string huge = DataChangePacket({1}, std::string(kMaxFrameBytes / 2, 'x'));
    EXPECT_FALSE(a.conn.SendMessage(1, huge));
    EXPECT_EQ(a.conn.ErrNumber(), kErrSendFail);
    EXPECT_EQ(a.conn.ErrDescription().rfind(
                  "KIVConnections:SendMessage:frmMessager:SendData:Message too large ", 0),
              0u)
        << a.conn.ErrDescription();
    ASSERT_TRUE(a.conn.SendMessage(1, DataChangePacket({26})));
    ASSERT_TRUE(PumpFor([&] { return b.changes.size() == 26; }));
    EXPECT_EQ(b.changes.back(), "26 RESERVATION");
    EXPECT_EQ(server.CountLog("Message too large"), 0);
}

TEST_F(KivRelayTest, EveryConnectTellsTheServerTheCurrentFilterOnce) {
    const std::string none = "shows outlet , date , meal period ";
    const std::string seven = "shows outlet 7, date 2024-05-01, meal period 2";
    // No view open yet: an empty filter.
    ASSERT_TRUE(a.conn.Connect(1));
    ASSERT_TRUE(PumpFor([&] { return server.CountLog(none) == 1; }));
    const std::string filter =
        PacketMaker().MakeActOutletPkt(PacketMaker::CreateFilter(7, "2024-05-01", 2));
    a.conn.SetCurrentFilter(1, filter);
    struct Step {
        const char* name;
        std::function<bool()> run;
    } steps[] = {
        {"reconnect", [&] { return a.conn.Reconnect(1, 1, 0); }},
        {"connect all", [&] { return a.conn.ConnectAll(); }},
        // The first send connects; the filter it sends is not sent twice.
        {"first send of the filter itself",
         [&] {
             a.Server().SetInitConn(true);
             return a.conn.SendMessage(1, filter);
         }},
    };
    // Only the steps connect, not the markers sent after them.
    a.Server().SetInitConn(false);
    int expected = 0;
    for (const Step& step : steps) {
        ASSERT_TRUE(step.run()) << step.name;
        ++expected;
        // A marker behind it, so that every FILTER before it has been logged.
        ASSERT_TRUE(a.conn.SendMessage(1, PosRequestPacket("edit_resv"))) << step.name;
        ASSERT_TRUE(PumpFor([&] { return server.CountLog("POS reply to") == expected; }))
            << step.name;
        EXPECT_EQ(server.CountLog(seven), expected) << step.name;
    }
    EXPECT_EQ(server.CountLog(none), 1);
    EXPECT_FALSE(a.Server().InitConn());
}

TEST_F(KivRelayTest, POSRepliesEndTheWaitWithTheirCodeAndDescription) {
    struct Case {
        std::string type;
        int timeoutMs;
        bool ok;
        int32_t number;
        std::string description;
    } cases[] = {
        {"edit_resv", 3000, true, kErrPOSReply, "Done"},
        {"chk_enq", 3000, false, kErrPOSReply, "Table closed"},
        {"change_cover", 3000, true, kErrPOSReply, "OK"},
        {"new_table", 300, false, kErrRequestTimeout,
         "KIVConnections:SendMessageWithReply:Request timeout"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(a.conn.SendMessageWithReply(1, PosRequestPacket(c.type), c.timeoutMs), c.ok)
            << c.type;
        EXPECT_EQ(a.conn.ErrNumber(), c.number) << c.type;
        EXPECT_EQ(a.conn.ErrDescription(), c.description) << c.type;
        EXPECT_FALSE(a.conn.WaitingForReply());
    }
}

TEST_F(KivRelayTest, ASecondWaitIsRefusedWhileOneRuns) {
    bool nestedResult = true;
    std::string nestedError;
    // Runs inside the first wait, as a window event would.
    MainLoop().Post([&] {
        nestedResult = a.conn.SendMessageWithReply(1, PosRequestPacket("edit_resv"), 1000);
        nestedError = a.conn.ErrDescription();
    });
    EXPECT_TRUE(a.conn.SendMessageWithReply(1, PosRequestPacket("edit_resv"), 3000));
    EXPECT_FALSE(nestedResult);
    EXPECT_EQ(nestedError, "KIVConnections:SendMessageWithReply:Waiting for POS reply");
}

TEST_F(KivRelayTest, FirstSendAfterConnectAllReconnects) {
    ASSERT_TRUE(a.conn.ConnectAll());
    EXPECT_TRUE(a.Server().Connected());
    EXPECT_TRUE(a.Server().InitConn());
    ASSERT_TRUE(PumpFor([&] { return server.CountLog(" opened;") == 1; }));
    ASSERT_TRUE(a.conn.SendMessage(1, DataChangePacket({1})));
    EXPECT_FALSE(a.Server().InitConn());
    ASSERT_TRUE(a.conn.SendMessage(1, DataChangePacket({2})));
    ASSERT_TRUE(PumpFor([&] {
        return server.CountLog("closed by the workstation") == 1 &&
               server.CountLog(" opened;") == 2;
    }));
    PumpFor([] { return false; }, 100);
    EXPECT_EQ(server.CountLog(" opened;"), 2);
}

TEST_F(KivRelayTest, KilledServerIsReportedAndReconnectBringsTheWorkstationBack) {
    ConnectBoth();
    server.Kill();
    ASSERT_TRUE(PumpFor([&] { return !a.errors.empty() && !b.errors.empty(); }));
    EXPECT_EQ(a.errors[0].rfind("127.0.0.1: ", 0), 0u) << a.errors[0];
    // The write fails: the caller must not believe the change went out.
    EXPECT_FALSE(a.conn.SendMessage(1, DataChangePacket({5})));
    EXPECT_EQ(a.conn.ErrNumber(), kErrSendFail);
    EXPECT_EQ(a.conn.ErrDescription(),
              "KIVConnections:SendMessage:frmMessager:SendData:SendData fail");
    // Nothing listens: every attempt fails, and no error event is raised meanwhile.
    EXPECT_FALSE(a.conn.Reconnect(1, 2, 50));
    EXPECT_FALSE(a.Server().Reconnecting());
    ASSERT_TRUE(server.Restart());
    ASSERT_TRUE(a.conn.Reconnect(1, 5, 200));
    ASSERT_TRUE(b.conn.Reconnect(1, 5, 200));
    EXPECT_EQ(a.errors.size(), 1u);
    // The log of the first run is kept: this is the second time two are connected.
    ASSERT_TRUE(PumpFor([&] { return server.CountLog("opened; 2 connected") == 2; }));
    ASSERT_TRUE(a.conn.SendMessage(1, DataChangePacket({6})));
    ASSERT_TRUE(PumpFor([&] { return !b.changes.empty(); }));
    EXPECT_EQ(b.changes, std::vector<std::string>{"6 RESERVATION"});
}

TEST_F(KivRelayTest, SendingAsksBeforeReconnectingAnOfflineServer) {
    a.Server().SetInitConn(false);
    a.Server().SetConnected(false);
    ui.QueueAnswer(false);
    EXPECT_FALSE(a.conn.SendMessage(1, DataChangePacket({1})));
    ASSERT_EQ(ui.Texts("question").size(), 1u);
    EXPECT_EQ(ui.Texts("question")[0], "127.0.0.1 Is Offline\nAre you sure to reconnect?");
    ui.QueueAnswer(true);
    EXPECT_TRUE(a.conn.SendMessage(1, DataChangePacket({1})));
    EXPECT_TRUE(a.Server().Connected());
}

TEST(KivConnectionsTest, UnknownServersAndUnreachableOnesFail) {
    ScriptedUserInterface ui;
    ScopedUserInterface scoped(ui);
    int port = 0;
    {
        RawPeer gone;
        port = gone.Listen();
    }
    Workstation w(port);
    EXPECT_FALSE(w.conn.SendMessage(9, "<x/>"));
    EXPECT_EQ(w.conn.ErrNumber(), kErrItemNotFound);
    EXPECT_EQ(w.conn.ErrDescription(), "KIVConnections:SendMessage:Connection Item 9 not found");
    EXPECT_FALSE(w.conn.Connect(9));
    EXPECT_FALSE(w.conn.SendMessage(1, "<x/>"));
    ASSERT_EQ(ui.Entries().size(), 1u);
    EXPECT_EQ(ui.Entries()[0].text, "Fail to connect 127.0.0.1");
    EXPECT_EQ(ui.Entries()[0].title, "Connection Fail");
    EXPECT_TRUE(w.Server().InitConn());
    EXPECT_FALSE(w.conn.Load(nullptr));
    EXPECT_EQ(w.conn.ErrNumber(), kErrNoDefaultDB);
}

}  // namespace
