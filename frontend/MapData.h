#pragma once
// The level-select map's data ('MAPM', sub-id 1 of the data pack): the water
// animations, one record of up to 16 decorations per level, and 16 particle
// emitters. All integers little-endian.
//
//   u32 water count n, n x 12 bytes {i32 x, i32 y, u32 frame time}
//   41 level records of 17,348 bytes {u32 count, 16 entries of 1,084 bytes}
//   16 emitters of 16 bytes {u32 description id, i32 x, i32 y, f32 angle}
//
// Every count is checked against its room before the map relies on it: a
// record with more than 16 decorations, a particle decoration with more than
// 89 emitters, an animal decoration with more than 4 groups, or a water count
// the chunk has no bytes for refuses the whole chunk.

#include "pathfinding/Shapes.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

constexpr uint32_t kMapChunkId = 0x4D41504D; // 'MAPM'
constexpr uint32_t kMapChunkSubId = 1;
constexpr int32_t kMapLevels = 41;
constexpr int32_t kMapDecorationSlots = 16;
constexpr int32_t kMapEmitters = 16;
constexpr int32_t kMapMaxParticleEmitters = 89;
constexpr int32_t kMapMaxAnimalGroups = 4;
constexpr int32_t kMapMaxAreaShapes = 8;

// Decoration kinds.
constexpr uint32_t kDecorationSprite = 1;
constexpr uint32_t kDecorationSign = 2;
constexpr uint32_t kDecorationSpot = 3;
constexpr uint32_t kDecorationParticles = 4;
constexpr uint32_t kDecorationAnimals = 0x100;

// Status-mask bits of a decoration: the level statuses it shows under.
constexpr uint32_t kLookLocked = 0x1;
constexpr uint32_t kLookUpcoming = 0x2;
constexpr uint32_t kLookOpen = 0x4;
constexpr uint32_t kLookPassed = 0x8;
constexpr uint32_t kLookAttack = 0x10;

struct MapWaterEntry {
    int32_t x;
    int32_t y;
    uint32_t frameMs;
};
static_assert(sizeof(MapWaterEntry) == 12);

struct MapDecorationEntry {
    uint32_t kind;
    uint32_t mask;
    uint8_t data[1076]; // the kind's own fields, read through the views below
};
static_assert(sizeof(MapDecorationEntry) == 1084);

struct MapLevelRecord {
    uint32_t count;
    MapDecorationEntry entries[kMapDecorationSlots];
};
static_assert(sizeof(MapLevelRecord) == 17348);

struct MapEmitterEntry {
    uint32_t description;
    int32_t x;
    int32_t y;
    float angle; // degrees added to the description's angle, 0 keeps it
};
static_assert(sizeof(MapEmitterEntry) == 16);

constexpr size_t kMapEmitterTableSize = sizeof(MapEmitterEntry) * kMapEmitters;
static_assert(kMapEmitterTableSize == 256);

// The fields of a sprite or spot decoration (kDecorationSprite, kDecorationSpot).
struct MapSpriteFields {
    std::u16string name;
    int32_t x = 0, y = 0;
    uint8_t flag = 0;
    float scale = 1.0f;
    uint32_t frameMs = 0; // 0: a still picture
    uint32_t mode = 0;
};
struct MapSignFields {
    int32_t x = 0, y = 0;
};
struct MapParticleEmitter {
    uint32_t description;
    int32_t x, y;
};
struct MapParticleFields {
    float scale = 1.0f;
    std::vector<MapParticleEmitter> emitters;
};

// An animal group of 268 bytes. For chickens (kCharacterChicken) words 1-2
// are the count and the number of shapes; for a cow (kCharacterCow) or a
// sheep (kCharacterSheepHead) they are the figure's place and word 3 its
// standing variant.
struct MapAnimalGroup {
    uint32_t id;
    int32_t a;
    int32_t b;
    shpf::_SHAPE shapes[kMapMaxAreaShapes]; // the level core's shape records

    uint32_t ChickenCount() const { return uint32_t(a); }
    uint32_t ShapeCount() const { return uint32_t(b) > kMapMaxAreaShapes ? kMapMaxAreaShapes : uint32_t(b); }
    int32_t X() const { return a; }
    int32_t Y() const { return b; }
    // Word 3 is the first word of the shape table.
    int32_t StartVariant() const { return int32_t(shapes[0].kind); }
};
static_assert(sizeof(MapAnimalGroup) == 268);

MapSpriteFields ReadSpriteFields(const MapDecorationEntry& entry);
MapSignFields ReadSignFields(const MapDecorationEntry& entry);
MapParticleFields ReadParticleFields(const MapDecorationEntry& entry);
std::vector<MapAnimalGroup> ReadAnimalGroups(const MapDecorationEntry& entry);

// The tables live on the heap (the level records alone are some 700 KB), so
// that a MapData is small wherever it is made; each holds its fixed count.
struct MapData {
    std::vector<MapWaterEntry> water;
    std::vector<MapLevelRecord> levels = std::vector<MapLevelRecord>(kMapLevels);
    std::vector<MapEmitterEntry> emitters = std::vector<MapEmitterEntry>(kMapEmitters);
};

// The chunk's size for a water count.
constexpr size_t MapChunkSize(size_t waterCount) {
    return 4 + waterCount * sizeof(MapWaterEntry) + kMapLevels * sizeof(MapLevelRecord) +
           kMapEmitterTableSize;
}

// Reads the chunk; on any fault out is left as it was and why names it.
bool ParseMapData(std::span<const uint8_t> chunk, MapData* out, std::string* why = nullptr);
// Writes the chunk as it is stored (content tool, tests).
std::vector<uint8_t> SerializeMapData(const MapData& data);

// Builders of decoration entries (content tool, tests).
MapDecorationEntry MakeSpriteEntry(uint32_t kind, uint32_t mask, const MapSpriteFields& fields);
MapDecorationEntry MakeSignEntry(uint32_t mask, int32_t x, int32_t y);
MapDecorationEntry MakeParticleEntry(uint32_t mask, float scale,
                                     const std::vector<MapParticleEmitter>& emitters);
MapDecorationEntry MakeAnimalEntry(uint32_t mask, const std::vector<MapAnimalGroup>& groups);
