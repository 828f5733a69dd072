#pragma once
// The farmer's jobs at a point that the level itself orders: clearing a
// site's garbage, pulling a point down and repairing a damaged one. Each
// walks the farmer to the point's work spot, plays the work animation, then
// acts on the point; a point that goes meanwhile ends the job without effect.
//
// Record (44 bytes): the common 40 (head and progress), 40 i32 the point.

#include "level/Job.h"

class MapPlayer;

class Job_AtPoint : public Job {
  public:
    static constexpr size_t kRecordSize = 44;
    // How long the farmer works at the point.
    static constexpr int32_t kWorkMs = 1500;
    // The farmer's work animation (hammering).
    static constexpr const char16_t* kWorkAnimation = u"girl_build";

    Job_AtPoint(MapCharacter* owner, uint32_t jobId, int32_t point);
    void Update(uint32_t ms) override;
    bool Save(JobSaveContext& context, SaveWriter& writer) override;
    bool GetPosition(float* x, float* y) const override;
    // A loaded job whose work was running goes on working (the farmer's own
    // block brings the animation back).
    void ResumeLoaded() {
        if (progress_.running) state_ = JobState::Animating;
    }

  protected:
    // The work is done: acts on the point (alive when called).
    virtual void Complete() = 0;

    // The steps: 0 walking to the point, 1 working.
    static constexpr uint32_t kStepWalk = 0;
    static constexpr uint32_t kStepWork = 1;
};

// Clears a site's garbage; its price is held reserved from the order and
// spent when the garbage goes.
class Job_Clear : public Job_AtPoint {
  public:
    Job_Clear(MapCharacter* owner, int32_t point) : Job_AtPoint(owner, JOBID_CLEAR, point) {}

  protected:
    void Complete() override;
};

// Pulls a point down: the point is removed for good and an empty clean site
// takes its place.
class Job_Pulldown : public Job_AtPoint {
  public:
    Job_Pulldown(MapCharacter* owner, int32_t point) : Job_AtPoint(owner, JOBID_PULLDOWN, point) {}

  protected:
    void Complete() override;
};

// Repairs a damaged point: its puddle goes.
class Job_Repair : public Job_AtPoint {
  public:
    Job_Repair(MapCharacter* owner, int32_t point) : Job_AtPoint(owner, JOBID_REPAIR, point) {}

  protected:
    void Complete() override;
};

// Rebuilds one of the three from its record; null when it does not fit.
std::unique_ptr<Job> LoadPointJob(MapPlayer* player, const uint8_t* record, size_t size);
// Registers the loaders of the three with the farmer's job loaders.
void RegisterPointJobLoaders();
