#pragma once
// Easing a value from one end to another over a duration.

#include <cstdint>

namespace kis {

// Curves of EaseValue.
enum : int32_t {
    kEaseLinear = 0,
    kEaseOut = 1, // a quarter circle that rises fast and flattens
    kEaseIn = 2,  // a quarter circle that starts flat and rises fast
};

// The value at time t of a move from `from` to `to` that lasts `duration`:
// from + (to - from) * curve(t / duration). `fallback` when the duration is 0
// or less, when t is negative, beyond the duration, or either is not a number,
// and for an unknown curve. The two quarter-circle curves are tables of 1001
// entries; with interpolate the two entries around the point are blended,
// otherwise the nearest one is taken.
float EaseValue(float from, float to, float fallback, float duration, float t, int32_t curve,
                bool interpolate);

} // namespace kis
