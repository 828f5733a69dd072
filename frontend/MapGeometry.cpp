#include "frontend/MapGeometry.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int32_t kColumnStep = 123, kRowStep = 94;
constexpr int32_t kFirstX = 143, kFirstY = 99;
constexpr int32_t kEvenDrop = 47; // even columns stand half a cell lower
constexpr int32_t kZigzag = 42;   // left of cx - 42 a point may belong to the left neighbour
// Stretching y by this makes the flat hexagons' zigzag edge a circle's.
const double kHexStretch = std::sin(M_PI / 3.0) * 161.0 / 94.0;

bool IsEven(int32_t column) {
    return column % 2 == 0;
}

double StretchedDistance(int32_t x, int32_t y, int32_t cx, int32_t cy) {
    const double sy = double(cy) + std::round(double(y - cy) * kHexStretch);
    return std::hypot(double(x - cx), sy - double(cy));
}

} // namespace

MapPoint HexPosition(int32_t column, int32_t row) {
    return {kColumnStep * column + kFirstX, kRowStep * row + kFirstY + (IsEven(column) ? kEvenDrop : 0)};
}

MapPoint CellPosition(int32_t cell) {
    return HexPosition(cell % kMapColumns, cell / kMapColumns);
}

int32_t DrawSlot(int32_t column, int32_t row) {
    return kMapColumns * row + column / 2 + (IsEven(column) ? 3 : 0);
}

int32_t CellAt(int32_t x, int32_t y) {
    int32_t c = (x - 62) / kColumnStep;
    const int32_t yc = IsEven(c) ? y - kEvenDrop : y;
    int32_t r = int32_t(std::floor(double(yc - 52) / double(kRowStep)));
    const MapPoint centre = HexPosition(c, r);
    if (x < centre.x - kZigzag) {
        const double a = StretchedDistance(x, y, centre.x, centre.y);
        const bool below = y >= centre.y;
        const int32_t nx = centre.x - kColumnStep, ny = centre.y + (below ? kEvenDrop : -kEvenDrop);
        const double b = StretchedDistance(x, y, nx, ny);
        if (a > b) {
            if (below && IsEven(c)) ++r;
            if (!below && !IsEven(c)) --r;
            --c;
        }
    }
    if (c < 0 || c >= kMapColumns || r < 0 || r >= kMapRows) return -1;
    return kMapColumns * r + c;
}

int32_t LevelAt(const MapCellTable& cells, int32_t x, int32_t y) {
    const int32_t cell = CellAt(x, y);
    return cell < 0 ? -1 : cells[size_t(cell)];
}

MapPoint MapLayout::ToScreen(float x, float y) const {
    return {int32_t(std::lround(x * scale)) + xOffset, int32_t(std::lround(y * scale)) + yOffset};
}

MapPoint MapLayout::ToMap(int32_t x, int32_t y) const {
    return {int32_t(std::lround(float(x - xOffset) / scale)),
            int32_t(std::lround(float(y - yOffset) / scale))};
}

MapLayout LayoutMap(int32_t screenWidth, int32_t screenHeight) {
    MapLayout layout;
    if (screenHeight > 800 || screenHeight < kMapHeight) {
        layout.scale = float(screenHeight) / float(kMapHeight);
        layout.yOffset = 0;
    } else {
        layout.scale = 1.0f;
        layout.yOffset = (screenHeight - 766) / 2;
    }
    layout.xOffset = (screenWidth - int32_t(std::lround(kMapWidth * layout.scale))) / 2;
    return layout;
}

float ZoomedScale(float current, float layoutScale, int32_t wheelDelta, uint32_t modifier) {
    if (wheelDelta == 0 || (modifier != kZoomCtrl && modifier != kZoomShift)) return current;
    const float step = modifier == kZoomCtrl ? 0.01f : 0.1f;
    const float from = std::round(current * 100.0f) / 100.0f;
    float to = std::clamp(wheelDelta > 0 ? from - step : from + step, 0.5f, 1.5f);
    // A step across the layout scale stops on it.
    if ((from > layoutScale && to < layoutScale) || (from < layoutScale && to > layoutScale))
        to = layoutScale;
    return to;
}

MapLayout CentredLayout(int32_t screenWidth, int32_t screenHeight, float scale) {
    MapLayout layout;
    layout.scale = scale;
    layout.xOffset = (screenWidth - int32_t(std::lround(kMapWidth * scale))) / 2;
    layout.yOffset = (screenHeight - int32_t(std::lround(kMapHeight * scale))) / 2;
    return layout;
}
