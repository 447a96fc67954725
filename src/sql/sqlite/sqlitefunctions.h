#pragma once
// The SQL functions the T-SQL translation calls (ct_getdate, ct_tostr,
// ct_datediff, ...) and SQL Server's LIKE (case-insensitive, with [a-z] sets),
// registered on each SQLite connection.
#include "platform/datetime.h"

struct sqlite3;

// Per-connection state of the functions: GETDATE() is read once per statement.
struct FunctionClock {
    bool valid = false;
    DateTime now;
    void Reset() { valid = false; }
};

// False when SQLite refuses a registration.
bool RegisterTSqlFunctions(sqlite3* db, FunctionClock* clock);
