#pragma once
// Animal houses: buildings whose animals are fed from the stock before they
// give produce. PointPetshouse owns the feeding cycle (the "Feed" button,
// the farmer's Job_Feed, the fed state and the food gauge); the henhouse
// runs its chickens through a timed egg cycle, the cowshed and the sheep
// rack run one timer each. The farmer collects the eggs, milk and wool
// (Job_TakeEggs, Job_MilkCows, Job_CutSheeps) into the warehouse.
//
// The animals belong to their house (std::unique_ptr slots); their jobs
// belong to their queues. A job keeps a plain pointer to its house, which
// either side clears when it lets go.

#include "farm/BuildingPoints.h"
#include "level/MapCharacter.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class Job_Feed;
class Job_TakeEggs;
class Job_MilkCows;
class Job_CutSheeps;
class PointHenhouse;
class PointCowshed;
class PointSheepRack;

constexpr uint32_t kPetshousePanelId = 0x1002;
constexpr uint32_t kFeedCommand = 0xC9000004;
constexpr uint32_t kAnimalSpeedGroup = 2;
constexpr uint32_t kOverlayKind = 0x10002003;
constexpr int32_t kOverlayLayer = 2;
constexpr uint32_t kChickenKind = 0x20000100;
constexpr uint32_t kCowKind = 0x20000101;
constexpr uint32_t kSheepKind = 0x20000102;
constexpr uint32_t kSheepHeadKind = 0x20000103;
constexpr int32_t kMaxAnimals = 4;
// An animation played until its job is stopped.
constexpr int32_t kEndlessAnimationMs = 86400000;
// The overhead buttons' commands.
constexpr uint32_t kEggsCommand = 0x45676773; // 'Eggs'
constexpr uint32_t kMilkCommand = 0x4D696C6B; // 'Milk'
constexpr uint32_t kCutCommand = 0x43757453;  // 'CutS'
// The tutorial event of a delivered produce.
constexpr uint32_t kTutorialProduceCollected = 0x80000007;
// The event-sound slot played when a house's produce reaches the warehouse.
constexpr uint32_t kAnimalStoreSound = 3;
// The award counter the produce counts towards.
constexpr int32_t kProduceAwardCounter = 1;

// The text written into the load-error text when an animal's job record
// cannot be restored.
std::string JobLoadErrorText(uint32_t jobId);

// ---------------------------------------------------------------- the base

class PointPetshouse : public PointBuilding {
  public:
    PointPetshouse(BuildingHost* host, uint32_t index, BUILDING* type);
    ~PointPetshouse() override;

    uint32_t Remove(bool animated, bool forGood, uint32_t delay) override;
    void OnDamaged(bool animated) override;
    void OnRepaired(bool animated) override;
    int32_t StageLimit() const override { return kMaxBuildingLevels; }
    void Unlock() override;
    uint32_t CreateVisuals(bool animated, uint32_t delay) override;
    void OnUpgradeBegin() override;
    void OnUpgradeCancel() override;
    bool HasPanel() const override { return true; }
    void SetBuildPending(bool on, bool animated) override;
    uint32_t SpeedGroup() const override { return kAnimalSpeedGroup; }
    void StartTrack(uint32_t id, float value) override;

    // Locks the house; its animals stop (animated once the level has begun).
    void LockPoint();
    virtual bool IsReady() const { return stage_ > 0 && fed_; }

    // ---- the hooks of the houses
    virtual void GetFeedSpotOffset(int32_t* x, int32_t* y) const = 0;
    virtual void GetFeedButtonOffset(int32_t* x, int32_t* y) const = 0;
    virtual void RefreshFeedGauge() = 0;
    virtual uint32_t CreateAnimals(bool animated, uint32_t delay);
    virtual uint32_t StopAnimals(bool animated, bool forGood, uint32_t delay);
    virtual uint32_t RefreshButtons(bool animated, uint32_t delay);
    virtual void SetFed(bool fed, bool animated);
    // Delivers the produce; true when it reached the warehouse.
    virtual bool CollectProducts(GameMessager* messenger) = 0;
    // The second save pass: the animals' character blocks.
    void SaveSecondPass(SaveWriter& out) const override;
    bool LoadSecondPass(SaveReader& in) override;

    // ---- the feeding cycle
    // Feed units of one feeding at the current level.
    uint32_t FeedUnits() const;
    bool HasFeed() const;
    // Takes the feed from the stock and orders the farmer's Job_Feed.
    bool Feed();
    void ShowFeedButton(bool animated, uint32_t delay);
    void HideOverheadButton(bool animated, uint32_t delay);
    void GetFeedPosition(int32_t* x, int32_t* y) const;
    // Shows how far the produce has come on the food gauge.
    void SetOverlayFrame(float fraction);
    // The panel's feed button: enabled only when the house may be fed now.
    bool CanOrderFeed() const;
    bool OnButtonCommand(uint32_t command);
    // The overhead button's command (the feed button or the house's own).
    virtual bool OnOverheadCommand(uint32_t command);

    bool IsFed() const { return fed_; }
    bool HasAnimals() const { return animals_; }
    Job_Feed* FeedJob() const { return feedJob_; }
    void LinkFeedJob(Job_Feed* job) { feedJob_ = job; }
    void UnlinkFeedJob(const Job_Feed* job) {
        if (feedJob_ == job) feedJob_ = nullptr;
    }
    OverheadButton* OverheadButtonShown() const { return button_.get(); }
    uint32_t OverheadCommand() const { return buttonCommand_; }
    SpriteObject* Overlay() const { return overlay_; }
    const BuildingLevel* CurrentLevel() const { return LevelRecord(std::max(stage_, 1)); }
    float Rate() const { return track_.Value(); }
    // The animals as characters, for the second save pass.
    virtual std::vector<MapCharacter*> Animals() const = 0;
    // Ticks the animals (the house owns them).
    void UpdateAnimals(uint32_t ms);

  protected:
    void ShowOwnButton(uint32_t command, int32_t x, int32_t y, bool animated, uint32_t delay);
    bool LevelBegun() const { return host_->Level().IsBegun(); }
    // The anchor plus an offset, x mirrored.
    void AnchorPlus(int32_t dx, int32_t dy, int32_t* x, int32_t* y) const {
        *x = anchorX_ + (mirrored_ ? -dx : dx);
        *y = anchorY_ + dy;
    }

    SpriteObject* overlay_ = nullptr; // owned by the map
    bool fed_ = false;
    Job_Feed* feedJob_ = nullptr; // owned by the farmer's queue
    std::unique_ptr<OverheadButton> button_;
    uint32_t buttonCommand_ = 0;
    bool animals_ = false;
    SpeedTrack track_;
    bool joinedTrack_ = false;
};

class Job_Feed : public Job {
  public:
    static constexpr size_t kRecordSize = 52;
    Job_Feed(MapPlayer* player, PointPetshouse* house);
    ~Job_Feed() override;
    bool SetStep(int32_t step) override;
    void Update(uint32_t ms) override;
    bool Stop() override;
    bool Save(JobSaveContext& context, SaveWriter& writer) override;
    void Unlink() { house_ = nullptr; }
    uint32_t Carried() const { return carried_; }
    static std::unique_ptr<Job> Load(MapPlayer* player, const uint8_t* record, size_t size);

  private:
    void BeginStep();
    PointPetshouse* house_;
    uint32_t carried_ = 0;
    const PRODUCT* feed_ = nullptr;
};

// ---------------------------------------------------------------- henhouse

class MapChicken : public MapCharacter {
  public:
    static constexpr uint32_t kCrowdCheckMs = 200;
    MapChicken(LevelMap* map, PointHenhouse* house, int32_t slot, float x, float y);
    ~MapChicken() override;
    void Idle() override;
    void Update(uint32_t ms) override;
    void FillSaveRecord(uint8_t* block) const override;
    std::unique_ptr<Job> CreateJobFromRecord(uint32_t jobId, const uint8_t* record, size_t size) override;
    bool ApplyLoadedState(const uint8_t* block) override;
    bool LoadJobs(SaveReader& reader, uint32_t count, std::vector<std::unique_ptr<Job>>* jobs,
                  std::string* why) override;

    void Enter(bool animated, uint32_t delay);
    // Looks for a free spot near the house and walks there.
    bool FindWalkTarget();
    void Leave();
    void SetInPlace(bool on);
    void SetWalkTarget(float x, float y) {
        targetX_ = x;
        targetY_ = y;
    }
    void ResetWalkTarget() { SetWalkTarget(x_, y_); }

    PointHenhouse* House() const { return house_; }
    void Unlink() { house_ = nullptr; }
    int32_t Slot() const { return slot_; }
    float TargetX() const { return targetX_; }
    float TargetY() const { return targetY_; }
    uint32_t IdleWait() const { return idleWait_; }
    bool InPlace() const { return inPlace_; }
    bool IsLeaving() const { return leaving_; }
    Job* eatJob = nullptr; // owned by the queue
    Job* nestJob = nullptr;
    // A leaving chicken that has walked out: its house deletes it.
    bool gone = false;

  private:
    PointHenhouse* house_;
    int32_t slot_;
    float targetX_, targetY_;
    uint32_t entryDelay_ = 0;
    uint32_t crowdCheck_ = 0;
    uint32_t idleWait_ = 0;
    bool pendingEntry_ = false;
    bool inPlace_ = false;
    bool leaving_ = false;
    uint32_t failedJob_ = 0;
};

class PointHenhouse : public PointPetshouse {
  public:
    static constexpr uint32_t kRecordSize = 64;
    static constexpr int32_t kPhaseCount = 5;
    static constexpr float kNestPhaseMs = 200.0f;
    static constexpr int32_t kNestDx = 8, kNestDy = 30;

    PointHenhouse(BuildingHost* host, uint32_t index, BUILDING* type);
    ~PointHenhouse() override;

    uint32_t Remove(bool animated, bool forGood, uint32_t delay) override;
    void OnDamaged(bool animated) override;
    int32_t Update(uint32_t ms) override;
    bool CollectProducts(GameMessager* messenger) override;
    void SaveOwn(SaveWriter& out) const override;
    bool LoadOwn(SaveReader& in) override;
    bool IsReady() const override { return PointPetshouse::IsReady() && phase_ < 4; }
    uint32_t CreateVisuals(bool animated, uint32_t delay) override;
    void GetFeedSpotOffset(int32_t* x, int32_t* y) const override;
    void GetFeedButtonOffset(int32_t* x, int32_t* y) const override;
    void RefreshFeedGauge() override;
    uint32_t CreateAnimals(bool animated, uint32_t delay) override;
    uint32_t StopAnimals(bool animated, bool forGood, uint32_t delay) override;
    uint32_t RefreshButtons(bool animated, uint32_t delay) override;
    void SetFed(bool fed, bool animated) override;
    bool OnOverheadCommand(uint32_t command) override;
    std::vector<MapCharacter*> Animals() const override;

    // The phase timers of a cycle: production minus eating minus 200 is the
    // rest; phase 0 gets four fifths of it, phase 2 one fifth.
    static std::array<float, 4> PhaseTimers(uint32_t productionMs, uint32_t eatingMs);
    void EnterPhase(int32_t phase);
    void PlaceNests();
    void ShowEggs(int32_t count, bool animated);
    void GetNestCentre(int32_t* x, int32_t* y) const;
    void GetStartSpot(int32_t slot, float* x, float* y) const;
    void GetEatingSpot(int32_t slot, int32_t* x, int32_t* y) const;
    uint32_t EatAnimationValue(int32_t slot) const;
    void ReleaseChicken(MapChicken* chicken);
    void ChangeInPlace(int32_t delta) { inPlace_ += delta; }
    void LinkTakeEggs(Job_TakeEggs* job) { takeEggs_ = job; }
    void UnlinkTakeEggs(const Job_TakeEggs* job) {
        if (takeEggs_ == job) takeEggs_ = nullptr;
    }

    int32_t Phase() const { return phase_; }
    float Timer(int32_t p) const { return timers_[size_t(p)]; }
    int32_t ChickenCount() const { return chickenCount_; }
    MapChicken* Chicken(int32_t slot) const { return chickens_[size_t(slot)].get(); }
    int32_t EggCount() const { return eggCount_; }
    size_t EggSprites() const { return eggSprites_.size(); }
    const std::array<std::array<int32_t, 2>, 4>& Nests() const { return nests_; }
    int32_t ChickensInPlace() const { return inPlace_; }
    Job_TakeEggs* TakeEggsJob() const { return takeEggs_; }
    SpriteObject* Nest() const { return nest_; }

  private:
    void DeleteEggSprites();
    SpriteObject* nest_ = nullptr; // owned by the map
    int32_t chickenCount_ = 0;
    std::array<std::unique_ptr<MapChicken>, kMaxAnimals> chickens_;
    std::array<std::unique_ptr<MapChicken>, kMaxAnimals> leaving_;
    bool restart_ = false;
    int32_t phase_ = 0;
    std::array<float, 4> timers_{};
    std::array<std::array<int32_t, 2>, 4> nests_{};
    int32_t eggCount_ = 0;
    Job_TakeEggs* takeEggs_ = nullptr; // owned by the farmer's queue
    int32_t inPlace_ = 0;
    std::vector<SpriteObject*> eggSprites_; // owned by the map
    GameMessager messenger_;
};

class Job_TakeEggs : public Job {
  public:
    static constexpr size_t kRecordSize = 44;
    Job_TakeEggs(MapPlayer* player, PointHenhouse* house);
    ~Job_TakeEggs() override;
    bool SetStep(int32_t step) override;
    void Update(uint32_t ms) override;
    bool Stop() override;
    bool Save(JobSaveContext& context, SaveWriter& writer) override;
    void Unlink() { house_ = nullptr; }
    static std::unique_ptr<Job> Load(MapPlayer* player, const uint8_t* record, size_t size);

  private:
    void BeginStep();
    PointHenhouse* house_;
    bool animating_ = false;
    GameMessager messenger_;
};

// ---------------------------------------------------------------- cowshed

class MapCowHead : public MapCharacter {
  public:
    MapCowHead(LevelMap* map, PointCowshed* shed, int32_t slot, float x, float y);
    ~MapCowHead() override;
    // Darkens to black (100 ms, from 100 ms after the delay) and shrinks to
    // 0.35 (200 ms); she may go 250 ms after the delay.
    uint32_t StartVanish(uint32_t delay) override;
    void Idle() override;
    std::unique_ptr<Job> CreateJobFromRecord(uint32_t jobId, const uint8_t* record, size_t size) override;
    float GetAnimationSpeed() const override;
    bool LoadJobs(SaveReader& reader, uint32_t count, std::vector<std::unique_ptr<Job>>* jobs,
                  std::string* why) override;
    void Unlink() { shed_ = nullptr; }
    // Lets go of the shed and drops her jobs at once: the map keeps her
    // only while she vanishes, and nothing of hers may outlive the level.
    void Leave() {
        shed_ = nullptr;
        DeleteAllJobs();
    }
    // Drops the queued jobs (from the last to the first).
    void StopAllJobs();

  private:
    PointCowshed* shed_;
    int32_t slot_;
    uint32_t failedJob_ = 0;
};

// The cowshed's and the sheep rack's shared timer and its 16-byte record.
struct ProduceTimer {
    static constexpr uint32_t kRecordSize = 16;
    float remaining = 0.0f; // ms; 0 = produce ready when fed
    float callTimer = -1.0f;
    // The record's fraction and call timer, refused when out of range.
    static bool CheckRecord(uint32_t fed, float fraction, float callTimer);
};

class PointCowshed : public PointPetshouse {
  public:
    PointCowshed(BuildingHost* host, uint32_t index, BUILDING* type);
    ~PointCowshed() override;

    uint32_t Remove(bool animated, bool forGood, uint32_t delay) override;
    void OnDamaged(bool animated) override;
    int32_t Update(uint32_t ms) override;
    bool CollectProducts(GameMessager* messenger) override;
    void SaveOwn(SaveWriter& out) const override;
    bool LoadOwn(SaveReader& in) override;
    bool IsReady() const override { return PointPetshouse::IsReady() && timer_.remaining > 0.0f; }
    void GetFeedSpotOffset(int32_t* x, int32_t* y) const override { *x = -4, *y = 32; }
    void GetFeedButtonOffset(int32_t* x, int32_t* y) const override { *x = 0, *y = -56; }
    void RefreshFeedGauge() override;
    uint32_t CreateAnimals(bool animated, uint32_t delay) override;
    uint32_t StopAnimals(bool animated, bool forGood, uint32_t delay) override;
    uint32_t RefreshButtons(bool animated, uint32_t delay) override;
    void SetFed(bool fed, bool animated) override;
    bool OnOverheadCommand(uint32_t command) override;
    std::vector<MapCharacter*> Animals() const override;

    void ReleaseCow(MapCowHead* cow);
    void LinkMilkJob(Job_MilkCows* job) { milkJob_ = job; }
    void UnlinkMilkJob(const Job_MilkCows* job) {
        if (milkJob_ == job) milkJob_ = nullptr;
    }
    // Every cow starts or stops its milking animation.
    void StartMilking();
    void StopMilking();

    int32_t CowCount() const { return cowCount_; }
    MapCowHead* Cow(int32_t slot) const { return cows_[size_t(slot)].get(); }
    float Remaining() const { return timer_.remaining; }
    float CallTimer() const { return timer_.callTimer; }
    Job_MilkCows* MilkJob() const { return milkJob_; }

  private:
    int32_t cowCount_ = 0;
    std::array<std::unique_ptr<MapCowHead>, kMaxAnimals> cows_;
    Job_MilkCows* milkJob_ = nullptr; // owned by the farmer's queue
    ProduceTimer timer_;
    float loadedFraction_ = -1.0f; // the loaded record's, until the timer moves
};

class Job_MilkCows : public Job {
  public:
    static constexpr size_t kRecordSize = 52;
    static constexpr int32_t kSpotDx = 110;
    static constexpr int32_t kInsideDx = 100;
    Job_MilkCows(MapPlayer* player, PointCowshed* shed, int32_t spotX = 0, int32_t spotY = 0);
    ~Job_MilkCows() override;
    bool GetPosition(float* x, float* y) const override;
    bool SetStep(int32_t step) override;
    void Update(uint32_t ms) override;
    bool Stop() override;
    bool Save(JobSaveContext& context, SaveWriter& writer) override;
    void Unlink() { shed_ = nullptr; }
    bool IsMilking() const { return milking_; }
    int32_t SpotX() const { return spotX_; }
    int32_t SpotY() const { return spotY_; }
    static std::unique_ptr<Job> Load(MapPlayer* player, const uint8_t* record, size_t size);

  private:
    void BeginStep();
    void Count();
    void Uncount();
    PointCowshed* shed_;
    int32_t spotX_, spotY_;
    bool mayEnd_ = false, counted_ = false, milking_ = false, noStop_ = false;
    GameMessager messenger_;
};

// ---------------------------------------------------------------- sheep rack

class MapSheep;

class MapSheepHead : public MapCharacter {
  public:
    MapSheepHead(LevelMap* map, const GameCharacter* description, MapSheep* sheep, float x, float y);
    ~MapSheepHead() override;
    void AdvanceAnimation(uint32_t ms) override;
    float GetAnimationSpeed() const override;
    void Unlink() { sheep_ = nullptr; }

  private:
    MapSheep* sheep_;
};

class MapSheep : public MapCharacter {
  public:
    MapSheep(LevelMap* map, PointSheepRack* rack, int32_t slot, float dx, float dy,
             const GameCharacter* headDescription);
    ~MapSheep() override;
    void Idle() override;
    void FillSaveRecord(uint8_t* block) const override;
    std::unique_ptr<Job> CreateJobFromRecord(uint32_t jobId, const uint8_t* record, size_t size) override;
    bool LoadJobs(SaveReader& reader, uint32_t count, std::vector<std::unique_ptr<Job>>* jobs,
                  std::string* why) override;
    void SetAnimation(int32_t kind, const char16_t* name, int32_t third) override;
    float GetAnimationSpeed() const override;
    void Update(uint32_t ms) override;
    bool ApplyLoadedState(const uint8_t* block) override;
    Job* AddJob(std::unique_ptr<Job> job) override;

    void Enter(bool animated, uint32_t delay);
    // The animation kind the sheep shows for a fleece kind (0 shorn, 1 full),
    // within the kinds of its description.
    int32_t KindFor(int32_t kind) const;
    // Starts one of the sheep's animation jobs by its JOBID.
    void StartJob(uint32_t jobId);
    void StopAllJobs();
    // The name of a body animation for the sheep's kind (0 shorn: "_skin"
    // goes after "sheepbody").
    static std::u16string KindName(const char16_t* base, int32_t kind);
    static std::u16string HeadName(const char16_t* bodyName);
    static int32_t BlinkMs(int32_t kind) { return kind == 1 ? 3240 : 2760; }

    void Unlink() { rack_ = nullptr; }
    MapSheepHead* Head() const { return head_.get(); }
    uint32_t EatWait() const { return eatWait_; }
    void SetEatWait(uint32_t ms) { eatWait_ = ms; }
    uint32_t IdleTimer() const { return idleTimer_; }

  private:
    PointSheepRack* rack_;
    int32_t slot_;
    float dx_, dy_;
    std::unique_ptr<MapSheepHead> head_;
    uint32_t eatWait_ = 0;
    uint32_t idleTimer_ = 0;
    uint32_t failedJob_ = 0;
};

class PointSheepRack : public PointPetshouse {
  public:
    static constexpr float kCallMs = 5000.0f;
    PointSheepRack(BuildingHost* host, uint32_t index, BUILDING* type);
    ~PointSheepRack() override;

    uint32_t Remove(bool animated, bool forGood, uint32_t delay) override;
    void OnDamaged(bool animated) override;
    int32_t Update(uint32_t ms) override;
    bool CollectProducts(GameMessager* messenger) override;
    void SaveOwn(SaveWriter& out) const override;
    bool LoadOwn(SaveReader& in) override;
    void SaveSecondPass(SaveWriter& out) const override;
    bool LoadSecondPass(SaveReader& in) override;
    bool IsReady() const override { return PointPetshouse::IsReady() && timer_.remaining > 0.0f; }
    uint32_t CreateMapBuilding(bool animated, uint32_t delay) override;
    uint32_t ReleaseMapBuilding(bool animated, uint32_t delay) override;
    void GetFeedSpotOffset(int32_t* x, int32_t* y) const override;
    void GetFeedButtonOffset(int32_t* x, int32_t* y) const override { *x = 0, *y = -40; }
    void RefreshFeedGauge() override;
    uint32_t StopAnimals(bool animated, bool forGood, uint32_t delay) override;
    uint32_t RefreshButtons(bool animated, uint32_t delay) override;
    void SetFed(bool fed, bool animated) override;
    bool OnOverheadCommand(uint32_t command) override;
    std::vector<MapCharacter*> Animals() const override;

    void ReleaseSheep(MapSheep* sheep);
    void LinkCutJob(Job_CutSheeps* job) { cutJob_ = job; }
    void UnlinkCutJob(const Job_CutSheeps* job) {
        if (cutJob_ == job) cutJob_ = nullptr;
    }
    // Whether the sheep may act now (no building job, not damaged).
    bool SheepMayAct() const { return !buildJob_ && !upgrading_ && damage_ == 0; }
    bool IsProducing() const { return fed_ && timer_.remaining > 0.0f; }
    int32_t WoolKind() const { return fed_ && timer_.remaining <= 0.0f ? 1 : 0; }

    int32_t SheepCount() const { return sheepCount_; }
    MapSheep* Sheep(int32_t slot) const { return sheep_[size_t(slot)].get(); }
    float Remaining() const { return timer_.remaining; }
    float CallTimer() const { return timer_.callTimer; }
    Job_CutSheeps* CutJob() const { return cutJob_; }

  private:
    int32_t sheepCount_ = 0;
    std::array<std::unique_ptr<MapSheep>, kMaxAnimals> sheep_;
    Job_CutSheeps* cutJob_ = nullptr; // owned by the farmer's queue
    ProduceTimer timer_;
    float loadedFraction_ = -1.0f; // the loaded record's, until the timer moves
};

class Job_CutSheeps : public Job {
  public:
    static constexpr size_t kRecordSize = 44;
    Job_CutSheeps(MapPlayer* player, PointSheepRack* rack);
    ~Job_CutSheeps() override;
    bool SetStep(int32_t step) override;
    void Update(uint32_t ms) override;
    bool Stop() override;
    bool Save(JobSaveContext& context, SaveWriter& writer) override;
    void Unlink() { rack_ = nullptr; }
    static std::unique_ptr<Job> Load(MapPlayer* player, const uint8_t* record, size_t size);

  private:
    void BeginStep();
    PointSheepRack* rack_;
    bool animating_ = false;
    GameMessager messenger_;
};

// ---------------------------------------------------------------- makers

// The animal house of a record of kind 3 whose type is "henhouse",
// "cowshed" or "sheep_rack"; null for any other.
std::unique_ptr<BaseLevelPoint> MakeAnimalHousePoint(BuildingHost* host, uint32_t index,
                                                     const PointRecord& record);
// Puts the feed, take-eggs, milk and shearing loaders in the farmer's table.
void RegisterAnimalJobLoaders();
