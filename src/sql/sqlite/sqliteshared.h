#pragma once
// What a T-SQL batch needs of a SQLite database whichever client reaches it
// (this program's own connections, or ODBC's SQLite driver): the SQL texts
// the runner makes (function tables, SELECT ... INTO, rows written back),
// the T-SQL error a failed constraint stands for, table layouts from PRAGMA
// table_info, and values read in the storage forms.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/textutil.h"
#include "sql/dbengine.h"
#include "sql/recordset.h"
#include "sql/sqltypes.h"
#include "sql/tsql/tsqlbatch.h"
#include "sql/tsql/tsqltranslator.h"
#include "sql/variant.h"

// A table of a batch as SQLite names it: #t is temporary, tempdb..t the
// attached tempdb file.
std::string SQLiteTableText(const std::string& schema, const std::string& name);

// T-SQL's number for a constraint violation from SQLite's extended result
// code (2627 duplicate key, 515 NULL into NOT NULL, 547 foreign key or
// CHECK); 0 for anything else.
int32_t SQLiteConstraintError(int extendedCode);

// CREATE TEMP TABLE of a table function's result: each column typed after
// its first non-NULL value.
std::string SQLiteFunctionTableSql(const std::string& tempName,
                                   const std::vector<std::string>& columns,
                                   const std::vector<Recordset::Row>& rows);
// INSERT of one row of it (n markers).
std::string SQLiteFunctionRowSql(const std::string& tempName, std::size_t columns);

// The column list of the table SELECT ... INTO makes; false with `error`
// when a column has no name.
bool SQLiteSelectIntoColumns(const std::vector<FieldInfo>& fields, std::string& columns,
                             std::string& error);

// The statements an updatable recordset writes a row back with: an INSERT
// (markers ?1..?n), or an UPDATE by row id (?n+1); "" for an UPDATE with
// nothing to set.
std::string SQLiteInsertRowSql(const std::string& table,
                               const std::vector<std::pair<std::string, Variant>>& values);
std::string SQLiteUpdateRowSql(const std::string& table,
                               const std::vector<std::pair<std::string, Variant>>& values);

// One row of PRAGMA table_info: name, declared type, primary-key position.
struct PragmaColumn {
    std::string Name;
    std::string DeclType;
    bool PrimaryKey = false;
};
// The layout the translator works from. `autoIncrement(column)` tells
// whether the lone INTEGER PRIMARY KEY was declared AUTOINCREMENT (what
// IDENTITY becomes): only then is it the identity.
template <typename AutoIncrement>
TableInfo SQLiteTableInfo(const std::string& name, std::vector<PragmaColumn> columns,
                          AutoIncrement&& autoIncrement);

struct DatabaseCache;
struct sqlite3;
// The tempdb file beside database `path`, made when missing: tempdb..
// tables outlive a connection, as SQL Server's do. "" with `err` set when it
// cannot be made.
std::string SQLiteTempdbFile(const std::string& path, DBError& err);
// Whether `column` of `schema`.`table` was declared AUTOINCREMENT (false
// without a handle).
bool SQLiteIsAutoIncrement(sqlite3* handle, const std::string& schema, const std::string& table,
                           const std::string& column);
// How one client reaches its database for a table look-up.
class SQLiteLayoutReader {
  public:
    // Attaches the tempdb file once per connection.
    virtual bool EnsureTempdb(DBError& err) = 0;
    // The rows of PRAGMA <db>.table_info(table); false when it cannot run.
    virtual bool ReadTableColumns(const std::string& db, const std::string& table,
                                  std::vector<PragmaColumn>& columns) = 0;
    // Whether the row id `column` was declared AUTOINCREMENT.
    virtual bool IsAutoIncrement(const std::string& db, const std::string& table,
                                 const std::string& column) = 0;

  protected:
    ~SQLiteLayoutReader() = default;
};
// The layout of table `name` (schema "", "tempdb" or an attached one; #t is
// the connection's temporary table): from the cache the database's
// connections share, else read and remembered there (a #table is read each
// time, being the connection's own). Pinned in `pins` until the caller lets
// go; nullptr when there is no such table.
const TableInfo* SQLiteFindTable(DatabaseCache& cache,
                                 std::vector<std::shared_ptr<const TableInfo>>& pins,
                                 const std::string& schema, const std::string& name,
                                 SQLiteLayoutReader& reader);

// Only the first rows of a request carry the row ids an updatable recordset
// writes back through: whether the rows `st` selects are to give them.
inline bool SQLiteWantsRowIds(bool firstRows, const SqlStatement& st) {
    return firstRows && st.UpdatableRowid && st.AssignTargets.empty();
}
// After a SELECT's rows are read: `ids` kept in `out` when they were
// wanted; rows given to the caller (not to variables) end the first rows.
void SQLiteKeepRowIds(const SqlStatement& st, bool wanted, std::vector<int64_t> ids,
                      bool& firstRows, BatchOutput& out);

// The ADO type a value read without a declared type reports.
int SQLiteAdoTypeOfValue(const Variant& v);

// A value SQLite holds (`raw`: integer, real, text or blob as its storage
// class gave it) as a column of type `t` reads: BIT as a boolean, numbers of
// numeric columns as numbers, dates parsed from their storage text; a value
// the type does not fit stays as it was stored.
Variant SQLiteStoredValue(Variant raw, SqlType t);

template <typename AutoIncrement>
TableInfo SQLiteTableInfo(const std::string& name, std::vector<PragmaColumn> columns,
                          AutoIncrement&& autoIncrement) {
    TableInfo info;
    info.Name = name;
    int pkCount = 0, pkIndex = -1;
    for (auto& p : columns) {
        ColumnInfo c;
        c.Name = std::move(p.Name);
        c.DeclType = std::move(p.DeclType);
        c.Type = ParseTypeName(c.DeclType);
        c.PrimaryKey = p.PrimaryKey;
        if (c.PrimaryKey) {
            ++pkCount;
            pkIndex = static_cast<int>(info.Columns.size());
        }
        info.Columns.push_back(std::move(c));
    }
    // A plain INTEGER PRIMARY KEY takes the values it is given.
    if (pkCount == 1) {
        const ColumnInfo& pk = info.Columns[static_cast<std::size_t>(pkIndex)];
        if (LowerAscii(pk.DeclType) == "integer" && autoIncrement(pk.Name))
            info.IdentityColumn = pkIndex;
    }
    return info;
}

// A parameter in the form SQLite stores it: date-times as their storage
// text in the kind of column they go to, date texts normalised for such a
// column, booleans as 0/1, money as a real.
Variant SQLiteStorageParam(const Variant& v, SqlType kind);
