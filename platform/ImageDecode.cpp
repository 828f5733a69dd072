#include "platform/ImageDecode.h"

#include <climits>
#include <cstring>

// stb_image is third-party C written to its own standards; its warnings are
// not ours to fix, so they are silenced for this one inclusion.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmisleading-indentation"
#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

namespace platform {

static bool IsPng(const uint8_t* data, size_t size) {
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    return size >= 8 && std::memcmp(data, kSignature, 8) == 0;
}

static bool IsJpeg(const uint8_t* data, size_t size) {
    return size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

bool IsCompressedPicture(const uint8_t* data, size_t size) {
    return data && (IsPng(data, size) || IsJpeg(data, size));
}

// Checked against the header before any pixel memory is taken.
constexpr int64_t kMaxPicturePixels = 0x4000000;

bool DecodePicture(const uint8_t* data, size_t size, DecodedPicture* out, std::string* error) {
    auto fail = [&](const std::string& reason) {
        if (error)
            *error = reason;
        return false;
    };
    if (!out)
        return fail("no output");
    if (!IsCompressedPicture(data, size))
        return fail("not a PNG or JPEG file");
    if (size > size_t(INT_MAX))
        return fail("file too large");
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_memory(data, int(size), &width, &height, &channels))
        return fail(std::string("cannot read picture header: ") + stbi_failure_reason());
    if (width <= 0 || height <= 0 || int64_t(width) * height > kMaxPicturePixels)
        return fail("picture too large");
    stbi_uc* rgba = stbi_load_from_memory(data, int(size), &width, &height, &channels, 4);
    if (!rgba)
        return fail(std::string("cannot decode picture: ") + stbi_failure_reason());
    out->width = width;
    out->height = height;
    out->pixels.resize(size_t(width) * size_t(height));
    const stbi_uc* p = rgba;
    for (uint32_t& pixel : out->pixels) {
        pixel = uint32_t(p[3]) << 24 | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | uint32_t(p[2]);
        p += 4;
    }
    stbi_image_free(rgba);
    return true;
}

} // namespace platform
