#include "foundation/DataFile.h"
#include "foundation/ByteOrder.h"
#include "foundation/Ident.h"
#include "platform/Clock.h"
#include "platform/Random.h"
#include "platform/Utf.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace kis;
using testsupport::ReadFileBytes;
using testsupport::TempDir;
using testsupport::WriteFileBytes;

namespace {

constexpr uint32_t kType = 0x73DA7BBB; // the settings file's kind
constexpr uint32_t kVersion = 0xC04F19F1;
constexpr uint32_t kCNST = 0x434E5354; // 'CNST'
constexpr uint32_t kSPRT = 0x53505254; // 'SPRT'

std::u16string U16(const std::string& path) {
    return platform::Utf8ToUtf16(path);
}

using Reader = DataFileReaderPtr;
using Writer = DataFileWriterPtr;

Reader OpenReader(const std::string& path, uint32_t dataVersion = 1, uint32_t type = kType) {
    return Reader(OpenDataFileForRead(U16(path).c_str(), type, kVersion, dataVersion));
}

Writer OpenWriter(const std::string& path, bool backup = false, uint32_t dataVersion = 1) {
    return Writer(OpenDataFileForWrite(U16(path).c_str(), kType, kVersion, dataVersion, backup));
}

std::string Bytes(std::initializer_list<uint32_t> words) {
    std::string out;
    for (uint32_t w : words) {
        uint8_t b[4];
        StoreLE32(b, w);
        out.append(reinterpret_cast<char*>(b), 4);
    }
    return out;
}

uint32_t CountsCrc(uint32_t children, uint32_t entries) {
    uint8_t b[8];
    StoreLE32(b, children);
    StoreLE32(b + 4, entries);
    return Crc32(b, 8, 0, 0);
}

std::vector<uint8_t> Pattern(size_t n, uint8_t seed) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = static_cast<uint8_t>(seed + i * 7);
    return v;
}

bool WriteChunk(BaseDataFile& file, uint32_t id, uint32_t subId, const std::vector<uint8_t>& bytes) {
    return file.BeginChunk(id, subId) && file.Write(bytes.data(), uint32_t(bytes.size())) && file.EndChunk();
}

// A pack with two nodes, one nested, and chunks at every level.
void WritePack(const std::string& path) {
    DataFileWriterW writer(kType, kVersion, 1);
    ASSERT_TRUE(writer.Open(U16(path).c_str(), false));
    ASSERT_TRUE(WriteChunk(writer, kCNST, 1, Pattern(6, 1)));
    DataFileNode* sprites = writer.GetCurrentNode()->AddChild(kSPRT, 7);
    ASSERT_TRUE(writer.EnterNode(sprites));
    ASSERT_TRUE(WriteChunk(writer, kCNST, 2, Pattern(40, 2)));
    ASSERT_TRUE(writer.EnterNode(sprites->AddChild(kSPRT, 8)));
    ASSERT_TRUE(WriteChunk(writer, 0x41424344, 0x80000003, Pattern(300, 3)));
    ASSERT_TRUE(writer.CloseNode());
    ASSERT_TRUE(writer.CloseNode());
    ASSERT_TRUE(WriteChunk(writer, kCNST, 3, {}));
    ASSERT_TRUE(writer.Close());
}

} // namespace

TEST(DataFile, AnEmptyFileIsExactlyThirtyTwoBytes) {
    TempDir dir;
    Writer writer = OpenWriter(dir.File("empty.dat"));
    ASSERT_TRUE(writer);
    EXPECT_TRUE(writer->Close());
    EXPECT_EQ(writer->GetState(), BaseDataFile::kStateClosed);
    EXPECT_EQ(ReadFileBytes(dir.File("empty.dat")), Bytes({kType, kVersion, 16, 1, 20, 0, 0, 0x6522DF69}));
    Reader reader = OpenReader(dir.File("empty.dat"));
    ASSERT_TRUE(reader);
    EXPECT_FALSE(reader->HasChunk(kCNST, kAnySubId));
}

TEST(DataFile, ChunksReadBackByteForByte) {
    TempDir dir;
    std::string path = dir.File("chunks.dat");
    std::vector<std::vector<uint8_t>> chunks;
    {
        Writer writer = OpenWriter(path);
        ASSERT_TRUE(writer);
        for (uint32_t i = 0; i < 40; ++i) { // more than the first growth steps of an entry array
            chunks.push_back(Pattern(i * 13 % 97, uint8_t(i)));
            ASSERT_TRUE(writer->BeginChunk(kCNST, i));
            // Written in two pieces with a running check value.
            uint32_t crc = 0;
            size_t half = chunks.back().size() / 2;
            ASSERT_TRUE(writer->WriteCrc(chunks.back().data(), uint32_t(half), &crc));
            ASSERT_TRUE(
                writer->WriteCrc(chunks.back().data() + half, uint32_t(chunks.back().size() - half), &crc));
            EXPECT_EQ(crc, Crc32(chunks.back().data(), uint32_t(chunks.back().size()), 0, 0));
            ASSERT_TRUE(writer->EndChunk());
        }
        EXPECT_TRUE(CloseDataFile(writer.release()));
    }
    Reader reader = OpenReader(path);
    ASSERT_TRUE(reader);
    EXPECT_EQ(std::u16string(reader->GetFileName()), U16(path));
    int64_t expectedOffset = 20;
    for (uint32_t i = 40; i-- > 0;) { // any order
        ASSERT_TRUE(reader->OpenChunk(kCNST, i));
        const DataFileEntry* entry = reader->GetOpenChunk();
        EXPECT_EQ(entry->size, chunks[i].size());
        std::vector<uint8_t> got(chunks[i].size());
        ASSERT_TRUE(reader->ReadVerified(got.data(), uint32_t(got.size()),
                                         Crc32(chunks[i].data(), uint32_t(chunks[i].size()), 0, 0)));
        EXPECT_EQ(got, chunks[i]);
        ASSERT_TRUE(reader->CloseChunk());
    }
    for (uint32_t i = 0; i < 40; ++i) { // chunks lie one after another from offset 20
        ASSERT_TRUE(reader->OpenChunk(kCNST, i));
        EXPECT_EQ(reader->GetOpenChunk()->offset, expectedOffset);
        expectedOffset += chunks[i].size();
        ASSERT_TRUE(reader->CloseChunk());
    }
    EXPECT_TRUE(reader->Close());
}

TEST(DataFile, LookupsNavigationAndPositions) {
    TempDir dir;
    std::string path = dir.File("pack.dat");
    WritePack(path);
    Reader reader = OpenReader(path);
    ASSERT_TRUE(reader);
    ASSERT_EQ(reader->GetRoot().children.size(), 1u);
    EXPECT_EQ(reader->GetRoot().entries.size(), 2u);

    // Sub-id -1 finds the first chunk of the id whatever its sub-id.
    EXPECT_EQ(reader->ChunkBytesLeft(), 0u) << "no chunk open";
    ASSERT_TRUE(reader->OpenChunk(kCNST, kAnySubId));
    EXPECT_EQ(reader->GetOpenChunk()->subId, 1u);
    EXPECT_EQ(reader->ChunkBytesLeft(), 6u);
    uint8_t buf[300];
    ASSERT_TRUE(reader->Read(buf, 2));
    EXPECT_EQ(reader->GetChunkPos(), 2);
    EXPECT_EQ(reader->ChunkBytesLeft(), 4u);
    EXPECT_EQ(reader->Tell(), 22);
    ASSERT_TRUE(reader->OpenChunk(kCNST, 1)); // the open chunk again: position kept
    EXPECT_EQ(reader->GetChunkPos(), 2);
    ASSERT_TRUE(reader->SeekInChunk(5));
    uint32_t crc = 0;
    ASSERT_TRUE(reader->ReadCrc(buf, 1, &crc));
    EXPECT_EQ(reader->ChunkBytesLeft(), 0u) << "read to its end";
    EXPECT_EQ(buf[0], Pattern(6, 1)[5]);
    EXPECT_EQ(crc, Crc32(buf, 1, 0, 0));
    EXPECT_TRUE(reader->Read(buf, 0));
    EXPECT_FALSE(reader->OpenNode(kSPRT, 7)); // a chunk is open: entering fails the file
    EXPECT_FALSE(reader->IsGood());

    reader = OpenReader(path);
    EXPECT_TRUE(reader->HasChunk(kCNST, 3));
    EXPECT_FALSE(reader->HasChunk(kCNST, 2)); // in the node, not the root
    ASSERT_TRUE(reader->OpenNode(kSPRT, kAnySubId));
    ASSERT_TRUE(reader->OpenChunk(kCNST, 2));
    ASSERT_TRUE(reader->Read(buf, 40));
    EXPECT_EQ(std::vector<uint8_t>(buf, buf + 40), Pattern(40, 2));
    ASSERT_TRUE(reader->CloseChunk());
    ASSERT_TRUE(reader->OpenNode(kSPRT, 8));
    ASSERT_TRUE(reader->OpenChunk(0x41424344, 0x80000003));
    const DataFileEntry* kept = reader->GetOpenChunk();
    ASSERT_TRUE(reader->CloseChunk());
    ASSERT_TRUE(reader->CloseNode());
    ASSERT_TRUE(reader->CloseNode());
    ASSERT_TRUE(reader->OpenChunkEntry(kept)); // an entry kept from earlier re-opens its chunk
    ASSERT_TRUE(reader->Read(buf, 300));
    EXPECT_EQ(std::vector<uint8_t>(buf, buf + 300), Pattern(300, 3));
    ASSERT_TRUE(reader->CloseChunk());
    EXPECT_FALSE(reader->CloseNode()); // at the root: nothing to return to
    EXPECT_EQ(reader->GetState(), BaseDataFile::kStateFailed | BaseDataFile::kStateClosed);
}

TEST(DataFile, TheFirstErrorClosesTheFileAndStays) {
    TempDir dir;
    std::string path = dir.File("pack.dat");
    WritePack(path);
    Reader reader = OpenReader(path);
    ASSERT_TRUE(reader);
    uint8_t buf[8];
    ASSERT_TRUE(reader->OpenChunk(kCNST, 1)); // 6 bytes
    ASSERT_TRUE(reader->Read(buf, 4));
    EXPECT_FALSE(reader->Read(buf, 4));
    EXPECT_EQ(reader->GetState(), 3u);
    EXPECT_EQ(reader->Tell(), -1);
    EXPECT_EQ(reader->GetChunkPos(), -1);
    EXPECT_EQ(reader->ChunkBytesLeft(), 0u);
    EXPECT_FALSE(reader->OpenChunk(kCNST, 1));
    EXPECT_FALSE(reader->HasChunk(kCNST, 1));
    EXPECT_FALSE(reader->Read(buf, 0));
    EXPECT_FALSE(reader->Close());

    struct Case {
        const char* what;
        bool (*step)(BaseDataFile&);
    };
    const Case cases[] = {
        {"missing chunk", [](BaseDataFile& f) { return f.OpenChunk(kCNST, 99); }},
        {"missing node", [](BaseDataFile& f) { return f.OpenNode(kSPRT, 99); }},
        {"close without chunk", [](BaseDataFile& f) { return f.CloseChunk(); }},
        {"read without chunk",
         [](BaseDataFile& f) {
             uint8_t b;
             return f.Read(&b, 1);
         }},
        {"null entry", [](BaseDataFile& f) { return f.OpenChunkEntry(nullptr); }},
        {"huge read",
         [](BaseDataFile& f) {
             uint8_t b;
             return f.OpenChunk(kCNST, 1) && f.Read(&b, 0x80000000u);
         }},
        {"seek past end", [](BaseDataFile& f) { return f.OpenChunk(kCNST, 1) && f.SeekInChunk(7); }},
        {"bad check",
         [](BaseDataFile& f) {
             uint8_t b[6];
             return f.OpenChunk(kCNST, 1) && f.ReadVerified(b, 6, 1);
         }},
    };
    for (const Case& c : cases) {
        Reader r = OpenReader(path);
        ASSERT_TRUE(r) << c.what;
        EXPECT_FALSE(c.step(*r)) << c.what;
        EXPECT_EQ(r->GetState(), 3u) << c.what;
        EXPECT_FALSE(r->OpenChunk(kCNST, 3)) << c.what;
    }
}

TEST(DataFile, DataVersionsAndDamagedHeadersAreRefused) {
    TempDir dir;
    std::string path = dir.File("v2.dat");
    {
        Writer writer = OpenWriter(path, false, 2);
        ASSERT_TRUE(writer);
        ASSERT_TRUE(WriteChunk(*writer, kCNST, 1, Pattern(6, 1)));
    }
    EXPECT_FALSE(OpenReader(path, 1));
    Reader any = OpenReader(path, kAnySubId);
    ASSERT_TRUE(any);
    EXPECT_EQ(any->GetDataVersion(), 2u);
    any.reset();

    const std::string good = ReadFileBytes(path);
    ASSERT_EQ(good.size(), 20u + 6 + 12 + 16);
    struct Damage {
        const char* what;
        size_t at;   // byte to change
        char value;  // its new value
        size_t keep; // bytes kept (truncation) or 0 for all
    };
    const Damage damages[] = {
        {"type id", 0, 0x12, 0},
        {"type version", 5, 0x12, 0},
        {"header constant", 8, 17, 0},
        {"directory offset 0", 16, 0, 0},
        {"check byte", 26 + 8, 0x55, 0},
        {"entry count", 26 + 4, 2, 0},
        {"truncated directory", 0, 0x76 /*unchanged*/, good.size() - 1},
        {"truncated header", 0, 0x76, 12},
        {"directory beyond the end", 17, 0x10, 0},
        {"directory offset of 2^31", 19, char(0x80), 0},
    };
    for (const Damage& d : damages) {
        std::string bytes = good;
        if (d.what == std::string("directory offset 0"))
            bytes.replace(16, 4, 4, '\0');
        else if (d.keep == 0)
            bytes[d.at] = d.value;
        if (d.keep) bytes.resize(d.keep);
        ASSERT_TRUE(WriteFileBytes(path, bytes));
        EXPECT_FALSE(OpenReader(path, kAnySubId)) << d.what;
    }
    EXPECT_FALSE(OpenReader(dir.File("missing.dat")));
    EXPECT_FALSE(OpenDataFileForRead(nullptr, kType, kVersion, 1));
    EXPECT_FALSE(OpenDataFileForRead(u"", kType, kVersion, 1));
    std::u16string longName = U16(dir.File(std::string(300, 'a')));
    EXPECT_FALSE(OpenDataFileForRead(longName.c_str(), kType, kVersion, 1));
}

TEST(DataFile, HugeCountsAndDeepNestingAreRefused) {
    TempDir dir;
    std::string path = dir.File("crafted.dat");
    const std::string header = Bytes({kType, kVersion, 16, 1, 20});

    // Counts whose check value is right but that ask for far more than the file holds.
    for (auto [children, entries] : {std::pair{0u, 0x10000000u}, {0xFFFFFFFFu, 0u}, {1u, 0u}, {0u, 1u}}) {
        ASSERT_TRUE(WriteFileBytes(path, header + Bytes({children, entries, CountsCrc(children, entries)})));
        EXPECT_FALSE(OpenReader(path)) << children << " " << entries;
    }

    // A chain of nodes, each holding one child.
    auto chain = [&](int depth) {
        std::string dirBytes = Bytes({1, 0, CountsCrc(1, 0)});
        for (int i = 1; i <= depth; ++i) {
            uint32_t children = i < depth ? 1 : 0;
            dirBytes += Bytes({kSPRT, uint32_t(i), children, 0, CountsCrc(children, 0)});
        }
        return header + dirBytes;
    };
    ASSERT_TRUE(WriteFileBytes(path, chain(BaseDataFile::kMaxNodeDepth)));
    Reader deepest = OpenReader(path);
    ASSERT_TRUE(deepest);
    for (int i = 1; i <= BaseDataFile::kMaxNodeDepth; ++i)
        ASSERT_TRUE(deepest->OpenNode(kSPRT, uint32_t(i)));
    deepest.reset();
    ASSERT_TRUE(WriteFileBytes(path, chain(BaseDataFile::kMaxNodeDepth + 1)));
    EXPECT_FALSE(OpenReader(path));
    ASSERT_TRUE(WriteFileBytes(path, chain(100000)));
    EXPECT_FALSE(OpenReader(path));
}

TEST(DataFile, DirectoryEntriesRunningPastTheFileAreRefusedAtOpen) {
    TempDir dir;
    std::string path = dir.File("entries.dat");
    // 20 header bytes, 6 chunk bytes, then the directory, with the entry in
    // the root (the file ends at 54) or in a child node (it ends at 74).
    auto file = [&](uint32_t offset, uint32_t size, bool nested) {
        std::string bytes = Bytes({kType, kVersion, 16, 1, 26}) + "abcdef";
        if (nested) {
            bytes += Bytes({1, 0, CountsCrc(1, 0), kSPRT, 7, 0, 1, CountsCrc(0, 1)});
        } else {
            bytes += Bytes({0, 1, CountsCrc(0, 1)});
        }
        return bytes + Bytes({kCNST, 1, offset, size});
    };
    // Offsets and sizes relative to the file's end E when `fromEnd` is set.
    struct Case {
        bool offsetFromEnd;
        int64_t offset;
        bool sizeFromEnd;
        int64_t size;
        bool opens;
    } cases[] = {
        {false, 20, false, 6, true},
        {false, 20, true, -20, true}, // to the last byte of the file
        {true, 0, false, 0, true},    // empty, at the end
        {false, 20, true, -19, false},
        {true, 0, false, 1, false},
        {true, 1, false, 0, false},
        {false, 20, false, 6 | 0x01000000, false},
        {false, 0xFFFFFFF0, false, 0x20, false}, // wraps in 32 bits
        {false, 20, false, 0xFFFFFFFF, false},
    };
    for (bool nested : {false, true}) {
        const int64_t end = nested ? 74 : 54;
        for (const Case& c : cases) {
            const uint32_t offset = uint32_t(c.offset + (c.offsetFromEnd ? end : 0));
            const uint32_t size = uint32_t(c.size + (c.sizeFromEnd ? end : 0));
            ASSERT_TRUE(WriteFileBytes(path, file(offset, size, nested)));
            ASSERT_EQ(ReadFileBytes(path).size(), size_t(end));
            Reader reader = OpenReader(path);
            ASSERT_EQ(bool(reader), c.opens) << offset << " " << size << (nested ? " nested" : "");
            if (!reader) continue;
            if (nested) {
                ASSERT_TRUE(reader->OpenNode(kSPRT, 7));
            }
            EXPECT_TRUE(reader->OpenChunk(kCNST, 1));
        }
    }
}

TEST(DataFileWriter, BackupReplacesTheOldFileOnlyAfterAGoodClose) {
    TempDir dir;
    std::string path = dir.File("config.dat");
    std::string bak = path + ".bak";
    ASSERT_TRUE(WriteFileBytes(path, "old settings"));
    {
        Writer writer = OpenWriter(path, true);
        ASSERT_TRUE(writer);
        ASSERT_TRUE(WriteChunk(*writer, kCNST, 1, Pattern(10, 9)));
        EXPECT_TRUE(platform::FileExists(bak));         // written aside
        EXPECT_EQ(ReadFileBytes(path), "old settings"); // untouched meanwhile
        EXPECT_TRUE(writer->Close());
        EXPECT_TRUE(writer->Close()); // closing again changes nothing
    }
    EXPECT_FALSE(platform::PathExists(bak));
    Reader reader = OpenReader(path);
    ASSERT_TRUE(reader);
    ASSERT_TRUE(reader->OpenChunk(kCNST, 1));
    reader.reset();

    // Without an old file the new one is made aside too: a link to nowhere at the name takes nothing.
    std::string fresh = dir.File("profiles.dat"), outside = dir.File("outside");
    std::filesystem::create_symlink(outside, fresh);
    Writer writer = OpenWriter(fresh, true);
    ASSERT_TRUE(writer);
    EXPECT_TRUE(platform::FileExists(fresh + ".bak"));
    EXPECT_TRUE(writer->Close());
    EXPECT_EQ(ReadFileBytes(fresh).size(), 32u);
    EXPECT_FALSE(std::filesystem::is_symlink(fresh));
    EXPECT_FALSE(std::filesystem::exists(outside));

    // What a stopped write left at the aside name gives way to the next write (a build tool's pack).
    ASSERT_TRUE(WriteFileBytes(fresh + ".bak", "left"));
    ASSERT_TRUE((writer = OpenWriter(fresh, true)));
    EXPECT_TRUE(writer->Close());
}

// Every kind of data file answers with the name it was opened under, through
// the common base, whatever the width of the name it was given.
TEST(DataFile, EveryFileKnowsItsName) {
    TempDir dir;
    std::string path = dir.File("sprites.dat");
    std::unique_ptr<BaseDataFile> files[3];
    {
        auto narrow = std::make_unique<DataFileWriterA>(kType, kVersion, 1);
        ASSERT_TRUE(narrow->Open(path.c_str(), true));
        files[0].reset(narrow.release());
    }
    EXPECT_EQ(std::u16string(files[0]->GetFileName()), U16(path));
    ASSERT_TRUE(files[0]->Close());
    files[1].reset(OpenReader(path).release());
    {
        auto narrow = std::make_unique<DataFileReaderA>(kType, kVersion, 1);
        ASSERT_TRUE(narrow->Open(path.c_str()));
        files[2].reset(narrow.release());
    }
    for (const auto& file : files) {
        ASSERT_TRUE(file);
        EXPECT_EQ(std::u16string(file->GetFileName()), U16(path));
    }
}

TEST(DataFileWriter, AFailedWriteKeepsTheOldFileAndLeavesNothingBehind) {
    TempDir dir;
    std::string path = dir.File("config.dat");
    const std::string old = "old settings";
    auto onlyTheOldFile = [&](const char* what) {
        EXPECT_EQ(ReadFileBytes(path), old) << what;
        size_t files = 0;
        for (auto& e : std::filesystem::directory_iterator(dir.Path()))
            files += e.is_regular_file();
        EXPECT_EQ(files, 1u) << what;
        EXPECT_FALSE(platform::PathExists(path + ".bak")) << what;
    };
    ASSERT_TRUE(WriteFileBytes(path, old));

    { // a sticky failure part-way
        Writer writer = OpenWriter(path, true);
        ASSERT_TRUE(writer);
        ASSERT_TRUE(WriteChunk(*writer, kCNST, 1, Pattern(10, 1)));
        EXPECT_FALSE(writer->EndChunk());
        EXPECT_FALSE(writer->Close());
    }
    onlyTheOldFile("sticky failure");

    { // closed with a chunk still open: the finish step fails inside Close
        Writer writer = OpenWriter(path, true);
        ASSERT_TRUE(writer->BeginChunk(kCNST, 1));
        EXPECT_FALSE(writer->Close());
        EXPECT_FALSE(writer->Close());
        EXPECT_EQ(writer->GetState(), 3u);
    }
    onlyTheOldFile("chunk left open");

    // The disk fills up while writing.
    ASSERT_TRUE(testsupport::WithFileSizeLimit(4096, [&] {
        Writer writer = OpenWriter(path, true);
        ASSERT_TRUE(writer);
        EXPECT_TRUE(writer->BeginChunk(kCNST, 1));
        std::vector<uint8_t> big(10000, 0x5A);
        EXPECT_FALSE(writer->Write(big.data(), uint32_t(big.size())));
        EXPECT_FALSE(writer->Close());
    }));
    onlyTheOldFile("disk full");

    { // the temporary file cannot be made: fail, never write over the target
        ASSERT_TRUE(std::filesystem::create_directory(path + ".bak"));
        EXPECT_FALSE(OpenWriter(path, true));
        std::filesystem::remove(path + ".bak");
    }
    onlyTheOldFile("no temporary file");
}

TEST(DataFileWriter, AFailedReplaceIsReported) {
    TempDir dir;
    std::string path = dir.File("profile");
    ASSERT_TRUE(std::filesystem::create_directory(path)); // nothing can be renamed over a folder
    Writer writer = OpenWriter(path, true);
    ASSERT_TRUE(writer);
    ASSERT_TRUE(WriteChunk(*writer, kCNST, 1, Pattern(3, 1)));
    EXPECT_FALSE(writer->Close());
    EXPECT_FALSE(platform::PathExists(path + ".bak"));
    EXPECT_TRUE(platform::FolderExists(path));
}

TEST(DataFileWriter, WithoutBackupAFailureDeletesTheFile) {
    TempDir dir;
    std::string path = dir.File("lang.dat");
    Writer writer = OpenWriter(path);
    ASSERT_TRUE(writer);
    ASSERT_TRUE(writer->BeginChunk(kCNST, 1));
    EXPECT_TRUE(platform::FileExists(path));
    EXPECT_FALSE(writer->BeginChunk(kCNST, 2)); // one chunk at a time
    EXPECT_FALSE(platform::PathExists(path));
    EXPECT_FALSE(OpenWriter(dir.File("no/such/folder.dat")));
}

// Damaged and random files: every one is refused or read within its bounds.
TEST(DataFile, DamagedAndRandomFilesNeverCrashOrHang) {
    TempDir dir;
    std::string path = dir.File("pack.dat");
    WritePack(path);
    const std::string good = ReadFileBytes(path);
    std::string fuzz = dir.File("fuzz.dat");
    platform::SeedRand(2024);
    auto rand32 = [] {
        return uint32_t(platform::Rand()) << 17 ^ uint32_t(platform::Rand()) << 2 ^
               uint32_t(platform::Rand());
    };

    int opened = 0, refused = 0;
    uint32_t start = platform::Milliseconds();
    for (int round = 0; round < 3000 && platform::Milliseconds() - start < 8000; ++round) {
        std::string bytes = good;
        switch (round % 5) {
        case 0:
            bytes.resize(rand32() % bytes.size());
            break;
        case 1: // flipped bytes, mostly in the directory
            for (int i = 0, n = 1 + platform::Rand() % 4; i < n; ++i) {
                size_t at = i % 2 ? 20 + 346 + rand32() % (bytes.size() - 366) : rand32() % bytes.size();
                bytes[at] = char(bytes[at] ^ (1 << (platform::Rand() % 8)));
            }
            break;
        case 2: {                                      // a count replaced, its check value made to match
            size_t record = 366 + (rand32() % 3) * 20; // records of the root and its nodes
            if (record + 12 > bytes.size()) record = 366;
            uint32_t children = platform::Rand() % 2 ? rand32() : platform::Rand() % 4;
            uint32_t entries = platform::Rand() % 2 ? rand32() : platform::Rand() % 40;
            uint8_t* p = reinterpret_cast<uint8_t*>(bytes.data()) + record;
            StoreLE32(p, children);
            StoreLE32(p + 4, entries);
            StoreLE32(p + 8, CountsCrc(children, entries));
            break;
        }
        case 3: // entries pointing anywhere
            for (size_t at = bytes.size() - 16; at + 16 <= bytes.size() && at > 366; at -= 16)
                if (platform::Rand() % 2)
                    StoreLE32(reinterpret_cast<uint8_t*>(bytes.data()) + at + 8 + (platform::Rand() % 2) * 4,
                              rand32());
            break;
        default: { // random bytes after a valid header
            bytes = good.substr(0, 16);
            uint8_t off[4];
            StoreLE32(off, 20 + rand32() % 64);
            bytes.append(reinterpret_cast<char*>(off), 4);
            for (int i = 0, n = platform::Rand() % 200; i < n; ++i)
                bytes += char(platform::Rand());
        }
        }
        ASSERT_TRUE(WriteFileBytes(fuzz, bytes));
        Reader reader = OpenReader(fuzz, kAnySubId);
        if (!reader) {
            ++refused;
            continue;
        }
        ++opened;
        // Walk the whole tree and read every chunk whole.
        std::vector<uint8_t> buf;
        std::function<void(const DataFileNode&)> walk = [&](const DataFileNode& node) {
            for (const auto& child : node.children) {
                if (!reader->EnterNode(child.get())) return;
                walk(*child);
                if (!reader->CloseNode()) return;
            }
            for (const DataFileEntry& entry : node.entries) {
                if (!reader->OpenChunkEntry(&entry)) return;
                buf.resize(std::min<uint32_t>(entry.size, 1u << 20));
                reader->Read(buf.data(), uint32_t(buf.size()));
                if (!reader->CloseChunk()) return;
            }
        };
        walk(reader->GetRoot());
    }
    EXPECT_GT(opened, 0);
    EXPECT_GT(refused, 0);
}
