// NewResv: the save chain in order, and its writing steps: the statement,
// the reservation number, the insert, the table bindings (withdrawing the
// row when they fail), the previous reservations, the booker profile and
// the waiting list for several outlets.
#include <cctype>
#include <cstdio>
#include <random>
#include <set>

#include "core/config.h"
#include "core/globals.h"
#include "core/log.h"
#include "core/mltext.h"
#include "platform/inifile.h"
#include "platform/textutil.h"
#include "platform/userinterface.h"
#include "profiles/profiledefinition.h"
#include "registry/client.h"
#include "registry/dbconnections.h"
#include "reservations/dbtransaction.h"
#include "reservations/kivfuncsupport.h"
#include "reservations/newresv.h"
#include "reservations/resvduplicates.h"
#include "reservations/tablereserve.h"
#include "sql/sqldb.h"
#include "users/user.h"
#include "venue/outlets.h"

namespace {

constexpr const char* kClass = "NewResv";
constexpr const char* kProc = "SaveNewReservation";

int32_t UserID() {
    return g_oUser != nullptr ? g_oUser->UserID() : 0;
}

int32_t ClientID() {
    return g_oClient != nullptr ? g_oClient->ClientID() : 0;
}

std::string NewGuid() {
    static std::mt19937_64 gen{std::random_device{}()};
    const uint64_t a = gen(), b = gen();
    char buf[40];
    std::snprintf(buf, sizeof buf, "%08X-%04X-4%03X-%04X-%012llX", static_cast<unsigned>(a >> 32),
                  static_cast<unsigned>((a >> 16) & 0xFFFF), static_cast<unsigned>(a & 0xFFF),
                  static_cast<unsigned>(0x8000 | ((b >> 48) & 0x3FFF)),
                  static_cast<unsigned long long>(b & 0xFFFFFFFFFFFFULL));
    return buf;
}

bool PlainName(const std::string& s) {
    if (s.empty()) return false;
    for (unsigned char c : s)
        if (std::isalnum(c) == 0 && c != '_') return false;
    return true;
}

// Columns the chain writes itself; a form field of that name is left out.
const std::set<std::string>& SystemColumns() {
    static const std::set<std::string> columns = {
        "RESERVEID",      "DBSERVERID",     "OUTLETID",        "RESERVENO",    "MPOUTLETID",
        "WAITDT",         "CREATEUSERID",   "UPDATEUSERID",    "RESERVEGUID",  "CUSTRESERVENO",
        "RESERVESTATUS",  "HIERID",         "HIERGROUPID",     "ROWSTATUS",    "ROWMODIFIED",
        "CREATECLIENTID", "UPDATECLIENTID", "CREATEDT",        "UPDATEDT",     "UPDATECOUNTBYUSER",
        "CANCELMSGID",    "CANCELMSGCAT",   "CANCELMSGSUBCAT", "CANCELUSERID", "CANCELDT"};
    return columns;
}

// A booking value without a form field: numbers plain, anything else quoted.
std::string PlainValueSQL(const Variant& v) {
    const std::string text = v.IsNull() ? "" : v.ToText();
    if (text.empty()) return "NULL";
    return v.IsNumeric() ? text : SQLStr(text);
}

}  // namespace

int32_t NewResv::SaveNewReservation() {
    message_.clear();
    reserveNo_.clear();
    savedIDs_.clear();
    declined_ = !resv_.GetFieldText("SYS_SaveAction").empty() &&
                UpperAscii(resv_.GetFieldText("SYS_SaveAction")) != "N";
    if (outlet_ == nullptr || db_ == nullptr) {
        CheckOutlet();
        return 0;
    }
    const std::string ini = g_oConfig != nullptr ? g_oConfig->ClientIniPath() : "";
    if (!ini.empty() && GetPrivateProfileInt("KIVCnt", "SaveNewResvLog", 0, ini) != 0) {
        auto f = [&](const char* name) { return resv_.GetFieldText(name); };
        Log("Ready to save the reservation ,detail:ReserveDate=" + f("ReserveDate") +
            ";ReserveTime=" + f("ReserveTime") + ";ReserveCover=" + f("ReserveCover") +
            ";GuestID=" + f("GuestID") + ";DYLastName=" + f("DYLastName") +
            ";DYFirstName=" + f("DYFirstName") + ";ContactPhone=" + f("ContactPhone"));
    }
    // A declined booking takes no table: the table, cover, allotment and
    // duplicate checks do not concern it.
    if (!ConfirmInternetBooking() || !ValidateInput() || !ValidateMessage()) return 0;
    if (!declined_ && !CheckTableNoList()) return 0;
    if (!CheckFutureResvLimit() || !CheckSMS()) return 0;
    if (!declined_ && (!CheckPermission() || !PopAlertIsBlackList() || !CheckWebAllotment()))
        return 0;
    if (!CheckOutlet() || !CheckDateTimeRights()) return 0;

    std::vector<int32_t> outletIDs = WaitingOutletIDs();
    if (outletIDs.empty()) outletIDs.push_back(outlet_->OutletID());
    {
        std::string columns, values;
        if (!BuildInsert(*outlet_, mpOutletID_, columns, values, true)) return 0;
    }
    if (!CheckMustFields()) return 0;
    if (!declined_ && !CheckDuplicates()) return 0;

    PacketList packets;
    if (!SaveForOutlet(*db_, *outlet_, mpOutletID_, packets)) return 0;
    const int32_t first = savedIDs_.front();
    if (!declined_ && prevAction_ == PrevResvAction::kCancel) CancelPrevious(packets);
    func_.SendDataChange(*outlet_, date_, mpOutletID_, kPriorityChange, packets);
    if (messages_ != nullptr && Messaged()) messages_->QueueMessages(*db_, first, *outlet_);
    // The other outlets of a waiting-list entry, each with the meal period of
    // the entry's time.
    if (outletIDs.size() > 1) {
        if (outlets_ == nullptr) {
            ownOutlets_ = std::make_unique<Outlets>();
            if (DefaultSQLDB() != nullptr) ownOutlets_->Load(*DefaultSQLDB());
            outlets_ = ownOutlets_.get();
        }
        const std::optional<DateTime> time = resv_.GetField("ReserveTime").ToDateTime();
        for (int32_t id : outletIDs) {
            const Outlet* other = outlets_->GetOutletByID(id);
            if (id == outlet_->OutletID() || other == nullptr || !time) continue;
            const int32_t mp = other->GetMPOutlets().FindMPOutletID(*time);
            SQLDB* db = g_oDBConns != nullptr ? g_oDBConns->GetSQLDB(other->DBServerID()) : nullptr;
            if (mp <= 0 || db == nullptr) {
                WriteLog(
                    "No meal period at " + time->Format("hh:nn") + " for outlet(" + Str(id) + ")",
                    kClass, kProc);
                continue;
            }
            PacketList more;
            if (SaveForOutlet(*db, *other, mp, more))
                func_.SendDataChange(*other, date_, mp, kPriorityChange, more);
        }
        Log("UBound(aOutletID) > 0  and ReserveType= W  seccess");
    }
    Log("SaveNewReservation seccess ;ReserveNo=" + reserveNo_ +
        ";ReserveGUID=" + resv_.GetFieldText("ReserveGUID"));
    ReleaseHolds();
    if (declined_) {
        UI().MessageBox(
            GetMLText("This reservation is saved as decline, please click [OK] to continue"),
            MsgIcon::Information, "CulinaroTable");
    } else {
        OfferBookerProfile(*db_, first);
    }
    return first;
}

std::vector<int32_t> NewResv::WaitingOutletIDs() const {
    std::vector<int32_t> ids;
    if (!WaitingList()) return ids;
    const std::string list = resv_.GetFieldText("SYS_WaitingOutletID");
    std::string item;
    for (std::size_t i = 0; i <= list.size(); ++i) {
        if (i < list.size() && list[i] != ',') {
            item += list[i];
            continue;
        }
        const int32_t id = Variant(Trim(item)).ToInt32();
        if (id > 0 && std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
        item.clear();
    }
    // The entry's own outlet comes first.
    if (outlet_ != nullptr && !ids.empty()) {
        auto own = std::find(ids.begin(), ids.end(), outlet_->OutletID());
        if (own != ids.end()) ids.erase(own);
        ids.insert(ids.begin(), outlet_->OutletID());
    }
    return ids;
}

bool NewResv::BuildInsert(const Outlet& outlet, int32_t mpOutletID, std::string& columns,
                          std::string& values, bool log) {
    std::set<std::string> written;
    auto add = [&](const std::string& column, const std::string& value) {
        if (!written.insert(UpperAscii(column)).second) return;
        columns += (columns.empty() ? "" : ",") + column;
        values += (values.empty() ? "" : ",") + value;
    };
    // The form's fields that a new booking may set.
    if (def_ != nullptr) {
        for (const auto& [code, f] : def_->Fields()) {
            const std::string column = f->DBField();
            if (f->IsPseudo() || !PlainName(column) || !f->DataFromResvTable() ||
                !def_->IsNewEnabled(*f) || SystemColumns().count(UpperAscii(column)) != 0)
                continue;
            const std::string value = resv_.GetFieldText(code);
            if (!value.empty()) add(column, ProfileDefinition::ValueSQL(*f, value));
        }
    }
    // What every booking carries, form or not.
    for (const char* column : {"ReserveDate", "ReserveTime", "ReserveCover", "ReserveType",
                               "ReserveMode", "GuestID", "OccupyCover"}) {
        if (resv_.HasField(column) && !resv_.GetFieldText(column).empty())
            add(column, PlainValueSQL(resv_.GetField(column)));
    }
    if (!written.count("RESERVETYPE")) add("ReserveType", SQLStr("N"));
    if (!written.count("GUESTID")) add("GuestID", "0");
    const bool waiting = WaitingList();
    add("DBServerID", Str(outlet.DBServerID()));
    add("OutletID", Str(outlet.OutletID()));
    add("ReserveNo", SQLStr(resv_.GetFieldText("ReserveNo")));
    add("MPOutletID", Str(mpOutletID));
    if (waiting) add("WaitDT", "GetDate()");
    add("CreateUserID", Str(UserID()));
    add("UpdateUserID", Str(UserID()));
    add("ReserveGUID", SQLStr(resv_.GetFieldText("ReserveGUID")));
    add("CustReserveNo", SQLStr(resv_.GetFieldText("ReserveNo")));
    add("ReserveStatus", SQLStr("N"));
    if (!waiting) {
        add("HierID", Str(resv_.GetFieldLong("HierID")));
        add("HierGroupID", Str(resv_.GetFieldLong("HierGroupID")));
    }
    if (log)
        Log(waiting ? "ReserveType=W,set sField and sValue seccess"
                    : "ReserveType=N,set sField and sValue seccess");
    add("CreateClientID", Str(ClientID()));
    add("UpdateClientID", Str(ClientID()));
    add("CreateDT", "GetDate()");
    add("UpdateDT", "GetDate()");
    add("RowModified", "GetDate()");
    add("UpdateCountByUser", "0");
    if (declined_) {
        add("RowStatus", SQLStr("X"));
        add("CancelMsgID", Str(resv_.GetFieldLong("CancelMsgID")));
        add("CancelMsgCat", SQLStr(resv_.GetFieldText("CancelMsgCat")));
        add("CancelMsgSubCat", SQLStr(resv_.GetFieldText("CancelMsgSubCat")));
        add("CancelUserID", Str(UserID()));
        add("CancelDT", "GetDate()");
    } else {
        add("RowStatus", SQLStr("A"));
    }
    if (log) Log("GetNewResvSQL  seccess");
    return true;
}

bool NewResv::GetReserveNo(SQLDB& db, const Outlet& outlet, std::string& number) {
    const std::vector<OutputParam> out = db.RunSPReturnParams(
        "sp_CM_GetReserveNo",
        {SQLDB::mp("@DBServerID", adInteger, 4, Variant(outlet.DBServerID())),
         SQLDB::mp("@Now", adVarChar, 10, Variant(DateTime::Now().Format("yyyy-mm-dd"))),
         SQLDB::mp("@OutletID", adInteger, 4, Variant(outlet.OutletID())),
         SQLDB::mp("@ReserveNo", adVarWChar, 50, Variant(), adParamOutput)});
    for (const OutputParam& p : out) {
        if (UpperAscii(p.Name) == "@RESERVENO" && !p.Value.IsNull()) {
            number = p.Value.ToText();
            return !number.empty();
        }
    }
    WriteLog("sp_CM_GetReserveNo: " + db.ErrDescription(), kClass, kProc);
    return false;
}

bool NewResv::TablesStillHeld(SQLDB& db) {
    for (const PickedTable& p : picked_) {
        const std::string sql =
            "SELECT COUNT(*) AS RecCnt FROM tbl_TableTemp WHERE TempID=" + Str(p.TempID) +
            " AND RowStatus=" + SQLStr("A") + " AND ClientID=" + Str(ClientID());
        std::shared_ptr<Recordset> rs = db.RunSQLReturnRS(sql);
        if (rs == nullptr || FieldLng(rs.get(), "RecCnt") == 0) {
            Refuse(GetMLText("The table is no longer held for this reservation") + ": " +
                   p.TableNo);
            return false;
        }
    }
    return true;
}

bool NewResv::NewDuplicates(SQLDB& db) {
    if (declined_ || WaitingList() || Walkin()) return false;
    Reservations now;
    if (!FindDuplicateResvs(db, def_, resv_, now)) return false;
    for (const auto& [id, r] : now.Items())
        if (!previous_.Exists(id)) return true;
    return false;
}

bool NewResv::SaveForOutlet(SQLDB& db, const Outlet& outlet, int32_t mpOutletID,
                            PacketList& packets) {
    const bool own = &outlet == outlet_;
    int32_t id = 0;
    {
        DBTransaction txn(db, kClass, kProc);
        if (!txn.Ok()) {
            Refuse("Reservation is not saved");
            return false;
        }
        if (own && !declined_ && !TablesStillHeld(db)) return false;
        if (own && NewDuplicates(db)) {
            Refuse("Duplicate reservation is just found");
            return false;
        }
        std::string number;
        if (!GetReserveNo(db, outlet, number)) {
            Refuse("Reservation is not saved");
            return false;
        }
        resv_.SetField("ReserveNo", Variant(number));
        resv_.SetField("ReserveGUID", Variant(NewGuid()));
        std::string columns, values;
        BuildInsert(outlet, mpOutletID, columns, values, false);
        const std::string sql = "Insert Into tbl_Reservation (" + columns + ") Values (" + values +
                                ")\r\nSelect @@Identity as ID";
        std::shared_ptr<Recordset> rs = FirstOpenRecordset(db.RunSQLReturnRS(sql));
        if (rs == nullptr || rs->Eof() || FieldLng(rs.get(), "ID") <= 0) {
            CopyErr(db.ErrNumber(), db.ErrDescription());
            WriteSQLLog(db.ErrDescription(), sql, kClass, kProc);
            Refuse("Reservation is not saved");
            return false;
        }
        id = FieldLng(rs.get(), "ID");
        if (!txn.Commit()) {
            Refuse("Reservation is not saved");
            return false;
        }
        if (own) reserveNo_ = number;
    }
    Log("Insert Into tbl_Reservation is seccess");
    resv_.SetField("ReserveID", Variant(id));
    PacketList docs{KIVFunc::DataChangeDoc(outlet.DBServerID(), "RESERVATION", kOpInsert,
                                           "tbl_reservation", "reserveid", id)};
    if (own && !declined_ && !picked_.empty()) {
        if (!BindTables(id, docs)) {
            Refuse("Fail to save reserve table for this reservation !");
            Withdraw(db, id);
            return false;
        }
        Log("Save reserve table seccess");
    }
    packets.insert(packets.end(), docs.begin(), docs.end());
    savedIDs_.push_back(id);
    return true;
}

bool NewResv::BindTables(int32_t reserveID, PacketList& packets) {
    if (static_cast<int32_t>(picked_.size()) > std::max(Covers(), 1)) {
        Refuse("Too many tables selected");
        return false;
    }
    // The party fills the tables in the order they were picked.
    int32_t covers = std::max(1, resv_.GetFieldLong("ReserveCover"));
    TableReserveMap bindings;
    int key = 0;
    for (const PickedTable& p : picked_) {
        auto tr = std::make_shared<TableReserve>();
        tr->SetTableNo(p.TableNo);
        tr->SetReserveID(reserveID);
        tr->SetCapacity(static_cast<int16_t>(p.Capacity));
        tr->SetIsShare(p.Shared ? 1 : 0);
        const int32_t seats = std::min<int32_t>(covers, std::max<int32_t>(p.Capacity, 0));
        tr->SetOccupied(static_cast<int16_t>(seats));
        tr->SetReserved(static_cast<int16_t>(seats));
        covers -= seats;
        bindings.Add(key++, tr);
    }
    Reservation r;
    r.CopyFrom(resv_);
    r.SetField("ReserveID", Variant(reserveID));
    return func_.DBTableResvUpdate(r, bindings, packets, false);
}

void NewResv::Withdraw(SQLDB& db, int32_t reserveID) {
    const std::string sql =
        "Update tbl_Reservation Set RowStatus = 'D' Where ReserveID = " + Str(reserveID);
    if (!db.RunSQLNoReturn(sql)) WriteSQLLog(db.ErrDescription(), sql, kClass, kProc);
}

void NewResv::CancelPrevious(PacketList& packets) {
    bool ok = true;
    for (const auto& [id, prev] : previous_.Items()) {
        DBFields fields;
        fields.Add("RowStatus", Variant("X"));
        fields.Add("CancelUserID", Variant(UserID()));
        fields.Add("CancelDT", Variant("GetDate()"), false);
        AddResvAuditFields(fields);
        PacketList docs;
        DBTransaction txn(*db_, kClass, kProc);
        if (!txn.Ok() || !func_.DBTableResvCancel(*prev, docs) ||
            !func_.DBResvUpdate(*prev, fields, docs, false) || !txn.Commit()) {
            txn.Fail();
            ok = false;
            continue;
        }
        packets.insert(packets.end(), docs.begin(), docs.end());
    }
    if (!ok) {
        UI().MessageBox(GetMLText("Error in cancelling previous reservation"), MsgIcon::Exclamation,
                        "CulinaroTable");
        WriteLog("Error in cancelling previous reservation", kClass, kProc);
    }
}

void NewResv::OfferBookerProfile(SQLDB& db, int32_t reserveID) {
    const int32_t guest = resv_.GetFieldLong("GuestID");
    const int32_t pseudo = g_oConfig != nullptr ? g_oConfig->PseudoGuestID() : 0;
    if ((guest > 0 && guest != pseudo) || Walkin()) return;
    if (Trim(resv_.GetFieldText("DYLastName")).empty() &&
        Trim(resv_.GetFieldText("ContactPhone")).empty())
        return;
    if (!UI().AskYesNo(GetMLText("Do you want to create a profile for this booker?"),
                       "CulinaroTable", false))
        return;
    SQLDB* guests = DefaultSQLDB();
    if (guests == nullptr) return;
    ProfileDefinition form;
    form.SetSQLDB(guests);
    form.SetLanguage(g_nLanguage);
    if (!form.LoadProfile(kProfileGuest)) return;
    form.FillDefaults();
    for (const auto& [code, f] : form.Fields()) {
        const std::string value = resv_.GetFieldText(code);
        if (!value.empty() && f->DataFromGuestTable() && form.IsNewEnabled(*f)) f->SetValue(value);
    }
    const int32_t id = form.SaveNewGuest(*guests);
    if (id <= 0) {
        UI().MessageBox(
            GetMLText(form.Message().empty() ? "Error in creating guest profile" : form.Message()),
            MsgIcon::Exclamation, "CulinaroTable");
        return;
    }
    resv_.SetField("GuestID", Variant(id));
    // The guest's account number lives on the default database; the booking
    // on the outlet's: read it there, write it here.
    std::string account;
    auto rs = guests->RunSQLReturnRS(
        "Select GuestNo From tbl_Guest Where RowStatus = 'A' And GuestID = " + Str(id));
    if (rs != nullptr && !rs->Eof()) account = FieldStr(rs.get(), "GuestNo");
    const std::string sql = "Update tbl_Reservation Set GuestID = " + Str(id) +
                            ", DYBookerAccountNo = " + SQLStr(account) +
                            " Where ReserveID = " + Str(reserveID);
    if (!db.RunSQLNoReturn(sql)) {
        WriteSQLLog(db.ErrDescription(), sql, kClass, kProc);
        return;
    }
    PacketList docs{KIVFunc::DataChangeDoc(outlet_->DBServerID(), "RESERVATION", kOpUpdate,
                                           "tbl_reservation", "reserveid", reserveID)};
    func_.SendDataChange(*outlet_, date_, mpOutletID_, kPriorityChange, docs);
}
