#include "sql/tsql/tsqlrunner.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>

#include "platform/textutil.h"
#include "sql/sqldecimal.h"

namespace {

const DateTime kBase{1900, 1, 1, 0, 0, 0, 0};

std::string ParamName(const std::string& s) {
    std::string r = LowerName(s);
    while (!r.empty() && r[0] == '@')
        r.erase(0, 1);
    return r;
}

}  // namespace

bool ConvertForAssignment(const Variant& v, const TypeSpec& source, const TypeSpec& target,
                          Variant& out, std::string& error) {
    (void)source;
    if (v.IsNull()) {
        out = Variant();
        return true;
    }
    VarType vt = v.Type();
    auto intFail = [&] {
        error = "Conversion failed when converting the varchar value '" + v.ToText() +
                "' to data type int.";
        return false;
    };
    switch (target.type) {
        case SqlType::Int:
        case SqlType::BigInt: {
            // An INT variable holds 32 bits: a wider value is an overflow.
            auto ranged = [&](long long i, bool fits) {
                if (!fits || (target.type == SqlType::Int && (i < INT32_MIN || i > INT32_MAX))) {
                    error = std::string(
                                "Arithmetic overflow error converting expression to "
                                "data type ") +
                            (target.type == SqlType::Int ? "int." : "bigint.");
                    return false;
                }
                out = Variant(i);
                return true;
            };
            if (vt == VarType::Integer || vt == VarType::Boolean)
                return ranged(vt == VarType::Boolean ? (v.ToBool() ? 1 : 0) : v.ToInt64(), true);
            if (vt == VarType::Double || vt == VarType::Currency) {
                double d = std::trunc(v.ToDouble());
                bool fits = d >= -9223372036854775808.0 && d < 9223372036854775808.0;
                return ranged(fits ? static_cast<long long>(d) : 0, fits);
            }
            if (vt == VarType::Text) {
                std::string t = Trim(v.ToText());
                long long i = 0;
                const char* first = t.data() + (!t.empty() && t[0] == '+' ? 1 : 0);
                auto r = std::from_chars(first, t.data() + t.size(), i);
                if (t.empty() || r.ec != std::errc() || r.ptr != t.data() + t.size())
                    return r.ec == std::errc::result_out_of_range ? ranged(0, false) : intFail();
                return ranged(i, true);
            }
            error = "A date-time or binary value cannot be assigned to an integer variable.";
            return false;
        }
        case SqlType::Bit: {
            if (vt == VarType::Text) {
                std::string t = LowerName(Trim(v.ToText()));
                if (t == "true" || t == "false") {
                    out = Variant(t == "true");
                    return true;
                }
                if (!v.IsNumeric()) return intFail();
            }
            if (!v.IsNumeric()) return intFail();
            out = Variant(v.ToDouble() != 0);
            return true;
        }
        case SqlType::Float:
        case SqlType::Money: {
            bool ok = false;
            double d = v.ToDouble(&ok);
            if (!ok || vt == VarType::Date) return intFail();
            if (IsExactDecimal(target)) {
                // DECIMAL and MONEY variables round to their scale, digit by digit.
                std::optional<SqlDecimal> dec = vt == VarType::Text ? SqlDecimal::Parse(v.ToText())
                                                : vt == VarType::Integer || vt == VarType::Boolean
                                                    ? SqlDecimal::FromInt(v.ToInt64())
                                                    : SqlDecimal::FromDouble(d);
                if (dec) dec = dec->WithScale(target.scale);
                if (!dec || !dec->FitsPrecision(target.precision, target.scale)) {
                    error = "Arithmetic overflow error converting expression to data type numeric.";
                    return false;
                }
                d = dec->ToDouble();
            }
            out = target.type == SqlType::Money ? Variant::Currency(d) : Variant(d);
            return true;
        }
        case SqlType::Text: {
            std::string t;
            if (vt == VarType::Date)
                t = *FormatDateStyle(*v.ToDateTime(), 0);
            else if (vt == VarType::Boolean)
                t = v.ToBool() ? "1" : "0";
            else
                t = v.ToText();
            if (target.length > 0) {
                std::u32string u;
                for (std::size_t p = 0; p < t.size();)
                    u.push_back(NextCodePoint(t, p));
                if (u.size() > static_cast<std::size_t>(target.length)) {
                    u.resize(static_cast<std::size_t>(target.length));
                    t.clear();
                    for (char32_t c : u)
                        AppendUtf8(t, c);
                }
            }
            out = Variant(t);
            return true;
        }
        case SqlType::Date:
        case SqlType::Time:
        case SqlType::DateTime: {
            std::optional<DateTime> d;
            if (vt == VarType::Date)
                d = v.ToDateTime();
            else if (vt == VarType::Text)
                d = ParseDateValue(v.ToText());
            else if (v.IsNumeric()) {
                double days = v.ToDouble();
                double whole = std::floor(days);
                d = kBase.AddDays(static_cast<int64_t>(whole))
                        .AddSeconds(static_cast<int64_t>(std::llround((days - whole) * 86400.0)));
            }
            if (!d) {
                error = "Conversion failed when converting date and/or time from character string.";
                return false;
            }
            if (target.type == SqlType::Date) *d = d->DatePart();
            if (target.type == SqlType::Time) {
                DateTime t = kBase;
                t.Hour = d->Hour;
                t.Minute = d->Minute;
                t.Second = d->Second;
                t.Millisecond = d->Millisecond;
                *d = t;
            }
            out = Variant(*d);
            return true;
        }
        default:
            out = v;
            return true;
    }
}

bool BatchRunner::Run(const Batch& batch, DBError& err) {
    bool ok = Nodes(batch.Nodes);
    if (!ok) err = err_;
    return ok;
}

bool BatchRunner::Fail(int32_t number, const std::string& message) {
    err_.Set(number, message);
    return false;
}

bool BatchRunner::Nodes(const std::vector<BatchNode>& nodes) {
    for (const BatchNode& n : nodes) {
        if (!Node(n)) return false;
        if (stop_) return true;
    }
    return true;
}

bool BatchRunner::Node(const BatchNode& n) {
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
            return exec_.Transaction(n.Statement.Sql, err_);
    }
    return true;
}

std::vector<BoundParam> BatchRunner::Bind(const std::vector<ParamRef>& params) {
    std::vector<BoundParam> bound(params.size());
    for (std::size_t i = 0; i < params.size(); ++i) {
        const ParamRef& r = params[i];
        if (r.Kind == ParamKind::Variable) {
            auto it = vars_.find(r.Name);
            if (it != vars_.end()) bound[i] = {it->second.Value, it->second.TypeSpecOf};
        } else if (r.Kind == ParamKind::RowCount) {
            bound[i].Value = Variant(static_cast<long long>(rowCount_));
        } else if (std::optional<int64_t> id = exec_.Identity()) {
            bound[i].Value = Variant(static_cast<long long>(*id));
        }
    }
    return bound;
}

bool BatchRunner::Evaluate(const SqlStatement& st, Variant& value) {
    return exec_.Evaluate(st, Bind(st.Params), value, err_);
}

bool BatchRunner::Assign(const std::string& var, const Variant& value, const TypeSpec& source) {
    Var& slot = vars_[var];
    std::string error;
    if (!ConvertForAssignment(value, source, slot.TypeSpecOf, slot.Value, error))
        return Fail(kErrSql, error);
    return true;
}

bool BatchRunner::TableFunctions(const SqlStatement& st,
                                 std::vector<const TableFunctionCall*>& made) {
    for (const TableFunctionCall& call : st.TableFunctions) {
        const DBTableFunction* fn = FindDBTableFunction(call.Function);
        if (fn == nullptr) return Fail(kErrSql, "Invalid object name '" + call.Function + "'.");
        std::vector<Variant> args;
        if (!exec_.FunctionArgs(call, Bind(call.ArgParams), args, err_)) return false;
        std::vector<Recordset::Row> rows;
        std::unique_ptr<ProcedureContext> ctx = exec_.FunctionContext();
        std::string error;
        bool ok = false;
        try {
            ok = fn->Body(*ctx, args, rows, error);
        } catch (const std::exception& e) {
            error = e.what();
        }
        if (!ok) return Fail(kErrSql, "Table function " + call.Function + " failed: " + error);
        for (const auto& r : rows)
            if (r.size() != fn->Columns.size())
                return Fail(kErrSql, "Table function " + call.Function + " returned a row of " +
                                         std::to_string(r.size()) + " values for " +
                                         std::to_string(fn->Columns.size()) + " columns.");
        made.push_back(&call);
        if (!exec_.FillFunctionTable(call, fn->Columns, rows, err_)) return false;
    }
    return true;
}

bool BatchRunner::Statement(const SqlStatement& st) {
    std::vector<const TableFunctionCall*> made;
    StatementOutcome outcome;
    bool ok = TableFunctions(st, made) && exec_.Run(st, Bind(st.Params), outcome, err_);
    for (const TableFunctionCall* call : made)
        exec_.DropFunctionTable(*call);
    if (!ok) return false;
    if (outcome.Rows && !st.SelectInto) {
        rowCount_ = outcome.Rows->RecordCount();
        if (st.AssignTargets.empty()) {
            out_.Results.push_back(outcome.Rows);
            return true;
        }
        // SQL Server leaves the variables alone when no row comes back.
        if (rowCount_ > 0) {
            const Recordset::Row& row = outcome.Rows->Rows().back();
            for (std::size_t i = 0; i < st.AssignTargets.size() && i < row.size(); ++i)
                if (!Assign(st.AssignTargets[i], row[i], TypeSpec{})) return false;
        }
        if (st.HasFrom && !noCount_)
            out_.Results.push_back(std::make_shared<Recordset>(Recordset::Closed(rowCount_)));
        return true;
    }
    if (outcome.Changed < 0) {
        rowCount_ = 0;  // DDL and the like
        return true;
    }
    rowCount_ = outcome.Changed;
    if (!st.SelectInto) out_.RecordsAffected += outcome.Changed;
    if (!noCount_)
        out_.Results.push_back(std::make_shared<Recordset>(Recordset::Closed(outcome.Changed)));
    return true;
}

bool BatchRunner::Exec(const BatchNode& n) {
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
    ProcedureResult result;
    std::optional<int64_t> lastCount;
    if (!exec_.CallProcedure(n.Procedure, args, result, lastCount, err_)) return false;
    for (auto& rs : result.ResultSets)
        if (rs) out_.Results.push_back(rs);
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
    if (lastCount) rowCount_ = *lastCount;
    return true;
}
