#include "level/SaveStream.h"

#include "foundation/ByteOrder.h"

#include <cstring>
#include <new>

void SaveBuffer::Release() {
    if (!data_.empty()) std::vector<uint8_t>().swap(data_);
    if (!second_.empty()) std::vector<uint8_t>().swap(second_);
}

// ---------------------------------------------------------------- writer

uint8_t* SaveWriter::Alloc(size_t n, bool zero) {
    if (failed_) return nullptr;
    const size_t at = bytes_.size();
    if (n > kMaxSize - at) {
        failed_ = true;
        return nullptr;
    }
    try {
        bytes_.resize(at + n);
    } catch (const std::bad_alloc&) {
        failed_ = true;
        return nullptr;
    }
    // resize value-initialises, so the bytes are zero either way: a record
    // never carries stale bytes into a saved game.
    (void)zero;
    return bytes_.data() + at;
}

void SaveWriter::PutU32(uint32_t v) {
    if (uint8_t* p = Alloc(4, false)) kis::StoreLE32(p, v);
}

void SaveWriter::PutF32(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    PutU32(bits);
}

size_t SaveWriter::BeginBlock() {
    const size_t offset = bytes_.size();
    PutU32(0);
    return offset;
}

void SaveWriter::EndBlock(size_t offset) {
    PatchU32(offset, static_cast<uint32_t>(bytes_.size() - offset));
}

void SaveWriter::PatchU32(size_t offset, uint32_t v) {
    if (failed_ || offset + 4 > bytes_.size()) return;
    kis::StoreLE32(bytes_.data() + offset, v);
}

std::vector<uint8_t> SaveWriter::TakeBytes() {
    std::vector<uint8_t> bytes;
    if (!failed_) bytes.swap(bytes_);
    bytes_.clear();
    failed_ = false;
    return bytes;
}

std::unique_ptr<SaveBuffer> SaveWriter::Finish() {
    auto buffer = std::make_unique<SaveBuffer>();
    if (!failed_) buffer->DataBlock() = std::move(bytes_);
    bytes_.clear();
    failed_ = false;
    return buffer;
}

// ---------------------------------------------------------------- reader

const uint8_t* SaveReader::ReadPtr(size_t n) {
    if (failed_ || n > bytes_.size() - position_) {
        failed_ = true;
        return nullptr;
    }
    const uint8_t* p = bytes_.data() + position_;
    position_ += n;
    return p;
}

uint32_t SaveReader::ReadU32() {
    const uint8_t* p = ReadPtr(4);
    return p ? kis::LoadLE32(p) : 0;
}

bool SaveReader::ReadU32(uint32_t* value) {
    const uint8_t* p = ReadPtr(4);
    if (!p) return false;
    *value = kis::LoadLE32(p);
    return true;
}

float SaveReader::ReadF32() {
    const uint32_t bits = ReadU32();
    float v;
    std::memcpy(&v, &bits, 4);
    return v;
}

SaveReader SaveReader::ReadBlock(uint32_t minSize, uint32_t maxSize) {
    const size_t start = position_;
    const uint32_t size = ReadU32();
    // The size counts its own word, so it is at least 4 whatever minSize says.
    if (failed_ || size < minSize || size < 4 || size > maxSize || size - 4 > bytes_.size() - position_) {
        failed_ = true;
        SaveReader bad;
        bad.failed_ = true;
        return bad;
    }
    SaveReader block(bytes_.subspan(start, size));
    block.position_ = 4;
    position_ = start + size;
    return block;
}
