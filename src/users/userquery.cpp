#include "users/userquery.h"

#include "core/config.h"
#include "core/globals.h"
#include "core/log.h"
#include "platform/datetime.h"
#include "registry/dbconnections.h"
#include "sql/sqldb.h"

std::string UserQuery(const std::string& login) {
    return "Select U.RowModified, U.RowStatus, U.UserID, U.LoginID, U.Password, U.NameL1 as "
           "UserNameL1, U.NameL2 as UserNameL2, U.NameL3 as UserNameL3, U.PwdSecurity, "
           "U.SessionTimeout, U.Disabled, U.FailLoginCount, U.RetryCount, "
           "U.RetryInterval,U.EnableInterval,U.LastLoginTime,U.FailLoginTime, \r\n"
           "R.RoleID, R.RoleCode, R.RoleLevel, R.NameL1 as RoleNameL1, R.NameL2 as RoleNameL2, "
           "R.NameL3 as RoleNameL3,\r\n"
           "R.FERightMask1 , R.FERightMask2, R.FERightMask3, R.FERightMask4, R.FERightMask5, "
           "R.FERightMask6, R.FERightMask7, R.FERightMask8, R.FERightMask9, R.FERightMask10,\r\n"
           "R.BERightMask1 , R.BERightMask2, R.BERightMask3, R.BERightMask4, R.BERightMask5, "
           "R.BERightMask6, R.BERightMask7, R.BERightMask8, R.BERightMask9, R.BERightMask10,\r\n"
           "R.BERightMask11 , R.BERightMask12, R.BERightMask13, R.BERightMask14, "
           "R.BERightMask15, \r\n"
           "U.PwdNextLogon , U.DiffNamePwd, GetDate() As CurrentTime  \r\n"
           "From tbl_User U\r\nLeft Outer Join\r\n"
           "tbl_UserRole R ON U.RoleID=R.RoleID AND R.RowStatus='A'\r\n"
           "Where U.LoginID='" +
           SQLEscape(login) + "' AND U.RowStatus='A'";
}

std::shared_ptr<Recordset> ReadUserRow(const std::string& login, const char* form, SQLDB*& db,
                                       std::string& error) {
    db = DefaultSQLDB();
    if (login.empty()) {
        error = "ERROR: User name missing";
        return nullptr;
    }
    if (db == nullptr) {
        error = "SYSTEM ERROR: Default database is not found";
        return nullptr;
    }
    std::string sql = UserQuery(login);
    std::shared_ptr<Recordset> rs = db->RunSQLReturnRS(sql);
    if (rs == nullptr) {
        WriteSQLLog(db->ErrDescription(), sql, form, "CheckLogin");
        error = "SYSTEM ERROR: Cannot retrieve user information";
        return nullptr;
    }
    if (rs->Eof()) {
        error = "ERROR: User name does not exist";
        return nullptr;
    }
    return rs;
}

std::string PermittedOutletsQuery(int32_t roleLevel, int32_t roleID, int32_t outletID) {
    std::string sql;
    if (roleLevel == 255) {
        sql = "Select OutletID, OutletCode From tbl_Outlet O Where O.RowStatus='A'";
    } else {
        sql =
            "Select O.OutletID, O.OutletCode From tbl_Outlet O, tbl_UserRoleByOutlet URO\r\n"
            " Where O.OutletID=URO.OutletID AND  URO.RoleID=" +
            std::to_string(roleID) + " AND O.RowStatus='A' AND URO.RowStatus='A'";
    }
    if (outletID > 0) sql += " AND O.OutletID=" + std::to_string(outletID);
    bool byName = g_oConfig != nullptr && g_oConfig->ConfigParam("OutletSorting").ToText() == "1";
    if (byName) {
        int language = g_nLanguage >= 1 && g_nLanguage <= 3 ? g_nLanguage : 1;
        sql += " Order By O.NameL" + std::to_string(language);
    } else {
        sql += " Order By O.OutletCode";
    }
    return sql;
}

std::string EmployeesQuery(int32_t userID) {
    return "SELECT * FROM tbl_UserByEmployee WHERE RowStatus= N'A' AND UserID =" +
           std::to_string(userID);
}

int64_t DaysBetween(const DateTime& a, const DateTime& b) {
    return b.DaysSinceEpoch() - a.DaysSinceEpoch();
}

int64_t MinutesBetween(const DateTime& a, const DateTime& b) {
    return b.SecondsSinceEpoch() / 60 - a.SecondsSinceEpoch() / 60;
}

int64_t SecondsBetween(const DateTime& a, const DateTime& b) {
    return b.SecondsSinceEpoch() - a.SecondsSinceEpoch();
}
