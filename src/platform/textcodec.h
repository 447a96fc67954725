#pragma once
// UTF-8 (our internal text) to and from UTF-16 little-endian (the byte form of
// the wire protocol, the cipher inputs and the documented platform strings).
#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// Invalid UTF-8 sequences become U+FFFD.
Bytes Utf8ToUtf16LE(const std::string& text);
// An odd trailing byte is dropped; unpaired surrogates become U+FFFD.
std::string Utf16LEToUtf8(const uint8_t* data, std::size_t size);
inline std::string Utf16LEToUtf8(const Bytes& b) {
    return Utf16LEToUtf8(b.data(), b.size());
}

// Decodes the next code point of `s` at `pos` (advancing it); U+FFFD for a bad sequence.
char32_t NextCodePoint(const std::string& s, std::size_t& pos);
void AppendUtf8(std::string& out, char32_t cp);
