// KIVFunc: checking a party in, undoing it, and swapping the tables of two
// reservations.
#include <algorithm>

#include "core/globals.h"
#include "core/log.h"
#include "platform/textutil.h"
#include "reservations/dbtransaction.h"
#include "reservations/kivfunc.h"
#include "reservations/kivfuncsupport.h"
#include "sql/sqldb.h"
#include "venue/outlets.h"

namespace {

using kivfunc_support::kClass;

// One live status row as check-in reads it.
struct StatusRow {
    int32_t id = 0;
    std::string tableNo;
    std::string state;
    int32_t reserveID = 0;
};

// The active bindings of the reservation, in the order they were made.
bool ActiveBindings(SQLDB& db, int32_t reserveID, std::vector<TableReserve>& out) {
    std::shared_ptr<Recordset> rs =
        db.RunSQLReturnRS("SELECT * FROM tbl_TableReserve WHERE RowStatus = " + SQLStr("A") +
                          " AND ReserveID = " + Str(reserveID) + " ORDER BY TableReserveID");
    if (rs == nullptr) return false;
    for (; !rs->Eof(); rs->MoveNext()) {
        TableReserve tr;
        if (tr.Load(rs.get())) out.push_back(tr);
    }
    return true;
}

std::string QuotedList(const std::vector<TableReserve>& bindings) {
    std::string list;
    for (const TableReserve& tr : bindings)
        list += (list.empty() ? "" : ",") + SQLStr(tr.TableNo());
    return list;
}

bool IsOpenCheck(const std::string& state) {
    return state == "O" || state == "B" || state == "C";
}

}  // namespace

std::string KIVFunc::POSGuestName(SQLDB& db, const Reservation& resv) {
    std::string first = resv.GetFieldText("DYFirstName"), last = resv.GetFieldText("DYLastName");
    std::string salutation = resv.GetFieldText("DYSalutation");
    const int32_t guestID = resv.GetFieldLong("GuestID");
    if (first.empty() && last.empty() && guestID > 0) {
        std::shared_ptr<Recordset> rs = db.RunSQLReturnRS(
            "SELECT DYFirstName, DYLastName, DYSalutation FROM tbl_Guest WHERE GuestID = " +
            Str(guestID));
        if (rs != nullptr && !rs->Eof()) {
            first = FieldStr(rs.get(), "DYFirstName");
            last = FieldStr(rs.get(), "DYLastName");
            if (salutation.empty()) salutation = FieldStr(rs.get(), "DYSalutation");
        }
    }
    std::string name = Trim(first + " " + last);
    if (!salutation.empty()) name += ", " + salutation;
    return name;
}

bool KIVFunc::PassResvToPOS(SQLDB& db, const Outlet& outlet, const Reservation& resv,
                            const std::string& tableNo) {
    constexpr const char* kProc = "ResvCheckIn";
    // The house account "99999999" stands for guests without a profile of
    // their own: their reference numbers are nobody's and are not sent.
    const std::string sql =
        " SELECT R.ReserveGUID, R.ReserveID, R.GuestID, "
        " Convert(char(40),IsNull(G.RefNo1,'') ) + Convert(char(40),IsNull(G.RefNo2,'') ) "
        " + Convert(char(40),IsNull(G.RefNo3,'') ) + Convert(char(40),IsNull(G.RefNo4,'') ) As "
        "RefNo FROM tbl_Reservation As R "
        " Left Join tbl_Guest As G On G.GuestID = R.GuestID And G.RowStatus = 'A' And "
        "G.DYAccountNo <> '99999999' "
        " WHERE R.ReserveID = " +
        Str(resv.ReserveID());
    std::shared_ptr<Recordset> rs = db.RunSQLReturnRS(sql);
    if (rs == nullptr || rs->Eof()) {
        if (rs == nullptr) WriteSQLLog(db.ErrDescription(), sql, kClass, kProc);
        return false;
    }
    std::string refNo = FieldStr(rs.get(), "RefNo");
    if (Trim(refNo).empty()) refNo.clear();
    if (!POSEditResv(outlet.OutletID(), tableNo, FieldStr(rs.get(), "ReserveGUID"),
                     resv.GetFieldText("Remark"), POSGuestName(db, resv), refNo,
                     resv.GetFieldText("DYAccountNo") + resv.GetFieldText("DYHolderNo"))) {
        WriteLog("Fail to EditPOSResv: " + ErrDescription(), kClass, kProc);
        return false;
    }
    return true;
}

bool KIVFunc::ResvCheckIn(Reservation& resv, int32_t cover, bool force,
                          const DateTime& businessDate, std::vector<std::string>* queued) {
    constexpr const char* kProc = "ResvCheckIn";
    if (resv.ReserveID() <= 0) {
        WriteLog("oResv is nothing", kClass, kProc);
        Fail(kProc, "Invalid parameter");
        return false;
    }
    const std::optional<DateTime> date = ResvRowDate(resv, kProc, false);
    if (!date) return false;
    SQLDB* db = nullptr;
    const Outlet* outlet =
        ResvOutlet(resv, kProc, &db, "Cannot retrieve Outlet ID: ", "Cannot retrieve SQLDB:");
    if (outlet == nullptr) return false;
    if (date->DateText() != businessDate.DateText()) {
        Fail(kProc, "Check-in only on the business date");
        return false;
    }
    const int32_t id = resv.ReserveID();
    const int32_t mp = resv.GetFieldLong("MPOutletID");
    std::vector<TableReserve> bindings;
    if (!ActiveBindings(*db, id, bindings)) {
        CopyErr(db->ErrNumber(), db->ErrDescription());
        WriteLog(db->ErrDescription(), kClass, kProc);
        return false;
    }
    if (bindings.empty()) {
        Fail(kProc, "Please select table first");
        return false;
    }
    if (cover <= 0) cover = std::max(1, resv.GetFieldLong("ReserveCover"));
    // The live row of each table (the procedure makes a missing one).
    auto readRows = [&](std::vector<StatusRow>& rows) {
        rows.clear();
        for (const TableReserve& tr : bindings) {
            const std::string sql = "EXEC sp_SV_GetTableStatus " + Str(outlet->OutletID()) + "," +
                                    Str(mp) + "," + SQLStr(tr.TableNo());
            std::shared_ptr<Recordset> rs = FirstOpenRecordset(db->RunSQLReturnRS(sql));
            if (rs == nullptr || rs->Eof()) {
                CopyErr(db->ErrNumber(), db->ErrDescription());
                WriteSQLLog(db->ErrDescription(), sql, kClass, kProc);
                return false;
            }
            rows.push_back({FieldLng(rs.get(), "TableStatusID"), FieldStr(rs.get(), "TableNo"),
                            UpperAscii(FieldStr(rs.get(), "TableStatus")),
                            FieldLng(rs.get(), "ReserveID")});
        }
        return true;
    };
    std::vector<StatusRow> rows;
    if (!readRows(rows)) return false;
    const bool linked = POSLinked(*outlet);
    // One check for the party, on its first table, unless a check is open
    // there already (the party seated there keeps it; this one queues).
    if (linked) {
        const StatusRow& first = rows.front();
        const bool freeTable = first.reserveID == 0 || first.reserveID == id;
        if (outlet->OpenPOSCheck() != 0 && !IsOpenCheck(first.state) && (freeTable || force) &&
            !OpenTable(outlet->OutletID(), first.tableNo, cover)) {
            WriteLog("Open Check fail", kClass, kProc);
            return false;
        }
        PassResvToPOS(*db, *outlet, resv, first.tableNo);
        if (!readRows(rows)) return false;
    }
    const std::string merge = rows.size() > 1 ? "1" : "0";
    const std::string submit = linked ? "1" : "0";
    PacketList packets;
    {
        DBTransaction txn(*db, kClass, kProc);
        if (!txn.Ok()) return false;
        auto fail = [&](const std::string& sql) { return txn.FailStatement(sql, *this); };
        for (const StatusRow& row : rows) {
            const std::string bind = " UPDATE tbl_TableStatus SET MergeStatus= " + merge +
                                     " ,ReserveID=" + Str(id) + ",RowModified=GetDate()" +
                                     " ,LastCleanTime=NULL, SubmitResvInfoToPOS = " + submit;
            std::string sql;
            if (force) {
                sql = bind + " WHERE TableStatusID=" + Str(row.id);
            } else {
                sql = "IF EXISTS (SELECT * FROM tbl_TableStatus WHERE  RowStatus = " + SQLStr("A") +
                      " AND (ReserveID=" + Str(id) +
                      " OR ReserveID=0 OR ReserveID IS NULL) AND  TableStatusID=" + Str(row.id) +
                      ")" + bind + "   WHERE TableStatusID=" + Str(row.id) + " ELSE " +
                      " UPDATE tbl_TableStatus SET WaitMergeStatus= " + merge +
                      " ,WaitReserveID=" + Str(id) + ",RowModified=GetDate()" +
                      " ,LastCleanTime=NULL, SubmitResvInfoToPOS = " + submit +
                      " WHERE TableStatusID=" + Str(row.id);
            }
            if (!db->RunSQLNoReturn(sql)) return fail(sql);
            packets.push_back(DataChangeDoc(outlet->DBServerID(), "RESERVATION", kOpUpdate,
                                            "tbl_tablestatus", "tablestatusid", row.id));
        }
        for (std::size_t i = 0; i < bindings.size(); ++i) {
            const std::string sql =
                "UPDATE tbl_TableReserve SET  POSTableNo=" + SQLStr(rows[i].tableNo) +
                " WHERE TableReserveID = " + Str(bindings[i].TableReserveID()) +
                " SELECT @@ROWCOUNT AS RC";
            std::shared_ptr<Recordset> rs = db->RunSQLReturnRS(sql);
            if (rs == nullptr) return fail(sql);
            if (kivfunc_support::ReadRC(rs) > 0)
                packets.push_back(DataChangeDoc(outlet->DBServerID(), "RESERVATION", kOpUpdate,
                                                "tbl_tablereserve", "tablereserveid",
                                                bindings[i].TableReserveID()));
        }
        DBFields fields;
        fields.Add("ArrivalCover", Variant(cover));
        fields.Add("ArrivalTime", Variant(DateTime::Now().Format("hh:nn")));
        AddResvAuditFields(fields);
        if (!DBResvUpdate(resv, fields, packets, false)) {
            WriteLog("Update Resv fail", kClass, kProc);
            txn.Fail();
            return false;
        }
        if (!txn.Commit()) return false;
    }
    if (queued != nullptr) {
        std::shared_ptr<Recordset> rs = db->RunSQLReturnRS(
            "SELECT TableNo FROM tbl_TableStatus WHERE RowStatus = 'A' AND WaitReserveID = " +
            Str(id) + " AND OutletID = " + Str(outlet->OutletID()) + " ORDER BY TableNo");
        for (; rs != nullptr && !rs->Eof(); rs->MoveNext())
            queued->push_back(FieldStr(rs.get(), "TableNo"));
    }
    resv.SetField("ArrivalCover", Variant(cover));
    if (!SendDataChange(*outlet, *date, mp, kPriorityChange, packets))
        WriteLog("Send Message Fail", kClass, kProc);
    return true;
}

bool KIVFunc::ResvCheckInUndo(Reservation& resv) {
    constexpr const char* kProc = "ResvCheckIn";
    const std::optional<DateTime> date = ResvRowDate(resv, kProc, false);
    if (!date) return false;
    SQLDB* db = nullptr;
    const Outlet* outlet =
        ResvOutlet(resv, kProc, &db, "Cannot retrieve Outlet ID: ", "Cannot retrieve SQLDB:");
    if (outlet == nullptr) return false;
    const int32_t id = resv.ReserveID();
    const std::string select = "SELECT * FROM tbl_TableStatus WHERE  RowStatus = " + SQLStr("A") +
                               " AND (ReserveID=" + Str(id) + " OR WaitReserveID=" + Str(id) + ")";
    std::shared_ptr<Recordset> rs = db->RunSQLReturnRS(select);
    if (rs == nullptr) {
        CopyErr(db->ErrNumber(), db->ErrDescription());
        WriteSQLLog(db->ErrDescription(), select, kClass, kProc);
        return false;
    }
    std::vector<int32_t> rowIDs;
    for (; !rs->Eof(); rs->MoveNext()) {
        rowIDs.push_back(FieldLng(rs.get(), "TableStatusID"));
        // The party's check stays open on the POS unless it is told: the
        // table is cleared there and the change comes back as a status row.
        const bool seated = FieldLng(rs.get(), "ReserveID") == id;
        if (seated && IsOpenCheck(UpperAscii(FieldStr(rs.get(), "TableStatus"))) &&
            POSLinked(*outlet) &&
            !POSSetTableVacant(outlet->OutletID(), FieldStr(rs.get(), "TableNo")))
            WriteLog("Cannot clear table " + FieldStr(rs.get(), "TableNo") + " on the POS", kClass,
                     kProc, kLogWarning);
    }
    std::vector<TableReserve> bindings;
    if (!ActiveBindings(*db, id, bindings)) {
        CopyErr(db->ErrNumber(), db->ErrDescription());
        WriteLog(db->ErrDescription(), kClass, kProc);
        return false;
    }
    PacketList packets;
    {
        DBTransaction txn(*db, kClass, kProc);
        if (!txn.Ok()) return false;
        auto fail = [&](const std::string& sql) { return txn.FailStatement(sql, *this); };
        for (int32_t row : rowIDs) {
            const std::string test =
                "IF EXISTS (SELECT * FROM tbl_TableStatus WHERE  RowStatus = " + SQLStr("A") +
                " AND TableStatusID=" + Str(row);
            const std::string sql =
                test + " AND ReserveID=" + Str(id) + ")" + " UPDATE tbl_TableStatus " +
                " SET ReserveID=WaitReserveID,WaitReserveID=0,RowModified=GetDate(),"
                "SubmitResvInfoToPOS=0 " +
                " WHERE TableStatusID=" + Str(row) + "\r\n" + test +
                " AND WaitReserveID=" + Str(id) + ")" + " UPDATE tbl_TableStatus " +
                " SET WaitReserveID=0,RowModified=GetDate(),SubmitResvInfoToPOS=0 " +
                " WHERE TableStatusID=" + Str(row);
            if (!db->RunSQLNoReturn(sql)) return fail(sql);
            packets.push_back(DataChangeDoc(outlet->DBServerID(), "RESERVATION", kOpUpdate,
                                            "tbl_tablestatus", "tablestatusid", row));
        }
        for (const TableReserve& tr : bindings) {
            const std::string sql =
                "UPDATE tbl_TableReserve SET  POSTableNo=NULL,RowStatus= " + SQLStr("A") +
                " WHERE TableReserveID = " + Str(tr.TableReserveID()) + " SELECT @@ROWCOUNT AS RC";
            std::shared_ptr<Recordset> up = db->RunSQLReturnRS(sql);
            if (up == nullptr) return fail(sql);
            if (kivfunc_support::ReadRC(up) > 0)
                packets.push_back(DataChangeDoc(outlet->DBServerID(), "RESERVATION", kOpUpdate,
                                                "tbl_tablereserve", "tablereserveid",
                                                tr.TableReserveID()));
        }
        DBFields fields;
        fields.Add("ArrivalCover", Variant("NULL"), false);
        fields.Add("ArrivalTime", Variant("NULL"), false);
        AddResvAuditFields(fields);
        if (!DBResvUpdate(resv, fields, packets, false)) {
            WriteLog("Update Resv fail", kClass, kProc);
            txn.Fail();
            return false;
        }
        if (!txn.Commit()) return false;
    }
    resv.SetField("ArrivalCover", Variant());
    resv.SetField("ArrivalTime", Variant());
    if (!SendDataChange(*outlet, *date, resv.GetFieldLong("MPOutletID"), kPriorityChange, packets))
        WriteLog("Send Message Fail", kClass, kProc);
    return true;
}

bool KIVFunc::ResvsSwapTables(Reservation& source, Reservation& destination) {
    constexpr const char* kProc = "ResvsSwapTables";
    const int32_t outletID = source.GetFieldLong("OutletID");
    if (outletID != destination.GetFieldLong("OutletID")) {
        Fail(kProc, "Reservations must be in the same outlet");
        return false;
    }
    const Outlet* outlet = GetOutlet(outletID);
    SQLDB* db = nullptr;
    if (outlet == nullptr || ResvOutlet(source, kProc, &db) == nullptr) {
        Fail(kProc, "Fail to get outlet with id: " + Str(outletID));
        return false;
    }
    const std::optional<DateTime> date = ResvRowDate(source, kProc, false);
    if (!date) return false;
    const int32_t srcID = source.ReserveID(), dstID = destination.ReserveID();
    std::vector<TableReserve> srcTables, dstTables;
    if (!ActiveBindings(*db, srcID, srcTables) || !ActiveBindings(*db, dstID, dstTables)) {
        CopyErr(db->ErrNumber(), db->ErrDescription());
        WriteLog(db->ErrDescription(), kClass, kProc);
        return false;
    }
    if (srcTables.empty() || dstTables.empty()) {
        Fail(kProc, "Please select table first");
        return false;
    }
    const std::string outletCond = " OutletID = " + Str(outletID);
    auto query = [&](const std::string& sql, std::shared_ptr<Recordset>& rs) {
        rs = db->RunSQLReturnRS(sql);
        if (rs != nullptr) return true;
        CopyErr(db->ErrNumber(), db->ErrDescription());
        WriteSQLLog(db->ErrDescription(), sql, kClass, kProc);
        return false;
    };
    std::shared_ptr<Recordset> rs;
    if (!query("SELECT TableStatusID,TableNo FROM tbl_TableStatus WHERE " + outletCond +
                   " AND TableNo IN (" + QuotedList(srcTables) + "," + QuotedList(dstTables) + ")" +
                   " AND TableStatus != " + SQLStr("V"),
               rs))
        return false;
    if (!rs->Eof()) {
        Fail(kProc, "Cannot change table for opened check table");
        return false;
    }
    auto seated = [&](const std::vector<TableReserve>& tables, int64_t& count) {
        std::shared_ptr<Recordset> c;
        if (!query("SELECT COUNT(*) AS RecNo FROM tbl_TableStatus WHERE " + outletCond +
                       " AND TableNo IN (" + QuotedList(tables) + ") AND ReserveID != 0",
                   c))
            return false;
        count = c->Eof() ? 0 : FieldLng(c.get(), "RecNo");
        return true;
    };
    auto arrived = [](const Reservation& r) { return !r.GetFieldText("ArrivalTime").empty(); };
    int64_t srcSeated = 0, dstSeated = 0;
    if (!seated(srcTables, srcSeated) || !seated(dstTables, dstSeated)) return false;
    auto refuseMixed = [&](const Reservation& in, const Reservation& out) {
        Fail(kProc, "Arrived reservation : " + in.GetFieldText("ReserveNo") +
                        " cannot swap table with non-arrive reservation: " +
                        out.GetFieldText("ReserveNo"));
        return false;
    };
    if (arrived(source) && srcSeated > 0 && !arrived(destination))
        return refuseMixed(source, destination);
    if (arrived(destination) && dstSeated > 0 && !arrived(source))
        return refuseMixed(destination, source);
    PacketList packets;
    {
        DBTransaction txn(*db, kClass, kProc);
        if (!txn.Ok()) return false;
        // The seated rows of each side, read before either is changed.
        auto seatedRows = [&](int32_t id, std::vector<int32_t>& ids) {
            std::shared_ptr<Recordset> r;
            if (!query("SELECT TableStatusID,TableNo FROM tbl_TableStatus WHERE" + outletCond +
                           " AND ReserveID = " + Str(id) + " AND TableStatus = " + SQLStr("V"),
                       r))
                return false;
            for (; !r->Eof(); r->MoveNext())
                ids.push_back(FieldLng(r.get(), "TableStatusID"));
            return true;
        };
        std::vector<int32_t> srcRows, dstRows;
        if (!seatedRows(srcID, srcRows) || !seatedRows(dstID, dstRows)) {
            txn.Fail();
            return false;
        }
        auto rebind = [&](const std::vector<int32_t>& ids, int32_t to) {
            for (int32_t row : ids) {
                const std::string sql = "UPDATE tbl_TableStatus Set ReserveID = " + Str(to) +
                                        " WHERE TableStatusID=" + Str(row);
                if (!db->RunSQLNoReturn(sql)) {
                    CopyErr(db->ErrNumber(), db->ErrDescription());
                    WriteSQLLog(db->ErrDescription(), sql, kClass, kProc);
                    Fail(kProc, "Update status of table fails");
                    return false;
                }
                packets.push_back(DataChangeDoc(outlet->DBServerID(), "RESERVATION", kOpUpdate,
                                                "tbl_tablestatus", "tablestatusid", row));
            }
            return true;
        };
        if (!rebind(srcRows, dstID) || !rebind(dstRows, srcID)) {
            txn.Fail();
            return false;
        }
        auto moved = [](const std::vector<TableReserve>& from, int32_t to) {
            TableReserveMap map;
            int key = 0;
            for (const TableReserve& tr : from) {
                auto copy = std::make_shared<TableReserve>(tr);
                copy->SetReserveID(to);
                map.Add(key++, copy);
            }
            return map;
        };
        TableReserveMap toSource = moved(dstTables, srcID), toDest = moved(srcTables, dstID);
        if (!DBTableResvUpdate(source, toSource, packets, false)) {
            WriteLog("Fail to update source resv", kClass, kProc);
            txn.Fail();
            return false;
        }
        if (!DBTableResvUpdate(destination, toDest, packets, false)) {
            WriteLog("Fail to update destination resv", kClass, kProc);
            txn.Fail();
            return false;
        }
        if (!txn.Commit()) return false;
    }
    if (!SendDataChange(*outlet, *date, source.GetFieldLong("MPOutletID"), kPriorityChange,
                        packets))
        WriteLog("Send Message Fail", kClass, kProc);
    return true;
}
