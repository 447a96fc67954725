// The desk window's actions on a demo installation whose kivserver keeps the
// table statuses and answers as the POS: a booking through the form, the
// form's refusals and the chain's, and a check-in from the window.
#include <gtest/gtest.h>

#include <QGraphicsSceneMouseEvent>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <sstream>

#include "app/booking.h"
#include "app/profileargs.h"
#include "app/shell.h"
#include "desk/bookingdialog.h"
#include "desk/deskactions.h"
#include "desk/deskapp.h"
#include "desk/deskwindow.h"
#include "desk/planscene.h"
#include "desk/qtuserinterface.h"
#include "kiv/kivtestsupport.h"
#include "messaging/kiv.h"
#include "platform/eventloop.h"
#include "platform/textutil.h"
#include "support/installation.h"
#include "users/signin.h"

namespace {

class DeskActionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(inst.StartInProcess());
        // A free table of the Harbour Grill's Main Dining plan.
        inst.Sql(
            "INSERT INTO tbl_FPTable (FPID, TableNo, TCapacity, IsShare, XCoord, YCoord, TWidth, "
            "THeight, RowStatus) VALUES (101, 'Q1', 6, 0, 900, 20, 60, 40, 'A')");
        std::vector<std::string> args{"--db", inst.Root() + "/Data/KIVDB1.db",
                                      "--db", inst.Root() + "/Data/KIVDB2.db",
                                      "-v",   "-v"};
        args.insert(args.end(), serverArgs.begin(), serverArgs.end());
        server = std::make_unique<KivServerProcess>(args);
        ASSERT_TRUE(server->Running());
        inst.Sql("UPDATE tbl_ServiceServer SET IPPort = " + std::to_string(server->Port()));
        ASSERT_TRUE(SignIn().CheckLogin("admin", "admin123", kModeInPerson));
        shell.StartSession(kModeInPerson);
        window = std::make_unique<DeskWindow>(shell, ui);
        AddDeskCommands(shell, *window);
    }
    void TearDown() override {
        if (window) window->Finish("N");
        window.reset();
    }
    void Open(const std::string& kind, const std::string& day, const std::string& period) {
        window->RunCommand("view " + kind + " HBR " + day + " " + period);
        ASSERT_TRUE(window->HasPlans()) << transcript.str();
    }
    TableItem* Item(const std::string& tableNo) const {
        for (PlanScene* scene : window->Scenes())
            if (TableItem* item = scene->Item(tableNo)) return item;
        return nullptr;
    }
    std::string One(const std::string& sql) {
        auto rs = inst.Query(sql);
        if (rs == nullptr || rs->Eof() || rs->FieldCount() == 0) return "";
        const Variant* v = rs->Field(0);
        return v == nullptr || v->IsNull() ? "" : v->ToText();
    }
    int Count(const std::string& where) {
        return std::stoi(One("SELECT COUNT(*) FROM tbl_Reservation WHERE " + where));
    }
    // Books the picked tables through the form filled with `values`.
    int32_t BookWith(const std::vector<std::pair<std::string, std::string>>& values) {
        return window->Actions().Book([&](BookingDialog& form) {
            for (const auto& [code, text] : values)
                EXPECT_TRUE(form.SetText(code, text)) << code;
            return true;
        });
    }
    static std::string Future() { return DateTime::Now().AddDays(30).DateText(); }
    // Whether a hold of this date stands on the table in the database.
    bool HeldInDb(const std::string& table, const std::string& day) {
        return One("SELECT COUNT(*) FROM tbl_TableTemp WHERE RowStatus='A' AND TableNo='" + table +
                   "' AND ReserveDate='" + day + "'") != "0";
    }
    int32_t IdOf(const std::string& lastName) {
        const std::string id =
            One("SELECT ReserveID FROM tbl_Reservation WHERE DYLastName='" + lastName + "'");
        return id.empty() ? 0 : std::stoi(id);
    }
    // The tables bound to the reservation, "A1,A2".
    std::string TablesOf(int32_t id) {
        auto rs = inst.Query(
            "SELECT TableNo FROM tbl_TableReserve WHERE RowStatus='A' AND "
            "ReserveID=" +
            std::to_string(id) + " ORDER BY TableNo");
        std::string out;
        for (; rs != nullptr && !rs->Eof(); rs->MoveNext())
            out += (out.empty() ? "" : ",") + rs->Field(0)->ToText();
        return out;
    }

    std::vector<std::string> serverArgs;  // set before SetUp runs

    TestInstallation inst;
    std::unique_ptr<KivServerProcess> server;
    std::ostringstream transcript;
    QtUserInterface ui{true, transcript};
    ScopedUserInterface scoped{ui};
    Shell shell;
    std::unique_ptr<DeskWindow> window;
};

TEST_F(DeskActionTest, TheBookingFormWritesTheRowsAndAnnouncesThem) {
    Open("future", Future(), "03DIN");
    window->PickTables({"A7"});
    int32_t shownFields = 0;
    const int announced = server->CountLog("DATACHANGE");
    ui.SetScript({"y"});  // a party smaller than the table is fine
    const int32_t id = window->Actions().Book([&](BookingDialog& form) {
        // The form follows the definition: its fields in order, with controls.
        shownFields = static_cast<int32_t>(form.Shown().size());
        EXPECT_NE(form.Control("ReserveTime"), nullptr);
        EXPECT_FALSE(form.Control("ReserveDate") == nullptr ||
                     form.Control("ReserveDate")->isEnabled());
        form.SetText("DYLastName", "Formby");
        form.SetText("ReserveTime", "19:30");
        form.SetText("ReserveCover", "3");
        return true;
    });
    ASSERT_GT(id, 0) << transcript.str();
    EXPECT_GT(shownFields, 3);
    const std::string where = "ReserveID=" + std::to_string(id);
    for (const auto& [column, value] : std::vector<std::pair<std::string, std::string>>{
             {"DYLastName", "Formby"}, {"ReserveCover", "3"}, {"RowStatus", "A"}})
        EXPECT_EQ(One("SELECT " + column + " FROM tbl_Reservation WHERE " + where), value);
    EXPECT_NE(One("SELECT ReserveTime FROM tbl_Reservation WHERE " + where).find("19:30"),
              std::string::npos);
    EXPECT_EQ(One("SELECT TableNo FROM tbl_TableReserve WHERE RowStatus='A' AND " + where), "A7");
    EXPECT_TRUE(QTest::qWaitFor([&] { return server->CountLog("DATACHANGE") > announced; }, 10000));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const auto& b = Item("A7")->Look().bookings;
            return !b.empty() && b.back().name == "Formby" && !Item("A7")->Look().held;
        },
        10000));
}

TEST_F(DeskActionTest, RefusalsShowTheirMessageAndWriteNothing) {
    Open("future", Future(), "03DIN");
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, std::string>> values;
        std::vector<std::string> answers;  // the chain's questions
        const char* message;
    } cases[] = {
        {"time outside dinner",
         {{"DYLastName", "Early"}, {"ReserveTime", "09:00"}},
         {},
         "The time is not in the meal period"},
        {"covers refused",
         {{"DYLastName", "Crowd"}, {"ReserveTime", "19:00"}, {"ReserveCover", "abc"}},
         {},
         "Please input a number"},
        {"chain question answered no",
         {{"DYLastName", "Many"}, {"ReserveTime", "19:00"}, {"ReserveCover", "40"}},
         {"n", "n", "n"},
         "Reservation not saved"},
    };
    const int before = Count("1=1");
    for (const Case& c : cases) {
        transcript.str("");
        window->PickTables({"A9"});
        ui.SetScript({c.answers.begin(), c.answers.end()});
        const int32_t id = window->Actions().Book([&](BookingDialog& form) {
            for (const auto& [code, text] : c.values)
                form.SetText(code, text);
            return true;
        });
        EXPECT_EQ(id, 0) << c.what;
        EXPECT_NE(transcript.str().find(c.message), std::string::npos) << c.what << "\n"
                                                                       << transcript.str();
        EXPECT_EQ(Count("1=1"), before) << c.what;
        // Nothing stays held for the abandoned booking.
        EXPECT_TRUE(QTest::qWaitFor([&] { return !Item("A9")->Look().held; }, 5000)) << c.what;
    }
}

TEST_F(DeskActionTest, CheckInFromTheWindowSeatsTheParty) {
    const std::string today = DateTime::Now().DateText();
    Open("current", today, "12");
    window->PickTables({"Q1"});
    ui.SetScript({"y"});
    const int32_t id =
        BookWith({{"DYLastName", "Seated"}, {"ReserveTime", "12:30"}, {"ReserveCover", "4"}});
    ASSERT_GT(id, 0) << transcript.str();
    ASSERT_TRUE(window->PickListRow(id) ||
                QTest::qWaitFor([&] { return window->PickListRow(id); }, 5000));
    EXPECT_EQ(window->SelectedReservation(), id);
    window->Actions().CheckIn();
    EXPECT_NE(transcript.str().find("Checked in: " + std::to_string(id)), std::string::npos)
        << transcript.str();
    EXPECT_EQ(One("SELECT ArrivalCover FROM tbl_Reservation WHERE ReserveID=" + std::to_string(id)),
              "4");
    EXPECT_TRUE(QTest::qWaitFor([&] { return Item("Q1")->Look().state == "O"; }, 10000))
        << Item("Q1")->Look().state;
}

TEST_F(DeskActionTest, ChangesHoldsAndBlocksFromTheWindowReachTheDatabase) {
    Open("future", Future(), "03DIN");
    window->PickTables({"A7"});
    ui.SetScript({"y"});
    const int32_t id =
        BookWith({{"DYLastName", "Formby"}, {"ReserveTime", "19:30"}, {"ReserveCover", "2"}});
    ASSERT_GT(id, 0) << transcript.str();
    const std::string where = " FROM tbl_Reservation WHERE ReserveID=" + std::to_string(id);
    auto choose = [&] { ASSERT_TRUE(window->PickListRow(id)); };

    // The same form opens the reservation; only what changed is written.
    choose();
    EXPECT_TRUE(window->Actions().Change([](BookingDialog& form) {
        return form.SetText("DYLastName", "Formbyer");
    })) << transcript.str();
    EXPECT_EQ(One("SELECT DYLastName" + where), "Formbyer");

    // Hold and release, block: each redrawn on the plan.
    window->PickTables({"A9"});
    window->Actions().Hold();
    EXPECT_TRUE(Item("A9")->Look().held) << transcript.str();
    window->Actions().ReleaseHolds();
    EXPECT_FALSE(Item("A9")->Look().held) << transcript.str();
    window->PickTables({"A10"});
    ui.SetScript({"Private party"});
    window->Actions().Block();
    EXPECT_TRUE(Item("A10")->Look().blocked) << transcript.str();
    EXPECT_EQ(Item("A10")->Look().blockRemark, "Private party");
    window->Actions().Unblock();
    EXPECT_FALSE(Item("A10")->Look().blocked) << transcript.str();

    // New tables picked on the plan for the reservation chosen in the list.
    window->PickTables({"A11"});
    choose();
    window->Actions().ChangeTables();
    EXPECT_EQ(One("SELECT TableNo FROM tbl_TableReserve WHERE RowStatus='A' AND ReserveID=" +
                  std::to_string(id)),
              "A11")
        << transcript.str();

    // Cancelled with a reason asked.
    choose();
    ui.SetScript({""});
    window->Actions().Cancel();
    EXPECT_NE(One("SELECT RowStatus" + where), "A") << transcript.str();
}

TEST_F(DeskActionTest, TheGuestIsFoundByAccountPhoneOrNameAndFillsTheForm) {
    const std::string guest = One("SELECT GuestID FROM tbl_Guest WHERE DYAccountNo='M100003'");
    const std::string last = One("SELECT DYLastName FROM tbl_Guest WHERE GuestID=" + guest);
    const std::string phone = One("SELECT ContactPhone FROM tbl_Guest WHERE GuestID=" + guest);
    ASSERT_FALSE(guest.empty() || last.empty() || phone.empty());
    auto def = LoadDefinition(shell, kProfileTelephone);
    ASSERT_NE(def, nullptr);
    def->FillDefaults();
    BookingDialog form(*def, "look-up");
    for (const std::string& text : {std::string("M100003"), phone}) {
        EXPECT_EQ(form.LookUpGuest(text), 1) << text;
        EXPECT_EQ(std::to_string(form.GuestID()), guest) << text;
    }
    const auto named = FindGuests(last.substr(0, 3));
    EXPECT_TRUE(std::any_of(named.begin(), named.end(),
                            [&](const GuestHit& h) { return std::to_string(h.guestID) == guest; }));
    // Text that is no guest, quotes included, finds nobody and breaks nothing.
    for (const char* text : {"", "   ", "no such guest", "O'Neil' OR '1'='1"})
        EXPECT_TRUE(FindGuests(text).empty()) << text;
    EXPECT_EQ(
        std::string(
            qobject_cast<QLineEdit*>(form.Control("DYLastName"))->text().toUtf8().constData()),
        last);
}

TEST_F(DeskActionTest, PickedTablesAreHeldUntilUnpickedOrTheFormIsLeft) {
    const std::string day = Future();
    Open("future", day, "03DIN");
    auto held = [&](const std::string& t) { return HeldInDb(t, day) && Item(t)->Look().held; };
    auto free = [&](const std::string& t) { return !HeldInDb(t, day) && !Item(t)->Look().held; };

    window->PickTables({"A7", "A8"});
    EXPECT_TRUE(held("A7") && held("A8")) << transcript.str();
    window->PickTables({"A8"});  // A7 picked a second time: let go
    EXPECT_TRUE(free("A7") && held("A8"));

    // Tables added and removed on the open form are held and released.
    const int32_t id = window->Actions().Book([&](BookingDialog& form) {
        form.ChangeTables("a8, A9");
        EXPECT_TRUE(held("A8") && held("A9"));
        form.ChangeTables("A9");
        EXPECT_TRUE(free("A8") && held("A9"));
        EXPECT_EQ(window->SelectedTables(), std::vector<std::string>{"A9"});
        // The plan redrawn behind the form, its picks gone: the booking keeps A9.
        window->PickTables({});
        QTest::qWait(20);
        EXPECT_TRUE(HeldInDb("A9", day));
        return false;  // closed without saving
    });
    EXPECT_EQ(id, 0);
    for (const char* t : {"A7", "A8", "A9"})
        EXPECT_TRUE(free(t)) << t;
    EXPECT_TRUE(window->SelectedTables().empty());

    // Another day shown lets the picks of the first go.
    window->PickTables({"A10"});
    EXPECT_TRUE(held("A10"));
    window->RunCommand("view future HBR " + DateTime::Now().AddDays(31).DateText() + " 03DIN");
    EXPECT_FALSE(HeldInDb("A10", day));
}

TEST_F(DeskActionTest, ARightClickPicksTheTableUnderTheMouseForItsMenu) {
    Open("future", Future(), "03DIN");
    auto rightClick = [&](const std::string& table, Qt::KeyboardModifiers mods) {
        QGraphicsSceneMouseEvent press(QEvent::GraphicsSceneMousePress);
        press.setScenePos(Item(table)->TableRect().center());
        press.setButton(Qt::RightButton);
        press.setButtons(Qt::RightButton);
        press.setModifiers(mods);
        QCoreApplication::sendEvent(Item(table)->scene(), &press);
        QGraphicsSceneMouseEvent release(QEvent::GraphicsSceneMouseRelease);
        release.setScenePos(press.scenePos());
        release.setButton(Qt::RightButton);
        QCoreApplication::sendEvent(Item(table)->scene(), &release);
    };
    using Tables = std::vector<std::string>;
    window->PickTables({"A7", "A8"});
    rightClick("A8", Qt::NoModifier);  // on a pick: the picks stay
    EXPECT_EQ(window->SelectedTables(), (Tables{"A7", "A8"}));
    rightClick("A9", Qt::NoModifier);  // elsewhere: that table alone
    EXPECT_EQ(window->SelectedTables(), Tables{"A9"});
    rightClick("A11", Qt::ControlModifier);
    EXPECT_EQ(window->SelectedTables(), (Tables{"A11", "A9"}));
}

TEST_F(DeskActionTest, CancelTakesAReasonFromTheList) {
    Open("future", Future(), "03DIN");
    window->PickTables({"A7"});
    ui.SetScript({"y"});
    const int32_t id = BookWith({{"DYLastName", "Formby"}, {"ReserveTime", "19:30"}});
    ASSERT_GT(id, 0) << transcript.str();
    const std::string reasons =
        " FROM tbl_Message WHERE MsgType='CXL' AND MsgCat='MAN' AND MsgSubCat='N' AND "
        "RowStatus='A' AND IsDefault=0 ORDER BY MsgCode";
    const std::string code = One("SELECT MsgCode" + reasons);
    ASSERT_FALSE(code.empty());
    const std::string where = " FROM tbl_Reservation WHERE ReserveID=" + std::to_string(id);

    ASSERT_TRUE(window->PickListRow(id));
    ui.SetScript({"no such reason"});
    window->Actions().Cancel();
    EXPECT_EQ(One("SELECT RowStatus" + where), "A");
    EXPECT_NE(transcript.str().find("Not in the list"), std::string::npos) << transcript.str();

    ASSERT_TRUE(window->PickListRow(id));
    ui.SetScript({LowerAscii(code)});
    window->Actions().Cancel();
    EXPECT_EQ(One("SELECT RowStatus" + where), "X") << transcript.str();
    EXPECT_EQ(One("SELECT CancelMsgID" + where), One("SELECT MsgID" + reasons));
}

TEST_F(DeskActionTest, AWaitingPartyDroppedOnATableIsSeated) {
    const std::string today = DateTime::Now().DateText();
    Open("current", today, "12");
    ui.SetScript({"y", "y"});
    window->RunCommand("waitlist HBR " + today + " 12:30 3 DYLastName=Waiter");
    const int32_t id = IdOf("Waiter");
    ASSERT_GT(id, 0) << transcript.str();
    EXPECT_EQ(One("SELECT ReserveType FROM tbl_Reservation WHERE ReserveID=" + std::to_string(id)),
              "W");
    // The list row dragged onto Q1 of the plan.
    PlanScene* scene = nullptr;
    for (PlanScene* s : window->Scenes())
        if (s->Item("Q1") != nullptr) scene = s;
    ASSERT_NE(scene, nullptr);
    scene->Dropped(id, "Q1");
    EXPECT_EQ(TablesOf(id), "Q1") << transcript.str();
    EXPECT_EQ(One("SELECT ArrivalCover FROM tbl_Reservation WHERE ReserveID=" + std::to_string(id)),
              "3")
        << transcript.str();
    EXPECT_TRUE(QTest::qWaitFor([&] { return Item("Q1")->Look().state == "O"; }, 10000));
}

TEST_F(DeskActionTest, AWalkInFromTheWindowIsSeatedAtOnce) {
    // Breakfast runs all day here, so a meal period runs whatever the clock says.
    inst.Sql(
        "UPDATE tbl_MPOutlet SET MPStartTime='00:00:00', MPEndTime1='23:59:59', "
        "MPStartTime2='23:59:59', MPEndTime='23:59:59' WHERE MPOutletID=11");
    Open("current", DateTime::Now().DateText(), "12");
    window->PickTables({"Q1"});
    ui.SetScript({"3", "Walker", "y", "y"});
    const int32_t id = window->Actions().WalkIn();
    ASSERT_GT(id, 0) << transcript.str();
    const std::string where = " FROM tbl_Reservation WHERE ReserveID=" + std::to_string(id);
    EXPECT_EQ(One("SELECT ReserveMode" + where), "W");
    EXPECT_EQ(One("SELECT MPOutletID" + where), "11");
    EXPECT_EQ(One("SELECT DYLastName" + where), "Walker");
    EXPECT_FALSE(One("SELECT ArrivalTime" + where).empty()) << transcript.str();
    EXPECT_EQ(TablesOf(id), "Q1");
}

TEST_F(DeskActionTest, ASwapAsksWhichPartyWhenATableHasSeveral) {
    inst.Sql(
        "INSERT INTO tbl_FPTable (FPID, TableNo, TCapacity, IsShare, XCoord, YCoord, TWidth, "
        "THeight, RowStatus) VALUES (101, 'Q2', 6, 0, 980, 20, 60, 40, 'A')");
    const std::string today = DateTime::Now().DateText();
    Open("current", today, "12");
    // Lunch is split: Q1 holds one party in each part.
    for (const char* line : {"12:00 2 Q1 DYLastName=Early", "13:30 2 Q1 DYLastName=Late",
                             "12:30 2 Q2 DYLastName=Other"}) {
        ui.SetScript({"y", "y"});
        window->RunCommand("book HBR " + today + " 12 " + line);
    }
    const int32_t early = IdOf("Early"), late = IdOf("Late"), other = IdOf("Other");
    ASSERT_TRUE(early > 0 && late > 0 && other > 0) << transcript.str();
    ASSERT_EQ(Item("Q1")->Look().bookings.size(), 2u);

    window->PickTables({"Q1", "Q2"});
    ui.SetScript({std::to_string(late)});
    window->Actions().Swap();
    EXPECT_EQ(TablesOf(late), "Q2") << transcript.str();
    EXPECT_EQ(TablesOf(other), "Q1");
    EXPECT_EQ(TablesOf(early), "Q1");
}

// The POS answers a check-in only after a second and a half.
class SlowPosTest : public DeskActionTest {
  protected:
    SlowPosTest() { serverArgs = {"--delay", "1500"}; }
};

TEST_F(SlowPosTest, TheWindowKeepsHandlingEventsWhileThePosAnswers) {
    Open("current", DateTime::Now().DateText(), "12");
    window->PickTables({"Q1"});
    ui.SetScript({"y"});
    const int32_t id = BookWith({{"DYLastName", "Patient"}, {"ReserveTime", "12:30"}});
    ASSERT_GT(id, 0) << transcript.str();
    ASSERT_TRUE(window->PickListRow(id));
    bool ranDuringWait = false;
    QTimer::singleShot(300, [&] { ranDuringWait = MainLoop().Waiting(); });
    window->Actions().CheckIn();
    EXPECT_TRUE(ranDuringWait);
    EXPECT_NE(transcript.str().find("Checked in: " + std::to_string(id)), std::string::npos)
        << transcript.str();
}

}  // namespace
