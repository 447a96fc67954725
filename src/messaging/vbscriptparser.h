#pragma once
// The syntax tree of the script language and the parser that builds it.
// Nesting is bounded (expressions and statement blocks) so that neither the
// parser, the evaluator nor the tree's destruction can exhaust the stack.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "messaging/vbscriptvalue.h"

enum class VBOp : uint8_t {
    Neg,
    Not,  // unary
    Pow,
    Mul,
    Div,
    IntDiv,
    Mod,
    Add,
    Sub,  // arithmetic
    Concat,
    Eq,
    Ne,
    Lt,
    Gt,
    Le,
    Ge,  // text and comparison
    And,
    Or,
    Xor,  // logical (bitwise on numbers)
};

struct VBExpr {
    enum class Type : uint8_t { Literal, Name, Member, Unary, Binary };
    Type type = Type::Literal;
    VBOp op = VBOp::Neg;
    bool hasParens = false;  // Name/Member written with "(...)"
    int line = 1;
    int depth = 1;
    VBValue value;                  // Literal
    std::string name;               // Name/Member, lower case
    std::unique_ptr<VBExpr> left;   // Member: the object; Unary/Binary: operand
    std::unique_ptr<VBExpr> right;  // Binary
    std::vector<std::unique_ptr<VBExpr>> args;
};

struct VBStmt;
using VBBlock = std::vector<VBStmt>;

struct VBStmt {
    enum class Type : uint8_t { Assign, Call, If, While, Dim };
    Type type = Type::Call;
    int line = 1;
    std::unique_ptr<VBExpr> target;  // Assign/Call
    std::unique_ptr<VBExpr> expr;    // Assign: the value; While: the condition
    // If: (condition, block) pairs in order; the Else block has no condition.
    std::vector<std::pair<std::unique_ptr<VBExpr>, VBBlock>> branches;
    VBBlock body;                    // While
    std::vector<std::string> names;  // Dim
};

inline constexpr int kVBMaxExprDepth = 400;  // depth of the tree
inline constexpr int kVBMaxNesting = 100;    // parentheses, Not and signs inside each other
inline constexpr int kVBMaxBlockDepth = 64;

// Statements separated by line ends or ":".
bool VBParseProgram(std::string_view source, VBBlock& out, VBError& err);
// One expression (the whole text).
bool VBParseExpression(std::string_view source, std::unique_ptr<VBExpr>& out, VBError& err);
