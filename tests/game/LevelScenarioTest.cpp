// The sample level 31 played from the stand-in screen, as a player meets it:
// F6 loads it, a click on the garbage and one on its clear button send the
// farmer to clear it, the goals are met and the level is won; Enter on the
// result window leaves. A level left unfinished (the pause menu's "to_map")
// or open when the program quits is saved into the current profile and
// continues from there next time; a won level is not saved.
#include "app/Profiles.h"
#include "platform/Utf.h"
#include "tests/game/ProgramTest.h"

#include <cstdlib>

using namespace programtest;
using testsupport::LevelData;
using testsupport::ReadFileBytes;

namespace {

// Input starts once the game data is surely loaded (the logos are skipped by
// a click at once; loading takes about three seconds of the virtual clock).
constexpr int kReady = 6000;

int RunGame(const GameCopy& game, const std::string& name, const std::string& events,
            const std::string& extra) {
    // A click skips the logos; the game data is loaded well before 3 s.
    std::string output;
    const int status =
        testsupport::RunScript(game, name, testsupport::script::SkipLogos() + events, extra, &output);
    EXPECT_EQ(status, 0) << output;
    return status;
}

std::string Key(int ms, const std::string& key) {
    return testsupport::script::KeyTap(ms, key, 100);
}

// The pause menu's "to_map": the menu (269 x 510) stands centred on 800 x 600.
constexpr int kToMapX = (800 - 269) / 2 + 16 + 110, kToMapY = (600 - 510) / 2 + 366 + 20;

using testsupport::script::held::Click;

// The log's lines that contain the text, from the line with since on.
std::vector<std::string> Lines(const std::string& log, const std::string& text,
                               const std::string& since = "") {
    std::vector<std::string> lines;
    size_t at = since.empty() ? 0 : log.rfind(since);
    if (at == std::string::npos) return lines;
    while ((at = log.find(text, at)) != std::string::npos) {
        const size_t start = log.rfind('\n', at) + 1;
        const size_t end = log.find('\n', at);
        lines.push_back(log.substr(start, end - start));
        at = end;
    }
    return lines;
}

// Pixels near the garbage heap's colour in a rectangle of a screenshot.
int GarbagePixels(const std::string& png, int left, int top, int right, int bottom) {
    const Shot shot = LoadShot(png);
    if (!shot.ok) return -1;
    return shot.NearIn(left, top, right, bottom, 0x7A6A50, 13);
}

} // namespace

TEST(LevelScenario, GarbageClearedLevelWonLeftSavedAndContinued) {
    GameCopy game(LevelData::Scenarios);
    const std::string user = game.User();

    // A profile to keep the saved games.
    ASSERT_EQ(RunGame(game, "profile",
                      Key(kReady + 0, "F3") + Key(kReady + 300, "A") + Key(kReady + 450, "N") +
                          Key(kReady + 600, "RETURN") + std::to_string(kReady + 1000) + " close\n",
                      ""),
              0);

    // The field at 800 x 600 is scaled by 520 / 688 and centred: the garbage
    // at (420, 330) of the field is at (330, 249) on the screen.
    const std::string before = game.File("before.png"), after = game.File("after.png");
    const std::string left = game.File("left.png");
    // The click on the heap offers its clearing as a button over it, at
    // (330, 207); a click there sends the farmer.
    const std::string play =
        Key(kReady + 0, "F6") + Click(kReady + 1000, 330, 249) + Click(kReady + 1500, 330, 211) +
        Key(kReady + 7000, "RETURN") + Key(kReady + 8000, "F6") + Key(kReady + 9000, "ESCAPE") +
        Click(kReady + 9800, kToMapX, kToMapY) + std::to_string(kReady + 11000) + " close\n";
    ASSERT_EQ(RunGame(game, "play", play,
                      testsupport::ScreenshotAt(kReady + 800, before) +
                          testsupport::ScreenshotAt(kReady + 6500, after) +
                          testsupport::ScreenshotAt(kReady + 7700, left)),
              0);
    std::string log = game.Log();
    EXPECT_EQ(Lines(log, "0x00000006 -> 0x80000003").size(), 2u) << log;
    EXPECT_EQ(Lines(log, "0x80000003 -> 0x00000004").size(), 2u) << log;
    EXPECT_EQ(Lines(log, "0x00000004 -> 0x00000006").size(), 2u) << log;
    const auto won = Lines(log, "Level won:");
    ASSERT_EQ(won.size(), 1u) << log;
    EXPECT_NE(won[0].find("level 31, regime 0"), std::string::npos) << won[0];
    EXPECT_NE(won[0].find("grade 6"), std::string::npos) << won[0];
    EXPECT_EQ(Lines(log, "Level menu opened.").size(), 1u) << log;
    EXPECT_EQ(Lines(log, "Level result                window opened").size(), 1u) << log;
    // The won level is left without a save; the second one, left from the
    // menu, is saved.
    const auto saves = Lines(log, "saved into the profile");
    ASSERT_EQ(saves.size(), 1u) << log;
    EXPECT_EQ(saves[0].find("no profile"), std::string::npos) << saves[0];
    EXPECT_GT(log.find(saves[0]), log.rfind("Level won:"));
    EXPECT_GT(GarbagePixels(before, 290, 215, 370, 262), 300);
    EXPECT_LT(GarbagePixels(after, 290, 215, 370, 262), 30) << "a few blended pixels of the farmer at most";
    // The goal the win reached waits unseen under the result window, not cut by it, and shows whole after it.
    EXPECT_EQ(LoadShot(after).NearIn(380, 380, 800, 480, 0xFFF6DC, 6), 0);
    EXPECT_GT(LoadShot(left).NearIn(380, 380, 800, 480, 0xFFF6DC, 6), 20000);

    std::string saved;
    {
        ProfileManager profiles(platform::Utf8ToUtf16(user));
        profiles.Load();
        ASSERT_NE(profiles.Current(), nullptr);
        const auto* bytes = profiles.Current()->GetSavedLevel(30);
        ASSERT_NE(bytes, nullptr);
        saved.assign(bytes->begin(), bytes->end());
        ASSERT_GE(saved.size(), 24u);
        EXPECT_EQ(saved.substr(4, 4), "VASL") << "the stream's magic 'LSAV', little-endian";
    }

    // Next time the level continues from the save; quitting while it is open
    // saves it again however the run ends (SIGTERM, close, close after the focus went, --until-ms), also
    // with the clear button held: the release the input makes up then orders nothing.
    const std::string held = game.File("held.png"), end = std::to_string(kReady + 2000),
                      shot = testsupport::ScreenshotAt(kReady + 1800, held);
    const std::pair<std::string, std::string> quits[] = {
        {"", " & until [ -e '" + held + "' ] || ! kill -0 $!; do sleep 0.05; done; kill $!; wait $!"},
        {end + " close\n", ""},
        {end + " focus lost\n" + end + " close\n", ""},
        {"", " --until-ms " + end}};
    const std::string press = Key(kReady + 0, "F6") + Click(kReady + 1000, 330, 249) +
                              testsupport::script::Move(kReady + 1500, 330, 211) +
                              std::to_string(kReady + 1600) + " mouse down left\n";
    for (const auto& [events, arguments] : quits) {
        ASSERT_EQ(RunGame(game, "continue", press + events, shot + arguments), 0);
        log = game.Log();
        EXPECT_EQ(Lines(log, "Level 31 continues from its saved game.").size(), 1u) << log;
        EXPECT_EQ(Lines(log, "Level 31 saved into the profile").size(), 1u) << log;
        EXPECT_EQ(Lines(log, "Clearing ordered").size(), 0u) << log;
        ProfileManager profiles(platform::Utf8ToUtf16(user));
        profiles.Load();
        ASSERT_NE(profiles.Current(), nullptr);
        EXPECT_NE(profiles.Current()->GetSavedLevel(30), nullptr);
    }

    // A damaged saved game is refused: the level starts afresh and the bytes
    // are kept beside the profile.
    std::string damaged = saved;
    damaged[32] = char(damaged[32] ^ 0x5A); // the level block's flags
    {
        ProfileManager profiles(platform::Utf8ToUtf16(user));
        profiles.Load();
        ASSERT_NE(profiles.Current(), nullptr);
        profiles.Current()->StoreSavedLevel(30, std::vector<uint8_t>(damaged.begin(), damaged.end()));
        ASSERT_TRUE(profiles.Current()->Save());
    }
    ASSERT_EQ(RunGame(game, "refused",
                      Key(kReady + 0, "F6") + Key(kReady + 1000, "ESCAPE") +
                          Click(kReady + 1800, kToMapX, kToMapY) + std::to_string(kReady + 2000) + " close\n",
                      ""),
              0);
    log = game.Log();
    EXPECT_EQ(Lines(log, "is refused").size(), 1u) << log;
    EXPECT_EQ(Lines(log, "Level 31 continues").size(), 0u) << log;
    EXPECT_EQ(Lines(log, "is kept in").size(), 1u) << log;
    EXPECT_EQ(
        Lines(log, "saved game refused: The saved game of this level could not be read, so the level starts "
                   "afresh. The old saved game is kept as " +
                       user + "/profile1.level31.refused.")
            .size(),
        1u)
        << log;
    EXPECT_EQ(ReadFileBytes(user + "/profile1.level31.refused"), damaged);
}
