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
    const DXLPresentParameters& wp = want.present;
    DXLDisplaySettings o;
    DXLPresentParameters& p = o.present;
    DXLDirect3D* d3d = d3d_.get();

    o.adapter = rule.adapter == 0 ? 0 : want.adapter;
    if (rule.adapter == 1) {
        platform::AdapterIdentifier identifier;
        if (!d3d || Failed(d3d->GetAdapterIdentifier(o.adapter, &identifier))) o.adapter = 0;
    }

    o.deviceType = rule.deviceType == 0 ? kDeviceTypeHal : want.deviceType;
    if (rule.deviceType == 1) {
        platform::DeviceCaps caps;
        if (!d3d || Failed(d3d->GetDeviceCaps(o.adapter, o.deviceType, &caps))) o.deviceType = kDeviceTypeHal;
    }

    DXLADAPTERINFO* info = nullptr;
    const bool valid = Succeeded(GetAdapterInfo(o.adapter, o.deviceType, &info)) && info;
    auto checkType = [&](uint32_t display, uint32_t backBuffer) {
        return d3d &&
               Succeeded(d3d->CheckDeviceType(o.adapter, o.deviceType, display, backBuffer, p.windowed != 0));
    };

    p.windowed = rule.windowed == 0 ? 1 : wp.windowed;

    if (rule.adapterFormat == 0) {
        o.adapterFormat =
            valid && (p.windowed || info->desktopMode.bits > 7) ? info->desktopMode.format : kFormatX8R8G8B8;
    } else {
        o.adapterFormat = want.adapterFormat;
        if (rule.adapterFormat == 1 && !checkType(o.adapterFormat, o.adapterFormat))
            o.adapterFormat = kFormatX8R8G8B8;
    }

    p.backBufferCount = 0;

    p.backBufferFormat = rule.backBufferFormat == 0 ? o.adapterFormat : wp.backBufferFormat;
    if (rule.backBufferFormat == 1 && !checkType(o.adapterFormat, p.backBufferFormat))
        p.backBufferFormat = o.adapterFormat;

    if (rule.hardwareVertexProcessing == 0 || rule.hardwareVertexProcessing == 1)
        o.hardwareVertexProcessing = valid && (info->caps.devCaps & platform::kDevCapsHardwareTransform) != 0;
    else
        o.hardwareVertexProcessing = want.hardwareVertexProcessing;

    p.swapEffect = rule.swapEffect == 0 ? kSwapEffectDiscard : wp.swapEffect;

    if (rule.multiSample == 0 || p.swapEffect != kSwapEffectDiscard) {
        p.multiSampleType = 0;
        p.multiSampleQuality = 0;
    } else {
        p.multiSampleType = wp.multiSampleType;
        p.multiSampleQuality = wp.multiSampleQuality;
        if (rule.multiSample == 1) {
            uint32_t levels = 0;
            if (!d3d ||
                Failed(d3d->CheckDeviceMultiSampleType(o.adapter, o.deviceType, p.backBufferFormat,
                                                       p.windowed != 0, p.multiSampleType, &levels))) {
                p.multiSampleType = 0;
                p.multiSampleQuality = 0;
            } else if (levels == 0) {
                p.multiSampleQuality = 0;
            } else {
                p.multiSampleQuality = std::min(p.multiSampleQuality, levels - 1);
            }
        }
    }

    p.enableAutoDepthStencil = 1;

    p.autoDepthStencilFormat =
        rule.depthStencilFormat == 0 ? uint32_t(platform::Format::D16) : wp.autoDepthStencilFormat;
    if (rule.depthStencilFormat == 1 &&
        (!d3d || Failed(d3d->CheckDeviceFormat(o.adapter, o.deviceType, o.adapterFormat, kUsageDepthStencil,
                                               kResourceSurface, p.autoDepthStencilFormat))))
        p.autoDepthStencilFormat = uint32_t(platform::Format::D16);

    p.flags = rule.presentationFlags == 0 ? kPresentFlagDiscardDepthStencil : wp.flags;

    if (rule.backBufferSize == 0) {
        bool desktop = !p.windowed && valid;
        p.backBufferWidth = desktop ? info->desktopMode.width : 800;
        p.backBufferHeight = desktop ? info->desktopMode.height : 600;
    } else {
        p.backBufferWidth = wp.backBufferWidth;
        p.backBufferHeight = wp.backBufferHeight;
        if (rule.backBufferSize == 1 && !p.windowed && valid) {
            bool listed = false;
            for (int32_t i = 0; i < info->filtered.Count() && !listed; ++i) {
                const DXLDISPLAYMODE* m = info->filtered.Get(i);
                listed = m->width == p.backBufferWidth && m->height == p.backBufferHeight &&
                         m->format == p.backBufferFormat;
            }
            if (!listed) {
                p.backBufferWidth = info->desktopMode.width;
                p.backBufferHeight = info->desktopMode.height;
            }
        } else if (rule.backBufferSize == 1 && p.windowed) {
            p.backBufferWidth = std::max(p.backBufferWidth, kMinWindowedWidth);
            p.backBufferHeight = std::max(p.backBufferHeight, kMinWindowedHeight);
        }
    }

    if (rule.refreshRate == 0 || p.windowed) {
        p.fullScreenRefreshRate = 0;
    } else {
        p.fullScreenRefreshRate = wp.fullScreenRefreshRate;
        if (rule.refreshRate == 1)
            p.fullScreenRefreshRate = MatchRefreshRate(info, p.backBufferWidth, p.backBufferHeight,
                                                       p.backBufferFormat, p.fullScreenRefreshRate);
    }

    const uint32_t defaultInterval =
        p.windowed ? platform::kPresentIntervalOne : platform::kPresentIntervalDefault;
    p.presentationInterval = rule.presentationInterval == 0 ? defaultInterval : wp.presentationInterval;
    if (rule.presentationInterval == 1 && p.presentationInterval != 0 &&
        (!valid || (info->caps.presentationIntervals & p.presentationInterval) != p.presentationInterval))
        p.presentationInterval = defaultInterval;

    p.deviceWindow = requested ? wp.deviceWindow : nullptr;
    *out = o;
}
