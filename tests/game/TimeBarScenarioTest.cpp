// The time bar above the level panel as a player sees it at 800 x 600 and
// 1024 x 768 in both regimes: the easy regime's bar opens on a light wooden
// plate under its bronze zone, which has no time limit there, where the hard
// regime's opens on the dark trough of its bronze time.
#include "app/Profiles.h"
#include "tests/game/Players.h"
#include "tests/support/GameCopy.h"
#include "tests/support/InputScript.h"
#include "tests/support/Screenshot.h"
#include "tests/support/ScriptPlay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

using testsupport::GameCopy;
using testsupport::LevelData;
using testsupport::Shot;
using testsupport::script::held::Click;
using testsupport::script::held::OpenLevel;

namespace {

constexpr int kReady = 6000;

struct WindowSize {
    int width, height;
    int barLeft, barTop; // the time bar's corner on the screen
};
constexpr WindowSize kSizes[] = {{800, 600, 280, 480}, {1024, 768, 392, 648}};

// The easy regime's plate (light wood, its highlight paler) and the trough's dark brown.
bool Plate(int r, int g, int b) {
    return r > 200 && g > 185 && b > 140 && b < 215 && r > b + 20;
}
bool Trough(int r, int g, int b) {
    return r + g + b < 200 && r < 90 && r > b;
}

// The rows a medal icon's metal or rim (0xRRGGBB) reach in a rectangle.
int MedalHeight(const Shot& shot, int left, int top, int right, int bottom, uint32_t metal, uint32_t rim) {
    int first = -1, last = -1;
    for (int y = top; y < bottom; ++y)
        if (shot.NearIn(left, y, right, y + 1, metal, 6) + shot.NearIn(left, y, right, y + 1, rim, 6) > 0) {
            if (first < 0) first = y;
            last = y;
        }
    return first < 0 ? 0 : last - first + 1;
}

std::string Describe(WindowSize size, uint32_t regime) {
    return std::to_string(size.width) + "x" + std::to_string(size.height) + (regime ? "-hard" : "-easy");
}

// A player whose current regime is the given one, with level 34 open in it.
void MakeLevel34Player(const GameCopy& game, uint32_t regime) {
    testplayers::MakePlayer(game.User(), u"kim", [regime](ProfileRecord& record) {
        record.results.regime = regime;
        record.results.hardAvailable = 1;
        record.results.regimes[regime].levels[33].status = kLevelOpen;
    });
}

} // namespace

TEST(TimeBarScenario, TheEasyBarOpensOnAPlateWhereTheHardBarShowsItsBronzeTime) {
    for (const WindowSize size : kSizes)
        for (uint32_t regime : {kRegimeEasy, kRegimeHard}) {
            SCOPED_TRACE(Describe(size, regime));
            GameCopy game(LevelData::Scenarios);
            MakeLevel34Player(game, regime);
            const int open = kReady + 1000;
            const std::string log = testsupport::Play(
                game, {.events = Click(40, 400, 300) + OpenLevel(kReady, "34") + Click(open, 400, 300),
                       .shots = {{open + 1000, "bar"}},
                       .untilMs = open + 1100,
                       .width = size.width,
                       .height = size.height,
                       .keptAs = "timebar-" + Describe(size, regime) + "-"});
            ASSERT_NE(log.find("Level 34 (level_34) begins in regime " + std::to_string(regime) + "."),
                      std::string::npos)
                << log;
            const Shot bar = testsupport::LoadShot(game.File("bar.png"));
            ASSERT_TRUE(bar.ok);
            // Above the progress line (from 13 px down): the bar's start, left
            // of the easy regime's bronze icon, and the 40 px after the plate's
            // 46, the medal icons' ribbons among them.
            const int x = size.barLeft, y = size.barTop;
            const int plate = bar.Count(x + 4, y + 4, x + 22, y + 12, Plate);
            const int start = bar.Count(x + 4, y + 4, x + 22, y + 12, Trough);
            if (regime == kRegimeEasy) {
                EXPECT_GT(plate, 100) << "the plate";
                EXPECT_EQ(start, 0);
            } else {
                EXPECT_EQ(plate, 0);
                EXPECT_GT(start, 100) << "the trough from the rounded cap on";
            }
            EXPECT_GT(bar.Count(x + 50, y + 4, x + 90, y + 12, Trough), 200) << "the trough after the plate";
            if (regime == kRegimeHard) {
                // The panel's medal rows under the bar: the bronze medal of the
                // third row stands as tall as the gold one of the first, not cut
                // by the frame along the panel's foot.
                const int gold = MedalHeight(bar, x + 40, y + 30, x + 130, y + 65, 0xF0C830, 0xB88A10);
                const int bronze = MedalHeight(bar, x + 40, y + 75, x + 130, y + 120, 0xD08848, 0x8A5020);
                EXPECT_GE(gold, 18);
                EXPECT_NEAR(bronze, gold, 1) << "the bronze medal's height";
            }
        }
}

// Level 34 in the easy regime at 1024 x 768: the page closed, a click on the
// grass starts the clock, and 60 s later the gold time passes. The red cross
// is stamped over the gold medal: it comes three times its size and shrinks
// onto the medal within 200 ms, where it stays: the first picture that shows
// it in its full red shows it large, never already settled. Until then the
// medal shows no cross.
TEST(TimeBarScenario, TheCrossOverALostMedalIsStampedOnLargeAndSettles) {
    GameCopy game(LevelData::Scenarios);
    MakeLevel34Player(game, kRegimeEasy);
    const int open = kReady + 1000, start = open + 1000;
    // The gold time ends 60 s after the click's press; a shot every 20 ms around it.
    std::vector<std::pair<int, std::string>> shots = {{start + 59000, "before"}, {start + 61500, "after"}};
    for (int t = start + 59900; t <= start + 60500; t += 20)
        shots.emplace_back(t, "stamp" + std::to_string(t));
    const std::string log = testsupport::Play(
        game, {.events = Click(40, 400, 300) + OpenLevel(kReady, "34") + Click(open, 400, 300) +
                         Click(start, 300, 450) + testsupport::script::Move(start + 300, 5, 300),
               .shots = shots,
               .untilMs = start + 61600,
               .keptAs = "timebar-stamp-"});
    ASSERT_NE(log.find("Level 34 (level_34) begins in regime 0."), std::string::npos) << log;
    // The cross's dark red rim about the gold medal (its centre at 730, 662),
    // as far as a cross three times its size (39 x 48) reaches.
    const auto rim = [&game](const std::string& name) {
        const Shot shot = testsupport::LoadShot(game.File(name + ".png"));
        EXPECT_TRUE(shot.ok) << name;
        return shot.ok ? shot.NearIn(705, 634, 756, 690, 0x5A0808, 24) : 0;
    };
    // The cross's red face, at full strength only once the stamp is nearly opaque.
    const auto red = [&game](const std::string& name) {
        const Shot shot = testsupport::LoadShot(game.File(name + ".png"));
        return shot.ok ? shot.NearIn(705, 634, 756, 690, 0xE02820, 30) : 0;
    };
    EXPECT_EQ(rim("before"), 0) << "gold still in reach";
    const int settled = rim("after");
    ASSERT_GT(settled, 20) << "the gold medal crossed out";
    int largest = 0;
    for (size_t i = 2; i < shots.size(); ++i)
        largest = std::max(largest, rim(shots[i].second));
    EXPECT_GT(largest, 2 * settled) << "the cross comes large";
    const int settledRed = red("after");
    ASSERT_GT(settledRed, 20);
    int firstRed = 0;
    for (size_t i = 2; i < shots.size() && firstRed <= 20; ++i)
        firstRed = red(shots[i].second);
    EXPECT_GT(firstRed, 2 * settledRed) << "the first red cross is the stamp's, not the settled one";
    EXPECT_EQ(rim(shots.back().second), settled) << "and settles on the medal";
}
