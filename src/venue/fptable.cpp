#include "venue/fptable.h"

#include "venue/recordfields.h"

namespace {

// Column names built once: the loader runs for every table of every plan.
struct NumberedColumns {
    std::array<std::string, 5> tt, mergeTable, mergeCover;
    NumberedColumns() {
        for (std::size_t i = 0; i < 5; ++i) {
            const std::string n = std::to_string(i + 1);
            tt[i] = "TT" + n;
            mergeTable[i] = "MergeTable" + n;
            mergeCover[i] = "MergeCover" + n;
        }
    }
};

const NumberedColumns& Columns() {
    static const NumberedColumns columns;
    return columns;
}

}  // namespace

bool FPTable::AddFromRS(const Recordset* rs) {
    if (!HasCurrentRow(*this, rs, "FPTable", "oRS is at the end")) return false;
    fpTableID_ = FieldLng(rs, "FPTableID");
    fpID_ = FieldLng(rs, "FPID");
    tableNo_ = UpperAscii(FieldStr(rs, "TableNo"));
    yCoord_ = FieldLng(rs, "YCoord");
    xCoord_ = FieldLng(rs, "XCoord");
    tWidth_ = FieldLng(rs, "TWidth");
    tHeight_ = FieldLng(rs, "THeight");
    tCapacity_ = FieldLng(rs, "TCapacity");
    tShapeID_ = FieldLng(rs, "TShapeID");
    seatArrange_ = FieldLng(rs, "SeatArrange");
    startAngle_ = FieldLng(rs, "StartAngle");
    fpSectionID_ = FieldLng(rs, "FPSectionID");
    const NumberedColumns& c = Columns();
    for (std::size_t i = 0; i < 5; ++i) {
        tt_[i] = FieldStr(rs, c.tt[i]);
        mergeTable_[i] = FieldStr(rs, c.mergeTable[i]);
        mergeCover_[i] = FieldLng(rs, c.mergeCover[i]);
    }
    tableNoParent_ = FieldStr(rs, "TableNoParent");
    isShare_ = FieldShort(rs, "IsShare");
    isShow_ = FieldShort(rs, "IsShow");
    reserveMode_ = UpperAscii(FieldStr(rs, "ReserveMode"));
    shareType_ = FieldShort(rs, "ShareType");
    shareCount_ = FieldShort(rs, "ShareCount");
    minRCover_ = FieldLng(rs, "MinRCover");
    maxRCover_ = FieldLng(rs, "MaxRCover");
    priority_ = FieldLng(rs, "Priority");
    extraSeats_ = FieldLng(rs, "ExtraSeats");
    rowStatus_ = FieldStr(rs, "RowStatus");
    return true;
}

std::string FPTable::TT(int n) const {
    return n >= 1 && n <= 5 ? tt_[static_cast<std::size_t>(n - 1)] : std::string();
}

std::string FPTable::MergeTable(int n) const {
    return n >= 1 && n <= 5 ? mergeTable_[static_cast<std::size_t>(n - 1)] : std::string();
}

int32_t FPTable::MergeCover(int n) const {
    return n >= 1 && n <= 5 ? mergeCover_[static_cast<std::size_t>(n - 1)] : 0;
}
