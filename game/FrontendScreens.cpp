#include "game/FrontendScreens.h"

#include "app/GameDataLoader.h"
#include "app/GameShell.h"
#include "app/GameStates.h"
#include "frontend/MainScreen.h"

namespace {

void LayOutMainScreen() {
    if (MainScreen* screen = FindMainScreen(); screen && screen->IsOpen()) screen->Layout();
}

} // namespace

void RegisterFrontendScreens() {
    RegisterGameDataStage({kMainScreenChunkId, 1.0f, "main screen", GetDataPack, LoadMainScreenChunk});
    RegisterGameStateScreen(kStateMainScreen,
                            {OpenMainScreenState, CloseMainScreenState, &MainScreenCallbacks()});
    SetScreenResourceHook(ScreenPart::MainScreen, LayOutMainScreen);
    RegisterQuitHook(DestroyMainScreen);
}
