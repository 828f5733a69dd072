#include "foundation/Streamer.h"
#include "foundation/ByteOrder.h"
#include "platform/Random.h"
#include "platform/Utf.h"
#include "tests/support/Damage.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

using namespace kis;

namespace {

constexpr uint32_t kMeta = 0x4D455441, kPics = 0x50494353, kName = 0x4E414D45, kData = 0x44415441;

// The little-endian word at a byte offset of a memory stream.
uint32_t WordAt(MemoryStream& m, int64_t offset) {
    return LoadLE32(m.Data() + offset);
}

// Writes a small tree: a name block at the root, a group holding a group
// with two blocks.
void WriteSample(StreamWriter& w) {
    EXPECT_TRUE(w.BeginBlock(kName, 1));
    EXPECT_TRUE(w.Write("farm", 4));
    EXPECT_TRUE(w.EndBlock());
    EXPECT_TRUE(w.BeginGroup(kMeta, 7));
    EXPECT_TRUE(w.BeginGroup(kPics, 0));
    EXPECT_TRUE(w.BeginBlock(kData, 1));
    EXPECT_TRUE(w.Write("abc", 3));
    EXPECT_TRUE(w.Write("de", 2));
    EXPECT_TRUE(w.EndBlock());
    EXPECT_TRUE(w.BeginBlock(kData, 2));
    EXPECT_TRUE(w.Write("", 0));
    EXPECT_TRUE(w.EndBlock());
    EXPECT_TRUE(w.EndGroup());
    EXPECT_TRUE(w.EndGroup());
}

std::string ReadBlock(StreamReader& r, uint32_t id, uint32_t subId) {
    if (!r.OpenBlock(id, subId)) return "<none>";
    std::string s(r.GetOpenBlock()->size, '\0');
    if (!r.Read(s.data(), uint32_t(s.size()))) return "<short>";
    r.CloseBlock();
    return s;
}

// A stream that accepts only so many bytes.
class ShortStream : public MemoryStream {
  public:
    explicit ShortStream(int64_t room) : room_(room) {}
    int64_t Write(const void* buffer, int64_t count) override {
        if (count > room_) count = room_;
        room_ -= count;
        return MemoryStream::Write(buffer, count);
    }

  private:
    int64_t room_;
};

} // namespace

TEST(Streamer, GroupsAndBlocksReadBackAsWritten) {
    MemoryWriter w;
    WriteSample(w);
    EXPECT_TRUE(w.Finish());
    EXPECT_TRUE(w.Finish()); // once only
    MemoryStream& m = w.GetMemory();

    EXPECT_EQ(WordAt(m, 0), Streamer::kSignature);
    EXPECT_EQ(WordAt(m, 12), Streamer::kTrailerGood);
    EXPECT_EQ(WordAt(m, 16), 20u + 9u); // the directory follows the 9 data bytes
    EXPECT_EQ(std::memcmp(m.Data() + 20, "farmabcde", 9), 0);
    // Root: one group, then the group's record, ..., then one block at the root.
    EXPECT_EQ(WordAt(m, 29), 1u);
    EXPECT_EQ(WordAt(m, 33), kMeta);
    EXPECT_EQ(WordAt(m, 41), 24u); // the group starts after the name block
    EXPECT_EQ(WordAt(m, 45), 5u);  // and holds five bytes
    EXPECT_EQ(m.Size(), 29 + 4 + (20 + 4 + (20 + 4 + 4 + 2 * 20) + 4) + 4 + 20);

    m.SeekTo(0);
    StreamReader r(&m);
    ASSERT_FALSE(r.Failed());
    EXPECT_EQ(ReadBlock(r, kName, kAnyStreamSubId), "farm");
    EXPECT_FALSE(r.HasBlock(kData, 1)); // not at the root
    EXPECT_TRUE(r.OpenGroup(kMeta, 7));
    EXPECT_TRUE(r.OpenGroup(kPics, kAnyStreamSubId));
    EXPECT_EQ(ReadBlock(r, kData, 2), "");
    EXPECT_EQ(ReadBlock(r, kData, 1), "abcde");
    EXPECT_TRUE(r.CloseGroup());
    EXPECT_TRUE(r.CloseGroup());
    EXPECT_EQ(r.GetCurrentGroup(), &r.GetRoot());
    EXPECT_FALSE(r.Failed());
}

TEST(Streamer, ReaderFailuresAreStickyAndReturnToTheRoot) {
    MemoryWriter w;
    WriteSample(w);
    ASSERT_TRUE(w.Finish());
    MemoryStream& m = w.GetMemory();
    m.SeekTo(0);
    StreamReader r(&m);
    ASSERT_TRUE(r.OpenGroup(kMeta, 7));
    ASSERT_TRUE(r.OpenGroup(kPics, 0));
    ASSERT_TRUE(r.OpenBlock(kData, 1));
    char buf[8];
    EXPECT_TRUE(r.Read(buf, 4));
    EXPECT_FALSE(r.Read(buf, 2)); // one byte is left
    EXPECT_TRUE(r.Failed());
    EXPECT_EQ(r.GetCurrentGroup(), &r.GetRoot());
    EXPECT_FALSE(r.OpenBlock(kName, 1)); // everything fails from now on
    EXPECT_EQ(r.GetOpenBlock(), nullptr);

    m.SeekTo(0);
    StreamReader missing(&m);
    EXPECT_FALSE(missing.OpenGroup(kPics, 0)); // only a grandchild
    EXPECT_TRUE(missing.Failed());

    m.SeekTo(0);
    StreamReader atRoot(&m);
    EXPECT_FALSE(atRoot.CloseGroup());
    EXPECT_FALSE(atRoot.CloseBlock());
}

TEST(Streamer, AWriterThatFailsCutsTheStreamBackToItsStart) {
    MemoryStream m;
    m.Write("prefix", 6);
    {
        StreamWriter w(&m);
        EXPECT_TRUE(w.BeginBlock(kName, 1));
        EXPECT_TRUE(w.Write("data", 4));
        // No EndBlock: finishing fails.
    }
    EXPECT_EQ(m.Size(), 6);

    {
        StreamWriter w(&m);
        EXPECT_FALSE(w.Write("x", 1)); // no block open
        EXPECT_TRUE(w.Failed());
        EXPECT_FALSE(w.BeginBlock(kName, 1));
        EXPECT_FALSE(w.Finish());
    }
    EXPECT_EQ(m.Size(), 6);

    {
        StreamWriter w(&m);
        EXPECT_TRUE(w.BeginGroup(kMeta, 0));
        EXPECT_FALSE(w.Finish()); // a group left open
    }
    EXPECT_EQ(m.Size(), 6);

    StreamWriter w(&m);
    EXPECT_FALSE(w.EndGroup()); // nothing to end at the root
    EXPECT_TRUE(w.Failed());
}

TEST(Streamer, AShortWriteFailsTheWriter) {
    ShortStream s(30);
    {
        StreamWriter w(&s);
        EXPECT_TRUE(w.BeginGroup(kMeta, 0));
        EXPECT_TRUE(w.BeginBlock(kData, 0));
        EXPECT_TRUE(w.Write("0123456789", 10));
        EXPECT_FALSE(w.Write("0123456789", 10)); // only 0 more fit
        EXPECT_EQ(w.GetCurrentGroup(), &w.GetRoot());
        EXPECT_FALSE(w.EndBlock());
    }
    EXPECT_EQ(s.Size(), 0);

    // The tree itself not fitting fails as well.
    ShortStream tight(20 + 5 + 8);
    StreamWriter w(&tight);
    EXPECT_TRUE(w.BeginBlock(kData, 0));
    EXPECT_TRUE(w.Write("01234", 5));
    EXPECT_TRUE(w.EndBlock());
    EXPECT_FALSE(w.Finish());
    EXPECT_EQ(tight.Size(), 0);
}

TEST(Streamer, DamagedStreamsAreRefused) {
    MemoryWriter w;
    WriteSample(w);
    ASSERT_TRUE(w.Finish());
    const MemoryStream& good = w.GetMemory();
    const std::string bytes(reinterpret_cast<const char*>(good.Data()), size_t(good.Size()));

    auto readerFails = [](std::string data) {
        MemoryStream m;
        m.Write(data.data(), int64_t(data.size()));
        m.SeekTo(0);
        StreamReader r(&m);
        return r.Failed();
    };
    auto patched = [&](size_t offset, uint32_t value) {
        std::string data = bytes;
        StoreLE32(reinterpret_cast<uint8_t*>(data.data()) + offset, value);
        return data;
    };
    EXPECT_FALSE(readerFails(bytes));
    EXPECT_TRUE(readerFails(patched(0, 0x12345678)));                // signature
    EXPECT_TRUE(readerFails(patched(12, Streamer::kTrailerFailed))); // unfinished
    EXPECT_TRUE(readerFails(patched(16, 0x7FFFFFF0)));               // directory beyond the end
    EXPECT_TRUE(readerFails(patched(29, 0x10000000)));               // more groups than bytes
    EXPECT_TRUE(readerFails(patched(41, 0x1000)));                   // group outside the data
    EXPECT_TRUE(readerFails(bytes.substr(0, bytes.size() - 4)));     // cut short
    EXPECT_TRUE(readerFails(""));

    StreamReader none(nullptr);
    EXPECT_TRUE(none.Failed());
}

// Random damage to a finished stream: the reader fails, or every block of
// its tree lies inside the stream's data and reads whole.
TEST(Streamer, DamagedAndRandomStreamsAreRefusedOrReadWithinBounds) {
    MemoryWriter w;
    WriteSample(w);
    ASSERT_TRUE(w.BeginGroup(kMeta, 8));
    ASSERT_TRUE(w.BeginBlock(kName, 3));
    ASSERT_TRUE(w.Write("barn and field", 14));
    ASSERT_TRUE(w.EndBlock());
    ASSERT_TRUE(w.EndGroup());
    ASSERT_TRUE(w.Finish());
    const std::string good(reinterpret_cast<const char*>(w.GetMemory().Data()), size_t(w.GetMemory().Size()));

    platform::SeedRand(20);
    int refused = 0, read = 0;
    testsupport::ForRounds(4000, 1500, [&](int round) {
        const std::string bytes = testsupport::Damage(good, round);
        MemoryStream m;
        m.Write(bytes.data(), int64_t(bytes.size()));
        m.SeekTo(0);
        StreamReader r(&m);
        if (r.Failed()) {
            ++refused;
            return;
        }
        ++read;
        std::function<void(const STREAMGROUP&, int)> walk = [&](const STREAMGROUP& group, int depth) {
            ASSERT_LE(depth, Streamer::kMaxDepth);
            for (int32_t b = 0; b < group.blocks.Count(); ++b) {
                const STREAMBLOCK* block = group.blocks.Get(b);
                EXPECT_LE(uint64_t{block->offset} + block->size, bytes.size());
                if (!r.OpenBlock(block->id, block->subId)) continue;
                std::string data(r.GetOpenBlock()->size, '\0');
                EXPECT_TRUE(r.Read(data.data(), uint32_t(data.size())));
                EXPECT_TRUE(r.CloseBlock());
            }
            for (int32_t g = 0; g < group.groups.Count(); ++g) {
                const STREAMGROUP* child = group.groups.Get(g);
                if (!r.OpenGroup(child->id, child->subId)) continue;
                walk(*r.GetCurrentGroup(), depth + 1);
                EXPECT_TRUE(r.CloseGroup());
            }
        };
        walk(r.GetRoot(), 0);
    });
    EXPECT_GT(refused, 0);
    EXPECT_GT(read, 0);
}

TEST(Streamer, FileWritersAndReadersOwnTheirFiles) {
    testsupport::TempDir dir;
    std::u16string path = platform::Utf8ToUtf16(dir.File("tree.bin"));
    {
        FileWriterW w(path.c_str());
        WriteSample(w);
    } // finished by the destructor
    FileReaderW r(path.c_str());
    ASSERT_FALSE(r.Failed());
    ASSERT_TRUE(r.OpenGroup(kMeta, 7));
    ASSERT_TRUE(r.OpenGroup(kPics, 0));
    EXPECT_EQ(ReadBlock(r, kData, 1), "abcde");

    FileReaderA missing(dir.File("none.bin").c_str());
    EXPECT_TRUE(missing.Failed());
}
