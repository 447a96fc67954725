#include "venue/colordef.h"

#include "registry/colorstorage.h"

bool ColorDef::AddFromRS(const Recordset* rs) {
    if (!HasCurrentRow(*this, rs, "ColorDef", "oRS is at the end")) return false;
    rowModified_ = FieldDate(rs, "RowModified");
    rowStatus_ = FieldStr(rs, "RowStatus");
    colorID_ = FieldLng(rs, "ColorID");
    colorModule_ = UpperAscii(FieldStr(rs, "ColorModule"));
    colorValue_ = StoredColorToRgb(FieldLng(rs, "ColorValue"));
    name_.Read(rs, "Name");
    value1_ = Variant();
    value2_ = Variant();
    if (colorModule_ == "C") {
        value1_ = Variant(static_cast<int64_t>(FieldLng(rs, "Value1")));
    } else if (colorModule_ == "S") {
        value1_ = Variant(FieldStr(rs, "Value1"));
    } else if (colorModule_ == "T") {
        value1_ = Variant(static_cast<int64_t>(FieldLng(rs, "Value1")));
        value2_ = Variant(static_cast<int64_t>(FieldLng(rs, "Value2")));
    }
    return true;
}
