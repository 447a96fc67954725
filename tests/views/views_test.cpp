// The current, future and past views on a demo installation: what each
// loads, where reservations are placed, and that reloads and views keep apart.
#include "views/viewset.h"

#include <cstdlib>
#include <map>
#include <set>

#include "viewfixture.h"
#include "views/businessdate.h"

namespace {

std::set<int32_t> Ids(const Reservations& list) {
    const auto keys = list.Keys();
    return {keys.begin(), keys.end()};
}

std::set<int32_t> Ids(const ReserveIDSet& set) {
    std::set<int32_t> ids;
    for (const auto& [id, same] : set)
        ids.insert(id);
    return ids;
}

// Every table with something placed on it: number -> (all, R1, R2).
using Placement = std::map<std::string, std::vector<std::set<int32_t>>>;
Placement Placed(const PlanView& view) {
    Placement placed;
    for (const auto& [no, s] : view.TableStatuses()) {
        if (s->Reservations().Count() == 0 && s->R1Res().Count() == 0 && s->R2Res().Count() == 0)
            continue;
        placed[no] = {Ids(s->Reservations()), Ids(s->R1Res()), Ids(s->R2Res())};
    }
    return placed;
}

class ViewsTest : public ViewTest {
  protected:
    // The lunch ahead: every status and binding state the lists tell apart.
    void WriteLunch() {
        const DateTime d = Ahead();
        Resv(9001, d, kLunch, "12:00", "A", "First");  // first part
        Bind(9101, 9001, "A1");
        Resv(9002, d, kLunch, "14:00", "A", "Second");  // second part, number in lower case
        Bind(9102, 9002, "a2");
        Resv(9003, d, kLunch, "12:30", "X");  // cancelled: listed, on no table
        Bind(9103, 9003, "A3");
        Resv(9004, d, kLunch, "12:15", "A");  // its binding is cancelled
        Bind(9104, 9004, "A4", "X");
        Resv(9005, d, kLunch, "12:00", "C");  // completed
        Bind(9105, 9005, "A5");
        Resv(9006, d, kDinner, "19:00", "A");  // another meal period
        Bind(9106, 9006, "A6");
        Resv(9007, d, kLunch, "12:45", "L");  // full list only
        Resv(9008, d, kLunch, "13:15", "A");  // on the table drawn on both plans
        Bind(9108, 9008, "B16");
        Resv(9009, d, kLunch, "12:00", "D");  // deleted: nowhere
        Bind(9109, 9009, "A9");
    }
    template <typename View>
    void Open(View& view, int mp = kLunch, const DateTime& day = Ahead()) {
        view.SetOutlets(&outlets);
        ASSERT_TRUE(view.InitProfile());
        ASSERT_TRUE(view.Reload(kHBR, mp, day)) << view.ErrDescription();
    }
};

TEST_F(ViewsTest, EachKindListsAndPlacesWhatItShould) {
    WriteLunch();
    const std::set<int32_t> full = {9001, 9002, 9003, 9004, 9005, 9006, 9007, 9008};
    const Placement placed = {
        {"A1", {{9001}, {9001}, {}}}, {"A2", {{9002}, {}, {9002}}}, {"B16", {{9008}, {}, {9008}}}};
    CurrentView current;
    Open(current);
    EXPECT_EQ(Ids(current.FullResvs()), full);
    EXPECT_EQ(Ids(current.FPResvs()), (std::set<int32_t>{9001, 9002, 9003, 9004, 9005, 9008}));
    EXPECT_EQ(Placed(current), placed);

    FutureView future;
    Open(future);
    EXPECT_EQ(Ids(future.FullResvs()), full);
    // Completed bookings are no part of a later date's plans.
    EXPECT_EQ(Ids(future.FPResvs()), (std::set<int32_t>{9001, 9002, 9003, 9004, 9008}));
    EXPECT_EQ(Placed(future), placed);
}

TEST_F(ViewsTest, TheMealPeriodsListTakenFromTheDaysListIsTheOneReadAlone) {
    WriteLunch();
    for (bool current : {true, false}) {
        SCOPED_TRACE(current ? "current" : "future");
        CurrentView c;
        FutureView f;
        PlanView& view = current ? static_cast<PlanView&>(c) : f;
        Open(view);
        // One row, one object: what reaches it through one list shows in the other.
        EXPECT_EQ(view.FPResvs().Item(9001), view.FullResvs().Item(9001));
        const std::set<int32_t> taken = Ids(view.FPResvs());
        const Placement placedTaken = Placed(view);
        std::map<int32_t, std::size_t> bindings;
        for (const auto& [id, r] : view.FPResvs().Items())
            bindings[id] = r->TableReserves().Count();
        ASSERT_TRUE(view.LoadFPResv());
        EXPECT_EQ(Ids(view.FPResvs()), taken);
        EXPECT_EQ(Placed(view), placedTaken);
        for (const auto& [id, r] : view.FPResvs().Items())
            EXPECT_EQ(r->TableReserves().Count(), bindings[id]) << id;
    }
}

TEST_F(ViewsTest, ReloadingTheListAloneFollowsAMovedBooking) {
    WriteLunch();
    FutureView view;
    Open(view);
    inst.Sql("UPDATE tbl_TableReserve SET TableNo='A9' WHERE TableReserveID=9101");
    ASSERT_TRUE(view.LoadFPResv());
    EXPECT_EQ(view.GetTableStatus("A1")->Reservations().Count(), 0u);
    EXPECT_EQ(Ids(view.GetTableStatus("A9")->Reservations()), std::set<int32_t>{9001});
    EXPECT_EQ(Ids(view.GetTableStatus("A9")->R1Res()), std::set<int32_t>{9001});
}

TEST_F(ViewsTest, AReloadCarriesNoFlagOver) {
    WriteLunch();
    const std::string d = Ahead().DateText();
    inst.Sql(
        "INSERT INTO tbl_TableTemp (TempID, OutletID, MPOutletID, ReserveDate, TableNo, HoldDT, "
        "RowStatus) VALUES (9201, 1, 12, '" +
        d +
        "', 'A7', GetDate(), 'A') "
        "INSERT INTO tbl_TableBlock (TableBlockID, OutletID, MPOutletID, TableNo, BeginDate, "
        "RowStatus, Remark) VALUES (9301, 1, 12, 'A8', '" +
        d + "', 'A', 'Kept')");
    FutureView view;
    Open(view);
    std::shared_ptr<TableStatus> oldA1 = *view.TableStatuses().Item("A1");
    ASSERT_TRUE(view.GetTableStatus("A7")->TableLock());
    ASSERT_TRUE(view.GetTableStatus("A8")->Block());
    ASSERT_EQ(oldA1->Reservations().Count(), 1u);
    oldA1->SetSelected(true);

    inst.Sql(
        "UPDATE tbl_TableTemp SET RowStatus='D' WHERE TempID=9201 "
        "UPDATE tbl_TableBlock SET RowStatus='D' WHERE TableBlockID=9301 "
        "UPDATE tbl_TableReserve SET RowStatus='D' WHERE TableReserveID=9101");
    ASSERT_TRUE(view.Reload(kHBR, kLunch, Ahead()));
    const TableStatus* a1 = view.GetTableStatus("A1");
    EXPECT_NE(a1, oldA1.get());  // a handler holding the old object keeps a valid one
    EXPECT_FALSE(a1->Selected());
    EXPECT_EQ(a1->Reservations().Count(), 0u);
    EXPECT_FALSE(view.GetTableStatus("A7")->TableLock());
    EXPECT_FALSE(view.GetTableStatus("A8")->Block());
    EXPECT_EQ(view.GetTableStatus("A8")->BlockRemark(), "");
}

TEST_F(ViewsTest, TwoViewsOfOneOutletOnDifferentDatesStayApart) {
    // Blocked around the future date only.
    inst.Sql(
        "INSERT INTO tbl_TableBlock (OutletID, MPOutletID, TableNo, BeginDate, EndDate, "
        "RowStatus) VALUES (1, 12, 'A7', '" +
        Ahead(39).DateText() + "', '" + Ahead(41).DateText() + "', 'A')");
    CurrentView current;
    FutureView future;
    Open(current, kLunch, DateTime::Now().DatePart());
    Open(future);
    EXPECT_FALSE(current.GetTableStatus("A7")->Block());
    EXPECT_TRUE(future.GetTableStatus("A7")->Block());

    const TableStatus* before = current.GetTableStatus("A7");
    const std::size_t listed = current.FullResvs().Count(),
                      tables = current.TableStatuses().Count();
    ASSERT_GT(listed, 0u);
    ASSERT_TRUE(future.Reload(kHBR, kDinner, Ahead(41)));
    EXPECT_EQ(current.GetTableStatus("A7"), before);
    EXPECT_EQ(current.FullResvs().Count(), listed);
    EXPECT_EQ(current.TableStatuses().Count(), tables);
    EXPECT_EQ(current.MPOutletID(), kLunch);
    EXPECT_EQ(current.ResvDate(), DateTime::Now().DatePart());
    EXPECT_FALSE(future.GetTableStatus("A7")->Block());  // not blocked at dinner
}

TEST_F(ViewsTest, ATableOnTwoPlansHasOneState) {
    WriteLunch();
    inst.Sql("UPDATE tbl_TableStatus SET TableStatus='o' WHERE OutletID=1 AND TableNo='B16'");
    CurrentView view;
    Open(view);
    int drawn = 0;
    for (const auto& [id, plan] : view.FloorPlans())
        drawn += plan->FPTables().Exists("B16") ? 1 : 0;
    EXPECT_EQ(drawn, 2);
    EXPECT_EQ(view.DuplicateFPTableNoList(), "B16");
    int entries = 0;
    for (const auto& [no, s] : view.TableStatuses())
        entries += no == "B16" ? 1 : 0;
    EXPECT_EQ(entries, 1);
    EXPECT_EQ(view.GetTableStatus("b16")->GetTableStatus(), "O");
    EXPECT_EQ(Ids(view.GetTableStatus("B16")->Reservations()), std::set<int32_t>{9008});
}

TEST_F(ViewsTest, TheTimeFilterPicksTheFullListsMealPeriods) {
    WriteLunch();
    struct Case {
        int16_t mode;
        int32_t mp;
        std::set<int32_t> listed;
    };
    const Case cases[] = {
        {TimeFilter::kOnePeriod, kDinner, {9006}},
        {TimeFilter::kOnePeriod, kBreakfast, {}},
        {TimeFilter::kAllPeriods, kDinner, {9001, 9002, 9003, 9004, 9005, 9006, 9007, 9008}},
        {1, kDinner, {9001, 9002, 9003, 9004, 9005, 9006, 9007, 9008}},  // only 2 filters
    };
    PastView past;
    FutureView future;
    Open(past);
    Open(future);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.mode) + "/" + std::to_string(c.mp));
        for (ResvView* view : {static_cast<ResvView*>(&past), static_cast<ResvView*>(&future)}) {
            view->FullListFilter().SetFilterMode(c.mode);
            view->FullListFilter().SetMPOutletID(c.mp);
            ASSERT_TRUE(view->LoadFullResv());
            EXPECT_EQ(Ids(view->FullResvs()), c.listed) << view->Module();
        }
    }
    // A filtered full list does not hold the meal period's list: it is read.
    future.FullListFilter().SetFilterMode(TimeFilter::kOnePeriod);
    future.FullListFilter().SetMPOutletID(kDinner);
    ASSERT_TRUE(future.Reload(kHBR, kLunch, Ahead()));
    EXPECT_EQ(Ids(future.FPResvs()), (std::set<int32_t>{9001, 9002, 9003, 9004, 9008}));
}

TEST_F(ViewsTest, ThePastViewListsCancelledAndCompletedBookings) {
    const DateTime day = DateTime::Now().DatePart().AddDays(-5);
    PastView past;
    Open(past, kDinner, day);
    auto rs = inst.Query(
        "SELECT RowStatus, COUNT(*) AS N FROM tbl_Reservation WHERE OutletID=1 AND ReserveDate='" +
        day.DateText() + "' AND RowStatus IN ('A','X','L','N','C') GROUP BY RowStatus");
    std::map<std::string, int> expected, got;
    for (; rs != nullptr && !rs->Eof(); rs->MoveNext())
        expected[FieldStr(rs.get(), "RowStatus")] = FieldLng(rs.get(), "N");
    for (const auto& [id, r] : past.FullResvs().Items())
        ++got[r->GetFieldText("RowStatus")];
    EXPECT_EQ(got, expected);
    EXPECT_GT(got["C"], 0);
    EXPECT_GT(got["X"], 0);
}

TEST_F(ViewsTest, AnUnknownOutletOrNoOutletLoadsNothing) {
    CurrentView current;
    FutureView future;
    PastView past;
    for (ResvView* view : {static_cast<ResvView*>(&current), static_cast<ResvView*>(&future),
                           static_cast<ResvView*>(&past)}) {
        view->SetOutlets(&outlets);
        ASSERT_TRUE(view->InitProfile());
        EXPECT_FALSE(view->Reload(0, kLunch, Ahead()));
        EXPECT_FALSE(view->IsOpen());
        EXPECT_FALSE(view->Reload(99, kLunch, Ahead()));
        EXPECT_EQ(view->GetSQLDB(), nullptr);
    }
    EXPECT_EQ(current.TableStatuses().Count(), 0u);
    const std::string logs = inst.DayLogs();
    // The text of the last log line of a module and procedure.
    auto logged = [&logs](const std::string& where) {
        const auto at = logs.rfind(where);
        if (at == std::string::npos) return std::string("<none>");
        const auto begin = logs.find(',', at) + 1;
        return logs.substr(begin, logs.find_first_of("\r\n", begin) - begin);
    };
    EXPECT_EQ(logged("[CurrentView:LoadFullResv]"), "GetOutletByID fail");
    EXPECT_EQ(logged("[FutureView:LoadFullResv]"), "GetOutletByID fail 99");
    EXPECT_EQ(logged("[FutureView:LoadFPResv]"), "GetOutletByID fail");
    EXPECT_EQ(logged("[PastView:LoadFullResv]"), "GetOutletByID fail");

    // A meal period of 0 leaves the plans of the last load as they were.
    Open(future);
    const std::size_t tables = future.TableStatuses().Count();
    ASSERT_GT(tables, 0u);
    future.SetMPOutletID(0);
    EXPECT_FALSE(future.LoadFloorplans());
    EXPECT_EQ(future.TableStatuses().Count(), tables);
}

TEST_F(ViewsTest, BookingOpensAtTheRaceMeetingsTimes) {
    g_oConfig->SetORBAMode(true);
    const DateTime now = DateTime::Now();
    inst.Sql("INSERT INTO tbl_ORBA_RaceSchedule (RaceID, MeetingDate, RowStatus) VALUES (1, '" +
             Ahead().DateText() +
             "', 'A') INSERT INTO tbl_ORBA_OutletSchedule (RaceID, OutletID, OnCourseDT, "
             "PhoneBookingDT, RowStatus) VALUES (1, 1, '" +
             now.AddSeconds(-3600).ToText() + "', '" + now.AddSeconds(3600).ToText() +
             "', 'A')"
             " UPDATE tbl_FPTable SET ReserveMode='O' WHERE TableNo='A1'");
    FutureView view;
    DateTime clock = now;
    view.SetClock([&clock] { return clock; });
    std::vector<std::string> raised;
    view.OnTableStatusUpdate([&](const TableStatus& s) { raised.push_back(s.TableNo()); });
    Open(view);
    EXPECT_EQ(view.PhoneBookingDT(), *DateTime::Parse(now.AddSeconds(3600).ToText()));
    EXPECT_FALSE(view.GetTableStatus("A1")->NotStartBook());  // on-course booking is open
    EXPECT_TRUE(view.GetTableStatus("A2")->NotStartBook());   // telephone booking is not
    EXPECT_TRUE(view.RecheckBookingStart().empty());

    clock = now.AddSeconds(2 * 3600);
    const std::vector<std::string> started = view.RecheckBookingStart();
    EXPECT_FALSE(started.empty());
    EXPECT_EQ(started, raised);
    for (const auto& [no, s] : view.TableStatuses())
        EXPECT_FALSE(s->NotStartBook()) << no;
}

TEST_F(ViewsTest, TheViewSetSendsTheFilterAndPassesEventsOn) {
    WriteLunch();
    ViewSet views;
    ASSERT_TRUE(views.Init(&outlets));
    std::vector<std::string> sent, events;
    bool reachable = false;
    views.SetFilterSender([&](const DateTime& d, int32_t outlet, int32_t mp) {
        sent.push_back(d.DateText() + "/" + std::to_string(outlet) + "/" + std::to_string(mp));
        return reachable;
    });
    ViewEvents& e = views.Events();
    e.CVTableStatusUpdate = [&](const TableStatus& s) { events.push_back("CV " + s.TableNo()); };
    e.FVTableStatusUpdate = [&](const TableStatus& s) { events.push_back("FV " + s.TableNo()); };
    e.FVFPResvUpdate = [&](const Reservations& l) {
        events.push_back("FVFP " + std::to_string(l.Count()));
    };
    e.PVFullResvUpdate = [&](const Reservations& l) {
        events.push_back("PV " + std::to_string(l.Count()));
    };

    // No server reachable: the view opens all the same.
    EXPECT_TRUE(views.Open(ViewKind::kFuture, kHBR, kLunch, Ahead()));
    EXPECT_FALSE(views.FilterSent());
    reachable = true;
    EXPECT_TRUE(views.Open(ViewKind::kPast, kHBR, kDinner, Ahead()));
    EXPECT_TRUE(views.FilterSent());
    EXPECT_EQ(sent, (std::vector<std::string>{Ahead().DateText() + "/1/12",
                                              Ahead().DateText() + "/1/13"}));
    EXPECT_EQ(views.LastOpened(), ViewKind::kPast);
    // The outlet's database clock.
    const int64_t skew = views.Past().GetLastModifiedTime().SecondsSinceEpoch() -
                         DateTime::SystemNow().SecondsSinceEpoch();
    EXPECT_LE(std::abs(skew), 60);
    EXPECT_FALSE(views.Current().IsOpen());

    views.Future().UpdateTableStatus(*views.Future().GetTableStatus("A1"));
    views.Future().RaiseFPResvUpdate();
    views.Past().RaiseFullResvUpdate();
    views.Current().RaiseFullResvUpdate();  // nobody listens: nothing happens
    EXPECT_EQ(events, (std::vector<std::string>{"FV A1", "FVFP 5", "PV 8"}));
}

TEST_F(ViewsTest, TheBusinessDateRunsOnWhileASupperPastMidnightDoes) {
    const MPOutlets& jade = outlets.GetOutletByID(2)->GetMPOutlets();     // supper 22:00-02:00
    const MPOutlets& harbour = outlets.GetOutletByID(1)->GetMPOutlets();  // no supper
    const DateTime day = DateTime::Date(2024, 3, 1);
    struct Case {
        const MPOutlets* periods;
        const char* time;
        int offset;
    };
    const Case cases[] = {
        {&jade, "23:30", 0}, {&jade, "00:00", -1}, {&jade, "01:59", -1},   {&jade, "02:00", 0},
        {&jade, "12:00", 0}, {&jade, "21:59", 0},  {&harbour, "01:00", 0}, {&harbour, "23:59", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.time);
        const DateTime t = *DateTime::Parse(c.time);
        DateTime now = day;
        now.Hour = t.Hour, now.Minute = t.Minute, now.Second = 30;
        EXPECT_EQ(BusinessDate(*c.periods, now), day.AddDays(c.offset));
    }
}

TEST(ViewDateTest, EachKindShowsItsOwnDates) {
    const DateTime business = DateTime::Date(2024, 3, 1);
    struct Case {
        ViewKind kind;
        int offset;
        ViewDateCheck check;
    };
    const Case cases[] = {
        {ViewKind::kCurrent, 0, ViewDateCheck::kOK},
        {ViewKind::kCurrent, 1, ViewDateCheck::kNotBusinessDate},
        {ViewKind::kCurrent, -1, ViewDateCheck::kNotBusinessDate},
        {ViewKind::kFuture, 1, ViewDateCheck::kOK},
        {ViewKind::kFuture, 0, ViewDateCheck::kNotAfter},
        {ViewKind::kPast, -1, ViewDateCheck::kOK},
        {ViewKind::kPast, 0, ViewDateCheck::kNotBefore},
    };
    for (const Case& c : cases) {
        // The time of day of the date given does not count.
        const DateTime date = business.AddDays(c.offset).AddSeconds(20 * 3600);
        EXPECT_EQ(CheckViewDate(c.kind, date, business), c.check)
            << static_cast<int>(c.kind) << " " << c.offset;
    }
}

}  // namespace
