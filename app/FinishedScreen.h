#pragma once
// Game state 6 until the main screen exists: the screen after loading. It
// says "Loading finished" and shows what the layers below can do so far:
//   - a picture file of the Data folder drawn as quads under the 2D transform
//     (as it is, turned and enlarged, and turning with the game clock);
//   - a line in one of the language's interface fonts and one in a game font;
//   - a text with colour and inline-image markup;
//   - a click counter drawn with the digit font of the data pack.
// Every key press and mouse click is logged, a click plays the sound pack's
// "click" sample, the arrow cursor shows, and Escape quits.

#include "app/GameStates.h"

#include <cstdint>

// The picture file, relative to the Data folder.
constexpr const char16_t* kFinishedScreenPicture = u"Showcase\\sunflower.tga";
// The inline image of the markup line: a texture of collection 1.
constexpr const char16_t* kFinishedScreenIcon = u"coin";
// The digit font of the counter and the arrow cursor.
constexpr uint32_t kFinishedScreenDigitFont = 1;
constexpr uint32_t kArrowCursorId = 0x100;

// Where things are: x from the middle of the game screen, y from its top.
constexpr int32_t kFinishedTitleY = 40;          // "Loading finished", centred
constexpr int32_t kFinishedHintY = 92;           // the line in a game font, centred
constexpr int32_t kFinishedPicturesY = 230;      // the pictures' centres
constexpr int32_t kFinishedPictureSpacing = 200; // left, middle and right picture
constexpr int32_t kFinishedMarkupY = 370;        // top of the markup text, centred
constexpr int32_t kFinishedCounterY = 450;       // top of the counter row
constexpr int32_t kFinishedCounterX = 10;        // the digits start right of the middle

// Entering and leaving state 6.
void OpenFinishedScreen();
void CloseFinishedScreen();
const AppCallbacks& FinishedScreenCallbacks();
