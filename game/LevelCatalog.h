#pragma once
// What the level table checks against while it loads: the farm tables (they
// load before it) and the level map sprites when the sprite pack is in.

#include "level/LevelTable.h"

class GameLevelCatalog : public LevelTableCatalog {
  public:
    bool HasProduct(uint32_t id) const override;
    bool HasPlant(uint32_t id) const override;
    uint32_t BuildingLevelCount(uint32_t typeId) const override;
    bool HasVillainKind(uint32_t id) const override;
    uint32_t PlantBedSetCount() const override;
    // Without the sprite pack installed every name passes (the pack comes
    // later and draws nothing for a missing sprite).
    bool HasMapSprite(const char16_t* name) const override;
};
