#pragma once
// TableTemp: one tbl_TableTemp row, a table held by a workstation while a
// reservation is being taken ("A" while the hold stands, "D" once released).
#include <cstdint>
#include <string>

#include "core/errorstate.h"
#include "platform/datetime.h"

class Recordset;

class TableTemp : public ErrorState {
  public:
    bool AddFromRS(const Recordset* rs);

    const DateTime& RowModified() const { return rowModified_; }
    const std::string& RowStatus() const { return rowStatus_; }
    int32_t TempID() const { return tempID_; }
    int32_t OutletID() const { return outletID_; }
    int32_t MPOutletID() const { return mpOutletID_; }
    const std::string& TableNo() const { return tableNo_; }
    const DateTime& HoldDT() const { return holdDT_; }
    int32_t UserID() const { return userID_; }
    const DateTime& ReserveDate() const { return reserveDate_; }

  private:
    DateTime rowModified_;
    std::string rowStatus_;
    int32_t tempID_ = 0;
    int32_t outletID_ = 0;
    int32_t mpOutletID_ = 0;
    std::string tableNo_;
    DateTime holdDT_;
    int32_t userID_ = 0;
    DateTime reserveDate_;
};

// Minutes after which a standing hold no longer counts, so that a
// workstation that ended without releasing its holds does not keep its
// tables for good (system parameter "HoldTableTimeout", default 30).
int HoldTimeoutMinutes();
// Whether a hold taken at `holdDT` has run out at `now` (an unknown time
// never runs out).
bool HoldExpired(const DateTime& holdDT, const DateTime& now);
