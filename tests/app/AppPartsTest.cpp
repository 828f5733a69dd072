// The App owns the state of the shell and the parts the layers above it keep:
// each part is made on its first use, one for each type, and goes with the App
// that made it, the last made first; without an App nothing is kept.
#include "app/App.h"

#include "app/Config.h"
#include "app/GameShell.h"
#include "app/GameStates.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A part that writes its name into the test's list when it goes.
template <char Name> struct NamedPart {
    std::vector<char>* gone = nullptr;
    ~NamedPart() {
        if (gone) gone->push_back(Name);
    }
};

// A part that asks for itself as it goes.
struct SelfAskingPart {
    bool* foundItself = nullptr;
    ~SelfAskingPart() {
        if (foundItself) *foundItself = ExistingAppPart<SelfAskingPart>() != nullptr;
    }
};

} // namespace

TEST(AppParts, AreMadeOnFirstUseOneForEachTypeAndGoWithTheAppLastMadeFirst) {
    std::vector<char> gone;
    {
        App app;
        EXPECT_EQ(ExistingAppPart<NamedPart<'a'>>(), nullptr) << "asking whether it is there makes none";
        NamedPart<'a'>* a = AppPart<NamedPart<'a'>>();
        ASSERT_NE(a, nullptr);
        a->gone = &gone;
        EXPECT_EQ(AppPart<NamedPart<'a'>>(), a);
        EXPECT_EQ(ExistingAppPart<NamedPart<'a'>>(), a);
        NamedPart<'b'>* b = AppPart<NamedPart<'b'>>();
        ASSERT_NE(b, nullptr);
        EXPECT_NE(static_cast<void*>(b), static_cast<void*>(a));
        b->gone = &gone;
        AppPart<NamedPart<'c'>>()->gone = &gone;
        EXPECT_TRUE(gone.empty());
    }
    EXPECT_EQ(gone, (std::vector<char>{'c', 'b', 'a'}));
    EXPECT_EQ(AppPart<NamedPart<'a'>>(), nullptr) << "no App, no part";
}

TEST(AppParts, AnAppMadeWhileAnotherRunsKeepsItsOwnUntilItGoes) {
    std::vector<char> gone;
    App outer;
    NamedPart<'o'>* outerPart = AppPart<NamedPart<'o'>>();
    outerPart->gone = &gone;
    {
        App inner;
        EXPECT_EQ(App::Running(), &inner);
        EXPECT_EQ(ExistingAppPart<NamedPart<'o'>>(), nullptr);
        AppPart<NamedPart<'i'>>()->gone = &gone;
    }
    EXPECT_EQ(gone, (std::vector<char>{'i'}));
    EXPECT_EQ(App::Running(), &outer);
    EXPECT_EQ(ExistingAppPart<NamedPart<'o'>>(), outerPart);
}

TEST(AppParts, APartThatAsksForItselfAsItGoesFindsNothing) {
    bool foundItself = true;
    {
        App app;
        AppPart<SelfAskingPart>()->foundItself = &foundItself;
    }
    EXPECT_FALSE(foundItself);
}

// The shell's state lives in the App: a second App starts from nothing, and
// without one the setters keep nothing and the getters give the empty values.
TEST(AppParts, TheShellsStateIsTheRunningAppsOwn) {
    {
        App first;
        SetGameState(kStateMap);
        SetCheats(true);
        CloseMainWindow();
        SetConfigFolders(u"user", u"program");
        EXPECT_EQ(GameState(), kStateMap);
        EXPECT_TRUE(CheatsOn());
        EXPECT_EQ(ConfigDatPath(), u"user\\config.dat");
        {
            App second;
            EXPECT_EQ(GameState(), kStateNone);
            EXPECT_FALSE(CheatsOn());
            EXPECT_FALSE(TakeMainWindowClose());
            EXPECT_EQ(ConfigDatPath(), u"config.dat");
        }
        EXPECT_EQ(GameState(), kStateMap) << "the first App's state is back";
        EXPECT_TRUE(TakeMainWindowClose());
        EXPECT_FALSE(TakeMainWindowClose()) << "taken once";
    }
    SetGameState(kStateLevel);
    SetCheats(true);
    CloseMainWindow();
    PauseGameTimer();
    TickGameTimer();
    EXPECT_EQ(GameState(), kStateNone);
    EXPECT_EQ(GameStateSerial(), 0u);
    EXPECT_FALSE(CheatsOn());
    EXPECT_FALSE(TakeMainWindowClose());
    EXPECT_EQ(GameClock(), 0u);
    EXPECT_EQ(RunningTutorial(), nullptr);
    EXPECT_EQ(App::Running(), nullptr);
}
