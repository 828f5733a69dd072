#include "game/FrontendScreens.h"

#include "app/GameDataLoader.h"
#include "app/GameShell.h"
#include "app/GameStates.h"
#include "frontend/MainScreen.h"
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

} // namespace

void RegisterFrontendScreens() {
    RegisterGameDataStage({kMainScreenChunkId, 1.0f, "main screen", GetDataPack, LoadMainScreenChunk});
    RegisterGameStateScreen(kStateMainScreen,
                            {OpenMainScreenState, CloseMainScreenState, &MainScreenCallbacks()});
    SetScreenResourceHook(ScreenPart::MainScreen, LayOutMainScreen);
    SetScreenResourceHook(ScreenPart::Windows, FitWindowsToScreen);
    SetScreenResourceHook(ScreenPart::Tutorial, tut::RelayoutRunningTutorial);
    RegisterQuitHook(DestroyMainScreen);
}
