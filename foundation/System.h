#pragma once
// The timer set-up of the start of a run, and the name of the system.

#include <cstdint>

namespace kis {

struct TimerChannel {
    uint32_t start; // millisecond clock when the channel was set
    double speed;   // factor on the time that passes
};
static_assert(sizeof(TimerChannel) == 16);

struct TimerRecord {
    TimerChannel channels[16];
};

// Readies the millisecond clock for the run (it already ticks in whole
// milliseconds here, so there is nothing to raise) and gives a timer record
// whose 16 channels start now at speed 1.0.
TimerRecord InitTimer();

// The Windows version the game runs on, by name. There is none here: always
// "Unknown", so withServicePack adds nothing.
char16_t* GetWindowsVersionName(char16_t* buffer, uint32_t size, bool withServicePack);

} // namespace kis
