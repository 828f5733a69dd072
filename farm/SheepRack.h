#pragma once
// The sheep rack: an animal house whose sheep (each with a head of its own)
// stand at the rack for as long as its building stands. Fed, they eat until
// the wool is ready; then they show their fleece and call until the farmer
// shears them (Job_CutSheeps).

#include "farm/TimedHouse.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class MapSheep;
class PointSheepRack;

class MapSheepHead : public MapCharacter {
  public:
    MapSheepHead(LevelMap* map, const GameCharacter* description, MapSheep* sheep, float x, float y);
    ~MapSheepHead() override;
    void AdvanceAnimation(uint32_t ms) override;
    float GetAnimationSpeed() const override;
    // The head is drawn at its sheep's size.
    float LargestSizeFactor() const override { return kLargestAnimalSize; }
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
    float LargestSizeFactor() const override { return kLargestAnimalSize; }
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
    // The name of a body animation for the sheep's kind (0 shorn: "_skin"
    // goes after "sheepbody").
    static std::u16string KindName(const char16_t* base, int32_t kind);
    static std::u16string HeadName(const char16_t* bodyName);
    static int32_t BlinkMs(int32_t kind) { return kind == 1 ? 3240 : 2760; }

    void Unlink() { rack_ = nullptr; }
    MapSheepHead* Head() const { return head_.get(); }
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

class PointSheepRack : public PointTimedHouse {
  public:
    static constexpr float kCallMs = 5000.0f;
    PointSheepRack(FarmHost* host, uint32_t index, BUILDING* type);
    ~PointSheepRack() override;

    bool CollectProducts(GameMessager* messenger) override;
    uint32_t CollectCommand() const override { return kCutCommand; }
    std::unique_ptr<Job_CollectProduce> MakeCollectJob(MapPlayer* player) override;
    void SaveSecondPass(SaveWriter& out) const override;
    bool LoadSecondPass(SaveReader& in) override;
    uint32_t CreateMapBuilding(bool animated, uint32_t delay) override;
    uint32_t ReleaseMapBuilding(bool animated, uint32_t delay) override;
    void GetFeedSpotOffset(int32_t* x, int32_t* y) const override { GetOverlayOffset(x, y); }
    void GetFeedButtonOffset(int32_t* x, int32_t* y) const override { *x = 0, *y = -40; }
    uint32_t StopAnimals(bool animated, bool forGood, uint32_t delay) override;
    uint32_t RefreshButtons(bool animated, uint32_t delay) override;
    void SetFed(bool fed, bool animated) override;
    std::vector<MapCharacter*> Animals() const override;

    // Whether the sheep may act now (no building job, not damaged).
    bool SheepMayAct() const { return !buildJob_ && !upgrading_ && damage_ == 0; }
    int32_t WoolKind() const { return fed_ && timer_.remaining <= 0.0f ? 1 : 0; }

    int32_t SheepCount() const { return sheepCount_; }
    MapSheep* Sheep(int32_t slot) const { return sheep_[size_t(slot)].get(); }

  protected:
    int32_t AnimalCount() const override { return sheepCount_; }
    // The sheep without their heads.
    std::vector<MapCharacter*> PacedAnimals() const override;
    void StopAnimalJobs() override;
    void CallAnimal() override;
    float LongestCallMs() const override { return kCallMs; }

  private:
    int32_t sheepCount_ = 0;
    std::array<std::unique_ptr<MapSheep>, kMaxAnimals> sheep_;
};

// The farmer walks to the rack and shears the sheep.
class Job_CutSheeps : public Job_CollectProduce {
  public:
    static constexpr size_t kRecordSize = 44;
    Job_CutSheeps(MapPlayer* player, PointSheepRack* rack);
    static std::unique_ptr<Job> Load(MapPlayer* player, const uint8_t* record, size_t size);

  protected:
    void GetWorkSpot(float* x, float* y) const override { house_->GetWorkPosition(x, y); }
    const char16_t* WorkAnimation() const override { return u"girl_cutsheep"; }
    int32_t WorkFacing() const override;
};
