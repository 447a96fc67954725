// Shell commands of the venue: the permitted outlets, their meal periods,
// the meal period of a time, and the tables of the plans in force.
#include <algorithm>
#include <cctype>
#include <map>
#include <optional>

#include "app/shell.h"
#include "app/venueargs.h"
#include "core/globals.h"
#include "core/mltext.h"
#include "data/dbconnections.h"
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

// Arrival times of the reservations seated on vacant tables: such a table
// paints in the arrived colour.
std::map<int32_t, DateTime> ArrivalTimes(SQLDB& db, const TableStatusMap& statuses) {
    std::string ids;
    for (const auto& [no, s] : statuses) {
        if (s->ReserveID() >= 1 && s->GetTableStatus() == "V")
            ids += (ids.empty() ? "" : ",") + std::to_string(s->ReserveID());
    }
    std::map<int32_t, DateTime> arrivals;
    if (ids.empty()) return arrivals;
    auto rs = db.RunSQLReturnRS(
        "SELECT ReserveID, ArrivalTime FROM tbl_Reservation WHERE "
        "ReserveID IN (" +
        ids + ")");
    for (; rs != nullptr && !rs->Eof(); rs->MoveNext()) {
        auto arrival = DateTime::Parse(FieldStr(rs.get(), "ArrivalTime"));
        if (arrival) arrivals[FieldLng(rs.get(), "ReserveID")] = *arrival;
    }
    return arrivals;
}

// The state as people read it: the code and the caption of its colour row.
std::string StateForPeople(const ColorDefs& colors, const std::string& code) {
    const ColorDef* def = colors.GetStatusColorDef(code);
    const std::string caption = def != nullptr ? def->Name(g_nLanguage) : std::string();
    return caption.empty() ? code : code + " " + caption;
}

// The live states belong to today: for another day the state and its colour
// are not known, while holds and blocks are read for that day.
void PrintTables(Shell& shell, PlanLoader& loader, SQLDB& db, bool live) {
    ColorDefs colors;
    if (SQLDB* config = g_oDBConns->GetDefaultSQLDB()) colors.Load(*config);
    const std::map<int32_t, DateTime> arrivals = ArrivalTimes(db, loader.TableStatuses());
    const DateTime now = DateTime::Now();
    shell.BeginTable(TableLayout({"Table", "Plan", "Seats", "State", "Held", "Blocked",
                                  "Blocked by", "Remark", "Colour", "Shared"})
                         .Skip(1)
                         .SortBy({1, 0}));
    for (const auto& [fpID, plan] : loader.FloorPlans()) {
        for (const auto& [no, table] : plan->FPTables()) {
            const TableStatus& s = *loader.GetTableStatus(no);
            std::string state = "-", color;
            if (live) {
                auto arrival = arrivals.find(s.ReserveID());
                std::optional<DateTime> arrived;
                if (arrival != arrivals.end()) arrived = arrival->second;
                color = ColorHex(TableColor(colors, s, ColorMode::ByState, arrived, now));
                state = shell.ForPeople() ? StateForPeople(colors, s.GetTableStatus())
                                          : s.GetTableStatus();
            }
            shell.Out("table\t" + no + "\t" + plan->FPCode() + "\t" +
                      std::to_string(table.TCapacity()) + "\t" + state + "\t" +
                      (s.TableLock() ? "1" : "0") + "\t" + (s.Block() ? "1" : "0") + "\t" +
                      OneField(s.BlockUserName()) + "\t" + OneField(s.BlockRemark()) + "\t" +
                      color + "\t" + (loader.IsDuplicate(no) ? "1" : "0"));
        }
    }
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
    if (!live) shell.Out("note\t" + GetMLText("Live table states are shown for today only"));
    if (loader.FloorPlans().Count() == 0) shell.Out(GetMLText("No floor plan in force"));
    shell.BeginTable(TableLayout({"Plan ID", "Plan", "Name", "Sequence", "Capacity"}).Skip(1));
    for (const auto& [id, plan] : loader.FloorPlans()) {
        shell.Out("plan\t" + std::to_string(id) + "\t" + plan->FPCode() + "\t" +
                  plan->Name(g_nLanguage) + "\t" + std::to_string(plan->SeqNo()) + "\t" +
                  std::to_string(plan->Capacity()));
    }
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
