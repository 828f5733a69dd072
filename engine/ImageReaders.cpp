// Sections:
//   the table of bitmap file formats
//   bounded reading helpers
//   DXL bitmap and GLB readers
//   Targa
//   BMP and icon
//   DDS
//   PPM

#include "engine/ImageReaders.h"

#include "foundation/ByteOrder.h"
#include "foundation/StrFunctions.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

// ---- The table of file kinds ---------------------------------------------------

namespace {

struct FormatTable {
    kis::list<DXLBITMAPFILEFORMAT> rows;
    ~FormatTable() { rows.DeleteAll(); }
};

FormatTable& Table() {
    static FormatTable table;
    return table;
}

} // namespace

void RegisterBitmapFileFormat(const char16_t* extension, const char16_t* description,
                              BitmapFileReader reader) {
    if (!extension || extension[0] == 0 || FindBitmapFileFormat(extension)) return;
    auto* row = new DXLBITMAPFILEFORMAT{};
    kis::StrCopyW(row->extension, 128, extension);
    kis::StrCopyW(row->description, 512, description);
    row->reader = reader;
    Table().rows.Add(row);
}

const DXLBITMAPFILEFORMAT* FindBitmapFileFormat(const char16_t* extension) {
    const kis::list<DXLBITMAPFILEFORMAT>& rows = Table().rows;
    for (int32_t i = 0; i < rows.Count(); ++i) {
        const DXLBITMAPFILEFORMAT* row = rows.Get(i);
        if (row && kis::StrICompareW(row->extension, extension) == 0) return row;
    }
    return nullptr;
}

void RegisterBitmapFileFormats() {
    RegisterBitmapFileFormat(u"glb", u"ROVav Bitmap", ReadGLBBitmapFile);
    RegisterBitmapFileFormat(u"dxlb", u"VIZad Bitmap", ReadDXLBitmapFile);
    RegisterBitmapFileFormat(u"tga", u"Targa file", ReadTargaFile);
    RegisterBitmapFileFormat(u"ico", u"Icon file", ReadIconFile);
    RegisterBitmapFileFormat(u"bmp", u"Bitmap file", ReadBMPFile);
    RegisterBitmapFileFormat(u"dds", u"Direct Draw Surface", ReadDDSFile);
    RegisterBitmapFileFormat(u"ppm", u"Portable Pixmap", ReadPPMFile);
}

void UnregisterBitmapFileFormats() {
    Table().rows.DeleteAll();
}

const kis::list<DXLBITMAPFILEFORMAT>& BitmapFileFormats() {
    return Table().rows;
}

// ---- Shared reading helpers ---------------------------------------------------------

namespace {

int64_t Remaining(kis::Stream* stream) {
    int64_t size = stream->GetSize();
    int64_t position = stream->GetPosition();
    return size > position ? size - position : 0;
}

bool ReadBytes(kis::Stream* stream, void* buffer, int64_t count) {
    return count >= 0 && count <= Remaining(stream) && stream->ReadExact(buffer, count);
}

// Reads up to count bytes; the rest of the buffer is left as it is.
void ReadAvailable(kis::Stream* stream, void* buffer, int64_t count) {
    int64_t n = std::min(count, Remaining(stream));
    if (n > 0) stream->Read(buffer, n);
}

bool Fail(DXLBitmap* bitmap) {
    bitmap->Clear();
    return false;
}

bool SideAllowed(int64_t width, int64_t height) {
    return width >= 1 && height >= 1 && width <= DXLBitmap::kMaxSide && height <= DXLBitmap::kMaxSide &&
           width * height <= DXLBitmap::kMaxPixels;
}

// A fresh, zero-filled, unpacked image.
bool StartImage(DXLBitmap* bitmap, PixelFormat format, int width, int height) {
    const uint32_t size = uint32_t(width) * uint32_t(height) * GetFormatBytes(format);
    bitmap->SetHeader(format, uint32_t(width), uint32_t(height), size, 0, 0);
    return !bitmap->IsEmpty();
}

void FlipRows(DXLBitmap* bitmap) {
    const int h = bitmap->GetHeight();
    const size_t rowBytes = size_t(bitmap->GetWidth()) * bitmap->GetBytesPerPixel();
    std::vector<uint8_t> temp(rowBytes);
    for (int y = 0; y < h / 2; ++y) {
        uint8_t* a = bitmap->GetRow(y);
        uint8_t* b = bitmap->GetRow(h - 1 - y);
        if (!a || !b) return;
        std::memcpy(temp.data(), a, rowBytes);
        std::memcpy(a, b, rowBytes);
        std::memcpy(b, temp.data(), rowBytes);
    }
}

// Reverses the pixels of every row (for images stored right to left).
void MirrorRows(DXLBitmap* bitmap) {
    const int w = bitmap->GetWidth(), h = bitmap->GetHeight();
    const size_t bpp = bitmap->GetBytesPerPixel();
    for (int y = 0; y < h; ++y) {
        uint8_t* row = bitmap->GetRow(y);
        if (!row) return;
        for (int x = 0; x < w / 2; ++x)
            std::swap_ranges(row + size_t(x) * bpp, row + size_t(x + 1) * bpp, row + size_t(w - 1 - x) * bpp);
    }
}

// Blue, green, red (from 3 bytes) widened to a 4-byte pixel with alpha 0xFF.
void Widen24(const uint8_t* in, uint8_t* out, size_t pixels) {
    for (size_t i = 0; i < pixels; ++i) {
        out[i * 4 + 0] = in[i * 3 + 0];
        out[i * 4 + 1] = in[i * 3 + 1];
        out[i * 4 + 2] = in[i * 3 + 2];
        out[i * 4 + 3] = 0xFF;
    }
}

// Whether a stored size fits a header of the engine's own image files: raw
// data is exactly the image, packed data unpacks to exactly the image.
bool OwnHeaderConsistent(PixelFormat format, uint32_t width, uint32_t height, uint32_t stored,
                         uint32_t unpacked, uint32_t unit) {
    if (!SideAllowed(width, height) || stored == 0) return false;
    if (IsDXTFormat(format))
        return (unit == 0 || unpacked == 0) && stored >= GetDXTDataSize(int(width), int(height), format);
    const uint32_t bpp = GetFormatBytes(format);
    if (bpp == 0) return false;
    const uint64_t image = uint64_t(width) * height * bpp;
    if (unit == 0 || unpacked == 0) return stored == image;
    return (unit == 1 || unit == 2 || unit == 4) && unit <= bpp && unpacked == image;
}

} // namespace

// ---- The engine's own formats -------------------------------------------------------

struct DxlbHeader {
    uint32_t format, width, height, storedSize, unpackedSize, rleUnit;
};
static_assert(sizeof(DxlbHeader) == 24);

bool ReadDXLBitmapFile(kis::Stream* stream, DXLBitmap* bitmap) {
    if (!stream || !bitmap) return false;
    uint8_t raw[24];
    if (!ReadBytes(stream, raw, sizeof raw)) return Fail(bitmap);
    DxlbHeader h{kis::LoadLE32(raw),      kis::LoadLE32(raw + 4),  kis::LoadLE32(raw + 8),
                 kis::LoadLE32(raw + 12), kis::LoadLE32(raw + 16), kis::LoadLE32(raw + 20)};
    if (!OwnHeaderConsistent(h.format, h.width, h.height, h.storedSize, h.unpackedSize, h.rleUnit) ||
        h.storedSize > Remaining(stream))
        return Fail(bitmap);
    bitmap->SetHeader(h.format, h.width, h.height, h.storedSize, h.unpackedSize, h.rleUnit);
    if (!bitmap->GetData() || !ReadBytes(stream, bitmap->GetData(), h.storedSize)) return Fail(bitmap);
    return true; // the data stays packed as stored
}

struct GlbHeader {
    uint32_t width, height;
    uint8_t packing;
    uint32_t storedSize, unpackedSize;
};
constexpr size_t kGlbHeaderSize = 17;

bool ReadGLBBitmapFile(kis::Stream* stream, DXLBitmap* bitmap) {
    if (!stream || !bitmap) return false;
    uint8_t raw[kGlbHeaderSize];
    if (!ReadBytes(stream, raw, sizeof raw)) return Fail(bitmap);
    GlbHeader h{kis::LoadLE32(raw), kis::LoadLE32(raw + 4), raw[8], kis::LoadLE32(raw + 9),
                kis::LoadLE32(raw + 13)};
    const uint32_t unit = h.packing == 0 ? 1 : h.packing == 1 ? 2 : h.packing == 2 ? 4 : 0;
    if (!OwnHeaderConsistent(kFormatA8R8G8B8, h.width, h.height, h.storedSize, h.unpackedSize, unit) ||
        h.storedSize > Remaining(stream))
        return Fail(bitmap);
    bitmap->SetHeader(kFormatA8R8G8B8, h.width, h.height, h.storedSize, h.unpackedSize, unit);
    if (!bitmap->GetData() || !ReadBytes(stream, bitmap->GetData(), h.storedSize)) return Fail(bitmap);
    bitmap->BeginAccess();
    uint8_t* p = bitmap->GetBits();
    const size_t pixels = size_t(h.width) * h.height;
    if (!p || bitmap->GetDataSize() < pixels * 4) return Fail(bitmap);
    for (size_t i = 0; i < pixels; ++i)
        std::swap(p[i * 4], p[i * 4 + 2]); // red, green, blue, alpha -> blue, green, red, alpha
    FlipRows(bitmap);
    bitmap->EndAccess();
    return true;
}

// ---- Targa ----------------------------------------------------------------------------

struct TargaHeader {
    uint8_t idLength, colourMapType, imageType;
    uint16_t mapFirst, mapLength;
    uint8_t mapEntryBits;
    uint16_t width, height;
    uint8_t depth, descriptor;
};

namespace {

// Targa run-length data of whole pixels: a control byte n below 128 is
// followed by n + 1 literal pixels, otherwise by one pixel repeated
// (n & 127) + 1 times. Stops at the end of the image; false when the input
// ends first.
bool ReadTargaRLE(kis::Stream* stream, uint8_t* out, size_t pixels, uint32_t pixelBytes) {
    size_t done = 0;
    uint8_t pixel[4];
    while (done < pixels) {
        uint8_t control;
        if (!ReadBytes(stream, &control, 1)) return false;
        const size_t count = std::min<size_t>((control & 127u) + 1, pixels - done);
        if (control < 128) {
            if (!ReadBytes(stream, out + done * pixelBytes, int64_t(count * pixelBytes))) return false;
        } else {
            if (!ReadBytes(stream, pixel, pixelBytes)) return false;
            for (size_t k = 0; k < count; ++k)
                std::memcpy(out + (done + k) * pixelBytes, pixel, pixelBytes);
        }
        done += count;
    }
    return true;
}

} // namespace

bool ReadTargaFile(kis::Stream* stream, DXLBitmap* bitmap) {
    if (!stream || !bitmap) return false;
    uint8_t raw[18];
    if (!ReadBytes(stream, raw, sizeof raw)) return Fail(bitmap);
    TargaHeader h{raw[0],
                  raw[1],
                  raw[2],
                  kis::LoadLE16(raw + 3),
                  kis::LoadLE16(raw + 5),
                  raw[7],
                  kis::LoadLE16(raw + 12),
                  kis::LoadLE16(raw + 14),
                  raw[16],
                  raw[17]};
    if (h.idLength > Remaining(stream)) return Fail(bitmap);
    stream->Seek(h.idLength, 1);

    if ((h.imageType & 3) == 0) {
        // No image data: an empty bitmap.
        bitmap->Clear();
        bitmap->SetFormat(kFormatA8R8G8B8);
        return false;
    }
    const bool rle = h.imageType == 10 || h.imageType == 11;
    PixelFormat format;
    uint32_t fileBytes; // bytes of one pixel in the file
    switch (h.imageType) {
    case 2:
    case 10:
        if (h.depth == 16)
            format = kFormatA1R5G5B5;
        else if (h.depth == 24)
            format = kFormatX8R8G8B8;
        else if (h.depth == 32)
            format = kFormatA8R8G8B8;
        else
            return Fail(bitmap);
        fileBytes = h.depth / 8u;
        break;
    case 3:
    case 11:
        if (h.depth != 8) return Fail(bitmap);
        format = kFormatL8;
        fileBytes = 1;
        break;
    case 1:
        if (h.depth != 8 || h.mapEntryBits != 24) return Fail(bitmap);
        format = kFormatX8R8G8B8;
        fileBytes = 1;
        break;
    default: // colour-mapped run-length (9) and unknown types
        return Fail(bitmap);
    }
    if (!SideAllowed(h.width, h.height)) return Fail(bitmap);
    const size_t pixels = size_t(h.width) * h.height;

    std::vector<uint8_t> map;
    if (h.imageType == 1) {
        map.resize(size_t(h.mapLength) * 3);
        if (!ReadBytes(stream, map.data(), int64_t(map.size()))) return Fail(bitmap);
    } else if (h.colourMapType != 0) {
        // A colour map in a file whose pixels are not indices is not used,
        // but it stands before the pixels: skip it.
        const int64_t mapBytes = int64_t(h.mapLength) * ((h.mapEntryBits + 7) / 8);
        if (mapBytes > Remaining(stream)) return Fail(bitmap);
        stream->Seek(mapBytes, 1);
    }
    std::vector<uint8_t> file;
    if (int64_t(pixels * fileBytes) > Remaining(stream) && !rle) return Fail(bitmap);
    file.resize(pixels * fileBytes);
    if (rle ? !ReadTargaRLE(stream, file.data(), pixels, fileBytes)
            : !ReadBytes(stream, file.data(), int64_t(file.size())))
        return Fail(bitmap);

    if (!StartImage(bitmap, format, h.width, h.height)) return Fail(bitmap);
    uint8_t* out = bitmap->GetBits();
    if (h.imageType == 1) {
        for (size_t i = 0; i < pixels; ++i) {
            const size_t index = file[i];
            if (index >= h.mapLength) return Fail(bitmap); // an index the map does not hold
            std::memcpy(out + i * 4, &map[index * 3], 3);
            out[i * 4 + 3] = 0xFF;
        }
    } else if (fileBytes == 3) {
        Widen24(file.data(), out, pixels);
    } else {
        std::memcpy(out, file.data(), file.size());
    }
    if ((h.descriptor & 0x20) == 0) FlipRows(bitmap);
    if (h.descriptor & 0x10) MirrorRows(bitmap); // the origin is at the right
    if (rle) bitmap->SetRLEUnit(fileBytes == 2 ? 2 : fileBytes == 1 ? 1 : 4);
    return true;
}

// ---- Windows bitmaps and icons ------------------------------------------------------------

struct BitmapInfoHeader {
    uint32_t size;
    int32_t width, height;
    uint16_t planes, bitCount;
    uint32_t compression, imageSize;
    int32_t xPelsPerMeter, yPelsPerMeter;
    uint32_t coloursUsed, coloursImportant;
};
static_assert(sizeof(BitmapInfoHeader) == 40);

namespace {

BitmapInfoHeader ParseInfoHeader(const uint8_t* raw) {
    return BitmapInfoHeader{
        kis::LoadLE32(raw),      int32_t(kis::LoadLE32(raw + 4)),  int32_t(kis::LoadLE32(raw + 8)),
        kis::LoadLE16(raw + 12), kis::LoadLE16(raw + 14),          kis::LoadLE32(raw + 16),
        kis::LoadLE32(raw + 20), int32_t(kis::LoadLE32(raw + 24)), int32_t(kis::LoadLE32(raw + 28)),
        kis::LoadLE32(raw + 32), kis::LoadLE32(raw + 36)};
}

size_t RowStride(uint32_t bitCount, int width) {
    return (size_t(bitCount) * size_t(width) + 31) / 32 * 4;
}

// Decodes the pixels that follow an info header (palette first for 1, 4 and 8
// bits) into the bitmap, rows as stored. The rows follow the palette, or
// start at pixelOffset in the stream when that is not negative. 16-bit pixels
// come out X1R5G5B5, everything else X8R8G8B8 (32-bit pixels keep their
// fourth byte).
bool DecodeDIB(kis::Stream* stream, DXLBitmap* bitmap, const BitmapInfoHeader& info, int width, int height,
               int64_t pixelOffset = -1) {
    const uint32_t bits = info.bitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    if (!SideAllowed(width, height)) return false;
    std::vector<uint8_t> palette;
    if (bits <= 8) {
        // Every entry the header names is read (more than the indices can
        // reach is allowed), as long as the file holds them.
        const uint32_t entries = info.coloursUsed != 0 ? info.coloursUsed : 1u << bits;
        if (int64_t(entries) * 4 > Remaining(stream)) return false;
        palette.resize(size_t(entries) * 4);
        if (!ReadBytes(stream, palette.data(), int64_t(palette.size()))) return false;
    }
    if (pixelOffset >= 0 && stream->SeekTo(pixelOffset) != pixelOffset) return false;
    const size_t stride = RowStride(bits, width);
    std::vector<uint8_t> rows(stride * height);
    if (!ReadBytes(stream, rows.data(), int64_t(rows.size()))) return false;
    if (!StartImage(bitmap, bits == 16 ? kFormatX1R5G5B5 : kFormatX8R8G8B8, width, height)) return false;
    const size_t entries = palette.size() / 4;
    for (int y = 0; y < height; ++y) {
        const uint8_t* in = &rows[size_t(y) * stride];
        uint8_t* out = bitmap->GetRow(y);
        for (int x = 0; x < width; ++x) {
            switch (bits) {
            case 16:
                std::memcpy(out + x * 2, in + x * 2, 2);
                break;
            case 24:
                std::memcpy(out + x * 4, in + x * 3, 3);
                out[x * 4 + 3] = 0xFF;
                break;
            case 32:
                std::memcpy(out + x * 4, in + x * 4, 4);
                break;
            default: {
                // Indices from the most significant bits first.
                const uint32_t perByte = 8 / bits;
                const uint32_t byte = in[x / perByte];
                const uint32_t shift = 8 - bits * (x % perByte + 1);
                const size_t index = (byte >> shift) & ((1u << bits) - 1);
                if (index < entries)
                    std::memcpy(out + x * 4, &palette[index * 4], 3);
                else
                    std::memset(out + x * 4, 0, 3); // outside the palette: black
                out[x * 4 + 3] = 0xFF;
                break;
            }
            }
        }
    }
    return true;
}

} // namespace

bool ReadBMPFile(kis::Stream* stream, DXLBitmap* bitmap) {
    if (!stream || !bitmap) return false;
    uint8_t fileHeader[14 + 4];
    if (!ReadBytes(stream, fileHeader, sizeof fileHeader) || fileHeader[0] != 'B' || fileHeader[1] != 'M')
        return Fail(bitmap);
    const uint32_t infoSize = kis::LoadLE32(fileHeader + 14);
    // The pixels start where the file header says: after the headers (and
    // palette), sometimes after a gap. An offset into the headers or past the
    // end of the file is refused.
    const uint32_t pixelOffset = kis::LoadLE32(fileHeader + 10);
    if (uint64_t(pixelOffset) < 14 + uint64_t(infoSize) || pixelOffset > stream->GetSize())
        return Fail(bitmap);

    if (infoSize == 12) {
        // Core header: u16 width, u16 height, u16 planes, u16 bit count; 24-bit
        // rows padded to 4 bytes.
        uint8_t core[8];
        if (!ReadBytes(stream, core, sizeof core)) return Fail(bitmap);
        const int width = kis::LoadLE16(core), height = kis::LoadLE16(core + 2);
        if (kis::LoadLE16(core + 6) != 24 || !SideAllowed(width, height)) return Fail(bitmap);
        if (!StartImage(bitmap, kFormatX8R8G8B8, width, height)) return Fail(bitmap);
        const size_t stride = RowStride(24, width);
        std::vector<uint8_t> rows(stride * height, 0);
        if (stream->SeekTo(pixelOffset) != pixelOffset) return Fail(bitmap);
        ReadAvailable(stream, rows.data(), int64_t(rows.size())); // a short read leaves zero pixels
        for (int y = 0; y < height; ++y)
            Widen24(&rows[size_t(y) * stride], bitmap->GetRow(y), size_t(width));
        FlipRows(bitmap);
        return true;
    }

    if (infoSize < 40 || infoSize - 4 > Remaining(stream)) return Fail(bitmap);
    uint8_t raw[40];
    kis::StoreLE32(raw, infoSize);
    if (!ReadBytes(stream, raw + 4, 36)) return Fail(bitmap);
    stream->Seek(int64_t(infoSize) - 40, 1); // the rest of a larger header
    const BitmapInfoHeader info = ParseInfoHeader(raw);
    if (info.planes != 1 || info.compression != 0 || info.height == INT32_MIN) return Fail(bitmap);
    const bool topDown = info.height < 0;
    const int height = topDown ? -info.height : info.height;
    if (!DecodeDIB(stream, bitmap, info, info.width, height, pixelOffset)) return Fail(bitmap);

    const size_t pixels = size_t(info.width) * height;
    uint8_t* p = bitmap->GetBits();
    if (info.bitCount == 16) {
        // 1-bit alpha only when some pixel sets it; otherwise the bit is
        // unused and the image is opaque.
        bool anyAlpha = false;
        for (size_t i = 0; i < pixels && !anyAlpha; ++i)
            anyAlpha = (p[i * 2 + 1] & 0x80) != 0;
        if (!anyAlpha)
            for (size_t i = 0; i < pixels; ++i)
                p[i * 2 + 1] |= 0x80;
        bitmap->SetFormatField(kFormatA1R5G5B5);
    } else if (info.bitCount == 32) {
        for (size_t i = 0; i < pixels; ++i)
            p[i * 4 + 3] = 0xFF;
    }
    if (!topDown) FlipRows(bitmap);
    return true;
}

bool ReadIconFile(kis::Stream* stream, DXLBitmap* bitmap) {
    if (!stream || !bitmap) return false;
    uint8_t head[6];
    if (!ReadBytes(stream, head, sizeof head)) return Fail(bitmap);
    const uint32_t count = kis::LoadLE16(head + 4);
    if (count == 0 || int64_t(count) * 16 > Remaining(stream)) return Fail(bitmap);
    uint8_t entry[16];
    for (uint32_t i = 0; i < count; ++i)
        if (!ReadBytes(stream, entry, sizeof entry)) return Fail(bitmap);
    // A side of 256 is stored as 0.
    const int width = entry[0] != 0 ? entry[0] : 256, height = entry[1] != 0 ? entry[1] : 256;
    if (kis::LoadLE16(entry + 4) == 0 && entry[2] == 0 && entry[3] == 0) return Fail(bitmap);
    const uint32_t offset = kis::LoadLE32(entry + 12);
    if (int64_t(offset) + 40 > stream->GetSize()) return Fail(bitmap);
    stream->SeekTo(offset);
    uint8_t raw[40];
    if (!ReadBytes(stream, raw, sizeof raw)) return Fail(bitmap);
    const BitmapInfoHeader info = ParseInfoHeader(raw);
    if (info.planes == 0 || info.compression != 0) return Fail(bitmap);
    if (!DecodeDIB(stream, bitmap, info, width, height) || bitmap->IsEmpty()) return Fail(bitmap);

    if (info.bitCount < 32) {
        // The AND mask: bit 0 opaque, bit 1 transparent.
        const size_t stride = RowStride(1, width);
        std::vector<uint8_t> mask(stride * height);
        if (!ReadBytes(stream, mask.data(), int64_t(mask.size()))) return Fail(bitmap);
        const bool sixteen = info.bitCount == 16;
        for (int y = 0; y < height; ++y) {
            uint8_t* row = bitmap->GetRow(y);
            for (int x = 0; x < width; ++x) {
                const bool transparent = (mask[size_t(y) * stride + x / 8] >> (7 - x % 8)) & 1;
                if (sixteen)
                    row[x * 2 + 1] = uint8_t(transparent ? row[x * 2 + 1] & 0x7F : row[x * 2 + 1] | 0x80);
                else
                    row[x * 4 + 3] = transparent ? 0 : 0xFF;
            }
        }
    }
    FlipRows(bitmap);
    return true;
}

// ---- DirectDraw surfaces --------------------------------------------------------------------

struct DdsPixelFormat {
    uint32_t size, flags, fourCC, bitCount, redMask, greenMask, blueMask, alphaMask;
};
static_assert(sizeof(DdsPixelFormat) == 32);

namespace {

constexpr uint32_t kDdsAlphaPixels = 0x1, kDdsAlpha = 0x2, kDdsFourCC = 0x4, kDdsRGB = 0x40,
                   kDdsLuminance = 0x20000;
constexpr uint32_t kDdsLinearSize = 0x80000, kDdsCubeMap = 0x200, kDdsVolume = 0x200000;

bool MasksAre(const DdsPixelFormat& pf, uint32_t r, uint32_t g, uint32_t b) {
    return pf.redMask == r && pf.greenMask == g && pf.blueMask == b;
}

// The bitmap format of an uncompressed surface, or 0 when it is refused. The
// flags and the bit count alone make A8, A4L4, L8 and A8L8: writers fill the
// masks of those surfaces in several ways (a luminance mask repeated in all
// three colour masks, or none), so masks decide only what the flags leave
// open. A colour surface has alpha only when it names an alpha mask: with
// none (the alpha flag alone included) its unused bits are not alpha.
PixelFormat UncompressedFormat(const DdsPixelFormat& pf, uint32_t* fileBytes) {
    if (pf.flags & ~(kDdsAlphaPixels | kDdsAlpha | kDdsRGB | kDdsLuminance)) return 0;
    const bool alphaPixels = pf.flags & kDdsAlphaPixels, alphaOnly = pf.flags & kDdsAlpha,
               luminance = pf.flags & kDdsLuminance;
    const bool colourAlpha = alphaPixels && pf.alphaMask != 0;
    switch (pf.bitCount) {
    case 8:
        *fileBytes = 1;
        if (alphaOnly) return kFormatA8;
        if (alphaPixels) return kFormatA4L4;
        return luminance ? kFormatL8 : 0;
    case 16:
        *fileBytes = 2;
        if (luminance && alphaPixels) return kFormatA8L8;
        // Red in the low byte and green in the high one, no alpha (R8G8),
        // whether named a colour or a luminance surface: widened to 32 bits.
        if (MasksAre(pf, 0xFF, 0xFF00, 0) && pf.alphaMask == 0 && !alphaOnly) return kFormatX8R8G8B8;
        if (luminance || alphaOnly) return 0;
        if (colourAlpha) {
            if (MasksAre(pf, 0x7C00, 0x3E0, 0x1F) && pf.alphaMask == 0x8000) return kFormatA1R5G5B5;
            if (MasksAre(pf, 0xF00, 0xF0, 0xF) && pf.alphaMask == 0xF000) return kFormatA4R4G4B4;
            return 0;
        }
        if (MasksAre(pf, 0xF800, 0x7E0, 0x1F)) return kFormatR5G6B5;
        if (MasksAre(pf, 0x7C00, 0x3E0, 0x1F)) return kFormatX1R5G5B5;
        return 0;
    case 24:
        *fileBytes = 3;
        return !alphaPixels && !luminance && MasksAre(pf, 0xFF0000, 0xFF00, 0xFF) ? kFormatX8R8G8B8 : 0;
    case 32:
        *fileBytes = 4;
        if (!MasksAre(pf, 0xFF0000, 0xFF00, 0xFF)) return 0;
        if (colourAlpha) return pf.alphaMask == 0xFF000000 ? kFormatA8R8G8B8 : 0;
        return kFormatX8R8G8B8;
    default:
        return 0;
    }
}

} // namespace

bool ReadDDSFile(kis::Stream* stream, DXLBitmap* bitmap) {
    if (!stream || !bitmap) return false;
    uint8_t start[8];
    if (!ReadBytes(stream, start, sizeof start) || std::memcmp(start, "DDS ", 4) != 0 ||
        kis::LoadLE32(start + 4) != 124)
        return Fail(bitmap);
    uint8_t raw[124];
    kis::StoreLE32(raw, 124);
    if (!ReadBytes(stream, raw + 4, 120)) return Fail(bitmap);
    const uint32_t flags = kis::LoadLE32(raw + 4);
    const uint32_t height = kis::LoadLE32(raw + 8), width = kis::LoadLE32(raw + 12);
    const uint32_t linearSize = kis::LoadLE32(raw + 16);
    const uint32_t caps2 = kis::LoadLE32(raw + 108);
    const DdsPixelFormat pf{kis::LoadLE32(raw + 72), kis::LoadLE32(raw + 76), kis::LoadLE32(raw + 80),
                            kis::LoadLE32(raw + 84), kis::LoadLE32(raw + 88), kis::LoadLE32(raw + 92),
                            kis::LoadLE32(raw + 96), kis::LoadLE32(raw + 100)};
    if (width == 0 || height == 0 || (caps2 & (kDdsCubeMap | kDdsVolume)) || !SideAllowed(width, height))
        return Fail(bitmap);

    if (pf.flags & kDdsFourCC) {
        if (!IsDXTFormat(pf.fourCC)) return Fail(bitmap);
        // Without a linear size the data is every block of the image, each
        // side rounded up to a whole block.
        const uint64_t size =
            (flags & kDdsLinearSize) ? linearSize : GetDXTDataSize(int(width), int(height), pf.fourCC);
        // The stored blocks must cover the image and be in the file.
        if (size == 0 || size < GetDXTDataSize(int(width), int(height), pf.fourCC) ||
            int64_t(size) > Remaining(stream))
            return Fail(bitmap);
        bitmap->SetHeader(pf.fourCC, width, height, uint32_t(size), 0, 0);
        if (!bitmap->GetData() || !ReadBytes(stream, bitmap->GetData(), int64_t(size))) return Fail(bitmap);
        return true;
    }

    uint32_t fileBytes = 0;
    const PixelFormat format = UncompressedFormat(pf, &fileBytes);
    if (format == 0 || !StartImage(bitmap, format, int(width), int(height))) return Fail(bitmap);
    const size_t pixels = size_t(width) * height;
    if (fileBytes == 3) {
        std::vector<uint8_t> file(pixels * 3, 0);
        ReadAvailable(stream, file.data(), int64_t(file.size())); // a short read leaves zero pixels
        Widen24(file.data(), bitmap->GetBits(), pixels);
    } else if (fileBytes == 2 && format == kFormatX8R8G8B8) {
        std::vector<uint8_t> file(pixels * 2, 0);
        ReadAvailable(stream, file.data(), int64_t(file.size()));
        uint8_t* out = bitmap->GetBits();
        for (size_t i = 0; i < pixels; ++i) {
            out[i * 4 + 0] = 0;               // blue
            out[i * 4 + 1] = file[i * 2 + 1]; // green
            out[i * 4 + 2] = file[i * 2 + 0]; // red
            out[i * 4 + 3] = 0xFF;
        }
    } else {
        ReadAvailable(stream, bitmap->GetBits(), int64_t(pixels * fileBytes));
    }
    // The unused bits of a surface without alpha hold whatever its writer
    // left there; the image is opaque.
    uint8_t* p = bitmap->GetBits();
    if (format == kFormatX8R8G8B8 && fileBytes == 4)
        for (size_t i = 0; i < pixels; ++i)
            p[i * 4 + 3] = 0xFF;
    if (format == kFormatX1R5G5B5)
        for (size_t i = 0; i < pixels; ++i)
            p[i * 2 + 1] |= 0x80;
    return true;
}

// ---- Portable pixmaps -------------------------------------------------------------------------

namespace {

bool ReadByte(kis::Stream* stream, uint8_t* b) {
    return ReadBytes(stream, b, 1);
}

// Decimal digits ended by one non-digit byte (first already read into *next).
bool ReadDecimal(kis::Stream* stream, uint8_t first, uint32_t* value) {
    uint32_t v = 0;
    int digits = 0;
    uint8_t c = first;
    while (c >= '0' && c <= '9') {
        if (++digits > 6) return false; // larger than any image side
        v = v * 10 + (c - '0');
        if (!ReadByte(stream, &c)) return false;
    }
    *value = v;
    return digits > 0;
}

} // namespace

bool ReadPPMFile(kis::Stream* stream, DXLBitmap* bitmap) {
    if (!stream || !bitmap) return false;
    uint8_t magic[2];
    // Text samples ("P3") are not read.
    if (!ReadBytes(stream, magic, 2) || magic[0] != 'P' || magic[1] != '6') return Fail(bitmap);
    uint8_t separator, c;
    if (!ReadByte(stream, &separator) || !ReadByte(stream, &c)) return Fail(bitmap);
    if (c == '#') {
        // One comment line: up to and including the next separator byte.
        do {
            if (!ReadByte(stream, &c)) return Fail(bitmap);
        } while (c != separator);
        if (!ReadByte(stream, &c)) return Fail(bitmap);
    }
    uint32_t width = 0, height = 0, maximum = 0;
    if (!ReadDecimal(stream, c, &width) || !ReadByte(stream, &c) || !ReadDecimal(stream, c, &height) ||
        !ReadByte(stream, &c) || !ReadDecimal(stream, c, &maximum))
        return Fail(bitmap);
    if (!SideAllowed(width, height) || !StartImage(bitmap, kFormatX8R8G8B8, int(width), int(height)))
        return Fail(bitmap);
    const size_t pixels = size_t(width) * height;
    std::vector<uint8_t> file(pixels * 3, 0);
    ReadAvailable(stream, file.data(), int64_t(file.size())); // a short read leaves zero pixels
    uint8_t* out = bitmap->GetBits();
    for (size_t i = 0; i < pixels; ++i) {
        // The file holds red, green, blue; the pixel is blue, green, red, alpha.
        out[i * 4 + 0] = file[i * 3 + 2];
        out[i * 4 + 1] = file[i * 3 + 1];
        out[i * 4 + 2] = file[i * 3 + 0];
        out[i * 4 + 3] = 0xFF;
    }
    return true;
}
