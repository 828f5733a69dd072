#pragma once
// The campaign played by the level bot: every level of the sample level table's source, in one regime, by the
// built program in bot mode ("--bot REGIME LEVELS"), headless and drawing only every 200th frame (the bot
// reads the level, not the screen, and drawing is most of a run's cost under the sanitizers). Each level must
// be won within its bronze time (a medal); one that is not fails the test with its number, unless it is
// pending below, its reason beside it. The medal times fit a person's pace (tools/medal-times.py): a good
// player's time earns gold; bronze leaves anyone twice that and the bot a quarter more.
#include "tests/game/Players.h"
#include "tests/support/GameCopy.h"
#include "tests/support/Pattern.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace campaign {

// Levels (counted from 1) the bot cannot win yet, in the regimes of the mask
// (bit 0 easy, bit 1 hard), and why. They are played all the same; one that
// is won fails the test, so that it leaves this list.
struct Pending {
    int regimes;
    const char* why;
};
inline const std::map<int, Pending>& PendingLevels() {
    static const std::map<int, Pending> pending = {};
    return pending;
}

// The indices of the levels the source of the level table defines.
inline std::set<int> SourceLevels() {
    std::ifstream in(std::string(VB_SOURCE_DIR) + "/content/levels/levels.txt");
    std::set<int> levels;
    std::string line;
    const testsupport::Pattern index(R"(^\s*index\s*=\s*(\d+)\s*$)");
    std::vector<std::string> m;
    while (std::getline(in, line))
        if (index.Matches(line, &m)) levels.insert(std::stoi(m[1]));
    return levels;
}

// The medal times (bronze, silver, gold in ms) of each level index in the
// source, for a regime (0 easy, 1 hard).
inline std::map<int, std::array<int, 3>> SourceMedals(int regime) {
    std::ifstream in(std::string(VB_SOURCE_DIR) + "/content/levels/levels.txt");
    std::map<int, std::array<int, 3>> medals;
    std::string line;
    const testsupport::Pattern index(R"(^\s*index\s*=\s*(\d+)\s*$)");
    const testsupport::Pattern section(R"(^\s*(easy|hard)\s*\{\s*$)");
    const testsupport::Pattern times(R"(^\s*medals\s*=\s*(\d+)\s+(\d+)\s+(\d+)\s*$)");
    int level = -1;
    bool wanted = false;
    std::vector<std::string> m;
    while (std::getline(in, line)) {
        if (index.Matches(line, &m))
            level = std::stoi(m[1]);
        else if (section.Matches(line, &m))
            wanted = (m[1] == "hard") == (regime == 1);
        else if (wanted && level >= 0 && times.Matches(line, &m))
            medals[level] = {std::stoi(m[1]), std::stoi(m[2]), std::stoi(m[3])};
    }
    return medals;
}

// A good player's time for a bot's run (tools/medal-times.py): a look at
// the level, then a share of the bot's time, never below half of it.
inline double PersonMs(int botMs) {
    return std::max(37500.0 + 0.36 * botMs, 0.5 * botMs);
}
// The bronze time leaves anyone at least this many times a good player's time.
constexpr double kBronzePace = 2.0;

// The levels measured by hand in the easy regime (tools/medal-times.py), in ms: a careful first win of the
// levels whose tutorials teach the game (tutorial on, every box read; the bot closes tutorials), and a
// practised run, which gold asks for (level 2's less its former fourth flour); and a good player's time.
inline const std::map<int, int> kFirstWinMs = {{1, 63900}, {2, 28300}, {3, 39700}, {4, 64100},
                                               {5, 50200}, {6, 48200}, {8, 47700}};
inline const std::map<int, int> kPractisedMs = {{1, 38400}, {2, 24700}, {3, 35800},
                                                {5, 43900}, {6, 34600}, {8, 39100}};
inline const std::map<int, int> kHandMs = {{31, 68000}, {36, 71000}};

// Each award's tiers against the counters after the easy campaign (the first player's) and over both: bronze
// within the easy one, silver past it but within both, gold past both but within half as much again.
inline void CheckAwards(const std::vector<std::string>& users) {
    std::array<int64_t, kAwardWordCount> easy = {}, both = {};
    for (const std::string& user : users) {
        const ProfileRecord player = testplayers::StoredCurrent(user).value();
        for (size_t i = 0; i < both.size(); ++i)
            both[i] += player.awards[i];
        if (&user == &users.front()) easy = both;
    }
    std::ifstream in(std::string(VB_SOURCE_DIR) + "/content/awards.txt");
    const testsupport::Pattern award(R"(^award\s+(\w+)\s+(\d+)\s+\w+\s+\d+\s+(\d+)\s+(\d+)\s+(\d+)\s*$)");
    std::vector<std::string> m;
    int awards = 0;
    for (std::string line; std::getline(in, line);)
        if (award.Matches(line, &m) && ++awards) {
            const size_t i = size_t(std::stoi(m[2]));
            const int bronze = std::stoi(m[3]), silver = std::stoi(m[4]), gold = std::stoi(m[5]);
            EXPECT_TRUE(bronze <= easy[i] && easy[i] < silver && silver <= both[i] && both[i] < gold &&
                        gold <= 1.5 * double(both[i]))
                << line << " after " << easy[i] << " and " << both[i];
        }
    EXPECT_EQ(awards, 9) << "the nine awards";
}

struct BotResult {
    std::string outcome; // won, lost, not won
    int timeMs = 0;
    std::string grade;
    int actions = 0;
};

// The bot's lines of a log, by level number (counted from 1), for a regime.
inline std::map<int, BotResult> BotResults(const std::string& log, int regime) {
    std::map<int, BotResult> results;
    const testsupport::Pattern line(
        R"(Bot: level (\d+) regime (\d) (won|lost|not won) in (\d+) ms, grade (\w+), money -?\d+, (\d+) actions)");
    for (const std::vector<std::string>& m : line.FindAll(log)) {
        if (std::stoi(m[2]) != regime) continue;
        results[std::stoi(m[1])] = {m[3], std::stoi(m[4]), m[5], std::stoi(m[6])};
    }
    return results;
}

// Plays the levels (indices) in the regime and checks every one was won within its bronze time; run names
// the log kept (campaign-<run><regime>-log.txt): "" a player's campaign, "bare-" a run without a player.
inline void PlayAndCheck(const testsupport::GameCopy& game, const std::set<int>& levels, int regime,
                         const std::string& run = "") {
    ASSERT_FALSE(levels.empty());
    SCOPED_TRACE(run + (regime ? "hard" : "easy"));
    std::string list;
    for (int index : levels)
        list += (list.empty() ? "" : ",") + std::to_string(index + 1);
    std::string output;
    // The virtual clock ends the run, which leaves a player at the last comic or map.
    const int status = game.Run(std::string("--headless --draw-every 200 --until-ms 7200000 --bot ") +
                                    (regime ? "hard " : "easy ") + list,
                                &output);
    ASSERT_EQ(status, 0) << output;
    const std::string log = game.Log();
    // The log stays in the build folder for tools/medal-times.py.
    if (const char* built = std::getenv("VB_BINARY_DIR"))
        std::ofstream(std::string(built) + "/campaign-" + run + (regime ? "hard" : "easy") + "-log.txt")
            << log;
    const auto results = BotResults(log, regime);
    const auto medals = SourceMedals(regime);
    ASSERT_FALSE(medals.empty());
    // No two round buttons over the field overlapped where the bot played.
    EXPECT_EQ(testsupport::LogLines(log, "round buttons overlap"), std::vector<std::string>{});
    for (int index : levels) {
        const int number = index + 1;
        const auto found = results.find(number);
        if (found == results.end()) {
            ADD_FAILURE() << "level " << number << " was not played";
            continue;
        }
        const BotResult& r = found->second;
        const bool medal =
            r.outcome == "won" && (r.grade == "bronze" || r.grade == "silver" || r.grade == "gold");
        const auto pending = PendingLevels().find(number);
        if (pending != PendingLevels().end() && (pending->second.regimes >> regime & 1)) {
            EXPECT_FALSE(medal) << "level " << number << " is won now: it leaves the pending list";
            std::printf("level %d regime %d: pending (%s): %s in %d ms\n", number, regime,
                        pending->second.why, r.outcome.c_str(), r.timeMs);
            continue;
        }
        EXPECT_TRUE(medal) << "level " << number << " not won with a medal: " << r.outcome << " in "
                           << r.timeMs << " ms, grade " << r.grade;
        // The medal times fit a person's pace, not the bot's (tools/medal-times.py sets them).
        const auto times = medals.find(index);
        if (times != medals.end() && medal) {
            // A careful first win of a tutorial level ends in silver, a practised run in gold; a good
            // player's time measured by hand is within the last quarter before gold.
            const auto first = kFirstWinMs.find(number), hand = kHandMs.find(number);
            const bool tutorial = regime == 0 && first != kFirstWinMs.end(),
                       byHand = regime == 0 && hand != kHandMs.end();
            const double pace = tutorial ? first->second : byHand ? hand->second : PersonMs(r.timeMs);
            EXPECT_TRUE(tutorial ? times->second[2] < pace : !byHand || pace >= 0.75 * times->second[2])
                << "level " << number << ": gold given away";
            const double good = tutorial ? (kPractisedMs.count(number) ? kPractisedMs.at(number) : 0) : pace;
            EXPECT_GE(times->second[2], good)
                << "level " << number << ": a good player's pace misses gold (" << r.timeMs << " ms)";
            EXPECT_GE(times->second[0], std::max(kBronzePace * pace, 1.25 * r.timeMs))
                << "level " << number << ": bronze leaves no person's or the bot's pace (" << r.timeMs
                << " ms)";
        }
        std::printf("level %d regime %d: %s in %d ms, %s\n", number, regime, r.outcome.c_str(), r.timeMs,
                    r.grade.c_str());
    }
}

} // namespace campaign
