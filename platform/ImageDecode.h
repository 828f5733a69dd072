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

// Decodes a PNG or JPEG held in memory. False, with a reason, for anything
// else or a damaged file.
bool DecodePicture(const uint8_t* data, size_t size, DecodedPicture* out, std::string* error);

} // namespace platform
