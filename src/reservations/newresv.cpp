// NewResv: loading the booking's outlet, date and meal period, the picked
// tables with their holds, and the guest profile copied into the booking.
#include "reservations/newresv.h"

#include "core/globals.h"
#include "core/log.h"
#include "core/mltext.h"
#include "platform/textutil.h"
#include "platform/userinterface.h"
#include "profiles/profiledefinition.h"
#include "registry/client.h"
#include "registry/dbconnections.h"
#include "reservations/kivfuncsupport.h"
#include "sql/sqldb.h"
#include "users/user.h"
#include "venue/fptable.h"
#include "venue/outlets.h"

namespace {

constexpr const char* kClass = "NewResv";

}  // namespace

NewResv::NewResv(KIVFunc& func) : func_(func), plans_(kClass) {}

NewResv::~NewResv() {
    ReleaseHolds();
}

bool NewResv::Open(const Outlet& outlet, const DateTime& date, int32_t mpOutletID) {
    ReleaseHolds();
    outlet_ = &outlet;
    date_ = date.DatePart();
    mpOutletID_ = mpOutletID;
    resv_ = Reservation();
    previous_.Clear();
    prevAction_ = PrevResvAction::kNone;
    reserveNo_.clear();
    savedIDs_.clear();
    message_.clear();
    declined_ = false;
    db_ = g_oDBConns != nullptr ? g_oDBConns->GetSQLDB(outlet.DBServerID()) : nullptr;
    if (db_ == nullptr) {
        SetErr(kErrItemNotFound, kClass, "Open",
               "Cannot retrieve DBServer : " + Str(outlet.DBServerID()));
        WriteLog("Cannot retrieve DBServer : " + Str(outlet.DBServerID()), kClass, "Open");
        return false;
    }
    rule_ = std::make_unique<HoldRule>(func_, *db_, outlet, date_, mpOutletID);
    plans_.SetOutlet(outlet.OutletID(), outlet.DBServerID(), db_);
    plans_.SetMPOutletID(mpOutletID);
    plans_.SetResvDate(date_);
    resv_.SetField("OutletID", Variant(outlet.OutletID()));
    resv_.SetField("MPOutletID", Variant(mpOutletID));
    resv_.SetField("DBServerID", Variant(outlet.DBServerID()));
    resv_.SetField("ReserveDate", Variant(date_.DateText()));
    return LoadFloorplans() && LoadTableStatuses() && LoadDayResvs();
}

bool NewResv::LoadFloorplans() {
    if (plans_.LoadFloorplans()) return true;
    CopyErr(plans_.ErrNumber(), plans_.ErrDescription());
    return false;
}

bool NewResv::LoadTableStatuses() {
    if (plans_.LoadTableStatuses()) return true;
    CopyErr(plans_.ErrNumber(), plans_.ErrDescription());
    return false;
}

bool NewResv::LoadDayResvs() {
    dayResvs_.Clear();
    if (db_ == nullptr || outlet_ == nullptr) return false;
    const std::string sql =
        "SELECT * FROM tbl_Reservation WHERE RowStatus=" + SQLStr("A") +
        " AND OutletID=" + Str(outlet_->OutletID()) + " AND MPOutletID=" + Str(mpOutletID_) +
        " AND ReserveDate=" + SQLStr(date_.DateText()) + " ORDER BY ReserveTime";
    std::shared_ptr<Recordset> rs = db_->RunSQLReturnRS(sql);
    if (rs == nullptr) {
        CopyErr(db_->ErrNumber(), db_->ErrDescription());
        WriteSQLLog(db_->ErrDescription(), sql, kClass, "LoadDayResvs");
        return false;
    }
    for (; !rs->Eof(); rs->MoveNext()) {
        auto r = std::make_shared<Reservation>();
        for (int i = 0; i < rs->FieldCount(); ++i)
            r->SetField(rs->FieldAt(i).Name, *rs->Field(i));
        dayResvs_.Add(r);
    }
    return true;
}

bool NewResv::SetGuest(int32_t guestID) {
    SQLDB* db = DefaultSQLDB();
    if (db == nullptr || guestID <= 0) return false;
    const std::string sql =
        "Select * from tbl_Guest Where GuestID=" + Str(guestID) + " AND RowStatus='A'";
    std::shared_ptr<Recordset> rs = db->RunSQLReturnRS(sql);
    if (rs == nullptr || rs->Eof()) {
        WriteSQLLog(rs == nullptr ? db->ErrDescription() : "No such guest", sql, kClass,
                    "SetGuest");
        return false;
    }
    resv_.SetField("GuestID", Variant(guestID));
    // The guest's columns the booking form carries, and what the black-list
    // alert shows.
    for (int i = 0; i < rs->FieldCount(); ++i) {
        const std::string& name = rs->FieldAt(i).Name;
        const std::string upper = UpperAscii(name);
        bool copy = upper == "BLACKLIST" || upper == "BLACKLISTCAPTION";
        if (!copy && def_ != nullptr) {
            const ProfileField* f = def_->FindField(name);
            copy = f != nullptr && f->DataFromGuestTable() && f->DataFromResvTable();
        }
        if (copy && upper != "GUESTID" && upper != "ROWSTATUS")
            resv_.SetField(name, Variant(rs->Field(i)->IsNull() ? "" : rs->Field(i)->ToText()));
    }
    return true;
}

bool NewResv::SetDeclineReason(const std::string& msgCode) {
    SQLDB* db = DefaultSQLDB();
    if (db == nullptr || Trim(msgCode).empty()) return false;
    const std::string sql =
        "Select MsgID, MsgCode, MsgCat, MsgSubCat From tbl_Message Where "
        "RowStatus='A' AND MsgType='CXL' AND MsgCode=" +
        SQLStr(Trim(msgCode));
    std::shared_ptr<Recordset> rs = db->RunSQLReturnRS(sql);
    if (rs == nullptr || rs->Eof()) return false;
    resv_.SetField("SYS_SaveAction", Variant("D"));
    resv_.SetField("SYS_CancelCode", Variant(FieldStr(rs.get(), "MsgCode")));
    resv_.SetField("CancelMsgID", Variant(FieldLng(rs.get(), "MsgID")));
    resv_.SetField("CancelMsgCat", Variant(FieldStr(rs.get(), "MsgCat")));
    resv_.SetField("CancelMsgSubCat", Variant(FieldStr(rs.get(), "MsgSubCat")));
    return true;
}

HoldRefusal NewResv::PickTable(const std::string& tableNoIn) {
    if (rule_ == nullptr || db_ == nullptr || outlet_ == nullptr) return HoldRefusal::Failed;
    const std::string tableNo = UpperAscii(Trim(tableNoIn));
    for (const PickedTable& p : picked_)
        if (p.TableNo == tableNo) return HoldRefusal::HeldHere;
    const std::optional<DateTime> time = resv_.GetField("ReserveTime").ToDateTime();
    if (time) rule_->SetReserveTime(*time);
    const FPTable* table = nullptr;
    HoldRefusal refusal = rule_->Check(tableNo, &table);
    if (refusal != HoldRefusal::None) return refusal;
    const int32_t user = g_oUser != nullptr ? g_oUser->UserID() : 0;
    const int32_t client = g_oClient != nullptr ? g_oClient->ClientID() : 0;
    int64_t result = 0;
    std::unique_ptr<TableTemp> hold =
        func_.TempHoldTable(*db_, outlet_->DBServerID(), outlet_->OutletID(), date_, mpOutletID_,
                            tableNo, user, client, 0, &result);
    int32_t tempID = hold != nullptr ? hold->TempID() : 0;
    if (tempID == 0 && result == -1 && rule_->Part() != 0) {
        const int64_t inPart = rule_->HoldInPart(tableNo);
        if (inPart < 0) return HoldRefusal::Failed;
        tempID = static_cast<int32_t>(inPart);
        if (tempID > 0) {
            PacketList docs{KIVFunc::DataChangeDoc(outlet_->DBServerID(), "RESERVATION", kOpInsert,
                                                   "tbl_tabletemp", "tempid", tempID)};
            func_.SendDataChange(*outlet_, date_, mpOutletID_, kPriorityHold, docs);
        }
    }
    if (tempID == 0 && result == 0) {
        // A hold of this workstation (an earlier pick) is taken over.
        const int32_t holder = rule_->HeldBy(tableNo, tempID);
        if (holder == 0) return HoldRefusal::Failed;
        if (holder != client) return HoldRefusal::HeldByOther;
    }
    if (tempID == 0 && result == kHoldError) return HoldRefusal::Failed;
    if (tempID == 0) return result == -2 ? HoldRefusal::BadInput : HoldRefusal::Booked;
    PickedTable p;
    p.TableNo = table->TableNo();
    p.TempID = tempID;
    p.Capacity = table->TCapacity();
    p.MinCover = table->MinRCover();
    p.MaxCover = table->MaxRCover();
    p.Shared = table->IsShare() != 0;
    picked_.push_back(p);
    return HoldRefusal::None;
}

bool NewResv::DropTable(const std::string& tableNo) {
    for (auto it = picked_.begin(); it != picked_.end(); ++it) {
        if (it->TableNo != UpperAscii(Trim(tableNo))) continue;
        const int32_t tempID = it->TempID;
        picked_.erase(it);
        TableTemp hold;
        std::shared_ptr<Recordset> rs =
            db_->RunSQLReturnRS("SELECT * FROM tbl_TableTemp WHERE TempID=" + Str(tempID));
        // A hold already released (or expired and taken over) needs nothing.
        return rs != nullptr && hold.AddFromRS(rs.get()) && hold.RowStatus() == "A" &&
               func_.ReleaseTempHoldTable(hold);
    }
    return false;
}

void NewResv::ReleaseHolds() {
    while (!picked_.empty())
        DropTable(picked_.front().TableNo);
}

void NewResv::Refuse(const std::string& text, const std::string& title) {
    message_ = text;
    UI().MessageBox(GetMLText(text), MsgIcon::Exclamation, GetMLText(title));
}

bool NewResv::Confirm(const std::string& text, const std::string& title) {
    if (UI().AskYesNo(GetMLText(text), GetMLText(title), false)) return true;
    message_ = text;
    return false;
}

void NewResv::Log(const std::string& text) const {
    WriteLog(text, kClass, "SaveNewReservation");
}

bool NewResv::WaitingList() const {
    return UpperAscii(resv_.GetFieldText("ReserveType")) == "W";
}

bool NewResv::Walkin() const {
    return UpperAscii(resv_.GetFieldText("ReserveMode")) == "W";
}

int32_t NewResv::Covers() const {
    const bool admission =
        outlet_ != nullptr && outlet_->GetExtAttribute("SupportAdmission").ToInt32() != 0;
    return resv_.GetFieldLong(admission ? "OccupyCover" : "ReserveCover");
}

bool NewResv::Messaged() const {
    return !declined_ && !WaitingList() && !Walkin();
}
