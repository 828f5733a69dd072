#pragma once
// The level's villains and their flying shots: one slot per villain place,
// every villain still on the map (one that let go of its place runs or walks
// off until it is gone) and the list of shots, ticked by the level before
// its points. The level's world holds one FarmVillains and hands it its
// villain calls (place free, create, bees, ticks, save and load).
//
// Save, after the schedule: u32 shot count (at most 64) and each shot's
// 28-byte record; u32 place count (the level's) and per place the kind id of
// its villain (0 none) followed by the villain's character block. A villain
// that has let go of its place is saved at the place it came from while no
// other villain holds it, and comes back without a place.

#include "farm/MapVillain.h"
#include "farm/VillainShot.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

class FarmResources;
class SaveReader;
class SaveWriter;
class VillainTable;

// At a level's load: the three target crosses ("villain_cross_1".."_3" of
// the level library) have their textures made ready. Answers how many were
// found.
int32_t LoadVillainCrosses(FarmResources* resources);

class FarmVillains {
  public:
    static constexpr uint32_t kMaxShots = 64;

    struct Setup {
        LevelMap* map = nullptr;                 // the level's map
        VillainHost* host = nullptr;             // the level's side
        const VillainTable* table = nullptr;     // the villain kinds
        const GameCharacter* villain = nullptr;  // character 6
        const GameCharacter* catapult = nullptr; // character 7
        std::span<const VillainPlace> places;    // the level's places
    };
    // Everything given outlives this object.
    explicit FarmVillains(const Setup& setup);
    ~FarmVillains();
    FarmVillains(const FarmVillains&) = delete;
    FarmVillains& operator=(const FarmVillains&) = delete;

    bool IsVillainPlaceFree(uint32_t place) const;
    // The schedule's villain: a kind at a place (replacing any villain still
    // there), its arrival sound pending and its cross shown. Null for an
    // unknown kind or place.
    MapVillain* CreateVillain(uint32_t place, uint32_t kind);
    // Sends the bees on every villain arriving or attacking.
    void AttackVillainsByBees();
    // One level tick of the shots (before the points), and of the villains
    // with their catapults (with the characters).
    void TickShots(uint32_t ms);
    void TickVillains(uint32_t ms);

    void SaveVillains(SaveWriter& out) const;
    // Reads the shots and the places; refused (false, why set, nothing
    // changed) for a count or record that does not fit.
    bool LoadVillains(SaveReader& in, uint32_t placeCount, std::string* why = nullptr);
    // Every villain and shot goes (a level started afresh).
    void Clear();

    // A press on the field at (x, y): the flying shot under it bursts (the
    // nearest within kShotClickRadius), else the villain or its catapult
    // drawn under it is hit. A running tutorial is asked first whether the shot or
    // the villain (also for a click on its catapult) may be picked; one it
    // refuses lets the click go on. True when one took the click.
    bool ClickAt(float x, float y);
    static constexpr float kShotClickRadius = 16.0f;
    // Whether a flying shot lies within kShotClickRadius of (x, y).
    bool ShotUnder(float x, float y) const { return NearestShot(x, y) != nullptr; }
    // The pointer rests at (x, y) (or is off the field): what ClickAt would
    // take there lights up for the next drawing, a shot (its highlight lasts
    // one drawing) or a villain with its catapult; any other villain's goes.
    void Hover(bool inField, float x, float y);

    // A new shot in flight (the shot job fires it).
    VillainShot* AddShot(float x, float y, int32_t target, const VILLAININFO* info, bool fired);
    // The slot's link to its villain goes; the villain stays until gone.
    void ReleaseSlot(int32_t place, const MapVillain* villain);

    MapVillain* VillainAt(uint32_t place) const;
    int32_t VillainCount() const { return int32_t(villains_.size()); }
    MapVillain* GetVillain(int32_t i) const { return villains_[size_t(i)].get(); }
    int32_t ShotCount() const { return int32_t(shots_.size()); }
    VillainShot* GetShot(int32_t i) const { return shots_[size_t(i)].get(); }

    LevelMap* Map() const { return setup_.map; }
    VillainHost& Host() const { return *setup_.host; }
    const GameCharacter* CatapultDescription() const { return setup_.catapult; }
    const VillainTable* Table() const { return setup_.table; }
    // True when (x, y) is where a villain at one of the level's places fires
    // its shots from (its launch point).
    bool IsLaunchPoint(int32_t x, int32_t y) const;
    // The pictures every shot of this level shares.
    ShotSprites& Sprites() { return shotSprites_; }

  private:
    void RemoveGone();
    // The flying shot nearest to (x, y) within kShotClickRadius; null none.
    VillainShot* NearestShot(float x, float y) const;
    // What a press at (x, y) would pick, as the tutorial allows it: the
    // nearest flying shot, else the front-most villain under it or under its
    // catapult; null none.
    VillainShot* PickableShot(float x, float y) const;
    MapVillain* PickableVillain(float x, float y) const;

    Setup setup_;
    std::vector<std::unique_ptr<MapVillain>> villains_;
    std::vector<MapVillain*> slots_; // one per place; owned by villains_
    std::vector<std::unique_ptr<VillainShot>> shots_;
    ShotSprites shotSprites_;
};
