#include "pathfinding/ShapeGrid.h"
#include "pathfinding/PathFinder.h"

#include <gtest/gtest.h>

#include <vector>

using namespace shpf;

TEST(GetGridCell, AnswersTheLastAreaHoldingThePointWithLeftAndTopInclusive) {
    const _GRIDCELL areas[] = {{10, 10, 50, 50}, {40, 40, 70, 60}, {90, 0, 100, 80}};
    _SHAPEGRID grid;
    BuildShapeGrid(&grid, 0, 0, 100, 80, areas);
    ASSERT_EQ(grid.columns, 4);
    ASSERT_EQ(grid.rows, 3);
    struct Case {
        const char* what;
        int x, y;
        int area; // index into areas, -1 none
    };
    const Case cases[] = {
        {"top-left corner of an area", 10, 10, 0},
        {"inside the first only", 20, 45, 0},
        {"overlap: the later area", 45, 45, 1},
        {"overlap corner", 40, 40, 1},
        {"right edge of the first is outside it", 50, 20, -1},
        {"bottom edge of the first is outside it", 20, 50, -1},
        {"second area in another bucket", 69, 59, 1},
        {"second area's right edge", 70, 59, -1},
        {"free point", 5, 5, -1},
        {"area along the grid's right edge", 99, 79, 2},
        {"grid's right edge", 100, 5, -1},
        {"grid's bottom edge", 95, 80, -1},
        {"left of the grid", -1, 20, -1},
        {"above the grid", 95, -1, -1},
        {"far outside", 100000, -100000, -1},
    };
    for (const Case& c : cases) {
        const _GRIDCELL* hit = PathFinder::GetGridCell(&grid, c.x, c.y);
        if (c.area < 0) {
            EXPECT_EQ(hit, nullptr) << c.what;
        } else {
            ASSERT_NE(hit, nullptr) << c.what;
            EXPECT_EQ(hit - grid.areas.data(), c.area) << c.what;
        }
    }
    EXPECT_EQ(PathFinder::GetGridCell(nullptr, 20, 20), nullptr);
    _SHAPEGRID empty;
    EXPECT_EQ(PathFinder::GetGridCell(&empty, 0, 0), nullptr);
}

TEST(ShapeGrid, CoordinatesBeyondSixteenBitsAreClampedNotWrapped) {
    _SHAPEGRID grid;
    const _GRIDCELL areas[] = {{-32768, -32768, 32767, 32767}};
    BuildShapeGrid(&grid, -100000, -70000, 100000, 65536 + 10, areas, 4096, 4096);
    EXPECT_EQ(grid.left, -32768);
    EXPECT_EQ(grid.top, -32768);
    EXPECT_EQ(grid.right, 32767);
    EXPECT_EQ(grid.bottom, 32767);
    EXPECT_NE(PathFinder::GetGridCell(&grid, 32766, -32768), nullptr);
    EXPECT_EQ(PathFinder::GetGridCell(&grid, 32767, 0), nullptr);

    // Shapes far outside the field: a rectangle whose edges would wrap to
    // -4464 and 4464 in 16 bits, and a circle centred off the field.
    _SHAPEGRID frame;
    BuildShapeGrid(&frame, 0, 0, 64, 8, {});
    const _SHAPE rect = MakeRectangleShape(-70000, 2, 70000, 3);
    const _SHAPE circle = MakeCircleShape(100000, 5, 99990);
    const PlacedShape shapes[] = {{&rect, 0, 0}, {&circle, 0, 0}};
    const RowRuns runs = RasterizeShapes(frame, shapes);
    ASSERT_EQ(runs.rows.size(), 8u);
    ASSERT_EQ(runs.rows[2].size(), 1u);
    EXPECT_EQ(runs.rows[2][0].x0, 0);
    EXPECT_EQ(runs.rows[2][0].x1, 64);
    // Circle: x >= 100000 - sqrt(99990^2 - (y-5)^2), i.e. x = 10 on its row.
    ASSERT_EQ(runs.rows[5].size(), 1u);
    EXPECT_EQ(runs.rows[5][0].x0, 10);
    EXPECT_EQ(runs.rows[5][0].x1, 64);
    // An offset that pushes a shape past the i32 range is clipped, not wrapped.
    const _SHAPE small = MakeRectangleShape(0, 0, 4, 4);
    const PlacedShape far[] = {{&small, INT32_MAX, 0}, {&small, INT32_MIN, 0}};
    const RowRuns none = RasterizeShapes(frame, far);
    for (const auto& row : none.rows)
        EXPECT_TRUE(row.empty());
}

TEST(ShapeGrid, GrownAreasCoverExactlyThePixelsWithinTheClearance) {
    _SHAPEGRID frame;
    BuildShapeGrid(&frame, 0, 0, 60, 50, {});
    const _SHAPE circle = MakeCircleShape(15, 15, 6);
    const _SHAPE triangle = MakeTriangleShape({30, 30}, {55, 35}, {35, 48});
    const _SHAPE rect = MakeRectangleShape(40, 5, 44, 20);
    const _SHAPE ellipse = MakeEllipseShape(10, 40, 7, 3);
    const _SHAPE diamond = MakeQuadrangleShape({52, 2}, {58, 10}, {52, 18}, {46, 10});
    const _SHAPE dart = MakeQuadrangleShape({20, 26}, {40, 30}, {20, 34}, {28, 30}); // notch on the left
    const _SHAPE bowtie = MakeQuadrangleShape({0, 0}, {8, 8}, {8, 0}, {0, 8});
    const PlacedShape shapes[] = {{&circle, 0, 0},  {&triangle, 0, 0}, {&rect, 0, 0},  {&ellipse, 2, -1},
                                  {&diamond, 0, 0}, {&dart, 0, 0},     {&bowtie, 1, 1}};
    const RowRuns covered = RasterizeShapes(frame, shapes);

    std::vector<uint8_t> base(60 * 50, 0);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 60; ++x)
            for (const PlacedShape& s : shapes)
                if (ShapeContainsPoint(s.shape, x - s.dx, y - s.dy)) base[y * 60 + x] = 1;

    for (uint32_t clearance : {0u, 1u, 3u, 7u}) {
        const std::vector<_GRIDCELL> areas = GrowRuns(covered, clearance);
        _SHAPEGRID grid;
        BuildShapeGrid(&grid, 0, 0, 60, 50, areas);
        const int c = int(clearance);
        for (int y = 0; y < 50; ++y)
            for (int x = 0; x < 60; ++x) {
                bool near = false;
                for (int qy = std::max(0, y - c); qy <= std::min(49, y + c) && !near; ++qy)
                    for (int qx = std::max(0, x - c); qx <= std::min(59, x + c) && !near; ++qx)
                        near = base[qy * 60 + qx] && (qx - x) * (qx - x) + (qy - y) * (qy - y) <= c * c;
                int holders = 0;
                for (const _GRIDCELL& a : grid.areas)
                    holders += x >= a.left && x < a.right && y >= a.top && y < a.bottom;
                ASSERT_EQ(holders, near ? 1 : 0) << "clearance " << c << " at " << x << "," << y;
                ASSERT_EQ(PathFinder::GetGridCell(&grid, x, y) != nullptr, near);
            }
    }
}
