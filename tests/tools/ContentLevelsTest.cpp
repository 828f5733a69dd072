// The content tool's level sources: a second source given after the farm
// sources (the program tests' own layouts) replaces the campaign's levels of
// its indices and leaves the others, and only the data pack is written; a
// second source the game would refuse is refused with its file.
#include "level/LevelTable.h"
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

const testsupport::DataFileKind kDataPack{0xBAE13676, 0x74BFFE7D, 1};

// One level in the source format, at an index with a start money.
std::string LevelSource(int index, int money) {
    return "level {\n    index = " + std::to_string(index) +
           "\n    label = level_31\n    map_cell = " + std::to_string(index) +
           "\n    group = 6\n    field = field_31 1024 688\n    farmer = 512 400\n"
           "    money = " +
           std::to_string(money) +
           "\n    type = warehouse 1\n    point = warehouse 1 warehouse 160 180\n"
           "    point = site 0 garbage 420 330 50\n"
           "    easy {\n        medals = 240000 120000 60000\n        goal = sites - 0 1\n    }\n"
           "    hard {\n        medals = 120000 60000 30000\n        goal = sites - 0 1\n    }\n}\n";
}

testsupport::ToolRun RunContent(const TempDir& dir, const std::string& levels) {
    return testsupport::RunTool(VB_CONTENT, dir,
                                testsupport::Quote(dir.File("Data")) + " " +
                                    testsupport::Quote(VB_FARM_SOURCES) + " " + testsupport::Quote(levels));
}

bool ReadLevels(const std::string& pack, LevelTable* table, std::string* why) {
    for (const testsupport::DataChunk& chunk : testsupport::ReadDataChunks(pack, kDataPack))
        if (chunk.id == kLevelTableChunk)
            return table->Parse(
                std::span(reinterpret_cast<const uint8_t*>(chunk.bytes.data()), chunk.bytes.size()), nullptr,
                why);
    *why = "no level table";
    return false;
}

} // namespace

TEST(ContentLevels, AScenarioSourceReplacesTheLevelsOfItsIndicesOnly) {
    TempDir dir;
    const std::string source = dir.File("scenario.txt");
    ASSERT_TRUE(testsupport::WriteFileBytes(source, LevelSource(30, 777) + LevelSource(39, 888)));
    const testsupport::ToolRun run = RunContent(dir, source);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(fs::exists(dir.File("Data/Data.dat")));
    EXPECT_FALSE(fs::exists(dir.File("Data/Sounds.dat"))) << "only the data pack is written";

    LevelTable table;
    std::string why;
    ASSERT_TRUE(ReadLevels(dir.File("Data/Data.dat"), &table, &why)) << why;
    for (const auto& [index, money] : {std::pair{30u, 777}, std::pair{39u, 888}}) {
        const Level* level = table.Get(index);
        ASSERT_NE(level, nullptr) << index;
        EXPECT_EQ(level->record.startMoney, money) << index;
        EXPECT_EQ(level->points.size(), 2u) << index;
    }
    // The campaign's others stay: level 1 is the first tutorial's (its
    // warehouse and two clean sites), levels 32 and 40 are not replaced.
    const Level* first = table.Get(0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->points.size(), 3u);
    EXPECT_EQ(first->record.startMoney, 100);
    for (uint32_t index : {31u, 38u, 40u}) {
        const Level* level = table.Get(index);
        ASSERT_NE(level, nullptr) << index;
        EXPECT_NE(level->record.startMoney, 777) << index;
        EXPECT_NE(level->record.startMoney, 888) << index;
    }
}

TEST(ContentLevels, AScenarioSourceTheGameWouldRefuseIsRefusedWithItsFile) {
    TempDir dir;
    const std::string source = dir.File("bad.txt");
    std::string text = LevelSource(30, 200);
    text.replace(text.find("goal = sites - 0 1"), 18, "goal = sites - 0 2"); // one heap only
    ASSERT_TRUE(testsupport::WriteFileBytes(source, text));
    const testsupport::ToolRun run = RunContent(dir, source);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("bad.txt"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(dir.File("Data/Data.dat"))) << "no pack from a refused source";
}

// A level names the bonus its win gives by the bonus table's name; a name no
// bonus has is refused with the level. The campaign gives each of the six
// bonuses at one level, the bees (bonus 0) before level 8, whose tutorial
// teaches them.
TEST(ContentLevels, ALevelGivesTheBonusItNamesAndTheCampaignGivesAllSix) {
    struct Case {
        const char* line;
        int status;
        int32_t bonus;
    };
    for (const Case c : {Case{"", 0, -1}, Case{"    bonus = bonus_bees\n", 0, BonusId(BonusKind::Bees)},
                         Case{"    bonus = bonus_rain\n", 0, BonusId(BonusKind::Rain)},
                         Case{"    bonus = bonus_gears\n", 0, BonusId(BonusKind::Gears)},
                         Case{"    bonus = bonus_hail\n", 1, -1}, Case{"    bonus = 3\n", 1, -1}}) {
        TempDir dir;
        const std::string source = dir.File("bonus.txt");
        std::string text = LevelSource(30, 200);
        text.insert(text.find("    easy {"), c.line);
        ASSERT_TRUE(testsupport::WriteFileBytes(source, text));
        const testsupport::ToolRun run = RunContent(dir, source);
        ASSERT_EQ(run.status, c.status) << c.line << run.err;
        if (c.status != 0) {
            EXPECT_NE(run.err.find("level 30"), std::string::npos) << run.err;
            continue;
        }
        LevelTable table;
        std::string why;
        ASSERT_TRUE(ReadLevels(dir.File("Data/Data.dat"), &table, &why)) << why;
        ASSERT_NE(table.Get(30), nullptr);
        EXPECT_EQ(table.Get(30)->record.bonusId, c.bonus) << c.line;

        if (c.bonus != BonusId(BonusKind::Bees)) continue;
        std::vector<int> givers[kBonusCount];
        for (uint32_t index = 0; index < kLevelCount; ++index)
            if (const Level* level = table.Get(index); level && index != 30 && level->record.bonusId >= 0) {
                ASSERT_LT(level->record.bonusId, kBonusCount) << index;
                givers[level->record.bonusId].push_back(int(index));
            }
        for (int bonus = 0; bonus < kBonusCount; ++bonus)
            EXPECT_EQ(givers[bonus].size(), 1u) << "bonus " << bonus << " is given at one level";
        const std::vector<int>& bees = givers[BonusId(BonusKind::Bees)];
        ASSERT_FALSE(bees.empty());
        EXPECT_LT(bees[0], 7) << "the bees come before level 8";
    }
}
