#pragma once
// The showcase program's screen in the main screen's place (kStateMainScreen):
// it says "Loading finished" and shows what the layers below the game can do:
//   - sprites of the sprite pack: the farm girl walking round a rectangle
//     (turning through her four directions), a star fading, a chicken
//     pecking and pulsing, a button sliding and a lock going through a
//     colour gradient, and a shot circling with its gas trail of particles;
//   - a line in one of the language's interface fonts and one in a game font;
//   - a text with colour and inline-image markup;
//   - a click counter drawn with the digit font of the data pack.
// Every key press and mouse click is logged, a click plays the sound pack's
// "click" sample, the arrow cursor shows and Escape quits. Keys open the
// test screens of the layers over it: F2 the window toolkit's dialog, F3 the
// profiles panel, F4 a comic, F5 the level panel, F6 a level, F7 the
// warehouse window, F8 a tutorial step, F9 the windows around a level, F10
// the bonuses window, M the level-select map.

#include "showcase/BonusesShowcase.h"

#include <memory>

class LayerShowcase;

// The showcase program's own part: making it registers the layer showcase
// as kStateMainScreen's screen, in place of the game's main screen (so it is made
// after the game's wiring). The screen lives while the state is current.
// The program's main function keeps this object until WinMain has returned.
class ShowcaseProgram {
  public:
    ShowcaseProgram();
    ~ShowcaseProgram();
    ShowcaseProgram(const ShowcaseProgram&) = delete;
    ShowcaseProgram& operator=(const ShowcaseProgram&) = delete;

    // Entering and leaving kStateMainScreen.
    void OpenScreen();
    void CloseScreen();
    // The screen while kStateMainScreen is current, else null.
    LayerShowcase* Screen() const { return screen_.get(); }

  private:
    std::unique_ptr<LayerShowcase> screen_;
    // The bonuses window may stay open after the screen has gone: the
    // selection it edits lives here.
    BonusesShowcase bonuses_;
};
