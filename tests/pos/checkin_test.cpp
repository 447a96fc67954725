// Check-in, its undo, table swaps and the moves of a seated party, against
// a real kivserver whose POS keeps the table statuses.
#include "reservations/kivfunc.h"

#include <gtest/gtest.h>

#include "pos/posfixture.h"

namespace {

class CheckInTest : public PosTest {};

TEST_F(CheckInTest, QueueBehindSeatedPartyAndUndoMovesItUp) {
    Start();
    const int32_t first = NewResv("Q1", 3), second = NewResv("Q1", 2);

    ASSERT_TRUE(CheckIn(first)) << Func().ErrDescription();
    // The POS opened the check for the booked covers; the party sits there.
    EXPECT_EQ(Status("Q1"), "O " + std::to_string(first) + " 0");
    EXPECT_EQ(One("SELECT CheckCover FROM tbl_TableStatus WHERE OutletID=1 AND TableNo='Q1'"), "3");
    EXPECT_EQ(
        One("SELECT ArrivalCover FROM tbl_Reservation WHERE ReserveID=" + std::to_string(first)),
        "3");
    EXPECT_FALSE(
        One("SELECT ArrivalTime FROM tbl_Reservation WHERE ReserveID=" + std::to_string(first))
            .empty());
    EXPECT_EQ(One("SELECT POSTableNo FROM tbl_TableReserve WHERE RowStatus='A' AND ReserveID=" +
                  std::to_string(first)),
              "Q1");

    std::vector<std::string> queued;
    ASSERT_TRUE(CheckIn(second, false, &queued)) << Func().ErrDescription();
    EXPECT_EQ(queued, std::vector<std::string>{"Q1"});
    EXPECT_EQ(Status("Q1"), "O " + std::to_string(first) + " " + std::to_string(second));

    // Undo with the check open: the waiting party moves up, and the POS
    // clears the table (its answer comes back as a status change).
    Reservation r = Load(first);
    ASSERT_TRUE(Func().ResvCheckInUndo(r)) << Func().ErrDescription();
    EXPECT_TRUE(PumpFor([&] { return Status("Q1").rfind("V ", 0) == 0; }, 3000)) << Status("Q1");
    EXPECT_EQ(Status("Q1"), "V " + std::to_string(second) + " 0");
    EXPECT_EQ(One("SELECT IsNull(ArrivalCover, -1) FROM tbl_Reservation WHERE ReserveID=" +
                  std::to_string(first)),
              "-1");
    EXPECT_EQ(One("SELECT IsNull(POSTableNo, '-') FROM tbl_TableReserve WHERE RowStatus='A' AND "
                  "ReserveID=" +
                  std::to_string(first)),
              "-");
}

TEST_F(CheckInTest, ForceSeatsOverAPartyAndOnlyTheBusinessDateIsTaken) {
    Start();
    const int32_t seated = NewResv("Q2"), other = NewResv("Q2");
    ASSERT_TRUE(CheckIn(seated));
    ASSERT_TRUE(CheckIn(other, true)) << Func().ErrDescription();
    EXPECT_EQ(Status("Q2"), "O " + std::to_string(other) + " 0");

    const int32_t late = NewResv("Q1");
    Reservation r = Load(late);
    EXPECT_FALSE(Func().ResvCheckIn(r, 0, false, TodayDate().AddDays(1)));
    EXPECT_EQ(Func().ErrDescription(), "KIVFunc:ResvCheckIn:Check-in only on the business date");
    EXPECT_EQ(Status("Q1"), "");
}

TEST_F(CheckInTest, SwapRefusalsAndExchanges) {
    Start();
    const int32_t a = NewResv("Q1"), b = NewResv("Q2");
    auto swap = [&](int32_t x, int32_t y) {
        Reservation rx = Load(x), ry = Load(y);
        return Func().ResvsSwapTables(rx, ry);
    };
    auto tableOf = [&](int32_t id) {
        return One("SELECT TableNo FROM tbl_TableReserve WHERE RowStatus='A' AND ReserveID=" +
                   std::to_string(id));
    };
    // Neither arrived: the bindings change hands.
    ASSERT_TRUE(swap(a, b)) << Func().ErrDescription();
    EXPECT_EQ(tableOf(a), "Q2");
    EXPECT_EQ(tableOf(b), "Q1");

    // An open check on either side refuses before anything is written.
    ASSERT_TRUE(CheckIn(a));
    EXPECT_EQ(Status("Q2"), "O " + std::to_string(a) + " 0");
    EXPECT_FALSE(swap(b, a));
    EXPECT_EQ(Func().ErrDescription(),
              "KIVFunc:ResvsSwapTables:Cannot change table for opened check table");
    EXPECT_EQ(tableOf(a), "Q2");

    // Seated without a check: an arrived party does not swap with one that
    // has not arrived, in either order.
    inst.Sql("UPDATE tbl_TableStatus SET TableStatus='V' WHERE OutletID=1 AND TableNo='Q2'");
    const std::string expected =
        "KIVFunc:ResvsSwapTables:Arrived reservation : " + Load(a).GetFieldText("ReserveNo") +
        " cannot swap table with non-arrive reservation: " + Load(b).GetFieldText("ReserveNo");
    for (auto [x, y] : {std::pair{a, b}, std::pair{b, a}}) {
        EXPECT_FALSE(swap(x, y));
        EXPECT_EQ(Func().ErrDescription(), expected);
    }

    // Both arrived: the seated status rows follow the tables.
    ASSERT_TRUE(CheckIn(b));
    inst.Sql("UPDATE tbl_TableStatus SET TableStatus='V' WHERE OutletID=1");
    ASSERT_TRUE(swap(a, b)) << Func().ErrDescription();
    EXPECT_EQ(tableOf(a), "Q1");
    EXPECT_EQ(Status("Q1"), "V " + std::to_string(a) + " 0");
    EXPECT_EQ(Status("Q2"), "V " + std::to_string(b) + " 0");
}

TEST_F(CheckInTest, SeatedPartyTakesItsCheckAlongAndChangesItsCovers) {
    Start();
    const int32_t id = NewResv("Q1", 2);
    inst.Sql(
        "INSERT INTO tbl_TableStatus (DBServerID, OutletID, TableNo, TableStatus, ReserveID, "
        "WaitReserveID, RowStatus) VALUES (1, 1, 'Q2', 'V', 0, 0, 'A')");
    ASSERT_TRUE(CheckIn(id));
    Reservation r = Load(id);
    ASSERT_TRUE(Func().GetTableReserve(r));
    TableReserveMap oldOnes = r.TableReserves();
    auto to = std::make_shared<TableReserve>();
    to->SetTableNo("Q2");
    TableReserveMap newOnes;
    newOnes.Add(0, to);
    PacketList packets;
    ASSERT_TRUE(Func().DBTableStatusUpdate(r, oldOnes, newOnes, packets))
        << Func().ErrDescription();
    EXPECT_EQ(Status("Q2"), "O " + std::to_string(id) + " 0");
    EXPECT_EQ(Status("Q1"), "V 0 0");
    EXPECT_FALSE(to->CheckNo().empty());

    ASSERT_TRUE(Func().ResvChangeArrivalCover(r, 5, "Q2", true)) << Func().ErrDescription();
    EXPECT_EQ(One("SELECT CheckCover FROM tbl_TableStatus WHERE OutletID=1 AND TableNo='Q2'"), "5");
}

}  // namespace
