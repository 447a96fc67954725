#pragma once
// ColorDef: one tbl_ColorDef row. Module "S" colours a table state code
// (Value1), "T" a range of minutes since arrival (Value1..Value2), "C" an
// integer (Value1).
#include <cstdint>
#include <string>

#include "core/errorstate.h"
#include "platform/datetime.h"
#include "sql/variant.h"
#include "venue/recordfields.h"

class Recordset;

class ColorDef : public ErrorState {
  public:
    // Value1 is read as the module needs it (integer, state code, lower
    // bound); Value2 only for "T". Other modules read neither.
    bool AddFromRS(const Recordset* rs);

    const DateTime& RowModified() const { return rowModified_; }
    const std::string& RowStatus() const { return rowStatus_; }
    int32_t ColorID() const { return colorID_; }
    const std::string& ColorModule() const { return colorModule_; }
    // A 24-bit colour, 0xRRGGBB whatever order the database stores.
    int32_t ColorValue() const { return colorValue_; }
    const std::string& NameL1() const { return name_.L1(); }
    const std::string& NameL2() const { return name_.L2(); }
    const std::string& NameL3() const { return name_.L3(); }
    std::string Name(int language) const { return name_.In(language); }
    const Variant& Value1() const { return value1_; }
    const Variant& Value2() const { return value2_; }

  private:
    DateTime rowModified_;
    std::string rowStatus_;
    int32_t colorID_ = 0;
    std::string colorModule_;
    int32_t colorValue_ = 0;
    LangText name_;
    Variant value1_;
    Variant value2_;
};
