// Every level won by the level bot, easy and hard (lost when its bronze time runs out), the hard results
// kept. Two players play the campaigns side by side, the second with the hard regime open as a win of level 8
// opens it, at 1024 x 768 where the easy one plays at 800 x 600 (no round buttons of two points overlap at
// either); their award counters after the easy campaign and over both place each award's tiers. Bare runs
// (no player, so other villains) beside them keep the medal rules too.
#include "tests/game/CampaignPlay.h"
#include "tests/support/ScriptPlay.h"

#include <thread>

TEST(Campaign, EveryLevelWonInTheEasyThenTheHardRegimeAndTheAwardsWithinReach) {
    testsupport::GameCopy easy, hard, bareEasy, bareHard;
    testplayers::MakePlayer(easy.User(), u"cam", [](ProfileRecord& r) { r.results.tutorial = 0; });
    testplayers::MakePlayer(hard.User(), u"cam", [](ProfileRecord& r) {
        r.results.tutorial = 0;
        r.results.hardAvailable = 1;
    });
    ASSERT_TRUE(testsupport::UseWindow(hard, 1024, 768));
    std::thread hardCampaign([&] { campaign::PlayAndCheck(hard, campaign::SourceLevels(), 1); });
    std::thread bareEasyRun([&] { campaign::PlayAndCheck(bareEasy, campaign::SourceLevels(), 0, "bare-"); });
    std::thread bareHardRun([&] { campaign::PlayAndCheck(bareHard, campaign::SourceLevels(), 1, "bare-"); });
    campaign::PlayAndCheck(easy, campaign::SourceLevels(), 0);
    hardCampaign.join();
    bareEasyRun.join();
    bareHardRun.join();
    campaign::CheckAwards({easy.User(), hard.User()});
    const ProfileRecord player = testplayers::StoredCurrent(hard.User()).value();
    for (int index : campaign::SourceLevels())
        EXPECT_GE(player.results.regimes[1].levels[index].status, kLevelBronze) << "level index " << index;
}
