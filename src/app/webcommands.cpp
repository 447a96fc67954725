// Shell commands of the web booking service: the allotment grid of an
// outlet and date, edits of allotments and periods written back to the
// service, and the time slots opened or closed for web bookings.
#include <functional>
#include <optional>

#include "app/shell.h"
#include "app/venueargs.h"
#include "core/config.h"
#include "core/globals.h"
#include "core/mltext.h"
#include "platform/eventloop.h"
#include "platform/textutil.h"
#include "registry/dbconnections.h"
#include "reservations/weballotment.h"
#include "venue/outlets.h"

namespace {

constexpr const char* kAllotUsage = "web allot OUTLET DATE";
constexpr const char* kSetUsage = "web set OUTLET DATE WEBPERIOD SECTION SIZE N";
constexpr const char* kPeriodUsage = "web period OUTLET DATE WEBPERIOD active|inactive";
constexpr const char* kSlotUsage =
    "web slot OUTLET DATE PERIOD SIZE START END MINPAX active|inactive";

std::string Number(std::optional<int64_t> n) {
    return n ? std::to_string(*n) : "-";
}

std::optional<bool> ReadActive(Shell& shell, const std::string& arg) {
    const std::string word = UpperAscii(arg);
    if (word == "ACTIVE") return true;
    if (word == "INACTIVE") return false;
    shell.Error(GetMLText("Give active or inactive") + ": " + arg);
    return std::nullopt;
}

std::optional<int32_t> ReadCount(Shell& shell, const std::string& arg, const char* what) {
    if (AllDigits(arg) && arg.size() <= 6) return std::stoi(arg);
    shell.Error(GetMLText(what) + ": " + arg);
    return std::nullopt;
}

// The outlet, its web code, its database and the date of a web command;
// each step says what is wrong when it fails.
struct WebTarget {
    Outlets outlets;
    const Outlet* outlet = nullptr;
    std::string webCode;
    SQLDB* db = nullptr;
    DateTime date;

    bool Find(Shell& shell, const std::string& outletArg, const std::string& dateArg) {
        outlet = FindOutlet(shell, outlets, outletArg);
        if (outlet == nullptr) return false;
        const auto day = ParseDay(shell, dateArg);
        if (!day) return false;
        date = *day;
        SQLDB* defaultDB = DefaultSQLDB();
        bool failed = defaultDB == nullptr;
        if (!failed) webCode = WebBookingOutletCode(*defaultDB, outlet->OutletID(), failed);
        if (failed) {
            shell.Error(GetMLText("Cannot read the web booking outlets"));
            return false;
        }
        if (webCode.empty()) {
            shell.Error(GetMLText("This outlet takes no web bookings") + ": " +
                        outlet->OutletCode());
            return false;
        }
        db = OutletSQLDB(shell, *outlet);
        return db != nullptr;
    }
};

// A signed-in grid of the target's date; nullopt after saying why.
class WebSession {
  public:
    explicit WebSession(WebTarget& t)
        : service_(g_oConfig != nullptr ? WebKIVSettings::FromConfig(*g_oConfig) : WebKIVSettings{},
                   &MainLoop()),
          grid_(service_, *t.outlet, t.webCode, *t.db) {}
    bool Open(Shell& shell, const DateTime& date) {
        if (grid_.Open() && grid_.Read(date)) return true;
        shell.Error(grid_.FailureText());
        return false;
    }
    WebAllotment& Grid() { return grid_; }

  private:
    WebKIV service_;
    WebAllotment grid_;
};

void PrintUpdate(Shell& shell, const std::string& code, bool ok) {
    shell.Out("Outlet:" + code + (ok ? ",updated success!" : ",updated fail!"));
}

void ShowAllotments(Shell& shell, const std::vector<std::string>& args) {
    WebTarget t;
    if (!CheckArgs(shell, args, 2, kAllotUsage) || !t.Find(shell, args[0], args[1])) return;
    WebSession session(t);
    if (!session.Open(shell, t.date)) return;
    WebAllotment& w = session.Grid();
    shell.BeginTable(TableLayout(
        {"Period", "Start", "End", "State", "Section", "Table size", "Allotted", "Used", "Left"}));
    for (const WebAllotRow& row : w.Grid().Rows()) {
        shell.Out(OneField(row.periodName) + "\t" + row.start + "\t" + row.end + "\t" +
                  (row.active ? "Active" : "Inactive") + "\t" + OneField(row.section) + "\t" +
                  row.tableSize + "\t" + (row.allotted ? std::to_string(*row.allotted) : "") +
                  "\t" + Number(w.Used(row.period)) + "\t" +
                  (row.tableSize.empty() ? "-" : w.LeftOf(row)));
    }
}

// Reads the grid, applies `edit` and writes it back; `edit` says what is
// wrong and returns false when the edit does not fit the grid.
void EditAndSave(Shell& shell, WebTarget& t, const std::function<bool(WebAllotGrid&)>& edit) {
    WebSession session(t);
    if (!session.Open(shell, t.date)) {
        PrintUpdate(shell, t.webCode, false);
        return;
    }
    if (!edit(session.Grid().Grid())) return;
    const bool ok = session.Grid().Save();
    if (!ok) shell.Error(session.Grid().FailureText());
    PrintUpdate(shell, t.webCode, ok);
}

std::optional<std::size_t> FindWebPeriod(Shell& shell, const WebAllotGrid& grid,
                                         const std::string& name) {
    const auto period = grid.FindPeriod(name);
    if (!period) shell.Error(GetMLText("Unknown web period") + ": " + name);
    return period;
}

void SetAllotment(Shell& shell, const std::vector<std::string>& args) {
    WebTarget t;
    if (!CheckArgs(shell, args, 6, kSetUsage)) return;
    const auto size = ReadCount(shell, args[4], "Invalid table size");
    const auto number = size ? ReadCount(shell, args[5], "Invalid number") : std::nullopt;
    if (!number || !t.Find(shell, args[0], args[1])) return;
    EditAndSave(shell, t, [&](WebAllotGrid& grid) {
        const auto period = FindWebPeriod(shell, grid, args[2]);
        if (!period) return false;
        if (grid.SetAllotNum(*period, args[3], *size, *number)) return true;
        shell.Error(GetMLText("No allotment for this section and table size") + ": " + args[2] +
                    " " + args[3] + " " + args[4]);
        return false;
    });
}

void SetPeriodState(Shell& shell, const std::vector<std::string>& args) {
    WebTarget t;
    if (!CheckArgs(shell, args, 4, kPeriodUsage)) return;
    const auto active = ReadActive(shell, args[3]);
    if (!active || !t.Find(shell, args[0], args[1])) return;
    EditAndSave(shell, t, [&](WebAllotGrid& grid) {
        const auto period = FindWebPeriod(shell, grid, args[2]);
        return period && grid.SetPeriodActive(*period, *active);
    });
}

void SetTimeSlot(Shell& shell, const std::vector<std::string>& args) {
    WebTarget t;
    if (!CheckArgs(shell, args, 8, kSlotUsage) || !t.Find(shell, args[0], args[1])) return;
    const MPOutlet* period = FindPeriod(shell, *t.outlet, args[2]);
    if (period == nullptr) return;
    const auto size = ReadCount(shell, args[3], "Invalid table size");
    const auto start = size ? ParseTimeOfDay(shell, args[4]) : std::nullopt;
    const auto end = start ? ParseTimeOfDay(shell, args[5]) : std::nullopt;
    const auto minPax = end ? ReadCount(shell, args[6], "Invalid covers") : std::nullopt;
    const auto active = minPax ? ReadActive(shell, args[7]) : std::nullopt;
    if (!active) return;
    if (!SetTimeActiveWebKIV(*t.db, t.webCode, t.date, period->MPOutletID(), *start, *end, *size,
                             *minPax, *active)) {
        shell.Error(GetMLText("Cannot save the time slot") + ": " + t.db->ErrDescription());
        return;
    }
    shell.BeginTable(TableLayout(
        {"Outlet", "Date", "Meal period", "Start", "End", "Table size", "Min. covers", "State"}));
    shell.Out(t.webCode + "\t" + t.date.DateText() + "\t" + period->MPCode() + "\t" +
              start->Format("hh:nn") + "\t" + end->Format("hh:nn") + "\t" + std::to_string(*size) +
              "\t" + std::to_string(*minPax) + "\t" + (*active ? "Active" : "Inactive"));
}

}  // namespace

void AddWebCommands(Shell& shell) {
    shell.Add({"web allot", kAllotUsage,
               "Show the web allotments of a date: period, start, end, state, section, table "
               "size, allotted, used, left",
               ShowAllotments});
    shell.Add({"web set", kSetUsage, "Set the web allotment of a period, section and table size",
               SetAllotment});
    shell.Add(
        {"web period", kPeriodUsage, "Open or close a web period for a date", SetPeriodState});
    shell.Add({"web slot", kSlotUsage,
               "Open or close a booking time of a table size for web bookings", SetTimeSlot});
}
