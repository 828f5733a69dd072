// What raises the awards, as a player meets it at 1024 x 768: in the tests'
// level 36 a player bakes a loaf of bread at the bakery; the bread goes into
// the warehouse and raises the award named after it ("bread", the baker's),
// which the profile keeps.
#include "tests/game/LevelTutorialPlay.h"

using namespace tutorialplay;
using testsupport::GameCopy;

namespace {

// The award table's counters (content/awards.txt).
constexpr int kFlourAward = 2, kBreadAward = 3, kPieAward = 4;

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

    ProfileManager profiles(platform::Utf8ToUtf16(game.User()));
    profiles.Load();
    ASSERT_NE(profiles.Current(), nullptr);
    const ProfileRecord& record = profiles.Current()->Record();
    EXPECT_EQ(record.awards[kBreadAward], 1) << "one loaf baked";
    EXPECT_EQ(record.awards[kFlourAward], 0);
    EXPECT_EQ(record.awards[kPieAward], 0);
}
