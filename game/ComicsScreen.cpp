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

void MouseDown(int32_t x, int32_t y, uint32_t button) {
    WindowsTakeMouseDown(x, y, button);
}
void MouseUp(int32_t x, int32_t y, uint32_t button) {
    WindowsTakeMouseUp(x, y, button);
}
void MouseMove(int32_t x, int32_t y, uint32_t buttons) {
    WindowsTakeMouseMove(x, y, buttons);
}
void DoubleClick(int32_t x, int32_t y) {
    WindowsTakeDoubleClick(x, y);
}
void Wheel(int32_t x, int32_t y, int32_t delta, uint32_t) {
    WindowsTakeWheel(x, y, delta);
}
void KeyDown(uint32_t key, uint32_t modifiers) {
    WindowsTakeKeyDown(key, modifiers);
}
void KeyUp(uint32_t key, uint32_t modifiers) {
    WindowsTakeKeyUp(key, modifiers);
}

const AppCallbacks kCallbacks = {.cursor = WindowsCursor,
                                 .update = Update,
                                 .draw = Draw,
                                 .mouseDown = MouseDown,
                                 .mouseUp = MouseUp,
                                 .mouseMove = MouseMove,
                                 .mouseDoubleClick = DoubleClick,
                                 .mouseWheel = Wheel,
                                 .keyDown = KeyDown,
                                 .keyUp = KeyUp}; // a held Enter must not close the page it completed

} // namespace

void RegisterComics(Comix& comix) {
    SetComix(&comix);
    RegisterGameDataStage({kComixChunkId, 1.0f, "comics", GetDataPack, LoadComics});
    RegisterGameStateScreen(kStateComics, {OpenComicsScreen, CloseComicsScreen, &kCallbacks});
}
