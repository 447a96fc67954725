#include "venue/floorplan.h"

#include "core/config.h"
#include "core/globals.h"
#include "registry/colorstorage.h"

bool FloorPlan::AddFromRS(const Recordset* rs) {
    if (!HasCurrentRow(*this, rs, "FloorPlan", "oRS is at the end")) return false;
    rowModified_ = FieldDate(rs, "RowModified");
    rowStatus_ = FieldStr(rs, "RowStatus");
    fpID_ = FieldLng(rs, "FPID");
    fpCode_ = FieldStr(rs, "FPCode");
    name_.Read(rs, "Name");
    desc_.Read(rs, "Desc");
    bgColor_ = StoredColorToRgb(FieldLng(rs, "BgColor"));
    fpHeight_ = FieldLng(rs, "FPHeight");
    fpWidth_ = FieldLng(rs, "FPWidth");
    // Race-meeting sites always draw their labels at the default size.
    const bool orba = g_oConfig != nullptr && g_oConfig->ORBAMode();
    tableFontSize_ = orba ? 0 : FieldLng(rs, "TableFontSize");
    if (tableFontSize_ == 0) tableFontSize_ = kDefaultTableFontSize;
    dbServerID_ = FieldLng(rs, "DBServerID");
    outletID_ = FieldLng(rs, "OutletID");
    return true;
}

FPTable* FloorPlan::AddTable(FPTable table) {
    const std::string no = table.TableNo();
    tables_.Add(no, std::move(table));
    return tables_.Item(no);
}

std::unique_ptr<FloorPlan> FloorPlan::Clone() const {
    auto copy = std::make_unique<FloorPlan>();
    // Every member but the tables copies as it stands; the tables go through
    // AddTable so the copy keeps the first table of a number.
    *copy = *this;
    copy->tables_.Clear();
    for (const auto& [no, table] : tables_) {
        FPTable t = table;
        if (!t.IsDeleted()) {
            t.SetIsNew(true);
            t.SetIsUpdated(false);
        }
        copy->AddTable(std::move(t));
    }
    return copy;
}
