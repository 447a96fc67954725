#include "users/passwordchange.h"

#include <regex>

#include "core/globals.h"
#include "core/log.h"
#include "core/mltext.h"
#include "core/userlog.h"
#include "platform/textutil.h"
#include "platform/userinterface.h"
#include "registry/crypto.h"
#include "registry/dbconnections.h"
#include "sql/sqldb.h"

namespace {
constexpr const char* kForm = "frmChangePassword";

}  // namespace

bool IsStrongPassword(const std::string& password) {
    static const std::regex kRule("^.*(?=.*\\d)(?=.*[a-z])(?=.*[A-Z])(?=.*\\W).*$");
    return std::regex_match(password, kRule);
}

PasswordRules ReadPasswordRules(int32_t userID) {
    PasswordRules rules;
    SQLDB* db = DefaultSQLDB();
    if (db == nullptr) return rules;
    std::string sql = "SELECT * FROM tbl_User WHERE UserID=" + std::to_string(userID);
    std::shared_ptr<Recordset> rs = db->RunSQLReturnRS(sql);
    if (rs == nullptr || rs->Eof()) return rules;
    rules.allowReuse = FieldLng(rs.get(), "ReusePassword", 1) != 0;
    rules.minLength = FieldLng(rs.get(), "minLength");
    rules.differentFromName = FieldLng(rs.get(), "DiffNamePwd") != 0;
    rules.strong = FieldLng(rs.get(), "PwdSecurity") != 0;
    return rules;
}

PasswordChange::PasswordChange(int32_t userID, std::string login, PasswordRules rules,
                               std::string caption)
    : userID_(userID), login_(std::move(login)), rules_(rules), caption_(std::move(caption)) {}

bool PasswordChange::Refuse(const std::string& text, const char* title) {
    UI().MessageBox(text, MsgIcon::Critical, title);
    return false;
}

bool PasswordChange::CheckLocalRules(const std::string& pwd, const std::string& confirmation) {
    if (static_cast<int>(pwd.size()) < rules_.minLength)
        return Refuse(GetMLText("Password must be at least") + " " +
                      std::to_string(rules_.minLength) + " " + GetMLText("characters."));
    for (unsigned char c : pwd)
        if (c > 127)
            return Refuse(
                GetMLText("Password cannot be used. Password only allows alpha-numeric "
                          "characters and symbols"));
    if (rules_.differentFromName && UpperAscii(pwd) == UpperAscii(login_))
        return Refuse(GetMLText("Login name and password must be different"));
    if (pwd.size() > 16) return Refuse(GetMLText("Password are limited to 16 characters"));
    if (pwd != confirmation)
        return Refuse(
            GetMLText("The password was not correctly confirmed. Please ensure that the "
                      "password and confirmation match exactly"));
    return true;
}

bool PasswordChange::CheckHistory(const std::string& hash, const std::string& currentHash) {
    if (rules_.allowReuse) return true;
    // The password in use is not always in the history (an account made by
    // the installation has no history row), and keeping it is reuse too.
    if (hash == currentHash)
        return Refuse(GetMLText("Please use a password that hasn't been used before."));
    SQLDB* db = DefaultSQLDB();
    std::string sql =
        "SELECT * FROM tbl_UserPassword WHERE RowStatus='A' AND UserID =" + std::to_string(userID_);
    std::shared_ptr<Recordset> rs = db->RunSQLReturnRS(sql);
    if (rs == nullptr) {
        WriteSQLLog(db->ErrDescription(), sql, kForm, "ValidatePassword");
        return Refuse(GetMLText("SYSTEM ERROR: Cannot retrieve user information"));
    }
    for (; !rs->Eof(); rs->MoveNext())
        if (FieldStr(rs.get(), "Password") == hash)
            return Refuse(GetMLText("Please use a password that hasn't been used before."));
    return true;
}

bool PasswordChange::Save(const std::string& hash) {
    SQLDB* db = DefaultSQLDB();
    std::string id = std::to_string(userID_);
    std::string sql = "UPDATE tbl_User SET RowModified=GETDATE(),PWUpdateDT=GETDATE(),Password=N" +
                      SQLDB::EscapeValue(hash) + " , PwdNextLogon =0 WHERE UserID=" + id +
                      " INSERT tbl_UserPassword (RowModified,RowStatus,UserID,Password) values( "
                      "GETDATE() ,'A','" +
                      id + " '," + SQLDB::EscapeValue(hash) + ")";
    if (!db->RunSQLNoReturn(sql)) {
        WriteSQLLog(db->ErrDescription(), sql, kForm, "cmdOK_Click");
        return Refuse(GetMLText("SYSTEM ERROR: Cannot save the password"));
    }
    UI().MessageBox(GetMLText("Password is changed"), MsgIcon::Information, "CulinaroTable");
    WriteUserLog(kUserLogGeneral, "User [" + login_ + ":" + id + "] changes password");
    return true;
}

bool PasswordChange::ValidatePassword(const std::string& oldPassword,
                                      const std::string& newPassword,
                                      const std::string& confirmation) {
    if (newPassword.empty()) return Refuse(GetMLText("Please input a new password!"), "Error");
    if (!CheckLocalRules(newPassword, confirmation)) return false;
    SQLDB* db = DefaultSQLDB();
    if (db == nullptr) return Refuse(GetMLText("SYSTEM ERROR: Default database is not found"));
    std::string sql = "SELECT UserID FROM tbl_User WHERE UserID=" + std::to_string(userID_) +
                      " AND Password=N" + SQLDB::EscapeValue(HashPassword(oldPassword));
    std::shared_ptr<Recordset> rs = db->RunSQLReturnRS(sql);
    if (rs == nullptr) {
        WriteSQLLog(db->ErrDescription(), sql, kForm, "ValidatePassword");
        return Refuse(GetMLText("SYSTEM ERROR: Cannot retrieve user information"));
    }
    if (rs->Eof()) return Refuse(GetMLText("Incorrect old password."));
    std::string hash = HashPassword(newPassword);
    if (!CheckHistory(hash, HashPassword(oldPassword))) return false;
    if (rules_.strong && !IsStrongPassword(newPassword))
        return Refuse(GetMLText(
            "Password is not secure enough (At least one a-z, A-Z, 0-9, special characters)"));
    return Save(hash);
}

bool PasswordChange::Run() {
    if (!caption_.empty()) UI().Print(caption_);
    for (;;) {
        auto oldPwd = UI().ReadLine(GetMLText("Old password: "), true);
        if (!oldPwd) return false;
        if (oldPwd->empty()) {
            UI().Print(GetMLText("Password not changed"));
            return false;
        }
        auto newPwd = UI().ReadLine(GetMLText("New password: "), true);
        if (!newPwd) return false;
        auto confirm = UI().ReadLine(GetMLText("Confirm new password: "), true);
        if (!confirm) return false;
        if (ValidatePassword(*oldPwd, *newPwd, *confirm)) return true;
    }
}
