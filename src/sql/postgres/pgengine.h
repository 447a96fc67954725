#pragma once
// The engine behind Provider=PostgreSQL (libpq): Data Source is HOST[:PORT],
// Initial Catalog the database, User ID and Password the login (libpq's
// environment and service files fill in what the string leaves out). T-SQL
// batches are rewritten statement by statement (pgtranslate.h) and run in
// order; each row-returning statement gives one recordset.
#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include "sql/dbengine.h"
#include "sql/postgres/pgtranslate.h"

struct pg_conn;
struct pg_result;

// What a database needs beyond the schema for T-SQL's meaning: citext
// (case-insensitive text), comparisons that ignore trailing blanks, texts
// meeting numbers, "+" joining texts (pgengine.cpp tells the details).
// Run by the database's owner when it is made.
extern const char* const kPgDatabaseSetupSql;

class PgEngine : public DBEngine {
  public:
    PgEngine() = default;
    PgEngine(const PgEngine&) = delete;
    PgEngine& operator=(const PgEngine&) = delete;
    ~PgEngine() override;

    bool Open(const ConnectionProperties& props, DBError& err) override;
    void Close() override;
    bool IsOpen() const override;
    void SetCommandTimeout(int32_t seconds) override;
    bool Execute(const std::string& tsql, bool updatable, BatchOutput& out, DBError& err) override;
    bool CallProcedure(const std::string& name, const std::vector<ProcedureArg>& args,
                       ProcedureResult& result, DBError& err) override;
    bool WriteRow(const std::string& table, bool isNew, int64_t& rowId,
                  const std::vector<std::pair<std::string, Variant>>& values,
                  std::vector<std::pair<std::string, Variant>>& refreshed, DBError& err) override;

  private:
    // Runs one statement; false with `err` set. A lost connection is closed
    // here so that the next statement reconnects.
    bool Run(const std::string& sql, const std::vector<std::string>& params, BatchOutput& out,
             bool addResults, DBError& err, int64_t* changed = nullptr, bool rowIds = false);
    void Failed(DBError& err, const std::string& fallback);
    void ReadIdentity();
    // Column names as CREATE TABLE spelled them go into tsql.names, so that
    // SELECT * names its columns as SQL Server does (PostgreSQL folds them).
    void KeepSpellings(const std::vector<std::string>& columns);
    // Updatable recordsets know their rows by the single integer primary key
    // (or identity column) of their one table: the ids come from that column
    // of the result, which must hold it. False when the result cannot be
    // written back.
    bool ReadRowIds(const pg_result* res, BatchOutput& out);
    // The key column of `table` (a name or an OID in text), "" when none.
    std::string KeyColumn(const std::string& table, std::string* tableName = nullptr);
    // After an INSERT that named the identity column: its sequence moves past
    // the largest id, so later inserts do not collide with the explicit one.
    // False when the table has no identity column.
    bool CatchUpIdentity(const std::string& table, const std::vector<std::string>& columns);
    // Identity column and its sequence of `table` ("" when none), cached.
    const std::pair<std::string, std::string>& IdentityOf(const std::string& table);
    // An INSERT without a column list into a table with an identity column
    // gets the list of the other columns: SQL Server's positional values
    // skip the identity.
    std::string InsertSql(const PgStatement& s);

    pg_conn* conn_ = nullptr;
    int32_t timeout_ = 30;
    bool citext_ = false;   // text columns are created as citext
    bool noCount_ = false;  // SET NOCOUNT ON for this batch
    int64_t rowCount_ = 0;  // @@ROWCOUNT
    std::string identity_;  // @@IDENTITY as text, "" for NULL
    // Identity column and sequence by table ("" when none), per connection.
    std::map<std::string, std::pair<std::string, std::string>> identities_;
    std::map<std::string, std::string> spellings_;  // declared column names by folded name
};
