#include "engine/ImageReaders.h"
#include "engine/ImageFile.h"
#include "platform/Clock.h"
#include "platform/Random.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void Put32(Bytes& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
void Append(Bytes& b, std::initializer_list<uint8_t> bytes) {
    b.insert(b.end(), bytes);
}

bool ReadWith(BitmapFileReader reader, const Bytes& file, DXLBitmap& bitmap) {
    kis::MemoryStream stream;
    if (!file.empty()) stream.Write(file.data(), int64_t(file.size()));
    stream.SeekTo(0);
    return reader(&stream, &bitmap);
}

uint32_t Pixel32(DXLBitmap& bitmap, int x, int y) {
    const uint8_t* row = bitmap.GetRow(y);
    if (!row) return 0xDEADDEAD;
    uint32_t v;
    std::memcpy(&v, row + x * 4, 4);
    return v;
}

uint16_t Pixel16(DXLBitmap& bitmap, int x, int y) {
    const uint8_t* row = bitmap.GetRow(y);
    return row ? uint16_t(row[x * 2] | row[x * 2 + 1] << 8) : 0xDEAD;
}

// ---- Sample files ----

Bytes DxlbFile(uint32_t format, uint32_t w, uint32_t h, const Bytes& data, uint32_t unpacked, uint32_t unit) {
    Bytes b;
    for (uint32_t v : {format, w, h, uint32_t(data.size()), unpacked, unit})
        Put32(b, v);
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

Bytes GlbFile(uint32_t w, uint32_t h, uint8_t type, const Bytes& data, uint32_t unpacked) {
    Bytes b;
    Put32(b, w);
    Put32(b, h);
    b.push_back(type);
    Put32(b, uint32_t(data.size()));
    Put32(b, unpacked);
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

Bytes TargaHeader(uint8_t type, uint16_t w, uint16_t h, uint8_t depth, uint8_t descriptor,
                  uint16_t mapLength = 0, uint8_t mapBits = 0) {
    Bytes b = {0, uint8_t(mapLength ? 1 : 0), type, 0, 0};
    Put16(b, mapLength);
    b.push_back(mapBits);
    Put16(b, 0);
    Put16(b, 0);
    Put16(b, w);
    Put16(b, h);
    b.push_back(depth);
    b.push_back(descriptor);
    return b;
}

Bytes InfoHeader(int32_t w, int32_t h, uint16_t bits, uint32_t coloursUsed = 0) {
    Bytes b;
    Put32(b, 40);
    Put32(b, uint32_t(w));
    Put32(b, uint32_t(h));
    Put16(b, 1);
    Put16(b, bits);
    Put32(b, 0); // compression
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, coloursUsed);
    Put32(b, 0);
    return b;
}

// The pixels start paletteBytes into `rest`.
Bytes BmpFile(const Bytes& info, const Bytes& rest, size_t paletteBytes = 0) {
    Bytes b = {'B', 'M'};
    Put32(b, uint32_t(14 + info.size() + rest.size()));
    Put32(b, 0);
    Put32(b, uint32_t(14 + info.size() + paletteBytes));
    b.insert(b.end(), info.begin(), info.end());
    b.insert(b.end(), rest.begin(), rest.end());
    return b;
}

Bytes IconFile(uint8_t w, uint8_t h, uint16_t bits, const Bytes& pixelsAndMask) {
    Bytes b;
    Put16(b, 0);
    Put16(b, 1);
    Put16(b, 1);
    Append(b, {w, h, 0, 0});
    Put16(b, 1);
    Put16(b, bits);
    Put32(b, uint32_t(40 + pixelsAndMask.size()));
    Put32(b, 22);
    Bytes info = InfoHeader(w, h * 2, bits);
    b.insert(b.end(), info.begin(), info.end());
    b.insert(b.end(), pixelsAndMask.begin(), pixelsAndMask.end());
    return b;
}

Bytes DdsFile(uint32_t flags, uint32_t w, uint32_t h, uint32_t linear, uint32_t pfFlags, uint32_t fourCC,
              uint32_t bits, uint32_t r, uint32_t g, uint32_t bl, uint32_t caps2, const Bytes& data,
              uint32_t alphaMask = 0) {
    Bytes b = {'D', 'D', 'S', ' '};
    Put32(b, 124);
    Put32(b, flags);
    Put32(b, h);
    Put32(b, w);
    Put32(b, linear);
    for (int i = 0; i < 13; ++i) // depth, mip count, 11 reserved
        Put32(b, 0);
    Put32(b, 32);
    Put32(b, pfFlags);
    Put32(b, fourCC);
    Put32(b, bits);
    Put32(b, r);
    Put32(b, g);
    Put32(b, bl);
    Put32(b, alphaMask);
    Put32(b, 0x1000);
    Put32(b, caps2);
    for (int i = 0; i < 3; ++i)
        Put32(b, 0);
    EXPECT_EQ(b.size(), 128u);
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

} // namespace

TEST(BitmapFileFormats, TableOfSevenKindsFoundIgnoringCase) {
    UnregisterBitmapFileFormats();
    RegisterBitmapFileFormats();
    ASSERT_EQ(BitmapFileFormats().Count(), 7);
    RegisterBitmapFileFormat(u"GLB", u"again", ReadDDSFile);
    RegisterBitmapFileFormat(u"", u"empty", ReadDDSFile);
    RegisterBitmapFileFormat(nullptr, u"null", ReadDDSFile);
    EXPECT_EQ(BitmapFileFormats().Count(), 7);
    EXPECT_EQ(std::u16string(BitmapFileFormats().Get(0)->extension), u"glb");
    EXPECT_EQ(std::u16string(BitmapFileFormats().Get(6)->description), u"Portable Pixmap");

    const DXLBITMAPFILEFORMAT* dds = FindBitmapFileFormat(u"dDs");
    ASSERT_NE(dds, nullptr);
    EXPECT_EQ(std::u16string(dds->description), u"Direct Draw Surface");
    EXPECT_EQ(dds->reader, &ReadDDSFile);
    EXPECT_EQ(FindBitmapFileFormat(u"GLB")->reader, &ReadGLBBitmapFile);
    EXPECT_EQ(FindBitmapFileFormat(u"png"), nullptr);
    UnregisterBitmapFileFormats();
    EXPECT_EQ(BitmapFileFormats().Count(), 0);
}

// Pictures without a signature are read by the kind the table gives their
// extension; an extension the table does not hold falls back to trying the
// kinds without a signature in turn.
bool ReadAsOnePixel(kis::Stream* stream, DXLBitmap* bitmap) {
    uint8_t byte = 0;
    if (stream->Read(&byte, 1) != 1) return false;
    bitmap->SetHeader(kFormatA8R8G8B8, 1, 1, 4, 0, 0);
    if (!bitmap->GetData()) return false;
    const uint32_t pixel = 0xFF000000u | byte;
    std::memcpy(bitmap->GetData(), &pixel, 4);
    return true;
}

TEST(BitmapFileFormats, PicturesAreReadByTheKindTheTableGivesTheirExtension) {
    UnregisterBitmapFileFormats();
    RegisterBitmapFileFormats();
    RegisterBitmapFileFormat(u"one", u"One pixel", ReadAsOnePixel);
    const uint8_t bytes[] = {0x42, 0x01, 0x02};
    DXLBitmap bitmap;
    ASSERT_TRUE(ReadImageFileFromMemory(bytes, sizeof bytes, u"art\\dot.ONE", &bitmap));
    EXPECT_EQ(bitmap.GetWidth(), 1);
    uint32_t pixel = 0;
    std::memcpy(&pixel, bitmap.GetData(), 4);
    EXPECT_EQ(pixel, 0xFF000042u);
    EXPECT_FALSE(ReadImageFileFromMemory(bytes, sizeof bytes, u"one.dir\\dot", &bitmap));
    UnregisterBitmapFileFormats();
    EXPECT_FALSE(ReadImageFileFromMemory(bytes, sizeof bytes, u"art\\dot.one", &bitmap));
    RegisterBitmapFileFormats();
}

TEST(OwnBitmapFiles, DxlbKeepsPackedDataAndRefusesLyingHeaders) {
    DXLBitmap bitmap;
    ASSERT_TRUE(
        ReadWith(ReadDXLBitmapFile, DxlbFile(kFormatA8R8G8B8, 4, 1, {0x83, 1, 2, 3, 4}, 16, 4), bitmap));
    EXPECT_EQ(bitmap.GetDataSize(), 5u); // still packed
    EXPECT_EQ(Pixel32(bitmap, 3, 0), 0x04030201u);

    Bytes raw(8);
    for (int i = 0; i < 8; ++i)
        raw[i] = uint8_t(i);
    ASSERT_TRUE(ReadWith(ReadDXLBitmapFile, DxlbFile(kFormatR5G6B5, 2, 2, raw, 0, 0), bitmap));
    EXPECT_EQ(bitmap.GetFormat(), kFormatR5G6B5);
    EXPECT_EQ(Pixel16(bitmap, 1, 1), 0x0706);

    Bytes truncated = DxlbFile(kFormatA8R8G8B8, 4, 1, {0x83, 1, 2, 3, 4}, 16, 4);
    truncated.pop_back();
    EXPECT_FALSE(ReadWith(ReadDXLBitmapFile, truncated, bitmap));
    EXPECT_TRUE(bitmap.IsEmpty());
    EXPECT_FALSE(
        ReadWith(ReadDXLBitmapFile, DxlbFile(kFormatA8R8G8B8, 4, 1, {0x83, 1, 2, 3, 4}, 64, 4), bitmap));
    EXPECT_FALSE(ReadWith(ReadDXLBitmapFile, DxlbFile(kFormatA8R8G8B8, 4, 1, Bytes(15), 0, 0), bitmap));
    EXPECT_FALSE(ReadWith(ReadDXLBitmapFile, DxlbFile(kFormatA8R8G8B8, 0, 1, {}, 0, 0), bitmap));
    Bytes lyingSize = DxlbFile(kFormatA8R8G8B8, 4096, 4096, {}, 0, 0);
    EXPECT_FALSE(ReadWith(ReadDXLBitmapFile, lyingSize, bitmap));
}

TEST(OwnBitmapFiles, GlbSwapsRedAndBlueAndFlipsRows) {
    // Bottom row first: red, then green on top.
    Bytes data = {0xFF, 0, 0, 0x80, 0, 0xFF, 0, 0x40};
    DXLBitmap bitmap;
    ASSERT_TRUE(ReadWith(ReadGLBBitmapFile, GlbFile(1, 2, 3, data, 0), bitmap)); // type 3: raw
    EXPECT_EQ(bitmap.GetFormat(), kFormatA8R8G8B8);
    EXPECT_EQ(bitmap.GetRLEUnit(), 0u);
    EXPECT_EQ(Pixel32(bitmap, 0, 0), 0x4000FF00u);
    EXPECT_EQ(Pixel32(bitmap, 0, 1), 0x80FF0000u);

    // Type 0: RLE with 1-byte units; re-packed after the swap.
    ASSERT_TRUE(ReadWith(ReadGLBBitmapFile, GlbFile(4, 1, 0, {0x8F, 0x22}, 16), bitmap));
    EXPECT_EQ(bitmap.GetRLEUnit(), 1u);
    EXPECT_EQ(Pixel32(bitmap, 3, 0), 0x22222222u);

    EXPECT_FALSE(ReadWith(ReadGLBBitmapFile, GlbFile(4, 1, 0, {0x8F, 0x22}, 0x7FFFFFFF), bitmap));
    EXPECT_FALSE(ReadWith(ReadGLBBitmapFile, Bytes(16, 0), bitmap));
}

TEST(TargaFiles, TrueColourGreyMappedAndRunLength) {
    DXLBitmap bitmap;
    Bytes top = TargaHeader(2, 1, 2, 24, 0x20);
    Append(top, {1, 2, 3, 4, 5, 6});
    ASSERT_TRUE(ReadWith(ReadTargaFile, top, bitmap));
    EXPECT_EQ(bitmap.GetFormat(), kFormatX8R8G8B8);
    EXPECT_EQ(Pixel32(bitmap, 0, 0), 0xFF030201u);
    EXPECT_EQ(Pixel32(bitmap, 0, 1), 0xFF060504u);

    Bytes bottom = TargaHeader(2, 1, 2, 24, 0);
    Append(bottom, {1, 2, 3, 4, 5, 6});
    ASSERT_TRUE(ReadWith(ReadTargaFile, bottom, bitmap));
    EXPECT_EQ(Pixel32(bitmap, 0, 0), 0xFF060504u);

    Bytes rle = TargaHeader(10, 4, 1, 32, 0x20);
    Append(rle, {0x82, 9, 8, 7, 6, 0x00, 1, 2, 3, 4});
    ASSERT_TRUE(ReadWith(ReadTargaFile, rle, bitmap));
    EXPECT_EQ(bitmap.GetFormat(), kFormatA8R8G8B8);
    EXPECT_EQ(bitmap.GetRLEUnit(), 4u); // packed in memory
    EXPECT_EQ(Pixel32(bitmap, 2, 0), 0x06070809u);
    EXPECT_EQ(Pixel32(bitmap, 3, 0), 0x04030201u);

    Bytes grey = TargaHeader(11, 3, 1, 8, 0x20);
    Append(grey, {0x82, 0x77});
    ASSERT_TRUE(ReadWith(ReadTargaFile, grey, bitmap));
    EXPECT_EQ(bitmap.GetFormat(), kFormatL8);
    EXPECT_EQ(bitmap.GetRow(0)[2], 0x77);

    Bytes mapped = TargaHeader(1, 2, 1, 8, 0x20, 2, 24);
    Append(mapped, {10, 20, 30, 40, 50, 60, 1, 0});
    ASSERT_TRUE(ReadWith(ReadTargaFile, mapped, bitmap));
    EXPECT_EQ(Pixel32(bitmap, 0, 0), 0xFF3C3228u);
    EXPECT_EQ(Pixel32(bitmap, 1, 0), 0xFF1E140Au);

    Bytes sixteen = TargaHeader(2, 1, 1, 16, 0x20);
    Append(sixteen, {0x1F, 0x80});
    ASSERT_TRUE(ReadWith(ReadTargaFile, sixteen, bitmap));
    EXPECT_EQ(bitmap.GetFormat(), kFormatA1R5G5B5);
    EXPECT_EQ(Pixel16(bitmap, 0, 0), 0x801F);
}

// Descriptor bit 4 puts the origin at the right: rows are stored right to
// left. Both origin bits together put the first stored pixel at the top right.
TEST(TargaFiles, RightToLeftRowsAreMirrored) {
    const Bytes pixels = {1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5, 5, 5, 6, 6, 6}; // 3 x 2
    struct Case {
        uint8_t type, descriptor;
        uint32_t topLeft, topRight, bottomLeft;
    } cases[] = {
        {2, 0x20, 0xFF010101, 0xFF030303, 0xFF040404},  {2, 0x30, 0xFF030303, 0xFF010101, 0xFF060606},
        {2, 0x00, 0xFF040404, 0xFF060606, 0xFF010101},  {2, 0x10, 0xFF060606, 0xFF040404, 0xFF030303},
        {10, 0x30, 0xFF030303, 0xFF010101, 0xFF060606},
    };
    for (const Case& c : cases) {
        Bytes file = TargaHeader(c.type, 3, 2, 24, c.descriptor);
        if (c.type == 10) file.push_back(0x05); // six literal pixels
        file.insert(file.end(), pixels.begin(), pixels.end());
        DXLBitmap bitmap;
        ASSERT_TRUE(ReadWith(ReadTargaFile, file, bitmap)) << int(c.descriptor);
        EXPECT_EQ(Pixel32(bitmap, 0, 0), c.topLeft) << int(c.type) << " " << int(c.descriptor);
        EXPECT_EQ(Pixel32(bitmap, 2, 0), c.topRight) << int(c.type) << " " << int(c.descriptor);
        EXPECT_EQ(Pixel32(bitmap, 0, 1), c.bottomLeft) << int(c.type) << " " << int(c.descriptor);
    }
    // Grey pixels are mirrored by their single byte.
    Bytes grey = TargaHeader(3, 3, 1, 8, 0x30);
    Append(grey, {10, 20, 30});
    DXLBitmap bitmap;
    ASSERT_TRUE(ReadWith(ReadTargaFile, grey, bitmap));
    EXPECT_EQ(bitmap.GetRow(0)[0], 30);
    EXPECT_EQ(bitmap.GetRow(0)[2], 10);
}

// A colour map in a true-colour or grey file stands before the pixels and is
// skipped, whatever the size of its entries; one longer than the file is
// refused.
TEST(TargaFiles, AColourMapOfATrueColourFileIsSkipped) {
    struct Case {
        uint8_t type, depth;
        uint16_t mapLength;
        uint8_t mapBits;
        size_t mapBytes;
    } cases[] = {
        {2, 24, 2, 24, 6}, {2, 32, 3, 15, 6}, {2, 24, 1, 32, 4}, {10, 24, 2, 24, 6}, {3, 8, 4, 16, 8},
    };
    for (const Case& c : cases) {
        Bytes file = TargaHeader(c.type, 1, 1, c.depth, 0x20, c.mapLength, c.mapBits);
        file.insert(file.end(), c.mapBytes, 0xEE);
        if (c.type == 10) file.push_back(0x00); // one literal pixel
        const uint8_t pixel[4] = {0x11, 0x22, 0x33, 0x44};
        file.insert(file.end(), pixel, pixel + c.depth / 8);
        DXLBitmap bitmap;
        ASSERT_TRUE(ReadWith(ReadTargaFile, file, bitmap)) << int(c.type) << " " << int(c.mapBits);
        const uint8_t* row = bitmap.GetRow(0);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row[0], 0x11) << int(c.type) << " " << int(c.mapBits);
        if (c.depth >= 24) {
            EXPECT_EQ(row[2], 0x33) << int(c.type) << " " << int(c.mapBits);
        }
    }
    Bytes longMap = TargaHeader(2, 1, 1, 24, 0x20, 100, 24);
    Append(longMap, {1, 2, 3});
    DXLBitmap bitmap;
    EXPECT_FALSE(ReadWith(ReadTargaFile, longMap, bitmap));
}

TEST(TargaFiles, RefusesUnreadableKindsAndShortData) {
    DXLBitmap bitmap;
    Bytes mappedRle = TargaHeader(9, 1, 1, 8, 0x20, 1, 24);
    Append(mappedRle, {1, 2, 3, 0x80, 0});
    EXPECT_FALSE(ReadWith(ReadTargaFile, mappedRle, bitmap));
    EXPECT_TRUE(bitmap.IsEmpty());

    Bytes depth15 = TargaHeader(2, 1, 1, 15, 0x20);
    Append(depth15, {0, 0});
    EXPECT_FALSE(ReadWith(ReadTargaFile, depth15, bitmap));

    Bytes shortRaw = TargaHeader(2, 2, 2, 32, 0x20);
    Append(shortRaw, {1, 2, 3, 4});
    EXPECT_FALSE(ReadWith(ReadTargaFile, shortRaw, bitmap));

    Bytes shortRle = TargaHeader(10, 8, 1, 32, 0x20);
    Append(shortRle, {0x83, 1, 2, 3, 4});
    EXPECT_FALSE(ReadWith(ReadTargaFile, shortRle, bitmap));

    Bytes badIndex = TargaHeader(1, 1, 1, 8, 0x20, 1, 24);
    Append(badIndex, {1, 2, 3, 5});
    EXPECT_FALSE(ReadWith(ReadTargaFile, badIndex, bitmap));

    Bytes noImage = TargaHeader(0, 1, 1, 32, 0x20);
    EXPECT_FALSE(ReadWith(ReadTargaFile, noImage, bitmap));
    EXPECT_EQ(bitmap.GetFormat(), kFormatA8R8G8B8);
    EXPECT_TRUE(bitmap.IsEmpty());
}

TEST(BMPFiles, RowsArePaddedAndFlipped) {
    DXLBitmap bitmap;
    // 3 x 2, 24-bit: rows of 9 bytes of pixels and 3 of padding, bottom row first.
    Bytes rows = {1, 1, 1, 2, 2, 2, 3, 3, 3, 0xEE, 0xEE, 0xEE, 4, 4, 4, 5, 5, 5, 6, 6, 6, 0xEE, 0xEE, 0xEE};
    ASSERT_TRUE(ReadWith(ReadBMPFile, BmpFile(InfoHeader(3, 2, 24), rows), bitmap));
    EXPECT_EQ(bitmap.GetFormat(), kFormatX8R8G8B8);
    EXPECT_EQ(Pixel32(bitmap, 0, 0), 0xFF040404u);
    EXPECT_EQ(Pixel32(bitmap, 2, 1), 0xFF030303u);

    // Top-down (negative height) is not flipped.
    ASSERT_TRUE(ReadWith(ReadBMPFile, BmpFile(InfoHeader(3, -2, 24), rows), bitmap));
    EXPECT_EQ(Pixel32(bitmap, 0, 0), 0xFF010101u);

    // Core header: padded rows too.
    Bytes core;
    Put32(core, 12);
    Put16(core, 3);
    Put16(core, 1);
    Put16(core, 1);
    Put16(core, 24);
    Bytes coreFile = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 26, 0, 0, 0};
    coreFile.insert(coreFile.end(), core.begin(), core.end());
    Append(coreFile, {1, 2, 3, 4, 5, 6, 7, 8, 9, 0xEE, 0xEE, 0xEE});
    ASSERT_TRUE(ReadWith(ReadBMPFile, coreFile, bitmap));
    EXPECT_EQ(Pixel32(bitmap, 2, 0), 0xFF090807u);

    // 8-bit palette, 32-bit alpha forced opaque.
    Bytes paletted = {0x10, 0x20, 0x30, 0, 0x40, 0x50, 0x60, 0, 1, 0, 0, 0};
    ASSERT_TRUE(ReadWith(ReadBMPFile, BmpFile(InfoHeader(2, 1, 8, 2), paletted, 8), bitmap));
    EXPECT_EQ(Pixel32(bitmap, 0, 0), 0xFF605040u);
    EXPECT_EQ(Pixel32(bitmap, 1, 0), 0xFF302010u);
    ASSERT_TRUE(ReadWith(ReadBMPFile, BmpFile(InfoHeader(1, 1, 32), {1, 2, 3, 0}), bitmap));
    EXPECT_EQ(Pixel32(bitmap, 0, 0), 0xFF030201u);

    // A palette longer than the indices reach is read whole: the pixels come
    // after all of its entries. One longer than the file is refused.
    Bytes longPalette;
    for (int i = 0; i < 300; ++i)
        Append(longPalette, {uint8_t(i), 0, 0, 0});
    Append(longPalette, {5, 0, 0, 0});
    ASSERT_TRUE(ReadWith(ReadBMPFile, BmpFile(InfoHeader(1, 1, 8, 300), longPalette, 1200), bitmap));
    EXPECT_EQ(Pixel32(bitmap, 0, 0), 0xFF000005u);
    EXPECT_FALSE(ReadWith(ReadBMPFile, BmpFile(InfoHeader(1, 1, 8, 400), longPalette), bitmap));

    // 1-bit, most significant bit first.
    Bytes mono = {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0x40, 0, 0, 0};
    ASSERT_TRUE(ReadWith(ReadBMPFile, BmpFile(InfoHeader(3, 1, 1), mono, 8), bitmap));
    EXPECT_EQ(Pixel32(bitmap, 0, 0), 0xFF000000u);
    EXPECT_EQ(Pixel32(bitmap, 1, 0), 0xFFFFFFFFu);
}

// The pixels are read from the file header's offset: after an unused
// palette of a 24-bit file, after a gap, and in a core-header file. An offset
// into the headers or past the end of the file is refused.
TEST(BMPFiles, PixelsStartAtTheFileHeadersOffset) {
    const Bytes pixels24 = {1, 2, 3, 0, 9, 9, 9, 0}; // 1 x 2, bottom row first
    Bytes palette24 = {0xAA, 0xBB, 0xCC, 0, 0xDD, 0xEE, 0xFF, 0};
    palette24.insert(palette24.end(), pixels24.begin(), pixels24.end());
    Bytes gap8 = {0x10, 0x20, 0x30, 0, 0x40, 0x50, 0x60, 0, 0xEE, 0xEE, 0xEE, 0xEE, 1, 0, 0, 0};
    auto core = [](uint32_t offset) {
        Bytes b = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0};
        Put32(b, offset);
        Put32(b, 12);
        for (uint16_t v : {1, 1, 1, 24})
            Put16(b, v);
        Append(b, {0xEE, 0xEE, 0xEE, 0xEE, 7, 8, 9, 0});
        return b;
    };
    auto withOffset = [](Bytes file, uint32_t offset) {
        file[10] = uint8_t(offset);
        file[11] = uint8_t(offset >> 8);
        file[12] = uint8_t(offset >> 16);
        file[13] = uint8_t(offset >> 24);
        return file;
    };
    const Bytes plain = BmpFile(InfoHeader(1, 2, 24), pixels24);
    struct Case {
        const char* what;
        Bytes file;
        uint32_t first; // the pixel at 0, 0; 0 when refused
    } cases[] = {
        {"24-bit with an unused palette", BmpFile(InfoHeader(1, 2, 24, 2), palette24, 8), 0xFF090909},
        {"8-bit with a gap after its palette", BmpFile(InfoHeader(1, 1, 8, 2), gap8, 12), 0xFF605040},
        {"core header with a gap", core(30), 0xFF090807},
        {"offset at the end of the file", withOffset(plain, uint32_t(plain.size())), 0},
        {"offset past the end of the file", withOffset(plain, uint32_t(plain.size()) + 1), 0},
        {"offset of 2^32 - 1", withOffset(plain, 0xFFFFFFFF), 0},
        {"offset into the info header", withOffset(plain, 30), 0},
        {"offset 0", withOffset(plain, 0), 0},
        {"core offset into its header", core(20), 0},
        {"core offset past the end", core(40), 0},
    };
    for (const Case& c : cases) {
        DXLBitmap bitmap;
        const bool read = ReadWith(ReadBMPFile, c.file, bitmap);
        EXPECT_EQ(read, c.first != 0) << c.what;
        if (read) {
            EXPECT_EQ(Pixel32(bitmap, 0, 0), c.first) << c.what;
        } else {
            EXPECT_TRUE(bitmap.IsEmpty()) << c.what;
        }
    }
}

TEST(BMPFiles, SixteenBitAlphaOnlyWhenUsed) {
    DXLBitmap bitmap;
    ASSERT_TRUE(ReadWith(ReadBMPFile, BmpFile(InfoHeader(2, 1, 16), {0x1F, 0x00, 0x00, 0x7C}), bitmap));
    EXPECT_EQ(bitmap.GetFormat(), kFormatA1R5G5B5);
    uint32_t argb = 0;
    ASSERT_TRUE(PixelToARGB(bitmap.GetRow(0), kFormatA1R5G5B5, &argb));
    EXPECT_EQ(argb, 0xFF0000FFu); // opaque: no pixel used the alpha bit

    ASSERT_TRUE(ReadWith(ReadBMPFile, BmpFile(InfoHeader(2, 1, 16), {0x1F, 0x80, 0x00, 0x7C}), bitmap));
    EXPECT_EQ(Pixel16(bitmap, 0, 0), 0x801F);
    EXPECT_EQ(Pixel16(bitmap, 1, 0), 0x7C00); // keeps its clear alpha bit
}

TEST(BMPFiles, RefusesBadHeaders) {
    DXLBitmap bitmap;
    Bytes rle = InfoHeader(1, 1, 24);
    rle[16] = 1; // compression
    EXPECT_FALSE(ReadWith(ReadBMPFile, BmpFile(rle, {1, 2, 3, 0}), bitmap));
    EXPECT_FALSE(ReadWith(ReadBMPFile, BmpFile(InfoHeader(2, 2, 24), {1, 2, 3}), bitmap));
    EXPECT_FALSE(ReadWith(ReadBMPFile, BmpFile(InfoHeader(-2, 1, 24), Bytes(8)), bitmap));
    EXPECT_FALSE(ReadWith(ReadBMPFile, BmpFile(InfoHeader(1, 1, 8, 600), Bytes(2000)),
                          bitmap)); // palette past the end
    Bytes notBm = BmpFile(InfoHeader(1, 1, 24), {1, 2, 3, 0});
    notBm[0] = 'X';
    EXPECT_FALSE(ReadWith(ReadBMPFile, notBm, bitmap));
    EXPECT_TRUE(bitmap.IsEmpty());
}

TEST(IconFiles, MaskSetsAlphaAndRowsFlip) {
    DXLBitmap bitmap;
    // 2 x 2, 24-bit: rows of 8 bytes (6 + 2 padding), bottom first; then the
    // mask rows of 4 bytes: bottom row 0x40 (second pixel transparent).
    Bytes data = {1, 1, 1, 2, 2, 2, 0, 0, 3, 3, 3, 4, 4, 4, 0, 0, 0x40, 0, 0, 0, 0x00, 0, 0, 0};
    ASSERT_TRUE(ReadWith(ReadIconFile, IconFile(2, 2, 24, data), bitmap));
    EXPECT_EQ(Pixel32(bitmap, 0, 0), 0xFF030303u);
    EXPECT_EQ(Pixel32(bitmap, 0, 1), 0xFF010101u);
    EXPECT_EQ(Pixel32(bitmap, 1, 1), 0x00020202u);

    Bytes noImages = {0, 0, 1, 0, 0, 0};
    EXPECT_FALSE(ReadWith(ReadIconFile, noImages, bitmap));
    Bytes shortMask(data.begin(), data.end() - 2);
    EXPECT_FALSE(ReadWith(ReadIconFile, IconFile(2, 2, 24, shortMask), bitmap));
    Bytes farOffset = IconFile(2, 2, 24, data);
    farOffset[18] = 0xFF; // image offset beyond the file
    EXPECT_FALSE(ReadWith(ReadIconFile, farOffset, bitmap));
    EXPECT_TRUE(bitmap.IsEmpty());
}

// A width or height byte of 0 in the directory entry means 256.
TEST(IconFiles, ASideByteOfZeroMeans256) {
    struct Case {
        uint8_t w, h;
        int width, height;
        uint16_t bits;
    } cases[] = {{0, 0, 256, 256, 32}, {0, 3, 256, 3, 24}, {5, 0, 5, 256, 24}};
    for (const Case& c : cases) {
        const size_t stride = (size_t(c.bits) * size_t(c.width) + 31) / 32 * 4;
        Bytes data(stride * size_t(c.height), 0x20);
        // The bottom row, stored first, is marked by its first pixel.
        data[0] = 0x7F;
        if (c.bits < 32) {
            const size_t maskStride = (size_t(c.width) + 31) / 32 * 4;
            Bytes mask(maskStride * size_t(c.height), 0);
            mask[0] = 0x80; // bottom-left transparent
            data.insert(data.end(), mask.begin(), mask.end());
        }
        Bytes file;
        Put16(file, 0);
        Put16(file, 1);
        Put16(file, 1);
        Append(file, {c.w, c.h, 0, 0});
        Put16(file, 1);
        Put16(file, c.bits);
        Put32(file, uint32_t(40 + data.size()));
        Put32(file, 22);
        const Bytes info = InfoHeader(c.width, c.height * 2, c.bits);
        file.insert(file.end(), info.begin(), info.end());
        file.insert(file.end(), data.begin(), data.end());
        DXLBitmap bitmap;
        ASSERT_TRUE(ReadWith(ReadIconFile, file, bitmap)) << int(c.w) << " " << int(c.h);
        EXPECT_EQ(bitmap.GetWidth(), c.width);
        EXPECT_EQ(bitmap.GetHeight(), c.height);
        const uint32_t bottomLeft = Pixel32(bitmap, 0, c.height - 1);
        EXPECT_EQ(bottomLeft & 0xFF, 0x7Fu);
        EXPECT_EQ(Pixel32(bitmap, c.width - 1, 0) & 0xFF, 0x20u);
        if (c.bits < 32) {
            EXPECT_EQ(bottomLeft >> 24, 0u);
            EXPECT_EQ(Pixel32(bitmap, c.width - 1, 0) >> 24, 0xFFu);
        }
    }
}

TEST(DDSFiles, UncompressedCompressedAndRefused) {
    DXLBitmap bitmap;
    Bytes argb = {1, 2, 3, 0x80, 4, 5, 6, 0x00};
    ASSERT_TRUE(ReadWith(
        ReadDDSFile, DdsFile(0, 2, 1, 0, 0x41, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0, argb, 0xFF000000), bitmap));
    EXPECT_EQ(bitmap.GetFormat(), kFormatA8R8G8B8);
    EXPECT_EQ(Pixel32(bitmap, 1, 0), 0x00060504u);

    ASSERT_TRUE(ReadWith(ReadDDSFile,
                         DdsFile(0, 2, 1, 0, 0x40, 0, 24, 0xFF0000, 0xFF00, 0xFF, 0, {1, 2, 3, 4, 5, 6}),
                         bitmap));
    EXPECT_EQ(Pixel32(bitmap, 1, 0), 0xFF060504u);

    ASSERT_TRUE(ReadWith(ReadDDSFile, DdsFile(0, 1, 1, 0, 0x40, 0, 16, 0xF800, 0x7E0, 0x1F, 0, {0x00, 0xF8}),
                         bitmap));
    EXPECT_EQ(bitmap.GetFormat(), kFormatR5G6B5);

    Bytes block = {0x00, 0xF8, 0x00, 0xF8, 0, 0, 0, 0};
    ASSERT_TRUE(
        ReadWith(ReadDDSFile, DdsFile(0x80000, 4, 4, 8, 4, kFormatDXT1, 0, 0, 0, 0, 0, block), bitmap));
    EXPECT_EQ(bitmap.GetFormat(), kFormatDXT1);
    bitmap.SetFormat(kFormatA8R8G8B8);
    EXPECT_EQ(Pixel32(bitmap, 3, 3), 0xFFFF0000u);

    EXPECT_FALSE(
        ReadWith(ReadDDSFile, DdsFile(0, 4, 4, 0, 4, kFormatDXT1, 0, 0, 0, 0, 0x200, block), bitmap));
    EXPECT_FALSE(
        ReadWith(ReadDDSFile, DdsFile(0, 4, 4, 0, 4, kFormatDXT1, 0, 0, 0, 0, 0x200000, block), bitmap));
    EXPECT_FALSE(
        ReadWith(ReadDDSFile, DdsFile(0x80000, 4, 4, 4, 4, kFormatDXT1, 0, 0, 0, 0, 0, block), bitmap));
    EXPECT_FALSE(
        ReadWith(ReadDDSFile, DdsFile(0x80000, 8, 8, 32, 4, kFormatDXT1, 0, 0, 0, 0, 0, block), bitmap));
    EXPECT_FALSE(
        ReadWith(ReadDDSFile, DdsFile(0, 4, 4, 0, 4, kis::FourCC("ATI1"), 0, 0, 0, 0, 0, block), bitmap));
    EXPECT_FALSE(
        ReadWith(ReadDDSFile, DdsFile(0, 1, 1, 0, 0x40, 0, 16, 0xF0, 0xF, 0xF00, 0, {0, 0}), bitmap));
    EXPECT_FALSE(
        ReadWith(ReadDDSFile, DdsFile(0, 0, 1, 0, 0x40, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0, argb), bitmap));
    EXPECT_TRUE(bitmap.IsEmpty());
}

// Alpha comes only from an alpha mask: the unused bits of a surface that has
// none (B8G8R8X8, X1R5G5B5, or the alpha flag with an empty mask) hold
// whatever its writer left there, and the image reads as opaque.
TEST(DDSFiles, ASurfaceWithoutAnAlphaMaskReadsOpaque) {
    const Bytes argb = {1, 2, 3, 0x80, 4, 5, 6, 0x00};
    const Bytes rgb555 = {0x1F, 0x00, 0xE0, 0x83}; // blue with the top bit clear, red and green with it set
    struct Case {
        const char* what;
        uint32_t pfFlags, bits, r, g, b, alphaMask;
        const Bytes& data;
        PixelFormat format;
        uint32_t first, second;
    } cases[] = {
        {"B8G8R8X8", 0x40, 32, 0xFF0000, 0xFF00, 0xFF, 0, argb, kFormatX8R8G8B8, 0xFF030201, 0xFF060504},
        {"alpha flag, empty mask", 0x41, 32, 0xFF0000, 0xFF00, 0xFF, 0, argb, kFormatX8R8G8B8, 0xFF030201,
         0xFF060504},
        {"B8G8R8A8", 0x41, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, argb, kFormatA8R8G8B8, 0x80030201,
         0x00060504},
        {"X1R5G5B5", 0x40, 16, 0x7C00, 0x3E0, 0x1F, 0, rgb555, kFormatX1R5G5B5, 0x801F, 0x83E0},
        {"16 bits, alpha flag, empty mask", 0x41, 16, 0x7C00, 0x3E0, 0x1F, 0, rgb555, kFormatX1R5G5B5, 0x801F,
         0x83E0},
        {"A1R5G5B5", 0x41, 16, 0x7C00, 0x3E0, 0x1F, 0x8000, rgb555, kFormatA1R5G5B5, 0x001F, 0x83E0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DXLBitmap bitmap;
        ASSERT_TRUE(ReadWith(ReadDDSFile,
                             DdsFile(0, 2, 1, 0, c.pfFlags, 0, c.bits, c.r, c.g, c.b, 0, c.data, c.alphaMask),
                             bitmap));
        EXPECT_EQ(bitmap.GetFormat(), c.format);
        if (c.bits == 32) {
            EXPECT_EQ(Pixel32(bitmap, 0, 0), c.first);
            EXPECT_EQ(Pixel32(bitmap, 1, 0), c.second);
        } else {
            EXPECT_EQ(Pixel16(bitmap, 0, 0), c.first);
            EXPECT_EQ(Pixel16(bitmap, 1, 0), c.second);
        }
    }
    // An alpha mask the surface's size cannot hold as alpha is refused.
    DXLBitmap bitmap;
    EXPECT_FALSE(ReadWith(ReadDDSFile,
                          DdsFile(0, 2, 1, 0, 0x41, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0, argb, 0xFF), bitmap));
}

// Surfaces of one or two 8-bit channels: luminance with or without alpha by
// their flags and bit count, whatever masks their writers filled in; red and
// green (R8G8, named either way by its writers) by its masks, opaque. A
// 16-bit surface of luminance alone or of alpha alone is refused.
TEST(DDSFiles, OneAndTwoChannelSurfacesReadByTheirFlagsThenTheirMasks) {
    const Bytes two = {0xFF, 0xFF, 0x40, 0x80}, one = {0x40, 0x80};
    struct Case {
        const char* what;
        uint32_t pfFlags, bits, r, g, b, alphaMask;
        const Bytes& data;
        PixelFormat format; // 0: refused
        uint32_t first, second;
    } cases[] = {
        {"R8G8 as colour", 0x40, 16, 0xFF, 0xFF00, 0, 0, two, kFormatX8R8G8B8, 0xFFFFFF00, 0xFF408000},
        {"R8G8 as luminance", 0x20000, 16, 0xFF, 0xFF00, 0, 0, two, kFormatX8R8G8B8, 0xFFFFFF00, 0xFF408000},
        {"luminance of 16 bits", 0x20000, 16, 0xFFFF, 0, 0, 0, two, 0, 0, 0},
        {"luminance of 16 bits with R5G6B5 masks", 0x20000, 16, 0xF800, 0x7E0, 0x1F, 0, two, 0, 0, 0},
        {"alpha of 16 bits", 0x2, 16, 0, 0, 0, 0xFFFF, two, 0, 0, 0},
        {"alpha of 16 bits with X1R5G5B5 masks", 0x2, 16, 0x7C00, 0x3E0, 0x1F, 0x8000, two, 0, 0, 0},
        {"alpha of 16 bits with R8G8 masks", 0x2, 16, 0xFF, 0xFF00, 0, 0, two, 0, 0, 0},
        {"A8L8", 0x20001, 16, 0xFF, 0, 0, 0xFF00, two, kFormatA8L8, 0xFFFF, 0x8040},
        {"A8L8 with R8G8 masks", 0x20001, 16, 0xFF, 0xFF00, 0, 0, two, kFormatA8L8, 0xFFFF, 0x8040},
        {"A8L8 of 0xFF masks", 0x20001, 16, 0xFF, 0xFF, 0xFF, 0xFF00, two, kFormatA8L8, 0xFFFF, 0x8040},
        {"L8", 0x20000, 8, 0xFF, 0, 0, 0, one, kFormatL8, 0x40, 0x80},
        {"L8 of every mask", 0x20000, 8, 0xFF000000, 0xFF000000, 0xFF000000, 0, one, kFormatL8, 0x40, 0x80},
        {"A4L4", 0x20001, 8, 0xF, 0, 0, 0xF0, one, kFormatA4L4, 0x40, 0x80},
        {"A4L4 of other masks", 0x20001, 8, 0xF0, 0, 0, 0xF, one, kFormatA4L4, 0x40, 0x80},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DXLBitmap bitmap;
        const bool read = ReadWith(
            ReadDDSFile, DdsFile(0, 2, 1, 0, c.pfFlags, 0, c.bits, c.r, c.g, c.b, 0, c.data, c.alphaMask),
            bitmap);
        ASSERT_EQ(read, c.format != 0);
        if (!read) continue;
        EXPECT_EQ(bitmap.GetFormat(), c.format);
        if (c.format == kFormatX8R8G8B8) {
            EXPECT_EQ(Pixel32(bitmap, 0, 0), c.first);
            EXPECT_EQ(Pixel32(bitmap, 1, 0), c.second);
        } else if (c.bits == 16) {
            EXPECT_EQ(Pixel16(bitmap, 0, 0), c.first);
            EXPECT_EQ(Pixel16(bitmap, 1, 0), c.second);
        } else {
            EXPECT_EQ(bitmap.GetRow(0)[0], c.first);
            EXPECT_EQ(bitmap.GetRow(0)[1], c.second);
        }
    }
}

TEST(DDSFiles, CompressedSidesNotAMultipleOfFourReadEveryBlock) {
    // Two by two blocks, solid white, red / blue, green; DXT3 and DXT5 blocks
    // start with fully opaque alpha.
    const uint16_t colours[4] = {0xFFFF, 0xF800, 0x001F, 0x07E0};
    const uint32_t argb[4] = {0xFFFFFFFF, 0xFFFF0000, 0xFF0000FF, 0xFF00FF00};
    auto blocks = [&](uint32_t fourCC) {
        Bytes b;
        for (uint16_t c : colours) {
            if (fourCC == kFormatDXT3) b.insert(b.end(), 8, 0xFF);
            if (fourCC == kFormatDXT5) Append(b, {0xFF, 0xFF, 0, 0, 0, 0, 0, 0});
            Put16(b, c);
            Put16(b, c);
            Put32(b, 0);
        }
        return b;
    };
    for (uint32_t fourCC : {kFormatDXT1, kFormatDXT3, kFormatDXT5}) {
        for (auto [w, h] : {std::pair{6u, 5u}, {5u, 8u}, {7u, 7u}}) {
            SCOPED_TRACE(std::to_string(fourCC & 0xFF) + " " + std::to_string(w) + "x" + std::to_string(h));
            for (uint32_t flags : {0u, 0x80000u}) {
                const Bytes data = blocks(fourCC);
                DXLBitmap bitmap;
                ASSERT_TRUE(ReadWith(
                    ReadDDSFile, DdsFile(flags, w, h, uint32_t(data.size()), 4, fourCC, 0, 0, 0, 0, 0, data),
                    bitmap));
                bitmap.SetFormat(kFormatA8R8G8B8);
                for (uint32_t y = 0; y < h; ++y)
                    for (uint32_t x = 0; x < w; ++x)
                        ASSERT_EQ(Pixel32(bitmap, int(x), int(y)), argb[(y < 4 ? 0 : 2) + (x < 4 ? 0 : 1)])
                            << x << "," << y;
                // One block short is refused.
                const Bytes shortData(data.begin(), data.end() - data.size() / 4);
                EXPECT_FALSE(ReadWith(
                    ReadDDSFile,
                    DdsFile(flags, w, h, uint32_t(shortData.size()), 4, fourCC, 0, 0, 0, 0, 0, shortData),
                    bitmap));
            }
        }
    }
}

TEST(PPMFiles, BinaryPixmapsWithComment) {
    DXLBitmap bitmap;
    Bytes file = Text("P6\n2 1\n255\n");
    Append(file, {0xFF, 0x00, 0x01, 0x10, 0x20, 0x30});
    ASSERT_TRUE(ReadWith(ReadPPMFile, file, bitmap));
    EXPECT_EQ(bitmap.GetFormat(), kFormatX8R8G8B8);
    EXPECT_EQ(Pixel32(bitmap, 0, 0), 0xFFFF0001u); // red stays red
    EXPECT_EQ(Pixel32(bitmap, 1, 0), 0xFF102030u);

    Bytes commented = Text("P6\n# made by hand\n1 1\n255\n");
    Append(commented, {1, 2});
    ASSERT_TRUE(ReadWith(ReadPPMFile, commented, bitmap));
    EXPECT_EQ(Pixel32(bitmap, 0, 0), 0xFF010200u); // a short read leaves zero

    EXPECT_FALSE(ReadWith(ReadPPMFile, Text("P3\n1 1\n255\n1 2 3\n"), bitmap));
    EXPECT_TRUE(bitmap.IsEmpty());
    EXPECT_FALSE(ReadWith(ReadPPMFile, Text("P6\n99999 99999\n255\n"), bitmap));
    EXPECT_FALSE(ReadWith(ReadPPMFile, Text("P6\n# never ends"), bitmap));
}

// Every reader meets damaged and random files: truncated at every length,
// bytes flipped at random, and noise. Whatever a reader accepts is then read
// pixel by pixel (unpacking deferred run-length data) and converted, so the
// sanitizers see every access.
TEST(ImageReaderRobustness, DamagedAndRandomFiles) {
    struct Sample {
        BitmapFileReader reader;
        Bytes file;
    };
    std::vector<Sample> samples;
    samples.push_back(
        {ReadDXLBitmapFile, DxlbFile(kFormatA8R8G8B8, 4, 2, {0x83, 1,  2,  3,  4,  0x03, 5,  6,  7,  8,  9,
                                                             10,   11, 12, 13, 14, 15,   16, 17, 18, 19, 20},
                                     32, 4)});
    samples.push_back({ReadDXLBitmapFile, DxlbFile(kFormatL8, 4, 4, {0x8F, 7}, 16, 1)});
    samples.push_back({ReadDXLBitmapFile, DxlbFile(kFormatDXT5, 4, 4, Bytes(16, 0x5A), 0, 0)});
    samples.push_back({ReadGLBBitmapFile, GlbFile(4, 2, 0, {0x9F, 0x22}, 32)});
    samples.push_back({ReadGLBBitmapFile, GlbFile(2, 2, 1, {0x87, 0x22, 0x11}, 16)});
    {
        Bytes t = TargaHeader(10, 4, 2, 24, 0);
        Append(t, {0x83, 1, 2, 3, 0x03, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15});
        samples.push_back({ReadTargaFile, t});
        Bytes m = TargaHeader(1, 2, 2, 8, 0x20, 2, 24);
        Append(m, {1, 2, 3, 4, 5, 6, 0, 1, 1, 0});
        samples.push_back({ReadTargaFile, m});
    }
    samples.push_back(
        {ReadBMPFile,
         BmpFile(InfoHeader(3, 2, 4, 2), {1, 2, 3, 0, 4, 5, 6, 0, 0x01, 0x10, 0, 0, 0x11, 0x01, 0, 0}, 8)});
    samples.push_back({ReadBMPFile, BmpFile(InfoHeader(2, 2, 16), {1, 2, 3, 4, 5, 6, 7, 8})});
    samples.push_back({ReadIconFile, IconFile(2, 2, 24, Bytes(24, 0x33))});
    samples.push_back({ReadIconFile, IconFile(2, 1, 32, Bytes(8, 0x44))});
    samples.push_back(
        {ReadDDSFile, DdsFile(0x80000, 8, 4, 32, 4, kFormatDXT3, 0, 0, 0, 0, 0, Bytes(32, 0x99))});
    samples.push_back(
        {ReadDDSFile, DdsFile(0, 2, 2, 0, 0x20001, 0, 16, 0xFF, 0, 0, 0, Bytes(8, 0x12), 0xFF00)});
    {
        Bytes p = Text("P6\n2 2\n255\n");
        p.insert(p.end(), 12, 0x80);
        samples.push_back({ReadPPMFile, p});
    }
    const BitmapFileReader readers[] = {ReadDXLBitmapFile, ReadGLBBitmapFile, ReadTargaFile, ReadIconFile,
                                        ReadBMPFile,       ReadDDSFile,       ReadPPMFile};

    uint64_t checksum = 0;
    int accepted = 0;
    auto exercise = [&](BitmapFileReader reader, const Bytes& file) {
        DXLBitmap bitmap;
        if (!ReadWith(reader, file, bitmap)) {
            EXPECT_TRUE(bitmap.IsEmpty() || bitmap.GetBits() != nullptr);
            return;
        }
        ++accepted;
        const uint32_t rowBytes = uint32_t(bitmap.GetWidth()) * bitmap.GetBytesPerPixel();
        for (int y = 0; y < bitmap.GetHeight(); ++y)
            if (const uint8_t* row = bitmap.GetRow(y))
                for (uint32_t i = 0; i < rowBytes; ++i)
                    checksum += row[i];
        bitmap.SetFormat(kFormatA8R8G8B8);
        for (int y = 0; y < bitmap.GetHeight(); ++y)
            if (const uint8_t* row = bitmap.GetRow(y)) checksum += row[0];
        auto resampled = bitmap.ResampleToPowerOfTwo(3);
        if (resampled) checksum += resampled[0];
    };

    // Every sample as it stands must be accepted.
    for (const Sample& s : samples) {
        DXLBitmap bitmap;
        EXPECT_TRUE(ReadWith(s.reader, s.file, bitmap));
    }

    const uint32_t start = platform::Milliseconds();
    auto timeLeft = [&] { return platform::Milliseconds() - start < 20000; };
    platform::SeedRand(12345);
    for (const Sample& s : samples) {
        for (size_t n = 0; n < s.file.size() && timeLeft(); ++n)
            exercise(s.reader, Bytes(s.file.begin(), s.file.begin() + n));
        for (int round = 0; round < 2000 && timeLeft(); ++round) {
            Bytes damaged = s.file;
            const int flips = 1 + platform::Rand() % 4;
            for (int k = 0; k < flips; ++k) {
                const size_t at = size_t(platform::Rand()) % damaged.size();
                damaged[at] = uint8_t(platform::Rand() & 0xFF);
            }
            if (platform::Rand() % 4 == 0) // sometimes a truncated tail as well
                damaged.resize(size_t(platform::Rand()) % (damaged.size() + 1));
            exercise(s.reader, damaged);
        }
    }
    for (int round = 0; round < 1500 && timeLeft(); ++round) {
        Bytes noise(size_t(platform::Rand() % 200));
        for (uint8_t& b : noise)
            b = uint8_t(platform::Rand() & 0xFF);
        for (BitmapFileReader reader : readers)
            exercise(reader, noise);
    }
    EXPECT_GT(accepted, int(samples.size())); // damaged files were read too, not only refused
    (void)checksum;
}
