// The animal houses at work: the feeding cycle shared by all three, the
// henhouse's phases, nests and chickens, the cowshed's milk and calls, and
// the sheep rack's wool, idle turns and names.
#include "tests/farm/AnimalTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <span>

using namespace animaltest;

namespace {

PointPetshouse* HouseOf(AnimalLevel& l, int32_t index) {
    return dynamic_cast<PointPetshouse*>(l.level->GetPoint(index));
}

} // namespace

// ---------------------------------------------------------------- feeding

TEST(AnimalFeedTest, ExactFeedEnablesTheButtonAndFeedingEmptiesTheStock) {
    // point, the feed units of its level (the cowshed stands at level 2)
    const struct {
        int32_t point;
        uint32_t units;
    } cases[] = {{1, 1}, {2, 2}, {3, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.point);
        AnimalLevel l(1, 2, 1, c.units);
        PointPetshouse* house = HouseOf(l, c.point);
        ASSERT_NE(house, nullptr);
        EXPECT_EQ(house->FeedUnits(), c.units);
        l.Run(10);
        FakeButton::State* feed = l.host.Visible(uint32_t(c.point), kFeedCommand);
        ASSERT_NE(feed, nullptr);
        EXPECT_TRUE(feed->enabled);
        EXPECT_EQ(l.host.At(uint32_t(c.point), kFeedCommand).price, int32_t(c.units));
        ASSERT_TRUE(house->OnOverheadCommand(kFeedCommand));
        EXPECT_EQ(l.Stock(kWheat), 0u);
        EXPECT_EQ(l.host.changes.back().units, -int32_t(c.units));
        EXPECT_EQ(house->OverheadButtonShown(), nullptr);
        ASSERT_NE(house->FeedJob(), nullptr);
        EXPECT_EQ(house->FeedJob()->Carried(), c.units);
        // The other houses find no feed left: their buttons go grey.
        l.Run(10);
        for (int32_t other = 1; other <= 3; ++other) {
            if (other == c.point) continue;
            EXPECT_FALSE(HouseOf(l, other)->HasFeed());
        }
        ASSERT_TRUE(l.RunUntil([house] { return house->IsFed(); }, 3000));
        EXPECT_EQ(house->FeedJob(), nullptr);
        EXPECT_EQ(house->OverheadCommand() == kFeedCommand, false);
        EXPECT_FALSE(house->CanOrderFeed());
    }
}

TEST(AnimalFeedTest, ShortStockKeepsTheButtonDisabled) {
    AnimalLevel l(1, 2, 1, 1); // the level-2 cowshed needs 2
    l.Run(10);
    EXPECT_FALSE(l.Shed()->HasFeed());
    EXPECT_FALSE(l.Shed()->OnOverheadCommand(kFeedCommand));
    EXPECT_EQ(l.Stock(kWheat), 1u);
    EXPECT_EQ(l.Shed()->FeedJob(), nullptr);
}

TEST(AnimalFeedTest, StoppedFeedingReturnsTheFeedUnlessTheHouseGoesAtOnce) {
    // stop by: 0 the job itself, 1 removing the house animated for good,
    // 2 removing it at once for good; the stock afterwards
    const struct {
        int how;
        uint32_t stockAfter;
    } cases[] = {{0, 2}, {1, 2}, {2, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        AnimalLevel l(1, 2, 1, 2);
        PointCowshed* shed = l.Shed();
        ASSERT_TRUE(shed->OnOverheadCommand(kFeedCommand));
        l.Run(30);
        ASSERT_NE(shed->FeedJob(), nullptr);
        if (c.how == 0) {
            EXPECT_TRUE(shed->FeedJob()->Stop());
            EXPECT_NE(l.host.Visible(2u, kFeedCommand), nullptr);
        } else {
            shed->RequestRemove(c.how == 1, true, 0);
        }
        EXPECT_EQ(l.Stock(kWheat), c.stockAfter);
        EXPECT_EQ(shed->FeedJob(), nullptr);
        EXPECT_FALSE(shed->IsFed());
    }
}

TEST(AnimalFeedTest, OverlayFrameFollowsTheFraction) {
    const struct {
        float fraction;
        int32_t frame;
    } cases[] = {{0.3f, 2}, {0.0f, 0}, {1.0f, 4}, {0.26f, 2}, {0.25f, 1}, {7.0f, 4}, {-1.0f, 0}};
    AnimalLevel l;
    PointHenhouse* hen = l.Hen();
    ASSERT_NE(hen->Overlay(), nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fraction);
        hen->SetOverlayFrame(c.fraction);
        EXPECT_EQ(hen->Overlay()->Frame(), c.frame);
    }
}

// ---------------------------------------------------------------- henhouse

TEST(HenhouseTest, PhaseTimersShareTheRest) {
    const struct {
        uint32_t production, eating;
        std::array<float, 4> timers;
    } cases[] = {
        {10000, 3000, {5440.0f, 3000.0f, 1360.0f, 200.0f}}, {8000, 2000, {4640.0f, 2000.0f, 1160.0f, 200.0f}},
        {3100, 3000, {0.0f, 3000.0f, 0.0f, 200.0f}}, // below eating + 200
        {3200, 3000, {0.0f, 3000.0f, 0.0f, 200.0f}},        {0, 0, {0.0f, 0.0f, 0.0f, 200.0f}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.production);
        EXPECT_EQ(PointHenhouse::PhaseTimers(c.production, c.eating), c.timers);
    }
}

TEST(HenhouseTest, NestsAndButtonsSitWhereTheHouseSays) {
    for (bool mirrored : {false, true}) {
        SCOPED_TRACE(mirrored);
        AnimalLevel l(1, 2, 1, 10, 1.0f, mirrored);
        PointHenhouse* hen = l.Hen();
        ASSERT_EQ(hen->IsMirrored(), mirrored);
        int32_t x, y;
        hen->GetNestCentre(&x, &y);
        EXPECT_EQ(x, hen->AnchorX() + (mirrored ? -8 : 8));
        EXPECT_EQ(y, hen->AnchorY() + 30);
        // The feed button 8 pixels above the gauge, x mirrored.
        l.Run(10);
        ASSERT_TRUE(l.host.WasShown(1u, kFeedCommand));
        EXPECT_EQ(l.host.At(1u, kFeedCommand).x, hen->AnchorX() + (mirrored ? -12 : 12));
        EXPECT_EQ(l.host.At(1u, kFeedCommand).y, hen->AnchorY() - 28);
        ASSERT_TRUE(l.FeedAndWait(hen));
        // Nests lie in the ellipse around the centre, 8 pixels apart.
        for (size_t a = 0; a < 4; ++a) {
            const float ex = float(hen->Nests()[a][0] - x) / 17.0f,
                        ey = float(hen->Nests()[a][1] - y) / 10.0f;
            EXPECT_LE(ex * ex + ey * ey, 1.0f);
            for (size_t b = 0; b < a; ++b)
                EXPECT_GE(std::hypot(float(hen->Nests()[a][0] - hen->Nests()[b][0]),
                                     float(hen->Nests()[a][1] - hen->Nests()[b][1])),
                          8.0f);
        }
        ASSERT_TRUE(l.RunUntil([hen] { return hen->Phase() == 4; }, 20000));
        ASSERT_TRUE(l.host.WasShown(1u, kEggsCommand));
        EXPECT_EQ(l.host.At(1u, kEggsCommand).x, x);
        EXPECT_EQ(l.host.At(1u, kEggsCommand).y, y - 16);
    }
}

TEST(HenhouseTest, TheCycleLaysOneEggAChicken) {
    for (int32_t stage : {1, 2, 4}) {
        SCOPED_TRACE(stage);
        AnimalLevel l(stage);
        PointHenhouse* hen = l.Hen();
        ASSERT_TRUE(l.FeedAndWait(hen));
        EXPECT_EQ(hen->Phase(), 0);
        EXPECT_EQ(hen->ChickenCount(), stage);
        EXPECT_TRUE(hen->IsReady());
        ASSERT_TRUE(l.RunUntil([hen] { return hen->Phase() == 1; }, 10000));
        ASSERT_TRUE(l.RunUntil([hen] { return hen->Phase() == 3; }, 10000));
        ASSERT_TRUE(l.RunUntil([hen] { return hen->Phase() == 4; }, 10000));
        EXPECT_EQ(hen->EggCount(), stage);
        EXPECT_EQ(hen->ChickenCount(), 0);
        EXPECT_FALSE(hen->IsReady());
        ASSERT_NE(l.host.Visible(1u, kEggsCommand), nullptr);
        // The chickens walk out and go.
        ASSERT_TRUE(l.RunUntil([hen] { return hen->Animals().empty(); }, 3000));
        ASSERT_TRUE(hen->OnOverheadCommand(kEggsCommand));
        ASSERT_TRUE(l.RunUntil([hen] { return !hen->IsFed(); }, 5000));
        EXPECT_EQ(l.Stock(kEgg), uint32_t(stage));
        EXPECT_EQ(hen->EggCount(), 0);
        EXPECT_EQ(hen->Phase(), 4); // until the next feeding: no chickens come
        EXPECT_EQ(hen->ChickenCount(), 0);
        EXPECT_NE(l.host.Visible(1u, kFeedCommand), nullptr);
        EXPECT_EQ(std::count(l.host.events.begin(), l.host.events.end(), TutorialEvent::Delivered), 1);
    }
}

// Chickens fade in through their effects: their own alpha stays whole, so
// they are seen once the fade has run.
TEST(HenhouseTest, ChickensComingInKeepTheirOwnAlpha) {
    AnimalLevel l(3);
    PointHenhouse* hen = l.Hen();
    ASSERT_TRUE(l.FeedAndWait(hen));
    l.Run(1000);
    ASSERT_EQ(hen->ChickenCount(), 3);
    for (int32_t s = 0; s < 3; ++s) {
        ASSERT_NE(hen->Chicken(s), nullptr);
        EXPECT_TRUE(hen->Chicken(s)->IsOnLevel());
        EXPECT_EQ(hen->Chicken(s)->Alpha(), 1.0f);
    }
}

TEST(HenhouseTest, TheEatingTimerWaitsForEveryChicken) {
    AnimalLevel l(2);
    l.tables.chicken.walkSpeed = 0.05f; // half a pixel in ten ticks
    PointHenhouse* hen = l.Hen();
    ASSERT_TRUE(l.FeedAndWait(hen));
    ASSERT_TRUE(l.RunUntil([hen] { return hen->Phase() == 1; }, 10000));
    l.Run(500);
    EXPECT_LT(hen->ChickensInPlace(), hen->ChickenCount());
    EXPECT_EQ(hen->Timer(1), float(kHenEatingMs));
    EXPECT_EQ(hen->Overlay()->Frame(), 4); // the gauge stays full
}

TEST(HenhouseTest, AChickenWaitsAfterItsWalk) {
    AnimalLevel l(1);
    PointHenhouse* hen = l.Hen();
    ASSERT_TRUE(l.FeedAndWait(hen));
    MapChicken* chicken = hen->Chicken(0);
    ASSERT_NE(chicken, nullptr);
    for (int i = 0; i < 50; ++i) {
        ASSERT_TRUE(chicken->FindWalkTarget());
        EXPECT_GE(chicken->IdleWait(), 1000u);
        EXPECT_LE(chicken->IdleWait(), 3990u);
        EXPECT_EQ(chicken->IdleWait() % 10, 0u);
        const float dx = (chicken->TargetX() - float(hen->AnchorX())) / 80.0f;
        const float dy = (chicken->TargetY() - float(hen->AnchorY())) / 54.0f;
        EXPECT_LE(dx * dx + dy * dy, 1.0f);
    }
}

TEST(HenhouseTest, AChickenWithNoFreeSpotTriesAgainSoon) {
    // A pen blocked everywhere but a strip far from the house: no spot in
    // a hundred tries, another try after 100 ms.
    AnimalLevel l(1);
    const uint32_t clearances[] = {0};
    shpf::PathFinder finder(1024, 688, clearances);
    shpf::_SHAPE block{};
    block.kind = 0;
    const int32_t rect[4] = {0, 0, 1024, 600};
    std::memcpy(block.data, rect, sizeof rect);
    finder.SetLevelShapes(std::span<const shpf::_SHAPE>(&block, 1));
    l.host.finder = &finder;
    PointHenhouse* hen = l.Hen();
    hen->SetFed(true, false);
    MapChicken* chicken = hen->Chicken(0);
    ASSERT_NE(chicken, nullptr);
    EXPECT_FALSE(chicken->FindWalkTarget());
    EXPECT_EQ(chicken->IdleWait(), 100u);
    l.host.finder = nullptr;
    EXPECT_TRUE(chicken->FindWalkTarget());
    EXPECT_GE(chicken->IdleWait(), 1000u);
}

TEST(HenhouseTest, AnUpgradeWhileEggsLieKeepsTheEggsAndBringsNoChickens) {
    AnimalLevel l(1);
    PointHenhouse* hen = l.Hen();
    ASSERT_TRUE(l.FeedAndWait(hen));
    ASSERT_TRUE(l.RunUntil([hen] { return hen->Phase() == 4; }, 20000));
    ASSERT_TRUE(hen->OnButtonCommand(kUpgradeCommand));
    ASSERT_TRUE(l.RunUntil([hen] { return hen->Stage() == 2; }, 5000));
    l.Run(100);
    EXPECT_EQ(hen->EggCount(), 1);
    EXPECT_EQ(hen->ChickenCount(), 0);
    EXPECT_TRUE(hen->IsFed());
}

// ---------------------------------------------------------------- cowshed

TEST(CowshedTest, OneUnitOfMilkACow) {
    for (int32_t stage : {1, 3, 4}) {
        SCOPED_TRACE(stage);
        AnimalLevel l(1, stage);
        PointCowshed* shed = l.Shed();
        ASSERT_TRUE(l.FeedAndWait(shed));
        EXPECT_EQ(shed->CowCount(), stage);
        EXPECT_EQ(shed->Remaining(), float(kShedMs));
        ASSERT_TRUE(l.RunUntil([shed] { return shed->Remaining() == 0.0f; }, 10000));
        FakeButton::State* milk = l.host.Visible(2u, kMilkCommand);
        ASSERT_NE(milk, nullptr);
        EXPECT_EQ(l.host.At(2u, kMilkCommand).x, shed->AnchorX());
        EXPECT_EQ(l.host.At(2u, kMilkCommand).y, shed->AnchorY() - 56);
        ASSERT_TRUE(shed->OnOverheadCommand(kMilkCommand));
        ASSERT_NE(shed->MilkJob(), nullptr);
        ASSERT_TRUE(l.RunUntil([&] { return l.player->JobCount() == 0; }, 10000));
        EXPECT_EQ(l.Stock(kMilk), uint32_t(stage));
        EXPECT_FALSE(shed->IsFed());
        EXPECT_EQ(shed->CowCount(), 0);
        EXPECT_EQ(l.player->noRerouteCount, 0);
        // Back out at the milking spot.
        EXPECT_EQ(l.player->X(), float(shed->AnchorX() + 110));
    }
}

TEST(CowshedTest, CowsCallAtOnceThenEveryTenToTwentySeconds) {
    AnimalLevel l(1, 1);
    PointCowshed* shed = l.Shed();
    ASSERT_TRUE(l.FeedAndWait(shed));
    ASSERT_TRUE(l.RunUntil([shed] { return shed->Remaining() == 0.0f; }, 10000));
    EXPECT_EQ(shed->CallTimer(), 0.0f);
    l.Run(10);
    EXPECT_GE(shed->CallTimer(), 10000.0f - 10.0f);
    EXPECT_LE(shed->CallTimer(), 19900.0f);
    EXPECT_EQ(shed->Cow(0)->LastJobId(), uint32_t(JOBID_COWHEADYELLING));
    // The next calls: the timer is reloaded from 10,000..19,900 ms each time.
    int calls = 0;
    float previous = shed->CallTimer();
    for (int tick = 0; tick < 10000 && calls < 5; ++tick) {
        l.Run(10);
        if (shed->CallTimer() > previous) {
            ++calls;
            EXPECT_GE(shed->CallTimer(), 10000.0f - 10.0f);
            EXPECT_LE(shed->CallTimer(), 19900.0f);
            EXPECT_GE(previous, 0.0f);
            EXPECT_LE(previous, 10.0f); // it ran out
        }
        previous = shed->CallTimer();
    }
    EXPECT_EQ(calls, 5);
}

TEST(CowshedTest, AStoppedMilkingStillWalksOut) {
    AnimalLevel l(1, 2);
    PointCowshed* shed = l.Shed();
    ASSERT_TRUE(l.FeedAndWait(shed));
    ASSERT_TRUE(l.RunUntil([shed] { return shed->Remaining() == 0.0f; }, 10000));
    ASSERT_TRUE(shed->OnOverheadCommand(kMilkCommand));
    Job_MilkCows* job = shed->MilkJob();
    ASSERT_TRUE(l.RunUntil([job] { return job->IsMilking(); }, 5000));
    EXPECT_EQ(shed->Cow(0)->LastJobId(), uint32_t(JOBID_COWHEADMILK));
    EXPECT_FALSE(job->Stop()); // turned into the walk back out
    EXPECT_EQ(job->Step(), 4u);
    EXPECT_FALSE(job->Stop()); // no stop while she walks out
    ASSERT_TRUE(l.RunUntil([&] { return l.player->JobCount() == 0; }, 5000));
    EXPECT_EQ(l.Stock(kMilk), 0u);
    EXPECT_TRUE(shed->IsFed());
    EXPECT_NE(l.host.Visible(2u, kMilkCommand), nullptr);
    EXPECT_EQ(l.player->noRerouteCount, 0);
}

// ---------------------------------------------------------------- sheep rack

TEST(SheepRackTest, AnimationNamesFollowTheFleece) {
    const struct {
        const char16_t* base;
        int32_t kind;
        const char16_t* body;
        const char16_t* head;
    } cases[] = {
        {u"sheepbody_yelling", 0, u"sheepbody_skin_yelling", u"sheephead_skin_yelling"},
        {u"sheepbody_yelling", 1, u"sheepbody_yelling", u"sheephead_yelling"},
        {u"sheepbody_blink", 0, u"sheepbody_skin_blink", u"sheephead_skin_blink"},
        {u"sheepbody_skin_eat", 0, u"sheepbody_skin_eat", u"sheephead_skin_eat"},
        {u"other", 0, u"other", u"sheephead"},
    };
    for (const auto& c : cases) {
        const std::u16string body = MapSheep::KindName(c.base, c.kind);
        EXPECT_EQ(body, c.body);
        EXPECT_EQ(MapSheep::HeadName(body.c_str()), c.head);
    }
    EXPECT_EQ(MapSheep::BlinkMs(1), 3240);
    EXPECT_EQ(MapSheep::BlinkMs(0), 2760);
}

TEST(SheepRackTest, SheepStandFromTheStartEatWhenFedAndGiveWoolWhenShorn) {
    for (int32_t stage : {1, 3}) {
        SCOPED_TRACE(stage);
        AnimalLevel l(1, 2, stage);
        PointSheepRack* rack = l.Rack();
        EXPECT_EQ(rack->SheepCount(), stage);
        EXPECT_EQ(rack->Animals().size(), size_t(2 * stage));
        l.Run(10);
        ASSERT_NE(l.host.Visible(3u, kFeedCommand), nullptr);
        EXPECT_EQ(l.host.At(3u, kFeedCommand).y, rack->AnchorY() - 40);
        ASSERT_TRUE(l.FeedAndWait(rack));
        // One sheep at once, the others within a second.
        l.Run(20);
        int eating = 0;
        for (int32_t s = 0; s < stage; ++s)
            eating += rack->Sheep(s)->LastJobId() == JOBID_SHEEPEAT ? 1 : 0;
        EXPECT_GE(eating, 1);
        l.Run(1000);
        for (int32_t s = 0; s < stage; ++s)
            EXPECT_EQ(rack->Sheep(s)->LastJobId(), uint32_t(JOBID_SHEEPEAT));
        ASSERT_TRUE(l.RunUntil([rack] { return rack->Remaining() == 0.0f; }, 10000));
        for (int32_t s = 0; s < stage; ++s)
            EXPECT_EQ(rack->Sheep(s)->AnimationKind(), 1);
        l.Run(10);
        EXPECT_EQ(rack->CallTimer(), PointSheepRack::kCallMs);
        ASSERT_TRUE(rack->OnOverheadCommand(kCutCommand));
        ASSERT_TRUE(l.RunUntil([&] { return l.player->JobCount() == 0; }, 10000));
        EXPECT_EQ(l.Stock(kWool), uint32_t(stage));
        EXPECT_FALSE(rack->IsFed());
        EXPECT_EQ(rack->SheepCount(), stage); // the sheep stay, shorn
        for (int32_t s = 0; s < stage; ++s)
            EXPECT_EQ(rack->Sheep(s)->AnimationKind(), 0);
    }
}

TEST(SheepRackTest, AnIdleSheepTurnsOrBlinksEveryOneToSixSeconds) {
    AnimalLevel l(1, 2, 1);
    MapSheep* sheep = l.Rack()->Sheep(0);
    ASSERT_NE(sheep, nullptr);
    int jobs = 0;
    for (int i = 0; i < 3000 && jobs < 6; ++i) {
        const uint32_t before = sheep->IdleTimer();
        l.Run(10);
        if (sheep->IdleTimer() > before) {
            ++jobs;
            EXPECT_GE(sheep->IdleTimer(), 1000u);
            EXPECT_LE(sheep->IdleTimer(), 5990u);
            const uint32_t id = sheep->LastJobId();
            EXPECT_TRUE(id == JOBID_SHEEPTURNLEFT || id == JOBID_SHEEPTURNRIGHT || id == JOBID_SHEEPBLINK)
                << id;
            if (id == JOBID_SHEEPBLINK) {
                EXPECT_EQ(static_cast<Job_Animation*>(sheep->LastJob())->Duration(), 2760);
            }
        }
    }
    EXPECT_GE(jobs, 3);
}

// ---------------------------------------------------------------- delivery

// Produce goes into the warehouse in one delivery (the level's warehouse
// plays the store sound; the house adds no sound of its own); a full
// warehouse takes nothing, and the produce waits with its button shown again
// so that it can be collected once there is room.
TEST(AnimalStoreTest, ADeliveryReachesTheWarehouseOnceAFullWarehouseTakesNothing) {
    struct Case {
        int32_t point;
        uint32_t command;
    };
    for (const Case c : {Case{1, kEggsCommand}, Case{2, kMilkCommand}, Case{3, kCutCommand}}) {
        for (bool full : {false, true}) {
            SCOPED_TRACE(testing::Message() << "point " << c.point << (full ? " full" : ""));
            AnimalLevel l;
            PointPetshouse* house = HouseOf(l, c.point);
            ASSERT_TRUE(l.FeedAndWait(house));
            ASSERT_TRUE(l.RunUntil([house] { return !house->IsReady(); }, 20000));
            ASSERT_NE(l.host.Visible(uint32_t(c.point), c.command), nullptr);
            EXPECT_TRUE(l.host.eventSounds.empty());
            l.host.full = full;
            ASSERT_TRUE(house->OnOverheadCommand(c.command));
            ASSERT_TRUE(l.RunUntil([&] { return l.player->JobCount() == 0; }, 10000));
            EXPECT_EQ(l.host.delivered > 0, !full);
            EXPECT_TRUE(l.host.eventSounds.empty()) << "the warehouse's store sound only, not a second one";
            EXPECT_EQ(house->IsFed(), full);
            EXPECT_EQ(l.host.Visible(uint32_t(c.point), c.command) != nullptr, full);
        }
    }
}

// ---------------------------------------------------------------- progress and delivery

// Each house: no line while it waits for feed; fed, the line starts empty and
// the animals wait for the countdown before their work moves; the line then
// shows how much of the production time has run, until the produce's button
// takes its place; the produce flies into the warehouse from above the house
// (eggs 64 pixels above the nests, milk and wool 42 above the anchor) and
// counts towards award counter 1; collected, the line stays away.
TEST(AnimalProgressTest, TheLineFollowsTheWorkAndTheProduceFliesInFromAboveTheHouse) {
    struct Case {
        int32_t point;
        uint32_t command, produce;
        int32_t flyInOffset;
    };
    for (const Case c : {Case{1, kEggsCommand, kEgg, -64}, Case{2, kMilkCommand, kMilk, -42},
                         Case{3, kCutCommand, kWool, -42}}) {
        SCOPED_TRACE(testing::Message() << "point " << c.point);
        AnimalLevel l;
        PointPetshouse* house = HouseOf(l, c.point);
        auto* hen = dynamic_cast<PointHenhouse*>(house);
        auto* timed = dynamic_cast<PointTimedHouse*>(house);
        ASSERT_TRUE(hen || timed);
        const float production = float(house->Type()->header.animal.productionTime);
        // The share of the production time still to run.
        auto left = [&] {
            if (timed) return timed->Remaining() / production;
            float sum = 0.0f;
            for (int32_t p = hen->Phase(); p < 4; ++p)
                sum += hen->Timer(p);
            return sum / production;
        };
        EXPECT_EQ(house->Progress(), -1);
        ASSERT_TRUE(l.FeedAndWait(house));
        EXPECT_EQ(house->Progress(), 0);
        EXPECT_EQ(left(), 1.0f);
        l.Run(uint32_t(kPointInitialCountdownMs) - 10);
        EXPECT_EQ(left(), 1.0f) << "the work waits for the countdown";
        EXPECT_EQ(house->Progress(), 0);

        int32_t last = 0, samples = 0;
        for (float share : {0.75f, 0.5f, 0.2f}) {
            ASSERT_TRUE(l.RunUntil([&] { return left() <= share; }, 20000)) << share;
            EXPECT_NEAR(house->Progress(), 100.0f - left() * 100.0f, 1.0f) << share;
            EXPECT_GE(house->Progress(), last) << share;
            last = house->Progress();
            samples += house->Progress() > 0 && house->Progress() < 100;
        }
        EXPECT_EQ(samples, 3);

        ASSERT_TRUE(l.RunUntil([house] { return !house->IsReady(); }, 20000));
        l.Run(100);
        ASSERT_NE(l.host.Visible(uint32_t(c.point), c.command), nullptr);
        EXPECT_EQ(house->Progress(), -1) << "the produce's button stands in the line's place";

        int32_t x = house->AnchorX(), y = house->AnchorY();
        if (hen) hen->GetNestCentre(&x, &y);
        ASSERT_TRUE(house->OnOverheadCommand(c.command));
        ASSERT_TRUE(l.RunUntil([&] { return l.player->JobCount() == 0; }, 10000));
        ASSERT_EQ(l.host.deliveries.size(), 1u);
        const auto& delivery = l.host.deliveries[0];
        EXPECT_EQ(delivery.product, c.produce);
        EXPECT_EQ(delivery.award, 1);
        EXPECT_EQ(delivery.x, x);
        EXPECT_EQ(delivery.y, y);
        EXPECT_EQ(delivery.flyInOffset, c.flyInOffset);
        EXPECT_FALSE(house->IsFed());
        EXPECT_EQ(house->Progress(), -1);
        l.Run(1000);
        EXPECT_EQ(house->Progress(), -1);
    }
}

// ---------------------------------------------------------------- rate

// The animals keep the pace of their house: an animal speed modifier set
// before they come and one set while they stand both reach them, and one
// taken off leaves them. Chickens take it on motion tracks 0 and 2 and on
// their animations' scale; cows and sheep on motion tracks 0 and 1.
TEST(AnimalRateTest, AnimalsTakeTheirHousesRateEntries) {
    struct Case {
        int32_t point;
        std::array<bool, 3> motion;
        bool scale;
    };
    for (const Case c : {Case{1, {true, false, true}, true}, Case{2, {true, true, false}, false},
                         Case{3, {true, true, false}, false}}) {
        SCOPED_TRACE(testing::Message() << "point " << c.point);
        AnimalLevel l(2, 2, 2);
        auto modifier = [&](uint32_t id, float value, bool on) {
            float values[kSpeedTrackCount] = {};
            values[kAnimalSpeedGroup] = value;
            l.level->SetSpeedModifier(values, on, id);
        };
        PointPetshouse* house = HouseOf(l, c.point);
        auto animals = [&] {
            std::vector<MapCharacter*> out;
            for (int32_t s = 0; s < kMaxAnimals; ++s) {
                MapCharacter* a = nullptr;
                if (auto* hen = dynamic_cast<PointHenhouse*>(house)) a = hen->Chicken(s);
                if (auto* shed = dynamic_cast<PointCowshed*>(house)) a = shed->Cow(s);
                if (auto* rack = dynamic_cast<PointSheepRack*>(house)) a = rack->Sheep(s);
                if (a) out.push_back(a);
            }
            return out;
        };
        auto expectRate = [&](float rate, const char* when) {
            SCOPED_TRACE(when);
            EXPECT_FLOAT_EQ(house->Rate(), rate);
            const auto list = animals();
            ASSERT_EQ(list.size(), 2u);
            for (MapCharacter* a : list) {
                for (uint32_t t = 0; t < 3; ++t)
                    EXPECT_FLOAT_EQ(a->TrackValue(t), c.motion[t] ? rate : 1.0f) << "track " << t;
                EXPECT_FLOAT_EQ(a->MapCharacter::GetAnimationSpeed(), c.scale ? rate : 1.0f);
            }
        };
        modifier(901, 0.5f, true);
        ASSERT_TRUE(l.FeedAndWait(house));
        l.Run(100);
        expectRate(1.5f, "set before the animals came");
        modifier(902, 0.25f, true);
        expectRate(1.75f, "set while they stand");
        modifier(901, 0.5f, false);
        expectRate(1.25f, "one taken off");
    }
}
