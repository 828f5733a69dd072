// Level 32 played from the stand-in screen ("32" then F6): a click on the
// wheat bed starts the clock; two seconds later a pulsing cross marks the
// robber's spot, it walks in, sets up its catapult and the cross goes. Its
// first shot is clicked in flight (+5), the second lands on the bakery (its
// puddle), and three clicks on the robber and its catapult drive it off: the
// catapult breaks, it runs away and pays 30. A level left while a shot flies
// continues with the shot where it was.
#include "app/Profiles.h"
#include "foundation/Ident.h"
#include "platform/Utf.h"
#include "tests/game/Players.h"
#include "tests/support/GameCopy.h"
#include "tests/support/InputScript.h"
#include "tests/support/Screenshot.h"
#include "tests/support/ScriptPlay.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using testsupport::GameCopy;
using testsupport::LevelData;
using testsupport::LoadShot;
using testsupport::Shot;

namespace {

using testsupport::script::held::Key;

// The field (1024 x 688) on the 800 x 600 screen: scaled by 520 / 688 and
// centred, so field (x, y) is at (13 + x * 0.756, y * 0.756).
int ScreenX(int x) {
    return int(std::lround(13.0 + x * 520.0 / 688.0));
}
int ScreenY(int y) {
    return int(std::lround(y * 520.0 / 688.0));
}

// A press at a field position (the mouse moves there 50 ms before).
std::string ClickField(int ms, int x, int y) {
    return testsupport::script::ClickAt(ms - 50, ScreenX(x), ScreenY(y), 50, 150);
}

// A press at a screen position.
std::string ClickScreen(int ms, int x, int y) {
    return testsupport::script::ClickAt(ms - 50, x, y, 50, 150);
}

// Skips the logos, then "32" and F6 open level 32; the click on the wheat
// bed at 7,000 ms starts its clock.
std::string Opening() {
    return testsupport::script::SkipLogos() + Key(6000, "3") + Key(6100, "2") + Key(6200, "F6") +
           ClickField(7050, 560, 300);
}

int RunGame(const GameCopy& game, const std::string& name, const std::string& events,
            const std::string& extra) {
    std::string output;
    const int status = testsupport::RunScript(game, name, events, extra, &output);
    EXPECT_EQ(status, 0) << output;
    return status;
}

std::string Shots(const GameCopy& game, const std::vector<std::pair<int, std::string>>& shots) {
    std::string args;
    for (const auto& [ms, name] : shots)
        args += testsupport::ScreenshotAt(ms, game.File(name));
    return args;
}

// The log's villain lines in order, without their labels.
std::vector<std::string> VillainLines(const std::string& log) {
    std::vector<std::string> lines;
    size_t at = 0;
    while ((at = log.find("Villain", at)) != std::string::npos) {
        const size_t end = log.find('\n', at);
        std::string line = log.substr(at, end - at);
        const size_t text = line.find_first_not_of(' ', line.find("  "));
        lines.push_back(line.substr(0, line.find("  ")) + ": " + line.substr(text));
        at = end;
    }
    return lines;
}

// Position in `lines` of the first line from `from` on that contains `text`; -1 none.
int Find(const std::vector<std::string>& lines, const std::string& text, int from = 0) {
    for (size_t i = size_t(from); i < lines.size(); ++i)
        if (lines[i].find(text) != std::string::npos) return int(i);
    return -1;
}

std::string SavedLevel(const std::string& user, uint32_t index) {
    ProfileManager profiles(platform::Utf8ToUtf16(user));
    profiles.Load();
    if (!profiles.Current()) return {};
    const auto* bytes = profiles.Current()->GetSavedLevel(index);
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

uint32_t U32(const std::string& bytes, size_t at) {
    uint32_t v = 0;
    std::memcpy(&v, bytes.data() + at, 4);
    return v;
}

// The travelled distance of the saved shot in flight at `target`; -1 none.
float SavedShotDistance(const std::string& bytes, uint32_t target) {
    const uint32_t kind = kis::NameId("robber");
    for (size_t at = 0; at + 28 <= bytes.size(); at += 4) {
        if (U32(bytes, at) != 28 || U32(bytes, at + 4) != 0 || U32(bytes, at + 8) != target ||
            U32(bytes, at + 12) != kind)
            continue;
        float travelled;
        std::memcpy(&travelled, bytes.data() + at + 24, 4);
        return travelled;
    }
    return -1.0f;
}

// Pixels of one colour in a box of half-size `half` around a field point.
int Pixels(const Shot& shot, int x, int y, int half, uint32_t colour, int tolerance = 24) {
    const int sx = ScreenX(x), sy = ScreenY(y);
    return shot.NearIn(sx - half, sy - half, sx + half, sy + half, colour, tolerance);
}

// Any of the three crosses' paints.
int CrossPixels(const Shot& shot) {
    const int sx = ScreenX(760), sy = ScreenY(300);
    return shot.Count(sx - 30, sy - 20, sx + 30, sy + 20, [](int r, int g, int b) {
        return testsupport::ColourNear(r, g, b, 0xE03028, 40) ||
               testsupport::ColourNear(r, g, b, 0xF06018, 40) ||
               testsupport::ColourNear(r, g, b, 0xC81850, 40);
    });
}

// The robber's install spot (760, 300), its catapult (712, 305), the
// bakery (780, 470) the shots aim at, the health bar 88 pixels above the
// spot.
constexpr int kSpotX = 760, kSpotY = 300;
constexpr int kBakeryX = 780, kBakeryY = 470;

} // namespace

TEST(VillainScenario, TheRobberSetsUpShootsAndIsDrivenOffWithLogLinesAndPictures) {
    GameCopy game(LevelData::Scenarios);
    testplayers::MakePlayer(game.User(), u"vera");
    // The first shot flies from 14,550 ms; the second from 17,950 ms and
    // lands at about 19,150 ms; the robber then packs up and walks off.
    const std::string events = Opening() + ClickScreen(15050, 566, 254) +                  // the first shot
                               ClickField(18100, kSpotX, kSpotY - 28) +                    // the robber
                               ClickField(18300, 712, 285) +                               // grass: nothing
                               ClickField(19400, 712, 293) + ClickField(19600, 712, 293) + // its catapult
                               Key(20700, "ESCAPE") + Key(20800, "Q") + "21000 close\n";
    ASSERT_EQ(RunGame(game, "play", events,
                      Shots(game, {{9400, "cross1.png"},
                                   {9550, "cross2.png"},
                                   {9700, "cross3.png"},
                                   {18500, "flight.png"},
                                   {20600, "after.png"}})),
              0);
    const std::string log = game.Log();
    const std::vector<std::string> lines = VillainLines(log);
    // Every step in its order.
    const char* const steps[] = {
        "a pulsing cross marks the spot (760, 300)",
        "comes to place 0",
        "the cross at (760, 300) goes",
        "sets up its catapult at (760, 300)",
        "attacks: its catapult stands",
        "fires a shot from (698, 244) at point 2 (1 left)",
        "clicked in flight",
        "fires a shot from (698, 244) at point 2 (0 left)",
        "hit: health 2 of 3",
        "lands on point 2: its puddle (damage 1)",
        "hit: health 1 of 3",
        "hit: health 0 of 3",
        "driven off, its catapult breaks: it runs away and pays 30",
        "runs away",
    };
    int at = 0;
    for (const char* step : steps) {
        const int found = Find(lines, step, at);
        ASSERT_GE(found, 0) << "missing or out of order: " << step << "\n" << log;
        at = found + 1;
    }
    EXPECT_NE(Find(lines, "pays 5"), -1) << log;
    EXPECT_EQ(Find(lines, "lands on point", Find(lines, "lands on point") + 1), -1)
        << "the first shot was burst by the click";

    // The level's money: 300, +5 for the shot, +30 for driving it off (the
    // level block's money word of the save made on leaving).
    const std::string saved = SavedLevel(game.User(), 31);
    ASSERT_GE(saved.size(), 40u) << log;
    EXPECT_EQ(U32(saved, 36), 335u);

    // The cross pulses: its size changes from picture to picture.
    const int crosses[] = {CrossPixels(LoadShot(game.File("cross1.png"))),
                           CrossPixels(LoadShot(game.File("cross2.png"))),
                           CrossPixels(LoadShot(game.File("cross3.png")))};
    EXPECT_GT(*std::min_element(std::begin(crosses), std::end(crosses)), 40);
    EXPECT_GT(*std::max_element(std::begin(crosses), std::end(crosses)) -
                  *std::min_element(std::begin(crosses), std::end(crosses)),
              *std::max_element(std::begin(crosses), std::end(crosses)) / 10);

    // While the second shot flies: the robber (its orange head), the
    // catapult's wood, the health bar (two red segments) and the gas trail.
    const Shot flight = LoadShot(game.File("flight.png"));
    ASSERT_TRUE(flight.ok) << flight.error;
    EXPECT_GT(Pixels(flight, kSpotX, kSpotY - 50, 14, 0xE07828, 30), 10) << "the robber";
    EXPECT_GT(Pixels(flight, 712, 290, 22, 0x8A5A30, 40), 20) << "the catapult";
    EXPECT_GT(Pixels(flight, kSpotX, kSpotY - 88, 14, 0xD83020, 40), 15) << "the health bar";
    const int sx = ScreenX(698), sy = ScreenY(244), tx = ScreenX(kBakeryX), ty = ScreenY(kBakeryY);
    const int trail =
        flight.Count(std::min(sx, tx) - 10, sy - 30, std::max(sx, tx) + 10, ty,
                     [](int r, int g, int b) { return g > r + 20 && g > b + 40 && g > 150 && r > 110; });
    EXPECT_GT(trail, 15) << "the gas trail";
    // The shot is a ball a player sees and hits: its purple core about as
    // wide as its click (32 pixels across), ringed in white on the grass.
    const auto shotCore = [](int r, int g, int b) { return testsupport::ColourNear(r, g, b, 0x6C1C9C, 40); };
    const int core = flight.Count(std::min(sx, tx) - 10, sy, std::max(sx, tx) + 10, ty, shotCore);
    EXPECT_GT(core, 120) << "the shot's core";
    EXPECT_GT(flight.Count(std::min(sx, tx) - 10, sy, std::max(sx, tx) + 10, ty,
                           [](int r, int g, int b) { return r > 235 && g > 235 && b > 235; }),
              60)
        << "the shot's white ring";

    // Afterwards the bakery has its puddle.
    const Shot after = LoadShot(game.File("after.png"));
    ASSERT_TRUE(after.ok) << after.error;
    EXPECT_GT(Pixels(after, kBakeryX, kBakeryY, 20, 0x7CB828, 30), 40) << "the puddle";
    const Shot before = LoadShot(game.File("flight.png"));
    EXPECT_LT(Pixels(before, kBakeryX, kBakeryY, 20, 0x7CB828, 30), 10) << "no puddle before the landing";
}

TEST(VillainScenario, ALevelLeftWhileAShotFliesContinuesTheShotFromItsDistance) {
    GameCopy game(LevelData::Scenarios);
    testplayers::MakePlayer(game.User(), u"vera");
    // Left from the pause menu while the first shot flies.
    ASSERT_EQ(
        RunGame(game, "leave", Opening() + Key(14900, "ESCAPE") + Key(15000, "Q") + "15300 close\n", ""), 0);
    const std::string saved = SavedLevel(game.User(), 31);
    ASSERT_FALSE(saved.empty()) << game.Log();
    const float travelled = SavedShotDistance(saved, 2);
    ASSERT_GT(travelled, 0.0f) << "a shot in flight at the bakery is in the save";

    // Next time the shot goes on from there and lands.
    ASSERT_EQ(RunGame(game, "continue",
                      testsupport::script::SkipLogos() + Key(6000, "3") + Key(6100, "2") + Key(6200, "F6") +
                          "9000 close\n",
                      ""),
              0);
    const std::string log = game.Log();
    EXPECT_NE(log.find("Level 32 continues from its saved game."), std::string::npos) << log;
    char expected[64];
    std::snprintf(expected, sizeof expected, "goes on from %.2f of", double(travelled));
    const std::vector<std::string> lines = VillainLines(log);
    const int resumed = Find(lines, expected);
    ASSERT_GE(resumed, 0) << expected << "\n" << log;
    EXPECT_GE(Find(lines, "lands on point 2: its puddle", resumed), 0) << log;
}
