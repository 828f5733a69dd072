#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// A display mode as the adapter lists it. The format keeps the numbering the
// game stores: 22 (X8R8G8B8) for 24- and 32-bit modes, 23 (R5G6B5) and
// 24 (X1R5G5B5) for 16-bit ones.
struct DisplayMode {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t refreshRate = 0; // Hz, 0 when unknown
    uint32_t format = 22;
    bool operator==(const DisplayMode&) const = default;
};

enum class WindowEvent : uint32_t { Close, FocusGained, FocusLost, Minimised, Restored };

enum class MessageBoxIcon { Error, Warning, Information };

// The game's one window. It is created hidden; the caller sizes, places and
// shows it. Frames are shown scaled to the client area.
class Window {
  public:
    virtual ~Window() = default;

    virtual bool Create(std::u16string_view caption, int clientWidth, int clientHeight) = 0;
    virtual void Destroy() = 0;
    virtual bool Exists() const = 0;

    virtual void SetCaption(std::u16string_view caption) = 0;
    virtual std::u16string Caption() const = 0;

    // Windowed placement. The position is that of the client area's top-left
    // corner on the desktop.
    virtual void SetClientSize(int width, int height) = 0;
    virtual void ClientSize(int& width, int& height) const = 0;
    virtual void SetPosition(int x, int y) = 0;
    virtual void Position(int& x, int& y) const = 0;

    // Going to full screen remembers the windowed placement; coming back
    // restores it.
    virtual void SetFullscreen(bool fullscreen) = 0;
    virtual bool IsFullscreen() const = 0;

    virtual void Show() = 0;
    virtual void Hide() = 0;
    virtual bool IsVisible() const = 0;
    // Brings the window to the front and gives it the focus.
    virtual void Raise() = 0;
    virtual void Minimise() = 0;
    // Un-minimises (and un-maximises) the window.
    virtual void Restore() = 0;
    virtual bool IsMinimised() const = 0;
    virtual bool HasFocus() const = 0;

    // Takes the next window event; false when none is waiting. Events arrive
    // when the backend pumps the system's events.
    virtual bool PollEvent(WindowEvent& event) = 0;

    // Shows a 32-bit A8R8G8B8 frame (alpha ignored) scaled to the client area.
    // The pixels are read during the call only.
    virtual void Present(const uint32_t* argb, int width, int height, int pitchInPixels) = 0;
    // True when Present waits for the display's vertical sync.
    virtual bool PacesToDisplay() const = 0;

    virtual std::vector<DisplayMode> DisplayModes() const = 0;
    virtual DisplayMode DesktopMode() const = 0;

    // The on-screen part of ShowMessageBox; nothing for a window without a screen.
    virtual void ShowMessageBoxOnScreen(std::u16string_view text, std::u16string_view caption,
                                        MessageBoxIcon icon) = 0;
};

// Writes the message to stderr and, when a window exists, shows it in a box
// over that window. `window` may be null.
void ShowMessageBox(Window* window, std::u16string_view text, std::u16string_view caption,
                    MessageBoxIcon icon);

// A request to restore and raise the window at the next frame, as a second
// start of the program asks for it. RequestRaise only stores a lock-free flag,
// so it may be called from a signal handler.
void RequestRaise();
// True once per request.
bool TakeRaiseRequest();

// The modes a window without a display offers, and its desktop mode.
std::vector<DisplayMode> FixedDisplayModes();
DisplayMode FixedDesktopMode();

} // namespace platform
