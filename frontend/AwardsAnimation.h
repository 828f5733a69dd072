#pragma once
// The awards window's animation, kept apart from its drawing: the award
// bars climbing from the values the player saw last to the current ones,
// the goals fading in and flashing, and the final award revealed after
// everything else. Times are on the game clock (ms); the window steps the
// state each frame and draws what it says.

#include "frontend/Awards.h"

#include <cstdint>
#include <optional>
#include <vector>

// The pending word: the low 16 bits count the award and goal animations still
// running; this bit marks that the final award's reveal waits for them.
constexpr uint32_t kFinalRevealPending = 0x10000;
constexpr uint32_t kAwardRevealDelay = 1000; // ms after opening: the first goal's, or the bars' start
constexpr uint32_t kFinalRevealDelay = 800;  // ms after every other animation
constexpr uint32_t kGoalFadeMs = 250;
constexpr uint32_t kGoalFlashMs = 500;
constexpr uint32_t kGoalStepMs = 950; // from the flash's start to the next goal's fade
constexpr uint32_t kTierFlashMs = 300;
constexpr uint32_t kTierPauseMs = 200;
constexpr uint32_t kFullBarMs = 2000;
constexpr uint32_t kMinEffectMs = 10; // one game tick
constexpr int32_t kAwardBarWidth = 48;
constexpr uint32_t kBarMarkerColour = 0x80000000;

// How far a value stands between the thresholds of the tier and the next one,
// 0..1; 1 at the top tier, and for two equal thresholds.
double AwardFraction(const AwardRecord& award, int tier, int32_t value);
// The threshold of a tier (0: the bar's start).
int32_t AwardThreshold(const AwardRecord& award, int tier);
// A bar's run from one fraction to another: 2 s for a full bar, at least one tick.
uint32_t ProgressDuration(double from, double to);

// The bar's quads in pixels: the part reached before (0..filled), the newly
// gained part (filled..gained) and a 1-pixel marker at the end (-1: none).
struct AwardBar {
    int32_t filled = 0;
    int32_t gained = 0;
    int32_t marker = -1;
    bool operator==(const AwardBar&) const = default;
};
// shown: the fraction of the shown value; end: where the bar ends now.
AwardBar BuildAwardBar(double shown, double end, int32_t width = kAwardBarWidth);

// The brightening flash of a tier and the goals' white flash, as colours at a
// time into the flash.
uint32_t TierFlashColour(uint32_t ms);
uint32_t GoalFlashColour(uint32_t ms);

// One award: its shown tier climbs to the current one, one tier at a time.
class AwardProgress {
  public:
    enum Mode { kStart = 0, kNext = 1, kJump = 2 };
    AwardProgress(const AwardRecord& award, int32_t seen, int32_t current);

    // Starts, climbs one tier or jumps to the end (see the window). pending
    // loses 1 when the award's animation is done.
    void Advance(int mode, uint32_t now, uint32_t delay, uint32_t extra, uint32_t& pending);
    // Steps the running bar: rebuilds it while it runs, climbs a tier when it ended.
    void Step(uint32_t now, uint32_t& pending);
    // Drops the flash (the window's finish at once).
    void DropFlash() { flashAt_.reset(); }

    int ShownTier() const { return shownTier_; }
    int CurrentTier() const { return currentTier_; }
    int32_t ShownValue() const { return shown_; }
    bool Animating() const { return animating_; }
    bool Running() const { return progress_.has_value(); }
    const AwardBar& Bar() const { return bar_; }
    // The flash's colour (0xFF000000: nothing added) and whether it runs.
    uint32_t FlashColour(uint32_t now) const;
    bool Flashing(uint32_t now) const;
    // Sound cues (the award event sound) not yet taken.
    int32_t TakeSounds(uint32_t now);

  private:
    struct Run {
        double from, to;
        uint32_t start, duration;
    };
    void Rebuild(double end) { bar_ = BuildAwardBar(AwardFraction(*award_, shownTier_, shown_), end); }

    const AwardRecord* award_; // the window's table outlives the window
    int32_t shown_, current_;
    int shownTier_, currentTier_;
    std::optional<Run> progress_;
    std::optional<uint32_t> flashAt_;
    std::vector<uint32_t> sounds_;
    AwardBar bar_;
    bool animating_ = true;
};

// A goal or the final award: newly reached, it fades in and flashes.
class GoalReveal {
  public:
    // pendingBit: 1 for a goal (added to the pending word), the final-award bit
    // for the final award (ORed in).
    GoalReveal(bool before, bool now, uint32_t pendingBit, uint32_t& pending);
    // A goal's reveal at d (d moves on by 1,200 ms); the final award waits.
    void Begin(uint32_t now, uint32_t& d, uint32_t& pending);
    // The reveal proper: fade-in at d, flash and sound 250 ms later.
    void Reveal(uint32_t now, uint32_t& d);
    void Finish(uint32_t& pending);
    // Finishes when fade and flash have ended.
    void Step(uint32_t now, uint32_t& pending);

    bool Pending() const { return pendingBit_ != 0; }
    bool Achieved() const { return now_; }
    int Frame() const { return frame_; }
    // The fade's alpha of frame 1 over frame 0 (1: no fade); the flash colour (0: none).
    float FadeAlpha(uint32_t now) const;
    bool Fading(uint32_t now) const;
    uint32_t FlashColour(uint32_t now) const;
    int32_t TakeSounds(uint32_t now);
    void MakeFinal(uint32_t bit) { pendingBit_ = bit; }

  private:
    bool before_, now_;
    uint32_t pendingBit_;
    std::optional<uint32_t> fadeAt_, flashAt_;
    std::vector<uint32_t> sounds_;
    int frame_ = 0;
};

// The whole window's animation over the 18 award words.
class AwardsAnimation {
  public:
    AwardsAnimation(const Awards& table, const int32_t (&seen)[18], const int32_t (&current)[18],
                    uint32_t now);
    // Each frame: the award bars and goals, then the final award's reveal
    // once every other animation has ended.
    void Step(uint32_t now);
    // Ends every running animation at once.
    void FinishAll();
    // The award event sounds due by now.
    int32_t TakeSounds(uint32_t now);

    uint32_t Pending() const { return pending_; }
    const AwardProgress& Award(int i) const { return awards_[size_t(i)]; }
    const GoalReveal& Goal(int i) const { return goals_[size_t(i)]; }
    const GoalReveal& Final() const { return final_; }

  private:
    uint32_t pending_ = 9;
    std::vector<GoalReveal> goals_;
    std::vector<AwardProgress> awards_;
    GoalReveal final_;
};
