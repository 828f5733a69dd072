// The content tool's farm tables: the sample sources make the four chunks
// and the bonus table, and sources the game would refuse are refused with
// the file and reason.
#include "app/BonusKind.h"
#include "farm/FarmRecords.h"
#include "foundation/DataFile.h"
#include "level/Bonuses.h"
#include "platform/Utf.h"
#include "tests/support/DataChunks.h"
#include "tests/support/RunTool.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <span>
#include <string>

namespace fs = std::filesystem;
using testsupport::TempDir;

namespace {

// A copy of the sample sources with one file's text changed.
std::string CopySources(const TempDir& dir, const std::string& file = "", const std::string& from = "",
                        const std::string& to = "") {
    const std::string folder = dir.File("farm");
    fs::create_directories(folder);
    for (const char* name : {"products.txt", "plants.txt", "buildings.txt", "villains.txt", "bonuses.txt"}) {
        std::string text = testsupport::ReadFileBytes(std::string(VB_FARM_SOURCES) + "/" + name);
        if (name == file) {
            const size_t at = text.find(from);
            EXPECT_NE(at, std::string::npos) << from;
            if (at != std::string::npos) text.replace(at, from.size(), to);
        }
        EXPECT_TRUE(testsupport::WriteFileBytes(folder + "/" + name, text));
    }
    return folder;
}

testsupport::ToolRun RunContent(const TempDir& dir, const std::string& sources) {
    return testsupport::RunTool(VB_CONTENT, dir,
                                testsupport::Quote(dir.File("Data")) + " " + testsupport::Quote(sources));
}

} // namespace

TEST(ContentFarm, TheSampleSourcesMakeTheirChunks) {
    TempDir dir;
    const testsupport::ToolRun run = RunContent(dir, CopySources(dir));
    ASSERT_EQ(run.status, 0) << run.err;
    const std::u16string pack = platform::Utf8ToUtf16(dir.File("Data/Data.dat"));
    kis::DataFileReaderW* reader = kis::OpenDataFileForRead(pack.c_str(), 0xBAE13676, 0x74BFFE7D, 1);
    ASSERT_NE(reader, nullptr);
    const struct {
        uint32_t id, subId, size;
    } chunks[] = {
        {kProductChunkId, 1, 4 + 10 * 312},
        {kPlantChunkId, 1, 296 + 4 + 260 + 4 + 2 * 856},
        {kBuildingChunkId, 1,
         4 + 504 + 4 * 1372 + 504 + 2 * 1372 + 3 * (504 + 2 * 1372) + 504 + 2 * 1372 + 504 + 1372 +
             2 * (504 + 2 * 1372)},
        {kVillainChunkId, 256, 4 + 176},
        {kChunkBonuses, kBonusesSubId, uint32_t(Bonuses::kChunkSize)},
    };
    for (const auto& c : chunks) {
        EXPECT_TRUE(reader->OpenChunk(c.id, c.subId)) << std::hex << c.id;
        ASSERT_NE(reader->GetOpenChunk(), nullptr);
        EXPECT_EQ(reader->GetOpenChunk()->size, c.size) << std::hex << c.id;
        reader->CloseChunk();
    }
    kis::CloseDataFile(reader);
}

TEST(ContentFarm, SourcesTheGameWouldRefuseAreRefused) {
    struct Case {
        const char* file;
        std::string from, to, message;
    };
    const std::string fifthLevel =
        "    level {\n        capacity = 250\n    }\n}\n\ntype {\n    name = bakery";
    const Case cases[] = {
        {"products.txt", "    number = 1\n", "    number = 1\n    ingredient = bread, 1\n", "needs itself"},
        {"products.txt", "ingredient = egg, 1", "ingredient = egg, 0", "at least 1 unit"},
        {"buildings.txt", "}\n\ntype {\n    name = bakery", fifthLevel, "more than 4 levels"},
        {"buildings.txt", "name = warehouse", "name = barn", "no building type \"warehouse\""},
        {"buildings.txt", "frames = 0, 1, 2, 3\n        }\n    }\n    level",
         "frames = 0, 1, 2, 3\n        }\n        animation {\n        }\n        animation {\n        }\n"
         "        animation {\n        }\n        animation {\n        }\n    }\n    level",
         "more than 4 animations"},
        {"plants.txt", "fruit_counts = 2, 3, 4, 5", "fruit_counts = 2, 6, 4, 5", "above the stage-4 count"},
        {"plants.txt", "fruit_counts = 2, 3, 4, 5", "fruit_counts = 2, 3, 4, 25", "fruit"},
        {"villains.txt", "health = 3", "health = -1", "health below 0"},
        {"villains.txt", "shot_speed = 3.0", "shot_speed = 0", "shot speed"},
        {"villains.txt", "sound = villain_arrive", "sound = a_sound_name_far_longer_than_the_field_holds",
         "31"},
        {"bonuses.txt", "recharge = 60000", "recharge = 0", "\"recharge\" needs a time above 0"},
        {"bonuses.txt", "name = bonus_rain", "name = bonus_bees", "taken by bonus 0"},
        {"bonuses.txt", "speed = 3, 0.5", "speed = 6, 0.5", "no track 6"},
        {"bonuses.txt", "speed = 3, 0.5", "speed = 3", "a track and a rate"},
        {"bonuses.txt", "    sprite = bee_03\n", "", "names 3 bee sprites"},
        {"bonuses.txt", "bees {", "bonus {\n    name = bonus_hail\n}\n\nbees {", "more than 6 bonuses"},
        {"bonuses.txt", "    sprite = bee_03\n}", "    sprite = bee_03\n}\n\nbees {\n}", "given twice"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const testsupport::ToolRun run = RunContent(dir, CopySources(dir, c.file, c.from, c.to));
        EXPECT_EQ(run.status, 1) << c.message;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_FALSE(fs::exists(dir.File("Data/Data.dat"))) << c.message;
    }
}

// The game keys what a bonus does by its kind, the record's position: each
// kind's record is the bonus of that name, and the bonuses that speed
// something up lift the track of what they name (0 the farmer, 1 the
// plants, 2 the animal houses, 3 the factories) and no other.
TEST(ContentFarm, EachBonusKindIsTheBonusOfItsName) {
    TempDir dir;
    const testsupport::ToolRun run = RunContent(dir, CopySources(dir));
    ASSERT_EQ(run.status, 0) << run.err;
    Bonuses table;
    std::string why = "no bonus table";
    for (const testsupport::DataChunk& chunk :
         testsupport::ReadDataChunks(dir.File("Data/Data.dat"), {0xBAE13676, 0x74BFFE7D, 1}))
        if (chunk.id == kChunkBonuses)
            table.Parse(std::span(reinterpret_cast<const uint8_t*>(chunk.bytes.data()), chunk.bytes.size()),
                        &why);
    ASSERT_TRUE(table.IsLoaded()) << why;
    const struct {
        BonusKind kind;
        std::u16string_view name;
        int32_t track; // -1 none
    } kinds[] = {
        {BonusKind::Bees, u"bonus_bees", -1},  {BonusKind::Rain, u"bonus_rain", -1},
        {BonusKind::Boots, u"bonus_boots", 0}, {BonusKind::Sun, u"bonus_sun", 1},
        {BonusKind::Feed, u"bonus_feed", 2},   {BonusKind::Gears, u"bonus_gears", 3},
    };
    static_assert(std::size(kinds) == kBonusCount);
    for (const auto& k : kinds) {
        const BONUS* bonus = table.Get(k.kind);
        ASSERT_NE(bonus, nullptr) << BonusId(k.kind);
        EXPECT_EQ(std::u16string_view(bonus->name), k.name) << BonusId(k.kind);
        for (int32_t track = 0; track < Bonuses::kTrackCount; ++track)
            EXPECT_EQ(table.SpeedModifier(BonusId(k.kind), track) > 0.0f, track == k.track)
                << BonusId(k.kind) << " track " << track;
    }
}
