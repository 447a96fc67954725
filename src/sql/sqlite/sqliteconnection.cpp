#include "sql/sqlite/sqliteconnection.h"

#include <filesystem>

#include "platform/textutil.h"
#include "sql/sqlite/sqliteshared.h"

namespace {

constexpr std::size_t kMaxPrepared = 256;

}  // namespace

std::shared_ptr<DatabaseCache> CacheForDatabase(const std::string& path) {
    static std::mutex mutex;
    static std::unordered_map<std::string, std::weak_ptr<DatabaseCache>> caches;
    std::error_code ec;
    std::string key = std::filesystem::weakly_canonical(path, ec).string();
    if (ec) key = path;
    std::lock_guard<std::mutex> lock(mutex);
    auto& slot = caches[key];
    auto cache = slot.lock();
    if (!cache) {
        cache = std::make_shared<DatabaseCache>();
        slot = cache;
    }
    return cache;
}

std::shared_ptr<const Batch> TranslateForSQLite(DatabaseCache& cache, SchemaSource& schema,
                                                const std::string& tsql, bool updatable,
                                                DBError& err) {
    constexpr std::size_t kMaxBatches = 2000;
    std::string key = (updatable ? "U:" : "R:") + tsql;
    {
        std::lock_guard<std::mutex> lock(cache.Mutex);
        auto it = cache.Batches.find(key);
        if (it != cache.Batches.end()) return it->second;
    }
    auto batch = std::make_shared<Batch>();
    std::string error;
    TranslateOptions options;
    options.Updatable = updatable;
    if (!ParseBatch(tsql, schema, options, *batch, error)) {
        err.Set(kErrSql, error);
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(cache.Mutex);
    if (cache.Batches.size() >= kMaxBatches) cache.Batches.clear();
    cache.Batches[key] = batch;
    return batch;
}

SQLiteConnection::~SQLiteConnection() {
    Close();
}

bool SQLiteConnection::Open(const std::string& path, int32_t timeoutSeconds, DBError& err) {
    Close();
    // No CREATE flag: a missing database file is a connection failure.
    int rc =
        sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        err.Set(kErrConnection, "Cannot open database \"" + path + "\": " +
                                    (db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(rc)));
        Close();
        return false;
    }
    path_ = path;
    sqlite3_extended_result_codes(db_, 1);
    // A misspelt column must fail, not turn into a text: no "..." strings.
    sqlite3_db_config(db_, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(db_, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    SetTimeout(timeoutSeconds);
    if (!RegisterTSqlFunctions(db_, &clock_)) {
        err.Set(kErrConnection,
                "Cannot register the SQL functions: " + std::string(sqlite3_errmsg(db_)));
        Close();
        return false;
    }
    DBError e;
    // Several workstation processes share the file: write-ahead log.
    if (!ExecSimple("PRAGMA journal_mode=WAL", e) || !ExecSimple("PRAGMA synchronous=NORMAL", e) ||
        !ExecSimple("PRAGMA temp_store=MEMORY", e)) {
        err.Set(kErrConnection, "Cannot open database \"" + path + "\": " + e.Message);
        Close();
        return false;
    }
    cache_ = CacheForDatabase(path);
    sqlite3_stmt* st = nullptr;
    int64_t version = -1;
    if (sqlite3_prepare_v2(db_, "PRAGMA schema_version", -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW)
        version = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    {
        // Another process may have changed the schema since we looked.
        std::lock_guard<std::mutex> lock(cache_->Mutex);
        if (cache_->SchemaVersion != version) {
            cache_->ClearLocked();
            cache_->SchemaVersion = version;
        }
    }
    sqlite3_progress_handler(db_, 1000, &SQLiteConnection::Progress, this);
    Identity.reset();
    return true;
}

void SQLiteConnection::Finalize() {
    for (auto& [k, p] : byId_)
        sqlite3_finalize(p.Stmt);
    for (auto& [k, p] : byText_)
        sqlite3_finalize(p.Stmt);
    byId_.clear();
    byText_.clear();
}

void SQLiteConnection::Close() {
    Finalize();
    pins_.clear();
    if (db_ != nullptr) sqlite3_close_v2(db_);
    db_ = nullptr;
    tempdb_ = false;
}

void SQLiteConnection::SetTimeout(int32_t seconds) {
    timeout_ = seconds;
    // A lock held by another workstation is waited for as long as a command may run.
    if (db_ != nullptr) sqlite3_busy_timeout(db_, (seconds > 0 ? seconds : 60) * 1000);
}

void SQLiteConnection::BeginCommand() {
    timedOut_ = false;
    hasDeadline_ = timeout_ > 0;
    if (hasDeadline_) deadline_ = std::chrono::steady_clock::now() + std::chrono::seconds(timeout_);
}

int SQLiteConnection::Progress(void* self) {
    auto* c = static_cast<SQLiteConnection*>(self);
    if (c->hasDeadline_ && std::chrono::steady_clock::now() > c->deadline_) {
        c->timedOut_ = true;
        return 1;
    }
    return 0;
}

void SQLiteConnection::SchemaChanged() {
    int64_t version = -1;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_, "PRAGMA schema_version", -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW)
        version = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    std::lock_guard<std::mutex> lock(cache_->Mutex);
    cache_->ClearLocked();
    cache_->SchemaVersion = version;
}

bool SQLiteConnection::EnsureTempdb(DBError& err) {
    if (tempdb_) return true;
    std::string file = SQLiteTempdbFile(path_, err);
    if (file.empty()) return false;
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(db_, "ATTACH DATABASE ?1 AS tempdb", -1, &st, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_bind_text(st, 1, file.c_str(), -1, SQLITE_TRANSIENT);
        rc = sqlite3_step(st);
    }
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE) {
        SetError(err, rc);
        return false;
    }
    tempdb_ = true;
    return ExecSimple("PRAGMA tempdb.journal_mode=WAL", err);
}

const TableInfo* SQLiteConnection::FindTable(const std::string& schema, const std::string& name) {
    return SQLiteFindTable(*cache_, pins_, schema, name, *this);
}

bool SQLiteConnection::ReadTableColumns(const std::string& db, const std::string& table,
                                        std::vector<PragmaColumn>& columns) {
    sqlite3_stmt* st = nullptr;
    std::string sql = "PRAGMA " + db + ".table_info(" + QuoteName(table) + ")";
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
        sqlite3_finalize(st);
        return false;
    }
    while (sqlite3_step(st) == SQLITE_ROW) {
        auto text = [&](int i) {
            const unsigned char* t = sqlite3_column_text(st, i);
            return t == nullptr ? std::string() : std::string(reinterpret_cast<const char*>(t));
        };
        columns.push_back({text(1), text(2), sqlite3_column_int(st, 5) > 0});
    }
    sqlite3_finalize(st);
    return true;
}

bool SQLiteConnection::IsAutoIncrement(const std::string& db, const std::string& table,
                                       const std::string& column) {
    return SQLiteIsAutoIncrement(db_, db, table, column);
}

SQLiteConnection::Prepared* SQLiteConnection::PrepareText(const std::string& sql, DBError& err) {
    auto it = byText_.find(sql);
    if (it != byText_.end()) return &it->second;
    if (byText_.size() >= kMaxPrepared) {
        for (auto& [k, p] : byText_)
            sqlite3_finalize(p.Stmt);
        byText_.clear();
    }
    Prepared p;
    const char* tail = nullptr;
    int rc = sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &p.Stmt, &tail);
    if (rc != SQLITE_OK) {
        SetError(err, rc);
        sqlite3_finalize(p.Stmt);
        return nullptr;
    }
    if (p.Stmt == nullptr ||
        (tail != nullptr && std::string(tail).find_first_not_of(" \t\r\n;") != std::string::npos)) {
        sqlite3_finalize(p.Stmt);
        err.Set(kErrSql, "Exactly one statement is expected: " + sql);
        return nullptr;
    }
    int n = sqlite3_column_count(p.Stmt);
    auto fields = std::make_shared<std::vector<FieldInfo>>();
    for (int i = 0; i < n; ++i) {
        const char* decl = sqlite3_column_decltype(p.Stmt, i);
        TypeSpec typeSpec = ParseTypeName(decl != nullptr ? decl : "");
        p.Types.push_back(typeSpec.type);
        p.ByValue = p.ByValue || typeSpec.type == SqlType::Unknown;
        FieldInfo f;
        f.Name = sqlite3_column_name(p.Stmt, i);
        f.Type = AdoTypeOf(typeSpec);
        f.DeclaredType = decl != nullptr ? decl : "";
        if (const char* t = sqlite3_column_table_name(p.Stmt, i)) f.BaseTable = t;
        if (const char* c = sqlite3_column_origin_name(p.Stmt, i)) f.BaseColumn = c;
        fields->push_back(std::move(f));
    }
    p.Fields = fields;
    return &(byText_[sql] = p);
}

SQLiteConnection::Prepared* SQLiteConnection::Prepare(const SqlStatement& st, DBError& err) {
    auto it = byId_.find(st.Id);
    if (it != byId_.end()) return &it->second;
    if (byId_.size() >= kMaxPrepared) {
        for (auto& [k, p] : byId_)
            sqlite3_finalize(p.Stmt);
        byId_.clear();
    }
    Prepared p;
    int rc =
        sqlite3_prepare_v2(db_, st.Sql.c_str(), static_cast<int>(st.Sql.size()), &p.Stmt, nullptr);
    if (rc != SQLITE_OK || p.Stmt == nullptr) {
        SetError(err, rc == SQLITE_OK ? SQLITE_MISUSE : rc);
        sqlite3_finalize(p.Stmt);
        return nullptr;
    }
    p.RowidFirst = st.UpdatableRowid;
    int n = sqlite3_column_count(p.Stmt);
    auto fields = std::make_shared<std::vector<FieldInfo>>();
    for (int i = 0; i < n; ++i) {
        const char* decl = sqlite3_column_decltype(p.Stmt, i);
        TypeSpec typeSpec = ParseTypeName(decl != nullptr ? decl : "");
        std::string name = sqlite3_column_name(p.Stmt, i);
        std::string declared = decl != nullptr ? decl : "";
        if (decl == nullptr) {
            // An expression: the translation knows its type.
            std::string lname = LowerAscii(name);
            for (const auto& [hn, hs] : st.ColumnHints) {
                if (hn == lname) {
                    typeSpec = hs;
                    declared = DeclaredTypeText(hs);
                    break;
                }
            }
        }
        p.Types.push_back(typeSpec.type);
        if (i == 0 && p.RowidFirst) continue;
        p.ByValue = p.ByValue || typeSpec.type == SqlType::Unknown;
        FieldInfo f;
        f.Name = name;
        f.Type = AdoTypeOf(typeSpec);
        f.DeclaredType = declared;
        if (const char* t = sqlite3_column_table_name(p.Stmt, i)) f.BaseTable = t;
        if (const char* c = sqlite3_column_origin_name(p.Stmt, i)) f.BaseColumn = c;
        fields->push_back(std::move(f));
    }
    p.Fields = fields;
    return &(byId_[st.Id] = p);
}

bool SQLiteConnection::Bind(sqlite3_stmt* stmt, int index, const Variant& v, SqlType kind,
                            DBError& err) {
    int rc = SQLITE_OK;
    switch (v.Type()) {
        case VarType::Null:
            rc = sqlite3_bind_null(stmt, index);
            break;
        case VarType::Boolean:
            rc = sqlite3_bind_int(stmt, index, v.ToBool() ? 1 : 0);
            break;
        case VarType::Integer:
            rc = sqlite3_bind_int64(stmt, index, v.ToInt64());
            break;
        case VarType::Double:
        case VarType::Currency:
            rc = sqlite3_bind_double(stmt, index, v.ToDouble());
            break;
        case VarType::Date: {
            std::string t =
                StorageText(*v.ToDateTime(), IsDateKind(kind) ? kind : SqlType::DateTime);
            rc = sqlite3_bind_text(stmt, index, t.data(), static_cast<int>(t.size()),
                                   SQLITE_TRANSIENT);
            break;
        }
        case VarType::Text: {
            std::string t = v.ToText();
            if (IsDateKind(kind)) {
                if (auto norm = NormalizeDateText(t, kind)) t = *norm;
            }
            rc = sqlite3_bind_text(stmt, index, t.data(), static_cast<int>(t.size()),
                                   SQLITE_TRANSIENT);
            break;
        }
        case VarType::Binary: {
            Bytes b = v.ToBytes();
            rc = sqlite3_bind_blob(stmt, index, b.data(), static_cast<int>(b.size()),
                                   SQLITE_TRANSIENT);
            break;
        }
    }
    if (rc != SQLITE_OK) SetError(err, rc);
    return rc == SQLITE_OK;
}

Variant SQLiteConnection::Column(sqlite3_stmt* st, int i, SqlType t) const {
    int vt = sqlite3_column_type(st, i);
    if (vt == SQLITE_NULL) return Variant();
    auto text = [&] {
        const unsigned char* p = sqlite3_column_text(st, i);
        return std::string(reinterpret_cast<const char*>(p),
                           static_cast<std::size_t>(sqlite3_column_bytes(st, i)));
    };
    // Text columns are most of what is read: straight to text.
    if (t == SqlType::Text) return Variant(text());
    Variant raw;
    switch (vt) {
        case SQLITE_INTEGER:
            raw = Variant(static_cast<long long>(sqlite3_column_int64(st, i)));
            break;
        case SQLITE_FLOAT:
            raw = Variant(sqlite3_column_double(st, i));
            break;
        case SQLITE_BLOB: {
            const auto* b = static_cast<const uint8_t*>(sqlite3_column_blob(st, i));
            raw = Variant(Bytes(b, b + sqlite3_column_bytes(st, i)));
            break;
        }
        default:
            raw = Variant(text());
    }
    return SQLiteStoredValue(std::move(raw), t);
}

bool SQLiteConnection::ReadAll(Prepared& p, std::shared_ptr<Recordset>& out,
                               std::vector<int64_t>* rowIds, DBError& err) {
    sqlite3_stmt* st = p.Stmt;
    int n = sqlite3_column_count(st);
    int first = p.RowidFirst ? 1 : 0;
    std::vector<Recordset::Row> rows;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        Recordset::Row row;
        row.reserve(static_cast<std::size_t>(n - first));
        for (int i = first; i < n; ++i)
            row.push_back(Column(st, i, p.Types[static_cast<std::size_t>(i)]));
        if (first == 1 && rowIds != nullptr) rowIds->push_back(sqlite3_column_int64(st, 0));
        rows.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE) {
        SetError(err, rc);
        sqlite3_reset(st);
        return false;
    }
    sqlite3_reset(st);
    sqlite3_clear_bindings(st);
    auto fields = p.Fields;
    if (p.ByValue) {
        // Columns without a type report the type of their first value.
        auto typed = std::make_shared<std::vector<FieldInfo>>(*p.Fields);
        for (std::size_t c = 0; c < typed->size(); ++c) {
            if (p.Types[c + static_cast<std::size_t>(first)] != SqlType::Unknown) continue;
            for (const auto& r : rows) {
                if (!r[c].IsNull()) {
                    (*typed)[c].Type = SQLiteAdoTypeOfValue(r[c]);
                    break;
                }
            }
        }
        fields = typed;
    }
    out = std::make_shared<Recordset>(fields, std::move(rows));
    return true;
}

bool SQLiteConnection::Run(sqlite3_stmt* st, DBError& err) {
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    }
    sqlite3_reset(st);
    sqlite3_clear_bindings(st);
    if (rc != SQLITE_DONE) {
        SetError(err, rc);
        return false;
    }
    return true;
}

bool SQLiteConnection::ExecSimple(const std::string& sql, DBError& err) {
    char* msg = nullptr;
    int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &msg);
    if (rc != SQLITE_OK) {
        err.Set((rc & 0xff) == SQLITE_NOTADB || (rc & 0xff) == SQLITE_CANTOPEN ? kErrConnection
                                                                               : kErrSql,
                msg != nullptr ? msg : sqlite3_errstr(rc));
    }
    sqlite3_free(msg);
    return rc == SQLITE_OK;
}

void SQLiteConnection::SetError(DBError& err, int rc) const {
    int primary = rc & 0xff;
    lastFailure_ = db_ != nullptr && (sqlite3_errcode(db_) & 0xff) == primary
                       ? sqlite3_extended_errcode(db_)
                       : rc;
    if (primary == SQLITE_INTERRUPT && timedOut_) {
        err.Set(kErrTimeout, "Query timeout expired");
        return;
    }
    std::string msg =
        db_ != nullptr && sqlite3_errcode(db_) == rc ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
    // A file that cannot be read any more is a lost connection: reconnect next time.
    bool connection = primary == SQLITE_CANTOPEN || primary == SQLITE_NOTADB ||
                      primary == SQLITE_CORRUPT || primary == SQLITE_IOERR;
    err.Set(connection ? kErrConnection : kErrSql, msg);
}
