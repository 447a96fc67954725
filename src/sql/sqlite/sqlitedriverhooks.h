#pragma once
// The T-SQL functions, the NOCASE collation, the per-statement clock and the
// command time-out on SQLite connections this program does not open itself:
// those an ODBC driver opens with the same SQLite library the program links.
//
// SQLite calls its auto-extensions for every connection it opens in the
// process. While a DriverHookScope is alive on a thread, the first
// connection opened there gets the functions and hooks, and the scope hands
// out their shared state. Connections opened outside a scope (the
// program's own, which register their functions themselves) are left alone.
#include <chrono>
#include <memory>

#include "sql/sqlite/sqlitefunctions.h"

struct sqlite3;

// What the functions and hooks of one driver connection share. Lives as
// long as the connection or the last holder, whichever is later; `Db` is
// null once SQLite has closed the connection.
struct DriverHookState {
    sqlite3* Db = nullptr;
    FunctionClock Clock;  // reset as each statement starts
    bool HasDeadline = false;
    std::chrono::steady_clock::time_point Deadline{};
    bool TimedOut = false;  // the progress handler stopped a statement

    // A command begins: it may run `seconds` (0: no limit).
    void BeginCommand(int seconds);
};

class DriverHookScope {
  public:
    DriverHookScope();
    ~DriverHookScope();
    DriverHookScope(const DriverHookScope&) = delete;
    DriverHookScope& operator=(const DriverHookScope&) = delete;

    // The state of the connection opened in the scope; null when none was
    // opened, or when SQLite refused a registration on it.
    std::shared_ptr<DriverHookState> Taken() const;
};
