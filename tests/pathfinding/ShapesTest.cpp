#include "pathfinding/Shapes.h"

#include "pathfinding/PathFinder.h"
#include "platform/Random.h"
#include "tests/support/Damage.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

using namespace shpf;

namespace {

struct PointCase {
    const char* what;
    _SHAPE shape;
    int32_t x, y;
    bool inside;
};

} // namespace

TEST(ShapeContainsPoint, EachKindOnAndOffItsEdges) {
    const _SHAPE rect = MakeRectangleShape(10, 20, 30, 40);
    const _SHAPE circle = MakeCircleShape(50, 50, 10);
    const _SHAPE ellipse = MakeEllipseShape(0, 0, 20, 5);
    const _SHAPE triangle = MakeTriangleShape({0, 0}, {20, 0}, {0, 10});
    const _SHAPE diamond = MakeQuadrangleShape({50, 10}, {90, 50}, {50, 90}, {10, 50});
    // An arrowhead pointing right: the fourth corner makes a notch on the left.
    const _SHAPE dart = MakeQuadrangleShape({0, 0}, {40, 20}, {0, 40}, {20, 20});
    const PointCase cases[] = {
        {"rect left edge", rect, 10, 25, true},
        {"rect top edge", rect, 15, 20, true},
        {"rect top-left corner", rect, 10, 20, true},
        {"rect right edge is outside", rect, 30, 25, false},
        {"rect bottom edge is outside", rect, 15, 40, false},
        {"rect last pixel", rect, 29, 39, true},
        {"rect left of it", rect, 9, 25, false},
        {"circle centre", circle, 50, 50, true},
        {"circle on outline", circle, 60, 50, true},
        {"circle on outline, up", circle, 50, 40, true},
        {"circle past outline", circle, 61, 50, false},
        {"circle 3-4-5 point on outline", circle, 56, 58, true},
        {"circle diagonal outside", circle, 58, 58, false},
        {"ellipse end of long axis", ellipse, 20, 0, true},
        {"ellipse end of short axis", ellipse, 0, -5, true},
        {"ellipse past short axis", ellipse, 0, 6, false},
        {"ellipse inside the circle of its long radius, outside it", ellipse, 10, 5, false},
        {"ellipse near its outline", ellipse, 16, 2, true},
        {"triangle corner", triangle, 20, 0, true},
        {"triangle on its slanted edge", triangle, 10, 5, true},
        {"triangle just past its slanted edge", triangle, 11, 5, false},
        {"triangle inside", triangle, 3, 3, true},
        {"triangle above", triangle, 5, -1, false},
        {"diamond centre", diamond, 50, 50, true},
        {"diamond on an edge", diamond, 30, 30, true},
        {"diamond corner", diamond, 90, 50, true},
        {"diamond outside a corner", diamond, 20, 20, false},
        {"diamond past its right corner", diamond, 91, 50, false},
        {"dart body", dart, 30, 20, true},
        {"dart notch is outside", dart, 10, 20, false},
        {"dart on the notch edge", dart, 10, 10, true},
        {"dart inner corner", dart, 20, 20, true},
    };
    for (const PointCase& c : cases)
        EXPECT_EQ(ShapeContainsPoint(&c.shape, c.x, c.y), c.inside) << c.what;
}

TEST(ShapeBounds, CoverExactlyThePixelsOfPolygonsAndReachOnePixelBeyondRoundShapes) {
    struct BoundsCase {
        const char* what;
        _SHAPE shape;
        ShapeRect bounds;
    };
    const BoundsCase cases[] = {
        {"rectangle", MakeRectangleShape(-5, 3, 7, 9), {-5, 3, 7, 9}},
        {"triangle", MakeTriangleShape({30, -4}, {-2, 10}, {12, 25}), {-2, -4, 31, 26}},
        // A square turned by 45 degrees (and one by a third of a right angle).
        {"rotated quadrangle", MakeQuadrangleShape({50, 10}, {90, 50}, {50, 90}, {10, 50}), {10, 10, 91, 91}},
        {"turned quadrangle", MakeQuadrangleShape({17, 0}, {27, 17}, {10, 27}, {0, 10}), {0, 0, 28, 28}},
        {"circle", MakeCircleShape(100, 200, 15), {84, 184, 116, 216}},
        {"ellipse", MakeEllipseShape(0, 0, 20, 5), {-21, -6, 21, 6}},
    };
    for (const BoundsCase& c : cases) {
        ShapeRect b{1, 2, 3, 4};
        ShapeBounds(&c.shape, &b);
        EXPECT_EQ(b.left, c.bounds.left) << c.what;
        EXPECT_EQ(b.top, c.bounds.top) << c.what;
        EXPECT_EQ(b.right, c.bounds.right) << c.what;
        EXPECT_EQ(b.bottom, c.bounds.bottom) << c.what;
        // Every contained pixel lies inside the bounds, and the polygons'
        // bounds are tight: each edge of them has a contained pixel.
        int64_t seen = 0;
        bool left = false, top = false, right = false, bottom = false;
        for (int32_t y = b.top - 3; y < b.bottom + 3; ++y)
            for (int32_t x = b.left - 3; x < b.right + 3; ++x) {
                if (!ShapeContainsPoint(&c.shape, x, y)) continue;
                ++seen;
                EXPECT_TRUE(x >= b.left && x < b.right && y >= b.top && y < b.bottom) << c.what;
                left |= x == b.left;
                top |= y == b.top;
                right |= x == b.right - 1;
                bottom |= y == b.bottom - 1;
            }
        EXPECT_GT(seen, 0) << c.what;
        if (c.shape.kind != kShapeCircle && c.shape.kind != kShapeEllipse) {
            EXPECT_TRUE(left && top && right && bottom) << c.what;
        }
    }
}

TEST(ShapeRecords, DegenerateOnesAreEmptyAndUnknownKindsAreRefused) {
    const _SHAPE empties[] = {
        MakeRectangleShape(10, 10, 10, 20),
        MakeRectangleShape(10, 30, 20, 10),
        MakeCircleShape(5, 5, 0),
        MakeCircleShape(5, 5, -3),
        MakeEllipseShape(5, 5, 4, 0),
        MakeEllipseShape(5, 5, 0, 4),
        MakeTriangleShape({0, 0}, {10, 10}, {20, 20}),
        MakeTriangleShape({3, 3}, {3, 3}, {3, 3}),
        MakeQuadrangleShape({0, 0}, {0, 0}, {5, 0}, {9, 0}),
    };
    for (const _SHAPE& s : empties) {
        EXPECT_TRUE(ShapeIsEmpty(s)) << s.kind;
        ShapeRect b{1, 1, 9, 9};
        ShapeBounds(&s, &b);
        EXPECT_TRUE(b.Empty()) << s.kind;
        for (int32_t y = -2; y < 25; ++y)
            for (int32_t x = -2; x < 25; ++x)
                ASSERT_FALSE(ShapeContainsPoint(&s, x, y)) << s.kind;
    }
    // Two corners on one spot do not make a quadrangle with area empty.
    const _SHAPE folded = MakeQuadrangleShape({0, 0}, {0, 0}, {10, 0}, {0, 10});
    EXPECT_FALSE(ShapeIsEmpty(folded));
    EXPECT_TRUE(ShapeContainsPoint(&folded, 2, 2));

    uint8_t bytes[32] = {};
    bytes[0] = 5;
    _SHAPE out = MakeCircleShape(1, 2, 3);
    EXPECT_FALSE(ReadShape(bytes, sizeof(bytes), &out));
    EXPECT_EQ(out.kind, kShapeCircle) << "a refused record leaves the old one";
    bytes[0] = 0;
    bytes[3] = 0x80; // a kind read as a huge u32, not a small negative number
    EXPECT_FALSE(ReadShape(bytes, sizeof(bytes), &out));
    bytes[3] = 0;
    EXPECT_FALSE(ReadShape(bytes, 31, &out));
    EXPECT_FALSE(ReadShape(nullptr, 32, &out));
    _SHAPE unknown{};
    unknown.kind = 9;
    EXPECT_TRUE(ShapeIsEmpty(unknown));
    EXPECT_FALSE(ShapeContainsPoint(&unknown, 0, 0));
    EXPECT_FALSE(ShapeContainsPoint(nullptr, 0, 0));
}

TEST(ShapeRecords, KeepTheirLittleEndianLayout) {
    const uint8_t bytes[32] = {3,    0,    0,    0,    // triangle
                               0xF6, 0xFF, 0x14, 0x00, // (-10, 20)
                               0x2C, 0x01, 0x9C, 0xFF, // (300, -100)
                               0x00, 0x80, 0xFF, 0x7F, // (-32768, 32767)
                               0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA,
                               0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA};
    _SHAPE s{};
    ASSERT_TRUE(ReadShape(bytes, sizeof(bytes), &s));
    EXPECT_EQ(s.kind, kShapeTriangle);
    EXPECT_EQ(ShapePointAt(s, 0).x, -10);
    EXPECT_EQ(ShapePointAt(s, 0).y, 20);
    EXPECT_EQ(ShapePointAt(s, 1).x, 300);
    EXPECT_EQ(ShapePointAt(s, 1).y, -100);
    EXPECT_EQ(ShapePointAt(s, 2).x, -32768);
    EXPECT_EQ(ShapePointAt(s, 2).y, 32767);
    uint8_t back[32];
    WriteShape(s, back);
    EXPECT_EQ(std::memcmp(back, bytes, 32), 0) << "unread bytes are kept as they were";

    const _SHAPE rect = MakeRectangleShape(-1, 2, 0x01020304, -0x01020304);
    uint8_t written[32];
    WriteShape(rect, written);
    const uint8_t expected[20] = {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 2,    0,
                                  0, 0, 4, 3, 2,    1,    0xFC, 0xFC, 0xFD, 0xFE};
    EXPECT_EQ(std::memcmp(written, expected, sizeof(expected)), 0);
}

TEST(ShapeContainsPoint, ExtremeValuesNeitherWrapNorOverflow) {
    // With 64-bit sums these squares wrap and the far point reads as inside.
    const _SHAPE huge = MakeCircleShape(INT32_MIN, INT32_MIN, INT32_MAX);
    EXPECT_FALSE(ShapeContainsPoint(&huge, INT32_MAX, INT32_MAX));
    EXPECT_TRUE(ShapeContainsPoint(&huge, -1, INT32_MIN));
    EXPECT_FALSE(ShapeContainsPoint(&huge, 0, INT32_MIN));
    const _SHAPE wide = MakeEllipseShape(0, 0, INT32_MAX, INT32_MAX);
    EXPECT_TRUE(ShapeContainsPoint(&wide, INT32_MAX, 0));
    EXPECT_TRUE(ShapeContainsPoint(&wide, INT32_MIN + 1, 0));
    EXPECT_FALSE(ShapeContainsPoint(&wide, INT32_MIN, 0));
    EXPECT_FALSE(ShapeContainsPoint(&wide, INT32_MAX, INT32_MAX));
    ShapeRect b;
    ShapeBounds(&wide, &b);
    EXPECT_EQ(b.left, INT32_MIN);
    EXPECT_EQ(b.right, INT32_MAX);
    const _SHAPE tri = MakeTriangleShape({-32768, -32768}, {32767, -32768}, {0, 32767});
    EXPECT_FALSE(ShapeContainsPoint(&tri, INT32_MAX, 0));
    EXPECT_FALSE(ShapeContainsPoint(&tri, INT32_MIN, INT32_MIN));
    EXPECT_TRUE(ShapeContainsPoint(&tri, 0, 0));
}

// Damaged records: each is refused, or read as a shape whose bounds hold
// every pixel it contains and whose pixels all land in the grid's areas.
TEST(ShapeRecords, DamagedRecordsAreRefusedOrReadWithinTheirBounds) {
    const _SHAPE goods[] = {MakeRectangleShape(3, 4, 40, 50), MakeCircleShape(30, 30, 12),
                            MakeEllipseShape(20, 40, 30, 6), MakeTriangleShape({1, 2}, {60, 9}, {30, 63}),
                            MakeQuadrangleShape({32, 0}, {63, 32}, {32, 63}, {0, 32})};
    platform::SeedRand(18);
    const uint32_t clearances[] = {0, 3};
    int accepted = 0;
    const int rounds = testsupport::ForRounds(600, 3000, [&](int round) {
        std::string good(32, '\0');
        WriteShape(goods[round % 5], reinterpret_cast<uint8_t*>(good.data()));
        const std::string bad = testsupport::Damage(good, round);
        _SHAPE shape{};
        if (!ReadShape(reinterpret_cast<const uint8_t*>(bad.data()), bad.size(), &shape)) return;
        ++accepted;
        ASSERT_LT(shape.kind, kShapeKindCount);
        ShapeRect b;
        ShapeBounds(&shape, &b);
        PathFinder finder(64, 64, clearances);
        finder.SetLevelShapes({&shape, 1});
        const _SHAPEGRID* grid = finder.GetGrid(0);
        for (int32_t y = 0; y < 64; ++y)
            for (int32_t x = 0; x < 64; ++x) {
                if (!ShapeContainsPoint(&shape, x, y)) continue;
                ASSERT_TRUE(x >= b.left && x < b.right && y >= b.top && y < b.bottom) << round;
                ASSERT_NE(PathFinder::GetGridCell(grid, x, y), nullptr) << round;
            }
        std::vector<_PATHPOINT> route;
        finder.FindRoute(0, 0, 63, 63, 1, &route);
        ASSERT_FALSE(route.empty());
    });
    EXPECT_GT(rounds, 50);
    EXPECT_GT(accepted, 10);
}
