#pragma once
// Buildings on the level: the building point (a bought site raised level by
// level by the farmer's Job_Build), its map picture with production
// animations, the factories that turn stock into goods in timed slots, and
// the warehouse whose level sets the stock's capacities.
//
// The points reach the level through their FarmHost (farm/FarmHost.h),
// which outlives them. MakeBuildingPoint is the point maker the level world
// calls for kPointWarehouse and kPointBuilding;
// RegisterBuildingJobLoaders puts the Job_Build loader in the farmer's table.

#include "farm/Buildings.h"
#include "farm/FarmHost.h"
#include "level/GameLevel.h"
#include "level/GameMessager.h"
#include "level/Job.h"
#include "level/LevelPoint.h"
#include "level/SpriteObject.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class GPSSpace;
class Job_Build;
class MapBuilding;
class MapPlayer;

// Map object kind words.
constexpr uint32_t kMapBuildingKind = 0x10002000;
constexpr uint32_t kBuildingExtraKind = 0x10002001;
constexpr uint32_t kBuildingSiteKind = 0x10002002;
constexpr int32_t kBuildingLayer = 3;
// The job's icon is drawn in its own colours (a dark tint would hide it).
constexpr uint32_t kBuildIconTint = 0xFFFFFFFF;
// The upgrade button's command.
constexpr uint32_t kUpgradeCommand = 0xC9000003;
// The factory's child-panel id.
constexpr uint32_t kFactoryPanelId = 0x1001;
// The speed group of the factories.
constexpr uint32_t kFactorySpeedGroup = 3;
// The goal kind of a building's level.
constexpr uint32_t kBuildingGoalKind = 3;
constexpr uint32_t kWorkingSoundFadeMs = 250;

// ---------------------------------------------------------------- panel layout

// Places in the 420-pixel strip centred in a building panel.
struct BuildingPanelLayout {
    static constexpr int32_t kStripWidth = 420;
    int32_t levelBlockX, upgradeX, removeX;
};
BuildingPanelLayout LayoutBuildingPanel(int32_t panelLeft, int32_t panelWidth);

// ---------------------------------------------------------------- animations

// One production animation of a building: a frame table played in cycles.
struct BuildingAnimation {
    enum State : int32_t { kStopped = 0, kFinishing = 1, kLooping = 2 };
    MapSprite* sprite = nullptr; // owned by its library; null in a test
    float x = 0.0f, y = 0.0f;
    int32_t state = kStopped;
    int32_t index = 0;
    int32_t frames = 0;
    uint32_t frameMs = 0;
    float rate = 1.0f;
    const uint32_t* table = nullptr; // the level record's, frames entries
    float time = 0.0f;

    void Start(float newRate);
    void Stop();
    void Update(uint32_t ms);
    // The sprite frame shown now.
    uint32_t Frame() const { return table && frames > 0 ? table[index] : 0; }
};

// The x of a production animation on a mirrored building.
float MirroredAnimationX(int32_t baseWidth, int32_t animationWidth, float x);

// The picture of a built building: the level's map sprite, its extra
// sprites and the production animations.
class MapBuilding : public SpriteObject {
  public:
    static constexpr uint32_t kVanishMs = 200;
    static constexpr uint32_t kAppearMs = 200;

    // The picture of the point's current stage (at least 1).
    MapBuilding(LevelMap* map, PointBuilding* point, FarmHost* host);
    ~MapBuilding() override;

    void Release() override;
    uint32_t StartVanish(uint32_t delay) override;
    void AttachEffect(SpriteEffect* effect) override;
    void StopEffects() override;
    void DrawSprite(DXLViewer& viewer, uint32_t colour) override;
    // The level's picture, its extra sprites or a production animation.
    bool Covers(float x, float y) const override;
    void SetScale(float scale) override;
    // Stops the effects; answers the delay plus the length of the build
    // effect when animated.
    virtual uint32_t StartAppear(bool animated, uint32_t delay);

    void StartAnimations(float rate);
    void StopAnimations();
    void UpdateAnimations(uint32_t ms);
    void SetAnimationRate(float rate);
    void DrawParticles(DXLViewer& viewer);

    int32_t ShownStage() const { return stage_; }
    const std::vector<BuildingAnimation>& Animations() const { return animations_; }
    size_t ExtraCount() const { return extras_.size(); }
    // The particle space of the level's emitters (null when it has none).
    const GPSSpace* Particles() const { return particles_.get(); }

  private:
    int32_t stage_;
    std::unique_ptr<GPSSpace> particles_;
    std::vector<std::unique_ptr<SpriteObject>> extras_;
    std::vector<BuildingAnimation> animations_;
};

// ---------------------------------------------------------------- building point

class PointBuilding : public LevelPoint {
  public:
    // type: owned by the building list; host: outlives the point.
    PointBuilding(FarmHost* host, uint32_t index, uint32_t kind, BUILDING* type);
    ~PointBuilding() override;

    // Takes the record and raises the point from "new" to the record's stage.
    void Setup(const PointRecord& record) override;
    uint32_t Remove(bool animated, bool forGood, uint32_t delay) override;
    void SetMirrored(bool mirrored) override;
    bool AcceptsWork() const override { return stage_ > 0; }
    void OnDamaged(bool animated) override;
    void OnRepaired(bool animated) override;
    int32_t Update(uint32_t ms) override;
    void GetInfo(PointRecord* record) const override;
    uint32_t LongestPendingDelayMs() const override;
    // A building at stage 0 was bought with its build ordered.
    bool FitsLoadedJobs() const override { return stage_ > 0 || buildJob_; }

    virtual void OnAttach();
    virtual void OnDetach();
    // A click selects the building: its panel shows.
    void OnClick() override { LevelPoint::OnClick(); }
    // A click picks the building's picture.
    const SpriteObject* PickedObject() const override;
    virtual void Unlock();
    // Raises the building to a stage (clamped to the highest level allowed).
    // False for a lower stage; true for the current one (also at stage 0).
    virtual bool SetStage(int32_t stage, bool animated, uint32_t delay);
    virtual int32_t StageLimit() const = 0;
    virtual uint32_t CreateVisuals(bool animated, uint32_t delay);
    virtual uint32_t CreateMapBuilding(bool animated, uint32_t delay);
    virtual uint32_t ReleaseMapBuilding(bool animated, uint32_t delay);
    virtual void OnUpgradeBegin();
    virtual void OnUpgradeCancel();
    virtual bool HasPanel() const = 0;
    virtual void SetBuildPending(bool, bool) {}

    // The place the building shows its stars and the farmer works at.
    void GetPosition(float* x, float* y) const;
    void GetWorkPosition(float* x, float* y) const;
    // The farmer's jobs of the level (a repair, a pull-down) work at the
    // building's work spot, not inside it.
    void GetWorkOffset(float* dx, float* dy) const override;
    void GetStarsPosition(float* x, float* y) const override;

    void CancelBuildJob(bool animated);
    void BeginUpgrade();
    void FinishUpgrade();
    // The build job's link: set by a new Job_Build, cleared by either side.
    void LinkBuildJob(Job_Build* job) { buildJob_ = job; }
    void UnlinkBuildJob(const Job_Build* job) {
        if (buildJob_ == job) buildJob_ = nullptr;
    }

    // The panel's upgrade block: the price of the next level (0 at the
    // highest), whether it may be ordered, and the order itself (refused
    // when not enabled or the level's money is short).
    int32_t UpgradePrice() const;
    bool CanUpgrade() const;
    bool OnButtonCommand(uint32_t command);
    // Orders a Job_Build of the farmer; false when there is no farmer, the
    // money is short or the queue is full.
    bool OrderBuild(bool animated);

    BUILDING* Type() const { return type_; }
    int32_t HighestAllowed() const;
    // The level record of a building level 1..levelCount; null outside.
    const BuildingLevel* LevelRecord(int32_t level) const;
    int32_t AnchorX() const { return anchorX_; }
    int32_t AnchorY() const { return anchorY_; }
    bool IsUpgrading() const { return upgrading_; }
    Job_Build* BuildJob() const { return buildJob_; }
    MapBuilding* Building() const { return mapBuilding_; }
    SpriteObject* SiteSprite() const { return site_; }
    FarmHost* Host() const { return host_; }
    uint32_t PendingDelay() const { return pendingDelayMs_; }

  protected:
    FarmHost* host_; // outlives the point
    BUILDING* type_; // owned by the building list
    int32_t anchorX_ = 0, anchorY_ = 0;
    bool upgrading_ = false;
    SpriteObject* site_ = nullptr;       // owned by the map
    MapBuilding* mapBuilding_ = nullptr; // owned by the map
    Job_Build* buildJob_ = nullptr;      // owned by the farmer's queue
    uint32_t effectDelay_ = 0;
};

// ---------------------------------------------------------------- the build job

class Job_Build : public Job {
  public:
    static constexpr size_t kRecordSize = 44;

    // reserve: take the price of the next level from the level's money and
    // tell the tutorial (a new order); a loaded job takes its record's.
    Job_Build(MapPlayer* player, PointBuilding* point, bool reserve = true);
    ~Job_Build() override;

    bool SetStep(int32_t step) override;
    bool GetPosition(float* x, float* y) const override;
    void Update(uint32_t ms) override;
    bool Stop() override;
    bool Save(JobSaveContext& context, SaveWriter& writer) override;

    // The point lets go of the job (it is being cancelled from the point's
    // side): the job no longer touches the point when it stops.
    void Unlink() { point_ = nullptr; }
    PointBuilding* Point() const { return point_; }
    // Whether the money for the next level could be reserved.
    bool IsReserved() const { return reservedOk_; }

    // The saved job, for the farmer's loader table.
    static std::unique_ptr<Job> Load(MapPlayer* player, const uint8_t* record, size_t size);

  private:
    void BeginStep();
    PointBuilding* point_; // the level owns it; cleared when either side lets go
    bool reservedOk_ = false;
    bool waiting_ = false;
};

void RegisterBuildingJobLoaders();

// ---------------------------------------------------------------- factory

class PointFactory : public PointBuilding {
  public:
    static constexpr uint32_t kRecordSize = 72;

    struct Recipe {
        int32_t productIndex;
        PRODUCT* product;
        std::unique_ptr<OverheadButton> button;
        bool inStock = false;
    };
    struct Slot {
        Recipe* recipe = nullptr;
        float progress = 0.0f; // ms
        float duration = 0.0f; // ms
        std::unique_ptr<OverheadButton> button;
    };

    PointFactory(FarmHost* host, uint32_t index, BUILDING* type);
    ~PointFactory() override;

    uint32_t Remove(bool animated, bool forGood, uint32_t delay) override;
    void OnDamaged(bool animated) override;
    void OnRepaired(bool animated) override;
    int32_t Update(uint32_t ms) override;
    void StartTrack(uint32_t id, float value) override;
    uint32_t SpeedGroup() const override { return kFactorySpeedGroup; }
    void SaveOwn(SaveWriter& out) const override;
    bool LoadOwn(SaveReader& in) override;
    int32_t StageLimit() const override { return kMaxBuildingLevels; }
    void OnAttach() override;
    void Unlock() override;
    uint32_t CreateVisuals(bool animated, uint32_t delay) override;
    void OnUpgradeBegin() override;
    void OnUpgradeCancel() override;
    bool HasPanel() const override { return true; }
    void LockPoint();

    // Starts a recipe in a slot (-1: the first free one); false when none
    // is free.
    bool StartProduction(int32_t recipe, int32_t slot, bool takeIngredients);
    void FinishSlot(int32_t slot, bool cancelled);
    void SetProducedCount(uint32_t n, bool animated);
    void ShowProductionButtons(bool animated, int32_t delay);
    void HideProductionButtons(bool animated, bool refund, uint32_t delay);
    void RefreshRecipes();
    void RefreshSlotButton(int32_t slot);
    void RefreshProductionButtons();
    void GetSlotPosition(int32_t slot, int32_t* x, int32_t* y) const;
    // The overhead buttons' commands (pressed: the buttons' pressed value).
    bool OnProductionButton(int32_t recipe, uint32_t pressed);
    bool OnSlotButton(int32_t slot);

    int32_t RecipeCount() const { return int32_t(recipes_.size()); }
    const Recipe& GetRecipe(int32_t i) const { return recipes_[size_t(i)]; }
    int32_t SlotCount() const { return slotCount_; }
    int32_t SlotsInUse() const { return slotsInUse_; }
    const Slot& GetSlot(int32_t s) const { return slots_[size_t(s)]; }
    uint32_t ProducedCount() const { return produced_; }
    int32_t AnimationState() const { return animationState_; }
    uint32_t SoundChannel() const { return channel_; }
    float Rate() const { return rate_; }
    // The production's own rate (1 normally; a tutorial speeds it up).
    void SetRate(float rate) { rate_ = rate; }

  private:
    void StopWorkingSound();

    uint32_t produced_ = 0;
    std::vector<Recipe> recipes_;
    int32_t slotCount_ = 0;
    int32_t slotsInUse_ = 0;
    std::array<Slot, kMaxFactorySlots> slots_;
    GameMessager messenger_;
    int32_t animationState_ = 0;
    uint32_t channel_ = 0;
    float rate_ = 1.0f;
    SpeedTrack track_; // the factory speed modifiers running for this point
    bool joinedTrack_ = false;
};

// Every factory of the level refreshes its recipes' ingredient flags (the
// stock changed).
void RefreshFactoryRecipes(GameLevel& level);

// ---------------------------------------------------------------- warehouse

class PointWarehouse : public PointBuilding {
  public:
    // type: the building list's "warehouse" type (never null: the caller
    // refuses a level without it).
    PointWarehouse(FarmHost* host, uint32_t index, BUILDING* type);

    // The warehouse has nothing to wait for: no countdown.
    int32_t Init() override { return 0; }
    void OnAttach() override {}
    bool AcceptsWork() const override { return false; }
    void OnClick() override;
    int32_t StageLimit() const override { return kMaxBuildingLevels; }
    uint32_t CreateVisuals(bool animated, uint32_t delay) override;
    bool HasPanel() const override { return false; }
};

// The point of a kPointWarehouse or kPointBuilding record; null for other
// kinds and for a type the building list does not know (a kPointWarehouse
// record with no "warehouse" type), which the
// level treats as a data error.
std::unique_ptr<BaseLevelPoint> MakeBuildingPoint(FarmHost* host, uint32_t index, const PointRecord& record);
