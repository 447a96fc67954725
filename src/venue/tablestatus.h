#pragma once
// TableStatus: the live state of one table (one tbl_TableStatus row) and
// the runtime facts a view adds to it: block, hold, whether the table is on
// a plan in force, and the view's reservations on it.
#include <cstdint>
#include <string>

#include "core/errorstate.h"
#include "core/orderedmap.h"
#include "platform/datetime.h"

class Recordset;

// Reservation ids on a table; key and item are both the ReserveID.
using ReserveIDSet = OrderedMap<int32_t, int32_t>;

class TableStatus : public ErrorState {
  public:
    // Reads the row's columns (TableNo and TableStatus upper-cased); the
    // runtime members keep their values.
    bool AddFromRS(const Recordset* rs);
    // A table that has no status row yet: only the number is known.
    void SetTableNo(const std::string& tableNo);
    // Takes the columns and the block details of `other`, keeping this
    // object's identity, block and hold flags and part sets; with
    // `withReservations` the reservation set is replaced by a copy of other's.
    void CopyFrom(const TableStatus& other, bool withReservations);

    const DateTime& RowModified() const { return c_.rowModified; }
    const std::string& RowStatus() const { return c_.rowStatus; }
    int32_t TableStatusID() const { return c_.tableStatusID; }
    int32_t OutletID() const { return c_.outletID; }
    const std::string& TableNo() const { return c_.tableNo; }
    // The state code ("V" vacant, "O" occupied, ...); a member cannot bear
    // the class's own name.
    const std::string& GetTableStatus() const { return c_.tableStatus; }
    const DateTime& LastChangeTime() const { return c_.lastChangeTime; }
    const std::string& LastTableStatus() const { return c_.lastTableStatus; }
    const std::string& CheckNo() const { return c_.checkNo; }
    const DateTime& CheckOpenTime() const { return c_.checkOpenTime; }
    const DateTime& LastOrderTime() const { return c_.lastOrderTime; }
    const DateTime& LastPrintTime() const { return c_.lastPrintTime; }
    const DateTime& LastCleanTime() const { return c_.lastCleanTime; }
    int32_t CheckCover() const { return c_.checkCover; }
    float CheckTotal() const { return c_.checkTotal; }
    int32_t ReserveID() const { return c_.reserveID; }
    int32_t WaitReserveID() const { return c_.waitReserveID; }
    const std::string& MergeStatus() const { return c_.mergeStatus; }
    const std::string& WaitMergeStatus() const { return c_.waitMergeStatus; }
    const std::string& Remark() const { return c_.remark; }
    int32_t CheckPrintCnt() const { return c_.checkPrintCnt; }
    const std::string& Member() const { return c_.member; }
    const std::string& MemberInfo() const { return c_.memberInfo; }
    float MinimumTableTotal() const { return c_.minimumTableTotal; }

    bool Block() const { return block_; }
    void SetBlock(bool v) { block_ = v; }
    int32_t TableBlockID() const { return tableBlockID_; }
    void SetTableBlockID(int32_t v) { tableBlockID_ = v; }
    int32_t BlockUserID() const { return blockUserID_; }
    void SetBlockUserID(int32_t v) { blockUserID_ = v; }
    const DateTime& BlockTime() const { return blockTime_; }
    void SetBlockTime(const DateTime& v) { blockTime_ = v; }
    const std::string& BlockRemark() const { return blockRemark_; }
    void SetBlockRemark(const std::string& v) { blockRemark_ = v; }
    const std::string& BlockUserName() const { return blockUserName_; }
    void SetBlockUserName(const std::string& v) { blockUserName_ = v; }
    bool TableLock() const { return tableLock_; }
    void SetTableLock(bool v) { tableLock_ = v; }
    bool ExistsInFP() const { return existsInFP_; }
    void SetExistsInFP(bool v) { existsInFP_ = v; }
    bool NotStartBook() const { return notStartBook_; }
    void SetNotStartBook(bool v) { notStartBook_ = v; }
    // Written by the new-reservation object and the floor-plan window.
    bool Selected() const { return selected_; }
    void SetSelected(bool v) { selected_ = v; }
    bool Highlighted() const { return highlighted_; }
    void SetHighlighted(bool v) { highlighted_ = v; }

    ReserveIDSet& Reservations() { return reservations_; }
    const ReserveIDSet& Reservations() const { return reservations_; }
    ReserveIDSet& R1Res() { return r1Res_; }
    const ReserveIDSet& R1Res() const { return r1Res_; }
    ReserveIDSet& R2Res() { return r2Res_; }
    const ReserveIDSet& R2Res() const { return r2Res_; }

  private:
    // The row's columns, copied together by CopyFrom.
    struct Columns {
        DateTime rowModified;
        std::string rowStatus;
        int32_t tableStatusID = 0;
        int32_t outletID = 0;
        std::string tableNo;
        std::string tableStatus;
        DateTime lastChangeTime;
        std::string lastTableStatus;
        std::string checkNo;
        DateTime checkOpenTime, lastOrderTime, lastPrintTime, lastCleanTime;
        int32_t checkCover = 0;
        float checkTotal = 0;
        int32_t reserveID = 0;
        int32_t waitReserveID = 0;
        std::string mergeStatus, waitMergeStatus, remark;
        int32_t checkPrintCnt = 0;
        std::string member, memberInfo;
        float minimumTableTotal = 0;
    };

    Columns c_;
    bool block_ = false;
    int32_t tableBlockID_ = 0;
    int32_t blockUserID_ = 0;
    DateTime blockTime_;
    std::string blockRemark_;
    std::string blockUserName_;
    bool tableLock_ = false;
    bool existsInFP_ = false;
    bool notStartBook_ = false;
    bool selected_ = false;
    bool highlighted_ = false;
    ReserveIDSet reservations_;
    ReserveIDSet r1Res_;
    ReserveIDSet r2Res_;
};
