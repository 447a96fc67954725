#include "messaging/vbscript.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "messaging/vbscriptobjects.h"

namespace {

std::string EvalText(const std::string& expr, VBScriptEngine& engine) {
    VBValue v;
    if (!engine.Eval(expr, v)) return "error " + std::to_string(engine.ErrNumber());
    return v.ToText();
}

TEST(ScriptEngineExpressions, EvaluateAsTheLanguageDoes) {
    const std::pair<const char*, const char*> cases[] = {
        {"1 + 2 * 3", "7"},
        {"(1 + 2) * 3", "9"},
        {"7 \\ 2", "3"},
        {"-7 \\ 2", "-3"},
        {"7 Mod 3", "1"},
        {"-7 Mod 3", "-1"},
        {"2.5 \\ 1", "2"},  // operands round half to even
        {"10 / 4", "2.5"},
        {"2 ^ 3 ^ 2", "64"},
        {"-2 ^ 2", "-4"},
        {"0.1 + 0.2", "0.3"},
        {"\"a\" & 1 & True", "a1True"},
        {"\"1\" + \"2\"", "12"},
        {"\"1\" + 2", "3"},
        {"1 = 1 And 2 > 1", "True"},
        {"Not 1 = 2", "True"},
        {"Not 0", "-1"},
        {"6 And 3", "2"},
        {"True Or False And False", "True"},
        {"True Xor True", "False"},
        {"\"abc\" < \"abd\"", "True"},
        {"\"B\" < \"a\"", "True"},  // binary comparison
        {"\"10\" = 10", "True"},    // a literal number converts the text
        {"\"10\" = \"10.0\"", "False"},
        {"x = Empty", "True"},
        {"Empty = \"\"", "True"},
        {"CDbl(\"2.50\") * 2", "5"},
        {"CLng(2.5) + CInt(3.5)", "6"},
        {"Len(\"h\xc3\xa9llo\")", "5"},
        {"UCase(Trim(\"  ab \"))", "AB"},
        {"Year(\"2014-05-16\") & \"/\" & Month(\"2014-05-16\")", "2014/5"},
        {"IsNumeric(\"12\") And Not IsNumeric(\"x\")", "True"},
        {"&H10 + 1", "17"},
        {"1E3", "1000"},
    };
    VBScriptEngine engine;
    for (const auto& [expr, want] : cases)
        EXPECT_EQ(EvalText(expr, engine), want) << expr;
}

TEST(ScriptEngineExpressions, VariablesCompareNumbersBelowTexts) {
    VBScriptEngine engine;
    ASSERT_TRUE(
        engine.Execute("n = 5\r\ns = \"5\"\r\nlt = n < s\r\neq = n = s\r\n"
                       "lit = s = 5\r\nlit2 = n = \"5\""));
    EXPECT_EQ(engine.Variable("lt").ToText(), "True");
    EXPECT_EQ(engine.Variable("eq").ToText(), "False");
    EXPECT_EQ(engine.Variable("lit").ToText(), "True");
    EXPECT_EQ(engine.Variable("lit2").ToText(), "True");
}

TEST(ScriptEngineStatements, LoopsBranchesAndComments) {
    VBScriptEngine engine;
    auto result = std::make_shared<VBDictionary>();
    engine.AddObject("Result", result, false);
    const char* script =
        "' a comment line\r\n"
        "Dim total, i\r\n"
        "i = 0 : total = 0\r\n"
        "While i < 10\r\n"
        "    If i Mod 2 = 0 Then  ' even\r\n"
        "        total = total + i\r\n"
        "    ElseIf i = 9 Then\r\n"
        "        total = total + 100\r\n"
        "    Else\r\n"
        "        Rem odd numbers are skipped\r\n"
        "    End If\r\n"
        "    i = i + 1\r\n"
        "Wend\r\n"
        "If total > 100 Then Result(\"big\") = True Else Result(\"big\") = False\r\n"
        "Result(\"Total\") = total _\r\n"
        "    + 1\r\n";
    ASSERT_TRUE(engine.Execute(script)) << engine.ErrMessage();
    EXPECT_EQ(result->Get("Total").ToText(), "121");
    EXPECT_EQ(result->Get("big").ToText(), "True");
    VBValue v;
    ASSERT_TRUE(engine.Eval("Result.Exists(\"Total\") And Result.Count = 2", v));
    EXPECT_EQ(v.ToText(), "True");
}

TEST(ScriptEngineFailures, EndTheRunWithANumberNeverACrash) {
    const std::pair<const char*, int32_t> cases[] = {
        {"x = 1 / 0", 11},
        {"x = 5 Mod 0", 11},
        {"x = CDbl(\"\")", 13},
        {"x = \"a\" * 2", 13},
        {"If \"maybe\" Then x = 1", 13},
        {"x = \"a\" = 1", 13},
        {"x = CLng(3000000000)", 6},
        {"x = Unknown(1)", 13},
        {"x = y.Member", 424},
        {"Result.Nope = 1", 438},
        {"Result(1, 2) = 3", 450},
        {"x = (1", 1002},
        {"If x Then\r\ny = 1\r\n", 1002},
        {"While True\r\nWend", 287},
        {"s = \"ab\"\r\nWhile True\r\ns = s & s\r\nWend", 7},
        // Storing copies of a long text runs into the budget, not out of memory.
        {"s = \"ab\"\nWhile Len(s) < 1000000\ns = s & s\nWend\ni = 0\n"
         "While True\nResult(i) = s\ni = i + 1\nWend",
         7},
        {"Result = 1", 1002},
        {"x = \"unterminated", 1002},
        {"x = 1 @ 2", 1002},
    };
    for (const auto& [script, number] : cases) {
        VBScriptEngine engine;
        engine.AddObject("Result", std::make_shared<VBDictionary>(), false);
        engine.SetStepLimit(100000);
        EXPECT_FALSE(engine.Execute(script)) << script;
        EXPECT_EQ(engine.ErrNumber(), number) << script << ": " << engine.ErrMessage();
        EXPECT_FALSE(engine.ErrMessage().empty());
    }
}

TEST(ScriptEngineFailures, DeepNestingIsRefused) {
    std::string parens(5000, '(');
    std::string chain = "x = 1";
    for (int i = 0; i < 5000; ++i)
        chain += " + 1";
    std::string blocks;
    for (int i = 0; i < 500; ++i)
        blocks += "If True Then\n";
    const std::string scripts[] = {"x = " + parens + "1", chain,
                                   "x = " + std::string(5000, '-') + "1", blocks};
    for (const auto& s : scripts) {
        VBScriptEngine engine;
        EXPECT_FALSE(engine.Execute(s));
        EXPECT_EQ(engine.ErrNumber(), 1002);
    }
}

TEST(ScriptEngineFailures, TimeOutEndsALongRun) {
    VBScriptEngine engine;
    engine.SetTimeout(0);
    EXPECT_FALSE(engine.Execute("i = 0\nWhile i < 100000\ni = i + 1\nWend"));
    EXPECT_EQ(engine.ErrNumber(), 287);
    EXPECT_EQ(engine.ErrMessage(), "Script timed out");
}

}  // namespace
