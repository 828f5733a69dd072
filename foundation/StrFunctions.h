#pragma once
// Null-safe text functions over terminated 8-bit (A, char) and UTF-16 (W,
// char16_t) texts. Each operation is one template over the character type;
// the A and W names are thin wrappers the rest of the system calls.
//
// Conventions shared by every function here:
// - a null text behaves as an empty text unless stated otherwise;
// - buffer sizes are in characters and include the terminator;
// - every text written is terminated and cut at the buffer's end.
// Texts made by StrDup/StrDupN are allocated with new[] and released with
// kis::StrFree.

#include <cstddef>
#include <cstdint>
#include <new>
#include <type_traits>

namespace kis {

namespace strdetail {

template <typename Ch> constexpr uint32_t Code(Ch c) {
    return static_cast<uint32_t>(static_cast<std::make_unsigned_t<Ch>>(c));
}

// Case folding of the compares: ASCII letters only, folded to lower case
// (so '_' sorts before letters, as the C runtime's _stricmp does).
constexpr uint32_t Fold(uint32_t c) {
    return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
}

constexpr int Sign(int64_t d) {
    return d < 0 ? -1 : (d > 0 ? 1 : 0);
}

// The rule every compare applies before looking at characters: null equals
// the empty text and sorts before any non-empty text. Returns true when it
// decided the result.
template <typename Ch> constexpr bool CompareNulls(const Ch* a, const Ch* b, int& result) {
    if (!b) {
        result = (a && a[0]) ? 1 : 0;
        return true;
    }
    if (!a) {
        result = b[0] ? -1 : 0;
        return true;
    }
    return false;
}

} // namespace strdetail

// Characters before the terminator; 0 for null.
template <typename Ch> int32_t StrLen(const Ch* text) {
    if (!text) return 0;
    int32_t n = 0;
    while (text[n])
        ++n;
    return n;
}

// Length + 1; 0 for null.
template <typename Ch> int32_t StrSize(const Ch* text) {
    return text ? StrLen(text) + 1 : 0;
}

// Copies at most size - 1 characters and terminates. Nothing happens when the
// buffer is null or size is 0; a null source gives an empty text.
template <typename Ch> Ch* StrCopy(Ch* buffer, uint32_t size, const Ch* source) {
    if (!buffer || size == 0) return buffer;
    uint32_t i = 0;
    if (source) {
        for (; i + 1 < size && source[i]; ++i)
            buffer[i] = source[i];
    }
    buffer[i] = 0;
    return buffer;
}

// StrCopy that copies at most n characters (limit min(size, n + 1)).
template <typename Ch> Ch* StrNCopy(Ch* buffer, uint32_t size, const Ch* source, uint32_t n) {
    uint64_t limit = uint64_t(n) + 1;
    return StrCopy(buffer, limit < size ? uint32_t(limit) : size, source);
}

// Appends at most n characters of source. The existing text is looked for
// within the first size - 1 characters; a longer text is cut there.
template <typename Ch> Ch* StrNCat(Ch* buffer, uint32_t size, const Ch* source, uint32_t n) {
    if (!buffer || size == 0) return buffer;
    uint32_t end = 0;
    while (end + 1 < size && buffer[end])
        ++end;
    if (source) {
        for (uint32_t i = 0; i < n && end + 1 < size && source[i]; ++i)
            buffer[end++] = source[i];
    }
    buffer[end] = 0;
    return buffer;
}

template <typename Ch> Ch* StrCat(Ch* buffer, uint32_t size, const Ch* source) {
    return StrNCat(buffer, size, source, UINT32_MAX);
}

// Heap copy of at most n characters. For a null text: null, or an empty
// text when emptyForNull is set. Null when the allocation fails.
template <typename Ch> Ch* StrDupN(const Ch* text, uint32_t n, bool emptyForNull) {
    if (!text && !emptyForNull) return nullptr;
    uint32_t length = 0;
    if (text) {
        while (length < n && text[length])
            ++length;
    }
    Ch* copy = new (std::nothrow) Ch[std::size_t(length) + 1];
    if (!copy) return nullptr;
    for (uint32_t i = 0; i < length; ++i)
        copy[i] = text[i];
    copy[length] = 0;
    return copy;
}

template <typename Ch> Ch* StrDup(const Ch* text, bool emptyForNull) {
    return StrDupN(text, UINT32_MAX, emptyForNull);
}

// Releases a text made by StrDup / StrDupN (null is accepted).
template <typename Ch> void StrFree(Ch* text) {
    delete[] text;
}

// Case-sensitive three-way compare (-1, 0, 1), characters compared unsigned.
template <typename Ch> int StrCompare(const Ch* a, const Ch* b) {
    int result;
    if (strdetail::CompareNulls(a, b, result)) return result;
    for (uint32_t i = 0;; ++i) {
        uint32_t ca = strdetail::Code(a[i]), cb = strdetail::Code(b[i]);
        if (ca != cb || ca == 0) return strdetail::Sign(int64_t(ca) - int64_t(cb));
    }
}

// Three-way compare ignoring ASCII case over at most n characters; n = 0
// compares equal.
template <typename Ch> int StrNICompare(const Ch* a, const Ch* b, uint32_t n) {
    int result;
    if (strdetail::CompareNulls(a, b, result)) return result;
    for (uint32_t i = 0; i < n; ++i) {
        uint32_t ca = strdetail::Fold(strdetail::Code(a[i]));
        uint32_t cb = strdetail::Fold(strdetail::Code(b[i]));
        if (ca != cb || ca == 0) return strdetail::Sign(int64_t(ca) - int64_t(cb));
    }
    return 0;
}

template <typename Ch> int StrICompare(const Ch* a, const Ch* b) {
    return StrNICompare(a, b, UINT32_MAX);
}

// Index of the first c within the first n characters; -1 when absent, for a
// null text or n = 0. The terminator is never found.
template <typename Ch> int32_t StrNIndex(const Ch* text, uint32_t n, Ch c) {
    if (!text || c == 0) return -1;
    for (uint32_t i = 0; i < n && text[i]; ++i) {
        if (text[i] == c) return int32_t(i);
    }
    return -1;
}

template <typename Ch> int32_t StrIndex(const Ch* text, Ch c) {
    return StrNIndex(text, UINT32_MAX, c);
}

// Pointer to the first c within the first n characters, or null.
template <typename Ch> const Ch* StrNChr(const Ch* text, uint32_t n, Ch c) {
    int32_t i = StrNIndex(text, n, c);
    return i < 0 ? nullptr : text + i;
}

// ---- The A and W names ------------------------------------------------------

inline int32_t StrLenW(const char16_t* t) {
    return StrLen(t);
}
inline int32_t StrLenA(const char* t) {
    return StrLen(t);
}
inline int32_t StrSizeW(const char16_t* t) {
    return StrSize(t);
}
inline int32_t StrSizeA(const char* t) {
    return StrSize(t);
}

inline char16_t* StrCopyW(char16_t* buf, uint32_t size, const char16_t* src) {
    return StrCopy(buf, size, src);
}
inline char* StrCopyA(char* buf, uint32_t size, const char* src) {
    return StrCopy(buf, size, src);
}
inline char16_t* StrNCopyW(char16_t* buf, uint32_t size, const char16_t* src, uint32_t n) {
    return StrNCopy(buf, size, src, n);
}
inline char* StrNCopyA(char* buf, uint32_t size, const char* src, uint32_t n) {
    return StrNCopy(buf, size, src, n);
}
inline char16_t* StrCatW(char16_t* buf, uint32_t size, const char16_t* src) {
    return StrCat(buf, size, src);
}
inline char* StrCatA(char* buf, uint32_t size, const char* src) {
    return StrCat(buf, size, src);
}
inline char16_t* StrNCatW(char16_t* buf, uint32_t size, const char16_t* src, uint32_t n) {
    return StrNCat(buf, size, src, n);
}

inline char16_t* StrDupW(const char16_t* t, bool emptyForNull) {
    return StrDup(t, emptyForNull);
}
inline char* StrDupA(const char* t, bool emptyForNull) {
    return StrDup(t, emptyForNull);
}
inline char16_t* StrDupNW(const char16_t* t, uint32_t n, bool emptyForNull) {
    return StrDupN(t, n, emptyForNull);
}
inline char* StrDupNA(const char* t, uint32_t n, bool emptyForNull) {
    return StrDupN(t, n, emptyForNull);
}

inline int StrCompareW(const char16_t* a, const char16_t* b) {
    return StrCompare(a, b);
}
inline int StrCompareA(const char* a, const char* b) {
    return StrCompare(a, b);
}
inline int StrICompareW(const char16_t* a, const char16_t* b) {
    return StrICompare(a, b);
}
inline int StrICompareA(const char* a, const char* b) {
    return StrICompare(a, b);
}
inline int StrNICompareW(const char16_t* a, const char16_t* b, uint32_t n) {
    return StrNICompare(a, b, n);
}
inline int StrNICompareA(const char* a, const char* b, uint32_t n) {
    return StrNICompare(a, b, n);
}

inline int32_t StrIndexW(const char16_t* t, char16_t c) {
    return StrIndex(t, c);
}
inline int32_t StrIndexA(const char* t, char c) {
    return StrIndex(t, c);
}
inline int32_t StrNIndexW(const char16_t* t, uint32_t n, char16_t c) {
    return StrNIndex(t, n, c);
}
inline int32_t StrNIndexA(const char* t, uint32_t n, char c) {
    return StrNIndex(t, n, c);
}
inline const char16_t* StrNChrW(const char16_t* t, uint32_t n, char16_t c) {
    return StrNChr(t, n, c);
}
inline const char* StrNChrA(const char* t, uint32_t n, char c) {
    return StrNChr(t, n, c);
}
inline char16_t* StrNChrW(char16_t* t, uint32_t n, char16_t c) {
    return const_cast<char16_t*>(StrNChr<char16_t>(t, n, c));
}
inline char* StrNChrA(char* t, uint32_t n, char c) {
    return const_cast<char*>(StrNChr<char>(t, n, c));
}

} // namespace kis
