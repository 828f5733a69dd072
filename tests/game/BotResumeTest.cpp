// A bot's run of level 37 (three animal houses fed from the stock, their
// produce sold for the money goal; no sample level has beds, a factory and
// animal houses together) interrupted at
// seeded random moments: each time the program quits with the level open, the
// profile keeps its saved game, and the next start of the level continues it.
// The interrupted run ends with the same result as an uninterrupted one: the
// same grade, and a time that differs by no more than the random draws and
// the bot's pace after each reload allow. A saved game continued and saved again before the level runs
// a tick (quit from the pause menu a continued level opens with) gives the
// same bytes.
#include "app/Profiles.h"
#include "platform/Utf.h"
#include "tests/game/CampaignPlay.h"
#include "tests/game/ProgramTest.h"

#include <cstring>
#include <random>
#include <thread>

using namespace programtest;
using testsupport::LevelData;
using testsupport::Occurrences;

namespace {

constexpr int kLevel = 37; // counted from 1
constexpr int kReady = 6000;
constexpr int kReloadSlackMs = 4000 + 3000;

std::string Key(int ms, const std::string& key) {
    return testsupport::script::KeyTap(ms, key, 100);
}

// The showcase run on the events after a click that skips the logos.
int RunScript(const GameCopy& game, const std::string& name, const std::string& events) {
    std::string output;
    const int status =
        testsupport::RunScript(game, name, testsupport::script::SkipLogos() + events, "", &output);
    EXPECT_EQ(status, 0) << output;
    return status;
}

// The bot plays the level in the easy regime until it ends or the program
// quits at untilMs (-1: an hour, the run's own end).
campaign::BotResult RunBot(const GameCopy& game, int untilMs, std::string* log) {
    std::string output;
    const int status =
        game.Run("--headless --draw-every 20 --until-ms " + std::to_string(untilMs < 0 ? 3600000 : untilMs) +
                     " --bot easy " + std::to_string(kLevel),
                 &output);
    EXPECT_EQ(status, 0) << output;
    *log = game.Log();
    const auto results = campaign::BotResults(*log, 0);
    const auto found = results.find(kLevel);
    return found == results.end() ? campaign::BotResult{} : found->second;
}

// The saved game the profile keeps for the level (empty: none).
std::string SavedGame(const GameCopy& game, int level = kLevel) {
    ProfileManager profiles(platform::Utf8ToUtf16(game.User()));
    profiles.Load();
    if (!profiles.Current()) return {};
    const auto* bytes = profiles.Current()->GetSavedLevel(level - 1);
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

// The level time of a saved game (the level block after the 24-byte header).
uint32_t SavedLevelTime(const std::string& saved) {
    uint32_t ms = 0;
    if (saved.size() >= 32) std::memcpy(&ms, saved.data() + 28, 4);
    return ms;
}

} // namespace

TEST(BotResume, SavedAtRandomMomentsLoadedAndFinishedGivesTheUninterruptedResult) {
    GameCopy game(LevelData::Scenarios);
    // A profile keeps the saved games.
    ASSERT_EQ(RunScript(game, "profile",
                        Key(kReady, "F3") + Key(kReady + 300, "B") + Key(kReady + 450, "O") +
                            Key(kReady + 600, "RETURN") + std::to_string(kReady + 1000) + " close\n"),
              0);

    std::string log;
    const campaign::BotResult whole = RunBot(game, -1, &log);
    ASSERT_EQ(whole.outcome, "won") << log;
    ASSERT_NE(whole.grade, "none");
    EXPECT_TRUE(SavedGame(game).empty()) << "a won level is not kept";

    // Two moments inside the run (the program's clock: loading takes a few
    // seconds before the level's own time starts).
    std::mt19937 random(39);
    std::uniform_int_distribution<int> within(10000, whole.timeMs - 10000);
    int first = within(random), second = within(random);
    if (first > second) std::swap(first, second);
    if (second - first < 5000) second = std::min(first + 5000, whole.timeMs - 5000);

    uint32_t before = 0;
    int reloads = 0;
    for (const int moment : {first, second}) {
        const campaign::BotResult cut = RunBot(game, moment, &log);
        EXPECT_TRUE(cut.outcome.empty()) << "the level ended before the program quit at " << moment;
        EXPECT_EQ(Occurrences(log, "Level 37 saved into the profile"), 1u) << log;
        EXPECT_EQ(Occurrences(log, "continues from its saved game"), size_t(reloads)) << log;
        const std::string saved = SavedGame(game);
        ASSERT_FALSE(saved.empty()) << log;
        const uint32_t time = SavedLevelTime(saved);
        EXPECT_GT(time, before) << "the continued level went on from its saved time";
        before = time;
        ++reloads;
    }

    // Save, load, save: the player opens the level and turns to another
    // window while it loads; the level opens held by its pause menu, and the
    // program is closed before it runs a tick. The profile keeps the same bytes.
    const std::string saved = SavedGame(game);
    ASSERT_EQ(RunScript(game, "again",
                        Key(kReady, "3") + Key(kReady + 150, "7") + std::to_string(kReady + 300) +
                            " key down F6\n" + std::to_string(kReady + 305) + " focus lost\n" +
                            std::to_string(kReady + 400) + " key up F6\n" + std::to_string(kReady + 2000) +
                            " close\n"),
              0);
    log = game.Log();
    EXPECT_EQ(Occurrences(log, "Level menu opened."), 1u) << log;
    EXPECT_EQ(Occurrences(log, "Level 37 continues from its saved game."), 1u) << log;
    EXPECT_EQ(Occurrences(log, "Level 37 saved into the profile"), 1u) << log;
    const std::string again = SavedGame(game);
    ASSERT_EQ(again.size(), saved.size());
    size_t differs = 0;
    while (differs < saved.size() && again[differs] == saved[differs])
        ++differs;
    EXPECT_EQ(differs, saved.size()) << "the second save differs from the first at byte " << differs << " of "
                                     << saved.size() << " (level time " << SavedLevelTime(saved) << " then "
                                     << SavedLevelTime(again) << " ms)";

    // The rest of the run.
    const campaign::BotResult finished = RunBot(game, -1, &log);
    EXPECT_EQ(Occurrences(log, "Level 37 continues from its saved game."), 1u) << log;
    EXPECT_EQ(finished.outcome, whole.outcome) << log;
    EXPECT_EQ(finished.grade, whole.grade);
    // The save keeps no state of the random generator: after each reload
    // the hens draw other idle waits (at most 4 s) and the bot's warehouse
    // visits (every 3 s) fall otherwise, so each reload may shift the end by
    // up to one of each.
    EXPECT_NEAR(finished.timeMs, whole.timeMs, kReloadSlackMs * reloads)
        << "interrupted " << finished.timeMs << " ms, whole " << whole.timeMs << " ms";
    EXPECT_TRUE(SavedGame(game).empty()) << "the won level's saved game goes";
    std::printf("level %d: whole run %s in %d ms (%s); saved at %d and %d ms of the program's clock, "
                "finished %s in %d ms (%s)\n",
                kLevel, whole.outcome.c_str(), whole.timeMs, whole.grade.c_str(), first, second,
                finished.outcome.c_str(), finished.timeMs, finished.grade.c_str());
}

// The bot plays the tutorial levels for a player whose tutorials are on as
// such a player may: each level's tutorial, which starts with the clock, is
// closed from its "Close tutorial" button ("Yes" to the question), and the
// level is won. Asked first for the hard regime, which she has not opened,
// the bot plays nothing and the program says why.
TEST(BotResume, ThePlayersTutorialLevelsAreWonWithTheirTutorialsClosed) {
    GameCopy game;
    testplayers::MakeEasyPlayer(game.User(), u"bo", 0, kLevelSilver, true);
    std::string output;
    EXPECT_NE(game.Run("--headless --draw-every 200 --until-ms 600000 --bot hard 1", &output), 0);
    EXPECT_NE(output.find("hard regime is not open"), std::string::npos) << output;
    ASSERT_EQ(game.Run("--headless --draw-every 200 --until-ms 3600000 --bot easy 1-6", &output), 0)
        << output;
    const std::string log = game.Log();
    const auto results = campaign::BotResults(log, 0);
    for (int level = 1; level <= 6; ++level) {
        SCOPED_TRACE("level " + std::to_string(level));
        const auto found = results.find(level);
        ASSERT_NE(found, results.end()) << log;
        EXPECT_EQ(found->second.outcome, "won") << log;
        EXPECT_NE(log.find("turned off for level " + std::to_string(level)), std::string::npos) << log;
    }
    EXPECT_EQ(Occurrences(log, "waits for the clock"), 6u) << "each level made its tutorial\n" << log;
    EXPECT_EQ(Occurrences(log, "saved into the profile"), 0u) << "no level was left unfinished\n" << log;
}

// Every level of the campaign in both regimes, played by the bot, left to itself (the villains' shots land,
// nobody repairs) and played on, each time left unfinished: every save continues at the next start as the
// game it was (saved again before a tick, the same bytes). A hard level left to itself is lost: no save
// stays.
TEST(BotResume, EveryLevelSavedByPlayContinuesAsSaved) {
    // Four runs side by side: each regime's odd and even levels.
    const auto play = [](const std::string& regime, int half) {
        GameCopy game;
        testplayers::MakePlayer(game.User(), u"sav", [](ProfileRecord& r) { r.results.hardAvailable = 1; });
        std::string output, levels;
        for (int index : campaign::SourceLevels())
            if (index % 2 == half) levels += (levels.empty() ? "" : ",") + std::to_string(index + 1);
        size_t saved = 0;
        for (const std::string step : {"20000", "75000 --bot-idle", "115000", "3600000 --bot-idle"}) {
            if (levels.empty() || (regime == "easy" && step[0] == '3')) break;
            const std::string bot = regime + " " + levels + " --bot-leave-at " + step;
            EXPECT_EQ(game.Run("--headless --draw-every 1000 --until-ms 36000000 --bot " + bot, &output), 0);
            EXPECT_EQ(Occurrences(game.Log(), "continues unchanged"), saved) << bot;
            levels.clear(); // on with the levels saved
            saved = 0;
            for (int index : campaign::SourceLevels())
                if (!SavedGame(game, index + 1).empty() && ++saved)
                    levels += (levels.empty() ? "" : ",") + std::to_string(index + 1);
        }
        EXPECT_TRUE(regime == "easy" || levels.empty()) << "lost levels kept their saved games: " << levels;
    };
    const std::jthread runs[] = {std::jthread(play, "easy", 0), std::jthread(play, "easy", 1),
                                 std::jthread(play, "hard", 0), std::jthread(play, "hard", 1)};
}
