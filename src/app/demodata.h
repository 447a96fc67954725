#pragma once
// Demo data of `culinarotable-admin init --demo`: a realistic installation
// with fixed random seeds, so the same command gives the same rows on the
// same day. Dates are relative to the day init runs.
#include <map>
#include <string>
#include <vector>

#include "app/basedata.h"
#include "app/installcontext.h"
#include "sql/sqlite/sqlitefile.h"

// Managers, receptionists and a disabled trainee, besides the administrator.
const std::vector<DemoUser>& DemoUsers();

// Rows copied into every database of the installation: POS servers,
// accounts, outlets, meal periods, capacities, calendars, roles, users, guests.
bool WriteDemoSharedData(SQLiteFile& db, const InstallContext& ctx, std::string& error);

// Rows of the outlets that live on `server`: floor plans and tables, live
// table status, blocks, web allotments, reservations and their bindings.
bool WriteDemoServerData(SQLiteFile& db, const InstallContext& ctx, int server, std::string& error);

// One table of a demo floor plan.
struct DemoTable {
    std::string no;
    int plan = 0;
    int section = 0;
    int capacity = 0;
    int shape = 1;
    std::string tt1;
    int shareCount = 0;     // > 0: shared table
    std::string mergeWith;  // the table it merges with
    int mergeCover = 0;
    int x = 0, y = 0;
};
// Tables of every plan of the outlet, keyed by plan.
std::map<int, std::vector<DemoTable>> DemoTablesOfOutlet(const InstallContext& ctx, int outlet);

// The guests (IDs 2 to 200; 1 is the placeholder guest).
struct DemoGuest {
    int id = 0;
    std::string salutation, firstName, lastName, chineseName, phone, email, accountNo, holderNo,
        category, receiveSMS, receiveEmail, blackList, gender, birth;
};
const std::vector<DemoGuest>& DemoGuests();
inline constexpr int kDemoGuestCount = 200;

// The demo's web booking service: the simulator's address, account and its
// file (Data/websim.json) with the periods, sections and allotments of the
// outlets that take web bookings (demoweb.cpp).
inline constexpr const char* kDemoWebMerchant = "1001";
inline constexpr const char* kDemoWebLogin = "kivdesk";
inline constexpr const char* kDemoWebPassword = "web-demo";
std::string DemoWebServiceUrl(const InstallContext& ctx);
std::string DemoWebServiceConfig(const InstallContext& ctx);

// Reservations and table bindings of one outlet (demobookings.cpp).
bool WriteDemoBookings(SQLiteFile& db, const InstallContext& ctx, int outlet, std::string& error);
