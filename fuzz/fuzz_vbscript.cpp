// Runs arbitrary text through the script interpreter with the objects the
// list queries show (VarList, Func, Result, GW), as statements and as a list
// condition. Every run must end with a result or an error number.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "messaging/scriptdocument.h"
#include "messaging/scriptfunc.h"
#include "messaging/vbscript.h"
#include "messaging/vbscriptobjects.h"

namespace {

const char* const kList =
    "<R><VARLIST id=\"l\" cols=\"Amount,Name,RowYear,RowMonth\">"
    "<VARROW><VAR id=\"Amount\">10</VAR><VAR id=\"Name\">A</VAR><VAR id=\"RowYear\">2014</VAR>"
    "<VAR id=\"RowMonth\">1</VAR><VARLIST id=\"sub\" cols=\"ID\"><VARROW><VAR id=\"ID\">1</VAR>"
    "</VARROW></VARLIST></VARROW>"
    "<VARROW><VAR id=\"Amount\">-2.5</VAR><VAR id=\"Name\">B</VAR><VAR id=\"RowYear\">2013</VAR>"
    "<VAR id=\"RowMonth\">12</VAR><VARGRP id=\"sub\"/></VARROW>"
    "</VARLIST><VARGRP id=\"gw\"><VAR id=\"rate\">2</VAR></VARGRP></R>";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    ScriptDocument doc;
    if (!doc.LoadXML(kList)) return 0;
    auto list = doc.ScrRoot()->GetVarList("l");

    VBScriptEngine engine;
    engine.SetStepLimit(20000);
    engine.SetTimeout(2000);
    engine.AddObject("VarList", std::make_shared<VBListObject>(list), true);
    engine.AddObject("Func", std::make_shared<ScriptFunc>(), true);
    auto result = std::make_shared<VBDictionary>();
    engine.AddObject("Result", result, false);
    engine.AddObject("GW", std::make_shared<VBNodeObject>(doc.ScrRoot()->GetVarGrp("gw")), true);
    if (!engine.Execute(text) && engine.ErrNumber() == 0) __builtin_trap();
    VBValue v;
    if (!engine.Eval(text, v) && engine.ErrNumber() == 0) __builtin_trap();
    (void)v.ToText();

    // Conditions of the queries are expressions: no loops, so no limits needed.
    if (auto sub = list->GetList(text)) (void)sub->xml();
    (void)list->GetValue("Amount", text, "DT").ToText();
    return 0;
}
