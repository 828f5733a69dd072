#pragma once
// Plant beds and fruit trees on the level: the level points on which the
// farmer plants, waters and harvests, and the farmer's three plant jobs (the
// panel of a selected plant is farm/PlantPanel.h).
//
// BasePointPlant holds what beds and trees share (growth, ripeness, water,
// the overhead "Wate" and "Harv" buttons, the links to the three jobs);
// PointPlant is a crop bed with up to four plant sprites, PointTree a fruit
// tree with a trunk, a crown and fruits that ripen with its growth.
//
// What the level owns (its speed, bonuses, goals, selection and rebuilds) a
// point asks its own level; what the farm adds (the farmer, the tables,
// pictures, buttons and panels) comes through the farm host
// (farm/FarmHost.h), which the plant jobs find from their farmer's map.

#include "app/BonusKind.h"
#include "farm/FarmHost.h"
#include "farm/Plants.h"
#include "level/Job.h"
#include "level/LevelPoint.h"
#include "level/SpriteObject.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class BasePointPlant;
class GameMessager;
class Job_Harvest;
class Job_Plant;
class Job_Water;
class LevelMap;
class MapPlayer;
class PlantPanel;
struct PRODUCT;

// Four-letter commands of the overhead buttons.
constexpr uint32_t kCommandWater = 0x57617465;   // 'Wate'
constexpr uint32_t kCommandHarvest = 0x48617276; // 'Harv'
// The award counter a harvest's units count towards (the harvester award).
constexpr int32_t kHarvestAwardCounter = 0;
// The map-object kind words of a plant point's sprites (the point's own kind is kPointPlant).
constexpr uint32_t kKindBed = 0x10000200;
constexpr uint32_t kKindMapPlant = 0x10000400;
constexpr uint32_t kKindTrunk = 0x10000800;
constexpr uint32_t kKindCrown = 0x10000801;
constexpr uint32_t kKindTreeSite = 0x10000802;
constexpr uint32_t kKindFruit = 0x10000803;
// The tint of a plant job's icon over its bed: its own colours (a dark tint
// would hide it).
constexpr uint32_t kPlantJobIconTint = 0xFFFFFFFF;
// The pause growth takes after a harvest.
constexpr uint32_t kAfterHarvestDelayMs = 400;
constexpr uint32_t kPlantGoalKind = 2;

// A plant sprite of a crop bed.
class MapPlant : public SpriteObject {
  public:
    MapPlant(LevelMap* map, MapSprite* sprite, PlantSpriteEffect effect, int32_t point, int32_t index);
    // Shows a frame (nothing when unchanged). Animated, and when a frame
    // was shown, the sprite fades in and a copy of the old frame fades out
    // over it.
    void SetPlantFrame(int32_t frame, bool animated);
    // The plant's appearing effect from the delay; the delay at its end.
    uint32_t StartAppear(bool animated, uint32_t delay);
    uint32_t StartVanish(uint32_t delay) override;
    int32_t Index() const { return index_; }

  private:
    PlantSpriteEffect effect_;
    int32_t index_;
};

// What the plant points keep of their sprites' look: the effect delay.
struct PlantPointView {
    uint32_t effectDelay = 0;
};

class BasePointPlant : public LevelPoint {
  public:
    // host outlives the point; plant is one of the level's plant data.
    BasePointPlant(FarmHost* host, uint32_t index, PLANT* plant);
    ~BasePointPlant() override;

    // ---- level point operations
    void Setup(const PointRecord& record) override;
    uint32_t Remove(bool animated, bool forGood, uint32_t delay) override;
    bool AcceptsWork() const override { return stage_ > 0; }
    void OnDamaged(bool animated) override;
    void OnRepaired(bool animated) override;
    int32_t Update(uint32_t ms) override;
    void GetInfo(PointRecord* record) const override;
    // Own block: u32 size 16, u32 growth delay ms, u32 flags (bit 0
    // planting), u32 0.
    void SaveOwn(SaveWriter& out) const override;
    bool LoadOwn(SaveReader& in) override;
    // A bed or tree site at stage 0 was bought with its planting ordered.
    bool FitsLoadedJobs() const override { return stage_ > 0 || plantJob; }

    // The click on the point by its click action: 4 harvests, 3 waters,
    // anything else selects.
    void OnClick();
    // Puts a ripe crop into the warehouse; true when something was stored.
    bool CollectProducts(GameMessager* messenger);
    // Moves to a higher stage (capped at the highest allowed); a lower one
    // is refused. A new stage of 0 orders planting.
    bool SetStage(int32_t stage, bool animated, uint32_t delay);
    bool NextStage(bool animated) { return SetStage(stage_ + 1, animated, 0); }
    int32_t StageLimit() const { return 4; }
    bool IsReady() const { return stage_ >= 1 && water_ >= 1 && ripe_ && damage_ == 0; }

    bool SetRipeness(float percent, bool force, bool notify);
    void SetGrowthPercent(float percent, bool notify);
    void Grow(uint32_t ms);
    void AfterHarvest();
    void SetWater(uint32_t count, uint32_t max, bool animated);
    void ShowHarvestButton(bool animated);
    // Take the button away and delete it (fading when animated).
    void HideHarvestButton(bool animated, uint32_t delay);
    void HideWaterButton(bool animated, uint32_t delay);
    void OrderWatering();
    void OrderHarvest();
    // Plants the bed or raises it one stage; nothing at the highest stage
    // allowed.
    void OrderPlanting();

    // The farmer's jobs of the level (a repair, a pull-down) work where the
    // bed's own jobs do.
    void GetWorkOffset(float* dx, float* dy) const override;
    // The stage stars stand at the plant's own offset; the progress line
    // where its round buttons stand (the ripe bed's button takes the line's
    // place).
    void GetStarsPosition(float* x, float* y) const override;
    void GetProgressPosition(float* x, float* y) const override;

    // ---- what beds and trees do differently
    virtual void GetWorkOffset(int32_t* x, int32_t* y) const = 0;
    virtual void GetButtonOffset(int32_t* x, int32_t* y) const = 0;
    virtual void GetStarsOffset(int32_t* x, int32_t* y) const = 0;
    virtual void GetSecondOffset(int32_t* x, int32_t* y) const = 0;
    virtual uint32_t CreateSprites(bool animated, uint32_t delay) = 0;
    virtual uint32_t RemoveSprites(bool animated, bool forGood, uint32_t delay) = 0;
    virtual void RefreshGrowth(bool animated);
    virtual uint32_t GetHarvestUnits() const = 0;
    virtual void HighlightSprites(bool on) = 0;
    virtual bool OwnsHoveredObject(const MapObject* object) const = 0;
    // The text key of the water button's hint: a bed's or a tree's.
    virtual const char16_t* WaterHintKey() const { return u"water"; }

    // ---- state
    PLANT* Plant() const { return plant_; }
    FarmHost* Host() const { return host_; }
    float Ripeness() const { return ripeness_; }
    float Growth() const { return growth_; }
    float GrowthNeeded() const { return growthNeeded_; }
    bool IsRipe() const { return ripe_; }
    uint32_t Water() const { return water_; }
    uint32_t WaterMax() const { return waterMax_; }
    uint32_t GrowthDelay() const { return delay_; }
    bool IsPlanting() const { return planting_; }
    void SetPlanting(bool on) { planting_ = on; }
    uint32_t HarvestButton() const { return harvestButton_; }
    uint32_t WaterButton() const { return waterButton_; }
    const PlantPointView& View() const { return view_; }
    void SetClickAction(uint32_t action) { clickAction_ = action; }
    void WorkSpot(float* x, float* y) const;

    // ---- the job links (each job links and unlinks itself)
    Job_Plant* plantJob = nullptr;
    Job_Water* waterJob = nullptr;
    Job_Harvest* harvestJob = nullptr;

  protected:
    // The ripeness on the point's progress line.
    void SetProgress(float percent);
    // Stops the three jobs; detach lets them go first, so that their stop
    // does nothing to the point.
    void StopJobs(bool detach);
    void RefreshPanel();

    FarmHost* host_; // outlives the point
    PLANT* plant_;   // owned by the plant data
    uint32_t delay_ = 0;
    float ripeness_ = 0.0f;
    float growth_ = 0.0f;
    float growthNeeded_ = 0.0f;
    bool ripe_ = false;
    bool planting_ = false;
    uint32_t harvestButton_ = 0;
    uint32_t waterButton_ = 0;
    PlantPointView view_;
};

class PointPlant : public BasePointPlant {
  public:
    PointPlant(FarmHost* host, uint32_t index, PLANT* plant);
    ~PointPlant() override;

    void GetWorkOffset(int32_t* x, int32_t* y) const override;
    void GetButtonOffset(int32_t* x, int32_t* y) const override;
    void GetStarsOffset(int32_t* x, int32_t* y) const override;
    void GetSecondOffset(int32_t* x, int32_t* y) const override;
    uint32_t CreateSprites(bool animated, uint32_t delay) override;
    uint32_t RemoveSprites(bool animated, bool forGood, uint32_t delay) override;
    void RefreshGrowth(bool animated) override;
    uint32_t GetHarvestUnits() const override { return uint32_t(spriteCount_); }
    void HighlightSprites(bool on) override;
    bool OwnsHoveredObject(const MapObject* object) const override;

    // The frame a plant sprite of n frames shows at a ripeness.
    static int32_t PlantFrame(float ripeness, int32_t frames);
    int32_t SpriteCount() const { return spriteCount_; }
    int32_t PlantFrameShown() const { return frameShown_; }
    SpriteObject* BedSprite() const { return bed_; }

  private:
    const PlantStageEntry& Entry() const;
    void DeleteSprites();

    SpriteObject* bed_ = nullptr; // owned by the map
    int32_t spriteCount_ = 0;
    std::array<MapPlant*, kMaxStageSprites> plants_{}; // owned by the map
    int32_t frameShown_ = -1;
};

class PointTree : public BasePointPlant {
  public:
    PointTree(FarmHost* host, uint32_t index, PLANT* plant);
    ~PointTree() override;

    void GetWorkOffset(int32_t* x, int32_t* y) const override;
    void GetButtonOffset(int32_t* x, int32_t* y) const override;
    void GetStarsOffset(int32_t* x, int32_t* y) const override;
    void GetSecondOffset(int32_t* x, int32_t* y) const override;
    uint32_t CreateSprites(bool animated, uint32_t delay) override;
    uint32_t RemoveSprites(bool animated, bool forGood, uint32_t delay) override;
    void RefreshGrowth(bool animated) override;
    uint32_t GetHarvestUnits() const override { return stage_ > 0 ? uint32_t(stage_) : 0; }
    void HighlightSprites(bool on) override;
    bool OwnsHoveredObject(const MapObject* object) const override;
    const char16_t* WaterHintKey() const override { return u"water_tree"; }

    struct Fruit {
        float x = 0.0f, y = 0.0f;
        float start = 0.0f, duration = 0.0f;
        bool made = false;
        int32_t frame = -1;
        float scale = 1.0f;
        float random = 0.0f;
        uint32_t variant = 0;
        SpriteObject* sprite = nullptr; // owned by the map; null without one
    };
    // The frame of a fruit of F frames at a growth: -1 hidden.
    static int32_t FruitFrame(float growth, float start, float duration, int32_t frames);
    void SetFruit(int32_t i, float start, float duration);
    void UpdateFruits(float growth, bool animated);
    int32_t FruitsShown() const { return fruitsShown_; }
    const Fruit& GetFruit(int32_t i) const { return fruits_[size_t(i)]; }
    const std::vector<int32_t>& PlaceOrder() const { return placeOrder_; }
    bool HasTree() const { return treeShown_; }

  private:
    void DeleteSprites();

    SpriteObject* site_ = nullptr;  // owned by the map
    SpriteObject* trunk_ = nullptr; // owned by the map
    SpriteObject* crown_ = nullptr; // owned by the map
    bool treeShown_ = false;
    int32_t fruitsShown_ = 0;
    std::array<Fruit, kMaxFruits> fruits_{};
    std::vector<int32_t> placeOrder_;
};

// Makes the point of a kPointPlant record: a tree for a plant of kPlantKindTree,
// else a bed; null for a plant the data does not have.
std::unique_ptr<BaseLevelPoint> MakePlantPoint(FarmHost* host, uint32_t index, const PointRecord& record);

// ---------------------------------------------------------------- jobs

// What the three plant jobs share: the bed, the walk to its work spot and
// the work animation. Record: the common 40 bytes, then u32 the bed's point
// index at 40.
class PlantJob : public Job {
  public:
    static constexpr size_t kRecordSize = 44;

    ~PlantJob() override;
    bool SetStep(int32_t step) override;
    void Update(uint32_t ms) override;
    // Stops the job and lets go of its bed, telling the bed through LetGo.
    bool Stop() override;
    bool Save(JobSaveContext& context, SaveWriter& writer) override;
    bool GetPosition(float* x, float* y) const override;

    BasePointPlant* Bed() const { return bed_; }
    // Lets go of the bed without telling it anything.
    void Detach();
    // The step of the work animation.
    virtual uint32_t AnimationStep() const = 0;
    // Takes up the step and progress of a saved record (its head and
    // point already checked); false when they do not fit the job.
    bool Restore(const uint8_t* record);

  protected:
    PlantJob(MapPlayer* player, uint32_t jobId, BasePointPlant* bed);
    // Clears the bed's link to this job (not virtual: the destructor runs it).
    void Unlink();
    // The step just set, with the bed still held: the step before the
    // animation step walks to the bed's work spot, the animation step starts
    // the work (or stops on a damaged bed), any other stops the job.
    virtual bool TakeStep();
    // Runs the walk and animation steps; true when the animation ended.
    bool RunSteps(uint32_t ms);
    // What the job does to the bed once its work animation has ended.
    virtual void FinishWork() = 0;
    // What a stopped job does to the bed it has just let go of.
    virtual void LetGo(BasePointPlant& bed) = 0;
    // The job's own state of its animation step, taken up from a record.
    virtual void ResumeWork() {}
    // The work animation (name, length).
    virtual void StartWork() = 0;
    void ShowJobIcon(Sprite* icon);

    BasePointPlant* bed_; // the bed worked on; null once let go
};

class Job_Plant : public PlantJob {
  public:
    Job_Plant(MapPlayer* player, BasePointPlant* bed, bool reserve = true);
    void Update(uint32_t ms) override;
    uint32_t AnimationStep() const override { return 3; }

  protected:
    bool TakeStep() override;
    void StartWork() override;
    void ResumeWork() override;
    void FinishWork() override;
    void LetGo(BasePointPlant& bed) override;
};

class Job_Water : public PlantJob {
  public:
    Job_Water(MapPlayer* player, BasePointPlant* bed);
    uint32_t AnimationStep() const override { return 2; }

  protected:
    void StartWork() override;
    void FinishWork() override;
    void LetGo(BasePointPlant& bed) override;
};

class Job_Harvest : public PlantJob {
  public:
    Job_Harvest(MapPlayer* player, BasePointPlant* bed);
    ~Job_Harvest() override;
    uint32_t AnimationStep() const override { return 2; }
    bool AnimationBegun() const { return animationBegun_; }
    const PRODUCT* Product() const { return product_; }

  protected:
    void StartWork() override;
    void ResumeWork() override;
    void FinishWork() override;
    void LetGo(BasePointPlant& bed) override;

  private:
    std::unique_ptr<GameMessager> messenger_;
    const PRODUCT* product_ = nullptr; // owned by the product list
    bool animationBegun_ = false;
};

// The farmer's loaders of the three plant jobs (registered with
// SetPlayerJobLoader by RegisterPlantJobLoaders).
std::unique_ptr<Job> LoadJobPlant(MapPlayer* player, const uint8_t* record, size_t size);
std::unique_ptr<Job> LoadJobWater(MapPlayer* player, const uint8_t* record, size_t size);
std::unique_ptr<Job> LoadJobHarvest(MapPlayer* player, const uint8_t* record, size_t size);
void RegisterPlantJobLoaders();

// The price of raising a plant from stage s (0..3); 0 outside the table.
int32_t PlantStagePrice(const PLANT& plant, int32_t stage);
