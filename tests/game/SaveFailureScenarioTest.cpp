// What the player is told when the game cannot keep their files where it
// should, at 1024 x 768 from the main screen: a per-user folder that cannot
// be used (its parent is a regular file, which no user, root included, can
// make a folder in) is named in a dialog with the folder used instead; a
// save that fails (the folder lets nothing be made in it once the game runs, which it cannot tell from a
// full disk) shows a dialog that offers to try again, and trying again once the cause is gone saves. The
// dialogs that name files stay within the screen however long the folders and lists.
#include "app/Profiles.h"
#include "platform/Utf.h"
#include "tests/game/ProgramTest.h"

#include <chrono>
#include <cstdlib>
#include <thread>

using namespace programtest;

namespace {

using testsupport::script::quick::Click;
using testsupport::script::quick::Key;

// The main screen's options button, and in the options window (520 x 330,
// centred) the tutorial box and the close button.
constexpr int kOptionsX = 749, kOptionsY = 581;
constexpr int kTutorialX = (1024 - 520) / 2 + 38, kTutorialY = (768 - 330) / 2 + 133;
constexpr int kCloseX = 512, kCloseY = (768 - 330) / 2 + 330 - 36;
// The OK button of the folder's dialog, centred under its text.
constexpr int kFolderOkY = 505;
// The buttons of the failed save's dialog: "try again" left of "cancel",
// two 120 px buttons 16 px apart centred in the 420 px dialog.
constexpr int kTryAgainX = (1024 - 420) / 2 + (420 - 256) / 2 + 60;
constexpr int kFailedButtonsY = 478;

// A player as the new-player window makes one, current.
void MakePlayer(const std::string& user) {
    fs::create_directories(user);
    ProfileManager profiles(platform::Utf8ToUtf16(user));
    profiles.Load();
    Profile* profile = profiles.CreateProfile(u"vera");
    ASSERT_NE(profile, nullptr);
    ASSERT_EQ(profile->Record().results.tutorial, 1u);
    profiles.SetCurrent(profile);
}

uint32_t SavedTutorialOption(const std::string& user) {
    ProfileManager profiles(platform::Utf8ToUtf16(user));
    profiles.Load();
    return profiles.Current() ? profiles.Current()->Record().results.tutorial : 99u;
}

} // namespace

// No player shows in the usual folder's place: the dialog comes over the
// new-player window, a click on its OK closes it, and the player made next
// is kept in the folder the dialog named.
TEST(SaveFailureScenario, APerUserFolderThatCannotBeUsedIsNamedWithTheFolderUsedInstead) {
    GameCopy game;
    ASSERT_TRUE(testsupport::UseWindow(game));
    ASSERT_TRUE(testsupport::WriteFileBytes(game.File("home-file"), "x"));
    game.SetHome(game.File("home-file"));
    const std::string profiles = game.Game() + "/Data/Profiles";
    std::string events = Click(40, 500, 300) + Click(6000, 512, kFolderOkY);
    int ms = 7000;
    for (int i = 0; i < 20; ++i, ms += 40) // the user name offered in the field goes
        events += Key(ms, "BACK");
    for (const char* key : {"T", "O", "V", "E"})
        events += Key(ms, key), ms += 40;
    events += Key(ms + 100, "RETURN");
    const std::string told = game.File("told.png"), after = game.File("after.png");
    testsupport::PlayNamed(game, {.name = "folder",
                                  .events = events,
                                  .untilMs = 9000,
                                  .shots = {{5800, told}, {6900, after}},
                                  .moreArguments = " --draw-every 1",
                                  .program = true});
    const std::string log = testsupport::ReadFileBytes(profiles + "/log.txt");
    EXPECT_NE(
        log.find("folder notice: The usual folder for your saves cannot be used: " + game.File("home-file") +
                 "/Quenmoor/Verbolunde (it cannot be created). Players and progress are kept in " + profiles +
                 " instead."),
        std::string::npos)
        << log;
    EXPECT_EQ(testsupport::Occurrences(log, "folder notice:"), 1u) << log;
    EXPECT_NE(log.find("folder notice closed"), std::string::npos) << log;

    // The dialog's parchment covers the new-player window's name field until
    // the click, which leaves the field to take the name.
    const Shot a = LoadShot(told), b = LoadShot(after);
    ASSERT_TRUE(a.ok && b.ok) << a.error << b.error;
    const auto white = [](int r, int g, int b) { return r > 245 && g > 245 && b > 245; };
    EXPECT_GT(a.NearIn(320, 300, 700, 460, kWindowFace, 6), 20000) << "the dialog";
    EXPECT_LT(a.Count(290, 356, 730, 395, white), 2000) << "the dialog covers the field";
    EXPECT_GT(b.Count(290, 356, 730, 395, white), 10000) << "the field shows again";

    // The player typed next is kept in the folder named.
    ProfileManager store(platform::Utf8ToUtf16(profiles));
    store.Load();
    ASSERT_EQ(store.Count(), 1) << log;
    EXPECT_EQ(std::u16string(store.GetProfile(0)->Name()), u"tove");
}

// The dialogs that name files, at 800 x 600 and 1920 x 1080, stand within the screen (the game logs a
// window past its edges) and a click where a screenshot shows OK closes them: "Your saves" naming a usual
// folder of four names of 250 wide letters, and "Players' files" naming a damaged list of players, eleven
// players' files and eleven copies of wins that do not read in a folder of 120 letters, after which Enter
// makes a new player. The log names the whole folder and every file. The second run starts from the files
// the first one found.
TEST(SaveFailureScenario, TheDialogsThatNameFilesStandWithinTheScreen) {
    for (const bool saves : {true, false})
        for (const auto& [width, height] : {std::pair(800, 600), std::pair(1920, 1080)}) {
            SCOPED_TRACE(testing::Message() << (saves ? "Your saves at " : "Players' files at ") << width);
            GameCopy game;
            const std::string w = "/" + std::string(250, 'W'), png = game.File("a.png");
            game.SetHome(game.Root() + (saves ? w + w + w + w : "/" + std::string(120, 'f')));
            fs::create_directories(game.User());
            ASSERT_TRUE(saves || testsupport::WriteFileBytes(game.User() + "/profiles.dat", "x"));
            for (int n = 1; !saves && n <= 11; ++n) // a player's file, and a win's copy that a stop left
                for (const char* tail : {".dat", ".dat.win"})
                    ASSERT_TRUE(testsupport::WriteFileBytes(
                        game.User() + "/profile" + std::to_string(n) + tail, "x"));
            ASSERT_TRUE(testsupport::UseWindow(game, width, height)); // full screen at 1920 x 1080
            fs::copy(game.Home(), game.File("files"), fs::copy_options::recursive);
            const std::string run = " --draw-every 9 --until-ms ";
            testsupport::RunScript(game, "shot", Click(40, 500, 300),
                                   run + "5900" + testsupport::ScreenshotAt(5800, png), nullptr, true);
            // OK: the lowest wooden face in the screen's middle column with the dialog's parchment above it.
            const Shot shot = LoadShot(png);
            int x = width / 2, y = height - 1;
            while (y > 45 && (shot.NearIn(x - 50, y, x + 50, y + 1, 0xC89858, 0) < 90 ||
                              shot.NearIn(x - 50, y - 45, x + 50, y - 20, kWindowFace, 0) < 300))
                --y;
            fs::remove_all(game.Home());
            fs::copy(game.File("files"), game.Home(), fs::copy_options::recursive);
            testsupport::RunScript(
                game, "ok", Click(40, 500, 300) + Click(6000, x, y - 6) + (saves ? "" : Key(6600, "RETURN")),
                run + "7000", nullptr, true);
            const std::string log = testsupport::ReadFileBytes(saves ? game.Game() + "/Data/Profiles/log.txt"
                                                                     : game.User() + "/log.txt");
            EXPECT_EQ(log.find("Window outside the screen"), std::string::npos) << log;
            for (const std::string& told :
                 {saves ? "cannot be used: " + game.Home() : "set aside " + game.User() + "/profile11.dat",
                  std::string(saves ? "folder notice closed" : "Profile created")})
                EXPECT_NE(log.find(told), std::string::npos) << told;
        }
}

// The player unticks the tutorial in the options: closing them saves the
// profile, which fails; the dialog names the folder and offers to try
// again. Tried while the cause is there, it fails again and the dialog
// stays; once the cause is gone (the test removes it when the game says the
// second try failed), trying again saves, the dialog goes and the main
// screen answers the next click. The run keeps the wall clock, so that the
// cause goes between the two tries.
TEST(SaveFailureScenario, AFailedSaveIsShownAndTryingAgainSavesOnceTheCauseIsGone) {
    GameCopy game;
    ASSERT_TRUE(testsupport::UseWindow(game));
    MakePlayer(game.User());
    game.RunAsOrdinaryUser();
    std::thread block = testsupport::WhenLogged(game, "The options window opens.",
                                                [&] { fs::permissions(game.User(), fs::perms(0555)); });
    const std::string events = Click(40, 500, 300) + Click(10000, kOptionsX, kOptionsY) +
                               Click(11000, kTutorialX, kTutorialY) + Click(12000, kCloseX, kCloseY) +
                               Click(14000, kTryAgainX, kFailedButtonsY) +
                               Click(17000, kTryAgainX, kFailedButtonsY) + Click(18500, kOptionsX, kOptionsY);
    const std::string script = game.File("script.txt");
    ASSERT_TRUE(testsupport::WriteFileBytes(script, events));
    const std::string failed = game.File("failed.png"), saved = game.File("saved.png");
    std::string output;
    int status = -1;
    std::thread run([&] {
        status =
            game.Run("--headless --realtime --until-ms 19500 --input-script '" + script + "'" +
                         testsupport::ScreenshotAt(13500, failed) + testsupport::ScreenshotAt(18000, saved),
                     &output);
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (game.Log().find("still not saved on trying again") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    fs::permissions(game.User(), fs::perms(0755));
    run.join();
    block.join();
    ASSERT_EQ(status, 0) << output;
    testsupport::KeepShot(failed, "save-failed.png");
    testsupport::KeepShot(saved, "save-saved.png");

    const std::string log = game.Log();
    const size_t told = log.find("not saved: Your progress could not be saved in " + game.User() +
                                 " (the game may not write in the folder)");
    ASSERT_NE(told, std::string::npos) << log;
    const size_t again = log.find("still not saved on trying again", told);
    ASSERT_NE(again, std::string::npos) << log;
    const size_t savedAt = log.find("saved on trying again", again + 40);
    ASSERT_NE(savedAt, std::string::npos) << log;
    EXPECT_EQ(testsupport::Occurrences(log, "The options window opens."), 2u) << "the main screen answers";
    EXPECT_EQ(SavedTutorialOption(game.User()), 0u) << "the unticked option is saved";

    // The dialog stands over the main screen with its two buttons, and is gone once saved.
    const Shot a = LoadShot(failed), b = LoadShot(saved);
    ASSERT_TRUE(a.ok && b.ok) << output;
    // Left of the menu, which has the same face.
    EXPECT_GT(a.NearIn(320, 300, 600, 460, kWindowFace, 6), 20000) << "the dialog";
    EXPECT_LT(b.NearIn(320, 300, 600, 460, kWindowFace, 6), 500) << "the dialog is gone";
}

// The save at the end of the run fails: no screen is left to try again, so
// the player is told on standard error (and in a message box with a window)
// what was not saved and where, and the exit status is 3, not success; the
// old file stays as it was. So under a file-size limit too, its signal left at the default: the log stops
// at the limit, and the save that cannot pass it is told with that cause. `root` makes an entry of root's in
// the folder, which is then root's and sticky.
void ExpectSaveFailedAtEnd(const std::string& limit, const std::string& kept, const std::string& cause,
                           const std::string& root = "") {
    const bool sticky = !root.empty();
    GameCopy game;
    MakePlayer(game.User());
    const std::string file = game.User() + "/profile1.dat";
    const std::string before = testsupport::ReadFileBytes(file);
    ASSERT_FALSE(before.empty());
    // A folder that lets nothing be made in it once the game runs; or another user's entry in a sticky one.
    game.RunAsOrdinaryUser();
    ASSERT_TRUE(!sticky || (!chown(game.User().c_str(), 0, 0) && !chmod(game.User().c_str(), 01777) &&
                            !std::system(("cd '" + game.User() + "' && " + root).c_str())));
    std::thread block;
    if (limit.empty() && !sticky)
        block = testsupport::WhenLogged(game, "Cheats", [&] { chmod(game.User().c_str(), 0555); });
    std::string output;
    const int status =
        testsupport::RunCommand(limit + game.Command("--headless --realtime --until-ms 2000"), &output);
    if (block.joinable()) block.join();
    ASSERT_EQ(status, 3) << output;
    EXPECT_NE(output.find("The progress of this game could not be saved in " + game.User()),
              std::string::npos)
        << output;
    EXPECT_TRUE(limit.empty() ? game.Log().find("could not be saved in " + game.User()) != std::string::npos
                              : game.Log().size() == 1024u)
        << game.Log();
    EXPECT_NE(output.find("as they were before: " + kept), std::string::npos) << output;
    EXPECT_TRUE(kept.find("profile1") == kept.npos || testsupport::ReadFileBytes(file) == before)
        << "as it was";
    EXPECT_NE(output.find(cause), std::string::npos) << "the cause";
}
TEST(SaveFailureScenario, ASaveThatFailsAtTheEndOfTheRunIsToldWithItsFolder) {
    // The start's settings too.
    ExpectSaveFailedAtEnd("", "config.dat, profile1.dat, profiles.dat.",
                          "(the game may not write in the folder)");
    ExpectSaveFailedAtEnd("env --default-signal=XFSZ prlimit --fsize=1024 ", "profile1.dat, profiles.dat.",
                          "(the file size limit was reached)");
    ExpectSaveFailedAtEnd("", "config.dat. The others were saved.", "/config.dat.bak stands in the way",
                          "mkdir config.dat.bak");
    for (const char* name : {"profile1.dat", "profiles.dat"})
        ExpectSaveFailedAtEnd("", std::string(name) + ". The others were saved.",
                              std::string("/") + name + " stands in the way",
                              std::string("chown 0:0 ") + name);
}
