#include "messaging/posservers.h"

#include <strings.h>

#include "core/log.h"
#include "sql/sqldb.h"

namespace {
constexpr const char* kServerClass = "POSServer";
constexpr const char* kClass = "POSServers";
}  // namespace

bool POSServer::AddFromRS(const Recordset* rs) {
    if (!HasCurrentRow(*this, rs, kServerClass, "oRS is at the end", RowLog::kNone)) return false;
    rowModified_ = FieldDate(rs, "RowModified");
    rowStatus_ = FieldStr(rs, "RowStatus");
    posID_ = FieldLng(rs, "POSID");
    posCode_ = FieldStr(rs, "POSCode");
    name_.Read(rs, "Name");
    ipAddress_ = FieldStr(rs, "IPAddress");
    computerName_ = FieldStr(rs, "ComputerName");
    ipPort_ = FieldLng(rs, "IPPort");
    return true;
}

bool POSServers::Load(SQLDB* sqldb) {
    if (sqldb == nullptr) {
        SetErr(kErrNoDefaultDB, kClass, "Load", "oSQLDB is nothing");
        WriteLog("oSQLDB is nothing", kClass, "Load");
        return false;
    }
    const std::string sql =
        "SELECT * FROM tbl_POSServer WHERE RowStatus =" + SQLDB::EscapeValue("A");
    std::shared_ptr<Recordset> rs = sqldb->RunSQLReturnRS(sql);
    if (!rs) {
        CopyErr(sqldb->ErrNumber(), sqldb->ErrDescription());
        WriteSQLLog(sqldb->ErrDescription(), sql, kClass, "Load");
        return false;
    }
    for (; !rs->Eof(); rs->MoveNext()) {
        auto server = std::make_unique<POSServer>();
        if (!server->AddFromRS(rs.get())) {
            CopyErr(server->ErrNumber(), server->ErrDescription());
            WriteLog(server->ErrDescription(), kClass, "Load");
            continue;
        }
        int32_t id = server->POSID();
        servers_.Add(id, std::move(server));
    }
    return true;
}

POSServer* POSServers::Items(int position) {
    if (position < 0 || position >= Count()) return nullptr;
    return (servers_.begin() + position)->second.get();
}

POSServer* POSServers::GetPOSServerByID(int32_t posID) {
    auto* item = servers_.Item(posID);
    return item != nullptr ? item->get() : nullptr;
}

POSServer* POSServers::GetPOSServerByCode(const std::string& code) {
    for (auto& [id, server] : servers_)
        if (strcasecmp(server->POSCode().c_str(), code.c_str()) == 0) return server.get();
    return nullptr;
}
