#pragma once
// The profile store: up to 12 named player profiles, each with its progress
// per regime (level status and best times, bonuses), awards, once-only flags
// and one saved game per level and regime; the best time of all profiles per
// level; and the current profile.
//
// Files in the per-user folder (docs/formats/user-files.md):
//   profiles.dat         the list (oldest first), the current number, the best times
//   profile<N>.dat       one profile: its record ('PRFL') and its saved games ('SAVE')
// Every file is written aside and renamed over the old one, so a crash at any
// moment leaves the old file or the new one. Nothing a player owns goes
// because one file is damaged: a listed profile whose file cannot be read is
// set aside (its file kept, its entry kept in the list, its number not given
// again) and comes back at a later start once the file reads; a damaged or
// missing profiles.dat is rebuilt from the profile files that read (the
// damaged one kept beside as profiles.dat.bad, or .bad2 ... when that name is
// taken: app/UserFiles.h). File names come from profile numbers only, never
// from the player's text.

#include "app/BonusKind.h"
#include "gui/Regime.h"
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

constexpr int32_t kMaxProfiles = 12;
// The characters of names when the language names none.
constexpr const char16_t* kDefaultProfileCharacters =
    u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 -";
constexpr int32_t kProfileNameLength = 16; // characters of a name
constexpr int32_t kProfileNameUnits = 32;  // UTF-16 units of the stored name field
constexpr int32_t kProfileLevelCount = 41;
constexpr int32_t kAwardWordCount = 18;

// Results of the name check and of creating a profile.
constexpr int32_t kProfileOk = 0;
constexpr int32_t kProfileErrorTooMany = 10;
constexpr int32_t kProfileErrorEmpty = 20;
constexpr int32_t kProfileErrorTooLong = 21;
constexpr int32_t kProfileErrorCharacter = 22;
constexpr int32_t kProfileErrorUsed = 23;
constexpr int32_t kProfileErrorWrite = 30; // the profile file could not be written

// Level status in a regime; a passed level's status is the grade it was won
// with (GradeForTime).
constexpr uint32_t kLevelLocked = 0;
constexpr uint32_t kLevelUpcoming = 1;
constexpr uint32_t kLevelOpen = 2;
constexpr uint32_t kLevelPassed = kGradeFailed; // without a medal
constexpr uint32_t kLevelBronze = kGradeBronze;
constexpr uint32_t kLevelSilver = kGradeSilver;
constexpr uint32_t kLevelGold = kGradeGold;

// Once-only bits of the profile's flag word.
constexpr uint32_t kProfileFlagWarehouseFull = 0x1;
constexpr uint32_t kProfileFlagEasyMapTutorial = 0x2;
constexpr uint32_t kProfileFlagBonusHint = 0x4;
constexpr uint32_t kProfileFlagHardMapTutorial = 0x10;

// Bits of the level result's flag word.
constexpr uint32_t kResultNewBest = 1;    // better than the profile's own best (or the first time)
constexpr uint32_t kResultRecord = 2;     // better than every profile's best
constexpr uint32_t kResultAwardGoal = 4;  // the award goal of level wins crossed its threshold
constexpr uint32_t kResultHardRegime = 8; // the hard regime became available
constexpr uint32_t kResultNewBonus = 16;  // the level's bonus is new to the profile
constexpr uint32_t kResultAllAwards = 32; // every award is now complete
// The level whose first win makes the hard regime available (the eighth).
constexpr int32_t kHardRegimeLevel = 7;

// ---------------------------------------------------------------- records

struct LevelProgress {
    uint32_t status; // kLevelLocked..kLevelGold
    uint32_t bestMs; // 0: none
};
static_assert(sizeof(LevelProgress) == 8);

// A regime's part of the results: 93 words.
struct RegimeProgress {
    uint32_t newBonus;                 // bits 24-31: id + 1 of a newly earned bonus (0 none)
    uint32_t owned[kBonusCount];       // 1: the bonus is owned
    uint32_t chosenCount;              // 0..kChosenBonusLimit
    int32_t chosen[kChosenBonusLimit]; // bonus ids, -1 empty
    LevelProgress levels[kProfileLevelCount];
};
static_assert(sizeof(RegimeProgress) == 372);

// The results block of 231 words.
struct ProfileResults {
    uint32_t reserved0;
    uint32_t tutorial;      // 1: level tutorials run
    uint32_t regime;        // kRegimeEasy or kRegimeHard
    uint32_t hardAvailable; // 1 once the hard-regime level was won
    uint32_t tutorialsOff;  // bit i: the tutorial of level index i (below 32) turned off by the player
    uint32_t reserved[39];
    RegimeProgress regimes[kRegimeCount];
    uint32_t reserved230;
};
static_assert(sizeof(ProfileResults) == 924);

// The 'PRFL' chunk of a profile file.
struct ProfileRecord {
    char16_t name[kProfileNameUnits];
    uint32_t number;
    uint32_t useCount;
    uint32_t flags;
    int32_t villainsInARow;
    int32_t awards[kAwardWordCount];     // nine award counters, eight goal counters, the final-award flag
    int32_t awardsSeen[kAwardWordCount]; // the last-seen copy
    ProfileResults results;
};
static_assert(sizeof(ProfileRecord) == 1148);

// The 11 words of a stored level result.
struct LevelResult {
    uint32_t level;
    uint32_t flags; // kResult...
    uint32_t regime;
    uint32_t limits[3]; // bronze, silver, gold (ms)
    uint32_t statusBefore;
    uint32_t grade;
    uint32_t bestBefore;
    uint32_t timeMs;
    int32_t bonus; // the bonus the level gives, -1 none
};
static_assert(sizeof(LevelResult) == 44);

// A saved running level: the bytes of its save stream.
using SavedLevelBytes = std::vector<uint8_t>;

// What the level table tells the profiles of a level.
struct ProfileLevelInfo {
    uint32_t group = 0;
    int32_t bonus = -1;                    // given on a win
    uint32_t limits[kRegimeCount][3] = {}; // per regime: bronze, silver, gold (ms)
};

// What the subsystems above the shell do when a level result is stored; any
// member may be empty. The level table answers false for a level that does
// not exist.
struct ProfileHooks {
    std::function<bool(int32_t level, ProfileLevelInfo* info)> levelInfo;
    // The map's current level and its state after a result.
    std::function<void(int32_t level)> setCurrentLevel;
    std::function<void(const LevelResult& result)> setMapState;
    // Counts a level win towards the awards: kResultAwardGoal and
    // kResultAllAwards of the answer go into the result's flags.
    std::function<uint32_t(class Profile& profile)> countLevelWin;
};

class ProfileManager;

// ---------------------------------------------------------------- profile

class Profile {
  public:
    Profile(ProfileManager* owner, const ProfileRecord& record);
    Profile(const Profile&) = delete;
    Profile& operator=(const Profile&) = delete;

    const ProfileRecord& Record() const { return record_; }
    // Only for the subsystems that keep fields of the record (awards, chosen
    // bonuses); they call Save afterwards.
    ProfileRecord& MutableRecord() { return record_; }
    uint32_t Number() const { return record_.number; }
    const char16_t* Name() const { return record_.name; }
    uint32_t Regime() const { return record_.results.regime; }
    // The greeting's key: "welcom" while the profile was used fewer than two times, else "hello".
    const char16_t* GreetingKey() const;
    // A greeting text with its profile tags ("[PROFILE N]", the word in any
    // case) replaced by the player's name; other text stands.
    std::u16string NameInGreeting(std::u16string text) const;

    // ORs bits into the flag word; saves when any of them was new.
    void AddAwards(uint32_t bits);
    // The numbers of levels with grade 4, 5 and 6 (into counts when given); their sum.
    int32_t CountMedals(uint32_t regime, int32_t counts[3]) const;
    // Levels with status 3 or more.
    int32_t CountPassedLevels(uint32_t regime) const;

    // The saved games, of the current regime.
    const SavedLevelBytes* GetSavedLevel(int32_t level) const;
    bool HasSavedLevel(int32_t level) const { return GetSavedLevel(level) != nullptr; }
    void DeleteSavedLevel(int32_t level);
    // Keeps the saved game of a level in the current regime (saved with the profile).
    void StoreSavedLevel(int32_t level, SavedLevelBytes bytes);
    size_t SavedGameCount() const { return saves_.size(); }

    bool HasBonus(int32_t bonus) const;
    // The ids of the owned bonuses of the current regime (into list when
    // given, up to six); their number.
    int32_t ListBonuses(int32_t list[kBonusCount]) const;

    // Switches the regime; saves when it changed.
    void SetRegime(uint32_t regime);

    // The levels whose tutorial the player turned off with the level
    // panel's "Close tutorial": their later starts make none until the
    // tutorial option is changed in the options, which turns every level's
    // tutorial on again. Both save the profile when they change it.
    void TurnLevelTutorialOff(int32_t level);
    bool LevelTutorialOff(int32_t level) const;
    void TurnLevelTutorialsOn();

    // Stores the result of a won level (timeMs < 0: no level object, the
    // grade is bronze) and saves the profile; fills out when given.
    void StoreLevelResult(int32_t level, int64_t timeMs, LevelResult* out);

    // Writes the profile file; false when it could not be written.
    bool Save();

  private:
    friend class ProfileManager;
    friend bool SelectProfile(Profile* profile);
    static uint32_t SaveKey(uint32_t regime, int32_t level) { return regime * 256 + uint32_t(level); }

    ProfileManager* owner_; // the store that holds this profile
    ProfileRecord record_;
    std::map<uint32_t, SavedLevelBytes> saves_; // by regime x 256 + level
};

// The profile's name (at most 16 characters).
const char16_t* GetProfileName(const Profile* profile);
// True when every one of the bits is set in the profile's flag word.
bool HasFlags(const Profile* profile, uint32_t bits);

// ---------------------------------------------------------------- store

enum class ProfileEvent {
    CurrentLeaving, // the current profile is about to stop being current: what is its goes now
    CurrentChanged, // another profile (or none) became current
    Deleted,        // the profile is about to be deleted: drop every pointer to it
};
using ProfileListener = std::function<void(ProfileEvent event, Profile* profile)>;

class ProfileManager {
  public:
    // The store of the profiles in the folder (game form); nothing is read yet.
    explicit ProfileManager(std::u16string folder);
    ~ProfileManager();
    ProfileManager(const ProfileManager&) = delete;
    ProfileManager& operator=(const ProfileManager&) = delete;

    // Reads profiles.dat and the profile files it lists. A profile file that
    // does not read is set aside; a list that does not read is rebuilt from
    // the profile files (and written at once). Each is logged; the game goes on.
    void Load();

    // What the last Load set aside or rebuilt, for the player to be told.
    struct LoadReport {
        std::vector<std::u16string> setAside; // files of listed profiles that did not read (game form)
        bool listRebuilt = false;    // profiles.dat did not read, or was missing beside profile files
        bool listMissing = false;    // rebuilt because profiles.dat was not there at all
        bool listUnreadable = false; // profiles.dat is a file the game may not read, not a damaged one
        std::u16string listKeptAs;   // where the unreadable profiles.dat went (game form); empty: nowhere
        // The copies of wins a stop left that did not read, each kept under
        // its own name while the profile file stayed as it was (game form).
        std::vector<std::u16string> winsKept;
        bool Empty() const { return setAside.empty() && !listRebuilt && winsKept.empty(); }
    };
    // The report, once: later calls get an empty one.
    LoadReport TakeLoadReport() { return std::exchange(report_, LoadReport()); }
    // Listed profiles set aside because their files do not read; they count
    // towards the twelve.
    int32_t SetAsideCount() const { return int32_t(setAside_.size()); }

    Profile* Current() const { return current_; }
    int32_t Count() const { return int32_t(profiles_.size()); }
    // Profile i as listed: the newest first. Null out of range.
    Profile* GetProfile(int32_t i) const;
    Profile* FindByNumber(uint32_t number) const;

    // Drops leading and trailing blanks and folds runs of blanks into one;
    // then 21 for more than 16 characters, 22 for a character outside the
    // allowed map, 20 for nothing left, 23 for a name a profile has, else 0.
    // out (when given) receives the normalised name.
    int32_t NormalizeName(const char16_t* name, std::u16string* out) const;
    // A new profile with the name (normalised), listed first and saved with
    // profiles.dat; error gets 0 or the reason it was not made (10: twelve
    // exist; else NormalizeName's).
    Profile* CreateProfile(const char16_t* name, int32_t* error = nullptr);
    // Deselects the profile when current, tells the listeners, deletes it and
    // its file, and writes profiles.dat.
    void DeleteProfile(Profile* profile);
    // Makes the profile current (null: none) without counting a use; writes profiles.dat.
    void SetCurrent(Profile* profile);
    // Writes the current profile and profiles.dat; false when a write failed.
    bool SaveCurrent();
    bool SaveList();

    // A file of the store that could not be written keeps its old contents
    // on the disk; what it was to hold stays here until a later write of it,
    // or RetryWrites, succeeds. FailedWrites counts the failures so far, so
    // that a new one can be told from an old one.
    bool HasUnsavedFiles() const { return listUnsaved_ || !unsavedProfiles_.empty(); }
    // The names (within the folder) of the files that keep their old
    // contents because their last write failed (a profile's records file
    // with it, while a win's line waits to go with the profile).
    std::vector<std::u16string> UnsavedFileNames() const;
    uint32_t FailedWrites() const { return failedWrites_; }
    // The file the last write of a win could not do without: one the game
    // may not read and the folder would not let it set aside (game form);
    // empty when no such file stopped it.
    const std::u16string& UnreadableFile() const { return unreadable_; }
    // An entry in the way of the last failed write that the folder did not
    // let the game set aside (game form); empty when none stopped it.
    const std::u16string& BlockingEntry() const { return blocking_; }
    // Why the last failed write failed, where the system said ("too many
    // files are open", "the file size limit was reached"); empty otherwise.
    const std::string& FailureCause() const { return failureCause_; }
    // Forgets what stopped the last write (the player put the failure away):
    // a later failure is told with its own cause.
    void ForgetFailure();
    // The records files wins kept under their own names since last asked
    // (game form), each once.
    std::vector<std::u16string> TakeKeptRecords() { return std::exchange(recordsKept_, {}); }
    // The files written so far.
    uint32_t WrittenFiles() const { return writtenFiles_; }
    // Writes again each file whose last write failed (profiles deleted since
    // are passed over); true when none is left unsaved.
    bool RetryWrites();

    // The allowed-character map: one byte per UTF-16 unit (non-zero:
    // allowed), plus one. By default every printable unit is allowed.
    const std::vector<uint8_t>& AllowedCharacters() const { return allowed_; }
    void SetAllowedCharacters(std::vector<uint8_t> map);

    // The best time of all profiles per regime and level, and its holder.
    uint32_t BestTime(uint32_t regime, int32_t level) const;
    const char16_t* BestHolder(uint32_t regime, int32_t level) const;

    void AddListener(const void* key, ProfileListener listener);
    void RemoveListener(const void* key);

    void SetHooks(ProfileHooks hooks) { hooks_ = std::move(hooks); }

    // The records file's part in a win (RecordsFile sets it): this run's
    // records line for the result, empty when the run adds none. The line
    // then goes to the disk with the profile, both or neither (WriteWin).
    using WinLineTaker = std::function<std::u16string(const LevelResult& result)>;
    void SetWinLine(WinLineTaker taker) { winLine_ = std::move(taker); }
    const ProfileHooks& Hooks() const { return hooks_; }

    // Tests: asked before each written file replaces the old one; false
    // leaves the old file (as a crash before the rename would) and refuses
    // every later write too.
    void SetWriteGate(std::function<bool(const std::u16string& path)> gate) { gate_ = std::move(gate); }
    // Asks the gate about a file of the store about to replace its old copy.
    bool WriteAllowed(const std::u16string& path);

    const std::u16string& Folder() const { return folder_; }
    std::u16string ListPath() const;
    std::u16string ProfilePath(uint32_t number) const;
    // The records file of the profile with that number (RecordsFile writes it).
    std::u16string RecordsPath(uint32_t number) const;

  private:
    friend class Profile;
    friend bool SelectProfile(Profile* profile);
    struct Best {
        uint32_t ms = 0;
        char16_t holder[kProfileNameUnits] = {};
    };

    struct Chunk {
        uint32_t id, subId;
        const std::vector<uint8_t>* bytes;
    };
    // The name check; self (when given) does not count as having the name.
    int32_t CheckName(const char16_t* name, std::u16string* out, const Profile* self) const;
    // Counts and logs a failed write of `path`, with what stopped it.
    void NoteFailure(const std::u16string& path, std::u16string stuck, std::string cause);
    // Writes the file aside and renames it over the old one.
    bool WriteFile(const std::u16string& path, uint32_t type, uint32_t version,
                   const std::vector<Chunk>& chunks);
    // Writes the profile, with the records lines that wait for it.
    bool WriteProfile(const Profile& profile);
    bool WriteProfileTo(const Profile& profile, const std::u16string& path);
    // Takes the win's records line to wait for the profile, and writes it.
    bool WriteWin(const Profile& profile, const LevelResult& result);
    // Writes the profile and its records with the lines added, both or
    // neither as far as a later start sees them.
    bool WriteWithRecords(const Profile& profile, const std::vector<std::u16string>& lines);
    // Completes or drops the files of a win that a stop left part-way.
    void FinishWinWrites();
    // The profile of the file at `path` (ProfilePath(number) when empty).
    // Refused with its reason in `why` when given (nothing logged), else
    // logged; `whole` refuses a file any of whose saved games does not read.
    std::unique_ptr<Profile> ReadProfile(uint32_t number, const std::u16string& path = {},
                                         const char** why = nullptr, bool whole = false);
    bool ReadList(uint32_t* current, std::vector<uint32_t>* numbers);
    // Takes the profile of a listed number, or sets the number aside.
    void AddListed(uint32_t number);
    // The list from the profile<N>.dat files of the folder, and the best
    // times from the profiles' own; true when any was found.
    bool RebuildList();
    uint32_t FreeNumber() const;
    void Notify(ProfileEvent event, Profile* profile);
    // Records a time of a profile; true when it beats every profile's best.
    bool OfferBestTime(uint32_t regime, int32_t level, uint32_t ms, const char16_t* holder);

    std::u16string folder_;
    std::vector<std::unique_ptr<Profile>> profiles_; // oldest first
    Profile* current_ = nullptr;                     // one of profiles_, or null
    std::vector<uint8_t> allowed_;
    Best best_[kRegimeCount][kProfileLevelCount];
    std::vector<std::pair<const void*, ProfileListener>> listeners_;
    ProfileHooks hooks_;
    WinLineTaker winLine_;
    // Records lines of wins whose profile could not be written yet, by
    // profile number: they go to the disk with that profile's next write.
    std::map<uint32_t, std::vector<std::u16string>> pendingLines_;
    std::function<bool(const std::u16string&)> gate_;
    bool writesRefused_ = false;
    std::set<uint32_t> unsavedProfiles_; // numbers of profiles whose file could not be written
    bool listUnsaved_ = false;
    uint32_t failedWrites_ = 0;
    uint32_t writtenFiles_ = 0;
    std::u16string unreadable_; // see UnreadableFile
    std::u16string blocking_;   // see BlockingEntry
    std::string failureCause_;  // see FailureCause
    std::string listUnread_;    // why profiles.dat did not open at Load (a passing cause); empty: it was read
    std::vector<std::u16string> recordsKept_; // see TakeKeptRecords
    bool listDamaged_ = false;       // profiles.dat could not be read: kept aside before it is replaced
    std::vector<uint32_t> setAside_; // listed numbers whose files do not read; written back into the list
    uint32_t setAsideCurrent_ = 0;   // the listed current profile while it is set aside
    LoadReport report_;
};

// Makes a profile current in its store: nothing when it already is; a
// profile whose name does not pass the check shows the error; otherwise its
// use counter rises and the profile and profiles.dat are written. True on
// success.
bool SelectProfile(Profile* profile);

// Shows a profile error (20 empty, 23 used, 30 not written, naming the
// store's folder, any other unknown) in a one-button dialog, caption "error",
// texts of group "profile_errors", and logs it.
void ShowProfileError(int32_t error);
// The text key of an error's message.
const char16_t* ProfileErrorKey(int32_t error);
// What shows the error in place of the window toolkit's dialog (tests and
// test screens); null gives the dialog back. Without a window manager the
// error is only logged. (caption, text)
void SetProfileErrorPresenter(void (*present)(const char16_t* caption, const char16_t* text));
// The allowed-character map (ProfileManager::SetAllowedCharacters) of a text
// of the characters names may have; control characters never are allowed.
std::vector<uint8_t> ProfileCharacterMap(std::u16string_view characters);
