// Changes made on one workstation reach the views of another: two
// workstation programs of one installation and a real kivserver between them.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "kiv/kivtestsupport.h"
#include "messaging/framing.h"
#include "messaging/packetmaker.h"
#include "platform/datetime.h"
#include "support/installation.h"
#include "support/livedesk.h"

namespace {

using Desk = LiveDesk;

std::string Find(const std::string& output, const std::string& kind, const std::string& key) {
    return FindRecord(output, kind, key);
}

class LiveChangesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(server.Running());
        inst.Sql("UPDATE tbl_ServiceServer SET IPPort = " + std::to_string(server.Port()) +
                 " WHERE ServiceID = 1");
        harbour = One("SELECT OutletID FROM tbl_Outlet WHERE OutletCode='HBR'");
        dbServer = One("SELECT DBServerID FROM tbl_Outlet WHERE OutletCode='HBR'");
        plan =
            One("SELECT MIN(FPID) FROM tbl_FloorPlan WHERE RowStatus='A' AND OutletID=" + harbour);
    }
    std::string One(const std::string& sql) {
        auto rs = inst.Query(sql);
        if (rs == nullptr || rs->Eof() || rs->FieldCount() == 0) return "";
        const Variant* v = rs->Field(0);
        return v == nullptr || v->IsNull() ? "" : v->ToText();
    }
    static std::string Day(int offset) { return DateTime::Now().AddDays(offset).DateText(); }

    // Opens the current and the future view on `desk` and watches.
    void Watch(Desk& desk) {
        ASSERT_TRUE(desk.SignedIn()) << desk.Program().Output();
        desk.Run("watch on");
        ASSERT_NE(desk.Run("view current HBR today 02LUN").find("view\tcurrent"),
                  std::string::npos);
        ASSERT_NE(desk.Run("view future HBR " + day + " 02LUN").find("view\tfuture"),
                  std::string::npos);
    }
    // A DATACHANGE of one row as another workstation would send it.
    bool Announce(const std::string& table, const std::string& field, const std::string& id) {
        PacketMaker maker;
        PacketItem row{{"dbserverid", dbServer}, {"module", "RESERVATION"}, {"operation", "UPDATE"},
                       {"table", table},         {"field", field},          {"fieldid", id}};
        return peer.Send(FrameText(maker.MakeDataChangePkt("2", nullptr, {row})));
    }

    KivServerProcess server;
    TestInstallation inst;
    RawPeer peer;
    std::string harbour, dbServer, plan;
    const std::string day = Day(30);
};

TEST_F(LiveChangesTest, ChangesOnOneWorkstationShowOnTheOther) {
    Desk b(inst.Root(), "WS2");
    Watch(b);
    Desk a(inst.Root(), kTestComputer);
    ASSERT_TRUE(a.SignedIn()) << a.Program().Output();

    // A hold shows the table held.
    std::size_t mark = b.Mark();
    const std::string held = a.Run("hold HBR " + day + " 02LUN A8");
    ASSERT_EQ(held.rfind("held\t", 0), 0u) << held;
    const std::string tempID = FieldOf(held, 1);
    EXPECT_EQ(b.Line("changed\ttbl_tabletemp\t", mark),
              "changed\ttbl_tabletemp\t" + tempID + "\tfuture");
    EXPECT_EQ(FieldOf(Find(b.Run("view future"), "table", "A8"), 5), "1");
    mark = b.Mark();
    a.Run("release all");
    EXPECT_EQ(b.Line("changed\ttbl_tabletemp\t", mark),
              "changed\ttbl_tabletemp\t" + tempID + "\tfuture");
    EXPECT_EQ(FieldOf(Find(b.Run("view future"), "table", "A8"), 5), "0");

    // A booking appears with its table; moved to another table, the binding
    // it left disappears.
    mark = b.Mark();
    const std::string saved =
        a.Run("book HBR " + day + " 02LUN 12:30 2 A7 DYLastName=Live", {"y", "n"});
    ASSERT_NE(saved.find("Reservation saved: "), std::string::npos) << saved;
    const std::string changed = b.Line("changed\ttbl_reservation\t", mark);
    const std::string id = FieldOf(changed, 2);
    EXPECT_EQ(changed, "changed\ttbl_reservation\t" + id + "\tfuture");
    b.Line("changed\ttbl_tablereserve\t", mark);
    std::string view = b.Run("view future");
    EXPECT_EQ(FieldOf(Find(view, "booking", "A7"), 2), id) << view;
    mark = b.Mark();
    a.Run("resv tables HBR " + id + " A6", {"y"});
    b.Line("changed\ttbl_tablereserve\t", mark);
    b.Program().Drain(300);
    view = b.Run("view future");
    EXPECT_EQ(Find(view, "booking", "A7"), "") << view;
    EXPECT_EQ(FieldOf(Find(view, "booking", "A6"), 2), id) << view;

    // A block of the date shows the table blocked with its remark.
    mark = b.Mark();
    const std::string blocked =
        a.Run("block HBR 02LUN A5 --from " + day + " --until " + day + " Private");
    ASSERT_EQ(blocked.rfind("Table blocked: ", 0), 0u) << blocked;
    const std::string blockID = blocked.substr(15, blocked.find('\n') - 15);
    EXPECT_EQ(b.Line("changed\ttbl_tableblock\t", mark),
              "changed\ttbl_tableblock\t" + blockID + "\tfuture");
    const std::string a5 = Find(b.Run("view future"), "table", "A5");
    EXPECT_EQ(FieldOf(a5, 6), "1") << a5;
    EXPECT_EQ(FieldOf(a5, 8), "Private") << a5;

    // Changes another peer announces: a floor plan both views draw; table
    // statuses of this outlet and of another.
    ASSERT_TRUE(peer.Connect(server.Port()));
    inst.Sql(
        "INSERT INTO tbl_TableStatus (DBServerID, OutletID, TableNo, TableStatus) "
        "SELECT TOP 1 DBServerID, OutletID, 'A3', 'Q' FROM tbl_Outlet WHERE OutletCode<>'HBR' "
        "ORDER BY OutletID");
    const std::string otherStatus = One("SELECT MAX(TableStatusID) FROM tbl_TableStatus");
    inst.Sql("INSERT INTO tbl_TableStatus (DBServerID, OutletID, TableNo, TableStatus) VALUES (" +
             dbServer + ", " + harbour + ", 'A4', 'Q')");
    const std::string ownStatus = One("SELECT MAX(TableStatusID) FROM tbl_TableStatus");
    struct Case {
        std::string table, field, id, expected;
    };
    const std::vector<Case> cases{
        {"tbl_floorplan", "fpid", plan, "changed\ttbl_floorplan\t" + plan + "\tcurrent,future"},
        {"TBL_TABLESTATUS", "TableStatusID", otherStatus,
         "changed\ttbl_tablestatus\t" + otherStatus + "\t-"},
        {"tbl_tablestatus", "tablestatusid", ownStatus,
         "changed\ttbl_tablestatus\t" + ownStatus + "\tcurrent"},
    };
    for (const Case& c : cases) {
        mark = b.Mark();
        ASSERT_TRUE(Announce(c.table, c.field, c.id));
        EXPECT_EQ(b.Line("changed\t", mark), c.expected) << c.table;
    }
    // State "Q" came to A4 of this outlet only.
    const std::string current = b.Run("view current");
    EXPECT_EQ(FieldOf(Find(current, "table", "A4"), 4), "Q") << current;
    EXPECT_NE(FieldOf(Find(current, "table", "A3"), 4), "Q") << current;

    // Hostile key columns and ids are refused before any statement runs;
    // the workstation goes on with the next change.
    const std::string before = One("SELECT COUNT(*) FROM tbl_Reservation");
    mark = b.Mark();
    const std::vector<std::pair<std::string, std::string>> hostile{
        {"reserveid=0; DELETE FROM tbl_Reservation; --", "1"},
        {"reserveid", "1 OR 1=1"},
        {"reserveid", "1; DELETE FROM tbl_Reservation"},
        {"RowStatus", id},
    };
    for (const auto& [field, fieldID] : hostile)
        ASSERT_TRUE(Announce("tbl_reservation", field, fieldID));
    ASSERT_TRUE(Announce("tbl_reservation", "reservationid", id));
    EXPECT_EQ(b.Line("changed\t", mark), "changed\ttbl_reservation\t" + id + "\tfuture");
    EXPECT_EQ(One("SELECT COUNT(*) FROM tbl_Reservation"), before);
    const std::string logs = inst.DayLogs();
    EXPECT_NE(logs.find("Change of tbl_reservation refused: field 'reserveid=0; DELETE"),
              std::string::npos);
    EXPECT_NE(logs.find("refused: field 'reserveid', id '1 OR 1=1'"), std::string::npos);

    // watch off: changes still apply, without the lines.
    b.Run("watch off");
    mark = b.Mark();
    a.Run("hold HBR " + day + " 02LUN A8");
    b.Program().Drain(500);
    EXPECT_EQ(b.Program().Output().find("changed\t", mark), std::string::npos);
    EXPECT_EQ(FieldOf(Find(b.Run("view future"), "table", "A8"), 5), "1");
}

TEST_F(LiveChangesTest, AfterARelayRestartBothReconnectAndChangesStillArrive) {
    Desk b(inst.Root(), "WS2");
    Watch(b);
    Desk a(inst.Root(), kTestComputer);
    ASSERT_TRUE(a.SignedIn()) << a.Program().Output();

    const std::size_t markA = a.Mark(), markB = b.Mark();
    server.Kill();
    for (Desk* d : {&a, &b})
        ASSERT_NE(
            d->Program().WaitFor("Are you sure to reconnect?", 10000, d == &a ? markA : markB),
            std::string::npos)
            << d->Program().Output();
    ASSERT_TRUE(server.Restart());
    for (Desk* d : {&a, &b}) {
        d->Program().Send("y");
        EXPECT_NE(d->Program().WaitFor("Connected to 127.0.0.1", 20000, d == &a ? markA : markB),
                  std::string::npos)
            << d->Program().Output();
    }
    const std::size_t mark = b.Mark();
    const std::string held = a.Run("hold HBR " + day + " 02LUN A8");
    ASSERT_EQ(held.rfind("held\t", 0), 0u) << held;
    EXPECT_EQ(b.Line("changed\ttbl_tabletemp\t", mark),
              "changed\ttbl_tabletemp\t" + FieldOf(held, 1) + "\tfuture");
}

}  // namespace
