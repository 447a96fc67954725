#pragma once
// What the installation tool knows while it writes the rows of a new
// installation: the day it runs, this computer, the KIV server port, the
// demo switches and the database file of each server.
#include <cstdint>
#include <string>
#include <vector>

#include "sql/variant.h"

struct InstallContext {
    DateTime today;                       // the day init runs (date part only)
    std::string computerName;             // this workstation
    int port = 7500;                      // KIV server port
    std::string relayHost = "127.0.0.1";  // the address workstations connect to
    int webPort = 7501;                   // demo: port of the web booking simulator
    bool demo = false;
    int scale = 1;                       // demo: multiplies tables and reservations
    std::vector<std::string> databases;  // absolute file of server 1, 2, ...

    std::string Day(int offset) const { return today.AddDays(offset).DateText(); }
    // A date-time on the day `offset` days from today, at hh:mm.
    std::string At(int offset, int hour, int minute) const {
        return today.AddDays(offset).AddSeconds(hour * 3600 + minute * 60).ToText();
    }
};

// A row of values for BulkInsert.
using Row = std::vector<Variant>;
inline Variant Null() {
    return Variant();
}

// Pseudo-random numbers with a fixed seed: the same installation every time
// (the generator's formula is fixed, unlike the standard distributions).
class DemoRandom {
  public:
    explicit DemoRandom(uint64_t seed) : state_(seed * 2654435761u + 1) {}
    uint32_t Next() {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<uint32_t>(state_ >> 33);
    }
    // 0 .. n-1
    int Below(int n) { return n <= 0 ? 0 : static_cast<int>(Next() % static_cast<uint32_t>(n)); }
    int Between(int low, int high) { return low + Below(high - low + 1); }
    bool Chance(int percent) { return Below(100) < percent; }

  private:
    uint64_t state_;
};

// Inserts rows (sqlitefile.h's InsertRows) stamped with the installation day
// when the columns do not set RowModified themselves, so the same command
// writes the same rows.
class SQLiteFile;
bool InsertRows(SQLiteFile& db, const InstallContext& ctx, const std::string& table,
                std::vector<std::string> columns, std::vector<Row> rows, std::string& error);
