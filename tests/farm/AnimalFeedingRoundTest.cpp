// A morning on the sample level of the animal houses: the henhouse (level
// 1), the cowshed (level 2, two units of feed) and the sheep rack (level 1)
// with ten wheat and an animal rate of 2. The farmer feeds each house from
// its "Feed" button, the animals work, she collects eggs, milk and wool
// into the stock, and every house waits for feed again.
#include "tests/farm/AnimalTestSupport.h"

#include <gtest/gtest.h>

using namespace animaltest;

TEST(AnimalFeedingRound, FeedCollectAndFeedAgain) {
    AnimalLevel l(1, 2, 1, 10, 2.0f);
    PointHenhouse* hen = l.Hen();
    PointCowshed* shed = l.Shed();
    PointSheepRack* rack = l.Rack();
    l.Run(10);
    for (uint32_t point : {1u, 2u, 3u})
        ASSERT_NE(l.host.Visible(point, kFeedCommand), nullptr) << point;

    // The henhouse: fed, its chicken wanders, eats at its spot, sits on its
    // nest and leaves an egg. At rate 2 the 8-second cycle takes about 4.
    ASSERT_TRUE(hen->OnOverheadCommand(kFeedCommand));
    EXPECT_EQ(l.Stock(kWheat), 9u);
    ASSERT_TRUE(
        l.RunUntil([&] { return std::u16string(l.player->GetAnimationName()) == u"girl_feed"; }, 2000));
    ASSERT_TRUE(l.RunUntil([hen] { return hen->IsFed(); }, 2000));
    ASSERT_EQ(hen->ChickenCount(), 1);
    MapChicken* chicken = hen->Chicken(0);
    ASSERT_TRUE(l.RunUntil([hen] { return hen->Phase() == 1; }, 4000));
    ASSERT_TRUE(l.RunUntil([hen] { return hen->ChickensInPlace() == 1; }, 2000));
    EXPECT_EQ(std::u16string(chicken->GetAnimationName()), u"chicken_eat");
    int32_t sx, sy;
    hen->GetEatingSpot(0, &sx, &sy);
    EXPECT_EQ(chicken->X(), float(sx));
    EXPECT_EQ(chicken->Y(), float(sy));
    ASSERT_TRUE(l.RunUntil([hen] { return hen->Phase() == 3 && hen->ChickensInPlace() == 1; }, 4000));
    EXPECT_EQ(chicken->X(), float(hen->Nests()[0][0]));
    EXPECT_EQ(chicken->Y(), float(hen->Nests()[0][1] - 1));
    ASSERT_TRUE(l.RunUntil([hen] { return hen->Phase() == 4; }, 1000));
    EXPECT_EQ(hen->EggCount(), 1);
    ASSERT_FALSE(l.host.sounds.empty());
    EXPECT_EQ(l.host.sounds.back(), 9u); // the laying plays the house's sound
    ASSERT_NE(l.host.Visible(1, kEggsCommand), nullptr);

    // The cowshed fed meanwhile with its two units.
    ASSERT_TRUE(l.FeedAndWait(shed));
    EXPECT_EQ(l.Stock(kWheat), 7u);
    EXPECT_EQ(shed->CowCount(), 2);

    // The eggs into the stock.
    ASSERT_TRUE(hen->OnOverheadCommand(kEggsCommand));
    ASSERT_TRUE(l.RunUntil([hen] { return !hen->IsFed(); }, 4000));
    EXPECT_EQ(l.Stock(kEgg), 1u);
    EXPECT_NE(l.host.Visible(1, kFeedCommand), nullptr);

    // The cows: milk ready in 3 s at rate 2; the farmer milks both.
    ASSERT_TRUE(l.RunUntil([shed] { return shed->Remaining() == 0.0f; }, 4000));
    ASSERT_TRUE(shed->OnOverheadCommand(kMilkCommand));
    ASSERT_TRUE(l.RunUntil([shed] { return shed->MilkJob() && shed->MilkJob()->IsMilking(); }, 4000));
    EXPECT_EQ(std::u16string(l.player->GetAnimationName()), u"girl_milkcows");
    ASSERT_TRUE(l.RunUntil([&] { return l.player->JobCount() == 0; }, 5000));
    EXPECT_EQ(l.Stock(kMilk), 2u);
    EXPECT_FALSE(shed->IsFed());
    EXPECT_NE(l.host.Visible(2, kFeedCommand), nullptr);

    // The sheep: fed, eating, fleece grown, shorn.
    ASSERT_TRUE(l.FeedAndWait(rack));
    EXPECT_EQ(l.Stock(kWheat), 6u);
    // The sheep starts eating once its random wait (under a second) and the
    // idle move it may be playing are over.
    ASSERT_TRUE(l.RunUntil(
        [rack] { return std::u16string(rack->Sheep(0)->GetAnimationName()) == u"sheepbody_skin_eat"; },
        1500));
    EXPECT_EQ(std::u16string(rack->Sheep(0)->GetAnimationName()), u"sheepbody_skin_eat");
    EXPECT_EQ(std::u16string(rack->Sheep(0)->Head()->GetAnimationName()), u"sheephead_skin_eat");
    ASSERT_TRUE(l.RunUntil([rack] { return rack->Remaining() == 0.0f; }, 4000));
    l.Run(20); // the first call, with its fleece
    EXPECT_EQ(std::u16string(rack->Sheep(0)->GetAnimationName()), u"sheepbody_yelling");
    ASSERT_TRUE(rack->OnOverheadCommand(kCutCommand));
    ASSERT_TRUE(l.RunUntil([&] { return l.player->JobCount() == 0; }, 5000));
    EXPECT_EQ(l.Stock(kWool), 1u);
    EXPECT_NE(l.host.Visible(3, kFeedCommand), nullptr);

    // Every delivery told the tutorial once; the houses wait for feed.
    EXPECT_EQ(std::count(l.host.events.begin(), l.host.events.end(), TutorialEvent::Delivered), 3);
    for (PointPetshouse* house : {static_cast<PointPetshouse*>(hen), static_cast<PointPetshouse*>(shed),
                                  static_cast<PointPetshouse*>(rack)})
        EXPECT_TRUE(house->CanOrderFeed());
}
