#include "game/LevelCatalog.h"

#include "farm/FarmData.h"
#include "sprites/Sprite.h"

namespace {
// The library of the level fields.
constexpr int32_t kFieldLibrary = 7;
} // namespace

bool GameLevelCatalog::HasProduct(uint32_t id) const {
    const FarmData* farm = GameFarmData();
    return farm && farm->products.FindProduct(id);
}

bool GameLevelCatalog::HasPlant(uint32_t id) const {
    const FarmData* farm = GameFarmData();
    return farm && farm->plants.FindPlant(id);
}

uint32_t GameLevelCatalog::BuildingLevelCount(uint32_t typeId) const {
    const FarmData* farm = GameFarmData();
    const BUILDING* type = farm ? farm->buildings.FindBuildingType(typeId) : nullptr;
    return type ? type->header.levelCount : 0;
}

bool GameLevelCatalog::HasVillainKind(uint32_t id) const {
    const FarmData* farm = GameFarmData();
    return farm && farm->villains.FindVillainInfo(id);
}

uint32_t GameLevelCatalog::PlantBedSetCount() const {
    const FarmData* farm = GameFarmData();
    return farm ? uint32_t(farm->plants.BedSetCount()) : 0;
}

bool GameLevelCatalog::HasMapSprite(const char16_t* name) const {
    SpriteLibrary* library = GetLibrary(kFieldLibrary);
    return !library || library->FindMapSprite(name);
}
