// Every picture and text the game asks for is there. Two headless runs walk
// the screens a player meets, the sample levels and the comics; the log names
// every sprite ("Sprite missing") and text ("Text missing") that was asked
// for and not found, every square-bracket tag a text kept as it stands ("Tag
// unexpanded") and every text put together with the missing-text marker
// ("Missing text shown"), and any such line fails the test with its names. Each walk also
// proves it reached its screens, so a walk that stopped early cannot pass.
#include "app/Profiles.h"
#include "gui/Regime.h"
#include "tests/game/ProgramTest.h"
#include "tests/game/WindowSizes.h"
#include "tests/support/MissingContent.h"

using namespace programtest;
using namespace windowsizes;
using testsupport::MissingContent;

namespace {

using testsupport::script::Move;
using testsupport::script::held::Click;
using testsupport::script::held::Key;

// The pointer leaves afterwards, so that no hint stays open over the next step.

size_t Count(const std::string& log, const std::string& text) {
    return testsupport::LogLines(log, text).size();
}

// The log's lines of a caption running past its button's sides, a window at
// rest past the screen's edges and a tutorial box past them (the program
// tells each once); empty when there are none.
std::string OutOfPlace(const std::string& log) {
    std::string found;
    for (const char* what :
         {"Caption overflows its button", "Window outside the screen", "Tutorial box outside the screen"})
        for (const std::string& line : testsupport::LogLines(log, what))
            found += line + "\n";
    return found;
}

// The walk at the window size. Only its log is looked at, so it draws only
// every tenth frame: the others run the same drawing code, without pixels,
// and the log is the same for every count.
std::string Walk(const GameCopy& game, WindowSize size, const std::string& events, int untilMs,
                 bool program) {
    return PlayAt(game, size, {.events = events, .untilMs = untilMs, .program = program, .drawEvery = 10});
}

} // namespace

// At 800 x 600 and 1024 x 768 from an empty user folder: the logos, the
// main screen and its new-player window, the options and the credits; "easy"
// with the first comic, the map with its decorations, animals, water and both
// tutorials, the level window of level 1 and the awards window. No caption
// runs past its button and no window or tutorial box past the screen.
TEST(ArtCoverage, ThePlayersPathFromTheLogosToTheMapShowsEverything) {
    // Where the walk clicks: the menu's "easy" and "options", "credits",
    // level 1's house on the map, the level window's cancel and "awards".
    struct Places {
        int menuX, easyY, optionsY, creditsY, houseX, houseY, cancelX, cancelY, awardsY;
    };
    for (const WindowSize screen : kSizes) {
        SCOPED_TRACE(Describe(screen));
        const int w = screen.width, h = screen.height, cx = w / 2, cy = h / 2;
        const Places at = w == 800 ? Places{589, 353, 489, 558, 113, 100, cx - 68, cy + 154, 552}
                                   : Places{749, 445, 581, 726, 143, 150, cx - 68, cy + 154, 722};
        GameCopy game;
        std::string events = "1500 mouse move 500 300\n"; // the logos stand a while, then a click skips them
        events += Click(2500, 500, 300);
        int ms = 5500;
        for (int i = 0; i < 17; ++i, ms += 60) // the offered name goes
            events += Key(ms, "BACK");
        for (const char* key : {"A", "N", "N"})
            events += Key(ms, key), ms += 60;
        events += Key(ms + 100, "RETURN");
        events += Click(7500, at.menuX, at.optionsY) + Key(8500, "ESCAPE"); // the options
        events += Click(9000, 40, at.creditsY) + Key(11000, "ESCAPE");      // the credits
        // "easy": the comic's two clicks, the villains' attack, level 1's window.
        events += Click(11800, at.menuX, at.easyY) + Click(12600, cx, cy + 216) + Click(13300, cx, cy + 216);
        events += Click(15600, cx, cy - 84) + Click(17700, at.houseX, at.houseY);
        events += Click(19000, at.cancelX, at.cancelY); // its cancel
        events += Click(19800, 88, at.awardsY) +
                  Click(25000, cx - 1, cy + 225); // the awards window, its bars at rest
        const std::string log = Walk(game, screen, events, 26000, true);

        EXPECT_EQ(MissingContent(log), "");
        EXPECT_EQ(OutOfPlace(log), "");
        EXPECT_EQ(Count(log, "The main screen opens."), 1u) << log;
        EXPECT_EQ(Count(log, "The options window opens."), 1u) << log;
        EXPECT_EQ(Count(log, "The credits window opens."), 1u) << log;
        EXPECT_EQ(Count(log, "with the introductory comic"), 1u) << log;
        EXPECT_EQ(Count(log, "the level window of level 1 opens"), 1u) << log;
    }
}

// At 800 x 600 and 1024 x 768 on the screen after loading: each sample level typed and
// opened, its information page closed (level 32's has a strip of every
// kind), the pointer over its goal buttons, the warehouse window opened with
// the pointer over its first tile and closed, the pause menu and its restart's level window, then the menu's
// way back. Then the comics after the story levels, each typed and shown, its page completed and closed onto
// the map, which (without a profile) gives the screen back.
TEST(ArtCoverage, EverySampleLevelWithItsPanelAndWindowsShowsEverything) {
    for (const WindowSize screen : kSizes) {
        SCOPED_TRACE(Describe(screen));
        GameCopy game;
        const std::vector<std::string> levels = {"31", "32", "33", "34", "35", "36", "1",
                                                 "4",  "6",  "8",  "15", "29", "37"};
        const int width = screen.width, height = screen.height;
        const int menuX = (width - 269) / 2, menuY = (height - 510) / 2;
        // The panel's goal buttons and warehouse button, the warehouse window's first tile.
        const bool small = width == 800;
        const std::vector<int> goalXs =
            small ? std::vector<int>{45, 135, 225} : std::vector<int>{146, 296, 446};
        const int storeX = small ? 750 : 912, tileX = small ? 166 : 278, tileY = small ? 190 : 273;
        std::string events = Click(40, 400, 300);
        int t = 5000;
        for (const std::string& level : levels) {
            for (char digit : level)
                events += Key(t, std::string(1, digit)), t += 100;
            events += Key(t, "F6"), t += 1300;
            events += Click(t, width / 2, height / 2), t += 700; // the page goes, the clock starts
            for (int x : goalXs)                                 // each goal button's hint
                events += Move(t, x, height - 60), t += 700;
            events += Click(t, storeX, height - 60), t += 1600;        // the warehouse button
            events += Move(t, tileX, tileY), t += 900;                 // the first tile's hint
            events += Click(t, width / 2, height / 2 + 182), t += 700; // the window's close
            events += Key(t, "ESCAPE"), t += 1100;                     // the pause menu
            events += Click(t, menuX + 126, menuY + 182), t += 1600;   // restart: the level window
            events += Key(t, "ESCAPE"), t += 1100;                     // back to the menu
            events += Click(t, menuX + 126, menuY + 376), t += 1300;   // to the map
        }
        const std::vector<std::string> comics = {"1", "2", "3"};
        for (const std::string& comic : comics) {
            events += Key(t, comic) + Key(t + 100, "F4"), t += 3500; // the fade and the panels coming in
            events += Click(t, width / 2, height / 2), t += 800;     // completes the page or closes it
            events += Click(t, width / 2, height / 2), t += 1500;    // closes it or falls on the way back
        }
        const std::string log = Walk(game, screen, events, t + 500, false);

        EXPECT_EQ(MissingContent(log), "");
        for (const std::string& level : levels)
            EXPECT_EQ(Count(log, "Opening level " + level + "."), 1u) << level << "\n" << log;
        EXPECT_EQ(Count(log, "window opened with"), levels.size()) << "a warehouse window each\n" << log;
        EXPECT_EQ(Count(log, "Level menu opened."), levels.size()) << log;
        EXPECT_EQ(Count(log, "-> 0x00000007"), comics.size()) << "each comic shown\n" << log;
        EXPECT_EQ(Count(log, "-> 0x00000006"), levels.size() + 1 + comics.size())
            << "each level left for the map, each comic's map given back\n"
            << log;
        EXPECT_EQ(OutOfPlace(log), "");
    }
}

// At 1024 x 768 a player who owns three bonuses and takes two into her
// levels opens level 20 from the map: the level window's bonus slots, the
// pointer resting on the first one and then on a goal for their hints.
TEST(ArtCoverage, TheLevelWindowsBonusSlotsAndGoalsShowEverything) {
    GameCopy game;
    testplayers::MakeBonusPlayer(game.User(), {0, 2, 4});
    const MapPoint twenty = CellPosition(19);
    std::string events = Click(40, 400, 300) + Key(5000, "M") + Click(6000, twenty.x, twenty.y + 4);
    events += Move(7000, 447, 510) + Move(8500, 360, 270) + Move(10000, 100, 700); // a slot, a goal
    const std::string log = Walk(game, {1024, 768}, events, 10500, false);

    EXPECT_EQ(MissingContent(log), "");
    EXPECT_EQ(OutOfPlace(log), "");
    EXPECT_EQ(Count(log, "the level window of level 20 opens"), 1u) << log;
}
