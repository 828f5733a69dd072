// Turns a requested display-settings record into one the adapter supports.
#include "engine/DisplaySettings.h"

#include "engine/PixelFormat.h"
#include "engine/Viewer.h"

#include <algorithm>

platform::PresentParameters ToPresentParameters(const DXLPresentParameters& present) {
    platform::PresentParameters p;
    p.backBufferWidth = present.backBufferWidth;
    p.backBufferHeight = present.backBufferHeight;
    p.backBufferFormat = platform::Format(present.backBufferFormat);
    p.windowed = present.windowed != 0;
    p.enableAutoDepthStencil = present.enableAutoDepthStencil != 0;
    p.depthStencilFormat = platform::Format(present.autoDepthStencilFormat);
    p.fullScreenRefreshRate = present.fullScreenRefreshRate;
    p.presentationInterval = present.presentationInterval;
    return p;
}

namespace {

// One check of a request. Each step settles some settings from the request,
// its rules and what the device reports, reading the settings settled before
// it; without a device every verified setting falls back to its default.
class SettingsCheck {
  public:
    SettingsCheck(const DXLDisplaySettings& want, const DXLSettingsRules& rule, DXLDirect3D* d3d)
        : want_(want), wp_(want.present), rule_(rule), d3d_(d3d) {}

    DXLDisplaySettings settings;
    DXLADAPTERINFO* info = nullptr; // of the settled adapter and device type
    bool valid = false;             // info was read without failure

    void ChooseDevice();
    void ChooseFormats();
    void ChooseMultiSample();
    void ChooseDepthStencil();
    void ChooseBackBufferSize();
    void ChooseRefreshRate(DXLViewer& viewer);
    void ChoosePresentationInterval();

  private:
    bool SupportsType(uint32_t display, uint32_t backBuffer) const {
        return d3d_ && Succeeded(d3d_->CheckDeviceType(settings.adapter, settings.deviceType, display,
                                                       backBuffer, p_.windowed != 0));
    }

    const DXLDisplaySettings& want_;
    const DXLPresentParameters& wp_;
    const DXLSettingsRules& rule_;
    DXLDirect3D* d3d_;
    DXLPresentParameters& p_ = settings.present;
};

void SettingsCheck::ChooseDevice() {
    settings.adapter = rule_.adapter == SettingRule::Default ? 0 : want_.adapter;
    if (rule_.adapter == SettingRule::Verify) {
        platform::AdapterIdentifier identifier;
        if (!d3d_ || Failed(d3d_->GetAdapterIdentifier(settings.adapter, &identifier))) settings.adapter = 0;
    }
    settings.deviceType = rule_.deviceType == SettingRule::Default ? kDeviceTypeHal : want_.deviceType;
    if (rule_.deviceType == SettingRule::Verify) {
        platform::DeviceCaps caps;
        if (!d3d_ || Failed(d3d_->GetDeviceCaps(settings.adapter, settings.deviceType, &caps)))
            settings.deviceType = kDeviceTypeHal;
    }
}

// The window mode, the formats, vertex processing and the swap effect.
void SettingsCheck::ChooseFormats() {
    p_.windowed = rule_.windowed == SettingRule::Default ? 1 : wp_.windowed;

    if (rule_.adapterFormat == SettingRule::Default) {
        settings.adapterFormat =
            valid && (p_.windowed || info->desktopMode.bits > 7) ? info->desktopMode.format : kFormatX8R8G8B8;
    } else {
        settings.adapterFormat = want_.adapterFormat;
        if (rule_.adapterFormat == SettingRule::Verify &&
            !SupportsType(settings.adapterFormat, settings.adapterFormat))
            settings.adapterFormat = kFormatX8R8G8B8;
    }

    p_.backBufferCount = 0;

    p_.backBufferFormat =
        rule_.backBufferFormat == SettingRule::Default ? settings.adapterFormat : wp_.backBufferFormat;
    if (rule_.backBufferFormat == SettingRule::Verify &&
        !SupportsType(settings.adapterFormat, p_.backBufferFormat))
        p_.backBufferFormat = settings.adapterFormat;

    if (rule_.hardwareVertexProcessing == SettingRule::Default ||
        rule_.hardwareVertexProcessing == SettingRule::Verify)
        settings.hardwareVertexProcessing =
            valid && (info->caps.devCaps & platform::kDevCapsHardwareTransform) != 0;
    else
        settings.hardwareVertexProcessing = want_.hardwareVertexProcessing;

    p_.swapEffect = rule_.swapEffect == SettingRule::Default ? kSwapEffectDiscard : wp_.swapEffect;
}

// Multisampling needs the discarding swap effect.
void SettingsCheck::ChooseMultiSample() {
    p_.multiSampleType = 0;
    p_.multiSampleQuality = 0;
    if (rule_.multiSample == SettingRule::Default || p_.swapEffect != kSwapEffectDiscard) return;
    p_.multiSampleType = wp_.multiSampleType;
    p_.multiSampleQuality = wp_.multiSampleQuality;
    if (rule_.multiSample != SettingRule::Verify) return;
    uint32_t levels = 0;
    if (!d3d_ ||
        Failed(d3d_->CheckDeviceMultiSampleType(settings.adapter, settings.deviceType, p_.backBufferFormat,
                                                p_.windowed != 0, p_.multiSampleType, &levels))) {
        p_.multiSampleType = 0;
        p_.multiSampleQuality = 0;
    } else if (levels == 0) {
        p_.multiSampleQuality = 0;
    } else {
        p_.multiSampleQuality = std::min(p_.multiSampleQuality, levels - 1);
    }
}

void SettingsCheck::ChooseDepthStencil() {
    p_.enableAutoDepthStencil = 1;

    const SettingRule formatRule = rule_.depthStencilFormat;
    p_.autoDepthStencilFormat =
        formatRule == SettingRule::Default ? uint32_t(platform::Format::D16) : wp_.autoDepthStencilFormat;
    if (formatRule == SettingRule::Verify &&
        (!d3d_ ||
         Failed(d3d_->CheckDeviceFormat(settings.adapter, settings.deviceType, settings.adapterFormat,
                                        kUsageDepthStencil, kResourceSurface, p_.autoDepthStencilFormat))))
        p_.autoDepthStencilFormat = uint32_t(platform::Format::D16);

    p_.flags = rule_.presentationFlags == SettingRule::Default ? kPresentFlagDiscardDepthStencil : wp_.flags;
}

// Full screen takes a listed mode (else the desktop's size); a window has a
// smallest size.
void SettingsCheck::ChooseBackBufferSize() {
    if (rule_.backBufferSize == SettingRule::Default) {
        bool desktop = !p_.windowed && valid;
        p_.backBufferWidth = desktop ? info->desktopMode.width : 800;
        p_.backBufferHeight = desktop ? info->desktopMode.height : 600;
        return;
    }
    p_.backBufferWidth = wp_.backBufferWidth;
    p_.backBufferHeight = wp_.backBufferHeight;
    if (rule_.backBufferSize != SettingRule::Verify) return;
    if (!p_.windowed && valid) {
        bool listed = false;
        for (int32_t i = 0; i < info->filtered.Count() && !listed; ++i) {
            const DXLDISPLAYMODE* m = info->filtered.Get(i);
            listed = m->width == p_.backBufferWidth && m->height == p_.backBufferHeight &&
                     m->format == p_.backBufferFormat;
        }
        if (!listed) {
            p_.backBufferWidth = info->desktopMode.width;
            p_.backBufferHeight = info->desktopMode.height;
        }
    } else if (p_.windowed) {
        p_.backBufferWidth = std::max(p_.backBufferWidth, kMinWindowedWidth);
        p_.backBufferHeight = std::max(p_.backBufferHeight, kMinWindowedHeight);
    }
}

// A window has no refresh rate of its own.
void SettingsCheck::ChooseRefreshRate(DXLViewer& viewer) {
    if (rule_.refreshRate == SettingRule::Default || p_.windowed) {
        p_.fullScreenRefreshRate = 0;
        return;
    }
    p_.fullScreenRefreshRate = wp_.fullScreenRefreshRate;
    if (rule_.refreshRate == SettingRule::Verify)
        p_.fullScreenRefreshRate = viewer.MatchRefreshRate(info, p_.backBufferWidth, p_.backBufferHeight,
                                                           p_.backBufferFormat, p_.fullScreenRefreshRate);
}

void SettingsCheck::ChoosePresentationInterval() {
    const uint32_t defaultInterval =
        p_.windowed ? platform::kPresentIntervalOne : platform::kPresentIntervalDefault;
    const SettingRule rule = rule_.presentationInterval;
    p_.presentationInterval = rule == SettingRule::Default ? defaultInterval : wp_.presentationInterval;
    if (rule == SettingRule::Verify && p_.presentationInterval != 0 &&
        (!valid || (info->caps.presentationIntervals & p_.presentationInterval) != p_.presentationInterval))
        p_.presentationInterval = defaultInterval;
}

} // namespace

void DXLViewer::ValidateSettings(DXLDisplaySettings* out, const DXLDisplaySettings* requested,
                                 const DXLSettingsRules* rules) {
    if (!out) return;
    if (!d3d_ && requested) {
        *out = *requested;
        return;
    }
    // Without a request every setting takes its default, whatever the rules say.
    const DXLDisplaySettings want = requested ? *requested : DXLDisplaySettings{};
    const DXLSettingsRules rule = (requested && rules) ? *rules : DXLSettingsRules{};
    SettingsCheck check(want, rule, d3d_.get());
    check.ChooseDevice();
    check.valid = Succeeded(GetAdapterInfo(check.settings.adapter, check.settings.deviceType, &check.info)) &&
                  check.info;
    check.ChooseFormats();
    check.ChooseMultiSample();
    check.ChooseDepthStencil();
    check.ChooseBackBufferSize();
    check.ChooseRefreshRate(*this);
    check.ChoosePresentationInterval();
    check.settings.present.deviceWindow = requested ? want.present.deviceWindow : nullptr;
    *out = check.settings;
}
