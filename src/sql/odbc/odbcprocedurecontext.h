#pragma once
// Runs the installation's procedures (written with SQLite-style statements:
// ? markers, IFNULL, the embedded engine's clock) over an ODBC connection to
// a database that does not hold them itself. On PostgreSQL the statements
// are rewritten as for the libpq engine.
#include <cstdint>
#include <string>
#include <vector>

#include "sql/clientprocedurecontext.h"
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

class OdbcProcedureContext : public ClientProcedureContext {
  public:
    OdbcProcedureContext(OdbcConnection& conn, bool postgres) : conn_(conn), postgres_(postgres) {}
    std::shared_ptr<Recordset> Query(const std::string& sql,
                                     const std::vector<Variant>& params) override;
    bool Execute(const std::string& sql, const std::vector<Variant>& params,
                 int64_t* changes = nullptr) override;
    int64_t LastInsertId() override;

  private:
    bool Run(const std::string& sql, const std::vector<Variant>& params,
             std::vector<OdbcResult>& results);

    OdbcConnection& conn_;
    bool postgres_;
};
