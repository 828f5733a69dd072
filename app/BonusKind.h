#pragma once
// The six bonuses of the game. A bonus's kind is its id everywhere: its
// record's position in the bonus table (content/farm/bonuses.txt), its word
// in a profile's owned flags, the ids a player chooses, and its slot in a
// running level (slot s holds bonus s, so a level has one slot per kind).
// What a bonus does beyond its speed modifiers is keyed by its kind.

#include <array>
#include <cstdint>

enum class BonusKind : int32_t {
    Bees = 0,  // holds the villain schedule still and sends bees on the villains
    Rain = 1,  // harvests use no water
    Boots = 2, // the farmer walks faster
    Sun = 3,   // plants grow faster
    Feed = 4,  // animal houses produce sooner
    Gears = 5, // factories work faster
};

constexpr int32_t kBonusCount = 6;
// A running level's bonus slots: one per bonus.
constexpr uint32_t kBonusSlotCount = kBonusCount;
// How many bonuses a player takes into a level.
constexpr int32_t kChosenBonusLimit = 3;

constexpr int32_t BonusId(BonusKind kind) {
    return int32_t(kind);
}
// The level slot a bonus fills.
constexpr uint32_t SlotOfBonus(BonusKind kind) {
    return uint32_t(kind);
}
// The bonus a level slot holds (slot below kBonusCount).
constexpr BonusKind BonusInSlot(uint32_t slot) {
    return BonusKind(slot);
}

// The bonuses a player takes into a level: count ids in the order chosen,
// -1 in the places after them.
struct BonusSelection {
    static constexpr std::array<int32_t, kChosenBonusLimit> None() {
        std::array<int32_t, kChosenBonusLimit> ids{};
        ids.fill(-1);
        return ids;
    }
    uint32_t count = 0;
    std::array<int32_t, kChosenBonusLimit> ids = None();
    bool operator==(const BonusSelection&) const = default;
};
