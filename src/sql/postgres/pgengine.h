#pragma once
// The engine behind Provider=PostgreSQL (libpq): Data Source is HOST[:PORT],
// Initial Catalog the database, User ID and Password the login (libpq's
// environment and service files fill in what the string leaves out). T-SQL
// batches are rewritten statement by statement (pgtranslate.h) and run in
// order by the shared batch runner (tsqlrunner.h), which keeps variables,
// IF, EXEC and @@ROWCOUNT; each row-returning statement gives one recordset.
#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include "sql/dbengine.h"

struct pg_conn;

// What a database needs beyond the schema for T-SQL's meaning: citext
// (case-insensitive text) and "+" joining texts (textcat; NULL + x is NULL).
// Run once by the database's owner when it is made.
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
    friend class PgBatchExecutor;

    // A lost connection is closed here so that the next statement reconnects.
    void Failed(DBError& err, const std::string& fallback);
    // @@IDENTITY after an INSERT of rows into `table` ("" for a temporary
    // table) naming `columns`.
    void AfterInsert(const std::string& table, const std::vector<std::string>& columns);
    // lastval(), inside a savepoint when a transaction is open: lastval()
    // fails until the session drew a value, and a failure would abort the
    // transaction.
    void ReadIdentity();
    // The identity column and its sequence of `table` ("" when none).
    const std::pair<std::string, std::string>& IdentityOf(const std::string& table);
    // After an INSERT that named the identity column: its sequence moves past
    // the largest id, so later inserts do not collide with the explicit one.
    void CatchUpIdentity(const std::string& table, const std::vector<std::string>& columns);
    bool RunProcedure(const std::string& name, const std::vector<ProcedureArg>& args,
                      ProcedureResult& result, class PgProcedureContext& ctx, DBError& err);

    pg_conn* conn_ = nullptr;
    int32_t timeout_ = 30;
    bool citext_ = false;   // text columns are created as citext
    std::string identity_;  // @@IDENTITY as text, "" for NULL
    // Identity column and sequence by table ("" when none), per connection.
    std::map<std::string, std::pair<std::string, std::string>> identities_;
};
