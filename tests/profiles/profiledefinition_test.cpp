// Profile definitions on a demo installation: loading per operation, option
// lists, ignored fields, and the write-backs of reservations and guests.
#include "profiles/profiledefinition.h"

#include <gtest/gtest.h>

#include "core/config.h"
#include "platform/inifile.h"
#include "profilefixture.h"
#include "profiles/fieldinput.h"
#include "registry/client.h"
#include "reservations/reservation.h"
#include "reservations/resvlistcriteria.h"
#include "users/user.h"

namespace {

std::vector<std::string> OptionValues(const ProfileField& f) {
    std::vector<std::string> v;
    for (const auto& [key, o] : f.Options())
        v.push_back(o.Value);
    return v;
}

TEST_F(ProfileTest, LoadsEachOperationWithItsOptionsInOrder) {
    inst.Sql(
        "INSERT INTO tbl_ProfileDefinition (ProfileCode, DBField, InputType, DataType,"
        " TelephoneModeOrder, RowStatus) VALUES ('SeatPref', 'Remark', 'ZZ', 'T', 99, 'A')"
        " INSERT INTO tbl_ParaOption (OptModule, OptCode, OptSeq, OptValue, NameL1, RowStatus)"
        " VALUES ('PDEF', 'SeatPref', 3, 'BAR', 'Bar', 'A')"
        " INSERT INTO tbl_ParaOption (OptModule, OptCode, OptSeq, OptValue, NameL1, RowStatus)"
        " VALUES ('PDEF', 'SeatPref', 1, 'WIN', 'Window', 'A')"
        " INSERT INTO tbl_ParaOption (OptModule, OptCode, OptSeq, OptValue, NameL1, RowStatus)"
        " VALUES ('PDEF', 'SeatPref', 2, 'HALL', 'Hall', 'A')"
        " INSERT INTO tbl_ParaOption (OptModule, OptCode, OptSeq, OptValue, NameL1, RowStatus)"
        " VALUES ('PDEF', 'SeatPref', 4, 'OLD', 'Gone', 'D')");
    auto tele = Load(kProfileTelephone);
    const ProfileField* pref = tele->Field("SeatPref");
    ASSERT_NE(pref, nullptr);
    EXPECT_EQ(OptionValues(*pref), (std::vector<std::string>{"WIN", "HALL", "BAR"}));
    EXPECT_EQ(pref->InputType(), 1);  // an unknown input type is a text box
    EXPECT_EQ(OptionValues(*tele->Field("DYSalutation")),
              (std::vector<std::string>{"Mr", "Ms", "Mrs", "Dr"}));
    EXPECT_EQ(tele->ListedFields().front()->ProfileCode(), "ReserveDate");
    EXPECT_EQ(tele->ListedFields().back()->ProfileCode(), "SeatPref");

    auto list = Load(kProfileResvList);
    EXPECT_EQ(list->Field("SYS_CancelCode")->Options().Count(),
              static_cast<std::size_t>(
                  Count("SELECT COUNT(*) FROM tbl_Message WHERE RowStatus='A' AND MsgType='CXL'")));
    auto guest = Load(kProfileGuest);
    EXPECT_EQ(guest->ListedFields().front()->ProfileCode(), "DYSalutation");
    auto search = Load(kProfileGuest, kProfileGuestSearch);
    int last = 0;
    for (const ProfileField* f : search->ListedFields()) {
        EXPECT_LE(last, f->AttrLong("GuestSearchOrder"));
        last = f->AttrLong("GuestSearchOrder");
    }
    EXPECT_EQ(Load(kProfileAll)->ListedFields().size(), Load(kProfileAll)->Fields().Count());

    ProfileDefinition none;
    none.SetSQLDB(&Db());
    EXPECT_FALSE(none.LoadProfile(42));
    EXPECT_EQ(none.ErrDescription(), "ProfileDefinition:LoadProfile:No Operation defined!!!");
    ProfileDefinition noDb;
    EXPECT_FALSE(noDb.LoadProfile(kProfileGuest));
    EXPECT_EQ(noDb.ErrDescription(), "ProfileDefinition:LoadProfile:DB is nothing");
}

TEST_F(ProfileTest, IgnoredFieldsAreLeftOutEverywhere) {
    ProfileDefinition def;
    def.SetSQLDB(&Db());
    def.SetIgnoreProfileList(" remark ,DYLastName");
    ASSERT_TRUE(def.LoadProfile(kProfileResvList));
    EXPECT_EQ(def.Field("Remark"), nullptr);
    EXPECT_EQ(def.Field("DYLastName"), nullptr);
    EXPECT_NE(def.Field("DYFirstName"), nullptr);
    ResvListCriteria criteria;
    EXPECT_EQ(def.ResvListSQL(criteria).find("R.Remark"), std::string::npos);
    EXPECT_NE(def.ResvListSQL(criteria).find("R.DYFirstName"), std::string::npos);

    // The workstation's own list, from its INI file.
    WritePrivateProfileString("KIVCnt", "IgnoreProfileList", "Email", g_oConfig->ClientIniPath());
    auto guest = Load(kProfileGuest);
    EXPECT_EQ(guest->Field("Email"), nullptr);
    EXPECT_NE(guest->Field("Remark"), nullptr);
}

class WriteBackTest : public ProfileTest {
  protected:
    // An active reservation of today at the Harbour Grill, loaded for editing.
    int32_t LoadActive(ProfileDefinition& def, Reservation& r, const std::string& extra = "") {
        const int32_t id = std::stoi(
            One("SELECT MIN(ReserveID) FROM tbl_Reservation WHERE OutletID=1 AND RowStatus='A'"
                " AND ReserveDate='" +
                Today() + "'" + extra));
        EXPECT_TRUE(def.LoadReservation(Db(), id, r));
        return id;
    }
    std::string Column(int32_t id, const std::string& column) {
        return One("SELECT " + column +
                   " FROM tbl_Reservation WHERE ReserveID=" + std::to_string(id));
    }
};

TEST_F(WriteBackTest, RemarkOnlyEditWritesTheCounterTheRemarkAndTheAuditColumns) {
    auto def = Load(kProfileTelephone);
    Reservation r;
    const int32_t id = LoadActive(*def, r, " AND Remark IS NULL");
    const std::string time = Column(id, "ReserveTime");
    const int count = std::stoi(Column(id, "IsNull(UpdateCountByUser,0)"));
    std::string message;
    ASSERT_TRUE(EnterFieldValue(*def->Field("Remark"), "Ann's window seat", false, message));
    EXPECT_EQ(def->ReservationUpdateSQL(id),
              "Update tbl_Reservation Set UpdateCountByUser=ISNULL(UpdateCountByUser,0)+1, "
              "Remark=N'Ann''s window seat', UpdateUserID=" +
                  std::to_string(g_oUser->UserID()) +
                  ", UpdateClientID=" + std::to_string(g_oClient->ClientID()) +
                  ", UpdateDT=GetDate(), RowModified=GetDate() Where ReserveID=" +
                  std::to_string(id) + "\r\nSelect @@ROWCOUNT AS RC");
    ASSERT_TRUE(def->UpdateReservation(Db(), r)) << def->Message();
    EXPECT_EQ(Column(id, "Remark"), "Ann's window seat");
    EXPECT_EQ(Column(id, "ReserveTime"), time);
    EXPECT_EQ(std::stoi(Column(id, "UpdateCountByUser")), count + 1);
    EXPECT_EQ(Column(id, "UpdateUserID"), std::to_string(g_oUser->UserID()));
    EXPECT_EQ(Column(id, "UpdateClientID"), std::to_string(g_oClient->ClientID()));
    EXPECT_EQ(Column(id, "left(convert(varchar(19), UpdateDT, 121), 10)"), Today());
    EXPECT_EQ(One("SELECT Remark FROM tbl_ReservationLog WHERE ReserveID=" + std::to_string(id)),
              "Ann's window seat");
    EXPECT_NE(One("SELECT Summary FROM tbl_ReservationLog WHERE ReserveID=" + std::to_string(id))
                  .find(";Contact Phone: " + r.GetFieldText("ContactPhone")),
              std::string::npos);
    EXPECT_EQ(def->ReservationUpdateSQL(id), "");  // saved: nothing left to write
}

TEST_F(WriteBackTest, ClearingAFieldWritesNull) {
    inst.Sql("UPDATE tbl_Reservation SET Remark='Old remark' WHERE OutletID=1");
    auto def = Load(kProfileTelephone);
    Reservation r;
    const int32_t id = LoadActive(*def, r);
    std::string message;
    ASSERT_TRUE(EnterFieldValue(*def->Field("Remark"), "", false, message));
    EXPECT_NE(def->ReservationUpdateSQL(id).find(", Remark=NULL,"), std::string::npos);
    ASSERT_TRUE(def->UpdateReservation(Db(), r));
    EXPECT_EQ(Count("SELECT COUNT(*) FROM tbl_Reservation WHERE Remark IS NULL AND ReserveID=" +
                    std::to_string(id)),
              1);
}

TEST_F(WriteBackTest, AReservationRemovedMeanwhileWritesNoLogRow) {
    auto def = Load(kProfileTelephone);
    Reservation r;
    const int32_t id = LoadActive(*def, r);
    inst.Sql("DELETE FROM tbl_Reservation WHERE ReserveID=" + std::to_string(id));
    std::string message;
    ASSERT_TRUE(EnterFieldValue(*def->Field("ReserveCover"), "3", false, message));
    EXPECT_FALSE(def->UpdateReservation(Db(), r));
    EXPECT_EQ(Count("SELECT COUNT(*) FROM tbl_ReservationLog"), 0);
}

TEST_F(WriteBackTest, NewGuestsRefuseAUsedAccountOrPhone) {
    auto def = Load(kProfileGuest);
    const std::string account = One("SELECT DYAccountNo FROM tbl_Guest WHERE GuestID=5");
    const std::string phone = One("SELECT ContactPhone FROM tbl_Guest WHERE GuestID=6");
    const int before = Count("SELECT COUNT(*) FROM tbl_Guest");
    auto enter = [&](const char* code, const std::string& v) {
        std::string message;
        ASSERT_TRUE(EnterFieldValue(*def->Field(code), v, false, message)) << message;
    };
    def->FillDefaults();
    enter("DYLastName", "O'Neil");
    enter("DYAccountNo", account);
    enter("DYHolderNo", "01");
    EXPECT_EQ(def->SaveNewGuest(Db()), kGuestAccountExists);
    EXPECT_EQ(def->Message(), "Account number exists, please select another account number");
    EXPECT_EQ(Count("SELECT COUNT(*) FROM tbl_Guest"), before);

    inst.Sql("UPDATE tbl_Parameter SET ParaValue='1' WHERE ParaName='GuestUniquePhone'");
    inst.Sql(
        "INSERT INTO tbl_Parameter (ParaModule, ParaName, ParaDataType, ParaValue, RowStatus)"
        " VALUES ('CONFIG', 'GuestUniquePhone', 'I', '1', 'A')");
    g_oConfig->Load(Db());
    enter("DYAccountNo", "M900001");
    enter("ContactPhone", phone);
    EXPECT_EQ(def->SaveNewGuest(Db()), kGuestPhoneExists);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM tbl_Guest"), before);

    enter("ContactPhone", "98765432");
    const int32_t id = def->SaveNewGuest(Db());
    ASSERT_GT(id, 0) << def->Message();
    EXPECT_EQ(One("SELECT DYLastName + '|' + GuestNo + '|' + ReceiveSMS FROM tbl_Guest WHERE "
                  "GuestID=" +
                  std::to_string(id)),
              "O'Neil|M900001|NO");  // the form's default filled in
}

TEST_F(WriteBackTest, GuestUpdatesAreAuditedAndCopiedIntoReservations) {
    auto def = Load(kProfileGuest);
    Reservation guest;
    ASSERT_TRUE(def->LoadGuest(Db(), 5, guest));
    const std::string oldMail = guest.GetFieldText("Email");
    std::string message;
    ASSERT_TRUE(EnterFieldValue(*def->Field("ContactPhone"),
                                One("SELECT ContactPhone FROM tbl_Guest WHERE GuestID=6"), false,
                                message));
    EXPECT_FALSE(def->UpdateGuestProfile(Db(), 5));
    EXPECT_EQ(def->Message(), "Contact phone exists, please input  another contact phone");

    def = Load(kProfileGuest);
    ASSERT_TRUE(def->LoadGuest(Db(), 5, guest));
    ASSERT_TRUE(EnterFieldValue(*def->Field("Email"), "tse@example.org", false, message));
    ASSERT_TRUE(def->UpdateGuestProfile(Db(), 5)) << def->Message();
    EXPECT_EQ(One("SELECT FieldName + '|' + LastValue + '|' + NewValue FROM tbl_UserLog_Profile"
                  " WHERE GuestID=5"),
              "Email|" + oldMail + "|tse@example.org");
    EXPECT_EQ(One("SELECT UpdateUserID FROM tbl_Guest WHERE GuestID=5"),
              std::to_string(g_oUser->UserID()));

    const std::string resv = One("SELECT MIN(ReserveID) FROM tbl_Reservation WHERE OutletID=1");
    ASSERT_TRUE(def->UpdateResvGuestAccount(Db(), std::stoi(resv), 5, {"GuestID", "Email"}));
    EXPECT_EQ(One("SELECT Email FROM tbl_Reservation WHERE ReserveID=" + resv), "tse@example.org");
    EXPECT_FALSE(def->UpdateResvGuestAccount(Db(), std::stoi(resv), 5, {"Email; DROP"}));
}

}  // namespace
