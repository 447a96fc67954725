#include "venue/tablestatus.h"

#include "venue/recordfields.h"

bool TableStatus::AddFromRS(const Recordset* rs) {
    if (!HasCurrentRow(*this, rs, "TableStatus", "oRS is EOF")) return false;
    c_.rowModified = FieldDate(rs, "RowModified");
    c_.rowStatus = FieldStr(rs, "RowStatus");
    c_.tableStatusID = FieldLng(rs, "TableStatusID");
    c_.outletID = FieldLng(rs, "OutletID");
    c_.tableNo = UpperAscii(FieldStr(rs, "TableNo"));
    c_.tableStatus = UpperAscii(FieldStr(rs, "TableStatus"));
    c_.lastChangeTime = FieldDate(rs, "LastChangeTime");
    c_.lastTableStatus = FieldStr(rs, "LastTableStatus");
    c_.checkNo = FieldStr(rs, "CheckNo");
    c_.checkOpenTime = FieldDate(rs, "CheckOpenTime");
    c_.lastOrderTime = FieldDate(rs, "LastOrderTime");
    c_.lastPrintTime = FieldDate(rs, "LastPrintTime");
    c_.lastCleanTime = FieldDate(rs, "LastCleanTime");
    c_.checkCover = FieldLng(rs, "CheckCover");
    c_.checkTotal = FieldSng(rs, "CheckTotal");
    c_.reserveID = FieldLng(rs, "ReserveID");
    c_.waitReserveID = FieldLng(rs, "WaitReserveID");
    c_.mergeStatus = FieldStr(rs, "MergeStatus");
    c_.waitMergeStatus = FieldStr(rs, "WaitMergeStatus");
    c_.remark = FieldStr(rs, "Remark");
    c_.checkPrintCnt = FieldLng(rs, "CheckPrintCnt");
    c_.member = FieldStr(rs, "Member");
    c_.memberInfo = FieldStr(rs, "MemberInfo");
    c_.minimumTableTotal = FieldSng(rs, "MinimumTableTotal");
    return true;
}

void TableStatus::SetTableNo(const std::string& tableNo) {
    c_.tableNo = UpperAscii(tableNo);
}

void TableStatus::CopyFrom(const TableStatus& other, bool withReservations) {
    c_ = other.c_;
    blockUserID_ = other.blockUserID_;
    blockTime_ = other.blockTime_;
    blockRemark_ = other.blockRemark_;
    blockUserName_ = other.blockUserName_;
    if (!withReservations) return;
    reservations_ = ReserveIDSet();
    for (const auto& [id, item] : other.reservations_)
        reservations_.Add(id, item);
}
