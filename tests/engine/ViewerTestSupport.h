#pragma once
// Shared by the tests that draw through a viewer: the viewer's software device
// is made by the ordinary display-mode change, windowed into a sink that drops
// the frames.
#include "engine/Viewer.h"
#include "platform/GraphicsDevice.h"

#include <cstdint>

namespace viewertest {

class NullSink final : public platform::FrameSink {
  public:
    void ShowFrame(const uint32_t*, int, int, int) override {}
};

class WindowedViewer : public DXLViewer {
  public:
    bool Open(uint32_t width, uint32_t height) {
        DXLDisplaySettings s;
        ValidateSettings(&s, nullptr, nullptr);
        s.present.backBufferWidth = width;
        s.present.backBufferHeight = height;
        s.present.presentationInterval = platform::kPresentIntervalImmediate;
        s.present.deviceWindow = &sink_;
        return ChangeDisplayMode(&s) == kResultOk && HasDevice();
    }

  private:
    NullSink sink_;
};

} // namespace viewertest
