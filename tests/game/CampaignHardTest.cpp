// Every level of the sample campaign won by the level bot in the hard regime
// (where a level is lost when its bronze time runs out).
#include "tests/game/CampaignPlay.h"

TEST(Campaign, EveryLevelWonInTheHardRegime) {
    campaign::PlayAndCheck(campaign::SourceLevels(), 1);
}
