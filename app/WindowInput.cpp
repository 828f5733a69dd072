#include "app/WindowInput.h"

#include "app/GameStates.h"
#include "engine/InputManager.h"
#include "engine/VirtualKeys.h"
#include "gui/Window.h"
#include "sprites/GameEffect.h"

namespace {

// The windows of the manager when input may reach them: a full-screen game
// effect that took the shell's slots for this input holds it from the
// windows as well.
WindowManager* Windows(uint32_t slots) {
    const GameEffect* effect = CurrentGameEffect();
    if (effect && (effect->CallbackMask() & slots)) return nullptr;
    return GetWindowManager();
}

uint32_t VirtualKeyOf(uint32_t key) {
    const InputManager* input = GetAppServices().input;
    const DXLKeyboard* keyboard = input ? input->GetKeyboard() : nullptr;
    return keyboard && key < 256 ? keyboard->GetVirtualKey(uint8_t(key)) : 0;
}

// The character a virtual key types on its own, 0 for none (the input layer
// has no text input: letters, digits and the space are what the fields take).
char16_t CharacterOf(uint32_t virtualKey, uint32_t modifiers) {
    if (modifiers & (kModifierCtrl | kModifierAlt)) return 0;
    if (virtualKey >= kVkA && virtualKey < kVkA + 26)
        return char16_t((modifiers & kModifierShift) ? virtualKey : virtualKey + 32);
    if (virtualKey >= kVk0 && virtualKey < kVk0 + 10) return char16_t(virtualKey);
    if (virtualKey == kVkSpace) return u' ';
    return 0;
}

} // namespace

bool WindowsTakeMouseDown(int32_t x, int32_t y, uint32_t button) {
    WindowManager* m = Windows(kCallbackMouseDown);
    return m && m->OnMouseDown(x, y, button);
}

bool WindowsTakeMouseUp(int32_t x, int32_t y, uint32_t button) {
    WindowManager* m = Windows(kCallbackMouseUp);
    return m && m->OnMouseUp(x, y, button);
}

bool WindowsTakeMouseMove(int32_t x, int32_t y, uint32_t buttonMask) {
    WindowManager* m = Windows(kCallbackMouseMove);
    return m && m->OnMouseMove(x, y, buttonMask);
}

bool WindowsTakeDoubleClick(int32_t x, int32_t y) {
    WindowManager* m = Windows(kCallbackMouseDoubleClick);
    return m && m->OnMouseDblClick(x, y);
}

bool WindowsTakeWheel(int32_t x, int32_t y, int32_t delta) {
    WindowManager* m = Windows(kCallbackMouseWheel);
    return m && m->OnMouseWheel(x, y, delta);
}

bool WindowsTakeKeyDown(uint32_t key, uint32_t modifiers) {
    WindowManager* m = Windows(kCallbackKeyDown);
    if (!m) return false;
    const uint32_t virtualKey = VirtualKeyOf(key);
    bool taken = m->OnKeyDown(virtualKey, modifiers);
    if (const char16_t ch = CharacterOf(virtualKey, modifiers)) taken = m->OnKeyPress(ch) || taken;
    return taken;
}

bool WindowsTakeKeyUp(uint32_t key, uint32_t modifiers) {
    WindowManager* m = Windows(kCallbackKeyUp);
    return m && m->OnKeyUp(VirtualKeyOf(key), modifiers);
}
