#include "messaging/kivserver.h"

#include "data/sqldb.h"

namespace {
constexpr const char* kClass = "KIVServer";
}

bool KIVServer::AddFromRS(const Recordset* rs) {
    if (rs == nullptr) {
        SetErr(kErrRSNothing, kClass, "AddFromRS", "oRS is nothing");
        return false;
    }
    if (rs->Eof()) {
        SetErr(kErrRSEOF, kClass, "AddFromRS", "oRS is EOF");
        return false;
    }
    rowModified_ = FieldDate(rs, "RowModified");
    rowStatus_ = FieldStr(rs, "RowStatus");
    serviceID_ = FieldLng(rs, "ServiceID");
    serviceCode_ = FieldStr(rs, "ServiceCode");
    name_[0] = FieldStr(rs, "NameL1");
    name_[1] = FieldStr(rs, "NameL2");
    name_[2] = FieldStr(rs, "NameL3");
    ipAddress_ = FieldStr(rs, "IPAddress");
    computerName_ = FieldStr(rs, "ComputerName");
    ipPort_ = FieldLng(rs, "IPPort");
    clientConnectIP_ = FieldStr(rs, "ClientConnectIP");
    return true;
}
