#include "platform/sdl/SdlBackend.h"

#include "platform/Clock.h"
#include "platform/Utf.h"

#include <SDL.h>

#include <algorithm>

namespace platform {
namespace {

uint32_t FormatOf(uint32_t sdlFormat) {
    if (sdlFormat == SDL_PIXELFORMAT_RGB565) return 23;
    if (sdlFormat == SDL_PIXELFORMAT_RGB555) return 24;
    return SDL_BITSPERPIXEL(sdlFormat) >= 24 ? 22 : 0;
}

int ButtonOf(uint8_t sdlButton) {
    switch (sdlButton) {
    case SDL_BUTTON_LEFT:
        return 0;
    case SDL_BUTTON_RIGHT:
        return 1;
    case SDL_BUTTON_MIDDLE:
        return 2;
    default:
        return -1;
    }
}

} // namespace

// ---------------------------------------------------------------- window

SdlWindow::~SdlWindow() {
    Destroy();
}

bool SdlWindow::Create(std::u16string_view caption, int clientWidth, int clientHeight) {
    if (window_ || clientWidth <= 0 || clientHeight <= 0) return false;
    caption_ = caption;
    window_ = SDL_CreateWindow(Utf16ToUtf8(caption).c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                               clientWidth, clientHeight, SDL_WINDOW_HIDDEN);
    if (!window_) return false;
    renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
    if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    if (!renderer_) {
        Destroy();
        return false;
    }
    // SDL's software renderer reports vertical sync but presents at once (on
    // the dummy video driver too), so only other renderers pace the frames;
    // otherwise the device paces them itself.
    SDL_RendererInfo info{};
    vsync_ = SDL_GetRendererInfo(renderer_, &info) == 0 && (info.flags & SDL_RENDERER_PRESENTVSYNC) &&
             !(info.flags & SDL_RENDERER_SOFTWARE);
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
    SDL_StartTextInput();
    return true;
}

void SdlWindow::Destroy() {
    if (texture_) SDL_DestroyTexture(texture_);
    if (renderer_) SDL_DestroyRenderer(renderer_);
    if (window_) {
        SDL_StopTextInput();
        SDL_DestroyWindow(window_);
    }
    texture_ = nullptr;
    renderer_ = nullptr;
    window_ = nullptr;
    textureWidth_ = textureHeight_ = 0;
    fullscreen_ = false;
    minimised_ = false;
    positionPending_ = false;
    events_.clear();
    input_.OnFocus(false, Milliseconds());
}

void SdlWindow::SetCaption(std::u16string_view caption) {
    caption_ = caption;
    if (window_) SDL_SetWindowTitle(window_, Utf16ToUtf8(caption).c_str());
}

void SdlWindow::SetClientSize(int width, int height) {
    if (window_ && !fullscreen_ && width > 0 && height > 0) SDL_SetWindowSize(window_, width, height);
}

void SdlWindow::ClientSize(int& width, int& height) const {
    width = height = 0;
    if (window_) SDL_GetWindowSize(window_, &width, &height);
}

void SdlWindow::SetPosition(int x, int y) {
    if (!window_ || fullscreen_) return;
    SDL_SetWindowPosition(window_, x, y);
    positionPending_ = !IsVisible();
    pendingX_ = x;
    pendingY_ = y;
}

void SdlWindow::Position(int& x, int& y) const {
    x = y = 0;
    if (window_) SDL_GetWindowPosition(window_, &x, &y);
}

void SdlWindow::SetFullscreen(bool fullscreen) {
    if (!window_ || fullscreen == fullscreen_) return;
    if (fullscreen) {
        SDL_GetWindowPosition(window_, &savedX_, &savedY_);
        SDL_GetWindowSize(window_, &savedWidth_, &savedHeight_);
        // The desktop's own mode: frames are scaled to it, so no mode change is needed.
        SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
    } else {
        SDL_SetWindowFullscreen(window_, 0);
        SDL_SetWindowSize(window_, savedWidth_, savedHeight_);
        SDL_SetWindowPosition(window_, savedX_, savedY_);
    }
    fullscreen_ = fullscreen;
}

void SdlWindow::Show() {
    if (!window_) return;
    SDL_ShowWindow(window_);
    if (positionPending_ && !fullscreen_) {
        // Once mapped, the window manager tells the frame's borders; with them
        // SDL places the client area itself. Pumped events stay queued.
        SDL_PumpEvents();
        SDL_SetWindowPosition(window_, pendingX_, pendingY_);
    }
    positionPending_ = false;
}

void SdlWindow::Hide() {
    if (window_) SDL_HideWindow(window_);
}

bool SdlWindow::IsVisible() const {
    return window_ && (SDL_GetWindowFlags(window_) & SDL_WINDOW_SHOWN);
}

void SdlWindow::Raise() {
    if (window_) SDL_RaiseWindow(window_);
}

void SdlWindow::Minimise() {
    if (window_) SDL_MinimizeWindow(window_);
}

void SdlWindow::Restore() {
    if (window_) SDL_RestoreWindow(window_);
}

bool SdlWindow::IsMinimised() const {
    return window_ && (SDL_GetWindowFlags(window_) & SDL_WINDOW_MINIMIZED);
}

bool SdlWindow::HasFocus() const {
    return window_ && (SDL_GetWindowFlags(window_) & SDL_WINDOW_INPUT_FOCUS);
}

bool SdlWindow::PollEvent(WindowEvent& event) {
    if (events_.empty()) return false;
    event = events_.front();
    events_.pop_front();
    return true;
}

void SdlWindow::Present(const uint32_t* argb, int width, int height, int pitchInPixels) {
    if (!renderer_ || !argb || width <= 0 || height <= 0) return;
    if (!texture_ || textureWidth_ != width || textureHeight_ != height) {
        if (texture_) SDL_DestroyTexture(texture_);
        texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, width,
                                     height);
        if (!texture_) return;
        textureWidth_ = width;
        textureHeight_ = height;
    }
    frameWidth_ = width;
    frameHeight_ = height;
    SDL_UpdateTexture(texture_, nullptr, argb, pitchInPixels * int(sizeof(uint32_t)));
    SDL_RenderClear(renderer_);
    SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
    SDL_RenderPresent(renderer_);
}

std::vector<DisplayMode> SdlWindow::DisplayModes() const {
    std::vector<DisplayMode> modes;
    int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode mode{};
        if (SDL_GetDisplayMode(0, i, &mode) != 0) continue;
        uint32_t format = FormatOf(mode.format);
        if (format == 0 || mode.w <= 0 || mode.h <= 0) continue;
        DisplayMode entry{uint32_t(mode.w), uint32_t(mode.h), uint32_t(std::max(mode.refresh_rate, 0)),
                          format};
        if (std::find(modes.begin(), modes.end(), entry) == modes.end()) modes.push_back(entry);
    }
    return modes;
}

DisplayMode SdlWindow::DesktopMode() const {
    SDL_DisplayMode mode{};
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0 || mode.w <= 0 || mode.h <= 0) return FixedDesktopMode();
    uint32_t format = FormatOf(mode.format);
    return DisplayMode{uint32_t(mode.w), uint32_t(mode.h), uint32_t(std::max(mode.refresh_rate, 0)),
                       format ? format : 22};
}

void SdlWindow::ShowMessageBoxOnScreen(std::u16string_view text, std::u16string_view caption,
                                       MessageBoxIcon icon) {
    uint32_t flags = icon == MessageBoxIcon::Error     ? SDL_MESSAGEBOX_ERROR
                     : icon == MessageBoxIcon::Warning ? SDL_MESSAGEBOX_WARNING
                                                       : SDL_MESSAGEBOX_INFORMATION;
    SDL_ShowSimpleMessageBox(flags, Utf16ToUtf8(caption).c_str(), Utf16ToUtf8(text).c_str(), window_);
}

void SdlWindow::MapToFrame(int x, int y, int& frameX, int& frameY) const {
    int width = 0, height = 0;
    ClientSize(width, height);
    if (frameWidth_ > 0 && width > 0 && height > 0 && (width != frameWidth_ || height != frameHeight_)) {
        frameX = int(int64_t(x) * frameWidth_ / width);
        frameY = int(int64_t(y) * frameHeight_ / height);
    } else {
        frameX = x;
        frameY = y;
    }
}

void SdlWindow::LeaveMinimised() {
    if (!minimised_ || IsMinimised()) return;
    minimised_ = false;
    events_.push_back(WindowEvent::Restored);
}

void SdlWindow::Handle(const SDL_Event& event) {
    uint32_t now = Milliseconds();
    switch (event.type) {
    case SDL_QUIT:
        events_.push_back(WindowEvent::Close);
        break;
    case SDL_WINDOWEVENT:
        switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            events_.push_back(WindowEvent::Close);
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            LeaveMinimised();
            events_.push_back(WindowEvent::FocusGained);
            input_.OnFocus(true, now);
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            events_.push_back(WindowEvent::FocusLost);
            input_.OnFocus(false, now);
            break;
        case SDL_WINDOWEVENT_MINIMIZED:
            if (!minimised_) events_.push_back(WindowEvent::Minimised);
            minimised_ = true;
            break;
        // On X11 a window coming back from the task bar is reported as shown
        // (SDL then drops its own "restored"), so any of these ends the state.
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_MAXIMIZED:
        case SDL_WINDOWEVENT_EXPOSED:
            LeaveMinimised();
            break;
        default:
            break;
        }
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        if (!event.key.repeat)
            input_.OnKey(DikFromSdlScancode(event.key.keysym.scancode), event.type == SDL_KEYDOWN, now);
        break;
    // Movement is measured in frame pixels, not in SDL's window pixels, so
    // that a reader adding it up stays on the pointer when the frame is
    // scaled to the window.
    case SDL_MOUSEMOTION: {
        int x = 0, y = 0;
        MapToFrame(event.motion.x, event.motion.y, x, y);
        input_.OnPointer(x, y, now);
        break;
    }
    // A button event carries the pointer's place; a press with no motion
    // before it (a tap after the window came to the front) is where it says.
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        int x = 0, y = 0;
        MapToFrame(event.button.x, event.button.y, x, y);
        input_.OnPointer(x, y, now);
        input_.OnButton(ButtonOf(event.button.button), event.type == SDL_MOUSEBUTTONDOWN, now);
        break;
    }
    case SDL_MOUSEWHEEL: {
        int notches = event.wheel.y;
        if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
        input_.OnWheel(notches * kWheelDelta, now);
        break;
    }
    case SDL_TEXTINPUT:
        input_.OnText(Utf8ToUtf16(event.text.text), now);
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------- cursors

SdlCursors::~SdlCursors() {
    FreeAll();
}

void SdlCursors::FreeAll() {
    for (auto& [id, cursor] : cursors_)
        SDL_FreeCursor(cursor);
    cursors_.clear();
}

uint32_t SdlCursors::CreateCursor(const uint32_t* argb, int width, int height, int hotX, int hotY) {
    if (!argb || width <= 0 || height <= 0) return 0;
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(argb), width, height, 32,
                                                              width * 4, SDL_PIXELFORMAT_ARGB8888);
    if (!surface) return 0;
    SDL_Cursor* cursor = SDL_CreateColorCursor(surface, hotX, hotY);
    SDL_FreeSurface(surface);
    if (!cursor) return 0;
    uint32_t id = next_++;
    cursors_[id] = cursor;
    return id;
}

void SdlCursors::DestroyCursor(uint32_t id) {
    auto it = cursors_.find(id);
    if (it == cursors_.end()) return;
    if (SDL_GetCursor() == it->second) SDL_SetCursor(SDL_GetDefaultCursor());
    SDL_FreeCursor(it->second);
    cursors_.erase(it);
}

bool SdlCursors::SetCursor(uint32_t id) {
    auto it = cursors_.find(id);
    if (it == cursors_.end()) return false;
    SDL_SetCursor(it->second);
    return true;
}

void SdlCursors::SetCursorHidden(bool hidden) {
    SDL_ShowCursor(hidden ? SDL_DISABLE : SDL_ENABLE);
}

// ---------------------------------------------------------------- clipboard

bool SdlClipboard::SetText(std::u16string_view text) {
    return SDL_SetClipboardText(Utf16ToUtf8(text).c_str()) == 0;
}

std::u16string SdlClipboard::Text() const {
    char* text = SDL_GetClipboardText();
    if (!text) return {};
    std::u16string result = Utf8ToUtf16(text);
    SDL_free(text);
    return result;
}

// ---------------------------------------------------------------- backend

SdlBackend::~SdlBackend() {
    audio_.Stop();
    window_.Destroy();
    cursors_.FreeAll();
    if (started_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    // With no subsystem left SDL_Quit also drops its global helpers (the
    // D-Bus connection among them), which would otherwise outlive the backend.
    if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0) SDL_Quit();
}

bool SdlBackend::Start(std::string& error) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        error = SDL_GetError();
        return false;
    }
    started_ = true;
    return true;
}

void SdlBackend::PumpEvents() {
    SDL_Event event;
    while (SDL_PollEvent(&event))
        window_.Handle(event);
}

} // namespace platform
