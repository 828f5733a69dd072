#pragma once
// What the running level asks of the parts of the game that are built beside
// it: the farm's side of the level world (stock, farmer, villains and their
// shots, the bonus table, the farm's points), the level panel and its
// windows, the tutorials, the front-end screens and the profile store. Each is
// a small interface that its own part fills; the level holds them but does
// not own the hooks (the game's screens do) and owns the world. Every hook
// is one its part must answer: a level given none of a kind runs with that
// kind's No... class below, whose bodies do nothing, chosen by name.
//
// The level itself keeps the money, the reserved money, the map and the path
// finder, and offers them to the map's objects, characters and jobs as
// LevelServices.

#include "gui/TutorialMessages.h"
#include "gui/TutorialObject.h"
#include "level/LevelTable.h"

#include <cstdint>
#include <memory>

class BaseLevelPoint;
class DXLViewer;
class MapPlayer;
class SaveBuffer;
class SaveReader;
class SaveWriter;
class GameLevel;
struct LevelResult;

// The bonus table ('BONS') as the level reads it.
struct BonusInfo {
    uint32_t rechargeMs = 0;
    uint32_t durationMs = 0;
    float speedModifiers[6] = {}; // added to each speed track while the bonus runs
};

// The farm's side of the level world: the stock, the farmer, the villains
// with their shots, and the bonus table. The level owns it.
class LevelWorld {
  public:
    virtual ~LevelWorld() = default;

    // Empties the stock for a level whose warehouse may reach that level.
    virtual void ResetStock(uint32_t highestWarehouseLevel) = 0;
    // Units taken (up to the room). Like every change of the stock, it
    // brings the level's product goals up to date (UpdateGoals).
    virtual uint32_t AddProduct(uint32_t productId, uint32_t units) = 0;
    virtual uint32_t ProductCount(uint32_t productId) const = 0;
    // Each product's price times its count.
    virtual int64_t StockValue() const = 0;
    virtual void SaveStock(SaveWriter& out) const = 0;
    virtual bool LoadStock(SaveReader& in) = 0;

    virtual void CreatePlayer(int32_t x, int32_t y) = 0;
    virtual void SavePlayer(SaveWriter& out) const = 0;
    virtual bool LoadPlayer(SaveReader& in) = 0;
    // Stops the farmer's and every character's work (leaving the level).
    virtual void StopCharacters() = 0;
    // One 10-ms tick of the shots (before the points) and of the characters.
    virtual void TickShots(uint32_t ms) = 0;
    virtual void TickCharacters(uint32_t ms) = 0;
    // Runs the level's particles ticks 10-ms steps ahead (play begins).
    virtual void PreRunParticles(uint32_t ticks) = 0;
    // Tells the farmer a modifier of the level's speed track 0 or 5.
    virtual void SetPlayerSpeedModifier(uint32_t track, uint32_t id, float value) = 0;

    virtual bool IsVillainPlaceFree(uint32_t place) const = 0;
    virtual void CreateVillain(uint32_t place, uint32_t villainKind, const VillainPlace& where) = 0;
    // Sends the bees on every villain arriving or attacking (kVillainArriving,
    // kVillainAttacking).
    virtual void AttackVillainsByBees() = 0;
    // The shots (u32 count and records) and the villain places (u32 count,
    // per place the kind id and its character block).
    virtual void SaveVillains(SaveWriter& out) const = 0;
    virtual bool LoadVillains(SaveReader& in, uint32_t placeCount) = 0;

    // The bonus of a slot; false when the table has none.
    virtual bool GetBonus(uint32_t slot, BonusInfo* info) const = 0;

    // The farmer (owned by the world's map), or null before CreatePlayer.
    virtual MapPlayer* Player() = 0;
    // The warehouse point reached a stage: the stock's capacities follow.
    virtual void SetWarehouseLevel(uint32_t stage) = 0;
    // Units of a product that fit in the warehouse now.
    virtual uint32_t ProductRoom(uint32_t productId) const = 0;
    // A product's price (what a unit sells for when the warehouse is full).
    virtual int32_t ProductPrice(uint32_t productId) const = 0;
    // A product's number in the product table (its warehouse-full notice is
    // posted and throttled under kWarehouseFullMessage + the number).
    virtual uint32_t ProductNumber(uint32_t productId) const = 0;
    // A press on the field at (x, y) (field pixels) for the world's own
    // figures under it (a villain, its catapult, a flying shot) before the
    // points; true when one took it.
    virtual bool ClickFieldObject(float x, float y) = 0;
    // Whether a flying shot lies under (x, y) (field pixels): a press there
    // is the shot's, even over a button of the field.
    virtual bool ShotUnder(float x, float y) const = 0;
    // Before each drawing of the field: the world's figure that a press at
    // (x, y) would take is highlighted, every other one not; inField false:
    // the pointer is off the field and none is.
    virtual void HoverFieldObject(bool inField, float x, float y) = 0;
};

// A change of money shown as a label rising over the field.
struct FlyingMoney {
    int32_t amount = 0;   // negative for money spent
    int32_t x = 0, y = 0; // where the label starts (field pixels)
    int32_t yOffset = 0;  // added to y
};

// The level's sounds: the win's fanfare, a bonus starting, a point selected,
// products stored in the warehouse.
enum LevelSound : uint32_t {
    kLevelSoundWon = 0,
    kLevelSoundBonus = 1,
    kLevelSoundSelect = 2,
    kLevelSoundStore = 3
};

// The button of a mouse event as the level and its interface take it: the
// program encodes it once from the input device's code, and the values are
// also the screen sprites' button bits.
enum LevelMouseButton : uint32_t {
    kLevelMouseMove = 0, // no button: the pointer moved
    kLevelMouseLeft = 1,
    kLevelMouseRight = 2, // every button but the left one
};

// The level's interface (levelui/): the panel and its windows, the
// screen sprites and buttons over the field, the level's sounds and music.
// It also draws them and takes the input before the field does.
class LevelInterfaceHooks {
  public:
    virtual ~LevelInterfaceHooks() = default;
    // Every active screen sprite takes the look its disabled test gives now.
    virtual void RefreshScreenSprites() = 0;
    virtual void ShowEmptyPanel() = 0;
    virtual void CreateBonusButtons() = 0;
    virtual void UpdateBonusButton(uint32_t slot) = 0;
    // goal -1: every goal button.
    virtual void UpdateTaskButtons(int32_t goal) = 0;
    virtual void UpdateTimeBar() = 0;
    virtual void StartTextFadeOut() = 0;
    virtual void OpenInfoWindow() = 0;
    virtual void ShowGoalNotice(uint32_t goal) = 0;
    virtual void ShowAwardNotice(uint32_t award) = 0;
    virtual void ShowFlyingMoney(const FlyingMoney& money) = 0;
    virtual void ShowMenu(bool animated) = 0;
    virtual void OpenResultWindow(const LevelResult& result) = 0;
    virtual void OpenGameOverDialog() = 0;
    virtual bool IsGameWindowActive() const = 0;
    // A sound of the level (LevelSound) with its argument (the bonus slot);
    // the music starts with Begin.
    virtual void PlayLevelSound(uint32_t sound, uint32_t argument) = 0;
    // The selected point changed (point indices; -1 none).
    virtual void OnSelectionChanged(int32_t before, int32_t now) = 0;
    virtual void FadeOutWonSound(uint32_t ms) = 0;
    virtual void StartMusic(const char16_t* name) = 0;
    // Paused or running again (sounds, effects).
    virtual void ApplyPause(bool paused) = 0;
    // A click on a clean empty site: the build menu for that point.
    virtual void OpenBuildMenu(int32_t pointIndex) = 0;
    // A click on a point that has an order (a JOBID): true when the panel
    // offers the order as a button; false lets the click order it.
    virtual bool OfferPointOrder(int32_t pointIndex, uint32_t job) = 0;
    // The warehouse cannot take all of a product (its id).
    virtual void ShowWarehouseFull(uint32_t productId) = 0;
    // A damaged point's repair button over the field (animated or at once);
    // its click asks the point for its repair (BaseLevelPoint::RequestRepair).
    // A handle above 0, or 0 when no button can be shown.
    virtual uint32_t ShowRepairButton(int32_t pointIndex, bool animated) = 0;
    // Takes the repair button of a handle away (fading when animated); a
    // handle whose button has gone is nothing.
    virtual void HideRepairButton(uint32_t handle, bool animated) = 0;

    // Mouse input the windows left (the shell offers every event to them
    // before the level) goes to the screen sprites; true when one took it.
    // button: a LevelMouseButton; down: a press (true), or a release or a
    // move (false).
    virtual bool RouteMouseToScreenSprites(int32_t x, int32_t y, uint32_t button, bool down) = 0;
    // The point whose marks over the field (its progress line, stage stars,
    // a job's icon) show at the screen pixel (x, y): they are drawn in front
    // of the map, and a click on them picks their point. -1 none.
    virtual int32_t PointMarkAt(int32_t x, int32_t y) const = 0;

    // Drawing, after the map (the field picture is the map's lowest
    // object): the screen sprites, the panel and the windows (screen
    // coordinates).
    virtual void DrawScreenSprites(DXLViewer& viewer) = 0;
    virtual void DrawPanelAndWindows(DXLViewer& viewer) = 0;
    // The screen size changed: windows and the panel are anchored again.
    virtual void OnScreenSizeChanged(int32_t width, int32_t height) = 0;
};

// The running tutorial (tutorials/), when there is one.
class LevelTutorialHooks {
  public:
    virtual ~LevelTutorialHooks() = default;
    virtual bool IsRunning() const = 0;
    // A game event the tutorial follows, with its two arguments.
    virtual void Notify(TutorialEvent, uint32_t, TutorialObject) = 0;
    // Whether an action (with its tag and data) is allowed now.
    virtual bool Allows(TutorialAction, uint32_t, TutorialObject) const = 0;
    virtual void GoToStartStep() = 0;
    virtual void Finish() = 0;
    virtual bool IsSavedWithLevel() const = 0;
    virtual void Save(SaveWriter& out) const = 0;
    virtual bool Load(SaveReader& in) = 0;
    // A saved level without a tutorial drops the one its set-up created.
    virtual void Drop() = 0;
};

// The front-end screens (frontend/) and the profile store.
class LevelFrontEndHooks {
  public:
    virtual ~LevelFrontEndHooks() = default;
    // Shows comic 1..3 before the map; false when refused.
    virtual bool ShowComic(uint32_t comic) = 0;
    virtual void GoToMap() = 0;
    // Fills the result of a won level and stores it in the profile, which
    // writes the run's records line with it.
    virtual void StoreLevelResult(const GameLevel& level, LevelResult& result) = 0;
    // Switches the records file on for this run of the level.
    virtual void EnableRecords(uint32_t levelIndex) = 0;
    // True when the award's tier rose.
    virtual bool AddAwardCount(uint32_t award, int32_t amount) = 0;
    // True when the goal counter crossed its target.
    virtual bool AddGoalProgress(uint32_t goal, int32_t amount, bool relative) = 0;
    virtual void CheckFinalAward() = 0;
    // The profile's counter of an award goal kind (kAwardBonusesUsed: the bonus slots used, as bits).
    virtual int32_t GoalCounter(uint32_t goal) const = 0;
    // The profile's villains driven off in a row before they fired.
    virtual int32_t VillainsInARow() const = 0;
    virtual void SetVillainsInARow(int32_t count) = 0;
    // Saved games of the current profile, by regime and level index.
    virtual void StoreSavedGame(uint32_t regime, uint32_t levelIndex, std::unique_ptr<SaveBuffer> save) = 0;
    virtual void DeleteSavedGame(uint32_t regime, uint32_t levelIndex) = 0;
    // The slots of the chosen bonuses (bit s = slot s).
    virtual uint32_t ChosenBonusSlots() const = 0;
};

// The interface's hooks beyond the panel's, doing nothing, over a base
// that answers the panel's (a level or panel without the game around it).
template <class Base> class WithoutInterfaceBeyondPanel : public Base {
  public:
    void RefreshScreenSprites() override {}
    void OpenInfoWindow() override {}
    void ShowGoalNotice(uint32_t) override {}
    void ShowAwardNotice(uint32_t) override {}
    void ShowFlyingMoney(const FlyingMoney&) override {}
    void OpenResultWindow(const LevelResult&) override {}
    void OpenGameOverDialog() override {}
    bool IsGameWindowActive() const override { return true; }
    void PlayLevelSound(uint32_t, uint32_t) override {}
    void OnSelectionChanged(int32_t, int32_t) override {}
    void FadeOutWonSound(uint32_t) override {}
    void StartMusic(const char16_t*) override {}
    void ApplyPause(bool) override {}
    void OpenBuildMenu(int32_t) override {}
    bool OfferPointOrder(int32_t, uint32_t) override { return false; }
    void ShowWarehouseFull(uint32_t) override {}
    uint32_t ShowRepairButton(int32_t, bool) override { return 0; }
    void HideRepairButton(uint32_t, bool) override {}
    bool RouteMouseToScreenSprites(int32_t, int32_t, uint32_t, bool) override { return false; }
    int32_t PointMarkAt(int32_t, int32_t) const override { return -1; }
    void DrawScreenSprites(DXLViewer&) override {}
    void DrawPanelAndWindows(DXLViewer&) override {}
    void OnScreenSizeChanged(int32_t, int32_t) override {}
};

// The panel's own hooks of the interface, doing nothing.
class NoPanelHooks : public LevelInterfaceHooks {
  public:
    void ShowEmptyPanel() override {}
    void CreateBonusButtons() override {}
    void UpdateBonusButton(uint32_t) override {}
    void UpdateTaskButtons(int32_t) override {}
    void UpdateTimeBar() override {}
    void StartTextFadeOut() override {}
    void ShowMenu(bool) override {}
};

// A level without an interface (the content tools' and the benchmarks'
// levels): every hook does nothing. The game's interface overrides every
// hook itself; the wiring test checks that the level gets it, not this.
using NoLevelInterface = WithoutInterfaceBeyondPanel<NoPanelHooks>;

// A level that runs no tutorial: nothing runs, every action is allowed.
class NoLevelTutorial : public LevelTutorialHooks {
  public:
    bool IsRunning() const override { return false; }
    void Notify(TutorialEvent, uint32_t, TutorialObject) override {}
    bool Allows(TutorialAction, uint32_t, TutorialObject) const override { return true; }
    void GoToStartStep() override {}
    void Finish() override {}
    bool IsSavedWithLevel() const override { return false; }
    void Save(SaveWriter&) const override {}
    bool Load(SaveReader&) override { return false; }
    void Drop() override {}
};

// A level without the front end (no comics, map, profile or saves).
class NoLevelFrontEnd : public LevelFrontEndHooks {
  public:
    bool ShowComic(uint32_t) override { return false; }
    void GoToMap() override {}
    void StoreLevelResult(const GameLevel&, LevelResult&) override {}
    void EnableRecords(uint32_t) override {}
    bool AddAwardCount(uint32_t, int32_t) override { return false; }
    bool AddGoalProgress(uint32_t, int32_t, bool) override { return false; }
    void CheckFinalAward() override {}
    int32_t GoalCounter(uint32_t) const override { return 0; }
    int32_t VillainsInARow() const override { return 0; }
    void SetVillainsInARow(int32_t) override {}
    void StoreSavedGame(uint32_t, uint32_t, std::unique_ptr<SaveBuffer>) override {}
    void DeleteSavedGame(uint32_t, uint32_t) override {}
    uint32_t ChosenBonusSlots() const override { return 0; }
};
