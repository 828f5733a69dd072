#pragma once
// A player in the person's place for a whole run: the level bot's run
// (bot/LevelBot.h) is the one there is. When one is installed, the game's
// screens ask it what the person would have done: the regime a level opens
// in, a player for each level built, a step in the main screen's place, and
// a frame on the comics' and the map's screens. The program's main function
// makes it and keeps it for the whole run.

#include <cstdint>
#include <memory>

class GameLevel;
class LevelInterface;

// Plays one running level through its input.
class LevelAutoplayer {
  public:
    virtual ~LevelAutoplayer() = default;
    // One frame of frameMs: looks and acts. True once it wants to leave the
    // ended (or given up) level.
    virtual bool Frame(uint32_t frameMs) = 0;
    // Asked before each of the level's updates: true leaves the unfinished
    // level at once, kept as its saved game (before it runs the tick).
    virtual bool LeaveBeforeUpdate() { return false; }
};

class Autoplay {
  public:
    virtual ~Autoplay() = default;
    // The regime its levels open in: 0 easy, 1 hard.
    virtual uint32_t Regime() const = 0;
    // The player of a level the level screen has built; the level and its
    // interface (null: none) outlive it.
    virtual std::unique_ptr<LevelAutoplayer> Attach(GameLevel& level, LevelInterface* ui) = 0;
    // A frame of the main screen's place: the next level is opened, or the
    // program quits after the last.
    virtual void MainScreenFrame() = 0;
    // A frame of the comics' and of the map's screen (frameMs of screen time).
    virtual void ComicFrame(uint32_t frameMs) = 0;
    virtual void MapFrame(uint32_t frameMs) = 0;
};

// Installs the run's player in the main screen's place (after the game's
// screens are registered); null: a person plays. The caller keeps it alive
// while it is installed.
void InstallAutoplay(Autoplay* autoplay);
// The installed player, or null in a normal run.
Autoplay* ActiveAutoplay();
