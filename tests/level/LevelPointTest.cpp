// Level points on a running level: removal, damage, clicks, stages, the
// farmer's jobs at a point, the view and the routing of input.
#include "LevelTestSupport.h"
#include "level/GameMessager.h"
#include "level/PointJobs.h"
#include "level/SaveStream.h"
#include "platform/Input.h"

#include <gtest/gtest.h>

#include <algorithm>

using leveltest::TestLevel;

namespace {

// The panel side, recorded: what the level asked of it, and which input it
// takes.
class RecordingPanel : public NoLevelInterface {
  public:
    std::vector<std::string> calls;
    bool spritesTake = false, offersOrders = false;
    std::vector<uint32_t> fullNotices;

    void ShowMenu(bool) override { calls.push_back("menu"); }
    void PlayLevelSound(uint32_t sound, uint32_t) override {
        calls.push_back("sound " + std::to_string(sound));
    }
    void OpenBuildMenu(int32_t index) override { calls.push_back("build " + std::to_string(index)); }
    bool OfferPointOrder(int32_t index, uint32_t job) override {
        calls.push_back("offer " + std::to_string(index) + " " + std::to_string(job));
        return offersOrders;
    }
    bool RouteMouseToScreenSprites(int32_t, int32_t, uint32_t, bool) override {
        calls.push_back("sprites");
        return spritesTake;
    }
    void ShowWarehouseFull(uint32_t product) override { fullNotices.push_back(product); }
    // The repair buttons: the points they were shown for (the handle is the
    // count so far), and the handles taken away.
    std::vector<int32_t> repairShown;
    std::vector<uint32_t> repairHidden;
    uint32_t ShowRepairButton(int32_t index, bool) override {
        repairShown.push_back(index);
        return uint32_t(repairShown.size());
    }
    void HideRepairButton(uint32_t handle, bool) override { repairHidden.push_back(handle); }
};

// A point that records the calls the level makes of it.
struct ProbePoint : LevelPoint {
    int damaged = 0, repaired = 0, removed = 0;
    ProbePoint(uint32_t index, uint32_t kind) : LevelPoint(index, kind) {}
    void OnDamaged(bool) override { ++damaged; }
    void OnRepaired(bool) override { ++repaired; }
    uint32_t Remove(bool animated, bool forGood, uint32_t delay) override {
        ++removed;
        return LevelPoint::Remove(animated, forGood, delay) + 100;
    }
};

GameCharacter FarmerDescription() {
    GameCharacter c;
    c.id = kCharacterFarmer;
    c.variantCount = 4;
    c.walkSpeed = 4.0f;
    c.kinds.resize(1);
    c.kinds[0].standing[0] = u's';
    c.kinds[0].walk[0] = u'w';
    return c;
}

// A level whose world has a farmer standing on the level's map.
struct FarmLevel : TestLevel {
    GameCharacter farmer = FarmerDescription();
    explicit FarmLevel(LevelInterfaceHooks* panel = nullptr) : TestLevel(0, 30, panel) {
        auto player = std::make_unique<MapPlayer>(&level->Map(), &farmer, 500.0f, 400.0f);
        world->player = static_cast<MapPlayer*>(level->Map().Adopt(std::move(player)));
        world->player->AddToLevel(2);
        level->OnScreenSizeChanged(1024, 768);
    }
    ~FarmLevel() { level.reset(); }
    void Run(uint32_t ms) {
        for (uint32_t t = 0; t < ms; t += 100)
            level->Update(100);
    }
};

} // namespace

// A removal runs once: while the point is being removed a second request
// returns its delay unchanged, and the point no longer counts as live.
TEST(LevelPoint, RequestRemoveRunsOnceAndTheRemovedPointIsNotLive) {
    testsupport::TestLevelData levelData;
    TestLevel level;
    SetPointMaker(kPointBuilding,
                  [](uint32_t i, const PointRecord& r) { return std::make_unique<ProbePoint>(i, r.kind); });
    level->CreatePoint(3, level.record.points[3]);
    SetPointMaker(kPointBuilding, nullptr);
    auto* probe = dynamic_cast<ProbePoint*>(level->GetPoint(3));
    ASSERT_NE(probe, nullptr);

    struct Case {
        bool forGood;
        uint32_t delay, expected;
        int removals;
        bool live;
    } cases[] = {
        {false, 10, 110, 1, true}, // not for good: removed again next time
        {true, 20, 120, 2, false},
        {true, 30, 30, 2, false}, // already being removed: unchanged
        {false, 40, 40, 2, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(probe->RequestRemove(false, c.forGood, c.delay), c.expected) << c.delay;
        EXPECT_EQ(probe->removed, c.removals) << c.delay;
        EXPECT_EQ(level->GetLivePoint(3) != nullptr, c.live) << c.delay;
        EXPECT_EQ(level->PointExists(3), c.live) << c.delay;
    }
}

// A hit makes the puddle, later hits strengthen it; a point being removed
// takes none; the repair removes the puddle; a saved puddle comes back.
TEST(LevelPoint, DamageMakesAndStrengthensThePuddleAndTheRepairRemovesIt) {
    TestLevel level;
    auto probe = std::make_unique<ProbePoint>(3, kPointBuilding);
    ProbePoint& p = *probe;
    p.Attach(level.level.get());
    p.AddDamage(0, true);
    EXPECT_FALSE(p.IsDamaged()) << "a hit of strength 0 is none";
    p.AddDamage(5, true);
    p.AddDamage(7, false);
    EXPECT_EQ(p.Damage(), 12);
    EXPECT_EQ(p.damaged, 2);
    p.AddDamage(INT32_MAX, false);
    EXPECT_EQ(p.Damage(), PointDamage::kStrongest) << "the strength stops where the puddle does";

    SaveWriter out;
    p.SaveDamage(out);
    auto saved = out.Finish();
    ProbePoint copy(3, kPointBuilding);
    SaveReader in(saved->Data());
    ASSERT_TRUE(copy.LoadDamage(in));
    EXPECT_EQ(copy.damaged, 1) << "a loaded puddle stops the point's work as the hit did";

    EXPECT_TRUE(p.Repair(true));
    EXPECT_FALSE(p.IsDamaged());
    EXPECT_EQ(p.repaired, 1);
    EXPECT_FALSE(p.Repair(true)) << "nothing left to repair";

    p.RequestRemove(false, true, 0);
    p.AddDamage(3, true);
    EXPECT_FALSE(p.IsDamaged()) << "a point being removed takes no hit";
}

// Stages stay within the level's limit for the point's type; the
// warehouse's stage raises the stock's level.
TEST(LevelPoint, StagesStayWithinTheLevelsLimit) {
    TestLevel level;
    auto* mill = dynamic_cast<LevelPoint*>(level->GetPoint(3));
    ASSERT_NE(mill, nullptr);
    EXPECT_EQ(mill->Stage(), 1);
    EXPECT_EQ(mill->StageLimit(), 2);
    EXPECT_TRUE(mill->NextStage());
    EXPECT_EQ(mill->Stage(), 2);
    EXPECT_TRUE(mill->IsReady());
    EXPECT_FALSE(mill->NextStage()) << "at the limit";
    mill->SetProgress(140);
    EXPECT_EQ(mill->Progress(), 100);
    mill->HideProgress();
    EXPECT_EQ(mill->Progress(), -1);
    // The stars wait for their delay (the level's ticks count it down); a
    // point removed takes its line and stars away.
    mill->ShowStageStars(2, true, 250);
    EXPECT_EQ(mill->StageStars(), 2);
    level->StartClock();
    level->Update(100);
    EXPECT_EQ(mill->StarsDelay(), 150u);
    level->Update(200);
    EXPECT_EQ(mill->StarsDelay(), 0u);
    mill->SetProgress(30);
    mill->Remove(false, false, 0);
    EXPECT_EQ(mill->StageStars(), 0);
    EXPECT_EQ(mill->Progress(), -1);

    PointRecord tooHigh = level.record.points[3];
    tooHigh.stage = 9;
    EXPECT_EQ(level->CreatePoint(3, tooHigh)->Stage(), 2);

    auto* warehouse = dynamic_cast<LevelPoint*>(level->GetPoint(0));
    ASSERT_NE(warehouse, nullptr);
    EXPECT_TRUE(warehouse->NextStage());
    EXPECT_TRUE(warehouse->NextStage());
    EXPECT_FALSE(warehouse->NextStage());
    EXPECT_EQ(level.world->warehouseLevels, (std::vector<uint32_t>{2, 3}));
}

// A new point's countdown, and the one the change to its next stage starts,
// hold its work back: each step gives the point only what the countdown
// leaves of it; without a countdown the whole step is the point's.
TEST(LevelPoint, TheCountdownTakesTheStartOfEachStepUntilItHasRun) {
    TestLevel level;
    auto* mill = dynamic_cast<LevelPoint*>(level->GetPoint(3));
    ASSERT_NE(mill, nullptr);
    EXPECT_EQ(mill->Countdown(), kPointInitialCountdownMs) << "a new point starts its countdown";
    struct Step {
        bool restart; // StartNextStage before the step
        uint32_t ms;
        int32_t left;      // what the step leaves the point
        int32_t countdown; // the countdown after it
    };
    const Step steps[] = {
        {false, 250, 0, 350}, {false, 300, 0, 50}, {false, 100, 50, 0}, {false, 100, 100, 0},
        {true, 1000, 400, 0}, {true, 600, 0, 0},   {false, 10, 10, 0},  {true, 0, 0, 600},
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        if (steps[i].restart) mill->StartNextStage();
        EXPECT_EQ(mill->Update(steps[i].ms), steps[i].left) << "step " << i;
        EXPECT_EQ(mill->Countdown(), steps[i].countdown) << "step " << i;
    }

    // A loaded point without a countdown (-1) works from its first step.
    SaveWriter out;
    out.PutU32(24);
    out.PutU32(0);
    out.PutI32(-1);
    out.PutU32(0);
    out.PutU32(0);
    out.PutU32(0);
    auto saved = out.Finish();
    SaveReader in(saved->Data());
    ASSERT_TRUE(mill->LoadBase(in));
    EXPECT_EQ(mill->Update(70), 70);
    EXPECT_EQ(mill->Countdown(), -1);
}

// Input goes to the screen sprites, then the field; a click near a point
// passes to the point, which selects itself with the sound.
TEST(LevelPoint, InputIsRoutedToScreenSpritesThenTheField) {
    RecordingPanel panel;
    TestLevel level(0, 30, &panel);
    level->OnScreenSizeChanged(1024, 768);
    struct Case {
        const char* what;
        bool sprites;
        int32_t x, y;
        bool taken;
        int32_t selected;
        std::vector<std::string> calls;
    } cases[] = {
        {"a screen sprite", true, 800, 500, true, -1, {"sprites"}},
        {"the mill", false, 810, 490, true, 3, {"sprites", "sound 2"}},
        {"empty field", false, 300, 600, false, -1, {"sprites"}},
        {"the panel strip", false, 800, 700, false, -1, {"sprites"}},
    };
    for (const Case& c : cases) {
        panel.calls.clear();
        panel.spritesTake = c.sprites;
        level->SelectPoint(-1, false);
        EXPECT_EQ(level->OnMouse(c.x, c.y, kLevelMouseLeft, true), c.taken) << c.what;
        EXPECT_EQ(level->SelectedPoint(), c.selected) << c.what;
        EXPECT_EQ(panel.calls, c.calls) << c.what;
    }
    EXPECT_TRUE(level->IsClockRunning()) << "the first click on a point starts the clock";

    panel.calls.clear();
    EXPECT_TRUE(level->OnKey(platform::kDikEscape, true));
    EXPECT_EQ(panel.calls, std::vector<std::string>{"menu"});
}

// The field (1024 x 688) fills the screen above the panel as far as its
// shape allows: scaled down on a smaller screen and up on a larger one,
// centred, and screen and field coordinates convert both ways.
TEST(LevelPoint, TheViewFitsTheFieldToTheScreenAndConvertsBothWays) {
    struct Case {
        int32_t w, h;
        bool scaled;
        float scale, originX, originY;
    } cases[] = {
        {1024, 768, false, 1.0f, 0.0f, 0.0f},
        {1280, 1024, true, 1.25f, 0.0f, 42.0f},
        {800, 600, true, 520.0f / 688.0f, 13.0f, 0.0f},
        {1920, 1080, true, 1000.0f / 688.0f, 215.0f, 0.0f},
        {2560, 1440, true, 1360.0f / 688.0f, 267.0f, 0.0f},
    };
    for (const Case& c : cases) {
        TestLevel level;
        level->OnScreenSizeChanged(c.w, c.h);
        EXPECT_EQ(level->IsFieldScaled(), c.scaled) << c.w;
        EXPECT_FLOAT_EQ(level->FieldScale(), c.scale) << c.w;
        float sx, sy, fx, fy;
        level->FieldToScreen(0.0f, 0.0f, &sx, &sy);
        EXPECT_FLOAT_EQ(sx, c.originX) << c.w;
        EXPECT_FLOAT_EQ(sy, c.originY) << c.w;
        level->FieldToScreen(300.0f, 200.0f, &sx, &sy);
        level->ScreenToField(sx, sy, &fx, &fy);
        EXPECT_NEAR(fx, 300.0f, 1e-3) << c.w;
        EXPECT_NEAR(fy, 200.0f, 1e-3) << c.w;
    }
}

// A click on garbage orders the farmer to clear it: its price is held from
// the order, the farmer walks there and works, the garbage goes, the award
// counter, the goal and the level's count of jobs done hear of it. With a
// panel that offers the order the click only selects; a click on a clean
// site opens the build menu.
TEST(LevelPoint, AClickOnGarbageClearsTheSite) {
    RecordingPanel panel;
    FarmLevel level(&panel);
    PointRecord priced = level.record.points[1];
    priced.value = 60;
    level->CreatePoint(1, priced);
    level->OnMouse(120, 160, kLevelMouseLeft, true);
    ASSERT_EQ(level.world->player->JobCount(), 1);
    EXPECT_EQ(level.world->player->GetJob(0)->JobId(), uint32_t(JOBID_CLEAR));
    EXPECT_EQ(level->Money().Get(), 40);
    EXPECT_EQ(level->ReservedMoney(), 60);
    level->OnMouse(120, 160, kLevelMouseLeft, true);
    EXPECT_EQ(level.world->player->JobCount(), 1) << "one clearing at a time";

    level.Run(10000);
    auto* site = dynamic_cast<EmptyLevelPoint*>(level->GetPoint(1));
    ASSERT_NE(site, nullptr);
    EXPECT_FALSE(site->HasGarbage());
    EXPECT_EQ(level->Money().Get(), 40) << "the price is spent";
    EXPECT_EQ(level->ReservedMoney(), 0);
    EXPECT_EQ(level->GoalProgress(1), 1);
    EXPECT_EQ(level.frontEnd.awards[kAwardSitesCleared], 1);
    // The farmer's job done counts towards the level's jobs done and its goal.
    EXPECT_EQ(level->JobsDone(), 1);
    EXPECT_EQ(level.frontEnd.goals[kAwardJobsInLevel], 1);

    panel.calls.clear();
    level->OnMouse(120, 160, kLevelMouseLeft, true);
    EXPECT_EQ(panel.calls.back(), "build 1");

    panel.offersOrders = true;
    panel.calls.clear();
    level->OnMouse(600, 100, kLevelMouseLeft, true);
    EXPECT_EQ(panel.calls.back(), "offer 2 10");
    EXPECT_EQ(level.world->player->JobCount(), 0) << "the panel's button orders it";
    EXPECT_EQ(level->SelectedPoint(), 2);
}

// Pulling a point down and repairing one: the farmer's jobs act when their
// work is done; a pulled-down point becomes a clean empty site after the
// job's code has returned.
TEST(LevelPoint, PulldownLeavesACleanSiteAndTheRepairJobRemovesThePuddle) {
    FarmLevel level;
    level->StartClock();
    auto* mill = dynamic_cast<LevelPoint*>(level->GetPoint(3));
    ASSERT_NE(mill, nullptr);
    mill->AddDamage(4, false);
    MapPlayer* farmer = level.world->player;
    farmer->AddJob(std::make_unique<Job_Repair>(farmer, 3));
    level.Run(10000);
    EXPECT_FALSE(level->GetPoint(3)->IsDamaged());

    EXPECT_TRUE(mill->RequestPulldown());
    EXPECT_FALSE(mill->RequestPulldown()) << "already ordered";
    EXPECT_FALSE(dynamic_cast<LevelPoint*>(level->GetPoint(0))->RequestPulldown()) << "never the warehouse";
    level.Run(10000);
    auto* site = dynamic_cast<EmptyLevelPoint*>(level->GetPoint(3));
    ASSERT_NE(site, nullptr);
    EXPECT_FALSE(site->HasGarbage());
    EXPECT_EQ(site->X(), 800);
    EXPECT_EQ(site->Y(), 500);
}

// A damaged point shows one repair button, however often it is hit; its
// click orders the farmer's repair (the tutorial hears of it) and takes the
// button away; a repair job that ends without its work gives the button
// back; the repair itself, a point going and a point replaced take it away.
TEST(LevelPoint, ARepairButtonStandsOverADamagedPointUntilItsRepairIsOrdered) {
    RecordingPanel panel;
    FarmLevel level(&panel);
    level->StartClock();
    BaseLevelPoint* mill = level->GetPoint(3);
    MapPlayer* farmer = level.world->player;
    EXPECT_FALSE(mill->RequestRepair()) << "nothing to repair";
    mill->AddDamage(2, true);
    mill->AddDamage(3, true);
    level.Run(200);
    EXPECT_EQ(panel.repairShown, std::vector<int32_t>{3}) << "one button, however many hits";
    EXPECT_TRUE(mill->HasRepairButton());

    EXPECT_TRUE(mill->RequestRepair());
    EXPECT_FALSE(mill->RequestRepair()) << "ordered once";
    ASSERT_EQ(farmer->JobCount(), 1);
    EXPECT_EQ(farmer->GetJob(0)->JobId(), uint32_t(JOBID_REPAIR));
    EXPECT_EQ(farmer->GetJob(0)->TargetPoint(), 3);
    EXPECT_EQ(panel.repairHidden, std::vector<uint32_t>{1});
    EXPECT_FALSE(mill->HasRepairButton());
    EXPECT_EQ(level->Money().Get(), 100) << "a repair costs nothing";

    farmer->GetJob(0)->Stop();
    level.Run(100);
    EXPECT_EQ(panel.repairShown, (std::vector<int32_t>{3, 3})) << "a stopped repair gives the button back";

    EXPECT_TRUE(mill->RequestRepair());
    level.Run(10000);
    EXPECT_FALSE(mill->IsDamaged());
    EXPECT_FALSE(mill->HasRepairButton());
    EXPECT_EQ(panel.repairShown.size(), 2u) << "no button after the repair";
    EXPECT_EQ(panel.repairHidden, (std::vector<uint32_t>{1, 2}));

    // A damaged point that goes, or is replaced, takes its button with it.
    mill->AddDamage(1, false);
    mill->RequestRemove(false, true, 0);
    EXPECT_FALSE(mill->RequestRepair()) << "a point being removed is not repaired";
    level.Run(100);
    EXPECT_EQ(panel.repairHidden, (std::vector<uint32_t>{1, 2, 3}));
    level->CreatePoint(3, level.record.points[3])->AddDamage(1, false);
    level->CreatePoint(3, level.record.points[3]);
    EXPECT_EQ(panel.repairHidden, (std::vector<uint32_t>{1, 2, 3, 4}));
}

// An empty site is nothing a shot may damage: it takes no puddle and no
// repair button.
TEST(LevelPoint, AnEmptySiteTakesNoDamage) {
    RecordingPanel panel;
    TestLevel level(0, 30, &panel);
    BaseLevelPoint* site = level->GetPoint(1);
    ASSERT_EQ(site->Kind(), uint32_t(kPointEmptySite));
    EXPECT_FALSE(site->AcceptsWork());
    EXPECT_EQ(level->GetLivePoint(1), nullptr);
    site->AddDamage(5, true);
    EXPECT_FALSE(site->IsDamaged());
    EXPECT_TRUE(panel.repairShown.empty());
}

// While only a tutorial holds the level, a press on the field still reaches
// the field's figures (a shot in flight, a villain: the tutorial decides
// which may be picked) but selects no point; any other pause takes no
// presses on the field at all.
TEST(LevelPoint, ATutorialThatHoldsTheLevelStillLetsTheFiguresTakeAClick) {
    RecordingPanel panel;
    TestLevel level(0, 30, &panel);
    level->OnScreenSizeChanged(1024, 768);
    level->StartClock();
    struct Case {
        const char* what;
        uint32_t pause;
        bool figuresTake;
        bool taken, asked;
        int32_t selected;
    } cases[] = {
        {"running, no figure", 0, false, true, true, 3},
        {"running, a figure", 0, true, true, true, -1},
        {"held by the tutorial, a figure", kPauseTutorial, true, true, true, -1},
        {"held by the tutorial, no figure", kPauseTutorial, false, false, true, -1},
        {"a window open", kPauseWindow, true, false, false, -1},
        {"a window over the tutorial", kPauseWindow | kPauseTutorial, true, false, false, -1},
    };
    for (const Case& c : cases) {
        level->SelectPoint(-1, false);
        level.world->figureClicks.clear();
        level.world->figuresTakeClicks = c.figuresTake;
        if (c.pause) level->Pause(c.pause);
        EXPECT_EQ(level->OnMouse(810, 490, kLevelMouseLeft, true), c.taken) << c.what;
        EXPECT_EQ(!level.world->figureClicks.empty(), c.asked) << c.what;
        EXPECT_EQ(level->SelectedPoint(), c.selected) << c.what;
        if (c.pause) level->Resume(c.pause);
    }
}

// A press on a flying shot passes the buttons over the field and goes to
// the shot; moves, releases and presses elsewhere reach the buttons first.
TEST(LevelPoint, APressOnAFlyingShotIsTheShotsNotTheButtonBelowIt) {
    RecordingPanel panel;
    TestLevel level(0, 30, &panel);
    level->OnScreenSizeChanged(1024, 768);
    level->StartClock();
    panel.spritesTake = true;
    level.world->figuresTakeClicks = true;
    struct Case {
        const char* what;
        bool shot, down;
        std::vector<std::string> calls;
        size_t figureClicks;
    } cases[] = {
        {"a press on a shot", true, true, {}, 1},
        {"the release on the shot", true, false, {"sprites"}, 0},
        {"a press elsewhere", false, true, {"sprites"}, 0},
    };
    for (const Case& c : cases) {
        panel.calls.clear();
        level.world->figureClicks.clear();
        level.world->shotUnder = c.shot;
        EXPECT_TRUE(level->OnMouse(300, 300, kLevelMouseLeft, c.down)) << c.what;
        EXPECT_EQ(panel.calls, c.calls) << c.what;
        EXPECT_EQ(level.world->figureClicks.size(), c.figureClicks) << c.what;
    }
}

// A point's job record survives the farmer's save and load.
TEST(LevelPoint, PointJobRecordsLoadBackAndBrokenOnesAreRefused) {
    testsupport::TestLevelData levelData;
    FarmLevel level;
    MapPlayer* farmer = level.world->player;
    RegisterPointJobLoaders();
    for (uint32_t id : {JOBID_CLEAR, JOBID_PULLDOWN, JOBID_REPAIR}) {
        std::unique_ptr<Job> job;
        if (id == JOBID_CLEAR) job = std::make_unique<Job_Clear>(farmer, 2);
        if (id == JOBID_PULLDOWN) job = std::make_unique<Job_Pulldown>(farmer, 2);
        if (id == JOBID_REPAIR) job = std::make_unique<Job_Repair>(farmer, 2);
        SaveWriter out;
        JobSaveContext context;
        ASSERT_TRUE(job->Save(context, out));
        std::vector<uint8_t> bytes = out.TakeBytes();
        ASSERT_EQ(bytes.size(), Job_AtPoint::kRecordSize);
        auto loaded = LoadPointJob(farmer, bytes.data(), bytes.size());
        ASSERT_NE(loaded, nullptr) << id;
        EXPECT_EQ(loaded->JobId(), id);
        EXPECT_EQ(loaded->TargetPoint(), 2);

        struct Damage {
            size_t at;
            uint32_t value;
        } damages[] = {{40, 13}, {40, 0xFFFFFFFF}, {8, 5}, {4, JOBID_GOTO}};
        for (const Damage& d : damages) {
            std::vector<uint8_t> bad = bytes;
            PutU32(bad.data(), d.at, d.value);
            EXPECT_EQ(LoadPointJob(farmer, bad.data(), bad.size()), nullptr) << id << " at " << d.at;
        }
        EXPECT_EQ(LoadPointJob(farmer, bytes.data(), bytes.size() - 1), nullptr);
    }
    ClearPlayerJobLoaders();
}

// Storing in the warehouse: what fits is stored, the rest sold at the price,
// and the store sound plays; with no room nothing is stored and nothing
// sounds; the full notice, given a throttle, shows once in ten seconds.
TEST(LevelPoint, PutToWarehouseStoresWhatFitsAndSellsTheRest) {
    RecordingPanel panel;
    TestLevel level(0, 30, &panel);
    GameMessager throttle;
    const std::string storeSound = "sound " + std::to_string(kLevelSoundStore);
    level.world->room[0x99] = 3;
    EXPECT_EQ(level->PutToWarehouse(0x99, 5, &throttle, 4, 0, 0, 0), 3u);
    EXPECT_EQ(level->Money().Get(), 100 + 2 * 7) << "two units sold at 7";
    EXPECT_EQ(level.world->stock[0x99], 5u + 3u);
    EXPECT_EQ(std::count(panel.calls.begin(), panel.calls.end(), storeSound), 1);
    level.world->room[0x99] = 0;
    EXPECT_EQ(level->PutToWarehouse(0x99, 5, &throttle, 4, 0, 0, 0), 0u) << "no room: nothing stored or sold";
    EXPECT_EQ(std::count(panel.calls.begin(), panel.calls.end(), storeSound), 1)
        << "nothing stored, no sound";
    EXPECT_EQ(level->Money().Get(), 114);
    EXPECT_EQ(panel.fullNotices, std::vector<uint32_t>{0x99}) << "the throttle holds the second notice";
    EXPECT_EQ(level->PutToWarehouse(0x99, 1, nullptr, -1, 0, 0, 0), 0u);
    EXPECT_EQ(panel.fullNotices.size(), 2u) << "without a throttle every notice shows";
    EXPECT_EQ(level.frontEnd.awards[4], 3);
}

// The full notice is posted under the product's number, and the throttle
// holds that id: a second full warehouse of the product within the interval
// posts nothing, another product's posts its own notice.
TEST(LevelPoint, WarehouseFullNoticeIsThrottledUnderTheProductsNumber) {
    RecordingPanel panel;
    TestLevel level(0, 30, &panel);
    GameMessager throttle;
    level.world->numbers = {{0x99, 3}, {0x77, 5}};
    level.world->room[0x99] = 0;
    level.world->room[0x77] = 0;
    level->PutToWarehouse(0x99, 2, &throttle, -1, 0, 0, 0);
    level->PutToWarehouse(0x99, 2, &throttle, -1, 0, 0, 0);
    level->PutToWarehouse(0x77, 2, &throttle, -1, 0, 0, 0);
    EXPECT_EQ(panel.fullNotices, (std::vector<uint32_t>{0x99, 0x77}));
    EXPECT_FALSE(throttle.CanShow(kWarehouseFullMessage + 3)) << "held under the number";
    EXPECT_FALSE(throttle.CanShow(kWarehouseFullMessage + 5));
    EXPECT_TRUE(throttle.CanShow(kWarehouseFullMessage + 0x99)) << "the product's id is not the notice's id";
}
