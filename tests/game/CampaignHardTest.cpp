// Every level won by the level bot for one player, easy then hard (lost when
// its bronze time runs out), her hard results kept; her award counters reach
// bronze after the easy campaign, silver and half of gold after both.
#include "tests/game/CampaignPlay.h"

TEST(Campaign, EveryLevelWonInTheEasyThenTheHardRegimeAndTheAwardsWithinReach) {
    testsupport::GameCopy game;
    testplayers::MakePlayer(game.User(), u"cam", [](ProfileRecord& r) { r.results.tutorial = 0; });
    campaign::PlayAndCheck(game, campaign::SourceLevels(), 0);
    campaign::CheckAwards(game.User(), 0, 1.0);
    campaign::PlayAndCheck(game, campaign::SourceLevels(), 1);
    const ProfileRecord player = testplayers::StoredCurrent(game.User()).value();
    for (int index : campaign::SourceLevels())
        EXPECT_GE(player.results.regimes[1].levels[index].status, kLevelBronze) << "level index " << index;
    for (const auto& [tier, share] : {std::pair{1, 1.0}, std::pair{2, 0.5}})
        campaign::CheckAwards(game.User(), tier, share);
}
