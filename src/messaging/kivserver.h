#pragma once
// KIVServer: one tbl_ServiceServer row (a relay the workstation talks to),
// the POS servers it relays to, and the state of its connection.
#include <cstdint>
#include <string>

#include "core/errorstate.h"
#include "core/orderedmap.h"
#include "platform/datetime.h"
#include "sql/recordfields.h"

class KIVServer : public ErrorState {
  public:
    // Reads the current row without moving the cursor.
    bool AddFromRS(const Recordset* rs);

    const DateTime& RowModified() const { return rowModified_; }
    const std::string& RowStatus() const { return rowStatus_; }
    int32_t ServiceID() const { return serviceID_; }
    const std::string& ServiceCode() const { return serviceCode_; }
    const std::string& NameL1() const { return name_.L1(); }
    const std::string& NameL2() const { return name_.L2(); }
    const std::string& NameL3() const { return name_.L3(); }
    const std::string& IPAddress() const { return ipAddress_; }
    const std::string& ComputerName() const { return computerName_; }
    int32_t IPPort() const { return ipPort_; }
    const std::string& ClientConnectIP() const { return clientConnectIP_; }
    // POS identifiers linked to this service (key and value the POSID).
    OrderedMap<int32_t, int32_t>& POSServers() { return posServers_; }
    const OrderedMap<int32_t, int32_t>& POSServers() const { return posServers_; }

    int Index() const { return index_; }
    void SetIndex(int index) { index_ = index; }
    bool Connected() const { return connected_; }
    void SetConnected(bool v) { connected_ = v; }
    bool InitConn() const { return initConn_; }
    void SetInitConn(bool v) { initConn_ = v; }
    bool Reconnecting() const { return reconnecting_; }
    void SetReconnecting(bool v) { reconnecting_ = v; }

  private:
    DateTime rowModified_;
    std::string rowStatus_;
    int32_t serviceID_ = 0;
    std::string serviceCode_;
    LangText name_;
    std::string ipAddress_;
    std::string computerName_;
    int32_t ipPort_ = 0;
    std::string clientConnectIP_;
    OrderedMap<int32_t, int32_t> posServers_;
    int index_ = 0;
    bool connected_ = false;
    bool initConn_ = true;
    bool reconnecting_ = false;
};
