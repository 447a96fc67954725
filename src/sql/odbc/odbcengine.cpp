#include "sql/odbc/odbcengine.h"

#include <exception>

#include "platform/textutil.h"
#include "sql/odbc/odbcprocedurecontext.h"
#include "sql/postgres/pgtranslate.h"

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
    if (!conn_.Connect(login.ConnectionString, login.LoginTimeout, err)) {
        conn_.Close();
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
    rowCount_ = 0;
    identity_.clear();
    identities_.clear();
    citext_ = false;
    if (dialect_ == Dialect::PostgreSQL) {
        std::vector<OdbcResult> results;
        DBError ignored;
        citext_ = conn_.Run("SELECT 1 FROM pg_extension WHERE extname = 'citext'", {}, results,
                            ignored) &&
                  !results.empty() && results[0].Rows && results[0].Rows->RecordCount() == 1;
    }
    return true;
}

void OdbcEngine::SetCommandTimeout(int32_t seconds) {
    timeout_ = seconds;
    conn_.SetTimeout(seconds);
}

bool OdbcEngine::RunNative(const std::string& sql, BatchOutput& out, DBError& err) {
    std::vector<OdbcResult> results;
    if (!conn_.Run(sql, {}, results, err)) return false;
    // The server leaves out the counts itself under SET NOCOUNT ON.
    AddResults(results, false, out);
    return true;
}

void OdbcEngine::CatchUpIdentity(const std::string& table,
                                 const std::vector<std::string>& columns) {
    auto it = identities_.find(table);
    if (it == identities_.end()) {
        std::vector<OdbcResult> found;
        DBError ignored;
        std::pair<std::string, std::string> entry;
        if (conn_.Run("SELECT a.attname, pg_get_serial_sequence(?, a.attname) FROM pg_attribute a "
                      "WHERE a.attrelid = to_regclass(?) AND a.attidentity <> '' AND NOT "
                      "a.attisdropped",
                      {Variant(table), Variant(table)}, found, ignored) &&
            !found.empty() && found[0].Rows && found[0].Rows->RecordCount() == 1)
            entry = {found[0].Rows->Rows()[0][0].ToText(), found[0].Rows->Rows()[0][1].ToText()};
        it = identities_.emplace(table, entry).first;
    }
    const auto& [column, sequence] = it->second;
    if (column.empty()) return;
    bool named = false;
    for (const auto& c : columns)
        named = named || c == column;
    if (!named) return;
    // Only forwards: another workstation may have drawn values meanwhile.
    std::string sql = "SELECT setval(?, m) FROM (SELECT max(\"" + column + "\") AS m FROM \"" +
                      table + "\") x, " + sequence +
                      " s WHERE m IS NOT NULL AND (m > s.last_value OR NOT s.is_called)";
    std::vector<OdbcResult> ignoredResults;
    DBError ignored;
    conn_.Run(sql, {Variant(sequence)}, ignoredResults, ignored);
}

bool OdbcEngine::RunPostgreSQL(const std::string& tsql, BatchOutput& out, DBError& err) {
    std::vector<PgStatement> statements;
    std::string error;
    if (!TranslateBatchToPg(tsql, citext_, statements, error)) {
        err.Set(kErrSql, error);
        return false;
    }
    bool noCount = false;
    for (const PgStatement& s : statements) {
        if (s.kind == PgStatement::Kind::NoCountOn || s.kind == PgStatement::Kind::NoCountOff) {
            noCount = s.kind == PgStatement::Kind::NoCountOn;
            continue;
        }
        std::vector<Variant> params;
        for (PgParam p : s.Params) {
            if (p == PgParam::RowCount)
                params.emplace_back(static_cast<long long>(rowCount_));
            else
                params.push_back(identity_.empty() ? Variant() : Variant(identity_));
        }
        std::vector<OdbcResult> results;
        std::vector<int> order;
        std::string sql = OdbcMarkers(s.Sql, order);
        if (!conn_.Run(sql, OdbcParams(params, order), results, err)) return false;
        int64_t changed = 0;
        for (const auto& r : results) {
            rowCount_ = r.Rows ? r.Rows->RecordCount() : std::max<int64_t>(r.Changed, 0);
            if (!r.Rows) changed += std::max<int64_t>(r.Changed, 0);
        }
        if (s.kind != PgStatement::Kind::Query) results.clear();
        AddResults(results, noCount, out);
        if (s.Insert && changed > 0) {
            if (!s.InsertColumns.empty()) CatchUpIdentity(s.InsertTable, s.InsertColumns);
            std::vector<OdbcResult> id;
            DBError ignored;
            if (conn_.Run("SELECT lastval()", {}, id, ignored) && !id.empty() && id[0].Rows &&
                id[0].Rows->RecordCount() == 1)
                identity_ = id[0].Rows->Rows()[0][0].ToText();
        }
    }
    return true;
}

bool OdbcEngine::Execute(const std::string& tsql, bool updatable, BatchOutput& out, DBError& err) {
    if (!conn_.IsOpen()) {
        err.Set(kErrConnection, "The connection is closed.");
        return false;
    }
    if (updatable) {
        err.Set(kErrSql, "Unsupported T-SQL construct: updatable recordsets on an ODBC connection");
        return false;
    }
    if (dialect_ != Dialect::PostgreSQL) return RunNative(tsql, out, err);
    bool ok = RunPostgreSQL(tsql, out, err);
    if (!ok && conn_.IsOpen() && err.Number != kErrConnection) {
        // A failed batch must not leave a transaction (and its locks) open.
        std::vector<OdbcResult> ignored;
        DBError ignoredErr;
        conn_.Run("ROLLBACK", {}, ignored, ignoredErr);
    }
    return ok;
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
    const DBProcedure* proc = FindDBProcedure(name);
    if (proc == nullptr) {
        err.Set(kErrSql, "Could not find stored procedure '" + name + "'.");
        return false;
    }
    OdbcProcedureContext ctx(conn_, dialect_ == Dialect::PostgreSQL);
    std::string error;
    bool ok = false;
    try {
        ok = (*proc)(ctx, args, result, error);
    } catch (const std::exception& e) {
        error = e.what();
    } catch (...) {
        error = "unknown failure";
    }
    if (ok) return true;
    if (error.empty()) error = ctx.LastError();
    err.Set(ctx.Lost() ? kErrConnection : kErrSql, "Procedure " + name + " failed: " + error);
    return false;
}

bool OdbcEngine::WriteRow(const std::string& table, bool, int64_t&,
                          const std::vector<std::pair<std::string, Variant>>&,
                          std::vector<std::pair<std::string, Variant>>&, DBError& err) {
    err.Set(kErrSql, "Unsupported T-SQL construct: updatable recordsets on an ODBC connection (" +
                         table + ")");
    return false;
}
