#pragma once
// Client (g_oClient): this workstation's tbl_Client row, found by its
// computer name or one of its IPv4 addresses.
#include <cstdint>
#include <string>

#include "core/errorstate.h"
#include "core/orderedmap.h"
#include "platform/datetime.h"
#include "sql/recordfields.h"
#include "sql/sqldb.h"

class Client : public ErrorState {
  public:
    // Finds this workstation; no matching row leaves ClientID and DBServerID 0.
    bool Load(SQLDB* sqldb);
    bool AddFromRS(const Recordset* rs);

    int32_t ClientID() const { return clientID_; }
    int32_t DBServerID() const { return dbServerID_; }
    const std::string& ClientCode() const { return clientCode_; }
    const std::string& ClientType() const { return clientType_; }
    const std::string& NameL1() const { return name_.L1(); }
    const std::string& NameL2() const { return name_.L2(); }
    const std::string& NameL3() const { return name_.L3(); }
    std::string Name(int language) const { return name_.In(language); }
    const std::string& IPAddress() const { return ipAddress_; }
    const std::string& ComputerName() const { return computerName_; }
    const std::string& Location() const { return location_; }
    const std::string& RowStatus() const { return rowStatus_; }
    const DateTime& RowModified() const { return rowModified_; }
    const OrderedMap<std::string, std::string>& IPList() const { return ipList_; }

  private:
    void ReadColumns(const Recordset* rs);

    int32_t clientID_ = 0;
    int32_t dbServerID_ = 0;
    std::string clientCode_;
    std::string clientType_;
    LangText name_;
    std::string ipAddress_;
    std::string computerName_;
    std::string location_;
    std::string rowStatus_;
    DateTime rowModified_;
    OrderedMap<std::string, std::string> ipList_;
};

// The dotted IPv4 addresses of a host name, each once; nullopt-like empty
// result with `ok` false when the name cannot be resolved.
OrderedMap<std::string, std::string> GetHostByNameAlias(const std::string& name,
                                                        bool* ok = nullptr);
// The computer name, or "" when the platform cannot tell.
std::string GetComputerNameStr();
