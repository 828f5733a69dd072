#include "farm/MapVillain.h"

#include "engine/Log.h"
#include "farm/FarmVillains.h"
#include "farm/Villains.h"
#include "foundation/Helpers.h"
#include "foundation/Ident.h"
#include "level/LevelData.h"
#include "level/LevelServices.h"
#include "level/SpriteObject.h"
#include "pathfinding/Shapes.h"
#include "sprites/Sprite.h"
#include "sprites/SpriteEffect.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <type_traits>

namespace {

// The villain's own bytes of the character block.
struct VillainRecord {
    int32_t place; // -1 none
    int32_t state;
    float countdownMs;
    int32_t shotsLeft;
    int32_t health;
    uint32_t direction;
    uint32_t setUp; // 0 or 1
    int32_t catapult;
};
constexpr auto kVillainLayout = kis::Layout(
    MapCharacter::kBlockSize, kis::Field<&VillainRecord::place>(100), kis::Field<&VillainRecord::state>(104),
    kis::Field<&VillainRecord::countdownMs>(108), kis::Field<&VillainRecord::shotsLeft>(112),
    kis::Field<&VillainRecord::health>(116), kis::Field<&VillainRecord::direction>(120),
    kis::Field<&VillainRecord::setUp>(124), kis::Field<&VillainRecord::catapult>(128));

constexpr int32_t kCrossLibrary = 7;
constexpr int32_t kEffectLibrary = 8;
constexpr uint32_t kCrossFlags = 0x10000000;
constexpr uint32_t kCrossKind = 0x10000110;
// The cross goes once the villain is this close to its spot (either axis).
constexpr float kCrossReach = 32.0f;
constexpr uint32_t kBarFadeMs = 200;
constexpr uint32_t kBeesDelayMs = 120;
constexpr uint32_t kBeesFadeMs = 200;
constexpr uint32_t kCatapultBreakMs = 1000;
constexpr uint32_t kCatapultFadeMs = 200;

int32_t ToVariant(const GameCharacter* description, uint32_t direction) {
    const uint32_t count = description ? std::max<uint32_t>(description->variantCount, 1) : 1;
    return int32_t((direction % kVillainDirections) * count / kVillainDirections);
}

int32_t ClampKind(const GameCharacter* description, uint32_t kind) {
    const size_t kinds = description ? description->kinds.size() : 1;
    return kind < kinds ? int32_t(kind) : 0;
}

uint32_t LerpColour(uint32_t from, uint32_t to, float t) {
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const float a = float((from >> shift) & 0xFF), b = float((to >> shift) & 0xFF);
        out |= uint32_t(std::lround(a + (b - a) * t)) << shift;
    }
    return out;
}

} // namespace

// ---------------------------------------------------------------- MapCatapult

MapCatapult::MapCatapult(LevelMap* map, const GameCharacter* description, MapVillain* villain,
                         uint32_t direction, float x, float y)
    : MapCharacter(map, description, 0, nullptr, 0, x, y, -1), villain_(villain), direction_(direction) {}

void MapCatapult::SetState(int32_t state, bool animated) {
    if (state < 0 || state >= kCatapultStateCount || state == state_) return;
    const int32_t old = state_;
    const bool wasShown = IsOnLevel();
    state_ = state;
    removeInMs_ = -1;
    const int32_t variant = ToVariant(Description(), direction_);
    switch (state) {
    case kCatapultHidden:
        if (animated && wasShown) {
            StopEffects();
            AttachEffect(new SEffect_Alpha(1.0f, 0.0f, kCatapultFadeMs / 2, true, 0));
            removeInMs_ = int32_t(kCatapultFadeMs / 2);
        } else {
            RemoveFromLevel();
        }
        break;
    case kCatapultSetUp: {
        AddToLevel(0);
        const char16_t* standing = Description() ? Description()->GetAnimationName(0, variant) : nullptr;
        PlayNamedAnimation(standing, variant, -1);
        if (animated && old == kCatapultHidden) {
            StopEffects();
            AttachEffect(new SEffect_Alpha(0.25f, 1.0f, 80, true, 0));
        }
        break;
    }
    case kCatapultStanding:
        AddToLevel(0);
        PlayNamedAnimation(u"catapult_stand", variant, -1);
        break;
    case kCatapultBroken:
        AddToLevel(0);
        PlayNamedAnimation(u"catapult_break", variant, -2);
        // It lies there a while, then fades away.
        StopEffects();
        AttachEffect(new SEffect_Alpha(1.0f, 0.0f, kCatapultFadeMs, true, kCatapultBreakMs));
        removeInMs_ = int32_t(kCatapultBreakMs + kCatapultFadeMs);
        break;
    }
}

void MapCatapult::Update(uint32_t ms) {
    MapCharacter::Update(ms);
    if (removeInMs_ < 0) return;
    removeInMs_ -= int32_t(ms);
    if (removeInMs_ <= 0) {
        removeInMs_ = -1;
        RemoveFromLevel();
    }
}

void MapCatapult::DrawAnimation(DXLViewer& viewer, uint32_t colour) {
    const uint32_t flash = villain_ ? villain_->FlashColour() : 0;
    MapCharacter::DrawAnimation(viewer, flash ? (colour & 0xFF000000) | (flash & 0x00FFFFFF) : colour);
}

void MapCatapult::Highlight(bool on) {
    MapCharacter::Highlight(on);
    if (villain_ && villain_->IsHighlighted() != on) villain_->Highlight(on);
}

bool MapCatapult::OnClick() {
    return villain_ ? villain_->OnClick() : false;
}

// ---------------------------------------------------------------- MapVillain

MapVillain::MapVillain(FarmVillains* owner, const GameCharacter* description, int32_t placeIndex,
                       const VillainPlace& place, const VILLAININFO* info)
    : MapCharacter(owner->Map(), description, ClampKind(description, info->record.animationId), nullptr, 0,
                   float(place.startX), float(place.startY), -1),
      owner_(owner), place_(place), info_(info), placeIndex_(placeIndex), homePlace_(placeIndex),
      shotsLeft_(std::max(1, info->record.shots)), health_(std::max(0, info->record.health)),
      direction_(place.direction % kVillainDirections) {
    variant_ = DirectionVariant();
    RestartTrack();
    ++noRerouteCount;
    const VillainOffset bar = HealthBarPosition(place.installX, place.installY);
    healthBar_ = Host().CreateHealthBar(bar.x, bar.y, health_);
}

MapVillain::~MapVillain() {
    // The jobs go first (the base would), while the villain is whole.
    DeleteAllJobs();
    HideCross();
    obstacle_.reset();
    if (catapult_) catapult_->Detach();
    catapult_.reset();
}

VillainHost& MapVillain::Host() const {
    return owner_->Host();
}

int32_t MapVillain::DirectionVariant() const {
    return ToVariant(Description(), direction_);
}

VillainOffset MapVillain::LaunchPoint() const {
    const VillainOffset o = LaunchOffset(direction_);
    return {place_.installX + o.x, place_.installY + o.y};
}

void MapVillain::ReleasePlace() {
    owner_->ReleaseSlot(placeIndex_, this);
    placeIndex_ = -1;
    SetObstacle(false);
    HideCross();
}

void MapVillain::OnAddedToLevel() {
    MapCharacter::OnAddedToLevel();
    if (!catapult_) {
        const VillainOffset o = CatapultOffset(direction_);
        catapult_ =
            std::make_unique<MapCatapult>(owner_->Map(), owner_->CatapultDescription(), this, direction_,
                                          float(place_.installX + o.x), float(place_.installY + o.y));
    }
}

void MapVillain::OnRemovedFromLevel() {
    MapCharacter::OnRemovedFromLevel();
    SetObstacle(false);
    if (catapult_) catapult_->Detach();
    catapult_.reset();
}

void MapVillain::SetObstacle(bool on) {
    if (!on) {
        obstacle_.reset();
        return;
    }
    if (obstacle_) return;
    LevelServices* services = Services();
    shpf::PathFinder* finder = services ? services->PathFinder() : nullptr;
    const VillainRect r = ObstacleRect(direction_);
    const shpf::_SHAPE shape = shpf::MakeRectangleShape(r.x, r.y, r.x + r.width, r.y + r.height);
    obstacle_ = std::make_unique<shpf::MapShapes>(finder, std::span<const shpf::_SHAPE>(&shape, 1),
                                                  int32_t(std::lround(x_)), int32_t(std::lround(y_)), this);
}

void MapVillain::ResumeAnimationAt(uint32_t time) {
    animTime_ = time;
    RestartTrack();
}

void MapVillain::MarkSetUp() {
    if (!setUp_)
        LogLabelPrintf(kLogIndent, "Villain", "sets up its catapult at (%d, %d)", place_.installX,
                       place_.installY);
    setUp_ = true;
    SetObstacle(true);
}

void MapVillain::MoveTo(float x, float y) {
    MapCharacter::MoveTo(x, y);
    if (obstacle_) obstacle_->SetPosition(int32_t(std::lround(x)), int32_t(std::lround(y)));
}

void MapVillain::Highlight(bool on) {
    const bool was = highlighted_;
    MapCharacter::Highlight(on);
    if (catapult_ && catapult_->IsHighlighted() != on) catapult_->Highlight(on);
    if (on && !was && healthBar_ && HealthBarDue() && !healthBar_->IsShown()) healthBar_->Show(kBarFadeMs);
}

bool MapVillain::HealthBarDue() const {
    return health_ > 0 && obstacle_ && (health_ < info_->record.health || highlighted_);
}

bool MapVillain::OnClick() {
    if (state_ > kVillainLeaving) return false;
    health_ = std::max(health_ - 1, 0);
    if (healthBar_) healthBar_->SetValue(health_);
    LogLabelPrintf(kLogIndent, "Villain", "hit: health %d of %d", health_, std::max(0, info_->record.health));
    if (health_ > 0) {
        Host().PlayEventSound(kSoundVillainHit);
        if (healthBar_) {
            if (HealthBarDue() && !healthBar_->IsShown()) healthBar_->Show(kBarFadeMs);
            healthBar_->Pulse();
        }
    } else {
        if (healthBar_) healthBar_->Hide(kBarFadeMs);
        healthBar_.reset();
        DriveOff();
        Host().PlayEventSound(kSoundVillainDrivenOff);
    }
    flashMs_ = kHitFlashMs;
    return true;
}

uint32_t MapVillain::FlashColour() const {
    if (flashMs_ == 0) return 0;
    const float t = 1.0f - float(flashMs_) / float(kHitFlashMs);
    uint32_t colour = LerpColour(0xFFFF0000, 0xFF000000, t);
    if (highlighted_) {
        for (int shift = 0; shift < 24; shift += 8) {
            const uint32_t c = std::min<uint32_t>(((colour >> shift) & 0xFF) + 32, 0xFF);
            colour = (colour & ~(0xFFu << shift)) | (c << shift);
        }
    }
    return colour;
}

void MapVillain::DrawAnimation(DXLViewer& viewer, uint32_t colour) {
    if (healthBar_ && healthBar_->IsShown() && !HealthBarDue()) healthBar_->Hide(kBarFadeMs);
    const float beesAlpha =
        beesMs_ <= kBeesDelayMs ? 0.0f : std::min(1.0f, float(beesMs_ - kBeesDelayMs) / float(kBeesFadeMs));
    auto drawBee = [&](int i, float above, float alpha) {
        SpriteInstance* bee = bees_sprites_[i].get();
        if (!bee) return;
        DXLMatrix saved;
        viewer.GetTransform(&saved);
        viewer.Translate(0.0f, -above);
        viewer.ApplyTransform();
        bee->colour = (uint32_t(std::lround(alpha * 255.0f)) << 24) | 0xFFFFFF;
        bee->Draw(viewer);
        viewer.SetTransform(&saved);
        viewer.ApplyTransform();
    };
    if (bees_) drawBee(0, 40.0f, beesAlpha);
    const uint32_t flash = FlashColour();
    MapCharacter::DrawAnimation(viewer, flash ? (colour & 0xFF000000) | (flash & 0x00FFFFFF) : colour);
    if (bees_) {
        drawBee(1, 40.0f, beesAlpha);
        drawBee(2, 50.0f, 1.0f);
    }
}

void MapVillain::Idle() {
    // Once a tick: the base may ask again after a job ends.
    if (idleRan_) return;
    idleRan_ = true;
    if (!Host().TutorialAllows(TutorialAction::Villains, kVillainObjectKind,
                               TutorialObject::Of<MapVillain>(this)))
        return;
    switch (state_) {
    case kVillainArriving:
        if (!RunCountdown(&countdownMs_)) return;
        countdownMs_ = float(info_->record.firstShotWait);
        AddJob(std::make_unique<Job_VillainEnter>(this));
        break;
    case kVillainAttacking:
        if (!RunCountdown(&countdownMs_)) return;
        if (shotsLeft_ > 0) {
            Shoot();
        } else {
            SetState(kVillainLeaving, true);
        }
        break;
    case kVillainLeaving:
        if (!RunCountdown(&countdownMs_)) return;
        AddJob(std::make_unique<Job_VillainLeave>(this));
        break;
    default:
        break;
    }
}

void MapVillain::Shoot() {
    if (shotsLeft_ <= 0) return;
    countdownMs_ = float(info_->record.shotInterval);
    const VillainOffset from = LaunchPoint();
    const int32_t target = Host().ChooseShotTarget(from.x, from.y);
    if (target < 0) {
        --shotsLeft_;
    } else {
        AddJob(std::make_unique<Job_VillainShot>(this, target));
        Host().TutorialNotify(TutorialEvent::Shot, 0, TutorialObject::Of<MapVillain>(this));
    }
    if (shotsLeft_ == 1) countdownMs_ = kLastShotCountdownMs;
}

void MapVillain::FireShot(int32_t target) {
    if (shotsLeft_ > 0) --shotsLeft_;
    const VillainOffset from = LaunchPoint();
    owner_->AddShot(float(from.x), float(from.y), target, info_, true);
    LogLabelPrintf(kLogIndent, "Villain", "fires a shot from (%d, %d) at point %d (%d left)", from.x, from.y,
                   target, shotsLeft_);
    Host().PlayEventSound(kSoundVillainShoots);
    Host().ResetVillainsInARow();
}

void MapVillain::ShowCross() {
    if (cross_ || !Map()) return;
    const std::u16string name = u"villain_cross_" + std::u16string(1, char16_t(u'1' + kis::Random(3)));
    SpriteLibrary* library = GetLibrary(kCrossLibrary);
    MapSprite* sprite = library ? library->FindMapSprite(name.c_str()) : nullptr;
    cross_ = CreateMapObject(Map(), sprite, kCrossKind, float(place_.installX), float(place_.installY),
                             kCrossFlags, -1, false);
    if (!cross_) return;
    cross_->AddToLevel(0);
    LogLabelPrintf(kLogIndent, "Villain", "a pulsing cross marks the spot (%d, %d)", place_.installX,
                   place_.installY);
    cross_->AttachEffect(new SEffect_Alpha(0.0f, 1.0f, 100, true, 0));
    cross_->AttachEffect(new SEffect_Scale(3.0f, 1.2f, 200, true, 0));
    cross_->AttachEffect(new SEffect_SinScale(1.2f, 1.0f, 1, 500, false, 200));
}

void MapVillain::HideCross() {
    if (!cross_) return;
    SpriteObject* cross = cross_;
    cross_ = nullptr;
    if (!Map()) return;
    LogLabelPrintf(kLogIndent, "Villain", "the cross at (%d, %d) goes", place_.installX, place_.installY);
    // The pulse ends with the fade; the map deletes the cross after it.
    MapObject::AddEffect(cross, 0, new SEffect_Alpha(1.0f, 0.0f, kBarFadeMs, true, 0));
}

void MapVillain::DriveOff() {
    const bool firedNone = shotsLeft_ == std::max(1, info_->record.shots);
    LogLabelPrintf(kLogIndent, "Villain", "driven off%s: it runs away and pays %d",
                   setUp_ && catapult_ ? ", its catapult breaks" : "", info_->record.driveOffMoney);
    SetState(kVillainRunningAway, true);
    Host().AddMoney(info_->record.driveOffMoney, int32_t(std::lround(x_)), int32_t(std::lround(y_)),
                    kDriveOffMoneyOffset);
    Host().AddAwardCount(kAwardVillainsDrivenOff, 1);
    if (firedNone) Host().RaiseVillainsInARow();
}

void MapVillain::AttackByBees() {
    bees_ = true;
    beesMs_ = 0;
    // The bees' three sprites, as the bonus table names them.
    const Bonuses& bonuses = GameBonuses();
    static_assert(Bonuses::kBeeCount == std::extent_v<decltype(bees_sprites_)>);
    for (int i = 0; i < Bonuses::kBeeCount; ++i) {
        const char16_t* name = bonuses.BeeSprite(i);
        Sprite* sprite = name && *name ? GetSprite(kEffectLibrary, name) : nullptr;
        SpriteLibrary* library = GetLibrary(kEffectLibrary);
        bees_sprites_[i] = library && sprite ? library->CreateInstance(sprite, 1) : nullptr;
        if (bees_sprites_[i]) bees_sprites_[i]->scaleX = bees_sprites_[i]->scaleY = 0.5f;
    }
    DriveOff();
}

void MapVillain::SetState(int32_t state, bool animated) {
    static const char* const kStates[] = {"arrives", "attacks: its catapult stands", "leaves", "runs away",
                                          "has gone"};
    if (animated && state != state_ && state >= 0 && state < kVillainStateCount)
        LogLabelPrintf(kLogIndent, "Villain", "%s", kStates[state]);
    state_ = state;
    if (state == kVillainRunningAway) {
        SetTrack(1, kRunawayTrackId, kRunawaySpeed - 1.0f);
        ReleasePlace();
        if (animated) {
            // The walk in goes with its job: it runs from where it stands.
            StopWalk();
            DeleteAllJobs();
            AddJob(std::make_unique<Job_VillainRunaway>(this));
        }
        if (setUp_ && catapult_) catapult_->SetState(kCatapultBroken, animated);
        catapultAnimation_ = animNameId_;
    } else if (state == kVillainAttacking) {
        SetObstacle(true);
    }
}

void MapVillain::SyncCatapult(bool animated) {
    if (!catapult_) return;
    const uint32_t nameId = animNameId_ ? animNameId_ : kis::NameId(animName_);
    if (nameId == catapultAnimation_) return;
    catapultAnimation_ = nameId;
    // A villain the tutorial holds still stands at its catapult as an attacking one does.
    const bool standing = state_ < kVillainGone || state_ == kVillainTutorialHold;
    if (!setUp_ || !standing) {
        catapult_->SetState(kCatapultHidden, animated);
        return;
    }
    const int32_t wanted = CatapultStateForAnimation(animName_, state_ == kVillainRunningAway);
    if (wanted >= 0) catapult_->SetState(wanted, animated);
}

void MapVillain::Animate(Job* job, const char16_t* name, int32_t duration) {
    const std::u16string mapped = VillainAnimationName(name, animKind_);
    job->StartAnimation(duration, mapped.c_str(), DirectionVariant(), 0);
    SyncCatapult(true);
}

void MapVillain::Update(uint32_t ms) {
    if (state_ == kVillainGone) return;
    idleRan_ = false;
    MapCharacter::Update(ms);
    if (arrivalSoundPending_) {
        arrivalSoundPending_ = false;
        Host().PlaySound(info_->sound);
    }
    if (cross_ && std::max(std::fabs(x_ - float(place_.installX)), std::fabs(y_ - float(place_.installY))) <=
                      kCrossReach)
        HideCross();
    SyncCatapult(true);
    if (catapult_) catapult_->Update(ms);
    flashMs_ = flashMs_ > ms ? flashMs_ - ms : 0;
    if (bees_) beesMs_ += ms;
}

void MapVillain::FillSaveRecord(uint8_t* block) const {
    const VillainRecord saved{placeIndex_, state_,     countdownMs_,     shotsLeft_,
                              health_,     direction_, setUp_ ? 1u : 0u, catapult_ ? catapult_->State() : 0};
    kVillainLayout.Store(saved, block);
}

bool MapVillain::ApplyLoadedState(const uint8_t* block) {
    VillainRecord saved;
    kVillainLayout.Load(block, &saved);
    const int32_t place = saved.place;
    const int32_t state = saved.state;
    const float countdown = saved.countdownMs;
    const int32_t shots = saved.shotsLeft;
    const int32_t health = saved.health;
    const uint32_t direction = saved.direction;
    const uint32_t setUp = saved.setUp;
    const int32_t catapult = saved.catapult;
    // Every field indexes a table or bounds a count: out of range is refused.
    if (place != placeIndex_ && place != -1) return false;
    // A villain held by a tutorial keeps its hold state through a save.
    const bool knownState = (state >= 0 && state < kVillainGone) || state == kVillainTutorialHold;
    // A villain faces the way its place gives it (its shots start there).
    if (!knownState || direction != place_.direction % kVillainDirections || setUp > 1) return false;
    if (catapult < 0 || catapult >= kCatapultStateCount) return false;
    // The countdown starts at the kind's first-shot wait, its shot interval or the last shot's short wait.
    const float longest = std::max(
        {float(info_->record.firstShotWait), float(info_->record.shotInterval), kLastShotCountdownMs});
    if (!std::isfinite(countdown) || countdown < 0.0f || countdown > longest) return false;
    if (shots < 0 || shots > std::max(1, info_->record.shots)) return false;
    if (health < 0 || health > std::max(0, info_->record.health)) return false;
    placeIndex_ = place;
    state_ = state;
    countdownMs_ = countdown;
    shotsLeft_ = shots;
    health_ = health;
    direction_ = direction;
    setUp_ = setUp != 0;
    loadedCatapult_ = catapult;
    return true;
}

void MapVillain::FinishLoad() {
    SetState(state_, false);
    // The cross over its spot is no saved object: a villain still walking in marks it again.
    if (state_ == kVillainArriving && !setUp_) ShowCross();
    if (state_ == kVillainAttacking || state_ == kVillainTutorialHold ||
        (setUp_ && state_ == kVillainLeaving && placeIndex_ >= 0))
        SetObstacle(true);
    if (catapult_) catapult_->SetState(loadedCatapult_, false);
    catapultAnimation_ = animNameId_ ? animNameId_ : kis::NameId(animName_);
    if (healthBar_) healthBar_->SetValue(health_);
}

std::unique_ptr<Job> MapVillain::CreateJobFromRecord(uint32_t jobId, const uint8_t* record, size_t size) {
    std::unique_ptr<VillainJob> job;
    switch (jobId) {
    case JOBID_VILLAINENTER:
        job = std::make_unique<Job_VillainEnter>(this);
        break;
    case JOBID_VILLAINLEAVE:
        job = std::make_unique<Job_VillainLeave>(this);
        break;
    case JOBID_VILLAINRUN:
        job = std::make_unique<Job_VillainRunaway>(this);
        break;
    case JOBID_VILLAINSHOT: {
        if (size != Job_VillainShot::kRecordSize) return nullptr;
        AtPointRecord saved;
        kAtPointLayout.Load(record, &saved);
        const int32_t target = saved.point;
        // The shot reads its target's position: the index must name a point.
        if (target < 0 || target >= Host().PointCount()) return nullptr;
        job = std::make_unique<Job_VillainShot>(this, target);
        break;
    }
    default:
        return MapCharacter::CreateJobFromRecord(jobId, record, size);
    }
    if (!job->Restore(record, size)) return nullptr;
    return job;
}

// ---------------------------------------------------------------- jobs

VillainJob::VillainJob(MapVillain* villain, uint32_t jobId) : Job(villain, jobId), villain_(villain) {
    step_ = 1;
}

void VillainJob::Update(uint32_t ms) {
    // A skipped step gives way to the next at once; a bounded loop.
    for (uint32_t guard = 0; guard <= LastStep() + 1; ++guard) {
        switch (state_) {
        case JobState::New: {
            const uint32_t time = villain_->AnimationTime();
            const Begin begun = step_ >= 1 && step_ <= LastStep() ? BeginStep(step_) : Begin::Finished;
            if (resumed_ && begun == Begin::Started && state_ == JobState::Walking)
                villain_->ResumeAnimationAt(time);
            resumed_ = false;
            switch (begun) {
            case Begin::Started:
                return;
            case Begin::Skip:
                ++step_;
                continue;
            case Begin::Finished:
                Finish();
                OnDone();
                return;
            }
            return;
        }
        case JobState::Walking:
            if (!UpdateWalk(1.0f)) return;
            break;
        case JobState::Animating:
            AddElapsed(ms);
            if (!UpdateAnimation()) return;
            break;
        default:
            return;
        }
        EndStep(step_);
        if (IsFinished()) return;
        ++step_;
        state_ = JobState::New;
        progress_ = {};
        return;
    }
}

bool VillainJob::Save(JobSaveContext& context, SaveWriter& writer) {
    if (IsFinished()) return true;
    uint8_t* record = BeginSaveRecord(context, writer, RecordSize());
    if (!record) return false;
    SaveProgress(record, state_ == JobState::Animating && SavesProgress(step_));
    SaveOwn(record);
    return true;
}

bool VillainJob::Restore(const uint8_t* record, size_t size) {
    if (size != RecordSize() || HeadOf(record).jobId != JobId()) return false;
    LoadHead(record);
    if (step_ < 1 || step_ > LastStep() || LoadedReservation() != 0) return false;
    if (!LoadProgress(record)) return false;
    if (progress_.running) {
        if (!SavesProgress(step_)) return false;
        // The character's block brings the animation back where it was.
        state_ = JobState::Animating;
    }
    resumed_ = true;
    return true;
}

Job_VillainShot::Job_VillainShot(MapVillain* villain, int32_t target)
    : VillainJob(villain, JOBID_VILLAINSHOT) {
    targetPoint_ = target;
}

VillainJob::Begin Job_VillainEnter::BeginStep(uint32_t step) {
    const VillainPlace& place = villain_->Place();
    switch (step) {
    case 1:
        BeginWalk(float(place.installX), float(place.installY), 1, 1.0f);
        return Begin::Started;
    case 2:
    case 3:
        villain_->MarkSetUp();
        villain_->Animate(this, step == 2 ? u"villain_install_begin" : u"villain_install_end", -2);
        return Begin::Started;
    default:
        return Begin::Finished;
    }
}

void Job_VillainEnter::OnDone() {
    villain_->SetState(kVillainAttacking, true);
}

VillainJob::Begin Job_VillainLeave::BeginStep(uint32_t step) {
    switch (step) {
    case 1:
        villain_->Animate(this, u"villain_remove", -2);
        return Begin::Started;
    case 2:
        villain_->ReleasePlace();
        BeginWalk(float(villain_->Place().startX), float(villain_->Place().startY), 1, 1.0f);
        return Begin::Started;
    default:
        return Begin::Finished;
    }
}

void Job_VillainLeave::OnDone() {
    villain_->SetState(kVillainGone, true);
}

VillainJob::Begin Job_VillainRunaway::BeginStep(uint32_t step) {
    switch (step) {
    case 1:
        if (!villain_->IsSetUp()) return Begin::Skip;
        {
            // A copy: playing a name rewrites the character's own name buffer.
            const std::u16string current = villain_->GetAnimationName();
            StartAnimation(150, current.c_str(), villain_->DirectionVariant(), 0);
        }
        return Begin::Started;
    case 2:
        if (villain_->IsBeesAttack()) {
            villain_->Animate(this, u"villain_bees", int32_t(kis::Random(600)) + 800);
        } else {
            villain_->Animate(this, u"villain_angry", 800);
        }
        return Begin::Started;
    case 3: {
        const std::u16string walk = VillainAnimationName(u"villain_runaway", villain_->AnimationKind());
        const float speed = villain_->Description() ? villain_->Description()->walkSpeed : 1.0f;
        BeginWalkTo(true, float(villain_->Place().startX), float(villain_->Place().startY), speed,
                    walk.c_str());
        return Begin::Started;
    }
    default:
        return Begin::Finished;
    }
}

void Job_VillainRunaway::OnDone() {
    villain_->SetState(kVillainGone, true);
}

VillainJob::Begin Job_VillainShot::BeginStep(uint32_t step) {
    switch (step) {
    case 1:
        villain_->Animate(this, u"villain_shoot_begin", -2);
        return Begin::Started;
    case 2:
        villain_->Animate(this, u"villain_shoot_end", -2);
        return Begin::Started;
    default:
        return Begin::Finished;
    }
}

void Job_VillainShot::EndStep(uint32_t step) {
    if (step == 1) villain_->FireShot(targetPoint_);
}

void Job_VillainShot::SaveOwn(uint8_t* record) const {
    kAtPointLayout.Store({targetPoint_}, record);
}
