#pragma once
// WebAllotment: the web allotment grid of one outlet as staff work on it.
// Opening signs in to the web booking service; reading fetches a date's
// configuration and adds what web bookings already use; saving writes the
// edited configuration back; closing signs out. A failed read leaves the
// grid as it was. Also the outlet's web code and the time-slot rows that
// open or close booking times for the web.
#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "core/errorstate.h"
#include "messaging/webgrid.h"
#include "messaging/webkiv.h"
#include "platform/datetime.h"

class SQLDB;
class Outlet;
class MPOutlets;

// The outlet's code at the web booking service, from
// "sp_WebKIV_GetWebBookingOutlet"; "" when the outlet takes no web bookings.
// `failed` is set when the procedure could not be run.
std::string WebBookingOutletCode(SQLDB& db, int32_t outletID, bool& failed);

// The meal period a web period belongs to, by the web period's start time
// ("hh:nn"): the period that starts at that time, else the first that
// contains it; -1 when none does or the time is unreadable.
int32_t WebPeriodMealPeriod(const MPOutlets& periods, const std::string& start);

// Covers of the outlet's active web bookings (ReserveMode 'I') on the date
// in the meal period; nullopt (logged) when the query fails.
std::optional<int64_t> WebBookedCovers(SQLDB& db, int32_t outletID, int32_t mpOutletID,
                                       const DateTime& date);

// Opens (`active`) or closes a booking time of one table size for the web:
// removes the closed slots of that size for the date and meal period, then
// writes the slot. Writes the outlet's database only.
bool SetTimeActiveWebKIV(SQLDB& db, const std::string& outletCode, const DateTime& date,
                         int32_t mpOutletID, const DateTime& start, const DateTime& end,
                         int32_t tableSize, int32_t minPax, bool active);

class WebAllotment : public ErrorState {
  public:
    // `webCode` is the outlet's code at the service; `db` its database.
    WebAllotment(WebKIV& service, const Outlet& outlet, std::string webCode, SQLDB& db);
    ~WebAllotment();
    WebAllotment(const WebAllotment&) = delete;
    WebAllotment& operator=(const WebAllotment&) = delete;

    // Signs in; false when no session was given.
    bool Open();
    // Reads the date's configuration into the grid and counts what web
    // bookings use per period. False, the grid unchanged, on any failure.
    bool Read(const DateTime& date);
    // Sends the edited grid for the date last read; true when the service
    // reports the update done.
    bool Save();
    // Signs out (also done when the object goes).
    void Close();

    WebAllotGrid& Grid() { return grid_; }
    const WebAllotGrid& Grid() const { return grid_; }
    const std::string& WebCode() const { return webCode_; }
    // The meal period of a grid period (-1: none) and the covers its web
    // bookings use (nullopt: no meal period, or the count failed).
    int32_t MealPeriodOf(std::size_t period) const;
    std::optional<int64_t> Used(std::size_t period) const;
    // "-" or allotted minus used, for a grid row.
    std::string LeftOf(const WebAllotRow& row) const;
    // A sentence for the user about the last failure.
    const std::string& FailureText() const { return failureText_; }

  private:
    void Fail(const std::string& procedure, const std::string& text);

    WebKIV& service_;
    const Outlet& outlet_;
    std::string webCode_;
    SQLDB& db_;
    WebAllotGrid grid_;
    std::optional<DateTime> date_;
    std::map<std::size_t, int32_t> mealPeriod_;
    std::map<std::size_t, std::optional<int64_t>> used_;
    std::string failureText_;
};
