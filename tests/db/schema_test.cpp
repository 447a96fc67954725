#include "sql/sqlite/sqlitefile.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "support/tempdir.h"
#include "support/testdb.h"

namespace {

class SchemaTest : public ::testing::Test {
  protected:
    void SetUp() override {
        CreateTestDatabase(dir_.File("schema.db"));
        ASSERT_TRUE(db_.Open(dir_.File("schema.db")));
    }
    std::set<std::string> Columns(const std::string& table) {
        std::set<std::string> cols;
        auto rs = db_.Query("SELECT name FROM pragma_table_info(?)", {table});
        for (const auto& row : rs->Rows())
            cols.insert(row[0].ToText());
        return cols;
    }
    TempDir dir_;
    SQLiteFile db_;
};

// Every table the workstation's statements and procedures use, with the
// columns they name. Kept here, apart from the schema, so that a table or
// column dropped from the schema is noticed.
const std::map<std::string, std::vector<std::string>> kTables = {
    {"tbl_Parameter",
     {"ParaModule", "ParaName", "ParaDataType", "ParaValue", "ParaValue1", "ParaText",
      "RowStatus"}},
    {"tbl_UserRight", {"Module", "RightIndex", "RightSubIndex", "DescL1", "AllowNew"}},
    {"tbl_User",
     {"UserID",           "LoginID",       "Password",       "NameL1",        "NameL2",
      "NameL3",           "PwdSecurity",   "SessionTimeout", "Disabled",      "FailLoginCount",
      "RetryCount",       "RetryInterval", "EnableInterval", "LastLoginTime", "FailLoginTime",
      "RoleID",           "PwdNextLogon",  "DiffNamePwd",    "PWUpdateDT",    "AbleToChange",
      "RegularChangePwd", "ReusePassword", "minLength",      "RowModified"}},
    {"tbl_UserRole",
     {"RoleID", "RoleCode", "RoleLevel", "NameL1", "FERightMask1", "FERightMask10", "BERightMask1",
      "BERightMask15"}},
    {"tbl_UserRoleByOutlet", {"RoleID", "OutletID", "RowStatus"}},
    {"tbl_UserByEmployee", {"UserID", "AccountID", "EmployeeID", "RowStatus"}},
    {"tbl_UserPassword", {"RowModified", "RowStatus", "UserID", "Password"}},
    {"tbl_LogInOut",
     {"LogID", "DBServerID", "ClientID", "UserID", "ComputerName", "IPAddress", "LogDate",
      "Logintime", "Logouttime", "LogoutMethod", "LogApplication", "ConnectionCNT", "LogType"}},
    {"tbl_DBServer",
     {"DBServerID", "DBServerCode", "NameL1", "IPAddress", "ConnStr", "UserID", "Password",
      "CommandTimeout", "RowStatus", "RowModified"}},
    {"tbl_Client",
     {"ClientID", "DBServerID", "ClientCode", "ClientType", "NameL1", "IPAddress", "ComputerName",
      "Location"}},
    {"tbl_ServiceServer",
     {"ServiceID", "ServiceCode", "NameL1", "IPAddress", "ComputerName", "IPPort",
      "ClientConnectIP"}},
    {"tbl_ServicePOS", {"ServiceID", "POSID", "RowStatus"}},
    {"tbl_POSServer", {"POSID", "POSCode", "NameL1", "IPAddress", "ComputerName", "IPPort"}},
    {"tbl_Account", {"AccountID", "POSID", "AccountCode", "POSAccount", "NameL1", "DescL3"}},
    {"tbl_Outlet",
     {"OutletID",
      "DBServerID",
      "OutletCode",
      "POSOutletCode",
      "POSID",
      "AccountID",
      "AddressL3",
      "Phone",
      "Fax",
      "ServiceID",
      "ShareType",
      "PrintReceipt",
      "OpenPOSCheck",
      "ResvCoverGreaterWarning",
      "ResvCoverSmallerWarning",
      "ResvBufferTime",
      "ReqLoginAction",
      "FVResvDayLimit",
      "NotAllowDoubleBook",
      "PopAlertUpdateGP",
      "MandatoryBlockRemark",
      "PopAlertMsg",
      "SMSServerID",
      "MailServerID",
      "ResvSumToPOSCheck",
      "AllowSelPrintTpl",
      "AllowSelPrinter",
      "ShowZeorAmtCheckTime",
      "PopAlertIsBlackList",
      "ShowStatByIntervalInResv",
      "CheckCover",
      "AllowWebBooking",
      "OverBookingAlert",
      "BookerDiscovery",
      "NotArrivalOverResvCover",
      "DefFilePath",
      "ApplyDefaultCancelCode",
      "HolidayCalendarGroupID",
      "AllotmentType",
      "MandatoryCxlRemark",
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
      "Payment",
      "SupportAdmission"}},
    {"tbl_MPOutlet",
     {"MPOutletID", "MPCode", "OutletID", "DescL3", "MPStartTime", "MPEndTime1", "MPStartTime2",
      "MPEndTime"}},
    {"tbl_MPCapacity", {"MPCapacityID", "MPOutletID", "StartTime", "EndTime", "Capacity"}},
    {"tbl_FloorPlan",
     {"FPID", "FPCode", "DescL3", "BgColor", "FPHeight", "FPWidth", "TableFontSize", "DBServerID",
      "OutletID"}},
    {"tbl_FPTable",
     {"FPTableID",   "FPID",        "TableNo",       "YCoord",      "XCoord",     "TWidth",
      "THeight",     "TCapacity",   "TShapeID",      "SeatArrange", "StartAngle", "FPSectionID",
      "TT1",         "TT5",         "TableNoParent", "IsShare",     "IsShow",     "ReserveMode",
      "ShareType",   "ShareCount",  "MinRCover",     "MaxRCover",   "Priority",   "ExtraSeats",
      "MergeTable1", "MergeTable5", "MergeCover1",   "MergeCover5", "RowStatus"}},
    {"tbl_FPSection", {"FPSectionID", "DBServerID", "FPSectionCode", "OutletID", "NameL3"}},
    {"tbl_FPOutlet",
     {"FPOutletID", "OutletID", "MPOutletID", "CalendarGroupID", "FPID", "BizDate", "SeqNo",
      "Capacity"}},
    {"tbl_CalendarGroup", {"CalendarGroupID"}},
    {"tbl_Calendar", {"CalendarGroupID", "CalendarDate"}},
    {"tbl_TableStatus",
     {"TableStatusID",
      "OutletID",
      "TableNo",
      "TableStatus",
      "LastChangeTime",
      "LastTableStatus",
      "CheckNo",
      "CheckOpenTime",
      "LastOrderTime",
      "LastPrintTime",
      "LastCleanTime",
      "CheckCover",
      "CheckTotal",
      "ReserveID",
      "WaitReserveID",
      "MergeStatus",
      "WaitMergeStatus",
      "Remark",
      "CheckPrintCnt",
      "Member",
      "MemberInfo",
      "MinimumTableTotal",
      "SubmitResvInfoToPOS"}},
    {"tbl_TableTemp",
     {"TempID", "OutletID", "MPOutletID", "TableNo", "HoldDT", "UserID", "ReserveDate", "ClientID",
      "DBServerID", "WebSessionID"}},
    {"tbl_TableBlock",
     {"TableBlockID", "TableNo", "OutletID", "MPOutletID", "BeginDate", "EndDate", "BlockUserID",
      "BlockDT", "Remark"}},
    {"tbl_ColorDef", {"ColorID", "ColorModule", "ColorValue", "NameL3", "Value1", "Value2"}},
    {"tbl_Reservation",
     {"ReserveID",         "DBServerID",     "OutletID",      "MPOutletID",     "ReserveNo",
      "CustReserveNo",     "ReserveGUID",    "ReserveDate",   "ReserveTime",    "ReserveCover",
      "ArrivalTime",       "ArrivalCover",   "ReturnTime",    "ReserveType",    "ReserveMode",
      "ReserveStatus",     "ConfirmStatus",  "GuestID",       "DYSalutation",   "DYFirstName",
      "DYLastName",        "DYChineseName",  "ContactPhone",  "DYSMSContact",   "DYAccountNo",
      "DYHolderNo",        "DYMemCategory",  "DYType",        "DYMinCharge",    "DYCPLCharge",
      "DYNightRace",       "Remark",         "CancelMsgID",   "CancelMsgCat",   "CancelMsgSubCat",
      "CancelUserID",      "CancelDT",       "CreateUserID",  "CreateClientID", "CreateDT",
      "UpdateUserID",      "UpdateClientID", "UpdateDT",      "PaymentRefBy",   "ReferAmount",
      "AllowPaymentRef",   "OccupyCover",    "BulkReserveID", "HierID",         "HierGroupID",
      "DYBookerAccountNo", "WaitDT",         "DYAdult",       "DYChildren",     "UpdateCountByUser",
      "CreateOutletID",    "Email",          "ReceiveSMS",    "ReceiveEmail"}},
    {"tbl_TableReserve",
     {"TableReserveID", "ReserveID", "TableNo", "IsShare", "CheckNo", "CheckOpenTime",
      "CheckPrintTime", "CheckCloseTime", "CheckCover", "CheckTotal", "Capacity", "Occupied",
      "Reserved", "POSTableNo", "DBServerID", "RowStatus", "RowModified"}},
    {"tbl_ReservationLog",
     {"RowModified", "RowStatus", "DBServerID", "ReserveID", "UpdateDT", "UpdateUserID",
      "UpdateClientID", "TableNo", "ReserveCover", "ReserveTime", "ConfirmStatus"}},
    {"tbl_ProfileDefinition",
     {"ProfileID",
      "ProfileCode",
      "DescL3",
      "ResvListHeaderL3",
      "InputType",
      "DataType",
      "InputWidth",
      "InputListWidth",
      "InputHeight",
      "NameLabelWidth",
      "Pattern",
      "Match",
      "DisplayFormat",
      "PrintMaxLen",
      "DefaultValue",
      "MinValue",
      "MaxValue",
      "YearMust",
      "IsOption",
      "IsDynDate",
      "IsUnique",
      "ConfirmOnOverwrite",
      "FieldValidateCode",
      "FieldActionCode",
      "DBField",
      "DBDataType",
      "DBSize",
      "DataFromGuestTable",
      "DataFromResvTable",
      "NewResvKeepData",
      "GuestAllowNull",
      "ResvAllowNull",
      "IsGuestMust",
      "GuestModeOrder",
      "TelephoneModeOrder",
      "InPersonModeOrder",
      "WalkinModeOrder",
      "BulkModeOrder",
      "ResvOpeNormalListOrder",
      "ResvOpeWaitListOrder",
      "ResvOpeCancelListOrder",
      "ResvOpeSettleListOrder",
      "ResvOpeResultListOrder",
      "ResvOpeReportListOrder",
      "ResvCheckInListOrder",
      "GuestPastResvListOrder",
      "GuestFutureResvListOrder",
      "GuestCancelResvListOrder",
      "GuestSearchOrder",
      "GuestInfoSummaryOrder",
      "ResvListSummaryOrder",
      "ResvGuestNameOrder",
      "ResvSearchOrder",
      "DiscoverGuestListOrder",
      "MergeGuestListOrder",
      "ResvAdvSearchOrder",
      "SMSOrder",
      "EmailOrder",
      "IsGuestView",
      "IsGuestSearch",
      "IsGuestVisible",
      "IsGuestNew",
      "IsGuestNewEnabled",
      "IsGuestUpdate",
      "IsGuestUpdateEnabled",
      "IsTeleResvUpdate",
      "IsTeleResvMust",
      "IsInPerResvUpdateEnabled",
      "IsInPerResvMust",
      "IsWalkInNewEnabled",
      "IsWalkInMust",
      "IsBulkResvNew",
      "IsBulkResvMust",
      "IsResvListOprView",
      "IsResvListOprVisible",
      "DuplicateResvCriteria",
      "ResvMoreButton",
      "GuestMoreButton",
      "IsProfileCopySearch",
      "IsProfileCopyNewResv",
      "IsProfileResvGuestUpdate",
      "IsProfileListSearch",
      "ProfileExport",
      "ProfileImportNew",
      "ProfileImportUpdate",
      "CrossSearchFields",
      "MessageType"}},
    {"tbl_ParaOption",
     {"OptID", "OptModule", "OptCode", "OptSeq", "OptSubCode", "OptValue", "NameL1", "NameL3"}},
    {"tbl_Guest",
     {"GuestID",     "GuestNo",         "DBServerID",       "DYAccountNo", "DYHolderNo",   "RefNo1",
      "RefNo4",      "BlackList",       "BlackListCaption", "ReceiveSMS",  "ReceiveEmail", "Email",
      "Gender",      "DateOfBirthType", "CreateDT",         "UserID",      "ContactPhone", "HierID",
      "HierGroupID", "UpdateDT",        "UpdateUserID"}},
    {"tbl_Template",
     {"TemplateID", "RowModified", "RowStatus", "DBServerID", "TemplateCode", "Type", "FormatType",
      "Template", "Subject", "UpdateUserID", "MasterTplID"}},
    {"tbl_ReservationMsg", {"RowModified",    "RowStatus",      "ReserveID",
                            "GuestID",        "ServerID",       "EventID",
                            "EventName",      "MessageType",    "TemplateID",
                            "Destination",    "CCMail",         "BCCMail",
                            "MessageSubject", "MessageContent", "SendTime",
                            "ExpiryTime",     "ExpiryOption",   "Priority",
                            "DefSend",        "SendOption",     "SendHours",
                            "SendBeforeMin",  "SendDay",        "SendBeforeDay",
                            "SendDateTime",   "SendAt",         "BeforeAfterOption",
                            "ContactField",   "Source",         "SMSOutletID",
                            "MailOutletID",   "Remark",         "UpdateUserID",
                            "SubmitStatus"}},
    {"tbl_MessageEvent", {"EventID", "EventCode", "EventModule"}},
    {"tbl_SMSOutlet",
     {"EventID", "DefTemplateID", "CalendarGroupID", "BizDate", "MPOutletID", "OutletID"}},
    {"tbl_SMSServer", {"SMSServerID", "SMSServerCode"}},
    {"tbl_MailServer", {"MailServerID", "MailServerCode"}},
    {"tbl_BatchMsgJob",
     {"BatchMsgJobID", "RowModified", "RowStatus", "JobName", "ServerID", "MessageType",
      "TemplateID", "TemplateContent", "MessageSubject", "SendTime", "ExpiryTime", "JobClassID",
      "Parameter1", "Parameter4", "Remark", "UpdateUserID"}},
    {"tbl_BatchMsg",
     {"BatchMsgID", "BatchMsgJobID", "RowStatus", "GuestID", "Destination", "MessageContent",
      "SubmitStatus", "MessageStatus", "UpdateUserID"}},
    {"tbl_TemplateAttachment",
     {"ImageName", "TemplateID", "BatchMsgJobID", "ReserveMsgID", "RowStatus", "UpdateUserID"}},
    {"tbl_Message",
     {"MsgID", "MsgType", "MsgCode", "MsgCat", "MsgSubCat", "NameL3", "IsDefault", "ShowPaymentRef",
      "ShowRefuntAmt"}},
    {"tbl_UpdateFile", {"UpdateFile"}},
    {"tbl_InstantMsg",
     {"InstantMsgID", "RowModified", "RowStatus", "DBServerID", "ClientID", "SendDT",
      "InstantMsg"}},
    {"tbl_ClientInstantMsg",
     {"RowModified", "RowStatus", "DBServerID", "InstantMsgID", "ClientID"}},
    {"tbl_UserLog_Profile",
     {"RowModified", "RowStatus", "DBServerID", "UserID", "GuestID", "ClientID", "FieldName",
      "Action", "LastValue", "NewValue"}},
    {"tbl_WebReserveTimeSetting",
     {"RowModified", "RowStatus", "OutletCode", "ReserveDate", "MPOutletID", "StartTime", "EndTime",
      "TableSize", "MinPax", "ReserveTimeStatus", "SubmitStatus"}},
    {"tbl_ORBA_RaceSchedule", {"RaceID", "MeetingDate", "RowStatus"}},
    {"tbl_ORBA_OutletSchedule",
     {"RaceID", "OutletID", "OnCourseDT", "PhoneBookingDT", "CancelDT", "RowStatus"}},
    {"tbl_ORBA_BoxType", {"BoxType", "RowStatus"}},
    {"tbl_ORBA_Syndicate", {"SyndiCode", "RowStatus"}},
    // Tables of the database procedures.
    {"tbl_UserLog", {"DBServerID", "UserID", "Module", "Action", "OutletID", "ClientID", "Remark"}},
    {"tbl_ReserveNoCounter", {"OutletID", "CounterDate", "LastNo"}},
    {"tbl_WebAllotment", {"OutletID", "MPOutletID", "BizDate", "TableSize", "AllotNum"}},
};

TEST_F(SchemaTest, EveryTableAndColumnExists) {
    for (const auto& [table, columns] : kTables) {
        const auto have = Columns(table);
        ASSERT_FALSE(have.empty()) << table << " is missing";
        for (const auto& c : columns)
            EXPECT_EQ(have.count(c), 1u) << table << "." << c;
    }
}

// Every business table keeps RowStatus and RowModified; every text column
// compares without regard to case, as the SQL Server collation does.
TEST_F(SchemaTest, TextColumnsIgnoreCaseAndRowsCarryStatus) {
    auto tables = db_.Query(
        "SELECT name FROM sqlite_master WHERE type = 'table' AND name LIKE"
        " 'tbl%'");
    ASSERT_GE(tables->RecordCount(), static_cast<long>(kTables.size()));
    for (const auto& t : tables->Rows()) {
        const std::string table = t[0].ToText();
        const auto cols = Columns(table);
        if (table != "tbl_ReserveNoCounter") {
            EXPECT_EQ(cols.count("RowStatus"), 1u) << table;
        }
        EXPECT_EQ(cols.count("RowModified"), 1u) << table;
        auto info = db_.Query("SELECT name, type FROM pragma_table_info(?)", {table});
        for (const auto& c : info->Rows()) {
            const std::string type = c[1].ToText();
            if (type.rfind("NVARCHAR", 0) != 0 && type != "NTEXT") continue;
            const std::string col = "\"" + c[0].ToText() + "\"";
            ASSERT_TRUE(db_.Begin());
            ASSERT_TRUE(db_.Execute("INSERT INTO " + table + " (" + col + ") VALUES ('abC')"))
                << table << col << db_.LastError();
            EXPECT_EQ(db_.Scalar("SELECT COUNT(*) FROM " + table + " WHERE " + col + " = 'ABc'")
                          .ToInt64(),
                      1)
                << table << "." << col;
            db_.Rollback();
        }
    }
}

TEST_F(SchemaTest, IdentitiesAreNeverReused) {
    ASSERT_TRUE(db_.Execute("INSERT INTO tbl_TableTemp (TableNo) VALUES ('A1'), ('A2')"));
    ASSERT_TRUE(db_.Execute("DELETE FROM tbl_TableTemp WHERE TempID = 2"));
    ASSERT_TRUE(db_.Execute("INSERT INTO tbl_TableTemp (TableNo) VALUES ('A3')"));
    EXPECT_EQ(db_.LastInsertId(), 3);
    // A new row is active and stamped with the clock.
    auto row = db_.Query("SELECT RowStatus, RowModified FROM tbl_TableTemp WHERE TempID = 3");
    EXPECT_EQ(row->Field("RowStatus")->ToText(), "A");
    EXPECT_EQ(row->Field("RowModified")->ToText().size(), 19u);
}

TEST_F(SchemaTest, OneStandingHoldPerTableDateAndMealPeriod) {
    const std::string insert =
        "INSERT INTO tbl_TableTemp (OutletID, ReserveDate, MPOutletID,"
        " TableNo, RowStatus) VALUES (1, '2024-03-05', 10, ?, ?)";
    EXPECT_TRUE(db_.Execute(insert, {"A1", "A"}));
    EXPECT_FALSE(db_.Execute(insert, {"a1", "A"}));  // the same table, any case
    EXPECT_TRUE(db_.Execute(insert, {"A1", "D"}));   // released holds do not count
    EXPECT_TRUE(db_.Execute(insert, {"A2", "A"}));
}

TEST_F(SchemaTest, ColourValuesOrderLikeVariants) {
    db_.RunScript(
        "INSERT INTO tbl_ColorDef (ColorModule, Value1) VALUES ('C', '10'), ('C', 2),"
        " ('C', '4'), ('S', 'v')");
    auto rs = db_.Query("SELECT Value1 FROM tbl_ColorDef WHERE ColorModule = 'C' ORDER BY Value1");
    std::vector<std::string> order;
    for (const auto& r : rs->Rows())
        order.push_back(r[0].ToText());
    EXPECT_EQ(order, (std::vector<std::string>{"2", "4", "10"}));
    EXPECT_EQ(db_.Scalar("SELECT COUNT(*) FROM tbl_ColorDef WHERE Value1 = 'V'").ToInt64(), 1);
}

// The statements of the views, the data-change handlers and the procedures
// find their rows through an index, not by reading the whole table.
TEST_F(SchemaTest, FrequentLookupsUseAnIndex) {
    const std::vector<std::pair<std::string, std::string>> lookups = {
        {"tbl_TableStatus", "SELECT * FROM tbl_TableStatus WHERE RowStatus='A' AND OutletID = 1"},
        {"tbl_TableStatus", "SELECT * FROM tbl_TableStatus WHERE OutletID = 1 AND TableNo = 'A1'"},
        {"tbl_Reservation",
         "SELECT * FROM tbl_Reservation R WHERE R.OutletID = 1 AND"
         " R.ReserveDate = '2024-03-05' AND R.MPOutletID = 10"},
        {"tbl_Reservation",
         "SELECT * FROM tbl_Reservation R WHERE R.ReserveDate >= '2024-03-01'"
         " AND R.ReserveDate <= '2024-03-01' AND R.OutletID IN (1)"},
        {"tbl_TableReserve",
         "SELECT * FROM tbl_TableReserve WHERE ReserveID = 5 AND"
         " RowStatus <> 'D'"},
        {"tbl_TableTemp",
         "SELECT TableNo FROM tbl_TableTemp WHERE RowStatus = 'A' AND OutletID = 1"
         " AND ReserveDate = '2024-03-05' AND MPOutletID = 10"},
        {"tbl_TableBlock",
         "SELECT * FROM tbl_TableBlock WHERE RowStatus='A' AND OutletID = 1 AND"
         " MPOutletID = 10"},
        {"tbl_FPTable", "SELECT * FROM tbl_FPTable WHERE RowStatus='A' AND FPID = 3"},
        {"tbl_FPOutlet", "SELECT * FROM tbl_FPOutlet WHERE OutletID = 1 AND MPOutletID = 10"},
        {"tbl_MPOutlet", "SELECT * FROM tbl_MPOutlet WHERE RowStatus='A' AND OutletID = 1"},
        {"tbl_Guest",
         "SELECT GuestID FROM tbl_Guest WHERE DYAccountNo = '99999999' AND"
         " RowStatus='A'"},
        {"tbl_User", "SELECT * FROM tbl_User U WHERE U.LoginID = 'admin' AND U.RowStatus = 'A'"},
        {"tbl_Client", "SELECT * FROM tbl_Client WHERE RowStatus = 'A' AND IPAddress = 'WS1'"},
    };
    for (const auto& [table, sql] : lookups) {
        auto plan = db_.Query("EXPLAIN QUERY PLAN " + sql);
        ASSERT_NE(plan, nullptr) << sql << db_.LastError();
        std::string detail;
        bool fullScan = false;
        for (const auto& row : plan->Rows()) {
            const std::string step = row.back().ToText();
            detail += step + "; ";
            fullScan |= step.rfind("SCAN", 0) == 0 && step.find("INDEX") == std::string::npos;
        }
        EXPECT_NE(detail.find("INDEX"), std::string::npos) << table << ": " << sql;
        EXPECT_FALSE(fullScan) << table << ": " << sql << " -> " << detail;
    }
}

}  // namespace
