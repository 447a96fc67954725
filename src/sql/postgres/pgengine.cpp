#include "sql/postgres/pgengine.h"

#include <libpq-fe.h>

#include <cctype>
#include <cstdlib>
#include <exception>

#include "platform/textutil.h"
#include "sql/postgres/pgbatch.h"
#include "sql/postgres/pgprocedurecontext.h"
#include "sql/postgres/pgtranslate.h"
#include "sql/sqltypes.h"
#include "sql/tsql/tsqlrunner.h"

namespace {

// Type OIDs of the built-in types (pg_type.dat); citext and other extension
// types have no fixed OID and read as text.
enum : Oid {
    kBool = 16,
    kBytea = 17,
    kInt8 = 20,
    kInt2 = 21,
    kInt4 = 23,
    kText = 25,
    kFloat4 = 700,
    kFloat8 = 701,
    kBpchar = 1042,
    kVarchar = 1043,
    kDate = 1082,
    kTime = 1083,
    kTimestamp = 1114,
    kTimestampTz = 1184,
    kNumeric = 1700,
};

int AdoTypeOfOid(Oid oid) {
    switch (oid) {
        case kBool:
            return adBoolean;
        case kInt2:
        case kInt4:
            return adInteger;
        case kInt8:
            return adBigInt;
        case kFloat4:
        case kFloat8:
        case kNumeric:
            return adDouble;
        case kDate:
        case kTime:
        case kTimestamp:
        case kTimestampTz:
            return adDBTimeStamp;
        case kBytea:
            return adLongVarBinary;
        case kText:
            return adLongVarWChar;
        default:
            return adVarWChar;
    }
}

Variant ReadValue(const PGresult* res, int row, int col) {
    if (PQgetisnull(res, row, col)) return Variant();
    const char* text = PQgetvalue(res, row, col);
    switch (PQftype(res, col)) {
        case kBool:
            return Variant(text[0] == 't');
        case kInt2:
        case kInt4:
        case kInt8:
            return Variant(static_cast<long long>(std::strtoll(text, nullptr, 10)));
        case kFloat4:
        case kFloat8:
        case kNumeric:
            return Variant(std::strtod(text, nullptr));
        case kDate:
        case kTime:
        case kTimestamp:
        case kTimestampTz: {
            // Microseconds are cut to the milliseconds the programs keep.
            std::string s = text;
            std::size_t dot = s.find('.');
            if (dot != std::string::npos && s.size() > dot + 4) s.erase(dot + 4);
            std::size_t zone = s.find_first_of("+-", 11);
            if (zone != std::string::npos && s.size() > 10) s.erase(zone);
            if (auto dt = DateTime::Parse(s)) return Variant(*dt);
            return Variant(std::string(text));
        }
        case kBytea: {
            std::size_t n = 0;
            unsigned char* raw = PQunescapeBytea(reinterpret_cast<const unsigned char*>(text), &n);
            if (raw == nullptr) return Variant();
            Bytes bytes(raw, raw + n);
            PQfreemem(raw);
            return Variant(std::move(bytes));
        }
        default:
            return Variant(std::string(text));
    }
}

std::shared_ptr<Recordset> ReadRecordset(const PGresult* res) {
    std::vector<FieldInfo> fields(static_cast<std::size_t>(PQnfields(res)));
    for (int c = 0; c < PQnfields(res); ++c) {
        FieldInfo& f = fields[static_cast<std::size_t>(c)];
        f.Name = PQfname(res, c);
        // PostgreSQL names an unnamed expression "?column?"; SQL Server leaves it empty.
        if (f.Name == "?column?") f.Name.clear();
        f.Name = PgSchemaSpelling(f.Name);
        f.Type = AdoTypeOfOid(PQftype(res, c));
    }
    std::vector<Recordset::Row> rows(static_cast<std::size_t>(PQntuples(res)));
    for (int r = 0; r < PQntuples(res); ++r) {
        Recordset::Row& row = rows[static_cast<std::size_t>(r)];
        row.reserve(fields.size());
        for (int c = 0; c < PQnfields(res); ++c)
            row.push_back(ReadValue(res, r, c));
    }
    return std::make_shared<Recordset>(std::move(fields), std::move(rows));
}

std::string Property(const ConnectionProperties& props, std::initializer_list<const char*> keys) {
    for (const char* k : keys) {
        auto it = props.find(k);
        if (it != props.end()) return it->second;
    }
    return {};
}

std::string TrimMessage(const char* text) {
    return Trim(text == nullptr ? std::string() : std::string(text));
}

}  // namespace

const char* const kPgDatabaseSetupSql =
    "CREATE EXTENSION IF NOT EXISTS citext; "
    "CREATE OPERATOR + (LEFTARG = text, RIGHTARG = text, FUNCTION = textcat)";

PgEngine::~PgEngine() {
    Close();
}

bool PgEngine::Open(const ConnectionProperties& props, DBError& err) {
    Close();
    std::string source = Property(props, {"data source", "server", "host"});
    std::string host = source, port;
    // HOST:PORT; a bare IPv6 address has several colons and no port.
    std::size_t colon = source.rfind(':');
    if (colon != std::string::npos && source.find(':') == colon) {
        host = source.substr(0, colon);
        port = source.substr(colon + 1);
    }
    std::string db = Property(props, {"initial catalog", "database"});
    std::string user = Property(props, {"user id", "uid", "user"});
    std::string password = Property(props, {"password", "pwd"});
    std::string app = Property(props, {"application name"});
    std::string connectTimeout = Property(props, {"connect timeout", "timeout"});
    if (connectTimeout.empty()) connectTimeout = "15";
    std::vector<const char*> keys, values;
    auto add = [&](const char* k, const std::string& v) {
        if (v.empty()) return;
        keys.push_back(k);
        values.push_back(v.c_str());
    };
    add("host", host);
    add("port", port);
    add("dbname", db);
    add("user", user);
    add("password", password);
    add("application_name", app);
    add("connect_timeout", connectTimeout);
    static const std::string kUtf8 = "UTF8";  // outlives the call: libpq reads it later
    add("client_encoding", kUtf8);
    keys.push_back(nullptr);
    values.push_back(nullptr);
    conn_ = PQconnectdbParams(keys.data(), values.data(), 0);
    if (conn_ == nullptr || PQstatus(conn_) != CONNECTION_OK) {
        err.Set(kErrConnection, conn_ != nullptr ? TrimMessage(PQerrorMessage(conn_))
                                                 : "Out of memory opening the connection.");
        Close();
        return false;
    }
    // Date-times come back in the storage form; the statement timeout is the
    // command timeout. citext (a trusted extension) gives text columns SQL
    // Server's case-insensitive comparisons, grouping and ordering.
    std::string setup = "SET DateStyle = 'ISO, YMD'; SET statement_timeout = " +
                        std::to_string(static_cast<int64_t>(timeout_) * 1000) +
                        "; SET client_min_messages = warning";
    PGresult* res = PQexec(conn_, setup.c_str());
    bool ok = PQresultStatus(res) == PGRES_COMMAND_OK;
    PQclear(res);
    if (!ok) {
        err.Set(kErrConnection, TrimMessage(PQerrorMessage(conn_)));
        Close();
        return false;
    }
    res = PQexec(conn_, "SELECT 1 FROM pg_extension WHERE extname = 'citext'");
    citext_ = PQresultStatus(res) == PGRES_TUPLES_OK && PQntuples(res) == 1;
    PQclear(res);
    identity_.Reset();
    return true;
}

void PgEngine::Close() {
    if (conn_ != nullptr) PQfinish(conn_);
    conn_ = nullptr;
}

bool PgEngine::IsOpen() const {
    return conn_ != nullptr && PQstatus(conn_) == CONNECTION_OK;
}

void PgEngine::SetCommandTimeout(int32_t seconds) {
    timeout_ = seconds;
    if (!IsOpen()) return;
    std::string sql = "SET statement_timeout = " + std::to_string(int64_t{seconds} * 1000);
    PQclear(PQexec(conn_, sql.c_str()));
}

void PgEngine::Failed(DBError& err, const std::string& fallback) {
    if (PQstatus(conn_) != CONNECTION_OK) {
        // The failing statement reports the lost connection; the next one
        // opens a new connection. Nothing is sent again.
        err.Set(kErrConnection,
                fallback.empty() ? "The connection to the server was lost." : fallback);
        Close();
        return;
    }
    err.Set(kErrSql, fallback);
}

namespace {

// A parameter's text; false for NULL. Binary goes as bytea's hex form.
bool ParamText(const Variant& v, std::string& text) {
    switch (v.Type()) {
        case VarType::Null:
            return false;
        case VarType::Boolean:
            text = v.ToBool() ? "1" : "0";
            return true;
        case VarType::Date:
            text = StorageText(*v.ToDateTime(), SqlType::DateTime);
            return true;
        case VarType::Binary: {
            static const char kHex[] = "0123456789abcdef";
            text = "\\x";
            for (unsigned char b : v.ToBytes()) {
                text += kHex[b >> 4];
                text += kHex[b & 15];
            }
            return true;
        }
        default:
            text = v.ToText();
            return true;
    }
}

}  // namespace

// The engine's connection as the shared PostgreSQL executor uses it: one
// PQexecParams per statement, parameters as untyped text (the statement's
// casts type them).
class LibpqClient : public PgClient {
  public:
    explicit LibpqClient(PgEngine& engine) : e_(engine) {}

    bool Run(const std::string& sql, const std::vector<Variant>& params, StatementOutcome& outcome,
             DBError& err) override {
        std::vector<std::string> text(params.size());
        std::vector<const char*> values(params.size(), nullptr);
        for (std::size_t i = 0; i < params.size(); ++i)
            if (ParamText(params[i], text[i])) values[i] = text[i].c_str();
        PGresult* res = PQexecParams(e_.conn_, sql.c_str(), static_cast<int>(values.size()),
                                     nullptr, values.data(), nullptr, nullptr, 0);
        if (!Succeeded(res, err)) return false;
        if (PQresultStatus(res) == PGRES_TUPLES_OK) {
            outcome.Rows = ReadRecordset(res);
        } else {
            const char* tuples = PQcmdTuples(res);
            if (tuples != nullptr && tuples[0] != '\0')
                outcome.Changed = std::strtoll(tuples, nullptr, 10);
        }
        PQclear(res);
        return true;
    }

    bool Transaction(const std::string& verb, DBError& err) override {
        return Succeeded(PQexec(e_.conn_, verb.c_str()), err, true);
    }

    bool InTransaction() override { return PQtransactionStatus(e_.conn_) == PQTRANS_INTRANS; }

    bool CallProcedure(const std::string& name, const std::vector<ProcedureArg>& args,
                       ProcedureResult& result, std::optional<int64_t>& lastCount,
                       DBError& err) override {
        PgProcedureContext ctx(e_.conn_);
        if (!e_.RunProcedure(name, args, result, ctx, err)) return false;
        if (ctx.Ran()) lastCount = ctx.LastCount();
        return true;
    }

    std::unique_ptr<ProcedureContext> NewContext() override {
        return std::make_unique<PgProcedureContext>(e_.conn_);
    }

  private:
    // False with `err` set (and `res` cleared) when `res` is no success;
    // `clear` clears a successful one too.
    bool Succeeded(PGresult* res, DBError& err, bool clear = false) {
        ExecStatusType status = PQresultStatus(res);
        if (status == PGRES_TUPLES_OK || status == PGRES_COMMAND_OK) {
            if (clear) PQclear(res);
            return true;
        }
        std::string message = res != nullptr
                                  ? TrimMessage(PQresultErrorField(res, PG_DIAG_MESSAGE_PRIMARY))
                                  : std::string();
        if (message.empty()) message = TrimMessage(PQerrorMessage(e_.conn_));
        PQclear(res);
        e_.Failed(err, message);
        return false;
    }

    PgEngine& e_;
};

bool PgEngine::Execute(const std::string& tsql, bool updatable, BatchOutput& out, DBError& err) {
    if (!IsOpen()) {
        err.Set(kErrConnection, "The connection is closed.");
        Close();
        return false;
    }
    if (updatable) {
        err.Set(kErrSql, "Unsupported T-SQL construct: updatable recordsets on PostgreSQL");
        return false;
    }
    Batch batch;
    std::string error;
    PgStatementTranslator translator(citext_);
    if (!ParseBatch(tsql, translator, batch, error)) {
        err.Set(kErrSql, error);
        return false;
    }
    LibpqClient client(*this);
    PgBatchExecutor executor(client, identity_, citext_);
    BatchRunner runner(executor, out);
    bool ok = runner.Run(batch, err);
    // A failed batch must not leave a transaction (and its locks) open, nor
    // the session in the aborted state that refuses every later statement.
    if (!ok && IsOpen() && PQtransactionStatus(conn_) != PQTRANS_IDLE)
        PQclear(PQexec(conn_, "ROLLBACK"));
    return ok;
}

bool PgEngine::CallProcedure(const std::string& name, const std::vector<ProcedureArg>& args,
                             ProcedureResult& result, DBError& err) {
    if (!IsOpen()) {
        err.Set(kErrConnection, "The connection is closed.");
        Close();
        return false;
    }
    PgProcedureContext ctx(conn_);
    return RunProcedure(name, args, result, ctx, err);
}

bool PgEngine::RunProcedure(const std::string& name, const std::vector<ProcedureArg>& args,
                            ProcedureResult& result, PgProcedureContext& ctx, DBError& err) {
    const DBProcedure* proc = FindDBProcedure(name);
    if (proc == nullptr) {
        err.Set(kErrSql, "Could not find stored procedure '" + name + "'.");
        return false;
    }
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
    if (ctx.Lost()) {
        Failed(err, "Procedure " + name + " failed: " + error);
        return false;
    }
    err.Set(kErrSql, "Procedure " + name + " failed: " + error);
    return false;
}

bool PgEngine::WriteRow(const std::string& table, bool, int64_t&,
                        const std::vector<std::pair<std::string, Variant>>&,
                        std::vector<std::pair<std::string, Variant>>&, DBError& err) {
    err.Set(kErrSql,
            "Unsupported T-SQL construct: updatable recordsets on PostgreSQL (" + table + ")");
    return false;
}

std::string PgProcedureSql(const std::string& text) {
    // The embedded engine's clock expressions (procsupport.h).
    std::string sql = text;
    auto replaceAll = [&sql](const std::string& from, const std::string& to) {
        for (std::size_t p = sql.find(from); p != std::string::npos; p = sql.find(from, p))
            sql.replace(p, from.size(), to), p += to.size();
    };
    replaceAll("datetime('now', 'localtime')", "CAST(statement_timestamp() AS timestamp(3))");
    replaceAll("date('now', 'localtime')", "CAST(statement_timestamp() AS date)");
    std::string out;
    int n = 0;
    char quote = 0;
    for (std::size_t i = 0; i < sql.size(); ++i) {
        char c = sql[i];
        if (quote != 0) {
            out += c;
            if (c == quote) quote = 0;
            continue;
        }
        if (c == '\'' || c == '"') {
            quote = c;
            out += c;
        } else if (c == '?') {
            out += "$" + std::to_string(++n);
        } else if ((c == 'I' || c == 'i') && LowerAscii(sql.substr(i, 7)) == "ifnull(" &&
                   (i == 0 || !std::isalnum(static_cast<unsigned char>(sql[i - 1])))) {
            out += "COALESCE(";
            i += 6;
        } else {
            out += c;
        }
    }
    return out;
}

PGresult* PgProcedureContext::Run(const std::string& sql, const std::vector<Variant>& params) {
    error_.clear();
    std::vector<std::string> text(params.size());
    std::vector<const char*> values(params.size(), nullptr);
    // Types go with the values: a parameter in an INSERT ... SELECT list
    // would otherwise be taken for text and refused by an integer or date
    // column. Text in a date's storage form is a date.
    std::vector<Oid> types(params.size(), 0);
    for (std::size_t i = 0; i < params.size(); ++i) {
        const Variant& v = params[i];
        switch (v.Type()) {
            case VarType::Null:
                continue;
            case VarType::Boolean:
                text[i] = v.ToBool() ? "1" : "0";
                types[i] = kInt2;
                break;
            case VarType::Integer:
                text[i] = v.ToText();
                types[i] = kInt8;
                break;
            case VarType::Double:
                text[i] = v.ToText();
                types[i] = kFloat8;
                break;
            case VarType::Date:
                text[i] = StorageText(*v.ToDateTime(), SqlType::DateTime);
                types[i] = kTimestamp;
                break;
            case VarType::Text: {
                text[i] = v.ToText();
                DateTime dt;
                if (ParseStorageDate(text[i].data(), text[i].size(), dt))
                    types[i] = text[i].size() == 10  ? kDate
                               : text[i].size() == 8 ? kTime
                                                     : kTimestamp;
                break;
            }
            case VarType::Binary: {
                static const char kHex[] = "0123456789abcdef";
                text[i] = "\\x";
                for (unsigned char b : v.ToBytes()) {
                    text[i] += kHex[b >> 4];
                    text[i] += kHex[b & 15];
                }
                break;
            }
            default:
                text[i] = v.ToText();
        }
        values[i] = text[i].c_str();
    }
    std::string pgSql = PgProcedureSql(sql);
    PGresult* res = PQexecParams(conn_, pgSql.c_str(), static_cast<int>(values.size()),
                                 types.data(), values.data(), nullptr, nullptr, 0);
    ExecStatusType status = PQresultStatus(res);
    if (status == PGRES_TUPLES_OK || status == PGRES_COMMAND_OK) {
        ran_ = true;
        const char* tuples = PQcmdTuples(res);
        lastCount_ = status == PGRES_TUPLES_OK                ? PQntuples(res)
                     : tuples != nullptr && tuples[0] != '\0' ? std::strtoll(tuples, nullptr, 10)
                                                              : 0;
        return res;
    }
    const char* state = res != nullptr ? PQresultErrorField(res, PG_DIAG_SQLSTATE) : nullptr;
    error_ = TrimMessage(PQerrorMessage(conn_));
    if (state != nullptr && std::string(state) == "23505")
        error_ = "UNIQUE constraint failed: " + error_;
    lost_ = PQstatus(conn_) != CONNECTION_OK;
    PQclear(res);
    return nullptr;
}

std::shared_ptr<Recordset> PgProcedureContext::Query(const std::string& sql,
                                                     const std::vector<Variant>& params) {
    PGresult* res = Run(sql, params);
    if (res == nullptr) return nullptr;
    auto rs = ReadRecordset(res);
    PQclear(res);
    return rs;
}

bool PgProcedureContext::Execute(const std::string& sql, const std::vector<Variant>& params,
                                 int64_t* changes) {
    PGresult* res = Run(sql, params);
    if (res == nullptr) return false;
    const char* tuples = PQcmdTuples(res);
    if (changes != nullptr)
        *changes = tuples != nullptr && *tuples != '\0' ? std::strtoll(tuples, nullptr, 10) : 0;
    PQclear(res);
    return true;
}

int64_t PgProcedureContext::LastInsertId() {
    PGresult* res = PQexec(conn_, "SELECT lastval()");
    int64_t id = 0;
    if (PQresultStatus(res) == PGRES_TUPLES_OK && PQntuples(res) == 1 && !PQgetisnull(res, 0, 0))
        id = std::strtoll(PQgetvalue(res, 0, 0), nullptr, 10);
    PQclear(res);
    return id;
}
