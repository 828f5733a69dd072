#pragma once
// What the sprites subsystem needs from the program above it: the clocks the
// effects are timed by, and the shell's callback tables and game state that a
// full-screen effect takes over. The program installs its host at start-up;
// without one the clocks stand at 0 and the callback calls do nothing.

#include <cstdint>

class SoundManager;

class SpriteHost {
  public:
    virtual ~SpriteHost() = default;
    // The game clock in ms (stops while the game is paused).
    virtual uint32_t GameClock() = 0;
    // The real-time clock in ms that sound fades are timed by.
    virtual uint32_t RealClock() = 0;
    // Saves the shell's callbacks that the mask selects and routes them to the
    // running game effect (GameEffect.h); RestoreCallbacks puts them back.
    virtual void TakeCallbacks(uint32_t mask) = 0;
    virtual void RestoreCallbacks() = 0;
    virtual void SetGameState(int32_t state) = 0;
    // The sound manager that effect sounds and screen fades play through;
    // null plays nothing.
    virtual SoundManager* Sound() { return nullptr; }
};

// Not owned; it must outlive every sprite object. Null installs the idle host.
void SetSpriteHost(SpriteHost* host);
SpriteHost& GetSpriteHost();
