#include "level/Records.h"

const uint8_t* RecordReader::ReadPtr(size_t n) {
    if (failed_ || n > Left()) {
        failed_ = true;
        return nullptr;
    }
    const uint8_t* p = bytes_.data() + position_;
    position_ += n;
    return p;
}

bool RecordReader::ReadU32(uint32_t* value) {
    const uint8_t* p = ReadPtr(4);
    if (!p) return false;
    *value = kis::LoadLE32(p);
    return true;
}

uint8_t* RecordWriter::Alloc(size_t n) {
    const size_t at = bytes_.size();
    bytes_.resize(at + n, 0);
    return bytes_.data() + at;
}

bool ReadNameField(const uint8_t* field, char16_t (&out)[kNameLength]) {
    bool terminated = false;
    for (size_t i = 0; i < kNameLength; ++i) {
        const char16_t unit = char16_t(kis::LoadLE16(field + 2 * i));
        // Everything after the first zero reads as zero: padding is ignored.
        out[i] = terminated ? u'\0' : unit;
        if (unit == 0) terminated = true;
    }
    return terminated;
}

void WriteNameField(uint8_t* field, const char16_t* name) {
    std::memset(field, 0, kNameFieldSize);
    for (size_t i = 0; name && i + 1 < kNameLength && name[i]; ++i)
        kis::StoreLE16(field + 2 * i, uint16_t(name[i]));
}
