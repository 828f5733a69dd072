#pragma once
// The farm's side of a running level in one object. It is the level's world
// (the warehouse stock with the capacities of the building table, the
// farmer, the villains and shots of FarmVillains, the bonus table) and the
// farm host (farm/FarmHost.h: what the buildings, plants and villains ask of
// the farm beyond the level, and the tutorial with the farm's log lines).
// The level's map is served by the level itself.
//
// What it cannot answer without the program's screens stays pure: the
// overhead buttons and labels over the field, the level panel's building,
// plant and warehouse parts (game/ProgramWorld adds them).
//
// The level is made after its world: Attach wires the world to it before
// StartUp. The point makers of kinds 1 to 3 and the path finder are the
// world's too (InstallPointMakers, BuildPathFinder).
//
// Stock block of a saved game: u32 size, u32 warehouse level (1 or more),
// u32 record count (at most 32), u32 reserved, then per record the product
// id and its units.

#include "farm/FarmHost.h"
#include "farm/FarmResources.h"
#include "level/Economy.h"
#include "level/LevelHooks.h"

#include <memory>
#include <string>

class FarmData;
class FarmVillains;
class MapParticleLayer;
class GameLevel;

class FarmWorld : public LevelWorld, public FarmHost, public ProductStockView {
  public:
    static constexpr uint32_t kMaxStockRecords = 32;
    // The path finder's clearance classes (a character description names
    // its class by index).
    static constexpr uint32_t kClearances[2] = {4, 10};

    // The farm tables outlive the world.
    explicit FarmWorld(FarmData* farm);
    ~FarmWorld() override;

    // Wires the world to its level (before StartUp): the farm tables the
    // level uses are enabled and the villains get the level's places. The level outlives the world's use
    // of it (the world goes with the level).
    void Attach(GameLevel* level);
    // Before the level goes, and before a restart sets it up again: the
    // villains and shots leave its map (the level deletes its map before its
    // world).
    void Detach();
    // Registers the farm's point makers (kinds 1 to 3) for this world;
    // RemovePointMakers takes them off again.
    void InstallPointMakers();
    static void RemovePointMakers();
    // The level's path finder over its obstacle shapes.
    void BuildPathFinder();

    FarmVillains* Villains() { return villains_.get(); }

    // ---- LevelWorld
    void ResetStock(uint32_t highestWarehouseLevel) override;
    uint32_t AddProduct(uint32_t productId, uint32_t units) override;
    uint32_t ProductCount(uint32_t productId) const override;
    int64_t StockValue() const override;
    void SaveStock(SaveWriter& out) const override;
    bool LoadStock(SaveReader& in) override;
    void CreatePlayer(int32_t x, int32_t y) override;
    void SavePlayer(SaveWriter& out) const override;
    bool LoadPlayer(SaveReader& in) override;
    void StopCharacters() override;
    void PreRunParticles(uint32_t ticks) override;
    void TickShots(uint32_t ms) override;
    void TickCharacters(uint32_t ms) override;
    void SetPlayerSpeedModifier(uint32_t track, uint32_t id, float value) override;
    bool IsVillainPlaceFree(uint32_t place) const override;
    void CreateVillain(uint32_t place, uint32_t villainKind, const VillainPlace& where) override;
    void AttackVillainsByBees() override;
    void SaveVillains(SaveWriter& out) const override;
    bool LoadVillains(SaveReader& in, uint32_t placeCount) override;
    bool GetBonus(uint32_t slot, BonusInfo* info) const override;
    MapPlayer* Player() override { return player_; }
    void SetWarehouseLevel(uint32_t level) override;
    uint32_t ProductRoom(uint32_t productId) const override;
    int32_t ProductPrice(uint32_t productId) const override;
    uint32_t ProductNumber(uint32_t productId) const override;
    // The villains' figures on the field: their clicks and highlights.
    bool ClickFieldObject(float x, float y) override;
    bool ShotUnder(float x, float y) const override;
    void HoverFieldObject(bool inField, float x, float y) override;

    // ---- the farm host: the tutorial, the map, the tables, the pictures and the sounds
    bool TutorialAllows(TutorialAction action, uint32_t tag, TutorialObject data) override;
    void TutorialNotify(TutorialEvent event, uint32_t a, TutorialObject b) override;
    LevelMap* Map() override;
    ProductStock& Stock() override { return *stock_; }
    ProductStockView& StockView() override { return *this; }
    ProductList& Products() override;
    BuildingList& Buildings() override;
    PlantData& Plants() override;
    FarmResources* Resources() override;
    uint32_t PutToWarehouse(const PRODUCT* product, uint32_t units, GameMessager* messenger,
                            int32_t awardIndex, int32_t x, int32_t y, int32_t flyInOffset) override;
    const GameCharacter* FindCharacter(uint32_t id) override;
    Sprite* FindSprite(int32_t library, const char16_t* name) override;
    int32_t SpriteWidth(Sprite* sprite) override;
    MapSprite* AsMapSprite(Sprite* sprite) override;
    GAMEBEDS* BedSet() override;
    Sprite* EmptyTreeSite() override;
    const GPSDescription* FindParticle(uint32_t effectId) override;
    GPSSpace* ParticleSpace() override;
    std::unique_ptr<VillainHealthBar> CreateHealthBar(int32_t x, int32_t y, int32_t maximum) override;
    uint32_t PlayOnChannel(uint32_t soundId, uint32_t category, int32_t loopMode) override;
    void FadeOutSound(uint32_t channel, uint32_t ms) override;
    void PlayEventSound(uint32_t slot) override;
    void PlaySoundOnce(uint32_t sound) override;

    // ---- the stock as the farm tables see it
    int32_t GetCount(const PRODUCT* product) const override;
    void Remove(const PRODUCT* product, int32_t units) override;
    void Add(const PRODUCT* product, int32_t units) override;

  protected:
    FarmData* farm_;             // not owned
    GameLevel* level_ = nullptr; // not owned; set by Attach

  private:
    void WatchStock();

    std::unique_ptr<ProductStock> stock_;
    MapPlayer* player_ = nullptr; // owned by the level's map
    std::unique_ptr<VillainLevelHost> villainHost_;
    std::unique_ptr<FarmVillains> villains_;
    MapParticleLayer* particles_ = nullptr; // owned by the level's map
    std::string villainWhy_;
};
