#pragma once
// Runs the installation's procedures (written with SQLite-style statements:
// ? markers, IFNULL, the embedded engine's clock) over an ODBC connection to
// a database that does not hold them itself. On PostgreSQL the statements
// are rewritten as for the libpq engine, and a unique-key violation reads
// "UNIQUE constraint failed" as the procedures expect.
#include <cstdint>
#include <string>
#include <vector>

#include "sql/dbprocedures.h"
#include "sql/odbc/odbcconnection.h"

// Numbered markers (outside quotes) turned into ODBC's plain ?: PostgreSQL's
// $1, $2 ... (`sign` '$') or SQLite's ?1, ?2 ... (`sign` '?', where a bare ?
// is the number after the highest so far). `order` receives, for each ?,
// the 1-based number it stood for, so that a value used twice or out of
// order is bound at each place.
std::string OdbcMarkers(const std::string& pgSql, std::vector<int>& order, char sign = '$');
// The values in the order of the ? markers OdbcMarkers made.
std::vector<Variant> OdbcParams(const std::vector<Variant>& values, const std::vector<int>& order);

// The PostgreSQL driver's error text ("ERROR: msg;\nError while executing
// the query") as the libpq engine gives it: the server's message in SQL
// Server's words where it has them.
std::string PgDriverMessage(const std::string& text, const std::string& state);

class OdbcProcedureContext : public ProcedureContext {
  public:
    OdbcProcedureContext(OdbcConnection& conn, bool postgres) : conn_(conn), postgres_(postgres) {}
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
    // Rows added by the last INSERT it ran, -1 when it ran none.
    int64_t LastInsertRows() const { return lastInsertRows_; }

  private:
    bool Run(const std::string& sql, const std::vector<Variant>& params,
             std::vector<OdbcResult>& results);

    OdbcConnection& conn_;
    bool postgres_;
    std::string error_;
    bool lost_ = false;
    bool timedOut_ = false;
    bool ran_ = false;
    int64_t lastCount_ = 0;
    int64_t lastInsertRows_ = -1;
};
