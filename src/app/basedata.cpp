#include "app/basedata.h"

#include <strings.h>

#include "app/demodata.h"
#include "core/version.h"
#include "registry/crypto.h"

const DemoUser kAdministrator = {1, "admin", "admin123", "Administrator", 1};

namespace {

// The KIV server's computer: this one for a loopback relay, else the address
// as given (a host name is the computer's name).
std::string RelayComputerName(const std::string& host) {
    return host == "127.0.0.1" || host == "::1" || strcasecmp(host.c_str(), "localhost") == 0
               ? "localhost"
               : host;
}

bool WriteServers(SQLiteFile& db, const InstallContext& ctx, std::string& error) {
    std::vector<Row> servers;
    for (std::size_t i = 0; i < ctx.databases.size(); ++i) {
        const int id = static_cast<int>(i) + 1;
        servers.push_back({id, "DB" + std::to_string(id), "Database server " + std::to_string(id),
                           "資料庫伺服器 " + std::to_string(id), ctx.databases[i],
                           "Provider=SQLite", "", "", 30, "A", ctx.today.ToText()});
    }
    // Two workstations so that two programs can run side by side on one host
    // (COMPUTERNAME=WS2 for the second).
    std::vector<Row> clients = {{1, 1, "WS1", "W", ctx.computerName, ctx.computerName,
                                 ctx.computerName, "Front desk", "A"}};
    if (strcasecmp(ctx.computerName.c_str(), "WS2") != 0) {
        clients.push_back({2, 1, "WS2", "W", "Workstation 2", "WS2", "WS2", "Telephone desk", "A"});
    }
    return InsertRows(db, ctx, "tbl_DBServer",
                      {"DBServerID", "DBServerCode", "NameL1", "NameL2", "IPAddress", "ConnStr",
                       "UserID", "Password", "CommandTimeout", "RowStatus", "RowModified"},
                      servers, error) &&
           InsertRows(db, ctx, "tbl_Client",
                      {"ClientID", "DBServerID", "ClientCode", "ClientType", "NameL1", "IPAddress",
                       "ComputerName", "Location", "RowStatus"},
                      clients, error) &&
           InsertRows(db, ctx, "tbl_ServiceServer",
                      {"ServiceID", "ServiceCode", "NameL1", "NameL2", "IPAddress", "ComputerName",
                       "IPPort", "ClientConnectIP", "RowStatus"},
                      {{1, "KIV1", "CulinaroTable server", "CulinaroTable 伺服器", ctx.relayHost,
                        RelayComputerName(ctx.relayHost), ctx.port, ctx.relayHost, "A"}},
                      error);
}

}  // namespace

std::vector<ParameterRow> SystemParameters(const InstallContext& ctx) {
    const std::string on = ctx.demo ? "1" : "0";
    return {
        // Start-up refuses to run without these (valid values).
        {"CONFIG", "GuestQuickSearchField", "T", "ContactPhone"},
        {"CONFIG", "DateFormat", "T", "dd/MM/yyyy"},
        {"CONFIG", "TimeFormat", "T", "hh:nn"},
        {"CONFIG", "FilterLevel", "I", "3"},
        {"CONFIG", "ClientTimeDiffTolerant", "I", "5"},
        {"CONFIG", "PrinterName", "T", ""},
        {"CONFIG", "AppTitleSuffix", "T", ctx.demo ? "Demo" : ""},
        {"CONFIG", "ResvListQuickKeyEnable", "I", "1"},
        {"CONFIG", "SMSVALIDSENDTIME", "I", "0"},
        {"CONFIG", "TplTableNoList", "I", "1"},
        {"CONFIG", "WEBSVRREF", "T", ""},
        {"CONFIG", "WEBSVRTIMEOUT", "I", "30"},
        {"CONFIG", "GETOUTLETSUMMARY", "I", "0"},
        {"CONFIG", "SHOWMOREGUESTPREF", "I", "0"},
        // Users, outlets, timers, web booking, messages.
        {"CONFIG", "DisableUser", "I", ctx.demo ? "180" : "0"},
        {"CONFIG", "OutletSorting", "T", "0"},
        {"CONFIG", "ChangePasswdInterval", "I", "90"},
        {"CONFIG", "GetAllotSttingInterval", "I", "5"},
        {"CONFIG", "CheckTimeBlockInterval", "I", "60"},
        {"CONFIG", "DisplayUserLoginID", "I", "1"},
        {"CONFIG", "WebBooking", "I", on},
        // The demo points at its web booking simulator (websim).
        {"CONFIG", "WebKIVSvrRef", "T", ctx.demo ? DemoWebServiceUrl(ctx) : ""},
        {"CONFIG", "WebKIVMerchantID", "I", ctx.demo ? kDemoWebMerchant : "0"},
        {"CONFIG", "WebKIVLoginID", "T", ctx.demo ? kDemoWebLogin : ""},
        {"CONFIG", "WebKIVLoginPasswd", "T", ctx.demo ? kDemoWebPassword : ""},
        {"CONFIG", "NewResv_AdvMustField", "T", ""},
        // Statistics: settled reservations count as bookings of the period;
        // tables before their race-meeting booking window count as held back.
        {"CONFIG", "StatIncludeSettled", "I", "1"},
        {"CONFIG", "StatBookingWindowHold", "I", "0"},
        {"SYS", "ORBA", "I", "0"},
        {"SYS", "Version", "T", CT_VERSION_TEXT},
        {"RESV", "PseudoGuestNo", "T", kPseudoGuestNo},
        {"RESV_TEXT", "ReceiptFooter", "T", "Thank you for your reservation."},
        {"CAPTION", "RefNo1", "T", "Reference 1"},
        {"CAPTION", "RefNo2", "T", "Reference 2"},
    };
}

namespace {

bool WriteParameters(SQLiteFile& db, const InstallContext& ctx, std::string& error) {
    std::vector<Row> rows;
    for (const auto& p : SystemParameters(ctx)) {
        const bool text = std::string(p.module) == "RESV_TEXT";
        rows.push_back({p.module, p.name, p.dataType, text ? Null() : Variant(p.value),
                        std::string(p.module) == "CAPTION" ? Variant(p.value) : Null(),
                        text ? Variant(p.value) : Null(), "A"});
    }
    return InsertRows(db, ctx, "tbl_Parameter",
                      {"ParaModule", "ParaName", "ParaDataType", "ParaValue", "ParaValue1",
                       "ParaText", "RowStatus"},
                      rows, error);
}

// The rights catalogue. Front-end index 1 bit 1 lets a user sign in; index 10
// bits 1 and 2 are the two operation modes. A back-end right with AllowNew
// takes its sub-index and the three after it ((New), (Update), (Delete)).
bool WriteRights(SQLiteFile& db, const InstallContext& ctx, std::string& error) {
    struct Right {
        const char* module;
        int index, sub;
        const char* desc;
        bool allowNew;
    };
    const Right rights[] = {
        {"FE", 1, 1, "Sign in", false},
        {"FE", 2, 1, "New reservation", false},
        {"FE", 2, 2, "Update reservation", false},
        {"FE", 2, 3, "Cancel reservation", false},
        {"FE", 2, 4, "Check in", false},
        {"FE", 2, 5, "Settle reservation", false},
        {"FE", 2, 6, "Waiting list", false},
        {"FE", 2, 7, "Walk-in", false},
        {"FE", 2, 8, "Book outside table limits", false},
        {"FE", 2, 9, "Book with past date and time", false},
        {"FE", 2, 10, "Future reservation", false},
        {"FE", 2, 11, "Reservation in current meal period", false},
        {"FE", 3, 1, "Block table", false},
        {"FE", 3, 2, "Unblock table", false},
        {"FE", 3, 3, "Swap tables", false},
        {"FE", 3, 4, "Change covers", false},
        {"FE", 4, 1, "New guest profile", false},
        {"FE", 4, 2, "Update guest profile", false},
        {"FE", 4, 3, "Export guest profiles", false},
        {"FE", 4, 4, "Import guest profiles", false},
        {"FE", 5, 1, "Send SMS", false},
        {"FE", 5, 2, "Send e-mail", false},
        {"FE", 5, 3, "Batch messages", false},
        {"FE", 6, 1, "Current view", false},
        {"FE", 6, 2, "Future view", false},
        {"FE", 6, 3, "Past view", false},
        {"FE", 6, 4, "Statistics", false},
        {"FE", 7, 1, "Print receipt", false},
        {"FE", 7, 2, "Print lists", false},
        {"FE", 8, 1, "Open POS check", false},
        {"FE", 8, 2, "POS check enquiry", false},
        {"FE", 9, 1, "View web allotment", false},
        {"FE", 9, 2, "Change web allotment", false},
        {"FE", 10, 1, "In-person Reservation", false},
        {"FE", 10, 2, "Telephone Reservation", false},
        {"BE", 1, 1, "Users", true},
        {"BE", 1, 5, "Reset password", false},
        {"BE", 2, 1, "Roles", true},
        {"BE", 3, 1, "Outlets", true},
        {"BE", 3, 5, "Meal periods", true},
        {"BE", 4, 1, "Floor plans", true},
        {"BE", 5, 1, "System parameters", false},
        {"BE", 6, 1, "Message templates", true},
        {"BE", 7, 1, "Cancel reasons", true},
        {"BE", 8, 1, "Profile definitions", false},
        {"BE", 9, 1, "Colours", false},
        {"BE", 10, 1, "Database servers", true},
        {"BE", 10, 5, "Workstations", true},
        {"BE", 11, 1, "User action log", false},
        {"BE", 12, 1, "Calendars", true},
        {"BE", 13, 1, "Web allotments", false},
        {"BE", 14, 1, "Guest import and export", false},
        {"BE", 15, 1, "Update package", false},
    };
    std::vector<Row> rows;
    for (const auto& r : rights) {
        rows.push_back({r.module, r.index, r.sub, r.desc, r.allowNew ? Variant(1) : Null(), "A"});
    }
    return InsertRows(db, ctx, "tbl_UserRight",
                      {"Module", "RightIndex", "RightSubIndex", "DescL1", "AllowNew", "RowStatus"},
                      rows, error);
}

bool WriteAdministrator(SQLiteFile& db, const InstallContext& ctx, std::string& error) {
    Row role = {1, "ADMIN", kAdminLevel, "Administrator", "系統管理員", "A"};
    std::vector<std::string> cols = {"RoleID", "RoleCode", "RoleLevel",
                                     "NameL1", "NameL2",   "RowStatus"};
    for (int i = 1; i <= 10; ++i) {
        cols.push_back("FERightMask" + std::to_string(i));
        role.push_back(-1);
    }
    for (int i = 1; i <= 15; ++i) {
        cols.push_back("BERightMask" + std::to_string(i));
        role.push_back(-1);
    }
    const DemoUser& u = kAdministrator;
    return InsertRows(db, ctx, "tbl_UserRole", cols, {role}, error) &&
           InsertRows(db, ctx, "tbl_User",
                      {"UserID", "LoginID", "Password", "NameL1", "NameL2", "RoleID", "PWUpdateDT",
                       "LastLoginTime", "RowStatus", "RowModified"},
                      {{u.userID, u.login, HashPassword(u.password), u.name, "系統管理員", u.roleID,
                        ctx.today.ToText(), ctx.today.ToText(), "A", ctx.today.ToText()}},
                      error);
}

// Table colours: "S" per state code, "T" per elapsed-minute range, "C" per
// table capacity.
bool WriteColours(SQLiteFile& db, const InstallContext& ctx, std::string& error) {
    struct Colour {
        const char* module;
        int value;
        const char* name;
        const char* nameL2;
        Variant v1, v2;
    };
    const Colour colours[] = {
        {"S", 0x80E080, "Vacant", "空檯", "V", Null()},
        {"S", 0xF0C060, "Reserved", "已預訂", "R", Null()},
        {"S", 0xFFFF80, "Arrived", "已到達", "A", Null()},
        {"S", 0xF08080, "Occupied", "使用中", "O", Null()},
        {"S", 0xFFA040, "Bill printed", "已印單", "B", Null()},
        {"S", 0xC0C0C0, "Check closed", "已結賬", "C", Null()},
        {"S", 0x80C0FF, "Held", "暫留", "H", Null()},
        {"S", 0x808080, "Blocked", "已封檯", "K", Null()},
        {"T", 0xFFE0E0, "Up to 30 minutes", "30 分鐘內", 0, 30},
        {"T", 0xFFA0A0, "31 to 60 minutes", "31 至 60 分鐘", 31, 60},
        {"T", 0xFF6060, "61 to 90 minutes", "61 至 90 分鐘", 61, 90},
        {"T", 0xC00000, "Over 90 minutes", "超過 90 分鐘", 91, 9999},
        {"C", 0xE0F0FF, "2 seats", "2 人", 2, Null()},
        {"C", 0xC0E0FF, "4 seats", "4 人", 4, Null()},
        {"C", 0xA0D0FF, "6 seats", "6 人", 6, Null()},
        {"C", 0x80C0FF, "8 seats", "8 人", 8, Null()},
        {"C", 0x60B0FF, "10 seats", "10 人", 10, Null()},
        {"C", 0x40A0FF, "12 seats", "12 人", 12, Null()},
    };
    std::vector<Row> rows;
    for (const auto& c : colours)
        rows.push_back({c.module, c.value, c.name, c.nameL2, c.v1, c.v2, "A"});
    return InsertRows(
        db, ctx, "tbl_ColorDef",
        {"ColorModule", "ColorValue", "NameL1", "NameL2", "Value1", "Value2", "RowStatus"}, rows,
        error);
}

// Cancel reasons of every category (MsgSubCat).
bool WriteCancelReasons(SQLiteFile& db, const InstallContext& ctx, std::string& error) {
    const Row rows[] = {
        {"CXL", "C01", "MAN", "N", "Guest changed plans", "客人改變計劃", 1, 0, 0},
        {"CXL", "C02", "MAN", "N", "Duplicate booking", "重複預訂", 0, 0, 0},
        {"CXL", "C03", "MAN", "N", "Bad weather", "天氣惡劣", 0, 0, 0},
        {"CXL", "D01", "MAN", "DCL", "Fully booked", "已滿座", 1, 0, 0},
        {"CXL", "D02", "MAN", "DCL", "Party too large", "人數過多", 0, 0, 0},
        {"CXL", "N01", "MAN", "NS", "No show", "未有出席", 1, 0, 0},
        {"CXL", "N02", "MAN", "NS", "No show, called late", "未有出席（遲通知）", 0, 0, 0},
        {"CXL", "B01", "MAN", "BULK", "Group booking cancelled by organiser", "團體預訂取消", 1, 0,
         0},
        {"CXL", "P01", "MAN", "NCP", "Cancelled with deposit refund", "取消並退還訂金", 0, 1, 1},
    };
    std::vector<Row> list;
    for (const auto& r : rows) {
        Row row = r;
        row.push_back("A");
        list.push_back(row);
    }
    return InsertRows(db, ctx, "tbl_Message",
                      {"MsgType", "MsgCode", "MsgCat", "MsgSubCat", "NameL1", "NameL2", "IsDefault",
                       "ShowPaymentRef", "ShowRefuntAmt", "RowStatus"},
                      list, error);
}

bool WriteTemplates(SQLiteFile& db, const InstallContext& ctx, std::string& error) {
    const char* receipt =
        "`[$OutletID$]` reservation\r\n"
        "Guest: `[$TPL_GuestName$]`\r\n"
        "Date: `[$ReserveDate$]`  Time: `[$ReserveTime$]`\r\n"
        "Covers: `[$ReserveCover$]`  Tables: `[$SYS_TableNoList$]`\r\n"
        "Reservation no.: `[$ReserveNo$]`\r\n"
        "Booked by `[$SYS_CreateUser$]` at `[$UpdateDT$]`\r\n";
    const std::vector<Row> templates = {
        {1, "RECEIPT", "RECEIPT", "TXT", receipt, Null()},
        {2, "CONFIRM_SMS", "SMS", "TXT",
         "Dear `[$TPL_GuestName$]`, your table for `[$ReserveCover$]` on `[$ReserveDate$]` at "
         "`[$ReserveTime$]` is confirmed. Ref `[$ReserveNo$]`.",
         Null()},
        {3, "REMIND_SMS", "SMS", "TXT",
         "Reminder: we look forward to seeing you on `[$ReserveDate$]` at `[$ReserveTime$]`.",
         Null()},
        {4, "CANCEL_EMAIL", "EMAIL", "HTML",
         "<p>Dear `[$TPL_GuestName$]`,</p><p>your reservation `[$ReserveNo$]` of "
         "`[$ReserveDate$]` has been cancelled.</p>",
         "Your reservation has been cancelled"},
        {5, "PROMOTION", "BATCH", "TXT",
         "Dear guest, our new seasonal menu starts on DATE`[$2024-01-01+30$]`.", Null()},
    };
    std::vector<Row> rows;
    for (const auto& t : templates) {
        Row row = t;
        row.insert(row.end(), {1, "A"});
        rows.push_back(row);
    }
    return InsertRows(db, ctx, "tbl_Template",
                      {"TemplateID", "TemplateCode", "Type", "FormatType", "Template", "Subject",
                       "DBServerID", "RowStatus"},
                      rows, error) &&
           InsertRows(db, ctx, "tbl_MessageEvent",
                      {"EventID", "EventModule", "EventCode", "NameL1", "RowStatus"},
                      {{1, "Resv", "NewReservation", "New reservation", "A"},
                       {2, "Resv", "CancelReservation", "Cancel reservation", "A"},
                       {3, "Resv", "ReminderReservation", "Reservation reminder", "A"}},
                      error);
}

bool WritePseudoGuest(SQLiteFile& db, const InstallContext& ctx, std::string& error) {
    return InsertRows(
        db, ctx, "tbl_Guest",
        {"GuestID", "GuestNo", "DBServerID", "DYAccountNo", "DYLastName", "DYFirstName", "Gender",
         "DateOfBirthType", "ReceiveSMS", "ReceiveEmail", "BlackList", "UserID", "CreateDT",
         "RowStatus"},
        {{kPseudoGuestID, std::to_string(kPseudoGuestID), 1, kPseudoGuestNo, "Non-member", "Guest",
          "N", 7, "NO", "NO", "NO", 1, ctx.today.ToText(), "A"}},
        error);
}

}  // namespace

bool WriteProfileDefinitions(SQLiteFile& db, const InstallContext& ctx, std::string& error);

bool WriteBaseData(SQLiteFile& db, const InstallContext& ctx, std::string& error) {
    return WriteServers(db, ctx, error) && WriteParameters(db, ctx, error) &&
           WriteRights(db, ctx, error) && WriteAdministrator(db, ctx, error) &&
           WriteColours(db, ctx, error) && WriteCancelReasons(db, ctx, error) &&
           WriteTemplates(db, ctx, error) && WriteProfileDefinitions(db, ctx, error) &&
           WritePseudoGuest(db, ctx, error);
}
