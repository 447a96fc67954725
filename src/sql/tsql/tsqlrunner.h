#pragma once
// Runs a parsed T-SQL batch over any engine. The procedural part lives here:
// variables and their conversions, @@ROWCOUNT, IF/ELSE, EXEC of database
// procedures (OUTPUT arguments, return value), RETURN, RAISERROR, SET
// NOCOUNT, table functions and the results a batch gives back. An engine
// only runs single translated statements through StatementExecutor.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "sql/dbengine.h"
#include "sql/dbprocedures.h"
#include "sql/tsql/tsqlbatch.h"

// One parameter of a statement: its value and, for a variable, its declared
// type (Unknown for @@ROWCOUNT and @@IDENTITY, which are whole numbers).
struct BoundParam {
    Variant Value;
    TypeSpec Type;
};

// What one statement gave back.
struct StatementOutcome {
    std::shared_ptr<Recordset> Rows;  // a statement that returns rows
    int64_t Changed = -1;             // rows written (INSERT/UPDATE/DELETE/SELECT INTO), else -1
};

class StatementExecutor {
  public:
    virtual ~StatementExecutor() = default;
    // Runs one statement with its parameters in order; false with `err`.
    virtual bool Run(const SqlStatement& st, const std::vector<BoundParam>& params,
                     StatementOutcome& outcome, DBError& err) = 0;
    // A condition's or expression's single value (NULL when no row).
    virtual bool Evaluate(const SqlStatement& st, const std::vector<BoundParam>& params,
                          Variant& value, DBError& err) = 0;
    // The arguments of a table function call (call.ArgsSql's one row).
    virtual bool FunctionArgs(const TableFunctionCall& call, const std::vector<BoundParam>& params,
                              std::vector<Variant>& args, DBError& err) = 0;
    // `verb`: "BEGIN IMMEDIATE", "COMMIT" or "ROLLBACK".
    virtual bool Transaction(const std::string& verb, DBError& err) = 0;
    // @@IDENTITY of the connection; nullopt for NULL.
    virtual std::optional<int64_t> Identity() = 0;
    // Runs a database procedure. `lastCount` receives the row count of the
    // last statement the procedure ran, when it ran any.
    virtual bool CallProcedure(const std::string& name, const std::vector<ProcedureArg>& args,
                               ProcedureResult& result, std::optional<int64_t>& lastCount,
                               DBError& err) = 0;
    // The context a table function's body runs in.
    virtual std::unique_ptr<ProcedureContext> FunctionContext() = 0;
    // Makes the temporary table `call.TempName` holding `rows` under the
    // function's column names, for the one statement that reads it.
    virtual bool FillFunctionTable(const TableFunctionCall& call,
                                   const std::vector<std::string>& columns,
                                   const std::vector<Recordset::Row>& rows, DBError& err) = 0;
    virtual void DropFunctionTable(const TableFunctionCall& call) = 0;
};

class BatchRunner {
  public:
    BatchRunner(StatementExecutor& exec, BatchOutput& out) : exec_(exec), out_(out) {}
    // False with `err` at the first failing statement; what ran before stays.
    bool Run(const Batch& batch, DBError& err);

  private:
    struct Var {
        TypeSpec TypeSpecOf;
        Variant Value;
    };

    bool Nodes(const std::vector<BatchNode>& nodes);
    bool Node(const BatchNode& n);
    bool Statement(const SqlStatement& st);
    bool Evaluate(const SqlStatement& st, Variant& value);
    std::vector<BoundParam> Bind(const std::vector<ParamRef>& params);
    bool TableFunctions(const SqlStatement& st, std::vector<const TableFunctionCall*>& made);
    bool Exec(const BatchNode& n);
    bool Assign(const std::string& var, const Variant& value, const TypeSpec& source);
    bool Fail(int32_t number, const std::string& message);

    StatementExecutor& exec_;
    BatchOutput& out_;
    DBError err_;
    std::unordered_map<std::string, Var> vars_;
    int64_t rowCount_ = 0;
    bool noCount_ = false;
    bool stop_ = false;
};

// Converts a value to a variable's declared type as SQL Server assigns it;
// false with `error` when the value does not convert.
bool ConvertForAssignment(const Variant& value, const TypeSpec& source, const TypeSpec& target,
                          Variant& out, std::string& error);
