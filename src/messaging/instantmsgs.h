#pragma once
// InstantMsgs: the instant messages of this workstation. Messages and their
// recipient rows live on the workstation's own database server; after
// writing them the sender announces the message with a DATACHANGE of
// "tbl_instantmsg", and each receiving workstation re-reads it in its
// dispatch handler and tells its front end (OnIMMessageArrival).
// Failures return false, keep ErrNumber/ErrDescription and write one log
// line under "KIVFunc" (the dispatch handler: "KIV").
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/errorstate.h"
#include "messaging/datachange.h"
#include "messaging/instantmsg.h"
#include "messaging/packetmaker.h"
#include "platform/datetime.h"

class KIVConnections;
class Outlets;
class SQLDB;

// A workstation a message can go to: one tbl_Client row.
struct IMClient {
    int32_t ClientID = 0;
    std::string ClientCode;
    std::string Name;  // NameL1
};

class InstantMsgs : public ErrorState {
  public:
    using ArrivalHandler = std::function<void(const InstantMsg&)>;

    // `clientID` and `dbServerID` are this workstation's (tbl_Client row).
    InstantMsgs(int32_t clientID, int32_t dbServerID);

    // The servers announcements go through, and the outlets that tell which
    // server serves a database server. Without servers messages are written
    // and the announcement is skipped with a log line.
    void SetConnections(KIVConnections* conn) { conn_ = conn; }
    void SetOutlets(const Outlets* outlets) { outlets_ = outlets; }
    PacketMaker& Maker() { return maker_; }

    // The other active workstations, the possible recipients (default
    // database), in ClientID order.
    bool GetClients(std::vector<IMClient>& clients);
    // Messages to this workstation (active recipient row) or from it, sent
    // on or after the day `since`, newest first.
    bool GetMsgs(const DateTime& since, std::vector<InstantMsg>& msgs);
    // Writes the message and one recipient row per distinct id in one
    // transaction; the new InstantMsgID, or 0 when nothing was written.
    int32_t InsertInstantMsg(int32_t dbServerID, const std::string& text,
                             const std::vector<int32_t>& recipients);
    // Writes and announces the message. No recipient writes nothing. `newID`
    // gets the id of a written message even when the announcement failed
    // (false then too).
    bool SendInstantMsg(int32_t dbServerID, const std::string& text,
                        const std::vector<int32_t>& recipients, int32_t* newID = nullptr);
    // A message to every workstation GetClients lists: one recipient row
    // each, so that every receiver finds itself addressed.
    bool SendInstantMsg4All(int32_t dbServerID, const std::string& text, int32_t* newID = nullptr);

    // The data-change handler of "tbl_instantmsg": re-reads the message and
    // raises the arrival when this workstation is an active recipient or
    // the sender. True when it was raised.
    bool DBChange_tbl_InstantMsg(const DataChangeMsg& msg);
    void OnIMMessageArrival(ArrivalHandler handler) { arrival_ = std::move(handler); }

    // Workstation codes by ClientID, every row of tbl_Client (inactive ones
    // too: old messages keep their sender).
    std::map<int32_t, std::string> ClientCodes();
    int32_t ClientID() const { return clientID_; }
    int32_t DBServerID() const { return dbServerID_; }

  private:
    // The connection of a database server; nullptr (error set, logged under
    // `procedure`) without one.
    SQLDB* Database(int32_t dbServerID, const char* procedure);
    bool Fail(const char* procedure, int32_t number, const std::string& message,
              const std::string& sql = "");
    bool Announce(int32_t dbServerID, int32_t instantMsgID);
    // The server of an outlet on `dbServerID`, else the first one; 0: none.
    int32_t ServerFor(int32_t dbServerID);

    int32_t clientID_;
    int32_t dbServerID_;
    KIVConnections* conn_ = nullptr;
    const Outlets* outlets_ = nullptr;
    PacketMaker maker_;
    ArrivalHandler arrival_;
};
