#pragma once
// The level's villain schedule: a list of entries {place, villain kind, delay}
// from the level table, worked through by the level tick. Each entry waits
// its delay, then brings its villain onto its place when the place is free
// (a place of -1 is drawn at random among the free ones; none when all are
// taken). After the last entry the schedule stops, or goes on from the
// loop-start entry when the level loops it.

#include "level/LevelTable.h"

#include <cstdint>

class SaveReader;
class SaveWriter;

// The level's villain slots, as the schedule needs them.
class VillainPlaces {
  public:
    virtual ~VillainPlaces() = default;
    virtual bool IsPlaceFree(uint32_t place) const = 0;
    // Creates a villain of the kind at the place (kCharacterVillain, its arrival
    // sound pending, its cross shown).
    virtual void CreateVillain(uint32_t place, uint32_t villainKind) = 0;
};

// The schedule state as saved: u32 20, then these 20 bytes.
struct VillainScheduleState {
    uint32_t active;
    uint32_t currentEntry;
    uint32_t entryCount;
    int32_t countdownMs;
    uint32_t reserved;
};
static_assert(sizeof(VillainScheduleState) == 20);

class VillainSchedule {
  public:
    // Entries handled in one tick at most: a run of zero delays goes on at
    // the next tick instead of stalling the frame.
    static constexpr uint32_t kMaxEntriesPerTick = 16;

    // Starts the schedule of a level: active when the level enables villains
    // and has entries; the first countdown is entry 0's delay.
    void Reset(const Level& level);
    // Takes elapsed ms off the countdown and runs the entries that are due.
    void Tick(uint32_t elapsedMs, VillainPlaces& places);

    void Save(SaveWriter& out) const;
    // Reads the saved state; false (state unchanged) when it does not fit
    // the level: a size other than 20, another entry count, an entry out of
    // range, a flag other than 0 or 1, a negative countdown.
    bool Load(SaveReader& in);

    const VillainScheduleState& State() const { return state_; }
    // The time until the next entry runs (a tutorial calls a villain at once).
    void SetCountdown(int32_t ms) { state_.countdownMs = ms < 0 ? 0 : ms; }
    bool IsActive() const { return state_.active != 0; }

  private:
    void RunEntry(const ScheduleEntry& entry, VillainPlaces& places);
    void Advance();

    const Level* level_ = nullptr;
    VillainScheduleState state_{};
};
