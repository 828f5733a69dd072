// The main screen as a new player meets it, at 1024 x 768 with an empty
// per-user folder: the first player is asked for, a name with stray blanks
// is typed and taken, the menu greets the player under the whole title
// image, the closed hard regime takes no click, the options switch the music off (written to
// config.dat when they close), and the credits scroll.
#include "app/App.h"
#include "app/Config.h"
#include "app/GameScreen.h"
#include "app/Profiles.h"
#include "engine/SoundManager.h"
#include "platform/ImageDecode.h"
#include "platform/Utf.h"
#include "tests/support/GameCopy.h"
#include "tests/support/InputScript.h"
#include "tests/support/Screenshot.h"

#include <gtest/gtest.h>

#include <string>

using testsupport::GameCopy;

namespace {

using testsupport::script::quick::Click;
using testsupport::script::quick::Key;

platform::DecodedPicture Picture(const std::string& png) {
    testsupport::Shot shot = testsupport::LoadShot(png);
    EXPECT_TRUE(shot.ok) << png << ": " << shot.error;
    return std::move(shot.picture);
}

// Pixels of a colour (within a few steps per channel) in a rectangle.
int Count(const platform::DecodedPicture& p, int left, int top, int right, int bottom, uint32_t rgb) {
    int n = 0;
    for (int y = top; y < bottom && y < p.height; ++y)
        for (int x = left; x < right && x < p.width; ++x) {
            const uint32_t c = p.pixels[size_t(y) * size_t(p.width) + size_t(x)];
            bool near = true;
            for (int shift = 0; shift < 24; shift += 8)
                near = near && std::abs(int((c >> shift) & 0xFF) - int((rgb >> shift) & 0xFF)) <= 6;
            n += near;
        }
    return n;
}

int Differing(const platform::DecodedPicture& a, const platform::DecodedPicture& b, int left, int top,
              int right, int bottom) {
    int n = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) {
            const size_t i = size_t(y) * size_t(a.width) + size_t(x);
            n += (a.pixels[i] & 0xFFFFFF) != (b.pixels[i] & 0xFFFFFF);
        }
    return n;
}

constexpr uint32_t kWindowFace = 0xF2E2BC; // the skin's window face
constexpr uint32_t kTitleFrame = 0x8A5E28; // the wood of the title image's frame

} // namespace

TEST(MainScreenScenario, AFirstPlayerIsMadeTheOptionsChangeASettingAndTheCreditsScroll) {
    GameCopy game;
    ASSERT_TRUE(testsupport::WriteFileBytes(game.Game() + "/config.ini", "[Video]\nWindow=1024,768\n"));
    // A click skips the logos; the data is loaded well before 4.5 s.
    std::string events = Click(40, 500, 300);
    int ms = 4500;
    for (int i = 0; i < 17; ++i, ms += 40) // the user name offered in the field goes
        events += Key(ms, "BACK");
    for (const char* key :
         {"SPACE", "SPACE", "A", "N", "N", "SPACE", "SPACE", "SPACE", "L", "E", "E", "SPACE", "SPACE"})
        events += Key(ms, key), ms += 40;
    events += Key(ms + 100, "RETURN");
    events += Click(6580, 749, 513); // the locked "hard": nothing starts
    events += Click(6700, 749, 581); // "options": menu at (607, 344), third button
    events += Click(7400, 292, 416); // the music toggle
    events += Key(8100, "ESCAPE");   // closes the options (config.dat is written)
    events += Click(8500, 40, 726);  // "credits" in the bottom-left corner
    const std::string script = game.File("scenario.txt");
    ASSERT_TRUE(testsupport::WriteFileBytes(script, events));
    const std::string offered = game.File("offered.png"), greeted = game.File("greeted.png"),
                      options = game.File("options.png"), credits1 = game.File("credits1.png"),
                      credits2 = game.File("credits2.png");
    std::string output;
    ASSERT_EQ(game.Run("--headless --until-ms 11500 --input-script '" + script + "' --screenshot-at 4400 '" +
                           offered + "' --screenshot-at 6500 '" + greeted + "' --screenshot-at 7900 '" +
                           options + "' --screenshot-at 10000 '" + credits1 + "' --screenshot-at 11400 '" +
                           credits2 + "'",
                       &output),
              0)
        << output;
    const std::string log = game.Log();
    EXPECT_NE(log.find("The main screen opens."), std::string::npos) << log;
    EXPECT_NE(log.find("The options window opens."), std::string::npos) << log;
    EXPECT_NE(log.find("The credits window opens."), std::string::npos) << log;
    EXPECT_EQ(log.find("Regime started"), std::string::npos) << "the locked hard button took a click";

    // The name is stored without its stray blanks and is the current player.
    ProfileManager profiles(platform::Utf8ToUtf16(game.User()));
    profiles.Load();
    ASSERT_EQ(profiles.Count(), 1);
    EXPECT_EQ(std::u16string(profiles.GetProfile(0)->Name()), u"ann lee");
    EXPECT_EQ(profiles.Current(), profiles.GetProfile(0));
    EXPECT_EQ(profiles.GetProfile(0)->Record().results.tutorial, 1u) << "the box starts ticked";

    // The music was switched off and config.dat says so.
    App app; // the settings' folders are the App's
    GameScreen screen;
    SoundManager sound;
    ScreenParams params;
    SetConfigFolders(platform::Utf8ToUtf16(game.User()), platform::Utf8ToUtf16(game.Game()));
    ASSERT_TRUE(LoadConfig(&params, screen, sound));
    EXPECT_FALSE(sound.IsAudible(kSoundMusic));
    EXPECT_TRUE(sound.IsAudible(kSoundEffects));

    // The new-player window stands in the middle before the name, gone after it;
    // the options window is open over the menu; the credits move.
    const platform::DecodedPicture a = Picture(offered), b = Picture(greeted), c = Picture(options),
                                   d = Picture(credits1), e = Picture(credits2);
    ASSERT_EQ(a.width, 1024);
    ASSERT_EQ(a.height, 768);
    EXPECT_GT(Count(a, 300, 300, 700, 340, kWindowFace), 2000) << "the new-player window";
    EXPECT_LT(Count(b, 300, 300, 600, 340, kWindowFace), 200) << "no window over the scene";
    EXPECT_GT(Count(b, 620, 350, 880, 380, kWindowFace), 1000) << "the menu with its greeting";
    // The title image stands whole on the screen: its frame's right side
    // shows, and nothing of it reaches the right edge.
    EXPECT_GT(Count(b, 940, 0, 1000, 300, kTitleFrame), 1000) << "the title's right side";
    EXPECT_EQ(Count(b, 1000, 0, 1024, 300, kTitleFrame), 0) << "the title runs off the screen";
    EXPECT_GT(Count(c, 300, 300, 600, 340, kWindowFace), 2000) << "the options window";
    EXPECT_GT(Differing(d, e, 250, 150, 770, 550), 500) << "the credits scroll";
}
