#pragma once
// Four-character codes. The packs and the graphics formats spell ids with four
// characters in two byte orders, and each id is written once, as its text,
// through one of these.

#include <cstdint>

namespace kis {

// The code whose bytes, stored little-endian, spell the text: the first
// character in the lowest byte ("DXT1" is 0x31545844). Used by the graphics
// formats and the texture tool's pack.
constexpr uint32_t FourCC(const char (&code)[5]) {
    return uint32_t(uint8_t(code[0])) | uint32_t(uint8_t(code[1])) << 8 | uint32_t(uint8_t(code[2])) << 16 |
           uint32_t(uint8_t(code[3])) << 24;
}

// The code that reads as the text when written in hexadecimal: the first
// character in the highest byte ("SAMP" is 0x53414D50). Used by the chunk ids
// of the game's packs.
constexpr uint32_t FourCCHighFirst(const char (&code)[5]) {
    return uint32_t(uint8_t(code[0])) << 24 | uint32_t(uint8_t(code[1])) << 16 |
           uint32_t(uint8_t(code[2])) << 8 | uint32_t(uint8_t(code[3]));
}

} // namespace kis
