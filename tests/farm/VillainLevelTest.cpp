// Villains on a running level: the attack cycle, clicks and bees, shots,
// and the level save with villains and shots in it.
#include "tests/farm/VillainTestSupport.h"

#include "platform/Random.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace villaintest;

namespace {

int ShotsFired(const RecordingHooks& hooks) {
    return hooks.Count(kSoundVillainShoots);
}

VillainInfoRecord Kind(void (*change)(VillainInfoRecord&)) {
    VillainInfoRecord r = Brute();
    change(r);
    return r;
}

// Every point leaves the level: nothing is live to shoot at.
void RemoveAllPoints(GameLevel& level) {
    for (uint32_t i = 0; i < level.PointCount(); ++i)
        level.GetPoint(int32_t(i))->RequestRemove(false, true, 0);
}

} // namespace

// ---------------------------------------------------------------- attack cycle

TEST(VillainAttackCycle, AVillainComesBySchedulePutsUpItsCrossAndSetsUp) {
    VillainLevelFixture f;
    f.RunMs(1990);
    EXPECT_EQ(f.Villains().VillainCount(), 0);
    f.RunMs(10);
    MapVillain* v = f.Villain();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->State(), kVillainArriving);
    EXPECT_TRUE(v->HasCross());
    EXPECT_FALSE(f.Villains().IsVillainPlaceFree(0));
    EXPECT_EQ(v->Health(), 3);
    EXPECT_EQ(v->ShotsLeft(), 2);
    // The install spot lies at y 480: the bar stands 88 pixels above it.
    auto* bar = dynamic_cast<PlainHealthBar*>(v->HealthBar());
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->X(), 600);
    EXPECT_EQ(bar->Y(), 392);
    EXPECT_EQ(bar->Maximum(), 3);

    f.RunMs(10);
    EXPECT_EQ(f.hooks.loadedSounds.size(), 1u); // the arrival sound, once
    ASSERT_TRUE(f.RunUntil([&] { return v->State() == kVillainAttacking; }));
    EXPECT_TRUE(v->IsSetUp());
    EXPECT_TRUE(v->IsObstacleOn());
    EXPECT_FALSE(v->HasCross());
    EXPECT_FLOAT_EQ(v->X(), 600.0f);
    EXPECT_FLOAT_EQ(v->Y(), 480.0f);
    ASSERT_NE(v->Catapult(), nullptr);
    EXPECT_TRUE(v->Catapult()->IsOnLevel());
    EXPECT_FLOAT_EQ(v->Catapult()->X(), 611.0f);
    EXPECT_FLOAT_EQ(v->Catapult()->Y(), 455.0f);
    EXPECT_GE(v->Catapult()->State(), kCatapultSetUp);
    EXPECT_EQ(ShotsFired(f.hooks), 0);
}

TEST(VillainAttackCycle, ItFiresItsShotsAnIntervalApartThenLeaves) {
    VillainLevelFixture f;
    f.RunMs(2000);
    MapVillain* v = f.Villain();
    ASSERT_TRUE(f.RunUntil([&] { return v->State() == kVillainAttacking; }));
    // The first shot after the wait, the second one interval later.
    uint32_t waited = 0;
    while (ShotsFired(f.hooks) == 0 && waited < 5000)
        f.RunMs(10), waited += 10;
    EXPECT_NEAR(double(waited), 1000.0, 30.0);
    EXPECT_EQ(v->ShotsLeft(), 1);
    EXPECT_EQ(f.Villains().ShotCount(), 1);
    EXPECT_EQ(std::count(f.hooks.events.begin(), f.hooks.events.end(), TutorialEvent::Shot), 1);
    waited = 0;
    while (ShotsFired(f.hooks) == 1 && waited < 5000)
        f.RunMs(10), waited += 10;
    // The interval runs while no job does: the shot job's ticks come on top.
    EXPECT_NEAR(double(waited), 2500.0, 50.0);
    EXPECT_EQ(v->ShotsLeft(), 0);
    // The last shot brings the next decision 300 ms on: then it leaves.
    EXPECT_LE(v->Countdown(), kLastShotCountdownMs);
    ASSERT_TRUE(f.RunUntil([&] { return v->State() == kVillainLeaving; }, 400));
    EXPECT_TRUE(f.RunUntil([&] { return f.Villains().VillainCount() == 0; }));
    EXPECT_TRUE(f.Villains().IsVillainPlaceFree(0));
    EXPECT_EQ(ShotsFired(f.hooks), 2);
}

TEST(VillainAttackCycle, AKindWithoutShotsStillFiresOne) {
    VillainLevelFixture f(Kind([](VillainInfoRecord& r) { r.shots = 0; }));
    f.RunMs(2000);
    MapVillain* v = f.Villain();
    EXPECT_EQ(v->ShotsLeft(), 1);
    ASSERT_TRUE(f.RunUntil([&] { return f.Villains().VillainCount() == 0; }));
    EXPECT_EQ(ShotsFired(f.hooks), 1);
}

TEST(VillainAttackCycle, WithNoLivePointEveryShotIsLostAndTheVillainLeaves) {
    VillainLevelFixture f;
    RemoveAllPoints(*f.level);
    f.RunMs(2000);
    MapVillain* v = f.Villain();
    ASSERT_TRUE(f.RunUntil([&] { return v->State() == kVillainLeaving; }));
    EXPECT_EQ(v->ShotsLeft(), 0);
    EXPECT_EQ(ShotsFired(f.hooks), 0);
    EXPECT_EQ(f.Villains().ShotCount(), 0);
    EXPECT_TRUE(f.RunUntil([&] { return f.Villains().VillainCount() == 0; }));
}

TEST(VillainAttackCycle, TheTutorialHoldsVillainsAndShotsStill) {
    VillainLevelFixture f;
    f.RunMs(2000);
    MapVillain* v = f.Villain();
    f.hooks.allow = false;
    f.RunMs(1000);
    EXPECT_EQ(v->State(), kVillainArriving);
    EXPECT_FLOAT_EQ(v->X(), -60.0f);
    f.hooks.allow = true;
    ASSERT_TRUE(f.RunUntil([&] { return f.Villains().ShotCount() == 1; }));
    VillainShot* shot = f.Villains().GetShot(0);
    f.RunMs(100);
    f.hooks.allow = false;
    const float travelled = shot->Travelled();
    f.RunMs(500);
    EXPECT_EQ(shot->Travelled(), travelled);
    EXPECT_FALSE(shot->IsBurst());
}

TEST(VillainAttackCycle, AVillainOfTheSecondLookPlaysItsOwnAnimationsAndTheCatapultFollows) {
    VillainLevelFixture f(Kind([](VillainInfoRecord& r) { r.animationId = 1; }));
    f.RunMs(2000);
    MapVillain* v = f.Villain();
    EXPECT_EQ(v->AnimationKind(), 1);
    ASSERT_TRUE(f.RunUntil([&] { return v->IsSetUp(); }));
    EXPECT_EQ(std::u16string(v->GetAnimationName()), u"villain_2_install_begin");
    EXPECT_EQ(v->Catapult()->State(), kCatapultHidden);
    ASSERT_TRUE(
        f.RunUntil([&] { return std::u16string(v->GetAnimationName()) == u"villain_2_install_end"; }, 100));
    EXPECT_EQ(v->Catapult()->State(), kCatapultSetUp);
    ASSERT_TRUE(f.RunUntil([&] { return v->State() == kVillainAttacking; }));
    // Standing after its job: the catapult stands too.
    f.RunMs(10);
    EXPECT_EQ(v->Catapult()->State(), kCatapultStanding);
    v->Shoot();
    f.RunMs(10);
    EXPECT_EQ(std::u16string(v->GetAnimationName()), u"villain_2_shoot_begin");
    EXPECT_EQ(v->Catapult()->State(), kCatapultSetUp);
}

TEST(VillainAttackCycle, TheHealthBarShowsOnHoverOnlyOnceTheVillainStandsAndHasHealth) {
    VillainLevelFixture f;
    f.RunMs(2000);
    MapVillain* v = f.Villain();
    auto* bar = dynamic_cast<PlainHealthBar*>(v->HealthBar());
    ASSERT_NE(bar, nullptr);
    v->Highlight(true);
    EXPECT_FALSE(bar->IsShown()); // walking in: not set up
    v->Highlight(false);
    EXPECT_EQ(v->GetPointIndex(), -1);
    ASSERT_TRUE(f.RunUntil([&] { return v->State() == kVillainAttacking; }));
    v->Highlight(true);
    EXPECT_TRUE(bar->IsShown());
    EXPECT_TRUE(v->Catapult()->IsHighlighted());
}

// ---------------------------------------------------------------- clicks and bees

TEST(VillainClicks, ClickedToNothingWhileArrivingItRunsOffAndPays) {
    VillainLevelFixture f;
    f.RunMs(2000);
    MapVillain* v = f.Villain();
    const int32_t money = f.world->Money().Get();
    EXPECT_TRUE(v->OnClick());
    EXPECT_TRUE(v->IsFlashing());
    EXPECT_TRUE(v->OnClick());
    EXPECT_EQ(v->Health(), 1);
    EXPECT_EQ(f.hooks.Count(kSoundVillainHit), 2);
    EXPECT_EQ(f.world->Money().Get(), money);
    EXPECT_TRUE(v->OnClick());
    EXPECT_EQ(v->State(), kVillainRunningAway);
    EXPECT_EQ(v->HealthBar(), nullptr);
    EXPECT_EQ(f.hooks.Count(kSoundVillainDrivenOff), 1);
    EXPECT_EQ(f.world->Money().Get(), money + 30);
    EXPECT_EQ(f.frontEnd.awards[kAwardVillainsDrivenOff], 1);
    // It had not fired: it counts towards the profile's villains in a row,
    // which feed their award goal.
    EXPECT_EQ(f.frontEnd.inARow, 1);
    EXPECT_EQ(f.frontEnd.goals[kAwardVillainsInARow], 1);
    EXPECT_TRUE(f.Villains().IsVillainPlaceFree(0));
    // Further clicks do nothing.
    EXPECT_FALSE(v->OnClick());
    EXPECT_EQ(f.frontEnd.awards[kAwardVillainsDrivenOff], 1);
    ASSERT_TRUE(f.RunUntil([&] { return f.Villains().VillainCount() == 0; }));
    EXPECT_EQ(ShotsFired(f.hooks), 0);
}

TEST(VillainClicks, ASetUpVillainDrivenOffBreaksItsCatapult) {
    VillainLevelFixture f;
    f.frontEnd.inARow = 4;
    f.frontEnd.goals[kAwardVillainsInARow] = 4;
    f.RunMs(2000);
    MapVillain* v = f.Villain();
    ASSERT_TRUE(f.RunUntil([&] { return ShotsFired(f.hooks) == 1; }));
    EXPECT_EQ(f.frontEnd.inARow, 0); // a shot fired sets the row back
    auto* bar = dynamic_cast<PlainHealthBar*>(v->HealthBar());
    ASSERT_NE(bar, nullptr);
    v->OnClick();
    EXPECT_EQ(bar->Value(), 2);
    EXPECT_EQ(bar->pulses, 1);
    EXPECT_TRUE(bar->IsShown()); // hurt and set up: the bar is due
    v->OnClick();
    v->OnClick();
    EXPECT_EQ(v->State(), kVillainRunningAway);
    EXPECT_EQ(v->Catapult()->State(), kCatapultBroken);
    EXPECT_FALSE(v->IsObstacleOn());
    EXPECT_EQ(f.frontEnd.inARow, 0) << "it had fired";
    EXPECT_EQ(f.frontEnd.goals[kAwardVillainsInARow], 4) << "the goal keeps the best row";
    EXPECT_EQ(v->JobCount(), 1);
    EXPECT_EQ(v->GetJob(0)->JobId(), JOBID_VILLAINRUN);
}

// A press picks a flying shot or a villain (also through its catapult)
// only when the tutorial allows picking that kind of object; a refused one
// leaves the press to what lies below and is not hurt.
TEST(VillainClicks, APressPicksOnlyTheShotOrVillainTheTutorialAllows) {
    VillainLevelFixture f;
    f.RunMs(2000);
    MapVillain* v = f.Villain();
    ASSERT_TRUE(f.RunUntil([&] { return f.Villains().ShotCount() == 1; }));
    VillainShot* shot = f.Villains().GetShot(0);
    // Away from the catapult it was fired from.
    f.RunMs(200);
    ASSERT_FALSE(shot->IsBurst() || shot->IsRemoved());
    EXPECT_TRUE(f.Villains().ShotUnder(shot->X() + 10.0f, shot->Y() - 10.0f));
    EXPECT_FALSE(f.Villains().ShotUnder(shot->X() + 20.0f, shot->Y())) << "beyond the click radius";
    const MapCatapult* catapult = v->Catapult();
    ASSERT_NE(catapult, nullptr);
    struct Case {
        const char* what;
        float x, y;
        std::vector<uint32_t> refused;
        bool taken;
        uint32_t asked;
    } cases[] = {
        {"a refused shot", shot->X(), shot->Y(), {kShotObjectKind}, false, kShotObjectKind},
        {"a refused villain", v->X(), v->Y() - 30.0f, {kVillainObjectKind}, false, kVillainObjectKind},
        {"a refused villain's catapult",
         catapult->X(),
         catapult->Y() - 20.0f,
         {kVillainObjectKind},
         false,
         kVillainObjectKind},
        {"an allowed villain", v->X(), v->Y() - 30.0f, {kShotObjectKind}, true, kVillainObjectKind},
        {"an allowed shot", shot->X(), shot->Y(), {kVillainObjectKind}, true, kShotObjectKind},
    };
    for (const Case& c : cases) {
        f.hooks.picksAsked.clear();
        f.hooks.refusedPicks = c.refused;
        EXPECT_EQ(f.Villains().ClickAt(c.x, c.y), c.taken) << c.what;
        EXPECT_NE(std::find(f.hooks.picksAsked.begin(), f.hooks.picksAsked.end(), c.asked),
                  f.hooks.picksAsked.end())
            << c.what;
    }
    EXPECT_EQ(v->Health(), 2) << "only the allowed click hurt it";
    EXPECT_TRUE(shot->IsBurst());
    EXPECT_FALSE(f.Villains().ShotUnder(shot->X(), shot->Y())) << "a burst shot takes no press";
}

TEST(VillainClicks, TheBeesDriveOffEveryVillainArrivingOrAttacking) {
    VillainLevelFixture f;
    f.RunMs(2000);
    MapVillain* v = f.Villain();
    f.level->ActivateBonus(SlotOfBonus(BonusKind::Bees));
    EXPECT_TRUE(v->IsBeesAttack());
    EXPECT_EQ(v->State(), kVillainRunningAway);
    EXPECT_EQ(f.frontEnd.awards[kAwardVillainsDrivenOff], 1);
    // The bonus holds the schedule; the villain runs off.
    ASSERT_TRUE(f.RunUntil([&] { return f.Villains().VillainCount() == 0; }));
}

// ---------------------------------------------------------------- shots

TEST(VillainShots, AShotFliesStraightAtItsTargetAndDamagesIt) {
    VillainLevelFixture f;
    f.RunMs(2000);
    ASSERT_TRUE(f.RunUntil([&] { return f.Villains().ShotCount() == 1; }));
    VillainShot* shot = f.Villains().GetShot(0);
    EXPECT_FLOAT_EQ(shot->StartX(), 610.0f);
    EXPECT_FLOAT_EQ(shot->StartY(), 387.0f);
    const BaseLevelPoint* target = f.level->GetPoint(shot->Target());
    ASSERT_NE(target, nullptr);
    const float dx = float(target->X()) - 610.0f, dy = float(target->Y()) - 387.0f;
    // Every point lies at least 150 pixels from the launch point.
    EXPECT_GE(std::sqrt(dx * dx + dy * dy), 150.0f);
    EXPECT_FLOAT_EQ(shot->Length(), std::sqrt(dx * dx + dy * dy));
    EXPECT_FLOAT_EQ(shot->Speed(), std::min(shot->Length() / 120.0f, 3.0f));
    const int32_t target_index = shot->Target();
    f.RunMs(50);
    // On the straight line from start to target.
    const float t = shot->Travelled() / shot->Length();
    EXPECT_NEAR(shot->X(), 610.0f + dx * t, 0.01);
    EXPECT_NEAR(shot->Y(), 387.0f + dy * t, 0.01);
    ASSERT_TRUE(f.RunUntil([&] { return f.Villains().ShotCount() == 0; }, 3000));
    EXPECT_EQ(f.level->GetPoint(target_index)->Damage(), 1);
    EXPECT_EQ(f.hooks.Count(kSoundShotLands), 1);
}

TEST(VillainShots, AClickedShotPaysAndBurstsWithoutDamage) {
    VillainLevelFixture f;
    f.RunMs(2000);
    ASSERT_TRUE(f.RunUntil([&] { return f.Villains().ShotCount() == 1; }));
    VillainShot* shot = f.Villains().GetShot(0);
    const int32_t target = shot->Target();
    const int32_t money = f.world->Money().Get();
    EXPECT_TRUE(shot->OnClick());
    EXPECT_TRUE(shot->IsBurst());
    EXPECT_FALSE(shot->OnClick()); // once
    EXPECT_EQ(f.world->Money().Get(), money + 5);
    EXPECT_EQ(f.hooks.Count(kSoundShotClicked), 1);
    ASSERT_TRUE(f.RunUntil([&] { return f.Villains().ShotCount() == 0; }, 2000));
    EXPECT_EQ(f.level->GetPoint(target)->Damage(), 0);
    EXPECT_EQ(f.hooks.Count(kSoundShotLands), 0);
}

TEST(VillainShots, AShotWhoseTargetWentBurstsHarmlessly) {
    VillainLevelFixture f;
    f.RunMs(2000);
    ASSERT_TRUE(f.RunUntil([&] { return f.Villains().ShotCount() == 1; }));
    VillainShot* shot = f.Villains().GetShot(0);
    BaseLevelPoint* target = f.level->GetPoint(shot->Target());
    target->RequestRemove(false, true, 0);
    ASSERT_TRUE(f.RunUntil([&] { return shot->IsBurst(); }, 3000));
    EXPECT_EQ(target->Damage(), 0);
    EXPECT_EQ(f.hooks.Count(kSoundShotLands), 0);
}

TEST(VillainShots, AShotOfNoLengthLandsOnItsFirstUpdate) {
    VillainLevelFixture f(Kind([](VillainInfoRecord& r) { r.flightTime = 5; }));
    const BaseLevelPoint* bed = f.level->GetPoint(kBed);
    VillainShot* shot = f.Villains().AddShot(float(bed->X()), float(bed->Y()), kBed,
                                             f.table.FindVillainInfo(kis::NameId("brute")), true);
    ASSERT_NE(shot, nullptr);
    EXPECT_EQ(shot->Length(), 0.0f);
    EXPECT_FLOAT_EQ(shot->Speed(), 3.0f);
    f.Villains().TickShots(10);
    EXPECT_EQ(f.Villains().ShotCount(), 0);
    EXPECT_EQ(bed->Damage(), 1);
}

// ---------------------------------------------------------------- the scenario of level 31

TEST(VillainScenario, AVillainArrivesShootsAPointAndIsClickedAway) {
    platform::SeedRand(31);
    VillainLevelFixture f;
    const int32_t startMoney = f.world->Money().Get();
    // The cross at 2 s, the villain walks in and sets up; the cross goes.
    f.RunMs(2000);
    MapVillain* v = f.Villain();
    ASSERT_NE(v, nullptr);
    EXPECT_TRUE(v->HasCross());
    ASSERT_TRUE(f.RunUntil([&] { return v->IsSetUp(); }));
    EXPECT_FALSE(v->HasCross());
    // The first shot is clicked: +5.
    ASSERT_TRUE(f.RunUntil([&] { return f.Villains().ShotCount() == 1; }));
    f.Villains().GetShot(0)->OnClick();
    EXPECT_EQ(f.world->Money().Get(), startMoney + 5);
    // The second lands: its point gets its puddle.
    ASSERT_TRUE(f.RunUntil([&] { return ShotsFired(f.hooks) == 2; }));
    const int32_t target = f.Villains().GetShot(f.Villains().ShotCount() - 1)->Target();
    ASSERT_TRUE(f.RunUntil([&] { return f.hooks.Count(kSoundShotLands) == 1; }, 3000));
    EXPECT_EQ(f.level->GetPoint(target)->Damage(), 1);
    // Three clicks: the catapult breaks, the villain runs away and pays 30.
    ASSERT_LE(v->State(), kVillainLeaving);
    for (int i = 0; i < 3; ++i)
        v->OnClick();
    EXPECT_EQ(v->State(), kVillainRunningAway);
    EXPECT_EQ(v->Catapult()->State(), kCatapultBroken);
    EXPECT_EQ(f.world->Money().Get(), startMoney + 35);
    ASSERT_TRUE(f.RunUntil([&] { return f.Villains().VillainCount() == 0; }));
    EXPECT_EQ(f.frontEnd.awards[kAwardVillainsDrivenOff], 1);
}

// ---------------------------------------------------------------- save

namespace {

std::vector<uint8_t> SaveBytes(GameLevel& level) {
    std::unique_ptr<SaveBuffer> saved = level.Save();
    if (!saved) return {};
    return {saved->Data().begin(), saved->Data().end()};
}

// Where the first shot record (28, not finished, a point, the kind) starts.
size_t FindShotRecord(const std::vector<uint8_t>& bytes) {
    const uint32_t kind = kis::NameId("brute");
    for (size_t i = 0; i + 28 <= bytes.size(); i += 4) {
        uint32_t w[4];
        std::memcpy(w, &bytes[i], sizeof w);
        if (w[0] == 28 && w[1] == 0 && w[2] < 13 && w[3] == kind) return i;
    }
    return SIZE_MAX;
}

// Where the villain's character block (after its kind id) starts.
size_t FindVillainBlock(const std::vector<uint8_t>& bytes) {
    const uint32_t kind = kis::NameId("brute");
    for (size_t i = 0; i + 8 <= bytes.size(); i += 4) {
        uint32_t w[3];
        std::memcpy(w, &bytes[i], sizeof w);
        if (w[0] == kind && w[1] == 132 && w[2] == kCharacterVillain) return i + 4;
    }
    return SIZE_MAX;
}

void PutWord(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    std::memcpy(&bytes[at], &value, 4);
}

} // namespace

TEST(VillainSave, EveryPhaseSavesLoadsAndSavesToTheSameBytes) {
    struct Phase {
        const char* name;
        uint32_t ms; // after the villain came
        bool driveOff;
    };
    const Phase phases[] = {{"walking in", 500, false},
                            {"setting up", 3400, false},
                            {"shot in flight", 4500, false},
                            {"leaving", 9200, false},
                            {"running away", 1200, true}};
    for (const Phase& phase : phases) {
        SCOPED_TRACE(phase.name);
        VillainLevelFixture a;
        a.RunMs(2000 + phase.ms);
        ASSERT_EQ(a.Villains().VillainCount(), 1);
        if (phase.driveOff) {
            for (int i = 0; i < 3; ++i)
                a.Villain()->OnClick();
            a.RunMs(300);
        }
        const std::vector<uint8_t> first = SaveBytes(*a.level);
        ASSERT_FALSE(first.empty());

        VillainLevelFixture b;
        std::string why;
        ASSERT_TRUE(b.level->Load(first, &why)) << why << " " << b.world->why;
        EXPECT_EQ(SaveBytes(*b.level), first);
        ASSERT_EQ(b.Villains().VillainCount(), 1);
        MapVillain* va = a.Villain();
        MapVillain* vb = b.Villain();
        EXPECT_EQ(vb->State(), va->State());
        EXPECT_EQ(vb->Health(), va->Health());
        EXPECT_EQ(vb->IsObstacleOn(), va->IsObstacleOn());
        EXPECT_EQ(vb->Catapult()->State(), va->Catapult()->State());
        EXPECT_EQ(b.Villains().IsVillainPlaceFree(0), a.Villains().IsVillainPlaceFree(0));
        // Both go on alike.
        a.RunMs(400);
        b.RunMs(400);
        EXPECT_EQ(SaveBytes(*b.level), SaveBytes(*a.level));
    }
}

TEST(VillainSave, AShotSavedInFlightGoesOnFromWhereItWas) {
    VillainLevelFixture a;
    a.RunMs(2000);
    ASSERT_TRUE(a.RunUntil([&] { return a.Villains().ShotCount() == 1; }));
    a.RunMs(300);
    const VillainShot* flying = a.Villains().GetShot(0);
    const std::vector<uint8_t> bytes = SaveBytes(*a.level);
    VillainLevelFixture b;
    ASSERT_TRUE(b.level->Load(bytes));
    ASSERT_EQ(b.Villains().ShotCount(), 1);
    const VillainShot* loaded = b.Villains().GetShot(0);
    EXPECT_EQ(loaded->Target(), flying->Target());
    EXPECT_FLOAT_EQ(loaded->Travelled(), flying->Travelled());
    EXPECT_FLOAT_EQ(loaded->X(), flying->X());
    EXPECT_FLOAT_EQ(loaded->Y(), flying->Y());
    EXPECT_FLOAT_EQ(loaded->Speed(), flying->Speed());
    // A burst shot is saved as finished and not brought back.
    a.Villains().GetShot(0)->Burst();
    VillainLevelFixture c;
    ASSERT_TRUE(c.level->Load(SaveBytes(*a.level)));
    EXPECT_EQ(c.Villains().ShotCount(), 0);
}

TEST(VillainSave, ValuesThatIndexTablesOutOfRangeAreRefused) {
    VillainLevelFixture a;
    a.RunMs(2000);
    ASSERT_TRUE(a.RunUntil([&] { return a.Villains().ShotCount() == 1; }));
    const std::vector<uint8_t> good = SaveBytes(*a.level);
    const size_t shot = FindShotRecord(good);
    const size_t block = FindVillainBlock(good);
    ASSERT_NE(shot, SIZE_MAX);
    ASSERT_NE(block, SIZE_MAX);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    uint32_t nanBits, negBits, infBits;
    const float neg = -1.0f, inf = std::numeric_limits<float>::infinity();
    std::memcpy(&nanBits, &nan, 4);
    std::memcpy(&negBits, &neg, 4);
    std::memcpy(&infBits, &inf, 4);
    struct Case {
        const char* what;
        size_t at;
        uint32_t value;
    };
    const Case cases[] = {
        {"shot size", shot, 32},
        {"shot finished flag", shot + 4, 2},
        {"shot target past the points", shot + 8, 4},
        {"shot target far past", shot + 8, 0xFFFFFFFF},
        {"shot kind unknown", shot + 12, 1234},
        {"shot distance negative", shot + 24, negBits},
        {"shot distance not a number", shot + 24, nanBits},
        {"shot distance endless", shot + 24, infBits},
        {"shot past its target (1e6 px)", shot + 24, 0x49742400},
        {"shot count", shot - 4, 65},
        {"shot start a pixel beside the launch point", shot + 16, 611}, // the launch point's x is 610
        {"shot start at the least x", shot + 16, 0x80000000},
        {"villain's animation played past the clock's run", block + 28, kMaxLevelTimeMs + 1},
        {"villain's animation left past the clock's run", block + 32, kMaxLevelTimeMs + 1},
        {"villain place", block + 100, 3},
        {"villain state", block + 104, 5},
        {"villain state negative", block + 104, 0xFFFFFFFF},
        {"villain countdown", block + 108, nanBits},
        {"villain countdown past its waits (9e6 ms)", block + 108, 0x4B095440},
        {"villain shots left", block + 112, 3},
        {"villain health", block + 116, 4},
        {"villain direction", block + 120, 8},
        {"villain set-up flag", block + 124, 2},
        {"catapult state", block + 128, 4},
        {"catapult state negative", block + 128, 0xFFFFFFFF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> bad = good;
        PutWord(bad, c.at, c.value);
        VillainLevelFixture b;
        EXPECT_FALSE(b.level->Load(bad));
        EXPECT_EQ(b.Villains().VillainCount(), 0);
    }
    // The shot job's target is checked the same way: it is the last word
    // of the villain's last job record.
    std::vector<uint8_t> badJob = good;
    size_t jobTarget = SIZE_MAX;
    for (size_t i = block + 132; i + 44 <= badJob.size(); i += 4) {
        uint32_t head[2];
        std::memcpy(head, &badJob[i], sizeof head);
        if (head[0] == 44 && head[1] == JOBID_VILLAINSHOT) {
            jobTarget = i + 40;
            break;
        }
    }
    if (jobTarget != SIZE_MAX) {
        PutWord(badJob, jobTarget, 13);
        VillainLevelFixture b;
        EXPECT_FALSE(b.level->Load(badJob));
    }
}

TEST(VillainSave, RandomDamageIsRefusedOrReadWithinBounds) {
    VillainLevelFixture a;
    a.RunMs(2000);
    ASSERT_TRUE(a.RunUntil([&] { return a.Villains().ShotCount() == 1; }));
    a.RunMs(200);
    const std::vector<uint8_t> good = SaveBytes(*a.level);
    const size_t from = FindShotRecord(good) - 4;
    platform::SeedRand(7);
    int loaded = 0;
    for (int round = 0; round < 300; ++round) {
        std::vector<uint8_t> bad = good;
        const int flips = 1 + kis::Random(4);
        for (int i = 0; i < flips; ++i) {
            const size_t at = from + size_t(kis::Random(int32_t(good.size() - from)));
            bad[at] = uint8_t(kis::Random(256));
        }
        VillainLevelFixture b;
        if (!b.level->Load(bad)) continue;
        ++loaded;
        for (int32_t i = 0; i < b.Villains().VillainCount(); ++i) {
            const MapVillain* v = b.Villains().GetVillain(i);
            EXPECT_GE(v->State(), 0);
            EXPECT_LT(v->State(), kVillainGone);
            EXPECT_LE(v->Health(), 3);
            EXPECT_LE(v->ShotsLeft(), 2);
            EXPECT_LT(v->Direction(), kVillainDirections);
            EXPECT_TRUE(std::isfinite(v->Countdown()));
        }
        for (int32_t i = 0; i < b.Villains().ShotCount(); ++i) {
            const VillainShot* s = b.Villains().GetShot(i);
            EXPECT_LT(uint32_t(s->Target()), b.level->PointCount());
            EXPECT_TRUE(std::isfinite(s->Travelled()));
            EXPECT_GE(s->Travelled(), 0.0f);
        }
        // Whatever was accepted runs.
        b.RunMs(3000);
    }
    EXPECT_GT(loaded, 0);
}
