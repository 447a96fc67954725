#pragma once
// Console commands that change reservations, bindings, holds and blocks
// through the reservation operations, each change announced to the other
// workstations.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/resvfind.h"
#include "core/errorstate.h"
#include "platform/datetime.h"
#include "reservations/reservation.h"
#include "venue/outlets.h"

class Shell;
class ProfileDefinition;
class SQLDB;
class Outlet;

// Shared by the commands that act on one reservation.

// A front-end right of the catalogue: index and sub-index (bit number);
// false after a line saying so.
bool HasRight(Shell& shell, int index, int sub);
// Every column of the reservation row, by name.
bool LoadResvRow(SQLDB& db, int32_t id, Reservation& r);

// [OUTLET] ID among `args` (options removed); the row read whole.
struct Target {
    Outlets outlets;
    Found found;
    int32_t id = 0;
    Reservation r;
};
bool OpenTarget(Shell& shell, const std::vector<std::string>& args, Target& t);
bool RequireActive(Shell& shell, const Target& t);
std::optional<DateTime> ResvDate(const Reservation& r);
// ": " and the message of a failed operation (a POS refusal: the POS's own
// text); "" when there is none.
std::string FailureReason(const ErrorState& from);

// Splits "--name value" options (and bare flags) from the positional words.
struct Options {
    std::vector<std::string> words;
    std::map<std::string, std::string> values;
    bool Has(const std::string& name) const { return values.count(name) != 0; }
};
bool ReadOptions(Shell& shell, const std::vector<std::string>& args,
                 const std::vector<std::string>& withValue, const std::vector<std::string>& flags,
                 Options& o);

// Writes the edited fields of the form through DBResvUpdate (with the
// update count, the audit columns and the reservation log row) and
// announces the change. A new date, time or meal period first re-checks the
// reservation's tables with the hold rule. False, after a line saying why,
// when nothing was written.
bool UpdateResvAnnounced(Shell& shell, ProfileDefinition& def, SQLDB& db, const Outlet& outlet,
                         Reservation& resv);
