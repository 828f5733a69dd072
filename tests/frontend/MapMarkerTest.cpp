// The level markers: which decorations a status shows, their fades, the
// medal and the open glow; and the water's phases.
#include "frontend/MapMarker.h"

#include "app/Profiles.h"
#include "engine/Viewer.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr uint32_t kSign = 0xE, kLockedLook = 0x11, kPassedLook = 0x8, kUpcomingOrOpen = 0x6;

struct Grades : MapMarkerWorld {
    uint32_t grade = kLevelPassed;
    uint32_t LevelGrade(int32_t) const override { return grade; }
    const GameCharacter* FindCharacter(uint32_t) const override { return nullptr; }
};

// Slot 0 the locked look, 1 the sign, 2 the passed field, 3 a building while
// upcoming or open, 4 an unknown kind, 5 smoke.
MapLevelRecord Record() {
    MapLevelRecord r{};
    r.count = 6;
    r.entries[0] = MakeSpriteEntry(kDecorationSprite, kLockedLook, {u"locked", 0, 0, 0, 1.0f, 0, 0});
    r.entries[1] = MakeSignEntry(kSign, 10, 20);
    r.entries[2] = MakeSpriteEntry(kDecorationSprite, kPassedLook, {u"field", 0, 0, 0, 1.0f, 0, 0});
    r.entries[3] = MakeSpriteEntry(kDecorationSpot, kUpcomingOrOpen, {u"barn", 0, 0, 0, 1.0f, 100, 2});
    r.entries[4] = MapDecorationEntry{77, 0xFF, {}};
    r.entries[5] = MakeParticleEntry(0xC, 1.0f, {{1234, 5, 5}});
    return r;
}

std::string Live(const MapLevelSprite& m) {
    std::string s;
    for (int i = 0; i < kMapDecorationSlots; ++i)
        if (const BaseMLS* d = m.Decoration(i); d && !d->hiding) s += char('0' + i);
    return s;
}

} // namespace

TEST(MapMarker, EachStatusShowsItsDecorations) {
    struct Case {
        uint32_t status;
        const char* live;
    };
    const Case cases[] = {{kLevelLocked, "0"},   {kLevelUpcoming, "13"}, {kLevelOpen, "135"},
                          {kLevelPassed, "125"}, {kLevelBronze, "125"},  {kLevelGold, "125"}};
    const MapLevelRecord record = Record();
    for (const Case& c : cases) {
        Grades grades;
        grades.grade = c.status;
        MapLevelSprite marker(4, {100, 100}, true, &record, &grades);
        marker.SetState(c.status, false, 0);
        EXPECT_EQ(Live(marker), c.live) << c.status;
        for (int i = 0; i < kMapDecorationSlots; ++i) {
            const BaseMLS* d = marker.Decoration(i);
            EXPECT_TRUE(!d || (d->shown && !d->fade)) << c.status;
        }
    }
    // The attack look is its own mask.
    Grades grades;
    MapLevelSprite marker(4, {100, 100}, true, &record, &grades);
    marker.SetState(kLevelLocked, false, 0);
    marker.ApplyDecorations(kLookAttack, false, 0);
    EXPECT_EQ(Live(marker), "0");
}

TEST(MapMarker, AnimatedChangesFadeOutThenDeleteAndFadeInAfterTheirDelay) {
    const MapLevelRecord record = Record();
    Grades grades;
    MapLevelSprite marker(4, {100, 100}, true, &record, &grades);
    marker.SetState(kLevelUpcoming, false, 0);
    const BaseMLS* barn = marker.Decoration(3);
    ASSERT_NE(barn, nullptr);

    // Upcoming to open: the barn's mask 0x6 covers both, it stays as it was.
    marker.SetState(kLevelOpen, true, 100);
    EXPECT_EQ(marker.Decoration(3), barn);
    EXPECT_FALSE(barn->fade.has_value());
    // The smoke comes in after delay + 300 (the marker's status is above 0).
    const BaseMLS* smoke = marker.Decoration(5);
    ASSERT_NE(smoke, nullptr);
    ASSERT_TRUE(smoke->fade.has_value());
    EXPECT_EQ(smoke->fade->delay, 400u);
    EXPECT_FALSE(smoke->shown);

    // Open to passed: the barn fades out over 300 ms after the delay, then goes.
    marker.SetState(kLevelPassed, true, 200);
    ASSERT_EQ(marker.Decoration(3), barn);
    EXPECT_TRUE(barn->hiding);
    EXPECT_EQ(barn->fade->delay, 200u);
    marker.Update(499);
    EXPECT_NE(marker.Decoration(3), nullptr);
    EXPECT_EQ(marker.Decoration(3)->fade->Alpha(), 1u);
    marker.Update(1);
    EXPECT_EQ(marker.Decoration(3), nullptr);
    // The field was made for the passed look and has come in by now.
    ASSERT_NE(marker.Decoration(2), nullptr);
    EXPECT_TRUE(marker.Decoration(2)->shown);
}

TEST(MapMarker, AStatusSetWithoutAnimationReplacesFadingDecorationsAtOnce) {
    const MapLevelRecord record = Record();
    Grades grades;
    MapLevelSprite marker(4, {100, 100}, true, &record, &grades);
    marker.SetState(kLevelOpen, false, 0);
    marker.SetState(kLevelPassed, true, 0); // the barn fades out
    ASSERT_TRUE(marker.Decoration(3) && marker.Decoration(3)->hiding);
    marker.SetState(kLevelOpen, false, 0);
    ASSERT_NE(marker.Decoration(3), nullptr);
    EXPECT_FALSE(marker.Decoration(3)->hiding);
    EXPECT_FALSE(marker.Decoration(3)->fade.has_value());
    EXPECT_EQ(Live(marker), "135");
    // Animated, a decoration fading out in a slot whose entry shows again is
    // replaced by a new one fading in (the old one is deleted, not left behind).
    marker.SetState(kLevelPassed, true, 0);
    marker.SetState(kLevelOpen, true, 0);
    ASSERT_NE(marker.Decoration(3), nullptr);
    EXPECT_FALSE(marker.Decoration(3)->hiding);
    EXPECT_EQ(marker.Decoration(3)->fade->from, 0.0f);
}

TEST(MapMarker, MedalFramesFollowTheGrade) {
    struct Case {
        uint32_t grade;
        int32_t frame;
    };
    const Case cases[] = {{kLevelPassed, -1}, {kLevelBronze, 0}, {kLevelSilver, 1}, {kLevelGold, 2}};
    const MapLevelRecord record = Record();
    for (const Case& c : cases) {
        Grades grades;
        grades.grade = c.grade;
        MapLevelSprite marker(4, {100, 100}, true, &record, &grades);
        marker.SetState(kLevelPassed, true, 100);
        EXPECT_EQ(marker.MedalFrame(), c.frame) << c.grade;
        EXPECT_TRUE(marker.ShowsNumber());
        // It fades in from delay + 300.
        marker.Update(400);
        EXPECT_EQ(marker.MedalAlpha(), 0u);
        marker.Update(150);
        EXPECT_NEAR(int(marker.MedalAlpha()), 128, 1);
        marker.CompleteFades();
        EXPECT_EQ(marker.MedalAlpha(), 255u);
        marker.SetState(kLevelOpen, false, 0);
        EXPECT_EQ(marker.MedalFrame(), -1);
        EXPECT_FALSE(marker.ShowsNumber());
    }
}

TEST(MapMarker, AnOpenLevelGlows) {
    const MapLevelRecord record = Record();
    Grades grades;
    MapLevelSprite marker(4, {100, 100}, true, &record, &grades);
    marker.SetState(kLevelUpcoming, false, 0);
    EXPECT_EQ(marker.GlowAlpha(), 0u);
    marker.SetState(kLevelOpen, true, 100);
    EXPECT_TRUE(marker.Glowing());
    marker.Update(400); // fades in from 400 ms
    EXPECT_EQ(marker.GlowAlpha(), 0u);
    marker.Update(300);
    EXPECT_EQ(marker.GlowAlpha(), 160u);
    marker.SetState(kLevelBronze, true, 0);
    EXPECT_FALSE(marker.Glowing());
    EXPECT_TRUE(marker.GlowFading());
    marker.Update(150);
    EXPECT_NEAR(int(marker.GlowAlpha()), 80, 1);
    marker.Update(150);
    EXPECT_EQ(marker.GlowAlpha(), 0u);
    // Without animation the glow comes and goes at once.
    marker.SetState(kLevelOpen, false, 0);
    EXPECT_EQ(marker.GlowAlpha(), 160u);
}

TEST(MapMarker, CompletingFadesShowsWhatComesAndDropsWhatGoes) {
    const MapLevelRecord record = Record();
    Grades grades;
    MapLevelSprite marker(4, {100, 100}, true, &record, &grades);
    marker.SetState(kLevelUpcoming, false, 0);
    marker.SetState(kLevelLocked, true, 500);
    marker.CompleteFades();
    EXPECT_EQ(Live(marker), "0");
    EXPECT_EQ(marker.DecorationCount(), 1);
    EXPECT_TRUE(marker.Decoration(0)->shown);
}

TEST(MapMarker, SignShowsTheLevelNumberFromOne) {
    MapDecorationEntry entry = MakeSignEntry(kSign, 0, 0);
    for (int32_t level : {0, 9, 40})
        EXPECT_EQ(MLSSign(entry, level).Number(), level + 1);
}

TEST(MapMarker, AMedalStandsAtTheScreensScaleOnWholePixels) {
    // The map drawn shifted by a fraction and zoomed; the medal keeps the
    // game screen's scale and lands on whole pixels.
    struct Case {
        float mapX, mapY, mapScale, screenScale;
    };
    const Case cases[] = {
        {0.0f, 1.0f, 1.0f, 1.0f}, {12.4f, 0.3f, 0.78125f, 0.78125f}, {-3.6f, 0.5f, 1.3f, 1.0f}};
    const MapPoint at{301, 247};
    for (const Case& c : cases) {
        DXLViewer viewer;
        viewer.ResetTransform();
        viewer.Translate(c.mapX, c.mapY);
        viewer.Scale(c.mapScale);
        MapLevelSprite::PlaceMedal(viewer, at, c.screenScale);
        const DXLMatrix& m = viewer.CurrentTransform();
        EXPECT_FLOAT_EQ(m.m[0][0], c.screenScale) << c.mapScale;
        EXPECT_FLOAT_EQ(m.m[1][1], c.screenScale) << c.mapScale;
        EXPECT_FLOAT_EQ(m.m[3][0], std::round(c.mapX + float(at.x) * c.mapScale)) << c.mapScale;
        EXPECT_FLOAT_EQ(m.m[3][1], std::round(c.mapY + float(at.y) * c.mapScale)) << c.mapScale;
    }
}

TEST(MapWater, FramesFadeInOneByOneAndTheLastFadesOut) {
    MapWater water(std::vector<Sprite*>(3, nullptr), 0, 0, 100);
    EXPECT_EQ(water.PhaseCount(), 4);
    struct Step {
        uint32_t dt;
        int32_t phase;
        std::vector<std::pair<int32_t, uint32_t>> layers;
    };
    const Step steps[] = {
        {50, 0, {{0, 128}}},  {100, 1, {{0, 255}, {1, 128}}}, {100, 2, {{1, 255}, {2, 128}}},
        {100, 3, {{2, 128}}}, {100, 0, {{0, 128}}},           {400, 0, {{0, 128}}},
    };
    for (const Step& s : steps) {
        water.Advance(s.dt);
        EXPECT_EQ(water.Phase(), s.phase);
        const std::vector<MapWater::Layer> layers = water.Layers();
        ASSERT_EQ(layers.size(), s.layers.size()) << s.phase;
        for (size_t i = 0; i < layers.size(); ++i) {
            EXPECT_EQ(layers[i].frame, s.layers[i].first) << s.phase;
            EXPECT_NEAR(int(layers[i].alpha), int(s.layers[i].second), 1) << s.phase;
        }
    }
    // Frame times below the tick are raised to it; water without frames stays still.
    EXPECT_EQ(MapWater(std::vector<Sprite*>(2, nullptr), 0, 0, 3).FrameMs(), 10u);
    MapWater dry(std::vector<Sprite*>{}, 0, 0, 100);
    dry.Advance(1000);
    EXPECT_EQ(dry.Phase(), 0);
    EXPECT_TRUE(dry.Layers().empty());
}
