#pragma once
// The level table ('LVLS', sub-id 1 of the data pack): 41 level slots, each a
// 1,468-byte fixed record followed by its variable arrays (information
// entries, point definitions, villain schedule, obstacle shapes, ambient
// emitters). A slot whose level is not in the chunk does not exist.
//
// Every count and index in the chunk is checked against its limit and the
// bytes left, and every value the game relies on against its range; one bad
// level refuses the whole table ("Data error!").

#include "app/BonusKind.h"
#include "pathfinding/Shapes.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

class DXLLanguage;
struct LoaderState;
namespace kis {
template <class Char> class DataFileReader;
using DataFileReaderW = DataFileReader<char16_t>;
} // namespace kis

static_assert(std::endian::native == std::endian::little, "level records are read as stored");

constexpr uint32_t kLevelTableChunk = 0x4C564C53; // 'LVLS'
constexpr uint32_t kLevelTableSubId = 1;
constexpr uint32_t kLevelCount = 41;
constexpr size_t kLevelRecordSize = 1468;

constexpr uint32_t kMaxLevelPoints = 13;
constexpr uint32_t kMaxLevelGoals = 3;
constexpr uint32_t kMaxInfoEntries = 16;
constexpr uint32_t kMaxVillainPlaces = 16;
constexpr uint32_t kMaxScheduleEntries = 256;
constexpr uint32_t kMaxObstacleShapes = 64;
constexpr uint32_t kMaxAmbientEmitters = 16;
constexpr uint32_t kMaxEnabledKinds = 16; // stock pairs, plants, building types
constexpr int32_t kMaxMoney = 99999;
constexpr int32_t kMapCellCount = 49;

enum GoalKind : uint32_t {
    kGoalMoney = 0,
    kGoalProduct = 1,
    kGoalPlant = 2,
    kGoalBuilding = 3,
    kGoalGarbageSites = 4,
};

enum PointKind : uint32_t {
    kPointEmptySite = 0,
    kPointWarehouse = 1,
    kPointPlant = 2,
    kPointBuilding = 3,
};

struct GoalRecord {
    uint32_t kind;
    uint32_t objectId; // product, plant or building type id; 0 for money and sites
    uint32_t stage;    // 1..4 for plants and buildings, else 0
    uint32_t target;
};
static_assert(sizeof(GoalRecord) == 16);

struct RegimeBlock {
    uint32_t bronzeMs, silverMs, goldMs;
    uint32_t goalCount;
    GoalRecord goals[kMaxLevelGoals];
};
static_assert(sizeof(RegimeBlock) == 64);

struct IdCount {
    uint32_t id;
    uint32_t count; // units of a product, highest stage of a plant, highest level of a type
};
static_assert(sizeof(IdCount) == 8);

struct VillainPlace {
    int32_t startX, startY;
    int32_t installX, installY;
    uint32_t direction; // 0..7
};
static_assert(sizeof(VillainPlace) == 20);

constexpr uint32_t kLevelFlagVillains = 0x1;

// The fixed record exactly as stored.
struct LevelRecord {
    char16_t label[32];
    int32_t mapCell; // -1 none
    uint32_t group;
    RegimeBlock regimes[2]; // easy, hard
    uint32_t reserved200;
    int32_t bonusId; // -1 none
    uint32_t reserved208;
    float speedRates[6]; // base rate of speed track t
    char16_t fieldPicture[32];
    char16_t music[32]; // empty: the music_01..music_03 rotation
    uint32_t stockCount;
    IdCount stock[kMaxEnabledKinds];
    uint32_t plantCount;
    IdCount plants[kMaxEnabledKinds];
    uint32_t typeCount;
    IdCount types[kMaxEnabledKinds];
    char16_t treeSiteSprite[32];
    int32_t farmerX, farmerY;
    uint32_t fieldWidth, fieldHeight;
    uint32_t shapeCount;
    uint32_t emitterCount;
    int32_t startMoney;
    uint8_t reserved852[28];
    float bonusFactors[kBonusSlotCount]; // scales each bonus slot's first recharge
    uint8_t reserved904[64];
    uint32_t infoCount;
    uint8_t reserved972[72];
    uint32_t bedSet;
    uint8_t reserved1048[76];
    uint32_t pointCount;
    uint32_t placeCount;
    VillainPlace places[kMaxVillainPlaces];
    uint32_t scheduleCount;
    uint32_t loopStart;
    uint32_t loopLength; // 0: once; else go on from loopStart after the last entry
    uint32_t flags;
};
static_assert(sizeof(LevelRecord) == kLevelRecordSize);
static_assert(offsetof(LevelRecord, regimes) == 72 && offsetof(LevelRecord, bonusId) == 204);
static_assert(offsetof(LevelRecord, speedRates) == 212 && offsetof(LevelRecord, stockCount) == 364);
static_assert(offsetof(LevelRecord, typeCount) == 628 && offsetof(LevelRecord, farmerX) == 824);
static_assert(offsetof(LevelRecord, startMoney) == 848 && offsetof(LevelRecord, bonusFactors) == 880);
static_assert(offsetof(LevelRecord, infoCount) == 968 && offsetof(LevelRecord, bedSet) == 1044);
static_assert(offsetof(LevelRecord, pointCount) == 1124 && offsetof(LevelRecord, places) == 1132);
static_assert(offsetof(LevelRecord, scheduleCount) == 1452 && offsetof(LevelRecord, flags) == 1464);

struct InfoEntry {
    uint32_t rowKind;    // 0 picture, 1 line, 2 separator 16 px, 3 separator 4 px
    uint32_t objectKind; // 0 own text, 1 plant, 2 building, 3 bonus
    char16_t name[32];
    char16_t bodyKey[32];
    char16_t icon[32];
    char16_t picture[32];
    int32_t pictureDx, pictureDy;
    int32_t spaceAbove, spaceBelow;
};
static_assert(sizeof(InfoEntry) == 280);

// PointRecord::flags: the point's pictures are mirrored.
constexpr uint32_t kPointFlagMirrored = 0x1;

// A point definition, and the same record filled from a live point.
struct PointRecord {
    uint32_t kind;
    int32_t stage;
    uint32_t objectId; // garbage sprite name id (0 clean), type id or plant id
    uint32_t value;    // kPointEmptySite: i32 clearing price; kPointPlant: f32 ripeness 0..100
    uint32_t water;
    uint32_t waterMax;
    int32_t x, y;
    uint32_t flags; // kPointFlagMirrored

    int32_t Price() const { return static_cast<int32_t>(value); }
    float Ripeness() const { return std::bit_cast<float>(value); }
};
static_assert(sizeof(PointRecord) == 36);

struct ScheduleEntry {
    int32_t place; // -1: a random free place
    uint32_t villainKind;
    uint32_t delayMs;
};
static_assert(sizeof(ScheduleEntry) == 12);

struct AmbientEmitter {
    uint32_t particleId;
    int32_t x, y;
    float angle;
};
static_assert(sizeof(AmbientEmitter) == 16);

// One level of the table with its arrays.
struct Level {
    bool exists = false;
    LevelRecord record{};
    std::vector<InfoEntry> info;
    std::vector<PointRecord> points;
    std::vector<ScheduleEntry> schedule;
    std::vector<shpf::_SHAPE> shapes;
    std::vector<AmbientEmitter> emitters;

    const RegimeBlock& Regime(uint32_t regime) const { return record.regimes[regime ? 1 : 0]; }
    bool VillainsEnabled() const { return (record.flags & kLevelFlagVillains) != 0; }
};

// What the level table asks of the other game-data tables ('PROD', 'PLNT',
// 'BLDN', 'VLNS', the level map sprites), which load before it. Without one
// the table checks its own bytes only.
class LevelTableCatalog {
  public:
    virtual ~LevelTableCatalog() = default;
    virtual bool HasProduct(uint32_t id) const = 0;
    virtual bool HasPlant(uint32_t id) const = 0;
    // The levels of a building type; 0 when no type has the id.
    virtual uint32_t BuildingLevelCount(uint32_t typeId) const = 0;
    virtual bool HasVillainKind(uint32_t id) const = 0;
    virtual uint32_t PlantBedSetCount() const = 0;
    virtual bool HasMapSprite(const char16_t* name) const = 0;
};

class LevelTable {
  public:
    // Reads the chunk's bytes. On any fault the table is left as it was and
    // why (when given) names the first fault found.
    bool Parse(std::span<const uint8_t> chunk, const LevelTableCatalog* catalog, std::string* why = nullptr);
    // Writes the table as the chunk stores it (content tools, tests).
    std::vector<uint8_t> Serialize() const;

    // Null for an index out of range or a level that does not exist.
    const Level* Get(uint32_t index) const;
    Level& Slot(uint32_t index) { return levels_[index]; }
    // The level index standing on a map cell, -1 when none.
    int32_t LevelAtCell(int32_t cell) const;
    void Clear();

  private:
    // On the heap: the table is some 64 KB, too large for a frame where a
    // table is made or cleared.
    std::vector<Level> levels_ = std::vector<Level>(kLevelCount);
};

// The table of the run, held from game-data loading to shut-down; null while
// none is set. The owner sets it and clears it before the table goes.
LevelTable* GameLevelTable();
void SetGameLevelTable(LevelTable* table);
// The game-data stage loader of 'LVLS' (registered after the farm's tables).
// Reads and checks the whole chunk in one call; a fault sets the state's
// error flag, which the shell turns into "Data error!", as does a missing table.
int32_t LoadLevelTable(kis::DataFileReaderW* reader, LoaderState* state);
// The catalog LoadLevelTable checks against (null: own bytes only). The
// caller keeps it alive while loading.
void SetLevelTableCatalog(const LevelTableCatalog* catalog);

// The text of key "name" of group "levels", a space and the level number
// counted from 1 ("?NF?" stands for a missing text).
std::u16string GetLevelTitle(const DXLLanguage& language, uint32_t levelIndex);
