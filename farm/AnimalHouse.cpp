#include "farm/AnimalHouse.h"

#include "engine/Log.h"
#include "farm/Cowshed.h"
#include "farm/Henhouse.h"
#include "farm/Products.h"
#include "farm/SheepRack.h"
#include "foundation/Helpers.h"
#include "foundation/Ident.h"
#include "level/GameLevel.h"
#include "level/LevelServices.h"
#include "level/Records.h"
#include "level/SaveStream.h"
#include "sprites/Sprite.h"
#include "sprites/SpriteEffect.h"

#include <algorithm>
#include <cmath>

namespace {

MapSprite* AsMapSprite(Sprite* sprite) {
    return static_cast<MapSprite*>(sprite);
}

// A job's icon over its house is drawn in its own colours (a dark tint would
// hide it).
constexpr uint32_t kIconTint = 0xFFFFFFFF;
constexpr const char16_t* kHandIcon = u"small_ico_hand";

// The units of the type's level record at a stage (at least level 1).
uint32_t UnitsAt(const PointBuilding* house, int32_t stage) {
    const BuildingLevel* level = house->LevelRecord(std::max(stage, 1));
    return level ? level->record.animal.feedUnits : 0;
}

// The animal-house point of a saved record's index: a building of an
// animal-house type; null otherwise.
PointPetshouse* HouseAt(MapPlayer* player, uint32_t index) {
    GameLevel* level = LevelOf(player);
    auto* house = level ? dynamic_cast<PointPetshouse*>(level->GetPoint(int32_t(index))) : nullptr;
    if (!house || house->Kind() != kPointBuilding || !house->Type()->IsAnimalHouse()) return nullptr;
    return house;
}

// A feed job's own fields after the common 40 bytes.
struct FeedRecord {
    uint32_t house;   // the point's index
    uint32_t feedId;  // the product it carries, 0 none
    uint32_t carried; // units: 0 once used, else one feeding's
};
constexpr auto kFeedLayout =
    kis::Layout(Job_Feed::kRecordSize, kis::Field<&FeedRecord::house>(40),
                kis::Field<&FeedRecord::feedId>(44), kis::Field<&FeedRecord::carried>(48));

void ShowJobIcon(Job* job, FarmHost* host, Sprite* icon, float x, float y, int32_t point) {
    if (icon && host->Map()) job->ShowIcon(x, y, AsMapSprite(icon), point, kIconTint);
}

} // namespace

void SaveAnimalBlock(SaveWriter& out, uint32_t count, const std::vector<MapCharacter*>& animals) {
    SaveWriter writer;
    for (MapCharacter* animal : animals)
        animal->SaveState(writer);
    const size_t at = out.BeginBlock();
    out.PutU32(count);
    if (!writer.Bytes().empty()) {
        uint8_t* bytes = out.Alloc(uint32_t(writer.Size()), false);
        if (bytes) std::copy(writer.Bytes().begin(), writer.Bytes().end(), bytes);
    }
    out.EndBlock(at);
}

bool LoadAnimalBlock(SaveReader& in, uint32_t count, const std::vector<MapCharacter*>& animals) {
    SaveReader block = in.ReadBlock(8);
    const uint32_t saved = block.ReadU32();
    if (block.Failed() || saved != count) {
        in.Fail();
        return false;
    }
    const size_t left = block.Remaining();
    const uint8_t* bytes = left ? block.ReadPtr(uint32_t(left)) : nullptr;
    SaveReader reader(std::span<const uint8_t>(bytes, bytes ? left : 0));
    for (MapCharacter* animal : animals) {
        if (!animal->LoadState(reader)) {
            in.Fail();
            return false;
        }
    }
    if (reader.Remaining() != 0) {
        in.Fail();
        return false;
    }
    return true;
}

namespace {

// The name of the house's produce, for the log.
std::string ProduceName(const PointBuilding* house) {
    const PRODUCT* product = house->Type() ? house->Type()->produceProduct : nullptr;
    std::string text;
    for (size_t i = 0; product && i < kNameLength && product->record.name[i]; ++i)
        text += char(product->record.name[i] < 0x80 ? product->record.name[i] : u'?');
    return text;
}

} // namespace

std::string JobLoadErrorText(uint32_t jobId) {
    const char* name = JobIdName(jobId);
    return std::string("Ошибка загрузки работы JOBID_") + (name ? name : "?");
}

void StopAllJobs(MapCharacter& character) {
    for (int32_t i = character.JobCount() - 1; i >= 0; --i)
        character.GetJob(i)->Stop();
}

float RandomAnimalSize() {
    return 0.9f + kis::RandomUnit() / 5.0f;
}

// ---------------------------------------------------------------- PointPetshouse

PointPetshouse::PointPetshouse(FarmHost* host, uint32_t index, BUILDING* type)
    : PointBuilding(host, index, kPointBuilding, type) {}

PointPetshouse::~PointPetshouse() {
    if (feedJob_) feedJob_->Unlink();
    if (collectJob_) collectJob_->Unlink();
    LevelMap* map = host_->Map();
    if (map && overlay_ && map->Owns(overlay_)) map->Delete(overlay_);
}

uint32_t PointPetshouse::FeedUnits() const {
    return UnitsAt(this, stage_);
}

bool PointPetshouse::HasFeed() const {
    const PRODUCT* feed = type_->feedProduct;
    return feed && host_->StockView().GetCount(feed) >= int32_t(FeedUnits());
}

bool PointPetshouse::CanOrderFeed() const {
    return stage_ > 0 && damage_ == 0 && !fed_ && !feedJob_ && !buildJob_ && !upgrading_ && !beingRemoved_;
}

bool PointPetshouse::Feed() {
    MapPlayer* player = host_->Player();
    if (!HasFeed() || !CanOrderFeed() || !player) return false;
    const uint32_t units = FeedUnits();
    host_->StockView().Remove(type_->feedProduct, int32_t(units));
    int32_t dx, dy, x, y;
    GetFeedButtonOffset(&dx, &dy);
    AnchorPlus(dx, dy, &x, &y);
    host_->ShowProductChange({-int32_t(units), x, y, 0, 0, type_->feedProduct});
    if (!player->AddJob(std::make_unique<Job_Feed>(player, this))) {
        // The queue is full: the feed goes back where it came from.
        host_->StockView().Add(type_->feedProduct, int32_t(units));
        return false;
    }
    return true;
}

bool PointPetshouse::OnButtonCommand(uint32_t command) {
    if (command == kFeedCommand) return Feed();
    return PointBuilding::OnButtonCommand(command);
}

bool PointPetshouse::OnOverheadCommand(uint32_t command) {
    if (command == CollectCommand() && buttonCommand_ == command) {
        MapPlayer* player = host_->Player();
        if (!player) return false;
        Level()->ResetSelection(nullptr);
        HideOverheadButton(true, 0);
        return player->AddJob(MakeCollectJob(player)) != nullptr;
    }
    if (command != kFeedCommand || buttonCommand_ != kFeedCommand || !button_ || !HasFeed()) return false;
    Level()->ResetSelection(nullptr);
    return Feed();
}

void PointPetshouse::GetFeedPosition(int32_t* x, int32_t* y) const {
    int32_t dx, dy;
    GetFeedSpotOffset(&dx, &dy);
    AnchorPlus(dx, dy, x, y);
}

void PointPetshouse::SetOverlayFrame(float fraction) {
    if (!overlay_) return;
    const int32_t frames = overlay_->Sprite() ? overlay_->Sprite()->GetFrameCount() : 0;
    if (frames < 1 || !std::isfinite(fraction)) {
        overlay_->SetFrame(0);
        return;
    }
    fraction = std::clamp(fraction, 0.0f, 1.0f);
    overlay_->SetFrame(int32_t(std::ceil(float(frames - 1) * fraction)));
}

void PointPetshouse::ShowFeedButton(bool animated, uint32_t delay) {
    if (beingRemoved_ || stage_ < 1 || damage_ > 0 || button_ || feedJob_ || buildJob_ || upgrading_) return;
    HideProgress();
    int32_t dx, dy, x, y;
    GetFeedButtonOffset(&dx, &dy);
    AnchorPlus(dx, dy, &x, &y);
    button_ = host_->ShowAnimalButton(this, kFeedCommand, type_->feedProduct, int32_t(FeedUnits()), x, y,
                                      animated, delay);
    if (!button_) return;
    buttonCommand_ = kFeedCommand;
    button_->SetEnabled(HasFeed());
}

void PointPetshouse::ShowCollectButton(bool ready, int32_t x, int32_t y, bool animated, uint32_t delay) {
    if (beingRemoved_ || !fed_ || !ready || button_ || collectJob_ || damage_) return;
    // The button takes the progress line's place.
    HideProgress();
    button_ = host_->ShowAnimalButton(this, CollectCommand(), nullptr, 0, x, y, animated, delay);
    if (!button_) return;
    buttonCommand_ = CollectCommand();
    button_->SetEnabled(true);
}

bool PointPetshouse::DeliverProduce(bool ready, uint32_t units, GameMessager* messenger, int32_t x, int32_t y,
                                    int32_t flyInOffset) {
    const PRODUCT* produce = type_->produceProduct;
    bool delivered = false;
    if (fed_ && ready && produce &&
        host_->PutToWarehouse(produce, units, messenger, kProduceAwardCounter, x, y, flyInOffset) > 0) {
        delivered = true;
        ClearDeliveredProduce();
        HideCollectButton(true);
        SetFed(false, /*animated=*/true);
        host_->TutorialNotify(TutorialEvent::Delivered, produce->record.id,
                              TutorialObject::Of<BaseLevelPoint>(this));
    }
    HideCollectButton(true);
    return delivered;
}

void PointPetshouse::GetOverlayOffset(int32_t* x, int32_t* y) const {
    const BuildingLevel* level = CurrentLevel();
    *x = level ? level->record.animal.overlayOffset[0] : 0;
    *y = level ? level->record.animal.overlayOffset[1] : 0;
}

float PointPetshouse::AnimalStep(int32_t elapsedMs) const {
    return float(elapsedMs) * Rate() * Level()->GetSpeedFactor(kAnimalSpeedGroup);
}

void PointPetshouse::HideOverheadButton(bool animated, uint32_t delay) {
    if (button_) button_->Hide(animated, delay);
    button_.reset();
    buttonCommand_ = 0;
}

uint32_t PointPetshouse::CreateAnimals(bool animated, uint32_t delay) {
    (void)animated;
    animals_ = true;
    return delay;
}

uint32_t PointPetshouse::StopAnimals(bool animated, bool forGood, uint32_t delay) {
    (void)animated, (void)forGood;
    animals_ = false;
    return delay;
}

uint32_t PointPetshouse::RefreshButtons(bool animated, uint32_t delay) {
    if (!fed_) {
        if (animals_) delay = StopAnimals(animated, false, delay);
        ShowFeedButton(animated, delay);
    } else {
        // Animals that come (a feeding, a repair, an unlocked house) start
        // their round of work once the countdown has run; animals already at
        // work go on (ready produce is called for at once).
        if (!animals_ && !beingRemoved_ && damage_ == 0) {
            delay = CreateAnimals(animated, delay);
            StartNextStage();
        }
        if (buttonCommand_ == kFeedCommand) HideOverheadButton(animated, delay);
    }
    RefreshFeedGauge();
    return delay;
}

void PointPetshouse::SetFed(bool fed, bool animated) {
    if (fed != fed_ && LevelBegun())
        LogLabelPrintf(kLogIndent, fed ? "Animals fed" : "Animals wait for feed", "point %u (%s)", index_,
                       ProduceName(this).c_str());
    fed_ = fed;
    host_->RefreshBuildingPanel(this);
    pendingDelayMs_ = RefreshButtons(animated, animated ? 100 : 0);
}

uint32_t PointPetshouse::CreateVisuals(bool animated, uint32_t delay) {
    const bool first = !joinedTrack_;
    delay = PointBuilding::CreateVisuals(animated, delay);
    LevelMap* map = host_->Map();
    const BuildingLevel* level = stage_ > 0 ? LevelRecord(stage_) : nullptr;
    if (level) {
        if (map && level->overlay && !overlay_) {
            int32_t x, y;
            AnchorPlus(level->record.animal.overlayOffset[0], level->record.animal.overlayOffset[1], &x, &y);
            overlay_ = CreateMapObject(map, AsMapSprite(level->overlay), kOverlayKind, float(x), float(y), 0,
                                       int32_t(index_), mirrored_);
            overlay_->SetScale(type_->header.scale);
            overlay_->SetPointPicture(true);
            overlay_->AddToLevel(kOverlayLayer);
            if (animated) overlay_->AttachEffect(new SEffect_Build(kAnimalFadeMs, delay));
        }
        delay = RefreshButtons(animated, delay);
        host_->RefreshBuildingPanel(this);
    }
    if (first) {
        joinedTrack_ = true;
        Level()->ApplySpeedTrack(kAnimalSpeedGroup, this);
    }
    return delay;
}

void PointPetshouse::StartTrack(uint32_t id, float value) {
    track_.Set(id, value);
    for (MapCharacter* animal : PacedAnimals())
        FollowTrack(*animal, id, value);
}

void PointPetshouse::GiveTrack(MapCharacter& animal) const {
    for (const SpeedTrack::Entry& e : track_.Entries())
        FollowTrack(animal, e.id, e.value);
}

uint32_t PointPetshouse::Remove(bool animated, bool forGood, uint32_t delay) {
    if (forGood && collectJob_) {
        Job_CollectProduce* job = collectJob_;
        collectJob_ = nullptr;
        job->Unlink();
        job->Stop();
    }
    if (forGood && feedJob_) {
        Job_Feed* job = feedJob_;
        feedJob_ = nullptr;
        // Removed at once, the house is gone before the job could return
        // its feed: the job is let go first so that it gives nothing back.
        if (!animated) job->Unlink();
        job->Stop();
    }
    uint32_t d = delay;
    LevelMap* map = host_->Map();
    if (!animated) {
        HideOverheadButton(false, 0);
        if (overlay_ && map) map->Delete(overlay_);
        overlay_ = nullptr;
        d = StopAnimals(false, forGood, delay);
    } else {
        HideOverheadButton(true, delay);
        d = StopAnimals(true, forGood, delay);
        if (overlay_) {
            MapObject::AddEffect(overlay_, d, new SEffect_Scale(1.0f, 0.0f, kAnimalFadeMs, true, d));
            overlay_ = nullptr;
        }
    }
    return std::max(d, PointBuilding::Remove(animated, forGood, delay));
}

void PointPetshouse::OnDamaged(bool animated) {
    PointBuilding::OnDamaged(animated);
    if (feedJob_) {
        Job_Feed* job = feedJob_;
        job->Stop();
    }
    HideOverheadButton(animated, 0);
    StopAnimals(animated, false, 0);
    host_->RefreshBuildingPanel(this);
    if (collectJob_) collectJob_->Stop();
    HideCollectButton(animated);
}

void PointPetshouse::OnRepaired(bool animated) {
    PointBuilding::OnRepaired(animated);
    if (stage_ > 0) pendingDelayMs_ = RefreshButtons(true, 0);
    host_->RefreshBuildingPanel(this);
}

void PointPetshouse::LockPoint() {
    LevelPoint::Lock();
    StopAnimals(LevelBegun(), false, 0);
}

void PointPetshouse::Unlock() {
    if (locked_) {
        locked_ = false;
        pendingDelayMs_ = RefreshButtons(true, 0);
    }
    PointBuilding::Unlock();
}

void PointPetshouse::OnUpgradeBegin() {
    PointBuilding::OnUpgradeBegin();
    StopAnimals(LevelBegun(), false, 0);
}

void PointPetshouse::OnUpgradeCancel() {
    PointBuilding::OnUpgradeCancel();
    if (stage_ > 0) pendingDelayMs_ = RefreshButtons(true, 0);
}

void PointPetshouse::SetBuildPending(bool on, bool animated) {
    if (on) {
        HideOverheadButton(animated, 0);
    } else {
        RefreshButtons(animated, 0);
    }
    host_->RefreshBuildingPanel(this);
}

void PointPetshouse::UpdateAnimals(uint32_t ms) {
    if (button_ && buttonCommand_ == kFeedCommand) button_->SetEnabled(HasFeed());
    for (MapCharacter* animal : Animals())
        animal->Update(ms);
}

void PointPetshouse::SaveSecondPass(SaveWriter& out) const {
    const std::vector<MapCharacter*> animals = Animals();
    SaveAnimalBlock(out, uint32_t(animals.size()), animals);
}

bool PointPetshouse::LoadSecondPass(SaveReader& in) {
    // Animals a hit or an upgrade sent away were saved as none: the fed house
    // loaded without them (they come back with the repair or the new stage).
    const uint8_t* head = in.Peek(8);
    if (head && head[4] == 0 && head[5] == 0 && head[6] == 0 && head[7] == 0 && fed_ && !Animals().empty())
        StopAnimals(false, false, 0);
    const std::vector<MapCharacter*> animals = Animals();
    return LoadAnimalBlock(in, uint32_t(animals.size()), animals);
}

bool PointPetshouse::FitsLoadedJobs() const {
    return PointBuilding::FitsLoadedJobs() &&
           (animals_ || !fed_ || damage_ || upgrading_ || buildJob_ || beingRemoved_);
}

// ---------------------------------------------------------------- Job_Feed

Job_Feed::Job_Feed(MapPlayer* player, PointPetshouse* house)
    : Job_AtHouse(player, JOBID_FEED), house_(house), feed_(house->Type()->feedProduct) {
    targetPoint_ = int32_t(house->Index());
    if (Job_Feed* old = house->FeedJob()) {
        house->LinkFeedJob(nullptr);
        old->Stop();
    }
    house->LinkFeedJob(this);
    carried_ = house->FeedUnits();
    int32_t x, y;
    house->GetFeedPosition(&x, &y);
    ShowJobIcon(this, house->Host(), house->Type()->feedIcon, float(x), float(y), targetPoint_);
    house->Host()->RefreshBuildingPanel(house);
    if (house->OverheadCommand() == kFeedCommand) house->HideOverheadButton(false, 0);
    Notify();
}

Job_Feed::~Job_Feed() {
    if (house_) house_->UnlinkFeedJob(this);
}

bool Job_Feed::SetStep(int32_t step) {
    if (!Job::SetStep(step)) return false;
    if (step_ > kWork) {
        Stop();
        return false;
    }
    state_ = JobState::New;
    return true;
}

void Job_Feed::BeginStep() {
    const BuildingLevel* level = house_->CurrentLevel();
    const BuildingAnimalPart& animal = house_->Type()->header.animal;
    if (step_ <= kWalkThere) {
        step_ = kWalkThere;
        int32_t x = house_->AnchorX(), y = house_->AnchorY();
        if (level) {
            const int32_t dx = level->record.animal.feedSpot[0];
            x += house_->IsMirrored() ? -dx : dx;
            y += level->record.animal.feedSpot[1];
        }
        BeginWalk(float(x), float(y), 0, 1.0f);
        return;
    }
    char16_t name[kNameLength] = {};
    std::copy(animal.feedAnimation, animal.feedAnimation + kNameLength - 1, name);
    const uint32_t direction = level ? level->record.animal.feedDirection[house_->IsMirrored() ? 1 : 0] : 0;
    const uint32_t total = animal.feedAnimationMs;
    const uint32_t elapsed = progress_.running ? std::min(progress_.elapsed, total) : 0;
    StartAnimation(int32_t(total - elapsed), name, int32_t(direction), kWorkAnimationFlags);
    progress_.elapsed = elapsed;
    progress_.duration = std::min(total, kMaxLevelTimeMs);
}

void Job_AtHouse::Update(uint32_t ms) {
    if (!HasHouse()) {
        Stop();
        return;
    }
    switch (state_) {
    case JobState::New:
        BeginStep();
        break;
    case JobState::Walking:
        if (UpdateWalk(1.0f)) {
            step_ = kWork;
            state_ = JobState::New;
            BeginStep();
        }
        break;
    case JobState::Animating:
        AddElapsed(ms);
        if (UpdateAnimation()) OnWorkDone();
        break;
    default:
        break;
    }
}

uint8_t* BeginJobRecord(Job& job, JobSaveContext& context, SaveWriter& writer, size_t size,
                        uint32_t progressStep) {
    uint8_t* record = job.BeginSaveRecord(context, writer, size);
    if (record)
        job.SaveProgress(record, job.Step() == progressStep &&
                                     (job.State() == JobState::Animating || job.Progress().running));
    return record;
}

void Job_Feed::OnWorkDone() {
    Finish();
    PointPetshouse* house = house_;
    house_ = nullptr;
    house->UnlinkFeedJob(this);
    carried_ = 0;
    house->SetFed(true, /*animated=*/true);
    if (house->Type()->header.animal.stepAside) static_cast<MapPlayer*>(owner_)->RequestSideStep();
}

bool Job_Feed::Stop() {
    if (!Job::Stop()) return false;
    PointPetshouse* house = house_;
    house_ = nullptr;
    if (!house) return true;
    house->UnlinkFeedJob(this);
    if (carried_ > 0 && feed_) {
        int32_t dx, dy;
        house->GetFeedButtonOffset(&dx, &dy);
        const int32_t x = house->AnchorX() + (house->IsMirrored() ? -dx : dx);
        house->Host()->PutToWarehouse(feed_, carried_, nullptr, -1, x, house->AnchorY() + dy, 0);
    }
    carried_ = 0;
    if (!house->IsBeingRemoved()) {
        house->Host()->RefreshBuildingPanel(house);
        house->ShowFeedButton(house->Level()->IsBegun(), 0);
    }
    return true;
}

bool Job_Feed::Save(JobSaveContext& context, SaveWriter& writer) {
    if (IsFinished()) return true;
    uint8_t* record = BeginJobRecord(*this, context, writer, kRecordSize, kWork);
    if (!record) return false;
    kFeedLayout.Store({uint32_t(targetPoint_), feed_ ? feed_->record.id : 0, carried_}, record);
    return true;
}

std::unique_ptr<Job> Job_Feed::Load(MapPlayer* player, const uint8_t* record, size_t size) {
    if (size != kRecordSize || HeadOf(record).jobId != JOBID_FEED) return nullptr;
    FeedRecord saved;
    kFeedLayout.Load(record, &saved);
    PointPetshouse* house = HouseAt(player, saved.house);
    if (!house || !house->Type()->feedProduct || saved.feedId != house->Type()->feedProduct->record.id)
        return nullptr;
    // The job carries what its record says: 0 once the feed was used, else
    // the feed of one feeding.
    const uint32_t units = saved.carried;
    if (units != 0 && units != house->FeedUnits()) return nullptr;
    const uint32_t step = HeadOf(record).step;
    if (step > kWork || house->IsFed() || house->Stage() < 1) return nullptr;
    auto job = std::make_unique<Job_Feed>(player, house);
    job->LoadHead(record);
    job->carried_ = units;
    if (!job->LoadProgress(record) || (job->Progress().running && step != kWork)) {
        house->UnlinkFeedJob(job.get());
        job->Unlink();
        return nullptr;
    }
    return job;
}

// ---------------------------------------------------------------- Job_CollectProduce

Job_CollectProduce::Job_CollectProduce(MapPlayer* player, uint32_t jobId, PointPetshouse* house, float iconX,
                                       float iconY)
    : Job_AtHouse(player, jobId), house_(house) {
    if (!house) return;
    targetPoint_ = int32_t(house->Index());
    if (Job_CollectProduce* old = house->CollectJob()) {
        house->LinkCollectJob(nullptr);
        old->Unlink();
        old->Stop();
    }
    house->LinkCollectJob(this);
    FarmHost* host = house->Host();
    ShowJobIcon(this, host, host->FindSprite(kIconLibrary, kHandIcon), iconX, iconY, targetPoint_);
    // Whatever button the house shows goes: the farmer is on her way.
    house->HideOverheadButton(false, 0);
    Notify();
}

Job_CollectProduce::~Job_CollectProduce() {
    if (house_) house_->UnlinkCollectJob(this);
}

PointPetshouse* Job_CollectProduce::LetGo() {
    PointPetshouse* house = house_;
    house_ = nullptr;
    if (house) house->UnlinkCollectJob(this);
    return house;
}

bool Job_CollectProduce::SetStep(int32_t step) {
    if (!Job::SetStep(step)) return false;
    state_ = JobState::New;
    if (step_ > kWork) {
        Stop();
        return false;
    }
    return true;
}

void Job_CollectProduce::StartWork(const char16_t* name, int32_t facing) {
    const uint32_t total = house_->Type()->header.animal.workTime;
    const uint32_t elapsed = progress_.running ? std::min(progress_.elapsed, total) : 0;
    StartAnimation(int32_t(total - elapsed), name, facing, kWorkAnimationFlags);
    progress_.elapsed = elapsed;
    progress_.duration = std::min(total, kMaxLevelTimeMs);
}

void Job_CollectProduce::BeginStep() {
    if (step_ <= kWalkThere) {
        step_ = kWalkThere;
        float x, y;
        GetWorkSpot(&x, &y);
        BeginWalk(x, y, 0, 1.0f);
        return;
    }
    StartWork(WorkAnimation(), WorkFacing());
}

void Job_CollectProduce::OnWorkDone() {
    PointPetshouse* house = house_;
    house->CollectProducts(&messenger_);
    if (!IsFinished()) Finish();
    LetGo();
    // Produce the warehouse refused stays: its button comes back so that it
    // can be collected once there is room.
    house->RefreshButtons(true, 0);
    static_cast<MapPlayer*>(owner_)->RequestSideStep();
}

bool Job_CollectProduce::Stop() {
    if (!Job::Stop()) return false;
    PointPetshouse* house = LetGo();
    if (house) house->RefreshButtons(house->Level()->IsBegun(), 0);
    return true;
}

bool Job_CollectProduce::Save(JobSaveContext& context, SaveWriter& writer) {
    if (IsFinished()) return true;
    uint8_t* record = BeginJobRecord(*this, context, writer, kAtPointLayout.size, kWork);
    if (!record) return false;
    kAtPointLayout.Store({targetPoint_}, record);
    return true;
}

PointPetshouse* Job_CollectProduce::SavedHouse(MapPlayer* player, uint32_t index, const char* typeName) {
    PointPetshouse* house = HouseAt(player, index);
    return house && house->Type()->header.id == kis::NameId(typeName) ? house : nullptr;
}

bool Job_CollectProduce::LoadRecord(const uint8_t* record, uint32_t workStep) {
    const uint32_t step = HeadOf(record).step;
    LoadHead(record);
    if (LoadProgress(record) && (!progress_.running || step == workStep)) return true;
    LetGo();
    return false;
}

// ---------------------------------------------------------------- makers

std::unique_ptr<BaseLevelPoint> MakeAnimalHousePoint(FarmHost* host, uint32_t index,
                                                     const PointRecord& record) {
    if (record.kind != kPointBuilding) return nullptr;
    BUILDING* type = host->Buildings().FindBuildingType(record.objectId);
    if (!type || !type->IsAnimalHouse()) return nullptr;
    const uint32_t id = type->header.id;
    if (id == kis::NameId("henhouse")) return std::make_unique<PointHenhouse>(host, index, type);
    if (id == kis::NameId("cowshed")) return std::make_unique<PointCowshed>(host, index, type);
    if (id == kis::NameId("sheep_rack")) return std::make_unique<PointSheepRack>(host, index, type);
    return nullptr;
}

void RegisterAnimalJobLoaders() {
    SetPlayerJobLoader(JOBID_FEED, &Job_Feed::Load);
    SetPlayerJobLoader(JOBID_TAKEEGGS, &Job_TakeEggs::Load);
    SetPlayerJobLoader(JOBID_MILKCOWS, &Job_MilkCows::Load);
    SetPlayerJobLoader(JOBID_CUTSHEEPS, &Job_CutSheeps::Load);
}
