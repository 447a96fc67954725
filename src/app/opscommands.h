#pragma once
// Console commands that change reservations, bindings, holds and blocks
// through the reservation operations, each change announced to the other
// workstations.
class Shell;
class ProfileDefinition;
class SQLDB;
class Outlet;
class Reservation;

// Writes the edited fields of the form through DBResvUpdate (with the
// update count, the audit columns and the reservation log row) and
// announces the change. A new date, time or meal period first re-checks the
// reservation's tables with the hold rule. False, after a line saying why,
// when nothing was written.
bool UpdateResvAnnounced(Shell& shell, ProfileDefinition& def, SQLDB& db, const Outlet& outlet,
                         Reservation& resv);
