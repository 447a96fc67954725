#pragma once
// T-SQL batches rewritten for PostgreSQL, one statement at a time. The
// rewrite works on tokens: quoted names, N'' and binary literals, dbo.
// prefixes, INSERT without INTO, TOP n, IsNull, GetDate(), Len, identity
// columns and the text and date types of CREATE TABLE and CAST; tempdb..t and
// #t name the session's temporary tables (pg_temp). Whatever it cannot carry
// over with the same meaning (other databases, some functions) is refused
// with the construct's name. TranslateBatchToPg refuses the procedural forms;
// PgStatementTranslator gives ParseBatch the statements of a procedural batch,
// variables as typed parameters.
#include <cstdint>
#include <string>
#include <vector>

#include "sql/tsql/tsqlbatch.h"

// Values the engine binds at run time ($1, $2 ... in order).
enum class PgParam : uint8_t { RowCount, Identity, Variable, Error };

struct PgStatement {
    enum class Kind : uint8_t { Query, Transaction, NoCountOn, NoCountOff };
    Kind kind = Kind::Query;
    std::string Sql;
    std::vector<PgParam> Params;
    std::vector<std::string> ParamVars;  // by parameter: the variable's name, else ""
    bool Insert = false;                 // its new identity feeds @@IDENTITY
    // INSERT: the target table and its column list (lower case), so that
    // explicit values of an identity column move its sequence on.
    std::string InsertTable;
    std::vector<std::string> InsertColumns;
    std::vector<std::string> AssignTargets;  // SELECT @a = ...: the variables by column
    bool HasFrom = false;
    bool SelectInto = false;
    std::vector<TableFunctionCall> TableFunctions;
};

// False with `error` set (nothing of the batch may run then).
bool TranslateBatchToPg(const std::string& tsql, bool textIgnoresCase,
                        std::vector<PgStatement>& out, std::string& error);

// The PostgreSQL dialect for ParseBatch: variables become $n parameters cast
// to their declared types, SELECT @v = ... keeps its targets, FROM fn(args)
// reads a temporary table the runner fills.
class PgStatementTranslator : public StatementTranslator {
  public:
    // `textToDates`: the database's setup made text convert to date-times as
    // SQL Server converts it (PgTextConvertsToDates).
    explicit PgStatementTranslator(bool textIgnoresCase, bool textToDates = false)
        : ci_(textIgnoresCase), dates_(textToDates) {}
    bool Prepare(std::vector<Token>& tokens, std::string& error) override;
    bool Statement(const std::vector<Token>& tokens, std::size_t begin, std::size_t end,
                   const VariableTypes& vars, SqlStatement& out, std::string& error) override;
    bool Condition(const std::vector<Token>& tokens, std::size_t begin, std::size_t end,
                   const VariableTypes& vars, SqlStatement& out, std::string& error) override;
    bool Expression(const std::vector<Token>& tokens, std::size_t begin, std::size_t end,
                    const VariableTypes& vars, const TypeSpec& target, SqlStatement& out,
                    std::string& error) override;

  private:
    bool ci_;
    bool dates_;
};

// The PostgreSQL type a variable's parameter is cast to ("" for none).
std::string PgVariableType(const TypeSpec& type, bool textIgnoresCase);
