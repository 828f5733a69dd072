// The overlay: targets of every kind, valid and invalid; the arrows' fades,
// bounce and freeze; the hint boxes' placement; the layer's states and input.

#include "TutorialFakes.h"

#include "app/App.h"
#include "gui/Controls.h"
#include "gui/Window.h"

#include <gtest/gtest.h>

using namespace tut;
using tutest::FakeLevel;
using tutest::FakeMap;

namespace {

TEST(TutorialTargets, ButtonTarget) {
    WindowManager windows(nullptr, nullptr);
    GameWindow* w = windows.Open<GameWindow>(kTagLevelPanel, false);
    w->rect = {100, 500, 600, 700};
    GameButton* b = w->Controls().Make<GameButton>(0x4C500002u);
    b->rect = {10, 20, 50, 40}; // centre (30, 30)
    b->userData = 9;
    struct Case {
        uint32_t tag, command;
        uintptr_t data;
        float angle, distance;
        bool valid;
        int32_t x, y;
    } cases[] = {
        {kTagLevelPanel, 0x4C500002, 0, 270, 4, true, 130, 516}, // top edge (30, 20), 4 up
        {kTagLevelPanel, 0x4C500002, 9, 0, 0, true, 150, 530},   // right edge (50, 30)
        {kTagLevelPanel, 0x4C500002, 8, 0, 0, false, 0, 0},      // other data
        {kTagLevelPanel, 0x4C500003, 0, 0, 0, false, 0, 0},      // no such control
        {kTagWarehouse, 0x4C500002, 0, 0, 0, false, 0, 0},       // no such window
        {kTagLevelPanel, 0x4C500002, 0, 90, 10, true, 130, 550}, // bottom edge, 10 down
    };
    for (const Case& c : cases) {
        tut::TutTargetButton t(windows, c.tag, c.command, c.data, c.angle, c.distance);
        t.GetPosition();
        EXPECT_EQ(t.valid, c.valid) << c.command << " " << c.data;
        if (!c.valid) continue;
        EXPECT_EQ(t.x, c.x);
        EXPECT_EQ(t.y, c.y);
        EXPECT_EQ(t.fx, float(c.x));
        auto copy = t.Clone(50);
        EXPECT_EQ(copy->distance, 50);
        EXPECT_EQ(copy->kind, uint32_t(kTargetButton));
    }
}

TEST(TutorialTargets, FieldAndCustomTargets) {
    FakeMap map;
    map.levels[0] = kis::MakeVector2(200, 300);
    // The map level's distance is always 64, added in map coordinates.
    TutTargetFieldPoint level0(kTargetMapLevel, map, 0, 180, 5);
    EXPECT_EQ(level0.distance, 64);
    level0.GetPosition();
    EXPECT_TRUE(level0.valid);
    EXPECT_EQ(level0.x, 200 - 64 + 10);
    EXPECT_EQ(level0.y, 300 + 20);
    TutTargetFieldPoint level1(kTargetMapLevel, map, 1, 180, 0);
    level1.GetPosition();
    EXPECT_FALSE(level1.valid);
    // A target that was valid turns invalid when its object goes.
    map.levels.clear();
    level0.GetPosition();
    EXPECT_FALSE(level0.valid);

    TutTargetFieldPoint point(kTargetLevelPoint, map, 3, 90, 12);
    map.levels[3] = kis::MakeVector2(0, 0);
    point.GetPosition();
    EXPECT_EQ(point.distance, 12);
    EXPECT_EQ(point.x, 10);
    EXPECT_EQ(point.y, 32);

    bool there = true;
    TutTargetCustom custom(
        [&there](kis::Point& out, float& angle, uint32_t a, uint32_t b) {
            out = {int32_t(a), int32_t(b)};
            angle = 0;
            return there;
        },
        40, 50, 90, 10);
    custom.GetPosition();
    EXPECT_TRUE(custom.valid);
    EXPECT_EQ(custom.angle, 0); // the callback may turn it
    EXPECT_EQ(custom.x, 50);
    EXPECT_EQ(custom.y, 50);
    there = false;
    custom.GetPosition();
    EXPECT_FALSE(custom.valid);
}

TEST(TutorialArrows, Bounce) {
    struct Case {
        uint32_t ms;
        float offset, sx, sy;
    } cases[] = {
        {0, 16, 1, 1},        // s = 0: fully out
        {600, 0, 0.7f, 1.3f}, // s = 1: at the tip, squashed
        {1200, 16, 1, 1},     // a whole period
        {300, 16 * (1 - 0.5f / 0.7f), 1, 1},
    };
    for (const Case& c : cases) {
        ArrowBounce b = BounceAt(c.ms);
        EXPECT_NEAR(b.offsetX, c.offset, 1e-3) << c.ms;
        EXPECT_NEAR(b.scaleX, c.sx, 1e-3) << c.ms;
        EXPECT_NEAR(b.scaleY, c.sy, 1e-3) << c.ms;
    }
    EXPECT_EQ(BounceAt(100, 0).offsetX, 0); // no amplitude, no slide
}

struct Layers : ::testing::Test {
    App app; // the shell's state the test runs on
    WindowManager windows{nullptr, nullptr};
    TutorialRunner runner{TutorialServices{&windows}};
    FakeLevel level;
};

TEST_F(Layers, ArrowFadesAndFreezes) {
    auto* t = runner.Make<tutest::TestLevelTutorial>(level);
    t->GoToStep(t->StartStepId());
    TutorialNotify(TutorialEvent::ClockStarted, 0, {});
    for (int i = 0; i < 60; ++i)
        runner.Update(10); // shown at 600
    TutorialLayer* layer = t->s1->Layer();
    ASSERT_NE(layer, nullptr);
    auto* arrow = static_cast<LevelTutorialArrow*>(
        layer->AddArrow(std::make_unique<LevelTutorialArrow>(
                            *layer, 7, 0x4, [this](uint32_t mask) { return (level.pauseWord & ~mask) != 0; }),
                        nullptr));
    EXPECT_EQ(arrow->Mask(), 0x15u);
    EXPECT_EQ(arrow->State(), uint32_t(kLayerFadingIn));
    struct Step {
        uint32_t pause, ms;
        uint32_t elapsed;
        uint32_t state;
    } steps[] = {
        {0, 200, 200, kLayerFadingIn},  // the fade's delay
        {2, 100, 200, kLayerFadingIn},  // paused by a modal window: frozen
        {16, 100, 300, kLayerFadingIn}, // its own pause is in the mask
        {0, 100, 400, kLayerShown},
    };
    for (const Step& s : steps) {
        level.pauseWord = s.pause;
        for (uint32_t ms = 0; ms < s.ms; ms += 10)
            arrow->Update(10);
        EXPECT_EQ(arrow->Elapsed(), s.elapsed);
        EXPECT_EQ(arrow->State(), s.state);
    }
    EXPECT_EQ(layer->FindArrow(7), arrow);
    EXPECT_EQ(layer->FindArrow(8), nullptr);
    layer->CloseArrow(7);
    EXPECT_EQ(arrow->State(), uint32_t(kLayerClosing));
    EXPECT_EQ(layer->FindArrow(7), nullptr);
    EXPECT_NEAR(arrow->Alpha(), 1.0f, 1e-6);
    arrow->Update(75);
    EXPECT_NEAR(arrow->Alpha(), 0.5f, 1e-6);
    arrow->Update(75);
    EXPECT_EQ(arrow->State(), uint32_t(kLayerClosed));
}

TEST_F(Layers, ArrowClosedBeforeItFadedInStillGoes) {
    auto* t = runner.Make<tutest::TestLevelTutorial>(level);
    t->GoToStep(t->s2->Id());
    TutorialNotify(TutorialEvent::ClockStarted, 0, {});
    for (int i = 0; i < 60; ++i)
        runner.Update(10);
    TutorialLayer* layer = t->s2->Layer();
    ASSERT_NE(layer, nullptr);
    ASSERT_EQ(layer->Arrows().size(), 1u);
    EXPECT_EQ(layer->Arrows()[0]->Alpha(), 0.0f); // still in the fade's delay
    t->Finish();
    EXPECT_EQ(layer->LayerState(), uint32_t(kLayerClosing));
    EXPECT_EQ(layer->ClickWaits(), 0u);
    layer->SetLayerState(kLayerShown); // only upwards
    EXPECT_EQ(layer->LayerState(), uint32_t(kLayerClosing));
    for (int i = 0; i < 16; ++i)
        runner.Update(10);
    EXPECT_EQ(runner.Running(), nullptr);
    EXPECT_EQ(windows.Count(), 0);
}

TEST(TutorialInfos, Placement) {
    struct Case {
        int32_t w, h, x, y;
        float angle;
        bool centred;
        float distance;
        int32_t left, top;
    } cases[] = {
        {100, 50, 500, 400, 0, true, 0, 450, 375},    // centred
        {100, 50, 500, 400, 0, false, 0, 500, 375},   // to the right: left edge at the point
        {100, 50, 500, 400, 270, false, 0, 450, 350}, // above: bottom edge at the point
        {100, 50, 500, 400, 90, false, 10, 450, 410}, // below, 10 further
        {100, 50, 10, 400, 180, false, 0, 0, 375},    // pushed inside at the left
        {100, 50, 1000, 760, 0, false, 0, 924, 718},  // pushed inside at the right and bottom
        {100, 50, 500, 400, 0, false, 84, 584, 375},  // the distance is added along the angle
        {100, 50, 1000, 400, 0, false, 84, 924, 375}, // and cannot carry the box out at the right
        {100, 50, 100, 100, 225, false, 84, 0, 0},    // nor out at the top left
        {100, 50, 0, 0, 0, true, 0, 0, 0},
    };
    for (const Case& c : cases) {
        kis::Point p = PlaceInfoBox(c.w, c.h, c.x, c.y, c.angle, c.centred, c.distance, {0, 0, 1024, 768});
        EXPECT_EQ(p.x, c.left) << c.x << "," << c.y << " at " << c.angle;
        EXPECT_EQ(p.y, c.top) << c.x << "," << c.y << " at " << c.angle;
    }
}

// A box moves off the points it must leave in sight to the nearest side
// that frees them all, inside the screen; a point on its edge is not covered.
// A box that covers what it must leave in sight moves to the nearest place
// (in steps of 4 px from its own) 6 px clear of all of it, on the screen; a
// point on its edge is not covered; where no place is free it stays.
TEST(TutorialInfos, BoxesLeaveWhatTheyPointAtInSight) {
    // A box of 100 x 50; the screen 1024 x 768 unless a case shuts it in.
    // Points are rectangles of one pixel.
    struct Case {
        const char* what;
        kis::Point corner;
        std::vector<kis::Rect> keep;
        kis::Point expected;
        bool free = true;
        int32_t screenW = 1024, screenH = 768;
    } cases[] = {
        {"nothing covered", {400, 300}, {{390, 320, 391, 321}, {600, 320, 601, 321}}, {400, 300}},
        {"points on its edges",
         {400, 300},
         {{400, 320, 401, 321}, {450, 300, 451, 301}, {450, 350, 451, 351}, {402, 320, 403, 321}},
         {400, 300}},
        {"a tip near the top: the box goes below it", {400, 300}, {{450, 305, 451, 306}}, {400, 312}},
        {"a tip near the foot: the box goes above it", {400, 300}, {{450, 345, 451, 346}}, {400, 288}},
        {"near the left side: the box goes right",
         {400, 300},
         {{405, 310, 406, 311}, {405, 340, 406, 341}},
         {412, 300}},
        {"the screen's foot shuts the way below", {400, 700}, {{450, 740, 451, 741}}, {400, 684}},
        {"two points: beside both", {400, 300}, {{450, 310, 451, 311}, {480, 320, 481, 321}}, {400, 324}},
        {"a rectangle across its top: below it", {400, 300}, {{380, 280, 520, 320}}, {400, 324}},
        {"shut in on every side: it stays", {0, 0}, {{50, 25, 51, 26}}, {0, 0}, false, 100, 50},
    };
    for (const Case& c : cases) {
        kis::Point p = c.corner;
        EXPECT_EQ(KeepInSight(p, 100, 50, c.keep, {0, 0, c.screenW, c.screenH}), c.free) << c.what;
        EXPECT_EQ(p.x, c.expected.x) << c.what;
        EXPECT_EQ(p.y, c.expected.y) << c.what;
    }
    // A place the room refuses (a panel below y 350) is passed over for the next nearest.
    const auto abovePanel = [](kis::Point q) { return q.y + 50 <= 350; };
    kis::Point p{400, 290};
    EXPECT_TRUE(KeepInSight(p, 100, 50, {{450, 295, 451, 296}}, {0, 0, 1024, 768}, abovePanel));
    EXPECT_EQ(p.x, 400);
    EXPECT_EQ(p.y, 238);
}

TEST_F(Layers, InputPassesThroughWithoutAClickWait) {
    auto* t = runner.Make<tutest::TestLevelTutorial>(level);
    t->GoToStep(t->s1->Id());
    TutorialNotify(TutorialEvent::ClockStarted, 0, {});
    for (int i = 0; i < 80; ++i)
        runner.Update(10);
    TutorialLayer* layer = t->s1->Layer();
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(layer->ClickWaits(), 0u);
    EXPECT_TRUE(layer->IsInputBlocked());
    EXPECT_FALSE(layer->HitTest(300, 300));
    EXPECT_FALSE(windows.OnMouseDown(300, 300, 1));
    windows.OnMouseUp(300, 300, 1);
    EXPECT_EQ(t->Current(), t->s1);
    // The box took a copy of the arrow's target.
    ASSERT_EQ(layer->Infos().size(), 1u);
    EXPECT_NE(layer->Infos()[0]->Target(), layer->Arrows()[0]->Target());
    EXPECT_EQ(layer->Infos()[0]->Text(), u"level_01_1");
}

} // namespace
