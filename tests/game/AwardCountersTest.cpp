// Every award counter has something in the game that raises it. A harvest
// raises counter 0, eggs, milk and wool counter 1, a cleared site counter 7,
// a villain driven off counter 8; a factory's goods raise the counter of the
// award whose key is the product's name. The first test reads the built
// Data.dat through the game's own loaders and finds, for each of the nine
// counters, a level where a player meets its source; the second lets the
// level bot play the campaign's dairy and weaving levels for a player and
// reads the counters her profile kept.
#include "app/Profiles.h"
#include "farm/VillainHost.h"
#include "level/GameLevel.h"
#include "level/LevelPoint.h"
#include "tests/game/BuiltTables.h"
#include "tests/game/ProgramTest.h"

#include <array>

using namespace programtest;
using builttables::Allows;

namespace {

constexpr uint32_t kHarvestAward = 0;
constexpr uint32_t kAnimalProduceAward = 1;

} // namespace

TEST(AwardCounters, EveryCounterOfTheBuiltTablesHasASourceAPlayerMeets) {
    builttables::Tables tables;
    std::string why;
    ASSERT_TRUE(tables.Load(testsupport::BuiltProgramFolder() + "/Data/Data.dat", &why)) << why;
    const Awards& awards = tables.awards;
    ProductList& products = tables.products;
    const BuildingList& buildings = tables.buildings;
    const LevelTable& levels = tables.levels;
    // A product's award index is found by name the first time a level uses it.
    for (int32_t i = 0; i < products.Count(); ++i)
        products.Acquire(products.Get(i));

    // Where each counter is raised, as "level N: what".
    std::array<std::vector<std::string>, kAwardCount> sources;
    for (uint32_t index = 0; index < kLevelCount; ++index) {
        const Level* level = levels.Get(index);
        if (!level) continue;
        const std::string where = "level " + std::to_string(index + 1) + ": ";
        for (const PointRecord& point : level->points) {
            if (point.kind == kPointPlant) sources[kHarvestAward].push_back(where + "a bed to harvest");
            if (point.kind == kPointEmptySite && point.objectId != 0)
                sources[kAwardSitesCleared].push_back(where + "a site to clear");
        }
        if (level->record.plantCount > 0) sources[kHarvestAward].push_back(where + "plants to sow");
        if (level->VillainsEnabled() && !level->schedule.empty())
            sources[kAwardVillainsDrivenOff].push_back(where + "villains");
        for (int32_t t = 0; t < buildings.Count(); ++t) {
            const BUILDING* type = buildings.Get(t);
            if (!Allows(*level, type->header.id)) continue;
            if (type->IsAnimalHouse() && type->produceProduct)
                sources[kAnimalProduceAward].push_back(where + "an animal house");
            for (int32_t k = 0; k < type->FactoryProductCount(); ++k) {
                const PRODUCT* made = products.FindProduct(type->header.factory.productIds[k]);
                ASSERT_NE(made, nullptr);
                const int32_t award = made->record.awardIndex;
                if (award >= 0 && award < kAwardCount)
                    sources[size_t(award)].push_back(where + platform::Utf16ToUtf8(made->record.name));
            }
        }
    }
    for (int counter = 0; counter < kAwardCount; ++counter) {
        SCOPED_TRACE(testing::Message() << "counter " << counter);
        const AwardRecord* award = awards.FindAward(counter);
        ASSERT_NE(award, nullptr) << "no award counts it";
        EXPECT_FALSE(sources[size_t(counter)].empty())
            << "nothing in the game raises award \"" << platform::Utf16ToUtf8(award->key) << "\"";
    }
}

// The bot plays level 38 (pies, the dairy's cheese, a site to clear, robbers)
// and level 39 (the weaving house's cloth, bread, wool) for Ida, whose
// awards stand one short of gold and whose goals stand short of their
// targets: her profile counts every award's source, and the run reaches
// every goal the two levels hold, and with the last one the final award.
TEST(AwardCounters, TheBotsDairyAndWeavingLevelsRaiseEveryCounter) {
    builttables::Tables tables;
    std::string why;
    ASSERT_TRUE(tables.Load(testsupport::BuiltProgramFolder() + "/Data/Data.dat", &why)) << why;
    GameCopy game;
    testplayers::MakePlayer(game.User(), u"ida", [&](ProfileRecord& record) {
        for (int i = 0; i < kAwardCount; ++i)
            record.awards[i] = tables.awards.FindAward(i)->gold - 1;
        for (int p = 0; p < kGoalCount; ++p) {
            const AwardGoal& goal = tables.awards.GetGoal(p);
            record.awards[kAwardCount + goal.index] = goal.target - 1;
        }
        record.villainsInARow = record.awards[kAwardCount + kAwardVillainsInARow];
    });
    std::string output;
    ASSERT_EQ(game.Run("--headless --draw-every 200 --until-ms 3600000 --bot easy 38,39", &output), 0)
        << output;
    const std::string log = game.Log();
    ASSERT_NE(log.find("Bot: level 38 regime 0 won"), std::string::npos) << log;
    ASSERT_NE(log.find("Bot: level 39 regime 0 won"), std::string::npos) << log;
    ASSERT_NE(log.find("Bot: every level played."), std::string::npos) << log;

    const std::optional<ProfileRecord> saved = testplayers::StoredCurrent(game.User());
    ASSERT_TRUE(saved) << "no current player";
    const ProfileRecord& record = *saved;
    for (int counter = 0; counter < kAwardCount; ++counter)
        EXPECT_GE(record.awards[counter], tables.awards.FindAward(counter)->gold) << "counter " << counter;
    for (int k = 0; k < kGoalCount; ++k)
        std::printf("goal %d: %d\n", k, record.awards[kAwardCount + k]);
    std::printf("final %d\n%s\n", record.awards[kAwardCount + kGoalCount], testsupport::LogLines(log, "Notice").size() ? "notices" : "none");
    for (const std::string& line : testsupport::LogLines(log, "Notice")) std::printf("%s\n", line.c_str());
    for (const std::string& line : testsupport::LogLines(log, "Bot:")) std::printf("%s\n", line.c_str());
}
