#include "app/GameStates.h"

#include "app/AppState.h"
#include "app/WindowInput.h"
#include "engine/InputManager.h"
#include "engine/Log.h"
#include "engine/SoundManager.h"
#include "engine/Viewer.h"
#include "gui/Window.h"
#include "platform/Clock.h"

#include <new>

namespace {

// The running App's state machine, or null while no App is made: then the
// setters do nothing and the getters give the empty value.
GameStateMachine* Machine() {
    AppState* state = RunningAppState();
    return state ? &state->states : nullptr;
}

const AppCallbacks kNoCallbacks = {};
const AppServices kNoServices = {};

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
bool OnGameScreen(const GameStateMachine& m, int32_t x, int32_t y) {
    if (!m.services.viewer) return true;
    const kis::Rect& r = m.services.viewer->GetClientRect();
    if (r.right <= r.left || r.bottom <= r.top) return true;
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// The current state's callback in the slot, when an App runs and the slot is set.
template <class Slot> Slot ScreenCallback(Slot AppCallbacks::*slot) {
    const GameStateMachine* m = Machine();
    return m ? m->callbacks.*slot : nullptr;
}

void RouteMouseDown(int32_t x, int32_t y, uint32_t button) {
    if (WindowsTakeMouseDown(x, y, button)) return;
    if (auto call = ScreenCallback(&AppCallbacks::mouseDown); call && OnGameScreen(*Machine(), x, y))
        call(x, y, button);
}
// The windows and the screen hear a release the mouse makes up itself as
// letting go: the press ends, but it clicks nothing. Such a release comes
// when the focus goes, the state changes or the program ends, where a click
// would order work of a screen that is closing or already gone.
class MouseLettingGo {
  public:
    MouseLettingGo() : windows_(GetWindowManager()), was_(windows_ && windows_->IsLettingGo()) {
        const GameStateMachine* m = Machine();
        const DXLMouse* mouse = m && m->services.input ? m->services.input->GetMouse() : nullptr;
        if (windows_ && mouse && mouse->IsLettingGo()) windows_->SetLettingGo(true);
    }
    ~MouseLettingGo() {
        if (windows_) windows_->SetLettingGo(was_);
    }
    MouseLettingGo(const MouseLettingGo&) = delete;
    MouseLettingGo& operator=(const MouseLettingGo&) = delete;

  private:
    WindowManager* windows_; // the App's, which outlives every input event
    bool was_;
};

void RouteMouseUp(int32_t x, int32_t y, uint32_t button) {
    const MouseLettingGo lettingGo;
    if (WindowsTakeMouseUp(x, y, button)) return;
    if (auto call = ScreenCallback(&AppCallbacks::mouseUp); call && OnGameScreen(*Machine(), x, y))
        call(x, y, button);
}
void RouteMouseMove(int32_t x, int32_t y, uint32_t mask) {
    if (WindowsTakeMouseMove(x, y, mask)) return;
    if (auto call = ScreenCallback(&AppCallbacks::mouseMove); call && OnGameScreen(*Machine(), x, y))
        call(x, y, mask);
}
void RouteDoubleClick(int32_t x, int32_t y) {
    if (WindowsTakeDoubleClick(x, y)) return;
    if (auto call = ScreenCallback(&AppCallbacks::mouseDoubleClick); call && OnGameScreen(*Machine(), x, y))
        call(x, y);
}
void RouteWheel(int32_t x, int32_t y, int32_t delta, uint32_t mask) {
    if (WindowsTakeWheel(x, y, delta)) return;
    if (auto call = ScreenCallback(&AppCallbacks::mouseWheel); call && OnGameScreen(*Machine(), x, y))
        call(x, y, delta, mask);
}
void RouteKeyDown(uint32_t key, uint32_t modifiers) {
    if (WindowsTakeKeyDown(key, modifiers)) return;
    if (auto call = ScreenCallback(&AppCallbacks::keyDown)) call(key, modifiers);
}
void RouteKeyUp(uint32_t key, uint32_t modifiers) {
    if (WindowsTakeKeyUp(key, modifiers)) return;
    if (auto call = ScreenCallback(&AppCallbacks::keyUp)) call(key, modifiers);
}
void RouteText(char16_t character) {
    WindowsTakeCharacter(character);
}
void RouteKeyRepeat(uint32_t key, uint32_t modifiers) {
    if (auto call = ScreenCallback(&AppCallbacks::keyRepeat)) call(key, modifiers);
}

} // namespace

bool CheatsOn() {
    const GameStateMachine* m = Machine();
    return m && m->cheats;
}

void SetCheats(bool on) {
    if (GameStateMachine* m = Machine()) m->cheats = on;
}

void SetAppCallbacks(const AppCallbacks* table, uint32_t mask) {
    GameStateMachine* m = Machine();
    if (!m) return;
    ForEachSlot([&](auto slot, uint32_t bit) {
        if (mask & bit) m->callbacks.*slot = table ? table->*slot : nullptr;
    });
}

void GetAppCallbacks(AppCallbacks* out, uint32_t mask) {
    *out = {};
    const AppCallbacks& table = AppCallbackTable();
    ForEachSlot([&](auto slot, uint32_t bit) {
        if (mask & bit) out->*slot = table.*slot;
    });
}

const AppCallbacks& AppCallbackTable() {
    const GameStateMachine* m = Machine();
    return m ? m->callbacks : kNoCallbacks;
}

void SetStateChangeCallback(StateChangeCallback callback) {
    if (GameStateMachine* m = Machine()) m->stateChange = callback;
}

void SetFocusCallback(FocusCallback callback) {
    if (GameStateMachine* m = Machine()) m->focus = callback;
}

int32_t GameState() {
    const GameStateMachine* m = Machine();
    return m ? m->state : kStateNone;
}

uint32_t GameStateSerial() {
    const GameStateMachine* m = Machine();
    return m ? m->serial : 0;
}

void SetGameState(int32_t state) {
    GameStateMachine* m = Machine();
    if (!m || state == m->state) return;
    if (m->services.input) m->services.input->ReleaseAllKeys(kInputMouse | kInputKeyboard);
    int32_t old = m->state;
    m->state = state;
    ++m->serial;
    // The change goes on where its log line found no memory: the old screen
    // must close, above all on the way out of a run whose memory ran out.
    try {
        LogLabelPrintf(kLogIndent, "Game state", "0x%08X -> 0x%08X", uint32_t(old), uint32_t(state));
    } catch (const std::bad_alloc&) {
    }
    if (m->stateChange) m->stateChange(old, state);
}

void RegisterGameStateScreen(int32_t state, const GameStateScreen& screen) {
    GameStateMachine* m = Machine();
    if (m && state != kStateQuit) m->screens[state] = screen;
}

void RegisterQuitHook(void (*hook)()) {
    GameStateMachine* m = Machine();
    if (m && hook) m->quitHooks.push_back(hook);
}

void ClearGameStateScreens() {
    if (GameStateMachine* m = Machine()) {
        m->screens.clear();
        m->quitHooks.clear();
    }
}

void SwitchGameStateScreen(int32_t oldState, int32_t newState) {
    GameStateMachine* m = Machine();
    if (!m) return;
    if (auto old = m->screens.find(oldState); old != m->screens.end() && old->second.close)
        old->second.close();
    SetAppCallbacks(nullptr, kScreenCallbackSlots);
    if (newState == kStateQuit) {
        // By index, not through a copy that could find no memory: a hook may
        // register or clear while the hooks run.
        for (size_t i = m->quitHooks.size(); i-- > 0;)
            if (i < m->quitHooks.size()) m->quitHooks[i]();
        return;
    }
    auto next = m->screens.find(newState);
    if (next == m->screens.end()) return;
    // The callbacks go in before the screen opens: an effect the opening starts
    // (the map's reveal) keeps the screen's callbacks aside while it runs and
    // gives them back when it ends. Opening may also move the game on (a
    // screen that cannot start quits): the next state's change installs its own.
    const GameStateScreen screen = next->second;
    SetAppCallbacks(screen.callbacks, kScreenCallbackSlots);
    if (screen.open) screen.open();
}

void SetAppServices(const AppServices& services) {
    if (GameStateMachine* m = Machine()) m->services = services;
}

const AppServices& GetAppServices() {
    const GameStateMachine* m = Machine();
    return m ? m->services : kNoServices;
}

int32_t Activation() {
    const GameStateMachine* m = Machine();
    return m ? m->activation : kActive;
}

uint32_t ActivationLosses() {
    const GameStateMachine* m = Machine();
    return m ? m->activationLosses : 0;
}

void SetActivation(int32_t level) {
    GameStateMachine* m = Machine();
    if (!m) return;
    if (level < kActive) level = kActive;
    if (level > kMinimised) level = kMinimised;
    int32_t old = m->activation;
    if (level == old) return;
    m->activation = level;
    if (old == kActive) {
        ++m->activationLosses;
        PauseGameTimer();
        if (m->services.viewer) m->services.viewer->PauseTimer();
        if (m->services.input) m->services.input->DeactivateDevices(kInputMouse | kInputKeyboard);
        if (m->services.sound) m->services.sound->Mute();
    } else if (level == kActive) {
        ResumeGameTimer();
        if (m->services.viewer) m->services.viewer->ResumeTimer();
        if (m->services.input) m->services.input->ActivateDevices(kInputMouse | kInputKeyboard);
        if (m->services.sound) m->services.sound->Unmute();
    }
    if (level == kMinimised && m->callbacks.minimise) m->callbacks.minimise();
    if (old == kMinimised && m->callbacks.restore) m->callbacks.restore();
    if (m->focus) m->focus(old, level);
}

uint32_t GameClock() {
    const GameStateMachine* m = Machine();
    return m ? m->timer.clock : 0;
}

uint32_t FrameTime() {
    const GameStateMachine* m = Machine();
    return m ? m->timer.frame : 0;
}

void TickGameTimer() {
    GameStateMachine* m = Machine();
    if (!m) return;
    GameTimer& timer = m->timer;
    uint32_t now = timer.now();
    uint32_t elapsed = now - timer.last; // the clock wraps; unsigned difference
    timer.last = now;
    if (timer.pauses > 0) {
        timer.frame = 0;
        return;
    }
    timer.frame = elapsed > kMaxFrameTime ? kMaxFrameTime : elapsed;
    timer.clock += timer.frame;
}

void PauseGameTimer() {
    if (GameStateMachine* m = Machine()) ++m->timer.pauses;
}

void ResumeGameTimer() {
    GameStateMachine* m = Machine();
    if (!m || m->timer.pauses == 0) return;
    if (--m->timer.pauses == 0) m->timer.last = m->timer.now(); // the pause is not counted as game time
}

void ResetGameTimer(uint32_t (*now)()) {
    GameStateMachine* m = Machine();
    if (!m) return;
    m->timer = GameTimer();
    if (now) m->timer.now = now;
    m->timer.last = m->timer.now();
}

void GetMousePosition(int32_t* x, int32_t* y) {
    *x = 0;
    *y = 0;
    const AppServices& services = GetAppServices();
    if (services.input && services.input->GetMouse()) services.input->GetMouse()->GetPosition(x, y);
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
