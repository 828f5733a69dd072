#include "foundation/Vector2.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct Direction {
    float dx, dy, angle;
};

} // namespace

TEST(Vector2, PacksXFirst) {
    kis::Vector2 v = kis::MakeVector2(1.5f, -2.0f);
    EXPECT_EQ(v.x, 1.5f);
    EXPECT_EQ(v.y, -2.0f);
    kis::Vector2 w = kis::MakeVector2FromInt(-3, 7);
    EXPECT_EQ(w.x, -3.0f);
    EXPECT_EQ(w.y, 7.0f);
}

TEST(Angles, GrowClockwiseOnTheScreen) {
    for (const Direction& t : {Direction{0, 0, 0}, Direction{1, 0, 0}, Direction{0, 5, 90},
                               Direction{-1, 0, 180}, Direction{0, -5, 270}, Direction{-1, -1, 225},
                               Direction{1, 1, 45}, Direction{-1, 1, 135}, Direction{1, -1, 315}}) {
        EXPECT_NEAR(kis::AngleBetween(10, 20, 10 + t.dx, 20 + t.dy), t.angle, 1e-3f) << t.dx << "," << t.dy;
        EXPECT_NEAR(kis::VectorAngle({t.dx, t.dy}), t.angle, 1e-3f);
        EXPECT_NEAR(kis::AngleBetweenP({1, 1}, {1 + t.dx, 1 + t.dy}), t.angle, 1e-3f);
        EXPECT_NEAR(kis::AngleBetweenI(0, 0, int32_t(t.dx), int32_t(t.dy)), t.angle, 1e-3f);
    }
}

TEST(Angles, JustAboveTheXAxisIsZeroNot360) {
    // asin of a tiny negative ratio (1e-7) plus 360 rounds to exactly 360.
    float angle = kis::AngleBetween(0, 0, 1000.0f, -0.0001f);
    EXPECT_EQ(angle, 0.0f);
    float length = 0;
    kis::VectorToPolar({1000.0f, -0.0001f}, angle, length);
    EXPECT_EQ(angle, 0.0f);
    // A larger offset still gives an angle just below 360.
    angle = kis::AngleBetween(0, 0, 100.0f, -1.0f);
    EXPECT_GT(angle, 359.0f);
    EXPECT_LT(angle, 360.0f);
}

TEST(Angles, VectorToPolarKeepsTheVector) {
    kis::Vector2 v{3, -4};
    float angle = -1, length = -1;
    kis::VectorToPolar(v, angle, length);
    EXPECT_FLOAT_EQ(length, 5.0f);
    EXPECT_NEAR(angle, 360.0f - 53.130102f, 1e-3f);
    EXPECT_EQ(v.x, 3.0f);
    EXPECT_EQ(v.y, -4.0f);
    kis::VectorToPolar({0, 0}, angle, length);
    EXPECT_EQ(angle, 0.0f);
    EXPECT_EQ(length, 0.0f);
}

TEST(Distances, AreExactlyZeroForEqualPoints) {
    EXPECT_EQ(kis::Distance(2.5f, 3.5f, 2.5f, 3.5f), 0.0f);
    EXPECT_FLOAT_EQ(kis::Distance(1, 1, 4, 5), 5.0f);
    EXPECT_FLOAT_EQ(kis::DistanceI4(-1, -1, 2, 3), 5.0f);
    EXPECT_FLOAT_EQ(kis::DistanceI(0, 0, 6, 8), 10.0f);
    EXPECT_FLOAT_EQ(kis::PointDistance({0, 0}, {-6, 8}), 10.0f);
    EXPECT_FLOAT_EQ(kis::VectorLength(3, 4), 5.0f);
    EXPECT_FLOAT_EQ(kis::VectorLengthI(-5, 12), 13.0f);
    EXPECT_FLOAT_EQ(kis::VectorLengthP({8, 6}), 10.0f);
    EXPECT_EQ(kis::VectorLengthP({0, 0}), 0.0f);
}

TEST(Moving, AlongAnAngleAddsOrSets) {
    kis::Vector2 p{5, 5};
    kis::MoveByAngleF(p, 90, 10, false); // down the screen
    EXPECT_NEAR(p.x, 5.0f, 1e-5f);
    EXPECT_NEAR(p.y, 15.0f, 1e-5f);
    kis::MoveByAngleF(p, 180, 5, true);
    EXPECT_NEAR(p.x, -5.0f, 1e-5f);
    EXPECT_NEAR(p.y, 0.0f, 1e-5f);

    p = {1, 2};
    kis::MoveByAngle(p, 0, 3, 9, false); // angle 0: x only, exactly
    EXPECT_EQ(p.x, 4.0f);
    EXPECT_EQ(p.y, 2.0f);
    kis::MoveByAngle(p, 0, 3, 9, true);
    EXPECT_EQ(p.x, 3.0f);
    EXPECT_EQ(p.y, 0.0f);

    p = {1, 2};
    kis::MoveByAngle(p, 270, 4, 2, false); // separate radii
    EXPECT_NEAR(p.x, 1.0f, 1e-5f);
    EXPECT_NEAR(p.y, 0.0f, 1e-5f);

    p = {1, 2};
    kis::MoveByAngleF(p, 45, 0, false);
    EXPECT_EQ(p.x, 1.0f);
    EXPECT_EQ(p.y, 2.0f);
    kis::MoveByAngleF(p, 45, 0, true);
    EXPECT_EQ(p.x, 0.0f);
    EXPECT_EQ(p.y, 0.0f);
}

TEST(Ellipses, IncludeTheirBorderAndRejectTinyRadii) {
    EXPECT_TRUE(kis::PointInEllipse(13, 4, 10, 0, 5, 5)); // distance exactly 5
    EXPECT_FALSE(kis::PointInEllipse(14, 4, 10, 0, 5, 5));
    EXPECT_FALSE(kis::PointInEllipse(0, 0, 0, 0, 0.000001f, 5));
    EXPECT_FALSE(kis::PointInEllipse(0, 0, 0, 0, 5, -0.000001f));
    EXPECT_FALSE(kis::PointInEllipse(0, 0, 0, 0, std::nanf(""), 5));
    // A wide ellipse: rx 10, ry 2.
    EXPECT_TRUE(kis::PointInEllipse(10, 0, 0, 0, 10, 2));
    EXPECT_TRUE(kis::PointInEllipse(0, -2, 0, 0, 10, 2));
    EXPECT_FALSE(kis::PointInEllipse(0, 3, 0, 0, 10, 2));
    EXPECT_FALSE(kis::PointInEllipse(9, 1.5f, 0, 0, 10, 2));
    EXPECT_TRUE(kis::PointInEllipseP({-6, 1.5f}, {0, 0}, 10, 2));
    EXPECT_TRUE(kis::PointInEllipse(0, 0, 0, 0, -3, 3)); // negative radius is a magnitude
}

TEST(RectEdges, RaysFromTheCentreMeetTheEdge) {
    struct Case {
        float angle;
        int32_t x, y;
    };
    const kis::Rect rect{0, 0, 100, 50};
    for (const Case& t : {Case{0, 100, 25}, Case{90, 50, 50}, Case{180, 0, 25}, Case{270, 50, 0},
                          Case{45, 75, 50}, Case{-45, 75, 0}}) {
        kis::Point p{};
        kis::RectEdgePointAtAngle(rect, t.angle, p);
        EXPECT_EQ(p.x, t.x) << t.angle;
        EXPECT_EQ(p.y, t.y) << t.angle;
        kis::Point q{};
        kis::RectEdgePointAtAngleI(100, 50, 0, 0, t.angle, q); // reversed sides are normalised
        EXPECT_EQ(q.x, t.x) << t.angle;
        EXPECT_EQ(q.y, t.y) << t.angle;
    }
}

TEST(RectEdges, FloatFormAndRounding) {
    kis::Vector2 v{};
    kis::RectEdgePointAtAngleF(kis::Rect{10, 10, 30, 30}, 0, v);
    EXPECT_FLOAT_EQ(v.x, 30.0f);
    EXPECT_FLOAT_EQ(v.y, 20.0f);
    // An odd height puts the centre on a half: 24.5 rounds up to 25.
    kis::Point p{};
    kis::RectEdgePointAtAngle(kis::Rect{0, 0, 100, 49}, 0, p);
    EXPECT_EQ(p.x, 100);
    EXPECT_EQ(p.y, 25);
}

TEST(RectEdges, ZeroHeightGivesTheCentreForAFlatRay) {
    kis::Vector2 v{};
    kis::RectEdgePointAtAngleF(kis::Rect{0, 10, 40, 10}, 0, v);
    EXPECT_EQ(v.x, 20.0f);
    EXPECT_EQ(v.y, 10.0f);
    EXPECT_FALSE(std::isnan(v.x));
    // A steep ray through a zero-height rectangle still leaves through top/bottom.
    kis::RectEdgePointAtAngleF(kis::Rect{0, 10, 40, 10}, 90, v);
    EXPECT_NEAR(v.x, 20.0f, 1e-4f);
    EXPECT_EQ(v.y, 10.0f);
}
