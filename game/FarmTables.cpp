#include "game/FarmTables.h"

#include "app/App.h"
#include "app/GameDataLoader.h"
#include "engine/SoundManager.h"
#include "farm/AnimalHouses.h"
#include "farm/BuildingPoints.h"
#include "farm/PlantPoints.h"
#include "game/GameTables.h"
#include "level/GameCharacter.h"
#include "level/LevelData.h"
#include "sprites/Sprite.h"

namespace {

// What the program has for the farm tables: the sprite libraries (read
// before the tables, so the loaders find their sprites; a texture loads when
// first drawn), the character descriptions (read before the tables, so an
// animal house finds its animals'), the sound service, the award table's
// keys (a factory's goods raise the award named after the product) and,
// while a level runs, its labels. Every user of the tables tolerates the
// missing pieces.
class ProgramFarmResources : public FarmResources {
  public:
    Sprite* FindSprite(int32_t library, const char16_t* name) override {
        return name && *name ? GetSprite(library, name) : nullptr;
    }
    void AcquireSprite(Sprite*) override {}
    int32_t GetFrameCount(Sprite* sprite) override { return sprite ? sprite->GetFrameCount() : 0; }
    uint32_t LoadSound(const char16_t* name) override { return GetSoundManager().LoadSound(name, false); }
    GameCharacter* FindCharacter(uint32_t id) override {
        for (const auto& character : GameCharacters())
            if (character && character->id == id) return character.get();
        return nullptr;
    }
    void AcquireCharacter(GameCharacter*) override {}
    // The key of the award that counts an award index; null before the
    // table is read.
    const char16_t* GetAwardName(int32_t index) override {
        GameTables* tables = GetGameTables();
        const AwardRecord* award = tables ? tables->awards.FindAward(index) : nullptr;
        return award ? award->key : nullptr;
    }
};

} // namespace

GameFarmTables::GameFarmTables()
    : resources_(std::make_unique<ProgramFarmResources>()),
      data_(std::make_unique<FarmData>(resources_.get())) {
    SetGameFarmData(data_.get());
    RegisterGameDataStage({kProductChunkId, 1.0f, "products", GetDataPack, LoadProductsStage});
    RegisterGameDataStage({kPlantChunkId, 1.0f, "plants", GetDataPack, LoadPlantsStage});
    RegisterGameDataStage({kBuildingChunkId, 1.0f, "building types", GetDataPack, LoadBuildingsStage});
    RegisterGameDataStage({kVillainChunkId, 1.0f, "villain kinds", GetDataPack, LoadVillainsStage});
    // The farmer's saved farm jobs find their loaders from the start.
    RegisterBuildingJobLoaders();
    RegisterPlantJobLoaders();
    RegisterAnimalJobLoaders();
}

GameFarmTables::~GameFarmTables() {
    SetGameFarmData(nullptr);
}
