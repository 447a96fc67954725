#pragma once
// Availability statistics of one outlet, date and meal period: per table
// size (tables, booked, blocked, held back, kept for the web), per party
// size (reservations of each kind) and per capacity interval (covers booked
// against the interval's capacity). KIVFunc::GetTableStat, GetResvStat and
// GetResvStatByInterval fill them; the panel figures derive from them.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// System parameters (module "CONFIG", integer, 1 = on) of the statistics.
// Settled reservations ('C') count as bookings of the period.
inline constexpr const char* kStatIncludeSettledParam = "StatIncludeSettled";
// Race-meeting sites: tables whose booking window has not opened yet count
// as held back (TblTmBkCnt).
inline constexpr const char* kStatBookingWindowParam = "StatBookingWindowHold";

// One table size.
struct TableStat {
    int32_t TblCap = 0;          // seats of the size
    int32_t TblCnt = 0;          // tables on the plans in force
    int32_t ResvCnt = 0;         // tables bound to reservations
    int32_t ResvOcp = 0;         // seats occupied on them
    int32_t TblBkCnt = 0;        // tables blocked for the date and meal period
    int32_t TblTmBkCnt = 0;      // tables held back by booking window
    int32_t TblWebAllotCnt = 0;  // kept for web bookings (covers where the allotment counts covers)
};
// Keyed by table size, smallest first.
using TableStats = std::map<int32_t, TableStat>;

// Count and sums of one kind of reservation.
struct ResvCounts {
    int32_t CoverCnt = 0;
    int32_t Cover = 0;
    int32_t Adult = 0;
    int32_t Children = 0;
};

// One party size (`ReserveCover`).
struct ResvStat {
    int32_t ReserveCover = 0;
    ResvCounts Normal;      // reservations other than walk-ins
    ResvCounts Wait;        // waiting list
    ResvCounts Walk;        // walk-ins
    ResvCounts Confrim;     // confirmed reservations
    ResvCounts NotConfrim;  // reservations not confirmed
    int32_t CxlCoverCnt = 0;
    int32_t CxlCover = 0;
};
using ResvStats = std::vector<ResvStat>;

// One interval of the meal period's capacity.
struct IntervalStat {
    std::string StartTime;  // "hh:mm"
    std::string EndTime;
    int32_t Capacity = 0;
    int32_t ReserveCover = 0;
};
using IntervalStats = std::vector<IntervalStat>;

// One figure of the statistics panel.
struct StatFigure {
    std::string Name;
    int64_t Value = 0;
};

// The panel figures, in seats:
//   outlet_capacity  seats of the tables on the plans in force
//   occupied         seats occupied by bookings
//   blocked          seats of blocked tables
//   time_blocked     seats of tables held back by booking window
//   allotment        seats kept for web bookings (the allotment itself
//                    where it counts covers: `allotInCovers`)
//   available        outlet_capacity - blocked - time_blocked - allotment
//   remaining        available - occupied (negative when over-booked)
//   turnover         covers the meal period takes over its intervals (sum
//                    of the intervals' capacities)
// Listed in the order remaining, available, outlet_capacity, turnover,
// occupied, blocked, time_blocked, allotment.
std::vector<StatFigure> StatPanelFigures(const TableStats& tables, const IntervalStats& intervals,
                                         bool allotInCovers);
