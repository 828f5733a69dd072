// The panel's view of a running level: the regime's record, the grade, the
// bonus slots as the buttons show them, the goals and the clock.

#include "levelui/RunningLevelView.h"
#include "tests/level/LevelTestSupport.h"

#include <gtest/gtest.h>

using leveltest::TestLevel;

TEST(RunningLevelView, ViewOfARunningLevel) {
    for (uint32_t regime : {0u, 1u}) {
        TestLevel level(regime, 31);
        const std::unique_ptr<RunningLevelView> view = MakeRunningLevelView(*level.level);
        EXPECT_EQ(view->LevelIndex(), 31u);
        EXPECT_EQ(view->Regime(), regime);
        EXPECT_EQ(&view->RegimeRecord(), &level.record.record.regimes[regime]);
        EXPECT_EQ(view->Money(), 100);
        EXPECT_EQ(view->Grade(), 6u);
        EXPECT_FALSE(view->IsBegun());
        EXPECT_FALSE(view->IsOver());
        // The clock waits for the first action; the panel's own clock runs through that pause.
        EXPECT_TRUE(view->IsPausedExcept(0));
        EXPECT_FALSE(view->IsPausedExcept(kPanelClockPauses));
        view->StartClock();
        EXPECT_TRUE(level->IsClockRunning());
    }
}

TEST(RunningLevelView, BonusSlotsAsTheButtonsShowThem) {
    TestLevel level;
    level.frontEnd.chosen = 0x5; // slots 0 and 2
    level->StartUp();
    const std::unique_ptr<RunningLevelView> view = MakeRunningLevelView(*level.level);
    struct Case {
        uint32_t slot;
        bool inUse;
    } cases[] = {{0, true}, {1, false}, {2, true}, {5, false}, {6, false}};
    for (const Case& c : cases) {
        const PanelBonusSlot s = view->BonusSlot(c.slot);
        EXPECT_EQ(s.inUse, c.inUse) << c.slot;
        EXPECT_FALSE(s.running);
        // Bonus factors of 0.5 start every slot half charged.
        EXPECT_FALSE(s.ready) << c.slot;
    }
    EXPECT_NEAR(view->BonusSlot(0).fraction, 0.5f, 1e-6);
    // Charged, it is ready; started, it runs.
    level->StartClock();
    for (int i = 0; i < 1000 && !view->BonusSlot(0).ready; ++i)
        level->Update(100);
    ASSERT_TRUE(view->BonusSlot(0).ready);
    view->ActivateBonus(0);
    EXPECT_TRUE(view->BonusSlot(0).running);
    EXPECT_FALSE(view->BonusSlot(0).ready);
}
