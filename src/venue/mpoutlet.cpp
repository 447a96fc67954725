#include "venue/mpoutlet.h"

bool MPOutlet::AddFromRS(const Recordset* rs) {
    if (!HasCurrentRow(*this, rs, "MPOutlet", "oRS is EOF")) return false;
    rowModified_ = FieldDate(rs, "RowModified");
    rowStatus_ = FieldStr(rs, "RowStatus");
    mpOutletID_ = FieldLng(rs, "MPOutletID");
    mpCode_ = FieldStr(rs, "MPCode");
    outletID_ = FieldLng(rs, "OutletID");
    name_.Read(rs, "Name");
    desc_.Read(rs, "Desc");
    mpStartTime_ = FieldDate(rs, "MPStartTime");
    mpEndTime1_ = FieldDate(rs, "MPEndTime1");
    mpStartTime2_ = FieldDate(rs, "MPStartTime2");
    mpEndTime_ = FieldDate(rs, "MPEndTime");
    return true;
}

bool MPOutlet::Contains(const DateTime& time) const {
    constexpr int kDay = 24 * 60;
    const int t = MinuteOfDay(time);
    const int start = MinuteOfDay(mpStartTime_);
    int end = MinuteOfDay(mpEndTime_);
    if (end < start) {
        // Past midnight: the end moves to the next day, and a time after
        // midnight is compared as a time of that next day.
        end += kDay;
        return (start <= t && t < end) || (start <= t + kDay && t + kDay < end);
    }
    return start <= t && t < end;
}
