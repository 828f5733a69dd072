#pragma once
#include <cstdint>

namespace platform {

// The one millisecond clock every part of the game reads: the engine timer,
// the frame limiter, input timing, the sound manager and the null audio
// device.
//
// It runs in one of two modes. In real time it is the monotonic clock and a
// sleep waits. In virtual time (headless runs switch it on) the count moves
// only when somebody sleeps, and a sleep moves it on at once instead of
// waiting: a run then does the same on every machine, as fast as the machine
// allows. The frame limiter's and the display pacing's sleeps are what make
// each frame take its step of time.

// Milliseconds, wrapping at 2^32. Callers subtract unsigned values, so the
// wrap is harmless for intervals under 49 days.
uint32_t Milliseconds();

// Real time: suspends the calling thread for at least `ms`. Virtual time:
// moves the clock on by `ms` and returns at once, for every thread; so a
// thread that only polls something waits with a real pause instead.
void SleepMilliseconds(uint32_t ms);

// Switches virtual time on or off. Switched on, the count starts at
// kVirtualClockStart; switching it on again starts it afresh.
void SetVirtualClock(bool on);
bool IsClockVirtual();

// Where virtual time starts: not at 0, which some callers keep for "never".
constexpr uint32_t kVirtualClockStart = 1000;

// Local calendar date and time, as the game's date texts and log stamps use
// it. Always the real date, also in virtual time.
struct LocalTime {
    int year;         // e.g. 2026
    int month;        // 1..12
    int dayOfWeek;    // 0 = Sunday .. 6
    int day;          // 1..31
    int hour;         // 0..23
    int minute;       // 0..59
    int second;       // 0..59
    int milliseconds; // 0..999
};
LocalTime Now();

} // namespace platform
