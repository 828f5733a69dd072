#include "level/SaveStream.h"

#include <gtest/gtest.h>

// A read past the end returns null and every later read fails too, even one
// that would fit, so a loader can read a record and test once.
TEST(SaveReader, ReadPastTheEndIsStickyError) {
    const std::vector<uint8_t> bytes = {1, 0, 0, 0, 2, 0, 0, 0, 3};
    SaveReader in(bytes);
    EXPECT_EQ(in.ReadU32(), 1u);
    EXPECT_EQ(in.ReadPtr(6), nullptr);
    EXPECT_TRUE(in.Failed());
    EXPECT_EQ(in.ReadPtr(1), nullptr);
    EXPECT_EQ(in.ReadU32(), 0u);
    EXPECT_EQ(in.Remaining(), 0u);
}

// A block's size counts its own word; sizes under the minimum, over the
// maximum, below 4 or beyond the bytes left are refused and fail the parent.
TEST(SaveReader, BlockSizesAreChecked) {
    struct Case {
        uint32_t size;
        uint32_t min, max;
        bool ok;
    } cases[] = {
        {12, 12, 12, true},         {12, 4, 0xFFFFFFFF, true},          {8, 12, 0xFFFFFFFF, false},
        {16, 4, 12, false},         {0, 0, 0xFFFFFFFF, false},          {3, 0, 0xFFFFFFFF, false},
        {17, 4, 0xFFFFFFFF, false}, {0xFFFFFFFF, 4, 0xFFFFFFFF, false},
    };
    for (const Case& c : cases) {
        SaveWriter out;
        out.PutU32(c.size);
        out.PutU32(7);
        out.PutU32(8);
        out.PutU32(99); // after the block
        auto buffer = out.Finish();
        SaveReader in(buffer->Data());
        SaveReader block = in.ReadBlock(c.min, c.max);
        EXPECT_EQ(!block.Failed(), c.ok) << c.size;
        EXPECT_EQ(!in.Failed(), c.ok) << c.size;
        if (!c.ok) continue;
        EXPECT_EQ(block.ReadU32(), 7u);
        EXPECT_EQ(block.ReadU32(), 8u);
        EXPECT_TRUE(block.AtEnd());
        EXPECT_EQ(block.ReadU32(), 0u) << "a block reader stops at the block's end";
        EXPECT_EQ(in.ReadU32(), c.size == 12 ? 99u : 0u);
    }
}

// A block sized at its end holds everything written since its start; the
// writer refuses to grow past its limit and stays failed.
TEST(SaveWriter, BlocksAndLimit) {
    SaveWriter out;
    const size_t block = out.BeginBlock();
    out.PutU32(5);
    out.PutF32(1.5f);
    out.EndBlock(block);
    auto buffer = out.Finish();
    SaveReader in(buffer->Data());
    SaveReader inner = in.ReadBlock(12, 12);
    EXPECT_EQ(inner.ReadU32(), 5u);
    EXPECT_EQ(inner.ReadF32(), 1.5f);
    EXPECT_TRUE(in.AtEnd());

    SaveWriter big;
    EXPECT_NE(big.Alloc(SaveWriter::kMaxSize - 4), nullptr);
    EXPECT_NE(big.Alloc(4), nullptr);
    EXPECT_EQ(big.Alloc(1), nullptr);
    EXPECT_TRUE(big.Failed());
    EXPECT_EQ(big.Alloc(0), nullptr);
    EXPECT_FALSE(big.Finish()->HasData()) << "a failed stream gives an empty buffer";
}

// Release frees both blocks and can run again; the destructor runs it.
TEST(SaveBuffer, ReleaseFreesBothBlocksOnce) {
    SaveBuffer buffer({1, 2, 3});
    buffer.SecondBlock() = {4};
    EXPECT_TRUE(buffer.HasData());
    EXPECT_TRUE(buffer.HasSecond());
    buffer.Release();
    EXPECT_FALSE(buffer.HasData());
    EXPECT_FALSE(buffer.HasSecond());
    buffer.Release();
    EXPECT_TRUE(buffer.Data().empty());
}
