// The reservation and guest commands of the console, run in a signed-in
// workstation on a demo installation.
#include <gtest/gtest.h>

#include "app/shell.h"
#include "profilefixture.h"

namespace {

class ResvCommandsTest : public ProfileTest {
  protected:
    std::vector<std::string> Run(const std::string& line) {
        ui.Clear();
        Shell shell;
        shell.Execute(line);
        return ui.Texts("print");
    }
    // Today's first dinner (18:00-22:30) of the Harbour Grill.
    std::string TodaysDinner() {
        return One(
            "SELECT MIN(ReserveID) FROM tbl_Reservation WHERE OutletID=1 AND MPOutletID=13 AND "
            "RowStatus='A' AND ReserveDate='" +
            Today() + "'");
    }
    std::string TodaysFirst() {
        return One(
            "SELECT MIN(ReserveID) FROM tbl_Reservation WHERE OutletID=1 AND RowStatus='A'"
            " AND ReserveDate='" +
            Today() + "'");
    }
};

TEST_F(ResvCommandsTest, ListShowsTheListColumnsOfTheDay) {
    const auto lines = Run("resv list hbr today 02LUN --status a,x");
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("ID\tDate\tMeal period\tTime\tCovers\tTables\tLast name\t", 0), 0u);
    EXPECT_EQ(lines.size() - 1,
              static_cast<std::size_t>(Count(
                  "SELECT COUNT(*) FROM tbl_Reservation WHERE OutletID=1 AND MPOutletID=12 AND "
                  "RowStatus IN ('A','X') AND ReserveDate='" +
                  Today() + "'")));
    // Display texts: the user's date format, names for codes.
    const std::string d = Today();
    EXPECT_NE(lines[1].find("\t" + d.substr(8, 2) + "/" + d.substr(5, 2) + "/" + d.substr(0, 4) +
                            "\tLunch\t"),
              std::string::npos);
    EXPECT_NE(lines[1].find("\tHarbour Grill\t"), std::string::npos);
}

TEST_F(ResvCommandsTest, SetWritesThroughTheFormAndShowReadsItBack) {
    const std::string id = TodaysDinner();
    EXPECT_EQ(Run("resv set " + id + " Remark=\"Late, by the window\" ReserveTime=1930"),
              std::vector<std::string>{"Reservation updated: " + id});
    EXPECT_EQ(One("SELECT convert(varchar(8), ReserveTime, 108) FROM tbl_Reservation WHERE "
                  "ReserveID=" +
                  id),
              "19:30:00");
    EXPECT_EQ(One("SELECT Remark FROM tbl_Reservation WHERE ReserveID=" + id),
              "Late, by the window");
    EXPECT_EQ(Count("SELECT COUNT(*) FROM tbl_ReservationLog WHERE ReserveID=" + id), 1);
    EXPECT_EQ(Run("resv set HBR " + id + " ReserveTime=19:30"),
              std::vector<std::string>{"No change"});

    const auto shown = Run("resv show " + id);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown[0].rfind("reservation\t" + id + "\tHBR\t", 0), 0u);
    EXPECT_NE(std::find(shown.begin(), shown.end(), "field\tReserveTime\tTime\t19:30"),
              shown.end());
    EXPECT_NE(std::find(shown.begin(), shown.end(), "field\tRemark\tRemark\tLate, by the window"),
              shown.end());
    const bool hasTable = std::any_of(shown.begin(), shown.end(), [](const std::string& l) {
        return l.rfind("table\t", 0) == 0;
    });
    EXPECT_EQ(hasTable, Count("SELECT COUNT(*) FROM tbl_TableReserve WHERE RowStatus<>'D' AND "
                              "ReserveID=" +
                              id) > 0);
}

TEST_F(ResvCommandsTest, BadInputIsRefusedAndNothingIsWritten) {
    const std::string id = TodaysFirst();
    const std::string before = One("SELECT RowModified FROM tbl_Reservation WHERE ReserveID=" + id);
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"resv set " + id + " Nope=1 ReserveType=Q",
         {"Unknown field: Nope", "Value not in the option list: ReserveType=Q"}},
        {"resv set " + id + " ReserveDate=2024-02-30 ReserveTime=1975 DYLastName=",
         {"Invalid date (use yyyy-mm-dd): ReserveDate=2024-02-30",
          "Invalid time (use HH:MM): ReserveTime=1975", "A value is required: DYLastName="}},
        {"resv set " + id + " SYS_TableNoList=A1",
         {"This field cannot be changed: SYS_TableNoList"}},
        {"resv set " + id + " Remark", {"Usage: resv set [OUTLET] ID FIELD=VALUE ..."}},
        {"resv set SKY " + id + " Remark=x", {"You are not permitted to use this outlet: SKY"}},
        {"resv show 99999", {"Reservation not found: 99999"}},
        {"resv show JDE " + id, {"Reservation not found: " + id}},  // a Harbour Grill booking
        {"resv list HBR today --status A,Q", {"Invalid status: Q"}},
        {"resv list HBR", {"Usage: resv list OUTLET DATE [PERIOD] [--status A,X,C]"}},
        {"guest show 0", {"Guest not found: 0"}},
        {"guest set 5 Gender=Q", {"Value not in the option list: Gender=Q"}},
        {"guest new DYFirstName=Amy", {"A value is required: DYLastName"}},
    };
    for (const auto& [line, answer] : cases)
        EXPECT_EQ(Run(line), answer) << line;
    EXPECT_EQ(One("SELECT RowModified FROM tbl_Reservation WHERE ReserveID=" + id), before);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM tbl_ReservationLog"), 0);
}

TEST_F(ResvCommandsTest, GuestsAreCreatedShownAndChanged) {
    const std::string account = One("SELECT DYAccountNo FROM tbl_Guest WHERE GuestID=7");
    EXPECT_EQ(
        Run("guest new DYLastName=Dup DYAccountNo=" + account + " DYHolderNo=01"),
        std::vector<std::string>{"Account number exists, please select another account number"});
    const auto made =
        Run("guest new DYLastName=Chan DYFirstName=Amy Gender=female "
            "DateOfBirth=1990-05-17 DYAccountNo=M777");
    ASSERT_EQ(made.size(), 1u);
    ASSERT_EQ(made[0].rfind("Guest created: ", 0), 0u);
    const std::string id = made[0].substr(15);
    EXPECT_EQ(Run("guest set " + id + " DYMemCategory=gold"),
              std::vector<std::string>{"Guest updated: " + id});
    const auto shown = Run("guest show " + id);
    for (const char* line :
         {"field\tDYLastName\tLast name\tChan", "field\tGender\tGender\tFemale",
          "field\tDateOfBirth\tDate of birth\t17/05/1990",
          "field\tDYMemCategory\tMember category\tGold", "field\tReceiveSMS\tReceive SMS\tNo"}) {
        EXPECT_NE(std::find(shown.begin(), shown.end(), line), shown.end()) << line;
    }
}

TEST_F(ResvCommandsTest, CountsAndTimesOutsideTheRulesAreRefused) {
    // A dinner booking (18:00-22:30) of the Harbour Grill.
    const std::string id =
        One("SELECT MIN(ReserveID) FROM tbl_Reservation WHERE OutletID=1 AND MPOutletID=13 AND "
            "RowStatus='A' AND ReserveDate='" +
            Today() + "'");
    ASSERT_FALSE(id.empty());
    const std::string before = One("SELECT RowModified FROM tbl_Reservation WHERE ReserveID=" + id);
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"ReserveCover=-5", {"The number of covers must be at least 1: ReserveCover=-5"}},
        {"ReserveCover=0 DYAdult=-1 DYChildren=-2",
         {"The number of covers must be at least 1: ReserveCover=0",
          "The number of adults cannot be negative: DYAdult=-1",
          "The number of children cannot be negative: DYChildren=-2"}},
        {"ReserveTime=930", {"The time is outside the meal period: ReserveTime=09:30 (Dinner)"}},
        {"ReserveTime=2230", {"The time is outside the meal period: ReserveTime=22:30 (Dinner)"}},
        // Moving to breakfast keeps the dinner time unless a new one is given.
        {"MPOutletID=01BRK",
         {"The time is outside the meal period: ReserveTime=" +
          One("SELECT convert(varchar(8), ReserveTime, 108) FROM tbl_Reservation WHERE "
              "ReserveID=" +
              id)
              .substr(0, 5) +
          " (Breakfast)"}},
        {"MPOutletID=03SUP ReserveTime=2300", {"Unknown meal period: 03SUP"}},  // Jade Garden's
    };
    for (const auto& [values, answer] : cases)
        EXPECT_EQ(Run("resv set " + id + " " + values), answer) << values;
    EXPECT_EQ(One("SELECT RowModified FROM tbl_Reservation WHERE ReserveID=" + id), before);

    // A period and a time of it move the booking; the period goes by code or id.
    EXPECT_EQ(Run("resv set " + id + " MPOutletID=01brk ReserveTime=0800 ReserveCover=1"),
              std::vector<std::string>{"Reservation updated: " + id});
    EXPECT_EQ(One("SELECT MPOutletID FROM tbl_Reservation WHERE ReserveID=" + id), "11");
    EXPECT_EQ(Run("resv set " + id + " MPOutletID=13 ReserveTime=2215"),
              std::vector<std::string>{"Reservation updated: " + id});
    EXPECT_EQ(One("SELECT MPOutletID FROM tbl_Reservation WHERE ReserveID=" + id), "13");
    EXPECT_EQ(Run("resv set " + id + " MPOutletID=13"), std::vector<std::string>{"No change"});
}

TEST_F(ResvCommandsTest, DatesTheFormCannotOfferAreRefusedAndStoredOnesKept) {
    const std::string birthday = "SELECT DateOfBirth FROM tbl_Guest WHERE GuestID=5";
    const std::string before = One(birthday);
    EXPECT_EQ(Run("guest set 5 DateOfBirth=1899-12-31"),
              std::vector<std::string>{"Date out of range: DateOfBirth=1899-12-31"});
    EXPECT_EQ(Run("guest new DYLastName=Later DateOfBirth=2199-01-01"),
              std::vector<std::string>{"Date out of range: DateOfBirth=2199-01-01"});
    EXPECT_EQ(One(birthday), before);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM tbl_Guest WHERE DYLastName='Later'"), 0);

    // A date stored by another program shows and outlives an edit of another field.
    inst.Sql("UPDATE tbl_Guest SET DateOfBirth='1899-12-31' WHERE GuestID=5");
    const auto shown = Run("guest show 5");
    EXPECT_NE(
        std::find(shown.begin(), shown.end(), "field\tDateOfBirth\tDate of birth\t31/12/1899"),
        shown.end());
    EXPECT_EQ(Run("guest set 5 DYFirstName=Yen"), std::vector<std::string>{"Guest updated: 5"});
    EXPECT_EQ(One(birthday).substr(0, 10), "1899-12-31");
}

TEST_F(ResvCommandsTest, AnEditCannotTakeAnotherGuestsAccount) {
    const std::string account = One("SELECT DYAccountNo FROM tbl_Guest WHERE GuestID=7");
    const std::string holder = One("SELECT IsNull(DYHolderNo,'') FROM tbl_Guest WHERE GuestID=7");
    const std::string mine = One("SELECT DYAccountNo FROM tbl_Guest WHERE GuestID=5");
    const std::vector<std::string> taken{
        "Account number exists, please select another account number"};
    EXPECT_EQ(Run("guest set 5 DYAccountNo=" + account + " DYHolderNo=" + holder), taken);
    EXPECT_EQ(One("SELECT DYAccountNo FROM tbl_Guest WHERE GuestID=5"), mine);
    // Another holder of the same account is a different member.
    EXPECT_EQ(Run("guest set 5 DYAccountNo=" + account + " DYHolderNo=99"),
              std::vector<std::string>{"Guest updated: 5"});
    // Taking guest 7's holder number now would make the pair equal.
    EXPECT_EQ(Run("guest set 5 DYHolderNo=" + holder), taken);
}

}  // namespace
