#include "sprites/GameEffect.h"

#include "engine/VirtualKeys.h"
#include "tests/sprites/SpriteTestHost.h"

#include <gtest/gtest.h>

namespace {

using spritetest::TestHost;

int g_midpoints = 0;
int g_afters = 0;
void OnMidpoint() {
    ++g_midpoints;
}
void OnAfter() {
    ++g_afters;
}

TEST(GameEffect, ShowHideCoversHoldsAndUncoversOnTheRealClock) {
    TestHost host;
    g_midpoints = g_afters = 0;
    auto effect = std::make_unique<GEffect_ShowHide>(OnMidpoint, 250, 250, 0, 1, 0x1F);
    GEffect_ShowHide* raw = effect.get();
    raw->afterCallback = OnAfter;
    EXPECT_EQ(raw->Length(), 500u);
    StartGameEffect(std::move(effect));
    ASSERT_EQ(host.taken.size(), 1u);
    EXPECT_EQ(host.taken[0], 0x1Fu);
    EXPECT_TRUE(IsGameEffectRunning());

    UpdateGameEffect(); // starts at real time 5000
    host.game += 10000; // the game clock does not drive it
    host.real += 125;
    UpdateGameEffect();
    EXPECT_FLOAT_EQ(raw->Alpha(), 0.5f);
    EXPECT_EQ(g_midpoints, 0);
    host.real += 125;
    UpdateGameEffect();
    EXPECT_EQ(g_midpoints, 1);
    EXPECT_FLOAT_EQ(raw->Alpha(), 1.0f);
    host.real += 100;
    UpdateGameEffect();
    EXPECT_EQ(g_midpoints, 1) << "the mid-point runs once";
    EXPECT_NEAR(raw->Alpha(), 0.6f, 1e-6);
    EXPECT_EQ(host.restored, 0);
    host.real += 150;
    UpdateGameEffect();
    EXPECT_FALSE(IsGameEffectRunning());
    EXPECT_EQ(host.restored, 1);
    EXPECT_EQ(g_afters, 1);
}

TEST(GameEffect, RegimeSwitchesTheStateAtItsMidpoint) {
    TestHost host;
    StartGameEffect(std::make_unique<GEffect_Regime>(5, 250, 250, 100, 1));
    ASSERT_EQ(host.taken.size(), 1u);
    EXPECT_EQ(host.taken[0], kFadeTakesInput) << "a screen change takes the input slots";
    UpdateGameEffect();
    host.real += 249;
    UpdateGameEffect();
    EXPECT_TRUE(host.states.empty());
    host.real += 1;
    UpdateGameEffect();
    ASSERT_EQ(host.states.size(), 1u);
    EXPECT_EQ(host.states[0], 5);
    host.real += 350;
    UpdateGameEffect();
    EXPECT_FALSE(IsGameEffectRunning());
    EXPECT_EQ(host.states.size(), 1u);
}

TEST(GameEffect, SkipEndsEarlyOnAClickOrAKeyButNotAModifier) {
    TestHost host;
    struct Case {
        const char* name;
        int click;    // 1: a mouse button
        uint32_t key; // 0: none
        bool endsEarly;
    };
    const Case cases[] = {
        {"nothing", 0, 0, false},          {"click", 1, 0, true},
        {"space", 0, 0x20, true},          {"shift", 0, kVkShift, false},
        {"control", 0, kVkControl, false}, {"alt", 0, kVkMenu, false},
    };
    for (const Case& c : cases) {
        g_midpoints = 0;
        StartGameEffect(std::make_unique<GEffect_Skip>(OnMidpoint, 1000, 0x1F00));
        UpdateGameEffect();
        if (c.click) GameEffectMouseDown();
        if (c.key) GameEffectKeyDown(c.key);
        host.game += 10;
        UpdateGameEffect();
        EXPECT_EQ(IsGameEffectRunning(), !c.endsEarly) << c.name;
        host.game += 1000;
        UpdateGameEffect();
        EXPECT_FALSE(IsGameEffectRunning()) << c.name;
        EXPECT_EQ(g_midpoints, 1) << c.name << ": the callback runs once";
    }
}

TEST(GameEffect, ANewEffectReplacesTheRunningOneAndItsCallbacks) {
    TestHost host;
    g_afters = 0;
    auto first = std::make_unique<GEffect_Skip>(nullptr, 1000, 0x10);
    first->afterCallback = OnAfter;
    StartGameEffect(std::move(first));
    StartGameEffect(std::make_unique<GEffect_Skip>(nullptr, 1000, 0x20));
    EXPECT_EQ(host.restored, 1);
    ASSERT_EQ(host.taken.size(), 2u);
    EXPECT_EQ(host.taken[1], 0x20u);
    StartGameEffect(nullptr);
    EXPECT_EQ(host.restored, 2);
    EXPECT_EQ(g_afters, 0) << "a replaced effect has not ended";
    EXPECT_FALSE(IsGameEffectRunning());
}

} // namespace
