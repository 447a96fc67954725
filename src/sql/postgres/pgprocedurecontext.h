#pragma once
// Runs the installation's procedures (written against ProcedureContext with
// SQLite-style statements: ? placeholders, IFNULL) on a libpq connection.
#include <cstdint>
#include <string>
#include <vector>

#include "sql/clientprocedurecontext.h"

struct pg_conn;

// The statement with ? turned into $1, $2 ... and IFNULL into COALESCE.
std::string PgProcedureSql(const std::string& sql);

class PgProcedureContext : public ClientProcedureContext {
  public:
    explicit PgProcedureContext(pg_conn* conn) : conn_(conn) {}
    std::shared_ptr<Recordset> Query(const std::string& sql,
                                     const std::vector<Variant>& params) override;
    bool Execute(const std::string& sql, const std::vector<Variant>& params,
                 int64_t* changes = nullptr) override;
    int64_t LastInsertId() override;

  private:
    struct pg_result* Run(const std::string& sql, const std::vector<Variant>& params);

    pg_conn* conn_;
};
