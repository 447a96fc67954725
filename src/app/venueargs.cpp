#include "app/venueargs.h"

#include <algorithm>
#include <cctype>

#include "app/shell.h"
#include "core/globals.h"
#include "core/mltext.h"
#include "registry/dbconnections.h"
#include "users/user.h"
#include "venue/outlets.h"
#include "venue/recordfields.h"

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
    SQLDB* db = DefaultSQLDB();
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

SQLDB* OutletSQLDB(Shell& shell, const Outlet& outlet) {
    SQLDB* db = g_oDBConns != nullptr ? g_oDBConns->GetSQLDB(outlet.DBServerID()) : nullptr;
    if (db == nullptr) {
        shell.Error(GetMLText("The database server of the outlet is not available") + ": " +
                    std::to_string(outlet.DBServerID()));
    }
    return db;
}
