// The console commands of the reservation operations: in this process for
// their rows and refusals, and as the workstation program against a real
// kivserver for what the other workstations see.
#include <gtest/gtest.h>

#include "app/shell.h"
#include "kiv/opsfixture.h"
#include "users/user.h"

namespace {

class OpsCommandsTest : public OpsTest {
  protected:
    std::vector<std::string> Run(const std::string& line) {
        ui.Clear();
        Shell shell;
        shell.Execute(line);
        return ui.Texts("print");
    }
    std::string Run1(const std::string& line) {
        const auto lines = Run(line);
        return lines.size() == 1 ? lines[0] : "<" + std::to_string(lines.size()) + " lines>";
    }
    // A lunch reservation of the Harbour Grill `offset` days ahead.
    std::string NewReservation(const std::string& tables, int offset = 40) {
        inst.Sql(
            "INSERT INTO tbl_Reservation (DBServerID, OutletID, MPOutletID, ReserveDate, "
            "ReserveTime, ReserveCover, RowStatus) VALUES (1, 1, 12, '" +
            Day(offset) + "', '12:00', 5, 'A')");
        const std::string id = One("SELECT MAX(ReserveID) FROM tbl_Reservation");
        if (!tables.empty())
            inst.Sql(
                "INSERT INTO tbl_TableReserve (DBServerID, ReserveID, TableNo, RowStatus) "
                "VALUES (1, " +
                id + ", '" + tables + "', 'A')");
        return id;
    }
    std::string Resv(const std::string& id, const std::string& columns) {
        return One("SELECT " + columns + " FROM tbl_Reservation WHERE ReserveID=" + id);
    }
    std::string Tables(const std::string& id) {
        std::string list;
        auto rs = inst.Query(
            "SELECT TableNo, Capacity, IsShare, Occupied FROM tbl_TableReserve "
            "WHERE RowStatus='A' AND ReserveID=" +
            id + " ORDER BY TableReserveID");
        for (; rs != nullptr && !rs->Eof(); rs->MoveNext())
            list += FieldStr(rs.get(), "TableNo") + ":" + FieldStr(rs.get(), "Capacity") + ":" +
                    FieldStr(rs.get(), "IsShare") + ":" + FieldStr(rs.get(), "Occupied") + " ";
        return list;
    }
};

TEST_F(OpsCommandsTest, HoldRefusalsNameTheReason) {
    const std::string d = Day(40);
    const std::string id = NewReservation("Q1");
    inst.Sql(
        "INSERT INTO tbl_TableBlock (OutletID, MPOutletID, TableNo, BeginDate, RowStatus) "
        "VALUES (1, 12, 'Q2', '" +
        d + "', 'A'), (1, 12, 'A9', '" + Day(50) +
        "', 'A') INSERT INTO tbl_TableTemp (OutletID, MPOutletID, ReserveDate, TableNo, "
        "HoldDT, ClientID, RowStatus) VALUES (1, 13, '" +
        d + "', 'Q1', GetDate(), 999, 'A')");
    (void)id;
    const std::pair<std::string, std::string> cases[] = {
        {"hold HBR " + d + " 02LUN Q1", "Table Q1 cannot be held: booked"},
        {"hold HBR " + d + " 03DIN Q1", "Table Q1 cannot be held: held by another workstation"},
        {"hold HBR " + d + " 02LUN q2", "Table Q2 cannot be held: blocked"},
        {"hold HBR " + d + " 02LUN ZZ9", "Table ZZ9 cannot be held: not on a floor plan in force"},
        {"hold HBR " + Day(-1) + " 02LUN A9", "Table A9 cannot be held: the date is past"},
        {"hold HBR " + d + " 31 A9",
         "Table A9 cannot be held: the meal period is not an active period of the outlet"},
        {"hold HBR " + d + " 02LUN TOOLONG99",
         "Table TOOLONG99 cannot be held: invalid table number"},
        {"hold HBR " + d + " NOPE A9", "Unknown meal period: NOPE"},
    };
    for (const auto& [line, expected] : cases)
        EXPECT_EQ(Run1(line), expected) << line;
    EXPECT_EQ(Count("SELECT COUNT(*) FROM tbl_TableTemp WHERE RowStatus='A'"), 1);

    const std::string held = Run1("hold HBR " + Day(50) + " 02LUN A8");
    ASSERT_EQ(held.rfind("held\t", 0), 0u) << held;
    const std::string tempID = held.substr(5, held.find('\t', 5) - 5);
    EXPECT_EQ(held, "held\t" + tempID + "\tA8");
    EXPECT_EQ(Run1("hold HBR " + Day(50) + " 02LUN A8"),
              "Table A8 cannot be held: already held by this workstation");
    EXPECT_EQ(Run("holds"), std::vector<std::string>{tempID + "\tHBR\t" + Day(50) + "\t02LUN\tA8"});
    EXPECT_EQ(Run1("release 999999"), "No such hold of this workstation: 999999");
    EXPECT_EQ(Run1("release " + tempID), "released\t1");
    EXPECT_EQ(Run1("release all"), "released\t0");
    EXPECT_TRUE(Run("holds").empty());
}

TEST_F(OpsCommandsTest, CancelWritesItsReasonAndRefusesWhatCannotBeCancelled) {
    const std::string id = NewReservation("Q1");
    EXPECT_EQ(Run1("resv cancel " + id + " --reason C02 --remark \"Called at noon\""),
              "Reservation cancelled: " + id);
    EXPECT_EQ(Resv(id,
                   "RowStatus + '/' + CancelMsgCat + '/' + CancelMsgSubCat + '/' + "
                   "CAST(CancelUserID AS varchar(9))"),
              "X/MAN/N/" + std::to_string(g_oUser->UserID()));
    EXPECT_EQ(Resv(id, "CancelMsgID"), One("SELECT MsgID FROM tbl_Message WHERE MsgCode='C02'"));
    EXPECT_NE(Resv(id, "CancelDT"), "");
    EXPECT_EQ(Resv(id, "Remark"), "Cancel remark: Called at noon");
    EXPECT_EQ(One("SELECT RowStatus FROM tbl_TableReserve WHERE ReserveID=" + id), "X");

    const std::string arrived = NewReservation("");
    inst.Sql("UPDATE tbl_Reservation SET ArrivalTime='12:05' WHERE ReserveID=" + arrived);
    const std::string plain = NewReservation("");
    const std::pair<std::string, std::string> refusals[] = {
        {"resv cancel " + id, "Reservation is not active: " + id},
        {"resv cancel " + arrived,
         "The guests have arrived; the reservation cannot be cancelled: " + arrived},
        {"resv cancel " + plain + " --reason NOPE", "Unknown cancel reason: NOPE"},
        {"resv cancel " + plain + " --why", "Unknown option: --why"},
    };
    for (const auto& [line, expected] : refusals)
        EXPECT_EQ(Run1(line), expected) << line;
    EXPECT_EQ(Resv(plain, "RowStatus"), "A");

    // The outlet's default reason and its mandatory remark.
    inst.Sql(
        "UPDATE tbl_Outlet SET ApplyDefaultCancelCode=1, MandatoryCxlRemark=1 WHERE "
        "OutletID=1");
    EXPECT_EQ(Run1("resv cancel HBR " + plain),
              "Please enter remark for cancelling the reservation.");
    EXPECT_EQ(Run1("resv cancel HBR " + plain + " --remark x"), "Reservation cancelled: " + plain);
    EXPECT_EQ(Resv(plain, "CancelMsgID"),
              One("SELECT MsgID FROM tbl_Message WHERE MsgType='CXL' AND IsDefault=1 AND "
                  "MsgSubCat='N'"));
}

TEST_F(OpsCommandsTest, SettleCoverAndTables) {
    const std::string id = NewReservation("Q1");
    EXPECT_EQ(Run1("resv cover " + id + " 0"),
              "Arrival covers must be a whole number of at least 1: 0");
    EXPECT_EQ(Run1("resv cover " + id + " 3"), "Arrival covers changed: " + id);
    EXPECT_EQ(Resv(id, "ArrivalCover"), "3");

    // Replace-all: seats and sharing from the plan's tables, the party of 5
    // filling Q1 (6 seats) first.
    EXPECT_EQ(Run1("resv tables " + id + " q2,Q1,Q2"), "Tables changed: " + id);
    EXPECT_EQ(Tables(id), "Q2:2:1:2 Q1:6:0:3 ");
    EXPECT_EQ(Count("SELECT COUNT(*) FROM tbl_TableTemp WHERE RowStatus='A'"), 0);
    // A taken table refuses the whole change and keeps the old bindings.
    const std::string other = NewReservation("A9");
    EXPECT_EQ(Run1("resv tables " + id + " Q1,A9"), "Table A9 cannot be held: booked");
    EXPECT_EQ(Run1("resv tables " + id + " ZZ9"),
              "Table ZZ9 cannot be held: not on a floor plan in force");
    EXPECT_EQ(Tables(id), "Q2:2:1:2 Q1:6:0:3 ");

    // Moving the reservation onto a date where one of its tables is taken.
    const std::string later = NewReservation("Q1", 41);
    (void)later;
    EXPECT_EQ(Run1("resv set " + id + " ReserveDate=" + Day(41)),
              "Table Q1 cannot be held: booked");
    EXPECT_EQ(Resv(id, "CONVERT(varchar(10), ReserveDate, 121)"), Day(40));
    EXPECT_EQ(Run1("resv set " + id + " ReserveDate=" + Day(42)), "Reservation updated: " + id);
    EXPECT_EQ(Resv(id,
                   "CONVERT(varchar(10), ReserveDate, 121) + '/' + "
                   "CAST(UpdateCountByUser AS varchar(5))"),
              Day(42) + "/1");
    EXPECT_EQ(Count("SELECT COUNT(*) FROM tbl_ReservationLog WHERE ReserveID=" + id), 1);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM tbl_TableTemp WHERE RowStatus='A'"), 0);

    EXPECT_EQ(Run1("resv settle " + other + " --fill-arrival"), "Reservation settled: " + other);
    EXPECT_EQ(Resv(other, "RowStatus + '/' + CAST(ArrivalCover AS varchar(5))"), "C/5");
    EXPECT_EQ(Run1("resv settle " + other), "Reservation is not active: " + other);
}

TEST_F(OpsCommandsTest, BlocksNeedTheRightAndTheRemarkTheOutletAsksFor) {
    const std::string d = Day(40);
    const std::string blocked =
        Run1("block HBR 02LUN q1 --from " + d + " --until " + Day(41) + " \"Kept for the owner\"");
    ASSERT_EQ(blocked.rfind("Table blocked: ", 0), 0u) << blocked;
    const std::string id = blocked.substr(15);
    EXPECT_EQ(
        One("SELECT TableNo + '/' + CONVERT(varchar(10), BeginDate, 121) + '/' + "
            "CONVERT(varchar(10), EndDate, 121) + '/' + Remark + '/' + CAST(BlockUserID AS "
            "varchar(5)) FROM "
            "tbl_TableBlock WHERE TableBlockID=" +
            id),
        "Q1/" + d + "/" + Day(41) + "/Kept for the owner/" + std::to_string(g_oUser->UserID()));
    EXPECT_NE(One("SELECT BlockDT FROM tbl_TableBlock WHERE TableBlockID=" + id), "");
    EXPECT_EQ(Run1("hold HBR " + d + " 02LUN Q1"), "Table Q1 cannot be held: blocked");
    EXPECT_EQ(Run1("unblock HBR " + id), "Table unblocked: " + id);
    EXPECT_EQ(Run1("unblock HBR " + id), "No such block: " + id);
    EXPECT_EQ(Run1("block HBR 02LUN ZZ9 x"), "Unknown table: ZZ9");
    EXPECT_EQ(Run1("block HBR 02LUN Q1 --from " + Day(41) + " --until " + d + " x"),
              "The block ends before it begins");
    // The demo's Harbour Grill asks for a remark.
    EXPECT_EQ(Run1("block HBR 02LUN Q1"), "Please enter remark for blocking table(s).");

    SignIn signIn;
    ASSERT_TRUE(signIn.CheckLogin("reception", "reception123", 2));
    EXPECT_EQ(Run1("unblock HBR " + id), "You have no right to do this: Unblock table");
}

// The workstation program with a real kivserver: a hold is announced, and
// released at the end of the session however it ends; a hold left by an
// earlier run is released at sign-in.
TEST_F(OpsCommandsTest, HoldsAreGoneAfterQuitAndAfterTheEndOfInput) {
    const std::string client = One("SELECT ClientID FROM tbl_Client WHERE ComputerName='" +
                                   std::string(kTestComputer) + "'");
    for (const char* ending : {"quit\ny\n", ""}) {
        SCOPED_TRACE(ending);
        inst.Sql(
            "INSERT INTO tbl_TableTemp (DBServerID, OutletID, MPOutletID, ReserveDate, TableNo, "
            "HoldDT, ClientID, RowStatus) VALUES (1, 1, 12, '" +
            Day(40) + "', 'Q2', GetDate(), " + client + ", 'A')");
        const int leftover = std::stoi(One("SELECT MAX(TempID) FROM tbl_TableTemp"));
        RunResult r =
            inst.Start("admin\nadmin123\n2\nhold HBR " + Day(40) + " 02LUN Q1\nholds\n" + ending);
        EXPECT_EQ(r.exitCode, 0) << r.output;
        const int held = leftover + 1;
        EXPECT_NE(r.output.find("held\t" + std::to_string(held) + "\tQ1\n"), std::string::npos)
            << r.output;
        EXPECT_NE(r.output.find(std::to_string(held) + "\tHBR\t" + Day(40) + "\t02LUN\tQ1\n"),
                  std::string::npos)
            << r.output;
        EXPECT_EQ(Count("SELECT COUNT(*) FROM tbl_TableTemp WHERE RowStatus='A'"), 0);
        const std::pair<int, const char*> expected[] = {
            {leftover, "UPDATE"}, {held, "INSERT"}, {held, "UPDATE"}};
        for (const auto& [temp, op] : expected) {
            Announced a = Next();
            EXPECT_EQ(a.priority, "1");
            ASSERT_EQ(a.msgs.size(), 1u) << op;
            EXPECT_EQ(a.msgs[0], Doc(1, "RESERVATION", op, "tbl_tabletemp", "tempid", temp));
        }
    }
}

}  // namespace
