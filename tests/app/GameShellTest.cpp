#include "app/GameShell.h"
#include "app/App.h"
#include "engine/Texture.h"
#include "engine/Viewer.h"
#include "sprites/Sprite.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The tests of GameShellTest run on an App of their own: the shell's state lives in it.
struct GameShellTest : ::testing::Test {
    App app;
};

TEST_F(GameShellTest, NameIdsOfTextsFollowTheIdentifierRules) {
    struct Case {
        const char16_t* text;
        uint32_t id;
    } cases[] = {
        {u"warehouse", 0x134C7403},
        {u"WareHouse", 0x134C7403},
        {u"", 0},
        {nullptr, 0},
        {u"ware house", 0},
        {u"ware-house", 0},
        {u"abcdefghijklmnopqrstuvwxyz01234", NameToId(u"ABCDEFGHIJKLMNOPQRSTUVWXYZ01234")},
        {u"abcdefghijklmnopqrstuvwxyz012345", 0}, // 32 characters
    };
    for (const Case& c : cases)
        EXPECT_EQ(NameToId(c.text), c.id) << (c.text ? std::string(c.text, c.text + 8) : "null");
    EXPECT_NE(NameToId(u"abcdefghijklmnopqrstuvwxyz01234"), 0u);
}

std::vector<std::string> g_calls;

struct FakeTutorial final : TutorialHooks {
    bool AllowsAction(TutorialAction action, uint32_t tag, TutorialObject) override {
        g_calls.push_back("allows " + std::to_string(uint32_t(action)) + " " + std::to_string(tag));
        return action != TutorialAction::Key;
    }
    void OnEvent(TutorialEvent event, uint32_t a, TutorialObject b) override {
        const int* object = b.As<int>();
        g_calls.push_back("event " + std::to_string(uint32_t(event)) + " " + std::to_string(a) + " " +
                          (object ? std::to_string(*object) : "none"));
    }
};

TEST_F(GameShellTest, WithoutATutorialEverythingIsAllowedAndEventsGoNowhere) {
    g_calls.clear();
    SetRunningTutorial(nullptr);
    const int two = 2, eight = 8;
    EXPECT_TRUE(TutorialAllows(TutorialAction::Key, 27, {}));
    TutorialNotify(TutorialEvent::ClockStarted, 1, TutorialObject(&two));
    EXPECT_TRUE(g_calls.empty());

    FakeTutorial tutorial;
    SetRunningTutorial(&tutorial);
    EXPECT_EQ(RunningTutorial(), &tutorial);
    EXPECT_FALSE(TutorialAllows(TutorialAction::Key, 27, {}));
    EXPECT_TRUE(TutorialAllows(TutorialAction::Drag, 5, {}));
    TutorialNotify(TutorialEvent::MapLevelClicked, 7, TutorialObject(&eight));
    SetRunningTutorial(nullptr);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"allows 3 27", "allows 1 5", "event 1073741825 7 8"}));
}

TEST_F(GameShellTest, ScreenResourcesAreRebuiltInOrderForTheCurrentState) {
    g_calls.clear();
    SetScreenResourceHook(ScreenPart::Texts, [] { g_calls.push_back("texts"); });
    SetScreenResourceHook(ScreenPart::Map, [] { g_calls.push_back("map"); });
    SetScreenResourceHook(ScreenPart::Level, [] { g_calls.push_back("level"); });
    SetScreenResourceHook(ScreenPart::MainScreen, [] { g_calls.push_back("main"); });
    SetScreenResourceHook(ScreenPart::Windows, [] { g_calls.push_back("windows"); });
    SetScreenResourceHook(ScreenPart::Tutorial, [] { g_calls.push_back("tutorial"); });
    struct Case {
        int32_t state;
        const char* screen;
    } cases[] = {{kStateLevel, "level"},
                 {kStateMainScreen, "main"},
                 {kStateMap, "windows"},
                 {kStateLogos, "windows"},
                 {kStateComics, "windows"}};
    for (const Case& c : cases) {
        g_calls.clear();
        SetGameState(c.state);
        CreateScreenResources();
        EXPECT_EQ(g_calls, (std::vector<std::string>{"texts", "map", c.screen, "tutorial"})) << c.state;
    }
    SetGameState(kStateNone);
    for (int part = 0; part < int(ScreenPart::Count); ++part)
        SetScreenResourceHook(ScreenPart(part), nullptr);
}

TEST_F(GameShellTest, TheGamesManagersAreMadeOncePerRun) {
    g_calls.clear();
    ClearGameInitHooks();
    RegisterGameInitHook([] { g_calls.push_back("windows"); });
    RegisterGameInitHook([] { g_calls.push_back("main screen"); });
    SetScreenResourceHook(ScreenPart::Texts, [] { g_calls.push_back("texts"); });
    InitGame();
    InitGame();
    EXPECT_TRUE(IsGameInitialised());
    EXPECT_EQ(g_calls, (std::vector<std::string>{"windows", "main screen", "texts"}));
    EndGame();
    EXPECT_FALSE(IsGameInitialised());
    InitGame();
    EXPECT_EQ(g_calls.size(), 6u);
    ClearGameInitHooks();
    SetScreenResourceHook(ScreenPart::Texts, nullptr);
}

TEST_F(GameShellTest, ClosingTheMainWindowIsTakenOnce) {
    EXPECT_FALSE(TakeMainWindowClose());
    CloseMainWindow();
    EXPECT_TRUE(TakeMainWindowClose());
    EXPECT_FALSE(TakeMainWindowClose());
}

TEST_F(GameShellTest, SpritesOfLibrariesThatAreNotLoadedAreAbsent) {
    EXPECT_EQ(GetSprite(1, u"time_bar_indic"), nullptr);
    EXPECT_EQ(GetSprite(99, u"x"), nullptr);
}

} // namespace

namespace {

TEST_F(GameShellTest, ATextBatchKeepsOneTextCurrentUntilItEnds) {
    DXLTexture first, second;
    SetText(&first);
    EXPECT_EQ(CurrentText(), &first);
    SetText(&second); // the first is flushed
    EXPECT_EQ(CurrentText(), &second);
    const DXLTextureState params = {};
    SetTextParams(&params); // applied to the current text at once, kept for the next
    SetText(nullptr);       // ends the batch like EndText
    EXPECT_EQ(CurrentText(), nullptr);
    SetText(&first);
    EndText();
    EXPECT_EQ(CurrentText(), nullptr);
    EndText(); // twice is harmless
    SetTextParams(nullptr);
}

} // namespace
