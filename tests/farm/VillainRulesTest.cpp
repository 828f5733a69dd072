// The fixed rules of villains and shots: direction tables, animation names
// by look, the catapult's picture, countdowns, shot speed, trail and
// pictures, and the health bar's pieces.
#include "farm/VillainRules.h"
#include "farm/VillainHost.h"
#include "farm/VillainShot.h"
#include "sprites/Sprite.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(VillainRules, EachDirectionPlacesCatapultLaunchPointAndObstacle) {
    struct Case {
        uint32_t direction;
        VillainOffset catapult, launch;
        VillainRect obstacle;
    };
    const Case cases[] = {
        {0, {11, -25}, {10, -93}, {4, -36, 40, 64}},   {1, {40, -14}, {50, -79}, {12, -36, 54, 56}},
        {2, {48, 5}, {62, -56}, {18, -30, 54, 56}},    {3, {27, 25}, {39, -29}, {12, -24, 48, 56}},
        {4, {-11, 29}, {-7, -18}, {-4, -20, 40, 64}},  {5, {-27, 25}, {-39, -29}, {-12, -24, 48, 56}},
        {6, {-48, 5}, {-62, -56}, {-18, -30, 54, 56}}, {7, {-40, -14}, {-50, -79}, {-12, -36, 54, 56}},
        {8, {11, -25}, {10, -93}, {4, -36, 40, 64}}, // out of range: direction 0's
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.direction);
        const VillainOffset catapult = CatapultOffset(c.direction), launch = LaunchOffset(c.direction);
        const VillainRect r = ObstacleRect(c.direction);
        EXPECT_EQ(catapult.x, c.catapult.x);
        EXPECT_EQ(catapult.y, c.catapult.y);
        EXPECT_EQ(launch.x, c.launch.x);
        EXPECT_EQ(launch.y, c.launch.y);
        EXPECT_EQ(r.x, c.obstacle.x);
        EXPECT_EQ(r.y, c.obstacle.y);
        EXPECT_EQ(r.width, c.obstacle.width);
        EXPECT_EQ(r.height, c.obstacle.height);
    }
}

TEST(VillainRules, ACountdownRunsOutAtATenthOfAMillisecondLeft) {
    struct Case {
        float before;
        bool runsOut;
    };
    for (const Case& c : {Case{10.09f, true}, Case{10.05f, true}, Case{10.2f, false}, Case{0.0f, true},
                          Case{300.0f, false}, Case{-5.0f, true}}) {
        float countdown = c.before;
        EXPECT_EQ(RunCountdown(&countdown), c.runsOut) << c.before;
        if (c.runsOut) {
            EXPECT_EQ(countdown, 0.0f);
        }
    }
}

TEST(VillainRules, AnimationNamesFollowTheVillainsLook) {
    struct Case {
        const char16_t* name;
        int32_t kind;
        const char16_t* played;
    };
    const Case cases[] = {
        {u"villain_shoot_begin", 0, u"villain_shoot_begin"},
        {u"villain_shoot_begin", 1, u"villain_2_shoot_begin"},
        {u"villain_install_end", 2, u"villain_3_install_end"},
        {u"villain_stand", 9, u"villain_10_stand"},
        {u"catapult_break", 1, u"catapult_break"},
        {u"villa", 1, u"villa"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(VillainAnimationName(c.name, c.kind), std::u16string(c.played));
        EXPECT_EQ(StripVillainLook(VillainAnimationName(c.name, c.kind).c_str()), StripVillainLook(c.name));
    }
    EXPECT_EQ(StripVillainLook(u"villain_2_install_end"), u"villain_install_end");
    EXPECT_EQ(StripVillainLook(u"villain_x_stand"), u"villain_x_stand");
}

TEST(VillainRules, TheCatapultFollowsTheVillainsAnimation) {
    struct Case {
        const char16_t* name;
        bool runningAway;
        int32_t state;
    };
    const Case cases[] = {
        {u"villain_2_install_end", false, kCatapultSetUp},
        {u"villain_install_end", false, kCatapultSetUp},
        {u"villain_shoot_begin", false, kCatapultSetUp},
        {u"villain_shoot_end", false, kCatapultSetUp},
        {u"villain_stand", false, kCatapultStanding},
        {u"villain_stand", true, kCatapultBroken},
        {u"villain_2_angry", false, kCatapultBroken},
        {u"villain_runaway", false, kCatapultBroken},
        {u"villain_install_begin", false, -1},
        {u"villain_walk", false, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name, c.name + std::char_traits<char16_t>::length(c.name)));
        EXPECT_EQ(CatapultStateForAnimation(c.name, c.runningAway), c.state);
    }
}

TEST(VillainRules, TheHealthBarStandsBelowHighSpotsAndAboveLowOnes) {
    struct Case {
        int32_t y, barY;
    };
    for (const Case& c : {Case{199, 239}, Case{200, 112}, Case{0, 40}, Case{480, 392}}) {
        const VillainOffset at = HealthBarPosition(300, c.y);
        EXPECT_EQ(at.x, 300);
        EXPECT_EQ(at.y, c.barY) << c.y;
    }
}

TEST(VillainRules, ShotSpeedIsLengthOverWholeTicksUpToTheHighest) {
    struct Case {
        float length;
        uint32_t flight;
        float maxSpeed, speed;
    };
    const Case cases[] = {
        {300.0f, 1500, 4.0f, 2.0f}, // 150 ticks
        {300.0f, 1500, 1.5f, 1.5f}, // limited
        {300.0f, 1505, 4.0f, 2.0f}, // whole ticks only
        {300.0f, 5, 3.0f, 3.0f},    // no whole tick: the highest
        {0.0f, 5, 3.0f, 3.0f},      // no 0 / 0
        {0.0f, 1200, 3.0f, 0.0f},
    };
    for (const Case& c : cases) {
        const float speed = ShotSpeed(c.length, c.flight, c.maxSpeed);
        EXPECT_TRUE(std::isfinite(speed));
        EXPECT_FLOAT_EQ(speed, c.speed) << c.length << " " << c.flight;
    }
}

// The shots' pictures are those of the sprite libraries installed now: a
// change of libraries (a pack loaded again) never leaves a shot drawing a
// picture of the libraries that went.
TEST(VillainRules, TheShotPicturesFollowTheInstalledLibraries) {
    struct Pack {
        SpriteLibraries libraries;
        MapSprite* bullet = nullptr;
        MapSprite* gas = nullptr;
        explicit Pack(bool withGas) {
            SpriteLibrary* effects = libraries.Make(8, nullptr);
            bullet = effects->AddSprite(u"bullet_01");
            if (withGas) gas = effects->AddSprite(u"gas");
        }
    };
    Pack first(true), second(false);
    ShotSprites sprites;
    EXPECT_EQ(sprites.Bullet(), nullptr) << "no libraries installed";
    SetSpriteLibraries(&first.libraries);
    EXPECT_EQ(sprites.Bullet(), first.bullet);
    EXPECT_EQ(sprites.Gas(), first.gas);
    EXPECT_EQ(sprites.Trail(), nullptr) << "the libraries hold no particles";
    SetSpriteLibraries(&second.libraries);
    EXPECT_EQ(sprites.Bullet(), second.bullet);
    EXPECT_EQ(sprites.Gas(), nullptr);
    SetSpriteLibraries(&first.libraries);
    EXPECT_EQ(sprites.Gas(), first.gas);
    SetSpriteLibraries(nullptr);
    EXPECT_EQ(sprites.Bullet(), nullptr);
    EXPECT_EQ(sprites.Gas(), nullptr);
}

TEST(VillainRules, TheTrailFactorStaysBetweenNothingAndOneAndAHalf) {
    struct Case {
        float speed, factor;
    };
    const Case cases[] = {{1.0f, 1.0f},
                          {2.0f, 0.5f},
                          {0.0f, 1.5f},
                          {3.0f, 0.0f},
                          {4.0f, 0.0f},
                          {-1.0f, 1.5f},
                          {std::numeric_limits<float>::quiet_NaN(), 0.0f}};
    for (const Case& c : cases)
        EXPECT_FLOAT_EQ(TrailFactor(c.speed), c.factor) << c.speed;

    struct Sizes {
        int32_t min, max;
        float factor;
        int32_t scaledMin, scaledMax;
    };
    for (const Sizes& s : {Sizes{6, 12, 0.5f, 3, 6}, Sizes{6, 12, 0.0f, 0, 0}, Sizes{12, 6, 1.0f, 6, 6},
                           Sizes{5, 7, 1.5f, 8, 11}}) {
        int32_t lo = s.min, hi = s.max;
        ScaleTrailSizes(&lo, &hi, s.factor);
        EXPECT_EQ(lo, s.scaledMin);
        EXPECT_EQ(hi, s.scaledMax);
        EXPECT_LE(lo, hi);
    }
}

TEST(VillainRules, HealthBarPiecesFitTheRoomAtEveryValue) {
    for (int32_t maximum = 1; maximum <= 8; ++maximum) {
        for (int32_t value = -1; value <= maximum + 1; ++value) {
            SCOPED_TRACE(testing::Message() << maximum << "/" << value);
            const std::vector<HealthBarQuad> quads = BuildHealthBar(maximum, value, 100.0f, 50.0f);
            const int32_t shown = std::clamp(value, 0, maximum);
            ASSERT_LE(int32_t(quads.size()), HealthBarRoom(maximum));
            int32_t filled = 0;
            for (const HealthBarQuad& q : quads)
                filled += q.filled;
            EXPECT_EQ(filled, shown > 0 ? shown + 1 : 0);
            EXPECT_EQ(int32_t(quads.size()) - filled, shown < maximum ? maximum - shown + 1 : 0);
            // Left end first, right end last, pieces side by side.
            EXPECT_EQ(quads.front().piece, HealthPiece::LeftEnd);
            EXPECT_EQ(quads.back().piece, HealthPiece::RightEnd);
            EXPECT_FLOAT_EQ(quads.front().x, 100.0f - float(maximum * 10) / 2.0f - 6.0f);
            for (size_t i = 1; i < quads.size(); ++i)
                EXPECT_FLOAT_EQ(quads[i].x, quads[i - 1].x + quads[i - 1].width);
            if (shown > 0 && shown < maximum) {
                EXPECT_EQ(quads[size_t(shown)].piece, HealthPiece::Half);
                EXPECT_TRUE(quads[size_t(shown)].filled);
                EXPECT_EQ(quads[size_t(shown) + 1].piece, HealthPiece::Half);
                EXPECT_FALSE(quads[size_t(shown) + 1].filled);
            }
        }
    }
    // A part-filled bar needs two more quads than its segments.
    EXPECT_EQ(int32_t(BuildHealthBar(3, 2, 0, 0).size()), 5);
    EXPECT_EQ(HealthBarRoom(3), 5);
    EXPECT_TRUE(BuildHealthBar(0, 0, 0, 0).empty());
}

TEST(VillainRules, APlainHealthBarRebuildsOnlyOnChange) {
    PlainHealthBar bar(300, 392, 3);
    EXPECT_EQ(bar.Value(), 3);
    EXPECT_EQ(bar.Quads().size(), 4u);
    bar.SetValue(2);
    EXPECT_EQ(bar.Quads().size(), 5u);
    bar.SetValue(-4);
    EXPECT_EQ(bar.Value(), 0);
    EXPECT_EQ(bar.Quads().size(), 4u);
    bar.SetValue(9);
    EXPECT_EQ(bar.Value(), 3);
}
