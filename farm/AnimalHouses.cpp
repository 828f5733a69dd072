#include "farm/AnimalHouses.h"

#include "engine/Log.h"
#include "farm/Products.h"
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

constexpr uint32_t kFadeMs = 200;
// A job's icon over its house is drawn in its own colours (a dark tint would
// hide it).
constexpr uint32_t kIconTint = 0xFFFFFFFF;
constexpr uint32_t kWorkAnimationFlags = 5;
// A character's direction variants in turning order: down, right, up, left.
constexpr int32_t kFacingRight = 1, kFacingLeft = 3;
constexpr const char16_t* kHandIcon = u"small_ico_hand";
constexpr int32_t kEggsButtonLift = 16;
constexpr int32_t kTakeEggsDrop = 12;
constexpr int32_t kCowButtonLift = 56;
constexpr uint32_t kCowColourMs = 100;
constexpr int32_t kCutButtonLift = 40;
constexpr float kCrowdDistance = 32.0f;
constexpr int32_t kSpotTries = 100;

MapSprite* AsMapSprite(Sprite* sprite) {
    return static_cast<MapSprite*>(sprite);
}

float Distance(float ax, float ay, float bx, float by) {
    return std::hypot(ax - bx, ay - by);
}

bool Finite(float f) {
    return std::isfinite(f);
}

// The units of the type's level record at a stage (at least level 1).
uint32_t UnitsAt(const PointBuilding* house, int32_t stage) {
    const BuildingLevel* level = house->LevelRecord(std::max(stage, 1));
    return level ? level->record.animal.feedUnits : 0;
}

// The animal-house point of a saved record's index: a building of an
// animal-house type; null otherwise.
PointPetshouse* HouseAt(BuildingHost* host, uint32_t index) {
    if (!host || index >= host->Level().PointCount()) return nullptr;
    BaseLevelPoint* base = host->Level().GetPoint(int32_t(index));
    auto* house = dynamic_cast<PointPetshouse*>(base);
    if (!house || house->Kind() != kPointBuilding || !house->Type()->IsAnimalHouse()) return nullptr;
    return house;
}

void ShowJobIcon(Job* job, BuildingHost* host, Sprite* icon, float x, float y, int32_t point) {
    if (icon && host->Map()) job->ShowIcon(x, y, AsMapSprite(icon), point, kIconTint);
}

// Saves the animals' character blocks as the second-pass block.
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

} // namespace

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

// ---------------------------------------------------------------- PointPetshouse

PointPetshouse::PointPetshouse(BuildingHost* host, uint32_t index, BUILDING* type)
    : PointBuilding(host, index, kPointBuilding, type) {}

PointPetshouse::~PointPetshouse() {
    if (feedJob_) feedJob_->Unlink();
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
    host_->ShowProductChange(type_->feedProduct, -int32_t(units), x, y);
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
    if (command != kFeedCommand || buttonCommand_ != kFeedCommand || !button_ || !HasFeed()) return false;
    host_->Level().ResetSelection(nullptr);
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
    if (frames < 1 || !Finite(fraction)) {
        overlay_->SetFrame(0);
        return;
    }
    fraction = std::clamp(fraction, 0.0f, 1.0f);
    overlay_->SetFrame(int32_t(std::ceil(float(frames - 1) * fraction)));
}

void PointPetshouse::ShowFeedButton(bool animated, uint32_t delay) {
    if (beingRemoved_ || stage_ < 1 || damage_ > 0 || button_ || feedJob_ || buildJob_ || upgrading_) return;
    int32_t dx, dy, x, y;
    GetFeedButtonOffset(&dx, &dy);
    AnchorPlus(dx, dy, &x, &y);
    button_ = host_->ShowAnimalButton(this, kFeedCommand, type_->feedProduct, int32_t(FeedUnits()), x, y,
                                      animated, delay);
    if (!button_) return;
    buttonCommand_ = kFeedCommand;
    button_->SetEnabled(HasFeed());
}

void PointPetshouse::ShowOwnButton(uint32_t command, int32_t x, int32_t y, bool animated, uint32_t delay) {
    button_ = host_->ShowAnimalButton(this, command, nullptr, 0, x, y, animated, delay);
    if (!button_) return;
    buttonCommand_ = command;
    button_->SetEnabled(true);
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
        if (!animals_ && !beingRemoved_ && damage_ == 0) delay = CreateAnimals(animated, delay);
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
            overlay_->AddToLevel(kOverlayLayer);
            if (animated) overlay_->AttachEffect(new SEffect_Build(kFadeMs, delay));
        }
        delay = RefreshButtons(animated, delay);
        host_->RefreshBuildingPanel(this);
    }
    if (first) {
        joinedTrack_ = true;
        host_->Level().ApplySpeedTrack(kAnimalSpeedGroup, this);
    }
    return delay;
}

void PointPetshouse::StartTrack(uint32_t id, float value) {
    track_.Set(id, value);
}

uint32_t PointPetshouse::Remove(bool animated, bool forGood, uint32_t delay) {
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
            MapObject::AddEffect(overlay_, d, new SEffect_Scale(1.0f, 0.0f, kFadeMs, true, d));
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
    const std::vector<MapCharacter*> animals = Animals();
    return LoadAnimalBlock(in, uint32_t(animals.size()), animals);
}

// ---------------------------------------------------------------- Job_Feed

Job_Feed::Job_Feed(MapPlayer* player, PointPetshouse* house)
    : Job(player, JOBID_FEED), house_(house), feed_(house->Type()->feedProduct) {
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
    if (step_ > 2) {
        Stop();
        return false;
    }
    state_ = JobState::New;
    return true;
}

void Job_Feed::BeginStep() {
    const BuildingLevel* level = house_->CurrentLevel();
    const BuildingAnimalPart& animal = house_->Type()->header.animal;
    if (step_ <= 1) {
        step_ = 1;
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
    progress_.duration = total;
}

void Job_Feed::Update(uint32_t ms) {
    if (!house_) {
        Stop();
        return;
    }
    switch (state_) {
    case JobState::New:
        BeginStep();
        break;
    case JobState::Walking:
        if (UpdateWalk(1.0f)) {
            step_ = 2;
            state_ = JobState::New;
            BeginStep();
        }
        break;
    case JobState::Animating:
        progress_.elapsed += ms;
        if (UpdateAnimation()) {
            Finish();
            PointPetshouse* house = house_;
            house_ = nullptr;
            house->UnlinkFeedJob(this);
            carried_ = 0;
            house->SetFed(true, true);
            if (house->Type()->header.animal.stepAside) static_cast<MapPlayer*>(owner_)->RequestSideStep();
        }
        break;
    default:
        break;
    }
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
        house->ShowFeedButton(house->Host()->Level().IsBegun(), 0);
    }
    return true;
}

bool Job_Feed::Save(JobSaveContext& context, SaveWriter& writer) {
    if (IsFinished()) return true;
    uint8_t* record = BeginSaveRecord(context, writer, kRecordSize);
    if (!record) return false;
    SaveProgress(record, step_ == 2 && (state_ == JobState::Animating || progress_.running));
    PutU32(record, 40, uint32_t(targetPoint_));
    PutU32(record, 44, feed_ ? feed_->record.id : 0);
    PutU32(record, 48, carried_);
    return true;
}

std::unique_ptr<Job> Job_Feed::Load(MapPlayer* player, const uint8_t* record, size_t size) {
    if (size != kRecordSize || U32At(record, 4) != JOBID_FEED) return nullptr;
    BuildingHost* host = dynamic_cast<BuildingHost*>(player->Services());
    PointPetshouse* house = HouseAt(host, U32At(record, 40));
    if (!house || !house->Type()->feedProduct || U32At(record, 44) != house->Type()->feedProduct->record.id)
        return nullptr;
    // The job carries what its record says: 0 once the feed was used, else
    // the feed of one feeding.
    const uint32_t units = U32At(record, 48);
    if (units != 0 && units != house->FeedUnits()) return nullptr;
    const uint32_t step = U32At(record, 8);
    if (step > 2 || house->IsFed() || house->Stage() < 1) return nullptr;
    auto job = std::make_unique<Job_Feed>(player, house);
    job->LoadHead(record);
    job->carried_ = units;
    if (!job->LoadProgress(record) || (job->Progress().running && step != 2)) {
        house->UnlinkFeedJob(job.get());
        job->Unlink();
        return nullptr;
    }
    return job;
}

// ---------------------------------------------------------------- chicken jobs

namespace {

// Walks to the chicken's eating spot and eats until stopped.
class Job_ChickenEat : public Job {
  public:
    static constexpr size_t kRecordSize = 48;
    Job_ChickenEat(MapChicken* chicken, int32_t x, int32_t y, uint32_t animation)
        : Job(chicken, JOBID_PETEAT), chicken_(chicken), x_(x), y_(y), animation_(animation) {
        chicken->eatJob = this;
        chicken->SetWalkTarget(float(x), float(y));
    }
    ~Job_ChickenEat() override { Unlink(); }
    bool SetStep(int32_t step) override {
        if (!Job::SetStep(step)) return false;
        state_ = JobState::New;
        return step_ <= 2;
    }
    void Update(uint32_t) override {
        switch (state_) {
        case JobState::New:
            if (step_ <= 1) {
                step_ = 1;
                BeginWalk(float(x_), float(y_), 0, 1.5f);
            } else {
                Begin();
            }
            break;
        case JobState::Walking:
            if (UpdateWalk(1.5f)) {
                step_ = 2;
                Begin();
            }
            break;
        case JobState::Animating:
            // Runs until stopped: the elapsed time never adds up.
            progress_.elapsed = 0;
            break;
        default:
            break;
        }
    }
    bool Stop() override {
        if (!Job::Stop()) return false;
        Unlink();
        chicken_->ResetWalkTarget();
        return true;
    }
    bool Save(JobSaveContext& context, SaveWriter& writer) override {
        if (IsFinished()) return true;
        uint8_t* record = BeginSaveRecord(context, writer, kRecordSize);
        if (!record) return false;
        SaveProgress(record, step_ == 2 && (state_ == JobState::Animating || progress_.running));
        PutI32(record, 40, x_);
        PutI32(record, 44, y_);
        return true;
    }
    int32_t X() const { return x_; }
    int32_t Y() const { return y_; }

  private:
    void Begin() {
        StartAnimation(kEndlessAnimationMs, u"chicken_eat", int32_t(animation_), kWorkAnimationFlags);
        progress_.elapsed = 0;
        if (!placed_) LogLabelPrintf(kLogIndent, "Chicken eats", "slot %d", chicken_->Slot());
        if (!placed_) chicken_->SetInPlace(true);
        placed_ = true;
    }
    void Unlink() {
        if (chicken_->eatJob == this) chicken_->eatJob = nullptr;
        if (placed_) chicken_->SetInPlace(false);
        placed_ = false;
    }
    MapChicken* chicken_;
    int32_t x_, y_;
    uint32_t animation_;
    bool placed_ = false;
};

// Walks to the chicken's nest and sits until stopped.
class Job_ChickenEgg : public Job {
  public:
    static constexpr size_t kRecordSize = 48;
    Job_ChickenEgg(MapChicken* chicken, int32_t x, int32_t y)
        : Job(chicken, JOBID_CHICKENEGG), chicken_(chicken), x_(float(x)), y_(float(y - 1)) {
        chicken->nestJob = this;
        chicken->SetWalkTarget(x_, y_);
    }
    ~Job_ChickenEgg() override { Unlink(); }
    bool SetStep(int32_t step) override {
        if (!Job::SetStep(step)) return false;
        state_ = JobState::New;
        return step_ <= 2;
    }
    void Update(uint32_t) override {
        switch (state_) {
        case JobState::New:
            if (step_ <= 1) {
                step_ = 1;
                BeginWalk(x_, y_, 0, 1.0f);
            } else {
                Begin();
            }
            break;
        case JobState::Walking:
            if (UpdateWalk(1.0f)) {
                step_ = 2;
                Begin();
            }
            break;
        case JobState::Animating:
            progress_.elapsed = 0;
            break;
        default:
            break;
        }
    }
    bool Stop() override {
        if (!Job::Stop()) return false;
        Unlink();
        chicken_->ResetWalkTarget();
        return true;
    }
    bool Save(JobSaveContext& context, SaveWriter& writer) override {
        if (IsFinished()) return true;
        uint8_t* record = BeginSaveRecord(context, writer, kRecordSize);
        if (!record) return false;
        SaveProgress(record, step_ == 2 && (state_ == JobState::Animating || progress_.running));
        PutF32(record, 40, x_);
        PutF32(record, 44, y_);
        return true;
    }
    float X() const { return x_; }
    float Y() const { return y_; }

  private:
    void Begin() {
        const GameCharacter* d = chicken_->Description();
        const char16_t* name = d ? d->GetAnimationName(chicken_->AnimationKind(), 0) : nullptr;
        StartAnimation(kEndlessAnimationMs, name ? name : u"", -1, kWorkAnimationFlags);
        progress_.elapsed = 0;
        if (!placed_) LogLabelPrintf(kLogIndent, "Chicken sits on its nest", "slot %d", chicken_->Slot());
        if (!placed_) chicken_->SetInPlace(true);
        placed_ = true;
    }
    void Unlink() {
        if (chicken_->nestJob == this) chicken_->nestJob = nullptr;
        if (placed_) chicken_->SetInPlace(false);
        placed_ = false;
    }
    MapChicken* chicken_;
    float x_, y_;
    bool placed_ = false;
};

} // namespace

// ---------------------------------------------------------------- MapChicken

MapChicken::MapChicken(LevelMap* map, PointHenhouse* house, int32_t slot, float x, float y)
    : MapCharacter(map, house->Type()->animal, 0, nullptr, house->IsMirrored() ? 1 : 0, x, y,
                   int32_t(house->Index())),
      house_(house), slot_(slot), targetX_(x), targetY_(y) {
    noRerouteCount = 0;
}

MapChicken::~MapChicken() {
    // The jobs go first, while their links into this chicken are whole.
    DeleteAllJobs();
}

void MapChicken::SetInPlace(bool on) {
    if (on == inPlace_) return;
    inPlace_ = on;
    if (house_) house_->ChangeInPlace(on ? 1 : -1);
}

void MapChicken::Enter(bool animated, uint32_t delay) {
    if (delay > 0) {
        entryDelay_ = delay;
        pendingEntry_ = true;
        return;
    }
    pendingEntry_ = false;
    AddToLevel(0);
    if (animated) {
        // The effect fades the chicken in; its own alpha stays whole.
        AttachEffect(new SEffect_Alpha(0.0f, 1.0f, kFadeMs, true, 0));
        FindWalkTarget();
    }
}

bool MapChicken::FindWalkTarget() {
    if (!house_) return false;
    const float ax = float(house_->AnchorX()), ay = float(house_->AnchorY());
    shpf::PathFinder* finder = Services() ? Services()->PathFinder() : nullptr;
    const shpf::_SHAPEGRID* grid =
        finder ? finder->GetGrid(description_ ? description_->clearanceClass : 0) : nullptr;
    for (int32_t t = 0; t < kSpotTries; ++t) {
        const float x = ax + float(kis::Random(161) - 80);
        const float y = ay + float(kis::Random(79) - 24);
        if (Distance(x, y, x_, y_) < kCrowdDistance) continue;
        const float ex = (x - ax) / 80.0f, ey = (y - ay) / 54.0f;
        if (ex * ex + ey * ey > 1.0f) continue;
        if (grid && shpf::PathFinder::GetGridCell(grid, int(x), int(y))) continue;
        bool crowded = false;
        for (int32_t s = 0; s < kMaxAnimals && !crowded; ++s) {
            const MapChicken* other = house_->Chicken(s);
            crowded =
                other && other != this && Distance(x, y, other->TargetX(), other->TargetY()) < kCrowdDistance;
        }
        if (crowded) continue;
        SetWalkTarget(x, y);
        AddJob(std::make_unique<Job_GoTo>(this, x, y, 0, 1.0f, -1, true));
        idleWait_ = uint32_t(kis::Random(300)) * 10 + 1000;
        return true;
    }
    idleWait_ = 100;
    return false;
}

void MapChicken::Leave() {
    leaving_ = true;
    if (house_ && house_->Host()->Level().IsBegun()) {
        float x, y;
        house_->GetStartSpot(slot_, &x, &y);
        SetWalkTarget(x, y);
        AddJob(std::make_unique<Job_GoTo>(this, x, y, 0, 1.0f, -1, true));
    } else {
        gone = true;
    }
}

void MapChicken::Idle() {
    if (leaving_) {
        gone = true;
        return;
    }
    if (!house_ || !IsOnLevel()) return;
    if (crowdCheck_ == 0) {
        crowdCheck_ = kCrowdCheckMs;
        for (int32_t s = 0; s < kMaxAnimals; ++s) {
            const MapChicken* other = house_->Chicken(s);
            if (other && other != this &&
                Distance(x_, y_, other->TargetX(), other->TargetY()) < kCrowdDistance) {
                FindWalkTarget();
                return;
            }
        }
    }
    idleWait_ = idleWait_ > kTickMs ? idleWait_ - kTickMs : 0;
    if (idleWait_ == 0) FindWalkTarget();
}

void MapChicken::Update(uint32_t ms) {
    if (pendingEntry_) {
        entryDelay_ = entryDelay_ > ms ? entryDelay_ - ms : 0;
        if (entryDelay_ > 0) return;
        Enter(true, 0);
    }
    crowdCheck_ = crowdCheck_ > ms ? crowdCheck_ - ms : 0;
    MapCharacter::Update(ms);
}

void MapChicken::FillSaveRecord(uint8_t* block) const {
    MapCharacter::FillSaveRecord(block);
    PutU32(block, kSubclassOffset, idleWait_);
}

bool MapChicken::ApplyLoadedState(const uint8_t* block) {
    const uint32_t wait = U32At(block, kSubclassOffset);
    if (wait > 3990) return false;
    if (pendingEntry_) Enter(false, 0);
    idleWait_ = wait;
    return true;
}

std::unique_ptr<Job> MapChicken::CreateJobFromRecord(uint32_t jobId, const uint8_t* record, size_t size) {
    failedJob_ = jobId;
    if (!house_) return nullptr;
    const uint32_t step = size >= Job::kHeadSize ? U32At(record, 8) : 0;
    if (jobId == JOBID_GOTO) {
        if (size != Job_GoTo::kShortRecordSize) return nullptr;
        std::unique_ptr<Job_GoTo> job = Job_GoTo::Load(this, record, size);
        if (!job) return nullptr;
        targetX_ = F32At(record, 16);
        targetY_ = F32At(record, 20);
        failedJob_ = 0;
        return job;
    }
    if (jobId == JOBID_PETEAT) {
        // Only a chicken of a house in its eating phase eats, at its spot.
        int32_t x, y;
        house_->GetEatingSpot(slot_, &x, &y);
        if (size != Job_ChickenEat::kRecordSize || house_->Phase() != 1 || step > 2 ||
            I32At(record, 40) != x || I32At(record, 44) != y)
            return nullptr;
        auto job = std::make_unique<Job_ChickenEat>(this, x, y, house_->EatAnimationValue(slot_));
        job->LoadHead(record);
        if (!job->LoadProgress(record) || (job->Progress().running && step != 2)) return nullptr;
        failedJob_ = 0;
        return job;
    }
    if (jobId == JOBID_CHICKENEGG) {
        const auto& nest = house_->Nests()[size_t(slot_)];
        if (size != Job_ChickenEgg::kRecordSize || house_->Phase() != 3 || step > 2 ||
            F32At(record, 40) != float(nest[0]) || F32At(record, 44) != float(nest[1] - 1))
            return nullptr;
        auto job = std::make_unique<Job_ChickenEgg>(this, nest[0], nest[1]);
        job->LoadHead(record);
        if (!job->LoadProgress(record) || (job->Progress().running && step != 2)) return nullptr;
        failedJob_ = 0;
        return job;
    }
    return nullptr;
}

bool MapChicken::LoadJobs(SaveReader& reader, uint32_t count, std::vector<std::unique_ptr<Job>>* jobs,
                          std::string* why) {
    failedJob_ = 0;
    if (MapCharacter::LoadJobs(reader, count, jobs, why)) return true;
    if (why && JobIdName(failedJob_) &&
        (failedJob_ == JOBID_GOTO || failedJob_ == JOBID_PETEAT || failedJob_ == JOBID_CHICKENEGG))
        *why = JobLoadErrorText(failedJob_);
    return false;
}

// ---------------------------------------------------------------- PointHenhouse

PointHenhouse::PointHenhouse(BuildingHost* host, uint32_t index, BUILDING* type)
    : PointPetshouse(host, index, type) {}

PointHenhouse::~PointHenhouse() {
    if (takeEggs_) takeEggs_->Unlink();
    for (auto* list : {&chickens_, &leaving_})
        for (auto& chicken : *list)
            if (chicken) chicken->Unlink();
    DeleteEggSprites();
    LevelMap* map = host_->Map();
    if (map && nest_ && map->Owns(nest_)) map->Delete(nest_);
}

std::array<float, 4> PointHenhouse::PhaseTimers(uint32_t productionMs, uint32_t eatingMs) {
    const float rest = std::max(float(productionMs) - float(eatingMs) - kNestPhaseMs, 0.0f);
    const float fifth = rest / 5.0f;
    return {rest - fifth, float(eatingMs), fifth, kNestPhaseMs};
}

void PointHenhouse::GetNestCentre(int32_t* x, int32_t* y) const {
    AnchorPlus(kNestDx, kNestDy, x, y);
}

void PointHenhouse::GetStartSpot(int32_t slot, float* x, float* y) const {
    const int32_t* spot = type_->header.animal.animalStart[std::clamp(slot, 0, kMaxAnimals - 1)];
    int32_t ix, iy;
    AnchorPlus(spot[0], spot[1], &ix, &iy);
    *x = float(ix);
    *y = float(iy);
}

void PointHenhouse::GetEatingSpot(int32_t slot, int32_t* x, int32_t* y) const {
    const BuildingLevel* level = CurrentLevel();
    const int32_t* spot =
        level ? level->record.animal.animalSpots[std::clamp(slot, 0, kMaxAnimals - 1)] : nullptr;
    AnchorPlus(spot ? spot[0] : 0, spot ? spot[1] : 0, x, y);
}

uint32_t PointHenhouse::EatAnimationValue(int32_t slot) const {
    const BuildingLevel* level = CurrentLevel();
    return level
               ? level->record.animal.animalAnimation[std::clamp(slot, 0, kMaxAnimals - 1)][mirrored_ ? 1 : 0]
               : 0;
}

void PointHenhouse::GetFeedSpotOffset(int32_t* x, int32_t* y) const {
    const BuildingLevel* level = CurrentLevel();
    *x = level ? level->record.animal.overlayOffset[0] : 0;
    *y = level ? level->record.animal.overlayOffset[1] : 0;
}

void PointHenhouse::GetFeedButtonOffset(int32_t* x, int32_t* y) const {
    GetFeedSpotOffset(x, y);
    *y -= 8;
}

void PointHenhouse::RefreshFeedGauge() {
    const uint32_t eating = type_->header.animal.eatingTime;
    SetOverlayFrame(fed_ && eating > 0 ? (phase_ > 1   ? 0.0f
                                          : phase_ < 1 ? 1.0f
                                                       : timers_[1] / float(eating))
                                       : 0.0f);
}

std::vector<MapCharacter*> PointHenhouse::Animals() const {
    std::vector<MapCharacter*> animals;
    for (const auto& chicken : chickens_)
        if (chicken) animals.push_back(chicken.get());
    return animals;
}

uint32_t PointHenhouse::CreateVisuals(bool animated, uint32_t delay) {
    delay = PointPetshouse::CreateVisuals(animated, delay);
    LevelMap* map = host_->Map();
    if (stage_ >= 1 && !nest_ && map && type_->nestSprite) {
        int32_t x, y;
        GetNestCentre(&x, &y);
        nest_ = CreateMapObject(map, AsMapSprite(type_->nestSprite), 0, float(x), float(y), 0x10002004,
                                int32_t(index_), mirrored_);
        nest_->AddToLevel(2);
        if (animated) {
            // Unseen for the delay, then faded in (the nest's own alpha stays whole).
            if (delay > 0) nest_->AttachEffect(new SEffect_Alpha(0.0f, 0.0f, delay, true, 0));
            nest_->AttachEffect(new SEffect_Alpha(0.0f, 1.0f, kFadeMs, true, delay));
        }
    }
    return delay;
}

uint32_t PointHenhouse::CreateAnimals(bool animated, uint32_t delay) {
    delay = PointPetshouse::CreateAnimals(animated, delay);
    LevelMap* map = host_->Map();
    if (phase_ == 4 || !map) return delay;
    if (animated) delay += 100;
    chickenCount_ = std::clamp(stage_, 0, kMaxAnimals);
    for (int32_t s = 0; s < chickenCount_; ++s) {
        if (chickens_[size_t(s)]) continue;
        float x, y;
        GetStartSpot(s, &x, &y);
        chickens_[size_t(s)] = std::make_unique<MapChicken>(map, this, s, x, y);
        chickens_[size_t(s)]->Enter(animated, animated ? delay : 0);
        if (animated) delay += 100;
    }
    return delay;
}

uint32_t PointHenhouse::StopAnimals(bool animated, bool forGood, uint32_t delay) {
    delay = PointPetshouse::StopAnimals(animated, forGood, delay);
    restart_ = true;
    for (auto& chicken : leaving_)
        if (chicken && (!animated || forGood)) chicken.reset();
    if (forGood) {
        for (auto& chicken : chickens_)
            chicken.reset();
        chickenCount_ = 0;
        inPlace_ = 0;
        return delay;
    }
    for (auto& chicken : chickens_) {
        if (!chicken) continue;
        if (phase_ == 1 && chicken->eatJob) chicken->eatJob->Stop();
        if (phase_ == 3 && chicken->nestJob) chicken->nestJob->Stop();
    }
    return delay;
}

uint32_t PointHenhouse::RefreshButtons(bool animated, uint32_t delay) {
    delay = PointPetshouse::RefreshButtons(animated, delay);
    if (!beingRemoved_ && phase_ == 4 && fed_ && !button_ && !takeEggs_ && damage_ == 0 &&
        !eggSprites_.empty()) {
        int32_t x, y;
        GetNestCentre(&x, &y);
        ShowOwnButton(kEggsCommand, x, y - kEggsButtonLift, animated, delay);
    }
    return delay;
}

void PointHenhouse::SetFed(bool fed, bool animated) {
    if (fed) {
        timers_ = PhaseTimers(type_->header.animal.productionTime, type_->header.animal.eatingTime);
        phase_ = 0;
        restart_ = false;
        PlaceNests();
    }
    PointPetshouse::SetFed(fed, animated);
}

void PointHenhouse::PlaceNests() {
    int32_t cx, cy;
    GetNestCentre(&cx, &cy);
    for (int32_t n = 0; n < kMaxAnimals; ++n) {
        // Drawn until a spot fits; the first nest sits near the centre.
        for (int32_t tries = 0;; ++tries) {
            const int32_t x = n == 0 ? cx + kis::Random(7) - 3 : cx + kis::Random(35) - 17;
            const int32_t y = n == 0 ? cy + kis::Random(5) - 2 : cy + kis::Random(21) - 10;
            const float ex = float(x - cx) / 17.0f, ey = float(y - cy) / 10.0f;
            bool fits = ex * ex + ey * ey <= 1.0f;
            for (int32_t m = 0; m < n && fits; ++m)
                fits = Distance(float(x), float(y), float(nests_[size_t(m)][0]),
                                float(nests_[size_t(m)][1])) >= 8.0f;
            // A bound on the draws keeps a crowded ellipse from holding
            // the game; the last draw is taken as it is.
            if (fits || tries >= 1000) {
                nests_[size_t(n)] = {x, y};
                break;
            }
        }
    }
}

void PointHenhouse::DeleteEggSprites() {
    LevelMap* map = host_->Map();
    for (SpriteObject* egg : eggSprites_)
        if (map && map->Owns(egg)) map->Delete(egg);
    eggSprites_.clear();
}

void PointHenhouse::ShowEggs(int32_t count, bool animated) {
    DeleteEggSprites();
    eggCount_ = std::clamp(count, 0, kMaxAnimals);
    LevelMap* map = host_->Map();
    const PRODUCT* egg = type_->produceProduct;
    for (int32_t i = 0; i < eggCount_; ++i) {
        if (!map || !egg || !egg->mapSprite) {
            // No picture: the list still holds one entry per egg.
            eggSprites_.push_back(nullptr);
            continue;
        }
        const auto& nest = nests_[size_t(i)];
        SpriteObject* sprite = CreateMapObject(map, AsMapSprite(egg->mapSprite), 1, float(nest[0]),
                                               float(nest[1]), 0x10000000, int32_t(index_), false);
        const int32_t frames = egg->mapSprite->GetFrameCount();
        sprite->SetFrame(2 * kis::Random(std::max((frames + 1) / 2, 1)));
        sprite->AddToLevel(0);
        if (animated) sprite->AttachEffect(new SEffect_Build(kFadeMs, 0));
        eggSprites_.push_back(sprite);
    }
    if (animated && type_->workingSound)
        host_->PlaySound(type_->workingSound, kFactorySoundCategory, kSoundLoopAsLoaded);
}

void PointHenhouse::EnterPhase(int32_t phase) {
    for (auto& chicken : chickens_) {
        if (!chicken) continue;
        if (phase_ == 1 && chicken->eatJob) chicken->eatJob->Stop();
        if (phase_ == 3 && chicken->nestJob) chicken->nestJob->Stop();
    }
    phase_ = phase;
    for (int32_t s = 0; s < kMaxAnimals; ++s) {
        MapChicken* chicken = chickens_[size_t(s)].get();
        if (!chicken) continue;
        if (phase == 1) {
            int32_t x, y;
            GetEatingSpot(s, &x, &y);
            chicken->AddJob(std::make_unique<Job_ChickenEat>(chicken, x, y, EatAnimationValue(s)));
        } else if (phase == 3) {
            chicken->AddJob(
                std::make_unique<Job_ChickenEgg>(chicken, nests_[size_t(s)][0], nests_[size_t(s)][1]));
        }
    }
    if (phase == 4 && chickenCount_ > 0) {
        const bool animated = LevelBegun();
        if (animated) LogLabelPrintf(kLogIndent, "Eggs laid", "%d at point %u", chickenCount_, index_);
        if (eggCount_ == 0) ShowEggs(chickenCount_, animated);
        for (int32_t s = 0; s < kMaxAnimals; ++s) {
            if (!chickens_[size_t(s)]) continue;
            chickens_[size_t(s)]->SetInPlace(false);
            leaving_[size_t(s)] = std::move(chickens_[size_t(s)]);
            leaving_[size_t(s)]->Leave();
        }
        chickenCount_ = 0;
        inPlace_ = 0;
        RefreshButtons(animated, 200);
    }
}

int32_t PointHenhouse::Update(uint32_t ms) {
    const int32_t t = PointBuilding::Update(ms);
    UpdateAnimals(ms);
    for (auto& chicken : leaving_) {
        if (!chicken) continue;
        chicken->Update(ms);
        if (chicken->gone) chicken.reset();
    }
    if (!fed_ || buildJob_ || upgrading_ || locked_ || damage_ > 0 || t <= 0) return t;
    if (restart_) {
        restart_ = false;
        EnterPhase(phase_);
    }
    const bool waiting = (phase_ == 1 || phase_ == 3) && inPlace_ < chickenCount_;
    if (phase_ < 4 && !waiting) {
        float& timer = timers_[size_t(phase_)];
        timer = std::max(timer - float(t) * Rate() * host_->Level().GetSpeedFactor(kAnimalSpeedGroup), 0.0f);
        if (phase_ == 1) RefreshFeedGauge();
        if (timer <= 0.0f) EnterPhase(phase_ + 1);
    }
    return t;
}

bool PointHenhouse::OnOverheadCommand(uint32_t command) {
    if (command != kEggsCommand || buttonCommand_ != kEggsCommand)
        return PointPetshouse::OnOverheadCommand(command);
    MapPlayer* player = host_->Player();
    if (!player) return false;
    host_->Level().ResetSelection(nullptr);
    HideOverheadButton(true, 0);
    return player->AddJob(std::make_unique<Job_TakeEggs>(player, this)) != nullptr;
}

bool PointHenhouse::CollectProducts(GameMessager* messenger) {
    bool delivered = false;
    if (fed_ && eggCount_ > 0 && type_->produceProduct) {
        int32_t x, y;
        GetNestCentre(&x, &y);
        const uint32_t stored = host_->PutToWarehouse(type_->produceProduct, uint32_t(eggCount_), messenger,
                                                      kProduceAwardCounter, x, y, 0);
        if (stored > 0) {
            delivered = true;
            host_->PlayEventSound(kAnimalStoreSound);
            LevelMap* map = host_->Map();
            for (SpriteObject* egg : eggSprites_)
                if (egg && map) MapObject::AddEffect(egg, 0, new SEffect_Scale(1.0f, 0.0f, kFadeMs, true, 0));
            eggSprites_.clear();
            eggCount_ = 0;
            if (buttonCommand_ == kEggsCommand) HideOverheadButton(true, 0);
            SetFed(false, true);
            host_->TutorialNotify(kTutorialProduceCollected, intptr_t(type_->produceProduct->record.id),
                                  reinterpret_cast<intptr_t>(this));
        }
    }
    if (buttonCommand_ == kEggsCommand) HideOverheadButton(true, 0);
    return delivered;
}

uint32_t PointHenhouse::Remove(bool animated, bool forGood, uint32_t delay) {
    if (forGood && takeEggs_) {
        Job_TakeEggs* job = takeEggs_;
        takeEggs_ = nullptr;
        job->Unlink();
        job->Stop();
    }
    LevelMap* map = host_->Map();
    if (!animated) {
        DeleteEggSprites();
        if (nest_ && map) map->Delete(nest_);
        nest_ = nullptr;
    } else if (forGood) {
        if (nest_) MapObject::AddEffect(nest_, delay, new SEffect_Alpha(1.0f, 0.0f, kFadeMs, true, delay));
        nest_ = nullptr;
        for (SpriteObject* egg : eggSprites_)
            if (egg) MapObject::AddEffect(egg, delay, new SEffect_Scale(1.0f, 0.0f, kFadeMs, true, delay));
        eggSprites_.clear();
    }
    return PointPetshouse::Remove(animated, forGood, delay);
}

void PointHenhouse::OnDamaged(bool animated) {
    PointPetshouse::OnDamaged(animated);
    if (takeEggs_) takeEggs_->Stop();
    if (buttonCommand_ == kEggsCommand) HideOverheadButton(animated, 0);
}

void PointHenhouse::SaveOwn(SaveWriter& out) const {
    out.PutU32(kRecordSize);
    out.PutU32(fed_ ? 1 : 0);
    out.PutI32(fed_ ? phase_ : 0);
    for (float timer : timers_)
        out.PutF32(fed_ ? timer : 0.0f);
    for (const auto& nest : nests_) {
        out.PutI32(fed_ ? nest[0] : 0);
        out.PutI32(fed_ ? nest[1] : 0);
    }
    out.PutI32(fed_ ? eggCount_ : 0);
}

bool PointHenhouse::LoadOwn(SaveReader& in) {
    SaveReader block = in.ReadBlock(kRecordSize, kRecordSize);
    const uint32_t fed = block.ReadU32();
    const int32_t phase = block.ReadI32();
    std::array<float, 4> timers;
    for (float& timer : timers)
        timer = block.ReadF32();
    std::array<std::array<int32_t, 2>, 4> nests;
    for (auto& nest : nests)
        nest = {block.ReadI32(), block.ReadI32()};
    const int32_t eggs = block.ReadI32();
    bool ok = !block.Failed() && fed <= 1 && (fed == 0 || stage_ >= 1);
    if (ok && fed == 0) {
        // Nothing else is kept for a house that waits for feed.
        ok = phase == 0 && eggs == 0;
        for (float timer : timers)
            ok = ok && timer == 0.0f;
        for (const auto& nest : nests)
            ok = ok && nest[0] == 0 && nest[1] == 0;
    }
    if (ok && fed == 1) {
        // Eggs lie only once the chickens have left (phase 4), one a chicken.
        ok = phase >= 0 && phase < kPhaseCount && (phase == 4 ? eggs >= 1 && eggs <= kMaxAnimals : eggs == 0);
        for (float timer : timers)
            ok = ok && Finite(timer) && timer >= 0.0f && timer <= 1e9f;
        int32_t cx, cy;
        GetNestCentre(&cx, &cy);
        for (const auto& nest : nests)
            ok = ok && std::abs(nest[0] - cx) <= 17 && std::abs(nest[1] - cy) <= 10;
    }
    if (!ok) {
        in.Fail();
        return false;
    }
    // The base block has already given the point's delay: the load keeps it.
    const uint32_t pending = pendingDelayMs_;
    if (fed == 0) {
        SetFed(false, false);
        pendingDelayMs_ = pending;
        return true;
    }
    fed_ = true;
    phase_ = phase;
    timers_ = timers;
    nests_ = nests;
    restart_ = false;
    eggCount_ = 0;
    host_->RefreshBuildingPanel(this);
    if (phase == 4) {
        // The saved eggs lie as they were; no chickens come for them, and
        // a house upgraded while holding them keeps their number.
        ShowEggs(eggs, false);
        RefreshButtons(false, 0);
    } else {
        RefreshButtons(false, 0);
        const int32_t saved = phase_;
        phase_ = -1;
        EnterPhase(saved);
    }
    pendingDelayMs_ = pending;
    if (eggCount_ != eggs) {
        in.Fail();
        return false;
    }
    return true;
}

void PointHenhouse::ReleaseChicken(MapChicken* chicken) {
    for (auto* list : {&chickens_, &leaving_})
        for (auto& c : *list)
            if (c.get() == chicken) c.reset();
}

// ---------------------------------------------------------------- Job_TakeEggs

Job_TakeEggs::Job_TakeEggs(MapPlayer* player, PointHenhouse* house)
    : Job(player, JOBID_TAKEEGGS), house_(house) {
    targetPoint_ = int32_t(house->Index());
    if (Job_TakeEggs* old = house->TakeEggsJob()) {
        house->LinkTakeEggs(nullptr);
        old->Unlink();
        old->Stop();
    }
    house->LinkTakeEggs(this);
    int32_t x, y;
    house->GetNestCentre(&x, &y);
    BuildingHost* host = house->Host();
    ShowJobIcon(this, host, host->FindSprite(kIconLibrary, kHandIcon), float(x), float(y), targetPoint_);
    if (house->OverheadCommand() == kEggsCommand) house->HideOverheadButton(false, 0);
    Notify();
}

Job_TakeEggs::~Job_TakeEggs() {
    if (house_) house_->UnlinkTakeEggs(this);
}

bool Job_TakeEggs::SetStep(int32_t step) {
    if (!Job::SetStep(step)) return false;
    state_ = JobState::New;
    if (step_ > 2) {
        Stop();
        return false;
    }
    return true;
}

void Job_TakeEggs::BeginStep() {
    if (step_ <= 1) {
        step_ = 1;
        int32_t x, y;
        house_->GetNestCentre(&x, &y);
        BeginWalk(float(x), float(y + kTakeEggsDrop), 0, 1.0f);
        return;
    }
    const uint32_t total = house_->Type()->header.animal.workTime;
    const uint32_t elapsed = progress_.running ? std::min(progress_.elapsed, total) : 0;
    StartAnimation(int32_t(total - elapsed), u"girl_work", -1, kWorkAnimationFlags);
    progress_.elapsed = elapsed;
    progress_.duration = total;
    animating_ = true;
}

void Job_TakeEggs::Update(uint32_t ms) {
    if (!house_) {
        Stop();
        return;
    }
    switch (state_) {
    case JobState::New:
        BeginStep();
        break;
    case JobState::Walking:
        if (UpdateWalk(1.0f)) {
            step_ = 2;
            BeginStep();
        }
        break;
    case JobState::Animating:
        progress_.elapsed += ms;
        if (UpdateAnimation()) {
            PointHenhouse* house = house_;
            house->CollectProducts(&messenger_);
            if (!IsFinished()) Finish();
            house->UnlinkTakeEggs(this);
            house_ = nullptr;
            // Eggs the warehouse refused stay in the nests: their button
            // comes back so that they can be taken once there is room.
            house->RefreshButtons(true, 0);
            static_cast<MapPlayer*>(owner_)->RequestSideStep();
        }
        break;
    default:
        break;
    }
}

bool Job_TakeEggs::Stop() {
    if (!Job::Stop()) return false;
    PointHenhouse* house = house_;
    house_ = nullptr;
    if (!house) return true;
    house->UnlinkTakeEggs(this);
    house->RefreshButtons(house->Host()->Level().IsBegun(), 0);
    return true;
}

bool Job_TakeEggs::Save(JobSaveContext& context, SaveWriter& writer) {
    if (IsFinished()) return true;
    uint8_t* record = BeginSaveRecord(context, writer, kRecordSize);
    if (!record) return false;
    SaveProgress(record, step_ == 2 && (state_ == JobState::Animating || progress_.running));
    PutI32(record, 40, targetPoint_);
    return true;
}

std::unique_ptr<Job> Job_TakeEggs::Load(MapPlayer* player, const uint8_t* record, size_t size) {
    if (size != kRecordSize || U32At(record, 4) != JOBID_TAKEEGGS) return nullptr;
    BuildingHost* host = dynamic_cast<BuildingHost*>(player->Services());
    // Only a henhouse holds eggs: another animal house's record is refused.
    auto* house = dynamic_cast<PointHenhouse*>(HouseAt(host, U32At(record, 40)));
    if (!house || house->Type()->header.id != kis::NameId("henhouse") || !house->IsFed() ||
        house->EggCount() <= 0)
        return nullptr;
    const uint32_t step = U32At(record, 8);
    if (step > 2) return nullptr;
    auto job = std::make_unique<Job_TakeEggs>(player, house);
    job->LoadHead(record);
    if (!job->LoadProgress(record) || (job->Progress().running && step != 2)) {
        house->UnlinkTakeEggs(job.get());
        job->Unlink();
        return nullptr;
    }
    return job;
}

// ---------------------------------------------------------------- the produce timer

bool ProduceTimer::CheckRecord(uint32_t fed, float fraction, float callTimer) {
    if (fed > 1 || !Finite(fraction) || !Finite(callTimer)) return false;
    if (fraction < 0.0f || fraction > 1.0f) return false;
    // A call timer is off (-1) or a wait of at most 19,900 ms.
    if (callTimer != -1.0f && (callTimer < 0.0f || callTimer > 19900.0f)) return false;
    // Unfed, nothing runs.
    return fed == 1 || (fraction == 0.0f && callTimer == -1.0f);
}

namespace {

void SaveProduceTimer(SaveWriter& out, bool fed, const ProduceTimer& timer, uint32_t productionMs,
                      float loadedFraction) {
    out.PutU32(ProduceTimer::kRecordSize);
    out.PutU32(fed ? 1 : 0);
    float fraction = 0.0f;
    if (fed && productionMs > 0)
        fraction = loadedFraction >= 0.0f ? loadedFraction : timer.remaining / float(productionMs);
    out.PutF32(fraction);
    out.PutF32(timer.callTimer);
}

// Reads the 16-byte record; false (the reader failed) when it is refused.
bool ReadProduceTimer(SaveReader& in, uint32_t* fed, float* fraction, float* callTimer) {
    SaveReader block = in.ReadBlock(ProduceTimer::kRecordSize, ProduceTimer::kRecordSize);
    *fed = block.ReadU32();
    *fraction = block.ReadF32();
    *callTimer = block.ReadF32();
    if (block.Failed() || !ProduceTimer::CheckRecord(*fed, *fraction, *callTimer)) {
        in.Fail();
        return false;
    }
    return true;
}

} // namespace

// ---------------------------------------------------------------- MapCowHead

MapCowHead::MapCowHead(LevelMap* map, PointCowshed* shed, int32_t slot, float x, float y)
    : MapCharacter(map, shed->Type()->animal, 0, nullptr, shed->IsMirrored() ? 1 : 0, x, y,
                   int32_t(shed->Index())),
      shed_(shed), slot_(slot) {
    noRerouteCount = 1;
    sizeFactor_ = 0.9f + kis::RandomUnit() / 5.0f;
    SetMirrored(shed->IsMirrored());
    const int32_t depth = shed->Building() ? shed->Building()->Depth() : 0;
    offsetY_ = shed->AnchorY() - int32_t(y) + depth + 10 - slot;
}

MapCowHead::~MapCowHead() {
    DeleteAllJobs();
}

uint32_t MapCowHead::StartVanish(uint32_t delay) {
    delay = MapCharacter::StartVanish(delay);
    // Both hold their end until the map deletes her (no full-size frame
    // between the shrink's end and her going).
    AttachEffect(new SEffect_Color(0xFFFFFFFF, 0xFF000000, kCowColourMs, false, delay + 100));
    AttachEffect(new SEffect_Scale(1.0f, 0.35f, kFadeMs, false, delay));
    return delay + 250;
}

void MapCowHead::StopAllJobs() {
    for (int32_t i = JobCount() - 1; i >= 0; --i)
        GetJob(i)->Stop();
}

void MapCowHead::Idle() {
    if (!shed_ || shed_->Remaining() == 0.0f || IsHidden()) return;
    LogLabelPrintf(kLogIndent, "Cow eats", "slot %d", slot_);
    AddJob(std::make_unique<Job_Animation>(this, JOBID_COWHEADEAT, u"cowhead_eat", 0, kEndlessAnimationMs));
}

float MapCowHead::GetAnimationSpeed() const {
    const Job* job = CurrentJob();
    MapPlayer* player = shed_ ? shed_->Host()->Player() : nullptr;
    if (job && job->JobId() == JOBID_COWHEADMILK && player) return player->GetAnimationSpeed();
    return MapCharacter::GetAnimationSpeed();
}

std::unique_ptr<Job> MapCowHead::CreateJobFromRecord(uint32_t jobId, const uint8_t* record, size_t size) {
    failedJob_ = jobId;
    if (jobId != JOBID_COWHEADMILK && jobId != JOBID_COWHEADYELLING && jobId != JOBID_COWHEADEAT)
        return nullptr;
    std::unique_ptr<Job> job = LoadAnimationJob(this, record, size);
    if (job) failedJob_ = 0;
    return job;
}

bool MapCowHead::LoadJobs(SaveReader& reader, uint32_t count, std::vector<std::unique_ptr<Job>>* jobs,
                          std::string* why) {
    failedJob_ = 0;
    if (MapCharacter::LoadJobs(reader, count, jobs, why)) return true;
    if (why && failedJob_ >= JOBID_COWHEADMILK && failedJob_ <= JOBID_COWHEADEAT)
        *why = JobLoadErrorText(failedJob_);
    return false;
}

// ---------------------------------------------------------------- PointCowshed

PointCowshed::PointCowshed(BuildingHost* host, uint32_t index, BUILDING* type)
    : PointPetshouse(host, index, type) {}

PointCowshed::~PointCowshed() {
    if (milkJob_) milkJob_->Unlink();
    for (auto& cow : cows_)
        if (cow) cow->Unlink();
}

std::vector<MapCharacter*> PointCowshed::Animals() const {
    std::vector<MapCharacter*> animals;
    for (const auto& cow : cows_)
        if (cow) animals.push_back(cow.get());
    return animals;
}

void PointCowshed::RefreshFeedGauge() {
    const uint32_t production = type_->header.animal.productionTime;
    SetOverlayFrame(production > 0 ? timer_.remaining / float(production) : 0.0f);
}

uint32_t PointCowshed::CreateAnimals(bool animated, uint32_t delay) {
    delay = PointPetshouse::CreateAnimals(animated, delay);
    LevelMap* map = host_->Map();
    const BuildingLevel* level = CurrentLevel();
    if (!map || !level) return delay;
    cowCount_ = std::clamp(stage_, 0, kMaxAnimals);
    for (int32_t s = 0; s < cowCount_; ++s) {
        if (cows_[size_t(s)]) continue;
        int32_t x, y;
        AnchorPlus(level->record.animal.animalSpots[s][0], level->record.animal.animalSpots[s][1], &x, &y);
        auto cow = std::make_unique<MapCowHead>(map, this, s, float(x), float(y));
        cow->AddToLevel(0);
        cow->StopEffects();
        if (animated) {
            // Unseen for the delay, then she brightens from black and grows.
            cow->AttachEffect(new SEffect_Alpha(0.0f, 0.0f, delay + 100, true, 0));
            cow->AttachEffect(new SEffect_Color(0xFF000000, 0xFFFFFFFF, kCowColourMs, true, delay + 100));
            cow->AttachEffect(new SEffect_Scale(0.35f, 1.0f, kFadeMs, true, delay + 100));
        }
        cows_[size_t(s)] = std::move(cow);
    }
    return delay + 300;
}

uint32_t PointCowshed::StopAnimals(bool animated, bool forGood, uint32_t delay) {
    delay = PointPetshouse::StopAnimals(animated, forGood, delay);
    if (buttonCommand_ == kMilkCommand) HideOverheadButton(animated, delay);
    LevelMap* map = host_->Map();
    for (auto& cow : cows_) {
        if (!cow) continue;
        if (animated && map && cow->IsOnLevel()) {
            // The map keeps her while she darkens and shrinks, then deletes her.
            cow->Leave();
            MapObject* leaving = map->Adopt(std::move(cow));
            MapObject::AddEffect(leaving, delay, nullptr);
        }
        cow.reset();
    }
    cowCount_ = 0;
    return delay;
}

uint32_t PointCowshed::RefreshButtons(bool animated, uint32_t delay) {
    delay = PointPetshouse::RefreshButtons(animated, delay);
    if (!beingRemoved_ && fed_ && timer_.remaining <= 0.0f && !button_ && !milkJob_ && damage_ == 0) {
        ShowOwnButton(kMilkCommand, anchorX_, anchorY_ - kCowButtonLift, animated, delay);
    }
    if (fed_ && timer_.remaining <= 0.0f && timer_.callTimer < 0.0f) timer_.callTimer = 0.0f;
    return delay;
}

void PointCowshed::SetFed(bool fed, bool animated) {
    loadedFraction_ = -1.0f;
    if (fed) {
        timer_.remaining = float(type_->header.animal.productionTime);
    } else {
        timer_.remaining = 0.0f;
        timer_.callTimer = -1.0f;
    }
    PointPetshouse::SetFed(fed, animated);
}

bool PointCowshed::OnOverheadCommand(uint32_t command) {
    if (command != kMilkCommand || buttonCommand_ != kMilkCommand)
        return PointPetshouse::OnOverheadCommand(command);
    MapPlayer* player = host_->Player();
    if (!player) return false;
    host_->Level().ResetSelection(nullptr);
    HideOverheadButton(true, 0);
    return player->AddJob(std::make_unique<Job_MilkCows>(player, this)) != nullptr;
}

void PointCowshed::StartMilking() {
    for (auto& cow : cows_) {
        if (!cow) continue;
        cow->StopAllJobs();
        cow->AddJob(std::make_unique<Job_Animation>(cow.get(), JOBID_COWHEADMILK, u"cowhead_milk", 0,
                                                    kEndlessAnimationMs));
    }
}

void PointCowshed::StopMilking() {
    for (auto& cow : cows_) {
        Job* job = cow ? cow->CurrentJob() : nullptr;
        if (job && job->JobId() == JOBID_COWHEADMILK) job->Stop();
    }
}

int32_t PointCowshed::Update(uint32_t ms) {
    const int32_t t = PointBuilding::Update(ms);
    UpdateAnimals(ms);
    if (buildJob_ || upgrading_ || damage_ > 0 || cowCount_ == 0 || t <= 0) return t;
    const float step = float(t) * Rate() * host_->Level().GetSpeedFactor(kAnimalSpeedGroup);
    if (timer_.remaining > 0.0f) {
        loadedFraction_ = -1.0f;
        if (step < timer_.remaining) {
            timer_.remaining -= step;
            RefreshFeedGauge();
        } else {
            timer_.remaining = 0.0f;
            LogLabelPrintf(kLogIndent, "Milk ready", "%d at point %u", cowCount_, index_);
            for (auto& cow : cows_)
                if (cow) cow->StopAllJobs();
            RefreshButtons(LevelBegun(), 0);
        }
    } else if (fed_ && timer_.callTimer >= 0.0f) {
        timer_.callTimer -= step;
        if (timer_.callTimer <= 0.0f) {
            timer_.callTimer = float(kis::Random(100)) * 100.0f + 10000.0f;
            MapCowHead* cow = cows_[size_t(kis::Random(int32_t(std::max(cowCount_, 1))))].get();
            if (cow)
                cow->AddJob(
                    std::make_unique<Job_Animation>(cow, JOBID_COWHEADYELLING, u"cowhead_yelling", 0, -2));
        }
    }
    return t;
}

bool PointCowshed::CollectProducts(GameMessager* messenger) {
    bool delivered = false;
    if (fed_ && timer_.remaining <= 0.0f && type_->produceProduct) {
        const uint32_t stored = host_->PutToWarehouse(type_->produceProduct, uint32_t(cowCount_), messenger,
                                                      kProduceAwardCounter, anchorX_, anchorY_, 0);
        if (stored > 0) {
            delivered = true;
            host_->PlayEventSound(kAnimalStoreSound);
            if (buttonCommand_ == kMilkCommand) HideOverheadButton(true, 0);
            SetFed(false, true);
            host_->TutorialNotify(kTutorialProduceCollected, intptr_t(type_->produceProduct->record.id),
                                  reinterpret_cast<intptr_t>(this));
        }
    }
    if (buttonCommand_ == kMilkCommand) HideOverheadButton(true, 0);
    if (Job_MilkCows* job = milkJob_) {
        if (delivered || job->IsMilking() || job->Step() >= 3) job->Stop();
    }
    return delivered;
}

uint32_t PointCowshed::Remove(bool animated, bool forGood, uint32_t delay) {
    if (forGood && milkJob_) {
        Job_MilkCows* job = milkJob_;
        milkJob_ = nullptr;
        job->Unlink();
        job->Stop();
    }
    return PointPetshouse::Remove(animated, forGood, delay);
}

void PointCowshed::OnDamaged(bool animated) {
    PointPetshouse::OnDamaged(animated);
    if (milkJob_) milkJob_->Stop();
}

void PointCowshed::SaveOwn(SaveWriter& out) const {
    SaveProduceTimer(out, fed_, timer_, type_->header.animal.productionTime, loadedFraction_);
}

bool PointCowshed::LoadOwn(SaveReader& in) {
    uint32_t fed;
    float fraction, callTimer;
    if (!ReadProduceTimer(in, &fed, &fraction, &callTimer)) return false;
    if (fed && stage_ < 1) {
        in.Fail();
        return false;
    }
    // The base block has already given the point's delay: the load keeps it.
    const uint32_t pending = pendingDelayMs_;
    SetFed(fed != 0, false);
    timer_.remaining = float(type_->header.animal.productionTime) * fraction;
    RefreshButtons(false, 0);
    pendingDelayMs_ = pending;
    timer_.callTimer = callTimer;
    // Saved again before the timer moves, the same fraction is written.
    if (fed) loadedFraction_ = fraction;
    return true;
}

void PointCowshed::ReleaseCow(MapCowHead* cow) {
    for (auto& c : cows_)
        if (c.get() == cow) c.reset();
}

// ---------------------------------------------------------------- Job_MilkCows

Job_MilkCows::Job_MilkCows(MapPlayer* player, PointCowshed* shed, int32_t spotX, int32_t spotY)
    : Job(player, JOBID_MILKCOWS), shed_(shed), spotX_(spotX), spotY_(spotY) {
    if (!shed) return;
    targetPoint_ = int32_t(shed->Index());
    if (Job_MilkCows* old = shed->MilkJob()) {
        shed->LinkMilkJob(nullptr);
        old->Unlink();
        old->Stop();
    }
    shed->LinkMilkJob(this);
    spotX_ = shed->AnchorX() + (shed->IsMirrored() ? -kSpotDx : kSpotDx);
    spotY_ = shed->AnchorY() - 1;
    BuildingHost* host = shed->Host();
    ShowJobIcon(this, host, host->FindSprite(kIconLibrary, kHandIcon), float(shed->AnchorX()),
                float(shed->AnchorY()), targetPoint_);
    shed->HideOverheadButton(false, 0);
    Notify();
}

Job_MilkCows::~Job_MilkCows() {
    if (shed_) shed_->UnlinkMilkJob(this);
    Uncount();
}

void Job_MilkCows::Count() {
    if (counted_ || !owner_) return;
    counted_ = true;
    ++owner_->noRerouteCount;
}

void Job_MilkCows::Uncount() {
    if (!counted_ || !owner_) return;
    counted_ = false;
    --owner_->noRerouteCount;
}

bool Job_MilkCows::GetPosition(float* x, float* y) const {
    if (!shed_) return false;
    *x = float(shed_->AnchorX());
    *y = float(shed_->AnchorY() + 40);
    return true;
}

bool Job_MilkCows::SetStep(int32_t step) {
    if (!Job::SetStep(step)) return false;
    state_ = JobState::New;
    if (step_ > 5) {
        Stop();
        return false;
    }
    return true;
}

void Job_MilkCows::BeginStep() {
    const bool mirrored = shed_ ? shed_->IsMirrored() : false;
    if (step_ >= 2) Count();
    switch (step_) {
    case 0:
    case 1: {
        step_ = 1;
        const float d = (float(spotX_) - owner_->X()) * (mirrored ? -1.0f : 1.0f);
        if (owner_->Y() == float(spotY_) && d >= 0.0f && d <= 100.0f) {
            step_ = 2;
            BeginStep();
            return;
        }
        BeginWalk(float(spotX_), float(spotY_), 0, 1.0f);
        break;
    }
    case 2:
        BeginWalk(float(spotX_ + (mirrored ? -kInsideDx : kInsideDx)), float(spotY_), 1, 1.0f);
        break;
    case 3: {
        if (!shed_) {
            step_ = 4;
            BeginStep();
            return;
        }
        const uint32_t total = shed_->Type()->header.animal.workTime;
        const uint32_t elapsed = progress_.running ? std::min(progress_.elapsed, total) : 0;
        StartAnimation(int32_t(total - elapsed), u"girl_milkcows", -1, kWorkAnimationFlags);
        progress_.elapsed = elapsed;
        progress_.duration = total;
        shed_->StartMilking();
        milking_ = true;
        break;
    }
    case 4:
        if (shed_) {
            PointCowshed* shed = shed_;
            shed_ = nullptr;
            shed->UnlinkMilkJob(this);
            shed->StopMilking();
        }
        noStop_ = true;
        mayEnd_ = false;
        BeginWalk(float(spotX_), float(spotY_), 1, 1.0f);
        break;
    default:
        Finish();
        noStop_ = false;
        Uncount();
        break;
    }
}

void Job_MilkCows::Update(uint32_t ms) {
    switch (state_) {
    case JobState::New:
        if (!shed_ && step_ < 4) {
            Stop();
            return;
        }
        BeginStep();
        break;
    case JobState::Walking:
        if (UpdateWalk(1.0f)) {
            ++step_;
            state_ = JobState::New;
            BeginStep();
        }
        break;
    case JobState::Animating:
        progress_.elapsed += ms;
        if (UpdateAnimation()) {
            milking_ = false;
            // The delivery stops the job, which sends the farmer back out.
            if (shed_) shed_->CollectProducts(&messenger_);
            if (!IsFinished() && step_ == 3) {
                Release();
                step_ = 4;
                BeginStep();
            }
        }
        break;
    default:
        break;
    }
}

bool Job_MilkCows::Stop() {
    if (IsFinished() || noStop_) return false;
    if (step_ >= 2 && step_ < 4 && !mayEnd_) {
        // Inside the shed: she walks back out before the job ends.
        Release();
        milking_ = false;
        if (shed_) {
            PointCowshed* shed = shed_;
            shed_ = nullptr;
            shed->UnlinkMilkJob(this);
            if (shed->IsFed()) {
                shed->StopMilking();
                shed->RefreshButtons(shed->Host()->Level().IsBegun(), 0);
            }
        }
        step_ = 4;
        BeginStep();
        return false;
    }
    if (!Job::Stop()) return false;
    if (shed_) {
        PointCowshed* shed = shed_;
        shed_ = nullptr;
        shed->UnlinkMilkJob(this);
        if (shed->IsFed()) {
            shed->StopMilking();
            shed->RefreshButtons(shed->Host()->Level().IsBegun(), 0);
        }
    }
    Uncount();
    return true;
}

bool Job_MilkCows::Save(JobSaveContext& context, SaveWriter& writer) {
    if (IsFinished()) return true;
    uint8_t* record = BeginSaveRecord(context, writer, kRecordSize);
    if (!record) return false;
    SaveProgress(record, step_ == 3 && (state_ == JobState::Animating || progress_.running));
    PutI32(record, 40, shed_ ? int32_t(shed_->Index()) : -1);
    PutI32(record, 44, spotX_);
    PutI32(record, 48, spotY_);
    return true;
}

std::unique_ptr<Job> Job_MilkCows::Load(MapPlayer* player, const uint8_t* record, size_t size) {
    if (size != kRecordSize || U32At(record, 4) != JOBID_MILKCOWS) return nullptr;
    const int32_t index = I32At(record, 40);
    const uint32_t step = U32At(record, 8);
    if (step > 5) return nullptr;
    std::unique_ptr<Job_MilkCows> job;
    if (index < 0) {
        if (step < 4) return nullptr; // without a shed she can only walk back out
        job = std::make_unique<Job_MilkCows>(player, nullptr, I32At(record, 44), I32At(record, 48));
    } else {
        BuildingHost* host = dynamic_cast<BuildingHost*>(player->Services());
        auto* shed = dynamic_cast<PointCowshed*>(HouseAt(host, uint32_t(index)));
        if (!shed || shed->Type()->header.id != kis::NameId("cowshed")) return nullptr;
        job = std::make_unique<Job_MilkCows>(player, shed);
        if (job->spotX_ != I32At(record, 44) || job->spotY_ != I32At(record, 48)) {
            shed->UnlinkMilkJob(job.get());
            job->Unlink();
            return nullptr;
        }
    }
    job->LoadHead(record);
    if (!job->LoadProgress(record) || (job->Progress().running && step != 3)) {
        job->Unlink();
        return nullptr;
    }
    if (step >= 4) job->noStop_ = true;
    return job;
}

// ---------------------------------------------------------------- sheep

std::u16string MapSheep::KindName(const char16_t* base, int32_t kind) {
    std::u16string name(base ? base : u"");
    static constexpr size_t kPrefix = 9; // "sheepbody"
    if (kind == 0 && name.size() >= kPrefix && name.compare(0, kPrefix, u"sheepbody") == 0 &&
        name.compare(kPrefix, 5, u"_skin") != 0)
        name.insert(kPrefix, u"_skin");
    return name;
}

std::u16string MapSheep::HeadName(const char16_t* bodyName) {
    std::u16string body(bodyName ? bodyName : u"");
    return u"sheephead" + (body.size() > 9 ? body.substr(9) : std::u16string());
}

MapSheepHead::MapSheepHead(LevelMap* map, const GameCharacter* description, MapSheep* sheep, float x, float y)
    : MapCharacter(map, description, 0, nullptr, sheep->IsMirrored() ? 1 : 0, x, y, sheep->GetPointIndex()),
      sheep_(sheep) {
    noRerouteCount = 1;
    SetMirrored(sheep->IsMirrored());
}

MapSheepHead::~MapSheepHead() = default;

void MapSheepHead::AdvanceAnimation(uint32_t ms) {
    if (!sheep_) {
        MapCharacter::AdvanceAnimation(ms);
        return;
    }
    // Head and body stay in step: the head plays the body's animation under
    // its own name, at the body's time.
    const std::u16string name = MapSheep::HeadName(sheep_->GetAnimationName());
    if (name != std::u16string(GetAnimationName()) || AnimationKind() != sheep_->AnimationKind()) {
        animKind_ = sheep_->AnimationKind();
        PlayNamedAnimation(name.c_str(), sheep_->Variant(), -1);
    }
    animTime_ = sheep_->AnimationTime();
    timeLeft_ = sheep_->AnimationTimeLeft();
    SetPosition(sheep_->X(), sheep_->Y(), sheep_->OffsetX(), offsetY_);
}

float MapSheepHead::GetAnimationSpeed() const {
    return sheep_ ? sheep_->GetAnimationSpeed() : MapCharacter::GetAnimationSpeed();
}

MapSheep::MapSheep(LevelMap* map, PointSheepRack* rack, int32_t slot, float dx, float dy,
                   const GameCharacter* headDescription)
    : MapCharacter(map, rack->Type()->animal, 0, nullptr, rack->IsMirrored() ? 1 : 0, float(rack->AnchorX()),
                   float(rack->AnchorY()), int32_t(rack->Index())),
      rack_(rack), slot_(slot), dx_(dx), dy_(dy) {
    noRerouteCount = 1;
    SetMirrored(rack->IsMirrored());
    offsetX_ = int32_t(dx);
    sizeFactor_ = 0.9f + kis::RandomUnit() / 5.0f;
    idleTimer_ = uint32_t(kis::Random(500)) * 10 + 1000;
    if (rack->IsProducing())
        eatWait_ = uint32_t(kis::Random(int32_t(std::min(rack->Remaining() / 5.0f, 1000.0f)) + 1));
    animKind_ = KindFor(rack->WoolKind());
    PlayAnimation(animKind_, IsMirrored());
    head_ = std::make_unique<MapSheepHead>(map, headDescription, this, x_, y_);
    head_->SetPosition(x_, y_, offsetX_, 20 - slot);
    head_->SetSizeFactor(sizeFactor_);
}

MapSheep::~MapSheep() {
    DeleteAllJobs();
    if (head_) head_->Unlink();
}

int32_t MapSheep::KindFor(int32_t kind) const {
    // A description with one kind shows the fleece with the shorn figure:
    // a kind it does not have could not be saved and loaded.
    const int32_t kinds = description_ ? int32_t(description_->kinds.size()) : 1;
    return std::clamp(kind, 0, std::max(kinds - 1, 0));
}

void MapSheep::Enter(bool animated, uint32_t delay) {
    offsetY_ = -slot_ + int32_t(dy_);
    AddToLevel(0);
    StopEffects();
    head_->AddToLevel(0);
    if (animated) {
        AttachEffect(new SEffect_Build(kFadeMs, delay));
        head_->AttachEffect(new SEffect_Build(kFadeMs, delay));
    }
}

void MapSheep::StartJob(uint32_t jobId) {
    const int32_t kind = AnimationKind();
    std::u16string name;
    int32_t duration = 0;
    switch (jobId) {
    case JOBID_SHEEPEAT:
        LogLabelPrintf(kLogIndent, "Sheep eats", "slot %d", slot_);
        name = u"sheepbody_skin_eat";
        duration = kEndlessAnimationMs;
        break;
    case JOBID_SHEEPYELLING:
        name = KindName(u"sheepbody_yelling", kind);
        duration = 960;
        break;
    case JOBID_SHEEPTURNLEFT:
        name = KindName(u"sheepbody_turnleft", kind);
        duration = 1800;
        break;
    case JOBID_SHEEPTURNRIGHT:
        name = KindName(u"sheepbody_turnright", kind);
        duration = 1800;
        break;
    case JOBID_SHEEPBLINK:
        name = KindName(u"sheepbody_blink", kind);
        duration = BlinkMs(kind);
        break;
    default:
        return;
    }
    AddJob(std::make_unique<Job_Animation>(this, jobId, name.c_str(), 0, duration));
}

void MapSheep::StopAllJobs() {
    for (int32_t i = JobCount() - 1; i >= 0; --i)
        GetJob(i)->Stop();
}

Job* MapSheep::AddJob(std::unique_ptr<Job> job) {
    // A new job takes the place of the old ones.
    StopAllJobs();
    return MapCharacter::AddJob(std::move(job));
}

void MapSheep::Idle() {
    if (IsHidden() || !rack_ || !rack_->SheepMayAct()) return;
    if (rack_->IsProducing()) {
        eatWait_ = eatWait_ > kTickMs ? eatWait_ - kTickMs : 0;
        if (eatWait_ == 0) StartJob(JOBID_SHEEPEAT);
        return;
    }
    idleTimer_ = idleTimer_ > kTickMs ? idleTimer_ - kTickMs : 0;
    if (idleTimer_ > 0) return;
    idleTimer_ = uint32_t(kis::Random(500)) * 10 + 1000;
    static constexpr uint32_t kChoices[3] = {JOBID_SHEEPTURNLEFT, JOBID_SHEEPTURNRIGHT, JOBID_SHEEPBLINK};
    StartJob(kChoices[kis::Random(3)]);
}

void MapSheep::SetAnimation(int32_t kind, const char16_t* name, int32_t third) {
    MapCharacter::SetAnimation(kind, name, third);
}

float MapSheep::GetAnimationSpeed() const {
    const Job* job = CurrentJob();
    MapPlayer* player = rack_ ? rack_->Host()->Player() : nullptr;
    if (job && job->JobId() == JOBID_SHEEPCUT && player) return player->GetAnimationSpeed();
    return MapCharacter::GetAnimationSpeed();
}

void MapSheep::Update(uint32_t ms) {
    MapCharacter::Update(ms);
    if (head_) head_->Update(ms);
}

void MapSheep::FillSaveRecord(uint8_t* block) const {
    MapCharacter::FillSaveRecord(block);
    PutU32(block, kSubclassOffset, eatWait_);
}

bool MapSheep::ApplyLoadedState(const uint8_t* block) {
    const uint32_t wait = U32At(block, kSubclassOffset);
    if (wait > 1000) return false;
    eatWait_ = wait;
    return true;
}

std::unique_ptr<Job> MapSheep::CreateJobFromRecord(uint32_t jobId, const uint8_t* record, size_t size) {
    failedJob_ = jobId;
    if (jobId < JOBID_SHEEPCUT || jobId > JOBID_SHEEPBLINK) return nullptr;
    std::unique_ptr<Job> job = LoadAnimationJob(this, record, size);
    if (job) failedJob_ = 0;
    return job;
}

bool MapSheep::LoadJobs(SaveReader& reader, uint32_t count, std::vector<std::unique_ptr<Job>>* jobs,
                        std::string* why) {
    failedJob_ = 0;
    if (MapCharacter::LoadJobs(reader, count, jobs, why)) return true;
    if (why && failedJob_ >= JOBID_SHEEPCUT && failedJob_ <= JOBID_SHEEPBLINK)
        *why = JobLoadErrorText(failedJob_);
    return false;
}

// ---------------------------------------------------------------- PointSheepRack

PointSheepRack::PointSheepRack(BuildingHost* host, uint32_t index, BUILDING* type)
    : PointPetshouse(host, index, type) {}

PointSheepRack::~PointSheepRack() {
    if (cutJob_) cutJob_->Unlink();
    for (auto& sheep : sheep_)
        if (sheep) sheep->Unlink();
}

std::vector<MapCharacter*> PointSheepRack::Animals() const {
    std::vector<MapCharacter*> animals;
    for (const auto& sheep : sheep_) {
        if (!sheep) continue;
        animals.push_back(sheep.get());
        animals.push_back(sheep->Head());
    }
    return animals;
}

void PointSheepRack::GetFeedSpotOffset(int32_t* x, int32_t* y) const {
    const BuildingLevel* level = CurrentLevel();
    *x = level ? level->record.animal.overlayOffset[0] : 0;
    *y = level ? level->record.animal.overlayOffset[1] : 0;
}

void PointSheepRack::RefreshFeedGauge() {
    const uint32_t production = type_->header.animal.productionTime;
    SetOverlayFrame(production > 0 ? timer_.remaining / float(production) : 0.0f);
}

uint32_t PointSheepRack::CreateMapBuilding(bool animated, uint32_t delay) {
    const uint32_t d = PointBuilding::CreateMapBuilding(animated, delay);
    LevelMap* map = host_->Map();
    const BuildingLevel* level = CurrentLevel();
    if (!map || !level) return d;
    sheepCount_ = std::clamp(stage_, 0, kMaxAnimals);
    const GameCharacter* head = host_->FindCharacter(kCharacterSheepHead);
    for (int32_t s = 0; s < sheepCount_; ++s) {
        if (sheep_[size_t(s)]) continue;
        const int32_t* spot = level->record.animal.animalSpots[s];
        sheep_[size_t(s)] = std::make_unique<MapSheep>(map, this, s, float(mirrored_ ? -spot[0] : spot[0]),
                                                       float(spot[1]), head);
        sheep_[size_t(s)]->Enter(animated, delay);
    }
    if (sheepCount_ > 0) sheep_[size_t(kis::Random(sheepCount_))]->SetEatWait(0);
    return d;
}

uint32_t PointSheepRack::ReleaseMapBuilding(bool animated, uint32_t delay) {
    for (auto& sheep : sheep_)
        sheep.reset();
    sheepCount_ = 0;
    return PointBuilding::ReleaseMapBuilding(animated, delay);
}

uint32_t PointSheepRack::StopAnimals(bool animated, bool forGood, uint32_t delay) {
    delay = PointPetshouse::StopAnimals(animated, forGood, delay);
    if (sheepCount_ == 0) return delay;
    if (buttonCommand_ == kCutCommand) HideOverheadButton(animated, delay);
    for (auto& sheep : sheep_) {
        if (!sheep) continue;
        for (int32_t i = sheep->JobCount() - 1; i >= 0; --i)
            if (sheep->GetJob(i)->JobId() == JOBID_SHEEPEAT) sheep->GetJob(i)->Stop();
    }
    return delay;
}

uint32_t PointSheepRack::RefreshButtons(bool animated, uint32_t delay) {
    delay = PointPetshouse::RefreshButtons(animated, delay);
    for (auto& sheep : sheep_) {
        const int32_t kind = sheep ? sheep->KindFor(WoolKind()) : 0;
        if (sheep && sheep->AnimationKind() != kind) sheep->SwitchAnimationKind(kind);
    }
    if (!beingRemoved_ && fed_ && timer_.remaining <= 0.0f && !button_ && !cutJob_ && damage_ == 0)
        ShowOwnButton(kCutCommand, anchorX_, anchorY_ - kCutButtonLift, animated, delay);
    if (fed_ && timer_.remaining <= 0.0f && timer_.callTimer < 0.0f) timer_.callTimer = 0.0f;
    return delay;
}

void PointSheepRack::SetFed(bool fed, bool animated) {
    loadedFraction_ = -1.0f;
    if (fed) {
        timer_.remaining = float(type_->header.animal.productionTime);
        if (sheepCount_ > 0) {
            const int32_t first = kis::Random(sheepCount_);
            const int32_t spread = int32_t(std::min(timer_.remaining / 5.0f, 1000.0f));
            for (int32_t s = 0; s < sheepCount_; ++s)
                if (sheep_[size_t(s)])
                    sheep_[size_t(s)]->SetEatWait(s == first ? 0
                                                             : uint32_t(kis::Random(std::max(spread, 1))));
        }
    } else {
        timer_.remaining = 0.0f;
        timer_.callTimer = -1.0f;
    }
    PointPetshouse::SetFed(fed, animated);
}

bool PointSheepRack::OnOverheadCommand(uint32_t command) {
    if (command != kCutCommand || buttonCommand_ != kCutCommand)
        return PointPetshouse::OnOverheadCommand(command);
    MapPlayer* player = host_->Player();
    if (!player) return false;
    host_->Level().ResetSelection(nullptr);
    HideOverheadButton(true, 0);
    return player->AddJob(std::make_unique<Job_CutSheeps>(player, this)) != nullptr;
}

int32_t PointSheepRack::Update(uint32_t ms) {
    const int32_t t = PointBuilding::Update(ms);
    UpdateAnimals(ms);
    if (buildJob_ || upgrading_ || damage_ > 0 || sheepCount_ == 0 || t <= 0) return t;
    const float step = float(t) * Rate() * host_->Level().GetSpeedFactor(kAnimalSpeedGroup);
    if (timer_.remaining > 0.0f) {
        loadedFraction_ = -1.0f;
        if (step < timer_.remaining) {
            timer_.remaining -= step;
            RefreshFeedGauge();
        } else {
            timer_.remaining = 0.0f;
            LogLabelPrintf(kLogIndent, "Wool ready", "%d at point %u", sheepCount_, index_);
            for (auto& sheep : sheep_)
                if (sheep) sheep->StopAllJobs();
            RefreshButtons(LevelBegun(), 0);
        }
    } else if (fed_ && timer_.callTimer >= 0.0f) {
        timer_.callTimer -= step;
        if (timer_.callTimer <= 0.0f) {
            timer_.callTimer = kCallMs;
            MapSheep* sheep = sheep_[size_t(kis::Random(sheepCount_))].get();
            if (sheep) sheep->StartJob(JOBID_SHEEPYELLING);
        }
    }
    return t;
}

bool PointSheepRack::CollectProducts(GameMessager* messenger) {
    bool delivered = false;
    if (fed_ && timer_.remaining <= 0.0f && type_->produceProduct) {
        const uint32_t stored = host_->PutToWarehouse(type_->produceProduct, uint32_t(sheepCount_), messenger,
                                                      kProduceAwardCounter, anchorX_, anchorY_, 0);
        if (stored > 0) {
            delivered = true;
            host_->PlayEventSound(kAnimalStoreSound);
            if (buttonCommand_ == kCutCommand) HideOverheadButton(true, 0);
            SetFed(false, true);
            host_->TutorialNotify(kTutorialProduceCollected, intptr_t(type_->produceProduct->record.id),
                                  reinterpret_cast<intptr_t>(this));
        }
    }
    if (buttonCommand_ == kCutCommand) HideOverheadButton(true, 0);
    return delivered;
}

uint32_t PointSheepRack::Remove(bool animated, bool forGood, uint32_t delay) {
    if (forGood && cutJob_) {
        Job_CutSheeps* job = cutJob_;
        cutJob_ = nullptr;
        job->Unlink();
        job->Stop();
    }
    return PointPetshouse::Remove(animated, forGood, delay);
}

void PointSheepRack::OnDamaged(bool animated) {
    PointPetshouse::OnDamaged(animated);
    if (cutJob_) cutJob_->Stop();
}

void PointSheepRack::SaveOwn(SaveWriter& out) const {
    SaveProduceTimer(out, fed_, timer_, type_->header.animal.productionTime, loadedFraction_);
}

bool PointSheepRack::LoadOwn(SaveReader& in) {
    uint32_t fed;
    float fraction, callTimer;
    if (!ReadProduceTimer(in, &fed, &fraction, &callTimer)) return false;
    if ((fed && stage_ < 1) || callTimer > kCallMs) {
        in.Fail();
        return false;
    }
    // The base block has already given the point's delay: the load keeps it.
    const uint32_t pending = pendingDelayMs_;
    SetFed(fed != 0, false);
    timer_.remaining = float(type_->header.animal.productionTime) * fraction;
    RefreshButtons(false, 0);
    pendingDelayMs_ = pending;
    timer_.callTimer = callTimer;
    if (fed) loadedFraction_ = fraction;
    return true;
}

void PointSheepRack::SaveSecondPass(SaveWriter& out) const {
    SaveAnimalBlock(out, uint32_t(sheepCount_), Animals());
}

bool PointSheepRack::LoadSecondPass(SaveReader& in) {
    return LoadAnimalBlock(in, uint32_t(sheepCount_), Animals());
}

void PointSheepRack::ReleaseSheep(MapSheep* sheep) {
    for (auto& s : sheep_)
        if (s.get() == sheep) s.reset();
}

// ---------------------------------------------------------------- Job_CutSheeps

Job_CutSheeps::Job_CutSheeps(MapPlayer* player, PointSheepRack* rack)
    : Job(player, JOBID_CUTSHEEPS), rack_(rack) {
    targetPoint_ = int32_t(rack->Index());
    if (Job_CutSheeps* old = rack->CutJob()) {
        rack->LinkCutJob(nullptr);
        old->Unlink();
        old->Stop();
    }
    rack->LinkCutJob(this);
    BuildingHost* host = rack->Host();
    ShowJobIcon(this, host, host->FindSprite(kIconLibrary, kHandIcon), float(rack->AnchorX()),
                float(rack->AnchorY()), targetPoint_);
    if (rack->OverheadCommand() == kCutCommand) rack->HideOverheadButton(false, 0);
    Notify();
}

Job_CutSheeps::~Job_CutSheeps() {
    if (rack_) rack_->UnlinkCutJob(this);
}

bool Job_CutSheeps::SetStep(int32_t step) {
    if (!Job::SetStep(step)) return false;
    state_ = JobState::New;
    if (step_ > 2) {
        Stop();
        return false;
    }
    return true;
}

void Job_CutSheeps::BeginStep() {
    if (step_ <= 1) {
        step_ = 1;
        float x, y;
        rack_->GetWorkPosition(&x, &y);
        BeginWalk(x, y, 0, 1.0f);
        return;
    }
    const uint32_t total = rack_->Type()->header.animal.workTime;
    const uint32_t elapsed = progress_.running ? std::min(progress_.elapsed, total) : 0;
    // She shears facing the sheep, whichever side she came from.
    int32_t facing = -1;
    if (const BuildingLevel* level = rack_->CurrentLevel(); level && owner_) {
        const int32_t dx = level->record.animal.animalSpots[0][0];
        const float sheepX = float(rack_->AnchorX() + (rack_->IsMirrored() ? -dx : dx));
        if (sheepX != owner_->X()) facing = sheepX < owner_->X() ? kFacingLeft : kFacingRight;
    }
    StartAnimation(int32_t(total - elapsed), u"girl_cutsheep", facing, kWorkAnimationFlags);
    progress_.elapsed = elapsed;
    progress_.duration = total;
    animating_ = true;
}

void Job_CutSheeps::Update(uint32_t ms) {
    if (!rack_) {
        Stop();
        return;
    }
    switch (state_) {
    case JobState::New:
        BeginStep();
        break;
    case JobState::Walking:
        if (UpdateWalk(1.0f)) {
            step_ = 2;
            BeginStep();
        }
        break;
    case JobState::Animating:
        progress_.elapsed += ms;
        if (UpdateAnimation()) {
            PointSheepRack* rack = rack_;
            rack->CollectProducts(&messenger_);
            Finish();
            rack->UnlinkCutJob(this);
            rack_ = nullptr;
            rack->RefreshButtons(true, 0);
            static_cast<MapPlayer*>(owner_)->RequestSideStep();
        }
        break;
    default:
        break;
    }
}

bool Job_CutSheeps::Stop() {
    if (!Job::Stop()) return false;
    PointSheepRack* rack = rack_;
    rack_ = nullptr;
    if (!rack) return true;
    rack->UnlinkCutJob(this);
    rack->RefreshButtons(rack->Host()->Level().IsBegun(), 0);
    return true;
}

bool Job_CutSheeps::Save(JobSaveContext& context, SaveWriter& writer) {
    if (IsFinished()) return true;
    uint8_t* record = BeginSaveRecord(context, writer, kRecordSize);
    if (!record) return false;
    SaveProgress(record, step_ == 2 && (state_ == JobState::Animating || progress_.running));
    PutI32(record, 40, targetPoint_);
    return true;
}

std::unique_ptr<Job> Job_CutSheeps::Load(MapPlayer* player, const uint8_t* record, size_t size) {
    if (size != kRecordSize || U32At(record, 4) != JOBID_CUTSHEEPS) return nullptr;
    BuildingHost* host = dynamic_cast<BuildingHost*>(player->Services());
    auto* rack = dynamic_cast<PointSheepRack*>(HouseAt(host, U32At(record, 40)));
    if (!rack || rack->Type()->header.id != kis::NameId("sheep_rack")) return nullptr;
    const uint32_t step = U32At(record, 8);
    if (step > 2) return nullptr;
    auto job = std::make_unique<Job_CutSheeps>(player, rack);
    job->LoadHead(record);
    if (!job->LoadProgress(record) || (job->Progress().running && step != 2)) {
        rack->UnlinkCutJob(job.get());
        job->Unlink();
        return nullptr;
    }
    return job;
}

// ---------------------------------------------------------------- makers

std::unique_ptr<BaseLevelPoint> MakeAnimalHousePoint(BuildingHost* host, uint32_t index,
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
