// Table colours from the demo's colour rows, the painting rule and the
// time a party has been seated.
#include "venue/colordefs.h"

#include "venue/tablecolor.h"
#include "venue/tablestatus.h"
#include "venue/venuefixture.h"

namespace {

constexpr int32_t kVacant = 0x80E080, kArrived = 0xFFFF80, kOccupied = 0xF08080;
constexpr int32_t kUpTo30 = 0xFFE0E0, kUpTo60 = 0xFFA0A0, kUpTo90 = 0xFF6060, kOver90 = 0xC00000;

class ColorDefsTest : public VenueTest {
  protected:
    void SetUp() override { ASSERT_TRUE(colors.Load(db1)); }
    ColorDefs colors;
};

DateTime At(const char* time) {
    return *DateTime::Parse(time);
}

TEST_F(ColorDefsTest, StateColoursIgnoreCase) {
    EXPECT_EQ(colors.GetTableStatusColor("v"), kVacant);
    EXPECT_EQ(colors.GetStatusColorDef("o")->Name(2), "使用中");
    EXPECT_EQ(colors.GetTableStatusColor("Z"), 0);
    EXPECT_EQ(colors.GetStatusColorDef("Z"), nullptr);
    EXPECT_EQ(colors.TableCapacityColor().Count(), 6u);
}

TEST_F(ColorDefsTest, TimeRangesIncludeBothBoundsAndTheLastMatchWins) {
    struct Case {
        int32_t minutes, color;
    };
    const Case plain[] = {{0, kUpTo30},  {30, kUpTo30},   {31, kUpTo60},      {90, kUpTo90},
                          {91, kOver90}, {9999, kOver90}, {10000, kOccupied}, {-1, kOccupied}};
    for (const Case& c : plain)
        EXPECT_EQ(colors.GetTimeColor(c.minutes), c.color) << c.minutes;

    // 45..75 overlaps both neighbours; stored as text, it still sorts as a number.
    Sql("INSERT INTO tbl_ColorDef (ColorModule, ColorValue, Value1, Value2, RowStatus)"
        " VALUES ('T', 123, '45', '75', 'A'), ('T', 456, 5, 6, 'D')");
    ASSERT_TRUE(colors.Load(db1));
    const Case overlap[] = {{44, kUpTo60}, {50, 123}, {60, 123}, {70, kUpTo90}, {5, kUpTo30}};
    for (const Case& c : overlap)
        EXPECT_EQ(colors.GetTimeColor(c.minutes), c.color) << c.minutes;
}

TEST(ElapsedMinutesTest, ShorterWayRoundTheClock) {
    struct Case {
        const char *arrival, *now;
        int32_t minutes;
    };
    const Case cases[] = {
        {"23:50", "00:10", 20},       // seated across midnight
        {"22:00", "01:30", 210},      //
        {"12:00", "13:30", 90},       //
        {"13:30", "13:28", 2},        // another workstation's clock a little ahead
        {"18:00:59", "18:01:00", 1},  // seconds do not count
        {"06:00", "18:00", 720},      //
        {"00:10", "00:10", 0},        //
    };
    for (const Case& c : cases)
        EXPECT_EQ(ElapsedMinutes(At(c.arrival), At(c.now)), c.minutes) << c.arrival << " " << c.now;
}

TableStatus Status(const char* state, int32_t reserveID) {
    Recordset rs(FieldList({"TableNo", "TableStatus", "ReserveID"}),
                 {{Variant("A1"), Variant(state), Variant(reserveID)}});
    TableStatus s;
    s.AddFromRS(&rs);
    return s;
}

TEST_F(ColorDefsTest, PaintingByStateAndByTime) {
    struct Case {
        ColorMode mode;
        const char* state;
        int32_t reserveID;
        const char* arrival;  // nullptr: not arrived
        const char* now;
        int32_t color;
    };
    const Case cases[] = {
        {ColorMode::ByState, "V", 0, nullptr, "12:00", kVacant},
        {ColorMode::ByState, "v", 7, "11:00", "12:00", kArrived},
        {ColorMode::ByState, "V", 7, nullptr, "12:00", kVacant},
        {ColorMode::ByState, "O", 7, "11:00", "12:00", kOccupied},
        {ColorMode::ByTime, "O", 0, nullptr, "12:00", kVacant},
        {ColorMode::ByTime, "O", 7, "23:50", "00:10", kUpTo30},
        {ColorMode::ByTime, "O", 7, "22:00", "00:10", kOver90},
        {ColorMode::ByTime, "B", 7, nullptr, "00:10", 0xFFA040},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.state) + " " + c.now);
        std::optional<DateTime> arrival;
        if (c.arrival != nullptr) arrival = At(c.arrival);
        EXPECT_EQ(TableColor(colors, Status(c.state, c.reserveID), c.mode, arrival, At(c.now)),
                  c.color);
    }
    EXPECT_EQ(ColorHex(kArrived), "#FFFF80");
    EXPECT_EQ(ColorHex(0x0000FF), "#0000FF");
}

}  // namespace
