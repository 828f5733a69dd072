#include "game/FrontendScreens.h"

#include "app/GameDataLoader.h"
#include "app/GameShell.h"
#include "app/GameStates.h"
#include "frontend/MainScreen.h"
#include "frontend/ProfileWindows.h"
#include "game/AwardsProgram.h"
#include "gui/Notices.h"
#include "gui/Window.h"
#include "tutorials/Tutorial.h"

namespace {

void LayOutMainScreen() {
    if (MainScreen* screen = FindMainScreen(); screen && screen->IsOpen()) screen->Layout();
}

// The screens without a layout of their own (the map, the comics): their
// windows hear of the new size.
void FitWindowsToScreen() {
    const ScreenScaleState& screen = ScreenScale();
    if (WindowManager* windows = GetWindowManager()) windows->OnScreenResize(screen.width, screen.height);
}

// The notices stand over the menu.
void OpenMainScreen() {
    OpenMainScreenState();
    MainScreen* screen = FindMainScreen();
    AnchorNotices(screen ? screen->MenuWindow() : nullptr, kNoticeMainScreen, kNoticeOffsetMainScreen);
}

} // namespace

void RegisterFrontendScreens() {
    RegisterGameDataStage({kMainScreenChunkId, 1.0f, "main screen", GetDataPack, LoadMainScreenChunk});
    RegisterGameStateScreen(kStateMainScreen, {OpenMainScreen, CloseMainScreenState, &MainScreenCallbacks()});
    SetScreenResourceHook(ScreenPart::MainScreen, LayOutMainScreen);
    SetScreenResourceHook(ScreenPart::Windows, FitWindowsToScreen);
    SetScreenResourceHook(ScreenPart::Tutorial, tut::RelayoutRunningTutorial);
    RegisterQuitHook(DestroyMainScreen);
}

void OpenPlayersWindow(std::function<void()> before, std::function<void()> chosen) {
    OpenProfilesWindow(std::move(chosen), std::move(before));
}
