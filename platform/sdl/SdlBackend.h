#pragma once
#include "platform/Platform.h"
#include "platform/sdl/SdlAudioDevice.h"

#include <deque>
#include <map>

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
struct SDL_Cursor;
union SDL_Event;

namespace platform {

class SdlWindow final : public Window {
  public:
    explicit SdlWindow(Input& input) : input_(input) {}
    ~SdlWindow() override;

    bool Create(std::u16string_view caption, int clientWidth, int clientHeight) override;
    void Destroy() override;
    bool Exists() const override { return window_ != nullptr; }
    void SetCaption(std::u16string_view caption) override;
    std::u16string Caption() const override { return caption_; }
    void SetClientSize(int width, int height) override;
    void ClientSize(int& width, int& height) const override;
    void SetPosition(int x, int y) override;
    void Position(int& x, int& y) const override;
    void SetFullscreen(bool fullscreen) override;
    bool IsFullscreen() const override { return fullscreen_; }
    void Show() override;
    void Hide() override;
    bool IsVisible() const override;
    void Raise() override;
    void Minimise() override;
    void Restore() override;
    bool IsMinimised() const override;
    bool HasFocus() const override;
    bool PollEvent(WindowEvent& event) override;
    void Present(const uint32_t* argb, int width, int height, int pitchInPixels) override;
    bool PacesToDisplay() const override { return vsync_; }
    std::vector<DisplayMode> DisplayModes() const override;
    DisplayMode DesktopMode() const override;
    void ShowMessageBoxOnScreen(std::u16string_view text, std::u16string_view caption,
                                MessageBoxIcon icon) override;

    // Turns one system event into window events and input.
    void Handle(const SDL_Event& event);

  private:
    void MapToFrame(int x, int y, int& frameX, int& frameY) const;
    // Records that the window left the minimised state, however SDL told it.
    void LeaveMinimised();

    Input& input_;
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    int textureWidth_ = 0, textureHeight_ = 0;
    int frameWidth_ = 0, frameHeight_ = 0;
    bool vsync_ = false;
    bool fullscreen_ = false;
    // Whether the last Minimised event still stands, so that the way back out
    // gives exactly one Restored.
    bool minimised_ = false;
    // A position given while the window was hidden: a window manager takes it
    // as the frame's corner then, so it is given again once the window shows.
    bool positionPending_ = false;
    int pendingX_ = 0, pendingY_ = 0;
    int savedX_ = 0, savedY_ = 0, savedWidth_ = 0, savedHeight_ = 0;
    std::u16string caption_;
    std::deque<WindowEvent> events_;
};

class SdlCursors final : public Cursors {
  public:
    ~SdlCursors() override;
    uint32_t CreateCursor(const uint32_t* argb, int width, int height, int hotX, int hotY) override;
    void DestroyCursor(uint32_t cursor) override;
    bool SetCursor(uint32_t cursor) override;
    void SetCursorHidden(bool hidden) override;
    void FreeAll();

  private:
    std::map<uint32_t, SDL_Cursor*> cursors_;
    uint32_t next_ = 1;
};

class SdlClipboard final : public Clipboard {
  public:
    bool SetText(std::u16string_view text) override;
    std::u16string Text() const override;
};

class SdlBackend final : public Backend {
  public:
    SdlBackend() = default;
    ~SdlBackend() override;
    // Starts SDL's video subsystem; false, with the reason, when there is no display.
    bool Start(std::string& error);

    BackendKind Kind() const override { return BackendKind::Sdl; }
    SdlWindow& GetWindow() override { return window_; }
    Input& GetInput() override { return input_; }
    Cursors& GetCursors() override { return cursors_; }
    Clipboard& GetClipboard() override { return clipboard_; }
    SdlAudioDevice& GetAudioDevice() override { return audio_; }
    void PumpEvents() override;

  private:
    bool started_ = false;
    Input input_;
    SdlWindow window_{input_};
    SdlCursors cursors_;
    SdlClipboard clipboard_;
    SdlAudioDevice audio_;
};

} // namespace platform
