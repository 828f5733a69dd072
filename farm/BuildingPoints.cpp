#include "farm/BuildingPoints.h"
#include "farm/BuildingSites.h"

#include "farm/AnimalHouses.h"

#include "engine/Log.h"
#include "engine/Viewer.h"
#include "farm/Products.h"
#include "foundation/Helpers.h"
#include "foundation/Ident.h"
#include "level/Economy.h"
#include "level/GameLevel.h"
#include "level/LevelServices.h"
#include "level/MapCharacter.h"
#include "level/Records.h"
#include "level/SaveStream.h"
#include "sprites/Particles.h"
#include "sprites/Sprite.h"
#include "sprites/SpriteEffect.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr uint32_t kSiteFadeMs = 200;
constexpr uint32_t kButtonFadeMs = 200;
constexpr int32_t kPositionLift = 48;
constexpr int32_t kSlotPositionLift = 8;
constexpr uint32_t kBuildAnimationFlags = 4;
constexpr const char16_t* kBuildAnimation = u"girl_build";
constexpr const char16_t* kUpgradeIcon = u"small_ico_upgrade";

MapSprite* AsMapSprite(Sprite* sprite) {
    return static_cast<MapSprite*>(sprite);
}

// A factory slot: the product it makes (0 idle) and how far along, 0..1.
struct FactorySlotRecord {
    uint32_t productId;
    float fraction;
};
constexpr auto kFactorySlotLayout =
    kis::Layout(8, kis::Field<&FactorySlotRecord::productId>(0), kis::Field<&FactorySlotRecord::fraction>(4));

// A factory's own block.
struct FactoryRecord {
    uint32_t produced;
    uint32_t recipeCount;
    std::array<uint32_t, kMaxFactoryProducts> recipeIds; // 0 past the count
    uint32_t slotCount;
    uint32_t slotsInUse;
    std::array<FactorySlotRecord, kMaxFactorySlots> slots;
};
constexpr auto kFactoryLayout =
    kis::Layout(PointFactory::kRecordSize, kis::Field<&FactoryRecord::produced>(4),
                kis::Field<&FactoryRecord::recipeCount>(8), kis::Field<&FactoryRecord::recipeIds>(12),
                kis::Field<&FactoryRecord::slotCount>(32), kis::Field<&FactoryRecord::slotsInUse>(36),
                kis::Field<&FactoryRecord::slots, kFactorySlotLayout>(40));

} // namespace

BuildingPanelLayout LayoutBuildingPanel(int32_t panelLeft, int32_t panelWidth) {
    const int32_t x0 = panelLeft + (panelWidth - BuildingPanelLayout::kStripWidth) / 2;
    return {x0 + 42, x0 + 196, x0 + 330};
}

// ---------------------------------------------------------------- animations

void BuildingAnimation::Start(float newRate) {
    rate = newRate;
    if (frames > 1 && frameMs != 0) state = kLooping;
}

void BuildingAnimation::Stop() {
    if (state == kLooping) state = kFinishing;
}

void BuildingAnimation::Update(uint32_t ms) {
    if (state == kStopped || frames <= 0 || frameMs == 0) return;
    time += float(ms) * rate;
    const float cycle = float(frames) * float(frameMs);
    int32_t frame = int32_t(std::floor(time / float(frameMs)));
    if (state == kFinishing && frame >= frames) {
        state = kStopped;
        time = 0.0f;
        index = 0;
        return;
    }
    if (frame >= frames) {
        const float whole = std::floor(time / cycle);
        time -= whole * cycle;
        frame = std::clamp(int32_t(std::floor(time / float(frameMs))), 0, frames - 1);
    }
    index = std::max(frame, 0);
}

float MirroredAnimationX(int32_t baseWidth, int32_t animationWidth, float x) {
    return float(baseWidth - animationWidth) - x;
}

// ---------------------------------------------------------------- MapBuilding

MapBuilding::MapBuilding(LevelMap* map, PointBuilding* point, FarmHost* host)
    : SpriteObject(map, nullptr, kMapBuildingKind, int32_t(point->Index())), stage_(point->Stage()) {
    const BuildingLevel* level = point->LevelRecord(stage_);
    SetPosition(float(point->AnchorX()), float(point->AnchorY()));
    SetMirrored(point->IsMirrored());
    SetPointPicture(true);
    if (!level) return;
    sprite_ = AsMapSprite(level->mapSprite);
    const int32_t extras = std::clamp(level->record.extraCount, 0, kMaxExtraMapSprites);
    for (int32_t e = 0; e < extras; ++e) {
        if (!level->extraSprites[e]) continue;
        auto extra = std::make_unique<SpriteObject>(map, AsMapSprite(level->extraSprites[e]),
                                                    kBuildingExtraKind, ownerPoint_);
        extra->SetPosition(x_, y_);
        extra->SetMirrored(IsMirrored());
        extras_.push_back(std::move(extra));
    }
    if (point->Type()->IsFactory()) {
        const int32_t count = std::clamp(level->record.capacityOrAnimationCount, 0, kMaxProductionAnimations);
        for (int32_t a = 0; a < count; ++a) {
            ::Sprite* sprite = level->animationSprites[a];
            if (!sprite) continue;
            const ProductionAnimation& entry = level->record.animations[a];
            BuildingAnimation anim;
            anim.sprite = AsMapSprite(sprite);
            anim.x = float(entry.x);
            anim.y = float(entry.y);
            if (IsMirrored() && sprite_)
                anim.x = MirroredAnimationX(host->SpriteWidth(level->mapSprite), host->SpriteWidth(sprite),
                                            anim.x);
            anim.frames = std::clamp(entry.framesInCycle, 0, kMaxCycleFrames);
            anim.frameMs = entry.frameTime;
            anim.table = entry.frames;
            animations_.push_back(anim);
        }
    }
    const int32_t emitters = std::clamp(level->record.emitterCount, 0, kMaxBuildingEmitters);
    if (emitters > 0) {
        particles_ = std::make_unique<GPSSpace>();
        const float scale = point->Type()->header.scale;
        for (int32_t e = 0; e < emitters; ++e) {
            const BuildingEmitter& entry = level->record.emitters[e];
            const GPSDescription* description = host->FindParticle(entry.effectId);
            if (!description) continue;
            const float ex = float(kis::Round(float(entry.x) * scale));
            const float ey = float(kis::Round(float(entry.y) * scale));
            particles_->AddEmitter(*description, nullptr, IsMirrored() ? -ex : ex, ey);
        }
    }
}

MapBuilding::~MapBuilding() = default;

void MapBuilding::Release() {
    for (auto& extra : extras_)
        extra->Release();
}

uint32_t MapBuilding::StartVanish(uint32_t delay) {
    AttachEffect(new SEffect_Scale(1.0f, 0.0f, kVanishMs, true, delay));
    return delay + kVanishMs;
}

void MapBuilding::AttachEffect(SpriteEffect* effect) {
    SpriteObject::AttachEffect(effect);
}

void MapBuilding::StopEffects() {
    SpriteObject::StopEffects();
    for (auto& extra : extras_)
        extra->StopEffects();
}

void MapBuilding::DrawSprite(DXLViewer& viewer, uint32_t colour) {
    if (sprite_) SpriteObject::DrawSprite(viewer, colour);
    for (auto& extra : extras_) {
        if (extra->Sprite()) extra->DrawSprite(viewer, colour);
    }
    for (const BuildingAnimation& anim : animations_) {
        MapDrawItem item;
        if (anim.sprite && anim.sprite->DrawFloat(&item, int32_t(anim.Frame()), anim.x, anim.y, nullptr,
                                                  colour, IsMirrored()))
            item.Draw(viewer);
    }
    DrawParticles(viewer);
}

bool MapBuilding::Covers(float x, float y) const {
    float ox = 0.0f, oy = 0.0f;
    if (!ToDrawingFrame(x, y, &ox, &oy)) return false;
    if (MapSpriteCovers(sprite_, frame_, ox, oy, IsMirrored())) return true;
    for (const auto& extra : extras_)
        if (MapSpriteCovers(extra->Sprite(), extra->Frame(), ox, oy, extra->IsMirrored())) return true;
    for (const BuildingAnimation& anim : animations_)
        if (MapSpriteCovers(anim.sprite, int32_t(anim.Frame()), ox - anim.x, oy - anim.y, IsMirrored()))
            return true;
    return false;
}

void MapBuilding::DrawParticles(DXLViewer& viewer) {
    if (particles_) particles_->Draw(viewer);
}

void MapBuilding::SetScale(float scale) {
    SpriteObject::SetScale(scale);
    for (auto& extra : extras_)
        extra->SetScale(scale);
}

uint32_t MapBuilding::StartAppear(bool animated, uint32_t delay) {
    StopEffects();
    if (!animated) return delay;
    AttachEffect(new SEffect_Build(kAppearMs, delay));
    return delay + kAppearMs;
}

void MapBuilding::StartAnimations(float rate) {
    for (BuildingAnimation& anim : animations_)
        anim.Start(rate);
    if (particles_) {
        particles_->timeScale = rate;
        particles_->StartEmitters();
    }
}

void MapBuilding::StopAnimations() {
    for (BuildingAnimation& anim : animations_)
        anim.Stop();
    if (particles_) particles_->StopEmitters(false);
}

void MapBuilding::UpdateAnimations(uint32_t ms) {
    for (BuildingAnimation& anim : animations_)
        anim.Update(ms);
    if (particles_) particles_->Update(ms);
}

void MapBuilding::SetAnimationRate(float rate) {
    for (BuildingAnimation& anim : animations_)
        anim.rate = rate;
    if (particles_) particles_->timeScale = rate;
}

// ---------------------------------------------------------------- PointBuilding

PointBuilding::PointBuilding(FarmHost* host, uint32_t index, uint32_t kind, BUILDING* type)
    : LevelPoint(index, kind), host_(host), type_(type) {
    stage_ = -1;
}

PointBuilding::~PointBuilding() {
    if (buildJob_) buildJob_->Unlink();
    LevelMap* map = host_->Map();
    if (map && mapBuilding_ && map->Owns(mapBuilding_)) map->Delete(mapBuilding_);
    if (map && site_ && map->Owns(site_)) map->Delete(site_);
}

void PointBuilding::Setup(const PointRecord& record) {
    LevelPoint::Setup(record);
    const int32_t stage = record.stage;
    stage_ = -1;
    SetStage(stage, false, 0);
}

void PointBuilding::SetMirrored(bool mirrored) {
    LevelPoint::SetMirrored(ResolveBuildingMirror(type_->header, mirrored));
}

int32_t PointBuilding::HighestAllowed() const {
    const int32_t limit = std::min(type_->header.levelCount, StageLimit());
    return std::clamp(type_->highestLevel, 0, limit);
}

const BuildingLevel* PointBuilding::LevelRecord(int32_t level) const {
    if (level < 1 || level > type_->header.levelCount || level > kMaxBuildingLevels) return nullptr;
    return &type_->levels[level - 1];
}

void PointBuilding::GetPosition(float* x, float* y) const {
    *x = float(anchorX_);
    *y = float(anchorY_ - kPositionLift);
}

void PointBuilding::GetWorkPosition(float* x, float* y) const {
    const int32_t dx = type_->header.workSpot[0];
    *x = float(anchorX_ + (mirrored_ ? -dx : dx));
    *y = float(anchorY_ + type_->header.workSpot[1]);
}

void PointBuilding::GetWorkOffset(float* dx, float* dy) const {
    float x = 0.0f, y = 0.0f, wx = 0.0f, wy = 0.0f;
    GetPosition(&x, &y);
    GetWorkPosition(&wx, &wy);
    *dx = wx - x;
    *dy = wy - y;
}

void PointBuilding::GetStarsPosition(float* x, float* y) const {
    const int32_t dx = type_->header.starsOffset[0];
    *x = float(anchorX_ + (mirrored_ ? -dx : dx));
    *y = float(anchorY_ + type_->header.starsOffset[1]);
}

void PointBuilding::OnAttach() {
    if (HasPanel()) host_->AttachBuildingPanel(this);
}

void PointBuilding::OnDetach() {
    if (HasPanel()) host_->DetachBuildingPanel(this);
}

void PointBuilding::Unlock() {
    LevelPoint::Unlock();
    host_->RefreshBuildingPanel(this);
}

void PointBuilding::OnDamaged(bool animated) {
    LevelPoint::OnDamaged(animated);
    CancelBuildJob(animated);
    host_->RefreshBuildingPanel(this);
}

void PointBuilding::OnRepaired(bool animated) {
    LevelPoint::OnRepaired(animated);
    host_->RefreshBuildingPanel(this);
}

int32_t PointBuilding::Update(uint32_t ms) {
    // The countdown runs first, then the pending delay takes what is left.
    const uint32_t left = uint32_t(std::max(LevelPoint::Update(ms), 0));
    if (pendingDelayMs_ >= left) {
        pendingDelayMs_ -= left;
        return 0;
    }
    const uint32_t rest = left - pendingDelayMs_;
    pendingDelayMs_ = 0;
    return int32_t(rest);
}

// A change of stage lets the old picture go (the building's vanish or the
// site's fade) and brings the new one (the site's fade or the building's
// appearance); the pending delay waits for both.
uint32_t PointBuilding::LongestPendingDelayMs() const {
    return std::max(MapBuilding::kVanishMs, kSiteFadeMs) + std::max(kSiteFadeMs, MapBuilding::kAppearMs);
}

void PointBuilding::GetInfo(PointRecord* record) const {
    LevelPoint::GetInfo(record);
    record->objectId = type_->header.id;
}

bool PointBuilding::SetStage(int32_t stage, bool animated, uint32_t delay) {
    const int32_t target = std::min(stage, HighestAllowed());
    if (target == stage_) return stage_ >= 0;
    if (target < stage_) return false;
    const uint32_t start = delay;
    pendingDelayMs_ = delay;
    if (stage_ >= 0) delay = RequestRemove(animated, false, delay);
    stage_ = target;
    const int32_t ax = type_->header.anchor[0];
    anchorX_ = x_ + (mirrored_ ? -ax : ax);
    anchorY_ = y_ + type_->header.anchor[1];
    const uint32_t d = CreateVisuals(animated, delay);
    pendingDelayMs_ = d > start ? d - start : 0;
    if (stage_ == 0) {
        effectDelay_ = d;
        OrderBuild(animated);
        effectDelay_ = 0;
    } else {
        Level()->UpdateGoals(kBuildingGoalKind);
    }
    host_->TutorialNotify(TutorialEvent::PointChanged, kind_, TutorialObject::Of<BaseLevelPoint>(this));
    return true;
}

uint32_t PointBuilding::CreateVisuals(bool animated, uint32_t delay) {
    host_->RefreshBuildingPanel(this);
    LevelMap* map = host_->Map();
    if (stage_ == 0) {
        if (map && type_->siteSprite && !site_) {
            site_ = CreateMapObject(map, AsMapSprite(type_->siteSprite), kBuildingSiteKind, float(anchorX_),
                                    float(anchorY_), 0, int32_t(index_), mirrored_);
            site_->SetScale(type_->header.scale);
            site_->SetPointPicture(true);
            site_->AddToLevel(kBuildingLayer);
            if (animated) {
                site_->SetAlpha(0.0f);
                site_->AttachEffect(new SEffect_Alpha(0.0f, 1.0f, kSiteFadeMs, true, delay));
            }
        }
        if (animated) delay += kSiteFadeMs;
    } else if (stage_ > 0) {
        delay = CreateMapBuilding(animated, delay);
    }
    ShowStageStars(HighestAllowed(), animated, delay);
    return delay;
}

const SpriteObject* PointBuilding::PickedObject() const {
    return mapBuilding_;
}

uint32_t PointBuilding::CreateMapBuilding(bool animated, uint32_t delay) {
    LevelMap* map = host_->Map();
    if (mapBuilding_ || !map) return delay;
    auto building = std::make_unique<MapBuilding>(map, this, host_);
    building->SetScale(type_->header.scale);
    mapBuilding_ = static_cast<MapBuilding*>(map->Adopt(std::move(building)));
    mapBuilding_->AddToLevel(kBuildingLayer);
    return mapBuilding_->StartAppear(animated, delay);
}

uint32_t PointBuilding::ReleaseMapBuilding(bool animated, uint32_t delay) {
    if (!mapBuilding_) return delay;
    MapBuilding* building = mapBuilding_;
    mapBuilding_ = nullptr;
    if (animated) {
        // The map deletes it once its vanish is over.
        MapObject::AddEffect(building, delay, nullptr);
        return delay + MapBuilding::kVanishMs;
    }
    building->Release();
    host_->Map()->Delete(building);
    return delay;
}

uint32_t PointBuilding::Remove(bool animated, bool forGood, uint32_t delay) {
    uint32_t d = LevelPoint::Remove(animated, forGood, delay);
    if (forGood && stage_ > 0) Level()->UpdateGoals(kBuildingGoalKind);
    CancelBuildJob(animated);
    d = ReleaseMapBuilding(animated, d);
    if (site_) {
        SpriteObject* site = site_;
        site_ = nullptr;
        if (animated) {
            d = std::max(d, MapObject::AddEffect(site, delay,
                                                 new SEffect_Alpha(1.0f, 0.0f, kSiteFadeMs, true, delay)));
        } else {
            host_->Map()->Delete(site);
        }
    }
    return d;
}

void PointBuilding::CancelBuildJob(bool animated) {
    (void)animated;
    if (buildJob_) {
        Job_Build* job = buildJob_;
        buildJob_ = nullptr;
        job->Unlink();
        job->Stop();
    }
    if (upgrading_) {
        upgrading_ = false;
        OnUpgradeCancel();
    }
}

void PointBuilding::BeginUpgrade() {
    if (upgrading_) return;
    upgrading_ = true;
    OnUpgradeBegin();
}

void PointBuilding::FinishUpgrade() {
    if (!upgrading_) return;
    upgrading_ = false;
    SetStage(stage_ + 1, true, 0);
    host_->RefreshBuildingPanel(this);
}

void PointBuilding::OnUpgradeBegin() {
    host_->RefreshBuildingPanel(this);
}

void PointBuilding::OnUpgradeCancel() {
    host_->RefreshBuildingPanel(this);
}

int32_t PointBuilding::UpgradePrice() const {
    const int32_t s = std::max(stage_, 1);
    const BuildingLevel* next = s < HighestAllowed() ? LevelRecord(s + 1) : nullptr;
    return next ? next->record.price : 0;
}

bool PointBuilding::CanUpgrade() const {
    const int32_t s = std::max(stage_, 1);
    return damage_ == 0 && !upgrading_ && !buildJob_ && stage_ > 0 && s < HighestAllowed();
}

bool PointBuilding::OnButtonCommand(uint32_t command) {
    if (command != kUpgradeCommand || !CanUpgrade()) return false;
    return OrderBuild(true);
}

bool PointBuilding::OrderBuild(bool animated) {
    MapPlayer* player = host_->Player();
    const BuildingLevel* next = LevelRecord(stage_ + 1);
    if (!player || !next || !player->Services()) return false;
    if (next->record.price > player->Services()->Money().Get()) return false;
    auto job = std::make_unique<Job_Build>(player, this);
    (void)animated;
    return player->AddJob(std::move(job)) != nullptr;
}

// ---------------------------------------------------------------- Job_Build

Job_Build::Job_Build(MapPlayer* player, PointBuilding* point, bool reserve)
    : Job(player, JOBID_BUILD), point_(point) {
    targetPoint_ = int32_t(point->Index());
    if (Job_Build* old = point->BuildJob()) {
        point->LinkBuildJob(nullptr);
        old->Unlink();
        old->Stop();
    }
    point->LinkBuildJob(this);
    FarmHost* host = point->Host();
    Sprite* icon = nullptr;
    if (point->Stage() > 0) {
        icon = host->FindSprite(kIconLibrary, kUpgradeIcon);
    } else if (const BuildingLevel* first = point->LevelRecord(1)) {
        icon = first->secondIcon;
    }
    if (icon && host->Map()) {
        // Over the building, where its stage stars stand.
        float ix = 0.0f, iy = 0.0f;
        point->GetStarsPosition(&ix, &iy);
        ShowIcon(ix, iy, AsMapSprite(icon), targetPoint_, kBuildIconTint);
    }
    const BuildingLevel* next = point->LevelRecord(point->Stage() + 1);
    if (reserve && next) reservedOk_ = ReserveMoney(next->record.price);
    if (point->Stage() > 0) point->SetBuildPending(true, point->Level()->IsBegun());
    host->RefreshBuildingPanel(point);
    if (reserve) Notify();
}

Job_Build::~Job_Build() {
    if (point_) point_->UnlinkBuildJob(this);
}

bool Job_Build::SetStep(int32_t step) {
    if (!Job::SetStep(step)) return false;
    if (step_ < 1 || step_ > 3) {
        Stop();
        return false;
    }
    // The step itself begins on the next update, so that a loaded job
    // starts its walk or animation only once the farmer is in place.
    state_ = JobState::New;
    return true;
}

bool Job_Build::GetPosition(float* x, float* y) const {
    if (!point_) return false;
    point_->GetWorkPosition(x, y);
    return true;
}

void Job_Build::BeginStep() {
    if (step_ == 2) {
        float x, y;
        point_->GetWorkPosition(&x, &y);
        BeginWalk(x, y, 0, 1.0f);
    } else if (step_ == 3) {
        const BuildingLevel* next = point_->LevelRecord(point_->Stage() + 1);
        const uint32_t total = next ? next->record.buildTime : 0;
        const uint32_t elapsed = progress_.running ? std::min(progress_.elapsed, total) : 0;
        StartAnimation(int32_t(total - elapsed), kBuildAnimation, -1, kBuildAnimationFlags);
        LogLabelPrintf(kLogIndent, "Building", "point %u: the farmer plays girl_build for %u ms",
                       point_->Index(), total - elapsed);
        progress_.elapsed = elapsed;
        progress_.duration = std::min(total, kMaxLevelTimeMs);
        point_->BeginUpgrade();
    }
}

void Job_Build::Update(uint32_t ms) {
    if (!point_) {
        // The point went without stopping the job: the money goes back.
        Stop();
        return;
    }
    switch (state_) {
    case JobState::New:
        if (step_ <= 1) {
            step_ = 1;
            if (point_->PendingDelay() == 0)
                step_ = 2;
            else
                break;
        }
        BeginStep();
        break;
    case JobState::Walking:
        if (UpdateWalk(1.0f)) {
            step_ = 3;
            state_ = JobState::New;
            BeginStep();
        }
        break;
    case JobState::Animating:
        AddElapsed(ms);
        if (UpdateAnimation()) {
            Finish();
            PointBuilding* point = point_;
            point_ = nullptr;
            point->UnlinkBuildJob(this);
            // The reservation is spent on the new level.
            ReserveMoney(0);
            point->FinishUpgrade();
            static_cast<MapPlayer*>(owner_)->RequestSideStep();
        }
        break;
    default:
        break;
    }
}

bool Job_Build::Stop() {
    if (!Job::Stop()) return false;
    PointBuilding* point = point_;
    if (!point) return true; // let go by its point: nothing of the point to undo
    point_ = nullptr;
    point->UnlinkBuildJob(this);
    point->CancelBuildJob(true);
    FarmHost* host = point->Host();
    if (point->Stage() > 0) {
        point->SetBuildPending(false, point->Level()->IsBegun());
        host->RefreshBuildingPanel(point);
    } else {
        point->Level()->RebuildPoint(point->Index());
    }
    return true;
}

bool Job_Build::Save(JobSaveContext& context, SaveWriter& writer) {
    if (IsFinished()) return true;
    uint8_t* record = BeginSaveRecord(context, writer, kRecordSize);
    if (!record) return false;
    // A loaded build waits for its next update to go on animating: it is
    // still running.
    SaveProgress(record, step_ == 3 && (state_ == JobState::Animating || progress_.running));
    kAtPointLayout.Store({point_ ? int32_t(point_->Index()) : targetPoint_}, record);
    return true;
}

std::unique_ptr<Job> Job_Build::Load(MapPlayer* player, const uint8_t* record, size_t size) {
    const JobHead head = HeadOf(record);
    if (size != kRecordSize || head.jobId != JOBID_BUILD) return nullptr;
    GameLevel* level = LevelOf(player);
    if (!level) return nullptr;
    AtPointRecord saved;
    kAtPointLayout.Load(record, &saved);
    auto* point = dynamic_cast<PointBuilding*>(level->GetPoint(saved.point));
    if (!point || point->Kind() != kPointBuilding) return nullptr;
    // A build past the highest level allowed has no price to reserve.
    const int32_t stage = point->Stage();
    const BuildingLevel* next = stage < point->HighestAllowed() ? point->LevelRecord(stage + 1) : nullptr;
    if (stage < 0 || !next) return nullptr;
    const int32_t reserved = head.reserved;
    if (reserved != 0 && reserved != next->record.price) return nullptr;
    if (stage == 0) {
        // The site ordered its job when it was set up: the loaded one takes
        // its place and the money the set-up reserved goes back.
        Job_Build* existing = point->BuildJob();
        if (!existing) return nullptr;
        point->LinkBuildJob(nullptr);
        existing->Unlink();
        existing->Stop();
    }
    const uint32_t step = head.step;
    if (step > 3) return nullptr;
    // Built without a reservation: the farmer's load takes the record's.
    auto job = std::make_unique<Job_Build>(player, point, false);
    job->LoadHead(record);
    job->step_ = step;
    if (!job->LoadProgress(record) || (job->Progress().running && step != 3)) {
        job->Unlink();
        point->UnlinkBuildJob(job.get());
        return nullptr;
    }
    return job;
}

void RegisterBuildingJobLoaders() {
    SetPlayerJobLoader(JOBID_BUILD, &Job_Build::Load);
}

// ---------------------------------------------------------------- PointFactory

PointFactory::PointFactory(FarmHost* host, uint32_t index, BUILDING* type)
    : PointBuilding(host, index, kPointBuilding, type) {
    const int32_t count = std::clamp(type->FactoryProductCount(), 0, kMaxFactoryProducts);
    for (int32_t k = 0; k < count; ++k) {
        PRODUCT* product = host->Products().FindProduct(type->header.factory.productIds[k]);
        if (product && host->Products().IsAvailable(product))
            recipes_.push_back({k, product, nullptr, false});
    }
}

PointFactory::~PointFactory() {
    // The buttons go with their handles; a sound still playing fades.
    StopWorkingSound();
}

void PointFactory::StopWorkingSound() {
    if (channel_) host_->FadeOutSound(channel_, kWorkingSoundFadeMs);
    channel_ = 0;
}

uint32_t PointFactory::CreateVisuals(bool animated, uint32_t delay) {
    const bool first = !joinedTrack_;
    const uint32_t d = PointBuilding::CreateVisuals(animated, delay);
    if (stage_ >= 1) {
        slotCount_ = std::min<int32_t>(stage_, kMaxFactorySlots);
        effectDelay_ = d > pendingDelayMs_ ? d - pendingDelayMs_ : 0;
        ShowProductionButtons(animated, -1);
    }
    if (first) {
        // The factory takes the speed modifiers running when it comes.
        joinedTrack_ = true;
        Level()->ApplySpeedTrack(kFactorySpeedGroup, this);
    }
    return d;
}

void PointFactory::ShowProductionButtons(bool animated, int32_t delay) {
    if (beingRemoved_ || damage_ > 0) return;
    const uint32_t d = delay < 0 ? effectDelay_ : uint32_t(delay);
    const auto& factory = type_->header.factory;
    const int32_t bx = anchorX_ + (mirrored_ ? -factory.buttonOffset[0] : factory.buttonOffset[0]);
    const int32_t by = anchorY_ + factory.buttonOffset[1];
    for (size_t k = 0; k < recipes_.size(); ++k) {
        if (!recipes_[k].button)
            recipes_[k].button = host_->ShowProductionButton(this, int32_t(k), RecipeCount(),
                                                             recipes_[k].product, bx, by, animated, d);
    }
    const int32_t sx = anchorX_ + (mirrored_ ? -factory.slotOffset[0] : factory.slotOffset[0]);
    const int32_t sy = anchorY_ + factory.slotOffset[1];
    for (int32_t s = 0; s < slotCount_; ++s) {
        if (!slots_[size_t(s)].button)
            slots_[size_t(s)].button = host_->ShowSlotButton(this, s, slotCount_, sx, sy, animated, d);
        RefreshSlotButton(s);
    }
    RefreshRecipes();
    if (slotsInUse_ > 0 && animationState_ < 2) animationState_ = 1;
}

void PointFactory::HideProductionButtons(bool animated, bool refund, uint32_t delay) {
    animationState_ = 0;
    if (mapBuilding_) mapBuilding_->StopAnimations();
    StopWorkingSound();
    for (Recipe& recipe : recipes_) {
        if (recipe.button) recipe.button->Hide(animated, delay);
        recipe.button.reset();
    }
    for (Slot& slot : slots_) {
        if (slot.button) slot.button->Hide(animated, delay);
        slot.button.reset();
    }
    if (!refund) return;
    for (Slot& slot : slots_) {
        if (slot.recipe && animated)
            host_->Products().ReturnIngredients(slot.recipe->product, 1, host_->StockView());
        slot.recipe = nullptr;
        slot.progress = slot.duration = 0.0f;
    }
    slotsInUse_ = 0;
}

void PointFactory::RefreshRecipes() {
    for (Recipe& recipe : recipes_)
        recipe.inStock = host_->Products().HasIngredients(recipe.product, host_->StockView());
    RefreshProductionButtons();
}

void PointFactory::RefreshProductionButtons() {
    const bool free = slotsInUse_ < slotCount_;
    for (Recipe& recipe : recipes_)
        if (recipe.button) recipe.button->SetEnabled(free && recipe.inStock);
}

void PointFactory::RefreshSlotButton(int32_t slot) {
    if (slot < 0 || slot >= kMaxFactorySlots) return;
    Slot& s = slots_[size_t(slot)];
    if (!s.button) return;
    s.button->SetEnabled(s.recipe != nullptr);
    s.button->SetProgress(s.recipe && s.duration > 0.0f ? std::min(s.progress / s.duration, 1.0f) : 0.0f);
}

void PointFactory::GetSlotPosition(int32_t slot, int32_t* x, int32_t* y) const {
    if (slot >= 0 && slot < kMaxFactorySlots && slots_[size_t(slot)].button) {
        int32_t left, top, width, height;
        slots_[size_t(slot)].button->GetRect(&left, &top, &width, &height);
        *x = left + width / 2;
        *y = top - kSlotPositionLift;
        return;
    }
    const auto& factory = type_->header.factory;
    *x = anchorX_ + (mirrored_ ? -factory.slotOffset[0] : factory.slotOffset[0]);
    *y = anchorY_ + factory.slotOffset[1] - kSlotPositionLift;
}

bool PointFactory::StartProduction(int32_t recipe, int32_t slot, bool takeIngredients) {
    if (recipe < 0 || recipe >= RecipeCount()) return false;
    if (slot < 0) {
        for (int32_t s = 0; s < slotCount_ && slot < 0; ++s)
            if (!slots_[size_t(s)].recipe) slot = s;
        if (slot < 0) {
            slotsInUse_ = slotCount_;
            return false;
        }
    } else if (slot >= slotCount_ || slots_[size_t(slot)].recipe) {
        return false;
    }
    Recipe& r = recipes_[size_t(recipe)];
    if (takeIngredients) {
        int32_t x, y;
        GetSlotPosition(slot, &x, &y);
        host_->Products().TakeIngredients(r.product, host_->StockView());
        for (const ProductChange& change : host_->Products().IngredientChanges(r.product, x, y, false))
            host_->ShowProductChange(change);
    }
    Slot& s = slots_[size_t(slot)];
    s.recipe = &r;
    s.duration = float(std::max(r.product->record.productionTime, 0));
    s.progress = 0.0f;
    ++slotsInUse_;
    RefreshSlotButton(slot);
    animationState_ = std::max(animationState_, 1);
    host_->TutorialNotify(TutorialEvent::ProductionStarted, r.product->record.id,
                          TutorialObject::Of<BaseLevelPoint>(this));
    RefreshRecipes();
    return true;
}

void PointFactory::FinishSlot(int32_t slot, bool cancelled) {
    if (slot < 0 || slot >= slotCount_ || !slots_[size_t(slot)].recipe) return;
    Slot& s = slots_[size_t(slot)];
    --slotsInUse_;
    const PRODUCT* product = s.recipe->product;
    if (cancelled) {
        int32_t x, y;
        GetSlotPosition(slot, &x, &y);
        host_->Products().ReturnIngredients(product, 1, host_->StockView());
        for (const ProductChange& change : host_->Products().IngredientChanges(product, x, y, true))
            host_->ShowProductChange(change);
    } else {
        host_->TutorialNotify(TutorialEvent::ProductionEnded, product->record.id,
                              TutorialObject::Of<BaseLevelPoint>(this));
    }
    s.recipe = nullptr;
    s.progress = s.duration = 0.0f;
    RefreshSlotButton(slot);
    if (slotsInUse_ <= 0) {
        slotsInUse_ = 0;
        if (mapBuilding_) mapBuilding_->StopAnimations();
        animationState_ = 0;
        // A looping working sound would play on after the work: it fades.
        StopWorkingSound();
        SetProducedCount(0, true);
    }
    RefreshRecipes();
}

void PointFactory::SetProducedCount(uint32_t n, bool animated) {
    n = std::min(n, uint32_t(kMaxProducedInARun));
    if (n == produced_) return;
    if (n > produced_) Level()->RaiseHighestValue(int32_t(n), animated);
    produced_ = n;
}

int32_t PointFactory::Update(uint32_t ms) {
    const int32_t t = PointBuilding::Update(ms);
    if (t <= 0) return 0;
    if (animationState_ == 1) {
        animationState_ = 2;
        if (mapBuilding_) mapBuilding_->StartAnimations(track_.Value());
        // One channel per factory: a sound still held is stopped first.
        if (channel_) host_->FadeOutSound(channel_, 0);
        channel_ = type_->workingSound
                       ? host_->PlayOnChannel(type_->workingSound, kFactorySoundCategory, kSoundLoopAsLoaded)
                       : 0;
    }
    if (mapBuilding_) mapBuilding_->UpdateAnimations(uint32_t(t));
    if (slotsInUse_ == 0 || upgrading_ || locked_ || damage_ > 0) return t;
    const float step = float(t) * rate_ * Level()->GetSpeedFactor(kFactorySpeedGroup);
    for (int32_t s = 0; s < slotCount_; ++s) {
        Slot& slot = slots_[size_t(s)];
        if (!slot.recipe) continue;
        const PRODUCT* product = slot.recipe->product;
        if (!host_->TutorialAllows(TutorialAction::Produce, product->record.id,
                                   TutorialObject::Of<BaseLevelPoint>(this)))
            continue;
        if (slot.progress < slot.duration) {
            slot.progress = std::min(slot.progress + step, slot.duration);
            RefreshSlotButton(s);
        }
        if (slot.progress >= slot.duration) {
            int32_t x, y;
            GetSlotPosition(s, &x, &y);
            const uint32_t stored =
                host_->PutToWarehouse(product, 1, &messenger_, product->record.awardIndex, x, y, 0);
            if (stored > 0) {
                SetProducedCount(produced_ + 1, true);
                FinishSlot(s, false);
            }
        }
    }
    return t;
}

void PointFactory::StartTrack(uint32_t id, float value) {
    track_.Set(id, value);
    if (mapBuilding_) mapBuilding_->SetAnimationRate(track_.Value());
}

uint32_t PointFactory::Remove(bool animated, bool forGood, uint32_t delay) {
    HideProductionButtons(animated, forGood, delay);
    return PointBuilding::Remove(animated, forGood, delay);
}

void PointFactory::OnDamaged(bool animated) {
    PointBuilding::OnDamaged(animated);
    if (stage_ >= 1) HideProductionButtons(animated, false, 0);
}

void PointFactory::OnRepaired(bool animated) {
    PointBuilding::OnRepaired(animated);
    if (stage_ >= 1) ShowProductionButtons(true, 0);
}

void PointFactory::LockPoint() {
    LevelPoint::Lock();
    HideProductionButtons(/*animated=*/true, /*refund=*/false, 0);
}

void PointFactory::Unlock() {
    if (locked_) {
        locked_ = false;
        ShowProductionButtons(true, 0);
    }
    PointBuilding::Unlock();
}

void PointFactory::OnUpgradeBegin() {
    if (stage_ >= 1) HideProductionButtons(/*animated=*/true, /*refund=*/false, 0);
    PointBuilding::OnUpgradeBegin();
}

void PointFactory::OnUpgradeCancel() {
    PointBuilding::OnUpgradeCancel();
    if (stage_ >= 1) ShowProductionButtons(true, 0);
}

void PointFactory::OnAttach() {
    host_->AttachBuildingPanel(this);
}

bool PointFactory::OnProductionButton(int32_t recipe, uint32_t pressed) {
    if (pressed != kLevelMouseLeft || recipe < 0 || recipe >= RecipeCount()) return false;
    Recipe& r = recipes_[size_t(recipe)];
    r.inStock = host_->Products().HasIngredients(r.product, host_->StockView());
    if (!r.inStock || slotsInUse_ >= slotCount_ || !r.button) return false;
    Level()->ResetSelection(nullptr);
    if (!StartProduction(recipe, -1, true)) return false;
    host_->PlayEventSound(kProductionStartSound);
    return true;
}

bool PointFactory::OnSlotButton(int32_t slot) {
    if (slot < 0 || slot >= slotCount_ || !slots_[size_t(slot)].recipe || !slots_[size_t(slot)].button)
        return false;
    Level()->ResetSelection(nullptr);
    FinishSlot(slot, true);
    return true;
}

void PointFactory::SaveOwn(SaveWriter& out) const {
    FactoryRecord saved{};
    saved.produced = produced_;
    saved.recipeCount = uint32_t(recipes_.size());
    for (int32_t k = 0; k < RecipeCount() && k < kMaxFactoryProducts; ++k)
        saved.recipeIds[size_t(k)] = recipes_[size_t(k)].product->record.id;
    saved.slotCount = uint32_t(slotCount_);
    saved.slotsInUse = uint32_t(slotsInUse_);
    for (size_t s = 0; s < slots_.size(); ++s) {
        const Slot& slot = slots_[s];
        if (!slot.recipe) continue;
        saved.slots[s] = {slot.recipe->product->record.id,
                          slot.duration > 0.0f ? slot.progress / slot.duration : 0.0f};
    }
    PutBlock(out, kFactoryLayout, saved);
}

bool PointFactory::LoadOwn(SaveReader& in) {
    // The recipe count is not read back: the factory's own recipes decide.
    FactoryRecord record{};
    const bool read = GetBlock(in, kFactoryLayout, &record);
    const uint32_t produced = record.produced;
    const std::array<uint32_t, kMaxFactoryProducts>& ids = record.recipeIds;
    const uint32_t slotCount = record.slotCount;
    const uint32_t inUse = record.slotsInUse;
    const std::array<FactorySlotRecord, kMaxFactorySlots>& pairs = record.slots;
    bool ok = read && slotCount == uint32_t(slotCount_) && produced <= uint32_t(kMaxProducedInARun);
    for (int32_t k = 0; ok && k < RecipeCount(); ++k)
        ok = ids[k] == recipes_[size_t(k)].product->record.id;
    for (int32_t s = 0; ok && s < kMaxFactorySlots; ++s) {
        const FactorySlotRecord& pair = pairs[size_t(s)];
        if (pair.productId == 0) continue;
        // A pair past the slot count or a fraction outside 0..1 is damage.
        if (s >= slotCount_ || !std::isfinite(pair.fraction) || pair.fraction < 0.0f ||
            pair.fraction > 1.0f) {
            ok = false;
            break;
        }
        int32_t recipe = -1;
        for (int32_t k = 0; k < RecipeCount() && recipe < 0; ++k)
            if (recipes_[size_t(k)].product->record.id == pair.productId) recipe = k;
        if (recipe < 0 || !StartProduction(recipe, s, false)) {
            ok = false;
            break;
        }
        slots_[size_t(s)].progress = pair.fraction * slots_[size_t(s)].duration;
        RefreshSlotButton(s);
    }
    if (ok) ok = inUse == uint32_t(slotsInUse_);
    if (!ok) {
        in.Fail();
        return false;
    }
    SetProducedCount(produced, false);
    return true;
}

void RefreshFactoryRecipes(GameLevel& level) {
    for (uint32_t i = 0; i < level.PointCount(); ++i) {
        BaseLevelPoint* point = level.GetPoint(int32_t(i));
        if (point && point->Kind() == kPointBuilding)
            if (auto* factory = dynamic_cast<PointFactory*>(point)) factory->RefreshRecipes();
    }
}

// ---------------------------------------------------------------- PointWarehouse

PointWarehouse::PointWarehouse(FarmHost* host, uint32_t index, BUILDING* type)
    : PointBuilding(host, index, kPointWarehouse, type) {}

void PointWarehouse::OnClick() {
    host_->OpenWarehouseWindow();
}

uint32_t PointWarehouse::CreateVisuals(bool animated, uint32_t delay) {
    if (stage_ > 0) host_->Stock().SetWarehouseLevel(uint32_t(stage_));
    host_->SetWarehouseButtonLevel(stage_ - 1);
    return PointBuilding::CreateVisuals(animated, delay);
}

// ---------------------------------------------------------------- the point maker

std::unique_ptr<BaseLevelPoint> MakeBuildingPoint(FarmHost* host, uint32_t index, const PointRecord& record) {
    BuildingList& list = host->Buildings();
    if (record.kind == kPointWarehouse) {
        BUILDING* type = list.FindBuildingType(kis::NameId("warehouse"));
        if (!type) return nullptr;
        return std::make_unique<PointWarehouse>(host, index, type);
    }
    if (record.kind == kPointBuilding) {
        BUILDING* type = list.FindBuildingType(record.objectId);
        if (type && type->IsFactory()) return std::make_unique<PointFactory>(host, index, type);
        if (type && type->IsAnimalHouse()) return MakeAnimalHousePoint(host, index, record);
    }
    return nullptr;
}
