#include "messaging/scriptvarlist.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "messaging/scriptdocument.h"

namespace {

// Rows of (year, month, amount, name).
std::string Sales() {
    const char* rows[][4] = {
        {"2013", "11", "10", "A"}, {"2013", "12", "20", "B"}, {"2014", "1", "40", "A"},
        {"2014", "2", "-5", "C"},  {"2015", "1", "7.5", "B"},
    };
    std::string xml = "<R><VARLIST id=\"sales\" cols=\"RowYear,RowMonth,Amount,Name\">";
    for (const auto& r : rows) {
        xml += std::string("<VARROW><VAR id=\"RowYear\">") + r[0] + "</VAR><VAR id=\"RowMonth\">" +
               r[1] + "</VAR><VAR id=\"Amount\">" + r[2] + "</VAR><VAR id=\"Name\">" + r[3] +
               "</VAR></VARROW>";
    }
    return xml + "</VARLIST><VARGRP id=\"gw\"><VAR id=\"rate\">2</VAR></VARGRP></R>";
}

class ScriptQuery : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(doc.LoadXML(Sales()));
        list = doc.ScrRoot()->GetVarList("sales");
    }
    ScriptDocument doc;
    std::shared_ptr<ScriptVarList> list;
};

TEST_F(ScriptQuery, GetListCopiesMatchingRowsAndLeavesTheSource) {
    std::string before = list->xml();
    auto a = list->GetList("Var(\"Name\")=\"A\" Or Var(\"Amount\") < \"0\"");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->Name(), "sales");
    EXPECT_EQ(a->Columns(), list->Columns());
    ASSERT_EQ(a->Count(), 3);
    EXPECT_EQ(a->Field("Amount"), "10");
    EXPECT_EQ(a->Item(2)->Var("Name"), "C");
    EXPECT_EQ(list->xml(), before);
    EXPECT_EQ(list->GetList("")->Count(), 5);
}

TEST_F(ScriptQuery, ScriptErrorsGiveTheDefaultResult) {
    EXPECT_EQ(list->GetList("Var(\"Name\") ="), nullptr);
    EXPECT_EQ(list->ErrNumber(), 1002);
    EXPECT_EQ(list->Sum("Var(\"Name\")", ""), 0);  // cDbl("A") fails
    EXPECT_EQ(list->ErrNumber(), 13);
    EXPECT_EQ(list->Max("Var(\"Amount\")", "Undefined("), 0);
    EXPECT_EQ(list->ErrNumber(), 1002);
    EXPECT_EQ(list->GetValue("Name", "\"x\"", "S").ToText(), "");
    EXPECT_EQ(list->ErrNumber(), 13);
    EXPECT_EQ(list->Sum("Var(\"Amount\")", ""), 72.5);
    EXPECT_EQ(list->ErrNumber(), 0);
}

TEST_F(ScriptQuery, GetValueGivesTheFirstMatchOrTheTypeDefault) {
    EXPECT_EQ(list->GetValue("Amount", "Var(\"Name\")=\"B\"", "S").ToText(), "20");
    const std::pair<const char*, Variant> defaults[] = {
        {"S", Variant("")},         {"D", Variant("1900-01-01")},
        {"T", Variant("00:00:00")}, {"DT", Variant("1900-01-01 00:00:00")},
        {"L", Variant(0)},          {"I", Variant(0)},
        {"DB", Variant(0)},         {"?", Variant(0)},
    };
    for (const auto& [type, want] : defaults) {
        EXPECT_EQ(list->GetValue("Amount", "Var(\"Name\")=\"Z\"", type), want) << type;
    }
}

TEST_F(ScriptQuery, SumMaxAndMin) {
    EXPECT_DOUBLE_EQ(list->Sum("Var(\"Amount\")", "Var(\"Name\")=\"A\""), 50);
    auto gw = doc.ScrRoot()->GetVarGrp("gw");
    EXPECT_DOUBLE_EQ(list->Sum("Var(\"Amount\") * GW.Var(\"rate\")", "", gw), 145);
    EXPECT_DOUBLE_EQ(list->Sum("Var(\"Amount\")", "", nullptr, list), 72.5);
    EXPECT_DOUBLE_EQ(list->Max("Var(\"Amount\")", ""), 40);
    EXPECT_DOUBLE_EQ(list->Min("Var(\"Amount\")", ""), -5);
    // The first matching row seeds the result, not 0.
    EXPECT_DOUBLE_EQ(list->Min("Var(\"Amount\")", "Var(\"Name\")=\"A\""), 10);
    EXPECT_DOUBLE_EQ(list->Max("Var(\"Amount\")", "Var(\"Name\")=\"C\""), -5);
    EXPECT_EQ(list->Max("Var(\"Amount\")", "Var(\"Name\")=\"Z\""), 0);
    EXPECT_EQ(list->Min("Var(\"Amount\")", "Var(\"Name\")=\"Z\""), 0);
    EXPECT_EQ(list->ErrNumber(), 0);
}

TEST_F(ScriptQuery, PeriodSumsCrossTheYearBoundary) {
    const std::string kAOrB = "Var(\"Name\")=\"A\" Or Var(\"Name\")=\"B\"";
    const DateTime jan = DateTime::Date(2014, 1, 15);
    struct Case {
        const char* what;
        double got;
        double want;
    };
    const Case cases[] = {
        {"AtYear 2014", list->AtYear("Var(\"Amount\")", 2014, ""), 35},
        {"AtYear 2014 A", list->AtYear("Var(\"Amount\")", 2014, "Var(\"Name\")=\"A\""), 40},
        {"AtMonth 2013-12", list->AtMonth("Var(\"Amount\")", 2013, 12, ""), 20},
        {"AtLastY 1", list->AtLastY("Var(\"Amount\")", jan, 1, ""), 30},
        {"AtNextY 1", list->AtNextY("Var(\"Amount\")", jan, 1, ""), 7.5},
        {"AtLastM 1", list->AtLastM("Var(\"Amount\")", jan, 1, ""), 20},
        {"AtLastM 2", list->AtLastM("Var(\"Amount\")", jan, 2, ""), 10},
        {"AtNextM 1", list->AtNextM("Var(\"Amount\")", jan, 1, ""), -5},
        {"AtNextM 12", list->AtNextM("Var(\"Amount\")", jan, 12, ""), 7.5},
        {"LastY 2", list->LastY("Var(\"Amount\")", jan, 2, ""), 65},
        {"NextY 2 B", list->NextY("Var(\"Amount\")", jan, 2, "Var(\"Name\")=\"B\""), 7.5},
        {"LastM 2", list->LastM("Var(\"Amount\")", jan, 2, ""), 60},
        {"LastM 3", list->LastM("Var(\"Amount\")", jan, 3, ""), 70},
        {"NextM 2", list->NextM("Var(\"Amount\")", jan, 2, ""), 35},
        {"LastM 0", list->LastM("Var(\"Amount\")", jan, 0, ""), 0},
        // A condition with Or still counts the period's rows only.
        {"AtYear 2014 A|B", list->AtYear("Var(\"Amount\")", 2014, kAOrB), 40},
        {"AtMonth 2013-12 A|B", list->AtMonth("Var(\"Amount\")", 2013, 12, kAOrB), 20},
        {"NextY 2 A|B", list->NextY("Var(\"Amount\")", jan, 2, kAOrB), 47.5},
        {"AtLastM 1 A|B", list->AtLastM("Var(\"Amount\")", jan, 1, kAOrB), 20},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(c.got, c.want) << c.what;
}

TEST(ScriptQueryText, PeriodConditionsAreWrittenAsDocumented) {
    EXPECT_EQ(ScriptVarList::PeriodCondition("", ScriptVarList::YearTerm(2014), false),
              "Var(\"RowYear\")=\"2014\"");
    EXPECT_EQ(ScriptVarList::PeriodCondition("c", ScriptVarList::MonthTerm(2013, 12), true),
              "(c) And ((Var(\"RowYear\")=\"2013\" And Var(\"RowMonth\")=\"12\"))");
}

TEST_F(ScriptQuery, SortMergeAndMergeColumn) {
    ASSERT_TRUE(list->Sort("Amount"));
    std::string order;
    for (int i = 0; i < list->Count(); ++i)
        order += list->Item(i)->Var("Amount") + " ";
    EXPECT_EQ(order, "-5 7.5 10 20 40 ");  // numerically, not as text
    EXPECT_TRUE(list->Sort("Name", true));
    EXPECT_EQ(list->Item(0)->Var("Name"), "C");
    EXPECT_EQ(
        list->xml().find("<VAR id=\"Name\">C</VAR>") < list->xml().find("<VAR id=\"Name\">B</VAR>"),
        true);

    ASSERT_TRUE(
        doc.LoadXML("<R><VARLIST id=\"a\" cols=\"k,x\"><VARROW><VAR id=\"k\">1</VAR>"
                    "<VAR id=\"x\">a1</VAR></VARROW><VARROW><VAR id=\"k\">2</VAR>"
                    "<VAR id=\"x\">a2</VAR></VARROW></VARLIST><VARLIST id=\"b\" "
                    "cols=\"k,y\"><VARROW><VAR id=\"k\">2</VAR><VAR id=\"y\">b2</VAR>"
                    "</VARROW></VARLIST></R>"));
    auto a = doc.ScrRoot()->GetVarList("a");
    auto b = doc.ScrRoot()->GetVarList("b");
    ASSERT_TRUE(a->MergeColumn(*b, "k"));
    EXPECT_EQ(a->Columns(), (std::vector<std::string>{"k", "x", "y"}));
    EXPECT_EQ(a->Item(1)->Var("y"), "b2");
    EXPECT_EQ(a->Item(0)->Var("y"), "");
    EXPECT_NE(a->xml().find("cols=\"k,x,y\""), std::string::npos);

    a->Options().IgnoreFieldCheck = true;
    EXPECT_TRUE(a->Merge(*b));
    EXPECT_EQ(a->Count(), 3);
    EXPECT_EQ(b->Count(), 0);
    EXPECT_EQ(b->xml(), "<VARLIST id=\"b\" cols=\"k,y\"/>");
}

TEST(ScriptQueryObjects, ConditionsReachFunctionsSubListsAndTheCurrentRow) {
    ScriptDocument doc;
    ASSERT_TRUE(
        doc.LoadXML("<R><VARLIST id=\"r\" cols=\"ID,Date,Tables\">"
                    "<VARROW><VAR id=\"ID\">1</VAR><VAR id=\"Date\">2014-05-16 19:30</VAR>"
                    "<VARLIST id=\"Tables\" cols=\"ID\"><VARROW><VAR id=\"ID\">T1</VAR></VARROW>"
                    "<VARROW><VAR id=\"ID\">T2</VAR></VARROW></VARLIST></VARROW>"
                    "<VARROW><VAR id=\"ID\">2</VAR><VAR id=\"Date\">2014-06-01 12:00</VAR>"
                    "<VARLIST id=\"Tables\" cols=\"ID\"><VARROW><VAR id=\"ID\">T3</VAR></VARROW>"
                    "</VARLIST></VARROW></VARLIST>"
                    "<VARLIST id=\"wanted\" cols=\"ID\"><VARROW><VAR id=\"ID\">T3</VAR></VARROW>"
                    "</VARLIST></R>"));
    auto list = doc.ScrRoot()->GetVarList("r");
    auto wanted = doc.ScrRoot()->GetVarList("wanted");
    const std::pair<const char*, int> conditions[] = {
        {"GetMonth(Var(\"Date\")) = 5", 1},
        {"GetHour(Var(\"Date\")) >= 12 And Left(Var(\"Date\"), 4) = \"2014\"", 2},
        {"ExistsIn(Var(\"Tables\"), \"T2, T9\", \"ID\")", 1},
        {"Var(\"Tables\").Count = 1", 1},
        {"IIF(Var(\"ID\") = \"2\", True, False)", 1},
        {"VarList.Count = 2 And Not IsEmpty(Var(\"ID\"))", 2},
    };
    for (const auto& [cond, count] : conditions) {
        auto sub = list->GetList(cond);
        ASSERT_NE(sub, nullptr) << cond << ": " << list->ErrMessage();
        EXPECT_EQ(sub->Count(), count) << cond;
    }
    // GWList is reachable in Sum; Result is private to the query.
    EXPECT_DOUBLE_EQ(list->Sum("1", "ExistsIn(Var(\"Tables\"), GWList, \"ID\")", nullptr, wanted),
                     1);
    EXPECT_DOUBLE_EQ(list->Sum("Var(\"ID\")", "Result.Count = 1"), 3);
}

}  // namespace
