// The shell's side of the game effects: the slots an effect takes, and what
// comes back when it ends, also across a state change at its mid-point.
#include "app/GameSpriteHost.h"
#include "app/App.h"
#include "app/GameStates.h"
#include "sprites/GameEffect.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> g_calls;
void UpdateA(uint32_t) {
    g_calls.push_back("update A");
}
void DrawA() {
    g_calls.push_back("draw A");
}
void MouseDownA(int32_t, int32_t, uint32_t) {
    g_calls.push_back("mouse A");
}
void UpdateB(uint32_t) {
    g_calls.push_back("update B");
}
void DrawB() {
    g_calls.push_back("draw B");
}

const AppCallbacks kStateA = {.update = UpdateA, .draw = DrawA, .mouseDown = MouseDownA};
const AppCallbacks kStateB = {.update = UpdateB, .draw = DrawB};

// Entering state 5 installs table B over every slot, as the shell does.
void OnState(int32_t, int32_t to) {
    SetAppCallbacks(to == 5 ? &kStateB : &kStateA, kCallbackAll);
}

struct HostFixture : ::testing::Test {
    App app; // the shell's state the test runs on
    HostFixture() {
        InstallGameSpriteHost();
        SetStateChangeCallback(OnState);
        SetGameState(4);
        g_calls.clear();
    }
    ~HostFixture() override {
        RemoveGameSpriteHost();
        SetStateChangeCallback(nullptr);
        SetAppCallbacks(nullptr, kCallbackAll);
    }
};

TEST_F(HostFixture, AnEffectTakesItsSlotsAndGivesThemBack) {
    auto skip = std::make_unique<GEffect_Skip>(nullptr, 100000, kCallbackUpdate | kCallbackMouseDown);
    StartGameEffect(std::move(skip));
    AppCallbackTable().update(10);
    AppCallbackTable().draw(); // not in the mask: the state's own
    EXPECT_EQ(g_calls, std::vector<std::string>{"draw A"});
    AppCallbackTable().mouseDown(1, 2, 1); // ends the skip at its next update
    EXPECT_TRUE(IsGameEffectRunning());
    UpdateGameEffect();
    EXPECT_FALSE(IsGameEffectRunning());
    AppCallbackTable().update(10);
    AppCallbackTable().mouseDown(1, 2, 1);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"draw A", "update A", "mouse A"}));
}

TEST_F(HostFixture, AScreenChangeAtTheMidpointLeavesTheNewStatesCallbacks) {
    StartGameEffect(std::make_unique<GEffect_Regime>(5, 0, 0, 0, 1));
    EXPECT_EQ(GameState(), 4);
    UpdateGameEffect(); // no fade: the mid-point and the end come at once
    EXPECT_EQ(GameState(), 5);
    EXPECT_FALSE(IsGameEffectRunning());
    AppCallbackTable().update(10);
    AppCallbackTable().draw();
    EXPECT_EQ(g_calls, (std::vector<std::string>{"update B", "draw B"}));
}

TEST_F(HostFixture, WhileTheEffectRunsTheNewStateStaysUnderIt) {
    StartGameEffect(std::make_unique<GEffect_Regime>(5, 0, 100000, 0, 1));
    UpdateGameEffect(); // the mid-point: the state changes, the fade-in runs on
    EXPECT_EQ(GameState(), 5);
    ASSERT_TRUE(IsGameEffectRunning());
    AppCallbackTable().update(10); // still the effect's: the new state waits
    AppCallbackTable().draw();
    EXPECT_EQ(g_calls, std::vector<std::string>{"draw B"});
    StartGameEffect(nullptr);
    AppCallbackTable().update(10);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"draw B", "update B"}));
}

} // namespace
