#include "text/FontSlots.h"

KGEFont* AppFontSlots[kAppFontSlotCount] = {};

namespace {
KGEFont* languageFonts[kLanguageFontCount] = {};
}

void SetLanguageFont(int32_t n, KGEFont* font) {
    if (n >= 1 && n <= kLanguageFontCount) languageFonts[n - 1] = font;
}

KGEFont* GetFont(int32_t n) {
    if (n >= 1 && n <= kLanguageFontCount) return languageFonts[n - 1];
    if (n > kLanguageFontCount && n <= kLanguageFontCount + kAppFontSlotCount)
        return AppFontSlots[n - kLanguageFontCount - 1];
    return nullptr;
}
