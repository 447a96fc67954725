#include "sql/sqlite/sqlitecollation.h"

#include <sqlite3.h>

namespace {

unsigned char Fold(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

int Collate(void*, int n1, const void* p1, int n2, const void* p2) {
    return CompareTextNoCase(static_cast<const char*>(p1), static_cast<std::size_t>(n1),
                             static_cast<const char*>(p2), static_cast<std::size_t>(n2));
}

}  // namespace

int CompareTextNoCase(const char* a, std::size_t aSize, const char* b, std::size_t bSize) {
    const auto* x = reinterpret_cast<const unsigned char*>(a);
    const auto* y = reinterpret_cast<const unsigned char*>(b);
    std::size_t n = aSize < bSize ? aSize : bSize;
    // Letters fold to lower case, as SQLite's own NOCASE folds them, so a
    // NOCASE index built before keeps its order.
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char cx = Fold(x[i]), cy = Fold(y[i]);
        if (cx != cy) return cx < cy ? -1 : 1;
    }
    // The shorter text counts as padded with blanks.
    for (std::size_t i = n; i < aSize; ++i)
        if (x[i] != ' ') return x[i] < ' ' ? -1 : 1;
    for (std::size_t i = n; i < bSize; ++i)
        if (y[i] != ' ') return y[i] < ' ' ? 1 : -1;
    return 0;
}

bool RegisterTextCollation(sqlite3* db) {
    return sqlite3_create_collation_v2(db, "NOCASE", SQLITE_UTF8, nullptr, Collate, nullptr) ==
           SQLITE_OK;
}
