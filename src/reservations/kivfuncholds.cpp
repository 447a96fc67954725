// KIVFunc: temporary holds, settling, arrival covers, floor-plan changes
// and the active filter.
#include <map>

#include "core/config.h"
#include "core/globals.h"
#include "core/log.h"
#include "messaging/kivconnections.h"
#include "platform/textutil.h"
#include "registry/client.h"
#include "registry/dbconnections.h"
#include "reservations/dbtransaction.h"
#include "reservations/kivfunc.h"
#include "reservations/kivfuncsupport.h"
#include "sql/sqldb.h"
#include "venue/floorplan.h"
#include "venue/outlets.h"

namespace {

using kivfunc_support::kClass;
using kivfunc_support::ReadRC;
using kivfunc_support::ThisClientID;

// The standing holds of one table, date and meal period taken before the
// time-out: they no longer count and are released.
std::string ExpiredHoldsSQL(int32_t outletID, const DateTime& date, int32_t mpOutletID,
                            const std::string& tableNo) {
    return "SELECT TempID FROM tbl_TableTemp WHERE RowStatus = " + SQLStr("A") +
           " AND OutletID = " + Str(outletID) + " AND MPOutletID = " + Str(mpOutletID) +
           " AND ReserveDate = " + SQLStr(date.DateText()) + " AND TableNo = " + SQLStr(tableNo) +
           " AND HoldDT < DATEADD(minute, -" + Str(HoldTimeoutMinutes()) + ", GetDate())";
}

}  // namespace

int64_t KIVFunc::HoldTableRow(SQLDB& db, int32_t dbServerID, int32_t outletID, const DateTime& date,
                              int32_t mpOutletID, const std::string& tableNo, int32_t userID,
                              int32_t clientID, int32_t webSessionID, PacketList& released) {
    constexpr const char* kProc = "TempHoldTable";
    DBTransaction txn(db, kClass, kProc);
    if (!txn.Ok()) return kHoldError;
    std::vector<int32_t> expired;
    const std::string select = ExpiredHoldsSQL(outletID, date, mpOutletID, tableNo);
    std::shared_ptr<Recordset> rs = db.RunSQLReturnRS(select);
    if (rs == nullptr) {
        CopyErr(db.ErrNumber(), db.ErrDescription());
        WriteSQLLog(db.ErrDescription(), select, kClass, kProc);
        txn.Fail();
        return kHoldError;
    }
    for (; !rs->Eof(); rs->MoveNext())
        expired.push_back(FieldLng(rs.get(), "TempID"));
    PacketList docs;
    for (int32_t id : expired) {
        const std::string sql = "UPDATE tbl_TableTemp SET RowStatus= " + SQLStr("D") +
                                ", RowModified = GetDate() WHERE TempID= " + Str(id);
        if (!db.RunSQLNoReturn(sql)) {
            CopyErr(db.ErrNumber(), db.ErrDescription());
            WriteSQLLog(db.ErrDescription(), sql, kClass, kProc);
            txn.Fail();
            return kHoldError;
        }
        docs.push_back(
            DataChangeDoc(dbServerID, "RESERVATION", kOpUpdate, "tbl_tabletemp", "tempid", id));
    }
    std::shared_ptr<Recordset> result = db.RunSPReturnRS(
        "sp_CT_HoldTable",
        {SQLDB::mp("DBServerID", adInteger, 4, Variant(dbServerID)),
         SQLDB::mp("OutletID", adInteger, 4, Variant(outletID)),
         SQLDB::mp("ReserveDate", adDBTimeStamp, 8, Variant(date.Format("yyyy-mm-dd"))),
         SQLDB::mp("MPOutletID", adInteger, 4, Variant(mpOutletID)),
         SQLDB::mp("TableNo", adVarChar, 8, Variant(tableNo)),
         SQLDB::mp("UserID", adInteger, 4, Variant(userID)),
         SQLDB::mp("ClientID", adInteger, 4, Variant(clientID)),
         SQLDB::mp("WebSessionID", adInteger, 4,
                   webSessionID > 0 ? Variant(webSessionID) : Variant())});
    std::shared_ptr<Recordset> open = FirstOpenRecordset(result);
    if (open == nullptr || open->Eof()) {
        CopyErr(db.ErrNumber(), db.ErrDescription());
        WriteLog("sp_CT_HoldTable: " + db.ErrDescription(), kClass, kProc);
        txn.Fail();
        return kHoldError;
    }
    const int64_t tempID = FieldLng(open.get(), "TempID");
    if (!txn.Commit()) return kHoldError;
    released.insert(released.end(), docs.begin(), docs.end());
    return tempID;
}

std::unique_ptr<TableTemp> KIVFunc::TempHoldTable(SQLDB& db, int32_t dbServerID, int32_t outletID,
                                                  const DateTime& date, int32_t mpOutletID,
                                                  const std::string& tableNo, int32_t userID,
                                                  int32_t clientID, int32_t webSessionID,
                                                  int64_t* result) {
    constexpr const char* kProc = "TempHoldTable";
    PacketList packets;
    const int64_t tempID = HoldTableRow(db, dbServerID, outletID, date, mpOutletID, tableNo, userID,
                                        clientID, webSessionID, packets);
    if (result != nullptr) *result = tempID;
    const Outlet* outlet = GetOutlet(outletID);
    std::unique_ptr<TableTemp> hold;
    if (tempID > 0) {
        const std::string sql = "SELECT * FROM tbl_TableTemp WHERE TempID=" + Str(tempID);
        std::shared_ptr<Recordset> rs = db.RunSQLReturnRS(sql);
        hold = std::make_unique<TableTemp>();
        if (rs == nullptr || !hold->AddFromRS(rs.get())) {
            WriteSQLLog("Cannot read the hold back: " + db.ErrDescription(), sql, kClass, kProc);
            hold.reset();
        }
        packets.push_back(
            DataChangeDoc(dbServerID, "RESERVATION", kOpInsert, "tbl_tabletemp", "tempid", tempID));
    }
    // Expired holds released on the way are announced even when the table
    // still could not be held.
    if (outlet != nullptr) SendDataChange(*outlet, date, mpOutletID, kPriorityHold, packets);
    return hold;
}

bool KIVFunc::ReleaseTempHoldTable(const TableTemp& hold) {
    constexpr const char* kProc = "ReleaseTempHoldTable";
    const Outlet* outlet = GetOutlet(hold.OutletID());
    if (outlet == nullptr) {
        Fail(kProc, "Cannot retrieve Outlet With ID: " + Str(hold.OutletID()));
        return false;
    }
    SQLDB* db = g_oDBConns != nullptr ? g_oDBConns->GetSQLDB(outlet->DBServerID()) : nullptr;
    if (db == nullptr) {
        Fail(kProc, "Cannot retrieve SQLDB with id: " + Str(outlet->DBServerID()));
        return false;
    }
    const std::string sql = "UPDATE tbl_TableTemp SET RowStatus=" + SQLStr("D") +
                            " WHERE TempID = " + Str(hold.TempID()) +
                            " AND RowStatus=" + SQLStr("A") + " SELECT @@ROWCOUNT AS RC";
    std::shared_ptr<Recordset> rs;
    {
        DBTransaction txn(*db, kClass, kProc);
        if (!txn.Ok()) return false;
        rs = db->RunSQLReturnRS(sql);
        if (rs == nullptr) {
            CopyErr(db->ErrNumber(), db->ErrDescription());
            WriteSQLLog(db->ErrDescription(), sql, kClass, kProc);
            txn.Fail();
            return false;
        }
        if (!txn.Commit()) return false;
    }
    if (ReadRC(rs) <= 0) return false;
    PacketList packets{DataChangeDoc(outlet->DBServerID(), "RESERVATION", kOpUpdate,
                                     "tbl_tabletemp", "tempid", hold.TempID())};
    SendDataChange(*outlet, hold.ReserveDate(), hold.MPOutletID(), kPriorityHold, packets);
    return true;
}

bool KIVFunc::ReleaseAllTempHoldTables(int* released) {
    constexpr const char* kProc = "ReleaseAllTempHoldTables";
    if (released != nullptr) *released = 0;
    if (g_oDBConns == nullptr) return false;
    // Holds live on the database of their outlet's server: every server of
    // an outlet is asked once.
    std::map<int32_t, bool> servers;
    GetOutlet(0);  // reads the outlets when none were given
    bool ok = true;
    for (const auto& [outletID, outlet] : outlets_->Items())
        servers.emplace(outlet->DBServerID(), true);
    for (const auto& [serverID, unused] : servers) {
        SQLDB* db = g_oDBConns->GetSQLDB(serverID);
        if (db == nullptr) continue;
        const std::string select = "SELECT * FROM tbl_TableTemp WHERE RowStatus = " + SQLStr("A") +
                                   " AND ClientID= " + Str(ThisClientID()) + " ORDER BY OutletID";
        std::map<int32_t, std::vector<TableTemp>> byOutlet;
        std::vector<int32_t> order;
        {
            DBTransaction txn(*db, kClass, kProc);
            if (!txn.Ok()) {
                ok = false;
                continue;
            }
            std::shared_ptr<Recordset> rs = db->RunSQLReturnRS(select);
            if (rs == nullptr) {
                CopyErr(db->ErrNumber(), db->ErrDescription());
                WriteSQLLog(db->ErrDescription(), select, kClass, kProc);
                txn.Fail();
                ok = false;
                continue;
            }
            std::vector<TableTemp> holds;
            for (; !rs->Eof(); rs->MoveNext()) {
                TableTemp hold;
                if (hold.AddFromRS(rs.get())) holds.push_back(hold);
            }
            bool failed = false;
            for (const TableTemp& hold : holds) {
                const std::string sql = "UPDATE tbl_TableTemp SET RowStatus= " + SQLStr("D") +
                                        " WHERE TempID= " + Str(hold.TempID()) +
                                        " SELECT @@ROWCOUNT AS RC";
                std::shared_ptr<Recordset> up = db->RunSQLReturnRS(sql);
                if (up == nullptr) {
                    CopyErr(db->ErrNumber(), db->ErrDescription());
                    WriteSQLLog(db->ErrDescription(), sql, kClass, kProc);
                    failed = true;
                    break;
                }
                if (ReadRC(up) <= 0) continue;
                if (!byOutlet.count(hold.OutletID())) order.push_back(hold.OutletID());
                byOutlet[hold.OutletID()].push_back(hold);
            }
            if (failed) {
                txn.Fail();
                ok = false;
                continue;
            }
            if (!txn.Commit()) {
                ok = false;
                continue;
            }
        }
        // One packet per outlet, filtered on the outlet alone: its holds may
        // span several dates and meal periods.
        for (int32_t outletID : order) {
            const Outlet* outlet = GetOutlet(outletID);
            const std::vector<TableTemp>& holds = byOutlet[outletID];
            if (released != nullptr) *released += static_cast<int>(holds.size());
            if (outlet == nullptr) continue;
            PacketList packets;
            for (const TableTemp& hold : holds)
                packets.push_back(DataChangeDoc(serverID, "RESERVATION", kOpUpdate, "tbl_tabletemp",
                                                "tempid", hold.TempID()));
            const TableTemp& first = holds.front();
            SendDataChange(*outlet, first.ReserveDate(), first.MPOutletID(), kPriorityHold,
                           packets);
        }
    }
    return ok;
}

bool KIVFunc::ResvSettle(Reservation& resv, bool fillArrival) {
    constexpr const char* kProc = "ResvSettle";
    const std::optional<DateTime> date = ResvRowDate(resv, kProc, false);
    if (!date) return false;
    SQLDB* db = nullptr;
    const Outlet* outlet = ResvOutlet(resv, kProc, &db);
    if (outlet == nullptr) return false;
    PacketList packets;
    {
        DBTransaction txn(*db, kClass, kProc);
        if (!txn.Ok()) return false;
        const std::string select =
            "SELECT TableStatusID FROM tbl_TableStatus WHERE RowStatus = " + SQLStr("A") +
            " AND ReserveID = " + Str(resv.ReserveID());
        std::shared_ptr<Recordset> rs = db->RunSQLReturnRS(select);
        if (rs == nullptr) {
            CopyErr(db->ErrNumber(), db->ErrDescription());
            WriteSQLLog(db->ErrDescription(), select, kClass, kProc);
            txn.Fail();
            return false;
        }
        std::vector<int32_t> ids;
        for (; !rs->Eof(); rs->MoveNext())
            ids.push_back(FieldLng(rs.get(), "TableStatusID"));
        for (int32_t id : ids) {
            const std::string sql =
                "UPDATE tbl_TableStatus SET ReserveID=0 WHERE TableStatusID= " + Str(id) +
                " SELECT @@ROWCOUNT AS RC";
            std::shared_ptr<Recordset> up = db->RunSQLReturnRS(sql);
            if (up == nullptr) {
                CopyErr(db->ErrNumber(), db->ErrDescription());
                WriteSQLLog(db->ErrDescription(), sql, kClass, kProc);
                txn.Fail();
                return false;
            }
            if (ReadRC(up) > 0)
                packets.push_back(DataChangeDoc(outlet->DBServerID(), "TABLE_STATUS", kOpUpdate,
                                                "tbl_tablestatus", "tablestatusid", id));
        }
        DBFields fields;
        fields.Add("RowStatus", Variant("C"));
        if (fillArrival) {
            // A party never checked in has no arrival cover: the booked
            // covers are the best figure, never 0.
            const std::string arrival = resv.GetFieldText("ArrivalCover");
            const int32_t cover = arrival.empty() ? resv.GetFieldLong("ReserveCover")
                                                  : resv.GetFieldRoundedLong("ArrivalCover");
            fields.Add("ArrivalCover", Variant(cover));
            const std::optional<DateTime> time = resv.GetField("ReserveTime").ToDateTime();
            if (time) fields.Add("ArrivalTime", Variant(time->Format("hh:nn")));
        }
        AddResvAuditFields(fields);
        PacketList unused;  // the reservation's document is appended below
        if (!DBResvUpdate(resv, fields, unused, false)) {
            WriteLog("Update Resv fail", kClass, kProc);
            txn.Fail();
            return false;
        }
        if (!txn.Commit()) return false;
    }
    resv.SetField("RowStatus", Variant("C"));
    packets.push_back(DataChangeDoc(outlet->DBServerID(), "RESERVATION", kOpUpdate,
                                    "tbl_reservation", "reserveid", resv.ReserveID()));
    if (!SendDataChange(*outlet, *date, resv.GetFieldLong("MPOutletID"), kPriorityChange, packets))
        WriteLog("Send Message Fail", kClass, kProc);
    return true;
}

bool KIVFunc::ResvChangeArrivalCover(Reservation& resv, int32_t cover, const std::string& tableNo,
                                     bool checkTable) {
    constexpr const char* kProc = "ResvChangeArrivalCover";
    if (checkTable && !tableNo.empty()) {
        SQLDB* db = nullptr;
        const Outlet* outlet = ResvOutlet(resv, kProc, &db);
        if (outlet == nullptr) return false;
        const std::string sql =
            "SELECT ReserveID FROM tbl_TableStatus WHERE RowStatus=" + SQLStr("A") +
            " AND OutletID = " + Str(outlet->OutletID()) + " AND TableNo = " + SQLStr(tableNo);
        std::shared_ptr<Recordset> rs = db->RunSQLReturnRS(sql);
        if (rs == nullptr) {
            CopyErr(db->ErrNumber(), db->ErrDescription());
            WriteSQLLog(db->ErrDescription(), sql, kClass, kProc);
            return false;
        }
        const bool seatedHere = !rs->Eof() && FieldLng(rs.get(), "ReserveID") == resv.ReserveID();
        if (seatedHere && POSLinked(*outlet) &&
            !POSChagneCover(outlet->OutletID(), UpperAscii(tableNo), cover))
            return false;
    }
    DBFields fields;
    fields.Add("ArrivalCover", Variant(cover));
    AddResvAuditFields(fields);
    PacketList packets;
    if (!DBResvUpdate(resv, fields, packets, true)) {
        WriteLog("Update Resv fail", kClass, kProc);
        return false;
    }
    resv.SetField("ArrivalCover", Variant(cover));
    return true;
}

bool KIVFunc::SendFPChanged(const FloorPlan& plan) {
    constexpr const char* kProc = "SendFPChanged";
    const Outlet* outlet = GetOutlet(plan.OutletID());
    if (outlet == nullptr) {
        Fail(kProc, "Cannot retrieve Outlet With ID: " + Str(plan.OutletID()));
        return false;
    }
    PacketList packets{DataChangeDoc(outlet->DBServerID(), "RESERVATION", kOpUpdate,
                                     "tbl_floorplan", "fpid", plan.FPID())};
    if (!SendPacket(outlet->ServiceID(),
                    maker_.MakeDataChangePkt(kPriorityChange, nullptr, packets), kProc)) {
        WriteLog("Send Message Fail", kClass, kProc);
        return false;
    }
    return true;
}

bool KIVFunc::SetActiveFilter(const DateTime& date, int32_t outletID, int32_t mpOutletID) {
    constexpr const char* kProc = "SetActiveFilter";
    const Outlet* outlet = GetOutlet(outletID);
    if (outlet == nullptr) {
        Fail(kProc, "Cannot retrieve Outlet With ID: " + Str(outletID));
        return false;
    }
    const int32_t serviceID = outlet->ServiceID();
    if (conn_ == nullptr || conn_->GetKIVServer(serviceID) == nullptr) {
        SetErr(kErrItemNotFound, kClass, kProc,
               "Service with ID:" + Str(serviceID) + " does not exists");
        WriteLog("Service with ID:" + Str(serviceID) + " does not exists", kClass, kProc);
        return false;
    }
    const int level = g_oConfig != nullptr ? g_oConfig->FilterLevel() : 3;
    PacketItem filter;
    if (level >= 1) filter.push_back({"outletid", Str(outletID)});
    if (level >= 2) filter.push_back({"reservedate", date.Format("yyyy-mm-dd")});
    if (level >= 3) filter.push_back({"mealperiodid", Str(mpOutletID)});
    const std::string packet = maker_.MakeActOutletPkt(filter);
    if (packet.empty()) {
        Fail(kProc, "Make ActOutletPkt fail");
        return false;
    }
    // Each server keeps what it was told, so that a reconnect can tell it again.
    KIVServer* own = conn_->GetKIVServer(serviceID);
    bool ok = true, sentOwn = false;
    if (own->InitConn() || !own->Connected()) {
        conn_->SetCurrentFilter(serviceID, packet);
        ok = conn_->SendMessage(serviceID, packet);
        sentOwn = true;
    }
    for (auto& [id, server] : conn_->KIVServers()) {
        if ((id == serviceID && sentOwn) || !server->Connected()) continue;
        conn_->SetCurrentFilter(id, packet);
        if (!conn_->SendMessage(id, packet)) ok = false;
    }
    return ok;
}
