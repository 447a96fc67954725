#include "app/demomodel.h"

const std::vector<DemoOutlet>& DemoOutlets() {
    static const std::vector<DemoOutlet> v = {
        {1, 1, 1, "HBR", "Harbour Grill", "海港扒房", "HG", true, 1, 12, 100, 30, 10},
        {2, 2, 1, "JDE", "Jade Garden", "翡翠園", "JG", false, 1, 21, 40, 20, 9},
        {3, 1, 2, "SKY", "Sky Lounge", "天際酒廊", "SL", true, 2, 31, 40, 20, 9},
    };
    return v;
}

// A period that is not split has its first part run to the end and no second part.
const std::vector<DemoMealPeriod>& DemoMealPeriods() {
    static const std::vector<DemoMealPeriod> v = {
        {11, 1, "01BRK", "Breakfast", "早餐", "07:00:00", "10:30:00", "10:30:00", "10:30:00", 15},
        {12, 1, "02LUN", "Lunch", "午餐", "11:30:00", "13:15:00", "13:15:00", "15:00:00", 40},
        {13, 1, "03DIN", "Dinner", "晚餐", "18:00:00", "22:30:00", "22:30:00", "22:30:00", 45},
        {21, 2, "01LUN", "Lunch", "午市", "11:00:00", "13:00:00", "13:15:00", "15:00:00", 40},
        {22, 2, "02DIN", "Dinner", "晚市", "17:30:00", "21:30:00", "21:30:00", "21:30:00", 45},
        {23, 2, "03SUP", "Supper", "宵夜", "22:00:00", "02:00:00", "02:00:00", "02:00:00", 15},
        {31, 3, "01DIN", "Dinner", "晚餐", "18:00:00", "23:00:00", "23:00:00", "23:00:00", 70},
        {32, 3, "02SUP", "Supper", "宵夜", "23:00:00", "03:00:00", "03:00:00", "03:00:00", 30},
    };
    return v;
}

const std::vector<DemoPlan>& DemoPlans() {
    static const std::vector<DemoPlan> v = {
        {101, 1, "MAIN", "Main Dining", "主餐廳", 0xF5F0E6},
        {102, 1, "TERR", "Terrace", "露台", 0xE6F5E6},
        {103, 1, "BANQ", "Banquet Hall", "宴會廳", 0xF0E6F5},
        {104, 1, "EVENT", "Private Event", "私人活動", 0xFFF0D0},
        {201, 2, "HALL", "Main Hall", "大堂", 0xF5E6E6},
        {202, 2, "ROOM", "Private Rooms", "貴賓房", 0xE6E6F5},
        {203, 2, "SUPR", "Supper Corner", "宵夜區", 0xF0F0F0},
        {301, 3, "LNGE", "Lounge", "酒廊", 0xE0E8F0},
        {302, 3, "DECK", "Sky Deck", "天台", 0xE8F0E0},
    };
    return v;
}

const std::vector<DemoSection>& DemoSections() {
    static const std::vector<DemoSection> v = {
        {11, 1, "WIN", "Window", "窗邊"},  {12, 1, "CEN", "Centre", "中央"},
        {13, 1, "PRV", "Private", "包廂"}, {14, 1, "TER", "Terrace", "露台"},
        {15, 1, "BNQ", "Banquet", "宴會"}, {16, 1, "EVT", "Event", "活動"},
        {21, 2, "HAL", "Hall", "大堂"},    {22, 2, "VIP", "VIP rooms", "貴賓房"},
        {23, 2, "SUP", "Supper", "宵夜"},  {31, 3, "LNG", "Lounge", "酒廊"},
        {32, 3, "BAR", "Bar", "吧檯"},     {33, 3, "DCK", "Deck", "天台"},
    };
    return v;
}

// Table B16 stands on the Main Dining plan and on the Terrace plan, both in
// force at lunch and dinner: one table number drawn on two plans.
const std::vector<DemoTableGroup>& DemoTableGroups() {
    static const std::vector<DemoTableGroup> v = {
        {101, 11, "A", 1, 20, true, {2, 2, 4, 4}, 1, "WIN", true, 0},
        {101, 12, "B", 1, 16, true, {4, 4, 6}, 1, "HALL", true, 0},
        {101, 13, "P", 1, 3, false, {8, 10, 12}, 2, "HALL", false, 0},
        {101, 13, "P", 4, 1, false, {12}, 3, "HALL", false, 3},
        {102, 14, "T", 1, 16, true, {2, 4}, 2, "TERR", true, 0},
        {102, 12, "B", 16, 1, false, {4}, 1, "HALL", false, 0},
        {103, 15, "R", 1, 10, true, {10, 12}, 2, "HALL", false, 0},
        {104, 16, "E", 1, 6, false, {10}, 2, "HALL", false, 0},
        {201, 21, "H", 1, 24, true, {4, 6, 8, 10, 12}, 2, "HALL", false, 0},
        {202, 22, "VIP", 1, 6, false, {10, 12}, 2, "HALL", false, 0},
        {203, 23, "S", 1, 12, true, {2, 4}, 1, "HALL", true, 0},
        {301, 31, "L", 1, 20, true, {2, 2, 4}, 1, "WIN", true, 0},
        {301, 32, "BAR", 1, 4, false, {6}, 3, "HALL", false, 4},
        {302, 33, "D", 1, 12, true, {4, 6}, 2, "TERR", false, 0},
    };
    return v;
}

const std::vector<DemoAssignment>& DemoAssignments() {
    static const std::vector<DemoAssignment> v = {
        // Harbour Grill: Main Dining always, the Terrace at lunch and dinner.
        {101, 1, 0, 0, kNoDate, 1},
        {102, 1, 12, 0, kNoDate, 2},
        {102, 1, 13, 0, kNoDate, 2},
        // Weekend dinners open the Banquet Hall as well.
        {101, 1, 13, kWeekendGroup, kNoDate, 1},
        {102, 1, 13, kWeekendGroup, kNoDate, 2},
        {103, 1, 13, kWeekendGroup, kNoDate, 3},
        // Public holidays: Main Dining and Banquet Hall all day.
        {101, 1, 0, kHolidayGroup, kNoDate, 1},
        {103, 1, 0, kHolidayGroup, kNoDate, 2},
        // One evening is a private event.
        {104, 1, 13, 0, kEventDayOffset, 1},
        // Jade Garden: hall and private rooms; a supper corner after ten.
        {201, 2, 21, 0, kNoDate, 1},
        {202, 2, 21, 0, kNoDate, 2},
        {201, 2, 22, 0, kNoDate, 1},
        {202, 2, 22, 0, kNoDate, 2},
        {203, 2, 23, 0, kNoDate, 1},
        // Sky Lounge: lounge and deck.
        {301, 3, 0, 0, kNoDate, 1},
        {302, 3, 0, 0, kNoDate, 2},
    };
    return v;
}

const std::vector<DemoCalendarGroup>& DemoCalendarGroups() {
    static const std::vector<DemoCalendarGroup> v = {
        {kWeekendGroup, "WKND", "Weekends", "週末"},
        {kHolidayGroup, "HOL", "Public holidays", "公眾假期"},
    };
    return v;
}
