#pragma once
#include "foundation/FourCC.h"

#include <cstddef>
#include <cstdint>

// Pixel formats and the free functions that work on raw pixel buffers.
//
// Formats are the Direct3D format numbers the game stores in its image files
// and texture entries. ARGB means a 32-bit value with blue in the lowest byte
// (in memory: blue, green, red, alpha).

using PixelFormat = uint32_t;

constexpr PixelFormat kFormatUnknown = 0;
constexpr PixelFormat kFormatR8G8B8 = 20;
constexpr PixelFormat kFormatA8R8G8B8 = 21;
constexpr PixelFormat kFormatX8R8G8B8 = 22;
constexpr PixelFormat kFormatR5G6B5 = 23;
constexpr PixelFormat kFormatX1R5G5B5 = 24;
constexpr PixelFormat kFormatA1R5G5B5 = 25;
constexpr PixelFormat kFormatA4R4G4B4 = 26;
constexpr PixelFormat kFormatR3G3B2 = 27;
constexpr PixelFormat kFormatA8 = 28;
constexpr PixelFormat kFormatA8R3G3B2 = 29;
constexpr PixelFormat kFormatX4R4G4B4 = 30;
constexpr PixelFormat kFormatA2R10G10B10 = 35;
constexpr PixelFormat kFormatL8 = 50;
constexpr PixelFormat kFormatA8L8 = 51;
constexpr PixelFormat kFormatA4L4 = 52;
constexpr PixelFormat kFormatDXT1 = kis::FourCC("DXT1");
constexpr PixelFormat kFormatDXT2 = kis::FourCC("DXT2");
constexpr PixelFormat kFormatDXT3 = kis::FourCC("DXT3");
constexpr PixelFormat kFormatDXT4 = kis::FourCC("DXT4");
constexpr PixelFormat kFormatDXT5 = kis::FourCC("DXT5");

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

// Decodes whole 4 x 4 blocks of a DXT image into a buffer of width x height
// pixels in the destination format. The source must hold every whole block
// (see GetDXTDataSize).
bool DecodeDXT(int width, int height, void* destination, const void* source, PixelFormat sourceFormat,
               PixelFormat destinationFormat, uint32_t destinationBytesPerPixel);
// Bytes of the whole 4 x 4 blocks DecodeDXT reads; 0 for other formats.
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
