#pragma once
// The two regimes a level is played in: the medal-time line draws each in its
// own row, and profiles keep their progress apart by it. A level's time
// earns its grade here, the same for the running level, the result it
// stores and the map that shows it, and reads here as the one second every
// screen shows for it.

#include <algorithm>
#include <cstdint>
#include <string>

constexpr int32_t kRegimeEasy = 0;
constexpr int32_t kRegimeHard = 1;
constexpr int32_t kRegimeCount = 2;

// The medal of a won level; a level's status in a profile counts the same way.
enum LevelGrade : uint32_t { kGradeFailed = 3, kGradeBronze = 4, kGradeSilver = 5, kGradeGold = 6 };

// The last second a level time reads as: the clock stops at 99:59:59.
constexpr uint32_t kLastShownSecond = 99 * 3600 + 59 * 60 + 59;

// The second a level time (ms) reads as wherever the player sees it (the
// panel's clock, the medal times, the result and level windows, the records
// file): rounded up, so that a medal missed by a fraction never reads as its
// time, and held at 99:59:59 in the clock's last second.
constexpr uint32_t ShownSecond(uint32_t ms) {
    return uint32_t(std::min<uint64_t>((uint64_t(ms) + 999) / 1000, kLastShownSecond));
}

// The shown second as "hh:nn:ss".
inline std::u16string FormatLevelTime(uint32_t ms) {
    const uint32_t s = ShownSecond(ms);
    std::u16string text;
    for (const uint32_t part : {s / 3600, s / 60 % 60, s % 60}) {
        if (!text.empty()) text += u':';
        text += char16_t(u'0' + part / 10);
        text += char16_t(u'0' + part % 10);
    }
    return text;
}

// The grade of a level time against the regime's medal times (bronze, silver
// and gold in ms), as the times read: gold up to the gold time, silver up to
// the silver time, bronze up to the bronze time; past it the hard regime has
// failed, while the easy regime, which is never lost on time, still gives
// bronze. Compared by their shown seconds, the medal agrees with the times the
// player reads.
constexpr uint32_t GradeForTime(int32_t regime, uint32_t timeMs, uint32_t bronzeMs, uint32_t silverMs,
                                uint32_t goldMs) {
    const uint32_t shown = ShownSecond(timeMs);
    if (shown <= ShownSecond(goldMs)) return kGradeGold;
    if (shown <= ShownSecond(silverMs)) return kGradeSilver;
    if (shown <= ShownSecond(bronzeMs) || regime == kRegimeEasy) return kGradeBronze;
    return kGradeFailed;
}
