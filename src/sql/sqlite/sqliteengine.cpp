#include "sql/sqlite/sqliteengine.h"

#include "sql/sqlite/sqlitebatchrunner.h"
#include "sql/sqlite/sqliteprocedurecontext.h"
#include "sql/sqlite/sqliteshared.h"

namespace {

std::string Property(const ConnectionProperties& props, std::initializer_list<const char*> keys) {
    for (const char* k : keys) {
        auto it = props.find(k);
        if (it != props.end()) return it->second;
    }
    return {};
}

}  // namespace

bool SQLiteEngine::Open(const ConnectionProperties& props, DBError& err) {
    std::string path = Property(props, {"data source", "datasource", "database", "filename"});
    if (path.empty()) {
        err.Set(kErrConnection, "The connection string names no Data Source (database file).");
        return false;
    }
    return conn_.Open(path, timeout_, err);
}

void SQLiteEngine::SetCommandTimeout(int32_t seconds) {
    timeout_ = seconds;
    conn_.SetTimeout(seconds);
}

std::shared_ptr<const Batch> SQLiteEngine::Translate(const std::string& tsql, bool updatable,
                                                     DBError& err) {
    auto batch = TranslateForSQLite(conn_.Cache(), conn_, tsql, updatable, err);
    conn_.ReleasePins();
    return batch;
}

bool SQLiteEngine::Execute(const std::string& tsql, bool updatable, BatchOutput& out,
                           DBError& err) {
    if (!conn_.IsOpen()) {
        err.Set(kErrConnection, "The connection is closed.");
        return false;
    }
    conn_.BeginCommand();
    std::shared_ptr<const Batch> batch = Translate(tsql, updatable, err);
    if (!batch) return false;
    if (batch->UsesTempdb && !conn_.EnsureTempdb(err)) return false;
    SQLiteBatchRunner runner(conn_, out);
    bool ok = runner.Run(*batch, err);
    conn_.ReleasePins();
    // A failed batch must not keep other workstations locked out.
    if (!ok && conn_.IsOpen() && sqlite3_get_autocommit(conn_.Db()) == 0) {
        DBError ignored;
        conn_.ExecSimple("ROLLBACK", ignored);
    }
    return ok;
}

bool SQLiteEngine::CallProcedure(const std::string& name, const std::vector<ProcedureArg>& args,
                                 ProcedureResult& result, DBError& err) {
    if (!conn_.IsOpen()) {
        err.Set(kErrConnection, "The connection is closed.");
        return false;
    }
    conn_.BeginCommand();
    conn_.BeginStatement();
    SQLiteProcedureContext ctx(conn_);
    bool ok = CallDBProcedure(conn_, name, args, result, ctx, err);
    conn_.ReleasePins();
    return ok;
}

bool SQLiteEngine::WriteRow(const std::string& table, bool isNew, int64_t& rowId,
                            const std::vector<std::pair<std::string, Variant>>& values,
                            std::vector<std::pair<std::string, Variant>>& refreshed, DBError& err) {
    if (!conn_.IsOpen()) {
        err.Set(kErrConnection, "The connection is closed.");
        return false;
    }
    conn_.BeginCommand();
    conn_.BeginStatement();
    const TableInfo* info = conn_.FindTable("", table);
    if (info == nullptr) {
        err.Set(kErrSql, "Invalid object name '" + table + "'.");
        return false;
    }
    std::string sql;
    std::vector<SqlType> kinds;
    for (const auto& [name, v] : values) {
        const ColumnInfo* c = info->Find(name);
        if (c == nullptr) {
            err.Set(kErrSql, "Invalid column name '" + name + "'.");
            conn_.ReleasePins();
            return false;
        }
        kinds.push_back(c->Type.type);
    }
    sql = isNew ? SQLiteInsertRowSql(table, values) : SQLiteUpdateRowSql(table, values);
    if (sql.empty()) {
        conn_.ReleasePins();
        return true;
    }
    SQLiteConnection::Prepared* p = conn_.PrepareText(sql, err);
    bool ok = p != nullptr;
    for (std::size_t i = 0; ok && i < values.size(); ++i)
        ok = conn_.Bind(p->Stmt, static_cast<int>(i) + 1, values[i].second, kinds[i], err);
    if (ok && !isNew)
        ok = sqlite3_bind_int64(p->Stmt, static_cast<int>(values.size()) + 1, rowId) == SQLITE_OK;
    ok = ok && conn_.Run(p->Stmt, err);
    if (ok && isNew) {
        rowId = sqlite3_last_insert_rowid(conn_.Db());
        if (info->IdentityColumn >= 0) conn_.Identity = rowId;
    }
    if (ok) {
        // Read the row back so that defaults and the identity show in the recordset.
        SQLiteConnection::Prepared* r =
            conn_.PrepareText("SELECT * FROM " + QuoteName(table) + " WHERE rowid = ?1", err);
        ok = r != nullptr && sqlite3_bind_int64(r->Stmt, 1, rowId) == SQLITE_OK;
        if (ok && sqlite3_step(r->Stmt) == SQLITE_ROW) {
            for (int i = 0; i < sqlite3_column_count(r->Stmt); ++i)
                refreshed.emplace_back(
                    sqlite3_column_name(r->Stmt, i),
                    conn_.Column(r->Stmt, i, r->Types[static_cast<std::size_t>(i)]));
        }
        if (r != nullptr) sqlite3_reset(r->Stmt);
    }
    conn_.ReleasePins();
    return ok;
}
