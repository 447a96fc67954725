#include "core/userlog.h"

#include "core/globals.h"
#include "core/log.h"
#include "registry/client.h"
#include "registry/dbconnections.h"
#include "users/user.h"

namespace {
constexpr int kAdChar = 129;  // fixed-length character parameter
}

std::string UserLogCategoryName(int category) {
    static const char* kNames[] = {"GENERAL", "CVIEW",  "FVIEW", "PVIEW",
                                   "NEWREG",  "MEMBER", "BULK",  "OTHER"};
    return category >= 0 && category <= 7 ? kNames[category] : "UNKNOWN";
}

bool WriteUserLog(int category, const std::string& remark, int32_t outletID, int32_t dbServerID,
                  int32_t userID) {
    if (userID <= 0 && g_oUser != nullptr) userID = g_oUser->UserID();
    int32_t clientID = g_oClient != nullptr ? g_oClient->ClientID() : 0;
    std::string action = UserLogCategoryName(category);
    SQLDB* db = nullptr;
    if (g_oDBConns != nullptr) {
        if (outletID > 0 && dbServerID > 0) {
            db = g_oDBConns->GetSQLDB(dbServerID);
        } else {
            dbServerID = g_oDBConns->DefaultDBID();
            db = g_oDBConns->GetDefaultSQLDB();
        }
    }
    bool ok = false;
    if (db != nullptr) {
        Variant outlet = outletID != 0 ? Variant(outletID) : Variant();
        ok = db->RunSPNoReturn(
            "sp_CT_WriteUserLog",
            {SQLDB::mp("@DBServerID", adInteger, 4, dbServerID),
             SQLDB::mp("@UserID", adInteger, 4, userID), SQLDB::mp("@Module", kAdChar, 4, "CLNT"),
             SQLDB::mp("@Action", kAdChar, 8, action), SQLDB::mp("@OutletID", adInteger, 4, outlet),
             SQLDB::mp("@ClientID", adInteger, 4, clientID),
             SQLDB::mp("@ReserveNo", adLongVarWChar, static_cast<int32_t>(remark.size()) + 1,
                       remark)});
    }
    if (!ok) {
        WriteLog("Error in writing user log; UserID=" + std::to_string(userID) + ";Action=" +
                     action + ";ClientID=" + std::to_string(clientID) + ";Remark=" + remark,
                 "modGlobal", "WriteUserLog", kLogError, 1);
    }
    return ok;
}
