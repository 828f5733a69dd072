#include "engine/CurFile.h"
#include "foundation/ByteOrder.h"
#include "platform/PngWriter.h"
#include "platform/Random.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// Builds one bitmap cursor entry by hand: header, palette, colour rows and
// mask rows as given (rows bottom to top, already padded).
std::vector<uint8_t> BitmapCursor(int width, int height, uint16_t bits, const std::vector<uint32_t>& palette,
                                  const std::vector<uint8_t>& colourRows,
                                  const std::vector<uint8_t>& maskRows, uint16_t hotX, uint16_t hotY) {
    std::vector<uint8_t> image(40);
    kis::StoreLE32(&image[0], 40);
    kis::StoreLE32(&image[4], uint32_t(width));
    kis::StoreLE32(&image[8], uint32_t(height * 2));
    kis::StoreLE16(&image[12], 1);
    kis::StoreLE16(&image[14], bits);
    kis::StoreLE32(&image[32], uint32_t(palette.size()));
    for (uint32_t colour : palette) {
        uint8_t raw[4];
        kis::StoreLE32(raw, colour);
        image.insert(image.end(), raw, raw + 4);
    }
    image.insert(image.end(), colourRows.begin(), colourRows.end());
    image.insert(image.end(), maskRows.begin(), maskRows.end());

    std::vector<uint8_t> file(6 + 16);
    kis::StoreLE16(&file[2], 2);
    kis::StoreLE16(&file[4], 1);
    file[6] = uint8_t(width);
    file[7] = uint8_t(height);
    kis::StoreLE16(&file[10], hotX);
    kis::StoreLE16(&file[12], hotY);
    kis::StoreLE32(&file[14], uint32_t(image.size()));
    kis::StoreLE32(&file[18], 22);
    file.insert(file.end(), image.begin(), image.end());
    return file;
}

std::vector<CursorImage> Read(const std::vector<uint8_t>& file, std::string* error = nullptr) {
    std::vector<CursorImage> images;
    std::string reason;
    EXPECT_TRUE(ReadCurFile(file.data(), file.size(), &images, &reason)) << reason;
    if (error) *error = reason;
    return images;
}

CursorImage Pattern(int width, int height, int hotX, int hotY) {
    CursorImage image;
    image.width = width;
    image.height = height;
    image.hotX = hotX;
    image.hotY = hotY;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.argb.push_back(
                (x + y) % 3 == 0 ? 0 : 0xFF000000u | uint32_t(x * 7) << 16 | uint32_t(y * 5) << 8 | 0x40);
    return image;
}

TEST(CurFile, WrittenImagesReadBackWithHotSpotsAndTransparency) {
    std::vector<CursorImage> written = {Pattern(32, 32, 3, 4), Pattern(17, 9, 16, 8)};
    std::vector<CursorImage> read = Read(WriteCurFile(written));
    ASSERT_EQ(read.size(), 2u);
    for (size_t i = 0; i < read.size(); ++i) {
        EXPECT_EQ(read[i].width, written[i].width);
        EXPECT_EQ(read[i].height, written[i].height);
        EXPECT_EQ(read[i].hotX, written[i].hotX);
        EXPECT_EQ(read[i].hotY, written[i].hotY);
        EXPECT_EQ(read[i].bitCount, 32u);
        EXPECT_EQ(read[i].argb, written[i].argb);
    }
}

TEST(CurFile, PalettedImagesTakeTheirTransparencyFromTheMask) {
    // 1 bit, 3 x 2: palette black, white. Top row (stored last): white, black,
    // white; bottom row: black, white, white. Mask: the top row's last pixel
    // and the bottom row's first pixel are transparent.
    std::vector<uint8_t> colour = {0x60, 0, 0, 0, /* bottom: 011 */ 0xA0, 0, 0, 0 /* top: 101 */};
    std::vector<uint8_t> mask = {0x80, 0, 0, 0, /* bottom: 100 */ 0x20, 0, 0, 0 /* top: 001 */};
    std::vector<CursorImage> read = Read(BitmapCursor(3, 2, 1, {0x000000, 0xFFFFFF}, colour, mask, 1, 1));
    ASSERT_EQ(read.size(), 1u);
    // A transparent pixel with a colour would invert the screen: it shows black.
    EXPECT_EQ(read[0].argb, (std::vector<uint32_t>{0xFFFFFFFF, 0xFF000000, 0xFF000000,    // top
                                                   0x00000000, 0xFFFFFFFF, 0xFFFFFFFF})); // bottom
    EXPECT_EQ(read[0].hotX, 1);

    // 4 bits: indices 1 and 2 in a two-pixel row.
    std::vector<uint32_t> palette = {0, 0x112233, 0x445566};
    read = Read(BitmapCursor(2, 1, 4, palette, {0x12, 0, 0, 0}, {0, 0, 0, 0}, 0, 0));
    EXPECT_EQ(read[0].argb, (std::vector<uint32_t>{0xFF112233, 0xFF445566}));

    // 8 bits: an index past the palette reads as black.
    read = Read(BitmapCursor(2, 1, 8, palette, {2, 9, 0, 0}, {0x40, 0, 0, 0}, 0, 0));
    EXPECT_EQ(read[0].argb, (std::vector<uint32_t>{0xFF445566, 0x00000000}));

    // 24 bits: blue, green, red bytes.
    read = Read(BitmapCursor(1, 1, 24, {}, {0x33, 0x22, 0x11, 0}, {0, 0, 0, 0}, 0, 0));
    EXPECT_EQ(read[0].argb, std::vector<uint32_t>{0xFF112233});

    // 32 bits without any alpha: the mask decides.
    read = Read(BitmapCursor(2, 1, 32, {}, {1, 2, 3, 0, 0, 0, 0, 0}, {0x40, 0, 0, 0}, 0, 0));
    EXPECT_EQ(read[0].argb, (std::vector<uint32_t>{0xFF030201, 0x00000000}));
}

TEST(CurFile, PngEntriesAreDecoded) {
    testsupport::TempDir dir;
    const uint32_t pixels[6] = {0xFF0000FF, 0xFF00FF00, 0xFFFF0000, 0xFFFFFFFF, 0xFF000000, 0xFF808080};
    std::string error;
    ASSERT_TRUE(platform::WritePng(dir.File("c.png"), pixels, 3, 2, 3, &error)) << error;
    std::string png = testsupport::ReadFileBytes(dir.File("c.png"));
    ASSERT_FALSE(png.empty());

    std::vector<uint8_t> file(22);
    kis::StoreLE16(&file[2], 2);
    kis::StoreLE16(&file[4], 1);
    file[6] = 3;
    file[7] = 2;
    kis::StoreLE16(&file[10], 9); // beyond the image: kept inside
    kis::StoreLE16(&file[12], 1);
    kis::StoreLE32(&file[14], uint32_t(png.size()));
    kis::StoreLE32(&file[18], 22);
    file.insert(file.end(), png.begin(), png.end());
    std::vector<CursorImage> read = Read(file);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].argb, std::vector<uint32_t>(pixels, pixels + 6));
    EXPECT_EQ(read[0].hotX, 2);
    EXPECT_EQ(read[0].hotY, 1);
}

TEST(CurFile, DamagedFilesAreRefusedWithAReason) {
    const std::vector<uint8_t> good = WriteCurFile({Pattern(4, 4, 0, 0)});
    struct Case {
        const char* what;
        size_t at;
        uint32_t value;
        bool wide;
    };
    const Case cases[] = {
        {"icon, not cursor", 2, 1, false},
        {"no images", 4, 0, false},
        {"more entries than the file holds", 4, 2, false},
        {"data past the end", 14, 0x1000, true},
        {"offset past the end", 18, 0xFFFFFFF0u, true},
        {"header size beyond the data", 22, 0x400, true},
        {"width 0", 26, 0, true},
        {"odd height", 30, 7, true},
        {"too tall", 30, 1000, true},
        {"16 bits per pixel", 36, 16, false},
        {"compressed", 38, 1, true},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bad = good;
        if (c.wide)
            kis::StoreLE32(&bad[c.at], c.value);
        else
            kis::StoreLE16(&bad[c.at], uint16_t(c.value));
        std::vector<CursorImage> images;
        std::string error;
        EXPECT_FALSE(ReadCurFile(bad.data(), bad.size(), &images, &error)) << c.what;
        EXPECT_FALSE(error.empty()) << c.what;
        EXPECT_TRUE(images.empty()) << c.what;
    }

    // A palette larger than its pixels can index, and a cut-off mask.
    std::vector<uint8_t> palette = BitmapCursor(1, 1, 1, {0, 1, 2}, {0, 0, 0, 0}, {0, 0, 0, 0}, 0, 0);
    std::vector<CursorImage> images;
    EXPECT_FALSE(ReadCurFile(palette.data(), palette.size(), &images, nullptr));
    std::vector<uint8_t> noMask = BitmapCursor(1, 1, 8, {0}, {0, 0, 0, 0}, {}, 0, 0);
    EXPECT_FALSE(ReadCurFile(noMask.data(), noMask.size(), &images, nullptr));

    // Every shorter prefix of a good file is refused.
    for (size_t n = 0; n < good.size(); ++n)
        EXPECT_FALSE(ReadCurFile(good.data(), n, &images, nullptr)) << n << " bytes";
}

TEST(CurFile, RandomDamageIsReadWithinTheBytes) {
    std::vector<CursorImage> sources = {Pattern(5, 3, 1, 1), Pattern(9, 9, 4, 4)};
    std::vector<uint8_t> good = WriteCurFile(sources);
    std::vector<uint8_t> paletted =
        BitmapCursor(3, 2, 4, {0, 0x112233}, {0x10, 0, 0, 0, 0x01, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0}, 0, 0);
    platform::SeedRand(7);
    int accepted = 0;
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> file = round % 2 ? good : paletted;
        int changes = 1 + platform::Rand() % 6;
        for (int i = 0; i < changes; ++i)
            file[size_t(platform::Rand()) % file.size()] = uint8_t(platform::Rand());
        if (platform::Rand() % 4 == 0) file.resize(size_t(platform::Rand()) % file.size());
        // An exactly sized copy, so that any read past the end is caught.
        std::unique_ptr<uint8_t[]> exact(new uint8_t[file.size() + 1]);
        std::memcpy(exact.get(), file.data(), file.size());
        std::vector<CursorImage> images;
        if (!ReadCurFile(exact.get(), file.size(), &images, nullptr)) continue;
        ++accepted;
        for (const CursorImage& image : images) {
            ASSERT_EQ(image.argb.size(), size_t(image.width) * size_t(image.height));
            ASSERT_TRUE(image.hotX >= 0 && image.hotX < image.width);
            ASSERT_TRUE(image.hotY >= 0 && image.hotY < image.height);
        }
    }
    EXPECT_GT(accepted, 0); // damage to pixels alone still reads
}

TEST(CurFile, PicksTheImageNearest32PixelsWithTheMostColours) {
    auto image = [](int side, uint32_t bits) {
        CursorImage made;
        made.width = made.height = side;
        made.bitCount = bits;
        return made;
    };
    EXPECT_EQ(PickCursorImage({image(16, 32), image(32, 4), image(32, 32), image(48, 32)}), 2);
    EXPECT_EQ(PickCursorImage({image(64, 32), image(24, 8)}), 1);
    EXPECT_EQ(PickCursorImage({}), -1);
}

} // namespace
