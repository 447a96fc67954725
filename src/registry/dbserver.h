#pragma once
// DBServer: one tbl_DBServer row and the SQLDB connection to that server.
#include <cstdint>
#include <memory>
#include <string>

#include "core/errorstate.h"
#include "platform/datetime.h"
#include "sql/recordfields.h"
#include "sql/sqldb.h"

class DBServer : public ErrorState {
  public:
    DBServer();

    // Reads the current row, then gives the SQLDB its connection string and
    // command time-out.
    bool AddFromRS(const Recordset* rs);
    // The connection string of the row; "" when the credentials cannot be deciphered.
    std::string GetConnStr();

    int32_t DBServerID() const { return dbServerID_; }
    const std::string& DBServerCode() const { return dbServerCode_; }
    const std::string& NameL1() const { return name_.L1(); }
    const std::string& NameL2() const { return name_.L2(); }
    const std::string& NameL3() const { return name_.L3(); }
    // Name in language 1..3; "" beyond.
    std::string Name(int language) const { return name_.In(language); }
    const std::string& IPAddress() const { return ipAddress_; }
    const std::string& ConnStr() const { return connStr_; }
    const std::string& UserID() const { return userID_; }
    const std::string& Password() const { return password_; }
    int32_t CommandTimeout() const { return commandTimeout_; }
    const std::string& RowStatus() const { return rowStatus_; }
    const DateTime& RowModified() const { return rowModified_; }
    SQLDB& Database() { return *sqldb_; }
    bool Connected() const { return connected_; }
    void SetConnected(bool v) { connected_ = v; }

  private:
    int32_t dbServerID_ = 0;
    std::string dbServerCode_;
    LangText name_;
    std::string ipAddress_;
    std::string connStr_;
    std::string userID_;
    std::string password_;
    int32_t commandTimeout_ = 30;
    std::string rowStatus_;
    DateTime rowModified_;
    std::unique_ptr<SQLDB> sqldb_;
    bool connected_ = false;
};
