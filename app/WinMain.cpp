// Sections:
//   options
//   signals
//   start-up steps
//   main loop
//   the App's parts
//   application (the App object)
//   access (the accessors of App.h, WinMain)

#include "app/App.h"

#include "app/AppState.h"
#include "app/Config.h"
#include "app/GameDataLoader.h"
#include "app/GameScreen.h"
#include "app/GameShell.h"
#include "app/GameSpriteHost.h"
#include "app/GameStates.h"
#include "app/LoadingScreen.h"
#include "app/PlayUrl.h"
#include "app/Profiles.h"
#include "app/RecordsFile.h"
#include "app/SaveNotices.h"
#include "app/UserFiles.h"
#include "engine/Cursors.h"
#include "engine/ImageReaders.h"
#include "engine/InputManager.h"
#include "engine/Log.h"
#include "engine/SoundManager.h"
#include "engine/Texture.h"
#include "engine/Viewer.h"
#include "foundation/NumberText.h"
#include "gui/Window.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Platform.h"
#include "platform/PngWriter.h"
#include "platform/Random.h"
#include "platform/SingleInstance.h"
#include "platform/Utf.h"
#include "platform/headless/HeadlessBackend.h"
#include "platform/headless/NullAudioDevice.h"
#include "sprites/GameEffect.h"
#include "text/FontSlots.h"
#include "text/GameLanguage.h"
#include "text/TextureCollections.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <signal.h>
#include <string>
#include <vector>

void RegisterTextTagCallback(TextTagCallback callback) {
    if (AppState* state = RunningAppState()) state->textTagCallback = callback;
}

namespace {

// The exit status of a run whose last save, as the program ends, failed.
constexpr int kExitUnsavedAtQuit = 3;

// The memory kept back for the way out of a run whose memory ran out: the
// message, the shut-down and the saves of the quit.
constexpr size_t kMemoryReserveBytes = 4 << 20;
// The memory kept back for the end itself, given back when the quit's saves
// found no room even with the reserve: telling the player and the shut-down
// run in a destructor, where an allocation that fails would abort.
constexpr size_t kEndReserveBytes = 256 << 10;
// What the player is told wherever memory runs out.
constexpr char16_t kOutOfMemoryText[] =
    u"There is not enough memory for the game to go on, so it ends here; a level being played is saved "
    u"as at every quit. Close other programs or allow the game more memory, and start it again.";

// Written to standard error without allocating: there is no memory to be
// had. The texts told this way are ASCII.
void TellWithoutMemory(const char16_t* text) {
    std::fputs("verbolunde: out of memory: ", stderr);
    for (const char16_t* c = text; *c; ++c)
        std::fputc(char(*c), stderr);
    std::fputc('\n', stderr);
}

// The longest run --until-ms and --screenshot-at accept: the clock's
// differences stay unambiguous up to here.
constexpr uint64_t kMaxRunMs = 0x7FFFFFFF;

// A frame to write when the run reaches the given time.
struct TimedScreenshot {
    uint32_t ms = 0; // since the main loop began
    std::string file;
};

struct Options {
    std::u16string language; // "-lang"
    bool headless = false;
    bool realtime = false; // headless runs keep the wall clock
    uint32_t seed = 1;     // the generator's own starting state
    int frames = -1;       // run until closed
    int64_t untilMs = -1;  // run until closed
    std::string screenshot;
    std::vector<TimedScreenshot> screenshotsAt;
    std::string inputScript;
    std::string recordSound;         // headless: the run's sound as a WAV file
    int drawEvery = 1;               // headless: frames between drawn ones (screenshots are always drawn)
    platform::DisplayMode desktop{}; // headless: the desktop's size (0: the fixed one)
    bool help = false;               // "--help": the usage, and nothing run
};

// A whole decimal number from 0 to `max`.
bool ParseNumber(const char* text, uint64_t max, uint64_t& value) {
    if (*text < '0' || *text > '9') return false;
    value = 0;
    for (; *text; ++text) {
        if (*text < '0' || *text > '9') return false;
        value = value * 10 + uint64_t(*text - '0');
        if (value > max) return false;
    }
    return true;
}

// "WxH", each a whole number from 1 to 16384.
bool ParseSize(const char* text, uint32_t& width, uint32_t& height) {
    const char* x = std::strchr(text, 'x');
    if (!x) return false;
    const std::string w(text, x);
    uint64_t a = 0, b = 0;
    if (!ParseNumber(w.c_str(), 16384, a) || !ParseNumber(x + 1, 16384, b) || a < 1 || b < 1) return false;
    width = uint32_t(a), height = uint32_t(b);
    return true;
}

// Reads the command line into options; false with the reason in why when an
// argument is unknown or a value breaks its option's rule. "--help" ends the
// reading: nothing after it is checked.
bool ParseOptions(int argc, char** argv, Options& options, std::string& why) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        // Every option's value names something: an empty one is a usage error.
        auto value = [&]() -> const char* {
            if (i + 1 >= argc || !*argv[i + 1]) return nullptr;
            return argv[++i];
        };
        auto needs = [&](const char* what) { return why = arg + " needs " + what, false; };
        auto broken = [&](const char* text, const std::string& rule) {
            return why = arg + ": \"" + text + "\" is not " + rule, false;
        };
        auto number = [&](uint64_t min, uint64_t max, uint64_t& n) {
            const char* text = value();
            if (!text) return needs("a value");
            if (!ParseNumber(text, max, n) || n < min)
                return broken(text,
                              "a whole number from " + std::to_string(min) + " to " + std::to_string(max));
            return true;
        };
        uint64_t n = 0;
        if (arg == "--help") {
            options.help = true;
            return true;
        } else if (arg == "-lang") {
            const char* text = value();
            if (!text) return needs("a file");
            options.language = platform::NativeToUtf16(text);
        } else if (arg == "--headless") {
            options.headless = true;
        } else if (arg == "--realtime") {
            options.realtime = true;
        } else if (arg == "--seed") {
            if (!number(0, UINT32_MAX, n)) return false;
            options.seed = uint32_t(n);
        } else if (arg == "--frames") {
            if (!number(1, 10000000, n)) return false;
            options.frames = int(n);
        } else if (arg == "--until-ms") {
            if (!number(0, kMaxRunMs, n)) return false;
            options.untilMs = int64_t(n);
        } else if (arg == "--screenshot-at") {
            if (i + 2 >= argc) return needs("a time and a file");
            if (!number(0, kMaxRunMs, n)) return false;
            const char* file = value();
            if (!file) return needs("a file after its time");
            options.screenshotsAt.push_back({uint32_t(n), file});
        } else if (arg == "--draw-every") {
            if (!number(1, 1000, n)) return false;
            options.drawEvery = int(n);
        } else if (arg == "--desktop") {
            const char* text = value();
            if (!text) return needs("a size");
            if (!ParseSize(text, options.desktop.width, options.desktop.height))
                return broken(text, "WIDTHxHEIGHT with each side from 1 to 16384");
        } else if (std::string* file = arg == "--screenshot"     ? &options.screenshot
                                       : arg == "--input-script" ? &options.inputScript
                                       : arg == "--record-sound" ? &options.recordSound
                                                                 : nullptr) {
            const char* text = value();
            if (!text) return needs("a file");
            *file = text;
        } else {
            return why = "unknown argument \"" + arg + "\"", false;
        }
    }
    // Only the headless window's desktop can be chosen.
    if (options.desktop.width != 0 && !options.headless) return why = "--desktop needs --headless", false;
    return true;
}

// The paths of the command line name files from the folder the program was
// started in; the program later makes its Data folder current.
void ResolveOptionPaths(Options& options, const std::u16string& startFolder) {
    const std::string nativeStart = platform::GamePath(startFolder).Utf8();
    auto native = [&](std::string& path) {
        if (!path.empty() && path[0] != '/') path = nativeStart + "/" + path;
    };
    native(options.screenshot);
    native(options.inputScript);
    native(options.recordSound);
    for (TimedScreenshot& shot : options.screenshotsAt)
        native(shot.file);
    std::u16string& language = options.language; // a game path
    for (char16_t& c : language)
        if (c == u'/') c = u'\\';
    if (!language.empty() && language[0] != u'\\') language = startFolder + u"\\" + language;
}

std::string Narrow(const std::u16string& text) {
    return platform::Utf16ToUtf8(text);
}

// ---------------------------------------------------------------- signals

// SIGTERM, SIGINT and SIGHUP close the main window: the main loop sees the
// signal's number here and ends as for a close, so the shut-down runs in order.
volatile std::sig_atomic_t g_closeSignal = 0;

extern "C" void OnCloseSignal(int signal) {
    g_closeSignal = signal;
}

void InstallCloseSignals() {
    struct sigaction action = {};
    action.sa_handler = OnCloseSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
}

// Past a file-size limit (ulimit -f) the system would end the program with
// SIGXFSZ in the middle of a write. Ignored, the write fails with EFBIG
// instead, which every writer meets as it meets a full disk: the log stops
// growing, a save leaves the old files as they were and says it was not saved.
void IgnoreFileSizeSignal() {
    struct sigaction action = {};
    action.sa_handler = SIG_IGN;
    sigemptyset(&action.sa_mask);
    sigaction(SIGXFSZ, &action, nullptr);
}

void OnFocusChange(int32_t oldLevel, int32_t newLevel) {
    static const char* const kLevels[] = {"active", "inactive", "minimised"};
    LogLabelPrintf(kLogIndent, "Activation", "%s -> %s", kLevels[oldLevel], kLevels[newLevel]);
}

// ---------------------------------------------------------------- start-up steps

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
    auto input = std::make_unique<InputManager>(&backend.GetWindow(), &backend.GetInput());
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

// The cursor the window shows, logged each time it changes to another with
// its file's name ("hand (0x101) shown"): the headless runs' screenshots
// carry no pointer, so their logs tell which cursor a control gave.
void LogShownCursor(uint32_t* lastShown) {
    const DXLCURSORDATA& current = GetCursorSet().GetCurrent();
    if (current.id == *lastShown || !current.image) return;
    *lastShown = current.id;
    std::string name = "cursor";
    for (const CursorFile& file : kCursorFiles)
        if (file.id == current.id) {
            const std::u16string_view path(file.path);
            const std::u16string_view stem = path.substr(path.rfind(u'\\') + 1);
            name = platform::Utf16ToUtf8(std::u16string(stem.substr(0, stem.rfind(u'.'))));
        }
    LogLabelPrintf(kLogIndent, "Cursor", "%s (0x%X) shown", name.c_str(), current.id);
}

// The platform's window sends no set-cursor message; the one the game acts
// on (the pointer over the client area) is sent here whenever the pointer may
// have come back over the window: once the cursor is shown, and when the
// window regains the focus or is restored. The window's pointer then stays
// the game's cursor until the next one.
void SendSetCursor(platform::Window* window) {
    CursorsHandleMessage(window, kMessageSetCursor, reinterpret_cast<uintptr_t>(window), kHitClient);
}

void LoadCursors(platform::Backend& backend) {
    platform::Window* window = &backend.GetWindow();
    for (const CursorFile& file : kCursorFiles) {
        HCURSOR cursor = LoadCursorFromFile(&backend.GetCursors(), file.path);
        if (!cursor) {
            LogErrorPrintf(kLogIndent, "Cursor cannot be read: %s", AppShownPath(file.path).c_str());
            continue;
        }
        DXLCURSORDATA data;
        MakeCursorData(&data, file.id, cursor);
        AddCursorData(data.kind, data.id, data.hotX, data.hotY, data.image);
    }
    DXLCURSORDATA arrow;
    GetCursorData(&arrow, 0x100);
    SetDefaultCursorData(arrow.kind, arrow.id, arrow.hotX, arrow.hotY, arrow.image);
    SetCursorWindow(window);
    ShowCursorImage();
    SendSetCursor(window);
}

// A folder the per-user files can go to: it exists or can be made, a file
// can be written in it, and its files' paths stay within the limit. The
// folder's path and the names in it are used as given from here on.
bool UsableFolder(const std::u16string& folder, std::string* why) {
    if (folder.size() + 1 + kUserFileNameRoom > kMaxFilePath) {
        *why =
            "its path is longer than " + std::to_string(kMaxFilePath - 1 - kUserFileNameRoom) + " characters";
        return false;
    }
    platform::SetExactFolder(platform::GamePath(folder));
    if (!platform::CreateFolder(platform::GamePath(folder))) {
        *why = "it cannot be created";
        return false;
    }
    *why = WriteFailureIn(folder);
    return why->empty();
}

// ---------------------------------------------------------------- main loop

// True when the frame was shown.
bool DrawFrame(DXLViewer& viewer) {
    if (Failed(viewer.BeginScene())) return false; // lost device: tested and reset at the next begin
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
    return Succeeded(hr);
}

// Window events: closing (or a close signal) quits, focus and minimising set
// the activation level.
bool HandleWindowEvents(platform::Window& window, DXLWindowViewer* viewer) {
    platform::WindowEvent event;
    bool quit = false;
    while (window.PollEvent(event)) {
        // The viewer holds the device lost while a full-screen window is minimised.
        if (viewer) viewer->OnWindowEvent(event);
        switch (event) {
        case platform::WindowEvent::Close:
            quit = true;
            break;
        case platform::WindowEvent::FocusLost:
            if (Activation() == kActive) SetActivation(kInactive);
            break;
        case platform::WindowEvent::FocusGained:
            if (!window.IsMinimised()) SetActivation(kActive);
            SendSetCursor(&window);
            break;
        case platform::WindowEvent::Minimised:
            SetActivation(kMinimised);
            break;
        case platform::WindowEvent::Restored:
            SetActivation(window.HasFocus() ? kActive : kInactive);
            SendSetCursor(&window);
            break;
        }
    }
    if (TakeMainWindowClose()) quit = true;
    if (const int signal = g_closeSignal; signal != 0) {
        g_closeSignal = 0;
        LogLabelPrintf(kLogIndent, "Signal", "%d: the main window is closed.", signal);
        quit = true;
    }
    if (platform::TakeRaiseRequest()) {
        window.Restore();
        window.Show();
        window.Raise();
        LogLine(kLogIndent, "Another start of the program: the window is restored and raised.");
    }
    return !quit;
}

bool WriteScreenshot(DXLViewer& viewer, const std::string& file);

// In virtual time a pass that waited for nothing (no frame was shown, so
// neither the frame limiter nor the display pacing slept) still takes the
// limiter's step, so that the clock and the scripted events go on.
constexpr uint32_t kIdlePassMs = 5;

// Runs until the game quits or its window closes, or until --frames passes
// or --until-ms. The --screenshot-at frames are written as their times come:
// each is the first frame shown at or after its time. False when one could
// not be written or the run ended before its time.
bool RunMainLoop(platform::Backend& backend, DXLWindowViewer& viewer, InputManager& input,
                 SoundManager& sound, SaveNotices& notices, const Options& options,
                 const std::atomic<bool>& memoryShort) {
    std::vector<bool> taken(options.screenshotsAt.size(), false);
    bool written = true;
    const uint32_t start = platform::Milliseconds();
    uint32_t elapsed = 0;
    int frames = 0;
    uint32_t passes = 0;
    uint32_t shownCursor = 0;
    while (GameState() != kStateQuit && !memoryShort) {
        const uint32_t passStart = platform::Milliseconds();
        elapsed = passStart - start;
        backend.PumpEvents();
        if (!HandleWindowEvents(backend.GetWindow(), &viewer)) break;
        input.PollDevices(kInputMouse | kInputKeyboard);
        TickGameTimer();
        if (Activation() != kActive) platform::SleepMilliseconds(50);
        if (Activation() != kMinimised) {
            sound.Update();
            const uint32_t serial = GameStateSerial();
            if (const auto update = AppCallbackTable().update) update(FrameTime());
            UpdateGameEffect();
            if (GameStateSerial() != serial) continue; // the new state draws from its next pass
            notices.Update(GetWindowManager(), GameState());
            if (const auto cursor = AppCallbackTable().cursor)
                SelectCursor(cursor());
            else
                UseDefaultCursor();
            LogShownCursor(&shownCursor);
            // A headless run may rasterise only every n-th frame, and always
            // the frames a timed screenshot takes. The others run the same
            // drawing code without touching pixels, so that the effects the
            // screens move on while drawing, and with them the game, are the
            // same for every n.
            bool draw = !options.headless || options.drawEvery <= 1 || passes % options.drawEvery == 0;
            ++passes;
            for (size_t i = 0; i < taken.size() && !draw; ++i)
                draw = !taken[i] && options.screenshotsAt[i].ms <= elapsed;
            if (options.headless) viewer.SetRasterizing(draw);
            if (DrawFrame(viewer) && draw) {
                for (size_t i = 0; i < taken.size(); ++i) {
                    if (taken[i] || options.screenshotsAt[i].ms > elapsed) continue;
                    taken[i] = true;
                    written = WriteScreenshot(viewer, options.screenshotsAt[i].file) && written;
                }
            }
        }
        if (platform::IsClockVirtual() && platform::Milliseconds() == passStart)
            platform::SleepMilliseconds(kIdlePassMs);
        if (options.frames > 0 && ++frames >= options.frames) break;
        if (options.untilMs >= 0 && elapsed >= options.untilMs) break;
    }
    for (size_t i = 0; i < taken.size() && !memoryShort; ++i) {
        if (taken[i]) continue;
        std::fprintf(stderr, "verbolunde: the run ended at %u ms, before the screenshot at %u ms (%s).\n",
                     elapsed, options.screenshotsAt[i].ms, options.screenshotsAt[i].file.c_str());
        written = false;
    }
    return written;
}

bool WriteScreenshot(DXLViewer& viewer, const std::string& file) {
    platform::FrameView last = viewer.HasDevice() ? viewer.GetDevice()->BackBuffer() : platform::FrameView{};
    std::string error;
    if (last.pixels &&
        platform::WritePng(file, last.pixels, last.width, last.height, last.pitchInPixels, &error))
        return true;
    if (!last.pixels) error = "no frame was drawn";
    std::fprintf(stderr, "verbolunde: the screenshot %s could not be written: %s.\n", file.c_str(),
                 error.c_str());
    return false;
}

// ---------------------------------------------------------------- the App's parts

// The log from its start to "LOG FINISHED." when the App goes.
struct LogSession {
    LogSession() = default;
    LogSession(const LogSession&) = delete;
    LogSession& operator=(const LogSession&) = delete;
    ~LogSession() { LogFinish(); }
    bool Start(const std::u16string& folder) {
        const std::u16string path = folder + u"\\log.txt";
        return LogStart(path.c_str());
    }
};

// The font textures are texture collection 1 while they live.
struct FontTexturesDeleter {
    void operator()(DXLTextures* textures) const {
        SetTextureCollection(kFontTextureCollection, nullptr);
        delete textures;
    }
};

// The cursors shown in the main window, from their loading to the end.
struct CursorSession {
    bool loaded = false;
    CursorSession() = default;
    CursorSession(const CursorSession&) = delete;
    CursorSession& operator=(const CursorSession&) = delete;
    ~CursorSession() {
        if (!loaded) return;
        HideCursorImage();
        SetCursorWindow(nullptr);
        GetCursorSet().RemoveAll();
        SetCursorServices(nullptr, nullptr);
    }
};

// The game data: the packs and what was loaded from them, freed and closed
// when the App goes.
struct GameDataSession {
    GameData data;
    GameDataSession() = default;
    GameDataSession(const GameDataSession&) = delete;
    GameDataSession& operator=(const GameDataSession&) = delete;
    ~GameDataSession() { data.Release(); }
};

// The language and the loading screen made from it.
struct LanguageHolder {
    std::unique_ptr<GameLanguage> language;
    bool loaded = false;
    LanguageHolder() = default;
    LanguageHolder(const LanguageHolder&) = delete;
    LanguageHolder& operator=(const LanguageHolder&) = delete;
    ~LanguageHolder() {
        DeleteLoadingScreen();
        if (language && loaded) language->Release();
    }
};

} // namespace

// ---------------------------------------------------------------- application

// The shell's services for one run. The members are made in the order they
// are declared (start-up) and go in reverse (shut-down); the running App's
// session is reached through the accessors of App.h.
class AppSession {
  public:
    // `unsavedAtQuit` is set when the last save, as the session goes, fails.
    AppSession(const Options& options, bool* unsavedAtQuit)
        : options_(options), unsavedAtQuit_(unsavedAtQuit) {}
    AppSession(const AppSession&) = delete;
    AppSession& operator=(const AppSession&) = delete;
    ~AppSession();

    // Start-up, main loop and the screenshot; the exit code.
    int Run();
    // Logs the failure, tells the player (standard error and a message box)
    // and ends the run with exit code 1. After memory ran out, that is what
    // the player is told.
    void Fail(const char16_t* text, HResult hr = kResultOk);
    // The program's new-handler: an allocation that fails gives back the
    // reserve and is tried again; without one left it throws std::bad_alloc.
    // Either way the run ends at its next step as out of memory.
    static void OnAllocationFailed();
    bool LoadLanguage();

    const std::u16string& ProgramFolder() const { return programFolder_; }
    const std::u16string& UserFolder() const { return userFolder_; }
    DXLWindowViewer* Viewer() const { return viewer_.get(); }
    platform::Window* MainWindow() const { return backend_ ? &backend_->GetWindow() : nullptr; }
    InputManager* Input() const { return input_.get(); }
    DXLTextures* FontTextures() const { return fontTextures_.get(); }
    GameLanguage* Language() const { return language_.language.get(); }
    SoundManager& Sound() { return sound_; }
    GameData& Data() { return gameData_.data; }
    ProfileManager* Profiles() const { return profiles_.get(); }
    RecordsFile* Records() const { return records_.get(); }
    SaveNotices* Notices() const { return notices_.get(); }
    int ExitCode() const { return exitCode_; }

  private:
    // Start-up up to the main loop, its steps in order; false when the run
    // ends there.
    bool Start();
    bool FindFolders();
    bool TakeInstance();
    bool OpenBackend();
    bool OpenScreen();
    bool StartServices();
    bool OpenGameData();
    bool OpenLanguage();
    void RunGame();
    // settingsStuck: config.dat was not saved either, stopped by that entry when one is named, or
    // for settingsCause when the system said why.
    void TellUnsavedAtQuit(const std::u16string* settingsStuck, const std::string& settingsCause);
    void TellOutOfMemory();

    Options options_;
    bool* unsavedAtQuit_;
    std::u16string startFolder_;
    std::u16string programFolder_;
    std::u16string userFolder_;
    std::u16string perUserFolder_;  // the per-user folder, whether it is used or not
    std::string userFolderProblem_; // why no per-user folder can be used (with the folders' paths)
    std::string perUserProblem_;    // why the per-user folder itself cannot be used
    std::string lockProblem_;       // why the lock could not be taken: told once the window is there
    bool configUnread_ = false;     // config.dat stayed unread at the start: the start does not write it
    platform::SingleInstance instance_;
    LogSession log_;
    std::unique_ptr<platform::Backend> backend_;
    std::unique_ptr<DXLWindowViewer> viewer_;
    ConfigIni ini_;
    std::unique_ptr<DXLTextures, FontTexturesDeleter> fontTextures_;
    std::unique_ptr<InputManager> input_;
    CursorSession cursors_;
    SoundManager sound_;
    GameDataSession gameData_;
    LanguageHolder language_;
    std::unique_ptr<SaveNotices> notices_;   // outlives the windows, which hold its dialogs
    std::unique_ptr<WindowManager> windows_; // the game's windows, gone before the viewer
    std::unique_ptr<ProfileManager> profiles_;
    std::unique_ptr<RecordsFile> records_;
    int exitCode_ = 0;
    std::mutex memoryReserveLock_; // the new-handler may run on any thread
    std::unique_ptr<char[]> memoryReserve_;
    std::unique_ptr<char[]> endReserve_;   // see kEndReserveBytes
    std::atomic<bool> memoryShort_{false}; // an allocation failed
    bool toldOutOfMemory_ = false;
};

namespace {

App* g_app = nullptr; // the App made last that is still there (main's)

AppSession* RunningSession() {
    return g_app ? g_app->Session() : nullptr;
}

} // namespace

AppSession::~AppSession() {
    // A key or button still held lets go first, while the windows and the
    // screen its press reached are all there (the quit state's own release
    // would reach the screen after its windows are gone).
    try {
        if (input_) input_->ReleaseAllKeys(kInputMouse | kInputKeyboard);
        // The quit state closes the screen and runs the subsystems' quit hooks
        // (saving the running level and the profiles); then the members go.
        if (windows_) windows_->DeleteAllWindows(); // while the fonts they draw with are there
        SetGameState(kStateQuit);
        if (profiles_) {
            profiles_->SaveCurrent();
            // What an earlier failed save left unwritten gets a last try too.
            std::u16string stuck;
            std::string cause;
            const bool settings =
                !notices_ || notices_->SettingsSaved() || SaveConfig(GetGameScreen(), sound_, &stuck, &cause);
            if ((profiles_->HasUnsavedFiles() && !profiles_->RetryWrites()) || !settings)
                TellUnsavedAtQuit(settings ? nullptr : &stuck, cause);
        }
    } catch (const std::bad_alloc&) {
        // The saves of the quit had the reserve and still found no room.
        endReserve_.reset();
        *unsavedAtQuit_ = true;
        constexpr char16_t kText[] =
            u"Out of memory while the game ended: the progress may not all be saved.";
        try {
            LogErrorPrintf(kLogIndent, "%s", Narrow(kText).c_str());
            platform::ShowMessageBox(MainWindow(), kText, kProgramName, platform::MessageBoxIcon::Error);
        } catch (const std::bad_alloc&) {
            TellWithoutMemory(kText);
        }
    }
    endReserve_.reset(); // room for the shut-down below
    EndGame();
    SetWindowManager(nullptr);
    RemoveGameSpriteHost();
    SetAppServices({});
    SetStateChangeCallback(nullptr);
    SetFocusCallback(nullptr);
    std::set_new_handler(nullptr);
}

void AppSession::OnAllocationFailed() {
    AppSession* session = RunningSession();
    if (!session) throw std::bad_alloc();
    session->memoryShort_ = true;
    std::unique_ptr<char[]> reserve;
    {
        const std::lock_guard<std::mutex> lock(session->memoryReserveLock_);
        reserve = std::move(session->memoryReserve_);
    }
    if (!reserve) throw std::bad_alloc();
}

// One message wherever memory ran out: the log, standard error and a message
// box. The quit that follows saves a running level as every quit does.
void AppSession::TellOutOfMemory() {
    exitCode_ = 1;
    if (toldOutOfMemory_) return;
    toldOutOfMemory_ = true;
    LogErrorPrintf(kLogIndent, "Out of memory: %s", Narrow(kOutOfMemoryText).c_str());
    platform::ShowMessageBox(MainWindow(), kOutOfMemoryText, kProgramName, platform::MessageBoxIcon::Error);
}

// The last save failed and no screen is left to offer another try: the
// player learns what was not saved and where, so that nothing goes unnoticed.
void AppSession::TellUnsavedAtQuit(const std::u16string* settingsStuck, const std::string& settingsCause) {
    *unsavedAtQuit_ = true;
    std::string unsaved = settingsStuck ? "config.dat" : "";
    for (const std::u16string& name : profiles_->UnsavedFileNames())
        unsaved += (unsaved.empty() ? "" : ", ") + platform::Utf16ToUtf8(name);
    // Other files may have been written before the failure: only these are
    // old. When none was, none is said to be saved.
    const std::u16string& unreadable = profiles_->UnreadableFile();
    const std::u16string& blocking =
        !profiles_->BlockingEntry().empty() || !settingsStuck ? profiles_->BlockingEntry() : *settingsStuck;
    // Else what the failed write met where the system said (too many files open, the file size limit),
    // else what stops a new file in the folder now; where nothing is found, the cause is not guessed.
    const std::string& failure =
        !profiles_->FailureCause().empty() || !settingsStuck ? profiles_->FailureCause() : settingsCause;
    const std::string cause =
        !unreadable.empty() ? "the game may not read " + AppShownPath(unreadable) +
                                  ", and the folder does not let it be set aside"
        : !blocking.empty()
            ? AppShownPath(blocking) + " stands in the way, and the folder does not let it be set aside"
        : !failure.empty() ? failure
                           : WriteFailureIn(profiles_->Folder());
    const std::string text =
        "The progress of this game could not be saved in " + AppShownPath(profiles_->Folder()) + " (" +
        (cause.empty() ? "the game cannot tell why" : cause) +
        "). These files there are as they were before: " + unsaved +
        (profiles_->WrittenFiles() > 0 ? ". The others were saved." : ". Nothing else was saved.");
    LogErrorPrintf(kLogIndent, "%s", text.c_str());
    platform::ShowMessageBox(MainWindow(), platform::Utf8ToUtf16(text), kProgramName,
                             platform::MessageBoxIcon::Warning);
}

void AppSession::Fail(const char16_t* text, HResult hr) {
    // A step whose memory ran out fails as if its file were bad: the cause is
    // told instead, and the text that blames the file is not written.
    if (memoryShort_) {
        TellOutOfMemory();
    } else {
        const std::string narrow = Narrow(text);
        if (hr != kResultOk)
            LogError(kLogIndent, narrow.c_str(), hr);
        else
            LogErrorPrintf(kLogIndent, "%s", narrow.c_str());
        platform::ShowMessageBox(MainWindow(), text, kProgramName, platform::MessageBoxIcon::Error);
    }
    exitCode_ = 1;
    SetGameState(kStateQuit);
}

// config.ini beside the program, the Data folder made current, the per-user
// folder (or Profiles beside the data).
bool AppSession::FindFolders() {
    startFolder_ = platform::CurrentFolder();
    ResolveOptionPaths(options_, startFolder_);
    programFolder_ = platform::ModuleFolder();
    const std::u16string dataFolder = programFolder_ + u"\\Data";
    if (!platform::SetCurrentFolder(platform::GamePath(dataFolder))) {
        std::fprintf(stderr, "verbolunde: the Data folder beside the program is missing: %s\n",
                     AppShownPath(dataFolder).c_str());
        exitCode_ = 1;
        return false;
    }
    perUserFolder_ = platform::UserFolder(kMakerFolder, kProductFolder);
    userFolder_ = ChooseUserFolder(perUserFolder_, dataFolder, &userFolderProblem_, &perUserProblem_);
    SetConfigFolders(userFolder_, programFolder_);
    return true;
}

bool AppSession::Start() {
    return FindFolders() && TakeInstance() && OpenBackend() && OpenScreen() && StartServices() &&
           OpenGameData();
}

// One copy at a time. The check comes before the log is started, so that a
// second copy leaves the running copy's log as it is. A folder, pipe or link
// at the lock's name or the log's holds no lock and takes no line: it is set
// aside first (no copy of the game locks through one), and the log says so.
bool AppSession::TakeInstance() {
    if (!userFolder_.empty()) {
        const std::u16string lock = userFolder_ + u"\\" + kProgramName + u".lock";
        const std::u16string logFile = userFolder_ + u"\\log.txt";
        std::u16string lockKept = SetAsideNonFile(lock);
        const std::string lockPath = platform::NativePath(platform::GamePath(lock));
        errno = 0;
        platform::SingleInstance::Outcome outcome = instance_.Acquire(lockPath);
        const int lockError = outcome == platform::SingleInstance::Outcome::Failed ? errno : 0;
        // A lock file of the player's own that cannot be opened (its mode) holds no lock either, and
        // one another name reaches too (a hard link) or not the player's own is never written: each
        // goes aside and the lock is made anew. A passing cause (too many files open) moves nothing.
        const bool lockUnopenable = outcome == platform::SingleInstance::Outcome::Failed &&
                                    lockKept.empty() && IsPlayersOwnFile(lock) &&
                                    !platform::PassingFileError(lockError);
        const bool lockShared = outcome == platform::SingleInstance::Outcome::NotOwnFile;
        if (lockUnopenable || lockShared) {
            lockKept = KeepAside(lock, u".bad");
            outcome =
                lockKept.empty() ? platform::SingleInstance::Outcome::Failed : instance_.Acquire(lockPath);
            if (outcome == platform::SingleInstance::Outcome::NotOwnFile)
                outcome = platform::SingleInstance::Outcome::Failed;
        }
        if (outcome == platform::SingleInstance::Outcome::Another) {
            if (instance_.OtherProcessId() > 0)
                std::fprintf(stderr,
                             "verbolunde: already running (process %d); its window is brought forward.\n",
                             instance_.OtherProcessId());
            else
                std::fprintf(stderr,
                             "verbolunde: the lock file %s is held by a process that is not a running copy "
                             "of the game, or cannot be told to show its window; this copy does not start.\n",
                             lockPath.c_str());
            exitCode_ = int(uint32_t(kResultAppAlreadyRunning) & 0xFF);
            return false;
        }
        if (outcome == platform::SingleInstance::Outcome::Failed) {
            // Without the lock nothing keeps a second copy off the first one's files. A player who
            // started the game from a desktop sees no standard error: the reason goes into a box
            // once the window is there (OpenScreen), and the game goes no further.
            // An entry the folder keeps in place is named, and so is a passing cause.
            const UserEntry entry = InspectUserEntry(lock);
            const std::string why = platform::FileErrorText(lockError, platform::kFileRead);
            lockProblem_ =
                entry == UserEntry::Other || (lockShared && entry == UserEntry::File)
                    ? "The lock file's name " + lockPath +
                          " is taken by an entry that is not the game's lock file, and the folder does not "
                          "let it be set aside; this copy does not start."
                : platform::PassingFileError(lockError)
                    ? "The lock file " + lockPath + " cannot be opened now (" + why +
                          "); this copy does not start."
                    : "The lock file " + lockPath +
                          " cannot be opened or locked, so another copy of the game may be running; this "
                          "copy does not start.";
            return true;
        }
        std::u16string logKept = SetAsideNonFile(logFile);
        bool logUnwritable = false;
        errno = 0;
        if (logKept.empty() && InspectUserEntry(logFile) == UserEntry::File &&
            !platform::File::Open(platform::GamePath(logFile), platform::kFileWrite,
                                  platform::FileCreation::OpenExisting)
                 .IsOpen() &&
            !platform::PassingFileError(errno)) {
            logKept = KeepAside(logFile, u".bad");
            logUnwritable = !logKept.empty();
        }
        if (!log_.Start(userFolder_))
            std::fprintf(stderr,
                         "verbolunde: the log file %s cannot be written; the game runs without a log.\n",
                         AppShownPath(logFile).c_str());
        LogLabelPrintf(kLogIndent, "Program folder", "%s", AppShownPath(programFolder_).c_str());
        LogLabelPrintf(kLogIndent, "User folder", "%s", AppShownPath(userFolder_).c_str());
        if (!userFolderProblem_.empty())
            LogLabelPrintf(kLogIndent, "Per-user folder not used", "%s", userFolderProblem_.c_str());
        if (lockUnopenable)
            LogErrorPrintf(kLogIndent, "%s cannot be opened; it is set aside as %s.",
                           AppShownPath(lock).c_str(), AppShownPath(lockKept).c_str());
        else if (!lockKept.empty()) // a non-file, or a file another name reaches too or not the player's
            LogSetAside(lock, lockKept);
        if (logUnwritable)
            LogErrorPrintf(kLogIndent, "%s cannot be written; it is set aside as %s and a new log begun.",
                           AppShownPath(logFile).c_str(), AppShownPath(logKept).c_str());
        else if (!logKept.empty())
            LogSetAside(logFile, logKept);
    }
    ResetGameTimer();
    return true;
}

// The backend the options ask for (headless or SDL, its input script and
// clock), with the headless desktop's size when one is given.
bool AppSession::OpenBackend() {
    platform::BackendResult created = platform::CreateBackend(
        options_.headless ? platform::BackendKind::Headless : platform::BackendKind::Sdl,
        options_.inputScript,
        options_.realtime ? platform::HeadlessTime::Real : platform::HeadlessTime::Virtual);
    if (!created.backend) {
        std::fprintf(stderr, "verbolunde: %s\n", created.error.c_str());
        LogErrorPrintf(kLogIndent, "%s", created.error.c_str());
        exitCode_ = 2;
        return false;
    }
    backend_ = std::move(created.backend);
    if (auto* window = dynamic_cast<platform::HeadlessWindow*>(&backend_->GetWindow());
        window && options_.desktop.width > 0) {
        platform::DisplayMode desktop = platform::FixedDesktopMode();
        desktop.width = options_.desktop.width, desktop.height = options_.desktop.height;
        window->SetDesktopMode(desktop);
    }
    return true;
}

// Window and device, then the screen settings: config.dat, config.ini over
// it; the profiles and the records between the two.
bool AppSession::OpenScreen() {
    if (HResult hr = AppCreateViewer(MainWindow(), &viewer_); Failed(hr)) {
        Fail(u"The game window could not be created.", hr);
        return false;
    }
    if (!lockProblem_.empty()) {
        Fail(platform::Utf8ToUtf16(lockProblem_).c_str());
        return false;
    }
    if (userFolder_.empty()) {
        const std::string text =
            "Neither the per-user folder nor the folder \"Profiles\" beside the data can be "
            "written (" +
            userFolderProblem_ + ").";
        Fail(platform::Utf8ToUtf16(text).c_str());
        return false;
    }
    GameScreen& screen = GetGameScreen();
    screen.Init(viewer_.get());
    ScreenParams params;
    // Settings that cannot be read or written while a folder or link stands at their names.
    for (const std::u16string& path : {ConfigDatPath(), ConfigDatPath() + u".bak"})
        if (const std::u16string kept = SetAsideNonFile(path); !kept.empty()) LogSetAside(path, kept);
    configUnread_ = !LoadConfig(&params, screen, sound_);
    profiles_ = std::make_unique<ProfileManager>(userFolder_);
    profiles_->Load();
    // The player the last run left current is made current by this start:
    // one use more, as choosing the player in the game counts one. It goes
    // to the disk with the player's next save (at the latest when the game
    // ends), so a start on a full disk asks nothing before the player does.
    if (Profile* current = profiles_->Current()) ++current->MutableRecord().useCount;
    records_ = std::make_unique<RecordsFile>(profiles_.get());
    notices_ = std::make_unique<SaveNotices>(*profiles_, perUserFolder_, perUserProblem_);
    ReadConfigIni(ConfigIniPath(), &params, &ini_);
    SetCheats(ini_.cheats);
    if (!screen.SetParams(params) && !viewer_->HasDevice()) {
        Fail(u"The display could not be set up.", kResultAppDisplay);
        return false;
    }
    return true;
}

// Input, fonts, timer and system cursors; the focus and state-change
// callbacks; the sound manager with its output, and the services the
// application pauses and routes input through.
bool AppSession::StartServices() {
    fontTextures_.reset(new DXLTextures(viewer_.get()));
    SetTextureCollection(kFontTextureCollection, fontTextures_.get());
    if (HResult hr = CreateInput(*backend_, &input_); Failed(hr)) {
        Fail(u"Input could not be set up.", hr);
        return false;
    }
    SetCursorServices(&backend_->GetCursors(), &backend_->GetInput());
    cursors_.loaded = true;
    ResetGameTimer();
    SetFocusCallback(OnFocusChange);
    SetStateChangeCallback(SwitchGameStateScreen);

    sound_.SetOutputDevice(&backend_->GetAudioDevice());
    sound_.Init();
    SetAppServices({viewer_.get(), input_.get(), &sound_});
    InstallGameSpriteHost();
    LogLabelChoice(kLogIndent, "Cheats", CheatsOn(), "on", "off");
    return true;
}

// The cursors, the packs and the language; then the settings are saved, the
// game's windows made and the game set up.
bool AppSession::OpenGameData() {
    LoadCursors(*backend_);
    std::u16string packError;
    if (!OpenPacks(&packError)) {
        Fail(packError.c_str());
        return false;
    }
    if (!OpenLanguage()) return false;
    // Settings that stayed unread are not written over with the defaults.
    std::u16string stuck;
    std::string cause;
    if (!configUnread_ && !SaveConfig(GetGameScreen(), sound_, &stuck, &cause))
        notices_->TellSettingsUnsaved(std::move(stuck), std::move(cause));
    windows_ = std::make_unique<WindowManager>(viewer_.get(), language_.language.get());
    windows_->SetTextTagCallback(RunningAppState()->textTagCallback);
    SetWindowManager(windows_.get());
    InitGame();
    return true;
}

// The language file: "-lang", else config.ini, else language.dat. One that
// is not a regular file (a folder, a device, a pipe) fails its open as a
// missing one does, so that reading it can never wait for ever.
bool AppSession::OpenLanguage() {
    const std::u16string file = ChooseLanguageFile(options_.language, ini_);
    LogLabelValueW(kLogIndent, u"Language file", file.c_str());
    language_.language = std::make_unique<GameLanguage>(file.c_str(), viewer_.get());
    if (LoadLanguage()) return true;
    // The message names the file as the player can find it, and the system's
    // reason when it would not open the file (too many files open).
    const std::string why = platform::OpenForReadFailure(file);
    Fail((u"The language file cannot be loaded: " + platform::Utf8ToUtf16(AppShownPath(file)) +
          (why.empty() ? u"" : u" (" + platform::Utf8ToUtf16(why) + u")"))
             .c_str());
    return false;
}

bool AppSession::LoadLanguage() {
    GameLanguage* language = language_.language.get();
    if (!language) return false;
    if (language_.loaded) language->Release();
    language_.loaded = language->Load();
    if (!language_.loaded) return false;
    // A file whose texts or pictures fail their checks would show the
    // missing-text marker and blank pictures: it is refused like one that
    // cannot be read, and the log says what was damaged.
    if (!language->GetDamage().empty()) {
        // What memory could not hold is no damage: the run ends as out of memory.
        for (const std::string& what : language->GetDamage())
            if (!memoryShort_)
                LogErrorPrintf(kLogIndent, "The language file %s is damaged: %s.",
                               AppShownPath(language->GetPath()).c_str(), what.c_str());
        language->Release();
        language_.loaded = false;
        return false;
    }
    if (viewer_) viewer_->SetCaption(language->GetWindowTitle());
    // Players' names are made of the language's profile characters.
    if (profiles_) {
        const char16_t* characters = language->GetProfileChars();
        profiles_->SetAllowedCharacters(ProfileCharacterMap(
            characters ? std::u16string_view(characters, language->GetProfileCharsLength())
                       : std::u16string_view(kDefaultProfileCharacters)));
    }
    LoadingScreen* screen = CreateLoadingScreen();
    screen->SetImage(language->GetImage(u"loading_logo"));
    screen->SetCaption(language->GetText(u"loading", u"caption", true), GetFont(2));
    return true;
}

int AppSession::Run() {
    memoryReserve_.reset(new (std::nothrow) char[kMemoryReserveBytes]);
    endReserve_.reset(new (std::nothrow) char[kEndReserveBytes]);
    std::set_new_handler(OnAllocationFailed);
    try {
        RunGame();
    } catch (const std::bad_alloc&) {
        memoryShort_ = true;
    }
    if (memoryShort_) {
        TellOutOfMemory();
        return exitCode_;
    }
    if (exitCode_ == 0 && viewer_ && !options_.screenshot.empty() &&
        !WriteScreenshot(*viewer_, options_.screenshot))
        exitCode_ = 1;
    return exitCode_;
}

// Start-up, the main loop and the recorded sound.
void AppSession::RunGame() {
    if (Start()) {
        SetGameState(kStateLogos);
        // The recording starts with the main loop, so that its times are the loop's.
        auto* recorder = options_.recordSound.empty()
                             ? nullptr
                             : dynamic_cast<platform::NullAudioDevice*>(&backend_->GetAudioDevice());
        if (recorder) {
            recorder->FollowClock();
            recorder->SetCapture(true);
        }
        if (!RunMainLoop(*backend_, *viewer_, *input_, sound_, *notices_, options_, memoryShort_) &&
            exitCode_ == 0)
            exitCode_ = 1;
        std::string error = "only a headless run records its sound";
        if (!options_.recordSound.empty() &&
            (!recorder || !recorder->WriteCapturedWav(options_.recordSound, &error))) {
            std::fprintf(stderr, "verbolunde: the sound could not be recorded: %s\n", error.c_str());
            if (exitCode_ == 0) exitCode_ = 1;
        }
    }
}

// ---------------------------------------------------------------- access

DXLWindowViewer* AppViewer() {
    return RunningSession() ? RunningSession()->Viewer() : nullptr;
}

platform::Window* AppMainWindow() {
    return RunningSession() ? RunningSession()->MainWindow() : nullptr;
}

GameLanguage* AppLanguage() {
    return RunningSession() ? RunningSession()->Language() : nullptr;
}

InputManager* AppInput() {
    return RunningSession() ? RunningSession()->Input() : nullptr;
}

DXLTextures* AppFontTextures() {
    return RunningSession() ? RunningSession()->FontTextures() : nullptr;
}

SoundManager& GetSoundManager() {
    if (!RunningSession()) {
        std::fprintf(stderr, "verbolunde: the sound manager was asked for while no App runs.\n");
        std::abort();
    }
    return RunningSession()->Sound();
}

GameData* AppGameData() {
    if (AppSession* session = RunningSession()) return &session->Data();
    AppState* state = RunningAppState();
    if (!state) return nullptr;
    if (!state->gameDataOutsideRun) state->gameDataOutsideRun = std::make_unique<GameData>();
    return state->gameDataOutsideRun.get();
}

const std::u16string& AppProgramFolder() {
    static const std::u16string none;
    return RunningSession() ? RunningSession()->ProgramFolder() : none;
}

const std::u16string& AppUserFolder() {
    static const std::u16string none;
    return RunningSession() ? RunningSession()->UserFolder() : none;
}

std::string AppShownPath(std::u16string_view path) {
    std::u16string full(path);
    const bool relative =
        full.empty() || (full[0] != u'\\' && full[0] != u'/' && full.find(u':') == std::u16string::npos);
    if (relative) full = platform::CurrentFolder() + u"\\" + full;
    return platform::NativePath(platform::GamePath(full));
}

ProfileManager* AppProfiles() {
    return RunningSession() ? RunningSession()->Profiles() : nullptr;
}

RecordsFile* AppRecords() {
    return RunningSession() ? RunningSession()->Records() : nullptr;
}

SaveNotices* AppSaveNotices() {
    return RunningSession() ? RunningSession()->Notices() : nullptr;
}

int AppExitCode() {
    return RunningSession() ? RunningSession()->ExitCode() : 0;
}

void AppFatalDataError(const char16_t* text) {
    if (AppSession* session = RunningSession())
        session->Fail(text);
    else
        LogErrorPrintf(kLogIndent, "%s", Narrow(text).c_str());
}

bool AppLoadLanguage() {
    AppSession* session = RunningSession();
    if (!session) return false;
    if (session->LoadLanguage()) return true;
    LogErrorPrintf(kLogIndent, "The language file cannot be loaded.");
    return false;
}

std::u16string ChooseUserFolder(const std::u16string& userFolder, const std::u16string& dataFolder,
                                std::string* why, std::string* userFolderProblem) {
    std::string userProblem, profilesProblem;
    if (UsableFolder(userFolder, &userProblem)) return userFolder;
    if (userFolderProblem) *userFolderProblem = userProblem;
    // The data folder was found ignoring case; its Profiles folder is named
    // as it stands, so that its own names are used as given too.
    const std::u16string profiles =
        platform::ToGamePath(platform::NativePath(platform::GamePath(dataFolder + u"\\" + kProfilesFolder)));
    if (UsableFolder(profiles, &profilesProblem)) {
        if (why) *why = AppShownPath(userFolder) + ": " + userProblem;
        return profiles;
    }
    if (why)
        *why = AppShownPath(userFolder) + ": " + userProblem + "; " + AppShownPath(profiles) + ": " +
               profilesProblem;
    return {};
}

App::App() : state_(std::make_unique<AppState>()), previous_(g_app) {
    g_app = this;
}

App::~App() {
    // The layers' parts go while this App still runs: what they undo on the
    // way out (a screen's callbacks, a pointer to themselves) is this App's.
    state_->ReleaseParts();
    g_app = previous_;
}

App* App::Running() {
    return g_app;
}

AppState* RunningAppState() {
    return g_app ? &g_app->State() : nullptr;
}

void* FindAppPart(std::type_index type) {
    AppState* state = RunningAppState();
    if (!state) return nullptr;
    for (const AppPartEntry& entry : state->parts)
        if (entry.type == type) return entry.part.get();
    return nullptr;
}

void* AddAppPart(std::type_index type, OwnedAppPart part) {
    AppState* state = RunningAppState();
    if (!state) return nullptr;
    void* added = part.get();
    state->parts.push_back({type, std::move(part)});
    return added;
}

void App::AddUsageOptions(const std::string& options) {
    usageOptions_ += " " + options;
}

std::string App::Usage() const {
    return "usage: verbolunde [--help] [-lang FILE] [--headless] [--realtime] [--seed N] [--frames N] "
           "[--until-ms T] [--screenshot FILE.png] [--screenshot-at T FILE.png]... [--input-script FILE] "
           "[--draw-every N] [--record-sound FILE.wav] [--desktop WxH]" +
           usageOptions_ + "\n";
}

int App::Run(int argc, char** argv) {
    try {
        return RunSession(argc, argv);
    } catch (const std::bad_alloc&) {
        // Before the session's new-handler and log, or while its members were made.
        return TellOutOfMemoryOutsideRun();
    }
}

bool MemoryToStart() {
    // malloc, not new: a failed new throws, and throwing is what may not work.
    void* room = std::malloc(kMemoryReserveBytes + kEndReserveBytes);
    const bool enough = room != nullptr;
    std::free(room);
    return enough;
}

int TellOutOfMemoryOutsideRun() {
    TellWithoutMemory(kOutOfMemoryText);
    return 1;
}

int App::RunSession(int argc, char** argv) {
    IgnoreFileSizeSignal();      // before anything is written, the usage text included
    RegisterBitmapFileFormats(); // the table of image-file kinds, before any picture is read
    Options options;
    std::string why;
    const bool parsed = ParseOptions(argc, argv, options, why);
    const std::string usage = Usage();
    if (parsed && options.help) {
        std::fputs(usage.c_str(), stdout);
        return 0;
    }
    if (!parsed) {
        std::fprintf(stderr, "verbolunde: %s\n%s", why.c_str(), usage.c_str());
        return 2;
    }
    platform::SeedRand(options.seed);
    InstallCloseSignals();
    std::u16string programFolder;
    int exitCode = 0;
    bool unsavedAtQuit = false;
    {
        struct Forget {
            App& app;
            ~Forget() { app.session_ = nullptr; }
        } forget{*this}; // after the session has gone
        AppSession session(options, &unsavedAtQuit);
        session_ = &session;
        exitCode = session.Run();
        programFolder = session.ProgramFolder();
        // The session goes here: the quit state, then its members in reverse; the log closes last.
    }
    if (exitCode == 0) OpenPlayUrl(programFolder);
    // A launcher must not read success when the player's progress was lost.
    if (unsavedAtQuit && exitCode == 0) exitCode = kExitUnsavedAtQuit;
    return exitCode;
}

int WinMain(int argc, char** argv) {
    if (App* app = App::Running()) return app->Run(argc, argv);
    App app;
    return app.Run(argc, argv);
}
