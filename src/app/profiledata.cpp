// Profile definitions: the fields of the guest and reservation forms and
// lists of every operation, with their option lists.
#include <map>

#include "app/basedata.h"

namespace {

// Where a field is shown (0 = not shown there).
struct Orders {
    int guest = 0;    // guest maintenance form
    int resv = 0;     // telephone, in-person and bulk booking forms
    int walkin = 0;   // walk-in form
    int list = 0;     // reservation lists (every list kind)
    int search = 0;   // guest and reservation search
    int summary = 0;  // guest and list summaries
};

struct Field {
    const char* code;  // ProfileCode and DBField
    const char* desc;
    const char* descL2;
    const char* input;   // InputType
    const char* data;    // DataType: S text, I integer, D date, DT date-time, T time
    const char* dbType;  // DBDataType: NV, N, I, M
    int dbSize;
    bool guest;  // value lives in the guest profile
    bool resv;   // value lives in the reservation
    Orders at;
    const char* defaultValue = "";
    bool must = false;
};

const Field kFields[] = {
    {"ReserveDate",
     "Date",
     "日期",
     "D",
     "D",
     "N",
     10,
     false,
     true,
     {0, 1, 0, 1, 1, 1},
     "NOW",
     true},
    {"SYS_MPName", "Meal period", "餐段", "TX", "S", "NV", 50, false, false, {0, 0, 0, 2, 0, 2}},
    {"ReserveTime", "Time", "時間", "TM", "T", "N", 8, false, true, {0, 2, 1, 3, 0, 3}, "", true},
    {"ReserveCover",
     "Covers",
     "人數",
     "TX",
     "I",
     "I",
     4,
     false,
     true,
     {0, 3, 2, 4, 0, 4},
     "2",
     true},
    {"DYAdult", "Adults", "成人", "TX", "I", "I", 4, false, true, {0, 4, 0, 0, 0, 0}},
    {"DYChildren", "Children", "小童", "TX", "I", "I", 4, false, true, {0, 5, 0, 0, 0, 0}},
    {"SYS_TableNoList", "Tables", "檯號", "FC", "S", "NV", 255, false, false, {0, 6, 3, 5, 0, 5}},
    {"DYSalutation", "Title", "稱謂", "C", "S", "NV", 20, true, true, {1, 7, 4, 0, 0, 0}},
    {"DYLastName",
     "Last name",
     "姓",
     "TX",
     "S",
     "NV",
     100,
     true,
     true,
     {2, 8, 5, 6, 1, 6},
     "",
     true},
    {"DYFirstName", "First name", "名", "TX", "S", "NV", 100, true, true, {3, 9, 6, 7, 2, 7}},
    {"DYChineseName",
     "Chinese name",
     "中文姓名",
     "TX",
     "S",
     "NV",
     100,
     true,
     true,
     {4, 10, 0, 0, 0, 0}},
    {"ContactPhone", "Phone", "電話", "TX", "S", "NV", 50, true, true, {5, 11, 7, 8, 3, 8}},
    {"DYSMSContact",
     "SMS contact",
     "短訊號碼",
     "TX",
     "S",
     "NV",
     50,
     true,
     true,
     {6, 12, 0, 0, 0, 0}},
    {"Email", "E-mail", "電郵", "TX", "S", "NV", 255, true, true, {7, 13, 0, 0, 0, 0}},
    {"DYAccountNo",
     "Account no.",
     "會員號碼",
     "TX",
     "S",
     "NV",
     50,
     true,
     true,
     {8, 14, 0, 9, 4, 9}},
    {"DYHolderNo",
     "Holder no.",
     "持卡人號碼",
     "TX",
     "S",
     "NV",
     20,
     true,
     true,
     {9, 15, 0, 0, 0, 0}},
    {"DYMemCategory",
     "Member category",
     "會員類別",
     "C",
     "S",
     "NV",
     20,
     true,
     true,
     {10, 16, 0, 0, 0, 0}},
    {"ReceiveSMS",
     "Receive SMS",
     "接收短訊",
     "C",
     "S",
     "NV",
     3,
     true,
     true,
     {11, 17, 0, 0, 0, 0},
     "NO"},
    {"ReceiveEmail",
     "Receive e-mail",
     "接收電郵",
     "C",
     "S",
     "NV",
     3,
     true,
     true,
     {12, 18, 0, 0, 0, 0},
     "NO"},
    {"Gender", "Gender", "性別", "C", "S", "NV", 1, true, false, {13, 0, 0, 0, 0, 0}, "N"},
    {"DateOfBirth",
     "Date of birth",
     "出生日期",
     "DD",
     "D",
     "N",
     10,
     true,
     false,
     {14, 0, 0, 0, 0, 0}},
    {"BlackList",
     "Black list",
     "黑名單",
     "C",
     "S",
     "NV",
     3,
     true,
     false,
     {15, 0, 0, 0, 0, 0},
     "NO"},
    {"BlackListCaption",
     "Black list remark",
     "黑名單備註",
     "TX",
     "S",
     "NV",
     255,
     true,
     false,
     {16, 0, 0, 0, 0, 0}},
    {"CompanyName", "Company", "公司", "TX", "S", "NV", 255, true, false, {17, 0, 0, 0, 0, 0}},
    {"ReserveType", "Type", "類別", "C", "S", "N", 1, false, true, {0, 19, 0, 10, 0, 0}, "N"},
    {"ReserveMode",
     "Booking source",
     "預訂來源",
     "C",
     "S",
     "N",
     1,
     false,
     true,
     {0, 20, 0, 11, 0, 0},
     "T"},
    {"ConfirmStatus",
     "Confirmed",
     "已確認",
     "CB",
     "I",
     "I",
     1,
     false,
     true,
     {0, 21, 0, 12, 0, 0},
     "0"},
    {"Remark", "Remark", "備註", "TB", "S", "NV", 2000, false, true, {0, 22, 8, 13, 0, 10}},
    {"ReserveNo",
     "Reservation no.",
     "預訂編號",
     "TX",
     "S",
     "NV",
     20,
     false,
     true,
     {0, 0, 0, 14, 5, 0}},
    {"ArrivalTime",
     "Arrival time",
     "到達時間",
     "TM",
     "T",
     "N",
     8,
     false,
     true,
     {0, 0, 0, 15, 0, 0}},
    {"ArrivalCover",
     "Arrival covers",
     "到達人數",
     "TX",
     "I",
     "I",
     4,
     false,
     true,
     {0, 0, 0, 16, 0, 0}},
    {"RowStatus", "Status", "狀態", "C", "S", "N", 1, false, true, {0, 0, 0, 17, 0, 0}},
    {"SYS_CancelCode",
     "Cancel reason",
     "取消原因",
     "C",
     "S",
     "NV",
     20,
     false,
     false,
     {0, 0, 0, 18, 0, 0}},
    {"SYS_CreateUser",
     "Created by",
     "建立者",
     "TX",
     "S",
     "NV",
     100,
     false,
     false,
     {0, 0, 0, 19, 0, 0}},
    {"SYS_UpdateUser",
     "Updated by",
     "更新者",
     "TX",
     "S",
     "NV",
     100,
     false,
     false,
     {0, 0, 0, 20, 0, 0}},
    {"SYS_UpdateClient",
     "Workstation",
     "工作站",
     "TX",
     "S",
     "NV",
     100,
     false,
     false,
     {0, 0, 0, 21, 0, 0}},
    {"SYS_OutletName", "Outlet", "餐廳", "TX", "S", "NV", 100, false, false, {0, 0, 0, 22, 0, 0}},
    {"SYS_ResvIndicator_Status",
     "Indicator",
     "標示",
     "TX",
     "S",
     "NV",
     20,
     false,
     false,
     {0, 0, 0, 23, 0, 0}},
    {"SYS_ResvIndicator_Remark",
     "Remark indicator",
     "備註標示",
     "TX",
     "S",
     "NV",
     20,
     false,
     false,
     {0, 0, 0, 24, 0, 0}},
    {"OutletID", "Outlet", "餐廳", "C", "I", "I", 10, false, true, {0, 0, 0, 0, 0, 0}},
};

// Option lists (OptModule 'PDEF', OptCode = the field's ProfileCode).
struct Option {
    const char* code;
    const char* value;
    const char* name;
    const char* nameL2;
};
const Option kOptions[] = {
    {"DYSalutation", "Mr", "Mr", "先生"},
    {"DYSalutation", "Ms", "Ms", "女士"},
    {"DYSalutation", "Mrs", "Mrs", "太太"},
    {"DYSalutation", "Dr", "Dr", "博士"},
    {"DYMemCategory", "GOLD", "Gold", "金卡"},
    {"DYMemCategory", "SILVER", "Silver", "銀卡"},
    {"DYMemCategory", "STD", "Standard", "普通"},
    {"ReceiveSMS", "YES", "Yes", "是"},
    {"ReceiveSMS", "NO", "No", "否"},
    {"ReceiveEmail", "YES", "Yes", "是"},
    {"ReceiveEmail", "NO", "No", "否"},
    {"BlackList", "YES", "Yes", "是"},
    {"BlackList", "NO", "No", "否"},
    {"Gender", "M", "Male", "男"},
    {"Gender", "F", "Female", "女"},
    {"Gender", "N", "Not given", "未提供"},
    {"ReserveType", "N", "Reservation", "預訂"},
    {"ReserveType", "W", "Waiting list", "輪候"},
    {"ReserveMode", "T", "Telephone", "電話"},
    {"ReserveMode", "P", "In person", "親臨"},
    {"ReserveMode", "W", "Walk-in", "即場"},
    {"ReserveMode", "I", "Internet", "網上"},
    {"RowStatus", "A", "Active", "有效"},
    {"RowStatus", "C", "Settled", "已完成"},
    {"RowStatus", "X", "Cancelled", "已取消"},
    {"RowStatus", "D", "Deleted", "已刪除"},
};

// Names of the table-type attributes TT1..TT2 of the floor-plan tables.
const Option kTableTypeNames[] = {
    {"TT1Value", "WIN", "Window", "窗邊"},        {"TT1Value", "HALL", "Hall", "大廳"},
    {"TT1Value", "TERR", "Terrace", "露台"},      {"TT2Value", "BOOTH", "Booth", "卡座"},
    {"TT2Value", "ROUND", "Round table", "圓檯"},
};

std::vector<std::string> Columns() {
    return {"ProfileID",
            "ProfileCode",
            "DBField",
            "DescL1",
            "DescL2",
            "ResvListHeaderL1",
            "ResvListHeaderL2",
            "InputType",
            "DataType",
            "DBDataType",
            "DBSize",
            "DefaultValue",
            "InputWidth",
            "DataFromGuestTable",
            "DataFromResvTable",
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
            "IsTeleResvView",
            "IsTeleResvSearch",
            "IsTeleResvVisible",
            "IsTeleResvNew",
            "IsTeleResvNewEnabled",
            "IsTeleResvUpdate",
            "IsTeleResvUpdateEnabled",
            "IsTeleResvMust",
            "IsInPerResvView",
            "IsInPerResvSearch",
            "IsInPerResvVisible",
            "IsInPerResvNew",
            "IsInPerResvNewEnabled",
            "IsInPerResvUpdate",
            "IsInPerResvUpdateEnabled",
            "IsInPerResvMust",
            "IsWalkInView",
            "IsWalkInSearch",
            "IsWalkInVisible",
            "IsWalkInNew",
            "IsWalkInNewEnabled",
            "IsWalkInMust",
            "IsBulkResvView",
            "IsBulkResvSearch",
            "IsBulkResvVisible",
            "IsBulkResvNew",
            "IsBulkResvNewEnabled",
            "IsBulkResvMust",
            "IsResvListOprView",
            "IsResvListOprVisible",
            "IsOption",
            "ProfileExport",
            "ProfileImportNew",
            "ProfileImportUpdate",
            "DuplicateResvCriteria",
            "RowStatus"};
}

Row FieldRow(int id, const Field& f, bool hasOptions) {
    const Orders& o = f.at;
    const bool column = std::string(f.code).rfind("SYS_", 0) != 0;
    const bool isName = std::string(f.code) == "DYLastName" || std::string(f.code) == "DYFirstName";
    const int guestName = std::string(f.code) == "DYFirstName" ? 1 : (isName ? 2 : 0);
    auto flag = [](bool b) { return Variant(b ? 1 : 0); };
    const bool g = o.guest > 0, r = o.resv > 0, w = o.walkin > 0, l = o.list > 0;
    const bool canEdit = column && std::string(f.code) != "ReserveNo";
    Row row = {
        id, f.code, column ? Variant(f.code) : Null(), f.desc, f.descL2, f.desc, f.descL2, f.input,
        f.data, f.dbType, f.dbSize, *f.defaultValue != '\0' ? Variant(f.defaultValue) : Null(),
        f.dbSize > 100 ? 240 : 120, flag(f.guest), flag(f.resv), flag(f.must && g), o.guest, o.resv,
        o.resv, o.walkin, o.resv,
        // every reservation list shows the same columns
        o.list, o.list, o.list, o.list, o.list, o.list, o.list, o.list, o.list, o.list, o.search,
        o.summary, o.summary, guestName, o.search, o.search, o.search, o.search,
        std::string(f.code) == "DYSMSContact" ? 1 : 0, std::string(f.code) == "Email" ? 1 : 0};
    // guest form switches
    for (bool b : {g, o.search > 0 && g, g, g && canEdit, g && canEdit, g && canEdit, g && canEdit})
        row.push_back(flag(b));
    // telephone and in-person booking switches
    for (int mode = 0; mode < 2; ++mode) {
        for (bool b : {r, o.search > 0 && r, r, r && canEdit, r && canEdit, r && canEdit,
                       r && canEdit, r && f.must})
            row.push_back(flag(b));
    }
    for (bool b : {w, false, w, w && canEdit, w && canEdit, w && f.must})
        row.push_back(flag(b));
    for (bool b : {r, false, r, r && canEdit, r && canEdit, r && f.must})
        row.push_back(flag(b));
    const bool exported = f.guest && column;
    for (bool b : {l, l, hasOptions, exported, exported, exported})
        row.push_back(flag(b));
    // Bookings of one guest on the same date and meal period count as duplicates.
    row.push_back(std::string(f.code) == "ContactPhone" ? Variant("SAME") : Null());
    row.push_back("A");
    return row;
}

}  // namespace

bool WriteProfileDefinitions(SQLiteFile& db, const InstallContext& ctx, std::string& error) {
    std::map<std::string, int> optionCount;
    std::vector<Row> options;
    int seq = 0;
    std::string last;
    for (const auto& o : kOptions) {
        seq = last == o.code ? seq + 1 : 1;
        last = o.code;
        optionCount[o.code]++;
        options.push_back({"PDEF", o.code, seq, o.value, o.value, o.name, o.nameL2, "A"});
    }
    seq = 0;
    last.clear();
    for (const auto& o : kTableTypeNames) {
        seq = last == o.code ? seq + 1 : 1;
        last = o.code;
        options.push_back({"TABLE", o.code, seq, o.value, o.value, o.name, o.nameL2, "A"});
    }
    std::vector<Row> fields;
    int id = 0;
    for (const auto& f : kFields)
        fields.push_back(FieldRow(++id, f, optionCount.count(f.code) != 0));
    return InsertRows(db, ctx, "tbl_ProfileDefinition", Columns(), fields, error) &&
           InsertRows(db, ctx, "tbl_ParaOption",
                      {"OptModule", "OptCode", "OptSeq", "OptSubCode", "OptValue", "NameL1",
                       "NameL2", "RowStatus"},
                      options, error);
}
