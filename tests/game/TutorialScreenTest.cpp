// The tutorial overlay on the screen after loading (F8) at 1024 x 768: 1.2 s
// after the key the step's arrow and hint box (text and click line) stand
// below the click counter; a click ends the tutorial and is not counted, and
// 800 ms later the overlay is gone.

#include "platform/ImageDecode.h"
#include "tests/support/GameCopy.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

using testsupport::GameCopy;
using testsupport::ReadFileBytes;

namespace {

constexpr int kKeyMs = 7000; // the game data is loaded well before

struct Shot {
    platform::DecodedPicture picture;
    bool ok = false;
    int Count(int left, int top, int right, int bottom,
              const std::function<bool(int r, int g, int b)>& test) const {
        int n = 0;
        for (int y = top; y < bottom && y < picture.height; ++y)
            for (int x = left; x < right && x < picture.width; ++x) {
                const uint32_t c = picture.pixels[size_t(y) * size_t(picture.width) + size_t(x)];
                n += test(int(c >> 16 & 0xFF), int(c >> 8 & 0xFF), int(c & 0xFF));
            }
        return n;
    }
};

Shot Load(const std::string& path) {
    Shot shot;
    const std::string bytes = ReadFileBytes(path);
    std::string error;
    shot.ok = platform::DecodePicture(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                                      &shot.picture, &error);
    return shot;
}

// The hint box's parchment and the arrow's orange body.
bool Parchment(int r, int g, int b) {
    return r > 240 && g > 225 && b > 190 && b < 235;
}
bool Orange(int r, int g, int b) {
    return r > 220 && g > 130 && g < 190 && b < 80;
}

} // namespace

TEST(TutorialScreen, StepOverTheScreenAfterLoadingEndsOnAClick) {
    GameCopy game;
    ASSERT_TRUE(testsupport::WriteFileBytes(game.Game() + "/config.ini", "[Video]\nWindow=1024,768\n"));
    const auto at = [](int ms) { return std::to_string(kKeyMs + ms); };
    const std::string script = game.File("tutorial.txt");
    ASSERT_TRUE(testsupport::WriteFileBytes(
        script, "40 mouse move 400 300\n60 mouse down left\n160 mouse up left\n" + at(0) + " key down F8\n" +
                    at(80) + " key up F8\n" + at(2000) + " mouse move 700 300\n" + at(2020) +
                    " mouse down left\n" + at(2100) + " mouse up left\n"));
    const std::string shown = game.File("shown.png"), gone = game.File("gone.png");
    std::string output;
    const int status = game.Run("--showcase --headless --input-script '" + script + "' --until-ms " +
                                    at(3000) + " --screenshot-at " + at(1200) + " '" + shown +
                                    "' --screenshot-at " + at(2900) + " '" + gone + "'",
                                &output);
    ASSERT_EQ(status, 0) << output;
    const Shot a = Load(shown), b = Load(gone);
    ASSERT_TRUE(a.ok && b.ok) << output;
    ASSERT_EQ(a.picture.width, 1024);
    ASSERT_EQ(a.picture.height, 768);
    // The arrow just below and left of the counter, the box below it.
    EXPECT_GT(a.Count(420, 470, 520, 540, Orange), 300);
    EXPECT_GT(a.Count(150, 530, 650, 640, Parchment), 20000);
    EXPECT_LT(a.Count(0, 0, 1024, 440, Parchment), 200); // the screen's own pictures hold a few
    // Gone after the click.
    EXPECT_EQ(b.Count(420, 470, 520, 540, Orange), 0);
    EXPECT_EQ(b.Count(0, 440, 1024, 768, Parchment), 0);
    // The layer took the click: the screen below did not count it.
    const std::string log = game.Log();
    EXPECT_EQ(log.find("(click 1)"), std::string::npos) << log;
}
