#include "messaging/vbscript.h"

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <unordered_map>

#include "messaging/vbscriptparser.h"
#include "platform/datetime.h"
#include "platform/textutil.h"

namespace {

struct ScriptFailure {
    VBError error;
};

[[noreturn]] void Throw(int32_t number, std::string message) {
    throw ScriptFailure{{number, std::move(message)}};
}

double Number(const VBValue& v, const char* what) {
    double d = 0;
    if (!v.ToNumber(d)) Throw(kVBErrTypeMismatch, std::string("Type mismatch: ") + what);
    return d;
}

int32_t Long(const VBValue& v, const char* what) {
    // "True"/"False" texts count as booleans in logical operators.
    bool b = false;
    if (v.IsString() && !v.AsString().empty() && v.ToBoolean(b)) {
        double d = 0;
        if (!VBParseNumber(v.AsString(), d)) return b ? -1 : 0;
    }
    int32_t out = 0;
    if (!VBToLong(Number(v, what), out)) Throw(kVBErrOverflow, std::string("Overflow: ") + what);
    return out;
}

bool Truth(const VBValue& v) {
    bool b = false;
    if (!v.ToBoolean(b)) Throw(kVBErrTypeMismatch, "Type mismatch: condition");
    return b;
}

VBValue Checked(double d, const char* what) {
    if (!std::isfinite(d)) Throw(kVBErrOverflow, std::string("Overflow: ") + what);
    return VBValue(d);
}

VBValue Text(std::string s) {
    if (s.size() > VBScriptEngine::kMaxTextLength) Throw(kVBErrOutOfMemory, "Out of memory");
    return VBValue(std::move(s));
}

std::size_t CharCount(const std::string& s) {
    std::size_t n = 0;
    for (unsigned char c : s)
        n += (c & 0xC0) != 0x80;
    return n;
}

int Sign(double a, double b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}

// Comparison as the language does it for variants: numbers with numbers,
// texts with texts; a number against a text converts towards a literal
// operand, and otherwise the number is the smaller.
int Compare(const VBValue& a, const VBValue& b) {
    if (a.IsObject() || b.IsObject()) Throw(kVBErrTypeMismatch, "Type mismatch: comparison");
    if (a.IsEmpty() && b.IsEmpty()) return 0;
    if (a.IsNumericKind() && b.IsNumericKind()) return Sign(Number(a, ""), Number(b, ""));
    if (a.IsString() && b.IsString())
        return a.AsString().compare(b.AsString()) < 0 ? -1 : (a.AsString() == b.AsString() ? 0 : 1);
    if (a.IsEmpty()) return Compare(VBValue(""), b);
    if (b.IsEmpty()) return Compare(a, VBValue(""));
    // One number (or boolean) and one text.
    bool numberFirst = !a.IsString();
    const VBValue& num = numberFirst ? a : b;
    const VBValue& text = numberFirst ? b : a;
    int r = 0;
    if (num.literal) {
        r = Sign(Number(num, "comparison"), Number(text, "comparison"));
    } else if (text.literal) {
        int c = num.ToText().compare(text.AsString());
        r = c < 0 ? -1 : (c > 0 ? 1 : 0);
    } else {
        r = -1;
    }
    return numberFirst ? r : -r;
}

std::optional<DateTime> DateOf(const VBValue& v) {
    if (!v.IsString()) return std::nullopt;
    return DateTime::Parse(v.AsString());
}

using Builtin = std::function<VBValue(std::vector<VBValue>&)>;

void Arity(const std::vector<VBValue>& args, std::size_t n, const char* name) {
    if (args.size() != n) {
        Throw(kVBErrArgCount, std::string("Wrong number of arguments or invalid property "
                                          "assignment: '") +
                                  name + "'");
    }
}

const std::unordered_map<std::string, std::pair<const char*, Builtin>>& Builtins() {
    static const std::unordered_map<std::string, std::pair<const char*, Builtin>> kMap = [] {
        std::unordered_map<std::string, std::pair<const char*, Builtin>> m;
        auto add = [&m](const char* name, Builtin f) {
            m.emplace(LowerAscii(name), std::pair{name, f});
        };
        add("CDbl", [](auto& a) {
            Arity(a, 1, "CDbl");
            return VBValue(Number(a[0], "'CDbl'"));
        });
        add("CLng", [](auto& a) {
            Arity(a, 1, "CLng");
            int32_t v = 0;
            if (!VBToLong(Number(a[0], "'CLng'"), v)) Throw(kVBErrOverflow, "Overflow: 'CLng'");
            return VBValue(static_cast<double>(v));
        });
        add("CInt", [](auto& a) {
            Arity(a, 1, "CInt");
            int32_t v = 0;
            if (!VBToLong(Number(a[0], "'CInt'"), v) || v < -32768 || v > 32767) {
                Throw(kVBErrOverflow, "Overflow: 'CInt'");
            }
            return VBValue(static_cast<double>(v));
        });
        add("CStr", [](auto& a) {
            Arity(a, 1, "CStr");
            if (a[0].IsObject()) Throw(kVBErrTypeMismatch, "Type mismatch: 'CStr'");
            return VBValue(a[0].ToText());
        });
        add("CBool", [](auto& a) {
            Arity(a, 1, "CBool");
            return VBValue(Truth(a[0]));
        });
        add("Len", [](auto& a) {
            Arity(a, 1, "Len");
            return VBValue(static_cast<double>(CharCount(a[0].ToText())));
        });
        add("Trim", [](auto& a) {
            Arity(a, 1, "Trim");
            return VBValue(Trim(a[0].ToText(), " "));
        });
        add("LTrim", [](auto& a) {
            Arity(a, 1, "LTrim");
            return VBValue(TrimLeft(a[0].ToText(), " "));
        });
        add("RTrim", [](auto& a) {
            Arity(a, 1, "RTrim");
            return VBValue(TrimRight(a[0].ToText(), " "));
        });
        add("UCase", [](auto& a) {
            Arity(a, 1, "UCase");
            return VBValue(UpperAscii(a[0].ToText()));
        });
        add("LCase", [](auto& a) {
            Arity(a, 1, "LCase");
            return VBValue(LowerAscii(a[0].ToText()));
        });
        add("Abs", [](auto& a) {
            Arity(a, 1, "Abs");
            return VBValue(std::fabs(Number(a[0], "'Abs'")));
        });
        add("Int", [](auto& a) {
            Arity(a, 1, "Int");
            return VBValue(std::floor(Number(a[0], "'Int'")));
        });
        add("Fix", [](auto& a) {
            Arity(a, 1, "Fix");
            return VBValue(std::trunc(Number(a[0], "'Fix'")));
        });
        add("IsNumeric", [](auto& a) {
            Arity(a, 1, "IsNumeric");
            double d = 0;
            return VBValue(!a[0].IsObject() && a[0].ToNumber(d));
        });
        add("IsEmpty", [](auto& a) {
            Arity(a, 1, "IsEmpty");
            return VBValue(a[0].IsEmpty());
        });
        auto datePart = [&add](const char* name, int DateTime::*part) {
            add(name, [name, part](auto& a) {
                Arity(a, 1, name);
                auto d = DateOf(a[0]);
                if (!d) Throw(kVBErrTypeMismatch, std::string("Type mismatch: '") + name + "'");
                return VBValue(static_cast<double>((*d).*part));
            });
        };
        datePart("Year", &DateTime::Year);
        datePart("Month", &DateTime::Month);
        datePart("Day", &DateTime::Day);
        return m;
    }();
    return kMap;
}

}  // namespace

struct VBScriptEngine::Impl {
    struct Named {
        std::string name;  // lower case
        std::shared_ptr<VBObject> object;
        bool global;
    };

    std::vector<Named> objects;
    std::unordered_map<std::string, VBValue> locals;
    std::vector<std::unique_ptr<VBExpr>> compiled;
    int64_t stepLimit = kDefaultStepLimit;
    int64_t steps = 0;
    int64_t textBudget = kTextBudget;
    std::chrono::steady_clock::time_point deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kDefaultTimeoutMs);
    VBError error;

    // --- bounds ---
    void Tick() {
        ++steps;
        if (steps > stepLimit) Throw(kVBErrTimeout, "Script exceeded its step limit");
        if ((steps & 1023) == 0 && std::chrono::steady_clock::now() > deadline) {
            Throw(kVBErrTimeout, "Script timed out");
        }
    }

    // Counts every text a run builds or stores against the budget.
    void Charge(const VBValue& v) {
        if (!v.IsString()) return;
        textBudget -= static_cast<int64_t>(v.AsString().size());
        if (v.AsString().size() > kMaxTextLength || textBudget < 0) {
            Throw(kVBErrOutOfMemory, "Out of memory");
        }
    }

    template <class F>
    bool Guarded(F&& body) {
        error = {};
        try {
            body();
            return true;
        } catch (const ScriptFailure& f) {
            error = f.error;
        } catch (const std::bad_alloc&) {
            error = {kVBErrOutOfMemory, "Out of memory"};
        } catch (const std::exception& e) {
            error = {kVBErrInvalidCall, e.what()};
        }
        return false;
    }

    const Named* FindNamed(const std::string& name) const {
        for (const auto& n : objects) {
            if (n.name == name) return &n;
        }
        return nullptr;
    }

    // --- statements ---
    void ExecBlock(const VBBlock& block) {
        for (const auto& s : block)
            Exec(s);
    }

    void Exec(const VBStmt& s) {
        Tick();
        switch (s.type) {
            case VBStmt::Type::Assign:
                Assign(*s.target, Eval(*s.expr));
                break;
            case VBStmt::Type::Call:
                Eval(*s.target);
                break;
            case VBStmt::Type::If:
                for (const auto& [cond, body] : s.branches) {
                    if (!cond || Truth(Eval(*cond))) {
                        ExecBlock(body);
                        break;
                    }
                }
                break;
            case VBStmt::Type::While:
                while (Truth(Eval(*s.expr))) {
                    Tick();
                    ExecBlock(s.body);
                }
                break;
            case VBStmt::Type::Dim:
                for (const auto& n : s.names) {
                    if (FindNamed(n)) Throw(kVBErrSyntax, "Name redefined: '" + n + "'");
                    locals.try_emplace(n);
                }
                break;
        }
    }

    void Assign(const VBExpr& target, VBValue value) {
        value.literal = false;
        Charge(value);
        std::vector<VBValue> args = Args(target);
        VBError err;
        if (target.type == VBExpr::Type::Member) {
            VBValue obj = Eval(*target.left);
            if (!obj.IsObject())
                Throw(kVBErrObjectRequired, "Object required: '" + target.name + "'");
            if (!obj.AsObject()->Assign(target.name, args, value, err))
                Throw(err.number, err.message);
            return;
        }
        if (target.type != VBExpr::Type::Name) Throw(kVBErrSyntax, "Illegal assignment");
        auto local = locals.find(target.name);
        if (!target.hasParens) {
            if (FindNamed(target.name))
                Throw(kVBErrSyntax, "Illegal assignment: '" + target.name + "'");
            if (local != locals.end()) {
                local->second = std::move(value);
            } else {
                locals.emplace(target.name, std::move(value));
            }
            return;
        }
        // name(args) = value: the default member of an object.
        std::shared_ptr<VBObject> obj;
        std::string member;
        if (local != locals.end() && local->second.IsObject()) {
            obj = local->second.AsObject();
        } else if (const Named* n = FindNamed(target.name)) {
            obj = n->object;
        } else if (auto g = GlobalOwner(target.name)) {
            obj = g;
            member = target.name;
        }
        if (!obj) Throw(kVBErrTypeMismatch, "Type mismatch: '" + target.name + "'");
        if (!obj->Assign(member, args, value, err)) Throw(err.number, err.message);
    }

    std::shared_ptr<VBObject> GlobalOwner(const std::string& name) const {
        for (const auto& n : objects) {
            if (n.global && n.object->HasMember(name)) return n.object;
        }
        return nullptr;
    }

    // --- expressions ---
    std::vector<VBValue> Args(const VBExpr& e) {
        std::vector<VBValue> args;
        args.reserve(e.args.size());
        for (const auto& a : e.args) {
            VBValue v = Eval(*a);
            v.literal = false;
            args.push_back(std::move(v));
        }
        return args;
    }

    VBValue Call(VBObject& obj, const std::string& member, std::vector<VBValue>& args) {
        VBValue out;
        VBError err;
        if (!obj.Invoke(member, args, out, err)) Throw(err.number, err.message);
        Charge(out);
        out.literal = false;
        return out;
    }

    VBValue Eval(const VBExpr& e) {
        switch (e.type) {
            case VBExpr::Type::Literal:
                return e.value;
            case VBExpr::Type::Name:
                return Name(e);
            case VBExpr::Type::Member: {
                VBValue obj = Eval(*e.left);
                if (!obj.IsObject())
                    Throw(kVBErrObjectRequired, "Object required: '" + e.name + "'");
                std::vector<VBValue> args = Args(e);
                return Call(*obj.AsObject(), e.name, args);
            }
            case VBExpr::Type::Unary:
                return Unary(e.op, Eval(*e.left));
            case VBExpr::Type::Binary: {
                VBValue l = Eval(*e.left);
                VBValue r = Eval(*e.right);
                VBValue v = Binary(e.op, l, r);
                Charge(v);
                return v;
            }
        }
        return {};
    }

    VBValue Name(const VBExpr& e) {
        std::vector<VBValue> args = Args(e);
        auto local = locals.find(e.name);
        if (local != locals.end()) {
            if (!e.hasParens) {
                VBValue v = local->second;
                v.literal = false;
                return v;
            }
            if (local->second.IsObject()) return Call(*local->second.AsObject(), "", args);
            if (args.empty()) return local->second;
            Throw(kVBErrTypeMismatch, "Type mismatch: '" + e.name + "'");
        }
        if (const Named* n = FindNamed(e.name)) {
            if (!e.hasParens) return VBValue(n->object);
            return Call(*n->object, "", args);
        }
        if (auto owner = GlobalOwner(e.name)) return Call(*owner, e.name, args);
        const auto& builtins = Builtins();
        auto b = builtins.find(e.name);
        if (b != builtins.end()) {
            VBValue v = b->second.second(args);
            Charge(v);
            v.literal = false;
            return v;
        }
        if (!e.hasParens) return VBValue();  // a variable never assigned is Empty
        Throw(kVBErrTypeMismatch, "Type mismatch: '" + e.name + "'");
    }

    static VBValue Unary(VBOp op, const VBValue& v) {
        if (op == VBOp::Neg) {
            if (v.IsObject()) Throw(kVBErrTypeMismatch, "Type mismatch: '-'");
            return Checked(-Number(v, "'-'"), "'-'");
        }
        if (v.kind() == VBValue::Kind::Boolean) return VBValue(!v.AsBool());
        bool b = false;
        if (v.IsString() && v.ToBoolean(b)) {
            double d = 0;
            if (!VBParseNumber(v.AsString(), d)) return VBValue(!b);
        }
        return VBValue(static_cast<double>(~Long(v, "'Not'")));
    }

    static VBValue Logical(VBOp op, const VBValue& l, const VBValue& r) {
        auto asBool = [](const VBValue& v, bool& out) {
            if (v.kind() == VBValue::Kind::Boolean) {
                out = v.AsBool();
                return true;
            }
            double d = 0;
            return v.IsString() && v.ToBoolean(out) && !VBParseNumber(v.AsString(), d);
        };
        bool a = false;
        bool b = false;
        if (asBool(l, a) && asBool(r, b)) {
            if (op == VBOp::And) return VBValue(a && b);
            if (op == VBOp::Or) return VBValue(a || b);
            return VBValue(a != b);
        }
        int32_t x = Long(l, "logical operator");
        int32_t y = Long(r, "logical operator");
        int32_t z = op == VBOp::And ? (x & y) : (op == VBOp::Or ? (x | y) : (x ^ y));
        return VBValue(static_cast<double>(z));
    }

    static VBValue Binary(VBOp op, const VBValue& l, const VBValue& r) {
        if (op != VBOp::Eq && op != VBOp::Ne && (l.IsObject() || r.IsObject())) {
            Throw(kVBErrTypeMismatch, "Type mismatch: operand is an object");
        }
        switch (op) {
            case VBOp::Concat:
                return Text(l.ToText() + r.ToText());
            case VBOp::Add:
                if ((l.IsString() || l.IsEmpty()) && (r.IsString() || r.IsEmpty()) &&
                    !(l.IsEmpty() && r.IsEmpty())) {
                    return Text(l.ToText() + r.ToText());
                }
                return Checked(Number(l, "'+'") + Number(r, "'+'"), "'+'");
            case VBOp::Sub:
                return Checked(Number(l, "'-'") - Number(r, "'-'"), "'-'");
            case VBOp::Mul:
                return Checked(Number(l, "'*'") * Number(r, "'*'"), "'*'");
            case VBOp::Div: {
                double d = Number(r, "'/'");
                double n = Number(l, "'/'");
                if (d == 0) Throw(kVBErrDivisionByZero, "Division by zero");
                return Checked(n / d, "'/'");
            }
            case VBOp::Pow:
                return Checked(std::pow(Number(l, "'^'"), Number(r, "'^'")), "'^'");
            case VBOp::IntDiv:
            case VBOp::Mod: {
                int64_t a = Long(l, op == VBOp::Mod ? "'Mod'" : "'\\'");
                int64_t b = Long(r, op == VBOp::Mod ? "'Mod'" : "'\\'");
                if (b == 0) Throw(kVBErrDivisionByZero, "Division by zero");
                int64_t q = op == VBOp::Mod ? a % b : a / b;
                if (q > std::numeric_limits<int32_t>::max()) Throw(kVBErrOverflow, "Overflow");
                return VBValue(static_cast<double>(q));
            }
            case VBOp::Eq:
                return VBValue(Compare(l, r) == 0);
            case VBOp::Ne:
                return VBValue(Compare(l, r) != 0);
            case VBOp::Lt:
                return VBValue(Compare(l, r) < 0);
            case VBOp::Gt:
                return VBValue(Compare(l, r) > 0);
            case VBOp::Le:
                return VBValue(Compare(l, r) <= 0);
            case VBOp::Ge:
                return VBValue(Compare(l, r) >= 0);
            case VBOp::And:
            case VBOp::Or:
            case VBOp::Xor:
                return Logical(op, l, r);
            default:
                break;
        }
        Throw(kVBErrSyntax, "Unknown operator");
    }
};

VBScriptEngine::VBScriptEngine() : impl_(std::make_unique<Impl>()) {}
VBScriptEngine::~VBScriptEngine() = default;

void VBScriptEngine::AddObject(const std::string& name, std::shared_ptr<VBObject> object,
                               bool globalMembers) {
    if (!object) return;
    impl_->objects.push_back({LowerAscii(name), std::move(object), globalMembers});
}

void VBScriptEngine::SetTimeout(int64_t milliseconds) {
    impl_->deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
}

void VBScriptEngine::SetStepLimit(int64_t steps) {
    impl_->stepLimit = steps;
}

bool VBScriptEngine::Execute(std::string_view statements) {
    VBBlock program;
    VBError err;
    if (!VBParseProgram(statements, program, err)) {
        impl_->error = err;
        return false;
    }
    return impl_->Guarded([&] { impl_->ExecBlock(program); });
}

bool VBScriptEngine::Eval(std::string_view expression, VBValue& out) {
    int id = Compile(expression);
    return id >= 0 && Run(id, out);
}

int VBScriptEngine::Compile(std::string_view expression) {
    std::unique_ptr<VBExpr> e;
    VBError err;
    if (!VBParseExpression(expression, e, err)) {
        impl_->error = err;
        return -1;
    }
    impl_->compiled.push_back(std::move(e));
    return static_cast<int>(impl_->compiled.size() - 1);
}

bool VBScriptEngine::Run(int compiled, VBValue& out) {
    if (compiled < 0 || static_cast<std::size_t>(compiled) >= impl_->compiled.size()) {
        impl_->error = {kVBErrInvalidCall, "Invalid procedure call or argument"};
        return false;
    }
    return impl_->Guarded([&] {
        impl_->Tick();
        out = impl_->Eval(*impl_->compiled[static_cast<std::size_t>(compiled)]);
    });
}

VBValue VBScriptEngine::Variable(std::string_view name) const {
    auto it = impl_->locals.find(LowerAscii(std::string(name)));
    return it == impl_->locals.end() ? VBValue() : it->second;
}

int32_t VBScriptEngine::ErrNumber() const {
    return impl_->error.number;
}
const std::string& VBScriptEngine::ErrMessage() const {
    return impl_->error.message;
}
