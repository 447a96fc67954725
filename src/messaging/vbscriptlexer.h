#pragma once
// Splits script text into tokens: identifiers and keywords (lower-cased),
// numbers, strings, operators and line ends. Comments (' and Rem) and line
// continuations (" _" before a line end) produce no tokens.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct VBToken {
    enum class Type : uint8_t { Ident, Number, String, Op, Newline, End };
    Type type = Type::End;
    std::string text;  // identifiers lower-cased; operators as written ("<=")
    double number = 0;
    int line = 1;
};

// False with `error` (and the line in `errorLine`) on an unterminated string,
// a malformed number or an unknown character.
bool VBTokenize(std::string_view source, std::vector<VBToken>& out, std::string& error,
                int& errorLine);
