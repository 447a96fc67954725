#include "sql/sqlite/sqlitebatchrunner.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>

#include "platform/textutil.h"
#include "sql/sqldecimal.h"
#include "sql/sqlite/sqliteprocedurecontext.h"

namespace {

std::string ParamName(const std::string& s) {
    std::string r = LowerName(s);
    while (!r.empty() && r[0] == '@')
        r.erase(0, 1);
    return r;
}

std::string TableText(const std::string& schema, const std::string& name) {
    if (!name.empty() && name[0] == '#') return "temp." + QuoteName(name);
    return schema.empty() ? QuoteName(name) : schema + "." + QuoteName(name);
}

std::string DeclFor(const Variant& v) {
    switch (v.Type()) {
        case VarType::Boolean:
            return "BIT";
        case VarType::Integer:
            return "INT";
        case VarType::Double:
            return "FLOAT";
        case VarType::Currency:
            return "MONEY";
        case VarType::Date:
            return "DATETIME";
        case VarType::Text:
            return "NVARCHAR COLLATE NOCASE";
        case VarType::Binary:
            return "BLOB";
        default:
            return "";
    }
}

}  // namespace

bool SQLiteBatchRunner::Run(const Batch& batch, DBError& err) {
    bool ok = Nodes(batch.Nodes);
    if (!ok) err = err_;
    return ok;
}

bool SQLiteBatchRunner::Fail(int32_t number, const std::string& message) {
    err_.Set(number, message);
    return false;
}

void SQLiteBatchRunner::AddResult(std::shared_ptr<Recordset> rs) {
    out_.Results.push_back(std::move(rs));
}

bool SQLiteBatchRunner::Nodes(const std::vector<BatchNode>& nodes) {
    for (const BatchNode& n : nodes) {
        if (!Node(n)) return false;
        if (stop_) return true;
    }
    return true;
}

bool SQLiteBatchRunner::Node(const BatchNode& n) {
    using K = BatchNode::Kind;
    switch (n.kind) {
        case K::Sql:
            return Statement(n.Statement);
        case K::Declare: {
            vars_[n.Var] = Var{n.VarType, Variant()};
            if (!n.HasValue) return true;
            Variant v;
            if (!Evaluate(n.Statement, v) || !Assign(n.Var, v, n.Statement.ExprType)) return false;
            rowCount_ = 1;
            return true;
        }
        case K::Set: {
            Variant v;
            if (!Evaluate(n.Statement, v)) return false;
            if (!vars_.count(n.Var)) vars_[n.Var] = Var{n.VarType, Variant()};
            if (!Assign(n.Var, v, n.Statement.ExprType)) return false;
            rowCount_ = 1;  // a simple assignment counts one row
            return true;
        }
        case K::If: {
            Variant v;
            if (!Evaluate(n.Statement, v)) return false;
            rowCount_ = 0;  // the IF itself resets @@ROWCOUNT
            if (v.ToInt64() == 1) return Node(n.Children[0]);
            return n.Children.size() > 1 ? Node(n.Children[1]) : true;
        }
        case K::Block:
            return Nodes(n.Children);
        case K::Exec:
            return Exec(n);
        case K::Return:
            stop_ = true;
            return true;
        case K::NoCount:
            noCount_ = n.Flag;
            rowCount_ = 0;
            return true;
        case K::ResetCount:
            rowCount_ = 0;
            return true;
        case K::Raise: {
            Variant v;
            if (!Evaluate(n.Statement, v)) return false;
            rowCount_ = 0;
            return n.Flag ? Fail(kErrSql, v.ToText()) : true;
        }
        case K::Transaction:
            rowCount_ = 0;
            return c_.ExecSimple(n.Statement.Sql, err_);
    }
    return true;
}

bool SQLiteBatchRunner::BindParams(sqlite3_stmt* stmt, const std::vector<ParamRef>& params) {
    for (std::size_t i = 0; i < params.size(); ++i) {
        const ParamRef& r = params[i];
        Variant v;
        SqlType kind = SqlType::DateTime;
        if (r.Kind == ParamKind::Variable) {
            auto it = vars_.find(r.Name);
            if (it != vars_.end()) {
                v = it->second.Value;
                kind = it->second.TypeSpecOf.type;
            }
        } else if (r.Kind == ParamKind::RowCount) {
            v = Variant(static_cast<long long>(rowCount_));
        } else if (c_.Identity) {
            v = Variant(static_cast<long long>(*c_.Identity));
        }
        if (!c_.Bind(stmt, static_cast<int>(i) + 1, v, kind, err_)) return false;
    }
    return true;
}

bool SQLiteBatchRunner::Evaluate(const SqlStatement& st, Variant& value) {
    c_.BeginStatement();
    SQLiteConnection::Prepared* p = c_.Prepare(st, err_);
    if (p == nullptr || !BindParams(p->Stmt, st.Params)) return false;
    int rc = sqlite3_step(p->Stmt);
    value = rc == SQLITE_ROW ? c_.Column(p->Stmt, 0, st.ExprType.type) : Variant();
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
        c_.SetError(err_, rc);
        sqlite3_reset(p->Stmt);
        return false;
    }
    sqlite3_reset(p->Stmt);
    sqlite3_clear_bindings(p->Stmt);
    return true;
}

bool SQLiteBatchRunner::Assign(const std::string& var, const Variant& value,
                               const TypeSpec& source) {
    Var& slot = vars_[var];
    std::string error;
    if (!ConvertForAssignment(value, source, slot.TypeSpecOf, slot.Value, error))
        return Fail(kErrSql, error);
    return true;
}

bool SQLiteBatchRunner::TableFunctions(const SqlStatement& st, std::vector<std::string>& created) {
    for (const TableFunctionCall& call : st.TableFunctions) {
        const DBTableFunction* fn = FindDBTableFunction(call.Function);
        if (fn == nullptr) return Fail(kErrSql, "Invalid object name '" + call.Function + "'.");
        SQLiteConnection::Prepared* p = c_.PrepareText(call.ArgsSql, err_);
        if (p == nullptr || !BindParams(p->Stmt, call.ArgParams)) return false;
        std::vector<Variant> args;
        if (sqlite3_step(p->Stmt) == SQLITE_ROW) {
            for (int i = 0; i < sqlite3_column_count(p->Stmt); ++i)
                args.push_back(c_.Column(p->Stmt, i, SqlType::Unknown));
        }
        sqlite3_reset(p->Stmt);
        sqlite3_clear_bindings(p->Stmt);
        std::vector<Recordset::Row> rows;
        SQLiteProcedureContext ctx(c_);
        std::string error;
        bool ok = false;
        try {
            ok = fn->Body(ctx, args, rows, error);
        } catch (const std::exception& e) {
            error = e.what();
        }
        if (!ok) return Fail(kErrSql, "Table function " + call.Function + " failed: " + error);
        std::string cols;
        for (std::size_t i = 0; i < fn->Columns.size(); ++i) {
            std::string decl;
            for (const auto& r : rows)
                if (i < r.size() && !r[i].IsNull()) {
                    decl = DeclFor(r[i]);
                    break;
                }
            cols += (i ? ", " : "") + QuoteName(fn->Columns[i]) + (decl.empty() ? "" : " " + decl);
        }
        std::string table = "temp." + QuoteName(call.TempName);
        created.push_back(table);
        if (!c_.ExecSimple("DROP TABLE IF EXISTS " + table, err_) ||
            !c_.ExecSimple("CREATE TEMP TABLE " + QuoteName(call.TempName) + " (" + cols + ")",
                           err_))
            return false;
        std::string marks;
        for (std::size_t i = 0; i < fn->Columns.size(); ++i)
            marks += i ? ", ?" : "?";
        SQLiteConnection::Prepared* ins =
            c_.PrepareText("INSERT INTO " + table + " VALUES (" + marks + ")", err_);
        if (ins == nullptr) return false;
        for (const auto& r : rows) {
            if (r.size() != fn->Columns.size())
                return Fail(kErrSql, "Table function " + call.Function + " returned a row of " +
                                         std::to_string(r.size()) + " values for " +
                                         std::to_string(fn->Columns.size()) + " columns.");
            for (std::size_t i = 0; i < r.size(); ++i)
                if (!c_.Bind(ins->Stmt, static_cast<int>(i) + 1, r[i], SqlType::DateTime, err_))
                    return false;
            if (!c_.Run(ins->Stmt, err_)) return false;
        }
    }
    return true;
}

void SQLiteBatchRunner::DropTemp(const std::vector<std::string>& created) {
    DBError ignored;
    for (const auto& t : created)
        c_.ExecSimple("DROP TABLE IF EXISTS " + t, ignored);
}

bool SQLiteBatchRunner::Statement(const SqlStatement& st) {
    c_.BeginStatement();
    if (st.SelectInto) return SelectInto(st);
    std::vector<std::string> temps;
    bool ok = TableFunctions(st, temps);
    SQLiteConnection::Prepared* p = ok ? c_.Prepare(st, err_) : nullptr;
    ok = p != nullptr && BindParams(p->Stmt, st.Params);
    if (ok) {
        switch (st.Kind) {
            case StatementKind::Select: {
                bool wantIds = firstRows_ && st.UpdatableRowid && st.AssignTargets.empty();
                std::shared_ptr<Recordset> rs;
                std::vector<int64_t> ids;
                ok = c_.ReadAll(*p, rs, wantIds ? &ids : nullptr, err_);
                if (!ok) break;
                rowCount_ = rs->RecordCount();
                if (!st.AssignTargets.empty()) {
                    // SQL Server leaves the variables alone when no row comes back.
                    if (rs->RecordCount() > 0) {
                        const auto& row = rs->Rows().back();
                        for (std::size_t i = 0; ok && i < st.AssignTargets.size(); ++i)
                            ok = Assign(st.AssignTargets[i], row[i], TypeSpec{});
                    }
                    if (st.HasFrom && !noCount_)
                        AddResult(std::make_shared<Recordset>(Recordset::Closed(rowCount_)));
                    break;
                }
                if (wantIds) {
                    out_.HasRowIds = true;
                    out_.RowIds = std::move(ids);
                    out_.BaseTable = st.BaseTable;
                }
                firstRows_ = false;
                AddResult(rs);
                break;
            }
            case StatementKind::Insert:
            case StatementKind::Update:
            case StatementKind::Delete: {
                ok = c_.Run(p->Stmt, err_);
                if (!ok) break;
                int64_t n = sqlite3_changes64(c_.Db());
                rowCount_ = n;
                out_.RecordsAffected += n;
                if (st.Kind == StatementKind::Insert) {
                    const TableInfo* info = c_.FindTable(st.TargetSchema, st.TargetTable);
                    bool identity = info != nullptr && info->IdentityColumn >= 0;
                    if (n > 0 && identity)
                        c_.Identity = sqlite3_last_insert_rowid(c_.Db());
                    else
                        c_.Identity.reset();
                }
                if (!noCount_) AddResult(std::make_shared<Recordset>(Recordset::Closed(n)));
                break;
            }
            case StatementKind::Ddl:
                ok = c_.Run(p->Stmt, err_);
                rowCount_ = 0;
                if (ok) c_.SchemaChanged();
                break;
            default:
                ok = c_.Run(p->Stmt, err_);
                break;
        }
    } else if (p != nullptr) {
        sqlite3_clear_bindings(p->Stmt);
    }
    DropTemp(temps);
    return ok;
}

bool SQLiteBatchRunner::SelectInto(const SqlStatement& st) {
    std::vector<std::string> temps;
    if (!TableFunctions(st, temps)) return false;
    SQLiteConnection::Prepared* p = c_.Prepare(st, err_);
    if (p == nullptr) {
        DropTemp(temps);
        return false;
    }
    std::string cols;
    for (const FieldInfo& f : *p->Fields) {
        if (f.Name.empty()) {
            DropTemp(temps);
            return Fail(kErrSql,
                        "An object or column name is missing or empty in SELECT ... INTO.");
        }
        TypeSpec typeSpec = ParseTypeName(f.DeclaredType);
        cols += (cols.empty() ? "" : ", ") + QuoteName(f.Name) + " " + f.DeclaredType +
                (typeSpec.type == SqlType::Text ? " COLLATE NOCASE" : "");
    }
    std::string target = TableText(st.TargetSchema, st.TargetTable);
    bool ok = c_.ExecSimple("CREATE TABLE " + target + " (" + cols + ")", err_);
    if (ok) {
        c_.SchemaChanged();
        SQLiteConnection::Prepared* ins =
            c_.PrepareText("INSERT INTO " + target + " " + st.Sql, err_);
        ok = ins != nullptr && BindParams(ins->Stmt, st.Params) && c_.Run(ins->Stmt, err_);
        if (ok) {
            rowCount_ = sqlite3_changes64(c_.Db());
            c_.Identity.reset();
            if (!noCount_) AddResult(std::make_shared<Recordset>(Recordset::Closed(rowCount_)));
        }
    }
    DropTemp(temps);
    return ok;
}

bool SQLiteBatchRunner::Exec(const BatchNode& n) {
    std::vector<ProcedureArg> args;
    for (const ExecArg& a : n.Args) {
        if (a.Default) continue;
        ProcedureArg pa;
        pa.Name = a.Name;
        pa.Direction = a.Output ? adParamInputOutput : adParamInput;
        if (a.Variable.empty()) {
            pa.Value = a.Value;
        } else {
            auto it = vars_.find(a.Variable);
            if (it != vars_.end()) pa.Value = it->second.Value;
        }
        args.push_back(std::move(pa));
    }
    SQLiteProcedureContext ctx(c_);
    ProcedureResult result;
    c_.BeginStatement();
    if (!CallDBProcedure(c_, n.Procedure, args, result, ctx, err_)) return false;
    for (auto& rs : result.ResultSets) {
        if (!rs) continue;
        firstRows_ = false;
        AddResult(rs);
    }
    std::size_t k = 0;
    for (const ExecArg& a : n.Args) {
        if (!a.Output) continue;
        const OutputParam* found = nullptr;
        if (!a.Name.empty()) {
            for (const auto& o : result.Outputs)
                if (ParamName(o.Name) == ParamName(a.Name)) found = &o;
        } else if (k < result.Outputs.size()) {
            found = &result.Outputs[k];
        }
        ++k;
        if (found != nullptr && !Assign(a.Variable, found->Value, TypeSpec{})) return false;
    }
    if (!n.Var.empty() &&
        !Assign(n.Var, Variant(static_cast<long long>(result.ReturnValue)), TypeSpec{}))
        return false;
    // EXEC keeps @@ROWCOUNT; the procedure's own statements set it.
    if (ctx.Ran()) rowCount_ = ctx.LastCount();
    return true;
}
