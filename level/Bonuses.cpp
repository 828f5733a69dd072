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

} // namespace

bool Bonuses::Parse(std::span<const uint8_t> chunk, std::string* why) {
    if (chunk.size() != kChunkSize)
        return Refuse(why, "the bonus table is " + std::to_string(chunk.size()) + " bytes, not 1632");

    std::array<BONUS, kBonusCount> bonuses{};
    for (int s = 0; s < kBonusCount; ++s) {
        const uint8_t* record = chunk.data() + size_t(s) * kRecordSize;
        BONUS& bonus = bonuses[size_t(s)];
        const std::string which = "bonus " + std::to_string(s);
        if (!ReadNameField(record + 0, bonus.title) || !ReadNameField(record + 64, bonus.description) ||
            !ReadNameField(record + 132, bonus.name))
            return Refuse(why, which + ": a name without its end");
        bonus.id = U32At(record, 128);
        if (bonus.id != uint32_t(s)) return Refuse(why, which + ": its id is not its position");
        if (bonus.name[0] == 0) return Refuse(why, which + ": no name");
        for (int t = 0; t < s; ++t) {
            if (std::u16string_view(bonuses[size_t(t)].name) == std::u16string_view(bonus.name))
                return Refuse(why, which + ": its name is taken by bonus " + std::to_string(t));
        }
        bonus.rechargeMs = U32At(record, 196);
        bonus.durationMs = U32At(record, 200);
        if (bonus.rechargeMs == 0 || bonus.durationMs == 0)
            return Refuse(why, which + ": no recharge time or duration");
        bonus.soundId = U32At(record, 212);
    }

    decltype(modifiers_) modifiers{};
    const uint8_t* table = chunk.data() + kBonusCount * kRecordSize;
    for (int b = 0; b < kBonusCount; ++b) {
        for (int t = 0; t < kTrackCount; ++t) {
            const float value = F32At(table, size_t(b * kTrackCount + t) * 4);
            if (!std::isfinite(value)) return Refuse(why, "a speed modifier is not a number");
            modifiers[size_t(b)][size_t(t)] = value;
        }
    }

    decltype(bees_) bees{};
    const uint8_t* names = table + kBonusCount * kTrackCount * 4;
    for (int i = 0; i < kBeeCount; ++i) {
        char16_t name[kNameLength];
        if (!ReadNameField(names + size_t(i) * kNameFieldSize, name))
            return Refuse(why, "a bee sprite name without its end");
        std::copy(std::begin(name), std::end(name), bees[size_t(i)].begin());
    }

    bonuses_ = bonuses;
    modifiers_ = modifiers;
    bees_ = bees;
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
        uint8_t* record = chunk.data() + size_t(s) * kRecordSize;
        const BONUS& bonus = bonuses_[size_t(s)];
        WriteNameField(record + 0, bonus.title);
        WriteNameField(record + 64, bonus.description);
        PutU32(record, 128, uint32_t(s));
        WriteNameField(record + 132, bonus.name);
        PutU32(record, 196, bonus.rechargeMs);
        PutU32(record, 200, bonus.durationMs);
        PutU32(record, 212, bonus.soundId);
    }
    uint8_t* table = chunk.data() + kBonusCount * kRecordSize;
    for (int b = 0; b < kBonusCount; ++b) {
        for (int t = 0; t < kTrackCount; ++t)
            PutF32(table, size_t(b * kTrackCount + t) * 4, modifiers_[size_t(b)][size_t(t)]);
    }
    uint8_t* names = table + kBonusCount * kTrackCount * 4;
    for (int i = 0; i < kBeeCount; ++i)
        WriteNameField(names + size_t(i) * kNameFieldSize, bees_[size_t(i)].data());
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
