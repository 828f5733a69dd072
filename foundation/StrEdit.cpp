#include "foundation/StrEdit.h"
#include "foundation/StrFunctions.h"

namespace kis {

template <typename Ch> int32_t StrFind(const Ch* text, const Ch* pattern, int32_t n) {
    if (!text || !pattern || !text[0] || !pattern[0] || n == 0) return -1;
    const int32_t textLength = StrLen(text);
    if (textLength < n) return -1;
    const int32_t patternLength = StrLen(pattern);
    if (n < 0 || n > patternLength) n = patternLength;
    for (int32_t start = 0; start + n <= textLength; ++start) {
        int32_t i = 0;
        while (i < n && text[start + i] == pattern[i])
            ++i;
        if (i == n) return start;
    }
    return -1;
}

template <typename Ch> Ch* StrAppendChars(Ch* buffer, uint32_t size, Ch ch, int32_t count, int32_t position) {
    if (!buffer || size == 0) return buffer;
    uint32_t length = 0;
    while (length + 1 < size && buffer[length])
        ++length;
    uint32_t at = (position < 0 || uint32_t(position) > length) ? length : uint32_t(position);
    for (int32_t i = 0; i < count && at + 1 < size; ++i)
        buffer[at++] = ch;
    buffer[at] = 0;
    return buffer;
}

template <typename Ch> Ch* StrInsert(Ch* buffer, uint32_t size, int32_t position, const Ch* text) {
    if (!buffer || size == 0) return buffer;
    uint32_t length = 0;
    while (length + 1 < size && buffer[length])
        ++length;
    buffer[length] = 0;
    if (position < 0 || uint32_t(position) > length) return buffer;
    const uint32_t room = size - 1;
    uint32_t insert = uint32_t(StrLen(text));
    if (insert > room - uint32_t(position)) insert = room - uint32_t(position);
    // Move the tail up (cutting what falls off the end), then fill the gap.
    uint32_t tail = length - uint32_t(position);
    if (tail > room - uint32_t(position) - insert) tail = room - uint32_t(position) - insert;
    for (uint32_t i = tail; i-- > 0;)
        buffer[position + insert + i] = buffer[position + i];
    for (uint32_t i = 0; i < insert; ++i)
        buffer[position + i] = text[i];
    buffer[position + insert + tail] = 0;
    return buffer;
}

template int32_t StrFind(const char*, const char*, int32_t);
template int32_t StrFind(const char16_t*, const char16_t*, int32_t);
template char* StrAppendChars(char*, uint32_t, char, int32_t, int32_t);
template char16_t* StrAppendChars(char16_t*, uint32_t, char16_t, int32_t, int32_t);
template char* StrInsert(char*, uint32_t, int32_t, const char*);
template char16_t* StrInsert(char16_t*, uint32_t, int32_t, const char16_t*);

} // namespace kis
