#pragma once
// The built-in POS simulator: answers a POSREQUEST packet with one POSREPLY
// (code and description by the first request's type, after an optional
// delay), and builds the POSSTATUS packet announced to new connections.
#include <string>

#include "kivserver/relayoptions.h"
#include "messaging/packetmaker.h"

class ScriptNode;

namespace kivsrv {

struct PlannedReply {
    std::string type;    // the request type answered
    bool send = false;   // false: configured to stay unanswered
    std::string packet;  // POSREPLY text
    int delayMs = 0;
};

class PosSimulator {
  public:
    explicit PosSimulator(const RelayOptions& options) : options_(options) {}

    // The reply to a POSREQUEST payload. One reply per packet: the
    // workstation waits for exactly one.
    PlannedReply ReplyFor(const ScriptNode& kivdata);
    // POSSTATUS with one row per configured POS code; "" when there is none.
    std::string StatusPacket();

  private:
    const RelayOptions& options_;
    PacketMaker maker_;
};

}  // namespace kivsrv
