#include "foundation/Colour.h"
#include "foundation/Easing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace kis;

TEST(Colour, BlendsEveryChannelAndKeepsEndsExact) {
    EXPECT_EQ(LerpColor(0xFF000000u, 0x00FFFFFFu, 0.0f), 0xFF000000u);
    EXPECT_EQ(LerpColor(0xFF000000u, 0x00FFFFFFu, -2.0f), 0xFF000000u);
    EXPECT_EQ(LerpColor(0xFF000000u, 0x00FFFFFFu, 1.0f), 0x00FFFFFFu);
    EXPECT_EQ(LerpColor(0xFF000000u, 0x00FFFFFFu, 0.5f), 0x80808080u); // 127.5 rounds up
    EXPECT_EQ(LerpColor(0x10203040u, 0x10203040u, 0.3f), 0x10203040u);
    EXPECT_EQ(LerpColor(0x00000000u, 0x0000000Au, 0.25f), 0x00000003u); // 2.5 -> 3
    EXPECT_EQ(LerpColor(0x0000000Au, 0x00000000u, 0.25f), 0x00000008u); // 7.5 -> 8
    EXPECT_EQ(LerpColor(0x11223344u, 0xFFFFFFFFu, std::numeric_limits<float>::quiet_NaN()), 0x11223344u);

    EXPECT_EQ(LerpColorRGB(0x80000000u, 0x00FFFFFFu, 0.5f), 0x80808080u);
    EXPECT_EQ(LerpColorRGB(0x80000000u, 0x00FFFFFFu, 1.0f), 0x80FFFFFFu);
    EXPECT_EQ(LerpColorRGB(0x80000000u, 0x00FFFFFFu, 0.0f), 0x80000000u);
}

TEST(Easing, ReachesItsEndsAndFallsBackOutsideTheMove) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (int curve : {kEaseLinear, kEaseOut, kEaseIn}) {
        for (bool interpolate : {false, true}) {
            SCOPED_TRACE(::testing::Message() << "curve " << curve << " interpolate " << interpolate);
            // The ease-out table starts at the largest cosine whose sine rounds
            // to the top entry: the first step of the curve is already taken.
            EXPECT_NEAR(EaseValue(10, 20, -1, 500, 0, curve, interpolate), curve == kEaseOut ? 10.316 : 10,
                        1e-3);
            EXPECT_FLOAT_EQ(EaseValue(10, 20, -1, 500, 500, curve, interpolate), 20);
            EXPECT_FLOAT_EQ(EaseValue(10, 20, -1, 500, 500.5f, curve, interpolate), -1);
            EXPECT_FLOAT_EQ(EaseValue(10, 20, -1, 500, -0.001f, curve, interpolate), -1);
            EXPECT_FLOAT_EQ(EaseValue(10, 20, -1, 500, -1e30f, curve, interpolate), -1);
            EXPECT_FLOAT_EQ(EaseValue(10, 20, -1, 500, nan, curve, interpolate), -1);
            EXPECT_FLOAT_EQ(EaseValue(10, 20, -1, nan, 1, curve, interpolate), -1);
            EXPECT_FLOAT_EQ(EaseValue(10, 20, -1, 0, 0, curve, interpolate), -1);
            EXPECT_FLOAT_EQ(EaseValue(10, 20, -1, -5, -1, curve, interpolate), -1);
        }
    }
    EXPECT_FLOAT_EQ(EaseValue(10, 20, -1, 500, 100, 3, false), -1);
}

TEST(Easing, QuarterCirclesRiseFastOrStartFlat) {
    EXPECT_FLOAT_EQ(EaseValue(0, 100, -1, 1000, 250, kEaseLinear, false), 25);
    // Ease-out: sqrt(1 - (1 - p)^2); ease-in: 1 - sqrt(1 - p^2).
    for (float p : {0.1f, 0.25f, 0.5f, 0.9f}) {
        SCOPED_TRACE(p);
        float out = EaseValue(0, 1, -1, 1, p, kEaseOut, true);
        float in = EaseValue(0, 1, -1, 1, p, kEaseIn, true);
        EXPECT_NEAR(out, std::sqrt(1 - (1 - p) * (1 - p)), 0.01);
        EXPECT_NEAR(in, 1 - std::sqrt(1 - p * p), 0.01);
        EXPECT_GT(out, p);
        EXPECT_LT(in, p);
    }
    // Between two entries: interpolation blends, the plain look-up snaps.
    float zero = EaseValue(0, 1, -1, 1, 0, kEaseOut, false);
    float one = EaseValue(0, 1, -1, 1, 0.001f, kEaseOut, false);
    EXPECT_FLOAT_EQ(EaseValue(0, 1, -1, 1, 0.0004f, kEaseOut, false), zero);
    EXPECT_FLOAT_EQ(EaseValue(0, 1, -1, 1, 0.0006f, kEaseOut, false), one);
    EXPECT_NEAR(EaseValue(0, 1, -1, 1, 0.0004f, kEaseOut, true), zero + (one - zero) * 0.4f, 1e-5);
}
