#include "game/FarmTables.h"

#include "app/App.h"
#include "app/GameDataLoader.h"
#include "engine/SoundManager.h"
#include "farm/AnimalHouses.h"
#include "farm/BuildingPoints.h"
#include "farm/PlantPoints.h"

namespace {

// What the program has for the farm tables so far: the sound service. The
// sprite libraries, the character descriptions, the award table and the
// on-map labels answer nothing until their subsystems join; every user of
// the tables tolerates the missing pieces.
class ProgramFarmResources : public FarmResources {
  public:
    Sprite* FindSprite(int32_t, const char16_t*) override { return nullptr; }
    void AcquireSprite(Sprite*) override {}
    int32_t GetFrameCount(Sprite*) override { return 0; }
    uint32_t LoadSound(const char16_t* name) override { return GetSoundManager().LoadSound(name, false); }
    GameCharacter* FindCharacter(uint32_t) override { return nullptr; }
    void AcquireCharacter(GameCharacter*) override {}
    const char16_t* GetAwardName(int32_t) override { return nullptr; }
    void ShowProductChange(const ProductChange&) override {}
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
