#include "kivserver/posfloor.h"

#include <filesystem>

#include "messaging/scriptnode.h"
#include "messaging/scriptvarlist.h"
#include "platform/datetime.h"
#include "platform/strnum.h"
#include "platform/textutil.h"
#include "sql/sqldb.h"

namespace kivsrv {

namespace {

// The first row's first column as text; "" when there is none.
std::string One(SQLDB& db, const std::string& sql) {
    std::shared_ptr<Recordset> rs = FirstOpenRecordset(db.RunSQLReturnRS(sql));
    if (rs == nullptr || rs->Eof() || rs->FieldCount() == 0) return {};
    const Variant* v = rs->Field(0);
    return v == nullptr || v->IsNull() ? std::string() : v->ToText();
}

int ToInt(const std::string& text) {
    if (text.empty() || text.size() > 6) return 0;
    for (char c : text)
        if (c < '0' || c > '9') return 0;
    return std::stoi(text);
}

}  // namespace

// The outlet a request names and the database that holds its floor.
struct PosFloor::Target {
    SQLDB* db = nullptr;
    int32_t outletID = 0;
    int32_t dbServerID = 0;
};

PosFloor::PosFloor() = default;
PosFloor::~PosFloor() = default;

bool PosFloor::Open(const std::vector<std::string>& files, std::string& error) {
    for (const std::string& file : files) {
        if (!std::filesystem::exists(file)) {
            error = "database file not found: " + file;
            return false;
        }
        auto db = std::make_unique<SQLDB>();
        db->SetKeepConnection(true);
        db->SetConnectionString("Provider=SQLite;Data Source=" + file);
        if (!db->Connect()) {
            error = "cannot open " + file + ": " + db->ErrDescription();
            return false;
        }
        dbs_.push_back(std::move(db));
    }
    return true;
}

// The POS server code, POS account and POS outlet code lead through the
// installation's own rows to the outlet. Its floor lies in the database that
// already holds status rows of the outlet, else in the first that knows it.
bool PosFloor::Find(const ScriptNode& request, Target& t) {
    const std::string sql =
        "SELECT O.OutletID, O.DBServerID FROM tbl_Outlet O JOIN tbl_Account A ON "
        "A.AccountID = O.AccountID AND A.RowStatus = 'A' JOIN tbl_POSServer P ON P.POSID = "
        "A.POSID AND P.RowStatus = 'A' WHERE O.RowStatus = 'A' AND O.POSOutletCode = " +
        SQLStr(request.Var("outlet")) + " AND A.POSAccount = " + SQLStr(request.Var("account")) +
        " AND P.POSCode = " + SQLStr(request.Var("poscode"));
    SQLDB* known = nullptr;
    for (auto& db : dbs_) {
        std::shared_ptr<Recordset> rs = db->RunSQLReturnRS(sql);
        if (rs == nullptr || rs->Eof()) continue;
        const int32_t outletID = FieldLng(rs.get(), "OutletID");
        const int32_t server = FieldLng(rs.get(), "DBServerID");
        if (known == nullptr) {
            known = db.get();
            t = {db.get(), outletID, server};
        }
        if (!One(*db, "SELECT TOP 1 TableStatusID FROM tbl_TableStatus WHERE OutletID = " +
                          Str(outletID))
                 .empty()) {
            t = {db.get(), outletID, server};
            return true;
        }
    }
    return known != nullptr;
}

FloorOutcome PosFloor::Apply(const ScriptNode& kivdata) {
    FloorOutcome out;
    std::shared_ptr<ScriptVarList> requests = kivdata.GetVarList("requests");
    for (int i = 0; requests && i < requests->Count(); ++i) {
        std::shared_ptr<ScriptNode> row = requests->Item(i);
        std::shared_ptr<ScriptNode> request = row ? row->GetVarGrp("request") : nullptr;
        if (request) ApplyOne(LowerAscii(request->Var("type")), *request, out);
    }
    return out;
}

void PosFloor::ApplyOne(const std::string& type, const ScriptNode& request, FloorOutcome& out) {
    auto refuse = [&out](const std::string& code, const std::string& text) {
        if (out.refused) return;
        out.refused = true;
        out.code = code;
        out.description = text;
    };
    static const char* const kActs[] = {"new_table", "change_vacant", "change_table",
                                        "change_cover", "table_enquiry"};
    bool acts = false;
    for (const char* a : kActs)
        acts = acts || type == a;
    if (!acts) return;
    Target t;
    if (!Find(request, t)) return refuse("2", "Unknown POS outlet " + request.Var("outlet"));
    SQLDB& db = *t.db;
    const std::string table = UpperAscii(request.Var("table"));
    const std::string where = " WHERE RowStatus = 'A' AND OutletID = " + Str(t.outletID) +
                              " AND TableNo = " + SQLStr(table);
    auto statusOf = [&](const std::string& tableNo, std::string& id) {
        std::shared_ptr<Recordset> rs = db.RunSQLReturnRS(
            "SELECT TableStatusID, TableStatus FROM tbl_TableStatus WHERE RowStatus = 'A' AND "
            "OutletID = " +
            Str(t.outletID) + " AND TableNo = " + SQLStr(tableNo));
        if (rs == nullptr || rs->Eof()) return std::string("-");
        id = FieldStr(rs.get(), "TableStatusID");
        return UpperAscii(FieldStr(rs.get(), "TableStatus"));
    };
    auto changed = [&](const std::string& id) {
        if (id.empty()) return;
        out.changes.push_back({t.outletID, PacketMaker::CreateDataChangeMsg(
                                               t.dbServerID, "TABLE_STATUS", 2, "tbl_tablestatus",
                                               "tablestatusid", std::stoll(id))});
    };
    auto run = [&](const std::string& sql) {
        if (db.RunSQLNoReturn(sql)) return true;
        refuse("9", "POS database error: " + db.ErrDescription());
        return false;
    };
    std::string id;
    const std::string state = statusOf(table, id);
    if (type == "table_enquiry") {
        // The POS answers an enquiry by sending the rows it knows again.
        return changed(id);
    }
    const bool open = state == "O" || state == "B" || state == "C";
    if (type == "new_table") {
        if (open) return refuse("3", "Check already open on table " + table);
        const std::string check = "S" + Str(nextCheck_++) + DateTime::Now().Format("hhnnss");
        const std::string set =
            "TableStatus = 'O', LastTableStatus = TableStatus, CheckNo = " + SQLStr(check) +
            ", CheckOpenTime = GetDate(), CheckCover = " + Str(ToInt(request.Var("cover"))) +
            ", CheckTotal = 0, LastChangeTime = GetDate(), "
            "RowModified = GetDate()";
        if (state == "-") {
            if (!run("INSERT INTO tbl_TableStatus (DBServerID, OutletID, TableNo, RowStatus, "
                     "TableStatus, ReserveID, WaitReserveID) VALUES (" +
                     Str(t.dbServerID) + ", " + Str(t.outletID) + ", " + SQLStr(table) +
                     ", 'A', 'V', 0, 0)"))
                return;
            statusOf(table, id);
        }
        if (run("UPDATE tbl_TableStatus SET " + set + where)) changed(id);
    } else if (type == "change_vacant") {
        if (state == "-") return;
        if (run("UPDATE tbl_TableStatus SET TableStatus = 'V', LastTableStatus = TableStatus, "
                "CheckNo = NULL, CheckOpenTime = NULL, CheckCover = 0, CheckTotal = 0, "
                "LastCleanTime = GetDate(), LastChangeTime = GetDate(), RowModified = GetDate()" +
                where))
            changed(id);
    } else if (type == "change_cover") {
        if (!open) return refuse("4", "No open check on table " + table);
        if (run("UPDATE tbl_TableStatus SET CheckCover = " + Str(ToInt(request.Var("cover"))) +
                ", LastChangeTime = GetDate(), RowModified = GetDate()" + where))
            changed(id);
    } else if (type == "change_table") {
        const std::string from = UpperAscii(request.Var("from_table"));
        std::string fromID;
        const std::string fromState = statusOf(from, fromID);
        if (fromState != "O" && fromState != "B" && fromState != "C")
            return refuse("4", "No open check on table " + from);
        if (open) return refuse("3", "Check already open on table " + table);
        if (state == "-") return refuse("5", "Unknown table " + table);
        std::shared_ptr<Recordset> src = db.RunSQLReturnRS(
            "SELECT TableStatus, CheckNo, CheckOpenTime, CheckCover, CheckTotal FROM "
            "tbl_TableStatus WHERE TableStatusID = " +
            fromID);
        if (src == nullptr || src->Eof()) return refuse("9", "POS database error");
        auto text = [&src](const char* column) {
            const Variant* v = src->Field(column);
            return v == nullptr || v->IsNull() ? std::string("NULL") : SQLStr(v->ToText());
        };
        const std::string copy =
            "UPDATE tbl_TableStatus SET LastTableStatus = TableStatus, TableStatus = " +
            text("TableStatus") + ", CheckNo = " + text("CheckNo") +
            ", CheckOpenTime = " + text("CheckOpenTime") + ", CheckCover = " + text("CheckCover") +
            ", CheckTotal = " + text("CheckTotal") +
            ", LastChangeTime = GetDate(), RowModified = GetDate() WHERE TableStatusID = " + id;
        const std::string clear =
            "UPDATE tbl_TableStatus SET TableStatus = 'V', LastTableStatus = TableStatus, CheckNo "
            "= NULL, CheckOpenTime = NULL, CheckCover = 0, CheckTotal = 0, LastChangeTime = "
            "GetDate(), RowModified = GetDate() WHERE TableStatusID = " +
            fromID;
        if (run(copy) && run(clear)) {
            changed(id);
            changed(fromID);
        }
    }
}

}  // namespace kivsrv
