#include "engine/PixelFormat.h"
#include "engine/Viewer.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace {

// An adapter described by tables: two adapters, hardware transform, three
// multisample quality levels, 16-bit full-screen formats only as configured.
struct FakeConfig {
    std::vector<DXLAdapterMode> modes;
    DXLAdapterMode desktop{1024, 768, 75, kFormatX8R8G8B8};
    uint32_t qualityLevels = 3;
    bool r5g6b5 = false;
    std::vector<std::tuple<uint32_t, uint32_t, uint32_t>> typeChecks; // adapter, device type, format
};
FakeConfig g_config;

class FakeDirect3D final : public DXLDirect3D {
  public:
    uint32_t GetAdapterCount() override { return 2; }
    HResult GetAdapterIdentifier(uint32_t a, platform::AdapterIdentifier* o) override {
        if (a >= 2) return kResultInvalidCall;
        o->description = "fake";
        return kResultOk;
    }
    HResult GetDeviceCaps(uint32_t a, uint32_t t, platform::DeviceCaps* o) override {
        if (a >= 2 || (t != kDeviceTypeHal && t != kDeviceTypeRef)) return kResultNotAvailable;
        o->devCaps = platform::kDevCapsHardwareTransform;
        o->presentationIntervals = platform::kPresentIntervalOne | platform::kPresentIntervalImmediate;
        return kResultOk;
    }
    HResult GetAdapterDisplayMode(uint32_t, DXLAdapterMode* o) override {
        *o = g_config.desktop;
        return kResultOk;
    }
    uint32_t GetAdapterModeCount(uint32_t, uint32_t f) override { return uint32_t(Of(f).size()); }
    HResult EnumAdapterModes(uint32_t, uint32_t f, uint32_t i, DXLAdapterMode* o) override {
        std::vector<DXLAdapterMode> m = Of(f);
        if (i >= m.size()) return kResultInvalidCall;
        *o = m[i];
        return kResultOk;
    }
    HResult CheckDeviceType(uint32_t a, uint32_t t, uint32_t d, uint32_t b, bool windowed) override {
        if (!windowed && d == b && (d == kFormatR5G6B5 || d == kFormatX1R5G5B5))
            g_config.typeChecks.emplace_back(a, t, d);
        if (d == kFormatR5G6B5) return g_config.r5g6b5 ? kResultOk : kResultNotAvailable;
        return d == kFormatX8R8G8B8 && (b == kFormatX8R8G8B8 || b == kFormatA8R8G8B8) ? kResultOk
                                                                                      : kResultNotAvailable;
    }
    HResult CheckDeviceFormat(uint32_t, uint32_t, uint32_t, uint32_t usage, uint32_t, uint32_t f) override {
        return (usage & kUsageDepthStencil) && f != 80 ? kResultNotAvailable : kResultOk;
    }
    HResult CheckDeviceMultiSampleType(uint32_t, uint32_t, uint32_t, bool, uint32_t type,
                                       uint32_t* q) override {
        *q = type == 0 ? 1 : g_config.qualityLevels;
        return type <= 4 ? kResultOk : kResultNotAvailable;
    }
    HResult CreateDevice(uint32_t, uint32_t, platform::FrameSink*, uint32_t,
                         const platform::PresentParameters&,
                         std::unique_ptr<platform::GraphicsDevice>*) override {
        return kResultNotAvailable;
    }

  private:
    static std::vector<DXLAdapterMode> Of(uint32_t format) {
        std::vector<DXLAdapterMode> out;
        for (const DXLAdapterMode& m : g_config.modes) {
            if (m.format == format) out.push_back(m);
        }
        return out;
    }
};

// A mode list in enumeration order; sorting is the viewer's job.
void UseModes() {
    g_config = FakeConfig{};
    g_config.modes = {
        {1024, 768, 85, kFormatX8R8G8B8}, {1024, 768, 60, kFormatX8R8G8B8}, {640, 480, 60, kFormatX8R8G8B8},
        {800, 600, 60, kFormatX8R8G8B8},  {1280, 720, 60, kFormatA8R8G8B8}, {1024, 768, 60, kFormatR5G6B5},
        {800, 600, 60, kFormatR5G6B5},
    };
}

struct Reset {
    Reset() { UseModes(); }
};

} // namespace

class DisplaySettingsFixture : public ::testing::Test {
  protected:
    Reset reset;
    struct Factory {
        Factory() {
            SetDirect3DFactory(
                []() -> std::unique_ptr<DXLDirect3D> { return std::make_unique<FakeDirect3D>(); });
        }
        ~Factory() { SetDirect3DFactory(nullptr); }
    } factory;
    DXLViewer viewer;
    static constexpr SettingRule kV = SettingRule::Verify, kR = SettingRule::AsRequested;
    DXLSettingsRules verify = {kV, kV, kV, kV, kV, kV, kR, kV, kV, kV, kR, kV, kR};

    DXLDisplaySettings Request() {
        DXLDisplaySettings r;
        r.adapter = 0;
        r.deviceType = kDeviceTypeHal;
        r.adapterFormat = kFormatX8R8G8B8;
        r.present.backBufferWidth = 800;
        r.present.backBufferHeight = 600;
        r.present.backBufferFormat = kFormatX8R8G8B8;
        r.present.windowed = 1;
        r.present.swapEffect = kSwapEffectDiscard;
        r.present.autoDepthStencilFormat = 80;
        r.present.presentationInterval = platform::kPresentIntervalImmediate;
        return r;
    }
};

TEST_F(DisplaySettingsFixture, NullRequestGivesEveryDefault) {
    DXLDisplaySettings out;
    out.present.backBufferWidth = 7;
    viewer.ValidateSettings(&out, nullptr, &verify);
    EXPECT_EQ(out.adapter, 0u);
    EXPECT_EQ(out.deviceType, kDeviceTypeHal);
    EXPECT_EQ(out.present.windowed, 1u);
    EXPECT_EQ(out.adapterFormat, kFormatX8R8G8B8); // the desktop's
    EXPECT_EQ(out.present.backBufferFormat, kFormatX8R8G8B8);
    EXPECT_EQ(out.hardwareVertexProcessing, 1);
    EXPECT_EQ(out.present.swapEffect, kSwapEffectDiscard);
    EXPECT_EQ(out.present.multiSampleType, 0u);
    EXPECT_EQ(out.present.enableAutoDepthStencil, 1u);
    EXPECT_EQ(out.present.autoDepthStencilFormat, 80u);
    EXPECT_EQ(out.present.flags, kPresentFlagDiscardDepthStencil);
    EXPECT_EQ(out.present.backBufferWidth, 800u);
    EXPECT_EQ(out.present.backBufferHeight, 600u);
    EXPECT_EQ(out.present.fullScreenRefreshRate, 0u);
    EXPECT_EQ(out.present.presentationInterval, platform::kPresentIntervalOne);
    EXPECT_EQ(out.present.deviceWindow, nullptr);
}

TEST(DisplaySettingsWithoutDirect3D, RequestIsCopiedAndNullRequestGivesDefaults) {
    SetDirect3DFactory([]() -> std::unique_ptr<DXLDirect3D> { return nullptr; });
    DXLViewer viewer;
    SetDirect3DFactory(nullptr);
    EXPECT_EQ(viewer.GetLastResult(), kResultCreateDirect3DFailed);

    DXLDisplaySettings request;
    request.present.backBufferWidth = 123;
    request.present.multiSampleQuality = 9;
    DXLDisplaySettings out;
    viewer.ValidateSettings(&out, &request, nullptr);
    EXPECT_EQ(out.present.backBufferWidth, 123u);
    EXPECT_EQ(out.present.multiSampleQuality, 9u);

    viewer.ValidateSettings(&out, nullptr, nullptr);
    EXPECT_EQ(out.deviceType, kDeviceTypeHal);
    EXPECT_EQ(out.adapterFormat, kFormatX8R8G8B8);
    EXPECT_EQ(out.present.backBufferWidth, 800u);
    EXPECT_EQ(out.present.backBufferHeight, 600u);
    EXPECT_EQ(out.present.presentationInterval, platform::kPresentIntervalOne);
    EXPECT_EQ(out.hardwareVertexProcessing, 0); // no adapter to vouch for it
}

TEST_F(DisplaySettingsFixture, VerifiedValuesFallBackWhereTheAdapterRefuses) {
    DXLDisplaySettings r = Request();
    r.present.backBufferWidth = 200;
    r.present.backBufferHeight = 100;
    r.present.multiSampleType = 2;
    r.present.multiSampleQuality = 5;
    r.present.autoDepthStencilFormat = 77;
    r.adapter = 5;
    r.deviceType = 9;
    DXLDisplaySettings out;
    viewer.ValidateSettings(&out, &r, &verify);
    EXPECT_EQ(out.present.backBufferWidth, 320u);
    EXPECT_EQ(out.present.backBufferHeight, 240u);
    EXPECT_EQ(out.present.multiSampleType, 2u);
    EXPECT_EQ(out.present.multiSampleQuality, 2u); // three levels: 0..2
    EXPECT_EQ(out.present.autoDepthStencilFormat, 80u);
    EXPECT_EQ(out.adapter, 0u);
    EXPECT_EQ(out.deviceType, kDeviceTypeHal);
    EXPECT_EQ(out.present.presentationInterval, platform::kPresentIntervalImmediate); // supported

    // Without the discard swap effect there is no multisampling.
    r.present.swapEffect = 3;
    viewer.ValidateSettings(&out, &r, &verify);
    EXPECT_EQ(out.present.multiSampleType, 0u);
    EXPECT_EQ(out.present.multiSampleQuality, 0u);

    // A back-buffer format the adapter cannot show falls back to the adapter format.
    r = Request();
    r.present.backBufferFormat = kFormatR5G6B5;
    viewer.ValidateSettings(&out, &r, &verify);
    EXPECT_EQ(out.present.backBufferFormat, kFormatX8R8G8B8);
}

TEST_F(DisplaySettingsFixture, FullScreenSizeAndRefreshComeFromTheModeList) {
    DXLDisplaySettings r = Request();
    r.present.windowed = 0;
    r.present.backBufferWidth = 1000;
    r.present.backBufferHeight = 700;
    r.present.fullScreenRefreshRate = 72;
    DXLDisplaySettings out;
    viewer.ValidateSettings(&out, &r, &verify);
    EXPECT_EQ(out.present.backBufferWidth, 1024u); // not listed: the desktop size
    EXPECT_EQ(out.present.backBufferHeight, 768u);
    EXPECT_EQ(out.present.fullScreenRefreshRate, 75u); // 85 listed, capped at the desktop's 75
    EXPECT_EQ(out.present.presentationInterval, platform::kPresentIntervalImmediate);

    r.present.backBufferWidth = 800;
    r.present.backBufferHeight = 600;
    r.present.fullScreenRefreshRate = 60;
    viewer.ValidateSettings(&out, &r, &verify);
    EXPECT_EQ(out.present.backBufferWidth, 800u);
    EXPECT_EQ(out.present.fullScreenRefreshRate, 60u);

    DXLSettingsRules defaults{};
    viewer.ValidateSettings(&out, &r, &defaults);
    EXPECT_EQ(out.present.windowed, 1u);
    r.present.windowed = 0;
    defaults.windowed = SettingRule::AsRequested;
    viewer.ValidateSettings(&out, &r, &defaults);
    EXPECT_EQ(out.present.backBufferWidth, 1024u); // full screen default: the desktop
    EXPECT_EQ(out.present.presentationInterval, platform::kPresentIntervalDefault);
}

TEST_F(DisplaySettingsFixture, FilteredModesAreSortedAndRefiltered) {
    DXLADAPTERINFO* info = nullptr;
    ASSERT_EQ(viewer.GetAdapterInfo(0, kDeviceTypeHal, &info), kResultOk);
    ASSERT_EQ(info->filtered.Count(), 7);
    auto key = [&](int i) {
        const DXLDISPLAYMODE* m = info->filtered.Get(i);
        return std::tuple(m->width, m->height, m->bits, m->refreshRate);
    };
    for (int i = 1; i < 7; ++i)
        EXPECT_LT(key(i - 1), key(i));
    EXPECT_EQ(info->filtered.Get(0)->width, 640u);
    EXPECT_EQ(info->filtered.Get(6)->width, 1280u);
    EXPECT_EQ(info->desktopMode.aspectX, 4u);
    EXPECT_EQ(info->desktopMode.aspectY, 3u);

    viewer.SetDisplayModeFilter([](DXLViewer*, kis::list<DXLDISPLAYMODE>*, DXLDISPLAYMODE* m) {
        return m->format == kFormatX8R8G8B8 && m->width >= 800 && m->height >= 600;
    });
    ASSERT_EQ(info->filtered.Count(), 3);
    EXPECT_EQ(info->filtered.Get(1)->refreshRate, 60u);
    EXPECT_EQ(info->filtered.Get(2)->refreshRate, 85u);
    EXPECT_EQ(info->modes.Count(), 7); // the full list is read once and kept
}

TEST_F(DisplaySettingsFixture, MatcherPicksTheLargestModeInThePreferredFormats) {
    ASSERT_EQ(viewer.InitializeAdapter(0, kDeviceTypeHal), kResultOk);
    DXLDISPLAYMODE want{1024, 768, 70, kFormatX8R8G8B8, 0, 0, 32};
    DXLDISPLAYMODE out;
    DXLModeRules rules{};
    ASSERT_TRUE(viewer.MatchDisplayMode(&out, &want, &rules));
    EXPECT_EQ(out.width, 1024u);
    EXPECT_EQ(out.format, kFormatX8R8G8B8);
    EXPECT_EQ(out.refreshRate, 70u); // carries the requested rate

    rules.size = ModeMatch::Equal;
    want.width = 1111;
    EXPECT_FALSE(viewer.MatchDisplayMode(&out, &want, &rules));

    // Bits not above 32: the 16-bit modes join the candidates but rank after
    // every 32-bit one, wherever they stand in the list.
    want = DXLDISPLAYMODE{800, 600, 0, kFormatX8R8G8B8, 0, 0, 32};
    rules = DXLModeRules{ModeMatch::Equal, ModeMatch::Ignore, ModeMatch::Ignore, FormatMatch::BitsNotAbove};
    ASSERT_TRUE(viewer.MatchDisplayMode(&out, &want, &rules));
    EXPECT_EQ(out.format, kFormatX8R8G8B8);
    want.bits = 16;
    want.format = kFormatR5G6B5;
    ASSERT_TRUE(viewer.MatchDisplayMode(&out, &want, &rules));
    EXPECT_EQ(out.format, kFormatR5G6B5);

    // An equal refresh rule keeps only the requested rate.
    want = DXLDISPLAYMODE{1024, 768, 60, kFormatX8R8G8B8, 0, 0, 32};
    rules = DXLModeRules{ModeMatch::Equal, ModeMatch::Ignore, ModeMatch::Equal, FormatMatch::SameFormat};
    ASSERT_TRUE(viewer.MatchDisplayMode(&out, &want, &rules));
    EXPECT_EQ(out.refreshRate, 60u);
    // Aspect rule: 16:9 only.
    want = DXLDISPLAYMODE{1920, 1080, 0, kFormatA8R8G8B8, 0, 0, 32};
    rules = DXLModeRules{ModeMatch::NotAbove, ModeMatch::NotAbove, ModeMatch::Ignore, FormatMatch::Any};
    ASSERT_TRUE(viewer.MatchDisplayMode(&out, &want, &rules));
    EXPECT_EQ(out.width, 1280u);
}

TEST_F(DisplaySettingsFixture, RefreshRateMatchAndSixteenBitProbeUseTheRecord) {
    g_config.desktop.refreshRate = 75;
    DXLADAPTERINFO* info = nullptr;
    ASSERT_EQ(viewer.GetAdapterInfo(1, kDeviceTypeRef, &info), kResultOk);
    EXPECT_EQ(viewer.MatchRefreshRate(info, 1024, 768, kFormatX8R8G8B8, 72), 75u);
    EXPECT_EQ(viewer.MatchRefreshRate(info, 1024, 768, kFormatX8R8G8B8, 60), 60u);
    EXPECT_EQ(viewer.MatchRefreshRate(info, 1024, 768, kFormatX8R8G8B8, 0), 0u);
    EXPECT_EQ(viewer.MatchRefreshRate(info, 999, 768, kFormatX8R8G8B8, 60), 0u);

    // The probe asked about adapter 1 and the reference device, not adapter 0 and HAL.
    ASSERT_FALSE(g_config.typeChecks.empty());
    for (const auto& [adapter, type, format] : g_config.typeChecks) {
        EXPECT_EQ(adapter, 1u);
        EXPECT_EQ(type, kDeviceTypeRef);
    }
    EXPECT_EQ(info->format16, 0u);

    g_config.r5g6b5 = true;
    ASSERT_EQ(viewer.GetAdapterInfo(0, kDeviceTypeHal, &info), kResultOk);
    EXPECT_EQ(info->format16, kFormatR5G6B5);

    // A record that failed stays failed and returns its code from the cache.
    EXPECT_EQ(viewer.GetAdapterInfo(4, kDeviceTypeHal, &info), kResultAdapterIdentifierUnreadable);
    EXPECT_EQ(viewer.GetAdapterInfo(4, kDeviceTypeHal, &info), kResultAdapterIdentifierUnreadable);
    EXPECT_EQ(info->modes.Count(), 0);
    EXPECT_EQ(viewer.InitializeAdapter(4, kDeviceTypeHal), kResultAdapterIdentifierUnreadable);
    EXPECT_EQ(viewer.GetCurrentAdapter(), nullptr);
}
