// The reservation operations against a real database and a real kivserver:
// the rows each one writes and the exact DATACHANGE another workstation
// receives for it.
#include "reservations/kivfunc.h"

#include <sqlite3.h>

#include "core/config.h"
#include "kiv/opsfixture.h"
#include "registry/dbconnections.h"
#include "reservations/dbtransaction.h"
#include "users/user.h"
#include "venue/accounts.h"
#include "venue/floorplan.h"
#include "venue/outlets.h"
#include "venue/tabletemp.h"

namespace {

class KivFuncTest : public OpsTest {
  protected:
    void SetUp() override {
        OpsTest::SetUp();
        if (HasFatalFailure()) return;
        OpenSession();
    }
    KIVFunc& Func() { return hub->Func(); }
    SQLDB& Db1() { return *g_oDBConns->GetSQLDB(1); }

    // A lunch reservation of the Harbour Grill 40 days ahead bound to `tables`.
    int32_t NewReservation(const std::vector<std::string>& tables, int offset = 40) {
        inst.Sql(
            "INSERT INTO tbl_Reservation (DBServerID, OutletID, MPOutletID, ReserveDate, "
            "ReserveTime, ReserveCover, RowStatus, UpdateCountByUser) VALUES (1, 1, 12, '" +
            Day(offset) + "', '12:00', 4, 'A', 0)");
        const int32_t id = std::stoi(One("SELECT MAX(ReserveID) FROM tbl_Reservation"));
        for (const std::string& t : tables)
            inst.Sql(
                "INSERT INTO tbl_TableReserve (DBServerID, ReserveID, TableNo, RowStatus, "
                "Capacity, CheckNo, POSTableNo, CheckCover, CheckTotal) VALUES (1, " +
                std::to_string(id) + ", '" + t + "', 'A', 4, 'C-" + t + "', 'P" + t +
                "', 3, 12.5)");
        return id;
    }
    Reservation Load(int32_t id) {
        Reservation r;
        auto rs = inst.Query("SELECT * FROM tbl_Reservation WHERE ReserveID=" + std::to_string(id));
        for (int i = 0; rs != nullptr && !rs->Eof() && i < rs->FieldCount(); ++i)
            r.SetField(rs->FieldAt(i).Name, *rs->Field(i));
        return r;
    }
    std::vector<int> BindingIDs(int32_t id, const std::string& status) {
        std::vector<int> ids;
        auto rs = inst.Query(
            "SELECT TableReserveID FROM tbl_TableReserve WHERE ReserveID=" + std::to_string(id) +
            " AND RowStatus='" + status + "' ORDER BY TableReserveID");
        for (; rs != nullptr && !rs->Eof(); rs->MoveNext())
            ids.push_back(FieldLng(rs.get(), "TableReserveID"));
        return ids;
    }
    // Sends a marker through the hub, so that "nothing was announced
    // before it" can be checked without waiting on a time-out.
    void ExpectNothingAnnounced() {
        ASSERT_TRUE(Func().SendFPChanged(Plan()));
        Announced a = Next();
        ASSERT_EQ(a.msgs.size(), 1u);
        EXPECT_EQ(a.msgs[0], Doc(1, "RESERVATION", "UPDATE", "tbl_floorplan", "fpid", 101));
        EXPECT_EQ(a.priority, "2");
        EXPECT_TRUE(a.filter.empty());
    }
    const FloorPlan& Plan() {
        if (plan_.FPID() == 0) {
            auto rs = inst.Query("SELECT * FROM tbl_FloorPlan WHERE FPID=101");
            EXPECT_TRUE(plan_.AddFromRS(rs.get()));
        }
        return plan_;
    }
    FloorPlan plan_;
};

TEST(DBFieldsTest, SetListWritesEachValueByItsType) {
    struct Case {
        Variant value;
        bool quote;
        const char* sql;
    };
    const Case cases[] = {
        {Variant("GetDate()"), false, "GetDate()"},
        {Variant("GetDate()"), true, "N'GetDate()'"},
        {Variant("O'Hara"), true, "N'O''Hara'"},
        {Variant(true), true, "'T'"},
        {Variant(false), true, "'F'"},
        {Variant(42), true, "42"},
        {Variant(2.5), true, "2.5"},
        {Variant(*DateTime::Parse("2024-03-05 19:30")), true, "'2024-3-5'"},
    };
    for (const Case& c : cases) {
        DBFields set;
        set.Add("Col", c.value, c.quote);
        std::string sql;
        ASSERT_TRUE(set.SetList(sql)) << c.sql;
        EXPECT_EQ(sql, std::string("Col=") + c.sql);
    }
    DBFields set;
    EXPECT_TRUE(set.Add("Remark", Variant("first")));
    EXPECT_FALSE(set.Add("REMARK", Variant("second")));  // the first value stays
    set.Add("ReserveCover", Variant(4));
    std::string sql;
    ASSERT_TRUE(set.SetList(sql));
    EXPECT_EQ(sql, "Remark=N'first',ReserveCover=4");
    set.Add("Nothing", Variant());
    EXPECT_FALSE(set.SetList(sql));  // a null has no place in a SET list
    EXPECT_EQ(sql, "");
}

TEST_F(KivFuncTest, TheHubHoldsTheSharedObjects) {
    EXPECT_TRUE(hub->InitObjects());
    EXPECT_NE(hub->OutletList().GetOutletByID(1), nullptr);
    EXPECT_GT(hub->AccountList().Count(), 0u);
    EXPECT_FALSE(hub->ReceiptTemplate().empty());
    inst.Sql("UPDATE tbl_Template SET RowStatus='D' WHERE TemplateCode='RECEIPT'");
    EXPECT_TRUE(hub->LoadTemplate());
}

TEST_F(KivFuncTest, ResvUpdateWritesAndAnnouncesAndARemovedRowAnnouncesNothing) {
    const int32_t id = NewReservation({});
    Reservation r = Load(id);
    DBFields set;
    set.Add("Remark", Variant("By the window"));
    AddResvAuditFields(set);
    PacketList packets;
    ASSERT_TRUE(Func().DBResvUpdate(r, set, packets, true)) << Func().ErrDescription();
    EXPECT_EQ(One("SELECT Remark FROM tbl_Reservation WHERE ReserveID=" + std::to_string(id)),
              "By the window");
    EXPECT_EQ(One("SELECT UpdateUserID FROM tbl_Reservation WHERE ReserveID=" + std::to_string(id)),
              std::to_string(g_oUser->UserID()));
    Announced a = Next();
    EXPECT_EQ(a.type, "DATACHANGE");
    EXPECT_EQ(a.priority, "2");
    EXPECT_EQ(a.filter, Filter(1, Day(40), kLunch));
    ASSERT_EQ(a.msgs.size(), 1u);
    EXPECT_EQ(a.msgs[0], Doc(1, "RESERVATION", "UPDATE", "tbl_reservation", "reserveid", id));

    inst.Sql("DELETE FROM tbl_Reservation WHERE ReserveID=" + std::to_string(id));
    PacketList none;
    EXPECT_FALSE(Func().DBResvUpdate(r, set, none, true));
    EXPECT_TRUE(none.empty());
    EXPECT_NE(inst.DayLogs().find("[KIVFunc:DBResvUpdate]:0:,0 rows updated"), std::string::npos)
        << inst.DayLogs();
    ExpectNothingAnnounced();

    // Missing keys are refused before the database is touched.
    const std::pair<const char*, const char*> missing[] = {
        {"OutletID", "OutletID does not exist"},
        {"MPOutletID", "MPOutletID does not exist"},
        {"ReserveDate", "ResvDate does not exist"}};
    for (const auto& [column, text] : missing) {
        Reservation broken = Load(NewReservation({}));
        broken.SetField(column, Variant());
        EXPECT_FALSE(Func().DBResvUpdate(broken, set, none, false));
        EXPECT_EQ(Func().ErrDescription(), std::string("KIVFunc:DBResvUpdate:") + text);
    }
}

TEST_F(KivFuncTest, BindingsAreDeletedCancelledAndReplacedWithTheirCheckData) {
    const int32_t id = NewReservation({"Q1", "Q2"});
    Reservation r = Load(id);
    const std::vector<int> before = BindingIDs(id, "A");
    ASSERT_EQ(before.size(), 2u);

    // Replacing with the same tables (Q2 given twice) re-inserts each once;
    // the old check data stays with its table.
    TableReserveMap fresh;
    for (const char* t : {"Q2", "q2", "Q1"}) {
        auto tr = std::make_shared<TableReserve>();
        tr->SetTableNo(t);
        tr->SetCapacity(6);
        fresh.Add(static_cast<int32_t>(fresh.Count()), tr);
    }
    PacketList packets;
    ASSERT_TRUE(Func().DBTableResvUpdate(r, fresh, packets, false)) << Func().ErrDescription();
    const std::vector<int> after = BindingIDs(id, "A");
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(BindingIDs(id, "D"), before);
    EXPECT_EQ(One("SELECT CheckNo + '/' + POSTableNo FROM tbl_TableReserve WHERE TableReserveID=" +
                  std::to_string(after[0])),
              "C-Q2/PQ2");
    EXPECT_EQ(packets,
              (PacketList{
                  Doc(1, "RESERVATION", "UPDATE", "tbl_tablereserve", "tablereserveid", before[0]),
                  Doc(1, "RESERVATION", "UPDATE", "tbl_tablereserve", "tablereserveid", before[1]),
                  Doc(1, "RESERVATION", "INSERT", "tbl_tablereserve", "tablereserveid", after[0]),
                  Doc(1, "RESERVATION", "INSERT", "tbl_tablereserve", "tablereserveid", after[1]),
              }));

    // The list goes out as one packet with the reservation's filter.
    ASSERT_TRUE(Func().SendDataChange(*Func().GetOutlet(1), Date(40), kLunch, "2", packets));
    Announced a = Next();
    EXPECT_EQ(a.type, "DATACHANGE");
    EXPECT_EQ(a.priority, "2");
    EXPECT_EQ(a.filter, Filter(1, Day(40), kLunch));
    EXPECT_EQ(a.msgs, packets);

    // A replacement that fails half way leaves the old bindings as they were.
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open((inst.Root() + "/Data/KIVDB1.db").c_str(), &raw), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(raw,
                           "CREATE TRIGGER refuse_zz BEFORE INSERT ON tbl_TableReserve WHEN "
                           "NEW.TableNo = 'ZZ' BEGIN SELECT RAISE(ABORT, 'refused'); END",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(raw);
    auto bad = std::make_shared<TableReserve>();
    bad->SetTableNo("ZZ");
    fresh.Add(99, bad);
    PacketList failed;
    EXPECT_FALSE(Func().DBTableResvUpdate(r, fresh, failed, false));
    EXPECT_TRUE(failed.empty());
    EXPECT_EQ(BindingIDs(id, "A"), after);
    EXPECT_FALSE(DBTransaction::Open(Db1()));

    // Cancel marks the live ones 'X'; delete marks every one not yet deleted.
    PacketList cancel;
    ASSERT_TRUE(Func().DBTableResvCancel(r, cancel));
    EXPECT_EQ(BindingIDs(id, "X"), after);
    ASSERT_EQ(cancel.size(), 2u);
    EXPECT_EQ(cancel[1],
              Doc(1, "RESERVATION", "UPDATE", "tbl_tablereserve", "tablereserveid", after[1]));
    PacketList del;
    ASSERT_TRUE(Func().DBResvDelete(r, del));
    EXPECT_EQ(del.size(), 2u);
    EXPECT_TRUE(BindingIDs(id, "X").empty());
    // An unknown outlet writes nothing and names the id.
    Reservation elsewhere = Load(id);
    elsewhere.SetField("OutletID", Variant(77));
    EXPECT_FALSE(Func().DBTableResvCancel(elsewhere, del));
    EXPECT_EQ(Func().ErrDescription(), "KIVFunc:DBTableResvCancel:Cannot retreive Outlet: 77");
    EXPECT_FALSE(Func().DBResvUpdate(elsewhere, DBFields(), del, false));
    EXPECT_EQ(Func().ErrDescription(), "KIVFunc:DBResvUpdate:Cannot retrieve outlet with id:77");
    Reservation none;
    none.SetField("OutletID", Variant(1));
    EXPECT_FALSE(Func().DBResvDelete(none, del));
    EXPECT_EQ(Func().ErrDescription(), "KIVFunc:DBResvDelete:Invalid Reserve ID 0");

    // GetTableReserve reads the live bindings of the reservation.
    Reservation loaded = Load(NewReservation({"Q1"}));
    ASSERT_TRUE(Func().GetTableReserve(loaded));
    ASSERT_EQ(loaded.TableReserves().Count(), 1u);
    EXPECT_EQ(loaded.TableReserves().begin()->second->TableNo(), "Q1");
}

TEST_F(KivFuncTest, StatusMovesWithOneTableOnEachSideAndSettleFreesTheTables) {
    const int32_t id = NewReservation({"Q1"});
    Reservation r = Load(id);
    inst.Sql(
        "INSERT INTO tbl_TableStatus (DBServerID, OutletID, TableNo, TableStatus, ReserveID, "
        "CheckNo, CheckCover, RowStatus) VALUES (1, 1, 'PQ1', 'O', " +
        std::to_string(id) + ", 'CHK9', 3, 'A'), (1, 1, 'Q2', 'V', 0, NULL, 0, 'A')");
    const int oldStatus =
        std::stoi(One("SELECT TableStatusID FROM tbl_TableStatus WHERE TableNo='PQ1'"));
    const int newStatus = std::stoi(
        One("SELECT TableStatusID FROM tbl_TableStatus WHERE TableNo='Q2' AND OutletID=1"));
    ASSERT_TRUE(Func().GetTableReserve(r));
    TableReserveMap oldOnes = r.TableReserves();
    auto to = std::make_shared<TableReserve>();
    to->SetTableNo("Q2");
    TableReserveMap newOnes, two;
    newOnes.Add(0, to);
    two.Add(0, to);
    two.Add(1, std::make_shared<TableReserve>());
    PacketList packets;
    // Two tables on one side: nothing happens, and that is no failure.
    EXPECT_TRUE(Func().DBTableStatusUpdate(r, oldOnes, two, packets));
    EXPECT_TRUE(packets.empty());
    ASSERT_TRUE(Func().DBTableStatusUpdate(r, oldOnes, newOnes, packets));
    EXPECT_EQ(One("SELECT ReserveID FROM tbl_TableStatus WHERE TableStatusID=" +
                  std::to_string(newStatus)),
              std::to_string(id));
    EXPECT_EQ(One("SELECT ReserveID FROM tbl_TableStatus WHERE TableStatusID=" +
                  std::to_string(oldStatus)),
              "0");
    EXPECT_EQ(to->CheckNo(), "CHK9");
    EXPECT_EQ(packets,
              (PacketList{
                  Doc(1, "RESERVATION", "UPDATE", "tbl_tablestatus", "tablestatusid", newStatus),
                  Doc(1, "RESERVATION", "UPDATE", "tbl_tablestatus", "tablestatusid", oldStatus)}));

    // Settling with the arrival filled: a party never checked in gets its
    // booked covers, not 0.
    ASSERT_TRUE(Func().ResvSettle(r, true)) << Func().ErrDescription();
    EXPECT_EQ(One("SELECT RowStatus + ':' + CAST(ArrivalCover AS varchar(5)) + ':' + "
                  "convert(varchar(5), ArrivalTime, 108) FROM tbl_Reservation WHERE ReserveID=" +
                  std::to_string(id)),
              "C:4:12:00");
    EXPECT_EQ(One("SELECT ReserveID FROM tbl_TableStatus WHERE TableStatusID=" +
                  std::to_string(newStatus)),
              "0");
    Announced a = Next();
    EXPECT_EQ(a.priority, "2");
    EXPECT_EQ(a.filter, Filter(1, Day(40), kLunch));
    EXPECT_EQ(a.msgs,
              (std::vector<PacketItem>{
                  Doc(1, "TABLE_STATUS", "UPDATE", "tbl_tablestatus", "tablestatusid", newStatus),
                  Doc(1, "RESERVATION", "UPDATE", "tbl_reservation", "reserveid", id)}));

    // Arrival covers of a reservation that has some.
    Reservation other = Load(NewReservation({}));
    ASSERT_TRUE(Func().ResvChangeArrivalCover(other, 5, "Q1", true));
    EXPECT_EQ(One("SELECT ArrivalCover FROM tbl_Reservation WHERE ReserveID=" +
                  std::to_string(other.ReserveID())),
              "5");
    a = Next();
    ASSERT_EQ(a.msgs.size(), 1u);
    EXPECT_EQ(a.msgs[0],
              Doc(1, "RESERVATION", "UPDATE", "tbl_reservation", "reserveid", other.ReserveID()));
}

TEST_F(KivFuncTest, HoldsAreAnnouncedWithPriorityOneAndRefusedHoldsSendNothing) {
    int64_t result = 0;
    auto hold =
        Func().TempHoldTable(Db1(), 1, 1, Date(41), kLunch, kFreeTable, 1, ClientID(), 0, &result);
    ASSERT_NE(hold, nullptr);
    EXPECT_EQ(hold->TempID(), result);
    EXPECT_EQ(hold->TableNo(), "Q1");
    Announced a = Next();
    EXPECT_EQ(a.priority, "1");
    EXPECT_EQ(a.filter, Filter(1, Day(41), kLunch));
    EXPECT_EQ(a.msgs, (std::vector<PacketItem>{
                          Doc(1, "RESERVATION", "INSERT", "tbl_tabletemp", "tempid", result)}));

    // A second hold of the same table is refused and announces nothing.
    int64_t again = 99;
    EXPECT_EQ(
        Func().TempHoldTable(Db1(), 1, 1, Date(41), kLunch, kFreeTable, 1, ClientID(), 0, &again),
        nullptr);
    EXPECT_EQ(again, 0);
    ExpectNothingAnnounced();

    ASSERT_TRUE(Func().ReleaseTempHoldTable(*hold));
    a = Next();
    EXPECT_EQ(a.priority, "1");
    EXPECT_EQ(a.msgs, (std::vector<PacketItem>{
                          Doc(1, "RESERVATION", "UPDATE", "tbl_tabletemp", "tempid", result)}));
    EXPECT_FALSE(Func().ReleaseTempHoldTable(*hold));  // released already: nothing to say
    ExpectNothingAnnounced();
}

TEST_F(KivFuncTest, AHoldPastTheTimeOutNoLongerCounts) {
    inst.Sql(
        "INSERT INTO tbl_TableTemp (DBServerID, OutletID, MPOutletID, ReserveDate, TableNo, "
        "HoldDT, ClientID, RowStatus) VALUES (1, 1, 12, '" +
        Day(42) + "', 'Q1', DATEADD(minute, -31, GetDate()), 999, 'A'), (1, 1, 12, '" + Day(42) +
        "', 'Q2', DATEADD(minute, -29, GetDate()), 999, 'A')");
    const int stale = std::stoi(One("SELECT TempID FROM tbl_TableTemp WHERE TableNo='Q1'"));
    int64_t result = 0;
    EXPECT_EQ(Func().TempHoldTable(Db1(), 1, 1, Date(42), kLunch, "Q2", 1, ClientID(), 0, &result),
              nullptr);
    EXPECT_EQ(result, 0);  // 29 minutes: still standing
    ExpectNothingAnnounced();
    auto hold =
        Func().TempHoldTable(Db1(), 1, 1, Date(42), kLunch, "Q1", 1, ClientID(), 0, &result);
    ASSERT_NE(hold, nullptr);
    EXPECT_EQ(One("SELECT RowStatus FROM tbl_TableTemp WHERE TempID=" + std::to_string(stale)),
              "D");
    Announced a = Next();
    EXPECT_EQ(a.msgs, (std::vector<PacketItem>{
                          Doc(1, "RESERVATION", "UPDATE", "tbl_tabletemp", "tempid", stale),
                          Doc(1, "RESERVATION", "INSERT", "tbl_tabletemp", "tempid", result)}));
    // A shorter time-out set by the installation lets the other one go too.
    inst.Sql(
        "INSERT INTO tbl_Parameter (ParaModule, ParaName, ParaDataType, ParaValue, RowStatus)"
        " VALUES ('CONFIG', 'HoldTableTimeout', 'I', '10', 'A')");
    ASSERT_TRUE(g_oConfig->Load(*DefaultSQLDB()));
    EXPECT_EQ(HoldTimeoutMinutes(), 10);
    EXPECT_NE(Func().TempHoldTable(Db1(), 1, 1, Date(42), kLunch, "Q2", 1, ClientID(), 0), nullptr);
}

TEST_F(KivFuncTest, ReleaseAllSendsOnePacketPerOutlet) {
    inst.Sql(
        "INSERT INTO tbl_TableTemp (DBServerID, OutletID, MPOutletID, ReserveDate, TableNo, "
        "HoldDT, ClientID, RowStatus) VALUES (1, 1, 12, '" +
        Day(43) + "', 'Q1', GetDate(), " + std::to_string(ClientID()) + ", 'A'), (1, 2, 21, '" +
        Day(43) + "', 'M1', GetDate(), " + std::to_string(ClientID()) + ", 'A'), (1, 1, 13, '" +
        Day(44) + "', 'Q2', GetDate(), " + std::to_string(ClientID()) + ", 'A'), (1, 1, 12, '" +
        Day(43) + "', 'Q2', GetDate(), 999, 'A')");
    int released = 0;
    ASSERT_TRUE(Func().ReleaseAllTempHoldTables(&released));
    EXPECT_EQ(released, 3);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM tbl_TableTemp WHERE RowStatus='A'"), 1);  // another's
    std::vector<std::string> outlets;
    for (int i = 0; i < 2; ++i) {
        Announced a = Next();
        EXPECT_EQ(a.priority, "1");
        ASSERT_FALSE(a.filter.empty());
        outlets.push_back(a.filter[0].second + ":" + std::to_string(a.msgs.size()));
        for (const PacketItem& m : a.msgs)
            EXPECT_EQ(m[3].second, "tbl_tabletemp");
    }
    EXPECT_EQ(outlets, (std::vector<std::string>{"1:2", "2:1"}));
    ExpectNothingAnnounced();
}

TEST_F(KivFuncTest, ActiveFilterFollowsTheFilterLevelAndIsKeptPerServer) {
    struct Case {
        int level;
        std::string expected;
    };
    const Case cases[] = {
        {0, "<VARGRP id=\"filter\"/>"},
        {1, "<VAR id=\"outletid\">1</VAR></VARGRP>"},
        {3, "<VAR id=\"reservedate\">" + Day(45) + "</VAR><VAR id=\"mealperiodid\">12</VAR>"},
    };
    for (const Case& c : cases) {
        inst.Sql("UPDATE tbl_Parameter SET ParaValue='" + std::to_string(c.level) +
                 "' WHERE ParaName='FilterLevel'");
        ASSERT_TRUE(g_oConfig->Load(*DefaultSQLDB()));
        ASSERT_TRUE(Func().SetActiveFilter(Date(45), 1, kLunch)) << c.level;
        const std::string* kept = hub->KIVConn().CurrentFilter(1);
        ASSERT_NE(kept, nullptr);
        EXPECT_NE(kept->find("<VAR id=\"type\">FILTER</VAR>"), std::string::npos);
        EXPECT_NE(kept->find(c.expected), std::string::npos) << *kept;
    }
    inst.Sql("UPDATE tbl_Outlet SET ServiceID=7 WHERE OutletID=2");
    KIVFunc fresh;
    fresh.SetConnections(&hub->KIVConn());
    EXPECT_FALSE(fresh.SetActiveFilter(Date(45), 2, 21));
    EXPECT_EQ(fresh.ErrDescription(), "KIVFunc:SetActiveFilter:Service with ID:7 does not exists");
}

}  // namespace
