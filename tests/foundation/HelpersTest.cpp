#include "foundation/Helpers.h"

#include "platform/Random.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// The helpers draw from the game generator; each test starts it afresh.
class RandomHelpers : public ::testing::Test {
  protected:
    void SetUp() override { platform::SeedRand(1); }
};

// Seeds the generator so that the next two draws are 32767 and 32767. The
// generator's state has 2^32 values; both draws reach 32767 only for a few
// of them, so a search over the state is quick enough when targeted: the
// first draw's high 15 bits are fixed, only the low 16 bits vary.
bool SeedForTwoMaxDraws() {
    for (uint32_t low = 0; low < 0x10000; ++low) {
        for (uint32_t top = 0; top < 2; ++top) {
            uint32_t next = (top << 31) | (0x7FFFu << 16) | low; // state after draw 1
            uint32_t after = next * 214013u + 2531011u;
            if (((after >> 16) & 0x7FFF) != 0x7FFF) continue;
            // Invert state = prev * 214013 + 2531011 to find the seed.
            uint32_t inverse = 214013u;
            for (int i = 0; i < 5; ++i)
                inverse *= 2u - 214013u * inverse;
            platform::SeedRand((next - 2531011u) * inverse);
            return true;
        }
    }
    return false;
}

} // namespace

TEST_F(RandomHelpers, ScaleTheGameSequence) {
    // The first draws are 41, 18467, 6334, 26500.
    EXPECT_EQ(kis::Random(100), 0);         // 41 / 32768 * 100
    EXPECT_EQ(kis::Random(100), 56);        // 18467 / 32768 * 100
    EXPECT_EQ(kis::Random16(60000), 11597); // 6334 / 32768 * 60000
    EXPECT_EQ(kis::RandomByte(256), 207);   // 26500 / 32768 * 256
    platform::SeedRand(1);
    EXPECT_FLOAT_EQ(kis::RandomUnit(), 41.0f / 32767.0f);
    EXPECT_FLOAT_EQ(kis::RandomRange(10.0f, 20.0f), 10.0f + float(18467 / 32767.0) * 10.0f);
}

TEST_F(RandomHelpers, ZeroBoundsAndEqualEndsDrawNothing) {
    EXPECT_EQ(kis::Random(0), 0);
    EXPECT_EQ(kis::Random16(0), 0);
    EXPECT_EQ(kis::RandomWide(0), 0);
    EXPECT_EQ(kis::RandomRange(5.0f, 5.0f), 5.0f);
    EXPECT_EQ(kis::RandomBetween(-3, -3), -3);
    EXPECT_EQ(platform::Rand(), 41); // still the first value
}

TEST_F(RandomHelpers, SmallBoundsStayBelowTheBound) {
    for (int i = 0; i < 5000; ++i) {
        ASSERT_EQ(kis::Random(1), 0);
        int16_t r = kis::Random(7);
        ASSERT_GE(r, 0);
        ASSERT_LT(r, 7);
        ASSERT_LT(kis::Random16(3), 3);
        float u = kis::RandomUnit();
        ASSERT_GE(u, 0.0f);
        ASSERT_LE(u, 1.0f);
    }
}

TEST_F(RandomHelpers, WideUsesTwoDraws) {
    // (2 * 41 + 18467 / 16383.0) / 65536.0 * 50000 = 63.4...
    EXPECT_EQ(kis::RandomWide(50000), 63);
    EXPECT_EQ(platform::Rand(), 6334);
}

TEST_F(RandomHelpers, WideStaysBelowNWhenBothDrawsAreAtTheirMaximum) {
    ASSERT_TRUE(SeedForTwoMaxDraws());
    ASSERT_EQ(platform::Rand(), 32767);
    ASSERT_EQ(platform::Rand(), 32767);
    ASSERT_TRUE(SeedForTwoMaxDraws());
    EXPECT_EQ(kis::RandomWide(1000), 999);
    ASSERT_TRUE(SeedForTwoMaxDraws());
    EXPECT_EQ(kis::RandomWide(65535), 65534);
    ASSERT_TRUE(SeedForTwoMaxDraws());
    EXPECT_EQ(kis::RandomBetween(10, 20), 20); // the upper bound, not 21
    ASSERT_TRUE(SeedForTwoMaxDraws());
    EXPECT_EQ(kis::RandomBetween(20, 10), 20);
}

TEST_F(RandomHelpers, BetweenIncludesBothBoundsInEitherOrder) {
    bool sawLow = false, sawHigh = false;
    for (int i = 0; i < 2000; ++i) {
        int32_t v = kis::RandomBetween(4, -2);
        ASSERT_GE(v, -2);
        ASSERT_LE(v, 4);
        sawLow |= v == -2;
        sawHigh |= v == 4;
    }
    EXPECT_TRUE(sawLow);
    EXPECT_TRUE(sawHigh);
    // A range of exactly 65536 values wraps to 0 in 16 bits: the lower bound.
    EXPECT_EQ(kis::RandomBetween(100, 100 + 65535), 100);
}

TEST(Rounding, TruncatesTowardZeroFirst) {
    struct Case {
        float value;
        int32_t round, floor, ceil;
    };
    for (const Case& t :
         {Case{2.5f, 3, 2, 3}, Case{-2.5f, -2, -3, -2}, Case{-2.7f, -2, -3, -2}, Case{-1.7f, -1, -2, -1},
          Case{-0.4f, 0, -1, 0}, Case{2.1f, 2, 2, 3}, Case{2.0f, 2, 2, 2}, Case{0.49f, 0, 0, 1}}) {
        EXPECT_EQ(kis::Round(t.value), t.round) << t.value;
        EXPECT_EQ(kis::RoundD(double(t.value)), t.round) << t.value;
        EXPECT_EQ(kis::Floor(t.value), t.floor) << t.value;
        EXPECT_EQ(kis::Ceil(t.value), t.ceil) << t.value;
    }
}

TEST(Rounding, FractionsAndSigns) {
    EXPECT_FLOAT_EQ(kis::FracF(2.25f), 0.25f);
    EXPECT_FLOAT_EQ(kis::FracF(-2.25f), -0.25f);
    EXPECT_DOUBLE_EQ(kis::FracD(-7.5), -0.5);
    EXPECT_EQ(kis::SignF(3.0f), 1.0f);
    EXPECT_EQ(kis::SignF(-0.1f), -1.0f);
    EXPECT_EQ(kis::SignF(0.0f), 0.0f);
}

TEST(Rounding, NormalizeAngleStaysBelow360) {
    EXPECT_FLOAT_EQ(kis::NormalizeAngle(-30.0f), 330.0f);
    EXPECT_EQ(kis::NormalizeAngle(720.0f), 0.0f);
    EXPECT_EQ(kis::NormalizeAngle(360.0f), 0.0f);
    EXPECT_FLOAT_EQ(kis::NormalizeAngle(725.0f), 5.0f);
    EXPECT_FLOAT_EQ(kis::NormalizeAngle(-400.0f), 320.0f);
    // -1e-6 + 360 rounds to exactly 360 in single precision.
    EXPECT_EQ(kis::NormalizeAngle(-1e-6f), 0.0f);
    EXPECT_LT(kis::NormalizeAngle(-1e-4f), 360.0f);
}

TEST(Rectangles, ConstructionAndPointTests) {
    kis::Rect r = kis::MakeRectWH(10, 20, 30, 40);
    EXPECT_TRUE(kis::RectEquals(r, kis::MakeRect(10, 20, 40, 60)));
    kis::Rect s;
    kis::SetRectWH(s, 10, 20, 30, 40);
    EXPECT_TRUE(kis::RectEquals(r, s));
    kis::Set4(s, 1, 2, 3, 4);
    EXPECT_EQ(s.left, 1);
    EXPECT_EQ(s.bottom, 4);
    EXPECT_FALSE(kis::RectEquals(r, s));

    EXPECT_TRUE(kis::PtInRect(10, 20, r));
    EXPECT_TRUE(kis::PtInRect(39, 59, r));
    EXPECT_FALSE(kis::PtInRect(40, 30, r)); // right is exclusive
    EXPECT_FALSE(kis::PtInRect(20, 60, r)); // bottom is exclusive
    EXPECT_TRUE(kis::PtInRect(r, 39, 59));  // rectangle-first form
    EXPECT_FALSE(kis::PtInRect(r, 40, 59));
    EXPECT_FALSE(kis::PtInRect(r, 9, 20));
    EXPECT_FALSE(kis::PointInRect(9, 30, 10, 20, 40, 60));
    kis::ZeroRect(r);
    EXPECT_TRUE(kis::RectEquals(r, kis::Rect{0, 0, 0, 0}));
}

TEST(Rectangles, IntersectUnionInflateNormalize) {
    kis::Rect r{0, 0, 10, 10};
    kis::IntersectRect(r, kis::Rect{20, 20, 30, 30});
    EXPECT_TRUE(kis::RectEquals(r, kis::Rect{20, 20, 20, 20}));
    r = {0, 0, 10, 10};
    kis::IntersectRect(r, kis::Rect{5, -5, 15, 8});
    EXPECT_TRUE(kis::RectEquals(r, kis::Rect{5, 0, 10, 8}));

    kis::Rect u;
    kis::UnionRect(u, kis::Rect{0, 5, 10, 10}, kis::Rect{20, 0, 20, 0}); // the empty one counts
    EXPECT_TRUE(kis::RectEquals(u, kis::Rect{0, 0, 20, 10}));

    kis::InflateRect(u, 2);
    EXPECT_TRUE(kis::RectEquals(u, kis::Rect{-2, -2, 22, 12}));

    kis::Rect n;
    kis::NormalizeRect(n, kis::Rect{10, 5, 0, 20});
    EXPECT_TRUE(kis::RectEquals(n, kis::Rect{0, 5, 10, 20}));
    kis::NormalizeRect(n, n);
    EXPECT_TRUE(kis::RectEquals(n, kis::Rect{0, 5, 10, 20}));
}

TEST(NumericWrappers, SixtyFourBitPackingAndShifts) {
    EXPECT_EQ(kis::MakeInt64(0x89ABCDEFu, 0x01234567u), 0x0123456789ABCDEFull);
    EXPECT_EQ(kis::MakeInt64(uint32_t(-5), 0), 0xFFFFFFFBull);
    EXPECT_EQ(kis::Shl64(1, 0, 4), 16ull);
    EXPECT_EQ(kis::Shl64(0x80000000u, 0, 1), 0x100000000ull);
    EXPECT_EQ(kis::Shl64(1, 0, 36), 16ull); // n modulo 32
    EXPECT_EQ(kis::Shl64(1, 1, 32), 0x100000001ull);
}

TEST(NumericWrappers, FloatFormsAndSmallHelpers) {
    float s = 0, c = 0;
    kis::SinCos(0.5f, s, c);
    EXPECT_FLOAT_EQ(s, std::sin(0.5f));
    EXPECT_FLOAT_EQ(c, std::cos(0.5f));
    EXPECT_FLOAT_EQ(kis::SinF(0.5f), s);
    EXPECT_FLOAT_EQ(kis::CosF(0.5f), c);
    EXPECT_FLOAT_EQ(kis::AsinF(1.0f), 1.5707964f);
    EXPECT_FLOAT_EQ(kis::SqrtF(16.0f), 4.0f);
    EXPECT_EQ(kis::AbsF(-2.5f), 2.5f);
    EXPECT_EQ(kis::Abs(-7), 7);
    EXPECT_EQ(kis::Abs(7), 7);
    int32_t a = 1, b = 2;
    kis::Swap(a, b);
    EXPECT_EQ(a, 2);
    EXPECT_EQ(b, 1);
}

TEST(NumericWrappers, WithinDistanceIncludesTheLimit) {
    EXPECT_TRUE(kis::WithinDistance(0, 0, 3, 4, 5.0f));
    EXPECT_FALSE(kis::WithinDistance(0, 0, 3, 4, 4.99f));
    EXPECT_TRUE(kis::WithinDistance(2, 2, 2, 2, 0.0f));
}

// The shared accessor bodies reach the field they are given and no other.
TEST(NumericWrappers, SharedAccessorBodies) {
    struct Record {
        uint8_t flag = 3;
        uint8_t other = 4;
        uint32_t value = 0;
        float scale = 1.0f;
    } record;
    EXPECT_EQ(GetThis(&record), &record);
    EXPECT_EQ(GetByteField(&record, &Record::flag), 3);
    EXPECT_EQ(GetByteField(&record, &Record::other), 4);
    EXPECT_EQ(kis::SetValue(&record, &Record::value, 0xDEADBEEFu), &record);
    EXPECT_EQ(record.value, 0xDEADBEEFu);
    EXPECT_EQ(kis::SetValue(&record, &Record::scale, 2.5f), &record);
    EXPECT_EQ(record.scale, 2.5f);
    EXPECT_EQ(record.flag, 3);
}
