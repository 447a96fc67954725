#pragma once
// FPTable: one tbl_FPTable row, a table drawn on a floor plan. Coordinates
// and sizes are in the plan's drawing units.
#include <array>
#include <cstdint>
#include <string>

#include "core/errorstate.h"

class Recordset;

class FPTable : public ErrorState {
  public:
    // TableNo and ReserveMode are upper-cased: "a1" on a plan and "A1" in a
    // status row name the same table.
    bool AddFromRS(const Recordset* rs);

    int32_t FPTableID() const { return fpTableID_; }
    int32_t FPID() const { return fpID_; }
    const std::string& TableNo() const { return tableNo_; }
    int32_t YCoord() const { return yCoord_; }
    int32_t XCoord() const { return xCoord_; }
    int32_t TWidth() const { return tWidth_; }
    int32_t THeight() const { return tHeight_; }
    int32_t TCapacity() const { return tCapacity_; }
    int32_t TShapeID() const { return tShapeID_; }
    int32_t SeatArrange() const { return seatArrange_; }
    int32_t StartAngle() const { return startAngle_; }
    int32_t FPSectionID() const { return fpSectionID_; }
    // TT1 .. TT5 for n = 1 .. 5; "" beyond.
    std::string TT(int n) const;
    const std::string& TableNoParent() const { return tableNoParent_; }
    int16_t IsShare() const { return isShare_; }
    int16_t IsShow() const { return isShow_; }
    const std::string& ReserveMode() const { return reserveMode_; }
    int16_t ShareType() const { return shareType_; }
    int16_t ShareCount() const { return shareCount_; }
    int32_t MinRCover() const { return minRCover_; }
    int32_t MaxRCover() const { return maxRCover_; }
    int32_t Priority() const { return priority_; }
    int32_t ExtraSeats() const { return extraSeats_; }
    // MergeTable1 .. 5 and MergeCover1 .. 5 for n = 1 .. 5; "" / 0 beyond.
    std::string MergeTable(int n) const;
    int32_t MergeCover(int n) const;
    const std::string& RowStatus() const { return rowStatus_; }

    // Editor state of the floor-plan editor: a table not yet saved, a table
    // changed since loading, a table removed from the plan, and the number
    // and row the table had when it was loaded.
    bool IsNew() const { return isNew_; }
    void SetIsNew(bool v) { isNew_ = v; }
    bool IsUpdated() const { return isUpdated_; }
    void SetIsUpdated(bool v) { isUpdated_ = v; }
    bool IsDeleted() const { return isDeleted_; }
    void SetIsDeleted(bool v) { isDeleted_ = v; }
    const std::string& OriginalTableNo() const { return originalTableNo_; }
    void SetOriginalTableNo(const std::string& v) { originalTableNo_ = v; }
    int32_t OriginalFPTableID() const { return originalFPTableID_; }
    void SetOriginalFPTableID(int32_t v) { originalFPTableID_ = v; }

  private:
    int32_t fpTableID_ = 0;
    int32_t fpID_ = 0;
    std::string tableNo_;
    int32_t yCoord_ = 0;
    int32_t xCoord_ = 0;
    int32_t tWidth_ = 0;
    int32_t tHeight_ = 0;
    int32_t tCapacity_ = 0;
    int32_t tShapeID_ = 0;
    int32_t seatArrange_ = 0;
    int32_t startAngle_ = 0;
    int32_t fpSectionID_ = 0;
    std::array<std::string, 5> tt_;
    std::string tableNoParent_;
    int16_t isShare_ = 0;
    int16_t isShow_ = 0;
    std::string reserveMode_;
    int16_t shareType_ = 0;
    int16_t shareCount_ = 0;
    int32_t minRCover_ = 0;
    int32_t maxRCover_ = 0;
    int32_t priority_ = 0;
    int32_t extraSeats_ = 0;
    std::array<std::string, 5> mergeTable_;
    std::array<int32_t, 5> mergeCover_{};
    std::string rowStatus_;

    bool isNew_ = false;
    bool isUpdated_ = false;
    bool isDeleted_ = false;
    std::string originalTableNo_;
    int32_t originalFPTableID_ = 0;
};
