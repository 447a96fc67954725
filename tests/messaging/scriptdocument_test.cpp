#include "messaging/scriptdocument.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "support/tempdir.h"

namespace {

struct ParseCase {
    const char* xml;
    int32_t code;
    const char* message;
};

TEST(ScriptDocumentParse, ErrorCodesAndMessages) {
    const ParseCase cases[] = {
        {"<R><VAR>x</VAR></R>", 30000, "Missing \"id\" attribute in variable node"},
        {"<R><VARLIST cols=\"a\"/></R>", 30000, "Missing \"id\" attribute in variable list node"},
        {"<R><VARLIST id=\"l\"/></R>", 30000, "Missing \"cols\" attribute in variable list node"},
        {"<R><VARLIST id=\"l\" cols=\"\"/></R>", 30001,
         "Invalid \"cols\" value \"\" in variable list node \"l\""},
        {"<R><FOO/></R>", 30002, "Invalid node FOO"},
        {"<R><VARLIST id=\"l\" cols=\"a\"><VARGRP id=\"a\"/></VARLIST></R>", 30002,
         "Invalid node VARGRP"},
        {"<R><VAR id=\"a\"/><VAR id=\"a\"/></R>", 30004, "Duplicate variable node a"},
        {"<R><VARGRP id=\"a\"/><VARLIST id=\"a\" cols=\"x\"/></R>", 30004,
         "Duplicate variable list node a"},
        {"<R><VAR id=\"a\"/><VARGRP id=\"a\"/></R>", 30004, "Duplicate group node a"},
        {"<R><VARGRP/><VARGRP/></R>", 30004, "Duplicate group node "},
        {"<R><VARLIST id=\"l\" cols=\"a,b\"><VARROW><VAR id=\"a\"/></VARROW></VARLIST></R>", 30006,
         "Some columns are missing in variable list node \"l\""},
        // A failure deep inside is reported as it stands.
        {"<R><VARGRP id=\"g\"><VARLIST id=\"l\" cols=\"a\"><VARROW><VAR>1</VAR></VARROW>"
         "</VARLIST></VARGRP></R>",
         30000, "Missing \"id\" attribute in variable node"},
        {"<R><VAR id=\"a\"></R>", pugi::status_end_element_mismatch, "Start-end tags mismatch"},
        {"", pugi::status_no_document_element, "No document element found"},
        // Malformed text the DOM parser alone would let through.
        {"<R><VAR id=\"a\">1</VAR></R><R2/>", pugi::status_bad_start_element,
         "Only one top level element is allowed in a document: R2 follows R"},
        {"<R/><!-- note --><R/>", pugi::status_bad_start_element,
         "Only one top level element is allowed in a document: R follows R"},
        {"<R><VAR id=\"a\">\xFF</VAR></R>", pugi::status_bad_pcdata,
         "Invalid UTF-8 byte sequence at offset 15"},
        {"<R><VAR id=\"a\">\xC0\xAF</VAR></R>", pugi::status_bad_pcdata,  // overlong "/"
         "Invalid UTF-8 byte sequence at offset 15"},
        {"<R><VAR id=\"a\">\xED\xA0\x80</VAR></R>", pugi::status_bad_pcdata,  // a surrogate
         "Invalid UTF-8 byte sequence at offset 15"},
        {"<R><VAR id=\"\xE4\xB8\">x</VAR></R>", pugi::status_bad_pcdata,  // cut short
         "Invalid UTF-8 byte sequence at offset 12"},
    };
    for (const auto& c : cases) {
        ScriptDocument doc;
        EXPECT_FALSE(doc.LoadXML(c.xml)) << c.xml;
        EXPECT_EQ(doc.ErrNumber(), c.code) << c.xml;
        EXPECT_EQ(doc.ErrMessage(), c.message) << c.xml;
        EXPECT_EQ(doc.ScrRoot(), nullptr);
    }
}

TEST(ScriptDocumentParse, ValidUtf8AndTrailingCommentsStillLoad) {
    ScriptDocument doc;
    ASSERT_TRUE(
        doc.LoadXML("<R><VAR id=\"n\">\xE9\xA6\x99\xE6\xB8\xAF \xF0\x9F\x8D\xB7 caf"
                    "\xC3\xA9</VAR></R><!-- end -->\n"))
        << doc.ErrMessage();
    EXPECT_EQ(doc.ScrRoot()->Var("n"), "\xE9\xA6\x99\xE6\xB8\xAF \xF0\x9F\x8D\xB7 caf\xC3\xA9");
}

TEST(ScriptDocumentParse, IgnoreOptionsSkipWhatTheyName) {
    struct Case {
        const char* xml;
        ScriptOptions options;
        const char* keeps;
    };
    const Case cases[] = {
        {"<R><FOO/><VAR id=\"k\">1</VAR></R>", {false, false, true, false}, "k"},
        {"<R><VARLIST id=\"bad\"/><VAR id=\"k\">1</VAR></R>", {false, true, false, false}, "k"},
        {"<R><VARLIST id=\"l\" cols=\"a\"><VARROW><VAR>x</VAR></VARROW></VARLIST>"
         "<VAR id=\"k\">1</VAR></R>",
         {false, true, false, false},
         "k"},
    };
    for (const auto& c : cases) {
        ScriptDocument doc;
        doc.Options() = c.options;
        ASSERT_TRUE(doc.LoadXML(c.xml)) << c.xml << ": " << doc.ErrMessage();
        EXPECT_EQ(doc.ScrRoot()->Var(c.keeps), "1");
    }
    // IgnoreFieldCheck accepts a row lacking a column; without it the list fails.
    ScriptDocument doc;
    doc.Options().IgnoreFieldCheck = true;
    ASSERT_TRUE(
        doc.LoadXML("<R><VARLIST id=\"l\" cols=\"a,b\"><VARROW><VAR id=\"a\">1</VAR>"
                    "</VARROW></VARLIST></R>"));
    EXPECT_EQ(doc.ScrRoot()->GetVarList("l")->Count(), 1);
}

TEST(ScriptDocumentParse, DuplicatesWithIgnoreDupNodeKeepTheFirstAndTheMarkup) {
    const char* xml = "<R><VAR id=\"a\">first</VAR><VAR id=\"a\">second</VAR></R>";
    ScriptDocument doc;
    doc.Options().IgnoreDupNode = true;
    ASSERT_TRUE(doc.LoadXML(xml));
    auto root = doc.ScrRoot();
    EXPECT_EQ(root->Var("a"), "first");
    EXPECT_EQ(root->VarCount(), 1);
    EXPECT_EQ(root->xml(), xml);  // the second element stays in the DOM
}

TEST(ScriptDocumentParse, ColumnsAreSatisfiedByAnyKindAndSplitWithoutTrimming) {
    ScriptDocument doc;
    ASSERT_TRUE(
        doc.LoadXML("<R><VARLIST id=\"l\" cols=\"a,,b\"><VARROW><VARGRP id=\"a\"/>"
                    "<VAR id=\"\"/><VARLIST id=\"b\" cols=\"x\"/></VARROW></VARLIST>"
                    "<VARLIST id=\"m\" cols=\" a\"><VARROW><VAR id=\" a\"/></VARROW>"
                    "</VARLIST></R>"))
        << doc.ErrMessage();
    auto l = doc.ScrRoot()->GetVarList("l");
    EXPECT_EQ(l->Columns(), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(doc.ScrRoot()->GetVarList("m")->Columns(), (std::vector<std::string>{" a"}));
}

TEST(ScriptDocumentParse, ValuesNamesAndRoundTrip) {
    const char* xml =
        "<KIV id=\"root\"><VAR id=\"t\">a &amp; b</VAR><VAR id=\"c\"><![CDATA[<x>]]></VAR>"
        "<VAR id=\"blank\"> </VAR><VAR id=\"e\"/><VARGRP type=\"t\"><VAR id=\"in\">1</VAR>"
        "</VARGRP></KIV>";
    ScriptDocument doc;
    ASSERT_TRUE(doc.LoadXML(xml));
    auto root = doc.ScrRoot();
    EXPECT_EQ(root->Name(), "root");
    EXPECT_EQ(root->NodeType(), "VARNODE");
    EXPECT_EQ(root->Var("t"), "a & b");
    EXPECT_EQ(root->Var("c"), "<x>");
    EXPECT_EQ(root->Var("blank"), " ");
    EXPECT_EQ(root->Var("missing"), "");
    EXPECT_EQ(root->GetVarGrp("")->Var("in"), "1");
    EXPECT_EQ(root->VarKeys(), (std::vector<std::string>{"t", "c", "blank", "e"}));
    EXPECT_EQ(root->VarName(1), "c");
    EXPECT_EQ(root->VarName(9), "");
    EXPECT_EQ(root->xml(), xml);
    // Many children switch the look-up to an index; it must agree.
    std::string big = "<R>";
    for (int i = 0; i < 40; ++i)
        big += "<VAR id=\"v" + std::to_string(i) + "\">" + std::to_string(i) + "</VAR>";
    big += "<VAR id=\"v7\">dup</VAR></R>";
    EXPECT_FALSE(doc.LoadXML(big));
    EXPECT_EQ(doc.ErrMessage(), "Duplicate variable node v7");
    doc.Options().IgnoreDupNode = true;
    ASSERT_TRUE(doc.LoadXML(big));
    EXPECT_EQ(doc.ScrRoot()->Var("v33"), "33");
    EXPECT_TRUE(doc.ScrRoot()->DelVar("v3"));
    EXPECT_EQ(doc.ScrRoot()->Var("v39"), "39");
    EXPECT_FALSE(doc.ScrRoot()->VarExists("v3"));
}

TEST(ScriptDocumentParse, RunawayNestingIsRefusedNotACrash) {
    std::string xml;
    for (int i = 0; i < 5000; ++i)
        xml += "<VARGRP id=\"g\">";
    for (int i = 0; i < 5000; ++i)
        xml += "</VARGRP>";
    ScriptDocument doc;
    EXPECT_FALSE(doc.LoadXML(xml));
    EXPECT_EQ(doc.ErrNumber(), 30002);
}

TEST(ScriptDocumentParse, LoadReadsFilesAndRemoveScrRootStartsOver) {
    TempDir dir;
    WriteTextFile(dir.File("p.xml"), "<R><VAR id=\"a\">1</VAR></R>");
    ScriptDocument doc;
    ASSERT_TRUE(doc.Load(dir.File("p.xml")));
    EXPECT_EQ(doc.ScrRoot()->Var("a"), "1");
    ASSERT_TRUE(doc.Load("file://" + dir.File("p.xml")));
    doc.RemoveScrRoot();
    EXPECT_EQ(doc.ScrRoot(), nullptr);
    EXPECT_FALSE(doc.Load(dir.File("none.xml")));
    EXPECT_EQ(doc.ErrNumber(), pugi::status_file_not_found);
}

TEST(ScriptVarListCursor, MoveNextAtTheEndLeavesNoCurrentRow) {
    ScriptDocument doc;
    ASSERT_TRUE(
        doc.LoadXML("<R><VARLIST id=\"l\" cols=\"n\"><VARROW><VAR id=\"n\">1</VAR>"
                    "</VARROW><VARROW><VAR id=\"n\">2</VAR></VARROW></VARLIST></R>"));
    auto l = doc.ScrRoot()->GetVarList("l");
    EXPECT_EQ(l->Field("n"), "1");  // parsing leaves the cursor on row 0
    EXPECT_TRUE(l->MoveNext());
    EXPECT_EQ(l->Var("n"), "2");
    EXPECT_FALSE(l->MoveNext());
    EXPECT_EQ(l->Var("n"), "");
    EXPECT_EQ(l->CurrentRow(), nullptr);
    // The position stayed on the last row: Del() removes it.
    EXPECT_TRUE(l->Del());
    EXPECT_EQ(l->Count(), 1);
    EXPECT_EQ(l->xml(),
              "<VARLIST id=\"l\" cols=\"n\"><VARROW><VAR id=\"n\">1</VAR></VARROW>"
              "</VARLIST>");
    EXPECT_FALSE(l->Del(5));
    l->RemoveAll();
    EXPECT_EQ(l->Count(), 0);
    EXPECT_EQ(l->xml(), "<VARLIST id=\"l\" cols=\"n\"/>");
    l->MoveFirst();
    EXPECT_EQ(l->Item(0), nullptr);
    EXPECT_FALSE(l->MoveNext());
}

TEST(ScriptNodeEdit, AttachRefusalsCarryTheirCodes) {
    ScriptDocument doc;
    auto g = doc.CreateVarGrp("g");
    ASSERT_TRUE(g->AddVar(doc.CreateVariable("x", "1")));
    ASSERT_TRUE(g->AddVarGrp(doc.CreateVarGrp("y")));
    ASSERT_TRUE(g->AddVarList(doc.CreateVarList("z", "a")));
    struct Refusal {
        std::function<bool()> attach;
        int32_t code;
        const char* message;
    };
    const Refusal refusals[] = {
        {[&] { return g->AddVar(doc.CreateVariable("y", "")); }, 30004,
         "Duplicate variable node y"},
        {[&] { return g->AddVarList(doc.CreateVarList("x", "a")); }, 30004,
         "Duplicate list node x"},
        {[&] { return g->AddVarGrp(doc.CreateVarGrp("z")); }, 30004, "Duplicate group node z"},
        {[&] { return g->AddVarGrp(doc.CreateVarRow()); }, 30002, "Invalid node VARROW"},
    };
    for (const auto& r : refusals) {
        EXPECT_FALSE(r.attach());
        EXPECT_EQ(g->ErrNumber(), r.code);
        EXPECT_EQ(g->ErrMessage(), r.message);
    }
    EXPECT_FALSE(g->SetVar("y", "v"));  // a group holds that name

    auto list = g->GetVarList("z");
    EXPECT_FALSE(list->AddNew(doc.CreateVarGrp("r")));
    EXPECT_EQ(list->ErrMessage(), "Invalid node VARGRP");
    auto row = doc.CreateVarRow();
    EXPECT_FALSE(list->AddNew(row));
    EXPECT_EQ(list->ErrNumber(), 30006);
    EXPECT_EQ(list->ErrMessage(), "Some columns are missing in row");
    list->Options().IgnoreFieldCheck = true;
    EXPECT_TRUE(list->AddNew(row));

    // No cycles, and no elements of another document.
    auto inner = g->GetVarGrp("y");
    EXPECT_FALSE(inner->AddVarGrp(g));
    EXPECT_FALSE(g->AddVarGrp(g));
    ScriptDocument other;
    EXPECT_FALSE(g->AddVar(other.CreateVariable("o", "1")));
    EXPECT_EQ(g->xml(),
              "<VARGRP id=\"g\"><VAR id=\"x\">1</VAR><VARGRP id=\"y\"/>"
              "<VARLIST id=\"z\" cols=\"a\"><VARROW/></VARLIST></VARGRP>");
}

TEST(ScriptNodeEdit, OptionsAreInheritedOnAttach) {
    ScriptDocument doc;
    auto g = doc.CreateVarGrp("g");
    g->Options().IgnoreFieldCheck = true;
    auto list = doc.CreateVarList("l", "a");
    ASSERT_TRUE(g->AddVarList(list));
    EXPECT_TRUE(list->AddNew(doc.CreateVarRow()));
}

TEST(ScriptNodeEdit, MergeMovesOnlyWhatIsMissing) {
    ScriptDocument doc;
    ASSERT_TRUE(
        doc.LoadXML("<R><VARGRP id=\"a\"><VAR id=\"x\">1</VAR></VARGRP>"
                    "<VARGRP id=\"b\"><VAR id=\"x\">2</VAR><VAR id=\"y\">3</VAR>"
                    "<VARGRP id=\"g\"/><VARLIST id=\"l\" cols=\"c\"/></VARGRP></R>"));
    auto a = doc.ScrRoot()->GetVarGrp("a");
    auto b = doc.ScrRoot()->GetVarGrp("b");
    a->Merge(*b);
    EXPECT_EQ(a->xml(),
              "<VARGRP id=\"a\"><VAR id=\"x\">1</VAR><VAR id=\"y\">3</VAR>"
              "<VARGRP id=\"g\"/><VARLIST id=\"l\" cols=\"c\"/></VARGRP>");
    EXPECT_EQ(b->xml(), "<VARGRP id=\"b\"><VAR id=\"x\">2</VAR></VARGRP>");
    EXPECT_FALSE(b->VarExists("y"));
    EXPECT_TRUE(a->VarListExists("l"));
}

TEST(ScriptNodeEdit, DetachedAndHeldObjectsOutliveTheirContainers) {
    ScriptDocument doc;
    std::shared_ptr<ScriptVariable> held;
    std::shared_ptr<ScriptNode> row;
    {
        auto g = doc.CreateDocument("p", "t", "", "d");
        EXPECT_EQ(g->xml(), "<VARGRP id=\"p\" type=\"t\" dir=\"d\"/>");
        auto inner = doc.CreateVarGrp("inner");
        ASSERT_TRUE(g->AddVarGrp(inner));
        ASSERT_TRUE(inner->SetVar("v", "kept"));
        held = inner->GetVar("v");
        auto list = doc.CreateVarList("l", "");
        ASSERT_TRUE(g->AddVarList(list));
        ASSERT_TRUE(list->AddNew(doc.CreateVarRow()));
        row = list->Item(0);
        list->RemoveAll();
    }  // the free group and everything under it is gone
    EXPECT_EQ(held->Value(), "kept");
    EXPECT_EQ(held->xml(), "<VAR id=\"v\">kept</VAR>");
    EXPECT_EQ(row->xml(), "<VARROW/>");
    auto again = doc.CreateVarGrp("again");
    EXPECT_TRUE(again->AddVar(held));
    EXPECT_EQ(again->xml(), "<VARGRP id=\"again\"><VAR id=\"v\">kept</VAR></VARGRP>");

    ASSERT_TRUE(doc.LoadXML("<R><VAR id=\"a\">1</VAR></R>"));
    auto var = doc.ScrRoot()->GetVar("a");
    EXPECT_TRUE(doc.ScrRoot()->DelVar("a"));
    EXPECT_FALSE(doc.ScrRoot()->DelVar("a"));
    EXPECT_EQ(doc.ScrRoot()->xml(), "<R/>");
    ASSERT_TRUE(doc.LoadXML("<Other/>"));  // the old document lives on for `var`
    var->SetValue("2");
    EXPECT_EQ(var->xml(), "<VAR id=\"a\">2</VAR>");
}

TEST(ScriptNodeEdit, CdataValuesAndEmptyValues) {
    ScriptDocument doc;
    auto g = doc.CreateVarGrp("g");
    ASSERT_TRUE(g->AddVar(doc.CreateVariable("c", "a]]>b<", true)));
    ASSERT_TRUE(g->AddVar(doc.CreateVariable("e", "")));
    ASSERT_TRUE(g->SetVar("e", "now"));
    ASSERT_TRUE(g->SetVar("n", "x&y"));
    EXPECT_EQ(g->xml(),
              "<VARGRP id=\"g\"><VAR id=\"c\"><![CDATA[a]]]]><![CDATA[>b<]]></VAR>"
              "<VAR id=\"e\">now</VAR><VAR id=\"n\">x&amp;y</VAR></VARGRP>");
    ScriptDocument back;
    ASSERT_TRUE(back.LoadXML(g->xml()));
    EXPECT_EQ(back.ScrRoot()->Var("c"), "a]]>b<");
    EXPECT_EQ(back.ScrRoot()->Var("n"), "x&y");
    g->GetVar("c")->SetValue("");
    EXPECT_EQ(g->GetVar("c")->xml(), "<VAR id=\"c\"/>");
}

TEST(ScriptVarListEdit, RowsMoveBetweenListsAndKeepTheirCursorRules) {
    ScriptDocument doc;
    ASSERT_TRUE(
        doc.LoadXML("<R><VARLIST id=\"a\" cols=\"n\"><VARROW><VAR id=\"n\">1</VAR>"
                    "</VARROW><VARROW><VAR id=\"n\">2</VAR></VARROW><VARROW>"
                    "<VAR id=\"n\">3</VAR></VARROW></VARLIST>"
                    "<VARLIST id=\"b\" cols=\"n\"/></R>"));
    auto a = doc.ScrRoot()->GetVarList("a");
    auto b = doc.ScrRoot()->GetVarList("b");
    auto first = a->Item(0);
    ASSERT_TRUE(a->AddNew(first));  // re-adding moves the row to the end
    EXPECT_EQ(a->Item(2)->Var("n"), "1");
    EXPECT_EQ(a->Count(), 3);
    ASSERT_TRUE(b->AddNew(first));  // and to another list it leaves this one
    EXPECT_EQ(a->Count(), 2);
    EXPECT_EQ(b->Count(), 1);
    a->MoveFirst();
    EXPECT_TRUE(a->Del());  // the current row: no current row afterwards
    EXPECT_EQ(a->CurrentRow(), nullptr);
    EXPECT_EQ(a->Field("n"), "");
    auto kept = a->Item(0);
    EXPECT_TRUE(a->Del(0));
    EXPECT_TRUE(b->AddNew(kept));  // a deleted row stays usable
    EXPECT_EQ(doc.ScrRoot()->xml(),
              "<R><VARLIST id=\"a\" cols=\"n\"/><VARLIST id=\"b\" cols=\"n\"><VARROW>"
              "<VAR id=\"n\">1</VAR></VARROW><VARROW><VAR id=\"n\">3</VAR></VARROW></VARLIST>"
              "</R>");
    ScriptDocument again;
    EXPECT_TRUE(again.LoadXML(doc.ScrRoot()->xml()));
    EXPECT_EQ(again.ErrNumber(), 0);
}

TEST(ScriptDocumentParse, FactoriesAndParsedNodesTakeTheDocumentOptions) {
    ScriptDocument doc;
    doc.Options().IgnoreFieldCheck = true;
    auto list = doc.CreateVarList("l", "a,b");
    EXPECT_TRUE(list->Options().IgnoreFieldCheck);
    EXPECT_TRUE(list->AddNew(doc.CreateVarRow()));
    EXPECT_FALSE(doc.LoadXML("<R><X/></R>"));
    doc.Options().IgnoreUnknownNode = true;
    ASSERT_TRUE(doc.LoadXML("<R><VARGRP id=\"g\"><X/></VARGRP></R>"));
    EXPECT_EQ(doc.ErrNumber(), 0);
    EXPECT_EQ(doc.ErrMessage(), "");
    EXPECT_TRUE(doc.ScrRoot()->GetVarGrp("g")->Options().IgnoreUnknownNode);
}

}  // namespace
