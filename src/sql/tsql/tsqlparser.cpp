#include "sql/tsql/tsqlparser.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <unordered_set>

#include "platform/textutil.h"
#include "sql/sqldecimal.h"

namespace {

const char* KindCode(SqlType t) {
    switch (t) {
        case SqlType::Date:
            return "'date'";
        case SqlType::Time:
            return "'time'";
        default:
            return "'datetime'";
    }
}

bool NumberText(const std::string& text, std::string& out, bool& isFloat) {
    std::size_t b = text.find_first_not_of(" \t");
    std::size_t e = text.find_last_not_of(" \t");
    if (b == std::string::npos) return false;
    std::string t = text.substr(b, e - b + 1);
    const char* first = t.data();
    if (*first == '+') ++first;
    double d = 0;
    auto r = std::from_chars(first, t.data() + t.size(), d);
    if (r.ec != std::errc() || r.ptr != t.data() + t.size()) return false;
    isFloat = t.find_first_of(".eE") != std::string::npos;
    out = std::string(first, static_cast<std::size_t>(t.data() + t.size() - first));
    return true;
}

int Rank(SqlType t) {
    switch (t) {
        case SqlType::DateTime:
            return 10;
        case SqlType::Date:
            return 9;
        case SqlType::Time:
            return 8;
        case SqlType::Float:
            return 7;
        case SqlType::Money:
            return 6;
        case SqlType::BigInt:
            return 5;
        case SqlType::Int:
            return 4;
        case SqlType::Bit:
            return 3;
        case SqlType::Text:
            return 2;
        case SqlType::Binary:
            return 1;
        default:
            return 0;
    }
}

TypeSpec Wider(const TypeSpec& a, const TypeSpec& b) {
    return Rank(b.type) > Rank(a.type) ? b : a;
}

TypeSpec TypeSpecOf(SqlType t) {
    TypeSpec s;
    s.type = t;
    return s;
}

Frag Bool(std::string sql) {
    Frag f;
    f.sql = std::move(sql);
    f.typeSpec = TypeSpecOf(SqlType::Bit);
    return f;
}

// A number as written: 12 is INT (BIGINT past its range), 1.50 is
// DECIMAL(3,2), 1e3 is FLOAT.
TypeSpec LiteralType(const std::string& text) {
    if (text.find_first_of("eE") != std::string::npos) return TypeSpecOf(SqlType::Float);
    std::size_t point = text.find('.');
    if (point == std::string::npos) {
        // Digits alone: INT, and past INT's range a DECIMAL(p,0), as SQL
        // Server types such a constant ("99999999999" is DECIMAL(11,0)).
        std::size_t first = std::min(text.find_first_not_of('0'), text.size() - 1);
        int digits = static_cast<int>(text.size() - first);
        if (digits < 10 || (digits == 10 && text.compare(first, 10, "2147483647") <= 0))
            return TypeSpecOf(SqlType::Int);
        TypeSpec t = TypeSpecOf(SqlType::Float);
        t.scale = 0;
        t.precision = std::min(digits, SqlDecimal::kMaxPrecision);
        return t;
    }
    TypeSpec t = TypeSpecOf(SqlType::Float);
    std::size_t first = text.find_first_not_of("0.");
    int digits = 0;
    for (std::size_t i = first == std::string::npos ? text.size() : first; i < text.size(); ++i)
        if (text[i] != '.') ++digits;
    t.scale = static_cast<int>(text.size() - point - 1);
    t.precision = std::max(std::max(digits, t.scale), 1);
    return t;
}

bool IsIntegerKind(SqlType t) {
    return t == SqlType::Bit || t == SqlType::Int || t == SqlType::BigInt;
}

// The precision and scale a value takes in DECIMAL arithmetic.
DecimalShape ShapeOf(const TypeSpec& t) {
    switch (t.type) {
        case SqlType::Bit:
            return {1, 0};
        case SqlType::Int:
            return {10, 0};
        case SqlType::BigInt:
            return {19, 0};
        case SqlType::Money:
            return {19, 4};
        default:
            return {std::max(t.precision, 1), std::max(t.scale, 0)};
    }
}

// A whole-number literal counts its own digits: 1.0 / 3 has six places.
DecimalShape ShapeOf(const Frag& f) {
    if (f.isNumberLit && IsIntegerKind(f.Type())) {
        int digits = static_cast<int>(f.sql.size()) - (f.sql[0] == '-' ? 1 : 0);
        return {std::clamp(digits, 1, SqlDecimal::kMaxPrecision), 0};
    }
    return ShapeOf(f.typeSpec);
}

TypeSpec DecimalType(DecimalShape shape) {
    TypeSpec t = TypeSpecOf(SqlType::Float);
    t.precision = shape.precision;
    t.scale = shape.scale;
    return t;
}

bool TextLike(SqlType t) {
    return t == SqlType::Text || t == SqlType::Unknown;
}

const Token kEndToken{};

}  // namespace

bool NumberLiteralText(const std::string& text, std::string& out) {
    bool isFloat = false;
    return NumberText(text, out, isFloat);
}

std::string QuoteLiteral(const std::string& v) {
    std::string r = "'";
    for (char c : v) {
        r += c;
        if (c == '\'') r += '\'';
    }
    return r + "'";
}

std::string LowerName(const std::string& s) {
    return LowerAscii(s);
}

std::string QuoteName(const std::string& s) {
    std::string r = "\"";
    for (char c : s) {
        r += c;
        if (c == '"') r += '"';
    }
    return r + "\"";
}

const ColumnInfo* TableInfo::Find(const std::string& name) const {
    std::string l = LowerName(name);
    for (const auto& c : Columns)
        if (LowerName(c.Name) == l) return &c;
    return nullptr;
}

bool Source::Lookup(const std::string& column, TypeSpec& typeSpec) const {
    if (info != nullptr) {
        if (const ColumnInfo* c = info->Find(column)) {
            typeSpec = c->Type;
            return true;
        }
        return false;
    }
    std::string l = LowerName(column);
    for (const auto& [n, s] : columns) {
        if (LowerName(n) == l) {
            typeSpec = s;
            return true;
        }
    }
    return false;
}

TSqlParser::TSqlParser(const std::vector<Token>& tokens, std::size_t begin, std::size_t end,
                       SchemaSource& schema, const VariableTypes& vars, SqlStatement& out)
    : toks_(tokens), pos_(begin), end_(end), schema_(schema), vars_(vars), out_(out) {}

// ---- tokens --------------------------------------------------------------

const Token& TSqlParser::Peek(std::size_t ahead) const {
    std::size_t i = pos_ + ahead;
    return i < end_ && i < toks_.size() ? toks_[i] : kEndToken;
}

bool TSqlParser::AtEnd() const {
    return Peek().kind == TokKind::End;
}

const Token& TSqlParser::Take() {
    const Token& t = Peek();
    if (!AtEnd()) ++pos_;
    return t;
}

bool TSqlParser::AcceptWord(const char* w) {
    if (!Word(w)) return false;
    ++pos_;
    return true;
}

bool TSqlParser::AcceptOp(const char* o) {
    if (!Op(o)) return false;
    ++pos_;
    return true;
}

void TSqlParser::ExpectWord(const char* w) {
    if (!AcceptWord(w)) Fail(Near() + " (expected " + w + ")");
}

void TSqlParser::ExpectOp(const char* o) {
    if (!AcceptOp(o)) Fail(Near() + " (expected '" + o + "')");
}

void TSqlParser::Fail(const std::string& what) const {
    throw TSqlError(what);
}

void TSqlParser::Unsupported(const std::string& construct) const {
    throw TSqlError("Unsupported T-SQL construct: " + construct);
}

std::string TSqlParser::Near() const {
    if (AtEnd()) return "Incorrect syntax near the end of the statement.";
    const Token& t = Peek();
    std::string text = t.kind == TokKind::String ? "'" + t.text + "'" : t.text;
    return "Incorrect syntax near '" + text + "'.";
}

bool TSqlParser::IsReserved(const Token& t) const {
    static const std::unordered_set<std::string> kReserved = {
        "ADD",      "ALL",     "ALTER",    "AND",     "ANY",      "APPLY",  "AS",     "ASC",
        "BEGIN",    "BETWEEN", "BY",       "CASE",    "COLLATE",  "COMMIT", "CREATE", "CROSS",
        "DECLARE",  "DEFAULT", "DELETE",   "DESC",    "DISTINCT", "DROP",   "ELSE",   "END",
        "ESCAPE",   "EXCEPT",  "EXEC",     "EXECUTE", "EXISTS",   "FOR",    "FROM",   "FULL",
        "GO",       "GROUP",   "HAVING",   "IF",      "IN",       "INNER",  "INSERT", "INTERSECT",
        "INTO",     "IS",      "JOIN",     "LEFT",    "LIKE",     "MERGE",  "NOT",    "NULL",
        "ON",       "OPTION",  "OR",       "ORDER",   "OUTER",    "PIVOT",  "PRINT",  "RAISERROR",
        "RETURN",   "RIGHT",   "ROLLBACK", "SELECT",  "SET",      "SOME",   "THEN",   "TOP",
        "TRUNCATE", "UNION",   "UNPIVOT",  "UPDATE",  "USE",      "VALUES", "WHEN",   "WHERE",
        "WHILE",    "WITH"};
    return t.kind == TokKind::Name && kReserved.count(UpperAscii(t.text)) > 0;
}

std::size_t TSqlParser::FindAtDepth0(const std::vector<const char*>& stops) const {
    int depth = 0, caseDepth = 0;
    for (std::size_t i = pos_; i < end_ && toks_[i].kind != TokKind::End; ++i) {
        const Token& t = toks_[i];
        if (t.IsOp("(")) {
            ++depth;
        } else if (t.IsOp(")")) {
            if (--depth < 0) return i;
        } else if (depth == 0 && t.IsWord("CASE")) {
            ++caseDepth;
        } else if (depth == 0 && t.IsWord("END") && caseDepth > 0) {
            --caseDepth;
        } else if (depth == 0 && caseDepth == 0) {
            for (const char* s : stops)
                if (t.IsWord(s)) return i;
        }
    }
    return end_;
}

std::string TSqlParser::Param(ParamKind kind, const std::string& name) {
    std::string key = std::to_string(static_cast<int>(kind)) + name;
    auto it = paramIndex_.find(key);
    if (it != paramIndex_.end()) return "?" + std::to_string(it->second);
    out_.Params.push_back(ParamRef{kind, name});
    int idx = static_cast<int>(out_.Params.size());
    paramIndex_[key] = idx;
    return "?" + std::to_string(idx);
}

std::string TSqlParser::Collation(const std::string& name) const {
    std::string l = LowerName(name);
    if (l == "database_default" || l == "nocase" || l.find("_ci") != std::string::npos)
        return "NOCASE";
    if (l == "binary" || l.find("_cs") != std::string::npos || l.find("_bin") != std::string::npos)
        return "BINARY";
    Unsupported("collation " + name);
}

// ---- expressions -----------------------------------------------------------

namespace {

// Each nesting level costs a few stack frames; a batch nested deeper than
// this is refused (as SQL Server refuses one) before the stack runs out.
constexpr int kMaxNesting = 200;

struct Nesting {
    explicit Nesting(int& depth) : d(depth) { ++d; }
    ~Nesting() { --d; }
    Nesting(const Nesting&) = delete;
    Nesting& operator=(const Nesting&) = delete;
    int& d;
};

}  // namespace

void TSqlParser::EnterNesting() const {
    if (nesting_ > kMaxNesting) Fail("Some part of your SQL statement is nested too deeply.");
}

Frag TSqlParser::Expr(const Scope* s) {
    Nesting n(nesting_);
    EnterNesting();
    return Or(s);
}

Frag TSqlParser::Or(const Scope* s) {
    Frag l = And(s);
    while (AcceptWord("OR")) {
        Frag r = And(s);
        l = Bool("(" + l.sql + " OR " + r.sql + ")");
    }
    return l;
}

Frag TSqlParser::And(const Scope* s) {
    Frag l = Not(s);
    while (AcceptWord("AND")) {
        Frag r = Not(s);
        l = Bool("(" + l.sql + " AND " + r.sql + ")");
    }
    return l;
}

Frag TSqlParser::Not(const Scope* s) {
    Nesting n(nesting_);
    EnterNesting();
    if (AcceptWord("NOT")) return Bool("(NOT " + Not(s).sql + ")");
    return Predicate(s);
}

Frag TSqlParser::Predicate(const Scope* s) {
    if (Word("EXISTS") && Op("(", 1)) {
        Take();
        return Bool("EXISTS " + Subquery(s).sql);
    }
    Frag l = Additive(s);
    static const char* const kCompare[] = {"=", "<>", "!=", "<", ">", "<=", ">=", "!<", "!>"};
    for (const char* op : kCompare) {
        if (Op(op)) {
            Take();
            if (Word("ALL") || Word("ANY") || Word("SOME"))
                Unsupported("comparison with " + UpperAscii(Peek().text) + " (subquery)");
            Frag r = Additive(s);
            return Compare(l, op, r);
        }
    }
    bool negate = false;
    if (Word("NOT") && (Word("BETWEEN", 1) || Word("IN", 1) || Word("LIKE", 1))) {
        Take();
        negate = true;
    }
    std::string no = negate ? " NOT" : "";
    if (AcceptWord("BETWEEN")) {
        Frag lo = Additive(s);
        ExpectWord("AND");
        Frag hi = Additive(s);
        Frag l1 = l, l2 = l;
        AlignForCompare(l1, lo);
        AlignForCompare(l2, hi);
        return Bool("(" + l1.sql + no + " BETWEEN " + lo.sql + " AND " + hi.sql + ")");
    }
    if (AcceptWord("IN")) {
        ExpectOp("(");
        std::string list;
        Frag left = l;
        if (Word("SELECT")) {
            QueryText q = Query(s, nullptr, false);
            list = q.sql;
        } else {
            bool textCompare = false;
            do {
                Frag item = Expr(s);
                Frag ll = l;
                AlignForCompare(ll, item);
                if (ll.sql != l.sql && !IsDateKind(l.Type())) left = ll;
                textCompare = textCompare || (l.Type() == SqlType::Text && TextLike(item.Type()));
                list += (list.empty() ? "" : ", ") + item.sql;
            } while (AcceptOp(","));
            if (textCompare && !l.isColumn && left.sql == l.sql)
                left.sql = "(" + l.sql + ") COLLATE NOCASE";
        }
        ExpectOp(")");
        return Bool("(" + left.sql + no + " IN (" + list + "))");
    }
    if (AcceptWord("LIKE")) {
        if (IsDateKind(l.Type())) Unsupported("LIKE on a date-time value");
        Frag pattern = Additive(s);
        std::string esc;
        if (AcceptWord("ESCAPE")) esc = " ESCAPE " + Additive(s).sql;
        return Bool("(" + l.sql + no + " LIKE " + pattern.sql + esc + ")");
    }
    if (negate) Fail(Near());
    if (AcceptWord("IS")) {
        bool isNot = AcceptWord("NOT");
        ExpectWord("NULL");
        return Bool("(" + l.sql + (isNot ? " IS NOT NULL)" : " IS NULL)"));
    }
    return l;
}

void TSqlParser::AlignForCompare(Frag& l, Frag& r) {
    SqlType lt = l.Type(), rt = r.Type();
    if (IsDateKind(lt) || IsDateKind(rt)) {
        if (IsDateKind(lt) && IsDateKind(rt)) {
            // Different kinds meet as date-times (a date is its midnight).
            if (lt != rt) {
                l.sql = "ct_todate(" + l.sql + ", 'datetime')";
                r.sql = "ct_todate(" + r.sql + ", 'datetime')";
            }
            return;
        }
        Frag& d = IsDateKind(lt) ? l : r;
        Frag& o = IsDateKind(lt) ? r : l;
        if (o.isNull) return;
        if (o.isStringLit) {
            auto norm = NormalizeDateText(o.lit, d.Type());
            o.sql =
                norm ? QuoteLiteral(*norm) : "ct_todate(" + o.sql + ", " + KindCode(d.Type()) + ")";
        } else if (TextLike(o.Type())) {
            o.sql = "ct_todate(" + o.sql + ", " + KindCode(d.Type()) + ")";
        } else {
            Unsupported("comparison of a date-time with a number");
        }
        o.typeSpec = d.typeSpec;
        return;
    }
    auto toNumber = [](Frag& f) {
        std::string num;
        bool isFloat = false;
        if (f.isStringLit && NumberText(f.lit, num, isFloat)) {
            f.sql = num;
        } else {
            f.sql = "ct_num(" + f.sql + ")";
        }
        f.typeSpec = TypeSpecOf(SqlType::Float);
        f.isColumn = false;
    };
    if (IsNumericKind(lt) && rt == SqlType::Text) return toNumber(r);
    if (IsNumericKind(rt) && lt == SqlType::Text) return toNumber(l);
    // The installation compares text ignoring case; columns carry NOCASE
    // themselves, other text expressions get it here.
    if ((lt == SqlType::Text || rt == SqlType::Text) && TextLike(lt) && TextLike(rt) &&
        !l.isColumn && !r.isColumn)
        r.sql = "(" + r.sql + ") COLLATE NOCASE";
}

Frag TSqlParser::Compare(Frag l, const std::string& op, Frag r) {
    AlignForCompare(l, r);
    std::string o = op == "!<" ? ">=" : op == "!>" ? "<=" : op;
    return Bool("(" + l.sql + " " + o + " " + r.sql + ")");
}

Frag TSqlParser::Additive(const Scope* s) {
    Frag l = Multiplicative(s);
    while (true) {
        if (AcceptOp("+")) {
            l = Plus(l, Multiplicative(s));
        } else if (Op("-") || Op("&") || Op("|") || Op("^")) {
            std::string op = Take().text;
            l = Arith(l, op, Multiplicative(s));
        } else if (Op("||")) {
            Unsupported("operator ||");
        } else {
            return l;
        }
    }
}

Frag TSqlParser::Multiplicative(const Scope* s) {
    Frag l = Unary(s);
    while (Op("*") || Op("/") || Op("%")) {
        std::string op = Take().text;
        l = Arith(l, op, Unary(s));
    }
    return l;
}

Frag TSqlParser::Unary(const Scope* s) {
    Nesting n(nesting_);
    EnterNesting();
    if (AcceptOp("-")) {
        Frag f = Unary(s);
        if (f.isNumberLit) {
            f.sql = f.sql[0] == '-' ? f.sql.substr(1) : "-" + f.sql;
            return f;
        }
        if (f.Type() == SqlType::Text) f.sql = "ct_num(" + f.sql + ")";
        // A blank after the sign: "--" would start a comment.
        f.sql = "(- " + f.sql + ")";
        f.isColumn = f.isStringLit = false;
        return f;
    }
    if (AcceptOp("+")) return Unary(s);
    if (AcceptOp("~")) {
        Frag f = Unary(s);
        f.sql = "(~" + f.sql + ")";
        f.isColumn = false;
        return f;
    }
    return Postfix(Primary(s));
}

Frag TSqlParser::Postfix(Frag f) {
    if (AcceptWord("COLLATE")) {
        const Token& n = Take();
        if (n.kind != TokKind::Name && n.kind != TokKind::QuotedName) Fail(Near());
        f.sql = "(" + f.sql + ") COLLATE " + Collation(n.text);
        // An explicit collation decides the comparison like a column's does.
        f.isColumn = true;
        f.isStringLit = false;
    }
    return f;
}

Frag TSqlParser::Plus(Frag l, Frag r) {
    SqlType lt = l.Type(), rt = r.Type();
    Frag f;
    if (l.isNull || r.isNull) {
        // NULL, but the other operand stays in the text: an aggregate in it
        // still makes the query an aggregate query (one row).
        f.sql = "(" + l.sql + " + " + r.sql + ")";
        f.typeSpec = l.isNull ? r.typeSpec : l.typeSpec;
        return f;
    }
    if (lt == SqlType::Text && rt == SqlType::Text) {
        f.sql = "(" + l.sql + " || " + r.sql + ")";
        f.typeSpec = TypeSpecOf(SqlType::Text);
        f.typeSpec.unicode = true;
        return f;
    }
    if (IsDateKind(lt) && IsNumericKind(rt)) {
        f.sql = "ct_dateadd('day', " + r.sql + ", " + l.sql + ")";
        f.typeSpec = TypeSpecOf(SqlType::DateTime);
        return f;
    }
    if (IsDateKind(rt) && IsNumericKind(lt)) return Plus(r, l);
    if (IsDateKind(lt) || IsDateKind(rt)) Unsupported("adding a date-time to a non-number");
    if ((IsNumericKind(lt) || lt == SqlType::Text) && (IsNumericKind(rt) || rt == SqlType::Text))
        return Arith(l, "+", r);
    f.sql = "ct_add(" + l.sql + ", " + r.sql + ")";
    return f;
}

Frag TSqlParser::Arith(Frag l, const std::string& op, Frag r) {
    SqlType lt = l.Type(), rt = r.Type();
    Frag f;
    if (op == "-" && IsDateKind(lt) && IsNumericKind(rt)) {
        f.sql = "ct_dateadd('day', -(" + r.sql + "), " + l.sql + ")";
        f.typeSpec = TypeSpecOf(SqlType::DateTime);
        return f;
    }
    if (IsDateKind(lt) || IsDateKind(rt)) Unsupported("arithmetic " + op + " on date-time values");
    if (op == "+" || op == "-" || op == "*" || op == "/" || op == "%") {
        bool exact = IsExactDecimal(l.typeSpec) || IsExactDecimal(r.typeSpec);
        bool binary = (lt == SqlType::Float && !IsExactDecimal(l.typeSpec)) ||
                      (rt == SqlType::Float && !IsExactDecimal(r.typeSpec));
        if (exact && !binary) return DecimalArith(l, op, r);
    }
    auto num = [](Frag& x) {
        if (x.Type() != SqlType::Text) return;
        std::string n;
        bool isFloat = false;
        x.sql = x.isStringLit && NumberText(x.lit, n, isFloat) ? n : "ct_num(" + x.sql + ")";
        x.typeSpec = TypeSpecOf(SqlType::Float);
    };
    num(l);
    num(r);
    f.typeSpec = Wider(l.typeSpec, r.typeSpec);
    if (!IsNumericKind(f.Type())) f.typeSpec = TypeSpecOf(SqlType::Unknown);
    if (op == "/" && !(r.isNumberLit && std::strtod(r.sql.c_str(), nullptr) != 0)) {
        f.sql = "ct_div(" + l.sql + ", " + r.sql + ")";
    } else if (op == "^") {
        f.sql = "((" + l.sql + " | " + r.sql + ") - (" + l.sql + " & " + r.sql + "))";
    } else {
        f.sql = "(" + l.sql + " " + op + " " + r.sql + ")";
    }
    // Integers keep their type: a result past its range is an overflow,
    // never a wider number.
    if (IsIntegerKind(lt) && IsIntegerKind(rt) && (op == "+" || op == "-" || op == "*")) {
        bool big = lt == SqlType::BigInt || rt == SqlType::BigInt;
        f.sql = (big ? "ct_bigint(" : "ct_int(") + f.sql + ")";
        f.typeSpec = TypeSpecOf(big ? SqlType::BigInt : SqlType::Int);
    }
    return f;
}

// DECIMAL and MONEY arithmetic, exact, with the result's precision and scale
// as SQL Server gives them. MONEY with MONEY or an integer stays MONEY.
Frag TSqlParser::DecimalArith(const Frag& l, const std::string& op, const Frag& r) {
    SqlType lt = l.Type(), rt = r.Type();
    bool lKnown = IsExactDecimal(l.typeSpec) || IsIntegerKind(lt);
    bool rKnown = IsExactDecimal(r.typeSpec) || IsIntegerKind(rt);
    bool money = (lt == SqlType::Money || rt == SqlType::Money) &&
                 (lt == SqlType::Money || IsIntegerKind(lt)) &&
                 (rt == SqlType::Money || IsIntegerKind(rt));
    DecimalShape a = ShapeOf(l), b = ShapeOf(r);
    DecimalShape shape =
        op == "*"   ? DecimalProduct(a, b)
        : op == "/" ? DecimalQuotient(a, b)
        : op == "%" ? DecimalShape{std::max(a.precision, b.precision), std::max(a.scale, b.scale)}
                    : DecimalSum(a, b);
    // The scale passed rounds (cuts, for a quotient) the result; -1 keeps
    // every digit, which sums and products of known shapes need anyway.
    int scale = -1;
    Frag f;
    if (money) {
        f.typeSpec = TypeSpecOf(SqlType::Money);
        f.typeSpec.precision = 19;
        f.typeSpec.scale = 4;
        if (op == "*" || op == "/") scale = 4;
    } else {
        f.typeSpec = DecimalType(shape);
        if (!lKnown || !rKnown) f.typeSpec.scale = lKnown ? a.scale : b.scale;
        int exactScale = op == "*" ? a.scale + b.scale : std::max(a.scale, b.scale);
        if (lKnown && rKnown && (op == "/" || (op != "%" && shape.scale < exactScale)))
            scale = shape.scale;
    }
    f.sql = "ct_dec('" + op + "', " + l.sql + ", " + r.sql + ", " + std::to_string(scale) + ")";
    return f;
}

Frag TSqlParser::Primary(const Scope* s) {
    const Token& t = Peek();
    Frag f;
    switch (t.kind) {
        case TokKind::Number: {
            Take();
            f.sql = t.text;
            f.isNumberLit = true;
            f.typeSpec = LiteralType(t.text);
            return f;
        }
        case TokKind::String:
            Take();
            f.sql = QuoteLiteral(t.text);
            f.isStringLit = true;
            f.lit = t.text;
            f.typeSpec = TypeSpecOf(SqlType::Text);
            f.typeSpec.unicode = t.unicode;
            return f;
        case TokKind::Binary: {
            Take();
            std::string hex = t.text.size() % 2 != 0 ? "0" + t.text : t.text;
            f.sql = "X'" + hex + "'";
            f.typeSpec = TypeSpecOf(SqlType::Binary);
            return f;
        }
        case TokKind::Variable:
            return Variable();
        case TokKind::SysVariable:
            return SysVariable();
        case TokKind::QuotedName:
            return ColumnRef(s);
        case TokKind::Op:
            if (t.IsOp("(")) {
                if (Word("SELECT", 1)) return Subquery(s);
                Take();
                Frag inner = Expr(s);
                ExpectOp(")");
                inner.sql = "(" + inner.sql + ")";
                inner.isColumn = false;
                return inner;
            }
            Fail(Near());
        case TokKind::Name:
            break;
        default:
            Fail(Near());
    }
    if (AcceptWord("NULL")) {
        f.sql = "NULL";
        f.isNull = true;
        f.typeSpec = TypeSpecOf(SqlType::Null);
        return f;
    }
    if (Word("CASE")) return CaseExpr(s);
    if (AcceptWord("CURRENT_TIMESTAMP")) {
        f.sql = "ct_getdate()";
        f.typeSpec = TypeSpecOf(SqlType::DateTime);
        return f;
    }
    if (Word("CAST") && Op("(", 1)) {
        pos_ += 2;
        Frag v = Expr(s);
        ExpectWord("AS");
        TypeSpec target = TypeName();
        ExpectOp(")");
        return Convert(v, target, 0, false);
    }
    if (Word("CONVERT") && Op("(", 1)) {
        pos_ += 2;
        TypeSpec target = TypeName();
        ExpectOp(",");
        Frag v = Expr(s);
        int style = 0;
        bool explicitStyle = false;
        if (AcceptOp(",")) {
            if (Peek().kind != TokKind::Number)
                Unsupported("CONVERT with a style that is not a number");
            style = std::atoi(Take().text.c_str());
            explicitStyle = true;
        }
        ExpectOp(")");
        return Convert(v, target, style, explicitStyle);
    }
    if ((Word("TRY_CAST") || Word("TRY_CONVERT") || Word("PARSE")) && Op("(", 1))
        Unsupported(UpperAscii(t.text));
    if (Op("(", 1)) {
        std::string name = Take().text;
        return FunctionCall(s, name);
    }
    if (Op(".", 1) && (Peek(2).kind == TokKind::Name || Peek(2).kind == TokKind::QuotedName) &&
        Op("(", 3))
        Unsupported("user-defined function " + t.text + "." + Peek(2).text);
    if (IsReserved(t)) Fail(Near());
    return ColumnRef(s);
}

Frag TSqlParser::CaseExpr(const Scope* s) {
    ExpectWord("CASE");
    std::string sql = "CASE";
    Frag base;
    bool simple = !Word("WHEN");
    if (simple) base = Expr(s);
    TypeSpec result;
    std::vector<std::string> whens;
    bool textBase = false;
    while (AcceptWord("WHEN")) {
        Frag w = Expr(s);
        if (simple) {
            Frag b = base;
            AlignForCompare(b, w);
            textBase = textBase || (base.Type() == SqlType::Text && TextLike(w.Type()));
        }
        ExpectWord("THEN");
        Frag r = Expr(s);
        if (!r.isNull) result = Wider(result, r.typeSpec);
        whens.push_back(" WHEN " + w.sql + " THEN " + r.sql);
    }
    if (whens.empty()) Fail(Near());
    if (simple)
        sql += " " + (textBase && !base.isColumn ? "(" + base.sql + ") COLLATE NOCASE" : base.sql);
    for (const auto& w : whens)
        sql += w;
    if (AcceptWord("ELSE")) {
        Frag e = Expr(s);
        if (!e.isNull) result = Wider(result, e.typeSpec);
        sql += " ELSE " + e.sql;
    }
    ExpectWord("END");
    Frag f;
    f.sql = "(" + sql + " END)";
    f.typeSpec = result;
    return f;
}

Frag TSqlParser::ColumnRef(const Scope* s) {
    std::vector<std::string> parts;
    while (true) {
        const Token& t = Peek();
        if (t.kind != TokKind::Name && t.kind != TokKind::QuotedName) Fail(Near());
        parts.push_back(Take().text);
        if (!Op(".")) break;
        Take();
        while (Op(".")) {
            Take();
            parts.push_back("");
        }
    }
    Frag f;
    f.isColumn = true;
    f.name = parts.back();
    std::string qual = parts.size() >= 2 ? parts[parts.size() - 2] : "";
    std::string lq = LowerName(qual);
    for (const Scope* sc = s; sc != nullptr; sc = sc->outer) {
        bool found = false;
        for (const Source& src : sc->sources) {
            if (!qual.empty() && src.alias != lq) continue;
            if (src.Lookup(f.name, f.typeSpec) || !qual.empty()) {
                found = true;
                break;
            }
        }
        if (found) break;
    }
    f.sql = (qual.empty() ? "" : QuoteName(qual) + ".") + QuoteName(f.name);
    return f;
}

Frag TSqlParser::Variable() {
    std::string name = LowerName(Take().text.substr(1));
    auto it = vars_.find(name);
    if (it == vars_.end()) Fail("Must declare the scalar variable \"@" + name + "\".");
    Frag f;
    f.sql = Param(ParamKind::Variable, name);
    f.typeSpec = it->second;
    return f;
}

Frag TSqlParser::SysVariable() {
    std::string name = UpperAscii(Take().text);
    Frag f;
    f.typeSpec = TypeSpecOf(SqlType::Int);
    if (name == "@@ROWCOUNT") {
        f.sql = Param(ParamKind::RowCount, "");
    } else if (name == "@@IDENTITY") {
        f.sql = Param(ParamKind::Identity, "");
    } else if (name == "@@ERROR") {
        f.sql = Param(ParamKind::Error, "");
    } else {
        Unsupported(name);
    }
    return f;
}

Frag TSqlParser::Subquery(const Scope* s) {
    ExpectOp("(");
    QueryText q = Query(s, nullptr, false);
    ExpectOp(")");
    Frag f;
    f.sql = "(" + q.sql + ")";
    if (!q.columns.empty()) f.typeSpec = q.columns[0].typeSpec;
    return f;
}

TypeSpec TSqlParser::TypeName() {
    const Token& t = Take();
    if (t.kind != TokKind::Name && t.kind != TokKind::QuotedName) Fail(Near());
    std::string text = t.text;
    if (AcceptOp("(")) {
        text += "(";
        while (!AtEnd() && !Op(")"))
            text += Take().text;
        ExpectOp(")");
        text += ")";
    }
    TypeSpec typeSpec = ParseTypeName(text);
    if (typeSpec.type == SqlType::Unknown) Unsupported("data type " + text);
    return typeSpec;
}
