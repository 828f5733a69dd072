#include "platform/headless/HeadlessBackend.h"

#include "platform/Clock.h"
#include "platform/PngWriter.h"

#include <algorithm>
#include <cstring>

namespace platform {
namespace {

// The headless keyboard types as a US keyboard does under SDL's text input:
// a press of a key that stands for a character also types that character
// (Shift gives the upper one of the key); with Ctrl or Alt held nothing is
// typed. A script's "text" line types text no key gives (other layouts,
// dead keys, input methods).
struct TypingKey {
    uint8_t key;
    char16_t plain;
    char16_t shifted;
};
constexpr TypingKey kUsKeyboard[] = {
    {kDikDigit1, u'1', u'!'},     {kDikDigit2, u'2', u'@'},      {kDikDigit3, u'3', u'#'},
    {kDikDigit4, u'4', u'$'},     {kDikDigit5, u'5', u'%'},      {kDikDigit6, u'6', u'^'},
    {kDikDigit7, u'7', u'&'},     {kDikDigit8, u'8', u'*'},      {kDikDigit9, u'9', u'('},
    {kDikDigit0, u'0', u')'},     {kDikMinus, u'-', u'_'},       {kDikEquals, u'=', u'+'},
    {kDikQ, u'q', u'Q'},          {kDikW, u'w', u'W'},           {kDikE, u'e', u'E'},
    {kDikR, u'r', u'R'},          {kDikT, u't', u'T'},           {kDikY, u'y', u'Y'},
    {kDikU, u'u', u'U'},          {kDikI, u'i', u'I'},           {kDikO, u'o', u'O'},
    {kDikP, u'p', u'P'},          {kDikLbracket, u'[', u'{'},    {kDikRbracket, u']', u'}'},
    {kDikA, u'a', u'A'},          {kDikS, u's', u'S'},           {kDikD, u'd', u'D'},
    {kDikF, u'f', u'F'},          {kDikG, u'g', u'G'},           {kDikH, u'h', u'H'},
    {kDikJ, u'j', u'J'},          {kDikK, u'k', u'K'},           {kDikL, u'l', u'L'},
    {kDikSemicolon, u';', u':'},  {kDikApostrophe, u'\'', u'"'}, {kDikGrave, u'`', u'~'},
    {kDikBackslash, u'\\', u'|'}, {kDikZ, u'z', u'Z'},           {kDikX, u'x', u'X'},
    {kDikC, u'c', u'C'},          {kDikV, u'v', u'V'},           {kDikB, u'b', u'B'},
    {kDikN, u'n', u'N'},          {kDikM, u'm', u'M'},           {kDikComma, u',', u'<'},
    {kDikPeriod, u'.', u'>'},     {kDikSlash, u'/', u'?'},       {kDikSpace, u' ', u' '},
    {kDikMultiply, u'*', u'*'},   {kDikSubtract, u'-', u'-'},    {kDikAdd, u'+', u'+'},
    {kDikDivide, u'/', u'/'},     {kDikDecimal, u'.', u'.'},     {kDikNumpad0, u'0', u'0'},
    {kDikNumpad1, u'1', u'1'},    {kDikNumpad2, u'2', u'2'},     {kDikNumpad3, u'3', u'3'},
    {kDikNumpad4, u'4', u'4'},    {kDikNumpad5, u'5', u'5'},     {kDikNumpad6, u'6', u'6'},
    {kDikNumpad7, u'7', u'7'},    {kDikNumpad8, u'8', u'8'},     {kDikNumpad9, u'9', u'9'},
};

// The character a key typed with the keyboard in that state, 0 for none.
char16_t TypedCharacter(uint8_t key, const uint8_t held[256]) {
    if (held[kDikLcontrol] || held[kDikRcontrol] || held[kDikLmenu] || held[kDikRmenu]) return 0;
    const bool shift = held[kDikLshift] || held[kDikRshift];
    for (const TypingKey& typing : kUsKeyboard)
        if (typing.key == key) return shift ? typing.shifted : typing.plain;
    return 0;
}

} // namespace

// ---------------------------------------------------------------- window

bool HeadlessWindow::Create(std::u16string_view caption, int clientWidth, int clientHeight) {
    if (exists_ || clientWidth <= 0 || clientHeight <= 0) return false;
    exists_ = true;
    caption_ = caption;
    width_ = clientWidth;
    height_ = clientHeight;
    x_ = y_ = 0;
    return true;
}

void HeadlessWindow::Destroy() {
    if (!exists_) return;
    SetFocus(false);
    exists_ = visible_ = minimised_ = fullscreen_ = false;
    events_.clear();
}

void HeadlessWindow::SetClientSize(int width, int height) {
    if (width > 0 && height > 0 && !fullscreen_) {
        width_ = width;
        height_ = height;
    }
}

void HeadlessWindow::ClientSize(int& width, int& height) const {
    width = width_;
    height = height_;
}

void HeadlessWindow::SetPosition(int x, int y) {
    if (fullscreen_) return;
    x_ = x;
    y_ = y;
}

void HeadlessWindow::Position(int& x, int& y) const {
    x = x_;
    y = y_;
}

void HeadlessWindow::SetFullscreen(bool fullscreen) {
    if (!exists_ || fullscreen == fullscreen_) return;
    if (fullscreen) {
        savedX_ = x_, savedY_ = y_, savedWidth_ = width_, savedHeight_ = height_;
        DisplayMode desktop = DesktopMode();
        x_ = y_ = 0;
        width_ = int(desktop.width);
        height_ = int(desktop.height);
    } else {
        x_ = savedX_, y_ = savedY_, width_ = savedWidth_, height_ = savedHeight_;
    }
    fullscreen_ = fullscreen;
}

std::vector<DisplayMode> HeadlessWindow::DisplayModes() const {
    std::vector<DisplayMode> modes = FixedDisplayModes();
    if (std::find(modes.begin(), modes.end(), desktop_) == modes.end()) modes.push_back(desktop_);
    return modes;
}

void HeadlessWindow::Show() {
    if (!exists_ || visible_) return;
    visible_ = true;
    if (!minimised_) SetFocus(true);
}

void HeadlessWindow::Hide() {
    if (!visible_) return;
    visible_ = false;
    SetFocus(false);
}

void HeadlessWindow::Raise() {
    if (visible_ && !minimised_) SetFocus(true);
}

void HeadlessWindow::Minimise() {
    if (!exists_ || minimised_) return;
    minimised_ = true;
    events_.push_back(WindowEvent::Minimised);
    SetFocus(false);
}

void HeadlessWindow::Restore() {
    if (!minimised_) return;
    minimised_ = false;
    events_.push_back(WindowEvent::Restored);
    if (visible_) SetFocus(true);
}

void HeadlessWindow::SetFocus(bool focused) {
    if (focused == focused_) return;
    if (focused && !exists_) return;
    focused_ = focused;
    events_.push_back(focused ? WindowEvent::FocusGained : WindowEvent::FocusLost);
    input_.OnFocus(focused, Milliseconds());
}

bool HeadlessWindow::PollEvent(WindowEvent& event) {
    if (events_.empty()) return false;
    event = events_.front();
    events_.pop_front();
    return true;
}

void HeadlessWindow::Present(const uint32_t* argb, int width, int height, int pitchInPixels) {
    if (!exists_ || !argb || width <= 0 || height <= 0 || pitchInPixels < width) return;
    ++presentCount_;
    if (!keepFrames_) return;
    frame_.resize(size_t(width) * size_t(height));
    for (int y = 0; y < height; ++y)
        std::memcpy(&frame_[size_t(y) * size_t(width)], argb + size_t(y) * size_t(pitchInPixels),
                    size_t(width) * sizeof(uint32_t));
    frameWidth_ = width;
    frameHeight_ = height;
}

bool HeadlessWindow::WriteFramePng(const std::string& nativePath, std::string* error) const {
    return WritePng(nativePath, frame_.data(), frameWidth_, frameHeight_, frameWidth_, error);
}

// ---------------------------------------------------------------- cursors

uint32_t HeadlessCursors::CreateCursor(const uint32_t* argb, int width, int height, int hotX, int hotY) {
    if (!argb || width <= 0 || height <= 0 || hotX < 0 || hotY < 0 || hotX >= width || hotY >= height)
        return 0;
    uint32_t id = next_++;
    images_[id] = Image{width, height, hotX, hotY};
    return id;
}

void HeadlessCursors::DestroyCursor(uint32_t cursor) {
    images_.erase(cursor);
    if (current_ == cursor) current_ = 0;
}

bool HeadlessCursors::SetCursor(uint32_t cursor) {
    if (!images_.count(cursor)) return false;
    current_ = cursor;
    return true;
}

// ---------------------------------------------------------------- backend

HeadlessBackend::HeadlessBackend(NullAudioDevice::Clocking audioClocking) : audio_(audioClocking) {}

void HeadlessBackend::AddEvents(const std::vector<ScriptEvent>& events) {
    for (const ScriptEvent& event : events) {
        auto at = std::upper_bound(script_.begin(), script_.end(), event.time,
                                   [](uint32_t time, const ScriptEvent& e) { return time < e.time; });
        script_.insert(at, event);
    }
}

void HeadlessBackend::PumpEvents() {
    uint32_t now = Milliseconds();
    if (!started_) {
        started_ = true;
        start_ = now;
    }
    if (IsClockVirtual()) audio_.FollowClock();
    PumpEventsUntil(now - start_);
}

void HeadlessBackend::PumpEventsUntil(uint32_t elapsedMs) {
    while (!script_.empty() && script_.front().time <= elapsedMs) {
        ScriptEvent event = std::move(script_.front());
        script_.pop_front();
        Apply(event);
    }
}

void HeadlessBackend::Apply(const ScriptEvent& event) {
    uint32_t now = Milliseconds();
    using Type = ScriptEvent::Type;
    switch (event.type) {
    case Type::Key: {
        uint8_t held[256];
        input_.ReadKeyboardState(held);
        const bool pressed = event.down && !held[event.a & 0xFF];
        input_.OnKey(uint8_t(event.a), event.down, now);
        if (const char16_t typed = pressed ? TypedCharacter(uint8_t(event.a), held) : 0)
            input_.OnText(std::u16string_view(&typed, 1), now);
        break;
    }
    case Type::MouseMove: {
        int x = 0, y = 0;
        input_.CursorPosition(x, y);
        input_.OnMouseMove(event.a - x, event.b - y, now);
        input_.OnCursor(event.a, event.b);
        break;
    }
    case Type::Button:
        input_.OnButton(event.a, event.down, now);
        break;
    case Type::Wheel:
        input_.OnWheel(event.a * kWheelDelta, now);
        break;
    case Type::FocusGained:
        window_.SetFocus(true);
        break;
    case Type::FocusLost:
        window_.SetFocus(false);
        break;
    case Type::Minimise:
        window_.Minimise();
        break;
    case Type::Restore:
        window_.Restore();
        break;
    case Type::Close:
        window_.PushEvent(WindowEvent::Close);
        break;
    case Type::Text:
        input_.OnText(event.text, now);
        break;
    }
}

} // namespace platform
