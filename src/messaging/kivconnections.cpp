#include "messaging/kivconnections.h"

#include <chrono>

#include "core/globals.h"
#include "core/log.h"
#include "core/mltext.h"
#include "messaging/packetmaker.h"
#include "platform/textutil.h"
#include "platform/userinterface.h"
#include "registry/dbconnections.h"
#include "sql/sqldb.h"

namespace {

constexpr const char* kClass = "KIVConnections";

}  // namespace

KIVConnections::KIVConnections(EventLoop& loop) : loop_(loop), messenger_(loop) {
    messenger_.OnMessageArrival(
        [this](int index, const Bytes& payload) { HandleArrival(index, payload); });
    messenger_.OnSocketError([this](int index, int32_t number, const std::string& description,
                                    int32_t statusCode, const std::string& source) {
        HandleSocketError(index, number, description, statusCode, source);
    });
}

KIVConnections::~KIVConnections() = default;

bool KIVConnections::Load() {
    return Load(DefaultSQLDB());
}

bool KIVConnections::Load(SQLDB* db) {
    if (db == nullptr) {
        SetErr(kErrNoDefaultDB, kClass, "Load", "Fail to load Default DB Object");
        WriteLog("Fail to load Default DB Object", kClass, "Load");
        return false;
    }
    const std::string active = SQLDB::EscapeValue("A");
    const std::string sql = "SELECT * FROM tbl_ServiceServer WHERE RowStatus =" + active +
                            " AND ServiceID IN (SELECT DISTINCT(ServiceID) FROM tbl_Outlet "
                            "WHERE RowStatus = " +
                            active + ")";
    std::shared_ptr<Recordset> rs = db->RunSQLReturnRS(sql);
    if (!rs) {
        CopyErr(db->ErrNumber(), db->ErrDescription());
        WriteSQLLog(db->ErrDescription(), sql, kClass, "Load");
        return false;
    }
    for (; !rs->Eof(); rs->MoveNext()) {
        auto server = std::make_unique<KIVServer>();
        if (!server->AddFromRS(rs.get())) {
            CopyErr(server->ErrNumber(), server->ErrDescription());
            WriteLog(server->ErrDescription(), kClass, "Load");
            continue;
        }
        const std::string posSql = "SELECT POSID FROM tbl_ServicePOS WHERE RowStatus=" + active +
                                   " AND ServiceID = " + std::to_string(server->ServiceID());
        std::shared_ptr<Recordset> pos = db->RunSQLReturnRS(posSql);
        if (!pos) {
            WriteSQLLog(db->ErrDescription(), posSql, kClass, "Load");
        } else {
            for (; !pos->Eof(); pos->MoveNext()) {
                int32_t posID = FieldLng(pos.get(), "POSID");
                server->POSServers().Add(posID, posID);
            }
        }
        AddServer(std::move(server));
    }
    return true;
}

bool KIVConnections::AddServer(std::unique_ptr<KIVServer> server) {
    if (!server || servers_.Exists(server->ServiceID())) return false;
    server->SetIndex(messenger_.NewConnection());
    int32_t id = server->ServiceID();
    return servers_.Add(id, std::move(server));
}

KIVServer* KIVConnections::GetKIVServer(int32_t serviceID) {
    auto* item = servers_.Item(serviceID);
    return item != nullptr ? item->get() : nullptr;
}

KIVServer* KIVConnections::ServerOrFail(int32_t serviceID, const char* procedure) {
    KIVServer* server = GetKIVServer(serviceID);
    if (server == nullptr) {
        std::string message = "Connection Item " + std::to_string(serviceID) + " not found";
        SetErr(kErrItemNotFound, kClass, procedure, message);
        WriteLog(message, kClass, procedure);
    }
    return server;
}

KIVServer* KIVConnections::ServerByIndex(int index) {
    for (auto& [id, server] : servers_)
        if (server->Index() == index) return server.get();
    return nullptr;
}

bool KIVConnections::Connect(int32_t serviceID) {
    KIVServer* server = ServerOrFail(serviceID, "Connect");
    if (server == nullptr) return false;
    return ConnectServer(*server, nullptr);
}

bool KIVConnections::ConnectServer(KIVServer& server, std::string* announced) {
    messenger_.Disconnect(server.Index());
    server.SetConnected(false);
    if (!messenger_.Connect(server.ClientConnectIP(), server.IPPort(), server.Index(),
                            kConnectTimeoutMs, "", "")) {
        SetErr(messenger_.ErrNumber(), kClass, "Connect", messenger_.ErrDescription());
        return false;
    }
    server.SetConnected(true);
    std::string sent = Announce(server);
    if (announced != nullptr) *announced = std::move(sent);
    return true;
}

std::string KIVConnections::Announce(KIVServer& server) {
    // Straight to the messenger: a send from here must not connect again.
    const std::string* current = CurrentFilter(server.ServiceID());
    std::string packet = current != nullptr && !current->empty()
                             ? *current
                             : PacketMaker().MakeActOutletPkt(PacketItem{});
    if (packet.empty() || !messenger_.SendMessage(server.Index(), packet)) {
        // The connection stays; its failure, if any, is reported as an event.
        WriteLog("Cannot send the filter to " + server.ClientConnectIP() + ": " +
                     messenger_.ErrDescription(),
                 kClass, "Connect", kLogWarning, 1);
        return {};
    }
    return packet;
}

bool KIVConnections::ConnectAll() {
    for (auto& [id, server] : servers_) {
        if (UpperAscii(server->RowStatus()) != "A") continue;
        ConnectServer(*server, nullptr);
    }
    return true;
}

bool KIVConnections::DisConnectAll() {
    messenger_.DisConnectAll();
    for (auto& [id, server] : servers_)
        server->SetConnected(false);
    return true;
}

bool KIVConnections::Reconnect(int32_t serviceID, int attempts, int pauseMs) {
    KIVServer* server = ServerOrFail(serviceID, "Reconnect");
    if (server == nullptr) return false;
    server->SetReconnecting(true);
    bool ok = false;
    for (int i = 0; i < attempts && !ok; ++i) {
        ok = Connect(serviceID);
        // The pause keeps handling events; no pause after the last try.
        if (!ok && i + 1 < attempts) loop_.PumpUntil([] { return false; }, pauseMs);
    }
    // The server may have been released by a handler during the pauses.
    if (KIVServer* s = GetKIVServer(serviceID)) s->SetReconnecting(false);
    return ok;
}

void KIVConnections::ShowConnectFail(const KIVServer& server) {
    UI().MessageBox(GetMLText("Fail to connect ") + server.ClientConnectIP(), MsgIcon::Exclamation,
                    GetMLText("Connection Fail"));
}

bool KIVConnections::SendMessage(int32_t serviceID, const std::string& text) {
    KIVServer* server = ServerOrFail(serviceID, "SendMessage");
    if (server == nullptr) return false;
    // The connect below announces the current FILTER; when that is the very
    // packet being sent, it has gone out already.
    std::string announced;
    if (server->InitConn()) {
        if (!ConnectServer(*server, &announced)) {
            ShowConnectFail(*server);
            return false;
        }
        server->SetConnected(true);
        server->SetInitConn(false);
    }
    if (!server->Connected()) {
        std::string question = server->ClientConnectIP() + GetMLText(" Is Offline") + "\n" +
                               GetMLText("Are you sure to reconnect?");
        if (!UI().AskYesNo(question, GetMLText("Connection Fail"), false)) return false;
        if (!ConnectServer(*server, &announced)) {
            ShowConnectFail(*server);
            return false;
        }
    }
    if (!announced.empty() && announced == text) return true;
    if (!messenger_.SendMessage(server->Index(), text)) {
        // Nobody received the packet: say so, so the caller does not
        // announce a change that never left this workstation.
        SetErr(messenger_.ErrNumber(), kClass, "SendMessage", messenger_.ErrDescription());
        WriteErrLog(ErrNumber(), ErrDescription(), kClass, "SendMessage");
        return false;
    }
    return true;
}

bool KIVConnections::SendMessageWithReply(int32_t serviceID, const std::string& text, int timeoutMs,
                                          const std::string& type, const std::string& table) {
    if (waiting_) {
        SetErr(kErrSendFail, kClass, "SendMessageWithReply", "Waiting for POS reply");
        WriteLog("Waiting for POS reply", kClass, "SendMessageWithReply", kLogWarning, 1);
        return false;
    }
    const auto start = std::chrono::steady_clock::now();
    // The flag covers the send too: a connect inside it pumps the loop, and
    // no second wait may begin meanwhile.
    waiting_ = true;
    replied_ = false;
    replyCode_.clear();
    replyDesc_.clear();
    expectType_ = type;
    expectTable_ = table;
    struct Cleanup {
        KIVConnections& self;
        ~Cleanup() {
            self.waiting_ = false;
            self.replied_ = false;
            self.replyCode_.clear();
            self.replyDesc_.clear();
            self.expectType_.clear();
            self.expectTable_.clear();
        }
    } cleanup{*this};
    if (!SendMessage(serviceID, text)) return false;
    auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::steady_clock::now() - start)
                       .count();
    int remaining = timeoutMs - static_cast<int>(elapsed);
    bool replied = loop_.PumpUntil([this] { return replied_; }, remaining < 0 ? 0 : remaining, 2);
    if (!replied) {
        SetErr(kErrRequestTimeout, kClass, "SendMessageWithReply", "Request timeout");
        WriteLog("Request timeout", kClass, "SendMessageWithReply");
        return false;
    }
    CopyErr(kErrPOSReply, replyDesc_);
    return replyCode_ == "0";
}

void KIVConnections::SetPOSReply(const std::string& errCode, const std::string& errDesc,
                                 const std::string& type, const std::string& table) {
    // Matched only when both sides know the request: a reply without the
    // echo, or a wait that named no request, keeps the first-come answer.
    const bool echoed = !type.empty() || !table.empty();
    const bool expecting = !expectType_.empty() || !expectTable_.empty();
    if (echoed && (!waiting_ || (expecting && (LowerAscii(type) != LowerAscii(expectType_) ||
                                               UpperAscii(table) != UpperAscii(expectTable_))))) {
        // Replies carry nothing else to match them by: without this check an
        // answer that came after its time-out would end the next wait.
        WriteLog("Stale POS reply dropped: " + type + " " + table + " " + errCode + " " + errDesc,
                 kClass, "SetPOSReply", kLogWarning, 1);
        return;
    }
    replyCode_ = errCode;
    replyDesc_ = errDesc;
    replied_ = true;
}

void KIVConnections::HandleArrival(int index, const Bytes& payload) {
    KIVServer* server = ServerByIndex(index);
    if (server == nullptr || !messageArrival_) return;
    MessageArrivalHandler handler = messageArrival_;
    handler(server->ServiceID(), payload);
}

void KIVConnections::HandleSocketError(int index, int32_t number, const std::string& description,
                                       int32_t statusCode, const std::string& source) {
    KIVServer* server = ServerByIndex(index);
    if (server == nullptr || server->Reconnecting() || !socketError_) return;
    SocketErrorHandler handler = socketError_;
    handler(server->ServiceID(), number, description, statusCode, source);
}
