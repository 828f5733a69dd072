#include "foundation/Stream.h"
#include "platform/Utf.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace kis;
using testsupport::TempDir;

TEST(FileStream, ReadsWritesAndSeeksAFile) {
    TempDir dir;
    std::u16string path = platform::Utf8ToUtf16(dir.File("s.bin"));
    FileStreamW stream(path.c_str(), kStreamCreate);
    ASSERT_TRUE(stream.IsOpen());
    EXPECT_TRUE(stream.WriteExact("0123456789", 10));
    EXPECT_EQ(stream.SeekTo(3), 3);
    EXPECT_EQ(stream.GetSize(), 10);
    EXPECT_EQ(stream.GetPosition(), 3); // GetSize leaves the position
    char buf[16] = {};
    EXPECT_EQ(stream.Read(buf, 16), 7);
    EXPECT_STREQ(buf, "3456789");
    EXPECT_FALSE(stream.ReadExact(buf, 1));
    EXPECT_EQ(stream.Seek(-4, 2), 6);
    EXPECT_EQ(stream.Seek(2, 1), 8);
    EXPECT_EQ(stream.SetSize(4), 1);
    EXPECT_EQ(stream.GetSize(), 4);
    EXPECT_EQ(stream.Seek(-1, 0), 0); // a failed seek gives 0
    // Positions are reported in 32 bits.
    EXPECT_EQ(stream.Seek(0x100000005LL, 0), 5);
}

TEST(FileStream, CreationModesFollowTheFileCall) {
    TempDir dir;
    std::u16string path = platform::Utf8ToUtf16(dir.File("c.bin"));
    const uint32_t rw = kStreamRead | kStreamWrite;
    {
        FileStreamW missing(path.c_str(), rw, kStreamOpenExisting);
        EXPECT_FALSE(missing.IsOpen());
        FileStreamW truncateMissing(path.c_str(), rw, kStreamTruncateExisting);
        EXPECT_FALSE(truncateMissing.IsOpen());
    }
    {
        FileStreamW made(path.c_str(), kStreamWrite, kStreamCreateNew);
        ASSERT_TRUE(made.IsOpen());
        EXPECT_TRUE(made.WriteExact("abcdef", 6));
    }
    FileStreamW again(path.c_str(), rw, kStreamCreateNew);
    EXPECT_FALSE(again.IsOpen()); // the file exists now
    {
        FileStreamW kept(path.c_str(), kStreamRead, kStreamOpenAlways);
        ASSERT_TRUE(kept.IsOpen());
        EXPECT_EQ(kept.GetSize(), 6);
    }
    {
        FileStreamW emptied(path.c_str(), rw, kStreamTruncateExisting);
        ASSERT_TRUE(emptied.IsOpen());
        EXPECT_EQ(emptied.GetSize(), 0);
        EXPECT_TRUE(emptied.WriteExact("xy", 2));
    }
    {
        FileStreamW recreated(path.c_str(), rw, kStreamCreateAlways);
        EXPECT_EQ(recreated.GetSize(), 0);
    }
    FileStreamW unknown(path.c_str(), rw, 9);
    EXPECT_FALSE(unknown.IsOpen());
    std::u16string fresh = platform::Utf8ToUtf16(dir.File("fresh.bin"));
    FileStreamW madeWhenMissing(fresh.c_str(), rw, kStreamOpenAlways);
    EXPECT_TRUE(madeWhenMissing.IsOpen());
}

TEST(FileStream, OpenModesFollowTheFileCalls) {
    TempDir dir;
    std::string path = dir.File("existing.txt");
    ASSERT_TRUE(testsupport::WriteFileBytes(path, "old content"));
    {
        FileStreamA reader(path.c_str(), kStreamRead | kStreamShareRead);
        ASSERT_TRUE(reader.IsOpen());
        EXPECT_EQ(reader.GetSize(), 11);
        EXPECT_EQ(reader.Write("x", 1), -1); // opened for reading only
    }
    {
        FileStreamA created(path.c_str(), kStreamCreate);
        EXPECT_TRUE(created.IsOpen());
        EXPECT_EQ(created.GetSize(), 0);
    }
    FileStreamA missing(dir.File("missing.txt").c_str(), kStreamRead | kStreamShareRead);
    EXPECT_FALSE(missing.IsOpen());
    char c;
    EXPECT_EQ(missing.Read(&c, 1), -1);
    HandleStream none;
    EXPECT_FALSE(none.IsOpen());
}

TEST(MemoryStream, GrowsInSteps) {
    MemoryStream stream;
    EXPECT_EQ(stream.Capacity(), 0);
    uint8_t byte = 7;
    EXPECT_EQ(stream.Write(&byte, 1), 1);
    EXPECT_EQ(stream.Capacity(), 8192);
    std::vector<uint8_t> block(8192, 0x11);
    EXPECT_EQ(stream.Write(block.data(), 8192), 8192);
    EXPECT_EQ(stream.Capacity(), 16384);
    EXPECT_EQ(stream.Size(), 8193);
    EXPECT_EQ(stream.GetSize(), 8193);
    EXPECT_EQ(stream.Data()[0], 7);
    EXPECT_EQ(stream.Data()[8192], 0x11);
}

TEST(MemoryStream, ReadsWithinItsSizeAndSeeksFreely) {
    MemoryStream stream;
    stream.Write("abcdef", 6);
    EXPECT_EQ(stream.SeekTo(0), 0);
    EXPECT_FALSE(stream.IsOpen()); // open means a block, a size and a position that are not 0
    stream.SeekTo(1);
    EXPECT_TRUE(stream.IsOpen());
    char buf[8] = {};
    EXPECT_EQ(stream.Read(buf, 3), 3);
    EXPECT_STREQ(buf, "bcd");
    EXPECT_EQ(stream.Read(buf, 100), 2);
    EXPECT_EQ(stream.Read(buf, 1), 0); // position equals size
    EXPECT_EQ(stream.GetPosition(), 6);
    EXPECT_EQ(stream.Seek(100, 0), 100);
    EXPECT_EQ(stream.Read(buf, 1), 0);
    EXPECT_EQ(stream.Seek(-2, 2), 4);
    EXPECT_EQ(stream.Seek(5, 9), 4); // unknown origin: unchanged
    stream.SeekTo(-3);
    EXPECT_EQ(stream.Read(buf, 1), 0);
    EXPECT_EQ(stream.Write("x", 1), 0);
}

TEST(MemoryStream, SetSizeMovesAPositionBeyondTheEnd) {
    MemoryStream stream;
    std::vector<uint8_t> block(200, 0xAA);
    stream.Write(block.data(), 200);
    stream.SeekTo(100);
    EXPECT_EQ(stream.SetSize(10), 1);
    EXPECT_EQ(stream.Size(), 10);
    EXPECT_EQ(stream.GetPosition(), 10);
    EXPECT_EQ(stream.Capacity(), 8192);
    EXPECT_EQ(stream.SetSize(20), 1); // grown bytes are zero, not the old content
    for (int i = 10; i < 20; ++i)
        EXPECT_EQ(stream.Data()[i], 0) << i;
    EXPECT_EQ(stream.SetSize(0), 1);
    EXPECT_EQ(stream.Capacity(), 0);
    EXPECT_EQ(stream.Data(), nullptr);
}

TEST(MemoryStream, BadCountsAndGapsAreHandledSafely) {
    MemoryStream stream;
    std::vector<uint8_t> junk(300, 0xAA);
    stream.Write(junk.data(), 300);
    stream.SetSize(10); // the block still holds 0xAA beyond the size
    char buf[4];
    stream.SeekTo(0);
    EXPECT_EQ(stream.Read(buf, -1), 0);
    EXPECT_EQ(stream.GetPosition(), 0);
    EXPECT_EQ(stream.Write(buf, -5), 0);
    EXPECT_EQ(stream.Size(), 10);
    // Writing past the end fills the gap with zeros.
    stream.SeekTo(50);
    EXPECT_EQ(stream.Write("Z", 1), 1);
    EXPECT_EQ(stream.Size(), 51);
    for (int i = 10; i < 50; ++i)
        ASSERT_EQ(stream.Data()[i], 0) << i;
    EXPECT_EQ(stream.Data()[50], 'Z');
    EXPECT_EQ(stream.Data()[9], 0xAA);
}
