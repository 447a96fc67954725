#pragma once
// KIVConnections: the KIV servers of this workstation's active outlets, and
// sending to them: connecting on the first send, asking to reconnect a server
// that went offline, reconnecting, and waiting for one POS reply at a time.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "core/errorstate.h"
#include "core/orderedmap.h"
#include "messaging/frmmessager.h"
#include "messaging/kivserver.h"
#include "platform/eventloop.h"

class SQLDB;

// Time-outs the callers pass.
inline constexpr int kConnectTimeoutMs = 5000;
inline constexpr int kPOSReplyTimeoutMs = 5000;
inline constexpr int kCheckEnquiryTimeoutMs = 10000;
// The reconnect of the main window.
inline constexpr int kReconnectAttempts = 5;
inline constexpr int kReconnectPauseMs = 3000;

class KIVConnections : public ErrorState {
  public:
    using MessageArrivalHandler = std::function<void(int32_t serviceID, const Bytes& payload)>;
    using SocketErrorHandler =
        std::function<void(int32_t serviceID, int32_t number, const std::string& description,
                           int32_t statusCode, const std::string& source)>;

    explicit KIVConnections(EventLoop& loop = MainLoop());
    ~KIVConnections();
    KIVConnections(const KIVConnections&) = delete;
    KIVConnections& operator=(const KIVConnections&) = delete;

    // Reads the servers of the active outlets from the default database.
    bool Load();
    // The same from a given database (nullptr fails like a missing default).
    bool Load(SQLDB* sqldb);
    // Registers a server made in code, as Load does for a row.
    bool AddServer(std::unique_ptr<KIVServer> server);

    // Every successful connect (these, Reconnect and the connect of a send)
    // first sends the server the current FILTER, or an empty one while no
    // view is open: the server closes a connection that stays silent.
    bool ConnectAll();
    bool DisConnectAll();
    bool Connect(int32_t serviceID);
    bool Reconnect(int32_t serviceID, int attempts, int pauseMs);

    // False when the server is unknown, cannot be connected, the user keeps
    // it offline, or the write fails (the error stays in ErrDescription).
    bool SendMessage(int32_t serviceID, const std::string& text);
    // Sends and waits for the POS reply: true when its code is "0"; the
    // reply's description is left with ErrNumber 9033 either way. `type` and
    // `table` are those of the (first) request: a reply that echoes another
    // request's type or table is a late answer to an earlier request and
    // does not end this wait.
    bool SendMessageWithReply(int32_t serviceID, const std::string& text, int timeoutMs,
                              const std::string& type = {}, const std::string& table = {});
    // A POS reply arrived. `type` and `table` are what the reply echoes of
    // its request ("" when the POS side does not echo them): an echoing
    // reply that names a request other than the one awaited, or arrives
    // while nothing is awaited, is dropped with a log line.
    void SetPOSReply(const std::string& errCode, const std::string& errDesc,
                     const std::string& type = {}, const std::string& table = {});
    bool WaitingForReply() const { return waiting_; }

    // The FILTER packet last sent to a server (what this workstation shows),
    // kept so it can be sent again after a connect; nullptr when none was sent.
    void SetCurrentFilter(int32_t serviceID, std::string packet) {
        currentFilters_[serviceID] = std::move(packet);
    }
    const std::string* CurrentFilter(int32_t serviceID) const {
        auto it = currentFilters_.find(serviceID);
        return it == currentFilters_.end() ? nullptr : &it->second;
    }

    OrderedMap<int32_t, std::unique_ptr<KIVServer>>& KIVServers() { return servers_; }
    KIVServer* GetKIVServer(int32_t serviceID);
    frmMessager& Messenger() { return messenger_; }

    void OnMessageArrival(MessageArrivalHandler handler) { messageArrival_ = std::move(handler); }
    void OnSocketError(SocketErrorHandler handler) { socketError_ = std::move(handler); }

  private:
    KIVServer* ServerOrFail(int32_t serviceID, const char* procedure);
    // Connects and announces the filter; `announced` gets the FILTER text
    // sent (empty when none could be).
    bool ConnectServer(KIVServer& server, std::string* announced);
    std::string Announce(KIVServer& server);
    KIVServer* ServerByIndex(int index);
    void ShowConnectFail(const KIVServer& server);
    void HandleArrival(int index, const Bytes& payload);
    void HandleSocketError(int index, int32_t number, const std::string& description,
                           int32_t statusCode, const std::string& source);

    EventLoop& loop_;
    frmMessager messenger_;
    OrderedMap<int32_t, std::unique_ptr<KIVServer>> servers_;
    std::string replyCode_;
    std::string replyDesc_;
    bool replied_ = false;
    std::string expectType_;
    std::string expectTable_;
    bool waiting_ = false;
    MessageArrivalHandler messageArrival_;
    SocketErrorHandler socketError_;
    std::map<int32_t, std::string> currentFilters_;
};
