#pragma once
// The level bot: plays a running level as a player would, through the
// level's input (clicks on the screen, keys) and nothing else. Each frame it
// looks at the level (its goals and their progress, the points and their
// states, the money, the stock, the farmer's queue) and, at a player's pace,
// takes the next action by a simple priority:
//
//   1. a window that pauses the level (the information page, a notice) is
//      answered with Enter;
//   2. before the clock runs, a click on a point starts it; a tutorial
//      that runs over the level is closed as a player closes it: its
//      "Close tutorial" button once the first step shows, then "Yes"
//      (Enter, as in 1) to the question;
//   3. villains' shots in the air and villains at their catapults are
//      clicked (checked every frame: a shot flies fast);
//   4. the buttons over plant beds, trees and animal houses are pressed:
//      harvest, collect, water, feed;
//   5. a clean site is built on through its build menus (a click on the
//      site, then on the category, then on the priced choice) when a plant
//      or building goal wants more of the choice's kind than stand, when a
//      goal wants what the choice makes and nothing on the farm makes it yet,
//      or more beds of a wanted crop; a bed or building whose product a goal
//      wants, or that a plant or building goal wants at a higher stage, is
//      raised through its panel's upgrade button when the money allows;
//   6. a garbage site is cleared while a sites goal wants more: a click on
//      the heap, then on the clear button it offers (or the click itself
//      orders it where no button is offered);
//   7. a factory's production buttons are pressed while a product goal
//      wants more;
//   8. while a money goal wants more, or garbage a sites goal wants cleared
//      costs more than the purse holds, products no product goal needs are
//      sold (a few units of feed are kept for each animal house): a click on
//      the warehouse opens its window, the tile of the product is chosen and
//      five are sold at a time (the window's own operations), then Enter
//      closes it; money for that garbage is not spent on building;
//   9. otherwise it waits for the farmer.
// Buttons over the field are pressed where a player sees them: the bot moves
// the mouse onto the button's place and clicks there.
//
// When the level ends (won or lost), or its time runs past the bronze medal
// without a win (the easy regime never loses), the bot writes one line to the
// log, "Bot: level N regime R won in T ms, grade G, money M" (or "lost" /
// "not won"), and asks to leave the level.
//
// Two options change its play: "--bot-idle" leaves the farm to itself (the
// bot only answers windows, starts the clock and closes tutorials: the farmer
// finishes what she was given and the villains' shots land), and
// "--bot-leave-at MS" leaves each level unfinished, kept as its saved game,
// once its clock reaches MS ms (0: at once, before a continued level runs a
// tick), with the line "Bot: level N left at T ms". A level continued from
// its saved game is compared with it before its first tick (below).
//
// BotRun is the program's bot mode ("--bot REGIME LEVELS"): it stands in for
// the main screen, opens each level of its list in turn with the bot
// attached, and quits after the last. A won level with a comic after it (a
// current profile) leads through the comic to the map; while levels are
// left the run passes them as a player does: clicks complete and close the
// comic's pages, and the map's back button leads to the main screen, where
// the next level opens. After the last level they wait for the player.

#include "game/Autoplay.h"

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

class ActiveScreenSprite;
class BaseLevelPoint;
struct GoalRecord;
class GameButton;
class GameLevel;
class LevelInterface;
class ScreenSprites;
struct SiteChoice;

class LevelBot : public LevelAutoplayer {
  public:
    // The level and its interface (null: none) outlive the bot (the level
    // screen holds all three).
    explicit LevelBot(GameLevel& level, LevelInterface* ui = nullptr, bool idle = false,
                      int64_t leaveAtMs = -1);

    // One frame of frameMs: looks and acts. True once the bot wants to leave
    // the ended (or given up) level.
    bool Frame(uint32_t frameMs) override;
    bool LeaveBeforeUpdate() override;

    // Actions taken so far (clicks and keys), for the log line.
    uint32_t Actions() const { return actions_; }

  private:
    void Report();
    // Before its first tick, a level continued from the profile's saved game
    // is that game: saved again, it gives the same bytes. The log says which
    // ("Bot: the saved game of level N continues unchanged." or where the
    // bytes differ).
    void CheckContinuedGame();
    bool AnswerWindow();
    bool StartClock();
    bool CloseTutorial();
    bool ClearGarbage();
    bool TendFarm();
    bool CropUseful(const ActiveScreenSprite& button) const;
    bool Produce();
    int32_t ProductCount(uint32_t productId) const;
    bool IngredientsInStock(uint32_t productId) const;
    int32_t IngredientNeed(uint32_t productId) const;
    bool Sell();
    bool DefendFarm();
    // Round buttons over the field that overlap where they are drawn take
    // each other's clicks, a fault of the level's layout: every pair the bot
    // meets goes into the log, once a level. The cells of one row (one
    // command, one top edge) join rim to rim and count as one button.
    void WatchButtonOverlaps();
    bool Build();
    bool Upgrade();
    // Products the bot works towards: the products of unmet product goals,
    // what their factories make them from, and the feed of animal houses
    // that make them; in that order.
    std::vector<uint32_t> WantedProducts() const;
    // Points (built or being built) that make the product.
    int32_t Producers(uint32_t productId) const;
    // An unmet plant or building goal of the object (kPointPlant: a plant,
    // else a building type); null when none.
    const GoalRecord* StageGoal(uint32_t pointKind, uint32_t objectId) const;
    // Points of the kind standing with the object, at any stage.
    int32_t PointsOf(uint32_t pointKind, uint32_t objectId) const;
    // An unmet plant or building goal wants the point raised to its stage.
    bool StageWants(const BaseLevelPoint& point) const;
    // What a site choice makes (0: nothing known).
    static bool ChoiceMakes(const SiteChoice& choice, uint32_t productId);
    // The prices of the cheapest garbage heaps a sites goal still wants
    // cleared (those already ordered aside).
    int32_t GarbageMoneyNeeded() const;
    // Money the bot may spend on beds, buildings and upgrades: what it has
    // less what the wanted garbage will cost.
    int32_t Spendable() const;
    void ClickControl(const GameButton& button);
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
    void ClickField(float x, float y);
    bool FarmerQueueFull() const;
    bool PointTargeted(int32_t index) const;
    int32_t MoneyGoalTarget() const;
    bool GoalWanted(uint32_t kind) const;
    // How far (rings of 4 screen pixels) the bot looks round a point's place
    // for its picture.
    static constexpr int32_t kPointSearchRings = 16;
    void ClickPoint(int32_t index);
    void PressKey(uint32_t key);

    GameLevel& level_;
    LevelInterface* ui_;
    bool idle_;         // answers windows, starts the clock and closes tutorials only
    int64_t leaveAtMs_; // the level time it leaves the unfinished level at (-1: never)
    // A build under way: the site, the category's command and the choice's
    // record; step 0 none, 1 the site was clicked, 2 the category was.
    int32_t buildSite_ = -1;
    uint32_t buildCategory_ = 0;
    uintptr_t buildRecord_ = 0;
    int32_t buildStep_ = 0;
    // An upgrade under way: the point clicked, -1 none.
    int32_t upgradePoint_ = -1;
    uint64_t nextUpgradeMs_ = 0;
    uint32_t sinceDefenceMs_ = 0;
    uint32_t sinceActionMs_ = 0;
    uint64_t frameTimeMs_ = 0; // the screen's time seen so far
    uint64_t nextProduceMs_ = 0;
    uint64_t nextSellMs_ = 0;
    uint64_t nextCloseMs_ = 0;
    uint32_t actions_ = 0;
    bool reported_ = false;
    bool checked_ = false; // the continued game was compared with its saved one
    std::set<std::string> overlapsTold_;
};

// The bot mode of the program.
class BotRun : public Autoplay {
  public:
    // regime: 0 easy, 1 hard; levels: indices of the level table.
    BotRun(uint32_t regime, std::vector<uint32_t> levels, bool idle = false, int64_t leaveAtMs = -1);
    uint32_t Regime() const override { return regime_; }
    // The levels asked for (empty: every level of the table).
    const std::vector<uint32_t>& Levels() const { return levels_; }
    bool Idle() const { return idle_; }
    int64_t LeaveAtMs() const { return leaveAtMs_; }
    // The level screen's bot for a level it has built.
    std::unique_ptr<LevelAutoplayer> Attach(GameLevel& level, LevelInterface* ui) override;
    // The main screen's place: the next level is opened, or the program
    // quits after the last.
    void MainScreenFrame() override;
    // A frame of the comics' and the map's screens (frameMs of screen time):
    // with levels left, a click at a player's pace turns the comic's page or
    // leaves the map by its back button.
    void ComicFrame(uint32_t frameMs) override;
    void MapFrame(uint32_t frameMs) override;
    // Why the run played nothing (empty: it played): the current player has
    // not opened the regime asked for. The program then ends with an error.
    const std::string& Refusal() const { return refusal_; }

    // Screen time between two clicks on a comic page, and from the map's
    // opening (its reveal of the result) to the click on its back button.
    static constexpr uint32_t kPageClickMs = 1000;
    static constexpr uint32_t kMapStayMs = 3000;

  private:
    bool LevelsLeft() const;
    // The current player (if any) is put in the run's regime, as her map's
    // regime button would; false with refusal_ set when it is not open to her.
    bool TakePlayersRegime();

    uint32_t regime_;
    bool idle_;
    int64_t leaveAtMs_;
    std::string refusal_;
    std::vector<uint32_t> levels_;
    size_t next_ = 0;
    // Screen time on the current comic or map since the last click (or its opening).
    uint32_t comicMs_ = 0;
    uint32_t mapMs_ = 0;
};

// Parses "--bot REGIME LEVELS" off the command line (REGIME easy or hard;
// LEVELS "all" or a comma list of level numbers counted from 1 and ranges
// "a-b"), with "--bot-idle" and "--bot-leave-at MS" beside it; the arguments
// are taken out. False with why set for a malformed
// request; true (and no run) when the flag is absent. The program's main
// function keeps the run and installs it (game/Autoplay.h) for the whole run.
bool ParseBotArguments(std::vector<char*>& arguments, std::unique_ptr<BotRun>* run, std::string* why);
