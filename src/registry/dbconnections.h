#pragma once
// DBConnections (g_oDBConns): every active database server with its own
// SQLDB, and which of them is this workstation's default.
#include <cstdint>
#include <memory>
#include <string>

#include "core/errorstate.h"
#include "core/orderedmap.h"
#include "registry/dbserver.h"

class DBConnections : public ErrorState {
  public:
    // Reads tbl_DBServer through `sqldb`; the first row of a DBServerID wins.
    bool Load(SQLDB& sqldb);

    OrderedMap<int32_t, std::unique_ptr<DBServer>>& GetDBServers() { return servers_; }
    DBServer* GetDBServer(int32_t id);
    // nullptr for an unknown ID: callers treat that as a server not available.
    SQLDB* GetSQLDB(int32_t id);
    SQLDB* GetDefaultSQLDB() { return GetSQLDB(defaultDBID_); }

    int32_t DefaultDBID() const { return defaultDBID_; }
    void SetDefaultDBID(int32_t id) { defaultDBID_ = id; }
    const std::string& DefaultConnString() const { return defaultConnString_; }
    void SetDefaultConnString(const std::string& s) { defaultConnString_ = s; }

    // The availability flag of a server; false and ignored for unknown IDs.
    bool Connected(int32_t id);
    void SetConnected(int32_t id, bool value);

  private:
    OrderedMap<int32_t, std::unique_ptr<DBServer>> servers_;
    int32_t defaultDBID_ = 0;
    std::string defaultConnString_;
};

// The default server's connection of g_oDBConns; nullptr before start-up
// has loaded the servers.
SQLDB* DefaultSQLDB();
