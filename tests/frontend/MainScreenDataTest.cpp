// The 'MNSC' records as the loader reads them: counts against the bytes
// there are, the picture count and the light times.
#include "frontend/MainScreenData.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

std::vector<uint8_t> Chunk(const std::vector<MainScreenRecord>& records, uint32_t count, size_t cut = 0) {
    std::vector<uint8_t> bytes(4 + records.size() * sizeof(MainScreenRecord));
    std::memcpy(bytes.data(), &count, 4);
    if (!records.empty())
        std::memcpy(bytes.data() + 4, records.data(), records.size() * sizeof(MainScreenRecord));
    bytes.resize(bytes.size() - cut);
    return bytes;
}

MainScreenRecord Light(uint32_t shineMin, uint32_t shineMax, uint32_t pauseMin, uint32_t pauseMax) {
    MainScreenRecord r;
    std::memset(&r, 0, sizeof r);
    r.kind = kLayerLight;
    r.pictureCount = 1;
    r.params.lights[0] = {0, 0, 0, shineMin, shineMax, 0, 0, pauseMin, pauseMax, 3};
    return r;
}

MainScreenRecord Plain(uint32_t pictures) {
    MainScreenRecord r;
    std::memset(&r, 0, sizeof r);
    r.pictureCount = pictures;
    return r;
}

} // namespace

TEST(MainScreenData, ChunksAreTakenOrRefusedForTheirCountsPicturesAndLights) {
    struct Case {
        const char* name;
        std::vector<MainScreenRecord> records;
        uint32_t count;
        size_t cut;
        MainScreenDataError error;
        size_t taken;
    };
    MainScreenRecord unusedLight = Light(0, 0, 0, 0);
    unusedLight.pictureCount = 0; // the times of unused pictures are not looked at
    const Case cases[] = {
        {"no records: the title and the menu only", {}, 0, 0, MainScreenDataError::None, 0},
        {"two records", {Plain(1), Plain(16)}, 2, 0, MainScreenDataError::None, 2},
        {"a count beyond the bytes", {Plain(1)}, 2, 0, MainScreenDataError::Truncated, 0},
        {"a huge count", {Plain(1)}, 0xFFFFFFFF, 0, MainScreenDataError::Truncated, 0},
        {"a record cut short", {Plain(1)}, 1, 1, MainScreenDataError::Truncated, 0},
        {"17 pictures", {Plain(1), Plain(17)}, 2, 0, MainScreenDataError::PictureCount, 0},
        {"a usable light", {Light(100, 200, 0, 0)}, 1, 0, MainScreenDataError::None, 1},
        {"a shine of one length", {Light(150, 150, 10, 10)}, 1, 0, MainScreenDataError::None, 1},
        {"shortest shine above longest", {Light(300, 200, 0, 0)}, 1, 0, MainScreenDataError::LightTimes, 0},
        {"shortest pause above longest", {Light(100, 200, 50, 10)}, 1, 0, MainScreenDataError::LightTimes, 0},
        {"a longest shine of 0", {Light(0, 0, 0, 0)}, 1, 0, MainScreenDataError::LightTimes, 0},
        {"a light layer without pictures", {unusedLight}, 1, 0, MainScreenDataError::None, 1},
    };
    for (const Case& c : cases) {
        std::vector<MainScreenRecord> out(3);
        const std::vector<uint8_t> bytes = Chunk(c.records, c.count, c.cut);
        EXPECT_EQ(ParseMainScreenRecords(bytes.data(), bytes.size(), &out), c.error) << c.name;
        EXPECT_EQ(out.size(), c.taken) << c.name;
    }
    std::vector<MainScreenRecord> out;
    EXPECT_EQ(ParseMainScreenRecords(nullptr, 0, &out), MainScreenDataError::Truncated);
    const uint8_t three[3] = {0, 0, 0};
    EXPECT_EQ(ParseMainScreenRecords(three, 3, &out), MainScreenDataError::Truncated);
}

TEST(MainScreenData, RecordsKeepTheirFieldsAndNamesEndInTheirField) {
    MainScreenRecord r = Plain(1);
    r.kind = kLayerParticles;
    r.offsetFactor = 0.5f;
    for (char16_t& c : r.pictures[0].sprite)
        c = u'x'; // no terminator
    r.pictures[0].left = -640;
    r.pictures[0].colour = 0x80FFFFFF;
    r.params.emitters[1] = {77, 10, -20, 45.0f};
    const std::vector<uint8_t> bytes = Chunk({r}, 1);
    std::vector<MainScreenRecord> out;
    ASSERT_EQ(ParseMainScreenRecords(bytes.data(), bytes.size(), &out), MainScreenDataError::None);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].kind, kLayerParticles);
    EXPECT_FLOAT_EQ(out[0].offsetFactor, 0.5f);
    EXPECT_EQ(out[0].pictures[0].left, -640);
    EXPECT_EQ(out[0].pictures[0].colour, 0x80FFFFFFu);
    EXPECT_EQ(out[0].pictures[0].sprite[31], 0);
    EXPECT_EQ(out[0].params.emitters[1].description, 77u);
    EXPECT_EQ(out[0].params.emitters[1].y, -20);
}
