// The data-change handlers against the views and the booking being taken,
// in this process: what each change does to which view.
#include "views/datachangehandlers.h"

#include <memory>

#include "reservations/kivfunc.h"
#include "reservations/newresv.h"
#include "views/viewfixture.h"
#include "views/viewset.h"

namespace {

class DataChangeTest : public ViewTest {
  protected:
    void SetUp() override {
        ViewTest::SetUp();
        ASSERT_TRUE(views.Init(&outlets));
        views.AttachDataChanges(dispatcher, 0);
        ASSERT_TRUE(views.Open(ViewKind::kFuture, kHBR, kLunch, Ahead()));
        views.DataChanges()->OnApplied(
            [this](const DataChangeMsg&, const std::vector<std::string>& names) {
                changed = names;
            });
    }
    // Dispatches one notification of `table` on server `server`; the views
    // it changed.
    std::vector<std::string> Change(const std::string& table, const std::string& field, int id,
                                    int server = 1) {
        changed = {"(not applied)"};
        DataChangeMsg m;
        m.DBServerID = server;
        m.Table = table;
        m.Field = field;
        m.FieldID = id;
        m.FieldIDText = std::to_string(id);
        dispatcher.Dispatch(m);
        return changed;
    }
    TableStatus& Future(const std::string& table) { return *views.Future().GetTableStatus(table); }
    void Block(int id, const std::string& table, const DateTime& from, const DateTime& until,
               const std::string& status = "A") {
        inst.Sql(
            "INSERT INTO tbl_TableBlock (TableBlockID, DBServerID, OutletID, MPOutletID, TableNo, "
            "BeginDate, EndDate, Remark, BlockUserID, BlockDT, RowStatus) VALUES (" +
            std::to_string(id) + ", 1, 1, " + std::to_string(kLunch) + ", '" + table + "', '" +
            from.DateText() + "', '" + until.DateText() + "', 'Kept', 1, '" +
            DateTime::Now().Format("yyyy-mm-dd hh:nn:ss") + "', '" + status + "')");
    }

    DataChangeDispatcher dispatcher;
    ViewSet views;
    std::vector<std::string> changed;
    using Names = std::vector<std::string>;
};

TEST_F(DataChangeTest, AReservationJoinsMovesAndLeavesTheViewsThatShowIt) {
    const DateTime day = Ahead();
    Resv(9001, day, kLunch, "12:30", "A", "Live");
    Bind(9101, 9001, "A1");
    Resv(9002, day, kLunch, "12:30", "A", "Elsewhere");
    inst.Sql("UPDATE tbl_Reservation SET OutletID=2 WHERE ReserveID=9002");

    struct Step {
        const char* what;
        std::string sql;  // run before the change
        const char* table;
        const char* field;
        int id;
        Names expected;
        bool listed, onA1;
    };
    const std::vector<Step> steps{
        {"a new booking appears", "", "tbl_reservation", "reserveid", 9001, {"future"}, true, true},
        {"the same again changes the copy",
         "UPDATE tbl_Reservation SET ReserveCover=5 WHERE ReserveID=9001",
         "tbl_reservation",
         "ReservationID",
         9001,
         {"future"},
         true,
         true},
        {"its binding cancelled leaves the table",
         "UPDATE tbl_TableReserve SET RowStatus='D' WHERE TableReserveID=9101",
         "tbl_tablereserve",
         "tablereserveid",
         9101,
         {"future"},
         true,
         false},
        {"moved to another day it leaves",
         "UPDATE tbl_Reservation SET ReserveDate='" + day.AddDays(1).DateText() +
             "' WHERE ReserveID=9001",
         "tbl_reservation",
         "reserveid",
         9001,
         {"future"},
         false,
         false},
        {"another outlet's booking changes nothing",
         "",
         "tbl_reservation",
         "reserveid",
         9002,
         {},
         false,
         false},
        {"a server that is not there changes nothing",
         "",
         "tbl_reservation",
         "reserveid",
         9001,
         {},
         false,
         false},
    };
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const Step& s = steps[i];
        if (!s.sql.empty()) inst.Sql(s.sql);
        const int server = i + 1 == steps.size() ? 99 : 1;
        const Names got = Change(s.table, s.field, s.id, server);
        if (server == 99) {
            EXPECT_EQ(got, Names{}) << s.what;
        } else {
            EXPECT_EQ(got, s.expected) << s.what;
        }
        EXPECT_EQ(views.Future().FullResvs().Exists(9001), s.listed) << s.what;
        EXPECT_EQ(views.Future().FPResvs().Exists(9001), s.listed) << s.what;
        EXPECT_EQ(Future("A1").Reservations().Exists(9001), s.onA1) << s.what;
    }
    EXPECT_EQ(views.Future().FullResvs().Exists(9002), false);
    EXPECT_NE(inst.DayLogs().find("DBServer With ID: 99 does not exist"), std::string::npos);
}

TEST_F(DataChangeTest, HoldsAndBlocksReachTheViewAndTheBookingBeingTaken) {
    const DateTime day = Ahead();
    KIVFunc func;
    NewResv booking(func);
    ASSERT_TRUE(booking.Open(*outlets.GetOutletByID(kHBR), day, kLunch));
    views.DataChanges()->SetNewResv(&booking);

    inst.Sql(
        "INSERT INTO tbl_TableTemp (TempID, DBServerID, OutletID, MPOutletID, ReserveDate, "
        "TableNo, HoldDT, ClientID, RowStatus) VALUES (7001, 1, 1, " +
        std::to_string(kLunch) + ", '" + day.DateText() + "', 'A3', '" +
        DateTime::Now().Format("yyyy-mm-dd hh:nn:ss") + "', 99, 'A')");
    EXPECT_EQ(Change("tbl_tabletemp", "TempID", 7001), (Names{"new", "future"}));
    EXPECT_TRUE(Future("A3").TableLock());
    EXPECT_TRUE(booking.Plans().GetTableStatus("A3")->TableLock());
    inst.Sql("UPDATE tbl_TableTemp SET RowStatus='D' WHERE TempID=7001");
    EXPECT_EQ(Change("tbl_tabletemp", "tempid", 7001), (Names{"new", "future"}));
    EXPECT_FALSE(Future("A3").TableLock());
    EXPECT_FALSE(booking.Plans().GetTableStatus("A3")->TableLock());

    // Two blocks of A2 on the day: releasing one keeps the table blocked.
    Block(8001, "A2", day, day);
    Block(8002, "A2", day.AddDays(-1), day.AddDays(1));
    Block(8003, "A4", day.AddDays(5), day.AddDays(6));
    EXPECT_EQ(Change("tbl_tableblock", "tableblockid", 8001), (Names{"new", "future"}));
    EXPECT_TRUE(Future("A2").Block());
    EXPECT_EQ(Future("A2").BlockRemark(), "Kept");
    inst.Sql("UPDATE tbl_TableBlock SET RowStatus='D' WHERE TableBlockID=8001");
    Change("tbl_tableblock", "tableblockid", 8001);
    EXPECT_TRUE(Future("A2").Block());
    inst.Sql("UPDATE tbl_TableBlock SET RowStatus='D' WHERE TableBlockID=8002");
    EXPECT_EQ(Change("tbl_tableblock", "tableblockid", 8002), (Names{"new", "future"}));
    EXPECT_FALSE(Future("A2").Block());
    EXPECT_FALSE(booking.Plans().GetTableStatus("A2")->Block());
    // A block of other dates leaves the views as they were.
    EXPECT_EQ(Change("tbl_tableblock", "tableblockid", 8003), Names{});
    EXPECT_FALSE(Future("A4").Block());

    // A row that is not there is logged and changes nothing.
    EXPECT_EQ(Change("tbl_tableblock", "tableblockid", 123456), Names{});
    EXPECT_NE(inst.DayLogs().find("Cannot retrieve data with ID: 123456"), std::string::npos);
    views.DataChanges()->SetNewResv(nullptr);
}

}  // namespace
