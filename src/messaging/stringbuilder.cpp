#include "messaging/stringbuilder.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>

void StringBuilder::SetChunkSize(std::size_t bytes) {
    if (bytes > 0) chunkSize_ = bytes;
}

bool StringBuilder::SetTheString(std::string_view text) {
    if (Aliases(text)) return SetTheString(std::string(text));
    Clear();
    return Append(text);
}

bool StringBuilder::AppendNL(std::string_view text) {
    if (Aliases(text)) return AppendNL(std::string(text));
    if (!Reserve(text.size() + 2)) return false;
    return Append(text) && Append("\r\n");
}

bool StringBuilder::Append(std::string_view text) {
    return Insert(used_, text);
}

bool StringBuilder::Insert(std::size_t index, std::string_view text) {
    if (index > used_) return false;
    if (text.empty()) return true;
    // Growing may move the buffer under a text taken from this builder.
    if (Aliases(text)) return Insert(index, std::string(text));
    if (!Reserve(text.size())) return false;
    char* data = buffer_.data();
    std::memmove(data + index + text.size(), data + index, used_ - index);
    std::memcpy(data + index, text.data(), text.size());
    used_ += text.size();
    return true;
}

bool StringBuilder::Remove(std::size_t index, std::size_t length) {
    if (index > used_) return false;
    length = std::min(length, used_ - index);
    if (length == 0) return true;
    char* data = buffer_.data();
    std::memmove(data + index, data + index + length, used_ - index - length);
    used_ -= length;
    return true;
}

std::ptrdiff_t StringBuilder::Find(std::string_view text, std::size_t start) const {
    std::size_t at = View().find(text, start);
    return at == std::string_view::npos ? -1 : static_cast<std::ptrdiff_t>(at);
}

void StringBuilder::HeapMinimize() {
    try {
        buffer_.resize(used_);
        buffer_.shrink_to_fit();
    } catch (const std::bad_alloc&) {
        // Keeping the larger buffer is harmless.
    }
}

// Makes room for `extra` more bytes, growing the capacity by whole chunks.
bool StringBuilder::Reserve(std::size_t extra) {
    const std::size_t cap = buffer_.size();
    if (extra > std::numeric_limits<std::size_t>::max() / 2 - used_) return false;
    const std::size_t needed = used_ + extra;
    if (needed <= cap) return true;
    const std::size_t chunks = (needed - cap + chunkSize_ - 1) / chunkSize_;
    if (chunks > (std::numeric_limits<std::size_t>::max() / 2 - cap) / chunkSize_) return false;
    try {
        buffer_.resize(cap + chunks * chunkSize_);
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

bool StringBuilder::Aliases(std::string_view text) const {
    // Compared as integers: relational operators on unrelated pointers are unspecified.
    auto begin = reinterpret_cast<std::uintptr_t>(buffer_.data());
    auto p = reinterpret_cast<std::uintptr_t>(text.data());
    return !text.empty() && p >= begin && p < begin + buffer_.size();
}
