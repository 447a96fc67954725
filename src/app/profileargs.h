#pragma once
// What the guest and reservation commands share: loading a profile
// definition, FIELD=VALUE arguments entered through the fields, and one
// line per field with its shown text.
#include <memory>
#include <string>
#include <utility>
#include <vector>

class Shell;
class ProfileDefinition;
class ProfileField;
class Reservation;
class Outlet;

using Assignments = std::vector<std::pair<std::string, std::string>>;

// The definition of an operation in the user's language, read on the
// default connection; nullptr (and a line saying so) when it cannot be read.
std::unique_ptr<ProfileDefinition> LoadDefinition(Shell& shell, int operation);
// FIELD=VALUE words; false (and a line saying so) for a word without "=".
bool ReadAssignments(Shell& shell, const std::vector<std::string>& words, Assignments& out);
// Enters every value into its field. A field must exist, be one the form
// may change (`forNew`: creating, else updating) and live in the record's
// table; every refusal is printed, and false means nothing is to be written.
bool ApplyAssignments(Shell& shell, ProfileDefinition& def, const Assignments& values, bool forNew,
                      bool guestTable);
// "MPOutletID=CODE-or-ID" among `values` moves the reservation to another
// meal period of its outlet: the word is taken out of `values` and the
// period becomes a field of the form (added when the definition lacks it),
// loaded with the reservation's period. False (and a line) for a period
// the outlet does not have.
bool ApplyPeriodArgument(Shell& shell, ProfileDefinition& def, const Reservation& resv,
                         const Outlet& outlet, Assignments& values);
// The rules every reservation edit keeps, over the fields the edit
// changed: party counts, and a booked time inside the booking's meal
// period. Every refusal is printed; false means nothing is to be written.
bool CheckReservationEdit(Shell& shell, const ProfileDefinition& def, const Reservation& resv,
                          const Outlet& outlet);
// The shown text of a stored value, through the field's control.
std::string DisplayText(ProfileField& field, const std::string& stored);
// "field", code, caption, shown text: one line per field the form shows.
void PrintFields(Shell& shell, ProfileDefinition& def, const Reservation& record);
