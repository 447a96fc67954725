#include "messaging/scriptfunc.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "messaging/scriptdocument.h"
#include "messaging/vbscript.h"
#include "messaging/vbscriptobjects.h"

namespace {

// Each function as a script sees it: through the "Func" object with global members.
TEST(ScriptFunc, FunctionsSeenFromAScript) {
    const std::pair<const char*, const char*> cases[] = {
        {"Left(\"h\xc3\xa9llo\", 2)", "h\xc3\xa9"},
        {"Right(\"hello\", 3)", "llo"},
        {"Right(\"hi\", 5)", "hi"},
        {"Mid(\"hello\", 2, 3)", "ell"},
        {"Mid(\"hello\", 2, -1)", "ello"},
        {"Mid(\"hello\", 2)", "ello"},
        {"Mid(\"hello\", 0, 1)", ""},
        {"InStr(\"abcabc\", \"c\")", "3"},
        {"InStr(4, \"abcabc\", \"c\")", "6"},
        {"InStr(\"abc\", \"z\")", "0"},
        {"Length(\"\xc3\xa9t\xc3\xa9\")", "3"},
        {"GetYear(\"2014-05-16 09:30\") & GetMonth(\"2014-05-16\") & GetDay(\"2014-05-16\")",
         "2014516"},
        {"GetDOW(\"2014-05-18\")", "1"},  // a Sunday
        {"GetHour(\"2014-05-16 09:30\") & \":\" & GetMinute(\"2014-05-16 09:30\")", "9:30"},
        {"GetMonthDay(\"2014-05-16\")", "516"},
        {"GetYear(\"not a date\")", "0"},
        {"IsToday_NoYear(\"2010-05-16\", \"2014-05-16\")", "True"},
        {"IsToday_NoYear(\"2010-05-17\", \"2014-05-16\")", "False"},
        {"IsToday_NoYearMonth(\"2010-01-16\", \"2014-05-16\")", "True"},
        {"IsThisMonth_NoYear(\"2010-05-01\", \"2014-05-16\")", "True"},
        {"CInteger(-1.5) & \" \" & RoundDown(2.9)", "-2 2"},
        {"Plus(\"2\", 3) & Minus(2, 3) & Multiply(2, 3)", "5-16"},
        {"Divide(1, 0) & \"/\" & Divide(1, 4)", "0/0.25"},
        {"Modulus(7, 3) & Absolute(-4)", "14"},
        {"Min(\"2014-05-16\", \"2013-12-31\")", "2013-12-31"},
        {"Max(\"9\", \"10\")", "10"},
        {"Max(\"b\", \"a\")", "b"},
        {"Rnd(3, 3)", "3"},
        {"Format(1234.5, \"###,###,###.00\")", "1,234.50"},
        {"Format(0, \"###,###,###.00\")", ".00"},
        {"Format(-3.14159, \"0.00\")", "-3.14"},
        {"Format(\"2014-05-16 09:05\", \"yyyy/mm/dd hh:nn\")", "2014/05/16 09:05"},
        {"Format(\"abc\", \"0.00\")", "abc"},
        {"IIF(1 > 2, \"y\", \"n\")", "n"},
        {"ExistsIn(\"1, 2,3\", \"4,3\", \"ID\")", "True"},
        {"ExistsIn(\"1,2\", \"3\", \"ID\")", "False"},
        {"InList(\"b\", \"a, b ,c\")", "True"},
        {"InList(\"x\", \"a,b\")", "False"},
        {"ExistsInAll(\"ID\", \"5\", \"5, 5\")", "True"},
        {"ExistsInAll(\"ID\", \"5\", \"5,6\")", "False"},
        {"ExistsInAll(\"ID\", \"5\", \"\")", "True"},
    };
    for (const auto& [expr, want] : cases) {
        VBScriptEngine engine;
        engine.AddObject("Func", std::make_shared<ScriptFunc>(), true);
        VBValue v;
        ASSERT_TRUE(engine.Eval(expr, v)) << expr << ": " << engine.ErrMessage();
        EXPECT_EQ(v.ToText(), want) << expr;
    }
}

TEST(ScriptFunc, ListAndDictionaryContainers) {
    ScriptDocument doc;
    ASSERT_TRUE(
        doc.LoadXML("<R><VARLIST id=\"l\" cols=\"ID\"><VARROW><VAR id=\"ID\">7</VAR>"
                    "</VARROW><VARROW><VAR id=\"ID\">7</VAR></VARROW></VARLIST></R>"));
    auto list = doc.ScrRoot()->GetVarList("l");
    auto dict = std::make_shared<VBDictionary>();
    dict->Set("k", VBValue(1));
    VBScriptEngine engine;
    engine.AddObject("L", std::make_shared<VBListObject>(list), false);
    engine.AddObject("D", dict, false);
    engine.AddObject("Func", std::make_shared<ScriptFunc>(), true);
    const std::pair<const char*, const char*> cases[] = {
        {"ExistsIn(L, \"3,7\", \"ID\")", "True"},
        {"ExistsIn(\"8\", L, \"ID\")", "False"},
        {"ExistsInAll(\"\", \"7\", L)", "True"},
        {"ExistsInAll(\"ID\", \"8\", L)", "False"},
        {"InList(\"k\", D) And Not InList(\"j\", D)", "True"},
    };
    for (const auto& [expr, want] : cases) {
        VBValue v;
        ASSERT_TRUE(engine.Eval(expr, v)) << expr << ": " << engine.ErrMessage();
        EXPECT_EQ(v.ToText(), want) << expr;
    }
    VBValue v;
    EXPECT_FALSE(engine.Eval("Left(\"a\")", v));
    EXPECT_EQ(engine.ErrNumber(), 450);
}

}  // namespace
