#pragma once
// The animal-house base: buildings whose animals are fed from the stock
// before they give produce. PointPetshouse owns the feeding cycle (the "Feed"
// button, the farmer's Job_Feed, the fed state and the food gauge) and the
// collecting of the produce: the house's own overhead button, the farmer's
// Job_CollectProduce that takes the produce, and the delivery into the
// warehouse. The henhouse (farm/Henhouse.h), the cowshed (farm/Cowshed.h) and
// the sheep rack (farm/SheepRack.h) give it their animals and their cycle.
//
// The animals belong to their house (std::unique_ptr slots); the jobs belong
// to their queues. A job keeps a plain pointer to its house, which either
// side clears when it lets go.

#include "farm/BuildingPoints.h"
#include "level/MapCharacter.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class Job_Feed;
class Job_CollectProduce;

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
// The overhead buttons' commands (the feed button's own; its click orders
// kFeedCommand, the panel's feed command).
constexpr uint32_t kFeedButtonCommand = 0x46656564; // 'Feed'
constexpr uint32_t kEggsCommand = 0x45676773;       // 'Eggs'
constexpr uint32_t kMilkCommand = 0x4D696C6B;       // 'Milk'
constexpr uint32_t kCutCommand = 0x43757453;        // 'CutS'
// The award counter the produce counts towards.
constexpr int32_t kProduceAwardCounter = 1;
// How long the houses' and animals' fades, grows and shrinks take.
constexpr uint32_t kAnimalFadeMs = 200;
// A cow or a sheep is drawn at a size of its own, 0.9 up to this.
constexpr float kLargestAnimalSize = 0.9f + 1.0f / 5.0f;
float RandomAnimalSize();
// The animation flags of the farmer's and the animals' work.
constexpr uint32_t kWorkAnimationFlags = 5;

// The text written into the load-error text when an animal's job record
// cannot be restored.
std::string JobLoadErrorText(uint32_t jobId);

// Stops every job queued at a character, from the last to the first.
void StopAllJobs(MapCharacter& character);

// The second save pass of a house: the count of its animals, then their
// character blocks; a count or block that does not fit fails the reader.
void SaveAnimalBlock(SaveWriter& out, uint32_t count, const std::vector<MapCharacter*>& animals);
bool LoadAnimalBlock(SaveReader& in, uint32_t count, const std::vector<MapCharacter*>& animals);

class PointPetshouse : public PointBuilding {
  public:
    PointPetshouse(FarmHost* host, uint32_t index, BUILDING* type);
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
    // The longest time CreateAnimals adds to a delay (the animals' entry).
    virtual uint32_t AnimalsEntryMs() const { return 0; }
    // A change of stage, or a feeding, waits for the animals' entry too.
    uint32_t LongestPendingDelayMs() const override {
        return PointBuilding::LongestPendingDelayMs() + AnimalsEntryMs();
    }
    virtual uint32_t StopAnimals(bool animated, bool forGood, uint32_t delay);
    virtual uint32_t RefreshButtons(bool animated, uint32_t delay);
    virtual void SetFed(bool fed, bool animated);
    // Delivers the produce; true when it reached the warehouse.
    virtual bool CollectProducts(GameMessager* messenger) = 0;
    // The command of the house's own overhead button ('Eggs', 'Milk', 'CutS')
    // and the farmer's job its click orders.
    virtual uint32_t CollectCommand() const = 0;
    virtual std::unique_ptr<Job_CollectProduce> MakeCollectJob(MapPlayer* player) = 0;
    // The second save pass: the animals' character blocks.
    void SaveSecondPass(SaveWriter& out) const override;
    bool LoadSecondPass(SaveReader& in) override;
    // A fed house has its animals unless a hit, an upgrade or its removal sent them away.
    bool FitsLoadedJobs() const override;

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
    // The overhead button's command: the feed button's, or the house's own,
    // which sends the farmer to collect the produce.
    bool OnOverheadCommand(uint32_t command);

    bool IsFed() const { return fed_; }
    Job_Feed* FeedJob() const { return feedJob_; }
    void LinkFeedJob(Job_Feed* job) { feedJob_ = job; }
    void UnlinkFeedJob(const Job_Feed* job) {
        if (feedJob_ == job) feedJob_ = nullptr;
    }
    Job_CollectProduce* CollectJob() const { return collectJob_; }
    void LinkCollectJob(Job_CollectProduce* job) { collectJob_ = job; }
    void UnlinkCollectJob(const Job_CollectProduce* job) {
        if (collectJob_ == job) collectJob_ = nullptr;
    }
    OverheadButton* OverheadButtonShown() const { return button_.get(); }
    uint32_t OverheadCommand() const { return buttonCommand_; }
    SpriteObject* Overlay() const { return overlay_; }
    const BuildingLevel* CurrentLevel() const { return LevelRecord(std::max(stage_, 1)); }
    float Rate() const { return track_.Value(); }
    // A new animal takes every rate entry of its house (the level's animal
    // speed modifiers); StartTrack hands each change to the animals standing.
    void GiveTrack(MapCharacter& animal) const;
    // The animals as characters, for the second save pass.
    virtual std::vector<MapCharacter*> Animals() const = 0;
    // Ticks the animals (the house owns them).
    void UpdateAnimals(uint32_t ms);

  protected:
    // The animals that follow the house's rate entries (the animals by default).
    virtual std::vector<MapCharacter*> PacedAnimals() const { return Animals(); }
    // How an animal of this house takes one rate entry.
    virtual void FollowTrack(MapCharacter& animal, uint32_t id, float value) const = 0;
    // Shows the house's own button at (x, y) when the produce is ready and
    // nothing else stands in the way (no other button, no collecting job).
    void ShowCollectButton(bool ready, int32_t x, int32_t y, bool animated, uint32_t delay);
    void HideCollectButton(bool animated, uint32_t delay = 0) {
        if (buttonCommand_ == CollectCommand()) HideOverheadButton(animated, delay);
    }
    // Puts the units of ready produce into the warehouse, flying in from
    // (x, y + flyInOffset); once it is taken the house is no longer fed. The
    // house's button goes either way.
    bool DeliverProduce(bool ready, uint32_t units, GameMessager* messenger, int32_t x, int32_t y,
                        int32_t flyInOffset);
    // The produce lying at the house leaves it (the delivery took it).
    virtual void ClearDeliveredProduce() {}
    bool LevelBegun() const { return Level()->IsBegun(); }
    // The current level's overlay offset (where the food gauge stands).
    void GetOverlayOffset(int32_t* x, int32_t* y) const;
    // The elapsed time of a tick on the animals' clock.
    float AnimalStep(int32_t elapsedMs) const;
    // The anchor plus an offset, x mirrored.
    void AnchorPlus(int32_t dx, int32_t dy, int32_t* x, int32_t* y) const {
        *x = anchorX_ + (mirrored_ ? -dx : dx);
        *y = anchorY_ + dy;
    }

    SpriteObject* overlay_ = nullptr; // owned by the map
    bool fed_ = false;
    Job_Feed* feedJob_ = nullptr;              // owned by the farmer's queue
    Job_CollectProduce* collectJob_ = nullptr; // owned by the farmer's queue
    std::unique_ptr<OverheadButton> button_;
    uint32_t buttonCommand_ = 0;
    bool animals_ = false;
    SpeedTrack track_;
    bool joinedTrack_ = false;
};

// Begins a job's record of size bytes with its progress, saved as running
// while the job is in progressStep; null when it could not be reserved.
uint8_t* BeginJobRecord(Job& job, JobSaveContext& context, SaveWriter& writer, size_t size,
                        uint32_t progressStep);

// A farmer's job at an animal house in two steps: she walks there, then
// works through an animation. A job whose house has gone stops.
class Job_AtHouse : public Job {
  public:
    enum HouseStep : uint32_t { kWalkThere = 1, kWork = 2 };
    void Update(uint32_t ms) override;

  protected:
    using Job::Job;
    virtual bool HasHouse() const = 0;
    // Starts the step the job is in (walking or working).
    virtual void BeginStep() = 0;
    // The work animation has ended.
    virtual void OnWorkDone() = 0;
};

// The farmer walks to the house's feeding spot and feeds its animals.
class Job_Feed : public Job_AtHouse {
  public:
    static constexpr size_t kRecordSize = 52;
    Job_Feed(MapPlayer* player, PointPetshouse* house);
    ~Job_Feed() override;
    bool SetStep(int32_t step) override;
    bool Stop() override;
    bool Save(JobSaveContext& context, SaveWriter& writer) override;
    void Unlink() { house_ = nullptr; }
    uint32_t Carried() const { return carried_; }
    static std::unique_ptr<Job> Load(MapPlayer* player, const uint8_t* record, size_t size);

  protected:
    bool HasHouse() const override { return house_ != nullptr; }
    void BeginStep() override;
    void OnWorkDone() override;

  private:
    PointPetshouse* house_;
    uint32_t carried_ = 0;
    const PRODUCT* feed_ = nullptr;
};

// The farmer's job that collects a house's produce: linked to its house
// while it runs, one at a time (a new one stops the old). Taking eggs and
// shearing walk to the house and work there (these two steps); milking has
// steps of its own.
class Job_CollectProduce : public Job_AtHouse {
  public:
    ~Job_CollectProduce() override;
    bool SetStep(int32_t step) override;
    bool Stop() override;
    bool Save(JobSaveContext& context, SaveWriter& writer) override;
    void Unlink() { house_ = nullptr; }

  protected:
    // Links the job to the house (stopping its old one) and shows the hand
    // icon at (iconX, iconY).
    Job_CollectProduce(MapPlayer* player, uint32_t jobId, PointPetshouse* house, float iconX, float iconY);
    // The house of a saved record: an animal house whose type is named
    // typeName; null for any other point.
    static PointPetshouse* SavedHouse(MapPlayer* player, uint32_t index, const char* typeName);
    // Restores the head and progress of a record with progress in workStep;
    // false (the job let go of its house) when they do not fit.
    bool LoadRecord(const uint8_t* record, uint32_t workStep);
    // Lets go of the house: the link is cleared on both sides.
    PointPetshouse* LetGo();
    // Where the farmer works and how: the spot, the animation and facing.
    virtual void GetWorkSpot(float* x, float* y) const = 0;
    virtual const char16_t* WorkAnimation() const = 0;
    virtual int32_t WorkFacing() const { return -1; }
    // Plays the work animation for the type's work time, from where a
    // restored progress left it.
    void StartWork(const char16_t* name, int32_t facing);

    bool HasHouse() const override { return house_ != nullptr; }
    void BeginStep() override;
    void OnWorkDone() override;

    PointPetshouse* house_;
    GameMessager messenger_;
};

// The animal house of a kPointBuilding record whose type is "henhouse",
// "cowshed" or "sheep_rack"; null for any other.
std::unique_ptr<BaseLevelPoint> MakeAnimalHousePoint(FarmHost* host, uint32_t index,
                                                     const PointRecord& record);
// Puts the feed, take-eggs, milk and shearing loaders in the farmer's table.
void RegisterAnimalJobLoaders();
