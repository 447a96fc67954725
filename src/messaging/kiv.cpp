#include "messaging/kiv.h"

#include <exception>

#include "core/config.h"
#include "core/globals.h"
#include "core/log.h"
#include "messaging/scriptdocument.h"
#include "platform/textutil.h"
#include "registry/client.h"
#include "registry/dbconnections.h"
#include "reservations/kivfunc.h"
#include "sql/sqldb.h"
#include "venue/accounts.h"
#include "venue/colordefs.h"
#include "venue/outlets.h"

namespace {

constexpr const char* kClass = "KIV";

// Calls `fn` for every group `group` held by a row of the list `list`.
template <typename Fn>
void ForEachRowGroup(const ScriptNode& kivdata, const std::string& list, const std::string& group,
                     Fn&& fn) {
    std::shared_ptr<ScriptVarList> rows = kivdata.GetVarList(list);
    if (!rows) return;
    for (int i = 0; i < rows->Count(); ++i) {
        std::shared_ptr<ScriptNode> row = rows->Item(i);
        std::shared_ptr<ScriptNode> node = row ? row->GetVarGrp(group) : nullptr;
        if (node) fn(*node);
    }
}

}  // namespace

KIV::KIV(EventLoop& loop)
    : func_(std::make_unique<KIVFunc>()),
      outlets_(std::make_unique<Outlets>()),
      accounts_(std::make_unique<Accounts>()),
      colorDefs_(std::make_unique<ColorDefs>()) {
    InitObjects();
    LoadTemplate();
    conn_ = std::make_unique<KIVConnections>(loop);
    func_->SetConnections(conn_.get());
    func_->SetOutlets(outlets_.get());
    func_->SetAccounts(accounts_.get());
    func_->SetPOSServers(&posServers_);
    im_ = std::make_unique<InstantMsgs>(g_oClient != nullptr ? g_oClient->ClientID() : 0,
                                        g_oClient != nullptr ? g_oClient->DBServerID() : 0);
    im_->SetConnections(conn_.get());
    im_->SetOutlets(outlets_.get());
    dispatcher_.Register("tbl_instantmsg",
                         [this](const DataChangeMsg& msg) { im_->DBChange_tbl_InstantMsg(msg); });
    conn_->OnMessageArrival([this](int32_t serviceID, const Bytes& payload) {
        ParseKIVSvrMsg(serviceID, Utf16LEToUtf8(payload));
    });
    conn_->OnSocketError([this](int32_t serviceID, int32_t number, const std::string& description,
                                int32_t statusCode, const std::string& source) {
        HandleSocketError(serviceID, number, description, statusCode, source);
    });
}

KIV::~KIV() {
    // The tables this workstation still holds are free again for the others.
    func_->ReleaseAllTempHoldTables();
    conn_->DisConnectAll();
    views_.reset();
}

bool KIV::InitObjects() {
    sqldb_ = DefaultSQLDB();
    bool ok = true;
    auto step = [&](bool done, const ErrorState& from, const char* text) {
        if (done) return;
        CopyErr(from.ErrNumber(), from.ErrDescription());
        WriteLog(text, kClass, "InitObjects");
        ok = false;
    };
    step(sqldb_ != nullptr && outlets_->Load(*sqldb_), *outlets_, "Load Outlets Information fail");
    step(accounts_->Load(sqldb_), *accounts_, "Load Accounts Information fail");
    step(sqldb_ != nullptr && colorDefs_->Load(*sqldb_), *colorDefs_, "Load Colordefs Fail");
    step(posServers_.Load(sqldb_), posServers_, "Load POSServers fail");
    return ok;
}

bool KIV::LoadTemplate() {
    if (sqldb_ == nullptr) return false;
    const std::string sql =
        "SELECT * FROM tbl_Template WHERE RowStatus='A' AND TemplateCode='RECEIPT'";
    std::shared_ptr<Recordset> rs = sqldb_->RunSQLReturnRS(sql);
    if (rs == nullptr) {
        CopyErr(sqldb_->ErrNumber(), sqldb_->ErrDescription());
        WriteSQLLog(sqldb_->ErrDescription(), sql, kClass, "LoadTemplate");
        return false;
    }
    if (!rs->Eof()) receiptTemplate_ = FieldStr(rs.get(), "Template");
    return true;
}

void KIV::ParseKIVSvrMsg(int32_t serviceID, const std::string& text) {
    try {
        if (g_oConfig != nullptr && g_oConfig->WritePacketLog()) LogPacket(text);
        ScriptDocument doc;
        if (!doc.LoadXML(text)) {
            WriteLog("Load Msg fail", kClass, "ParseKIVSvrMsg");
            return;
        }
        std::shared_ptr<ScriptNode> root = doc.ScrRoot();
        std::shared_ptr<ScriptNode> kivdata = root ? root->GetVarGrp("kivdata") : nullptr;
        if (!kivdata) return;
        std::string type = UpperAscii(root->Var("type"));
        if (KIVServer* server = conn_->GetKIVServer(serviceID)) {
            server->SetInitConn(false);
            server->SetConnected(true);
        }
        if (type == "POSREPLY") {
            ApplyPOSReply(*kivdata);
        } else if (type == "POSSTATUS") {
            ApplyPOSStatus(*kivdata);
        } else if (type == "DATACHANGE") {
            ApplyDataChange(*kivdata);
        }
    } catch (const std::exception& e) {
        WriteLog(std::string("Packet not handled: ") + e.what(), kClass, "ParseKIVSvrMsg");
    } catch (...) {
        WriteLog("Packet not handled", kClass, "ParseKIVSvrMsg");
    }
}

void KIV::ApplyPOSReply(const ScriptNode& kivdata) {
    ForEachRowGroup(kivdata, "replies", "reply", [this](const ScriptNode& reply) {
        conn_->SetPOSReply(reply.Var("errcode"), reply.Var("errdesc"), reply.Var("type"),
                           reply.Var("table"));
    });
}

void KIV::ApplyPOSStatus(const ScriptNode& kivdata) {
    ForEachRowGroup(kivdata, "statuses", "status", [this](const ScriptNode& status) {
        POSServer* pos = posServers_.GetPOSServerByCode(status.Var("poscode"));
        if (pos == nullptr) return;
        pos->SetConnected(LowerAscii(status.Var("status")) == "online");
        pos->SetUnknownStatus(false);
    });
    if (posStatus_) {
        POSStatusHandler handler = posStatus_;
        handler();
    }
}

void KIV::ApplyDataChange(const ScriptNode& kivdata) {
    ForEachRowGroup(kivdata, "msgs", "msg", [this](const ScriptNode& msg) {
        dispatcher_.Dispatch(DataChangeMsg::FromGroup(msg));
    });
}

void KIV::MarkServerOffline(KIVServer& server) {
    server.SetConnected(false);
    for (auto& [posID, id] : server.POSServers())
        if (POSServer* pos = posServers_.GetPOSServerByID(id)) pos->SetUnknownStatus(true);
}

void KIV::HandleSocketError(int32_t serviceID, int32_t number, const std::string& description,
                            int32_t statusCode, const std::string& source) {
    KIVServer* server = conn_->GetKIVServer(serviceID);
    if (server == nullptr || !socketError_) return;
    SocketErrorHandler handler = socketError_;
    handler(server->ClientConnectIP(), number, description, statusCode, source);
}
