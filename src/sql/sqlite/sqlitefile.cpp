#include "sql/sqlite/sqlitefile.h"

#include <sqlite3.h>

#include <filesystem>

#include "platform/textutil.h"
#include "sql/embeddedfiles.h"
#include "sql/sqlite/sqlitecollation.h"

namespace {

// The ADO type a field reports, from the column's declared type, or from the
// value's storage class for expressions.
int AdoTypeOf(const char* declType, int storageClass) {
    if (declType != nullptr && *declType != '\0') {
        const std::string t = UpperAscii(declType);
        if (t.find("DATE") != std::string::npos || t.find("TIME") != std::string::npos) {
            return adDBTimeStamp;
        }
        if (t == "BIT") return adBoolean;
        if (t.find("INT") != std::string::npos) return adInteger;
        if (t.find("MONEY") != std::string::npos) return adCurrency;
        if (t.find("REAL") != std::string::npos || t.find("FLOA") != std::string::npos ||
            t.find("DOUB") != std::string::npos) {
            return adDouble;
        }
        if (t.find("NTEXT") != std::string::npos) return adLongVarWChar;
        if (t.find("IMAGE") != std::string::npos || t.find("BLOB") != std::string::npos) {
            return adLongVarBinary;
        }
        return adVarWChar;
    }
    switch (storageClass) {
        case SQLITE_INTEGER:
            return adInteger;
        case SQLITE_FLOAT:
            return adDouble;
        case SQLITE_BLOB:
            return adLongVarBinary;
        default:
            return adVarWChar;
    }
}

Variant ColumnValue(sqlite3_stmt* stmt, int i) {
    switch (sqlite3_column_type(stmt, i)) {
        case SQLITE_INTEGER:
            return Variant(static_cast<long long>(sqlite3_column_int64(stmt, i)));
        case SQLITE_FLOAT:
            return Variant(sqlite3_column_double(stmt, i));
        case SQLITE_TEXT: {
            const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
            return Variant(std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(stmt, i))));
        }
        case SQLITE_BLOB: {
            const auto* p = static_cast<const uint8_t*>(sqlite3_column_blob(stmt, i));
            return Variant(Bytes(p, p + sqlite3_column_bytes(stmt, i)));
        }
        default:
            return Variant();
    }
}

int BindOne(sqlite3_stmt* stmt, int index, const Variant& v) {
    switch (v.Type()) {
        case VarType::Null:
            return sqlite3_bind_null(stmt, index);
        case VarType::Boolean:
            return sqlite3_bind_int(stmt, index, v.ToBool() ? 1 : 0);
        case VarType::Integer:
            return sqlite3_bind_int64(stmt, index, v.ToInt64());
        case VarType::Double:
        case VarType::Currency:
            return sqlite3_bind_double(stmt, index, v.ToDouble());
        case VarType::Binary: {
            Bytes b = v.ToBytes();
            return sqlite3_bind_blob64(stmt, index, b.data(), b.size(), SQLITE_TRANSIENT);
        }
        case VarType::Text:
        case VarType::Date: {
            std::string s = v.ToText();
            return sqlite3_bind_text64(stmt, index, s.data(), s.size(), SQLITE_TRANSIENT,
                                       SQLITE_UTF8);
        }
    }
    return SQLITE_MISUSE;
}

}  // namespace

SQLiteFile::~SQLiteFile() {
    Close();
}

bool SQLiteFile::Open(const std::string& path, bool create) {
    Close();
    int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        SetError(db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        sqlite3_close(db);
        return false;
    }
    db_ = db;
    path_ = path;
    // Text compares and indexes as on every connection of the engine.
    if (!RegisterTextCollation(db_)) {
        SetError(sqlite3_errmsg(db_));
        Close();
        return false;
    }
    // Several workstation processes share a file: wait for a writer instead
    // of failing at once.
    sqlite3_busy_timeout(db_, 10000);
    error_.clear();
    return true;
}

void SQLiteFile::Close() {
    if (db_ != nullptr) sqlite3_close_v2(db_);
    db_ = nullptr;
}

void SQLiteFile::SetError(const std::string& message) {
    error_ = message;
}

bool SQLiteFile::RunScript(const std::string& sql) {
    if (db_ == nullptr) {
        SetError("database is not open");
        return false;
    }
    char* msg = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &msg) != SQLITE_OK) {
        SetError(msg != nullptr ? msg : sqlite3_errmsg(db_));
        sqlite3_free(msg);
        return false;
    }
    return true;
}

sqlite3_stmt* SQLiteFile::Prepare(const std::string& sql) {
    if (db_ == nullptr) {
        SetError("database is not open");
        return nullptr;
    }
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr) !=
        SQLITE_OK) {
        SetError(sqlite3_errmsg(db_));
        sqlite3_finalize(stmt);
        return nullptr;
    }
    if (stmt == nullptr) SetError("empty statement");
    return stmt;
}

bool SQLiteFile::Bind(sqlite3_stmt* stmt, const std::vector<Variant>& params) {
    if (static_cast<int>(params.size()) != sqlite3_bind_parameter_count(stmt)) {
        SetError("statement expects " + std::to_string(sqlite3_bind_parameter_count(stmt)) +
                 " parameters, " + std::to_string(params.size()) + " given");
        return false;
    }
    for (std::size_t i = 0; i < params.size(); ++i) {
        if (BindOne(stmt, static_cast<int>(i) + 1, params[i]) != SQLITE_OK) {
            SetError(sqlite3_errmsg(db_));
            return false;
        }
    }
    return true;
}

bool SQLiteFile::Execute(const std::string& sql, const std::vector<Variant>& params,
                         int64_t* changes) {
    sqlite3_stmt* stmt = Prepare(sql);
    if (stmt == nullptr) return false;
    bool ok = Bind(stmt, params);
    if (ok) {
        int rc = SQLITE_ROW;
        while (rc == SQLITE_ROW)
            rc = sqlite3_step(stmt);
        ok = rc == SQLITE_DONE;
        if (!ok) SetError(sqlite3_errmsg(db_));
    }
    sqlite3_finalize(stmt);
    if (ok && changes != nullptr) *changes = sqlite3_changes64(db_);
    return ok;
}

std::shared_ptr<Recordset> SQLiteFile::Query(const std::string& sql,
                                             const std::vector<Variant>& params) {
    sqlite3_stmt* stmt = Prepare(sql);
    if (stmt == nullptr) return nullptr;
    if (!Bind(stmt, params)) {
        sqlite3_finalize(stmt);
        return nullptr;
    }
    const int n = sqlite3_column_count(stmt);
    std::vector<FieldInfo> fields(static_cast<std::size_t>(n));
    std::vector<Recordset::Row> rows;
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        Recordset::Row row;
        row.reserve(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i)
            row.push_back(ColumnValue(stmt, i));
        rows.push_back(std::move(row));
    }
    for (int i = 0; i < n; ++i) {
        auto& f = fields[static_cast<std::size_t>(i)];
        f.Name = sqlite3_column_name(stmt, i);
        int storage = SQLITE_NULL;
        if (!rows.empty()) {
            const Variant& v = rows.front()[static_cast<std::size_t>(i)];
            storage = v.Type() == VarType::Integer  ? SQLITE_INTEGER
                      : v.Type() == VarType::Double ? SQLITE_FLOAT
                      : v.Type() == VarType::Binary ? SQLITE_BLOB
                                                    : SQLITE_TEXT;
        }
        f.Type = AdoTypeOf(sqlite3_column_decltype(stmt, i), storage);
        const char* table = sqlite3_column_table_name(stmt, i);
        const char* column = sqlite3_column_origin_name(stmt, i);
        if (table != nullptr) f.BaseTable = table;
        if (column != nullptr) f.BaseColumn = column;
    }
    const bool ok = rc == SQLITE_DONE;
    if (!ok) SetError(sqlite3_errmsg(db_));
    sqlite3_finalize(stmt);
    if (!ok) return nullptr;
    return std::make_shared<Recordset>(std::move(fields), std::move(rows));
}

Variant SQLiteFile::Scalar(const std::string& sql, const std::vector<Variant>& params) {
    auto rs = Query(sql, params);
    if (rs == nullptr || rs->Eof() || rs->FieldCount() == 0) return Variant();
    return *rs->Field(0);
}

void SQLiteFile::Rollback() {
    if (db_ != nullptr && sqlite3_get_autocommit(db_) == 0) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

int64_t SQLiteFile::LastInsertId() const {
    return db_ != nullptr ? sqlite3_last_insert_rowid(db_) : 0;
}

bool CreateSchemaDatabase(const std::string& path, std::string& error) {
    std::error_code ec;
    if (std::filesystem::exists(path, ec)) {
        error = "file already exists: " + path;
        return false;
    }
    SQLiteFile db;
    bool ok = db.Open(path, true) && db.RunScript("PRAGMA journal_mode = WAL") && db.Begin() &&
              db.RunScript(kEmbeddedSchemaSQL) && db.Commit();
    if (!ok) {
        error = db.LastError();
        db.Rollback();
        db.Close();
        std::filesystem::remove(path, ec);
    }
    return ok;
}

BulkInsert::BulkInsert(SQLiteFile& db, const std::string& table,
                       const std::vector<std::string>& columns)
    : db_(db), columns_(columns.size()) {
    std::string sql = "INSERT INTO " + table + " (";
    std::string marks;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        sql += (i == 0 ? "" : ", ") + columns[i];
        marks += i == 0 ? "?" : ", ?";
    }
    sql += ") VALUES (" + marks + ")";
    if (db_.Handle() == nullptr ||
        sqlite3_prepare_v2(db_.Handle(), sql.c_str(), -1, &stmt_, nullptr) != SQLITE_OK) {
        error_ = (db_.Handle() != nullptr ? sqlite3_errmsg(db_.Handle()) : "database is not open");
        error_ += " (" + sql + ")";
    }
}

BulkInsert::~BulkInsert() {
    sqlite3_finalize(stmt_);
}

bool BulkInsert::Add(const std::vector<Variant>& values) {
    if (!error_.empty()) return false;
    if (values.size() != columns_) {
        error_ = "row has " + std::to_string(values.size()) + " values for " +
                 std::to_string(columns_) + " columns";
        return false;
    }
    sqlite3_reset(stmt_);
    if (!db_.Bind(stmt_, values)) {
        error_ = db_.LastError();
        return false;
    }
    if (sqlite3_step(stmt_) != SQLITE_DONE) {
        error_ = sqlite3_errmsg(db_.Handle());
        return false;
    }
    return true;
}

bool InsertRows(SQLiteFile& db, const std::string& table, const std::vector<std::string>& columns,
                const std::vector<std::vector<Variant>>& rows, std::string& error) {
    BulkInsert insert(db, table, columns);
    for (const auto& row : rows) {
        if (!insert.Add(row)) break;
    }
    if (!insert.Ok()) error = table + ": " + insert.Error();
    return insert.Ok();
}

std::shared_ptr<Recordset> FileProcedureContext::Query(const std::string& sql,
                                                       const std::vector<Variant>& params) {
    return db_.Query(sql, params);
}

bool FileProcedureContext::Execute(const std::string& sql, const std::vector<Variant>& params,
                                   int64_t* changes) {
    return db_.Execute(sql, params, changes);
}
