#include "sql/tsql/tsqllexer.h"

#include <strings.h>
#include <cctype>

namespace {

bool IsNameStart(unsigned char c) {
    return std::isalpha(c) || c == '_' || c == '#' || c >= 0x80;
}
bool IsNameChar(unsigned char c) {
    return std::isalnum(c) || c == '_' || c == '#' || c == '$' || c >= 0x80;
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

class Lexer {
  public:
    Lexer(const std::string& s, std::vector<Token>& out) : s_(s), out_(out) {}

    bool Run(std::string& error) {
        while (true) {
            SkipBlanks();
            if (!err_.empty()) break;
            if (p_ >= s_.size()) break;
            if (!Next()) break;
        }
        if (!err_.empty()) {
            error = err_;
            return false;
        }
        Token end;
        end.pos = end.end = s_.size();
        out_.push_back(end);
        return true;
    }

  private:
    char At(std::size_t i) const { return i < s_.size() ? s_[i] : '\0'; }

    void SkipBlanks() {
        while (p_ < s_.size()) {
            char c = s_[p_];
            if (std::isspace(static_cast<unsigned char>(c))) {
                ++p_;
            } else if (c == '-' && At(p_ + 1) == '-') {
                while (p_ < s_.size() && s_[p_] != '\n')
                    ++p_;
            } else if (c == '/' && At(p_ + 1) == '*') {
                // T-SQL block comments nest.
                int depth = 0;
                std::size_t start = p_;
                do {
                    if (At(p_) == '/' && At(p_ + 1) == '*') {
                        ++depth;
                        p_ += 2;
                    } else if (At(p_) == '*' && At(p_ + 1) == '/') {
                        --depth;
                        p_ += 2;
                    } else {
                        ++p_;
                    }
                } while (depth > 0 && p_ < s_.size());
                if (depth > 0) {
                    err_ =
                        "Missing end comment mark '*/' (at offset " + std::to_string(start) + ")";
                    return;
                }
            } else {
                return;
            }
        }
    }

    void Push(TokKind k, std::string text, std::size_t start, bool unicode = false) {
        Token t;
        t.kind = k;
        t.text = std::move(text);
        t.unicode = unicode;
        t.pos = start;
        t.end = p_;
        out_.push_back(std::move(t));
    }

    bool Quoted(char close, std::string& value) {
        std::size_t start = p_;
        ++p_;
        while (p_ < s_.size()) {
            if (s_[p_] == close) {
                if (At(p_ + 1) == close) {
                    value += close;
                    p_ += 2;
                    continue;
                }
                ++p_;
                return true;
            }
            value += s_[p_++];
        }
        err_ = std::string("Unclosed quotation mark ") + (close == '\'' ? "in string" : "in name") +
               " starting at offset " + std::to_string(start);
        return false;
    }

    void Number() {
        std::size_t start = p_;
        if (s_[p_] == '0' && (At(p_ + 1) == 'x' || At(p_ + 1) == 'X')) {
            p_ += 2;
            while (std::isxdigit(static_cast<unsigned char>(At(p_))))
                ++p_;
            Push(TokKind::Binary, s_.substr(start + 2, p_ - start - 2), start);
            return;
        }
        while (IsDigit(At(p_)))
            ++p_;
        if (At(p_) == '.') {
            ++p_;
            while (IsDigit(At(p_)))
                ++p_;
        }
        // An exponent only when digits follow: "5Else" is 5 then ELSE.
        if ((At(p_) == 'e' || At(p_) == 'E') &&
            (IsDigit(At(p_ + 1)) ||
             ((At(p_ + 1) == '+' || At(p_ + 1) == '-') && IsDigit(At(p_ + 2))))) {
            p_ += 2;
            while (IsDigit(At(p_)))
                ++p_;
        }
        Push(TokKind::Number, s_.substr(start, p_ - start), start);
    }

    bool Next() {
        std::size_t start = p_;
        char c = s_[p_];
        unsigned char uc = static_cast<unsigned char>(c);
        if ((c == 'N' || c == 'n') && At(p_ + 1) == '\'') {
            ++p_;
            std::string v;
            if (!Quoted('\'', v)) return false;
            Push(TokKind::String, std::move(v), start, true);
        } else if (c == '\'') {
            std::string v;
            if (!Quoted('\'', v)) return false;
            Push(TokKind::String, std::move(v), start);
        } else if (c == '[') {
            std::string v;
            if (!Quoted(']', v)) return false;
            Push(TokKind::QuotedName, std::move(v), start);
        } else if (c == '"') {
            std::string v;
            if (!Quoted('"', v)) return false;
            Push(TokKind::QuotedName, std::move(v), start);
        } else if (c == '@') {
            TokKind k = At(p_ + 1) == '@' ? TokKind::SysVariable : TokKind::Variable;
            p_ += k == TokKind::SysVariable ? 2 : 1;
            while (p_ < s_.size() && IsNameChar(static_cast<unsigned char>(s_[p_])))
                ++p_;
            Push(k, s_.substr(start, p_ - start), start);
        } else if (IsDigit(c) || (c == '.' && IsDigit(At(p_ + 1)))) {
            Number();
        } else if (IsNameStart(uc)) {
            while (p_ < s_.size() && IsNameChar(static_cast<unsigned char>(s_[p_])))
                ++p_;
            Push(TokKind::Name, s_.substr(start, p_ - start), start);
        } else {
            static const char* const kTwo[] = {
                "<>", "!=", "<=", ">=", "!<", "!>", "::", "+=", "-=", "*=", "/=", "%=", "||"};
            for (const char* op : kTwo) {
                if (c == op[0] && At(p_ + 1) == op[1]) {
                    p_ += 2;
                    Push(TokKind::Op, op, start);
                    return true;
                }
            }
            static const std::string kOne = "(),.;+-*/%=<>&|^~";
            if (kOne.find(c) == std::string::npos) {
                err_ = std::string("Incorrect syntax near '") + c + "' (at offset " +
                       std::to_string(start) + ")";
                return false;
            }
            ++p_;
            Push(TokKind::Op, std::string(1, c), start);
        }
        return true;
    }

    const std::string& s_;
    std::vector<Token>& out_;
    std::size_t p_ = 0;
    std::string err_;
};

}  // namespace

bool Token::IsWord(const char* word) const {
    return kind == TokKind::Name && strcasecmp(text.c_str(), word) == 0;
}

bool LexTSql(const std::string& sql, std::vector<Token>& tokens, std::string& error) {
    tokens.clear();
    Lexer lx(sql, tokens);
    return lx.Run(error);
}
