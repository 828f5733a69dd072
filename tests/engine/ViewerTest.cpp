// Sections:
//   device objects, lost devices and reset
//   frame state, textures, the frame limiter
//   stencil and alpha test, transforms, drawn pixels, pixel rows
//   windowed and full screen, minimising, display changes and their log
//   draw calls, window sizes, display modes

#include "engine/Viewer.h"
#include "engine/Log.h"
#include "engine/Texture.h"
#include "platform/RecordingDevice.h"
#include "platform/Utf.h"
#include "platform/headless/HeadlessBackend.h"
#include "tests/engine/ViewerTestSupport.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

namespace {

using platform::GraphicsDevice;
using platform::Result;

// Passes every call to a recording device and can be told to refuse a reset or
// a texture binding.
class FlakyDevice final : public GraphicsDevice {
  public:
    explicit FlakyDevice(std::unique_ptr<GraphicsDevice> inner) : rec(std::move(inner)) {}
    platform::RecordingDevice rec;
    bool failReset = false;
    bool failSetTexture = false;
    platform::TexturePtr lastTexture; // the last texture the device took

    Result CreateTexture(uint32_t w, uint32_t h, platform::Format f, platform::Pool p,
                         platform::TexturePtr* out) override {
        return rec.CreateTexture(w, h, f, p, out);
    }
    Result SetRenderState(platform::RenderState s, uint32_t v) override { return rec.SetRenderState(s, v); }
    Result GetRenderState(platform::RenderState s, uint32_t* v) override { return rec.GetRenderState(s, v); }
    Result SetTextureStageState(uint32_t st, platform::TextureStageState t, uint32_t v) override {
        return rec.SetTextureStageState(st, t, v);
    }
    Result GetTextureStageState(uint32_t st, platform::TextureStageState t, uint32_t* v) override {
        return rec.GetTextureStageState(st, t, v);
    }
    Result SetSamplerState(uint32_t s, platform::SamplerState t, uint32_t v) override {
        return rec.SetSamplerState(s, t, v);
    }
    Result GetSamplerState(uint32_t s, platform::SamplerState t, uint32_t* v) override {
        return rec.GetSamplerState(s, t, v);
    }
    Result SetTexture(uint32_t stage, const platform::TexturePtr& t) override {
        if (failSetTexture) return platform::kErrInvalidCall;
        lastTexture = t;
        return rec.SetTexture(stage, t);
    }
    Result SetTransform(platform::TransformState s, const platform::Matrix& m) override {
        return rec.SetTransform(s, m);
    }
    Result GetTransform(platform::TransformState s, platform::Matrix* m) override {
        return rec.GetTransform(s, m);
    }
    Result SetViewport(const platform::Viewport& v) override { return rec.SetViewport(v); }
    Result GetViewport(platform::Viewport* v) override { return rec.GetViewport(v); }
    Result SetScissorRect(const platform::PixelRect& r) override { return rec.SetScissorRect(r); }
    Result SetVertexFormat(uint32_t fvf) override { return rec.SetVertexFormat(fvf); }
    Result DrawPrimitiveUP(platform::PrimitiveType t, uint32_t n, const void* v, uint32_t s) override {
        return rec.DrawPrimitiveUP(t, n, v, s);
    }
    Result Clear(uint32_t f, uint32_t c, float z, uint32_t s) override { return rec.Clear(f, c, z, s); }
    Result BeginScene() override { return rec.BeginScene(); }
    Result EndScene() override { return rec.EndScene(); }
    Result Present() override { return rec.Present(); }
    void SetRasterizing(bool on) override { rec.SetRasterizing(on); }
    Result TestCooperativeLevel() override { return rec.TestCooperativeLevel(); }
    Result Reset(const platform::PresentParameters& p) override {
        return failReset ? platform::kErrInvalidCall : rec.Reset(p);
    }
    void SetLossCause(bool active) override { rec.SetLossCause(active); }
    const platform::DeviceCaps& GetCaps() const override { return rec.GetCaps(); }
    platform::FrameView BackBuffer() const override { return rec.BackBuffer(); }
};

FlakyDevice* g_device = nullptr; // the last device the test factory made

// The platform's device-creation object, creating flaky recording devices.
class TestDirect3D final : public DXLDirect3D {
  public:
    std::unique_ptr<DXLDirect3D> inner = CreatePlatformDirect3D();
    uint32_t GetAdapterCount() override { return inner->GetAdapterCount(); }
    HResult GetAdapterIdentifier(uint32_t a, platform::AdapterIdentifier* o) override {
        return inner->GetAdapterIdentifier(a, o);
    }
    HResult GetDeviceCaps(uint32_t a, uint32_t t, platform::DeviceCaps* o) override {
        return inner->GetDeviceCaps(a, a == 0 && t == kDeviceTypeRef ? kDeviceTypeHal : t, o);
    }
    HResult GetAdapterDisplayMode(uint32_t a, DXLAdapterMode* o) override {
        return inner->GetAdapterDisplayMode(a, o);
    }
    uint32_t GetAdapterModeCount(uint32_t a, uint32_t f) override { return inner->GetAdapterModeCount(a, f); }
    HResult EnumAdapterModes(uint32_t a, uint32_t f, uint32_t i, DXLAdapterMode* o) override {
        return inner->EnumAdapterModes(a, f, i, o);
    }
    HResult CheckDeviceType(uint32_t a, uint32_t t, uint32_t d, uint32_t b, bool w) override {
        return inner->CheckDeviceType(a, t, d, b, w);
    }
    HResult CheckDeviceFormat(uint32_t a, uint32_t t, uint32_t af, uint32_t u, uint32_t r,
                              uint32_t f) override {
        return inner->CheckDeviceFormat(a, t, af, u, r, f);
    }
    HResult CheckDeviceMultiSampleType(uint32_t a, uint32_t t, uint32_t f, bool w, uint32_t ty,
                                       uint32_t* q) override {
        return inner->CheckDeviceMultiSampleType(a, t, f, w, ty, q);
    }
    HResult CreateDevice(uint32_t a, uint32_t t, platform::FrameSink* window, uint32_t b,
                         const platform::PresentParameters& p,
                         std::unique_ptr<platform::GraphicsDevice>* out) override {
        std::unique_ptr<platform::GraphicsDevice> software;
        if (HResult hr = inner->CreateDevice(a, t, window, b, p, &software); Failed(hr)) return hr;
        auto device = std::make_unique<FlakyDevice>(std::move(software));
        g_device = device.get();
        *out = std::move(device);
        return kResultOk;
    }
};

// Writes the events it receives into a shared log.
class EventLog final : public DXLDeviceObject {
  public:
    EventLog(std::string name, std::vector<std::string>* log) : name_(std::move(name)), log_(log) {}
    bool removeOnEvent = false;
    void OnDeviceEvent(DXLViewer* viewer, uint32_t event) override {
        log_->push_back(name_ + std::to_string(event));
        if (removeOnEvent) viewer->RemoveDeviceObject(this);
    }

  private:
    std::string name_;
    std::vector<std::string>* log_;
};

class NullSink final : public platform::FrameSink {
  public:
    int frames = 0;
    void ShowFrame(const uint32_t*, int, int, int) override { ++frames; }
};

// Installs the test factory before the fixture's viewer is made.
struct TestFactory {
    TestFactory() {
        SetDirect3DFactory([]() -> std::unique_ptr<DXLDirect3D> { return std::make_unique<TestDirect3D>(); });
    }
    ~TestFactory() {
        SetDirect3DFactory(nullptr);
        DXLViewer::ResetFrameClock();
    }
};

class ViewerTest : public ::testing::Test {
  protected:
    TestFactory factory;

    DXLDisplaySettings Windowed(uint32_t width, uint32_t height) {
        DXLDisplaySettings s;
        viewer.ValidateSettings(&s, nullptr, nullptr);
        s.present.backBufferWidth = width;
        s.present.backBufferHeight = height;
        s.present.presentationInterval = platform::kPresentIntervalImmediate;
        s.present.deviceWindow = &sink;
        return s;
    }

    NullSink sink;
    DXLViewer viewer;
    std::vector<std::string> events;
};

bool HasCall(const FlakyDevice* d, const std::string& text) {
    for (const std::string& t : d->rec.CallTexts()) {
        if (t == text) return true;
    }
    return false;
}

} // namespace

TEST_F(ViewerTest, DeviceObjectsFollowCreationResetAndRecreation) {
    EventLog a("a", &events), b("b", &events);
    viewer.AddDeviceObject(&a);
    viewer.AddDeviceObject(&b);
    viewer.AddDeviceObject(nullptr);
    EXPECT_EQ(viewer.DeviceObjectCount(), 2);

    DXLDisplaySettings s = Windowed(640, 480);
    ASSERT_EQ(viewer.ChangeDisplayMode(&s), kResultOk);
    EXPECT_EQ(events, (std::vector<std::string>{"a2", "b2"}));
    EXPECT_EQ(viewer.GetClientRect().right, 640);

    events.clear();
    s.present.backBufferWidth = 800; // only the presentation changes: a reset
    ASSERT_EQ(viewer.ChangeDisplayMode(&s), kResultOk);
    EXPECT_EQ(events, (std::vector<std::string>{"a4", "b4", "a5", "b5"}));
    EXPECT_EQ(viewer.GetDevice()->BackBuffer().width, 800);

    events.clear();
    s.hardwareVertexProcessing = !s.hardwareVertexProcessing; // a new device
    ASSERT_EQ(viewer.ChangeDisplayMode(&s), kResultOk);
    EXPECT_EQ(events, (std::vector<std::string>{"a3", "b3", "a2", "b2"}));

    events.clear();
    EXPECT_EQ(viewer.ChangeDisplayMode(nullptr), kResultOk); // nothing happens with a device
    EXPECT_TRUE(events.empty());
    viewer.RemoveDeviceObject(&a);
    viewer.RemoveDeviceObject(&b);
}

TEST_F(ViewerTest, AnObjectRemovingItselfDoesNotHideTheNextOne) {
    EventLog a("a", &events), b("b", &events), c("c", &events);
    a.removeOnEvent = true;
    viewer.AddDeviceObject(&a);
    viewer.AddDeviceObject(&b);
    viewer.AddDeviceObject(&c);
    viewer.NotifyDeviceObjects(7);
    EXPECT_EQ(events, (std::vector<std::string>{"a7", "b7", "c7"}));
    EXPECT_EQ(viewer.DeviceObjectCount(), 2);
    viewer.RemoveDeviceObject(&b);
    viewer.RemoveDeviceObject(&c);
}

TEST_F(ViewerTest, InvalidDeviceWindowCreatesNoDeviceAndDropsTheSettings) {
    DXLDisplaySettings s = Windowed(640, 480);
    s.present.deviceWindow = nullptr;
    EXPECT_EQ(viewer.ChangeDisplayMode(&s), kResultInvalidDeviceWindow);
    EXPECT_FALSE(viewer.HasDevice());
    EXPECT_EQ(viewer.GetSettings(), nullptr);
    s.present.deviceWindow = reinterpret_cast<platform::FrameSink*>(intptr_t(-1));
    EXPECT_EQ(viewer.ChangeDisplayMode(&s), kResultInvalidDeviceWindow);
    EXPECT_EQ(viewer.ChangeDisplayMode(nullptr), kResultNoDisplaySettings);
    EXPECT_EQ(viewer.BeginScene(), kResultNoDevice);
    EXPECT_EQ(viewer.EndFrame(), kResultNoDevice);
}

TEST_F(ViewerTest, LostDeviceSkipsFramesUntilResetSucceeds) {
    EventLog a("a", &events);
    viewer.AddDeviceObject(&a);
    DXLDisplaySettings s = Windowed(320, 240);
    ASSERT_EQ(viewer.ChangeDisplayMode(&s), kResultOk);
    ASSERT_EQ(viewer.RenderFrame(0xFF000000), kResultOk);
    EXPECT_EQ(sink.frames, 1);
    events.clear();

    FlakyDevice* device = g_device;
    ASSERT_EQ(viewer.BeginScene(), kResultOk);
    device->SetLossCause(true);
    EXPECT_EQ(viewer.EndFrame(), kResultDeviceLost);
    EXPECT_TRUE(viewer.IsDeviceLost());
    EXPECT_EQ(viewer.ClearTarget(0), kResultEngineDeviceLost);
    EXPECT_EQ(viewer.EndFrame(), kResultEngineDeviceLost);

    // While the cause lasts the frame is skipped and nothing is reset.
    EXPECT_EQ(viewer.BeginScene(), kResultDeviceLost);
    EXPECT_TRUE(viewer.IsDeviceLost());
    EXPECT_TRUE(events.empty());

    // A reset that fails skips the frame and keeps the device lost.
    device->SetLossCause(false);
    device->failReset = true;
    EXPECT_EQ(viewer.BeginScene(), kResultDeviceNotReset);
    EXPECT_TRUE(viewer.IsDeviceLost());
    EXPECT_EQ(events, (std::vector<std::string>{"a4"}));
    EXPECT_EQ(sink.frames, 1);

    // The next frame resets it and draws again.
    events.clear();
    device->failReset = false;
    device->rec.ClearCalls();
    EXPECT_EQ(viewer.BeginScene(), kResultOk);
    EXPECT_FALSE(viewer.IsDeviceLost());
    EXPECT_EQ(events, (std::vector<std::string>{"a4", "a5"}));
    EXPECT_TRUE(HasCall(device, "SetRenderState(137, 0)")); // render states set up again
    EXPECT_EQ(viewer.ClearTarget(0), kResultOk);
    EXPECT_EQ(viewer.EndFrame(), kResultOk);
    EXPECT_EQ(sink.frames, 2);
    viewer.RemoveDeviceObject(&a);
}

TEST_F(ViewerTest, FrameStartsWithOpaqueBlendNoTextureAndIdentityTransform) {
    DXLDisplaySettings s = Windowed(320, 240);
    ASSERT_EQ(viewer.ChangeDisplayMode(&s), kResultOk);
    viewer.Translate(5, 5);
    viewer.SetBlendMode(kBlendAlpha);
    g_device->rec.ClearCalls();
    ASSERT_EQ(viewer.BeginScene(), kResultOk);
    EXPECT_EQ(viewer.GetBlendMode(), kBlendOpaque);
    EXPECT_EQ(viewer.CurrentTransform(), kIdentityMatrix);
    EXPECT_TRUE(HasCall(g_device, "SetRenderState(27, 0)"));
    EXPECT_TRUE(HasCall(g_device, "SetRenderState(52, 0)")); // stencil off
    EXPECT_TRUE(HasCall(g_device, "SetRenderState(15, 0)")); // alpha test off

    // The same blend mode again makes no call; a new one sets the three states.
    g_device->rec.ClearCalls();
    viewer.SetBlendMode(kBlendOpaque);
    EXPECT_TRUE(g_device->rec.Calls().empty());
    viewer.SetBlendMode(kBlendInvert);
    EXPECT_EQ(g_device->rec.CallTexts(),
              (std::vector<std::string>{"SetRenderState(27, 1)", "SetRenderState(19, 10)",
                                        "SetRenderState(20, 6)"}));
    EXPECT_EQ(viewer.EndFrame(), kResultOk);
}

TEST_F(ViewerTest, TextureIsBoundOnlyWhenTheDeviceTakesIt) {
    DXLTexture texture(&viewer);
    EXPECT_FALSE(viewer.BindTexture(&texture)); // no device
    EXPECT_EQ(viewer.GetBoundTexture(), nullptr);

    DXLDisplaySettings s = Windowed(320, 240);
    ASSERT_EQ(viewer.ChangeDisplayMode(&s), kResultOk);
    texture.Create(4, 4, kFormatA8R8G8B8, false);
    ASSERT_TRUE(texture.IsLive());
    ASSERT_EQ(viewer.BeginScene(), kResultOk);

    g_device->failSetTexture = true;
    EXPECT_FALSE(viewer.BindTexture(&texture));
    EXPECT_EQ(viewer.GetBoundTexture(), nullptr);

    // The device receives the texture's own device texture.
    g_device->failSetTexture = false;
    g_device->rec.ClearCalls();
    EXPECT_TRUE(viewer.BindTexture(&texture));
    EXPECT_EQ(viewer.GetBoundTexture(), &texture);
    ASSERT_TRUE(texture.GetDeviceTexture());
    EXPECT_EQ(g_device->lastTexture, texture.GetDeviceTexture());
    g_device->rec.ClearCalls();
    EXPECT_TRUE(viewer.BindTexture(&texture)); // already bound: no call
    EXPECT_TRUE(g_device->rec.Calls().empty());

    DXLTextureState state{1, 0, 3, 1, kBlendAdditive, 4, 2};
    viewer.ApplyTextureState(&state);
    EXPECT_EQ(
        g_device->rec.CallTexts(),
        (std::vector<std::string>{"SetRenderState(27, 1)", "SetRenderState(19, 5)", "SetRenderState(20, 2)",
                                  "SetSamplerState(0, 6, 2)", "SetSamplerState(0, 5, 1)",
                                  "SetSamplerState(0, 1, 3)", "SetSamplerState(0, 2, 1)",
                                  "SetTextureStageState(0, 1, 4)", "SetTextureStageState(0, 4, 2)"}));

    EXPECT_EQ(viewer.EndFrame(), kResultOk);
    EXPECT_EQ(viewer.GetBoundTexture(), nullptr); // the frame's end unbinds
}

TEST_F(ViewerTest, FrameLimiterHoldsAtMostTwoHundredFramesASecond) {
    static uint32_t now;
    static uint32_t slept;
    now = 1000;
    slept = 0;
    DXLViewer::SetFrameClock({[] { return now; },
                              [](uint32_t ms) {
                                  now += ms;
                                  slept += ms;
                              }});
    DXLDisplaySettings s = Windowed(320, 240);
    viewer.SetFrameTiming(true);
    ASSERT_EQ(viewer.ChangeDisplayMode(&s), kResultOk);
    ASSERT_TRUE(viewer.IsFrameTimingRunning());

    // An infinitely fast machine: only the limiter's sleeps pass time.
    for (int i = 0; i < 201; ++i)
        viewer.LimitFrameRate();
    EXPECT_EQ(slept, 1000u);
    EXPECT_EQ(viewer.GetFramesPerSecond(), 200u);
    EXPECT_EQ(viewer.GetTotalSeconds(), 1u);

    // Paused time does not count and nothing is limited while paused.
    viewer.PauseTimer();
    now += 5000;
    viewer.LimitFrameRate();
    viewer.ResumeTimer();
    slept = 0;
    viewer.LimitFrameRate();
    EXPECT_EQ(slept, 5u); // the second frame of the running second waits 5 ms

    // With presentation interval one the display paces the frames: no sleep.
    s.present.presentationInterval = platform::kPresentIntervalOne;
    ASSERT_EQ(viewer.ChangeDisplayMode(&s), kResultOk);
    slept = 0;
    for (int i = 0; i < 50; ++i)
        viewer.LimitFrameRate();
    EXPECT_EQ(slept, 0u);
}

TEST(StencilAlphaTest, PackedDescriptorsUnpackWithClamping) {
    DXLStencilAlphaTest off = MakeStencilAlphaTest(0x3000, 0, 0);
    EXPECT_EQ(off.stencilMode, 0u);
    EXPECT_EQ(off.alphaTestMode, 0u);
    EXPECT_EQ(off.stencilPass, 1u); // nibble 0 reads as 1

    DXLStencilAlphaTest fade = MakeStencilAlphaTest(0x4700, 9, 0x80);
    EXPECT_EQ(fade.stencilMode, 2u); // left as it is
    EXPECT_EQ(fade.alphaTestMode, 1u);
    EXPECT_EQ(fade.alphaFunc, 7u);
    EXPECT_EQ(fade.alphaRef, 0x80u);

    DXLStencilAlphaTest on = MakeStencilAlphaTest(0x8000 | 0x1000 | 0x0F9, 3, 0);
    EXPECT_EQ(on.stencilMode, 1u);
    EXPECT_EQ(on.alphaTestMode, 0u);
    EXPECT_EQ(on.stencilPass, 8u); // 9 clamps to 8
    EXPECT_EQ(on.stencilFunc, 8u); // 15 clamps to 8
    EXPECT_EQ(on.stencilRef, 3u);
}

TEST_F(ViewerTest, TransformMovesInLocalUnitsAndNoOpsKeepEveryBit) {
    DXLMatrix odd = MakeMatrix(0.3f, 0.1f, 0, 0, -0.2f, 0.7f, 0, 0, 0, 0, 1, 0, 1.25f, -3.5f, 0, 1);
    viewer.SetTransform(&odd);
    viewer.Translate(0, 0);
    viewer.Scale(1);
    viewer.Scale2(1, 1);
    viewer.Rotate(0);
    viewer.RotateDegrees(0);
    EXPECT_EQ(viewer.CurrentTransform(), odd);

    viewer.ResetTransform();
    viewer.Rotate(kis::kPi / 2);
    viewer.Translate(1, 0);
    EXPECT_NEAR(viewer.CurrentTransform().m[3][0], 0.0f, 1e-6f);
    EXPECT_NEAR(viewer.CurrentTransform().m[3][1], 1.0f, 1e-6f); // one pixel down the screen

    viewer.ResetTransform();
    viewer.Scale(3);
    viewer.SetScale(2);
    EXPECT_EQ(viewer.CurrentTransform().m[0][0], 2.0f);
    EXPECT_EQ(viewer.CurrentTransform().m[1][1], 2.0f);
    EXPECT_EQ(viewer.CurrentTransform().m[0][1], 0.0f);

    viewer.ResetTransform();
    viewer.Scale2(2, 3);
    viewer.Translate(1.3f, 1.7f);
    viewer.SnapTransformOrigin();
    EXPECT_EQ(viewer.CurrentTransform().m[3][0], 3.0f);
    EXPECT_EQ(viewer.CurrentTransform().m[3][1], 5.0f);

    DXLMatrix m;
    viewer.GetDeviceTransform(&m); // without a device: the identity
    EXPECT_EQ(m, kIdentityMatrix);
}

TEST_F(ViewerTest, DrawnPixelsLandUnderTheTransform) {
    DXLDisplaySettings s = Windowed(64, 48);
    ASSERT_EQ(viewer.ChangeDisplayMode(&s), kResultOk);
    ASSERT_EQ(viewer.BeginScene(), kResultOk);
    ASSERT_EQ(viewer.ClearTarget(0xFF000000), kResultOk);

    // A 10 x 6 rectangle at (4, 2), with the half-pixel shift of the quad builders.
    auto rect = [](float x, float y, float w, float h, uint32_t c) {
        std::vector<platform::ColouredVertex> v = {{x - 0.5f, y - 0.5f, 0, c},
                                                   {x + w - 0.5f, y - 0.5f, 0, c},
                                                   {x + w - 0.5f, y + h - 0.5f, 0, c},
                                                   {x - 0.5f, y + h - 0.5f, 0, c}};
        return v;
    };
    viewer.FillRect(rect(4, 2, 10, 6, 0xFFFF0000).data());

    DXLMatrix saved;
    viewer.GetTransform(&saved);
    viewer.Translate(20, 10);
    viewer.Scale(2);
    viewer.ApplyTransform();
    // Local (0.5, 0.5)-(5.5, 4.5) doubled and moved: (21, 11)-(31, 19).
    viewer.FillRect(rect(1, 1, 5, 4, 0xFF00FF00).data());
    viewer.SetTransform(&saved);
    viewer.ApplyTransform();

    platform::ColouredVertex one[1] = {{0, 0, 0, 0xFFFFFFFF}};
    viewer.DrawLineStrip(platform::kFvfColouredVertex, 1, one, sizeof one[0]); // one point: nothing

    platform::FrameView frame = viewer.GetDevice()->BackBuffer();
    auto at = [&](int x, int y) { return frame.pixels[y * frame.pitchInPixels + x] & 0xFFFFFF; };
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 64; ++x) {
            uint32_t want = 0;
            if (x >= 4 && x < 14 && y >= 2 && y < 8) want = 0xFF0000;
            if (x >= 21 && x < 31 && y >= 11 && y < 19) want = 0x00FF00;
            ASSERT_EQ(at(x, y), want) << "at " << x << ", " << y;
        }
    }
    // Clips nest: the inner one draws only where both meet; its end brings the outer one back.
    viewer.BeginClip(kis::MakeRect(0, 0, 30, 20));
    viewer.BeginClip(kis::MakeRect(10, 10, 64, 48));
    viewer.FillRect(rect(0, 0, 64, 48, 0xFF0000FF).data());
    viewer.EndClip();
    viewer.FillRect(rect(0, 0, 64, 2, 0xFFFFFFFF).data());
    viewer.EndClip();
    for (const auto& [x, y, want] :
         {std::tuple{15, 15, 0x0000FFu}, {15, 20, 0u}, {29, 1, 0xFFFFFFu}, {30, 1, 0u}})
        EXPECT_EQ(at(x, y), want) << x << ", " << y;
    EXPECT_EQ(viewer.EndFrame(), kResultOk);
}

TEST(PixelRows, ConversionsForGlyphSheets) {
    const uint32_t source[3] = {0xC8123456, 0x00FFFFFF, 0x80A0B0C0};
    uint32_t recoloured[3];
    RecolorPixels(source, recoloured, 3, 0x11223344, 2.0f);
    EXPECT_EQ(recoloured[0], 0xFF223344u); // 200 x 2 stops at 255
    EXPECT_EQ(recoloured[1], 0x00223344u);
    RecolorPixels(source, recoloured, 3, 0xFF010203, 0.5f);
    EXPECT_EQ(recoloured[2], 0x40010203u);
    RecolorPixels(source, recoloured, 1, 0x010203, 1.0f);
    EXPECT_EQ(recoloured[0], 0xC8010203u);

    uint16_t a8l8[3];
    ConvertAlphaToA8L8(source, a8l8, 3);
    EXPECT_EQ(a8l8[0], 0xC8FF);
    EXPECT_EQ(a8l8[1], 0x00FF);
    uint16_t a4[3];
    ConvertGreenToA4R4G4B4(source, a4, 3);
    EXPECT_EQ(a4[0], 0x3FFF); // green 0x34
    EXPECT_EQ(a4[2], 0xBFFF); // green 0xB0
}

TEST_F(ViewerTest, WindowViewerShowsTheWindowAndRestoresItAfterFullScreen) {
    platform::HeadlessBackend backend(platform::NullAudioDevice::Clocking::Manual);
    platform::HeadlessWindow& window = backend.GetWindow();
    {
        DXLWindowViewer wv(&window);
        wv.SetCaption(u"Verbolunde");
        ASSERT_EQ(wv.CreateWindow(u"VerbolundeWindow", 107), kResultOk);
        EXPECT_FALSE(window.IsVisible());
        EXPECT_EQ(window.Caption(), u"Verbolunde");
        ASSERT_EQ(wv.InitializeAdapter(0, kDeviceTypeHal), kResultOk);

        DXLDisplaySettings s;
        wv.ValidateSettings(&s, nullptr, nullptr);
        EXPECT_EQ(s.present.deviceWindow, wv.GetWindowHandle());
        ASSERT_EQ(wv.ChangeDisplayMode(&s), kResultOk);
        EXPECT_TRUE(window.IsVisible());
        int w = 0, h = 0, x = 0, y = 0;
        window.ClientSize(w, h);
        EXPECT_EQ(w, 800);
        EXPECT_EQ(h, 600);
        window.SetPosition(40, 30);

        DXLDisplaySettings full = s;
        full.present.windowed = 0;
        platform::DisplayMode desktop = window.DesktopMode();
        full.present.backBufferWidth = desktop.width;
        full.present.backBufferHeight = desktop.height;
        ASSERT_EQ(wv.ChangeDisplayMode(&full), kResultOk);
        EXPECT_TRUE(window.IsFullscreen());

        ASSERT_EQ(wv.ChangeDisplayMode(&s), kResultOk);
        EXPECT_FALSE(window.IsFullscreen());
        window.ClientSize(w, h);
        window.Position(x, y);
        EXPECT_EQ(w, 800);
        EXPECT_EQ(h, 600);
        // The placement's size comes back and the window is centred on the display.
        EXPECT_EQ(x, std::max(0, (int(desktop.width) - 800) / 2));
        EXPECT_EQ(y, std::max(0, (int(desktop.height) - 600) / 2));

        ASSERT_EQ(wv.RenderFrame(0xFF336699), kResultOk);
        ASSERT_EQ(window.FrameWidth(), 800);
        EXPECT_EQ(window.FramePixels()[0] & 0xFFFFFF, 0x336699u);
    }
    EXPECT_FALSE(window.Exists());
}

// Every screen lays itself out on the client rectangle, so it must be the
// back buffer in full screen as in a window, whichever mode comes first.
TEST_F(ViewerTest, ClientRectangleIsTheBackBufferInFullScreenAsInAWindow) {
    struct Step {
        bool windowed;
        uint32_t width, height;
    };
    struct Case {
        const char* what;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        {"full screen from the start", {{false, 1024, 768}}},
        {"window, then full screen", {{true, 800, 600}, {false, 1920, 1080}}},
        {"full screen, then a window", {{false, 1280, 1024}, {true, 1024, 768}}},
        {"full screen at two sizes", {{false, 1024, 768}, {false, 1280, 720}}},
    };
    for (const Case& c : cases) {
        platform::HeadlessBackend backend(platform::NullAudioDevice::Clocking::Manual);
        DXLWindowViewer wv(&backend.GetWindow());
        ASSERT_EQ(wv.CreateWindow(u"VerbolundeWindow", 107), kResultOk);
        ASSERT_EQ(wv.InitializeAdapter(0, kDeviceTypeHal), kResultOk);
        for (const Step& step : c.steps) {
            DXLDisplaySettings s;
            wv.ValidateSettings(&s, nullptr, nullptr);
            s.present.windowed = step.windowed ? 1 : 0;
            s.present.backBufferWidth = step.width;
            s.present.backBufferHeight = step.height;
            ASSERT_EQ(wv.ChangeDisplayMode(&s), kResultOk) << c.what;
            const kis::Rect& r = wv.GetClientRect();
            EXPECT_EQ(r.left, 0) << c.what;
            EXPECT_EQ(r.top, 0) << c.what;
            EXPECT_EQ(r.right, int32_t(step.width)) << c.what;
            EXPECT_EQ(r.bottom, int32_t(step.height)) << c.what;
        }
    }
}

TEST_F(ViewerTest, MinimisedFullScreenLosesTheDeviceUntilTheWindowIsRestored) {
    platform::HeadlessBackend backend(platform::NullAudioDevice::Clocking::Manual);
    platform::HeadlessWindow& window = backend.GetWindow();
    DXLWindowViewer wv(&window);
    ASSERT_EQ(wv.CreateWindow(u"VerbolundeWindow", 107), kResultOk);
    ASSERT_EQ(wv.InitializeAdapter(0, kDeviceTypeHal), kResultOk);
    // The program hands every window event it takes to the viewer.
    auto takeEvents = [&] {
        platform::WindowEvent e;
        while (window.PollEvent(e))
            wv.OnWindowEvent(e);
    };
    auto firstPixel = [&] { return window.FramePixels().at(0) & 0xFFFFFF; };

    DXLDisplaySettings windowed;
    wv.ValidateSettings(&windowed, nullptr, nullptr);
    DXLDisplaySettings full = windowed;
    full.present.windowed = 0;
    full.present.backBufferWidth = window.DesktopMode().width;
    full.present.backBufferHeight = window.DesktopMode().height;
    ASSERT_EQ(wv.ChangeDisplayMode(&full), kResultOk);
    EventLog a("a", &events);
    wv.AddDeviceObject(&a);
    takeEvents();
    ASSERT_EQ(wv.RenderFrame(0xFF112233), kResultOk);
    const int shown = window.PresentCount();

    // Minimised: the frame drawn then is not shown, and the device stays lost
    // for as long as the window is down.
    window.Minimise();
    takeEvents();
    EXPECT_TRUE(wv.IsDeviceLossCaused());
    EXPECT_EQ(wv.RenderFrame(0xFF445566), kResultDeviceLost);
    EXPECT_TRUE(wv.IsDeviceLost());
    EXPECT_EQ(wv.BeginScene(), kResultDeviceLost);
    EXPECT_EQ(wv.BeginScene(), kResultDeviceLost);
    EXPECT_EQ(window.PresentCount(), shown);
    EXPECT_TRUE(events.empty());

    // Restored: the next frame resets the device and is shown.
    window.Restore();
    takeEvents();
    EXPECT_FALSE(wv.IsDeviceLossCaused());
    EXPECT_EQ(wv.RenderFrame(0xFF0000FF), kResultOk);
    EXPECT_FALSE(wv.IsDeviceLost());
    EXPECT_EQ(events, (std::vector<std::string>{"a4", "a5"}));
    EXPECT_EQ(window.PresentCount(), shown + 1);
    EXPECT_EQ(firstPixel(), 0x0000FFu);

    // A minimised window on the desktop keeps its device.
    events.clear();
    ASSERT_EQ(wv.ChangeDisplayMode(&windowed), kResultOk);
    window.Minimise();
    takeEvents();
    EXPECT_FALSE(wv.IsDeviceLossCaused());
    EXPECT_EQ(wv.RenderFrame(0xFF00FF00), kResultOk);
    EXPECT_EQ(firstPixel(), 0x00FF00u);
    window.Restore();
    takeEvents();
    EXPECT_EQ(wv.RenderFrame(0xFF00FF00), kResultOk);
    EXPECT_EQ(events, (std::vector<std::string>{"a4", "a5"})); // the change of mode only
    wv.RemoveDeviceObject(&a);
}

TEST_F(ViewerTest, LeavingAMinimisedFullScreenForAWindowEndsTheLoss) {
    platform::HeadlessBackend backend(platform::NullAudioDevice::Clocking::Manual);
    platform::HeadlessWindow& window = backend.GetWindow();
    DXLWindowViewer wv(&window);
    ASSERT_EQ(wv.CreateWindow(u"VerbolundeWindow", 107), kResultOk);
    ASSERT_EQ(wv.InitializeAdapter(0, kDeviceTypeHal), kResultOk);
    DXLDisplaySettings windowed;
    wv.ValidateSettings(&windowed, nullptr, nullptr);
    DXLDisplaySettings full = windowed;
    full.present.windowed = 0;
    full.present.backBufferWidth = window.DesktopMode().width;
    full.present.backBufferHeight = window.DesktopMode().height;
    ASSERT_EQ(wv.ChangeDisplayMode(&full), kResultOk);
    window.Minimise();
    wv.OnWindowEvent(platform::WindowEvent::Minimised);
    ASSERT_TRUE(wv.IsDeviceLossCaused());

    // The settings change to a window while it is still minimised: the device
    // is usable again at once.
    ASSERT_EQ(wv.ChangeDisplayMode(&windowed), kResultOk);
    EXPECT_FALSE(wv.IsDeviceLossCaused());
    EXPECT_EQ(wv.RenderFrame(0xFF000000), kResultOk);
}

// The text between the n-th "Change Display Mode" title and the next title.
std::string DisplaySection(const std::string& log, int n) {
    size_t at = std::string::npos;
    for (int i = 0; i <= n; ++i) {
        at = log.find("Change Display Mode", at == std::string::npos ? 0 : at + 1);
        if (at == std::string::npos) return {};
    }
    size_t end = log.find("Change successful.", at);
    return log.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

TEST_F(ViewerTest, DisplayChangesAreLoggedWithTheAverageFramesPerSecondOfTheirPeriod) {
    static uint32_t now;
    now = 5000;
    DXLViewer::SetFrameClock({[] { return now; }, [](uint32_t ms) { now += ms; }});
    testsupport::TempDir dir;
    const std::string path = dir.File("log.txt");
    ASSERT_TRUE(LogStart(platform::Utf8ToUtf16(path).c_str()));

    viewer.SetFrameTiming(true);
    DXLDisplaySettings s = Windowed(320, 240);
    ASSERT_EQ(viewer.ChangeDisplayMode(&s), kResultOk);
    for (int i = 0; i < 450; ++i) // 2.25 s at the limiter's 200 frames a second
        ASSERT_EQ(viewer.RenderFrame(0xFF000000), kResultOk);
    ASSERT_EQ(viewer.ChangeDisplayMode(&s), kResultOk);
    for (int i = 0; i < 150; ++i) // under a second: no average
        ASSERT_EQ(viewer.RenderFrame(0xFF000000), kResultOk);
    viewer.ReleaseAll(true);
    LogFinish();

    const std::string log = testsupport::ReadFileBytes(path);
    const std::string first = DisplaySection(log, 0);
    EXPECT_NE(first.find("Display:                320 x 240 "), std::string::npos) << log;
    EXPECT_NE(first.find("Fullscreen:             No"), std::string::npos) << log;
    EXPECT_NE(first.find("Refresh:                Default"), std::string::npos) << log;
    EXPECT_NE(first.find("VSync:                  No"), std::string::npos) << log;
    EXPECT_NE(first.find("FPS:                    200.00  "), std::string::npos) << log;
    EXPECT_NE(DisplaySection(log, 1).find("FPS:                    ???     "), std::string::npos) << log;
}

TEST_F(ViewerTest, StencilAndAlphaTestReachTheDeviceByTheirModes) {
    viewer.SetStencilAlphaTestPacked(0xC123, 1, 2); // without a device: nothing, not even stored
    EXPECT_EQ(viewer.GetStencilAlphaTest().stencilMode, 0u);
    DXLDisplaySettings s = Windowed(64, 48);
    ASSERT_EQ(viewer.ChangeDisplayMode(&s), kResultOk);

    struct Case {
        uint32_t descriptor;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        // Both on: stencil enable, function, pass, reference; alpha enable, function, reference.
        {0xC123,
         {"SetRenderState(52, 1)", "SetRenderState(56, 2)", "SetRenderState(55, 3)", "SetRenderState(57, 7)",
          "SetRenderState(15, 1)", "SetRenderState(25, 1)", "SetRenderState(24, 9)"}},
        // Both off: the stencil pass operation goes back to keep.
        {0x3000, {"SetRenderState(52, 0)", "SetRenderState(55, 1)", "SetRenderState(15, 0)"}},
        // The main screen's cross-fade: stencil left alone, alpha test greater-equal.
        {0x4700, {"SetRenderState(15, 1)", "SetRenderState(25, 7)", "SetRenderState(24, 9)"}},
        // Neither mode bit: nothing is touched.
        {0x0FFF, {}},
    };
    for (const Case& c : cases) {
        g_device->rec.ClearCalls();
        viewer.SetStencilAlphaTestPacked(c.descriptor, 7, 9);
        EXPECT_EQ(g_device->rec.CallTexts(), c.calls) << std::hex << c.descriptor;
    }
    // A null record applies the stored one again.
    g_device->rec.ClearCalls();
    viewer.ApplyStencilAlphaTest(nullptr);
    EXPECT_TRUE(g_device->rec.CallTexts().empty()); // the last one leaves both as they are
    viewer.SetStencilAlphaTestPacked(0x3000, 0, 0);
    g_device->rec.ClearCalls();
    viewer.ApplyStencilAlphaTest(nullptr);
    EXPECT_EQ(g_device->rec.CallTexts().size(), 3u);
}

TEST_F(ViewerTest, DrawCallsSetTheirVertexFormatAndPrimitive) {
    DXLDisplaySettings s = Windowed(64, 48);
    ASSERT_EQ(viewer.ChangeDisplayMode(&s), kResultOk);
    ASSERT_EQ(viewer.BeginScene(), kResultOk);
    TexturedQuad quads[3] = {};
    platform::ColouredVertex five[5] = {};
    uint8_t wide[5 * 20] = {}; // five vertices 20 bytes apart
    const uint32_t fvf = platform::kFvfColouredVertex;

    struct Case {
        std::function<void()> draw;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {[&] { viewer.DrawTexturedQuad(quads); }, {"SetVertexFormat(322)", "DrawPrimitiveUP(6, 2, 24)"}},
        {[&] { viewer.DrawTexturedQuads(3, quads); },
         {"SetVertexFormat(322)", "DrawPrimitiveUP(6, 2, 24)", "DrawPrimitiveUP(6, 2, 24)",
          "DrawPrimitiveUP(6, 2, 24)"}},
        {[&] { viewer.DrawTexturedQuads(0, quads); }, {}},
        {[&] { viewer.DrawTexturedQuad(nullptr); }, {}},
        {[&] { viewer.FillRect(five); }, {"SetVertexFormat(66)", "DrawPrimitiveUP(6, 2, 16)"}},
        {[&] { viewer.DrawRectOutline(five); }, {"SetVertexFormat(66)", "DrawPrimitiveUP(3, 4, 16)"}},
        {[&] { viewer.DrawRectOutlineFVF(fvf, wide, 20); },
         {"SetVertexFormat(66)", "DrawPrimitiveUP(3, 4, 20)"}},
        {[&] { viewer.DrawLineStrip(fvf, 5, five, 16); },
         {"SetVertexFormat(66)", "DrawPrimitiveUP(3, 4, 16)"}},
        {[&] { viewer.DrawLineStrip(fvf, 1, five, 16); }, {}},
        {[&] { viewer.DrawTriangleFan(fvf, 3, five, 16); },
         {"SetVertexFormat(66)", "DrawPrimitiveUP(6, 3, 16)"}},
        {[&] { viewer.DrawTriangleFan(fvf, 0, five, 16); }, {}},
        {[&] { viewer.FillRect(nullptr); }, {}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        g_device->rec.ClearCalls();
        cases[i].draw();
        EXPECT_EQ(g_device->rec.CallTexts(), cases[i].calls) << "case " << i;
    }

    // The cursor's translation matrix becomes the world transform; the 2D
    // transform itself is untouched.
    viewer.Translate(3, 4);
    g_device->rec.ClearCalls();
    viewer.ApplyTranslationMatrix(10, 20);
    DXLMatrix world;
    viewer.GetDeviceTransform(&world);
    EXPECT_EQ(world.m[3][0], 10.0f);
    EXPECT_EQ(world.m[3][1], 20.0f);
    EXPECT_EQ(world.m[0][0], 1.0f);
    EXPECT_EQ(viewer.CurrentTransform().m[3][0], 3.0f);
    viewer.ApplyIdentityTransform();
    viewer.GetDeviceTransform(&world);
    EXPECT_EQ(world, kIdentityMatrix);
    EXPECT_EQ(viewer.EndFrame(), kResultOk);
}

TEST_F(ViewerTest, ANewWindowedSizeResizesTheWindowAndCentresItAboveTheTaskBar) {
    platform::HeadlessBackend backend(platform::NullAudioDevice::Clocking::Manual);
    platform::HeadlessWindow& window = backend.GetWindow();
    DXLWindowViewer wv(&window);
    const std::u16string longTitle(120, u'x');
    wv.SetCaption(longTitle.c_str());
    ASSERT_EQ(wv.CreateWindow(u"VerbolundeWindow", 107), kResultOk);
    EXPECT_EQ(window.Caption(), longTitle.substr(0, 99));
    ASSERT_EQ(wv.InitializeAdapter(0, kDeviceTypeHal), kResultOk);
    DXLDisplaySettings s;
    wv.ValidateSettings(&s, nullptr, nullptr);
    ASSERT_EQ(wv.ChangeDisplayMode(&s), kResultOk);

    window.SetPosition(7, 9);
    s.present.backBufferWidth = 640;
    s.present.backBufferHeight = 480;
    ASSERT_EQ(wv.ChangeDisplayMode(&s), kResultOk);
    int w = 0, h = 0, x = 0, y = 0;
    window.ClientSize(w, h);
    window.Position(x, y);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
    const platform::DisplayMode desktop = window.DesktopMode();
    EXPECT_EQ(x, std::max(0, (int(desktop.width) - 640) / 2));
    EXPECT_EQ(y, std::max(0, (int(desktop.height) - 32 - 480) / 2));
    EXPECT_EQ(wv.GetClientRect().right, 640);
    EXPECT_EQ(wv.GetClientRect().bottom, 480);

    // The same size again leaves the window where the player put it.
    window.SetPosition(7, 9);
    ASSERT_EQ(wv.ChangeDisplayMode(&s), kResultOk);
    window.Position(x, y);
    EXPECT_EQ(x, 7);
    EXPECT_EQ(y, 9);
    ASSERT_EQ(wv.RenderFrame(0xFF000000), kResultOk);
    EXPECT_EQ(window.FrameWidth(), 640);
}

TEST(ViewerDisplayModes, NullBeforeAnAdapterThenTheFilteredModesOfTheCurrentAdapter) {
    viewertest::WindowedViewer viewer;
    EXPECT_EQ(viewer.GetDisplayModes(), nullptr);
    ASSERT_TRUE(viewer.Open(320, 240));
    ASSERT_NE(viewer.GetCurrentAdapter(), nullptr);
    EXPECT_EQ(viewer.GetDisplayModes(), &viewer.GetCurrentAdapter()->filtered);
}
