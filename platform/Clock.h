#pragma once
#include <cstdint>

namespace platform {

// Milliseconds from a monotonic clock, wrapping at 2^32. Callers subtract
// unsigned values, so the wrap is harmless for intervals under 49 days.
uint32_t Milliseconds();

// Suspends the calling thread for at least the given number of milliseconds.
void SleepMilliseconds(uint32_t ms);

// Local calendar date and time, as the game's date texts and log stamps use it.
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
