#include "sql/sqlite/sqlitebatchrunner.h"

#include <cstdint>

#include "sql/sqlite/sqliteprocedurecontext.h"
#include "sql/sqlite/sqliteshared.h"

namespace {

// The statements of a batch on one SQLite connection, prepared once per
// translation and bound in the storage forms of the variables' types.
class SQLiteExecutor : public StatementExecutor {
  public:
    SQLiteExecutor(SQLiteConnection& c, BatchOutput& out) : c_(c), out_(out) {}

    int32_t StatementError() const override {
        // A violated constraint undid only its statement; inside a
        // transaction the batch still ends (and the transaction rolls back).
        if (sqlite3_get_autocommit(c_.Db()) == 0) return 0;
        return SQLiteConstraintError(c_.LastFailure());
    }

    bool Run(const SqlStatement& st, const std::vector<BoundParam>& params,
             StatementOutcome& outcome, DBError& err) override {
        c_.BeginStatement();
        if (st.SelectInto) return SelectInto(st, params, outcome, err);
        SQLiteConnection::Prepared* p = c_.Prepare(st, err);
        if (p == nullptr) return false;
        if (!Bind(p->Stmt, params, err)) {
            sqlite3_clear_bindings(p->Stmt);
            return false;
        }
        switch (st.Kind) {
            case StatementKind::Select: {
                const bool wantIds = SQLiteWantsRowIds(firstRows_, st);
                std::vector<int64_t> ids;
                if (!c_.ReadAll(*p, outcome.Rows, wantIds ? &ids : nullptr, err)) return false;
                SQLiteKeepRowIds(st, wantIds, std::move(ids), firstRows_, out_);
                return true;
            }
            case StatementKind::Insert:
            case StatementKind::Update:
            case StatementKind::Delete: {
                if (!c_.Run(p->Stmt, err)) return false;
                outcome.Changed = sqlite3_changes64(c_.Db());
                if (st.Kind == StatementKind::Insert) {
                    const TableInfo* info = c_.FindTable(st.TargetSchema, st.TargetTable);
                    bool identity = info != nullptr && info->IdentityColumn >= 0;
                    if (outcome.Changed > 0 && identity)
                        c_.Identity = sqlite3_last_insert_rowid(c_.Db());
                    else
                        c_.Identity.reset();
                }
                return true;
            }
            case StatementKind::Ddl:
                if (!c_.Run(p->Stmt, err)) return false;
                c_.SchemaChanged();
                return true;
            default:
                return c_.Run(p->Stmt, err);
        }
    }

    bool Evaluate(const SqlStatement& st, const std::vector<BoundParam>& params, Variant& value,
                  DBError& err) override {
        c_.BeginStatement();
        SQLiteConnection::Prepared* p = c_.Prepare(st, err);
        if (p == nullptr || !Bind(p->Stmt, params, err)) return false;
        return Step(p->Stmt, err,
                    [&](sqlite3_stmt* s) { value = c_.Column(s, 0, st.ExprType.type); });
    }

    bool FunctionArgs(const TableFunctionCall& call, const std::vector<BoundParam>& params,
                      std::vector<Variant>& args, DBError& err) override {
        SQLiteConnection::Prepared* p = c_.PrepareText(call.ArgsSql, err);
        if (p == nullptr || !Bind(p->Stmt, params, err)) return false;
        return Step(p->Stmt, err, [&](sqlite3_stmt* s) {
            for (int i = 0; i < sqlite3_column_count(s); ++i)
                args.push_back(c_.Column(s, i, SqlType::Unknown));
        });
    }

    bool Transaction(const std::string& verb, DBError& err) override {
        return c_.ExecSimple(verb, err);
    }

    std::optional<int64_t> Identity() override { return c_.Identity; }

    bool CallProcedure(const std::string& name, const std::vector<ProcedureArg>& args,
                       ProcedureResult& result, std::optional<int64_t>& lastCount,
                       DBError& err) override {
        SQLiteProcedureContext ctx(c_);
        c_.BeginStatement();
        if (!CallDBProcedure(c_, name, args, result, ctx, err)) return false;
        for (const auto& rs : result.ResultSets)
            if (rs) firstRows_ = false;
        if (ctx.Ran()) lastCount = ctx.LastCount();
        return true;
    }

    std::unique_ptr<ProcedureContext> FunctionContext() override {
        return std::make_unique<SQLiteProcedureContext>(c_);
    }

    bool FillFunctionTable(const TableFunctionCall& call, const std::vector<std::string>& columns,
                           const std::vector<Recordset::Row>& rows, DBError& err) override {
        if (!c_.ExecSimple("DROP TABLE IF EXISTS temp." + QuoteName(call.TempName), err) ||
            !c_.ExecSimple(SQLiteFunctionTableSql(call.TempName, columns, rows), err))
            return false;
        SQLiteConnection::Prepared* ins =
            c_.PrepareText(SQLiteFunctionRowSql(call.TempName, columns.size()), err);
        if (ins == nullptr) return false;
        for (const auto& r : rows) {
            for (std::size_t i = 0; i < r.size(); ++i)
                if (!c_.Bind(ins->Stmt, static_cast<int>(i) + 1, r[i], SqlType::DateTime, err))
                    return false;
            if (!c_.Run(ins->Stmt, err)) return false;
        }
        return true;
    }

    void DropFunctionTable(const TableFunctionCall& call) override {
        DBError ignored;
        c_.ExecSimple("DROP TABLE IF EXISTS temp." + QuoteName(call.TempName), ignored);
    }

  private:
    bool Bind(sqlite3_stmt* stmt, const std::vector<BoundParam>& params, DBError& err) {
        for (std::size_t i = 0; i < params.size(); ++i) {
            // @@ROWCOUNT, @@IDENTITY and unknown variables bind as numbers do.
            SqlType kind =
                params[i].Type.type == SqlType::Unknown ? SqlType::DateTime : params[i].Type.type;
            if (!c_.Bind(stmt, static_cast<int>(i) + 1, params[i].Value, kind, err)) return false;
        }
        return true;
    }

    // Steps once; `read` sees the row when there is one.
    template <typename Read>
    bool Step(sqlite3_stmt* stmt, DBError& err, Read&& read) {
        int rc = sqlite3_step(stmt);
        if (rc == SQLITE_ROW) read(stmt);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
            c_.SetError(err, rc);
            sqlite3_reset(stmt);
            return false;
        }
        sqlite3_reset(stmt);
        sqlite3_clear_bindings(stmt);
        return true;
    }

    // SELECT ... INTO: a new table with the query's columns, then its rows.
    bool SelectInto(const SqlStatement& st, const std::vector<BoundParam>& params,
                    StatementOutcome& outcome, DBError& err) {
        SQLiteConnection::Prepared* p = c_.Prepare(st, err);
        if (p == nullptr) return false;
        std::string cols, error;
        if (!SQLiteSelectIntoColumns(*p->Fields, cols, error)) {
            err.Set(kErrSql, error);
            return false;
        }
        std::string target = SQLiteTableText(st.TargetSchema, st.TargetTable);
        if (!c_.ExecSimple("CREATE TABLE " + target + " (" + cols + ")", err)) return false;
        c_.SchemaChanged();
        SQLiteConnection::Prepared* ins =
            c_.PrepareText("INSERT INTO " + target + " " + st.Sql, err);
        if (ins == nullptr || !Bind(ins->Stmt, params, err) || !c_.Run(ins->Stmt, err))
            return false;
        outcome.Changed = sqlite3_changes64(c_.Db());
        c_.Identity.reset();
        return true;
    }

    SQLiteConnection& c_;
    BatchOutput& out_;
    bool firstRows_ = true;
};

}  // namespace

bool SQLiteBatchRunner::Run(const Batch& batch, DBError& err) {
    SQLiteExecutor executor(c_, out_);
    return BatchRunner(executor, out_).Run(batch, err);
}
