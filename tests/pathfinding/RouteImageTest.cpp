// A small field drawn to a PNG: the grown blocking areas, the obstacles and a
// route, then read back and checked pixel by pixel.
#include "pathfinding/PathFinder.h"

#include "platform/ImageDecode.h"
#include "platform/PngWriter.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <deque>

using namespace shpf;

namespace {

constexpr int kWidth = 200, kHeight = 150;
constexpr uint32_t kFree = 0xFFFFFFFF, kArea = 0xFFA0A0A0, kObstacle = 0xFF000000, kRoute = 0xFFFF0000,
                   kWaypoint = 0xFF0000FF;

struct Picture {
    std::vector<uint32_t> pixels = std::vector<uint32_t>(kWidth * kHeight, kFree);
    uint32_t& At(int x, int y) { return pixels[size_t(y) * kWidth + x]; }
};

int FloorDiv(int a, int b) {
    return a / b - (a % b != 0 && (a < 0) != (b < 0));
}

// Integer line from a to b, one pixel per step along the longer axis, the
// other coordinate rounded.
void DrawRun(Picture& picture, _PATHPOINT a, _PATHPOINT b) {
    const int dx = b.x - a.x, dy = b.y - a.y;
    const int steps = std::max({std::abs(dx), std::abs(dy), 1});
    for (int s = 0; s <= steps; ++s)
        picture.At(a.x + FloorDiv(2 * dx * s + steps, 2 * steps),
                   a.y + FloorDiv(2 * dy * s + steps, 2 * steps)) = kRoute;
}

} // namespace

TEST(RouteImage, TheDrawnFieldShowsTheRouteOnFreeGroundOnly) {
    const uint32_t clearances[] = {5};
    PathFinder finder(kWidth, kHeight, clearances);
    const std::vector<_SHAPE> shapes = {
        MakeRectangleShape(90, 0, 100, 110), // a wall with a gap below it
        MakeCircleShape(45, 40, 16),
        MakeTriangleShape({120, 20}, {170, 40}, {130, 80}),
        MakeEllipseShape(150, 125, 18, 7),
    };
    finder.SetLevelShapes(shapes);
    std::vector<_PATHPOINT> route;
    ASSERT_EQ(finder.FindRoute(20, 75, 185, 75, 0, &route), RouteStatus::Found);
    const _SHAPEGRID* grid = finder.GetGrid(0);

    Picture picture;
    int64_t areaPixels = 0;
    for (const _GRIDCELL& a : grid->areas)
        areaPixels += int64_t(a.right - a.left) * (a.bottom - a.top);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            if (PathFinder::GetGridCell(grid, x, y)) picture.At(x, y) = kArea;
            for (const _SHAPE& s : shapes)
                if (ShapeContainsPoint(&s, x, y)) picture.At(x, y) = kObstacle;
        }
    std::vector<uint32_t> ground = picture.pixels;
    for (size_t i = 0; i + 1 < route.size(); ++i)
        DrawRun(picture, route[i], route[i + 1]);
    for (const _PATHPOINT& p : route)
        picture.At(p.x, p.y) = kWaypoint;

    testsupport::TempDir dir;
    std::string error;
    ASSERT_TRUE(
        platform::WritePng(dir.File("field.png"), picture.pixels.data(), kWidth, kHeight, kWidth, &error))
        << error;
    const std::string png = testsupport::ReadFileBytes(dir.File("field.png"));
    platform::DecodedPicture decoded;
    ASSERT_TRUE(
        platform::DecodePicture(reinterpret_cast<const uint8_t*>(png.data()), png.size(), &decoded, &error))
        << error;
    ASSERT_EQ(decoded.width, kWidth);
    ASSERT_EQ(decoded.height, kHeight);
    ASSERT_EQ(decoded.pixels, picture.pixels) << "the file holds the picture as drawn";

    // The ground: every obstacle pixel lies in an area, the areas cover as
    // many pixels as they claim, and the clearance shows beside the wall.
    int64_t shaded = 0;
    for (uint32_t p : ground)
        shaded += p != kFree;
    EXPECT_EQ(shaded, areaPixels);
    EXPECT_EQ(ground[50 * kWidth + 95], kObstacle);
    EXPECT_EQ(ground[50 * kWidth + 85], kArea) << "5 pixels left of the wall";
    EXPECT_EQ(ground[50 * kWidth + 84], kFree) << "6 pixels left of the wall";
    EXPECT_EQ(ground[114 * kWidth + 95], kArea) << "5 pixels below the wall";
    EXPECT_EQ(ground[115 * kWidth + 95], kFree);
    EXPECT_EQ(ground[40 * kWidth + 45], kObstacle) << "the circle's centre";

    // The route: drawn on free ground only, one connected line from the
    // start to the goal, through the gap below the wall.
    int routePixels = 0, belowWall = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const uint32_t p = picture.At(x, y);
            if (p != kRoute && p != kWaypoint) continue;
            ++routePixels;
            EXPECT_EQ(ground[size_t(y) * kWidth + x], kFree) << x << "," << y;
            if (x >= 90 && x < 100) {
                EXPECT_GE(y, 115) << "only the gap lets the route past the wall";
                ++belowWall;
            }
        }
    EXPECT_GT(belowWall, 0);
    EXPECT_EQ(picture.At(20, 75), kWaypoint);
    EXPECT_EQ(picture.At(185, 75), kWaypoint);
    std::vector<uint8_t> reached(picture.pixels.size(), 0);
    std::deque<std::pair<int, int>> open{{20, 75}};
    reached[75 * kWidth + 20] = 1;
    int reachedCount = 0;
    while (!open.empty()) {
        auto [x, y] = open.front();
        open.pop_front();
        ++reachedCount;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                const int nx = x + dx, ny = y + dy;
                if (nx < 0 || ny < 0 || nx >= kWidth || ny >= kHeight || reached[size_t(ny) * kWidth + nx])
                    continue;
                const uint32_t p = picture.At(nx, ny);
                if (p != kRoute && p != kWaypoint) continue;
                reached[size_t(ny) * kWidth + nx] = 1;
                open.push_back({nx, ny});
            }
    }
    EXPECT_TRUE(reached[75 * kWidth + 185]) << "the line joins start and goal";
    EXPECT_EQ(reachedCount, routePixels) << "and nothing else is drawn";
}
