#include "users/signin.h"

#include "core/config.h"
#include "core/globals.h"
#include "core/log.h"
#include "core/mltext.h"
#include "core/userlog.h"
#include "platform/inifile.h"
#include "platform/userinterface.h"
#include "registry/client.h"
#include "registry/crypto.h"
#include "registry/dbconnections.h"
#include "sql/sqldb.h"
#include "users/passwordchange.h"
#include "users/user.h"
#include "users/userquery.h"

namespace {

constexpr const char* kForm = "frmLogin";
constexpr const char* kAdminPath = "(Admin\u2192Secunity\u2192Users\u2192";
int32_t g_logID = 0;  // the tbl_LogInOut row of this sign-in

struct CountRow {
    DateTime now;
    int32_t disabled = 0, roleLevel = 0, retryCount = 0, retryInterval = 0, enableInterval = 0;
    int32_t failCount = 0;
    DateTime lastLogin, failLogin;
};

bool ReadCountRow(SQLDB& db, int32_t userID, CountRow& row) {
    std::string sql =
        "Select GetDate() As CurTime, U.Disabled,R.RoleLevel, "
        "U.RetryCount,U.RetryInterval,U.EnableInterval,IsNull(U.LastLoginTime,GetDate()) As "
        "'LastLoginTime',IsNull(U.FailLoginTime,GetDate()) As 'FailLoginTime', U.FailLoginCount "
        " From tbl_User U Left join tbl_UserRole R on U.RoleID=R.RoleID  Where R.Rowstatus='A' "
        "and U.RowStatus='A' and U.UserID= " +
        std::to_string(userID);
    std::shared_ptr<Recordset> rs = db.RunSQLReturnRS(sql);
    if (rs == nullptr || rs->Eof()) {
        WriteSQLLog(rs == nullptr ? db.ErrDescription() : "No user row", sql, "modGlobal",
                    "CheckLoginCount");
        return false;
    }
    row.now = FieldDate(rs.get(), "CurTime");
    row.disabled = FieldLng(rs.get(), "Disabled");
    row.roleLevel = FieldLng(rs.get(), "RoleLevel");
    row.retryCount = FieldLng(rs.get(), "RetryCount");
    row.retryInterval = FieldLng(rs.get(), "RetryInterval");
    row.enableInterval = FieldLng(rs.get(), "EnableInterval");
    row.failCount = FieldLng(rs.get(), "FailLoginCount");
    row.lastLogin = FieldDate(rs.get(), "LastLoginTime");
    row.failLogin = FieldDate(rs.get(), "FailLoginTime");
    return true;
}

// A retry policy with no re-enable interval locks for good once the count
// is reached; with one, only until the interval has passed.
int PolicyState(const CountRow& r) {
    if (r.disabled > 0) return kLoginDisabled;
    if (r.failCount < r.retryCount) return kLoginAllowed;
    if (r.enableInterval == 0) return kLoginDisabled;
    return MinutesBetween(r.failLogin, r.now) < r.enableInterval ? kLoginLocked : kLoginAllowed;
}

std::string AdminPath(const std::string& login) {
    return std::string(kAdminPath) + login + "\u2192General)";
}

}  // namespace

std::string OperationModeName(int mode) {
    return mode == kModeTelephone ? "Telephone Reservation" : "In-person Reservation";
}

bool CheckLoginCount(int32_t userID, int& state, bool failedAttempt) {
    SQLDB* db = DefaultSQLDB();
    CountRow r;
    if (db == nullptr || !ReadCountRow(*db, userID, r)) return false;
    if (state != kLoginAllowed) return true;
    if (r.retryCount <= 0) return true;  // no policy: the counter is not touched
    // The top level is never locked by the counter, but its failures are
    // recorded like everyone's so an administrator can see the attempts.
    const bool exempt = r.roleLevel == 255;
    if (!exempt) state = PolicyState(r);
    if (!failedAttempt) return true;
    int32_t count = r.failCount;
    if (count >= 1 && SecondsBetween(r.lastLogin, r.now) > r.retryInterval) count = 0;
    int32_t newCount = count + 1;
    if (r.disabled > 0 && !exempt) state = kLoginDisabled;
    std::string sql = "Update tbl_User Set FailLoginCount=" + std::to_string(newCount);
    if (newCount >= r.retryCount) {
        sql += ",LastLoginTime= GetDate() , FailLoginTime= GetDate() Where UserID=" +
               SQLStr(std::to_string(userID));
        if (!exempt) state = r.enableInterval != 0 ? kLoginLocked : kLoginDisabled;
    } else {
        sql += ", LastLoginTime= GetDate() , FailLoginTime= GetDate() Where UserID=" +
               SQLStr(std::to_string(userID));
    }
    if (!db->RunSQLNoReturn(sql)) {
        WriteSQLLog(db->ErrDescription(), sql, "modGlobal", "CheckLoginCount");
        return false;
    }
    return true;
}

bool SignIn::Fail(const std::string& english) {
    errorLabel_ = GetMLText(english);
    return false;
}

bool SignIn::CheckLogin(const std::string& login, const std::string& password, int mode) {
    errorLabel_.clear();
    SQLDB* db = nullptr;
    std::string error;
    std::shared_ptr<Recordset> rs = ReadUserRow(login, kForm, db, error);
    if (rs == nullptr) return Fail(error);
    std::string hash = HashPassword(password);
    if (!CheckInactivity(*db, *rs, login)) return false;
    int32_t userID = FieldLng(rs.get(), "UserID");
    int state = FieldLng(rs.get(), "Disabled") != 0 ? kLoginDisabled : kLoginAllowed;
    if (!CheckLoginCount(userID, state, false))
        WriteLog("Fail to CheckLoginCount", kForm, "CheckLogin", kLogError, 1);
    if (!ShowLockState(state, *rs, login)) return false;
    if (FieldStr(rs.get(), "Password") != hash) {
        WriteUserLog(kUserLogGeneral,
                     FieldStr(rs.get(), "UserNameL1") + " [" + login + "] fails to login", 0, 0,
                     userID);
        Fail("ERROR: Incorrect Password");
        state = kLoginAllowed;
        if (!CheckLoginCount(userID, state, true))
            WriteLog("Fail to CheckLoginCount", kForm, "CheckLogin", kLogError, 1);
        ShowLockState(state, *rs, login);
        return false;
    }
    if (!LoadSignedInUser(*db, *rs)) return false;
    db->RunSQLNoReturn(
        "Update tbl_User Set FailLoginCount=0,LastLoginTime=getdate() Where UserID=" +
        std::to_string(userID));
    WriteUserLog(kUserLogGeneral, "User [" + g_oUser->UserNameL1() + "(" + login + ":" +
                                      std::to_string(userID) + ")] login successfully");
    if (!g_oUser->CheckFERight(1, 1, false))
        return Fail("ERROR: You are not allowed to login this system");
    if (!CheckModeRights(mode))
        return Fail("ERROR: You are not allowed to login this system in the mode you selected");
    WritePrivateProfileString("KIVCnt", "Operation", std::to_string(mode),
                              g_oConfig->ClientIniPath());
    // Giving up in the password window must not leave an empty error label.
    if (!CheckChangePasswd(password))
        return Fail("ERROR: The password must be changed before signing in");
    LogInOutSignIn();
    return true;
}

bool SignIn::CheckInactivity(SQLDB& db, const Recordset& rs, const std::string& login) {
    int32_t days = g_oConfig->ConfigParam("DisableUser").ToInt32();
    if (days <= 0 || FieldLng(&rs, "RoleLevel") >= 255) return true;
    const Variant* last = rs.Field("LastLoginTime");
    DateTime since = last != nullptr && !last->IsNull() ? FieldDate(&rs, "LastLoginTime")
                                                        : FieldDate(&rs, "RowModified");
    if (DaysBetween(since, FieldDate(&rs, "CurrentTime")) <= days) return true;
    int32_t id = FieldLng(&rs, "UserID");
    db.RunSQLNoReturn("Update tbl_User Set Disabled=1 Where UserID=" + std::to_string(id));
    errorLabel_ = GetMLText("The account is not active more than ") + std::to_string(days) +
                  GetMLText(" days,it is disabled,please contact administrator.") + "\n" +
                  AdminPath(login);
    return false;
}

bool SignIn::ShowLockState(int state, const Recordset& rs, const std::string& login) {
    if (state == kLoginDisabled)
        return Fail("The account is disabled,please contact administrator");
    if (state != kLoginLocked) return true;
    SQLDB* db = g_oDBConns->GetDefaultSQLDB();
    CountRow r;
    int64_t left = 0;
    if (db != nullptr && ReadCountRow(*db, FieldLng(&rs, "UserID"), r))
        left = r.enableInterval - MinutesBetween(r.failLogin, r.now);
    errorLabel_ = GetMLText("The account is disabled,please contact administrator or wait ") +
                  std::to_string(left) + GetMLText(" minute(s).") + "\n" + AdminPath(login);
    return false;
}

bool SignIn::LoadSignedInUser(SQLDB& db, const Recordset& rs) {
    auto user = std::make_unique<User>();
    if (!user->AddFromRS(&rs)) return Fail("SYSTEM ERROR: Cannot retrieve user information");
    std::string sql = PermittedOutletsQuery(user->RoleLevel(), user->RoleID());
    std::shared_ptr<Recordset> outlets = db.RunSQLReturnRS(sql);
    if (outlets == nullptr) {
        WriteSQLLog(db.ErrDescription(), sql, kForm, "CheckLogin");
        return Fail("SYSTEM ERROR: Cannot retrieve outlet information");
    }
    user->LoadOutlets(outlets.get());
    sql = EmployeesQuery(user->UserID());
    std::shared_ptr<Recordset> employees = db.RunSQLReturnRS(sql);
    if (employees == nullptr) {
        WriteSQLLog(db.ErrDescription(), sql, kForm, "CheckLogin");
        return Fail("SYSTEM ERROR: Cannot retrieve employee information");
    }
    user->LoadEmployees(employees.get());
    g_oUser = std::move(user);
    return true;
}

bool SignIn::CheckModeRights(int mode) {
    if (!g_oConfig->ORBAMode()) return true;
    return g_oUser->CheckFERight(10, mode == kModeTelephone ? 2 : 1, false);
}

bool LogInOutSignIn() {
    SQLDB* db = DefaultSQLDB();
    if (db == nullptr || g_oUser == nullptr || g_oClient == nullptr) return false;
    std::string ip = g_oClient->IPList().Count() > 0 ? g_oClient->IPList().begin()->first
                                                     : g_oClient->IPAddress();
    std::string sql =
        "INSERT INTO tbl_LogInOut (DBServerID,ClientID,UserID,ComputerName,IPAddress,LogDate,"
        "Logintime,LogApplication,ConnectionCNT,LogType,RowStatus,RowModified) values (" +
        std::to_string(g_oDBConns->DefaultDBID()) + "," + std::to_string(g_oClient->ClientID()) +
        "," + std::to_string(g_oUser->UserID()) + "," + SQLStr(GetComputerNameStr()) + "," +
        SQLStr(ip) +
        ",Convert(VarChar(10), GetDate(), 121),GetDate(),N'KIV',1,N'I','A',GetDate())" +
        " SELECT @@IDENTITY AS ID";
    std::shared_ptr<Recordset> rs = db->RunSQLReturnRS(sql);
    if (rs == nullptr) {
        WriteSQLLog(db->ErrDescription(), sql, "modGlobal", "LogInOut");
        return false;
    }
    g_logID = FieldLng(LastRecordset(rs).get(), "ID");
    return true;
}

bool LogInOutSignOut(const std::string& method) {
    if (g_logID == 0) {
        WriteLog("Client not exist LogID", "modGlobal", "LogInOut", kLogError, 1);
        return false;
    }
    SQLDB* db = DefaultSQLDB();
    if (db == nullptr) return false;
    std::string sql =
        "update tbl_LogInOut set Logouttime=GetDate(), LogoutMethod=" + SQLStr(method) +
        " where LogID=" + std::to_string(g_logID);
    bool ok = db->RunSQLNoReturn(sql);
    if (!ok) WriteSQLLog(db->ErrDescription(), sql, "modGlobal", "LogInOut");
    g_logID = 0;
    return ok;
}

namespace {

// Opens the password window; true when the user completed the change.
bool ForcePasswordChange(const std::string& caption) {
    PasswordChange window(g_oUser->UserID(), g_oUser->LoginID(),
                          ReadPasswordRules(g_oUser->UserID()), caption);
    return window.Run();
}

bool RegularChangeDue(SQLDB& db, const std::string& hash, int32_t& days) {
    std::string sql = "SELECT * FROM tbl_User WHERE LoginID=" + SQLStr(g_oUser->LoginID()) +
                      " AND Password=" + SQLStr(hash) + " AND  RowStatus='A'";
    std::shared_ptr<Recordset> rs = db.RunSQLReturnRS(sql);
    if (rs == nullptr || rs->Eof()) {
        if (rs == nullptr) WriteSQLLog(db.ErrDescription(), sql, kForm, "CheckChangePasswd");
        return false;
    }
    days = FieldLng(rs.get(), "RegularChangePwd");
    if (FieldLng(rs.get(), "AbleToChange") < 1 || days == 0) return false;
    const Variant* updated = rs->Field("PWUpdateDT");
    if (updated == nullptr || updated->IsNull()) return true;
    return DaysBetween(FieldDate(rs.get(), "PWUpdateDT"), DateTime::Now()) >= days;
}

// The installation-wide expiry; `period` receives "ChangePasswdInterval".
bool PasswordExpired(SQLDB& db, std::string& period) {
    std::string sql =
        "DECLARE @UserID AS INT, @RoleID AS INT, @DayInterval as INT\r\n"
        "SELECT @UserID=UserID,@RoleID= RoleID FROM tbl_User WHERE LoginID=" +
        SQLStr(g_oUser->LoginID()) +
        "\r\nSELECT @DayInterval = ParaValue From tbl_Parameter WHERE ParaName = "
        "'ChangePasswdInterval'\r\nIF @@ROWCOUNT > 0\r\nBEGIN\r\nSELECT @DayInterval as Period\r\n"
        "SELECT * From tbl_User WHERE UserID = @UserID AND RowStatus = 'A' AND (  "
        "datediff(day, PWUpdateDT, getdate()) > @DayInterval OR PWUpdateDT IS NULL) \r\n"
        "End\r\nElse\r\nSELECT 1 WHERE 1=0 ";
    std::shared_ptr<Recordset> rs = db.RunSQLReturnRS(sql);
    if (rs == nullptr) {
        WriteSQLLog(db.ErrDescription(), sql, kForm, "CheckChangePasswd");
        return false;
    }
    // The assignments leave closed results before the period and the user rows.
    rs = FirstOpenRecordset(rs);
    std::shared_ptr<Recordset> users =
        rs != nullptr ? FirstOpenRecordset(rs->NextRecordset()) : nullptr;
    if (users == nullptr || users->Eof()) return false;
    period = FieldStr(rs.get(), "Period");
    return true;
}

}  // namespace

bool CheckChangePasswd(const std::string& password) {
    SQLDB* db = DefaultSQLDB();
    if (db == nullptr || g_oUser == nullptr) return false;
    std::string every;
    if (g_oConfig->ORBAMode()) {
        int32_t days = 0;
        if (RegularChangeDue(*db, HashPassword(password), days)) every = std::to_string(days);
    } else {
        std::string period;
        if (PasswordExpired(*db, period)) every = period;
    }
    // An account flagged for a change at the next sign-in must change in
    // either mode; the standard mode would otherwise ignore the flag.
    bool forced = g_oUser->PwdNextLogon() != 0;  // a bit column reads as -1 when set
    if (every.empty() && !forced) return true;
    std::string caption;
    if (!every.empty()) {
        UI().MessageBox(
            GetMLText("Please change password for every ") + every + " " + GetMLText("day(s)."),
            MsgIcon::Information, "CulinaroTable");
        caption =
            GetMLText("Please change new password for every ") + every + GetMLText(" day(s).");
    } else {
        caption = GetMLText("Please change your password");
    }
    if (!ForcePasswordChange(caption)) return false;
    db->RunSQLNoReturn("Update tbl_User set PwdNextLogon = 0 WHERE LoginID=N" +
                       SQLDB::EscapeValue(g_oUser->LoginID()) + " AND RowStatus='A'");
    return true;
}
