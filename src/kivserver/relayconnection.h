#pragma once
// One workstation connected to the relay server: its socket, the frames
// being reassembled from it, the frames waiting to go out to it (one write
// in flight, later frames gathered into the next write), and its last FILTER.
#include <asio/ip/tcp.hpp>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "messaging/framing.h"

namespace kivsrv {

class RelayServer;

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

    void Start();
    // Queues a whole frame (shared between the receivers of one relay).
    // False when the connection is closed or too much is waiting for a
    // workstation that does not read; LastError says which.
    bool Send(const std::shared_ptr<const Bytes>& frame);
    // Closes the socket and leaves the server's list; no effect when closed.
    void Close(const std::string& reason);
    // The server is gone: nothing is reported to it any more.
    void Detach() { server_ = nullptr; }

    uint64_t Id() const { return id_; }
    const std::string& Peer() const { return peer_; }
    bool Closed() const { return closed_; }
    const std::string& LastError() const { return lastError_; }
    ActiveFilter& Filter() { return filter_; }
    std::size_t QueuedBytes() const { return queuedBytes_; }

  private:
    void Read();
    void WriteQueued();

    asio::ip::tcp::socket socket_;
    uint64_t id_;
    RelayServer* server_;
    std::string peer_;
    FrameReassembler reassembler_;
    std::vector<uint8_t> readBuf_;
    std::deque<std::shared_ptr<const Bytes>> out_;
    std::size_t queuedBytes_ = 0;
    std::size_t inFlight_ = 0;
    bool writing_ = false;
    bool flushPosted_ = false;
    bool closed_ = false;
    std::string lastError_;
    ActiveFilter filter_;
};

}  // namespace kivsrv
