#pragma once
// The running level's tutorials in the program: when the current profile's
// tutorial option is on, the scripted tutorial of the level is made before the
// level's set-up (which goes to its first step), and the level reaches it
// through the tutorial hooks. The level screen owns this beside its level;
// the level and the window manager outlive the tutorial (the level screen
// ends it before the level goes).

#include "level/LevelHooks.h"

#include <cstdint>
#include <memory>

class GameLevel;

class ProgramLevelTutorials {
  public:
    // The tutorials of the level index; the level follows with Attach before
    // its set-up.
    explicit ProgramLevelTutorials(uint32_t levelIndex);
    ~ProgramLevelTutorials();
    ProgramLevelTutorials(const ProgramLevelTutorials&) = delete;
    ProgramLevelTutorials& operator=(const ProgramLevelTutorials&) = delete;

    // The level's tutorial hooks (they answer "no tutorial" when none runs).
    LevelTutorialHooks* Hooks();
    // The level the tutorial reads, made with these hooks. At every start and
    // restart, before the level's set-up: the running tutorial goes, and the
    // level's own is made when it has one and the current profile's tutorial
    // option is on.
    void Attach(GameLevel& level);
    // The first full warehouse of a player who wants tutorials: its tutorial
    // for the product starts at once, replacing the level's own.
    void StartFullWarehouse(uint32_t productId);
    // Once a frame, after the level's update.
    void Update(uint32_t ms);

  private:
    struct State;
    std::unique_ptr<State> state_;
};
