#pragma once
// A growable text buffer for building long texts piece by piece (the JSON
// writer appends to it). The buffer grows in whole chunks, so a long run of
// small appends costs few allocations.
//
// Lengths and positions count bytes of UTF-8 text; positions are offsets
// from the start (0 is before the first byte). Members that change the text
// return false, leaving it unchanged, for a position past the end or when
// memory cannot be had.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class StringBuilder {
  public:
    static constexpr std::size_t kDefaultChunkSize = 16384;

    std::size_t Length() const { return used_; }
    std::size_t Capacity() const { return buffer_.size(); }
    std::size_t ChunkSize() const { return chunkSize_; }
    void SetChunkSize(std::size_t bytes);  // 0 is ignored

    std::string ToString() const { return std::string(View()); }
    std::string TheString() const { return ToString(); }
    bool SetTheString(std::string_view text);
    std::string_view View() const { return std::string_view(buffer_.data(), used_); }

    // Keeps the capacity.
    void Clear() { used_ = 0; }
    // The text followed by CR LF.
    bool AppendNL(std::string_view text = {});
    bool Append(std::string_view text);
    bool AppendByVal(std::string text) { return Append(text); }
    bool Insert(std::size_t index, std::string_view text);
    bool InsertByVal(std::size_t index, std::string text) { return Insert(index, text); }
    // Removes up to `length` bytes from `index` on.
    bool Remove(std::size_t index, std::size_t length);
    // Offset of the first occurrence at or after `start`, -1 when absent.
    std::ptrdiff_t Find(std::string_view text, std::size_t start = 0) const;
    // Shrinks the capacity to the used length.
    void HeapMinimize();

  private:
    bool Reserve(std::size_t needed);
    bool Aliases(std::string_view text) const;

    std::vector<char> buffer_;  // its size is the capacity
    std::size_t used_ = 0;
    std::size_t chunkSize_ = kDefaultChunkSize;
};
