#pragma once
// The cowshed: an animal house whose cows (heads looking out of the shed)
// come while it is fed, eat until the milk is ready and then call until
// the farmer milks them (Job_MilkCows).

#include "farm/TimedHouse.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class PointCowshed;
class Job_MilkCows;

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
    float LargestSizeFactor() const override { return kLargestAnimalSize; }
    bool LoadJobs(SaveReader& reader, uint32_t count, std::vector<std::unique_ptr<Job>>* jobs,
                  std::string* why) override;
    void Unlink() { shed_ = nullptr; }
    // Lets go of the shed and drops her jobs at once: the map keeps her
    // only while she vanishes, and nothing of hers may outlive the level.
    void Leave() {
        shed_ = nullptr;
        DeleteAllJobs();
    }

  private:
    PointCowshed* shed_;
    int32_t slot_;
    uint32_t failedJob_ = 0;
};

class PointCowshed : public PointTimedHouse {
  public:
    PointCowshed(FarmHost* host, uint32_t index, BUILDING* type);
    ~PointCowshed() override;

    bool CollectProducts(GameMessager* messenger) override;
    uint32_t CollectCommand() const override { return kMilkCommand; }
    std::unique_ptr<Job_CollectProduce> MakeCollectJob(MapPlayer* player) override;
    void GetFeedSpotOffset(int32_t* x, int32_t* y) const override { *x = -4, *y = 32; }
    void GetFeedButtonOffset(int32_t* x, int32_t* y) const override { *x = 0, *y = -56; }
    uint32_t CreateAnimals(bool animated, uint32_t delay) override;
    uint32_t AnimalsEntryMs() const override;
    uint32_t StopAnimals(bool animated, bool forGood, uint32_t delay) override;
    std::vector<MapCharacter*> Animals() const override;

    // Every cow starts or stops its milking animation.
    void StartMilking();
    void StopMilking();

    int32_t CowCount() const { return cowCount_; }
    MapCowHead* Cow(int32_t slot) const { return cows_[size_t(slot)].get(); }
    Job_MilkCows* MilkJob() const;

  protected:
    int32_t AnimalCount() const override { return cowCount_; }
    void StopAnimalJobs() override;
    void CallAnimal() override;

  private:
    int32_t cowCount_ = 0;
    std::array<std::unique_ptr<MapCowHead>, kMaxAnimals> cows_;
};

// The farmer walks to the shed, into it, milks the cows and walks back out.
class Job_MilkCows : public Job_CollectProduce {
  public:
    static constexpr size_t kRecordSize = 52;
    static constexpr int32_t kSpotDx = 110;
    static constexpr int32_t kInsideDx = 100;
    enum MilkStep : uint32_t { kWalkToSpot = 1, kEnterShed = 2, kMilking = 3, kWalkOut = 4, kDone = 5 };
    Job_MilkCows(MapPlayer* player, PointCowshed* shed, int32_t spotX = 0, int32_t spotY = 0);
    ~Job_MilkCows() override;
    bool GetPosition(float* x, float* y) const override;
    bool SetStep(int32_t step) override;
    void Update(uint32_t ms) override;
    bool Stop() override;
    bool Save(JobSaveContext& context, SaveWriter& writer) override;
    bool IsMilking() const { return milking_; }
    static std::unique_ptr<Job> Load(MapPlayer* player, const uint8_t* record, size_t size);

  protected:
    void GetWorkSpot(float* x, float* y) const override;
    const char16_t* WorkAnimation() const override { return u"girl_milkcows"; }

    void BeginStep() override;

  private:
    // Lets go of the shed; a fed shed's cows stop milking and its buttons
    // are shown again.
    void LeaveShed();
    void Count();
    void Uncount();
    PointCowshed* Shed() const { return static_cast<PointCowshed*>(house_); }
    int32_t spotX_, spotY_;
    bool mayEnd_ = false, counted_ = false, milking_ = false, noStop_ = false;
};
