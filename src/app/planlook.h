#pragma once
// What a drawn floor plan shows of each table, worked out from the view so
// the window only paints: the colour by the colour definitions, the held,
// blocked and shared marks, and the reservations placed on the table. Also
// the search of the day's list. No widget code: the console and the desk
// window share it.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/datetime.h"
#include "venue/tablecolor.h"

class ColorDefs;
class PlanView;
class Reservation;
class SQLDB;
class TableStatus;

// One reservation on a table as the plan writes it.
struct TableBooking {
    int32_t reserveID = 0;
    std::string time;    // "hh:nn"
    std::string covers;  // ReserveCover
    std::string name;    // DYLastName
};

struct TableLook {
    std::string state;     // the state code; "-" where the date has no live state
    int32_t color = -1;    // 0xRRGGBB; -1 where the date has no live state
    bool held = false;     // a workstation holds it
    bool blocked = false;  // blocked for the date
    bool shared = false;   // drawn on more than one plan in force
    std::string blockRemark;
    int32_t blockID = 0;                 // the block's TableBlockID when blocked
    std::vector<TableBooking> bookings;  // in reservation time order
};

// Arrival times of the reservations seated on vacant tables (such a table
// paints in the arrived colour), or of every seated reservation with
// `anyState` (colours by time). Keyed by ReserveID.
std::map<int32_t, DateTime> SeatedArrivals(SQLDB& db, const std::vector<const TableStatus*>& tables,
                                           bool anyState);

// The look of table `tableNo` of `view` (which must hold a status for it).
// `arrivals` come from SeatedArrivals; colours only for views with live states.
TableLook LookOfTable(PlanView& view, const std::string& tableNo, const ColorDefs& colors,
                      ColorMode mode, const std::map<int32_t, DateTime>& arrivals,
                      const DateTime& now);

// Whether a reservation is found by `text`: its number exactly, or the text
// inside the guest's last or first name or contact phone, ignoring case.
// Empty text finds every reservation.
bool ReservationMatches(const Reservation& r, const std::string& text);
