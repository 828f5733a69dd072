#pragma once
// 2D geometry in screen coordinates: x grows to the right, y downwards.
// Angles are degrees in single precision: 0 along +x, growing towards +y
// (clockwise on screen: 90 points down, 270 up). Angle results lie in
// 0 (inclusive) to 360 (exclusive).

#include "foundation/Helpers.h"

#include <cstdint>

namespace kis {

// Two floats, x first (x in the low half when held as one 64-bit value).
struct Vector2 {
    float x;
    float y;
};
static_assert(sizeof(Vector2) == 8);

struct Point {
    int32_t x;
    int32_t y;
};
static_assert(sizeof(Point) == 8);

// The value pi that all degree/radian conversions use.
constexpr float kPi = 3.1415927f;

Vector2 MakeVector2(float x, float y);
Vector2 MakeVector2FromInt(int32_t x, int32_t y);

// Adds (cos(angle) * rx, sin(angle) * ry) to the point, or stores it there
// when set is true.
void MoveByAngle(Vector2& point, float angle, float rx, float ry, bool set);
void MoveByAngleF(Vector2& point, float angle, float length, bool set);

// The vector's angle and length; a zero vector gives angle 0 and length 0.
void VectorToPolar(const Vector2& v, float& angle, float& length);

float VectorLength(float x, float y);
float VectorLengthI(int32_t x, int32_t y);
float VectorLengthP(const Vector2& v);

// Distance between two points; exactly 0 when they are equal.
float Distance(float x1, float y1, float x2, float y2);
float DistanceI4(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
float DistanceI(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
float PointDistance(const Vector2& a, const Vector2& b);

// Angle of the direction from the first point to the second; 0 when they
// coincide.
float AngleBetween(float x1, float y1, float x2, float y2);
float AngleBetweenI(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
float AngleBetweenP(const Vector2& from, const Vector2& to);
float VectorAngle(const Vector2& v);

// True when the point lies inside or on the ellipse with radii rx, ry about
// the centre; false when either radius is below 1e-5 in magnitude (or NaN).
bool PointInEllipse(float x, float y, float cx, float cy, float rx, float ry);
bool PointInEllipseP(const Vector2& point, const Vector2& centre, float rx, float ry);

// Where the ray from the rectangle's centre at the angle leaves the
// rectangle. The integer forms round each coordinate with kis::Round.
void RectEdgePointAtAngleF(const Rect& rect, float angle, Vector2& out);
void RectEdgePointAtAngle(const Rect& rect, float angle, Point& out);
void RectEdgePointAtAngleI(int32_t left, int32_t top, int32_t right, int32_t bottom, float angle, Point& out);

} // namespace kis
