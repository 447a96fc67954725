// Shell commands of the views: open the current, future or past view of an
// outlet, date and meal period, print an open view again, and set the time
// filter of its full list.
#include "app/viewcommands.h"

#include "app/printlines.h"
#include "app/shell.h"
#include "app/venueargs.h"
#include "core/globals.h"
#include "core/mltext.h"
#include "messaging/kiv.h"
#include "platform/textutil.h"
#include "profiles/profiledefinition.h"
#include "registry/client.h"
#include "reservations/kivfunc.h"
#include "venue/outlets.h"
#include "views/businessdate.h"
#include "views/datachangehandlers.h"
#include "views/viewset.h"

namespace {

constexpr const char* kOpenUsage = "view current|future|past OUTLET DATE PERIOD";

const char* KindName(ViewKind kind) {
    switch (kind) {
        case ViewKind::kCurrent:
            return "current";
        case ViewKind::kFuture:
            return "future";
        case ViewKind::kPast:
            break;
    }
    return "past";
}

std::optional<ViewKind> ReadKind(const std::string& arg) {
    for (ViewKind kind : {ViewKind::kCurrent, ViewKind::kFuture, ViewKind::kPast})
        if (LowerAscii(arg) == KindName(kind)) return kind;
    return std::nullopt;
}

// The views of the session; nullptr (and a line) before sign-in.
ViewSet* SessionViews(Shell& shell) {
    ViewSet* views = shell.Hub() != nullptr ? shell.Hub()->Views() : nullptr;
    if (views == nullptr) shell.Error(GetMLText("The views are not available"));
    return views;
}

// "today" is the outlet's business date: past midnight, while a supper of
// the evening before still runs, that is yesterday.
std::optional<DateTime> ReadViewDate(Shell& shell, const Outlet& outlet, const std::string& arg) {
    if (UpperAscii(arg) == "TODAY") return BusinessDate(outlet.GetMPOutlets(), DateTime::Now());
    return ParseDay(shell, arg);
}

// False (and a line naming the business date) when the kind may not show `day`.
bool DateAllowed(Shell& shell, ViewKind kind, const Outlet& outlet, const DateTime& day) {
    const DateTime business = BusinessDate(outlet.GetMPOutlets(), DateTime::Now());
    const char* text = nullptr;
    switch (CheckViewDate(kind, day, business)) {
        case ViewDateCheck::kOK:
            return true;
        case ViewDateCheck::kNotBusinessDate:
            text = "The current view shows the business date only";
            break;
        case ViewDateCheck::kNotAfter:
            text = "The future view shows dates after the business date only";
            break;
        case ViewDateCheck::kNotBefore:
            text = "The past view shows dates before the business date only";
            break;
    }
    shell.Error(GetMLText(text) + ": " + business.DateText());
    return false;
}

// One `booking` line per table and reservation placed on it.
void PrintBookings(Shell& shell, const PlanView& view) {
    for (const auto& [no, status] : view.TableStatuses()) {
        for (const auto& [id, same] : status->Reservations()) {
            const Reservation* r = view.FPResvs().Item(id);
            if (r == nullptr) continue;
            shell.Out("booking\t" + no + "\t" + std::to_string(id) + "\t" +
                      r->GetFieldDate("ReserveTime").Format("hh:nn") + "\t" +
                      r->GetFieldText("ReserveCover") + "\t" +
                      OneField(r->GetFieldText("DYLastName")) + "\t" +
                      (status->R1Res().Exists(id) ? "1" : "0") + "\t" +
                      (status->R2Res().Exists(id) ? "1" : "0"));
        }
    }
}

void PrintView(Shell& shell, ViewSet& views, ViewKind kind) {
    ResvView& view = views.View(kind);
    const Outlet* outlet = views.GetOutlets() != nullptr
                               ? views.GetOutlets()->GetOutletByID(view.OutletID())
                               : nullptr;
    const MPOutlet* period =
        outlet != nullptr ? outlet->GetMPOutlets().Item(view.MPOutletID()) : nullptr;
    const TimeFilter& filter = view.FullListFilter();
    shell.Out(std::string("view\t") + KindName(kind) + "\t" +
              (outlet != nullptr ? outlet->OutletCode() : std::to_string(view.OutletID())) + "\t" +
              view.ResvDate().DateText() + "\t" +
              (period != nullptr ? period->MPCode() : std::to_string(view.MPOutletID())) + "\t" +
              (filter.FilterMode() == TimeFilter::kOnePeriod ? std::to_string(filter.MPOutletID())
                                                             : std::string("all")));
    if (PlanView* plans = views.Plans(kind)) {
        PrintPlans(shell, plans->Loader());
        if (SQLDB* db = plans->GetSQLDB())
            PrintTables(shell, plans->Loader(), *db, plans->Kind().liveStates);
        PrintBookings(shell, *plans);
    }
    if (ProfileDefinition* def = view.ProfileDef()) PrintResvList(shell, *def, view.FullResvs());
}

void OpenView(Shell& shell, ViewSet& views, ViewKind kind, const std::vector<std::string>& args) {
    Outlets outlets;
    const Outlet* outlet = FindOutlet(shell, outlets, args[1]);
    if (outlet == nullptr) return;
    const std::optional<DateTime> day = ReadViewDate(shell, *outlet, args[2]);
    if (!day || !DateAllowed(shell, kind, *outlet, *day)) return;
    const MPOutlet* period = FindPeriod(shell, *outlet, args[3]);
    if (period == nullptr || OutletSQLDB(shell, *outlet) == nullptr) return;
    if (!views.Open(kind, outlet->OutletID(), period->MPOutletID(), *day)) {
        shell.Error(GetMLText("Cannot load the view") + ": " + views.View(kind).ErrDescription());
        return;
    }
    PrintView(shell, views, kind);
}

void ViewCommand(Shell& shell, const std::vector<std::string>& args) {
    std::optional<ViewKind> kind;
    if (!args.empty()) kind = ReadKind(args[0]);
    if ((args.size() != 0 && args.size() != 1 && args.size() != 4) || (!args.empty() && !kind)) {
        shell.Error(GetMLText("Usage") + ": " + kOpenUsage + " | view [current|future|past]");
        return;
    }
    ViewSet* views = SessionViews(shell);
    if (views == nullptr) return;
    if (args.size() == 4) {
        OpenView(shell, *views, *kind, args);
        return;
    }
    if (!kind) kind = views->LastOpened();
    if (!kind) {
        shell.Error(GetMLText("No view is open"));
        return;
    }
    if (!views->View(*kind).IsOpen()) {
        shell.Error(GetMLText("This view is not open") + ": " + KindName(*kind));
        return;
    }
    PrintView(shell, *views, *kind);
}

void FilterCommand(Shell& shell, const std::vector<std::string>& args) {
    if (!CheckArgs(shell, args, 1, "filter all|PERIOD")) return;
    ViewSet* views = SessionViews(shell);
    if (views == nullptr) return;
    const std::optional<ViewKind> kind = views->LastOpened();
    if (!kind || !views->View(*kind).IsOpen()) {
        shell.Error(GetMLText("No view is open"));
        return;
    }
    ResvView& view = views->View(*kind);
    TimeFilter& filter = view.FullListFilter();
    if (LowerAscii(args[0]) == "all") {
        filter.SetFilterMode(TimeFilter::kAllPeriods);
    } else {
        const Outlet* outlet = views->GetOutlets()->GetOutletByID(view.OutletID());
        const MPOutlet* period = outlet != nullptr ? FindPeriod(shell, *outlet, args[0]) : nullptr;
        if (period == nullptr) return;
        filter.SetFilterMode(TimeFilter::kOnePeriod);
        filter.SetMPOutletID(period->MPOutletID());
    }
    if (!view.LoadFullResv()) {
        shell.Error(GetMLText("Cannot load the reservations"));
        return;
    }
    view.RaiseFullResvUpdate();
    if (ProfileDefinition* def = view.ProfileDef()) PrintResvList(shell, *def, view.FullResvs());
}

// One line per change another workstation announced, as it is applied.
void WatchCommand(Shell& shell, const std::vector<std::string>& args) {
    const std::string mode = args.size() == 1 ? LowerAscii(args[0]) : "";
    if (mode != "on" && mode != "off") {
        shell.Error(GetMLText("Usage") + ": watch on|off");
        return;
    }
    ViewSet* views = SessionViews(shell);
    if (views == nullptr || views->DataChanges() == nullptr) return;
    if (mode == "off") {
        views->DataChanges()->OnApplied(nullptr);
        return;
    }
    Shell* out = &shell;
    views->DataChanges()->OnApplied(
        [out](const DataChangeMsg& msg, const std::vector<std::string>& changed) {
            std::string names;
            for (const std::string& n : changed)
                names += (names.empty() ? "" : ",") + n;
            out->Out("changed\t" + msg.Table + "\t" + std::to_string(msg.FieldID) + "\t" +
                     (names.empty() ? "-" : names));
        });
}

}  // namespace

bool SendViewFilter(KIV& hub, const DateTime& date, int32_t outletID, int32_t mpOutletID) {
    return hub.Func().SetActiveFilter(date, outletID, mpOutletID);
}

std::shared_ptr<ViewSet> OpenViews(KIV& hub) {
    auto views = std::make_shared<ViewSet>();
    views->Init(&hub.OutletList());
    views->AttachDataChanges(hub.Dispatcher(), g_oClient != nullptr ? g_oClient->ClientID() : 0);
    KIV* raw = &hub;
    views->SetFilterSender([raw](const DateTime& date, int32_t outletID, int32_t mpOutletID) {
        return SendViewFilter(*raw, date, outletID, mpOutletID);
    });
    return views;
}

void AddViewCommands(Shell& shell) {
    shell.Add({"view", std::string(kOpenUsage) + " | view [current|future|past]",
               "Open the current, future or past view of an outlet, date and meal period, or "
               "print an open view again (the last opened by default)",
               ViewCommand});
    shell.Add({"filter", "filter all|PERIOD",
               "Set the time filter of the full list of the last opened view", FilterCommand});
    shell.Add({"watch", "watch on|off",
               "Print each change another workstation announces as it is applied: changed, "
               "table, id, the views it changed",
               WatchCommand});
}
