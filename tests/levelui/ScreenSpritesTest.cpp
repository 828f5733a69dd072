// Screen sprites and their host: show and hide, the kinds' geometry, mouse
// routing with hover, press and click, removal (also from inside a click),
// and the flying labels' timelines, all on a test clock and a test level.
#include "levelui/ScreenSprites.h"
#include "gui/Window.h"
#include "levelui/ScreenLabel.h"
#include "levelui/ScreenSpriteKinds.h"
#include "sprites/Sprite.h"
#include "tests/sprites/SpriteTestHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

class TestLevel : public ScreenSpriteLevel {
  public:
    DXLMatrix ViewTransform() const override { return kIdentityMatrix; }
    bool FieldScaled() const override { return fieldScale != 1.0f; }
    float FieldScale() const override { return fieldScale; }
    int32_t MouseX() const override { return mouseX; }
    int32_t MouseY() const override { return mouseY; }
    bool MouseInField() const override { return inField; }
    WindowManager& Windows() const override { return manager; }
    kis::Rect MoneyWindowRect() const override { return money; }
    void PlayClickSound() override { ++clickSounds; }

    mutable WindowManager manager{nullptr, nullptr};
    float fieldScale = 1.0f;
    int32_t mouseX = 0, mouseY = 0;
    bool inField = true;
    kis::Rect money = {0, 0, 0, 0};
    int clickSounds = 0;
};

// A button with a square hit area that logs its clicks.
class LogButton : public ActiveScreenSprite {
  public:
    LogButton(ScreenSprites& host, int32_t x, int32_t y, std::vector<std::string>* log, std::string name)
        : ActiveScreenSprite(host, MakeCommandTag('T', 'e', 's', 't'), x, y), name(std::move(name)) {
        rect_ = {x - 10, y - 10, x + 10, y + 10};
        SetCommand(log, &LogButton::OnClick, nullptr);
    }
    static uint32_t OnClick(ActiveScreenSprite* sprite, void* owner, uint32_t buttons) {
        auto* self = static_cast<LogButton*>(sprite);
        static_cast<std::vector<std::string>*>(owner)->push_back(self->name + " " + std::to_string(buttons));
        return self->result;
    }
    std::string name;
    uint32_t result = ActiveScreenSprite::kClickSound;
};

struct Fixture : ::testing::Test {
    spritetest::TestHost clock;
    TestLevel level;
    ScreenSprites host{level};
    DXLViewer viewer;
    std::vector<std::string> log;

    LogButton* Button(int32_t x, int32_t y, const std::string& name) {
        LogButton* b = host.Create<LogButton>(x, y, &log, name);
        b->Show(true, 0, 2, 200);
        return b;
    }
    // Level ticks of 10 ms.
    void Ticks(int n) {
        for (int i = 0; i < n; ++i) {
            clock.game += 10;
            host.Update();
        }
    }
    void MoveTo(int32_t x, int32_t y) {
        level.mouseX = x;
        level.mouseY = y;
        host.UpdateHover(x, y);
    }
    void Press(int32_t x, int32_t y, uint32_t buttons) {
        MoveTo(x, y);
        host.OnMouseDown(x, y, buttons);
    }
    void Release(uint32_t buttons) { host.OnMouseUp(level.mouseX, level.mouseY, buttons); }
};

// ---------------------------------------------------------------- show and hide

TEST(ScreenSpriteShowHide, ScaleAndAlphaFollowTheMode) {
    struct Case {
        bool hide;
        int32_t mode;
        float p, scale;
    };
    const Case cases[] = {
        {false, 4, 0.0f, 0.0f},  {false, 4, 0.6f, 1.0f},   {false, 4, 0.75f, 1.25f}, {false, 4, 1.0f, 1.0f},
        {true, 4, 0.25f, 1.25f}, {true, 4, 1.0f, 0.0f},    {false, 2, 0.3f, 0.3f},   {true, 2, 0.3f, 0.7f},
        {false, 1, 0.3f, 1.0f},  {false, 6, 0.75f, 1.25f}, // the overshoot wins over the plain scale
    };
    for (const Case& c : cases)
        EXPECT_NEAR(SEffect_SSShowHide::ScaleAt(c.hide, c.mode, c.p), c.scale, 1e-5f)
            << c.hide << " " << c.mode << " " << c.p;
    EXPECT_FLOAT_EQ(SEffect_SSShowHide::AlphaAt(false, 0.25f), 0.25f);
    EXPECT_FLOAT_EQ(SEffect_SSShowHide::AlphaAt(true, 0.25f), 0.75f);
}

using ScreenSpriteTest = Fixture;

TEST_F(ScreenSpriteTest, AFadingSpriteTakesNoInputUntilTheFadeEnds) {
    LogButton* b = host.Create<LogButton>(100, 100, &log, "b");
    b->Show(false, 0, 3, 200);
    EXPECT_TRUE(b->IsShown());
    EXPECT_FALSE(b->IsVisible());
    EXPECT_FALSE(host.OnMouseDown(100, 100, 1)) << "still fading in";
    host.Draw(viewer); // the fade's time runs from its first frame
    clock.game += 100;
    host.Draw(viewer);
    EXPECT_LT(b->Colour() >> 24, 0xFFu);
    EXPECT_GT(b->Colour() >> 24, 0u);
    clock.game += 150;
    host.Draw(viewer);
    EXPECT_TRUE(b->IsVisible());
    EXPECT_EQ(b->Colour() >> 24, 0xFFu);
    EXPECT_TRUE(host.OnMouseDown(100, 100, 1));
}

TEST_F(ScreenSpriteTest, HiddenWithRemovalTheHostDeletesItOnItsNextTick) {
    SSStars* never = host.Create<SSStars>(0, 0, 3, 1);
    never->Hide(ScreenSprite::AfterHiding::Remove, ScreenSprite::HideSpeed::Fade, 0, 3,
                200); // not shown: only marked
    EXPECT_TRUE(never->IsMarkedForRemoval());
    SSStars* fading = host.Create<SSStars>(0, 0, 3, 1);
    fading->Show(true, 0, 2, 200);
    fading->Hide(ScreenSprite::AfterHiding::Remove, ScreenSprite::HideSpeed::Fade, 0, 3, 200);
    host.Draw(viewer);
    EXPECT_EQ(host.Count(), 2);
    Ticks(1);
    EXPECT_EQ(host.Count(), 1) << "the unshown one goes at once";
    EXPECT_EQ(host.Get(0), fading);
    clock.game += 250;
    host.Draw(viewer); // the fade ends while drawing
    EXPECT_FALSE(fading->IsShown());
    Ticks(1);
    EXPECT_EQ(host.Count(), 0);
}

// ---------------------------------------------------------------- hover, press, click

TEST_F(ScreenSpriteTest, TheLaterOfTwoOverlappingButtonsGetsHoverAndPress) {
    LogButton* first = Button(100, 100, "first");
    LogButton* second = Button(105, 100, "second");
    MoveTo(103, 100);
    EXPECT_EQ(host.Hovered(), second);
    EXPECT_TRUE(second->IsHovered());
    EXPECT_FALSE(first->IsHovered());
    Press(103, 100, 1);
    EXPECT_EQ(second->GetState(), ActiveScreenSprite::kPressed) << "highlighted at once by the press";
    Release(1);
    EXPECT_EQ(log, std::vector<std::string>{"second 1"});
    EXPECT_EQ(level.clickSounds, 1);
    EXPECT_EQ(second->GetState(), ActiveScreenSprite::kHighlighted);
    // Away from both: nothing hovered, and the field gets the press.
    MoveTo(300, 300);
    EXPECT_EQ(host.Hovered(), nullptr);
    EXPECT_EQ(second->GetState(), ActiveScreenSprite::kNormal);
    EXPECT_FALSE(host.OnMouseDown(300, 300, 1));
}

TEST_F(ScreenSpriteTest, HighlightAfter30MsOfRestAndTheHintAfter400) {
    LogButton* b = Button(100, 100, "b");
    b->SetHint(u"", u"Water the wheat");
    MoveTo(100, 100);
    Ticks(2);
    EXPECT_EQ(b->GetState(), ActiveScreenSprite::kNormal);
    level.mouseX = 103; // moving more than a pixel starts the rest again
    Ticks(1);
    Ticks(2);
    EXPECT_EQ(b->GetState(), ActiveScreenSprite::kNormal);
    Ticks(1);
    EXPECT_EQ(b->GetState(), ActiveScreenSprite::kHighlighted);
    EXPECT_EQ(level.manager.HintOwner(), b);
    clock.game += 300;
    level.manager.Update();
    EXPECT_FALSE(level.manager.IsHintShown());
    clock.game += 100;
    level.manager.Update();
    EXPECT_TRUE(level.manager.IsHintShown());
    MoveTo(400, 400);
    EXPECT_EQ(level.manager.HintOwner(), nullptr);
}

TEST_F(ScreenSpriteTest, TheRestStartsAtTheFirstTickAfterThePointerEnters) {
    // Entering keeps the last position unknown, so the first tick counts as
    // a move: the rest of 30 ms runs from there, the highlight at the fourth.
    LogButton* b = Button(100, 100, "b");
    MoveTo(100, 100);
    EXPECT_TRUE(b->IsHovered());
    Ticks(3);
    EXPECT_EQ(b->GetState(), ActiveScreenSprite::kNormal);
    Ticks(1);
    EXPECT_EQ(b->GetState(), ActiveScreenSprite::kHighlighted);
}

TEST_F(ScreenSpriteTest, PressesThatAreNotTheButtonsDoNothingButAreTaken) {
    LogButton* b = Button(100, 100, "b");
    // A right press on a left-only button is taken, yet changes nothing.
    Press(100, 100, 2);
    EXPECT_EQ(b->GetState(), ActiveScreenSprite::kNormal);
    Release(2);
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(host.OnMouseDown(100, 100, 2));
    // Releasing another button than the one that pressed does not click.
    Press(100, 100, 1);
    Release(2);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(b->GetState(), ActiveScreenSprite::kPressed);
    Release(1);
    EXPECT_EQ(log.size(), 1u);
    // A press lock ignores presses while it runs.
    b->SetPressLock(20);
    Press(100, 100, 1);
    Release(1);
    EXPECT_EQ(log.size(), 1u);
    Ticks(2);
    Press(100, 100, 1);
    Release(1);
    EXPECT_EQ(log.size(), 2u);
}

TEST_F(ScreenSpriteTest, ADisabledButtonsCallbackHearsTheClick) {
    LogButton* b = Button(100, 100, "b");
    static bool disabled = true;
    b->SetCommand(&log, &LogButton::OnClick, [](ActiveScreenSprite*, void*) -> uint8_t { return disabled; });
    EXPECT_EQ(b->GetState(), ActiveScreenSprite::kDisabled);
    Press(100, 100, 1);
    EXPECT_EQ(b->GetState(), ActiveScreenSprite::kDisabled);
    Release(1);
    EXPECT_EQ(log, std::vector<std::string>{"b 1"});
    disabled = false;
    Ticks(1);
    EXPECT_EQ(b->GetState(), ActiveScreenSprite::kNormal);
}

TEST_F(ScreenSpriteTest, WindowsOverTheFieldAndTheTutorialKeepTheHoverAway) {
    Button(100, 100, "b");
    level.inField = false;
    MoveTo(100, 100);
    EXPECT_EQ(host.Hovered(), nullptr);
    level.inField = true;
    struct NoTutorial : WindowTutorial {
        bool Allows(TutorialAction action, uint32_t, TutorialObject) override {
            return action != TutorialAction::ClickPoint;
        }
        void Notify(TutorialEvent, uint32_t, TutorialObject) override {}
    } tutorial;
    level.manager.SetTutorial(&tutorial);
    MoveTo(100, 100);
    EXPECT_EQ(host.Hovered(), nullptr);
    level.manager.SetTutorial(nullptr);
    MoveTo(100, 100);
    EXPECT_NE(host.Hovered(), nullptr);
}

// A button whose callback ends the button itself, as the farm's buttons do.
class SelfRemovingButton : public LogButton {
  public:
    using LogButton::LogButton;
    static uint32_t RemoveSelf(ActiveScreenSprite* sprite, void* owner, uint32_t buttons) {
        LogButton::OnClick(sprite, owner, buttons);
        sprite->Host().Destroy(sprite);
        return 0;
    }
};

TEST_F(ScreenSpriteTest, ACallbackThatEndsItsOwnButtonIsSafe) {
    auto* b = host.Create<SelfRemovingButton>(100, 100, &log, "b");
    b->Show(true, 0, 2, 200);
    b->SetCommand(&log, &SelfRemovingButton::RemoveSelf, nullptr);
    Press(100, 100, 1);
    Release(1); // the host touches the button after the callback: it must still be there
    EXPECT_EQ(log.size(), 1u);
    EXPECT_EQ(host.Hovered(), nullptr);
    EXPECT_EQ(host.Count(), 1);
    EXPECT_FALSE(host.OnMouseDown(100, 100, 1)) << "it takes no more input";
    Ticks(1);
    EXPECT_EQ(host.Count(), 0);
    EXPECT_EQ(host.ActiveCount(), 0);
    // Outside any dispatch an end is at once; a click result can ask for removal too.
    LogButton* c = Button(200, 200, "c");
    c->result = ActiveScreenSprite::kClickRemove;
    Press(200, 200, 1);
    Release(1);
    EXPECT_TRUE(c->IsMarkedForRemoval());
    c->Hide(ScreenSprite::AfterHiding::Keep, ScreenSprite::HideSpeed::Fade, 0, 3, 200);
    host.Draw(viewer);
    clock.game += 300;
    host.Draw(viewer);
    Ticks(1);
    EXPECT_EQ(host.Count(), 0);
    LogButton* d = Button(300, 300, "d");
    MoveTo(300, 300);
    host.Destroy(d);
    EXPECT_EQ(host.Count(), 0);
    EXPECT_EQ(host.Hovered(), nullptr);
}

TEST_F(ScreenSpriteTest, TheHoveredSpriteIsDrawnLastAndMoveBeforeReorders) {
    LogButton* a = Button(100, 100, "a");
    SSStars* s = host.Create<SSStars>(0, 0, 4, 2);
    LogButton* c = Button(300, 300, "c");
    host.MoveBefore(c, a);
    EXPECT_EQ(host.IndexOf(c), 0);
    EXPECT_EQ(host.IndexOf(a), 1);
    EXPECT_EQ(host.IndexOf(s), 2);
    host.MoveBefore(c, s);
    EXPECT_EQ(host.IndexOf(c), 2);
    host.MoveBefore(c, c);
    EXPECT_EQ(host.IndexOf(c), 2);
}

// ---------------------------------------------------------------- the kinds

TEST(ScreenSpriteKinds, StarCellsByMaximumAndCount) {
    struct Case {
        int32_t maximum, count;
        kis::Rect cell;
    };
    const Case cases[] = {
        {4, 3, kis::MakeRectWH(1, 57, 57, 27)},  {4, 1, kis::MakeRectWH(1, 1, 57, 27)},
        {4, 9, kis::MakeRectWH(1, 85, 57, 27)},  {3, 2, kis::MakeRectWH(59, 24, 44, 22)},
        {2, 2, kis::MakeRectWH(59, 24, 22, 22)}, {2, 0, kis::MakeRectWH(59, 1, 22, 22)},
    };
    for (const Case& c : cases) {
        kis::Rect cell;
        ASSERT_TRUE(StarsCell(c.maximum, c.count, &cell)) << c.maximum << " " << c.count;
        EXPECT_EQ(cell.left, c.cell.left);
        EXPECT_EQ(cell.top, c.cell.top) << c.maximum << " " << c.count;
        EXPECT_EQ(cell.right, c.cell.right);
        EXPECT_EQ(cell.bottom, c.cell.bottom);
    }
    kis::Rect cell;
    EXPECT_FALSE(StarsCell(1, 1, &cell));
}

TEST_F(ScreenSpriteTest, StarRowsClampTheirMaximumAndCount) {
    SSStars* stars = host.Create<SSStars>(10, 10, 9, 7);
    EXPECT_EQ(stars->GetMaximum(), 4);
    EXPECT_EQ(stars->GetCount(), 4);
    stars->SetCount(-3);
    EXPECT_EQ(stars->GetCount(), 1);
    SSStars* one = host.Create<SSStars>(10, 10, 0, 1);
    EXPECT_EQ(one->GetMaximum(), 1);
    EXPECT_FALSE(one->HasCell());
}

TEST(ScreenSpriteKinds, ProductionRowsPlaceTheirCells) {
    struct Case {
        int32_t index, count;
        ProductionCell cell;
    };
    const Case cases[] = {
        {0, 1, {-17, 34, 0}},  {0, 3, {-49, 33, 34}}, {1, 3, {-16, 32, 67}}, {2, 3, {16, 33, 99}},
        {0, 2, {-33, 33, 34}}, {1, 2, {0, 33, 99}},   {3, 5, {16, 32, 67}},
    };
    for (const Case& c : cases) {
        const ProductionCell cell = ProductionButtonCell(c.index, c.count);
        EXPECT_EQ(cell.left, c.cell.left) << c.index << " of " << c.count;
        EXPECT_EQ(cell.width, c.cell.width) << c.index << " of " << c.count;
        EXPECT_EQ(cell.sourceX, c.cell.sourceX) << c.index << " of " << c.count;
    }
}

TEST_F(ScreenSpriteTest, ProductionSlotsSitInARowAndClampTheirFill) {
    ASSProductionSlot* slot = host.Create<ASSProductionSlot>(100, 50, 0, 4);
    EXPECT_EQ(slot->Rect().left, 100 - 65);
    EXPECT_EQ(slot->Rect().top, 50 - 17);
    EXPECT_EQ(slot->Command(), kCommandProductionSlot);
    EXPECT_EQ(host.Create<ASSProductionSlot>(100, 50, 3, 4)->CellLeft(), 96 - 65);
    struct Case {
        float in, kept;
    };
    for (const Case& c :
         {Case{0.5f, 0.5f}, Case{1.7f, 1.0f}, Case{-0.2f, 0.0f}, Case{NAN, 0.0f}, Case{INFINITY, 1.0f}}) {
        slot->SetProgress(c.in);
        EXPECT_EQ(slot->GetProgress(), c.kept) << c.in;
    }
    // The fill's top for a 40-pixel strip: h = 34, top = 34 - (31 f + 1).
    int32_t top = 0;
    float fraction = 0;
    slot->SetProgress(0.0f);
    EXPECT_FALSE(slot->FillTop(40, &top, &fraction));
    slot->SetProgress(1.0f);
    ASSERT_TRUE(slot->FillTop(40, &top, &fraction));
    EXPECT_EQ(top, 2);
    EXPECT_FLOAT_EQ(fraction, 0.0f);
    slot->SetProgress(0.5f);
    ASSERT_TRUE(slot->FillTop(40, &top, &fraction));
    EXPECT_EQ(top, 18); // 34 - 16.5 = 17.5: row 17 half covered
    EXPECT_FLOAT_EQ(fraction, 0.5f);
}

TEST_F(ScreenSpriteTest, AProductionSlotsHintNamesItsProductWhenShown) {
    // Without a language the name is its key; an empty slot has no hint.
    ASSProductionSlot* slot = host.Create<ASSProductionSlot>(100, 50, 0, 1);
    int wheat = 0, flour = 0;
    EXPECT_EQ(slot->GetHintWindow(), nullptr);
    slot->SetProduct(&wheat, nullptr, u"wheat");
    ASSERT_NE(slot->GetHintWindow(), nullptr);
    EXPECT_EQ(slot->HintText(), u"wheat");
    // A new product: the hint reads the new name the next time it shows.
    slot->SetProduct(&flour, nullptr, u"flour");
    ASSERT_NE(slot->GetHintWindow(), nullptr);
    EXPECT_EQ(slot->HintText(), u"flour");
    slot->SetProduct(nullptr, nullptr, nullptr);
    EXPECT_EQ(slot->GetHintWindow(), nullptr);
}

TEST_F(ScreenSpriteTest, ProgressLinesClampLatchAndPlaceTheirPieces) {
    SSProgressLine* green = host.Create<SSProgressLine>(0, 0, 100, true);
    green->SetPercent(NAN);
    EXPECT_EQ(green->GetPercent(), 0.0f);
    EXPECT_FALSE(green->IsLatched()) << "a green bar latches only when full";
    green->SetPercent(40.0f);
    EXPECT_EQ(green->Fill(), 40);
    EXPECT_EQ(green->QuadCount(), 6);
    EXPECT_FLOAT_EQ(green->Quad(0).destination.left, -50.0f - 13.0f);
    EXPECT_FLOAT_EQ(green->Quad(0).destination.right, -50.0f);
    EXPECT_FLOAT_EQ(green->Quad(2).destination.left, 50.0f);
    EXPECT_FLOAT_EQ(green->Quad(4).destination.right, -10.0f);
    EXPECT_FLOAT_EQ(green->Quad(5).destination.left, -10.0f);
    EXPECT_FLOAT_EQ(green->Quad(5).destination.right, -7.0f);
    EXPECT_FLOAT_EQ(green->GlowX(), -9.0f);
    green->SetPercent(250.0f);
    EXPECT_EQ(green->GetPercent(), 100.0f);
    EXPECT_TRUE(green->IsLatched());
    green->SetPercent(10.0f);
    EXPECT_EQ(green->GetPercent(), 100.0f) << "latched";

    SSProgressLine* red = host.Create<SSProgressLine>(0, 0, 10, false);
    EXPECT_EQ(red->Width(), 32);
    red->SetPercent(100.0f);
    EXPECT_FALSE(red->IsLatched());
    red->SetPercent(-5.0f);
    EXPECT_TRUE(red->IsLatched());
    EXPECT_EQ(red->QuadCount(), 3) << "only its border";
    red->SetPercent(50.0f);
    EXPECT_EQ(red->GetPercent(), 0.0f);
}

TEST_F(ScreenSpriteTest, IconButtonsHitWithinTheirRadiusAndKeepItWhenZoomedOut) {
    ASSIconButton* b =
        host.Create<ASSIconButton>(MakeCommandTag('W', 'a', 't', 'e'), 100, 100, u"icon_btn", nullptr, 18);
    b->Show(true, 0, 2, 200);
    EXPECT_TRUE(b->HitTest(118, 100));
    EXPECT_FALSE(b->HitTest(119, 100));
    EXPECT_FALSE(b->HitTest(114, 114)) << "inside the square, outside the circle";
    EXPECT_TRUE(b->HitTest(112, 112));
    level.fieldScale = 0.5f;
    b->SetFollowZoom(true);
    EXPECT_EQ(b->HitRadius(), 36);
    EXPECT_TRUE(b->HitTest(136, 100));
    EXPECT_EQ(b->Rect().right, 137);
}

TEST_F(ScreenSpriteTest, ArrowButtonsSitAboveTheirAnchorAndClearTheMoneyWindow) {
    ASSArrowButton* b = host.Create<ASSArrowButton>(MakeCommandTag('H', 'a', 'r', 'v'), 200, 300, nullptr);
    EXPECT_EQ(b->X(), 200);
    EXPECT_EQ(b->Y(), 268);
    b->SetAnchor(200, 40);
    EXPECT_EQ(b->Y(), 32) << "never above y = 32";
    // A money window across the button: its top ends 8 pixels above the window's bottom.
    level.money = {150, 0, 260, 120};
    b->SetAnchor(200, 130);
    EXPECT_EQ(b->Y() - 19, 120 - 8);
    level.money = {0, 0, 100, 120}; // beside it: no move
    b->SetAnchor(200, 130);
    EXPECT_EQ(b->Y(), 98);
    // Zoomed out, the lift is in screen pixels.
    level.money = {0, 0, 0, 0};
    level.fieldScale = 0.5f;
    b->SetAnchor(200, 300);
    EXPECT_EQ(b->Y(), 300 - 64);
}

TEST_F(ScreenSpriteTest, PriceButtonsSizeByTheirPriceAndColourItByState) {
    ASSPriceButton* b =
        host.Create<ASSPriceButton>(MakeCommandTag('B', 'u', 'y', ' '), 200, 300, nullptr, 50);
    EXPECT_EQ(b->Width(), 52) << "no digit font here: the price takes no room";
    EXPECT_EQ(b->Y(), 300 - 34);
    EXPECT_EQ(b->Rect().left, 200 - 26);
    EXPECT_EQ(b->Rect().top, 266 - 20);
    EXPECT_EQ(b->PriceColour(), 0xFFD4FFFFu);
    b->SetDisabled(true);
    EXPECT_EQ(b->PriceColour(), 0xFFE8E8E8u);
    b->SetDisabled(false);
    b->Show(true, 0, 2, 200);
    Press(200, 266, 1);
    EXPECT_EQ(b->PriceColour(), 0xFFFFFFFFu);
    Release(1);
    level.fieldScale = 0.5f;
    b->SetAnchor(200, 300);
    EXPECT_EQ(b->Y(), 300 - 68);
    EXPECT_EQ(b->Rect().right - b->Rect().left, 104) << "its screen size kept at half zoom";
}

TEST_F(ScreenSpriteTest, ArrowsBobAndHideThemselvesAfterTheirTime) {
    EXPECT_NEAR(SSArrow::BobOffset(0), 0.0f, 1e-4f);
    EXPECT_NEAR(SSArrow::BobOffset(800), -10.0f, 1e-4f);
    EXPECT_NEAR(SSArrow::BobOffset(400), -5.0f, 1e-4f);
    EXPECT_NEAR(SSArrow::BobOffset(1600), 0.0f, 1e-4f);
    SSArrow* slot = host.Create<SSArrow>(10, 10, nullptr);
    slot->SetOwnerSlot(&slot);
    slot->Show(true, 0, 2, 200);
    Ticks(940);
    EXPECT_FALSE(slot->IsMarkedForRemoval());
    Ticks(1);
    ASSERT_NE(slot, nullptr);
    EXPECT_TRUE(slot->IsMarkedForRemoval());
    EXPECT_EQ(slot->GetShowState(), ScreenSprite::kHiding);
    host.Draw(viewer);
    clock.game += 300;
    host.Draw(viewer);
    Ticks(1);
    EXPECT_EQ(slot, nullptr) << "its owner's pointer is cleared when it goes";
    EXPECT_EQ(host.Count(), 0);
}

TEST_F(ScreenSpriteTest, JobIconsLeaveTheirPointWhenTheyGo) {
    struct Point : ColorIconOwner {
        void DetachIcon(SSColorIcon* icon) override { detached.push_back(icon); }
        std::vector<SSColorIcon*> detached;
    } point;
    SSColorIcon* kept = host.Create<SSColorIcon>(0, 0, nullptr, 0x00FF00, 0x008000);
    SSColorIcon* removed = host.Create<SSColorIcon>(0, 0, nullptr, 0x00FF00, 0x008000);
    kept->SetOwner(&point);
    removed->SetOwner(&point);
    kept->Show(true, 0, 2, 200);
    kept->Hide(ScreenSprite::AfterHiding::Keep, ScreenSprite::HideSpeed::AtOnce, 0, 3, 200);
    EXPECT_TRUE(point.detached.empty()) << "hidden without removal it stays attached";
    removed->Show(true, 0, 2, 200);
    removed->Hide(ScreenSprite::AfterHiding::Remove, ScreenSprite::HideSpeed::Fade, 0, 3, 200);
    ASSERT_EQ(point.detached.size(), 1u);
    EXPECT_EQ(point.detached[0], removed);
    EXPECT_EQ(removed->Owner(), nullptr);
    host.Destroy(kept);
    ASSERT_EQ(point.detached.size(), 2u);
    EXPECT_EQ(point.detached[1], kept);
}

// ---------------------------------------------------------------- labels

TEST_F(ScreenSpriteTest, MoneyLabelsRiseAndGoAfterTwoSeconds) {
    host.ShowMoneyChange(0, 10, 10, 0, 0);
    EXPECT_EQ(host.LabelCount(), 0);
    host.ShowMoneyChange(5, 100, 200, -10, 300);
    ASSERT_EQ(host.LabelCount(), 1);
    ScreenLabel* label = host.GetLabel(0);
    EXPECT_EQ(label->Text(), u"+5");
    EXPECT_EQ(label->TextColour(), 0xFFFFFF80u);
    host.Draw(viewer); // the delay runs
    clock.game += 300 + 1000;
    host.Draw(viewer);
    ASSERT_EQ(host.LabelCount(), 1);
    EXPECT_NEAR(label->Effects()->offsetY, -50.0f, 1.0f) << "half way up";
    EXPECT_EQ(label->Alpha(), 0xFF000000u);
    clock.game += 890;
    host.Draw(viewer);
    ASSERT_EQ(host.LabelCount(), 1);
    EXPECT_LT(label->Alpha() >> 24, 0x80u) << "fading out over its last 500 ms";
    clock.game += 100;
    host.Draw(viewer);
    EXPECT_EQ(host.LabelCount(), 0) << "gone at delay + 2,000";
}

TEST_F(ScreenSpriteTest, AnAwardPickedUpRisesAsAnOutlinedText) {
    host.ShowAwardPickUp(100, 100);
    ASSERT_EQ(host.LabelCount(), 1);
    ScreenLabel* label = host.GetLabel(0);
    EXPECT_EQ(label->Text(), u"easter_egg") << "no language here: the key stands";
    EXPECT_EQ(label->TextColour(), 0xFFFFFFFFu);
    EXPECT_FLOAT_EQ(label->Outline(), 1.5f);
    EXPECT_FALSE(label->HasIcon());
    EXPECT_EQ(label->Rect().top, 68);
    host.Draw(viewer);
    clock.game += 2000;
    host.Draw(viewer);
    EXPECT_EQ(host.LabelCount(), 0);
}

TEST_F(ScreenSpriteTest, ProductLabelsShowTheCountAndDropInForALoss) {
    host.ShowProductChange(nullptr, 3, 0, 0, 0, 0, 0);
    EXPECT_EQ(host.LabelCount(), 0) << "no product";
    SpriteLibrary library(2, nullptr);
    Sprite* icon = library.AddSprite(u"ico_wheat");
    icon->SetFrames({{0, 0, 24, 22}, {24, 0, 48, 22}, {48, 0, 72, 22}, {72, 0, 96, 22}});
    host.ShowProductChange(icon, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(host.LabelCount(), 0) << "no change";
    host.ShowProductChange(icon, -2, 50, 60, 0, 0, 10);
    host.ShowProductChange(icon, 4, 50, 60, 0, 0, 0);
    ASSERT_EQ(host.LabelCount(), 2);
    ScreenLabel* loss = host.GetLabel(0);
    ScreenLabel* gain = host.GetLabel(1);
    EXPECT_EQ(loss->Text(), u"-2");
    EXPECT_EQ(loss->TextColour(), 0xFFFF8080u);
    EXPECT_EQ(gain->Text(), u"+4");
    EXPECT_EQ(gain->TextColour(), 0xFFFFFFFFu);
    EXPECT_TRUE(loss->HasIcon());
    EXPECT_EQ(loss->IconWidth(), 22);
    host.Draw(viewer);
    clock.game += 100;
    host.Draw(viewer);
    EXPECT_NEAR(loss->Effects()->offsetY, -40.0f * 0.9f, 1.5f) << "dropping from 10 - 50";
    EXPECT_LT(loss->Alpha() >> 24, 0xFFu) << "fading in";
    EXPECT_NEAR(gain->Effects()->offsetY, -5.0f, 1.0f) << "rising";
    clock.game += 1000;
    host.Draw(viewer);
    EXPECT_EQ(host.LabelCount(), 1) << "the drop is over after 1,000 ms";
}

} // namespace
