// Reservation records without a database: the list criteria, the field bag,
// the collection and the part flags.
#include "reservations/resvlistcriteria.h"

#include <gtest/gtest.h>

#include "reservations/reservations.h"
#include "reservations/resvrules.h"
#include "reservations/tablereserve.h"
#include "sql/recordset.h"
#include "venue/mpoutlet.h"

namespace {

TEST(ResvListCriteria, BuildsConditionsInTheirOrderAndSkipsBadBounds) {
    struct Case {
        const char* name;
        void (*fill)(ResvListCriteria&);
        const char* where;
    };
    const Case cases[] = {
        {"empty", [](ResvListCriteria&) {}, ""},
        {"begin date", [](ResvListCriteria& c) { c.ResvBeginDate = "2024-03-01"; },
         " Where  R.ReserveDate >= '2024-03-01'"},
        {"short date", [](ResvListCriteria& c) { c.ResvBeginDate = "2024-3-1"; }, ""},
        {"day first", [](ResvListCriteria& c) { c.ResvBeginDate = "01/03/2024"; }, ""},
        {"no such day", [](ResvListCriteria& c) { c.ResvEndDate = "2024-02-30"; }, ""},
        {"stamp with time", [](ResvListCriteria& c) { c.RowModifiedBegin = "2024-03-01 10:00"; },
         ""},
        {"bad time", [](ResvListCriteria& c) { c.ResvBeginTime = "25:00:00"; }, ""},
        {"everything",
         [](ResvListCriteria& c) {
             c.ResvEndDate = "2024/03/02";
             c.ResvBeginDate = "2024-03-01";
             c.ResvEndTime = "23:59:59";
             c.ResvBeginTime = "18:00:00";
             c.RowModifiedEnd = "2024-03-05";
             c.RowModifiedBegin = "2024-03-04";
             c.ReserveType = "N";
             c.AddReserveID(7);
             c.AddRowStatus("A");
             c.AddRowStatus("X");
             c.AddRowStatus("A");
             c.AddOutletID(1);
             c.AddMPOutletID(12);
             c.AddMPOutletID(13);
         },
         " Where  R.ReserveDate >= '2024-03-01' AND R.ReserveDate <= '2024-03-02' AND"
         " R.ReserveTime >= '18:00:00' AND R.ReserveTime <= '23:59:59' AND"
         " R.RowModified >= '2024-03-04' AND R.RowModified <= '2024-03-05' AND"
         " R.ReserveType= 'N' AND R.MPOutletID IN (12,13) AND R.OutletID IN (1) AND"
         " R.RowStatus IN ('A','X') AND R.ReserveID IN ('7')"},
        // "/" between the parts is read, and written as the columns compare.
        {"slashes",
         [](ResvListCriteria& c) {
             c.ResvBeginTime = "19/30/00";
             c.ResvEndTime = "21:00/00";
             c.RowModifiedBegin = "2024/03/04";
         },
         " Where  R.ReserveTime >= '19:30:00' AND R.ReserveTime <= '21:00:00' AND"
         " R.RowModified >= '2024-03-04'"},
        {"quote in a code", [](ResvListCriteria& c) { c.AddRowStatus("A' OR 'x'='x"); },
         " Where  R.RowStatus IN ('A'' OR ''x''=''x')"},
    };
    for (const auto& c : cases) {
        ResvListCriteria criteria;
        c.fill(criteria);
        EXPECT_EQ(criteria.BuildWhere("R"), c.where) << c.name;
        EXPECT_EQ(criteria.SQLWhereStatment(), c.where) << c.name;
    }
}

TEST(ResvListCriteria, OrderKeepsFirstPlacesWithTheLastDirection) {
    ResvListCriteria c;
    EXPECT_EQ(c.SQLOrderByStatement(), "");
    c.AddOrder("ReserveTime", 1);
    c.AddOrder("ReserveDate", 2);
    c.AddOrder("ReserveTime", 2);
    c.AddOrder("ReserveNo", 3);  // not a direction
    EXPECT_EQ(c.SQLOrderByStatement(), " Order By ReserveTime DESC ,ReserveDate DESC ");
}

TEST(Reservation, FieldReadersAndTables) {
    Reservation r;
    r.SetField("ReserveID", std::string("42"));
    r.SetField("ReserveCover", 3.6);
    r.SetField("ReserveDate", std::string("2024-03-01"));
    r.SetField("Remark", std::string("x"));
    r.SetField("Remark", std::string("window"));
    EXPECT_EQ(r.ReserveID(), 42);
    EXPECT_EQ(r.GetFieldRoundedLong("ReserveCover"), 4);
    EXPECT_EQ(r.GetFieldText("Remark"), "window");
    EXPECT_EQ(r.Fields().Count(), 4u);
    EXPECT_EQ(r.GetFieldText("Missing"), "");
    EXPECT_TRUE(r.GetField("Missing").IsNull());
    EXPECT_EQ(r.GetFieldLong("Remark"), 0);
    EXPECT_EQ(r.GetFieldDate("ReserveDate"), DateTime::Date(2024, 3, 1));
    EXPECT_EQ(r.GetFieldDate("Remark"), DateTime{});

    Recordset rows(FieldList({"TableReserveID", "ReserveID", "TableNo", "RowStatus"}),
                   {{1, 42, "A12", "A"}, {2, 42, "B1", "A"}});
    for (; !rows.Eof(); rows.MoveNext()) {
        auto tr = std::make_shared<TableReserve>();
        ASSERT_TRUE(tr->LoadColumns(&rows));
        r.TableReserves().Add(tr->TableReserveID(), tr);
    }
    EXPECT_EQ(r.TablesByNo("a12").Count(), 1u);
    EXPECT_TRUE(r.HasTable("b1"));
    EXPECT_FALSE(r.HasTable("A1"));
    Reservation copy;
    copy.CopyFrom(r);
    EXPECT_EQ(copy.TableReserves().Item(1)->get(), r.TableReserves().Item(1)->get());

    Reservations list;
    EXPECT_TRUE(list.Add(std::make_shared<Reservation>(r)));
    EXPECT_FALSE(list.Add(std::make_shared<Reservation>(r)));
    EXPECT_TRUE(list.HasTableReserve(2));
    EXPECT_EQ(list.ItemAt(1), nullptr);
}

TEST(TableReserve, LoadNeedsACurrentRow) {
    TableReserve tr;
    EXPECT_FALSE(tr.Load(nullptr));
    EXPECT_EQ(tr.ErrNumber(), 9015);
    EXPECT_EQ(tr.ErrDescription(), "TableReserve:Load:oRS is nothing");
    Recordset empty(FieldList({"TableReserveID"}), {});
    EXPECT_FALSE(tr.Load(&empty));
    EXPECT_EQ(tr.ErrNumber(), 9018);
}

TEST(TableReserve, PartFlagsOfSplitAndPastMidnightPeriods) {
    auto at = [](const char* t) { return *DateTime::Parse(t); };
    const PeriodParts lunch{at("11:30"), at("13:15"), at("13:15"), at("15:00")};
    const PeriodParts dinner{at("18:00"), at("22:30"), at("22:30"), at("22:30")};
    const PeriodParts supper{at("23:00"), at("01:00"), at("01:00"), at("03:00")};
    const std::tuple<const PeriodParts*, const char*, bool, bool> cases[] = {
        {&lunch, "11:30", true, false},    {&lunch, "13:15", false, true},
        {&lunch, "13:14:59", true, false}, {&lunch, "15:00", false, false},
        {&dinner, "22:29", true, false},   {&dinner, "22:30", false, false},
        {&supper, "23:59", true, false},   {&supper, "00:30", true, false},
        {&supper, "01:00", false, true},   {&supper, "02:59", false, true},
        {&supper, "03:00", false, false},  {&supper, "12:00", false, false},
    };
    for (const auto& [parts, time, r1, r2] : cases) {
        const PartFlags f = ComputePartFlags(*parts, at(time));
        EXPECT_EQ(f.r1, r1) << time;
        EXPECT_EQ(f.r2, r2) << time;
    }
}

MPOutlet Period(const char* start, const char* end1, const char* start2, const char* end) {
    Recordset rs(
        FieldList({"MPOutletID", "MPStartTime", "MPEndTime1", "MPStartTime2", "MPEndTime"}),
        {{Variant(1), Variant(start), Variant(end1), Variant(start2), Variant(end)}});
    MPOutlet m;
    EXPECT_TRUE(m.AddFromRS(&rs));
    return m;
}

TEST(ResvRules, BookedTimesLieInTheirMealPeriod) {
    const MPOutlet dinner = Period("18:00", "22:30", "22:30", "22:30");
    const MPOutlet lunch = Period("11:00", "13:00", "13:15", "15:00");  // a pause at 13:00
    const MPOutlet supper = Period("22:00", "02:00", "02:00", "02:00");
    const MPOutlet late = Period("21:00", "23:30", "00:30", "03:00");   // pause over midnight
    const MPOutlet unset = Period("18:00", "00:00", "00:00", "22:00");  // parts never filled in
    const std::tuple<const MPOutlet*, const char*, bool> cases[] = {
        {&dinner, "09:30", false}, {&dinner, "18:00", true},  {&dinner, "22:29", true},
        {&dinner, "22:30", false}, {&lunch, "12:59", true},   {&lunch, "13:00", false},
        {&lunch, "13:14", false},  {&lunch, "13:15", true},   {&lunch, "15:00", false},
        {&supper, "23:30", true},  {&supper, "01:59", true},  {&supper, "02:00", false},
        {&supper, "21:59", false}, {&supper, "12:00", false}, {&late, "23:29", true},
        {&late, "23:45", false},   {&late, "00:15", false},   {&late, "00:30", true},
        {&late, "02:59", true},    {&unset, "19:30", true},   {&unset, "23:00", false},
    };
    for (const auto& [period, time, in] : cases)
        EXPECT_EQ(TimeInMealPeriod(*period, *DateTime::Parse(time)), in) << time;
}

TEST(ResvRules, PartyCountsHaveTheirLeastValues) {
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"ReserveCover", "1", true}, {"ReserveCover", "0", false},  {"ReserveCover", "-5", false},
        {"ReserveCover", "", false}, {"ReserveCover", "2x", false}, {"reservecover", "12", true},
        {"ArrivalCover", "", true},  {"ArrivalCover", "0", false},  {"ArrivalCover", "3", true},
        {"DYAdult", "0", true},      {"DYAdult", "-1", false},      {"DYChildren", "", true},
        {"DYChildren", "-2", false}, {"Remark", "-5", true},
    };
    for (const auto& [field, value, ok] : cases) {
        std::string message;
        EXPECT_EQ(CheckResvCount(field, value, message), ok) << field << "=" << value;
        EXPECT_EQ(message.empty(), ok) << field << "=" << value;
    }
}

TEST(ResvRules, IndicatorsOfInternetPendingAndRemarkedBookings) {
    const std::tuple<const char*, const char*, const char*, const char*, const char*> cases[] = {
        {"T", "N", "", "", ""},
        {"I", "", "Window", "INTERNET", "REMARK"},
        {"T", "P", "  ", "PENDING", ""},
        {"I", "P", "", "INTERNET PENDING", ""},
    };
    for (const auto& [mode, status, remark, shown, remarkShown] : cases) {
        Reservation r;
        r.SetField("ReserveMode", mode);
        r.SetField("ReserveStatus", status);
        r.SetField("Remark", remark);
        FillResvIndicators(r);
        EXPECT_EQ(r.GetFieldText("SYS_ResvIndicator_Status"), shown) << mode << status;
        EXPECT_EQ(r.GetFieldText("SYS_ResvIndicator_Remark"), remarkShown) << remark;
    }
}

}  // namespace
