#include "messaging/kivserver.h"

#include "sql/sqldb.h"

namespace {
constexpr const char* kClass = "KIVServer";
}

bool KIVServer::AddFromRS(const Recordset* rs) {
    if (!HasCurrentRow(*this, rs, kClass, "oRS is EOF", RowLog::kNone)) return false;
    rowModified_ = FieldDate(rs, "RowModified");
    rowStatus_ = FieldStr(rs, "RowStatus");
    serviceID_ = FieldLng(rs, "ServiceID");
    serviceCode_ = FieldStr(rs, "ServiceCode");
    name_.Read(rs, "Name");
    ipAddress_ = FieldStr(rs, "IPAddress");
    computerName_ = FieldStr(rs, "ComputerName");
    ipPort_ = FieldLng(rs, "IPPort");
    clientConnectIP_ = FieldStr(rs, "ClientConnectIP");
    return true;
}
