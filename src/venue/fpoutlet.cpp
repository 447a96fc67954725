#include "venue/fpoutlet.h"

#include "venue/recordfields.h"

bool FPOutlet::AddFromRS(const Recordset* rs) {
    if (!HasCurrentRow(*this, rs, "FPOutlet", "oRS is at the end")) return false;
    rowModified_ = FieldDate(rs, "RowModified");
    rowStatus_ = FieldStr(rs, "RowStatus");
    fpOutletID_ = FieldLng(rs, "FPOutletID");
    outletID_ = FieldLng(rs, "OutletID");
    mpOutletID_ = FieldLng(rs, "MPOutletID");
    calendarGroupID_ = FieldLng(rs, "CalendarGroupID");
    return true;
}
