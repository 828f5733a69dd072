// The tutorial engine: the step countdown, ids and text keys, activation
// timing, finishing and replacement, and the tutorial record of the level save.

#include "TutorialFakes.h"

#include "app/App.h"
#include "gui/Window.h"
#include "level/SaveStream.h"

#include <gtest/gtest.h>

using namespace tut;
using tutest::FakeLevel;
using tutest::TestLevelTutorial;

namespace {

struct Engine : ::testing::Test {
    App app; // the shell's state the test runs on
    WindowManager windows{nullptr, nullptr};
    TutorialRunner runner{TutorialServices{&windows}};
    FakeLevel level;

    // Steps the runner in 10 ms frames for ms; answers nothing.
    void Run(uint32_t ms) {
        for (uint32_t t = 0; t < ms; t += 10)
            runner.Update(10);
    }
};

TEST(StepTimer, CountsDownAndExpires) {
    struct Case {
        uint32_t set, tick;
        int ticksToExpire; // -1: expired at once
    } cases[] = {{400, 16, 24}, {0, 16, -1}, {100, 10, 9}, {10, 16, 1}, {17, 16, 1}};
    for (const Case& c : cases) {
        StepTimer timer;
        EXPECT_EQ(timer.state, 0u);
        EXPECT_FALSE(timer.Tick(c.tick)); // idle: nothing
        timer.Set(c.set);
        if (c.ticksToExpire < 0) {
            EXPECT_EQ(timer.state, 2u);
            continue;
        }
        int n = 0;
        while (!timer.Tick(c.tick))
            ASSERT_LT(++n, 1000);
        EXPECT_EQ(n + 1, c.ticksToExpire) << c.set << " by " << c.tick;
        EXPECT_EQ(timer.remaining, 0u);
    }
}

TEST(TutorialIds, NumbersAndKeys) {
    EXPECT_EQ(TutorialNumber(0x80010003), 1u);
    EXPECT_EQ(StepNumber(0x80010003), 3);
    EXPECT_EQ(StepNumber(0x8001FFFF), -1);
    EXPECT_EQ(LevelStepKey(0x80010003), u"level_01_3");
    EXPECT_EQ(LevelStepKey(0x802A0012), u"level_42_18");
    EXPECT_EQ(Tag4("Lvlp"), 0x4C766C70u);
}

TEST_F(Engine, LevelTutorialActivationTiming) {
    // The step's layer goes directly above the panel, under a window opened over it.
    GameWindow* panel = windows.Open<GameWindow>(kTagLevelPanel, false);
    GameWindow* over = windows.Open<GameWindow>(Tag4("Wrhs"), false);
    auto* t = runner.Make<TestLevelTutorial>(level);
    EXPECT_EQ(RunningTutorial(), t);
    t->GoToStep(t->StartStepId());
    // Waits in state 0 for the clock; every flag-bound action is refused.
    EXPECT_EQ(t->State(), uint32_t(kCreated));
    EXPECT_FALSE(TutorialAllows(TutorialAction::ClickPoint, 0, {}));
    EXPECT_TRUE(TutorialAllows(TutorialAction::Drag, kTagLevelPanel, {}));
    EXPECT_EQ(t->s1->Layer(), nullptr);
    EXPECT_EQ(level.pauseWord, 0u);

    TutorialNotify(TutorialEvent::ClockStarted, 0, {});
    EXPECT_EQ(t->State(), uint32_t(kRunning));
    EXPECT_EQ(t->Flags(), kLevelDefaultFlags);
    EXPECT_EQ(level.pauseWord, kLevelPauseReason);
    EXPECT_TRUE(level.clockStopped);

    Run(590);
    EXPECT_EQ(t->s1->Layer(), nullptr);
    Run(10); // 600 ms: shown
    ASSERT_NE(t->s1->Layer(), nullptr);
    EXPECT_EQ(windows.IndexOf(t->s1->Layer()), windows.IndexOf(panel) + 1);
    EXPECT_EQ(windows.IndexOf(over), windows.IndexOf(panel) + 2);
    EXPECT_EQ(t->s1->begun, 1);
    EXPECT_EQ(t->Current(), nullptr);
    EXPECT_EQ(level.buttonShown, 0);
    Run(190);
    EXPECT_EQ(t->Current(), nullptr);
    Run(10); // 800 ms: current, its flags apply, the close button appears
    EXPECT_EQ(t->Current(), t->s1);
    EXPECT_EQ(t->Flags(), kStopClock | kAllowClickPoint);
    EXPECT_EQ(level.pauseWord, 0u);
    EXPECT_EQ(level.buttonShown, 1);

    TutorialNotify(TutorialEvent::JobOrdered, 0, {});
    EXPECT_EQ(t->Current(), nullptr);
    EXPECT_EQ(t->Flags(), kLevelDefaultFlags); // the flags after step 1
    EXPECT_EQ(t->Pending(), t->s2);
    Run(290);
    EXPECT_EQ(t->s2->Layer(), nullptr);
    Run(10); // 300 ms after the completion: shown
    EXPECT_NE(t->s2->Layer(), nullptr);
    Run(190);
    EXPECT_EQ(t->Current(), nullptr);
    Run(10); // 500 ms: current
    EXPECT_EQ(t->Current(), t->s2);
}

TEST_F(Engine, GoToCurrentStepChangesNothing) {
    auto* t = runner.Make<TestLevelTutorial>(level);
    t->GoToStep(t->StartStepId());
    TutorialNotify(TutorialEvent::ClockStarted, 0, {});
    Run(800);
    ASSERT_EQ(t->Current(), t->s1);
    t->SetDelay(0);
    t->GoToStep(t->s1->Id());
    EXPECT_EQ(t->Current(), t->s1);
    EXPECT_EQ(t->Delay(), 0u);
    EXPECT_TRUE(t->s1->IsActive());
}

TEST_F(Engine, CanBeginFalseKeepsWaiting) {
    auto* t = runner.Make<TestLevelTutorial>(level);
    t->s1->canBegin = false;
    t->GoToStep(t->StartStepId());
    TutorialNotify(TutorialEvent::ClockStarted, 0, {});
    Run(3000);
    EXPECT_EQ(t->s1->Layer(), nullptr);
    EXPECT_EQ(t->Current(), nullptr);
    EXPECT_EQ(t->Flags(), kLevelDefaultFlags);
    t->s1->canBegin = true;
    Run(800);
    EXPECT_EQ(t->Current(), t->s1);
}

TEST_F(Engine, FinishDuringActivationClosesThePendingLayer) {
    auto* t = runner.Make<TestLevelTutorial>(level);
    t->GoToStep(t->StartStepId());
    TutorialNotify(TutorialEvent::ClockStarted, 0, {});
    Run(700); // shown, not yet current
    TutorialLayer* layer = t->s1->Layer();
    ASSERT_NE(layer, nullptr);
    t->Finish();
    EXPECT_EQ(t->State(), uint32_t(kFinishing));
    EXPECT_EQ(t->Current(), nullptr);
    EXPECT_EQ(t->Pending(), nullptr);
    EXPECT_EQ(layer->LayerState(), uint32_t(kLayerClosing));
    EXPECT_EQ(t->s1->Layer(), nullptr);
    EXPECT_EQ(t->Flags(), 0u);
    EXPECT_EQ(level.pauseWord, 0u);
    EXPECT_FALSE(level.clockStopped);
    EXPECT_EQ(level.buttonShown, -1);
    Run(100);
    EXPECT_EQ(t->Current(), nullptr); // never became current
    Run(400);                         // the layer faded out: done and deleted
    EXPECT_EQ(runner.Running(), nullptr);
    EXPECT_EQ(RunningTutorial(), nullptr);
    EXPECT_EQ(runner.Count(), 0u);
    EXPECT_EQ(windows.Count(), 0);
}

TEST_F(Engine, LastStepFinishesAfterTheLayerFaded) {
    auto* t = runner.Make<TestLevelTutorial>(level);
    t->GoToStep(t->s3->Id());
    TutorialNotify(TutorialEvent::ClockStarted, 0, {});
    Run(800);
    ASSERT_EQ(t->Current(), t->s3);
    EXPECT_TRUE(TutorialAllows(TutorialAction::Villains, 0, {}));
    TutorialNotify(TutorialEvent::PlantRipe, 0, {});
    EXPECT_EQ(t->State(), uint32_t(kFinishing));
    EXPECT_EQ(t->Flags(), 0u);
    EXPECT_EQ(runner.Running(), t); // stays while its layer fades
    EXPECT_TRUE(TutorialAllows(TutorialAction::ClickPoint, 0, {}));
    Run(400);
    EXPECT_EQ(runner.Running(), nullptr);
    EXPECT_EQ(runner.Count(), 0u);
}

TEST_F(Engine, NewTutorialEndsTheRunningOne) {
    auto* first = runner.Make<TestLevelTutorial>(level, 1);
    first->GoToStep(first->StartStepId());
    TutorialNotify(TutorialEvent::ClockStarted, 0, {});
    Run(800);
    auto* second = runner.Make<TestLevelTutorial>(level, 2);
    EXPECT_EQ(first->State(), uint32_t(kDone));
    EXPECT_EQ(runner.Running(), second);
    EXPECT_EQ(RunningTutorial(), second);
    EXPECT_EQ(runner.Count(), 2u); // the first goes after the next frame
    runner.Update(10);
    EXPECT_EQ(runner.Count(), 1u);
}

TEST_F(Engine, ClickCompletesAWaitingStepOutsideThePanel) {
    auto* t = runner.Make<TestLevelTutorial>(level);
    t->GoToStep(t->s2->Id());
    TutorialNotify(TutorialEvent::ClockStarted, 0, {});
    Run(800);
    ASSERT_EQ(t->Current(), t->s2);
    TutorialLayer* layer = t->s2->Layer();
    ASSERT_EQ(layer->ClickWaits(), 1u);
    // A click on the level panel passes through.
    EXPECT_FALSE(layer->HitTest(400, 750));
    windows.OnMouseDown(400, 750, 1);
    windows.OnMouseUp(400, 750, 1);
    EXPECT_EQ(t->Current(), t->s2);
    // The right button does nothing; the left one completes the step.
    windows.OnMouseDown(400, 300, 2);
    windows.OnMouseUp(400, 300, 2);
    EXPECT_EQ(t->Current(), t->s2);
    EXPECT_TRUE(windows.OnMouseDown(400, 300, 1));
    windows.OnMouseUp(400, 300, 1);
    EXPECT_EQ(t->Current(), nullptr);
    EXPECT_EQ(t->Pending(), t->s3);
    EXPECT_EQ(layer->ClickWaits(), 0u);
}

// ---------------------------------------------------------------- save and load

std::vector<uint8_t> Bytes(std::initializer_list<uint32_t> words) {
    SaveWriter w;
    for (uint32_t v : words)
        w.PutU32(v);
    return w.Finish()->DataBlock();
}

TEST_F(Engine, SaveWritesTheRecordOfTheCurrentStep) {
    auto* t = runner.Make<TestLevelTutorial>(level);
    level.selected = 4;
    t->GoToStep(t->StartStepId());
    TutorialNotify(TutorialEvent::ClockStarted, 0, {});
    Run(800);
    TutorialNotify(TutorialEvent::JobOrdered, 0, {}); // step 2 pending
    SaveWriter pendingOnly;
    ASSERT_TRUE(t->Save(pendingOnly));
    auto a = pendingOnly.Finish();
    SaveReader ra(a->Data());
    EXPECT_EQ(ra.ReadU32(), uint32_t(kRunning));
    EXPECT_EQ(ra.ReadU32(), 20u);
    EXPECT_EQ(ra.ReadU32(), kLevelDefaultFlags);
    EXPECT_EQ(ra.ReadU32(), t->s2->Id());
    EXPECT_EQ(ra.ReadU32(), 0u);
    EXPECT_EQ(ra.ReadU32(), 4u);
    EXPECT_TRUE(ra.AtEnd());

    Run(500);
    ASSERT_EQ(t->Current(), t->s2);
    SaveWriter current;
    ASSERT_TRUE(t->Save(current));
    auto b = current.Finish();
    SaveReader rb(b->Data());
    rb.ReadU32();
    rb.ReadU32();
    rb.ReadU32();
    EXPECT_EQ(rb.ReadU32(), t->s2->Id());
    EXPECT_EQ(t->SaveRecord(), GameTutorial::kNoRecord);
}

TEST_F(Engine, LoadChecksTheRecord) {
    const uint32_t step2 = 0x80010002;
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        bool ok;
        bool kept;     // the tutorial stays (not dropped)
        int32_t point; // selected after loading
    } cases[] = {
        {"good", Bytes({2, 20, 0x3000, step2, 0, 3}), true, true, 3},
        {"longer block", Bytes({2, 24, 0x3000, step2, 0, 3, 77}), true, true, 3},
        {"not started", Bytes({0}), true, true, -1},
        {"finishing", Bytes({3}), true, false, -1},
        {"a state past done", Bytes({5}), false, true, -1},
        {"no state", {}, false, true, -1},
        {"base size only", Bytes({2, 16, 0x3000, step2, 0}), false, true, -1},
        {"below 16", Bytes({2, 12, 0x3000, step2}), false, true, -1},
        {"beyond the bytes", Bytes({2, 40, 0x3000, step2, 0, 3}), false, true, -1},
        {"word 3 set without the step's block", Bytes({2, 20, 0x3000, step2, 0x80010003, 3}), false, true,
         -1},
        {"point out of range", Bytes({2, 20, 0x3000, step2, 0, 55}), false, true, -1},
        {"flags not the tutorial's own", Bytes({2, 20, 0x1000, step2, 0, 3}), false, true, -1},
        {"resume id of no step", Bytes({2, 20, 0x3000, 0x80010009, 0, 3}), true, false, 3},
        {"resume id 0", Bytes({2, 20, 0x3000, 0, 0, 3}), true, false, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        level = FakeLevel{};
        auto* t = runner.Make<TestLevelTutorial>(level);
        SaveReader reader(c.bytes);
        EXPECT_EQ(t->Load(reader), c.ok);
        if (!c.ok) continue;
        EXPECT_EQ(level.selected, c.point);
        if (!c.kept) {
            EXPECT_GE(t->State(), uint32_t(kFinishing));
            runner.Update(10);
            EXPECT_EQ(runner.Running(), nullptr) << "a broken record leaves no tutorial waiting";
            EXPECT_EQ(level.pauseWord, 0u);
            EXPECT_FALSE(level.clockStopped);
            continue;
        }
        EXPECT_EQ(t->State(), uint32_t(kCreated));
    }
}

TEST_F(Engine, LoadHandsAStepItsOwnBlockBehindTheRecord) {
    const uint32_t step2 = 0x80010002, step3 = 0x80010003;
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        bool refuse; // the step refuses its block
        bool ok;
        std::vector<uint32_t> block; // what the step got
    } cases[] = {
        {"a step's block", Bytes({2, 20, 0x3000, step2, step3, 3, 12, 7, 9, 1}), false, true, {12, 7, 9}},
        {"a bare size", Bytes({2, 20, 0x3000, step2, step3, 3, 4}), false, true, {4}},
        {"refused by the step", Bytes({2, 20, 0x3000, step2, step3, 3, 8, 5}), true, false, {8, 5}},
        {"the block of no step", Bytes({2, 20, 0x3000, step2, 0x80010009, 3, 8, 5}), false, false, {}},
        {"a block beyond the bytes", Bytes({2, 20, 0x3000, step2, step3, 3, 16, 5}), false, false, {}},
        {"no block", Bytes({2, 20, 0x3000, step2, 0, 3, 8, 5}), false, true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        level = FakeLevel{};
        auto* t = runner.Make<TestLevelTutorial>(level);
        t->s3->refuseLoad = c.refuse;
        SaveReader reader(c.bytes);
        EXPECT_EQ(t->Load(reader), c.ok);
        EXPECT_EQ(t->s3->loaded, c.block);
        EXPECT_TRUE(t->s1->loaded.empty() && t->s2->loaded.empty());
    }
}

TEST_F(Engine, LoadedTutorialResumesWithoutTheInitialDelay) {
    auto* t = runner.Make<TestLevelTutorial>(level);
    auto bytes = Bytes({2, 20, 0x3000, 0x80010002, 0, 2});
    SaveReader reader(bytes);
    ASSERT_TRUE(t->Load(reader));
    EXPECT_EQ(t->StartStepId(), 0x80010002u);
    t->GoToStep(t->StartStepId());
    TutorialNotify(TutorialEvent::ClockStarted, 0, {});
    Run(90);
    EXPECT_EQ(t->s2->Layer(), nullptr);
    Run(10);
    EXPECT_NE(t->s2->Layer(), nullptr);
    Run(200);
    EXPECT_EQ(t->Current(), t->s2);
    EXPECT_EQ(level.selected, 2);
}

} // namespace
