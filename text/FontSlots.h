#pragma once
#include <cstdint>

class KGEFont;

// The fonts the screens ask for by number. 1 to 4 are the loaded language's
// interface fonts (buttons, caption, main, main big), which the language
// fills in; 5 to 9 are the game's five fonts of the data pack, in the order
// of their chunk. The slots do not own the fonts.

constexpr int32_t kAppFontSlotCount = 5;
constexpr int32_t kLanguageFontCount = 4;

// The game's five fonts (fonts 5 to 9).
extern KGEFont* AppFontSlots[kAppFontSlotCount];

// Font n (1..4) of the language; other numbers are ignored.
void SetLanguageFont(int32_t n, KGEFont* font);

// 0 and unknown numbers give null.
KGEFont* GetFont(int32_t n);
