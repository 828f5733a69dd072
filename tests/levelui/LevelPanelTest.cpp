// The level panel on a test level: its layout at 800 and 1024 px, goal
// buttons, bonus buttons, the empty panel and child panels with priced
// buttons, the close-tutorial confirmation, the time bar's warning sound
// and the pulsing start text.

#include "levelui/LevelPanel.h"
#include "gui/SpritesWindow.h"
#include "level/LevelPoint.h"
#include "levelui/ChildPanels.h"
#include "levelui/PanelDisplays.h"
#include "sprites/SpriteHost.h"
#include "tests/levelui/PanelTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using paneltest::ClockHost;
using paneltest::TestContext;
using paneltest::TestLevel;
using paneltest::TestTutorial;

// The sample level's goals: money 50, wheat in stock 5, the warehouse at level 2 (one mark).
RegimeBlock Block(uint32_t bronze, uint32_t silver, uint32_t gold) {
    RegimeBlock b{};
    b.bronzeMs = bronze, b.silverMs = silver, b.goldMs = gold;
    b.goalCount = 3;
    b.goals[0] = {kGoalMoney, 0, 0, 50};
    b.goals[1] = {kGoalProduct, 0x77, 0, 5};
    b.goals[2] = {kGoalBuilding, 0x88, 2, 1};
    return b;
}

class LevelPanelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetSpriteHost(&host);
        level.block[0] = Block(0, 90000, 60000);
        level.block[1] = Block(90000, 60000, 45000);
    }
    void TearDown() override {
        manager.DeleteAllWindows();
        SetSpriteHost(nullptr);
    }
    LevelPanel* Open(int32_t width, int32_t height) {
        LevelPanel* panel = manager.Open<LevelPanel>(level, context, &driver);
        panel->OnScreenResize(width, height);
        return panel;
    }
    static kis::Rect Screen(const GameButton* b) { return b->ScreenRect(); }

    ClockHost host;
    WindowManager manager{nullptr, nullptr};
    TestLevel level;
    TestContext context;
    PanelOnlyDriver driver;
};

TEST_F(LevelPanelTest, LayoutAtBothWidths) {
    struct Case {
        int32_t w, h;
        kis::Rect panel;
        int32_t taskX[3], taskW[3];
        int32_t barX, barW, strip, warehouseX;
        int32_t tutorialY;
    } cases[] = {
        {800, 600, {0, 485, 800, 600}, {4, 94, 184}, {91, 91, 91}, 278, 422, 115, 710, 55},
        {1024, 768, {0, 653, 1024, 768}, {66, 173, 279}, {108, 107, 108}, 390, 472, 227, 872, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.w);
        LevelPanel* panel = Open(c.w, c.h);
        EXPECT_EQ(panel->rect.left, c.panel.left);
        EXPECT_EQ(panel->rect.top, c.panel.top);
        EXPECT_EQ(panel->rect.right, c.panel.right);
        EXPECT_EQ(panel->rect.bottom, c.panel.bottom);
        ASSERT_EQ(panel->GoalCount(), 3u);
        for (uint32_t i = 0; i < 3; ++i) {
            const kis::Rect r = panel->GetTaskButton(i)->rect;
            EXPECT_EQ(r.left, c.taskX[i]);
            EXPECT_EQ(r.right - r.left, c.taskW[i]);
            EXPECT_EQ(r.top, 4);
            EXPECT_EQ(r.bottom - r.top, kTaskButtonHeight);
        }
        EXPECT_EQ(panel->GetTimeBar()->X(), c.barX);
        EXPECT_EQ(panel->GetTimeBar()->Y(), -5);
        EXPECT_EQ(panel->GetTimeBar()->Width(), c.barW);
        EXPECT_EQ(panel->GetMoneyWindow()->rect.left, c.strip);
        EXPECT_EQ(panel->GetWarehouseButton()->rect.left, c.warehouseX);
        EXPECT_EQ(panel->GetWarehouseButton()->rect.top, 11);
        // The menu button in the top-right corner, 4 px in and 1 px down.
        const kis::Rect corner = panel->MenuCorner();
        EXPECT_EQ(corner.right, c.w);
        EXPECT_EQ(corner.top, 0);
        EXPECT_EQ(corner.bottom, kMenuCornerHeight);
        const kis::Rect menu = Screen(panel->GetMenuButton());
        EXPECT_EQ(menu.left, corner.left + 4);
        EXPECT_EQ(menu.top, 1);
        EXPECT_TRUE(panel->HitTest(menu.left + 1, menu.top + 1));
        EXPECT_TRUE(panel->HitTestButtons(menu.left + 1, menu.top + 1));
        EXPECT_FALSE(panel->HitTestButtons(c.w / 2, c.h - 20)); // the bar itself is not one of the two
        EXPECT_TRUE(panel->HitTest(c.w / 2, c.h - 20));
        EXPECT_FALSE(panel->HitTest(c.w / 2, c.h / 2));
        // The close-tutorial button keeps clear of the money strip and the warehouse at the left.
        panel->ShowTutorialButton();
        const kis::Rect tut = Screen(panel->GetTutorialButton());
        EXPECT_EQ(tut.left, c.tutorialY == 3 ? 3 : c.w - 147); // below the strip: at the right
        EXPECT_EQ(tut.top, c.tutorialY);
        EXPECT_EQ(tut.right - tut.left, 144);
        EXPECT_TRUE(panel->HitTestButtons(tut.left + 1, tut.top + 1));
        manager.Destroy(panel);
        manager.DeleteClosedWindows();
        EXPECT_EQ(driver.Panel(), nullptr);
    }
}

TEST_F(LevelPanelTest, ResizeRelaysTheChildAndCountsLayouts) {
    LevelPanel* panel = Open(800, 600);
    panel->ShowEmptyPanel();
    EmptyPanel* empty = panel->GetEmptyPanel();
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->x, 279);
    EXPECT_EQ(empty->width, 420);
    EXPECT_EQ(empty->y, 24);
    EXPECT_EQ(empty->height, 91);
    const uint32_t counter = panel->LayoutCounter();
    panel->OnScreenResize(800, 600);
    EXPECT_EQ(panel->LayoutCounter(), counter); // same child area
    panel->OnScreenResize(1024, 768);
    EXPECT_EQ(panel->LayoutCounter(), counter + 1);
    EXPECT_EQ(empty->x, 391);
    EXPECT_EQ(empty->width, 470);
    EXPECT_EQ(panel->GetTimeBar()->Zones(), TimeBarZones(0, 0, 90000, 60000, 470));
}

TEST_F(LevelPanelTest, EmptyPanelRowsByRegime) {
    struct Case {
        uint32_t regime;
        std::vector<int32_t> rows;
        std::u16string first;
    } cases[] = {{0, {30, 62}, u"00:01:00"}, {1, {18, 42, 66}, u"00:00:45"}};
    for (const Case& c : cases) {
        level.regime = c.regime;
        LevelPanel* panel = Open(800, 600);
        panel->ShowEmptyPanel();
        EmptyPanel* empty = panel->GetEmptyPanel();
        ASSERT_EQ(empty->MedalRows().size(), c.rows.size());
        for (size_t i = 0; i < c.rows.size(); ++i)
            EXPECT_EQ(empty->MedalRows()[i].y, c.rows[i]);
        EXPECT_EQ(empty->MedalRows()[0].text.Text(), c.first);
        EXPECT_EQ(empty->LeftColumn(), 109);
        EXPECT_EQ(empty->RightColumn(), 311);
        EXPECT_EQ(empty->ClockText(), u"00:00:00");
        level.time = 3400;
        empty->UpdateClock();
        EXPECT_EQ(empty->ClockText(), u"00:00:04"); // rounded up, as the result reads it
        level.time = 0;
        manager.Destroy(panel);
        manager.DeleteClosedWindows();
    }
}

TEST_F(LevelPanelTest, GoalButtonsShowProgressAndSoundOnce) {
    level.progress[0] = 10;
    level.progress[1] = 0;
    LevelPanel* panel = Open(800, 600);
    TaskButton* money = panel->GetTaskButton(0);
    TaskButton* wheat = panel->GetTaskButton(1);
    TaskButton* building = panel->GetTaskButton(2);
    // The first update writes every text, even a first value of 0.
    EXPECT_EQ(money->ProgressText(), u"10");
    EXPECT_EQ(money->TargetText(), u"50");
    EXPECT_EQ(wheat->ProgressText(), u"0/5");
    EXPECT_EQ(building->ProgressText(), u"0/1");
    EXPECT_EQ(building->MarkCount(), 1u);
    EXPECT_EQ(wheat->CaptionKey(), u"collect");
    EXPECT_TRUE(context.sounds.empty());
    level.begun = true; // the level's updates animate from now on

    struct Step {
        int32_t value;
        const char16_t* text;
        bool met;
        size_t sounds;
        bool fading;
    } steps[] = {
        {12, u"<c=80ff80>12/5</c>", true, 1, true},
        {12, u"<c=80ff80>12/5</c>", true, 1, true}, // unchanged: nothing
        {4, u"4/5", false, 1, true},                // no sound back, the fade reverses
        {5, u"<c=80ff80>5/5</c>", true, 2, true},
    };
    for (const Step& s : steps) {
        level.progress[1] = s.value;
        driver.UpdateTaskButtons(-1);
        EXPECT_EQ(wheat->ProgressText(), s.text) << s.value;
        EXPECT_EQ(wheat->IsMet(), s.met);
        EXPECT_EQ(context.sounds.size(), s.sounds) << s.value;
        EXPECT_EQ(wheat->FadeStart() >= 0, s.fading);
    }
    ASSERT_FALSE(context.sounds.empty());
    EXPECT_EQ(context.sounds.back().first, kEventSoundGoalMet);
    // Before the level has begun, updates do not animate: no sound, no fade.
    level.progress[1] = 1;
    panel->UpdateTaskButtons(1, false);
    EXPECT_EQ(wheat->FadeStart(), -1);
    level.progress[1] = 9;
    panel->UpdateTaskButtons(1, false);
    EXPECT_EQ(context.sounds.size(), 2u);
}

TEST_F(LevelPanelTest, GarbageGoalCountsSitesLeft) {
    level.block[0].goalCount = 1;
    level.block[0].goals[0] = {kGoalGarbageSites, 0, 0, 5};
    level.progress[0] = 2;
    LevelPanel* panel = Open(800, 600);
    TaskButton* garbage = panel->GetTaskButton(0);
    EXPECT_EQ(garbage->ProgressText(), u"3");
    EXPECT_EQ(garbage->rect.right - garbage->rect.left, 271);
    level.progress[0] = 5;
    panel->UpdateTaskButtons(0, true);
    EXPECT_EQ(garbage->ProgressText(), u"<c=80ff80>0</c>") << "green through its markup";
    EXPECT_TRUE(garbage->IsMet());
    EXPECT_EQ(context.sounds.size(), 1u);
}

TEST_F(LevelPanelTest, GoalCountFromDataIsCappedAtThree) {
    level.block[0].goalCount = 200;
    LevelPanel* panel = Open(800, 600);
    EXPECT_EQ(panel->GoalCount(), 3u);
}

TEST_F(LevelPanelTest, BonusButtons) {
    level.slots[1] = {true, false, true, 1.0f};
    level.slots[4] = {true, false, false, 0.3f};
    LevelPanel* panel = Open(800, 600);
    panel->CreateBonusButtons();
    BonusButton* ready = panel->GetBonusButton(1);
    BonusButton* charging = panel->GetBonusButton(4);
    ASSERT_NE(ready, nullptr);
    ASSERT_NE(charging, nullptr);
    EXPECT_EQ(panel->GetBonusButton(0), nullptr);
    // T = 106 centred, 56 px above the panel.
    EXPECT_EQ(Screen(ready).left, (800 - 106) / 2);
    EXPECT_EQ(Screen(ready).top, 485 - 56);
    EXPECT_EQ(Screen(charging).left, (800 - 106) / 2 + 52);
    EXPECT_TRUE(panel->HitTest(Screen(ready).left + 5, Screen(ready).top + 5));
    EXPECT_EQ(ready->DisplayState(), 1u);
    EXPECT_EQ(charging->DisplayState(), 2u);
    ready->cursor_ = 5;
    charging->cursor_ = 5;
    EXPECT_EQ(ready->GetCursor(), 5u);
    EXPECT_EQ(charging->GetCursor(), kDefaultCursor);

    EXPECT_EQ(panel->OnButtonClick(charging), kClickNoSound);
    EXPECT_TRUE(level.calls.empty());
    EXPECT_EQ(panel->OnButtonClick(ready), kClickResetLook);
    EXPECT_EQ(level.calls, (std::vector<std::string>{"clock", "bonus 1"}));

    // Running: 12 px higher and taller.
    level.slots[1] = {true, true, false, 0.8f};
    driver.UpdateBonusButton(1);
    EXPECT_EQ(ready->DisplayState(), 3u);
    EXPECT_EQ(Screen(ready).top, 485 - 56 - 12);
    EXPECT_EQ(ready->rect.bottom - ready->rect.top, 48 + 12);
    EXPECT_EQ(ready->GetCursor(), kDefaultCursor);
    EXPECT_EQ(panel->OnButtonClick(ready), kClickNoSound);
    level.slots[1] = {true, false, false, 0.1f};
    driver.UpdateBonusButton(1);
    EXPECT_EQ(ready->DisplayState(), 2u);
    EXPECT_EQ(Screen(ready).top, 485 - 56);
}

TEST_F(LevelPanelTest, MenuWarehouseAndOtherCommands) {
    LevelPanel* panel = Open(800, 600);
    EXPECT_EQ(panel->OnButtonClick(panel->GetMenuButton()), kClickResetLook);
    EXPECT_EQ(level.calls, (std::vector<std::string>{"menu"}));
    EXPECT_EQ(panel->OnButtonClick(panel->GetWarehouseButton()), kClickResetLook);
    EXPECT_EQ(panel->OnButtonClick(panel->GetTaskButton(0)), 0u);
    EXPECT_EQ(panel->GetWarehouseButton()->Highest(), 1);
    EXPECT_EQ(panel->GetWarehouseButton()->Level(), 0);
    panel->GetWarehouseButton()->SetLevel(5);
    EXPECT_EQ(panel->GetWarehouseButton()->Level(), 1);
}

TEST_F(LevelPanelTest, CloseTutorialAsksFirstAndFinishesOnlyARunningTutorial) {
    // Asked: the level's own tutorial off for the level; one not saved with it (full warehouse) only closed.
    struct Case {
        bool running, saved;
        uint32_t answer;
        int finished;
    } cases[] = {{true, true, kDialogYes, 1},
                 {true, true, kDialogNo, 0},
                 {false, true, kDialogYes, 0},
                 {true, false, kDialogYes, 1}};
    for (const Case& c : cases) {
        TestTutorial tutorial;
        tutorial.saved = c.saved;
        context.tutorial = &tutorial;
        LevelPanel* panel = Open(800, 600);
        panel->ShowTutorialButton();
        const int32_t before = manager.Count();
        EXPECT_EQ(panel->OnButtonClick(panel->GetTutorialButton()), kClickResetLook);
        ASSERT_EQ(manager.Count(), before + 1);
        auto* dialog = dynamic_cast<DialogWindow*>(manager.Get(manager.Count() - 1));
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->Body()->Text(), c.saved ? u"close_tutorial_c" : u"close_tutorial_once_c");
        // The tutorial may have ended while the question was open.
        if (!c.running) context.tutorial = nullptr;
        dialog->Press(c.answer);
        EXPECT_EQ(tutorial.finished, c.finished);
        context.tutorial = nullptr;
        manager.DeleteAllWindows();
    }
}

TEST_F(LevelPanelTest, StartTextPulsesAndFadesOut) {
    LevelPanel* panel = Open(800, 600);
    ASSERT_TRUE(panel->HasStartText());
    // Both the start text and the menu button's text are drawn with outlines round their glyphs.
    EXPECT_EQ(panel->StartText().OutlineWidth(), 2.0f);
    EXPECT_EQ(panel->StartText().OutlineColour(), 0xFF000000u);
    EXPECT_EQ(panel->GetMenuButton()->ShownText().OutlineWidth(), 1.5f);
    EXPECT_EQ(panel->GetMenuButton()->ShownText().OutlineColour(), 0xFF405C7Fu);
    EXPECT_FLOAT_EQ(panel->StartTextScale(), 1.5f);
    EXPECT_FLOAT_EQ(panel->StartTextAlpha(), 0.0f);
    panel->Update();
    host.now += 250;
    panel->Update();
    EXPECT_EQ(panel->AnimationClock(), 250u);
    EXPECT_NEAR(panel->StartTextAlpha(), 0.5f, 1e-6);
    host.now += 350;
    panel->Update();
    EXPECT_NEAR(panel->StartTextScale(), 1.7f, 1e-5);
    // A window pause holds the clock; the clock-not-started pause does not.
    level.pauses |= 0x2;
    host.now += 100;
    panel->Update();
    EXPECT_EQ(panel->AnimationClock(), 600u);
    level.pauses &= ~0x2u;
    // The clock goes at the level's pace: twice as fast at speed 2, not at all at 0.
    struct Pace {
        float speed;
        uint32_t clock;
    };
    for (const Pace& p : {Pace{2.0f, 800}, Pace{0.0f, 800}, Pace{0.5f, 850}, Pace{1.0f, 950}}) {
        level.speed = p.speed;
        host.now += 100;
        panel->Update();
        EXPECT_EQ(panel->AnimationClock(), p.clock) << p.speed;
    }
    level.speed = 1.0f;
    // The clock starts: a 200-ms fade-out, then the text is gone.
    driver.StartTextFadeOut();
    EXPECT_EQ(panel->FadeOutStart(), 950);
    host.now += 100;
    panel->Update();
    EXPECT_TRUE(panel->HasStartText());
    EXPECT_NEAR(panel->StartTextAlpha(), 0.5f, 1e-6);
    host.now += 100;
    panel->Update();
    EXPECT_FALSE(panel->HasStartText());
}

TEST_F(LevelPanelTest, TimeBarWarningSound) {
    level.regime = 1; // gold 45,000 ms
    LevelPanel* panel = Open(800, 600);
    TimeBar* bar = panel->GetTimeBar();
    struct Step {
        uint32_t time;
        bool animate, on;
        size_t played, stopped;
    } steps[] = {
        {39000, true, false, 0, 0}, {40000, true, true, 1, 0},
        {44500, true, true, 1, 0},  {45001, true, false, 1, 1}, // gold lost: silver is far away
        {55000, true, true, 2, 1},  {59999, true, true, 2, 1},
    };
    for (const Step& s : steps) {
        level.time = s.time;
        bar->Update(s.animate);
        EXPECT_EQ(bar->IsWarning(), s.on) << s.time;
        EXPECT_EQ(context.sounds.size(), s.played) << s.time;
        EXPECT_EQ(context.stopped.size(), s.stopped) << s.time;
    }
    EXPECT_EQ(context.sounds[0], (std::pair<uint32_t, bool>{kEventSoundTimeWarning, true}));
    EXPECT_TRUE(bar->IsStamped(2)); // the gold cross was stamped
    EXPECT_FALSE(bar->IsStamped(1));
    level.over = true;
    bar->Update(true);
    EXPECT_FALSE(bar->IsWarning());
    EXPECT_EQ(context.stopped.size(), 2u);
}

// A child panel of a test point kind.
class TestPanel : public ChildLevelPanel {
  public:
    explicit TestPanel(LevelPanel& owner) : ChildLevelPanel(owner) { id = 0x77; }
    int attached = 0;
    void OnAttached() override { ++attached; }
};

TEST_F(LevelPanelTest, ChildPanelsAttachDetachAndPriceButtons) {
    LevelPanel* panel = Open(800, 600);
    panel->ShowEmptyPanel();
    EmptyPanel* empty = panel->GetEmptyPanel();
    EXPECT_EQ(panel->FindChildPanel(kEmptyPanelId), empty);
    {
        TestPanel child(*panel);
        EXPECT_EQ(panel->FindChildPanel(0x77), &child);
        child.Attach();
        EXPECT_EQ(panel->CurrentChild(), &child);
        EXPECT_FALSE(empty->IsAttached());
        child.Attach();
        EXPECT_EQ(child.attached, 1);
        EXPECT_EQ(child.width, 420);

        ButtonParts parts;
        SplitIntoParts(&parts, child.width, 3);
        LevelPanelButton* priced = CreatePanelButton(&child, parts, 0, 0xC9000010, nullptr, 5, nullptr);
        context.moneyValue.Set(4);
        priced->RefreshPrice();
        EXPECT_EQ(priced->State().TwoBits(), 0u);
        EXPECT_EQ(priced->Flags() & LevelPanelButton::kFirst, LevelPanelButton::kFirst);
        context.moneyValue.Add(1); // the listener refreshes the shown panel's buttons
        EXPECT_EQ(priced->State().TwoBits(), 1u);
        priced->SetEnabled(false);
        EXPECT_EQ(priced->State().TwoBits(), 0u);
        context.moneyValue.Add(100);
        EXPECT_EQ(priced->State().TwoBits(), 0u); // disabled stays off when it can pay
        priced->SetEnabled(true);
        EXPECT_EQ(priced->State().TwoBits(), 1u);

        LevelPanelButton* last = CreatePanelButton(&child, parts, 2, 0xC9000011, nullptr, 0, nullptr);
        EXPECT_EQ(last->Flags() & LevelPanelButton::kLast, LevelPanelButton::kLast);
        EXPECT_EQ(last->rect.left, 279 + 280);
        EXPECT_EQ(last->rect.top, 24 + 7);
        EXPECT_EQ(last->PriceList(), -1);

        // Remove: a site of stage 0 is re-created, a built point pulled down.
        BaseLevelPoint site(4, kPointEmptySite), built(6, kPointBuilding);
        PointRecord r{};
        r.stage = 2;
        built.Setup(r);
        LevelPanelButton* remove = CreateRemoveButton(&child);
        EXPECT_EQ(CreateRemoveButton(&child), remove);
        remove->userData = reinterpret_cast<uintptr_t>(&site);
        EXPECT_EQ(panel->OnButtonClick(remove), 0u);
        remove->userData = reinterpret_cast<uintptr_t>(&built);
        EXPECT_EQ(panel->OnButtonClick(remove), 0u);
        EXPECT_EQ(level.calls, (std::vector<std::string>{"rebuild 4"}));
        EXPECT_EQ(context.pulled, (std::vector<uint32_t>{6}));
    }
    EXPECT_EQ(panel->CurrentChild(), nullptr);
    EXPECT_EQ(panel->FindChildPanel(0x77), nullptr);
    driver.ShowEmptyPanel();
    EXPECT_EQ(panel->CurrentChild(), empty);
}

TEST_F(LevelPanelTest, ProductPricesFollowTheStock) {
    LevelPanel* panel = Open(800, 600);
    TestPanel child(*panel);
    child.Attach();
    ButtonParts parts;
    SplitIntoParts(&parts, child.width, 2);
    const auto* wheat = reinterpret_cast<const PRODUCT*>(uintptr_t(0x1000));
    LevelPanelButton* b = CreatePanelButton(&child, parts, 1, 0xC9000012, nullptr, 3, wheat);
    EXPECT_EQ(b->PriceList(), 1);
    EXPECT_EQ(b->State().TwoBits(), 0u);
    context.stock.Add(wheat, 3);
    EXPECT_EQ(b->State().TwoBits(), 1u);
    b->SetProduct(-4, nullptr);
    EXPECT_EQ(b->Count(), 0);
    EXPECT_EQ(b->PriceList(), -1);
}

TEST_F(LevelPanelTest, LevelBlockMarks) {
    LevelPanel* panel = Open(800, 600);
    TestPanel child(*panel);
    child.Attach();
    auto* block = child.Buttons().Make<CLPLevelBlock>(&child);
    struct Case {
        uint32_t levels, stage;
        size_t marks;
        int lit;
    } cases[] = {{3, 1, 2, 0}, {3, 2, 2, 1}, {3, 3, 2, 2}, {1, 1, 0, 0}, {7, 7, 3, 3}};
    for (const Case& c : cases) {
        block->Show(c.levels, c.stage, nullptr);
        ASSERT_EQ(block->Marks().size(), c.marks);
        int lit = 0;
        for (const LevelMark& m : block->Marks())
            lit += m.lit;
        EXPECT_EQ(lit, c.lit) << c.levels << "/" << c.stage;
    }
    block->Show(3, 2, nullptr);
    EXPECT_EQ(block->Marks()[0].dx, -11);
    EXPECT_EQ(block->Marks()[1].dx, 10);
}

TEST_F(LevelPanelTest, MoneyStripJumpsBeforeTheLevelBeginsAndRollsAfter) {
    context.moneyValue.Set(100);
    LevelPanel* panel = Open(800, 600);
    MoneyWindow* strip = panel->GetMoneyWindow();
    EXPECT_EQ(strip->Shown(), 100);
    EXPECT_EQ(strip->Title(), u"Level 34");
    context.moneyValue.Add(20);
    EXPECT_EQ(strip->Shown(), 120); // at once while loading
    level.begun = true;
    context.moneyValue.Add(200);
    EXPECT_LT(strip->Shown(), 320);
    host.now += 300;
    EXPECT_EQ(strip->Shown(), 320);
}

} // namespace
