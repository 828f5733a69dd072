// What a new player sees at the default window of 800 x 600 and at
// 1024 x 768: the first click on the grass starts a level's clock, the
// tutorial's arrow stands at the site it names rather than on the grass
// below it, and the map tutorial's box is on the screen with its text whole.
#include "app/Profiles.h"
#include "tests/game/LevelTutorialPlay.h"
#include "tests/game/Players.h"
#include "tests/support/GameCopy.h"
#include "tests/support/InputScript.h"
#include "tests/support/MissingContent.h"
#include "tests/support/Screenshot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <utility>
#include <vector>

using testsupport::GameCopy;
using testsupport::Shot;
using testsupport::script::quick::Click;

namespace {

struct WindowSize {
    int width, height;
};
constexpr WindowSize kSizes[] = {{800, 600}, {1024, 768}};

// Level 1's field (1024 x 688) as the level shows it: scaled down to fit
// above the 80-px panel and centred.
struct FieldOnScreen {
    float scale, left, top;
    explicit FieldOnScreen(WindowSize size) {
        scale = std::min(1.0f, std::min(float(size.width) / 1024.0f, float(size.height - 80) / 688.0f));
        left = std::floor((float(size.width) - 1024.0f * scale) / 2.0f);
        top = std::floor((float(size.height - 80) - 688.0f * scale) / 2.0f);
    }
    int X(float x) const { return int(std::lround(left + x * scale)); }
    int Y(float y) const { return int(std::lround(top + y * scale)); }
};

std::string Describe(WindowSize size) {
    return std::to_string(size.width) + "x" + std::to_string(size.height);
}

// Runs the showcase program at the window size with its keys, a screenshot
// at each time; answers the log.
std::string Play(GameCopy& game, WindowSize size, const std::string& events,
                 const std::vector<std::pair<int, std::string>>& shots, int untilMs) {
    EXPECT_TRUE(testsupport::WriteFileBytes(game.Game() + "/config.ini",
                                            "[Video]\nWindow=" + std::to_string(size.width) + "," +
                                                std::to_string(size.height) + "\n"));
    const std::string script = game.File("script.txt");
    EXPECT_TRUE(testsupport::WriteFileBytes(script, events));
    std::string arguments = "--headless --draw-every 4 --until-ms " + std::to_string(untilMs) +
                            " --input-script '" + script + "'";
    for (const auto& [ms, name] : shots)
        arguments += " --screenshot-at " + std::to_string(ms) + " '" + game.File(name + ".png") + "'";
    std::string output;
    EXPECT_EQ(game.RunShowcase(arguments, &output), 0) << output;
    for (const auto& [ms, name] : shots)
        testsupport::KeepShot(game.File(name + ".png"), name + "-" + Describe(size) + ".png");
    const std::string log = game.Log();
    EXPECT_EQ(testsupport::MissingContent(log), "") << "content the run asked for and did not find";
    return log;
}

// The tutorial box's text colour (a dark red-brown, smoothed on parchment).
bool BoxText(int r, int g, int b) {
    return r > 100 && r < 190 && g < 90 && b < 60 && r > g + 60;
}

// The first row of the rectangle, from the top, that holds a pixel of the
// colour; -1 none.
int TopRow(const Shot& shot, int left, int top, int right, int bottom,
           const std::function<bool(int r, int g, int b)>& test) {
    for (int y = top; y < bottom; ++y)
        if (shot.Count(left, y, right, y + 1, test) > 0) return y;
    return -1;
}

} // namespace

// Level 1 with its tutorial: nothing of the tutorial shows until the clock
// starts. A click on bare grass, far from every site, starts it; the first
// step's box is clicked away and the second points at the clean site of
// point 1 (field 460, 320, drawn some 22 px high about it): the arrow's tip
// stands just below the site's edge, not on the grass further down.
TEST(ScreenLayoutScenario, AClickOnTheGrassStartsTheClockAndTheArrowMeetsItsSite) {
    for (const WindowSize size : kSizes) {
        SCOPED_TRACE(Describe(size));
        GameCopy game;
        tutorialplay::MakeProfile(game.User(), 0);
        const FieldOnScreen field(size);
        const std::string events = tutorialplay::Opening("01") + Click(8000, field.X(300), field.Y(240)) +
                                   Click(9800, field.X(300), field.Y(120));
        const std::string log = Play(game, size, events, {{7900, "before"}, {11500, "site"}}, 11600);
        ASSERT_NE(log.find("80010000 waits for the clock"), std::string::npos) << log;
        tutorialplay::ExpectStepsInOrder(log, {"80010001", "80010002"});

        const Shot before = tutorialplay::Load(game, "before"), site = tutorialplay::Load(game, "site");
        ASSERT_TRUE(before.ok && site.ok);
        ASSERT_EQ(site.picture.width, size.width);
        ASSERT_EQ(site.picture.height, size.height);
        // No arrow over the field (below its top bar) before the clock starts.
        const int x0 = field.X(435), x1 = field.X(485);
        EXPECT_LT(before.Count(x0, field.Y(80), x1, field.Y(680), tutorialplay::ArrowYellow), 20);
        // The arrow's tip stands below the site's lower edge (field 342) by
        // no more than its bounce (16 screen px out and back) and a small gap.
        const int tip = TopRow(site, x0, field.Y(250), x1, field.Y(520), tutorialplay::ArrowYellow);
        ASSERT_GE(tip, 0) << "no arrow at point 1";
        EXPECT_GE(tip, field.Y(340));
        EXPECT_LE(tip, field.Y(342) + 28);
    }
}

// A new player's first visit of the map (the villains' attack clicked away)
// points at level 1 in the top-left corner: its box is on the screen, its
// text whole and clear of the left edge, and nothing of it under the
// bottom-left "Awards" button.
TEST(ScreenLayoutScenario, TheMapTutorialsBoxStaysOnTheScreen) {
    for (const WindowSize size : kSizes) {
        SCOPED_TRACE(Describe(size));
        GameCopy game;
        testplayers::MakePlayer(game.User(), u"lea");
        // M opens the map at 5 s; the attack's step takes its click from 400 ms on.
        const std::string events = Click(40, 400, 300) + "5000 key down M\n5100 key up M\n" +
                                   Click(7000, size.width / 2, size.height / 2);
        const std::string log = Play(game, size, events, {{9000, "map"}}, 9100);
        ASSERT_NE(log.find("40010000 starts"), std::string::npos) << log;

        const Shot map = tutorialplay::Load(game, "map");
        ASSERT_TRUE(map.ok);
        ASSERT_EQ(map.picture.width, size.width);
        const int text = map.Count(0, 0, size.width, size.height / 2, BoxText);
        EXPECT_GT(text, 300) << "the box's text is on the screen";
        // The text keeps the box's margins from the screen's left and top edges.
        EXPECT_EQ(map.Count(0, 0, 10, size.height / 2, BoxText), 0);
        EXPECT_GE(TopRow(map, 0, 0, size.width, size.height / 2, BoxText), 8);
        EXPECT_GT(map.Count(0, 0, size.width, size.height / 2, tutorialplay::Parchment), 4000);
        EXPECT_LT(map.Count(0, size.height - 80, 200, size.height, tutorialplay::Parchment), 50);
    }
}

// The awards window of a player without medals: each medal's "x" sign is
// followed by its count, 0, in both regimes' panels.
TEST(ScreenLayoutScenario, TheAwardsWindowCountsNoMedalsAsZero) {
    for (const WindowSize size : kSizes) {
        SCOPED_TRACE(Describe(size));
        GameCopy game;
        testplayers::MakePlayer(game.User(), u"lea",
                                [](ProfileRecord& record) { record.flags |= kProfileFlagEasyMapTutorial; });
        // M opens the map; its awards button (bottom left) opens the window,
        // whose reveal a click finishes.
        const std::string events = Click(40, 400, 300) + "5000 key down M\n5100 key up M\n" +
                                   Click(6000, 88, size.height - 46) +
                                   Click(7000, size.width / 2, size.height / 2) + "7100 mouse move 2 2\n";
        Play(game, size, events, {{8000, "awards"}}, 8100);
        const Shot awards = tutorialplay::Load(game, "awards");
        ASSERT_TRUE(awards.ok);
        // The window stands centred; each count's place right of its "x"
        // sign, rows easy and hard, medals gold, silver and bronze.
        const auto dark = [](int r, int g, int b) { return r < 110 && g < 90 && b < 80; };
        const int cx = size.width / 2, cy = size.height / 2;
        for (const int dy : {114, 157})
            for (const int dx : {8, 112, 218})
                EXPECT_GT(awards.Count(cx + dx, cy + dy, cx + dx + 18, cy + dy + 22, dark), 25)
                    << "the count at " << dx << ", " << dy;
        // The map's own medals panel below shows its zeros too.
        EXPECT_GT(awards.Count(cx - 120, size.height - 40, cx - 95, size.height - 14, dark), 25);
    }
}
