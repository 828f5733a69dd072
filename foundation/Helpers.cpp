#include "foundation/Helpers.h"

#include "foundation/Vector2.h"
#include "platform/Random.h"

#include <cmath>

namespace kis {

// ---- Random numbers ------------------------------------------------------

int16_t Random(int32_t n) {
    if (n == 0) return 0;
    double v = platform::Rand() / 32768.0 * n;
    return static_cast<int16_t>(static_cast<int32_t>(v));
}

uint16_t Random16(uint16_t n) {
    if (n == 0) return 0;
    return static_cast<uint16_t>(platform::Rand() / 32768.0 * n);
}

uint8_t RandomByte(uint16_t n) {
    return static_cast<uint8_t>(Random16(n));
}

float RandomUnit() {
    return static_cast<float>(platform::Rand() / 32767.0);
}

float RandomRange(float a, float b) {
    if (a == b) return a;
    return a + RandomUnit() * (b - a);
}

uint16_t RandomWide(uint16_t n) {
    if (n == 0) return 0;
    int r1 = platform::Rand();
    int r2 = platform::Rand();
    auto v = static_cast<uint32_t>((2.0 * r1 + r2 / 16383.0) / 65536.0 * n);
    // Both draws at their maximum give slightly more than n; the result must
    // stay below n so that RandomBetween keeps to its upper bound.
    if (v >= n) v = n - 1u;
    return static_cast<uint16_t>(v);
}

int32_t RandomBetween(int32_t a, int32_t b) {
    if (a == b) return a;
    int32_t lower = a < b ? a : b;
    int32_t upper = a < b ? b : a;
    auto range = static_cast<uint16_t>((int64_t(upper) - lower + 1) & 0xFFFF);
    return lower + RandomWide(range);
}

// ---- Rounding ------------------------------------------------------------

int32_t Round(float value) {
    auto t = static_cast<int32_t>(value);
    return value - static_cast<float>(t) >= 0.5f ? t + 1 : t;
}

int32_t RoundD(double value) {
    auto t = static_cast<int32_t>(value);
    return value - t >= 0.5 ? t + 1 : t;
}

int32_t Floor(float value) {
    auto t = static_cast<int32_t>(value);
    return value - static_cast<float>(t) < 0.0f ? t - 1 : t;
}

int32_t Ceil(float value) {
    auto t = static_cast<int32_t>(value);
    return value - static_cast<float>(t) > 0.0f ? t + 1 : t;
}

float FracF(float value) {
    return value - std::trunc(value);
}
double FracD(double value) {
    return value - std::trunc(value);
}

float SignF(float value) {
    if (value > 0.0f) return 1.0f;
    if (value < 0.0f) return -1.0f;
    return 0.0f;
}

float NormalizeAngle(float degrees) {
    float r = degrees - std::trunc(degrees / 360.0f) * 360.0f;
    if (r < 0.0f) r += 360.0f;
    // A tiny negative remainder plus 360 rounds to exactly 360 in single
    // precision; callers rely on the range ending below 360.
    if (r >= 360.0f) r = 0.0f;
    return r;
}

// ---- Rectangles --------------------------------------------------------------

Rect MakeRectWH(int32_t x, int32_t y, int32_t w, int32_t h) {
    return {x, y, x + w, y + h};
}
void SetRectWH(Rect& out, int32_t x, int32_t y, int32_t w, int32_t h) {
    out = MakeRectWH(x, y, w, h);
}
Rect MakeRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    return {left, top, right, bottom};
}
void Set4(Rect& out, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    out = {left, top, right, bottom};
}

bool PointInRect(int32_t x, int32_t y, int32_t l, int32_t t, int32_t r, int32_t b) {
    return l <= x && x < r && t <= y && y < b;
}

bool PtInRect(int32_t x, int32_t y, const Rect& rect) {
    return PointInRect(x, y, rect.left, rect.top, rect.right, rect.bottom);
}

void IntersectRect(Rect& rect, const Rect& other) {
    if (other.left > rect.left) rect.left = other.left;
    if (other.top > rect.top) rect.top = other.top;
    if (other.right < rect.right) rect.right = other.right;
    if (other.bottom < rect.bottom) rect.bottom = other.bottom;
    if (rect.right < rect.left) rect.right = rect.left;
    if (rect.bottom < rect.top) rect.bottom = rect.top;
}

void UnionRect(Rect& out, const Rect& a, const Rect& b) {
    out.left = a.left < b.left ? a.left : b.left;
    out.top = a.top < b.top ? a.top : b.top;
    out.right = a.right > b.right ? a.right : b.right;
    out.bottom = a.bottom > b.bottom ? a.bottom : b.bottom;
}

void InflateRect(Rect& rect, int32_t d) {
    rect.left -= d;
    rect.top -= d;
    rect.right += d;
    rect.bottom += d;
}

void NormalizeRect(Rect& out, const Rect& in) {
    Rect r = in;
    if (r.right < r.left) Swap(r.left, r.right);
    if (r.bottom < r.top) Swap(r.top, r.bottom);
    out = r;
}

bool RectEquals(const Rect& a, const Rect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

void ZeroRect(Rect& rect) {
    rect = {0, 0, 0, 0};
}

// ---- Numeric wrappers ------------------------------------------------------------

uint64_t MakeInt64(uint32_t low, uint32_t high) {
    return uint64_t(high) << 32 | low;
}

uint64_t Shl64(uint32_t low, uint32_t high, uint32_t n) {
    return MakeInt64(low, high) << (n & 31);
}

void SinCos(float radians, float& sine, float& cosine) {
    sine = std::sin(radians);
    cosine = std::cos(radians);
}

float SinF(float radians) {
    return std::sin(radians);
}
float CosF(float radians) {
    return std::cos(radians);
}
float AsinF(float value) {
    return std::asin(value);
}
float SqrtF(float value) {
    return std::sqrt(value);
}
float AbsF(float value) {
    return std::fabs(value);
}
int32_t Abs(int32_t value) {
    return value < 0 ? int32_t(0u - uint32_t(value)) : value;
}

bool WithinDistance(int32_t x1, int32_t y1, int32_t x2, int32_t y2, float limit) {
    return Distance(float(x1), float(y1), float(x2), float(y2)) <= limit;
}

} // namespace kis
