#pragma once
// The engine behind Provider=PostgreSQL (libpq): Data Source is HOST[:PORT],
// Initial Catalog the database, User ID and Password the login (libpq's
// environment and service files fill in what the string leaves out). T-SQL
// batches are rewritten statement by statement (pgtranslate.h) and run in
// order by the shared batch runner (tsqlrunner.h), which keeps variables,
// IF, EXEC and @@ROWCOUNT; each row-returning statement gives one recordset.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>

#include "sql/dbengine.h"
#include "sql/postgres/pgbatch.h"
#include "sql/postgres/pgstatementcache.h"

struct pg_conn;
struct pg_result;
struct Batch;

// What a database needs beyond the schema for T-SQL's meaning: citext
// (case-insensitive text), comparisons that ignore trailing blanks, texts
// meeting numbers, "+" joining texts (pgengine.cpp tells the details).
// Run by the database's owner when it is made; running it again is harmless.
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
    friend class LibpqClient;

    // A lost connection is closed here so that the next statement reconnects.
    void Failed(DBError& err, const std::string& fallback);
    // Updatable recordsets know their rows by the single integer key of their
    // one table (pgwriteback.h): the ids come from that column of `res`
    // (read into `rows`), which must hold it. False when the result cannot
    // be written back.
    bool ReadRowIds(const pg_result* res, const Recordset& rows, BatchOutput& out);

    pg_conn* conn_ = nullptr;
    int32_t timeout_ = 30;
    bool citext_ = false;       // text columns are created as citext
    bool textToDates_ = false;  // kPgTextToDatesSql found the casts
    PgIdentity identity_;
    PgStatementCache statements_;  // prepared statements of this connection
    // Parsed batches by T-SQL text. The translation depends only on the
    // text and citext_, so the cache lives as long as the connection.
    std::unordered_map<std::string, std::shared_ptr<const Batch>> batches_;
};
