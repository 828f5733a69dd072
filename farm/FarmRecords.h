#pragma once
// The records of the game-data chunks 'PROD', 'PLNT', 'BLDN' and 'VLNS' as
// they lie in the pack: little-endian, no padding, every size fixed. Each is
// read whole by ReadRecord (farm/RecordReader.h); what the game resolves from
// them (sprites, sounds, other records) lives beside them in the objects of
// Products.h, Plants.h, Buildings.h and Villains.h, never in these fields.
// A name is 32 UTF-16 units, at most 31 characters and a terminating zero.

#include <cstddef>
#include <cstdint>

using NameField = char16_t[32];

// ---------------------------------------------------------------- 'PROD'

struct IngredientPair {
    uint32_t id;   // product id
    int32_t units; // units of it per unit made
};
static_assert(sizeof(IngredientPair) == 8);

constexpr int32_t kMaxIngredients = 4;

struct ProductRecord {
    NameField name;           // matched against the award table's names
    NameField iconName;       // interface sprite
    NameField secondIconName; // small icon on price buttons
    NameField mapSpriteName;  // map sprite of product objects
    uint32_t id;              // name id
    uint32_t number;          // the warehouse-full message id is 0x4001000 + this
    int32_t price;            // paid per unit the warehouse cannot take
    int32_t awardIndex;       // -1: find by name when first acquired
    int32_t ingredientCount;  // recomputed after loading
    IngredientPair ingredients[kMaxIngredients];
    int32_t productionTime; // ms a factory takes for one unit
};
static_assert(sizeof(ProductRecord) == 312);
static_assert(offsetof(ProductRecord, id) == 256 && offsetof(ProductRecord, ingredients) == 276);

// ---------------------------------------------------------------- 'BLDN'

constexpr int32_t kMaxBuildingLevels = 4;
constexpr int32_t kMaxFactoryProducts = 5;
constexpr int32_t kMaxExtraMapSprites = 2;
constexpr int32_t kMaxProductionAnimations = 4;
constexpr int32_t kMaxCycleFrames = 32;
constexpr int32_t kMaxBuildingEmitters = 16;
constexpr int32_t kMaxAnimalSpots = 4;

enum BuildingKind : int32_t { kBuildingPlain = 0, kBuildingAnimalHouse = 1, kBuildingFactory = 2 };

struct BuildingFactoryPart { // header bytes 176..503 of a factory
    uint32_t productIds[kMaxFactoryProducts];
    int32_t buttonOffset[2];
    int32_t slotOffset[2];
    NameField workingSound;
    uint8_t unused[504 - 276];
};
static_assert(sizeof(BuildingFactoryPart) == 328);

struct BuildingAnimalPart { // header bytes 176..503 of an animal house
    NameField panelIconName;
    NameField feedIconName;
    NameField feedAnimation;
    uint32_t feedAnimationMs;
    uint32_t stepAside; // non-zero: the player steps aside after feeding
    int32_t animalStart[kMaxAnimalSpots][2];
    uint32_t feedProductId;
    uint32_t produceProductId;
    uint32_t productionTime; // ms of one production cycle; a gauge's denominator
    uint32_t reserved;
    uint32_t eatingTime; // ms of the henhouse's eating phase
    uint32_t workTime;   // ms of the farmer's collecting animation
    int32_t secondPosition[2];
    NameField workingSound;
};
static_assert(sizeof(BuildingAnimalPart) == 328);

struct BuildingHeader {
    NameField label; // for the tools only
    int32_t kind;    // BuildingKind; any other value is a plain building
    uint32_t id;
    NameField siteSpriteName;
    int32_t anchor[2];
    int32_t workSpot[2];
    int32_t starsOffset[2];
    float scale;
    uint8_t mirrorA;
    uint8_t mirrorB;
    uint8_t reserved0[2];
    int32_t levelCount;
    // Animal house: id of the animals' character description; factory: the
    // number of products it makes.
    uint32_t characterOrProductCount;
    union {
        BuildingFactoryPart factory;
        BuildingAnimalPart animal;
    };
};
static_assert(sizeof(BuildingHeader) == 504);
static_assert(offsetof(BuildingHeader, levelCount) == 168 && offsetof(BuildingHeader, factory) == 176);
static_assert(offsetof(BuildingHeader, animal) + offsetof(BuildingAnimalPart, productionTime) == 416);
static_assert(offsetof(BuildingHeader, factory) + offsetof(BuildingFactoryPart, workingSound) == 212);

struct ProductionAnimation {
    NameField spriteName;
    int32_t x, y;
    uint32_t frameTime;    // ms per frame
    int32_t framesInCycle; // negative: the sprite's frame count (at most 32) once acquired
    uint32_t frames[kMaxCycleFrames];
};
static_assert(sizeof(ProductionAnimation) == 208);

struct BuildingAnimalLevelPart { // level bytes 344..1175 of an animal house
    uint32_t feedUnits;
    NameField overlaySpriteName;
    int32_t overlayOffset[2];
    int32_t feedSpot[2];
    uint32_t feedDirection[2]; // unmirrored, mirrored
    uint32_t animalAnimation[kMaxAnimalSpots][2];
    int32_t animalSpots[kMaxAnimalSpots][2];
    uint8_t unused[1176 - 500];
};
static_assert(sizeof(BuildingAnimalLevelPart) == 832);

struct BuildingEmitter {
    uint32_t effectId;
    int32_t x, y;
};
static_assert(sizeof(BuildingEmitter) == 12);

struct BuildingLevelRecord {
    NameField mapSpriteName;
    NameField iconName;
    NameField secondIconName;
    uint32_t buildTime; // ms of the "girl_build" animation
    int32_t price;
    uint32_t reserved[2];
    int32_t extraCount;
    NameField extraSpriteNames[kMaxExtraMapSprites];
    // Warehouse: capacity of every product; factory: production animations.
    int32_t capacityOrAnimationCount;
    union {
        ProductionAnimation animations[kMaxProductionAnimations];
        BuildingAnimalLevelPart animal;
    };
    int32_t emitterCount;
    BuildingEmitter emitters[kMaxBuildingEmitters];
};
static_assert(sizeof(BuildingLevelRecord) == 1372);
static_assert(offsetof(BuildingLevelRecord, extraCount) == 208 &&
              offsetof(BuildingLevelRecord, capacityOrAnimationCount) == 340 &&
              offsetof(BuildingLevelRecord, emitterCount) == 1176);
static_assert(offsetof(BuildingLevelRecord, animal) + offsetof(BuildingAnimalLevelPart, animalSpots) == 468);

// ---------------------------------------------------------------- 'PLNT'

constexpr int32_t kPlantStages = 4;
constexpr int32_t kMaxStageSprites = 4;
constexpr int32_t kMaxFruits = 24;
constexpr int32_t kPlantKindTree = 2;

struct PlantStageEntry {
    int32_t spriteCount; // plant sprites on a bed at this stage (0..4)
    int32_t spriteOffsets[kMaxStageSprites][2];
    int32_t buttonOffset[2];
    int32_t workSpot[2];
    int32_t secondPosition[2];
    int32_t starsOffset[2];
};
static_assert(sizeof(PlantStageEntry) == 68);

struct PlantSettings {
    PlantStageEntry stages[kPlantStages]; // entry s - 1 serves stage s (stage 0 uses entry 0)
    uint32_t reserved0;
    uint32_t waterBedMs;
    uint32_t reserved1;
    uint32_t waterTreeMs;
    uint32_t harvestMs;
    uint32_t reserved2;
};
static_assert(sizeof(PlantSettings) == 296);

struct GameBedsRecord {
    uint32_t reserved;
    NameField spriteNames[4]; // entry k serves stage k + 1; the empty bed uses entry 0
};
static_assert(sizeof(GameBedsRecord) == 260);

struct FruitPlace {
    int32_t x, y;
    uint32_t variant;
};
static_assert(sizeof(FruitPlace) == 12);

struct PlantRecord {
    NameField label;
    NameField iconName;
    NameField secondIconName;
    NameField mapSpriteName; // a tree's crown
    int32_t kind;            // 2 tree, anything else a crop on a bed
    uint32_t id;
    int32_t stagePrices[kPlantStages]; // from stage s to s + 1
    uint32_t digTimes[kPlantStages];   // ms of "girl_dig" from stage s to s + 1
    uint32_t productId;
    uint32_t growthPerCrop; // ms of growth
    int32_t fewestHarvests; // between two waterings
    int32_t mostHarvests;
    NameField harvestAnimation;
    // Crop: the first byte selects the plant sprites' effect (1 grow and
    // shrink, 2 fade); tree: the trunk's map sprite.
    NameField trunkOrEffect;
    int32_t treeButtonOffset[2];
    NameField fruitSpriteName;
    int32_t fruitCounts[kPlantStages]; // at stage 1..4
    FruitPlace fruitPlaces[kMaxFruits];
    float fruitScale[2];
    float fruitRandom[2];
    int32_t treeWorkSpot[2];
    int32_t treeSecondPosition[2];
    int32_t treeStarsOffset[2];
};
static_assert(sizeof(PlantRecord) == 856);
static_assert(offsetof(PlantRecord, productId) == 296 && offsetof(PlantRecord, fruitCounts) == 512 &&
              offsetof(PlantRecord, fruitScale) == 816);

// ---------------------------------------------------------------- 'VLNS'

struct VillainInfoRecord {
    NameField label;
    uint32_t id;
    uint32_t animationId; // the villain's look in its character description
    uint32_t firstShotWait;
    uint32_t shotInterval;
    int32_t shots; // at least 1 is used
    int32_t health;
    int32_t damage;
    uint32_t reserved;
    int32_t driveOffMoney;
    int32_t shotClickMoney;
    NameField soundName;
    float maxShotSpeed; // pixels per 10 ms tick
    uint32_t flightTime;
};
static_assert(sizeof(VillainInfoRecord) == 176);
static_assert(offsetof(VillainInfoRecord, soundName) == 104 &&
              offsetof(VillainInfoRecord, maxShotSpeed) == 168);

// ---------------------------------------------------------------- chunk ids

constexpr uint32_t kProductChunkId = 0x50524F44;  // 'PROD'
constexpr uint32_t kPlantChunkId = 0x504C4E54;    // 'PLNT'
constexpr uint32_t kBuildingChunkId = 0x424C444E; // 'BLDN'
constexpr uint32_t kVillainChunkId = 0x564C4E53;  // 'VLNS'
constexpr uint32_t kFarmChunkSubId = 1;
constexpr uint32_t kVillainChunkSubId = 256;
