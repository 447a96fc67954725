#include "users/user.h"

#include "core/config.h"
#include "core/globals.h"
#include "core/log.h"
#include "core/mltext.h"
#include "core/userlog.h"
#include "platform/userinterface.h"
#include "sql/sqldb.h"

std::unique_ptr<User> g_oUser;

namespace {
constexpr const char* kClass = "User";
}

int32_t User::FERightMask(int index) const {
    return index >= 0 && index <= 10 ? feMask_[static_cast<std::size_t>(index)] : 0;
}

int32_t User::BERightMask(int index) const {
    return index >= 0 && index <= 15 ? beMask_[static_cast<std::size_t>(index)] : 0;
}

bool User::AddFromRS(const Recordset* rs) {
    if (!HasCurrentRow(*this, rs, kClass, "oRS is EOF", RowLog::kText)) return false;
    userID_ = FieldLng(rs, "UserID");
    loginID_ = FieldStr(rs, "LoginID");
    password_ = FieldStr(rs, "Password");
    userName_.Read(rs, "UserName");
    roleName_.Read(rs, "RoleName");
    diffNamePwd_ = FieldLng(rs, "DiffNamePwd");
    pwdNextLogon_ = FieldLng(rs, "PwdNextLogon");
    disabled_ = FieldLng(rs, "Disabled");
    roleID_ = FieldLng(rs, "RoleID");
    roleCode_ = FieldStr(rs, "RoleCode");
    roleLevel_ = FieldLng(rs, "RoleLevel");
    pwdSecurity_ = FieldLng(rs, "PwdSecurity");
    sessionTimeout_ = FieldLng(rs, "SessionTimeout");
    // The top level passes every check: each mask OR all ones.
    int32_t all = roleLevel_ == kTopRoleLevel ? -1 : 0;
    for (int i = 1; i <= 10; ++i)
        feMask_[static_cast<std::size_t>(i)] =
            FieldLng(rs, "FERightMask" + std::to_string(i)) | all;
    for (int i = 1; i <= 15; ++i)
        beMask_[static_cast<std::size_t>(i)] =
            FieldLng(rs, "BERightMask" + std::to_string(i)) | all;
    rowStatus_ = FieldStr(rs, "RowStatus");
    rowModified_ = FieldDate(rs, "RowModified");
    return true;
}

bool User::LoadOutlets(Recordset* rs) {
    outlets_.Clear();
    outletIDList_.clear();
    outletCodeList_.clear();
    if (rs == nullptr) {
        SetErr(kErrRSNothing, kClass, "LoadOutlets", "oRS is nothing");
        WriteLog("oRS is nothing", kClass, "LoadOutlets", kLogError, 1);
        outletIDList_ = "0";
        outletCodeList_ = "'NULL'";
        return false;
    }
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) {
        int32_t id = FieldLng(rs, "OutletID");
        std::string code = FieldStr(rs, "OutletCode");
        outletIDList_ += (outletIDList_.empty() ? "" : ",") + std::to_string(id);
        outletCodeList_ += (outletCodeList_.empty() ? "'" : ",'") + code + "'";
        outlets_.Add(code, id);
    }
    if (outletIDList_.empty()) outletIDList_ = "0";
    if (outletCodeList_.empty()) outletCodeList_ = "'NULL'";
    return true;
}

bool User::LoadEmployees(Recordset* rs) {
    employees_.Clear();
    if (rs == nullptr) {
        SetErr(kErrRSNothing, kClass, "LoadEmployees", "oRS is nothing");
        WriteLog("oRS is nothing", kClass, "LoadEmployees", kLogError, 1);
        return false;
    }
    for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext())
        employees_.Add(FieldLng(rs, "AccountID"), FieldStr(rs, "EmployeeID"));
    return true;
}

std::string User::GetEmployeeID(int32_t accountID) const {
    const std::string* e = employees_.Item(accountID);
    return e == nullptr ? std::string() : *e;
}

bool User::CheckFERight(int index, int32_t bit, bool showMessage) const {
    bool allowed = (FERightMask(index) & bit) != 0;
    if (!allowed && showMessage)
        UI().MessageBox(GetMLText("Sorry, you are not authorized to proceed the action"),
                        MsgIcon::Exclamation, "CulinaroTable");
    return allowed;
}

bool User::CheckBERight(int index, int32_t bit, bool showMessage) const {
    bool allowed = (BERightMask(index) & bit) != 0;
    if (!allowed && showMessage)
        UI().MessageBox(GetMLText("Sorry, you are not authorized to proceed the action"),
                        MsgIcon::Exclamation, "CulinaroTable");
    int n = 0;
    for (uint32_t b = static_cast<uint32_t>(bit); b != 0; b >>= 1)
        ++n;
    std::string key = "BE:" + std::to_string(index) + ":" + std::to_string(n);
    std::string desc = g_oConfig != nullptr ? g_oConfig->UserRight(key) : std::string();
    WriteUserLog(kUserLogOther,
                 "Check User Right: " + desc + " - " + (allowed ? "Passed" : "Failed"));
    return allowed;
}
