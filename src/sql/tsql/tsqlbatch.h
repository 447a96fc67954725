#pragma once
// A T-SQL batch split into statements (T-SQL needs no semicolons: a statement
// begins with its keyword) and the procedural forms around them: DECLARE,
// SET @v, IF ... ELSE, BEGIN ... END, EXEC, RETURN, SET NOCOUNT. The plain
// statements are translated into the engine's dialect as they are read (by
// default SQLite SQL; another engine passes its own StatementTranslator).
#include <memory>
#include <string>
#include <vector>

#include "sql/tsql/tsqltranslator.h"
#include "sql/variant.h"

// One argument of EXEC: a constant or a variable, by name or by position.
struct ExecArg {
    std::string Name;      // "@p" when given as @p = value
    std::string Variable;  // lower-case variable name when the value is a variable
    Variant Value;         // the constant otherwise
    bool Output = false;
    bool Default = false;
};

struct BatchNode {
    enum class Kind : uint8_t {
        Sql,          // Statement
        Declare,      // Var (+ Statement evaluating the initial value when HasValue)
        Set,          // Var = Statement's single value
        If,           // Statement is the condition; Children[0] then, [1] else
        Block,        // Children
        Exec,         // Procedure, Args, Var receives the return value
        Return,       // ends the batch
        NoCount,      // Flag: SET NOCOUNT ON/OFF
        ResetCount,   // PRINT and SET options: @@ROWCOUNT becomes 0
        Raise,        // RAISERROR: Statement yields the message; Flag when severe
        Transaction,  // Statement: BEGIN, COMMIT or ROLLBACK
    };
    Kind kind = Kind::Sql;
    SqlStatement Statement;
    std::string Var;
    TypeSpec VarType;
    bool HasValue = false;
    bool Flag = false;
    std::vector<BatchNode> Children;
    std::string Procedure;
    std::vector<ExecArg> Args;
};

struct Batch {
    std::vector<BatchNode> Nodes;
    bool UsesTempdb = false;
    bool ChangesSchema = false;
};

// Turns the plain parts of a batch into one engine's SQL. Each call gets
// one statement (or condition, or expression) as a token range; variables
// become parameters listed in SqlStatement::Params.
class StatementTranslator {
  public:
    virtual ~StatementTranslator() = default;
    // Rewrites of the whole token list before it is split; false with `error`.
    virtual bool Prepare(std::vector<Token>& tokens, std::string& error) {
        (void)tokens;
        (void)error;
        return true;
    }
    virtual bool Statement(const std::vector<Token>& tokens, std::size_t begin, std::size_t end,
                           const VariableTypes& vars, SqlStatement& out, std::string& error) = 0;
    // A query giving 1 when the condition holds, else 0.
    virtual bool Condition(const std::vector<Token>& tokens, std::size_t begin, std::size_t end,
                           const VariableTypes& vars, SqlStatement& out, std::string& error) = 0;
    // A query giving the expression's value (converted to `target` where the
    // dialect can; the runner converts again on assignment).
    virtual bool Expression(const std::vector<Token>& tokens, std::size_t begin, std::size_t end,
                            const VariableTypes& vars, const TypeSpec& target, SqlStatement& out,
                            std::string& error) = 0;
};

// False with `error` set (naming the construct) when a part cannot be read or
// translated.
bool ParseBatch(const std::string& sql, StatementTranslator& translator, Batch& out,
                std::string& error);
// The same with the SQLite translator over `schema`.
bool ParseBatch(const std::string& sql, SchemaSource& schema, const TranslateOptions& options,
                Batch& out, std::string& error);

// The end of the statement that begins at tokens[begin]: the index of the
// token that starts the next one (or of ';', a closing ')' or the End token).
std::size_t TSqlStatementEnd(const std::vector<Token>& tokens, std::size_t begin);
