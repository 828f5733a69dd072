#pragma once
// The campaign played by the level bot: every level of the sample level
// table's source, in one regime, by the built program in bot mode
// ("--bot REGIME LEVELS"), headless and drawing only every 20th frame. Each
// level must be won within its bronze time; a level that is not fails the
// test with its number.
#include "tests/support/GameCopy.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace campaign {

// The indices of the levels the source of the level table defines.
inline std::set<int> SourceLevels() {
    std::ifstream in(std::string(VB_SOURCE_DIR) + "/content/levels/levels.txt");
    std::set<int> levels;
    std::string line;
    const std::regex index(R"(^\s*index\s*=\s*(\d+)\s*$)");
    std::smatch m;
    while (std::getline(in, line))
        if (std::regex_match(line, m, index)) levels.insert(std::stoi(m[1]));
    return levels;
}

struct BotResult {
    std::string outcome; // won, lost, not won
    int timeMs = 0;
    std::string grade;
};

// The bot's lines of a log, by level number (counted from 1), for a regime.
inline std::map<int, BotResult> BotResults(const std::string& log, int regime) {
    std::map<int, BotResult> results;
    const std::regex line(R"(Bot: level (\d+) regime (\d) (won|lost|not won) in (\d+) ms, grade (\w+))");
    for (auto it = std::sregex_iterator(log.begin(), log.end(), line); it != std::sregex_iterator(); ++it) {
        const std::smatch& m = *it;
        if (std::stoi(m[2]) != regime) continue;
        results[std::stoi(m[1])] = {m[3], std::stoi(m[4]), m[5]};
    }
    return results;
}

// Plays the levels (indices) in the regime and checks every one was won
// within its bronze time.
inline void PlayAndCheck(const std::set<int>& levels, int regime) {
    ASSERT_FALSE(levels.empty());
    std::string list;
    for (int index : levels)
        list += (list.empty() ? "" : ",") + std::to_string(index + 1);
    testsupport::GameCopy game;
    std::string output;
    // The virtual clock ends a run that hangs (an hour of game time).
    const int status = game.Run(std::string("--headless --draw-every 20 --until-ms 3600000 --bot ") +
                                    (regime ? "hard " : "easy ") + list,
                                &output);
    ASSERT_EQ(status, 0) << output;
    const std::string log = game.Log();
    EXPECT_NE(log.find("Bot: every level played."), std::string::npos) << "the run did not finish";
    const auto results = BotResults(log, regime);
    for (int index : levels) {
        const int number = index + 1;
        const auto found = results.find(number);
        if (found == results.end()) {
            ADD_FAILURE() << "level " << number << " was not played";
            continue;
        }
        const BotResult& r = found->second;
        EXPECT_EQ(r.outcome, "won") << "level " << number << " not won (" << r.timeMs << " ms)";
        EXPECT_TRUE(r.grade == "bronze" || r.grade == "silver" || r.grade == "gold")
            << "level " << number << " has no medal (" << r.timeMs << " ms)";
        std::printf("level %d regime %d: %s in %d ms, %s\n", number, regime, r.outcome.c_str(), r.timeMs,
                    r.grade.c_str());
    }
}

} // namespace campaign
