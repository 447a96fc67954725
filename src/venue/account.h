#pragma once
// Account: one tbl_Account row, the group that owns outlets.
#include <cstdint>
#include <string>

#include "core/errorstate.h"
#include "platform/datetime.h"
#include "venue/recordfields.h"

class Recordset;

class Account : public ErrorState {
  public:
    bool AddFromRS(const Recordset* rs);

    const DateTime& RowModified() const { return rowModified_; }
    const std::string& RowStatus() const { return rowStatus_; }
    int32_t AccountID() const { return accountID_; }
    int32_t POSID() const { return posID_; }
    const std::string& AccountCode() const { return accountCode_; }
    const std::string& POSAccount() const { return posAccount_; }
    const std::string& NameL1() const { return name_.L1(); }
    const std::string& NameL2() const { return name_.L2(); }
    const std::string& NameL3() const { return name_.L3(); }
    const std::string& DescL1() const { return desc_.L1(); }
    const std::string& DescL2() const { return desc_.L2(); }
    const std::string& DescL3() const { return desc_.L3(); }
    std::string Name(int language) const { return name_.In(language); }
    std::string Desc(int language) const { return desc_.In(language); }

  private:
    DateTime rowModified_;
    std::string rowStatus_;
    int32_t accountID_ = 0;
    int32_t posID_ = 0;
    std::string accountCode_;
    std::string posAccount_;
    LangText name_;
    LangText desc_;
};
