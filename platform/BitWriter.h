#pragma once
// Bits packed least significant first, as Ogg Vorbis packs its packets: the
// Vorbis reader writes a setup header back with it, and the tests write
// their small streams with it.
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace platform {

class BitWriter {
  public:
    void Put(uint64_t value, int bits) {
        for (int i = 0; i < bits; ++i, ++bit_) {
            if (bit_ % 8 == 0) bytes_.push_back(0);
            bytes_.back() |= uint8_t(((value >> i) & 1) << (bit_ % 8));
        }
    }
    void PutBytes(const char* text, size_t count) {
        for (size_t i = 0; i < count; ++i)
            Put(uint8_t(text[i]), 8);
    }
    // Copies the bits [from, to) of a packet.
    void Copy(const std::vector<uint8_t>& packet, uint64_t from, uint64_t to) {
        for (uint64_t bit = from; bit < to; ++bit)
            Put((packet[bit / 8] >> (bit % 8)) & 1, 1);
    }
    const std::vector<uint8_t>& Bytes() const { return bytes_; }
    std::vector<uint8_t> Take() { return std::move(bytes_); }

  private:
    std::vector<uint8_t> bytes_;
    uint64_t bit_ = 0;
};

} // namespace platform
