#pragma once
// The two regimes a level is played in: the medal-time line draws each in its
// own row, and profiles keep their progress apart by it. A level's time
// earns its grade here, the same for the running level, the result it
// stores and the map that shows it.

#include <cstdint>

constexpr int32_t kRegimeEasy = 0;
constexpr int32_t kRegimeHard = 1;
constexpr int32_t kRegimeCount = 2;

// The medal of a won level; a level's status in a profile counts the same way.
enum LevelGrade : uint32_t { kGradeFailed = 3, kGradeBronze = 4, kGradeSilver = 5, kGradeGold = 6 };

// The grade of a level time against the regime's medal times (bronze, silver
// and gold in ms): gold up to the gold time, silver up to the silver time,
// bronze up to the bronze time; past it the hard regime has failed, while the
// easy regime, which is never lost on time, still gives bronze.
constexpr uint32_t GradeForTime(int32_t regime, uint32_t timeMs, uint32_t bronzeMs, uint32_t silverMs,
                                uint32_t goldMs) {
    if (timeMs <= goldMs) return kGradeGold;
    if (timeMs <= silverMs) return kGradeSilver;
    if (timeMs <= bronzeMs || regime == kRegimeEasy) return kGradeBronze;
    return kGradeFailed;
}
