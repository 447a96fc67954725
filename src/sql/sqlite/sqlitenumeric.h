#pragma once
// The number functions of the T-SQL translation (ct_toint, ct_tofloat,
// ct_dec, ct_round, ct_dsum, ...), registered on each SQLite connection.
struct sqlite3;

// False when SQLite refuses a registration.
bool RegisterTSqlNumberFunctions(sqlite3* db);
