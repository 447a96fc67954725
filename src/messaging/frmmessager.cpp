#include "messaging/frmmessager.h"

#include <asio/connect.hpp>
#include <asio/ip/tcp.hpp>
#include <asio/post.hpp>
#include <asio/write.hpp>
#include <chrono>
#include <deque>
#include <vector>

#include "core/log.h"
#include "messaging/framing.h"

namespace {

constexpr const char* kClass = "frmMessager";
using asio::ip::tcp;

// A peer that stops reading must not make the workstation buffer without
// bound: past this many unsent bytes a send fails.
constexpr std::size_t kMaxQueuedBytes = 16u << 20;
constexpr std::size_t kReadChunk = 64 * 1024;
constexpr std::size_t kMaxBuffersPerWrite = 64;

}  // namespace

struct frmMessager::Element {
    enum class State { Closed, Connecting, Connected };

    explicit Element(int i, frmMessager* o) : index(i), owner(o), readBuf(kReadChunk) {}

    int index;
    frmMessager* owner;  // nullptr once the messenger is gone
    std::unique_ptr<tcp::socket> socket;
    State state = State::Closed;
    // Bumped by every close and connect, so completions of an earlier socket
    // are recognised and ignored.
    uint64_t generation = 0;
    std::string host;
    int port = 0;
    FrameReassembler reassembler;
    std::vector<uint8_t> readBuf;
    std::deque<Bytes> outgoing;
    std::size_t outgoingBytes = 0;
    std::size_t inFlight = 0;  // frames of `outgoing` handed to the pending write
    bool writing = false;
};

frmMessager::frmMessager(EventLoop& loop) : loop_(loop) {}

frmMessager::~frmMessager() {
    for (auto& [index, e] : elements_) {
        e->owner = nullptr;
        Close(*e);
    }
}

int frmMessager::NewConnection() {
    int index = UBound() + 1;
    elements_.emplace(index, std::make_shared<Element>(index, this));
    return index;
}

frmMessager::ElementPtr frmMessager::Find(int index) const {
    auto it = elements_.find(index);
    return it == elements_.end() ? nullptr : it->second;
}

void frmMessager::Close(Element& e) {
    ++e.generation;
    if (e.socket) {
        std::error_code ignored;
        e.socket->close(ignored);
        e.socket.reset();
    }
    e.state = Element::State::Closed;
    e.reassembler.Reset();
    e.outgoing.clear();
    e.outgoingBytes = 0;
    e.inFlight = 0;
    e.writing = false;
}

bool frmMessager::Connect(const std::string& host, int port, int index, int timeoutMs,
                          const std::string& user, const std::string& password) {
    ElementPtr e = Find(index);
    if (!e) {
        SetErr(kErrItemNotFound, kClass, "Connect", "Item not found");
        WriteLog("Item not found: " + std::to_string(index), kClass, "Connect");
        return false;
    }
    const auto start = std::chrono::steady_clock::now();
    if (e->state != Element::State::Closed) Close(*e);
    e->host = host;
    e->port = port;

    std::vector<tcp::endpoint> endpoints;
    std::error_code ec;
    asio::ip::address address = asio::ip::make_address(host, ec);
    if (!ec) {
        endpoints.emplace_back(address, static_cast<uint16_t>(port));
    } else {
        tcp::resolver resolver(loop_.Context());
        for (const auto& r : resolver.resolve(host, std::to_string(port), ec))
            endpoints.push_back(r.endpoint());
    }
    if (endpoints.empty() || port <= 0 || port > 65535) {
        SetErr(kErrItemNotFound, kClass, "Connect", "Cannot resolve " + host);
        WriteLog("Cannot resolve " + host + ":" + std::to_string(port), kClass, "Connect");
        return false;
    }

    e->socket = std::make_unique<tcp::socket>(loop_.Context());
    e->state = Element::State::Connecting;
    const uint64_t generation = ++e->generation;
    auto outcome = std::make_shared<std::error_code>();
    asio::async_connect(*e->socket, endpoints,
                        [e, generation, outcome](const std::error_code& err, const tcp::endpoint&) {
                            if (e->generation != generation) return;
                            *outcome = err;
                            e->state = err ? Element::State::Closed : Element::State::Connected;
                        });
    auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::steady_clock::now() - start)
                       .count();
    int remaining = timeoutMs - static_cast<int>(elapsed);
    // The documented wait polls while the socket is connecting; a refused
    // connection ends it at once rather than after the whole time-out.
    loop_.PumpUntil(
        [&] { return e->generation != generation || e->state != Element::State::Connecting; },
        remaining < 0 ? 0 : remaining, 1);
    if (e->generation != generation || e->state != Element::State::Connected) {
        bool timedOut = e->generation == generation && e->state == Element::State::Connecting;
        if (e->generation == generation) Close(*e);
        std::string why = timedOut ? "Connect timeout" : outcome->message();
        SetErr(timedOut ? static_cast<int32_t>(asio::error::timed_out) : outcome->value(), kClass,
               "Connect", why);
        WriteLog("Connect " + host + ":" + std::to_string(port) + " fail: " + why, kClass,
                 "Connect", kLogWarning, 1);
        return false;
    }
    e->socket->set_option(tcp::no_delay(true), ec);
    e->socket->non_blocking(true, ec);
    StartRead(e);
    if (!user.empty() && !password.empty()) Login(user, password);
    return true;
}

void frmMessager::Disconnect(int index) {
    if (ElementPtr e = Find(index)) Close(*e);
}

void frmMessager::DisConnectAll() {
    for (auto it = elements_.rbegin(); it != elements_.rend(); ++it)
        Close(*it->second);
}

bool frmMessager::IsConnected(int index) const {
    ElementPtr e = Find(index);
    return e && e->state == Element::State::Connected;
}

std::string frmMessager::GetIP(int index) const {
    ElementPtr e = Find(index);
    return e ? e->host : std::string();
}

bool frmMessager::Login(const std::string&, const std::string&) {
    return true;
}

Bytes frmMessager::Encode(const Bytes& raw) {
    return EscapeBytes(raw);
}

Bytes frmMessager::EncodeStr(const std::string& text) {
    return EncodePayload(text);
}

Bytes frmMessager::Decode(const Bytes& escaped) {
    return UnescapeBytes(escaped);
}

std::string frmMessager::DecodeToStr(const Bytes& escaped) {
    return DecodePayload(escaped.data(), escaped.size());
}

bool frmMessager::SendMessage(int index, const std::string& text) {
    Bytes escaped;
    try {
        escaped = EncodeStr(text);
    } catch (...) {
        SetErr(kErrSendFail, kClass, "SendMessage", "EncodeStr fail");
        WriteErrLog(kErrSendFail, "EncodeStr fail", kClass, "SendMessage");
        return false;
    }
    return SendData(index, escaped);
}

bool frmMessager::SendData(int index, const Bytes& escaped) {
    ElementPtr e = Find(index);
    if (!e) {
        SetErr(kErrItemNotFound, kClass, "SendData", "Item not found");
        return false;
    }
    auto fail = [&](const std::string& why) {
        SetErr(kErrSendFail, kClass, "SendData", "SendData fail");
        WriteLog("SendData fail: " + why, kClass, "SendData", kLogError, 1);
        return false;
    };
    if (e->state != Element::State::Connected) return fail("not connected");
    Bytes frame;
    try {
        frame = FrameEscaped(escaped);
    } catch (...) {
        return fail("out of memory");
    }
    if (frame.size() > kMaxFrameBytes) {
        // The server would drop it unread; better the caller knows it never left.
        const std::string why = "Message too large " + std::to_string(frame.size());
        SetErr(kErrSendFail, kClass, "SendData", why);
        WriteLog(why, kClass, "SendData", kLogError, 1);
        return false;
    }
    if (e->outgoingBytes + frame.size() > kMaxQueuedBytes) return fail("send queue full");
    if (!e->writing) {
        // Try the write at once: a write the kernel refuses is reported to
        // this caller rather than discovered later.
        std::error_code ec;
        std::size_t n = e->socket->write_some(asio::buffer(frame), ec);
        if (ec == asio::error::would_block || ec == asio::error::try_again) {
            n = 0;
            ec.clear();
        }
        if (ec) {
            // The close is reported as an event from the loop, not from
            // inside this caller's send.
            uint64_t generation = e->generation;
            asio::post(loop_.Context(), [e, generation, ec] {
                if (e->owner != nullptr && e->generation == generation) e->owner->Fail(e, ec);
            });
            return fail(ec.message());
        }
        if (n == frame.size()) return true;
        frame.erase(frame.begin(), frame.begin() + static_cast<long>(n));
    }
    e->outgoingBytes += frame.size();
    e->outgoing.push_back(std::move(frame));
    if (!e->writing) StartWrite(e);
    return true;
}

void frmMessager::StartWrite(const ElementPtr& e) {
    std::vector<asio::const_buffer> buffers;
    for (std::size_t i = 0; i < e->outgoing.size() && i < kMaxBuffersPerWrite; ++i)
        buffers.push_back(asio::buffer(e->outgoing[i]));
    e->inFlight = buffers.size();
    e->writing = true;
    const uint64_t generation = e->generation;
    asio::async_write(*e->socket, buffers, [e, generation](const std::error_code& ec, std::size_t) {
        if (e->owner == nullptr || e->generation != generation) return;
        if (ec) {
            e->owner->Fail(e, ec);
            return;
        }
        for (std::size_t i = 0; i < e->inFlight; ++i) {
            e->outgoingBytes -= e->outgoing.front().size();
            e->outgoing.pop_front();
        }
        e->inFlight = 0;
        e->writing = false;
        if (!e->outgoing.empty()) e->owner->StartWrite(e);
    });
}

void frmMessager::StartRead(const ElementPtr& e) {
    const uint64_t generation = e->generation;
    e->socket->async_read_some(asio::buffer(e->readBuf),
                               [e, generation](const std::error_code& ec, std::size_t size) {
                                   if (e->owner == nullptr || e->generation != generation) return;
                                   e->owner->HandleRead(e, generation, ec, size);
                               });
}

void frmMessager::HandleRead(const ElementPtr& e, uint64_t generation, const std::error_code& ec,
                             std::size_t size) {
    if (ec) {
        if (ec != asio::error::operation_aborted) Fail(e, ec);
        return;
    }
    e->reassembler.Feed(
        e->readBuf.data(), size,
        [&](const uint8_t* frame, std::size_t n) { return Deliver(e, generation, frame, n); },
        [](std::size_t total) {
            WriteLog("Message too large " + std::to_string(total), kClass, "sckClient_DataArrival");
        });
    // Reading resumes only after every packet of this read was handled, so
    // packets are handled one at a time and in order.
    if (e->owner != nullptr && e->generation == generation) e->owner->StartRead(e);
}

bool frmMessager::Deliver(const ElementPtr& e, uint64_t generation, const uint8_t* frame,
                          std::size_t size) {
    Bytes payload;
    if (!UnframePayload(frame, size, payload)) return true;
    // A copy: the handler may release this messenger.
    MessageArrivalHandler handler = messageArrival_;
    if (handler) handler(e->index, payload);
    return e->owner != nullptr && e->generation == generation;
}

void frmMessager::Fail(const ElementPtr& e, const std::error_code& ec) {
    Close(*e);
    SocketErrorHandler handler = socketError_;
    if (ec == asio::error::eof) {
        WriteLog("Connection close", kClass, "sckClient_Close", kLogWarning, 1);
        if (handler) handler(e->index, 0, "Connection close", 0, "sckClient");
        return;
    }
    WriteErrLog(ec.value(), ec.message(), kClass, "sckClient_Error");
    if (handler) handler(e->index, ec.value(), ec.message(), ec.value(), "sckClient");
}
