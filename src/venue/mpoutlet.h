#pragma once
// MPOutlet: one tbl_MPOutlet row, a meal period of an outlet. A split period
// has a first part MPStartTime..MPEndTime1 and a second MPStartTime2..MPEndTime;
// an end before the start runs past midnight.
#include <cstdint>
#include <string>

#include "core/errorstate.h"
#include "platform/datetime.h"
#include "venue/recordfields.h"

class Recordset;

class MPOutlet : public ErrorState {
  public:
    bool AddFromRS(const Recordset* rs);

    // Whether the time of day (hours and minutes only) lies in the whole
    // period: start inclusive, end exclusive, past midnight when the end is
    // earlier than the start.
    bool Contains(const DateTime& time) const;

    const DateTime& RowModified() const { return rowModified_; }
    const std::string& RowStatus() const { return rowStatus_; }
    int32_t MPOutletID() const { return mpOutletID_; }
    const std::string& MPCode() const { return mpCode_; }
    int32_t OutletID() const { return outletID_; }
    const std::string& NameL1() const { return name_.L1(); }
    const std::string& NameL2() const { return name_.L2(); }
    const std::string& NameL3() const { return name_.L3(); }
    const std::string& DescL1() const { return desc_.L1(); }
    const std::string& DescL2() const { return desc_.L2(); }
    const std::string& DescL3() const { return desc_.L3(); }
    std::string Name(int language) const { return name_.In(language); }
    std::string Desc(int language) const { return desc_.In(language); }
    const DateTime& MPStartTime() const { return mpStartTime_; }
    const DateTime& MPEndTime1() const { return mpEndTime1_; }
    const DateTime& MPStartTime2() const { return mpStartTime2_; }
    const DateTime& MPEndTime() const { return mpEndTime_; }

  private:
    DateTime rowModified_;
    std::string rowStatus_;
    int32_t mpOutletID_ = 0;
    std::string mpCode_;
    int32_t outletID_ = 0;
    LangText name_;
    LangText desc_;
    DateTime mpStartTime_;
    DateTime mpEndTime1_;
    DateTime mpStartTime2_;
    DateTime mpEndTime_;
};

// Minutes since midnight of a time of day, seconds dropped ("hh:nn").
inline int MinuteOfDay(const DateTime& t) {
    return t.Hour * 60 + t.Minute;
}
