#include "messaging/framing.h"

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

bool NeedsEscape(uint8_t b) {
    return b == 0x01 || b == 0x02 || b == 0x04 || b == '%';
}

int HexValue(uint8_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

void AppendEscaped(Bytes& out, const uint8_t* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        uint8_t b = data[i];
        if (NeedsEscape(b)) {
            out.push_back('%');
            out.push_back(static_cast<uint8_t>(kHexDigits[b >> 4]));
            out.push_back(static_cast<uint8_t>(kHexDigits[b & 0x0F]));
        } else {
            out.push_back(b);
        }
    }
}

}  // namespace

Bytes EscapeBytes(const uint8_t* data, std::size_t size) {
    Bytes out;
    out.reserve(size + size / 8);
    AppendEscaped(out, data, size);
    return out;
}

Bytes UnescapeBytes(const uint8_t* data, std::size_t size) {
    Bytes out;
    out.reserve(size);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == '%' && i + 2 < size) {
            int hi = HexValue(data[i + 1]);
            int lo = HexValue(data[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out.push_back(static_cast<uint8_t>(hi * 16 + lo));
                i += 2;
                continue;
            }
        }
        out.push_back(data[i]);
    }
    return out;
}

Bytes EncodePayload(const std::string& text) {
    return EscapeBytes(Utf8ToUtf16LE(text));
}

std::string DecodePayload(const uint8_t* data, std::size_t size) {
    return Utf16LEToUtf8(UnescapeBytes(data, size));
}

Bytes FrameEscaped(const Bytes& escaped) {
    Bytes frame;
    frame.reserve(escaped.size() + 2);
    frame.push_back(kFrameStart);
    frame.insert(frame.end(), escaped.begin(), escaped.end());
    frame.push_back(kFrameEnd);
    return frame;
}

Bytes FrameText(const std::string& text) {
    Bytes utf16 = Utf8ToUtf16LE(text);
    Bytes frame;
    frame.reserve(utf16.size() + utf16.size() / 8 + 2);
    frame.push_back(kFrameStart);
    AppendEscaped(frame, utf16.data(), utf16.size());
    frame.push_back(kFrameEnd);
    return frame;
}

bool UnframePayload(const uint8_t* frame, std::size_t size, Bytes& payload) {
    if (size < 3 || frame[0] != kFrameStart || frame[size - 1] != kFrameEnd) return false;
    payload = UnescapeBytes(frame + 1, size - 2);
    return true;
}
