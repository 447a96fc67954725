// Shell commands of the venue: the permitted outlets, their meal periods,
// the meal period of a time, and the tables of the plans in force.
#include <algorithm>
#include <cctype>
#include <map>
#include <optional>

#include "app/shell.h"
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

bool AllDigits(const std::string& s) {
    return !s.empty() && s.size() <= 9 &&
           std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
}

// The name in the user's language, English when that one is blank.
std::string LocalName(const std::string& inLanguage, const std::string& english) {
    return inLanguage.empty() ? english : inLanguage;
}

// Tabs and line breaks of free texts would split a record.
std::string OneField(std::string s) {
    std::replace_if(
        s.begin(), s.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
    return s;
}

std::string HourMinute(const DateTime& t) {
    return t.Format("hh:nn");
}

bool Permitted(int32_t outletID) {
    if (g_oUser == nullptr) return false;
    for (const auto& [code, id] : g_oUser->Outlets())
        if (id == outletID) return true;
    return false;
}

bool CheckArgs(Shell& shell, const std::vector<std::string>& args, std::size_t count,
               const std::string& usage) {
    if (args.size() == count) return true;
    shell.Error(GetMLText("Usage") + ": " + usage);
    return false;
}

// Every active outlet, read on the default connection.
bool LoadOutlets(Shell& shell, Outlets& outlets) {
    SQLDB* db = g_oDBConns != nullptr ? g_oDBConns->GetDefaultSQLDB() : nullptr;
    if (db != nullptr && outlets.Load(*db)) return true;
    shell.Error(GetMLText("Cannot load the outlets"));
    return false;
}

// OUTLET is a code (any case) or an id; the user must be permitted to use it.
const Outlet* FindOutlet(Shell& shell, Outlets& outlets, const std::string& arg) {
    if (!LoadOutlets(shell, outlets)) return nullptr;
    const Outlet* found = nullptr;
    for (const auto& [id, outlet] : outlets.Items()) {
        const bool byID = AllDigits(arg) && std::stol(arg) == id;
        if (byID || UpperAscii(outlet->OutletCode()) == UpperAscii(arg)) {
            found = outlet.get();
            break;
        }
    }
    if (found == nullptr) {
        shell.Error(GetMLText("Unknown outlet") + ": " + arg);
    } else if (!Permitted(found->OutletID())) {
        shell.Error(GetMLText("You are not permitted to use this outlet") + ": " + arg);
        found = nullptr;
    }
    return found;
}

// PERIOD is a meal-period code (any case) or id of the outlet.
const MPOutlet* FindPeriod(Shell& shell, const Outlet& outlet, const std::string& arg) {
    for (const auto& [id, period] : outlet.GetMPOutlets().Items()) {
        const bool byID = AllDigits(arg) && std::stol(arg) == id;
        if (byID || UpperAscii(period.MPCode()) == UpperAscii(arg)) return &period;
    }
    shell.Error(GetMLText("Unknown meal period") + ": " + arg);
    return nullptr;
}

std::optional<DateTime> ParseDay(Shell& shell, const std::string& arg) {
    if (UpperAscii(arg) == "TODAY") return DateTime::Now().DatePart();
    std::optional<DateTime> day;
    if (arg.size() == 10 && arg[4] == '-' && arg[7] == '-') day = DateTime::Parse(arg);
    if (!day) shell.Error(GetMLText("Invalid date (use yyyy-mm-dd or today)") + ": " + arg);
    return day;
}

std::optional<DateTime> ParseTimeOfDay(Shell& shell, const std::string& arg) {
    const auto colon = arg.find(':');
    if (colon != std::string::npos && colon >= 1 && colon <= 2 && arg.size() == colon + 3 &&
        AllDigits(arg.substr(0, colon)) && AllDigits(arg.substr(colon + 1))) {
        const int hour = std::stoi(arg.substr(0, colon));
        const int minute = std::stoi(arg.substr(colon + 1));
        if (hour <= 23 && minute <= 59) return DateTime{1900, 1, 1, hour, minute, 0, 0};
    }
    shell.Error(GetMLText("Invalid time (use HH:MM)") + ": " + arg);
    return std::nullopt;
}

void ListOutlets(Shell& shell, const std::vector<std::string>& args) {
    Outlets outlets;
    if (!CheckArgs(shell, args, 0, "outlets") || !LoadOutlets(shell, outlets)) return;
    for (const auto& [id, outlet] : outlets.Items()) {
        if (!Permitted(id)) continue;
        const DBServer* server = g_oDBConns->GetDBServer(outlet->DBServerID());
        shell.Out(outlet->OutletCode() + "\t" + std::to_string(id) + "\t" +
                  LocalName(outlet->Name(g_nLanguage), outlet->NameL1()) + "\t" +
                  std::to_string(outlet->DBServerID()) + "\t" +
                  (server != nullptr ? server->DBServerCode() : std::string()));
    }
}

std::string PeriodLine(const MPOutlet& p) {
    return std::to_string(p.MPOutletID()) + "\t" + p.MPCode() + "\t" +
           LocalName(p.Name(g_nLanguage), p.NameL1());
}

void ListPeriods(Shell& shell, const std::vector<std::string>& args) {
    Outlets outlets;
    if (!CheckArgs(shell, args, 1, "periods OUTLET")) return;
    const Outlet* outlet = FindOutlet(shell, outlets, args[0]);
    if (outlet == nullptr) return;
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

void PrintTables(Shell& shell, PlanLoader& loader, SQLDB& db) {
    ColorDefs colors;
    if (SQLDB* config = g_oDBConns->GetDefaultSQLDB()) colors.Load(*config);
    const std::map<int32_t, DateTime> arrivals = ArrivalTimes(db, loader.TableStatuses());
    const DateTime now = DateTime::Now();
    for (const auto& [fpID, plan] : loader.FloorPlans()) {
        for (const auto& [no, table] : plan->FPTables()) {
            const TableStatus& s = *loader.GetTableStatus(no);
            auto arrival = arrivals.find(s.ReserveID());
            std::optional<DateTime> arrived;
            if (arrival != arrivals.end()) arrived = arrival->second;
            const int32_t color = TableColor(colors, s, ColorMode::ByState, arrived, now);
            shell.Out("table\t" + no + "\t" + plan->FPCode() + "\t" +
                      std::to_string(table.TCapacity()) + "\t" + s.GetTableStatus() + "\t" +
                      (s.TableLock() ? "1" : "0") + "\t" + (s.Block() ? "1" : "0") + "\t" +
                      OneField(s.BlockUserName()) + "\t" + OneField(s.BlockRemark()) + "\t" +
                      ColorHex(color) + "\t" + (loader.IsDuplicate(no) ? "1" : "0"));
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
    SQLDB* db = g_oDBConns->GetSQLDB(outlet->DBServerID());
    if (db == nullptr) {
        shell.Error(GetMLText("The database server of the outlet is not available") + ": " +
                    std::to_string(outlet->DBServerID()));
        return;
    }
    PlanLoader loader(kModule);
    loader.SetOutlet(outlet->OutletID(), outlet->DBServerID(), db);
    loader.SetResvDate(*day);
    loader.SetMPOutletID(period->MPOutletID());
    if (!loader.LoadFloorplans() || !loader.LoadTableStatuses()) {
        shell.Error(GetMLText("Cannot load the floor plans") + ": " + loader.ErrDescription());
        return;
    }
    if (loader.FloorPlans().Count() == 0) shell.Out(GetMLText("No floor plan in force"));
    for (const auto& [id, plan] : loader.FloorPlans()) {
        shell.Out("plan\t" + std::to_string(id) + "\t" + plan->FPCode() + "\t" +
                  LocalName(plan->Name(g_nLanguage), plan->NameL1()) + "\t" +
                  std::to_string(plan->SeqNo()) + "\t" + std::to_string(plan->Capacity()));
    }
    PrintTables(shell, loader, *db);
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
