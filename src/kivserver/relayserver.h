#pragma once
// The relay server: accepts workstations, keeps each one's last FILTER,
// passes every DATACHANGE (and BROADCAST) on to all other workstations as
// received, answers POSREQUEST through the POS simulator and announces the
// configured POS status to each new connection; given the installation's
// databases, its POS keeps the table statuses and announces their changes. Bad frames and packets
// are logged (a few lines per kind and connection) and dropped; they never affect another
// connection. Hostile peers are bounded: connections at once, time to the first packet, and the
// memory all connections hold together.
#include <asio/io_context.hpp>
#include <asio/ip/tcp.hpp>
#include <asio/steady_timer.hpp>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "kivserver/posfloor.h"
#include "kivserver/possimulator.h"
#include "kivserver/relayconnection.h"
#include "kivserver/relayoptions.h"
#include "kivserver/serverlog.h"

class ScriptNode;

namespace kivsrv {

class RelayServer {
  public:
    RelayServer(asio::io_context& io, const RelayOptions& options, ServerLog& log);
    ~RelayServer();
    RelayServer(const RelayServer&) = delete;
    RelayServer& operator=(const RelayServer&) = delete;

    // Binds and listens; false with the reason in `error`.
    bool Start(std::string& error);
    void Stop();
    uint16_t Port() const;
    std::size_t ConnectionCount() const { return connections_.size(); }

    // From the connections.
    void HandleFrame(RelayConnection& from, const uint8_t* frame, std::size_t size);
    void HandleOversize(RelayConnection& from, std::size_t total);
    void Removed(RelayConnection& connection, const std::string& reason);
    // Memory held for the connections (frames waiting to go out, each
    // counted once, and unfinished incoming frames) grew or shrank.
    void AddHeld(std::ptrdiff_t delta);
    // The one read buffer of all connections (the loop has one thread).
    std::vector<uint8_t>& ReadBuffer() { return readBuffer_; }
    std::size_t HeldBytes() const { return heldBytes_; }

  private:
    void Accept();
    void Relay(RelayConnection& from, const uint8_t* frame, std::size_t size);
    void KeepFilter(RelayConnection& from, const ScriptNode& kivdata);
    void AnswerPOS(RelayConnection& from, const ScriptNode& kivdata);
    // Announces the status rows the simulated POS changed to every
    // workstation, the requester too, as a POS link does.
    void AnnounceFloor(const FloorOutcome& outcome);
    void SendOrDrop(RelayConnection& to, const OutFramePtr& frame);
    std::string Name(const RelayConnection& c) const;
    // A line of a kind one connection may repeat without end.
    template <typename MakeText>
    void LogRepeat(RelayConnection& from, const char* kind, MakeText&& makeText) {
        from.Repeats().Write(log_, kLogEvents, kind, makeText);
    }
    void EnforceMemoryCap();
    void ScheduleTrim();
    OutFramePtr ReplyFrame(const PlannedReply& reply);

    asio::io_context& io_;
    const RelayOptions& options_;
    ServerLog& log_;
    asio::ip::tcp::acceptor acceptor_;
    asio::steady_timer acceptRetry_;
    std::map<uint64_t, std::shared_ptr<RelayConnection>> connections_;
    std::set<std::shared_ptr<asio::steady_timer>> replyTimers_;
    uint64_t nextId_ = 1;
    PosSimulator pos_;
    PosFloor floor_;
    OutFramePtr statusFrame_;
    // POSREPLY frames by text: one copy shared by every connection it is
    // queued for, however many ask.
    std::map<std::string, OutFramePtr> replyFrames_;
    std::vector<uint8_t> readBuffer_;
    std::size_t heldBytes_ = 0;
    std::size_t maxHeldBytes_;
    bool capCheckPosted_ = false;
    asio::steady_timer trimTimer_;
    bool trimPending_ = false;
    RepeatLimiter refusals_;
    bool stopped_ = false;
};

}  // namespace kivsrv
