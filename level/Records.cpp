#include "level/Records.h"

bool ReadNameField(const uint8_t* field, char16_t (&out)[kNameLength]) {
    return kis::LoadName(out, kNameLength, field);
}

void WriteNameField(uint8_t* field, const char16_t* name) {
    if (name) {
        kis::StoreName(name, kNameLength, field);
    } else {
        std::memset(field, 0, kNameFieldSize);
    }
}
