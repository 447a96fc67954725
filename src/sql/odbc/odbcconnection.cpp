#include "sql/odbc/odbcconnection.h"

#include <sql.h>
#include <sqlext.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/textutil.h"

namespace {

// SQL Server's time(n), which FreeTDS reports under its own code.
constexpr SQLSMALLINT kSqlSsTime2 = -154;

// One environment for the process: the driver manager keeps its driver
// list there, and connections are cheap to hang off it.
SQLHENV Environment() {
    static SQLHENV env = SQL_NULL_HENV;
    static std::once_flag once;
    std::call_once(once, [] {
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env))) {
            env = SQL_NULL_HENV;
            return;
        }
        SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    });
    return env;
}

struct Diagnostic {
    std::string State;    // of the first record
    std::string Message;  // every record's text, in order
};

Diagnostic ReadDiagnostic(SQLSMALLINT type, SQLHANDLE handle) {
    Diagnostic d;
    for (SQLSMALLINT i = 1; i <= 10; ++i) {
        SQLCHAR state[6] = {0};
        SQLCHAR text[1024] = {0};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        if (!SQL_SUCCEEDED(
                SQLGetDiagRec(type, handle, i, state, &native, text, sizeof text, &length)))
            break;
        if (d.State.empty()) d.State = reinterpret_cast<const char*>(state);
        std::string line = Trim(reinterpret_cast<const char*>(text));
        if (line.empty() || d.Message.find(line) != std::string::npos) continue;
        d.Message += (d.Message.empty() ? "" : " ") + line;
    }
    return d;
}

bool IsTimeoutState(const std::string& state) {
    // HYT00/HYT01: the driver's own limit; 57014: PostgreSQL cancelled it.
    return state == "HYT00" || state == "HYT01" || state == "57014";
}

int AdoTypeOfSql(SQLSMALLINT type, SQLULEN size, SQLSMALLINT digits, bool ansiText) {
    switch (type) {
        case SQL_BIT:
            return adBoolean;
        case SQL_TINYINT:
        case SQL_SMALLINT:
        case SQL_INTEGER:
            return adInteger;
        case SQL_BIGINT:
            return adBigInt;
        case SQL_DECIMAL:
        case SQL_NUMERIC:
            // MONEY and SMALLMONEY: four places at 19 or 10 digits.
            return digits == 4 && (size == 19 || size == 10) ? adCurrency : adDouble;
        case SQL_REAL:
        case SQL_FLOAT:
        case SQL_DOUBLE:
            return adDouble;
        case SQL_TYPE_DATE:
        case SQL_TYPE_TIME:
        case SQL_TYPE_TIMESTAMP:
        case SQL_DATE:
        case SQL_TIME:
        case SQL_TIMESTAMP:
        case kSqlSsTime2:
            return adDBTimeStamp;
        case SQL_BINARY:
        case SQL_VARBINARY:
        case SQL_LONGVARBINARY:
            return adLongVarBinary;
        case SQL_LONGVARCHAR:
        case SQL_WLONGVARCHAR:
            return adLongVarWChar;
        case SQL_CHAR:
        case SQL_VARCHAR:
            if (size == 0 || size > 8000) return adLongVarWChar;
            return ansiText ? adVarChar : adVarWChar;
        case SQL_WCHAR:
        case SQL_WVARCHAR:
            return size == 0 || size > 4000 ? adLongVarWChar : adVarWChar;
        default:
            return adVarWChar;
    }
}

// Reads a character or binary column whole, piece by piece.
SQLRETURN ReadLong(SQLHSTMT st, SQLUSMALLINT col, SQLSMALLINT cType, std::string& out,
                   bool& isNull) {
    char buf[16384];
    // A character piece ends in a terminator that is not part of the value.
    const SQLLEN room = cType == SQL_C_CHAR ? sizeof buf - 1 : sizeof buf;
    for (;;) {
        SQLLEN ind = 0;
        SQLRETURN r = SQLGetData(st, col, cType, buf, sizeof buf, &ind);
        if (r == SQL_NO_DATA) return SQL_SUCCESS;
        if (!SQL_SUCCEEDED(r)) return r;
        if (ind == SQL_NULL_DATA) {
            isNull = true;
            return SQL_SUCCESS;
        }
        bool more = r == SQL_SUCCESS_WITH_INFO && (ind == SQL_NO_TOTAL || ind > room);
        out.append(buf, static_cast<std::size_t>(more ? room : ind));
        if (!more) return SQL_SUCCESS;
    }
}

// "HH:MM:SS[.fffffff]" and the like, cut to the milliseconds kept.
Variant DateFromText(const std::string& text) {
    std::string s = text;
    std::size_t dot = s.find('.');
    if (dot != std::string::npos && s.size() > dot + 4) s.erase(dot + 4);
    if (auto dt = DateTime::Parse(s)) return Variant(*dt);
    return Variant(text);
}

struct Column {
    std::string Name;
    SQLSMALLINT Type = SQL_VARCHAR;
    int Ado = adVarWChar;
};

SQLRETURN ReadValue(SQLHSTMT st, SQLUSMALLINT col, const Column& c, Variant& out) {
    SQLLEN ind = 0;
    SQLRETURN r = SQL_SUCCESS;
    switch (c.Ado) {
        case adBoolean: {
            SQLINTEGER v = 0;
            r = SQLGetData(st, col, SQL_C_SLONG, &v, 0, &ind);
            if (SQL_SUCCEEDED(r) && ind != SQL_NULL_DATA) out = Variant(v != 0);
            return r;
        }
        case adInteger:
        case adBigInt: {
            SQLBIGINT v = 0;
            r = SQLGetData(st, col, SQL_C_SBIGINT, &v, 0, &ind);
            if (SQL_SUCCEEDED(r) && ind != SQL_NULL_DATA) out = Variant(static_cast<long long>(v));
            return r;
        }
        case adDouble:
        case adCurrency: {
            SQLDOUBLE v = 0;
            r = SQLGetData(st, col, SQL_C_DOUBLE, &v, 0, &ind);
            if (SQL_SUCCEEDED(r) && ind != SQL_NULL_DATA)
                out = c.Ado == adCurrency ? Variant::Currency(v) : Variant(v);
            return r;
        }
        case adDBTimeStamp: {
            if (c.Type == SQL_TYPE_TIME || c.Type == SQL_TIME || c.Type == kSqlSsTime2) break;
            SQL_TIMESTAMP_STRUCT ts{};
            r = SQLGetData(st, col, SQL_C_TYPE_TIMESTAMP, &ts, sizeof ts, &ind);
            if (SQL_SUCCEEDED(r) && ind != SQL_NULL_DATA)
                out = Variant(DateTime{ts.year, ts.month, ts.day, ts.hour, ts.minute, ts.second,
                                       static_cast<int>(ts.fraction / 1000000)});
            return r;
        }
        case adLongVarBinary: {
            std::string raw;
            bool isNull = false;
            r = ReadLong(st, col, SQL_C_BINARY, raw, isNull);
            if (SQL_SUCCEEDED(r) && !isNull) out = Variant(Bytes(raw.begin(), raw.end()));
            return r;
        }
        default:
            break;
    }
    std::string text;
    bool isNull = false;
    r = ReadLong(st, col, SQL_C_CHAR, text, isNull);
    if (!SQL_SUCCEEDED(r) || isNull) return r;
    out = c.Ado == adDBTimeStamp ? DateFromText(text) : Variant(std::move(text));
    return r;
}

// Parameter values live here until the statement has run.
struct ParamBuffer {
    SQLLEN Indicator = 0;
    SQLBIGINT Integer = 0;
    SQLDOUBLE Double = 0;
    SQL_TIMESTAMP_STRUCT Stamp{};
    std::string Data;
};

SQLRETURN BindParam(SQLHSTMT st, SQLUSMALLINT n, const Variant& v, ParamBuffer& b) {
    switch (v.Type()) {
        case VarType::Null:
            b.Indicator = SQL_NULL_DATA;
            return SQLBindParameter(st, n, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 1, 0, nullptr,
                                    0, &b.Indicator);
        case VarType::Boolean:
        case VarType::Integer:
            b.Integer = v.ToInt64();
            return SQLBindParameter(st, n, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0, 0,
                                    &b.Integer, 0, nullptr);
        case VarType::Double:
        case VarType::Currency:
            b.Double = v.ToDouble();
            return SQLBindParameter(st, n, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 0, 0,
                                    &b.Double, 0, nullptr);
        case VarType::Date: {
            DateTime d = *v.ToDateTime();
            b.Stamp = SQL_TIMESTAMP_STRUCT{static_cast<SQLSMALLINT>(d.Year),
                                           static_cast<SQLUSMALLINT>(d.Month),
                                           static_cast<SQLUSMALLINT>(d.Day),
                                           static_cast<SQLUSMALLINT>(d.Hour),
                                           static_cast<SQLUSMALLINT>(d.Minute),
                                           static_cast<SQLUSMALLINT>(d.Second),
                                           static_cast<SQLUINTEGER>(d.Millisecond) * 1000000u};
            return SQLBindParameter(st, n, SQL_PARAM_INPUT, SQL_C_TYPE_TIMESTAMP,
                                    SQL_TYPE_TIMESTAMP, 23, 3, &b.Stamp, sizeof b.Stamp, nullptr);
        }
        case VarType::Binary: {
            Bytes bytes = v.ToBytes();
            b.Data.assign(bytes.begin(), bytes.end());
            b.Indicator = static_cast<SQLLEN>(b.Data.size());
            SQLSMALLINT type = b.Data.size() > 8000 ? SQL_LONGVARBINARY : SQL_VARBINARY;
            return SQLBindParameter(st, n, SQL_PARAM_INPUT, SQL_C_BINARY, type,
                                    std::max<SQLULEN>(b.Data.size(), 1), 0, b.Data.data(),
                                    b.Indicator, &b.Indicator);
        }
        default: {
            // Unicode on the server side (nvarchar on SQL Server): the UTF-8
            // text is converted by the driver, not narrowed to a code page.
            b.Data = v.ToText();
            b.Indicator = static_cast<SQLLEN>(b.Data.size());
            SQLSMALLINT type = b.Data.size() > 4000 ? SQL_WLONGVARCHAR : SQL_WVARCHAR;
            return SQLBindParameter(st, n, SQL_PARAM_INPUT, SQL_C_CHAR, type,
                                    std::max<SQLULEN>(b.Data.size(), 1), 0, b.Data.data(),
                                    b.Indicator + 1, &b.Indicator);
        }
    }
}

// Frees the statement handle whatever way Run leaves.
struct Statement {
    SQLHSTMT Handle = SQL_NULL_HSTMT;
    ~Statement() {
        if (Handle != SQL_NULL_HSTMT) SQLFreeHandle(SQL_HANDLE_STMT, Handle);
    }
};

// The base table or column name of result column `i`, "" when the driver
// knows none (an expression).
std::string BaseName(SQLHSTMT st, SQLUSMALLINT i, SQLUSMALLINT field) {
    SQLCHAR name[512] = {0};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLColAttribute(st, i, field, name, sizeof name, &length, nullptr)))
        return {};
    return reinterpret_cast<const char*>(name);
}

bool ReadResult(SQLHSTMT st, bool ansiText, OdbcConnection::StorageFetch fetch,
                OdbcConnection::Spelling spelling, bool describeBase, OdbcResult& result,
                SQLRETURN& failed) {
    SQLSMALLINT count = 0;
    failed = SQLNumResultCols(st, &count);
    if (!SQL_SUCCEEDED(failed)) return false;
    if (count == 0) {
        SQLLEN changed = -1;
        if (SQL_SUCCEEDED(SQLRowCount(st, &changed))) result.Changed = changed;
        return true;
    }
    std::vector<Column> columns(static_cast<std::size_t>(count));
    std::vector<FieldInfo> fields(columns.size());
    for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(count); ++i) {
        SQLCHAR name[512] = {0};
        SQLSMALLINT nameLength = 0, type = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        failed =
            SQLDescribeCol(st, i, name, sizeof name, &nameLength, &type, &size, &digits, &nullable);
        if (!SQL_SUCCEEDED(failed)) return false;
        Column& c = columns[i - 1u];
        c.Name = reinterpret_cast<const char*>(name);
        // PostgreSQL names an unnamed expression "?column?"; SQL Server leaves it empty.
        if (c.Name == "?column?") c.Name.clear();
        if (spelling != nullptr) c.Name = spelling(c.Name);
        c.Type = type;
        SQLCHAR typeName[128] = {0};
        SQLSMALLINT typeNameLength = 0;
        SQLColAttribute(st, i, SQL_DESC_TYPE_NAME, typeName, sizeof typeName, &typeNameLength,
                        nullptr);
        result.Types.push_back({reinterpret_cast<const char*>(typeName), size, digits, "", ""});
        if (fetch != nullptr) {
            result.Types.back().BaseTable = BaseName(st, i, SQL_DESC_BASE_TABLE_NAME);
            result.Types.back().BaseColumn = BaseName(st, i, SQL_DESC_BASE_COLUMN_NAME);
        }
        c.Ado = fetch != nullptr ? fetch(type, result.Types.back().Name)
                                 : AdoTypeOfSql(type, size, digits, ansiText);
        fields[i - 1u].Name = c.Name;
        fields[i - 1u].Type = c.Ado;
        if (describeBase) {
            fields[i - 1u].BaseTable = BaseName(st, i, SQL_DESC_BASE_TABLE_NAME);
            if (!fields[i - 1u].BaseTable.empty())
                fields[i - 1u].BaseColumn = BaseName(st, i, SQL_DESC_BASE_COLUMN_NAME);
        }
        // Dates and times of day print in their own form, as on the other engines.
        if (type == SQL_TYPE_DATE || type == SQL_DATE) fields[i - 1u].DeclaredType = "DATE";
        if (type == SQL_TYPE_TIME || type == SQL_TIME || type == kSqlSsTime2)
            fields[i - 1u].DeclaredType = "TIME";
    }
    std::vector<Recordset::Row> rows;
    for (;;) {
        SQLRETURN r = SQLFetch(st);
        if (r == SQL_NO_DATA) break;
        if (!SQL_SUCCEEDED(r)) {
            failed = r;
            return false;
        }
        Recordset::Row row(columns.size());
        for (std::size_t i = 0; i < columns.size(); ++i) {
            failed = ReadValue(st, static_cast<SQLUSMALLINT>(i + 1), columns[i], row[i]);
            if (!SQL_SUCCEEDED(failed)) return false;
        }
        rows.push_back(std::move(row));
    }
    result.Rows = std::make_shared<Recordset>(std::move(fields), std::move(rows));
    return true;
}

}  // namespace

std::string OdbcValue(const std::string& value) {
    if (value.find_first_of(";{}=") == std::string::npos && Trim(value) == value) return value;
    std::string out = "{";
    for (char c : value)
        out += c == '}' ? std::string("}}") : std::string(1, c);
    return out + "}";
}

OdbcConnection::~OdbcConnection() {
    Close();
}

bool OdbcConnection::Connect(const std::string& connectionString, int32_t loginTimeout,
                             DBError& err) {
    Close();
    connectionString_ = connectionString;
    loginTimeout_ = loginTimeout;
    return Reconnect(err);
}

bool OdbcConnection::Reconnect(DBError& err) {
    Drop();
    lost_ = false;
    SQLHENV env = Environment();
    SQLHDBC dbc = SQL_NULL_HDBC;
    if (env == SQL_NULL_HENV || !SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc))) {
        err.Set(kErrConnection, "The ODBC driver manager could not be started.");
        return false;
    }
    if (loginTimeout_ > 0)
        SQLSetConnectAttr(dbc, SQL_ATTR_LOGIN_TIMEOUT,
                          reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(loginTimeout_)), 0);
    std::string text = connectionString_;
    SQLCHAR completed[2048] = {0};
    SQLSMALLINT completedLength = 0;
    SQLRETURN r = SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(text.data()),
                                   static_cast<SQLSMALLINT>(text.size()), completed,
                                   sizeof completed, &completedLength, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(r)) {
        Diagnostic d = ReadDiagnostic(SQL_HANDLE_DBC, dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, dbc);
        err.Set(kErrConnection, d.Message.empty() ? "The ODBC connection failed." : d.Message);
        lost_ = !connectionString_.empty();
        return false;
    }
    dbc_ = dbc;
    lost_ = false;
    SQLCHAR name[256] = {0};
    SQLSMALLINT length = 0;
    if (SQL_SUCCEEDED(SQLGetInfo(dbc, SQL_DBMS_NAME, name, sizeof name, &length)))
        dbms_ = reinterpret_cast<const char*>(name);
    return true;
}

void OdbcConnection::Drop() {
    if (dbc_ != nullptr) {
        SQLDisconnect(dbc_);
        SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    }
    dbc_ = nullptr;
    dbms_.clear();
}

void OdbcConnection::Close() {
    Drop();
    lost_ = false;
}

bool OdbcConnection::Run(const std::string& sql, const std::vector<Variant>& params,
                         std::vector<OdbcResult>& results, DBError& err) {
    if (dbc_ == nullptr && !lost_) {
        err.Set(kErrConnection, "The connection is closed.");
        return false;
    }
    state_.clear();
    if (lost_) {
        // The setup's own statements do not reconnect (and set up) again:
        // a session lost during its setup fails the statement it was for.
        if (settingUp_ || !Reconnect(err)) {
            if (settingUp_) err.Set(kErrConnection, "The connection was lost.");
            return false;
        }
        if (onReconnect_) {
            settingUp_ = true;
            onReconnect_();
            settingUp_ = false;
            if (lost_) {
                err.Set(kErrConnection, "The connection was lost.");
                return false;
            }
        }
    }
    state_.clear();
    Statement st;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &st.Handle))) {
        Diagnostic d = ReadDiagnostic(SQL_HANDLE_DBC, dbc_);
        lost_ = true;
        err.Set(kErrConnection, d.Message.empty() ? "The connection was lost." : d.Message);
        return false;
    }
    SQLSetStmtAttr(st.Handle, SQL_ATTR_QUERY_TIMEOUT,
                   reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(timeout_ < 0 ? 0 : timeout_)),
                   0);
    std::vector<ParamBuffer> buffers(params.size());
    SQLRETURN r = SQL_SUCCESS;
    for (std::size_t i = 0; i < params.size() && SQL_SUCCEEDED(r); ++i)
        r = BindParam(st.Handle, static_cast<SQLUSMALLINT>(i + 1), params[i], buffers[i]);
    if (SQL_SUCCEEDED(r)) {
        std::string text = sql;
        r = SQLExecDirect(st.Handle, reinterpret_cast<SQLCHAR*>(text.data()),
                          static_cast<SQLINTEGER>(text.size()));
    }
    // A searched UPDATE or DELETE that touched no row answers "no data".
    bool ansiText = dbms_ == "Microsoft SQL Server";
    for (bool first = true; SQL_SUCCEEDED(r) || r == SQL_NO_DATA; first = false) {
        if (r != SQL_NO_DATA || first) {
            OdbcResult result;
            if (r == SQL_NO_DATA) {
                result.Changed = 0;
            } else if (!ReadResult(st.Handle, ansiText, storageFetch_, spelling_, describeBase_,
                                   result, r)) {
                break;
            }
            results.push_back(std::move(result));
        }
        r = SQLMoreResults(st.Handle);
        if (r == SQL_NO_DATA) return true;
    }
    Diagnostic d = ReadDiagnostic(SQL_HANDLE_STMT, st.Handle);
    state_ = d.State;
    SQLUINTEGER dead = SQL_CD_FALSE;
    SQLGetConnectAttr(dbc_, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr);
    if (d.State.rfind("08", 0) == 0 || dead == SQL_CD_TRUE) {
        // Reported now; the next statement opens a new connection.
        lost_ = true;
        err.Set(kErrConnection, d.Message.empty() ? "The connection was lost." : d.Message);
    } else if (IsTimeoutState(d.State)) {
        err.Set(kErrTimeout, d.Message.empty() ? "Query timeout expired" : d.Message);
    } else {
        err.Set(kErrSql, d.Message.empty() ? "The statement failed." : d.Message);
    }
    return false;
}
