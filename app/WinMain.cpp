#include "app/App.h"

#include "app/Config.h"
#include "app/FinishedScreen.h"
#include "app/GameDataLoader.h"
#include "app/GameScreen.h"
#include "app/GameSpriteHost.h"
#include "app/GameStates.h"
#include "app/LoadingScreen.h"
#include "app/Logos.h"
#include "app/PlayUrl.h"
#include "engine/Cursors.h"
#include "engine/InputManager.h"
#include "engine/Log.h"
#include "engine/SoundManager.h"
#include "engine/Texture.h"
#include "engine/Viewer.h"
#include "gui/Window.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Platform.h"
#include "platform/PngWriter.h"
#include "platform/SingleInstance.h"
#include "platform/Utf.h"
#include "sprites/GameEffect.h"
#include "text/FontSlots.h"
#include "text/GameLanguage.h"
#include "text/TextureCollections.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

DXLWindowViewer* AppViewer = nullptr;
platform::Window* AppMainWindow = nullptr;
GameLanguage* AppLanguage = nullptr;
InputManager* AppInput = nullptr;

namespace {

std::u16string g_programFolder;
std::u16string g_userFolder;
int g_exitCode = 0;
bool g_languageLoaded = false;
DXLTextures* g_fontTextures = nullptr;

struct Options {
    std::u16string language; // "-lang"
    bool headless = false;
    int frames = -1; // run until closed
    std::string screenshot;
    std::string inputScript;
};

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(arg, "-lang") == 0 && hasValue) {
            options.language = platform::Utf8ToUtf16(argv[++i]);
        } else if (std::strcmp(arg, "--headless") == 0) {
            options.headless = true;
        } else if (std::strcmp(arg, "--frames") == 0 && hasValue) {
            char* end = nullptr;
            long n = std::strtol(argv[++i], &end, 10);
            if (*end != 0 || n < 1 || n > 10000000) return false;
            options.frames = int(n);
        } else if (std::strcmp(arg, "--screenshot") == 0 && hasValue) {
            options.screenshot = argv[++i];
        } else if (std::strcmp(arg, "--input-script") == 0 && hasValue) {
            options.inputScript = argv[++i];
        } else {
            return false;
        }
    }
    return true;
}

std::string Narrow(const std::u16string& text) {
    return platform::Utf16ToUtf8(text);
}

// ---------------------------------------------------------------- states

void DeleteGlobalObjects() {
    CloseFinishedScreen();
    CloseLogos();
    CloseGameDataLoading();
    DeleteLoadingScreen();
    if (AppLanguage) {
        if (g_languageLoaded) AppLanguage->Release();
        g_languageLoaded = false;
        delete AppLanguage;
        AppLanguage = nullptr;
    }
    FreeLoadedGameData();
    ClosePacks();
    GetSoundManager().Shutdown();
}

// Tears down the old state's screen and installs the new state's callbacks.
void OnGameStateChange(int32_t oldState, int32_t newState) {
    if (oldState == kStateLogos)
        CloseLogos();
    else if (oldState == kStateDataLoading)
        CloseGameDataLoading();
    else if (oldState == kStateMainScreen)
        CloseFinishedScreen();

    constexpr uint32_t kScreenSlots = kCallbackAll & ~(kCallbackMinimise | kCallbackRestore);
    SetAppCallbacks(nullptr, kScreenSlots);
    switch (newState) {
    case kStateLogos:
        OpenLogos();
        SetAppCallbacks(&LogosCallbacks(), kScreenSlots);
        UseDefaultCursor();
        break;
    case kStateDataLoading:
        OpenGameDataLoading();
        SetAppCallbacks(&GameDataLoadingCallbacks(), kScreenSlots);
        break;
    case kStateMainScreen:
        LogLine(kLogIndent, "Loading finished; no main screen yet.");
        OpenFinishedScreen();
        SetAppCallbacks(&FinishedScreenCallbacks(), kScreenSlots);
        break;
    case kStateQuit:
        DeleteGlobalObjects();
        break;
    default:
        break;
    }
}

void OnFocusChange(int32_t oldLevel, int32_t newLevel) {
    static const char* const kLevels[] = {"active", "inactive", "minimised"};
    LogLabelPrintf(kLogIndent, "Activation", "%s -> %s", kLevels[oldLevel], kLevels[newLevel]);
}

// ---------------------------------------------------------------- start-up steps

void AppStartLog(const std::u16string& folder) {
    std::u16string path = (folder.empty() ? g_programFolder : folder) + u"\\log.txt";
    LogStart(path.c_str());
}

HResult AppCreateViewer(platform::Window* window, std::unique_ptr<DXLWindowViewer>* out) {
    auto viewer = std::make_unique<DXLWindowViewer>(window);
    HResult hr = viewer->CreateWindow(kProgramName, 107);
    if (Failed(hr)) return hr;
    viewer->SetCaption(kProgramName);
    viewer->SetDisplayModeFilter(AppDisplayModeFilter);
    hr = viewer->InitializeAdapter(0, kDeviceTypeHal);
    if (Failed(hr)) hr = viewer->InitializeAdapter(0, kDeviceTypeHal);
    if (Failed(hr)) return kResultAppDisplay;
    DXLDisplaySettings settings;
    viewer->ValidateSettings(&settings, nullptr, nullptr);
    *out = std::move(viewer);
    return kResultOk;
}

HResult CreateInput(platform::Backend& backend, std::unique_ptr<InputManager>* out) {
    auto input = std::make_unique<InputManager>(AppMainWindow, &backend.GetInput());
    if (Failed(input->CreateDirectInput()) || Failed(input->CreateDevices(kInputMouse | kInputKeyboard)))
        return kResultAppInput;
    input->GetMouse()->SetAlwaysRefresh(true);
    InstallInputRouting(input.get());
    if (Failed(input->SetUpDevices(kInputMouse | kInputKeyboard))) return kResultAppInput;
    *out = std::move(input);
    return kResultOk;
}

struct CursorFile {
    const char16_t* path;
    uint32_t id;
};
constexpr CursorFile kCursorFiles[] = {
    {u"Cursors\\arrow.cur", 0x100},   {u"Cursors\\hand.cur", 0x101}, {u"Cursors\\arrow_gray.cur", 0x102},
    {u"Cursors\\ibeam.cur", 0x103},   {u"Cursors\\pan.cur", 0x104},  {u"Cursors\\pan_on.cur", 0x105},
    {u"Cursors\\delete.cur", 0xF001},
};

// The platform's window sends no set-cursor message; the one the game acts
// on (the pointer over the client area) is sent here whenever the pointer may
// have come back over the window: once the cursor is shown, and when the
// window regains the focus or is restored. The window's pointer then stays
// the game's cursor until the next one.
void SendSetCursor() {
    CursorsHandleMessage(AppMainWindow, kMessageSetCursor, reinterpret_cast<uintptr_t>(AppMainWindow),
                         kHitClient);
}

void LoadCursors(platform::Backend& backend) {
    for (const CursorFile& file : kCursorFiles) {
        HCURSOR cursor = LoadCursorFromFile(&backend.GetCursors(), file.path);
        if (!cursor) {
            LogErrorPrintf(kLogIndent, "Cursor cannot be read: %s", Narrow(file.path).c_str());
            continue;
        }
        DXLCURSORDATA data;
        MakeCursorData(&data, file.id, cursor);
        AddCursorData(data.kind, data.id, data.hotX, data.hotY, data.image);
    }
    DXLCURSORDATA arrow;
    GetCursorData(&arrow, 0x100);
    SetDefaultCursorData(arrow.kind, arrow.id, arrow.hotX, arrow.hotY, arrow.image);
    SetCursorWindow(AppMainWindow);
    ShowCursorImage();
    SendSetCursor();
}

// The game's global objects that exist so far: the sound manager with its
// output, the texture collection the fonts read from, and the services the
// application pauses and routes input through.
void InitGame(platform::Backend& backend) {
    GetSoundManager().SetOutputDevice(&backend.GetAudioDevice());
    GetSoundManager().Init();
    g_fontTextures = new DXLTextures(AppViewer);
    SetTextureCollection(kFontTextureCollection, g_fontTextures);
    SetAppServices({AppViewer, AppInput, &GetSoundManager()});
    InstallGameSpriteHost();
    LogLabelChoice(kLogIndent, "Cheats", Cheats, "on", "off");
}

// ---------------------------------------------------------------- main loop

void DrawFrame(DXLViewer& viewer) {
    if (Failed(viewer.BeginScene())) return; // lost device: tested and reset at the next begin
    const AppCallbacks& callbacks = AppCallbackTable();
    if (callbacks.draw)
        callbacks.draw();
    else
        viewer.ClearTarget(0xFF000000);
    DrawGameEffect(viewer);
    HResult hr = viewer.EndFrame();
    if (Failed(hr) && hr != kResultDeviceLost) {
        LogError(kLogIndent, "The frame could not be shown.", hr);
        LogError(kLogIndent, "Application error.", kResultAppPresent);
    }
}

// Window events: closing quits, focus and minimising set the activation level.
bool HandleWindowEvents(platform::Window& window) {
    platform::WindowEvent event;
    bool quit = false;
    while (window.PollEvent(event)) {
        // The viewer holds the device lost while a full-screen window is minimised.
        if (AppViewer) AppViewer->OnWindowEvent(event);
        switch (event) {
        case platform::WindowEvent::Close:
            quit = true;
            break;
        case platform::WindowEvent::FocusLost:
            if (Activation() == kActive) SetActivation(kInactive);
            break;
        case platform::WindowEvent::FocusGained:
            if (!window.IsMinimised()) SetActivation(kActive);
            SendSetCursor();
            break;
        case platform::WindowEvent::Minimised:
            SetActivation(kMinimised);
            break;
        case platform::WindowEvent::Restored:
            SetActivation(window.HasFocus() ? kActive : kInactive);
            SendSetCursor();
            break;
        }
    }
    if (platform::TakeRaiseRequest()) {
        window.Restore();
        window.Show();
        window.Raise();
        LogLine(kLogIndent, "Another start of the program: the window is restored and raised.");
    }
    return !quit;
}

void RunMainLoop(platform::Backend& backend, DXLViewer& viewer, InputManager& input, const Options& options) {
    int frames = 0;
    while (GameState() != kStateQuit) {
        backend.PumpEvents();
        if (!HandleWindowEvents(backend.GetWindow())) break;
        input.PollDevices(kInputMouse | kInputKeyboard);
        TickGameTimer();
        if (Activation() != kActive) platform::SleepMilliseconds(50);
        if (Activation() != kMinimised) {
            GetSoundManager().Update();
            const uint32_t serial = GameStateSerial();
            if (const auto update = AppCallbackTable().update) update(FrameTime());
            UpdateGameEffect();
            if (GameStateSerial() != serial) continue; // the new state draws from its next pass
            if (const auto cursor = AppCallbackTable().cursor)
                SelectCursor(cursor());
            else
                UseDefaultCursor();
            DrawFrame(viewer);
        }
        if (options.frames > 0 && ++frames >= options.frames) break;
    }
}

bool WriteScreenshot(DXLViewer& viewer, const std::string& file) {
    platform::FrameView last = viewer.HasDevice() ? viewer.GetDevice()->BackBuffer() : platform::FrameView{};
    std::string error;
    if (last.pixels &&
        platform::WritePng(file, last.pixels, last.width, last.height, last.pitchInPixels, &error))
        return true;
    std::fprintf(stderr, "verbolunde: the screenshot could not be written: %s\n", error.c_str());
    return false;
}

} // namespace

// ---------------------------------------------------------------- application

const std::u16string& AppProgramFolder() {
    return g_programFolder;
}

const std::u16string& AppUserFolder() {
    return g_userFolder;
}

int AppExitCode() {
    return g_exitCode;
}

void AppFatalDataError(const char16_t* text) {
    LogErrorPrintf(kLogIndent, "%s", Narrow(text).c_str());
    platform::ShowMessageBox(AppMainWindow, text, kProgramName, platform::MessageBoxIcon::Error);
    g_exitCode = 1;
    SetGameState(kStateQuit);
}

bool AppLoadLanguage() {
    if (!AppLanguage) return false;
    if (g_languageLoaded) AppLanguage->Release();
    g_languageLoaded = AppLanguage->Load();
    if (!g_languageLoaded) {
        LogErrorPrintf(kLogIndent, "The language file cannot be loaded.");
        return false;
    }
    if (AppViewer) AppViewer->SetCaption(AppLanguage->GetWindowTitle());
    LoadingScreen* screen = CreateLoadingScreen();
    screen->SetImage(AppLanguage->GetImage(u"loading_logo"));
    screen->SetCaption(AppLanguage->GetText(u"loading", u"caption", true), GetFont(2));
    return true;
}

int WinMain(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: verbolunde [-lang FILE] [--headless] [--frames N] [--screenshot FILE.png] "
                     "[--input-script FILE]\n");
        return 2;
    }

    // Folders: config.ini beside the program, Data as the current folder, the per-user folder.
    g_programFolder = platform::ModuleFolder();
    ConfigIni ini;
    const std::u16string dataFolder = g_programFolder + u"\\Data";
    if (!platform::SetCurrentFolder(platform::GamePath(dataFolder))) {
        std::fprintf(stderr, "verbolunde: the Data folder beside the program is missing.\n");
        return 1;
    }
    g_userFolder = platform::UserFolder(kMakerFolder, kProductFolder);
    if (!platform::CreateFolder(platform::GamePath(g_userFolder))) {
        g_userFolder = dataFolder + u"\\Profiles";
        platform::CreateFolder(platform::GamePath(g_userFolder));
    }
    SetConfigFolders(g_userFolder, g_programFolder);

    // One copy at a time. The check comes before the log is started, so that
    // a second copy leaves the running copy's log as it is.
    platform::SingleInstance instance;
    const std::string lockPath =
        platform::NativePath(platform::GamePath(g_userFolder + u"\\" + kProgramName + u".lock"));
    if (instance.Acquire(lockPath) == platform::SingleInstance::Outcome::Another) {
        std::fprintf(stderr, "verbolunde: already running (process %d); its window is brought forward.\n",
                     instance.OtherProcessId());
        return int(uint32_t(kResultAppAlreadyRunning) & 0xFF);
    }

    AppStartLog(g_userFolder);
    LogLabelValueW(kLogIndent, u"Program folder", g_programFolder.c_str());
    LogLabelValueW(kLogIndent, u"User folder", g_userFolder.c_str());
    ResetGameTimer();

    platform::BackendResult created = platform::CreateBackend(
        options.headless ? platform::BackendKind::Headless : platform::BackendKind::Sdl, options.inputScript);
    if (!created.backend) {
        std::fprintf(stderr, "verbolunde: %s\n", created.error.c_str());
        LogErrorPrintf(kLogIndent, "%s", created.error.c_str());
        LogFinish();
        return 2;
    }
    platform::Backend& backend = *created.backend;
    AppMainWindow = &backend.GetWindow();

    // Window and device, then the screen settings: config.dat, config.ini over it.
    std::unique_ptr<DXLWindowViewer> viewer;
    if (HResult hr = AppCreateViewer(AppMainWindow, &viewer); Failed(hr)) {
        LogError(kLogIndent, "The game window could not be created.", hr);
        platform::ShowMessageBox(nullptr, u"The game window could not be created.", kProgramName,
                                 platform::MessageBoxIcon::Error);
        LogFinish();
        return 1;
    }
    AppViewer = viewer.get();
    GameScreen& screen = GetGameScreen();
    screen.Init(AppViewer);
    ScreenParams params;
    LoadConfig(&params, screen, GetSoundManager());
    ReadConfigIni(ConfigIniPath(), &params, &ini);
    Cheats = ini.cheats;
    if (!screen.SetParams(params) && !AppViewer->HasDevice()) {
        LogError(kLogIndent, "The display could not be set up.", kResultAppDisplay);
        platform::ShowMessageBox(AppMainWindow, u"The display could not be set up.", kProgramName,
                                 platform::MessageBoxIcon::Error);
        LogFinish();
        return 1;
    }

    // Input, fonts, timer and system cursors; the focus and state-change callbacks.
    std::unique_ptr<InputManager> input;
    if (HResult hr = CreateInput(backend, &input); Failed(hr)) {
        LogError(kLogIndent, "Input could not be set up.", hr);
        platform::ShowMessageBox(AppMainWindow, u"Input could not be set up.", kProgramName,
                                 platform::MessageBoxIcon::Error);
        viewer.reset();
        LogFinish();
        return 1;
    }
    AppInput = input.get();
    SetCursorServices(&backend.GetCursors(), &backend.GetInput());
    ResetGameTimer();
    SetFocusCallback(OnFocusChange);
    SetStateChangeCallback(OnGameStateChange);

    InitGame(backend);

    LoadCursors(backend);
    const char16_t* packError = nullptr;
    if (!OpenPacks(&packError)) {
        AppFatalDataError(packError);
    } else {
        const std::u16string language = ChooseLanguageFile(options.language, ini);
        LogLabelValueW(kLogIndent, u"Language file", language.c_str());
        AppLanguage = new GameLanguage(language.c_str(), AppViewer);
        AppLoadLanguage();
        SaveConfig(screen, GetSoundManager());
        WindowManager windows(AppViewer, AppLanguage); // the game's windows, gone before the viewer
        SetWindowManager(&windows);
        SetGameState(kStateLogos);
        RunMainLoop(backend, *AppViewer, *AppInput, options);
        windows.DeleteAllWindows(); // while the fonts they draw with are there
        SetGameState(kStateQuit);
        SetWindowManager(nullptr);
    }

    if (g_exitCode == 0 && !options.screenshot.empty() && !WriteScreenshot(*AppViewer, options.screenshot))
        g_exitCode = 1;

    // Shut-down: the quit state deletes the game's objects; then input,
    // textures and the viewer go, and the log is closed.
    SetGameState(kStateQuit);
    RemoveGameSpriteHost();
    SetAppServices({});
    HideCursorImage();
    SetCursorWindow(nullptr);
    GetCursorSet().RemoveAll();
    SetCursorServices(nullptr, nullptr);
    input->Shutdown();
    input.reset();
    AppInput = nullptr;
    SetTextureCollection(kFontTextureCollection, nullptr);
    delete g_fontTextures;
    g_fontTextures = nullptr;
    viewer.reset();
    AppViewer = nullptr;
    AppMainWindow = nullptr;
    LogFinish();
    instance.Release();

    if (g_exitCode == 0) OpenPlayUrl(g_programFolder);
    return g_exitCode;
}
