#pragma once
// Small helpers every subsystem uses: random numbers, rounding, integer
// rectangles and a few numeric wrappers.

#include <cstdint>

namespace kis {

// ---- Random numbers ------------------------------------------------------
// All draw from the game's 15-bit generator (platform::Rand, 0..32767), which
// nothing seeds, so every run starts from the same sequence.

// 0 for n = 0, else trunc(rand() / 32768.0 * n) as a signed 16-bit value:
// 0..n-1 for n up to 32768.
int16_t Random(int32_t n);
// The same for a 16-bit bound.
uint16_t Random16(uint16_t n);
// The same for a 16-bit bound, result as a byte.
uint8_t RandomByte(uint16_t n);
// rand() / 32767.0: 0 to 1, both ends included.
float RandomUnit();
// a when a == b (nothing drawn); else a + RandomUnit() * (b - a).
float RandomRange(float a, float b);
// A 16-bit value below n from two draws r1, r2 (r1 first):
// trunc((2 * r1 + r2 / 16383.0) / 65536.0 * n). 0 for n = 0.
uint16_t RandomWide(uint16_t n);
// a when a == b; else lower + RandomWide((upper - lower + 1) mod 65536):
// both bounds included.
int32_t RandomBetween(int32_t a, int32_t b);

// ---- Rounding (truncation is toward zero) -----------------------------------

// t + 1 when value - t >= 0.5, else t: -1.7 gives -1, -0.4 gives 0, -2.5 gives -2.
int32_t Round(float value);
int32_t RoundD(double value);
// t - 1 when value - t is negative.
int32_t Floor(float value);
// t + 1 when value - t is positive.
int32_t Ceil(float value);
// value - t (negative for negative values).
float FracF(float value);
double FracD(double value);
// 1, -1 or 0.
float SignF(float value);
// The angle wrapped into 0 (inclusive) to 360 (exclusive) degrees.
float NormalizeAngle(float degrees);

// ---- Rectangles --------------------------------------------------------------

// Right and bottom are exclusive.
struct Rect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};
static_assert(sizeof(Rect) == 16);

Rect MakeRectWH(int32_t x, int32_t y, int32_t w, int32_t h);
void SetRectWH(Rect& out, int32_t x, int32_t y, int32_t w, int32_t h);
Rect MakeRect(int32_t left, int32_t top, int32_t right, int32_t bottom);
void Set4(Rect& out, int32_t left, int32_t top, int32_t right, int32_t bottom);
// l <= x < r and t <= y < b.
bool PointInRect(int32_t x, int32_t y, int32_t l, int32_t t, int32_t r, int32_t b);
bool PtInRect(int32_t x, int32_t y, const Rect& rect);
// The same with the rectangle first, as the screens call it.
inline bool PtInRect(const Rect& rect, int32_t x, int32_t y) {
    return PtInRect(x, y, rect);
}
// In place; an empty intersection keeps left <= right and top <= bottom with
// zero width or height.
void IntersectRect(Rect& rect, const Rect& other);
// Smaller left and top, larger right and bottom; empty rectangles count too.
void UnionRect(Rect& out, const Rect& a, const Rect& b);
void InflateRect(Rect& rect, int32_t d);
// A copy with left/right and top/bottom swapped where they are reversed.
void NormalizeRect(Rect& out, const Rect& in);
bool RectEquals(const Rect& a, const Rect& b);
void ZeroRect(Rect& rect);

// ---- Numeric wrappers ------------------------------------------------------------

// low in the low half, high in the high half.
uint64_t MakeInt64(uint32_t low, uint32_t high);
// The 64-bit value (low, high) shifted left by n modulo 32.
uint64_t Shl64(uint32_t low, uint32_t high, uint32_t n);
void SinCos(float radians, float& sine, float& cosine);
float SinF(float radians);
float CosF(float radians);
float AsinF(float value);
float SqrtF(float value);
float AbsF(float value);
int32_t Abs(int32_t value);

template <typename T> void Swap(T& a, T& b) {
    static_assert(sizeof(T) == 4, "Swap exchanges 32-bit values");
    T t = a;
    a = b;
    b = t;
}

// True when the distance between the two points is at most limit.
bool WithinDistance(int32_t x1, int32_t y1, int32_t x2, int32_t y2, float limit);

// Stores one 32-bit value into a field of the object and returns the object:
// the setter body many classes share.
template <typename T, typename V>
requires(sizeof(V) == 4) T* SetValue(T* object, V T::*field, V value) {
    object->*field = value;
    return object;
}

} // namespace kis

// The object itself: the accessor body many classes share.
template <typename T> T* GetThis(T* object) {
    return object;
}

// One byte field of the object.
template <typename T, typename B>
requires(sizeof(B) == 1) B GetByteField(const T* object, B T::*field) {
    return object->*field;
}
