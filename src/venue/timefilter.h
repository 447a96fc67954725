#pragma once
// TimeFilter: what the full reservation list of a view shows. Mode 0 (the
// default) lists every meal period; mode 2 lists the one in MPOutletID.
#include <cstdint>

class TimeFilter {
  public:
    static constexpr int16_t kAllPeriods = 0;
    static constexpr int16_t kOnePeriod = 2;

    int16_t FilterMode() const { return filterMode_; }
    void SetFilterMode(int16_t v) { filterMode_ = v; }
    int32_t MPOutletID() const { return mpOutletID_; }
    void SetMPOutletID(int32_t v) { mpOutletID_ = v; }

  private:
    int16_t filterMode_ = kAllPeriods;
    int32_t mpOutletID_ = 0;
};
