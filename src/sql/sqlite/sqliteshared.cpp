#include "sql/sqlite/sqliteshared.h"

#include <sqlite3.h>

#include <mutex>

#include "sql/sqlite/sqliteconnection.h"

namespace {

// The column type a function table gives a value.
std::string DeclFor(const Variant& v) {
    switch (v.Type()) {
        case VarType::Boolean:
            return "BIT";
        case VarType::Integer:
            return "INT";
        case VarType::Double:
            return "FLOAT";
        case VarType::Currency:
            return "MONEY";
        case VarType::Date:
            return "DATETIME";
        case VarType::Text:
            return "NVARCHAR COLLATE NOCASE";
        case VarType::Binary:
            return "BLOB";
        default:
            return "";
    }
}

}  // namespace

std::string SQLiteTableText(const std::string& schema, const std::string& name) {
    if (!name.empty() && name[0] == '#') return "temp." + QuoteName(name);
    return schema.empty() ? QuoteName(name) : schema + "." + QuoteName(name);
}

int32_t SQLiteConstraintError(int extendedCode) {
    switch (extendedCode) {
        case SQLITE_CONSTRAINT_UNIQUE:
        case SQLITE_CONSTRAINT_PRIMARYKEY:
            return 2627;
        case SQLITE_CONSTRAINT_NOTNULL:
            return 515;
        case SQLITE_CONSTRAINT_FOREIGNKEY:
        case SQLITE_CONSTRAINT_CHECK:
            return 547;
        default:
            return 0;
    }
}

std::string SQLiteFunctionTableSql(const std::string& tempName,
                                   const std::vector<std::string>& columns,
                                   const std::vector<Recordset::Row>& rows) {
    std::string cols;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        std::string decl;
        for (const auto& r : rows)
            if (!r[i].IsNull()) {
                decl = DeclFor(r[i]);
                break;
            }
        cols += (i ? ", " : "") + QuoteName(columns[i]) + (decl.empty() ? "" : " " + decl);
    }
    return "CREATE TEMP TABLE " + QuoteName(tempName) + " (" + cols + ")";
}

std::string SQLiteFunctionRowSql(const std::string& tempName, std::size_t columns) {
    std::string marks;
    for (std::size_t i = 0; i < columns; ++i)
        marks += i ? ", ?" : "?";
    return "INSERT INTO temp." + QuoteName(tempName) + " VALUES (" + marks + ")";
}

bool SQLiteSelectIntoColumns(const std::vector<FieldInfo>& fields, std::string& columns,
                             std::string& error) {
    columns.clear();
    for (const FieldInfo& f : fields) {
        if (f.Name.empty()) {
            error = "An object or column name is missing or empty in SELECT ... INTO.";
            return false;
        }
        TypeSpec typeSpec = ParseTypeName(f.DeclaredType);
        columns += (columns.empty() ? "" : ", ") + QuoteName(f.Name) + " " + f.DeclaredType +
                   (typeSpec.type == SqlType::Text ? " COLLATE NOCASE" : "");
    }
    return true;
}

std::string SQLiteInsertRowSql(const std::string& table,
                               const std::vector<std::pair<std::string, Variant>>& values) {
    if (values.empty()) return "INSERT INTO " + QuoteName(table) + " DEFAULT VALUES";
    std::string cols, marks;
    for (std::size_t i = 0; i < values.size(); ++i) {
        cols += (i ? ", " : "") + QuoteName(values[i].first);
        marks += (i ? ", ?" : "?") + std::to_string(i + 1);
    }
    return "INSERT INTO " + QuoteName(table) + " (" + cols + ") VALUES (" + marks + ")";
}

std::string SQLiteUpdateRowSql(const std::string& table,
                               const std::vector<std::pair<std::string, Variant>>& values) {
    std::string sets;
    for (std::size_t i = 0; i < values.size(); ++i)
        sets += (i ? ", " : "") + QuoteName(values[i].first) + " = ?" + std::to_string(i + 1);
    if (sets.empty()) return "";
    return "UPDATE " + QuoteName(table) + " SET " + sets + " WHERE rowid = ?" +
           std::to_string(values.size() + 1);
}

int SQLiteAdoTypeOfValue(const Variant& v) {
    switch (v.Type()) {
        case VarType::Boolean:
            return adBoolean;
        case VarType::Integer:
            return adInteger;
        case VarType::Double:
            return adDouble;
        case VarType::Currency:
            return adCurrency;
        case VarType::Date:
            return adDBTimeStamp;
        case VarType::Binary:
            return adLongVarBinary;
        default:
            return adVarWChar;
    }
}

Variant SQLiteStoredValue(Variant raw, SqlType t) {
    const VarType stored = raw.Type();
    if (stored == VarType::Null) return raw;
    const bool number = stored == VarType::Integer || stored == VarType::Double;
    switch (t) {
        case SqlType::Bit:
            return Variant(raw.ToBool());
        case SqlType::Int:
        case SqlType::BigInt:
            break;
        case SqlType::Float:
            if (number) return Variant(raw.ToDouble());
            break;
        case SqlType::Money:
            if (number) return Variant::Currency(raw.ToDouble());
            break;
        case SqlType::Date:
        case SqlType::Time:
        case SqlType::DateTime:
            if (stored == VarType::Text) {
                const std::string text = raw.ToText();
                DateTime d;
                if (ParseStorageDate(text.data(), text.size(), d)) return Variant(d);
                if (auto parsed = ParseDateValue(text)) return Variant(*parsed);
            }
            break;
        case SqlType::Text:
            if (stored != VarType::Text) return Variant(raw.ToText());
            break;
        default:
            break;
    }
    return raw;
}

Variant SQLiteStorageParam(const Variant& v, SqlType kind) {
    switch (v.Type()) {
        case VarType::Boolean:
            return Variant(static_cast<long long>(v.ToBool() ? 1 : 0));
        case VarType::Currency:
            return Variant(v.ToDouble());
        case VarType::Date:
            return Variant(
                StorageText(*v.ToDateTime(), IsDateKind(kind) ? kind : SqlType::DateTime));
        case VarType::Text:
            if (IsDateKind(kind)) {
                if (auto norm = NormalizeDateText(v.ToText(), kind)) return Variant(*norm);
            }
            return v;
        default:
            return v;
    }
}

const TableInfo* SQLiteFindTable(DatabaseCache& cache,
                                 std::vector<std::shared_ptr<const TableInfo>>& pins,
                                 const std::string& schema, const std::string& name,
                                 SQLiteLayoutReader& reader) {
    bool temp = !name.empty() && name[0] == '#';
    std::string db = temp ? "temp" : schema.empty() ? "main" : schema;
    if (db == "tempdb") {
        DBError e;
        if (!reader.EnsureTempdb(e)) return nullptr;
    }
    std::string key = db + "." + LowerAscii(name);
    if (!temp) {
        std::lock_guard<std::mutex> lock(cache.Mutex);
        auto it = cache.Tables.find(key);
        if (it != cache.Tables.end()) {
            pins.push_back(it->second);
            return it->second.get();
        }
    }
    std::vector<PragmaColumn> columns;
    if (!reader.ReadTableColumns(db, name, columns) || columns.empty()) return nullptr;
    std::shared_ptr<const TableInfo> shared = std::make_shared<TableInfo>(SQLiteTableInfo(
        name, std::move(columns),
        [&](const std::string& column) { return reader.IsAutoIncrement(db, name, column); }));
    pins.push_back(shared);
    if (!temp) {
        std::lock_guard<std::mutex> lock(cache.Mutex);
        cache.Tables[key] = shared;
    }
    return shared.get();
}

bool SQLiteIsAutoIncrement(sqlite3* handle, const std::string& schema, const std::string& table,
                           const std::string& column) {
    int autoinc = 0;
    return handle != nullptr &&
           sqlite3_table_column_metadata(handle, schema.c_str(), table.c_str(), column.c_str(),
                                         nullptr, nullptr, nullptr, nullptr,
                                         &autoinc) == SQLITE_OK &&
           autoinc != 0;
}

std::string SQLiteTempdbFile(const std::string& path, DBError& err) {
    std::string file = path + ".tempdb";
    sqlite3* create = nullptr;
    // The main file is opened without CREATE, and ATTACH inherits that.
    int rc =
        sqlite3_open_v2(file.c_str(), &create, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    sqlite3_close_v2(create);
    if (rc == SQLITE_OK) return file;
    err.Set(kErrConnection, "Cannot create the tempdb file " + file);
    return {};
}

void SQLiteKeepRowIds(const SqlStatement& st, bool wanted, std::vector<int64_t> ids,
                      bool& firstRows, BatchOutput& out) {
    if (st.AssignTargets.empty()) firstRows = false;
    if (!wanted) return;
    out.HasRowIds = true;
    out.RowIds = std::move(ids);
    out.BaseTable = st.BaseTable;
}
