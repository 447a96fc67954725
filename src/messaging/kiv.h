#pragma once
// KIV: the hub of a signed-in workstation. It holds the shared objects from
// sign-in to sign-out, parses every packet a KIV server sends, applies POS
// replies and POS status, and hands each data change to the handler
// registered for its table. Releasing it disconnects every server.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/errorstate.h"
#include "messaging/datachange.h"
#include "messaging/instantmsgs.h"
#include "messaging/kivconnections.h"
#include "messaging/posservers.h"
#include "platform/eventloop.h"

class SQLDB;
class KIVFunc;
class Outlets;
class Accounts;
class ColorDefs;
class ViewSet;

class KIV : public ErrorState {
  public:
    using POSStatusHandler = std::function<void()>;
    // The server is named by its ClientConnectIP.
    using SocketErrorHandler = std::function<void(const std::string& address, int32_t number,
                                                  const std::string& description,
                                                  int32_t statusCode, const std::string& source)>;

    // Creates the shared objects and runs InitObjects; the caller then runs
    // KIVConn().Load(). Releasing the hub releases this workstation's table
    // holds, then disconnects every server.
    explicit KIV(EventLoop& loop = MainLoop());
    ~KIV();
    KIV(const KIV&) = delete;
    KIV& operator=(const KIV&) = delete;

    // Loads what the hub shares from the default database; a failed step is
    // logged and the next one still runs. False when any step failed.
    bool InitObjects();
    // Reads the receipt template (TemplateCode RECEIPT) from the default
    // database; false (logged) when the query fails.
    bool LoadTemplate();
    const std::string& ReceiptTemplate() const { return receiptTemplate_; }

    KIVConnections& KIVConn() { return *conn_; }
    // The reservation operations, announcing through KIVConn.
    KIVFunc& Func() { return *func_; }
    Outlets& OutletList() { return *outlets_; }
    Accounts& AccountList() { return *accounts_; }
    ColorDefs& Colors() { return *colorDefs_; }
    POSServers& POSServerList() { return posServers_; }
    DataChangeDispatcher& Dispatcher() { return dispatcher_; }
    // This workstation's instant messages; their dispatch handler is
    // registered for "tbl_instantmsg".
    InstantMsgs& IM() { return *im_; }
    // The default database connection; nullptr without one.
    SQLDB* GetSQLDB() { return sqldb_; }

    // Handles one packet from the server `serviceID`.
    void ParseKIVSvrMsg(int32_t serviceID, const std::string& text);

    void OnPOSStatus(POSStatusHandler handler) { posStatus_ = std::move(handler); }
    void OnSocketError(SocketErrorHandler handler) { socketError_ = std::move(handler); }
    // An instant message for this workstation arrived.
    void OnIMMessageArrival(InstantMsgs::ArrivalHandler handler) {
        im_->OnIMMessageArrival(std::move(handler));
    }

    // Marks a KIV server offline: its POS servers' status becomes unknown.
    void MarkServerOffline(KIVServer& server);

    // The current, future and past views. They belong to a higher layer, so
    // the front end makes them after sign-in and hands them over; released
    // after the servers are disconnected. nullptr until then.
    ViewSet* Views() { return views_.get(); }
    void SetViews(std::shared_ptr<ViewSet> views) { views_ = std::move(views); }

  private:
    void ApplyPOSReply(const ScriptNode& kivdata);
    void ApplyPOSStatus(const ScriptNode& kivdata);
    void ApplyDataChange(const ScriptNode& kivdata);
    void HandleSocketError(int32_t serviceID, int32_t number, const std::string& description,
                           int32_t statusCode, const std::string& source);

    SQLDB* sqldb_ = nullptr;
    std::unique_ptr<KIVFunc> func_;
    std::unique_ptr<Outlets> outlets_;
    std::unique_ptr<Accounts> accounts_;
    std::unique_ptr<ColorDefs> colorDefs_;
    POSServers posServers_;
    DataChangeDispatcher dispatcher_;
    std::unique_ptr<KIVConnections> conn_;
    std::unique_ptr<InstantMsgs> im_;
    std::string receiptTemplate_;
    POSStatusHandler posStatus_;
    SocketErrorHandler socketError_;
    std::shared_ptr<ViewSet> views_;  // shared: deleted where its type is known
};
