#include "sql/sqlite/sqliteprocedurecontext.h"

#include "platform/textutil.h"

SQLiteConnection::Prepared* SQLiteProcedureContext::PrepareAndBind(
    const std::string& sql, const std::vector<Variant>& params) {
    error_ = DBError{};
    c_.BeginStatement();
    SQLiteConnection::Prepared* p = c_.PrepareText(sql, error_);
    if (p == nullptr) return nullptr;
    for (std::size_t i = 0; i < params.size(); ++i) {
        // Plain SQLite parameters: text is bound as given (a remark or a DATE
        // value that looks like a date must not become a date-time).
        if (!c_.Bind(p->Stmt, static_cast<int>(i) + 1, params[i], SqlType::Unknown, error_)) {
            sqlite3_clear_bindings(p->Stmt);
            return nullptr;
        }
    }
    return p;
}

std::shared_ptr<Recordset> SQLiteProcedureContext::Query(const std::string& sql,
                                                         const std::vector<Variant>& params) {
    SQLiteConnection::Prepared* p = PrepareAndBind(sql, params);
    if (p == nullptr) return nullptr;
    std::shared_ptr<Recordset> rs;
    if (!c_.ReadAll(*p, rs, nullptr, error_)) return nullptr;
    ran_ = true;
    lastCount_ = rs->RecordCount();
    return rs;
}

bool SQLiteProcedureContext::Execute(const std::string& sql, const std::vector<Variant>& params,
                                     int64_t* changes) {
    SQLiteConnection::Prepared* p = PrepareAndBind(sql, params);
    if (p == nullptr) return false;
    if (!c_.Run(p->Stmt, error_)) return false;
    int64_t n = sqlite3_changes64(c_.Db());
    ran_ = true;
    lastCount_ = n;
    if (changes != nullptr) *changes = n;
    std::size_t b = sql.find_first_not_of(" \t\r\n");
    const std::string head = b == std::string::npos ? "" : UpperAscii(sql.substr(b, 6));
    if (head == "INSERT") {
        if (n > 0)
            c_.Identity = sqlite3_last_insert_rowid(c_.Db());
        else
            c_.Identity.reset();
    }
    return true;
}

int64_t SQLiteProcedureContext::LastInsertId() {
    return sqlite3_last_insert_rowid(c_.Db());
}

bool CallDBProcedure(SQLiteConnection& c, const std::string& name,
                     const std::vector<ProcedureArg>& args, ProcedureResult& result,
                     SQLiteProcedureContext& ctx, DBError& err) {
    bool found = true;
    std::string error;
    const bool ok = RunDBProcedure(name, ctx, args, result, found, error);
    if (!found) {
        err.Set(kErrSql, error);
        return false;
    }
    (void)c;
    if (!ok) {
        err.Set(ctx.Error().Number != 0 ? ctx.Error().Number : kErrSql,
                "Procedure " + name + " failed: " + error);
        return false;
    }
    return true;
}
