// The viewer's window: creation, caption, and the switch between windowed
// and full-screen presentation around each change of display settings.
#include "engine/Viewer.h"
#include "engine/ViewerLog.h"
#include "platform/Window.h"

#include <algorithm>
#include <string_view>

namespace {

// Copies at most 99 characters and terminates.
void CopyName(char16_t (&to)[100], const char16_t* from) {
    size_t n = 0;
    while (from && from[n] && n < 99) {
        to[n] = from[n];
        ++n;
    }
    to[n] = 0;
}

} // namespace

void DXLWindowViewer::WindowSink::ShowFrame(const uint32_t* pixels, int width, int height,
                                            int pitchInPixels) {
    window_->Present(pixels, width, height, pitchInPixels);
}

bool DXLWindowViewer::WindowSink::PacesToDisplay() const {
    return window_->PacesToDisplay();
}

DXLWindowViewer::DXLWindowViewer(platform::Window* window) : window_(window), sink_(window) {}

DXLWindowViewer::~DXLWindowViewer() {
    Shutdown();
    DestroyWindow();
}

platform::FrameSink* DXLWindowViewer::GetWindowHandle() {
    if (settings_) return settings_->present.deviceWindow;
    return created_ ? &sink_ : nullptr;
}

void DXLWindowViewer::ValidateSettings(DXLDisplaySettings* out, const DXLDisplaySettings* requested,
                                       const DXLSettingsRules* rules) {
    DXLViewer::ValidateSettings(out, requested, rules);
    if (out) out->present.deviceWindow = created_ ? &sink_ : nullptr;
}

HResult DXLWindowViewer::CreateWindow(const char16_t* className, uint32_t iconId) {
    if (created_) return Store(kResultOk);
    CopyName(className_, className);
    iconId_ = iconId;
    viewerlog::BeginSection("Create Window", "Create successful.", false);
    HResult hr = RegisterAndCreateWindow();
    if (Failed(hr)) {
        DestroyWindow();
        viewerlog::EndSection(false);
        return Store(hr);
    }
    viewerlog::EndSection(true);
    return Store(kResultOk);
}

HResult DXLWindowViewer::RegisterAndCreateWindow() {
    // Before any settings the client rectangle is empty; the window starts at
    // the default back-buffer size and takes its real size when shown.
    int width = clientRect_.right - clientRect_.left;
    int height = clientRect_.bottom - clientRect_.top;
    if (width <= 0 || height <= 0) {
        width = 800;
        height = 600;
    }
    if (!window_ || !window_->Create(std::u16string_view(title_), width, height)) {
        viewerlog::ErrorText("Window Creation Error.");
        return kResultCreateWindowFailed;
    }
    created_ = true;
    window_->Position(savedX_, savedY_);
    window_->ClientSize(savedWidth_, savedHeight_);
    window_->Hide();
    window_->Raise();
    messageWindow_ = window_;
    SetDirect3DDisplay(window_);
    return kResultOk;
}

void DXLWindowViewer::SetCaption(const char16_t* title) {
    CopyName(title_, title);
    if (created_) window_->SetCaption(std::u16string_view(title_));
}

void DXLWindowViewer::DestroyWindow() {
    if (!created_) return;
    window_->Destroy();
    created_ = false;
    messageWindow_ = nullptr;
    SetDirect3DDisplay(nullptr);
}

void DXLWindowViewer::CentreWindow(int clientWidth, int clientHeight, int heightLess) {
    DXLAdapterMode display;
    if (!d3d_ || !adapter_ || Failed(d3d_->GetAdapterDisplayMode(adapter_->ordinal, &display))) return;
    int x = (int(display.width) - clientWidth) / 2;
    int y = (int(display.height) - heightLess - clientHeight) / 2;
    window_->SetPosition(std::max(x, 0), std::max(y, 0));
}

HResult DXLWindowViewer::ApplySettings() {
    if (!created_ || !settings_) return DXLViewer::ApplySettings();
    const DXLPresentParameters& now = settings_->present;
    const DXLPresentParameters* before = previous_ ? &previous_->present : nullptr;
    const bool sameSize = before && before->backBufferWidth == now.backBufferWidth &&
                          before->backBufferHeight == now.backBufferHeight;
    const bool fromFullScreen = before && !before->windowed;
    // A window on the desktop no longer holds the device lost.
    if (now.windowed) EndDeviceLossCause();

    if (!now.windowed) {
        if (!before || before->windowed) {
            window_->Position(savedX_, savedY_);
            window_->ClientSize(savedWidth_, savedHeight_);
        }
        window_->Hide();
        window_->SetFullscreen(true);
        window_->Restore();
    } else if (fromFullScreen) {
        window_->SetFullscreen(false);
    }

    HResult hr = DXLViewer::ApplySettings();
    if (Failed(hr)) return hr;

    if (now.windowed && fromFullScreen) {
        window_->SetClientSize(savedWidth_, savedHeight_);
        window_->SetPosition(savedX_, savedY_);
    }

    const int width = int(now.backBufferWidth);
    const int height = int(now.backBufferHeight);
    bool needResize = now.windowed && !before;
    if (now.windowed && !sameSize) {
        int w = 0, h = 0;
        window_->ClientSize(w, h);
        if (w != width || h != height) needResize = true;
    }
    if (!needResize && now.windowed && fromFullScreen) CentreWindow(width, height, 0);
    if (needResize) {
        if (window_->IsMinimised()) window_->Restore();
        window_->SetClientSize(width, height);
        CentreWindow(width, height, 32);
        int w = 0, h = 0;
        window_->ClientSize(w, h);
        if (w != width || h != height) {
            viewerlog::ErrorText("Invalid window size.");
            return Store(kResultClientSizeMismatch);
        }
    }
    if (!window_->IsVisible()) window_->Show();
    return Store(kResultOk);
}

void DXLWindowViewer::OnWindowEvent(platform::WindowEvent event) {
    switch (event) {
    case platform::WindowEvent::Minimised:
        if (device_ && settings_ && !settings_->present.windowed && !lossCaused_) {
            device_->SetLossCause(true);
            lossCaused_ = true;
        }
        break;
    case platform::WindowEvent::Restored:
        EndDeviceLossCause();
        break;
    default:
        break;
    }
}

void DXLWindowViewer::EndDeviceLossCause() {
    if (!lossCaused_) return;
    lossCaused_ = false;
    if (device_) device_->SetLossCause(false);
}
