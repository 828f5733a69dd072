// The main screen as a new player meets it, at 1024 x 768 with an empty
// per-user folder: the first player is asked for, a name with stray blanks
// is typed and taken, the menu greets the player under the whole title
// image, the closed hard regime shows what opens it and takes no click, the
// options switch the music off (written to config.dat when they close), and
// the credits scroll inside their view.
#include "app/App.h"
#include "app/Config.h"
#include "app/GameScreen.h"
#include "app/Profiles.h"
#include "engine/SoundManager.h"
#include "platform/Utf.h"
#include "tests/game/ProgramTest.h"

using namespace programtest;

namespace {

using testsupport::script::quick::Click;
using testsupport::script::quick::Key;

constexpr uint32_t kTitleFrame = 0x8A5E28; // the wood of the title image's frame
constexpr uint32_t kHintPaper = 0xFFF6DC;

} // namespace

TEST(MainScreenScenario, AFirstPlayerIsMadeTheOptionsChangeASettingAndTheCreditsScroll) {
    GameCopy game;
    // A click skips the logos; the data is loaded well before 4.5 s. The
    // user name offered in the field goes.
    std::string events = Click(40, 500, 300) + testplayers::NewPlayerByKeys(
                                                   4500, {"SPACE", "SPACE", "A", "N", "N", "SPACE", "SPACE",
                                                          "SPACE", "L", "E", "E", "SPACE", "SPACE"});
    events += testsupport::script::Move(6450, 749, 513); // resting on the locked "hard" shows its hint
    events += Click(7020, 749, 513);                     // the locked "hard": nothing starts
    events += Click(7200, 749, 581);                     // "options": menu at (607, 344), third button
    events += Click(7900, 292, 416);                     // the music toggle
    events += Key(8600, "ESCAPE");                       // closes the options (config.dat is written)
    events += Click(9000, 40, 726);                      // "credits" in the bottom-left corner
    const std::string log = testsupport::Play(game, {.events = events,
                                                     .shots = {{4400, "offered"},
                                                               {6500, "greeted"},
                                                               {7000, "hint"},
                                                               {8400, "options"},
                                                               {10500, "credits1"},
                                                               {12200, "credits2"}},
                                                     .untilMs = 12300,
                                                     .program = true});
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
    const Shot a = LoadShot(game.File("offered.png")), b = LoadShot(game.File("greeted.png")),
               c = LoadShot(game.File("options.png")), d = LoadShot(game.File("credits1.png")),
               e = LoadShot(game.File("credits2.png")), hint = LoadShot(game.File("hint.png"));
    ASSERT_TRUE(a.ok && b.ok && c.ok && d.ok && e.ok && hint.ok);
    ASSERT_EQ(a.picture.width, 1024);
    ASSERT_EQ(a.picture.height, 768);
    EXPECT_GT(a.NearIn(300, 300, 700, 340, kWindowFace, 6), 2000) << "the new-player window";
    EXPECT_LT(b.NearIn(300, 300, 600, 340, kWindowFace, 6), 200) << "no window over the scene";
    EXPECT_GT(b.NearIn(620, 350, 880, 380, kWindowFace, 6), 1000) << "the menu with its greeting";
    // The title image stands whole on the screen: its frame's right side
    // shows, and nothing of it reaches the right edge.
    EXPECT_GT(b.NearIn(940, 0, 1000, 300, kTitleFrame, 6), 1000) << "the title's right side";
    EXPECT_EQ(b.NearIn(1000, 0, 1024, 300, kTitleFrame, 6), 0) << "the title runs off the screen";
    EXPECT_GT(c.NearIn(300, 300, 600, 340, kWindowFace, 6), 2000) << "the options window";
    EXPECT_GT(hint.NearIn(630, 550, 865, 595, kHintPaper, 6), 3000) << "the locked hard's hint";
    EXPECT_GT(testsupport::Differing(d, e, 250, 150, 770, 550), 500) << "the credits scroll";
    // A line entering the view from below is cut at its edge, above "close".
    EXPECT_EQ(e.NearIn(230, 576, 790, 590, 0xFFFFFF, 10), 0) << "the credits run past their view";
}
