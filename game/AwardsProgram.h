#pragma once
// The awards window and the bonuses window in the program, the current
// profile's award counters as the running level adds to them, and the award
// notices' pictures and texts. This part alone reads the award table: its
// goal record shares the level goal's name, so the level's side reaches it
// through these plain calls.

#include <cstdint>
#include <functional>
#include <memory>

struct BonusSelection;
class RunningLevelTags;
class SoundManager;
class WindowManager;

// Opens the awards window when the window manager and the award table are
// there; the preview (the map's cheat view) animates random values. The
// window stays below clearTop (a level's money strip) and above the
// clearBottom rows at the screen's bottom (the map's medals panel) when it
// fits there.
void OpenProgramAwards(bool preview, int32_t clearTop = 0, int32_t clearBottom = 0);

// ---- the current profile's award counters (nothing without a profile or
// the award table; the profile is saved with the level's result or save)

// Adds to an award's counter; the new tier (1 bronze .. 3 gold) when it rose, else 0.
int32_t ProgramAddAwardCount(uint32_t award, int32_t amount);
// The tier an award's counter has reached (0 none).
int32_t ProgramAwardTier(uint32_t award);
// Sets (absolute) or adds to (relative) a goal's counter; true when it crossed the target.
bool ProgramAddGoalProgress(uint32_t goal, int32_t amount, bool relative);
int32_t ProgramGoalCounter(uint32_t goal);
// The profile's villains driven off in a row before they fired (0 without a profile).
int32_t ProgramVillainsInARow();
void ProgramSetVillainsInARow(int32_t n);
// True once, when every award is gold and every goal reached.
bool ProgramCheckFinalAward();
// A won level counts towards the goal of levels won: kResultAwardGoal when
// it reached its target, with kResultAllAwards when that completed every
// award (the result flags of the stored level result).
class Profile;
uint32_t ProgramCountLevelWin(Profile& profile);

// The award notices show the award's icon and its text with the award's
// name; a click on one opens the awards window. The notices play their
// sounds (the award sample, a message's own) in the screen's category
// through the sound manager, which outlives the window manager.
void InstallAwardNotices(WindowManager& windows, SoundManager& sound);

// A screen that opens takes the notices over: those whose id has a bit of
// keepMask stay (every award notice stays: the player has not seen it yet)
// and stand bottomOffset above the screen's bottom, right above the anchor
// window in the stack (null: the bottom of the stack); the other messages go.
class GameWindow;
void AnchorNotices(GameWindow* anchor, uint32_t keepMask, int32_t bottomOffset);
// Every notice goes at once (the comics take the screen, another player is chosen).
void DeleteNotices();

// Installs the running level on the text tags' sources (null: none is played).
void SetTagLevel(const RunningLevelTags* level);

// A bonus selection edited in the bonuses window for the level window: the
// window works on this object's copy, which lives as long as the object.
class ProgramBonusEdit {
  public:
    ProgramBonusEdit();
    ~ProgramBonusEdit();
    ProgramBonusEdit(const ProgramBonusEdit&) = delete;
    ProgramBonusEdit& operator=(const ProgramBonusEdit&) = delete;

    // Opens the bonuses window over the current profile with the selection;
    // applied gets the edited selection on "OK". False without a profile or
    // the bonus table.
    using Applied = std::function<void(const BonusSelection&)>;
    bool Open(WindowManager& windows, const BonusSelection& selection, Applied applied);
    // Closes the window at once when it is still open (it edits this object's copy).
    void Close(WindowManager& windows);
    // The level window's "select bonuses": the bonuses window on the level
    // window's selection; applied gets the edited one on "OK".
    void OpenForLevelWindow(const BonusSelection& selection, Applied applied);

  private:
    struct Edit;
    std::unique_ptr<Edit> edit_;
};
