#pragma once
// The built-in POS simulator: answers a POSREQUEST packet with one POSREPLY
// (code and description by the first request's type, after an optional
// delay; the first request's type and table echoed), and builds the POSSTATUS
// packet announced to new connections.
#include <string>

#include "kivserver/relayoptions.h"
#include "messaging/packetmaker.h"

class ScriptNode;

namespace kivsrv {

struct PlannedReply {
    std::string type;      // the request type answered
    bool send = false;     // false: configured to stay unanswered
    bool accepted = true;  // false: the configured answer refuses
    std::string packet;    // POSREPLY text
    int delayMs = 0;
};

class PosSimulator {
  public:
    explicit PosSimulator(const RelayOptions& options) : options_(options) {}

    // The reply to a POSREQUEST payload. One reply per packet: the
    // workstation waits for exactly one.
    PlannedReply ReplyFor(const ScriptNode& kivdata);
    // The POSREPLY refusing the payload's first request with `code`.
    std::string Refusal(const ScriptNode& kivdata, const std::string& code,
                        const std::string& description);
    // POSSTATUS with one row per configured POS code; "" when there is none.
    std::string StatusPacket();

  private:
    std::string ReplyPacket(const std::string& code, const std::string& description,
                            const std::string& type, const std::string& table);

    const RelayOptions& options_;
    PacketMaker maker_;
};

}  // namespace kivsrv
