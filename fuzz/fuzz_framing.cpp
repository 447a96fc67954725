// Feeds an arbitrary byte stream to the frame reassembler, once whole and
// once cut into reads of sizes taken from the input. Both feeds must agree
// frame for frame; every frame must be whole (0x01 first, 0x04 last, no
// marker inside) and within the limit; nothing may stay buffered beyond an
// unfinished last frame; and each payload must survive escaping.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "messaging/framing.h"

namespace {

struct Outcome {
    std::vector<Bytes> frames;
    std::vector<std::size_t> oversize;
};

void Check(bool ok) {
    if (!ok) std::abort();
}

Outcome Run(std::size_t limit, const uint8_t* data, std::size_t size,
            const std::vector<std::size_t>& cuts) {
    FrameReassembler r(limit);
    Outcome out;
    auto onFrame = [&](const uint8_t* f, std::size_t n) {
        Check(n >= 2 && n <= limit);
        Check(f[0] == kFrameStart && f[n - 1] == kFrameEnd);
        for (std::size_t i = 1; i + 1 < n; ++i)
            Check(f[i] != kFrameStart && f[i] != kFrameEnd);
        out.frames.emplace_back(f, f + n);
        return true;
    };
    auto onOversize = [&](std::size_t total) {
        Check(total > limit);
        out.oversize.push_back(total);
    };
    std::size_t at = 0;
    for (std::size_t cut : cuts) {
        r.Feed(data + at, cut, onFrame, onOversize);
        at += cut;
    }
    r.Feed(data + at, size - at, onFrame, onOversize);
    Check(r.Buffered() <= limit);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    // The first byte picks the frame limit (small, so inputs reach it), the
    // second the pattern of read sizes.
    const std::size_t limit = 2 + data[0];
    uint32_t seed = data[1] + 1u;
    data += 2;
    size -= 2;

    std::vector<std::size_t> cuts;
    for (std::size_t at = 0; at < size;) {
        seed = seed * 1103515245u + 12345u;
        std::size_t n = 1 + (seed >> 16) % 37;
        if (at + n > size) break;
        cuts.push_back(n);
        at += n;
    }
    Outcome whole = Run(limit, data, size, {});
    Outcome pieces = Run(limit, data, size, cuts);
    Check(whole.frames == pieces.frames);
    Check(whole.oversize == pieces.oversize);

    for (const Bytes& frame : whole.frames) {
        Bytes payload;
        Check(frame.size() < 3 || UnframePayload(frame.data(), frame.size(), payload));
        Check(UnescapeBytes(EscapeBytes(payload)) == payload);
        Bytes again = FrameEscaped(EscapeBytes(payload));
        Check(again.front() == kFrameStart && again.back() == kFrameEnd);
    }
    return 0;
}
