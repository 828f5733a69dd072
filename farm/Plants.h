#pragma once
// The plant data ('PLNT'): the settings every plant bed shares, the sets of
// bed sprites a level chooses from, and one record per plant kind (crops on
// beds and trees). A level enables its plants up to a highest stage, which
// marks their products used and acquires their graphics.

#include "engine/LoaderState.h"
#include "farm/FarmRecords.h"
#include "farm/FarmResources.h"
#include "foundation/DataFile.h"

#include <cstdint>
#include <memory>
#include <vector>

struct PRODUCT;
class ProductList;

struct GAMEBEDS {
    GameBedsRecord record;
    Sprite* sprites[4] = {}; // resolved when a level chooses the set
};

struct PLANT {
    PlantRecord record;
    uint32_t acquireCount = 0;
    bool usable = false;
    int32_t highestStage = 0;
    Sprite* icon = nullptr;
    Sprite* secondIcon = nullptr;
    PRODUCT* product = nullptr;
    Sprite* mapSprite = nullptr;
    Sprite* trunkSprite = nullptr; // tree
    Sprite* fruitSprite = nullptr; // tree

    bool IsTree() const { return record.kind == kPlantKindTree; }
};

// How a crop's plant sprites appear and vanish (the first byte at 376).
enum class PlantSpriteEffect { None, GrowAndShrink, Fade };
PlantSpriteEffect GetPlantSpriteEffect(const PLANT& plant);

// Why a settings block or a plant is refused at load; nullptr when sound.
const char* CheckPlantSettings(const PlantSettings& settings);
const char* CheckPlantRecord(const PlantRecord& plant);

class PlantData {
  public:
    // The resources and the products outlive the plant data.
    PlantData(FarmResources* resources, ProductList* products) : resources_(resources), products_(products) {}

    int32_t Load(kis::DataFileReaderW* reader, LoaderState* state);

    PLANT* FindPlant(uint32_t id) const;
    PLANT* FindPlantByName(const char16_t* name) const;
    int32_t Count() const { return int32_t(plants_.size()); }
    PLANT* Get(int32_t i) const { return plants_[size_t(i)].get(); }
    int32_t BedSetCount() const { return int32_t(beds_.size()); }
    GAMEBEDS* GetBedSet(int32_t i) const { return beds_[size_t(i)].get(); }
    const PlantSettings& Settings() const { return settings_; }

    void ResetUsedFlags();
    void EnablePlant(PLANT* plant, int32_t highestStage);
    void Acquire(PLANT* plant);
    // Makes the bed set the level chose ready (its four sprites looked up
    // and acquired once), then acquires the level's empty tree-site sprite.
    // False for a set index the data does not have.
    bool LoadBedSprites(int32_t bedSetIndex, Sprite* emptyTreeSite);

    GAMEBEDS* AddBedSet(const GameBedsRecord& record);
    void SetSettings(const PlantSettings& settings) { settings_ = settings; }
    PLANT* Add(const PlantRecord& record);

  private:
    FarmResources* resources_; // not owned
    ProductList* products_;    // not owned
    PlantSettings settings_ = {};
    std::vector<std::unique_ptr<GAMEBEDS>> beds_;
    std::vector<std::unique_ptr<PLANT>> plants_;
};
