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
#include "tests/game/LevelTutorialPlay.h"
#include "tests/game/ProgramTest.h"

#include <array>

using namespace programtest;
using builttables::Allows;

namespace {

constexpr uint32_t kHarvestAward = 0;
constexpr uint32_t kAnimalProduceAward = 1;
// The tests' level 11 at 1024 x 768: the bees' bonus button on the panel,
// the bakery's bread button over it.
constexpr int kBeesX = 512, kBeesY = 620;
constexpr int kBreadX = 520, kBreadY = 150;
// The face of an award notice.
constexpr uint32_t kNoticeFace = 0xFFF6DC;

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

// A player earns every goal, and with the last one the final award. Ida's
// awards stand one short of gold and her goals short of their targets: no
// level won yet, nine levels won, all bonuses used but the bees, nine
// villains driven off in a row, the money earned one coin short, a factory's
// nine goods in a row; she takes the bees into her levels. The level bot
// plays level 38 (pies, the dairy's cheese, a site to clear, robbers) and
// level 39 (the weaving house's cloth, bread, wool) for her: every award
// counter rises to gold, and the wins, the robbers driven off before they
// fire, the farmer's jobs in a level and the money reach goals 0, 1, 3, 4
// and 7. Then she plays the tests' level 11 herself: the bees' button uses
// the last bonus (goal 2), and quick clicks on the bakery's bread button keep
// both ovens busy for ten loaves and more in a row (goal 6) at more than 1.2
// clicks a second (goal 5); the twelfth loaf wins the level, the final award
// is given and its notice shows it.
TEST(AwardCounters, APlayerEarnsEveryGoalAndTheFinalAward) {
    builttables::Tables tables;
    std::string why;
    ASSERT_TRUE(tables.Load(testsupport::BuiltProgramFolder() + "/Data/Data.dat", &why)) << why;
    const auto goalWord = [](uint32_t goal) { return kAwardCount + int(goal); };
    GameCopy campaign;
    testplayers::MakePlayer(campaign.User(), u"ida", [&](ProfileRecord& record) {
        record.results.tutorial = 0;
        for (int i = 0; i < kAwardCount; ++i)
            record.awards[i] = tables.awards.FindAward(i)->gold - 1;
        for (int p = 0; p < kGoalCount; ++p) {
            const AwardGoal& goal = tables.awards.GetGoal(p);
            record.awards[goalWord(uint32_t(goal.index))] = goal.target - 1;
        }
        record.awards[goalWord(kAwardFirstWin)] = 0;
        record.awards[goalWord(kAwardJobsInLevel)] = 0;
        record.awards[goalWord(kAwardClickRate)] = 0;
        record.awards[goalWord(kAwardBonusesUsed)] = 0x3E; // every bonus slot but the bees' (slot 0)
        record.villainsInARow = record.awards[goalWord(kAwardVillainsInARow)];
        RegimeProgress& easy = record.results.regimes[kRegimeEasy];
        easy.owned[0] = 1;
        easy.chosenCount = 1;
        easy.chosen[0] = 0;
        easy.chosen[1] = easy.chosen[2] = -1;
        easy.levels[10].status = kLevelOpen;
    });
    std::string output;
    ASSERT_EQ(campaign.Run("--headless --draw-every 200 --until-ms 3600000 --bot easy 38,39", &output), 0)
        << output;
    const std::string botLog = campaign.Log();
    ASSERT_NE(botLog.find("Bot: level 38 regime 0 won"), std::string::npos) << botLog;
    ASSERT_NE(botLog.find("Bot: level 39 regime 0 won"), std::string::npos) << botLog;
    ASSERT_NE(botLog.find("Bot: every level played."), std::string::npos) << botLog;
    std::optional<ProfileRecord> saved = testplayers::StoredCurrent(campaign.User());
    ASSERT_TRUE(saved) << "no current player";
    const auto reached = [&](const ProfileRecord& record, int position) {
        const AwardGoal& goal = tables.awards.GetGoal(position);
        return record.awards[goalWord(uint32_t(goal.index))] >= goal.target;
    };
    for (int counter = 0; counter < kAwardCount; ++counter)
        EXPECT_GE(saved->awards[counter], tables.awards.FindAward(counter)->gold)
            << "counter " << counter << " was never raised";
    for (int p = 0; p < kGoalCount; ++p) {
        const int32_t index = tables.awards.GetGoal(p).index;
        const bool byTheBot =
            index != kAwardBonusesUsed && index != kAwardClickRate && index != kAwardHighestValue;
        EXPECT_EQ(reached(*saved, p), byTheBot) << "goal " << index << " after the bot's levels";
    }
    EXPECT_EQ(saved->awards[kAwardWordCount - 1], 0) << "no final award yet";

    // Her user folder goes to a copy of the game with the tests' levels. A
    // click on the grass starts level 11's clock, then the bees' button and
    // a click on the bread button every 170 ms: an oven that has just given
    // its loaf is filled again before the other one gives its own.
    GameCopy bakery(testsupport::LevelData::Scenarios);
    fs::create_directories(bakery.User());
    fs::copy(campaign.User(), bakery.User(),
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    std::string events = tutorialplay::Opening("11") + tutorialplay::Click(6800, 300, 500) +
                         tutorialplay::Click(7000, kBeesX, kBeesY);
    for (int ms = 7500; ms < 30000; ms += 170)
        events += tutorialplay::Click(ms, kBreadX, kBreadY);
    const std::string log = tutorialplay::Play(bakery, events, {{30900, "final"}}, 31000);
    ASSERT_EQ(testsupport::LogLines(log, "Level won:").size(), 1u) << log;
    for (const char* goal : {"goal 2 reached", "goal 5 reached", "goal 6 reached"})
        EXPECT_NE(log.find(goal), std::string::npos) << goal << "\n" << log;
    EXPECT_NE(log.find("Notice: the final award."), std::string::npos) << log;
    saved = testplayers::StoredCurrent(bakery.User());
    ASSERT_TRUE(saved) << "no current player";
    for (int p = 0; p < kGoalCount; ++p)
        EXPECT_TRUE(reached(*saved, p)) << "goal " << tables.awards.GetGoal(p).index;
    EXPECT_EQ(saved->awards[kAwardWordCount - 1], 1) << "the final award";
    // The final award's notice, the newest, stands at the bottom of the
    // notices right above the panel, and pushes the two goal notices of the
    // win's moment up, under the result window: they wait there unseen.
    const Shot final = tutorialplay::Load(bakery, "final");
    ASSERT_TRUE(final.ok);
    EXPECT_GT(final.NearIn(700, 592, 1010, 645, kNoticeFace, 8), 8000) << "the final award's notice";
    EXPECT_EQ(final.NearIn(760, 400, 1010, 420, kNoticeFace, 8), 0) << "a notice cut by the result window";
}
