// Instant messages in this process: who sees a message in the list and at
// its arrival, what a send writes, and how texts come back and are shown.
#include "messaging/instantmsgs.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/shell.h"
#include "registry/dbconnections.h"
#include "support/installation.h"

namespace {

class InstantMsgsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(inst.StartInProcess());
        // WS1 (this process) and WS2 come with the demo; a third desk and a
        // retired one.
        inst.Sql(
            "INSERT INTO tbl_Client (ClientID, DBServerID, ClientCode, ClientType, NameL1, "
            "IPAddress, ComputerName, RowStatus) VALUES (3, 1, 'WS3', 'W', 'Bar', 'WS3', 'WS3', "
            "'A'), (4, 1, 'WS4', 'W', 'Old', 'WS4', 'WS4', 'D')");
    }
    std::string One(const std::string& sql) {
        auto rs = inst.Query(sql);
        if (rs == nullptr || rs->Eof()) return "";
        return rs->Field(0)->ToText();
    }
    std::vector<int32_t> Listed(InstantMsgs& im) {
        std::vector<InstantMsg> msgs;
        EXPECT_TRUE(im.GetMsgs(DateTime::Now().DatePart(), msgs)) << im.ErrDescription();
        std::vector<int32_t> ids;
        for (const InstantMsg& m : msgs)
            ids.push_back(m.InstantMsgID());
        return ids;
    }
    bool Arrives(InstantMsgs& im, int32_t id) {
        DataChangeMsg m;
        m.DBServerID = 1;
        m.Table = "tbl_instantmsg";
        m.Field = "instantmsgid";
        m.FieldID = id;
        m.FieldIDText = std::to_string(id);
        return im.DBChange_tbl_InstantMsg(m);
    }

    TestInstallation inst;
    InstantMsgs ws1{1, 1}, ws2{2, 1}, ws3{3, 1};
};

TEST_F(InstantMsgsTest, RecipientsAndTheSenderSeeAMessageOthersDoNot) {
    int32_t toTwo = 0, toBoth = 0, toAll = 0;
    ASSERT_TRUE(ws1.SendInstantMsg(1, "to two", {2}, &toTwo)) << ws1.ErrDescription();
    ASSERT_TRUE(ws1.SendInstantMsg(1, "to both", {2, 3}, &toBoth));
    ASSERT_TRUE(ws2.SendInstantMsg4All(1, "to all", &toAll));
    // A withdrawn recipient row hides the message from that workstation.
    inst.Sql(
        "UPDATE tbl_ClientInstantMsg SET RowStatus = 'D' WHERE ClientID = 3 AND "
        "InstantMsgID = " +
        std::to_string(toBoth));
    // A message to all is addressed to every other active workstation.
    EXPECT_EQ(One("SELECT COUNT(*) FROM tbl_ClientInstantMsg WHERE InstantMsgID = " +
                  std::to_string(toAll) + " AND ClientID IN (1, 3)"),
              "2");
    EXPECT_EQ(One("SELECT COUNT(*) FROM tbl_ClientInstantMsg WHERE InstantMsgID = " +
                  std::to_string(toAll)),
              "2");

    struct Case {
        const char* who;
        InstantMsgs& im;
        std::vector<int32_t> listed;  // newest first
        std::map<int32_t, bool> arrives;
    };
    const std::vector<Case> cases{
        {"sender of two, receiver of one",
         ws1,
         {toAll, toBoth, toTwo},
         {{toTwo, true}, {toBoth, true}, {toAll, true}}},
        {"receiver of two, sender of one",
         ws2,
         {toAll, toBoth, toTwo},
         {{toTwo, true}, {toBoth, true}, {toAll, true}}},
        {"withdrawn and not addressed",
         ws3,
         {toAll},
         {{toTwo, false}, {toBoth, false}, {toAll, true}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Listed(c.im), c.listed) << c.who;
        std::vector<int32_t> told;
        c.im.OnIMMessageArrival([&](const InstantMsg& m) { told.push_back(m.InstantMsgID()); });
        for (const auto& [id, expected] : c.arrives) {
            told.clear();
            EXPECT_EQ(Arrives(c.im, id), expected) << c.who << " " << id;
            EXPECT_EQ(told, expected ? std::vector<int32_t>{id} : std::vector<int32_t>{})
                << c.who << " " << id;
        }
    }
}

TEST_F(InstantMsgsTest, NothingIsWrittenWithoutRecipientsOrDatabase) {
    struct Case {
        const char* what;
        int32_t dbServer;
        std::vector<int32_t> to;
    };
    for (const Case& c : std::vector<Case>{{"no recipient", 1, {}},
                                           {"no workstation ids", 1, {0, -4}},
                                           {"unknown database server", 99, {2}}}) {
        int32_t id = 7;
        EXPECT_FALSE(ws1.SendInstantMsg(c.dbServer, "x", c.to, &id)) << c.what;
        EXPECT_EQ(id, 0) << c.what;
        EXPECT_FALSE(ws1.ErrDescription().empty()) << c.what;
    }
    EXPECT_NE(ws1.ErrDescription().find("Cannot retrieve SQLDB with id: 99"), std::string::npos);
    EXPECT_EQ(One("SELECT COUNT(*) FROM tbl_InstantMsg"), "0");
    EXPECT_EQ(One("SELECT COUNT(*) FROM tbl_ClientInstantMsg"), "0");

    // A workstation named twice gets one recipient row.
    int32_t id = 0;
    ASSERT_TRUE(ws1.SendInstantMsg(1, "once", {2, 2}, &id));
    EXPECT_EQ(One("SELECT COUNT(*) FROM tbl_ClientInstantMsg"), "1");
}

TEST_F(InstantMsgsTest, TextsComeBackAsTyped) {
    std::string chinese;
    for (int i = 0; i < 2000; ++i)
        chinese += i % 2 == 0 ? "訂" : "位";
    const std::vector<std::string> texts{
        "it's \"quoted\" <b>bold</b> &amp; <script>alert('x')</script>",
        "'); DELETE FROM tbl_InstantMsg; --",
        "N'' + GetDate() %_[x]",
        chinese,
        "line\r\nbreak\ttab",
    };
    for (const std::string& text : texts) {
        int32_t id = 0;
        ASSERT_TRUE(ws1.SendInstantMsg(1, text, {2}, &id)) << text;
        std::string got;
        ws2.OnIMMessageArrival([&](const InstantMsg& m) { got = m.MsgText(); });
        ASSERT_TRUE(Arrives(ws2, id));
        EXPECT_EQ(got, text);
    }
    std::vector<InstantMsg> listed;
    ASSERT_TRUE(ws2.GetMsgs(DateTime::Now().DatePart(), listed));
    ASSERT_EQ(listed.size(), texts.size());
    EXPECT_EQ(listed[texts.size() - 1 - 3].MsgText().size(), chinese.size());
}

TEST(InstantMsgLine, TabsAndLineBreaksStayOnOneLine) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"plain <b>\"x\"</b>", "plain <b>\"x\"</b>"},
        {"a\tb", "a\\tb"},
        {"a\nb\r\nc\rd", "a\\nb\\nc\\nd"},
        {"end\n", "end\\n"},
        {"訂位\t", "訂位\\t"},
    };
    for (const auto& [text, shown] : cases)
        EXPECT_EQ(OneLineText(text), shown) << text;
}

TEST(InstantMsgLine, TheTextIsTheRestOfTheCommandLine) {
    struct Case {
        std::string line;
        std::size_t words;
        std::string rest;
    };
    const std::vector<Case> cases{
        {"im send WS2 hello  there ", 3, "hello  there "},
        {"  im   send\tWS2,WS3\t\"quoted\" 'single'", 3, "\"quoted\" 'single'"},
        {"im send \"W S\" text\twith tab", 3, "text\twith tab"},
        {"im send WS2", 3, ""},
        {"im send WS2   ", 3, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Shell::TextAfterWords(c.line, c.words), c.rest) << c.line;
}

}  // namespace
