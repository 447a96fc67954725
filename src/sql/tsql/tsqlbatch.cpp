#include "sql/tsql/tsqlbatch.h"

#include <cstdlib>

#include "platform/textutil.h"
#include "sql/tsql/tsqlparser.h"

namespace {

bool IsNameTok(const Token& t) {
    return t.kind == TokKind::Name || t.kind == TokKind::QuotedName;
}

// Words that begin a statement wherever they stand outside parentheses and
// CASE ... END (with the exceptions StatementEnd knows).
bool StartsStatement(const Token& t) {
    static const char* const kStarts[] = {
        "SELECT", "INSERT",   "UPDATE", "DELETE",    "DECLARE",    "SET",   "IF",    "ELSE",
        "BEGIN",  "END",      "EXEC",   "EXECUTE",   "CREATE",     "DROP",  "ALTER", "TRUNCATE",
        "RETURN", "PRINT",    "WHILE",  "COMMIT",    "ROLLBACK",   "MERGE", "USE",   "GO",
        "BREAK",  "CONTINUE", "GOTO",   "RAISERROR", "DEALLOCATE", "OPEN",  "FETCH", "CLOSE"};
    if (t.kind != TokKind::Name) return false;
    for (const char* w : kStarts)
        if (t.IsWord(w)) return true;
    return false;
}

}  // namespace

std::size_t TSqlStatementEnd(const std::vector<Token>& toks, std::size_t begin) {
    const std::vector<Token>& t_ = toks;
    const Token& first = t_[begin];
    bool insert = first.IsWord("INSERT"), update = first.IsWord("UPDATE");
    bool alter = first.IsWord("ALTER");
    bool seenSelect = false, seenValues = false, seenSet = false;
    int depth = 0, caseDepth = 0;
    for (std::size_t i = begin + 1; i < t_.size(); ++i) {
        const Token& t = t_[i];
        if (t.kind == TokKind::End) return i;
        if (t.IsOp("(")) {
            ++depth;
            continue;
        }
        if (t.IsOp(")")) {
            if (--depth < 0) return i;
            continue;
        }
        if (depth > 0) continue;
        if (t.IsOp(";")) return i;
        if (t.IsWord("CASE")) {
            ++caseDepth;
            continue;
        }
        if (t.IsWord("END") && caseDepth > 0) {
            --caseDepth;
            continue;
        }
        if (caseDepth > 0) continue;
        if (t.IsWord("VALUES")) seenValues = true;
        if (!StartsStatement(t)) continue;
        const Token& prev = t_[i - 1];
        if (t.IsWord("SELECT")) {
            if (prev.IsWord("UNION") || prev.IsWord("ALL") || prev.IsWord("EXCEPT") ||
                prev.IsWord("INTERSECT"))
                continue;
            if (insert && !seenValues && !seenSelect) {
                seenSelect = true;
                continue;
            }
        }
        if (t.IsWord("SET") && update && !seenSet) {
            seenSet = true;
            continue;
        }
        if ((t.IsWord("EXEC") || t.IsWord("EXECUTE")) && insert && !seenValues && !seenSelect)
            continue;
        if (t.IsWord("DROP") && alter) continue;
        return i;
    }
    return t_.size() - 1;
}

namespace {

class BatchParser {
  public:
    BatchParser(std::vector<Token>& toks, StatementTranslator& translator, Batch& batch)
        : t_(toks), tr_(translator), batch_(batch) {}

    void Run() {
        List(batch_.Nodes, false);
        if (!End()) Fail(Near());
    }

  private:
    const Token& Peek(std::size_t k = 0) const {
        return pos_ + k < t_.size() ? t_[pos_ + k] : t_.back();
    }
    bool End() const { return Peek().kind == TokKind::End; }
    bool Word(const char* w, std::size_t k = 0) const { return Peek(k).IsWord(w); }
    [[noreturn]] void Fail(const std::string& m) const { throw TSqlError(m); }
    [[noreturn]] void Unsupported(const std::string& c) const {
        throw TSqlError("Unsupported T-SQL construct: " + c);
    }
    std::string Near() const {
        if (End()) return "Incorrect syntax near the end of the batch.";
        return "Incorrect syntax near '" + Peek().text + "'.";
    }
    void SkipSemicolons() {
        while (Peek().IsOp(";"))
            ++pos_;
    }

    void List(std::vector<BatchNode>& out, bool inBlock) {
        while (true) {
            SkipSemicolons();
            if (End() || (inBlock && Word("END"))) return;
            if (Word("ELSE") || Word("END")) Fail(Near());
            out.push_back(Statement());
        }
    }

    std::size_t StatementEnd(std::size_t begin) const { return TSqlStatementEnd(t_, begin); }

    // The end of an expression (IF condition, SET value, DECLARE value).
    std::size_t ExpressionEnd(std::size_t begin, bool stopAtComma) const {
        int depth = 0, caseDepth = 0;
        for (std::size_t i = begin; i < t_.size(); ++i) {
            const Token& t = t_[i];
            if (t.kind == TokKind::End) return i;
            if (t.IsOp("("))
                ++depth;
            else if (t.IsOp(")") && --depth < 0)
                return i;
            if (depth > 0) continue;
            if (t.IsOp(";") || (stopAtComma && t.IsOp(","))) return i;
            if (t.IsWord("CASE")) {
                ++caseDepth;
            } else if (t.IsWord("END") && caseDepth > 0) {
                --caseDepth;
            } else if (caseDepth == 0 && StartsStatement(t) && i > begin) {
                return i;
            }
        }
        return t_.size() - 1;
    }

    void Note(const SqlStatement& st) {
        batch_.UsesTempdb = batch_.UsesTempdb || st.UsesTempdb;
        batch_.ChangesSchema =
            batch_.ChangesSchema || st.Kind == StatementKind::Ddl || st.SelectInto;
    }

    BatchNode Statement() {
        if (Word("IF")) return If();
        if (Word("BEGIN")) {
            // IMMEDIATE takes the write lock at once: a transaction that
            // reads and then writes would otherwise fail, not wait, when
            // another workstation wrote in between.
            if (Word("TRAN", 1) || Word("TRANSACTION", 1)) return Transaction("BEGIN IMMEDIATE");
            if (Word("TRY", 1)) Unsupported("BEGIN TRY");
            ++pos_;
            BatchNode n;
            n.kind = BatchNode::Kind::Block;
            List(n.Children, true);
            if (!Word("END")) Fail("Incorrect syntax: BEGIN without END.");
            ++pos_;
            return n;
        }
        if (Word("COMMIT")) return Transaction("COMMIT");
        if (Word("ROLLBACK")) return Transaction("ROLLBACK");
        if (Word("DECLARE")) return Declare();
        if (Word("SET")) return Set();
        if (Word("EXEC") || Word("EXECUTE")) return Exec();
        if (Word("RETURN")) {
            ++pos_;
            if (!End() && !Peek().IsOp(";") && !StartsStatement(Peek()))
                pos_ = ExpressionEnd(pos_, false);
            BatchNode n;
            n.kind = BatchNode::Kind::Return;
            return n;
        }
        if (Word("PRINT")) {
            ++pos_;
            pos_ = ExpressionEnd(pos_, false);
            BatchNode n;
            n.kind = BatchNode::Kind::ResetCount;
            return n;
        }
        if (Word("RAISERROR")) return Raise();
        static const char* const kNever[] = {"WHILE", "GOTO",       "BREAK", "CONTINUE", "USE",
                                             "GO",    "DEALLOCATE", "OPEN",  "FETCH",    "CLOSE"};
        for (const char* w : kNever)
            if (Word(w)) Unsupported(w);
        std::size_t end = StatementEnd(pos_);
        BatchNode n;
        n.kind = BatchNode::Kind::Sql;
        std::string err;
        if (!tr_.Statement(t_, pos_, end, vars_, n.Statement, err)) throw TSqlError(err);
        Note(n.Statement);
        pos_ = end;
        return n;
    }

    BatchNode Transaction(const char* verb) {
        ++pos_;
        if (Word("TRAN") || Word("TRANSACTION")) ++pos_;
        if (IsNameTok(Peek()) && !StartsStatement(Peek())) ++pos_;  // transaction name
        BatchNode n;
        n.kind = BatchNode::Kind::Transaction;
        n.Statement.Kind = StatementKind::Transaction;
        n.Statement.Sql = verb;
        return n;
    }

    BatchNode If() {
        ++pos_;
        std::size_t end = ExpressionEnd(pos_, false);
        BatchNode n;
        n.kind = BatchNode::Kind::If;
        std::string err;
        if (!tr_.Condition(t_, pos_, end, vars_, n.Statement, err)) throw TSqlError(err);
        pos_ = end;
        SkipSemicolons();
        if (End()) Fail("Incorrect syntax: IF without a statement.");
        n.Children.push_back(Statement());
        SkipSemicolons();
        if (Word("ELSE")) {
            ++pos_;
            SkipSemicolons();
            n.Children.push_back(Statement());
        }
        return n;
    }

    TypeSpec VarType() {
        if (!IsNameTok(Peek())) Fail(Near());
        if (Word("TABLE")) Unsupported("table variables");
        if (Word("CURSOR")) Unsupported("cursors");
        std::string text = Peek().text;
        ++pos_;
        if (Peek().IsOp("(")) {
            text += "(";
            ++pos_;
            while (!End() && !Peek().IsOp(")"))
                text += t_[pos_++].text;
            if (!Peek().IsOp(")")) Fail(Near());
            ++pos_;
            text += ")";
        }
        TypeSpec typeSpec = ParseTypeName(text);
        if (typeSpec.type == SqlType::Unknown) Unsupported("data type " + text);
        // A declared (N)VARCHAR or (N)CHAR without a length holds one character.
        if (typeSpec.type == SqlType::Text && typeSpec.length == -1 &&
            UpperAscii(text).find("CHAR") != std::string::npos)
            typeSpec.length = 1;
        return typeSpec;
    }

    BatchNode Declare() {
        ++pos_;
        BatchNode block;
        block.kind = BatchNode::Kind::Block;
        do {
            if (Peek().kind != TokKind::Variable) Fail(Near());
            BatchNode n;
            n.kind = BatchNode::Kind::Declare;
            n.Var = LowerName(Peek().text.substr(1));
            ++pos_;
            if (Word("AS")) ++pos_;
            n.VarType = VarType();
            if (Peek().IsOp("=")) {
                ++pos_;
                std::size_t end = ExpressionEnd(pos_, true);
                std::string err;
                if (!tr_.Expression(t_, pos_, end, vars_, n.VarType, n.Statement, err))
                    throw TSqlError(err);
                n.HasValue = true;
                pos_ = end;
            }
            vars_[n.Var] = n.VarType;
            block.Children.push_back(std::move(n));
        } while (Peek().IsOp(",") && (++pos_, true));
        if (block.Children.size() == 1) return std::move(block.Children[0]);
        return block;
    }

    BatchNode Set() {
        ++pos_;
        BatchNode n;
        if (Peek().kind == TokKind::Variable) {
            n.kind = BatchNode::Kind::Set;
            n.Var = LowerName(Peek().text.substr(1));
            auto it = vars_.find(n.Var);
            if (it == vars_.end()) Fail("Must declare the scalar variable \"@" + n.Var + "\".");
            n.VarType = it->second;
            ++pos_;
            if (!Peek().IsOp("=")) Unsupported("SET @variable " + Peek().text + " ...");
            ++pos_;
            std::size_t end = ExpressionEnd(pos_, false);
            std::string err;
            if (!tr_.Expression(t_, pos_, end, vars_, n.VarType, n.Statement, err))
                throw TSqlError(err);
            pos_ = end;
            return n;
        }
        std::string option = UpperAscii(Peek().text);
        ++pos_;
        if (option == "IDENTITY_INSERT") {
            // Explicit identity values are always accepted here.
            while (!End() && !Word("ON") && !Word("OFF"))
                ++pos_;
        }
        bool on = Word("ON");
        if (!on && !Word("OFF")) Unsupported("SET " + option);
        ++pos_;
        if (option == "NOCOUNT") {
            n.kind = BatchNode::Kind::NoCount;
            n.Flag = on;
            return n;
        }
        static const char* const kHarmless[] = {"XACT_ABORT", "IDENTITY_INSERT", "ARITHABORT"};
        static const char* const kOnOnly[] = {"ANSI_NULLS", "QUOTED_IDENTIFIER", "ANSI_WARNINGS",
                                              "ANSI_PADDING", "CONCAT_NULL_YIELDS_NULL"};
        bool ok = false;
        for (const char* h : kHarmless)
            ok = ok || option == h;
        for (const char* h : kOnOnly)
            ok = ok || (option == h && on);
        if (!ok) Unsupported("SET " + option + (on ? " ON" : " OFF"));
        n.kind = BatchNode::Kind::ResetCount;
        return n;
    }

    BatchNode Exec() {
        ++pos_;
        if (Peek().IsOp("(")) Unsupported("EXEC (dynamic SQL)");
        BatchNode n;
        n.kind = BatchNode::Kind::Exec;
        if (Peek().kind == TokKind::Variable && Peek(1).IsOp("=")) {
            n.Var = LowerName(Peek().text.substr(1));
            if (!vars_.count(n.Var)) Fail("Must declare the scalar variable \"@" + n.Var + "\".");
            n.VarType = vars_[n.Var];
            pos_ += 2;
        }
        if (!IsNameTok(Peek())) Fail(Near());
        n.Procedure = t_[pos_++].text;
        while (Peek().IsOp(".")) {
            ++pos_;
            if (!IsNameTok(Peek())) Fail(Near());
            n.Procedure = t_[pos_++].text;
        }
        if (End() || Peek().IsOp(";") || StartsStatement(Peek())) return n;
        do {
            ExecArg a;
            if (Peek().kind == TokKind::Variable && Peek(1).IsOp("=")) {
                a.Name = Peek().text;
                pos_ += 2;
            }
            const Token& v = Peek();
            bool negative = false;
            if (v.IsOp("-") || v.IsOp("+")) {
                negative = v.IsOp("-");
                ++pos_;
                if (Peek().kind != TokKind::Number) Fail(Near());
            }
            const Token& value = Peek();
            if (value.kind == TokKind::Variable) {
                a.Variable = LowerName(value.text.substr(1));
                if (!vars_.count(a.Variable))
                    Fail("Must declare the scalar variable \"@" + a.Variable + "\".");
            } else if (value.kind == TokKind::Number) {
                std::string num = (negative ? "-" : "") + value.text;
                bool isFloat = value.text.find_first_of(".eE") != std::string::npos;
                a.Value = isFloat ? Variant(std::strtod(num.c_str(), nullptr))
                                  : Variant(std::strtoll(num.c_str(), nullptr, 10));
            } else if (value.kind == TokKind::String) {
                a.Value = Variant(value.text);
            } else if (value.IsWord("NULL")) {
                a.Value = Variant();
            } else if (value.IsWord("DEFAULT")) {
                a.Default = true;
            } else if (value.kind == TokKind::Name && !StartsStatement(value)) {
                a.Value = Variant(value.text);  // EXEC takes bare words as text
            } else {
                Fail("EXEC arguments must be constants or variables: " + Near());
            }
            ++pos_;
            if (Word("OUTPUT") || Word("OUT")) {
                if (a.Variable.empty()) Fail("Only a variable can receive an OUTPUT value.");
                a.Output = true;
                ++pos_;
            }
            n.Args.push_back(std::move(a));
        } while (Peek().IsOp(",") && (++pos_, true));
        return n;
    }

    BatchNode Raise() {
        ++pos_;
        if (!Peek().IsOp("(")) Fail(Near());
        ++pos_;
        std::size_t end = ExpressionEnd(pos_, true);
        BatchNode n;
        n.kind = BatchNode::Kind::Raise;
        std::string err;
        if (!tr_.Expression(t_, pos_, end, vars_, TypeSpec{}, n.Statement, err))
            throw TSqlError(err);
        pos_ = end;
        if (!Peek().IsOp(",")) Fail(Near());
        ++pos_;
        if (Peek().kind != TokKind::Number) Fail(Near());
        n.Flag = std::atoi(Peek().text.c_str()) >= 11;
        int depth = 0;
        while (!End() && !(depth == 0 && Peek().IsOp(")"))) {
            if (Peek().IsOp("(")) ++depth;
            if (Peek().IsOp(")")) --depth;
            ++pos_;
        }
        if (!Peek().IsOp(")")) Fail(Near());
        ++pos_;
        if (Word("WITH")) {
            ++pos_;
            while (IsNameTok(Peek()) && !StartsStatement(Peek())) {
                ++pos_;
                if (!Peek().IsOp(",")) break;
                ++pos_;
            }
        }
        return n;
    }

    std::vector<Token>& t_;
    std::size_t pos_ = 0;
    StatementTranslator& tr_;
    Batch& batch_;
    VariableTypes vars_;
};

}  // namespace

namespace {

class SQLiteTranslator : public StatementTranslator {
  public:
    SQLiteTranslator(SchemaSource& schema, const TranslateOptions& options)
        : schema_(schema), options_(options) {}
    bool Statement(const std::vector<Token>& t, std::size_t b, std::size_t e,
                   const VariableTypes& vars, SqlStatement& out, std::string& error) override {
        return TranslateStatement(t, b, e, schema_, vars, options_, out, error);
    }
    bool Condition(const std::vector<Token>& t, std::size_t b, std::size_t e,
                   const VariableTypes& vars, SqlStatement& out, std::string& error) override {
        return TranslateCondition(t, b, e, schema_, vars, out, error);
    }
    bool Expression(const std::vector<Token>& t, std::size_t b, std::size_t e,
                    const VariableTypes& vars, const TypeSpec& target, SqlStatement& out,
                    std::string& error) override {
        return TranslateExpression(t, b, e, schema_, vars, target, out, error);
    }

  private:
    SchemaSource& schema_;
    const TranslateOptions& options_;
};

}  // namespace

bool ParseBatch(const std::string& sql, SchemaSource& schema, const TranslateOptions& options,
                Batch& out, std::string& error) {
    SQLiteTranslator translator(schema, options);
    return ParseBatch(sql, translator, out, error);
}

bool ParseBatch(const std::string& sql, StatementTranslator& translator, Batch& out,
                std::string& error) {
    std::vector<Token> tokens;
    if (!LexTSql(sql, tokens, error)) return false;
    if (!translator.Prepare(tokens, error)) return false;
    out = Batch{};
    try {
        BatchParser p(tokens, translator, out);
        p.Run();
        return true;
    } catch (const TSqlError& e) {
        error = e.what();
    } catch (const std::exception& e) {
        error = std::string("Batch parse failed: ") + e.what();
    }
    return false;
}
