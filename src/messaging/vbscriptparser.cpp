#include "messaging/vbscriptparser.h"

#include <algorithm>
#include <initializer_list>

#include "messaging/vbscriptlexer.h"

namespace {

struct ParseFailure {
    std::string message;
    int line;
};

bool IsReserved(const std::string& w) {
    static constexpr std::string_view kWords[] = {
        "and", "call",    "dim",  "else", "elseif", "empty", "end",  "false", "if",    "is",  "mod",
        "not", "nothing", "null", "or",   "set",    "then",  "true", "wend",  "while", "xor",
    };
    return std::find(std::begin(kWords), std::end(kWords), w) != std::end(kWords);
}

class Parser {
  public:
    explicit Parser(std::vector<VBToken> tokens) : t_(std::move(tokens)) {}

    VBBlock Program() {
        VBBlock block = Block({}, 0);
        if (!AtEnd()) Fail("Expected statement");
        return block;
    }

    std::unique_ptr<VBExpr> WholeExpression() {
        SkipNewlines();
        auto e = Expr();
        SkipNewlines();
        if (!AtEnd()) Fail("Expected end of expression");
        return e;
    }

  private:
    using ExprPtr = std::unique_ptr<VBExpr>;

    // --- tokens ---
    const VBToken& Peek(std::size_t ahead = 0) const {
        return t_[std::min(p_ + ahead, t_.size() - 1)];
    }
    bool AtEnd() const { return Peek().type == VBToken::Type::End; }
    bool IsOp(const char* op, std::size_t ahead = 0) const {
        return Peek(ahead).type == VBToken::Type::Op && Peek(ahead).text == op;
    }
    bool IsWord(const char* w, std::size_t ahead = 0) const {
        return Peek(ahead).type == VBToken::Type::Ident && Peek(ahead).text == w;
    }
    bool IsLineEnd() const { return Peek().type == VBToken::Type::Newline || AtEnd() || IsOp(":"); }
    [[noreturn]] void Fail(const std::string& message) const {
        throw ParseFailure{message, Peek().line};
    }
    void ExpectOp(const char* op) {
        if (!IsOp(op)) Fail(std::string("Expected '") + op + "'");
        ++p_;
    }
    void ExpectWord(const char* w) {
        if (!IsWord(w)) Fail(std::string("Expected '") + w + "'");
        ++p_;
    }
    void SkipNewlines() {
        while (Peek().type == VBToken::Type::Newline || IsOp(":"))
            ++p_;
    }

    // --- statements ---
    // Statements up to one of `stops` (not consumed) or the end.
    VBBlock Block(std::initializer_list<const char*> stops, int depth) {
        if (depth > kVBMaxBlockDepth) Fail("Blocks nested too deeply");
        VBBlock block;
        for (;;) {
            SkipNewlines();
            if (AtEnd()) {
                if (stops.size() != 0) Fail(std::string("Expected '") + *stops.begin() + "'");
                return block;
            }
            for (const char* s : stops) {
                if (IsWord(s)) return block;
            }
            block.push_back(Statement(depth));
            if (!IsLineEnd()) Fail("Expected end of statement");
        }
    }

    VBStmt Statement(int depth) {
        int line = Peek().line;
        VBStmt s;
        s.line = line;
        if (IsWord("if")) return If(depth);
        if (IsWord("while")) {
            ++p_;
            s.type = VBStmt::Type::While;
            s.expr = Expr();
            s.body = Block({"wend"}, depth + 1);
            ExpectWord("wend");
            return s;
        }
        if (IsWord("dim")) {
            ++p_;
            s.type = VBStmt::Type::Dim;
            do {
                if (Peek().type != VBToken::Type::Ident || IsReserved(Peek().text)) {
                    Fail("Expected identifier");
                }
                s.names.push_back(Peek().text);
                ++p_;
            } while (IsOp(",") && (++p_, true));
            return s;
        }
        bool isSet = false;
        if (IsWord("call")) {
            ++p_;
        } else if (IsWord("set")) {
            ++p_;
            isSet = true;
        }
        s.target = Postfix();
        if (IsOp("=")) {
            ++p_;
            s.type = VBStmt::Type::Assign;
            s.expr = Expr();
            return s;
        }
        if (isSet) Fail("Expected '='");
        s.type = VBStmt::Type::Call;
        // Arguments without parentheses: "obj.Method a, b".
        if (!IsLineEnd() && !IsWord("else")) {
            if (s.target->hasParens) Fail("Expected end of statement");
            do {
                s.target->args.push_back(Expr());
            } while (IsOp(",") && (++p_, true));
            s.target->hasParens = true;
        }
        return s;
    }

    VBStmt If(int depth) {
        VBStmt s;
        s.type = VBStmt::Type::If;
        s.line = Peek().line;
        ++p_;
        auto cond = Expr();
        ExpectWord("then");
        if (Peek().type != VBToken::Type::Newline && !AtEnd()) {
            // One-line form: If c Then a : b Else d
            s.branches.emplace_back(std::move(cond), InlineStatements(depth));
            if (IsWord("else")) {
                ++p_;
                s.branches.emplace_back(nullptr, InlineStatements(depth));
            }
            return s;
        }
        s.branches.emplace_back(std::move(cond), Block({"elseif", "else", "end"}, depth + 1));
        while (IsWord("elseif")) {
            ++p_;
            auto c = Expr();
            ExpectWord("then");
            s.branches.emplace_back(std::move(c), Block({"elseif", "else", "end"}, depth + 1));
        }
        if (IsWord("else")) {
            ++p_;
            s.branches.emplace_back(nullptr, Block({"end"}, depth + 1));
        }
        ExpectWord("end");
        ExpectWord("if");
        return s;
    }

    VBBlock InlineStatements(int depth) {
        if (depth > kVBMaxBlockDepth) Fail("Blocks nested too deeply");
        VBBlock block;
        for (;;) {
            if (IsWord("if")) Fail("Nested one-line If is not supported");
            block.push_back(Statement(depth + 1));
            if (IsOp(":") && !(Peek(1).type == VBToken::Type::Newline)) {
                ++p_;
                continue;
            }
            return block;
        }
    }

    // --- expressions, loosest binding first ---
    ExprPtr Make(VBExpr::Type type, VBOp op, ExprPtr l, ExprPtr r, int line) {
        auto e = std::make_unique<VBExpr>();
        e->type = type;
        e->op = op;
        e->line = line;
        int d = 0;
        if (l) d = l->depth;
        if (r) d = std::max(d, r->depth);
        e->depth = d + 1;
        if (e->depth > kVBMaxExprDepth) Fail("Expression too complex");
        e->left = std::move(l);
        e->right = std::move(r);
        return e;
    }

    ExprPtr Expr() { return Xor(); }

    template <class Next>
    ExprPtr LeftChain(Next next, std::initializer_list<std::pair<const char*, VBOp>> ops,
                      bool words) {
        ExprPtr l = (this->*next)();
        for (;;) {
            bool matched = false;
            for (const auto& [text, op] : ops) {
                if (words ? IsWord(text) : IsOp(text)) {
                    int line = Peek().line;
                    ++p_;
                    ExprPtr r = (this->*next)();
                    l = Make(VBExpr::Type::Binary, op, std::move(l), std::move(r), line);
                    matched = true;
                    break;
                }
            }
            if (!matched) return l;
        }
    }

    ExprPtr Xor() { return LeftChain(&Parser::Or, {{"xor", VBOp::Xor}}, true); }
    ExprPtr Or() { return LeftChain(&Parser::And, {{"or", VBOp::Or}}, true); }
    ExprPtr And() { return LeftChain(&Parser::Not, {{"and", VBOp::And}}, true); }
    ExprPtr Not() {
        if (IsWord("not")) {
            int line = Peek().line;
            ++p_;
            Guard guard(*this);
            return Make(VBExpr::Type::Unary, VBOp::Not, Not(), nullptr, line);
        }
        return Compare();
    }
    ExprPtr Compare() {
        return LeftChain(&Parser::Concat,
                         {{"=", VBOp::Eq},
                          {"<>", VBOp::Ne},
                          {"<=", VBOp::Le},
                          {">=", VBOp::Ge},
                          {"<", VBOp::Lt},
                          {">", VBOp::Gt}},
                         false);
    }
    ExprPtr Concat() { return LeftChain(&Parser::Add, {{"&", VBOp::Concat}}, false); }
    ExprPtr Add() { return LeftChain(&Parser::Mod, {{"+", VBOp::Add}, {"-", VBOp::Sub}}, false); }
    ExprPtr Mod() { return LeftChain(&Parser::IntDiv, {{"mod", VBOp::Mod}}, true); }
    ExprPtr IntDiv() { return LeftChain(&Parser::Mul, {{"\\", VBOp::IntDiv}}, false); }
    ExprPtr Mul() { return LeftChain(&Parser::Neg, {{"*", VBOp::Mul}, {"/", VBOp::Div}}, false); }
    ExprPtr Neg() {
        if (IsOp("-") || IsOp("+")) {
            bool minus = IsOp("-");
            int line = Peek().line;
            ++p_;
            Guard guard(*this);
            ExprPtr operand = Neg();
            if (!minus) return operand;
            // A negated literal number stays a literal ("-5").
            if (operand->type == VBExpr::Type::Literal &&
                operand->value.kind() == VBValue::Kind::Number) {
                operand->value = VBValue(-operand->value.AsNumber());
                operand->value.literal = true;
                return operand;
            }
            return Make(VBExpr::Type::Unary, VBOp::Neg, std::move(operand), nullptr, line);
        }
        return Pow();
    }
    ExprPtr Pow() {
        ExprPtr l = Primary();
        while (IsOp("^")) {
            int line = Peek().line;
            ++p_;
            ExprPtr r;
            if (IsOp("-") || IsOp("+")) {
                Guard guard(*this);
                r = Neg();
            } else {
                r = Primary();
            }
            l = Make(VBExpr::Type::Binary, VBOp::Pow, std::move(l), std::move(r), line);
        }
        return l;
    }

    ExprPtr Literal(VBValue v) {
        auto e = std::make_unique<VBExpr>();
        e->type = VBExpr::Type::Literal;
        e->line = Peek().line;
        v.literal = true;
        e->value = std::move(v);
        ++p_;
        return e;
    }

    ExprPtr Primary() {
        const VBToken& t = Peek();
        switch (t.type) {
            case VBToken::Type::Number:
                return Literal(VBValue(t.number));
            case VBToken::Type::String:
                return Literal(VBValue(t.text));
            case VBToken::Type::Op:
                if (t.text == "(") {
                    ++p_;
                    Guard guard(*this);
                    ExprPtr e = Expr();
                    ExpectOp(")");
                    return e;
                }
                Fail("Expected expression");
            case VBToken::Type::Ident:
                if (t.text == "true") return Literal(VBValue(true));
                if (t.text == "false") return Literal(VBValue(false));
                if (t.text == "empty" || t.text == "null" || t.text == "nothing") {
                    return Literal(VBValue());
                }
                return Postfix();
            default:
                Fail("Expected expression");
        }
    }

    // name [ (args) ] { .member [ (args) ] }
    ExprPtr Postfix() {
        if (Peek().type != VBToken::Type::Ident || IsReserved(Peek().text)) {
            Fail("Expected identifier");
        }
        auto e = std::make_unique<VBExpr>();
        e->type = VBExpr::Type::Name;
        e->name = Peek().text;
        e->line = Peek().line;
        ++p_;
        Arguments(*e);
        while (IsOp(".")) {
            ++p_;
            if (Peek().type != VBToken::Type::Ident) Fail("Expected identifier");
            auto m = Make(VBExpr::Type::Member, VBOp::Neg, std::move(e), nullptr, Peek().line);
            m->name = Peek().text;
            ++p_;
            Arguments(*m);
            e = std::move(m);
        }
        return e;
    }

    void Arguments(VBExpr& e) {
        if (!IsOp("(")) return;
        ++p_;
        Guard guard(*this);
        e.hasParens = true;
        if (IsOp(")")) {
            ++p_;
            return;
        }
        for (;;) {
            ExprPtr a = Expr();
            e.depth = std::max(e.depth, a->depth + 1);
            if (e.depth > kVBMaxExprDepth) Fail("Expression too complex");
            e.args.push_back(std::move(a));
            if (IsOp(",")) {
                ++p_;
                continue;
            }
            ExpectOp(")");
            return;
        }
    }

    // Counts the recursion of parentheses, Not and unary signs.
    struct Guard {
        explicit Guard(Parser& p) : parser(p) {
            if (++parser.nesting_ > kVBMaxNesting) parser.Fail("Expression too complex");
        }
        ~Guard() { --parser.nesting_; }
        Parser& parser;
    };

    std::vector<VBToken> t_;
    std::size_t p_ = 0;
    int nesting_ = 0;
};

template <class F>
bool Run(std::string_view source, VBError& err, F&& body) {
    std::vector<VBToken> tokens;
    std::string message;
    int line = 0;
    if (!VBTokenize(source, tokens, message, line)) {
        err = {kVBErrSyntax, message + " (line " + std::to_string(line) + ")"};
        return false;
    }
    try {
        Parser parser(std::move(tokens));
        body(parser);
        return true;
    } catch (const ParseFailure& f) {
        err = {kVBErrSyntax, f.message + " (line " + std::to_string(f.line) + ")"};
    } catch (const std::bad_alloc&) {
        err = {kVBErrOutOfMemory, "Out of memory"};
    }
    return false;
}

}  // namespace

bool VBParseProgram(std::string_view source, VBBlock& out, VBError& err) {
    return Run(source, err, [&](auto& parser) { out = parser.Program(); });
}

bool VBParseExpression(std::string_view source, std::unique_ptr<VBExpr>& out, VBError& err) {
    return Run(source, err, [&](auto& parser) { out = parser.WholeExpression(); });
}
