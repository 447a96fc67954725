// Outlets, meal periods and accounts read from a demo installation.
#include "venue/outlets.h"

#include "venue/accounts.h"
#include "venue/fpsection.h"
#include "venue/venuefixture.h"

namespace {

class OutletTest : public VenueTest {
  protected:
    // The Harbour Grill as loaded now.
    std::unique_ptr<Outlets> LoadHarbour() {
        auto outlets = std::make_unique<Outlets>();
        EXPECT_TRUE(outlets->Load(db1, "HBR"));
        EXPECT_EQ(outlets->Count(), 1u);
        return outlets;
    }
};

struct FlagCase {
    const char* column;
    const char* stored;  // SQL literal
    bool orba;
    bool (Outlet::*flag)() const;
    bool expected;
};

TEST_F(OutletTest, FlagsReadTheirColumnsAsStored) {
    const FlagCase cases[] = {
        {"PrintReceipt", "'1'", false, &Outlet::PrintReceipt, true},
        {"PrintReceipt", "' 1'", false, &Outlet::PrintReceipt, false},
        {"PrintReceipt", "'01'", false, &Outlet::PrintReceipt, false},
        {"PrintReceipt", "NULL", false, &Outlet::PrintReceipt, false},
        {"AllowWebBooking", "'1 '", false, &Outlet::AllowWebBooking, false},
        {"PopAlertMsg", "'1'", false, &Outlet::PopAlertMsg, true},
        {"NotAllowDoubleBook", "2", false, &Outlet::NotAllowDoubleBook, true},
        {"NotAllowDoubleBook", "NULL", false, &Outlet::NotAllowDoubleBook, false},
        {"MandatoryBlockRemark", "-1", false, &Outlet::MandatoryBlockRemark, true},
        {"ApplyDefaultCancelCode", "1", false, &Outlet::ApplyDefaultCancelCode, true},
        {"ApplyDefaultCancelCode", "2", false, &Outlet::ApplyDefaultCancelCode, false},
        {"CheckCover", "2", false, &Outlet::CheckCover, false},
        {"OverBookingAlert", "1", false, &Outlet::OverBookingAlert, true},
        {"OverBookingAlert", "1", true, &Outlet::OverBookingAlert, false},
        {"BookerDiscovery", "1", false, &Outlet::BookerDiscoveryAlert, true},
        {"BookerDiscovery", "1", true, &Outlet::BookerDiscoveryAlert, false},
        {"NotArrivalOverResvCover", "1", true, &Outlet::NotArrivalOverResvCover, true},
    };
    for (const FlagCase& c : cases) {
        SCOPED_TRACE(std::string(c.column) + "=" + c.stored + (c.orba ? " ORBA" : ""));
        Sql(std::string("UPDATE tbl_Outlet SET ") + c.column + "=" + c.stored +
            " WHERE OutletID=1");
        g_oConfig->SetORBAMode(c.orba);
        auto outlets = LoadHarbour();
        EXPECT_EQ((outlets->GetOutletByID(1)->*c.flag)(), c.expected);
    }
}

TEST_F(OutletTest, RenamedColumnsAndLanguages) {
    Sql("UPDATE tbl_Outlet SET PopAlertUpdateGP=1, MailServerID=7, HolidayCalendarGroupID=5,"
        " FVResvDayLimit=45, NameL3=NULL WHERE OutletID=1");
    auto outlets = LoadHarbour();
    const Outlet& o = *outlets->GetOutletByID(1);
    EXPECT_TRUE(o.PopAlertUpdateGuestProfile());
    EXPECT_EQ(o.EmailServerID(), 7);
    EXPECT_EQ(o.PubHolidayCalendarGroupID(), 5);
    EXPECT_EQ(o.FVResvDayLimit(), 45);
    EXPECT_EQ(o.Name(2), "海港扒房");
    EXPECT_EQ(o.Name(3), "Harbour Grill");  // blank in that language: English
    EXPECT_EQ(o.Name(4), "");
}

TEST_F(OutletTest, ExtraAttributesFollowTheMode) {
    Sql("UPDATE tbl_Outlet SET DYType='BOX', DYBoxLevel=3, DYCPLCharge=12.5,"
        " MandatoryCxlRemark=1 WHERE OutletID=1");
    auto plain = LoadHarbour();
    const Outlet& p = *plain->GetOutletByID(1);
    EXPECT_EQ(p.ExtAttributes().Keys(),
              (std::vector<std::string>{"DBServerID", "MandatoryCxlRemark"}));
    EXPECT_EQ(p.GetExtAttribute("MandatoryCxlRemark").ToInt32(), 1);
    EXPECT_TRUE(p.GetExtAttribute("DYType").IsNull());

    g_oConfig->SetORBAMode(true);
    auto orba = LoadHarbour();
    const Outlet& o = *orba->GetOutletByID(1);
    const std::vector<std::string> keys = {"DBServerID",
                                           "DYType",
                                           "DYBoxType",
                                           "DYBoxLevel",
                                           "DYHorseOwner",
                                           "DYLocation",
                                           "DYServiceType",
                                           "DYCrossBet",
                                           "DYCPL",
                                           "DYCPLCharge",
                                           "DYCoach",
                                           "DYInPerson",
                                           "DYPhoneBooking",
                                           "DYWalkin",
                                           "MandatoryCxlRemark",
                                           "Payment",
                                           "SupportAdmission",
                                           "Sticker",
                                           "OutletSummaryPrefix"};
    EXPECT_EQ(o.ExtAttributes().Keys(), keys);
    EXPECT_EQ(o.GetExtAttribute("DYType").ToText(), "BOX");
    EXPECT_EQ(o.GetExtAttribute("DYBoxLevel").Type(), VarType::Integer);
    EXPECT_DOUBLE_EQ(o.GetExtAttribute("DYCPLCharge").ToDouble(), 12.5);
    EXPECT_EQ(o.GetExtAttribute("DYHorseOwner").ToText(), "");  // NULL text reads as ""
    EXPECT_EQ(o.GetExtAttribute("Sticker").ToInt32(), 0);
    EXPECT_EQ(o.GetExtAttribute("OutletSummaryPrefix").ToText(), "");
}

TEST_F(OutletTest, CollectionKeepsTheFirstObjectAndLoadsPeriodsAndSections) {
    Outlets outlets;
    ASSERT_TRUE(outlets.Load(db1));
    ASSERT_EQ(outlets.Keys(), (std::vector<int32_t>{1, 2, 3}));  // by code: HBR, JDE, SKY
    Outlet* first = outlets.GetOutletByID(1);
    ASSERT_TRUE(outlets.Load(db1));
    EXPECT_EQ(outlets.Count(), 3u);
    EXPECT_EQ(outlets.GetOutletByID(1), first);
    EXPECT_EQ(outlets.ItemAt(2)->OutletCode(), "SKY");
    EXPECT_EQ(outlets.ItemAt(3), nullptr);
    EXPECT_EQ(outlets.GetOutletByID(99), nullptr);
    EXPECT_EQ(outlets.ErrNumber(), 0);
    EXPECT_EQ(first->GetMPOutlets().Keys(), (std::vector<int32_t>{11, 12, 13}));
    EXPECT_EQ(first->FPSections().Keys(), (std::vector<int32_t>{15, 12, 16, 13, 14, 11}));
}

TEST_F(OutletTest, SortingByNameUsesTheUserLanguage) {
    Sql("UPDATE tbl_Parameter SET ParaValue='1' WHERE ParaName='OutletSorting'"
        " UPDATE tbl_Outlet SET NameL2='A' WHERE OutletID=3");
    g_oConfig->Load(db1);
    g_nLanguage = 2;
    EXPECT_NE(OutletsQuery("").find(" ORDER BY NameL2"), std::string::npos);
    Outlets outlets;
    ASSERT_TRUE(outlets.Load(db1));
    EXPECT_EQ(outlets.ItemAt(0)->OutletID(), 3);
    g_nLanguage = 7;
    EXPECT_NE(OutletsQuery(" SKY ").find("OutletCode = N' SKY ' ORDER BY NameL1"),
              std::string::npos);
}

struct PeriodCase {
    int32_t outlet;
    const char* time;
    int32_t expected;
};

TEST_F(OutletTest, MealPeriodOfATime) {
    const PeriodCase cases[] =
        {
            {1, "07:00", 11}, {1, "10:29:59", 11}, {1, "10:30", -1}, {1, "13:15", 12},
            {1, "14:59", 12}, {1, "15:00", -1},    {1, "22:29", 13}, {1, "22:30", -1},
            {2, "13:05", 21},  // between the two parts of a split lunch: still lunch
            {2, "21:59", -1}, {2, "22:00", 23},    {2, "23:30", 23}, {2, "00:00", 23},
            {2, "01:15", 23}, {2, "02:00", -1},    {3, "22:59", 31}, {3, "23:00", 32},
            {3, "02:59", 32}, {3, "03:00", -1},
        };
    Outlets outlets;
    ASSERT_TRUE(outlets.Load(db1));
    for (const PeriodCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.outlet) + " " + c.time);
        const auto time = DateTime::Parse(c.time);
        ASSERT_TRUE(time);
        EXPECT_EQ(outlets.GetOutletByID(c.outlet)->GetMPOutlets().FindMPOutletID(*time),
                  c.expected);
    }
}

TEST_F(OutletTest, AccountsNeedADatabase) {
    Accounts none;
    EXPECT_FALSE(none.Load(nullptr));
    EXPECT_EQ(none.ErrDescription(), "Accounts:Load:oSQLDB is nothing");
    Accounts accounts;
    ASSERT_TRUE(accounts.Load(&db1));
    EXPECT_EQ(accounts.Count(), 2u);
    EXPECT_EQ(accounts.Item(2)->POSAccount(), "G01");
    EXPECT_EQ(accounts.Item(2)->Name(2), "花園集團");
}

// Each record class reports a missing row with its own wording.
TEST_F(OutletTest, RecordsRefuseAMissingRow) {
    Recordset empty;
    Outlet outlet;
    EXPECT_FALSE(outlet.AddFromRS(nullptr));
    EXPECT_EQ(outlet.ErrNumber(), 9015);
    EXPECT_EQ(outlet.ErrDescription(), "Outlet:AddFromRS:oRS is nothing");
    EXPECT_FALSE(outlet.AddFromRS(&empty));
    EXPECT_EQ(outlet.ErrNumber(), 9018);
    EXPECT_EQ(outlet.ErrDescription(), "Outlet:AddFromRS:oRS is EOF");
    Account account;
    EXPECT_FALSE(account.AddFromRS(&empty));
    EXPECT_EQ(account.ErrDescription(), "Account:AddFromRS:oRS is at the end");
    FPSection section;
    EXPECT_FALSE(section.AddFromRS(&empty));
    EXPECT_EQ(section.ErrDescription(), "FPSection:AddFromRS:oRS is at the end");
}

}  // namespace
