#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Cursor files (".cur"): a directory of images, each with its hot spot. An
// image is a PNG file or a device-independent bitmap of 1, 4, 8, 24 or 32
// bits per pixel followed by a 1-bit transparency mask; the bitmap header
// gives twice the image height (colour rows, then mask rows, both bottom to
// top, each row padded to four bytes). All numbers little-endian.

struct CursorDir {
    uint16_t reserved; // 0
    uint16_t type;     // 2 for cursors
    uint16_t count;    // entries that follow
};
static_assert(sizeof(CursorDir) == 6);

struct CursorDirEntry {
    uint8_t width;  // 0 means 256
    uint8_t height; // 0 means 256
    uint8_t colourCount;
    uint8_t reserved;
    uint16_t hotX;
    uint16_t hotY;
    uint32_t bytes;  // size of the image data
    uint32_t offset; // from the start of the file
};
static_assert(sizeof(CursorDirEntry) == 16);

struct CurBitmapHeader {
    uint32_t size; // 40
    int32_t width;
    int32_t height; // colour rows plus mask rows
    uint16_t planes;
    uint16_t bitCount;
    uint32_t compression; // 0: plain pixels
    uint32_t imageSize;
    int32_t xPelsPerMeter;
    int32_t yPelsPerMeter;
    uint32_t coloursUsed;
    uint32_t coloursImportant;
};
static_assert(sizeof(CurBitmapHeader) == 40);

constexpr uint16_t kCursorFileType = 2;
constexpr int kMaxCursorSide = 256;
// Room for a dozen images of the largest side at 32 bits with their masks; a
// larger file is refused before it is read.
constexpr int64_t kMaxCursorFileBytes = 4 << 20;

// One cursor image: A8R8G8B8 pixels, rows top to bottom, and its hot spot
// (inside the image).
struct CursorImage {
    int width = 0;
    int height = 0;
    int hotX = 0;
    int hotY = 0;
    std::vector<uint32_t> argb;
    uint32_t bitCount = 0; // of the stored image; 32 for PNG
};

// Reads every image of a cursor file. Each count, size and offset is held
// against the bytes there are. Pixels the mask leaves transparent come out
// with alpha 0; a masked pixel with a colour (which would invert the screen)
// comes out opaque black, since a colour cursor cannot invert. 32-bit images
// use their own alpha unless it is 0 throughout. False, with the reason, for
// a damaged or unsupported file.
bool ReadCurFile(const uint8_t* data, size_t size, std::vector<CursorImage>* out, std::string* error);

// The index of the image to show as a 32 x 32 pointer: the one of the nearest
// size, among those the most colours; -1 for none.
int PickCursorImage(const std::vector<CursorImage>& images);

// A cursor file of 32-bit images with masks made from their alpha (below 128
// is transparent), as the content tools write them.
std::vector<uint8_t> WriteCurFile(const std::vector<CursorImage>& images);
