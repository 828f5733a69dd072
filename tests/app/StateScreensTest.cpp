// The shell's tables through which the subsystems above it plug in: the
// screens of the game states, the quit hooks and the game-data stages.
#include "app/App.h"
#include "app/GameDataLoader.h"
#include "app/GameStates.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> g_calls;

void OpenLogos() {
    g_calls.push_back("open logos");
}
void CloseLogos() {
    g_calls.push_back("close logos");
}
void OpenMain() {
    g_calls.push_back("open main");
}
void CloseMain() {
    g_calls.push_back("close main");
}
void OpenAndQuit() {
    g_calls.push_back("open failing");
    SetGameState(kStateQuit);
}
void DrawLogos() {}
void DrawMain() {}
void KeyMain(uint32_t, uint32_t) {}
// An opening that starts a full-screen effect: the effect keeps the screen's
// input slots aside, takes them while it runs and gives them back at its end.
AppCallbacks g_keptAside = {};
void OpenWithEffect() {
    g_calls.push_back("open with effect");
    GetAppCallbacks(&g_keptAside, kCallbackKeys);
    const AppCallbacks effect = {};
    SetAppCallbacks(&effect, kCallbackKeys);
}
void Minimise() {}
void SaveLevel() {
    g_calls.push_back("save level");
}
void SaveProfiles() {
    g_calls.push_back("save profiles");
}

const AppCallbacks kLogos = {.draw = DrawLogos};
const AppCallbacks kMain = {.draw = DrawMain, .keyDown = KeyMain, .minimise = Minimise};

struct StateScreensTest : ::testing::Test {
    App app; // the shell's state the test runs on
    void SetUp() override {
        g_calls.clear();
        ClearGameStateScreens();
        ClearGameDataStages();
        SetAppServices({});
        SetAppCallbacks(nullptr, kCallbackAll);
        SetStateChangeCallback(nullptr);
        SetGameState(kStateNone);
        SetStateChangeCallback(SwitchGameStateScreen);
    }
    void TearDown() override {
        SetStateChangeCallback(nullptr);
        SetGameState(kStateNone);
        ClearGameStateScreens();
        ClearGameDataStages();
        SetAppCallbacks(nullptr, kCallbackAll);
    }
};

} // namespace

TEST_F(StateScreensTest, EachStateOpensItsScreenAndInstallsItsCallbacks) {
    RegisterGameStateScreen(kStateLogos, {OpenLogos, CloseLogos, &kLogos});
    RegisterGameStateScreen(kStateMainScreen, {OpenMain, CloseMain, &kMain});
    const AppCallbacks restore = {.minimise = Minimise};
    SetAppCallbacks(&restore, kCallbackMinimise); // the shell's own slot stays

    struct Step {
        int32_t state;
        std::vector<std::string> calls;
        void (*draw)();
        bool keyDown;
    };
    const Step steps[] = {
        {kStateLogos, {"open logos"}, DrawLogos, false},
        {kStateMainScreen, {"close logos", "open main"}, DrawMain, true},
        {kStateMap, {"close main"}, nullptr, false}, // no screen registered: the slots are cleared
        {kStateLogos, {"open logos"}, DrawLogos, false},
    };
    for (const Step& step : steps) {
        g_calls.clear();
        SetGameState(step.state);
        EXPECT_EQ(g_calls, step.calls) << step.state;
        EXPECT_EQ(AppCallbackTable().draw, step.draw) << step.state;
        EXPECT_EQ(AppCallbackTable().keyDown != nullptr, step.keyDown) << step.state;
        EXPECT_EQ(AppCallbackTable().minimise, Minimise)
            << "the screen's table never takes the minimise slot";
    }
}

TEST_F(StateScreensTest, QuitClosesTheScreenThenRunsTheHooksLatestFirst) {
    RegisterGameStateScreen(kStateMainScreen, {OpenMain, CloseMain, &kMain});
    RegisterGameStateScreen(kStateQuit, {OpenLogos, CloseLogos, &kLogos}); // refused
    RegisterQuitHook(SaveProfiles);
    RegisterQuitHook(SaveLevel);
    RegisterQuitHook(nullptr);
    SetGameState(kStateMainScreen);
    g_calls.clear();
    SetGameState(kStateQuit);
    const std::vector<std::string> expected = {"close main", "save level", "save profiles"};
    EXPECT_EQ(g_calls, expected);
    EXPECT_EQ(AppCallbackTable().draw, nullptr);
    EXPECT_EQ(AppCallbackTable().keyDown, nullptr);
}

TEST_F(StateScreensTest, AScreenThatQuitsWhileOpeningLeavesItsCallbacksOut) {
    RegisterGameStateScreen(kStateMainScreen, {OpenAndQuit, CloseMain, &kMain});
    SetGameState(kStateMainScreen);
    EXPECT_EQ(GameState(), kStateQuit);
    const std::vector<std::string> expected = {"open failing", "close main"};
    EXPECT_EQ(g_calls, expected);
    EXPECT_EQ(AppCallbackTable().draw, nullptr);
}

TEST_F(StateScreensTest, AnEffectStartedWhileTheScreenOpensGivesBackTheScreensOwnCallbacks) {
    RegisterGameStateScreen(kStateMainScreen, {OpenWithEffect, CloseMain, &kMain});
    SetGameState(kStateMainScreen);
    EXPECT_EQ(AppCallbackTable().keyDown, nullptr) << "the effect holds the keys while it runs";
    EXPECT_EQ(AppCallbackTable().draw, DrawMain);
    SetAppCallbacks(&g_keptAside, kCallbackKeys); // the effect ends
    EXPECT_EQ(AppCallbackTable().keyDown, KeyMain) << "the screen answers keys after the effect";
}

namespace {
kis::DataFileReaderW* NoPack() {
    return nullptr;
}
int32_t LoadNothing(kis::DataFileReaderW*, LoaderState*) {
    return kLoaderFinished;
}
} // namespace

TEST_F(StateScreensTest, RegisteredDataStagesFollowTheShellsOwnInThePacksLoadOrder) {
    OpenGameDataLoading();
    ASSERT_NE(GetLoadingProgress(), nullptr);
    const int own = GetLoadingProgress()->StageCount();
    CloseGameDataLoading();

    // Registered in any order, the chunk stages run in the pack's load order;
    // a stage of another id (the sprite pack's) runs before them.
    RegisterGameDataStage({0x4D41504D, 1.0f, "map", NoPack, LoadNothing});    // 'MAPM'
    RegisterGameDataStage({0x4C564C53, 2.0f, "levels", NoPack, LoadNothing}); // 'LVLS'
    RegisterGameDataStage({0x42444C4E, 1.0f, "buildings", NoPack, nullptr});  // refused: no loader
    RegisterGameDataStage({kStageAwards, 1.0f, "awards", NoPack, LoadNothing});
    RegisterGameDataStage({0x50524F44, 1.0f, "products", NoPack, LoadNothing});   // 'PROD'
    RegisterGameDataStage({0x53505254, 1.0f, "sprites", NoPack, LoadNothing});    // 'SPRT'
    RegisterGameDataStage({0x424F4E53, 1.0f, "bonuses", NoPack, LoadNothing});    // 'BONS'
    RegisterGameDataStage({0x43485152, 1.0f, "characters", NoPack, LoadNothing}); // 'CHQR'
    OpenGameDataLoading();
    LoadingProgress* progress = GetLoadingProgress();
    ASSERT_NE(progress, nullptr);
    const std::vector<uint32_t> expected = {0x53505254, 0x43485152,   0x50524F44, 0x4C564C53,
                                            0x424F4E53, kStageAwards, 0x4D41504D};
    ASSERT_EQ(progress->StageCount(), own + int(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(progress->StageId(own + int(i)), expected[i]) << i;
    CloseGameDataLoading();

    ClearGameDataStages();
    OpenGameDataLoading();
    EXPECT_EQ(GetLoadingProgress()->StageCount(), own);
    CloseGameDataLoading();
}
