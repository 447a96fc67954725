#include "messaging/vbscriptlexer.h"

#include <cctype>

#include "messaging/vbscriptvalue.h"
#include "platform/textutil.h"

namespace {

bool IsAlpha(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) != 0;
}
bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}
bool IsIdentChar(char c) {
    return IsAlpha(c) || IsDigit(c) || c == '_';
}
bool IsHexDigit(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

class Lexer {
  public:
    Lexer(std::string_view src, std::vector<VBToken>& out) : s_(src), out_(out) {}

    bool Run(std::string& error, int& errorLine) {
        while (p_ < s_.size()) {
            char c = s_[p_];
            if (c == ' ' || c == '\t') {
                ++p_;
            } else if (c == '\r' || c == '\n') {
                NewLine();
            } else if (c == '\'') {
                SkipComment();
            } else if (c == '_' && ContinuationAhead()) {
                continue;
            } else if (c == '"') {
                if (!String()) return Error("Unterminated string constant", error, errorLine);
            } else if (IsDigit(c) || (c == '.' && NumberMayStart())) {
                if (!Number()) return Error("Invalid number", error, errorLine);
            } else if (c == '&' && p_ + 2 < s_.size() && (s_[p_ + 1] == 'H' || s_[p_ + 1] == 'h') &&
                       IsHexDigit(s_[p_ + 2])) {
                if (!Hex()) return Error("Invalid number", error, errorLine);
            } else if (IsAlpha(c)) {
                Ident();
            } else if (!Operator()) {
                return Error(std::string("Invalid character '") + c + "'", error, errorLine);
            }
        }
        Push(VBToken::Type::Newline, "");
        Push(VBToken::Type::End, "");
        return true;
    }

  private:
    bool Error(const std::string& what, std::string& error, int& errorLine) const {
        error = what;
        errorLine = line_;
        return false;
    }

    void Push(VBToken::Type type, std::string text, double number = 0) {
        VBToken t;
        t.type = type;
        t.text = std::move(text);
        t.number = number;
        t.line = line_;
        out_.push_back(std::move(t));
    }

    void NewLine() {
        if (s_[p_] == '\r' && p_ + 1 < s_.size() && s_[p_ + 1] == '\n') ++p_;
        ++p_;
        Push(VBToken::Type::Newline, "");
        ++line_;
    }

    void SkipComment() {
        while (p_ < s_.size() && s_[p_] != '\r' && s_[p_] != '\n')
            ++p_;
    }

    // " _" followed by blanks and a line end joins the next line.
    bool ContinuationAhead() {
        std::size_t q = p_ + 1;
        while (q < s_.size() && (s_[q] == ' ' || s_[q] == '\t'))
            ++q;
        if (q < s_.size() && s_[q] != '\r' && s_[q] != '\n') return false;
        if (q < s_.size() && s_[q] == '\r' && q + 1 < s_.size() && s_[q + 1] == '\n') ++q;
        p_ = q + 1;
        ++line_;
        return true;
    }

    bool StatementStart() const {
        return out_.empty() || out_.back().type == VBToken::Type::Newline ||
               (out_.back().type == VBToken::Type::Op && out_.back().text == ":");
    }

    // ".5" is a number unless the point follows something it can be a member of.
    bool NumberMayStart() const {
        if (p_ + 1 >= s_.size() || !IsDigit(s_[p_ + 1])) return false;
        if (out_.empty()) return true;
        const VBToken& t = out_.back();
        return !(t.type == VBToken::Type::Ident || t.type == VBToken::Type::Number ||
                 t.type == VBToken::Type::String || (t.type == VBToken::Type::Op && t.text == ")"));
    }

    bool String() {
        std::string text;
        ++p_;
        for (;;) {
            if (p_ >= s_.size() || s_[p_] == '\r' || s_[p_] == '\n') return false;
            if (s_[p_] == '"') {
                if (p_ + 1 < s_.size() && s_[p_ + 1] == '"') {
                    text += '"';
                    p_ += 2;
                    continue;
                }
                ++p_;
                break;
            }
            text += s_[p_++];
        }
        Push(VBToken::Type::String, std::move(text));
        return true;
    }

    bool Number() {
        std::size_t start = p_;
        while (p_ < s_.size() && IsDigit(s_[p_]))
            ++p_;
        if (p_ < s_.size() && s_[p_] == '.') {
            ++p_;
            while (p_ < s_.size() && IsDigit(s_[p_]))
                ++p_;
        }
        if (p_ < s_.size() && (s_[p_] == 'e' || s_[p_] == 'E')) {
            std::size_t q = p_ + 1;
            if (q < s_.size() && (s_[q] == '+' || s_[q] == '-')) ++q;
            if (q < s_.size() && IsDigit(s_[q])) {
                p_ = q;
                while (p_ < s_.size() && IsDigit(s_[p_]))
                    ++p_;
            }
        }
        if (p_ < s_.size() && IsIdentChar(s_[p_])) return false;
        double v = 0;
        if (!VBParseNumber(s_.substr(start, p_ - start), v)) return false;
        Push(VBToken::Type::Number, std::string(s_.substr(start, p_ - start)), v);
        return true;
    }

    bool Hex() {
        std::size_t start = p_;
        p_ += 2;
        while (p_ < s_.size() && IsHexDigit(s_[p_]))
            ++p_;
        if (p_ < s_.size() && s_[p_] == '&') ++p_;  // the optional type suffix
        std::string_view digits = s_.substr(start, p_ - start);
        if (digits.back() == '&') digits.remove_suffix(1);
        double v = 0;
        if (!VBParseNumber(digits, v)) return false;
        Push(VBToken::Type::Number, std::string(digits), v);
        return true;
    }

    void Ident() {
        std::size_t start = p_;
        while (p_ < s_.size() && IsIdentChar(s_[p_]))
            ++p_;
        std::string name = LowerAscii(std::string(s_.substr(start, p_ - start)));
        if (name == "rem" && StatementStart()) {
            SkipComment();
            return;
        }
        Push(VBToken::Type::Ident, std::move(name));
    }

    bool Operator() {
        char c = s_[p_];
        char n = p_ + 1 < s_.size() ? s_[p_ + 1] : '\0';
        if ((c == '<' && (n == '>' || n == '=')) || (c == '>' && n == '=')) {
            Push(VBToken::Type::Op, std::string{c, n});
            p_ += 2;
            return true;
        }
        static constexpr std::string_view kSingles = "=<>+-*/\\^&().,:";
        if (kSingles.find(c) == std::string_view::npos) return false;
        Push(VBToken::Type::Op, std::string(1, c));
        ++p_;
        return true;
    }

    std::string_view s_;
    std::vector<VBToken>& out_;
    std::size_t p_ = 0;
    int line_ = 1;
};

}  // namespace

bool VBTokenize(std::string_view source, std::vector<VBToken>& out, std::string& error,
                int& errorLine) {
    out.clear();
    Lexer lexer(source, out);
    return lexer.Run(error, errorLine);
}
