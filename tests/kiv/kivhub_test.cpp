// The hub on a demo installation: the server list, incoming packets, the
// status listing and the reconnect prompt.
#include "messaging/kiv.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "app/servercommands.h"
#include "core/config.h"
#include "core/globals.h"
#include "core/log.h"
#include "kiv/kivtestsupport.h"
#include "messaging/packetmaker.h"
#include "platform/userinterface.h"
#include "support/installation.h"

namespace {

std::string StatusPacket(const std::vector<std::pair<std::string, std::string>>& rows) {
    PacketMaker maker;
    PacketItems items;
    for (const auto& [code, status] : rows)
        items.push_back({{"poscode", code}, {"status", status}});
    return maker.CompletePacket("POSSTATUS", maker.MakeFilterMsgData(items, "statuses", "status"));
}

class KivHubTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(inst.StartInProcess());
        // Service 2 serves no active outlet; service 3 is deleted.
        inst.Sql(
            "INSERT INTO tbl_ServiceServer (ServiceID, ServiceCode, IPPort, ClientConnectIP, "
            "RowStatus) VALUES (2, 'KIV2', 7700, '127.0.0.2', 'A'), (3, 'KIV3', 7800, "
            "'127.0.0.3', 'D');"
            "INSERT INTO tbl_ServicePOS (ServiceID, POSID, RowStatus) VALUES (1, 2, 'A'), "
            "(1, 1, 'D');"
            "UPDATE tbl_Outlet SET ServiceID = 3 WHERE OutletID = 3");
    }
    void UsePort(int port) {
        inst.Sql("UPDATE tbl_ServiceServer SET IPPort = " + std::to_string(port) +
                 " WHERE ServiceID = 1");
    }
    // Points service 1 at a port that was just free, so no relay running on
    // this machine (a demo's, say) answers where the test expects silence.
    void UseClosedPort() {
        int port = 0;
        {
            RawPeer gone;
            port = gone.Listen();
        }
        UsePort(port);
    }
    POSServer& Pos(int id) { return *hub->POSServerList().GetPOSServerByID(id); }

    TestInstallation inst;
    ScriptedUserInterface ui;
    ScopedUserInterface scoped{ui};
    std::unique_ptr<KIV> hub;
};

TEST_F(KivHubTest, OpenHubLoadsTheServersOfActiveOutlets) {
    hub = OpenHub();
    EXPECT_EQ(ui.Texts("status"), (std::vector<std::string>{"Initializing CulinaroTable objects...",
                                                            "Connecting to servers...",
                                                            "Initializing user interface..."}));
    auto& servers = hub->KIVConn().KIVServers();
    ASSERT_EQ(servers.Count(), 1u);
    KIVServer& s = *hub->KIVConn().GetKIVServer(1);
    EXPECT_EQ(s.ServiceCode(), "KIV1");
    EXPECT_EQ(s.ClientConnectIP(), "127.0.0.1");
    EXPECT_EQ(s.Index(), 1);
    EXPECT_EQ(s.POSServers().Keys(), (std::vector<int32_t>{1, 2}));
    EXPECT_TRUE(s.InitConn());
    EXPECT_EQ(hub->POSServerList().Count(), 2);
    EXPECT_EQ(ServerStatusLines(*hub),
              (std::vector<std::string>{"CulinaroTable Server\tKIV1\t127.0.0.1\tUnknown",
                                        "POS Server\tPOS1\t127.0.0.1\tUnknown",
                                        "POS Server\tPOS2\t127.0.0.1\tUnknown"}));
}

TEST_F(KivHubTest, PacketsUpdateServersPOSStatusAndDispatchChanges) {
    g_oConfig->SetLogLevel(2);
    g_oConfig->SetWritePacketLog(true);
    hub = std::make_unique<KIV>();
    ASSERT_TRUE(hub->KIVConn().Load());
    int statusEvents = 0;
    hub->OnPOSStatus([&] { ++statusEvents; });
    KIVServer& s = *hub->KIVConn().GetKIVServer(1);

    // Neither a broken packet nor one without a payload counts as contact.
    hub->ParseKIVSvrMsg(1, "<VARGRP id=\"kivp\"><VAR");
    hub->ParseKIVSvrMsg(1, "<VARGRP id=\"kivp\"><VAR id=\"type\">POSSTATUS</VAR></VARGRP>");
    EXPECT_TRUE(s.InitConn());
    EXPECT_EQ(statusEvents, 0);

    struct Step {
        std::vector<std::pair<std::string, std::string>> rows;
        bool pos1Unknown, pos1Online, pos2Unknown, pos2Online;
    } steps[] = {
        {{{"POS1", "ONLINE"}}, false, true, true, false},
        {{{"pos2", "Offline"}, {"POS1", "offline"}}, false, false, false, false},
        {{{"POS9", "online"}}, false, false, false, false},
        {{{"Pos2", "online"}}, false, false, false, true},
    };
    int n = 0;
    for (const Step& st : steps) {
        hub->ParseKIVSvrMsg(1, StatusPacket(st.rows));
        EXPECT_EQ(statusEvents, ++n);
        EXPECT_EQ(Pos(1).UnknownStatus(), st.pos1Unknown) << n;
        EXPECT_EQ(Pos(1).Connected(), st.pos1Online) << n;
        EXPECT_EQ(Pos(2).UnknownStatus(), st.pos2Unknown) << n;
        EXPECT_EQ(Pos(2).Connected(), st.pos2Online) << n;
    }
    EXPECT_FALSE(s.InitConn());
    EXPECT_TRUE(s.Connected());

    std::vector<DataChangeMsg> got;
    hub->Dispatcher().Register("tbl_reservation",
                               [&](const DataChangeMsg& m) { got.push_back(m); });
    hub->Dispatcher().Register("TBL_TableStatus",
                               [](const DataChangeMsg&) { throw std::runtime_error("boom"); });
    PacketMaker maker;
    auto row = [](const std::string& table, const std::string& field, const std::string& fieldID) {
        return PacketItem{{"dbserverid", "2"}, {"module", "RESERVATION"}, {"operation", "UPDATE"},
                          {"table", table},    {"field", field},          {"fieldid", fieldID}};
    };
    // Only the table's key column and a positive integer id reach a handler.
    const std::string packet = maker.MakeDataChangePkt(
        "2", nullptr,
        {row("TBL_RESERVATION", "reserveid", "41"), row("tbl_tablestatus", "TableStatusID", "6"),
         row("tbl_unknown", "x", "7"), row("tbl_reservation", "reserveid", "12abc"),
         row("tbl_reservation", "ReservationID", "42"),
         row("tbl_reservation", "reserveid", "99999999999"),
         row("tbl_reservation", "reserveid", "-3"),
         row("tbl_reservation", "reserveid=0 OR 1=1 --", "43"),
         row("tbl_reservation", "tablereserveid", "44")});
    hub->ParseKIVSvrMsg(1, packet);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].Table, "tbl_reservation");
    EXPECT_EQ(got[0].Operation, "update");
    EXPECT_EQ(got[0].Field, "reserveid");
    EXPECT_EQ(got[0].DBServerID, 2);
    EXPECT_EQ(got[0].FieldID, 41);
    EXPECT_EQ(got[1].FieldID, 42);

    std::string logs = inst.DayLogs();
    EXPECT_NE(logs.find("[KIV:ParseKIVSvrMsg]:0:,Load Msg fail"), std::string::npos);
    EXPECT_NE(logs.find("Handler of tbl_tablestatus failed: boom"), std::string::npos);
    EXPECT_NE(logs.find("No handler for table tbl_unknown"), std::string::npos);
    EXPECT_NE(logs.find("Change of tbl_reservation refused: field 'reserveid=0 OR 1=1 --', id "
                        "'43'"),
              std::string::npos);
    EXPECT_NE(logs.find("Change of tbl_reservation refused: field 'reserveid', id '12abc'"),
              std::string::npos);
    EXPECT_NE(ReadTextFile(PacketLogPath(DateTime::Now())).find("tbl_unknown"), std::string::npos);
}

TEST_F(KivHubTest, StatusFollowsTheRelayAndALostServerIsOfferedAReconnect) {
    KivServerProcess server({"--pos-status", "POS1=online", "--pos-status", "POS2=offline"});
    UsePort(server.Port());
    hub = OpenHub();
    int filters = server.CountLog(" shows outlet ");
    EXPECT_EQ(ReconnectAll(*hub), std::vector<std::string>{"Connected to 127.0.0.1"});
    ASSERT_TRUE(PumpFor([&] { return !Pos(1).UnknownStatus(); }));
    EXPECT_EQ(ServerStatusLines(*hub),
              (std::vector<std::string>{"CulinaroTable Server\tKIV1\t127.0.0.1\tOnline",
                                        "POS Server\tPOS1\t127.0.0.1\tOnline",
                                        "POS Server\tPOS2\t127.0.0.1\tOffline"}));

    // Declined: the server stays offline and its POS servers unknown.
    ui.QueueAnswer(false);
    // The relay has read the filter sent on connect: killed with unread bytes,
    // it would reset the connection instead of closing it.
    ASSERT_TRUE(PumpFor([&] { return server.CountLog(" shows outlet ") > filters; }));
    server.Kill();
    ASSERT_TRUE(PumpFor([&] { return !ui.Texts("question").empty(); }));
    EXPECT_EQ(ui.Texts("question")[0],
              "Fail to connect 127.0.0.1 fail: Connection close\nAre you sure to reconnect?");
    EXPECT_EQ(ServerStatusLines(*hub)[0], "CulinaroTable Server\tKIV1\t127.0.0.1\tOffline");
    EXPECT_EQ(ServerStatusLines(*hub)[1], "POS Server\tPOS1\t127.0.0.1\tUnknown");

    // Accepted: reconnected, and the relay announces the POS status again.
    ASSERT_TRUE(server.Restart());
    filters = server.CountLog(" shows outlet ");
    EXPECT_EQ(ReconnectAll(*hub), std::vector<std::string>{"Connected to 127.0.0.1"});
    ui.Clear();
    ui.QueueAnswer(true);
    ASSERT_TRUE(PumpFor([&] { return server.CountLog(" shows outlet ") > filters; }));
    server.Kill();
    ASSERT_TRUE(server.Restart());
    ASSERT_TRUE(PumpFor([&] { return ui.Shown("Connected to 127.0.0.1"); }, 10000));
    ASSERT_TRUE(PumpFor([&] { return !Pos(1).UnknownStatus(); }));
    EXPECT_EQ(ServerStatusLines(*hub)[0], "CulinaroTable Server\tKIV1\t127.0.0.1\tOnline");
    EXPECT_EQ(ui.Entries().back().title, "Connection");
    EXPECT_EQ(ui.Entries().back().icon, MsgIcon::Information);

    // Releasing the hub disconnects: the relay sees the workstation leave.
    hub.reset();
    EXPECT_TRUE(PumpFor([&] { return server.CountLog("closed by the workstation") >= 1; }));
}

TEST_F(KivHubTest, TextsAppearInTheSecondLanguageWithTheirBlanks) {
    UseClosedPort();
    hub = OpenHub();
    g_nLanguage = 2;
    EXPECT_EQ(ServerStatusLines(*hub)[0], "CulinaroTable 伺服器\tKIV1\t127.0.0.1\t不明");
    KIVServer& s = *hub->KIVConn().GetKIVServer(1);
    s.SetInitConn(false);
    EXPECT_FALSE(hub->KIVConn().SendMessage(1, "<x/>"));
    EXPECT_EQ(ui.Texts("question"),
              std::vector<std::string>{"127.0.0.1 已離線\n確定要重新連線嗎？"});
}

TEST_F(KivHubTest, ReconnectReportsAServerThatDoesNotAnswer) {
    UseClosedPort();
    hub = OpenHub();
    EXPECT_EQ(ReconnectAll(*hub), std::vector<std::string>{"Fail to reconnect 127.0.0.1"});
    EXPECT_EQ(ServerStatusLines(*hub)[0], "CulinaroTable Server\tKIV1\t127.0.0.1\tUnknown");
}

TEST(KivShellTest, ServersAndReconnectCommandsInTheWorkstationProgram) {
    KivServerProcess server({"--pos-status", "POS1=online"});
    TestInstallation inst;
    inst.Sql("UPDATE tbl_ServiceServer SET IPPort = " + std::to_string(server.Port()));
    RunResult r = inst.Start("admin\nadmin123\n1\nservers\nreconnect\nquit\ny\n");
    EXPECT_EQ(r.exitCode, 0) << r.output;
    for (const char* text :
         {"Initializing CulinaroTable objects...", "Connecting to servers...",
          "Initializing user interface...", "CulinaroTable Server\tKIV1\t127.0.0.1\tOnline",
          "POS Server\tPOS2\t127.0.0.1\tUnknown", "Connected to 127.0.0.1"})
        EXPECT_NE(r.output.find(text), std::string::npos) << text << "\n" << r.output;
    // Sign-in connects the server; reconnect replaces that connection, and
    // the second one ends with the session.
    EXPECT_TRUE(PumpFor([&] { return server.CountLog(") closed: ") == 2; }));
}

}  // namespace
