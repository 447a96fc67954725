#include "venue/fpsection.h"

bool FPSection::AddFromRS(const Recordset* rs) {
    if (!HasCurrentRow(*this, rs, "FPSection", "oRS is at the end")) return false;
    rowModified_ = FieldDate(rs, "RowModified");
    rowStatus_ = FieldStr(rs, "RowStatus");
    fpSectionID_ = FieldLng(rs, "FPSectionID");
    dbServerID_ = FieldLng(rs, "DBServerID");
    fpSectionCode_ = FieldStr(rs, "FPSectionCode");
    outletID_ = FieldLng(rs, "OutletID");
    name_.Read(rs, "Name");
    return true;
}
