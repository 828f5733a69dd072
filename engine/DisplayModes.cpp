// Adapter records, display-mode lists, the display-mode matcher and the
// "Initialize Adapter" log section.
#include "engine/PixelFormat.h"
#include "engine/Viewer.h"
#include "engine/ViewerLog.h"
#include "platform/Window.h"

#include <cstdio>

namespace {

bool ModeLess(const DXLDISPLAYMODE& a, const DXLDISPLAYMODE& b) {
    if (a.width != b.width) return a.width < b.width;
    if (a.height != b.height) return a.height < b.height;
    if (a.bits != b.bits) return a.bits < b.bits;
    return a.refreshRate < b.refreshRate;
}

// The 16-bit display format a full-screen device can use on this adapter:
// R5G6B5, else X1R5G5B5, else 0. Asked of a separate device-creation object.
uint32_t Probe16BitDisplayFormat(const DXLADAPTERINFO& info) {
    std::unique_ptr<DXLDirect3D> probe = Direct3DCreate9(32);
    if (!probe) return 0;
    for (uint32_t format : {kFormatR5G6B5, kFormatX1R5G5B5}) {
        if (Succeeded(probe->CheckDeviceType(info.ordinal, info.deviceType, format, format, false)))
            return format;
    }
    return 0;
}

// Rebuilds the record's lists: the full list once, the filtered one every time.
void BuildDisplayModeList(DXLViewer* viewer, DXLADAPTERINFO* info, DXLDisplayModeFilter filter) {
    info->filtered.Reset();
    if (info->code != 0) {
        info->modes.DeleteAll();
        return;
    }
    DXLDirect3D* d3d = viewer->GetDirect3D();
    if (info->modes.IsEmpty() && d3d) {
        for (uint32_t format : kDisplayFormatOrder) {
            uint32_t count = d3d->GetAdapterModeCount(info->ordinal, format);
            for (uint32_t i = 0; i < count; ++i) {
                DXLAdapterMode read;
                if (Failed(d3d->EnumAdapterModes(info->ordinal, format, i, &read))) continue;
                auto* mode = new DXLDISPLAYMODE;
                mode->width = read.width;
                mode->height = read.height;
                mode->refreshRate = read.refreshRate;
                mode->format = read.format;
                CompleteDisplayMode(mode);
                info->modes.Add(mode);
            }
        }
    }
    FilterDisplayModes(viewer, info, filter);
}

} // namespace

void CompleteDisplayMode(DXLDISPLAYMODE* mode) {
    GetAspectRatio(int(mode->width), int(mode->height), &mode->aspectX, &mode->aspectY);
    mode->bits = GetFormatBits(mode->format);
}

void FilterDisplayModes(DXLViewer* viewer, DXLADAPTERINFO* info, DXLDisplayModeFilter filter) {
    info->filtered.Reset();
    for (int32_t i = 0; i < info->modes.Count(); ++i) {
        DXLDISPLAYMODE* mode = info->modes.Get(i);
        if (filter && !filter(viewer, &info->filtered, mode)) continue;
        int32_t at = 0;
        while (at < info->filtered.Count() && ModeLess(*info->filtered.Get(at), *mode))
            ++at;
        info->filtered.Insert(at, mode);
    }
}

HResult DXLViewer::GetAdapterInfo(uint32_t adapter, uint32_t deviceType, DXLADAPTERINFO** out) {
    if (out) *out = nullptr;
    if (!d3d_) return kResultNoDirect3D;
    for (int32_t i = 0; i < adapters_.Count(); ++i) {
        DXLADAPTERINFO* cached = adapters_.Get(i);
        if (cached->ordinal == adapter && cached->deviceType == deviceType) {
            if (out) *out = cached;
            return cached->code;
        }
    }
    auto* info = new DXLADAPTERINFO;
    info->ordinal = adapter;
    info->deviceType = deviceType;
    adapters_.Add(info);
    if (out) *out = info;

    HResult hr = d3d_->GetAdapterIdentifier(adapter, &info->identifier);
    if (Failed(hr)) {
        info->code = kResultAdapterIdentifierUnreadable;
    } else if (hr = d3d_->GetDeviceCaps(adapter, deviceType, &info->caps); Failed(hr)) {
        info->code = kResultDeviceCapsUnreadable;
    } else {
        DXLAdapterMode desktop;
        hr = d3d_->GetAdapterDisplayMode(adapter, &desktop);
        if (Failed(hr)) {
            info->code = kResultDisplayModeUnreadable;
        } else {
            info->desktopMode.width = desktop.width;
            info->desktopMode.height = desktop.height;
            info->desktopMode.refreshRate = desktop.refreshRate;
            info->desktopMode.format = desktop.format;
            CompleteDisplayMode(&info->desktopMode);
            if (info->desktopMode.bits == 0) info->code = kResultDisplayFormatUnknown;
        }
    }
    if (Failed(hr)) info->lastError = hr;
    if (info->code == 0) {
        info->noVSync = (info->caps.presentationIntervals & platform::kPresentIntervalImmediate) != 0;
        info->nonPowerOfTwo = 0;
        info->colorWriteEnable = (info->caps.primitiveMiscCaps & platform::kMiscCapsColorWriteEnable) != 0;
        info->format16 = Probe16BitDisplayFormat(*info);
    }
    BuildDisplayModeList(this, info, filter_);
    return info->code;
}

void DXLViewer::SetDisplayModeFilter(DXLDisplayModeFilter filter) {
    if (filter == filter_) return;
    filter_ = filter;
    for (int32_t i = 0; i < adapters_.Count(); ++i)
        BuildDisplayModeList(this, adapters_.Get(i), filter_);
}

bool DXLViewer::MatchDisplayMode(DXLDISPLAYMODE* out, const DXLDISPLAYMODE* requested,
                                 const DXLModeRules* rules) {
    if (!adapter_) return false;
    return FindDisplayMode(adapter_->ordinal, adapter_->deviceType, out, requested, rules);
}

namespace {

// A mode's size against the request; Ignore and Any keep every size.
bool SizeMatches(ModeMatch match, const DXLDISPLAYMODE& m, const DXLDISPLAYMODE& want) {
    switch (match) {
    case ModeMatch::Ignore:
    case ModeMatch::Any:
        return true;
    case ModeMatch::Equal:
        return m.width == want.width && m.height == want.height;
    case ModeMatch::NotAbove:
        return m.width <= want.width && m.height <= want.height;
    }
    return false;
}

bool RefreshMatches(ModeMatch match, const DXLDISPLAYMODE& m, const DXLDISPLAYMODE& want) {
    switch (match) {
    case ModeMatch::Ignore:
    case ModeMatch::Any:
        return true;
    case ModeMatch::Equal:
        return m.refreshRate == want.refreshRate;
    case ModeMatch::NotAbove:
        return m.refreshRate <= want.refreshRate;
    }
    return false;
}

bool FormatMatches(FormatMatch match, const DXLDISPLAYMODE& m, const DXLDISPLAYMODE& want) {
    switch (match) {
    case FormatMatch::SameFormat:
        return m.format == want.format;
    case FormatMatch::SameBits:
        return m.bits == want.bits;
    case FormatMatch::BitsNotAbove:
        return m.bits <= want.bits;
    case FormatMatch::Any:
        return true;
    }
    return false;
}

// Drops the candidates a rule refuses, walking from the last to the first;
// false when none is left.
template <typename Keep> bool Sieve(kis::list<DXLDISPLAYMODE>& candidates, Keep keep) {
    for (int32_t i = candidates.Count() - 1; i >= 0; --i) {
        if (!keep(*candidates.Get(i))) candidates.Delete(i);
    }
    return !candidates.IsEmpty();
}

// The candidates under every rule of the request, in the order of the list;
// empty when a rule leaves none.
void SieveModes(const DXLADAPTERINFO& info, const DXLDISPLAYMODE& want, const DXLModeRules& rule,
                kis::list<DXLDISPLAYMODE>& candidates) {
    for (int32_t i = 0; i < info.filtered.Count(); ++i) {
        DXLDISPLAYMODE* mode = info.filtered.Get(i);
        if (SizeMatches(rule.size, *mode, want)) candidates.Add(mode);
    }
    if (candidates.IsEmpty()) return;
    if (rule.aspect != ModeMatch::Ignore) {
        uint32_t ax = want.aspectX, ay = want.aspectY;
        if (ax < 1 || ay < 1) GetAspectRatio(int(want.width), int(want.height), &ax, &ay);
        const bool any = Sieve(candidates, [&](const DXLDISPLAYMODE& m) {
            return m.aspectX == ax && m.aspectY == ay && SizeMatches(rule.aspect, m, want);
        });
        if (!any) return;
    }
    if (want.refreshRate != 0) {
        const bool any =
            Sieve(candidates, [&](const DXLDISPLAYMODE& m) { return RefreshMatches(rule.refresh, m, want); });
        if (!any) return;
    }
    Sieve(candidates, [&](const DXLDISPLAYMODE& m) { return FormatMatches(rule.format, m, want); });
}

// A format's rank among the preferred formats: the group of the requested
// bits, or all of them when any format will do. Every format outside ranks
// after all formats inside, and those outside rank equal.
uint32_t FormatRank(uint32_t format, const DXLDISPLAYMODE& want, FormatMatch match) {
    const uint32_t* range = kDisplayFormatOrder;
    uint32_t rangeSize = 6;
    if (match != FormatMatch::Any) {
        range = want.bits == 32 ? kDisplayFormatOrder : kDisplayFormatOrder + 3;
        rangeSize = 3;
    }
    for (uint32_t i = 0; i < rangeSize; ++i) {
        if (range[i] == format) return i;
    }
    return rangeSize;
}

// The candidate to answer with: a later candidate wins when it is wider or
// taller; of equal size, by its format's rank (unless the format had to be
// the requested one) and then by its refresh rate (unless that is ignored).
const DXLDISPLAYMODE* BestMode(const kis::list<DXLDISPLAYMODE>& candidates, const DXLDISPLAYMODE& want,
                               const DXLModeRules& rule) {
    const DXLDISPLAYMODE* best = candidates.Get(0);
    uint32_t bestRank = FormatRank(best->format, want, rule.format);
    for (int32_t i = 1; i < candidates.Count(); ++i) {
        const DXLDISPLAYMODE* c = candidates.Get(i);
        const uint32_t r = FormatRank(c->format, want, rule.format);
        bool replace = false;
        if (c->width > best->width || c->height > best->height) {
            replace = true;
        } else if (c->width == best->width && c->height == best->height) {
            bool refreshOk = rule.refresh == ModeMatch::Ignore || c->refreshRate >= best->refreshRate;
            if (rule.format == FormatMatch::SameFormat)
                replace = refreshOk;
            else
                replace = r < bestRank || (r == bestRank && refreshOk);
        }
        if (replace) {
            best = c;
            bestRank = r;
        }
    }
    return best;
}

} // namespace

bool DXLViewer::FindDisplayMode(uint32_t adapter, uint32_t deviceType, DXLDISPLAYMODE* out,
                                const DXLDISPLAYMODE* requested, const DXLModeRules* rules) {
    if (!out) return false;
    DXLADAPTERINFO* info = nullptr;
    if (Failed(GetAdapterInfo(adapter, deviceType, &info)) || !info) return false;
    const DXLDISPLAYMODE want = requested ? *requested : info->desktopMode;
    const DXLModeRules rule = rules ? *rules : DXLModeRules{};
    if (out != requested) *out = DXLDISPLAYMODE{};

    kis::list<DXLDISPLAYMODE> candidates;
    SieveModes(*info, want, rule, candidates);
    if (candidates.IsEmpty()) return false;
    *out = *BestMode(candidates, want, rule);
    if (rule.refresh == ModeMatch::Ignore) out->refreshRate = want.refreshRate;
    return true;
}

uint32_t DXLViewer::MatchRefreshRate(const DXLADAPTERINFO* info, uint32_t width, uint32_t height,
                                     uint32_t format, uint32_t requested) {
    if (!info || info->code != 0) return 0;
    uint32_t best = 0;
    for (int32_t i = 0; i < info->filtered.Count(); ++i) {
        const DXLDISPLAYMODE* m = info->filtered.Get(i);
        if (m->width != width || m->height != height || m->format != format) continue;
        if (requested == 0) return 0;
        if (m->refreshRate == requested) return requested;
        if (m->refreshRate > best) best = m->refreshRate;
        if (best > info->desktopMode.refreshRate) best = info->desktopMode.refreshRate;
    }
    return best;
}

void DXLViewer::LogAdapter(DXLADAPTERINFO* info) {
    viewerlog::BeginSection("Initialize Adapter", "Initialize successful.", false);
    if (info->code == kResultAdapterIdentifierUnreadable) {
        viewerlog::Error("GetAdapterIdentifier: ", info->lastError);
        viewerlog::EndSection(false);
        return;
    }
    char text[256];
    viewerlog::LabelValue("Description:", info->identifier.description.c_str());
    viewerlog::LabelValue("DirectX Driver:", info->identifier.driver.c_str());
    uint64_t v = info->identifier.driverVersion;
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", int(v >> 48 & 0xFFFF), int(v >> 32 & 0xFFFF),
                  int(v >> 16 & 0xFFFF), int(v & 0xFFFF));
    viewerlog::LabelValue("Driver version: ", text);
    if (info->code == kResultDeviceCapsUnreadable) {
        viewerlog::Error("GetDeviceCaps: ", info->lastError);
        viewerlog::EndSection(false);
        platform::ShowMessageBox(
            messageWindow_,
            u"No hardware acceleration detected.\n\nYour system does not support hardware "
            u"acceleration\nor your video drivers should be updated.",
            u"ERROR", platform::MessageBoxIcon::Error);
        return;
    }
    viewerlog::LabelValue("DeviceCaps:", "");
    viewerlog::LabelValue("  DisplayCaps:", "");
    viewerlog::LabelValue("    NoVSync:", info->noVSync ? "Yes" : "No");
    viewerlog::LabelValue("  TextureCaps:", "");
    viewerlog::LabelValue("    SizeNonPowOf2:", info->nonPowerOfTwo ? "Yes" : "No");
    if (info->code == kResultDisplayModeUnreadable) {
        viewerlog::Error("GetAdapterDisplayMode: ", info->lastError);
        viewerlog::EndSection(false);
        return;
    }
    if (info->code == kResultDisplayFormatUnknown) {
        viewerlog::ErrorText("Invalid Display Mode.");
        viewerlog::EndSection(false);
        return;
    }
    const DXLDISPLAYMODE& d = info->desktopMode;
    char formatName[64];
    GetFormatName(formatName, sizeof formatName, d.format);
    std::snprintf(text, sizeof text, "%d x %d %s (%d bit) %d Hz", int(d.width), int(d.height), formatName,
                  int(d.bits), int(d.refreshRate));
    viewerlog::LabelValue("Desktop Display:", text);
    viewerlog::EndSection(true);
}
