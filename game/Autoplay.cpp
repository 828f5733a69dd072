#include "game/Autoplay.h"

#include "app/App.h"
#include "app/GameStates.h"

namespace {

// The run's player, owned by the program's main function; the main screen's
// callbacks below reach it through the App.
struct InstalledAutoplay {
    Autoplay* autoplay = nullptr;
};

// The state changes from the screen's first update, outside the change that opened it.
void UpdateMainScreenPlace(uint32_t) {
    if (Autoplay* autoplay = ActiveAutoplay()) autoplay->MainScreenFrame();
}

const AppCallbacks kMainScreenPlace = {.update = UpdateMainScreenPlace};

} // namespace

void InstallAutoplay(Autoplay* autoplay) {
    if (InstalledAutoplay* installed =
            autoplay ? AppPart<InstalledAutoplay>() : ExistingAppPart<InstalledAutoplay>())
        installed->autoplay = autoplay;
    if (autoplay) RegisterGameStateScreen(kStateMainScreen, {.callbacks = &kMainScreenPlace});
}

Autoplay* ActiveAutoplay() {
    const InstalledAutoplay* installed = ExistingAppPart<InstalledAutoplay>();
    return installed ? installed->autoplay : nullptr;
}
