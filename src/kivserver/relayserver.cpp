#include "kivserver/relayserver.h"

#include <algorithm>
#include <asio/post.hpp>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "messaging/scriptdocument.h"
#include "platform/textutil.h"

namespace kivsrv {

namespace {

using asio::ip::tcp;

constexpr std::size_t kReadChunk = 64 * 1024;
// Closed connections free their queues in bursts; the heap is handed back to
// the system a little later, once per burst.
constexpr std::chrono::milliseconds kTrimDelay{300};

}  // namespace

RelayServer::RelayServer(asio::io_context& io, const RelayOptions& options, ServerLog& log)
    : io_(io),
      options_(options),
      log_(log),
      acceptor_(io),
      acceptRetry_(io),
      pos_(options),
      readBuffer_(kReadChunk),
      maxHeldBytes_(static_cast<std::size_t>(std::max(options.maxQueueMB, 1)) << 20),
      trimTimer_(io) {
    std::string status = pos_.StatusPacket();
    if (!status.empty()) statusFrame_ = std::make_shared<OutFrame>(FrameText(status));
}

RelayServer::~RelayServer() {
    Stop();
}

bool RelayServer::Start(std::string& error) {
    if (!floor_.Open(options_.databases, error)) return false;
    std::error_code ec;
    asio::ip::address address = asio::ip::make_address(options_.bind, ec);
    if (ec) {
        error = "invalid bind address " + options_.bind + ": " + ec.message();
        return false;
    }
    tcp::endpoint endpoint(address, static_cast<uint16_t>(options_.port));
    // A restarted server takes its port back at once, even with connections
    // of the previous run still in TIME_WAIT.
    acceptor_.open(endpoint.protocol(), ec);
    if (!ec) acceptor_.set_option(tcp::acceptor::reuse_address(true), ec);
    if (!ec) acceptor_.bind(endpoint, ec);
    if (!ec) acceptor_.listen(asio::socket_base::max_listen_connections, ec);
    if (ec) {
        error = "cannot listen on " + options_.bind + ":" + std::to_string(options_.port) + ": " +
                ec.message();
        return false;
    }
    log_.Write(kLogEvents, "Listening on " + options_.bind + ":" + std::to_string(Port()));
    Accept();
    return true;
}

void RelayServer::Stop() {
    if (stopped_) return;
    stopped_ = true;
    std::error_code ignored;
    acceptor_.close(ignored);
    acceptRetry_.cancel();
    trimTimer_.cancel();
    for (auto& timer : replyTimers_)
        timer->cancel();
    replyTimers_.clear();
    auto connections = std::move(connections_);
    connections_.clear();
    for (auto& [id, c] : connections) {
        c->Detach();
        c->Close("server stopping");
    }
}

uint16_t RelayServer::Port() const {
    std::error_code ec;
    auto endpoint = acceptor_.local_endpoint(ec);
    return ec ? 0 : endpoint.port();
}

std::string RelayServer::Name(const RelayConnection& c) const {
    return "#" + std::to_string(c.Id()) + " (" + c.Peer() + ")";
}

void RelayServer::Accept() {
    acceptor_.async_accept([this](const std::error_code& ec, tcp::socket socket) {
        if (stopped_ || ec == asio::error::operation_aborted) return;
        if (ec) {
            // Out of descriptors and the like: try again shortly rather than
            // spinning on the same error.
            log_.Write(kLogErrors, "Accept failed: " + ec.message());
            acceptRetry_.expires_after(std::chrono::milliseconds(100));
            acceptRetry_.async_wait([this](const std::error_code& e) {
                if (!e && !stopped_) Accept();
            });
            return;
        }
        if (connections_.size() >= static_cast<std::size_t>(options_.maxConnections)) {
            // Refused before anything is allocated for it.
            std::error_code e;
            auto remote = socket.remote_endpoint(e);
            std::string peer =
                e ? std::string("?")
                  : remote.address().to_string() + ":" + std::to_string(remote.port());
            refusals_.Write(log_, kLogErrors, "refused", [&] {
                return "Connection from " + peer +
                       " refused: " + std::to_string(connections_.size()) + " connected, the limit";
            });
            socket.close(e);
            Accept();
            return;
        }
        auto connection = std::make_shared<RelayConnection>(std::move(socket), nextId_++, this);
        connections_.emplace(connection->Id(), connection);
        log_.Write(kLogEvents, "Connection " + Name(*connection) + " opened; " +
                                   std::to_string(connections_.size()) + " connected");
        connection->Start(options_.idleTimeoutSec);
        if (statusFrame_) SendOrDrop(*connection, statusFrame_);
        Accept();
    });
}

void RelayServer::Removed(RelayConnection& connection, const std::string& reason) {
    connection.Repeats().Flush(log_);
    log_.Write(kLogEvents, "Connection " + Name(connection) + " closed: " + reason);
    connections_.erase(connection.Id());
    ScheduleTrim();
}

void RelayServer::AddHeld(std::ptrdiff_t delta) {
    heldBytes_ = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(heldBytes_) + delta);
    if (heldBytes_ <= maxHeldBytes_ || capCheckPosted_ || stopped_) return;
    // Checked once the current handler is done: dropping a connection now
    // would pull it out of a list the caller may be walking.
    capCheckPosted_ = true;
    asio::post(io_, [this] {
        capCheckPosted_ = false;
        if (!stopped_) EnforceMemoryCap();
    });
}

void RelayServer::EnforceMemoryCap() {
    while (heldBytes_ > maxHeldBytes_ && !connections_.empty()) {
        auto most = std::max_element(connections_.begin(), connections_.end(),
                                     [](const auto& x, const auto& y) {
                                         return x.second->HeldBytes() < y.second->HeldBytes();
                                     });
        std::shared_ptr<RelayConnection> victim = most->second;
        if (victim->HeldBytes() == 0) break;
        victim->Close(std::to_string(victim->HeldBytes()) +
                      " bytes waiting, the most, when all connections held " +
                      std::to_string(heldBytes_) + " (limit " +
                      std::to_string(options_.maxQueueMB) + " MB)");
    }
}

void RelayServer::ScheduleTrim() {
    if (trimPending_ || stopped_) return;
    trimPending_ = true;
    trimTimer_.expires_after(kTrimDelay);
    trimTimer_.async_wait([this](const std::error_code& ec) {
        trimPending_ = false;
        if (ec) return;
#if defined(__GLIBC__)
        malloc_trim(0);
#endif
    });
}

void RelayServer::HandleOversize(RelayConnection& from, std::size_t total) {
    LogRepeat(from, "oversize", [&] {
        return "Message too large (" + std::to_string(total) + " bytes) from " + Name(from) +
               " dropped";
    });
}

void RelayServer::HandleFrame(RelayConnection& from, const uint8_t* frame, std::size_t size) {
    if (size < 3) {
        LogRepeat(from, "empty", [&] { return "Empty frame from " + Name(from) + " dropped"; });
        return;
    }
    std::string text = DecodePayload(frame + 1, size - 2);
    ScriptDocument doc;
    if (!doc.LoadXML(text)) {
        LogRepeat(from, "unparsable", [&] {
            return "Unparsable packet from " + Name(from) +
                   " dropped: " + std::to_string(doc.ErrNumber()) + " " + doc.ErrMessage();
        });
        return;
    }
    std::shared_ptr<ScriptNode> root = doc.ScrRoot();
    std::shared_ptr<ScriptNode> kivdata = root ? root->GetVarGrp("kivdata") : nullptr;
    std::string type = root ? UpperAscii(root->Var("type")) : std::string();
    if (!kivdata) {
        LogRepeat(from, "nodata",
                  [&] { return "Packet without kivdata from " + Name(from) + " dropped"; });
        return;
    }
    from.MarkGreeted();
    if (log_.Enabled(kLogPackets))
        log_.Write(kLogPackets,
                   type + " from " + Name(from) + ", " + std::to_string(size) + " bytes");
    if (log_.Enabled(kLogPacketText)) log_.Write(kLogPacketText, text);
    if (type == "DATACHANGE" || type == "BROADCAST") {
        Relay(from, frame, size);
    } else if (type == "FILTER") {
        KeepFilter(from, *kivdata);
    } else if (type == "POSREQUEST") {
        AnswerPOS(from, *kivdata);
    } else {
        LogRepeat(from, "type", [&] {
            return "Packet of unknown type '" + type + "' from " + Name(from) + " dropped";
        });
    }
}

void RelayServer::Relay(RelayConnection& from, const uint8_t* frame, std::size_t size) {
    // Passed on as received: one copy of the bytes shared by every receiver.
    auto shared = std::make_shared<OutFrame>(Bytes(frame, frame + size));
    std::vector<std::shared_ptr<RelayConnection>> failed;
    for (auto& [id, c] : connections_) {
        if (id == from.Id()) continue;
        if (!c->Send(shared)) failed.push_back(c);
    }
    for (auto& c : failed)
        c->Close("send failed: " + c->LastError());
}

void RelayServer::SendOrDrop(RelayConnection& to, const OutFramePtr& frame) {
    if (!to.Send(frame)) to.Close("send failed: " + to.LastError());
}

void RelayServer::KeepFilter(RelayConnection& from, const ScriptNode& kivdata) {
    ActiveFilter& f = from.Filter();
    std::shared_ptr<ScriptNode> filter = kivdata.GetVarGrp("filter");
    f.outletID = filter ? filter->Var("outletid") : "";
    // An empty filter is what a workstation without an open view sends.
    f.set = !f.outletID.empty();
    f.reserveDate = filter ? filter->Var("reservedate") : "";
    f.mealPeriodID = filter ? filter->Var("mealperiodid") : "";
    log_.Write(kLogPackets, Name(from) + " shows outlet " + f.outletID + ", date " + f.reserveDate +
                                ", meal period " + f.mealPeriodID);
}

void RelayServer::AnswerPOS(RelayConnection& from, const ScriptNode& kivdata) {
    PlannedReply reply = pos_.ReplyFor(kivdata);
    // A configured refusal leaves the floor as it is, as a refusing POS does.
    if (floor_.Enabled() && reply.accepted) {
        const FloorOutcome outcome = floor_.Apply(kivdata);
        AnnounceFloor(outcome);
        if (outcome.refused && reply.send)
            reply.packet = pos_.Refusal(kivdata, outcome.code, outcome.description);
        if (outcome.refused)
            log_.Write(kLogEvents, "POS request '" + reply.type + "' from " + Name(from) +
                                       " refused: " + outcome.description);
    }
    if (!reply.send) {
        log_.Write(kLogPackets,
                   "POS request '" + reply.type + "' from " + Name(from) + " taken without reply");
        return;
    }
    if (reply.packet.empty()) {
        log_.Write(kLogErrors, "Cannot build the POS reply for " + Name(from));
        return;
    }
    OutFramePtr frame = ReplyFrame(reply);
    log_.Write(kLogPackets, "POS reply to '" + reply.type + "' for " + Name(from) + " in " +
                                std::to_string(reply.delayMs) + " ms");
    if (reply.delayMs <= 0) {
        SendOrDrop(from, frame);
        return;
    }
    auto timer =
        std::make_shared<asio::steady_timer>(io_, std::chrono::milliseconds(reply.delayMs));
    replyTimers_.insert(timer);
    std::weak_ptr<RelayConnection> weak = from.shared_from_this();
    timer->async_wait([this, timer, weak, frame](const std::error_code& ec) {
        if (ec) return;
        replyTimers_.erase(timer);
        if (auto c = weak.lock()) SendOrDrop(*c, frame);
    });
}

void RelayServer::AnnounceFloor(const FloorOutcome& outcome) {
    std::map<int32_t, PacketItems> byOutlet;
    for (const auto& change : outcome.changes)
        byOutlet[change.outletID].push_back(change.doc);
    PacketMaker maker;
    for (const auto& [outletID, docs] : byOutlet) {
        const PacketItem filter{{"outletid", std::to_string(outletID)}};
        const std::string packet = maker.MakeDataChangePkt("2", &filter, docs);
        if (packet.empty()) continue;
        auto frame = std::make_shared<OutFrame>(FrameText(packet));
        std::vector<std::shared_ptr<RelayConnection>> failed;
        for (auto& [id, c] : connections_)
            if (!c->Send(frame)) failed.push_back(c);
        for (auto& c : failed)
            c->Close("send failed: " + c->LastError());
        log_.Write(kLogPackets, "POS table changes of outlet " + std::to_string(outletID) + ": " +
                                    std::to_string(docs.size()) + " rows announced");
    }
}

OutFramePtr RelayServer::ReplyFrame(const PlannedReply& reply) {
    // Replies differ by the configured code and description and by the minute
    // of "sendtime": a handful of texts, each framed once and shared.
    auto it = replyFrames_.find(reply.packet);
    if (it != replyFrames_.end()) return it->second;
    if (replyFrames_.size() >= 16) replyFrames_.clear();
    auto frame = std::make_shared<OutFrame>(FrameText(reply.packet));
    replyFrames_.emplace(reply.packet, frame);
    return frame;
}

}  // namespace kivsrv
