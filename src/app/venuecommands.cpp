// Shell commands of the venue: the permitted outlets, their meal periods,
// the meal period of a time, and the tables of the plans in force.
#include <algorithm>
#include <cctype>
#include <map>
#include <optional>

#include "app/printlines.h"
#include "app/shell.h"
#include "app/venueargs.h"
#include "core/globals.h"
#include "core/mltext.h"
#include "registry/dbconnections.h"
#include "users/user.h"
#include "venue/colordefs.h"
#include "venue/outlets.h"
#include "venue/planloader.h"
#include "venue/recordfields.h"
#include "venue/tablecolor.h"

namespace {

constexpr const char* kModule = "VenueCommands";

std::string HourMinute(const DateTime& t) {
    return t.Format("hh:nn");
}

void ListOutlets(Shell& shell, const std::vector<std::string>& args) {
    Outlets outlets;
    if (!CheckArgs(shell, args, 0, "outlets") || !LoadOutlets(shell, outlets)) return;
    shell.BeginTable(TableLayout({"Code", "ID", "Name", "Server ID", "Server"}).SortBy({0}));
    for (const auto& [id, outlet] : outlets.Items()) {
        if (!Permitted(id)) continue;
        const DBServer* server = g_oDBConns->GetDBServer(outlet->DBServerID());
        shell.Out(outlet->OutletCode() + "\t" + std::to_string(id) + "\t" +
                  outlet->Name(g_nLanguage) + "\t" + std::to_string(outlet->DBServerID()) + "\t" +
                  (server != nullptr ? server->DBServerCode() : std::string()));
    }
}

std::string PeriodLine(const MPOutlet& p) {
    return std::to_string(p.MPOutletID()) + "\t" + p.MPCode() + "\t" + p.Name(g_nLanguage);
}

void ListPeriods(Shell& shell, const std::vector<std::string>& args) {
    Outlets outlets;
    if (!CheckArgs(shell, args, 1, "periods OUTLET")) return;
    const Outlet* outlet = FindOutlet(shell, outlets, args[0]);
    if (outlet == nullptr) return;
    shell.BeginTable(
        TableLayout({"ID", "Code", "Name", "Start", "End of part 1", "Start of part 2", "End"}));
    for (const auto& [id, p] : outlet->GetMPOutlets().Items()) {
        shell.Out(PeriodLine(p) + "\t" + HourMinute(p.MPStartTime()) + "\t" +
                  HourMinute(p.MPEndTime1()) + "\t" + HourMinute(p.MPStartTime2()) + "\t" +
                  HourMinute(p.MPEndTime()));
    }
}

void PeriodOfTime(Shell& shell, const std::vector<std::string>& args) {
    Outlets outlets;
    if (!CheckArgs(shell, args, 2, "period OUTLET HH:MM")) return;
    const Outlet* outlet = FindOutlet(shell, outlets, args[0]);
    if (outlet == nullptr) return;
    const std::optional<DateTime> time = ParseTimeOfDay(shell, args[1]);
    if (!time) return;
    const int32_t id = outlet->GetMPOutlets().FindMPOutletID(*time);
    const MPOutlet* period = outlet->GetMPOutlets().Item(id);
    if (period == nullptr) {
        shell.Out(GetMLText("No meal period at this time"));
        return;
    }
    shell.BeginTable(TableLayout({"ID", "Code", "Name"}));
    shell.Out(PeriodLine(*period));
}

void ShowPlan(Shell& shell, const std::vector<std::string>& args) {
    Outlets outlets;
    if (!CheckArgs(shell, args, 3, "plan OUTLET DATE PERIOD")) return;
    const Outlet* outlet = FindOutlet(shell, outlets, args[0]);
    if (outlet == nullptr) return;
    const std::optional<DateTime> day = ParseDay(shell, args[1]);
    if (!day) return;
    const MPOutlet* period = FindPeriod(shell, *outlet, args[2]);
    if (period == nullptr) return;
    SQLDB* db = OutletSQLDB(shell, *outlet);
    if (db == nullptr) return;
    PlanLoader loader(kModule);
    loader.SetOutlet(outlet->OutletID(), outlet->DBServerID(), db);
    loader.SetResvDate(*day);
    loader.SetMPOutletID(period->MPOutletID());
    if (!loader.LoadFloorplans() || !loader.LoadTableStatuses()) {
        shell.Error(GetMLText("Cannot load the floor plans") + ": " + loader.ErrDescription());
        return;
    }
    const bool live = day->DateText() == DateTime::Now().DateText();
    if (!live) shell.Out("note	" + GetMLText("Live table states are shown for today only"));
    PrintPlans(shell, loader);
    PrintTables(shell, loader, *db, live);
}

}  // namespace

void AddVenueCommands(Shell& shell) {
    shell.Add({"outlets", "outlets",
               "List your outlets: code, ID, name, database server ID and code", ListOutlets});
    shell.Add({"periods", "periods OUTLET",
               "List the meal periods of an outlet: ID, code, name, start, end of the first "
               "part, start of the second part, end",
               ListPeriods});
    shell.Add(
        {"period", "period OUTLET HH:MM", "Show the meal period of a time of day", PeriodOfTime});
    shell.Add({"plan", "plan OUTLET DATE PERIOD",
               "Show the floor plans in force and the state of every table", ShowPlan});
}
