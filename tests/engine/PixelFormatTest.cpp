#include "engine/PixelFormat.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::string Name(PixelFormat format, bool* known = nullptr) {
    char buffer[32];
    bool ok = GetFormatName(buffer, sizeof buffer, format);
    if (known) *known = ok;
    return buffer;
}

uint32_t Read(const void* pixel, PixelFormat format) {
    uint32_t argb = 0xDEADBEEF;
    EXPECT_TRUE(PixelToARGB(pixel, format, &argb));
    return argb;
}

} // namespace

TEST(PixelFormatTable, NamesBitsBytesAndKeptFormats) {
    struct Row {
        PixelFormat format;
        const char* name;
        uint32_t bits, bytes;
        bool kept;
    };
    const Row rows[] = {
        {0, "UNKNOWN", 0, 0, false},
        {20, "R8G8B8", 0, 0, false},
        {21, "A8R8G8B8", 32, 4, true},
        {22, "X8R8G8B8", 32, 4, true},
        {23, "R5G6B5", 16, 2, true},
        {25, "A1R5G5B5", 16, 2, true},
        {26, "A4R4G4B4", 0, 2, true},
        {27, "R3G3B2", 0, 0, false},
        {28, "A8", 0, 1, true},
        {35, "A2R10G10B10", 32, 0, false},
        {50, "L8", 0, 1, true},
        {51, "A8L8", 0, 2, true},
        {52, "A4L4", 0, 1, true},
        {kFormatDXT1, "DXT1", 0, 0, true},
        {kFormatDXT5, "DXT5", 0, 0, true},
    };
    for (const Row& row : rows) {
        bool known = false;
        EXPECT_EQ(Name(row.format, &known), row.name);
        EXPECT_TRUE(known) << row.name;
        EXPECT_EQ(GetFormatBits(row.format), row.bits) << row.name;
        EXPECT_EQ(GetFormatBytes(row.format), row.bytes) << row.name;
        EXPECT_EQ(SupportedFormat(row.format), row.kept ? row.format : 0u) << row.name;
    }
    bool known = true;
    EXPECT_EQ(Name(99, &known), "Unknown");
    EXPECT_FALSE(known);
    EXPECT_EQ(GetFormatBytes(99), 0u);

    char small[4];
    GetFormatName(small, sizeof small, kFormatA8R8G8B8);
    EXPECT_STREQ(small, "A8R");
}

TEST(PixelFormatTable, DXTFourCCsAndConversionRules) {
    EXPECT_TRUE(IsDXTFormat(kFormatDXT1));
    EXPECT_TRUE(IsDXTFormat(kFormatDXT3));
    EXPECT_FALSE(IsDXTFormat(kis::FourCC("DXT6")));
    EXPECT_FALSE(IsDXTFormat(kis::FourCC("DXT0")));
    EXPECT_FALSE(IsDXTFormat(kFormatA8R8G8B8));

    EXPECT_TRUE(CanConvertFormat(21, 20));
    EXPECT_TRUE(CanConvertFormat(22, 21));
    EXPECT_FALSE(CanConvertFormat(21, 23));
    EXPECT_TRUE(CanConvertFormat(24, 25));
    EXPECT_FALSE(CanConvertFormat(25, 21));
    EXPECT_TRUE(CanConvertFormat(50, 50));
    EXPECT_FALSE(CanConvertFormat(50, 51));
}

TEST(PixelFormatTable, NextPowerOfTwoAndAspectRatio) {
    EXPECT_EQ(NextPowerOfTwo(0), 0u);
    EXPECT_EQ(NextPowerOfTwo(1), 1u);
    EXPECT_EQ(NextPowerOfTwo(3), 4u);
    EXPECT_EQ(NextPowerOfTwo(64), 64u);
    EXPECT_EQ(NextPowerOfTwo(65), 128u);
    EXPECT_EQ(NextPowerOfTwo(0xFFFFFFFFu), 0x80000000u);

    uint32_t x = 9, y = 9;
    GetAspectRatio(1024, 768, &x, &y);
    EXPECT_EQ(x, 4u);
    EXPECT_EQ(y, 3u);
    GetAspectRatio(1280, 1024, &x, &y);
    EXPECT_EQ(x, 5u);
    EXPECT_EQ(y, 4u);
    GetAspectRatio(0, 768, &x, &y);
    EXPECT_EQ(x, 0u);
    EXPECT_EQ(y, 0u);
}

TEST(PixelReadWrite, ReadsEachLayoutAsARGB) {
    uint16_t red565 = 0xF800, green565 = 0x07E0;
    EXPECT_EQ(Read(&red565, kFormatR5G6B5), 0xFFFF0000u);
    EXPECT_EQ(Read(&green565, kFormatR5G6B5), 0xFF00FF00u);
    uint16_t halfAlpha4444 = 0x80F0; // alpha 8, red 0, green 15, blue 0
    EXPECT_EQ(Read(&halfAlpha4444, kFormatA4R4G4B4), 0x8800FF00u);
    uint16_t clearBlue1555 = 0x001F;
    EXPECT_EQ(Read(&clearBlue1555, kFormatA1R5G5B5), 0x000000FFu);
    uint8_t a8 = 0x40;
    EXPECT_EQ(Read(&a8, kFormatA8), 0x40000000u);
    uint8_t l8 = 0x80;
    EXPECT_EQ(Read(&l8, kFormatL8), 0xFF808080u);
    uint8_t a8l8[2] = {0x10, 0x20};
    EXPECT_EQ(Read(a8l8, kFormatA8L8), 0x20101010u);
    uint8_t a4l4 = 0x5F;
    EXPECT_EQ(Read(&a4l4, kFormatA4L4), 0x55FFFFFFu);
    uint8_t r3g3b2 = 0xE0; // red field full
    EXPECT_EQ(Read(&r3g3b2, kFormatR3G3B2), 0xFFFF0000u);
    uint8_t r8g8b8[3] = {1, 2, 3};
    EXPECT_EQ(Read(r8g8b8, kFormatR8G8B8), 0u);

    uint32_t out = 0;
    EXPECT_FALSE(PixelToARGB(&out, kFormatDXT1, &out));
    EXPECT_FALSE(PixelToARGB(&out, 0, &out));
    EXPECT_FALSE(PixelToARGB(&out, 99, &out));
}

TEST(PixelReadWrite, WritesEachLayoutWithinItsBytes) {
    struct Case {
        PixelFormat format;
        uint32_t argb;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {kFormatR8G8B8, 0x12345678, {0x78, 0x56, 0x34}},
        {kFormatA8R8G8B8, 0x12345678, {0x78, 0x56, 0x34, 0x12}},
        {kFormatR5G6B5, 0xFFFF0000, {0x00, 0xF8}},
        {kFormatA1R5G5B5, 0xFF0000FF, {0x1F, 0x80}},
        {kFormatA4R4G4B4, 0x8800FF00, {0xF0, 0x80}},
        {kFormatA8, 0x40FFFFFF, {0x40}},
        {kFormatL8, 0xFFFFFFFF, {0xFF}},
        {kFormatA8L8, 0x80FFFFFF, {0xFF, 0x80}},
        {kFormatA4L4, 0xFF000000, {0xF0}},
        {kFormatA2R10G10B10, 0xFF0000FF, {0xFF, 0x03, 0x00, 0xC0}},
    };
    for (const Case& c : cases) {
        uint8_t buffer[8];
        std::memset(buffer, 0xAA, sizeof buffer);
        ASSERT_TRUE(ARGBToPixel(c.argb, c.format, buffer)) << c.format;
        for (size_t i = 0; i < c.bytes.size(); ++i)
            EXPECT_EQ(buffer[i], c.bytes[i]) << "format " << c.format << " byte " << i;
        // Nothing is written past the pixel.
        EXPECT_EQ(buffer[c.bytes.size()], 0xAA) << "format " << c.format;
    }
    uint8_t buffer[4];
    EXPECT_FALSE(ARGBToPixel(0, kFormatDXT1, buffer));
    EXPECT_FALSE(ARGBToPixel(0, 0, buffer));
}

TEST(PixelReadWrite, PackedFormatsRoundTripPrimaryColours) {
    const PixelFormat formats[] = {kFormatR5G6B5, kFormatX1R5G5B5, kFormatA1R5G5B5, kFormatA4R4G4B4,
                                   kFormatR3G3B2, kFormatA8R3G3B2, kFormatX4R4G4B4, kFormatA2R10G10B10};
    const uint32_t colours[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, 0xFF000000};
    for (PixelFormat format : formats) {
        for (uint32_t colour : colours) {
            uint8_t pixel[4] = {};
            ASSERT_TRUE(ARGBToPixel(colour, format, pixel));
            EXPECT_EQ(Read(pixel, format), colour) << "format " << format << " colour " << std::hex << colour;
        }
    }
}

namespace {

// A DXT colour block: endpoints and 2-bit indices (texel 0 in the lowest bits).
void PutColourBlock(uint8_t* block, uint16_t c0, uint16_t c1, uint32_t indices) {
    block[0] = uint8_t(c0);
    block[1] = uint8_t(c0 >> 8);
    block[2] = uint8_t(c1);
    block[3] = uint8_t(c1 >> 8);
    for (int i = 0; i < 4; ++i)
        block[4 + i] = uint8_t(indices >> (8 * i));
}

} // namespace

TEST(DXTDecoding, DXT1FourAndThreeColourModes) {
    // Texels 0-3 take indices 0, 1, 2, 3; the rest index 0.
    const uint32_t indices = 0b11100100;
    uint8_t block[8];
    uint32_t out[16];

    PutColourBlock(block, 0xF800, 0x001F, indices); // red > blue: four colours
    ASSERT_TRUE(DecodeDXT(4, 4, out, block, kFormatDXT1, kFormatA8R8G8B8, 4));
    EXPECT_EQ(out[0], 0xFFFF0000u);
    EXPECT_EQ(out[1], 0xFF0000FFu);
    EXPECT_EQ(out[2], 0xFFAA0055u);
    EXPECT_EQ(out[3], 0xFF5500AAu);
    EXPECT_EQ(out[15], 0xFFFF0000u);

    PutColourBlock(block, 0x001F, 0xF800, indices); // blue < red: three colours
    ASSERT_TRUE(DecodeDXT(4, 4, out, block, kFormatDXT1, kFormatA8R8G8B8, 4));
    EXPECT_EQ(out[2], 0xFF7F007Fu);
    EXPECT_EQ(out[3], 0x00AA0055u);
}

TEST(DXTDecoding, DXT3AndDXT5Alpha) {
    uint8_t block[16] = {};
    uint32_t out[16];
    // DXT3: texel 0 nibble 0x3, texel 1 nibble 0xF.
    block[0] = 0xF3;
    PutColourBlock(block + 8, 0xFFFF, 0xFFFF, 0);
    ASSERT_TRUE(DecodeDXT(4, 4, out, block, kFormatDXT3, kFormatA8R8G8B8, 4));
    EXPECT_EQ(out[0], 0x33FFFFFFu);
    EXPECT_EQ(out[1], 0xFFFFFFFFu);
    EXPECT_EQ(out[2], 0x00FFFFFFu);

    // DXT5 with a0 > a1: indices 0, 1, 2 for texels 0-2.
    std::memset(block, 0, sizeof block);
    block[0] = 255;
    block[1] = 0;
    block[2] = 0 | 1 << 3 | 2 << 6; // texels 0, 1, 2 (texel 2 spills into the next byte)
    block[3] = 0;
    PutColourBlock(block + 8, 0, 0, 0);
    ASSERT_TRUE(DecodeDXT(4, 4, out, block, kFormatDXT5, kFormatA8R8G8B8, 4));
    EXPECT_EQ(out[0] >> 24, 255u);
    EXPECT_EQ(out[1] >> 24, 0u);
    EXPECT_EQ(out[2] >> 24, 219u);

    // a0 <= a1: five-step table, then 0 and 255; rows 2-3 use the second group.
    block[0] = 0;
    block[1] = 255;
    block[2] = uint8_t((2 | 6 << 3 | 7 << 6) & 0xFF);
    block[3] = 0b1; // high bit of texel 2
    block[5] = 2;   // texel 8 (row 2, column 0)
    ASSERT_TRUE(DecodeDXT(4, 4, out, block, kFormatDXT5, kFormatA8R8G8B8, 4));
    EXPECT_EQ(out[0] >> 24, 51u);
    EXPECT_EQ(out[1] >> 24, 0u);
    EXPECT_EQ(out[2] >> 24, 255u);
    EXPECT_EQ(out[8] >> 24, 51u);
}

TEST(DXTDecoding, EdgeBlocksAreDecodedClippedToTheImage) {
    // Four solid blocks: white, red / blue, green. Sides of 5 to 8 all take
    // two blocks a side, whose rows are two blocks apart in the source.
    uint8_t blocks[32] = {};
    PutColourBlock(blocks, 0xFFFF, 0xFFFF, 0);
    PutColourBlock(blocks + 8, 0xF800, 0xF800, 0);
    PutColourBlock(blocks + 16, 0x001F, 0x001F, 0);
    PutColourBlock(blocks + 24, 0x07E0, 0x07E0, 0);
    for (auto [w, h] : {std::pair{6, 6}, {5, 7}, {8, 5}, {7, 8}}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        EXPECT_EQ(GetDXTDataSize(w, h, kFormatDXT1), 32u);
        // One guard pixel after the image must stay untouched.
        std::vector<uint32_t> out(size_t(w * h) + 1, 0x12345678);
        ASSERT_TRUE(DecodeDXT(w, h, out.data(), blocks, kFormatDXT1, kFormatA8R8G8B8, 4));
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const uint32_t expected =
                    y < 4 ? (x < 4 ? 0xFFFFFFFFu : 0xFFFF0000u) : (x < 4 ? 0xFF0000FFu : 0xFF00FF00u);
                ASSERT_EQ(out[size_t(y * w + x)], expected) << x << "," << y;
            }
        }
        EXPECT_EQ(out.back(), 0x12345678u);
    }
    // A picture smaller than one block.
    uint32_t tiny[3] = {0, 0, 0x12345678};
    ASSERT_TRUE(DecodeDXT(1, 2, tiny, blocks + 8, kFormatDXT1, kFormatA8R8G8B8, 4));
    EXPECT_EQ(tiny[0], 0xFFFF0000u);
    EXPECT_EQ(tiny[1], 0xFFFF0000u);
    EXPECT_EQ(tiny[2], 0x12345678u);
    EXPECT_EQ(GetDXTDataSize(1, 2, kFormatDXT5), 16u);
    EXPECT_EQ(GetDXTDataSize(0, 4, kFormatDXT1), 0u);
}

TEST(DXTDecoding, ValidTargetsOnly) {
    uint8_t blocks[8] = {};
    PutColourBlock(blocks, 0xFFFF, 0xFFFF, 0);
    std::vector<uint32_t> out(16);
    uint16_t out565[16];
    ASSERT_TRUE(DecodeDXT(4, 4, out565, blocks, kFormatDXT1, kFormatR5G6B5, 2));
    EXPECT_EQ(out565[5], 0xFFFF);

    EXPECT_FALSE(DecodeDXT(4, 4, out.data(), blocks, kFormatA8R8G8B8, kFormatA8R8G8B8, 4));
    EXPECT_FALSE(DecodeDXT(4, 4, out.data(), blocks, kFormatDXT1, kFormatDXT1, 4));
    EXPECT_FALSE(DecodeDXT(4, 4, out.data(), blocks, kFormatDXT1, kFormatA8R8G8B8, 3));
    EXPECT_EQ(GetDXTDataSize(8, 4, kFormatDXT1), 16u);
    EXPECT_EQ(GetDXTDataSize(8, 4, kFormatDXT5), 32u);
}

TEST(AlphaOperations, ColourKeyTurnsMatchingPixelsTransparent) {
    uint32_t pixels[3] = {0xFF00FF00, 0x1200FF00, 0xFF00FE00};
    ColourKeyToAlpha(kFormatA8R8G8B8, 3, 1, pixels, 0xFF00FF00);
    EXPECT_EQ(pixels[0], 0x0000FF00u);
    EXPECT_EQ(pixels[1], 0x0000FF00u);
    EXPECT_EQ(pixels[2], 0xFF00FE00u);

    uint16_t p1555[2] = {0x801F, 0x83E0};
    ApplyAlphaMode(kFormatA1R5G5B5, 2, 1, p1555, kAlphaModeColourKey, 0xFF0000FF);
    EXPECT_EQ(p1555[0], 0x001F);
    EXPECT_EQ(p1555[1], 0x83E0);

    uint8_t a8l8[4] = {0x40, 0xFF, 0x40, 0x10};
    ApplyAlphaMode(kFormatA8L8, 2, 1, a8l8, kAlphaModeFirstPixelKey, 0);
    EXPECT_EQ(a8l8[1], 0);
    EXPECT_EQ(a8l8[3], 0);

    uint16_t p565 = 0xF800; // no alpha: nothing happens
    ColourKeyToAlpha(kFormatR5G6B5, 1, 1, &p565, 0xF800);
    EXPECT_EQ(p565, 0xF800);
}

TEST(AlphaOperations, LuminanceAndInversion) {
    uint32_t argb[2] = {0x00306090, 0xFFFFFFFF};
    AlphaFromLuminance(kFormatX8R8G8B8, 2, 1, argb);
    EXPECT_EQ(argb[0], 0x60306090u); // (0x30 + 0x60 + 0x90) / 3 = 0x60
    InvertAlpha(kFormatX8R8G8B8, 2, 1, argb);
    EXPECT_EQ(argb[0], 0x9F306090u);
    EXPECT_EQ(argb[1], 0x00FFFFFFu);

    uint16_t p4444 = 0x0FFF; // white, alpha 0
    AlphaFromLuminance(kFormatA4R4G4B4, 1, 1, &p4444);
    EXPECT_EQ(p4444, 0xFFFF);
    uint16_t p1555 = 0x0000;
    AlphaFromLuminance(kFormatA1R5G5B5, 1, 1, &p1555);
    EXPECT_EQ(p1555, 0x0000);

    // A4L4 takes each pixel's alpha nibble from its luminance nibble and
    // writes nothing past the image (an exact-size heap block).
    std::unique_ptr<uint8_t[]> a4l4(new uint8_t[3]{0x07, 0xF2, 0x0F});
    AlphaFromLuminance(kFormatA4L4, 3, 1, a4l4.get());
    EXPECT_EQ(a4l4[0], 0x77);
    EXPECT_EQ(a4l4[1], 0x22);
    EXPECT_EQ(a4l4[2], 0xFF);
    ApplyAlphaMode(kFormatA4L4, 3, 1, a4l4.get(), kAlphaModeInvertedLuminance, 0);
    EXPECT_EQ(a4l4[0], 0x87);

    uint8_t a8[2] = {0, 200};
    ApplyAlphaMode(kFormatA8, 2, 1, a8, kAlphaModeInvert, 0);
    EXPECT_EQ(a8[0], 255);
    EXPECT_EQ(a8[1], 55);
    ApplyAlphaMode(kFormatA8, 0, 1, a8, kAlphaModeInvert, 0); // no width: nothing
    EXPECT_EQ(a8[0], 255);
}

TEST(EdgeExtension, CopiesOneColumnAndRowWithAlphaCleared) {
    // A 2 x 2 image in a 3 x 3 buffer.
    uint32_t buffer[9] = {0xFF000001, 0xFF000002, 0, 0xFF000003, 0xFF000004, 0, 0, 0, 0};
    ExtendImageEdges(kFormatA8R8G8B8, 2, 2, 3, 3, buffer, true, true);
    EXPECT_EQ(buffer[2], 0x00000002u);
    EXPECT_EQ(buffer[5], 0x00000004u);
    EXPECT_EQ(buffer[6], 0x00000003u);
    EXPECT_EQ(buffer[7], 0x00000004u);
    EXPECT_EQ(buffer[8], 0xFF000004u); // the corner keeps its alpha

    uint32_t x8[4] = {0xFF123456, 0, 0, 0};
    ExtendImageEdges(kFormatX8R8G8B8, 1, 1, 2, 2, x8, true, false);
    EXPECT_EQ(x8[1], 0xFF123456u);
    EXPECT_EQ(x8[2], 0u);

    // An image with no column has no edge to copy.
    uint8_t l8[4] = {1, 2, 3, 4};
    ExtendImageEdges(kFormatL8, 0, 2, 2, 2, l8, true, true);
    EXPECT_EQ(l8[0], 1);
    EXPECT_EQ(l8[1], 2);
    uint8_t a8[4] = {9, 0, 7, 7};
    ExtendImageEdges(kFormatA8, 1, 1, 2, 2, a8, true, true);
    EXPECT_EQ(a8[1], 0);
    EXPECT_EQ(a8[2], 0);
    EXPECT_EQ(a8[3], 9);
}
