// The front end's numbers: where the scene, the title and the menu go, how
// the scene moves, the profiles list's rows, the volume bars and the credits.
#include "frontend/FrontendLayout.h"

#include <gtest/gtest.h>

TEST(FrontendLayout, TheSceneScalesWithTheScreen) {
    struct Case {
        int32_t width, height;
        float scale;
        int32_t centreX, centreY, anchor;
    };
    const Case cases[] = {
        {1024, 768, 1.0f, 512, 368, 748},   // the 4:3 screen: own size, raised by 16
        {1280, 720, 1.0f, 640, 360, 818},   // 0.9 raised by the width rule; min(1094, 1280) - 276
        {800, 600, 0.75f, 400, 300, 588},   // min(912, 800) - 192 - 20
        {1280, 800, 1.0f, 640, 400, 940},   // the authored size
        {1920, 1080, 1.5f, 960, 540, 1238}, // 1.35 raised to 1.5 by the width rule
    };
    for (const Case& c : cases) {
        const SceneLayout scene = ComputeSceneLayout(c.width, c.height);
        EXPECT_FLOAT_EQ(scene.scale, c.scale) << c.width << "x" << c.height;
        EXPECT_EQ(scene.centreX, c.centreX) << c.width << "x" << c.height;
        EXPECT_EQ(scene.centreY, c.centreY) << c.width << "x" << c.height;
        EXPECT_EQ(MenuAnchorX(c.width, c.height, scene.scale), c.anchor) << c.width;
    }
    EXPECT_EQ(MenuAnchorX(1920, 1080, 1.5f), 1642 - 384 - 20);
    EXPECT_EQ(MenuAnchorX(1024, 768, 1.0f) - kMenuAnchorOffset, 607); // the menu's left edge
}

TEST(FrontendLayout, TheTitleSitsAboveTheMenuAndShrinksOnLowScreens) {
    struct Case {
        int32_t width, height, menu;
        TitleLayout out;
    };
    const Case cases[] = {
        // 256 + 8 + 348 below 752: free 148, gap 29, top 59.
        {1024, 768, 348, {748 - 256, 59, 512, 256, 59 + 256 + 29}},
        // No menu: free 752 - 256 = 496, gap 99, top 198.
        {1024, 768, 0, {748 - 256, 198, 512, 256, 198 + 256 + 99}},
        // 348 + 264 above 584: the image shrinks to (592 - 348) / 256.
        {800, 600, 348, {588 - 244, 8, 488, 244, 8 + 244}},
    };
    for (const Case& c : cases) {
        const SceneLayout scene = ComputeSceneLayout(c.width, c.height);
        const TitleLayout t = ComputeTitleLayout(c.width, c.height, scene.scale, c.menu, 0);
        EXPECT_EQ(t.left, c.out.left) << c.height << " " << c.menu;
        EXPECT_EQ(t.top, c.out.top) << c.height << " " << c.menu;
        EXPECT_EQ(t.width, c.out.width) << c.height << " " << c.menu;
        EXPECT_EQ(t.height, c.out.height) << c.height << " " << c.menu;
        EXPECT_EQ(t.menuTop, c.out.menuTop) << c.height << " " << c.menu;
    }
    EXPECT_EQ(ComputeTitleLayout(1024, 768, 1.0f, 348, 144).left, 748 + 144 - 256);
}

TEST(FrontendLayout, TheSceneSwaysBreathesAndStepsItsLayersInWholeTicks) {
    SceneMotion m;
    // The first update chooses the targets: towards -50 over 10 s, -0.07 over 14 s.
    EXPECT_EQ(m.Update(200), 50u); // a stalled frame steps the layers by 50 ms only
    EXPECT_FLOAT_EQ(m.swayTargetX, -50.0f);
    EXPECT_EQ(m.swayPeriod, 10000u);
    EXPECT_FLOAT_EQ(m.zoomTarget, -0.07f);
    EXPECT_EQ(m.zoomPeriod, 14000u);
    EXPECT_EQ(m.carried, 0u); // the excess is dropped
    EXPECT_EQ(m.Update(0), 0u);
    EXPECT_EQ(m.Update(7), 0u);
    EXPECT_EQ(m.Update(7), 10u); // 14 carried: one tick, 4 left
    EXPECT_EQ(m.carried, 4u);
    EXPECT_EQ(m.total, 60u);
    SceneMotion half;
    half.Update(5000);
    EXPECT_NEAR(half.swayX, -25.0f, 0.01f); // halfway along the ease
    half.Update(5000);
    EXPECT_NEAR(half.swayX, -50.0f, 0.01f) << "a new swing starts from the old target";
    EXPECT_FLOAT_EQ(half.swayStartX, -50.0f);
    EXPECT_FLOAT_EQ(half.swayTargetX, 50.0f);
    EXPECT_FLOAT_EQ(SwingEase(0.0f), 0.0f);
    EXPECT_NEAR(SwingEase(1.0f), 1.0f, 1e-6f);
}

TEST(FrontendLayout, MenuAndProfileRowsAreWhereTheyBelong) {
    EXPECT_EQ(MenuButtonY(100, 0), 113);
    EXPECT_EQ(MenuButtonY(100, 3), 317);
    EXPECT_EQ(ProfileRowTop(40, 0), 118);
    EXPECT_EQ(ProfileRowTop(40, 2), 212);
    EXPECT_EQ(ProfileScrollRange(5), 306);
    struct Case {
        int32_t scroll, rows, first, last;
    };
    const Case rows[] = {{0, 12, 0, 3},    {70, 12, 0, 5}, {164, 12, 2, 7},
                         {400, 12, 7, 11}, {0, 0, 0, -1},  {0, 2, 0, 1}};
    for (const Case& c : rows) {
        const RowRange r = VisibleProfileRows(c.scroll, 236, c.rows);
        EXPECT_EQ(r.first, c.first) << c.scroll << " " << c.rows;
        EXPECT_EQ(r.last, c.last) << c.scroll << " " << c.rows;
    }
    struct Scroll {
        int32_t scroll, row, out;
    };
    const Scroll scrolls[] = {{0, 0, 0},     {0, 2, 0},     {0, 3, 20},  {0, 5, 114},
                              {300, 1, 114}, {300, 5, 300}, {10, -1, 10}};
    for (const Scroll& s : scrolls)
        EXPECT_EQ(ScrollToProfileRow(s.scroll, 236, s.row), s.out) << s.scroll << " " << s.row;
}

TEST(FrontendLayout, VolumeBarsFillAndTakeClicks) {
    EXPECT_EQ(SoundBarFill(true, 50.0f, 200), 100);
    EXPECT_EQ(SoundBarFill(true, 33.0f, 201), 66); // 66.33 rounds down
    EXPECT_EQ(SoundBarFill(true, 100.0f, 201), 201);
    EXPECT_EQ(SoundBarFill(false, 80.0f, 200), 0);
    EXPECT_FLOAT_EQ(SoundBarValueAt(10, 10, 201), 0.0f);
    EXPECT_FLOAT_EQ(SoundBarValueAt(210, 10, 201), 100.0f);
    EXPECT_FLOAT_EQ(SoundBarValueAt(110, 10, 201), 50.0f);
    // A bar too narrow to divide: all or nothing either side of its left edge.
    EXPECT_FLOAT_EQ(SoundBarValueAt(11, 10, 1), 100.0f);
    EXPECT_FLOAT_EQ(SoundBarValueAt(10, 10, 1), 0.0f);
    EXPECT_FLOAT_EQ(SoundBarValueAt(11, 10, 0), 100.0f);
}

TEST(FrontendLayout, ShortCreditsStandStillAndLongOnesComeRoundAgain) {
    CreditsScroll still(300);
    EXPECT_FALSE(still.Scrolling());
    EXPECT_EQ(still.Offset(), 50);
    EXPECT_EQ(still.Step(1000, true), 0);
    EXPECT_EQ(still.Offset(), 50);
    EXPECT_FALSE(CreditsScroll(368).Scrolling());

    CreditsScroll long_(500);
    ASSERT_TRUE(long_.Scrolling());
    EXPECT_EQ(long_.Offset(), 400); // just below the view
    EXPECT_EQ(long_.Total(), 508);
    EXPECT_EQ(long_.Step(100, false), 5); // 100 ms / 20
    EXPECT_EQ(long_.Offset(), 395);
    EXPECT_EQ(long_.Step(100, true), 20); // four times as fast while pressed
    EXPECT_EQ(long_.Offset(), 375);
    // Once the whole list has passed (below -508) it comes back total + 408 further down.
    int32_t before = long_.Offset();
    for (int i = 0; i < 400 && long_.Offset() <= before; ++i) {
        before = long_.Offset();
        long_.Step(100, false);
    }
    EXPECT_EQ(before, -505);
    EXPECT_EQ(long_.Offset(), -510 + 508 + 408);
}
