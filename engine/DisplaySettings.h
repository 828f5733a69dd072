#pragma once
#include "platform/GraphicsDevice.h"

#include <cstdint>

// The display the application asks for, and the rules by which the viewer
// checks each setting of it (DXLViewer::ValidateSettings).

struct DXLPresentParameters {
    uint32_t backBufferWidth = 0;
    uint32_t backBufferHeight = 0;
    uint32_t backBufferFormat = 0;
    uint32_t backBufferCount = 0;
    uint32_t multiSampleType = 0;
    uint32_t multiSampleQuality = 0;
    uint32_t swapEffect = 0;
    platform::FrameSink* deviceWindow = nullptr; // where the device presents
    uint32_t windowed = 0;
    uint32_t enableAutoDepthStencil = 0;
    uint32_t autoDepthStencilFormat = 0;
    uint32_t flags = 0;
    uint32_t fullScreenRefreshRate = 0;
    uint32_t presentationInterval = 0;
};

struct DXLDisplaySettings {
    uint32_t adapter = 0;
    uint32_t deviceType = 0;
    uint8_t hardwareVertexProcessing = 0;
    uint32_t adapterFormat = 0;
    DXLPresentParameters present;
};

// One rule per setting: 0 use the default, 1 take the requested value and
// verify it (the default when it is not supported), anything else take the
// requested value as it is.
struct DXLSettingsRules {
    uint32_t adapter = 0;
    uint32_t deviceType = 0;
    uint32_t hardwareVertexProcessing = 0;
    uint32_t adapterFormat = 0;
    uint32_t backBufferSize = 0;
    uint32_t backBufferFormat = 0;
    uint32_t windowed = 0;
    uint32_t presentationInterval = 0;
    uint32_t refreshRate = 0;
    uint32_t multiSample = 0;
    uint32_t swapEffect = 0;
    uint32_t depthStencilFormat = 0;
    uint32_t presentationFlags = 0;
};
static_assert(sizeof(DXLSettingsRules) == 13 * 4);

// The device's view of the settings.
platform::PresentParameters ToPresentParameters(const DXLPresentParameters& present);

// The smallest back buffer a window gets under the verifying rule.
constexpr uint32_t kMinWindowedWidth = 320;
constexpr uint32_t kMinWindowedHeight = 240;
