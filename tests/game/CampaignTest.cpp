// Every level of the sample campaign won by the level bot for one player,
// in the easy regime and then in the hard one (where a level is lost when
// its bronze time runs out). The content is calibrated for such a player:
// after the easy campaign she stands at bronze in every award, after both at
// silver and within one more round of gold, and the tutorial levels' gold
// asks for good play.
#include "tests/game/CampaignPlay.h"

TEST(Campaign, EveryLevelWonInBothRegimesAndTheAwardsWithinReach) {
    campaign::CheckFirstWinGold();
    testsupport::GameCopy game;
    campaign::MakePlayer(game.User());
    campaign::PlayAndCheck(game, campaign::SourceLevels(), 0);
    campaign::CheckAwards(game.User(), 0, 1.0, "after the easy campaign");
    campaign::PlayAndCheck(game, campaign::SourceLevels(), 1);
    campaign::CheckAwards(game.User(), 1, 1.0, "after both campaigns");
    campaign::CheckAwards(game.User(), 2, 0.5, "after both campaigns (half of gold)");
}
