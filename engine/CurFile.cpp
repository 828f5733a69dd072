#include "engine/CurFile.h"

#include "foundation/ByteOrder.h"
#include "platform/ImageDecode.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

using kis::LoadLE16;
using kis::LoadLE32;

bool Fail(std::string* error, const char* reason) {
    if (error) *error = reason;
    return false;
}

CursorDirEntry ParseEntry(const uint8_t* raw) {
    return CursorDirEntry{raw[0],
                          raw[1],
                          raw[2],
                          raw[3],
                          LoadLE16(raw + 4),
                          LoadLE16(raw + 6),
                          LoadLE32(raw + 8),
                          LoadLE32(raw + 12)};
}

CurBitmapHeader ParseBitmapHeader(const uint8_t* raw) {
    return CurBitmapHeader{LoadLE32(raw),      int32_t(LoadLE32(raw + 4)),  int32_t(LoadLE32(raw + 8)),
                           LoadLE16(raw + 12), LoadLE16(raw + 14),          LoadLE32(raw + 16),
                           LoadLE32(raw + 20), int32_t(LoadLE32(raw + 24)), int32_t(LoadLE32(raw + 28)),
                           LoadLE32(raw + 32), LoadLE32(raw + 36)};
}

size_t RowBytes(uint32_t bitCount, int width) {
    return (size_t(bitCount) * size_t(width) + 31) / 32 * 4;
}

constexpr uint8_t kPngMagic[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

bool DecodePng(const uint8_t* data, size_t size, CursorImage* image, std::string* error) {
    platform::DecodedPicture picture;
    std::string reason;
    if (!platform::DecodePicture(data, size, &picture, &reason)) return Fail(error, "damaged PNG image");
    if (picture.width < 1 || picture.height < 1 || picture.width > kMaxCursorSide ||
        picture.height > kMaxCursorSide)
        return Fail(error, "PNG image larger than 256 pixels");
    image->width = picture.width;
    image->height = picture.height;
    image->argb = std::move(picture.pixels);
    image->bitCount = 32;
    return true;
}

bool DecodeBitmap(const uint8_t* data, size_t size, CursorImage* image, std::string* error) {
    if (size < sizeof(CurBitmapHeader)) return Fail(error, "image shorter than its header");
    CurBitmapHeader header = ParseBitmapHeader(data);
    if (header.size < sizeof(CurBitmapHeader) || header.size > size)
        return Fail(error, "bad bitmap header size");
    if (header.compression != 0) return Fail(error, "compressed bitmaps are not supported");
    const uint32_t bits = header.bitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
        return Fail(error, "unsupported bits per pixel");
    // The height counts the colour rows and the mask rows.
    if (header.width < 1 || header.width > kMaxCursorSide || header.height < 2 ||
        header.height > 2 * kMaxCursorSide || header.height % 2 != 0)
        return Fail(error, "bad bitmap size");
    const int width = header.width;
    const int height = header.height / 2;

    size_t at = header.size;
    uint32_t palette[256] = {};
    uint32_t paletteEntries = 0;
    if (bits <= 8) {
        paletteEntries = header.coloursUsed ? header.coloursUsed : 1u << bits;
        if (paletteEntries > (1u << bits)) return Fail(error, "palette larger than the pixels can index");
        if (size - at < size_t(paletteEntries) * 4) return Fail(error, "palette past the end of the image");
        for (uint32_t i = 0; i < paletteEntries; ++i)
            palette[i] = LoadLE32(data + at + i * 4) & 0xFFFFFF;
        at += size_t(paletteEntries) * 4;
    }
    const size_t colourStride = RowBytes(bits, width);
    const size_t maskStride = RowBytes(1, width);
    const size_t colourBytes = colourStride * size_t(height);
    if (size - at < colourBytes) return Fail(error, "pixels past the end of the image");
    const uint8_t* colourRows = data + at;
    at += colourBytes;
    // Some writers leave out the mask of 32-bit images; their alpha is used then.
    const bool hasMask = size - at >= maskStride * size_t(height);
    if (!hasMask && bits != 32) return Fail(error, "mask past the end of the image");
    const uint8_t* maskRows = data + at;

    image->width = width;
    image->height = height;
    image->bitCount = bits;
    image->argb.assign(size_t(width) * size_t(height), 0);
    bool anyAlpha = false;
    for (int y = 0; y < height; ++y) {
        // Rows are stored bottom to top.
        const uint8_t* in = colourRows + size_t(height - 1 - y) * colourStride;
        uint32_t* out = &image->argb[size_t(y) * size_t(width)];
        for (int x = 0; x < width; ++x) {
            uint32_t pixel = 0;
            switch (bits) {
            case 32:
                pixel = LoadLE32(in + x * 4);
                break;
            case 24:
                pixel = in[x * 3] | (in[x * 3 + 1] << 8) | (uint32_t(in[x * 3 + 2]) << 16);
                break;
            default: {
                const uint32_t perByte = 8 / bits;
                const uint32_t shift = 8 - bits * (uint32_t(x) % perByte + 1);
                const uint32_t index = (in[uint32_t(x) / perByte] >> shift) & ((1u << bits) - 1);
                pixel = index < paletteEntries ? palette[index] : 0;
                break;
            }
            }
            if (bits == 32 && (pixel >> 24)) anyAlpha = true;
            out[x] = pixel;
        }
    }
    if (bits == 32 && anyAlpha) return true;

    for (int y = 0; y < height; ++y) {
        const uint8_t* mask = maskRows + size_t(height - 1 - y) * maskStride;
        uint32_t* out = &image->argb[size_t(y) * size_t(width)];
        for (int x = 0; x < width; ++x) {
            const bool transparent = hasMask && ((mask[x / 8] >> (7 - x % 8)) & 1);
            const uint32_t colour = out[x] & 0xFFFFFF;
            if (!transparent)
                out[x] = 0xFF000000u | colour;
            else
                out[x] = colour ? 0xFF000000u : 0;
        }
    }
    return true;
}

} // namespace

bool ReadCurFile(const uint8_t* data, size_t size, std::vector<CursorImage>* out, std::string* error) {
    out->clear();
    if (!data || size < sizeof(CursorDir)) return Fail(error, "file shorter than its directory header");
    CursorDir dir = {LoadLE16(data), LoadLE16(data + 2), LoadLE16(data + 4)};
    if (dir.reserved != 0 || dir.type != kCursorFileType) return Fail(error, "not a cursor file");
    if (dir.count == 0) return Fail(error, "no images");
    if ((size - sizeof(CursorDir)) / sizeof(CursorDirEntry) < dir.count)
        return Fail(error, "directory past the end of the file");

    std::vector<CursorImage> images(dir.count);
    for (uint32_t i = 0; i < dir.count; ++i) {
        CursorDirEntry entry = ParseEntry(data + sizeof(CursorDir) + i * sizeof(CursorDirEntry));
        if (entry.offset > size || entry.bytes > size - entry.offset || entry.bytes == 0)
            return Fail(error, "image data outside the file");
        const uint8_t* image = data + entry.offset;
        CursorImage& decoded = images[i];
        bool ok = entry.bytes >= sizeof kPngMagic && std::memcmp(image, kPngMagic, sizeof kPngMagic) == 0
                      ? DecodePng(image, entry.bytes, &decoded, error)
                      : DecodeBitmap(image, entry.bytes, &decoded, error);
        if (!ok) return false;
        decoded.hotX = std::min<int>(entry.hotX, decoded.width - 1);
        decoded.hotY = std::min<int>(entry.hotY, decoded.height - 1);
    }
    *out = std::move(images);
    return true;
}

int PickCursorImage(const std::vector<CursorImage>& images) {
    int best = -1;
    int bestDistance = 0;
    for (size_t i = 0; i < images.size(); ++i) {
        const CursorImage& image = images[i];
        int distance = std::abs(image.width - 32) + std::abs(image.height - 32);
        if (best < 0 || distance < bestDistance ||
            (distance == bestDistance && image.bitCount > images[size_t(best)].bitCount)) {
            best = int(i);
            bestDistance = distance;
        }
    }
    return best;
}

std::vector<uint8_t> WriteCurFile(const std::vector<CursorImage>& images) {
    std::vector<uint8_t> file(sizeof(CursorDir) + images.size() * sizeof(CursorDirEntry));
    kis::StoreLE16(&file[0], 0);
    kis::StoreLE16(&file[2], kCursorFileType);
    kis::StoreLE16(&file[4], uint16_t(images.size()));
    for (size_t i = 0; i < images.size(); ++i) {
        const CursorImage& image = images[i];
        const size_t colourStride = RowBytes(32, image.width);
        const size_t maskStride = RowBytes(1, image.width);
        const size_t bytes = sizeof(CurBitmapHeader) + (colourStride + maskStride) * size_t(image.height);
        const size_t offset = file.size();

        uint8_t* entry = &file[sizeof(CursorDir) + i * sizeof(CursorDirEntry)];
        entry[0] = uint8_t(image.width & 0xFF); // 256 is written as 0
        entry[1] = uint8_t(image.height & 0xFF);
        entry[2] = 0;
        entry[3] = 0;
        kis::StoreLE16(entry + 4, uint16_t(image.hotX));
        kis::StoreLE16(entry + 6, uint16_t(image.hotY));
        kis::StoreLE32(entry + 8, uint32_t(bytes));
        kis::StoreLE32(entry + 12, uint32_t(offset));

        file.resize(offset + bytes, 0);
        uint8_t* header = &file[offset];
        kis::StoreLE32(header, sizeof(CurBitmapHeader));
        kis::StoreLE32(header + 4, uint32_t(image.width));
        kis::StoreLE32(header + 8, uint32_t(image.height * 2));
        kis::StoreLE16(header + 12, 1);
        kis::StoreLE16(header + 14, 32);
        kis::StoreLE32(header + 20, uint32_t((colourStride + maskStride) * size_t(image.height)));
        uint8_t* colour = header + sizeof(CurBitmapHeader);
        uint8_t* mask = colour + colourStride * size_t(image.height);
        for (int y = 0; y < image.height; ++y) {
            const uint32_t* in = &image.argb[size_t(y) * size_t(image.width)];
            const size_t row = size_t(image.height - 1 - y);
            for (int x = 0; x < image.width; ++x) {
                kis::StoreLE32(colour + row * colourStride + size_t(x) * 4, in[x]);
                if ((in[x] >> 24) < 128) mask[row * maskStride + size_t(x) / 8] |= uint8_t(0x80 >> (x % 8));
            }
        }
    }
    return file;
}
