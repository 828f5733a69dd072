#pragma once
#include "platform/Platform.h"
#include "platform/headless/EventScript.h"
#include "platform/headless/NullAudioDevice.h"

#include <deque>
#include <map>
#include <vector>

namespace platform {

// A window that exists only in memory: it keeps its state and the last
// presented frame, which can be written to a PNG file.
class HeadlessWindow final : public Window {
  public:
    explicit HeadlessWindow(Input& input) : input_(input) {}

    bool Create(std::u16string_view caption, int clientWidth, int clientHeight) override;
    void Destroy() override;
    bool Exists() const override { return exists_; }
    void SetCaption(std::u16string_view caption) override { caption_ = caption; }
    std::u16string Caption() const override { return caption_; }
    void SetClientSize(int width, int height) override;
    void ClientSize(int& width, int& height) const override;
    void SetPosition(int x, int y) override;
    void Position(int& x, int& y) const override;
    void SetFullscreen(bool fullscreen) override;
    bool IsFullscreen() const override { return fullscreen_; }
    void Show() override;
    void Hide() override;
    bool IsVisible() const override { return visible_; }
    void Raise() override;
    void Minimise() override;
    void Restore() override;
    bool IsMinimised() const override { return minimised_; }
    bool HasFocus() const override { return focused_; }
    bool PollEvent(WindowEvent& event) override;
    void Present(const uint32_t* argb, int width, int height, int pitchInPixels) override;
    bool PacesToDisplay() const override { return false; }
    std::vector<DisplayMode> DisplayModes() const override;
    DisplayMode DesktopMode() const override { return desktop_; }
    // The desktop the window's full screen covers (FixedDesktopMode unless
    // set); the modes offered include it.
    void SetDesktopMode(const DisplayMode& mode) { desktop_ = mode; }
    void ShowMessageBoxOnScreen(std::u16string_view, std::u16string_view, MessageBoxIcon) override {}

    // Whether Present keeps a copy of the frame for the calls below (it does
    // unless told otherwise). The program's headless runs take their
    // screenshots from the device's back buffer and copy nothing here.
    void KeepPresentedFrames(bool keep) { keepFrames_ = keep; }
    // The last presented frame kept, pitch = width; empty before the first.
    const std::vector<uint32_t>& FramePixels() const { return frame_; }
    int FrameWidth() const { return frameWidth_; }
    int FrameHeight() const { return frameHeight_; }
    int PresentCount() const { return presentCount_; }
    bool WriteFramePng(const std::string& nativePath, std::string* error) const;

    // Focus changes from outside (scripts); the window's own calls use them too.
    void SetFocus(bool focused);
    void PushEvent(WindowEvent event) { events_.push_back(event); }

  private:
    Input& input_;
    bool exists_ = false;
    bool visible_ = false;
    bool minimised_ = false;
    bool fullscreen_ = false;
    bool focused_ = false;
    std::u16string caption_;
    int x_ = 0, y_ = 0, width_ = 0, height_ = 0;
    int savedX_ = 0, savedY_ = 0, savedWidth_ = 0, savedHeight_ = 0;
    std::deque<WindowEvent> events_;
    std::vector<uint32_t> frame_;
    int frameWidth_ = 0, frameHeight_ = 0, presentCount_ = 0;
    bool keepFrames_ = true;
    DisplayMode desktop_ = FixedDesktopMode();
};

// Remembers the images and which one shows; nothing is drawn.
class HeadlessCursors final : public Cursors {
  public:
    uint32_t CreateCursor(const uint32_t* argb, int width, int height, int hotX, int hotY) override;
    void DestroyCursor(uint32_t cursor) override;
    bool SetCursor(uint32_t cursor) override;
    void SetCursorHidden(bool hidden) override { hidden_ = hidden; }

    uint32_t Current() const { return current_; }
    bool Hidden() const { return hidden_; }

  private:
    struct Image {
        int width, height, hotX, hotY;
    };
    std::map<uint32_t, Image> images_;
    uint32_t next_ = 1;
    uint32_t current_ = 0;
    bool hidden_ = false;
};

class HeadlessBackend final : public Backend {
  public:
    // The audio device follows the platform clock for program runs; tests
    // take manual clocking and advance it themselves.
    explicit HeadlessBackend(
        NullAudioDevice::Clocking audioClocking = NullAudioDevice::Clocking::PlatformClock);

    BackendKind Kind() const override { return BackendKind::Headless; }
    HeadlessWindow& GetWindow() override { return window_; }
    Input& GetInput() override { return input_; }
    HeadlessCursors& GetCursors() override { return cursors_; }
    Clipboard& GetClipboard() override { return clipboard_; }
    NullAudioDevice& GetAudioDevice() override { return audio_; }
    // Applies the scripted events whose time has come (ms since the first
    // pump); in virtual time the audio device also catches up with the clock.
    void PumpEvents() override;

    // Adds events to the script; they are applied in time order.
    void AddEvents(const std::vector<ScriptEvent>& events);
    // Applies every scripted event due at `elapsedMs` or earlier.
    void PumpEventsUntil(uint32_t elapsedMs);
    size_t PendingEvents() const { return script_.size(); }
    // Applies one event at once.
    void Apply(const ScriptEvent& event);

  private:
    Input input_;
    HeadlessWindow window_{input_};
    HeadlessCursors cursors_;
    InProcessClipboard clipboard_;
    NullAudioDevice audio_;
    std::deque<ScriptEvent> script_;
    bool started_ = false;
    uint32_t start_ = 0;
};

} // namespace platform
