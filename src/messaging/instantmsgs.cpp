#include "messaging/instantmsgs.h"

#include <algorithm>
#include <memory>
#include <set>

#include "core/globals.h"
#include "core/log.h"
#include "messaging/kivconnections.h"
#include "platform/strnum.h"
#include "registry/dbconnections.h"
#include "sql/sqldb.h"
#include "venue/outlets.h"

namespace {

constexpr const char* kClass = "KIVFunc";

// The statement that writes a message; its new id is the batch's last
// result set.
std::string InsertMsgSQL(int32_t dbServerID, int32_t clientID, const std::string& text) {
    return "INSERT INTO tbl_InstantMsg "
           "([RowModified],[RowStatus],[DBServerID],[ClientID],[SendDT],[InstantMsg]) values "
           "(GetDate(),'A'," +
           Str(dbServerID) + "," + Str(clientID) + ",GetDate()," + SQLStr(text) +
           ") SELECT @@IDENTITY AS InstantMsgID ";
}

std::string InsertRecipientsSQL(int32_t dbServerID, int32_t instantMsgID,
                                const std::vector<int32_t>& recipients) {
    std::string sql;
    for (int32_t id : recipients)
        sql +=
            "INSERT INTO tbl_ClientInstantMsg "
            "([RowModified],[RowStatus],[DBServerID],[InstantMsgID],[ClientID]) values "
            "(GetDate(),'A'," +
            Str(dbServerID) + "," + Str(instantMsgID) + "," + Str(id) + ") ";
    return sql;
}

// Each recipient once, in the order given; ids below 1 are no workstation.
std::vector<int32_t> Distinct(const std::vector<int32_t>& ids) {
    std::vector<int32_t> out;
    for (int32_t id : ids)
        if (id > 0 && std::find(out.begin(), out.end(), id) == out.end()) out.push_back(id);
    return out;
}

}  // namespace

InstantMsgs::InstantMsgs(int32_t clientID, int32_t dbServerID)
    : clientID_(clientID), dbServerID_(dbServerID) {}

bool InstantMsgs::Fail(const char* procedure, int32_t number, const std::string& message,
                       const std::string& sql) {
    SetErr(number, kClass, procedure, message);
    if (sql.empty())
        WriteLog(message, kClass, procedure);
    else
        WriteSQLLog(message, sql, kClass, procedure);
    return false;
}

SQLDB* InstantMsgs::Database(int32_t dbServerID, const char* procedure) {
    SQLDB* db = g_oDBConns != nullptr ? g_oDBConns->GetSQLDB(dbServerID) : nullptr;
    if (db == nullptr)
        Fail(procedure, kErrItemNotFound, "Cannot retrieve SQLDB with id: " + Str(dbServerID));
    return db;
}

bool InstantMsgs::GetClients(std::vector<IMClient>& clients) {
    clients.clear();
    SQLDB* db = DefaultSQLDB();
    if (db == nullptr) return Fail("GetClients", kErrNoDefaultDB, "Fail to load Default DB Object");
    const std::string sql = "SELECT * FROM tbl_Client WHERE RowStatus = " + SQLStr("A") +
                            " AND ClientID <> " + Str(clientID_) + " ORDER BY ClientID";
    std::shared_ptr<Recordset> rs = db->RunSQLReturnRS(sql);
    if (rs == nullptr) return Fail("GetClients", db->ErrNumber(), db->ErrDescription(), sql);
    for (; !rs->Eof(); rs->MoveNext())
        clients.push_back({FieldLng(rs.get(), "ClientID"), FieldStr(rs.get(), "ClientCode"),
                           FieldStr(rs.get(), "NameL1")});
    return true;
}

std::map<int32_t, std::string> InstantMsgs::ClientCodes() {
    std::map<int32_t, std::string> codes;
    SQLDB* db = DefaultSQLDB();
    if (db == nullptr) return codes;
    const std::string sql = "SELECT ClientID, ClientCode FROM tbl_Client";
    std::shared_ptr<Recordset> rs = db->RunSQLReturnRS(sql);
    if (rs == nullptr) {
        WriteSQLLog(db->ErrDescription(), sql, kClass, "ClientCodes");
        return codes;
    }
    for (; !rs->Eof(); rs->MoveNext())
        codes[FieldLng(rs.get(), "ClientID")] = FieldStr(rs.get(), "ClientCode");
    return codes;
}

bool InstantMsgs::GetMsgs(const DateTime& since, std::vector<InstantMsg>& msgs) {
    msgs.clear();
    SQLDB* db = Database(dbServerID_, "GetMsgs");
    if (db == nullptr) return false;
    const std::string me = Str(clientID_);
    const std::string sql =
        std::string(" SELECT * FROM tbl_InstantMsg WHERE InstantMsgID IN (") +
        " SELECT DISTINCT IM.InstantMsgID FROM tbl_InstantMsg AS IM,tbl_ClientInstantMsg AS CIM "
        "WHERE " +
        " CIM.InstantMsgID=IM.InstantMsgID " + " AND ( CIM.ClientID= " + me +
        " AND CIM.RowStatus = " + SQLStr("A") + " OR IM.ClientID = " + me + ")" +
        " AND IM.RowStatus = " + SQLStr("A") + " AND SendDT >= " + SQLStr(since.DateText()) +
        " ) ORDER BY SendDT DESC, InstantMsgID DESC";
    std::shared_ptr<Recordset> rs = db->RunSQLReturnRS(sql);
    if (rs == nullptr) return Fail("GetMsgs", db->ErrNumber(), db->ErrDescription(), sql);
    for (; !rs->Eof(); rs->MoveNext()) {
        InstantMsg m;
        if (m.AddFromRS(rs.get())) msgs.push_back(std::move(m));
    }
    return true;
}

int32_t InstantMsgs::InsertInstantMsg(int32_t dbServerID, const std::string& text,
                                      const std::vector<int32_t>& recipients) {
    const char* proc = "SendInstantMsg";
    const std::vector<int32_t> to = Distinct(recipients);
    if (to.empty()) {
        Fail(proc, kErrItemNotFound, "Please select workstations");
        return 0;
    }
    SQLDB* db = Database(dbServerID, proc);
    if (db == nullptr) return 0;
    // A message without its recipient rows would reach nobody: both or none.
    if (!db->RunSQLNoReturn("BEGIN TRAN")) {
        Fail(proc, db->ErrNumber(), db->ErrDescription(), "BEGIN TRAN");
        return 0;
    }
    auto rollBack = [&](const std::string& sql) {
        Fail(proc, db->ErrNumber(), db->ErrDescription(), sql);
        db->RunSQLNoReturn("ROLLBACK TRAN");
        return 0;
    };
    const std::string insert = InsertMsgSQL(dbServerID, clientID_, text);
    std::shared_ptr<Recordset> rs = LastRecordset(db->RunSQLReturnRS(insert));
    const int32_t id = rs != nullptr && !rs->Eof() ? FieldLng(rs.get(), "InstantMsgID") : 0;
    if (id <= 0) return rollBack(insert);
    const std::string rows = InsertRecipientsSQL(dbServerID, id, to);
    if (!db->RunSQLNoReturn(rows)) return rollBack(rows);
    if (!db->RunSQLNoReturn("COMMIT TRAN")) return rollBack("COMMIT TRAN");
    return id;
}

bool InstantMsgs::SendInstantMsg(int32_t dbServerID, const std::string& text,
                                 const std::vector<int32_t>& recipients, int32_t* newID) {
    ClearErr();
    if (newID != nullptr) *newID = 0;
    const int32_t id = InsertInstantMsg(dbServerID, text, recipients);
    if (id <= 0) return false;
    if (newID != nullptr) *newID = id;
    return Announce(dbServerID, id);
}

bool InstantMsgs::SendInstantMsg4All(int32_t dbServerID, const std::string& text, int32_t* newID) {
    if (newID != nullptr) *newID = 0;
    std::vector<IMClient> clients;
    if (!GetClients(clients)) return false;
    std::vector<int32_t> ids;
    for (const IMClient& c : clients)
        ids.push_back(c.ClientID);
    return SendInstantMsg(dbServerID, text, ids, newID);
}

int32_t InstantMsgs::ServerFor(int32_t dbServerID) {
    if (conn_ == nullptr) return 0;
    if (outlets_ != nullptr) {
        for (const auto& [id, outlet] : outlets_->Items())
            if (outlet->DBServerID() == dbServerID &&
                conn_->GetKIVServer(outlet->ServiceID()) != nullptr)
                return outlet->ServiceID();
    }
    auto& servers = conn_->KIVServers();
    return servers.begin() != servers.end() ? servers.begin()->first : 0;
}

bool InstantMsgs::Announce(int32_t dbServerID, int32_t instantMsgID) {
    const int32_t serviceID = ServerFor(dbServerID);
    if (serviceID == 0) {
        // Written all the same: the recipients find it in their list.
        WriteLog("No KIV server to announce instant message " + Str(instantMsgID), kClass,
                 "SendInstantMsg");
        return conn_ == nullptr;
    }
    // Receivers read only the message's id; the filter names no outlet.
    const PacketItem filter = PacketMaker::CreateFilter(0, DateTime::Now().DateText(), 0);
    const PacketItems items{PacketMaker::CreateDataChangeMsg(
        dbServerID, "INSTANT_MSG", 1, "tbl_instantmsg", "instantmsgid", instantMsgID)};
    const std::string packet = maker_.MakeDataChangePkt("2", &filter, items);
    if (packet.empty())
        return Fail("SendInstantMsg", kErrSendFail, "Cannot build the DATACHANGE packet");
    if (!conn_->SendMessage(serviceID, packet))
        return Fail("SendInstantMsg", conn_->ErrNumber(), conn_->ErrDescription());
    return true;
}

bool InstantMsgs::DBChange_tbl_InstantMsg(const DataChangeMsg& msg) {
    const char* proc = "DBChange_tbl_InstantMsg";
    SQLDB* db = g_oDBConns != nullptr ? g_oDBConns->GetSQLDB(msg.DBServerID) : nullptr;
    if (db == nullptr) {
        WriteLog("DBServer With ID: " + Str(msg.DBServerID) + " does not exist", "KIV", proc);
        return false;
    }
    // The recipient table is joined outside the OR: inside it, the sender's
    // branch matched every recipient row of every message (and nothing when
    // there were none).
    const std::string me = Str(clientID_);
    const std::string sql =
        std::string("SELECT IM.* FROM tbl_InstantMsg AS IM,tbl_ClientInstantMsg AS CIM WHERE ") +
        " IM.InstantMsgID=" + Str(msg.FieldID) + " AND CIM.InstantMsgID=IM.InstantMsgID " +
        " AND ( CIM.ClientID= " + me + " AND CIM.RowStatus = " + SQLStr("A") +
        " OR IM.ClientID = " + me + ")" + " AND IM.RowStatus = " + SQLStr("A");
    std::shared_ptr<Recordset> rs = db->RunSQLReturnRS(sql);
    if (rs == nullptr) {
        WriteSQLLog(db->ErrDescription(), sql, "KIV", proc);
        return false;
    }
    if (rs->Eof()) {
        // Addressed to other workstations: nothing to tell.
        WriteLog("Cannot retrieve data with ID: " + Str(msg.FieldID), "KIV", proc, kLogInfo, 2);
        return false;
    }
    InstantMsg m;
    if (!m.AddFromRS(rs.get())) return false;
    if (arrival_) {
        ArrivalHandler handler = arrival_;  // a listener may replace itself
        handler(m);
    }
    return true;
}
