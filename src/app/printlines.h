#pragma once
// Output lines several console commands share: the plans in force and their
// tables (`plan`, `view`) and the day's reservation list (`resv list`, `view`).
#include <string>

class Shell;
class PlanLoader;
class SQLDB;
class ProfileDefinition;
class Reservations;

// One `plan` line per plan in force: FPID, code, name, sequence, capacity.
void PrintPlans(Shell& shell, const PlanLoader& loader);
// One `table` line per table of each plan (a number on two plans under
// each). Without `liveStates` the state is "-" and the colour empty: another
// date has no live state, only its holds and blocks.
void PrintTables(Shell& shell, PlanLoader& loader, SQLDB& db, bool liveStates = true);
// A header line of the definition's list columns, then one line per
// reservation: its ID and the shown text of every column.
void PrintResvList(Shell& shell, ProfileDefinition& def, const Reservations& list);
