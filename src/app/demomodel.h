#pragma once
// The demo installation's venue, described once: accounts, outlets on two
// database servers, meal periods (a split lunch, suppers past midnight),
// floor plans with sections and table groups, and which plans are in force
// by default, on weekends and on one event date.
#include <climits>
#include <vector>

struct DemoOutlet {
    int id;
    int account;
    int server;
    const char* code;
    const char* name;
    const char* nameL2;
    const char* posCode;
    bool web;           // takes web bookings
    int allotmentType;  // 1 tables, 2 covers
    int seatedMP;       // today's meal period in progress (parties seated)
    int todayCount;     // reservations on today at scale 1
    int nearCount;      // ... on yesterday and tomorrow
    int dayCount;       // ... on every other day
};

struct DemoMealPeriod {
    int id;
    int outlet;
    const char* code;
    const char* name;
    const char* nameL2;
    const char* start;
    const char* end1;    // split periods: end of the first part
    const char* start2;  // split periods: start of the second part
    const char* end;
    int weight;  // share of the outlet's reservations, percent
};

struct DemoPlan {
    int id;
    int outlet;
    const char* code;
    const char* name;
    const char* nameL2;
    int bgColor;
};

struct DemoSection {
    int id;
    int outlet;
    const char* code;
    const char* name;
    const char* nameL2;
};

// A run of tables "prefix1".."prefixN" on one plan; capacities cycle through
// `capacities`; `scaled` runs grow with --scale.
struct DemoTableGroup {
    int plan;
    int section;
    const char* prefix;
    int first;
    int count;
    bool scaled;
    std::vector<int> capacities;
    int shape;        // 1 square, 2 round, 3 rectangle
    const char* tt1;  // table-type attribute 1
    bool mergePairs;  // odd tables merge with the next
    int shareCount;   // > 0: shared by up to that many parties
};

inline constexpr int kNoDate = INT_MIN;

struct DemoAssignment {
    int plan;
    int outlet;
    int mealPeriod;     // 0 = every meal period of the outlet
    int calendarGroup;  // 0 = none
    int dayOffset;      // kNoDate = no business date
    int seqNo;
};

struct DemoCalendarGroup {
    int id;
    const char* code;
    const char* name;
    const char* nameL2;
};

const std::vector<DemoOutlet>& DemoOutlets();
const std::vector<DemoMealPeriod>& DemoMealPeriods();
const std::vector<DemoPlan>& DemoPlans();
const std::vector<DemoSection>& DemoSections();
const std::vector<DemoTableGroup>& DemoTableGroups();
const std::vector<DemoAssignment>& DemoAssignments();
const std::vector<DemoCalendarGroup>& DemoCalendarGroups();

inline constexpr int kWeekendGroup = 1;
inline constexpr int kHolidayGroup = 2;
inline constexpr int kEventDayOffset = 3;  // the private-event date, days after today
inline constexpr int kHolidayOffsets[] = {-20, 10};
