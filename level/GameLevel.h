#pragma once
// The running level: its points, clock, pause reasons, speed tracks, bonus
// slots, goals, villain schedule, win and loss, and its saved game.
//
// Sections: pause reasons and results; speed tracks; the level object
// (set-up and play, clock and ticks, speed, bonuses, money and goals, the end
// of a level, points, saved games).
//
// Time: each frame's time is scaled by the level's speed and run as fixed
// 10-ms ticks, at most 20 a frame; what a slow frame leaves beyond that is
// dropped, so the level never races to catch up. Nothing ticks while any
// pause reason is set. The level time (the clock graded with medals) counts
// the ticks after the clock has started and while the clock-stop word is 0.

#include "app/BonusKind.h"
#include "gui/Regime.h"
#include "gui/Window.h"
#include "level/Economy.h"
#include "level/LevelHooks.h"
#include "level/LevelPoint.h"
#include "level/LevelServices.h"
#include "level/LevelTable.h"
#include "level/MapObject.h"
#include "level/SpeedTrack.h"
#include "level/VillainSchedule.h"
#include "pathfinding/PathFinder.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

class SaveBuffer;
class SaveReader;
class SaveWriter;

// ---------------------------------------------------------------- pauses, results

// The reasons a window pauses the level (kPauseWindow 0x2, kPauseWarehouse
// 0x8) come with the window toolkit.
enum LevelPauseReason : uint32_t {
    kPauseClockNotStarted = 0x1,
    kPauseLeaving = 0x4,
    kPauseTutorial = 0x10,
};
static_assert(kPauseWindow == 0x2 && kPauseWarehouse == 0x8);
constexpr uint32_t kPauseReasonCount = 5;

enum LevelResultCode : uint32_t { kLevelRunning = 0, kLevelWon = 1, kLevelLost = 2 };

// The clock-stop word: the tutorial's bit holds the clock; the win's and the
// loss's bits record why it stopped for good.
enum ClockStopBits : uint32_t { kClockStopWon = 0x1, kClockStopTutorial = 0x2, kClockStopLost = 0x4 };

constexpr uint32_t kLevelTickMs = 10;
// The level clock shows two digits each of hours, minutes and seconds: it
// stops at 99:59:59.999 rather than turn over (in the easy regime nothing
// else ends a level).
constexpr uint32_t kMaxLevelTimeMs = 100u * 3600u * 1000u - 1u;
// The ticks of that run: the counts that grow by at most one a tick (the
// farmer's jobs done, a factory slot's products) stop there, so that a level
// kept open past its clock's end saves what a load accepts.
constexpr int32_t kMaxLevelTicks = int32_t(kMaxLevelTimeMs / kLevelTickMs);
// Presses on the farm count at most one a millisecond of that run: no hand
// and no mouse press faster.
constexpr int32_t kMaxFarmClicks = int32_t(kMaxLevelTimeMs);
// A factory works in up to one slot a stage, at most this many; its run of
// products, reported as the highest value (award goal 6), grows by at most
// one a slot a tick.
constexpr int32_t kMaxFactorySlots = 4;
constexpr int32_t kMaxProducedInARun = kMaxFactorySlots * kMaxLevelTicks;
constexpr uint32_t kMaxTicksPerFrame = 20;
// The path finder's share of a frame for the walks' route requests.
constexpr uint64_t kPathFinderBudgetUs = 2000;
constexpr uint32_t kSpeedTrackCount = 6;
constexpr uint32_t kWinDelayMs = 1000;
constexpr float kFarShotDistance = 150.0f;
constexpr uint32_t kWarehouseWindowId = kWarehouseWindowTag; // 'Wrhs'
// Bonus slots in use and waiting gain this share of their recharge when
// another bonus starts.
constexpr float kBonusRechargeGain = 0.45f;
constexpr uint32_t kMusicTrackMs = 180000;
// Begin runs the particles 200 to 499 ticks ahead.
constexpr uint32_t kParticlePreRunTicks = 200;
constexpr uint32_t kParticlePreRunSpread = 300;

// Save stream tags.
constexpr uint32_t kLevelSaveMagic = 0x4C534156; // 'LSAV'
constexpr uint32_t kLevelSaveFormat = 1;

// The award goals the level reports (goal 1, the levels won, is counted
// with the stored result): the first level won, the bonus slots used (a bit
// each), the profile's villains driven off in a row before they fired, the
// farmer's jobs done in one level, the clicks on the farm per second over a
// won level (in thousandths), the most goods one factory made in a row, the
// money earned.
enum AwardGoalKind : uint32_t {
    kAwardFirstWin = 0,
    kAwardBonusesUsed = 2,
    kAwardVillainsInARow = 3,
    kAwardJobsInLevel = 4,
    kAwardClickRate = 5,
    kAwardHighestValue = 6,
    kAwardMoneyEarned = 7
};

// The height of the level panel at the bottom of the screen; the field is the
// screen above it.
constexpr int32_t kLevelPanelHeight = 80;
// A click within this distance of the place of a point that has no picture
// on the map hits the point.
constexpr float kPointClickRadius = 48.0f;
// The message throttle id of a full warehouse (plus the product's number).
constexpr uint32_t kWarehouseFullMessage = 0x4001000;

// Makes the point of a record (the farm's warehouse, plants, buildings); null
// leaves the level to stand a plain point in. The game registers one per kind
// (SetPointMaker) before a level starts.
using PointMaker = std::function<std::unique_ptr<BaseLevelPoint>(uint32_t index, const PointRecord& record)>;
// The point makers by kind (PointKind), held by the level's game data.
void SetPointMaker(uint32_t kind, PointMaker maker);
const PointMaker* GetPointMaker(uint32_t kind);

// ---------------------------------------------------------------- bonus slots

struct BonusSlot {
    bool inUse = false;
    bool running = false;
    uint32_t counterMs = 0; // time left while running; recharge gathered otherwise
    float fraction = 0.0f;  // counter over the duration (running) or the recharge time
};

// How AddGoalProgress changes a goal's counter: raised to the amount (a
// counter only grows), or the amount added to it.
enum class CounterUpdate { RaiseTo, Add };
// Whether a goal whose counter crosses its target shows its notice.
enum class GoalNotice { Quiet, Show };

// ---------------------------------------------------------------- the level

// The level owns its map (the objects, characters and their jobs on it), the
// money and the money held reserved by jobs, and the path finder; the map's
// objects reach the level through LevelServices.
class GameLevel : public LevelServices, public WindowLevel {
  public:
    struct Hooks {
        LevelInterfaceHooks* panel = nullptr;
        LevelTutorialHooks* tutorial = nullptr;
        LevelFrontEndHooks* frontEnd = nullptr;
    };

    // The level of the table at levelIndex, played in a regime (0 easy,
    // 1 hard). The level keeps a reference to the table entry, which lives
    // for the run; it owns the world; the hooks belong to the screens and
    // must outlive the level (missing ones do nothing).
    GameLevel(uint32_t levelIndex, uint32_t regime, const Level& level, std::unique_ptr<LevelWorld> world,
              Hooks hooks);
    ~GameLevel() override;
    GameLevel(const GameLevel&) = delete;
    GameLevel& operator=(const GameLevel&) = delete;

    // ---- set-up and play
    // Creates the points, the stock, the farmer, the bonus slots and the
    // schedule from the level record; the clock waits for the first action.
    void StartUp();
    // Play begins (after StartUp or a load): music, panel, goal buttons; a
    // loaded level whose clock had started tells its tutorial so.
    void Begin();
    // Once, on the player's first action: the clock starts.
    void StartClock();
    void Pause(uint32_t reasons);
    // An unmatched Resume leaves its counter at 0.
    void Resume(uint32_t reasons);
    bool IsPausedExcept(uint32_t mask) const { return (pauseWord_ & ~mask) != 0; }
    uint32_t PauseWord() const { return pauseWord_; }
    uint32_t PauseCount(uint32_t reasonBit) const;
    void OnWindowOpened(uint32_t windowId);
    void OnWindowClosed(uint32_t windowId);
    // The window manager's report (the level installs itself there while it
    // is played): the window's pause reason is raised or lifted.
    void OnWindowOpened(uint32_t tag, uint32_t reason) override;
    void OnWindowClosed(uint32_t tag, uint32_t reason) override;

    // ---- clock and ticks
    // One frame of frameMs: scaled by the speed and run as 10-ms ticks.
    // Returns the ticks run.
    uint32_t Update(uint32_t frameMs);
    void Tick();
    // The level's own speed (debug keys); frames are scaled by it.
    void SetSpeed(float speed) { speed_ = speed; }
    // The factor each frame's time is scaled by: the level's speed and its frame track.
    float FrameSpeed() const;

    // ---- speed tracks
    void SetSpeedModifier(const float (&values)[kSpeedTrackCount], bool on, uint32_t id);
    void ApplySpeedTrack(uint32_t group, BaseLevelPoint* point);
    float GetSpeedFactor(uint32_t group) const;
    const SpeedTrack& Track(uint32_t t) const { return tracks_[t]; }

    // ---- bonuses
    void ActivateBonus(uint32_t slot);
    bool IsBonusReady(uint32_t slot) const;
    const BonusSlot& Slot(uint32_t slot) const { return slots_[slot]; }
    const BonusSlot& Slot(BonusKind kind) const { return slots_[SlotOfBonus(kind)]; }
    bool IsBonusRunning(BonusKind kind) const { return Slot(kind).running; }

    // ---- money and goals
    void AddMoney(int32_t amount, int32_t x, int32_t y, int32_t offset);
    // The money jobs hold reserved, kept beside the money (jobs change it);
    // never below 0.
    void AddReservedMoney(int32_t delta) override;
    int32_t ReservedMoney() const override { return reservedMoney_; }
    MoneyValue& Money() override { return money_; }
    const MoneyValue& Money() const { return money_; }
    void AddAwardCount(uint32_t award, int32_t n);
    void AddGoalProgress(uint32_t kind, int32_t amount, CounterUpdate update, GoalNotice notice);
    void RaiseHighestValue(int32_t n, bool animated);
    // The profile's villains driven off in a row before they fired: a shot
    // fired starts the count again, a villain driven off in time raises it.
    void ResetVillainsInARow();
    void RaiseVillainsInARow();
    // The farmer finished a job: the level's count of jobs done rises.
    void CountJobDone();
    int32_t JobsDone() const { return jobsDone_; }
    // The clicks on the farm per second since the clock started, in thousandths.
    int32_t ClickRate() const;
    int32_t FarmClicks() const { return farmClicks_; }
    // Counts the goals of the kind again (the panel's buttons follow; all
    // met once the clock runs wins the level).
    void UpdateGoals(uint32_t kind);
    const GoalRecord* GetGoal(uint32_t i) const;
    int32_t GoalProgress(uint32_t i) const { return i < kMaxLevelGoals ? goalProgress_[i] : 0; }

    // ---- the end of a level
    void Win(uint32_t delayMs);
    void Lose();
    // Stops play and leaves for the map; an unfinished level is saved into
    // the profile first.
    void Leave();
    // A win still in its delay is stored now (its records line and the
    // profile), as leaving would store it, but not shown: the level is going
    // with no screen left for its result (a quit, a restart).
    void StorePendingWin();
    // The grade of the level time against the regime's medal times.
    uint32_t Grade() const;

    // ---- points
    BaseLevelPoint* GetPoint(int32_t index) const;
    // The point when it exists, is not being removed and accepts work.
    BaseLevelPoint* GetLivePoint(int32_t index) const;
    // A live point for a villain's shot from (x, y): a random far one (150
    // pixels or more) before any near one; null when none.
    BaseLevelPoint* ChooseShotTarget(int32_t x, int32_t y) const;
    BaseLevelPoint* CreatePoint(uint32_t index, const PointRecord& record);
    // Selects a point (-1 none), deselecting the one before.
    void SelectPoint(int32_t index, bool sound);
    // Deselects the selected point unless it is keep.
    void ResetSelection(const BaseLevelPoint* keep);
    int32_t SelectedPoint() const { return selectedPoint_; }
    // Opens the pause menu (the panel's; it keeps one menu at a time).
    void ShowMenu(bool animate) { Panel().ShowMenu(animate); }
    // The highest stage a point of the kind and object may reach here
    // (0 for empty sites and objects the level does not name).
    int32_t HighestStage(uint32_t kind, uint32_t objectId) const;
    // Stops every job of the farmer at the point (the point is removed).
    void StopJobsAt(int32_t index);
    // The point is pulled down: removed for good, then a clean empty site
    // takes its place once the level is outside the point's code.
    void PullDownPoint(int32_t index);
    // Stores up to units of a product (fly-in from x, y) and sells what does
    // not fit; the units stored. A throttle, when given, keeps the full
    // notice from repeating; award: a counter index for the units, or -1.
    uint32_t PutToWarehouse(uint32_t productId, uint32_t units, class GameMessager* throttle, int32_t award,
                            int32_t x, int32_t y, int32_t offset);
    // Re-creates the point at an index from its definition. The point may be
    // the one whose code is running (a job of its own stopping), so the
    // rebuild waits until the level is outside every point's code: the next
    // tick's end or frame's start. True when the index has a definition.
    bool RebuildPoint(uint32_t index);
    uint32_t PointCount() const { return static_cast<uint32_t>(points_.size()); }

    // ---- the view, input and drawing
    // The screen is width x height; the field is the screen above the level
    // panel. The field is scaled to fit that area (the field-scale flag is
    // set when the scale is not 1) and centred in it.
    void OnScreenSizeChanged(int32_t width, int32_t height);
    // The map object of the field's ground picture (the map owns it and keeps
    // it for the level's life): the part of the area the field's shape leaves
    // bare is covered with it, mirrored at the field's edges.
    void SetGround(MapObject* ground) { ground_ = ground; }
    void FieldToScreen(float x, float y, float* sx, float* sy) const;
    void ScreenToField(float sx, float sy, float* x, float* y) const;
    bool IsFieldScaled() const { return fieldScaled_; }
    float FieldScale() const { return fieldScale_; }
    // Mouse input the windows left (the shell offers it to them first),
    // routed to the screen sprites, then the field (a click on a point passes
    // to the point). button: a LevelMouseButton; down: pressed or released.
    // True when taken.
    bool OnMouse(int32_t sx, int32_t sy, uint32_t button, bool down);
    // OnMouse in two steps: the event reaches the screen sprites (*taken when
    // they took it); true when it is a left press on the field that they
    // left, which OnFieldPress then judges against the figures and points.
    bool OffersFieldPress(int32_t sx, int32_t sy, uint32_t button, bool down, bool* taken);
    bool OnFieldPress(int32_t sx, int32_t sy);
    // Key input the windows left (a key's scan code): Escape opens the pause
    // menu. True when taken.
    bool OnKey(uint32_t key, bool down);
    // The point under a field position (the centre of the screen pixel
    // under the pointer), -1 none: the owner of the point picture drawn in
    // front there (then *picture is that picture), else the nearest point
    // without a picture within the click radius (*picture null).
    int32_t PointAt(float x, float y, const MapObject** picture = nullptr);
    // The point a click at the screen pixel (sx, sy) picks: the one whose
    // marks over the field (its progress line, stars, a job's icon) show
    // there, else the one PointAt finds.
    int32_t PointOnScreen(int32_t sx, int32_t sy, const MapObject** picture = nullptr);
    // A click on a picture over the point that took no command of its own
    // (a free production slot, a greyed button) selects the point, as a
    // click on its picture does, where a running tutorial allows it.
    void PickPoint(int32_t index);
    bool MouseInField() const { return mouseInField_; }
    // One frame of the level's picture: the field picture and the map in the
    // view transform, then the screen sprites, the panel and the windows.
    void Draw(DXLViewer& viewer);
    // The music playing now (empty before Begin).
    const std::u16string& MusicName() const { return musicName_; }

    // ---- saved games
    // The level's state as a save stream; null for an ended (won or lost)
    // level or when the stream cannot be built.
    std::unique_ptr<SaveBuffer> Save() const;
    // Restores a saved game over a level that has just run StartUp (the
    // stream replaces its points, stock, money, farmer, villains and slots).
    // On a refusal the level is started afresh, why names the reason, and
    // false tells the caller to keep the refused bytes beside the profile.
    bool Load(std::span<const uint8_t> bytes, std::string* why = nullptr);
    // Saves an unfinished level into the current profile (leaving, quitting).
    void SaveToProfile();

    // ---- fields read by the farm, interface and tutorials
    uint32_t LevelIndex() const { return levelIndex_; }
    uint32_t Regime() const { return regime_; }
    const Level& Record() const { return level_; }
    LevelWorld& World() { return *world_; }
    LevelMap& Map() { return *map_; }
    // The path finder of the field (the farm builds it from the level's
    // obstacles); without one every walk goes straight.
    void SetPathFinder(std::unique_ptr<shpf::PathFinder> finder);

    // ---- what the map's objects, characters and jobs ask of the level
    uint32_t LevelTime() const override { return levelTimeMs_; }
    shpf::PathFinder* PathFinder() override { return pathFinder_.get(); }
    bool PointExists(int32_t index) const override;
    void ClickPoint(int32_t index) override;
    void ScreenCentre(float* x, float* y) const override;
    bool TutorialAllows(TutorialAction action, uint32_t tag, TutorialObject data) override {
        return !Tutorial().IsRunning() || Tutorial().Allows(action, tag, data);
    }
    void TutorialNotify(TutorialEvent event, uint32_t a, TutorialObject b) override {
        Tutorial().Notify(event, a, b);
    }
    GameLevel* RunningLevel() override { return this; }
    uint32_t LevelTimeMs() const { return levelTimeMs_; }
    bool IsBegun() const { return begun_; }
    bool IsClockRunning() const { return clockRunning_; }
    bool IsEnded() const { return ended_; }
    uint32_t Result() const { return result_; }
    uint32_t ClockStop() const { return clockStop_; }
    void SetClockStopBit(uint32_t bit, bool on) { clockStop_ = on ? clockStop_ | bit : clockStop_ & ~bit; }
    int32_t HighestValue() const { return highestValue_; }
    const VillainSchedule& Schedule() const { return schedule_; }
    VillainSchedule& Schedule() { return schedule_; }

  private:
    class Places;
    void ResetState();
    void TickBonuses(uint32_t ms);
    void TickMusic(uint32_t ms);
    void FlushRebuilds();
    // Whether the tutorial lets a click reach the point: the picture clicked
    // (else the point's own map object) may be picked, or the point hovered
    // and selected.
    bool MayClickPoint(int32_t index, const SpriteObject* picture);
    // Whether the end of a win is shown (its sound, notices and result
    // window) or only stored.
    enum class WinShown { OnScreen, StoredOnly };
    void EndWin(WinShown shown = WinShown::OnScreen);
    int32_t CountGoal(const GoalRecord& goal) const;
    // Whether every goal of the regime has reached its target (as last counted).
    bool AllGoalsMet() const;
    void SetMoney(int32_t value);
    bool LoadStream(SaveReader& in, std::string* why);
    bool LoadLevelBlock(SaveReader& in, int32_t* savedReserve);
    bool LoadPoints(SaveReader& in);

  public:
    // The hooks (stand-ins that do nothing where none was given).
    LevelInterfaceHooks& Panel() const { return *hooks_.panel; }
    LevelTutorialHooks& Tutorial() const { return *hooks_.tutorial; }
    LevelFrontEndHooks& FrontEnd() const { return *hooks_.frontEnd; }

  private:
    void StartMusic(const char16_t* name);
    void DrawGroundAround(DXLViewer& viewer);

    uint32_t levelIndex_;
    uint32_t regime_;
    const Level& level_;
    std::unique_ptr<LevelWorld> world_;
    Hooks hooks_;
    // Stand-ins for hooks not given: they do nothing.
    std::unique_ptr<LevelInterfaceHooks> noPanel_;
    std::unique_ptr<LevelTutorialHooks> noTutorial_;
    std::unique_ptr<LevelFrontEndHooks> noFrontEnd_;
    std::unique_ptr<Places> places_;
    // Declared before the map: the map's jobs give their reserved money back
    // as the map goes.
    MoneyValue money_;
    std::unique_ptr<shpf::PathFinder> pathFinder_;
    std::unique_ptr<LevelMap> map_;

    std::vector<std::unique_ptr<BaseLevelPoint>> points_;
    int32_t selectedPoint_ = -1;
    // Points to re-create once the level is outside every point's code.
    std::vector<std::pair<uint32_t, PointRecord>> pendingRebuilds_;

    int32_t screenWidth_ = 0, screenHeight_ = 0;
    float originX_ = 0.0f, originY_ = 0.0f;
    float fieldScale_ = 1.0f;
    bool fieldScaled_ = false;
    MapObject* ground_ = nullptr;
    bool mouseInField_ = false;
    float mouseFieldX_ = 0.0f, mouseFieldY_ = 0.0f; // the pointer on the field, in field pixels
    std::u16string musicName_;

    uint32_t pauseWord_ = 0;
    std::array<uint32_t, kPauseReasonCount> pauseCounts_{};
    bool begun_ = false;
    bool clockRunning_ = false;
    bool ended_ = false;
    uint32_t result_ = kLevelRunning;
    uint32_t clockStop_ = 0;
    uint32_t winDelayMs_ = 0;
    bool winPending_ = false;
    uint32_t levelTimeMs_ = 0;
    double tickAccumulator_ = 0.0;
    float speed_ = 1.0f;

    std::array<SpeedTrack, kSpeedTrackCount> tracks_{};
    std::array<BonusSlot, kBonusSlotCount> slots_{};
    int32_t reservedMoney_ = 0;
    std::array<int32_t, kMaxLevelGoals> goalProgress_{};
    int32_t highestValue_ = 0;
    int32_t jobsDone_ = 0;    // the farmer's jobs done in this level
    int32_t farmClicks_ = 0;  // presses on the farm (field and its buttons) while the clock ran
    uint32_t musicTrack_ = 0; // 0: the level's own track
    uint32_t musicTimerMs_ = 0;
    VillainSchedule schedule_;
};
