#pragma once
// Numbers to text and back, in 8-bit (A, char) and UTF-16 (W, char16_t)
// twins. Each operation is one template over the character type; the A and W
// names are thin wrappers.
//
// Writers take a buffer and its size in characters (terminator included):
// they write at most size - 1 characters, keep the leading ones when the text
// does not fit, and always terminate (except IntToHex with kHexNoTerminator).
// A null buffer or a size of 0 writes nothing. They return the buffer.
//
// Parsers take a maximum length in characters (negative: up to the
// terminator) and a default, given back when the text is null, empty or not a
// number. Where they report `used`, it is the number of characters that made
// up the number, 0 when the default was given.

#include "foundation/Helpers.h"

#include <cstdint>
#include <string>

namespace kis {

// Flags of IntToHex.
enum : uint32_t {
    kHexLower = 1,        // "abcdef" instead of "ABCDEF"
    kHexNoTerminator = 2, // the digits are written without a terminator
    kHexMinimal = 4,      // just the digits the value needs (at least one)
    kHexAppend = 8,       // written after the text already in the buffer
};

// Signed decimal, '-' in front of negatives.
template <typename Ch> Ch* IntToStr(Ch* buffer, uint32_t size, int32_t value);
// Unsigned decimal.
template <typename Ch> Ch* UIntToStr(Ch* buffer, uint32_t size, uint32_t value);
// Signed decimal padded with '0' to minDigits digits (at most 10); the sign
// stands in front of the padding.
template <typename Ch> Ch* IntToStrZeroPad(Ch* buffer, uint32_t size, int32_t value, int32_t minDigits);
// Decimal written at the start of the buffer or, with append, after its text.
template <typename Ch> Ch* IntToStrCat(Ch* buffer, uint32_t size, int32_t value, bool append);
// Hexadecimal with `digits` digits (at most 16; the lowest ones when the value
// needs more), after `prefix` when that is not empty. Flags above.
template <typename Ch>
Ch* IntToHex(Ch* buffer, uint32_t size, uint64_t value, int32_t digits, const Ch* prefix, uint32_t flags);
// The four numbers separated by ", "; without asCorners the last two are
// right - left and bottom - top.
template <typename Ch> Ch* RectToStr(Ch* buffer, uint32_t size, const Rect& rect, bool asCorners);
// Signed decimal as a whole UTF-16 string, '-' in front of negatives.
std::u16string DecimalText(int64_t value);

// Optional '-', then decimal digits up to the terminator or maxLength. Any
// other character gives the default, unless it is one of `terminators`: the
// number then ends there. A lone '-' gives the default.
template <typename Ch>
int32_t StrToInt(const Ch* text, int32_t maxLength, int32_t def, const Ch* terminators, int32_t* used);
// With allowPrefix an optional '$', '#', "0x" or "0X"; then up to 16 (64-bit)
// or 8 (32-bit) hexadecimal digits of either case. At the first other
// character the value so far is the result, or the default when strict.
// No digit at all gives the default.
template <typename Ch>
uint64_t HexToInt64Ex(const Ch* text, int32_t maxLength, uint64_t def, bool allowPrefix, bool strict,
                      int32_t* used);
template <typename Ch>
uint32_t HexToIntEx(const Ch* text, int32_t maxLength, uint32_t def, bool allowPrefix, bool strict,
                    int32_t* used);
// Optional '-'; digits; '.' and fraction digits of which the first 6 count
// (the rest are read and dropped); an exponent 'e' or 'E' that must have a
// '+' or '-' and at most 100, else the default. Any other character gives the
// default unless it is one of `terminators`.
template <typename Ch>
float StrToFloat(const Ch* text, int32_t maxLength, float def, const Ch* terminators, int32_t* used);

// ---- UTF-16 forms ----------------------------------------------------------

inline char16_t* IntToStrW(char16_t* b, uint32_t size, int32_t v) {
    return IntToStr(b, size, v);
}
inline char16_t* UIntToStrW(char16_t* b, uint32_t size, uint32_t v) {
    return UIntToStr(b, size, v);
}
inline char16_t* IntToStrZeroPadW(char16_t* b, uint32_t size, int32_t v, int32_t minDigits) {
    return IntToStrZeroPad(b, size, v, minDigits);
}
inline char16_t* IntToStrCatW(char16_t* b, uint32_t size, int32_t v, bool append) {
    return IntToStrCat(b, size, v, append);
}
inline char16_t* IntToHexW(char16_t* b, uint32_t size, uint64_t v, int32_t digits, const char16_t* prefix,
                           uint32_t flags) {
    return IntToHex(b, size, v, digits, prefix, flags);
}
inline char16_t* RectToStrW(char16_t* b, uint32_t size, const Rect& r, bool asCorners) {
    return RectToStr(b, size, r, asCorners);
}
inline char16_t* RectToStrW(char16_t* b, uint32_t size, int32_t left, int32_t top, int32_t right,
                            int32_t bottom, bool asCorners) {
    return RectToStr(b, size, Rect{left, top, right, bottom}, asCorners);
}
inline int32_t StrToIntW(const char16_t* t, int32_t maxLength, int32_t def, const char16_t* terminators,
                         int32_t* used) {
    return StrToInt(t, maxLength, def, terminators, used);
}
inline int32_t StrToIntW(const char16_t* t, int32_t maxLength, int32_t def) {
    return StrToInt<char16_t>(t, maxLength, def, nullptr, nullptr);
}
inline uint64_t HexToInt64ExW(const char16_t* t, int32_t maxLength, uint64_t def, bool allowPrefix,
                              bool strict, int32_t* used) {
    return HexToInt64Ex(t, maxLength, def, allowPrefix, strict, used);
}
inline uint32_t HexToIntExW(const char16_t* t, int32_t maxLength, uint32_t def, bool allowPrefix, bool strict,
                            int32_t* used) {
    return HexToIntEx(t, maxLength, def, allowPrefix, strict, used);
}
inline uint32_t HexToIntW(const char16_t* t, int32_t maxLength, uint32_t def, bool allowPrefix = false,
                          bool strict = false) {
    return HexToIntEx<char16_t>(t, maxLength, def, allowPrefix, strict, nullptr);
}
inline float StrToFloatW(const char16_t* t, int32_t maxLength, float def,
                         const char16_t* terminators = nullptr, int32_t* used = nullptr) {
    return StrToFloat(t, maxLength, def, terminators, used);
}

// ---- 8-bit forms -----------------------------------------------------------

inline char* IntToStrA(char* b, uint32_t size, int32_t v) {
    return IntToStr(b, size, v);
}
inline int32_t StrToIntA(const char* t, int32_t maxLength, int32_t def, const char* terminators,
                         int32_t* used) {
    return StrToInt(t, maxLength, def, terminators, used);
}
inline int32_t StrToIntA(const char* t, int32_t maxLength, int32_t def) {
    return StrToInt<char>(t, maxLength, def, nullptr, nullptr);
}
inline uint64_t HexToInt64ExA(const char* t, int32_t maxLength, uint64_t def, bool allowPrefix, bool strict,
                              int32_t* used) {
    return HexToInt64Ex(t, maxLength, def, allowPrefix, strict, used);
}
inline uint32_t HexToIntExA(const char* t, int32_t maxLength, uint32_t def, bool allowPrefix, bool strict,
                            int32_t* used) {
    return HexToIntEx(t, maxLength, def, allowPrefix, strict, used);
}
inline uint32_t HexToIntA(const char* t, int32_t maxLength, uint32_t def, bool allowPrefix = false,
                          bool strict = false) {
    return HexToIntEx<char>(t, maxLength, def, allowPrefix, strict, nullptr);
}
inline float StrToFloatA(const char* t, int32_t maxLength, float def, const char* terminators = nullptr,
                         int32_t* used = nullptr) {
    return StrToFloat(t, maxLength, def, terminators, used);
}

} // namespace kis
