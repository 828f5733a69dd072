#include "level/Job.h"

#include "foundation/Ident.h"
#include "level/Economy.h"
#include "level/LevelServices.h"
#include "level/MapCharacter.h"
#include "level/SpriteObject.h"

#include <cmath>

namespace {

struct JobName {
    uint32_t id;
    const char* name;
};
constexpr JobName kJobNames[] = {
    {JOBID_GOTO, "GOTO"},
    {JOBID_PLANT, "PLANT"},
    {JOBID_WATER, "WATER"},
    {JOBID_HARVEST, "HARVEST"},
    {JOBID_BUILD, "BUILD"},
    {JOBID_FEED, "FEED"},
    {JOBID_TAKEEGGS, "TAKEEGGS"},
    {JOBID_MILKCOWS, "MILKCOWS"},
    {JOBID_CUTSHEEPS, "CUTSHEEPS"},
    {JOBID_CLEAR, "CLEAR"},
    {JOBID_PULLDOWN, "PULLDOWN"},
    {JOBID_REPAIR, "REPAIR"},
    {JOBID_PETEAT, "PETEAT"},
    {JOBID_CHICKENEGG, "CHICKENEGG"},
    {JOBID_COWHEADMILK, "COWHEADMILK"},
    {JOBID_COWHEADYELLING, "COWHEADYELLING"},
    {JOBID_COWHEADEAT, "COWHEADEAT"},
    {JOBID_SHEEPCUT, "SHEEPCUT"},
    {JOBID_SHEEPEAT, "SHEEPEAT"},
    {JOBID_SHEEPYELLING, "SHEEPYELLING"},
    {JOBID_SHEEPTURNLEFT, "SHEEPTURNLEFT"},
    {JOBID_SHEEPTURNRIGHT, "SHEEPTURNRIGHT"},
    {JOBID_SHEEPBLINK, "SHEEPBLINK"},
    {JOBID_VILLAINENTER, "VILLAINENTER"},
    {JOBID_VILLAINLEAVE, "VILLAINLEAVE"},
    {JOBID_VILLAINRUN, "VILLAINRUN"},
    {JOBID_VILLAINSHOT, "VILLAINSHOT"},
};

bool Finite(float a, float b) {
    return std::isfinite(a) && std::isfinite(b);
}

} // namespace

bool IsAnimationJobId(uint32_t jobId) {
    return (jobId >= JOBID_COWHEADMILK && jobId <= JOBID_COWHEADEAT) ||
           (jobId >= JOBID_SHEEPCUT && jobId <= JOBID_SHEEPBLINK);
}

const char* JobIdName(uint32_t jobId) {
    for (const JobName& entry : kJobNames) {
        if (entry.id == jobId) return entry.name;
    }
    return nullptr;
}

// ---------------------------------------------------------------- Job

Job::Job(MapCharacter* owner, uint32_t jobId) : owner_(owner), jobId_(jobId) {}

Job::~Job() {
    ReserveMoney(0);
    icon_.reset();
}

void Job::ShowIcon(float x, float y, MapSprite* icon, int32_t point, uint32_t tint) {
    icon_.reset();
    if (!icon || !owner_ || !owner_->Map()) return;
    icon_ = std::make_unique<SpriteObject>(owner_->Map(), icon, kIconKind, point);
    icon_->SetPosition(x, y);
    icon_->tint = tint;
    icon_->AddToLevel(0);
}

void Job::HideIcon() {
    icon_.reset();
}

bool Job::GetPosition(float* x, float* y) const {
    (void)x, (void)y;
    return false;
}

bool Job::SetStep(int32_t step) {
    if (IsFinished()) return false;
    step_ = step < 0 ? step_ + 1 : uint32_t(step);
    return true;
}

bool Job::Stop() {
    if (IsFinished()) return false;
    stoppedAtWork_ = state_ == JobState::Animating;
    if (owner_) owner_->ClearCurrentJob(this);
    Release();
    state_ = JobState::Stopped;
    return true;
}

bool Job::TargetAlive() const {
    if (targetPoint_ < 0) return true;
    LevelServices* services = owner_ ? owner_->Services() : nullptr;
    return services && services->PointExists(targetPoint_);
}

void Job::BeginWalk(float x, float y, uint32_t flags, float speedFactor) {
    const float speed = owner_ && owner_->Description() ? owner_->Description()->walkSpeed : 0.0f;
    BeginWalkTo((flags & 1) != 0, x, y, speedFactor * speed, nullptr);
}

void Job::BeginWalkTo(bool straight, float x, float y, float pixelsPerTick, const char16_t* walkAnimation) {
    if (!owner_) return;
    owner_->StartWalk(x, y, straight, pixelsPerTick, walkAnimation);
    state_ = JobState::Walking;
}

bool Job::UpdateWalk(float speedFactor) {
    if (!owner_ || !owner_->IsWalking()) return true;
    // The pace is the job's each tick: a job may hurry or slow its walk, and
    // the owner's motion tracks (a speed bonus) apply on top as they change.
    const float speed = owner_->Description() ? owner_->Description()->walkSpeed : 0.0f;
    if (speed > 0.0f && std::isfinite(speedFactor) && speedFactor > 0.0f)
        owner_->SetWalkSpeed(speedFactor * speed);
    return false;
}

void Job::StartAnimation(int32_t duration, const char16_t* name, int32_t variant, uint32_t flags) {
    if (!owner_) return;
    owner_->PlayNamedAnimation(name, variant, duration, flags & MapCharacter::kAnimationAtSpeed);
    state_ = JobState::Animating;
    progress_ = {step_, 1, 0, uint32_t(owner_->AnimationTimeLeft()), targetPoint_, 0};
}

bool Job::UpdateAnimation() {
    return !owner_ || owner_->AnimationDone();
}

bool Job::ReserveMoney(int32_t amount) {
    if (amount < 1) amount = 0;
    LevelServices* services = owner_ ? owner_->Services() : nullptr;
    if (!services) {
        // Away from a level there is no money to hold: only dropping works.
        if (amount > 0) return false;
        reserved_ = 0;
        return true;
    }
    MoneyValue& money = services->Money();
    // Refused rather than taking less than the price: the reservation must
    // be money that was taken, or a cancel would hand out money never paid.
    if (amount > money.Get()) return false;
    services->AddReservedMoney(-reserved_);
    reserved_ = 0;
    if (amount > 0) {
        reserved_ = money.Subtract(amount);
        services->AddReservedMoney(reserved_);
    }
    return true;
}

bool Job::Release() {
    if (IsFinished()) return false;
    if (owner_) {
        if (state_ == JobState::Walking) owner_->StopWalk();
        if (state_ == JobState::Animating)
            owner_->PlayAnimation(owner_->AnimationKind(), owner_->IsMirrored());
        LevelServices* services = owner_->Services();
        if (services && reserved_ > 0) services->Money().Add(reserved_);
    }
    ReserveMoney(0);
    progress_ = {};
    state_ = JobState::New;
    return true;
}

void Job::Notify() {
    LevelServices* services = owner_ ? owner_->Services() : nullptr;
    if (services) services->TutorialNotify(kTutorialEventJobOrdered, jobId_, TutorialObject::Of<Job>(this));
}

uint8_t* Job::BeginSaveRecord(JobSaveContext& context, SaveWriter& writer, size_t size) {
    if (size < kHeadSize) return nullptr;
    const size_t at = writer.Size();
    uint8_t* record = writer.Alloc(size);
    if (!record) return nullptr;
    PutU32(record, 0, uint32_t(size));
    PutU32(record, 4, jobId_);
    PutU32(record, 8, step_);
    PutI32(record, 12, reserved_);
    if (context.count++ == 0) context.first = at;
    return record;
}

void Job::SaveProgress(uint8_t* record, bool running) const {
    uint8_t* p = record + kHeadSize;
    if (!running) {
        std::fill(p, p + kProgressSize, uint8_t(0));
        return;
    }
    PutU32(p, 0, step_);
    PutU32(p, 4, 1);
    PutU32(p, 8, progress_.elapsed);
    PutU32(p, 12, progress_.duration);
    PutI32(p, 16, targetPoint_);
    PutU32(p, 20, 0);
}

bool Job::LoadProgress(const uint8_t* record) {
    const uint8_t* p = record + kHeadSize;
    JobProgress loaded{U32At(p, 0), U32At(p, 4), U32At(p, 8), U32At(p, 12), I32At(p, 16), 0};
    if (loaded.running > 1) return false;
    if (!loaded.running) {
        // A job that was not running keeps no progress at all.
        if (loaded.step || loaded.elapsed || loaded.duration || loaded.targetPoint) return false;
        progress_ = {};
        return true;
    }
    if (loaded.step != step_ || loaded.targetPoint != targetPoint_) return false;
    progress_ = loaded;
    return true;
}

void Job::LoadHead(const uint8_t* record) {
    step_ = U32At(record, 8);
    loadedReservation_ = std::max(I32At(record, 12), 0);
}

// ---------------------------------------------------------------- Job_GoTo

Job_GoTo::Job_GoTo(MapCharacter* owner, float x, float y, uint32_t flags, float speedFactor,
                   int32_t targetPoint, bool shortRecord)
    : Job(owner, JOBID_GOTO), x_(x), y_(y), flags_(flags), speedFactor_(speedFactor),
      shortRecord_(shortRecord) {
    targetPoint_ = targetPoint;
}

bool Job_GoTo::GetPosition(float* x, float* y) const {
    *x = x_;
    *y = y_;
    return true;
}

void Job_GoTo::Update(uint32_t ms) {
    (void)ms;
    // A walk to a point ends when the point goes (demolished, sold, removed
    // by the level) rather than leading the walker to where it was.
    if (!TargetAlive()) {
        if (state_ == JobState::Walking && owner_) owner_->StopWalk();
        Finish();
        return;
    }
    switch (state_) {
    case JobState::New:
        BeginWalk(x_, y_, flags_, speedFactor_);
        break;
    case JobState::Walking:
        if (UpdateWalk(speedFactor_)) Finish();
        break;
    default:
        break;
    }
}

bool Job_GoTo::Save(JobSaveContext& context, SaveWriter& writer) {
    if (IsFinished()) return true;
    uint8_t* record = BeginSaveRecord(context, writer, shortRecord_ ? kShortRecordSize : kRecordSize);
    if (!record) return false;
    PutF32(record, 16, x_);
    PutF32(record, 20, y_);
    if (shortRecord_) return true;
    PutU32(record, 24, flags_);
    PutF32(record, 28, speedFactor_);
    PutI32(record, 32, targetPoint_);
    return true;
}

std::unique_ptr<Job_GoTo> Job_GoTo::Load(MapCharacter* owner, const uint8_t* record, size_t size) {
    if ((size != kRecordSize && size != kShortRecordSize) || U32At(record, 4) != JOBID_GOTO) return nullptr;
    const float x = F32At(record, 16), y = F32At(record, 20);
    if (!Finite(x, y)) return nullptr;
    std::unique_ptr<Job_GoTo> job;
    if (size == kShortRecordSize) {
        job = std::make_unique<Job_GoTo>(owner, x, y, 0, 1.0f, -1, true);
    } else {
        const uint32_t flags = U32At(record, 24);
        const float speed = F32At(record, 28);
        const int32_t target = I32At(record, 32);
        if (flags > 1 || !std::isfinite(speed) || !(speed > 0.0f) || speed > 100.0f || target < -1)
            return nullptr;
        job = std::make_unique<Job_GoTo>(owner, x, y, flags, speed, target);
    }
    job->LoadHead(record);
    return job;
}

// ---------------------------------------------------------------- Job_Animation

Job_Animation::Job_Animation(MapCharacter* owner, uint32_t jobId, const char16_t* animation, uint32_t flags,
                             int32_t duration)
    : Job(owner, jobId), flags_(flags), duration_(duration) {
    for (size_t i = 0; animation && i + 1 < kNameLength && animation[i]; ++i)
        animation_[i] = animation[i];
}

void Job_Animation::Update(uint32_t ms) {
    switch (state_) {
    case JobState::New:
        StartAnimation(duration_, animation_, -1, flags_);
        break;
    case JobState::Animating:
        progress_.elapsed += ms;
        if (UpdateAnimation()) Finish();
        break;
    default:
        break;
    }
}

bool Job_Animation::Save(JobSaveContext& context, SaveWriter& writer) {
    if (IsFinished()) return true;
    uint8_t* record = BeginSaveRecord(context, writer, kRecordSize);
    if (!record) return false;
    SaveProgress(record, state_ == JobState::Animating);
    WriteNameField(record + 40, animation_);
    PutU32(record, 104, flags_);
    PutI32(record, 108, duration_);
    return true;
}

std::unique_ptr<Job_Animation> LoadAnimationJob(MapCharacter* owner, const uint8_t* record, size_t size) {
    if (size != Job_Animation::kRecordSize) return nullptr;
    const uint32_t jobId = U32At(record, 4);
    if (!IsAnimationJobId(jobId)) return nullptr;
    char16_t name[kNameLength];
    if (!ReadNameField(record + 40, name)) return nullptr;
    const int32_t duration = I32At(record, 108);
    if (duration < -2) return nullptr;
    auto job = std::make_unique<Job_Animation>(owner, jobId, name, U32At(record, 104), duration);
    job->LoadHead(record);
    if (!job->LoadProgress(record)) return nullptr;
    // A job that was playing goes on playing: the character's own block
    // brings back the animation and how far it had got.
    if (job->progress_.running) job->state_ = JobState::Animating;
    return job;
}
