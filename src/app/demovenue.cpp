// Demo venue: POS servers, accounts, outlets, meal periods, calendars, roles,
// users, guests, and each outlet's floor plans, tables, blocks and allotments.
#include <algorithm>
#include <set>

#include "app/demodata.h"
#include "app/demomodel.h"
#include "platform/textutil.h"
#include "registry/crypto.h"

namespace {

const char* const kFirstNames[] = {"Alice",  "Ben",   "Chloe",  "David",  "Emma",    "Felix",
                                   "Grace",  "Henry", "Ivy",    "Jack",   "Karen",   "Leo",
                                   "Mia",    "Noah",  "Olivia", "Peter",  "Queenie", "Ryan",
                                   "Sophie", "Tony",  "Ursula", "Victor", "Wendy",   "Yan"};
const char* const kLastNames[] = {"Chan", "Wong",  "Lee",    "Cheung", "Lau",    "Ng",
                                  "Ho",   "Smith", "Taylor", "Brown",  "Wilson", "Martin",
                                  "Lam",  "Tse",   "Fung",   "Kwok",   "Yip",    "Leung"};
const char* const kChineseLastNames[] = {"陳", "黃", "李", "張", "劉", "吳", "何", "史", "戴",
                                         "白", "韋", "馬", "林", "謝", "馮", "郭", "葉", "梁"};
const char* const kChineseFirstNames[] = {"嘉欣", "志明", "美玲", "家豪", "詠詩", "偉強",
                                          "曉晴", "俊傑", "雅婷", "子軒", "靜儀", "浩然"};

template <typename T, std::size_t N>
const T& Pick(DemoRandom& r, const T (&items)[N]) {
    return items[r.Below(static_cast<int>(N))];
}

Row NamedRow(std::initializer_list<Variant> values) {
    return Row(values);
}

bool WritePOSAndAccounts(SQLiteFile& db, const InstallContext& ctx, std::string& error) {
    return InsertRows(
               db, ctx, "tbl_POSServer",
               {"POSID", "POSCode", "NameL1", "NameL2", "IPAddress", "ComputerName", "IPPort",
                "RowStatus"},
               {{1, "POS1", "Harbour POS", "海港收銀系統", "127.0.0.1", "localhost", 7601, "A"},
                {2, "POS2", "Garden POS", "花園收銀系統", "127.0.0.1", "localhost", 7602, "A"}},
               error) &&
           InsertRows(db, ctx, "tbl_ServicePOS", {"ServiceID", "POSID", "RowStatus"},
                      {{1, 1, "A"}, {1, 2, "A"}}, error) &&
           InsertRows(
               db, ctx, "tbl_Account",
               {"AccountID", "AccountCode", "POSID", "POSAccount", "NameL1", "NameL2", "DescL1",
                "RowStatus"},
               {{1, "HARB", 1, "H01", "Harbour Group", "海港集團", "Harbour-front outlets", "A"},
                {2, "GARD", 2, "G01", "Garden Group", "花園集團", "Garden outlets", "A"}},
               error);
}

bool WriteOutlets(SQLiteFile& db, const InstallContext& ctx, std::string& error) {
    std::vector<Row> rows;
    for (const auto& o : DemoOutlets()) {
        rows.push_back(
            NamedRow({o.id,
                      o.server,
                      o.code,
                      o.posCode,
                      o.account == 1 ? 1 : 2,
                      o.account,
                      o.name,
                      o.nameL2,
                      std::string(o.name) + ", " + std::to_string(o.id) + " Harbour Road",
                      "852-2" + std::to_string(100 + o.id) + "-8800",
                      1,
                      0,
                      "1",
                      1,
                      1,
                      1,
                      15,
                      90,
                      0,
                      0,
                      o.id == 1 ? 1 : 0,
                      "1",
                      1,
                      1,
                      o.web ? "1" : "0",
                      1,
                      0,
                      1,
                      1,
                      1,
                      kHolidayGroup,
                      o.allotmentType,
                      0,
                      "A"}));
    }
    return InsertRows(db, ctx, "tbl_Outlet",
                      {"OutletID",
                       "DBServerID",
                       "OutletCode",
                       "POSOutletCode",
                       "POSID",
                       "AccountID",
                       "NameL1",
                       "NameL2",
                       "AddressL1",
                       "Phone",
                       "ServiceID",
                       "ShareType",
                       "PrintReceipt",
                       "OpenPOSCheck",
                       "ResvCoverGreaterWarning",
                       "ResvCoverSmallerWarning",
                       "ResvBufferTime",
                       "FVResvDayLimit",
                       "NotAllowDoubleBook",
                       "PopAlertUpdateGP",
                       "MandatoryBlockRemark",
                       "PopAlertMsg",
                       "SMSServerID",
                       "MailServerID",
                       "AllowWebBooking",
                       "PopAlertIsBlackList",
                       "ShowStatByIntervalInResv",
                       "CheckCover",
                       "OverBookingAlert",
                       "NotArrivalOverResvCover",
                       "HolidayCalendarGroupID",
                       "AllotmentType",
                       "MandatoryCxlRemark",
                       "RowStatus"},
                      rows, error);
}

// Meal periods and their cover capacity per hour.
bool WriteMealPeriods(SQLiteFile& db, const InstallContext& ctx, std::string& error) {
    std::vector<Row> periods, capacity;
    for (const auto& m : DemoMealPeriods()) {
        periods.push_back(NamedRow(
            {m.id, m.outlet, m.code, m.name, m.nameL2, m.start, m.end1, m.start2, m.end, "A"}));
        // One interval per started hour of the period (past midnight too).
        const int start = std::stoi(m.start);
        const int end = std::stoi(m.end) + (std::string(m.end).substr(3, 2) != "00" ? 1 : 0);
        const int hours = ((end - start) + 24) % 24;
        for (int h = 0; h < hours; ++h) {
            char from[16], to[16];
            std::snprintf(from, sizeof from, "%02d:00:00", (start + h) % 24);
            std::snprintf(to, sizeof to, "%02d:00:00", (start + h + 1) % 24);
            capacity.push_back(
                NamedRow({m.id, from, to, (m.outlet == 1 ? 40 : 30) * ctx.scale, "A"}));
        }
    }
    return InsertRows(db, ctx, "tbl_MPOutlet",
                      {"MPOutletID", "OutletID", "MPCode", "NameL1", "NameL2", "MPStartTime",
                       "MPEndTime1", "MPStartTime2", "MPEndTime", "RowStatus"},
                      periods, error) &&
           InsertRows(db, ctx, "tbl_MPCapacity",
                      {"MPOutletID", "StartTime", "EndTime", "Capacity", "RowStatus"}, capacity,
                      error);
}

// Weekends from 40 days back to 40 days ahead, and two public holidays.
bool WriteCalendars(SQLiteFile& db, const InstallContext& ctx, std::string& error) {
    std::vector<Row> groups, days;
    for (const auto& g : DemoCalendarGroups())
        groups.push_back(NamedRow({g.id, g.code, g.name, g.nameL2, "A"}));
    for (int d = -40; d <= 40; ++d) {
        const int dow = ctx.today.AddDays(d).DayOfWeek();
        if (dow == 1 || dow == 7) days.push_back(NamedRow({kWeekendGroup, ctx.Day(d), "A"}));
    }
    for (int d : kHolidayOffsets)
        days.push_back(NamedRow({kHolidayGroup, ctx.Day(d), "A"}));
    return InsertRows(db, ctx, "tbl_CalendarGroup",
                      {"CalendarGroupID", "CalendarGroupCode", "NameL1", "NameL2", "RowStatus"},
                      groups, error) &&
           InsertRows(db, ctx, "tbl_Calendar", {"CalendarGroupID", "CalendarDate", "RowStatus"},
                      days, error);
}

Row RoleRow(int id, const char* code, int level, const char* name, const char* nameL2,
            const std::vector<int>& fe, const std::vector<int>& be) {
    Row row = {id, code, level, name, nameL2, "A"};
    row.insert(row.end(), fe.begin(), fe.end());
    row.insert(row.end(), be.begin(), be.end());
    return row;
}

bool WriteRolesAndUsers(SQLiteFile& db, const InstallContext& ctx, std::string& error) {
    std::vector<std::string> cols = {"RoleID", "RoleCode", "RoleLevel",
                                     "NameL1", "NameL2",   "RowStatus"};
    for (int i = 1; i <= 10; ++i)
        cols.push_back("FERightMask" + std::to_string(i));
    for (int i = 1; i <= 15; ++i)
        cols.push_back("BERightMask" + std::to_string(i));
    // Receptionists: sign in, book, change, cancel, check in, waiting list,
    // walk-in, future bookings; block tables and change covers; guests;
    // SMS; current and future views; receipts; check enquiry; both modes.
    const std::vector<int> receptionFE = {
        1, 1 | 2 | 4 | 8 | 32 | 64 | 512, 1 | 8, 1 | 2, 1, 1 | 2, 1, 2, 1, 1 | 2};
    const std::vector<Row> roles = {
        RoleRow(2, "MANAGER", 100, "Manager", "經理", std::vector<int>(10, -1),
                {0, 0, -1, -1, 0, -1, -1, 0, 0, 0, -1, -1, -1, 0, 0}),
        RoleRow(3, "RECEPT", 10, "Receptionist", "接待員", receptionFE, std::vector<int>(15, 0)),
    };
    std::vector<Row> users, employees;
    for (const auto& u : DemoUsers()) {
        const bool reception = u.roleID == 3;
        users.push_back(NamedRow({u.userID, u.login, HashPassword(u.password), u.name, u.roleID,
                                  std::string(u.login) == "trainee" ? 1 : 0, reception ? 3 : 0,
                                  reception ? 300 : 0, reception ? 10 : 0, ctx.today.ToText(),
                                  ctx.At(-1, 9, 0), "A", ctx.today.ToText()}));
    }
    for (int user = 1; user <= 3; ++user) {
        for (int account = 1; account <= 2; ++account)
            employees.push_back(
                NamedRow({user, account, std::to_string(account * 1000 + user), "A"}));
    }
    return InsertRows(db, ctx, "tbl_UserRole", cols, roles, error) &&
           InsertRows(db, ctx, "tbl_User",
                      {"UserID", "LoginID", "Password", "NameL1", "RoleID", "Disabled",
                       "RetryCount", "RetryInterval", "EnableInterval", "PWUpdateDT",
                       "LastLoginTime", "RowStatus", "RowModified"},
                      users, error) &&
           InsertRows(db, ctx, "tbl_UserByEmployee",
                      {"UserID", "AccountID", "EmployeeID", "RowStatus"}, employees, error) &&
           InsertRows(db, ctx, "tbl_UserRoleByOutlet", {"RoleID", "OutletID", "RowStatus"},
                      {{2, 1, "A"}, {2, 2, "A"}, {2, 3, "A"}, {3, 1, "A"}, {3, 2, "A"}}, error);
}

bool WriteMessaging(SQLiteFile& db, const InstallContext& ctx, std::string& error) {
    std::vector<Row> smsOutlets;
    // Per outlet: the confirmation SMS at once, the cancellation e-mail at
    // once, the reminder SMS two hours before the reservation; on weekends
    // (calendar group) the reminder goes out at 10:00 of the day instead.
    for (const auto& o : DemoOutlets()) {
        smsOutlets.push_back(NamedRow({o.id, 1, 2, "SMS", 0, 0, 0, Null(), Null(), 1, "A"}));
        smsOutlets.push_back(NamedRow({o.id, 2, 4, "EMAIL", 0, 0, 0, Null(), Null(), 1, "A"}));
        smsOutlets.push_back(NamedRow({o.id, 3, 3, "SMS", 1, 120, 0, Null(), Null(), 1, "A"}));
        smsOutlets.push_back(
            NamedRow({o.id, 3, 3, "SMS", 2, 0, 0, kWeekendGroup, "10:00:00", 1, "A"}));
    }
    return InsertRows(
               db, ctx, "tbl_SMSServer",
               {"SMSServerID", "SMSServerCode", "NameL1", "IPAddress", "IPPort", "RowStatus"},
               {{1, "SMS1", "SMS gateway", "127.0.0.1", 7701, "A"}}, error) &&
           InsertRows(db, ctx, "tbl_MailServer",
                      {"MailServerID", "MailServerCode", "NameL1", "IPAddress", "IPPort",
                       "SenderAddress", "RowStatus"},
                      {{1, "MAIL1", "Mail server", "127.0.0.1", 25, "bookings@example.com", "A"}},
                      error) &&
           InsertRows(db, ctx, "tbl_SMSOutlet",
                      {"OutletID", "EventID", "DefTemplateID", "MessageType", "SendOption",
                       "SendBeforeMin", "SendBeforeDay", "CalendarGroupID", "SendAt", "ServerID",
                       "RowStatus"},
                      smsOutlets, error);
}

// Sections are read with the outlets, on the default connection.
bool WriteSections(SQLiteFile& db, const InstallContext& ctx, std::string& error) {
    std::vector<Row> rows;
    for (const auto& s : DemoSections()) {
        const int server = DemoOutlets()[static_cast<std::size_t>(s.outlet - 1)].server;
        rows.push_back(NamedRow({s.id, server, s.code, s.outlet, s.name, s.nameL2, "A"}));
    }
    return InsertRows(
        db, ctx, "tbl_FPSection",
        {"FPSectionID", "DBServerID", "FPSectionCode", "OutletID", "NameL1", "NameL2", "RowStatus"},
        rows, error);
}

bool WriteGuests(SQLiteFile& db, const InstallContext& ctx, std::string& error) {
    std::vector<Row> rows;
    for (const auto& g : DemoGuests()) {
        const bool black = g.blackList == "YES";
        rows.push_back(NamedRow({g.id,
                                 std::to_string(g.id),
                                 1,
                                 g.accountNo,
                                 g.holderNo,
                                 g.salutation,
                                 g.firstName,
                                 g.lastName,
                                 g.chineseName,
                                 g.phone,
                                 g.phone,
                                 g.email,
                                 g.category,
                                 "MEMBER",
                                 g.receiveSMS,
                                 g.receiveEmail,
                                 g.blackList,
                                 black ? Variant("Repeated no-shows") : Null(),
                                 g.gender,
                                 g.birth,
                                 1,
                                 "R" + std::to_string(5000 + g.id),
                                 1,
                                 ctx.At(-200 + g.id % 150, 10, 0),
                                 "A"}));
    }
    return InsertRows(
        db, ctx, "tbl_Guest",
        {"GuestID",         "GuestNo",     "DBServerID",       "DYAccountNo",   "DYHolderNo",
         "DYSalutation",    "DYFirstName", "DYLastName",       "DYChineseName", "ContactPhone",
         "DYSMSContact",    "Email",       "DYMemCategory",    "DYType",        "ReceiveSMS",
         "ReceiveEmail",    "BlackList",   "BlackListCaption", "Gender",        "DateOfBirth",
         "DateOfBirthType", "RefNo1",      "UserID",           "CreateDT",      "RowStatus"},
        rows, error);
}

}  // namespace

const std::vector<DemoUser>& DemoUsers() {
    static const std::vector<DemoUser> users = {
        {2, "manager", "manager123", "Morgan Lee", 2},
        {3, "reception", "reception123", "Rita Chan", 3},
        {4, "trainee", "trainee123", "Tom Ho", 3},
    };
    return users;
}

const std::vector<DemoGuest>& DemoGuests() {
    static const std::vector<DemoGuest> guests = [] {
        std::vector<DemoGuest> v;
        DemoRandom r(42);
        for (int id = 2; id <= kDemoGuestCount; ++id) {
            DemoGuest g;
            g.id = id;
            g.gender = r.Chance(50) ? "M" : "F";
            g.salutation = g.gender == "M" ? "Mr" : (r.Chance(50) ? "Ms" : "Mrs");
            if (r.Chance(5)) g.salutation = "Dr";
            g.firstName = Pick(r, kFirstNames);
            g.lastName = Pick(r, kLastNames);
            g.chineseName = Pick(r, kChineseLastNames);
            g.chineseName += Pick(r, kChineseFirstNames);
            g.phone = std::to_string(90000000 + id * 4099 % 9999991);
            g.email =
                LowerAscii(g.firstName + "." + g.lastName + std::to_string(id)) + "@example.com";
            g.accountNo = "M" + std::to_string(100000 + id);
            g.holderNo = "01";
            const int c = r.Below(10);
            g.category = c < 2 ? "GOLD" : (c < 5 ? "SILVER" : "STD");
            g.receiveSMS = r.Chance(70) ? "YES" : "NO";
            g.receiveEmail = r.Chance(50) ? "YES" : "NO";
            g.blackList = (id == 17 || id == 123) ? "YES" : "NO";
            char birth[16];
            const int year = r.Between(1950, 2000);
            const int month = r.Between(1, 12);
            const int day = r.Between(1, 28);
            std::snprintf(birth, sizeof birth, "%04d-%02d-%02d", year, month, day);
            g.birth = birth;
            v.push_back(g);
        }
        return v;
    }();
    return guests;
}

std::map<int, std::vector<DemoTable>> DemoTablesOfOutlet(const InstallContext& ctx, int outlet) {
    std::map<int, std::vector<DemoTable>> plans;
    std::map<int, int> nextRow;  // per plan: first free layout row
    for (const auto& g : DemoTableGroups()) {
        const auto plan = std::find_if(DemoPlans().begin(), DemoPlans().end(),
                                       [&](const DemoPlan& p) { return p.id == g.plan; });
        if (plan == DemoPlans().end() || plan->outlet != outlet) continue;
        const int count = g.count * (g.scaled ? ctx.scale : 1);
        std::vector<DemoTable>& list = plans[g.plan];
        const std::size_t begin = list.size();
        for (int i = 0; i < count; ++i) {
            DemoTable t;
            t.no = g.prefix + std::to_string(g.first + i);
            t.plan = g.plan;
            t.section = g.section;
            t.capacity = g.capacities[static_cast<std::size_t>(i) % g.capacities.size()];
            t.shape = g.shape;
            t.tt1 = g.tt1;
            t.shareCount = g.shareCount;
            t.x = 40 + (i % 10) * 100;
            t.y = 40 + (nextRow[g.plan] + i / 10) * 100;
            list.push_back(t);
        }
        nextRow[g.plan] += (count + 9) / 10;
        if (!g.mergePairs) continue;
        for (std::size_t i = begin; i + 1 < list.size(); i += 2) {
            DemoTable& a = list[i];
            DemoTable& b = list[i + 1];
            a.mergeWith = b.no;
            b.mergeWith = a.no;
            a.mergeCover = b.mergeCover = a.capacity + b.capacity;
        }
    }
    return plans;
}

namespace {

bool WritePlans(SQLiteFile& db, const InstallContext& ctx, int server, std::string& error) {
    std::vector<Row> plans, tables, assignments;
    for (const auto& o : DemoOutlets()) {
        if (o.server != server) continue;
        const auto tablesByPlan = DemoTablesOfOutlet(ctx, o.id);
        for (const auto& p : DemoPlans()) {
            if (p.outlet != o.id) continue;
            int width = 600, height = 400;
            auto it = tablesByPlan.find(p.id);
            for (const auto& t : it != tablesByPlan.end() ? it->second : std::vector<DemoTable>{}) {
                width = std::max(width, t.x + 160);
                height = std::max(height, t.y + 160);
                const bool round = t.shape == 2;
                tables.push_back(NamedRow({t.plan,
                                           t.no,
                                           t.y,
                                           t.x,
                                           t.shape == 3 ? 140 : 70,
                                           70,
                                           t.capacity,
                                           t.shape,
                                           t.capacity,
                                           0,
                                           t.section,
                                           t.tt1,
                                           round ? "ROUND" : "BOOTH",
                                           t.shareCount > 0 ? 1 : 0,
                                           1,
                                           t.shareCount > 0 ? 1 : 0,
                                           t.shareCount,
                                           t.shareCount > 0 ? 1 : std::max(1, t.capacity / 2),
                                           t.capacity + (t.capacity >= 6 ? 2 : 0),
                                           static_cast<int>(tables.size()),
                                           t.capacity >= 6 ? 2 : 0,
                                           t.mergeWith.empty() ? Null() : Variant(t.mergeWith),
                                           t.mergeWith.empty() ? Null() : Variant(t.mergeCover),
                                           "A"}));
            }
            plans.push_back(NamedRow({p.id, p.code, p.name, p.nameL2, p.name, p.bgColor, height,
                                      width, 0, server, o.id, "A"}));
        }
        for (const auto& a : DemoAssignments()) {
            if (a.outlet != o.id) continue;
            assignments.push_back(NamedRow(
                {server, a.plan, a.outlet, a.mealPeriod != 0 ? Variant(a.mealPeriod) : Null(),
                 a.calendarGroup != 0 ? Variant(a.calendarGroup) : Null(),
                 a.dayOffset != kNoDate ? Variant(ctx.Day(a.dayOffset)) : Null(), a.seqNo, Null(),
                 "A"}));
        }
    }
    if (plans.empty()) return true;
    // A withdrawn table stays in the plan's rows, marked deleted.
    if (server == 1) {
        tables.push_back(NamedRow({101,     "X1", 0, 0, 70, 70, 4, 1, 4, 0,      12,     "HALL",
                                   "BOOTH", 0,    1, 0, 0,  2,  4, 0, 0, Null(), Null(), "D"}));
    }
    return InsertRows(db, ctx, "tbl_FloorPlan",
                      {"FPID", "FPCode", "NameL1", "NameL2", "DescL1", "BgColor", "FPHeight",
                       "FPWidth", "TableFontSize", "DBServerID", "OutletID", "RowStatus"},
                      plans, error) &&
           InsertRows(
               db, ctx, "tbl_FPTable",
               {"FPID",      "TableNo",  "YCoord",      "XCoord",      "TWidth",      "THeight",
                "TCapacity", "TShapeID", "SeatArrange", "StartAngle",  "FPSectionID", "TT1",
                "TT2",       "IsShare",  "IsShow",      "ShareType",   "ShareCount",  "MinRCover",
                "MaxRCover", "Priority", "ExtraSeats",  "MergeTable1", "MergeCover1", "RowStatus"},
               tables, error) &&
           InsertRows(db, ctx, "tbl_FPOutlet",
                      {"DBServerID", "FPID", "OutletID", "MPOutletID", "CalendarGroupID", "BizDate",
                       "SeqNo", "Capacity", "RowStatus"},
                      assignments, error);
}

// Blocks: one for tonight, open-ended ones on either side, one with no
// dates (applies never) and a lifted one.
bool WriteBlocksAndAllotments(SQLiteFile& db, const InstallContext& ctx, int server,
                              std::string& error) {
    struct Block {
        int outlet, mp;
        const char* table;
        int begin, end;  // day offsets, kNoDate = NULL
        const char* remark;
        const char* status;
    };
    const Block blocks[] = {
        {1, 13, "A5", 0, 0, "Kept for the owner", "A"},
        {1, 12, "B3", 5, kNoDate, "Chair repair", "A"},
        {1, 12, "T2", kNoDate, 2, "Umbrella broken", "A"},
        {1, 13, "A6", kNoDate, kNoDate, "No dates given", "A"},
        {1, 13, "A7", 0, 0, "Lifted", "D"},
        {2, 22, "H3", 0, 1, "Wedding rehearsal", "A"},
        {3, 31, "D1", -1, 7, "Deck maintenance", "A"},
    };
    std::vector<Row> rows;
    for (const auto& b : blocks) {
        const auto& o = DemoOutlets()[static_cast<std::size_t>(b.outlet - 1)];
        if (o.server != server) continue;
        rows.push_back(NamedRow({server, b.outlet, b.mp, b.table,
                                 b.begin == kNoDate ? Null() : Variant(ctx.Day(b.begin)),
                                 b.end == kNoDate ? Null() : Variant(ctx.Day(b.end)), 2,
                                 ctx.At(-1, 10, 0), b.remark, b.status}));
    }
    // Web allotments: Harbour Grill in tables, Sky Lounge in covers.
    std::vector<Row> allot;
    if (server == 1) {
        for (int mp : {12, 13}) {
            allot.push_back(NamedRow({1, mp, Null(), 2, 2 * ctx.scale, "A"}));
            allot.push_back(NamedRow({1, mp, Null(), 4, 3 * ctx.scale, "A"}));
        }
        allot.push_back(NamedRow({1, 13, ctx.Day(7), 4, 5 * ctx.scale, "A"}));
    } else {
        allot.push_back(NamedRow({3, 31, Null(), 2, 8 * ctx.scale, "A"}));
        allot.push_back(NamedRow({3, 31, Null(), 4, 12 * ctx.scale, "A"}));
    }
    return InsertRows(db, ctx, "tbl_TableBlock",
                      {"DBServerID", "OutletID", "MPOutletID", "TableNo", "BeginDate", "EndDate",
                       "BlockUserID", "BlockDT", "Remark", "RowStatus"},
                      rows, error) &&
           InsertRows(db, ctx, "tbl_WebAllotment",
                      {"OutletID", "MPOutletID", "BizDate", "TableSize", "AllotNum", "RowStatus"},
                      allot, error);
}

// A batch SMS job to ten members with an attached menu (default database).
bool WriteBatchJob(SQLiteFile& db, const InstallContext& ctx, std::string& error) {
    std::vector<Row> recipients;
    for (std::size_t i = 0; i < 10; ++i) {
        const DemoGuest& g = DemoGuests()[i];
        Variant submit, status;
        if (i < 5) submit = Variant("S");
        if (i < 4) status = Variant("S");
        if (i == 4) status = Variant("F");
        recipients.push_back(
            NamedRow({1, g.id, g.phone, "Dear guest, our seasonal menu starts soon.", submit,
                      status, 2, "A"}));
    }
    const Bytes pdf = {'%', 'P', 'D', 'F'};
    return InsertRows(
               db, ctx, "tbl_BatchMsgJob",
               {"BatchMsgJobID", "JobName", "ServerID", "MessageType", "TemplateID",
                "TemplateContent", "SendTime", "ExpiryTime", "JobClassID", "UpdateUserID",
                "RowStatus"},
               {{1, "Seasonal menu", 1, "SMS", 5, "Dear guest, our seasonal menu starts soon.",
                 ctx.At(1, 10, 0), ctx.At(3, 10, 0), 1, 2, "A"}},
               error) &&
           InsertRows(db, ctx, "tbl_BatchMsg",
                      {"BatchMsgJobID", "GuestID", "Destination", "MessageContent", "SubmitStatus",
                       "MessageStatus", "UpdateUserID", "RowStatus"},
                      recipients, error) &&
           InsertRows(db, ctx, "tbl_TemplateAttachment",
                      {"ImageName", "TemplateID", "BatchMsgJobID", "Attachment", "UpdateUserID",
                       "RowStatus"},
                      {{"menu.pdf", Null(), 1, pdf, 2, "A"}, {"terms.pdf", 4, Null(), pdf, 1, "A"}},
                      error);
}

}  // namespace

bool WriteDemoSharedData(SQLiteFile& db, const InstallContext& ctx, std::string& error) {
    return WritePOSAndAccounts(db, ctx, error) && WriteOutlets(db, ctx, error) &&
           WriteMealPeriods(db, ctx, error) && WriteCalendars(db, ctx, error) &&
           WriteSections(db, ctx, error) && WriteRolesAndUsers(db, ctx, error) &&
           WriteMessaging(db, ctx, error) && WriteGuests(db, ctx, error);
}

bool WriteDemoServerData(SQLiteFile& db, const InstallContext& ctx, int server,
                         std::string& error) {
    if (!WritePlans(db, ctx, server, error) || !WriteBlocksAndAllotments(db, ctx, server, error)) {
        return false;
    }
    for (const auto& o : DemoOutlets()) {
        if (o.server == server && !WriteDemoBookings(db, ctx, o.id, error)) return false;
    }
    return server != 1 || WriteBatchJob(db, ctx, error);
}
