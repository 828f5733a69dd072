#pragma once
// The two window sizes the program tests look at a screen in, the default
// 800 x 600 and 1024 x 768, and where a level's field stands in each.
#include "tests/support/GameCopy.h"
#include "tests/support/ScriptPlay.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace windowsizes {

struct WindowSize {
    int width, height;
};
constexpr WindowSize kSizes[] = {{800, 600}, {1024, 768}};

// "800x600": for traces and the names of kept screenshots.
inline std::string Describe(WindowSize size) {
    return std::to_string(size.width) + "x" + std::to_string(size.height);
}

// A level's field (1024 x 688) as the level shows it: scaled to fit above
// the 80-px panel and centred.
struct FieldOnScreen {
    float scale, left, top;
    explicit FieldOnScreen(WindowSize size) {
        scale = std::min(float(size.width) / 1024.0f, float(size.height - 80) / 688.0f);
        left = std::floor((float(size.width) - 1024.0f * scale) / 2.0f);
        top = std::floor((float(size.height - 80) - 688.0f * scale) / 2.0f);
    }
    int X(float x) const { return int(std::lround(left + x * scale)); }
    int Y(float y) const { return int(std::lround(top + y * scale)); }
    // A count of pixels at 1024 x 768 as many at this scale.
    int Area(int pixels) const { return int(float(pixels) * scale * scale); }
};

// The play at the window size, its shots kept under the size's name after
// the prefix; answers the log.
inline std::string PlayAt(const testsupport::GameCopy& game, WindowSize size, testsupport::ScriptPlay play,
                          const std::string& keptAs = "") {
    play.width = size.width, play.height = size.height;
    play.keptAs = keptAs + Describe(size) + "-";
    return testsupport::Play(game, play);
}

} // namespace windowsizes
