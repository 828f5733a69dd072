#include "level/Bonuses.h"

#include "level/Records.h"
#include "sprites/Sprite.h"

#include <cmath>
#include <string_view>

namespace {

bool Refuse(std::string* why, std::string text) {
    if (why) *why = std::move(text);
    return false;
}

// A bonus's record; bytes 204-211 are reserved.
constexpr auto kBonusLayout = kis::Layout(
    Bonuses::kRecordSize, kis::Field<&BONUS::title>(0), kis::Field<&BONUS::description>(64),
    kis::Field<&BONUS::id>(128), kis::Field<&BONUS::name>(132), kis::Field<&BONUS::rechargeMs>(196),
    kis::Field<&BONUS::durationMs>(200), kis::Field<&BONUS::soundId>(212));

// What follows the bonus records: each bonus's row of speed modifiers, then
// the bee sprites' names.
struct BonusTail {
    std::array<std::array<float, Bonuses::kTrackCount>, kBonusCount> modifiers;
    std::array<std::array<char16_t, 32>, Bonuses::kBeeCount> bees;
};
constexpr size_t kModifiersSize = kBonusCount * Bonuses::kTrackCount * 4;
constexpr auto kTailLayout =
    kis::Layout(Bonuses::kChunkSize - kBonusCount * Bonuses::kRecordSize,
                kis::Field<&BonusTail::modifiers>(0), kis::Field<&BonusTail::bees>(kModifiersSize));

} // namespace

bool Bonuses::Parse(std::span<const uint8_t> chunk, std::string* why) {
    if (chunk.size() != kChunkSize)
        return Refuse(why, "the bonus table is " + std::to_string(chunk.size()) + " bytes, not 1632");

    std::array<BONUS, kBonusCount> bonuses{};
    for (int s = 0; s < kBonusCount; ++s) {
        const uint8_t* record = chunk.data() + size_t(s) * kRecordSize;
        BONUS& bonus = bonuses[size_t(s)];
        const std::string which = "bonus " + std::to_string(s);
        if (!kBonusLayout.Load(record, &bonus)) return Refuse(why, which + ": a name without its end");
        if (bonus.id != uint32_t(s)) return Refuse(why, which + ": its id is not its position");
        if (bonus.name[0] == 0) return Refuse(why, which + ": no name");
        for (int t = 0; t < s; ++t) {
            if (std::u16string_view(bonuses[size_t(t)].name) == std::u16string_view(bonus.name))
                return Refuse(why, which + ": its name is taken by bonus " + std::to_string(t));
        }
        if (bonus.rechargeMs == 0 || bonus.durationMs == 0)
            return Refuse(why, which + ": no recharge time or duration");
    }

    BonusTail tail{};
    const bool beesNamed = kTailLayout.Load(chunk.data() + kBonusCount * kRecordSize, &tail);
    for (const auto& row : tail.modifiers)
        for (float value : row)
            if (!std::isfinite(value)) return Refuse(why, "a speed modifier is not a number");
    if (!beesNamed) return Refuse(why, "a bee sprite name without its end");

    bonuses_ = bonuses;
    modifiers_ = tail.modifiers;
    bees_ = tail.bees;
    icons_ = {};
    loaded_ = true;
    return true;
}

void Bonuses::ResolveIcons() {
    SpriteLibrary* library = GetLibrary(kBonusIconLibrary);
    for (int i = 0; i < kBonusCount; ++i)
        icons_[size_t(i)] = library && loaded_ ? library->FindSprite(bonuses_[size_t(i)].name) : nullptr;
}

Sprite* Bonuses::Icon(int32_t id) const {
    return id >= 0 && id < kBonusCount ? icons_[size_t(id)] : nullptr;
}

std::array<uint8_t, Bonuses::kChunkSize> Bonuses::Serialize() const {
    std::array<uint8_t, kChunkSize> chunk{};
    for (int s = 0; s < kBonusCount; ++s) {
        // A bonus's id is its position, whatever the table says.
        BONUS bonus = bonuses_[size_t(s)];
        bonus.id = uint32_t(s);
        kBonusLayout.Store(bonus, chunk.data() + size_t(s) * kRecordSize);
    }
    kTailLayout.Store({modifiers_, bees_}, chunk.data() + kBonusCount * kRecordSize);
    return chunk;
}

const BONUS* Bonuses::Get(int32_t id) const {
    if (!loaded_ || id < 0 || id >= kBonusCount) return nullptr;
    return &bonuses_[size_t(id)];
}

const BONUS* Bonuses::FindByName(const char16_t* name) const {
    if (!loaded_ || !name) return nullptr;
    for (const BONUS& bonus : bonuses_) {
        if (std::u16string_view(bonus.name) == std::u16string_view(name)) return &bonus;
    }
    return nullptr;
}

float Bonuses::SpeedModifier(int32_t bonus, int32_t track) const {
    if (bonus < 0 || bonus >= kBonusCount || track < 0 || track >= kTrackCount) return 0.0f;
    return modifiers_[size_t(bonus)][size_t(track)];
}

const char16_t* Bonuses::BeeSprite(int32_t i) const {
    if (i < 0 || i >= kBeeCount) return nullptr;
    return bees_[size_t(i)].data();
}

void Bonuses::SetBeeSprite(int32_t i, const char16_t* name) {
    auto& field = bees_[size_t(i)];
    field.fill(0);
    for (size_t k = 0; name && k + 1 < field.size() && name[k]; ++k)
        field[k] = name[k];
}
