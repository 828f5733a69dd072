// A bakery from its bought site to bread in the warehouse: the farmer builds
// it, upgrades it to two slots, and it turns wheat and egg into bread at the
// level's factory rate of 2; a save during production loads to the same
// bytes.
#include "tests/farm/BuildingTestSupport.h"

#include <gtest/gtest.h>

using namespace buildtest;

TEST(BakeryScenarioTest, BuildUpgradeAndBake) {
    TestBakeryLevel l(1, 2.0f);
    // The definition's bakery makes way for a site bought at point 1.
    auto* bakery = dynamic_cast<PointFactory*>(
        l.level->CreatePoint(1, leveltest::Point(kPointBuilding, 0, kBakery, 120, 160)));
    ASSERT_NE(bakery, nullptr);
    EXPECT_EQ(l.host.money.Get(), 500 - kLevel1Price);

    // Built by the farmer.
    l.Run(kBuildMs + 300);
    ASSERT_EQ(bakery->Stage(), 1);
    EXPECT_EQ(bakery->SlotCount(), 1);

    // Upgraded from the panel's button.
    ASSERT_TRUE(bakery->OnButtonCommand(kUpgradeCommand));
    l.Run(100);
    EXPECT_EQ(std::u16string(l.player->GetAnimationName()), u"girl_build");
    EXPECT_TRUE(l.host.productionButtons[0]->hidden); // hidden while upgrading
    l.Run(kBuildMs + 200);
    ASSERT_EQ(bakery->Stage(), 2);
    ASSERT_EQ(bakery->SlotCount(), 2);
    EXPECT_EQ(l.host.money.Get(), 500 - kLevel1Price - kLevel2Price);
    l.host.productionButtons.clear();
    l.host.slotButtons.clear();
    bakery->HideProductionButtons(false, false, 0);
    bakery->ShowProductionButtons(false, 0);
    ASSERT_EQ(l.host.slotButtons.size(), 2u);

    // The bread button: wheat 2 and egg 1 fly out, the slot fills.
    const size_t changes = l.host.changes.size();
    ASSERT_TRUE(bakery->OnProductionButton(0, 1));
    EXPECT_EQ(l.Stock(kWheat), 4u);
    EXPECT_EQ(l.Stock(kEgg), 2u);
    ASSERT_EQ(l.host.changes.size(), changes + 2);
    EXPECT_EQ(l.host.changes[changes].units, -2);
    EXPECT_EQ(l.host.changes[changes + 1].units, -1);
    l.Run(10);
    EXPECT_EQ(bakery->AnimationState(), 2);
    EXPECT_EQ(l.host.playing.size(), 1u);

    // A second start, cancelled: its ingredients come back.
    ASSERT_TRUE(bakery->OnProductionButton(0, 1));
    EXPECT_EQ(l.Stock(kWheat), 2u);
    ASSERT_TRUE(bakery->OnSlotButton(1));
    EXPECT_EQ(l.Stock(kWheat), 4u);
    EXPECT_EQ(l.Stock(kEgg), 2u);

    // Saved half way, loaded into a fresh level, saved again: the same bytes.
    l.Run(kBreadMs / 4);
    std::unique_ptr<SaveBuffer> saved = l.level->Save();
    ASSERT_NE(saved, nullptr);

    // Bread reaches the warehouse at twice the speed; the work stops.
    l.Run(kBreadMs / 4 + 100);
    EXPECT_EQ(l.Stock(kBread), 1u);
    EXPECT_EQ(bakery->SlotsInUse(), 0);
    EXPECT_EQ(bakery->AnimationState(), 0);
    EXPECT_TRUE(l.host.playing.empty());
    EXPECT_EQ(l.level->HighestValue(), 1);

    TestBakeryLevel loaded(1, 2.0f);
    std::string why;
    ASSERT_TRUE(loaded.level->Load(saved->Data(), &why)) << why;
    auto* again = dynamic_cast<PointFactory*>(loaded.level->GetPoint(1));
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->Stage(), 2);
    EXPECT_EQ(again->SlotsInUse(), 1);
    EXPECT_NEAR(again->GetSlot(0).progress / again->GetSlot(0).duration, 0.5f, 0.01f);
    std::unique_ptr<SaveBuffer> resaved = loaded.level->Save();
    ASSERT_NE(resaved, nullptr);
    EXPECT_TRUE(std::ranges::equal(resaved->Data(), saved->Data()));
    loaded.Run(kBreadMs / 4 + 100);
    EXPECT_EQ(loaded.Stock(kBread), 1u);
}
