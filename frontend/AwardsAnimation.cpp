#include "frontend/AwardsAnimation.h"

#include <algorithm>
#include <cmath>

int32_t AwardThreshold(const AwardRecord& award, int tier) {
    switch (tier) {
    case 0:
        return award.start;
    case 1:
        return award.bronze;
    case 2:
        return award.silver;
    default:
        return award.gold;
    }
}

double AwardFraction(const AwardRecord& award, int tier, int32_t value) {
    if (tier >= kTierGold) return 1.0;
    const double low = AwardThreshold(award, tier);
    const double high = AwardThreshold(award, tier + 1);
    // Equal thresholds leave nothing to fill: the bar is full. A value below
    // the tier's threshold or thresholds out of order never draw a bar of
    // negative width.
    if (high <= low) return 1.0;
    return std::clamp((double(value) - low) / (high - low), 0.0, 1.0);
}

uint32_t ProgressDuration(double from, double to) {
    const double ms = (to - from) * kFullBarMs;
    return std::max(kMinEffectMs, ms > 0 ? uint32_t(std::lround(ms)) : 0u);
}

AwardBar BuildAwardBar(double shown, double end, int32_t width) {
    AwardBar bar;
    bar.filled = int32_t(std::floor(std::clamp(shown, 0.0, 1.0) * width));
    const int32_t last = int32_t(std::floor(std::clamp(end, 0.0, 1.0) * width));
    bar.gained = std::max(bar.filled, last);
    if (last >= 1 && last <= width - 1) bar.marker = last;
    return bar;
}

namespace {

uint32_t Lerp(uint32_t a, uint32_t b, double t) {
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const double from = (a >> shift) & 0xFF, to = (b >> shift) & 0xFF;
        out |= uint32_t(std::lround(from + (to - from) * t)) << shift;
    }
    return out;
}

} // namespace

uint32_t TierFlashColour(uint32_t ms) {
    if (ms >= kTierFlashMs) return 0xFF000000;
    return Lerp(0xFF101010, 0xFFC0C0C0, double(ms) / kTierFlashMs);
}

uint32_t GoalFlashColour(uint32_t ms) {
    const uint32_t half = kGoalFlashMs / 2;
    if (ms >= kGoalFlashMs) return 0x00FFFFFF;
    if (ms < half) return Lerp(0x00FFFFFF, 0xFFFFFFFF, double(ms) / half);
    return Lerp(0xFFFFFFFF, 0x00FFFFFF, double(ms - half) / half);
}

// ---------------------------------------------------------------- awards

AwardProgress::AwardProgress(const AwardRecord& award, int32_t seen, int32_t current)
    : award_(&award), shown_(seen), current_(current), shownTier_(AwardTier(award, seen)),
      currentTier_(AwardTier(award, current)) {}

void AwardProgress::Advance(int mode, uint32_t now, uint32_t delay, uint32_t extra, uint32_t& pending) {
    const int requested = mode;
    progress_.reset();
    bool tierChanged = false;
    if (mode != kStart) {
        if (shownTier_ >= currentTier_) {
            mode = kJump;
        } else {
            shownTier_ = mode == kJump ? currentTier_ : shownTier_ + 1;
            shown_ = AwardThreshold(*award_, shownTier_);
            tierChanged = true;
        }
    }
    if (tierChanged || mode == kStart) {
        Rebuild(AwardFraction(*award_, shownTier_, shown_));
        if (shownTier_ >= 1 && mode != kStart) {
            flashAt_ = now + delay;
            sounds_.push_back(now + delay);
        }
    }
    if (mode != kJump && shownTier_ < kTierGold && shown_ < current_) {
        const int32_t target = shownTier_ < currentTier_ ? AwardThreshold(*award_, shownTier_ + 1) : current_;
        const double from = AwardFraction(*award_, shownTier_, shown_);
        const double to = std::max(from, AwardFraction(*award_, shownTier_, target));
        progress_ = Run{from, to, now + delay + extra, ProgressDuration(from, to)};
        return;
    }
    if (mode != kStart) Rebuild(AwardFraction(*award_, shownTier_, current_));
    if (requested == kJump) {
        flashAt_.reset();
        sounds_.clear();
    }
    if (animating_) {
        animating_ = false;
        if (pending & 0xFFFF) --pending;
    }
}

void AwardProgress::Step(uint32_t now, uint32_t& pending) {
    if (!progress_) return;
    const Run run = *progress_;
    if (now < run.start + run.duration) {
        const double t = now <= run.start ? 0.0 : double(now - run.start) / run.duration;
        Rebuild(run.from + (run.to - run.from) * t);
        return;
    }
    Advance(kNext, now, 0, kTierPauseMs, pending);
}

bool AwardProgress::Flashing(uint32_t now) const {
    return flashAt_ && now >= *flashAt_ && now < *flashAt_ + kTierFlashMs;
}

uint32_t AwardProgress::FlashColour(uint32_t now) const {
    return Flashing(now) ? TierFlashColour(now - *flashAt_) : 0xFF000000;
}

namespace {

int32_t TakeDue(std::vector<uint32_t>& cues, uint32_t now) {
    const auto due = std::partition(cues.begin(), cues.end(), [now](uint32_t at) { return at > now; });
    const int32_t count = int32_t(cues.end() - due);
    cues.erase(due, cues.end());
    return count;
}

} // namespace

int32_t AwardProgress::TakeSounds(uint32_t now) {
    return TakeDue(sounds_, now);
}

// ---------------------------------------------------------------- goals

GoalReveal::GoalReveal(bool before, bool now, uint32_t pendingBit, uint32_t& pending)
    : before_(before), now_(now), pendingBit_(pendingBit) {
    if (pendingBit == kFinalRevealPending)
        pending |= kFinalRevealPending;
    else
        pending += pendingBit;
}

void GoalReveal::Begin(uint32_t now, uint32_t& d, uint32_t& pending) {
    if (before_ || !now_) {
        Finish(pending);
        return;
    }
    if (pendingBit_ == kFinalRevealPending) return;
    Reveal(now, d);
}

void GoalReveal::Reveal(uint32_t now, uint32_t& d) {
    fadeAt_ = now + d;
    d += kGoalFadeMs;
    flashAt_ = now + d;
    sounds_.push_back(now + d);
    d += kGoalStepMs;
}

void GoalReveal::Finish(uint32_t& pending) {
    fadeAt_.reset();
    flashAt_.reset();
    sounds_.clear();
    frame_ = now_ ? 1 : 0;
    if (pendingBit_ == kFinalRevealPending)
        pending &= ~kFinalRevealPending;
    else if (pendingBit_ && (pending & 0xFFFF))
        --pending;
    pendingBit_ = 0;
}

void GoalReveal::Step(uint32_t now, uint32_t& pending) {
    if (!pendingBit_ || !flashAt_) return;
    if (now >= *flashAt_ + kGoalFlashMs) Finish(pending);
}

bool GoalReveal::Fading(uint32_t now) const {
    return fadeAt_ && now < *fadeAt_ + kGoalFadeMs;
}

float GoalReveal::FadeAlpha(uint32_t now) const {
    if (!fadeAt_) return 1.0f;
    if (now <= *fadeAt_) return 0.0f;
    return std::min(1.0f, float(now - *fadeAt_) / float(kGoalFadeMs));
}

uint32_t GoalReveal::FlashColour(uint32_t now) const {
    if (!flashAt_ || now < *flashAt_) return 0;
    return GoalFlashColour(now - *flashAt_);
}

int32_t GoalReveal::TakeSounds(uint32_t now) {
    return TakeDue(sounds_, now);
}

// ---------------------------------------------------------------- the window's

AwardsAnimation::AwardsAnimation(const Awards& table, const int32_t (&seen)[18], const int32_t (&current)[18],
                                 uint32_t now)
    : final_(seen[17] != 0, current[17] != 0, kFinalRevealPending, pending_) {
    // The running delay d: each newly reached goal's reveal moves it on, so
    // the award bars start only after the last goal has flashed.
    uint32_t d = kAwardRevealDelay;
    goals_.reserve(kGoalCount);
    for (int i = 0; i < kGoalCount; ++i) {
        const AwardGoal& goal = table.GetGoal(i);
        const size_t word = size_t(kAwardCount + goal.index);
        goals_.emplace_back(seen[word] >= goal.target, current[word] >= goal.target, 1u, pending_);
        goals_.back().Begin(now, d, pending_);
    }
    awards_.reserve(kAwardCount);
    for (int i = 0; i < kAwardCount; ++i) {
        const AwardRecord& award = table.GetAward(i);
        awards_.emplace_back(award, seen[award.index], current[award.index]);
        awards_.back().Advance(AwardProgress::kStart, now, 0, d, pending_);
    }
    final_.Begin(now, d, pending_);
}

void AwardsAnimation::Step(uint32_t now) {
    for (AwardProgress& award : awards_)
        award.Step(now, pending_);
    for (GoalReveal& goal : goals_)
        goal.Step(now, pending_);
    final_.Step(now, pending_);
    if ((pending_ & kFinalRevealPending) && (pending_ & 0xFFFF) == 0) {
        pending_ = 1;
        final_.MakeFinal(1);
        uint32_t d = kFinalRevealDelay;
        final_.Reveal(now, d);
    }
}

void AwardsAnimation::FinishAll() {
    if (!pending_) return;
    for (GoalReveal& goal : goals_)
        if (goal.Pending()) goal.Finish(pending_);
    for (AwardProgress& award : awards_)
        if (award.Animating()) {
            award.Advance(AwardProgress::kJump, 0, 0, 0, pending_);
            award.DropFlash();
        }
    if (final_.Pending()) final_.Finish(pending_);
}

int32_t AwardsAnimation::TakeSounds(uint32_t now) {
    int32_t count = final_.TakeSounds(now);
    for (GoalReveal& goal : goals_)
        count += goal.TakeSounds(now);
    for (AwardProgress& award : awards_)
        count += award.TakeSounds(now);
    return count;
}
