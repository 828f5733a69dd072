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
inline void MakeMapProfile(const std::string& user, int32_t openLevel) {
    testplayers::MakeEasyPlayer(user, u"lea", openLevel, kLevelSilver, true);
}

// The same player at the start, level 1 open.
inline void MakeMapProfile(const std::string& user) {
    MakeMapProfile(user, 0);
}

// The stand-in screen's way into level 1 through the map: a click skips the
// logos, M opens the map at 5 s, level 1's house its level window at 6 s and
// its "play" the level at 6.7 s; the level's first click can come at 9 s.
inline std::string LevelOneFromTheMap() {
    const MapPoint first = House(0);
    return Click(40, 400, 300) + "5000 key down M\n5100 key up M\n" + Click(6000, first.x, first.y) +
           Click(6700, 578, 538);
}

// The game's own way into a level: a click skips the logos, "play" (easy)
// on the main screen opens the map at 5 s, the level's house its level
// window at 8 s and its "play" the level at 9 s, loaded well before 13 s.
inline std::string MapOpening(int32_t openLevel) {
    const MapPoint house = House(openLevel);
    return Click(100, 400, 300) + Click(5000, programtest::kPlayEasyX, programtest::kPlayEasyY) +
           Click(8000, house.x, house.y) + Click(9000, 578, 538);
}

// The same way into level 1 for a player who has won no level yet: "play"
// shows the introductory comic first, whose two clicks lead to the map, where
// the villains' attack is clicked away at 10 s; the house at 11 s, "play" at
// 12 s, and the level is loaded well before 16 s.
inline std::string LevelOneMapOpening() {
    const MapPoint house = House(0);
    return Click(100, 400, 300) + Click(5000, programtest::kPlayEasyX, programtest::kPlayEasyY) +
           Click(7500, 512, 600) + Click(8200, 512, 600) + Click(10000, 512, 400) +
           Click(11000, house.x, house.y) + Click(12000, 578, 538);
}

// Runs the game on the events with a screenshot at each of the times (into
// files named after them); answers the log. Every sprite and text the run
// asked for must be there and every tag expanded.
inline std::string Play(testsupport::GameCopy& game, const std::string& events,
                        const std::vector<std::pair<int, std::string>>& shots, int untilMs,
                        const std::string& moreArguments = "") {
    return testsupport::Play(
        game, {.events = events, .shots = shots, .untilMs = untilMs, .moreArguments = moreArguments});
}

// The same run of the game itself (verbolunde), which starts at its logos;
// VB_KEEP_SHOTS keeps the shots under the prefix.
inline std::string PlayGame(testsupport::GameCopy& game, const std::string& events,
                            const std::vector<std::pair<int, std::string>>& shots, int untilMs,
                            const std::string& keptAs = "") {
    return testsupport::Play(
        game, {.events = events, .shots = shots, .untilMs = untilMs, .keptAs = keptAs, .program = true});
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
