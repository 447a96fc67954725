#include "venue/tabletemp.h"

#include "core/config.h"
#include "core/globals.h"
#include "venue/recordfields.h"

bool TableTemp::AddFromRS(const Recordset* rs) {
    if (!HasCurrentRow(*this, rs, "TableTemp", "oRS is EOF")) return false;
    rowModified_ = FieldDate(rs, "RowModified");
    rowStatus_ = FieldStr(rs, "RowStatus");
    tempID_ = FieldLng(rs, "TempID");
    outletID_ = FieldLng(rs, "OutletID");
    mpOutletID_ = FieldLng(rs, "MPOutletID");
    tableNo_ = UpperAscii(FieldStr(rs, "TableNo"));
    holdDT_ = FieldDate(rs, "HoldDT");
    userID_ = FieldLng(rs, "UserID");
    reserveDate_ = FieldDate(rs, "ReserveDate");
    return true;
}

int HoldTimeoutMinutes() {
    constexpr int kDefaultMinutes = 30;
    if (g_oConfig == nullptr) return kDefaultMinutes;
    bool ok = false;
    const int64_t minutes = g_oConfig->ConfigParam("HoldTableTimeout").ToInt64(&ok);
    return ok && minutes > 0 && minutes <= 7 * 24 * 60 ? static_cast<int>(minutes)
                                                       : kDefaultMinutes;
}

bool HoldExpired(const DateTime& holdDT, const DateTime& now) {
    if (holdDT.Year <= 1900) return false;
    return holdDT.AddSeconds(static_cast<int64_t>(HoldTimeoutMinutes()) * 60) < now;
}
