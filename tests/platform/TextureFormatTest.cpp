#include "platform/GraphicsDevice.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace platform;

namespace {

uint32_t ExpandOne(Format format, std::vector<uint8_t> bytes) {
    Texture t(1, 1, format, Pool::Managed);
    LockedRect r;
    EXPECT_EQ(t.Lock(0, &r), kOk);
    EXPECT_EQ(r.pitch, int32_t(BytesPerPixel(format)));
    std::memcpy(r.bits, bytes.data(), bytes.size());
    t.Unlock();
    return t.Expanded()[0];
}

TEST(TextureFormat, SamplingExpandsEveryFormatToArgb) {
    EXPECT_EQ(ExpandOne(Format::A8R8G8B8, {0x11, 0x22, 0x33, 0x44}), 0x44332211u);
    EXPECT_EQ(ExpandOne(Format::X8R8G8B8, {0x11, 0x22, 0x33, 0x00}), 0xFF332211u);
    EXPECT_EQ(ExpandOne(Format::R8G8B8, {0x11, 0x22, 0x33}), 0xFF332211u);
    EXPECT_EQ(ExpandOne(Format::R5G6B5, {0x1F, 0xF8}), 0xFFFF00FFu);   // red 31, green 0, blue 31
    EXPECT_EQ(ExpandOne(Format::R5G6B5, {0xE0, 0x07}), 0xFF00FF00u);   // green 63
    EXPECT_EQ(ExpandOne(Format::X1R5G5B5, {0x10, 0x00}), 0xFF000084u); // blue 16 -> 132, no alpha bit
    EXPECT_EQ(ExpandOne(Format::A1R5G5B5, {0x00, 0x7C}), 0x00FF0000u); // alpha bit clear
    EXPECT_EQ(ExpandOne(Format::A1R5G5B5, {0x00, 0xFC}), 0xFFFF0000u);
    EXPECT_EQ(ExpandOne(Format::A4R4G4B4, {0x21, 0x8F}), 0x88FF2211u);
    EXPECT_EQ(ExpandOne(Format::A8, {0x7B}), 0x7B000000u);
    EXPECT_EQ(ExpandOne(Format::L8, {0x7B}), 0xFF7B7B7Bu);
    EXPECT_EQ(ExpandOne(Format::A8L8, {0x40, 0xC0}), 0xC0404040u);
    EXPECT_EQ(ExpandOne(Format::A4L4, {0x3C}), 0x33CCCCCCu);
}

TEST(TextureFormat, LockPitchIsOneRowOfTheFormat) {
    struct Case {
        Format format;
        uint32_t width;
        int32_t pitch;
    };
    for (Case c : {Case{Format::A8R8G8B8, 100, 400}, Case{Format::R8G8B8, 10, 30}, Case{Format::A8L8, 7, 14},
                   Case{Format::L8, 5, 5}, Case{Format::Dxt1, 10, 24}, Case{Format::Dxt5, 8, 32}}) {
        Texture t(c.width, 4, c.format, Pool::Managed);
        LockedRect r;
        ASSERT_EQ(t.Lock(kLockNoSysLock, &r), kOk);
        EXPECT_EQ(r.pitch, c.pitch) << static_cast<uint32_t>(c.format);
        EXPECT_EQ(t.Lock(0, &r), kErrInvalidCall); // one lock at a time
        EXPECT_EQ(t.Unlock(), kOk);
        EXPECT_EQ(t.Unlock(), kErrInvalidCall);
    }
}

TEST(TextureFormat, DxtBlocksDecodeColoursAndAlpha) {
    // Colour end points pure red (0xF800) and pure blue (0x001F); indices 0,1,2,3 on the first row.
    const uint8_t colour[8] = {0x00, 0xF8, 0x1F, 0x00, 0xE4, 0x00, 0x00, 0x00};
    uint32_t px[16];
    DecodeBlock(Format::Dxt1, colour, px);
    EXPECT_EQ(px[0], 0xFFFF0000u);
    EXPECT_EQ(px[1], 0xFF0000FFu);
    EXPECT_EQ(px[2], 0xFFAA0055u); // two thirds red
    EXPECT_EQ(px[3], 0xFF5500AAu);
    EXPECT_EQ(px[4], 0xFFFF0000u);
    // The three-colour mode of DXT1 (first end point not above the second) has transparent black.
    const uint8_t three[8] = {0x1F, 0x00, 0x00, 0xF8, 0xE4, 0x00, 0x00, 0x00};
    DecodeBlock(Format::Dxt1, three, px);
    EXPECT_EQ(px[2], 0xFF7F007Fu);
    EXPECT_EQ(px[3], 0x00000000u);

    uint8_t dxt3[16] = {0x0F, 0xF0};
    std::memcpy(dxt3 + 8, colour, 8);
    DecodeBlock(Format::Dxt3, dxt3, px);
    EXPECT_EQ(px[0], 0xFFFF0000u);
    EXPECT_EQ(px[1], 0x000000FFu);
    EXPECT_EQ(px[2] >> 24, 0u);
    EXPECT_EQ(px[3] >> 24, 0xFFu);

    // DXT5: alpha end points 255 and 0, indices 0, 1, 2 then 7 (interpolated 6/7, then 1/7).
    uint8_t dxt5[16] = {255, 0, 0x08 | 0x02 << 6, 0x07 << 1, 0, 0, 0, 0};
    std::memcpy(dxt5 + 8, colour, 8);
    DecodeBlock(Format::Dxt5, dxt5, px);
    EXPECT_EQ(px[0] >> 24, 255u);
    EXPECT_EQ(px[1] >> 24, 0u);
    EXPECT_EQ(px[2] >> 24, 218u); // (6 * 255 + 1 * 0) / 7
    EXPECT_EQ(px[3] >> 24, 36u);  // (1 * 255 + 6 * 0) / 7
}

TEST(TextureFormat, ExpandedCopyFollowsWritesButNotReadOnlyLocks) {
    Texture t(8, 4, Format::Dxt1, Pool::Managed);
    LockedRect r;
    ASSERT_EQ(t.Lock(0, &r), kOk);
    std::memset(r.bits, 0, 16); // two blocks of 8 bytes
    t.Unlock();
    EXPECT_EQ(t.Expanded()[5], 0xFF000000u);
    ASSERT_EQ(t.Lock(0, &r), kOk);
    const uint8_t white[8] = {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0};
    std::memcpy(static_cast<uint8_t*>(r.bits) + 8, white, 8); // second block: x 4..7
    t.Unlock();
    EXPECT_EQ(t.Expanded()[5], 0xFFFFFFFFu);
    EXPECT_EQ(t.Expanded()[3], 0xFF000000u);
}

} // namespace
