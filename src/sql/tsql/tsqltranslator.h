#pragma once
// Translation of one T-SQL statement (or condition, or expression) into
// SQLite SQL. The translation keeps SQL Server's meaning: it decides string
// versus numeric "+" from the operand types, normalises date-time literals
// against the columns they meet, converts values written to typed columns,
// and refuses (with the construct's name) whatever it cannot express.
#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "sql/sqltypes.h"
#include "sql/tsql/tsqllexer.h"

struct ColumnInfo {
    std::string Name;
    std::string DeclType;
    TypeSpec Type;
    bool PrimaryKey = false;
};

struct TableInfo {
    std::string Name;
    std::vector<ColumnInfo> Columns;
    int IdentityColumn = -1;  // the INTEGER PRIMARY KEY column (the row id), or -1
    const ColumnInfo* Find(const std::string& name) const;
};

// Where the translator learns column types. Schema is "" (main, or a
// temporary table), "tempdb" or "temp".
class SchemaSource {
  public:
    virtual ~SchemaSource() = default;
    virtual const TableInfo* FindTable(const std::string& schema, const std::string& name) = 0;
};

// The declared types of the batch's variables, by lower-case name without "@".
using VariableTypes = std::unordered_map<std::string, TypeSpec>;

enum class ParamKind : uint8_t { Variable, RowCount, Identity };
struct ParamRef {
    ParamKind Kind = ParamKind::Variable;
    std::string Name;  // lower-case variable name without "@"
};

// FROM fn(args): the arguments are evaluated by ArgsSql (one row), the
// function's rows are put into the temporary table TempName.
struct TableFunctionCall {
    std::string Function;
    std::string TempName;
    std::string ArgsSql;
    std::vector<ParamRef> ArgParams;
};

enum class StatementKind : uint8_t { Select, Insert, Update, Delete, Ddl, Transaction, Expression };

struct SqlStatement {
    uint64_t Id = 0;  // unique per translation, keys prepared statements
    StatementKind Kind = StatementKind::Select;
    std::string Sql;                         // SQLite text with ?1, ?2 ... placeholders
    std::vector<ParamRef> Params;            // what ?1, ?2 ... stand for
    std::vector<std::string> AssignTargets;  // SELECT @a = ..., by output column
    std::vector<TypeSpec> AssignTypes;
    bool HasFrom = false;
    // INSERT: the target (its identity feeds @@IDENTITY); SELECT INTO: the new table.
    std::string TargetSchema;
    std::string TargetTable;
    std::vector<std::string> TargetColumns;  // INSERT: its column list (lower case), if given
    bool SelectInto = false;
    bool UsesTempdb = false;
    bool UpdatableRowid = false;  // column 0 is the row id of BaseTable
    std::string BaseTable;
    std::vector<TableFunctionCall> TableFunctions;
    // Types of expression columns by lower-case output name, for the reader.
    std::vector<std::pair<std::string, TypeSpec>> ColumnHints;
    TypeSpec ExprType;  // StatementKind::Expression: the value's type
};

struct TranslateOptions {
    bool Updatable = false;  // add the row id of a single-table SELECT
};

// [begin, end) must hold exactly one statement. False with `error` naming the
// construct that cannot be translated.
bool TranslateStatement(const std::vector<Token>& tokens, std::size_t begin, std::size_t end,
                        SchemaSource& schema, const VariableTypes& vars,
                        const TranslateOptions& options, SqlStatement& out, std::string& error);
// "SELECT CASE WHEN <condition> THEN 1 ELSE 0 END".
bool TranslateCondition(const std::vector<Token>& tokens, std::size_t begin, std::size_t end,
                        SchemaSource& schema, const VariableTypes& vars, SqlStatement& out,
                        std::string& error);
// "SELECT <expression>" converted to `target` (a variable's type).
bool TranslateExpression(const std::vector<Token>& tokens, std::size_t begin, std::size_t end,
                         SchemaSource& schema, const VariableTypes& vars, const TypeSpec& target,
                         SqlStatement& out, std::string& error);

// Lower-case ASCII copy.
std::string LowerName(const std::string& s);
// "name" with embedded quotes doubled.
std::string QuoteName(const std::string& s);
