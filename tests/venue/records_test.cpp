// Copies of records that the views and the floor-plan editor rely on.
#include "venue/floorplan.h"

#include <gtest/gtest.h>

#include "sql/recordset.h"
#include "venue/tablestatus.h"

namespace {

FPTable Table(const char* no, int32_t seats) {
    Recordset rs(FieldList({"TableNo", "TCapacity", "ReserveMode"}),
                 {{Variant(no), Variant(seats), Variant("o")}});
    FPTable t;
    t.AddFromRS(&rs);
    return t;
}

TEST(FloorPlanTest, CloneCopiesTablesAsNewOnes) {
    FloorPlan plan;
    plan.SetSeqNo(3);
    plan.SetCapacity(40);
    plan.SetZoom(150);
    plan.AddTable(Table("a1", 4));
    EXPECT_EQ(plan.AddTable(Table("A1", 9))->TCapacity(), 4);  // the first of a number stays
    FPTable removed = Table("A2", 2);
    removed.SetIsDeleted(true);
    removed.SetIsUpdated(true);
    plan.AddTable(removed);

    std::unique_ptr<FloorPlan> copy = plan.Clone();
    EXPECT_EQ(copy->SeqNo(), 3);
    EXPECT_EQ(copy->Capacity(), 40);
    EXPECT_EQ(copy->Zoom(), 150);
    EXPECT_TRUE(copy->ShowGrid());
    ASSERT_EQ(copy->FPTables().Keys(), (std::vector<std::string>{"A1", "A2"}));
    const FPTable& a1 = *copy->FPTables().Item("A1");
    EXPECT_TRUE(a1.IsNew());
    EXPECT_FALSE(a1.IsUpdated());
    EXPECT_EQ(a1.ReserveMode(), "O");
    const FPTable& a2 = *copy->FPTables().Item("A2");
    EXPECT_FALSE(a2.IsNew());
    EXPECT_TRUE(a2.IsUpdated());
    // The copy stands on its own.
    copy->AddTable(Table("A3", 2));
    EXPECT_EQ(plan.FPTables().Count(), 2u);
    EXPECT_FALSE(plan.FPTables().Item("A1")->IsNew());
}

TableStatus Row(const char* state, int32_t reserveID) {
    Recordset rs(FieldList({"TableNo", "TableStatus", "ReserveID", "CheckNo"}),
                 {{Variant("b7"), Variant(state), Variant(reserveID), Variant("C-1")}});
    TableStatus s;
    s.AddFromRS(&rs);
    return s;
}

TEST(TableStatusTest, CopyFromKeepsTheViewsRuntimeFacts) {
    for (bool withReservations : {false, true}) {
        SCOPED_TRACE(withReservations);
        TableStatus held = Row("V", 0);
        held.SetBlock(true);
        held.SetTableLock(true);
        held.SetExistsInFP(true);
        held.Reservations().Add(1, 1);
        held.R1Res().Add(1, 1);
        TableStatus changed = Row("O", 5);
        changed.SetBlockUserID(3);
        changed.SetBlockRemark("repair");
        changed.Reservations().Add(5, 5);

        held.CopyFrom(changed, withReservations);
        EXPECT_EQ(held.TableNo(), "B7");
        EXPECT_EQ(held.GetTableStatus(), "O");
        EXPECT_EQ(held.ReserveID(), 5);
        EXPECT_EQ(held.CheckNo(), "C-1");
        EXPECT_EQ(held.BlockUserID(), 3);
        EXPECT_EQ(held.BlockRemark(), "repair");
        EXPECT_TRUE(held.Block());
        EXPECT_TRUE(held.TableLock());
        EXPECT_TRUE(held.ExistsInFP());
        EXPECT_EQ(held.R1Res().Keys(), (std::vector<int32_t>{1}));
        EXPECT_EQ(held.Reservations().Keys(), (std::vector<int32_t>{withReservations ? 5 : 1}));
    }
}

}  // namespace
