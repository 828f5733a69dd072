#pragma once
// What the player is told about the files the game keeps for them, in the
// game's own dialogs: the folder that took the per-user folder's place (once,
// on the first screen that takes input), a save that failed (the folder
// named, the progress still in memory, and a button that writes it again),
// a level's saved game that could not be read (where it is kept), and a
// records file a win kept under a name of its own.
// Until the player answers, a notice whose dialog went with a change of
// screen opens again on the next screen that takes input.
//
// The App owns this; its profile store outlives it, and its window manager,
// which owns the dialogs (each tells this object when it goes), goes first.

#include <cstdint>
#include <string>
#include <vector>

class ProfileManager;
class WindowManager;

class SaveNotices {
  public:
    // perUserFolder (game form) and perUserProblem: the per-user folder and
    // why it was passed over (empty: it is the folder in use).
    SaveNotices(ProfileManager& profiles, std::u16string perUserFolder, std::string perUserProblem);
    ~SaveNotices();
    SaveNotices(const SaveNotices&) = delete;
    SaveNotices& operator=(const SaveNotices&) = delete;

    // Once a frame after the screen's update: opens the notice that is due
    // when the state is one whose screen takes input (the main screen, the
    // map or a level) and no notice is open.
    void Update(WindowManager* windows, int32_t state);

    // The settings (config.dat) could not be written: told and tried again
    // as a failed save of the player's files is. SettingsSaved says whether
    // they are saved now.
    // stuck: an entry in the way the folder did not let the game set aside;
    // cause: why the write failed, where the system said.
    void TellSettingsUnsaved(std::u16string stuck, std::string cause) {
        settingsUnsaved_ = settingsDue_ = true;
        settingsBlocking_ = std::move(stuck);
        settingsCause_ = std::move(cause);
    }
    bool SettingsSaved() const { return !settingsUnsaved_; }

    // The level's saved game could not be read and the level starts afresh;
    // keptAs names the file that holds its bytes (empty: they stay in the
    // profile). Told on the next screen that takes input.
    void TellRefusedSave(std::u16string keptAs);

    // Kinds of notice (the dialogs' second user value).
    enum class Kind : uintptr_t { Folder = 1, SaveFailed = 2, RefusedSave = 3, RecordsKept = 4 };
    // A notice's dialog went (answered or deleted with the other windows).
    void Forget(const void* dialog);

  private:
    static uint32_t OnAnswer(uintptr_t self, uintptr_t kind, uint32_t command);
    uint32_t Answer(Kind kind, uint32_t command);
    void Open(WindowManager& windows, Kind kind);

    ProfileManager& profiles_;
    std::u16string perUserFolder_;
    std::string perUserProblem_;
    bool folderTold_ = false;
    bool refusedSaveDue_ = false;
    bool settingsUnsaved_ = false;    // config.dat keeps its old contents
    bool settingsDue_ = false;        // ... and the player was not told since it failed
    std::u16string settingsBlocking_; // what stood in the settings' way
    std::string settingsCause_;       // why the settings' write failed, where the system said
    std::u16string refusedSaveKeptAs_;
    std::vector<std::u16string> recordsKept_; // kept records files not yet told (game form)
    uint32_t failuresPutAway_ = 0; // the store's failed writes when the player last chose not to retry
    const void* open_ = nullptr;   // the open notice's dialog (the window manager owns it)
};
