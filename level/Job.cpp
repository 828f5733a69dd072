#include "level/Job.h"

#include "foundation/Ident.h"
#include "level/Economy.h"
#include "level/GameLevel.h"
#include "level/LevelServices.h"
#include "level/MapCharacter.h"
#include "level/SpriteObject.h"

#include <algorithm>
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

constexpr auto kJobHeadLayout =
    kis::Layout(Job::kHeadSize, kis::Field<&JobHead::size>(0), kis::Field<&JobHead::jobId>(4),
                kis::Field<&JobHead::step>(8), kis::Field<&JobHead::reserved>(12));

// The progress part after the head; its last word is reserved.
constexpr auto kJobProgressLayout =
    kis::Layout(Job::kCommonSize, kis::Field<&JobProgress::step>(16), kis::Field<&JobProgress::running>(20),
                kis::Field<&JobProgress::elapsed>(24), kis::Field<&JobProgress::duration>(28),
                kis::Field<&JobProgress::targetPoint>(32));

// A walk's own fields; no progress part. The chicken's short form keeps only
// the place.
struct GoToRecord {
    float x, y;
    uint32_t flags; // bit 0 straight
    float speedFactor;
    int32_t targetPoint; // -1 none
};
constexpr auto kGoToLayout =
    kis::Layout(Job_GoTo::kRecordSize, kis::Field<&GoToRecord::x>(16), kis::Field<&GoToRecord::y>(20),
                kis::Field<&GoToRecord::flags>(24), kis::Field<&GoToRecord::speedFactor>(28),
                kis::Field<&GoToRecord::targetPoint>(32));
constexpr auto kGoToShortLayout =
    kis::Layout(Job_GoTo::kShortRecordSize, kis::Field<&GoToRecord::x>(16), kis::Field<&GoToRecord::y>(20));

// An animation job's own fields after the common 40 bytes.
struct AnimationRecord {
    char16_t name[kNameLength];
    uint32_t flags;
    int32_t duration; // ms; -2 the animation's own length, -1 endless
};
constexpr auto kAnimationLayout =
    kis::Layout(Job_Animation::kRecordSize, kis::Field<&AnimationRecord::name>(40),
                kis::Field<&AnimationRecord::flags>(104), kis::Field<&AnimationRecord::duration>(108));

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
    // Over its point, the waiting job's icon is part of the point's picture.
    icon_->SetPointPicture(point >= 0);
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
    if (services) services->TutorialNotify(TutorialEvent::JobOrdered, jobId_, TutorialObject::Of<Job>(this));
}

JobHead Job::HeadOf(const uint8_t* record) {
    JobHead head;
    kJobHeadLayout.Load(record, &head);
    return head;
}

JobProgress Job::ProgressOf(const uint8_t* record) {
    JobProgress progress{};
    kJobProgressLayout.Load(record, &progress);
    return progress;
}

uint8_t* Job::BeginSaveRecord(JobSaveContext& context, SaveWriter& writer, size_t size) {
    if (size < kHeadSize) return nullptr;
    const size_t at = writer.Size();
    uint8_t* record = writer.Alloc(size);
    if (!record) return nullptr;
    kJobHeadLayout.Store({uint32_t(size), jobId_, step_, reserved_}, record);
    if (context.count++ == 0) context.first = at;
    return record;
}

void Job::SaveProgress(uint8_t* record, bool running) const {
    JobProgress saved{};
    if (running) saved = {step_, 1, progress_.elapsed, progress_.duration, targetPoint_, 0};
    kJobProgressLayout.Store(saved, record);
}

bool Job::LoadProgress(const uint8_t* record) {
    const JobProgress loaded = ProgressOf(record);
    if (loaded.running > 1) return false;
    if (!loaded.running) {
        // A job that was not running keeps no progress at all.
        if (loaded.step || loaded.elapsed || loaded.duration || loaded.targetPoint) return false;
        progress_ = {};
        return true;
    }
    if (loaded.step != step_ || loaded.targetPoint != targetPoint_) return false;
    if (loaded.elapsed > kMaxLevelTimeMs ||
        (loaded.duration > kMaxLevelTimeMs && loaded.duration != kEndlessWorkMs))
        return false;
    progress_ = loaded;
    return true;
}

void Job::AddElapsed(uint32_t ms) {
    progress_.elapsed = std::min(progress_.elapsed + std::min(ms, kMaxLevelTimeMs), kMaxLevelTimeMs);
}

void Job::LoadHead(const uint8_t* record) {
    const JobHead head = HeadOf(record);
    step_ = head.step;
    loadedReservation_ = std::max(head.reserved, 0);
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
    const GoToRecord saved{x_, y_, flags_, speedFactor_, targetPoint_};
    if (shortRecord_) {
        kGoToShortLayout.Store(saved, record);
    } else {
        kGoToLayout.Store(saved, record);
    }
    return true;
}

std::unique_ptr<Job_GoTo> Job_GoTo::Load(MapCharacter* owner, const uint8_t* record, size_t size) {
    if ((size != kRecordSize && size != kShortRecordSize) || HeadOf(record).jobId != JOBID_GOTO)
        return nullptr;
    GoToRecord saved{0.0f, 0.0f, 0, 1.0f, -1};
    if (size == kShortRecordSize) {
        kGoToShortLayout.Load(record, &saved);
    } else {
        kGoToLayout.Load(record, &saved);
    }
    // A walk leads to a place where a figure of the level can stand.
    if (!Finite(saved.x, saved.y) || !owner || !owner->PlaceFits(saved.x, saved.y)) return nullptr;
    if (saved.flags > 1 || !std::isfinite(saved.speedFactor) || !(saved.speedFactor > 0.0f) ||
        saved.speedFactor > 100.0f || saved.targetPoint < -1)
        return nullptr;
    auto job = std::make_unique<Job_GoTo>(owner, saved.x, saved.y, saved.flags, saved.speedFactor,
                                          saved.targetPoint, size == kShortRecordSize);
    job->LoadHead(record);
    return job;
}

// ---------------------------------------------------------------- Job_Animation

Job_Animation::Job_Animation(MapCharacter* owner, uint32_t jobId, const char16_t* animation, uint32_t flags,
                             int32_t duration)
    : Job(owner, jobId), flags_(flags), duration_(std::min(duration, int32_t(kMaxLevelTimeMs))) {
    for (size_t i = 0; animation && i + 1 < kNameLength && animation[i]; ++i)
        animation_[i] = animation[i];
}

void Job_Animation::Update(uint32_t ms) {
    switch (state_) {
    case JobState::New:
        StartAnimation(duration_, animation_, -1, flags_);
        break;
    case JobState::Animating:
        AddElapsed(ms);
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
    AnimationRecord saved{};
    std::copy(std::begin(animation_), std::end(animation_), saved.name);
    saved.flags = flags_;
    saved.duration = duration_;
    kAnimationLayout.Store(saved, record);
    return true;
}

std::unique_ptr<Job_Animation> LoadAnimationJob(MapCharacter* owner, const uint8_t* record, size_t size) {
    if (size != Job_Animation::kRecordSize) return nullptr;
    const uint32_t jobId = Job::HeadOf(record).jobId;
    if (!IsAnimationJobId(jobId)) return nullptr;
    AnimationRecord saved;
    if (!kAnimationLayout.Load(record, &saved) || saved.duration < -2 ||
        saved.duration > int32_t(kMaxLevelTimeMs))
        return nullptr;
    auto job = std::make_unique<Job_Animation>(owner, jobId, saved.name, saved.flags, saved.duration);
    job->LoadHead(record);
    if (!job->LoadProgress(record)) return nullptr;
    // A job that was playing goes on playing: the character's own block
    // brings back the animation and how far it had got.
    if (job->progress_.running) job->state_ = JobState::Animating;
    return job;
}
