#pragma once
// The 1024 x 768 scene the drawing benchmarks share: a viewer that opens the
// software device on a frame sink which drops every frame, so that only the
// drawing is timed. Header-only, since each benchmark file is its own program.
#include "engine/Viewer.h"
#include "platform/GraphicsDevice.h"

#include <cstdint>

namespace bench {

constexpr int32_t kSceneWidth = 1024, kSceneHeight = 768;

class NullSink final : public platform::FrameSink {
  public:
    void ShowFrame(const uint32_t*, int, int, int) override {}
};

class SceneViewer : public DXLViewer {
  public:
    // Opens the device on a kSceneWidth x kSceneHeight back buffer; false without a device.
    bool Open() {
        DXLDisplaySettings s;
        ValidateSettings(&s, nullptr, nullptr);
        s.present.backBufferWidth = kSceneWidth;
        s.present.backBufferHeight = kSceneHeight;
        s.present.presentationInterval = platform::kPresentIntervalImmediate;
        s.present.deviceWindow = &sink_;
        return ChangeDisplayMode(&s) == kResultOk && HasDevice();
    }

  private:
    NullSink sink_;
};

} // namespace bench
