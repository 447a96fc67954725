// The new-reservation save chain against a real database and a real
// kivserver: every refusal and warning, what a successful save writes and
// announces, duplicates, the web allotment, split meal periods, and two
// workstations racing for one table.
#include "reservations/newresv.h"

#include <sqlite3.h>

#include <functional>
#include <future>

#include "kiv/opsfixture.h"
#include "profiles/profiledefinition.h"
#include "registry/dbconnections.h"
#include "users/user.h"
#include "venue/outlet.h"

namespace {

constexpr int kHarbour = 1, kSky = 3, kSkyDinner = 31;

class NewResvTest : public OpsTest {
  protected:
    void SetUp() override {
        OpsTest::SetUp();
        if (HasFatalFailure()) return;
        OpenSession();
        def.SetSQLDB(DefaultSQLDB());
        ASSERT_TRUE(def.LoadProfile(kProfileTelephone));
    }

    // A booking of `covers` at 19:30, `offset` days ahead, with a name.
    std::unique_ptr<NewResv> Booking(int offset, int covers = 6, int outlet = kHarbour,
                                     int mp = kDinner, const char* time = "19:30") {
        auto nr = std::make_unique<NewResv>(hub->Func());
        const Outlet* o = hub->Func().GetOutlet(outlet);
        EXPECT_NE(o, nullptr);
        if (o == nullptr) return nr;
        EXPECT_TRUE(nr->Open(*o, Date(offset), mp));
        nr->SetProfile(&def);
        Reservation& f = nr->Fields();
        f.SetField("ReserveTime", Variant(time));
        f.SetField("ReserveCover", Variant(covers));
        f.SetField("ReserveType", Variant("N"));
        f.SetField("ReserveMode", Variant("T"));
        f.SetField("DYLastName", Variant("Ng"));
        return nr;
    }
    void Pick(NewResv& nr, const std::string& table) {
        ASSERT_EQ(nr.PickTable(table), HoldRefusal::None) << table;
    }
    int ActiveBindings(const std::string& table, int offset, int mp = kDinner) {
        return Count(
            "SELECT COUNT(*) FROM tbl_TableReserve TR JOIN tbl_Reservation R ON R.ReserveID = "
            "TR.ReserveID WHERE TR.RowStatus='A' AND R.RowStatus='A' AND TR.TableNo='" +
            table + "' AND R.ReserveDate='" + Day(offset) +
            "' AND R.MPOutletID=" + std::to_string(mp));
    }
    void Server2(const std::string& sql) {
        ASSERT_TRUE(g_oDBConns->GetSQLDB(2)->RunSQLNoReturn(sql)) << sql;
    }
    void SignInAs(const char* login, const char* password) {
        SignIn signIn;
        ASSERT_TRUE(signIn.CheckLogin(login, password, 2)) << signIn.ErrorLabel();
    }

  public:
    void Sql(const std::string& batch) { inst.Sql(batch); }

  protected:
    ProfileDefinition def;
};

TEST_F(NewResvTest, SavingWritesTheRowAndBindingAndAnnouncesThemTogether) {
    auto nr = Booking(41);
    Pick(*nr, "Q1");
    Announced hold = Next();
    EXPECT_EQ(hold.priority, "1");
    ASSERT_EQ(hold.msgs.size(), 1u);
    const int64_t tempID = std::stoll(One("SELECT MAX(TempID) FROM tbl_TableTemp"));
    EXPECT_EQ(hold.msgs[0], Doc(1, "RESERVATION", "INSERT", "tbl_tabletemp", "tempid", tempID));

    const int32_t id = nr->SaveNewReservation();
    ASSERT_GT(id, 0) << ui.Transcript();
    const std::string row = "SELECT %s FROM tbl_Reservation WHERE ReserveID=" + std::to_string(id);
    auto col = [&](const std::string& c) { return One("SELECT " + c + row.substr(9)); };
    EXPECT_EQ(col("RowStatus"), "A");
    EXPECT_EQ(col("ReserveNo"), nr->ReserveNo());
    EXPECT_EQ(col("CustReserveNo"), nr->ReserveNo());
    EXPECT_EQ(col("ReserveDate").substr(0, 10), Day(41));
    EXPECT_EQ(col("ReserveTime").substr(col("ReserveTime").size() - 8), "19:30:00");
    EXPECT_EQ(col("ReserveCover"), "6");
    EXPECT_EQ(col("DYLastName"), "Ng");
    EXPECT_EQ(col("CreateUserID"), std::to_string(g_oUser->UserID()));
    EXPECT_EQ(col("CreateClientID"), std::to_string(ClientID()));
    EXPECT_EQ(col("ReserveGUID").size(), 36u);
    const int64_t trID = std::stoll(
        One("SELECT TableReserveID FROM tbl_TableReserve WHERE RowStatus='A' AND ReserveID=" +
            std::to_string(id)));
    const std::string binding =
        " FROM tbl_TableReserve WHERE TableReserveID=" + std::to_string(trID);
    EXPECT_EQ(One("SELECT TableNo" + binding), "Q1");
    EXPECT_EQ(One("SELECT Occupied" + binding), "6");

    Announced saved = Next();
    EXPECT_EQ(saved.type, "DATACHANGE");
    EXPECT_EQ(saved.priority, "2");
    EXPECT_EQ(saved.filter, Filter(1, Day(41), kDinner));
    ASSERT_EQ(saved.msgs.size(), 2u);
    EXPECT_EQ(saved.msgs[0], Doc(1, "RESERVATION", "INSERT", "tbl_reservation", "reserveid", id));
    EXPECT_EQ(saved.msgs[1],
              Doc(1, "RESERVATION", "INSERT", "tbl_tablereserve", "tablereserveid", trID));
    // The hold goes once the table is bound.
    Announced released = Next();
    EXPECT_EQ(released.priority, "1");
    ASSERT_EQ(released.msgs.size(), 1u);
    EXPECT_EQ(released.msgs[0], Doc(1, "RESERVATION", "UPDATE", "tbl_tabletemp", "tempid", tempID));
    EXPECT_EQ(One("SELECT RowStatus FROM tbl_TableTemp WHERE TempID=" + std::to_string(tempID)),
              "D");
    const std::string log = inst.DayLogs();
    size_t at = 0;
    for (const std::string& step : std::vector<std::string>{
             "ValidateInput seccess", "ValidateMessage seccess", "CheckTableNoList seccess",
             "CheckFutureResvLimit seccess", "CheckSMS seccess", "CheckPermission seccess",
             "PopAlertIsBlackList seccess", "Check Web Allotment for a capacity table seccess",
             "ReserveType=N,set sField and sValue seccess", "GetNewResvSQL  seccess",
             "Insert Into tbl_Reservation is seccess", "Save reserve table seccess",
             "SaveNewReservation seccess ;ReserveNo=" + nr->ReserveNo()}) {
        const size_t found = log.find(step, at);
        ASSERT_NE(found, std::string::npos) << "log line missing or out of order: " << step;
        at = found;
    }
}

// One case of the chain: what is done to the booking before the save, the
// answers to its questions, the text it shows and whether it saved.
struct ChainCase {
    const char* name;
    std::function<void(NewResvTest&, NewResv&, int offset)> arrange;
    std::vector<bool> answers;
    const char* shown;
    bool saved;
    const char* notShown = "";
};

class ChainTest : public NewResvTest {
  public:
    void PickQ1(NewResv& nr) { Pick(nr, "Q1"); }
    void PickQ2(NewResv& nr) { Pick(nr, "Q2"); }
    void Block(int offset, const std::string& begin, const std::string& end) {
        inst.Sql(
            "INSERT INTO tbl_TableBlock (DBServerID, OutletID, MPOutletID, TableNo, BeginDate, "
            "EndDate, BlockUserID, Remark, RowStatus) VALUES (1, 1, 13, 'Q1', " +
            (begin.empty() ? std::string("NULL") : "'" + begin + "'") + ", " +
            (end.empty() ? std::string("NULL") : "'" + end + "'") + ", 1, 'x', 'A')");
        (void)offset;
    }
    void Run(const ChainCase& c, int offset) {
        ui.Clear();
        auto nr = Booking(offset);
        c.arrange(*this, *nr, offset);
        if (HasFatalFailure()) return;
        for (bool a : c.answers)
            ui.QueueAnswer(a);
        const int before = Count("SELECT COUNT(*) FROM tbl_Reservation");
        const int32_t id = nr->SaveNewReservation();
        const std::string t = ui.Transcript();
        EXPECT_EQ(id > 0, c.saved) << c.name << "\n" << t;
        EXPECT_EQ(Count("SELECT COUNT(*) FROM tbl_Reservation"), before + (c.saved ? 1 : 0))
            << c.name;
        EXPECT_NE(t.find(c.shown), std::string::npos) << c.name << "\n" << t;
        if (*c.notShown != '\0') {
            EXPECT_EQ(t.find(c.notShown), std::string::npos) << c.name;
        }
        nr->ReleaseHolds();
    }
};

TEST_F(ChainTest, EachCheckRefusesOrWarnsWithItsMessage) {
    auto q1 = [](NewResvTest& t, NewResv& nr, int) { static_cast<ChainTest&>(t).PickQ1(nr); };
    auto covers = [q1](int n) {
        return [q1, n](NewResvTest& t, NewResv& nr, int o) {
            nr.Fields().SetField("ReserveCover", Variant(n));
            q1(t, nr, o);
        };
    };
    auto blackListed = [q1](NewResvTest& t, NewResv& nr, int o) {
        t.Sql(
            "UPDATE tbl_Guest SET BlackList='YES', BlackListCaption='Unpaid bill' WHERE "
            "GuestID=7");
        ASSERT_TRUE(nr.SetGuest(7));
        q1(t, nr, o);
    };
    const std::vector<ChainCase> cases = {
        {"cover equals the capacity", q1, {}, "", true, "Warning"},
        {"cover above the capacity, not confirmed",
         covers(7),
         {false},
         "Warning: Reserve cover is larger than table capacity available",
         false},
        {"cover above the capacity, confirmed",
         covers(7),
         {true},
         "Warning: Reserve cover is larger than table capacity available",
         true},
        {"cover below the capacity",
         covers(2),
         {false},
         "Warning: Reserve cover is smaller than table capacity available",
         false},
        {"a shared table is not too big",
         [](NewResvTest& t, NewResv& nr, int) {
             nr.Fields().SetField("ReserveCover", Variant(1));
             static_cast<ChainTest&>(t).PickQ2(nr);
         },
         {},
         "",
         true,
         "smaller"},
        {"more tables than guests",
         [](NewResvTest& t, NewResv& nr, int) {
             nr.Fields().SetField("ReserveCover", Variant(1));
             static_cast<ChainTest&>(t).PickQ1(nr);
             static_cast<ChainTest&>(t).PickQ2(nr);
         },
         {},
         "Too many tables selected",
         false},
        {"every table blocked after it was picked",
         [q1](NewResvTest& t, NewResv& nr, int o) {
             q1(t, nr, o);
             static_cast<ChainTest&>(t).Block(o, OpsTest::Day(o), OpsTest::Day(o));
         },
         {},
         "All tables are being blocked!",
         false},
        {"a block with neither date does not apply",
         [q1](NewResvTest& t, NewResv& nr, int o) {
             q1(t, nr, o);
             static_cast<ChainTest&>(t).Block(o, "", "");
         },
         {},
         "",
         true,
         "blocked"},
        {"beyond the outlet's day limit",
         [](NewResvTest&, NewResv& nr, int) {
             ASSERT_TRUE(nr.Open(*nr.GetOutlet(), OpsTest::Date(95), kDinner));
             nr.Fields().SetField("ReserveTime", Variant("19:30"));
             nr.Fields().SetField("ReserveCover", Variant(2));
             nr.Fields().SetField("DYLastName", Variant("Ng"));
         },
         {},
         "You are not allowed to create future reservation beyond 90 days",
         false},
        {"black-listed guest, not confirmed",
         blackListed,
         {false},
         "Unpaid bill. Are you sure to continue?",
         false},
        {"black-listed guest, confirmed",
         blackListed,
         {true},
         "Unpaid bill. Are you sure to continue?",
         true},
        {"internet booking not confirmed",
         [q1](NewResvTest& t, NewResv& nr, int o) {
             nr.Fields().SetField("ReserveMode", Variant("I"));
             q1(t, nr, o);
         },
         {false},
         "Are you sure the book is internet booking?",
         false},
        {"adults and children do not add up",
         [q1](NewResvTest& t, NewResv& nr, int o) {
             nr.Fields().SetField("DYAdult", Variant("2"));
             nr.Fields().SetField("DYChildren", Variant("1"));
             q1(t, nr, o);
         },
         {false},
         "Adult cover + children cover does not equal to reserver cover",
         false},
        {"SMS to a number that is none",
         [q1](NewResvTest& t, NewResv& nr, int o) {
             nr.Fields().SetField("ReceiveSMS", Variant("YES"));
             nr.Fields().SetField("DYSMSContact", Variant("call me"));
             q1(t, nr, o);
         },
         {},
         "Invalid phone for sending SMS message",
         false},
        {"mandatory field missing",
         [q1](NewResvTest& t, NewResv& nr, int o) {
             nr.Fields().SetField("DYLastName", Variant(""));
             q1(t, nr, o);
         },
         {},
         "You have to input the following fields\nLast name",
         false},
        {"the hold was lost meanwhile",
         [q1](NewResvTest& t, NewResv& nr, int o) {
             q1(t, nr, o);
             t.Sql("UPDATE tbl_TableTemp SET RowStatus='D' WHERE RowStatus='A'");
         },
         {},
         "The table is no longer held for this reservation: Q1",
         false},
    };
    int offset = 42;
    for (const auto& c : cases)
        Run(c, offset++);
    // The internet booking that was not confirmed logged nothing of the chain.
    EXPECT_EQ(inst.DayLogs().find("make one internet booking by"), std::string::npos);
}

TEST_F(ChainTest, RightsDecideDatesTimesAndTableLimits) {
    SignInAs("reception", "reception123");
    if (HasFatalFailure()) return;
    struct Case {
        const char* name;
        int offset;
        const char* type;
        int covers;
        bool table;
        const char* shown;
    };
    const Case cases[] = {
        {"reservation in the past", -2, "N", 2, false,
         "You are not authorized to create new reservation with past date and time"},
        {"waiting list in the past", -2, "W", 2, false,
         "You are not authorized to create waiting list with past date and time"},
        {"covers outside the table limits", 60, "N", 9, true,
         "You are not authorized to create reservation when reservation covers outside the "
         "table limits,must between 0 and 6"},
    };
    for (const Case& c : cases) {
        ui.Clear();
        auto nr = Booking(c.offset, c.covers);
        nr->Fields().SetField("ReserveType", Variant(c.type));
        if (c.table) Pick(*nr, "Q1");
        EXPECT_EQ(nr->SaveNewReservation(), 0) << c.name;
        EXPECT_NE(ui.Transcript().find(c.shown), std::string::npos) << c.name << ui.Transcript();
    }
    // A future booking within the limits is the receptionist's to take.
    ui.Clear();
    auto nr = Booking(61, 6);
    Pick(*nr, "Q1");
    EXPECT_GT(nr->SaveNewReservation(), 0) << ui.Transcript();
}

TEST_F(NewResvTest, WebAllotmentInTablesKeepsTheWebPart) {
    auto freeOf = [&](int offset) {
        auto rs = inst.Query("Exec sp_WebKIV_GetAllotmentByDate 1, 13, '" + Day(offset) +
                             "', 6, 1, 1, 0");
        for (; rs != nullptr && !rs->Eof(); rs->MoveNext())
            if (FieldLng(rs.get(), "Capacity") == 6)
                return FieldLng(rs.get(), "TotalCapacity") - FieldLng(rs.get(), "BlockedCapacity");
        return -1;
    };
    const int free = freeOf(70);
    ASSERT_GT(free, 0);
    for (int offset : {70, 71}) {
        // 70: the last size-6 table not kept for the web; 71: none left.
        const int allot = offset == 70 ? free - 1 : free;
        inst.Sql(
            "INSERT INTO tbl_WebAllotment (OutletID, MPOutletID, BizDate, TableSize, "
            "AllotNum, RowStatus) VALUES (1, 13, '" +
            Day(offset) + "', 6, " + std::to_string(allot) + ", 'A')");
        ui.Clear();
        auto nr = Booking(offset);
        Pick(*nr, "Q1");
        const int32_t id = nr->SaveNewReservation();
        EXPECT_EQ(id > 0, offset == 70) << ui.Transcript();
        if (offset == 71) {
            EXPECT_TRUE(ui.Shown("Only 0 tables are alloted for web reservations.\nCapacity: 6"))
                << ui.Transcript();
            EXPECT_NE(inst.DayLogs().find("CheckWebAllotment = false "), std::string::npos);
            // An internet booking may take the web part.
            ui.QueueAnswer(true);
            nr->Fields().SetField("ReserveMode", Variant("I"));
            EXPECT_GT(nr->SaveNewReservation(), 0) << ui.Transcript();
        }
    }
}

TEST_F(NewResvTest, WebAllotmentInCoversChecksThePartAndTheFreeSeats) {
    // Sky Lounge counts covers: the dated rows replace the default allotment.
    Server2(
        "INSERT INTO tbl_WebAllotment (OutletID, MPOutletID, BizDate, TableSize, AllotNum, "
        "RowStatus) VALUES (3, 31, '" +
        Day(72) + "', 2, 1000, 'A'), (3, 31, '" + Day(73) + "', 2, 0, 'A'), (3, 31, '" + Day(73) +
        "', 4, 0, 'A')");
    struct Case {
        int offset, covers;
        const char* shown;
    };
    const Case cases[] = {
        {72, 2,
         "Only 0 covers are alloted for web reservations.\nReserve Cover: 2, Occupied Cover: 0"},
        {73, 9999,
         "Reserve cover is greater than the total available cover. Reserve Cover: 9999, "
         "Total Available Cover: "},
        {73, 2, ""},
    };
    for (const Case& c : cases) {
        ui.Clear();
        auto nr = Booking(c.offset, c.covers, kSky, kSkyDinner, "20:00");
        const int32_t id = nr->SaveNewReservation();
        EXPECT_EQ(id > 0, *c.shown == '\0') << ui.Transcript();
        EXPECT_NE(ui.Transcript().find(c.shown), std::string::npos) << ui.Transcript();
    }
}

TEST_F(NewResvTest, DuplicatesAreKeptOrCancelledAsTheUserChooses) {
    for (PrevResvAction action : {PrevResvAction::kKeep, PrevResvAction::kCancel}) {
        const int offset = action == PrevResvAction::kKeep ? 74 : 75;
        auto first = Booking(offset);
        first->Fields().SetField("ContactPhone", Variant("91234567"));
        Pick(*first, "Q1");
        const int32_t old = first->SaveNewReservation();
        ASSERT_GT(old, 0) << ui.Transcript();
        while (!Next(300).type.empty()) {
        }
        auto second = Booking(offset, 2);
        second->Fields().SetField("ContactPhone", Variant("91234567"));
        Pick(*second, "Q2");
        int shownCount = 0;
        second->SetDuplicateHandler([&](const Reservations& previous) {
            shownCount = static_cast<int>(previous.Count());
            EXPECT_TRUE(previous.Exists(old));
            return action;
        });
        const int32_t id = second->SaveNewReservation();
        ASSERT_GT(id, 0) << ui.Transcript();
        EXPECT_EQ(shownCount, 1);
        const std::string oldStatus =
            One("SELECT RowStatus FROM tbl_Reservation WHERE ReserveID=" + std::to_string(old));
        EXPECT_EQ(oldStatus, action == PrevResvAction::kKeep ? "A" : "X");
        EXPECT_EQ(ActiveBindings("Q1", offset), action == PrevResvAction::kKeep ? 1 : 0);
        Next();  // the hold of Q2
        Announced saved = Next();
        const size_t docs = action == PrevResvAction::kKeep ? 2u : 4u;
        ASSERT_EQ(saved.msgs.size(), docs);
        if (action == PrevResvAction::kCancel) {
            EXPECT_EQ(saved.msgs[3],
                      Doc(1, "RESERVATION", "UPDATE", "tbl_reservation", "reserveid", old));
        }
    }
    // A duplicate booked by another workstation while the user was asked.
    auto third = Booking(76);
    third->Fields().SetField("ContactPhone", Variant("98887777"));
    third->SetDuplicateHandler([](const Reservations&) { return PrevResvAction::kKeep; });
    inst.Sql(
        "INSERT INTO tbl_Reservation (DBServerID, OutletID, MPOutletID, ReserveDate, "
        "ReserveTime, ReserveCover, ContactPhone, RowStatus) VALUES (1, 1, 13, '" +
        Day(76) + "', '20:00', 2, '98887777', 'A')");
    third->SetDuplicateHandler([&](const Reservations&) {
        inst.Sql(
            "INSERT INTO tbl_Reservation (DBServerID, OutletID, MPOutletID, ReserveDate, "
            "ReserveTime, ReserveCover, ContactPhone, RowStatus) VALUES (1, 1, 13, '" +
            Day(76) + "', '21:00', 2, '98887777', 'A')");
        return PrevResvAction::kKeep;
    });
    ui.Clear();
    EXPECT_EQ(third->SaveNewReservation(), 0);
    EXPECT_TRUE(ui.Shown("Duplicate reservation is just found")) << ui.Transcript();
}

TEST_F(NewResvTest, AFailedBindingWithdrawsTheNewRow) {
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open((inst.Root() + "/Data/KIVDB1.db").c_str(), &raw), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(raw,
                           "CREATE TRIGGER refuse_q1 BEFORE INSERT ON tbl_TableReserve WHEN "
                           "NEW.TableNo = 'Q1' BEGIN SELECT RAISE(ABORT, 'refused'); END",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(raw);
    auto nr = Booking(77);
    Pick(*nr, "Q1");
    const int before = Count("SELECT MAX(ReserveID) FROM tbl_Reservation");
    EXPECT_EQ(nr->SaveNewReservation(), 0);
    EXPECT_TRUE(ui.Shown("Fail to save reserve table for this reservation !")) << ui.Transcript();
    const std::string id = One("SELECT MAX(ReserveID) FROM tbl_Reservation");
    EXPECT_EQ(std::stoi(id), before + 1);
    EXPECT_EQ(One("SELECT RowStatus FROM tbl_Reservation WHERE ReserveID=" + id), "D");
    EXPECT_EQ(Count("SELECT COUNT(*) FROM tbl_TableReserve WHERE ReserveID=" + id), 0);
    // The table stays held for another try.
    EXPECT_EQ(Count("SELECT COUNT(*) FROM tbl_TableTemp WHERE RowStatus='A' AND TableNo='Q1'"), 1);
}

TEST_F(NewResvTest, AWaitingListEntryForThreeOutletsMakesThreeRows) {
    auto nr = Booking(78, 4);
    nr->Fields().SetField("ReserveType", Variant("W"));
    nr->Fields().SetField("SYS_WaitingOutletID", Variant("1,2,3"));
    const int32_t id = nr->SaveNewReservation();
    ASSERT_GT(id, 0) << ui.Transcript();
    ASSERT_EQ(nr->SavedIDs().size(), 3u);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM tbl_Reservation WHERE ReserveType='W' AND "
                    "ReserveDate='" +
                    Day(78) + "' AND OutletID IN (1,2) AND WaitDT IS NOT NULL"),
              2);
    auto rs = g_oDBConns->GetSQLDB(2)->RunSQLReturnRS(
        "SELECT MPOutletID FROM tbl_Reservation WHERE ReserveType='W' AND OutletID=3 AND "
        "ReserveDate='" +
        Day(78) + "'");
    ASSERT_TRUE(rs != nullptr && !rs->Eof());
    EXPECT_EQ(FieldLng(rs.get(), "MPOutletID"), kSkyDinner);
}

TEST_F(NewResvTest, ASplitMealPeriodSellsEachSeatingOfATable) {
    // Harbour Grill lunch: first part 11:30-13:15, second 13:15-15:00.
    auto seating = [&](const char* time) {
        auto nr = Booking(79, 6, kHarbour, kLunch, time);
        return nr->PickTable("Q1") == HoldRefusal::None && nr->SaveNewReservation() > 0;
    };
    EXPECT_TRUE(seating("12:00")) << ui.Transcript();
    EXPECT_TRUE(seating("13:30")) << ui.Transcript();
    EXPECT_FALSE(seating("12:30"));
    EXPECT_FALSE(seating("14:00"));
    EXPECT_EQ(ActiveBindings("Q1", 79, kLunch), 2);
}

TEST_F(NewResvTest, ADeclinedBookingIsStoredCancelledWithItsReason) {
    auto nr = Booking(80);
    ASSERT_TRUE(nr->SetDeclineReason("D01"));
    const int32_t id = nr->SaveNewReservation();
    ASSERT_GT(id, 0) << ui.Transcript();
    EXPECT_TRUE(ui.Shown("This reservation is saved as decline, please click [OK] to continue"));
    const std::string row = " FROM tbl_Reservation WHERE ReserveID=" + std::to_string(id);
    EXPECT_EQ(One("SELECT RowStatus" + row), "X");
    EXPECT_EQ(One("SELECT CancelMsgSubCat" + row), "DCL");
    EXPECT_FALSE(nr->SetDeclineReason("NOPE"));
}

TEST_F(NewResvTest, ABookerWithoutAProfileIsOfferedOne) {
    for (bool yes : {false, true}) {
        ui.Clear();
        auto nr = Booking(yes ? 83 : 82, 6);
        nr->Fields().SetField("DYLastName", Variant(yes ? "Profiled" : "Unprofiled"));
        nr->Fields().SetField("ContactPhone", Variant(yes ? "93330001" : "93330002"));
        ui.QueueAnswer(yes);
        const int32_t id = nr->SaveNewReservation();
        ASSERT_GT(id, 0) << ui.Transcript();
        EXPECT_TRUE(ui.Shown("Do you want to create a profile for this booker?"));
        const std::string guest = One("SELECT GuestID FROM tbl_Guest WHERE DYLastName='Profiled'");
        EXPECT_EQ(guest.empty(), !yes);
        EXPECT_EQ(One("SELECT GuestID FROM tbl_Reservation WHERE ReserveID=" + std::to_string(id)),
                  yes ? guest : "0");
    }
    // A booking with a guest profile is not asked.
    ui.Clear();
    auto nr = Booking(84, 6);
    ASSERT_TRUE(nr->SetGuest(9));
    EXPECT_GT(nr->SaveNewReservation(), 0) << ui.Transcript();
    EXPECT_FALSE(ui.Shown("Do you want to create a profile for this booker?"));
}

// Two workstation programs book the same table for the same dinners at the
// same moment: every dinner gets exactly one booking of it.
TEST_F(NewResvTest, TwoWorkstationsRacingForATableNeverBothBindIt) {
    constexpr int kDays = 20;
    std::string script = "admin\nadmin123\n2\n";
    for (int d = 0; d < kDays; ++d)
        script += "book HBR " + Day(50 + d) + " 03DIN 19:30 6 Q1 --guest M100005\n";
    script += "quit\ny\n";
    auto a = std::async(std::launch::async, [&] { return inst.Start(script); });
    auto b = std::async(std::launch::async, [&] {
        return inst.Start(script, {{"COMPUTERNAME", "WS2"}});
    });
    const RunResult ra = a.get(), rb = b.get();
    auto saved = [](const std::string& out) {
        int n = 0;
        for (size_t at = out.find("Reservation saved: "); at != std::string::npos;
             at = out.find("Reservation saved: ", at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(saved(ra.output) + saved(rb.output), kDays) << ra.output << "\n" << rb.output;
    for (int d = 0; d < kDays; ++d)
        EXPECT_EQ(ActiveBindings("Q1", 50 + d), 1) << Day(50 + d);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM tbl_TableTemp WHERE RowStatus='A'"), 0);
}

}  // namespace

namespace {

// The console commands as a person types them, run by the workstation program.
TEST_F(NewResvTest, ConsoleBooksWaitlistsAndAsksFieldByField) {
    const std::string d = Day(45), e = Day(46);
    const std::string script =
        "reception\nreception123\n2\n"
        "book HBR " +
        d +
        " 03DIN 19:30 6 Q1 --guest M100005 Remark=\"Window please\"\n"
        "book HBR " +
        d +
        " 03DIN 19:30 6 Q1 DYLastName=Other\n"
        "book HBR " +
        d +
        " 03DIN 20:00 2 Q2 --guest M100005\nn\n"
        "book HBR " +
        d +
        " 03DIN 12:00 2 - DYLastName=Early\n"
        "waitlist HBR,JDE " +
        d +
        " 19:45 3 DYLastName=Wong ContactPhone=92223333\nn\n"
        // Field by field: outlet, date, time, covers, then the form's fields.
        "book\nHBR\n" +
        e +
        "\n19:30\n6\n\n\n\nLau\n\n\n\n\n\n\n\n\n\n\n\n\n\nBirthday\n"
        "Q1\nZZ9\n\nn\n"
        "quit\ny\n";
    const RunResult r = inst.Start(script);
    const std::string& out = r.output;
    auto has = [&](const std::string& text) { return out.find(text) != std::string::npos; };
    EXPECT_TRUE(has("Table Q1 cannot be held: booked")) << out;
    EXPECT_TRUE(has("duplicate\t")) << out;
    EXPECT_TRUE(has("Cancel the previous reservations? (y = cancel, n = keep)")) << out;
    EXPECT_TRUE(has("The time is not in the meal period: 12:00")) << out;
    EXPECT_TRUE(has("Waiting list entry saved: ")) << out;
    EXPECT_TRUE(has("Last name *: Lau")) << out;
    EXPECT_TRUE(has("held\tQ1")) << out;
    EXPECT_TRUE(has("Table ZZ9 cannot be held: not on a floor plan in force")) << out;
    EXPECT_EQ(ActiveBindings("Q1", 45), 1);
    EXPECT_EQ(ActiveBindings("Q2", 45), 1);
    EXPECT_EQ(ActiveBindings("Q1", 46), 1);
    EXPECT_EQ(One("SELECT Remark FROM tbl_Reservation WHERE ReserveDate='" + d +
                  "' AND ReserveTime='19:30' AND RowStatus='A' AND OutletID=1"),
              "Window please");
    EXPECT_EQ(One("SELECT DYLastName FROM tbl_Reservation WHERE ReserveDate='" + e +
                  "' AND RowStatus='A' AND OutletID=1"),
              "Lau");
    EXPECT_EQ(Count("SELECT COUNT(*) FROM tbl_Reservation WHERE ReserveType='W' AND "
                    "ReserveDate='" +
                    d + "' AND DYLastName='Wong'"),
              2);
}

TEST_F(NewResvTest, ConsoleTakesAWalkInNowOrSaysThereIsNoMealPeriod) {
    const RunResult r =
        inst.Start("reception\nreception123\n2\nwalkin HBR 6 Q1 DYLastName=Door\nquit\ny\n");
    if (r.output.find("No meal period at this time") != std::string::npos) return;
    ASSERT_NE(r.output.find("Reservation saved: "), std::string::npos) << r.output;
    EXPECT_EQ(One("SELECT ReserveMode FROM tbl_Reservation WHERE DYLastName='Door'"), "W");
    EXPECT_EQ(Count("SELECT COUNT(*) FROM tbl_TableReserve TR JOIN tbl_Reservation R ON "
                    "R.ReserveID=TR.ReserveID WHERE R.DYLastName='Door' AND TR.TableNo='Q1' "
                    "AND TR.RowStatus='A'"),
              1);
}

}  // namespace
