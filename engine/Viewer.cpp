#include "engine/Viewer.h"

#include "engine/DirectXVersion.h"
#include "engine/HelperLibrary.h"
#include "engine/PixelFormat.h"
#include "engine/ViewerLog.h"
#include "platform/Clock.h"

#include <cmath>
#include <cstdio>

using platform::RenderState;

namespace {

DXLFrameClock g_clock = {platform::Milliseconds, platform::SleepMilliseconds};

// Viewers that loaded the helper library; the last one to go unloads it, as
// the system's library count would.
int g_libraryHolders = 0;

bool IsInvalidWindow(const platform::FrameSink* window) {
    return window == nullptr || reinterpret_cast<intptr_t>(window) == -1;
}

} // namespace

const DXLMatrix kIdentityMatrix = MakeMatrix(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);

DXLMatrix MakeMatrix(float m11, float m12, float m13, float m14, float m21, float m22, float m23, float m24,
                     float m31, float m32, float m33, float m34, float m41, float m42, float m43, float m44) {
    return DXLMatrix{
        {{m11, m12, m13, m14}, {m21, m22, m23, m24}, {m31, m32, m33, m34}, {m41, m42, m43, m44}}};
}

DXLStencilAlphaTest MakeStencilAlphaTest(uint32_t descriptor, uint32_t stencilRef, uint32_t alphaRef) {
    auto nibble = [descriptor](int shift) {
        uint32_t v = (descriptor >> shift) & 0xF;
        return v == 0 ? 1u : (v > 8 ? 8u : v);
    };
    DXLStencilAlphaTest s;
    s.stencilPass = nibble(0);
    s.stencilFunc = nibble(4);
    s.alphaFunc = nibble(8);
    s.stencilMode = (descriptor & 0x8000) ? 1 : ((descriptor & 0x2000) ? 0 : 2);
    s.alphaTestMode = (descriptor & 0x4000) ? 1 : ((descriptor & 0x1000) ? 0 : 2);
    s.stencilRef = stencilRef;
    s.alphaRef = alphaRef;
    return s;
}

// ---------------------------------------------------------------- life

DXLViewer::DXLViewer() : transform_(kIdentityMatrix), translation_(kIdentityMatrix) {
    lastResult_ = InitializeDirectX();
}

DXLViewer::~DXLViewer() {
    Shutdown();
    ReleaseDirect3D();
    NotifyDeviceObjects(kDeviceDetach);
    stencilStack_.DeleteAll();
}

HResult DXLViewer::InitializeDirectX() {
    viewerlog::BeginSection("Initialize DirectX", "Initialize successful.", false);
    RegisterBuiltInHelperLibrary();
    HResult hr = LogSystemAndLoadD3DX();
    if (!holdsLibrary_) {
        holdsLibrary_ = true;
        ++g_libraryHolders;
    }
    if (Failed(hr)) {
        viewerlog::EndSection(false);
        return Store(hr);
    }
    d3d_ = Direct3DCreate9(32);
    if (!d3d_) {
        viewerlog::ErrorText("Direct3D create failed!");
        viewerlog::EndSection(false);
        return Store(kResultCreateDirect3DFailed);
    }
    viewerlog::EndSection(true);
    return Store(kResultOk);
}

HResult DXLViewer::InitializeAdapter(uint32_t adapter, uint32_t deviceType) {
    if (!d3d_) return Store(kResultNoDirect3D);
    DXLADAPTERINFO* info = nullptr;
    HResult hr = GetAdapterInfo(adapter, deviceType, &info);
    if (Succeeded(hr) && info == adapter_) return Store(kResultOk);
    ReleaseAll(false);
    if (info) {
        adapter_ = info;
        LogAdapter(info);
    }
    if (Failed(hr)) {
        Store(hr);
        ReleaseAll(true);
        return hr;
    }
    return Store(kResultOk);
}

void DXLViewer::ReleaseDevice() {
    StopFrameTiming();
    if (!device_) return;
    NotifyDeviceObjects(kDeviceReleasing);
    device_.reset();
    lost_ = false;
    boundTexture_ = nullptr;
    scissorStack_.clear();
    ClearStencilStack();
}

HResult DXLViewer::ResetDevice() {
    if (!device_ || !settings_) return Store(kResultNoDevice);
    NotifyDeviceObjects(kDeviceResetting);
    HResult hr = device_->Reset(ToPresentParameters(settings_->present));
    if (Failed(hr)) {
        viewerlog::Error("Reset: ", hr);
        return Store(hr);
    }
    NotifyDeviceObjects(kDeviceResetComplete);
    return Store(kResultOk);
}

void DXLViewer::ReleaseAll(bool deleteSettings) {
    ReleaseDevice();
    adapter_ = nullptr;
    if (deleteSettings) {
        previous_.reset();
        settings_.reset();
    }
}

void DXLViewer::Shutdown() {
    if (d3d_) ReleaseAll(true);
}

void DXLViewer::ReleaseDirect3D() {
    adapters_.DeleteAll();
    adapter_ = nullptr;
    d3d_.reset();
    if (holdsLibrary_) {
        holdsLibrary_ = false;
        if (--g_libraryHolders == 0) UnloadD3DX();
    }
}

platform::FrameSink* DXLViewer::GetWindowHandle() {
    return settings_ ? settings_->present.deviceWindow : nullptr;
}

// ---------------------------------------------------------------- settings

HResult DXLViewer::ChangeDisplayMode(const DXLDisplaySettings* settings) {
    if (!settings) return Store(device_ ? kResultOk : kResultNoDisplaySettings);
    HResult hr = InitializeAdapter(settings->adapter, settings->deviceType);
    if (Failed(hr)) {
        ReleaseAll(true);
        return Store(hr);
    }
    previous_ = std::move(settings_);
    settings_ = std::make_unique<DXLDisplaySettings>(*settings);

    viewerlog::BeginSection("Change Display Mode", "Change successful.", true);
    StopFrameTiming();
    fpsPlaceholder_ = viewerlog::ForgetPlaceholder(fpsPlaceholder_);

    const DXLPresentParameters& p = settings_->present;
    char formatName[64];
    GetFormatName(formatName, sizeof formatName, p.backBufferFormat);
    char text[160];
    std::snprintf(text, sizeof text, "%d x %d %s", int(p.backBufferWidth), int(p.backBufferHeight),
                  formatName);
    viewerlog::LabelValue("Display:", text);
    viewerlog::LabelValue("Fullscreen:", p.windowed ? "No" : "Yes");
    if (p.fullScreenRefreshRate == 0) {
        viewerlog::LabelValue("Refresh:", "Default");
    } else {
        std::snprintf(text, sizeof text, "%d Hz", int(p.fullScreenRefreshRate));
        viewerlog::LabelValue("Refresh:", text);
    }
    viewerlog::LabelValue("VSync:", IsVSyncEnabled() ? "Yes" : "No");
    viewerlog::LabelValue("Vertex Processing:",
                          settings_->hardwareVertexProcessing ? "Hardware" : "Software");
    fpsPlaceholder_ = viewerlog::FpsPlaceholder();

    hr = ApplySettings();
    if (Failed(hr)) {
        viewerlog::EndSection(false);
        ReleaseAll(true);
        return Store(hr);
    }
    viewerlog::EndSection(true);
    previous_.reset();
    StartFrameTiming();
    return Store(kResultOk);
}

HResult DXLViewer::ApplySettings() {
    if (!settings_ || IsInvalidWindow(settings_->present.deviceWindow)) {
        viewerlog::ErrorText("Invalid Window Handle.");
        return Store(kResultInvalidDeviceWindow);
    }
    HResult hr = RecreateOrReset();
    if (Failed(hr)) return hr;
    // Full screen too: every screen lays itself out on this rectangle, and a
    // stale or empty one would put it off the screen's middle.
    clientRect_ = kis::MakeRect(0, 0, int32_t(settings_->present.backBufferWidth),
                                int32_t(settings_->present.backBufferHeight));
    InitRenderStates();
    return Store(kResultOk);
}

HResult DXLViewer::RecreateOrReset() {
    const DXLDisplaySettings& s = *settings_;
    bool create = !device_ || !previous_ ||
                  previous_->hardwareVertexProcessing != s.hardwareVertexProcessing ||
                  previous_->deviceType != s.deviceType;
    if (!create) {
        HResult hr = ResetDevice();
        return Failed(hr) ? hr : kResultOk;
    }
    ReleaseDevice();
    uint32_t behaviour =
        s.hardwareVertexProcessing ? kCreateHardwareVertexProcessing : kCreateSoftwareVertexProcessing;
    HResult hr = d3d_ ? d3d_->CreateDevice(s.adapter, s.deviceType, s.present.deviceWindow, behaviour,
                                           ToPresentParameters(s.present), &device_)
                      : kResultNoDirect3D;
    if (Failed(hr)) {
        device_.reset();
        viewerlog::Error("CreateDevice: ", hr);
        return Store(hr);
    }
    device_->SetRasterizing(rasterizing_);
    NotifyDeviceObjects(kDeviceCreated);
    return kResultOk;
}

void DXLViewer::InitRenderStates() {
    if (!device_) return;
    platform::GraphicsDevice* d = device_.get();
    d->SetRenderState(RenderState::ZEnable, 0);
    d->SetRenderState(RenderState::ZWriteEnable, 0);
    d->SetRenderState(RenderState::ZFunc, uint32_t(platform::CompareFunc::Always));
    d->SetRenderState(RenderState::AlphaTestEnable, 0);
    d->SetRenderState(RenderState::Lighting, 0);
    d->SetRenderState(RenderState::CullMode, uint32_t(platform::CullMode::None));
    d->SetRenderState(RenderState::DitherEnable, 0);
    d->SetRenderState(RenderState::Clipping, 0);

    scissorFlag_ = 0;
    scissorRect_ = kis::MakeRect(0, 0, 0, 0);
    scissorStack_.clear();
    d->SetRenderState(RenderState::ScissorTestEnable, 0);

    DXLStencilAlphaTest off = MakeStencilAlphaTest(kStencilAlphaTestOff, 0, 0);
    ApplyStencilAlphaTest(&off);
    ClearStencilStack();

    // One unit is one pixel, the origin is the top-left corner, y grows downwards.
    const auto& p = settings_->present;
    DXLMatrix projection = kIdentityMatrix;
    if (auto ortho = d3dx::Library().matrixOrthoOffCenterLH)
        ortho(&projection, 0, float(p.backBufferWidth), float(p.backBufferHeight), 0, 0, 0.1f);
    d->SetTransform(platform::TransformState::Projection, projection);
    d->SetTransform(platform::TransformState::World, kIdentityMatrix);
    d->SetTransform(platform::TransformState::View, kIdentityMatrix);

    blendMode_ = kBlendOpaque;
    ApplyBlendMode();
    boundTexture_ = nullptr;
    d->SetTexture(0, nullptr);
}

bool DXLViewer::IsVSyncEnabled() const {
    return settings_ && settings_->present.presentationInterval != platform::kPresentIntervalImmediate;
}

bool DXLViewer::IsTextureFormatSupported(uint32_t format) {
    if (!device_ || !d3d_ || !adapter_ || !settings_) return false;
    return Succeeded(d3d_->CheckDeviceFormat(adapter_->ordinal, adapter_->deviceType,
                                             settings_->present.backBufferFormat, 0, kResourceTexture,
                                             format));
}

// ---------------------------------------------------------------- device objects

void DXLViewer::AddDeviceObject(DXLDeviceObject* object) {
    if (object) deviceObjects_.Add(object);
}

void DXLViewer::RemoveDeviceObject(DXLDeviceObject* object) {
    if (object) deviceObjects_.Remove(object);
}

void DXLViewer::NotifyDeviceObjects(uint32_t code) {
    int32_t i = 0;
    while (i < deviceObjects_.Count()) {
        DXLDeviceObject* object = deviceObjects_.Get(i);
        object->OnDeviceEvent(this, code);
        if (deviceObjects_.Get(i) == object) ++i;
    }
}

// ---------------------------------------------------------------- frame

HResult DXLViewer::BeginScene() {
    if (!device_) return Store(kResultNoDevice);
    if (lost_) {
        HResult test = device_->TestCooperativeLevel();
        if (test == kResultDeviceLost) return Store(test);
        if (Failed(test)) {
            // A failed reset leaves the device lost: the frame is skipped and
            // the next BeginScene tries again.
            if (Failed(ResetDevice())) return Store(test);
            InitRenderStates();
        }
        lost_ = false;
    }
    HResult hr = device_->BeginScene();
    if (Failed(hr)) return Store(hr);
    FrameStartStates();
    return Store(kResultOk);
}

void DXLViewer::FrameStartStates() {
    boundTexture_ = nullptr;
    device_->SetTexture(0, nullptr);
    blendMode_ = kBlendOpaque;
    DXLStencilAlphaTest off = MakeStencilAlphaTest(kStencilAlphaTestOff, 0, 0);
    ApplyStencilAlphaTest(&off);
    ApplyBlendMode();
    transform_ = kIdentityMatrix;
    device_->SetTransform(platform::TransformState::World, transform_);
}

HResult DXLViewer::ClearTarget(uint32_t colour) {
    return Clear(platform::kClearTarget, colour, 0);
}

HResult DXLViewer::Clear(uint32_t flags, uint32_t colour, uint32_t stencil) {
    if (!device_) return Store(kResultNoDevice);
    if (lost_) return Store(kResultEngineDeviceLost);
    return Store(device_->Clear(flags, colour, 0.0f, stencil));
}

HResult DXLViewer::EndFrame() {
    if (!device_) return Store(kResultNoDevice);
    if (lost_) return Store(kResultEngineDeviceLost);
    if (endFrameCallback_) endFrameCallback_(this);
    BindTexture(nullptr);
    HResult hr = device_->EndScene();
    if (Succeeded(hr)) {
        hr = device_->Present();
        if (Succeeded(hr) && timingRunning_) LimitFrameRate();
    }
    if (hr == kResultDeviceLost || hr == kResultDriverInternalError) lost_ = true;
    return Store(hr);
}

void DXLViewer::SetRasterizing(bool on) {
    rasterizing_ = on;
    if (device_) device_->SetRasterizing(on);
}

HResult DXLViewer::RenderFrame(uint32_t colour) {
    if (!device_) return Store(kResultNoDevice);
    HResult hr = BeginScene();
    if (Succeeded(hr)) hr = ClearTarget(colour);
    if (Succeeded(hr)) hr = EndFrame();
    return hr;
}

// ---------------------------------------------------------------- frame timing

void DXLViewer::SetFrameClock(const DXLFrameClock& clock) {
    g_clock = clock;
}

void DXLViewer::ResetFrameClock() {
    g_clock = {platform::Milliseconds, platform::SleepMilliseconds};
}

void DXLViewer::SetFrameTiming(bool enabled) {
    timingEnabled_ = enabled;
    fps_ = 0;
    if (device_) StartFrameTiming();
}

void DXLViewer::StartFrameTiming() {
    if (!timingEnabled_) return;
    fps_ = 0;
    framesThisSecond_ = 0;
    totalFrames_ = 0;
    totalSeconds_ = 0;
    secondStart_ = pauseLevel_ > 0 ? 0 : g_clock.now();
    timingRunning_ = true;
}

void DXLViewer::StopFrameTiming() {
    if (!timingRunning_) return;
    if (totalSeconds_ >= 1)
        fpsPlaceholder_ =
            viewerlog::RewriteFps(fpsPlaceholder_, double(totalFrames_) / double(totalSeconds_));
    secondStart_ = 0;
    fps_ = 0;
    framesThisSecond_ = 0;
    totalFrames_ = 0;
    totalSeconds_ = 0;
    timingRunning_ = false;
}

void DXLViewer::PauseTimer() {
    if (pauseLevel_ == 0 && timingRunning_) secondStart_ = g_clock.now() - secondStart_;
    ++pauseLevel_;
}

void DXLViewer::ResumeTimer() {
    if (pauseLevel_ == 0) return;
    --pauseLevel_;
    if (pauseLevel_ == 0 && timingRunning_) secondStart_ = g_clock.now() - secondStart_;
}

void DXLViewer::LimitFrameRate() {
    if (pauseLevel_ > 0) return;
    uint32_t elapsed = g_clock.now() - secondStart_;
    if (!settings_ || settings_->present.presentationInterval != platform::kPresentIntervalOne) {
        uint32_t target = uint32_t(std::lround(double(framesThisSecond_) * 5.0));
        if (elapsed < target) {
            g_clock.sleep(target - elapsed);
            elapsed = g_clock.now() - secondStart_;
        }
    }
    if (elapsed >= 1000) {
        totalFrames_ += framesThisSecond_;
        totalSeconds_ += elapsed / 1000;
        fps_ = framesThisSecond_;
        framesThisSecond_ = 1;
        secondStart_ += elapsed - elapsed % 1000;
    } else {
        ++framesThisSecond_;
    }
}

// ---------------------------------------------------------------- stencil and alpha test

void DXLViewer::SetStencilAlphaTestPacked(uint32_t descriptor, uint32_t stencilRef, uint32_t alphaRef) {
    DXLStencilAlphaTest state = MakeStencilAlphaTest(descriptor, stencilRef, alphaRef);
    ApplyStencilAlphaTest(&state);
}

void DXLViewer::ApplyStencilAlphaTest(const DXLStencilAlphaTest* state) {
    if (!device_) return;
    if (state) stencil_ = *state;
    platform::GraphicsDevice* d = device_.get();
    if (stencil_.stencilMode != 2) {
        d->SetRenderState(RenderState::StencilEnable, stencil_.stencilMode == 1);
        if (stencil_.stencilMode == 1) {
            d->SetRenderState(RenderState::StencilFunc, stencil_.stencilFunc);
            d->SetRenderState(RenderState::StencilPass, stencil_.stencilPass);
            d->SetRenderState(RenderState::StencilRef, stencil_.stencilRef);
        } else {
            d->SetRenderState(RenderState::StencilPass, 1); // keep
        }
    }
    if (stencil_.alphaTestMode != 2) {
        d->SetRenderState(RenderState::AlphaTestEnable, stencil_.alphaTestMode == 1);
        if (stencil_.alphaTestMode == 1) {
            d->SetRenderState(RenderState::AlphaFunc, stencil_.alphaFunc);
            d->SetRenderState(RenderState::AlphaRef, stencil_.alphaRef);
        }
    }
}

void DXLViewer::ClearStencilStack() {
    stencilStack_.DeleteAll();
}
