#include "engine/Bitmap.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

std::vector<uint8_t> Bytes(const uint8_t* p, size_t n) {
    return std::vector<uint8_t>(p, p + n);
}

// A bitmap whose stored data is exactly the given bytes.
void Fill(DXLBitmap& bitmap, PixelFormat format, int w, int h, const std::vector<uint8_t>& data,
          uint32_t unpackedSize, uint32_t unit) {
    bitmap.SetHeader(format, uint32_t(w), uint32_t(h), uint32_t(data.size()), unpackedSize, unit);
    ASSERT_NE(bitmap.GetData(), nullptr);
    std::memcpy(bitmap.GetData(), data.data(), data.size());
}

uint32_t Pixel32(DXLBitmap& bitmap, int x, int y) {
    const uint8_t* row = bitmap.GetRow(y);
    uint32_t v;
    std::memcpy(&v, row + x * 4, 4);
    return v;
}

} // namespace

TEST(BitmapSize, LimitsAndReallocation) {
    DXLBitmap bitmap;
    EXPECT_TRUE(bitmap.IsEmpty());
    bitmap.SetFormat(kFormatA8R8G8B8); // empty: only the format changes
    EXPECT_EQ(bitmap.GetBytesPerPixel(), 4u);

    bitmap.SetSize(4096, 2048);
    EXPECT_EQ(bitmap.GetWidth(), 4096);
    EXPECT_EQ(bitmap.GetDataSize(), 4096u * 2048u * 4u);
    bitmap.SetSize(4097, 1);
    EXPECT_EQ(bitmap.GetWidth(), 4096);
    bitmap.SetSize(4096, 2049);
    EXPECT_EQ(bitmap.GetHeight(), 2048);

    bitmap.SetSize(-3, 5);
    EXPECT_EQ(bitmap.GetWidth(), 0);
    EXPECT_TRUE(bitmap.IsEmpty());
    bitmap.SetSize(2, 2);
    EXPECT_EQ(bitmap.GetDataSize(), 16u);
    EXPECT_EQ(bitmap.GetRow(2), nullptr);
    EXPECT_EQ(bitmap.GetRow(-1), nullptr);
    EXPECT_EQ(bitmap.GetRow(1), bitmap.GetBits() + 8);
    bitmap.Clear();
    EXPECT_TRUE(bitmap.IsEmpty());
    EXPECT_EQ(bitmap.GetData(), nullptr);
}

TEST(BitmapPacking, RepeatedPixelsPackAndUnpack) {
    DXLBitmap bitmap;
    Fill(bitmap, kFormatA8R8G8B8, 2, 2, std::vector<uint8_t>(16, 0), 0, 0);
    for (int i = 0; i < 4; ++i)
        std::memcpy(bitmap.GetData() + i * 4, "\x11\x22\x33\x44", 4);

    bitmap.SetRLEUnit(4);
    EXPECT_EQ(bitmap.GetDataSize(), 5u);
    EXPECT_EQ(bitmap.GetUnpackedSize(), 16u);
    EXPECT_EQ(Bytes(bitmap.GetData(), 5), (std::vector<uint8_t>{0x83, 0x11, 0x22, 0x33, 0x44}));

    EXPECT_EQ(Pixel32(bitmap, 1, 1), 0x44332211u); // unpacked on demand
    EXPECT_EQ(bitmap.GetRLEUnit(), 0u);
    EXPECT_EQ(bitmap.GetDataSize(), 16u);

    // BeginAccess / EndAccess re-pack with the saved unit.
    bitmap.SetRLEUnit(4);
    bitmap.BeginAccess();
    EXPECT_EQ(bitmap.GetDataSize(), 16u);
    bitmap.EndAccess();
    EXPECT_EQ(bitmap.GetDataSize(), 5u);
    EXPECT_EQ(bitmap.GetRLEUnit(), 4u);
}

TEST(BitmapPacking, EncoderRunsAndPacketLimits) {
    // Literal, repeat, literal.
    const std::vector<uint8_t> mixed = {1, 2, 2, 2, 2, 2, 2, 2, 3, 4};
    uint8_t out[32];
    uint32_t n = EncodeRLE(mixed.data(), uint32_t(mixed.size()), 1, out, sizeof out);
    EXPECT_EQ(Bytes(out, n), (std::vector<uint8_t>{0x00, 1, 0x86, 2, 0x01, 3, 4}));

    // Two equal units inside a literal run end it and open a repeat run.
    const std::vector<uint8_t> pair = {5, 6, 7, 7, 8};
    n = EncodeRLE(pair.data(), uint32_t(pair.size()), 1, out, sizeof out);
    EXPECT_EQ(Bytes(out, n), (std::vector<uint8_t>{0x01, 5, 6, 0x81, 7, 0x00, 8}));

    // A run of 300 becomes packets of 128, 128 and 44.
    std::vector<uint8_t> longRun(300, 9);
    n = EncodeRLE(longRun.data(), 300, 1, out, sizeof out);
    EXPECT_EQ(Bytes(out, n), (std::vector<uint8_t>{0xFF, 9, 0xFF, 9, 0xAB, 9}));
    std::vector<uint8_t> back(300);
    EXPECT_EQ(DecodeRLE(out, n, 1, back.data(), 300), 300u);
    EXPECT_EQ(back, longRun);

    // 130 distinct bytes: literal packets of 128 and 2.
    std::vector<uint8_t> distinct(130);
    for (size_t i = 0; i < distinct.size(); ++i)
        distinct[i] = uint8_t(i);
    std::vector<uint8_t> big(200);
    n = EncodeRLE(distinct.data(), 130, 1, big.data(), 200);
    ASSERT_EQ(n, 132u);
    EXPECT_EQ(big[0], 0x7F);
    EXPECT_EQ(big[129], 0x01);
    EXPECT_EQ(EncodeRLE(distinct.data(), 130, 1, big.data(), 131), 0u); // does not fit
}

TEST(BitmapPacking, DataWithoutRepeatsStaysUnpacked) {
    DXLBitmap bitmap;
    std::vector<uint8_t> distinct(16);
    for (int i = 0; i < 16; ++i)
        distinct[i] = uint8_t(i);
    Fill(bitmap, kFormatA8R8G8B8, 2, 2, distinct, 0, 0);
    bitmap.SetRLEUnit(1);
    EXPECT_EQ(bitmap.GetRLEUnit(), 1u);
    EXPECT_EQ(bitmap.GetUnpackedSize(), 0u);
    EXPECT_EQ(bitmap.GetDataSize(), 16u);
    EXPECT_EQ(Bytes(bitmap.GetBits(), 16), distinct);

    // A unit larger than a pixel does not pack.
    DXLBitmap grey;
    Fill(grey, kFormatL8, 8, 1, std::vector<uint8_t>(8, 3), 0, 0);
    grey.SetRLEUnit(2);
    EXPECT_EQ(grey.GetRLEUnit(), 0u);
    EXPECT_EQ(grey.GetDataSize(), 8u);
    grey.SetRLEUnit(3); // not a unit
    EXPECT_EQ(grey.GetRLEUnit(), 0u);
}

TEST(BitmapPacking, UnpackingIsBoundedByImageUnpackedSizeAndInput) {
    // Packed data of fewer than 8 unpacked bytes unpacks to the whole image.
    DXLBitmap tiny;
    Fill(tiny, kFormatL8, 4, 2, {0x83, 7}, 4, 1);
    ASSERT_NE(tiny.GetRow(1), nullptr);
    EXPECT_EQ(tiny.GetDataSize(), 8u);
    EXPECT_EQ(Bytes(tiny.GetBits(), 8), (std::vector<uint8_t>{7, 7, 7, 7, 0, 0, 0, 0}));

    // A header naming a larger unpacked size than the image is cut at the image.
    DXLBitmap lying;
    Fill(lying, kFormatL8, 2, 2, {0xFF, 1, 0xFF, 2}, 100000, 1);
    EXPECT_EQ(lying.GetDataSize(), 4u); // still packed, 4 bytes stored
    uint8_t* bits = lying.GetBits();
    EXPECT_EQ(lying.GetDataSize(), 4u);
    EXPECT_EQ(Bytes(bits, 4), (std::vector<uint8_t>{1, 1, 1, 1}));

    // Packets that promise more than the input holds stop at the input's end.
    DXLBitmap truncated;
    Fill(truncated, kFormatA8R8G8B8, 4, 1, {0x03, 1, 2, 3, 4, 5}, 16, 4);
    bits = truncated.GetBits();
    EXPECT_EQ(Bytes(bits, 16), (std::vector<uint8_t>{1, 2, 3, 4, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    DXLBitmap cutRepeat;
    Fill(cutRepeat, kFormatA8R8G8B8, 2, 1, {0x81, 1, 2}, 8, 4);
    EXPECT_EQ(Bytes(cutRepeat.GetBits(), 8), std::vector<uint8_t>(8, 0));

    // Raw data under a packing unit (unpacked size 0) is taken as it stands.
    DXLBitmap raw;
    Fill(raw, kFormatL8, 2, 1, {0x85, 0x86}, 0, 1);
    EXPECT_EQ(Bytes(raw.GetBits(), 2), (std::vector<uint8_t>{0x85, 0x86}));

    // Raw data shorter than the image gives no rows past its end.
    DXLBitmap shortRaw;
    Fill(shortRaw, kFormatA8R8G8B8, 2, 2, std::vector<uint8_t>(8, 1), 0, 0);
    EXPECT_NE(shortRaw.GetRow(0), nullptr);
    EXPECT_EQ(shortRaw.GetRow(1), nullptr);
}

TEST(BitmapHeader, RefusesSizesBeyondTheLimits) {
    DXLBitmap bitmap;
    bitmap.SetHeader(kFormatA8R8G8B8, 5000, 1, 20000, 0, 0);
    EXPECT_TRUE(bitmap.IsEmpty());
    bitmap.SetHeader(kFormatA8R8G8B8, 1, 1, 0xFFFFFFFF, 0, 0);
    EXPECT_TRUE(bitmap.IsEmpty());
    EXPECT_EQ(bitmap.GetDataSize(), 0u);
}

TEST(BitmapConversion, ConvertsThroughARGB) {
    DXLBitmap bitmap;
    Fill(bitmap, kFormatA8R8G8B8, 2, 1, {0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x80}, 0, 0);
    bitmap.SetFormat(kFormatA1R5G5B5);
    EXPECT_EQ(bitmap.GetFormat(), kFormatA1R5G5B5);
    EXPECT_EQ(bitmap.GetDataSize(), 4u);
    EXPECT_EQ(Bytes(bitmap.GetBits(), 4), (std::vector<uint8_t>{0x00, 0xFC, 0x1F, 0x80}));

    bitmap.SetFormat(kFormatA8R8G8B8);
    EXPECT_EQ(Pixel32(bitmap, 0, 0), 0xFFFF0000u);
    EXPECT_EQ(Pixel32(bitmap, 1, 0), 0xFF0000FFu);

    bitmap.SetFormat(kFormatL8);
    EXPECT_EQ(bitmap.GetDataSize(), 2u);
    bitmap.SetFormat(kFormatR8G8B8); // no byte size: the pixels go
    EXPECT_EQ(bitmap.GetDataSize(), 0u);
    EXPECT_EQ(bitmap.GetFormat(), kFormatR8G8B8);

    // A packed bitmap is unpacked before conversion.
    DXLBitmap packed;
    Fill(packed, kFormatA8R8G8B8, 4, 1, {0x83, 0x00, 0x00, 0xFF, 0xFF}, 16, 4);
    packed.SetFormat(kFormatR5G6B5);
    EXPECT_EQ(packed.GetRLEUnit(), 0u);
    EXPECT_EQ(Bytes(packed.GetBits(), 8),
              (std::vector<uint8_t>{0x00, 0xF8, 0x00, 0xF8, 0x00, 0xF8, 0x00, 0xF8}));

    DXLBitmap dxt;
    dxt.SetHeader(kFormatDXT1, 4, 4, 8, 0, 0);
    std::memcpy(dxt.GetData(), "\x00\xF8\x00\xF8\x00\x00\x00\x00", 8);
    dxt.SetFormat(kFormatDXT5); // DXT targets are refused
    EXPECT_EQ(dxt.GetFormat(), kFormatDXT1);
    EXPECT_EQ(dxt.GetRow(0), nullptr);
    dxt.SetFormat(kFormatA8R8G8B8);
    EXPECT_EQ(dxt.GetDataSize(), 64u);
    EXPECT_EQ(Pixel32(dxt, 3, 3), 0xFFFF0000u);

    DXLBitmap shortDxt; // not enough blocks: zero pixels
    shortDxt.SetHeader(kFormatDXT1, 8, 8, 8, 0, 0);
    std::memset(shortDxt.GetData(), 0xFF, 8);
    shortDxt.SetFormat(kFormatA8R8G8B8);
    EXPECT_EQ(Pixel32(shortDxt, 0, 0), 0u);
}

TEST(BitmapResample, SizesFiltersAndRefusals) {
    DXLBitmap bitmap;
    Fill(bitmap, kFormatA8R8G8B8, 2, 1, {0, 0, 0, 0, 200, 200, 200, 200}, 0, 0);
    EXPECT_EQ(bitmap.Resample(5, 1, 3), nullptr); // more than twice
    EXPECT_EQ(bitmap.Resample(1, 1, 3), nullptr); // smaller
    auto same = bitmap.Resample(2, 1, 3);
    ASSERT_NE(same, nullptr);
    EXPECT_EQ(Bytes(same.get(), 8), Bytes(bitmap.GetData(), 8));

    auto linear = bitmap.Resample(4, 1, 3);
    ASSERT_NE(linear, nullptr);
    const uint8_t expected[4] = {0, 50, 150, 200};
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(linear[x * 4], expected[x]) << x;

    auto point = bitmap.Resample(4, 2, 2);
    ASSERT_NE(point, nullptr);
    const uint8_t expectedPoint[4] = {0, 0, 200, 200}; // x * 2 / 4 rounded: 0, 1 (0.5), 1, 2 -> limited
    EXPECT_EQ(point[0], expectedPoint[0]);
    EXPECT_EQ(point[4], 200); // RoundD(0.5) = 1
    EXPECT_EQ(point[12], 200);
    EXPECT_EQ(point[16 + 0], 0); // second row repeats the first

    auto none = bitmap.ResampleToPowerOfTwo(1);
    ASSERT_NE(none, nullptr); // 2 x 1 is already a power of two: a copy
    auto padded = bitmap.Resample(3, 2, 1);
    ASSERT_NE(padded, nullptr);
    EXPECT_EQ(padded[4], 200);
    EXPECT_EQ(padded[8], 0);
    EXPECT_EQ(padded[12], 0);

    // 16-bit pixels are worked on as ARGB and written back.
    DXLBitmap p565;
    Fill(p565, kFormatR5G6B5, 1, 1, {0x00, 0xF8}, 0, 0);
    auto scaled = p565.Resample(2, 2, 3);
    ASSERT_NE(scaled, nullptr);
    EXPECT_EQ(Bytes(scaled.get(), 8), (std::vector<uint8_t>{0x00, 0xF8, 0x00, 0xF8, 0x00, 0xF8, 0x00, 0xF8}));

    p565.SetRLEUnit(1);
    DXLBitmap packed;
    Fill(packed, kFormatL8, 8, 1, {0x87, 5}, 8, 1);
    EXPECT_EQ(packed.Resample(8, 1, 2), nullptr); // packed: refused
}
