#include "level/LevelPoint.h"

#include "engine/Log.h"
#include "foundation/Ident.h"
#include "level/GameLevel.h"
#include "level/MapCharacter.h"
#include "level/PointJobs.h"
#include "level/Records.h"
#include "level/SpriteObject.h"
#include "sprites/Sprite.h"
#include "sprites/SpriteEffect.h"

#include <algorithm>

namespace {
constexpr uint32_t kBaseFlagLocked = 0x1;

// Every point's base block; its last word is reserved.
struct BaseRecord {
    uint32_t flags;      // kBaseFlagLocked
    int32_t countdownMs; // -1 none
    uint32_t pendingDelayMs;
    uint32_t clickAction;
};
constexpr auto kBaseLayout =
    kis::Layout(24, kis::Field<&BaseRecord::flags>(4), kis::Field<&BaseRecord::countdownMs>(8),
                kis::Field<&BaseRecord::pendingDelayMs>(12), kis::Field<&BaseRecord::clickAction>(16));

// Every point's damage block; its last word is reserved.
struct DamageRecord {
    int32_t damage; // 0 none
};
constexpr auto kDamageLayout = kis::Layout(12, kis::Field<&DamageRecord::damage>(4));
constexpr int32_t kPuddleLibrary = 7;
// Above the field picture, under the points' pictures and the figures.
constexpr int32_t kPuddleLayer = 3;
constexpr uint32_t kPuddleFadeMs = 300;
// Each further hit makes the puddle this much larger, up to the largest.
constexpr float kPuddleGrowth = 0.15f;
constexpr float kPuddleLargest = 1.6f;
} // namespace

void BaseLevelPoint::Setup(const PointRecord& record) {
    stage_ = record.stage;
    objectId_ = record.objectId;
    value_ = record.value;
    water_ = record.water;
    waterMax_ = record.waterMax;
    x_ = record.x;
    y_ = record.y;
    SetMirrored((record.flags & 1) != 0);
}

BaseLevelPoint::~BaseLevelPoint() {
    HidePuddle(false);
    if (repairButton_ && level_) level_->Panel().HideRepairButton(repairButton_, false);
}

void BaseLevelPoint::ShowPuddle(bool animated) {
    if (!level_ || !damage_) return;
    if (!puddle_) {
        SpriteLibrary* library = GetLibrary(kPuddleLibrary);
        MapSprite* sprite = library ? library->FindMapSprite(u"puddle") : nullptr;
        puddle_ = CreateMapObject(&level_->Map(), sprite, kPuddleObjectKind, float(x_), float(y_), 0,
                                  static_cast<int32_t>(index_), mirrored_);
        if (!puddle_) return;
        // Drawn wider than the point's own picture, the puddle is part of
        // it: a click on it picks the point.
        puddle_->SetPointPicture(true);
        puddle_->AddToLevel(kPuddleLayer);
        if (animated) puddle_->AttachEffect(new SEffect_Scale(0.2f, 1.0f, kPuddleFadeMs, true, 0));
    }
    const float size = 1.0f + kPuddleGrowth * float(damage_->Strength() - 1);
    puddle_->SetSizeFactor(std::min(size, kPuddleLargest));
}

void BaseLevelPoint::HidePuddle(bool animated) {
    SpriteObject* puddle = puddle_;
    puddle_ = nullptr;
    if (!puddle || !level_) return;
    if (animated)
        MapObject::AddEffect(puddle, 0, new SEffect_Alpha(1.0f, 0.0f, kPuddleFadeMs, true, 0));
    else
        level_->Map().Delete(puddle);
}

void BaseLevelPoint::Attach(GameLevel* level) {
    level_ = level;
    OnAttach();
}

uint32_t BaseLevelPoint::Remove(bool, bool, uint32_t delay) {
    return delay;
}

void BaseLevelPoint::OnClick() {
    if (level_) level_->SelectPoint(static_cast<int32_t>(index_), true);
}

void BaseLevelPoint::AttachObject(MapObject* object) {
    if (!object || std::find(attached_.begin(), attached_.end(), object) != attached_.end()) return;
    attached_.push_back(object);
}

void BaseLevelPoint::DetachObject(MapObject* object) {
    attached_.erase(std::remove(attached_.begin(), attached_.end(), object), attached_.end());
}

int32_t BaseLevelPoint::Update(uint32_t ms) {
    const int32_t step = static_cast<int32_t>(std::min<uint32_t>(ms, INT32_MAX));
    if (countdownMs_ <= 0) return step;
    const int32_t used = std::min(countdownMs_, step);
    countdownMs_ -= used;
    return step - used;
}

void BaseLevelPoint::GetInfo(PointRecord* record) const {
    *record = {};
    record->kind = kind_;
    record->stage = stage_;
    record->objectId = objectId_;
    record->value = value_;
    record->water = water_;
    record->waterMax = waterMax_;
    record->x = x_;
    record->y = y_;
    record->flags = mirrored_ ? 1u : 0u;
}

void BaseLevelPoint::SaveSecondPass(SaveWriter& out) const {
    out.PutU32(4);
}

bool BaseLevelPoint::LoadSecondPass(SaveReader& in) {
    SaveReader block = in.ReadBlock(4, 4);
    return !block.Failed();
}

void BaseLevelPoint::SaveBase(SaveWriter& out) const {
    PutBlock(out, kBaseLayout, {locked_ ? kBaseFlagLocked : 0, countdownMs_, pendingDelayMs_, clickAction_});
}

bool BaseLevelPoint::LoadBase(SaveReader& in) {
    BaseRecord record{};
    const bool read = GetBlock(in, kBaseLayout, &record);
    const uint32_t flags = record.flags;
    const int32_t countdown = record.countdownMs;
    const uint32_t pending = record.pendingDelayMs;
    const uint32_t action = record.clickAction;
    // Play never locks a point (nothing would unlock it): the flags are 0. The
    // countdown only ever starts at its initial value; the pending delay is
    // at most what the point's own changes give it; a click orders nothing,
    // or a bed's watering or harvest.
    if (!read || flags != 0 || countdown < -1 || countdown > kPointInitialCountdownMs ||
        pending > LongestPendingDelayMs() ||
        (action != 0 && action != JOBID_WATER && action != JOBID_HARVEST)) {
        in.Fail();
        return false;
    }
    countdownMs_ = countdown;
    pendingDelayMs_ = pending;
    clickAction_ = action;
    return true;
}

void BaseLevelPoint::SaveDamage(SaveWriter& out) const {
    PutBlock(out, kDamageLayout, {Damage()});
}

bool BaseLevelPoint::LoadDamage(SaveReader& in) {
    DamageRecord record{};
    const bool read = GetBlock(in, kDamageLayout, &record);
    const int32_t damage = record.damage;
    if (!read || damage < 0 || damage > PointDamage::kStrongest) {
        in.Fail();
        return false;
    }
    damage_ = damage > 0 ? std::make_unique<PointDamage>(damage) : nullptr;
    if (damage_) {
        ShowPuddle(false);
        // The point's own record came back as it was before the hit: it
        // stops its work again as the hit made it stop.
        OnDamaged(false);
    } else {
        HidePuddle(false);
    }
    // The farmer's jobs are loaded after the points: the level shows the
    // repair button once it knows whether a repair job was saved.
    return true;
}

void BaseLevelPoint::AddDamage(int32_t strength, bool animated) {
    // Only a live point takes a hit.
    if (strength <= 0 || beingRemoved_ || !AcceptsWork()) return;
    if (damage_)
        damage_->Strengthen(strength);
    else
        damage_ = std::make_unique<PointDamage>(strength);
    ShowPuddle(animated);
    OnDamaged(animated);
    RefreshRepairButton(animated);
}

bool BaseLevelPoint::Repair(bool animated) {
    if (!damage_) return false;
    LogLabelPrintf(kLogIndent, "Point repaired", "point %u: its puddle goes", index_);
    damage_.reset();
    HidePuddle(animated);
    RefreshRepairButton(animated);
    OnRepaired(animated);
    return true;
}

bool BaseLevelPoint::IsRepairOrdered() const {
    MapPlayer* player = level_ ? level_->World().Player() : nullptr;
    for (int32_t i = 0; player && i < player->JobCount(); ++i) {
        const Job* job = player->GetJob(i);
        if (job->JobId() == JOBID_REPAIR && job->TargetPoint() == static_cast<int32_t>(index_) &&
            !job->IsFinished())
            return true;
    }
    return false;
}

bool BaseLevelPoint::RequestRepair() {
    MapPlayer* player = level_ ? level_->World().Player() : nullptr;
    if (!player || !damage_ || beingRemoved_ || IsRepairOrdered()) return false;
    level_->StartClock();
    Job* job = player->AddJob(std::make_unique<Job_Repair>(player, static_cast<int32_t>(index_)));
    if (!job) return false;
    job->Notify();
    RefreshRepairButton(true);
    return true;
}

void BaseLevelPoint::RefreshRepairButton(bool animated) {
    if (!level_) return;
    const bool wanted = damage_ && !beingRemoved_ && !IsRepairOrdered();
    if (wanted && !repairButton_) {
        repairButton_ = level_->Panel().ShowRepairButton(static_cast<int32_t>(index_), animated);
    } else if (!wanted && repairButton_) {
        const uint32_t button = repairButton_;
        repairButton_ = 0;
        level_->Panel().HideRepairButton(button, animated);
    }
}

// ---------------------------------------------------------------- LevelPoint

void LevelPoint::Setup(const PointRecord& record) {
    BaseLevelPoint::Setup(record);
    stage_ = std::clamp(record.stage, 0, std::max(LevelPoint::StageLimit(), 0));
}

uint32_t LevelPoint::Remove(bool animated, bool forGood, uint32_t delay) {
    if (level_ && forGood) level_->StopJobsAt(static_cast<int32_t>(index_));
    HideProgress();
    HideStageStars();
    return BaseLevelPoint::Remove(animated, forGood, delay);
}

bool LevelPoint::SetStage(int32_t stage, bool, uint32_t) {
    if (stage < 0) return false;
    stage_ = std::min(stage, std::max(StageLimit(), 0));
    return true;
}

int32_t LevelPoint::StageLimit() const {
    return level_ ? level_->HighestStage(kind_, objectId_) : stage_;
}

bool LevelPoint::RequestPulldown() {
    MapPlayer* player = level_ ? level_->World().Player() : nullptr;
    if (!player || beingRemoved_ || index_ == 0) return false;
    for (int32_t i = 0; i < player->JobCount(); ++i)
        if (player->GetJob(i)->TargetPoint() == static_cast<int32_t>(index_) &&
            !player->GetJob(i)->IsFinished())
            return false;
    Job* job = player->AddJob(std::make_unique<Job_Pulldown>(player, static_cast<int32_t>(index_)));
    if (job) job->Notify();
    return job != nullptr;
}

bool LevelPoint::NextStage() {
    if (stage_ >= StageLimit()) return false;
    SetStage(stage_ + 1, true, 0);
    if (kind_ == kPointWarehouse && level_) level_->World().SetWarehouseLevel(static_cast<uint32_t>(stage_));
    if (level_) level_->UpdateGoals(kind_ == kPointPlant ? kGoalPlant : kGoalBuilding);
    return true;
}

int32_t LevelPoint::Update(uint32_t ms) {
    starsDelayMs_ = starsDelayMs_ > ms ? starsDelayMs_ - ms : 0;
    return BaseLevelPoint::Update(ms);
}

void LevelPoint::SetProgress(int32_t percent) {
    progress_ = std::clamp(percent, 0, 100);
}

void LevelPoint::ShowStageStars(int32_t highestStage, bool animated, uint32_t delay) {
    stars_ = std::max(highestStage, 0);
    starsDelayMs_ = delay;
    starsAnimated_ = animated;
}

// ---------------------------------------------------------------- EmptyLevelPoint

EmptyLevelPoint::~EmptyLevelPoint() {
    DeleteGarbageObject();
    DeletePlotObject();
}

void EmptyLevelPoint::DeleteGarbageObject() {
    if (garbageObject_ && level_) level_->Map().Delete(garbageObject_);
    garbageObject_ = nullptr;
}

void EmptyLevelPoint::DeletePlotObject() {
    if (plotObject_ && level_) level_->Map().Delete(plotObject_);
    plotObject_ = nullptr;
}

void EmptyLevelPoint::ShowPlot() {
    if (plotObject_ || !level_ || HasGarbage()) return;
    SpriteLibrary* library = GetLibrary(kGarbageLibrary);
    MapSprite* plot = library ? library->FindMapSprite(u"site_plot") : nullptr;
    if (!plot) return;
    plotObject_ = CreateMapObject(&level_->Map(), plot, kPlotObjectKind, float(x_), float(y_), 0,
                                  static_cast<int32_t>(index_), false);
    if (!plotObject_) return;
    plotObject_->SetPointPicture(true);
    plotObject_->AddToLevel(kPlotLayer);
}

void EmptyLevelPoint::Setup(const PointRecord& record) {
    BaseLevelPoint::Setup(record);
    stage_ = 0;
    DeleteGarbageObject();
    if (level_ && HasGarbage()) {
        // The garbage is named by its sprite's name id.
        SpriteLibrary* library = GetLibrary(kGarbageLibrary);
        for (int32_t i = 0; library && i < library->GetSpriteCount(); ++i) {
            MapSprite* sprite = library->GetSpriteAt(i);
            if (!sprite || kis::NameId(sprite->GetName()) != objectId_) continue;
            garbageObject_ = CreateMapObject(&level_->Map(), sprite, kGarbageObjectKind, float(x_), float(y_),
                                             0, static_cast<int32_t>(index_), mirrored_);
            if (!garbageObject_) break;
            garbageObject_->SetPointPicture(true);
            garbageObject_->AddToLevel(kGarbageLayer);
            break;
        }
    }
    DeletePlotObject();
    ShowPlot();
    if (level_)
        level_->TutorialNotify(TutorialEvent::PointChanged, kind_, TutorialObject::Of<BaseLevelPoint>(this));
}

void EmptyLevelPoint::GetInfo(PointRecord* record) const {
    BaseLevelPoint::GetInfo(record);
    record->stage = 0;
}

void EmptyLevelPoint::OnClick() {
    BaseLevelPoint::OnClick();
    if (!level_) return;
    if (!HasGarbage()) {
        level_->Panel().OpenBuildMenu(static_cast<int32_t>(index_));
        return;
    }
    // The level panel may offer the clearing as a button; without one the
    // click orders it.
    if (!level_->Panel().OfferPointOrder(static_cast<int32_t>(index_), JOBID_CLEAR) &&
        level_->TutorialAllows(TutorialAction::StartJob, JOBID_CLEAR,
                               TutorialObject::Of<BaseLevelPoint>(this)))
        RequestClear();
}

bool EmptyLevelPoint::RequestClear() {
    MapPlayer* player = level_ ? level_->World().Player() : nullptr;
    if (!player || !HasGarbage() || beingRemoved_) return false;
    for (int32_t i = 0; i < player->JobCount(); ++i) {
        const Job* job = player->GetJob(i);
        if (!job->IsFinished() && job->TargetPoint() == static_cast<int32_t>(index_)) return false;
    }
    const int32_t price = std::max(GarbagePrice(), 0);
    if (price > level_->Money().Get()) return false;
    level_->StartClock();
    Job* job = player->AddJob(std::make_unique<Job_Clear>(player, static_cast<int32_t>(index_)));
    if (!job) return false;
    if (!job->ReserveMoney(price)) {
        job->Stop();
        return false;
    }
    job->Notify();
    return true;
}

void EmptyLevelPoint::ClearGarbage() {
    if (!HasGarbage()) return;
    objectId_ = 0;
    value_ = 0;
    DeleteGarbageObject();
    ShowPlot();
    if (!level_) return;
    level_->AddAwardCount(kAwardSitesCleared, 1);
    level_->UpdateGoals(kGoalGarbageSites);
}

uint32_t BaseLevelPoint::RequestRemove(bool animated, bool forGood, uint32_t delay) {
    if (beingRemoved_) return delay;
    if (forGood) beingRemoved_ = true;
    return Remove(animated, forGood, delay);
}
