#pragma once
// The databases the ODBC tests run against: a SQLite file through the
// "SQLite3" driver, and a database of its own on the PostgreSQL server the
// PG* variables name, through "PostgreSQL Unicode".
#include <ostream>
#include <string>

#include "support/tempdir.h"

struct OdbcTarget {
    bool Pg = false;
    // The driver connection string for a fresh database in `dir`, or "" with
    // `reason` set when the database cannot be had (no server).
    std::string (*Make)(TempDir& dir, std::string& reason) = nullptr;
};

// Names the target in test listings instead of its bytes.
inline void PrintTo(const OdbcTarget& target, std::ostream* os) {
    *os << (target.Pg ? "PostgreSQL" : "SQLite");
}

OdbcTarget SqliteOdbcTarget();
OdbcTarget PgOdbcTarget();
// The PostgreSQL test database's connection string ("" with `reason`).
std::string PgOdbcConnectionString(std::string& reason);
