#pragma once
// culinarotable-admin sql: runs a T-SQL batch against a database (a SQLite
// file, a connection string or a connection INI) through
// SQLDB and prints every result: a header line and one tab-separated line per
// row for each result set, "(n rows affected)" for statements without rows.
#include <iosfwd>
#include <string>

// 0 on success; 1 with the error number and description on `err`.
int RunAdminSql(const std::string& dbFile, const std::string& batch, std::ostream& out,
                std::ostream& err);
// The same on any engine: a full connection string (plain-text password).
int RunAdminSqlOn(const std::string& connectionString, const std::string& batch, std::ostream& out,
                  std::ostream& err);
