#include "pathfinding/ShapeGrid.h"

#include <algorithm>

namespace shpf {

namespace {

// Largest r with r * r <= v.
int32_t IntSqrt(int64_t v) {
    int64_t r = 0;
    for (int64_t bit = int64_t(1) << 30; bit > 0; bit >>= 1)
        if ((r + bit) * (r + bit) <= v) r += bit;
    return static_cast<int32_t>(r);
}

// Sorts the runs and joins those that overlap or touch.
void MergeRuns(std::vector<PixelRun>& runs) {
    if (runs.size() < 2) return;
    std::sort(runs.begin(), runs.end(),
              [](const PixelRun& a, const PixelRun& b) { return a.x0 != b.x0 ? a.x0 < b.x0 : a.x1 < b.x1; });
    size_t out = 0;
    for (size_t i = 1; i < runs.size(); ++i) {
        if (runs[i].x0 <= runs[out].x1)
            runs[out].x1 = std::max(runs[out].x1, runs[i].x1);
        else
            runs[++out] = runs[i];
    }
    runs.resize(out + 1);
}

} // namespace

int16_t Clamp16(int64_t v) {
    return static_cast<int16_t>(std::clamp<int64_t>(v, INT16_MIN, INT16_MAX));
}

void BuildShapeGrid(_SHAPEGRID* grid, int64_t left, int64_t top, int64_t right, int64_t bottom,
                    std::span<const _GRIDCELL> areas, int cellWidth, int cellHeight) {
    _SHAPEGRID& g = *grid;
    g.left = Clamp16(left);
    g.top = Clamp16(top);
    g.right = std::max(g.left, Clamp16(right));
    g.bottom = std::max(g.top, Clamp16(bottom));
    g.cellWidth = static_cast<uint16_t>(std::clamp(cellWidth, 1, 0x7FFF));
    g.cellHeight = static_cast<uint16_t>(std::clamp(cellHeight, 1, 0x7FFF));
    const int width = g.right - g.left, height = g.bottom - g.top;
    g.columns = static_cast<uint16_t>((width + g.cellWidth - 1) / g.cellWidth);
    g.rows = static_cast<uint16_t>((height + g.cellHeight - 1) / g.cellHeight);

    g.areas.clear();
    for (const _GRIDCELL& a : areas) {
        const _GRIDCELL c{std::max(a.left, g.left), std::max(a.top, g.top), std::min(a.right, g.right),
                          std::min(a.bottom, g.bottom)};
        if (c.left < c.right && c.top < c.bottom) g.areas.push_back(c);
    }

    // Two passes: count each bucket's areas, then place them, so the lists
    // keep the areas' order and live in one block.
    const size_t buckets = size_t(g.columns) * g.rows;
    g.bucketStart.assign(buckets + 1, 0);
    auto forEachBucket = [&](const _GRIDCELL& a, auto&& visit) {
        const int c0 = (a.left - g.left) / g.cellWidth, c1 = (a.right - 1 - g.left) / g.cellWidth;
        const int r0 = (a.top - g.top) / g.cellHeight, r1 = (a.bottom - 1 - g.top) / g.cellHeight;
        for (int r = r0; r <= r1; ++r)
            for (int c = c0; c <= c1; ++c)
                visit(size_t(r) * g.columns + c);
    };
    for (const _GRIDCELL& a : g.areas)
        forEachBucket(a, [&](size_t b) { ++g.bucketStart[b + 1]; });
    for (size_t b = 0; b < buckets; ++b)
        g.bucketStart[b + 1] += g.bucketStart[b];
    g.bucketAreas.assign(g.bucketStart[buckets], 0);
    std::vector<uint32_t> fill(g.bucketStart.begin(), g.bucketStart.end() - 1);
    for (uint32_t i = 0; i < g.areas.size(); ++i)
        forEachBucket(g.areas[i], [&](size_t b) { g.bucketAreas[fill[b]++] = i; });
}

RowRuns RasterizeShapes(const _SHAPEGRID& frame, std::span<const PlacedShape> shapes) {
    RowRuns out;
    out.left = frame.left;
    out.top = frame.top;
    out.right = frame.right;
    out.bottom = frame.bottom;
    out.rows.resize(size_t(out.bottom - out.top));
    for (const PlacedShape& placed : shapes) {
        if (!placed.shape) continue;
        ShapeRect b;
        ShapeBounds(placed.shape, &b);
        if (b.Empty()) continue;
        // Bounds in field coordinates, clipped to the frame in 64 bits so
        // that neither the offset nor the clip can wrap.
        const int64_t l = std::max<int64_t>(int64_t(b.left) + placed.dx, out.left);
        const int64_t t = std::max<int64_t>(int64_t(b.top) + placed.dy, out.top);
        const int64_t r = std::min<int64_t>(int64_t(b.right) + placed.dx, out.right);
        const int64_t btm = std::min<int64_t>(int64_t(b.bottom) + placed.dy, out.bottom);
        if (l >= r || t >= btm) continue;
        const bool solid = placed.shape->kind == kShapeRectangle;
        const ShapeTester tester(placed.shape);
        for (int64_t y = t; y < btm; ++y) {
            std::vector<PixelRun>& row = out.rows[size_t(y - out.top)];
            if (solid) {
                row.push_back({int32_t(l), int32_t(r)});
                continue;
            }
            // The point test in the shape's own coordinates; those fit in
            // i32 because the field point and the bounds do.
            const int32_t sy = int32_t(y - placed.dy);
            if (tester.RowsAreSingleRuns()) {
                // One run at most: find its ends from both sides.
                int64_t x0 = l, x1 = r - 1;
                while (x0 <= x1 && !tester.Contains(int32_t(x0 - placed.dx), sy))
                    ++x0;
                while (x1 > x0 && !tester.Contains(int32_t(x1 - placed.dx), sy))
                    --x1;
                if (x0 <= x1) row.push_back({int32_t(x0), int32_t(x1 + 1)});
                continue;
            }
            int64_t runStart = -1;
            for (int64_t x = l; x < r; ++x) {
                const bool in = tester.Contains(int32_t(x - placed.dx), sy);
                if (in && runStart < 0) runStart = x;
                if (!in && runStart >= 0) {
                    row.push_back({int32_t(runStart), int32_t(x)});
                    runStart = -1;
                }
            }
            if (runStart >= 0) row.push_back({int32_t(runStart), int32_t(r)});
        }
    }
    for (std::vector<PixelRun>& row : out.rows)
        MergeRuns(row);
    return out;
}

std::vector<_GRIDCELL> GrowRuns(const RowRuns& covered, uint32_t clearance) {
    const int32_t height = covered.bottom - covered.top;
    const int32_t reach = static_cast<int32_t>(
        std::min<uint32_t>(clearance, uint32_t(std::max(height, covered.right - covered.left))));
    // Half-widths of the disc of radius `reach` by row offset.
    std::vector<int32_t> halfWidth(size_t(reach) + 1);
    for (int32_t d = 0; d <= reach; ++d)
        halfWidth[size_t(d)] = IntSqrt(int64_t(reach) * reach - int64_t(d) * d);

    const int32_t width = covered.right - covered.left;
    std::vector<int32_t> depthChange(size_t(width) + 1, 0);
    std::vector<_GRIDCELL> areas;
    struct Open {
        PixelRun run;
        int32_t top;
    };
    std::vector<Open> open, next;
    std::vector<PixelRun> row;
    auto close = [&](const Open& o, int32_t bottom) {
        areas.push_back({Clamp16(o.run.x0), Clamp16(o.top), Clamp16(o.run.x1), Clamp16(bottom)});
    };
    for (int32_t y = 0; y <= height; ++y) {
        row.clear();
        if (y < height) {
            // Each source run, widened by the disc's half-width at its row
            // offset, adds one to the pixels it covers: marks at its ends,
            // summed along the row, give the covered runs without sorting.
            int32_t lo = width, hi = -1;
            for (int32_t d = -reach; d <= reach; ++d) {
                const int32_t src = y + d;
                if (src < 0 || src >= height) continue;
                const int32_t w = halfWidth[size_t(d < 0 ? -d : d)];
                for (const PixelRun& r : covered.rows[size_t(src)]) {
                    const int32_t a = std::max(r.x0 - w, covered.left) - covered.left;
                    const int32_t b = std::min(r.x1 + w, covered.right) - covered.left;
                    if (a >= b) continue;
                    ++depthChange[size_t(a)];
                    --depthChange[size_t(b)];
                    lo = std::min(lo, a);
                    hi = std::max(hi, b);
                }
            }
            int32_t depth = 0, runStart = 0;
            for (int32_t x = lo; x <= hi; ++x) {
                const int32_t before = depth;
                depth += depthChange[size_t(x)];
                depthChange[size_t(x)] = 0;
                if (before == 0 && depth > 0) runStart = x;
                if (before > 0 && depth == 0) row.push_back({runStart + covered.left, x + covered.left});
            }
        }
        // Runs that repeat the run above extend its area; the others close
        // areas and open new ones. Both lists are sorted by x0.
        next.clear();
        size_t i = 0;
        for (const PixelRun& r : row) {
            while (i < open.size() && open[i].run.x0 < r.x0)
                close(open[i++], covered.top + y);
            if (i < open.size() && open[i].run.x0 == r.x0 && open[i].run.x1 == r.x1) {
                next.push_back(open[i++]);
            } else {
                next.push_back({r, covered.top + y});
            }
        }
        while (i < open.size())
            close(open[i++], covered.top + y);
        std::swap(open, next);
    }
    std::sort(areas.begin(), areas.end(), [](const _GRIDCELL& a, const _GRIDCELL& b) {
        return a.top != b.top ? a.top < b.top : a.left < b.left;
    });
    return areas;
}

} // namespace shpf
