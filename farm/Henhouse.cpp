#include "farm/Henhouse.h"

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

constexpr int32_t kEggsButtonLift = 16;
// The chickens come in one after another, this much apart, after a first wait as long.
constexpr uint32_t kChickenEntryStepMs = 100;
// The delivered eggs fly in from above the nests, clear of the house.
constexpr int32_t kEggsFlyInOffset = -64;
constexpr int32_t kTakeEggsDrop = 12;
constexpr float kCrowdDistance = 32.0f;
constexpr int32_t kSpotTries = 100;

MapSprite* AsMapSprite(Sprite* sprite) {
    return static_cast<MapSprite*>(sprite);
}

float Distance(float ax, float ay, float bx, float by) {
    return std::hypot(ax - bx, ay - by);
}

float NestCentreX(const PointHenhouse* house) {
    int32_t x, y;
    house->GetNestCentre(&x, &y);
    return float(x);
}

float NestCentreY(const PointHenhouse* house) {
    int32_t x, y;
    house->GetNestCentre(&x, &y);
    return float(y);
}

// Walks the chicken to a place and keeps it there, playing one animation,
// until the job is stopped: eating at its spot, or sitting on its nest. The
// chicken's link to the job is cleared when the job stops or goes.
class Job_ChickenStay : public Job {
  public:
    static constexpr size_t kRecordSize = 48;
    enum StayStep : uint32_t { kWalkThere = 1, kStay = 2 };

    ~Job_ChickenStay() override { Unlink(); }
    bool SetStep(int32_t step) override {
        if (!Job::SetStep(step)) return false;
        state_ = JobState::New;
        return step_ <= kStay;
    }
    void Update(uint32_t) override {
        switch (state_) {
        case JobState::New:
            if (step_ <= kWalkThere) {
                step_ = kWalkThere;
                BeginWalk(x_, y_, 0, speed_);
            } else {
                Begin();
            }
            break;
        case JobState::Walking:
            if (UpdateWalk(speed_)) {
                step_ = kStay;
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
        uint8_t* record = BeginJobRecord(*this, context, writer, kRecordSize, kStay);
        if (!record) return false;
        SavePlace(record);
        return true;
    }

  protected:
    // link: the chicken's pointer to this job; (x, y): where it stays.
    Job_ChickenStay(MapChicken* chicken, uint32_t jobId, Job** link, float x, float y, float speed,
                    const char* logLabel)
        : Job(chicken, jobId), chicken_(chicken), link_(link), x_(x), y_(y), speed_(speed),
          logLabel_(logLabel) {
        *link = this;
        chicken->SetWalkTarget(x, y);
    }
    virtual void StartStaying() = 0;
    virtual void SavePlace(uint8_t* record) const = 0;

    MapChicken* chicken_;
    Job** link_;
    float x_, y_;

  private:
    void Begin() {
        StartStaying();
        progress_.elapsed = 0;
        if (!placed_) {
            LogLabelPrintf(kLogIndent, logLabel_, "slot %d", chicken_->Slot());
            chicken_->SetInPlace(true);
        }
        placed_ = true;
    }
    void Unlink() {
        if (*link_ == this) *link_ = nullptr;
        if (placed_) chicken_->SetInPlace(false);
        placed_ = false;
    }
    float speed_;
    const char* logLabel_;
    bool placed_ = false;
};

// Where a staying chicken stays, after the common 40 bytes: its eating spot
// in whole pixels, or one pixel above its nest.
struct EatSpotRecord {
    int32_t x, y;
};
constexpr auto kEatSpotLayout = kis::Layout(Job_ChickenStay::kRecordSize, kis::Field<&EatSpotRecord::x>(40),
                                            kis::Field<&EatSpotRecord::y>(44));
struct NestSpotRecord {
    float x, y;
};
constexpr auto kNestSpotLayout = kis::Layout(Job_ChickenStay::kRecordSize, kis::Field<&NestSpotRecord::x>(40),
                                             kis::Field<&NestSpotRecord::y>(44));

// A henhouse's own block; all zero but the flag while it waits for feed.
struct HenhouseRecord {
    uint32_t fed; // 0 or 1
    int32_t phase;
    std::array<float, 4> timers;
    std::array<std::array<int32_t, 2>, 4> nests;
    int32_t eggs;
};
constexpr auto kHenhouseLayout =
    kis::Layout(PointHenhouse::kRecordSize, kis::Field<&HenhouseRecord::fed>(4),
                kis::Field<&HenhouseRecord::phase>(8), kis::Field<&HenhouseRecord::timers>(12),
                kis::Field<&HenhouseRecord::nests>(28), kis::Field<&HenhouseRecord::eggs>(60));

// The chicken's own bytes of the character block.
struct ChickenRecord {
    uint32_t idleWait; // ms, <= 3990
};
constexpr auto kChickenLayout = kis::Layout(
    MapCharacter::kBlockSize, kis::Field<&ChickenRecord::idleWait>(MapCharacter::kSubclassOffset));

// Walks to the chicken's eating spot and eats until stopped.
class Job_ChickenEat : public Job_ChickenStay {
  public:
    Job_ChickenEat(MapChicken* chicken, int32_t x, int32_t y, uint32_t animation)
        : Job_ChickenStay(chicken, JOBID_PETEAT, &chicken->eatJob, float(x), float(y), 1.5f, "Chicken eats"),
          animation_(animation) {}

  protected:
    void StartStaying() override {
        StartAnimation(kEndlessAnimationMs, u"chicken_eat", int32_t(animation_), kWorkAnimationFlags);
    }
    void SavePlace(uint8_t* record) const override {
        kEatSpotLayout.Store({int32_t(x_), int32_t(y_)}, record);
    }

  private:
    uint32_t animation_;
};

// Walks to the chicken's nest (one pixel above it) and sits until stopped.
class Job_ChickenEgg : public Job_ChickenStay {
  public:
    Job_ChickenEgg(MapChicken* chicken, int32_t x, int32_t y)
        : Job_ChickenStay(chicken, JOBID_CHICKENEGG, &chicken->nestJob, float(x), float(y - 1), 1.0f,
                          "Chicken sits on its nest") {}

  protected:
    void StartStaying() override {
        const GameCharacter* d = chicken_->Description();
        const char16_t* name = d ? d->GetAnimationName(chicken_->AnimationKind(), 0) : nullptr;
        StartAnimation(kEndlessAnimationMs, name ? name : u"", -1, kWorkAnimationFlags);
    }
    void SavePlace(uint8_t* record) const override { kNestSpotLayout.Store({x_, y_}, record); }
};

} // namespace

// ---------------------------------------------------------------- MapChicken

MapChicken::MapChicken(LevelMap* map, PointHenhouse* house, int32_t slot, float x, float y)
    : MapCharacter(map, house->Type()->animal, 0, nullptr, house->IsMirrored() ? 1 : 0, x, y,
                   int32_t(house->Index())),
      house_(house), slot_(slot), targetX_(x), targetY_(y) {
    noRerouteCount = 0;
    SetPointPicture(true);
    house->GiveTrack(*this);
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
        AttachEffect(new SEffect_Alpha(0.0f, 1.0f, kAnimalFadeMs, true, 0));
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
    if (house_ && house_->Level()->IsBegun()) {
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
    kChickenLayout.Store({idleWait_}, block);
}

bool MapChicken::ApplyLoadedState(const uint8_t* block) {
    ChickenRecord saved;
    kChickenLayout.Load(block, &saved);
    const uint32_t wait = saved.idleWait;
    if (wait > 3990) return false;
    if (pendingEntry_) Enter(false, 0);
    idleWait_ = wait;
    return true;
}

std::unique_ptr<Job> MapChicken::CreateJobFromRecord(uint32_t jobId, const uint8_t* record, size_t size) {
    failedJob_ = jobId;
    if (!house_) return nullptr;
    const uint32_t step = size >= Job::kHeadSize ? Job::HeadOf(record).step : 0;
    if (jobId == JOBID_GOTO) {
        if (size != Job_GoTo::kShortRecordSize) return nullptr;
        std::unique_ptr<Job_GoTo> job = Job_GoTo::Load(this, record, size);
        if (!job) return nullptr;
        job->GetPosition(&targetX_, &targetY_);
        failedJob_ = 0;
        return job;
    }
    if (jobId == JOBID_PETEAT) {
        // Only a chicken of a house in its eating phase eats, at its spot.
        int32_t x, y;
        house_->GetEatingSpot(slot_, &x, &y);
        if (size != Job_ChickenStay::kRecordSize || house_->Phase() != PointHenhouse::kEat ||
            step > Job_ChickenStay::kStay)
            return nullptr;
        EatSpotRecord saved;
        kEatSpotLayout.Load(record, &saved);
        if (saved.x != x || saved.y != y) return nullptr;
        auto job = std::make_unique<Job_ChickenEat>(this, x, y, house_->EatAnimationValue(slot_));
        job->LoadHead(record);
        if (!job->LoadProgress(record) || (job->Progress().running && step != Job_ChickenStay::kStay))
            return nullptr;
        failedJob_ = 0;
        return job;
    }
    if (jobId == JOBID_CHICKENEGG) {
        const auto& nest = house_->Nests()[size_t(slot_)];
        if (size != Job_ChickenStay::kRecordSize || house_->Phase() != PointHenhouse::kSitOnNests ||
            step > Job_ChickenStay::kStay)
            return nullptr;
        NestSpotRecord saved;
        kNestSpotLayout.Load(record, &saved);
        if (saved.x != float(nest[0]) || saved.y != float(nest[1] - 1)) return nullptr;
        auto job = std::make_unique<Job_ChickenEgg>(this, nest[0], nest[1]);
        job->LoadHead(record);
        if (!job->LoadProgress(record) || (job->Progress().running && step != Job_ChickenStay::kStay))
            return nullptr;
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

PointHenhouse::PointHenhouse(FarmHost* host, uint32_t index, BUILDING* type)
    : PointPetshouse(host, index, type) {}

PointHenhouse::~PointHenhouse() {
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
    GetOverlayOffset(x, y);
}

void PointHenhouse::GetFeedButtonOffset(int32_t* x, int32_t* y) const {
    GetFeedSpotOffset(x, y);
    *y -= 8;
}

void PointHenhouse::RefreshFeedGauge() {
    const uint32_t eating = type_->header.animal.eatingTime;
    SetOverlayFrame(fed_ && eating > 0 ? (phase_ > kEat   ? 0.0f
                                          : phase_ < kEat ? 1.0f
                                                          : timers_[kEat] / float(eating))
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
        nest_->SetPointPicture(true);
        nest_->AddToLevel(2);
        if (animated) {
            // Unseen for the delay, then faded in (the nest's own alpha stays whole).
            if (delay > 0) nest_->AttachEffect(new SEffect_Alpha(0.0f, 0.0f, delay, true, 0));
            nest_->AttachEffect(new SEffect_Alpha(0.0f, 1.0f, kAnimalFadeMs, true, delay));
        }
    }
    return delay;
}

uint32_t PointHenhouse::CreateAnimals(bool animated, uint32_t delay) {
    delay = PointPetshouse::CreateAnimals(animated, delay);
    LevelMap* map = host_->Map();
    if (phase_ == kEggsLaid || !map) return delay;
    if (animated) delay += kChickenEntryStepMs;
    chickenCount_ = std::clamp(stage_, 0, kMaxAnimals);
    for (int32_t s = 0; s < chickenCount_; ++s) {
        if (chickens_[size_t(s)]) continue;
        float x, y;
        GetStartSpot(s, &x, &y);
        chickens_[size_t(s)] = std::make_unique<MapChicken>(map, this, s, x, y);
        chickens_[size_t(s)]->Enter(animated, animated ? delay : 0);
        if (animated) delay += kChickenEntryStepMs;
    }
    return delay;
}

uint32_t PointHenhouse::AnimalsEntryMs() const {
    return kChickenEntryStepMs * (kMaxAnimals + 1);
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
    StopPhaseJobs();
    return delay;
}

void PointHenhouse::StopPhaseJobs() {
    for (auto& chicken : chickens_) {
        if (!chicken) continue;
        if (phase_ == kEat && chicken->eatJob) chicken->eatJob->Stop();
        if (phase_ == kSitOnNests && chicken->nestJob) chicken->nestJob->Stop();
    }
}

uint32_t PointHenhouse::RefreshButtons(bool animated, uint32_t delay) {
    delay = PointPetshouse::RefreshButtons(animated, delay);
    if (phase_ == kEggsLaid) HideProgress();
    int32_t x, y;
    GetNestCentre(&x, &y);
    ShowCollectButton(phase_ == kEggsLaid && !eggSprites_.empty(), x, y - kEggsButtonLift, animated, delay);
    return delay;
}

void PointHenhouse::SetFed(bool fed, bool animated) {
    if (fed) {
        timers_ = PhaseTimers(type_->header.animal.productionTime, type_->header.animal.eatingTime);
        phase_ = kWander;
        restart_ = false;
        PlaceNests();
    }
    // The line starts empty with the feeding; an unfed house shows none
    // (not even one the feed button cannot take the place of yet: a site
    // being built, an upgrade under way).
    if (fed)
        SetProgress(0);
    else
        HideProgress();
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
        sprite->SetPointPicture(true);
        sprite->AddToLevel(0);
        if (animated) sprite->AttachEffect(new SEffect_Build(kAnimalFadeMs, 0));
        eggSprites_.push_back(sprite);
    }
    if (animated && type_->workingSound)
        host_->PlayOnChannel(type_->workingSound, kFactorySoundCategory, kSoundLoopAsLoaded);
}

void PointHenhouse::EnterPhase(int32_t phase) {
    StopPhaseJobs();
    phase_ = phase;
    for (int32_t s = 0; s < kMaxAnimals; ++s) {
        MapChicken* chicken = chickens_[size_t(s)].get();
        if (!chicken) continue;
        if (phase == kEat) {
            int32_t x, y;
            GetEatingSpot(s, &x, &y);
            chicken->AddJob(std::make_unique<Job_ChickenEat>(chicken, x, y, EatAnimationValue(s)));
        } else if (phase == kSitOnNests) {
            chicken->AddJob(
                std::make_unique<Job_ChickenEgg>(chicken, nests_[size_t(s)][0], nests_[size_t(s)][1]));
        }
    }
    if (phase == kEggsLaid && chickenCount_ > 0) {
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

std::vector<MapCharacter*> PointHenhouse::PacedAnimals() const {
    std::vector<MapCharacter*> animals;
    for (const auto* slots : {&chickens_, &leaving_})
        for (const auto& chicken : *slots)
            if (chicken) animals.push_back(chicken.get());
    return animals;
}

void PointHenhouse::FollowTrack(MapCharacter& animal, uint32_t id, float value) const {
    animal.SetTrack(0, id, value);
    animal.SetTrack(2, id, value);
    animal.SetScaleTrack(id, value);
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
    const bool waiting = (phase_ == kEat || phase_ == kSitOnNests) && inPlace_ < chickenCount_;
    if (phase_ < kEggsLaid && !waiting) {
        float& timer = timers_[size_t(phase_)];
        timer = std::max(timer - AnimalStep(t), 0.0f);
        if (phase_ == kEat) RefreshFeedGauge();
        if (timer <= 0.0f) EnterPhase(phase_ + 1);
    }
    RefreshProgress();
    return t;
}

void PointHenhouse::RefreshProgress() {
    // Once the eggs lie, their button stands where the line was.
    const float production = float(type_->header.animal.productionTime);
    if (phase_ >= kEggsLaid || !(production > 0.0f)) return;
    float left = 0.0f;
    for (int32_t p = std::max(phase_, 0); p < kEggsLaid; ++p)
        left += timers_[size_t(p)];
    SetProgress(int32_t(100.0f - left * 100.0f / production));
}

std::unique_ptr<Job_CollectProduce> PointHenhouse::MakeCollectJob(MapPlayer* player) {
    return std::make_unique<Job_TakeEggs>(player, this);
}

bool PointHenhouse::CollectProducts(GameMessager* messenger) {
    int32_t x, y;
    GetNestCentre(&x, &y);
    return DeliverProduce(eggCount_ > 0, uint32_t(std::max(eggCount_, 0)), messenger, x, y, kEggsFlyInOffset);
}

void PointHenhouse::ClearDeliveredProduce() {
    LevelMap* map = host_->Map();
    for (SpriteObject* egg : eggSprites_)
        if (egg && map) MapObject::AddEffect(egg, 0, new SEffect_Scale(1.0f, 0.0f, kAnimalFadeMs, true, 0));
    eggSprites_.clear();
    eggCount_ = 0;
}

uint32_t PointHenhouse::Remove(bool animated, bool forGood, uint32_t delay) {
    LevelMap* map = host_->Map();
    if (!animated) {
        DeleteEggSprites();
        if (nest_ && map) map->Delete(nest_);
        nest_ = nullptr;
    } else if (forGood) {
        if (nest_)
            MapObject::AddEffect(nest_, delay, new SEffect_Alpha(1.0f, 0.0f, kAnimalFadeMs, true, delay));
        nest_ = nullptr;
        for (SpriteObject* egg : eggSprites_)
            if (egg)
                MapObject::AddEffect(egg, delay, new SEffect_Scale(1.0f, 0.0f, kAnimalFadeMs, true, delay));
        eggSprites_.clear();
    }
    return PointPetshouse::Remove(animated, forGood, delay);
}

void PointHenhouse::SaveOwn(SaveWriter& out) const {
    // A house that waits for feed keeps nothing but its flag.
    HenhouseRecord saved{};
    if (fed_) saved = {1, phase_, timers_, nests_, eggCount_};
    PutBlock(out, kHenhouseLayout, saved);
}

bool PointHenhouse::LoadOwn(SaveReader& in) {
    HenhouseRecord record{};
    const bool read = GetBlock(in, kHenhouseLayout, &record);
    const uint32_t fed = record.fed;
    const int32_t phase = record.phase;
    const std::array<float, 4>& timers = record.timers;
    const std::array<std::array<int32_t, 2>, 4>& nests = record.nests;
    const int32_t eggs = record.eggs;
    bool ok = read && fed <= 1 && (fed == 0 || stage_ >= 1);
    if (ok && fed == 0) {
        // Nothing else is kept for a house that waits for feed.
        ok = phase == kWander && eggs == 0;
        for (float timer : timers)
            ok = ok && timer == 0.0f;
        for (const auto& nest : nests)
            ok = ok && nest[0] == 0 && nest[1] == 0;
    }
    if (ok && fed == 1) {
        // Eggs lie only once the chickens have left (kEggsLaid), one a chicken.
        ok = phase >= kWander && phase < kPhaseCount &&
             (phase == kEggsLaid ? eggs >= 1 && eggs <= kMaxAnimals : eggs == 0);
        // Each phase's timer starts at what the house's production and eating times give it and runs down
        // while its phase runs: the phases before the current one ran out, the later ones wait whole.
        const std::array<float, 4> longest =
            PhaseTimers(type_->header.animal.productionTime, type_->header.animal.eatingTime);
        for (size_t p = 0; p < timers.size(); ++p) {
            const int32_t at = int32_t(p);
            ok = ok && std::isfinite(timers[p]) &&
                 (at < phase   ? timers[p] == 0.0f
                  : at > phase ? timers[p] == longest[p]
                               : timers[p] >= 0.0f && timers[p] <= longest[p]);
        }
        int32_t cx, cy;
        GetNestCentre(&cx, &cy);
        for (const auto& nest : nests)
            ok = ok && std::abs(int64_t(nest[0]) - cx) <= 17 && std::abs(int64_t(nest[1]) - cy) <= 10;
    }
    if (!ok) {
        in.Fail();
        return false;
    }
    // The base block has already given the point's countdown and delay: the
    // load keeps them.
    const uint32_t pending = pendingDelayMs_;
    const int32_t countdown = countdownMs_;
    if (fed == 0) {
        SetFed(false, /*animated=*/false);
        pendingDelayMs_ = pending;
        countdownMs_ = countdown;
        return true;
    }
    fed_ = true;
    phase_ = phase;
    timers_ = timers;
    nests_ = nests;
    restart_ = false;
    eggCount_ = 0;
    host_->RefreshBuildingPanel(this);
    if (phase == kEggsLaid) {
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
    countdownMs_ = countdown;
    if (eggCount_ != eggs) {
        in.Fail();
        return false;
    }
    return true;
}

// ---------------------------------------------------------------- Job_TakeEggs

Job_TakeEggs::Job_TakeEggs(MapPlayer* player, PointHenhouse* house)
    : Job_CollectProduce(player, JOBID_TAKEEGGS, house, NestCentreX(house), NestCentreY(house)) {}

void Job_TakeEggs::GetWorkSpot(float* x, float* y) const {
    const auto* house = static_cast<const PointHenhouse*>(house_);
    *x = NestCentreX(house);
    *y = NestCentreY(house) + float(kTakeEggsDrop);
}

std::unique_ptr<Job> Job_TakeEggs::Load(MapPlayer* player, const uint8_t* record, size_t size) {
    if (size != kRecordSize || HeadOf(record).jobId != JOBID_TAKEEGGS) return nullptr;
    AtPointRecord saved;
    kAtPointLayout.Load(record, &saved);
    // Only a henhouse holds eggs: another animal house's record is refused.
    auto* house = dynamic_cast<PointHenhouse*>(SavedHouse(player, uint32_t(saved.point), "henhouse"));
    if (!house || !house->IsFed() || house->EggCount() <= 0 || HeadOf(record).step > kWork) return nullptr;
    auto job = std::make_unique<Job_TakeEggs>(player, house);
    if (!job->LoadRecord(record, kWork)) return nullptr;
    return job;
}
