#pragma once
// The state of the shell the App owns, one part for each file of the shell
// that keeps some: the game-state machine with its callback tables, focus and
// timer; the shell's screen hooks, text batch and tutorial; the settings'
// folders; the loading screen, the level loading and the logos; the display
// mode applied last; the sprite textures and the sprite host. Only app/'s own
// files include this header; everyone else reaches the state through the free
// functions of the shell's headers, which work on the running App's state and
// do nothing (or give the empty value) while no App is made.

#include "app/App.h"
#include "app/GameDataLoader.h"
#include "app/GameScreen.h"
#include "app/GameShell.h"
#include "app/GameStates.h"
#include "app/LevelLoading.h"
#include "app/LoadingScreen.h"
#include "app/Logos.h"
#include "engine/LoaderState.h"
#include "engine/TextureLoader.h"
#include "platform/Clock.h"
#include "sprites/SpriteHost.h"

#include <array>
#include <map>
#include <memory>
#include <string>
#include <typeindex>
#include <vector>

class DXLTexture;
class DXLTextures;
struct DXLTextureState;

// The game clock: frame times from the platform clock, capped, stopped while paused.
struct GameTimer {
    uint32_t (*now)() = platform::Milliseconds;
    uint32_t last = 0;
    uint32_t clock = 0;
    uint32_t frame = 0;
    uint32_t pauses = 0;
};

// The game states, their screens and the callbacks of the current one (GameStates.cpp).
struct GameStateMachine {
    AppCallbacks callbacks = {};
    StateChangeCallback stateChange = nullptr;
    FocusCallback focus = nullptr;
    int32_t state = kStateNone;
    uint32_t serial = 0;
    AppServices services;
    int32_t activation = kActive;
    uint32_t activationLosses = 0;
    GameTimer timer;
    // What the subsystems above the shell register.
    std::map<int32_t, GameStateScreen> screens;
    std::vector<void (*)()> quitHooks;
    bool cheats = false;
};

// The shell's screen hooks, text batch and running tutorial (GameShell.cpp).
struct ShellParts {
    std::array<void (*)(), size_t(ScreenPart::Count)> screenHooks = {};
    ScreenScaleState screenScale;
    std::vector<void (*)()> initHooks;
    bool initialised = false;
    bool closeWanted = false;
    DXLTexture* text = nullptr;                  // the current text of the batch, not owned
    const DXLTextureState* textParams = nullptr; // not owned
    TutorialHooks* tutorial = nullptr;           // owned by the tutorial engine
};

// The level-loading state while it runs (LevelLoading.cpp).
struct LevelLoading {
    std::vector<LevelLoadStage> stages; // as registered when the state began
    LoadingProgress progress;
    size_t step = 0;
    LoaderState state = {};
};

// The logos state's images (Logos.cpp).
struct LogoShow {
    std::vector<LogoEntry> entries;
    std::vector<std::unique_ptr<DXLTexture>> textures;
    int current = -1;
    uint32_t shown = 0; // ms the current logo has been on
};

// A texture of the sprite pack with the loader that brings it back after a
// device reset (SpriteTextures.cpp).
struct SpriteTexture {
    DXLTextures* collection;
    DXLTexture* texture; // owned by the collection
    std::unique_ptr<DXLTextureLoaderDataFile> loader;
};

// A part of the layers above the shell (AppPart) and its type.
struct AppPartEntry {
    std::type_index type;
    OwnedAppPart part;
};

struct AppState {
    AppState() = default;
    AppState(const AppState&) = delete;
    AppState& operator=(const AppState&) = delete;
    ~AppState() { ReleaseParts(); }
    // Destroys the layers' parts, the one made last first.
    void ReleaseParts() {
        // Each leaves the list before it goes, so that what its destructor
        // asks for no longer finds it.
        while (!parts.empty()) {
            OwnedAppPart part = std::move(parts.back().part);
            parts.pop_back();
        }
    }

    // The game data while no run is under way (AppGameData; tests): the
    // first member, so that it goes after everything that may refer to it.
    std::unique_ptr<GameData> gameDataOutsideRun;
    GameStateMachine states;
    ShellParts shell;
    // Where config.dat and config.ini are (Config.cpp).
    std::u16string configUserFolder;
    std::u16string configProgramFolder;
    // The windows' custom text tags, registered before the App runs.
    TextTagCallback textTagCallback = nullptr;
    // How a profile store's failed write is put to the player (Profiles.cpp).
    void (*presentSaveError)(const char16_t* caption, const char16_t* text) = nullptr;
    // The game-data stages the subsystems above the shell register (GameDataLoader.cpp).
    std::vector<GameDataStage> gameDataStages;
    std::unique_ptr<LoadingScreen> loadingScreen;
    std::vector<LevelLoadStage> levelLoadStages;
    void (*levelLoadFailure)() = nullptr;
    std::unique_ptr<LevelLoading> levelLoading;
    std::unique_ptr<LogoShow> logos;
    GameScreen gameScreen; // the screen settings the App applies
    AppDisplayState appliedDisplay;
    std::unique_ptr<SpriteHost> spriteHost; // installed while the App's services run
    std::vector<SpriteTexture> spriteTextures;
    std::vector<AppPartEntry> parts;
};

// The running App's state; null while no App is made.
AppState* RunningAppState();
