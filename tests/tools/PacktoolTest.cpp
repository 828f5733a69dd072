#include "foundation/DataFile.h"
#include "platform/Utf.h"
#include "tests/support/RunTool.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

using testsupport::ReadFileBytes;
using testsupport::TempDir;
using testsupport::WriteFileBytes;

namespace {

using Result = testsupport::ToolRun;

// Runs the built packtool with the given arguments (none may hold a quote).
Result RunTool(const TempDir& dir, const std::string& args) {
    return testsupport::RunTool(VB_PACKTOOL, dir, args);
}

std::string Q(const std::string& path) {
    return testsupport::Quote(path);
}

int Lines(const std::string& text) {
    return int(std::count(text.begin(), text.end(), '\n'));
}

constexpr uint32_t kType = 0xBAE13676, kVersion = 0x74BFFE7D;

// A pack with a root chunk from a file, a node holding a nested node, and
// inline chunks.
void WriteManifest(const TempDir& dir) {
    std::string payload(3000, '\0');
    for (size_t i = 0; i < payload.size(); ++i)
        payload[i] = char(i * 31);
    ASSERT_TRUE(WriteFileBytes(dir.File("payload.bin"), payload));
    ASSERT_TRUE(WriteFileBytes(dir.File("pack.txt"), "# the data pack\n"
                                                     "type 0xBAE13676\n"
                                                     "version 0x74BFFE7D\n"
                                                     "data 1\n"
                                                     "chunk CNST 1 file payload.bin\n"
                                                     "node SPRT 7\n"
                                                     "  chunk 'DIGF' 282 hex 01 02 0a FF\n"
                                                     "  node 0x00000001 0x80000003\n"
                                                     "    chunk FONT -1 hex\n"
                                                     "  end\n"
                                                     "end\r\n"
                                                     "chunk 1234 5 hex deadbeef\n"));
}

} // namespace

TEST(Packtool, BuildsAPackThatTheLibraryReadsBack) {
    TempDir dir;
    WriteManifest(dir);
    Result built = RunTool(dir, "build " + Q(dir.File("pack.txt")) + " " + Q(dir.File("Data.dat")));
    ASSERT_EQ(built.status, 0) << built.err;
    EXPECT_EQ(built.err, "");

    std::u16string path = platform::Utf8ToUtf16(dir.File("Data.dat"));
    kis::DataFileReaderW reader(kType, kVersion, 1);
    ASSERT_TRUE(reader.Open(path.c_str()));
    std::string bytes(3000, '\0');
    ASSERT_TRUE(reader.OpenChunk(0x434E5354, 1));
    ASSERT_TRUE(reader.Read(bytes.data(), 3000));
    EXPECT_EQ(bytes, ReadFileBytes(dir.File("payload.bin")));
    ASSERT_TRUE(reader.CloseChunk());
    ASSERT_TRUE(reader.OpenChunk(1234, 5));
    uint8_t word[4];
    ASSERT_TRUE(reader.Read(word, 4));
    EXPECT_EQ(std::vector<uint8_t>(word, word + 4), (std::vector<uint8_t>{0xDE, 0xAD, 0xBE, 0xEF}));
    ASSERT_TRUE(reader.CloseChunk());
    ASSERT_TRUE(reader.OpenNode(0x53505254, 7));
    ASSERT_TRUE(reader.OpenChunk(0x44494746, 282));
    EXPECT_EQ(reader.GetOpenChunk()->size, 4u);
    ASSERT_TRUE(reader.Read(word, 4));
    EXPECT_EQ(std::vector<uint8_t>(word, word + 4), (std::vector<uint8_t>{1, 2, 10, 255}));
    ASSERT_TRUE(reader.CloseChunk());
    ASSERT_TRUE(reader.OpenNode(1, 0x80000003));
    ASSERT_TRUE(reader.OpenChunk(0x464F4E54, 0xFFFFFFFF));
    EXPECT_EQ(reader.GetOpenChunk()->size, 0u);
    EXPECT_TRUE(reader.Close());
}

TEST(Packtool, ListsTheHeaderAndDirectoryAndExtractsChunks) {
    TempDir dir;
    WriteManifest(dir);
    ASSERT_EQ(RunTool(dir, "build " + Q(dir.File("pack.txt")) + " " + Q(dir.File("Data.dat"))).status, 0);
    Result list = RunTool(dir, "list " + Q(dir.File("Data.dat")));
    ASSERT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(list.out,
              "type 0xBAE13676  version 0x74BFFE7D  data 1\n"
              "node  'SPRT' 0x53505254  sub 7\n" // a node's children come before its chunks
              "  node         0x00000001  sub 0x80000003\n"
              "    chunk 'FONT' 0x464F4E54  sub 0xFFFFFFFF  offset 3024  size 0\n"
              "  chunk 'DIGF' 0x44494746  sub 282  offset 3020  size 4\n"
              "chunk 'CNST' 0x434E5354  sub 1  offset 20  size 3000\n"
              "chunk        0x000004D2  sub 5  offset 3024  size 4\n");

    Result chunk = RunTool(dir, "extract " + Q(dir.File("Data.dat")) + " CNST 1");
    ASSERT_EQ(chunk.status, 0) << chunk.err;
    EXPECT_EQ(chunk.out, ReadFileBytes(dir.File("payload.bin")));
    chunk = RunTool(dir, "extract " + Q(dir.File("Data.dat")) + " \"'DIGF'\" -1 SPRT:7");
    ASSERT_EQ(chunk.status, 0) << chunk.err;
    EXPECT_EQ(chunk.out, std::string("\x01\x02\x0a\xff", 4));
    chunk = RunTool(dir, "extract " + Q(dir.File("Data.dat")) + " FONT 0xFFFFFFFF SPRT/1:0x80000003");
    EXPECT_EQ(chunk.status, 0) << chunk.err;
    EXPECT_EQ(chunk.out, "");
    Result missing = RunTool(dir, "extract " + Q(dir.File("Data.dat")) + " DIGF 282");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(Lines(missing.err), 1);
    missing = RunTool(dir, "extract " + Q(dir.File("Data.dat")) + " DIGF 282 SPRT:8");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("no node SPRT:8"), std::string::npos) << missing.err;
}

TEST(Packtool, InvalidFilesGiveOneLineNamingTheFault) {
    TempDir dir;
    WriteManifest(dir);
    ASSERT_EQ(RunTool(dir, "build " + Q(dir.File("pack.txt")) + " " + Q(dir.File("Data.dat"))).status, 0);
    const std::string good = ReadFileBytes(dir.File("Data.dat"));
    struct Case {
        std::string bytes, expected;
    };
    std::string flipped = good, noDirectory = good, badConstant = good, farDirectory = good;
    size_t directory = uint8_t(good[16]) | uint8_t(good[17]) << 8;
    flipped[directory + 8] ^= 0x10; // the root's check value
    noDirectory.replace(16, 4, 4, '\0');
    badConstant[8] = 17;
    farDirectory[19] = 0x70;
    // One flipped bit in the size of the 'FONT' entry, and one in its offset.
    std::string longChunk = good, farChunk = good;
    const size_t font = good.find("TNOF", directory);
    ASSERT_NE(font, std::string::npos);
    longChunk[font + 15] ^= 0x01;
    farChunk[font + 9] ^= 0x40;
    const Case cases[] = {
        {good.substr(0, 10), "shorter than the 20-byte header"},
        {badConstant, "header constant is 17"},
        {noDirectory, "directory offset is 0"},
        {farDirectory, "beyond the end of the file"},
        {flipped, "damaged directory"},
        {longChunk, "a chunk runs past the end of the file"},
        {farChunk, "a chunk runs past the end of the file"},
        {good.substr(0, good.size() - 4), "damaged directory"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteFileBytes(dir.File("bad.dat"), c.bytes));
        Result r = RunTool(dir, "list " + Q(dir.File("bad.dat")));
        EXPECT_EQ(r.status, 1) << c.expected;
        EXPECT_EQ(r.out, "") << c.expected;
        EXPECT_EQ(Lines(r.err), 1) << r.err;
        EXPECT_NE(r.err.find(c.expected), std::string::npos) << r.err;
    }
    Result none = RunTool(dir, "list " + Q(dir.File("none.dat")));
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.err.find("cannot open"), std::string::npos);
}

TEST(Packtool, BadManifestsNameTheLineAndKeepTheOldPack) {
    TempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir.File("Data.dat"), "older pack"));
    const std::pair<std::string, std::string> cases[] = {
        {"type 1\nversion 2\nchunk ABCD 1 hex 0g\n", ":3: expected pairs of hexadecimal digits"},
        {"type 1\nversion 2\nchunk ABCD 1 hex 012\n", ":3: expected pairs"},
        {"type 1\nversion 2\nnode ABCD 1\n", "not closed"},
        {"type 1\nversion 2\nend\n", ":3: 'end' without a node"},
        {"type 1\nchunk ABCD 1 hex 00\n", "needs 'type' and 'version'"},
        {"type 1\nversion 2\nchunk ABCDE 1 hex 00\n", ":3: expected an id and a sub-id"},
        {"type 1\nversion 2\nchunk ABCD 1 file missing.bin\n", ":3: cannot read"},
        {"type 1 2\n", ":1: expected one id or number"},
        {"tyep 1\n", ":1: unknown keyword 'tyep'"},
    };
    for (const auto& [manifest, expected] : cases) {
        ASSERT_TRUE(WriteFileBytes(dir.File("m.txt"), manifest));
        Result r = RunTool(dir, "build " + Q(dir.File("m.txt")) + " " + Q(dir.File("Data.dat")));
        EXPECT_EQ(r.status, 1) << manifest;
        EXPECT_NE(r.err.find(expected), std::string::npos) << r.err;
        EXPECT_EQ(ReadFileBytes(dir.File("Data.dat")), "older pack");
    }
    Result r = RunTool(dir, "build " + Q(dir.File("m.txt")) + " " + Q(dir.File("no/folder/Data.dat")));
    EXPECT_EQ(r.status, 1);
}

TEST(Packtool, NameIdsChecksumsAndUsage) {
    TempDir dir;
    Result ids = RunTool(dir, "id params Wheat true");
    EXPECT_EQ(ids.status, 0);
    EXPECT_EQ(ids.out, "0x7031F10C\n0xE92F0DD9\n0x0203B372\n");
    Result bad = RunTool(dir, "id default not-a-name");
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.out, "0x1CA1FF20\n");
    EXPECT_EQ(Lines(bad.err), 1);

    ASSERT_TRUE(WriteFileBytes(dir.File("digits"), "123456789"));
    Result crc = RunTool(dir, "crc32 " + Q(dir.File("digits")));
    EXPECT_EQ(crc.status, 0);
    EXPECT_EQ(crc.out, "0xCBF43926\n");
    EXPECT_EQ(RunTool(dir, "crc32 " + Q(dir.File("missing"))).status, 1);

    for (const char* args : {"", "frobnicate", "list", "extract a b", "build one"}) {
        Result usage = RunTool(dir, args);
        EXPECT_EQ(usage.status, 2) << args;
        EXPECT_NE(usage.err.find("usage: packtool"), std::string::npos) << args;
    }
}
