// The map's data chunk: its size, and the counts that must fit their rooms.
#include "frontend/MapData.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

MapData TwoWaters() {
    MapData data;
    data.water = {{10, 20, 250}, {30, 40, 0}};
    data.levels[0].count = 2;
    data.levels[0].entries[0] = MakeSignEntry(0xE, 100, 200);
    data.levels[0].entries[1] = MakeParticleEntry(0xC, 0.5f, {{7, 1, 2}, {8, 3, 4}});
    data.emitters[3] = {99, 5, 6, 45.0f};
    return data;
}

void PutU32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    std::memcpy(bytes.data() + at, &value, 4);
}

constexpr size_t kLevelsAt = 4 + 2 * 12;
size_t EntryAt(size_t level, size_t entry) {
    return kLevelsAt + level * sizeof(MapLevelRecord) + 4 + entry * sizeof(MapDecorationEntry);
}

} // namespace

TEST(MapData, AChunkWithTwoWatersHasItsSizeAndReadsBackAsWritten) {
    const std::vector<uint8_t> bytes = SerializeMapData(TwoWaters());
    EXPECT_EQ(bytes.size(), 711552u);
    MapData read;
    std::string why;
    ASSERT_TRUE(ParseMapData(bytes, &read, &why)) << why;
    ASSERT_EQ(read.water.size(), 2u);
    EXPECT_EQ(read.water[1].x, 30);
    EXPECT_EQ(read.emitters[3].description, 99u);
    EXPECT_FLOAT_EQ(read.emitters[3].angle, 45.0f);
    const MapSignFields sign = ReadSignFields(read.levels[0].entries[0]);
    EXPECT_EQ(sign.x, 100);
    EXPECT_EQ(sign.y, 200);
    const MapParticleFields particles = ReadParticleFields(read.levels[0].entries[1]);
    EXPECT_FLOAT_EQ(particles.scale, 0.5f);
    ASSERT_EQ(particles.emitters.size(), 2u);
    EXPECT_EQ(particles.emitters[1].description, 8u);
    EXPECT_EQ(particles.emitters[1].y, 4);
}

TEST(MapData, SpriteFieldsKeepTheirOffsets) {
    const MapDecorationEntry e =
        MakeSpriteEntry(kDecorationSpot, 0x11, {u"map_house", -5, 7, 1, 0.75f, 120, 2});
    const auto* raw = reinterpret_cast<const uint8_t*>(&e);
    EXPECT_EQ(raw[8], 'm');
    int32_t x;
    std::memcpy(&x, raw + 72, 4);
    EXPECT_EQ(x, -5);
    EXPECT_EQ(raw[80], 1);
    const MapSpriteFields f = ReadSpriteFields(e);
    EXPECT_EQ(f.name, u"map_house");
    EXPECT_EQ(f.y, 7);
    EXPECT_FLOAT_EQ(f.scale, 0.75f);
    EXPECT_EQ(f.frameMs, 120u);
    EXPECT_EQ(f.mode, 2u);
}

TEST(MapData, CountsBeyondTheirRoomOrTheChunkAreRefused) {
    struct Case {
        const char* name;
        void (*damage)(std::vector<uint8_t>&);
        bool accepted;
    };
    const Case cases[] = {
        {"as written", [](std::vector<uint8_t>&) {}, true},
        {"17 decorations",
         [](std::vector<uint8_t>& b) { PutU32(b, kLevelsAt + 40 * sizeof(MapLevelRecord), 17); }, false},
        {"16 decorations",
         [](std::vector<uint8_t>& b) { PutU32(b, kLevelsAt + 40 * sizeof(MapLevelRecord), 16); }, true},
        {"90 emitters", [](std::vector<uint8_t>& b) { PutU32(b, EntryAt(0, 1) + 12, 90); }, false},
        {"89 emitters", [](std::vector<uint8_t>& b) { PutU32(b, EntryAt(0, 1) + 12, 89); }, true},
        {"5 animal groups",
         [](std::vector<uint8_t>& b) {
             PutU32(b, EntryAt(0, 1), kDecorationAnimals);
             PutU32(b, EntryAt(0, 1) + 8, 5);
         },
         false},
        {"4 animal groups",
         [](std::vector<uint8_t>& b) {
             PutU32(b, EntryAt(0, 1), kDecorationAnimals);
             PutU32(b, EntryAt(0, 1) + 8, 4);
         },
         true},
        // An entry past the count is not read.
        {"bad entry past the count", [](std::vector<uint8_t>& b) { PutU32(b, EntryAt(0, 2) + 12, 1000); },
         true},
        {"water count past the chunk", [](std::vector<uint8_t>& b) { PutU32(b, 0, 3); }, false},
        {"huge water count", [](std::vector<uint8_t>& b) { PutU32(b, 0, 0xFFFFFFFF); }, false},
        {"short by one byte", [](std::vector<uint8_t>& b) { b.pop_back(); }, false},
        {"no water count", [](std::vector<uint8_t>& b) { b.resize(3); }, false},
    };
    const std::vector<uint8_t> good = SerializeMapData(TwoWaters());
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes = good;
        c.damage(bytes);
        MapData read;
        read.water = {{1, 1, 1}};
        std::string why;
        EXPECT_EQ(ParseMapData(bytes, &read, &why), c.accepted) << c.name << ": " << why;
        if (!c.accepted) {
            EXPECT_FALSE(why.empty()) << c.name;
            EXPECT_EQ(read.water.size(), 1u) << c.name << ": a refused chunk leaves the data as it was";
        }
    }
}

TEST(MapData, AnimalGroupsReadTheirFigureWords) {
    MapAnimalGroup chickens{};
    chickens.id = 2;
    chickens.a = 3;
    chickens.b = 12; // more shapes than there is room for: eight are used
    MapAnimalGroup cow{};
    cow.id = 3;
    cow.a = 400;
    cow.b = 300;
    cow.shapes[0].kind = 5;
    const std::vector<MapAnimalGroup> read = ReadAnimalGroups(MakeAnimalEntry(0x8, {chickens, cow}));
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0].ChickenCount(), 3u);
    EXPECT_EQ(read[0].ShapeCount(), 8u);
    EXPECT_EQ(read[1].X(), 400);
    EXPECT_EQ(read[1].Y(), 300);
    EXPECT_EQ(read[1].StartVariant(), 5);
}
