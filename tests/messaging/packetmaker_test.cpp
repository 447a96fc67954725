#include "messaging/packetmaker.h"

#include <gtest/gtest.h>

#include <string>

#include "core/config.h"
#include "core/globals.h"
#include "core/log.h"
#include "messaging/scriptdocument.h"
#include "support/tempdir.h"

namespace {

const char* const kHead =
    "<VARGRP id=\"kivp\"><VAR id=\"version\">4.0</VAR>"
    "<VAR id=\"sendtime\">2014-05-16 09:05</VAR><VAR id=\"senderip\"/>";

std::string Envelope(const std::string& type, const std::string& payload) {
    return kHead + ("<VAR id=\"type\">" + type + "</VAR><VAR id=\"sender\">KIVAPP</VAR>") +
           payload + "</VARGRP>";
}

class PacketMakerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        maker.SetClock([] { return DateTime{2014, 5, 16, 9, 5, 59, 999}; });
    }
    PacketMaker maker;
};

TEST_F(PacketMakerTest, EachPacketTypeHasItsExactMarkup) {
    PacketItem filter = PacketMaker::CreateFilter(3, "2014-05-16", 12);
    const std::string filterXml =
        "<VARGRP id=\"filter\"><VAR id=\"outletid\">3</VAR><VAR id=\"reservedate\">2014-05-16"
        "</VAR><VAR id=\"mealperiodid\">12</VAR></VARGRP>";
    struct Golden {
        std::string got;
        std::string want;
    };
    const Golden goldens[] = {
        {maker.MakeDataChangePkt(
             "2", &filter,
             {PacketMaker::CreateDataChangeMsg(1, "RESERVATION", 2, "tbl_reservation",
                                               "reservationid", 4711),
              PacketMaker::CreateDataChangeMsg(1, "RESERVATION", 1, "tbl_tablereserve",
                                               "tablereserveid", 9)}),
         Envelope("DATACHANGE",
                  "<VARGRP id=\"kivdata\">" + filterXml +
                      "<VARLIST id=\"msgs\" cols=\"msg\"><VARROW><VARGRP id=\"msg\">"
                      "<VAR id=\"dbserverid\">1</VAR><VAR id=\"module\">RESERVATION</VAR>"
                      "<VAR id=\"operation\">UPDATE</VAR><VAR id=\"table\">tbl_reservation</VAR>"
                      "<VAR id=\"field\">reservationid</VAR><VAR id=\"fieldid\">4711</VAR>"
                      "</VARGRP></VARROW><VARROW><VARGRP id=\"msg\"><VAR id=\"dbserverid\">1"
                      "</VAR><VAR id=\"module\">RESERVATION</VAR><VAR id=\"operation\">INSERT"
                      "</VAR><VAR id=\"table\">tbl_tablereserve</VAR><VAR id=\"field\">"
                      "tablereserveid</VAR><VAR id=\"fieldid\">9</VAR></VARGRP></VARROW>"
                      "</VARLIST><VAR id=\"priority\">2</VAR></VARGRP>")},
        {maker.MakeActOutletPkt(filter),
         Envelope("FILTER", "<VARGRP id=\"kivdata\">" + filterXml + "</VARGRP>")},
        {maker.MakePOSRequestPkt(
             {PacketMaker::CreatePOSChangeCover("AC", "OU", "T1", 4, "E7", "POS1")}),
         Envelope("POSREQUEST",
                  "<VARGRP id=\"kivdata\"><VARLIST id=\"requests\" cols=\"request\"><VARROW>"
                  "<VARGRP id=\"request\"><VAR id=\"type\">change_cover</VAR>"
                  "<VAR id=\"account\">AC</VAR><VAR id=\"outlet\">OU</VAR>"
                  "<VAR id=\"table\">T1</VAR><VAR id=\"cover\">4</VAR>"
                  "<VAR id=\"employee\">E7</VAR><VAR id=\"poscode\">POS1</VAR></VARGRP>"
                  "</VARROW></VARLIST></VARGRP>")},
        {maker.MakeBroadcastPkt({PacketMaker::CreateBroadcastMsg("Kitchen <closed> & \"done\"")}),
         Envelope("BROADCAST",
                  "<VARGRP id=\"kivdata\"><VARLIST id=\"msgs\" cols=\"msg\"><VARROW>"
                  "<VARGRP id=\"msg\"><VAR id=\"msg\">Kitchen &lt;closed&gt; &amp; \"done\""
                  "</VAR></VARGRP></VARROW></VARLIST></VARGRP>")},
    };
    for (const auto& g : goldens)
        EXPECT_EQ(g.got, g.want);
}

TEST_F(PacketMakerTest, EmptyItemsStillCarryListFilterAndPriority) {
    PacketItem filter = PacketMaker::CreateFilter(1, "2014-05-16", 2);
    std::string packet = maker.MakeDataChangePkt("1", &filter, {});
    EXPECT_NE(packet.find("<VARLIST id=\"msgs\" cols=\"msg\"/><VAR id=\"priority\">1</VAR>"),
              std::string::npos)
        << packet;
    EXPECT_NE(packet.find("<VARGRP id=\"filter\">"), std::string::npos);
    // Without a filter there is no filter group.
    EXPECT_EQ(maker.MakeDataChangePkt("2", nullptr, {}).find("filter"), std::string::npos);
}

TEST_F(PacketMakerTest, ItemBuildersKeepTheirKeyOrder) {
    auto keys = [](const PacketItem& item) {
        std::string out;
        for (const auto& kv : item)
            out += kv.first + ",";
        return out;
    };
    EXPECT_EQ(
        keys(PacketMaker::CreatePOSEditResv("a", "o", "t", "g", "e", "p", "s", "n", "r", "m")),
        "type,account,outlet,table,resvguid,employee,poscode,servrem,guestname,refno,memac,");
    EXPECT_EQ(keys(PacketMaker::CreatePOSSetVacant("a", "o", "t", "e", "p")),
              "type,account,outlet,table,employee,poscode,");
    EXPECT_EQ(keys(PacketMaker::CreatePOSChangeTable("a", "o", "t", "f", "e", "p")),
              "type,account,outlet,table,from_table,employee,poscode,");
    EXPECT_EQ(keys(PacketMaker::CreatePOSNewTable("a", "o", "t", 2, "e", "p")),
              "type,account,outlet,table,cover,employee,poscode,");
    EXPECT_EQ(PacketMaker::CreatePOSCheckEnquriy("a", "o", "t", "e", "p")[0].second, "chk_enq");
    EXPECT_EQ(keys(PacketMaker::CreatePOSRequest("m", "t", "a", "o", "n", "c")),
              "module,type,accountcode,outletcode,tableno,content,");
    const std::pair<int, const char*> ops[] = {{0, "UNCHANGE"}, {1, "INSERT"}, {2, "UPDATE"},
                                               {3, "DELETE"},   {4, ""},       {-1, ""}};
    for (const auto& [code, name] : ops) {
        EXPECT_EQ(PacketMaker::CreateDataChangeMsg(1, "M", code, "t", "f", 1)[2].second, name);
    }
}

TEST_F(PacketMakerTest, PacketsReadBackAndRefusalsAreContained) {
    PacketItem filter = PacketMaker::CreateFilter(1, "2014-05-16", 2);
    std::string packet =
        maker.MakeDataChangePkt("2", &filter,
                                {PacketMaker::CreateDataChangeMsg(
                                    5, "BLOCK_TABLE", 4, "tbl_tableblock", "tableblockid", 8)});
    ScriptDocument doc;
    ASSERT_TRUE(doc.LoadXML(packet));
    auto root = doc.ScrRoot();
    EXPECT_EQ(root->Var("type"), "DATACHANGE");
    EXPECT_EQ(root->Var("senderip"), "");
    EXPECT_TRUE(root->VarExists("senderip"));
    auto msgs = root->GetVarGrp("kivdata")->GetVarList("msgs");
    ASSERT_EQ(msgs->Count(), 1);
    auto msg = msgs->Item(0)->GetVarGrp("msg");
    EXPECT_EQ(msg->Var("operation"), "");  // operation code 4
    EXPECT_EQ(msg->Var("fieldid"), "8");

    // A duplicate field is dropped, the rest of the item still goes out.
    PacketItem dup{{"a", "1"}, {"a", "2"}, {"b", "3"}};
    std::string p2 = maker.MakeBroadcastPkt({dup});
    EXPECT_NE(p2.find("<VAR id=\"a\">1</VAR><VAR id=\"b\">3</VAR>"), std::string::npos) << p2;
    // A duplicate filter entry ends the payload after the filter: no list.
    PacketItem badFilter{{"outletid", "1"}, {"outletid", "2"}};
    std::string p3 = maker.MakeDataChangePkt("2", &badFilter, {dup});
    EXPECT_EQ(p3.find("VARLIST"), std::string::npos);
    EXPECT_NE(p3.find("<VAR id=\"priority\">2</VAR>"), std::string::npos);
    EXPECT_EQ(maker.MakeActOutletPkt(badFilter), "");
    EXPECT_EQ(maker.CompletePacket("X", nullptr), "");

    maker.SetIP("10.0.0.9");
    EXPECT_NE(maker.MakeActOutletPkt(filter).find("<VAR id=\"senderip\">10.0.0.9</VAR>"),
              std::string::npos);
}

TEST_F(PacketMakerTest, RefusedFieldsAreLoggedUnderTheBuilder) {
    TempDir dir;
    UseInstallRoot(dir.Path(), 1);
    PacketItem dup{{"a", "1"}, {"a", "2"}};
    EXPECT_NE(maker.MakePOSRequestPkt({dup}), "");
    std::string log = ReadTextFile(DayLogPath(DateTime::Now()));
    g_oConfig.reset();
    EXPECT_NE(log.find("[PacketMaker:SCAddVar]:0:,30004:Duplicate variable node a"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("[PacketMaker:MakeFilterMsgData]:0:,Add Var Failed"), std::string::npos);
}

}  // namespace
