#pragma once
// Blending of 32-bit ARGB colours (blue in the lowest byte).

#include <cstdint>

namespace kis {

// a when a equals b or t <= 0 (or t is not a number), b when t >= 1; otherwise
// each of the four channels is a + (b - a) * t, rounded with kis::Round.
uint32_t LerpColor(uint32_t a, uint32_t b, float t);
// The same for red, green and blue; the result keeps the alpha of a.
uint32_t LerpColorRGB(uint32_t a, uint32_t b, float t);

} // namespace kis
