#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Decoding of the compressed picture kinds the engine has no reader of its
// own for: PNG and JPEG.
namespace platform {

// True when the bytes begin like a PNG or JPEG file.
bool IsCompressedPicture(const uint8_t* data, size_t size);

// A decoded picture: width x height A8R8G8B8 pixels, rows top to bottom.
struct DecodedPicture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
};

// The largest side of a picture that is decoded; larger ones are refused by
// their header, before any pixel memory is taken.
constexpr int kMaxPictureSide = 4096;

// Reads the width and height from a PNG or JPEG header without decoding the
// pixels. False, with a reason, when the header cannot be read or a side is
// 0 or over kMaxPictureSide.
bool ReadPictureSize(const uint8_t* data, size_t size, int* width, int* height, std::string* error);

// Decodes a PNG or JPEG held in memory. False, with a reason, for anything
// else, a damaged file or a picture over kMaxPictureSide on a side.
bool DecodePicture(const uint8_t* data, size_t size, DecodedPicture* out, std::string* error);

} // namespace platform
