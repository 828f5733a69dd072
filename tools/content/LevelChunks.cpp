// The sample game's level data in the data pack: the seven character
// descriptions ('CHQR') and the six bonuses ('BONS').

#include "tools/content/LevelChunks.h"

#include "foundation/Ident.h"
#include "level/Bonuses.h"
#include "level/GameCharacter.h"
#include "level/LevelTable.h"
#include "tools/content/NameFields.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

struct CharacterEntry {
    uint32_t id;
    const char16_t* label;
    const char16_t* standing;
    const char16_t* walk; // empty: does not walk
    float walkSpeed;      // pixels per 10-ms tick
    uint32_t clearance;
    const char16_t* shadow; // empty: the art draws its own
    int32_t shadowDy;
    // A second animation kind (empty: none): the sheep's full fleece.
    const char16_t* standing2 = u"";
};

// Four directions each (down, right, up, left; left is right mirrored).
// The farmer walks 120 pixels a second, the chickens slower; a hen at rest
// settles down (so she sits on her nest); the cows stand before their shed;
// the sheep show kind 0 shorn and kind 1 with the fleece, their heads ride
// on their bodies; the catapult stands where it is set up.
constexpr CharacterEntry kCharacters[] = {
    {1, u"farmer", u"girl_stand", u"girl_walk", 1.2f, 1, u"", 0},
    {2, u"chicken", u"chicken_stand", u"chicken_walk", 0.4f, 0, u"", 0},
    {3, u"cow", u"cowhead_stand", u"", 0.0f, 1, u"shadow", -1},
    {4, u"sheep body", u"sheepbody_skin_stand", u"", 0.0f, 1, u"shadow", -1, u"sheepbody_stand"},
    {5, u"sheep head", u"sheephead_skin_stand", u"", 0.0f, 0, u"", 0, u"sheephead_stand"},
    {6, u"villain", u"villain_stand", u"villain_walk", 1.0f, 1, u"shadow", -1},
    {7, u"catapult", u"catapult_stand", u"", 0.0f, 1, u"shadow", -3},
};

struct BonusEntry {
    const char16_t* name;
    uint32_t rechargeMs;
    uint32_t durationMs;
    const char* sound;
    int32_t track; // the speed track it lifts (-1 none)
    float modifier;
};

// 0 holds off the villains (bees), 1 makes harvests use no water; the
// others speed up the player, the plants, the animal houses, the factories.
constexpr BonusEntry kBonuses[] = {
    {u"bonus_bees", 90000, 20000, "bonus_bees", -1, 0.0f},
    {u"bonus_rain", 60000, 30000, "bonus_rain", -1, 0.0f},
    {u"bonus_boots", 60000, 30000, "bonus_fast", 0, 0.5f},
    {u"bonus_sun", 75000, 25000, "bonus_fast", 1, 0.5f},
    {u"bonus_feed", 75000, 25000, "bonus_fast", 2, 0.5f},
    {u"bonus_gears", 90000, 25000, "bonus_fast", 3, 0.5f},
};

} // namespace

std::vector<uint8_t> SampleCharacterChunk() {
    std::vector<std::unique_ptr<GameCharacter>> characters;
    for (const CharacterEntry& entry : kCharacters) {
        auto c = std::make_unique<GameCharacter>();
        c->id = entry.id;
        CopyName(c->label, entry.label);
        CopyName(c->shadowTexture, entry.shadow);
        c->shadowDy = entry.shadowDy;
        c->shadowOpacity = 0.8f;
        c->variantCount = 4;
        c->walkSpeed = entry.walkSpeed;
        c->clearanceClass = entry.clearance;
        c->kinds.resize(entry.standing2[0] ? 2 : 1);
        CopyName(c->kinds[0].standing, entry.standing);
        CopyName(c->kinds[0].walk, entry.walk);
        if (c->kinds.size() > 1) CopyName(c->kinds[1].standing, entry.standing2);
        characters.push_back(std::move(c));
    }
    return SerializeCharacters(characters);
}

int32_t SampleBonusIndex(std::string_view name) {
    for (size_t i = 0; i < std::size(kBonuses); ++i) {
        const std::u16string_view own = kBonuses[i].name;
        if (own.size() == name.size() && std::equal(own.begin(), own.end(), name.begin(),
                                                    [](char16_t a, char b) { return a == char16_t(b); }))
            return int32_t(i);
    }
    return -1;
}

std::vector<uint8_t> SampleBonusChunk() {
    Bonuses bonuses;
    for (int i = 0; i < kBonusCount; ++i) {
        const BonusEntry& entry = kBonuses[i];
        BONUS& bonus = bonuses.Edit(i);
        CopyName(bonus.name, entry.name);
        CopyName(bonus.title, std::u16string(entry.name) + u"_title");
        CopyName(bonus.description, std::u16string(entry.name) + u"_text");
        bonus.id = uint32_t(i);
        bonus.rechargeMs = entry.rechargeMs;
        bonus.durationMs = entry.durationMs;
        bonus.soundId = kis::NameId(entry.sound);
        if (entry.track >= 0) bonuses.SetSpeedModifier(i, entry.track, entry.modifier);
    }
    bonuses.SetBeeSprite(0, u"bee_01");
    bonuses.SetBeeSprite(1, u"bee_02");
    bonuses.SetBeeSprite(2, u"bee_03");
    const auto chunk = bonuses.Serialize();
    return std::vector<uint8_t>(chunk.begin(), chunk.end());
}

bool WriteCharacterChunk(kis::BaseDataFile& writer) {
    const std::vector<uint8_t> characters = SampleCharacterChunk();
    return writer.BeginChunk(kChunkCharacters, kCharactersSubId) &&
           writer.Write(characters.data(), uint32_t(characters.size())) && writer.EndChunk();
}

bool WriteLevelTableAndBonuses(kis::BaseDataFile& writer, const LevelTable& levels) {
    const std::vector<uint8_t> table = levels.Serialize();
    const std::vector<uint8_t> bonuses = SampleBonusChunk();
    return writer.BeginChunk(kLevelTableChunk, kLevelTableSubId) &&
           writer.Write(table.data(), uint32_t(table.size())) && writer.EndChunk() &&
           writer.BeginChunk(kChunkBonuses, kBonusesSubId) &&
           writer.Write(bonuses.data(), uint32_t(bonuses.size())) && writer.EndChunk();
}
