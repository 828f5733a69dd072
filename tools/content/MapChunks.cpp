#include "tools/content/MapChunks.h"

#include "foundation/DataPackIds.h"
#include "foundation/Ident.h"
#include "frontend/MapData.h"
#include "frontend/MapGeometry.h"
#include "level/LevelTable.h"
#include "tools/content/NameFields.h"

#include <algorithm>
#include <string>

namespace {

// Level i stands on cell i; five levels to a group; times shorten a little
// level by level.
Level TemplateLevel(int32_t index) {
    Level level;
    level.exists = true;
    LevelRecord& r = level.record;
    CopyName(r.label, u"level " + std::u16string(1, char16_t(u'0' + index % 10)));
    r.mapCell = index;
    r.group = uint32_t(index / 5);
    for (RegimeBlock& regime : r.regimes) {
        regime.goldMs = 90000 + uint32_t(index) * 2000;
        regime.silverMs = regime.goldMs + 60000;
        regime.bronzeMs = regime.silverMs + 60000;
        regime.goalCount = 1;
        regime.goals[0] = {kGoalMoney, 0, 0, 300 + uint32_t(index) * 20};
    }
    r.bonusId = -1;
    std::fill(std::begin(r.speedRates), std::end(r.speedRates), 1.0f);
    std::fill(std::begin(r.bonusFactors), std::end(r.bonusFactors), 1.0f);
    CopyName(r.fieldPicture, u"field_31");
    r.typeCount = 1;
    r.types[0] = {kis::NameId("warehouse"), 1};
    r.fieldWidth = 1024;
    r.fieldHeight = 688;
    r.farmerX = 500;
    r.farmerY = 400;
    r.startMoney = 100;
    PointRecord warehouse{};
    warehouse.kind = kPointWarehouse;
    warehouse.stage = 1;
    warehouse.objectId = kis::NameId("warehouse");
    warehouse.x = 160;
    warehouse.y = 160;
    level.points = {warehouse};
    r.pointCount = 1;
    return level;
}

MapAnimalGroup Chickens(uint32_t count, shpf::_SHAPE area) {
    MapAnimalGroup group{};
    group.id = 2;
    group.a = int32_t(count);
    group.b = 1;
    group.shapes[0] = area;
    return group;
}

MapAnimalGroup Standing(uint32_t id, int32_t x, int32_t y, int32_t variant) {
    MapAnimalGroup group{};
    group.id = id;
    group.a = x;
    group.b = y;
    group.shapes[0].kind = uint32_t(variant); // word 3: the standing variant
    return group;
}

// A level's look: a farmhouse boarded up while locked and in the attack
// scene, open once it comes up; the signpost with its number; a ripe field
// once passed; on some levels chimney smoke, a pen of chickens, a cow or a
// sheep.
MapLevelRecord LevelLook(int32_t index) {
    MapLevelRecord record{};
    const MapPoint c = CellPosition(index);
    std::vector<MapDecorationEntry> entries;
    entries.push_back(MakeSpriteEntry(kDecorationSprite, kLookLocked | kLookAttack,
                                      {u"map_house_locked", c.x - 30, c.y - 44, 0, 1.0f, 0, 0}));
    entries.push_back(MakeSpriteEntry(kDecorationSprite, kLookUpcoming | kLookOpen | kLookPassed,
                                      {u"map_house", c.x - 30, c.y - 44, 0, 1.0f, 0, 0}));
    entries.push_back(MakeSignEntry(kLookUpcoming | kLookOpen | kLookPassed, c.x + 50, c.y + 40));
    const uint32_t smoke = kis::NameId("map_smoke");
    if (index % 3 == 0)
        entries.push_back(MakeParticleEntry(kLookOpen | kLookPassed, 1.0f, {{smoke, c.x + 16, c.y - 38}}));
    if (index % 4 == 1) {
        // The pen (64 x 44 about its centre, its fence 3 px in) keeps left of
        // the signpost's board (from c.x + 28) and right of the medal's number
        // plate (to c.x - 38). The chickens' area keeps its size: the map's
        // random walks draw the same numbers wherever it stands.
        entries.push_back(MakeSpriteEntry(kDecorationSpot, kLookOpen | kLookPassed,
                                          {u"map_pen", c.x - 5, c.y + 28, 0, 1.0f, 0, 0}));
        entries.push_back(
            MakeAnimalEntry(kLookOpen | kLookPassed,
                            {Chickens(3, shpf::MakeRectangleShape(c.x - 35, c.y + 14, c.x + 25, c.y + 46))}));
    } else if (index % 4 == 3) {
        entries.push_back(
            MakeAnimalEntry(kLookPassed, {Standing(index % 8 == 3 ? 3 : 5, c.x + 8, c.y + 40, 1)}));
    } else {
        entries.push_back(MakeSpriteEntry(kDecorationSprite, kLookPassed,
                                          {u"map_field", c.x - 22, c.y + 8, 0, 1.0f, 0, 0}));
    }
    record.count = uint32_t(entries.size());
    std::copy(entries.begin(), entries.end(), record.entries);
    return record;
}

} // namespace

std::vector<uint8_t> SampleLevelTableChunk() {
    LevelTable table;
    for (uint32_t i = 0; i < kLevelCount; ++i)
        table.Slot(i) = TemplateLevel(int32_t(i));
    return table.Serialize();
}

std::vector<uint8_t> SampleMapChunk() {
    MapData data;
    data.water = {{250, 318, 260}, {866, 128, 320}};
    for (int32_t i = 0; i < kMapLevels; ++i)
        data.levels[size_t(i)] = LevelLook(i);
    const uint32_t smoke = kis::NameId("map_smoke");
    // Chimneys hidden among the copses at the map's sides, clear of the overlay's corners.
    data.emitters[0] = {smoke, 52, 212, 0.0f};
    data.emitters[1] = {smoke, 994, 464, 30.0f};
    return SerializeMapData(data);
}

bool WriteMapChunks(kis::BaseDataFile& writer) {
    const std::vector<uint8_t> map = SampleMapChunk();
    return writer.BeginChunk(kMapChunkId, kMapChunkSubId) && writer.Write(map.data(), uint32_t(map.size())) &&
           writer.EndChunk();
}
