#pragma once
// Character descriptions: what every walking figure of a level looks like
// and how it moves, read from the 'CHQR' chunk of the data pack.
//
// Chunk: u32 count (1..32), then per character a 160-byte head and k pairs
// of animation names (standing, walk; 128 bytes per pair):
//   0 label (tools only)            64 u32 id (unique, not 0)
//   68 shadow texture name          132 i32 shadow dx, 136 i32 dy
//   140 f32 shadow opacity 0..1     144 u32 variant count 1..8
//   148 f32 walk speed (pixels per 10-ms tick; > 0 when it can walk)
//   152 u32 path-finder clearance class
//   156 u32 animation kind count k (1..8)
// The chunk ends with the last record.

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

class GameAnimation;

constexpr uint32_t kChunkCharacters = 0x43485152; // 'CHQR'
constexpr uint32_t kCharactersSubId = 1;

// The character ids the game's rules name.
enum CharacterId : uint32_t {
    kCharacterFarmer = 1,
    kCharacterChicken = 2,
    kCharacterCow = 3,
    kCharacterSheepBody = 4,
    kCharacterSheepHead = 5,
    kCharacterVillain = 6,
    kCharacterCatapult = 7,
};

class GameCharacter {
  public:
    static constexpr size_t kHeadSize = 160;
    static constexpr size_t kKindSize = 128;
    static constexpr uint32_t kMaxKinds = 8;
    static constexpr uint32_t kMaxVariants = 8;

    struct AnimationKind {
        std::array<char16_t, 32> standing{};
        std::array<char16_t, 32> walk{}; // empty: this kind cannot walk
    };

    GameCharacter() = default;
    virtual ~GameCharacter() = default;
    // Looks the kinds' animations up by name in the installed sprite
    // libraries once; later calls do nothing. Missing ones stay null (the
    // figure is not drawn). The libraries must outlive the description's
    // use of them, as they do for the whole run.
    virtual void LoadAnimations() const;
    // The animation of a kind (resolved ones only): the kind's standing or
    // walk animation when nameId is the name id of one of them, else null.
    GameAnimation* FindKindAnimation(int32_t kind, uint32_t nameId) const;

    // Reads one record at the reader's place; false (reason in why) when it
    // does not fit or breaks a rule.
    bool Parse(class SaveReader& reader, std::string* why);
    // Appends the record (the content tool).
    void Serialize(class SaveWriter& writer) const;

    // The standing animation of a kind for a direction variant; null when
    // the kind or the variant is out of range or the name is empty.
    const char16_t* GetAnimationName(int32_t kind, int32_t variant) const;
    // The walk animation of a kind; null when out of range or it cannot walk.
    const char16_t* GetWalkAnimationName(int32_t kind) const;

    uint32_t id = 0;
    std::array<char16_t, 32> shadowTexture{};
    int32_t shadowDx = 0, shadowDy = 0;
    float shadowOpacity = 1.0f;
    uint32_t variantCount = 1;
    float walkSpeed = 0.0f; // pixels per 10-ms tick at speed factor 1
    uint32_t clearanceClass = 0;
    std::vector<AnimationKind> kinds;
    std::array<char16_t, 32> label{}; // tools only

  private:
    struct Resolved {
        uint32_t standingId = 0, walkId = 0;
        GameAnimation* standing = nullptr; // owned by their sprite libraries
        GameAnimation* walk = nullptr;
    };
    mutable std::vector<Resolved> resolved_;
    mutable bool animationsLoaded_ = false;
};

// The description with the id, or null.
const GameCharacter* FindById(std::span<const std::unique_ptr<GameCharacter>> characters, uint32_t id);

// Reads a whole 'CHQR' chunk: every record, unique non-zero ids, and the
// farmer, sheep head, villain and catapult present. On failure nothing is
// given back and why names the fault.
bool ParseCharacters(std::span<const uint8_t> chunk, std::vector<std::unique_ptr<GameCharacter>>* out,
                     std::string* why);
std::vector<uint8_t> SerializeCharacters(std::span<const std::unique_ptr<GameCharacter>> characters);
