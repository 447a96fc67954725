#pragma once
// FPOutlet: one tbl_FPOutlet row, the assignment of a floor plan to an outlet
// and meal period. The views learn the plans in force from the database
// procedure instead; the record is kept for the floor-plan editor.
#include <cstdint>
#include <string>

#include "core/errorstate.h"
#include "platform/datetime.h"

class Recordset;

class FPOutlet : public ErrorState {
  public:
    bool AddFromRS(const Recordset* rs);

    const DateTime& RowModified() const { return rowModified_; }
    const std::string& RowStatus() const { return rowStatus_; }
    int32_t FPOutletID() const { return fpOutletID_; }
    int32_t OutletID() const { return outletID_; }
    int32_t MPOutletID() const { return mpOutletID_; }
    int32_t CalendarGroupID() const { return calendarGroupID_; }

  private:
    DateTime rowModified_;
    std::string rowStatus_;
    int32_t fpOutletID_ = 0;
    int32_t outletID_ = 0;
    int32_t mpOutletID_ = 0;
    int32_t calendarGroupID_ = 0;
};
