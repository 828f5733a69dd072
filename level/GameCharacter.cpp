#include "level/GameCharacter.h"

#include "foundation/Ident.h"
#include "level/Records.h"
#include "sprites/Sprite.h"

#include <cmath>

namespace {

bool Refuse(std::string* why, std::string text) {
    if (why) *why = std::move(text);
    return false;
}

// A character's head after its tools-only label (which the game never reads).
struct CharacterHead {
    uint32_t id;
    std::array<char16_t, 32> shadowTexture;
    int32_t shadowDx, shadowDy;
    float shadowOpacity;
    uint32_t variantCount;
    float walkSpeed;
    uint32_t clearanceClass;
    uint32_t kindCount;
};
constexpr auto kHeadLayout =
    kis::Layout(GameCharacter::kHeadSize, kis::Field<&CharacterHead::id>(64),
                kis::Field<&CharacterHead::shadowTexture>(68), kis::Field<&CharacterHead::shadowDx>(132),
                kis::Field<&CharacterHead::shadowDy>(136), kis::Field<&CharacterHead::shadowOpacity>(140),
                kis::Field<&CharacterHead::variantCount>(144), kis::Field<&CharacterHead::walkSpeed>(148),
                kis::Field<&CharacterHead::clearanceClass>(152), kis::Field<&CharacterHead::kindCount>(156));

// A kind's pair of animation names.
constexpr auto kKindLayout =
    kis::Layout(GameCharacter::kKindSize, kis::Field<&GameCharacter::AnimationKind::standing>(0),
                kis::Field<&GameCharacter::AnimationKind::walk>(kNameFieldSize));

} // namespace

bool GameCharacter::Parse(SaveReader& reader, std::string* why) {
    const uint8_t* head = reader.ReadPtr(kHeadSize);
    if (!head) return Refuse(why, "a character record is cut short");
    CharacterHead saved{};
    const bool shadowNamed = kHeadLayout.Load(head, &saved);
    id = saved.id;
    const std::string which = "character " + std::to_string(id);
    if (id == 0) return Refuse(why, "a character has id 0");
    if (!shadowNamed) return Refuse(why, which + ": a shadow name without its end");
    shadowTexture = saved.shadowTexture;
    shadowDx = saved.shadowDx;
    shadowDy = saved.shadowDy;
    shadowOpacity = saved.shadowOpacity;
    if (!(shadowOpacity >= 0.0f && shadowOpacity <= 1.0f))
        return Refuse(why, which + ": shadow opacity not 0..1");
    variantCount = saved.variantCount;
    if (variantCount < 1 || variantCount > kMaxVariants)
        return Refuse(why, which + ": variant count not 1..8");
    walkSpeed = saved.walkSpeed;
    if (!std::isfinite(walkSpeed) || walkSpeed < 0.0f)
        return Refuse(why, which + ": walk speed not a number >= 0");
    clearanceClass = saved.clearanceClass;
    const uint32_t kindCount = saved.kindCount;
    if (kindCount < 1 || kindCount > kMaxKinds) return Refuse(why, which + ": animation kind count not 1..8");
    // Checked before reading, so a large count never sizes anything.
    if (size_t(kindCount) * kKindSize > reader.Remaining())
        return Refuse(why, which + ": its animations are cut short");

    kinds.assign(kindCount, {});
    bool walks = false;
    for (AnimationKind& kind : kinds) {
        if (!kKindLayout.Load(reader.ReadPtr(kKindSize), &kind))
            return Refuse(why, which + ": an animation name without its end");
        walks = walks || kind.walk[0] != 0;
    }
    if (walks && !(walkSpeed > 0.0f)) return Refuse(why, which + ": walks with speed 0");
    return true;
}

void GameCharacter::Serialize(SaveWriter& writer) const {
    uint8_t* head = writer.Alloc(kHeadSize);
    if (!head) return;
    WriteNameField(head, label.data());
    kHeadLayout.Store({id, shadowTexture, shadowDx, shadowDy, shadowOpacity, variantCount, walkSpeed,
                       clearanceClass, uint32_t(kinds.size())},
                      head);
    for (const AnimationKind& kind : kinds)
        if (!PutRecord(writer, kKindLayout, kind)) return;
}

const char16_t* GameCharacter::GetAnimationName(int32_t kind, int32_t variant) const {
    if (kind < 0 || size_t(kind) >= kinds.size() || variant < 0 || uint32_t(variant) >= variantCount)
        return nullptr;
    const auto& name = kinds[size_t(kind)].standing;
    return name[0] ? name.data() : nullptr;
}

const char16_t* GameCharacter::GetWalkAnimationName(int32_t kind) const {
    if (kind < 0 || size_t(kind) >= kinds.size()) return nullptr;
    const auto& name = kinds[size_t(kind)].walk;
    return name[0] ? name.data() : nullptr;
}

void GameCharacter::LoadAnimations() const {
    if (animationsLoaded_) return;
    SpriteLibraries* libraries = GetSpriteLibraries();
    if (!libraries) return; // tried again once the sprite pack is there
    resolved_.assign(kinds.size(), {});
    for (size_t k = 0; k < kinds.size(); ++k) {
        Resolved& r = resolved_[k];
        r.standingId = kis::NameId(kinds[k].standing.data());
        r.walkId = kis::NameId(kinds[k].walk.data());
        r.standing = r.standingId ? libraries->animations.Find(r.standingId) : nullptr;
        r.walk = r.walkId ? libraries->animations.Find(r.walkId) : nullptr;
    }
    animationsLoaded_ = true;
}

GameAnimation* GameCharacter::FindKindAnimation(int32_t kind, uint32_t nameId) const {
    if (kind < 0 || size_t(kind) >= resolved_.size() || nameId == 0) return nullptr;
    const Resolved& r = resolved_[size_t(kind)];
    if (nameId == r.standingId) return r.standing;
    if (nameId == r.walkId) return r.walk;
    return nullptr;
}

const GameCharacter* FindById(std::span<const std::unique_ptr<GameCharacter>> characters, uint32_t id) {
    for (const auto& character : characters) {
        if (character && character->id == id) return character.get();
    }
    return nullptr;
}

bool ParseCharacters(std::span<const uint8_t> chunk, std::vector<std::unique_ptr<GameCharacter>>* out,
                     std::string* why) {
    SaveReader reader(chunk);
    uint32_t count = 0;
    if (!reader.ReadU32(&count)) return Refuse(why, "the character table has no count");
    if (count < 1 || count > 32)
        return Refuse(why, "character count " + std::to_string(count) + " not 1..32");
    if (size_t(count) * GameCharacter::kHeadSize > reader.Remaining())
        return Refuse(why, "the character table is cut short");

    std::vector<std::unique_ptr<GameCharacter>> characters;
    characters.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        auto character = std::make_unique<GameCharacter>();
        if (!character->Parse(reader, why)) return false;
        if (FindById(characters, character->id))
            return Refuse(why, "character id " + std::to_string(character->id) + " is used twice");
        characters.push_back(std::move(character));
    }
    if (reader.Remaining() != 0) return Refuse(why, "bytes follow the last character");
    for (uint32_t needed : {kCharacterFarmer, kCharacterSheepHead, kCharacterVillain, kCharacterCatapult}) {
        if (!FindById(characters, needed))
            return Refuse(why, "character " + std::to_string(needed) + " is missing");
    }
    *out = std::move(characters);
    return true;
}

std::vector<uint8_t> SerializeCharacters(std::span<const std::unique_ptr<GameCharacter>> characters) {
    SaveWriter writer;
    writer.PutU32(uint32_t(characters.size()));
    for (const auto& character : characters)
        character->Serialize(writer);
    return writer.TakeBytes();
}
