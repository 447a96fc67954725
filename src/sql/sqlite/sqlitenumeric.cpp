// Number functions of the translation: conversions to INT, BIGINT, DECIMAL
// and MONEY with SQL Server's range checks, exact DECIMAL arithmetic,
// ROUND, and the exact SUM and AVG of decimal amounts.
#include "sql/sqlite/sqlitenumeric.h"

#include <sqlite3.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>

#include "sql/numbertext.h"
#include "sql/sqldecimal.h"
#include "sql/sqlite/sqlitevalues.h"

namespace {

using sqlitevalues::AnyNull;
using sqlitevalues::Text;

const char kIntOverflow[] = "Arithmetic overflow error converting expression to data type int.";
const char kBigIntOverflow[] =
    "Arithmetic overflow error converting expression to data type bigint.";
const char kNumericOverflow[] =
    "Arithmetic overflow error converting expression to data type numeric.";
const char kDivideByZero[] = "Divide by zero error encountered.";

void ConversionError(sqlite3_context* ctx, sqlite3_value* v, const char* type) {
    std::string msg = "Conversion failed when converting the varchar value '" + Text(v) +
                      "' to data type " + type + ".";
    sqlite3_result_error(ctx, msg.c_str(), -1);
}

// A value as an exact decimal: integers as they are, doubles by their
// shortest text (the decimal they were stored from), text as SQL Server reads
// a number.
bool ToDecimal(sqlite3_context* ctx, sqlite3_value* v, SqlDecimal& out) {
    switch (sqlite3_value_type(v)) {
        case SQLITE_INTEGER:
            out = SqlDecimal::FromInt(sqlite3_value_int64(v));
            return true;
        case SQLITE_FLOAT:
            if (auto d = SqlDecimal::FromDouble(sqlite3_value_double(v))) {
                out = *d;
                return true;
            }
            sqlite3_result_error(ctx, kNumericOverflow, -1);
            return false;
        case SQLITE_TEXT:
            if (auto d = SqlDecimal::Parse(Text(v))) {
                out = *d;
                return true;
            }
            ConversionError(ctx, v, "numeric");
            return false;
        default:
            sqlite3_result_error(ctx, "Operand type clash: varbinary is incompatible with numeric",
                                 -1);
            return false;
    }
}

void ResultDecimal(sqlite3_context* ctx, const std::optional<SqlDecimal>& d) {
    if (!d) return sqlite3_result_error(ctx, kNumericOverflow, -1);
    sqlite3_result_double(ctx, d->ToDouble());
}

bool InIntRange(int64_t v) {
    return v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max();
}

// ct_toint(x) and ct_tobigint(x): CAST to INT / BIGINT. Fractions are cut,
// values outside the type's range fail as SQL Server's overflow error.
void ToInteger(sqlite3_context* ctx, int, sqlite3_value** argv) {
    bool bigint = sqlite3_user_data(ctx) != nullptr;
    sqlite3_value* v = argv[0];
    int64_t r = 0;
    switch (sqlite3_value_type(v)) {
        case SQLITE_NULL:
            return sqlite3_result_null(ctx);
        case SQLITE_INTEGER:
            r = sqlite3_value_int64(v);
            break;
        case SQLITE_FLOAT: {
            double d = std::trunc(sqlite3_value_double(v));
            // 2^63 is the first double past the 64-bit range.
            if (!(d >= -9223372036854775808.0 && d < 9223372036854775808.0))
                return sqlite3_result_error(ctx, bigint ? kBigIntOverflow : kIntOverflow, -1);
            r = static_cast<int64_t>(d);
            break;
        }
        case SQLITE_TEXT:
            if (!ParseTrimmedNumber(Text(v), r)) {
                // A whole number too long for 64 bits is an overflow, not a bad text.
                auto d = SqlDecimal::Parse(Text(v));
                if (d && d->Scale() == 0 && Text(v).find_first_of("eE.") == std::string::npos)
                    return sqlite3_result_error(ctx, bigint ? kBigIntOverflow : kIntOverflow, -1);
                return ConversionError(ctx, v, bigint ? "bigint" : "int");
            }
            break;
        default:
            return sqlite3_result_error(
                ctx, "Operand type clash: varbinary is incompatible with int", -1);
    }
    if (!bigint && !InIntRange(r)) return sqlite3_result_error(ctx, kIntOverflow, -1);
    sqlite3_result_int64(ctx, r);
}

// ct_int(x), ct_bigint(x): the result of integer arithmetic, which SQL Server
// keeps in its operands' type and refuses to widen.
void CheckInteger(sqlite3_context* ctx, int, sqlite3_value** argv) {
    bool bigint = sqlite3_user_data(ctx) != nullptr;
    switch (sqlite3_value_type(argv[0])) {
        case SQLITE_INTEGER:
            if (!bigint && !InIntRange(sqlite3_value_int64(argv[0])))
                return sqlite3_result_error(ctx, kIntOverflow, -1);
            return sqlite3_result_value(ctx, argv[0]);
        case SQLITE_FLOAT:
            // SQLite turns an overflowing integer result into a double.
            return sqlite3_result_error(ctx, bigint ? kBigIntOverflow : kIntOverflow, -1);
        default:
            return sqlite3_result_value(ctx, argv[0]);
    }
}

// ct_tofloat(x, scale[, precision]): CAST to FLOAT (scale -1), or to
// DECIMAL(precision, scale) / MONEY, rounding half away from zero.
void ToNumber(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    int scale = sqlite3_value_int(argv[1]);
    if (scale < 0) {
        int t = sqlite3_value_type(argv[0]);
        if (t == SQLITE_INTEGER || t == SQLITE_FLOAT)
            return sqlite3_result_double(ctx, sqlite3_value_double(argv[0]));
        double d = 0;
        if (ParseTrimmedNumber(Text(argv[0]), d)) return sqlite3_result_double(ctx, d);
        return ConversionError(ctx, argv[0], "float");
    }
    SqlDecimal d;
    if (!ToDecimal(ctx, argv[0], d)) return;
    auto r = d.WithScale(scale);
    if (argc == 3 && r && !r->FitsPrecision(sqlite3_value_int(argv[2]), scale)) r.reset();
    ResultDecimal(ctx, r);
}

// ct_dec(op, a, b, scale): + - * / % of DECIMAL or MONEY values, exact. A
// scale of 0 or more is the result's (rounded; a quotient is cut, as SQL
// Server cuts it); -1 keeps every digit of a sum, difference or product and
// gives a quotient SQL Server's scale for the operands' digits.
void DecimalOp(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
    const unsigned char* opText = sqlite3_value_text(argv[0]);
    char op = opText != nullptr ? static_cast<char>(opText[0]) : '?';
    int scale = sqlite3_value_int(argv[3]);
    SqlDecimal a, b;
    if (!ToDecimal(ctx, argv[1], a) || !ToDecimal(ctx, argv[2], b)) return;
    std::optional<SqlDecimal> r;
    switch (op) {
        case '+':
            r = SqlDecimal::Add(a, b);
            break;
        case '-':
            r = SqlDecimal::Subtract(a, b);
            break;
        case '*':
            r = SqlDecimal::Multiply(a, b);
            break;
        case '/':
        case '%':
            if (b.IsZero()) return sqlite3_result_error(ctx, kDivideByZero, -1);
            if (op == '%') {
                r = SqlDecimal::Modulo(a, b);
                break;
            }
            if (scale < 0)
                scale =
                    DecimalQuotient({a.Precision(), a.Scale()}, {b.Precision(), b.Scale()}).scale;
            return ResultDecimal(ctx, SqlDecimal::Divide(a, b, scale));
        default:
            return sqlite3_result_error(ctx, "Unknown decimal operator.", -1);
    }
    if (r && scale >= 0) r = r->WithScale(scale);
    ResultDecimal(ctx, r);
}

struct Num {
    bool isInt = true;
    int64_t i = 0;
};

// An operand of + or / whose type only the value tells: integers (also in
// text) stay integers, anything else becomes an exact decimal.
bool Operand(sqlite3_context* ctx, sqlite3_value* v, Num& n, SqlDecimal& d) {
    int t = sqlite3_value_type(v);
    if (t == SQLITE_INTEGER || (t == SQLITE_TEXT && ParseTrimmedNumber(Text(v), n.i))) {
        n.isInt = true;
        if (t == SQLITE_INTEGER) n.i = sqlite3_value_int64(v);
        d = SqlDecimal::FromInt(n.i);
        return true;
    }
    n.isInt = false;
    if (t == SQLITE_TEXT && !SqlDecimal::Parse(Text(v))) {
        ConversionError(ctx, v, "int");
        return false;
    }
    return ToDecimal(ctx, v, d);
}

// ct_add(a, b): "+" between operands whose types are unknown until run time.
void Add(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
    int ta = sqlite3_value_type(argv[0]), tb = sqlite3_value_type(argv[1]);
    // Text with text joins; anything else adds as numbers, as SQL Server decides.
    if ((ta == SQLITE_TEXT || ta == SQLITE_BLOB) && (tb == SQLITE_TEXT || tb == SQLITE_BLOB)) {
        std::string r = Text(argv[0]) + Text(argv[1]);
        return sqlite3_result_text(ctx, r.data(), static_cast<int>(r.size()), SQLITE_TRANSIENT);
    }
    Num a, b;
    SqlDecimal da, db;
    if (!Operand(ctx, argv[0], a, da) || !Operand(ctx, argv[1], b, db)) return;
    if (a.isInt && b.isInt) {
        int64_t r = 0;
        if (__builtin_add_overflow(a.i, b.i, &r))
            return sqlite3_result_error(ctx, kBigIntOverflow, -1);
        return sqlite3_result_int64(ctx, r);
    }
    ResultDecimal(ctx, SqlDecimal::Add(da, db));
}

// ct_div(a, b): "/" by a divisor that may be zero. Integers divide as
// integers; other numbers as doubles (the operands' types are not known).
void Div(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
    Num a, b;
    SqlDecimal da, db;
    if (!Operand(ctx, argv[0], a, da) || !Operand(ctx, argv[1], b, db)) return;
    if (db.IsZero()) return sqlite3_result_error(ctx, kDivideByZero, -1);
    if (a.isInt && b.isInt) {
        if (a.i == std::numeric_limits<int64_t>::min() && b.i == -1)
            return sqlite3_result_error(ctx, kBigIntOverflow, -1);
        return sqlite3_result_int64(ctx, a.i / b.i);
    }
    sqlite3_result_double(ctx, da.ToDouble() / db.ToDouble());
}

// ct_round(x, places[, cut]): ROUND keeps the value's type and scale.
void Round(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
    int places = sqlite3_value_int(argv[1]);
    bool truncate = argc == 3 && sqlite3_value_int(argv[2]) != 0;
    bool isInt = sqlite3_value_type(argv[0]) == SQLITE_INTEGER;
    SqlDecimal d;
    if (!ToDecimal(ctx, argv[0], d)) return;
    auto r = d.RoundAt(places, truncate);
    if (!r) return sqlite3_result_error(ctx, kNumericOverflow, -1);
    if (isInt) {
        double v = r->ToDouble();
        if (!(v >= -9223372036854775808.0 && v < 9223372036854775808.0))
            return sqlite3_result_error(ctx, kBigIntOverflow, -1);
        return sqlite3_result_int64(ctx, static_cast<int64_t>(v));
    }
    sqlite3_result_double(ctx, r->ToDouble());
}

// ---- aggregates --------------------------------------------------------------

struct Sum {
    bool failed = false;
    bool allInt = true;
    int64_t count = 0;
    SqlDecimal total;
};

// The running sum lives on the heap: SQLite's aggregate memory is not
// aligned for 128-bit members. SQLite calls the final step even when the
// statement stops early, which frees it.
Sum* SumState(sqlite3_context* ctx, bool create) {
    auto** slot = static_cast<Sum**>(sqlite3_aggregate_context(ctx, create ? sizeof(Sum*) : 0));
    if (slot == nullptr) return nullptr;
    if (*slot == nullptr && create) *slot = new Sum();
    return *slot;
}

std::unique_ptr<Sum> TakeSum(sqlite3_context* ctx) {
    auto** slot = static_cast<Sum**>(sqlite3_aggregate_context(ctx, 0));
    if (slot == nullptr) return nullptr;
    std::unique_ptr<Sum> s(*slot);
    *slot = nullptr;
    return s;
}

void SumStep(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return;
    Sum* s = SumState(ctx, true);
    if (s == nullptr) return sqlite3_result_error_nomem(ctx);
    if (s->failed) return;
    SqlDecimal d;
    if (!ToDecimal(ctx, argv[0], d)) {
        s->failed = true;
        return;
    }
    s->allInt = s->allInt && sqlite3_value_type(argv[0]) == SQLITE_INTEGER;
    auto t = SqlDecimal::Add(s->total, d);
    if (!t) {
        s->failed = true;
        return sqlite3_result_error(ctx, kNumericOverflow, -1);
    }
    s->total = *t;
    ++s->count;
}

// ct_dsum(x): SUM of DECIMAL or MONEY values, exact.
void SumFinal(sqlite3_context* ctx) {
    std::unique_ptr<Sum> s = TakeSum(ctx);
    if (s == nullptr || s->count == 0) return sqlite3_result_null(ctx);
    if (s->failed) return;
    double v = s->total.ToDouble();
    if (s->allInt && v >= -9.2e18 && v <= 9.2e18)
        return sqlite3_result_int64(ctx, static_cast<int64_t>(v));
    sqlite3_result_double(ctx, v);
}

// ct_davg(x) and ct_mavg(x): AVG of DECIMAL values (at least six places, cut
// as a quotient) and of MONEY values (four places, rounded).
void AvgFinal(sqlite3_context* ctx) {
    std::unique_ptr<Sum> s = TakeSum(ctx);
    if (s == nullptr || s->count == 0) return sqlite3_result_null(ctx);
    if (s->failed) return;
    bool money = sqlite3_user_data(ctx) != nullptr;
    SqlDecimal count = SqlDecimal::FromInt(s->count);
    std::optional<SqlDecimal> r;
    if (money) {
        r = SqlDecimal::Divide(s->total, count, 5);
        if (r) r = r->WithScale(4);
    } else {
        r = SqlDecimal::Divide(s->total, count, std::max(6, s->total.Scale()));
    }
    ResultDecimal(ctx, r);
}

}  // namespace

bool RegisterTSqlNumberFunctions(sqlite3* db) {
    using Fn = void (*)(sqlite3_context*, int, sqlite3_value**);
    struct Entry {
        const char* name;
        int args;
        Fn fn;
        void* data;
    };
    static const char kFlag = 'x';  // marks the BIGINT (or MONEY) variant
    void* flag = const_cast<char*>(&kFlag);
    const Entry entries[] = {
        {"ct_toint", 1, ToInteger, nullptr},  {"ct_tobigint", 1, ToInteger, flag},
        {"ct_int", 1, CheckInteger, nullptr}, {"ct_bigint", 1, CheckInteger, flag},
        {"ct_tofloat", 2, ToNumber, nullptr}, {"ct_tofloat", 3, ToNumber, nullptr},
        {"ct_dec", 4, DecimalOp, nullptr},    {"ct_add", 2, Add, nullptr},
        {"ct_div", 2, Div, nullptr},          {"ct_round", 2, Round, nullptr},
        {"ct_round", 3, Round, nullptr},
    };
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    for (const Entry& e : entries)
        if (sqlite3_create_function_v2(db, e.name, e.args, flags, e.data, e.fn, nullptr, nullptr,
                                       nullptr) != SQLITE_OK)
            return false;
    struct Aggregate {
        const char* name;
        void (*final)(sqlite3_context*);
        void* data;
    };
    const Aggregate aggregates[] = {{"ct_dsum", SumFinal, nullptr},
                                    {"ct_davg", AvgFinal, nullptr},
                                    {"ct_mavg", AvgFinal, flag}};
    for (const Aggregate& a : aggregates)
        if (sqlite3_create_function_v2(db, a.name, 1, flags, a.data, nullptr, SumStep, a.final,
                                       nullptr) != SQLITE_OK)
            return false;
    return true;
}
