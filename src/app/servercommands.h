#pragma once
// The hub of a signed-in console session and the server commands: the
// status listing, reconnecting all servers, and the prompt shown when a
// server connection is lost.
#include <memory>
#include <string>
#include <vector>

class KIV;

// Creates the hub after sign-in with the progress texts, reads the list of
// servers and answers lost connections with PromptReconnect.
std::unique_ptr<KIV> OpenHub();

// Marks the server offline and offers to reconnect it (5 attempts, 3 s
// apart), reporting the outcome.
void PromptReconnect(KIV& hub, const std::string& address, const std::string& description);

// One line per KIV server and per POS server: kind, code, address, status
// ("Unknown", "Online", "Offline"), tab-separated.
std::vector<std::string> ServerStatusLines(KIV& hub);

// Connects every server again; one line per server with the outcome.
std::vector<std::string> ReconnectAll(KIV& hub);
