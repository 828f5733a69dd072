#include "foundation/Colour.h"
#include "foundation/Helpers.h"

namespace kis {
namespace {

uint32_t Blend(uint32_t a, uint32_t b, float t, int channels) {
    if (a == b || !(t > 0.0f)) return a;
    if (t >= 1.0f) return channels == 4 ? b : (b & 0x00FFFFFFu) | (a & 0xFF000000u);
    uint32_t result = channels == 4 ? 0 : a & 0xFF000000u;
    for (int i = 0; i < channels; ++i) {
        int shift = 8 * i;
        float ca = float((a >> shift) & 0xFF);
        float cb = float((b >> shift) & 0xFF);
        result |= uint32_t(Round(ca + (cb - ca) * t) & 0xFF) << shift;
    }
    return result;
}

} // namespace

uint32_t LerpColor(uint32_t a, uint32_t b, float t) {
    return Blend(a, b, t, 4);
}
uint32_t LerpColorRGB(uint32_t a, uint32_t b, float t) {
    return Blend(a, b, t, 3);
}

} // namespace kis
