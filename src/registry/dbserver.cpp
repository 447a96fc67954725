#include "registry/dbserver.h"

#include "core/config.h"
#include "core/globals.h"
#include "core/log.h"
#include "registry/crypto.h"

namespace {
constexpr const char* kClass = "DBServer";
}

DBServer::DBServer() : sqldb_(std::make_unique<SQLDB>()) {
    sqldb_->SetKeepConnection(true);
}

bool DBServer::AddFromRS(const Recordset* rs) {
    if (!HasCurrentRow(*this, rs, kClass, "oRS is EOF", RowLog::kNone)) return false;
    dbServerID_ = FieldLng(rs, "DBServerID");
    dbServerCode_ = FieldStr(rs, "DBServerCode");
    name_.Read(rs, "Name");
    ipAddress_ = FieldStr(rs, "IPAddress");
    connStr_ = FieldStr(rs, "ConnStr");
    userID_ = FieldStr(rs, "UserID");
    password_ = FieldStr(rs, "Password");
    commandTimeout_ = FieldLng(rs, "CommandTimeout");
    if (commandTimeout_ < 30) commandTimeout_ = 30;
    rowStatus_ = FieldStr(rs, "RowStatus");
    rowModified_ = FieldDate(rs, "RowModified");
    sqldb_->SetConnectionString(GetConnStr());
    sqldb_->SetCommandTimeout(commandTimeout_);
    return true;
}

std::string DBServer::GetConnStr() {
    std::string conn = connStr_ + ";Data Source=" + ipAddress_;
    if (!userID_.empty()) {
        std::string login, password;
        if (!DecryptCredential(userID_, login) || !DecryptCredential(password_, password)) {
            WriteLog("Decrypt fail", kClass, "GetConnStr", kLogError, 1);
            return {};
        }
        conn += ";User ID=" + login + ";Password=" + password;
    } else {
        conn += ";Integrated Security=SSPI";
    }
    std::string app = g_oConfig != nullptr ? g_oConfig->AppName() : "KIV";
    return conn + ";Application Name=" + app;
}
