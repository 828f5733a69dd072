#include "frontend/MapAnimals.h"

#include "app/GameStates.h"
#include "engine/Texture.h"
#include "engine/Viewer.h"
#include "foundation/Ident.h"
#include "level/GameCharacter.h"
#include "platform/Random.h"
#include "sprites/Particles.h"
#include "sprites/Sprite.h"

#include <algorithm>
#include <cmath>

namespace {

int32_t RandomBelow(int32_t n) {
    return n > 0 ? platform::Rand() % n : 0;
}

// The sprite libraries that may hold the figures' animations.
constexpr int32_t kAnimationLibraries[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};

GameAnimation* FindAnimationByName(const char16_t* name) {
    if (!name || !*name) return nullptr;
    for (int32_t n : kAnimationLibraries)
        if (SpriteLibrary* library = GetLibrary(n))
            if (GameAnimation* animation = library->FindAnimation(name)) return animation;
    return nullptr;
}

// A texture of any sprite library by name (the shadows).
DXLTexture* FindTextureByName(const char16_t* name) {
    if (!name || !*name) return nullptr;
    for (int32_t n : kAnimationLibraries)
        if (SpriteLibrary* library = GetLibrary(n))
            if (DXLTexture* texture = library->FindTexture(name)) return texture;
    return nullptr;
}

constexpr float kArrived = 0.1f; // pixels on each axis
constexpr int32_t kWideTries = 500, kNarrowTries = 100, kBlockedCost = 5;
constexpr float kMinTargetDistance = 10.0f;
constexpr int32_t kMaxAnimals = 4;

// Catapult and muzzle offsets per standing variant (muzzles scale with the villain).
constexpr MapPoint kCatapultOffsets[8] = {{11, -25}, {40, -14}, {48, 5},  {27, 25},
                                          {-11, 29}, {-27, 25}, {-48, 5}, {-40, -14}};
constexpr MapPoint kMuzzleOffsets[8] = {{10, -93}, {50, -79},  {62, -56},  {39, -29},
                                        {-7, -18}, {-39, -29}, {-62, -56}, {-50, -79}};
constexpr uint32_t kFirstShotWait = 300, kLaterShotWait = 50;
constexpr int32_t kShotLibrary = 8;

} // namespace

const GPSDescription* FindMapParticleDescription(uint32_t id) {
    if (!id) return nullptr;
    for (int32_t n : kAnimationLibraries)
        if (SpriteLibrary* library = GetLibrary(n))
            for (const GPSDescription& description : library->ParticleDescriptions())
                if (description.record.id == id) return &description;
    return nullptr;
}

// ---------------------------------------------------------------- jobs

bool MapLevelCharJob::Complete() {
    if (state_ == MapJobState::Stopped || state_ == MapJobState::Completed) return false;
    state_ = MapJobState::Completed;
    return true;
}

bool MapLevelCharJob::Stop() {
    if (state_ == MapJobState::Stopped || state_ == MapJobState::Completed) return false;
    state_ = MapJobState::Stopped;
    return true;
}

MLCJob_Animation::MLCJob_Animation(MapLevelCharacter* figure, int32_t kind, uint32_t delay,
                                   std::u16string name, int32_t variant, int32_t duration)
    : MapLevelCharJob(figure, kind, delay), name_(std::move(name)), variant_(variant), duration_(duration) {}

bool MLCJob_Animation::Begin() {
    if (duration_ == 0) return Complete(), true;
    figure_->PlayAnimation(name_.c_str(), variant_);
    if (duration_ < 0) {
        const AnimationVariant* variant = figure_->Track().Variant();
        duration_ = variant
                        ? int32_t(GetFrameSequenceDuration(variant->sequence.mode, variant->sequence.count,
                                                           variant->sequence.frameTime))
                        : 0;
    }
    return true;
}

void MLCJob_Animation::Update(uint32_t dt) {
    duration_ -= int32_t(dt);
    if (duration_ <= 0) Complete();
}

MLCJob_GoTo::MLCJob_GoTo(MapLevelCharacter* figure, int32_t kind, uint32_t delay, float x, float y)
    : MapLevelCharJob(figure, kind, delay), targetX_(x), targetY_(y) {
    // The point is taken from now on, also while the walk waits for its delay,
    // so that no other figure picks a place beside it.
    figure_->SetTarget(x, y);
}

bool MLCJob_GoTo::Begin() {
    startX_ = figure_->X(), startY_ = figure_->Y();
    figure_->SetTarget(targetX_, targetY_);
    if (std::fabs(targetX_ - startX_) < kArrived && std::fabs(targetY_ - startY_) < kArrived) {
        figure_->SetTarget(startX_, startY_);
        return Complete(), true;
    }
    distance_ = std::hypot(targetX_ - startX_, targetY_ - startY_);
    wantedVariant_ = figure_->DirectionVariant(targetX_ - startX_, targetY_ - startY_);
    turnTimer_ = kTurnStep;
    figure_->PlayWalk();
    return true;
}

void MLCJob_GoTo::Update(uint32_t dt) {
    // The figure turns to its way first, one direction step every 30 ms, and
    // walks only with the time left once it faces the target.
    while (figure_->Track().variant != wantedVariant_) {
        if (dt < turnTimer_) {
            turnTimer_ -= dt;
            return;
        }
        dt -= turnTimer_;
        turnTimer_ = kTurnStep;
        figure_->TurnTowards(wantedVariant_);
    }
    travelled_ += float(dt) / float(GameTick) * figure_->Traits().walkSpeed;
    if (travelled_ >= distance_) {
        figure_->MoveTo(targetX_, targetY_);
        Complete();
    } else {
        const float t = travelled_ / distance_;
        figure_->MoveTo(startX_ + (targetX_ - startX_) * t, startY_ + (targetY_ - startY_) * t);
    }
    if (state_ != MapJobState::Running && state_ != MapJobState::New)
        figure_->SetTarget(figure_->X(), figure_->Y());
}

// ---------------------------------------------------------------- figure

MapLevelCharacter::MapLevelCharacter(MapAnimalFigures* owner, const GameCharacter* description,
                                     const MapFigureTraits& traits)
    : owner_(owner), description_(description), traits_(traits) {
    if (owner_) owner_->drawOrder.push_back(this);
    if (description_)
        if (DXLTexture* texture = FindTextureByName(description_->shadowTexture.data()))
            shadow_ = std::make_unique<MapShadow>(texture, description_->shadowDx, description_->shadowDy,
                                                  description_->shadowOpacity);
}

MapLevelCharacter::~MapLevelCharacter() {
    job_.reset();
    if (owner_) std::erase(owner_->drawOrder, this);
}

void MapLevelCharacter::Reset(const MapAnimalGroup&) {
    job_.reset();
    MoveTo(x_, y_);
    targetX_ = x_, targetY_ = y_;
    PlayStanding(standingVariant);
}

void MapLevelCharacter::MoveTo(float x, float y) {
    x_ = x, y_ = y;
    if (!owner_) return;
    std::vector<MapLevelCharacter*>& order = owner_->drawOrder;
    std::erase(order, this);
    auto later = std::find_if(order.begin(), order.end(), [&](const MapLevelCharacter* other) {
        return other->y_ > y_ || (other->y_ == y_ && other->x_ > x_);
    });
    order.insert(later, this);
}

void MapLevelCharacter::PlayAnimation(const char16_t* name, int32_t variant) {
    if (GameAnimation* animation = FindAnimationByName(name)) track_.Play(animation, variant, 1.0f);
}

void MapLevelCharacter::PlayStanding(int32_t variant) {
    if (!description_) return;
    if (GameAnimation* animation = FindAnimationByName(description_->GetAnimationName(track_.kind, variant)))
        track_.Play(animation, variant, 1.0f);
}

void MapLevelCharacter::PlayWalk() {
    if (!description_) return;
    if (GameAnimation* animation = FindAnimationByName(description_->GetWalkAnimationName(track_.kind)))
        track_.Play(animation, -1, traits_.walkFactor);
}

int32_t MapLevelCharacter::DirectionVariant(float dx, float dy) const {
    const int32_t n = description_ ? std::max<int32_t>(int32_t(description_->variantCount), 1) : 1;
    double angle = std::atan2(double(dx), double(dy)); // 0 down, pi/2 right
    if (angle < 0) angle += 2 * M_PI;
    return int32_t(std::lround(angle / (2 * M_PI / n))) % n;
}

void MapLevelCharacter::TurnTowards(int32_t wanted) {
    const int32_t n = description_ ? std::max<int32_t>(int32_t(description_->variantCount), 1) : 1;
    const int32_t from = ((track_.variant % n) + n) % n;
    wanted = ((wanted % n) + n) % n;
    if (from == wanted) {
        track_.variant = wanted;
        return;
    }
    const int32_t ahead = (wanted - from + n) % n;
    const int32_t next = (from + (ahead <= n - ahead ? 1 : n - 1)) % n;
    // The variant is kept even when the animation has fewer, so the turn ends.
    if (track_.animation) track_.Play(track_.animation, next, track_.speed);
    track_.variant = next;
}

void MapLevelCharacter::SetJob(std::unique_ptr<MapLevelCharJob> job) {
    job_ = std::move(job);
    if (job_ && job_->delay_ > 0) PlayStanding(standingVariant);
}

void MapLevelCharacter::Update(uint32_t dt) {
    if (!job_) Idle();
    if (track_.animation) track_.Update(dt);
    if (!job_) return;
    uint32_t rest = dt;
    if (job_->delay_ > rest) {
        job_->delay_ -= rest;
        return;
    }
    rest -= job_->delay_;
    job_->delay_ = 0;
    if (job_->state_ == MapJobState::New) {
        if (!job_->Begin())
            job_->Stop();
        else if (job_->state_ == MapJobState::New)
            job_->state_ = MapJobState::Running;
    }
    if (job_->state_ == MapJobState::Running && rest > 0) job_->Update(rest);
    const MapJobState state = job_->state_;
    if (state != MapJobState::Stopped && state != MapJobState::Completed) return;
    const int32_t kind = job_->kind_;
    job_.reset();
    if (state == MapJobState::Completed)
        OnJobCompleted(kind);
    else
        OnJobStopped(kind);
}

void MapLevelCharacter::Draw(DXLViewer& viewer, uint32_t alpha, bool lit) {
    if (!track_.animation) return;
    DXLMatrix saved;
    viewer.GetTransform(&saved);
    viewer.Translate(std::round(x_), std::round(y_));
    viewer.Scale(traits_.scale);
    track_.colour = (alpha << 24) | 0xFFFFFF;
    DrawAttachedAnimation(viewer, nullptr, track_, /*moveToAnchor=*/true, /*highlight=*/false);
    if (lit) {
        track_.colour = ((alpha == 255 ? 0x40 : alpha / 4) << 24) | 0xFFFFFF;
        DrawAttachedAnimation(viewer, nullptr, track_, /*moveToAnchor=*/true, /*highlight=*/true);
    }
    viewer.SetTransform(&saved);
}

void MapLevelCharacter::DrawShadow(DXLViewer& viewer, uint32_t alpha) {
    if (!shadow_ || !track_.animation) return;
    // The shadow lives in the level's sprite library, whose textures load with
    // a level and may have been let go since; the map loads it when it needs it.
    // One that cannot be loaded is given up, not tried again every frame.
    if (DXLTexture* texture = shadow_->Texture(); !texture->IsLive()) {
        texture->Restore();
        if (!texture->IsLive()) {
            shadow_.reset();
            return;
        }
    }
    DXLMatrix saved;
    viewer.GetTransform(&saved);
    viewer.Translate(std::round(x_), std::round(y_));
    viewer.Scale(traits_.scale);
    viewer.ApplyTransform(); // the quad is drawn as it is, not through a sprite that applies it
    shadow_->SetAlpha(float(alpha) / 255.0f);
    shadow_->Draw(viewer, 0.0f, 0.0f);
    viewer.SetTransform(&saved);
    viewer.ApplyTransform();
}

void MapLevelCharacter::AddShapes(const MapAnimalGroup& group) {
    for (uint32_t i = 0; i < group.ShapeCount(); ++i) {
        const shpf::_SHAPE& shape = group.shapes[i];
        if (shape.kind >= shpf::kShapeKindCount || shpf::ShapeIsEmpty(shape)) continue;
        shpf::ShapeRect bounds;
        shpf::ShapeBounds(&shape, &bounds);
        shapes_.push_back(shape);
        if (area_.Empty())
            area_ = bounds;
        else
            area_ = {std::min(area_.left, bounds.left), std::min(area_.top, bounds.top),
                     std::max(area_.right, bounds.right), std::max(area_.bottom, bounds.bottom)};
    }
}

bool MapLevelCharacter::CanStandAt(float x, float y, bool ignoreOthers) const {
    if (!owner_) return true;
    const int32_t px = int32_t(std::lround(x)), py = int32_t(std::lround(y));
    const bool inside = std::any_of(shapes_.begin(), shapes_.end(), [&](const shpf::_SHAPE& s) {
        return shpf::ShapeContainsPoint(&s, px, py);
    });
    if (!inside) return false;
    if (ignoreOthers) return true;
    for (const MapLevelCharacter* other : owner_->drawOrder) {
        if (other == this) continue;
        const float room = traits_.radius + other->traits_.radius;
        if (std::hypot(x - other->x_, y - other->y_) < room) return false;
        if (std::hypot(x - other->targetX_, y - other->targetY_) < room) return false;
    }
    return true;
}

bool MapLevelCharacter::IsPathBlocked(float x, float y) const {
    const float dx = x - x_, dy = y - y_;
    const int32_t steps = std::max({int32_t(std::ceil(std::fabs(dx))), int32_t(std::ceil(std::fabs(dy))), 1});
    for (int32_t i = 1; i < steps; ++i) {
        const float t = float(i) / float(steps);
        if (!CanStandAt(x_ + dx * t, y_ + dy * t, true)) return true;
    }
    return !CanStandAt(x, y, false);
}

bool MapLevelCharacter::PickTarget(MapPoint* out, bool wide) const {
    if (area_.Empty()) return false;
    int32_t tries = wide ? kWideTries : kNarrowTries;
    while (tries >= 1) {
        const MapPoint p{area_.left + RandomBelow(area_.right - area_.left),
                         area_.top + RandomBelow(area_.bottom - area_.top)};
        const bool far = std::hypot(float(p.x) - x_, float(p.y) - y_) >= kMinTargetDistance;
        if (!far || !CanStandAt(float(p.x), float(p.y), false)) {
            --tries;
            continue;
        }
        if (wide || !IsPathBlocked(float(p.x), float(p.y))) {
            *out = p;
            return true;
        }
        tries -= kBlockedCost;
    }
    return false;
}

// ---------------------------------------------------------------- animals

void MLCChicken::Reset(const MapAnimalGroup& group) {
    AddShapes(group);
    MapPoint start;
    if (!PickTarget(&start, true)) start = {0, 0};
    x_ = float(start.x), y_ = float(start.y);
    standingVariant = description_ ? RandomBelow(int32_t(description_->variantCount)) : 0;
    MapLevelCharacter::Reset(group);
}

void MLCChicken::OnJobCompleted(int32_t kind) {
    // After a walk the hen stands facing the way she came.
    if (kind == kWalkJob) standingVariant = track_.variant;
}

void MLCChicken::Idle() {
    const int32_t r = RandomBelow(100);
    if (r < 15) {
        const uint32_t delay = 1000 + 10 * uint32_t(RandomBelow(301));
        const int32_t variant = RandomBelow(10) >= 5 ? RandomBelow(4) : -1;
        const int32_t duration = 1000 + 10 * RandomBelow(101);
        SetJob(std::make_unique<MLCJob_Animation>(this, 2, delay, u"chicken_yelling", variant, duration));
        return;
    }
    MapPoint target;
    if (PickTarget(&target, false)) {
        SetJob(std::make_unique<MLCJob_GoTo>(this, kWalkJob, 1000 + 10 * uint32_t(RandomBelow(301)),
                                             float(target.x), float(target.y)));
        return;
    }
    SetJob(std::make_unique<MLCJob_Wait>(this, 0, 100 + 10 * uint32_t(RandomBelow(91))));
}

void MLCCow::Reset(const MapAnimalGroup& group) {
    x_ = float(group.X()), y_ = float(group.Y());
    standingVariant = group.StartVariant();
    MapLevelCharacter::Reset(group);
}

void MLCCow::Idle() {
    SetJob(std::make_unique<MLCJob_Animation>(this, 2, 5000 + 10 * uint32_t(RandomBelow(1001)),
                                              u"cowhead_yelling", -1, -1));
}

MLCSheep::MLCSheep(MapAnimalFigures* owner, const GameCharacter* description)
    : MapLevelCharacter(owner, description, kSheepTraits) {
    // The sheep stands in its second animation kind; a description with one kind stands in that.
    track_.kind = description && description->kinds.size() > 1 ? 1 : 0;
}

void MLCSheep::Reset(const MapAnimalGroup& group) {
    x_ = float(group.X()), y_ = float(group.Y());
    standingVariant = group.StartVariant();
    MapLevelCharacter::Reset(group);
}

void MLCSheep::Idle() {
    static const char16_t* const kHeads[] = {u"sheephead_turnleft", u"sheephead_turnright",
                                             u"sheephead_blink", u"sheephead_yelling"};
    SetJob(std::make_unique<MLCJob_Animation>(this, 2, 4000 + 10 * uint32_t(RandomBelow(401)),
                                              kHeads[RandomBelow(4)], -1, -1));
}

void MakeMapAnimals(MapAnimalFigures* figures, const std::vector<MapAnimalGroup>& groups,
                    const std::function<const GameCharacter*(uint32_t id)>& find) {
    for (const MapAnimalGroup& group : groups) {
        const GameCharacter* description = find ? find(group.id) : nullptr;
        if (!description) continue; // no figure without its description
        description->LoadAnimations();
        const uint32_t count = group.id == kChickenTraits.description ? group.ChickenCount() : 1;
        for (uint32_t i = 0; i < count && figures->animals.size() < size_t(kMaxAnimals); ++i) {
            std::unique_ptr<MapLevelCharacter> figure;
            if (group.id == kChickenTraits.description)
                figure = std::make_unique<MLCChicken>(figures, description);
            else if (group.id == kCowTraits.description)
                figure = std::make_unique<MLCCow>(figures, description);
            else if (group.id == kSheepTraits.description)
                figure = std::make_unique<MLCSheep>(figures, description);
            else
                break;
            figure->Reset(group);
            figures->animals.push_back(std::move(figure));
        }
    }
}

// ---------------------------------------------------------------- villains

MLCVillainShot::MLCVillainShot(MapVillainWorld* world, float x, float y, int32_t level, MapPoint target)
    : world_(world), startX_(x), startY_(y), x_(x), y_(y), level_(level) {
    dx_ = float(target.x) - x, dy_ = float(target.y) - y;
    distance_ = std::hypot(dx_, dy_);
    if (SpriteLibrary* library = GetLibrary(kShotLibrary)) {
        sprite_ = library->CreateInstanceByName(u"bullet_01", 0);
        if (sprite_) {
            sprite_->originX = sprite_->originY = 0.5f;
            sprite_->scaleX = sprite_->scaleY = 0.5f;
            sprite_->angle = float(std::atan2(dy_, dx_) * 180.0 / M_PI) - 45.0f;
        }
    }
    GPSSpace* space = world_ ? world_->Particles() : nullptr;
    if (const GPSDescription* found = FindMapParticleDescription(kis::NameId(u"bullet_gas"));
        found && space) {
        GPSDescription trail = *found; // the trail is half the description's size
        trail.record.emission.sizeMin = (trail.record.emission.sizeMin + 1) / 2;
        trail.record.emission.sizeMax = (trail.record.emission.sizeMax + 1) / 2;
        trail_ = space->AddEmitter(trail, nullptr, x, y);
        if (trail_) trail_->StartEmitting();
    }
}

MLCVillainShot::~MLCVillainShot() {
    if (trail_) trail_->StopEmitting(true);
}

float MLCVillainShot::Scale() const {
    const float grown = float(std::min(age_, kGrowMs)) / float(kGrowMs);
    return 0.8f * (0.8f + 0.2f * grown);
}

void MLCVillainShot::Update(uint32_t dt) {
    spriteTime_ += dt;
    age_ = std::min(age_ + dt, kGrowMs);
    if (landed_) return;
    if (bursting_) {
        const int32_t frames = sprite_ ? sprite_->definition->GetFrameCount() : 0;
        const uint32_t frameTime =
            sprite_ ? std::max<uint32_t>(sprite_->definition->GetDefaultFrameTime(), 1) : 1;
        const int32_t frame = int32_t(spriteTime_ / frameTime);
        if (sprite_) sprite_->frame = std::min(frame, std::max(frames - 1, 0));
        if (frame >= frames - 1) landed_ = true;
        return;
    }
    travelled_ += kSpeed;
    if (travelled_ >= distance_) {
        x_ = startX_ + dx_, y_ = startY_ + dy_;
        Burst();
    } else {
        x_ = startX_ + dx_ * travelled_ / distance_;
        y_ = startY_ + dy_ * travelled_ / distance_;
    }
    if (trail_) trail_->SetPosition(x_, y_);
}

void MLCVillainShot::Burst() {
    bursting_ = true;
    if (sprite_) {
        SpriteLibrary* library = sprite_->definition->GetLibrary();
        std::unique_ptr<SpriteInstance> gas = library ? library->CreateInstanceByName(u"gas", 0) : nullptr;
        sprite_ = std::move(gas);
        if (sprite_) {
            sprite_->originX = sprite_->originY = 0.5f;
            sprite_->scaleX = sprite_->scaleY = 2.0f;
            spriteTime_ = 2 * std::max<uint32_t>(sprite_->definition->GetDefaultFrameTime(), 1);
        }
    }
    if (trail_) trail_->StopEmitting(true), trail_ = nullptr;
    if (world_) world_->OnShotBurst(level_);
}

void MLCVillainShot::Draw(DXLViewer& viewer) {
    if (!sprite_ || landed_) return;
    DXLMatrix saved;
    viewer.GetTransform(&saved);
    viewer.Translate(x_, y_);
    viewer.Scale(Scale());
    sprite_->Draw(viewer);
    viewer.SetTransform(&saved);
}

MLCVillain::MLCVillain(MapVillainWorld* world, const GameCharacter* description,
                       const GameCharacter* catapult, MapPoint start, MapPoint stand, int32_t variant,
                       std::vector<int32_t> targets)
    : MapLevelCharacter(nullptr, description, kVillainTraits), world_(world), catapultDescription_(catapult),
      start_(start), stand_(stand) {
    for (int32_t level : targets)
        if (world_ && world_->LevelCentre(level)) targets_.push_back(level); // no cell, no aim
    standingVariant = variant & 7;
    MoveTo(float(start.x), float(start.y));
    targetX_ = x_, targetY_ = y_;
    PlayStanding(standingVariant);
}

MLCVillain::~MLCVillain() = default;

bool MLCVillain::ShotInFlight() const {
    return std::any_of(shots_.begin(), shots_.end(), [](const auto& shot) { return !shot->Landed(); });
}

void MLCVillain::Idle() {
    if (stage_ == 0)
        SetStage(1);
    else if (waitingForShots_ && !ShotInFlight()) {
        waitingForShots_ = false;
        SetStage(8);
    }
}

void MLCVillain::SetStage(int32_t stage) {
    stage_ = stage;
    const int32_t v = standingVariant;
    switch (stage) {
    case 1:
        SetJob(std::make_unique<MLCJob_GoTo>(this, 1, 100, float(stand_.x), float(stand_.y)));
        break;
    case 2:
        SetJob(std::make_unique<MLCJob_Animation>(this, 2, 0, u"villain_install_begin", v, -1));
        break;
    case 3:
        catapult_ = std::make_unique<MapLevelCharacter>(nullptr, catapultDescription_, kCatapultTraits);
        catapult_->MoveTo(x_ + float(kCatapultOffsets[v].x), y_ + float(kCatapultOffsets[v].y));
        catapult_->PlayStanding(v);
        SetJob(std::make_unique<MLCJob_Animation>(this, 3, 0, u"villain_install_end", v, -1));
        break;
    case 4:
        catapultShown_ = true;
        PlayStanding(v);
        SetJob(std::make_unique<MLCJob_Wait>(this, 4, shotsFired_ == 0 ? kFirstShotWait : kLaterShotWait));
        break;
    case 5:
        catapultShown_ = false;
        SetJob(std::make_unique<MLCJob_Animation>(this, 5, 0, u"villain_shoot_begin", v, -1));
        break;
    case 6:
        if (shotsFired_ < int32_t(targets_.size())) {
            const int32_t level = targets_[size_t(shotsFired_)];
            const MapPoint centre = world_->LevelCentre(level).value_or(MapPoint{});
            shots_.push_back(std::make_unique<MLCVillainShot>(
                world_, x_ + float(kMuzzleOffsets[v].x) * traits_.scale,
                y_ + float(kMuzzleOffsets[v].y) * traits_.scale, level, centre));
        }
        SetJob(std::make_unique<MLCJob_Animation>(this, 6, 0, u"villain_shoot_end", v, -1));
        break;
    case 7:
        ++shotsFired_;
        if (shotsFired_ < int32_t(targets_.size())) {
            SetStage(3);
            return;
        }
        catapultShown_ = true;
        PlayStanding(v);
        waitingForShots_ = true;
        break;
    case 8:
        catapult_.reset();
        catapultShown_ = false;
        SetJob(std::make_unique<MLCJob_Animation>(this, 8, 0, u"villain_remove", v, -1));
        break;
    case 9:
        SetJob(std::make_unique<MLCJob_GoTo>(this, 9, 0, float(start_.x), float(start_.y)));
        break;
    default:
        stage_ = -1;
        break;
    }
}

void MLCVillain::Update(uint32_t dt) {
    if (stage_ < 0) return;
    MapLevelCharacter::Update(dt);
    for (auto& shot : shots_)
        shot->Update(dt);
}

void MLCVillain::Draw(DXLViewer& viewer, uint32_t alpha, bool lit) {
    if (catapult_) catapult_->DrawShadow(viewer, alpha);
    DrawShadow(viewer, alpha);
    if (catapult_ && catapultShown_) catapult_->Draw(viewer, alpha, false);
    MapLevelCharacter::Draw(viewer, alpha, lit);
    std::erase_if(shots_, [](const auto& shot) { return shot->Landed(); });
    for (auto& shot : shots_)
        shot->Draw(viewer);
}
