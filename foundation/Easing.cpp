#include "foundation/Easing.h"
#include "foundation/Helpers.h"

#include <array>
#include <cmath>

namespace kis {
namespace {

constexpr int kSteps = 1000;
using Table = std::array<float, kSteps + 1>;

struct Tables {
    Table out{};
    Table in{};
    Tables() {
        const double degree = 3.14159265358979323846 / 180.0;
        for (int i = 0; i <= 10000; ++i) {
            double angle = i * 90.0 / 10000.0 * degree;
            double s = std::sin(angle);
            double c = std::cos(angle);
            int rise = RoundD(kSteps * s);
            float& outEntry = out[size_t(kSteps - rise)];
            outEntry = std::fmax(outEntry, float(c));
            float& inEntry = in[size_t(rise)];
            inEntry = std::fmax(inEntry, float(1.0 - c));
        }
    }
};

const Tables& CurveTables() {
    static const Tables tables; // built on first use
    return tables;
}

} // namespace

float EaseValue(float from, float to, float fallback, float duration, float t, int32_t curve,
                bool interpolate) {
    // Written so that a NaN fails every test.
    if (!(duration > 0.0f) || !(t >= 0.0f) || !(t <= duration)) return fallback;
    float p = t / duration;
    if (curve == kEaseLinear) return from + (to - from) * p;
    if (curve != kEaseOut && curve != kEaseIn) return fallback;

    const Table& table = curve == kEaseOut ? CurveTables().out : CurveTables().in;
    float index = p * kSteps;
    if (index > kSteps) index = kSteps;
    float entry;
    if (interpolate) {
        int low = int(std::floor(index));
        int high = int(std::ceil(index));
        entry = table[size_t(low)] + (table[size_t(high)] - table[size_t(low)]) * (index - float(low));
    } else {
        entry = table[size_t(Round(index))];
    }
    return from + (to - from) * entry;
}

} // namespace kis
