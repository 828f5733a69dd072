#pragma once
// What the program scenarios of the level tutorials share: a new profile
// (tutorials ticked, easy regime) with the level open, the level opened from
// the stand-in screen (its two digits, then F6) at 1024 x 768, input scripts
// of clicks, the run with its screenshots, and the looks of the tutorial's
// arrow and box.
#include "app/Profiles.h"
#include "gui/Regime.h"
#include "platform/Utf.h"
#include "tests/game/ProgramTest.h"
#include "tests/game/TutorialLooks.h"
#include "tests/game/WindowSizes.h"
#include "tests/support/MissingContent.h"

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace tutorialplay {

using programtest::GameCopy;
using programtest::House;
using programtest::Shot;
using programtest::Shots;

// A press at a screen position (at 1024 x 768 the field is drawn 1:1).
inline std::string Click(int ms, int x, int y) {
    return testsupport::script::quick::Click(ms, x, y);
}

// Skips the logos; the level's two digits and F6 open it at about 6.3 s.
inline std::string Opening(const std::string& level) {
    return Click(100, 400, 300) + testsupport::script::held::OpenLevel(5900, level);
}

// A new profile as the profile window makes it (tutorials on, easy) with the
// level of the index open; with bees, the bee bonus (bonus 0) is owned and
// chosen as the level window keeps a choice, so that it fills bonus slot 0.
inline void MakeProfile(const std::string& user, int32_t openLevel, bool bees = false) {
    std::filesystem::create_directories(user);
    ProfileManager profiles(platform::Utf8ToUtf16(user));
    profiles.Load();
    Profile* profile = profiles.CreateProfile(u"ida");
    ASSERT_NE(profile, nullptr);
    ASSERT_EQ(profile->Record().results.tutorial, 1u);
    ASSERT_EQ(profile->Regime(), uint32_t(kRegimeEasy));
    RegimeProgress& easy = profile->MutableRecord().results.regimes[kRegimeEasy];
    easy.levels[openLevel].status = kLevelOpen;
    if (bees) {
        easy.owned[0] = 1;
        easy.chosenCount = 1;
        easy.chosen[0] = 0;
        easy.chosen[1] = easy.chosen[2] = -1;
        ASSERT_TRUE(profile->HasBonus(0));
    }
    ASSERT_TRUE(profile->Save());
    profiles.SetCurrent(profile);
}

// A new player as the profile window makes her (tutorials ticked, easy) who
// has seen the map's first-visit tutorial, past the easy levels before the
// one of the index (won with silver), which is open: the game itself reaches
// it from its main screen through the map.
// With bees, the bee bonus (bonus 0) is owned and chosen as the level
// window keeps a choice, so that it fills bonus slot 0.
inline void MakeMapProfile(const std::string& user, int32_t openLevel, bool bees = false) {
    testplayers::MakeEasyPlayer(user, u"lea", openLevel, kLevelSilver, true, [bees](ProfileRecord& record) {
        if (!bees) return;
        RegimeProgress& easy = record.results.regimes[kRegimeEasy];
        easy.owned[0] = 1;
        easy.chosenCount = 1;
        easy.chosen[0] = 0;
        easy.chosen[1] = easy.chosen[2] = -1;
    });
}

// The same player at the start, level 1 open.
inline void MakeMapProfile(const std::string& user) {
    MakeMapProfile(user, 0);
}

// The level window's "play": its window is taller with the strip of the
// bonuses taken into the level.
constexpr int kPlayY = 538, kPlayWithBonusesY = 614;

// At 1024 x 768 the pause menu (269 x 510, centred): its restart and options.
constexpr int kMenuX = 503, kMenuRestartY = 311, kMenuOptionsY = 447;

// Escape, the pause menu's restart and the level window's "play", a second apart.
inline std::string Restart(int ms) {
    return testsupport::script::quick::Key(ms, "ESCAPE") + Click(ms + 1000, kMenuX, kMenuRestartY) +
           Click(ms + 2000, 578, kPlayY);
}

// Where the way into a level clicks in a window of the size: the main
// screen's "play" easy (or hard), a level's house (the map is drawn at the
// window's height over 768) and the level window's "play" (the window
// stands centred).
inline MapPoint EasyButton(windowsizes::WindowSize size, bool hard = false) {
    if (size.width == 1920) return {1237, hard ? 778 : 682};
    if (size.width == 1366) return {874, 451};
    if (size.width == 800) return {589, hard ? 405 : 352};
    return {programtest::kPlayEasyX, hard ? programtest::kPlayHardY : programtest::kPlayEasyY};
}
// (The map stands centred on a screen wider than 4:3.)
inline MapPoint HouseAt(int32_t level, windowsizes::WindowSize size) {
    const MapPoint house = House(level);
    return {house.x * size.height / 768 + std::max(0, size.width - size.height * 4 / 3) / 2,
            house.y * size.height / 768};
}
inline MapPoint PlayButton(windowsizes::WindowSize size, int playY) {
    return {578 - 512 + size.width / 2, playY - 384 + size.height / 2};
}
constexpr windowsizes::WindowSize kLarge = {1024, 768};

// The game's own way into a level: a click skips the logos, "play" (easy)
// on the main screen opens the map at 5 s, the level's house its level
// window at 8 s and its "play" the level at 9 s, loaded well before 13 s.
inline std::string MapOpening(int32_t openLevel, int playY = kPlayY, windowsizes::WindowSize size = kLarge) {
    const MapPoint easy = EasyButton(size), house = HouseAt(openLevel, size), play = PlayButton(size, playY);
    return Click(100, 400, 300) + Click(5000, easy.x, easy.y) + Click(8000, house.x, house.y) +
           Click(9000, play.x, play.y);
}

// Level 1 the game's own way, for a player who has passed no level: a click
// skips the logos, "play" (easy) shows the introductory comic at 5 s, whose
// two clicks complete and close it; the map's villains' attack ends on a
// click at 9 s; level 1's house opens its level window at 10 s and its
// "play" the level at 11 s, loaded well before 15 s. laterMs puts every step
// after "play" on the main screen that much later.
inline std::string LevelOneOpening(int laterMs = 0, windowsizes::WindowSize size = kLarge) {
    const MapPoint easy = EasyButton(size), house = HouseAt(0, size), play = PlayButton(size, kPlayY);
    const int x = size.width / 2, y = 600 * size.height / 768;
    return Click(100, 400, 300) + Click(5000, easy.x, easy.y) + Click(5800 + laterMs, x, y) +
           Click(6500 + laterMs, x, y) + Click(9000 + laterMs, x, 300 * size.height / 768) +
           Click(10000 + laterMs, house.x, house.y) + Click(11000 + laterMs, play.x, play.y);
}

// A walk written at 1024 x 768 clicked in a window of the size: on the
// field's points (drawn 1:1 at 1024 x 768, scaled and centred above the
// panel); on the panel, whose blocks (the goals, the page, the warehouse
// button) stand centred on a wider screen and side by side, narrower, at
// 800 x 600; centred (the top strip, the bonus buttons' row); on the
// warehouse window, centred on a larger screen and nearer the top left at
// 800 x 600.
struct SizedClicks {
    windowsizes::WindowSize size = kLarge;
    std::string operator()(int ms, int x, int y) const {
        const windowsizes::FieldOnScreen field(size);
        return Click(ms, field.X(float(x)), field.Y(float(y)));
    }
    std::string Panel(int ms, int x, int y) const {
        const int wider = (size.width - kLarge.width) / 2, narrower = x < 391 ? -86 : x < 861 ? -137 : -162;
        return Click(ms, x + (size.width < kLarge.width ? narrower : wider), y + size.height - kLarge.height);
    }
    std::string Centred(int ms, int x, int y) const {
        return Click(ms, x + (size.width - kLarge.width) / 2, y);
    }
    std::string Window(int ms, int x, int y) const {
        if (size.width < kLarge.width) return Click(ms, x - 152, y - 105);
        return Click(ms, x + (size.width - kLarge.width) / 2, y + (size.height - kLarge.height) / 2);
    }
};

// The window sizes every tutorial is walked at, its screenshots looked at in the first.
constexpr SizedClicks kEverySize[] = {{kLarge}, {{800, 600}}, {{1920, 1080}}};

// Runs the game on the events with a screenshot at each of the times (into
// files named after them); answers the log. Every sprite and text the run
// asked for must be there and every tag expanded.
inline std::string Play(testsupport::GameCopy& game, const std::string& events,
                        const std::vector<std::pair<int, std::string>>& shots, int untilMs,
                        const std::string& moreArguments = "") {
    return testsupport::Play(
        game, {.events = events, .shots = shots, .untilMs = untilMs, .moreArguments = moreArguments});
}

// The frames between the shots a tutorial run draws: one in sixteen (the
// game plays the same whatever it draws; the shots' frames are always drawn).
constexpr int kTutorialDrawEvery = 16;

// The same run of the game itself (verbolunde), which starts at its logos,
// in a window of the size; VB_KEEP_SHOTS keeps the shots under the prefix.
inline std::string PlayGame(testsupport::GameCopy& game, const std::string& events,
                            const std::vector<std::pair<int, std::string>>& shots, int untilMs,
                            const std::string& keptAs = "", windowsizes::WindowSize size = kLarge) {
    return testsupport::Play(game, {.events = events,
                                    .shots = shots,
                                    .untilMs = untilMs,
                                    .width = size.width,
                                    .height = size.height,
                                    .keptAs = keptAs,
                                    .program = true,
                                    .drawEvery = kTutorialDrawEvery});
}

// One size's walk: its clicks, its own copy of the game, where the field
// stands, and its run (the game itself, kept under the prefix and the
// size); a failure in its scope names the size.
struct SizedGame : SizedClicks {
    testing::ScopedTrace trace;
    GameCopy game;
    windowsizes::FieldOnScreen field;
    SizedGame(const SizedClicks& at)
        : SizedClicks(at), trace(__FILE__, __LINE__, windowsizes::Describe(at.size)), field(at.size) {}
    bool Large() const { return size.width == kLarge.width; }
    std::string Play(const std::string& events, const std::vector<std::pair<int, std::string>>& shots,
                     int untilMs, const std::string& keptAs) {
        return PlayGame(game, events, shots, untilMs, keptAs + windowsizes::Describe(size) + "-", size);
    }
};

// The farmer's dress over the field (above the panel): how much of her is in sight.
inline int FarmerPixels(const Shot& shot, windowsizes::WindowSize size) {
    return shot.NearIn(0, 0, size.width, size.height - 80, 0xD04868, 12);
}

inline Shot Load(const GameCopy& game, const std::string& name) {
    return testsupport::LoadShot(game.File(name + ".png"));
}

// The log names each step as it becomes current ("step 8003000C"); the
// steps must come in this order.
inline void ExpectStepsInOrder(const std::string& log, const std::vector<std::string>& steps) {
    size_t at = 0;
    for (const std::string& step : steps) {
        const size_t found = log.find("step " + step, at);
        ASSERT_NE(found, std::string::npos) << step << " (in order)\n" << log;
        at = found;
    }
}

} // namespace tutorialplay
