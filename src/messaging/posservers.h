#pragma once
// POSServer: one tbl_POSServer row and the status the KIV servers report for
// it; POSServers: the loaded set, keyed by POSID in load order.
#include <cstdint>
#include <memory>
#include <string>

#include "core/errorstate.h"
#include "core/orderedmap.h"
#include "platform/datetime.h"
#include "sql/recordfields.h"

class POSServer : public ErrorState {
  public:
    bool AddFromRS(const Recordset* rs);

    const DateTime& RowModfied() const { return rowModified_; }
    const std::string& RowStatus() const { return rowStatus_; }
    int32_t POSID() const { return posID_; }
    const std::string& POSCode() const { return posCode_; }
    const std::string& NameL1() const { return name_.L1(); }
    const std::string& NameL2() const { return name_.L2(); }
    const std::string& NameL3() const { return name_.L3(); }
    const std::string& IPAddress() const { return ipAddress_; }
    const std::string& ComputerName() const { return computerName_; }
    int32_t IPPort() const { return ipPort_; }
    bool Connected() const { return connected_; }
    void SetConnected(bool v) { connected_ = v; }
    // True until a status packet names this server, and again while its KIV
    // server is disconnected.
    bool UnknownStatus() const { return unknownStatus_; }
    void SetUnknownStatus(bool v) { unknownStatus_ = v; }

  private:
    DateTime rowModified_;
    std::string rowStatus_;
    int32_t posID_ = 0;
    std::string posCode_;
    LangText name_;
    std::string ipAddress_;
    std::string computerName_;
    int32_t ipPort_ = 0;
    bool connected_ = false;
    bool unknownStatus_ = true;
};

class POSServers : public ErrorState {
  public:
    // The active rows of tbl_POSServer; false when `sqldb` is missing or the
    // query fails.
    bool Load(SQLDB* sqldb);

    OrderedMap<int32_t, std::unique_ptr<POSServer>>& Servers() { return servers_; }
    int Count() const { return static_cast<int>(servers_.Count()); }
    // By position, 0-based; nullptr out of range.
    POSServer* Items(int position);
    POSServer* GetPOSServerByID(int32_t posID);
    // The first server whose POSCode equals `code` ignoring case.
    POSServer* GetPOSServerByCode(const std::string& code);

  private:
    OrderedMap<int32_t, std::unique_ptr<POSServer>> servers_;
};
