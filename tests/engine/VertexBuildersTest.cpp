// The rectangle and ellipse vertex builders: vertex order, the closing copy,
// what is left as the caller set it, and the ellipse's segment counts.
#include "engine/VertexBuilders.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using platform::ColouredVertex;
using platform::TexturedVertex;

TEST(VertexBuilders, RectanglesRunClockwiseFromTopLeftAndCloseOnRequest) {
    const float expected[5][2] = {{10, 20}, {110, 20}, {110, 70}, {10, 70}, {10, 20}};
    for (bool clearZ : {false, true}) {
        ColouredVertex v[6];
        for (ColouredVertex& x : v)
            x = {-1, -1, 0.5f, 0xFF00FF00};
        FillRectVertices(v, 10, 20, 110, 70, true, clearZ);
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(v[i].x, expected[i][0]) << i;
            EXPECT_EQ(v[i].y, expected[i][1]) << i;
            EXPECT_EQ(v[i].z, clearZ ? 0.0f : 0.5f) << i;
            EXPECT_EQ(v[i].colour, 0xFF00FF00u) << "colours stay the caller's";
        }
        EXPECT_EQ(v[5].x, -1.0f) << "nothing beyond the fifth";
    }
    ColouredVertex open[5];
    for (ColouredVertex& x : open)
        x = {-1, -1, 0.5f, 0};
    FillRectVertices(open, 10, 20, 110, 70, false, true);
    EXPECT_EQ(open[3].x, 10.0f);
    EXPECT_EQ(open[4].x, -1.0f) << "not closed: four vertices";
    EXPECT_EQ(open[4].z, 0.5f);

    TexturedVertex t[5];
    for (TexturedVertex& x : t)
        x = {0, 0, 0.25f, 0xFFFFFFFF, 0.5f, 0.75f};
    FillRectTexVertices(t, -5, -6, 7, 8, true, false);
    EXPECT_EQ(t[2].x, 7.0f);
    EXPECT_EQ(t[2].y, 8.0f);
    EXPECT_EQ(t[4].x, -5.0f);
    EXPECT_EQ(t[2].u, 0.5f);
    EXPECT_EQ(t[2].v, 0.75f);
    EXPECT_EQ(t[2].z, 0.25f);
}

TEST(VertexBuilders, EllipseSegmentCounts) {
    struct Case {
        float rx, ry;
        int32_t limit;
        bool fan;
        int32_t segment;
        uint32_t written;
    };
    const Case cases[] = {
        {10, 10, 32, true, 8, 10},    // n 8: centre, 8 ring points, the repeat
        {10, 10, 32, false, 8, 9},    //
        {100, 100, 32, true, 8, 32},  // n 79 cut to 30
        {100, 100, 31, false, 8, 31}, // n 79 cut to 30
        {1, 1, 5, true, 8, 10},       // a tiny ellipse gets 8 whatever the limit
        {40, 10, 200, false, 8, 33},  // the larger radius counts: n 32
        {10, 40, 200, false, 8, 33},  //
        {0, 0, 32, true, 8, 0},       // nothing to draw
        {10, 10, 32, true, 0, 0},     // no segment length: nothing
        {10, 10, 32, true, -4, 0},    //
        {100, 100, 2, true, 8, 0},    // no room for a ring
    };
    for (const Case& c : cases) {
        std::vector<ColouredVertex> v(256, ColouredVertex{-7, -7, 3, 1});
        const uint32_t n = FillEllipseVertices(v.data(), 50, 60, c.rx, c.ry, c.limit, c.fan, 0, c.segment);
        EXPECT_EQ(n, c.written) << c.rx << "," << c.ry << " limit " << c.limit << " fan " << c.fan;
        EXPECT_EQ(v[n].x, -7.0f) << "nothing written past the result";
        for (uint32_t i = 0; i < n; ++i) {
            EXPECT_EQ(v[i].z, 3.0f);
            EXPECT_EQ(v[i].colour, 1u) << "colour 0 leaves the caller's";
        }
    }
}

TEST(VertexBuilders, AnEllipseFanStartsAtTheCentreAndRunsClockwiseOnScreen) {
    ColouredVertex v[10] = {};
    ASSERT_EQ(FillEllipseVertices(v, 50, 60, 10, 10, 32, true, 0x40FFFFFF, 8), 10u);
    EXPECT_EQ(v[0].x, 50.0f);
    EXPECT_EQ(v[0].y, 60.0f);
    for (int i = 0; i < 8; ++i) {
        const double a = i * 45.0 * M_PI / 180.0;
        EXPECT_NEAR(v[1 + i].x, 50 + 10 * std::cos(a), 1e-4) << i;
        EXPECT_NEAR(v[1 + i].y, 60 + 10 * std::sin(a), 1e-4) << i;
    }
    EXPECT_NEAR(v[3].y, 70.0, 1e-4) << "90 degrees lies below the centre";
    EXPECT_EQ(v[9].x, v[1].x);
    EXPECT_EQ(v[9].y, v[1].y);
    for (const ColouredVertex& x : v)
        EXPECT_EQ(x.colour, 0x40FFFFFFu);

    ColouredVertex e[40] = {};
    ASSERT_EQ(FillEllipseVertices(e, 0, 0, 40, 10, 40, false, 0xFFFFFFFF, 8), 33u);
    EXPECT_NEAR(e[0].x, 40.0, 1e-4);
    EXPECT_NEAR(e[8].y, 10.0, 1e-4) << "a quarter round: the short radius";
}
