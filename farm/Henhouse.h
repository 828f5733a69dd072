#pragma once
// The henhouse: an animal house whose chickens, once fed, run through a
// timed egg cycle (wander, eat at their spots, wander, sit on their nests)
// and then leave while the eggs lie in the nests. Its 'Eggs' button sends
// the farmer to take them (Job_TakeEggs).

#include "farm/AnimalHouse.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class PointHenhouse;

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
    // The egg cycle: the chickens wander, eat at their spots, wander again,
    // sit on their nests; then they have left and the eggs lie.
    enum Phase : int32_t { kWander = 0, kEat = 1, kWanderAgain = 2, kSitOnNests = 3, kEggsLaid = 4 };
    static constexpr int32_t kPhaseCount = 5;
    static constexpr float kNestPhaseMs = 200.0f;
    static constexpr int32_t kNestDx = 8, kNestDy = 30;

    PointHenhouse(FarmHost* host, uint32_t index, BUILDING* type);
    ~PointHenhouse() override;

    uint32_t Remove(bool animated, bool forGood, uint32_t delay) override;
    int32_t Update(uint32_t ms) override;
    bool CollectProducts(GameMessager* messenger) override;
    uint32_t CollectCommand() const override { return kEggsCommand; }
    std::unique_ptr<Job_CollectProduce> MakeCollectJob(MapPlayer* player) override;
    void SaveOwn(SaveWriter& out) const override;
    bool LoadOwn(SaveReader& in) override;
    bool IsReady() const override { return PointPetshouse::IsReady() && phase_ < kEggsLaid; }
    uint32_t CreateVisuals(bool animated, uint32_t delay) override;
    void GetFeedSpotOffset(int32_t* x, int32_t* y) const override;
    void GetFeedButtonOffset(int32_t* x, int32_t* y) const override;
    void RefreshFeedGauge() override;
    uint32_t CreateAnimals(bool animated, uint32_t delay) override;
    uint32_t AnimalsEntryMs() const override;
    uint32_t StopAnimals(bool animated, bool forGood, uint32_t delay) override;
    uint32_t RefreshButtons(bool animated, uint32_t delay) override;
    void SetFed(bool fed, bool animated) override;
    std::vector<MapCharacter*> Animals() const override;

    // The phase timers of a cycle: production minus eating minus 200 is the
    // rest; the first wander gets four fifths of it, the second one fifth.
    static std::array<float, 4> PhaseTimers(uint32_t productionMs, uint32_t eatingMs);
    void EnterPhase(int32_t phase);
    // The progress line: how much of the cycle's time has run.
    void RefreshProgress();
    void PlaceNests();
    void ShowEggs(int32_t count, bool animated);
    void GetNestCentre(int32_t* x, int32_t* y) const;
    void GetStartSpot(int32_t slot, float* x, float* y) const;
    void GetEatingSpot(int32_t slot, int32_t* x, int32_t* y) const;
    uint32_t EatAnimationValue(int32_t slot) const;
    void ChangeInPlace(int32_t delta) { inPlace_ += delta; }

    int32_t Phase() const { return phase_; }
    float Timer(int32_t p) const { return timers_[size_t(p)]; }
    int32_t ChickenCount() const { return chickenCount_; }
    MapChicken* Chicken(int32_t slot) const { return chickens_[size_t(slot)].get(); }
    int32_t EggCount() const { return eggCount_; }
    const std::array<std::array<int32_t, 2>, 4>& Nests() const { return nests_; }
    int32_t ChickensInPlace() const { return inPlace_; }

  protected:
    void ClearDeliveredProduce() override;
    // The chickens in the house's slots and those leaving it.
    std::vector<MapCharacter*> PacedAnimals() const override;
    // A chicken walks and plays its animations at the house's pace: motion
    // tracks 0 and 2 and the scale track.
    void FollowTrack(MapCharacter& animal, uint32_t id, float value) const override;

  private:
    void DeleteEggSprites();
    // Stops the chickens' jobs of the phase they are in (eating or sitting).
    void StopPhaseJobs();
    SpriteObject* nest_ = nullptr; // owned by the map
    int32_t chickenCount_ = 0;
    std::array<std::unique_ptr<MapChicken>, kMaxAnimals> chickens_;
    std::array<std::unique_ptr<MapChicken>, kMaxAnimals> leaving_;
    bool restart_ = false;
    int32_t phase_ = kWander;
    std::array<float, 4> timers_{};
    std::array<std::array<int32_t, 2>, 4> nests_{};
    int32_t eggCount_ = 0;
    int32_t inPlace_ = 0;
    std::vector<SpriteObject*> eggSprites_; // owned by the map
    GameMessager messenger_;
};

// The farmer walks to the nests and takes the eggs.
class Job_TakeEggs : public Job_CollectProduce {
  public:
    static constexpr size_t kRecordSize = 44;
    Job_TakeEggs(MapPlayer* player, PointHenhouse* house);
    static std::unique_ptr<Job> Load(MapPlayer* player, const uint8_t* record, size_t size);

  protected:
    void GetWorkSpot(float* x, float* y) const override;
    const char16_t* WorkAnimation() const override { return u"girl_work"; }
};
