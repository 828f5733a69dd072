// The level's pages as a player meets them: level 32's information page with
// a strip of each kind (its own text beside a picture, a plant and a building
// with the level box of the highest stage or level the level allows, a bonus),
// names outlined and the page's round close button, which closes it; and the
// level window from the map, whose bonus slots show the chosen bonuses with
// their title and description as the hint of the slot the pointer rests on.
#include "app/Profiles.h"
#include "gui/Regime.h"
#include "tests/game/Players.h"
#include "tests/game/ProgramTest.h"
#include "tests/game/TutorialLooks.h"
#include "tests/game/WindowSizes.h"
#include "tests/support/MissingContent.h"

#include <cstdlib>

using namespace programtest;
using testsupport::script::Move;
using testsupport::script::held::Click;
using testsupport::script::held::Key;
using testsupport::script::held::OpenLevel;

namespace {

// Runs the game (a click skips the logos) with a screenshot at each time
// into a file of the game copy named after it; answers the log.
std::string RunGame(const GameCopy& game, const std::string& name, const std::string& events, int untilMs,
                    const std::vector<std::pair<int, std::string>>& shots, bool showcase) {
    std::vector<std::pair<int, std::string>> files;
    for (const auto& [at, shot] : shots)
        files.emplace_back(at, game.File(shot + ".png"));
    return testsupport::PlayNamed(game, {.name = name,
                                         .events = Click(40, 400, 300) + events,
                                         .untilMs = untilMs,
                                         .shots = files,
                                         .moreArguments = " --draw-every 1",
                                         .program = !showcase});
}

// The white face of a strip (the skin's edit field) and the light gold of the
// names' outline.
bool StripFace(int r, int g, int b) {
    return r > 250 && g > 248 && b > 238;
}
bool NameOutline(int r, int g, int b) {
    return r > 245 && g > 210 && g < 240 && b > 130 && b < 180;
}
// The slots' wood, the gold of the bees' and the feed bucket's icons, a
// hint's cream face and dark text.
bool Wood(int r, int g, int b) {
    return r > 170 && r < 235 && g > 110 && g < 185 && b > 50 && b < 125 && r - b > 80;
}
bool IconGold(int r, int g, int b) {
    return r > 200 && g > 150 && b < 110 && r - b > 120;
}
bool Dark(int r, int g, int b) {
    return r + g + b < 200;
}
int HintPixels(const Shot& shot, int left, int top, int right, int bottom) {
    return shot.NearIn(left, top, right, bottom, 0xFFF6DC, 6);
}
// The dark blue of the names and the level boxes.
bool NameBlue(int r, int g, int b) {
    return r < 60 && g > 30 && g < 90 && b > 100 && b < 160;
}
// The bodies' red-brown.
bool BodyText(int r, int g, int b) {
    return r > 100 && r < 200 && g < 90 && b < 60 && r > g + 50;
}
// The first row of each run of rows that hold body text, from top to bottom;
// a run goes on over gaps of up to two rows, as the smoothed font's comma
// hangs below its line by one.
std::vector<int> TextLineTops(const Shot& shot, int left, int top, int right, int bottom) {
    std::vector<int> tops;
    int lastText = top - 100;
    for (int y = top; y < bottom; ++y) {
        if (shot.Count(left, y, right, y + 1, BodyText) == 0) continue;
        if (y - lastText > 3) tops.push_back(y);
        lastText = y;
    }
    return tops;
}

} // namespace

// At 800 x 600, level 32 typed and opened: its page (680 x 356, centred 20 px above the middle) stands at
// (60, 102). The picture row's strip, then the wheat's, the cowshed's and the good feed's below the
// separators; the plant and the building end in a level box, the bonus does not; the bodies' lines stand 23
// px apart on the page's parchment. "Menu" opens the pause menu over the page; its options switch full screen
// on (1920 x 1080), and after "Continue" the page stands centred there, 560 px right and 240 down. The knob
// at the top right closes the page, showing the field. Without the good feed the page has a strip less.
TEST(LevelPagesScenario, TheInformationPageShowsAStripOfEveryKind) {
    GameCopy game, without;
    testplayers::MakeBonusPlayer(game.User(), {0, 4});
    ASSERT_TRUE(testsupport::UseWindow(game, 800, 600) && testsupport::UseWindow(without, 800, 600));
    const int dx = 560, dy = 240;
    const std::string open = OpenLevel(5000, "32") + Move(7000, 790, 300) + Click(7800, 755, 16);
    const std::string log =
        RunGame(game, "info",
                open + Click(8400, 400, 363) + Click(9000, 178, 217) + Click(9600, 960, 672) +
                    Click(10200, 960, 399) + Click(10800, 722 + dx, 108 + dy),
                12300, {{7700, "page"}, {10700, "switched"}, {12200, "closed"}}, true);
    RunGame(without, "info", open, 7800, {{7700, "page"}}, true);
    const Shot feedless = LoadShot(without.File("page.png"));
    EXPECT_EQ(testsupport::MissingContent(log), "");
    EXPECT_NE(log.find("Level information page opened."), std::string::npos) << log;
    EXPECT_NE(log.find("Level menu opened."), std::string::npos) << "one click on Menu over the page\n"
                                                                 << log;
    const Shot page = LoadShot(game.File("page.png")), closed = LoadShot(game.File("closed.png")),
               switched = LoadShot(game.File("switched.png"));
    ASSERT_TRUE(page.ok && closed.ok && switched.ok);
    EXPECT_GT(switched.NearIn(330 + dx, 205 + dy, 700 + dx, 255 + dy, 0xFFF3D2, 3), 370 * 50 * 9 / 10);

    struct Strip {
        const char* what;
        int left, top, right; // the strip on the screen (48 px high)
        bool levelBox;
    };
    const Strip strips[] = {{"market", 311, 118, 713, false},
                            {"wheat", 87, 278, 447, true},
                            {"cowshed", 87, 332, 447, true},
                            {"good feed", 87, 396, 377, false}};
    for (const Strip& s : strips) {
        const int width = s.right - s.left;
        EXPECT_GT(page.Count(s.left + 10, s.top + 8, s.right - 10, s.top + 40, StripFace), width * 32 / 3)
            << s.what;
        // The name, outlined, after the icon.
        EXPECT_GT(page.Count(s.left + 60, s.top + 8, s.left + 200, s.top + 40, NameOutline), 40) << s.what;
        // The level box's "Lv. N" in the last 70 px, in the names' blue.
        const int box = page.Count(s.right - 70, s.top + 8, s.right - 4, s.top + 40, NameBlue);
        if (s.levelBox) {
            EXPECT_GT(box, 20) << s.what;
            // It stays inside the box: nothing of it left of the divider.
            EXPECT_EQ(page.Count(s.right - 86, s.top + 8, s.right - 70, s.top + 40, NameBlue), 0) << s.what;
        } else
            EXPECT_EQ(box, 0) << s.what;
        const int x = s.left + dx, y = s.top + dy; // on the switched screen
        EXPECT_LT(closed.Count(x + 10, y + 8, x + width - 10, y + 40, StripFace), width * 32 / 30) << s.what;
    }
    // A line row's body of two lines beside its strip: the lines 23 px
    // apart, so that the two span the strip's height.
    for (const Strip& s : strips) {
        if (s.left != 87) continue;
        const std::vector<int> lines = TextLineTops(page, s.right + 14, s.top - 6, 700, s.top + 54);
        ASSERT_EQ(lines.size(), 2u) << s.what;
        EXPECT_NEAR(lines[1] - lines[0], 23, 1) << s.what;
    }
    // Nothing beyond the good feed's strip: it ends where its box would begin.
    EXPECT_EQ(page.Count(390, 404, 440, 436, StripFace), 0);
    EXPECT_NEAR(page.Count(0, 0, 800, 600, StripFace) - feedless.Count(0, 0, 800, 600, StripFace),
                (377 - 87 - 20) * 32, 40 * 32)
        << "the good feed's strip on the page of a player without it";
    // The page is the information sheet's parchment panel, as the tutorials'
    // boxes are, not a window of the interface skin.
    EXPECT_GT(page.NearIn(330, 205, 700, 255, 0xFFF3D2, 3), 370 * 50 * 9 / 10);
    EXPECT_EQ(page.NearIn(330, 205, 700, 255, 0xF2E2BC, 6), 0);
    // The close button is the page's round wooden knob, 26 x 27 at the top right.
    EXPECT_GT(page.NearIn(712, 98, 734, 120, 0xE0B070, 14), 60);
    EXPECT_EQ(page.NearIn(690, 98, 708, 120, 0xE0B070, 14), 0);
}

// At 1024 x 768 a player who owns the bees, the boots and the good feed and
// takes the bees and the good feed into her levels opens level 20 from the
// map. The level window's bonus area holds three slots; the first two show
// the bees and the good feed, the third is empty and hidden. The window
// opened under the pointer, on a goal: a pixel's move shows no goal hint. The
// pointer resting on the first slot shows its hint: the bees' title over their
// description. The window's cancel then closes it.
TEST(LevelPagesScenario, TheLevelWindowsBonusSlotsShowTheirBonusWithItsHint) {
    GameCopy game;
    ASSERT_TRUE(testsupport::UseWindow(game, 1024, 768));
    testplayers::MakeBonusPlayer(game.User(), {0, 2, 4});
    const MapPoint twenty = CellPosition(19);
    const std::string log = RunGame(game, "slots",
                                    Key(5000, "M") + Click(6000, twenty.x, twenty.y + 4) +
                                        Move(6500, twenty.x + 1, twenty.y + 4) + Move(7200, 440, 470) +
                                        Move(7300, 447, 480) + Click(9500, 444, 614),
                                    10500, {{7100, "window"}, {9000, "hint"}, {10400, "cancelled"}}, true);
    EXPECT_EQ(testsupport::MissingContent(log), "");
    const Shot window = LoadShot(game.File("window.png")), hint = LoadShot(game.File("hint.png")),
               cancelled = LoadShot(game.File("cancelled.png"));
    ASSERT_TRUE(window.ok && hint.ok && cancelled.ok);
    // The slots stand side by side from (417, 445), 63 x 134 each, 1 px apart.
    struct Slot {
        int left;
        bool shown;
    };
    const Slot slots[] = {{417, true}, {481, true}, {545, false}};
    for (const Slot& s : slots) {
        const int wood = window.Count(s.left + 4, 450, s.left + 59, 570, Wood);
        if (s.shown)
            EXPECT_GT(wood, 55 * 120 / 3) << s.left;
        else
            EXPECT_EQ(wood, 0) << s.left;
        // The bonus's icon in the middle of its slot's parchment well.
        EXPECT_EQ(window.Count(s.left + 16, 495, s.left + 47, 526, IconGold) > 20, s.shown) << s.left;
    }
    // No hint before the pointer rests on a slot (none from the goal the
    // window opened under the pointer: it moved by a pixel only); then the
    // bees' hint below it.
    EXPECT_LT(HintPixels(window, 226, 330, 798, 430), 500) << "a goal's hint over the medal times";
    EXPECT_EQ(HintPixels(window, 312, 585, 580, 665), 0);
    EXPECT_GT(HintPixels(hint, 312, 585, 580, 665), 200 * 60);
    EXPECT_GT(hint.Count(312, 585, 580, 665, Dark), 300) << "the bees' title and description";
    // Cancel closed the window: the map shows where the slots' wells stood.
    EXPECT_GT(window.NearIn(489, 490, 534, 530, 0xF8ECC8, 8), 100);
    EXPECT_EQ(cancelled.NearIn(489, 490, 534, 530, 0xF8ECC8, 8), 0);
    EXPECT_EQ(HintPixels(cancelled, 312, 585, 580, 665), 0);
}

// The same player plays level 20: before the first click its bonus buttons
// stand half recharged above the panel, the bees' at (459, 597). A
// recharging button shows the grey cover of the recharge still to come above
// the split line and its muted face below it, frame and icon alike: grey in
// the icon's upper half, the bees' yellow in its lower half. A click on the
// field starts the clock and the recharge goes on.
TEST(LevelPagesScenario, ARechargingBonusButtonIsSplitAtItsLine) {
    GameCopy game;
    ASSERT_TRUE(testsupport::UseWindow(game, 1024, 768));
    testplayers::MakeBonusPlayer(game.User(), {0, 4});
    const MapPoint twenty = CellPosition(19);
    const std::string log = RunGame(game, "recharge",
                                    Key(5000, "M") + Click(6000, twenty.x, twenty.y + 4) +
                                        Click(7500, 578, 614) + Move(9000, 200, 300) + Click(11000, 512, 400),
                                    12000, {{10500, "level"}}, true);
    EXPECT_EQ(testsupport::MissingContent(log), "");
    EXPECT_NE(log.find("Level 20 ("), std::string::npos) << log;
    const Shot level = LoadShot(game.File("level.png"));
    ASSERT_TRUE(level.ok);
    // The icon's bright gold face (not the frame's wood) against the recharging look's greys.
    const auto beeYellow = [](int r, int g, int b) { return r > 240 && g > 195 && b < 160; };
    const auto grey = [](int r, int g, int b) {
        return std::abs(r - g) < 16 && std::abs(g - b) < 16 && r > 90;
    };
    // The icon (40 x 40 from (466, 601)): the left of its round face, grey
    // above the line, gold below it.
    EXPECT_GT(level.Count(466, 623, 476, 639, beeYellow), 20);
    EXPECT_GT(level.Count(466, 623, 506, 641, beeYellow), 120);
    EXPECT_EQ(level.Count(466, 603, 476, 619, beeYellow), 0);
    EXPECT_GT(level.Count(466, 603, 476, 619, grey), 30);
    // The frame: the cover's grey above the line (y 621), the muted face below it.
    EXPECT_GT(level.NearIn(462, 603, 468, 619, 0x706860, 12), 30);
    EXPECT_GT(level.NearIn(462, 624, 468, 640, 0xA89070, 12), 30);
}

// A player who has just earned the bees (level 8 won) opens level 9's window from the map at both
// sizes: the new-bonus tutorial's arrow points at the bees' slot from its right and its box stands
// in the bonuses' row, leaving the goals and medal times in sight. With the boots and the good feed
// beside them the arrow points from the left, off the other slots; with the gears too (no new
// bonus) the arrow at the bonuses button and its box leave goals, times and record in sight.
TEST(LevelPagesScenario, TheNewBonusBoxLeavesTheGoalsAndTimesInSight) {
    const std::vector<int> kOwned[] = {{0}, {0, 2, 4}, {0, 2, 4, 5}};
    for (int c = 0; c < 6; ++c) {
        const windowsizes::WindowSize size = windowsizes::kSizes[c % 2];
        const std::vector<int>& owned = kOwned[c / 2];
        SCOPED_TRACE(windowsizes::Describe(size) + ", bonuses " + std::to_string(owned.size()));
        GameCopy game;
        ASSERT_TRUE(testsupport::UseWindow(game, size.width, size.height));
        testplayers::MakeEasyPlayer(game.User(), u"ida", 8, kLevelSilver, true, [&](ProfileRecord& record) {
            RegimeProgress& easy = record.results.regimes[kRegimeEasy];
            for (size_t k = 0; k < 3; ++k)
                easy.chosen[k] = k < owned.size() ? owned[k] : -1;
            for (int bonus : owned)
                easy.owned[bonus] = 1;
            easy.chosenCount = int32_t(std::min<size_t>(owned.size(), 3));
            if (owned.size() < 4) easy.newBonus = 1u << 24; // the bees, new
        });
        // The map is drawn at the window's height over 768.
        const MapPoint nine = CellPosition(8);
        const std::string log = RunGame(
            game, "newbonus-" + windowsizes::Describe(size),
            Key(5000, "M") + Click(6000, nine.x * size.height / 768, (nine.y + 4) * size.height / 768), 8000,
            {{7900, "window"}}, true);
        ASSERT_NE(log.find("40030000 starts: new bonus"), std::string::npos) << log;
        const Shot window = LoadShot(game.File("window.png"));
        ASSERT_TRUE(window.ok);
        // The level window (600 x 525) stands centred: its medal times' row
        // from 215 to 305 px below its top, the bonuses' row under it.
        const int left = (size.width - 600) / 2, top = (size.height - 525) / 2;
        // (The gold medal's shade holds a few of the arrow's yellow, the
        // goals' faces some of the box's cream.)
        EXPECT_LT(window.Count(left, top + 215, left + 600, top + 305, tutorialplay::ArrowYellow), 60)
            << "the arrow over the times";
        EXPECT_LT(window.Count(left, top + 95, left + 600, top + 305, tutorialplay::Parchment), 6000)
            << "the box over the goals and times";
        const int otherSlots =
            window.Count(left + 270, top + 320, left + 394, top + 450, tutorialplay::ArrowYellow);
        EXPECT_TRUE(owned.size() != 3 || otherSlots < 60) << "the arrow over the boots and the good feed";
        if (owned.size() != 1) continue;
        EXPECT_GT(window.Count(left, top + 315, size.width, top + 430, tutorialplay::Parchment), 10000)
            << "the box in the bonuses' row";
        // The whole arrow beside the slot, 288 to 363 px right of the window's left.
        EXPECT_GT(window.Count(left + 280, top + 360, left + 370, top + 420, tutorialplay::ArrowYellow), 400)
            << "the box over its arrow";
    }
}
