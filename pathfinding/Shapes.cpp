#include "pathfinding/Shapes.h"

#include "foundation/ByteOrder.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>

namespace shpf {

namespace {

// Squares of i32 differences reach 2^64 and their products with another
// square 2^126: the point tests work in 128-bit integers so that no shape
// read from a file can make them wrap.
using Wide = __int128;

// A shape of a kind with its values in the data's 4-byte slots in order.
_SHAPE ShapeOfValues(uint32_t kind, std::initializer_list<int32_t> values) {
    _SHAPE s{};
    s.kind = kind;
    uint8_t* slot = s.data;
    for (const int32_t v : values) {
        kis::StoreLE32(slot, static_cast<uint32_t>(v));
        slot += 4;
    }
    return s;
}

// A shape of a kind with its corners in the data's 4-byte slots in order,
// each as two 16-bit halves (x, y).
_SHAPE ShapeOfPoints(uint32_t kind, std::initializer_list<ShapePoint> points) {
    _SHAPE s{};
    s.kind = kind;
    uint8_t* slot = s.data;
    for (const ShapePoint p : points) {
        kis::StoreLE16(slot, static_cast<uint16_t>(p.x));
        kis::StoreLE16(slot + 2, static_cast<uint16_t>(p.y));
        slot += 4;
    }
    return s;
}

int32_t Clamp32(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

int PointCount(uint32_t kind) {
    return kind == kShapeTriangle ? 3 : 4;
}

// Twice the signed area of the triangle (a, b, p); exact for i16 corners and i32 points.
int64_t Cross(ShapePoint a, ShapePoint b, int64_t px, int64_t py) {
    return (int64_t(b.x) - a.x) * (py - a.y) - (int64_t(b.y) - a.y) * (px - a.x);
}

bool PointsOnOneLine(const ShapePoint* p, int n) {
    // Every triple, so that repeated corners cannot hide a spread.
    for (int i = 0; i < n; ++i)
        for (int j = i + 1; j < n; ++j)
            for (int k = j + 1; k < n; ++k)
                if (Cross(p[i], p[j], p[k].x, p[k].y) != 0) return false;
    return true;
}

bool OnSegment(ShapePoint a, ShapePoint b, int64_t x, int64_t y) {
    return Cross(a, b, x, y) == 0 && x >= std::min(a.x, b.x) && x <= std::max(a.x, b.x) &&
           y >= std::min(a.y, b.y) && y <= std::max(a.y, b.y);
}

// Edges count as inside; otherwise the even-odd crossing rule, each edge
// taken with its lower end and without its upper end so that a vertex on the
// ray is counted once.
bool PolygonContains(const ShapePoint* p, int n, int64_t x, int64_t y) {
    bool inside = false;
    for (int i = 0, j = n - 1; i < n; j = i++) {
        const ShapePoint a = p[j], b = p[i];
        if (OnSegment(a, b, x, y)) return true;
        if ((a.y > y) == (b.y > y)) continue;
        // The edge crosses the row at xc; the point is left of it when
        // x < xc, i.e. (x - a.x) * dy < (y - a.y) * dx with the sign of dy.
        const int64_t dx = int64_t(b.x) - a.x, dy = int64_t(b.y) - a.y;
        const int64_t lhs = (x - a.x) * dy, rhs = (y - a.y) * dx;
        if (dy > 0 ? lhs < rhs : lhs > rhs) inside = !inside;
    }
    return inside;
}

} // namespace

_SHAPE MakeRectangleShape(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    return ShapeOfValues(kShapeRectangle, {left, top, right, bottom});
}

_SHAPE MakeCircleShape(int32_t x, int32_t y, int32_t radius) {
    return ShapeOfValues(kShapeCircle, {x, y, radius});
}

_SHAPE MakeEllipseShape(int32_t x, int32_t y, int32_t radiusX, int32_t radiusY) {
    return ShapeOfValues(kShapeEllipse, {x, y, radiusX, radiusY});
}

_SHAPE MakeTriangleShape(ShapePoint a, ShapePoint b, ShapePoint c) {
    return ShapeOfPoints(kShapeTriangle, {a, b, c});
}

_SHAPE MakeQuadrangleShape(ShapePoint a, ShapePoint b, ShapePoint c, ShapePoint d) {
    return ShapeOfPoints(kShapeQuadrangle, {a, b, c, d});
}

bool ReadShape(const uint8_t* bytes, size_t size, _SHAPE* out) {
    if (!bytes || size < kShapeRecordSize) return false;
    const uint32_t kind = kis::LoadLE32(bytes);
    if (kind >= kShapeKindCount) return false;
    out->kind = kind;
    std::memcpy(out->data, bytes + 4, sizeof(out->data));
    return true;
}

void WriteShape(const _SHAPE& shape, uint8_t* bytes) {
    kis::StoreLE32(bytes, shape.kind);
    std::memcpy(bytes + 4, shape.data, sizeof(shape.data));
}

int32_t ShapeValue(const _SHAPE& shape, int index) {
    return static_cast<int32_t>(kis::LoadLE32(shape.data + 4 * index));
}

ShapePoint ShapePointAt(const _SHAPE& shape, int index) {
    return {static_cast<int16_t>(kis::LoadLE16(shape.data + 4 * index)),
            static_cast<int16_t>(kis::LoadLE16(shape.data + 4 * index + 2))};
}

bool ShapeIsEmpty(const _SHAPE& s) {
    switch (s.kind) {
    case kShapeRectangle:
        return ShapeValue(s, 2) <= ShapeValue(s, 0) || ShapeValue(s, 3) <= ShapeValue(s, 1);
    case kShapeCircle:
        return ShapeValue(s, 2) <= 0;
    case kShapeEllipse:
        return ShapeValue(s, 2) <= 0 || ShapeValue(s, 3) <= 0;
    case kShapeTriangle:
    case kShapeQuadrangle: {
        ShapePoint p[4];
        const int n = PointCount(s.kind);
        for (int i = 0; i < n; ++i)
            p[i] = ShapePointAt(s, i);
        return PointsOnOneLine(p, n);
    }
    default:
        return true;
    }
}

void ShapeBounds(const _SHAPE* shape, ShapeRect* out) {
    *out = {0, 0, 0, 0};
    if (!shape || ShapeIsEmpty(*shape)) return;
    const _SHAPE& s = *shape;
    switch (s.kind) {
    case kShapeRectangle:
        *out = {ShapeValue(s, 0), ShapeValue(s, 1), ShapeValue(s, 2), ShapeValue(s, 3)};
        return;
    case kShapeCircle:
    case kShapeEllipse: {
        const int64_t x = ShapeValue(s, 0), y = ShapeValue(s, 1);
        const int64_t rx = ShapeValue(s, 2), ry = ShapeValue(s, s.kind == kShapeCircle ? 2 : 3);
        *out = {Clamp32(x - rx - 1), Clamp32(y - ry - 1), Clamp32(x + rx + 1), Clamp32(y + ry + 1)};
        return;
    }
    default: {
        const int n = PointCount(s.kind);
        int32_t l = INT32_MAX, t = INT32_MAX, r = INT32_MIN, b = INT32_MIN;
        for (int i = 0; i < n; ++i) {
            const ShapePoint p = ShapePointAt(s, i);
            l = std::min<int32_t>(l, p.x);
            t = std::min<int32_t>(t, p.y);
            r = std::max<int32_t>(r, p.x);
            b = std::max<int32_t>(b, p.y);
        }
        // Corners lie on edges, which belong to the shape: the exclusive
        // right and bottom are one past the largest corner.
        *out = {l, t, r + 1, b + 1};
        return;
    }
    }
}

ShapeTester::ShapeTester(const _SHAPE* shape) {
    empty_ = !shape || ShapeIsEmpty(*shape);
    if (empty_) return;
    kind_ = shape->kind;
    if (kind_ == kShapeTriangle || kind_ == kShapeQuadrangle) {
        count_ = PointCount(kind_);
        for (int i = 0; i < count_; ++i)
            points_[i] = ShapePointAt(*shape, i);
        if (count_ == 4) {
            // Convex when no two corners turn different ways.
            bool left = false, right = false;
            for (int i = 0; i < 4; ++i) {
                const int64_t turn =
                    Cross(points_[i], points_[(i + 1) % 4], points_[(i + 2) % 4].x, points_[(i + 2) % 4].y);
                left |= turn > 0;
                right |= turn < 0;
            }
            singleRuns_ = !(left && right);
        }
        return;
    }
    for (int i = 0; i < 4; ++i)
        values_[i] = ShapeValue(*shape, i);
    if (kind_ == kShapeCircle) values_[3] = values_[2];
}

bool ShapeTester::Contains(int32_t x, int32_t y) const {
    if (empty_) return false;
    switch (kind_) {
    case kShapeRectangle:
        return x >= values_[0] && x < values_[2] && y >= values_[1] && y < values_[3];
    case kShapeCircle:
    case kShapeEllipse: {
        const int64_t dx = int64_t(x) - values_[0], dy = int64_t(y) - values_[1];
        const int64_t rx = values_[2], ry = values_[3];
        // Far points first: this also keeps the products below 2^125.
        if (dx > rx || -dx > rx || dy > ry || -dy > ry) return false;
        // (dx / rx)^2 + (dy / ry)^2 <= 1, multiplied out; radii below 2^15
        // (every shape on a 16-bit field) keep the sums below 2^62.
        if (rx < 0x8000 && ry < 0x8000) return dx * dx * ry * ry + dy * dy * rx * rx <= rx * rx * ry * ry;
        const Wide wx = dx, wy = dy, wrx = rx, wry = ry;
        return wx * wx * wry * wry + wy * wy * wrx * wrx <= wrx * wrx * wry * wry;
    }
    default:
        return PolygonContains(points_, count_, x, y);
    }
}

bool ShapeContainsPoint(const _SHAPE* shape, int32_t x, int32_t y) {
    return ShapeTester(shape).Contains(x, y);
}

} // namespace shpf
