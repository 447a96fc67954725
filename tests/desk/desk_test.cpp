// The desk window on a demo installation with a real kivserver: the drawn
// plans, the list and its search, and a change made by a console
// workstation redrawn on the window.
#include <gtest/gtest.h>

#include <QImage>
#include <QTabWidget>
#include <QTest>
#include <set>
#include <sstream>

#include "app/shell.h"
#include "core/globals.h"
#include "desk/deskapp.h"
#include "desk/deskwindow.h"
#include "desk/planscene.h"
#include "desk/qtuserinterface.h"
#include "desk/resvlistmodel.h"
#include "kiv/kivtestsupport.h"
#include "messaging/kiv.h"
#include "support/installation.h"
#include "support/liveprogram.h"
#include "support/tempdir.h"
#include "users/signin.h"
#include "venue/colordefs.h"
#include "venue/floorplan.h"
#include "venue/outlets.h"
#include "views/businessdate.h"
#include "views/planview.h"

namespace {

class DeskTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(server.Running());
        inst.Sql("UPDATE tbl_ServiceServer SET IPPort = " + std::to_string(server.Port()) +
                 " WHERE ServiceID = 1");
        ASSERT_TRUE(inst.StartInProcess());
        ASSERT_TRUE(SignIn().CheckLogin("admin", "admin123", kModeInPerson));
        shell.StartSession(kModeInPerson);
        window = std::make_unique<DeskWindow>(shell, ui);
        AddDeskCommands(shell, *window);
    }
    void TearDown() override {
        window->Finish("N");
        window.reset();
    }
    // Opens the dinner of the Harbour Grill on `day`.
    void OpenDinner(const std::string& day) {
        window->RunCommand("view " + std::string(day == Today() ? "current" : "future") + " HBR " +
                           day + " 03DIN");
    }
    static std::string Today() { return DateTime::Now().DateText(); }
    TableItem* Item(const std::string& tableNo) const {
        for (PlanScene* scene : window->Scenes())
            if (TableItem* item = scene->Item(tableNo)) return item;
        return nullptr;
    }
    PlanView& Current() { return shell.Hub()->Views()->Current(); }

    KivServerProcess server;
    TestInstallation inst;
    std::ostringstream transcript;
    QtUserInterface ui{true, transcript};
    ScopedUserInterface scoped{ui};
    Shell shell;
    std::unique_ptr<DeskWindow> window;
};

TEST_F(DeskTest, OpensOnTheRunningPeriodOrTheFirst) {
    // Whatever the clock says, the host starts on a plan of the first outlet's
    // business day: the period running now, else the outlet's first.
    ASSERT_TRUE(window->ShownKind().has_value()) << transcript.str();
    const ResvView* view = window->ShownView();
    const Outlet* outlet = shell.Hub()->OutletList().GetOutletByID(view->OutletID());
    ASSERT_NE(outlet, nullptr);
    const DateTime now = DateTime::Now();
    int32_t running = outlet->GetMPOutlets().FindMPOutletID(now);
    if (!outlet->GetMPOutlets().Items().Exists(running))
        running = outlet->GetMPOutlets().Items().begin()->first;
    EXPECT_EQ(view->MPOutletID(), running);
    EXPECT_EQ(view->ResvDate().DateText(), BusinessDate(outlet->GetMPOutlets(), now).DateText());
    EXPECT_FALSE(window->Scenes().empty());
}

TEST_F(DeskTest, DrawsEveryTableAtItsPlaceInItsStateColour) {
    // A state with a colour of its own, and one vacant table whose seated
    // party has arrived.
    inst.Sql("UPDATE tbl_TableStatus SET TableStatus = 'O' WHERE TableNo = 'A2'");
    OpenDinner(Today());
    ASSERT_EQ(window->ShownKind(), ViewKind::kCurrent) << transcript.str();
    PlanView& view = Current();
    ASSERT_GT(view.FloorPlans().Count(), 0u);
    ASSERT_EQ(window->Scenes().size(), view.FloorPlans().Count());
    EXPECT_EQ(window->PlanTabs()->count(), static_cast<int>(view.FloorPlans().Count()));

    const ColorDefs& colors = shell.Hub()->Colors();
    std::size_t drawn = 0;
    std::set<QRgb> seen;
    std::size_t i = 0;
    for (const auto& [fpID, planPtr] : view.FloorPlans()) {
        const PlanScene& scene = *window->Scenes()[i++];
        const FloorPlan& plan = *planPtr;
        ASSERT_EQ(scene.FPID(), plan.FPID());
        EXPECT_EQ(scene.Items().size(), plan.FPTables().Count());
        for (const auto& [no, table] : plan.FPTables()) {
            const TableItem* item = scene.Item(no);
            ASSERT_NE(item, nullptr) << no;
            EXPECT_EQ(item->pos(), QPointF(table.XCoord(), table.YCoord())) << no;
            EXPECT_EQ(item->TableRect().size(), QSizeF(table.TWidth(), table.THeight())) << no;
            const TableStatus* s = view.GetTableStatus(no);
            ASSERT_NE(s, nullptr) << no;
            if (s->GetTableStatus() != "V" || s->ReserveID() < 1) {
                EXPECT_EQ(item->FillColor(),
                          ToQColor(colors.GetTableStatusColor(s->GetTableStatus())))
                    << no << " " << s->GetTableStatus();
            }
            seen.insert(item->FillColor().rgb());
            ++drawn;
        }
    }
    EXPECT_GT(drawn, 10u);
    EXPECT_GE(seen.size(), 2u) << "occupied and vacant tables paint differently";
    EXPECT_EQ(Item("A2")->FillColor(), ToQColor(colors.GetTableStatusColor("O")));

    // The list holds the day's reservations; the search finds by number,
    // name and phone.
    ResvListModel& list = window->ListModel();
    ASSERT_EQ(static_cast<std::size_t>(list.rowCount()), view.FullResvs().Count());
    const Reservation& first = *view.FullResvs().ItemAt(0);
    struct Case {
        std::string text;
        bool findsFirst;
    };
    const std::vector<Case> cases{{std::to_string(first.ReserveID()), true},
                                  {first.GetFieldText("DYLastName"), true},
                                  {first.GetFieldText("ContactPhone"), true},
                                  {"no such guest anywhere", false}};
    for (const Case& c : cases) {
        window->Search(ToQ(c.text));
        bool found = false;
        for (int row = 0; row < list.rowCount(); ++row)
            found = found || list.ReserveIDAt(row) == first.ReserveID();
        EXPECT_EQ(found, c.findsFirst) << c.text;
        EXPECT_LE(list.rowCount(), static_cast<int>(view.FullResvs().Count())) << c.text;
    }
    window->Search("");
    EXPECT_EQ(static_cast<std::size_t>(list.rowCount()), view.FullResvs().Count());

    // The screenshot command writes the window as a PNG.
    TempDir dir;
    const std::string png = dir.Path() + "/desk.png";
    window->RunCommand("screenshot " + png);
    QImage shot(ToQ(png));
    EXPECT_FALSE(shot.isNull()) << transcript.str();
    EXPECT_GT(shot.width(), 400);
}

TEST_F(DeskTest, ChangesFromAConsoleWorkstationRedrawTheTable) {
    const std::string day = DateTime::Now().AddDays(30).DateText();
    OpenDinner(day);
    ASSERT_EQ(window->ShownKind(), ViewKind::kFuture) << transcript.str();
    ASSERT_NE(Item("A8"), nullptr);
    ASSERT_FALSE(Item("A8")->Look().held);
    const int rowsBefore = window->ListModel().rowCount();

    LiveProgram console(ProgramPath("culinarotable"), {"--root", inst.Root()},
                        {{"COMPUTERNAME", "WS2"}});
    for (const char* line : {"admin", "admin123", "2"})
        console.Send(line);
    ASSERT_NE(console.WaitFor("CulinaroTable> ", 20000), std::string::npos) << console.Output();

    // A hold, a block and a booking, each redrawn without a reload.
    console.Send("hold HBR " + day + " 03DIN A8");
    EXPECT_TRUE(QTest::qWaitFor([&] { return Item("A8")->Look().held; }, 10000))
        << console.Output();
    console.Send("block HBR 03DIN A5 --from " + day + " --until " + day + " Private");
    EXPECT_TRUE(QTest::qWaitFor([&] { return Item("A5")->Look().blocked; }, 10000))
        << console.Output();
    EXPECT_EQ(Item("A5")->Look().blockRemark, "Private");
    console.Send("book HBR " + day + " 03DIN 19:30 2 A7 DYLastName=Livewire");
    console.Send("y");
    console.Send("n");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const auto& b = Item("A7")->Look().bookings;
            return !b.empty() && b.back().name == "Livewire";
        },
        10000))
        << console.Output();
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return window->ListModel().rowCount() == rowsBefore + 1; }, 10000));
    console.Send("quit");
    console.Send("y");
}

}  // namespace
