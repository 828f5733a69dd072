#pragma once
// The level-select map's hex grid and its place on the screen. The map is
// 1024 x 768 map pixels with 7 x 7 hexagonal cells; the even columns stand
// half a cell lower than the odd ones.

#include <array>
#include <cstdint>

constexpr int32_t kMapWidth = 1024;
constexpr int32_t kMapHeight = 768;
constexpr int32_t kMapColumns = 7;
constexpr int32_t kMapRows = 7;
constexpr int32_t kMapCells = kMapColumns * kMapRows;

struct MapPoint {
    int32_t x = 0, y = 0;
    bool operator==(const MapPoint&) const = default;
};

// The centre of cell (column, row) in map pixels.
MapPoint HexPosition(int32_t column, int32_t row);
// The centre of cell n (0..48): column n mod 7, row n div 7.
MapPoint CellPosition(int32_t cell);
// The draw-order slot of a cell: each row draws its higher (odd) cells
// first and its lower (even) cells over them.
int32_t DrawSlot(int32_t column, int32_t row);

// The level standing on each cell, -1 for none.
using MapCellTable = std::array<int32_t, kMapCells>;

// The cell under a map point, -1 outside the grid. Near a cell's left edge
// the point goes to the left neighbour when its distance to that centre,
// with y stretched to make the hexagons round, is smaller; a tie stays.
int32_t CellAt(int32_t x, int32_t y);
// The level on the cell under the point, -1 for none.
int32_t LevelAt(const MapCellTable& cells, int32_t x, int32_t y);

// The map's place on the screen.
struct MapLayout {
    float scale = 1.0f;
    int32_t xOffset = 0;
    int32_t yOffset = 0;

    MapPoint ToScreen(float x, float y) const;
    MapPoint ToMap(int32_t x, int32_t y) const;
};
// Screens 768 to 800 pixels high show the map unscaled and centred;
// others scale it to the screen's height.
MapLayout LayoutMap(int32_t screenWidth, int32_t screenHeight);

// The wheel zoom: Ctrl steps by 0.01, Shift by 0.1 (forward: smaller), the
// scale kept within 0.5..1.5, and a step that would pass the layout scale
// stops on it. Answers the new scale; the offsets centre the map again.
constexpr uint32_t kZoomCtrl = 1;
constexpr uint32_t kZoomShift = 2;
float ZoomedScale(float current, float layoutScale, int32_t wheelDelta, uint32_t modifier);
MapLayout CentredLayout(int32_t screenWidth, int32_t screenHeight, float scale);
