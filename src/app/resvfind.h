#pragma once
// Finding a reservation by [OUTLET] ID for the console commands.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "profiles/profiledefinition.h"
#include "reservations/reservation.h"
#include "venue/outlets.h"

class Shell;
class SQLDB;
class Outlet;
class Outlets;
class ProfileDefinition;

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

// A reservation found by [OUTLET] ID and read through the telephone booking
// form (its fields hold the stored values).
struct Opened {
    Outlets outlets;  // owns found.outlet
    int32_t id = 0;
    Found found;
    std::unique_ptr<ProfileDefinition> def;
    Reservation r;
};
// False (and a line saying why) when the reservation cannot be found or read.
bool OpenReservation(Shell& shell, const std::vector<std::string>& target, Opened& o);
// Writes the form's edited fields (checked first) and announces the change:
// "No change" or "Reservation updated: ID". False after a line saying why.
bool SaveReservationEdit(Shell& shell, Opened& o);
