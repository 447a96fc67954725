// The script-evaluated queries of ScriptVarList.
#include <memory>
#include <string>

#include "core/log.h"
#include "messaging/scriptfunc.h"
#include "messaging/scriptnode.h"
#include "messaging/scriptvarlist.h"
#include "messaging/vbscript.h"
#include "messaging/vbscriptobjects.h"

namespace {

// Each query gets a fresh engine that sees the list as "VarList", the utility
// functions as "Func" (both with global members) and a "Result" dictionary.
struct Query {
    VBScriptEngine engine;
    std::shared_ptr<VBDictionary> result = std::make_shared<VBDictionary>();

    Query(ScriptVarList* list, const std::shared_ptr<ScriptNode>& gw,
          const std::shared_ptr<ScriptVarList>& gwList) {
        // The query runs inside a member of `list`, which outlives the engine.
        std::shared_ptr<ScriptVarList> self(std::shared_ptr<ScriptVarList>(), list);
        engine.AddObject("VarList", std::make_shared<VBListObject>(self), true);
        engine.AddObject("Func", std::make_shared<ScriptFunc>(), true);
        engine.AddObject("Result", result, false);
        if (gw) engine.AddObject("GW", std::make_shared<VBNodeObject>(gw), true);
        if (gwList) engine.AddObject("GWList", std::make_shared<VBListObject>(gwList), true);
    }
};

std::string OrTrue(const std::string& condition) {
    return condition.empty() ? std::string("True") : condition;
}

const char* const kNL = "\r\n";

std::string SumScript(const std::string& aggregate, const std::string& condition) {
    std::string s;
    s += std::string("dbSum = 0") + kNL;
    s += std::string("i = 0") + kNL;
    s += std::string("While i < VarList.Count") + kNL;
    s += "    If " + condition + " Then  ' Condition" + kNL;
    s += "       dbSum = dbSum + cDbl(" + aggregate + ") ' Agg field" + kNL;
    s += std::string("    End If") + kNL;
    s += std::string("    VarList.MoveNext") + kNL;
    s += std::string("    i = i + 1") + kNL;
    s += std::string("Wend") + kNL;
    s += std::string("Result(\"Sum\") = dbSum") + kNL;
    return s;
}

std::string ExtremeScript(bool max, const std::string& aggregate, const std::string& condition) {
    const std::string v = max ? "dbMax" : "dbMin";
    const std::string cmp = max ? "If dbMax < cDbl(" : "If dbMin > cDbl(";
    const std::string agg = "cDbl(" + aggregate + ")";
    std::string s;
    s += v + " = 0" + kNL;
    s += std::string("blFind = False") + kNL;
    s += std::string("i = 0") + kNL;
    s += std::string("If VarList.Count >= 1 Then") + kNL;
    s += std::string("   While i < VarList.Count And Not blFind") + kNL;
    s += "       If " + condition + " Then  ' Condition" + kNL;
    s += "           " + v + " = " + agg + kNL;
    s += std::string("           blFind = True") + kNL;
    s += std::string("       End If") + kNL;
    s += std::string("       VarList.MoveNext") + kNL;
    s += std::string("       i = i + 1") + kNL;
    s += std::string("   Wend") + kNL;
    s += std::string("   While i < VarList.Count") + kNL;
    s += "       If " + condition + " Then  ' Condition" + kNL;
    s += "           " + cmp + aggregate + ") Then ' Agg field" + kNL;
    s += "               " + v + " = " + agg + " ' Agg field" + kNL;
    s += std::string("           End If") + kNL;
    s += std::string("       End If") + kNL;
    s += std::string("       VarList.MoveNext") + kNL;
    s += std::string("       i = i + 1") + kNL;
    s += std::string("   Wend") + kNL;
    s += std::string("End If") + kNL;
    s += "Result(\"" + std::string(max ? "Max" : "Min") + "\") = " + v + kNL;
    return s;
}

Variant TypeDefault(const std::string& typeCode) {
    if (typeCode == "S") return Variant(std::string());
    if (typeCode == "D") return Variant(std::string("1900-01-01"));
    if (typeCode == "T") return Variant(std::string("00:00:00"));
    if (typeCode == "DT") return Variant(std::string("1900-01-01 00:00:00"));
    return Variant(0);  // "L", "I", "DB" and anything unknown
}

}  // namespace

void ScriptVarList::ScriptFailed(const std::string& procedure, int32_t number,
                                 const std::string& message) {
    errNumber_ = number;
    errMessage_ = message;
    WriteErrLog(number, message, "ScriptVarList", procedure);
}

std::shared_ptr<ScriptVarList> ScriptVarList::GetList(const std::string& condition) {
    try {
        errNumber_ = 0;
        errMessage_.clear();
        Query q(this, nullptr, nullptr);
        int id = q.engine.Compile(OrTrue(condition));
        if (id < 0) {
            ScriptFailed("GetList", q.engine.ErrNumber(), q.engine.ErrMessage());
            return nullptr;
        }
        std::string cols;
        for (std::size_t i = 0; i < columns_.size(); ++i)
            cols += (i ? "," : "") + columns_[i];
        pugi::xml_node el = dom_->Parking().append_child(kElemList);
        el.append_attribute("id").set_value(name_.c_str());
        el.append_attribute("cols").set_value(cols.c_str());
        auto out = std::make_shared<ScriptVarList>(dom_, el, options_, name_, columns_);
        // Matching rows are copied, so this list keeps its rows and markup.
        ScriptOptions lenient{true, true, true, true};
        for (int i = 0; i < Count(); ++i) {
            SetCurrent(i);
            VBValue v;
            bool match = false;
            if (!q.engine.Run(id, v)) {
                ScriptFailed("GetList", q.engine.ErrNumber(), q.engine.ErrMessage());
                return nullptr;
            }
            if (!v.ToBoolean(match)) {
                ScriptFailed("GetList", kVBErrTypeMismatch, "Type mismatch: condition");
                return nullptr;
            }
            if (!match) continue;
            pugi::xml_node copy = el.append_copy(ElementOf(*rows_[static_cast<std::size_t>(i)]));
            auto row = std::make_shared<ScriptNode>(dom_, copy, lenient);
            row->Parse(1);
            row->options_ = options_;
            SetOwner(*row, out.get());
            out->rows_.push_back(std::move(row));
        }
        out->MoveFirst();
        return out;
    } catch (const std::exception& e) {
        ScriptFailed("GetList", kVBErrOutOfMemory, e.what());
        return nullptr;
    }
}

Variant ScriptVarList::GetValue(const std::string& column, const std::string& condition,
                                const std::string& typeCode) {
    try {
        errNumber_ = 0;
        errMessage_.clear();
        Query q(this, nullptr, nullptr);
        int id = q.engine.Compile(OrTrue(condition));
        if (id < 0) {
            ScriptFailed("GetValue", q.engine.ErrNumber(), q.engine.ErrMessage());
            return TypeDefault(typeCode);
        }
        MoveFirst();
        for (int i = 0; i < Count(); ++i) {
            SetCurrent(i);
            VBValue v;
            bool match = false;
            if (!q.engine.Run(id, v)) {
                ScriptFailed("GetValue", q.engine.ErrNumber(), q.engine.ErrMessage());
                return TypeDefault(typeCode);
            }
            if (!v.ToBoolean(match)) {
                ScriptFailed("GetValue", kVBErrTypeMismatch, "Type mismatch: condition");
                return TypeDefault(typeCode);
            }
            if (match) return Variant(Field(column));
        }
    } catch (const std::exception& e) {
        ScriptFailed("GetValue", kVBErrOutOfMemory, e.what());
    }
    return TypeDefault(typeCode);
}

double ScriptVarList::RunSum(const std::string& procedure, const std::string& aggregate,
                             const std::string& condition, const std::shared_ptr<ScriptNode>& gw,
                             const std::shared_ptr<ScriptVarList>& gwList) {
    try {
        errNumber_ = 0;
        errMessage_.clear();
        Query q(this, gw, gwList);
        q.result->Set("Sum", VBValue(0));
        MoveFirst();
        if (!q.engine.Execute(SumScript(aggregate, OrTrue(condition)))) {
            ScriptFailed(procedure, q.engine.ErrNumber(), q.engine.ErrMessage());
            return 0;
        }
        double d = 0;
        return q.result->Get("Sum").ToNumber(d) ? d : 0;
    } catch (const std::exception& e) {
        ScriptFailed(procedure, kVBErrOutOfMemory, e.what());
        return 0;
    }
}

double ScriptVarList::Sum(const std::string& aggregate, const std::string& condition,
                          const std::shared_ptr<ScriptNode>& gw,
                          const std::shared_ptr<ScriptVarList>& gwList) {
    return RunSum("Sum", aggregate, condition, gw, gwList);
}

double ScriptVarList::RunExtreme(const std::string& procedure, bool max,
                                 const std::string& aggregate, const std::string& condition) {
    try {
        errNumber_ = 0;
        errMessage_.clear();
        Query q(this, nullptr, nullptr);
        const char* key = max ? "Max" : "Min";
        q.result->Set(key, VBValue(0));
        MoveFirst();
        if (!q.engine.Execute(ExtremeScript(max, aggregate, OrTrue(condition)))) {
            ScriptFailed(procedure, q.engine.ErrNumber(), q.engine.ErrMessage());
            return 0;
        }
        double d = 0;
        return q.result->Get(key).ToNumber(d) ? d : 0;
    } catch (const std::exception& e) {
        ScriptFailed(procedure, kVBErrOutOfMemory, e.what());
        return 0;
    }
}

double ScriptVarList::Max(const std::string& aggregate, const std::string& condition) {
    return RunExtreme("Max", true, aggregate, condition);
}

double ScriptVarList::Min(const std::string& aggregate, const std::string& condition) {
    return RunExtreme("Min", false, aggregate, condition);
}

// ---- period sums ----

std::string ScriptVarList::YearTerm(int year) {
    return "Var(\"RowYear\")=\"" + std::to_string(year) + "\"";
}

std::string ScriptVarList::MonthTerm(int year, int month) {
    return "(Var(\"RowYear\")=\"" + std::to_string(year) + "\" And Var(\"RowMonth\")=\"" +
           std::to_string(month) + "\")";
}

std::string ScriptVarList::PeriodCondition(const std::string& condition, const std::string& period,
                                           bool wrap) {
    std::string part = wrap ? "(" + period + ")" : period;
    // The caller's condition goes in parentheses: "A Or B" joined bare would
    // read "A Or (B And period)" and count rows of every period.
    return condition.empty() ? part : "(" + condition + ") And " + part;
}

double ScriptVarList::AtYear(const std::string& aggregate, int year, const std::string& condition) {
    return RunSum("AtYear", aggregate, PeriodCondition(condition, YearTerm(year), false), nullptr,
                  nullptr);
}

double ScriptVarList::AtMonth(const std::string& aggregate, int year, int month,
                              const std::string& condition) {
    std::string period = "Var(\"RowYear\")=\"" + std::to_string(year) +
                         "\" And Var(\"RowMonth\")=\"" + std::to_string(month) + "\"";
    return RunSum("AtMonth", aggregate, PeriodCondition(condition, period, false), nullptr,
                  nullptr);
}

double ScriptVarList::RangeSum(const std::string& procedure, const std::string& aggregate,
                               const DateTime& date, int n, int step, bool months,
                               const std::string& condition) {
    // n terms of one year or month each, starting at the date's own period.
    if (n < 1 || n > 9999) {
        ScriptFailed(procedure, kVBErrInvalidCall, "Invalid procedure call or argument: n");
        return 0;
    }
    std::string period;
    for (int i = 0; i < n; ++i) {
        if (i > 0) period += " Or ";
        if (months) {
            DateTime d = date.AddMonths(step * i);
            period += MonthTerm(d.Year, d.Month);
        } else {
            period += YearTerm(date.Year + step * i);
        }
    }
    return RunSum(procedure, aggregate, PeriodCondition(condition, period, true), nullptr, nullptr);
}

double ScriptVarList::AtLastY(const std::string& aggregate, const DateTime& date, int n,
                              const std::string& condition) {
    return RunSum("AtLastY", aggregate, PeriodCondition(condition, YearTerm(date.Year - n), true),
                  nullptr, nullptr);
}

double ScriptVarList::AtNextY(const std::string& aggregate, const DateTime& date, int n,
                              const std::string& condition) {
    return RunSum("AtNextY", aggregate, PeriodCondition(condition, YearTerm(date.Year + n), true),
                  nullptr, nullptr);
}

double ScriptVarList::AtLastM(const std::string& aggregate, const DateTime& date, int n,
                              const std::string& condition) {
    DateTime d = date.AddMonths(-n);
    return RunSum("AtLastM", aggregate,
                  PeriodCondition(condition, MonthTerm(d.Year, d.Month), true), nullptr, nullptr);
}

double ScriptVarList::AtNextM(const std::string& aggregate, const DateTime& date, int n,
                              const std::string& condition) {
    DateTime d = date.AddMonths(n);
    return RunSum("AtNextM", aggregate,
                  PeriodCondition(condition, MonthTerm(d.Year, d.Month), true), nullptr, nullptr);
}

double ScriptVarList::LastY(const std::string& aggregate, const DateTime& date, int n,
                            const std::string& condition) {
    return RangeSum("LastY", aggregate, date, n, -1, false, condition);
}

double ScriptVarList::NextY(const std::string& aggregate, const DateTime& date, int n,
                            const std::string& condition) {
    return RangeSum("NextY", aggregate, date, n, 1, false, condition);
}

double ScriptVarList::LastM(const std::string& aggregate, const DateTime& date, int n,
                            const std::string& condition) {
    return RangeSum("LastM", aggregate, date, n, -1, true, condition);
}

double ScriptVarList::NextM(const std::string& aggregate, const DateTime& date, int n,
                            const std::string& condition) {
    return RangeSum("NextM", aggregate, date, n, 1, true, condition);
}
