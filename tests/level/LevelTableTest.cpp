#include "level/LevelTable.h"

#include "LevelTestSupport.h"
#include "platform/Random.h"
#include "tests/support/Damage.h"

#include <functional>
#include <gtest/gtest.h>

using leveltest::MakeLevel;

namespace {

std::vector<uint8_t> TableBytes(const std::vector<std::pair<uint32_t, Level>>& levels) {
    LevelTable table;
    for (const auto& [index, level] : levels)
        table.Slot(index) = level;
    return table.Serialize();
}

struct Catalog : LevelTableCatalog {
    bool HasProduct(uint32_t id) const override { return id == 0x99; }
    bool HasPlant(uint32_t id) const override { return id == 0x77; }
    uint32_t BuildingLevelCount(uint32_t id) const override {
        return id == kis::NameId("warehouse") ? 4 : id == leveltest::kMill ? 2 : 0;
    }
    bool HasVillainKind(uint32_t id) const override { return id == leveltest::kVillainKind; }
    uint32_t PlantBedSetCount() const override { return 2; }
    bool HasMapSprite(const char16_t* name) const override { return name == std::u16string(u"field_31"); }
};

} // namespace

// A written table reads back to the same bytes; absent levels do not exist;
// map cells find their levels.
TEST(LevelTable, ReadsBackWhatWasWritten) {
    Level second = MakeLevel();
    second.record.mapCell = -1;
    second.info.resize(1);
    second.record.infoCount = 1;
    second.shapes = {shpf::MakeCircleShape(10, 20, 5)};
    second.record.shapeCount = 1;
    second.emitters = {{1, 2, 3, 0.5f}};
    second.record.emitterCount = 1;
    const std::vector<uint8_t> bytes = TableBytes({{30, MakeLevel()}, {40, second}});
    EXPECT_EQ(bytes.size(), 4 + 2 * (4 + 1468 + 4 * 36 + 3 * 12) + 280 + 32 + 16);

    LevelTable table;
    std::string why;
    Catalog catalog;
    ASSERT_TRUE(table.Parse(bytes, &catalog, &why)) << why;
    EXPECT_EQ(table.Serialize(), bytes);
    EXPECT_EQ(table.Get(29), nullptr);
    EXPECT_EQ(table.Get(41), nullptr);
    ASSERT_NE(table.Get(40), nullptr);
    EXPECT_EQ(table.Get(40)->shapes[0].kind, shpf::kShapeCircle);
    EXPECT_EQ(table.LevelAtCell(3), 30);
    EXPECT_EQ(table.LevelAtCell(-1), -1);
}

// Each rule of the table refuses a level that breaks it, and a refused table
// leaves the one loaded before in place.
TEST(LevelTable, RefusesEveryBrokenRule) {
    using Edit = std::function<void(Level&)>;
    const std::pair<const char*, Edit> cases[] = {
        {"13 points at most", [](Level& l) { l.points.resize(14, l.points[3]), l.record.pointCount = 14; }},
        {"no points", [](Level& l) { l.points.clear(), l.record.pointCount = 0; }},
        {"3 goals at most", [](Level& l) { l.record.regimes[1].goalCount = 4; }},
        {"goal kind", [](Level& l) { l.record.regimes[0].goals[0].kind = 5; }},
        {"goal target", [](Level& l) { l.record.regimes[0].goals[0].target = 0; }},
        {"more sites to clear than heaps", [](Level& l) { l.record.regimes[0].goals[1].target = 3; }},
        {"fewer sites to clear than heaps", [](Level& l) { l.record.regimes[0].goals[1].target = 1; }},
        {"medal order", [](Level& l) { l.record.regimes[1].silverMs = l.record.regimes[1].goldMs; }},
        {"map cell", [](Level& l) { l.record.mapCell = 49; }},
        {"group", [](Level& l) { l.record.group = 41; }},
        {"bonus", [](Level& l) { l.record.bonusId = 6; }},
        {"speed rate", [](Level& l) { l.record.speedRates[2] = 0.0f; }},
        {"bonus factor", [](Level& l) { l.record.bonusFactors[5] = -1.0f; }},
        {"bonus factor above the whole recharge", [](Level& l) { l.record.bonusFactors[2] = 1.5f; }},
        {"stock pairs", [](Level& l) { l.record.stockCount = 17; }},
        {"stock units", [](Level& l) { l.record.stock[0].count = 0; }},
        {"no warehouse type", [](Level& l) { l.record.types[0].id = 5; }},
        {"field size", [](Level& l) { l.record.fieldHeight = 0; }},
        {"money", [](Level& l) { l.record.startMoney = 100000; }},
        {"places", [](Level& l) { l.record.placeCount = 17; }},
        {"direction", [](Level& l) { l.record.places[1].direction = 8; }},
        {"schedule place", [](Level& l) { l.schedule[2].place = 2; }},
        {"schedule place below -1", [](Level& l) { l.schedule[2].place = -2; }},
        {"loop start", [](Level& l) { l.record.loopStart = 3; }},
        {"loop of no time", [](Level& l) { l.schedule[1].delayMs = l.schedule[2].delayMs = 0; }},
        {"villains without schedule",
         [](Level& l) { l.schedule.clear(), l.record.scheduleCount = 0, l.record.loopLength = 0; }},
        {"villains without places",
         [](Level& l) {
             l.record.placeCount = 0, l.schedule = {{-1, leveltest::kVillainKind, 5}},
             l.record.scheduleCount = 1;
             l.record.loopStart = 0;
         }},
        {"shapes", [](Level& l) { l.record.shapeCount = 65; }},
        {"shape kind",
         [](Level& l) {
             l.shapes = {{5, {}}}, l.record.shapeCount = 1;
         }},
        {"emitters", [](Level& l) { l.record.emitterCount = 17; }},
        {"info entries", [](Level& l) { l.record.infoCount = 17; }},
        {"info kind", [](Level& l) { l.info.resize(1), l.info[0].rowKind = 4, l.record.infoCount = 1; }},
        {"unterminated name",
         [](Level& l) { std::fill(std::begin(l.record.music), std::end(l.record.music), u'a'); }},
        {"point 0 not the warehouse", [](Level& l) { std::swap(l.points[0], l.points[1]); }},
        {"second warehouse", [](Level& l) { l.points[3].kind = kPointWarehouse; }},
        {"warehouse type on a building point",
         [](Level& l) { l.points[3].objectId = kis::NameId("warehouse"); }},
        {"point kind", [](Level& l) { l.points[3].kind = 4; }},
        {"building not enabled", [](Level& l) { l.points[3].objectId = 0x5555; }},
        {"building stage", [](Level& l) { l.points[3].stage = 3; }},
        {"site with a stage", [](Level& l) { l.points[1].stage = 1; }},
        {"site price", [](Level& l) { l.points[1].value = 0xFFFFFFFF; }},
        {"catalog: product", [](Level& l) { l.record.stock[0].id = 0x98; }},
        {"catalog: villain kind", [](Level& l) { l.schedule[0].villainKind = 1; }},
        {"catalog: building levels", [](Level& l) { l.record.types[1].count = 3; }},
        {"catalog: bed set", [](Level& l) { l.record.bedSet = 2; }},
        {"catalog: field picture", [](Level& l) { leveltest::SetName(l.record.fieldPicture, u"none"); }},
    };
    Catalog catalog;
    LevelTable table;
    const std::vector<uint8_t> good = TableBytes({{30, MakeLevel()}});
    ASSERT_TRUE(table.Parse(good, &catalog));
    for (const auto& [name, edit] : cases) {
        Level level = MakeLevel();
        edit(level);
        std::string why;
        EXPECT_FALSE(table.Parse(TableBytes({{30, level}}), &catalog, &why)) << name;
        EXPECT_FALSE(why.empty()) << name;
        EXPECT_EQ(table.Serialize(), good) << name << ": the old table stays";
    }

    // The chunk's own frame.
    std::vector<uint8_t> bytes = good;
    bytes[0] = 0;
    EXPECT_FALSE(table.Parse(bytes, nullptr));
    bytes = good;
    bytes[4] = 41;
    EXPECT_FALSE(table.Parse(bytes, nullptr)) << "index 41";
    bytes = good;
    bytes.push_back(0);
    EXPECT_FALSE(table.Parse(bytes, nullptr)) << "bytes after the last level";
    EXPECT_FALSE(table.Parse(std::span(good).first(good.size() - 1), nullptr)) << "cut short";
    Level other = MakeLevel();
    other.record.mapCell = 4;
    EXPECT_FALSE(table.Parse(TableBytes({{30, MakeLevel()}, {31, MakeLevel()}}), nullptr))
        << "one map cell twice";
    EXPECT_TRUE(table.Parse(TableBytes({{30, MakeLevel()}, {31, other}}), nullptr));
}

// Random damage to a table is refused or gives levels within every limit
// that read back as they were read.
TEST(LevelTable, RandomDamageNeverGivesLevelsBeyondTheirLimits) {
    Level second = MakeLevel();
    second.record.mapCell = 10;
    const std::vector<uint8_t> good = TableBytes({{30, MakeLevel()}, {12, second}});
    const std::string goodText(good.begin(), good.end());
    platform::SeedRand(2026);
    int accepted = 0;
    testsupport::ForRounds(3000, 20000, [&](int round) {
        const std::string damaged = testsupport::Damage(goodText, round);
        const std::vector<uint8_t> bytes(damaged.begin(), damaged.end());
        LevelTable table;
        if (!table.Parse(bytes, nullptr)) return;
        ++accepted;
        EXPECT_EQ(table.Serialize(), bytes);
        for (uint32_t i = 0; i < kLevelCount; ++i) {
            const Level* level = table.Get(i);
            if (!level) continue;
            EXPECT_LE(level->points.size(), kMaxLevelPoints);
            EXPECT_LE(level->record.regimes[0].goalCount, kMaxLevelGoals);
            EXPECT_LE(level->record.regimes[1].goalCount, kMaxLevelGoals);
            EXPECT_LE(level->schedule.size(), kMaxScheduleEntries);
            for (const ScheduleEntry& e : level->schedule)
                EXPECT_LT(e.place, int32_t(level->record.placeCount));
            EXPECT_LE(level->record.placeCount, kMaxVillainPlaces);
        }
    });
    EXPECT_GT(accepted, 0) << "some damage (a flipped label bit) is harmless";
}
