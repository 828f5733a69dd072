#include "level/SaveStream.h"
#include "level/Records.h"

#include <gtest/gtest.h>

namespace {

// A record with every kind of field a layout carries, gaps between them.
struct Part {
    uint32_t id;
    float share;
};
constexpr auto kPartLayout = kis::Layout(8, kis::Field<&Part::id>(0), kis::Field<&Part::share>(4));

struct Sample {
    int32_t count;
    std::array<int32_t, 2> pair;
    char16_t name[4];
    std::array<Part, 2> parts;
    float last;
};
// Bytes 0-3 hold a block's size word; 16-19 and 44-47 are gaps.
constexpr auto kSampleLayout = kis::Layout(
    52, kis::Field<&Sample::count>(4), kis::Field<&Sample::pair>(8), kis::Field<&Sample::name>(20),
    kis::Field<&Sample::parts, kPartLayout>(28), kis::Field<&Sample::last>(48));

const Sample kSample{-2, {7, -8}, u"abc", {{{9, 0.5f}, {10, -1.25f}}}, 3.0f};

uint32_t WordAt(const std::vector<uint8_t>& bytes, size_t offset) {
    return kis::LoadLE32(bytes.data() + offset);
}

} // namespace

// One layout puts every field little-endian at its offset, leaves the gaps
// zero and gives the same values back.
TEST(RecordLayout, WritesEachFieldAtItsOffsetAndReadsItBack) {
    SaveWriter out;
    ASSERT_TRUE(PutBlock(out, kSampleLayout, kSample));
    const std::vector<uint8_t> bytes = out.TakeBytes();
    ASSERT_EQ(bytes.size(), 52u);
    const struct {
        size_t offset;
        uint32_t word;
    } words[] = {
        {0, 52},           {4, 0xFFFFFFFEu},  {8, 7},
        {12, 0xFFFFFFF8u}, {16, 0},           {20, 0x00620061u},
        {24, 0x00000063u}, {28, 9},           {32, 0x3F000000u},
        {36, 10},          {40, 0xBFA00000u}, {44, 0},
        {48, 0x40400000u},
    };
    for (const auto& w : words)
        EXPECT_EQ(WordAt(bytes, w.offset), w.word) << "offset " << w.offset;

    SaveReader in(bytes);
    Sample back{};
    ASSERT_TRUE(GetBlock(in, kSampleLayout, &back));
    EXPECT_TRUE(in.AtEnd());
    EXPECT_EQ(back.count, kSample.count);
    EXPECT_EQ(back.pair, kSample.pair);
    EXPECT_EQ(std::u16string_view(back.name), u"abc");
    EXPECT_EQ(back.parts[1].id, 10u);
    EXPECT_EQ(back.parts[1].share, -1.25f);
    EXPECT_EQ(back.last, 3.0f);
}

// A name keeps room for its ending zero: a long one is cut, and bytes that
// hold no zero unit are refused while the other fields are still read.
TEST(RecordLayout, NamesAreCutOnWritingAndRefusedWithoutTheirEnd) {
    Sample longName = kSample;
    std::copy_n(u"wxyz", 4, longName.name);
    std::vector<uint8_t> bytes(52);
    kSampleLayout.Store(longName, bytes.data());
    EXPECT_EQ(WordAt(bytes, 24), 0x0079u) << "the fourth unit gives way to the zero";

    kis::StoreLE32(bytes.data() + 24, 0x007A0079u);
    Sample back{};
    EXPECT_FALSE(kSampleLayout.Load(bytes.data(), &back));
    EXPECT_EQ(back.last, 3.0f);
    SaveReader in(bytes);
    EXPECT_FALSE(GetRecord(in, kSampleLayout, &back));
    EXPECT_TRUE(in.Failed()) << "a refused field fails the stream";
}

// A block is taken only whole and only with its own size in its first word.
TEST(RecordLayout, BlocksOfAnotherSizeOrCutShortAreRefused) {
    SaveWriter out;
    ASSERT_TRUE(PutBlock(out, kSampleLayout, kSample));
    const std::vector<uint8_t> good = out.TakeBytes();
    for (uint32_t size : {48u, 56u, 0u}) {
        std::vector<uint8_t> bytes = good;
        bytes.resize(60);
        kis::StoreLE32(bytes.data(), size);
        SaveReader in(bytes);
        Sample back{};
        EXPECT_FALSE(GetBlock(in, kSampleLayout, &back)) << size;
        EXPECT_TRUE(in.Failed()) << size;
    }
    for (size_t cut : {0u, 4u, 51u}) {
        const std::span<const uint8_t> bytes(good.data(), cut);
        Sample back{};
        SaveReader block(bytes);
        EXPECT_FALSE(GetBlock(block, kSampleLayout, &back)) << cut;
        EXPECT_TRUE(block.Failed()) << cut;
        SaveReader record(bytes);
        EXPECT_FALSE(GetRecord(record, kSampleLayout, &back)) << cut;
        EXPECT_TRUE(record.Failed()) << cut;
    }
}

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
