#include "sprites/FrameSequence.h"

#include <gtest/gtest.h>

TEST(FrameSequence, DurationCountsSwingingFramesTwiceButTheEnds) {
    struct Case {
        uint32_t mode;
        int32_t count;
        uint32_t frameTime, expected;
    };
    const Case cases[] = {
        {4, 5, 100, 800}, {0, 5, 100, 500}, {2, 5, 100, 500}, {4, 0, 100, 0},
        {0, 0, 100, 0},   {0, 5, 0, 0},     {3, -2, 100, 0},  {4, 1, 100, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GetFrameSequenceDuration(c.mode, c.count, c.frameTime), c.expected)
            << "mode " << c.mode << " count " << c.count;
}

TEST(FrameSequence, EachModePicksItsFrameFromTheElapsedTime) {
    struct Case {
        uint32_t mode;
        int32_t first, count;
        uint32_t frameTime, elapsed;
        int32_t expected;
    };
    const Case cases[] = {
        {4, 0, 4, 100, 450, 2},   // swinging: 0 1 2 3 2 1 | 0 ...; i = 4 gives 2
        {3, 0, 4, 100, 450, 3},   // looping backwards: 3 2 1 0 | 3
        {2, 0, 4, 100, 450, 0},   // looping: i mod 4
        {0, 0, 4, 100, 450, 3},   // once: stops on the last frame
        {1, 0, 4, 100, 450, 0},   // once backwards: stops on the first
        {1, 0, 4, 100, 150, 2},   // once backwards, second frame
        {4, 10, 4, 100, 550, 11}, // swinging, the offset of the first frame added
        {4, 0, 4, 100, 600, 0},   // swinging, a new period
        {2, 5, 3, 100, 0, 5},     // no time yet: the first frame
        {2, 5, 1, 100, 900, 5},   // one frame only
        {2, 5, 3, 0, 900, 5},     // still
        {7, 5, 3, 100, 250, 5},   // unknown mode
    };
    for (const Case& c : cases) {
        FrameSequence s;
        SetFrameSequence(&s, c.mode, c.first, c.count, c.frameTime, c.elapsed, -1);
        EXPECT_EQ(FrameSequenceFrameAt(&s, c.elapsed), c.expected)
            << "mode " << c.mode << " at " << c.elapsed;
        EXPECT_EQ(s.current, -1) << "FrameSequenceFrameAt stores nothing";
        EXPECT_EQ(GetFrameSequenceFrame(&s), c.expected);
        EXPECT_EQ(s.current, c.expected);
    }
}
