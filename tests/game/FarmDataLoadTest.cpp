// The farm tables in the built game: a headless run loads the sample
// Data.dat through 'PROD', 'PLNT', 'BLDN' and 'VLNS' and names each table
// with its count in the log; a pack whose building type declares more
// levels than a type has room for stops the game with the data error.
#include "app/GameDataLoader.h"
#include "farm/FarmRecords.h"
#include "foundation/ByteOrder.h"
#include "foundation/DataFile.h"
#include "platform/Utf.h"
#include "tests/game/ProgramTest.h"

using namespace programtest;

namespace {

std::string Bounded(const std::string& command) {
    return "timeout -s KILL 120 " + command;
}

// Rewrites the pack with the chunk `id` changed by `change`.
template <class Change> bool RewritePack(const std::string& path, uint32_t id, Change change) {
    const std::u16string wide = platform::Utf8ToUtf16(path);
    struct Chunk {
        kis::DataFileEntry entry;
        std::vector<uint8_t> bytes;
    };
    std::vector<Chunk> chunks;
    kis::DataFileReaderW* reader =
        kis::OpenDataFileForRead(wide.c_str(), kDataPackTypeId, kDataPackTypeVersion, kPackDataVersion);
    if (!reader) return false;
    for (const kis::DataFileEntry& entry : reader->GetRoot().entries) {
        Chunk chunk{entry, std::vector<uint8_t>(entry.size)};
        if (!reader->OpenChunkEntry(&entry) || !reader->Read(chunk.bytes.data(), entry.size) ||
            !reader->CloseChunk())
            break;
        if (entry.id == id) change(chunk.bytes);
        chunks.push_back(std::move(chunk));
    }
    const bool whole = reader->IsGood() && chunks.size() == reader->GetRoot().entries.size();
    kis::CloseDataFile(reader);
    if (!whole) return false;
    kis::DataFileWriterW* writer = kis::OpenDataFileForWrite(wide.c_str(), kDataPackTypeId,
                                                             kDataPackTypeVersion, kPackDataVersion, false);
    if (!writer) return false;
    for (const Chunk& c : chunks)
        if (!writer->BeginChunk(c.entry.id, c.entry.subId) ||
            !writer->Write(c.bytes.data(), uint32_t(c.bytes.size())) || !writer->EndChunk())
            break;
    return kis::CloseDataFile(writer);
}

bool HasLine(const std::string& log, const std::string& label, const std::string& value) {
    for (size_t at = log.find(label); at != std::string::npos; at = log.find(label, at + 1)) {
        const size_t end = log.find('\n', at);
        std::string line = log.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back(); // the log ends lines with CR LF
        if (line.size() > label.size() && line.find_first_not_of(' ', label.size()) != std::string::npos &&
            line.substr(line.find_first_not_of(' ', label.size())) == value)
            return true;
    }
    return false;
}

} // namespace

TEST(FarmDataLoad, TheSampleGameLoadsTheFourTablesAndReachesTheScreenAfterLoading) {
    GameCopy game;
    std::string output;
    EXPECT_EQ(testsupport::RunCommand(Bounded(game.Command("--headless --frames 260")), &output), 0)
        << output;
    const std::string log = game.Log();
    EXPECT_TRUE(HasLine(log, "Products", "10")) << log;
    EXPECT_TRUE(HasLine(log, "Plants", "2")) << log;
    EXPECT_TRUE(HasLine(log, "Plant bed sets", "1")) << log;
    EXPECT_TRUE(HasLine(log, "Building types", "9")) << log;
    EXPECT_TRUE(HasLine(log, "Villain kinds", "1")) << log;
    EXPECT_NE(log.find("0x80000002 -> 0x00000006"), std::string::npos) << log;
}

TEST(FarmDataLoad, ABuildingTypeOfFiveLevelsIsADataError) {
    GameCopy game;
    ASSERT_TRUE(
        RewritePack(game.Game() + "/Data/Data.dat", kBuildingChunkId, [](std::vector<uint8_t>& bytes) {
            ASSERT_GE(bytes.size(), 4u + 172);
            kis::StoreLE32(&bytes[4 + 168], 5); // the first type's level count
        }));
    std::string output;
    EXPECT_EQ(testsupport::RunCommand(Bounded(game.Command("--headless --frames 260")), &output), 1)
        << output;
    EXPECT_NE(output.find("Data error!"), std::string::npos) << output;
    const std::string log = game.Log();
    EXPECT_NE(log.find("Loading the building types failed."), std::string::npos) << log;
    EXPECT_TRUE(HasLine(log, "Products", "10")) << "the tables before it loaded";
    EXPECT_EQ(log.find("Building types "), std::string::npos);
}
