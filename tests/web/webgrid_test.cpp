// The allotment grid built from the service's date configuration: its
// lines, the left figure, and edits that must go back without losing what
// the service sent.
#include "messaging/webgrid.h"

#include <gtest/gtest.h>

namespace {

const std::string kConfig =
    R"({"Period":[)"
    R"({"perd_name":"Lunch","perd_start_time":"11:30:00","perd_end_time":"1900-01-01 15:00",)"
    R"("perd_active":"A","rank":3,"Section":[{"sect_name":"Window","Allotment":[)"
    R"({"allot_type":"T","table_size":2,"allot_num":5},)"
    R"({"allot_type":"C","table_size":"4","allot_num":"12"}]},)"
    R"({"sect_name":"Bar","Allotment":[]}]},)"
    R"({"perd_name":"Late","perd_start_time":"late","perd_end_time":"02:00","perd_active":"i"}],)"
    R"("currency":"HKD"})";

std::string Line(const WebAllotRow& r) {
    return r.periodName + "|" + r.start + "|" + r.end + "|" + (r.active ? "A" : "I") + "|" +
           r.section + "|" + r.tableSize + "|" + (r.allotted ? std::to_string(*r.allotted) : "") +
           "|" + std::to_string(static_cast<int>(r.unit));
}

TEST(WebAllotGridTest, OneLinePerPeriodSectionAndTableSize) {
    WebAllotGrid grid;
    ASSERT_TRUE(grid.Load(kConfig)) << grid.ErrorText();
    std::vector<std::string> lines;
    for (const auto& r : grid.Rows())
        lines.push_back(Line(r));
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "Lunch|11:30|15:00|A|Window|2|5|1",
                         "Lunch|11:30|15:00|A|Window|4|12|2",
                         "Lunch|11:30|15:00|A|Bar|||0",
                         "Late|late|02:00|I||||0",
                     }));
    EXPECT_EQ(grid.PeriodStarts(), (std::vector<std::string>{"11:30", "late"}));
}

TEST(WebAllotGridTest, LeftIsOnlyGivenWhereTheUnitsAgree) {
    const struct {
        AllotUnit unit;
        std::optional<int64_t> allotted, used;
        const char* left;
    } cases[] = {
        {AllotUnit::kCovers, 12, 5, "7"},
        {AllotUnit::kCovers, 4, 9, "-5"},
        {AllotUnit::kTables, 3, 5, "-"},
        {AllotUnit::kUnknown, 3, 0, "-"},
        {AllotUnit::kCovers, 3, std::nullopt, "-"},
        {AllotUnit::kCovers, std::nullopt, 2, "-"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AllotLeftText(c.unit, c.allotted, c.used), c.left);
    const std::pair<JsonValue, AllotUnit> units[] = {
        {"t", AllotUnit::kTables},  {"Tables", AllotUnit::kTables},
        {1, AllotUnit::kTables},    {"C", AllotUnit::kCovers},
        {"2", AllotUnit::kCovers},  {"cover", AllotUnit::kCovers},
        {"X", AllotUnit::kUnknown}, {JsonValue(), AllotUnit::kUnknown},
    };
    for (const auto& [type, unit] : units)
        EXPECT_EQ(AllotUnitOf(type), unit);
}

TEST(WebAllotGridTest, EditsKeepTheServiceTypesAndEverythingElse) {
    WebAllotGrid grid;
    ASSERT_TRUE(grid.Load(kConfig));
    const auto lunch = grid.FindPeriod("LUNCH");
    ASSERT_TRUE(lunch);
    EXPECT_TRUE(grid.SetAllotNum(*lunch, "window", 2, 7));
    EXPECT_TRUE(grid.SetAllotNum(*lunch, "Window", 4, 10));
    EXPECT_FALSE(grid.SetAllotNum(*lunch, "Window", 6, 1));
    EXPECT_FALSE(grid.SetAllotNum(*lunch, "Bar", 2, 1));
    EXPECT_TRUE(grid.SetPeriodActive(*grid.FindPeriod("late"), true));
    EXPECT_TRUE(grid.SetPeriodActive(*lunch, false));
    EXPECT_FALSE(grid.FindPeriod("Dinner"));
    EXPECT_EQ(grid.Rows()[0].allotted, 7);
    EXPECT_FALSE(grid.Rows()[0].active);

    std::string expected = kConfig;
    for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
             {R"("allot_num":5)", R"("allot_num":7)"},
             {R"("allot_num":"12")", R"("allot_num":"10")"},
             {R"("perd_active":"A")", R"("perd_active":"I")"},
             {R"("perd_active":"i")", R"("perd_active":"A")"}})
        expected.replace(expected.find(from), from.size(), to);
    EXPECT_EQ(grid.ToJSON(), expected);
}

TEST(WebAllotGridTest, AnUnusableTextLeavesTheGridAsItWas) {
    WebAllotGrid grid;
    ASSERT_TRUE(grid.Load(kConfig));
    const std::pair<const char*, const char*> bad[] = {
        {"", "empty"},
        {"  \r\n", "empty"},
        {"Service temporarily closed", "Invalid JSON"},
        {"[1,2]", "not a JSON object"},
        {R"({"period":[]})", "no \"Period\" list"},
        {R"({"Period":[{"perd_name":"x")", "Missing '}'"},
    };
    for (const auto& [text, reason] : bad) {
        EXPECT_FALSE(grid.Load(text)) << text;
        EXPECT_EQ(grid.ErrorText().rfind(reason, 0), 0u) << text << ": " << grid.ErrorText();
        EXPECT_EQ(grid.Rows().size(), 4u) << text;
    }
    EXPECT_EQ(grid.ToJSON(), kConfig);
}

}  // namespace
