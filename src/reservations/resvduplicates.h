#pragma once
// Duplicate reservations: earlier active bookings of the same guest at the
// same outlet, date and meal period. A booking is matched when it belongs to
// the same guest profile (not the placeholder guest), or when every field
// whose DuplicateResvCriteria is "SAME" holds the same value in both (all
// such fields must be filled in the new booking). Other criteria codes and
// NULL leave a field out.
#include <string>

class ProfileDefinition;
class Reservation;
class Reservations;
class SQLDB;

// The statement that finds the duplicates of `booking`; "" when no rule can
// match (no guest profile and no "SAME" field filled).
std::string DuplicateResvSQL(const ProfileDefinition* def, const Reservation& booking);
// The duplicates, each with every column of its row; false when the
// statement fails.
bool FindDuplicateResvs(SQLDB& db, const ProfileDefinition* def, const Reservation& booking,
                        Reservations& out);
