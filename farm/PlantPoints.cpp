#include "farm/PlantPoints.h"

#include "farm/BuildingSites.h"
#include "farm/PlantPanel.h"
#include "farm/Products.h"
#include "foundation/Helpers.h"
#include "level/GameLevel.h"
#include "level/GameMessager.h"
#include "level/LevelServices.h"
#include "level/MapCharacter.h"
#include "level/Records.h"
#include "level/SaveStream.h"
#include "sprites/SpriteEffect.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr uint32_t kOwnFlagPlanting = 0x1;

// A bed's own block; its last word is reserved and must be zero.
struct BedRecord {
    uint32_t delay; // ms before it grows, <= kMaxGrowthDelayMs
    uint32_t flags; // kOwnFlagPlanting
    uint32_t reserved;
};
constexpr auto kBedLayout =
    kis::Layout(16, kis::Field<&BedRecord::delay>(4), kis::Field<&BedRecord::flags>(8),
                kis::Field<&BedRecord::reserved>(12));
// Growth waits at most this long after a stage change or a harvest; a saved
// delay beyond it is damage.
constexpr uint32_t kMaxGrowthDelayMs = 60000;
// A shown button when there is no screen-sprite host to hold it.
constexpr uint32_t kButtonWithoutHost = UINT32_MAX;
// A plant's buttons are deleted once hidden; the next one shown is new.
constexpr bool kDeleteHiddenButton = true;

constexpr uint32_t kBedFadeMs = 200;
constexpr uint32_t kBuildMs = 200;
constexpr uint32_t kPlantFadeMs = 150;
constexpr uint32_t kSiteFadeMs = 100;
constexpr uint32_t kSiteRemoveMs = 200;
constexpr uint32_t kVanishMs = 150;

const PlantStageEntry& StageEntry(const FarmHost* host, int32_t stage) {
    const int32_t k = std::clamp(stage - 1, 0, kPlantStages - 1);
    return const_cast<FarmHost*>(host)->Plants().Settings().stages[k];
}

Sprite* FindIcon(FarmHost* host, const char16_t* name) {
    FarmResources* resources = host ? host->Resources() : nullptr;
    return resources ? resources->FindSprite(kIconLibrary, name) : nullptr;
}

int32_t FrameCount(FarmHost* host, Sprite* sprite) {
    FarmResources* resources = host->Resources();
    return sprite && resources ? resources->GetFrameCount(sprite) : 0;
}

// A sprite object of the point on the map; null without a map or a sprite.
SpriteObject* MakeObject(FarmHost* host, Sprite* sprite, uint32_t kind, float x, float y, int32_t layer,
                         int32_t point, bool mirrored) {
    LevelMap* map = host->Map();
    MapSprite* mapSprite = map && sprite ? host->AsMapSprite(sprite) : nullptr;
    if (!mapSprite) return nullptr;
    SpriteObject* object = CreateMapObject(map, mapSprite, kind, x, y, 0, point, mirrored);
    if (!object) return nullptr;
    object->SetPointPicture(true);
    object->AddToLevel(layer);
    return object;
}

// The new frame fades in from 0.2 while a copy of the old one, laid over
// it, fades out after 120 ms and goes.
void FadeOverOldFrame(SpriteObject* object) {
    LevelMap* map = object->Map();
    if (!map || !object->IsOnLevel()) return;
    object->AttachEffect(new SEffect_Alpha(0.2f, 1.0f, 150, true, 0));
    SpriteObject* copy = CreateMapObject(map, object->Sprite(), object->Kind(), object->X(), object->Y(), 0,
                                         object->GetPointIndex(), object->IsMirrored());
    if (!copy) return;
    copy->SetFrame(object->Frame());
    copy->SetScale(object->SizeFactor());
    copy->SetPointPicture(true);
    copy->AddToLevel(object->Layer());
    MapObject::AddEffect(copy, 0, new SEffect_Alpha(1.0f, 0.0f, 100, true, 120));
}

// Sends an object of the map away: its vanish and the effect run, then the
// map deletes it. The delay at which it is gone.
uint32_t SendAway(SpriteObject*& object, uint32_t delay, SpriteEffect* effect) {
    std::unique_ptr<SpriteEffect> owned(effect);
    if (!object) return delay;
    const uint32_t end = MapObject::AddEffect(object, delay, owned.release());
    object = nullptr;
    return end;
}

void DeleteObject(FarmHost* host, SpriteObject*& object) {
    if (object && host->Map()) host->Map()->Delete(object);
    object = nullptr;
}

} // namespace

int32_t PlantStagePrice(const PLANT& plant, int32_t stage) {
    return stage >= 0 && stage < kPlantStages ? plant.record.stagePrices[stage] : 0;
}

// ---------------------------------------------------------------- MapPlant

MapPlant::MapPlant(LevelMap* map, MapSprite* sprite, PlantSpriteEffect effect, int32_t point, int32_t index)
    : SpriteObject(map, sprite, kKindMapPlant, point), effect_(effect), index_(index) {
    frame_ = -1;
    SetPointPicture(true);
}

void MapPlant::SetPlantFrame(int32_t frame, bool animated) {
    if (frame == frame_) return;
    if (frame_ >= 0 && animated) FadeOverOldFrame(this);
    frame_ = frame;
}

uint32_t MapPlant::StartAppear(bool animated, uint32_t delay) {
    StopEffects();
    if (!animated) return delay;
    switch (effect_) {
    case PlantSpriteEffect::GrowAndShrink:
        AttachEffect(new SEffect_Build(kBuildMs, delay));
        return delay + kBuildMs;
    case PlantSpriteEffect::Fade:
        AttachEffect(new SEffect_Alpha(0.0f, 1.0f, kPlantFadeMs, true, delay));
        return delay + kPlantFadeMs;
    default:
        return delay;
    }
}

uint32_t MapPlant::StartVanish(uint32_t delay) {
    switch (effect_) {
    case PlantSpriteEffect::GrowAndShrink:
        AttachEffect(new SEffect_Scale(1.0f, 0.0f, kVanishMs, true, delay));
        return delay + kVanishMs;
    case PlantSpriteEffect::Fade:
        AttachEffect(new SEffect_Alpha(1.0f, 0.0f, kVanishMs, true, delay));
        return delay + kVanishMs;
    default:
        return delay;
    }
}

// ---------------------------------------------------------------- BasePointPlant

BasePointPlant::BasePointPlant(FarmHost* host, uint32_t index, PLANT* plant)
    : LevelPoint(index, kPointPlant), host_(host), plant_(plant) {
    stage_ = -1;
    objectId_ = plant->record.id;
    const int32_t fewest = std::max(plant->record.fewestHarvests, 0);
    const int32_t most = std::max(plant->record.mostHarvests, 0);
    waterMax_ = uint32_t(kis::RandomBetween(std::min(fewest, most), std::max(fewest, most)));
    water_ = waterMax_;
}

BasePointPlant::~BasePointPlant() {
    // The jobs outlive the point in the farmer's queue: they let go of it
    // first, so that stopping them reaches nothing of it.
    StopJobs(true);
    HideHarvestButton(false, 0);
    HideWaterButton(false, 0);
    if (PlantPanel* panel = host_->SharedPlantPanel(); panel && panel->Point() == this)
        panel->SetPoint(nullptr);
}

void BasePointPlant::Setup(const PointRecord& record) {
    const uint32_t drawnWater = water_, drawnMax = waterMax_;
    x_ = record.x;
    y_ = record.y;
    SetMirrored((record.flags & 1) != 0);
    SetStage(record.stage, false, 0);
    if (stage_ >= 1) {
        SetGrowthPercent(record.Ripeness(), false);
        // A definition without a maximum keeps the water drawn at creation.
        if (record.waterMax != 0) {
            SetWater(record.water, record.waterMax, false);
        } else {
            SetWater(drawnWater, drawnMax, false);
        }
    }
}

uint32_t BasePointPlant::Remove(bool animated, bool forGood, uint32_t delay) {
    if (forGood) StopJobs(true);
    delay = LevelPoint::Remove(animated, forGood, delay);
    if (forGood && stage_ > 0) Level()->UpdateGoals(kPlantGoalKind);
    HideHarvestButton(animated, delay);
    HideWaterButton(animated, delay);
    return RemoveSprites(animated, forGood, delay);
}

void BasePointPlant::OnDamaged(bool animated) {
    // The repair shows them anew.
    HideHarvestButton(animated, 0);
    HideWaterButton(animated, 0);
    HideProgress();
    StopJobs(false);
    RefreshPanel();
}

void BasePointPlant::OnRepaired(bool animated) {
    ShowHarvestButton(animated);
    SetWater(water_, waterMax_, animated);
    if (!ripe_) SetProgress(ripeness_);
    StartNextStage();
    RefreshPanel();
}

int32_t BasePointPlant::Update(uint32_t ms) {
    // The countdown comes first, then the bed's own delay: growth gets what
    // both leave of the step.
    uint32_t left = uint32_t(std::max(LevelPoint::Update(ms), 0));
    if (delay_ > 0) {
        if (delay_ > left) {
            delay_ -= left;
            return 0;
        }
        left -= delay_;
        delay_ = 0;
    }
    if (stage_ < 1 || ripe_ || planting_ || damage_ > 0 || locked_) return int32_t(left);
    Grow(left);
    return int32_t(left);
}

void BasePointPlant::Grow(uint32_t ms) {
    if (water_ == 0) return;
    if (!host_->TutorialAllows(TutorialAction::PlantGrows, plant_->record.id,
                               TutorialObject::Of<BaseLevelPoint>(this)))
        return;
    const float g = float(ms) * Level()->GetSpeedFactor(1);
    if (!(g > 0.0f)) return;
    growth_ += g;
    const float percent = growthNeeded_ > 0.0f ? growth_ / growthNeeded_ * 100.0f : 100.0f;
    SetRipeness(percent, /*force=*/false, /*notify=*/true);
    if (ripe_)
        host_->TutorialNotify(TutorialEvent::PlantRipe, plant_->record.id,
                              TutorialObject::Of<BaseLevelPoint>(this));
}

bool BasePointPlant::SetRipeness(float percent, bool force, bool notify) {
    if (!std::isfinite(percent)) percent = 0.0f;
    percent = std::clamp(percent, 0.0f, 100.0f);
    if (!force && percent == ripeness_) return false;
    ripeness_ = percent;
    ripe_ = ripeness_ == 100.0f;
    RefreshGrowth(notify);
    return true;
}

void BasePointPlant::SetGrowthPercent(float percent, bool notify) {
    if (!std::isfinite(percent)) percent = 0.0f;
    percent = std::clamp(percent, 0.0f, 100.0f);
    growth_ = percent * growthNeeded_ / 100.0f;
    SetRipeness(percent, true, notify);
}

void BasePointPlant::RefreshGrowth(bool animated) {
    if (ripe_) {
        ShowHarvestButton(animated);
    } else {
        SetProgress(ripeness_);
    }
}

void BasePointPlant::SetProgress(float percent) {
    LevelPoint::SetProgress(int32_t(std::lround(percent)));
}

void BasePointPlant::GetStarsPosition(float* x, float* y) const {
    int32_t dx = 0, dy = 0;
    GetStarsOffset(&dx, &dy);
    *x = float(x_ + dx);
    *y = float(y_ + dy);
}

void BasePointPlant::GetProgressPosition(float* x, float* y) const {
    // A round button stands this far above its anchor.
    constexpr int32_t kButtonLift = 32;
    int32_t dx = 0, dy = 0;
    GetButtonOffset(&dx, &dy);
    *x = float(x_ + dx);
    *y = float(y_ + dy - kButtonLift);
}

void BasePointPlant::WorkSpot(float* x, float* y) const {
    int32_t dx = 0, dy = 0;
    GetWorkOffset(&dx, &dy);
    *x = float(x_ + dx);
    *y = float(y_ + dy);
}

void BasePointPlant::GetWorkOffset(float* dx, float* dy) const {
    int32_t x = 0, y = 0;
    GetWorkOffset(&x, &y);
    *dx = float(x);
    *dy = float(y);
}

void BasePointPlant::SetWater(uint32_t count, uint32_t max, bool animated) {
    waterMax_ = max;
    water_ = std::min(count, max);
    if (water_ > 0) {
        if (Job_Water* job = waterJob) {
            job->Detach();
            job->Stop();
        }
        HideWaterButton(animated, 0);
    }
    // A damaged bed shows its water button only after the repair.
    if (beingRemoved_ || water_ != 0 || waterButton_ || waterJob || Damage() > 0) return;
    HideProgress();
    int32_t bx = 0, by = 0;
    GetButtonOffset(&bx, &by);
    OverheadButtons* buttons = host_->Buttons();
    auto onClick = [this]() -> uint32_t {
        Level()->ResetSelection(nullptr);
        OrderWatering();
        return OverheadButtons::kClickSound;
    };
    waterButton_ = buttons ? buttons->ShowArrowButton(kCommandWater, u"small_ico_water", float(x_ + bx),
                                                      float(y_ + by), onClick, animated, -1)
                           : kButtonWithoutHost;
    if (buttons) buttons->SetHintKey(waterButton_, WaterHintKey());
}

void BasePointPlant::ShowHarvestButton(bool animated) {
    if (beingRemoved_ || !ripe_ || harvestButton_ || harvestJob || damage_ > 0) return;
    HideProgress();
    int32_t bx = 0, by = 0;
    GetButtonOffset(&bx, &by);
    OverheadButtons* buttons = host_->Buttons();
    auto onClick = [this]() -> uint32_t {
        Level()->ResetSelection(nullptr);
        HideHarvestButton(true, 0);
        OrderHarvest();
        return OverheadButtons::kClickSound;
    };
    harvestButton_ = buttons ? buttons->ShowArrowButton(kCommandHarvest, u"small_ico_hand", float(x_ + bx),
                                                        float(y_ + by), onClick, animated, -1)
                             : kButtonWithoutHost;
}

void BasePointPlant::HideHarvestButton(bool animated, uint32_t delay) {
    const uint32_t handle = harvestButton_;
    harvestButton_ = 0;
    OverheadButtons* buttons = host_->Buttons();
    if (handle && handle != kButtonWithoutHost && buttons)
        buttons->HideButton(handle, animated, kDeleteHiddenButton, delay);
}

void BasePointPlant::HideWaterButton(bool animated, uint32_t delay) {
    const uint32_t handle = waterButton_;
    waterButton_ = 0;
    OverheadButtons* buttons = host_->Buttons();
    if (handle && handle != kButtonWithoutHost && buttons)
        buttons->HideButton(handle, animated, kDeleteHiddenButton, delay);
}

void BasePointPlant::OrderWatering() {
    HideWaterButton(true, 0);
    if (MapPlayer* player = host_->Player()) player->AddJob(std::make_unique<Job_Water>(player, this));
}

void BasePointPlant::OrderHarvest() {
    if (MapPlayer* player = host_->Player()) player->AddJob(std::make_unique<Job_Harvest>(player, this));
}

void BasePointPlant::OrderPlanting() {
    MapPlayer* player = host_->Player();
    // A bed at its highest stage has no raise to pay for.
    if (!player || stage_ < 0 || stage_ >= std::min(plant_->highestStage, kPlantStages)) return;
    auto job = std::make_unique<Job_Plant>(player, this);
    player->AddJob(std::move(job));
}

void BasePointPlant::OnClick() {
    // A click that would order the point's job asks the tutorial first;
    // refused, it only selects the bed.
    const bool order = (clickAction_ == JOBID_HARVEST || clickAction_ == JOBID_WATER) &&
                       host_->TutorialAllows(TutorialAction::StartJob, clickAction_,
                                             TutorialObject::Of<BaseLevelPoint>(this));
    switch (order ? clickAction_ : 0) {
    case JOBID_HARVEST:
        HideHarvestButton(true, 0);
        OrderHarvest();
        break;
    case JOBID_WATER:
        OrderWatering();
        break;
    default:
        Level()->SelectPoint(int32_t(index_), true);
        break;
    }
}

bool BasePointPlant::CollectProducts(GameMessager* messenger) {
    bool stored = false;
    if (ripe_) {
        int32_t bx = 0, by = 0;
        GetButtonOffset(&bx, &by);
        const uint32_t units = GetHarvestUnits();
        // A plant whose product the data lacks harvests nothing: it stays
        // ripe, as with a full warehouse.
        const PRODUCT* product = plant_->product;
        const uint32_t n = product && units ? host_->PutToWarehouse(product, units, messenger,
                                                                    kHarvestAwardCounter, x_ + bx, y_ + by, 0)
                                            : 0;
        if (n > 0) {
            stored = true;
            AfterHarvest();
            host_->TutorialNotify(TutorialEvent::Delivered, product->record.id,
                                  TutorialObject::Of<BaseLevelPoint>(this));
        }
    }
    if (Job_Harvest* job = harvestJob; job && (stored || job->AnimationBegun())) job->Stop();
    return stored;
}

void BasePointPlant::AfterHarvest() {
    if (water_ == 0) return;
    SetGrowthPercent(0.0f, true);
    if (!Level()->IsBonusRunning(BonusKind::Rain)) {
        view_.effectDelay += 300;
        SetWater(water_ - 1, waterMax_, true);
        view_.effectDelay -= 300;
    }
    StartNextStage();
    delay_ = kAfterHarvestDelayMs;
    HideHarvestButton(true, 0);
}

bool BasePointPlant::SetStage(int32_t stage, bool animated, uint32_t delay) {
    const int32_t highest = std::clamp(plant_->highestStage, 0, kPlantStages);
    const int32_t target = std::min(stage, highest);
    if (target == stage_) return stage_ > 0;
    if (target < stage_) return false;
    delay_ = delay;
    uint32_t d = delay;
    if (stage_ >= 0) d = RequestRemove(animated, false, delay);
    stage_ = target;
    if (stage_ == 0) OrderPlanting();
    growthNeeded_ = float(plant_->record.growthPerCrop);
    const uint32_t end = CreateSprites(animated, d);
    ShowStageStars(highest, animated, end);
    delay_ = end > delay ? end - delay : 0;
    if (stage_ > 0) {
        SetGrowthPercent(ripeness_, false);
        SetWater(water_, waterMax_, true);
        Level()->UpdateGoals(kPlantGoalKind);
    }
    StartNextStage();
    view_.effectDelay = 0;
    RefreshPanel();
    host_->TutorialNotify(TutorialEvent::PointChanged, kind_, TutorialObject::Of<BaseLevelPoint>(this));
    return true;
}

void BasePointPlant::RefreshPanel() {
    PlantPanel* panel = host_->SharedPlantPanel();
    if (panel && panel->Point() == this) {
        panel->RefreshUpgrade();
        panel->Refresh();
    }
}

void BasePointPlant::GetInfo(PointRecord* record) const {
    LevelPoint::GetInfo(record);
    record->kind = kPointPlant;
    record->objectId = plant_->record.id;
    if (stage_ >= 1) {
        record->value = std::bit_cast<uint32_t>(ripeness_);
        record->water = water_;
        record->waterMax = waterMax_;
    } else {
        record->value = record->water = record->waterMax = 0;
    }
}

void BasePointPlant::SaveOwn(SaveWriter& out) const {
    PutBlock(out, kBedLayout, {delay_, planting_ ? kOwnFlagPlanting : 0, 0});
}

bool BasePointPlant::LoadOwn(SaveReader& in) {
    BedRecord record{};
    const bool read = GetBlock(in, kBedLayout, &record);
    const uint32_t delay = record.delay;
    const uint32_t flags = record.flags;
    const uint32_t reserved = record.reserved;
    // The water a bed holds is drawn from the plant's harvest range (the record gave it already).
    const PlantRecord& plant = plant_->record;
    const uint32_t mostWater = uint32_t(std::max({plant.fewestHarvests, plant.mostHarvests, 0}));
    if (!read || delay > kMaxGrowthDelayMs || (flags & ~kOwnFlagPlanting) || reserved != 0 ||
        ((flags & kOwnFlagPlanting) && stage_ >= kPlantStages) || waterMax_ > mostWater) {
        in.Fail();
        return false;
    }
    delay_ = delay;
    planting_ = (flags & kOwnFlagPlanting) != 0;
    return true;
}

void BasePointPlant::StopJobs(bool detach) {
    PlantJob* jobs[] = {plantJob, waterJob, harvestJob};
    for (PlantJob* job : jobs) {
        if (!job) continue;
        if (detach) job->Detach();
        job->Stop();
    }
}

// ---------------------------------------------------------------- PointPlant

PointPlant::PointPlant(FarmHost* host, uint32_t index, PLANT* plant) : BasePointPlant(host, index, plant) {}

PointPlant::~PointPlant() {
    DeleteSprites();
}

const PlantStageEntry& PointPlant::Entry() const {
    return StageEntry(host_, stage_);
}

void PointPlant::GetWorkOffset(int32_t* x, int32_t* y) const {
    *x = mirrored_ ? -Entry().workSpot[0] : Entry().workSpot[0];
    *y = Entry().workSpot[1];
}

void PointPlant::GetButtonOffset(int32_t* x, int32_t* y) const {
    *x = mirrored_ ? -Entry().buttonOffset[0] : Entry().buttonOffset[0];
    *y = Entry().buttonOffset[1];
}

void PointPlant::GetStarsOffset(int32_t* x, int32_t* y) const {
    *x = mirrored_ ? -Entry().starsOffset[0] : Entry().starsOffset[0];
    *y = Entry().starsOffset[1];
}

void PointPlant::GetSecondOffset(int32_t* x, int32_t* y) const {
    *x = mirrored_ ? -Entry().secondPosition[0] : Entry().secondPosition[0];
    *y = Entry().secondPosition[1];
}

int32_t PointPlant::PlantFrame(float ripeness, int32_t frames) {
    if (frames < 3) return 0;
    return int32_t(std::floor(ripeness * float(frames - 2) / 100.0f));
}

uint32_t PointPlant::CreateSprites(bool animated, uint32_t delay) {
    const int32_t k = std::max(stage_ - 1, 0);
    GAMEBEDS* beds = host_->BedSet();
    bed_ = MakeObject(host_, beds ? beds->sprites[k] : nullptr, kKindBed, float(x_), float(y_),
                      stage_ == 0 ? 0 : 3, int32_t(index_), mirrored_);
    uint32_t d = delay;
    if (bed_) {
        // A bought bed waits half transparent for its planting.
        if (stage_ < 1) bed_->SetAlpha(0.5f);
        if (!animated && stage_ == 0) {
            bed_->AttachEffect(new SEffect_Alpha(0.0f, 1.0f, kBedFadeMs, true, delay));
        } else if (animated && stage_ > 0) {
            bed_->AttachEffect(new SEffect_Alpha(stage_ < 2 ? 0.5f : 0.0f, 1.0f, kBedFadeMs, true, delay));
        }
    }
    if (animated) d += kBedFadeMs;
    if (stage_ < 1) return d;

    const PlantStageEntry& entry = Entry();
    spriteCount_ = std::clamp(entry.spriteCount, 0, kMaxStageSprites);
    view_.effectDelay = d > delay_ ? d - delay_ : 0;
    uint32_t end = d;
    const PlantSpriteEffect effect = GetPlantSpriteEffect(*plant_);
    LevelMap* map = host_->Map();
    MapSprite* sprite = map && plant_->mapSprite ? host_->AsMapSprite(plant_->mapSprite) : nullptr;
    for (int32_t i = 0; i < spriteCount_; ++i) {
        if (sprite) {
            const int32_t ox = mirrored_ ? -entry.spriteOffsets[i][0] : entry.spriteOffsets[i][0];
            auto plant = std::make_unique<MapPlant>(map, sprite, effect, int32_t(index_), i);
            plant->SetPosition(float(x_ + ox), float(y_ + entry.spriteOffsets[i][1]));
            plant->SetMirrored(mirrored_);
            MapPlant* made = static_cast<MapPlant*>(map->Adopt(std::move(plant)));
            made->AddToLevel(2);
            plants_[size_t(i)] = made;
            end = std::max(end, made->StartAppear(animated, d));
        } else if (animated && effect == PlantSpriteEffect::GrowAndShrink) {
            end = std::max(end, d + kBuildMs);
        } else if (animated && effect == PlantSpriteEffect::Fade) {
            end = std::max(end, d + kPlantFadeMs);
        }
    }
    frameShown_ = -1;
    return end;
}

uint32_t PointPlant::RemoveSprites(bool animated, bool forGood, uint32_t delay) {
    if (!animated) {
        DeleteSprites();
        return delay;
    }
    uint32_t end = delay;
    const PlantSpriteEffect effect = GetPlantSpriteEffect(*plant_);
    for (int32_t i = 0; i < spriteCount_; ++i) {
        SpriteObject* plant = plants_[size_t(i)];
        plants_[size_t(i)] = nullptr;
        if (plant) {
            end = std::max(end, SendAway(plant, delay, nullptr) + 50);
        } else if (effect != PlantSpriteEffect::None) {
            end = std::max(end, delay + kVanishMs + 50);
        }
    }
    if (stage_ > 0 || forGood) {
        const uint32_t start = delay + (forGood ? 0 : 100);
        const uint32_t faded = start + kBedFadeMs + (forGood ? 200 : 0);
        if (bed_) SendAway(bed_, start, new SEffect_Alpha(1.0f, 0.0f, kBedFadeMs, true, start));
        end = std::max(end, faded);
    }
    DeleteSprites();
    return end;
}

void PointPlant::DeleteSprites() {
    DeleteObject(host_, bed_);
    for (MapPlant*& plant : plants_) {
        if (plant && host_->Map()) host_->Map()->Delete(plant);
        plant = nullptr;
    }
    spriteCount_ = 0;
    frameShown_ = -1;
}

void PointPlant::RefreshGrowth(bool animated) {
    BasePointPlant::RefreshGrowth(animated);
    if (spriteCount_ == 0) return;
    frameShown_ = PlantFrame(ripeness_, FrameCount(host_, plant_->mapSprite));
    for (MapPlant* plant : plants_)
        if (plant) plant->SetPlantFrame(frameShown_, animated);
}

void PointPlant::HighlightSprites(bool on) {
    for (MapPlant* plant : plants_)
        if (plant) plant->Highlight(on);
}

bool PointPlant::OwnsHoveredObject(const MapObject* object) const {
    if (stage_ == 0 || !object || object->GetPointIndex() != int32_t(index_)) return false;
    const auto* sprite = dynamic_cast<const SpriteObject*>(object);
    return sprite && (sprite->Kind() == kKindBed || sprite->Kind() == kKindMapPlant);
}

// ---------------------------------------------------------------- PointTree

PointTree::PointTree(FarmHost* host, uint32_t index, PLANT* plant) : BasePointPlant(host, index, plant) {
    const int32_t n = std::clamp(plant->record.fruitCounts[kPlantStages - 1], 0, kMaxFruits);
    std::vector<int32_t> places(size_t(n), 0);
    for (int32_t i = 0; i < n; ++i)
        places[size_t(i)] = i;
    for (int32_t k = n; k >= 1; --k) {
        const int32_t r = kis::Random(k);
        placeOrder_.push_back(places[size_t(r)]);
        places.erase(places.begin() + r);
    }
}

PointTree::~PointTree() {
    DeleteSprites();
}

void PointTree::GetWorkOffset(int32_t* x, int32_t* y) const {
    *x = plant_->record.treeWorkSpot[0];
    *y = plant_->record.treeWorkSpot[1];
}

void PointTree::GetButtonOffset(int32_t* x, int32_t* y) const {
    *x = plant_->record.treeButtonOffset[0];
    *y = plant_->record.treeButtonOffset[1];
}

void PointTree::GetStarsOffset(int32_t* x, int32_t* y) const {
    *x = plant_->record.treeStarsOffset[0];
    *y = plant_->record.treeStarsOffset[1];
}

void PointTree::GetSecondOffset(int32_t* x, int32_t* y) const {
    *x = plant_->record.treeSecondPosition[0];
    *y = plant_->record.treeSecondPosition[1];
}

uint32_t PointTree::CreateSprites(bool animated, uint32_t delay) {
    uint32_t d = delay;
    if (stage_ == 0) {
        site_ = MakeObject(host_, host_->EmptyTreeSite(), kKindTreeSite, float(x_), float(y_), 0,
                           int32_t(index_), false);
        if (animated) {
            if (site_) site_->AttachEffect(new SEffect_Alpha(0.0f, 1.0f, kSiteFadeMs, true, delay));
            d += kSiteFadeMs;
        }
    } else if (stage_ > 0) {
        if (!treeShown_) {
            treeShown_ = true;
            trunk_ = MakeObject(host_, plant_->trunkSprite, kKindTrunk, float(x_), float(y_), 0,
                                int32_t(index_), false);
            crown_ = MakeObject(host_, plant_->mapSprite, kKindCrown, float(x_), float(y_), 3,
                                int32_t(index_), false);
        }
        for (SpriteObject* part : {trunk_, crown_})
            if (part) part->StopEffects();
        if (animated && stage_ < 2) {
            for (SpriteObject* part : {trunk_, crown_})
                if (part) part->AttachEffect(new SEffect_Build(kBuildMs, d));
            d += kBuildMs;
        }
        const float start = growthNeeded_ / 10.0f;
        const int32_t most = std::clamp(plant_->record.fruitCounts[kPlantStages - 1], 0, kMaxFruits);
        fruitsShown_ = std::clamp(plant_->record.fruitCounts[stage_ - 1], 0, most);
        for (int32_t i = 0; i < fruitsShown_; ++i)
            SetFruit(i, start, growthNeeded_ - start);
    }
    view_.effectDelay = d > delay_ ? d - delay_ : 0;
    return d;
}

uint32_t PointTree::RemoveSprites(bool animated, bool forGood, uint32_t delay) {
    if (!animated) {
        DeleteSprites();
        return delay;
    }
    uint32_t end = delay + kSiteRemoveMs + (forGood ? 200 : 0);
    SendAway(site_, delay, new SEffect_Alpha(1.0f, 0.0f, kSiteRemoveMs, true, delay));
    if (forGood && treeShown_) {
        // The whole tree shrinks away.
        uint32_t gone = delay + kVanishMs;
        for (SpriteObject** part : {&trunk_, &crown_})
            gone =
                std::max(gone, SendAway(*part, delay, new SEffect_Scale(1.0f, 0.0f, kVanishMs, true, delay)));
        for (Fruit& fruit : fruits_) {
            if (fruit.sprite)
                SendAway(fruit.sprite, delay, new SEffect_Scale(1.0f, 0.0f, kVanishMs, true, delay));
            fruit = Fruit{};
        }
        treeShown_ = false;
        fruitsShown_ = 0;
        end = gone;
    }
    return end;
}

void PointTree::DeleteSprites() {
    DeleteObject(host_, site_);
    DeleteObject(host_, trunk_);
    DeleteObject(host_, crown_);
    for (Fruit& fruit : fruits_) {
        DeleteObject(host_, fruit.sprite);
        fruit = Fruit{};
    }
    treeShown_ = false;
    fruitsShown_ = 0;
}

int32_t PointTree::FruitFrame(float growth, float start, float duration, int32_t frames) {
    const float e = growth - start;
    if (e < 0.0f) return -1;
    if (e < duration) return int32_t(std::floor(float(std::max(frames, 1) - 1) * e / duration));
    return std::max(frames, 1) - 1;
}

void PointTree::SetFruit(int32_t i, float start, float duration) {
    if (i < 0 || i >= kMaxFruits || size_t(i) >= placeOrder_.size()) return;
    Fruit& fruit = fruits_[size_t(i)];
    if (fruit.made) return;
    const FruitPlace& place = plant_->record.fruitPlaces[placeOrder_[size_t(i)]];
    fruit.made = true;
    fruit.x = float(place.x);
    fruit.y = float(place.y);
    fruit.start = start;
    fruit.duration = duration;
    fruit.scale = kis::RandomRange(plant_->record.fruitScale[0], plant_->record.fruitScale[1]);
    fruit.random = kis::RandomRange(plant_->record.fruitRandom[0], plant_->record.fruitRandom[1]);
    fruit.variant = place.variant;
    fruit.frame = -1;
    fruit.sprite = MakeObject(host_, plant_->fruitSprite, kKindFruit, float(x_) + fruit.x,
                              float(y_) + fruit.y, 0, int32_t(index_), false);
    if (fruit.sprite) {
        fruit.sprite->SetScale(fruit.scale);
        fruit.sprite->SetHidden(true);
    }
}

void PointTree::UpdateFruits(float growth, bool animated) {
    const int32_t frames = FrameCount(host_, plant_->fruitSprite);
    for (int32_t i = 0; i < fruitsShown_; ++i) {
        Fruit& fruit = fruits_[size_t(i)];
        if (!fruit.made) continue;
        const int32_t frame = FruitFrame(growth, fruit.start, fruit.duration, frames);
        if (frame == fruit.frame) continue;
        if (SpriteObject* sprite = fruit.sprite) {
            sprite->SetHidden(frame < 0);
            if (animated && frame > 0 && fruit.frame >= 0) {
                FadeOverOldFrame(sprite);
            } else if (animated && frame == 0) {
                sprite->AttachEffect(new SEffect_Scale(0.2f, 1.0f, 150, true, 0));
            }
            sprite->SetFrame(std::max(frame, 0));
        }
        fruit.frame = frame;
    }
}

void PointTree::RefreshGrowth(bool animated) {
    BasePointPlant::RefreshGrowth(animated);
    UpdateFruits(growth_, true);
}

void PointTree::HighlightSprites(bool on) {
    if (trunk_) trunk_->Highlight(on);
    if (crown_) crown_->Highlight(on);
}

bool PointTree::OwnsHoveredObject(const MapObject* object) const {
    if (stage_ == 0 || !object || object->GetPointIndex() != int32_t(index_)) return false;
    const auto* sprite = dynamic_cast<const SpriteObject*>(object);
    return sprite && sprite->Kind() == kKindCrown;
}

std::unique_ptr<BaseLevelPoint> MakePlantPoint(FarmHost* host, uint32_t index, const PointRecord& record) {
    if (!host || record.kind != kPointPlant) return nullptr;
    PLANT* plant = host->Plants().FindPlant(record.objectId);
    if (!plant) return nullptr;
    if (plant->IsTree()) return std::make_unique<PointTree>(host, index, plant);
    return std::make_unique<PointPlant>(host, index, plant);
}

// ---------------------------------------------------------------- jobs

PlantJob::PlantJob(MapPlayer* player, uint32_t jobId, BasePointPlant* bed) : Job(player, jobId), bed_(bed) {
    targetPoint_ = int32_t(bed->Index());
}

PlantJob::~PlantJob() {
    Detach();
}

void PlantJob::Detach() {
    if (!bed_) return;
    Unlink();
    bed_ = nullptr;
}

void PlantJob::Unlink() {
    if (static_cast<Job*>(bed_->plantJob) == this) {
        bed_->plantJob = nullptr;
        bed_->SetPlanting(false);
    }
    if (static_cast<Job*>(bed_->waterJob) == this) bed_->waterJob = nullptr;
    if (static_cast<Job*>(bed_->harvestJob) == this) bed_->harvestJob = nullptr;
}

bool PlantJob::GetPosition(float* x, float* y) const {
    if (!bed_) return false;
    bed_->WorkSpot(x, y);
    return true;
}

void PlantJob::ShowJobIcon(Sprite* icon) {
    FarmHost* host = bed_->Host();
    MapSprite* sprite = icon && host->Map() ? host->AsMapSprite(icon) : nullptr;
    if (!sprite) return;
    int32_t bx = 0, by = 0;
    bed_->GetButtonOffset(&bx, &by);
    ShowIcon(float(bed_->X() + bx), float(bed_->Y() + by), sprite, int32_t(bed_->Index()), kPlantJobIconTint);
}

bool PlantJob::SetStep(int32_t step) {
    if (!Job::SetStep(step)) return false;
    if (!bed_) {
        Stop();
        return false;
    }
    return TakeStep();
}

bool PlantJob::TakeStep() {
    if (step_ + 1 == AnimationStep()) {
        float x = 0.0f, y = 0.0f;
        bed_->WorkSpot(&x, &y);
        BeginWalk(x, y, 1, 1.0f);
        return true;
    }
    if (step_ == AnimationStep()) {
        // A damaged bed cannot be worked until it is repaired.
        if (bed_->Damage() > 0) {
            Stop();
            return true;
        }
        StartWork();
        return true;
    }
    Stop();
    return false;
}

void PlantJob::Update(uint32_t ms) {
    if (!bed_) {
        Stop();
        return;
    }
    if (!RunSteps(ms)) return;
    FinishWork();
    if (auto* player = dynamic_cast<MapPlayer*>(owner_)) player->RequestSideStep();
}

bool PlantJob::Stop() {
    if (!Job::Stop()) return false;
    if (!bed_) return true;
    BasePointPlant* bed = bed_;
    Detach();
    LetGo(*bed);
    return true;
}

bool PlantJob::RunSteps(uint32_t ms) {
    switch (state_) {
    case JobState::New:
        // A new job takes its first step; a rebuilt one takes up its step again.
        SetStep(step_ == 0 ? -1 : int32_t(step_));
        return false;
    case JobState::Walking:
        if (UpdateWalk(1.0f)) SetStep(-1);
        return false;
    case JobState::Animating:
        AddElapsed(ms);
        return UpdateAnimation();
    default:
        return false;
    }
}

bool PlantJob::Restore(const uint8_t* record) {
    LoadHead(record);
    if (step_ > AnimationStep()) return false;
    const bool running = ProgressOf(record).running != 0;
    if (running != (step_ == AnimationStep())) return false;
    if (running) {
        // The farmer's block brings the animation back; the job only takes
        // up its state.
        state_ = JobState::Animating;
        ResumeWork();
    }
    return LoadProgress(record);
}

bool PlantJob::Save(JobSaveContext& context, SaveWriter& writer) {
    if (IsFinished()) return true;
    if (!bed_) return false;
    uint8_t* record = BeginSaveRecord(context, writer, kRecordSize);
    if (!record) return false;
    SaveProgress(record, state_ == JobState::Animating && step_ == AnimationStep());
    kAtPointLayout.Store({int32_t(bed_->Index())}, record);
    return true;
}

namespace {

// Lets the job the bed links in a slot go and links the new one there.
template <class JobType> void TakeOverLink(JobType*& link, JobType* job) {
    if (JobType* old = link) {
        old->Detach();
        old->Stop();
    }
    link = job;
}

} // namespace

// ---- Job_Plant

Job_Plant::Job_Plant(MapPlayer* player, BasePointPlant* bed, bool reserve)
    : PlantJob(player, JOBID_PLANT, bed) {
    TakeOverLink(bed->plantJob, this);
    ShowJobIcon(bed->Stage() == 0 ? bed->Plant()->secondIcon : FindIcon(bed->Host(), u"small_ico_upgrade"));
    if (reserve) ReserveMoney(PlantStagePrice(*bed->Plant(), std::max(bed->Stage(), 0)));
    if (PlantPanel* panel = bed->Host()->SharedPlantPanel(); panel && panel->Point() == bed)
        panel->RefreshUpgrade();
    Notify();
}

void Job_Plant::ResumeWork() {
    bed_->SetPlanting(true);
}

void Job_Plant::StartWork() {
    const int32_t s = std::clamp(bed_->Stage(), 0, kPlantStages - 1);
    StartAnimation(int32_t(bed_->Plant()->record.digTimes[s]), u"girl_dig", -1, 4);
    bed_->SetPlanting(true);
}

bool Job_Plant::TakeStep() {
    // The first step waits out the bed's growth delay before the walk.
    if (step_ != 1) return PlantJob::TakeStep();
    if (bed_->GrowthDelay() > 0) {
        if (owner_) owner_->PlayAnimation(owner_->AnimationKind(), owner_->IsMirrored());
        return true;
    }
    return SetStep(-1);
}

void Job_Plant::Update(uint32_t ms) {
    if (bed_ && step_ == 1) {
        if (bed_->GrowthDelay() == 0) SetStep(-1);
        return;
    }
    PlantJob::Update(ms);
}

void Job_Plant::FinishWork() {
    ++step_;
    Finish();
    BasePointPlant* bed = bed_;
    Detach();
    bed->NextStage(true);
    bed->SetPlanting(false);
}

void Job_Plant::LetGo(BasePointPlant& bed) {
    if (bed.Stage() == 0) {
        // Never planted: the point becomes what it was before it was bought.
        bed.Level()->RebuildPoint(bed.Index());
    } else if (PlantPanel* panel = bed.Host()->SharedPlantPanel(); panel && panel->Point() == &bed) {
        panel->RefreshUpgrade();
    }
}

// ---- Job_Water

Job_Water::Job_Water(MapPlayer* player, BasePointPlant* bed) : PlantJob(player, JOBID_WATER, bed) {
    TakeOverLink(bed->waterJob, this);
    ShowJobIcon(FindIcon(bed->Host(), u"small_ico_water"));
    bed->HideWaterButton(false, 0);
    Notify();
}

void Job_Water::StartWork() {
    const PlantSettings& settings = bed_->Host()->Plants().Settings();
    const uint32_t ms = bed_->Plant()->IsTree() ? settings.waterTreeMs : settings.waterBedMs;
    StartAnimation(int32_t(ms), u"girl_water", -1, 5);
}

void Job_Water::FinishWork() {
    ++step_;
    Finish();
    ReserveMoney(0);
    BasePointPlant* bed = bed_;
    Detach();
    const PlantRecord& r = bed->Plant()->record;
    const int32_t fewest = std::max(r.fewestHarvests, 0), most = std::max(r.mostHarvests, 0);
    const uint32_t n = uint32_t(kis::RandomBetween(std::min(fewest, most), std::max(fewest, most)));
    bed->SetWater(n, n, true);
    bed->StartNextStage();
}

void Job_Water::LetGo(BasePointPlant& bed) {
    bed.SetWater(bed.Water(), bed.WaterMax(), true);
}

// ---- Job_Harvest

Job_Harvest::Job_Harvest(MapPlayer* player, BasePointPlant* bed)
    : PlantJob(player, JOBID_HARVEST, bed), messenger_(std::make_unique<GameMessager>()) {
    TakeOverLink(bed->harvestJob, this);
    ShowJobIcon(FindIcon(bed->Host(), u"small_ico_hand"));
    bed->HideHarvestButton(false, 0);
    product_ = bed->Plant()->product;
    Notify();
}

Job_Harvest::~Job_Harvest() = default;

void Job_Harvest::ResumeWork() {
    animationBegun_ = true;
}

void Job_Harvest::StartWork() {
    char16_t name[kNameLength] = {};
    const NameField& field = bed_->Plant()->record.harvestAnimation;
    for (size_t i = 0; i + 1 < kNameLength && field[i]; ++i)
        name[i] = field[i];
    StartAnimation(int32_t(bed_->Host()->Plants().Settings().harvestMs), name, -1, 5);
    animationBegun_ = true;
}

void Job_Harvest::FinishWork() {
    // The bed stops this job once the crop is in (or when the animation
    // had begun and nothing could be stored).
    bed_->CollectProducts(messenger_.get());
    Detach();
    animationBegun_ = false;
    if (!IsFinished()) Stop();
}

void Job_Harvest::LetGo(BasePointPlant& bed) {
    bed.ShowHarvestButton(true);
}

// ---- loaders

namespace {

// The bed a record names; null when the record does not fit.
BasePointPlant* RecordBed(MapPlayer* player, const uint8_t* record, size_t size, uint32_t jobId) {
    if (size != PlantJob::kRecordSize) return nullptr;
    const JobHead head = Job::HeadOf(record);
    if (head.size != PlantJob::kRecordSize || head.jobId != jobId) return nullptr;
    GameLevel* level = LevelOf(player);
    if (!level) return nullptr;
    AtPointRecord saved;
    kAtPointLayout.Load(record, &saved);
    BaseLevelPoint* point = level->GetPoint(saved.point);
    if (!point || point->Kind() != kPointPlant) return nullptr;
    return dynamic_cast<BasePointPlant*>(point);
}

// Water and harvest work a planted bed and reserve nothing.
template <class JobType>
std::unique_ptr<Job> LoadPlantedBedJob(MapPlayer* player, const uint8_t* record, size_t size,
                                       uint32_t jobId) {
    BasePointPlant* bed = RecordBed(player, record, size, jobId);
    if (!bed || bed->Stage() < 1 || Job::HeadOf(record).reserved != 0) return nullptr;
    auto job = std::make_unique<JobType>(player, bed);
    if (!job->Restore(record)) return nullptr;
    return job;
}

} // namespace

std::unique_ptr<Job> LoadJobPlant(MapPlayer* player, const uint8_t* record, size_t size) {
    BasePointPlant* bed = RecordBed(player, record, size, JOBID_PLANT);
    if (!bed) return nullptr;
    // A bed already at its highest stage has nothing to plant or raise: its
    // price would come from past the price table.
    const int32_t stage = bed->Stage();
    if (stage < 0 || stage >= std::min(bed->Plant()->highestStage, kPlantStages)) return nullptr;
    if (stage == 0) {
        // The bed ordered its planting when it was set up; the saved job
        // takes its place.
        Job_Plant* own = bed->plantJob;
        if (!own) return nullptr;
        own->Detach();
        own->Stop(); // its reservation goes back; the saved job takes it again
    }
    const int32_t price = PlantStagePrice(*bed->Plant(), stage);
    const int32_t reserved = Job::HeadOf(record).reserved;
    if (reserved != 0 && reserved != price) return nullptr;
    auto job = std::make_unique<Job_Plant>(player, bed, false);
    if (!job->Restore(record)) return nullptr;
    return job;
}

std::unique_ptr<Job> LoadJobWater(MapPlayer* player, const uint8_t* record, size_t size) {
    return LoadPlantedBedJob<Job_Water>(player, record, size, JOBID_WATER);
}

std::unique_ptr<Job> LoadJobHarvest(MapPlayer* player, const uint8_t* record, size_t size) {
    return LoadPlantedBedJob<Job_Harvest>(player, record, size, JOBID_HARVEST);
}

void RegisterPlantJobLoaders() {
    SetPlayerJobLoader(JOBID_PLANT, &LoadJobPlant);
    SetPlayerJobLoader(JOBID_WATER, &LoadJobWater);
    SetPlayerJobLoader(JOBID_HARVEST, &LoadJobHarvest);
}
