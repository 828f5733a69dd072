#pragma once
// The application layer: the game state and its table of callbacks, the
// game clock and frame time, the activation level, and the routing of input
// and window events to the current state's callbacks.

#include "engine/ResultNames.h"

#include <cstdint>

class DXLViewer;
class InputManager;
class SoundManager;

// ---------------------------------------------------------------- game states

constexpr int32_t kStateQuit = -1;
constexpr int32_t kStateNone = 0; // before the first state is set
constexpr int32_t kStateLogos = 1;
constexpr int32_t kStateLevel = 4;
constexpr int32_t kStateMap = 5;
constexpr int32_t kStateMainScreen = 6;
constexpr int32_t kStateComics = 7;
constexpr int32_t kStateDataLoading = int32_t(0x80000002);
constexpr int32_t kStateLevelLoading = int32_t(0x80000003);

// The application layer's own results.
constexpr HResult kResultAppDisplay = MakeResult(0x8000C004); // window or device could not be made
constexpr HResult kResultAppInput = MakeResult(0x8000C005);   // input start-up failed
constexpr HResult kResultAppPresent = MakeResult(0x8000C006); // a frame could not be finished
constexpr HResult kResultAppAlreadyRunning = MakeResult(0x8000C009);

// ---------------------------------------------------------------- callbacks

// The 13 slots through which the application calls the game. A slot left
// null does nothing (no draw callback: the frame is cleared to black; no
// cursor callback: the default cursor).
struct AppCallbacks {
    uint32_t (*cursor)() = nullptr;        // the cursor id to show
    void (*update)(uint32_t ms) = nullptr; // once per frame with the frame time
    void (*draw)() = nullptr;              // between the frame's begin and end
    void (*mouseDown)(int32_t x, int32_t y, uint32_t button) = nullptr;
    void (*mouseUp)(int32_t x, int32_t y, uint32_t button) = nullptr;
    void (*mouseMove)(int32_t x, int32_t y, uint32_t buttonMask) = nullptr;
    void (*mouseDoubleClick)(int32_t x, int32_t y) = nullptr;
    void (*mouseWheel)(int32_t x, int32_t y, int32_t delta, uint32_t buttonMask) = nullptr;
    void (*keyDown)(uint32_t key, uint32_t modifiers) = nullptr;
    void (*keyUp)(uint32_t key, uint32_t modifiers) = nullptr;
    void (*keyRepeat)(uint32_t key, uint32_t modifiers) = nullptr;
    void (*minimise)() = nullptr;
    void (*restore)() = nullptr;
};

// Slot masks.
constexpr uint32_t kCallbackCursor = 0x1;
constexpr uint32_t kCallbackUpdate = 0x10;
constexpr uint32_t kCallbackDraw = 0x20;
constexpr uint32_t kCallbackMouseDown = 0x100;
constexpr uint32_t kCallbackMouseUp = 0x200;
constexpr uint32_t kCallbackMouseMove = 0x400;
constexpr uint32_t kCallbackMouseDoubleClick = 0x800;
constexpr uint32_t kCallbackMouseWheel = 0x1000;
constexpr uint32_t kCallbackMouse = 0x1F00;
constexpr uint32_t kCallbackKeyDown = 0x10000;
constexpr uint32_t kCallbackKeyUp = 0x20000;
constexpr uint32_t kCallbackKeyRepeat = 0x40000;
constexpr uint32_t kCallbackKeys = 0x70000;
constexpr uint32_t kCallbackMinimise = 0x100000;
constexpr uint32_t kCallbackRestore = 0x200000;
constexpr uint32_t kCallbackAll = 0x371F31;

// Copies the slots the mask selects from the table (null: clears them).
void SetAppCallbacks(const AppCallbacks* table, uint32_t mask);
// Copies the selected slots of the installed table into out (others zero).
void GetAppCallbacks(AppCallbacks* out, uint32_t mask);
const AppCallbacks& AppCallbackTable();

// ---------------------------------------------------------------- state

using StateChangeCallback = void (*)(int32_t oldState, int32_t newState);
// Activation levels.
constexpr int32_t kActive = 0;
constexpr int32_t kInactive = 1;  // update and draw go on
constexpr int32_t kMinimised = 2; // no update or draw
using FocusCallback = void (*)(int32_t oldLevel, int32_t newLevel);

void SetStateChangeCallback(StateChangeCallback callback);
void SetFocusCallback(FocusCallback callback);

int32_t GameState();
// Nothing when the state is already current. Otherwise held keys and buttons
// are released, the state becomes current and the state-change callback runs
// with the old and the new state.
void SetGameState(int32_t state);
// Counts the state changes; the main loop ends its pass when an update changed it.
uint32_t GameStateSerial();

// ---------------------------------------------------------------- screens of the states

// What a subsystem above the shell registers for a game state: its screen is
// opened when the state becomes current and closed when it ends, and its
// callbacks fill the screen slots (every slot but minimise and restore) while
// it is current. Any member may be null.
struct GameStateScreen {
    void (*open)() = nullptr;
    void (*close)() = nullptr;
    const AppCallbacks* callbacks = nullptr;
};
// The slots a state's screen fills.
constexpr uint32_t kScreenCallbackSlots = kCallbackAll & ~(kCallbackMinimise | kCallbackRestore);

// Registers (or replaces) the screen of a state; kStateQuit is refused.
// A state without a screen clears the screen slots.
void RegisterGameStateScreen(int32_t state, const GameStateScreen& screen);
// Runs when the game changes to the quit state, after the old state's
// screen is closed: the later a hook is registered, the earlier it runs, so
// a subsystem saves and frees its objects before those it is built on.
void RegisterQuitHook(void (*hook)());
// Forgets every registered screen and hook.
void ClearGameStateScreens();
// The shell's change of screens: closes the old state's screen, clears the
// screen slots, then installs the new state's callbacks and opens its
// screen; the quit state runs the quit hooks instead.
void SwitchGameStateScreen(int32_t oldState, int32_t newState);

// ---------------------------------------------------------------- services

// What the application pauses and resumes, and where input comes from. Any may be null.
struct AppServices {
    DXLViewer* viewer = nullptr;
    InputManager* input = nullptr;
    SoundManager* sound = nullptr;
};
void SetAppServices(const AppServices& services);
const AppServices& GetAppServices();

// Activation: rising from 0 pauses the game timer and the viewer's frame
// timer, deactivates input and mutes sound; falling back to 0 resumes them.
// Reaching 2 calls the minimise slot, leaving 2 the restore slot. The focus
// callback hears every change.
void SetActivation(int32_t level);
int32_t Activation();
// How often the activation has left 0 since the start: a screen that is not
// updated while the window is minimised still sees that it lost the focus.
uint32_t ActivationLosses();

// ---------------------------------------------------------------- time

// The level's simulation tick and the longest frame step it takes.
constexpr uint32_t GameTick = 10;
constexpr uint32_t kMaxFrameTime = 200;

// The game clock in ms: it advances by the frame times, not while paused.
uint32_t GameClock();
// The current frame's time step in ms (at most kMaxFrameTime).
uint32_t FrameTime();
// Once per frame: reads the system clock and advances the game clock.
void TickGameTimer();
void PauseGameTimer();
void ResumeGameTimer();
// Starts the timer afresh at game clock 0 (start-up and tests).
void ResetGameTimer(uint32_t (*now)() = nullptr);

// ---------------------------------------------------------------- input

// The mouse position in game-screen pixels.
void GetMousePosition(int32_t* x, int32_t* y);
// Installs the engine input callbacks that route events to the slots.
void InstallInputRouting(InputManager* input);

// The cheats flag of the game configuration (config.ini [Game] Cheats).
bool CheatsOn();
void SetCheats(bool on);
