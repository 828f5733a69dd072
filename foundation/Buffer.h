#pragma once
#include <cstdint>

namespace kis {

// A growable text block: capacity in bytes, length in characters, and the
// characters (1 or 2 bytes each), always terminated once allocated. The
// text-data document keeps its file name and its whole text in one each.
class Buffer {
  public:
    Buffer() = default;
    ~Buffer() { Free(); }
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;

    // Reallocates to exactly length + 1 characters of charSize (1 or 2) bytes
    // and writes the terminator after `length` characters; the characters
    // before it are kept as far as they fit. When a reallocation fails the old
    // block stays in use: the call then fails, except when it would only have
    // shrunk the block, where the old, larger block simply serves.
    bool SetLength(uint32_t length, uint32_t charSize);
    // Sets the length and the terminator like SetLength, but never shrinks
    // the block: the first allocation is exact, later growth goes to the next
    // multiple of 1,024 characters above the length, so that texts built up
    // piece by piece reallocate rarely. False (nothing changed) when the block
    // cannot grow.
    bool Resize(uint32_t length, uint32_t charSize);
    // Frees the block; capacity and length become 0.
    void Free();

    uint32_t Capacity() const { return capacity_; }
    uint32_t Length() const { return length_; }
    void* Data() { return data_; }
    const void* Data() const { return data_; }
    template <typename Ch> Ch* As() { return static_cast<Ch*>(data_); }
    template <typename Ch> const Ch* As() const { return static_cast<const Ch*>(data_); }

  private:
    uint32_t capacity_ = 0;
    uint32_t length_ = 0;
    void* data_ = nullptr;
};

} // namespace kis
