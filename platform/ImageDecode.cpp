#include "platform/ImageDecode.h"

#include "platform/Memory.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

// stb_image copies the bytes of a PNG's first data chunk into a buffer it
// has not yet allocated when that chunk is empty: a copy of no bytes to a
// null pointer, which C leaves undefined. Its copies go through this one,
// which copies nothing for nothing.
static void* CopyPictureBytes(void* to, const void* from, size_t n) {
    return n != 0 ? std::memcpy(to, from, n) : to;
}

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
// Its allocations follow the program's rule (platform/Memory.h): a picture
// that memory cannot hold is told as out of memory, not as a damaged file.
#define STBI_MALLOC(bytes) platform::Reallocate(nullptr, bytes)
#define STBI_REALLOC(block, bytes) platform::Reallocate(block, bytes)
#define STBI_FREE(block) std::free(block)
#define memcpy CopyPictureBytes
#include <stb/stb_image.h>
#undef memcpy
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

// stb_image fills a Huffman table of 256 symbols by the sixteen code counts
// of a JPEG's table segment without checking their sum. Reading damaged data
// it may take a marker wherever a 0xFF byte is, so every place that reads as
// a table segment is checked: each table in it holds at most 256 symbols.
// (Coded data never holds such a place: a 0xFF there is followed by 0 or a
// restart marker.)
static bool JpegTablesFit(const uint8_t* data, size_t size) {
    for (size_t p = 0; p + 1 < size; ++p) {
        if (data[p] != 0xFF || data[p + 1] != 0xC4) continue;
        if (p + 4 > size) break;
        // As stb_image reads it: tables follow one another while the length
        // lasts, each read whole whatever the length; bytes past the end of
        // the file read as 0.
        int64_t left = int64_t(size_t(data[p + 2]) << 8 | data[p + 3]) - 2;
        size_t table = p + 4;
        while (left > 0 && table < size) {
            size_t symbols = 0;
            for (size_t i = 1; i <= 16 && table + i < size; ++i)
                symbols += data[table + i];
            if (symbols > 256) return false;
            left -= int64_t(17 + symbols);
            table += 17 + symbols;
        }
    }
    return true;
}

bool ReadPictureSize(const uint8_t* data, size_t size, int* width, int* height, std::string* error) {
    auto fail = [&](const std::string& reason) {
        if (error) *error = reason;
        return false;
    };
    if (!width || !height) return fail("no output");
    if (!IsCompressedPicture(data, size)) return fail("not a PNG or JPEG file");
    if (size > size_t(INT_MAX)) return fail("file too large");
    if (IsJpeg(data, size) && !JpegTablesFit(data, size)) return fail("bad JPEG Huffman table");
    int w = 0, h = 0, channels = 0;
    if (!stbi_info_from_memory(data, int(size), &w, &h, &channels))
        return fail(std::string("cannot read picture header: ") + stbi_failure_reason());
    if (w <= 0 || h <= 0) return fail("picture has no pixels");
    if (w > kMaxPictureSide || h > kMaxPictureSide)
        return fail("picture too large: " + std::to_string(w) + " x " + std::to_string(h) + ", more than " +
                    std::to_string(kMaxPictureSide) + " on a side");
    *width = w;
    *height = h;
    return true;
}

bool DecodePicture(const uint8_t* data, size_t size, DecodedPicture* out, std::string* error) {
    if (!out) {
        if (error) *error = "no output";
        return false;
    }
    // The size comes from the header first; only a picture within the
    // limits is decoded.
    int width = 0, height = 0, channels = 0;
    if (!ReadPictureSize(data, size, &width, &height, error)) return false;
    auto fail = [&](const std::string& reason) {
        if (error) *error = reason;
        return false;
    };
    int decodedWidth = 0, decodedHeight = 0;
    stbi_uc* rgba = stbi_load_from_memory(data, int(size), &decodedWidth, &decodedHeight, &channels, 4);
    if (!rgba) return fail(std::string("cannot decode picture: ") + stbi_failure_reason());
    if (decodedWidth != width || decodedHeight != height) {
        stbi_image_free(rgba);
        return fail("picture size differs from its header");
    }
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
