#pragma once
// Text comparison as the installation's SQL Server collation makes it:
// ASCII letters without regard to case, and trailing blanks not counted, so
// 'A1 ' = 'a1'. Registered under SQLite's name NOCASE, which the schema's
// text columns (and the translation's text comparisons) already name, so
// their indexes keep serving equality and range look-ups.
#include <cstddef>

struct sqlite3;

// <0, 0 or >0 as `a` sorts before, with or after `b`.
int CompareTextNoCase(const char* a, std::size_t aSize, const char* b, std::size_t bSize);

// Replaces NOCASE on the connection; false when SQLite refuses.
bool RegisterTextCollation(sqlite3* db);
