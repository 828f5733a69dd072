#include "foundation/Vector2.h"

#include <cmath>

namespace kis {
namespace {

float ToRadians(float degrees) {
    return degrees * kPi / 180.0f;
}
float ToDegrees(float radians) {
    return radians / kPi * 180.0f;
}

// Angle of the direction (dx, dy) whose length d is not 0.
float DirectionAngle(float dx, float dy, float d) {
    float a = ToDegrees(std::asin(dy / d));
    if (dx < 0.0f) return 180.0f - a;
    if (dy >= 0.0f) return a;
    // Just above the +x axis a + 360 rounds to exactly 360 in single
    // precision; that direction is angle 0.
    float angle = a + 360.0f;
    return angle >= 360.0f ? 0.0f : angle;
}

} // namespace

Vector2 MakeVector2(float x, float y) {
    return {x, y};
}
Vector2 MakeVector2FromInt(int32_t x, int32_t y) {
    return {float(x), float(y)};
}

void MoveByAngle(Vector2& point, float angle, float rx, float ry, bool set) {
    if (rx == 0.0f && ry == 0.0f) {
        if (set) point = {0.0f, 0.0f};
        return;
    }
    if (angle == 0.0f) {
        if (set)
            point = {rx, 0.0f};
        else
            point.x += rx;
        return;
    }
    float s, c;
    SinCos(ToRadians(angle), s, c);
    Vector2 offset{c * rx, s * ry};
    if (set) {
        point = offset;
    } else {
        point.x += offset.x;
        point.y += offset.y;
    }
}

void MoveByAngleF(Vector2& point, float angle, float length, bool set) {
    MoveByAngle(point, angle, length, length, set);
}

void VectorToPolar(const Vector2& v, float& angle, float& length) {
    length = VectorLengthP(v);
    angle = length != 0.0f ? DirectionAngle(v.x, v.y, length) : 0.0f;
}

float VectorLength(float x, float y) {
    return Distance(0.0f, 0.0f, x, y);
}
float VectorLengthI(int32_t x, int32_t y) {
    return VectorLength(float(x), float(y));
}

float VectorLengthP(const Vector2& v) {
    if (v.x == 0.0f && v.y == 0.0f) return 0.0f;
    return std::sqrt(v.x * v.x + v.y * v.y);
}

float Distance(float x1, float y1, float x2, float y2) {
    if (x1 == x2 && y1 == y2) return 0.0f;
    float dx = x2 - x1, dy = y2 - y1;
    return std::sqrt(dx * dx + dy * dy);
}

float DistanceI4(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    return Distance(float(x1), float(y1), float(x2), float(y2));
}

float DistanceI(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    return DistanceI4(x1, y1, x2, y2);
}

float PointDistance(const Vector2& a, const Vector2& b) {
    return Distance(a.x, a.y, b.x, b.y);
}

float AngleBetween(float x1, float y1, float x2, float y2) {
    float d = Distance(x1, y1, x2, y2);
    if (d == 0.0f) return 0.0f;
    return DirectionAngle(x2 - x1, y2 - y1, d);
}

float AngleBetweenI(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    return AngleBetween(float(x1), float(y1), float(x2), float(y2));
}

float AngleBetweenP(const Vector2& from, const Vector2& to) {
    return AngleBetween(from.x, from.y, to.x, to.y);
}

float VectorAngle(const Vector2& v) {
    return AngleBetween(0.0f, 0.0f, v.x, v.y);
}

bool PointInEllipse(float x, float y, float cx, float cy, float rx, float ry) {
    // Written as "not at least" so that a NaN radius gives false too.
    if (!(std::fabs(rx) >= 1e-5f) || !(std::fabs(ry) >= 1e-5f)) return false;
    if (rx == ry) return Distance(x, y, cx, cy) <= rx;
    return Distance(cx + (x - cx) * (ry / rx), y, cx, cy) <= ry;
}

bool PointInEllipseP(const Vector2& point, const Vector2& centre, float rx, float ry) {
    return PointInEllipse(point.x, point.y, centre.x, centre.y, rx, ry);
}

void RectEdgePointAtAngleF(const Rect& rect, float angle, Vector2& out) {
    Rect r;
    NormalizeRect(r, rect);
    const float w = float(r.right - r.left);
    const float h = float(r.bottom - r.top);
    float s, c;
    SinCos(ToRadians(angle), s, c);

    const float kFlat = 0.0001f;
    bool throughLeftOrRight = h != 0.0f && !(std::fabs(s) > kFlat && std::fabs(c / s) <= std::fabs(w / h));
    if (throughLeftOrRight) {
        out.x = c <= 0.0f ? float(r.left) : float(r.right);
        out.y = (w / 2.0f * s) / std::fabs(c) + h / 2.0f + float(r.top);
        return;
    }
    if (s == 0.0f) {
        // Zero height and a ray exactly along the x axis: the edge point is
        // undefined (0 / 0), and the centre is where the ray starts.
        out.x = w / 2.0f + float(r.left);
        out.y = float(r.top);
        return;
    }
    out.x = (h / 2.0f * c) / std::fabs(s) + w / 2.0f + float(r.left);
    out.y = s <= 0.0f ? float(r.top) : float(r.bottom);
}

void RectEdgePointAtAngle(const Rect& rect, float angle, Point& out) {
    Vector2 p;
    RectEdgePointAtAngleF(rect, angle, p);
    out = {Round(p.x), Round(p.y)};
}

void RectEdgePointAtAngleI(int32_t left, int32_t top, int32_t right, int32_t bottom, float angle,
                           Point& out) {
    RectEdgePointAtAngle(Rect{left, top, right, bottom}, angle, out);
}

} // namespace kis
