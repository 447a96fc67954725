#pragma once
// The wire form of one packet on a KIV server connection, shared by the
// workstation and the relay server: the byte 0x01, the escaped payload, the
// byte 0x04. The payload is the packet text in UTF-16LE; escaping turns each
// payload byte 0x01, 0x02, 0x04 and '%' into '%' and two upper-case hex digits,
// so a raw 0x01 or 0x04 on the stream is always a frame marker.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/textcodec.h"

inline constexpr uint8_t kFrameStart = 0x01;
inline constexpr uint8_t kFrameEnd = 0x04;
// The largest frame (markers included) a receiver reassembles and a sender
// writes. A table enquiry of a large outlet or a DATACHANGE of many rows is
// tens of kilobytes; the limit only guards against a peer that never ends a
// frame.
inline constexpr std::size_t kMaxFrameBytes = 1u << 20;

Bytes EscapeBytes(const uint8_t* data, std::size_t size);
inline Bytes EscapeBytes(const Bytes& raw) {
    return EscapeBytes(raw.data(), raw.size());
}
// Every '%' followed by two hex digits becomes one byte; anything else is
// copied as it stands.
Bytes UnescapeBytes(const uint8_t* data, std::size_t size);
inline Bytes UnescapeBytes(const Bytes& escaped) {
    return UnescapeBytes(escaped.data(), escaped.size());
}

// Text -> UTF-16LE -> escaped bytes, and back.
Bytes EncodePayload(const std::string& text);
std::string DecodePayload(const uint8_t* data, std::size_t size);

// 0x01 + escaped payload + 0x04.
Bytes FrameText(const std::string& text);
Bytes FrameEscaped(const Bytes& escaped);
// The unescaped payload of a complete frame; false when the bytes are not a
// frame (shorter than 3 bytes, or without both markers).
bool UnframePayload(const uint8_t* frame, std::size_t size, Bytes& payload);

// Cuts a byte stream into frames. Bytes outside a frame are discarded; a
// 0x01 always starts a new frame (an unfinished one before it cannot be
// completed any more, since its own 0x04 will never come); a frame longer
// than the limit (kMaxFrameBytes) is dropped as a whole, wherever the reads cut it, and
// the stream picks up again at the next frame.
class FrameReassembler {
  public:
    // `maxFrame`: the largest frame kept, markers included.
    explicit FrameReassembler(std::size_t maxFrame = kMaxFrameBytes) : maxFrame_(maxFrame) {}

    // `onFrame(const uint8_t* frame, size_t size) -> bool` gets each complete
    // frame, markers included; returning false stops the feed (the owner
    // closed or reset the stream). `onOversize(size_t total)` reports a
    // dropped frame with the number of bytes it had.
    template <typename OnFrame, typename OnOversize>
    void Feed(const uint8_t* data, std::size_t size, OnFrame&& onFrame, OnOversize&& onOversize);

    void Reset() {
        state_ = State::Idle;
        Release();
        dropped_ = 0;
    }
    std::size_t Buffered() const { return buffer_.size(); }

  private:
    enum class State { Idle, InFrame, Oversize };
    // Empties the buffer and gives its memory back: a connection that once
    // sent a large frame must not keep a large buffer while it is quiet.
    void Release() { Bytes().swap(buffer_); }
    static const uint8_t* NextMarker(const uint8_t* p, const uint8_t* end) {
        while (p < end && *p != kFrameStart && *p != kFrameEnd)
            ++p;
        return p;
    }

    std::size_t maxFrame_;
    State state_ = State::Idle;
    Bytes buffer_;
    std::size_t dropped_ = 0;
};

template <typename OnFrame, typename OnOversize>
void FrameReassembler::Feed(const uint8_t* p, std::size_t size, OnFrame&& onFrame,
                            OnOversize&& onOversize) {
    const uint8_t* const end = p + size;
    const uint8_t* segment = p;  // where this read's part of the frame begins
    for (;;) {
        if (state_ == State::Idle) {
            while (p < end && *p != kFrameStart)
                ++p;
            if (p == end) return;
            state_ = State::InFrame;
            Release();
            segment = p++;
        }
        const uint8_t* q = NextMarker(p, end);
        if (state_ == State::Oversize) {
            dropped_ += static_cast<std::size_t>(q - p) + (q < end && *q == kFrameEnd ? 1 : 0);
            if (q == end) return;
            onOversize(dropped_);
            dropped_ = 0;
            state_ = *q == kFrameStart ? State::InFrame : State::Idle;
            segment = q;
            p = q + 1;
            continue;
        }
        // In a frame: its bytes are buffer_ followed by [segment, q].
        std::size_t total = buffer_.size() + static_cast<std::size_t>(q - segment);
        if (q < end && *q == kFrameStart) {
            Release();  // the unfinished frame can never end
            // Reported like an overlong frame the reads happened to cut
            // before the limit, so the log does not depend on the reads.
            if (total > maxFrame_) onOversize(total);
            segment = q;
            p = q + 1;
            continue;
        }
        if (q < end) ++total;  // the 0x04
        if (total > maxFrame_) {
            Release();
            if (q == end) {
                state_ = State::Oversize;
                dropped_ = total;
                return;
            }
            onOversize(total);
            state_ = State::Idle;
            p = q + 1;
            continue;
        }
        if (q == end) {
            buffer_.insert(buffer_.end(), segment, end);
            return;
        }
        state_ = State::Idle;
        p = q + 1;
        bool go = true;
        if (buffer_.empty()) {
            go = onFrame(segment, total);
        } else {
            buffer_.insert(buffer_.end(), segment, p);
            Bytes frame;
            frame.swap(buffer_);
            go = onFrame(frame.data(), frame.size());
        }
        if (!go) return;
    }
}
