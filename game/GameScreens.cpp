#include "game/GameScreens.h"

#include "app/GameDataLoader.h"
#include "app/GameStates.h"
#include "app/LevelLoading.h"
#include "app/Logos.h"
#include "engine/Cursors.h"

namespace {

void OpenLogosScreen() {
    OpenLogos();
    UseDefaultCursor();
}

} // namespace

void RegisterGameScreens() {
    RegisterGameStateScreen(kStateLogos, {OpenLogosScreen, CloseLogos, &LogosCallbacks()});
    RegisterGameStateScreen(kStateDataLoading,
                            {OpenGameDataLoading, CloseGameDataLoading, &GameDataLoadingCallbacks()});
    RegisterGameStateScreen(kStateLevelLoading,
                            {OpenLevelLoading, CloseLevelLoading, &LevelLoadingCallbacks()});
}
