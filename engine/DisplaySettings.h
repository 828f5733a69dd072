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

// How the viewer takes one requested setting.
enum class SettingRule : uint32_t {
    Default = 0,     // the setting's default, whatever was requested
    Verify = 1,      // the requested value, or the default when the adapter does not support it
    AsRequested = 2, // the requested value as it is (so does any higher value)
};

// One rule per setting.
struct DXLSettingsRules {
    SettingRule adapter = SettingRule::Default;
    SettingRule deviceType = SettingRule::Default;
    SettingRule hardwareVertexProcessing = SettingRule::Default; // Default and Verify: what the adapter can
    SettingRule adapterFormat = SettingRule::Default;
    SettingRule backBufferSize = SettingRule::Default;
    SettingRule backBufferFormat = SettingRule::Default;
    SettingRule windowed = SettingRule::Default;
    SettingRule presentationInterval = SettingRule::Default;
    SettingRule refreshRate = SettingRule::Default;
    SettingRule multiSample = SettingRule::Default;
    SettingRule swapEffect = SettingRule::Default;
    SettingRule depthStencilFormat = SettingRule::Default;
    SettingRule presentationFlags = SettingRule::Default;
};
static_assert(sizeof(DXLSettingsRules) == 13 * 4);

// The device's view of the settings.
platform::PresentParameters ToPresentParameters(const DXLPresentParameters& present);

// The smallest back buffer a window gets under the verifying rule.
constexpr uint32_t kMinWindowedWidth = 320;
constexpr uint32_t kMinWindowedHeight = 240;
