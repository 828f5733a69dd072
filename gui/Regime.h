#pragma once
// The two regimes a level is played in: the medal-time line draws each in its
// own row, and profiles keep their progress apart by it.

#include <cstdint>

constexpr int32_t kRegimeEasy = 0;
constexpr int32_t kRegimeHard = 1;
constexpr int32_t kRegimeCount = 2;
