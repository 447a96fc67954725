// Instant messages between three workstation programs of one installation
// with a real kivserver between them, driven as people at three desks would.
#include <gtest/gtest.h>

#include <string>

#include "kiv/kivtestsupport.h"
#include "messaging/framing.h"
#include "messaging/packetmaker.h"
#include "support/installation.h"
#include "support/livedesk.h"

namespace {

class IMLiveTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(server.Running());
        inst.Sql("UPDATE tbl_ServiceServer SET IPPort = " + std::to_string(server.Port()) +
                 " WHERE ServiceID = 1");
        inst.Sql(
            "INSERT INTO tbl_Client (ClientID, DBServerID, ClientCode, ClientType, NameL1, "
            "IPAddress, ComputerName, RowStatus) VALUES (3, 1, 'WS3', 'W', 'Bar desk', 'WS3', "
            "'WS3', 'A')");
    }
    // The text of the arrival line `message FROM TIME TEXT` after `from`.
    static std::string ArrivedText(LiveDesk& desk, std::size_t from) {
        const std::string line = desk.Line("message\tWS1\t", from);
        return FieldOf(line, 3);
    }

    KivServerProcess server;
    TestInstallation inst;
};

TEST_F(IMLiveTest, MessagesReachTheirRecipientsOnly) {
    LiveDesk a(inst, kTestComputer), b(inst, "WS2"), c(inst, "WS3");
    for (LiveDesk* d : {&a, &b, &c})
        ASSERT_TRUE(d->SignedIn()) << d->Program().Output();
    EXPECT_EQ(a.Run("clients"), "2\tWS2\tWorkstation 2\n3\tWS3\tBar desk\n");

    // To B only: quotes and markup arrive as typed, tabs shown as \t.
    const std::string typed = "Table 5: \"VIP\" <b>Mr O'Neil</b> & guest\tasap";
    std::size_t markB = b.Mark(), markC = c.Mark();
    const std::string sent = a.Run("im send ws2 " + typed);
    ASSERT_EQ(sent.rfind("sent\t", 0), 0u) << sent;
    const std::string id = FieldOf(sent.substr(0, sent.find('\n')), 1);
    EXPECT_EQ(ArrivedText(b, markB), "Table 5: \"VIP\" <b>Mr O'Neil</b> & guest\\tasap");
    const std::string listed = FindRecord(a.Run("im list"), "message", id);
    EXPECT_EQ(FieldOf(listed, 2), "WS1") << listed;
    EXPECT_EQ(FieldOf(listed, 4), "Table 5: \"VIP\" <b>Mr O'Neil</b> & guest\\tasap");

    // To all: B and C. C shows this one and not the first.
    std::string chinese;
    for (int i = 0; i < 1000; ++i)
        chinese += "訂位";
    markB = b.Mark();
    ASSERT_EQ(a.Run("im send all " + chinese).rfind("sent\t", 0), 0u);
    EXPECT_EQ(ArrivedText(b, markB), chinese);
    EXPECT_EQ(ArrivedText(c, markC), chinese);
    EXPECT_EQ(c.Program().Output().find("<b>", markC), std::string::npos);
    EXPECT_EQ(FindRecord(c.Run("im list"), "message", id), "");

    // Unknown or missing recipients send nothing.
    EXPECT_EQ(a.Run("im send WS2,WS9 hello"), "Unknown workstation: WS9\n");
    EXPECT_EQ(a.Run("im send , hello"), "Please select workstations\n");
    EXPECT_EQ(inst.Query("SELECT COUNT(*) FROM tbl_InstantMsg")->Field(0)->ToText(), "2");

    // A line break written by another front end shows as \n; the arrival
    // prints while the prompt waits, without a command.
    inst.Sql(
        "INSERT INTO tbl_InstantMsg (InstantMsgID, RowStatus, DBServerID, ClientID, SendDT, "
        "InstantMsg) VALUES (900, 'A', 1, 1, GetDate(), 'two' + char(10) + 'lines');"
        "INSERT INTO tbl_ClientInstantMsg (RowStatus, DBServerID, InstantMsgID, ClientID) "
        "VALUES ('A', 1, 900, 3)");
    RawPeer peer;
    ASSERT_TRUE(peer.Connect(server.Port()));
    PacketMaker maker;
    markC = c.Mark();
    ASSERT_TRUE(peer.Send(FrameText(maker.MakeDataChangePkt(
        "2", nullptr,
        {PacketMaker::CreateDataChangeMsg(1, "INSTANT_MSG", 1, "tbl_instantmsg", "instantmsgid",
                                          900)}))));
    EXPECT_EQ(ArrivedText(c, markC), "two\\nlines");
}

}  // namespace
