#include "farm/VillainRules.h"

#include "foundation/NumberText.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr VillainOffset kCatapult[kVillainDirections] = {{11, -25}, {40, -14}, {48, 5},  {27, 25},
                                                         {-11, 29}, {-27, 25}, {-48, 5}, {-40, -14}};
constexpr VillainOffset kLaunch[kVillainDirections] = {{10, -93}, {50, -79},  {62, -56},  {39, -29},
                                                       {-7, -18}, {-39, -29}, {-62, -56}, {-50, -79}};

constexpr char16_t kVillainPrefix[] = u"villain";
constexpr size_t kPrefixLength = 7;

bool StartsWithVillain(const char16_t* name) {
    if (!name) return false;
    for (size_t i = 0; i < kPrefixLength; ++i)
        if (name[i] != kVillainPrefix[i]) return false;
    return true;
}

bool Equals(const std::u16string& a, const char16_t* b) {
    return a == b;
}

} // namespace

VillainOffset CatapultOffset(uint32_t direction) {
    return kCatapult[direction < kVillainDirections ? direction : 0];
}

VillainOffset LaunchOffset(uint32_t direction) {
    return kLaunch[direction < kVillainDirections ? direction : 0];
}

VillainRect ObstacleRect(uint32_t direction) {
    if (direction >= kVillainDirections) direction = 0;
    const int32_t s = direction >= 5 ? -1 : 1;
    switch (direction) {
    case 0:
        return {4, -36, 40, 64};
    case 1:
    case 7:
        return {12 * s, -36, 54, 56};
    case 2:
    case 6:
        return {18 * s, -30, 54, 56};
    case 3:
    case 5:
        return {12 * s, -24, 48, 56};
    default:
        return {-4, -20, 40, 64};
    }
}

bool RunCountdown(float* countdownMs, uint32_t tickMs) {
    *countdownMs -= float(tickMs);
    if (*countdownMs > kCountdownEpsilon) return false;
    *countdownMs = 0.0f;
    return true;
}

std::u16string VillainAnimationName(const char16_t* name, int32_t kind) {
    if (!name) return {};
    if (kind <= 0 || !StartsWithVillain(name)) return name;
    std::u16string out = kVillainPrefix;
    out += u'_';
    out += kis::DecimalText(kind + 1);
    out += name + kPrefixLength;
    return out;
}

std::u16string StripVillainLook(const char16_t* name) {
    if (!name) return {};
    if (!StartsWithVillain(name) || name[kPrefixLength] != u'_') return name;
    size_t i = kPrefixLength + 1;
    if (name[i] < u'0' || name[i] > u'9') return name;
    while (name[i] >= u'0' && name[i] <= u'9')
        ++i;
    return std::u16string(kVillainPrefix) + (name + i);
}

int32_t CatapultStateForAnimation(const char16_t* name, bool runningAway) {
    const std::u16string plain = StripVillainLook(name);
    for (const char16_t* setUp : {u"villain_install_end", u"villain_shoot_begin", u"villain_shoot_end"})
        if (Equals(plain, setUp)) return kCatapultSetUp;
    if (Equals(plain, u"villain_stand")) return runningAway ? kCatapultBroken : kCatapultStanding;
    if (Equals(plain, u"villain_runaway") || Equals(plain, u"villain_angry")) return kCatapultBroken;
    return -1;
}

VillainOffset HealthBarPosition(int32_t installX, int32_t installY) {
    return {installX, installY < 200 ? installY + 40 : installY - 88};
}

float ShotSpeed(float length, uint32_t flightMs, float maxSpeed) {
    const uint32_t ticks = flightMs / kVillainTickMs;
    if (ticks == 0) return maxSpeed;
    return std::min(length / float(ticks), maxSpeed);
}

float TrailFactor(float speed) {
    if (!std::isfinite(speed)) return 0.0f;
    return std::clamp(1.5f - speed / 2.0f, 0.0f, 1.5f);
}

void ScaleTrailSizes(int32_t* sizeMin, int32_t* sizeMax, float factor) {
    *sizeMin = int32_t(std::lround(float(*sizeMin) * factor));
    *sizeMax = int32_t(std::lround(float(*sizeMax) * factor));
    if (*sizeMin > *sizeMax) *sizeMin = *sizeMax;
}

std::vector<HealthBarQuad> BuildHealthBar(int32_t maximum, int32_t value, float x, float y,
                                          const HealthPieceSizes& sizes) {
    std::vector<HealthBarQuad> quads;
    if (maximum <= 0) return quads;
    value = std::clamp(value, 0, maximum);
    quads.reserve(size_t(HealthBarRoom(maximum)));
    const float nominal = float(maximum * kHealthSegmentWidth);
    float left = x - nominal / 2.0f - 6.0f;
    const float top = y - sizes.height / 2.0f;
    auto add = [&](bool filled, HealthPiece piece) {
        const float width = piece == HealthPiece::Middle ? sizes.middleWidth
                            : piece == HealthPiece::Half ? sizes.halfWidth
                                                         : sizes.endWidth;
        quads.push_back({filled, piece, left, top, width, sizes.height});
        left += width;
    };
    if (value > 0) {
        add(true, HealthPiece::LeftEnd);
        for (int32_t i = 1; i < value; ++i)
            add(true, HealthPiece::Middle);
        add(true, value == maximum ? HealthPiece::RightEnd : HealthPiece::Half);
    }
    if (value < maximum) {
        add(false, value > 0 ? HealthPiece::Half : HealthPiece::LeftEnd);
        for (int32_t i = value + 1; i < maximum; ++i)
            add(false, HealthPiece::Middle);
        add(false, HealthPiece::RightEnd);
    }
    return quads;
}

int32_t HealthBarRoom(int32_t maximum) {
    // A part-filled bar: value + 1 filled pieces and maximum - value + 1
    // empty ones; one more than a full or an empty bar.
    return maximum > 0 ? maximum + 2 : 0;
}
