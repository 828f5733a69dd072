#include "game/Autoplay.h"

#include "app/GameStates.h"

namespace {

// The run's player, owned by the program's main function; the main screen's
// callbacks below have no other way to reach it.
Autoplay* g_autoplay = nullptr;

void OpenMainScreenPlace() {}
void CloseMainScreenPlace() {}
// The state changes from the screen's first update, outside the change that opened it.
void UpdateMainScreenPlace(uint32_t) {
    if (g_autoplay) g_autoplay->MainScreenFrame();
}

const AppCallbacks kMainScreenPlace = {.update = UpdateMainScreenPlace};

} // namespace

void InstallAutoplay(Autoplay* autoplay) {
    g_autoplay = autoplay;
    if (autoplay)
        RegisterGameStateScreen(kStateMainScreen,
                                {OpenMainScreenPlace, CloseMainScreenPlace, &kMainScreenPlace});
}

Autoplay* ActiveAutoplay() {
    return g_autoplay;
}
