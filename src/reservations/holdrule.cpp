#include "reservations/holdrule.h"

#include "core/globals.h"
#include "core/log.h"
#include "platform/textutil.h"
#include "registry/client.h"
#include "reservations/dbtransaction.h"
#include "reservations/kivfuncsupport.h"
#include "reservations/tablereserve.h"
#include "sql/sqldb.h"
#include "users/user.h"
#include "venue/fptable.h"
#include "venue/outlet.h"

using kivfunc_support::kClass;
using kivfunc_support::ThisClientID;

std::string HoldRefusalText(HoldRefusal refusal) {
    switch (refusal) {
        case HoldRefusal::None:
            return "";
        case HoldRefusal::HeldByOther:
            return "held by another workstation";
        case HoldRefusal::HeldHere:
            return "already held by this workstation";
        case HoldRefusal::Booked:
            return "booked";
        case HoldRefusal::Blocked:
            return "blocked";
        case HoldRefusal::NotOnPlan:
            return "not on a floor plan in force";
        case HoldRefusal::PastDate:
            return "the date is past";
        case HoldRefusal::BadPeriod:
            return "the meal period is not an active period of the outlet";
        case HoldRefusal::BadInput:
            return "invalid table number";
        case HoldRefusal::Failed:
            return "database error";
    }
    return "";
}

HoldRule::HoldRule(KIVFunc& func, SQLDB& db, const Outlet& outlet, const DateTime& date,
                   int32_t mpOutletID)
    : func_(func),
      db_(db),
      outlet_(outlet),
      date_(date.DatePart()),
      mpOutletID_(mpOutletID),
      plans_("KIVFunc") {
    plans_.SetOutlet(outlet.OutletID(), outlet.DBServerID(), &db);
    plans_.SetMPOutletID(mpOutletID);
    plans_.SetResvDate(date_);
}

HoldRefusal HoldRule::Check(const std::string& tableNo, const FPTable** table) {
    if (table != nullptr) *table = nullptr;
    const MPOutlet* period = outlet_.GetMPOutlets().Item(mpOutletID_);
    if (period == nullptr || period->OutletID() != outlet_.OutletID() ||
        UpperAscii(period->RowStatus()) != "A")
        return HoldRefusal::BadPeriod;
    if (date_ < DateTime::Now().DatePart()) return HoldRefusal::PastDate;
    if (tableNo.empty() || tableNo.size() > 8) return HoldRefusal::BadInput;
    if (!plansLoaded_) {
        plansLoaded_ = true;
        plansOk_ = plans_.LoadFloorplans();
    }
    if (!plansOk_) return HoldRefusal::Failed;
    const FPTable* found = plans_.FindTable(tableNo);
    if (found == nullptr) return HoldRefusal::NotOnPlan;
    bool blocked = false;
    if (!Blocked(tableNo, blocked)) return HoldRefusal::Failed;
    if (blocked) return HoldRefusal::Blocked;
    if (table != nullptr) *table = found;
    return HoldRefusal::None;
}

// The block date rule of the views: both ends inclusive, a missing end open.
bool HoldRule::Blocked(const std::string& tableNo, bool& blocked) {
    const std::string d = SQLStr(date_.DateText());
    const std::string sql =
        "SELECT COUNT(*) AS RecCnt FROM tbl_TableBlock WHERE RowStatus=" + SQLStr("A") +
        " AND OutletID=  " + Str(outlet_.OutletID()) + " AND MPOutletID= " + Str(mpOutletID_) +
        " AND TableNo =" + SQLStr(tableNo) + " AND ((BeginDate <=" + d + " AND EndDate>=" + d +
        ") OR (BeginDate <=" + d +
        " AND EndDate IS NULL) OR (BeginDate IS NULL  AND EndDate >=" + d + "))";
    std::shared_ptr<Recordset> rs = db_.RunSQLReturnRS(sql);
    if (rs == nullptr) {
        WriteSQLLog(db_.ErrDescription(), sql, kClass, "HoldRule");
        return false;
    }
    blocked = FieldLng(rs.get(), "RecCnt") > 0;
    return true;
}

// The workstation of the standing hold of the table (0 when none).
int32_t HoldRule::HeldBy(const std::string& tableNo, int32_t& tempID) {
    const std::string sql =
        "SELECT TempID, ClientID FROM tbl_TableTemp WHERE RowStatus=" + SQLStr("A") +
        " AND OutletID=" + Str(outlet_.OutletID()) + " AND MPOutletID=" + Str(mpOutletID_) +
        " AND ReserveDate=" + SQLStr(date_.DateText()) + " AND TableNo=" + SQLStr(tableNo) +
        " ORDER BY TempID";
    std::shared_ptr<Recordset> rs = db_.RunSQLReturnRS(sql);
    if (rs == nullptr || rs->Eof()) return 0;
    tempID = FieldLng(rs.get(), "TempID");
    return FieldLng(rs.get(), "ClientID");
}

bool HoldRule::BoundTo(const std::string& tableNo, int32_t reserveID, bool& bound) {
    const std::string sql =
        "SELECT COUNT(*) AS RecCnt FROM tbl_TableReserve AS TR, tbl_Reservation AS R WHERE "
        "TR.ReserveID = R.ReserveID AND R.ReserveID = " +
        Str(reserveID) + " AND TR.RowStatus = " + SQLStr("A") +
        " AND TR.TableNo = " + SQLStr(tableNo) + " AND R.OutletID = " + Str(outlet_.OutletID()) +
        " AND R.MPOutletID = " + Str(mpOutletID_) +
        " AND R.ReserveDate = " + SQLStr(date_.DateText());
    std::shared_ptr<Recordset> rs = db_.RunSQLReturnRS(sql);
    if (rs == nullptr) {
        WriteSQLLog(db_.ErrDescription(), sql, kClass, "HoldRule");
        return false;
    }
    bound = FieldLng(rs.get(), "RecCnt") > 0;
    return true;
}

HoldRefusal HoldRule::Take(const std::string& tableNo, int32_t exceptReserveID) {
    HoldRefusal refusal = Check(tableNo);
    if (refusal != HoldRefusal::None) return refusal;
    const int32_t user = g_oUser != nullptr ? g_oUser->UserID() : 0;
    const int64_t result =
        func_.HoldTableRow(db_, outlet_.DBServerID(), outlet_.OutletID(), date_, mpOutletID_,
                           tableNo, user, ThisClientID(), 0, expired_);
    if (result > 0) {
        taken_.push_back(static_cast<int32_t>(result));
        return HoldRefusal::None;
    }
    if (result == 0) {
        int32_t tempID = 0;
        const int32_t holder = HeldBy(tableNo, tempID);
        if (holder == 0) return HoldRefusal::Failed;
        if (holder != ThisClientID()) return HoldRefusal::HeldByOther;
        visible_.push_back(tempID);
        return HoldRefusal::None;
    }
    if (result == -1 && part_ != 0) {
        const int64_t inPart = HoldInPart(tableNo);
        if (inPart > 0) {
            taken_.push_back(static_cast<int32_t>(inPart));
            return HoldRefusal::None;
        }
        if (inPart < 0) return HoldRefusal::Failed;
    }
    if (result == -1) {
        bool bound = false;
        if (exceptReserveID > 0 && !BoundTo(tableNo, exceptReserveID, bound))
            return HoldRefusal::Failed;
        return bound ? HoldRefusal::None : HoldRefusal::Booked;
    }
    return result == kHoldError ? HoldRefusal::Failed : HoldRefusal::BadInput;
}

bool HoldRule::ReleaseTaken(PacketList& packets) {
    auto release = [&](int32_t id) {
        const std::string sql = "UPDATE tbl_TableTemp SET RowStatus=" + SQLStr("D") +
                                ", RowModified = GetDate() WHERE TempID = " + Str(id);
        if (db_.RunSQLNoReturn(sql)) return true;
        WriteSQLLog(db_.ErrDescription(), sql, kClass, "HoldRule");
        return false;
    };
    for (int32_t id : taken_)
        if (!release(id)) return false;
    for (int32_t id : visible_) {
        if (!release(id)) return false;
        packets.push_back(KIVFunc::DataChangeDoc(outlet_.DBServerID(), "RESERVATION", kOpUpdate,
                                                 "tbl_tabletemp", "tempid", id));
    }
    taken_.clear();
    visible_.clear();
    return true;
}

namespace {

// The bounds of the meal period; nullptr when it is not the outlet's.
const MPOutlet* PeriodOf(const Outlet& outlet, int32_t mpOutletID) {
    const MPOutlet* period = outlet.GetMPOutlets().Item(mpOutletID);
    return period != nullptr && period->OutletID() == outlet.OutletID() ? period : nullptr;
}

PeriodParts PartsOf(const MPOutlet& p) {
    return {p.MPStartTime(), p.MPEndTime1(), p.MPStartTime2(), p.MPEndTime()};
}

// 1 or 2 for a time in one part only, 0 otherwise.
int PartOf(const PeriodParts& parts, const DateTime& time) {
    const PartFlags f = ComputePartFlags(parts, time);
    if (f.r1 == f.r2) return 0;
    return f.r1 ? 1 : 2;
}

}  // namespace

void HoldRule::SetReserveTime(const DateTime& time) {
    part_ = 0;
    const MPOutlet* period = PeriodOf(outlet_, mpOutletID_);
    // A period that is not split has an empty second part.
    if (period == nullptr || period->MPEndTime1().TimeText() == period->MPEndTime().TimeText())
        return;
    part_ = PartOf(PartsOf(*period), time);
}

bool HoldRule::BookedInPart(const std::string& tableNo, bool& booked) {
    booked = true;
    const MPOutlet* period = PeriodOf(outlet_, mpOutletID_);
    if (period == nullptr) return true;
    const std::string sql =
        "SELECT R.ReserveTime FROM tbl_TableReserve AS TR, tbl_Reservation AS R WHERE "
        "TR.ReserveID = R.ReserveID AND TR.RowStatus = " +
        SQLStr("A") + " AND R.RowStatus = " + SQLStr("A") + " AND TR.TableNo = " + SQLStr(tableNo) +
        " AND R.OutletID = " + Str(outlet_.OutletID()) + " AND R.MPOutletID = " + Str(mpOutletID_) +
        " AND R.ReserveDate = " + SQLStr(date_.DateText());
    std::shared_ptr<Recordset> rs = db_.RunSQLReturnRS(sql);
    if (rs == nullptr) {
        WriteSQLLog(db_.ErrDescription(), sql, kClass, "HoldRule");
        return false;
    }
    // A booking without a time, or one that spans both parts, takes both.
    const PeriodParts parts = PartsOf(*period);
    booked = false;
    for (; !rs->Eof() && !booked; rs->MoveNext()) {
        const std::optional<DateTime> time = rs->Field(0)->ToDateTime();
        booked = !time || PartOf(parts, *time) != 3 - part_;
    }
    return true;
}

int64_t HoldRule::HoldInPart(const std::string& tableNo) {
    if (part_ == 0) return 0;
    DBTransaction txn(db_, kClass, "HoldRule");
    if (!txn.Ok()) return -1;
    bool booked = true;
    if (!BookedInPart(tableNo, booked)) {
        txn.Fail();
        return -1;
    }
    int32_t tempID = 0;
    if (booked || HeldBy(tableNo, tempID) != 0) return txn.Commit() ? 0 : -1;
    const int32_t user = g_oUser != nullptr ? g_oUser->UserID() : 0;
    const std::string sql =
        "INSERT INTO tbl_TableTemp (RowModified, RowStatus, DBServerID, OutletID, MPOutletID, "
        "ReserveDate, TableNo, HoldDT, UserID, ClientID) VALUES (GetDate(), " +
        SQLStr("A") + ", " + Str(outlet_.DBServerID()) + ", " + Str(outlet_.OutletID()) + ", " +
        Str(mpOutletID_) + ", " + SQLStr(date_.DateText()) + ", " + SQLStr(UpperAscii(tableNo)) +
        ", GetDate(), " + Str(user) + ", " + Str(ThisClientID()) + ") SELECT @@IDENTITY AS ID";
    std::shared_ptr<Recordset> rs = db_.RunSQLReturnRS(sql);
    std::shared_ptr<Recordset> open = FirstOpenRecordset(rs);
    if (open == nullptr || open->Eof()) {
        WriteSQLLog(db_.ErrDescription(), sql, kClass, "HoldRule");
        txn.Fail();
        return -1;
    }
    const int64_t id = FieldLng(open.get(), "ID");
    return txn.Commit() ? id : -1;
}
