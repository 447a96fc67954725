#pragma once
// The web-allotment check: an outlet that takes web bookings keeps part of
// its tables (or covers) for them; a staff booking may neither eat into that
// part nor exceed what is free for the meal period.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/datetime.h"

class Outlet;
class SQLDB;

// A table of the booking and its size (the capacity class it counts in).
struct AllotTable {
    std::string TableNo;
    int32_t Capacity = 0;
};

// True when the booking may be saved. Nothing is checked when the "WebBooking"
// parameter is off, the outlet takes no web bookings or its allotment kind is
// neither 1 (tables) nor 2 (covers). `reserveID` is the reservation being
// checked (0 for a new one): its own tables count once, as free for it. An
// internet booking (`internetBooking`) may use the part kept for the web.
// Each refusal is shown as a warning box and, in English, left in `message`.
bool UpdateResvCheckWebAllotment(SQLDB& db, int32_t reserveID,
                                 const std::vector<AllotTable>& tables, int32_t covers,
                                 const DateTime& date, const Outlet& outlet, int32_t mpOutletID,
                                 bool internetBooking, std::string* message = nullptr);
