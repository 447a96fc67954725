#pragma once
// One HTTP POST through libcurl, as the web booking calls need it: a body,
// a few headers, one overall time-out, no retry and no redirect. While the
// request is under way the caller's event loop keeps running, so relay
// packets are still handled during the wait.
#include <string>
#include <utility>
#include <vector>

class EventLoop;

struct HttpRequest {
    std::string url;
    std::vector<std::pair<std::string, std::string>> headers;  // name, value
    std::string body;
    int timeoutMs = 30000;  // connect and answer together
};

enum class HttpOutcome {
    kAnswered,     // a complete HTTP answer arrived (any status)
    kUnreachable,  // bad address, name not found, connection refused
    kTimedOut,     // no complete answer within the time-out
    kFailed,       // anything else (oversized answer, transfer error)
};

struct HttpReply {
    HttpOutcome outcome = HttpOutcome::kFailed;
    long status = 0;    // HTTP status when answered
    std::string body;   // the answer's body when answered
    std::string error;  // libcurl's reason otherwise
};

// Answers larger than this are refused instead of filling memory.
inline constexpr std::size_t kMaxHttpAnswerBytes = 16u << 20;

// Sends the request; `loop` (may be nullptr) is pumped while waiting.
// Never throws.
HttpReply HttpPost(const HttpRequest& request, EventLoop* loop);
