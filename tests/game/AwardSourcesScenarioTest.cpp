// What raises the awards, as a player meets it at 1024 x 768: in the tests'
// level 36 a player bakes a loaf of bread at the bakery; the bread goes into
// the warehouse and raises the award named after it ("bread", the baker's),
// which the profile keeps.
#include "tests/game/LevelTutorialPlay.h"

using namespace tutorialplay;

namespace {

// The award table's counters and goals (content/awards.txt).
constexpr int kFlourAward = 2, kBreadAward = 3, kPieAward = 4;
constexpr int kMoneyEarnedGoal = 9 + 7; // the goals' counters follow the nine awards

} // namespace

TEST(AwardSourcesScenario, BreadBakedRaisesTheBreadAward) {
    GameCopy game(testsupport::LevelData::Scenarios);
    testplayers::MakePlayer(game.User(), u"ida", [](ProfileRecord& record) {
        record.results.tutorial = 0;
        record.results.regimes[kRegimeEasy].levels[35].status = kLevelOpen;
    });
    // The bakery (its first click starts the clock), then its bread button:
    // 2 wheat and an egg go in, a loaf comes out 3 s later (twice the speed).
    const std::string log =
        Play(game, Opening("36") + Click(7500, 520, 270) + Click(8000, 520, 150), {}, 13000);
    const auto stored = testsupport::LogLines(log, "Into the warehouse");
    ASSERT_EQ(stored.size(), 1u) << log;
    EXPECT_NE(stored[0].find("bread"), std::string::npos) << stored[0];

    const std::optional<ProfileRecord> saved = testplayers::StoredCurrent(game.User());
    ASSERT_TRUE(saved) << "no current player";
    const ProfileRecord& record = *saved;
    EXPECT_EQ(record.awards[kBreadAward], 1) << "one loaf baked";
    EXPECT_EQ(record.awards[kFlourAward], 0);
    EXPECT_EQ(record.awards[kPieAward], 0);
}

// Money earned counts towards its goal ("Earn 5,000 coins"): in the tests'
// level 34 at 800 x 600 a player sells one wheat from the warehouse window
// for 2 coins; the goal's counter holds the 2 and no "goal reached" notice
// comes for it (the first coin earned used to reach a goal of 1).
TEST(AwardSourcesScenario, ASaleCountsTowardsTheMoneyGoalWithoutReachingIt) {
    GameCopy game(testsupport::LevelData::Scenarios);
    testplayers::MakePlayer(game.User(), u"ida", [](ProfileRecord& record) {
        record.results.tutorial = 0;
        record.results.regimes[kRegimeEasy].levels[33].status = kLevelOpen;
    });
    // A click starts the clock; the warehouse at (134, 136) opens its window,
    // then its wheat tile and "sell one"; Enter closes the window.
    constexpr int kOpen = 6500;
    using testsupport::script::held::Click, testsupport::script::held::Key;
    const std::string events = Opening("34") + Click(kOpen + 800, 400, 300) + Click(kOpen + 1500, 134, 136) +
                               Click(kOpen + 2000, 166, 190) + Click(kOpen + 2500, 647 - 53, 334) +
                               Key(kOpen + 5000, "RETURN");
    const std::string log =
        testsupport::Play(game, testsupport::ScriptPlay{events, {}, kOpen + 6000, 800, 600, {}, "sale-goal"});
    ASSERT_EQ(testsupport::Occurrences(log, "sold for 2, money 42"), 1u) << log;
    EXPECT_EQ(log.find("goal 7 reached"), std::string::npos) << log;

    const std::optional<ProfileRecord> saved = testplayers::StoredCurrent(game.User());
    ASSERT_TRUE(saved) << "no current player";
    EXPECT_EQ(saved->awards[kMoneyEarnedGoal], 2) << "the sale's 2 coins";
}
