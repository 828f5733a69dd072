#pragma once
// What the program tests of the game itself share: the names they use from
// the test support, the main screen's and the map's controls at 1024 x 768
// and the way from the logos to the map.
#include "frontend/MapGeometry.h"
#include "tests/game/Players.h"
#include "tests/support/GameCopy.h"
#include "tests/support/InputScript.h"
#include "tests/support/Screenshot.h"
#include "tests/support/ScriptPlay.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace programtest {

namespace fs = std::filesystem;
using testsupport::GameCopy;
using testsupport::LoadShot;
using testsupport::Shot;

// The main screen's "Play" easy and hard.
constexpr int kPlayEasyX = 749, kPlayEasyY = 445, kPlayHardX = 749, kPlayHardY = 513;
// The skin's window face.
constexpr uint32_t kWindowFace = 0xF2E2BC;

// A click skips the logos and "Play" (easy, or hard) on the main screen is
// pressed at 5 s, a held click; the map is open about 1.3 s later.
inline std::string ToTheMap(bool hard = false) {
    return testsupport::script::SkipLogos() +
           testsupport::script::held::Click(5000, kPlayEasyX, hard ? kPlayHardY : kPlayEasyY);
}

// A level's house on the map (the index's cell, 4 px lower), where a click opens its level window.
inline MapPoint House(int level) {
    const MapPoint cell = CellPosition(level);
    return {cell.x, cell.y + 4};
}

// The screenshots a run took, each loaded from the game copy's NAME.png: by
// their names, or by the times and names a play asked for them under.
class Shots {
  public:
    Shots(const GameCopy& game, const std::vector<std::string>& names) {
        for (const std::string& name : names)
            shots_.emplace(name, LoadShot(game.File(name + ".png")));
    }
    Shots(const GameCopy& game, const std::vector<std::pair<int, std::string>>& taken) {
        for (const auto& [ms, name] : taken)
            shots_.emplace(name, LoadShot(game.File(name + ".png")));
    }
    // An unknown name throws, which fails the test.
    const Shot& operator[](const std::string& name) const { return shots_.at(name); }
    // The names of the shots that did not load, for an assertion; empty when all did.
    std::string Missing() const {
        std::string missing;
        for (const auto& [name, shot] : shots_)
            if (!shot.ok) missing += name + " ";
        return missing;
    }

  private:
    std::map<std::string, Shot> shots_;
};

} // namespace programtest
