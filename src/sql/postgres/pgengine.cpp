#include "sql/postgres/pgengine.h"

#include <libpq-fe.h>

#include <cctype>
#include <cstdlib>
#include <exception>
#include <unordered_map>

#include "platform/textutil.h"
#include "sql/embeddedfiles.h"
#include "sql/postgres/pgbatch.h"
#include "sql/postgres/pgprocedurecontext.h"
#include "sql/postgres/pgtranslate.h"
#include "sql/postgres/pgwriteback.h"
#include "sql/sqltypes.h"
#include "sql/tsql/tsqllexer.h"
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
            // A time of day reads on SQL Server's base date, 1900-01-01.
            std::string s = PQftype(res, col) == kTime ? std::string("1900-01-01 ") + text : text;
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
        // Dates and times print in their own storage form; MONEY (numeric(19,4)
        // here) is a currency.
        if (PQftype(res, c) == kDate) f.DeclaredType = "DATE";
        if (PQftype(res, c) == kTime) f.DeclaredType = "TIME";
        constexpr int kMoneyTypmod = ((19 << 16) | 4) + 4;  // (precision, scale) + VARHDRSZ
        if (PQftype(res, c) == kNumeric && PQfmod(res, c) == kMoneyTypmod) f.Type = adCurrency;
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

// The first of `keys` given a value: the workstation appends an empty
// "Data Source=" when its settings leave the server to the client library,
// which must not hide a Host= written before it.
std::string Property(const ConnectionProperties& props, std::initializer_list<const char*> keys) {
    for (const char* k : keys) {
        auto it = props.find(k);
        if (it != props.end() && !it->second.empty()) return it->second;
    }
    return {};
}

std::string TrimMessage(const char* text) {
    return Trim(text == nullptr ? std::string() : std::string(text));
}

// SQL Server's words for the error `res` reports (pgbatch.h).
std::string SqlServerMessage(const PGresult* res, const std::string& message) {
    const char* field = res != nullptr ? PQresultErrorField(res, PG_DIAG_SQLSTATE) : nullptr;
    return PgSqlServerMessage(field != nullptr ? field : "", message);
}

// statement_timeout (the command timeout) cancelled the statement.
bool IsTimeout(const PGresult* res) {
    const char* state = res != nullptr ? PQresultErrorField(res, PG_DIAG_SQLSTATE) : nullptr;
    return state != nullptr && std::string(state) == "57014";
}

}  // namespace

// Text compares as under SQL Server's case-insensitive collations: case and
// trailing blanks do not count. citext gives the first; the operators of
// schema tsql add the second for =, <>, <, <=, >, >= (so IN and BETWEEN
// too), on text and citext alike. The database's search path puts them
// before citext's and the built-in ones (public stays first, so tables are
// made there). A text meets an integer as SQL Server converts it: the text
// becomes a number, or the statement fails with SQL Server's conversion
// message. "+" joins texts (NULL + x is NULL). GROUP BY, DISTINCT and
// unique indexes keep citext's ordering, in which trailing blanks count.
// Running it again changes nothing.
const char* const kPgDatabaseSetupSql = R"sql(
CREATE SCHEMA IF NOT EXISTS citext_ext;
CREATE EXTENSION IF NOT EXISTS citext SCHEMA citext_ext;
CREATE SCHEMA IF NOT EXISTS tsql;
CREATE OR REPLACE FUNCTION tsql.cmp(text, text) RETURNS integer IMMUTABLE STRICT PARALLEL SAFE
  LANGUAGE sql AS 'SELECT citext_ext.citext_cmp(rtrim($1)::citext_ext.citext, rtrim($2)::citext_ext.citext)';
CREATE OR REPLACE FUNCTION tsql.int(text) RETURNS bigint IMMUTABLE STRICT PARALLEL SAFE
  LANGUAGE plpgsql AS $f$
BEGIN
  RETURN $1::bigint;
EXCEPTION WHEN invalid_text_representation OR numeric_value_out_of_range THEN
  RAISE EXCEPTION 'Conversion failed when converting the varchar value ''%'' to data type int.', $1;
END $f$;
DO $d$
DECLARE
  ops text[] := ARRAY['=', '<>', '<', '<=', '>', '>='];
  names text[] := ARRAY['eq', 'ne', 'lt', 'le', 'gt', 'ge'];
  negators text[] := ARRAY['<>', '=', '>=', '>', '<=', '<'];
  commutators text[] := ARRAY['=', '<>', '>', '>=', '<', '<='];
  ty text;
  i int;
BEGIN
  IF EXISTS (SELECT 1 FROM pg_operator o JOIN pg_namespace n ON n.oid = o.oprnamespace
             WHERE n.nspname = 'tsql') THEN
    RETURN;
  END IF;
  FOREACH ty IN ARRAY ARRAY['text', 'citext_ext.citext'] LOOP
    FOR i IN 1..6 LOOP
      EXECUTE format('CREATE FUNCTION tsql.%s_%s(%s, %s) RETURNS boolean IMMUTABLE STRICT '
                     'PARALLEL SAFE LANGUAGE sql AS %L', names[i], left(ty, 1), ty, ty,
                     'SELECT tsql.cmp($1::text, $2::text) ' || ops[i] || ' 0');
      EXECUTE format('CREATE OPERATOR tsql.%s (LEFTARG = %s, RIGHTARG = %s, FUNCTION = tsql.%s_%s, '
                     'COMMUTATOR = OPERATOR(tsql.%s), NEGATOR = OPERATOR(tsql.%s))', ops[i], ty, ty,
                     names[i], left(ty, 1), commutators[i], negators[i]);
    END LOOP;
  END LOOP;
  -- A text meets an integer as a number.
  FOR i IN 1..6 LOOP
    EXECUTE format('CREATE FUNCTION tsql.%s_ci(citext_ext.citext, bigint) RETURNS boolean IMMUTABLE '
                   'STRICT PARALLEL SAFE LANGUAGE sql AS %L', names[i],
                   'SELECT tsql.int($1::text) ' || ops[i] || ' $2');
    EXECUTE format('CREATE FUNCTION tsql.%s_ic(bigint, citext_ext.citext) RETURNS boolean IMMUTABLE '
                   'STRICT PARALLEL SAFE LANGUAGE sql AS %L', names[i],
                   'SELECT $1 ' || ops[i] || ' tsql.int($2::text)');
    EXECUTE format('CREATE OPERATOR tsql.%s (LEFTARG = citext_ext.citext, RIGHTARG = bigint, '
                   'FUNCTION = tsql.%s_ci)', ops[i], names[i]);
    EXECUTE format('CREATE OPERATOR tsql.%s (LEFTARG = bigint, RIGHTARG = citext_ext.citext, '
                   'FUNCTION = tsql.%s_ic)', ops[i], names[i]);
  END LOOP;
  CREATE FUNCTION tsql.add_ci(citext_ext.citext, bigint) RETURNS bigint IMMUTABLE STRICT
    PARALLEL SAFE LANGUAGE sql AS 'SELECT tsql.int($1::text) + $2';
  CREATE FUNCTION tsql.add_ic(bigint, citext_ext.citext) RETURNS bigint IMMUTABLE STRICT
    PARALLEL SAFE LANGUAGE sql AS 'SELECT $1 + tsql.int($2::text)';
  -- "+" joins texts (NULL + x is NULL).
  CREATE FUNCTION tsql.cat(citext_ext.citext, citext_ext.citext) RETURNS text IMMUTABLE STRICT
    PARALLEL SAFE LANGUAGE sql AS 'SELECT textcat($1::text, $2::text)';
  CREATE OPERATOR tsql.+ (LEFTARG = text, RIGHTARG = text, FUNCTION = textcat);
  CREATE OPERATOR tsql.+ (LEFTARG = citext_ext.citext, RIGHTARG = citext_ext.citext,
                          FUNCTION = tsql.cat);
  CREATE OPERATOR tsql.+ (LEFTARG = citext_ext.citext, RIGHTARG = bigint, FUNCTION = tsql.add_ci);
  CREATE OPERATOR tsql.+ (LEFTARG = bigint, RIGHTARG = citext_ext.citext, FUNCTION = tsql.add_ic);
END $d$;
-- SQL Server's functions that have no PostgreSQL namesake, and LEFT and RIGHT
-- refusing a negative length as SQL Server does.
CREATE OR REPLACE FUNCTION tsql.left(text, integer) RETURNS text IMMUTABLE STRICT
  LANGUAGE plpgsql AS $f$
BEGIN
  IF $2 < 0 THEN RAISE EXCEPTION 'Invalid length parameter passed to the left function.'; END IF;
  RETURN pg_catalog.left($1, $2);
END $f$;
CREATE OR REPLACE FUNCTION tsql.right(text, integer) RETURNS text IMMUTABLE STRICT
  LANGUAGE plpgsql AS $f$
BEGIN
  IF $2 < 0 THEN RAISE EXCEPTION 'Invalid length parameter passed to the right function.'; END IF;
  RETURN pg_catalog.right($1, $2);
END $f$;
CREATE OR REPLACE FUNCTION tsql.round(numeric, integer, integer) RETURNS numeric IMMUTABLE STRICT
  LANGUAGE sql AS 'SELECT CASE WHEN $3 = 0 THEN round($1, $2) ELSE trunc($1, $2) END';
CREATE OR REPLACE FUNCTION tsql.year(timestamp) RETURNS integer IMMUTABLE STRICT
  LANGUAGE sql AS 'SELECT CAST(extract(year FROM $1) AS integer)';
CREATE OR REPLACE FUNCTION tsql.month(timestamp) RETURNS integer IMMUTABLE STRICT
  LANGUAGE sql AS 'SELECT CAST(extract(month FROM $1) AS integer)';
CREATE OR REPLACE FUNCTION tsql.day(timestamp) RETURNS integer IMMUTABLE STRICT
  LANGUAGE sql AS 'SELECT CAST(extract(day FROM $1) AS integer)';
CREATE OR REPLACE FUNCTION tsql.isnumeric(text) RETURNS integer IMMUTABLE
  LANGUAGE plpgsql AS $f$
BEGIN
  PERFORM CAST($1 AS numeric);
  RETURN CASE WHEN $1 IS NULL THEN 0 ELSE 1 END;
EXCEPTION WHEN OTHERS THEN
  RETURN 0;
END $f$;
CREATE OR REPLACE FUNCTION tsql.iif(boolean, text, text) RETURNS text IMMUTABLE
  LANGUAGE sql AS 'SELECT CASE WHEN $1 THEN $2 ELSE $3 END';
CREATE OR REPLACE FUNCTION tsql.iif(boolean, numeric, numeric) RETURNS numeric IMMUTABLE
  LANGUAGE sql AS 'SELECT CASE WHEN $1 THEN $2 ELSE $3 END';
-- CAST(x AS INT) cuts a fraction (PostgreSQL rounds); other values, texts
-- among them, pass as they are for the cast itself to convert.
CREATE OR REPLACE FUNCTION tsql.cut(anyelement) RETURNS anyelement IMMUTABLE
  LANGUAGE plpgsql AS $f$
BEGIN
  IF pg_typeof($1) IN ('numeric'::regtype, 'double precision'::regtype, 'real'::regtype) THEN
    RETURN trunc($1::numeric);
  END IF;
  RETURN $1;
END $f$;
-- CHARINDEX ignores case as the columns do; a start below 1 is 1.
CREATE OR REPLACE FUNCTION tsql.charindex(text, text, bigint DEFAULT 1) RETURNS integer
  IMMUTABLE STRICT LANGUAGE sql AS $f$
SELECT CASE WHEN $1 = '' OR p = 0 THEN 0 ELSE p + s - 1 END
FROM (SELECT greatest($3, 1)::integer AS s) a,
     LATERAL (SELECT strpos(lower(substr($2, a.s)), lower($1)) AS p) b
$f$;
-- REPLACE finds its text ignoring case, as citext's own does for columns;
-- this one serves literals and other plain texts.
CREATE OR REPLACE FUNCTION tsql.replace(text, text, text) RETURNS text IMMUTABLE STRICT
  LANGUAGE sql AS $f$
SELECT CASE WHEN $2 = '' THEN $1
  ELSE regexp_replace($1, regexp_replace($2, '([^[:alnum:]_])', '\\\1', 'g'),
                      pg_catalog.replace($3, '\', '\\'), 'gi') END
$f$;
CREATE OR REPLACE FUNCTION tsql.replicate(text, bigint) RETURNS text IMMUTABLE STRICT
  LANGUAGE sql AS 'SELECT CASE WHEN $2 < 0 THEN NULL ELSE repeat($1, $2::integer) END';
-- DATEPART's parts by the names the rewrite gives them; weeks begin on
-- Sunday (SQL Server's default DATEFIRST), week 1 is the one holding 1 January.
CREATE OR REPLACE FUNCTION tsql.datepart(text, timestamp) RETURNS integer IMMUTABLE STRICT
  LANGUAGE sql AS $f$
SELECT CASE $1
  WHEN 'week' THEN (CAST(extract(doy FROM $2) AS integer)
                    + CAST(extract(dow FROM date_trunc('year', $2)) AS integer) - 1) / 7 + 1
  WHEN 'weekday' THEN CAST(extract(dow FROM $2) AS integer) + 1
  WHEN 'second' THEN CAST(floor(extract(second FROM $2)) AS integer)
  WHEN 'millisecond' THEN CAST(floor(extract(milliseconds FROM $2)) AS integer) % 1000
  ELSE CAST(date_part($1, $2) AS integer)
END
$f$;
-- DATEDIFF(week, ...): Sundays crossed, counted between the Sundays that
-- begin each date's week.
CREATE OR REPLACE FUNCTION tsql.datediff_week(timestamp, timestamp) RETURNS integer IMMUTABLE
  STRICT LANGUAGE sql AS $f$
SELECT ((CAST($2 AS date) - CAST(extract(dow FROM $2) AS integer))
        - (CAST($1 AS date) - CAST(extract(dow FROM $1) AS integer))) / 7
$f$;
CREATE OR REPLACE FUNCTION tsql.newid() RETURNS uuid VOLATILE
  LANGUAGE sql AS 'SELECT gen_random_uuid()';
CREATE OR REPLACE FUNCTION tsql.databasepropertyex(text, text) RETURNS text STABLE
  LANGUAGE sql AS 'SELECT CASE WHEN lower($2) = ''collation'' THEN ''SQL_Latin1_General_CP1_CI_AS'' END';
-- Text becomes a date-time as SQL Server reads it: an empty text is
-- 1900-01-01 00:00 and a time of day alone falls on 1900-01-01 (PostgreSQL's
-- input takes neither); anything else goes through PostgreSQL's own input.
-- The input functions are called directly, since a cast here would come
-- back to this function. Bad text fails with SQL Server's message.
CREATE OR REPLACE FUNCTION tsql.datetime_of(text) RETURNS timestamp STABLE STRICT
  LANGUAGE plpgsql AS $f$
DECLARE
  s text := btrim($1);
BEGIN
  IF s = '' THEN RETURN timestamp '1900-01-01'; END IF;
  IF s ~ '^[0-9]{1,2}:[0-9]{1,2}(:[0-9]{1,2}([.:][0-9]{0,7})?)? *([AaPp][Mm])?$' THEN
    RETURN timestamp '1900-01-01' + pg_catalog.time_in(s::cstring, 0, -1);
  END IF;
  RETURN pg_catalog.timestamp_in(s::cstring, 0, -1);
EXCEPTION WHEN invalid_datetime_format OR datetime_field_overflow
               OR invalid_text_representation THEN
  RAISE EXCEPTION 'Conversion failed when converting date and/or time from character string.'
    USING ERRCODE = 'invalid_datetime_format';
END $f$;
CREATE OR REPLACE FUNCTION tsql.date_of(text) RETURNS date STABLE STRICT
  LANGUAGE sql AS 'SELECT CAST(tsql.datetime_of($1) AS date)';
CREATE OR REPLACE FUNCTION tsql.time_of(text) RETURNS time STABLE STRICT
  LANGUAGE sql AS 'SELECT CAST(tsql.datetime_of($1) AS time)';
-- A text written to a date, time or number column converts as SQL Server
-- converts it (the text of CONVERT(varchar, GetDate(), 121), the columns of
-- a staging table, a check's time of day). Only the owner of a type may add
-- its casts: without that right such writes keep failing with PostgreSQL's
-- type error, and the engine leaves literals untyped (kPgTextToDatesSql).
-- Date-time casts an earlier setup made through the types' own input are
-- replaced.
DO $d$
DECLARE
  source text;
  target text;
  fn text;
BEGIN
  FOREACH source IN ARRAY ARRAY['text', 'citext_ext.citext'] LOOP
    FOREACH target IN ARRAY ARRAY['timestamp', 'date', 'time', 'smallint', 'integer', 'bigint',
                                  'numeric', 'float8'] LOOP
      fn := CASE target WHEN 'timestamp' THEN 'tsql.datetime_of(text)'
                        WHEN 'date' THEN 'tsql.date_of(text)'
                        WHEN 'time' THEN 'tsql.time_of(text)' END;
      IF fn IS NOT NULL AND EXISTS (SELECT 1 FROM pg_cast WHERE castsource = source::regtype
                                    AND casttarget = target::regtype AND castmethod = 'i') THEN
        EXECUTE format('DROP CAST (%s AS %s)', source, target);
      END IF;
      IF NOT EXISTS (SELECT 1 FROM pg_cast WHERE castsource = source::regtype
                     AND casttarget = target::regtype) THEN
        EXECUTE format('CREATE CAST (%s AS %s) WITH %s AS ASSIGNMENT', source, target,
                       COALESCE('FUNCTION ' || fn, 'INOUT'));
      END IF;
    END LOOP;
  END LOOP;
EXCEPTION WHEN insufficient_privilege THEN
  RAISE NOTICE 'text to date casts left out: %', SQLERRM;
END $d$;
DO $d$ BEGIN
  EXECUTE format('ALTER DATABASE %I SET search_path = public, tsql, citext_ext, pg_catalog',
                 current_database());
END $d$;
SET search_path = public, tsql, citext_ext, pg_catalog;
)sql";

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
    if (port.empty()) port = Property(props, {"port"});
    std::string db = Property(props, {"initial catalog", "database"});
    // Whatever is left out (a desk's settings without a login end in
    // "Integrated Security=SSPI", which is not read here) falls to libpq's
    // own defaults: PGHOST, PGUSER, PGPASSWORD, ~/.pgpass, then peer or
    // trust authentication on the server.
    std::string user = Property(props, {"user id", "uid", "user", "username"});
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
    res = PQexec(conn_, kPgTextToDatesSql);
    textToDates_ = PQresultStatus(res) == PGRES_TUPLES_OK && PQntuples(res) == 1;
    PQclear(res);
    // The setup's operators come before the built-in ones; set here as well
    // as on the database, since a database copied from a template does not
    // take the template's settings along.
    res = PQexec(conn_, kPgSearchPathSql);
    PQclear(res);
    identity_.Reset();
    return true;
}

void PgEngine::Close() {
    if (conn_ != nullptr) PQfinish(conn_);
    conn_ = nullptr;
    statements_.Reset();
    batches_.clear();
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

// The type a procedure's parameter goes with (0: the server infers it).
Oid ParamType(const Variant& v, const std::string& text) {
    switch (v.Type()) {
        case VarType::Boolean:
            return kInt2;
        case VarType::Integer:
            return kInt8;
        case VarType::Double:
            return kFloat8;
        case VarType::Date:
            return kTimestamp;
        case VarType::Text: {
            DateTime dt;
            if (!ParseStorageDate(text.data(), text.size(), dt)) return 0;
            return text.size() == 10 ? kDate : text.size() == 8 ? kTime : kTimestamp;
        }
        default:
            return 0;
    }
}

}  // namespace

// The engine's connection as the shared PostgreSQL executor uses it: one
// PQexecParams per statement, parameters as untyped text (the statement's
// casts type them). The first rows of an updatable request also give the
// row ids the recordset writes back through.
class LibpqClient : public PgClient {
  public:
    LibpqClient(PgEngine& engine, BatchOutput* out = nullptr, bool updatable = false)
        : e_(engine), out_(out), updatable_(updatable) {}

    bool Run(const std::string& sql, const std::vector<Variant>& params, StatementOutcome& outcome,
             DBError& err, const SqlStatement* statement) override {
        std::vector<std::string> text(params.size());
        std::vector<const char*> values(params.size(), nullptr);
        for (std::size_t i = 0; i < params.size(); ++i)
            if (ParamText(params[i], text[i])) values[i] = text[i].c_str();
        using K = StatementKind;
        const bool query = statement != nullptr &&
                           (statement->Kind == K::Select || statement->Kind == K::Insert ||
                            statement->Kind == K::Update || statement->Kind == K::Delete ||
                            statement->Kind == K::Expression) &&
                           !statement->SelectInto && statement->TableFunctions.empty();
        PGresult* res = e_.statements_.Exec(e_.conn_, sql, values, query);
        statementError_ = StatementErrorOf(res);
        if (!Succeeded(res, err)) return false;
        // A prepared statement may no longer describe a changed table.
        if (statement != nullptr && statement->Kind == K::Ddl) e_.statements_.Clear(e_.conn_);
        if (PQresultStatus(res) == PGRES_TUPLES_OK) {
            outcome.Rows = ReadRecordset(res);
            if (statement != nullptr && statement->AssignTargets.empty()) {
                if (updatable_ && firstRows_ && out_ != nullptr)
                    e_.ReadRowIds(res, *outcome.Rows, *out_);
                firstRows_ = false;
            }
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

    int32_t StatementError() const override { return statementError_; }

    bool InTransaction() override { return PQtransactionStatus(e_.conn_) == PQTRANS_INTRANS; }

    bool CallProcedure(const std::string& name, const std::vector<ProcedureArg>& args,
                       ProcedureResult& result, std::optional<int64_t>& lastCount,
                       DBError& err) override {
        PgProcedureContext ctx(e_.conn_);
        if (PgRunProcedure(*this, e_.identity_, ctx, name, args, result, lastCount, err))
            return true;
        if (err.Number == kErrConnection) e_.Close();  // the next call reconnects
        return false;
    }

    std::unique_ptr<ProcedureContext> NewContext() override {
        return std::make_unique<PgProcedureContext>(e_.conn_);
    }

  private:
    int32_t StatementErrorOf(const PGresult* res) const {
        const char* state = res != nullptr ? PQresultErrorField(res, PG_DIAG_SQLSTATE) : nullptr;
        return PgStatementErrorNumber(state != nullptr ? state : "",
                                      PQtransactionStatus(e_.conn_) != PQTRANS_IDLE);
    }

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
        bool timedOut = IsTimeout(res);
        message = SqlServerMessage(res, message);
        PQclear(res);
        e_.Failed(err, message);
        if (timedOut && err.Number == kErrSql) err.Set(kErrTimeout, "Query timeout expired");
        return false;
    }

    PgEngine& e_;
    BatchOutput* out_;
    bool updatable_;
    bool firstRows_ = true;
    int32_t statementError_ = 0;
};

bool PgEngine::Execute(const std::string& tsql, bool updatable, BatchOutput& out, DBError& err) {
    if (!IsOpen()) {
        err.Set(kErrConnection, "The connection is closed.");
        Close();
        return false;
    }
    std::shared_ptr<const Batch> batch;
    auto found = batches_.find(tsql);
    if (found != batches_.end()) {
        batch = found->second;
    } else {
        auto parsed = std::make_shared<Batch>();
        std::string error;
        PgStatementTranslator translator(citext_, textToDates_);
        if (!ParseBatch(tsql, translator, *parsed, error)) {
            err.Set(kErrSql, error);
            return false;
        }
        constexpr std::size_t kMaxBatches = 256, kMaxText = 16384;
        if (batches_.size() >= kMaxBatches) batches_.clear();
        if (tsql.size() <= kMaxText) batches_.emplace(tsql, parsed);
        batch = std::move(parsed);
    }
    LibpqClient client(*this, &out, updatable);
    PgBatchExecutor executor(client, identity_, citext_);
    BatchRunner runner(executor, out);
    bool ok = runner.Run(*batch, err);
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
    if (RunClientProcedure(name, args, result, ctx, err)) return true;
    if (err.Number == kErrConnection) Close();  // the next call reconnects
    return false;
}

bool PgEngine::ReadRowIds(const PGresult* res, const Recordset& rows, BatchOutput& out) {
    Oid table = InvalidOid;
    for (int c = 0; c < PQnfields(res); ++c) {
        Oid t = PQftable(res, c);
        if (t == InvalidOid) continue;
        if (table != InvalidOid && t != table) return false;  // a join
        table = t;
    }
    if (table == InvalidOid) return false;
    LibpqClient client(*this);
    PgKey key = PgKeyOf(client, static_cast<uint32_t>(table));
    if (key.Column.empty()) return false;
    for (int c = 0; c < PQnfields(res); ++c) {
        if (PQftable(res, c) != table || PQftablecol(res, c) != key.Number) continue;
        PgSetRowIds(rows, c, key, out);
        return true;
    }
    return false;
}

bool PgEngine::WriteRow(const std::string& table, bool isNew, int64_t& rowId,
                        const std::vector<std::pair<std::string, Variant>>& values,
                        std::vector<std::pair<std::string, Variant>>& refreshed, DBError& err) {
    if (!IsOpen()) {
        err.Set(kErrConnection, "The connection is closed.");
        Close();
        return false;
    }
    LibpqClient client(*this);
    return PgWriteRow(client, identity_, table, isNew, rowId, values, refreshed, err);
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
    std::vector<std::string> text(params.size());
    std::vector<const char*> values(params.size(), nullptr);
    // Types go with the values: a parameter in an INSERT ... SELECT list
    // would otherwise be taken for text and refused by an integer or date
    // column. Text in a date's storage form is a date.
    std::vector<Oid> types(params.size(), 0);
    for (std::size_t i = 0; i < params.size(); ++i) {
        if (!ParamText(params[i], text[i])) continue;
        values[i] = text[i].c_str();
        types[i] = ParamType(params[i], text[i]);
    }
    std::string pgSql = PgProcedureSql(sql);
    Starting();
    PGresult* res = PQexecParams(conn_, pgSql.c_str(), static_cast<int>(values.size()),
                                 types.data(), values.data(), nullptr, nullptr, 0);
    ExecStatusType status = PQresultStatus(res);
    if (status == PGRES_TUPLES_OK || status == PGRES_COMMAND_OK) {
        const char* tuples = PQcmdTuples(res);
        Succeeded(status == PGRES_TUPLES_OK                ? PQntuples(res)
                  : tuples != nullptr && tuples[0] != '\0' ? std::strtoll(tuples, nullptr, 10)
                                                           : 0);
        return res;
    }
    const char* state = res != nullptr ? PQresultErrorField(res, PG_DIAG_SQLSTATE) : nullptr;
    Failed(TrimMessage(PQerrorMessage(conn_)), state != nullptr ? state : "",
           PQstatus(conn_) != CONNECTION_OK, IsTimeout(res));
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
    int64_t n = tuples != nullptr && *tuples != '\0' ? std::strtoll(tuples, nullptr, 10) : 0;
    if (changes != nullptr) *changes = n;
    if (std::string(PQcmdStatus(res)).rfind("INSERT", 0) == 0) Inserted(n);
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
