#include "kivserver/relayconnection.h"

#include <asio/post.hpp>
#include <asio/write.hpp>

#include "kivserver/relayserver.h"

namespace kivsrv {

namespace {
constexpr std::size_t kReadChunk = 64 * 1024;
// A workstation this far behind is not reading; it is dropped rather than
// letting the server's memory grow without bound.
constexpr std::size_t kMaxQueuedBytes = 32u << 20;
constexpr std::size_t kMaxBuffersPerWrite = 64;
}  // namespace

RelayConnection::RelayConnection(asio::ip::tcp::socket socket, uint64_t id, RelayServer* server)
    : socket_(std::move(socket)), id_(id), server_(server), readBuf_(kReadChunk) {
    std::error_code ec;
    auto remote = socket_.remote_endpoint(ec);
    peer_ =
        ec ? std::string("?") : remote.address().to_string() + ":" + std::to_string(remote.port());
    socket_.set_option(asio::ip::tcp::no_delay(true), ec);
    socket_.non_blocking(true, ec);
}

void RelayConnection::Start() {
    Read();
}

void RelayConnection::Read() {
    auto self = shared_from_this();
    socket_.async_read_some(
        asio::buffer(readBuf_), [self](const std::error_code& ec, std::size_t size) {
            if (self->closed_) return;
            if (ec) {
                self->Close(ec == asio::error::eof ? "closed by the workstation" : ec.message());
                return;
            }
            self->reassembler_.Feed(
                self->readBuf_.data(), size,
                [&](const uint8_t* frame, std::size_t n) {
                    if (self->server_ != nullptr) self->server_->HandleFrame(*self, frame, n);
                    return !self->closed_;
                },
                [&](std::size_t total) {
                    if (self->server_ != nullptr) self->server_->HandleOversize(*self, total);
                });
            if (!self->closed_) self->Read();
        });
}

bool RelayConnection::Send(const std::shared_ptr<const Bytes>& frame) {
    if (closed_) {
        lastError_ = "closed";
        return false;
    }
    if (queuedBytes_ + frame->size() > kMaxQueuedBytes) {
        lastError_ = "not reading (" + std::to_string(queuedBytes_) + " bytes waiting)";
        return false;
    }
    queuedBytes_ += frame->size();
    out_.push_back(frame);
    // The write starts once the current handler is done, so the frames of
    // one read (often several packets) leave in one system call.
    if (!writing_ && !flushPosted_) {
        flushPosted_ = true;
        asio::post(socket_.get_executor(), [self = shared_from_this()] {
            self->flushPosted_ = false;
            if (!self->closed_ && !self->writing_ && !self->out_.empty()) self->WriteQueued();
        });
    }
    return true;
}

void RelayConnection::WriteQueued() {
    std::vector<asio::const_buffer> buffers;
    buffers.reserve(std::min(out_.size(), kMaxBuffersPerWrite));
    for (std::size_t i = 0; i < out_.size() && i < kMaxBuffersPerWrite; ++i) {
        buffers.push_back(asio::buffer(*out_[i]));
    }
    inFlight_ = buffers.size();
    writing_ = true;
    auto self = shared_from_this();
    asio::async_write(socket_, buffers, [self](const std::error_code& ec, std::size_t written) {
        self->writing_ = false;
        if (self->closed_) return;
        if (ec) {
            self->Close("write failed: " + ec.message());
            return;
        }
        for (std::size_t i = 0; i < self->inFlight_; ++i)
            self->out_.pop_front();
        self->inFlight_ = 0;
        self->queuedBytes_ -= written;
        if (!self->out_.empty()) self->WriteQueued();
    });
}

void RelayConnection::Close(const std::string& reason) {
    if (closed_) return;
    closed_ = true;
    std::error_code ignored;
    socket_.close(ignored);
    out_.clear();
    queuedBytes_ = 0;
    if (server_ != nullptr) server_->Removed(*this, reason);
}

}  // namespace kivsrv
