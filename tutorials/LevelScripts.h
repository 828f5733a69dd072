#pragma once
// The scripted level tutorials: each level that teaches a part of the game
// (levels 1, 15 and 29, and the full warehouse) builds its chain of steps
// here. The steps read the level, its farm and its windows through
// ScriptLevel, which the program fills from the running level (and the tests
// from a fake), and point at the level panel's and the warehouse window's
// controls by their command ids.

#include "tutorials/LevelTutorial.h"
#include "tutorials/TutorialLayer.h"

#include <functional>
#include <string_view>

namespace tut {

// Controls the scripts point at.
constexpr uint32_t kPanelBonus = 0x4C500002;
constexpr uint32_t kPanelWarehouse = 0x4C500003;
constexpr uint32_t kPanelGoal = 0x4C500005;
constexpr uint32_t kChildRemove = 0xC9000002;
constexpr uint32_t kChildUpgrade = 0xC9000003;
constexpr uint32_t kChildFeed = 0xC9000004;
constexpr uint32_t kChildPlants = 0xC9000100;    // the empty site panel's plants button
constexpr uint32_t kChildBuildings = 0xC9000200; // its buildings button
constexpr uint32_t kChildPets = 0xC9000300;      // its animal houses button
constexpr uint32_t kChildPlantChoice = 0xC9000400;
constexpr uint32_t kChildBuildingChoice = 0xC9000500;
constexpr uint32_t kChildHouseChoice = 0xC9000600;
constexpr uint32_t kWarehouseCloseButton = 0x3A5E4080;
constexpr uint32_t kWarehouseSellOneButton = 0x3A5E4081;
constexpr uint32_t kWarehouseTileButton = 0x3A5E4083;
constexpr uint32_t kWarehouseUpgradeButton = 0x3A5E4084;
// The child panel of the empty site's plants.
constexpr uint32_t kPlantsChildPanel = 0x1001;

// The overhead buttons of a point, by the command of their screen sprite.
constexpr uint32_t kSpriteHarvest = Tag4("Harv");
constexpr uint32_t kSpriteWater = Tag4("Wate");
constexpr uint32_t kSpriteProduce = Tag4("Prod");
constexpr uint32_t kSpriteFeed = Tag4("Feed");
constexpr uint32_t kSpriteEggs = Tag4("Eggs");

// Job ids of the player's jobs.
enum ScriptJob : uint32_t { kJobWater = 3, kJobHarvest = 4, kJobFeed = 6, kJobTakeEggs = 7 };

// Point kinds (the level's).
enum ScriptPointKind : uint32_t { kKindSite = 0, kKindWarehouse = 1, kKindPlant = 2, kKindBuilding = 3 };
constexpr uint32_t kNoPoint = ~0u;

// Tutorial ids.
constexpr uint32_t kTutorialLevel1 = 0x80010000;
constexpr uint32_t kTutorialLevel15 = 0x800F0000;
constexpr uint32_t kTutorialWarehouse = 0x802A0000;
constexpr uint32_t kTutorialFullWarehouse = 0x802B0000;
// Level 15's hint: its flags, when it shows after the start, how long it stays.
constexpr uint32_t kLevel15Flags = 0x10001FF;
constexpr uint32_t kLevel15StartDelayMs = 1000, kLevel15StayMs = 7000;
// Flags after the warehouse tutorial: everything allowed, the level running.
constexpr uint32_t kWarehouseAfterFlags = 0x10001FF;
// The full-warehouse notice's id is this plus the product's number.
constexpr uint32_t kWarehouseFullNotice = 0x4001000;
// The field area's centre: half the screen width, half of the screen height above the panel.
constexpr int32_t kFieldCentrePanel = 115;

// What the scripts read and change of the running level. Point indices are
// the level's; a point that does not exist answers "none".
class ScriptLevel : public TutorialLevel, public FieldView {
  public:
    virtual WindowManager* Windows() const = 0;
    virtual int32_t ScreenWidth() const = 0;
    virtual int32_t ScreenHeight() const = 0;

    // ---- goals, products and types
    // The data the goal button of goal i carries (0 none) and its target amount.
    virtual uintptr_t GoalData(uint32_t goal) const = 0;
    virtual uint32_t GoalAmount(uint32_t goal) const = 0;
    // The product a goal counts (0 none).
    virtual uint32_t GoalProduct(uint32_t goal) const = 0;
    // The plant type record by name (the plant choice button's data), 0 none.
    virtual uintptr_t PlantType(std::u16string_view name) const = 0;
    // The harvest product of a plant type by name (0 none).
    virtual uint32_t PlantProduct(std::u16string_view name) const = 0;
    // A product's record (the warehouse tile's data), 0 none; its number in the table.
    virtual uintptr_t ProductRecord(uint32_t productId) const = 0;
    virtual uint32_t ProductNumber(uint32_t productId) const = 0;
    virtual uint32_t Stock(uint32_t productId) const = 0;

    // ---- points
    virtual uint32_t PointKind(int32_t point) const = 0; // kNoPoint when absent
    virtual int32_t PointStage(int32_t point) const = 0;
    // A plant point's ripeness (0..100), water and its maximum; -1 / 0 otherwise.
    virtual float Ripeness(int32_t point) const = 0;
    virtual uint32_t Water(int32_t point) const = 0;
    virtual uint32_t WaterMax(int32_t point) const = 0;
    virtual void SetWater(int32_t point, uint32_t count) = 0;
    // Whether a job of that id works at the point.
    virtual bool HasJob(int32_t point, uint32_t jobId) const = 0;
    // The screen rectangle of a point's overhead button with that command; false when it shows none.
    virtual bool ButtonRect(int32_t point, uint32_t command, kis::Rect* out) const = 0;
    // The point whose overhead button a screen sprite is (-1 when it cannot tell), and the
    // index of a point handed out with an event (-1 none).
    virtual int32_t SpritePoint(uintptr_t sprite) const = 0;
    virtual int32_t PointIndex(uintptr_t point) const = 0;

    // ---- the farmer
    // The job the farmer works at now: its id and point, and the farmer's
    // distance to the job's place; false when idle.
    virtual bool CurrentJob(uint32_t* jobId, int32_t* point, float* distance) const = 0;
    // The id of the last job in the farmer's queue (0 none).
    virtual uint32_t LastQueuedJob() const = 0;
    // The point of a job handed out with event 0x80000004 (-1 none).
    virtual int32_t JobPoint(uintptr_t job) const = 0;

    // ---- windows
    // The warehouse window is open (and, with settled, neither closing nor animating).
    virtual bool WarehouseOpen(bool settled) const = 0;
    // The warehouse window's screen rectangle.
    virtual bool WarehouseRect(kis::Rect* out) const = 0;
    // The screen point above the text of the warehouse window's selected row.
    virtual bool SelectedRowText(kis::Point* out) const = 0;
    // The centre of the bottom edge of the panel's money window.
    virtual bool MoneyWindowBottom(kis::Point* out) const = 0;
    // The level panel shows the child panel with that id.
    virtual bool PanelShows(uint32_t childId) const = 0;
    // A notice of the level with that id: its right edge and top (screen).
    virtual bool NoticeCorner(uint32_t id, kis::Point* out) const = 0;
    // The id of a notice handed out with action 4.
    virtual uint32_t NoticeId(uintptr_t notice) const = 0;
};

// Makes the scripted tutorial of a level index (0-based); null for levels
// without one. The tutorial waits for the level clock.
GameTutorial* MakeLevelTutorial(TutorialRunner& runner, uint32_t levelIndex, ScriptLevel& level);
// The tutorial of the first full warehouse (not saved with the level): it
// starts at once.
GameTutorial* MakeFullWarehouseTutorial(TutorialRunner& runner, ScriptLevel& level, uint32_t productId);

// The screen point of the field area's centre.
kis::Point FieldCentre(const ScriptLevel& level);

// A scripted level step: the flags of a level step and the pieces a script
// gives it. Pieces left empty do the base thing.
class ScriptStep : public LevelTutorialStep {
  public:
    ScriptStep(LevelTutorial& owner, ScriptLevel& level, uint32_t id, uint32_t windowTag,
               uint32_t flagsActive, uint32_t flagsAfter)
        : LevelTutorialStep(owner, id, windowTag, flagsActive, flagsAfter), level(level) {}

    void Begin() override {
        if (begin) begin(*this);
    }
    void OnActivate() override {
        LevelTutorialStep::OnActivate();
        if (activate) activate(*this);
    }
    void OnDeactivate() override {
        LevelTutorialStep::OnDeactivate();
        if (deactivate) deactivate(*this);
    }
    bool CanBegin() override { return !canBegin || canBegin(*this); }
    void Update(uint32_t dt) override {
        if (update) update(*this, dt);
    }
    bool IsActionAllowed(uint32_t action, uint32_t tag, uintptr_t data) override {
        return allows && allows(*this, action, tag, data);
    }
    void OnEvent(uint32_t event, uintptr_t a, uintptr_t b) override {
        if (onEvent) onEvent(*this, event, a, b);
    }
    bool IsClickArea(int32_t x, int32_t y) const override {
        if (notClickArea && notClickArea(x, y)) return false;
        return LevelTutorialStep::IsClickArea(x, y);
    }
    void Complete() override;
    bool SaveState(SaveWriter& stream) override;

    // ---- tools for the pieces
    LevelTutorial& Tutorial() const { return static_cast<LevelTutorial&>(Owner()); }
    // Closes the layer and sets the flags without completing the step.
    void CloseAndSetFlags(uint32_t flags);
    // An arrow (a level arrow with mask 0 when level) at the target.
    void Arrow(const TutorialTarget& target, uint32_t id = 1, bool levelArrow = false);
    // A box with the step's text (or the key's) at a copy of the target.
    void Box(const TutorialTarget& target, bool clickLine, float distance = 84,
             const std::u16string& key = u"");
    // A box with the step's text centred (or touching, centred false) on the target, which it takes.
    void BoxOn(std::unique_ptr<TutorialTarget> target, bool clickLine, float distance, bool centred = true,
               const std::u16string& key = u"");

    ScriptLevel& level;
    std::function<void(ScriptStep&)> begin, activate, deactivate;
    std::function<bool(ScriptStep&)> canBegin;
    std::function<void(ScriptStep&, uint32_t)> update;
    std::function<bool(ScriptStep&, uint32_t, uint32_t, uintptr_t)> allows;
    std::function<void(ScriptStep&, uint32_t, uintptr_t, uintptr_t)> onEvent;
    std::function<bool(int32_t, int32_t)> notClickArea;
    // The id a save resumes at (0: the step itself).
    std::function<uint32_t(ScriptStep&)> resume;
    // The tutorial's delay after the step completed (-1: the engine's).
    int32_t delayAfter = -1;
    StepTimer timer;
};

// ---- targets
std::unique_ptr<TutorialTarget> PanelButton(ScriptLevel& level, uint32_t command, uintptr_t data, float angle,
                                            float distance = 4);
std::unique_ptr<TutorialTarget> WarehouseButton(ScriptLevel& level, uint32_t command, uintptr_t data,
                                                float angle, float distance = 4);
std::unique_ptr<TutorialTarget> LevelPoint(ScriptLevel& level, int32_t point, float angle = 90,
                                           float distance = 64);
// A point's overhead button: the edge point of its rectangle at the angle.
std::unique_ptr<TutorialTarget> PointButton(ScriptLevel& level, int32_t point, uint32_t command, float angle,
                                            float distance = 4);
// The field area's centre.
std::unique_ptr<TutorialTarget> FieldCentreTarget(ScriptLevel& level, float angle, float distance = 0);

} // namespace tut
