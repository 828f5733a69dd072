// The shared small getters: the money comparison over an object's first
// field, a point's damage, and moving and measuring hint items.
#include "farm/PointAndHintGetters.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

struct Money {
    int32_t amount;
    int32_t reserved;
};

struct Point {
    const void* damage = nullptr;
    const void* GetDamage() const { return damage; }
};

// A hint item whose bounds-setting operation is counted, as a kind of item
// that lays itself out again would.
struct Item {
    kis::Rect bounds = {};
    int sets = 0;
    const kis::Rect& GetBounds() const { return bounds; }
    void SetBounds(const kis::Rect& r) {
        bounds = r;
        ++sets;
    }
};

} // namespace

TEST(SharedGetters, IsAtMostComparesWithTheFirstField) {
    const struct {
        int32_t amount, value;
        bool atMost;
    } cases[] = {{100, 99, true}, {100, 100, true},     {100, 101, false},           {-5, -6, true},
                 {-5, 0, false},  {0, INT32_MIN, true}, {INT32_MAX, INT32_MAX, true}};
    for (const auto& c : cases)
        EXPECT_EQ(IsAtMost(Money{c.amount, 1000}, c.value), c.atMost) << c.amount << " " << c.value;
}

TEST(SharedGetters, APointIsDamagedWhileItCarriesDamage) {
    Point point;
    EXPECT_FALSE(IsDamaged(point));
    int damage = 3;
    point.damage = &damage;
    EXPECT_TRUE(IsDamaged(point));
}

TEST(SharedGetters, HintItemsMoveKeepingTheirSizeAndGrowARectangle) {
    Item item;
    item.bounds = kis::MakeRect(10, 20, 60, 45);
    SetHintItemPosition(item, -5, 7);
    EXPECT_TRUE(kis::RectEquals(item.bounds, kis::MakeRect(-5, 7, 45, 32)));
    EXPECT_EQ(item.sets, 1) << "through the item's own operation";

    kis::Rect all = kis::MakeRect(0, 0, 20, 20);
    UnionHintItemBounds(item, all);
    EXPECT_TRUE(kis::RectEquals(all, kis::MakeRect(-5, 0, 45, 32)));
    kis::Rect inside = kis::MakeRect(-10, -10, 100, 100);
    UnionHintItemBounds(item, inside);
    EXPECT_TRUE(kis::RectEquals(inside, kis::MakeRect(-10, -10, 100, 100)));
}
