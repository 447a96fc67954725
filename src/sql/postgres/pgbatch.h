#pragma once
// The shared batch runner's statements on a PostgreSQL session, whichever
// client library carries them (libpq, or ODBC's PostgreSQL driver). What
// does not depend on the library lives here once: @@IDENTITY upkeep (the
// identity's sequence caught up after explicit ids, lastval() read without
// endangering an open transaction), the temporary tables of table
// functions, and the schema's spelling of folded column names. A client
// only runs one statement with $1, $2 ... markers and says whether a
// transaction is open.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "sql/tsql/tsqlrunner.h"

// `name` in the installation schema's spelling when it is a column name
// PostgreSQL folded to lower case; SQL Server gives SELECT * columns their
// declared spelling, and the programs copy such rows into maps keyed by it.
const std::string& PgSchemaSpelling(const std::string& name);

// SQL Server's words for the run-time errors programs and people recognise
// (overflow, division by zero, failed conversions), from the SQLSTATE and
// PostgreSQL's primary message; other messages stay as they are.
std::string PgSqlServerMessage(const std::string& state, const std::string& message);

// T-SQL's @@ERROR for a failure that ends only its statement: a constraint
// violation (SQLSTATE `state`) while no transaction is open, which the server
// undid alone. 0 for every other failure: inside a transaction the server
// aborts the transaction, so the batch has to end.
int32_t PgStatementErrorNumber(const std::string& state, bool inTransaction);

// Puts the database setup's T-SQL operators and functions before the
// built-in ones for this session, whichever client opened it: set on each
// connection as well as on the database, since a database copied from a
// template does not take the template's settings along.
extern const char* const kPgSearchPathSql;

// One row when the database's setup could make text convert to date-times
// as SQL Server converts it (the casts need a superuser); none otherwise.
extern const char* const kPgTextToDatesSql;

// One PostgreSQL connection as the shared executor uses it.
class PgClient {
  public:
    virtual ~PgClient() = default;
    // Runs one statement ($1, $2 ... markers, types given by casts in the
    // text) with `params`; rows or the count changed (-1 for none) in
    // `outcome`. A lost connection fails with 0x80004005.
    // `statement` is the batch's statement this runs, nullptr for the
    // executor's own queries.
    virtual bool Run(const std::string& sql, const std::vector<Variant>& params,
                     StatementOutcome& outcome, DBError& err, const SqlStatement* statement) = 0;
    // BEGIN, COMMIT or ROLLBACK.
    virtual bool Transaction(const std::string& verb, DBError& err) = 0;
    virtual bool InTransaction() = 0;
    // Runs one of the installation's procedures over this connection;
    // `lastCount` as in StatementExecutor::CallProcedure.
    virtual bool CallProcedure(const std::string& name, const std::vector<ProcedureArg>& args,
                               ProcedureResult& result, std::optional<int64_t>& lastCount,
                               DBError& err) = 0;
    // The context a table function's body runs in.
    virtual std::unique_ptr<ProcedureContext> NewContext() = 0;
    // As StatementExecutor::StatementError, for the last Run.
    virtual int32_t StatementError() const { return 0; }
};

// @@IDENTITY of one PostgreSQL connection, kept between its batches.
class PgIdentity {
  public:
    // A new connection: nothing drawn, no table looked up.
    void Reset();
    std::optional<int64_t> Value() const { return value_; }
    // After an INSERT of rows into `table` ("" for a temporary table) naming
    // `columns` (lower case; empty when the statement named none).
    void AfterInsert(PgClient& client, const std::string& table,
                     const std::vector<std::string>& columns);

    // An INSERT without a column list into a table with an identity column
    // gets the list of the other columns: SQL Server's positional values
    // skip the identity.
    std::string InsertSql(PgClient& client, const std::string& sql, const std::string& table,
                          const std::vector<std::string>& columns);
    // After a procedure whose last INSERT added `rows` (negative: it ran
    // none): @@IDENTITY follows that insert, as on the embedded engine.
    void AfterProcedure(PgClient& client, int64_t rows);

  private:
    // lastval(), inside a savepoint when a transaction is open: lastval()
    // fails until the session drew a value, and a failure would abort the
    // transaction.
    void Read(PgClient& client);
    // The identity column and its sequence of `table` ("" when none).
    const std::pair<std::string, std::string>& Of(PgClient& client, const std::string& table);

    std::optional<int64_t> value_;
    std::map<std::string, std::pair<std::string, std::string>> identities_;
};

class ClientProcedureContext;
// Runs an installation procedure for the executor in `ctx` (a context on
// `client`'s connection): @@ROWCOUNT (`lastCount`) and @@IDENTITY follow the
// procedure's last statements. Fails as RunClientProcedure.
bool PgRunProcedure(PgClient& client, PgIdentity& identity, ClientProcedureContext& ctx,
                    const std::string& name, const std::vector<ProcedureArg>& args,
                    ProcedureResult& result, std::optional<int64_t>& lastCount, DBError& err);

// StatementExecutor over any PostgreSQL client: one statement per call,
// never a multi-statement string, values never pasted into SQL text.
class PgBatchExecutor : public StatementExecutor {
  public:
    // `citext`: the database has citext, so function tables' text columns
    // compare ignoring case like the rest.
    PgBatchExecutor(PgClient& client, PgIdentity& identity, bool citext)
        : client_(client), identity_(identity), citext_(citext) {}

    bool Run(const SqlStatement& st, const std::vector<BoundParam>& params,
             StatementOutcome& outcome, DBError& err) override;
    bool Evaluate(const SqlStatement& st, const std::vector<BoundParam>& params, Variant& value,
                  DBError& err) override;
    bool FunctionArgs(const TableFunctionCall& call, const std::vector<BoundParam>& params,
                      std::vector<Variant>& args, DBError& err) override;
    bool Transaction(const std::string& verb, DBError& err) override;
    std::optional<int64_t> Identity() override { return identity_.Value(); }
    bool CallProcedure(const std::string& name, const std::vector<ProcedureArg>& args,
                       ProcedureResult& result, std::optional<int64_t>& lastCount,
                       DBError& err) override {
        return client_.CallProcedure(name, args, result, lastCount, err);
    }
    std::unique_ptr<ProcedureContext> FunctionContext() override { return client_.NewContext(); }
    int32_t StatementError() const override { return client_.StatementError(); }
    bool FillFunctionTable(const TableFunctionCall& call, const std::vector<std::string>& columns,
                           const std::vector<Recordset::Row>& rows, DBError& err) override;
    void DropFunctionTable(const TableFunctionCall& call) override;

  private:
    PgClient& client_;
    PgIdentity& identity_;
    bool citext_;
};
