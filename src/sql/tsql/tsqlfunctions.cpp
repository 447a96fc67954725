// Built-in T-SQL functions and conversions of the translator.
#include <algorithm>
#include <cstdlib>

#include "sql/tsql/tsqlparser.h"

#include "platform/textutil.h"

namespace {

TypeSpec TypeSpecOf(SqlType t) {
    TypeSpec s;
    s.type = t;
    return s;
}

Frag Call(const std::string& sql, SqlType type) {
    Frag f;
    f.sql = sql;
    f.typeSpec = TypeSpecOf(type);
    if (type == SqlType::Text) f.typeSpec.unicode = true;
    return f;
}

int CharCount(const std::string& s) {
    int n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

// The source-kind code the run-time conversions read.
const char* SourceCode(SqlType t) {
    switch (t) {
        case SqlType::Date:
            return "'date'";
        case SqlType::Time:
            return "'time'";
        case SqlType::DateTime:
            return "'datetime'";
        case SqlType::Bit:
            return "'bit'";
        case SqlType::Int:
        case SqlType::BigInt:
            return "'int'";
        case SqlType::Float:
            return "'float'";
        case SqlType::Money:
            return "'money'";
        case SqlType::Text:
            return "'text'";
        default:
            return "'any'";
    }
}

const char* DateCode(SqlType t) {
    return t == SqlType::Date ? "'date'" : t == SqlType::Time ? "'time'" : "'datetime'";
}

std::string Join(const std::vector<Frag>& args, std::size_t from = 0) {
    std::string r;
    for (std::size_t i = from; i < args.size(); ++i)
        r += (i > from ? ", " : "") + args[i].sql;
    return r;
}

TypeSpec Widest(const std::vector<Frag>& args) {
    TypeSpec best;
    int rank = -1;
    for (const Frag& a : args) {
        // Date-times, then numbers, then text, as SQL Server ranks them.
        int r = IsDateKind(a.Type())           ? 4
                : IsNumericKind(a.Type())      ? 3
                : a.Type() == SqlType::Text    ? 2
                : a.Type() == SqlType::Unknown ? 1
                                               : 0;
        if (r > rank) {
            rank = r;
            best = a.typeSpec;
        }
    }
    return best;
}

// CAST to INT or BIGINT, range checked.
std::string IntegerConversion(const std::string& sql, SqlType target) {
    return (target == SqlType::BigInt ? "ct_tobigint(" : "ct_toint(") + sql + ")";
}

// CAST to FLOAT, or to DECIMAL(p, s) and MONEY rounded to their scale.
std::string NumberConversion(const std::string& sql, const TypeSpec& target) {
    if (!IsExactDecimal(target)) return "ct_tofloat(" + sql + ", -1)";
    return "ct_tofloat(" + sql + ", " + std::to_string(target.scale) + ", " +
           std::to_string(target.precision) + ")";
}

// Text functions read a date-time as its default text, like SQL Server does.
std::string StrArg(const Frag& f) {
    if (IsDateKind(f.Type()))
        return "ct_tostr(" + f.sql + ", " + SourceCode(f.Type()) + ", 0, 30, 0)";
    return f.sql;
}

}  // namespace

std::vector<Frag> TSqlParser::Args(const Scope* s) {
    std::vector<Frag> args;
    ExpectOp("(");
    if (AcceptOp(")")) return args;
    do {
        args.push_back(Expr(s));
    } while (AcceptOp(","));
    ExpectOp(")");
    return args;
}

std::string TSqlParser::DatePartName() {
    const Token& t = Take();
    std::string p = LowerName(t.text);
    if (t.kind != TokKind::Name && t.kind != TokKind::String) Fail(Near());
    static const std::pair<const char*, const char*> kParts[] = {
        {"year", "year"},       {"yy", "year"},
        {"yyyy", "year"},       {"quarter", "quarter"},
        {"qq", "quarter"},      {"q", "quarter"},
        {"month", "month"},     {"mm", "month"},
        {"m", "month"},         {"dayofyear", "dayofyear"},
        {"dy", "dayofyear"},    {"y", "dayofyear"},
        {"day", "day"},         {"dd", "day"},
        {"d", "day"},           {"week", "week"},
        {"wk", "week"},         {"ww", "week"},
        {"weekday", "weekday"}, {"dw", "weekday"},
        {"w", "weekday"},       {"hour", "hour"},
        {"hh", "hour"},         {"minute", "minute"},
        {"mi", "minute"},       {"n", "minute"},
        {"second", "second"},   {"ss", "second"},
        {"s", "second"},        {"millisecond", "millisecond"},
        {"ms", "millisecond"}};
    for (const auto& [alias, canon] : kParts)
        if (p == alias) return canon;
    Unsupported("date part " + t.text);
}

Frag TSqlParser::FunctionCall(const Scope* s, const std::string& rawName) {
    std::string n = UpperAscii(rawName);
    auto arity = [&](const std::vector<Frag>& a, std::size_t lo, std::size_t hi) {
        if (a.size() < lo || a.size() > hi)
            Fail("The " + n + " function requires " + std::to_string(lo) +
                 (hi != lo ? " to " + std::to_string(hi) : "") + " argument(s).");
    };
    if (n == "COUNT" || n == "COUNT_BIG") {
        ExpectOp("(");
        std::string inner;
        if (AcceptOp("*")) {
            inner = "*";
        } else {
            bool distinct = AcceptWord("DISTINCT");
            AcceptWord("ALL");
            inner = (distinct ? "DISTINCT " : "") + Expr(s).sql;
        }
        ExpectOp(")");
        return Call("count(" + inner + ")", SqlType::Int);
    }
    if (n == "SUM" || n == "AVG" || n == "MIN" || n == "MAX") {
        ExpectOp("(");
        bool distinct = AcceptWord("DISTINCT");
        AcceptWord("ALL");
        Frag a = Expr(s);
        ExpectOp(")");
        Frag f;
        f.typeSpec = a.typeSpec;
        std::string inner = (distinct ? "DISTINCT " : "") + a.sql;
        f.sql = LowerName(n) + "(" + inner + ")";
        if ((n == "SUM" || n == "AVG") && IsExactDecimal(a.typeSpec)) {
            // Amounts add up digit for digit; SQL Server widens the sum to 38 digits.
            bool money = a.Type() == SqlType::Money;
            f.sql = (n == "SUM" ? "ct_dsum(" : money ? "ct_mavg(" : "ct_davg(") + inner + ")";
            if (!money) {
                f.typeSpec.precision = 38;
                if (n == "AVG") f.typeSpec.scale = std::max(f.typeSpec.scale, 6);
            }
        }
        // SQL Server averages integers as integers.
        if (n == "AVG" && (a.Type() == SqlType::Int || a.Type() == SqlType::BigInt))
            f.sql = "CAST(avg(" + inner + ") AS INTEGER)";
        if ((n == "SUM" || n == "AVG") && a.Type() == SqlType::Text)
            Unsupported(n + " of a text value");
        return f;
    }
    if (n == "DATEADD" || n == "DATEDIFF" || n == "DATEPART" || n == "DATENAME") {
        if (n == "DATENAME") Unsupported("function DATENAME");
        ExpectOp("(");
        std::string part = DatePartName();
        std::vector<Frag> rest;
        while (AcceptOp(","))
            rest.push_back(Expr(s));
        ExpectOp(")");
        if (n == "DATEADD") {
            if (rest.size() != 2) Fail("The DATEADD function requires 3 arguments.");
            return Call("ct_dateadd('" + part + "', " + rest[0].sql + ", " + rest[1].sql + ")",
                        SqlType::DateTime);
        }
        if (n == "DATEDIFF") {
            if (rest.size() != 2) Fail("The DATEDIFF function requires 3 arguments.");
            return Call("ct_datediff('" + part + "', " + rest[0].sql + ", " + rest[1].sql + ")",
                        SqlType::Int);
        }
        if (rest.size() != 1) Fail("The DATEPART function requires 2 arguments.");
        return Call("ct_datepart('" + part + "', " + rest[0].sql + ")", SqlType::Int);
    }

    std::vector<Frag> a = Args(s);
    if (n == "GETDATE" || n == "SYSDATETIME") {
        arity(a, 0, 0);
        return Call("ct_getdate()", SqlType::DateTime);
    }
    if (n == "GETUTCDATE" || n == "SYSUTCDATETIME") {
        arity(a, 0, 0);
        return Call("ct_getutcdate()", SqlType::DateTime);
    }
    if (n == "ISNULL") {
        arity(a, 2, 2);
        Frag f;
        Frag second = a[1];
        // The replacement takes the type of the first argument.
        if (a[0].Type() != SqlType::Unknown && a[0].Type() != SqlType::Null)
            second = Coerce(second, a[0].typeSpec);
        f.sql = "ifnull(" + a[0].sql + ", " + second.sql + ")";
        f.typeSpec = a[0].Type() == SqlType::Unknown || a[0].Type() == SqlType::Null
                         ? a[1].typeSpec
                         : a[0].typeSpec;
        return f;
    }
    if (n == "COALESCE") {
        if (a.size() < 2) Fail("The COALESCE function requires at least 2 arguments.");
        Frag f = Call("coalesce(" + Join(a) + ")", SqlType::Unknown);
        f.typeSpec = Widest(a);
        return f;
    }
    if (n == "NULLIF") {
        arity(a, 2, 2);
        Frag l = a[0], r = a[1];
        AlignForCompare(l, r);
        Frag f = Call("nullif(" + l.sql + ", " + r.sql + ")", SqlType::Unknown);
        f.typeSpec = a[0].typeSpec;
        return f;
    }
    if (n == "IIF") {
        arity(a, 3, 3);
        Frag f =
            Call("(CASE WHEN " + a[0].sql + " THEN " + a[1].sql + " ELSE " + a[2].sql + " END)",
                 SqlType::Unknown);
        f.typeSpec = Widest({a[1], a[2]});
        return f;
    }
    if (n == "LEFT" || n == "RIGHT") {
        arity(a, 2, 2);
        return Call("ct_" + LowerName(n) + "(" + StrArg(a[0]) + ", " + a[1].sql + ")",
                    SqlType::Text);
    }
    if (n == "SUBSTRING") {
        arity(a, 3, 3);
        return Call("ct_substring(" + StrArg(a[0]) + ", " + a[1].sql + ", " + a[2].sql + ")",
                    SqlType::Text);
    }
    if (n == "LEN") {
        arity(a, 1, 1);
        return Call("ct_len(" + StrArg(a[0]) + ")", SqlType::Int);
    }
    if (n == "LTRIM" || n == "RTRIM" || n == "TRIM") {
        arity(a, 1, 1);
        return Call(LowerName(n) + "(" + StrArg(a[0]) + ", ' ')", SqlType::Text);
    }
    if (n == "UPPER" || n == "LOWER") {
        arity(a, 1, 1);
        return Call(LowerName(n) + "(" + StrArg(a[0]) + ")", SqlType::Text);
    }
    if (n == "REPLACE") {
        arity(a, 3, 3);
        return Call("ct_replace(" + StrArg(a[0]) + ", " + StrArg(a[1]) + ", " + StrArg(a[2]) + ")",
                    SqlType::Text);
    }
    if (n == "CHARINDEX") {
        arity(a, 2, 3);
        return Call("ct_charindex(" + StrArg(a[0]) + ", " + StrArg(a[1]) +
                        (a.size() == 3 ? ", " + a[2].sql : "") + ")",
                    SqlType::Int);
    }
    if (n == "REPLICATE") {
        arity(a, 2, 2);
        return Call("ct_replicate(" + StrArg(a[0]) + ", " + a[1].sql + ")", SqlType::Text);
    }
    if (n == "SPACE") {
        arity(a, 1, 1);
        return Call("ct_replicate(' ', " + a[0].sql + ")", SqlType::Text);
    }
    if (n == "REVERSE") {
        arity(a, 1, 1);
        return Call("ct_reverse(" + StrArg(a[0]) + ")", SqlType::Text);
    }
    if (n == "CHAR" || n == "NCHAR") {
        arity(a, 1, 1);
        return Call("char(" + a[0].sql + ")", SqlType::Text);
    }
    if (n == "ASCII" || n == "UNICODE") {
        arity(a, 1, 1);
        return Call("unicode(" + StrArg(a[0]) + ")", SqlType::Int);
    }
    if (n == "CONCAT") {
        if (a.size() < 2) Fail("The CONCAT function requires at least 2 arguments.");
        std::string args;
        for (std::size_t i = 0; i < a.size(); ++i)
            args += (i ? ", " : "") + StrArg(a[i]);
        return Call("ct_concat(" + args + ")", SqlType::Text);
    }
    if (n == "ABS" || n == "CEILING" || n == "FLOOR" || n == "SIGN") {
        arity(a, 1, 1);
        Frag f = Call((n == "ABS" ? "abs(" : "ct_" + LowerName(n) + "(") + a[0].sql + ")",
                      SqlType::Unknown);
        f.typeSpec = a[0].typeSpec;
        // CEILING and FLOOR of a DECIMAL are whole: DECIMAL(p, 0).
        if ((n == "CEILING" || n == "FLOOR") && a[0].Type() == SqlType::Float &&
            IsExactDecimal(a[0].typeSpec))
            f.typeSpec.scale = 0;
        return f;
    }
    if (n == "ROUND") {
        arity(a, 2, 3);
        Frag f = Call("ct_round(" + Join(a) + ")", SqlType::Unknown);
        f.typeSpec = a[0].typeSpec;
        return f;
    }
    if (n == "POWER" || n == "SQRT") {
        arity(a, n == "POWER" ? 2 : 1, n == "POWER" ? 2 : 1);
        return Call("ct_power(" + a[0].sql + ", " + (n == "SQRT" ? "0.5" : a[1].sql) + ")",
                    SqlType::Float);
    }
    if (n == "YEAR" || n == "MONTH" || n == "DAY") {
        arity(a, 1, 1);
        return Call("ct_datepart('" + LowerName(n) + "', " + a[0].sql + ")", SqlType::Int);
    }
    if (n == "NEWID") {
        arity(a, 0, 0);
        return Call("ct_newid()", SqlType::Text);
    }
    if (n == "ISNUMERIC") {
        arity(a, 1, 1);
        return Call("ct_isnumeric(" + a[0].sql + ")", SqlType::Int);
    }
    if (n == "SCOPE_IDENTITY") {
        arity(a, 0, 0);
        return Call(Param(ParamKind::Identity, ""), SqlType::Int);
    }
    if (n == "DATABASEPROPERTYEX") {
        arity(a, 2, 2);
        // Text columns compare ignoring case, as under this collation.
        if (a[1].isStringLit && LowerName(a[1].lit) == "collation")
            return Call("'SQL_Latin1_General_CP1_CI_AS'", SqlType::Text);
        return Call("NULL", SqlType::Text);
    }
    Unsupported((n.rfind("FN_", 0) == 0 ? "user-defined function " : "function ") + rawName);
}

Frag TSqlParser::Convert(const Frag& v, const TypeSpec& target, int style, bool explicitStyle) {
    SqlType src = v.Type();
    Frag f;
    f.typeSpec = target;
    if (v.isNull) {
        f.sql = "NULL";
        f.isNull = true;
        return f;
    }
    switch (target.type) {
        case SqlType::Text: {
            int len = target.length == -1 ? 30 : (target.length == 0 ? -1 : target.length);
            int st = explicitStyle ? style : 0;
            if (IsDateKind(src) && !IsKnownDateStyle(st))
                Unsupported("CONVERT style " + std::to_string(st));
            if (explicitStyle && st != 0 && !IsDateKind(src) && src != SqlType::Text &&
                src != SqlType::Unknown)
                Unsupported("CONVERT style " + std::to_string(st) + " on a number");
            if (v.isStringLit && !target.fixed && (len < 0 || CharCount(v.lit) <= len)) {
                f = v;
                f.typeSpec = target;
                return f;
            }
            std::string code = SourceCode(src);
            // A DECIMAL is written with all of its places: 1.50 stays "1.50".
            if (src == SqlType::Float && IsExactDecimal(v.typeSpec))
                code = "'dec" + std::to_string(v.typeSpec.scale) + "'";
            f.sql = "ct_tostr(" + v.sql + ", " + code + ", " + std::to_string(st) + ", " +
                    std::to_string(len) + ", " + (target.fixed ? "1" : "0") + ")";
            return f;
        }
        case SqlType::Int:
        case SqlType::BigInt: {
            if (IsDateKind(src)) Unsupported("CONVERT of a date-time to an integer");
            bool fits =
                v.isNumberLit &&
                (src == SqlType::Int || (src == SqlType::BigInt && target.type == SqlType::BigInt));
            f.sql = fits ? v.sql : IntegerConversion(v.sql, target.type);
            return f;
        }
        case SqlType::Bit:
            f.sql = "ct_tobit(" + v.sql + ")";
            return f;
        case SqlType::Float:
        case SqlType::Money:
            if (IsDateKind(src)) Unsupported("CONVERT of a date-time to a number");
            f.sql = NumberConversion(v.sql, target);
            return f;
        case SqlType::Date:
        case SqlType::Time:
        case SqlType::DateTime: {
            static const int kInputStyles[] = {0, 100, 112, 12, 20, 120, 21, 121, 23, 126, 127};
            bool known = !explicitStyle;
            for (int st : kInputStyles)
                known = known || st == style;
            if (!known) Unsupported("CONVERT to a date-time with style " + std::to_string(style));
            if (v.isStringLit) {
                auto norm = NormalizeDateText(v.lit, target.type);
                if (norm) {
                    f.sql = "'" + *norm + "'";
                    return f;
                }
            }
            f.sql = src == target.type ? v.sql
                                       : "ct_todate(" + v.sql + ", " + DateCode(target.type) + ")";
            return f;
        }
        default:
            Unsupported("CONVERT to binary");
    }
}

Frag TSqlParser::Coerce(Frag f, const TypeSpec& target) {
    SqlType t = target.type, src = f.Type();
    if (t == SqlType::Unknown || f.isNull) return f;
    if (IsDateKind(t)) {
        if (f.isStringLit) {
            auto norm = NormalizeDateText(f.lit, t);
            f.sql = norm ? "'" + *norm + "'" : "ct_todate(" + f.sql + ", " + DateCode(t) + ")";
        } else if (src != t) {
            f.sql = "ct_todate(" + f.sql + ", " + DateCode(t) + ")";
        }
    } else if (t == SqlType::Bit) {
        if (src != SqlType::Bit) f.sql = "ct_tobit(" + f.sql + ")";
    } else if (IsExactDecimal(target) && src != SqlType::Bit && src != SqlType::Int &&
               src != SqlType::BigInt &&
               !(IsExactDecimal(f.typeSpec) && f.typeSpec.scale <= target.scale &&
                 f.typeSpec.precision - f.typeSpec.scale <= target.precision - target.scale)) {
        // A DECIMAL or MONEY column rounds what it is given to its scale.
        f.sql = NumberConversion(f.sql, target);
    } else if (IsNumericKind(t)) {
        // An integer column truncates what it is given, as SQL Server
        // converts, and refuses a value past its range.
        if ((t == SqlType::Int || t == SqlType::BigInt) &&
            (src == SqlType::Float || src == SqlType::Money ||
             (src == SqlType::BigInt && t == SqlType::Int)))
            f.sql = IntegerConversion(f.sql, t);
        if (src == SqlType::Text) {
            std::string num;
            f.sql = f.isStringLit && NumberLiteralText(f.lit, num) ? num : "ct_num(" + f.sql + ")";
        }
    } else if (t == SqlType::Text && IsDateKind(src)) {
        f.sql = "ct_tostr(" + f.sql + ", " + SourceCode(src) + ", 0, " +
                std::to_string(target.length <= 0 ? -1 : target.length) + ", 0)";
    }
    f.typeSpec = target;
    f.isStringLit = f.isColumn = false;
    return f;
}
