#include "level/Records.h"

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
