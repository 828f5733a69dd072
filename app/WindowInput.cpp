#include "app/WindowInput.h"

#include "app/GameStates.h"
#include "engine/InputManager.h"
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

// The shell's keyboard; null before the input manager is made.
const DXLKeyboard* Keyboard() {
    const InputManager* input = GetAppServices().input;
    return input ? input->GetKeyboard() : nullptr;
}

} // namespace

uint32_t VirtualKeyOf(uint32_t key) {
    const DXLKeyboard* keyboard = Keyboard();
    return keyboard && key < 256 ? keyboard->GetVirtualKey(uint8_t(key)) : 0;
}

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
    return m->OnKeyDown(VirtualKeyOf(key), modifiers);
}

bool WindowsTakeKeyUp(uint32_t key, uint32_t modifiers) {
    WindowManager* m = Windows(kCallbackKeyUp);
    return m && m->OnKeyUp(VirtualKeyOf(key), modifiers);
}

bool WindowsTakeCharacter(char16_t character) {
    WindowManager* m = Windows(kCallbackKeyDown);
    return m && m->OnKeyPress(character);
}

uint32_t KeyModifiers() {
    const DXLKeyboard* keyboard = Keyboard();
    return keyboard ? keyboard->GetModifiers() : 0;
}
