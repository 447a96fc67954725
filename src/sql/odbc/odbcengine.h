#pragma once
// The engine behind the SQL Server providers (SQLOLEDB, SQLNCLI..., MSOLEDBSQL:
// FreeTDS's driver) and Provider=ODBC (any driver, keys as they stand).
//
// What a batch becomes depends on the database the driver reaches: SQL
// Server takes T-SQL as it is, and runs its own procedures; PostgreSQL gets
// the batch translated and run by the shared runner exactly as on the libpq
// engine (pgbatch.h), SQLite as on the native SQLite engine (odbcsqlite.h),
// only the statements travel through ODBC; any other database gets the text
// as it stands. Where the database does not hold the procedures (every one
// but SQL Server), they are the installation's own, run over this
// connection.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "sql/dbengine.h"
#include "sql/odbc/odbcconnection.h"
#include "sql/odbc/odbcmapping.h"
#include "sql/postgres/pgbatch.h"

class OdbcEngine : public DBEngine {
  public:
    enum class Kind : uint8_t { SqlServer, Odbc };
    explicit OdbcEngine(Kind kind);
    ~OdbcEngine() override;

    bool Open(const ConnectionProperties& props, DBError& err) override;
    void Close() override;
    bool IsOpen() const override { return conn_.IsOpen(); }
    void SetCommandTimeout(int32_t seconds) override;
    bool Execute(const std::string& tsql, bool updatable, BatchOutput& out, DBError& err) override;
    bool CallProcedure(const std::string& name, const std::vector<ProcedureArg>& args,
                       ProcedureResult& result, DBError& err) override;
    bool WriteRow(const std::string& table, bool isNew, int64_t& rowId,
                  const std::vector<std::pair<std::string, Variant>>& values,
                  std::vector<std::pair<std::string, Variant>>& refreshed, DBError& err) override;

  private:
    enum class Dialect : uint8_t { TSql, PostgreSQL, SQLite, AsItStands };

    // A new PostgreSQL session, at Open and after a reconnect: citext found,
    // the search path set, no identity drawn, no transaction open.
    void StartPgSession();
    bool RunNative(const std::string& sql, BatchOutput& out, DBError& err);
    bool RunPostgreSQL(const std::string& tsql, bool updatable, BatchOutput& out, DBError& err);
    bool CallOnServer(const std::string& name, const std::vector<ProcedureArg>& args,
                      ProcedureResult& result, DBError& err);

    Kind kind_;
    Dialect dialect_ = Dialect::AsItStands;
    OdbcConnection conn_;
    int32_t timeout_ = 30;
    // PostgreSQL: text columns are citext; @@IDENTITY; whether the batches
    // opened a transaction (the driver does not tell).
    bool citext_ = false;
    bool textToDates_ = false;  // kPgTextToDatesSql found the casts
    PgIdentity identity_;
    bool inTransaction_ = false;
    // SQLite: the session the batches run in.
    std::unique_ptr<class OdbcSQLite> sqlite_;

    friend class OdbcPgClient;
};

// How an ODBC driver's database is told apart (SQL_DBMS_NAME).
bool IsSqlServerDbms(const std::string& dbms);
