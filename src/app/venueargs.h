#pragma once
// Arguments the console commands share: outlets by code or id among the
// signed-in user's, meal periods, dates and times of day, and the small
// output helpers. Each reader prints one line saying what is wrong and
// returns nothing when the argument does not do.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/datetime.h"

class Shell;
class Outlets;
class Outlet;
class MPOutlet;
class SQLDB;

bool AllDigits(const std::string& s);
// The name in the user's language, English when that one is blank.
std::string LocalName(const std::string& inLanguage, const std::string& english);
// Tabs and line breaks of free texts would split a record.
std::string OneField(std::string s);
// Whether the signed-in user may use the outlet.
bool Permitted(int32_t outletID);
// True when there are exactly `count` arguments; else prints the usage.
bool CheckArgs(Shell& shell, const std::vector<std::string>& args, std::size_t count,
               const std::string& usage);
// Every active outlet, read on the default connection.
bool LoadOutlets(Shell& shell, Outlets& outlets);
// OUTLET is a code (any case) or an id; the user must be permitted to use it.
const Outlet* FindOutlet(Shell& shell, Outlets& outlets, const std::string& arg);
// PERIOD is a meal-period code (any case) or id of the outlet.
const MPOutlet* FindPeriod(Shell& shell, const Outlet& outlet, const std::string& arg);
// "yyyy-mm-dd" or "today".
std::optional<DateTime> ParseDay(Shell& shell, const std::string& arg);
// "HH:MM".
std::optional<DateTime> ParseTimeOfDay(Shell& shell, const std::string& arg);
// The connection of the outlet's database server; nullptr (and a line
// saying so) when it is not available.
SQLDB* OutletSQLDB(Shell& shell, const Outlet& outlet);
