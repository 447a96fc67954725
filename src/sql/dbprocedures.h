#pragma once
// Database procedures and table functions (sp_..., fn_...) of the embedded
// engine. Their bodies live "in the database": for SQLite they are C++
// functions registered here under their names, reachable by the SQLDB
// stored-procedure calls, by EXEC in a batch, and (table functions) inside
// statements as FROM fn_Name(args).
//
// NOTE: this header is the agreed interface between the SQL engine and the
// installation database's procedures.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sql/recordset.h"
#include "sql/sqldb.h"
#include "sql/variant.h"

// One argument of a call: the name ("@ReserveNo") when the caller gave one,
// else empty; arguments arrive in the caller's order.
struct ProcedureArg {
    std::string Name;
    Variant Value;
    int Direction = adParamInput;
    // The caller's ADO type code and size (0 when not given): a server that
    // runs the procedure itself declares its output variables with them.
    int Type = 0;
    int32_t Size = 0;
};

struct ProcedureResult {
    std::vector<std::shared_ptr<Recordset>> ResultSets;  // in order
    int64_t ReturnValue = 0;                             // RETURN value
    std::vector<OutputParam> Outputs;                    // output parameters by name
};

// What a procedure may do on the connection it was called on. Statements are
// plain SQLite SQL with ? placeholders (not T-SQL).
class ProcedureContext {
  public:
    virtual ~ProcedureContext() = default;
    virtual std::shared_ptr<Recordset> Query(const std::string& sql,
                                             const std::vector<Variant>& params) = 0;
    virtual bool Execute(const std::string& sql, const std::vector<Variant>& params,
                         int64_t* changes = nullptr) = 0;
    virtual int64_t LastInsertId() = 0;
    virtual std::string LastError() = 0;
};

// Returns false with `error` set when the call fails (the SQLDB call then
// fails with that text).
using DBProcedure = std::function<bool(ProcedureContext& ctx, const std::vector<ProcedureArg>& args,
                                       ProcedureResult& result, std::string& error)>;

// A table function returns rows with fixed columns.
struct DBTableFunction {
    std::vector<std::string> Columns;
    std::function<bool(ProcedureContext& ctx, const std::vector<Variant>& args,
                       std::vector<Recordset::Row>& rows, std::string& error)>
        Body;
};

// Names compare ignoring case; a leading "dbo." is ignored. Registering a
// name again replaces it.
void RegisterDBProcedure(const std::string& name, DBProcedure body);
void RegisterDBTableFunction(const std::string& name, DBTableFunction fn);
const DBProcedure* FindDBProcedure(const std::string& name);
const DBTableFunction* FindDBTableFunction(const std::string& name);

// Runs the registered procedure `name` in `ctx`; no exception escapes. False
// with `error` set when none is registered (`found` false) or when it fails
// (its own text, else the context's last error).
bool RunDBProcedure(const std::string& name, ProcedureContext& ctx,
                    const std::vector<ProcedureArg>& args, ProcedureResult& result, bool& found,
                    std::string& error);
