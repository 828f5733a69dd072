#include "level/GameLevel.h"

#include "LevelTestSupport.h"
#include "level/GameMessager.h"
#include "level/SaveStream.h"
#include "platform/Clock.h"
#include "platform/Random.h"
#include "tests/support/Damage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <vector>

using leveltest::TestLevel;

// Pause reasons are counted: two pauses need two resumes, and a resume
// without its pause never drives a counter below 0.
TEST(GameLevel, PauseReasonsAreCounted) {
    TestLevel level;
    level->StartClock();
    EXPECT_EQ(level->PauseWord(), 0u);
    level->Pause(kPauseWindow);
    level->Pause(kPauseWindow);
    level->Resume(kPauseWindow);
    EXPECT_TRUE(level->IsPausedExcept(0));
    level->Resume(kPauseWindow);
    EXPECT_FALSE(level->IsPausedExcept(0));
    level->Resume(kPauseWindow);
    EXPECT_EQ(level->PauseCount(kPauseWindow), 0u);
    level->Pause(kPauseWindow);
    EXPECT_TRUE(level->IsPausedExcept(0)) << "one pause after the unmatched resume pauses";

    level->Resume(kPauseWindow);
    level->OnWindowOpened(kWarehouseWindowId);
    EXPECT_EQ(level->PauseWord(), uint32_t(kPauseWarehouse));
    EXPECT_FALSE(level->IsPausedExcept(kPauseWarehouse | kPauseTutorial));
    level->OnWindowOpened(0x4D656E75);
    EXPECT_TRUE(level->IsPausedExcept(kPauseWarehouse | kPauseTutorial));
    level->OnWindowClosed(0x4D656E75);
    level->OnWindowClosed(kWarehouseWindowId);
    EXPECT_EQ(level->PauseWord(), 0u);
}

// Frames are scaled by the speed and cut into 10-ms ticks, at most 20 a
// frame; the level time runs only once the clock has started.
TEST(GameLevel, TenMillisecondTicks) {
    struct Case {
        float speed;
        std::vector<uint32_t> frames;
        std::vector<uint32_t> ticks;
    } cases[] = {
        {1.0f, {250}, {20}},        {1.0f, {25, 25, 5, 5}, {2, 3, 0, 1}},
        {2.0f, {25, 150}, {5, 20}}, {0.5f, {15, 15, 10}, {0, 1, 1}},
        {1.0f, {1000, 5}, {20, 0}},
    };
    for (const Case& c : cases) {
        TestLevel level;
        level->StartClock();
        level->SetSpeed(c.speed);
        uint32_t total = 0;
        for (size_t i = 0; i < c.frames.size(); ++i) {
            EXPECT_EQ(level->Update(c.frames[i]), c.ticks[i]) << c.speed << " frame " << i;
            total += c.ticks[i];
        }
        EXPECT_EQ(level->LevelTimeMs(), total * kLevelTickMs);
    }
    TestLevel waiting;
    EXPECT_EQ(waiting->Update(100), 0u) << "nothing runs before the first action";
    waiting->StartClock();
    waiting->Pause(kPauseTutorial);
    EXPECT_EQ(waiting->Update(100), 0u);
    waiting->Resume(kPauseTutorial);
    waiting->SetClockStopBit(kClockStopTutorial, true);
    EXPECT_EQ(waiting->Update(100), 10u);
    EXPECT_EQ(waiting->LevelTimeMs(), 0u) << "the tutorial's clock stop holds the level time";
}

// A shot goes to a random far point (150 pixels or more) before any near
// one, only to live points (never an empty site), and to none when no point
// lives.
TEST(GameLevel, ChooseShotTargetPrefersFarPoints) {
    TestLevel level;
    // Points at (100,100), sites at (120,160) and (600,100), the mill at
    // (800,500); shots from (100,100).
    platform::SeedRand(1);
    for (int i = 0; i < 50; ++i) {
        BaseLevelPoint* target = level->ChooseShotTarget(100, 100);
        ASSERT_NE(target, nullptr);
        EXPECT_EQ(target->Index(), 3u) << "point 0 is near, the far site at (600,100) takes no shot";
    }
    // Exactly 150 pixels away is far.
    BaseLevelPoint* p2 = level->GetPoint(2);
    p2->RequestRemove(false, true, 0);
    level->GetPoint(3)->RequestRemove(false, true, 0);
    EXPECT_EQ(level->GetLivePoint(3), nullptr);
    PointRecord at150 = level.record.points[3];
    at150.x = 250;
    at150.y = 100;
    level->CreatePoint(1, at150);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(level->ChooseShotTarget(100, 100)->Index(), 1u);

    level->GetPoint(1)->RequestRemove(false, true, 0);
    EXPECT_EQ(level->ChooseShotTarget(100, 100)->Index(), 0u) << "a near point when no far one lives";
    level->GetPoint(0)->RequestRemove(false, true, 0);
    EXPECT_EQ(level->ChooseShotTarget(100, 100), nullptr);
}

// Starting a bonus runs it for its duration; every other waiting slot gains
// 0.45 of its recharge, never beyond full; the bees go out with their own
// bonus only.
TEST(GameLevel, ActivateBonusGivesOthersPartOfTheirRecharge) {
    TestLevel level; // first recharge at half of the recharge time (factor 0.5)
    level.world->hasBonus[5] = false;
    level->StartUp();
    EXPECT_FALSE(level->Slot(5).inUse) << "a slot without a bonus stays out of use";
    level->StartClock();
    level->ActivateBonus(1);
    EXPECT_TRUE(level->Slot(1).running);
    EXPECT_EQ(level->Slot(1).counterMs, 5000u);
    EXPECT_FLOAT_EQ(level->Slot(0).fraction, 0.95f);
    EXPECT_EQ(level->Slot(0).counterMs, 9500u);
    EXPECT_FLOAT_EQ(level->Slot(3).fraction, 0.95f);
    EXPECT_EQ(level->Slot(3).counterMs, 38000u);
    EXPECT_EQ(level.frontEnd.goals[kAwardBonusesUsed], 2);

    level->ActivateBonus(2); // track 3 (factories) gains 1.0 while it runs
    EXPECT_FLOAT_EQ(level->Slot(0).fraction, 1.0f) << "at most a full recharge";
    EXPECT_EQ(level->Slot(0).counterMs, 10000u);
    EXPECT_FLOAT_EQ(level->Slot(1).fraction, 1.0f) << "the running slot keeps its own counter";
    EXPECT_FLOAT_EQ(level->GetSpeedFactor(3), 2.0f);
    EXPECT_EQ(level.frontEnd.goals[kAwardBonusesUsed], 6);
    EXPECT_EQ(level.world->beesSent, 0);
    level->ActivateBonus(SlotOfBonus(BonusKind::Bees));
    EXPECT_EQ(level.world->beesSent, 1);

    for (int i = 0; i < 25; ++i)
        level->Update(200);
    EXPECT_FALSE(level->Slot(2).running);
    EXPECT_FLOAT_EQ(level->GetSpeedFactor(3), 1.0f) << "the modifier goes with the bonus";
    EXPECT_EQ(level->Slot(2).counterMs, 0u);
}

// The win begins 1,000 ms after the last goal is met, once; a hard level
// is lost when the bronze time runs out; an ended level is never saved.
TEST(GameLevel, GoalsWinAfterASecondAndEndedLevelsAreNotSaved) {
    TestLevel level;
    level->OnScreenSizeChanged(1024, 768);
    level->StartClock();
    // Three presses on the farm count towards the click rate; one on the
    // panel below the field does not.
    for (int i = 0; i < 3; ++i)
        level->OnMouse(300, 400, kLevelMouseLeft, true);
    level->OnMouse(300, 760, kLevelMouseLeft, true);
    level->OnMouse(300, 400, kLevelMouseLeft, false);
    EXPECT_EQ(level->FarmClicks(), 3);
    for (int i = 0; i < 5; ++i)
        level->Update(200);
    level->AddMoney(450, 0, 0, 0); // 550 money
    EXPECT_EQ(level->GoalProgress(0), 550);
    for (uint32_t i : {1u, 2u}) {
        PointRecord cleared = level.record.points[i];
        cleared.objectId = 0;
        level->CreatePoint(i, cleared);
    }
    level->UpdateGoals(kGoalGarbageSites);
    EXPECT_EQ(level->GoalProgress(1), 2);
    EXPECT_EQ(level->Result(), uint32_t(kLevelWon));
    EXPECT_FALSE(level->IsEnded());
    level->Update(200);
    const uint32_t time = level->LevelTimeMs();
    for (int i = 0; i < 3; ++i)
        level->Update(200);
    EXPECT_FALSE(level->IsEnded());
    level->Update(200);
    EXPECT_TRUE(level->IsEnded());
    EXPECT_EQ(level->LevelTimeMs(), time) << "the clock stopped with the win";
    EXPECT_EQ(level.frontEnd.results, 1);
    // The win reaches the first-win goal and reports its clicks a second.
    EXPECT_EQ(level.frontEnd.goals[kAwardFirstWin], 1);
    ASSERT_GT(time, 0u);
    EXPECT_EQ(level.frontEnd.goals[kAwardClickRate], int32_t(3000000 / time));
    EXPECT_EQ(level->Save(), nullptr);
    level->Leave();
    EXPECT_TRUE(level.frontEnd.stored.empty());
    EXPECT_EQ(level.frontEnd.maps, 1);

    TestLevel hard(1);
    hard->StartClock();
    for (int i = 0; i < 300000 / 200; ++i)
        hard->Update(200);
    EXPECT_EQ(hard->Result(), uint32_t(kLevelLost));
    EXPECT_EQ(hard->Grade(), uint32_t(kGradeFailed)) << "lost as the clock reached the bronze time";
    EXPECT_EQ(hard.frontEnd.deleted, 1) << "a lost level keeps no saved game";
    EXPECT_EQ(hard->Save(), nullptr);
    hard->Win(0);
    EXPECT_EQ(hard->Result(), uint32_t(kLevelLost)) << "a lost level is not won";

    TestLevel easy;
    easy->StartClock();
    for (int i = 0; i < 310000 / 200; ++i)
        easy->Update(200);
    EXPECT_EQ(easy->Result(), uint32_t(kLevelRunning)) << "time does not end an easy level";
    EXPECT_EQ(easy->Grade(), uint32_t(kGradeBronze)) << "the easy regime never falls below bronze";
}

// Leaving a won level 8, 30 or 41 shows comic 1, 2 or 3 instead of the map;
// any other level, a level left unfinished or lost, and a refused comic go
// to the map.
TEST(GameLevel, LeavingAWonStoryLevelShowsItsComic) {
    struct Case {
        uint32_t index;
        bool won;
        bool comicShown; // what the front end answers
        uint32_t comic;  // asked for, 0 none
        int maps;
    };
    const Case cases[] = {
        {7, true, true, 1, 0},  {29, true, true, 2, 0}, {40, true, true, 3, 0}, {0, true, true, 0, 1},
        {8, true, true, 0, 1},  {30, true, true, 0, 1}, {7, false, true, 0, 1}, {7, true, false, 1, 1},
        {39, true, true, 0, 1}, {6, true, true, 0, 1},
    };
    for (const Case& c : cases) {
        TestLevel level(0, c.index);
        level.frontEnd.showComics = c.comicShown;
        level->StartClock();
        if (c.won) level->Win(0);
        level->Update(200);
        level->Leave();
        const std::vector<uint32_t> expected =
            c.comic ? std::vector<uint32_t>{c.comic} : std::vector<uint32_t>{};
        EXPECT_EQ(level.frontEnd.comics, expected) << "level " << c.index + 1;
        EXPECT_EQ(level.frontEnd.maps, c.maps) << "level " << c.index + 1;
        EXPECT_EQ(level.frontEnd.stored.size(), c.won ? 0u : 1u) << "only the unfinished level is saved";
    }
}

// A building goal counts the points of its type at its stage or above; the
// warehouse is a building of the warehouse type like any other.
TEST(GameLevel, BuildingGoalsCountTheWarehouseOfTheirType) {
    struct Case {
        uint32_t type;
        uint32_t stage;
        int32_t counted;
    } cases[] = {
        {kis::NameId("warehouse"), 1, 1}, {kis::NameId("warehouse"), 2, 0}, {leveltest::kMill, 1, 1},
        {leveltest::kMill, 2, 0},         {kis::NameId("bakery"), 1, 0},
    };
    for (const Case& c : cases) {
        TestLevel level;
        level.record.record.regimes[0].goals[1] = {kGoalBuilding, c.type, c.stage, 1};
        level->UpdateGoals(kGoalBuilding);
        EXPECT_EQ(level->GoalProgress(1), c.counted) << std::hex << c.type << " stage " << c.stage;
    }
}

namespace {

// A level in the middle of play: clock running, money reserved by a job,
// a villain on its place, a bonus running, a point damaged.
void Play(TestLevel& level) {
    level->StartClock();
    level->AddMoney(70, 0, 0, 0);
    level.world->Reserve(40);
    level.world->playerX = 612;
    level->ActivateBonus(4);
    for (int i = 0; i < 30; ++i)
        level->Update(200);
    level->GetPoint(3)->AddDamage(7, false);
    level->RaiseHighestValue(4, false);
}

} // namespace

// Save, load and save again give the same bytes, and leaving an unfinished
// level stores it in the profile.
TEST(GameLevel, SaveLoadSaveGivesIdenticalBytes) {
    TestLevel level;
    Play(level);
    ASSERT_EQ(level.world->created.size(), 1u);
    auto saved = level->Save();
    ASSERT_NE(saved, nullptr);
    const std::vector<uint8_t> bytes(saved->Data().begin(), saved->Data().end());

    TestLevel copy;
    std::string why;
    ASSERT_TRUE(copy->Load(bytes, &why)) << why;
    EXPECT_EQ(copy->Money().Get(), 130);
    EXPECT_EQ(copy->ReservedMoney(), 40);
    EXPECT_EQ(copy->LevelTimeMs(), level->LevelTimeMs());
    EXPECT_TRUE(copy->GetPoint(3)->IsMirrored() == level->GetPoint(3)->IsMirrored());
    EXPECT_EQ(copy->GetPoint(3)->Damage(), 7);
    EXPECT_TRUE(copy->Slot(4).running);
    EXPECT_FLOAT_EQ(copy->GetSpeedFactor(3), level->GetSpeedFactor(3));
    auto again = copy->Save();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(std::vector<uint8_t>(again->Data().begin(), again->Data().end()), bytes);

    TestLevel other(0, 31);
    EXPECT_FALSE(other->Load(bytes, &why)) << "saved for another level";
    // Refused: each field past what play gives it (point 0's 71-h countdown and 1,796,807,333-ms delay among
    // them). At their highest the counts (jobs done, clicks) stay.
    std::vector<uint8_t> full = bytes;
    constexpr int32_t jobs = kMaxLevelTicks, clicks = kMaxFarmClicks, run = kMaxProducedInARun;
    PutU32(full.data(), 60, jobs), PutU32(full.data(), 64, clicks);
    const int base = 160 + int(U32At(bytes.data(), 120)); // after the stock and point 0's record
    const uint8_t damage7[] = {12, 0, 0, 0, 7, 0, 0, 0};
    const int damage = int(std::search(bytes.begin(), bytes.end(), damage7, damage7 + 8) - bytes.begin()) + 4;
    const uint32_t late = kMaxLevelTimeMs + 1, hits = PointDamage::kStrongest + 1;
    const int at[] = {28,        60,        64,        44, base + 8, base + 12, base + 16, base + 4,
                      base + 40, base + 36, base + 60, 60, 64,       56,        damage};
    const uint32_t value[] = {late, ~0u,     ~0u, 100000u,  257235634u, 1796807333u, 77u, 1u /* locked */,
                              500u, 0x9999u, 2u,  jobs + 1, clicks + 1, run + 1,     hits};
    for (size_t i = 0; i < std::size(at); ++i) {
        std::vector<uint8_t> damaged = full;
        PutU32(damaged.data(), at[i], value[i]);
        EXPECT_FALSE(TestLevel()->Load(damaged, &why)) << at[i];
    }
    TestLevel counted;
    ASSERT_TRUE(counted->Load(full, &why)) << why;
    counted->OnScreenSizeChanged(1024, 768);
    counted->CountJobDone();
    counted->OnMouse(300, 400, kLevelMouseLeft, true);
    EXPECT_EQ(std::pair(counted->JobsDone(), counted->FarmClicks()), std::pair(jobs, clicks));

    level->Leave();
    ASSERT_EQ(level.frontEnd.stored.size(), 1u);
    EXPECT_EQ(level.frontEnd.stored[0], bytes);
}

// A damaged save is refused, leaving a fresh start, or loads with its points in place and saves again.
TEST(GameLevel, RandomDamageToSavesStartsTheLevelAfresh) {
    TestLevel level;
    Play(level);
    auto saved = level->Save();
    const std::string good(saved->Data().begin(), saved->Data().end());
    platform::SeedRand(99);
    int refused = 0;
    testsupport::ForRounds(2000, 20000, [&](int round) {
        const std::string damaged = testsupport::Damage(good, round);
        TestLevel copy;
        if (copy->Load(std::span(reinterpret_cast<const uint8_t*>(damaged.data()), damaged.size()))) {
            EXPECT_LE(copy->Money().Get(), kMaxMoney);
            EXPECT_NE(copy->Save(), nullptr);
            for (int32_t i = 0; i < int32_t(copy->PointCount()); ++i)
                EXPECT_EQ(std::pair(copy->GetPoint(i)->X(), copy->GetPoint(i)->Y()),
                          std::pair(level->GetPoint(i)->X(), level->GetPoint(i)->Y()));
            return;
        }
        ++refused;
        EXPECT_EQ(copy->LevelTimeMs(), 0u);
        EXPECT_EQ(copy->Money().Get(), 100) << "the starting money";
        EXPECT_EQ(copy->ReservedMoney(), 0);
        EXPECT_FALSE(copy->IsClockRunning());
        EXPECT_EQ(copy->PauseWord(), uint32_t(kPauseClockNotStarted));
    });
    EXPECT_GT(refused, 0);
}

namespace {

// A planted bed whose planting job stops while the bed is still bare: it
// asks the level to turn it back into what it was, from inside its own update.
struct BareBed : LevelPoint {
    GameLevel* level;
    int* updates;
    BareBed(uint32_t index, GameLevel* level, int* updates)
        : LevelPoint(index, kPointPlant), level(level), updates(updates) {}
    int32_t Update(uint32_t ms) override {
        ++*updates;
        level->RebuildPoint(Index());
        objectId_ = 0x77; // still in use after asking
        return LevelPoint::Update(ms);
    }
};

} // namespace

// A point that asks for its own rebuild is replaced after its code has
// returned, never while it runs.
TEST(GameLevel, PointRebuiltFromItsOwnUpdateIsReplacedAfterwards) {
    testsupport::TestLevelData levelData;
    TestLevel level;
    int updates = 0;
    GameLevel* raw = level.level.get();
    SetPointMaker(kPointEmptySite,
                  [&](uint32_t index, const PointRecord&) -> std::unique_ptr<BaseLevelPoint> {
                      if (index != 2) return nullptr;
                      return std::make_unique<BareBed>(index, raw, &updates);
                  });
    level->CreatePoint(2, level.record.points[2]);
    SetPointMaker(kPointEmptySite, nullptr);
    level->StartClock();
    level->SelectPoint(2, false);
    EXPECT_EQ(level->Update(10), 1u);
    EXPECT_EQ(updates, 1);
    ASSERT_NE(level->GetPoint(2), nullptr);
    EXPECT_EQ(dynamic_cast<BareBed*>(level->GetPoint(2)), nullptr) << "rebuilt from its definition";
    EXPECT_EQ(level->GetPoint(2)->ObjectId(), leveltest::kGarbage);
    EXPECT_EQ(level->SelectedPoint(), -1) << "a replaced point is no longer selected";
    EXPECT_FALSE(level->RebuildPoint(4));
}

TEST(GameLevel, SelectingAPointTellsTheTutorialItsIndexAndThePointItself) {
    struct Listener : NoLevelTutorial {
        std::vector<std::tuple<TutorialEvent, uint32_t, TutorialObject>> events;
        void Notify(TutorialEvent event, uint32_t a, TutorialObject b) override {
            events.emplace_back(event, a, b);
        }
    } tutorial;
    leveltest::TestLevel level(0, 30, nullptr, &tutorial);
    struct Case {
        int32_t index;
        int32_t reported; // -1: no point there
    } cases[] = {{0, 0}, {2, 2}, {-1, -1}, {55, -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        tutorial.events.clear();
        level->SelectPoint(c.index, false);
        ASSERT_EQ(tutorial.events.size(), 1u);
        const auto [event, a, b] = tutorial.events[0];
        EXPECT_EQ(event, TutorialEvent::PointSelected);
        EXPECT_EQ(int32_t(a), c.reported);
        EXPECT_EQ(b.As<BaseLevelPoint>(), c.reported < 0 ? nullptr : level->GetPoint(c.reported));
        if (c.reported >= 0) {
            EXPECT_FALSE(b.IsEmpty());
        }
    }
}

// Each chosen slot whose bonus the table has is in use from the start, its
// first recharge the level's share of the bonus's recharge time; a bonus
// without a recharge time is ready at once.
TEST(GameLevel, StartUpGivesEveryChosenSlotItsShareOfTheRecharge) {
    struct Case {
        float factor;
        uint32_t rechargeMs;
        uint32_t counterMs;
        float fraction;
        bool ready;
    } cases[] = {
        {0.5f, 10000, 5000, 0.5f, false},
        {1.0f, 10000, 10000, 1.0f, true},
        {0.0f, 10000, 0, 0.0f, false},
        {0.5f, 0, 0, 1.0f, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.factor << " of " << c.rechargeMs << " ms");
        TestLevel level;
        level.record.record.bonusFactors[3] = c.factor;
        level.world->bonus[3].rechargeMs = c.rechargeMs;
        level.frontEnd.chosen = 1u << 3;
        level->StartUp();
        EXPECT_TRUE(level->Slot(3).inUse);
        EXPECT_FALSE(level->Slot(2).inUse) << "a slot not chosen";
        EXPECT_EQ(level->Slot(3).counterMs, c.counterMs);
        EXPECT_FLOAT_EQ(level->Slot(3).fraction, c.fraction);
        EXPECT_EQ(level->IsBonusReady(3), c.ready);
    }
}

// Begin runs the particles 200 to 499 ticks ahead (a random number of them)
// and has the screen sprites take their disabled look before any tick runs.
TEST(GameLevel, BeginRunsTheParticlesAheadAndRefreshesTheScreenSprites) {
    struct Panel : NoLevelInterface {
        int refreshed = 0;
        int refreshedBeforeBegun = 0;
        GameLevel* level = nullptr;
        void RefreshScreenSprites() override {
            ++refreshed;
            if (level && !level->IsBegun()) ++refreshedBeforeBegun;
        }
    } panel;
    std::vector<uint32_t> ticks;
    for (uint32_t seed = 1; seed <= 12; ++seed) {
        platform::SeedRand(seed);
        TestLevel level(0, 30, &panel);
        panel.level = level.level.get();
        level->Begin();
        ASSERT_EQ(level.world->particlePreRuns.size(), 1u);
        ticks.push_back(level.world->particlePreRuns[0]);
        EXPECT_GE(ticks.back(), 200u);
        EXPECT_LE(ticks.back(), 499u);
    }
    EXPECT_EQ(panel.refreshed, 12);
    EXPECT_EQ(panel.refreshedBeforeBegun, 12) << "refreshed as play begins, not after";
    std::sort(ticks.begin(), ticks.end());
    EXPECT_LT(ticks.front(), ticks.back()) << "the length is drawn, not fixed";
}

// Goals met before the clock starts (stock sold while the level waits for
// its first click) do not win it then; the first action starts the clock
// and the win follows a second later.
TEST(GameLevel, NoWinBeforeTheClockStarts) {
    TestLevel level;
    level->AddMoney(450, 0, 0, 0);
    for (uint32_t i : {1u, 2u}) {
        PointRecord cleared = level.record.points[i];
        cleared.objectId = 0;
        level->CreatePoint(i, cleared);
    }
    level->UpdateGoals(kGoalGarbageSites);
    EXPECT_EQ(level->GoalProgress(0), 550);
    EXPECT_EQ(level->GoalProgress(1), 2);
    EXPECT_EQ(level->Result(), uint32_t(kLevelRunning)) << "met, but the clock has not started";
    EXPECT_EQ(level->ClockStop(), 0u);
    level->StartClock();
    EXPECT_EQ(level->Result(), uint32_t(kLevelWon));
    for (int i = 0; i < 5; ++i)
        level->Update(200);
    EXPECT_TRUE(level->IsEnded());
    EXPECT_EQ(level.frontEnd.results, 1);
}

// A level that has ended, won or lost, leads to its comic when it is a
// story level; an unfinished one never does.
TEST(GameLevel, LeavingAnEndedStoryLevelShowsItsComic) {
    struct Case {
        uint32_t index;
        uint32_t regime;
        bool lose; // lost (hard regime, bronze time out); else left unfinished
        std::vector<uint32_t> comics;
    } cases[] = {
        {7, 1, true, {1}}, {29, 1, true, {2}}, {40, 1, true, {3}}, {7, 1, false, {}}, {8, 1, true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index + 1);
        TestLevel level(c.regime, c.index);
        level->StartClock();
        if (c.lose) level->Lose();
        level->Leave();
        EXPECT_EQ(level.frontEnd.comics, c.comics);
        EXPECT_EQ(level.frontEnd.maps, c.comics.empty() ? 1 : 0);
    }
}

// The warehouse-full notice of a throttled delivery comes again once 10 s
// of the system clock have passed, also while the level stands paused (its
// own clock does not move then).
TEST(GameLevel, WarehouseFullNoticesAreThrottledByTheSystemClock) {
    struct Panel : NoLevelInterface {
        std::vector<uint32_t> full;
        void ShowWarehouseFull(uint32_t product) override { full.push_back(product); }
    } panel;
    platform::SetVirtualClock(true);
    struct Case {
        uint32_t waitMs;
        size_t notices;
    } cases[] = {{0, 1}, {5000, 1}, {9999, 1}, {10000, 2}, {60000, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.waitMs);
        panel.full.clear();
        TestLevel level(0, 30, &panel);
        level.world->room[0x99] = 0;
        GameMessager throttle;
        level->StartClock();
        level->Pause(kPauseWindow);
        EXPECT_EQ(level->PutToWarehouse(0x99, 2, &throttle, -1, 0, 0, 0), 0u);
        platform::SleepMilliseconds(c.waitMs);
        level->Update(200);
        EXPECT_EQ(level->LevelTimeMs(), 0u);
        level->PutToWarehouse(0x99, 2, &throttle, -1, 0, 0, 0);
        EXPECT_EQ(panel.full.size(), c.notices);
    }
    platform::SetVirtualClock(false);
}

// A click on the field asks the tutorial before it reaches a point: the point
// must be hovered (HoverPoint) and then selected (SelectHovered) with its
// index and the point; a click beside every point gives the selection up only
// when SelectHovered allows "none" (-1). A refused click still starts the
// clock. A click that would order the point's job asks StartJob with the
// job's id.
TEST(GameLevel, FieldClicksAskTheTutorialBeforeSelecting) {
    using enum TutorialAction;
    struct Gate : NoLevelTutorial {
        std::vector<TutorialAction> allowed;
        std::vector<std::tuple<TutorialAction, uint32_t, TutorialObject>> asked;
        bool IsRunning() const override { return true; }
        bool Allows(TutorialAction action, uint32_t tag, TutorialObject data) const override {
            const_cast<Gate*>(this)->asked.emplace_back(action, tag, data);
            return std::find(allowed.begin(), allowed.end(), action) != allowed.end();
        }
    } tutorial;
    struct Case {
        const char* name;
        std::vector<TutorialAction> allowed;
        int32_t selectedBefore;
        int32_t x, y; // the click, screen pixels (the field is drawn 1:1)
        int32_t selectedAfter;
        std::vector<std::pair<TutorialAction, uint32_t>> asked; // action, tag
    } cases[] = {
        {"nothing allowed", {}, -1, 600, 100, -1, {{HoverPoint, 2}}},
        {"hover only", {HoverPoint}, -1, 600, 100, -1, {{HoverPoint, 2}, {SelectHovered, 2}}},
        // Selected, the garbage site (no panel offers its clearing) asks to order it.
        {"hover and select",
         {HoverPoint, SelectHovered},
         -1,
         600,
         100,
         2,
         {{HoverPoint, 2}, {SelectHovered, 2}, {StartJob, JOBID_CLEAR}}},
        {"beside the points, kept", {}, 2, 300, 400, 2, {{SelectHovered, uint32_t(-1)}}},
        {"beside the points, given up", {SelectHovered}, 2, 300, 400, -1, {{SelectHovered, uint32_t(-1)}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        leveltest::TestLevel level(0, 30, nullptr, &tutorial);
        level->OnScreenSizeChanged(1024, 768);
        level->SelectPoint(c.selectedBefore, false);
        tutorial.allowed = c.allowed;
        tutorial.asked.clear();
        level->OnMouse(c.x, c.y, kLevelMouseLeft, true);
        EXPECT_EQ(level->SelectedPoint(), c.selectedAfter);
        std::vector<std::pair<TutorialAction, uint32_t>> asked;
        for (const auto& [action, tag, data] : tutorial.asked) {
            if (action == TutorialAction::Villains) continue;
            asked.emplace_back(action, tag);
            if (action == TutorialAction::HoverPoint ||
                (action == TutorialAction::SelectHovered && tag != uint32_t(-1))) {
                EXPECT_EQ(data.As<BaseLevelPoint>(), level->GetPoint(int32_t(tag)));
            }
        }
        EXPECT_EQ(asked, c.asked);
        EXPECT_TRUE(level->IsClockRunning()) << "a click on the field starts the clock, refused or not";
    }
}
