// Profiles on the showcase program's screen, as a player meets them: F3 opens the
// panel, a typed name and Enter make a profile, a click makes one current,
// Delete deletes the current one; every run is a fresh start of a copy of the
// built game on the same per-user folder.
#include "app/Profiles.h"
#include "platform/Utf.h"
#include "tests/game/ProgramTest.h"

using namespace programtest;
using testsupport::ReadFileBytes;

namespace {

std::string RunScript(const GameCopy& game, const std::string& name, const std::string& events, int* status) {
    const std::string script = game.File(name + ".txt");
    const std::string png = game.File(name + ".png");
    // A click skips the logos; the game data is loaded well before 4.5 s.
    EXPECT_TRUE(testsupport::WriteFileBytes(script, testsupport::script::SkipLogos() +
                                                        "4500 key down F3\n4600 key up F3\n" + events));
    std::string output;
    *status =
        game.RunShowcase("--headless --input-script '" + script + "' --screenshot '" + png + "'", &output);
    return png;
}

// Key presses for a lower-case name and Enter, from the given time, 100 ms each.
std::string Typed(int ms, const std::string& name) {
    std::string events;
    for (char c : name + "\r") {
        const std::string key = c == '\r' ? "RETURN" : std::string(1, char(c - 32));
        events += std::to_string(ms) + " key down " + key + "\n" + std::to_string(ms + 80) + " key up " +
                  key + "\n";
        ms += 120;
    }
    return events;
}

// The log lines after a label, in order.
std::vector<std::string> LogLines(const std::string& log, const std::string& label) {
    std::vector<std::string> lines;
    size_t at = 0;
    while ((at = log.find(label, at)) != std::string::npos) {
        size_t start = log.find_first_not_of(' ', at + label.size());
        size_t end = log.find_first_of("\r\n", start);
        lines.push_back(log.substr(start, end - start));
        at = end;
    }
    return lines;
}

// Pixels of the current profile's row colour in a rectangle of the screenshot.
int CurrentRowPixels(const std::string& png, int top, int bottom) {
    const Shot shot = LoadShot(png);
    if (!shot.ok) return -1;
    return shot.Count(500, top, 770, bottom,
                      [](int r, int g, int b) { return r == 0x3C && g == 0x6E && b == 0x8C; });
}

} // namespace

TEST(ProfilesScreen, ProfilesAreMadeSwitchedAndDeletedAndSurviveARestart) {
    GameCopy game;
    const std::string user = game.User();
    int status = -1;

    // Two profiles; Enter on an empty field is refused; a click on the second row makes anna current.
    RunScript(game, "make",
              Typed(4700, "anna") + Typed(5400, "bo") + Typed(5900, "") +
                  "6200 mouse move 600 225\n6250 mouse down left\n6350 mouse up left\n6700 close\n",
              &status);
    ASSERT_EQ(status, 0);
    const std::string log = game.Log();
    EXPECT_EQ(LogLines(log, "Profile created"),
              (std::vector<std::string>{"anna (profile1.dat)", "bo (profile2.dat)"}))
        << log;
    ASSERT_EQ(LogLines(log, "Profile error").size(), 1u) << log;
    EXPECT_EQ(LogLines(log, "Profile error")[0].substr(0, 3), "20:");
    EXPECT_EQ(LogLines(log, "Profile selected"), (std::vector<std::string>{"anna (used 2 times)"})) << log;
    {
        ProfileManager profiles(platform::Utf8ToUtf16(user));
        profiles.Load();
        ASSERT_EQ(profiles.Count(), 2);
        EXPECT_EQ(platform::Utf16ToUtf8(profiles.GetProfile(0)->Name()), "bo");
        ASSERT_NE(profiles.Current(), nullptr);
        EXPECT_EQ(platform::Utf16ToUtf8(profiles.Current()->Name()), "anna");
    }

    // A restart lists them with anna current, which counts her third use.
    const std::string list = ReadFileBytes(user + "/profiles.dat");
    const std::string shown = RunScript(game, "restart", "5000 close\n", &status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(ReadFileBytes(user + "/profiles.dat"), list);
    ProfileManager restarted(platform::Utf8ToUtf16(user));
    restarted.Load();
    ASSERT_NE(restarted.Current(), nullptr);
    EXPECT_EQ(restarted.Current()->Record().useCount, 3u);
    EXPECT_EQ(CurrentRowPixels(shown, 200, 217), 0);    // bo, newest, first
    EXPECT_GT(CurrentRowPixels(shown, 219, 236), 2000); // anna, current, second

    // Delete deletes the current profile and its file; none is current then.
    const std::string after =
        RunScript(game, "delete", "4700 key down DELETE\n4800 key up DELETE\n5000 close\n", &status);
    ASSERT_EQ(status, 0);
    EXPECT_FALSE(fs::exists(user + "/profile1.dat"));
    EXPECT_TRUE(fs::exists(user + "/profile2.dat"));
    EXPECT_EQ(CurrentRowPixels(after, 200, 240), 0);
    ProfileManager profiles(platform::Utf8ToUtf16(user));
    profiles.Load();
    ASSERT_EQ(profiles.Count(), 1);
    EXPECT_EQ(platform::Utf16ToUtf8(profiles.GetProfile(0)->Name()), "bo");
    EXPECT_EQ(profiles.Current(), nullptr);
}

// A refused name is told in the panel, on its last line, until the next try.
TEST(ProfilesScreen, ARefusedNameIsToldInThePanel) {
    GameCopy game;
    int status = -1;
    const std::string plain = RunScript(game, "plain", "5200 close\n", &status);
    ASSERT_EQ(status, 0);
    const std::string refused = RunScript(game, "refused", Typed(4700, "") + "5200 close\n", &status);
    ASSERT_EQ(status, 0);
    ASSERT_EQ(LogLines(game.Log(), "Profile error").size(), 1u) << game.Log();
    const Shot before = LoadShot(plain);
    const Shot after = LoadShot(refused);
    ASSERT_TRUE(before.ok && after.ok) << before.error << after.error;
    // The panel's last line (the panel stands 16 pixels from the right of the
    // 800-pixel screen, 300 wide, from y 120 to 450).
    int changed = 0;
    for (int y = 420; y < 446; ++y)
        for (int x = 490; x < 780; ++x)
            changed += before.At(x, y) != after.At(x, y);
    EXPECT_GT(changed, 100);
    // Above it the panel looks the same.
    int elsewhere = 0;
    for (int y = 300; y < 400; ++y)
        for (int x = 490; x < 780; ++x)
            elsewhere += before.At(x, y) != after.At(x, y);
    EXPECT_EQ(elsewhere, 0);
}
