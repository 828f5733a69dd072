#include "farm/Cowshed.h"

#include "engine/Log.h"
#include "foundation/Helpers.h"
#include "level/GameLevel.h"
#include "level/LevelServices.h"
#include "level/SaveStream.h"
#include "sprites/SpriteEffect.h"

#include <algorithm>

namespace {

constexpr int32_t kCowButtonLift = 56;
constexpr uint32_t kCowColourMs = 100;
// A cow comes this long after the delay she is given, then grows in.
constexpr uint32_t kCowWaitMs = 100;

// A milking job's own fields after the common 40 bytes: the shed (-1 once
// she walks out without it) and the spot she milks at.
struct MilkCowsRecord {
    int32_t shed;
    int32_t spotX, spotY;
};
constexpr auto kMilkCowsLayout =
    kis::Layout(Job_MilkCows::kRecordSize, kis::Field<&MilkCowsRecord::shed>(40),
                kis::Field<&MilkCowsRecord::spotX>(44), kis::Field<&MilkCowsRecord::spotY>(48));

} // namespace

// ---------------------------------------------------------------- MapCowHead

MapCowHead::MapCowHead(LevelMap* map, PointCowshed* shed, int32_t slot, float x, float y)
    : MapCharacter(map, shed->Type()->animal, 0, nullptr, shed->IsMirrored() ? 1 : 0, x, y,
                   int32_t(shed->Index())),
      shed_(shed), slot_(slot) {
    noRerouteCount = 1;
    sizeFactor_ = RandomAnimalSize();
    SetMirrored(shed->IsMirrored());
    SetPointPicture(true);
    const int32_t depth = shed->Building() ? shed->Building()->Depth() : 0;
    offsetY_ = shed->AnchorY() - int32_t(y) + depth + 10 - slot;
    shed->GiveTrack(*this);
}

MapCowHead::~MapCowHead() {
    DeleteAllJobs();
}

uint32_t MapCowHead::StartVanish(uint32_t delay) {
    delay = MapCharacter::StartVanish(delay);
    // Both hold their end until the map deletes her (no full-size frame
    // between the shrink's end and her going).
    AttachEffect(new SEffect_Color(0xFFFFFFFF, 0xFF000000, kCowColourMs, false, delay + 100));
    AttachEffect(new SEffect_Scale(1.0f, 0.35f, kAnimalFadeMs, false, delay));
    return delay + 250;
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

PointCowshed::PointCowshed(FarmHost* host, uint32_t index, BUILDING* type)
    : PointTimedHouse(host, index, type, kCowButtonLift, "Milk ready") {}

PointCowshed::~PointCowshed() {
    for (auto& cow : cows_)
        if (cow) cow->Unlink();
}

Job_MilkCows* PointCowshed::MilkJob() const {
    return static_cast<Job_MilkCows*>(collectJob_);
}

std::vector<MapCharacter*> PointCowshed::Animals() const {
    std::vector<MapCharacter*> animals;
    for (const auto& cow : cows_)
        if (cow) animals.push_back(cow.get());
    return animals;
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
            cow->AttachEffect(new SEffect_Alpha(0.0f, 0.0f, delay + kCowWaitMs, true, 0));
            cow->AttachEffect(
                new SEffect_Color(0xFF000000, 0xFFFFFFFF, kCowColourMs, true, delay + kCowWaitMs));
            cow->AttachEffect(new SEffect_Scale(0.35f, 1.0f, kAnimalFadeMs, true, delay + kCowWaitMs));
        }
        cows_[size_t(s)] = std::move(cow);
    }
    return delay + AnimalsEntryMs();
}

uint32_t PointCowshed::AnimalsEntryMs() const {
    return kCowWaitMs + kAnimalFadeMs;
}

uint32_t PointCowshed::StopAnimals(bool animated, bool forGood, uint32_t delay) {
    delay = PointPetshouse::StopAnimals(animated, forGood, delay);
    HideCollectButton(animated, delay);
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

std::unique_ptr<Job_CollectProduce> PointCowshed::MakeCollectJob(MapPlayer* player) {
    return std::make_unique<Job_MilkCows>(player, this);
}

void PointCowshed::StartMilking() {
    for (auto& cow : cows_) {
        if (!cow) continue;
        StopAllJobs(*cow);
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

void PointCowshed::StopAnimalJobs() {
    for (auto& cow : cows_)
        if (cow) StopAllJobs(*cow);
}

void PointCowshed::CallAnimal() {
    timer_.callTimer = float(kis::Random(100)) * 100.0f + 10000.0f;
    MapCowHead* cow = cows_[size_t(kis::Random(int32_t(std::max(cowCount_, 1))))].get();
    if (cow)
        cow->AddJob(std::make_unique<Job_Animation>(cow, JOBID_COWHEADYELLING, u"cowhead_yelling", 0, -2));
}

bool PointCowshed::CollectProducts(GameMessager* messenger) {
    const bool delivered = DeliverReadyProduce(messenger);
    // A milking that has not begun goes on after a refused delivery.
    if (Job_MilkCows* job = MilkJob()) {
        if (delivered || job->IsMilking() || job->Step() >= Job_MilkCows::kMilking) job->Stop();
    }
    return delivered;
}

// ---------------------------------------------------------------- Job_MilkCows

Job_MilkCows::Job_MilkCows(MapPlayer* player, PointCowshed* shed, int32_t spotX, int32_t spotY)
    : Job_CollectProduce(player, JOBID_MILKCOWS, shed, shed ? float(shed->AnchorX()) : 0.0f,
                         shed ? float(shed->AnchorY()) : 0.0f),
      spotX_(spotX), spotY_(spotY) {
    if (!shed) return;
    spotX_ = shed->AnchorX() + (shed->IsMirrored() ? -kSpotDx : kSpotDx);
    spotY_ = shed->AnchorY() - 1;
}

Job_MilkCows::~Job_MilkCows() {
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
    if (!house_) return false;
    *x = float(house_->AnchorX());
    *y = float(house_->AnchorY() + 40);
    return true;
}

void Job_MilkCows::GetWorkSpot(float* x, float* y) const {
    *x = float(spotX_);
    *y = float(spotY_);
}

bool Job_MilkCows::SetStep(int32_t step) {
    if (!Job::SetStep(step)) return false;
    state_ = JobState::New;
    if (step_ > kDone) {
        Stop();
        return false;
    }
    return true;
}

void Job_MilkCows::LeaveShed() {
    PointCowshed* shed = Shed();
    if (!LetGo() || !shed->IsFed()) return;
    shed->StopMilking();
    shed->RefreshButtons(shed->Level()->IsBegun(), 0);
}

void Job_MilkCows::BeginStep() {
    const bool mirrored = house_ ? house_->IsMirrored() : false;
    if (step_ >= kEnterShed) Count();
    switch (step_) {
    case 0:
    case kWalkToSpot: {
        step_ = kWalkToSpot;
        // Already on the spot's row, a little before the spot: she goes in.
        const float d = (float(spotX_) - owner_->X()) * (mirrored ? -1.0f : 1.0f);
        if (owner_->Y() == float(spotY_) && d >= 0.0f && d <= 100.0f) {
            step_ = kEnterShed;
            BeginStep();
            return;
        }
        BeginWalk(float(spotX_), float(spotY_), 0, 1.0f);
        break;
    }
    case kEnterShed:
        BeginWalk(float(spotX_ + (mirrored ? -kInsideDx : kInsideDx)), float(spotY_), 1, 1.0f);
        break;
    case kMilking:
        if (!house_) {
            step_ = kWalkOut;
            BeginStep();
            return;
        }
        StartWork(WorkAnimation(), -1);
        Shed()->StartMilking();
        milking_ = true;
        break;
    case kWalkOut:
        if (PointCowshed* shed = Shed(); LetGo()) shed->StopMilking();
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
        if (!house_ && step_ < kWalkOut) {
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
        AddElapsed(ms);
        if (UpdateAnimation()) {
            milking_ = false;
            // The delivery stops the job, which sends the farmer back out.
            if (house_) house_->CollectProducts(&messenger_);
            if (!IsFinished() && step_ == kMilking) {
                Release();
                step_ = kWalkOut;
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
    if (step_ >= kEnterShed && step_ < kWalkOut && !mayEnd_) {
        // Inside the shed: she walks back out before the job ends.
        Release();
        milking_ = false;
        LeaveShed();
        step_ = kWalkOut;
        BeginStep();
        return false;
    }
    if (!Job::Stop()) return false;
    LeaveShed();
    Uncount();
    return true;
}

bool Job_MilkCows::Save(JobSaveContext& context, SaveWriter& writer) {
    if (IsFinished()) return true;
    uint8_t* record = BeginJobRecord(*this, context, writer, kRecordSize, kMilking);
    if (!record) return false;
    kMilkCowsLayout.Store({house_ ? int32_t(house_->Index()) : -1, spotX_, spotY_}, record);
    return true;
}

std::unique_ptr<Job> Job_MilkCows::Load(MapPlayer* player, const uint8_t* record, size_t size) {
    if (size != kRecordSize || HeadOf(record).jobId != JOBID_MILKCOWS) return nullptr;
    MilkCowsRecord saved;
    kMilkCowsLayout.Load(record, &saved);
    const int32_t index = saved.shed;
    const uint32_t step = HeadOf(record).step;
    if (step > kDone) return nullptr;
    std::unique_ptr<Job_MilkCows> job;
    if (index < 0) {
        if (step < kWalkOut) return nullptr; // without a shed she can only walk back out
        // She walks out to the spot beside the shed that went: one within the field's reach.
        if (!player->PlaceFits(float(saved.spotX), float(saved.spotY))) return nullptr;
        job = std::make_unique<Job_MilkCows>(player, nullptr, saved.spotX, saved.spotY);
    } else {
        auto* shed = dynamic_cast<PointCowshed*>(SavedHouse(player, uint32_t(index), "cowshed"));
        if (!shed) return nullptr;
        job = std::make_unique<Job_MilkCows>(player, shed);
        if (job->spotX_ != saved.spotX || job->spotY_ != saved.spotY) {
            job->LetGo();
            return nullptr;
        }
    }
    if (!job->LoadRecord(record, kMilking)) return nullptr;
    if (step >= kWalkOut) job->noStop_ = true;
    return job;
}
