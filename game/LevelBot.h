#pragma once
// The level bot: plays a running level as a player would, through the
// level's input (clicks on the screen, keys) and nothing else. Each frame it
// looks at the level (its goals and their progress, the points and their
// states, the money, the stock, the farmer's queue) and, at a player's pace,
// takes the next action by a simple priority:
//
//   1. a window that pauses the level (the information page, a notice) is
//      answered with Enter;
//   2. before the clock runs, a click on a point starts it;
//   3. the buttons over plant beds, trees and animal houses are pressed:
//      harvest, collect, water, feed;
//   4. a garbage site is cleared while a sites goal wants more: a click on
//      the heap, then on the clear button it offers (or the click itself
//      orders it where no button is offered);
//   5. a factory's production buttons are pressed while a product goal
//      wants more;
//   6. while a money goal wants more, products no product goal needs are
//      sold: a click on the warehouse opens its window, the tile of the
//      product is chosen and five are sold at a time (the window's own
//      operations), then Enter closes it;
//   7. otherwise it waits for the farmer.
// Buttons over the field are pressed where a player sees them: the bot moves
// the mouse onto the button's place and clicks there.
//
// When the level ends (won or lost), or its time runs past the bronze medal
// without a win (the easy regime never loses), the bot writes one line to the
// log, "Bot: level N regime R won in T ms, grade G, money M" (or "lost" /
// "not won"), and asks to leave the level.
//
// BotRun is the program's bot mode ("--bot REGIME LEVELS"): it stands in for
// the main screen, opens each level of its list in turn with the bot
// attached, and quits after the last.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class ActiveScreenSprite;
class GameLevel;
class ScreenSprites;

class LevelBot {
  public:
    // The level outlives the bot (the level screen holds both).
    explicit LevelBot(GameLevel& level);

    // One frame of frameMs: looks and acts. True once the bot wants to leave
    // the ended (or given up) level.
    bool Frame(uint32_t frameMs);

    // Actions taken so far (clicks and keys), for the log line.
    uint32_t Actions() const { return actions_; }

  private:
    void Report();
    bool AnswerWindow();
    bool StartClock();
    bool ClearGarbage();
    bool TendFarm();
    bool Produce();
    bool Sell();
    // Units of a product beyond what the product goals want.
    int32_t Surplus(uint32_t productId) const;
    // The level's buttons over the field (null without them).
    ScreenSprites* Sprites() const;
    // The visible button of a command nearest to a field place (within
    // maxDistance; any distance when negative), enabled ones only when asked.
    ActiveScreenSprite* FindButton(uint32_t command, float x, float y, float maxDistance,
                                   bool enabledOnly) const;
    void ClickButton(const ActiveScreenSprite& button);
    void ClickScreen(int32_t sx, int32_t sy);
    bool FarmerQueueFull() const;
    bool PointTargeted(int32_t index) const;
    int32_t MoneyGoalTarget() const;
    bool GoalWanted(uint32_t kind) const;
    void ClickPoint(int32_t index);
    void PressKey(uint32_t key);

    GameLevel& level_;
    uint32_t sinceActionMs_ = 0;
    uint64_t frameTimeMs_ = 0; // the screen's time seen so far
    uint64_t nextProduceMs_ = 0;
    uint64_t nextSellMs_ = 0;
    uint32_t actions_ = 0;
    bool reported_ = false;
};

// The bot mode of the program.
class BotRun {
  public:
    // regime: 0 easy, 1 hard; levels: indices of the level table.
    BotRun(uint32_t regime, std::vector<uint32_t> levels);
    uint32_t Regime() const { return regime_; }
    // The levels asked for (empty: every level of the table).
    const std::vector<uint32_t>& Levels() const { return levels_; }
    // The level screen's bot for a level it has built.
    std::unique_ptr<LevelBot> Attach(GameLevel& level);
    // The main screen's place: the next level is opened, or the program
    // quits after the last.
    void Next();

  private:
    uint32_t regime_;
    std::vector<uint32_t> levels_;
    size_t next_ = 0;
};

// Parses "--bot REGIME LEVELS" off the command line (REGIME easy or hard;
// LEVELS "all" or a comma list of level numbers counted from 1 and ranges
// "a-b"); the arguments are taken out. False with why set for a malformed
// request; true (and no run) when the flag is absent.
bool ParseBotArguments(std::vector<char*>& arguments, std::unique_ptr<BotRun>* run, std::string* why);
// Installs the bot run in the main screen's place (after the other screens
// are registered); it lives until the program ends.
void RegisterBotRun(std::unique_ptr<BotRun> run);
// The program's bot run, or null in a normal run.
BotRun* ActiveBotRun();
