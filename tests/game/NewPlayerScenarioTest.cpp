// A new player's name as the player types it, at 1024 x 768 on the main
// screen: keys with Shift, text the keyboard's text input gives (accents,
// other layouts) and the editing keys all reach the new-player window's
// field, and the profile made carries exactly the name typed. With twelve
// players a thirteenth is refused with the error dialog, which a click
// closes, and the screens below answer again.
#include "app/Profiles.h"
#include "platform/Utf.h"
#include "tests/game/ProgramTest.h"
#include "tests/game/WindowSizes.h"

using testsupport::Differing;
using namespace programtest;

namespace {

using testsupport::script::quick::Click;
using testsupport::script::quick::Key;

// The main screen's "options" button at 1024 x 768.
constexpr int kOptionsX = 749, kOptionsY = 581;
// The players' list's "new" button; the new-player window's cancel button;
// the OK button of a one-button dialog of one line; the list's first row.
constexpr int kNewX = 512, kNewY = 297;
constexpr int kCancelX = 580, kCancelY = 501;
constexpr int kDialogOkX = 512, kDialogOkY = 441;
constexpr int kFirstRowX = 465, kFirstRowY = 357;

// The copy plays at 1024 x 768.
void PlayWindowed(const GameCopy& game) {
    EXPECT_TRUE(testsupport::UseWindow(game));
}

std::string Line(int ms, const std::string& event) {
    return std::to_string(ms) + " " + event + "\n";
}

// Runs the game until the time with the script, a screenshot at each of the
// given times (into the files); the log.
std::string Play(const GameCopy& game, const std::string& name, const std::string& events, int until,
                 const std::vector<std::pair<int, std::string>>& shots = {}, int exit = 0) {
    return testsupport::PlayNamed(
        game,
        {.name = name, .events = events, .untilMs = until, .shots = shots, .program = true, .status = exit});
}

} // namespace

TEST(NewPlayerScenario, TheProfileCarriesTheNameExactlyAsTyped) {
    struct Case {
        const char* what;
        std::vector<std::string> events; // one a line, 60 ms apart
        std::u16string name;
    };
    const Case cases[] = {
        {"keys with Shift and the hyphen",
         {"key down LSHIFT", "key down M",   "key up M",        "key up LSHIFT", "key down A",
          "key up A",        "key down R",   "key up R",        "key down Y",    "key up Y",
          "key down SPACE",  "key up SPACE", "key down RSHIFT", "key down A",    "key up A",
          "key up RSHIFT",   "key down N",   "key up N",        "key down N",    "key up N",
          "key down MINUS",  "key up MINUS", "key down LSHIFT", "key down L",    "key up L",
          "key up LSHIFT",   "key down E",   "key up E",        "key down E",    "key up E"},
         u"Mary Ann-Lee"},
        {"the text input", {"text Mary Ann-Lee"}, u"Mary Ann-Lee"},
        // Backspace, Home and End edit between pieces of text; a character
        // names may not have is left out.
        {"accents and editing keys",
         {"text ngströmm", "key down BACK", "key up BACK", "key down HOME", "key up HOME", "text Zoë Å",
          "key down END", "key up END", "text !", "key down LSHIFT", "key down 1", "key up 1",
          "key up LSHIFT"},
         u"Zoë Ångström"},
    };
    for (const Case& c : cases) {
        GameCopy game;
        PlayWindowed(game);
        // A click skips the logos; the new-player window offers the user's
        // name, which goes first.
        std::string events = Click(40, 500, 300);
        int ms = 4500;
        for (int i = 0; i < 17; ++i, ms += 40)
            events += Key(ms, "BACK");
        for (const std::string& event : c.events)
            events += Line(ms += 60, event);
        const int typed = ms + 100;
        events += Key(ms + 200, "RETURN");
        events += Click(ms + 1500, kOptionsX, kOptionsY); // the menu answers
        const std::string field = game.File("field.png");
        const std::string log = Play(game, "typed", events, ms + 2500, {{typed, field}});
        EXPECT_NE(log.find("Profile created"), std::string::npos) << c.what << "\n" << log;
        EXPECT_NE(log.find("The options window opens."), std::string::npos) << c.what << "\n" << log;

        ProfileManager profiles(platform::Utf8ToUtf16(game.User()));
        profiles.Load();
        ASSERT_EQ(profiles.Count(), 1) << c.what;
        EXPECT_EQ(platform::Utf16ToUtf8(profiles.GetProfile(0)->Name()), platform::Utf16ToUtf8(c.name))
            << c.what;
        EXPECT_EQ(profiles.Current(), profiles.GetProfile(0)) << c.what;
    }
}

// A player whose file cannot be made (the folder lets nothing be made in it once the game runs) is refused
// with the folder named, as a failed save names it, within the dialog at 226 characters of any letters.
void ExpectTheFolderNamedWithinTheDialog(int width, int height, const std::string& letters) {
    SCOPED_TRACE(letters + std::to_string(width));
    GameCopy game;
    EXPECT_TRUE(testsupport::UseWindow(game, width, height));
    std::string home = game.Root() + "/";
    while (home.size() < 205) // + "/Quenmoor/Verbolunde"
        home += letters;
    game.SetHome(home.substr(0, 205));
    {
        std::filesystem::create_directories(game.User());
        ProfileManager profiles(platform::Utf8ToUtf16(game.User()));
        profiles.Load();
        profiles.DeleteProfile(profiles.CreateProfile(u"Gone")); // an empty list of players
    }
    game.RunAsOrdinaryUser();
    std::thread block =
        testsupport::WhenLogged(game, "-> 0x00000006", [&] { chmod(game.User().c_str(), 0555); });
    const std::string shot = game.File("refused.png");
    const std::string log = // the list is not saved at the end either: status 3
        Play(game, "unwritable", Click(40, 500, 300) + Line(4500, "text Ada") + Key(4700, "RETURN"), 5500,
             {{5400, shot}}, 3);
    block.join();
    EXPECT_NE(log.find("Profile error               30: The player could not be saved in " + game.User() +
                       " (the game may not write in the folder)."),
              std::string::npos)
        << log;
    const Shot refused = LoadShot(shot); // the dialog's ink between its edges, in the rows of its text
    const int left = (width - 420) / 2, right = left + 420, top = height / 2 - 130, end = top + 240;
    const auto ink = [&](int from, int to) { return refused.NearIn(from, top, to, end, 0x3A2410, 4); };
    EXPECT_GT(ink(left, right), 1000);
    EXPECT_EQ(ink(0, left - 10) + ink(right + 10, width), 0);
}
TEST(NewPlayerScenario, APlayerWhoseFileCannotBeWrittenIsRefusedNamingTheFolder) {
    for (const auto [width, height] : windowsizes::kSizes)
        for (const std::string letters : {"a", "W", "MW"})
            ExpectTheFolderNamedWithinTheDialog(width, height, letters);
}

TEST(NewPlayerScenario, AThirteenthPlayerIsRefusedWithTheErrorDialog) {
    GameCopy game;
    PlayWindowed(game);
    {
        // Twelve players made by the game's own store, none of them current:
        // the main screen offers their list.
        std::filesystem::create_directories(game.User());
        ProfileManager profiles(platform::Utf8ToUtf16(game.User()));
        profiles.Load();
        for (int i = 1; i <= kMaxProfiles; ++i) {
            const std::string name = "Player " + std::to_string(i);
            ASSERT_NE(profiles.CreateProfile(platform::Utf8ToUtf16(name).c_str()), nullptr) << name;
        }
    }
    std::string events = Click(40, 500, 300);
    events += Click(4500, kNewX, kNewY); // the list's "new"
    events += Line(5300, "text Mia");
    events += Key(5500, "RETURN");
    events += Click(6500, kDialogOkX, kDialogOkY); // closes the dialog
    events += Click(7200, kCancelX, kCancelY);     // the new-player window answers
    events += Click(7800, kFirstRowX, kFirstRowY); // the list: "Player 12" is chosen
    events += Click(8400, kOptionsX, kOptionsY);   // and the menu
    const std::string asked = game.File("asked.png"), refused = game.File("refused.png"),
                      closed = game.File("closed.png");
    const std::string log =
        Play(game, "thirteenth", events, 9400, {{5400, asked}, {6300, refused}, {7000, closed}});
    EXPECT_NE(log.find("Profile error"), std::string::npos) << log;
    EXPECT_NE(log.find("The profile error dialog opens."), std::string::npos) << log;
    EXPECT_NE(log.find("Profile chosen              Player 12"), std::string::npos) << log;
    EXPECT_NE(log.find("The options window opens."), std::string::npos) << log;
    EXPECT_EQ(log.find("Profile created"), std::string::npos) << log;

    // The dialog stands over the new-player window, and goes on the click.
    const Shot a = LoadShot(asked), b = LoadShot(refused), c = LoadShot(closed);
    ASSERT_TRUE(a.ok && b.ok && c.ok);
    EXPECT_GT(Differing(a, b, 300, 300, 724, 480), 3000) << "no dialog";
    EXPECT_LT(Differing(a, c, 300, 300, 724, 480), 300) << "still open";

    ProfileManager profiles(platform::Utf8ToUtf16(game.User()));
    profiles.Load();
    EXPECT_EQ(profiles.Count(), kMaxProfiles);
}
