#include "level/MapCharacter.h"

#include "foundation/Ident.h"
#include "level/Economy.h"
#include "level/GameLevel.h"
#include "level/LevelData.h"
#include "level/LevelServices.h"
#include "level/SpriteObject.h"
#include "sprites/Sprite.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

GameAnimation* FindAnimation(uint32_t nameId) {
    SpriteLibraries* libraries = GetSpriteLibraries();
    return libraries && nameId ? libraries->animations.Find(nameId) : nullptr;
}

// A texture of any sprite library by name.
DXLTexture* FindLevelTexture(const char16_t* name) {
    if (!name || !name[0] || !GetSpriteLibraries()) return nullptr;
    for (int32_t n = 1; n < kSpriteLibrarySlots; ++n) {
        SpriteLibrary* library = GetLibrary(n);
        if (DXLTexture* texture = library ? library->FindTexture(name) : nullptr) return texture;
    }
    return nullptr;
}

// The character block's flag of an animation that runs at the character's
// animation speed (beside kMirrored, kOnLevel, kHidden).
constexpr uint32_t kSavedAtSpeed = 0x8;

using CharacterRecord = MapCharacter::SavedRecord;

// The character block: the fields every character saves. Bytes 76-95 are
// reserved, 100-131 the kind's own (FillSaveRecord).
constexpr auto kCharacterLayout =
    kis::Layout(MapCharacter::kBlockSize, kis::Field<&CharacterRecord::size>(0),
                kis::Field<&CharacterRecord::characterId>(4), kis::Field<&CharacterRecord::x>(8),
                kis::Field<&CharacterRecord::y>(12), kis::Field<&CharacterRecord::animKind>(16),
                kis::Field<&CharacterRecord::animNameId>(20), kis::Field<&CharacterRecord::variant>(24),
                kis::Field<&CharacterRecord::animTime>(28), kis::Field<&CharacterRecord::timeLeft>(32),
                kis::Field<&CharacterRecord::flags>(36), kis::Field<&CharacterRecord::layer>(40),
                kis::Field<&CharacterRecord::sizeFactor>(44), kis::Field<&CharacterRecord::alpha>(48),
                kis::Field<&CharacterRecord::offsetX>(52), kis::Field<&CharacterRecord::offsetY>(56),
                kis::Field<&CharacterRecord::walkX>(60), kis::Field<&CharacterRecord::walkY>(64),
                kis::Field<&CharacterRecord::currentJobId>(68),
                kis::Field<&CharacterRecord::currentIndex>(72), kis::Field<&CharacterRecord::jobCount>(96));

bool Refuse(std::string* why, std::string text) {
    if (why) *why = std::move(text);
    return false;
}

} // namespace

// ---------------------------------------------------------------- MapCharacter

MapCharacter::MapCharacter(LevelMap* map, const GameCharacter* description, int32_t kind,
                           const char16_t* animation, int32_t third, float x, float y, int32_t ownerPoint)
    : DynObject(map, ownerPoint), description_(description) {
    x_ = x;
    y_ = y;
    walk_.targetX = x;
    walk_.targetY = y;
    // Not a virtual call from here: the subclass is not built yet, so the
    // first animation is always the base's choice.
    MapCharacter::SetAnimation(kind, animation, third);
}

MapCharacter::~MapCharacter() {
    StopWalk();
    DeleteAllJobs();
}

void MapCharacter::SetAnimation(int32_t kind, const char16_t* name, int32_t third) {
    animKind_ = kind;
    SetMirrored(third != 0);
    if (name && name[0]) {
        PlayNamedAnimation(name, -1, -1);
    } else {
        PlayAnimation(kind, third != 0);
    }
}

void MapCharacter::SetAnimationName(const char16_t* name) {
    std::fill(std::begin(animName_), std::end(animName_), u'\0');
    for (size_t i = 0; name && i + 1 < std::size(animName_) && name[i]; ++i)
        animName_[i] = name[i];
}

void MapCharacter::PlayAnimation(int32_t kind, bool mirrored) {
    animKind_ = kind;
    SetMirrored(mirrored);
    animNameId_ = 0;
    const char16_t* standing = description_ ? description_->GetAnimationName(kind, 0) : nullptr;
    SetAnimationName(standing);
    animTime_ = 0;
    timeLeft_ = -1;
    animAtSpeed_ = false;
    animCarry_ = 0.0f;
    RestartTrack();
}

void MapCharacter::PlayNamedAnimation(const char16_t* name, int32_t variant, int32_t duration,
                                      uint32_t flags) {
    SetAnimationName(name);
    animNameId_ = kis::NameId(animName_);
    if (variant >= 0) variant_ = variant;
    animTime_ = 0;
    animAtSpeed_ = (flags & kAnimationAtSpeed) != 0;
    animCarry_ = 0.0f;
    // A timed animation lasts at most the level clock's whole run, as work does.
    if (duration == -2) {
        timeLeft_ = int32_t(std::min(AnimationLength(animNameId_, variant_), kMaxLevelTimeMs));
    } else {
        timeLeft_ = std::clamp(duration, -1, int32_t(kMaxLevelTimeMs));
    }
    RestartTrack();
}

void MapCharacter::RestartTrack() {
    // A loaded animation may be known by its id only.
    const uint32_t nameId = animNameId_ ? animNameId_ : animName_[0] ? kis::NameId(animName_) : 0;
    GameAnimation* animation = nullptr;
    if (description_) {
        // The description's own animations are looked up once for all its figures.
        description_->LoadAnimations();
        animation = description_->FindKindAnimation(animKind_, nameId);
    }
    track_.Play(animation ? animation : FindAnimation(nameId), variant_);
    track_.kind = animKind_;
    if (animTime_) track_.Update(animTime_);
}

void MapCharacter::SwitchAnimationKind(int32_t kind) {
    const uint32_t time = animTime_;
    const int32_t left = timeLeft_;
    const uint32_t nameId = animNameId_;
    animKind_ = kind;
    if (nameId == 0) {
        const char16_t* standing = description_ ? description_->GetAnimationName(kind, 0) : nullptr;
        SetAnimationName(standing);
    }
    animTime_ = time;
    timeLeft_ = left;
    RestartTrack();
}

uint32_t MapCharacter::AnimationLength(uint32_t nameId, int32_t variant) const {
    const GameAnimation* animation = FindAnimation(nameId);
    const AnimationVariant* v = animation && animation->VariantCount() > 0
                                    ? animation->GetVariant(variant % animation->VariantCount())
                                    : nullptr;
    return v ? v->Length() : 0;
}

void MapCharacter::OnAddedToLevel() {
    if (shadow_ || !description_) return;
    if (DXLTexture* texture = FindLevelTexture(description_->shadowTexture.data()))
        shadow_ = std::make_unique<MapShadow>(texture, description_->shadowDx, description_->shadowDy,
                                              description_->shadowOpacity);
}

void MapCharacter::OnRemovedFromLevel() {
    shadow_.reset();
}

void MapCharacter::Draw(DXLViewer& viewer) {
    DXLMatrix saved;
    const uint32_t colour = BeginDraw(viewer, 0xFFFFFFFF, &saved);
    if (shadow_) {
        shadow_->SetAlpha(float(colour >> 24) / 255.0f);
        shadow_->Draw(viewer, 0.0f, 0.0f);
    }
    DrawAnimation(viewer, colour);
    EndDraw(viewer, saved);
}

bool MapCharacter::Covers(float x, float y) const {
    const AnimationVariant* v = track_.Variant();
    if (!v || sizeFactor_ <= 0.0f) return false;
    return MapSpriteCovers(v->sprite, track_.CurrentFrame(), (x - x_ - float(offsetX_)) / sizeFactor_,
                           (y - y_ - float(offsetY_)) / sizeFactor_, track_.mirrored, v->anchorX, v->anchorY);
}

void MapCharacter::DrawAnimation(DXLViewer& viewer, uint32_t colour) {
    track_.colour = colour;
    DrawAttachedAnimation(viewer, nullptr, track_, /*moveToAnchor=*/true, /*highlight=*/false);
    if (!highlighted_) return;
    // Lit: the same frame once more, added over itself in a faint grey.
    viewer.SetBlendMode(kBlendAdditive);
    DrawAttachedAnimation(viewer, nullptr, track_, /*moveToAnchor=*/true, /*highlight=*/true);
    viewer.SetBlendMode(kBlendAlpha);
}

void MapCharacter::AdvanceAnimation(uint32_t ms) {
    if (animAtSpeed_) {
        // Whole milliseconds of the animation's own time; the rest waits
        // for the next tick, so a pace of 1.5 shows 15 ms every 10.
        const float scaled = float(ms) * GetAnimationSpeed() + animCarry_;
        const uint32_t whole = scaled > 0.0f ? uint32_t(scaled) : 0;
        animCarry_ = scaled > 0.0f ? scaled - float(whole) : 0.0f;
        ms = whole;
    }
    // The time an animation has played stops with the level clock's run (the
    // frames come from the track, which goes on).
    animTime_ = std::min(animTime_ + ms, kMaxLevelTimeMs);
    track_.Update(ms);
    if (timeLeft_ > 0) timeLeft_ = timeLeft_ > int32_t(ms) ? timeLeft_ - int32_t(ms) : 0;
}

void MapCharacter::Update(uint32_t ms) {
    UpdateJob(ms);
    StepWalk(ms);
    AdvanceAnimation(ms);
}

void MapCharacter::UpdateJob(uint32_t ms) {
    // Finished jobs go first: a stopped job waits here for its deletion.
    for (size_t i = 0; i < jobs_.size();) {
        if (jobs_[i]->IsFinished()) {
            DeleteJob(jobs_[i].get());
        } else {
            ++i;
        }
    }
    if (!current_) {
        if (jobs_.empty()) {
            Idle();
            return;
        }
        current_ = jobs_.front().get();
    }
    Job* job = current_;
    job->Update(ms);
    if (job->IsFinished()) {
        const bool wasAnimating = animNameId_ != 0 && !walk_.active;
        DeleteJob(job);
        if (wasAnimating) PlayAnimation(animKind_, IsMirrored());
        if (jobs_.empty()) Idle();
    }
}

Job* MapCharacter::AddJob(std::unique_ptr<Job> job) {
    if (!job) return nullptr;
    if (!jobs_.empty() && jobs_.back()->JobId() == JOBID_GOTO) DeleteJob(jobs_.back().get());
    if (jobs_.size() >= kMaxJobs) {
        job->Release(); // a reservation goes back before the job does
        return nullptr;
    }
    jobs_.push_back(std::move(job));
    OnJobsChanged();
    return jobs_.back().get();
}

void MapCharacter::ClearCurrentJob(const Job* job) {
    if (current_ == job) current_ = nullptr;
}

void MapCharacter::DeleteJob(Job* job) {
    auto it = std::find_if(jobs_.begin(), jobs_.end(), [&](const auto& p) { return p.get() == job; });
    if (it == jobs_.end()) return;
    if (current_ == job) {
        // The walk or animation it started ends with it.
        if (job->State() == JobState::Walking) StopWalk();
        current_ = nullptr;
    }
    std::unique_ptr<Job> gone = std::move(*it);
    jobs_.erase(it);
    if (gone->WorkDone()) OnJobDone(*gone);
    gone.reset();
    OnJobsChanged();
}

void MapCharacter::DeleteAllJobs() {
    current_ = nullptr;
    // Newest first, each out of the queue before it goes.
    while (!jobs_.empty()) {
        std::unique_ptr<Job> gone = std::move(jobs_.back());
        jobs_.pop_back();
    }
}

void MapCharacter::MoveJob(int32_t from, int32_t to) {
    const int32_t n = JobCount();
    if (from < 0 || from >= n || to < 0 || to >= n || from == to) return;
    auto job = std::move(jobs_[size_t(from)]);
    jobs_.erase(jobs_.begin() + from);
    jobs_.insert(jobs_.begin() + to, std::move(job));
}

// ---------------------------------------------------------------- walking

void MapCharacter::StartWalk(float x, float y, bool straight, float pixelsPerTick,
                             const char16_t* walkAnimation) {
    StopWalk();
    walk_.active = true;
    walk_.straight = straight;
    walk_.targetX = x;
    walk_.targetY = y;
    walk_.speed = pixelsPerTick;
    walk_.points.clear();
    walk_.next = 0;
    const char16_t* walkName = walkAnimation;
    if (!walkName && description_) walkName = description_->GetWalkAnimationName(animKind_);
    if (walkName) PlayNamedAnimation(walkName, -1, -1);
    FaceTowards(x - x_, y - y_);
    RequestRoute();
}

void MapCharacter::RequestRoute() {
    shpf::PathFinder* finder = Services() ? Services()->PathFinder() : nullptr;
    walk_.points.clear();
    walk_.next = 0;
    if (walk_.straight || !finder || !description_) {
        walk_.points.push_back({int16_t(std::lround(walk_.targetX)), int16_t(std::lround(walk_.targetY))});
        walk_.routeId = 0;
        return;
    }
    walk_.revision = finder->Revision();
    walk_.routeId = finder->RequestRoute(int32_t(std::lround(x_)), int32_t(std::lround(y_)),
                                         int32_t(std::lround(walk_.targetX)),
                                         int32_t(std::lround(walk_.targetY)), description_->clearanceClass);
    if (walk_.routeId == 0) {
        // An unknown clearance class: the walk goes straight.
        walk_.points.push_back({int16_t(std::lround(walk_.targetX)), int16_t(std::lround(walk_.targetY))});
    }
}

// ---------------------------------------------------------------- tracks

void MapCharacter::SetTrack(uint32_t track, uint32_t id, float value) {
    if (track < kMotionTrackCount && std::isfinite(value)) motionTracks_[track].Set(id, value);
}

float MapCharacter::TrackValue(uint32_t track) const {
    return track < kMotionTrackCount ? motionTracks_[track].Value() : 0.0f;
}

float MapCharacter::MotionFactor() const {
    float factor = 1.0f;
    for (const SpeedTrack& t : motionTracks_)
        factor *= t.Value();
    return factor;
}

void MapCharacter::SetScaleTrack(uint32_t id, float value) {
    if (std::isfinite(value)) scaleTrack_.Set(id, value);
}

void MapCharacter::SetAlphaTrack(float alpha) {
    alpha_ = std::isfinite(alpha) ? std::clamp(alpha, 0.0f, 1.0f) : 1.0f;
}

void MapCharacter::StopWalk() {
    if (!walk_.active) return;
    shpf::PathFinder* finder = Services() ? Services()->PathFinder() : nullptr;
    if (finder && walk_.routeId) finder->CancelRoute(walk_.routeId);
    walk_.active = false;
    walk_.routeId = 0;
    walk_.points.clear();
    walk_.next = 0;
    if (animNameId_ != 0 && timeLeft_ < 0) PlayAnimation(animKind_, IsMirrored());
}

void MapCharacter::FaceTowards(float dx, float dy) {
    if (!description_ || (dx == 0.0f && dy == 0.0f)) return;
    // Variants are directions spread evenly in turning order from facing
    // down the screen (down, right, up, left for four); the art of a
    // direction may be its mirror's, drawn flipped.
    const uint32_t n = std::max<uint32_t>(description_->variantCount, 1);
    double angle = std::atan2(double(dx), double(dy)); // 0 down, pi/2 right
    if (angle < 0) angle += 2 * std::numbers::pi;
    const int32_t variant = int32_t(std::lround(angle / (2 * std::numbers::pi / n))) % int32_t(n);
    if (variant == variant_) return;
    variant_ = variant;
    RestartTrack();
}

void MapCharacter::StepWalk(uint32_t ms) {
    if (!walk_.active) return;
    shpf::PathFinder* finder = Services() ? Services()->PathFinder() : nullptr;
    if (walk_.routeId) {
        if (!finder) {
            walk_.routeId = 0;
            walk_.points.push_back(
                {int16_t(std::lround(walk_.targetX)), int16_t(std::lround(walk_.targetY))});
        } else {
            std::vector<shpf::_PATHPOINT> points;
            const shpf::RouteStatus status = finder->GetRoute(walk_.routeId, &points);
            if (status == shpf::RouteStatus::Pending) return;
            walk_.routeId = 0;
            const bool reaches = status == shpf::RouteStatus::Found;
            if (status == shpf::RouteStatus::Unknown || status == shpf::RouteStatus::Failed ||
                points.empty() || (!reaches && current_ && !current_->AcceptsPath(false))) {
                // Nowhere to go: the walk ends where the walker stands.
                StopWalk();
                return;
            }
            walk_.points = std::move(points);
            walk_.next = walk_.points.size() > 1 ? 1 : 0;
        }
    } else if (finder && !walk_.straight && noRerouteCount <= 0 && finder->Revision() != walk_.revision) {
        // The obstacles changed: a route that now runs into one is found again.
        walk_.revision = finder->Revision();
        std::span<const shpf::_PATHPOINT> rest(walk_.points.data() + walk_.next,
                                               walk_.points.size() - walk_.next);
        if (!description_ || !finder->IsRouteFree(description_->clearanceClass, int32_t(std::lround(x_)),
                                                  int32_t(std::lround(y_)), rest)) {
            RequestRoute();
            return;
        }
    }

    float budget = walk_.speed * MotionFactor() * float(ms) / float(kTickMs);
    while (walk_.next < walk_.points.size()) {
        const bool last = walk_.next + 1 == walk_.points.size();
        // The last waypoint is the exact target, not its rounded cell.
        const float px = last ? walk_.targetX : float(walk_.points[walk_.next].x);
        const float py = last ? walk_.targetY : float(walk_.points[walk_.next].y);
        const float dx = px - x_, dy = py - y_;
        const float distance = std::sqrt(dx * dx + dy * dy);
        if (distance > budget) {
            if (budget <= 0.0f) return;
            FaceTowards(dx, dy);
            MoveTo(x_ + dx / distance * budget, y_ + dy / distance * budget);
            return;
        }
        if (distance > 0.0f) FaceTowards(dx, dy);
        MoveTo(px, py);
        budget -= distance;
        ++walk_.next;
    }
    StopWalk();
}

// ---------------------------------------------------------------- save and load

MapCharacter::SavedRecord MapCharacter::SaveRecord() const {
    SavedRecord record{};
    record.size = uint32_t(kBlockSize);
    record.characterId = CharacterId();
    record.x = x_;
    record.y = y_;
    record.animKind = animKind_;
    record.animNameId = animNameId_;
    record.variant = variant_;
    record.animTime = animTime_;
    record.timeLeft = timeLeft_;
    record.flags = (flags_ & (kMirrored | kOnLevel | kHidden)) | (animAtSpeed_ ? kSavedAtSpeed : 0u);
    record.layer = layer_;
    record.sizeFactor = sizeFactor_;
    record.alpha = alpha_;
    record.offsetX = offsetX_;
    record.offsetY = offsetY_;
    record.walkX = walk_.targetX;
    record.walkY = walk_.targetY;
    return record;
}

bool MapCharacter::SaveState(SaveWriter& writer) const {
    uint32_t saved = 0;
    for (const auto& job : jobs_)
        saved += job->IsFinished() ? 0 : 1;
    if (saved > kMaxJobs) return false;

    SavedRecord record = SaveRecord();
    const size_t at = writer.Size();
    if (!writer.Alloc(kBlockSize)) return false;
    FillSaveRecord(writer.At(at));
    JobSaveContext context;
    int32_t currentIndex = -1;
    for (const auto& job : jobs_) {
        if (job->IsFinished()) continue;
        if (job.get() == current_) currentIndex = int32_t(context.count);
        if (!job->Save(context, writer)) return false;
    }
    if (writer.Failed()) return false;
    // The block comes before its jobs but counts them: it is stored once they
    // are written.
    record.currentJobId = currentIndex >= 0 ? current_->JobId() : 0;
    record.currentIndex = currentIndex;
    record.jobCount = context.count;
    kCharacterLayout.Store(record, writer.At(at));
    return true;
}

bool MapCharacter::LoadJobs(SaveReader& reader, uint32_t count, std::vector<std::unique_ptr<Job>>* jobs,
                            std::string* why) {
    std::vector<std::unique_ptr<Job>> loaded;
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* head = reader.Peek(Job::kHeadSize);
        if (!head) return Refuse(why, "job record " + std::to_string(i) + " is cut short");
        const JobHead saved = Job::HeadOf(head);
        const uint32_t size = saved.size;
        const uint32_t jobId = saved.jobId;
        if (size < Job::kHeadSize || size > reader.Remaining())
            return Refuse(why, "job record " + std::to_string(i) + " has size " + std::to_string(size));
        const uint8_t* record = reader.ReadPtr(size);
        std::unique_ptr<Job> job = CreateJobFromRecord(jobId, record, size);
        if (!job) {
            const char* name = JobIdName(jobId);
            return Refuse(why, name ? std::string("the record of job JOBID_") + name + " does not fit"
                                    : "unknown JOBID " + std::to_string(jobId));
        }
        loaded.push_back(std::move(job));
    }
    *jobs = std::move(loaded);
    return true;
}

std::unique_ptr<Job> MapCharacter::CreateJobFromRecord(uint32_t jobId, const uint8_t* record, size_t size) {
    if (jobId == JOBID_GOTO) return Job_GoTo::Load(this, record, size);
    if (IsAnimationJobId(jobId)) return LoadAnimationJob(this, record, size);
    return nullptr;
}

bool MapCharacter::PlaceFits(float x, float y) {
    // Figures come onto the field from places beyond its edges (the villains
    // from about 40 pixels out), never from farther than the field's own size;
    // a map without a field (no path finder) allows any place within a
    // million pixels.
    float left = -1e6f, top = -1e6f, right = 1e6f, bottom = 1e6f;
    if (const shpf::PathFinder* field = Services() ? Services()->PathFinder() : nullptr) {
        const float width = float(field->FieldWidth()), height = float(field->FieldHeight());
        left = -width, top = -height, right = 2.0f * width, bottom = 2.0f * height;
    }
    // Written so that a NaN fits nowhere.
    return x >= left && x <= right && y >= top && y <= bottom;
}

bool MapCharacter::LoadState(SaveReader& reader, std::string* why) {
    const uint8_t* block = reader.ReadPtr(kBlockSize);
    if (!block) return Refuse(why, "the character block is cut short");
    SavedRecord saved;
    kCharacterLayout.Load(block, &saved);
    if (saved.size != kBlockSize) return Refuse(why, "the character block's size is not 132");
    if (saved.characterId != CharacterId()) return Refuse(why, "the block is another character's");
    for (float f : {saved.sizeFactor, saved.alpha}) {
        if (!std::isfinite(f) || std::fabs(f) > 1e6f) return Refuse(why, "a factor is not a number");
    }
    // Play fades a figure between unseen and opaque, never beyond; its size is its kind's.
    if (!(saved.alpha >= 0.0f && saved.alpha <= 1.0f)) return Refuse(why, "the alpha is not 0..1");
    if (!(saved.sizeFactor > 0.0f && saved.sizeFactor <= LargestSizeFactor()))
        return Refuse(why, "the size is not the figure's");
    // A figure is drawn at its place moved by its offset: that too stays
    // within the field's reach, where the player can see her work.
    if (!PlaceFits(saved.x, saved.y) || !PlaceFits(saved.walkX, saved.walkY) ||
        !PlaceFits(saved.x + float(saved.offsetX), saved.y + float(saved.offsetY)))
        return Refuse(why, "a position lies off the field");
    const int32_t kind = saved.animKind;
    const int32_t variant = saved.variant;
    const uint32_t flags = saved.flags;
    const int32_t layer = saved.layer;
    const int32_t currentIndex = saved.currentIndex;
    const uint32_t count = saved.jobCount;
    const uint32_t kinds = description_ ? uint32_t(description_->kinds.size()) : 1;
    const uint32_t variants = description_ ? description_->variantCount : 1;
    if (kind < 0 || uint32_t(kind) >= kinds || variant < 0 || uint32_t(variant) >= variants ||
        saved.timeLeft < -1 || saved.timeLeft > int32_t(kMaxLevelTimeMs) ||
        saved.animTime > kMaxLevelTimeMs || flags > (kMirrored | kOnLevel | kHidden | kSavedAtSpeed) ||
        layer < -1 || layer >= kLayerCount)
        return Refuse(why, "an animation, flag or layer field is out of range");
    if (count > kMaxJobs) return Refuse(why, "job count " + std::to_string(count) + " over 32");
    // Every record is at least a head: a count the bytes cannot hold is
    // refused before any job is built.
    if (size_t(count) * Job::kHeadSize > reader.Remaining())
        return Refuse(why, "the job records are cut short");
    if (currentIndex < -1 || currentIndex >= int32_t(count))
        return Refuse(why, "the current job is not queued");
    if (AlwaysShown() && (saved.alpha != 1.0f || saved.sizeFactor != 1.0f || (flags & kHidden) ||
                          !(flags & kOnLevel) || layer < 0))
        return Refuse(why, "the figure is not shown whole");

    std::vector<std::unique_ptr<Job>> jobs;
    if (!LoadJobs(reader, count, &jobs, why)) return false;
    if (currentIndex >= 0 && jobs[size_t(currentIndex)]->JobId() != saved.currentJobId)
        return Refuse(why, "the current JOBID differs from its record");
    for (size_t i = 0; i < jobs.size(); ++i) {
        if (jobs[i]->Progress().running && int32_t(i) != currentIndex)
            return Refuse(why, "a job that is not current was running");
    }
    if (AnimatesOnlyAtWork()) {
        // Her work's animation is timed as the work is (endless only for an
        // endless work), and no longer than it.
        const Job* current = currentIndex >= 0 ? jobs[size_t(currentIndex)].get() : nullptr;
        const bool working = current && current->Progress().running;
        if (saved.timeLeft > 0 && (!working || uint32_t(saved.timeLeft) > current->Progress().duration))
            return Refuse(why, "the animation outlasts the work it is played for");
        if (working && (saved.timeLeft == -1) != (current->Progress().duration == kEndlessWorkMs))
            return Refuse(why, "the animation is not timed as the work is");
    }
    int64_t reserved = 0;
    for (const auto& job : jobs)
        reserved += job->LoadedReservation();
    LevelServices* services = Services();
    if (reserved > 0 && (!services || reserved > services->Money().Get()))
        return Refuse(why, "the jobs hold more money than the level has");
    if (!ApplyLoadedState(block)) return Refuse(why, "the character's own fields are refused");

    // Accepted: nothing can fail from here.
    StopWalk();
    DeleteAllJobs();
    x_ = saved.x;
    y_ = saved.y;
    animKind_ = kind;
    animNameId_ = saved.animNameId;
    SetAnimationName(nullptr);
    if (animNameId_ == 0 && description_) SetAnimationName(description_->GetAnimationName(kind, 0));
    for (const auto& k : description_ ? description_->kinds : std::vector<GameCharacter::AnimationKind>{}) {
        if (animNameId_ && kis::NameId(k.standing.data()) == animNameId_) SetAnimationName(k.standing.data());
        if (animNameId_ && kis::NameId(k.walk.data()) == animNameId_) SetAnimationName(k.walk.data());
    }
    variant_ = variant;
    animTime_ = saved.animTime;
    timeLeft_ = saved.timeLeft;
    animAtSpeed_ = (flags & kSavedAtSpeed) != 0;
    animCarry_ = 0.0f;
    RestartTrack();
    const bool onLevel = (flags & kOnLevel) != 0;
    flags_ = (flags_ & ~uint32_t(kMirrored | kHidden)) | (flags & (kMirrored | kHidden));
    if (onLevel && layer >= 0) {
        AddToLevel(layer);
    } else {
        RemoveFromLevel();
    }
    sizeFactor_ = saved.sizeFactor;
    alpha_ = saved.alpha;
    offsetX_ = saved.offsetX;
    offsetY_ = saved.offsetY;
    walk_.targetX = saved.walkX;
    walk_.targetY = saved.walkY;
    jobs_ = std::move(jobs);
    for (auto& job : jobs_)
        job->ReserveLoaded();
    current_ = currentIndex >= 0 ? jobs_[size_t(currentIndex)].get() : nullptr;
    OnJobsChanged();
    return true;
}

// ---------------------------------------------------------------- MapPlayer

MapPlayer::MapPlayer(LevelMap* map, const GameCharacter* description, float x, float y)
    : MapCharacter(map, description, 0, nullptr, 0, x, y, -1) {}

void MapPlayer::SetSpeedModifier(uint32_t levelTrack, uint32_t id, float value) {
    if (levelTrack == 0) {
        SetTrack(0, id, value);
        SetScaleTrack(id, value);
    } else if (levelTrack == 5) {
        SetTrack(2, id, value);
    }
}

void MapPlayer::Idle() {
    if (!sideStepRequested_ || IsWalking()) return;
    sideStepRequested_ = false;
    float cx = x_, cy = y_;
    if (Services()) Services()->ScreenCentre(&cx, &cy);
    const float dx = cx >= x_ ? kSideStepX : -kSideStepX;
    StartWalk(x_ + dx, y_ + kSideStepY, false, kSideStepSpeed, nullptr);
}

void MapPlayer::UpdateJob(uint32_t ms) {
    // The tutorial may hold the farmer before a job is taken up.
    if (!current_ && !jobs_.empty()) {
        LevelServices* services = Services();
        if (services && !services->TutorialAllows(TutorialAction::StepAside, 0, {})) return;
    }
    MapCharacter::UpdateJob(ms);
}

void MapPlayer::OnJobDone(const Job& job) {
    if (job.JobId() < JOBID_PLANT || job.JobId() > JOBID_REPAIR) return;
    if (GameLevel* level = LevelOf(this)) level->CountJobDone();
}

GameLevel* LevelOf(MapCharacter* character) {
    LevelServices* services = character ? character->Services() : nullptr;
    return services ? services->RunningLevel() : nullptr;
}

std::unique_ptr<Job> MapPlayer::CreateJobFromRecord(uint32_t jobId, const uint8_t* record, size_t size) {
    // The farm's jobs through their loaders; the walk and the animation jobs
    // every character knows through the base.
    const PlayerJobLoader loader = GetPlayerJobLoader(jobId);
    return loader ? loader(this, record, size) : MapCharacter::CreateJobFromRecord(jobId, record, size);
}

namespace {

// The farmer's own bytes of the character block.
struct PlayerRecord {
    uint32_t sideStep; // 0 or 1
};
constexpr auto kPlayerLayout =
    kis::Layout(MapCharacter::kBlockSize, kis::Field<&PlayerRecord::sideStep>(MapCharacter::kSubclassOffset));

} // namespace

void MapPlayer::FillSaveRecord(uint8_t* block) const {
    kPlayerLayout.Store({sideStepRequested_ ? 1u : 0u}, block);
}

bool MapPlayer::ApplyLoadedState(const uint8_t* block) {
    PlayerRecord record;
    kPlayerLayout.Load(block, &record);
    if (record.sideStep > 1) return false;
    sideStepRequested_ = record.sideStep != 0;
    return true;
}

void SetPlayerJobLoader(uint32_t jobId, PlayerJobLoader loader) {
    LevelGameData* data = GetLevelGameData();
    if (!data) return;
    if (loader) {
        data->jobLoaders[jobId] = loader;
    } else {
        data->jobLoaders.erase(jobId);
    }
}

PlayerJobLoader GetPlayerJobLoader(uint32_t jobId) {
    const LevelGameData* data = GetLevelGameData();
    if (!data) return nullptr;
    auto it = data->jobLoaders.find(jobId);
    return it == data->jobLoaders.end() ? nullptr : it->second;
}

void ClearPlayerJobLoaders() {
    if (LevelGameData* data = GetLevelGameData()) data->jobLoaders.clear();
}
