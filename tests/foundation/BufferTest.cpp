#include "foundation/Buffer.h"

#include <gtest/gtest.h>

// Resize keeps the block when the text shrinks and grows it in steps of 1,024
// characters after the first, exact allocation; the text is always terminated.
TEST(Buffer, ResizeGrowsInStepsAndNeverShrinks) {
    kis::Buffer buffer;
    ASSERT_TRUE(buffer.Resize(64, 2));
    EXPECT_EQ(buffer.Capacity(), 65u * 2);
    buffer.As<char16_t>()[0] = u'x';
    ASSERT_TRUE(buffer.Resize(0, 2));
    EXPECT_EQ(buffer.Capacity(), 65u * 2);
    EXPECT_EQ(buffer.Length(), 0u);
    EXPECT_EQ(buffer.As<char16_t>()[0], 0);

    ASSERT_TRUE(buffer.Resize(65, 2));
    EXPECT_EQ(buffer.Capacity(), 1024u * 2);
    ASSERT_TRUE(buffer.Resize(1024, 2)); // the terminator needs one more place
    EXPECT_EQ(buffer.Capacity(), 2048u * 2);
    EXPECT_EQ(buffer.As<char16_t>()[1024], 0);
    ASSERT_TRUE(buffer.Resize(1023, 2));
    EXPECT_EQ(buffer.Capacity(), 2048u * 2);

    kis::Buffer narrow;
    ASSERT_TRUE(narrow.Resize(3000, 1));
    EXPECT_EQ(narrow.Capacity(), 3001u);
    ASSERT_TRUE(narrow.Resize(3001, 1));
    EXPECT_EQ(narrow.Capacity(), 3072u);
    EXPECT_FALSE(narrow.Resize(1, 4));
    EXPECT_FALSE(narrow.Resize(0xFFFFFFFF, 2));
    EXPECT_EQ(narrow.Length(), 3001u);
}
