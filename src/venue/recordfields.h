#pragma once
// Shared pieces of the venue record classes: the flag readers of the outlet
// columns, on top of the row check and three-language texts of every record
// class. Table numbers and state codes compare upper-cased (UpperAscii).
#include <string>

#include "platform/textutil.h"
#include "sql/recordfields.h"

// Flags stored as text count only when the text is exactly "1": " 1" and
// "01" are off. An integer 1 reads as the text "1" too.
inline bool FieldFlagText(const Recordset* rs, const char* field) {
    return FieldStr(rs, field) == "1";
}
inline bool FieldFlagNonZero(const Recordset* rs, const char* field) {
    return FieldLng(rs, field) != 0;
}
// Exactly the number 1 (2 is off, unlike the non-zero flags).
inline bool FieldFlagIsOne(const Recordset* rs, const char* field) {
    return FieldDbl(rs, field) == 1.0;
}
