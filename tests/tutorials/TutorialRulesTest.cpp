// The level and map rules over action tables: flag bits, the free controls,
// keys to the warehouse, level and bonus windows, and the steps' consent.

#include "TutorialFakes.h"

#include "app/App.h"
#include "gui/Controls.h"
#include "gui/Window.h"
#include "level/SaveStream.h"

#include <gtest/gtest.h>

using namespace tut;
using tutest::FakeLevel;
using tutest::FakeMap;

namespace {

// A level tutorial whose one step consents to everything (or nothing).
class RuleTutorial : public LevelTutorial {
  public:
    RuleTutorial(TutorialRunner& runner, TutorialLevel& level, bool consent)
        : LevelTutorial(runner, 0x80050000, level) {
        step = AddStep<tutest::EventStep>(*this, 0x80050001, 0, 0, std::nullopt, false, consent);
        startStepId_ = 0x80050001;
    }
    tutest::EventStep* step;
    void Force(uint32_t flags) { SetFlags(flags); }
};

struct Rules : ::testing::Test {
    App app; // the shell's state the test runs on
    WindowManager windows{nullptr, nullptr};
    TutorialRunner runner{TutorialServices{&windows}};
    FakeLevel level;
    GameWindow* panel = windows.Open<GameWindow>(kTagLevelPanel, false);
    GameWindow* warehouse = windows.Open<GameWindow>(kTagWarehouse, false);
    GameWindow* other = windows.Open<GameWindow>(Tag4("Menu"), false);
    GameButton* Button(GameWindow* w, uint32_t command) {
        GameButton* b = w->Controls().Make<GameButton>(command);
        b->rect = {100, 100, 140, 130};
        return b;
    }
    void MakeCurrent(GameTutorial* t) {
        t->GoToStep(t->StartStepId());
        TutorialNotify(TutorialEvent::ClockStarted, 0, {});
        for (int i = 0; i < 100; ++i)
            runner.Update(10);
        ASSERT_NE(t->Current(), nullptr);
    }
};

TEST_F(Rules, LevelRule) {
    const TutorialObject free5 = TutorialObject(Button(panel, 0x4C500005));
    const TutorialObject free1 = TutorialObject(Button(panel, 0x4C500001));
    const TutorialObject panelOther = TutorialObject(Button(panel, 0x4C500002));
    const TutorialObject wrhsButton = TutorialObject(Button(warehouse, 0x57000001));
    constexpr uint32_t W = kFlagWindows;
    struct Case {
        uint32_t flags;
        bool consent;
        TutorialAction action;
        uint32_t tag;
        TutorialObject data;
        bool allowed;
    } cases[] = {
        {0x3000, false, TutorialAction::ClickPoint, 0, {}, false},
        {0x3000 | 0x1, true, TutorialAction::ClickPoint, 0, {}, true},
        {0x3000 | 0x1, false, TutorialAction::ClickPoint, 0, {}, false}, // the step refuses
        {0x3000, true, TutorialAction::Control, kTagLevelPanel, free5, true},
        {0x3000, false, TutorialAction::Control, kTagLevelPanel, free1, true},
        {0x3000, true, TutorialAction::Control, kTagLevelPanel, panelOther, false},
        {W, true, TutorialAction::Control, kTagLevelPanel, panelOther, true},
        {0x3000, true, TutorialAction::Control, kTagWarehouse, wrhsButton, false},
        {W, true, TutorialAction::Control, kTagWarehouse, wrhsButton, true},
        {0x3000, false, TutorialAction::Control, Tag4("Menu"), {}, true},
        {0x3000, false, TutorialAction::Drag, Tag4("Menu"), {}, true},
        {0x3000, true, TutorialAction::Drag, kTagWarehouse, {}, false},
        {W, true, TutorialAction::Drag, kTagWarehouse, {}, true},
        {0x3000, true, TutorialAction::StepAside, 0, {}, false},
        {0x100, false, TutorialAction::StepAside, 0, {}, true}, // without the step's consent
        {0x80, false, TutorialAction::Villains, 0, {}, true},
        {0x3000, true, TutorialAction::Villains, 0, {}, false},
        {0x2, true, TutorialAction::PickObject, 0, {}, true},
        {0x1, true, TutorialAction::PickObject, 0, {}, false},
        {0x4, true, TutorialAction::HoverPoint, 0, {}, true},
        {0x4, true, TutorialAction::SelectHovered, 0, {}, true},
        {0x8, true, TutorialAction::HoverPoint, 0, {}, false},
        {0x8, true, TutorialAction::StartJob, 0, {}, true},
        {0x10, true, TutorialAction::Walk, 0, {}, true},
        {0x20, true, TutorialAction::PlantGrows, 0, {}, true},
        {0x40, true, TutorialAction::PlantGrows, 0, {}, false},
        {0x40, true, TutorialAction::Produce, 0, {}, true},
        {0, true, TutorialAction::Message, 1, {}, false},
        {kFlagMessages, true, TutorialAction::Message, 1, {}, true},
        {0, false, TutorialAction::Key, kKeyEnter, TutorialObject(other), true},
        {0, false, TutorialAction::Key, kKeyEnter, TutorialObject(warehouse), false},
        {0, false, TutorialAction::Key, kKeyEscape, TutorialObject(warehouse), true},
    };
    for (bool consent : {false, true}) {
        auto* t = runner.Make<RuleTutorial>(level, consent);
        MakeCurrent(t);
        for (const Case& c : cases) {
            if (c.consent != consent) continue;
            t->Force(c.flags);
            EXPECT_EQ(TutorialAllows(c.action, c.tag, c.data), c.allowed)
                << "action " << uint32_t(c.action) << " flags " << std::hex << c.flags << " consent "
                << consent;
        }
    }
}

TEST_F(Rules, LevelFlagsPauseAndStopTheClock) {
    auto* t = runner.Make<RuleTutorial>(level, true);
    struct Case {
        uint32_t flags;
        uint32_t pause;
        bool clock;
    } cases[] = {
        {0x3000, 16, true}, {0x1000, {}, true}, {0x2000, 16, false}, {0x2001, 16, false}, {0, {}, false}};
    for (const Case& c : cases) {
        t->Force(c.flags);
        EXPECT_EQ(level.pauseWord, c.pause) << std::hex << c.flags;
        EXPECT_EQ(level.clockStopped, c.clock) << std::hex << c.flags;
    }
}

TEST_F(Rules, LevelTutorialHoldsWhileAnotherPauseRuns) {
    auto* t = runner.Make<RuleTutorial>(level, true);
    t->GoToStep(t->StartStepId());
    TutorialNotify(TutorialEvent::ClockStarted, 0, {});
    level.pauseWord |= 2; // a modal window
    for (int i = 0; i < 200; ++i)
        runner.Update(10);
    EXPECT_EQ(t->step->Layer(), nullptr);
    level.pauseWord |= 8; // the warehouse window alone does not hold it
    level.pauseWord &= ~2u;
    for (int i = 0; i < 80; ++i)
        runner.Update(10);
    EXPECT_EQ(t->Current(), t->step);
}

struct MapRules : Rules {
    FakeMap map;
    GameWindow* mapi = windows.Open<GameWindow>(kTagMapInterface, false);
    GameWindow* lvif = windows.Open<GameWindow>(kTagLevelWindow, false);
    GameWindow* bonu = windows.Open<GameWindow>(kTagBonusWindow, false);
    MapRules() { map.levels[0] = kis::MakeVector2(200, 300); }
};

TEST_F(MapRules, MapRuleDuringTheFirstTutorial) {
    const TutorialObject back = TutorialObject(Button(mapi, 0x24FE0201));
    const TutorialObject options = TutorialObject(Button(mapi, 0x24FE0204));
    const TutorialObject profile = TutorialObject(Button(mapi, 0x24FE0205));
    const TutorialObject regime = TutorialObject(Button(mapi, 0x24FE0202));
    const TutorialObject lvButton = TutorialObject(Button(lvif, 0x35000001));
    auto* t = runner.Make<MapTutorial_First>(map);
    EXPECT_EQ(t->State(), uint32_t(kRunning));
    struct Case {
        const char* what;
        TutorialAction action;
        uint32_t tag;
        TutorialObject data;
        bool beforeCurrent, whenCurrent;
    } cases[] = {
        {"back", TutorialAction::Control, kTagMapInterface, back, true, true},
        {"options", TutorialAction::Control, kTagMapInterface, options, true, true},
        {"profile", TutorialAction::Control, kTagMapInterface, profile, true, true},
        {"regime switch", TutorialAction::Control, kTagMapInterface, regime, false, false},
        {"level window", TutorialAction::Control, kTagLevelWindow, lvButton, false, false},
        {"another window", TutorialAction::Control, Tag4("Opts"), {}, true, true},
        {"hover level 1", TutorialAction::HoverMapLevel, 0, {}, false, true},
        {"hover level 2", TutorialAction::HoverMapLevel, 1, {}, false, false},
        {"Escape to the level window", TutorialAction::Key, kKeyEscape, TutorialObject(lvif), false, false},
        {"Enter to the bonus window", TutorialAction::Key, kKeyEnter, TutorialObject(bonu), false, false},
        {"Enter to the map", TutorialAction::Key, kKeyEnter, TutorialObject(mapi), true, true},
        {"a level action", TutorialAction::ClickPoint, 0, {}, true, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TutorialAllows(c.action, c.tag, c.data), c.beforeCurrent) << c.what;
    for (int i = 0; i < 80; ++i)
        runner.Update(10);
    ASSERT_NE(t->Current(), nullptr);
    EXPECT_EQ(t->Flags(), kAllowHoverMapLevel);
    for (const Case& c : cases)
        EXPECT_EQ(TutorialAllows(c.action, c.tag, c.data), c.whenCurrent) << c.what;
}

TEST_F(MapRules, FirstTutorialEndsOnTheFirstLevel) {
    auto* t = runner.Make<MapTutorial_First>(map);
    for (int i = 0; i < 80; ++i)
        runner.Update(10);
    ASSERT_NE(t->Current(), nullptr);
    TutorialLayer* layer = t->Current()->Layer();
    ASSERT_NE(layer, nullptr);
    ASSERT_EQ(layer->Arrows().size(), 1u);
    ASSERT_EQ(layer->Infos().size(), 1u);
    EXPECT_EQ(layer->Infos()[0]->Text(), u"map_first_1"); // no language: the key stands
    EXPECT_FALSE(layer->Infos()[0]->HasClickLine());
    const TutorialTarget* target = layer->Arrows()[0]->Target();
    EXPECT_EQ(target->kind, uint32_t(kTargetMapLevel));
    EXPECT_TRUE(target->valid);
    TutorialNotify(TutorialEvent::MapLevelClicked, 1, {});
    EXPECT_EQ(t->State(), uint32_t(kRunning));
    TutorialNotify(TutorialEvent::MapLevelClicked, 0, {});
    EXPECT_EQ(t->State(), uint32_t(kFinishing));
    EXPECT_EQ(map.checks, 1); // the map may start the next one
    for (int i = 0; i < 50; ++i)
        runner.Update(10);
    EXPECT_EQ(runner.Running(), nullptr);
}

TEST_F(MapRules, NewBonusTutorialSteps) {
    const TutorialObject bonuses = TutorialObject(Button(lvif, kLevelWindowBonuses));
    Button(lvif, kLevelWindowBonus)->userData = 77;
    struct Case {
        int32_t index;
        bool selection;
        uint32_t first;
        bool endsOnClick;
    } cases[] = {{3, false, 0x40030001, true}, {3, true, 0x40030001, false}, {-1, false, 0x40030002, false}};
    for (const Case& c : cases) {
        auto* t = runner.Make<MapTutorial_NewBonus>(map, c.index, u"speed", 77, c.selection);
        for (int i = 0; i < 80; ++i)
            runner.Update(10);
        ASSERT_NE(t->Current(), nullptr);
        EXPECT_EQ(t->Current()->Id(), c.first);
        if (c.first == 0x40030001) {
            TutorialLayer* layer = t->Current()->Layer();
            EXPECT_EQ(layer->Infos()[0]->Text(), u"map_bonus_speed");
            EXPECT_TRUE(layer->Arrows()[0]->Target()->valid);
            EXPECT_EQ(layer->ClickWaits(), 1u);
            windows.OnMouseDown(500, 300, 1);
            windows.OnMouseUp(500, 300, 1);
            if (c.endsOnClick) {
                EXPECT_EQ(t->State(), uint32_t(kFinishing));
                continue;
            }
            for (int i = 0; i < 80; ++i)
                runner.Update(10);
            ASSERT_NE(t->Current(), nullptr);
        }
        EXPECT_EQ(t->Current()->Id(), 0x40030002u);
        EXPECT_TRUE(TutorialAllows(TutorialAction::Control, kTagLevelWindow, bonuses));
        EXPECT_FALSE(TutorialAllows(TutorialAction::Control, kTagMapInterface, {}));
        TutorialNotify(TutorialEvent::Button, kTagLevelWindow, bonuses);
        EXPECT_EQ(t->State(), uint32_t(kFinishing));
    }
}

TEST_F(MapRules, VillainsAttackTakesAClickAfter400Ms) {
    auto* t = runner.Make<MapTutorial_VillainsAttack>(map);
    for (int i = 0; i < 30; ++i)
        runner.Update(10); // shown at 100, current at 300
    ASSERT_NE(t->Current(), nullptr);
    TutorialLayer* layer = t->Current()->Layer();
    ASSERT_NE(layer, nullptr);
    EXPECT_TRUE(layer->Arrows().empty());
    EXPECT_TRUE(layer->Infos().empty());
    // The step's first tick runs in the frame it became current: 38 ticks
    // leave 20 ms, the 39th leaves 10, not above the frame, and expires.
    for (int i = 0; i < 37; ++i)
        runner.Update(10);
    EXPECT_EQ(layer->ClickWaits(), 0u);
    windows.OnMouseDown(500, 300, 1);
    windows.OnMouseUp(500, 300, 1);
    EXPECT_EQ(t->State(), uint32_t(kRunning)) << "no click before 400 ms";
    for (int i = 0; i < 2; ++i)
        runner.Update(10);
    EXPECT_EQ(layer->ClickWaits(), 1u);
    windows.OnMouseDown(500, 300, 1);
    windows.OnMouseUp(500, 300, 1);
    EXPECT_EQ(t->State(), uint32_t(kFinishing));
    EXPECT_EQ(map.shown, std::vector<bool>{true});
}

TEST_F(MapRules, VillainsAttackEndsWhenTheFiguresLeft) {
    auto* t = runner.Make<MapTutorial_VillainsAttack>(map);
    for (int i = 0; i < 30; ++i)
        runner.Update(10);
    map.modal = true;
    map.villainsGone = true;
    runner.Update(10);
    EXPECT_EQ(t->State(), uint32_t(kRunning)); // holds under a modal window
    map.modal = false;
    runner.Update(10); // its empty layer closes at once: the tutorial is gone
    EXPECT_EQ(runner.Running(), nullptr);
    EXPECT_EQ(runner.Count(), 0u);
    EXPECT_EQ(map.shown, (std::vector<bool>{false, true}));
}

TEST_F(MapRules, MapTutorialsAreNeverSaved) {
    auto* t = runner.Make<MapTutorial_Regime>(map);
    EXPECT_FALSE(t->IsSavedWithLevel());
    SaveWriter w;
    EXPECT_FALSE(t->Save(w));
}

} // namespace
