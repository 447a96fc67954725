#include "sql/postgres/pgbatch.h"

#include <unordered_map>

#include "platform/textutil.h"
#include "sql/clientprocedurecontext.h"
#include "sql/embeddedfiles.h"
#include "sql/tsql/tsqllexer.h"

namespace {

// Column names of the embedded schema by lower-case name.
std::unordered_map<std::string, std::string> SchemaSpellings() {
    std::unordered_map<std::string, std::string> names;
    std::vector<Token> t;
    std::string error;
    if (!LexTSql(kEmbeddedSchemaSQL, t, error)) return names;
    for (std::size_t i = 0; i + 2 < t.size(); ++i) {
        if (!t[i].IsWord("CREATE") || !t[i + 1].IsWord("TABLE")) continue;
        std::size_t k = i + 2;
        while (k < t.size() && !t[k].IsOp("(") && !t[k].IsOp(";"))
            ++k;
        int depth = 0;
        bool itemStart = false;
        for (; k < t.size() && t[k].kind != TokKind::End; ++k) {
            const Token& tok = t[k];
            if (tok.IsOp("(")) {
                itemStart = ++depth == 1;
            } else if (tok.IsOp(")")) {
                if (--depth == 0) break;
            } else if (depth == 1 && tok.IsOp(",")) {
                itemStart = true;
            } else if (itemStart) {
                itemStart = false;
                bool constraint = tok.IsWord("CONSTRAINT") || tok.IsWord("PRIMARY") ||
                                  tok.IsWord("UNIQUE") || tok.IsWord("FOREIGN") ||
                                  tok.IsWord("CHECK");
                if (!constraint && (tok.kind == TokKind::Name || tok.kind == TokKind::QuotedName))
                    names.emplace(LowerAscii(tok.text), tok.text);
            }
        }
        i = k;
    }
    return names;
}

// The column type of a table function's column, from its first value.
std::string FunctionColumnType(const Variant& v, bool citext) {
    switch (v.Type()) {
        case VarType::Boolean:
            return "smallint";
        case VarType::Integer:
            return "bigint";
        case VarType::Double:
            return "float8";
        case VarType::Currency:
            return "numeric(19,4)";
        case VarType::Date:
            return "timestamp(3)";
        case VarType::Binary:
            return "bytea";
        default:
            return citext ? "citext" : "text";
    }
}

std::string Quote(const std::string& name) {
    std::string q = "\"";
    for (char c : name)
        q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
}

std::string FunctionTable(const TableFunctionCall& call) {
    return "pg_temp." + Quote(call.TempName);
}

// A statement run for its side effect or first value; its failure is not
// the batch's (the caller goes on as if nothing was found).
std::optional<Recordset::Row> FirstRow(PgClient& client, const std::string& sql,
                                       const std::vector<Variant>& params = {}) {
    StatementOutcome outcome;
    DBError ignored;
    if (!client.Run(sql, params, outcome, ignored, nullptr)) return std::nullopt;
    if (!outcome.Rows || outcome.Rows->RecordCount() == 0) return Recordset::Row();
    return outcome.Rows->Rows()[0];
}

}  // namespace

const char* const kPgSearchPathSql =
    "SELECT set_config('search_path', 'public, tsql, citext_ext, pg_catalog', false) "
    "FROM pg_namespace WHERE nspname = 'tsql'";

const char* const kPgTextToDatesSql =
    "SELECT 1 FROM pg_cast c JOIN pg_proc p ON p.oid = c.castfunc "
    "JOIN pg_namespace n ON n.oid = p.pronamespace "
    "WHERE c.castsource = 'text'::regtype AND c.casttarget = 'timestamp'::regtype "
    "AND n.nspname = 'tsql'";

bool PgRunProcedure(PgClient& client, PgIdentity& identity, ClientProcedureContext& ctx,
                    const std::string& name, const std::vector<ProcedureArg>& args,
                    ProcedureResult& result, std::optional<int64_t>& lastCount, DBError& err) {
    if (!RunClientProcedure(name, args, result, ctx, err)) return false;
    if (ctx.Ran()) lastCount = ctx.LastCount();
    identity.AfterProcedure(client, ctx.LastInsertRows());
    return true;
}

int32_t PgStatementErrorNumber(const std::string& state, bool inTransaction) {
    if (inTransaction) return 0;
    if (state == "23505") return 2627;                     // unique key
    if (state == "23502") return 515;                      // NULL into NOT NULL
    if (state == "23503" || state == "23514") return 547;  // foreign key, CHECK
    return 0;
}

std::string PgSqlServerMessage(const std::string& state, const std::string& message) {
    auto typeName = [](const std::string& pg) -> std::string {
        if (pg == "integer") return "int";
        if (pg.rfind("timestamp", 0) == 0 || pg == "date" || pg == "time") return "datetime";
        return pg;
    };
    if (state == "22012") return "Divide by zero error encountered.";
    if (state == "22003") {
        const std::string forType = "out of range for type ";
        std::size_t at = message.find(forType);
        if (at != std::string::npos)
            return "Arithmetic overflow error converting expression to data type " +
                   typeName(message.substr(at + forType.size())) + ".";
        const std::string suffix = " out of range";
        if (message.size() > suffix.size() &&
            message.compare(message.size() - suffix.size(), suffix.size(), suffix) == 0)
            return "Arithmetic overflow error converting expression to data type " +
                   typeName(message.substr(0, message.size() - suffix.size())) + ".";
        return "Arithmetic overflow error converting numeric to data type numeric.";
    }
    const std::string syntax = "invalid input syntax for type ";
    if ((state == "22P02" || state == "22007" || state == "22008") &&
        message.rfind(syntax, 0) == 0) {
        std::size_t colon = message.find(": \"", syntax.size());
        std::string type = typeName(message.substr(syntax.size(), colon - syntax.size()));
        if (type == "datetime")
            return "Conversion failed when converting date and/or time from character string.";
        if (colon != std::string::npos) {
            std::string value = message.substr(colon + 3);
            if (!value.empty() && value.back() == '"') value.pop_back();
            return "Conversion failed when converting the varchar value '" + value +
                   "' to data type " + type + ".";
        }
    }
    return message;
}

const std::string& PgSchemaSpelling(const std::string& name) {
    static const std::unordered_map<std::string, std::string> kNames = SchemaSpellings();
    auto it = kNames.find(name);
    return it == kNames.end() ? name : it->second;
}

void PgIdentity::Reset() {
    value_.reset();
    identities_.clear();
}

void PgIdentity::AfterProcedure(PgClient& client, int64_t rows) {
    if (rows > 0)
        Read(client);
    else if (rows == 0)
        value_.reset();
}

void PgIdentity::Read(PgClient& client) {
    bool inTransaction = client.InTransaction();
    if (inTransaction) FirstRow(client, "SAVEPOINT ct_identity");
    std::optional<Recordset::Row> row = FirstRow(client, "SELECT lastval()");
    bool ok = row && row->size() == 1 && !(*row)[0].IsNull();
    if (ok)
        value_ = (*row)[0].ToInt64();
    else
        value_.reset();
    if (!inTransaction) return;
    if (!ok) FirstRow(client, "ROLLBACK TO SAVEPOINT ct_identity");
    FirstRow(client, "RELEASE SAVEPOINT ct_identity");
}

const std::pair<std::string, std::string>& PgIdentity::Of(PgClient& client,
                                                          const std::string& table) {
    auto it = identities_.find(table);
    if (it != identities_.end()) return it->second;
    std::optional<Recordset::Row> row =
        FirstRow(client,
                 "SELECT a.attname, pg_get_serial_sequence(quote_ident($1::text), a.attname) "
                 "FROM pg_attribute a WHERE a.attrelid = to_regclass(quote_ident($1::text)) "
                 "AND a.attidentity <> '' AND NOT a.attisdropped",
                 {Variant(table)});
    std::pair<std::string, std::string> found;
    if (row && row->size() == 2) found = {(*row)[0].ToText(), (*row)[1].ToText()};
    return identities_.emplace(table, found).first->second;
}

void PgIdentity::AfterInsert(PgClient& client, const std::string& table,
                             const std::vector<std::string>& columns) {
    if (table.empty()) return Read(client);
    const auto& [column, sequence] = Of(client, table);
    if (column.empty()) {
        value_.reset();  // a table without an identity: @@IDENTITY is NULL
        return;
    }
    bool named = false;
    for (const auto& c : columns)
        named = named || c == column;
    if (named) {
        // An explicit id moves the sequence past it, only forwards: another
        // workstation may have drawn values meanwhile.
        FirstRow(client,
                 "SELECT setval($1::regclass, m) FROM (SELECT max(" + Quote(column) +
                     ") AS m FROM " + Quote(table) + ") x, " + sequence +
                     " s WHERE m IS NOT NULL AND (m > s.last_value OR NOT s.is_called)",
                 {Variant(sequence)});
    }
    Read(client);
}

std::string PgIdentity::InsertSql(PgClient& client, const std::string& sql,
                                  const std::string& table,
                                  const std::vector<std::string>& columns) {
    const std::string head = "INSERT INTO ";
    if (table.empty() || !columns.empty() || sql.rfind(head, 0) != 0 ||
        Of(client, table).first.empty())
        return sql;
    std::size_t end = sql.find(' ', head.size());
    if (end == std::string::npos || sql.compare(end, 8, " DEFAULT") == 0) return sql;
    StatementOutcome outcome;
    DBError ignored;
    std::string list;
    if (client.Run("SELECT attname FROM pg_attribute WHERE attrelid = "
                   "to_regclass(quote_ident($1::text)) AND attnum > 0 AND NOT attisdropped "
                   "AND attidentity = '' ORDER BY attnum",
                   {Variant(table)}, outcome, ignored, nullptr) &&
        outcome.Rows)
        for (const auto& row : outcome.Rows->Rows())
            list += (list.empty() ? "" : ", ") + Quote(row[0].ToText());
    if (list.empty()) return sql;
    return sql.substr(0, end) + " (" + list + ")" + sql.substr(end);
}

bool PgBatchExecutor::Run(const SqlStatement& st, const std::vector<BoundParam>& params,
                          StatementOutcome& outcome, DBError& err) {
    std::vector<Variant> values;
    values.reserve(params.size());
    for (const BoundParam& p : params)
        values.push_back(p.Value);
    const std::string sql =
        st.Kind == StatementKind::Insert
            ? identity_.InsertSql(client_, st.Sql, st.TargetTable, st.TargetColumns)
            : st.Sql;
    if (!client_.Run(sql, values, outcome, err, &st)) return false;
    // Schema changes count no rows, whatever number a driver gives them
    // (ODBC's PostgreSQL driver says 0).
    if (st.Kind == StatementKind::Ddl) outcome.Changed = -1;
    if (st.Kind == StatementKind::Insert && outcome.Changed > 0)
        identity_.AfterInsert(client_, st.TargetTable, st.TargetColumns);
    return true;
}

bool PgBatchExecutor::Evaluate(const SqlStatement& st, const std::vector<BoundParam>& params,
                               Variant& value, DBError& err) {
    StatementOutcome outcome;
    if (!Run(st, params, outcome, err)) return false;
    value =
        outcome.Rows && outcome.Rows->RecordCount() > 0 ? outcome.Rows->Rows()[0][0] : Variant();
    return true;
}

bool PgBatchExecutor::FunctionArgs(const TableFunctionCall& call,
                                   const std::vector<BoundParam>& params,
                                   std::vector<Variant>& args, DBError& err) {
    if (call.ArgsSql.empty()) return true;  // fn()
    SqlStatement query;
    query.Sql = call.ArgsSql;
    StatementOutcome outcome;
    if (!Run(query, params, outcome, err)) return false;
    if (outcome.Rows && outcome.Rows->RecordCount() > 0) args = outcome.Rows->Rows()[0];
    return true;
}

bool PgBatchExecutor::Transaction(const std::string& verb, DBError& err) {
    // The embedded engine's BEGIN IMMEDIATE is a plain BEGIN here: rows are
    // locked as they are written.
    return client_.Transaction(verb.rfind("BEGIN", 0) == 0 ? "BEGIN" : verb, err);
}

bool PgBatchExecutor::FillFunctionTable(const TableFunctionCall& call,
                                        const std::vector<std::string>& columns,
                                        const std::vector<Recordset::Row>& rows, DBError& err) {
    std::string table = FunctionTable(call), list, marks;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        Variant first;
        for (const auto& r : rows)
            if (!r[i].IsNull()) {
                first = r[i];
                break;
            }
        list += (i ? ", " : "") + Quote(LowerAscii(columns[i])) + " " +
                FunctionColumnType(first, citext_);
        marks += (i ? ", $" : "$") + std::to_string(i + 1);
    }
    StatementOutcome ignored;
    if (!client_.Run("DROP TABLE IF EXISTS " + table, {}, ignored, err, nullptr) ||
        !client_.Run("CREATE TABLE " + table + " (" + list + ")", {}, ignored, err, nullptr))
        return false;
    std::string insert = "INSERT INTO " + table + " VALUES (" + marks + ")";
    for (const auto& r : rows)
        if (!client_.Run(insert, r, ignored, err, nullptr)) return false;
    return true;
}

void PgBatchExecutor::DropFunctionTable(const TableFunctionCall& call) {
    StatementOutcome ignored;
    DBError ignoredErr;
    client_.Run("DROP TABLE IF EXISTS " + FunctionTable(call), {}, ignored, ignoredErr, nullptr);
}
