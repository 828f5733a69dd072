#pragma once
// The building types ('BLDN'): the warehouse, the factories and the animal
// houses, each with its own settings and one record per building level (at
// most four). A level enables the types it offers up to a highest level,
// which marks their products used and acquires their graphics and sounds.

#include "engine/LoaderState.h"
#include "farm/FarmRecords.h"
#include "farm/FarmResources.h"
#include "foundation/DataFile.h"
#include "level/Economy.h"

#include <cstdint>
#include <memory>
#include <vector>

struct PRODUCT;
class ProductList;

// One level of a type: the record as read, then its resolved sprites.
struct BuildingLevel {
    BuildingLevelRecord record;
    Sprite* mapSprite = nullptr;
    Sprite* extraSprites[kMaxExtraMapSprites] = {};
    Sprite* icon = nullptr;
    Sprite* secondIcon = nullptr;
    Sprite* overlay = nullptr;                               // animal house
    Sprite* animationSprites[kMaxProductionAnimations] = {}; // factory
};

struct BUILDING {
    BuildingHeader header;
    BuildingLevel levels[kMaxBuildingLevels]; // the first header.levelCount are read
    uint32_t acquireCount = 0;
    bool usable = false;      // offered in the current level
    int32_t highestLevel = 0; // allowed in the current level
    Sprite* siteSprite = nullptr;
    GameCharacter* animal = nullptr; // animal house
    uint32_t workingSound = 0;       // factory or animal house; 0 until loaded
    Sprite* panelIcon = nullptr;
    Sprite* feedIcon = nullptr;
    PRODUCT* feedProduct = nullptr;
    PRODUCT* produceProduct = nullptr;
    Sprite* nestSprite = nullptr; // the henhouse's "henhouse_nest"

    bool IsFactory() const { return header.kind == kBuildingFactory; }
    bool IsAnimalHouse() const { return header.kind == kBuildingAnimalHouse; }
    // The factory's products (count and ids).
    int32_t FactoryProductCount() const { return IsFactory() ? int32_t(header.characterOrProductCount) : 0; }
};

// Why a type is refused at load; nullptr when it is sound. The header is
// checked before its levels are read, each level after.
const char* CheckBuildingHeader(const BuildingHeader& header);
const char* CheckBuildingLevel(const BuildingHeader& header, const BuildingLevelRecord& level);

// The mirror rule of a building point: byte A = 0 fixes the answer to byte
// B; otherwise B non-zero turns the request round and B = 0 takes it.
bool ResolveBuildingMirror(const BuildingHeader& header, bool requested);

class BuildingList {
  public:
    // The resources and the products outlive the list.
    BuildingList(FarmResources* resources, ProductList* products)
        : resources_(resources), products_(products) {}

    // The chunk loader; a chunk without a "warehouse" type is refused.
    int32_t Load(kis::DataFileReaderW* reader, LoaderState* state);

    BUILDING* FindBuildingType(uint32_t id) const;
    BUILDING* FindBuildingByName(const char16_t* name) const;
    int32_t Count() const { return int32_t(types_.size()); }
    BUILDING* Get(int32_t i) const { return types_[size_t(i)].get(); }

    void EnableBuilding(BUILDING* type, int32_t highestLevel);
    void Acquire(BUILDING* type);
    // Whether the level's build menu may offer the type; a factory none of
    // whose products is available loses its usable flag.
    bool IsBuildingTypeAvailable(BUILDING* type) const;
    // Clears every type's usable flag (the level load, before enabling).
    void ResetUsedFlags();
    // Capacity of one product at a warehouse level, the level clamped to
    // the warehouse type's levels; 0 for a null product, never below 0.
    int32_t GetWarehouseCapacity(const PRODUCT* product, int32_t level) const;
    // The capacities as a level's stock asks for them (the list outlives the stock).
    ProductStock::CapacityFunction WarehouseCapacities() const;

    // Adds a type as the loader would, resolving its sprites and records;
    // the header and levels must have passed the checks above.
    BUILDING* Add(const BuildingHeader& header, const BuildingLevelRecord* levels);

  private:
    FarmResources* resources_; // not owned
    ProductList* products_;    // not owned
    std::vector<std::unique_ptr<BUILDING>> types_;
    mutable const BUILDING* warehouse_ = nullptr; // looked up once
};
