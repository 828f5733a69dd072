// The scripted tutorials of level 1, level 15 and the warehouse over a fake
// level: each is driven through its chain by the events and states its steps
// wait for; the resume ids through save and load; the flags after the end at
// any step.

#include "LevelScriptsFixture.h"

namespace levelscripts {

// ---------------------------------------------------------------- level 1

TEST_F(Scripts, LevelOneRunsItsWholeChainAndEndsWithTheGoalsWheat) {
    GameTutorial* t = MakeLevelTutorial(runner, 0, level);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->Id(), kTutorialLevel1);
    EXPECT_EQ(t->StartStepId(), L1(1));
    t->GoToStep(t->StartStepId());
    // Nothing shows before the clock starts.
    Run(2000);
    EXPECT_EQ(CurrentId(), 0u);
    EXPECT_TRUE(t->Layers().empty());
    TutorialNotify(TutorialEvent::ClockStarted, 0, {});
    EXPECT_EQ(t->Flags(), kLevelDefaultFlags);
    EXPECT_TRUE(level.base.pauseWord & kLevelPauseReason);

    // 1: the goal arrow at the goal button, the box with its click line.
    ASSERT_TRUE(ReachStep(L1(1)));
    EXPECT_EQ(Arrows(), 1u);
    EXPECT_EQ(level.base.buttonShown, 1);
    const TutorialLayer* layer1 = t->Current()->Layer();
    ASSERT_EQ(layer1->Infos().size(), 1u);
    EXPECT_TRUE(layer1->Infos()[0]->HasClickLine());
    EXPECT_EQ(layer1->Infos()[0]->Text(), u"level_01_1");
    EXPECT_FALSE(layer1->HitTest(500, 720)) << "a click on the panel is the panel's";
    ClickLayer();
    // 2: select point 1 only.
    ASSERT_TRUE(ReachStep(L1(2)));
    EXPECT_EQ(t->Flags(), 0x1004u);
    EXPECT_TRUE(TutorialAllows(TutorialAction::HoverPoint, 1, {}));
    EXPECT_FALSE(TutorialAllows(TutorialAction::HoverPoint, 2, {}));
    EXPECT_FALSE(TutorialAllows(TutorialAction::ClickPoint, 1, {}));
    TutorialNotify(TutorialEvent::PointSelected, 2, {});
    Run(300);
    EXPECT_EQ(CurrentId(), L1(2));
    level.base.selected = 1;
    TutorialNotify(TutorialEvent::PointSelected, 1, {});
    // 3-4: the plants button, then wheat.
    ASSERT_TRUE(ReachStep(L1(3)));
    EXPECT_FALSE(TutorialAllows(TutorialAction::Control, kTagLevelPanel,
                                TutorialObject(buttons[{kPanelWarehouse, 0}])));
    Press(kTagLevelPanel, kChildPlants);
    ASSERT_TRUE(ReachStep(L1(4)));
    EXPECT_FALSE(TutorialAllows(TutorialAction::Control, kTagLevelPanel,
                                TutorialObject(buttons[{kChildPlantChoice, kOtherPlant}])));
    TutorialNotify(TutorialEvent::Button, kTagLevelPanel,
                   TutorialObject(buttons[{kChildPlantChoice, kOtherPlant}]));
    Run(300);
    EXPECT_EQ(CurrentId(), L1(4));
    Press(kTagLevelPanel, kChildPlantChoice, kWheatPlant);
    // 5: growth allowed; done when point 1 is ripe.
    level.points[1].kind = kKindPlant;
    ASSERT_TRUE(ReachStep(L1(5)));
    EXPECT_EQ(t->Flags(), 0x120u);
    EXPECT_FALSE(level.base.pauseWord & kLevelPauseReason) << "the level runs while the wheat grows";
    EXPECT_TRUE(TutorialAllows(TutorialAction::PlantGrows, 0, {}));
    level.points[1].ripeness = 99;
    Run(100);
    EXPECT_EQ(CurrentId(), L1(5));
    level.points[1].ripeness = 100;
    level.points[1].buttons.insert(kSpriteHarvest);
    // 6: the harvest button of point 1.
    ASSERT_TRUE(ReachStep(L1(6)));
    EXPECT_EQ(Arrows(), 1u);
    EXPECT_TRUE(TutorialAllows(TutorialAction::ClickPoint, kSpriteHarvest, Sprite(1)));
    EXPECT_FALSE(TutorialAllows(TutorialAction::ClickPoint, kSpriteWater, Sprite(1)));
    EXPECT_FALSE(TutorialAllows(TutorialAction::ClickPoint, kSpriteHarvest, Sprite(2)));
    TutorialNotify(TutorialEvent::JobOrdered, kJobWater, JobAt(1));
    Run(300);
    EXPECT_EQ(CurrentId(), L1(6));
    TutorialNotify(TutorialEvent::JobOrdered, kJobHarvest, JobAt(1));
    // 7 begins only once the farmer is idle.
    level.currentJob = kJobHarvest, level.currentJobPoint = 1;
    Run(1000);
    EXPECT_EQ(CurrentId(), 0u);
    level.currentJob = 0;
    ASSERT_TRUE(ReachStep(L1(7)));
    ClickLayer();
    ASSERT_TRUE(ReachStep(L1(8)));
    ClickLayer();
    ASSERT_TRUE(ReachStep(L1(9)));
    level.base.selected = 2;
    TutorialNotify(TutorialEvent::PointSelected, 2, {});
    ASSERT_TRUE(ReachStep(L1(10)));
    Press(kTagLevelPanel, kChildPlants);
    ASSERT_TRUE(ReachStep(L1(11)));
    EXPECT_FALSE(TutorialAllows(TutorialAction::Control, kTagLevelPanel,
                                TutorialObject(buttons[{kChildPlantChoice, kWheatPlant}])));
    ClickLayer();
    ASSERT_TRUE(ReachStep(L1(12)));
    EXPECT_EQ(Arrows(), 1u) << "at the money window";
    ClickLayer();
    ASSERT_TRUE(ReachStep(L1(13)));
    ClickLayer();
    // 14: the warehouse button, and the warehouse itself.
    ASSERT_TRUE(ReachStep(L1(14)));
    EXPECT_EQ(Arrows(), 2u);
    // Only the warehouse, point 0, may be picked on the field.
    level.points[3] = BuildingPoint(u"prod_flour", 1, 1);
    EXPECT_TRUE(
        TutorialAllows(TutorialAction::PickObject, 0x10002000, TutorialObject(level.PointMapObject(0))));
    EXPECT_FALSE(
        TutorialAllows(TutorialAction::PickObject, 0x10002000, TutorialObject(level.PointMapObject(3))));
    EXPECT_FALSE(TutorialAllows(TutorialAction::PickObject, 0x10002000, {}));
    level.points[3] = FakePoint{};
    Press(kTagLevelPanel, kPanelWarehouse);
    // 15 waits for the window to settle.
    Run(1000);
    EXPECT_EQ(CurrentId(), 0u);
    OpenWarehouse();
    ASSERT_TRUE(ReachStep(L1(15)));
    EXPECT_EQ(t->Current()->Layer()->Infos().size(), 1u);
    ClickLayer();
    ASSERT_TRUE(ReachStep(L1(16)));
    EXPECT_EQ(Arrows(), 1u) << "at the wheat's tile";
    Press(kTagWarehouse, kWarehouseTileButton, kWheatRecord);
    ASSERT_TRUE(ReachStep(L1(17)));
    ClickLayer();
    ASSERT_TRUE(ReachStep(L1(18)));
    Press(kTagWarehouse, kWarehouseSellOneButton);
    ASSERT_TRUE(ReachStep(L1(19)));
    Press(kTagWarehouse, kWarehouseCloseButton);
    EXPECT_EQ(t->Delay(), 400u);
    // 20 is skipped when the plants panel shows already.
    level.plantsPanel = true;
    ASSERT_TRUE(ReachStep(L1(21)));
    Press(kTagLevelPanel, kChildPlantChoice, kWheatPlant);
    level.points[2].kind = kKindPlant;
    ASSERT_TRUE(ReachStep(L1(22)));
    level.points[2].ripeness = 100;
    level.points[2].buttons.insert(kSpriteHarvest);
    ASSERT_TRUE(ReachStep(L1(23)));
    ClickLayer();
    // 24: harvest point 1; done when the farmer is near it.
    level.points[1].buttons.insert(kSpriteHarvest);
    ASSERT_TRUE(ReachStep(L1(24)));
    TutorialNotify(TutorialEvent::JobOrdered, kJobHarvest, JobAt(1));
    EXPECT_EQ(t->Flags(), 0x100u);
    EXPECT_EQ(t->Current()->Layer(), nullptr) << "the hint went, the step stays";
    level.currentJob = kJobHarvest, level.currentJobPoint = 1, level.jobDistance = 160;
    Run(200);
    EXPECT_EQ(CurrentId(), L1(24));
    level.jobDistance = 140;
    ASSERT_TRUE(ReachStep(L1(25)));
    // 25: the harvest order on point 2 leaves it one unit of water.
    level.points[2].water = 3;
    TutorialNotify(TutorialEvent::JobOrdered, kJobHarvest, JobAt(2));
    EXPECT_EQ(level.points[2].water, 1u);
    level.points[2].jobs.insert(kJobHarvest);
    level.points[2].buttons.clear();
    Run(300);
    EXPECT_EQ(CurrentId(), L1(25));
    level.points[2].jobs.clear();
    level.points[2].buttons.insert(kSpriteWater);
    // 26: water it to the full.
    ASSERT_TRUE(ReachStep(L1(26)));
    EXPECT_EQ(t->Flags(), 0x1101u);
    EXPECT_TRUE(TutorialAllows(TutorialAction::ClickPoint, kSpriteWater, Sprite(2)));
    level.points[2].water = 3;
    // 27: free play until the stock holds exactly the goal's wheat.
    ASSERT_TRUE(ReachStep(L1(27)));
    EXPECT_EQ(t->Flags(), 0x121u);
    level.stock[kWheat] = 3;
    Run(300);
    EXPECT_EQ(CurrentId(), L1(27));
    level.stock[kWheat] = 5;
    Run(300);
    EXPECT_EQ(CurrentId(), L1(27));
    level.stock[kWheat] = 4;
    Run(20);
    EXPECT_EQ(t->State(), uint32_t(kFinishing));
    EXPECT_EQ(t->Flags(), 0u);
    EXPECT_FALSE(level.base.pauseWord & kLevelPauseReason);
    EXPECT_FALSE(level.base.clockStopped);
    EXPECT_EQ(level.base.buttonShown, -1);
    Run(500);
    EXPECT_EQ(runner.Running(), nullptr);
}

TEST_F(Scripts, LevelOneStepTwentySevenFollowsRipePlantsAndHarvests) {
    GameTutorial* t = MakeLevelTutorial(runner, 0, level);
    t->GoToStep(L1(27));
    t->Start();
    level.points[1].kind = level.points[2].kind = kKindPlant;
    level.points[1].buttons.insert(kSpriteHarvest);
    ASSERT_TRUE(ReachStep(L1(27)));
    EXPECT_EQ(Arrows(), 1u);
    level.points[2].buttons.insert(kSpriteHarvest);
    TutorialNotify(TutorialEvent::PlantRipe, 0, Point(2));
    EXPECT_EQ(Arrows(), 2u);
    TutorialNotify(TutorialEvent::JobOrdered, kJobHarvest, JobAt(1));
    EXPECT_EQ(Arrows(), 1u);
    EXPECT_NE(t->Current()->Layer()->FindArrow(2), nullptr);
    EXPECT_EQ(t->Current()->Layer()->FindArrow(1), nullptr);
}

TEST_F(Scripts, LevelOneResumesWhereItsStepsSay) {
    // Step -> resume id after a save and a load.
    const std::map<uint32_t, uint32_t> resumes = {{1, 1},   {3, 3},   {4, 3},   {5, 5},   {10, 10},
                                                  {11, 10}, {14, 14}, {15, 14}, {16, 14}, {17, 14},
                                                  {18, 14}, {19, 20}, {21, 20}, {22, 22}, {27, 27}};
    OpenWarehouse();
    for (auto [step, resume] : resumes) {
        // The window steps run with the warehouse window open; step 14 would end at once with it.
        level.warehouseOpen = step >= 15 && step <= 19;
        TutorialRunner fresh{TutorialServices{&windows}};
        GameTutorial* t = MakeLevelTutorial(fresh, 0, level);
        t->GoToStep(L1(step));
        t->Start();
        for (int i = 0; i < 100 && !(t->Current() && t->Current()->Id() == L1(step)); ++i)
            fresh.Update(10);
        ASSERT_EQ(t->Current() ? t->Current()->Id() : 0u, L1(step));
        level.base.selected = 2;
        const std::vector<uint8_t> bytes = SaveOf(*t);
        // A new level loads it: the tutorial goes on at the resume step, without the initial delay.
        TutorialRunner loaded{TutorialServices{&windows}};
        GameTutorial* u = MakeLevelTutorial(loaded, 0, level);
        u->GoToStep(u->StartStepId());
        SaveReader reader(bytes);
        level.base.selected = -1;
        ASSERT_TRUE(u->Load(reader)) << step;
        EXPECT_EQ(u->StartStepId(), L1(resume)) << "step " << step;
        EXPECT_EQ(level.base.selected, 2);
        EXPECT_EQ(u->Delay(), 0u);
    }
}

TEST_F(Scripts, FinishingLevelOneAtAnyStepLiftsItsFlags) {
    for (uint32_t step : {1u, 2u, 5u, 14u, 16u, 24u, 26u, 27u}) {
        TutorialRunner fresh{TutorialServices{&windows}};
        FakeScriptLevel own(windows);
        own.points = level.points;
        own.warehouseOpen = own.warehouseSettled = step == 16;
        GameTutorial* t = MakeLevelTutorial(fresh, 0, own);
        t->GoToStep(L1(step));
        t->Start();
        for (int i = 0; i < 100 && !t->Current(); ++i)
            fresh.Update(10);
        ASSERT_NE(t->Current(), nullptr) << step;
        t->Finish();
        EXPECT_EQ(t->Flags(), 0u) << step;
        EXPECT_EQ(own.base.pauseWord, 0u) << step;
        EXPECT_FALSE(own.base.clockStopped) << step;
        EXPECT_TRUE(TutorialAllows(TutorialAction::ClickPoint, 0, {}));
    }
}

// ---------------------------------------------------------------- level 15 and the warehouse

TEST_F(Scripts, LevelFifteenPointsOnceAndGoesAfterSevenSeconds) {
    level.points[7].kind = kKindPlant;
    GameTutorial* t = MakeLevelTutorial(runner, 14, level);
    ASSERT_NE(t, nullptr);
    t->GoToStep(t->StartStepId());
    TutorialNotify(TutorialEvent::ClockStarted, 0, {});
    EXPECT_EQ(t->Flags(), kLevel15Flags);
    EXPECT_EQ(level.base.pauseWord, 0u) << "the level runs";
    EXPECT_FALSE(level.base.clockStopped);
    Run(1090);
    EXPECT_TRUE(t->Layers().empty());
    Run(10);
    ASSERT_EQ(t->Layers().size(), 1u) << "shown 1,100 ms after the start";
    ASSERT_TRUE(ReachStep(kTutorialLevel15 | 1));
    EXPECT_EQ(Arrows(), 1u);
    EXPECT_FALSE(TutorialAllows(TutorialAction::ClickPoint, 0, {}));
    // Its countdown runs from the frame it became current and expires once
    // no more than one frame is left of it.
    Run(6970);
    EXPECT_EQ(CurrentId(), kTutorialLevel15 | 1);
    Run(10);
    EXPECT_EQ(t->State(), uint32_t(kFinishing));
    // A click ends it earlier.
    TutorialRunner again{TutorialServices{&windows}};
    GameTutorial* u = MakeLevelTutorial(again, 14, level);
    u->GoToStep(u->StartStepId());
    TutorialNotify(TutorialEvent::ClockStarted, 0, {});
    for (int i = 0; i < 200 && !u->Current(); ++i)
        again.Update(10);
    ClickLayer();
    EXPECT_EQ(u->State(), uint32_t(kFinishing));
}

TEST_F(Scripts, TheWarehouseTutorialEndsWhenTheWindowOpensAnyWay) {
    for (bool byButton : {true, false}) {
        TutorialRunner fresh{TutorialServices{&windows}};
        GameTutorial* t = MakeLevelTutorial(fresh, 28, level);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->Id(), kTutorialWarehouse);
        t->GoToStep(t->StartStepId());
        TutorialNotify(TutorialEvent::ClockStarted, 0, {});
        fresh.Update(100);
        EXPECT_EQ(t->Layers().size(), 1u) << "no initial delay";
        for (int i = 0; i < 30 && !t->Current(); ++i)
            fresh.Update(10);
        ASSERT_NE(t->Current(), nullptr);
        EXPECT_EQ(t->Current()->Layer()->Infos()[0]->Text(), u"level_warehouse_1");
        EXPECT_EQ(t->Flags(), 0x1001000u);
        // The goal button stays free; the other panel controls wait.
        EXPECT_TRUE(TutorialAllows(TutorialAction::Control, kTagLevelPanel,
                                   TutorialObject(buttons[{kPanelGoal, 0x7000}])));
        EXPECT_FALSE(TutorialAllows(TutorialAction::Control, kTagLevelPanel,
                                    TutorialObject(buttons[{kChildPlants, 0}])));
        if (byButton) {
            Press(kTagLevelPanel, kPanelWarehouse);
        } else {
            level.warehouseOpen = true;
            fresh.Update(10);
            level.warehouseOpen = false;
        }
        EXPECT_EQ(t->State(), uint32_t(kFinishing)) << byButton;
        EXPECT_EQ(t->Flags(), 0u);
    }
    EXPECT_EQ(MakeLevelTutorial(runner, 1 + 29, level), nullptr);
}

TEST_F(Scripts, TheFullWarehouseTutorialPointsAtItsNoticeThenAtTheProduct) {
    const uint32_t notice = kWarehouseFullNotice + kWheatNumber;
    level.notices[notice] = {1000, 40};
    level.stock[kWheat] = 2;
    GameTutorial* t = MakeFullWarehouseTutorial(runner, level, kWheat);
    EXPECT_FALSE(t->IsSavedWithLevel());
    EXPECT_EQ(t->State(), uint32_t(kRunning)) << "it starts at once";
    ASSERT_TRUE(ReachStep(kTutorialFullWarehouse | 1));
    EXPECT_EQ(t->Flags(), 0x2003000u);
    EXPECT_EQ(Arrows(), 1u);
    const TutorialArrow* arrow = t->Current()->Layer()->Arrows()[0].get();
    EXPECT_EQ(arrow->Target()->angle, 330.0f);
    // Only the full notice may be clicked away.
    EXPECT_TRUE(TutorialAllows(TutorialAction::Message, 1, Notice(notice)));
    EXPECT_FALSE(TutorialAllows(TutorialAction::Message, 1, Notice(kWarehouseFullNotice + 0x1234)));
    EXPECT_FALSE(TutorialAllows(TutorialAction::Message, 2, Notice(notice)));
    level.warehouseOpen = true;
    runner.Update(10);
    EXPECT_EQ(t->Flags(), kLevelDefaultFlags) << "between the steps";
    Run(1000);
    EXPECT_EQ(t->Current(), nullptr) << "the window is still animating";
    OpenWarehouse();
    ASSERT_TRUE(ReachStep(kTutorialFullWarehouse | 2));
    EXPECT_EQ(Arrows(), 1u);
    ClickLayer();
    EXPECT_EQ(t->State(), uint32_t(kFinishing));

    // With the product gone from the stock: no arrow, no box, still a click.
    TutorialRunner fresh{TutorialServices{&windows}};
    level.stock.clear();
    GameTutorial* u = MakeFullWarehouseTutorial(fresh, level, kWheat);
    for (int i = 0; i < 300 && !(u->Current() && u->Current()->Id() == (kTutorialFullWarehouse | 2)); ++i)
        fresh.Update(10);
    ASSERT_NE(u->Current(), nullptr);
    EXPECT_TRUE(u->Current()->Layer()->Arrows().empty());
    EXPECT_TRUE(u->Current()->Layer()->Infos().empty());
    EXPECT_GT(u->Current()->Layer()->ClickWaits(), 0u);
}

} // namespace levelscripts
