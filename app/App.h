#pragma once
// The application shell: the one object that holds its services, and the
// start-up, main loop and shut-down of the program.
//
// Start-up, in order: the command line, the Data folder made current, the
// per-user folder, the single-instance check, the log, the window and device,
// config.dat with config.ini over it, input and the font textures, the
// system cursors, the sound manager, the packs, the language; then the logos
// state and the main loop. Shut-down is the quit state (the subsystems'
// quit hooks save and free their objects) followed by the App's members
// going in reverse order of their making; the log closes last with
// "LOG FINISHED.". Every failure takes that same road with exit code 1.
//
// The subsystems above the shell plug in through the tables of the shell
// after the App is made and before it runs: RegisterGameStateScreen and
// RegisterQuitHook (GameStates.h), RegisterGameDataStage (GameDataLoader.h),
// RegisterTextTagCallback (below).

#include "text/TextLayout.h"

#include <cstdint>
#include <memory>
#include <string>
#include <typeindex>
#include <typeinfo>

class DXLTextures;
class DXLWindowViewer;
class GameData;
class GameLanguage;
class InputManager;
class ProfileManager;
class RecordsFile;
class SoundManager;
namespace platform {
class Backend;
class Window;
} // namespace platform

// The short program name: the window class and the single-instance name.
constexpr const char16_t* kProgramName = u"Verbolunde";
// The per-user folder's maker and product folders.
constexpr const char16_t* kMakerFolder = u"Quenmoor";
constexpr const char16_t* kProductFolder = u"Verbolunde";
// The folder beside the data that takes the per-user files when the per-user
// folder cannot be used.
constexpr const char16_t* kProfilesFolder = u"Profiles";
// The longest path of a file (the Windows limit the settings and the log keep).
constexpr size_t kMaxFilePath = 259;
// Room kept in a usable per-user folder for the names of its files.
constexpr size_t kUserFileNameRoom = 32;

struct AppState;
class AppSession;

// The program's one App: made first by main, it owns the shell's state (the
// game-state machine and its tables, the shell's screen hooks, the loading
// screens, app/AppState.h), so the subsystems above register into it before
// it runs; Run makes the services (window, device, sound, packs, language,
// profiles) in start-up order, runs the main loop and lets them go in reverse.
// One App at a time: the free functions of the shell reach the one made last
// that is still there.
class App {
  public:
    App();
    ~App();
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    // Start-up, main loop and shut-down (see WinMain); the process's exit code.
    // Memory that runs out before the window is there ends it with 1, told.
    int Run(int argc, char** argv);
    // Options the program reads from the command line itself before Run
    // ("[--bot REGIME LEVELS]"), shown after the shell's own in the usage.
    void AddUsageOptions(const std::string& options);
    // The usage line, ended by a new line: what "--help" prints, and a bad
    // command line after its reason.
    std::string Usage() const;

    AppState& State() { return *state_; }
    // The services of the run under way; null outside Run.
    AppSession* Session() const { return session_; }

    // The App made last that is still there, or null.
    static App* Running();

  private:
    int RunSession(int argc, char** argv);

    std::unique_ptr<AppState> state_;
    AppSession* session_ = nullptr; // Run's own, while it runs
    App* previous_ = nullptr;       // the App that was running when this one was made
    std::string usageOptions_;      // the program's own options, each after a space
};

// Memory ran out where no App's run can tell it (before its log and window,
// or in the program's own set-up around it): says so on standard error and
// gives the exit status that ends the program, 1.
int TellOutOfMemoryOutsideRun();
// Whether there is memory to start at all, asked before the program's first
// allocation: with less, even the failure of an allocation cannot be thrown
// (the library's room for exceptions could not be had either) and would abort.
bool MemoryToStart();

// The state the layers above the shell keep for the run (the screen that is
// open, the object a plain callback works on): each is a struct of the layer's
// own, made in the running App the first time it is asked for and destroyed
// with the App, the one made last first. Null while no App is made.
template <class Part> Part* AppPart();

// The parts' store behind AppPart: the running App's part of the type, or
// null; a part given to the running App to own, which AddAppPart returns.
using OwnedAppPart = std::unique_ptr<void, void (*)(void*)>;
void* FindAppPart(std::type_index type);
void* AddAppPart(std::type_index type, OwnedAppPart part);

template <class Part> Part* AppPart() {
    if (void* found = FindAppPart(typeid(Part))) return static_cast<Part*>(found);
    if (!App::Running()) return nullptr;
    OwnedAppPart made(new Part(), [](void* part) { delete static_cast<Part*>(part); });
    return static_cast<Part*>(AddAppPart(typeid(Part), std::move(made)));
}

// The part of the type when the running App has made it, else null (for
// undoing: a part is not made just to be cleared).
template <class Part> Part* ExistingAppPart() {
    return static_cast<Part*>(FindAppPart(typeid(Part)));
}

// A table the program owns and makes the running App's for as long as it
// lives (the level table, the farm tables): the App keeps only the pointer,
// as one of its parts. Null while none is installed or no App runs.
template <class Table> struct InstalledTable {
    Table* table = nullptr; // not owned: the program's
};
template <class Table> Table* AppInstalled() {
    const InstalledTable<Table>* installed = ExistingAppPart<InstalledTable<Table>>();
    return installed ? installed->table : nullptr;
}
// Installs the table (null uninstalls it; no part is made just to be cleared).
template <class Table> void InstallInApp(Table* table) {
    if (InstalledTable<Table>* installed =
            table ? AppPart<InstalledTable<Table>>() : ExistingAppPart<InstalledTable<Table>>())
        installed->table = table;
}

// The custom text tags of the windows' texts (hints and window texts): the
// window manager gets the callback when the App makes it.
void RegisterTextTagCallback(TextTagCallback callback);

// The services of the running App; null (empty) while no App runs. They
// live in the App object, these only reach them.
DXLWindowViewer* AppViewer();
platform::Window* AppMainWindow();
GameLanguage* AppLanguage();
InputManager* AppInput();
DXLTextures* AppFontTextures();
// The profile store (read at start-up, written at shut-down) and the records file.
ProfileManager* AppProfiles();
RecordsFile* AppRecords();
// What the player is told about their files; null while no App runs.
class SaveNotices;
SaveNotices* AppSaveNotices();
// The sound manager lives in the App; asking for it while no App runs is a
// programming error (the program stops with a message).
SoundManager& GetSoundManager();
// The game data (packs, sprite libraries, digit fonts, loading) of the run
// under way; outside a run (tests) the running App's own, made when first
// asked for; null while no App is made.
GameData* AppGameData();

// The folders found at start-up (game form).
const std::u16string& AppProgramFolder();
const std::u16string& AppUserFolder();
// A path of the game (game form; a relative one from the current Data
// folder) as the player finds it on the disk: native and absolute. Messages
// that name a file name it so.
std::string AppShownPath(std::u16string_view path);

// Makes the language current: releases a loaded one, loads it, sets the
// window title, makes the loading screen (image "loading_logo", caption
// "caption" of group "loading" in font 2). False when it cannot be loaded.
bool AppLoadLanguage();

// A fatal data error: logged, shown in a message box, and the game quits
// with exit code 1 after shutting down in order.
void AppFatalDataError(const char16_t* text);
int AppExitCode();

// The folder the per-user files go to: the per-user folder when it can be
// created and written and its files' paths fit the limit, else "Profiles"
// beside the data; empty when neither can be used. The reason each one was
// passed over goes to why (may be null), the per-user folder's own reason
// alone to userProblem (may be null).
std::u16string ChooseUserFolder(const std::u16string& userFolder, const std::u16string& dataFolder,
                                std::string* why, std::string* userProblem = nullptr);

// Start-up, main loop and shut-down of the running App (of an App of its own
// when none is made). Arguments: "-lang FILE", and for
// automatic runs "--headless", "--frames N", "--screenshot FILE.png",
// "--input-script FILE" (headless scripted input); paths are taken from the
// folder the program was started in. The process's exit code. SIGTERM,
// SIGINT and SIGHUP close the main window.
int WinMain(int argc, char** argv);
