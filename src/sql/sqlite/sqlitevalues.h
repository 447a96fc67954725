#pragma once
// Argument helpers the SQLite functions of the T-SQL translation share;
// internal to src/data.
#include <sqlite3.h>

#include <cstddef>
#include <string>

namespace sqlitevalues {

// The value's text; empty for NULL.
inline std::string Text(sqlite3_value* v) {
    const unsigned char* t = sqlite3_value_text(v);
    return t == nullptr ? std::string()
                        : std::string(reinterpret_cast<const char*>(t),
                                      static_cast<std::size_t>(sqlite3_value_bytes(v)));
}

// True when any of the arguments is NULL.
inline bool AnyNull(int argc, sqlite3_value** argv) {
    for (int i = 0; i < argc; ++i)
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) return true;
    return false;
}

}  // namespace sqlitevalues
