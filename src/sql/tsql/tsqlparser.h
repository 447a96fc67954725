#pragma once
// The recursive-descent translator behind tsqltranslator.h. Each parse step
// returns the SQLite text of what it read together with what is known of its
// type, so that operators and conversions can be chosen as SQL Server would.
// Parse errors are thrown as TSqlError and caught at the public entry points.
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

#include "sql/tsql/tsqltranslator.h"

struct TSqlError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The number in `text` when it reads fully as one (blanks around allowed, as
// SQL Server converts text), written as a SQL number literal.
bool NumberLiteralText(const std::string& text, std::string& out);
std::string QuoteLiteral(const std::string& value);

// A translated expression.
struct Frag {
    std::string sql;
    TypeSpec typeSpec;
    bool isColumn = false;     // a plain column reference (carries its collation)
    bool isStringLit = false;  // lit holds the value
    bool isNumberLit = false;
    bool isNull = false;
    std::string lit;
    std::string name;  // the column's name, for a plain column reference
    SqlType Type() const { return typeSpec.type; }
};

// A table, derived table or function result visible to expressions.
struct Source {
    std::string alias;  // lower-case alias, or the table name
    std::string table;  // lower-case table name ("" for derived tables)
    const TableInfo* info = nullptr;
    std::vector<std::pair<std::string, TypeSpec>> columns;  // derived tables, functions
    bool Lookup(const std::string& column, TypeSpec& typeSpec) const;
};

struct Scope {
    std::vector<Source> sources;
    const Scope* outer = nullptr;
};

// One item of a FROM list, kept apart for UPDATE/DELETE ... FROM.
struct FromItem {
    std::string join;  // "" first item, ",", "JOIN", "LEFT JOIN", ...
    std::string primary;
    std::string on;  // ON condition text, "" when none
    Source source;
    bool isTable = false;
    std::string tableText;  // the table as written in SQLite SQL
    // A parenthesised join: the tables inside it (already in the scope).
    std::vector<Source> grouped;
};

struct OutColumn {
    std::string name;
    TypeSpec typeSpec;
    bool plainColumn = false;
};

struct QueryText {
    std::string sql;
    std::vector<OutColumn> columns;
    bool hasStar = false;
};

class TSqlParser {
  public:
    TSqlParser(const std::vector<Token>& tokens, std::size_t begin, std::size_t end,
               SchemaSource& schema, const VariableTypes& vars, SqlStatement& out);

    void Statement(const TranslateOptions& options);
    void Condition();
    void Expression(const TypeSpec& target);

    // Expressions (tsqlparser.cpp).
    Frag Expr(const Scope* scope);

  private:
    // Tokens.
    const Token& Peek(std::size_t ahead = 0) const;
    bool AtEnd() const;
    const Token& Take();
    bool Word(const char* w, std::size_t ahead = 0) const { return Peek(ahead).IsWord(w); }
    bool Op(const char* o, std::size_t ahead = 0) const { return Peek(ahead).IsOp(o); }
    bool AcceptWord(const char* w);
    bool AcceptOp(const char* o);
    void ExpectWord(const char* w);
    void ExpectOp(const char* o);
    [[noreturn]] void Fail(const std::string& what) const;
    // Refuses a statement nested deeper than the parser's stack allows.
    void EnterNesting() const;
    [[noreturn]] void Unsupported(const std::string& construct) const;
    std::string Near() const;
    bool IsReserved(const Token& t) const;
    // Index of the first of `stops` at depth 0 from the current position
    // (end_ when none).
    std::size_t FindAtDepth0(const std::vector<const char*>& stops) const;

    // Expression levels.
    Frag Or(const Scope* s);
    Frag And(const Scope* s);
    Frag Not(const Scope* s);
    Frag Predicate(const Scope* s);
    Frag Additive(const Scope* s);
    Frag Multiplicative(const Scope* s);
    Frag Unary(const Scope* s);
    Frag Primary(const Scope* s);
    Frag Postfix(Frag f);
    Frag Compare(Frag l, const std::string& op, Frag r);
    Frag Plus(Frag l, Frag r);
    Frag Arith(Frag l, const std::string& op, Frag r);
    Frag DecimalArith(const Frag& l, const std::string& op, const Frag& r);
    Frag CaseExpr(const Scope* s);
    Frag ColumnRef(const Scope* s);
    Frag Variable();
    Frag SysVariable();
    Frag Subquery(const Scope* s);
    TypeSpec TypeName();
    void AlignForCompare(Frag& l, Frag& r);
    std::string Collation(const std::string& name) const;

    // Functions (tsqlfunctions.cpp).
    Frag FunctionCall(const Scope* s, const std::string& name);
    Frag Convert(const Frag& value, const TypeSpec& target, int style, bool explicitStyle);
    std::vector<Frag> Args(const Scope* s);
    std::string DatePartName();

    // Queries and statements (tsqlstatements.cpp).
    QueryText Query(const Scope* outer, const std::vector<TypeSpec>* coerce, bool topLevel);
    QueryText QueryTerm(const Scope* outer, const std::vector<TypeSpec>* coerce, bool topLevel,
                        bool compound, std::string& limit, std::string& order);
    std::string SelectList(Scope& scope, const std::vector<TypeSpec>* coerce, bool topLevel,
                           QueryText& q);
    std::vector<FromItem> FromList(Scope& scope);
    FromItem TablePrimary(Scope& scope);
    std::string TableName(std::string& schemaOut, std::string& nameOut);
    std::string OrderBy(const Scope* scope);
    std::string RenderFrom(const std::vector<FromItem>& items) const;
    void RefuseGroupedTarget(const std::vector<FromItem>& items, const std::string& target,
                             const std::string& statement) const;
    void SkipTableHints();
    std::string Alias();

    void Select(const TranslateOptions& options);
    void Insert();
    void Update();
    void Delete();
    void Create();
    void Drop();
    void Alter();
    void Truncate();
    std::string ColumnDef(bool& identity, std::string& name);

    // Writing values into typed columns.
    Frag Coerce(Frag f, const TypeSpec& target);
    std::string Param(ParamKind kind, const std::string& name);
    std::string NewTempName();

    const std::vector<Token>& toks_;
    std::size_t pos_;
    int nesting_ = 0;  // expressions, NOT and signs entered and not yet left
    std::size_t end_;
    SchemaSource& schema_;
    const VariableTypes& vars_;
    SqlStatement& out_;
    std::unordered_map<std::string, int> paramIndex_;
    bool wantRowid_ = false;
};
