#include "sql/odbc/odbcengine.h"

#include <exception>

#include "platform/textutil.h"
#include "sql/odbc/odbcprocedurecontext.h"
#include "sql/odbc/odbcsqlite.h"
#include "sql/postgres/pgtranslate.h"
#include "sql/postgres/pgwriteback.h"
#include "sql/tsql/tsqlrunner.h"

namespace {

void AddResults(std::vector<OdbcResult>& results, bool noCount, BatchOutput& out) {
    for (auto& r : results) {
        if (r.Rows) {
            out.Results.push_back(std::move(r.Rows));
        } else if (r.Changed >= 0) {
            out.RecordsAffected += r.Changed;
            if (!noCount)
                out.Results.push_back(std::make_shared<Recordset>(Recordset::Closed(r.Changed)));
        }
    }
}

}  // namespace

bool IsSqlServerDbms(const std::string& dbms) {
    return LowerAscii(dbms).find("sql server") != std::string::npos;
}

OdbcEngine::OdbcEngine(Kind kind) : kind_(kind) {}
OdbcEngine::~OdbcEngine() = default;

void OdbcEngine::Close() {
    sqlite_.reset();
    conn_.Close();
}

bool OdbcEngine::Open(const ConnectionProperties& props, DBError& err) {
    OdbcLogin login;
    std::string error;
    bool mapped = kind_ == Kind::SqlServer ? MapSqlServerConnection(props, login, error)
                                           : MapOdbcConnection(props, login, error);
    if (!mapped) {
        err.Set(kErrConnection, error);
        return false;
    }
    conn_.SetTimeout(timeout_);
    sqlite_.reset();
    conn_.SetStorageForms(nullptr);
    auto driver = props.find("driver");
    const bool sqliteDriver = kind_ == Kind::Odbc && driver != props.end() &&
                              LowerAscii(driver->second).find("sqlite") != std::string::npos;
    if (sqliteDriver) login.ConnectionString = OdbcSQLiteConnectionString(login.ConnectionString);
    // The SQLite driver's connection gets the T-SQL functions as it opens.
    DriverHookScope hooks;
    if (!conn_.Connect(login.ConnectionString, login.LoginTimeout, err)) {
        conn_.Close();
        // The SQLite driver says only "connect failed": name the file.
        auto database = props.find("database");
        if (sqliteDriver && database != props.end())
            err.Message = "Cannot open database \"" + database->second + "\": " + err.Message;
        return false;
    }
    std::string dbms = conn_.DbmsName();
    if (kind_ == Kind::SqlServer || IsSqlServerDbms(dbms))
        dialect_ = Dialect::TSql;
    else if (dbms == "PostgreSQL")
        dialect_ = Dialect::PostgreSQL;
    else if (dbms == "SQLite")
        dialect_ = Dialect::SQLite;
    else
        dialect_ = Dialect::AsItStands;
    identity_.Reset();
    inTransaction_ = false;
    citext_ = false;
    textToDates_ = false;
    conn_.SetNameSpelling(dialect_ == Dialect::PostgreSQL ? PgSchemaSpelling : nullptr);
    conn_.SetOnReconnect(nullptr);
    if (dialect_ == Dialect::SQLite) {
        auto database = props.find("database");
        sqlite_ = std::make_unique<OdbcSQLite>(
            conn_, hooks.Taken(), database != props.end() ? database->second : std::string());
        sqlite_->SetTimeout(timeout_);
        if (!sqlite_->Start(err)) {
            Close();
            return false;
        }
    }
    if (dialect_ == Dialect::PostgreSQL) {
        StartPgSession();
        // A connection the driver lost is opened again by the next statement:
        // that session needs the same setup before it runs anything.
        conn_.SetOnReconnect([this] { StartPgSession(); });
    }
    return true;
}

void OdbcEngine::StartPgSession() {
    identity_.Reset();
    inTransaction_ = false;
    std::vector<OdbcResult> results;
    DBError ignored;
    citext_ =
        conn_.Run("SELECT 1 FROM pg_extension WHERE extname = 'citext'", {}, results, ignored) &&
        !results.empty() && results[0].Rows && results[0].Rows->RecordCount() == 1;
    textToDates_ = conn_.Run(kPgTextToDatesSql, {}, results, ignored) && !results.empty() &&
                   results[0].Rows && results[0].Rows->RecordCount() == 1;
    conn_.Run(kPgSearchPathSql, {}, results, ignored);
}

void OdbcEngine::SetCommandTimeout(int32_t seconds) {
    timeout_ = seconds;
    conn_.SetTimeout(seconds);
    if (sqlite_) sqlite_->SetTimeout(seconds);
}

bool OdbcEngine::RunNative(const std::string& sql, BatchOutput& out, DBError& err) {
    std::vector<OdbcResult> results;
    if (!conn_.Run(sql, {}, results, err)) return false;
    // The server leaves out the counts itself under SET NOCOUNT ON.
    AddResults(results, false, out);
    return true;
}

// The connection as the shared PostgreSQL executor uses it: $n markers
// become ODBC's ? in binding order, values bound with their own types (the
// statement's casts give the rest). The first rows of an updatable request
// also give the row ids the recordset writes back through (pgwriteback.h).
class OdbcPgClient : public PgClient {
  public:
    explicit OdbcPgClient(OdbcEngine& engine, BatchOutput* out = nullptr, bool updatable = false)
        : e_(engine), out_(out), updatable_(updatable) {}

    bool Run(const std::string& sql, const std::vector<Variant>& params, StatementOutcome& outcome,
             DBError& err, const SqlStatement* statement) override {
        std::vector<int> order;
        std::vector<OdbcResult> results;
        // The markers first: they give the order the values are bound in.
        std::string text = OdbcMarkers(sql, order);
        statementError_ = 0;
        const bool rowsWanted = statement != nullptr && statement->AssignTargets.empty();
        const bool describe = rowsWanted && updatable_ && firstRows_ && out_ != nullptr;
        e_.conn_.SetDescribeBase(describe);
        const bool ok = e_.conn_.Run(text, OdbcParams(params, order), results, err);
        e_.conn_.SetDescribeBase(false);
        if (!ok) {
            statementError_ = PgStatementErrorNumber(e_.conn_.LastState(), e_.inTransaction_);
            err.Message = PgDriverMessage(err.Message, e_.conn_.LastState());
            return false;
        }
        for (auto& r : results) {
            if (r.Rows)
                outcome.Rows = std::move(r.Rows);
            else
                outcome.Changed = r.Changed;
        }
        if (outcome.Rows && rowsWanted) {
            if (describe) PgRowIdsByBaseNames(*this, *outcome.Rows, *out_);
            firstRows_ = false;
        }
        return true;
    }

    bool Transaction(const std::string& verb, DBError& err) override {
        std::vector<OdbcResult> ignored;
        bool ok = e_.conn_.Run(verb, {}, ignored, err);
        // A failed COMMIT ends the transaction too.
        e_.inTransaction_ = ok && verb == "BEGIN";
        return ok;
    }

    bool InTransaction() override { return e_.inTransaction_; }
    int32_t StatementError() const override { return statementError_; }

    bool CallProcedure(const std::string& name, const std::vector<ProcedureArg>& args,
                       ProcedureResult& result, std::optional<int64_t>& lastCount,
                       DBError& err) override {
        OdbcProcedureContext ctx(e_.conn_, true);
        return PgRunProcedure(*this, e_.identity_, ctx, name, args, result, lastCount, err);
    }

    std::unique_ptr<ProcedureContext> NewContext() override {
        return std::make_unique<OdbcProcedureContext>(e_.conn_, true);
    }

  private:
    OdbcEngine& e_;
    BatchOutput* out_;
    bool updatable_;
    bool firstRows_ = true;
    int32_t statementError_ = 0;
};

bool OdbcEngine::RunPostgreSQL(const std::string& tsql, bool updatable, BatchOutput& out,
                               DBError& err) {
    Batch batch;
    std::string error;
    PgStatementTranslator translator(citext_, textToDates_);
    if (!ParseBatch(tsql, translator, batch, error)) {
        err.Set(kErrSql, error);
        return false;
    }
    OdbcPgClient client(*this, &out, updatable);
    PgBatchExecutor executor(client, identity_, citext_);
    BatchRunner runner(executor, out);
    return runner.Run(batch, err);
}

bool OdbcEngine::Execute(const std::string& tsql, bool updatable, BatchOutput& out, DBError& err) {
    if (!conn_.IsOpen()) {
        err.Set(kErrConnection, "The connection is closed.");
        return false;
    }
    if (sqlite_) return sqlite_->Execute(tsql, updatable, out, err);
    if (updatable && dialect_ != Dialect::PostgreSQL) {
        err.Set(kErrSql, "Unsupported T-SQL construct: updatable recordsets on an ODBC connection");
        return false;
    }
    if (dialect_ != Dialect::PostgreSQL) return RunNative(tsql, out, err);
    bool ok = RunPostgreSQL(tsql, updatable, out, err);
    if (ok) return true;
    if (err.Number == kErrConnection) {
        identity_.Reset();  // the next statement reaches a new session
    } else if (inTransaction_ && conn_.IsOpen()) {
        // A failed batch must not leave a transaction (and its locks) open,
        // nor the session refusing every statement until it ends.
        std::vector<OdbcResult> ignored;
        DBError ignoredErr;
        conn_.Run("ROLLBACK", {}, ignored, ignoredErr);
    }
    inTransaction_ = false;
    return false;
}

bool OdbcEngine::CallOnServer(const std::string& name, const std::vector<ProcedureArg>& args,
                              ProcedureResult& result, DBError& err) {
    std::string batch, error;
    std::vector<Variant> params;
    if (!SqlServerCallBatch(name, args, batch, params, error)) {
        err.Set(kErrSql, error);
        return false;
    }
    std::vector<OdbcResult> results;
    if (!conn_.Run(batch, params, results, err)) return false;
    std::vector<std::shared_ptr<Recordset>> sets;
    for (auto& r : results)
        if (r.Rows) sets.push_back(std::move(r.Rows));
    if (sets.empty()) {
        err.Set(kErrSql, "Procedure " + name + " returned no status.");
        return false;
    }
    // The last row set is the call's own: the return value, then each output.
    std::shared_ptr<Recordset> status = sets.back();
    sets.pop_back();
    result.ResultSets = std::move(sets);
    if (status->RecordCount() > 0) {
        const Recordset::Row& row = status->Rows()[0];
        result.ReturnValue = row.empty() ? 0 : row[0].ToInt64();
        std::size_t column = 1;
        for (const ProcedureArg& a : args) {
            if (a.Direction != adParamOutput && a.Direction != adParamInputOutput) continue;
            OutputParam o;
            o.Name = a.Name;
            o.Direction = a.Direction;
            if (column < row.size()) o.Value = row[column];
            ++column;
            result.Outputs.push_back(std::move(o));
        }
    }
    return true;
}

bool OdbcEngine::CallProcedure(const std::string& name, const std::vector<ProcedureArg>& args,
                               ProcedureResult& result, DBError& err) {
    if (!conn_.IsOpen()) {
        err.Set(kErrConnection, "The connection is closed.");
        return false;
    }
    if (dialect_ == Dialect::TSql) return CallOnServer(name, args, result, err);
    if (sqlite_) return sqlite_->CallProcedure(name, args, result, err);
    OdbcProcedureContext ctx(conn_, dialect_ == Dialect::PostgreSQL);
    return RunClientProcedure(name, args, result, ctx, err);
}

bool OdbcEngine::WriteRow(const std::string& table, bool isNew, int64_t& rowId,
                          const std::vector<std::pair<std::string, Variant>>& values,
                          std::vector<std::pair<std::string, Variant>>& refreshed, DBError& err) {
    if (dialect_ == Dialect::PostgreSQL && conn_.IsOpen()) {
        OdbcPgClient client(*this);
        return PgWriteRow(client, identity_, table, isNew, rowId, values, refreshed, err);
    }
    if (sqlite_ && conn_.IsOpen())
        return sqlite_->WriteRow(table, isNew, rowId, values, refreshed, err);
    err.Set(kErrSql, "Unsupported T-SQL construct: updatable recordsets on an ODBC connection (" +
                         table + ")");
    return false;
}
