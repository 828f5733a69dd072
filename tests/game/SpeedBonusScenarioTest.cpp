// The boots (the farmer's speed bonus) as a player meets them at 1024 x 768
// in the tests' level 40: the farmer walks across the field to a garbage
// heap, clears it and the level is won. Started with the first click, the
// boots take her there sooner, and the level is won in less time. While they
// run, their button shows the time left as a line drawn from the indicator's
// picture, at both window sizes.
#include "tests/game/LevelTutorialPlay.h"
#include "tests/support/Pattern.h"

using namespace tutorialplay;

namespace {

// The heap and its clear button over it; the boots' button above the panel.
constexpr int kHeapX = 850, kHeapY = 250, kClearX = 850, kClearY = 200;
constexpr int kBootsX = 512, kBootsY = 620;
constexpr int kBootsBonus = 2;

// A player without the tutorials who owns the boots and chose them, with
// level 40 open.
void MakeBootsPlayer(const std::string& user) {
    testplayers::MakePlayer(user, u"ida", [](ProfileRecord& record) {
        record.results.tutorial = 0;
        RegimeProgress& easy = record.results.regimes[kRegimeEasy];
        easy.levels[39].status = kLevelOpen;
        easy.owned[kBootsBonus] = 1;
        easy.chosenCount = 1;
        easy.chosen[0] = kBootsBonus;
        easy.chosen[1] = easy.chosen[2] = -1;
    });
}

// The level time of the win in the log; -1 when the level was not won.
int WonAtMs(const std::string& log) {
    std::vector<std::string> m;
    if (!testsupport::Pattern("Level won: +level 40, regime 0, ([0-9]+) ms").Search(log, &m)) return -1;
    return std::stoi(m[1]);
}

} // namespace

TEST(SpeedBonusScenario, TheBootsTakeTheFarmerAcrossTheFieldSooner) {
    int wonAt[2] = {-1, -1};
    for (int boots = 0; boots < 2; ++boots) {
        SCOPED_TRACE(boots ? "with the boots" : "without");
        GameCopy game(testsupport::LevelData::Scenarios);
        MakeBootsPlayer(game.User());
        // With the boots their button is the first click (it starts the
        // clock); without, the heap is.
        std::string events = Opening("40");
        if (boots) events += Click(7500, kBootsX, kBootsY);
        events += Click(8000, kHeapX, kHeapY) + Click(8500, kClearX, kClearY);
        const std::string log = Play(game, events, {}, 20000);
        wonAt[boots] = WonAtMs(log);
        ASSERT_GT(wonAt[boots], 0) << log;
    }
    // About 830 pixels at 1.2 a tick is some 6.9 s; half as fast again the
    // walk takes a third less.
    EXPECT_GT(wonAt[0] - wonAt[1], 1500) << wonAt[0] << " ms without, " << wonAt[1] << " ms with the boots";
}

// The line under the running boots' button: the indicator's green, with the
// picture's light stripe along its top (a plain quad has none), inside the
// line's dark border.
TEST(SpeedBonusScenario, TheRunningBootsShowTheTimeLeftAsTheIndicatorsPicture) {
    for (const windowsizes::WindowSize size : windowsizes::kSizes) {
        SCOPED_TRACE(windowsizes::Describe(size));
        GameCopy game(testsupport::LevelData::Scenarios);
        MakeBootsPlayer(game.User());
        // The first bonus slot stands centred 148 px above the window's bottom.
        const int x = size.width / 2, y = size.height - 148;
        windowsizes::PlayAt(
            game, size,
            {.events = Opening("40") + Click(7500, x, y), .shots = {{9000, "running"}}, .untilMs = 9100},
            "boots-");
        const Shot running = Load(game, "running");
        ASSERT_TRUE(running.ok);
        const int line = y + 15, width = 20;
        EXPECT_GT(running.NearIn(x - width, line, x + width, line + 12, 0x50B030, 10), 4 * width)
            << "the indicator";
        EXPECT_GT(running.NearIn(x - width, line, x + width, line + 12, 0x9FD48D, 12), width)
            << "its light stripe";
        EXPECT_GT(running.NearIn(x - width, line, x + width, line + 12, 0x3A2410, 10), 2 * width)
            << "the border";
    }
}
