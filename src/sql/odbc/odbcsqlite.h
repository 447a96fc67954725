#pragma once
// T-SQL on a SQLite database reached through ODBC's SQLite driver, run as the
// native SQLite engine runs it: the same translation (and its cache, shared
// with native connections to the same file), the same batch runner, values
// bound and read in the same storage forms; only the statements travel
// through the driver.
//
// The translation calls functions and the NOCASE collation that only this
// program provides: they come onto the driver's connection through
// sqlitedriverhooks.h, which also hands over the driver's sqlite3 handle.
// The handle is used for connection state alone (last row id, the extended
// code of a failed statement, whether a transaction is open) and the time-out
// deadline; every statement goes through ODBC.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "sql/dbengine.h"
#include "sql/odbc/odbcconnection.h"
#include "sql/sqlite/sqliteconnection.h"
#include "sql/sqlite/sqlitedriverhooks.h"

// The keys the driver gets unless the connection string gives them: 64-bit
// integers, the write-ahead log and NORMAL syncing the native engine uses,
// a missing file refused rather than created empty, and a lock held by
// another workstation waited for as long as a command may run.
std::string OdbcSQLiteConnectionString(const std::string& connectionString);

class OdbcSQLite : public SchemaSource, public SQLiteLayoutReader {
  public:
    // `hooks`: what the open left on the driver's connection (null when the
    // driver uses a SQLite of its own); `path`: the database file.
    OdbcSQLite(OdbcConnection& conn, std::shared_ptr<DriverHookState> hooks, std::string path);

    // Checks that the functions reached the driver's connection and sets
    // the session up; false with a message saying why not.
    bool Start(DBError& err);
    void SetTimeout(int32_t seconds) { timeout_ = seconds; }

    bool Execute(const std::string& tsql, bool updatable, BatchOutput& out, DBError& err);
    bool CallProcedure(const std::string& name, const std::vector<ProcedureArg>& args,
                       ProcedureResult& result, DBError& err);
    bool WriteRow(const std::string& table, bool isNew, int64_t& rowId,
                  const std::vector<std::pair<std::string, Variant>>& values,
                  std::vector<std::pair<std::string, Variant>>& refreshed, DBError& err);

    const TableInfo* FindTable(const std::string& schema, const std::string& name) override;
    bool ReadTableColumns(const std::string& db, const std::string& table,
                          std::vector<PragmaColumn>& columns) override;
    bool IsAutoIncrement(const std::string& db, const std::string& table,
                         const std::string& column) override;
    bool EnsureTempdb(DBError& err) override;

  private:
    friend class OdbcSQLiteExecutor;
    friend class OdbcSQLiteProcedureContext;

    // Runs one statement with ?N markers and values already in storage
    // forms; the results keep the stored classes (ReadTyped types them).
    bool Run(const std::string& sql, const std::vector<Variant>& params,
             std::vector<OdbcResult>& results, DBError& err);
    // Rows as the native engine reads them: declared types, the
    // translation's hints for expressions, untyped columns by value; the row
    // id apart when `rowIds` is given and the statement selected one first.
    std::shared_ptr<Recordset> ReadTyped(OdbcResult& r, const SqlStatement* st,
                                         std::vector<int64_t>* rowIds);
    bool RunProcedure(const std::string& name, const std::vector<ProcedureArg>& args,
                      ProcedureResult& result, std::optional<int64_t>* lastCount, DBError& err);
    void SchemaChanged();
    bool InTransaction() const;
    std::optional<int64_t> LastRowId() const;

    OdbcConnection& conn_;
    std::shared_ptr<DriverHookState> hooks_;
    std::string path_;
    std::shared_ptr<DatabaseCache> cache_;
    std::vector<std::shared_ptr<const TableInfo>> pins_;
    int32_t timeout_ = 30;
    bool tempdb_ = false;
    int lastFailure_ = 0;  // extended code of the last failed statement
    std::optional<int64_t> identity_;
};
