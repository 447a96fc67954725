#pragma once
// Runs a parsed T-SQL batch on a SQLite connection: variables, @@ROWCOUNT and
// @@IDENTITY as SQL Server keeps them, IF/ELSE, EXEC of database procedures,
// table functions, SELECT ... INTO, and one result per statement.
#include <string>
#include <unordered_map>

#include "sql/sqlite/sqliteconnection.h"
#include "sql/tsql/tsqlbatch.h"
#include "sql/tsql/tsqlrunner.h"

class SQLiteBatchRunner {
  public:
    SQLiteBatchRunner(SQLiteConnection& c, BatchOutput& out) : c_(c), out_(out) {}
    bool Run(const Batch& batch, DBError& err);

  private:
    struct Var {
        TypeSpec TypeSpecOf;
        Variant Value;
    };

    bool Nodes(const std::vector<BatchNode>& nodes);
    bool Node(const BatchNode& n);
    bool Statement(const SqlStatement& st);
    bool SelectInto(const SqlStatement& st);
    bool Evaluate(const SqlStatement& st, Variant& value);
    bool BindParams(sqlite3_stmt* stmt, const std::vector<ParamRef>& params);
    bool TableFunctions(const SqlStatement& st, std::vector<std::string>& created);
    void DropTemp(const std::vector<std::string>& created);
    bool Exec(const BatchNode& n);
    bool Assign(const std::string& var, const Variant& value, const TypeSpec& source);
    void AddResult(std::shared_ptr<Recordset> rs);
    bool Fail(int32_t number, const std::string& message);

    SQLiteConnection& c_;
    BatchOutput& out_;
    DBError err_;
    std::unordered_map<std::string, Var> vars_;
    int64_t rowCount_ = 0;
    bool noCount_ = false;
    bool stop_ = false;
    bool firstRows_ = true;
};
