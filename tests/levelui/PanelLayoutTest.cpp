// The level panel's figures at both screen widths, the time bar's zones and
// warning, the button parts, level marks and the goal buttons' texts.

#include "levelui/PanelLayout.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(PanelLayout, BlocksAtBothWidths) {
    struct Case {
        int32_t w, h;
        int32_t goalsLeft, goalsWidth, childLeft, childWidth, warehouseLeft, padLeft, padRight, top;
    } cases[] = {
        {800, 600, 0, 279, 279, 420, 699, 0, 0, 485}, {1024, 768, 62, 329, 391, 470, 861, 62, 62, 653},
        {640, 480, 0, 279, 279, 420, 699, 0, 0, 365}, // narrower screens lay out as 800
        {901, 600, 0, 329, 329, 470, 799, 0, 1, 485}, // one pixel beyond 900: the right pad
        {850, 600, 0, 304, 304, 445, 749, 0, 0, 485}, // half the extra to the goals block
    };
    for (const Case& c : cases) {
        const PanelLayout l = ComputePanelLayout(c.w, c.h);
        SCOPED_TRACE(c.w);
        EXPECT_EQ(l.goalsLeft, c.goalsLeft);
        EXPECT_EQ(l.goalsWidth, c.goalsWidth);
        EXPECT_EQ(l.childLeft, c.childLeft);
        EXPECT_EQ(l.childWidth, c.childWidth);
        EXPECT_EQ(l.warehouseLeft, c.warehouseLeft);
        EXPECT_EQ(l.padLeft, c.padLeft);
        EXPECT_EQ(l.padRight, c.padRight);
        EXPECT_EQ(l.panel.top, c.top);
        EXPECT_EQ(l.panel.bottom - l.panel.top, kPanelHeight);
        EXPECT_EQ(l.panel.right, c.w);
    }
}

TEST(PanelLayout, GoalButtonsSplitTheBlockWithOnePixelOverlap) {
    struct Case {
        int32_t left, width;
        uint32_t n;
        std::vector<Span> spans;
    } cases[] = {
        {0, 279, 3, {{4, 91}, {94, 91}, {184, 91}}},
        {62, 329, 3, {{66, 108}, {173, 107}, {279, 108}}},
        {0, 279, 1, {{4, 271}}},
        {0, 279, 2, {{4, 136}, {139, 136}}},
        {0, 279, 0, {}},
        {0, 279, 7, {{4, 91}, {94, 91}, {184, 91}}}, // the record's count beyond 3 shows three
    };
    for (const Case& c : cases) {
        const auto spans = LayoutGoalSpans(c.left, c.width, c.n);
        ASSERT_EQ(spans.size(), c.spans.size()) << c.n;
        for (size_t i = 0; i < spans.size(); ++i) {
            EXPECT_EQ(spans[i].x, c.spans[i].x) << c.width << " " << i;
            EXPECT_EQ(spans[i].width, c.spans[i].width) << c.width << " " << i;
        }
        if (!spans.empty()) {
            EXPECT_EQ(spans.back().x + spans.back().width - spans.front().x, c.width - 9 + 1);
        }
    }
}

TEST(PanelLayout, BonusRowAndTutorialButton) {
    EXPECT_EQ(LayoutBonusRow(800, {54, 54}), (std::vector<int32_t>{347, 399}));
    EXPECT_EQ(LayoutBonusRow(1024, {54, 54}), (std::vector<int32_t>{459, 511}));
    EXPECT_EQ(LayoutBonusRow(800, {54}), (std::vector<int32_t>{373}));
    EXPECT_TRUE(LayoutBonusRow(800, {}).empty());

    struct Case {
        int32_t width, strip, x, y;
    } cases[] = {{144, 115, 653, 55}, {144, 227, 3, 3}, {110, 115, 3, 3}, {111, 115, 686, 55}};
    for (const Case& c : cases) {
        const PanelPoint p = PlaceTutorialButton(c.width, c.strip, 800);
        EXPECT_EQ(p.x, c.x);
        EXPECT_EQ(p.y, c.y) << c.width << " " << c.strip;
    }
}

TEST(PanelLayout, TimeBarZones) {
    struct Case {
        uint32_t regime, bronze, silver, gold;
        int32_t child;
        std::array<int32_t, 3> zones;
    } cases[] = {
        {1, 120000, 90000, 60000, 470, {116, 116, 232}},
        {1, 120000, 90000, 60000, 420, {103, 104, 207}},
        {1, 120000, 100000, 10000, 470, {77, 346, 41}}, // gold raised to 41, the others share the rest
        {1, 100000, 99000, 1000, 470, {41, 382, 41}},   // two raised: the third takes the rest
        {0, 0, 90000, 60000, 420, {41, 124, 249}},
        {0, 0, 90000, 89000, 420, {41, 41, 332}},        // silver below 41 takes 41
        {0, 0, 90000, 1000, 420, {41, 332, 41}},         // gold at least 41
        {1, 0, 0, 0, 470, {154, 154, 156}},              // no times: equal zones, not NaN
        {1, 60000, 90000, 120000, 420, {138, 138, 138}}, // times in the wrong order
        {0, 0, 60000, 60000, 420, {138, 138, 138}},
        {1, 120000, 90000, 60000, 20, {41, 41, 41}}, // a bar never shorter than three zones
    };
    for (const Case& c : cases) {
        const auto z = TimeBarZones(c.regime, c.bronze, c.silver, c.gold, c.child);
        EXPECT_EQ(z, c.zones) << c.regime << " " << c.bronze << " " << c.silver << " " << c.gold << " "
                              << c.child;
        for (int32_t w : z)
            EXPECT_GE(w, kMinTimeZone);
    }
}

TEST(PanelLayout, TimeBarWarning) {
    // Hard regime, gold 60,000 ms.
    struct Case {
        uint32_t grade;
        uint32_t time;
        bool animate, playing, over, on;
    } cases[] = {
        {6, 55000, true, false, false, true},  // 5,000 ms left
        {6, 54999, true, false, false, false}, // 5,001 ms left
        {6, 59000, true, false, false, false}, // 1,000 left, not yet playing
        {6, 59000, false, true, false, false}, // a load does not keep it going
        {6, 59000, true, true, false, true},   // playing goes on up to the loss
        {6, 55000, true, false, true, false},  // the level has ended
        {5, 86000, true, false, false, true},  // silver within 4,000 ms
        {5, 80000, true, false, false, false},
        {3, 130000, true, false, false, true}, // hard, failed: it keeps ticking
    };
    for (const Case& c : cases) {
        int64_t left = 0;
        const bool has = TimeToNextLoss(1, c.grade, 120000, 90000, 60000, c.time, &left);
        EXPECT_EQ(TimeBarWarning(1, c.grade, has, left, c.animate, c.playing, c.over), c.on)
            << c.grade << " " << c.time;
    }
    int64_t left = 0;
    EXPECT_FALSE(TimeToNextLoss(0, 4, 0, 90000, 60000, 95000, &left)); // easy: nothing to lose below silver
    EXPECT_FALSE(TimeBarWarning(0, 4, false, 0, true, true, false));
}

TEST(PanelLayout, TimeBarIcons) {
    EXPECT_EQ(TimeBarIconX({116, 116, 232}), (std::array<int32_t, 3>{63, 178, 352}));
}

TEST(PanelLayout, ACrossIsStampedOnFaintAndLargeAndSettles) {
    struct Case {
        uint32_t ms;
        float alpha, scale;
    };
    const Case cases[] = {{0, 0.25f, 3.0f},  {40, 0.55f, 2.6f}, {100, 1.0f, 2.0f},
                          {150, 1.0f, 1.5f}, {200, 1.0f, 1.0f}, {60000, 1.0f, 1.0f}};
    for (const Case& c : cases) {
        const CrossStampLook look = CrossStampAt(c.ms);
        EXPECT_FLOAT_EQ(look.alpha, c.alpha) << c.ms;
        EXPECT_FLOAT_EQ(look.scale, c.scale) << c.ms;
    }
}

TEST(PanelLayout, ButtonParts) {
    struct Case {
        int32_t length, count;
        uint32_t n;
        std::vector<Span> parts;
    } cases[] = {
        {420, 3, 3, {{0, 140}, {140, 140}, {280, 140}}},
        {100, 3, 3, {{0, 33}, {33, 34}, {67, 33}}},
        {64, 1, 1, {{0, 64}}},
        {420, 0, 0, {}},
        {420, -1, 10, {}}, // taken as unsigned: ten parts
        {420, 12, 10, {}},
    };
    for (const Case& c : cases) {
        ButtonParts parts;
        SplitIntoParts(&parts, c.length, c.count);
        ASSERT_EQ(parts.count, c.n) << c.count;
        for (size_t i = 0; i < c.parts.size(); ++i) {
            EXPECT_EQ(parts.parts[i].x, c.parts[i].x);
            EXPECT_EQ(parts.parts[i].width, c.parts[i].width);
        }
        for (uint32_t i = 1; i < parts.count; ++i)
            EXPECT_EQ(parts.parts[i].x, parts.parts[i - 1].x + parts.parts[i - 1].width);
        if (parts.count) {
            EXPECT_EQ(parts.parts[parts.count - 1].x + parts.parts[parts.count - 1].width, c.length);
        }
    }
}

TEST(PanelLayout, LevelMarks) {
    struct Case {
        uint32_t levels, stage;
        std::vector<LevelMark> marks;
    } cases[] = {
        {1, 1, {}},
        {2, 1, {{0, 0, false}}},
        {2, 2, {{0, 0, true}}},
        {3, 1, {{-11, 0, false}, {10, 0, false}}},
        {3, 2, {{-11, 0, true}, {10, 0, false}}},
        {3, 3, {{-11, 0, true}, {10, 0, true}}},
        {4, 3, {{-17, 0, true}, {0, 5, true}, {17, 0, false}}},
        {9, 9, {{-17, 0, true}, {0, 5, true}, {17, 0, true}}}, // at most three marks
    };
    for (const Case& c : cases) {
        const auto marks = LevelBlockMarks(c.levels, c.stage);
        ASSERT_EQ(marks.size(), c.marks.size()) << c.levels;
        for (size_t i = 0; i < marks.size(); ++i) {
            EXPECT_EQ(marks[i].dx, c.marks[i].dx);
            EXPECT_EQ(marks[i].dy, c.marks[i].dy);
            EXPECT_EQ(marks[i].lit, c.marks[i].lit) << c.levels << "/" << c.stage << " " << i;
        }
    }
}

TEST(PanelLayout, ClickToStartPulseAndFades) {
    struct Case {
        uint32_t t;
        float scale;
    } pulse[] = {{0, 1.5f}, {300, 1.6f}, {600, 1.7f}, {900, 1.6f}, {1200, 1.5f}, {1800, 1.7f}};
    for (const Case& c : pulse)
        EXPECT_NEAR(ClickToStartScale(c.t), c.scale, 1e-5) << c.t;
    EXPECT_NEAR(ClickToStartAlpha(0, 0, -1), 0.0f, 1e-6);
    EXPECT_NEAR(ClickToStartAlpha(250, 0, -1), 0.5f, 1e-6);
    EXPECT_NEAR(ClickToStartAlpha(900, 0, -1), 1.0f, 1e-6);
    EXPECT_NEAR(ClickToStartAlpha(1100, 0, 1000), 0.5f, 1e-6);
    EXPECT_LE(ClickToStartAlpha(1200, 0, 1000), 0.0f);
}

TEST(PanelLayout, EmptyPanelRowsAndClock) {
    const MedalRows easy = EmptyPanelRows(0), hard = EmptyPanelRows(1);
    EXPECT_EQ(easy.count, 2u);
    EXPECT_EQ(easy.y[0], 30);
    EXPECT_EQ(easy.y[1], 62);
    EXPECT_EQ(hard.count, 3u);
    EXPECT_EQ(hard.y, (std::array<int32_t, 3>{18, 42, 66}));
    EXPECT_EQ(EmptyPanelLeftColumn(420), 109);
    EXPECT_EQ(420 - EmptyPanelLeftColumn(420), 311);
    EXPECT_EQ(EmptyPanelLeftColumn(470), 121);
}

TEST(PanelLayout, GoalTexts) {
    struct Case {
        uint32_t kind, target;
        int32_t value;
        bool slash;
        const char16_t* text;
        bool met;
    } cases[] = {
        {1, 10, 12, true, u"<c=80ff80>12/10</c>", true},
        {1, 10, 9, true, u"9/10", false},
        {1, 10, 0, true, u"0/10", false},
        {4, 5, 2, false, u"3", false},
        {4, 5, 5, false, u"<c=80ff80>0</c>", true},
        {0, 50, 100, false, u"<c=80ff80>100</c>", true},
        {0, 50, 49, false, u"49", false},
    };
    for (const Case& c : cases) {
        const GoalText g = GoalProgressText(c.kind, c.target, c.value, c.slash);
        EXPECT_EQ(g.text, c.text);
        EXPECT_EQ(g.met, c.met);
    }
    // The first value a goal button shows always differs from its start.
    EXPECT_NE(GoalProgressText(1, 10, 0, true).shown, kNoGoalValue);
}

TEST(PanelLayout, BonusStatesAndRechargeSplit) {
    EXPECT_EQ(BonusDisplayState(true, false), 3u);
    EXPECT_EQ(BonusDisplayState(false, false), 2u);
    EXPECT_EQ(BonusDisplayState(false, true), 1u);
    struct Case {
        float f;
        bool none, whole;
        int32_t line, alpha;
    } cases[] = {{0.0f, true, false, 0, 0}, {-1.0f, true, false, 0, 0},  {1.0f, false, true, 0, 0},
                 {2.0f, false, true, 0, 0}, {0.5f, false, false, 24, 0}, {0.25f, false, false, 14, 128}};
    for (const Case& c : cases) {
        const RechargeSplit s = RechargeSplitLine(48, c.f);
        EXPECT_EQ(s.none, c.none) << c.f;
        EXPECT_EQ(s.whole, c.whole) << c.f;
        if (!s.none && !s.whole) {
            EXPECT_EQ(s.line, c.line) << c.f;
            EXPECT_EQ(s.alpha, c.alpha) << c.f;
        }
    }
}

TEST(PanelLayout, RechargedIconRowsAndTheRunningLine) {
    // A 40-px icon standing 4 px down: the rows above a split line.
    struct Split {
        int32_t line, above;
    } splits[] = {{0, 0}, {4, 0}, {14, 10}, {44, 40}, {48, 40}, {-3, 0}};
    for (const Split& s : splits)
        EXPECT_EQ(IconRowsAbove(s.line, 4, 40), s.above) << s.line;

    // The indicator in 46 px: whole pixels, and the next one's share as alpha.
    struct Length {
        float f;
        int32_t whole, alpha;
    } lengths[] = {{0.0f, 0, 0},  {0.5f, 23, 0}, {0.25f, 11, 128}, {1.0f, 46, 0},
                   {1.5f, 46, 0}, {-1.0f, 0, 0}, {0.1f, 4, 153}};
    for (const Length& l : lengths) {
        const RunLineLength r = RunLineIndicator(46, l.f);
        EXPECT_EQ(r.whole, l.whole) << l.f;
        EXPECT_EQ(r.alpha, l.alpha) << l.f;
    }

    // Growing: half size to whole in 130 ms, faded in over 65; shrinking: to half and out in 65.
    struct Look {
        bool growing;
        uint32_t t;
        float scale, alpha;
        bool done;
    } looks[] = {{true, 0, 0.5f, 0.0f, false},  {true, 65, 0.75f, 1.0f, false}, {true, 130, 1.0f, 1.0f, true},
                 {false, 0, 1.0f, 1.0f, false}, {false, 26, 0.8f, 0.6f, false}, {false, 65, 0.5f, 0.0f, true},
                 {false, 500, 0.5f, 0.0f, true}};
    for (const Look& l : looks) {
        const RunLineLook r = RunLineEffect(l.growing, l.t);
        EXPECT_FLOAT_EQ(r.scale, l.scale) << l.growing << " " << l.t;
        EXPECT_FLOAT_EQ(r.alpha, l.alpha) << l.growing << " " << l.t;
        EXPECT_EQ(r.done, l.done) << l.growing << " " << l.t;
    }

    // The flash adds grey up to 0x808080, holds it and fades back.
    struct Flash {
        uint32_t t, colour;
    } flashes[] = {{0, 0xFF000000},   {100, 0xFF404040}, {200, 0xFF808080},
                   {250, 0xFF808080}, {400, 0xFF404040}, {500, 0}};
    for (const Flash& f : flashes)
        EXPECT_EQ(BonusFlashColour(f.t), f.colour) << f.t;
}
