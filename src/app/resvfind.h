#pragma once
// Finding a reservation by [OUTLET] ID for the console commands.
#include <cstdint>
#include <string>
#include <vector>

class Shell;
class SQLDB;
class Outlet;
class Outlets;

// Where a reservation lives: the outlet's server and the outlet.
struct Found {
    SQLDB* db = nullptr;
    const Outlet* outlet = nullptr;
};

// `args` is [OUTLET] ID. Reservation ids are numbered per database server:
// without OUTLET every server of the user's outlets is asked, and an id
// found on two needs the outlet. False (and a line saying why) otherwise.
bool FindReservation(Shell& shell, Outlets& outlets, const std::vector<std::string>& args,
                     int32_t& id, Found& found);
