// The bot run's command line: "--bot REGIME LEVELS" is taken off the
// arguments (the others stay in order), its regime and levels are read, and
// a malformed request is refused with a reason.
#include "bot/LevelBot.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

struct Parsed {
    bool ok = false;
    std::unique_ptr<BotRun> run;
    std::vector<std::string> rest;
    std::string why;
};

Parsed Parse(std::vector<std::string> words) {
    std::vector<char*> arguments;
    for (std::string& word : words)
        arguments.push_back(word.data());
    Parsed parsed;
    parsed.ok = ParseBotArguments(arguments, &parsed.run, &parsed.why);
    for (char* argument : arguments)
        parsed.rest.emplace_back(argument);
    return parsed;
}

} // namespace

TEST(CampaignArguments, TheBotRequestIsTakenOffTheCommandLine) {
    struct Case {
        std::vector<std::string> words;
        uint32_t regime;
        std::vector<uint32_t> levels; // indices
        std::vector<std::string> rest;
    };
    const Case cases[] = {
        {{"game", "--headless", "--bot", "easy", "7", "--seed", "3"},
         0,
         {6},
         {"game", "--headless", "--seed", "3"}},
        {{"game", "--bot", "hard", "1-3,9"}, 1, {0, 1, 2, 8}, {"game"}},
        {{"game", "--bot", "hard", "41,40-41"}, 1, {40, 39, 40}, {"game"}},
        {{"game", "--bot", "easy", "all"}, 0, {}, {"game"}},
    };
    for (const Case& c : cases) {
        Parsed parsed = Parse(c.words);
        ASSERT_TRUE(parsed.ok) << c.words[2] << " " << parsed.why;
        ASSERT_TRUE(parsed.run);
        EXPECT_EQ(parsed.run->Regime(), c.regime);
        EXPECT_EQ(parsed.run->Levels(), c.levels) << c.words.back();
        EXPECT_EQ(parsed.rest, c.rest);
    }
}

TEST(CampaignArguments, WithoutTheFlagNothingChangesAndBadRequestsAreRefused) {
    Parsed plain = Parse({"game", "--headless"});
    EXPECT_TRUE(plain.ok);
    EXPECT_FALSE(plain.run);
    EXPECT_EQ(plain.rest, (std::vector<std::string>{"game", "--headless"}));

    const std::vector<std::vector<std::string>> bad = {
        {"game", "--bot"},
        {"game", "--bot", "easy"},
        {"game", "--bot", "medium", "1"},
        {"game", "--bot", "easy", "0"},
        {"game", "--bot", "easy", "42"},
        {"game", "--bot", "easy", "5-3"},
        {"game", "--bot", "easy", "1,,2"},
        {"game", "--bot", "easy", "1x"},
        {"game", "--bot", "easy", ""},
    };
    for (const auto& words : bad) {
        Parsed parsed = Parse(words);
        EXPECT_FALSE(parsed.ok) << words.back();
        EXPECT_FALSE(parsed.why.empty()) << words.back();
        EXPECT_FALSE(parsed.run) << words.back();
    }
}
