#pragma once
// FPSection: one tbl_FPSection row, a named group of an outlet's tables.
#include <cstdint>
#include <string>

#include "core/errorstate.h"
#include "platform/datetime.h"
#include "venue/recordfields.h"

class Recordset;

class FPSection : public ErrorState {
  public:
    bool AddFromRS(const Recordset* rs);

    const DateTime& RowModified() const { return rowModified_; }
    const std::string& RowStatus() const { return rowStatus_; }
    int32_t FPSectionID() const { return fpSectionID_; }
    int32_t DBServerID() const { return dbServerID_; }
    const std::string& FPSectionCode() const { return fpSectionCode_; }
    int32_t OutletID() const { return outletID_; }
    const std::string& NameL1() const { return name_.L1(); }
    const std::string& NameL2() const { return name_.L2(); }
    const std::string& NameL3() const { return name_.L3(); }
    std::string Name(int language) const { return name_.In(language); }

  private:
    DateTime rowModified_;
    std::string rowStatus_;
    int32_t fpSectionID_ = 0;
    int32_t dbServerID_ = 0;
    std::string fpSectionCode_;
    int32_t outletID_ = 0;
    LangText name_;
};
