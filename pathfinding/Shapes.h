#pragma once
// Obstacle shapes: the 32-byte shape record the level table and the obstacle
// sets carry, its bounding rectangle and its point test.

#include <cstddef>
#include <cstdint>

namespace shpf {

enum ShapeKind : uint32_t {
    kShapeRectangle = 0,  // i32 left, top, right, bottom (right and bottom exclusive)
    kShapeCircle = 1,     // i32 centre x, centre y, radius
    kShapeEllipse = 2,    // i32 centre x, centre y, x radius, y radius
    kShapeTriangle = 3,   // three points of two i16
    kShapeQuadrangle = 4, // four points of two i16
};
constexpr uint32_t kShapeKindCount = 5;
constexpr size_t kShapeRecordSize = 32;

// The record exactly as it is stored: u32 kind, then 28 bytes whose meaning
// the kind gives, little-endian. The bytes a kind does not use are not read.
// Values are read through the accessors below, so the record never has to be
// reinterpreted from a buffer of unknown length.
struct _SHAPE {
    uint32_t kind;
    uint8_t data[28];
};
static_assert(sizeof(_SHAPE) == kShapeRecordSize, "shape records are 32 bytes");

// A rectangle of field pixels; right and bottom are exclusive. Empty when
// right <= left or bottom <= top.
struct ShapeRect {
    int32_t left, top, right, bottom;
    bool Empty() const { return right <= left || bottom <= top; }
};

struct ShapePoint {
    int16_t x, y;
};

// Builders for shapes made in code (obstacle sets, tests). Unused bytes are zero.
_SHAPE MakeRectangleShape(int32_t left, int32_t top, int32_t right, int32_t bottom);
_SHAPE MakeCircleShape(int32_t x, int32_t y, int32_t radius);
_SHAPE MakeEllipseShape(int32_t x, int32_t y, int32_t radiusX, int32_t radiusY);
_SHAPE MakeTriangleShape(ShapePoint a, ShapePoint b, ShapePoint c);
_SHAPE MakeQuadrangleShape(ShapePoint a, ShapePoint b, ShapePoint c, ShapePoint d);

// Reads one record from file bytes. False, leaving *out alone, when fewer
// than 32 bytes are given or the kind is above 4.
bool ReadShape(const uint8_t* bytes, size_t size, _SHAPE* out);
// Writes the record's 32 bytes as stored.
void WriteShape(const _SHAPE& shape, uint8_t* bytes);

// The i-th i32 value (0..6) and the i-th point (0..6) after the kind.
int32_t ShapeValue(const _SHAPE& shape, int index);
ShapePoint ShapePointAt(const _SHAPE& shape, int index);

// True when the shape covers no pixel: an unknown kind, a rectangle without
// width or height, a radius of 0 or less, or polygon points all on one line.
bool ShapeIsEmpty(const _SHAPE& shape);

// The bounding rectangle of the pixels the shape contains. The bounds of a
// circle or an ellipse reach one pixel beyond its radius on every side. An
// empty shape gives an empty rectangle {0, 0, 0, 0}. Values that would leave
// the i32 range are clamped.
void ShapeBounds(const _SHAPE* shape, ShapeRect* out);

// Whether the integer point lies in the shape: a rectangle takes its left and
// top edges and not its right and bottom ones; circles and ellipses take the
// points on their outline; triangles and quadrangles take the points on their
// edges. A self-crossing quadrangle takes the even-odd inside. An empty shape
// contains nothing. Exact for every i32 input (no division, no overflow).
bool ShapeContainsPoint(const _SHAPE* shape, int32_t x, int32_t y);

// A shape decoded once for many point tests, as a field is rasterised;
// answers as ShapeContainsPoint does.
class ShapeTester {
  public:
    explicit ShapeTester(const _SHAPE* shape);
    bool Contains(int32_t x, int32_t y) const;
    // True when every row meets the shape in one run of pixels at most
    // (every kind but a quadrangle that is not convex).
    bool RowsAreSingleRuns() const { return singleRuns_; }

  private:
    bool singleRuns_ = true;
    bool empty_ = true;
    uint32_t kind_ = 0;
    int32_t values_[4] = {};    // rectangle, circle (radius twice), ellipse
    ShapePoint points_[4] = {}; // triangle, quadrangle
    int count_ = 0;
};

} // namespace shpf
