#include "sql/odbc/odbcsqlite.h"

#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>

#include <cerrno>
#include <cstdlib>
#include <map>

#include "platform/textutil.h"
#include "sql/odbc/odbcprocedurecontext.h"
#include "sql/sqlite/sqliteshared.h"
#include "sql/tsql/tsqlrunner.h"

namespace {

// Type names the driver makes up from a value when a column has no declared
// type (an expression): lower case, unlike the schema's declarations.
bool MadeUpTypeName(const std::string& name) {
    return name == "integer" || name == "double" || name == "varchar" || name == "text" ||
           name == "blob" || name == "null" || name == "real" || name == "numeric";
}

// Columns with a declared number type come as numbers; a column typed from
// its first value comes as text (later rows may hold another class) and is
// told apart again by ReadTyped.
int FetchFor(int16_t sqlType, const std::string& typeName) {
    switch (sqlType) {
        case SQL_BINARY:
        case SQL_VARBINARY:
        case SQL_LONGVARBINARY:
            return adLongVarBinary;
        default:
            break;
    }
    if (MadeUpTypeName(typeName)) return adLongVarWChar;
    switch (sqlType) {
        case SQL_BIT:
        case SQL_TINYINT:
        case SQL_SMALLINT:
        case SQL_INTEGER:
        case SQL_BIGINT:
            return adBigInt;
        case SQL_REAL:
        case SQL_FLOAT:
        case SQL_DOUBLE:
            return adDouble;
        default:
            return adLongVarWChar;
    }
}

// Text that SQLite would have stored as a number (numeric affinity, or an
// expression's value read as text): back to the number.
Variant NumberFromText(const Variant& v) {
    std::string text = v.ToText();
    if (text.empty()) return v;
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    long long i = std::strtoll(begin, &end, 10);
    if (*end == '\0' && errno == 0) return Variant(i);
    errno = 0;
    double d = std::strtod(begin, &end);
    if (*end == '\0' && errno == 0) return Variant(d);
    return v;
}

// "[SQLite]UNIQUE constraint failed: T.ID (19)" as SQLite itself words it.
std::string DriverMessage(std::string text) {
    if (text.rfind("[SQLite]", 0) == 0) text.erase(0, 8);
    std::size_t open = text.rfind(" (");
    if (open != std::string::npos && text.back() == ')' &&
        text.find_first_not_of("0123456789", open + 2) == text.size() - 1)
        text.erase(open);
    return text;
}

// The driver tells a query from its first word, so an INSERT, UPDATE or
// DELETE ... RETURNING would lose its rows: behind a WITH it is read as the
// query it is.
std::string ReturningAsQuery(std::string sql) {
    std::size_t b = sql.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return sql;
    const std::string head = UpperAscii(sql.substr(b, 6));
    if ((head == "INSERT" || head == "UPDATE" || head == "DELETE") &&
        UpperAscii(sql).find(" RETURNING ") != std::string::npos)
        sql.insert(b, "WITH ct_returning AS (SELECT 1) ");
    return sql;
}

bool HasKey(const std::string& connectionString, const std::string& key) {
    std::size_t start = 0;
    while (start <= connectionString.size()) {
        std::size_t end = connectionString.find(';', start);
        if (end == std::string::npos) end = connectionString.size();
        const std::string part = connectionString.substr(start, end - start);
        const std::size_t eq = part.find('=');
        if (eq != std::string::npos && LowerAscii(Trim(part.substr(0, eq))) == LowerAscii(key))
            return true;
        start = end + 1;
    }
    return false;
}

}  // namespace

std::string OdbcSQLiteConnectionString(const std::string& connectionString) {
    static const std::pair<const char*, const char*> kDefaults[] = {
        {"BigInt", "1"},  {"JournalMode", "WAL"}, {"SyncPragma", "NORMAL"},
        {"NoCreat", "1"}, {"Timeout", "30000"},
    };
    std::string out = connectionString;
    for (const auto& [key, value] : kDefaults)
        if (!HasKey(out, key))
            out += std::string(out.empty() || out.back() == ';' ? "" : ";") + key + "=" + value;
    return out;
}

// What a procedure sees of the connection: plain SQLite statements, values
// in the storage forms, rows typed as the native engine types them.
class OdbcSQLiteProcedureContext : public ProcedureContext {
  public:
    explicit OdbcSQLiteProcedureContext(OdbcSQLite& s) : s_(s) {}

    std::shared_ptr<Recordset> Query(const std::string& sql,
                                     const std::vector<Variant>& params) override {
        std::vector<OdbcResult> results;
        if (!Run(sql, params, results)) return nullptr;
        for (auto& r : results)
            if (r.Rows) {
                auto rs = s_.ReadTyped(r, nullptr, nullptr);
                lastCount_ = rs->RecordCount();
                return rs;
            }
        return std::make_shared<Recordset>();
    }

    bool Execute(const std::string& sql, const std::vector<Variant>& params,
                 int64_t* changes) override {
        std::vector<OdbcResult> results;
        if (!Run(sql, params, results)) return false;
        int64_t n = 0;
        for (const auto& r : results)
            if (!r.Rows) n = std::max<int64_t>(r.Changed, 0);
        lastCount_ = n;
        if (changes != nullptr) *changes = n;
        std::size_t b = sql.find_first_not_of(" \t\r\n");
        if (b != std::string::npos && UpperAscii(sql.substr(b, 6)) == "INSERT")
            s_.identity_ = n > 0 ? s_.LastRowId() : std::nullopt;
        return true;
    }

    int64_t LastInsertId() override { return s_.LastRowId().value_or(0); }
    std::string LastError() override { return error_.Message; }

    bool Ran() const { return ran_; }
    int64_t LastCount() const { return lastCount_; }
    const DBError& Error() const { return error_; }

  private:
    bool Run(const std::string& sql, const std::vector<Variant>& params,
             std::vector<OdbcResult>& results) {
        error_ = DBError{};
        // Plain parameters: text is bound as given (a remark that looks like
        // a date must not become one).
        std::vector<Variant> stored;
        for (const auto& p : params)
            stored.push_back(SQLiteStorageParam(p, SqlType::Unknown));
        if (!s_.Run(sql, stored, results, error_)) return false;
        ran_ = true;
        return true;
    }

    OdbcSQLite& s_;
    DBError error_;
    bool ran_ = false;
    int64_t lastCount_ = 0;
};

// The statements of a batch over the driver, as the native executor runs them.
class OdbcSQLiteExecutor : public StatementExecutor {
  public:
    OdbcSQLiteExecutor(OdbcSQLite& s, BatchOutput& out) : s_(s), out_(out) {}

    int32_t StatementError() const override {
        // Inside a transaction the batch ends (and the transaction rolls back).
        if (s_.InTransaction()) return 0;
        return SQLiteConstraintError(s_.lastFailure_);
    }

    bool Run(const SqlStatement& st, const std::vector<BoundParam>& params,
             StatementOutcome& outcome, DBError& err) override {
        if (st.SelectInto) return SelectInto(st, params, outcome, err);
        std::vector<OdbcResult> results;
        if (!s_.Run(st.Sql, Stored(params), results, err)) return false;
        switch (st.Kind) {
            case StatementKind::Select: {
                const bool wantIds = SQLiteWantsRowIds(firstRows_, st);
                std::vector<int64_t> ids;
                for (auto& r : results)
                    if (r.Rows) outcome.Rows = s_.ReadTyped(r, &st, wantIds ? &ids : nullptr);
                if (!outcome.Rows) outcome.Rows = std::make_shared<Recordset>();
                SQLiteKeepRowIds(st, wantIds, std::move(ids), firstRows_, out_);
                return true;
            }
            case StatementKind::Insert:
            case StatementKind::Update:
            case StatementKind::Delete: {
                outcome.Changed = 0;
                for (const auto& r : results)
                    if (!r.Rows && r.Changed > 0) outcome.Changed = r.Changed;
                if (st.Kind == StatementKind::Insert) {
                    const TableInfo* info = s_.FindTable(st.TargetSchema, st.TargetTable);
                    bool identity = info != nullptr && info->IdentityColumn >= 0;
                    s_.identity_ = outcome.Changed > 0 && identity ? s_.LastRowId() : std::nullopt;
                }
                return true;
            }
            case StatementKind::Ddl:
                s_.SchemaChanged();
                return true;
            default:
                return true;
        }
    }

    bool Evaluate(const SqlStatement& st, const std::vector<BoundParam>& params, Variant& value,
                  DBError& err) override {
        std::vector<OdbcResult> results;
        if (!s_.Run(st.Sql, Stored(params), results, err)) return false;
        value = Variant();
        for (auto& r : results)
            if (r.Rows) {
                auto rs = s_.ReadTyped(r, nullptr, nullptr);
                if (rs->RecordCount() > 0 && !rs->Rows()[0].empty())
                    value = SQLiteStoredValue(rs->Rows()[0][0], st.ExprType.type);
                break;
            }
        return true;
    }

    bool FunctionArgs(const TableFunctionCall& call, const std::vector<BoundParam>& params,
                      std::vector<Variant>& args, DBError& err) override {
        std::vector<OdbcResult> results;
        if (!s_.Run(call.ArgsSql, Stored(params), results, err)) return false;
        for (auto& r : results)
            if (r.Rows) {
                auto rs = s_.ReadTyped(r, nullptr, nullptr);
                if (rs->RecordCount() > 0) args = rs->Rows()[0];
                break;
            }
        return true;
    }

    bool Transaction(const std::string& verb, DBError& err) override {
        std::vector<OdbcResult> ignored;
        return s_.Run(verb, {}, ignored, err);
    }

    std::optional<int64_t> Identity() override { return s_.identity_; }

    bool CallProcedure(const std::string& name, const std::vector<ProcedureArg>& args,
                       ProcedureResult& result, std::optional<int64_t>& lastCount,
                       DBError& err) override {
        if (!s_.RunProcedure(name, args, result, &lastCount, err)) return false;
        for (const auto& rs : result.ResultSets)
            if (rs) firstRows_ = false;
        return true;
    }

    std::unique_ptr<ProcedureContext> FunctionContext() override {
        return std::make_unique<OdbcSQLiteProcedureContext>(s_);
    }

    bool FillFunctionTable(const TableFunctionCall& call, const std::vector<std::string>& columns,
                           const std::vector<Recordset::Row>& rows, DBError& err) override {
        std::vector<OdbcResult> ignored;
        if (!s_.Run("DROP TABLE IF EXISTS temp." + QuoteName(call.TempName), {}, ignored, err) ||
            !s_.Run(SQLiteFunctionTableSql(call.TempName, columns, rows), {}, ignored, err))
            return false;
        const std::string insert = SQLiteFunctionRowSql(call.TempName, columns.size());
        for (const auto& r : rows) {
            std::vector<Variant> values;
            for (const auto& v : r)
                values.push_back(SQLiteStorageParam(v, SqlType::DateTime));
            if (!s_.Run(insert, values, ignored, err)) return false;
        }
        return true;
    }

    void DropFunctionTable(const TableFunctionCall& call) override {
        std::vector<OdbcResult> ignored;
        DBError ignoredErr;
        s_.Run("DROP TABLE IF EXISTS temp." + QuoteName(call.TempName), {}, ignored, ignoredErr);
    }

  private:
    static std::vector<Variant> Stored(const std::vector<BoundParam>& params) {
        std::vector<Variant> out;
        out.reserve(params.size());
        for (const auto& p : params) {
            // @@ROWCOUNT, @@IDENTITY and unknown variables bind as numbers do.
            SqlType kind = p.Type.type == SqlType::Unknown ? SqlType::DateTime : p.Type.type;
            out.push_back(SQLiteStorageParam(p.Value, kind));
        }
        return out;
    }

    // SELECT ... INTO: a new table with the query's columns, then its rows.
    bool SelectInto(const SqlStatement& st, const std::vector<BoundParam>& params,
                    StatementOutcome& outcome, DBError& err) {
        // The query's columns without its rows: declared types reach through
        // the subquery, and the hints type the expressions.
        std::vector<OdbcResult> results;
        if (!s_.Run("SELECT * FROM (" + st.Sql + ") LIMIT 0", Stored(params), results, err))
            return false;
        std::shared_ptr<Recordset> shape;
        for (auto& r : results)
            if (r.Rows) shape = s_.ReadTyped(r, &st, nullptr);
        if (!shape) shape = std::make_shared<Recordset>();
        std::string cols, error;
        if (!SQLiteSelectIntoColumns(shape->Fields(), cols, error)) {
            err.Set(kErrSql, error);
            return false;
        }
        std::string target = SQLiteTableText(st.TargetSchema, st.TargetTable);
        std::vector<OdbcResult> ignored;
        if (!s_.Run("CREATE TABLE " + target + " (" + cols + ")", {}, ignored, err)) return false;
        s_.SchemaChanged();
        std::vector<OdbcResult> inserted;
        if (!s_.Run("INSERT INTO " + target + " " + st.Sql, Stored(params), inserted, err))
            return false;
        outcome.Changed = 0;
        for (const auto& r : inserted)
            if (!r.Rows && r.Changed > 0) outcome.Changed = r.Changed;
        s_.identity_.reset();
        return true;
    }

    OdbcSQLite& s_;
    BatchOutput& out_;
    bool firstRows_ = true;
};

OdbcSQLite::OdbcSQLite(OdbcConnection& conn, std::shared_ptr<DriverHookState> hooks,
                       std::string path)
    : conn_(conn), hooks_(std::move(hooks)), path_(std::move(path)) {}

bool OdbcSQLite::Start(DBError& err) {
    if (!hooks_) {
        err.Set(kErrConnection,
                "The SQLite ODBC driver does not use this program's SQLite library, so the T-SQL "
                "functions cannot be added to its connections; install the driver built against "
                "the system SQLite (Debian's libsqliteodbc).");
        return false;
    }
    conn_.SetStorageForms(FetchFor);
    std::vector<OdbcResult> results;
    DBError e;
    if (!Run("SELECT ct_hooked()", {}, results, e)) {
        err.Set(kErrConnection,
                "The T-SQL functions are missing on the SQLite ODBC driver's "
                "connection: " +
                    e.Message);
        return false;
    }
    if (!Run("PRAGMA temp_store=MEMORY", {}, results, e)) {
        err.Set(kErrConnection, "Cannot open database \"" + path_ + "\": " + e.Message);
        return false;
    }
    cache_ = CacheForDatabase(path_);
    results.clear();
    int64_t version = -1;
    if (Run("PRAGMA schema_version", {}, results, e) && !results.empty() && results[0].Rows &&
        results[0].Rows->RecordCount() > 0)
        version = NumberFromText(results[0].Rows->Rows()[0][0]).ToInt64();
    {
        // Another process may have changed the schema since we looked.
        std::lock_guard<std::mutex> lock(cache_->Mutex);
        if (cache_->SchemaVersion != version) {
            cache_->ClearLocked();
            cache_->SchemaVersion = version;
        }
    }
    identity_.reset();
    tempdb_ = false;
    return true;
}

bool OdbcSQLite::Run(const std::string& sql, const std::vector<Variant>& params,
                     std::vector<OdbcResult>& results, DBError& err) {
    // The driver takes plain ? markers only; a numbered one may stand at
    // several places.
    std::vector<int> order;
    std::string text = OdbcMarkers(ReturningAsQuery(sql), order, '?');
    lastFailure_ = 0;
    bool ok;
    {
        // A connection the driver opens again after a loss gets the hooks too.
        DriverHookScope scope;
        ok = conn_.Run(text, OdbcParams(params, order), results, err);
        if (auto fresh = scope.Taken()) {
            hooks_ = std::move(fresh);
            hooks_->BeginCommand(timeout_);
            tempdb_ = false;
        }
    }
    if (ok) return true;
    if (hooks_ && hooks_->TimedOut) {
        err.Set(kErrTimeout, "Query timeout expired");
        return false;
    }
    if (hooks_ && hooks_->Db != nullptr) lastFailure_ = sqlite3_extended_errcode(hooks_->Db);
    err.Message = DriverMessage(err.Message);
    return false;
}

std::shared_ptr<Recordset> OdbcSQLite::ReadTyped(OdbcResult& r, const SqlStatement* st,
                                                 std::vector<int64_t>* rowIds) {
    const std::vector<FieldInfo>& driver = r.Rows->Fields();
    const std::size_t first = st != nullptr && st->UpdatableRowid ? 1 : 0;
    std::vector<FieldInfo> fields;
    std::vector<SqlType> types;
    std::vector<bool> numeric;  // text that stands for a number is read back as one
    bool byValue = false;
    std::map<std::string, const TableInfo*> tables;  // by base table, looked up once
    for (std::size_t i = first; i < driver.size(); ++i) {
        const std::string typeName = i < r.Types.size() ? r.Types[i].Name : "";
        const bool madeUp = MadeUpTypeName(typeName);
        FieldInfo f;
        f.Name = driver[i].Name;
        f.DeclaredType = madeUp ? "" : typeName;
        // The driver names a type without its length, precision and scale
        // (a decimal's scale decides how it reads; SELECT ... INTO declares
        // the length): the table's declaration has them, when it is the
        // same type (a tempdb table is named without its database).
        if (!madeUp && !r.Types[i].BaseTable.empty()) {
            const ColumnInfo* col = nullptr;
            auto known = tables.find(r.Types[i].BaseTable);
            if (known == tables.end())
                known =
                    tables.emplace(r.Types[i].BaseTable, FindTable("", r.Types[i].BaseTable)).first;
            if (known->second != nullptr) col = known->second->Find(r.Types[i].BaseColumn);
            if (col != nullptr && col->Type.type == ParseTypeName(typeName).type)
                f.DeclaredType = col->DeclType;
        }
        TypeSpec typeSpec = ParseTypeName(f.DeclaredType);
        if (madeUp && st != nullptr) {
            // An expression: the translation knows its type.
            std::string lname = LowerAscii(f.Name);
            for (const auto& [hn, hs] : st->ColumnHints)
                if (hn == lname) {
                    typeSpec = hs;
                    f.DeclaredType = DeclaredTypeText(hs);
                    break;
                }
        }
        f.Type = AdoTypeOf(typeSpec);
        byValue = byValue || typeSpec.type == SqlType::Unknown;
        types.push_back(typeSpec.type);
        numeric.push_back(IsNumericKind(typeSpec.type) || typeName == "integer" ||
                          typeName == "double" || typeName == "real" || typeName == "numeric");
        fields.push_back(std::move(f));
    }
    std::vector<Recordset::Row> rows;
    rows.reserve(r.Rows->Rows().size());
    for (const auto& in : r.Rows->Rows()) {
        if (first == 1 && rowIds != nullptr) rowIds->push_back(NumberFromText(in[0]).ToInt64());
        Recordset::Row row;
        row.reserve(fields.size());
        for (std::size_t c = 0; c < fields.size(); ++c) {
            const Variant& raw = in[c + first];
            row.push_back(SQLiteStoredValue(
                numeric[c] && raw.Type() == VarType::Text ? NumberFromText(raw) : raw, types[c]));
        }
        rows.push_back(std::move(row));
    }
    if (byValue) {
        // Columns without a type report the type of their first value.
        for (std::size_t c = 0; c < fields.size(); ++c) {
            if (types[c] != SqlType::Unknown) continue;
            for (const auto& row : rows)
                if (!row[c].IsNull()) {
                    fields[c].Type = SQLiteAdoTypeOfValue(row[c]);
                    break;
                }
        }
    }
    return std::make_shared<Recordset>(std::move(fields), std::move(rows));
}

bool OdbcSQLite::Execute(const std::string& tsql, bool updatable, BatchOutput& out, DBError& err) {
    if (hooks_) hooks_->BeginCommand(timeout_);
    std::shared_ptr<const Batch> batch = TranslateForSQLite(*cache_, *this, tsql, updatable, err);
    pins_.clear();
    if (!batch) return false;
    if (batch->UsesTempdb && !EnsureTempdb(err)) return false;
    OdbcSQLiteExecutor executor(*this, out);
    bool ok = BatchRunner(executor, out).Run(*batch, err);
    pins_.clear();
    // A failed batch must not keep other workstations locked out.
    if (!ok && InTransaction()) {
        std::vector<OdbcResult> ignored;
        DBError ignoredErr;
        Run("ROLLBACK", {}, ignored, ignoredErr);
    }
    return ok;
}

bool OdbcSQLite::RunProcedure(const std::string& name, const std::vector<ProcedureArg>& args,
                              ProcedureResult& result, std::optional<int64_t>* lastCount,
                              DBError& err) {
    OdbcSQLiteProcedureContext ctx(*this);
    bool found = true;
    std::string error;
    const bool ok = RunDBProcedure(name, ctx, args, result, found, error);
    pins_.clear();
    if (!found) {
        err.Set(kErrSql, error);
        return false;
    }
    if (!ok) {
        err.Set(ctx.Error().Number != 0 ? ctx.Error().Number : kErrSql,
                "Procedure " + name + " failed: " + error);
        return false;
    }
    if (lastCount != nullptr && ctx.Ran()) *lastCount = ctx.LastCount();
    return true;
}

bool OdbcSQLite::CallProcedure(const std::string& name, const std::vector<ProcedureArg>& args,
                               ProcedureResult& result, DBError& err) {
    if (hooks_) hooks_->BeginCommand(timeout_);
    return RunProcedure(name, args, result, nullptr, err);
}

bool OdbcSQLite::WriteRow(const std::string& table, bool isNew, int64_t& rowId,
                          const std::vector<std::pair<std::string, Variant>>& values,
                          std::vector<std::pair<std::string, Variant>>& refreshed, DBError& err) {
    if (hooks_) hooks_->BeginCommand(timeout_);
    const TableInfo* info = FindTable("", table);
    if (info == nullptr) {
        err.Set(kErrSql, "Invalid object name '" + table + "'.");
        return false;
    }
    std::vector<Variant> params;
    for (const auto& [name, v] : values) {
        const ColumnInfo* c = info->Find(name);
        if (c == nullptr) {
            err.Set(kErrSql, "Invalid column name '" + name + "'.");
            pins_.clear();
            return false;
        }
        params.push_back(SQLiteStorageParam(v, c->Type.type));
    }
    const bool identity = info->IdentityColumn >= 0;
    pins_.clear();
    std::string sql = isNew ? SQLiteInsertRowSql(table, values) : SQLiteUpdateRowSql(table, values);
    if (sql.empty()) return true;
    if (!isNew) params.emplace_back(static_cast<long long>(rowId));
    std::vector<OdbcResult> results;
    if (!Run(sql, params, results, err)) return false;
    if (isNew) {
        rowId = LastRowId().value_or(0);
        if (identity) identity_ = rowId;
    }
    // Read the row back so that defaults and the identity show in the recordset.
    results.clear();
    if (!Run("SELECT * FROM " + QuoteName(table) + " WHERE rowid = ?1",
             {Variant(static_cast<long long>(rowId))}, results, err))
        return false;
    for (auto& r : results) {
        if (!r.Rows) continue;
        auto rs = ReadTyped(r, nullptr, nullptr);
        if (rs->RecordCount() == 0) break;
        for (std::size_t i = 0; i < rs->Fields().size(); ++i)
            refreshed.emplace_back(rs->Fields()[i].Name, rs->Rows()[0][i]);
        break;
    }
    return true;
}

const TableInfo* OdbcSQLite::FindTable(const std::string& schema, const std::string& name) {
    return SQLiteFindTable(*cache_, pins_, schema, name, *this);
}

bool OdbcSQLite::ReadTableColumns(const std::string& db, const std::string& table,
                                  std::vector<PragmaColumn>& columns) {
    std::vector<OdbcResult> results;
    DBError e;
    if (!Run("PRAGMA " + db + ".table_info(" + QuoteName(table) + ")", {}, results, e))
        return false;
    for (auto& r : results) {
        if (!r.Rows) continue;
        for (const auto& row : r.Rows->Rows())
            if (row.size() >= 6)
                columns.push_back({row[1].ToText(), row[2].IsNull() ? "" : row[2].ToText(),
                                   NumberFromText(row[5]).ToInt64() > 0});
    }
    return true;
}

// The AUTOINCREMENT flag is the connection's own knowledge, not a query's.
bool OdbcSQLite::IsAutoIncrement(const std::string& db, const std::string& table,
                                 const std::string& column) {
    return SQLiteIsAutoIncrement(hooks_ ? hooks_->Db : nullptr, db, table, column);
}

bool OdbcSQLite::EnsureTempdb(DBError& err) {
    if (tempdb_) return true;
    std::string file = SQLiteTempdbFile(path_, err);
    if (file.empty()) return false;
    std::vector<OdbcResult> ignored;
    if (!Run("ATTACH DATABASE ?1 AS tempdb", {Variant(file)}, ignored, err)) return false;
    tempdb_ = true;
    return Run("PRAGMA tempdb.journal_mode=WAL", {}, ignored, err);
}

void OdbcSQLite::SchemaChanged() {
    std::vector<OdbcResult> results;
    DBError e;
    int64_t version = -1;
    if (Run("PRAGMA schema_version", {}, results, e) && !results.empty() && results[0].Rows &&
        results[0].Rows->RecordCount() > 0)
        version = NumberFromText(results[0].Rows->Rows()[0][0]).ToInt64();
    std::lock_guard<std::mutex> lock(cache_->Mutex);
    cache_->ClearLocked();
    cache_->SchemaVersion = version;
}

bool OdbcSQLite::InTransaction() const {
    return hooks_ && hooks_->Db != nullptr && sqlite3_get_autocommit(hooks_->Db) == 0;
}

std::optional<int64_t> OdbcSQLite::LastRowId() const {
    if (!hooks_ || hooks_->Db == nullptr) return std::nullopt;
    return sqlite3_last_insert_rowid(hooks_->Db);
}
