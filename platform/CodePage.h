#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Conversions between 8-bit text in a Windows code page and UTF-16.
//
// Code pages are named by their Windows numbers, because those numbers arrive
// from data files. The single-byte pages 874 and 1250-1258 come from built-in
// tables, UTF-8 (65001) from our own codec, and every other page the game names
// (the ISO-8859 family, KOI8, Mac Roman, the Chinese, Japanese and Korean
// multi-byte pages, ...) goes through iconv.
//
// Characters that cannot be mapped become '?' in either direction. A byte
// sequence that is not valid UTF-8 becomes U+FFFD, and an unpaired surrogate
// becomes the UTF-8 form of U+FFFD.
namespace platform {

constexpr uint32_t kCodePageActive = 0; // stands for the active code page
constexpr uint32_t kCodePageUtf8 = 65001;
constexpr uint32_t kCodePageDefault = 1252;

// The code page of 8-bit text that names no other ("the system ANSI code
// page"). 1252 until set.
uint32_t ActiveCodePage();
// Makes a code page active; false (and nothing changes) when it is not available.
bool SetActiveCodePage(uint32_t codePage);

// True when text in this code page can be converted here (0 means the active one).
bool IsCodePageAvailable(uint32_t codePage);

enum class ConvertStatus : uint8_t {
    Ok,
    BufferTooSmall, // the destination filled up; count holds what was written
    Unavailable,    // the code page is unknown or cannot be opened
    BadArgument,    // a null source with a non-zero length
};

struct ConvertResult {
    size_t count = 0; // units written, or needed when only measuring
    ConvertStatus status = ConvertStatus::Ok;
    bool Ok() const { return status == ConvertStatus::Ok; }
};

// Converts srcLength bytes of 8-bit text into UTF-16. With a null destination
// or a capacity of 0 nothing is written and count is the number of UTF-16 units
// the text needs. Otherwise whole characters are written while they fit; when
// the text does not fit, the result is BufferTooSmall with the units written.
// Nothing is terminated: terminators in the source are converted like any
// other character.
ConvertResult MultiByteToUtf16(uint32_t codePage, const char* src, size_t srcLength, char16_t* dst,
                               size_t dstCapacity);

// The same from UTF-16 into 8-bit text; count is in bytes.
ConvertResult Utf16ToMultiByte(uint32_t codePage, const char16_t* src, size_t srcLength, char* dst,
                               size_t dstCapacity);

// Whole-text conveniences; unmappable characters become '?'; an unavailable
// code page gives an empty result.
std::u16string ToUtf16(std::string_view text, uint32_t codePage = kCodePageActive);
std::string FromUtf16(std::u16string_view text, uint32_t codePage = kCodePageActive);

} // namespace platform
