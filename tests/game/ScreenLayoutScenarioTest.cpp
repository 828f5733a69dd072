// What a new player sees at the default window of 800 x 600 and at
// 1024 x 768: the first click on the grass starts a level's clock, the
// tutorial's arrow stands at the site it names rather than on the grass
// below it, and the map tutorial's box is on the screen with its text whole.
#include "app/Profiles.h"
#include "levelui/LevelPanel.h"
#include "levelui/PanelLayout.h"
#include "tests/game/BuiltTables.h"
#include "tests/game/LevelTutorialPlay.h"
#include "tests/game/Players.h"
#include "tests/game/WindowSizes.h"
#include "tests/support/GameCopy.h"
#include "tests/support/InputScript.h"
#include "tests/support/MissingContent.h"
#include "tests/support/Screenshot.h"
#include "tests/support/ScriptPlay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

using testsupport::GameCopy;
using testsupport::Shot;
using testsupport::script::quick::Click;
using namespace windowsizes;

namespace {

// Runs the showcase program at the window size with its keys, a screenshot
// at each time; answers the log.
std::string Play(GameCopy& game, WindowSize size, const std::string& events,
                 const std::vector<std::pair<int, std::string>>& shots, int untilMs) {
    return PlayAt(game, size, {.events = events, .shots = shots, .untilMs = untilMs});
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

// The last row of the rectangle, from the top row on, that holds a pixel of the colour; top when none.
int BottomRow(const Shot& shot, int left, int top, int right, int bottom,
              const std::function<bool(int r, int g, int b)>& test) {
    int last = top;
    for (int y = top; y < bottom; ++y)
        if (shot.Count(left, y, right, y + 1, test) > 0) last = y;
    return last;
}

// Level NN opened from the showcase and its clock started by a click on the
// grass at field (300, 240) at 8 s.
std::string LevelStarted(const std::string& level, const FieldOnScreen& field) {
    return tutorialplay::Opening(level) + Click(8000, field.X(300), field.Y(240));
}

// Escape at 9 s opens the pause menu (its window's top 55 or 129 px down);
// its second bar, "Restart" (68 px below the first, which starts 94 px down),
// is clicked at 11 s and opens the level window.
std::string RestartFromThePauseMenu(WindowSize size) {
    return "9000 key down ESCAPE\n9100 key up ESCAPE\n" +
           Click(11000, size.width / 2, (size.width == 800 ? 55 : 129) + 94 + 68 + 20) +
           "11100 mouse move 2 300\n";
}

} // namespace

// No campaign level has the lower part of a building, where a player clicks
// it, under the row of three bonus buttons at either window size.
TEST(ScreenLayoutScenario, NoLevelsPointStandsUnderTheBonusButtons) {
    builttables::Tables tables;
    std::string why;
    ASSERT_TRUE(tables.Load(testsupport::BuiltProgramFolder() + "/Data/Data.dat", &why)) << why;
    for (const WindowSize size : kSizes)
        for (uint32_t i = 0; i < kLevelCount; ++i)
            for (const PointRecord& p : tables.levels.Get(i)->points) {
                const FieldOnScreen f(size);
                const int top = size.height - kPanelHeight + kBonusRowOffset,
                          half = 3 * BonusButton::kWidth / 2;
                EXPECT_FALSE(std::abs(f.X(float(p.x)) - size.width / 2) < f.scale * 45 + half &&
                             f.Y(float(p.y + 25)) > top && f.Y(float(p.y - 60)) < top + BonusButton::kHeight)
                    << "level " << i + 1 << " (" << p.x << ", " << p.y << ") at " << Describe(size);
            }
}

// A point takes a click where it is drawn and the grass beside it takes none, at 800 x 600 in clicks
// placed on the screenshots, each after one on a bed (`reference`): on the warehouse, each animal house
// (the sheep and the pen's rail, the hens' nest, the legs of the cows that the feed click at 8 s brings
// out below their shed), each factory, the sheep rack's eave under its feed
// bubble, a bed, the tree's crown, the garbage heap and a clean site's patch each selects its point; on the
// grass beside one (-1) nothing. The warehouse (point 0) opens its window, which holds the level: last.
// At 1024 x 768: the puddles level 24's shots (seed 9) leave on bed 5 and the cowshed by 60 s, over grass;
// the stars over level 16's henhouse and bakery roofs; the feed bubble's arrow tip (level 16) and the harvest
// button's pin (level 2), whose first click orders the work, and that harvest's icon waiting over its bed.
// Level 33's mill: its free production slots (800 x 600, full screen) and, while the press at 8 s makes
// flour, the fill hanging below its slot, which cancels the slot (its wheat comes back); the bakery's greyed
// pie button (no flour, no eggs) selects the bakery. Level 24's robber
// walking in and out, pressed in the leading edge of its picture in the frame drawn at that moment.
TEST(ScreenLayoutScenario, APointsWholePictureTakesItsClick) {
    const WindowSize large = kSizes[1], full = {1920, 1080};
    const struct {
        const char* level;
        int x, y, point; // the reference
        const char* picks;
        int feedX = 0, feedY = 0;
        const char* ordered = "Feeding ordered";
        WindowSize size = kSizes[0];
        int from = 0; // the picks start (without: at 8 s, or 20 s after a feed click)
        const char* more = "";
    } plays[] = {
        {"24", 557, 355, 6, "444 186 2 330 150 1 298 160 -1 690 240 3 678 234 3 660 240 -1 285 380 -1", 465,
         105},
        {"24", 360, 465, 4, "512 478 5 600 245 2", 0, 0, "Feeding ordered", large, 60000, " --seed 9"},
        {"16", 540, 475, 4, "828 154 2 600 150 1", 756, 201, "Feeding ordered             point 2", large},
        {"02", 700, 470, 4, "470 422 3", 480, 419, "Into the warehouse          1 of 1 wheat", large, 8000},
        {"34", 421, 363, 4, "448 137 2 330 140 1 300 120 -1 600 180 6 600 200 -1 550 330 7 520 345 -1"},
        {"36", 421, 363, 6, "395 160 1 600 165 2 575 140 -1 715 225 3 700 195 -1 140 270 4 615 420 9"},
        {"37", 421, 363, 5, "330 160 1 472 204 2 602 150 3 640 175 -1 716 250 7 716 272 -1 285 375 -1"},
        {"01", 512, 302, 2, "150 96 -1 361 242 1 361 262 -1 140 150 0"},
        {"33", 421, 363, 5, "318 103 1 342 103 1"},
        {"33", 1000, 700, 5, "801 198 1", 0, 0, "Feeding ordered", full},
        {"33", 540, 480, 5, "404 153 -1 600 90 2", 420, 100, "+1 wheat at (404", large, 8000},
        {"24", 360, 465, 4, "959 410 -1", 20, 300, "hit: health", large, 37980},
        {"24", 360, 465, 4, "971 410 -1", 20, 300, "hit: health", large, 46980}};
    for (const auto& play : plays) {
        std::string events = tutorialplay::Opening(play.level), expected, seen;
        std::istringstream picks(play.picks);
        if (play.feedX) events += Click(8000, play.feedX, play.feedY);
        if (play.from && !play.feedX) events += Click(8000, 20, 300); // the grass starts the clock
        int ms = play.from ? play.from : play.feedX ? 20000 : 8000, x = 0, y = 0, point = 0;
        bool warehouse = false;
        while (picks >> x >> y >> point) {
            warehouse = point == 0;
            events += Click(ms += 500, play.x, play.y);
            events += Click(ms += 500, x, y);
            for (const int selected : {play.point, point})
                if (selected > 0) expected += "point " + std::to_string(selected) + "\n";
        }
        const std::string log = PlayAt(GameCopy(), play.size,
                                       {.events = events, .untilMs = ms + 1500, .moreArguments = play.more});
        for (const std::string& line : testsupport::LogLines(log, "Point selected"))
            seen += line.substr(line.find("point "), line.find(" (") - line.find("point ")) + "\n";
        EXPECT_EQ(seen, expected) << "level " << play.level;
        EXPECT_EQ(testsupport::LogLines(log, "window opened").size(), warehouse ? 1u : 0u) << play.level;
        EXPECT_EQ(testsupport::LogLines(log, play.ordered).size(), play.feedX ? 1u : 0u) << play.level;
    }
}

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
        const std::string events = LevelStarted("01", field) + Click(9800, field.X(300), field.Y(120));
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
        // The map's own medals panel below shows its zeros too, its top edge under the window's frame.
        EXPECT_GT(awards.Count(cx - 120, size.height - 40, cx - 95, size.height - 14, dark), 25);
        EXPECT_EQ(awards.NearIn(cx - 100, size.height - 50, cx + 100, size.height - 44, 0x5A3410, 6), 0);
    }
}

// The pause menu over level 1, opened by the "Menu" button in the top-right
// corner, whose frame shows whole up to the screen's edge: each command's
// label stands inside its bar with the bar's face showing above and below
// it, not over its frame.
TEST(ScreenLayoutScenario, ThePauseMenusLabelsFitInTheirBars) {
    for (const WindowSize size : kSizes) {
        SCOPED_TRACE(Describe(size));
        GameCopy game;
        tutorialplay::MakeProfile(game.User(), 0);
        const FieldOnScreen field(size);
        // "Menu" (88 x 30, 1 px from the right edge) opens the menu once the
        // clock runs; a click in "Continue" (its bar's top 94 px below the
        // centred window's) closes it.
        const int cx = size.width / 2, windowTop = size.width == 800 ? 55 : 129;
        const std::string events = LevelStarted("01", field) + Click(9000, size.width - 45, 16) +
                                   "9100 mouse move 2 300\n" + Click(11000, cx, windowTop + 94 + 20) +
                                   "11100 mouse move 2 300\n";
        Play(game, size,
             events + "13000 key down ESCAPE\n13100 key up ESCAPE\n" + Click(15000, cx, windowTop + 250),
             {{8900, "level"}, {10500, "menu"}, {12500, "closed"}, {18000, "awards"}}, 18100);
        const Shot level = tutorialplay::Load(game, "level"), menu = tutorialplay::Load(game, "menu"),
                   closed = tutorialplay::Load(game, "closed");
        ASSERT_TRUE(level.ok && menu.ok && closed.ok);
        // The button's dark frame on both sides of its face, across its
        // middle row: 5 px at the right, short of the corner's last column.
        const auto frame = [](int r, int g, int b) { return testsupport::ColourNear(r, g, b, 0x7A4E20, 8); };
        const auto face = [](int r, int g, int b) { return testsupport::ColourNear(r, g, b, 0xC89858, 8); };
        EXPECT_EQ(level.Count(size.width - 6, 15, size.width - 1, 16, frame), 5) << "the frame's right side";
        EXPECT_EQ(level.Count(size.width - 89, 15, size.width - 84, 16, frame), 5) << "the frame's left side";
        EXPECT_GT(level.Count(size.width - 84, 4, size.width - 6, 28, face), 600) << "the button's face";
        const auto ring = [](int r, int g, int b) { return testsupport::ColourNear(r, g, b, 0xA08868, 6); };
        const auto label = [](int r, int g, int b) { return r < 120 && g < 100 && b < 80; };
        // The first bar: its frame's top and bottom rows in a column right of
        // every label.
        const int column = cx + 80;
        const int top = TopRow(menu, column, windowTop + 60, column + 1, windowTop + 140, ring);
        ASSERT_GE(top, windowTop + 60) << "no menu bar";
        const int bottom = BottomRow(menu, column, top, column + 1, top + 60, ring); // short of the next bar
        ASSERT_GT(bottom, top + 10);
        const int textTop = TopRow(menu, cx - 105, top, cx + 40, bottom + 12, label);
        ASSERT_GE(textTop, top) << "no label in the bar";
        const int textBottom = BottomRow(menu, cx - 105, textTop, cx + 40, bottom + 12, label);
        EXPECT_GE(textTop, top + 9) << "the label's top on the bar's frame (bar " << top << ".." << bottom
                                    << ")";
        EXPECT_LE(textBottom, bottom - 9)
            << "the label's foot on the bar's frame (bar " << top << ".." << bottom << ")";
        // The click landed on the bar and it answered: the menu closed.
        EXPECT_LT(windowTop + 94 + 20, bottom);
        EXPECT_LT(closed.Count(column - 40, top, column + 1, bottom, ring), 5) << "the menu stayed open";
        // Escape opens it again, its third bar "Awards": that window's frame starts below the money strip.
        EXPECT_GT(TopRow(tutorialplay::Load(game, "awards"), cx + 287, 0, cx + 290, cx,
                         [](int r, int g, int) { return r > g + 20; }),
                  kMoneyStripHeight);
    }
}

// The options window: the music bar ends before the sound toggle beside it
// and the sound bar inside the window's frame.
TEST(ScreenLayoutScenario, TheOptionsVolumeBarsKeepToTheirPlaces) {
    for (const WindowSize size : kSizes) {
        SCOPED_TRACE(Describe(size));
        GameCopy game;
        // A first player "a" is made; the main menu's "options" opens the
        // window (520 x 330, centred).
        const bool small = size.width == 800;
        const std::string events = Click(40, 500, 300) + "4500 key down A\n4550 key up A\n" +
                                   "4600 key down RETURN\n4650 key up RETURN\n" +
                                   Click(6700, small ? 589 : 749, small ? 489 : 581) +
                                   "6900 mouse move 5 300\n";
        const std::string log = PlayAt(game, size,
                                       {.events = events,
                                        .shots = {{7900, "options"}},
                                        .untilMs = 8000,
                                        .program = true,
                                        .drawEvery = 1});
        ASSERT_NE(log.find("The options window opens."), std::string::npos);
        const Shot options = testsupport::LoadShot(game.File("options.png"));
        ASSERT_TRUE(options.ok);
        const auto bar = [](int r, int g, int b) {
            return testsupport::ColourNear(r, g, b, 0x4AA040, 8) ||
                   testsupport::ColourNear(r, g, b, 0x7A5A38, 8);
        };
        const int left = (size.width - 520) / 2, top = (size.height - 330) / 2;
        // The bars' row: both are there.
        const int rowTop = top + 180, rowBottom = top + 215;
        EXPECT_GT(options.Count(left + 90, rowTop, left + 250, rowBottom, bar), 1000) << "the music bar";
        EXPECT_GT(options.Count(left + 340, rowTop, left + 490, rowBottom, bar), 1000) << "the sound bar";
        // Nothing of a bar under the sound toggle (window x 278..302; its
        // green tick may share a stray pixel's colour) nor beyond the
        // window's inner edge.
        EXPECT_LT(options.Count(left + 270, rowTop, left + 310, rowBottom, bar), 10);
        EXPECT_EQ(options.Count(left + 505, rowTop, left + 540, rowBottom, bar), 0);
    }
}

// The level window that the pause menu's "Restart" opens: each medal time's
// icon ends before its time's first digit.
TEST(ScreenLayoutScenario, TheLevelWindowsMedalIconsStandBeforeTheirTimes) {
    for (const WindowSize size : kSizes) {
        SCOPED_TRACE(Describe(size));
        GameCopy game;
        tutorialplay::MakeProfile(game.User(), 0);
        const FieldOnScreen field(size);
        Play(game, size, LevelStarted("01", field) + RestartFromThePauseMenu(size), {{12500, "window"}},
             12600);
        const Shot window = tutorialplay::Load(game, "window");
        ASSERT_TRUE(window.ok);
        // The medal times' half of the 600-px window (the record's half
        // starts 330 px in).
        const int left = (size.width - 600) / 2, right = left + 325;
        const auto time = [](int r, int g, int b) { return testsupport::ColourNear(r, g, b, 0xFFFF8B, 10); };
        const auto medal = [](int r, int g, int b) {
            const bool gold = r > 200 && g > 150 && g < 215 && b < 90;
            const bool silver = r > 150 && r < 235 && std::abs(r - g) < 12 && std::abs(g - b) < 20;
            return gold || silver;
        };
        int rows = 0;
        // Above the level panel (115 px), whose own times the window leaves
        // uncovered at 1024 x 768.
        for (int y = size.height / 4; y < size.height - 115; ++y) {
            if (window.Count(left, y, right, y + 1, time) == 0) continue;
            // A time's band of rows: its first digit's column and the medal's
            // last column left of it.
            int bottom = y;
            while (bottom < size.height && window.Count(left, bottom + 1, right, bottom + 2, time) > 0)
                ++bottom;
            int first = right;
            for (int x = left; x < right && first == right; ++x)
                if (window.Count(x, y, x + 1, bottom + 1, time) > 0) first = x;
            int medalEnd = -1;
            for (int x = left; x < first + 30; ++x)
                if (window.Count(x, y - 4, x + 1, bottom + 5, medal) > 0) medalEnd = x;
            SCOPED_TRACE("the time at " + std::to_string(first) + ", " + std::to_string(y));
            EXPECT_GE(medalEnd, first - 40) << "no medal beside the time";
            EXPECT_LT(medalEnd, first) << "the medal reaches into the time";
            ++rows;
            y = bottom;
        }
        // "Restart" answered: the window shows the easy regime's gold and
        // silver times.
        EXPECT_EQ(rows, 2);
        // The goal box's blue "Collect" keeps 4 rows clear of the box's dark top border.
        const int caption =
            TopRow(window, left + 260, 150, right, 400, [](int r, int, int b) { return b > r + 40; });
        EXPECT_TRUE(caption > 0 && window.NearIn(left + 260, caption - 4, right, caption, 0x5A3410, 12) == 0);
    }
}

// Level 31 of the test levels is won by clearing its garbage heap. The result window of the easy regime,
// which has no bronze time, shows a sign with a sheaf of wheat in that time's place instead of an empty box,
// and its "OK" leaves the level. The first win is a new record: as the window reveals it, the "Record" row
// shrinks away about its clock and the "New record" row comes in from four times its size.
TEST(ScreenLayoutScenario, TheEasyResultWindowShowsASignInTheBronzeTimesPlace) {
    for (const WindowSize size : kSizes) {
        SCOPED_TRACE(Describe(size));
        GameCopy game(testsupport::LevelData::Scenarios);
        testplayers::MakeEasyPlayer(game.User(), u"rue", 30, kLevelGold, false);
        // The heap at field (420, 330) starts the clock; its clear button
        // 73 px above it wins the level. The window (488 x 303) stands
        // centred, its "OK" 270 px below its top.
        const FieldOnScreen field(size);
        const int left = (size.width - 488) / 2, top = (size.height - 303) / 2;
        const std::string events = tutorialplay::Opening("31") + Click(8000, field.X(420), field.Y(330)) +
                                   Click(9000, field.X(420), field.Y(330 - 73)) +
                                   Click(16000, size.width / 2, top + 270);
        // The record rows' reveal runs from about 14.5 s to 14.9 s.
        std::vector<std::pair<int, std::string>> shots = {{15250, "result"}};
        for (int t = 14400; t <= 14950; t += 50)
            shots.emplace_back(t, "reveal" + std::to_string(t));
        const std::string log = Play(game, size, events, shots, 18000);
        ASSERT_NE(log.find("Level won:                  level 31"), std::string::npos) << log;
        const Shot result = tutorialplay::Load(game, "result");
        ASSERT_TRUE(result.ok);
        // The sign's ears of wheat and its nails in the band's left end.
        EXPECT_GT(result.NearIn(left + 14, top + 60, left + 172, top + 130, 0xE8B448, 16), 120);
        EXPECT_GT(result.NearIn(left + 14, top + 60, left + 172, top + 130, 0x3A2210, 10), 40);
        // The silver time keeps a gap of the band's wood after its clock.
        const auto lightOrDark = [](int r, int g, int b) { return r + g + b > 600 || r + g + b < 200; };
        EXPECT_EQ(result.Count(left + 200, top + 95, left + 207, top + 109, lightOrDark), 0);
        // The labels' brown, faded as far as half way into the face.
        const auto ink = [](int r, int g, int b) { return r + g + b < 520 && r > b + 30; };
        // The labels' ink across the record rows' band (right of the medal's
        // box, left of the clock): the widest while the new record grows and
        // the narrowest while the old one shrinks, against their widths at rest.
        const auto labelWidth = [&](const Shot& shot) {
            int first = -1, last = -1;
            for (int x = left + 110; x < left + 295; ++x)
                if (shot.Count(x, top + 204, x + 1, top + 236, ink) > 0) {
                    if (first < 0) first = x;
                    last = x;
                }
            return first < 0 ? 0 : last - first + 1;
        };
        const int recordAtRest = labelWidth(tutorialplay::Load(game, "reveal14400"));
        const int newRecordAtRest = labelWidth(result);
        int narrowest = recordAtRest, widest = 0;
        for (int t = 14450; t <= 14950; t += 50) {
            const int width = labelWidth(tutorialplay::Load(game, "reveal" + std::to_string(t)));
            if (width > 0) narrowest = std::min(narrowest, width);
            widest = std::max(widest, width);
        }
        // "New record" at rest: no stray dot of another letter a row over its letters' top.
        const int inkTop = TopRow(result, left + 110, top + 204, left + 295, top + 236, ink);
        EXPECT_EQ(TopRow(result, left + 110, inkTop + 1, left + 295, top + 236, ink), inkTop + 1);
        EXPECT_GT(recordAtRest, 30);
        EXPECT_GT(newRecordAtRest, recordAtRest);
        EXPECT_LT(narrowest, recordAtRest * 8 / 10) << "the record row shrinking";
        EXPECT_GT(widest, newRecordAtRest * 3 / 2) << "the new record row growing";
        // "OK" answered: the level was left (the showcase stands in for
        // the map).
        const size_t opened = log.find("Level result                window opened");
        ASSERT_NE(opened, std::string::npos) << log;
        EXPECT_NE(log.find("Leaving level 31.", opened), std::string::npos) << log;
    }
}

namespace {

// The rows of the first line of the captions' dark blue in the rectangle:
// for each row from the line's top, its share of the line's blue (how much
// bluer than red each pixel is, summed). A word's share per row does not
// change when it is drawn half a pixel to the side.
std::vector<double> CaptionRows(const Shot& shot, int left, int top, int right, int bottom) {
    const auto blue = [](int r, int g, int b) { return b > r + 30 && b > g + 10; };
    const int first = TopRow(shot, left, top, right, bottom, blue);
    std::vector<double> rows;
    if (first < 0) return rows;
    double total = 0;
    for (int y = first; y < bottom && shot.Count(left, y, right, y + 1, blue) > 0; ++y) {
        double mass = 0;
        for (int x = left; x < right; ++x) {
            const uint32_t c = shot.At(x, y);
            const int r = int(c >> 16 & 0xFF), g = int(c >> 8 & 0xFF), b = int(c & 0xFF);
            if (blue(r, g, b)) mass += b - r;
        }
        rows.push_back(mass);
        total += mass;
    }
    for (double& row : rows)
        row /= total;
    return rows;
}

// A current player with level 1 won and level 2 open, past the map's
// tutorial and without the level tutorials.
void MakeLevelTwoPlayer(const GameCopy& game) {
    testplayers::MakeEasyPlayer(game.User(), u"lea", 1, kLevelGold, false);
}

} // namespace

// Level 2's goal is flour, made from wheat: its goal button reads "Produce"
// on the level panel and in the level window that the pause menu's
// "Restart" opens over it; the two captions are the same word, drawn alike.
TEST(ScreenLayoutScenario, AGoalReadsTheSameInTheLevelWindowAndOnThePanel) {
    for (const WindowSize size : kSizes) {
        SCOPED_TRACE(Describe(size));
        GameCopy game;
        MakeLevelTwoPlayer(game);
        const FieldOnScreen field(size);
        const int cx = size.width / 2;
        Play(game, size, LevelStarted("02", field) + RestartFromThePauseMenu(size), {{12500, "goals"}},
             12600);
        const Shot goals = tutorialplay::Load(game, "goals");
        ASSERT_TRUE(goals.ok);
        const std::vector<double> window = CaptionRows(goals, cx - 150, cx == 400 ? 180 : 260, cx + 150, cx);
        const std::vector<double> panel =
            CaptionRows(goals, 0, size.height - 115, cx - 100, size.height - 85);
        ASSERT_FALSE(window.empty()) << "no goal in the level window (\"Restart\" did not answer)";
        ASSERT_FALSE(panel.empty()) << "no goal on the panel";
        // The same word: the same height and the same share of ink per row.
        ASSERT_EQ(window.size(), panel.size());
        double apart = 0;
        for (size_t y = 0; y < window.size(); ++y)
            apart += std::abs(window[y] - panel[y]);
        EXPECT_LT(apart, 0.15) << "the captions are different words";
    }
}

// Level 2's empty site: its panel offers "Plants" and "Buildings". The
// "Buildings" hint shows while the mouse rests on the button; a click there
// puts the list of buildings in the panel's place, and the hint goes with its
// button though the mouse has not moved.
TEST(ScreenLayoutScenario, AHintGoesWithItsButton) {
    for (const WindowSize size : kSizes) {
        SCOPED_TRACE(Describe(size));
        GameCopy game;
        MakeLevelTwoPlayer(game);
        // The site at field (440, 220); "Buildings" the second of the two
        // buttons centred in the panel's middle part.
        const FieldOnScreen field(size);
        const int bx = size.width == 800 ? 538 : 675, by = size.height - 115 + 68;
        const std::string events = tutorialplay::Opening("02") + Click(8000, field.X(440), field.Y(220)) +
                                   testsupport::script::Move(9000, bx, by) + Click(10500, bx, by);
        Play(game, size, events, {{10400, "hint"}, {11500, "after"}}, 11600);
        const Shot hint = tutorialplay::Load(game, "hint"), after = tutorialplay::Load(game, "after");
        ASSERT_TRUE(hint.ok && after.ok);
        // The hint's light face above the button, over the field; the
        // button's red house.
        const auto face = [](int r, int g, int b) { return r > 245 && g > 235 && b > 200 && b < 240; };
        const auto house = [](int r, int g, int b) { return r > 150 && g < 80 && b < 80; };
        EXPECT_GT(hint.Count(bx - 120, by - 140, bx + 120, by - 75, face), 4000) << "the hint";
        EXPECT_GT(hint.Count(bx - 30, by - 30, bx + 30, by + 10, house), 100) << "the button";
        // The click answered: the button is gone, and its hint with it.
        EXPECT_LT(after.Count(bx - 30, by - 30, bx + 30, by + 10, house), 10) << "the button stayed";
        EXPECT_LT(after.Count(bx - 120, by - 140, bx + 120, by - 75, face), 100) << "the hint stayed";
    }
}

// Level 2: a mill built on the site at field (440, 220) shows its flour
// button 150 field px above it. At 800 x 600 that place lies under the
// money strip at the top: the button moves down so its frame shows whole
// below the strip, and a click on its middle (with wheat harvested from the
// bed at point 3 in stock) starts the flour.
TEST(ScreenLayoutScenario, TheMillsButtonStandsBelowTheTopBarAndTakesClicks) {
    for (const WindowSize size : kSizes) {
        SCOPED_TRACE(Describe(size));
        GameCopy game;
        MakeLevelTwoPlayer(game);
        // The site, "Buildings" and the mill (the panel's first button); the
        // bed's harvest button; the flour button's middle (34 field px high).
        const FieldOnScreen field(size);
        const bool small = size.width == 800;
        const int bx = small ? 538 : 675, mx = small ? 440 : 577, by = size.height - 115 + 68;
        const int x = field.X(440), clickY = small ? 61 : 71;
        const std::string events = tutorialplay::Opening("02") + Click(8000, field.X(440), field.Y(220)) +
                                   Click(9000, bx, by) + Click(10000, mx, by) +
                                   Click(14000, field.X(480), field.Y(383)) + Click(20000, x, clickY) +
                                   "20100 mouse move 2 300\n";
        const std::string log = Play(game, size, events, {{19900, "mill"}}, 20500);
        const Shot mill = tutorialplay::Load(game, "mill");
        ASSERT_TRUE(mill.ok);
        // Down the button's column (clear of its icon), past the strip: the
        // first row of the button is its top frame, not its face cut by the
        // strip.
        const int column = x + 6;
        const auto strip = [](int r, int g, int b) {
            return testsupport::ColourNear(r, g, b, 0xA86A30, 6) ||
                   testsupport::ColourNear(r, g, b, 0x5A3410, 6);
        };
        const auto frame = [](int r, int g, int b) { return testsupport::ColourNear(r, g, b, 0x7A5A30, 10); };
        const auto face = [](int r, int g, int b) { return testsupport::ColourNear(r, g, b, 0xE8D8B0, 10); };
        int y = 30;
        while (y < 120 && mill.Count(column, y, column + 1, y + 1, strip) > 0)
            ++y;
        while (y < 120 && mill.Count(column, y, column + 1, y + 1, frame) == 0 &&
               mill.Count(column, y, column + 1, y + 1, face) == 0)
            ++y;
        EXPECT_EQ(mill.Count(column, y, column + 1, y + 1, frame), 1) << "the button's top at row " << y;
        EXPECT_NEAR(y + int(std::lround(17 * field.scale)), clickY, 3) << "the click at the button's middle";
        ASSERT_NE(log.find("Into the warehouse          1 of 1 wheat"), std::string::npos) << log;
        EXPECT_NE(log.find("Production started          flour"), std::string::npos) << log;
    }
}
