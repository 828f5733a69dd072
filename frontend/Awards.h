#pragma once
// The award table: nine awards, each reached in three tiers (bronze, silver,
// gold) as its counter passes three thresholds, and eight goals, each reached
// once when its counter meets a target. When every award is gold and every
// goal reached, the final award is won once.
//
// The table holds the definitions, read once from the data pack; the counters
// live in the current profile (AwardCounters). Callers add to the counters
// through Add and AddGoalProgress, then ask CheckAllComplete, and announce
// what each step reached.
//
// Chunk 0xA3A4D500, sub-id 649, exactly 2,488 bytes: 9 award records
// (152 bytes each), then 8 goal records (140 bytes each), little-endian:
//
//   award: 0 key (32 UTF-16 units, terminated; language group "awards", the
//          description is key + "_desc"), 64 i32 award index 0..8 (unique,
//          selects the profile counter), 68 icon sprite name (32 units,
//          terminated), 132 icon slot (ignored on disk), 136 i32 t0 (where
//          the progress bar starts), 140/144/148 i32 bronze, silver, gold;
//          t0 <= bronze <= silver <= gold
//   goal:  0 key, 64 i32 goal index 0..7 (unique), 68 i32 target,
//          72 icon sprite name, 136 icon slot (ignored on disk)
//
// A table that breaks any of these rules is refused whole ("Data error!"):
// an index selects a profile counter, so one out of range would reach past
// the profile's award words.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct LoaderState;
class Sprite;
namespace kis {
class BaseDataFile;
} // namespace kis

constexpr uint32_t kAwardTableChunkId = 0xA3A4D500;
constexpr uint32_t kAwardTableChunkSubId = 649;
constexpr int kAwardCount = 9;
constexpr int kGoalCount = 8;
// The sprite library the icons come from.
constexpr int32_t kAwardIconLibrary = 14;

struct AwardRecord {
    char16_t key[32];
    int32_t index;
    char16_t icon[32];
    uint32_t iconSlot; // a pointer's room on disk; the resolved sprite is kept beside the records
    int32_t start;     // t0
    int32_t bronze;    // t1
    int32_t silver;    // t2
    int32_t gold;      // t3
};
static_assert(sizeof(AwardRecord) == 152);

struct AwardGoal {
    char16_t key[32];
    int32_t index;
    int32_t target;
    char16_t icon[32];
    uint32_t iconSlot;
};
static_assert(sizeof(AwardGoal) == 140);

constexpr uint32_t kAwardTableSize = kAwardCount * sizeof(AwardRecord) + kGoalCount * sizeof(AwardGoal);
static_assert(kAwardTableSize == 2488);

// The award part of a profile: 18 consecutive words.
struct AwardCounters {
    int32_t awards[kAwardCount];
    int32_t goals[kGoalCount];
    int32_t finalAward; // non-zero once the final award was won
};
static_assert(sizeof(AwardCounters) == 72);

// Tiers.
constexpr int kTierNone = 0;
constexpr int kTierBronze = 1;
constexpr int kTierSilver = 2;
constexpr int kTierGold = 3;

// The tier a value reaches against the record's thresholds.
int AwardTier(const AwardRecord& award, int32_t value);

// The chunk's bytes for the records, as the content tool writes them (icon
// slots written zero).
std::vector<uint8_t> EncodeAwardTable(const AwardRecord (&awards)[kAwardCount],
                                      const AwardGoal (&goals)[kGoalCount]);

class Awards {
  public:
    // The loading stage: opens the chunk, reads the table and closes the
    // chunk in one call; any failure sets the state's error flag. Always
    // kLoaderFinished.
    int32_t Load(kis::BaseDataFile* reader, LoaderState* state);
    // Takes the table from the chunk's bytes. False, with the reason in why
    // and the table as it was, when the bytes break a rule.
    bool Read(const uint8_t* bytes, size_t size, std::string* why);
    bool IsLoaded() const { return loaded_; }

    // Looks up each record's icon, and "ba_total" and "ico_total", in sprite
    // library 14 through getSprite (null when absent).
    using SpriteLookup = Sprite* (*)(int32_t library, const char16_t* name);
    void ResolveIcons(SpriteLookup getSprite);

    // Records by position (0..8, 0..7); their index fields select counters.
    const AwardRecord& GetAward(int position) const { return awards_[position]; }
    const AwardGoal& GetGoal(int position) const { return goals_[position]; }
    Sprite* GetAwardIcon(int position) const { return awardIcons_[position]; }
    Sprite* GetGoalIcon(int position) const { return goalIcons_[position]; }
    Sprite* GetTotalAwardSprite() const { return totalAward_; }
    Sprite* GetTotalIconSprite() const { return totalIcon_; }
    // The record with that award or goal index; null when there is none.
    const AwardRecord* FindAward(int index) const;
    const AwardGoal* FindGoal(int index) const;

    // 3 when value >= gold, 2 when >= silver, 1 when >= bronze, else 0 (also
    // for an index out of range).
    int GetTier(int index, int32_t value) const;
    // Adds to the award's counter (saturating); the new tier when it rose,
    // else 0.
    int Add(AwardCounters& counters, int index, int32_t amount) const;
    // Sets (absolute) or adds to (relative) the goal's counter. Goal counters
    // only grow: a new value not above the counter changes nothing. True
    // when the counter crossed the goal's target.
    bool AddGoalProgress(AwardCounters& counters, int index, int32_t amount, bool relative) const;
    // True once: when the final award is not yet won and every award is gold
    // and every goal reached, the final award is marked won.
    bool CheckAllComplete(AwardCounters& counters) const;

  private:
    AwardRecord awards_[kAwardCount] = {};
    AwardGoal goals_[kGoalCount] = {};
    Sprite* awardIcons_[kAwardCount] = {}; // owned by their sprite library
    Sprite* goalIcons_[kGoalCount] = {};
    Sprite* totalAward_ = nullptr;
    Sprite* totalIcon_ = nullptr;
    bool loaded_ = false;
};
