#pragma once
// FloorPlan: one tbl_FloorPlan row (a drawing of an outlet's dining room)
// with the tables drawn on it, keyed by table number.
#include <cstdint>
#include <memory>
#include <string>

#include "core/errorstate.h"
#include "core/orderedmap.h"
#include "platform/datetime.h"
#include "venue/fptable.h"
#include "venue/recordfields.h"

class Recordset;

// Label size of a plan that stores none, and of every plan on race-meeting sites.
constexpr int32_t kDefaultTableFontSize = 13;

class FloorPlan : public ErrorState {
  public:
    bool AddFromRS(const Recordset* rs);

    // Adds the table under its TableNo unless the number is on the plan
    // already; returns the table the plan holds under that number.
    FPTable* AddTable(FPTable table);
    OrderedMap<std::string, FPTable>& FPTables() { return tables_; }
    const OrderedMap<std::string, FPTable>& FPTables() const { return tables_; }

    // A new plan with every column, the day's order and capacity, the editor
    // settings and a copy of each table. The copies are new to the editor
    // (not yet saved, unchanged) unless they were removed.
    std::unique_ptr<FloorPlan> Clone() const;

    const DateTime& RowModified() const { return rowModified_; }
    const std::string& RowStatus() const { return rowStatus_; }
    int32_t FPID() const { return fpID_; }
    const std::string& FPCode() const { return fpCode_; }
    const std::string& NameL1() const { return name_.L1(); }
    const std::string& NameL2() const { return name_.L2(); }
    const std::string& NameL3() const { return name_.L3(); }
    const std::string& DescL1() const { return desc_.L1(); }
    const std::string& DescL2() const { return desc_.L2(); }
    const std::string& DescL3() const { return desc_.L3(); }
    std::string Name(int language) const { return name_.In(language); }
    std::string Desc(int language) const { return desc_.In(language); }
    int32_t BgColor() const { return bgColor_; }  // 0xRRGGBB, as ColorDef::ColorValue
    int32_t FPHeight() const { return fpHeight_; }
    int32_t FPWidth() const { return fpWidth_; }
    int32_t TableFontSize() const { return tableFontSize_; }
    int32_t DBServerID() const { return dbServerID_; }
    int32_t OutletID() const { return outletID_; }

    // Set from the row of the plans-in-force procedure that named the plan.
    int32_t SeqNo() const { return seqNo_; }
    void SetSeqNo(int32_t v) { seqNo_ = v; }
    int32_t Capacity() const { return capacity_; }
    void SetCapacity(int32_t v) { capacity_ = v; }

    // Settings of the floor-plan editor: grid spacing, snapping and zoom,
    // and whether the grid is shown.
    int16_t GridX() const { return gridX_; }
    void SetGridX(int16_t v) { gridX_ = v; }
    int16_t GridY() const { return gridY_; }
    void SetGridY(int16_t v) { gridY_ = v; }
    int16_t SnapMode() const { return snapMode_; }
    void SetSnapMode(int16_t v) { snapMode_ = v; }
    int16_t Zoom() const { return zoom_; }
    void SetZoom(int16_t v) { zoom_ = v; }
    bool ShowGrid() const { return showGrid_; }
    void SetShowGrid(bool v) { showGrid_ = v; }

  private:
    DateTime rowModified_;
    std::string rowStatus_;
    int32_t fpID_ = 0;
    std::string fpCode_;
    LangText name_;
    LangText desc_;
    int32_t bgColor_ = 0;
    int32_t fpHeight_ = 0;
    int32_t fpWidth_ = 0;
    int32_t tableFontSize_ = kDefaultTableFontSize;
    int32_t dbServerID_ = 0;
    int32_t outletID_ = 0;
    int32_t seqNo_ = 0;
    int32_t capacity_ = 0;
    int16_t gridX_ = 0;
    int16_t gridY_ = 0;
    int16_t snapMode_ = 0;
    int16_t zoom_ = 0;
    bool showGrid_ = true;
    OrderedMap<std::string, FPTable> tables_;
};
