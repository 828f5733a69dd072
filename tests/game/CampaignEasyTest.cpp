// Every level of the sample campaign won by the level bot in the easy regime.
#include "tests/game/CampaignPlay.h"

TEST(Campaign, EveryLevelWonInTheEasyRegime) {
    campaign::PlayAndCheck(campaign::SourceLevels(), 0);
}
