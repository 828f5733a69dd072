#include "farm/TimedHouse.h"

#include "engine/Log.h"
#include "level/GameLevel.h"
#include "level/Records.h"

#include <algorithm>
#include <cmath>

namespace {

// The longest wait between two calls.
constexpr float kLongestCallMs = 19900.0f;
// The delivered milk or wool flies in from above the anchor, over the animals.
constexpr int32_t kProduceFlyInOffset = -42;

} // namespace

bool ProduceTimer::CheckRecord(uint32_t fed, float fraction, float callTimer) {
    if (fed > 1 || !std::isfinite(fraction) || !std::isfinite(callTimer)) return false;
    if (fraction < 0.0f || fraction > 1.0f) return false;
    // A call timer is off (-1) or a wait of at most 19,900 ms.
    if (callTimer != -1.0f && (callTimer < 0.0f || callTimer > kLongestCallMs)) return false;
    // Unfed, nothing runs.
    return fed == 1 || (fraction == 0.0f && callTimer == -1.0f);
}

PointTimedHouse::PointTimedHouse(FarmHost* host, uint32_t index, BUILDING* type, int32_t buttonLift,
                                 const char* readyLabel)
    : PointPetshouse(host, index, type), buttonLift_(buttonLift), readyLabel_(readyLabel) {}

float PointTimedHouse::LongestCallMs() const {
    return kLongestCallMs;
}

void PointTimedHouse::RefreshFeedGauge() {
    const uint32_t production = type_->header.animal.productionTime;
    SetOverlayFrame(production > 0 ? timer_.remaining / float(production) : 0.0f);
}

uint32_t PointTimedHouse::RefreshButtons(bool animated, uint32_t delay) {
    delay = PointPetshouse::RefreshButtons(animated, delay);
    const bool ready = timer_.remaining <= 0.0f;
    ShowCollectButton(ready, anchorX_, anchorY_ - buttonLift_, animated, delay);
    if (fed_ && ready && timer_.callTimer < 0.0f) timer_.callTimer = 0.0f;
    return delay;
}

void PointTimedHouse::FollowTrack(MapCharacter& animal, uint32_t id, float value) const {
    animal.SetTrack(0, id, value);
    animal.SetTrack(1, id, value);
}

void PointTimedHouse::SetFed(bool fed, bool animated) {
    loadedFraction_ = -1.0f;
    if (fed) {
        timer_.remaining = float(type_->header.animal.productionTime);
    } else {
        timer_.remaining = 0.0f;
        timer_.callTimer = -1.0f;
    }
    // The line starts empty with the feeding; an unfed house shows none.
    if (fed)
        SetProgress(0);
    else
        HideProgress();
    PointPetshouse::SetFed(fed, animated);
}

int32_t PointTimedHouse::Update(uint32_t ms) {
    const int32_t t = PointBuilding::Update(ms);
    UpdateAnimals(ms);
    if (buildJob_ || upgrading_ || damage_ || AnimalCount() == 0 || t <= 0) return t;
    const float step = AnimalStep(t);
    if (timer_.remaining > 0.0f) {
        loadedFraction_ = -1.0f;
        if (step < timer_.remaining) {
            timer_.remaining -= step;
            RefreshFeedGauge();
            // The line shows how much of the production time has run; once
            // the produce is ready, the house's button takes its place.
            const float production = float(type_->header.animal.productionTime);
            if (production > 0.0f) SetProgress(int32_t((1.0f - timer_.remaining / production) * 100.0f));
        } else {
            timer_.remaining = 0.0f;
            LogLabelPrintf(kLogIndent, readyLabel_, "%d at point %u", AnimalCount(), index_);
            StopAnimalJobs();
            RefreshButtons(LevelBegun(), 0);
        }
    } else if (fed_ && timer_.callTimer >= 0.0f) {
        timer_.callTimer -= step;
        if (timer_.callTimer <= 0.0f) CallAnimal();
    }
    return t;
}

bool PointTimedHouse::DeliverReadyProduce(GameMessager* messenger) {
    return DeliverProduce(timer_.remaining <= 0.0f, uint32_t(AnimalCount()), messenger, anchorX_, anchorY_,
                          kProduceFlyInOffset);
}

namespace {

// A timed house's own block.
struct TimedHouseRecord {
    uint32_t fed;   // 0 or 1
    float fraction; // of the production time left, 0..1
    float callTimer;
};
constexpr auto kTimedHouseLayout =
    kis::Layout(ProduceTimer::kRecordSize, kis::Field<&TimedHouseRecord::fed>(4),
                kis::Field<&TimedHouseRecord::fraction>(8), kis::Field<&TimedHouseRecord::callTimer>(12));

} // namespace

void PointTimedHouse::SaveOwn(SaveWriter& out) const {
    const uint32_t production = type_->header.animal.productionTime;
    float fraction = 0.0f;
    if (fed_ && production > 0)
        fraction = loadedFraction_ >= 0.0f ? loadedFraction_ : timer_.remaining / float(production);
    PutBlock(out, kTimedHouseLayout, {fed_ ? 1u : 0u, fraction, timer_.callTimer});
}

bool PointTimedHouse::LoadOwn(SaveReader& in) {
    TimedHouseRecord record{};
    const bool read = GetBlock(in, kTimedHouseLayout, &record);
    const uint32_t fed = record.fed;
    const float fraction = record.fraction;
    const float callTimer = record.callTimer;
    if (!read || !ProduceTimer::CheckRecord(fed, fraction, callTimer) || (fed && stage_ < 1) ||
        callTimer > LongestCallMs()) {
        in.Fail();
        return false;
    }
    // The base block has already given the point's countdown and delay: the
    // load keeps them.
    const uint32_t pending = pendingDelayMs_;
    const int32_t countdown = countdownMs_;
    SetFed(fed != 0, false);
    timer_.remaining = float(type_->header.animal.productionTime) * fraction;
    RefreshButtons(false, 0);
    pendingDelayMs_ = pending;
    countdownMs_ = countdown;
    timer_.callTimer = callTimer;
    // Saved again before the timer moves, the same fraction is written.
    if (fed) loadedFraction_ = fraction;
    return true;
}
