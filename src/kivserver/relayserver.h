#pragma once
// The relay server: accepts workstations, keeps each one's last FILTER,
// passes every DATACHANGE (and BROADCAST) on to all other workstations as
// received, answers POSREQUEST through the POS simulator and announces the
// configured POS status to each new connection. Bad frames and packets are
// logged and dropped; they never affect another connection.
#include <asio/io_context.hpp>
#include <asio/ip/tcp.hpp>
#include <asio/steady_timer.hpp>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>

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

  private:
    void Accept();
    void Relay(RelayConnection& from, const uint8_t* frame, std::size_t size);
    void KeepFilter(RelayConnection& from, const ScriptNode& kivdata);
    void AnswerPOS(RelayConnection& from, const ScriptNode& kivdata);
    void SendOrDrop(RelayConnection& to, const std::shared_ptr<const Bytes>& frame);
    std::string Name(const RelayConnection& c) const;

    asio::io_context& io_;
    const RelayOptions& options_;
    ServerLog& log_;
    asio::ip::tcp::acceptor acceptor_;
    asio::steady_timer acceptRetry_;
    std::map<uint64_t, std::shared_ptr<RelayConnection>> connections_;
    std::set<std::shared_ptr<asio::steady_timer>> replyTimers_;
    uint64_t nextId_ = 1;
    PosSimulator pos_;
    std::shared_ptr<const Bytes> statusFrame_;
    bool stopped_ = false;
};

}  // namespace kivsrv
