#pragma once
// The bonus table: the six bonuses a player can own and run in a level, read
// from the 'BONS' chunk of the data pack.
//
// The chunk is exactly 1,632 bytes: six 216-byte records (record s is the
// bonus of kind s, app/BonusKind.h, and fills bonus slot s), a 6 x 6 table of
// f32 speed modifiers (row the bonus, column the level's speed track, added
// while the bonus runs), and the names of three bee sprites.

#include "app/BonusKind.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>

class Sprite;

constexpr uint32_t kChunkBonuses = 0x424F4E53; // 'BONS'
// The sprite library of the bonus icons.
constexpr int32_t kBonusIconLibrary = 2;
// A bonus icon's frames: 0 under a recharge's cover, 1 ready, 2 pointed at.
constexpr int32_t kBonusIconReadyFrame = 1;
constexpr uint32_t kBonusesSubId = 1;

// One bonus as loaded.
struct BONUS {
    char16_t title[32];       // text key, group "bonuses"
    char16_t description[32]; // text key, group "bonuses"
    uint32_t id;              // = its position
    char16_t name[32];        // unique; also the name of its 3-frame icon sprite
    uint32_t rechargeMs;
    uint32_t durationMs;
    uint32_t soundId; // name id of its sound sample; 0 silent
};

class Bonuses {
  public:
    static constexpr int kTrackCount = 6;
    static constexpr int kBeeCount = 3;
    static constexpr size_t kRecordSize = 216;
    static constexpr size_t kChunkSize =
        kBonusCount * kRecordSize + kBonusCount * kTrackCount * 4 + kBeeCount * 64;
    static_assert(kChunkSize == 1632);

    // Reads the whole chunk; on any fault nothing changes, false is answered
    // and why names the fault.
    bool Parse(std::span<const uint8_t> chunk, std::string* why);
    // Writes the table as a chunk (the content tool).
    std::array<uint8_t, kChunkSize> Serialize() const;

    bool IsLoaded() const { return loaded_; }
    // The bonus of an id 0..5, or null.
    const BONUS* Get(int32_t id) const;
    const BONUS* Get(BonusKind kind) const { return Get(BonusId(kind)); }
    // The bonus whose name equals name (case-sensitive), or null.
    const BONUS* FindByName(const char16_t* name) const;
    float SpeedModifier(int32_t bonus, int32_t track) const;
    const char16_t* BeeSprite(int32_t i) const;
    // Looks each bonus's icon up by its name in the icon library of the
    // installed sprite libraries; a missing icon stays null.
    void ResolveIcons();
    // The bonus's icon (owned by its sprite library), or null.
    Sprite* Icon(int32_t id) const;

    // Filling the table by hand (the content tool and tests).
    BONUS& Edit(int32_t id) { return bonuses_[size_t(id)]; }
    void SetSpeedModifier(int32_t bonus, int32_t track, float value) {
        modifiers_[size_t(bonus)][size_t(track)] = value;
    }
    void SetBeeSprite(int32_t i, const char16_t* name);
    void MarkLoaded() { loaded_ = true; }

  private:
    std::array<BONUS, kBonusCount> bonuses_{};
    std::array<std::array<float, kTrackCount>, kBonusCount> modifiers_{};
    std::array<std::array<char16_t, 32>, kBeeCount> bees_{};
    std::array<Sprite*, kBonusCount> icons_{};
    bool loaded_ = false;
};
