// The hex grid of the map, its hit test and its place on the screen.
#include "frontend/MapGeometry.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

MapCellTable LevelPerCell() {
    MapCellTable cells;
    for (int32_t i = 0; i < kMapCells; ++i)
        cells[size_t(i)] = i < 41 ? 100 + i : -1; // cells 41..48 empty
    return cells;
}

} // namespace

TEST(MapGeometry, CellsStandOnTheGridWithEvenColumnsLower) {
    struct Case {
        int32_t cell;
        MapPoint centre;
    };
    const Case cases[] = {
        {0, {143, 146}}, {1, {266, 99}}, {8, {266, 193}}, {6, {881, 146}}, {48, {881, 710}}};
    for (const Case& c : cases)
        EXPECT_EQ(CellPosition(c.cell), c.centre) << c.cell;
}

TEST(MapGeometry, EachRowDrawsItsHigherCellsFirst) {
    struct Case {
        int32_t column, row, slot;
    };
    const Case cases[] = {{1, 0, 0}, {3, 0, 1}, {5, 0, 2}, {0, 0, 3},
                          {2, 0, 4}, {6, 0, 6}, {1, 1, 7}, {0, 6, 45}};
    for (const Case& c : cases)
        EXPECT_EQ(DrawSlot(c.column, c.row), c.slot) << c.column << "," << c.row;
    // Every cell has its own slot.
    std::array<int, kMapCells> used{};
    for (int32_t cell = 0; cell < kMapCells; ++cell)
        ++used[size_t(DrawSlot(cell % 7, cell / 7))];
    for (int n : used)
        EXPECT_EQ(n, 1);
}

TEST(MapGeometry, EveryPointNearACellCentreFindsThatCellsLevel) {
    const MapCellTable cells = LevelPerCell();
    for (int32_t cell = 0; cell < kMapCells; ++cell) {
        const MapPoint c = CellPosition(cell);
        for (int dy = -30; dy <= 30; dy += 10)
            for (int dx = -35; dx <= 35; dx += 7)
                EXPECT_EQ(LevelAt(cells, c.x + dx, c.y + dy), cells[size_t(cell)])
                    << "cell " << cell << " + (" << dx << ", " << dy << ")";
    }
    EXPECT_EQ(LevelAt(cells, 266, 193), 108);
}

TEST(MapGeometry, TheZigzagBandGoesToTheNearerCentre) {
    const MapCellTable cells = LevelPerCell();
    // Left of cell 8 (column 1, row 1, centre 266, 193): its band borders
    // cell 7 (column 0, row 1, 143, 240) below and cell 0 (143, 146) above.
    const MapPoint c8 = CellPosition(8);
    EXPECT_EQ(LevelAt(cells, c8.x - 60, c8.y - 40), 100); // up-left: cell 0
    EXPECT_EQ(LevelAt(cells, c8.x - 60, c8.y + 40), 107); // down-left: cell 7
    EXPECT_EQ(LevelAt(cells, c8.x - 45, c8.y), 108);      // level with the centre: its own
    // Across the whole band, the answer is the cell whose stretched distance is smaller.
    const double k = std::sin(M_PI / 3.0) * 161.0 / 94.0;
    auto stretched = [&](int x, int y, MapPoint c) {
        return std::hypot(double(x - c.x), std::round(double(y - c.y) * k));
    };
    const MapPoint c0 = CellPosition(0), c7 = CellPosition(7);
    for (int y = c8.y - 46; y <= c8.y + 46; y += 2)
        for (int x = c8.x - 61; x < c8.x - 42; ++x) {
            const MapPoint n = y >= c8.y ? c7 : c0;
            const bool left = stretched(x, y, c8) > stretched(x, y, n);
            EXPECT_EQ(LevelAt(cells, x, y), left ? cells[size_t(y >= c8.y ? 7 : 0)] : 108) << x << "," << y;
        }
}

TEST(MapGeometry, PointsOffTheGridOrOnEmptyCellsHaveNoLevel) {
    const MapCellTable cells = LevelPerCell();
    const MapPoint outside[] = {{10, 400}, {1015, 300}, {500, 5}, {500, 767}, {-200, 300}, {2000, 2000}};
    for (const MapPoint& p : outside)
        EXPECT_EQ(LevelAt(cells, p.x, p.y), -1) << p.x << "," << p.y;
    const MapPoint empty = CellPosition(45);
    EXPECT_EQ(LevelAt(cells, empty.x, empty.y), -1);
}

TEST(MapGeometry, TheMapFitsTheScreenHeight) {
    struct Case {
        int32_t w, h;
        float scale;
        int32_t xo, yo;
    };
    const Case cases[] = {{1024, 768, 1.0f, 0, 1},      {1280, 800, 1.0f, 128, 17},
                          {800, 600, 0.78125f, 0, 0},   {1920, 1080, 1.40625f, 240, 0},
                          {1280, 720, 0.9375f, 160, 0}, {1024, 790, 1.0f, 0, 12}};
    for (const Case& c : cases) {
        const MapLayout layout = LayoutMap(c.w, c.h);
        EXPECT_FLOAT_EQ(layout.scale, c.scale) << c.w << "x" << c.h;
        EXPECT_EQ(layout.xOffset, c.xo) << c.w << "x" << c.h;
        EXPECT_EQ(layout.yOffset, c.yo) << c.w << "x" << c.h;
        const MapPoint screen = layout.ToScreen(266, 193);
        EXPECT_EQ(layout.ToMap(screen.x, screen.y), (MapPoint{266, 193})) << c.w << "x" << c.h;
    }
}

TEST(MapGeometry, TheWheelZoomsWithinItsLimitsAndStopsAtTheLayoutScale) {
    struct Case {
        float from, layout;
        int32_t delta;
        uint32_t modifier;
        float to;
    };
    const Case cases[] = {
        {1.0f, 1.0f, 1, kZoomCtrl, 0.99f},
        {1.0f, 1.0f, -1, kZoomShift, 1.1f},
        {0.5f, 0.5f, 1, kZoomShift, 0.5f},
        {1.5f, 1.0f, -1, kZoomShift, 1.5f},
        {1.45f, 1.0f, -1, kZoomShift, 1.5f},
        {1.05f, 1.0f, 1, kZoomShift, 1.0f},
        {0.95f, 1.0f, -1, kZoomShift, 1.0f},
        {1.0f, 1.0f, 1, 0, 1.0f},
        {1.0f, 1.0f, 1, kZoomCtrl | kZoomShift, 1.0f},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(ZoomedScale(c.from, c.layout, c.delta, c.modifier), c.to, 1e-5)
            << c.from << " " << c.delta << " " << c.modifier;
}
