#pragma once
// Splits T-SQL text into tokens: names (bare, [bracketed] or "quoted"),
// variables (@x), system variables (@@x), numbers, string literals ('..' and
// N'..'), binary literals (0x..) and operators. Comments and white space are
// dropped.
#include <cstddef>
#include <string>
#include <vector>

enum class TokKind { Name, QuotedName, Variable, SysVariable, Number, String, Binary, Op, End };

struct Token {
    TokKind kind = TokKind::End;
    // Name: as written; QuotedName: the name without its quotes; Variable and
    // SysVariable: with the @ signs; String: the value (quotes undone);
    // Binary: the hexadecimal digits; Op: the operator.
    std::string text;
    bool unicode = false;  // N'...'
    std::size_t pos = 0;   // offset in the source text
    std::size_t end = 0;   // offset after the token

    bool Is(TokKind k) const { return kind == k; }
    // A bare name equal to `word` ignoring case (keywords are bare names).
    bool IsWord(const char* word) const;
    bool IsOp(const char* op) const { return kind == TokKind::Op && text == op; }
};

// Fills `tokens` (ending with one End token). False with `error` set for an
// unterminated string, name or comment, or a character that starts no token.
bool LexTSql(const std::string& sql, std::vector<Token>& tokens, std::string& error);
