#pragma once
// Runs the installation's procedures (written against ProcedureContext with
// SQLite-style statements: ? placeholders, IFNULL) on a PostgreSQL
// connection. A unique-key violation reads "UNIQUE constraint failed" as on
// the embedded engine, so that procedures relying on a unique index (one
// standing hold per table) answer the same on both engines.
#include <cstdint>
#include <string>
#include <vector>

#include "sql/dbprocedures.h"

struct pg_conn;

// The statement with ? turned into $1, $2 ... and IFNULL into COALESCE.
std::string PgProcedureSql(const std::string& sql);

class PgProcedureContext : public ProcedureContext {
  public:
    explicit PgProcedureContext(pg_conn* conn) : conn_(conn) {}
    std::shared_ptr<Recordset> Query(const std::string& sql,
                                     const std::vector<Variant>& params) override;
    bool Execute(const std::string& sql, const std::vector<Variant>& params,
                 int64_t* changes = nullptr) override;
    int64_t LastInsertId() override;
    std::string LastError() override { return error_; }
    bool Lost() const { return lost_; }
    bool TimedOut() const { return timedOut_; }
    // The row count of the last statement (for @@ROWCOUNT); false when none ran.
    bool Ran() const { return ran_; }
    int64_t LastCount() const { return lastCount_; }

  private:
    struct pg_result* Run(const std::string& sql, const std::vector<Variant>& params);

    pg_conn* conn_;
    std::string error_;
    bool lost_ = false;
    bool timedOut_ = false;
    bool ran_ = false;
    int64_t lastCount_ = 0;
};
