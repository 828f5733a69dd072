#pragma once
// The shell's input offered to the game's windows before the screen below
// them: each function answers true when a window took the event (or a modal
// window stopped it), and false when no window manager is installed or a
// full-screen game effect holds that input.

#include <cstdint>

bool WindowsTakeMouseDown(int32_t x, int32_t y, uint32_t button);
bool WindowsTakeMouseUp(int32_t x, int32_t y, uint32_t button);
bool WindowsTakeMouseMove(int32_t x, int32_t y, uint32_t buttonMask);
bool WindowsTakeDoubleClick(int32_t x, int32_t y);
bool WindowsTakeWheel(int32_t x, int32_t y, int32_t delta);
// Key codes become virtual keys.
bool WindowsTakeKeyDown(uint32_t key, uint32_t modifiers);
bool WindowsTakeKeyUp(uint32_t key, uint32_t modifiers);
// A typed character (the keyboard's text input) goes to the windows as a key
// press; a full-screen effect that holds the keys holds it too.
bool WindowsTakeCharacter(char16_t character);
// The keyboard's modifiers held now (Shift, Ctrl, Alt; 0 without a keyboard),
// for a click or a wheel turn that reads them.
uint32_t KeyModifiers();
// The virtual key of a key code as the keyboard maps it now (0: none, or no keyboard).
uint32_t VirtualKeyOf(uint32_t key);
