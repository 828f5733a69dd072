#include "platform/Input.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

namespace platform {
namespace {

struct KeyName {
    const char* name;
    uint8_t code;
};
constexpr KeyName kKeyNames[] = {
#define VB_DIK_NAME(suffix, name, code) {name, code},
    VB_DIK_KEYS(VB_DIK_NAME)
#undef VB_DIK_NAME
};

bool SameIgnoringCase(std::string_view a, const char* b) {
    size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != b[i]) return false;
    return true;
}

} // namespace

uint8_t DikFromName(std::string_view name) {
    for (const KeyName& key : kKeyNames)
        if (SameIgnoringCase(name, key.name)) return key.code;
    if (name.size() > 1 && std::isdigit(static_cast<unsigned char>(name[0]))) {
        std::string text(name);
        char* end = nullptr;
        unsigned long value = std::strtoul(text.c_str(), &end, 0);
        if (end && *end == '\0' && value > 0 && value < 256) return uint8_t(value);
    }
    return 0;
}

std::string_view DikName(uint8_t code) {
    for (const KeyName& key : kKeyNames)
        if (key.code == code) return key.name;
    return {};
}

template <class Record> void Input::RecordRing<Record>::Push(const Record& record) {
    if (count_ == records_.size()) {
        first_ = (first_ + 1) % records_.size();
        --count_;
    }
    records_[(first_ + count_) % records_.size()] = record;
    ++count_;
}

template <class Record> size_t Input::RecordRing<Record>::Read(Record* out, size_t capacity) {
    const size_t n = std::min(capacity, count_);
    for (size_t i = 0; i < n; ++i)
        out[i] = records_[(first_ + i) % records_.size()];
    first_ = (first_ + n) % records_.size();
    count_ -= n;
    return n;
}

void Input::ReadKeyboardState(uint8_t state[256]) const {
    std::memcpy(state, keys_, 256);
}

void Input::ReadMouseState(MouseState& state) {
    state = mouse_;
    mouse_.x = mouse_.y = mouse_.wheel = 0;
}

size_t Input::ReadKeyRecords(KeyRecord* out, size_t capacity) {
    return keyRecords_.Read(out, capacity);
}

size_t Input::ReadMouseRecords(MouseRecord* out, size_t capacity) {
    return mouseRecords_.Read(out, capacity);
}

void Input::CursorPosition(int& x, int& y) const {
    x = cursorX_;
    y = cursorY_;
}

void Input::OnFocus(bool focused, uint32_t time) {
    if (focused == acquired_) return;
    if (!focused) ReleaseAll(time);
    acquired_ = focused;
}

void Input::ReleaseAll(uint32_t time) {
    for (int key = 0; key < 256; ++key)
        if (keys_[key]) OnKey(uint8_t(key), false, time);
    for (int button = 0; button < 3; ++button)
        if (mouse_.buttons[button]) OnButton(button, false, time);
    mouse_ = {};
}

void Input::OnKey(uint8_t key, bool down, uint32_t time) {
    if (!acquired_ || key == 0) return;
    uint8_t state = down ? kKeyDown : 0;
    if (keys_[key] == state) return; // auto-repeat of a held key is no change
    keys_[key] = state;
    keyRecords_.Push(KeyRecord{key, state, time});
}

void Input::OnMouseMove(int dx, int dy, uint32_t time) {
    if (!acquired_) return;
    mouse_.x += dx;
    mouse_.y += dy;
    if (dx) mouseRecords_.Push(MouseRecord{kMouseOffsetX, dx, time});
    if (dy) mouseRecords_.Push(MouseRecord{kMouseOffsetY, dy, time});
}

void Input::OnCursor(int x, int y) {
    cursorX_ = x;
    cursorY_ = y;
}

void Input::OnPointer(int x, int y, uint32_t time) {
    OnMouseMove(x - cursorX_, y - cursorY_, time);
    OnCursor(x, y);
}

void Input::OnWheel(int delta, uint32_t time) {
    if (!acquired_ || delta == 0) return;
    mouse_.wheel += delta;
    mouseRecords_.Push(MouseRecord{kMouseOffsetWheel, delta, time});
}

void Input::OnButton(int button, bool down, uint32_t time) {
    if (!acquired_ || button < 0 || button > 2) return;
    uint8_t state = down ? kKeyDown : 0;
    if (mouse_.buttons[button] == state) return;
    mouse_.buttons[button] = state;
    mouseRecords_.Push(MouseRecord{kMouseOffsetButton0 + uint32_t(button), state, time});
}

void Input::OnText(std::u16string_view text, uint32_t time) {
    if (!acquired_) return;
    for (char16_t unit : text)
        if (unit != 0) keyRecords_.Push(KeyRecord{0, 0, time, unit});
}

} // namespace platform
