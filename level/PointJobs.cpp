#include "level/PointJobs.h"

#include "level/GameLevel.h"
#include "level/MapCharacter.h"

Job_AtPoint::Job_AtPoint(MapCharacter* owner, uint32_t jobId, int32_t point) : Job(owner, jobId) {
    targetPoint_ = point;
}

bool Job_AtPoint::GetPosition(float* x, float* y) const {
    GameLevel* level = LevelOf(owner_);
    BaseLevelPoint* p = level ? level->GetPoint(targetPoint_) : nullptr;
    if (!p) return false;
    float dx, dy;
    p->GetPosition(x, y);
    p->GetWorkOffset(&dx, &dy);
    *x += dx;
    *y += dy;
    return true;
}

void Job_AtPoint::Update(uint32_t ms) {
    if (!TargetAlive()) {
        if (state_ == JobState::Walking && owner_) owner_->StopWalk();
        Finish();
        return;
    }
    switch (state_) {
    case JobState::New: {
        float x, y;
        if (step_ == kStepWork || !GetPosition(&x, &y)) {
            step_ = kStepWork;
            StartAnimation(kWorkMs, kWorkAnimation, -1, 0);
        } else {
            BeginWalk(x, y, 0, 1.0f);
        }
        break;
    }
    case JobState::Walking:
        if (UpdateWalk(1.0f)) {
            step_ = kStepWork;
            StartAnimation(kWorkMs, kWorkAnimation, -1, 0);
        }
        break;
    case JobState::Animating:
        AddElapsed(ms);
        if (UpdateAnimation()) {
            Complete();
            // The work is paid for: the reservation is spent, not returned.
            ReserveMoney(0);
            Finish();
        }
        break;
    default:
        break;
    }
}

bool Job_AtPoint::Save(JobSaveContext& context, SaveWriter& writer) {
    if (IsFinished()) return true;
    uint8_t* record = BeginSaveRecord(context, writer, kRecordSize);
    if (!record) return false;
    // A walk starts again on loading; a running work keeps its progress.
    SaveProgress(record, state_ == JobState::Animating);
    kAtPointLayout.Store({targetPoint_}, record);
    return true;
}

void Job_Clear::Complete() {
    GameLevel* level = LevelOf(owner_);
    if (auto* site = level ? dynamic_cast<EmptyLevelPoint*>(level->GetPoint(targetPoint_)) : nullptr)
        site->ClearGarbage();
}

void Job_Pulldown::Complete() {
    GameLevel* level = LevelOf(owner_);
    if (level) level->PullDownPoint(targetPoint_);
}

void Job_Repair::Complete() {
    GameLevel* level = LevelOf(owner_);
    if (BaseLevelPoint* p = level ? level->GetPoint(targetPoint_) : nullptr) p->Repair(true);
}

std::unique_ptr<Job> LoadPointJob(MapPlayer* player, const uint8_t* record, size_t size) {
    if (size != Job_AtPoint::kRecordSize) return nullptr;
    const JobHead head = Job::HeadOf(record);
    const uint32_t jobId = head.jobId;
    AtPointRecord saved;
    kAtPointLayout.Load(record, &saved);
    const int32_t point = saved.point;
    const uint32_t step = head.step;
    if (point < 0 || point >= int32_t(kMaxLevelPoints) || step > 1) return nullptr;
    std::unique_ptr<Job_AtPoint> job;
    switch (jobId) {
    case JOBID_CLEAR:
        job = std::make_unique<Job_Clear>(player, point);
        break;
    case JOBID_PULLDOWN:
        job = std::make_unique<Job_Pulldown>(player, point);
        break;
    case JOBID_REPAIR:
        job = std::make_unique<Job_Repair>(player, point);
        break;
    default:
        return nullptr;
    }
    job->LoadHead(record);
    if (!job->LoadProgress(record)) return nullptr;
    job->ResumeLoaded();
    return job;
}

void RegisterPointJobLoaders() {
    for (uint32_t id : {JOBID_CLEAR, JOBID_PULLDOWN, JOBID_REPAIR})
        SetPlayerJobLoader(id, &LoadPointJob);
}
