#pragma once
// Searching in texts, and filling and inserting in bounded text buffers, in
// 8-bit (A) and UTF-16 (W) twins over one template each. Buffer sizes are in
// characters, terminator included; every text written stays terminated.

#include <cctype>
#include <cstdint>
#include <string_view>

namespace kis {

// The text without the white space (ASCII blanks, tabs and line ends) at its
// two ends.
inline std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

// Index of the first place where text holds the first n characters of
// pattern; -1 when there is none, when text or pattern is null or empty, when
// n is 0, or when text is shorter than n. A negative n, or one beyond the
// pattern's end, stands for the whole pattern. Characters compare exactly.
template <typename Ch> int32_t StrFind(const Ch* text, const Ch* pattern, int32_t n);

// Writes ch count times from position (from the end of the text when position
// is negative or beyond it), bounded by size, and terminates after the run.
template <typename Ch> Ch* StrAppendChars(Ch* buffer, uint32_t size, Ch ch, int32_t count, int32_t position);

// Inserts text at position: appends when position is the text's length, does
// nothing when it is beyond it (or negative). What no longer fits is cut.
template <typename Ch> Ch* StrInsert(Ch* buffer, uint32_t size, int32_t position, const Ch* text);

inline int32_t StrFindW(const char16_t* text, const char16_t* pattern, int32_t n) {
    return StrFind(text, pattern, n);
}
inline char16_t* StrAppendCharsW(char16_t* b, uint32_t size, char16_t ch, int32_t count, int32_t position) {
    return StrAppendChars(b, size, ch, count, position);
}
inline char* StrAppendCharsA(char* b, uint32_t size, char ch, int32_t count, int32_t position) {
    return StrAppendChars(b, size, ch, count, position);
}
inline char16_t* StrInsertW(char16_t* b, uint32_t size, int32_t position, const char16_t* text) {
    return StrInsert(b, size, position, text);
}

} // namespace kis
