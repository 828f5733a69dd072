#include "frontend/MapData.h"

#include "foundation/ByteOrder.h"

#include <algorithm>
#include <bit>
#include <cstring>

static_assert(std::endian::native == std::endian::little, "map records are read as stored");

namespace {

// Offsets inside an entry's data (the entry's bytes after kind and mask).
constexpr size_t kNameOffset = 0, kNameUnits = 32;
constexpr size_t kSpriteX = 64, kSpriteY = 68, kSpriteFlag = 72, kSpriteScale = 76, kSpriteFrameMs = 80,
                 kSpriteMode = 84;
constexpr size_t kParticleScale = 0, kParticleCount = 4, kParticleTable = 8, kParticleEntrySize = 12;
constexpr size_t kGroupCount = 0, kGroupTable = 4;

static_assert(kParticleTable + kMapMaxParticleEmitters * kParticleEntrySize ==
              sizeof(MapDecorationEntry::data));
static_assert(kGroupTable + kMapMaxAnimalGroups * sizeof(MapAnimalGroup) == sizeof(MapDecorationEntry::data));

int32_t ReadI32(const uint8_t* p) {
    return int32_t(kis::LoadLE32(p));
}
float ReadF32(const uint8_t* p) {
    return std::bit_cast<float>(kis::LoadLE32(p));
}
void WriteF32(uint8_t* p, float v) {
    kis::StoreLE32(p, std::bit_cast<uint32_t>(v));
}

bool Fail(std::string* why, const std::string& text) {
    if (why) *why = text;
    return false;
}

// The counts a decoration's kind keeps in its own data.
bool CheckEntry(const MapDecorationEntry& entry, std::string* why, const std::string& where) {
    if (entry.kind == kDecorationParticles &&
        kis::LoadLE32(entry.data + kParticleCount) > kMapMaxParticleEmitters)
        return Fail(why, where + ": more than 89 particle emitters");
    if (entry.kind == kDecorationAnimals && kis::LoadLE32(entry.data + kGroupCount) > kMapMaxAnimalGroups)
        return Fail(why, where + ": more than 4 animal groups");
    return true;
}

} // namespace

MapSpriteFields ReadSpriteFields(const MapDecorationEntry& entry) {
    MapSpriteFields f;
    for (size_t i = 0; i < kNameUnits; ++i) {
        const char16_t c = char16_t(kis::LoadLE16(entry.data + kNameOffset + 2 * i));
        if (!c) break;
        f.name.push_back(c);
    }
    f.x = ReadI32(entry.data + kSpriteX);
    f.y = ReadI32(entry.data + kSpriteY);
    f.flag = entry.data[kSpriteFlag];
    f.scale = ReadF32(entry.data + kSpriteScale);
    f.frameMs = kis::LoadLE32(entry.data + kSpriteFrameMs);
    f.mode = kis::LoadLE32(entry.data + kSpriteMode);
    return f;
}

MapSignFields ReadSignFields(const MapDecorationEntry& entry) {
    return {ReadI32(entry.data), ReadI32(entry.data + 4)};
}

MapParticleFields ReadParticleFields(const MapDecorationEntry& entry) {
    MapParticleFields f;
    f.scale = ReadF32(entry.data + kParticleScale);
    const uint32_t count =
        std::min<uint32_t>(kis::LoadLE32(entry.data + kParticleCount), kMapMaxParticleEmitters);
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* p = entry.data + kParticleTable + i * kParticleEntrySize;
        f.emitters.push_back({kis::LoadLE32(p), ReadI32(p + 4), ReadI32(p + 8)});
    }
    return f;
}

std::vector<MapAnimalGroup> ReadAnimalGroups(const MapDecorationEntry& entry) {
    const uint32_t count = std::min<uint32_t>(kis::LoadLE32(entry.data + kGroupCount), kMapMaxAnimalGroups);
    std::vector<MapAnimalGroup> groups(count);
    if (count) std::memcpy(groups.data(), entry.data + kGroupTable, count * sizeof(MapAnimalGroup));
    return groups;
}

bool ParseMapData(std::span<const uint8_t> chunk, MapData* out, std::string* why) {
    if (chunk.size() < 4) return Fail(why, "no water count");
    const uint32_t waterCount = kis::LoadLE32(chunk.data());
    const size_t fixed = MapChunkSize(0);
    if (chunk.size() < fixed || (chunk.size() - fixed) / sizeof(MapWaterEntry) < waterCount)
        return Fail(why, "the chunk is shorter than its water table, level records and emitters");
    MapData data;
    const uint8_t* p = chunk.data() + 4;
    data.water.resize(waterCount);
    for (MapWaterEntry& w : data.water) {
        w = {ReadI32(p), ReadI32(p + 4), kis::LoadLE32(p + 8)};
        p += sizeof(MapWaterEntry);
    }
    std::memcpy(data.levels.data(), p, sizeof(MapLevelRecord) * kMapLevels);
    p += sizeof(MapLevelRecord) * kMapLevels;
    std::memcpy(data.emitters.data(), p, kMapEmitterTableSize);
    for (int32_t level = 0; level < kMapLevels; ++level) {
        const MapLevelRecord& record = data.levels[size_t(level)];
        const std::string where = "level " + std::to_string(level + 1);
        if (record.count > kMapDecorationSlots) return Fail(why, where + ": more than 16 decorations");
        for (uint32_t i = 0; i < record.count; ++i)
            if (!CheckEntry(record.entries[i], why, where + " decoration " + std::to_string(i + 1)))
                return false;
    }
    *out = std::move(data);
    return true;
}

std::vector<uint8_t> SerializeMapData(const MapData& data) {
    std::vector<uint8_t> bytes(MapChunkSize(data.water.size()));
    uint8_t* p = bytes.data();
    kis::StoreLE32(p, uint32_t(data.water.size()));
    p += 4;
    for (const MapWaterEntry& w : data.water) {
        kis::StoreLE32(p, uint32_t(w.x));
        kis::StoreLE32(p + 4, uint32_t(w.y));
        kis::StoreLE32(p + 8, w.frameMs);
        p += sizeof(MapWaterEntry);
    }
    std::memcpy(p, data.levels.data(), sizeof(MapLevelRecord) * kMapLevels);
    p += sizeof(MapLevelRecord) * kMapLevels;
    std::memcpy(p, data.emitters.data(), kMapEmitterTableSize);
    return bytes;
}

MapDecorationEntry MakeSpriteEntry(uint32_t kind, uint32_t mask, const MapSpriteFields& fields) {
    MapDecorationEntry e{kind, mask, {}};
    for (size_t i = 0; i < fields.name.size() && i < kNameUnits - 1; ++i)
        kis::StoreLE16(e.data + kNameOffset + 2 * i, uint16_t(fields.name[i]));
    kis::StoreLE32(e.data + kSpriteX, uint32_t(fields.x));
    kis::StoreLE32(e.data + kSpriteY, uint32_t(fields.y));
    e.data[kSpriteFlag] = fields.flag;
    WriteF32(e.data + kSpriteScale, fields.scale);
    kis::StoreLE32(e.data + kSpriteFrameMs, fields.frameMs);
    kis::StoreLE32(e.data + kSpriteMode, fields.mode);
    return e;
}

MapDecorationEntry MakeSignEntry(uint32_t mask, int32_t x, int32_t y) {
    MapDecorationEntry e{kDecorationSign, mask, {}};
    kis::StoreLE32(e.data, uint32_t(x));
    kis::StoreLE32(e.data + 4, uint32_t(y));
    return e;
}

MapDecorationEntry MakeParticleEntry(uint32_t mask, float scale,
                                     const std::vector<MapParticleEmitter>& emitters) {
    MapDecorationEntry e{kDecorationParticles, mask, {}};
    WriteF32(e.data + kParticleScale, scale);
    const size_t count = std::min<size_t>(emitters.size(), kMapMaxParticleEmitters);
    kis::StoreLE32(e.data + kParticleCount, uint32_t(count));
    for (size_t i = 0; i < count; ++i) {
        uint8_t* p = e.data + kParticleTable + i * kParticleEntrySize;
        kis::StoreLE32(p, emitters[i].description);
        kis::StoreLE32(p + 4, uint32_t(emitters[i].x));
        kis::StoreLE32(p + 8, uint32_t(emitters[i].y));
    }
    return e;
}

MapDecorationEntry MakeAnimalEntry(uint32_t mask, const std::vector<MapAnimalGroup>& groups) {
    MapDecorationEntry e{kDecorationAnimals, mask, {}};
    const size_t count = std::min<size_t>(groups.size(), kMapMaxAnimalGroups);
    kis::StoreLE32(e.data + kGroupCount, uint32_t(count));
    if (count) std::memcpy(e.data + kGroupTable, groups.data(), count * sizeof(MapAnimalGroup));
    return e;
}
