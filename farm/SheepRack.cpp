#include "farm/SheepRack.h"

#include "engine/Log.h"
#include "foundation/Helpers.h"
#include "level/GameLevel.h"
#include "level/LevelServices.h"
#include "level/SaveStream.h"
#include "sprites/SpriteEffect.h"

#include <algorithm>

namespace {

constexpr int32_t kCutButtonLift = 40;
// A character's direction variants in turning order: down, right, up, left.
constexpr int32_t kFacingRight = 1, kFacingLeft = 3;

// The sheep's own bytes of the character block.
struct SheepRecord {
    uint32_t eatWait; // ms, <= 1000
};
constexpr auto kSheepLayout =
    kis::Layout(MapCharacter::kBlockSize, kis::Field<&SheepRecord::eatWait>(MapCharacter::kSubclassOffset));

} // namespace

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
    SetPointPicture(true);
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
    SetPointPicture(true);
    offsetX_ = int32_t(dx);
    sizeFactor_ = RandomAnimalSize();
    idleTimer_ = uint32_t(kis::Random(500)) * 10 + 1000;
    if (rack->IsProducing())
        eatWait_ = uint32_t(kis::Random(int32_t(std::min(rack->Remaining() / 5.0f, 1000.0f)) + 1));
    animKind_ = KindFor(rack->WoolKind());
    PlayAnimation(animKind_, IsMirrored());
    rack->GiveTrack(*this);
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
        AttachEffect(new SEffect_Build(kAnimalFadeMs, delay));
        head_->AttachEffect(new SEffect_Build(kAnimalFadeMs, delay));
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

Job* MapSheep::AddJob(std::unique_ptr<Job> job) {
    // A new job takes the place of the old ones.
    StopAllJobs(*this);
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
    kSheepLayout.Store({eatWait_}, block);
}

bool MapSheep::ApplyLoadedState(const uint8_t* block) {
    SheepRecord saved;
    kSheepLayout.Load(block, &saved);
    const uint32_t wait = saved.eatWait;
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

PointSheepRack::PointSheepRack(FarmHost* host, uint32_t index, BUILDING* type)
    : PointTimedHouse(host, index, type, kCutButtonLift, "Wool ready") {}

PointSheepRack::~PointSheepRack() {
    for (auto& sheep : sheep_)
        if (sheep) sheep->Unlink();
}

std::vector<MapCharacter*> PointSheepRack::PacedAnimals() const {
    std::vector<MapCharacter*> animals;
    for (const auto& sheep : sheep_)
        if (sheep) animals.push_back(sheep.get());
    return animals;
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
    HideCollectButton(animated, delay);
    for (auto& sheep : sheep_) {
        if (!sheep) continue;
        for (int32_t i = sheep->JobCount() - 1; i >= 0; --i)
            if (sheep->GetJob(i)->JobId() == JOBID_SHEEPEAT) sheep->GetJob(i)->Stop();
    }
    return delay;
}

uint32_t PointSheepRack::RefreshButtons(bool animated, uint32_t delay) {
    delay = PointTimedHouse::RefreshButtons(animated, delay);
    for (auto& sheep : sheep_) {
        const int32_t kind = sheep ? sheep->KindFor(WoolKind()) : 0;
        if (sheep && sheep->AnimationKind() != kind) sheep->SwitchAnimationKind(kind);
    }
    return delay;
}

void PointSheepRack::SetFed(bool fed, bool animated) {
    if (fed && sheepCount_ > 0) {
        // One sheep starts eating at once, the others within a fifth of the
        // production time (at most a second).
        const int32_t first = kis::Random(sheepCount_);
        const int32_t spread = int32_t(std::min(float(type_->header.animal.productionTime) / 5.0f, 1000.0f));
        for (int32_t s = 0; s < sheepCount_; ++s)
            if (sheep_[size_t(s)])
                sheep_[size_t(s)]->SetEatWait(s == first ? 0 : uint32_t(kis::Random(std::max(spread, 1))));
    }
    PointTimedHouse::SetFed(fed, animated);
}

std::unique_ptr<Job_CollectProduce> PointSheepRack::MakeCollectJob(MapPlayer* player) {
    return std::make_unique<Job_CutSheeps>(player, this);
}

void PointSheepRack::StopAnimalJobs() {
    for (auto& sheep : sheep_)
        if (sheep) StopAllJobs(*sheep);
}

void PointSheepRack::CallAnimal() {
    timer_.callTimer = kCallMs;
    MapSheep* sheep = sheep_[size_t(kis::Random(sheepCount_))].get();
    if (sheep) sheep->StartJob(JOBID_SHEEPYELLING);
}

bool PointSheepRack::CollectProducts(GameMessager* messenger) {
    return DeliverReadyProduce(messenger);
}

void PointSheepRack::SaveSecondPass(SaveWriter& out) const {
    SaveAnimalBlock(out, uint32_t(sheepCount_), Animals());
}

bool PointSheepRack::LoadSecondPass(SaveReader& in) {
    return LoadAnimalBlock(in, uint32_t(sheepCount_), Animals());
}

// ---------------------------------------------------------------- Job_CutSheeps

Job_CutSheeps::Job_CutSheeps(MapPlayer* player, PointSheepRack* rack)
    : Job_CollectProduce(player, JOBID_CUTSHEEPS, rack, float(rack->AnchorX()), float(rack->AnchorY())) {}

int32_t Job_CutSheeps::WorkFacing() const {
    // She shears facing the sheep, whichever side she came from.
    const BuildingLevel* level = house_->CurrentLevel();
    if (!level || !owner_) return -1;
    const int32_t dx = level->record.animal.animalSpots[0][0];
    const float sheepX = float(house_->AnchorX() + (house_->IsMirrored() ? -dx : dx));
    if (sheepX == owner_->X()) return -1;
    return sheepX < owner_->X() ? kFacingLeft : kFacingRight;
}

std::unique_ptr<Job> Job_CutSheeps::Load(MapPlayer* player, const uint8_t* record, size_t size) {
    if (size != kRecordSize || HeadOf(record).jobId != JOBID_CUTSHEEPS) return nullptr;
    AtPointRecord saved;
    kAtPointLayout.Load(record, &saved);
    auto* rack = dynamic_cast<PointSheepRack*>(SavedHouse(player, uint32_t(saved.point), "sheep_rack"));
    if (!rack || HeadOf(record).step > kWork) return nullptr;
    auto job = std::make_unique<Job_CutSheeps>(player, rack);
    if (!job->LoadRecord(record, kWork)) return nullptr;
    return job;
}
