#include "app/GameStates.h"

#include "app/WindowInput.h"
#include "engine/InputManager.h"
#include "engine/Log.h"
#include "engine/SoundManager.h"
#include "engine/Viewer.h"
#include "platform/Clock.h"

#include <map>
#include <vector>

bool Cheats = false;

namespace {

AppCallbacks g_callbacks = {};
StateChangeCallback g_stateChange = nullptr;
FocusCallback g_focus = nullptr;
int32_t g_state = kStateNone;
uint32_t g_stateSerial = 0;
AppServices g_services;
int32_t g_activation = kActive;
uint32_t g_activationLosses = 0;

struct GameTimer {
    uint32_t (*now)() = platform::Milliseconds;
    uint32_t last = 0;
    uint32_t clock = 0;
    uint32_t frame = 0;
    uint32_t pauses = 0;
};
GameTimer g_timer;

// The screens and quit hooks the subsystems above the shell register.
struct ScreenTable {
    std::map<int32_t, GameStateScreen> screens;
    std::vector<void (*)()> quitHooks;
};
ScreenTable& Screens() {
    static ScreenTable table;
    return table;
}

// Slot i of the table and the mask bit that selects it, in table order.
template <class Fn> void ForEachSlot(Fn fn) {
    fn(&AppCallbacks::cursor, kCallbackCursor);
    fn(&AppCallbacks::update, kCallbackUpdate);
    fn(&AppCallbacks::draw, kCallbackDraw);
    fn(&AppCallbacks::mouseDown, kCallbackMouseDown);
    fn(&AppCallbacks::mouseUp, kCallbackMouseUp);
    fn(&AppCallbacks::mouseMove, kCallbackMouseMove);
    fn(&AppCallbacks::mouseDoubleClick, kCallbackMouseDoubleClick);
    fn(&AppCallbacks::mouseWheel, kCallbackMouseWheel);
    fn(&AppCallbacks::keyDown, kCallbackKeyDown);
    fn(&AppCallbacks::keyUp, kCallbackKeyUp);
    fn(&AppCallbacks::keyRepeat, kCallbackKeyRepeat);
    fn(&AppCallbacks::minimise, kCallbackMinimise);
    fn(&AppCallbacks::restore, kCallbackRestore);
}

// True when the point lies on the game screen (the back buffer).
bool OnGameScreen(int32_t x, int32_t y) {
    if (!g_services.viewer) return true;
    const kis::Rect& r = g_services.viewer->GetClientRect();
    if (r.right <= r.left || r.bottom <= r.top) return true;
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

void RouteMouseDown(int32_t x, int32_t y, uint32_t button) {
    if (WindowsTakeMouseDown(x, y, button)) return;
    if (g_callbacks.mouseDown && OnGameScreen(x, y)) g_callbacks.mouseDown(x, y, button);
}
void RouteMouseUp(int32_t x, int32_t y, uint32_t button) {
    if (WindowsTakeMouseUp(x, y, button)) return;
    if (g_callbacks.mouseUp && OnGameScreen(x, y)) g_callbacks.mouseUp(x, y, button);
}
void RouteMouseMove(int32_t x, int32_t y, uint32_t mask) {
    if (WindowsTakeMouseMove(x, y, mask)) return;
    if (g_callbacks.mouseMove && OnGameScreen(x, y)) g_callbacks.mouseMove(x, y, mask);
}
void RouteDoubleClick(int32_t x, int32_t y) {
    if (WindowsTakeDoubleClick(x, y)) return;
    if (g_callbacks.mouseDoubleClick && OnGameScreen(x, y)) g_callbacks.mouseDoubleClick(x, y);
}
void RouteWheel(int32_t x, int32_t y, int32_t delta, uint32_t mask) {
    if (WindowsTakeWheel(x, y, delta)) return;
    if (g_callbacks.mouseWheel && OnGameScreen(x, y)) g_callbacks.mouseWheel(x, y, delta, mask);
}
void RouteKeyDown(uint32_t key, uint32_t modifiers) {
    if (WindowsTakeKeyDown(key, modifiers)) return;
    if (g_callbacks.keyDown) g_callbacks.keyDown(key, modifiers);
}
void RouteKeyUp(uint32_t key, uint32_t modifiers) {
    if (WindowsTakeKeyUp(key, modifiers)) return;
    if (g_callbacks.keyUp) g_callbacks.keyUp(key, modifiers);
}
void RouteText(char16_t character) {
    WindowsTakeCharacter(character);
}
void RouteKeyRepeat(uint32_t key, uint32_t modifiers) {
    if (g_callbacks.keyRepeat) g_callbacks.keyRepeat(key, modifiers);
}

} // namespace

void SetAppCallbacks(const AppCallbacks* table, uint32_t mask) {
    ForEachSlot([&](auto slot, uint32_t bit) {
        if (mask & bit) g_callbacks.*slot = table ? table->*slot : nullptr;
    });
}

void GetAppCallbacks(AppCallbacks* out, uint32_t mask) {
    *out = {};
    ForEachSlot([&](auto slot, uint32_t bit) {
        if (mask & bit) out->*slot = g_callbacks.*slot;
    });
}

const AppCallbacks& AppCallbackTable() {
    return g_callbacks;
}

void SetStateChangeCallback(StateChangeCallback callback) {
    g_stateChange = callback;
}

void SetFocusCallback(FocusCallback callback) {
    g_focus = callback;
}

int32_t GameState() {
    return g_state;
}

uint32_t GameStateSerial() {
    return g_stateSerial;
}

void SetGameState(int32_t state) {
    if (state == g_state) return;
    if (g_services.input) g_services.input->ReleaseAllKeys(kInputMouse | kInputKeyboard);
    int32_t old = g_state;
    g_state = state;
    ++g_stateSerial;
    LogLabelPrintf(kLogIndent, "Game state", "0x%08X -> 0x%08X", uint32_t(old), uint32_t(state));
    if (g_stateChange) g_stateChange(old, state);
}

void RegisterGameStateScreen(int32_t state, const GameStateScreen& screen) {
    if (state != kStateQuit) Screens().screens[state] = screen;
}

void RegisterQuitHook(void (*hook)()) {
    if (hook) Screens().quitHooks.push_back(hook);
}

void ClearGameStateScreens() {
    Screens() = ScreenTable();
}

void SwitchGameStateScreen(int32_t oldState, int32_t newState) {
    ScreenTable& table = Screens();
    if (auto old = table.screens.find(oldState); old != table.screens.end() && old->second.close)
        old->second.close();
    SetAppCallbacks(nullptr, kScreenCallbackSlots);
    if (newState == kStateQuit) {
        for (auto hook = table.quitHooks.rbegin(); hook != table.quitHooks.rend(); ++hook)
            (*hook)();
        return;
    }
    auto next = table.screens.find(newState);
    if (next == table.screens.end()) return;
    // The callbacks go in before the screen opens: an effect the opening starts
    // (the map's reveal) keeps the screen's callbacks aside while it runs and
    // gives them back when it ends. Opening may also move the game on (a
    // screen that cannot start quits): the next state's change installs its own.
    SetAppCallbacks(next->second.callbacks, kScreenCallbackSlots);
    if (next->second.open) next->second.open();
}

void SetAppServices(const AppServices& services) {
    g_services = services;
}

const AppServices& GetAppServices() {
    return g_services;
}

int32_t Activation() {
    return g_activation;
}

uint32_t ActivationLosses() {
    return g_activationLosses;
}

void SetActivation(int32_t level) {
    if (level < kActive) level = kActive;
    if (level > kMinimised) level = kMinimised;
    int32_t old = g_activation;
    if (level == old) return;
    g_activation = level;
    if (old == kActive) {
        ++g_activationLosses;
        PauseGameTimer();
        if (g_services.viewer) g_services.viewer->PauseTimer();
        if (g_services.input) g_services.input->DeactivateDevices(kInputMouse | kInputKeyboard);
        if (g_services.sound) g_services.sound->Mute();
    } else if (level == kActive) {
        ResumeGameTimer();
        if (g_services.viewer) g_services.viewer->ResumeTimer();
        if (g_services.input) g_services.input->ActivateDevices(kInputMouse | kInputKeyboard);
        if (g_services.sound) g_services.sound->Unmute();
    }
    if (level == kMinimised && g_callbacks.minimise) g_callbacks.minimise();
    if (old == kMinimised && g_callbacks.restore) g_callbacks.restore();
    if (g_focus) g_focus(old, level);
}

uint32_t GameClock() {
    return g_timer.clock;
}

uint32_t FrameTime() {
    return g_timer.frame;
}

void TickGameTimer() {
    uint32_t now = g_timer.now();
    uint32_t elapsed = now - g_timer.last; // the clock wraps; unsigned difference
    g_timer.last = now;
    if (g_timer.pauses > 0) {
        g_timer.frame = 0;
        return;
    }
    g_timer.frame = elapsed > kMaxFrameTime ? kMaxFrameTime : elapsed;
    g_timer.clock += g_timer.frame;
}

void PauseGameTimer() {
    ++g_timer.pauses;
}

void ResumeGameTimer() {
    if (g_timer.pauses == 0) return;
    if (--g_timer.pauses == 0) g_timer.last = g_timer.now(); // the pause is not counted as game time
}

void ResetGameTimer(uint32_t (*now)()) {
    g_timer = GameTimer();
    if (now) g_timer.now = now;
    g_timer.last = g_timer.now();
}

void GetMousePosition(int32_t* x, int32_t* y) {
    *x = 0;
    *y = 0;
    if (g_services.input && g_services.input->GetMouse()) g_services.input->GetMouse()->GetPosition(x, y);
}

void InstallInputRouting(InputManager* input) {
    if (DXLMouse* mouse = input->GetMouse()) {
        mouse->SetButtonDownCallback(RouteMouseDown);
        mouse->SetButtonUpCallback(RouteMouseUp);
        mouse->SetMoveCallback(RouteMouseMove);
        mouse->SetDoubleClickCallback(RouteDoubleClick);
        mouse->SetWheelCallback(RouteWheel);
    }
    if (DXLKeyboard* keyboard = input->GetKeyboard()) {
        keyboard->SetKeyDownCallback(RouteKeyDown);
        keyboard->SetKeyUpCallback(RouteKeyUp);
        keyboard->SetKeyRepeatCallback(RouteKeyRepeat);
        keyboard->SetTextCallback(RouteText);
    }
}
