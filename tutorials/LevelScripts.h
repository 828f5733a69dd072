#pragma once
// The scripted level tutorials: each level that teaches a part of the game
// (levels 1-6, 8, 15 and 29, and the full warehouse) builds its chain of
// steps here. The steps read the level, its farm and its windows through
// ScriptLevel, which the program fills from the running level (and the tests
// from a fake), and point at the level panel's and the warehouse window's
// controls by their command ids.

#include "app/BonusKind.h"
#include "tutorials/LevelTutorial.h"
#include "tutorials/TutorialLayer.h"

#include <functional>
#include <string_view>

class SpriteObject;

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
// The level panel's child panels: the empty site's plant choices, and an
// animal house's own (with its feed button).
constexpr uint32_t kPlantsChildPanel = 0x1001;
constexpr uint32_t kPetsChildPanel = 0x1002;

// The overhead buttons of a point, by the command of their screen sprite.
constexpr uint32_t kSpriteHarvest = Tag4("Harv");
constexpr uint32_t kSpriteWater = Tag4("Wate");
constexpr uint32_t kSpriteProduce = Tag4("Prod");
constexpr uint32_t kSpriteFeed = Tag4("Feed");
constexpr uint32_t kSpriteEggs = Tag4("Eggs");
constexpr uint32_t kSpriteRepair = Tag4("Repa");
// A factory's production slot buttons: this plus the slot.
constexpr uint32_t kSpriteSlot = Tag4("Slo0");

// Job ids of the player's jobs.
enum ScriptJob : uint32_t {
    kJobAny = 0, // any job of the farmer at a point
    kJobPlant = 2,
    kJobWater = 3,
    kJobHarvest = 4,
    kJobBuild = 5,
    kJobFeed = 6,
    kJobTakeEggs = 7,
    kJobRepair = 12,
};

// Point kinds (the level's).
enum ScriptPointKind : uint32_t { kKindSite = 0, kKindWarehouse = 1, kKindPlant = 2, kKindBuilding = 3 };
constexpr uint32_t kNoPoint = ~0u;

// Tutorial ids.
constexpr uint32_t kTutorialLevel1 = 0x80010000;
constexpr uint32_t kTutorialLevel2 = 0x80020000;
constexpr uint32_t kTutorialLevel3 = 0x80030000;
constexpr uint32_t kTutorialLevel4 = 0x80040000;
constexpr uint32_t kTutorialLevel5 = 0x80050000;
constexpr uint32_t kTutorialLevel6 = 0x80060000;
constexpr uint32_t kTutorialLevel8 = 0x80080000;
// Level 8 begins with the bee bonus's step, numbered as a tutorial of its own.
constexpr uint32_t kStepBonusBees = 0x80330001;
constexpr uint32_t kBonusBeesDelayMs = 2200;
constexpr uint32_t kTutorialLevel15 = 0x800F0000;
constexpr uint32_t kTutorialWarehouse = 0x802A0000;
constexpr uint32_t kTutorialFullWarehouse = 0x802B0000;
// Everything a level tutorial may allow, and the windows' controls.
constexpr uint32_t kAllowAll = kAllowClickPoint | kAllowPickObject | kAllowHoverPoint | kAllowStartJob |
                               kAllowWalk | kAllowPlantGrows | kAllowProduce | kAllowVillains |
                               kAllowStepAside;
// Level 15's hint: its flags, when it shows after the start, how long it stays.
constexpr uint32_t kLevel15Flags = kFlagWindows | kAllowAll;
constexpr uint32_t kLevel15StartDelayMs = 1000, kLevel15StayMs = 7000;
// Flags after the warehouse tutorial: everything allowed, the level running.
constexpr uint32_t kWarehouseAfterFlags = kFlagWindows | kAllowAll;
// The full-warehouse notice's id is this plus the product's number.
constexpr uint32_t kWarehouseFullNotice = 0x4001000;
// The field area's centre: half the screen width, half of the screen height above the panel.
constexpr int32_t kFieldCentrePanel = 115;
// Speed tracks: the factories' entry of a speed modifier, the modifier of
// level 3's two-slot production, and the number of entries.
constexpr uint32_t kFactoryTrack = 3;
constexpr uint32_t kTwoSlotsModifier = 776;
constexpr uint32_t kTrackCount = 6;
// Villain activity (TutorialAction::Villains) by the object asking: a shot in flight, a
// villain's own moves, and a kind always held while level 6 runs.
constexpr uint32_t kVillainShotObject = 0x20000010;
constexpr uint32_t kVillainObject = 0x20000110;
constexpr uint32_t kVillainHeldObject = 0x40000010;
// Villain states the scripts set and read.
constexpr int32_t kVillainAttacking = 1, kVillainLeaving = 2, kVillainTutorialHold = 7;
// The warehouse building on the field, picked as a map object.
constexpr uint32_t kWarehouseObject = 0x10002000;

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
    // What a tutorial box leaves in sight, added to the list: every button
    // shown over the field, the farmer, the money strip and the menu corner
    // along the top, and the button that closes the tutorial.
    virtual void KeptInSightRects(std::vector<kis::Rect>& out) const = 0;
    // The panel's controls over the field, added to the list: the money
    // strip and the menu corner along the top, the button that closes the
    // tutorial and the bonus buttons.
    virtual void PanelControlRects(std::vector<kis::Rect>& out) const = 0;
    // What no tutorial box covers, added to the list: the panel's controls
    // over the field, the panel itself (its buttons, bars, clock and goals),
    // every button shown over the field and the room over each bed where its
    // growth line and its buttons show. The panel's controls over the field
    // here.
    virtual void NeverCoveredRects(std::vector<kis::Rect>& out) const { PanelControlRects(out); }
    // The screen rectangle of a point's pictures (its bed, building or site);
    // false when it shows none.
    virtual bool PointRect(int32_t point, kis::Rect* out) const = 0;
    // The point whose overhead button a screen sprite is (-1 when it cannot tell), and the
    // index of a point handed out with an event (-1 none).
    virtual int32_t SpritePoint(TutorialObject sprite) const = 0;
    virtual int32_t PointIndex(TutorialObject point) const = 0;

    // ---- the farmer
    // The job the farmer works at now: its id and point, and the farmer's
    // distance to the job's place; false when idle.
    virtual bool CurrentJob(uint32_t* jobId, int32_t* point, float* distance) const = 0;
    // The id of the last job in the farmer's queue (0 none).
    virtual uint32_t LastQueuedJob() const = 0;
    // The point of a job handed out with TutorialEvent::JobOrdered (-1 none).
    virtual int32_t JobPoint(TutorialObject job) const = 0;

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
    // The id of a notice handed out with TutorialAction::Message.
    virtual uint32_t NoticeId(TutorialObject notice) const = 0;

    // ---- buildings: factories and animal houses
    // A building type's record by name (the building and house choices' data), 0 none.
    virtual uintptr_t BuildingType(std::u16string_view name) const = 0;
    // Product and plant ids by name (0 none).
    virtual uint32_t ProductId(std::u16string_view name) const = 0;
    virtual uint32_t PlantId(std::u16string_view name) const = 0;
    // The point is a building of the named type / a factory / an animal house.
    virtual bool PointIsType(int32_t point, std::u16string_view type) const = 0;
    virtual bool IsFactory(int32_t point) const = 0;
    virtual bool IsHouse(int32_t point) const = 0;
    // A factory's production slots and those in use (0 otherwise).
    virtual int32_t SlotCount(int32_t point) const = 0;
    virtual int32_t SlotsInUse(int32_t point) const = 0;
    // The product of a factory's first recipe (0 none).
    virtual uint32_t FirstRecipeProduct(int32_t point) const = 0;
    // The rate of a factory's production and of an animal house's cycle (1 normally).
    virtual void SetFactoryRate(int32_t point, float rate) = 0;
    virtual void SetHouseRate(int32_t point, float rate) = 0;
    // An animal house has been fed (its ready flag).
    virtual bool HouseFed(int32_t point) const = 0;
    // A point's working position on the screen.
    virtual bool WorkPosition(int32_t point, kis::Point* out) const = 0;
    // The press lock of an overhead button's sprite (0: it may be pressed).
    virtual uint32_t ButtonLock(TutorialObject sprite) const = 0;
    // The level's speed modifier with an entry per speed track.
    virtual void SetSpeedModifier(const float (&values)[kTrackCount], bool on, uint32_t id) = 0;
    // The product of the stock's first record (0 an empty stock).
    virtual uint32_t FirstStockProduct() const = 0;

    // ---- the objects of the boxes' custom text tags (0: none)
    // The level's goal entry of goal i (the task tag's 16-byte record).
    virtual uintptr_t GoalEntry(uint32_t goal) const = 0;
    // A building point (the building tag's object) and a plant bed point
    // (the plant bed tag's); 0 when the point is not of that kind.
    virtual uintptr_t BuildingObject(int32_t point) const = 0;
    virtual uintptr_t PlantBedObject(int32_t point) const = 0;
    // The map object a point's building shows on the field (what a pick of
    // that building names); null without one.
    virtual const SpriteObject* PointMapObject(int32_t point) const = 0;
    // The screen rectangle of a control of the top-most window with the tag.
    bool ControlRect(uint32_t windowTag, uint32_t command, kis::Rect* out) const;

    // ---- villains and bonuses
    virtual bool VillainsEnabled() const = 0;
    // The player took the bonus into the level; the data its panel button
    // carries; its panel button is blocked.
    virtual bool HasBonus(BonusKind kind) const = 0;
    virtual uintptr_t BonusButtonData(BonusKind kind) const = 0;
    virtual bool BonusButtonBlocked(BonusKind kind) const = 0;
    // The level's villain slots: a slot's villain state (-1 empty).
    virtual int32_t VillainSlots() const = 0;
    virtual int32_t VillainState(int32_t slot) const = 0;
    // The slot of a villain handed out with TutorialEvent::Shot (-1 none).
    virtual int32_t VillainSlot(TutorialObject villain) const = 0;
    // Sets the time until the next villain comes.
    virtual void SetVillainTimer(uint32_t ms) = 0;
    // Gives a villain at least one shot and sets its behaviour state.
    virtual void ArmVillain(int32_t slot, int32_t state) = 0;
    // The villain fires at once.
    virtual void VillainShoot(int32_t slot) = 0;
    // A villain's field position.
    virtual bool VillainPosition(int32_t slot, kis::Vector2* out) const = 0;
    // The shots in flight, in order: a shot's field position, the share of its
    // way it has covered and its picked mark; the progress of a shot handed
    // out with TutorialAction::Villains.
    virtual int32_t ShotsInFlight() const = 0;
    virtual bool ShotAt(int32_t shot, kis::Vector2* field, float* progress, bool* picked) const = 0;
    virtual float ShotProgress(TutorialObject shot) const = 0;
    // A shot's flight starts again to last the ticks.
    virtual void RetimeShot(int32_t shot, uint32_t ticks) = 0;
    // The level tick's length (ms).
    virtual uint32_t TickMs() const = 0;
    // A level point is damaged by a shot.
    virtual bool IsDamaged(int32_t point) const = 0;
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
    bool IsActionAllowed(TutorialAction action, uint32_t tag, TutorialObject data) override {
        return allows && allows(*this, action, tag, data);
    }
    void OnEvent(TutorialEvent event, uint32_t a, TutorialObject b) override {
        if (onEvent) onEvent(*this, event, a, b);
    }
    // The buttons over the field, the farmer and the top strip: a box does
    // not hide what the player may click, who works or the level's name and
    // money; nor the points the step names.
    // The boxes of a step about a window over the field (the warehouse's)
    // stand on that window's face.
    bool BoxRoom(kis::Rect& room) const override {
        return WindowTag() != kTagLevelPanel && Layer() &&
               WindowFaceRoom(Layer()->Manager(), WindowTag(), room);
    }
    // An arrow lies over none of what no box covers either: the panel, its
    // controls over the field, the field's other buttons and the beds'
    // growth room.
    void AddArrowKeepOffRects(std::vector<kis::Rect>& rects) const override {
        level.NeverCoveredRects(rects);
    }
    void AddNeverCoveredRects(std::vector<kis::Rect>& rects) const override {
        level.NeverCoveredRects(rects);
    }
    void AddSightRects(std::vector<kis::Rect>& rects) const override {
        level.KeptInSightRects(rects);
        kis::Rect r{};
        for (int32_t point : sightPoints)
            if (level.PointRect(point, &r)) rects.push_back(r);
    }
    // A player who answers a box over the field by clicking what she wants
    // to do next (the harvest button, once the tutorial ends) has it done;
    // the warehouse window's steps keep their clicks.
    bool PassesCompletingClick() const override { return WindowTag() == kTagLevelPanel; }
    bool IsClickArea(int32_t x, int32_t y) const override {
        if (notClickArea && notClickArea(x, y)) return false;
        return OnPointedControl(x, y) || LevelTutorialStep::IsClickArea(x, y);
    }
    void Complete() override;
    bool SaveState(SaveWriter& stream) override;

    // ---- tools for the pieces
    LevelTutorial& Tutorial() const { return static_cast<LevelTutorial&>(Owner()); }
    // Closes the layer and sets the flags without completing the step.
    void CloseAndSetFlags(uint32_t flags);
    // An arrow (a level arrow with mask 0 when level) at the target.
    void Arrow(const TutorialTarget& target, uint32_t id = 1, bool levelArrow = false);
    // The context of the step's boxes: their texts' custom tags are expanded
    // for the kind (a text-tag context kind) and the object, which is looked
    // up when a box is made.
    void SetContext(uint32_t kind, std::function<uintptr_t(ScriptLevel&)> object) {
        contextKind = kind;
        contextObject = std::move(object);
    }
    // A box with the step's text (or the key's) at a copy of the target.
    void Box(const TutorialTarget& target, bool clickLine, float distance = 84,
             const std::u16string& key = u"");
    // An arrow at a target the step's layer takes.
    void ArrowOn(std::unique_ptr<TutorialTarget> target, uint32_t id = 1);
    // A box with the step's text centred (or touching, centred false) on the target, which it takes.
    void BoxOn(std::unique_ptr<TutorialTarget> target, bool clickLine, float distance, bool centred = true,
               const std::u16string& key = u"");

    ScriptLevel& level;
    uint32_t contextKind = 0;
    std::function<uintptr_t(ScriptLevel&)> contextObject;
    std::function<void(ScriptStep&)> begin, activate, deactivate;
    std::function<bool(ScriptStep&)> canBegin;
    std::function<void(ScriptStep&, uint32_t)> update;
    std::function<bool(ScriptStep&, TutorialAction, uint32_t, TutorialObject)> allows;
    std::function<void(ScriptStep&, TutorialEvent, uint32_t, TutorialObject)> onEvent;
    std::function<bool(int32_t, int32_t)> notClickArea;
    // Points whose pictures the step's boxes leave in sight (what its arrows
    // point at beside them: a building's slots, the farmer's working place).
    std::vector<int32_t> sightPoints;
    // The id a save resumes at (0: the step itself).
    std::function<uint32_t(ScriptStep&)> resume;
    // The tutorial's delay after the step completed (-1: the engine's).
    int32_t delayAfter = -1;
    StepTimer timer;
    // A point the step keeps while it is current (-1 none).
    int32_t keptPoint = -1;
    // A step that prepares the level once before it begins.
    bool prepared = false;

  private:
    // Over a control an arrow of the step points at (a panel's control too):
    // a player answers "click to continue" there as well.
    bool OnPointedControl(int32_t x, int32_t y) const;
    // A box with the text of the key (the step's own when empty) and the step's context.
    std::unique_ptr<TutorialInfo> MakeBox(TutorialLayer& layer, const std::u16string& key, bool clickLine);
};

} // namespace tut
