// A headless run that draws only every n-th frame plays the same game as one
// that draws them all: the bot wins level 1; then, for a player's profile, it
// plays the level until the program quits with the level open (saved into
// the profile), and a second start continues it and quits again. For every n
// the log (time stamps and folders aside), every file of the player's folder
// after each run and the picture of a timed screenshot are the same.
#include "tests/support/GameCopy.h"
#include "tests/support/InputScript.h"
#include "tests/support/Pattern.h"
#include "tests/support/Screenshot.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

using testsupport::GameCopy;
namespace script = testsupport::script;

namespace {

constexpr int kReady = 6000;        // the showcase screen takes its keys after loading
constexpr int kWholeMs = 600000;    // a bound on the whole level (the bot wins in under a minute)
constexpr int kCutMs = 26000;       // the run with a profile quits with level 1 open
constexpr int kContinuedMs = 16000; // and so does the one that continues it
constexpr int kShotMs = 12000;      // a frame of the level, drawn on demand for every n

struct BotRun {
    std::string log;
    std::map<std::string, std::string> files; // the player's folder but its log
    std::string botLine;
    testsupport::Shot shot;
};

// The log with its clock times, its date and the copy's own folder (in its
// native and its game form) taken out.
std::string Comparable(const std::string& log, const GameCopy& game) {
    std::string out = testsupport::Pattern(R"(\d\d\.\d\d\.\d{4}, )").ReplaceAll(log, "");
    out = testsupport::Pattern(R"(\d\d:\d\d:\d\d(\.\d+)?)").ReplaceAll(out, "");
    std::string gameForm = game.Root();
    for (char& c : gameForm)
        if (c == '/') c = '\\';
    for (const std::string& root : {game.Root(), gameForm})
        for (size_t at = out.find(root); at != std::string::npos; at = out.find(root, at))
            out.replace(at, root.size(), "<copy>");
    return out;
}

// The first line where the two texts part, with its number; empty when they are the same.
std::string FirstDifference(const std::string& a, const std::string& b) {
    std::istringstream ia(a), ib(b);
    std::string la, lb;
    for (int line = 1;; ++line) {
        const bool moreA = bool(std::getline(ia, la)), moreB = bool(std::getline(ib, lb));
        if (!moreA && !moreB) return {};
        if (moreA != moreB || la != lb)
            return "line " + std::to_string(line) + ": \"" + (moreA ? la : "<end>") + "\" against \"" +
                   (moreB ? lb : "<end>") + "\"";
    }
}

std::map<std::string, std::string> PlayerFiles(const GameCopy& game) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(game.User())) {
        const std::string name = entry.path().filename().string();
        // The lock file holds the process id.
        if (entry.is_regular_file() && name != "log.txt" && name.find(".lock") == std::string::npos)
            files[name] = testsupport::ReadFileBytes(entry.path().string());
    }
    return files;
}

std::string BotLine(const std::string& log) {
    std::vector<std::string> m;
    return testsupport::Pattern(R"(Bot: level 1 [^\n]*)").Search(log, &m) ? m[0] : std::string();
}

BotRun PlayBot(const GameCopy& game, const std::string& every, int untilMs, const std::string& shotName) {
    const std::string shot = game.File(shotName);
    std::string output;
    const int status = game.Run("--headless --seed 5" + every + " --until-ms " + std::to_string(untilMs) +
                                    " " + testsupport::ScreenshotAt(kShotMs, shot) + " --bot easy 1",
                                &output);
    EXPECT_EQ(status, 0) << output;
    BotRun run;
    const std::string log = game.Log();
    run.log = Comparable(log, game);
    run.files = PlayerFiles(game);
    run.botLine = BotLine(log);
    run.shot = testsupport::LoadShot(shot);
    return run;
}

// The whole level without a profile; the profile "BO" made on the
// showcase's profiles panel; the two runs that save the level into it.
std::vector<BotRun> PlayLevelOne(int drawEvery) {
    GameCopy game;
    const std::string every = " --draw-every " + std::to_string(drawEvery);
    std::vector<BotRun> runs;
    runs.push_back(PlayBot(game, every, kWholeMs, "whole.png"));

    std::string output;
    const std::string profile = game.File("profile.txt");
    EXPECT_TRUE(testsupport::WriteFileBytes(
        profile, script::held::Key(kReady, "F3") + script::held::Key(kReady + 300, "B") +
                     script::held::Key(kReady + 450, "O") + script::held::Key(kReady + 600, "RETURN") +
                     std::to_string(kReady + 1000) + " close\n"));
    EXPECT_EQ(game.RunShowcase("--headless" + every + " --input-script '" + profile + "'", &output), 0)
        << output;
    EXPECT_NE(game.Log().find("Profile created"), std::string::npos) << game.Log();
    runs.push_back(PlayBot(game, every, kCutMs, "cut.png"));
    runs.push_back(PlayBot(game, every, kContinuedMs, "continued.png"));
    return runs;
}

} // namespace

TEST(DrawEvery, SkippingTheDrawingOfFramesLeavesTheGameAsItIs) {
    const std::vector<BotRun> every = PlayLevelOne(1);
    ASSERT_EQ(every.size(), 3u);
    EXPECT_NE(every[0].botLine.find(" won in "), std::string::npos) << every[0].log;
    // The runs with a profile quit with the level open, which saves it into
    // the profile; the second continues it.
    for (size_t i = 1; i < every.size(); ++i) {
        EXPECT_NE(every[i].log.find("Level 1 saved into the profile"), std::string::npos) << every[i].log;
        EXPECT_TRUE(every[i].botLine.empty()) << every[i].botLine;
    }
    EXPECT_NE(every[2].log.find("Level 1 continues from its saved game"), std::string::npos) << every[2].log;

    for (const int n : {7, 50}) {
        const std::vector<BotRun> sparse = PlayLevelOne(n);
        ASSERT_EQ(sparse.size(), every.size());
        for (size_t i = 0; i < every.size(); ++i) {
            const std::string which =
                "drawing every " + std::to_string(n) + "th frame, run " + std::to_string(i);
            EXPECT_EQ(sparse[i].botLine, every[i].botLine) << which;
            EXPECT_EQ(FirstDifference(sparse[i].log, every[i].log), "") << which << ": the logs differ";
            for (const auto& [name, bytes] : every[i].files) {
                const auto found = sparse[i].files.find(name);
                ASSERT_NE(found, sparse[i].files.end()) << which << ": no " << name;
                size_t at = 0;
                while (at < bytes.size() && at < found->second.size() && bytes[at] == found->second[at])
                    ++at;
                EXPECT_TRUE(found->second == bytes) << which << ": " << name << " differs from byte " << at;
            }
            EXPECT_EQ(sparse[i].files.size(), every[i].files.size()) << which;
            ASSERT_TRUE(every[i].shot.ok && sparse[i].shot.ok) << every[i].shot.error << sparse[i].shot.error;
            EXPECT_TRUE(sparse[i].shot.picture.pixels == every[i].shot.picture.pixels)
                << which << ": the screenshot at " << kShotMs << " ms differs";
        }
    }
}
