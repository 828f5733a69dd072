#include "platform/Clock.h"
#include "platform/Random.h"

#include <gtest/gtest.h>

TEST(Random, FollowsTheGamesSequenceFromSeedOne) {
    platform::SeedRand(1);
    EXPECT_EQ(platform::Rand(), 41);
    EXPECT_EQ(platform::Rand(), 18467);
    EXPECT_EQ(platform::Rand(), 6334);
    platform::SeedRand(1);
    EXPECT_EQ(platform::Rand(), 41);
}

TEST(Random, StaysWithinFifteenBits) {
    platform::SeedRand(12345);
    for (int i = 0; i < 100000; ++i) {
        int v = platform::Rand();
        ASSERT_GE(v, 0);
        ASSERT_LE(v, platform::kRandMax);
    }
}

TEST(Clock, AdvancesBySleeps) {
    uint32_t start = platform::Milliseconds();
    platform::SleepMilliseconds(20);
    uint32_t elapsed = platform::Milliseconds() - start;
    EXPECT_GE(elapsed, 20u);
    EXPECT_LT(elapsed, 2000u);
    platform::LocalTime now = platform::Now();
    EXPECT_GE(now.year, 2000);
    EXPECT_GE(now.month, 1);
    EXPECT_LE(now.month, 12);
}
