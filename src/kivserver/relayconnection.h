#pragma once
// One workstation connected to the relay server: its socket, the frame being
// reassembled from it, the frames waiting to go out to it (one write in
// flight, later frames gathered into the next write), and its last FILTER.
// A quiet connection costs no buffer: reads go through the server's one
// read buffer, and only an unfinished frame or unsent frames take memory.
#include <asio/ip/tcp.hpp>
#include <asio/steady_timer.hpp>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "kivserver/serverlog.h"
#include "messaging/framing.h"

namespace kivsrv {

class RelayServer;

// A frame on its way out, shared by every connection it is queued for. Its
// bytes count once towards the memory the server holds, while any queue has it.
struct OutFrame {
    explicit OutFrame(Bytes b) : bytes(std::move(b)) {}
    Bytes bytes;
    std::size_t queues = 0;  // connections it waits in
};
using OutFramePtr = std::shared_ptr<OutFrame>;

// What a workstation said it is showing.
struct ActiveFilter {
    bool set = false;
    std::string outletID;
    std::string reserveDate;
    std::string mealPeriodID;
};

class RelayConnection : public std::enable_shared_from_this<RelayConnection> {
  public:
    RelayConnection(asio::ip::tcp::socket socket, uint64_t id, RelayServer* server);

    // Starts reading; a connection that sends no packet within
    // `idleTimeoutSec` seconds (0: no limit) is closed.
    void Start(int idleTimeoutSec);
    // Queues a whole frame (shared between the receivers of one relay).
    // False when the connection is closed.
    bool Send(const OutFramePtr& frame);
    // Closes the socket and leaves the server's list; no effect when closed.
    void Close(const std::string& reason);
    // The server is gone: nothing is reported to it any more.
    void Detach() { server_ = nullptr; }
    // A packet came: the connection is a workstation, not an idle socket.
    void MarkGreeted();

    uint64_t Id() const { return id_; }
    const std::string& Peer() const { return peer_; }
    bool Closed() const { return closed_; }
    const std::string& LastError() const { return lastError_; }
    ActiveFilter& Filter() { return filter_; }
    std::size_t QueuedBytes() const { return queuedBytes_; }
    // What this connection is behind by: the frames waiting for it (shared
    // ones included) and its unfinished incoming frame.
    std::size_t HeldBytes() const { return queuedBytes_ + reassembler_.Buffered(); }
    RepeatLimiter& Repeats() { return repeats_; }

  private:
    void Read();
    void HandleReadable();
    void WriteQueued();
    // A frame leaves the queue: sent, or dropped with the connection.
    void Release(OutFrame& frame);
    // Tells the server how much the unfinished incoming frame holds now.
    void AccountInput();
    void AddHeld(std::ptrdiff_t delta);

    asio::ip::tcp::socket socket_;
    uint64_t id_;
    RelayServer* server_;
    std::string peer_;
    FrameReassembler reassembler_;
    std::deque<OutFramePtr> out_;
    std::size_t queuedBytes_ = 0;
    std::size_t inputAccounted_ = 0;  // Buffered() as last reported to the server
    std::size_t inFlight_ = 0;
    bool writing_ = false;
    bool flushPosted_ = false;
    bool closed_ = false;
    bool greeted_ = false;
    std::string lastError_;
    ActiveFilter filter_;
    asio::steady_timer idleTimer_;
    RepeatLimiter repeats_;
};

}  // namespace kivsrv
