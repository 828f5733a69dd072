#pragma once
// CRC-32 and identifiers. An identifier is a run of ASCII letters, digits and
// '_' (plus optional extra characters), at most 31 long, stored lower-cased.
// Its hash - the CRC-32 register over the lower-cased characters, started at
// 0xFFFFFFFF and not inverted at the end - is the name id used for chunk
// keys, object names and option keys throughout the system.

#include <cstdint>

namespace kis {

// Standard reflected CRC-32 (polynomial 0xEDB88320, register inverted on entry
// and exit) over buffer[skip .. length). Continues from a previous result
// (0 to start), so chained calls equal one call over the joined bytes. When
// skip exceeds length nothing is processed and previous is returned.
uint32_t Crc32(const void* buffer, uint32_t length, uint32_t skip, uint32_t previous);

struct Ident {
    // Maximum length meaning "the text is terminated".
    static constexpr uint32_t kTerminated = 0xFFFFFFFF;
    static constexpr uint32_t kMaxLength = 31;

    uint32_t hash = 0;
    uint32_t length = 0;
    char16_t name[32] = {};

    // Parses one identifier from text, reading at most maxLength characters.
    // With skipBlanks, spaces and tabs before and after the name are skipped.
    // Letters are lower-cased; digits, '_' and the characters of extra (when
    // given) are taken as they are; anything else ends the name. Fails for a
    // null text, maxLength 0, an empty name or a name of 32 or more characters.
    // With consumed given, it receives the characters used and the result is
    // true; without it, the result is true only when the name (and trailing
    // blanks) make up the whole text.
    bool Parse(const char16_t* text, uint32_t maxLength, bool skipBlanks, uint32_t* consumed = nullptr,
               const char16_t* extra = nullptr);

    // True when hash, length and every character of the name are equal.
    bool Equals(const Ident& other) const;
};

// The name id of a whole text: the hash of the identifier it holds, or 0 when
// the text is null, empty, longer than 31 characters or holds any character
// other than ASCII letters, digits and '_'.
uint32_t NameId(const char16_t* name);
uint32_t NameId(const char* name);

} // namespace kis
