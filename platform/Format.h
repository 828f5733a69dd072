#pragma once
// The pixel formats of the whole program: the device's textures and back
// buffers, and the images the engine reads and stores. The numbers are the ones
// the game keeps in its settings and data files.

#include <cstdint>

namespace platform {

// ---------------------------------------------------------------- formats

enum class Format : uint32_t {
    Unknown = 0,
    R8G8B8 = 20,
    A8R8G8B8 = 21,
    X8R8G8B8 = 22,
    R5G6B5 = 23,
    X1R5G5B5 = 24,
    A1R5G5B5 = 25,
    A4R4G4B4 = 26,
    R3G3B2 = 27, // the engine reads these four; the device makes no textures of them
    A8 = 28,
    A8R3G3B2 = 29,
    X4R4G4B4 = 30,
    A2R10G10B10 = 35,
    L8 = 50,
    A8L8 = 51,
    A4L4 = 52,
    D16 = 80,
    Dxt1 = 0x31545844, // the four characters "DXT1", little-endian
    Dxt2 = 0x32545844,
    Dxt3 = 0x33545844,
    Dxt4 = 0x34545844,
    Dxt5 = 0x35545844,
};

bool IsBlockCompressed(Format format);
// Bytes of one pixel of an uncompressed format; 0 for block-compressed and unknown ones.
uint32_t BytesPerPixel(Format format);
// Bytes of one locked row: width x bytes per pixel, or one row of 4x4 blocks.
uint32_t RowPitch(Format format, uint32_t width);
// Rows of a locked level: the height, or the number of block rows.
uint32_t RowCount(Format format, uint32_t height);
// True for the formats textures can be created in.
bool IsTextureFormat(Format format);

// Expands a row of pixels in the given format to A8R8G8B8 the way sampling
// sees them: formats without alpha read as opaque, A8 as (0, 0, 0, a),
// luminance formats as grey. Not for block-compressed formats.
void ExpandRow(Format format, const uint8_t* source, uint32_t* destination, uint32_t count);
// Decodes one 4x4 block of a DXT format into 16 A8R8G8B8 pixels, row by row.
void DecodeBlock(Format format, const uint8_t* block, uint32_t pixels[16]);

} // namespace platform
