#pragma once
// Bounded reading and appending of the little-endian records that the
// level's world keeps in game data and saved games.
//
// RecordReader hands out the next n bytes only when that many remain, and
// remembers a failure for good, so a loader checks once at the end of a
// record rather than after every field. RecordWriter appends records to a
// growing byte block; a pointer it gives stays valid until the next Alloc.

#include "foundation/ByteOrder.h"

#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

class RecordReader {
  public:
    explicit RecordReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    // The next n bytes, or null (and the reader failed) when fewer remain.
    const uint8_t* ReadPtr(size_t n);
    bool ReadU32(uint32_t* value);
    // The next n bytes without moving on; null when fewer remain (the
    // reader does not fail).
    const uint8_t* Peek(size_t n) const {
        return failed_ || n > Left() ? nullptr : bytes_.data() + position_;
    }
    size_t Left() const { return bytes_.size() - position_; }
    size_t Position() const { return position_; }
    bool Failed() const { return failed_; }
    void Fail() { failed_ = true; }

  private:
    std::span<const uint8_t> bytes_;
    size_t position_ = 0;
    bool failed_ = false;
};

class RecordWriter {
  public:
    // Reserves n bytes (zeroed) at the end and returns their address.
    uint8_t* Alloc(size_t n);
    size_t Size() const { return bytes_.size(); }
    uint8_t* At(size_t offset) { return bytes_.data() + offset; }
    const std::vector<uint8_t>& Bytes() const { return bytes_; }
    std::vector<uint8_t>& Bytes() { return bytes_; }

  private:
    std::vector<uint8_t> bytes_;
};

// Fields of a record whose size has been checked.
inline uint32_t U32At(const uint8_t* record, size_t offset) {
    return kis::LoadLE32(record + offset);
}
inline int32_t I32At(const uint8_t* record, size_t offset) {
    return int32_t(kis::LoadLE32(record + offset));
}
inline float F32At(const uint8_t* record, size_t offset) {
    const uint32_t bits = kis::LoadLE32(record + offset);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}
inline void PutU32(uint8_t* record, size_t offset, uint32_t value) {
    kis::StoreLE32(record + offset, value);
}
inline void PutI32(uint8_t* record, size_t offset, int32_t value) {
    kis::StoreLE32(record + offset, uint32_t(value));
}
inline void PutF32(uint8_t* record, size_t offset, float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    kis::StoreLE32(record + offset, bits);
}

// A name field: 32 UTF-16 units, zero-padded.
constexpr size_t kNameFieldSize = 64;
constexpr size_t kNameLength = 32;
// Reads a name field into out (32 units); false when it holds no zero unit.
bool ReadNameField(const uint8_t* field, char16_t (&out)[kNameLength]);
// Writes a name (cut to 31 units) zero-padded into a 64-byte field.
void WriteNameField(uint8_t* field, const char16_t* name);
