#pragma once
// Fields of the little-endian records that the level's world keeps in game
// data and saved games. The records are read through SaveReader (bounded,
// with a sticky failure) and appended through SaveWriter. Each record is a
// plain struct with one layout (foundation/RecordLayout.h) that both writes
// and reads it.

#include "foundation/ByteOrder.h"
#include "foundation/RecordLayout.h"
#include "level/SaveStream.h"

#include <cstdint>
#include <cstring>

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

// Appends a record laid out by layout (the bytes no field covers zero); false
// when the stream could not grow.
template <class Layout>
bool PutRecord(SaveWriter& out, const Layout& layout, const typename Layout::Record& record) {
    uint8_t* bytes = out.Alloc(layout.size);
    if (!bytes) return false;
    layout.Store(record, bytes);
    return true;
}

// Reads a record laid out by layout; false (and the reader failed) when fewer
// bytes remain or a field cannot be held.
template <class Layout>
bool GetRecord(SaveReader& in, const Layout& layout, typename Layout::Record* record) {
    const uint8_t* bytes = in.ReadPtr(layout.size);
    if (!bytes) return false;
    if (layout.Load(bytes, record)) return true;
    in.Fail();
    return false;
}

// A block of exactly layout.size bytes whose first word holds that size; the
// layout's fields start after it.
template <class Layout>
bool PutBlock(SaveWriter& out, const Layout& layout, const typename Layout::Record& record) {
    uint8_t* bytes = out.Alloc(layout.size);
    if (!bytes) return false;
    kis::StoreLE32(bytes, uint32_t(layout.size));
    layout.Store(record, bytes);
    return true;
}

// Reads such a block; false (and the reader failed) when its size word is
// not layout.size, it is cut short or a field cannot be held.
template <class Layout> bool GetBlock(SaveReader& in, const Layout& layout, typename Layout::Record* record) {
    const uint8_t* bytes = in.Peek(layout.size);
    if (in.ReadBlock(uint32_t(layout.size), uint32_t(layout.size)).Failed()) return false;
    if (layout.Load(bytes, record)) return true;
    in.Fail();
    return false;
}
