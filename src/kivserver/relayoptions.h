#pragma once
// The relay server's settings: where it listens, how its POS simulator
// answers, which POS status it announces, and its log.
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace kivsrv {

// How the POS simulator answers one request type.
struct PosReplyRule {
    bool reply = true;  // false: the request is taken and never answered
    std::string code = "0";
    std::string description = "OK";
    int delayMs = 0;
};

struct RelayOptions {
    std::string bind = "127.0.0.1";
    int port = 7500;
    PosReplyRule defaultRule;
    // By request type ("edit_resv", "chk_enq", ...), lower case.
    std::map<std::string, PosReplyRule> rules;
    // POS code and "online"/"offline", announced to every new connection.
    std::vector<std::pair<std::string, std::string>> posStatus;
    // The installation's database files the POS simulator keeps the table
    // statuses in (none: it only answers).
    std::vector<std::string> databases;
    std::string logFile;
    int verbosity = 1;
    // Hostile or stuck peers: bytes waiting in all the connections together
    // (the connection holding most is dropped beyond it), connections at once,
    // and seconds a new connection may take to send its first packet (0: no
    // limit).
    int maxQueueMB = 64;
    int maxConnections = 256;
    int idleTimeoutSec = 30;

    RelayOptions();
    PosReplyRule RuleFor(const std::string& type) const;
};

// Parses the command line (and a --config file). Returns -1 when the server
// should run; otherwise the exit status, with the text to print in `message`
// (help or the error).
int ParseRelayOptions(int argc, const char* const* argv, RelayOptions& options,
                      std::string& message);

}  // namespace kivsrv
