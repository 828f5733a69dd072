#pragma once
#include "engine/ResultNames.h"
#include "platform/GraphicsDevice.h"

#include <cstdint>
#include <memory>

namespace platform {
class Window;
}

// The device-creation object the viewer asks about adapters, display modes and
// formats, and through which it creates its device. The default one stands on
// the platform's software device and the platform's display; tests put their
// own in its place with SetDirect3DFactory.

// Device types.
constexpr uint32_t kDeviceTypeHal = 1;
constexpr uint32_t kDeviceTypeRef = 2;
constexpr uint32_t kDeviceTypeSoftware = 3;

// Behaviour flags of CreateDevice.
constexpr uint32_t kCreateSoftwareVertexProcessing = 0x20;
constexpr uint32_t kCreateHardwareVertexProcessing = 0x40;

// CheckDeviceFormat's usage and resource kinds.
constexpr uint32_t kUsageDepthStencil = 0x2;
constexpr uint32_t kResourceSurface = 1;
constexpr uint32_t kResourceTexture = 3;

// Swap effects and presentation flags of the settings record.
constexpr uint32_t kSwapEffectDiscard = 1;
constexpr uint32_t kPresentFlagDiscardDepthStencil = 0x2;

// One display mode as the adapter lists it.
struct DXLAdapterMode {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t refreshRate = 0;
    uint32_t format = 0;
};

class DXLDirect3D {
  public:
    virtual ~DXLDirect3D() = default;

    virtual uint32_t GetAdapterCount() = 0;
    virtual HResult GetAdapterIdentifier(uint32_t adapter, platform::AdapterIdentifier* out) = 0;
    virtual HResult GetDeviceCaps(uint32_t adapter, uint32_t deviceType, platform::DeviceCaps* out) = 0;
    // The mode the desktop shows now.
    virtual HResult GetAdapterDisplayMode(uint32_t adapter, DXLAdapterMode* out) = 0;
    virtual uint32_t GetAdapterModeCount(uint32_t adapter, uint32_t format) = 0;
    virtual HResult EnumAdapterModes(uint32_t adapter, uint32_t format, uint32_t index,
                                     DXLAdapterMode* out) = 0;
    virtual HResult CheckDeviceType(uint32_t adapter, uint32_t deviceType, uint32_t displayFormat,
                                    uint32_t backBufferFormat, bool windowed) = 0;
    virtual HResult CheckDeviceFormat(uint32_t adapter, uint32_t deviceType, uint32_t adapterFormat,
                                      uint32_t usage, uint32_t resourceType, uint32_t format) = 0;
    // The number of quality levels of a multisample type.
    virtual HResult CheckDeviceMultiSampleType(uint32_t adapter, uint32_t deviceType, uint32_t format,
                                               bool windowed, uint32_t type, uint32_t* qualityLevels) = 0;
    // The device presents its frames to the device window.
    virtual HResult CreateDevice(uint32_t adapter, uint32_t deviceType, platform::FrameSink* deviceWindow,
                                 uint32_t behaviour, const platform::PresentParameters& parameters,
                                 std::unique_ptr<platform::GraphicsDevice>* out) = 0;
};

using DXLDirect3DFactory = std::unique_ptr<DXLDirect3D> (*)();

// Creates a device-creation object through the installed factory (the
// platform's by default); null when none can be made.
std::unique_ptr<DXLDirect3D> Direct3DCreate9(uint32_t sdkVersion);
// Installs a factory; null restores the platform's.
void SetDirect3DFactory(DXLDirect3DFactory factory);
// The platform's device-creation object. Its display modes are those of the
// display window when one is set, else the fixed list of a display-less window.
std::unique_ptr<DXLDirect3D> CreatePlatformDirect3D();
void SetDirect3DDisplay(const platform::Window* window);
