// The sample game's level data in the data pack: the seven character
// descriptions ('CHQR'), the level table ('LVLS') and the bonuses ('BONS',
// read from content/farm/bonuses.txt).

#include "tools/content/LevelChunks.h"

#include "level/Bonuses.h"
#include "level/GameCharacter.h"
#include "level/LevelTable.h"
#include "tools/content/NameFields.h"

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

bool WriteCharacterChunk(kis::BaseDataFile& writer) {
    const std::vector<uint8_t> characters = SampleCharacterChunk();
    return writer.BeginChunk(kChunkCharacters, kCharactersSubId) &&
           writer.Write(characters.data(), uint32_t(characters.size())) && writer.EndChunk();
}

bool WriteLevelTableAndBonuses(kis::BaseDataFile& writer, const LevelTable& levels, const Bonuses& bonuses) {
    const std::vector<uint8_t> table = levels.Serialize();
    const auto bonusBytes = bonuses.Serialize();
    return writer.BeginChunk(kLevelTableChunk, kLevelTableSubId) &&
           writer.Write(table.data(), uint32_t(table.size())) && writer.EndChunk() &&
           writer.BeginChunk(kChunkBonuses, kBonusesSubId) &&
           writer.Write(bonusBytes.data(), uint32_t(bonusBytes.size())) && writer.EndChunk();
}
