#pragma once
// Game state 6 until the main screen exists: the screen after loading. It
// says "Loading finished" and shows what the layers below can do so far:
//   - sprites of the sprite pack: the farm girl walking round a rectangle
//     (turning through her four directions), a star fading, a chicken
//     pecking and pulsing, a button sliding and a lock going through a
//     colour gradient, and a shot circling with its gas trail of particles;
//   - a line in one of the language's interface fonts and one in a game font;
//   - a text with colour and inline-image markup;
//   - a click counter drawn with the digit font of the data pack.
// Every key press and mouse click is logged, a click plays the sound pack's
// "click" sample, the arrow cursor shows, F4 shows the first comic (until the
// map does) and Escape quits.

#include "app/GameStates.h"

// Entering and leaving state 6.
void OpenFinishedScreen();
void CloseFinishedScreen();
const AppCallbacks& FinishedScreenCallbacks();
