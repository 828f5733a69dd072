#pragma once
#include "foundation/FourCC.h"
#include "platform/Format.h"

#include <cstddef>
#include <cstdint>

// Pixel formats and the free functions that work on raw pixel buffers.
//
// Formats are the numbers of platform::Format (platform/Format.h), the one
// enumeration of pixel formats, which the game also stores in its image files
// and texture entries; the engine carries them as plain numbers, since files
// may hold any value. ARGB means a 32-bit value with blue in the lowest byte
// (in memory: blue, green, red, alpha).

using PixelFormat = uint32_t;

constexpr PixelFormat kFormatUnknown = PixelFormat(platform::Format::Unknown);
constexpr PixelFormat kFormatR8G8B8 = PixelFormat(platform::Format::R8G8B8);
constexpr PixelFormat kFormatA8R8G8B8 = PixelFormat(platform::Format::A8R8G8B8);
constexpr PixelFormat kFormatX8R8G8B8 = PixelFormat(platform::Format::X8R8G8B8);
constexpr PixelFormat kFormatR5G6B5 = PixelFormat(platform::Format::R5G6B5);
constexpr PixelFormat kFormatX1R5G5B5 = PixelFormat(platform::Format::X1R5G5B5);
constexpr PixelFormat kFormatA1R5G5B5 = PixelFormat(platform::Format::A1R5G5B5);
constexpr PixelFormat kFormatA4R4G4B4 = PixelFormat(platform::Format::A4R4G4B4);
constexpr PixelFormat kFormatR3G3B2 = PixelFormat(platform::Format::R3G3B2);
constexpr PixelFormat kFormatA8 = PixelFormat(platform::Format::A8);
constexpr PixelFormat kFormatA8R3G3B2 = PixelFormat(platform::Format::A8R3G3B2);
constexpr PixelFormat kFormatX4R4G4B4 = PixelFormat(platform::Format::X4R4G4B4);
constexpr PixelFormat kFormatA2R10G10B10 = PixelFormat(platform::Format::A2R10G10B10);
constexpr PixelFormat kFormatL8 = PixelFormat(platform::Format::L8);
constexpr PixelFormat kFormatA8L8 = PixelFormat(platform::Format::A8L8);
constexpr PixelFormat kFormatA4L4 = PixelFormat(platform::Format::A4L4);
constexpr PixelFormat kFormatDXT1 = PixelFormat(platform::Format::Dxt1);
constexpr PixelFormat kFormatDXT2 = PixelFormat(platform::Format::Dxt2);
constexpr PixelFormat kFormatDXT3 = PixelFormat(platform::Format::Dxt3);
constexpr PixelFormat kFormatDXT4 = PixelFormat(platform::Format::Dxt4);
constexpr PixelFormat kFormatDXT5 = PixelFormat(platform::Format::Dxt5);

static_assert(kFormatDXT1 == kis::FourCC("DXT1") && kFormatDXT5 == kis::FourCC("DXT5"));

// Format facts. Bits and bytes are the engine's own table: several formats
// report 0 for one or both (they are readable pixel layouts the engine never
// stores in a bitmap).
uint32_t GetFormatBits(PixelFormat format);
uint32_t GetFormatBytes(PixelFormat format);
// The format itself when a bitmap may hold it, else 0.
PixelFormat SupportedFormat(PixelFormat format);
bool IsDXTFormat(PixelFormat format);
// Writes the format's name ("UNKNOWN" for 0, "Unknown" for a format outside
// the table, which also returns false).
bool GetFormatName(char* buffer, size_t size, PixelFormat format);
bool CanConvertFormat(PixelFormat from, PixelFormat to);

// 0 for 0; else the smallest power of two not below n (at most 0x80000000).
uint32_t NextPowerOfTwo(uint32_t n);

// One pixel of any table format to ARGB and back. False for DXT, 0 and
// formats outside the table.
bool PixelToARGB(const void* pixel, PixelFormat format, uint32_t* argb);
bool ARGBToPixel(uint32_t argb, PixelFormat format, void* pixel);

// Decodes the 4 x 4 blocks of a DXT image into a buffer of width x height
// pixels in the destination format. A side that is not a multiple of 4 still
// has a whole block at its end, of which only the texels inside the image
// are written. The source must hold every block (see GetDXTDataSize).
bool DecodeDXT(int width, int height, void* destination, const void* source, PixelFormat sourceFormat,
               PixelFormat destinationFormat, uint32_t destinationBytesPerPixel);
// Bytes of the 4 x 4 blocks DecodeDXT reads, each side rounded up to a
// whole block; 0 for other formats and empty images.
uint32_t GetDXTDataSize(int width, int height, PixelFormat format);

// Alpha operations on an image of width x height pixels stored back to back.
enum AlphaMode : uint32_t {
    kAlphaModeNone = 0,
    kAlphaModeColourKey = 1,     // argument: the key as ARGB
    kAlphaModeFirstPixelKey = 2, // the image's first pixel is the key
    kAlphaModeLuminance = 3,
    kAlphaModeInvertedLuminance = 4,
    kAlphaModeInvert = 5,
};
void ApplyAlphaMode(PixelFormat format, int width, int height, void* pixels, uint32_t mode,
                    uint32_t argument);
// The key is a pixel of the image's format (its bytes as a little-endian value).
void ColourKeyToAlpha(PixelFormat format, int width, int height, void* pixels, uint32_t key);
void AlphaFromLuminance(PixelFormat format, int width, int height, void* pixels);
void InvertAlpha(PixelFormat format, int width, int height, void* pixels);

// Copies the image's last column one pixel to the right and its last row one
// pixel down inside a larger buffer, with alpha cleared where the format has
// it, so that filtering at the image's edge blends towards the edge colour.
void ExtendImageEdges(PixelFormat format, int imageWidth, int imageHeight, int bufferWidth, int bufferHeight,
                      void* pixels, bool right, bool down);

// The ratio of the two sides in lowest terms (1024 x 768 gives 4 and 3);
// 0 and 0 when a side is below 1. Sides are taken as 16-bit values.
void GetAspectRatio(int width, int height, uint32_t* ratioX, uint32_t* ratioY);
