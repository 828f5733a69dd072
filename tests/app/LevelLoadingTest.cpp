#include "app/LevelLoading.h"

#include "app/App.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> g_calls;
int g_again = 0; // calls the first stage still asks for

int32_t LoadPoints(LoaderState* state) {
    g_calls.push_back("points " + std::to_string(state->done));
    ++state->done;
    return g_again-- > 0 ? kLoaderCallAgain : kLoaderFinished;
}
int32_t LoadSave(LoaderState*) {
    g_calls.push_back("save");
    return kLoaderFinished;
}
int32_t LoadBroken(LoaderState* state) {
    g_calls.push_back("broken");
    state->error = 1;
    return kLoaderCallAgain; // an error ends the stage whatever it answers
}

struct LevelLoadingTest : ::testing::Test {
    App app; // the shell's state the test runs on
    void SetUp() override {
        g_calls.clear();
        ClearGameStateScreens();
        ClearLevelLoadStages();
        SetStateChangeCallback(SwitchGameStateScreen);
        RegisterGameStateScreen(kStateLevelLoading,
                                {OpenLevelLoading, CloseLevelLoading, &LevelLoadingCallbacks()});
        SetGameState(kStateMap);
    }
    void TearDown() override {
        SetGameState(kStateNone);
        ClearGameStateScreens();
        ClearLevelLoadStages();
        SetStateChangeCallback(nullptr);
    }
    // Frames until the state changes (at most 20); the progress of each.
    std::vector<float> RunFrames() {
        std::vector<float> shown;
        for (int frame = 0; frame < 20 && GameState() == kStateLevelLoading; ++frame) {
            AppCallbackTable().update(10);
            shown.push_back(LevelLoadingProgress());
        }
        return shown;
    }
};

TEST_F(LevelLoadingTest, StagesRunOneCallAFrameWithRisingProgressThenTheLevelIsPlayed) {
    g_again = 2;
    RegisterLevelLoadStage({1, 1.0f, "points", LoadPoints});
    RegisterLevelLoadStage({2, 3.0f, "saved game", LoadSave});
    RegisterLevelLoadStage({3, 1.0f, "nothing", nullptr}); // refused
    SetGameState(kStateLevelLoading);
    EXPECT_EQ(LevelLoadingProgress(), 0.0f);
    const std::vector<float> shown = RunFrames();
    EXPECT_EQ(GameState(), kStateLevel);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"points 0", "points 1", "points 2", "save"}));
    ASSERT_EQ(shown.size(), 5u); // the last frame changes the state
    EXPECT_EQ(shown[2], 0.25f);  // the first stage (weight 1 of 4) done
    EXPECT_EQ(shown[3], 1.0f);
    for (size_t i = 1; i < shown.size() - 1; ++i)
        EXPECT_GE(shown[i], shown[i - 1]);
    EXPECT_EQ(LevelLoadingProgress(), -1.0f); // the state is left
}

TEST_F(LevelLoadingTest, AFailedStageGoesBackToTheMapAfterTheFailureHook) {
    g_again = 0;
    RegisterLevelLoadStage({1, 1.0f, "points", LoadPoints});
    RegisterLevelLoadStage({2, 1.0f, "broken", LoadBroken});
    RegisterLevelLoadStage({3, 1.0f, "saved game", LoadSave});
    SetLevelLoadFailureHook([] { g_calls.push_back("failed"); });
    SetGameState(kStateLevelLoading);
    RunFrames();
    EXPECT_EQ(GameState(), kStateMap);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"points 0", "broken", "failed"}));
}

TEST_F(LevelLoadingTest, WithoutStagesTheLevelFollowsAtOnce) {
    SetGameState(kStateLevelLoading);
    RunFrames();
    EXPECT_EQ(GameState(), kStateLevel);
}

} // namespace
