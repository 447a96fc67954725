#pragma once
// The rows every installation starts with, demo or not: its database servers
// and workstations, the KIV server, the system parameters that start-up
// checks, the rights catalogue, the administrator, colours, profile
// definitions with option lists, cancel reasons, message templates and the
// placeholder guest. Written into every database file of the installation.
#include <string>

#include "app/installcontext.h"
#include "sql/sqlite/sqlitefile.h"

// Demo users and their passwords (also documented in the README).
struct DemoUser {
    int userID;
    const char* login;
    const char* password;
    const char* name;
    int roleID;
};
extern const DemoUser kAdministrator;

// The account number of the placeholder guest that non-member bookings use.
inline constexpr const char* kPseudoGuestNo = "99999999";
inline constexpr int kPseudoGuestID = 1;

// Role levels.
inline constexpr int kAdminLevel = 255;

bool WriteBaseData(SQLiteFile& db, const InstallContext& ctx, std::string& error);

// The system parameters (module, name, type, value), for tests and tools.
struct ParameterRow {
    const char* module;
    const char* name;
    const char* dataType;
    std::string value;
};
std::vector<ParameterRow> SystemParameters(const InstallContext& ctx);
