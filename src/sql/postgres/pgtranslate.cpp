#include "sql/postgres/pgtranslate.h"

#include <iterator>
#include <map>
#include <regex>
#include <unordered_set>

#include "platform/textutil.h"
#include "sql/dbprocedures.h"
#include "sql/tsql/tsqlbatch.h"
#include "sql/tsql/tsqllexer.h"
#include "sql/tsql/tsqlparser.h"

namespace {

struct Refused {
    std::string construct;
};

[[noreturn]] void Refuse(const std::string& construct) {
    throw Refused{construct};
}

std::string Quoted(const std::string& name) {
    std::string q = "\"";
    for (char c : name)
        q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
}

std::string Literal(const std::string& value) {
    std::string q = "'";
    for (char c : value) {
        if (c == '\0') Refuse("a NUL character in a string");
        q += c == '\'' ? std::string("''") : std::string(1, c);
    }
    return q + "'";
}

// A literal SQL Server reads as a date-time on 1900-01-01: "", "19:30",
// "7:30 PM", "19:30:00.123".
bool IsTimeOfDayOrEmpty(const std::string& text) {
    static const std::regex kTimeOfDay(
        R"(^ *[0-9]{1,2}:[0-9]{1,2}(:[0-9]{1,2}([.:][0-9]{0,7})?)? *([AaPp][Mm])? *$)");
    return text.empty() || std::regex_match(text, kTimeOfDay);
}

// The PostgreSQL type for a T-SQL type name; "" when the name is no type to
// change. `dropsLength` tells that a following (n) must go.
std::string MapType(const std::string& lower, bool textIgnoresCase, bool& dropsLength) {
    dropsLength = false;
    static const std::map<std::string, std::string> kFixed = {{"datetime", "timestamp(3)"},
                                                              {"smalldatetime", "timestamp(0)"},
                                                              {"datetime2", "timestamp(3)"},
                                                              {"bit", "smallint"},
                                                              {"tinyint", "smallint"},
                                                              {"money", "numeric(19,4)"},
                                                              {"smallmoney", "numeric(10,4)"},
                                                              {"float", "float8"},
                                                              {"real", "float4"},
                                                              {"image", "bytea"},
                                                              {"blob", "bytea"},
                                                              {"varbinary", "bytea"},
                                                              {"binary", "bytea"},
                                                              {"uniqueidentifier", "uuid"},
                                                              {"ntext", "text"}};
    bool text = lower == "varchar" || lower == "nvarchar" || lower == "char" || lower == "nchar" ||
                lower == "text" || lower == "ntext";
    if (text && textIgnoresCase) {
        // citext has no length; a fixed-length column keeps its padding
        // meaning because trailing blanks are ignored in comparisons anyway.
        dropsLength = true;
        return "citext";
    }
    auto it = kFixed.find(lower);
    if (it == kFixed.end()) {
        if (lower == "nvarchar") return "varchar";
        if (lower == "nchar") return "char";
        if (lower == "sql_variant") return "text";  // values keep their text form
        return "";
    }
    dropsLength = it->second == "bytea" || lower == "float";
    return it->second;
}

// What the runner binds to each $n of `s`.
std::vector<ParamRef> ParamRefs(const PgStatement& s) {
    std::vector<ParamRef> refs(s.Params.size());
    for (std::size_t i = 0; i < s.Params.size(); ++i) {
        refs[i].Kind = s.Params[i] == PgParam::RowCount   ? ParamKind::RowCount
                       : s.Params[i] == PgParam::Identity ? ParamKind::Identity
                       : s.Params[i] == PgParam::Error    ? ParamKind::Error
                                                          : ParamKind::Variable;
        refs[i].Name = s.ParamVars[i];
    }
    return refs;
}

class StatementWriter {
  public:
    // `vars`: the batch's variables, which become parameters; nullptr
    // refuses variables.
    // `dates`: the database converts text to date-times as SQL Server does
    // (its assignment casts exist), so literals may be typed as text.
    StatementWriter(const std::vector<Token>& t, std::size_t b, std::size_t e, bool ci,
                    PgStatement& out, const VariableTypes* vars = nullptr, bool dates = false)
        : t_(t), b_(b), e_(e), ci_(ci), dates_(dates), out_(out), vars_(vars) {}

    void Run() {
        const Token& first = t_[b_];
        ddl_ = first.IsWord("CREATE") || first.IsWord("ALTER");
        out_.Insert = first.IsWord("INSERT");
        if (first.IsWord("UPDATE")) CheckUpdateFrom();
        outerSelect_ = first.IsWord("SELECT");
        for (i_ = b_; i_ < e_; ++i_)
            Token1();
        while (!parens_.empty()) {
            Emit(parens_.back().close);
            parens_.pop_back();
        }
        if (selectList_) FinishItem();
        if (orderBy_) NullsOrder();
        if (!limit_.empty()) Emit("LIMIT " + limit_);
    }

  private:
    struct Paren {
        std::string close = ")";
        bool cast = false;
        bool cut = false;  // a CAST to an integer type: its operand goes through cut()
    };

    const Token& At(std::size_t k) const { return k < e_ ? t_[k] : t_[e_]; }
    void Emit(const std::string& s) {
        if (!out_.Sql.empty()) out_.Sql += ' ';
        out_.Sql += s;
    }
    // SQL Server sorts NULL below every value: first when ascending, last
    // when descending (PostgreSQL does the opposite by default).
    void NullsOrder() {
        const std::string& sql = out_.Sql;
        bool desc = sql.size() >= 4 && LowerAscii(sql.substr(sql.size() - 4)) == "desc";
        Emit(desc ? "NULLS LAST" : "NULLS FIRST");
    }
    // The index of the first top-level `word` from k on, e_ when none.
    std::size_t FindTopLevel(std::size_t k, const char* word) const {
        int depth = 0;
        for (; k < e_; ++k) {
            if (t_[k].IsOp("(")) ++depth;
            if (t_[k].IsOp(")")) --depth;
            if (depth == 0 && t_[k].IsWord(word)) return k;
        }
        return e_;
    }
    // UPDATE x ... FROM: PostgreSQL's FROM never names the target, so a FROM
    // that names it again (or an alias of it) would join a second copy of the
    // table and change every row; SQL Server means the same rows.
    void CheckUpdateFrom() {
        std::size_t k = b_ + 1;
        if (At(k).IsWord("dbo") && At(k + 1).IsOp(".")) k += 2;
        const std::string target = LowerAscii(At(k).text);
        for (std::size_t f = FindTopLevel(k, "FROM") + 1; f < e_; ++f)
            if ((t_[f].kind == TokKind::Name || t_[f].kind == TokKind::QuotedName) &&
                LowerAscii(t_[f].text) == target && !t_[f - 1].IsOp(".") && !At(f + 1).IsOp("."))
                Refuse("UPDATE ... FROM naming the updated table again on PostgreSQL");
    }
    bool InCast() const { return !parens_.empty() && parens_.back().cast; }
    // Skips "(...)" starting at i_+1 (a length or IDENTITY seed).
    void SkipParenthesised() {
        if (!At(i_ + 1).IsOp("(")) return;
        std::size_t k = i_ + 2;
        while (k < e_ && !t_[k].IsOp(")"))
            ++k;
        if (k >= e_) Refuse("an unclosed parenthesis");
        i_ = k;
    }

    // A select-list item that is a bare column keeps the spelling it was
    // written in as its result name (PostgreSQL would report it folded).
    void SelectListToken(const Token& tok) {
        static const char* const kEnds[] = {"FROM",  "INTO",   "WHERE",  "UNION",    "GROUP",
                                            "ORDER", "HAVING", "EXCEPT", "INTERSECT"};
        if (tok.IsOp(",")) {
            FinishItem();
            return;
        }
        for (const char* w : kEnds)
            if (tok.IsWord(w)) {
                FinishItem();
                selectList_ = false;
                return;
            }
        if (tok.IsWord("DISTINCT") || tok.IsWord("ALL")) return;
        ++itemTokens_;
        bool ident = tok.kind == TokKind::QuotedName ||
                     (tok.kind == TokKind::Name && !IsKeyword(LowerAscii(tok.text)));
        if (itemTokens_ % 2 == 1 && ident && !At(i_ + 1).IsOp("("))
            itemName_ = tok.text;
        else if (!(itemTokens_ % 2 == 0 && tok.IsOp(".")))
            itemSimple_ = false;
    }
    void FinishItem() {
        if (itemSimple_ && itemTokens_ > 0 && itemTokens_ % 2 == 1 && itemTokens_ <= 3 &&
            !itemName_.empty()) {
            aliases_.emplace(LowerAscii(itemName_), itemName_);
            Emit("AS " + Quoted(itemName_));
        }
        itemTokens_ = 0;
        itemSimple_ = true;
        itemName_.clear();
        assigning_.clear();
    }

    void Token1() {
        const Token& tok = t_[i_];
        if (selectList_ && parens_.empty() && outerSelect_ && itemTokens_ == 0 &&
            tok.kind == TokKind::Variable && At(i_ + 1).IsOp("="))
            return AssignTarget(tok);
        if (selectList_ && parens_.empty()) SelectListToken(tok);
        if (tok.IsWord("SELECT") && parens_.empty()) {
            selectList_ = true;
            FinishItem();
        }
        switch (tok.kind) {
            case TokKind::Name:
                return NameToken(tok);
            case TokKind::QuotedName:
                return Identifier(tok.text, true);
            case TokKind::Variable:
                return VariableParam(tok);
            case TokKind::SysVariable:
                return SystemVariable(tok);
            case TokKind::String:
                if (afterLike_ && tok.text.find('[') != std::string::npos)
                    return LikeWithClasses(tok.text);
                afterLike_ = false;
                if (ValueTypedAsText(tok.text)) return Emit(Literal(tok.text) + "::text");
                return Emit(Literal(tok.text));
            case TokKind::Binary:
                return Emit("'\\x" + tok.text + "'::bytea");
            case TokKind::Number:
                return Emit(tok.text);
            case TokKind::Op:
                return Operator(tok);
            case TokKind::End:
                return;
        }
    }

    // PostgreSQL reads an untyped literal with the column's own input, which
    // takes neither a bare time of day nor an empty text as a date-time; SQL
    // Server reads both on 1900-01-01. Typed as text, such a whole value of
    // an INSERT's VALUES list or an UPDATE's SET goes through the database's
    // text-to-date-time cast instead (and stays the same text in a text
    // column).
    bool ValueTypedAsText(const std::string& text) const {
        if (!dates_ || !IsTimeOfDayOrEmpty(text)) return false;
        const Token& before = t_[i_ - 1];
        const Token& after = At(i_ + 1);
        if (valuesList_)
            return parens_.size() == 1 && (before.IsOp("(") || before.IsOp(",")) &&
                   (after.IsOp(",") || after.IsOp(")"));
        return setList_ && parens_.empty() && before.IsOp("=") &&
               (after.IsOp(",") || after.IsWord("WHERE") || after.IsWord("FROM") || i_ + 1 >= e_);
    }

    void Operator(const Token& tok) {
        if (tok.IsOp(";")) return;
        if (tok.IsOp("(")) {
            if (insertState_ != 3) insertState_ = insertState_ == 2 ? 3 : 4;
            parens_.push_back(pendingParen_);
            pendingParen_ = Paren{};
            Emit("(");
            if (parens_.back().cut) Emit("cut (");
            return;
        }
        if (tok.IsOp(")")) {
            if (parens_.empty()) Refuse("an unbalanced ')'");
            if (insertState_ == 3 && parens_.size() == 1) insertState_ = 4;
            Emit(parens_.back().close);
            parens_.pop_back();
            return;
        }
        if (tok.IsOp(",") && orderBy_ && parens_.empty()) NullsOrder();
        if (tok.IsOp("!<")) return Emit(">=");
        if (tok.IsOp("!>")) return Emit("<=");
        if (tok.IsOp(".") && At(i_ + 1).IsOp(".")) Refuse("names of other databases");
        Emit(tok.text);
    }

    // SQL Server's LIKE knows [a-z] and [^x] classes, PostgreSQL's does not:
    // the pattern becomes an anchored regular expression matched ignoring
    // case (~*), as the columns compare.
    void LikeWithClasses(const std::string& pattern) {
        afterLike_ = false;
        if (At(i_ + 1).IsWord("ESCAPE")) Refuse("LIKE with classes and ESCAPE on PostgreSQL");
        std::string& sql = out_.Sql;
        if (sql.size() < 4 || LowerAscii(sql.substr(sql.size() - 4)) != "like")
            Refuse("LIKE operand");
        sql.erase(sql.size() - 4);
        std::string op = "~*";
        std::size_t n = sql.find_last_not_of(' ');
        if (n != std::string::npos && n >= 2 && LowerAscii(sql.substr(n - 2, 3)) == "not") {
            sql.erase(n - 2);
            op = "!~*";
        }
        while (!sql.empty() && sql.back() == ' ')
            sql.pop_back();
        std::string re = "^";
        for (std::size_t k = 0; k < pattern.size(); ++k) {
            char c = pattern[k];
            if (c == '%') {
                re += ".*";
            } else if (c == '_') {
                re += '.';
            } else if (c == '[') {
                std::size_t close = pattern.find(']', k + 2);
                if (close == std::string::npos) Refuse("LIKE with an unclosed [");
                std::string cls = pattern.substr(k + 1, close - k - 1);
                re += '[';
                for (std::size_t j = 0; j < cls.size(); ++j) {
                    char d = cls[j];
                    if (d == '\\' || (d == '[') || (d == '^' && j > 0)) re += '\\';
                    re += d;
                }
                re += ']';
                k = close;
            } else {
                if (std::string(".^$*+?(){}|\\]").find(c) != std::string::npos) re += '\\';
                re += c;
            }
        }
        Emit(op);
        Emit(Literal(re + "$"));
    }

    void SystemVariable(const Token& tok) {
        std::string name = LowerAscii(tok.text);
        if (name == "@@identity") return Param(PgParam::Identity);
        if (name == "@@rowcount") return Param(PgParam::RowCount);
        if (name == "@@error") return Param(PgParam::Error);
        Refuse(tok.text);
    }

    void Param(PgParam p) {
        out_.Params.push_back(p);
        out_.ParamVars.emplace_back();
        Emit("$" + std::to_string(out_.Params.size()) + "::bigint");
    }

    const TypeSpec& Declared(const Token& tok) const {
        if (vars_ == nullptr) Refuse("variables (" + tok.text + ")");
        auto it = vars_->find(LowerAscii(tok.text.substr(1)));
        if (it == vars_->end())
            throw TSqlError("Must declare the scalar variable \"" + tok.text + "\".");
        return it->second;
    }

    // A variable is a parameter cast to its declared type, so that PostgreSQL
    // reads it as the variable's type wherever it stands.
    void VariableParam(const Token& tok) {
        // SQL Server evaluates SELECT @v = @v + x row by row; one statement
        // cannot, and keeping only the last row's value would be wrong.
        if (!assigning_.empty() && LowerAscii(tok.text.substr(1)) == assigning_)
            Refuse("SELECT " + tok.text + " = ... reading " + tok.text +
                   " (row-by-row accumulation)");
        std::string type = PgVariableType(Declared(tok), ci_);
        out_.Params.push_back(PgParam::Variable);
        out_.ParamVars.push_back(LowerAscii(tok.text.substr(1)));
        Emit("$" + std::to_string(out_.Params.size()) + (type.empty() ? "" : "::" + type));
    }

    // SELECT @v = expr: the column's value goes to @v.
    void AssignTarget(const Token& tok) {
        Declared(tok);
        out_.AssignTargets.push_back(LowerAscii(tok.text.substr(1)));
        assigning_ = out_.AssignTargets.back();
        ++i_;  // the "="
        itemSimple_ = false;
        itemTokens_ = 2;
    }

    // tempdb..t and tempdb.dbo.t: the session's temporary tables, which live
    // as long as the connection.
    void TempdbName() {
        std::size_t k = i_ + 2;
        if (At(k).IsWord("DBO") && At(k + 1).IsOp("."))
            k += 2;
        else if (At(k).IsOp("."))
            ++k;
        else
            Refuse("names of other databases");
        if (At(k).kind != TokKind::Name && At(k).kind != TokKind::QuotedName)
            Refuse("a tempdb name");
        Emit("pg_temp");
        Emit(".");
        i_ = k;
        Identifier(At(k).text, At(k).kind == TokKind::QuotedName, true);
    }

    // FROM fn(args): a temporary table the runner fills from the function's
    // rows before the statement runs; the arguments are evaluated by a
    // query of their own.
    void TableFunction(const std::string& name) {
        std::size_t close = 0;
        int depth = 0;
        for (std::size_t k = i_ + 1; k < e_ && close == 0; ++k) {
            if (t_[k].IsOp("(")) ++depth;
            if (t_[k].IsOp(")") && --depth == 0) close = k;
        }
        if (close == 0) Refuse("an unclosed parenthesis");
        TableFunctionCall call;
        call.Function = name;
        call.TempName = "ct_fn_" + std::to_string(out_.TableFunctions.size() + 1);
        if (close > i_ + 2) {
            PgStatement args;
            StatementWriter w(t_, i_ + 2, close, ci_, args, vars_);
            w.Run();
            call.ArgsSql = "SELECT " + args.Sql;
            call.ArgParams = ParamRefs(args);
        }
        Emit("pg_temp." + Quoted(call.TempName));
        out_.TableFunctions.push_back(std::move(call));
        i_ = close;
        const Token& next = At(close + 1);
        bool alias = next.IsWord("AS") || next.kind == TokKind::QuotedName ||
                     (next.kind == TokKind::Name && !IsKeyword(LowerAscii(next.text)) &&
                      !next.IsWord("OUTER") && !next.IsWord("APPLY"));
        if (!alias) Emit("AS " + LowerAscii(name));
    }

    void NameToken(const Token& tok) {
        std::string w = LowerAscii(tok.text);
        bool call = At(i_ + 1).IsOp("(");
        if (At(i_ + 1).IsOp(".") && w == "dbo") {
            ++i_;
            return;
        }
        if (w == "tempdb" && At(i_ + 1).IsOp(".")) return TempdbName();
        if (call && FindDBTableFunction(tok.text) != nullptr) return TableFunction(tok.text);
        if (parens_.empty() && w == "from") out_.HasFrom = true;
        if (parens_.empty() && w == "into" && outerSelect_) out_.SelectInto = true;
        if (w == "top") return Top();
        if (w == "collate") return Collate();
        if (w == "autoincrement" && ddl_) return Emit("GENERATED BY DEFAULT AS IDENTITY");
        if (w == "delete" && !At(i_ + 1).IsWord("FROM")) {
            if (FindTopLevel(i_ + 1, "FROM") != e_) Refuse("DELETE name FROM ... on PostgreSQL");
            return Emit("DELETE FROM");
        }
        if (w == "values" && insertState_ >= 2 && parens_.empty()) valuesList_ = true;
        if (parens_.empty() && t_[b_].IsWord("UPDATE")) {
            if (w == "set") setList_ = true;
            if (w == "from" || w == "where") setList_ = false;
        }
        if (w == "insert") {
            insertState_ = 1;
            Emit("INSERT");
            if (!At(i_ + 1).IsWord("INTO")) Emit("INTO");
            return;
        }
        if (w == "order" && At(i_ + 1).IsWord("BY") && parens_.empty()) orderBy_ = true;
        if (w == "like") afterLike_ = true;
        if (w == "as" && InCast() && parens_.back().cut) {
            parens_.back().cut = false;
            return Emit(") AS");  // closes "cut ("
        }
        // Column aliases of the outer select list keep their spelling; table
        // aliases fold like every other name.
        if (w == "as" && !InCast() && selectList_ && parens_.empty()) {
            const Token& next = At(i_ + 1);
            // AS name, AS [name], AS 'name'.
            if (next.kind == TokKind::Name || next.kind == TokKind::QuotedName ||
                next.kind == TokKind::String) {
                aliases_[LowerAscii(next.text)] = next.text;
                Emit("AS " + Quoted(next.text));
                ++i_;
                return;
            }
        }
        if (call && Function(w)) return;
        if ((ddl_ || (InCast() && At(i_ - 1).IsWord("AS"))) && TypeName(w)) return;
        if (w == "identity" && ddl_ && call) {
            SkipParenthesised();
            return Emit("GENERATED BY DEFAULT AS IDENTITY");
        }
        if (IsKeyword(w)) return Emit(tok.text);
        Identifier(tok.text, false);
    }

    // Case-insensitive collations are what citext does; case-sensitive ones
    // have no rewrite that keeps the meaning.
    void Collate() {
        std::string name = LowerAscii(At(i_ + 1).text);
        if (name == "nocase" || name == "database_default" ||
            name.find("_ci_") != std::string::npos) {
            ++i_;
            return;
        }
        Refuse("COLLATE " + At(i_ + 1).text + " on PostgreSQL");
    }

    bool Function(const std::string& w) {
        if (w == "datetime" && ddl_ && At(i_ + 2).Is(TokKind::String) &&
            LowerAscii(At(i_ + 2).text) == "now") {
            // A column default written for the embedded engine: the local clock.
            std::size_t k = i_ + 2;
            while (k < e_ && !t_[k].IsOp(")"))
                ++k;
            i_ = k;
            Emit("CAST(statement_timestamp() AS timestamp(3))");
            return true;
        }
        if (w == "getdate" || w == "current_timestamp") {
            if (!At(i_ + 2).IsOp(")")) Refuse("GetDate with arguments");
            i_ += 2;
            Emit("CAST(statement_timestamp() AS timestamp(3))");
            return true;
        }
        if (w == "scope_identity") {
            i_ += 2;
            Param(PgParam::Identity);
            return true;
        }
        if (w == "isnull") {
            Emit("COALESCE");
            return true;
        }
        if (w == "len") {
            // LEN ignores trailing blanks.
            Emit("length(rtrim");
            pendingParen_.close = "))";
            return true;
        }
        if (w == "cast") {
            CastToText();
            Emit("CAST");
            pendingParen_.cast = true;
            pendingParen_.cut = CastToInteger();
            return true;
        }
        static const char* const kRefused[] = {"convert", "patindex", "stuff", "space", "str"};
        for (const char* r : kRefused)
            if (w == r) Refuse(UpperAscii(w) + " on PostgreSQL");
        return false;
    }

    // CAST(x AS char(n)) pads to n and CAST(x AS varchar(n)) cuts at n; the
    // text columns here have no length, so the length is applied around it.
    void CastToText() {
        int depth = 0;
        std::size_t close = 0;
        for (std::size_t k = i_ + 1; k < e_ && close == 0; ++k) {
            if (t_[k].IsOp("(")) ++depth;
            if (t_[k].IsOp(")") && --depth == 0) close = k;
        }
        if (close < i_ + 6 || !t_[close - 1].IsOp(")") || !t_[close - 2].Is(TokKind::Number) ||
            !t_[close - 3].IsOp("(") || !t_[close - 5].IsWord("AS"))
            return;
        std::string type = LowerAscii(t_[close - 4].text);
        bool fixed = type == "char" || type == "nchar";
        if (!fixed && type != "varchar" && type != "nvarchar") return;
        Emit(fixed ? "rpad (" : "left (");
        pendingParen_.close = ") , " + t_[close - 2].text + " )";
    }

    // CAST(x AS INT) cuts a fraction as SQL Server does where PostgreSQL
    // rounds; the setup's cut() leaves every other type alone. A plain
    // integer literal needs nothing.
    bool CastToInteger() const {
        int depth = 0;
        std::size_t close = 0;
        for (std::size_t k = i_ + 1; k < e_ && close == 0; ++k) {
            if (t_[k].IsOp("(")) ++depth;
            if (t_[k].IsOp(")") && --depth == 0) close = k;
        }
        if (close < i_ + 5 || !t_[close - 2].IsWord("AS")) return false;
        // A lone literal: an integer needs nothing, a text or NULL converts
        // by the cast itself (cut() could not tell its type).
        const Token& only = t_[i_ + 2];
        if (close == i_ + 5 &&
            ((only.Is(TokKind::Number) && only.text.find_first_of(".eE") == std::string::npos) ||
             only.Is(TokKind::String) || only.IsWord("NULL")))
            return false;
        static const char* const kIntegers[] = {"int", "integer", "bigint", "smallint", "tinyint"};
        for (const char* type : kIntegers)
            if (t_[close - 1].IsWord(type)) return true;
        return false;
    }

    bool TypeName(const std::string& w) {
        bool dropsLength = false;
        std::string mapped = MapType(w, ci_, dropsLength);
        if (mapped.empty()) return false;
        if (dropsLength) SkipParenthesised();
        Emit(mapped);
        return true;
    }

    void Top() {
        if (!parens_.empty() || !limit_.empty()) Refuse("TOP inside a subquery");
        // LIMIT would cut the whole union, TOP only its own term.
        for (const char* w : {"UNION", "EXCEPT", "INTERSECT"})
            if (FindTopLevel(b_, w) != e_) Refuse("TOP in a " + std::string(w) + " on PostgreSQL");
        std::size_t k = i_ + 1;
        bool paren = At(k).IsOp("(");
        if (paren) ++k;
        if (!At(k).Is(TokKind::Number)) Refuse("TOP with an expression");
        limit_ = At(k).text;
        if (paren) {
            if (!At(k + 1).IsOp(")")) Refuse("TOP with an expression");
            ++k;
        }
        itemTokens_ = 0;
        if (At(k + 1).IsWord("PERCENT") || At(k + 1).IsWord("WITH"))
            Refuse("TOP PERCENT/WITH TIES");
        i_ = k;
    }

    // Names are folded to lower case, as PostgreSQL folds unquoted names, so
    // that [Name], "Name" and Name all meet the same object; an ORDER BY name
    // that is an alias of this statement keeps the alias's spelling.
    void Identifier(const std::string& name, bool quoted, bool temporary = false) {
        if (afterLike_) Refuse("LIKE with a pattern that is no literal");
        bool qualified = (i_ > b_ && t_[i_ - 1].IsOp(".")) || At(i_ + 1).IsOp(".");
        if (!name.empty() && name[0] == '#' && !qualified) {
            // #t: a temporary table of the session.
            Emit("pg_temp");
            Emit(".");
            temporary = true;
        }
        if (insertState_ == 1) {
            // Temporary tables keep no identity bookkeeping.
            if (!temporary) out_.InsertTable = LowerAscii(name);
            insertState_ = 2;
        } else if (insertState_ == 3 && parens_.size() == 1) {
            out_.InsertColumns.push_back(LowerAscii(name));
        }
        if (orderBy_ && !qualified) {
            auto it = aliases_.find(LowerAscii(name));
            if (it != aliases_.end()) return Emit(Quoted(it->second));
        }
        if (quoted || !IsPlainName(name)) return Emit(Quoted(LowerAscii(name)));
        Emit(LowerAscii(name));
    }

    static bool IsPlainName(const std::string& s) {
        if (s.empty() || std::isdigit(static_cast<unsigned char>(s[0]))) return false;
        for (char c : s)
            if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
        return true;
    }

    static bool IsKeyword(const std::string& w) {
        static const char* const kWords[] = {
            "select",     "from",    "where",  "and",       "or",       "not",        "in",
            "is",         "null",    "like",   "between",   "exists",   "order",      "by",
            "group",      "having",  "asc",    "desc",      "join",     "inner",      "left",
            "right",      "full",    "outer",  "cross",     "on",       "union",      "all",
            "distinct",   "into",    "values", "update",    "set",      "delete",     "create",
            "table",      "drop",    "alter",  "add",       "column",   "primary",    "key",
            "default",    "unique",  "index",  "case",      "when",     "then",       "else",
            "end",        "escape",  "except", "intersect", "truncate", "references", "foreign",
            "constraint", "check",   "count",  "sum",       "min",      "max",        "avg",
            "upper",      "lower",   "ltrim",  "rtrim",     "coalesce", "nullif",     "substring",
            "int",        "integer", "bigint", "smallint",  "decimal",  "numeric",    "date",
            "time",       "with",    "nolock", "if",        "cascade",  "abs",        "round",
            "floor",      "ceiling", "left",   "right"};
        // Asked for every name token: a hash lookup, not a scan of the list.
        static const std::unordered_set<std::string> kSet(std::begin(kWords), std::end(kWords));
        return kSet.count(w) != 0;
    }

    const std::vector<Token>& t_;
    std::size_t b_, e_, i_ = 0;
    bool ci_;
    bool dates_;
    PgStatement& out_;
    const VariableTypes* vars_;
    bool ddl_ = false;
    bool outerSelect_ = false;  // the statement is a SELECT (its list may assign)
    bool orderBy_ = false;
    bool afterLike_ = false;
    bool selectList_ = false;  // in the outer SELECT's list
    int itemTokens_ = 0;
    bool itemSimple_ = true;
    std::string assigning_;  // the variable the current select item assigns
    std::string itemName_;
    bool valuesList_ = false;  // in an INSERT's VALUES
    bool setList_ = false;     // in an UPDATE's SET
    int insertState_ = 0;      // 1 after INSERT, 2 after its table, 3 in its column list
    std::string limit_;
    std::vector<Paren> parens_;
    Paren pendingParen_;
    std::map<std::string, std::string> aliases_;
};

// BEGIN TRAN, COMMIT, ROLLBACK, SET options, PRINT: true when `first` was
// one of them (handled or skipped); refuses the procedural forms.
bool ControlStatement(const std::vector<Token>& t, std::size_t b, std::size_t e,
                      std::vector<PgStatement>& out) {
    const Token& first = t[b];
    auto next = [&](std::size_t k) -> const Token& { return b + k < e ? t[b + k] : t[e]; };
    auto tran = [&](const char* sql) {
        PgStatement s;
        s.kind = PgStatement::Kind::Transaction;
        s.Sql = sql;
        out.push_back(s);
        return true;
    };
    if (first.IsWord("BEGIN")) {
        if (next(1).IsWord("TRAN") || next(1).IsWord("TRANSACTION")) return tran("BEGIN");
        Refuse("BEGIN ... END blocks on PostgreSQL");
    }
    if (first.IsWord("COMMIT")) return tran("COMMIT");
    if (first.IsWord("ROLLBACK")) return tran("ROLLBACK");
    if (first.IsWord("PRINT")) return true;
    if (first.IsWord("SET")) {
        if (next(1).Is(TokKind::Variable)) Refuse("SET @variable on PostgreSQL");
        if (next(1).IsWord("NOCOUNT")) {
            PgStatement s;
            s.kind =
                next(2).IsWord("ON") ? PgStatement::Kind::NoCountOn : PgStatement::Kind::NoCountOff;
            out.push_back(s);
            return true;
        }
        static const char* const kHarmless[] = {"XACT_ABORT", "ANSI_NULLS", "QUOTED_IDENTIFIER",
                                                "ANSI_WARNINGS", "ARITHABORT"};
        for (const char* h : kHarmless)
            if (next(1).IsWord(h)) return true;
        Refuse("SET " + next(1).text);
    }
    static const char* const kQuery[] = {"SELECT", "INSERT", "UPDATE", "DELETE",
                                         "CREATE", "DROP",   "ALTER",  "TRUNCATE"};
    for (const char* q : kQuery)
        if (first.IsWord(q)) return false;
    Refuse(UpperAscii(first.text) + " on PostgreSQL");
}

Token Make(TokKind kind, std::string text) {
    Token t;
    t.kind = kind;
    t.text = std::move(text);
    return t;
}

// to_char patterns of the CONVERT styles for date-times.
const char* StylePattern(const std::string& style) {
    static const std::map<std::string, const char*> kStyles = {
        {"108", "HH24:MI:SS"},
        {"8", "HH24:MI:SS"},
        {"120", "YYYY-MM-DD HH24:MI:SS"},
        {"20", "YYYY-MM-DD HH24:MI:SS"},
        {"121", "YYYY-MM-DD HH24:MI:SS.MS"},
        {"21", "YYYY-MM-DD HH24:MI:SS.MS"},
        {"23", "YYYY-MM-DD"},
        {"112", "YYYYMMDD"},
        {"111", "YYYY/MM/DD"},
        {"101", "MM/DD/YYYY"},
        {"103", "DD/MM/YYYY"},
        {"126", "YYYY-MM-DD\"T\"HH24:MI:SS.MS"}};
    auto it = kStyles.find(style);
    return it == kStyles.end() ? nullptr : it->second;
}

// The date parts DATEADD and DATEDIFF take, by their T-SQL spellings.
const std::map<std::string, const char*>& DateParts() {
    static const std::map<std::string, const char*> kParts = {
        {"year", "year"}, {"yy", "year"},       {"yyyy", "year"},     {"month", "month"},
        {"mm", "month"},  {"m", "month"},       {"week", "week"},     {"wk", "week"},
        {"ww", "week"},   {"day", "day"},       {"dd", "day"},        {"d", "day"},
        {"hour", "hour"}, {"hh", "hour"},       {"minute", "minute"}, {"mi", "minute"},
        {"n", "minute"},  {"second", "second"}, {"ss", "second"},     {"s", "second"}};
    return kParts;
}

// The ")" that closes the call whose "(" is t[open] (0 when none does), and
// the commas between its top-level arguments.
std::size_t CallEnd(const std::vector<Token>& t, std::size_t open,
                    std::vector<std::size_t>& commas) {
    int depth = 0;
    for (std::size_t k = open; k < t.size(); ++k) {
        if (t[k].IsOp("(")) ++depth;
        if (t[k].IsOp(")") && --depth == 0) return k;
        if (depth == 1 && t[k].IsOp(",")) commas.push_back(k);
    }
    return 0;
}

// CONVERT(type, expr) becomes CAST(expr AS type); CONVERT(varchar(n), expr,
// style) of a date-time becomes LEFT(to_char(expr, pattern), n). Done on the
// tokens, before the statement is written, so that expr is rewritten as usual.
void RewriteConvert(std::vector<Token>& t) {
    for (std::size_t i = 0; i + 1 < t.size(); ++i) {
        if (!t[i].IsWord("CONVERT") || !t[i + 1].IsOp("(")) continue;
        std::vector<std::size_t> commas;
        const std::size_t close = CallEnd(t, i + 1, commas);
        if (close == 0 || commas.empty() || commas.size() > 2)
            Refuse("CONVERT with these arguments");
        std::vector<Token> type(t.begin() + static_cast<long>(i + 2),
                                t.begin() + static_cast<long>(commas[0]));
        std::size_t exprEnd = commas.size() == 2 ? commas[1] : close;
        std::vector<Token> expr(t.begin() + static_cast<long>(commas[0] + 1),
                                t.begin() + static_cast<long>(exprEnd));
        if (type.empty() || expr.empty()) Refuse("CONVERT with these arguments");
        std::vector<Token> out;
        if (commas.size() == 2) {
            if (close != commas[1] + 2 || !t[commas[1] + 1].Is(TokKind::Number))
                Refuse("CONVERT with a style that is no number");
            const char* pattern = StylePattern(t[commas[1] + 1].text);
            std::string kind = LowerAscii(type[0].text);
            bool text =
                kind == "varchar" || kind == "nvarchar" || kind == "char" || kind == "nchar";
            if (pattern == nullptr || !text) Refuse("CONVERT style " + t[commas[1] + 1].text);
            std::string length =
                type.size() == 4 && type[2].Is(TokKind::Number) ? type[2].text : "30";
            out = {Make(TokKind::Name, "LEFT"), Make(TokKind::Op, "("),
                   Make(TokKind::Name, "to_char"), Make(TokKind::Op, "(")};
            out.insert(out.end(), expr.begin(), expr.end());
            for (Token x :
                 {Make(TokKind::Op, ","), Make(TokKind::String, pattern), Make(TokKind::Op, ")"),
                  Make(TokKind::Op, ","), Make(TokKind::Number, length), Make(TokKind::Op, ")")})
                out.push_back(x);
        } else {
            out = {Make(TokKind::Name, "CAST"), Make(TokKind::Op, "(")};
            out.insert(out.end(), expr.begin(), expr.end());
            out.push_back(Make(TokKind::Name, "AS"));
            out.insert(out.end(), type.begin(), type.end());
            out.push_back(Make(TokKind::Op, ")"));
        }
        t.erase(t.begin() + static_cast<long>(i), t.begin() + static_cast<long>(close + 1));
        t.insert(t.begin() + static_cast<long>(i), out.begin(), out.end());
    }
}

// DATEADD(part, n, x) becomes (x + (n) * interval '1 part').
void RewriteDateAdd(std::vector<Token>& t) {
    const auto& kParts = DateParts();
    for (std::size_t i = 0; i + 1 < t.size(); ++i) {
        if (!t[i].IsWord("DATEADD") || !t[i + 1].IsOp("(")) continue;
        std::vector<std::size_t> commas;
        const std::size_t close = CallEnd(t, i + 1, commas);
        if (close == 0 || commas.size() != 2 || commas[0] != i + 3)
            Refuse("DATEADD with these arguments");
        auto part = kParts.find(LowerAscii(t[i + 2].text));
        if (part == kParts.end() || commas[1] == commas[0] + 1 || close == commas[1] + 1)
            Refuse("DATEADD with these arguments");
        std::vector<Token> out = {Make(TokKind::Op, "("), Make(TokKind::Op, "(")};
        out.insert(out.end(), t.begin() + static_cast<long>(commas[1] + 1),
                   t.begin() + static_cast<long>(close));
        out.push_back(Make(TokKind::Op, ")"));
        out.push_back(Make(TokKind::Op, "+"));
        out.push_back(Make(TokKind::Op, "("));
        out.insert(out.end(), t.begin() + static_cast<long>(commas[0] + 1),
                   t.begin() + static_cast<long>(commas[1]));
        for (Token x :
             {Make(TokKind::Op, ")"), Make(TokKind::Op, "*"), Make(TokKind::Name, "interval"),
              Make(TokKind::String, std::string("1 ") + part->second), Make(TokKind::Op, ")")})
            out.push_back(x);
        t.erase(t.begin() + static_cast<long>(i), t.begin() + static_cast<long>(close + 1));
        t.insert(t.begin() + static_cast<long>(i), out.begin(), out.end());
    }
}

// DATEDIFF(part, a, b) counts the boundaries of `part` crossed from a to b,
// as SQL Server does: days between the dates, months between the months,
// hours between the truncated hours, and so on.
void RewriteDateDiff(std::vector<Token>& t) {
    const auto& kParts = DateParts();
    auto op = [](const char* s) { return Make(TokKind::Op, s); };
    auto name = [](const char* s) { return Make(TokKind::Name, s); };
    for (std::size_t i = 0; i + 1 < t.size(); ++i) {
        if (!t[i].IsWord("DATEDIFF") || !t[i + 1].IsOp("(")) continue;
        std::vector<std::size_t> commas;
        const std::size_t close = CallEnd(t, i + 1, commas);
        if (close == 0 || commas.size() != 2 || commas[0] != i + 3)
            Refuse("DATEDIFF with these arguments");
        auto part = kParts.find(LowerAscii(t[i + 2].text));
        if (part == kParts.end()) Refuse("DATEDIFF(" + t[i + 2].text + ", ...)");
        if (commas[1] == commas[0] + 1 || close == commas[1] + 1)
            Refuse("DATEDIFF with these arguments");
        std::vector<Token> from(t.begin() + static_cast<long>(commas[0] + 1),
                                t.begin() + static_cast<long>(commas[1]));
        std::vector<Token> to(t.begin() + static_cast<long>(commas[1] + 1),
                              t.begin() + static_cast<long>(close));
        // CAST ( x AS type ); a literal time of day or empty text is read
        // as SQL Server reads it (the setup's datetime_of), not by
        // PostgreSQL's input.
        auto cast = [&](const std::vector<Token>& x, const char* type) {
            std::vector<Token> c = {name("CAST"), op("(")};
            if (x.size() == 1 && x[0].kind == TokKind::String && IsTimeOfDayOrEmpty(x[0].text)) {
                for (Token y : {name("datetime_of"), op("("), x[0], op(")")})
                    c.push_back(y);
            } else {
                c.insert(c.end(), x.begin(), x.end());
            }
            c.push_back(name("AS"));
            c.push_back(name(type));
            c.push_back(op(")"));
            return c;
        };
        // EXTRACT ( field FROM CAST ( x AS timestamp ) )
        auto extract = [&](const char* field, const std::vector<Token>& x) {
            std::vector<Token> c = {name("EXTRACT"), op("("), name(field), name("FROM")};
            std::vector<Token> ts = cast(x, "timestamp");
            c.insert(c.end(), ts.begin(), ts.end());
            c.push_back(op(")"));
            return c;
        };
        std::vector<Token> out = {op("(")};
        auto add = [&](const std::vector<Token>& x) { out.insert(out.end(), x.begin(), x.end()); };
        std::string p = part->second;
        if (p == "week") {
            // Weeks begin on Sunday, as under SQL Server's default DATEFIRST.
            out.push_back(name("datediff_week"));
            out.push_back(op("("));
            add(cast(from, "timestamp"));
            out.push_back(op(","));
            add(cast(to, "timestamp"));
            out.push_back(op(")"));
        } else if (p == "day") {
            add(cast(to, "date"));
            out.push_back(op("-"));
            add(cast(from, "date"));
        } else if (p == "year" || p == "month") {
            out.push_back(op("("));
            add(extract("YEAR", to));
            out.push_back(op("-"));
            add(extract("YEAR", from));
            out.push_back(op(")"));
            if (p == "month") {
                for (Token x : {op("*"), Make(TokKind::Number, "12"), op("+")})
                    out.push_back(x);
                add(extract("MONTH", to));
                out.push_back(op("-"));
                add(extract("MONTH", from));
            }
        } else {
            // Whole units between the truncated times.
            const char* seconds = p == "hour" ? "3600" : p == "minute" ? "60" : "1";
            auto trunc = [&](const std::vector<Token>& x) {
                std::vector<Token> c = {name("date_trunc"), op("("),
                                        Make(TokKind::String, part->second), op(",")};
                std::vector<Token> ts = cast(x, "timestamp");
                c.insert(c.end(), ts.begin(), ts.end());
                c.push_back(op(")"));
                return c;
            };
            for (Token x : {name("FLOOR"), op("("), name("EXTRACT"), op("("), name("EPOCH"),
                            name("FROM"), op("(")})
                out.push_back(x);
            add(trunc(to));
            out.push_back(op("-"));
            add(trunc(from));
            for (Token x : {op(")"), op(")"), op("/"), Make(TokKind::Number, seconds), op(")")})
                out.push_back(x);
        }
        out.push_back(op(")"));
        t.erase(t.begin() + static_cast<long>(i), t.begin() + static_cast<long>(close + 1));
        t.insert(t.begin() + static_cast<long>(i), out.begin(), out.end());
    }
}

// DATEPART(part, x) becomes datepart('part', x as a timestamp), the setup's
// function; a literal that is empty or a time of day reads as SQL Server
// reads it.
void RewriteDatePart(std::vector<Token>& t) {
    static const std::map<std::string, const char*> kParts = {
        {"year", "year"},       {"yy", "year"},    {"yyyy", "year"},
        {"quarter", "quarter"}, {"qq", "quarter"}, {"q", "quarter"},
        {"month", "month"},     {"mm", "month"},   {"m", "month"},
        {"dayofyear", "doy"},   {"dy", "doy"},     {"y", "doy"},
        {"day", "day"},         {"dd", "day"},     {"d", "day"},
        {"week", "week"},       {"wk", "week"},    {"ww", "week"},
        {"weekday", "weekday"}, {"dw", "weekday"}, {"w", "weekday"},
        {"hour", "hour"},       {"hh", "hour"},    {"minute", "minute"},
        {"mi", "minute"},       {"n", "minute"},   {"second", "second"},
        {"ss", "second"},       {"s", "second"},   {"millisecond", "millisecond"},
        {"ms", "millisecond"}};
    for (std::size_t i = 0; i + 1 < t.size(); ++i) {
        if (!t[i].IsWord("DATEPART") || !t[i + 1].IsOp("(")) continue;
        std::vector<std::size_t> commas;
        const std::size_t close = CallEnd(t, i + 1, commas);
        if (close == 0 || commas.size() != 1 || commas[0] != i + 3 || close == commas[0] + 1)
            Refuse("DATEPART with these arguments");
        auto part = kParts.find(LowerAscii(t[i + 2].text));
        if (part == kParts.end()) Refuse("DATEPART(" + t[i + 2].text + ", ...)");
        std::vector<Token> out = {Make(TokKind::Name, "datepart"),     Make(TokKind::Op, "("),
                                  Make(TokKind::String, part->second), Make(TokKind::Op, ","),
                                  Make(TokKind::Name, "CAST"),         Make(TokKind::Op, "(")};
        if (close == commas[0] + 2 && t[close - 1].kind == TokKind::String &&
            IsTimeOfDayOrEmpty(t[close - 1].text)) {
            for (Token x : {Make(TokKind::Name, "datetime_of"), Make(TokKind::Op, "("),
                            t[close - 1], Make(TokKind::Op, ")")})
                out.push_back(x);
        } else {
            out.insert(out.end(), t.begin() + static_cast<long>(commas[0] + 1),
                       t.begin() + static_cast<long>(close));
        }
        for (Token x : {Make(TokKind::Name, "AS"), Make(TokKind::Name, "timestamp"),
                        Make(TokKind::Op, ")"), Make(TokKind::Op, ")")})
            out.push_back(x);
        t.erase(t.begin() + static_cast<long>(i), t.begin() + static_cast<long>(close + 1));
        t.insert(t.begin() + static_cast<long>(i), out.begin(), out.end());
    }
}

// UPDATE t SET ... FROM a INNER JOIN t G ON c1 [INNER JOIN b ON c2] [WHERE w]
// means, in T-SQL, the rows of t that the join finds; PostgreSQL's FROM must
// not name the target again. The target (named by its table or its alias,
// referenced once in FROM) leaves FROM and becomes `UPDATE t AS G`, the
// inner joins become a list and their conditions move into WHERE. False
// (tokens untouched) for any other shape, which the writer then refuses.
bool MoveUpdateTargetOutOfFrom(const std::vector<Token>& t, std::size_t b, std::size_t e,
                               std::vector<Token>& out) {
    auto word = [&](std::size_t k, const char* w) { return k < e && t[k].IsWord(w); };
    auto isName = [&](std::size_t k) {
        return k < e && (t[k].kind == TokKind::Name || t[k].kind == TokKind::QuotedName);
    };
    std::size_t k = b + 1;
    if (word(k, "dbo") && k + 1 < e && t[k + 1].IsOp(".")) k += 2;
    if (!isName(k) || !word(k + 1, "SET")) return false;
    const std::string target = LowerAscii(t[k].text);
    // Top-level FROM and WHERE, and the join keywords between them.
    std::size_t from = e, where = e;
    std::vector<std::size_t> joins;  // the JOIN tokens
    int depth = 0;
    for (std::size_t i = k + 2; i < e; ++i) {
        if (t[i].IsOp("(")) ++depth;
        if (t[i].IsOp(")")) --depth;
        if (depth != 0) continue;
        if (t[i].IsWord("FROM") && from == e) from = i;
        if (from == e) continue;
        if (t[i].IsWord("WHERE")) {
            where = i;
            break;
        }
        for (const char* w : {"LEFT", "RIGHT", "FULL", "CROSS", "OUTER", "APPLY", "WITH"})
            if (t[i].IsWord(w)) return false;
        if (t[i].IsOp(",")) return false;
        if (t[i].IsWord("JOIN")) joins.push_back(i);
    }
    if (from == e) return false;
    // Each source: [start, stop) of its table reference, and its ON condition.
    struct Source {
        std::size_t start, stop, onBegin, onEnd;
    };
    std::vector<Source> sources;
    std::size_t start = from + 1;
    for (std::size_t j = 0; j <= joins.size(); ++j) {
        std::size_t next = j < joins.size() ? joins[j] : where;
        std::size_t refEnd = next;
        if (j < joins.size() && word(next - 1, "INNER")) --refEnd;
        Source src{start, refEnd, refEnd, refEnd};
        for (std::size_t i = start; i < refEnd; ++i)
            if (t[i].IsWord("ON")) {
                src.stop = i;
                src.onBegin = i + 1;
                break;
            }
        sources.push_back(src);
        start = next + 1;
    }
    // The one source that is the target: by its table name or its alias.
    std::size_t found = sources.size();
    std::string alias;
    for (std::size_t s = 0; s < sources.size(); ++s) {
        const Source& src = sources[s];
        std::size_t n = src.start;
        if (word(n, "dbo") && t[n + 1].IsOp(".")) n += 2;
        std::size_t a = n + 1;
        if (n < src.stop && t[n].IsOp("(")) {  // a derived table is never the target
            int level = 0;
            for (a = n; a < src.stop; ++a) {
                if (t[a].IsOp("(")) ++level;
                if (t[a].IsOp(")") && --level == 0) break;
            }
            if (word(a + 1, "AS")) ++a;
            if (a + 2 != src.stop || !isName(a + 1) || LowerAscii(t[a + 1].text) == target)
                return false;
            continue;
        }
        if (!isName(n)) return false;
        // tempdb..x, other.dbo.x: the last part names the table
        bool qualified = false;
        while (n + 2 < src.stop && t[n + 1].IsOp(".")) {
            n += t[n + 2].IsOp(".") ? 3 : 2;
            qualified = true;
        }
        if (!isName(n)) return false;
        a = n + 1;
        if (word(a, "AS")) ++a;
        const bool hasAlias = a < src.stop && isName(a) && a + 1 == src.stop;
        if (!hasAlias && n + 1 != src.stop) return false;
        if (LowerAscii(t[n].text) == target || (hasAlias && LowerAscii(t[a].text) == target)) {
            if (found != sources.size() || qualified) return false;
            found = s;
            alias = hasAlias ? t[a].text : "";
        }
    }
    if (found == sources.size()) return false;
    const Source& tgt = sources[found];
    auto copy = [&](std::size_t from_, std::size_t to) {
        out.insert(out.end(), t.begin() + static_cast<long>(from_),
                   t.begin() + static_cast<long>(to));
    };
    out.clear();
    out.push_back(t[b]);
    std::size_t tableAt = tgt.start;
    if (word(tableAt, "dbo")) tableAt += 2;
    out.push_back(t[tableAt]);
    if (!alias.empty()) {
        out.push_back(Make(TokKind::Name, "AS"));
        out.push_back(Make(TokKind::Name, alias));
    }
    copy(k + 1, from);  // SET ...
    if (sources.size() > 1) out.push_back(t[from]);
    bool first = true;
    std::vector<std::pair<std::size_t, std::size_t>> conditions;
    for (std::size_t s = 0; s < sources.size(); ++s) {
        if (sources[s].onBegin < sources[s].onEnd)
            conditions.emplace_back(sources[s].onBegin, sources[s].onEnd);
        if (s == found) continue;
        if (!first) out.push_back(Make(TokKind::Op, ","));
        first = false;
        copy(sources[s].start, sources[s].stop);
    }
    if (where < e) conditions.emplace_back(where + 1, e);
    for (std::size_t c = 0; c < conditions.size(); ++c) {
        out.push_back(Make(TokKind::Name, c == 0 ? "WHERE" : "AND"));
        out.push_back(Make(TokKind::Op, "("));
        copy(conditions[c].first, conditions[c].second);
        out.push_back(Make(TokKind::Op, ")"));
    }
    out.push_back(Make(TokKind::End, ""));
    return true;
}

// Runs the writer over [b, e), or over the UPDATE reshaped for PostgreSQL.
void WriteStatement(const std::vector<Token>& t, std::size_t b, std::size_t e, bool ci,
                    PgStatement& s, const VariableTypes* vars = nullptr, bool dates = false) {
    std::vector<Token> moved;
    if (t[b].IsWord("UPDATE") && MoveUpdateTargetOutOfFrom(t, b, e, moved))
        StatementWriter(moved, 0, moved.size() - 1, ci, s, vars, dates).Run();
    else
        StatementWriter(t, b, e, ci, s, vars, dates).Run();
}

}  // namespace

bool TranslateBatchToPg(const std::string& tsql, bool textIgnoresCase,
                        std::vector<PgStatement>& out, std::string& error) {
    out.clear();
    std::vector<Token> tokens;
    if (!LexTSql(tsql, tokens, error)) return false;
    try {
        RewriteConvert(tokens);
        RewriteDateAdd(tokens);
        RewriteDateDiff(tokens);
        RewriteDatePart(tokens);
        std::size_t b = 0;
        while (tokens[b].kind != TokKind::End) {
            if (tokens[b].IsOp(";")) {
                ++b;
                continue;
            }
            std::size_t e = TSqlStatementEnd(tokens, b);
            if (e <= b) Refuse("'" + tokens[b].text + "'");
            if (!ControlStatement(tokens, b, e, out)) {
                PgStatement s;
                WriteStatement(tokens, b, e, textIgnoresCase, s);
                out.push_back(std::move(s));
            }
            b = e;
        }
    } catch (const Refused& r) {
        out.clear();
        error = "Unsupported T-SQL construct: " + r.construct;
        return false;
    }
    return true;
}

std::string PgVariableType(const TypeSpec& type, bool textIgnoresCase) {
    switch (type.type) {
        case SqlType::Bit:
            return "smallint";
        case SqlType::Int:
            return "integer";
        case SqlType::BigInt:
            return "bigint";
        case SqlType::Float:
            return "float8";
        case SqlType::Money:
            return "numeric";
        case SqlType::Text:
            return textIgnoresCase ? "citext" : "text";
        case SqlType::Date:
            return "date";
        case SqlType::Time:
            return "time(3)";
        case SqlType::DateTime:
            return "timestamp(3)";
        case SqlType::Binary:
            return "bytea";
        default:
            return "";
    }
}

namespace {

template <typename Fn>
bool Guard(std::string& error, Fn&& fn) {
    try {
        fn();
        return true;
    } catch (const Refused& r) {
        error = "Unsupported T-SQL construct: " + r.construct;
    } catch (const TSqlError& e) {
        error = e.what();
    } catch (const std::exception& e) {
        error = std::string("Translation failed: ") + e.what();
    }
    return false;
}

SqlStatement ToSqlStatement(PgStatement&& s, StatementKind kind) {
    SqlStatement out;
    out.Kind = kind;
    out.Params = ParamRefs(s);
    out.Sql = std::move(s.Sql);
    out.AssignTargets = std::move(s.AssignTargets);
    out.HasFrom = s.HasFrom;
    out.SelectInto = s.SelectInto;
    out.TargetTable = std::move(s.InsertTable);
    out.TargetColumns = std::move(s.InsertColumns);
    out.TableFunctions = std::move(s.TableFunctions);
    return out;
}

// The tokens [begin, end) between `before` and `after`, ending with End.
std::vector<Token> Wrapped(const std::vector<Token>& t, std::size_t begin, std::size_t end,
                           std::initializer_list<Token> before,
                           std::initializer_list<Token> after) {
    std::vector<Token> out(before);
    out.insert(out.end(), t.begin() + static_cast<long>(begin), t.begin() + static_cast<long>(end));
    out.insert(out.end(), after);
    out.push_back(Make(TokKind::End, ""));
    return out;
}

}  // namespace

bool PgStatementTranslator::Prepare(std::vector<Token>& tokens, std::string& error) {
    return Guard(error, [&] {
        RewriteConvert(tokens);
        RewriteDateAdd(tokens);
        RewriteDateDiff(tokens);
        RewriteDatePart(tokens);
    });
}

bool PgStatementTranslator::Statement(const std::vector<Token>& t, std::size_t b, std::size_t e,
                                      const VariableTypes& vars, SqlStatement& out,
                                      std::string& error) {
    return Guard(error, [&] {
        const Token& first = t[b];
        StatementKind kind = StatementKind::Ddl;
        if (first.IsWord("SELECT"))
            kind = StatementKind::Select;
        else if (first.IsWord("INSERT"))
            kind = StatementKind::Insert;
        else if (first.IsWord("UPDATE"))
            kind = StatementKind::Update;
        else if (first.IsWord("DELETE"))
            kind = StatementKind::Delete;
        else if (!first.IsWord("CREATE") && !first.IsWord("DROP") && !first.IsWord("ALTER") &&
                 !first.IsWord("TRUNCATE"))
            Refuse(UpperAscii(first.text) + " on PostgreSQL");
        PgStatement s;
        WriteStatement(t, b, e, ci_, s, &vars, dates_);
        out = ToSqlStatement(std::move(s), kind);
    });
}

bool PgStatementTranslator::Condition(const std::vector<Token>& t, std::size_t b, std::size_t e,
                                      const VariableTypes& vars, SqlStatement& out,
                                      std::string& error) {
    return Guard(error, [&] {
        if (e <= b) Refuse("IF without a condition");
        std::vector<Token> w = Wrapped(
            t, b, e,
            {Make(TokKind::Name, "SELECT"), Make(TokKind::Name, "CASE"),
             Make(TokKind::Name, "WHEN")},
            {Make(TokKind::Name, "THEN"), Make(TokKind::Number, "1"), Make(TokKind::Name, "ELSE"),
             Make(TokKind::Number, "0"), Make(TokKind::Name, "END")});
        PgStatement s;
        StatementWriter(w, 0, w.size() - 1, ci_, s, &vars).Run();
        out = ToSqlStatement(std::move(s), StatementKind::Expression);
    });
}

bool PgStatementTranslator::Expression(const std::vector<Token>& t, std::size_t b, std::size_t e,
                                       const VariableTypes& vars, const TypeSpec& target,
                                       SqlStatement& out, std::string& error) {
    (void)target;  // the runner converts the value to the variable's type
    return Guard(error, [&] {
        if (e <= b) Refuse("an empty expression");
        std::vector<Token> w = Wrapped(t, b, e, {Make(TokKind::Name, "SELECT")}, {});
        PgStatement s;
        StatementWriter(w, 0, w.size() - 1, ci_, s, &vars).Run();
        out = ToSqlStatement(std::move(s), StatementKind::Expression);
    });
}
