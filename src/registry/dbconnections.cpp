#include "registry/dbconnections.h"

#include "core/globals.h"
#include "core/log.h"

namespace {
constexpr const char* kClass = "DBConnections";
}

bool DBConnections::Load(SQLDB& sqldb) {
    servers_.Clear();
    const std::string sql = "SELECT DB.* FROM tbl_DBServer AS DB WHERE   DB.RowStatus = N'A'";
    std::shared_ptr<Recordset> rs = sqldb.RunSQLReturnRS(sql);
    if (rs == nullptr) {
        SetErr(sqldb.ErrNumber(), kClass, "Load", sqldb.ErrDescription());
        WriteErrLog(sqldb.ErrNumber(), sqldb.ErrDescription(), kClass, "Load");
        return false;
    }
    for (; !rs->Eof(); rs->MoveNext()) {
        auto server = std::make_unique<DBServer>();
        if (!server->AddFromRS(rs.get()))
            WriteErrLog(server->ErrNumber(), server->ErrDescription(), kClass, "Load");
        int32_t id = server->DBServerID();
        servers_.Add(id, std::move(server));
    }
    return true;
}

DBServer* DBConnections::GetDBServer(int32_t id) {
    auto* p = servers_.Item(id);
    return p == nullptr ? nullptr : p->get();
}

SQLDB* DBConnections::GetSQLDB(int32_t id) {
    DBServer* s = GetDBServer(id);
    return s == nullptr ? nullptr : &s->Database();
}

bool DBConnections::Connected(int32_t id) {
    DBServer* s = GetDBServer(id);
    return s != nullptr && s->Connected();
}

void DBConnections::SetConnected(int32_t id, bool value) {
    if (DBServer* s = GetDBServer(id)) s->SetConnected(value);
}

SQLDB* DefaultSQLDB() {
    return g_oDBConns != nullptr ? g_oDBConns->GetDefaultSQLDB() : nullptr;
}
