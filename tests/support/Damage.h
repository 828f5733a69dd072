#pragma once
// Damaged copies of valid data for the readers' robustness tests. The damage
// is drawn from platform::Rand, so a test that seeds it first sees the same
// copies on every run.
#include <cstdint>
#include <string>

namespace testsupport {

// A random 32-bit value from platform::Rand.
uint32_t Rand32();

// One damaged copy of `good`, the kind of damage chosen by `round`: cut short,
// a few bits flipped, a huge or random 32-bit count planted at a random
// offset (aligned or not), a stretch removed or repeated, or random bytes of
// a random length.
std::string Damage(const std::string& good, int round);

uint32_t NowMilliseconds();
uint32_t ElapsedMilliseconds(uint32_t since);

// Runs `body(round)` for up to `rounds` rounds or `milliseconds`, whichever
// ends first; returns the rounds run.
template <class Body> int ForRounds(int rounds, uint32_t milliseconds, Body body) {
    const uint32_t start = NowMilliseconds();
    int round = 0;
    for (; round < rounds && ElapsedMilliseconds(start) < milliseconds; ++round)
        body(round);
    return round;
}

} // namespace testsupport
