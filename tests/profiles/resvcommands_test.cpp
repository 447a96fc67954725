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
    const std::string id = TodaysFirst();
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

}  // namespace
