// The console command of the availability statistics: per table size, per
// party size, per capacity interval, then the panel figures.
#include <optional>
#include <string>
#include <vector>

#include "app/sessionfunc.h"
#include "app/shell.h"
#include "app/venueargs.h"
#include "core/mltext.h"
#include "platform/textutil.h"
#include "reservations/kivfunc.h"
#include "reservations/resvstat.h"
#include "venue/mpoutlet.h"
#include "venue/outlet.h"
#include "venue/outlets.h"
#include "views/businessdate.h"

namespace {

constexpr const char* kUsage = "stats OUTLET DATE PERIOD";

std::string Fields(const std::vector<int64_t>& values) {
    std::string line;
    for (int64_t v : values)
        line += "\t" + std::to_string(v);
    return line;
}

void PrintTables(Shell& shell, const TableStats& tables) {
    shell.BeginTable(TableLayout({"Seats", "Tables", "Booked", "Occupied", "Blocked",
                                  "Time-blocked", "Web allotment"})
                         .Skip(1));
    for (const auto& [size, t] : tables)
        shell.Out("tables" + Fields({t.TblCap, t.TblCnt, t.ResvCnt, t.ResvOcp, t.TblBkCnt,
                                     t.TblTmBkCnt, t.TblWebAllotCnt}));
}

void PrintParties(Shell& shell, const ResvStats& parties) {
    std::vector<std::string> columns = {"Party"};
    for (const char* kind : {"Normal", "Wait", "Walk-in", "Confirmed", "Not confirmed"})
        for (const char* what : {"", " covers", " adults", " children"})
            columns.push_back(std::string(kind) + what);
    columns.push_back("Cancelled");
    columns.push_back("Cancelled covers");
    shell.BeginTable(TableLayout(std::move(columns)).Skip(1));
    for (const ResvStat& p : parties) {
        std::vector<int64_t> values = {p.ReserveCover};
        for (const ResvCounts* c : {&p.Normal, &p.Wait, &p.Walk, &p.Confrim, &p.NotConfrim}) {
            values.insert(values.end(), {c->CoverCnt, c->Cover, c->Adult, c->Children});
        }
        values.insert(values.end(), {p.CxlCoverCnt, p.CxlCover});
        shell.Out("party" + Fields(values));
    }
}

void PrintIntervals(Shell& shell, const IntervalStats& intervals) {
    shell.BeginTable(TableLayout({"Start Time", "End Time", "Capacity", "Reserved"}).Skip(1));
    for (const IntervalStat& i : intervals)
        shell.Out("interval\t" + i.StartTime + "\t" + i.EndTime +
                  Fields({i.Capacity, i.ReserveCover}));
}

void ShowStats(Shell& shell, const std::vector<std::string>& args) {
    if (!CheckArgs(shell, args, 3, kUsage)) return;
    Outlets outlets;
    const Outlet* outlet = FindOutlet(shell, outlets, args[0]);
    if (outlet == nullptr) return;
    // "today" is the business date: past midnight a supper still belongs to
    // the evening it started.
    const std::optional<DateTime> day = UpperAscii(args[1]) == "TODAY"
                                            ? BusinessDate(outlet->GetMPOutlets(), DateTime::Now())
                                            : ParseDay(shell, args[1]);
    if (!day) return;
    const MPOutlet* period = FindPeriod(shell, *outlet, args[2]);
    if (period == nullptr || OutletSQLDB(shell, *outlet) == nullptr) return;
    SessionFunc func(shell);
    TableStats tables;
    ResvStats parties;
    IntervalStats intervals;
    const int32_t id = outlet->OutletID(), mp = period->MPOutletID();
    if (!func->GetTableStat(id, *day, mp, tables) || !func->GetResvStat(id, *day, mp, parties) ||
        !func->GetResvStatByInterval(id, *day, mp, intervals)) {
        shell.Error(GetMLText("Cannot read the statistics") + ": " + func->ErrDescription());
        return;
    }
    PrintTables(shell, tables);
    PrintParties(shell, parties);
    PrintIntervals(shell, intervals);
    shell.BeginTable(TableLayout({"Figure", "Value"}).Skip(1));
    for (const StatFigure& f : StatPanelFigures(tables, intervals, outlet->AllotmentType() == 2))
        shell.Out("figure\t" + f.Name + "\t" + std::to_string(f.Value));
}

}  // namespace

void AddStatsCommands(Shell& shell) {
    shell.Add({"stats", kUsage,
               "Availability of a meal period: tables per size, reservations per party size, "
               "covers per interval and the panel figures",
               ShowStats});
}
