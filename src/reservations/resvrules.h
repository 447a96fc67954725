#pragma once
// Rules a reservation's values keep whichever form or command changes them:
// the party counts, the booked time against the meal period, and the
// indicator pseudo-fields shown in lists.
#include <string>

#include "platform/datetime.h"

class MPOutlet;
class Reservation;

// Whether a count field's value is acceptable: ReserveCover a whole number
// of at least 1; ArrivalCover empty (not arrived) or at least 1; DYAdult and
// DYChildren empty or at least 0. Other fields pass. False with an English
// message (to translate) when refused.
bool CheckResvCount(const std::string& field, const std::string& value, std::string& message);

// Whether a time of day lies in the meal period: from its start up to (not
// including) its end, past midnight when the end is earlier than the start,
// and, for a period split into two parts with a pause between them, not in
// the pause.
bool TimeInMealPeriod(const MPOutlet& period, const DateTime& time);

// The indicator texts of a reservation: SYS_ResvIndicator_Status holds
// "INTERNET" for an internet booking (ReserveMode "I") and "PENDING" for a
// pending one (ReserveStatus "P"), both separated by a blank when both
// apply; SYS_ResvIndicator_Remark holds "REMARK" when the remark is not blank.
void FillResvIndicators(Reservation& r);
// The columns the indicators are worked out from.
inline constexpr const char* kResvIndicatorSources[] = {"ReserveMode", "ReserveStatus", "Remark"};
