#include "venue/tabletemp.h"

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
