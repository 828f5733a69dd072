#pragma once
#include <cstdint>

namespace platform {

// The game's own 15-bit random generator. Its formulas were tuned against a C
// library rand() of this shape, so the sequence is part of the game:
// state = state * 214013 + 2531011, value = (state >> 16) & 0x7FFF.
// The state starts at 1; the first values are 41, 18467, 6334.
constexpr int kRandMax = 0x7FFF;

int Rand();
void SeedRand(uint32_t seed);

} // namespace platform
