#pragma once
// The blocking areas of one clearance class: the obstacles grown by the
// class's clearance, as rectangles of 16-bit field coordinates, sorted into
// buckets of a fixed cell size so that a point looks at a few areas only.

#include "pathfinding/Shapes.h"

#include <cstdint>
#include <span>
#include <vector>

namespace shpf {

// One blocking area; right and bottom are exclusive.
struct _GRIDCELL {
    int16_t left, top, right, bottom;
};
static_assert(sizeof(_GRIDCELL) == 8, "blocking areas are four 16-bit values");

// Bucket size the path finder builds its grids with.
constexpr int kGridBucketSize = 32;

struct _SHAPEGRID {
    // The field rectangle the grid covers; right and bottom exclusive.
    int16_t left = 0, top = 0, right = 0, bottom = 0;
    uint16_t cellWidth = kGridBucketSize, cellHeight = kGridBucketSize;
    uint16_t columns = 0, rows = 0;
    std::vector<_GRIDCELL> areas;
    // Bucket b (row * columns + column) lists the indices into areas from
    // bucketStart[b] to bucketStart[b + 1], in the order of areas.
    std::vector<uint32_t> bucketStart;
    std::vector<uint32_t> bucketAreas;
};

// Clamps a value into the 16-bit range, as every grid coordinate is.
int16_t Clamp16(int64_t v);

// Fills a grid over the rectangle (clamped to 16 bits) with the areas in
// their order, each clipped to the rectangle (areas left empty by the clip
// are dropped) and listed in every bucket it overlaps.
void BuildShapeGrid(_SHAPEGRID* grid, int64_t left, int64_t top, int64_t right, int64_t bottom,
                    std::span<const _GRIDCELL> areas, int cellWidth = kGridBucketSize,
                    int cellHeight = kGridBucketSize);

// A shape placed on the field: its record's coordinates are moved by (dx, dy).
struct PlacedShape {
    const _SHAPE* shape;
    int32_t dx, dy;
};

// The pixels the shapes cover inside a rectangle, as sorted, disjoint runs
// of pixels [x0, x1) per row from the rectangle's top. Shape coordinates far
// outside the rectangle are clipped to it, never wrapped.
struct PixelRun {
    int32_t x0, x1;
};
struct RowRuns {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    std::vector<std::vector<PixelRun>> rows;
};
RowRuns RasterizeShapes(const _SHAPEGRID& frame, std::span<const PlacedShape> shapes);

// The blocking areas of the covered pixels grown by a clearance: every pixel
// of the rectangle within `clearance` (Euclidean, in pixels) of a covered
// pixel lies in exactly one area. Areas are disjoint and come in row order
// (top, then left).
std::vector<_GRIDCELL> GrowRuns(const RowRuns& covered, uint32_t clearance);

} // namespace shpf
