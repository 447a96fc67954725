// The reservation list of a day read through the list definition: columns,
// guest values, bindings and their part flags.
#include <gtest/gtest.h>

#include "core/config.h"
#include "profilefixture.h"
#include "reservations/reservations.h"
#include "reservations/resvlistcriteria.h"

namespace {

class ResvListTest : public ProfileTest {
  protected:
    Reservations List(int32_t outletID, const std::string& day, int32_t period = 0) {
        auto def = Load(kProfileResvList);
        ResvListCriteria c;
        c.ResvBeginDate = c.ResvEndDate = day;
        c.AddOutletID(outletID);
        if (period != 0) c.AddMPOutletID(period);
        for (const char* s : {"A", "X", "C"})
            c.AddRowStatus(s);
        Reservations out;
        EXPECT_TRUE(def->LoadResvList(Db(), c, out)) << def->ErrDescription();
        return out;
    }
    // A reservation with one binding at `time` on `day` (Jade Garden, server 1).
    int32_t Book(int32_t period, const std::string& day, const std::string& time) {
        inst.Sql(
            "INSERT INTO tbl_Reservation (DBServerID, OutletID, MPOutletID, ReserveDate,"
            " ReserveTime, ReserveCover, GuestID, DYLastName, RowStatus) VALUES (1, 2, " +
            std::to_string(period) + ", '" + day + "', '" + time + "', 2, " +
            std::to_string(g_oConfig->PseudoGuestID()) + ", 'Part', 'A')");
        const int32_t id = Count("SELECT MAX(ReserveID) FROM tbl_Reservation");
        inst.Sql(
            "INSERT INTO tbl_TableReserve (DBServerID, ReserveID, TableNo, RowStatus)"
            " VALUES (1, " +
            std::to_string(id) + ", 'S1', 'A')");
        return id;
    }
};

TEST_F(ResvListTest, ListsTheDayWithItsBindingsAndTableNumbers) {
    // A web booking has no updating user or workstation: it still lists.
    inst.Sql(
        "UPDATE tbl_Reservation SET UpdateClientID=NULL, UpdateUserID=NULL WHERE ReserveID="
        "(SELECT MIN(ReserveID) FROM tbl_Reservation WHERE OutletID=1 AND ReserveDate='" +
        Today() + "')");
    const Reservations list = List(1, Today());
    const std::string where =
        " FROM tbl_Reservation WHERE OutletID=1 AND RowStatus IN "
        "('A','X','C') AND ReserveDate='" +
        Today() + "'";
    ASSERT_EQ(list.Count(), static_cast<std::size_t>(Count("SELECT COUNT(*)" + where)));
    for (const auto& [id, r] : list.Items()) {
        std::string tables;
        auto rs = inst.Query(
            "SELECT TableNo FROM tbl_TableReserve WHERE RowStatus IN ('A','X') AND ReserveID=" +
            std::to_string(id) + " ORDER BY TableReserveID");
        for (; rs != nullptr && !rs->Eof(); rs->MoveNext())
            tables += (tables.empty() ? "" : ",") + FieldStr(rs.get(), "TableNo");
        EXPECT_EQ(r->GetFieldText("SYS_TableNoList"), tables) << id;
        EXPECT_EQ(
            r->TableReserves().Count(),
            r->GetFieldText("SYS_TableResvIDList").empty()
                ? 0u
                : static_cast<std::size_t>(std::count(tables.begin(), tables.end(), ',')) + 1u);
        EXPECT_EQ(r->GetFieldText("ReserveDate"), Today());
        EXPECT_EQ(r->GetFieldText("ReserveTime").size(), 5u);  // hh:nn
    }
}

TEST_F(ResvListTest, TextsListInFullTimesAsClockTimesAndIndicatorsFilled) {
    const std::string day = DateTime::Now().AddDays(40).DateText();  // no demo bookings
    const int32_t id = Book(21, day, "12:45:00");
    inst.Sql(
        "UPDATE tbl_Reservation SET DYLastName='Montgomery-Whitfield', ReserveMode='I',"
        " ReserveStatus='P', Remark='Cake at 13:30' WHERE ReserveID=" +
        std::to_string(id));
    const int32_t plain = Book(21, day, "13:30:00");
    // A site's definition that still marks its time fields "T" reads the same way.
    inst.Sql("UPDATE tbl_ProfileDefinition SET DataType='T' WHERE ProfileCode='ReserveTime'");
    const Reservations list = List(2, day);
    const Reservation* r = list.Item(id);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->GetFieldText("DYLastName"), "Montgomery-Whitfield");
    EXPECT_EQ(r->GetFieldText("ReserveTime"), "12:45");
    EXPECT_EQ(r->GetFieldText("SYS_ResvIndicator_Status"), "INTERNET PENDING");
    EXPECT_EQ(r->GetFieldText("SYS_ResvIndicator_Remark"), "REMARK");
    ASSERT_NE(list.Item(plain), nullptr);
    EXPECT_EQ(list.Item(plain)->GetFieldText("SYS_ResvIndicator_Status"), "");
    EXPECT_EQ(list.Item(plain)->GetFieldText("SYS_ResvIndicator_Remark"), "");
}

TEST_F(ResvListTest, GuestColumnsComeFromTheProfileUnlessThePlaceholderGuestBooked) {
    const std::string pseudo = std::to_string(g_oConfig->PseudoGuestID());
    const std::string day = " AND OutletID=1 AND RowStatus='A' AND ReserveDate='" + Today() + "'";
    const std::string walkIn =
        One("SELECT MIN(ReserveID) FROM tbl_Reservation WHERE GuestID=" + pseudo + day);
    const std::string member =
        One("SELECT MIN(ReserveID) FROM tbl_Reservation WHERE GuestID<>" + pseudo + day);
    ASSERT_FALSE(walkIn.empty());
    ASSERT_FALSE(member.empty());
    inst.Sql("UPDATE tbl_Reservation SET DYLastName='Typed' WHERE ReserveID IN (" + walkIn + "," +
             member + ")");
    inst.Sql("UPDATE tbl_Guest SET DYLastName='Profile' WHERE GuestID IN (" + pseudo +
             ", (SELECT GuestID FROM tbl_Reservation WHERE ReserveID=" + member + "))");
    const Reservations list = List(1, Today());
    EXPECT_EQ(list.Item(std::stoi(walkIn))->GetFieldText("DYLastName"), "Typed");
    EXPECT_EQ(list.Item(std::stoi(member))->GetFieldText("DYLastName"), "Profile");
}

TEST_F(ResvListTest, PartFlagsAtThePartBoundariesAndPastMidnight) {
    const std::string day = DateTime::Now().AddDays(40).DateText();  // no demo bookings
    struct Case {
        int32_t period;  // 21: lunch 11:00-13:00 and 13:15-15:00; 23: supper 22:00-02:00
        const char* time;
        bool r1, r2;
    };
    const Case cases[] = {
        {21, "11:00:00", true, false},  {21, "12:59:00", true, false},
        {21, "13:00:00", false, false},  // end of the first part
        {21, "13:15:00", false, true},   // start of the second
        {21, "14:59:59", false, true},  {21, "15:00:00", false, false},
        {23, "22:00:00", true, false},  {23, "23:30:00", true, false},
        {23, "01:00:00", true, false},  {23, "02:00:00", false, false},
        {23, "21:59:00", false, false},
    };
    std::vector<int32_t> ids;
    for (const auto& c : cases)
        ids.push_back(Book(c.period, day, c.time));
    const Reservations list = List(2, day);
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const Reservation* r = list.Item(ids[i]);
        ASSERT_NE(r, nullptr);
        ASSERT_EQ(r->TableReserves().Count(), 1u);
        const TableReserve& tr = *r->TableReserves().begin()->second;
        EXPECT_EQ(tr.R1(), cases[i].r1) << cases[i].period << " " << cases[i].time;
        EXPECT_EQ(tr.R2(), cases[i].r2) << cases[i].period << " " << cases[i].time;
        // The binding read on its own (through its server) agrees.
        TableReserve single;
        auto rs =
            inst.Query("SELECT * FROM tbl_TableReserve WHERE ReserveID=" + std::to_string(ids[i]));
        ASSERT_TRUE(single.Load(rs.get()));
        EXPECT_EQ(single.R1(), cases[i].r1) << cases[i].time;
        EXPECT_EQ(single.R2(), cases[i].r2) << cases[i].time;
    }
}

}  // namespace
