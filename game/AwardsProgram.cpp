#include "game/AwardsProgram.h"

#include "app/App.h"
#include "frontend/AwardsWindow.h"
#include "game/GameTables.h"

void OpenProgramAwards(bool preview) {
    WindowManager* windows = GetWindowManager();
    GameTables* tables = GetGameTables();
    if (windows && tables && tables->awards.IsLoaded())
        OpenAwardsWindow(*windows, tables->awards, AppProfiles(), preview);
}
