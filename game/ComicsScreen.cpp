#include "game/ComicsScreen.h"

#include "app/GameDataLoader.h"
#include "app/GameStates.h"
#include "app/WindowInput.h"
#include "engine/Cursors.h"
#include "engine/LoaderState.h"
#include "engine/Viewer.h"
#include "frontend/Comix.h"
#include "game/Autoplay.h"
#include "game/AwardsProgram.h"
#include "gui/Window.h"

namespace {

int32_t LoadComics(kis::DataFileReaderW* reader, LoaderState* state) {
    Comix* comix = GetComix();
    if (!comix) {
        state->error = 1;
        return kLoaderFinished;
    }
    return comix->Load(reader, state);
}

void OpenComicsScreen() {
    DeleteNotices();
    Comix* comix = GetComix();
    WindowManager* windows = GetWindowManager();
    if (comix && windows) comix->OpenWindow(*windows);
}

void CloseComicsScreen() {
    if (Comix* comix = GetComix()) comix->CloseWindow();
}

void Update(uint32_t ms) {
    if (WindowManager* windows = GetWindowManager()) windows->Update();
    if (Autoplay* autoplay = ActiveAutoplay()) autoplay->ComicFrame(ms);
}

void Draw() {
    WindowManager* windows = GetWindowManager();
    if (!windows || !windows->Viewer()) return;
    windows->Viewer()->ClearTarget(0xFF000000);
    windows->Draw();
}

// The comic's page is a window: the shell offers it every input event
// before a screen's hooks, so the screen has none of its own.
const AppCallbacks kCallbacks = {.cursor = WindowsCursor, .update = Update, .draw = Draw};

} // namespace

void RegisterComics(Comix& comix) {
    SetComix(&comix);
    RegisterGameDataStage({kComixChunkId, 1.0f, "comics", GetDataPack, LoadComics});
    RegisterGameStateScreen(kStateComics, {OpenComicsScreen, CloseComicsScreen, &kCallbacks});
}
