#include "users/resignin.h"

#include "core/globals.h"
#include "core/log.h"
#include "core/mltext.h"
#include "registry/crypto.h"
#include "registry/dbconnections.h"
#include "sql/sqldb.h"
#include "users/userquery.h"

namespace {
constexpr const char* kForm = "frmReLogin";
}

bool ReSignIn::Fail(const std::string& english) {
    errorLabel_ = GetMLText(english);
    return false;
}

bool ReSignIn::Check(const std::string& login, const std::string& password, int32_t outletID,
                     int32_t& userID) {
    errorLabel_.clear();
    userID = 0;
    SQLDB* db = nullptr;
    std::string error;
    std::shared_ptr<Recordset> rs = ReadUserRow(login, kForm, db, error);
    if (rs == nullptr) return Fail(error);
    if (FieldLng(rs.get(), "Disabled") != 0)
        return Fail(
            "ERROR: The account is disabled, please contact administrator to reset the account");
    int32_t id = FieldLng(rs.get(), "UserID");
    if (FieldStr(rs.get(), "Password") != HashPassword(password)) {
        Fail("ERROR: Incorrect Password");
        CountFailure(*rs);
        return false;
    }
    db->RunSQLNoReturn("Update tbl_User Set FailLoginCount=0 Where UserID=" + std::to_string(id));
    if (outletID > 0) {
        std::string sql = PermittedOutletsQuery(FieldLng(rs.get(), "RoleLevel"),
                                                FieldLng(rs.get(), "RoleID"), outletID);
        std::shared_ptr<Recordset> outlets = db->RunSQLReturnRS(sql);
        if (outlets == nullptr) {
            WriteSQLLog(db->ErrDescription(), sql, kForm, "CheckLogin");
            return Fail("Error in checking outlet permission");
        }
        if (outlets->Eof())
            return Fail("User is not allowed to change reservation in this outltet");
    }
    userID = id;
    return true;
}

// A wrong password counts; reaching the retry count disables the account
// (the top level excepted, like at sign-in).
void ReSignIn::CountFailure(const Recordset& rs) {
    int32_t retryCount = FieldLng(&rs, "RetryCount");
    if (retryCount <= 0 || FieldLng(&rs, "RoleLevel") == 255) return;
    SQLDB* db = g_oDBConns->GetDefaultSQLDB();
    int32_t id = FieldLng(&rs, "UserID");
    int32_t count = FieldLng(&rs, "FailLoginCount");
    const Variant* last = rs.Field("LastLoginTime");
    if (count >= 1 && last != nullptr && !last->IsNull() &&
        SecondsBetween(FieldDate(&rs, "LastLoginTime"), FieldDate(&rs, "CurrentTime")) >
            FieldLng(&rs, "RetryInterval"))
        count = 0;
    ++count;
    std::string n = std::to_string(count), sid = std::to_string(id);
    if (count >= retryCount) {
        db->RunSQLNoReturn("Update tbl_User Set Disabled=1, FailLoginCount=" + n +
                           ", LastLoginTime=GetDate() Where UserID=" + sid);
        Fail("ERROR: The account is disabled, please contact administrator to reset the account");
    } else {
        db->RunSQLNoReturn("Update tbl_User Set FailLoginCount=" + n +
                           ", LastLoginTime=GetDate() Where UserID=" + sid);
    }
}
