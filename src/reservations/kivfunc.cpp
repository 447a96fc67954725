#include "reservations/kivfunc.h"

#include <map>

#include "core/config.h"
#include "core/globals.h"
#include "core/log.h"
#include "messaging/kivconnections.h"
#include "messaging/posservers.h"
#include "platform/textutil.h"
#include "registry/client.h"
#include "registry/dbconnections.h"
#include "reservations/dbtransaction.h"
#include "reservations/kivfuncsupport.h"
#include "sql/sqldb.h"
#include "users/user.h"
#include "venue/accounts.h"
#include "venue/floorplan.h"
#include "venue/outlets.h"

namespace {

using kivfunc_support::kClass;
using kivfunc_support::ReadRC;
using kivfunc_support::ThisClientID;

constexpr const char* kBindingOutletText = "Cannot retreive Outlet: ";

int32_t SignedInUserID() {
    return g_oUser != nullptr ? g_oUser->UserID() : 0;
}

std::string TimeOrNull(const DateTime& t) {
    return t.Year <= 1900 && t.Hour == 0 && t.Minute == 0 ? "NULL" : "'" + t.Format("hh:nn") + "'";
}

// Runs `sql` on `db`; each selected row's first column as an id.
bool SelectIDs(SQLDB& db, const std::string& sql, const std::string& column,
               std::vector<int32_t>& ids) {
    std::shared_ptr<Recordset> rs = db.RunSQLReturnRS(sql);
    if (rs == nullptr) return false;
    for (; !rs->Eof(); rs->MoveNext())
        ids.push_back(FieldLng(rs.get(), column));
    return true;
}

}  // namespace

void AddResvAuditFields(DBFields& fields) {
    fields.Add("RowModified", Variant("GetDate()"), false);
    fields.Add("UpdateDT", Variant("GetDate()"), false);
    fields.Add("UpdateUserID", Variant(SignedInUserID()));
    fields.Add("UpdateClientID", Variant(ThisClientID()));
}

KIVFunc::KIVFunc() = default;
KIVFunc::~KIVFunc() = default;

PacketItem KIVFunc::DataChangeDoc(int32_t dbServerID, const std::string& module, int operation,
                                  const std::string& table, const std::string& field, int64_t id) {
    return PacketMaker::CreateDataChangeMsg(dbServerID, module, operation, LowerAscii(table),
                                            LowerAscii(field), id);
}

void KIVFunc::Fail(const char* procedure, const std::string& message) {
    SetErr(kErrItemNotFound, kClass, procedure, message);
    WriteLog(message, kClass, procedure);
}

const Outlet* KIVFunc::GetOutlet(int32_t outletID) {
    if (outlets_ == nullptr) {
        ownOutlets_ = std::make_unique<Outlets>();
        SQLDB* db = DefaultSQLDB();
        if (db != nullptr) ownOutlets_->Load(*db);
        outlets_ = ownOutlets_.get();
    }
    return outlets_->GetOutletByID(outletID);
}

const Outlet* KIVFunc::ResvOutlet(const Reservation& resv, const char* procedure, SQLDB** db,
                                  const char* outletText, const char* dbText) {
    const int32_t outletID = resv.GetFieldLong("OutletID");
    const Outlet* outlet = GetOutlet(outletID);
    if (outlet == nullptr) {
        Fail(procedure, outletText + Str(outletID));
        return nullptr;
    }
    SQLDB* sqldb = g_oDBConns != nullptr ? g_oDBConns->GetSQLDB(outlet->DBServerID()) : nullptr;
    if (sqldb == nullptr) {
        Fail(procedure, dbText + Str(outlet->DBServerID()));
        return nullptr;
    }
    *db = sqldb;
    return outlet;
}

std::optional<DateTime> KIVFunc::ResvRowDate(const Reservation& resv, const char* procedure,
                                             bool needOutlet) {
    if (needOutlet && resv.GetFieldLong("OutletID") == 0) {
        Fail(procedure, "OutletID does not exist");
        return std::nullopt;
    }
    if (resv.GetFieldLong("MPOutletID") == 0) {
        Fail(procedure, "MPOutletID does not exist");
        return std::nullopt;
    }
    std::optional<DateTime> date = resv.GetField("ReserveDate").ToDateTime();
    if (!date) Fail(procedure, "ResvDate does not exist");
    return date;
}

bool KIVFunc::SendPacket(int32_t serviceID, const std::string& packet, const char* procedure) {
    if (packet.empty()) {
        Fail(procedure, "Make packet fail");
        return false;
    }
    if (conn_ == nullptr) {
        WriteLog("No server connection: the change is not announced", kClass, procedure,
                 kLogWarning);
        return false;
    }
    if (!conn_->SendMessage(serviceID, packet)) {
        CopyErr(conn_->ErrNumber(), conn_->ErrDescription());
        WriteLog("Send Message Fail", kClass, procedure);
        return false;
    }
    return true;
}

bool KIVFunc::SendDataChange(const Outlet& outlet, const DateTime& date, int32_t mpOutletID,
                             const std::string& priority, const PacketList& packets) {
    if (packets.empty()) return true;
    const PacketItem filter =
        PacketMaker::CreateFilter(outlet.OutletID(), date.Format("yyyy-mm-dd"), mpOutletID);
    return SendPacket(outlet.ServiceID(), maker_.MakeDataChangePkt(priority, &filter, packets),
                      "SendDataChange");
}

bool KIVFunc::DBResvUpdate(Reservation& resv, const DBFields& fields, PacketList& packets,
                           bool sendNow) {
    constexpr const char* kProc = "DBResvUpdate";
    const std::optional<DateTime> date = ResvRowDate(resv, kProc, true);
    if (!date) return false;
    SQLDB* db = nullptr;
    const Outlet* outlet =
        ResvOutlet(resv, kProc, &db, "Cannot retrieve outlet with id:", "Cannot retrieve SQLDB : ");
    if (outlet == nullptr) return false;
    std::string set;
    if (fields.Count() == 0 || !fields.SetList(set)) {
        Fail(kProc, "Invalid update set");
        return false;
    }
    const std::string sql = " UPDATE tbl_Reservation SET " + set + " WHERE " +
                            " ReserveID = " + Str(resv.ReserveID()) + " Select @@ROWCOUNT AS RC";
    DBTransaction txn(*db, kClass, kProc);
    if (!txn.Ok()) return false;
    std::shared_ptr<Recordset> rs = db->RunSQLReturnRS(sql);
    if (rs == nullptr) {
        CopyErr(db->ErrNumber(), db->ErrDescription());
        WriteSQLLog(db->ErrDescription(), sql, kClass, kProc);
        txn.Fail();
        return false;
    }
    const int64_t rc = ReadRC(rs);
    if (rc < 0) {
        Fail(kProc, "oRS.EOF is true");
        txn.Fail();
        return false;
    }
    if (rc < 1) {
        Fail(kProc, Str(rc) + " rows updated");
        txn.Fail();
        return false;
    }
    if (!txn.Commit()) return false;
    packets.push_back(DataChangeDoc(outlet->DBServerID(), "RESERVATION", kOpUpdate,
                                    "tbl_reservation", "reserveid", resv.ReserveID()));
    if (sendNow) {
        const std::optional<DateTime> shown = resv.GetField("ReserveDate").ToDateTime();
        SendDataChange(*outlet, shown.value_or(*date), resv.GetFieldLong("MPOutletID"),
                       kPriorityChange, packets);
    }
    return true;
}

// Sets the status of the reservation's bindings that meet `rowCondition`,
// one document per row.
bool KIVFunc::UpdateBindingStatus(Reservation& resv, const std::string& rowCondition,
                                  const std::string& status, const char* procedure,
                                  const std::string& invalidText, PacketList& packets) {
    SQLDB* sqldb = nullptr;
    const Outlet* found = ResvOutlet(resv, procedure, &sqldb, kBindingOutletText);
    if (found == nullptr) return false;
    SQLDB& db = *sqldb;
    const Outlet& outlet = *found;
    const std::string select =
        "SELECT TableReserveID FROM tbl_TableReserve WHERE ReserveID = " + Str(resv.ReserveID()) +
        rowCondition;
    const int32_t id = resv.ReserveID();
    if (id <= 0) {
        Fail(procedure, invalidText + Str(id));
        return false;
    }
    DBTransaction txn(db, kClass, procedure);
    if (!txn.Ok()) return false;
    std::vector<int32_t> ids;
    if (!SelectIDs(db, select, "TableReserveID", ids)) {
        CopyErr(db.ErrNumber(), db.ErrDescription());
        WriteSQLLog(db.ErrDescription(), select, kClass, procedure);
        txn.Fail();
        return false;
    }
    PacketList docs;
    for (int32_t trID : ids) {
        const std::string sql = "UPDATE tbl_TableReserve SET RowStatus=" + SQLStr(status) +
                                ", RowModified = GetDate() " +
                                " WHERE TableReserveID = " + Str(trID);
        if (!db.RunSQLNoReturn(sql)) {
            CopyErr(db.ErrNumber(), db.ErrDescription());
            WriteSQLLog(db.ErrDescription(), sql, kClass, procedure);
            txn.Fail();
            return false;
        }
        docs.push_back(DataChangeDoc(outlet.DBServerID(), "RESERVATION", kOpUpdate,
                                     "tbl_tablereserve", "tablereserveid", trID));
    }
    if (!txn.Commit()) return false;
    packets.insert(packets.end(), docs.begin(), docs.end());
    return true;
}

bool KIVFunc::DBResvDelete(Reservation& resv, PacketList& packets) {
    return UpdateBindingStatus(resv, " AND RowStatus <>  " + SQLStr("D"), "D", "DBResvDelete",
                               "Invalid Reserve ID ", packets);
}

bool KIVFunc::DBTableResvCancel(Reservation& resv, PacketList& packets) {
    return UpdateBindingStatus(resv, " AND RowStatus =  " + SQLStr("A"), "X", "DBTableResvCancel",
                               "Invalid Reserve ID : ", packets);
}

bool KIVFunc::DBTableResvUpdate(Reservation& resv, TableReserveMap& newOnes, PacketList& packets,
                                bool keepCheck) {
    constexpr const char* kProc = "DBTableResvUpdate";
    SQLDB* db = nullptr;
    const Outlet* outlet = ResvOutlet(resv, kProc, &db, kBindingOutletText);
    if (outlet == nullptr) return false;
    const int32_t id = resv.ReserveID();
    DBTransaction txn(*db, kClass, kProc);
    if (!txn.Ok()) return false;
    auto fail = [&](const std::string& sql) { return txn.FailStatement(sql, *this); };
    // 1. The live bindings, by table number.
    const std::string select = "SELECT * FROM tbl_TableReserve WHERE ReserveID = " + Str(id) +
                               " AND RowStatus <>  " + SQLStr("D");
    std::shared_ptr<Recordset> rs = db->RunSQLReturnRS(select);
    if (rs == nullptr) return fail(select);
    std::map<std::string, TableReserve> old;
    std::vector<int32_t> oldIDs;
    for (; !rs->Eof(); rs->MoveNext()) {
        TableReserve tr;
        if (!tr.LoadColumns(rs.get())) continue;
        oldIDs.push_back(tr.TableReserveID());
        old.emplace(UpperAscii(tr.TableNo()), tr);
    }
    PacketList docs;
    // 3. Every old row is marked deleted.
    for (int32_t trID : oldIDs) {
        const std::string sql = "UPDATE tbl_TableReserve Set RowStatus=" + SQLStr("D") +
                                ", RowModified = GetDate() " + " WHERE TableReserveID=" + Str(trID);
        if (!db->RunSQLNoReturn(sql)) return fail(sql);
        docs.push_back(DataChangeDoc(outlet->DBServerID(), "RESERVATION", kOpUpdate,
                                     "tbl_tablereserve", "tablereserveid", trID));
    }
    // 2 and 4. Each new table once, with the POS data of its old binding.
    std::map<std::string, bool> seen;
    for (auto& [key, tr] : newOnes) {
        const std::string no = UpperAscii(tr->TableNo());
        if (!seen.emplace(no, true).second) continue;
        auto before = old.find(no);
        if (before != old.end()) tr->CopyCheckData(before->second);
        const bool withCheck = keepCheck || before != old.end();
        std::string columns = " RowModified,RowStatus, Capacity,IsShare, Occupied,Reserved,";
        std::string values = "GetDate()," + SQLStr("A") + "," + Str(tr->Capacity()) + "," +
                             Str(tr->IsShare()) + "," + Str(tr->Occupied()) + "," +
                             Str(tr->Reserved()) + ",";
        if (withCheck) {
            columns +=
                " POSTableNo,CheckNo,CheckOpenTime,CheckPrintTime,CheckCloseTime,"
                "CheckCover,CheckTotal ,";
            values += SQLStr(tr->POSTableNo()) + "," + SQLStr(tr->CheckNo()) + "," +
                      TimeOrNull(tr->CheckOpenTime()) + "," + TimeOrNull(tr->CheckPrintTime()) +
                      "," + TimeOrNull(tr->CheckCloseTime()) + "," + Str(tr->CheckCover()) + "," +
                      Variant(static_cast<double>(tr->CheckTotal())).ToText() + ",";
        }
        const std::string sql = "INSERT INTO tbl_TableReserve (" + columns +
                                " ReserveID,TableNo,DBServerID ) Values ( " + values + Str(id) +
                                "," + SQLStr(tr->TableNo()) + "," + Str(outlet->DBServerID()) +
                                ")" + " SELECT @@IDENTITY AS ID";
        std::shared_ptr<Recordset> ins = FirstOpenRecordset(db->RunSQLReturnRS(sql));
        if (ins == nullptr || ins->Eof()) return fail(sql);
        const int32_t newID = FieldLng(ins.get(), "ID");
        docs.push_back(DataChangeDoc(outlet->DBServerID(), "RESERVATION", kOpInsert,
                                     "tbl_tablereserve", "tablereserveid", newID));
    }
    if (!txn.Commit()) return false;
    packets.insert(packets.end(), docs.begin(), docs.end());
    return true;
}

bool KIVFunc::DBTableStatusUpdate(Reservation& resv, const TableReserveMap& oldOnes,
                                  TableReserveMap& newOnes, PacketList& packets) {
    constexpr const char* kProc = "DBTableStatusUpdate";
    if (oldOnes.Count() > 1 || newOnes.Count() > 1) return true;
    if (oldOnes.Count() == 0 || newOnes.Count() == 0) return true;
    SQLDB* db = nullptr;
    const Outlet* outlet = ResvOutlet(resv, kProc, &db);
    if (outlet == nullptr) return false;
    const TableReserve& from = *oldOnes.begin()->second;
    TableReserve& to = *newOnes.begin()->second;
    // A binding without a POS table number stands for its own table.
    auto posNo = [](const TableReserve& tr) {
        return SQLStr(tr.POSTableNo().empty() ? tr.TableNo() : tr.POSTableNo());
    };
    const std::string base =
        "SELECT * FROM tbl_TableStatus WHERE RowStatus = " + SQLStr("A") + " AND TableNo IN (";
    const std::string oldSql = base + posNo(from) + ") AND ReserveID=" + Str(resv.ReserveID()) +
                               " AND OutletID=  " + Str(outlet->OutletID());
    const std::string newSql = base + posNo(to) + ") AND OutletID=  " + Str(outlet->OutletID());
    auto fail = [&](const std::string& sql) {
        CopyErr(db->ErrNumber(), db->ErrDescription());
        WriteSQLLog(db->ErrDescription(), sql, kClass, kProc);
        return false;
    };
    // Read before any transaction: the POS request below waits for the
    // POS, whose own change of these rows must not collide with ours.
    std::shared_ptr<Recordset> oldRs = db->RunSQLReturnRS(oldSql);
    if (oldRs == nullptr) return fail(oldSql);
    std::shared_ptr<Recordset> newRs = db->RunSQLReturnRS(newSql);
    if (newRs == nullptr) return fail(newSql);
    if (oldRs->Eof() || newRs->Eof()) return true;  // no live status to move
    const int32_t oldID = FieldLng(oldRs.get(), "TableStatusID");
    const int32_t newID = FieldLng(newRs.get(), "TableStatusID");
    // A check open on the old table moves with the party: the POS is asked
    // first, and its refusal leaves both tables as they are.
    const std::string oldState = UpperAscii(FieldStr(oldRs.get(), "TableStatus"));
    if (!oldState.empty() && oldState != "V" && oldState != "C" && POSLinked(*outlet) &&
        !POSChangeTable(outlet->OutletID(), FieldStr(newRs.get(), "TableNo"),
                        FieldStr(oldRs.get(), "TableNo")))
        return false;
    const std::string sql = "UPDATE tbl_TableStatus SET ReserveID = " + Str(resv.ReserveID()) +
                            " WHERE TableStatusID= " + Str(newID) +
                            " UPDATE tbl_TableStatus SET ReserveID = 0 " +
                            " WHERE TableStatusID= " + Str(oldID);
    DBTransaction txn(*db, kClass, kProc);
    if (!txn.Ok()) return false;
    if (!db->RunSQLNoReturn(sql)) {
        txn.Fail();
        return fail(sql);
    }
    if (!txn.Commit()) return false;
    to.SetCheck(FieldStr(oldRs.get(), "CheckNo"), FieldDate(oldRs.get(), "CheckOpenTime"),
                FieldLng(oldRs.get(), "CheckCover"), FieldSng(oldRs.get(), "CheckTotal"));
    for (int32_t id : {newID, oldID})
        packets.push_back(DataChangeDoc(outlet->DBServerID(), "RESERVATION", kOpUpdate,
                                        "tbl_tablestatus", "tablestatusid", id));
    return true;
}

bool KIVFunc::GetTableReserve(Reservation& resv) {
    constexpr const char* kProc = "GetTableReserve";
    const int32_t outletID = resv.GetFieldLong("OutletID");
    const Outlet* outlet = GetOutlet(outletID);
    if (outlet == nullptr) {
        Fail(kProc, "Cannot retrieve Outlet ID : " + Str(outletID));
        return false;
    }
    SQLDB* db = g_oDBConns != nullptr ? g_oDBConns->GetSQLDB(outlet->DBServerID()) : nullptr;
    if (db == nullptr) {
        Fail(kProc, "Cannot retieve SQLDB ID: " + Str(outlet->DBServerID()));
        return false;
    }
    const std::string sql = "SELECT * FROM tbl_TableReserve WHERE RowStatus <>  " + SQLStr("D") +
                            " AND ReserveID = " + Str(resv.ReserveID());
    std::shared_ptr<Recordset> rs = db->RunSQLReturnRS(sql);
    if (rs == nullptr) {
        CopyErr(db->ErrNumber(), db->ErrDescription());
        WriteSQLLog(db->ErrDescription(), sql, kClass, kProc);
        return false;
    }
    for (; !rs->Eof(); rs->MoveNext()) {
        auto tr = std::make_shared<TableReserve>();
        if (!tr->Load(rs.get())) continue;
        if (!resv.TableReserves().Exists(tr->TableReserveID()))
            resv.TableReserves().Add(tr->TableReserveID(), tr);
    }
    return true;
}
