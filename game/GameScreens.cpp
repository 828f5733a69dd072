#include "game/GameScreens.h"

#include "app/GameDataLoader.h"
#include "app/GameStates.h"
#include "app/LevelLoading.h"
#include "app/Logos.h"
#include "engine/Cursors.h"
#include "engine/Log.h"
#include "game/FinishedScreen.h"

namespace {

void OpenLogosScreen() {
    OpenLogos();
    UseDefaultCursor();
}

void OpenMainScreen() {
    LogLine(kLogIndent, "Loading finished; the showcase stands in for the main screen.");
    OpenFinishedScreen();
}

} // namespace

void RegisterGameScreens(bool showcase) {
    RegisterGameStateScreen(kStateLogos, {OpenLogosScreen, CloseLogos, &LogosCallbacks()});
    RegisterGameStateScreen(kStateDataLoading,
                            {OpenGameDataLoading, CloseGameDataLoading, &GameDataLoadingCallbacks()});
    RegisterGameStateScreen(kStateLevelLoading,
                            {OpenLevelLoading, CloseLevelLoading, &LevelLoadingCallbacks()});
    if (showcase)
        RegisterGameStateScreen(kStateMainScreen,
                                {OpenMainScreen, CloseFinishedScreen, &FinishedScreenCallbacks()});
}
