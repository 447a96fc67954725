#include "kivserver/relayconnection.h"

#include <asio/post.hpp>
#include <asio/write.hpp>

#include "kivserver/relayserver.h"

namespace kivsrv {

namespace {
constexpr std::size_t kMaxBuffersPerWrite = 64;
constexpr int kReadsPerTurn = 4;
// A queue entry costs memory of its own, even for a frame shared with many:
// a peer that asks for the same reply a million times and reads none of them
// must still reach the cap.
constexpr std::size_t kEntryBytes = sizeof(OutFramePtr);
// A fixed kernel send buffer: left to grow on its own it can take megabytes
// per peer that does not read, out of sight of the server's memory cap.
constexpr int kSocketSendBuffer = 128 * 1024;
}  // namespace

RelayConnection::RelayConnection(asio::ip::tcp::socket socket, uint64_t id, RelayServer* server)
    : socket_(std::move(socket)), id_(id), server_(server), idleTimer_(socket_.get_executor()) {
    std::error_code ec;
    auto remote = socket_.remote_endpoint(ec);
    peer_ =
        ec ? std::string("?") : remote.address().to_string() + ":" + std::to_string(remote.port());
    socket_.set_option(asio::ip::tcp::no_delay(true), ec);
    socket_.set_option(asio::socket_base::send_buffer_size(kSocketSendBuffer), ec);
    socket_.non_blocking(true, ec);
}

void RelayConnection::Start(int idleTimeoutSec) {
    if (idleTimeoutSec > 0) {
        idleTimer_.expires_after(std::chrono::seconds(idleTimeoutSec));
        idleTimer_.async_wait(
            [self = shared_from_this(), idleTimeoutSec](const std::error_code& ec) {
                if (ec || self->closed_ || self->greeted_) return;
                self->Close("no packet within " + std::to_string(idleTimeoutSec) + " s");
            });
    }
    Read();
}

void RelayConnection::MarkGreeted() {
    if (greeted_) return;
    greeted_ = true;
    idleTimer_.cancel();
}

void RelayConnection::Read() {
    // Wait for data first and read it into the server's buffer: an idle
    // connection holds no read buffer of its own.
    socket_.async_wait(asio::ip::tcp::socket::wait_read,
                       [self = shared_from_this()](const std::error_code& ec) {
                           if (self->closed_) return;
                           if (ec) {
                               self->Close(ec.message());
                               return;
                           }
                           self->HandleReadable();
                       });
}

void RelayConnection::HandleReadable() {
    // Read until the socket is empty: the readiness wait reports new data,
    // not data left behind, so anything unread now could wait for the
    // peer's next packet. A peer with more than a few reads' worth waiting
    // yields to the others and goes on from a posted turn.
    auto self = shared_from_this();
    for (int turn = 0; turn < kReadsPerTurn; ++turn) {
        if (server_ == nullptr) return;
        std::vector<uint8_t>& buffer = server_->ReadBuffer();
        std::error_code ec;
        std::size_t size = socket_.read_some(asio::buffer(buffer), ec);
        if (ec == asio::error::would_block || ec == asio::error::try_again) {
            Read();
            return;
        }
        if (ec) {
            Close(ec == asio::error::eof ? "closed by the workstation" : ec.message());
            return;
        }
        // The handlers may close this connection (and so release it from the
        // server's list); `self` keeps it alive until the feed is done.
        reassembler_.Feed(
            buffer.data(), size,
            [&](const uint8_t* frame, std::size_t n) {
                if (server_ != nullptr) server_->HandleFrame(*this, frame, n);
                return !closed_;
            },
            [&](std::size_t total) {
                if (server_ != nullptr) server_->HandleOversize(*this, total);
            });
        if (closed_) return;
        AccountInput();
    }
    asio::post(socket_.get_executor(), [self] {
        if (!self->closed_) self->HandleReadable();
    });
}

bool RelayConnection::Send(const OutFramePtr& frame) {
    if (closed_) {
        lastError_ = "closed";
        return false;
    }
    queuedBytes_ += frame->bytes.size() + kEntryBytes;
    std::size_t added = kEntryBytes;
    if (frame->queues++ == 0) added += frame->bytes.size();
    AddHeld(static_cast<std::ptrdiff_t>(added));
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
        buffers.push_back(asio::buffer(out_[i]->bytes));
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
        for (std::size_t i = 0; i < self->inFlight_; ++i) {
            self->Release(*self->out_.front());
            self->out_.pop_front();
        }
        self->queuedBytes_ -= written + self->inFlight_ * kEntryBytes;
        self->inFlight_ = 0;
        if (self->out_.empty()) {
            // A long queue leaves a large block behind; give it back.
            std::deque<OutFramePtr>().swap(self->out_);
        }
        if (!self->out_.empty()) self->WriteQueued();
    });
}

void RelayConnection::Release(OutFrame& frame) {
    std::size_t freed = kEntryBytes;
    if (--frame.queues == 0) freed += frame.bytes.size();
    AddHeld(-static_cast<std::ptrdiff_t>(freed));
}

void RelayConnection::AccountInput() {
    std::size_t now = closed_ ? 0 : reassembler_.Buffered();
    AddHeld(static_cast<std::ptrdiff_t>(now) - static_cast<std::ptrdiff_t>(inputAccounted_));
    inputAccounted_ = now;
}

void RelayConnection::AddHeld(std::ptrdiff_t delta) {
    if (delta != 0 && server_ != nullptr) server_->AddHeld(delta);
}

void RelayConnection::Close(const std::string& reason) {
    if (closed_) return;
    closed_ = true;
    std::error_code ignored;
    socket_.close(ignored);
    idleTimer_.cancel();
    for (const OutFramePtr& frame : out_)
        Release(*frame);
    std::deque<OutFramePtr>().swap(out_);
    queuedBytes_ = 0;
    reassembler_.Reset();
    AccountInput();
    if (server_ != nullptr) server_->Removed(*this, reason);
}

}  // namespace kivsrv
