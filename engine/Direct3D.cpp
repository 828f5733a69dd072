#include "engine/Direct3D.h"

#include "platform/Window.h"

#include <vector>

namespace {

DXLDirect3DFactory g_factory = nullptr;
const platform::Window* g_display = nullptr;

// The software device behind the one adapter, reached as the hardware device type.
class PlatformDirect3D final : public DXLDirect3D {
  public:
    uint32_t GetAdapterCount() override { return platform::AdapterCount(); }

    HResult GetAdapterIdentifier(uint32_t adapter, platform::AdapterIdentifier* out) override {
        return platform::GetAdapterIdentifier(adapter, out);
    }

    HResult GetDeviceCaps(uint32_t adapter, uint32_t deviceType, platform::DeviceCaps* out) override {
        if (deviceType != kDeviceTypeHal) return kResultNotAvailable;
        return platform::GetDeviceCaps(adapter, out);
    }

    HResult GetAdapterDisplayMode(uint32_t adapter, DXLAdapterMode* out) override {
        if (adapter >= GetAdapterCount() || !out) return kResultInvalidCall;
        platform::DisplayMode mode = g_display ? g_display->DesktopMode() : platform::FixedDesktopMode();
        *out = DXLAdapterMode{mode.width, mode.height, mode.refreshRate, mode.format};
        return kResultOk;
    }

    uint32_t GetAdapterModeCount(uint32_t adapter, uint32_t format) override {
        if (adapter >= GetAdapterCount()) return 0;
        return uint32_t(ModesOf(format).size());
    }

    HResult EnumAdapterModes(uint32_t adapter, uint32_t format, uint32_t index,
                             DXLAdapterMode* out) override {
        if (adapter >= GetAdapterCount() || !out) return kResultInvalidCall;
        std::vector<platform::DisplayMode> modes = ModesOf(format);
        if (index >= modes.size()) return kResultInvalidCall;
        const platform::DisplayMode& m = modes[index];
        *out = DXLAdapterMode{m.width, m.height, m.refreshRate, m.format};
        return kResultOk;
    }

    HResult CheckDeviceType(uint32_t adapter, uint32_t deviceType, uint32_t displayFormat,
                            uint32_t backBufferFormat, bool windowed) override {
        if (deviceType != kDeviceTypeHal) return kResultNotAvailable;
        return platform::CheckDeviceType(adapter, platform::Format(displayFormat),
                                         platform::Format(backBufferFormat), windowed);
    }

    HResult CheckDeviceFormat(uint32_t adapter, uint32_t deviceType, uint32_t, uint32_t usage, uint32_t,
                              uint32_t format) override {
        if (deviceType != kDeviceTypeHal) return kResultNotAvailable;
        if (usage & kUsageDepthStencil)
            return adapter < GetAdapterCount() && format == uint32_t(platform::Format::D16)
                       ? kResultOk
                       : kResultNotAvailable;
        return platform::CheckTextureFormat(adapter, platform::Format(format));
    }

    // The software device draws without multisampling: only type 0, with one level.
    HResult CheckDeviceMultiSampleType(uint32_t adapter, uint32_t deviceType, uint32_t, bool, uint32_t type,
                                       uint32_t* qualityLevels) override {
        if (qualityLevels) *qualityLevels = 0;
        if (deviceType != kDeviceTypeHal || adapter >= GetAdapterCount() || type != 0)
            return kResultNotAvailable;
        if (qualityLevels) *qualityLevels = 1;
        return kResultOk;
    }

    HResult CreateDevice(uint32_t adapter, uint32_t deviceType, platform::FrameSink* deviceWindow, uint32_t,
                         const platform::PresentParameters& parameters,
                         std::unique_ptr<platform::GraphicsDevice>* out) override {
        if (deviceType != kDeviceTypeHal) return kResultNotAvailable;
        return platform::CreateDevice(adapter, parameters, deviceWindow, out);
    }

  private:
    static std::vector<platform::DisplayMode> ModesOf(uint32_t format) {
        std::vector<platform::DisplayMode> all =
            g_display ? g_display->DisplayModes() : platform::FixedDisplayModes();
        std::vector<platform::DisplayMode> picked;
        for (const platform::DisplayMode& m : all) {
            if (m.format == format) picked.push_back(m);
        }
        return picked;
    }
};

} // namespace

std::unique_ptr<DXLDirect3D> CreatePlatformDirect3D() {
    return std::make_unique<PlatformDirect3D>();
}

std::unique_ptr<DXLDirect3D> Direct3DCreate9(uint32_t sdkVersion) {
    if (sdkVersion != 32) return nullptr;
    return g_factory ? g_factory() : CreatePlatformDirect3D();
}

void SetDirect3DFactory(DXLDirect3DFactory factory) {
    g_factory = factory;
}

void SetDirect3DDisplay(const platform::Window* window) {
    g_display = window;
}
