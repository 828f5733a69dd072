#pragma once
// Font measures the windows lay their rows out with.

#include "text/KGEFont.h"

#include <cstdint>

// The font's line height in pixels (0 without a font). A list of rows is
// row pitch x (rows - 1) + line height + 1 high.
inline int32_t GetFontHeight(const KGEFont* font) {
    return font ? font->GetHeight() : 0;
}
