#include "registry/client.h"

#include "core/log.h"
#include "platform/hostinfo.h"

namespace {
constexpr const char* kClass = "Client";
}

OrderedMap<std::string, std::string> GetHostByNameAlias(const std::string& name, bool* ok) {
    OrderedMap<std::string, std::string> out;
    std::vector<std::string> ips = ResolveIPv4(name);
    for (const std::string& ip : ips)
        out.Add(ip, ip);
    if (ok != nullptr) *ok = !ips.empty();
    return out;
}

std::string GetComputerNameStr() {
    return PlatformComputerName();
}

bool Client::Load(SQLDB* sqldb) {
    std::string computer = GetComputerNameStr();
    bool resolved = false;
    // The addresses belong to the host: a COMPUTERNAME that names a second
    // workstation on this host is not a name the resolver knows, and asking
    // the network for it would only delay start-up.
    ipList_ = GetHostByNameAlias(PlatformHostName(), &resolved);
    if (!resolved) WriteLog("Get IPs fail", kClass, "Load", kLogError, 1);
    if (sqldb == nullptr) {
        WriteLog("oSQLDB is nothing", kClass, "Load", kLogError, 1);
        return false;
    }
    std::string sql =
        "SELECT * FROM tbl_Client  WHERE RowStatus =N'A' AND ClientType='W'  AND ( "
        "IPAddress = " +
        SQLStr(computer);
    for (const auto& ip : ipList_)
        sql += " OR IPAddress = " + SQLStr(ip.first);
    sql += " )";
    std::shared_ptr<Recordset> rs = sqldb->RunSQLReturnRS(sql);
    if (rs == nullptr) {
        SetErr(sqldb->ErrNumber(), kClass, "Load", sqldb->ErrDescription());
        WriteLog(sqldb->ErrDescription(), kClass, "Load", kLogError, 1);
        return false;
    }
    clientID_ = 0;
    dbServerID_ = 0;
    if (!rs->Eof()) ReadColumns(rs.get());
    return true;
}

void Client::ReadColumns(const Recordset* rs) {
    clientID_ = FieldLng(rs, "ClientID");
    dbServerID_ = FieldLng(rs, "DBServerID");
    clientCode_ = FieldStr(rs, "ClientCode");
    clientType_ = FieldStr(rs, "ClientType");
    name_.Read(rs, "Name");
    ipAddress_ = FieldStr(rs, "IPAddress");
    computerName_ = FieldStr(rs, "ComputerName");
    rowStatus_ = FieldStr(rs, "RowStatus");
    rowModified_ = FieldDate(rs, "RowModified");
}

bool Client::AddFromRS(const Recordset* rs) {
    if (!HasCurrentRow(*this, rs, kClass, "oRS is EOF", RowLog::kText)) return false;
    ReadColumns(rs);
    location_ = FieldStr(rs, "Location");
    return true;
}
